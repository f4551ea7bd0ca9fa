#include "link/korvelpackethandler.h"

#include <QAbstractSocket>
#include <QDebug>
#include <QIODevice>
#include <cstring>

#include "link/comaci.h"
#include "link/comtracer.h"
#include "link/comv1.h"

namespace {
// Kept once for the whole program: the first high-priority record after
// start-up with the preset bit set counts as a rising edge.
quint16 g_lastPresetBit = 0;
quint16 g_lastNavStatus = 0;

KorvelPacketHandler::AciFactory &aciFactory()
{
    static KorvelPacketHandler::AciFactory factory;
    return factory;
}

enum NavBits : quint16 {
    NavReachedPos = 0x0001,
    NavWaypointReached = 0x0002,
    NavReachedPos20m = 0x0004,
    NavPilotAbort = 0x0008,
};
}  // namespace

void KorvelPacketHandler::setAciFactory(AciFactory factory)
{
    aciFactory() = std::move(factory);
}

void KorvelPacketHandler::resetEdgeMemory()
{
    g_lastPresetBit = 0;
    g_lastNavStatus = 0;
}

KorvelPacketHandler::KorvelPacketHandler(QObject *parent) : QObject(parent)
{
    qDebug() << "[KorvelPacketHandler] Constructor START";

    qRegisterMetaType<SEARCH_LIST>("SEARCH_LIST");
    qRegisterMetaType<IMU_CALCDATA>("IMU_CALCDATA");
    qRegisterMetaType<LL_STATUS>("LL_STATUS");
    qRegisterMetaType<GPS_DATA_ADVANCED>("GPS_DATA_ADVANCED");
    qRegisterMetaType<CURRENT_WAY>("CURRENT_WAY");
    qRegisterMetaType<IMU_RAWDATA>("IMU_RAWDATA");
    qRegisterMetaType<LCD_INFO_HIGH_PRIO>("LCD_INFO_HIGH_PRIO");
    qRegisterMetaType<LCD_INFO_LINK>("LCD_INFO_LINK");
    qRegisterMetaType<LCD_INFO_LOW_PRIO>("LCD_INFO_LOW_PRIO");
    qRegisterMetaType<LCD_INFO_LOW_PRIO_PART2>("LCD_INFO_LOW_PRIO_PART2");
    qRegisterMetaType<LCD_INFO_LOW_PRIO_PART3>("LCD_INFO_LOW_PRIO_PART3");
    qRegisterMetaType<HL_EEPROM_INFO>("HL_EEPROM_INFO");
    qRegisterMetaType<BUILD_INFO>("BUILD_INFO");
    qRegisterMetaType<BUILD_INFO_LL>("BUILD_INFO_LL");
    qRegisterMetaType<ZEPH_MSG_HOME_POSITION>("ZEPH_MSG_HOME_POSITION");
    qRegisterMetaType<ZEPH_WAYPOINT>("ZEPH_WAYPOINT");
    qRegisterMetaType<ZEPH_MSG_NAVIGATION_STATUS>("ZEPH_MSG_NAVIGATION_STATUS");
    qRegisterMetaType<ZEPH_RF_API_LINKINFO_REDUCED>("ZEPH_RF_API_LINKINFO_REDUCED");
    qRegisterMetaType<QList<QStringList>>("QList<QStringList>");

    m_comV1 = new ComV1(this);
    m_tracer = new ComTracer(this);

    m_detectionTimer.setInterval(3000);
    m_detectionTimer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; the aircraft gets its full 3 s.
    m_detectionTimer.setTimerType(Qt::PreciseTimer);
    m_v1ResendTimer.setInterval(1000);
    // The aircraft expects the waypoint once a second; a coarse timer drifts by 5 %.
    m_v1ResendTimer.setTimerType(Qt::PreciseTimer);
    m_testDataTimer.setInterval(300);

    connect(m_comV1, &ComV1::serialWrite, this, &KorvelPacketHandler::writeData2SerialDev);
    connect(m_comV1, &ComV1::packetLCDINFOLINK, this, &KorvelPacketHandler::packetLCDINFOLINK);
    connect(m_comV1, &ComV1::packetLCDINFOLINKNEW, this, &KorvelPacketHandler::packetLCDINFOLINKNEW);
    connect(m_comV1, &ComV1::packetLCDINFOHIGHPRIO, this, &KorvelPacketHandler::packetLCDINFOHIGHPRIO);
    connect(m_comV1, &ComV1::packetLCDINFOLOWPRIO, this, &KorvelPacketHandler::packetLCDINFOLOWPRIO);
    connect(m_comV1, &ComV1::packetLCDINFOLOWPRIO2, this, &KorvelPacketHandler::packetLCDINFOLOWPRIO2);
    connect(m_comV1, &ComV1::packetLCDINFOLOWPRIO3, this, &KorvelPacketHandler::packetLCDINFOLOWPRIO3);
    connect(m_comV1, &ComV1::packetbuildinfo, this, &KorvelPacketHandler::packetbuildinfo);
    connect(m_comV1, &ComV1::packetbuildInfoHL, this, &KorvelPacketHandler::packetbuildinfoHL);
    connect(m_comV1, &ComV1::packetbuildInfoDiv, this, &KorvelPacketHandler::packetbuildinfoDiv);
    connect(m_comV1, &ComV1::packetbuildInfoDis, this, &KorvelPacketHandler::packetbuildinfoDivLCD);
    connect(m_comV1, &ComV1::packetbuildInfoLL, this, &KorvelPacketHandler::packetbuildinfoLL);
    connect(m_comV1, &ComV1::packetHLEEPROMInfo, this, &KorvelPacketHandler::packetHLEEPROM);
    connect(m_comV1, &ComV1::ackWaypointReceived, this, &KorvelPacketHandler::ackV1Waypoint);

    connect(&m_v1ResendTimer, &QTimer::timeout, this, &KorvelPacketHandler::wpV1sendWP);
    connect(&m_detectionTimer, &QTimer::timeout, this, &KorvelPacketHandler::comTypeTimerTimeout);
    connect(&m_testDataTimer, &QTimer::timeout, this, &KorvelPacketHandler::testData);

    m_comACI = aciFactory() ? aciFactory()() : new ComACI;
    if (m_comACI)
        wireAci();

    qDebug() << "[KorvelPacketHandler] Constructor END";
}

