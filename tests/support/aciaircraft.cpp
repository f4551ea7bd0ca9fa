#include "support/aciaircraft.h"

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace KorvelTest {

namespace {
// Bit-wise reflected CRC-CCITT (0x8408); the program uses a byte-wise form.
quint16 crcBits(quint16 crc, const QByteArray &data)
{
    for (char ch : data) {
        crc ^= quint8(ch);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0x8408) : quint16(crc >> 1);
    }
    return crc;
}

quint16 rd16(const QByteArray &b, int at)
{
    return quint16(quint8(b.at(at)) | (quint8(b.at(at + 1)) << 8));
}

AciAircraft::Item item(quint16 id, quint16 type, const char *name, const char *desc = "",
                       const char *unit = "")
{
    AciAircraft::Item i;
    i.id = id;
    i.type = type;
    i.name = name;
    i.description = desc;
    i.unit = unit;
    return i;
}
}  // namespace

quint16 AciAircraft::crc(const QByteArray &data, quint16 start)
{
    return crcBits(start, data);
}

QByteArray AciAircraft::le16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray AciAircraft::le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray AciAircraft::frame(quint8 destination, quint8 source, quint8 id, const QByteArray &payload)
{
    QByteArray body;
    body.append(char(destination)).append(char(source)).append(char(id));
    body.append(le16(quint16(payload.size())));
    body.append(payload);
    return QByteArray("!#!") + body + le16(crc(body));
}

QByteArray AciAircraft::itemRecord(const Item &it)
{
    QByteArray r(132, '\0');
    qToLittleEndian(it.id, r.data());
    std::memcpy(r.data() + 2, it.description.constData(), size_t(qMin(32, it.description.size())));
    std::memcpy(r.data() + 34, it.name.constData(), size_t(qMin(64, it.name.size())));
    std::memcpy(r.data() + 98, it.unit.constData(), size_t(qMin(32, it.unit.size())));
    qToLittleEndian(it.type, r.data() + 130);
    return r;
}

AciAircraft::AciAircraft(QObject *parent)
    : QObject(parent)
{
    variables = {
        item(146, 0x20, "GPS_height", "GPS height", "mm"),
        item(141, 0x21, "GPS_status", "GPS status"),
        item(140, 0x20, "GPS_num_sv", "satellites"),
        item(139, 0x11, "flight_time", "flight time", "0.1s"),
        item(137, 0x22, "height", "fused height", "m"),
        item(132, 0x20, "GPS_lon", "longitude", "1e-7 deg"),
        item(131, 0x20, "GPS_lat", "latitude", "1e-7 deg"),
        item(138, 0x64, "attitude", "pitch roll yaw", "deg"),
        item(136, 0x21, "velocity", "speed", "mm/s"),
        item(35, 0x20, "status_count", "status texts"),
        item(36, (62 << 3) | 3, "status_block", "status block"),
        item(130, 0x11, "battery_voltage", "battery", "mV"),
        item(145, (6 << 3) | 3, "wp_response", "waypoint response"),
        item(154, (15 << 3) | 3, "nav_status", "navigation status"),
        item(155, (21 << 3) | 3, "home_position", "home position"),
        item(169, 0x11, "battery_state", "battery state"),
        item(172, 0x11, "capacity", "battery capacity", "mAh"),
        item(171, 0x11, "capacity_used", "capacity used", "mAh"),
        item(2304, 0x11, "gas_raw", "gas sensor", "raw"),
        item(142, 0x09, "cmd_ack", "simple command acknowledgement"),
        item(39, 0x20, "status_flags", "flags"),
        item(37, (43 << 3) | 3, "status_text", "status text"),
        item(1, 0x10, "temperature", "board temperature", "0.1 C"),
        item(2, 0x84, "quaternion", "attitude quaternion"),
    };
    commands = {
        item(5, (6 << 3) | 3, "wp_command", "waypoint command"),
        item(4, (42 << 3) | 3, "wp_data", "waypoint data"),
        item(2, (8 << 3) | 3, "simple_cmd", "simple commands"),
        item(3, 0x09, "camera_trigger", "camera"),
    };
    parameters = {
        item(1000, 0x22, "max_speed", "maximum speed", "m/s"),
        item(1001, 0x11, "rth_height", "come-home height", "m"),
    };
}

AciAircraft::~AciAircraft()
{
    if (m_ptyMaster >= 0)
        ::close(m_ptyMaster);
}

