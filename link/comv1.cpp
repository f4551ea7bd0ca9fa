#include "link/comv1.h"

#include <cstring>

namespace {
constexpr uchar AllBuildInfo = 0x1F;

template <typename T>
bool take(const QByteArray &data, T *out)
{
    return v1RecordFromBytes(data.constData(), data.size(), out);
}
}  // namespace

ComV1::ComV1(QObject *parent) : QObject(parent)
{
    m_buildInfoTimer.setInterval(2000);
    m_buildInfoTimer.setSingleShot(true);
    connect(&m_buildInfoTimer, &QTimer::timeout, this, &ComV1::triggerRequestBuildInfo);
}

ComV1::~ComV1() = default;

quint16 ComV1::crc16(const QByteArray &data)
{
    quint16 crc = 0x00FF;
    for (char c : data) {
        quint8 x = quint8(uchar(c) ^ (crc & 0xFF));
        x = quint8(x ^ (x << 4));
        crc = quint16(((quint16(x) << 8) | (crc >> 8)) ^ (x >> 4) ^ (quint16(x) << 3));
    }
    return crc;
}

void ComV1::processByte(uchar b)
{
    switch (m_state) {
    case 0:
        if (b == '>')
            m_state = 1;
        break;
    case 1:
        m_state = b == '*' ? 2 : (b == 'a' ? 12 : 0);
        break;
    case 2:
        m_state = b == '>' ? 3 : 0;
        break;
    case 3:
        m_length = b;
        m_state = 4;
        break;
    case 4:
        m_length = quint16(m_length | (quint16(b) << 8));
        m_data.clear();
        m_state = m_length > MaxFrameData ? 0 : 5;
        break;
    case 5:
        m_descriptor = b;
        // An empty frame has no data: its CRC follows at once.
        m_state = m_length == 0 ? 7 : 6;
        break;
    case 6:
        m_data.append(char(b));
        if (m_data.size() >= m_length)
            m_state = 7;
        break;
    case 7:
        m_crc = b;
        m_state = 8;
        break;
    case 8:
        m_crc = quint16(m_crc | (quint16(b) << 8));
        m_state = 9;
        break;
    case 9:
        m_state = b == '<' ? 10 : 0;
        break;
    case 10:
        m_state = b == '#' ? 11 : 0;
        break;
    case 11:
        if (b == '<' && crc16(m_data) == m_crc)
            dispatch();
        m_data.clear();
        m_state = 0;
        break;
    case 12:
        m_ackCode = b;
        m_state = 13;
        break;
    case 13:
        if (b == 'a') {
            m_state = 14;
        } else {
            m_ackCode = 0;
            m_state = 0;
        }
        break;
    case 14: {
        const bool ack = b == '<' && m_ackCode == 0x24;
        m_ackCode = 0;
        m_state = 0;
        if (ack)
            emit ackWaypointReceived();
        break;
    }
    default:
        m_state = 0;
        break;
    }

    if (!m_buildInfoTimer.isActive() && m_buildFlags != AllBuildInfo)
        m_buildInfoTimer.start();
}