KorvelPacketHandler::~KorvelPacketHandler()
{
    m_detectionTimer.stop();
    m_v1ResendTimer.stop();
    m_testDataTimer.stop();
    if (m_comACI) {
        // The ACI worker must have ended before its object goes.
        m_comACI->shutdown();
        delete m_comACI;
        m_comACI = nullptr;
    }
    if (m_device) {
        m_device->disconnect(this);
        m_device->close();
    }
}

void KorvelPacketHandler::wireAci()
{
    KorvelAciLink *aci = m_comACI;
    using A = KorvelAciLink;
    using H = KorvelPacketHandler;
    // Signal to signal: ACI telemetry reaches the same common signals as V1.
    connect(aci, &A::aciAvailableVars, this, &H::aciAvailableVars);
    connect(aci, &A::aciAvailableCmds, this, &H::aciAvailableCmds);
    connect(aci, &A::aciAvailablePars, this, &H::aciAvailablePars);
    connect(aci, &A::pitchUpdate, this, &H::pitchUpdate);
    connect(aci, &A::rollUpdate, this, &H::rollUpdate);
    connect(aci, &A::yawUpdate, this, &H::yawUpdate);
    connect(aci, &A::gpsQuality, this, &H::gpsQualityUpdate);
    connect(aci, &A::gasSensorUpdate, this, &H::gasSensorUpdate);
    connect(aci, &A::gpsPosUpdate, this, &H::gpsPosUpdate);
    connect(aci, &A::flightimeUpdate, this, &H::flightimeUpdate);
    connect(aci, &A::gpsHeightUpdate, this, &H::gpsheightUpdate);
    connect(aci, &A::batteryVoltageUpdate, this, &H::batteryVoltage);
    connect(aci, &A::velocityUpdate, this, &H::velocityUpdate);
    connect(aci, &A::heightUpdate, this, &H::heightUpdate);
    connect(aci, &A::initDone, this, &H::comACIusing);
    connect(aci, &A::coreTexts, this, &H::coreErrorText);
    connect(aci, &A::syncStatusUpdated, this, &H::syncStatusUpdated);
    connect(aci, &A::waypointUploadStatus, this, &H::waypointUploadStatus);
    connect(aci, &A::waypointFlightStarted, this, &H::waypointFlightStarted);
    connect(aci, &A::aciNavStatus, this, &H::aciNavStatus);
    connect(aci, &A::navfly2WP, this, &H::wpV1Flying);
    connect(aci, &A::navWPFinished, this, &H::wpV1waypointreached);
    connect(aci, &A::navStop, this, &H::wpV1Finished);
    // Into slots
    connect(aci, &A::batteryQuality, this, &H::zephrinBatteryQuali);
    connect(aci, &A::linkInfo, this, &H::v3LinkInfo);
    connect(aci, &A::homePositionUpdate, this, &H::zephrinHomePostition);
    connect(aci, &A::write2Device, this, &H::writeData2SerialDev);
    connect(this, &H::deviceClosed, this, [this] {
        if (m_comACI)
            m_comACI->deviceClosed();
    });
}