QByteArray AciAircraft::magicCodes() const
{
    QByteArray out;
    const QList<Item> *lists[3] = {&variables, &commands, &parameters};
    for (const QList<Item> *l : lists) {
        quint16 c = 0x00FF;
        for (const Item &it : *l)
            c = crc(le16(it.id) + le16(it.type), c);
        out += le16(c);
    }
    for (const QList<Item> *l : lists)
        out += le16(quint16(l->size()));
    return out;
}

// ---- Transports ---------------------------------------------------------------

bool AciAircraft::listenTcp(quint16 port)
{
    m_server = new QTcpServer(this);
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        QTcpSocket *s = m_server->nextPendingConnection();
        if (m_socket) {
            s->close();
            s->deleteLater();
            return;
        }
        m_socket = s;
        connect(s, &QTcpSocket::readyRead, this, [this, s] { feed(s->readAll()); });
        emit peerConnected();
    });
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 AciAircraft::tcpPort() const
{
    return m_server ? m_server->serverPort() : 0;
}

bool AciAircraft::openPty()
{
    m_ptyMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_ptyMaster < 0 || ::grantpt(m_ptyMaster) != 0 || ::unlockpt(m_ptyMaster) != 0)
        return false;
    termios t;
    if (::tcgetattr(m_ptyMaster, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(m_ptyMaster, TCSANOW, &t);
    }
    m_ptyName = QString::fromLocal8Bit(::ptsname(m_ptyMaster));
    // Keep one slave handle of our own, so the master never sees a hang-up
    // between the program's opens.
    const int keep = ::open(m_ptyName.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (keep >= 0) {
        termios s;
        if (::tcgetattr(keep, &s) == 0) {
            ::cfmakeraw(&s);
            ::tcsetattr(keep, TCSANOW, &s);
        }
        setProperty("ptyKeep", keep);
        connect(this, &QObject::destroyed, [keep] { ::close(keep); });
    }
    m_ptyNotifier = new QSocketNotifier(m_ptyMaster, QSocketNotifier::Read, this);
    connect(m_ptyNotifier, &QSocketNotifier::activated, this, [this] {
        char buf[4096];
        const ssize_t n = ::read(m_ptyMaster, buf, sizeof buf);
        if (n > 0)
            feed(QByteArray(buf, int(n)));
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            m_ptyNotifier->setEnabled(false);
    });
    return true;
}

bool AciAircraft::hasPeer() const
{
    return m_socket || m_ptyMaster >= 0;
}

void AciAircraft::write(const QByteArray &bytes)
{
    emit output(bytes);
    if (m_socket)
        m_socket->write(bytes);
    if (m_ptyMaster >= 0) {
        const ssize_t n = ::write(m_ptyMaster, bytes.constData(), size_t(bytes.size()));
        Q_UNUSED(n);
    }
}

void AciAircraft::sendRaw(const QByteArray &bytes)
{
    write(bytes);
}

void AciAircraft::sendFrame(quint8 id, const QByteArray &payload, quint8 source)
{
    QByteArray f = frame(0x80, source, id, payload);
    if (corruptNextFrame && f.size() > 10) {
        f[8] = char(f.at(8) ^ 0x01);
        corruptNextFrame = false;
    }
    write(f);
}

// ---- Receiver -----------------------------------------------------------------

void AciAircraft::feed(const QByteArray &bytes)
{
    bytesReceived += bytes.size();
    m_rx += bytes;
    for (;;) {
        const int start = m_rx.indexOf("!#!");
        if (start < 0) {
            m_rx = m_rx.right(2);
            return;
        }
        m_rx.remove(0, start);
        if (m_rx.size() < 8)
            return;
        const int len = rd16(m_rx, 6);
        if (m_rx.size() < 10 + len)
            return;
        const QByteArray body = m_rx.mid(3, 5 + len);
        const quint16 got = rd16(m_rx, 8 + len);
        if (crc(body) != got) {
            m_rx.remove(0, 1);
            continue;
        }
        Frame f;
        f.destination = quint8(body.at(0));
        f.source = quint8(body.at(1));
        f.id = quint8(body.at(2));
        f.payload = body.mid(5);
        m_rx.remove(0, 10 + len);
        received << f;
        handle(f);
    }
}

int AciAircraft::countReceived(quint8 id) const
{
    int n = 0;
    for (const Frame &f : received)
        n += f.id == id;
    return n;
}

const QList<AciAircraft::Item> *AciAircraft::listFor(quint8 msg) const
{
    switch (msg) {
    case 1: case 3: return &variables;
    case 4: case 6: return &commands;
    case 7: case 9: return &parameters;
    default: return nullptr;
    }
}

int AciAircraft::sizeOf(quint16 varId) const
{
    for (const Item &it : variables)
        if (it.id == varId)
            return it.type >> 3;
    return 0;
}

int AciAircraft::cmdSize(quint16 cmdId) const
{
    for (const Item &it : commands)
        if (it.id == cmdId)
            return it.type >> 3;
    return 0;
}

void AciAircraft::handle(const Frame &f)
{
    if (f.destination == 0x30 && f.id == 0x82) {
        joystickPayloads << f.payload;
        return;
    }
    switch (f.id) {
    case 98:
        if (answerMagic)
            sendFrame(98, magicCodes());
        break;
    case 3: case 6: case 9: {
        const QList<Item> *l = listFor(f.id);
        QByteArray p = le16(quint16(l->size()));
        for (const Item &it : *l)
            p += le16(it.id);
        sendFrame(quint8(f.id == 3 ? 64 : f.id == 6 ? 67 : 70), p);
        break;
    }
    case 1: case 4: case 7: {
        if (dropItemRequests > 0) {
            --dropItemRequests;
            break;
        }
        const QList<Item> *l = listFor(f.id);
        for (int i = 0; i + 1 < f.payload.size(); i += 2) {
            const quint16 id = rd16(f.payload, i);
            for (const Item &it : *l)
                if (it.id == id)
                    sendFrame(quint8(f.id + 64), itemRecord(it));
        }
        break;
    }
    case 10: case 83: {
        const int pk = f.id == 10 ? 0 : 1;
        if (f.payload.isEmpty())
            break;
        m_packetCheck[pk] = quint8(f.payload.at(0));
        m_packetIds[pk].clear();
        for (int i = 1; i + 1 < f.payload.size(); i += 2)
            m_packetIds[pk] << rd16(f.payload, i);
        m_packetConfigured[pk] = true;
        sendFrame(81, QByteArray(1, char(f.id)) + char(1));
        break;
    }
    case 16:
        if (f.payload.size() < 2)
            break;
        m_cmdCheck = quint8(f.payload.at(0));
        m_cmdIds.clear();
        for (int i = 2; i + 1 < f.payload.size(); i += 2)
            m_cmdIds << rd16(f.payload, i);
        sendFrame(81, QByteArray(1, char(16)) + char(1));
        break;
    case 17:
        sendFrame(81, QByteArray(1, char(18)) + char(0));
        handleCommandPacket(f.payload);
        break;
    default:
        break;
    }
}

void AciAircraft::handleCommandPacket(const QByteArray &payload)
{
    if (payload.isEmpty() || quint8(payload.at(0)) != m_cmdCheck)
        return;
    int at = 1;
    QByteArray wpCmd, wpData, queue;
    for (quint16 id : m_cmdIds) {
        const int size = cmdSize(id);
        const QByteArray v = payload.mid(at, size);
        at += size;
        if (id == 5)
            wpCmd = v;
        else if (id == 4)
            wpData = v;
        else if (id == 2)
            queue = v;
    }
    if (queue.size() == 8) {
        for (int i = 0; i < 8; ++i) {
            const quint8 bit = quint8(1u << i);
            if (queue.at(i) == 0)
                m_ackByte &= quint8(~bit);
            else if (ackSimpleCommands && !(m_ackByte & bit)) {
                m_ackByte |= bit;
                simpleCommands << quint8(queue.at(i));
            }
        }
        setValue(142, QByteArray(1, char(m_ackByte)));
    }
    if (wpCmd.size() == 6) {
        const quint8 seq = quint8(wpCmd.at(5));
        if (seq != m_lastSeq && wpCmd.at(0) != 0) {
            m_lastSeq = seq;
            waypointCommands << quint8(wpCmd.at(0));
            waypointCommand(quint8(wpCmd.at(0)), rd16(wpCmd, 1), wpData);
        }
    }
    if (autoPackets)
        sendVarPackets();
}

void AciAircraft::waypointCommand(quint8 command, quint16 param, const QByteArray &data)
{
    switch (command) {
    case 18: respond(4, 18, 1); break;
    case 14: storedWaypoints.clear(); respond(4, 14, 1); break;
    case 15: {
        const int number = data.size() == 42 ? rd16(data, 0) : 0;
        if (ignoreWaypointFrom > 0 && number >= ignoreWaypointFrom)
            break;
        if (data.size() != 42 || crc(data) != param
            || (number == crcErrorOnWaypoint && !m_crcErrorDone)) {
            if (number == crcErrorOnWaypoint)
                m_crcErrorDone = true;
            respond(5, 15, 1);
            break;
        }
        if (number == bufferFullOnWaypoint && !m_bufferFullDone) {
            m_bufferFullDone = true;
            respond(5, 15, 3);
            break;
        }
        storedWaypoints << data;
        respond(4, 15, quint16(qMax(0, bufferCapacity - storedWaypoints.size())));
        break;
    }
    case 16: respond(4, 16, quint16(qMax(1, bufferCapacity - storedWaypoints.size()))); break;
    case 5:
        m_flying = true;
        respond(1, 5, 1);
        if (autoFly) {
            if (!m_flyTimer) {
                m_flyTimer = new QTimer(this);
                connect(m_flyTimer, &QTimer::timeout, this, &AciAircraft::flyStep);
            }
            m_flyIndex = 0;
            m_atEnd = false;
            m_flyTimer->start(flyDelayMs);
        }
        break;
    case 7:
        m_flying = false;
        if (m_flyTimer)
            m_flyTimer->stop();
        respond(1, 7, 1);
        break;
    default: break;
    }
}

void AciAircraft::flyStep()
{
    const int i = m_flyIndex / 2;
    if (!m_flying || storedWaypoints.isEmpty()) {
        m_flyTimer->stop();
        return;
    }
    if (i >= storedWaypoints.size()) {
        // At the end of the list it holds there, as the aircraft does: the
        // station may still be uploading (the flight starts meanwhile), and
        // a waypoint that comes later is flown on to.
        if (!m_atEnd)
            sendNavStatus(1, rd16(storedWaypoints.last(), 0));
        m_atEnd = true;
        return;
    }
    m_atEnd = false;
    const quint16 number = rd16(storedWaypoints.at(i), 0);
    if (m_flyIndex % 2 == 0) {
        sendNavStatus(4, number);
    } else {
        sendNavStatus(0x80, number);
        ++reached;
        emit waypointReached(number);
    }
    ++m_flyIndex;
}

void AciAircraft::setTelemetry(const Telemetry &t)
{
    setFloat(137, t.height);
    setInt32(132, qint32(qRound(t.longitude * 1e7)));
    setInt32(131, qint32(qRound(t.latitude * 1e7)));
    setUInt16(139, t.flightTime);
    setUInt16(172, t.capacity);
    setUInt16(171, t.capacityUsed);
    setUInt16(130, t.millivolts);
    setInt32(136, t.velocity);
    setValue(141, QByteArray(1, char(t.gpsStatus)) + QByteArray(3, '\0'));
    setUInt16(2304, t.gas);
    // The first byte counts changes of the home position; the station
    // reads the position again only when it moves on.
    QByteArray home(21, '\0');
    home.replace(1, 8, le32(quint32(qRound(t.homeLatitude * 1e7))) +
                           le32(quint32(qRound(t.homeLongitude * 1e7))));
    const QByteArray old = value(155);
    quint8 counter = old.isEmpty() ? 0 : quint8(old.at(0));
    if (old.mid(1, 8) != home.mid(1, 8))
        ++counter;
    home[0] = char(counter);
    setValue(155, home);
}

void AciAircraft::respond(quint8 kind, quint16 command, quint16 status)
{
    QByteArray r;
    r.append(char(kind)).append(le16(command)).append(le16(status)).append(char(++m_responseCounter));
    setValue(145, r);
}

// ---- Telemetry ----------------------------------------------------------------

void AciAircraft::setValue(quint16 varId, const QByteArray &bytes)
{
    m_values[varId] = bytes;
}

void AciAircraft::setFloat(quint16 varId, float v)
{
    QByteArray b(4, '\0');
    std::memcpy(b.data(), &v, 4);
    setValue(varId, b);
}

void AciAircraft::sendVarPackets()
{
    for (int pk = 0; pk < 2; ++pk) {
        if (!m_packetConfigured[pk])
            continue;
        QByteArray p(1, char(m_packetCheck[pk]));
        for (quint16 id : m_packetIds[pk]) {
            QByteArray v = m_values.value(id).left(sizeOf(id));
            v.append(QByteArray(sizeOf(id) - v.size(), '\0'));
            p += v;
        }
        sendFrame(pk == 0 ? 80 : 177, p);
    }
}

void AciAircraft::sendNavStatus(quint32 status, quint16 currentId, float distance)
{
    QByteArray r = le32(status) + le16(currentId);
    QByteArray d(4, '\0');
    std::memcpy(d.data(), &distance, 4);
    r += d + QByteArray(4, '\0');
    r.append(char(++m_navCounter));
    setValue(154, r);
    if (autoPackets)
        sendVarPackets();
}

void AciAircraft::sendLinkInfo(quint8 a, quint8 b, quint8 c, quint8 d)
{
    QByteArray p(58, '\0');
    p[48] = char(a);
    p[49] = char(b);
    p[50] = char(c);
    p[51] = char(d);
    sendFrame(129, p, 0x30);
}

}  // namespace KorvelTest