void ComV1::dispatch()
{
    const int len = m_data.size();
    switch (m_descriptor) {
    case 1:
        if (len == 28 && take(m_data, &m_imuRaw))
            emit packetIMU_RAWDATA(m_imuRaw);
        break;
    case 2:
        if (len == 16 && take(m_data, &m_llStatus))
            emit packetLL_STATUS(m_llStatus);
        break;
    case 3:
        if (len == 92 && take(m_data, &m_imuCalc))
            emit packetIMU_CALCDATA(m_imuCalc);
        break;
    case 32:
        if (len == 28 && take(m_data, &m_waypoint))
            emit packetWAYPOINT(m_waypoint);
        break;
    case 33:
        if (len == 12 && take(m_data, &m_currentWay))
            emit packetCURRENT_WAY(m_currentWay);
        break;
    case 35:
        if (len == 60 && take(m_data, &m_gpsAdvanced))
            emit packetGPS_DATA_ADVANCED(m_gpsAdvanced);
        break;
    case 96:
        if (take(m_data, &m_link))
            emit packetLCDINFOLINK(m_link);
        break;
    case 97:
        if (take(m_data, &m_highPrio))
            emit packetLCDINFOHIGHPRIO(m_highPrio);
        break;
    case 98:
        if (take(m_data, &m_lowPrio))
            emit packetLCDINFOLOWPRIO(m_lowPrio);
        break;
    case 99:
        if (len >= 12) {
            qint16 marker;
            std::memcpy(&marker, m_data.constData() + 8, 2);
            if (marker == 20000) {
                qint32 lon, lat;
                std::memcpy(&lon, m_data.constData(), 4);
                std::memcpy(&lat, m_data.constData() + 4, 4);
                emit packetHomePosition(lat, lon);
            } else if (take(m_data, &m_lowPrio2)) {
                emit packetLCDINFOLOWPRIO2(m_lowPrio2);
            }
        }
        break;
    case 100:
        if (take(m_data, &m_lowPrio3))
            emit packetLCDINFOLOWPRIO3(m_lowPrio3);
        break;
    case 240:
        if (take(m_data, &m_buildLL)) {
            m_buildFlags |= 0x01;
            emit packetbuildInfoLL(m_buildLL);
        }
        break;
    case 241:
        if (take(m_data, &m_buildHL)) {
            m_buildFlags |= 0x02;
            emit packetbuildInfoHL(m_buildHL);
        }
        break;
    case 242:
        if (take(m_data, &m_buildDiv)) {
            m_buildFlags |= 0x04;
            emit packetbuildInfoDiv(m_buildDiv);
        }
        break;
    case 243:
        if (take(m_data, &m_buildDis)) {
            m_buildFlags |= 0x12;
            emit packetbuildInfoDis(m_buildDis);
        }
        break;
    case 244:
        if (take(m_data, &m_eeprom)) {
            m_buildFlags |= 0x08;
            emit packetHLEEPROMInfo(m_eeprom);
        }
        break;
    default:
        emit unknownPacket(m_descriptor, m_data);
        break;
    }
    m_data.clear();
}

void ComV1::comeHome()
{
    emit serialWrite(QByteArrayLiteral(">*>wh"));
}

void ComV1::requestBuildInfo()
{
    emit serialWrite(QByteArrayLiteral(">*>I"));
}

void ComV1::sendBatteryType(int type)
{
    char digit = '9';
    switch (type) {
    case 0: digit = '6'; break;
    case 1: digit = '8'; break;
    case 3: digit = '7'; break;
    default: break;
    }
    QByteArray frame(">*>V");
    frame.append(digit);
    emit serialWrite(frame);
}

void ComV1::sendEmergencyMode(int mode)
{
    const quint16 value = (mode >= 0 && mode < 16) ? quint16(1u << mode) : 0;
    const quint16 check = quint16(value - 0x5556);
    QByteArray frame(">*>cE");
    frame.append(char(value & 0xFF)).append(char(value >> 8));
    frame.append(char(check & 0xFF)).append(char(check >> 8));
    emit serialWrite(frame);
}

void ComV1::unblockHarlek()
{
    emit serialWrite(QByteArrayLiteral(">*>F"));
}

bool ComV1::writePackage(unsigned char *, int)
{
    return true;
}

void ComV1::sendWaypoint(WAYPOINT wp)
{
    QByteArray frame(">*>ws");
    frame.append(reinterpret_cast<const char *>(&wp), int(sizeof(WAYPOINT)));
    emit serialWrite(frame);
}

void ComV1::triggerRequestBuildInfo()
{
    QByteArray request;
    if (!(m_buildFlags & 0x01) && !(m_buildFlags & 0x02))
        request.append(">*>I");
    if (!(m_buildFlags & 0x04)) {
        request.append("##+#");
        request.append(char(0x12)).append(char(0x01));
        request.append(QByteArray(14, '\0'));
    }
    if (!request.isEmpty())
        emit serialWrite(request);
}