void KorvelPacketHandler::setDetectionInterval(int ms)
{
    m_detectionTimer.setInterval(ms);
}

void KorvelPacketHandler::setV1ResendInterval(int ms)
{
    m_v1ResendTimer.setInterval(ms);
}

void KorvelPacketHandler::setDevice(QIODevice *device)
{
    if (m_device) {
        QIODevice *old = m_device;
        old->disconnect(this);
        if (old->isOpen())
            closeDevice();
        m_device = nullptr;
        delete old;
    }
    // Every new link is detected afresh, even when the caller did not close
    // the previous one first.
    m_comType = LinkProtocol::None;
    m_device = device;
    qDebug() << "[KorvelPacketHandler] device assigned";
    if (!device)
        return;
    device->setParent(this);
    connect(device, &QIODevice::readyRead, this, &KorvelPacketHandler::recdata);
    // A vanished port or a dropped TCP connection closes the link, so the
    // operator sees "Disconnected" instead of a link that silently died.
    if (auto *port = qobject_cast<QSerialPort *>(device))
        connect(port, &QSerialPort::errorOccurred, this, &KorvelPacketHandler::serialError);
    if (auto *socket = qobject_cast<QAbstractSocket *>(device))
        connect(socket, &QAbstractSocket::disconnected, this, &KorvelPacketHandler::closeDevice);
    m_detectionTimer.start();
    // Bytes that arrived before we listened are not lost.
    if (device->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &KorvelPacketHandler::recdata, Qt::QueuedConnection);
}

void KorvelPacketHandler::closeDevice()
{
    if (!m_device || m_closing)
        return;
    m_closing = true;
    qDebug() << "[KorvelPacketHandler] closeDevice";
    // A quick disconnect must not select ACI on a closed link, and a
    // stopped link must not keep resending or marking waypoints.
    m_detectionTimer.stop();
    m_v1ResendTimer.stop();
    m_v1Active = false;
    m_device->close();
    m_comType = LinkProtocol::None;
    m_closing = false;
    emit deviceClosed();
}

bool KorvelPacketHandler::isConnected()
{
    qDebug() << "[KorvelPacketHandler] isconnected?";
    return m_device && m_device->isOpen();
}

void KorvelPacketHandler::recdata()
{
    if (!m_device || !m_device->isOpen())
        return;
    const QByteArray data = m_device->readAll();
    if (m_comType == LinkProtocol::None || m_comType == LinkProtocol::V1) {
        for (char c : data) {
            m_comV1->processByte(uchar(c));
            // A link record may have just chosen V1 or the device may be gone.
            if (!m_device || !m_device->isOpen())
                break;
        }
    } else if (m_comType == LinkProtocol::Aci) {
        if (m_comACI)
            m_comACI->receiveData(data);
    }
}

void KorvelPacketHandler::writeData2SerialDev(QByteArray data)
{
    // Frames still queued by a protocol after the link closed go nowhere.
    if (!m_device || !m_device->isOpen())
        return;
    if (m_device->write(data) == -1)
        qWarning() << "[KorvelPacketHandler] write failed:" << m_device->errorString();
}

void KorvelPacketHandler::serialError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError)
        return;
    closeDevice();
    qWarning() << "ERROR - Device Closed";
}

void KorvelPacketHandler::comTypeTimerTimeout()
{
    if (!isConnected() || m_comType != LinkProtocol::None)
        return;
    m_comType = LinkProtocol::Aci;
    if (m_comACI)
        m_comACI->initDevice();
    emit deviceOpened();
}

void KorvelPacketHandler::comeHome()
{
    qDebug() << "KorvelPacketHandler::comeHome";
    qDebug() << "l:155: Come home; comType: " << comType();
    if (m_comType == LinkProtocol::V1)
        m_comV1->comeHome();
    else if (m_comType == LinkProtocol::Aci && m_comACI)
        m_comACI->comeHome();
}

void KorvelPacketHandler::sendBatteryType(int type)
{
    if (m_comType == LinkProtocol::V1)
        m_comV1->sendBatteryType(type);
}

void KorvelPacketHandler::sendEmergencyMode(int mode)
{
    if (m_comType == LinkProtocol::V1)
        m_comV1->sendEmergencyMode(mode);
}

void KorvelPacketHandler::unblockHarlek()
{
    if (m_comType == LinkProtocol::V1)
        m_comV1->unblockHarlek();
}

// ---- V1 records ----

void KorvelPacketHandler::linkRecord(int upPresent, int downPresent, int upBad, int downBad,
                                     int upGood, int downGood)
{
    // A direction that is flagged present but has counted no packet yet has
    // quality 0 rather than a division by zero.
    const unsigned up = (upPresent == 0 && upGood == 0) || upBad + upGood == 0
                            ? 0u
                            : unsigned(upGood) * 100u / unsigned(upBad + upGood);
    const unsigned down = (downPresent == 0 && downGood == 0) || downBad + downGood == 0
                              ? 0u
                              : unsigned(downGood) * 100u / unsigned(downBad + downGood);
    m_linkQuality = int((up + down) / 2);
    emit linkQualityUpdate(m_linkQuality);
    if (m_comType == LinkProtocol::None) {
        m_comType = LinkProtocol::V1;
        m_detectionTimer.stop();
        emit comV1using();
    }
}

void KorvelPacketHandler::packetLCDINFOLINK(LCD_INFO_LINK r)
{
    linkRecord(r.upPresent, r.downPresent, r.upBad, r.downBad, r.upGood, r.downGood);
}

void KorvelPacketHandler::packetLCDINFOLINKNEW(LCD_INFO_LINK_NEW r)
{
    linkRecord(r.upPresent, r.downPresent, r.upBad, r.downBad, r.upGood, r.downGood);
}

void KorvelPacketHandler::packetLCDINFOHIGHPRIO(LCD_INFO_HIGH_PRIO r)
{
    m_gpsQuality = r.gps_quality & 0x7F;
    m_gpsQualityRecord = m_gpsQuality;
    m_pitch = r.pitch / 100.0;
    m_roll = r.roll / 100.0;
    m_yaw = r.yaw / 100.0;
    m_speed = r.speed / 10.0;
    m_batteryVoltage = r.battery_voltage / 10.0;

    const quint16 preset = r.status & 0x2000;
    const bool presetRose = preset && !g_lastPresetBit;
    g_lastPresetBit = preset;
    if (presetRose)
        emit presetHarlek();

    emit gpsQualityUpdate(m_gpsQuality);
    emit pitchUpdate(m_pitch);
    emit rollUpdate(m_roll);
    emit yawUpdate(m_yaw);
    emit velocityUpdate(m_speed);
    emit batteryVoltage(m_batteryVoltage);

    int mode = 0;
    if ((r.status & 0x0C) == 0)
        mode = 0;
    else if ((r.status & 0x0C) == 0x04)
        mode = 1;
    else if ((r.status & 0x48) == 0x08)
        mode = 2;
    else if ((r.status & 0x48) == 0x48)
        mode = 3;
    m_flightMode = mode;
    emit flightModeUpdate(m_flightMode);

    emit motorState(!((r.status & 0x0002) && r.motor != 255));
}

void KorvelPacketHandler::packetLCDINFOLOWPRIO(LCD_INFO_LOW_PRIO r)
{
    m_flightTime = r.flighttime_sats & 0x07FF;
    m_satellites = r.flighttime_sats >> 12;
    m_longitude = r.longitude / 10000000.0;
    m_latitude = r.latitude / 10000000.0;
    m_horAcc = r.hor_accuracy / 10.0;
    m_vertAcc = r.vert_accuracy / 10.0;

    emit gpsPosChanged(QPointF(m_longitude, m_latitude));
    emit gpsPosUpdate(m_longitude, m_latitude);
    emit numberSatUpdate(m_satellites);
    emit flightimeUpdate((unsigned short)m_flightTime);
    emit horizontalaccUpdate(m_horAcc);
    emit verticalaccUpdate(m_vertAcc);
    if (m_gpsQualityRecord > 60)
        emit recordGPS(m_longitude, m_latitude);
}

void KorvelPacketHandler::packetLCDINFOLOWPRIO2(LCD_INFO_LOW_PRIO_PART2 r)
{
    m_height = r.height / 10.0;
    m_camAngle = r.cam_angle / 10.0;
    emit heightUpdate(m_height);
    emit camangle(m_camAngle);
}

void KorvelPacketHandler::packetLCDINFOLOWPRIO3(LCD_INFO_LOW_PRIO_PART3 r)
{
    const quint16 nav = r.nav_status;
    if (nav != g_lastNavStatus) {
        const quint16 rising = nav & quint16(~g_lastNavStatus);
        g_lastNavStatus = nav;
        if (m_v1Active) {
            if (rising & NavReachedPos) {
                qDebug() << "[KorvelPacketHandler] packetLCDINFOLOWPRIO3 WP_NAVSTAT_REACHED_POS";
                emit wpV1reachedPos();
            }
            if (rising & NavWaypointReached) {
                emit wpV1waypointreached(m_v1Offset + m_v1Index);
                nextV1Waypoint();
            }
            if (rising & NavReachedPos20m)
                emit wpV1reachedPos20m();
            if ((rising & NavPilotAbort) && m_v1Active) {
                qDebug() << "[KorvelPacketHandler] packetLCDINFOLOWPRIO3 WP_NAVSTAT_PILOT_ABORT";
                m_v1Active = false;
                m_v1ResendTimer.stop();
                emit wpV1Pilotaborted();
            }
        }
    }

    switch (r.battery_state & 0x03) {
    case 1: m_batteryState = 0; break;
    case 2: m_batteryState = 1; break;
    default: m_batteryState = 2; break;
    }
    emit batteryState(m_batteryState);

    // No full capacity known yet: report an empty battery rather than divide by zero.
    if (r.battery_full == 0) {
        m_batteryQuality = 0;
    } else {
        const int q = 100 - int(unsigned(r.battery_used) * 100u / unsigned(r.battery_full));
        m_batteryQuality = q < 0 ? 0 : q;
    }
    emit batteryQualityUpdate(m_batteryQuality);

    if (nav & 0x2000)
        m_windState = 2;
    else if (nav & 0x4000)
        m_windState = 1;
    else
        m_windState = 0;
    emit windState(m_windState);
}

void KorvelPacketHandler::packetbuildinfo(BUILD_INFO) {}

void KorvelPacketHandler::packetbuildinfoLL(BUILD_INFO_LL r)
{
    qDebug().noquote() << QStringLiteral("[KorvelPacketHandler] packetbuildinfoLL Harlek serial %1")
                              .arg(quint32(r.serial));
    m_versionLL = r.version_major + r.version_minor / 100.0;
    emit versionLLUpdate(m_versionLL);
}

void KorvelPacketHandler::packetbuildinfoHL(BUILD_INFO r)
{
    qDebug() << "[KorvelPacketHandler] packetbuildinfoHL ";
    m_versionHL = r.version_major + r.version_minor / 100.0;
    emit versionHLUpdate(m_versionHL);
}

void KorvelPacketHandler::packetbuildinfoDiv(BUILD_INFO r)
{
    qDebug() << "[KorvelPacketHandler] packetbuildinfoDiv ";
    m_versionDiv = r.version_major + r.version_minor / 100.0;
    emit versionDivUpdate(m_versionDiv);
}

void KorvelPacketHandler::packetbuildinfoDivLCD(BUILD_INFO r)
{
    qDebug() << "[KorvelPacketHandler] packetbuildinfoDivLCD ";
    m_versionDivLCD = r.version_major + r.version_minor / 100.0;
    emit versionDivLCDUpdate(m_versionDivLCD);
}

void KorvelPacketHandler::packetHLEEPROM(HL_EEPROM_INFO r)
{
    qDebug() << "[KorvelPacketHandler] packetHLEEPROM ";
    m_camera = r.camera;
    qDebug().noquote() << QStringLiteral("[KorvelPacketHandler] camUpdate %1").arg(m_camera);
    emit camUpdate(m_camera);
}

// ---- V1 waypoint flight ----

void KorvelPacketHandler::clearV1Waypoints()
{
    m_v1Waypoints.clear();
}

void KorvelPacketHandler::addV1Waypoint(WAYPOINT wp)
{
    m_v1Waypoints.append(wp);
}

int KorvelPacketHandler::setV1WPaborted(bool aborted)
{
    qDebug() << "[KorvelPacketHandler] setV1WPaborted";
    m_v1Aborted = aborted;
    if (aborted) {
        // A stopped flight sends nothing more and later navigation bits mark nothing.
        m_v1ResendTimer.stop();
        m_v1Active = false;
    }
    return m_v1Offset + m_v1Index;
}

bool KorvelPacketHandler::startV1WaypointFlight(int start)
{
    qDebug().noquote() << QStringLiteral("[KorvelPacketHandler] startV1WaypointFlight %1").arg(start);
    if (!isConnected() || m_v1Aborted)
        return false;
    m_v1Active = true;
    m_v1Aborted = false;
    m_v1Offset = start - 1;
    m_v1Index = 1;
    wpV1sendWP();
    emit unmarkSince(start);
    return true;
}

void KorvelPacketHandler::wpV1sendWP()
{
    qDebug().noquote() << QStringLiteral("[KorvelPacketHandler] wpV1sendWP %1").arg(m_v1Waypoints.size());
    if (m_v1Waypoints.isEmpty() || m_v1Aborted)
        return;
    if (m_v1Index < 1 || m_v1Index > m_v1Waypoints.size()) {
        m_v1ResendTimer.stop();
        return;
    }
    m_v1ResendTimer.start();
    const WAYPOINT &wp = m_v1Waypoints.at(m_v1Index - 1);
    m_comV1->sendWaypoint(wp);
    m_tracer->packetWAYPOINT(wp);
}

void KorvelPacketHandler::ackV1Waypoint()
{
    m_v1ResendTimer.stop();
    qDebug().noquote() << QStringLiteral("[KorvelPacketHandler] ackV1Waypoint %1 %2 %3")
                              .arg(m_v1Offset + m_v1Index)
                              .arg(m_v1Index)
                              .arg(m_v1Offset);
    emit wpV1Flying(m_v1Offset + m_v1Index);
}

void KorvelPacketHandler::nextV1Waypoint()
{
    qDebug() << "[KorvelPacketHandler] nextV1Waypoint";
    if (m_v1Index >= m_v1Waypoints.size()) {
        qDebug() << "[KorvelPacketHandler] nextV1Waypoint finished!";
        m_v1Active = false;
        m_v1ResendTimer.stop();
        emit wpV1Finished();
    } else if (!m_v1Waypoints.isEmpty()) {
        emit wpV1Sending();
        ++m_v1Index;
        qDebug().noquote() << QStringLiteral("[KorvelPacketHandler] nextV1Waypoint %1").arg(m_v1Index);
        wpV1sendWP();
    }
}

// ---- ACI ----

void KorvelPacketHandler::clearAciWaypoints()
{
    if (m_comACI)
        m_comACI->clearWaypoints();
}

void KorvelPacketHandler::addAciWaypoint(ZEPH_WAYPOINT wp, int kind)
{
    if (m_comACI)
        m_comACI->addWaypoint(wp, kind);
}

void KorvelPacketHandler::startAciWaypointUpload()
{
    if (m_comACI)
        m_comACI->startWaypointUpload();
}

int KorvelPacketHandler::stopAciWaypointFlight()
{
    return m_comACI ? m_comACI->stopWaypointFlight() : 0;
}

void KorvelPacketHandler::zephrinHomePostition(ZEPH_MSG_HOME_POSITION r)
{
    emit homePosition(r.longitude / 10000000.0, r.latitude / 10000000.0);
}

void KorvelPacketHandler::v3LinkInfo(ZEPH_RF_API_LINKINFO_REDUCED r)
{
    const int a = r.quality[0] + r.quality[1];
    const int b = r.quality[2] + r.quality[3];
    const int first = a > 20 ? 100 : a * 5;
    const int second = b > 30 ? 100 : int(b * 3.34);
    emit linkQualityUpdate(qMin(first, second));
}

void KorvelPacketHandler::testData()
{
    emit linkQualityUpdate(40);
    emit gpsQualityUpdate(10);
    emit batteryQualityUpdate(20);
}

void KorvelPacketHandler::zephrinpitchUpdate(double v) { m_pitch = v; emit pitchUpdate(v); }
void KorvelPacketHandler::zephrinrollUpdate(double v) { m_roll = v; emit rollUpdate(v); }
void KorvelPacketHandler::zephrinyawUpdate(double v) { m_yaw = v; emit yawUpdate(v); }
void KorvelPacketHandler::zephringpsQualityUpdate(int v) { m_gpsQuality = v; emit gpsQualityUpdate(v); }
void KorvelPacketHandler::zephringpsPosUpdate(double lon, double lat)
{
    m_longitude = lon;
    m_latitude = lat;
    emit gpsPosUpdate(lon, lat);
}
void KorvelPacketHandler::zephrinflightimeUpdate(ushort v) { m_flightTime = v; emit flightimeUpdate(v); }
void KorvelPacketHandler::zephringpsheightUpdate(double v) { m_height = v; emit gpsheightUpdate(v); }
void KorvelPacketHandler::zephrinbatteryVoltage(double v) { m_batteryVoltage = v; emit batteryVoltage(v); }
void KorvelPacketHandler::zephrinvelocityUpdate(double v) { m_speed = v; emit velocityUpdate(v); }
void KorvelPacketHandler::zephrinBatteryQuali(int v) { m_batteryQuality = v; emit batteryQualityUpdate(v); }
