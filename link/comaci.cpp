#include "link/comaci.h"
#include "link/gassensor.h"

#include <QDebug>
#include <QMutexLocker>
#include <QtEndian>
#include <cmath>
#include <cstring>

QString aciTypeName(quint16 code)
{
    switch (code) {
    case 0x08: return QStringLiteral("INT8");
    case 0x09: return QStringLiteral("UINT8");
    case 0x10: return QStringLiteral("INT16");
    case 0x11: return QStringLiteral("UINT16");
    case 0x20: return QStringLiteral("INT32");
    case 0x21: return QStringLiteral("UINT32");
    case 0x22: return QStringLiteral("SINGLE");
    case 0x40: return QStringLiteral("INT64");
    case 0x41: return QStringLiteral("UINT64");
    case 0x42: return QStringLiteral("DOUBLE");
    case 0x64: return QStringLiteral("VECTOR_3F");
    case 0x65: return QStringLiteral("VECTOR_3I");
    case 0x84: return QStringLiteral("QUAT");
    case 0x44: return QStringLiteral("VECTOR_2F");
    case 0x45: return QStringLiteral("VECTOR_2I");
    default: break;
    }
    static const char *const kinds[4] = {"SIGNED with size %1", "UNSIGNED with size %1",
                                         "FLOAT with size %1", "STRUCT with size %1"};
    return QString::fromLatin1(kinds[code & 0x3]).arg(code >> 3);
}

namespace {
template <typename T>
T fieldValue(const quint8 *bytes)
{
    T v;
    std::memcpy(&v, bytes, sizeof v);
    return qFromLittleEndian(v);
}

float fieldFloat(const quint8 *bytes)
{
    float f;
    std::memcpy(&f, bytes, sizeof f);
    return f;
}

QString fieldText(const quint8 *text, size_t width)
{
    size_t n = 0;
    while (n < width && text[n])
        ++n;
    return QString::fromLatin1(reinterpret_cast<const char *>(text), int(n));
}
}  // namespace

ComACI::ComACI(QObject *parent)
    : KorvelAciLink(parent)
    , m_joystick(new LinuxJoystickSource)
{
    registerAciRecordTypes();
    ComACISingleTon *s = ComACISingleTon::instance();
    connect(s, &ComACISingleTon::varListUpdateFinished, s, &ComACISingleTon::comACIGetDeviceCmdList,
            Qt::UniqueConnection);
    connect(s, &ComACISingleTon::cmdListUpdateFinished, s, &ComACISingleTon::comACIGetDeviceParList,
            Qt::UniqueConnection);
    connect(s, &ComACISingleTon::parListUpdateFinished, this, &ComACI::listall);
    connect(s, &ComACISingleTon::variableUpdated, this, &ComACI::varUpdate);
    connect(s, &ComACISingleTon::writeData, this, &ComACI::write2Device);
    connect(s, &ComACISingleTon::syncStatusUpdated, this, &ComACI::syncStatusUpdated);
    connect(s, &ComACISingleTon::linkInfo, this, &ComACI::linkInfo);
    m_worker.reset(QThread::create([this] { run(); }));
    m_worker->setObjectName(QStringLiteral("ComACI"));
    m_worker->start(QThread::InheritPriority);
}

ComACI::~ComACI()
{
    shutdown();
}

void ComACI::shutdown()
{
    if (!isRunning())
        return;
    m_worker->requestInterruption();
    m_worker->wait();
}

bool ComACI::isRunning() const
{
    return m_worker && m_worker->isRunning();
}

void ComACI::setJoystickSource(std::unique_ptr<JoystickSource> source)
{
    QMutexLocker lock(&m_joystickMutex);
    m_joystick = source ? std::move(source) : std::make_unique<NoJoystickSource>();
}

// ---- Worker thread ------------------------------------------------------------

void ComACI::run()
{
    QThread *self = QThread::currentThread();
    while (!self->isInterruptionRequested()) {
        if (!m_deviceOpen.loadAcquire()) {
            // Idle: look again every second, but stay quick to stop.
            for (int i = 0; i < 100 && !self->isInterruptionRequested() && !m_deviceOpen.loadAcquire(); ++i)
                QThread::msleep(10);
            continue;
        }
        sendJoystick();
        ComACISingleTon::instance()->tick();
        QThread::msleep(10);
    }
}

void ComACI::sendJoystick()
{
    JoystickReading reading;
    {
        QMutexLocker lock(&m_joystickMutex);
        if (m_joystick->deviceCount() == 0) {
            // Once per connection: the loop runs a hundred times a second.
            if (m_joystickMissingLogged.testAndSetOrdered(0, 1))
                qDebug() << "[ERROR] driver not installed";
            return;
        }
        if (!m_joystick->read(1, reading) && !m_joystick->read(0, reading))
            return;
    }
    ComACISingleTon::instance()->sendFrame(ACIMT_JOYSTICK, ACI_ADDR_RADIO, ACI_ADDR_OWN,
                                           aciJoystickPayload(reading, m_joystickCounter++));
}

// ---- GUI-thread operations ----------------------------------------------------

void ComACI::initDevice()
{
    qDebug() << "+++++++++++++ DEVICE OPEN, INIT ACI";
    m_joystickMissingLogged.storeRelease(0);
    // The first value this aircraft sends is reported, whatever the last one showed.
    m_gpsQuality = 200;
    m_gas = 0xFFFF;
    ComACISingleTon::instance()->init();
    m_deviceOpen.storeRelease(1);
}

void ComACI::deviceClosed()
{
    m_deviceOpen.storeRelease(0);
    // An upload or flight of a lost link must not go on by itself on the
    // next one: the operator starts it again.
    resetUpload();
}

void ComACI::resetUpload()
{
    m_uploadActive = false;
    m_flightActive = false;
    m_flightConfirmed = false;
    m_statusRequested = false;
    m_navStarted = false;
    m_stopRequested = false;
    m_awaitingBegin = false;
    m_flightStartRaised = false;
    m_uploaded = 0;
    m_allUploaded = true;
    m_watchdog = 1000;
    m_reached.clear();
}

void ComACI::receiveData(QByteArray data)
{
    ComACISingleTon::instance()->receiveBytes(data);
}

QList<QStringList> ComACI::toRows(const QList<ComACISingleTon::Row> &rows) const
{
    QList<QStringList> out;
    for (const ComACISingleTon::Row &r : rows)
        out << QStringList{QStringLiteral("0x%1").arg(r.id, 4, 16, QLatin1Char('0')), aciTypeName(r.type),
                           r.name, r.description, r.unit};
    return out;
}

void ComACI::listvariables() { emit aciAvailableVars(toRows(ComACISingleTon::instance()->variableRows())); }
void ComACI::listcommands() { emit aciAvailableCmds(toRows(ComACISingleTon::instance()->commandRows())); }
void ComACI::listparameters() { emit aciAvailablePars(toRows(ComACISingleTon::instance()->parameterRows())); }

void ComACI::listall()
{
    listcommands();
    listvariables();
    listparameters();
    ComACISingleTon::instance()->initPackets();
    qDebug() << "INIT Packets";
    emit initDone();
}

void ComACI::waypointHandler() {}

// ---- Telemetry ----------------------------------------------------------------

void ComACI::varUpdate()
{
    const ComACISingleTon::Fields f = ComACISingleTon::instance()->fields();

    const float height = fieldFloat(f.height);
    if (std::fabs(double(height) - double(m_height)) > 0.001) {
        m_height = height;
        emit heightUpdate(height);
    }

    const float pitch = fieldFloat(f.attitude);
    if (pitch != m_pitch) {
        m_pitch = pitch;
        m_roll = fieldFloat(f.attitude + 4);
        m_yaw = fieldFloat(f.attitude + 8);
        emit pitchUpdate(m_pitch);
        emit rollUpdate(m_roll);
        emit yawUpdate(m_yaw);
    }

    // Before the aircraft sent a value the field holds nothing worth showing.
    if (f.gpsQualityReceived && f.gpsQuality[0] != m_gpsQuality) {
        m_gpsQuality = f.gpsQuality[0];
        emit gpsQuality(m_gpsQuality);
    }

    // Every reading the aircraft sends enters the sensor's average, so a
    // steady value shows its own level; a steady "no sensor" is told once.
    const quint16 gas = fieldValue<quint16>(f.gas);
    if (f.gasReadings != m_gasReadings) {
        m_gasReadings = f.gasReadings;
        if (f.gasReceived && (gas != m_gas || gas != GasSensor::NoSensorReading)) {
            m_gas = gas;
            emit gasSensorUpdate(gas);
        }
    }

    const qint32 lon = fieldValue<qint32>(f.longitude);
    if (lon != m_longitude) {
        m_longitude = lon;
        m_latitude = fieldValue<qint32>(f.latitude);
        emit gpsPosUpdate(m_longitude / 1e7, m_latitude / 1e7);
    }

    const quint16 flightTime = fieldValue<quint16>(f.flightTime);
    if (flightTime != m_flightTime) {
        m_flightTime = flightTime;
        emit flightimeUpdate(ushort(flightTime / 10));
    }

    const quint16 capacity = fieldValue<quint16>(f.capacity);
    if (capacity != m_capacity)
        m_capacity = capacity;
    const quint16 used = fieldValue<quint16>(f.capacityUsed);
    if (used != m_capacityUsed) {
        m_capacityUsed = used;
        if (m_capacity != 0)
            emit batteryQuality((int(m_capacity) - int(m_capacityUsed)) * 100 / int(m_capacity));
    }

    const qint32 gpsHeight = fieldValue<qint32>(f.gpsHeight);
    if (gpsHeight != m_gpsHeight) {
        m_gpsHeight = gpsHeight;
        emit gpsHeightUpdate(gpsHeight / 1000.0);
    }

    const quint16 voltage = fieldValue<quint16>(f.batteryVoltage);
    if (voltage != m_batteryVoltage) {
        m_batteryVoltage = voltage;
        emit batteryVoltageUpdate(voltage / 1000.0);
    }

    const quint32 velocity = fieldValue<quint32>(f.velocity);
    if (velocity != m_velocity) {
        m_velocity = velocity;
        emit velocityUpdate(velocity / 1000.0);
    }

    if (f.homePosition[0] != m_home.changed) {
        std::memcpy(&m_home, f.homePosition, sizeof m_home);
        emit homePositionUpdate(m_home);
        qDebug() << "HOME POS" << int(m_home.changed) << m_home.longitude << m_home.latitude;
    }

    // Waypoint watchdog and responses.
    if (m_uploadActive && !m_allUploaded && m_watchdog > 0)
        --m_watchdog;
    if (f.wpResponse[5] != m_wpResponse[5]) {
        std::memcpy(m_wpResponse, f.wpResponse, sizeof m_wpResponse);
        handleWaypointResponse();
        m_watchdog = 1000;
    } else if (m_watchdog == 0 && m_uploadActive && !m_allUploaded) {
        if (m_statusRequested) {
            qDebug() << "Timeout!! rerequest Status";
            requestWaypointStatus();
        } else {
            qDebug() << "Timeout!! resend Waypoint " << m_uploaded + 1;
            sendWaypoint(m_uploaded + 1, true);
        }
        m_watchdog = 1000;
    }

    if (f.navStatus[14] != m_nav.changeCounter) {
        std::memcpy(&m_nav, f.navStatus, sizeof m_nav);
        handleNavigationStatus();
    }

    m_statusCount = fieldValue<qint32>(f.statusCount);
    const QString text = fieldText(f.statusText, sizeof f.statusText);
    if (!m_statusTexts.contains(text))
        m_statusTexts << text;
    if (m_statusTexts.size() == m_statusCount) {
        emit coreTexts(m_statusTexts);
        m_statusTexts.clear();
    } else if (m_statusTexts.size() > m_statusCount) {
        m_statusTexts.clear();
    }
}

// ---- Waypoints ----------------------------------------------------------------

quint16 ComACI::waypointCrc16(const ZEPH_WAYPOINT &wp)
{
    return aciCrc16(0x00FF, &wp, sizeof wp);
}

quint32 ComACI::kindFlags(int kind)
{
    switch (kind) {
    case 0: return 0x2200045u;
    case 1: return 0x2410045u;
    case 2: return 0x2810045u;
    case 5: return 0x20010060u;
    case 11: return 0x2410145u;
    case 12: return 0x2810145u;
    default: return 0;
    }
}

void ComACI::addWaypoint(ZEPH_WAYPOINT wp, int kind)
{
    wp.flags |= kindFlags(kind);
    m_waypoints << wp;
    m_kinds << kind;
}

void ComACI::clearWaypoints()
{
    m_waypoints.clear();
    m_kinds.clear();
}

void ComACI::sendWaypointCommand(AciWaypointCommand command, Seq seq, quint16 crc, const ZEPH_WAYPOINT *data)
{
    m_wpCommand[0] = quint8(command);
    m_wpCommand[1] = quint8(crc & 0xFF);
    m_wpCommand[2] = quint8(crc >> 8);
    m_wpCommand[3] = 0;
    m_wpCommand[4] = 0;
    if (seq == Seq::First)
        m_wpCommand[5] = 1;
    else if (seq == Seq::Next)
        ++m_wpCommand[5];
    ComACISingleTon *s = ComACISingleTon::instance();
    s->setWaypointCommand(qFromLittleEndian<quint32>(m_wpCommand),
                          quint16(m_wpCommand[4] | (m_wpCommand[5] << 8)));
    if (data)
        s->setWaypointData(*data);
    s->sendCommandPacket(0);
}

void ComACI::restartUpload()
{
    m_uploaded = 0;
    m_allUploaded = m_waypoints.isEmpty();
    sendWaypoint(1, false);
}

void ComACI::sendWaypoint(int number, bool resend)
{
    // Never past either end of the list, whatever the aircraft reports.
    if (number < 1 || number > m_waypoints.size())
        return;
    const ZEPH_WAYPOINT &wp = m_waypoints.at(number - 1);
    sendWaypointCommand(AciWaypointCommand::Waypoint, resend ? Seq::Keep : Seq::Next, waypointCrc16(wp), &wp);
}

void ComACI::requestWaypointStatus()
{
    sendWaypointCommand(AciWaypointCommand::Status, Seq::Next);
}

void ComACI::startWaypointFlight()
{
    sendWaypointCommand(AciWaypointCommand::StartFlight, Seq::Next);
    m_flightStartRaised = true;
    emit waypointFlightStarted(true);
}

void ComACI::startWaypointUpload()
{
    // A new upload starts a new flight: what the last flight confirmed must
    // not keep this one from starting.
    const bool startRaised = m_flightStartRaised;
    resetUpload();
    m_flightStartRaised = startRaised;
    m_uploadActive = true;
    if (m_waypoints.isEmpty()) {
        qDebug() << "NO WAYPOINT UPLOADED";
        return;
    }
    m_awaitingBegin = true;
    sendWaypointCommand(AciWaypointCommand::BeginUpload, Seq::First);
}

int ComACI::stopWaypointFlight()
{
    sendWaypointCommand(AciWaypointCommand::StopFlight, Seq::Next);
    m_uploadActive = false;
    m_flightActive = false;
    // The aircraft's answer ends the flight for the planner.
    m_stopRequested = true;
    return m_prevId + 1;
}

void ComACI::comeHome()
{
    stopWaypointFlight();
    emit navStop();
    ComACISingleTon::instance()->sendSimpleCommand(quint8(AciSimpleCommand::ComeHome));
}

void ComACI::handleWaypointResponse()
{
    const auto kind = AciResponseKind(m_wpResponse[0]);
    const auto command = AciWaypointCommand(m_wpResponse[1] | (m_wpResponse[2] << 8));
    const int status = m_wpResponse[3] | (m_wpResponse[4] << 8);
    // The answer to a stop comes after the stop ended the upload.
    const bool stopAnswer = kind == AciResponseKind::Result && command == AciWaypointCommand::StopFlight
                            && m_stopRequested;
    if (!m_uploadActive && !stopAnswer)
        return;
    // Until the aircraft takes this upload's begin, any other answer belongs
    // to an older command (a status asked before a stop, say): acting on it
    // would send waypoints into the list of the last upload.
    const bool anyStopAnswer = kind == AciResponseKind::Result && command == AciWaypointCommand::StopFlight;
    if (m_awaitingBegin && !anyStopAnswer) {
        if (kind != AciResponseKind::Acknowledge || command != AciWaypointCommand::BeginUpload)
            return;
        m_awaitingBegin = false;
    }
    const int total = m_waypoints.size();
    qDebug() << "**** WPLIST DATA ****" << int(kind) << int(command) << status;
    m_allUploaded = m_uploaded >= total;

    if (kind == AciResponseKind::Result) {
        switch (command) {
        case AciWaypointCommand::ReadyToFly:
            startWaypointFlight();
            break;
        case AciWaypointCommand::ListCleared:
            restartUpload();
            break;
        case AciWaypointCommand::StartFlight:
            if (!m_allUploaded) {
                qDebug() << "upload Waypoint Nr: " << m_uploaded + 1;
                sendWaypoint(m_uploaded + 1, false);
            }
            m_flightActive = true;
            break;
        case AciWaypointCommand::StopFlight:
            m_flightConfirmed = false;
            m_stopRequested = false;
            // Once per started flight, however often the stop is answered.
            if (m_flightStartRaised) {
                m_flightStartRaised = false;
                emit waypointFlightStarted(false);
            }
            break;
        default:
            break;
        }
        return;
    }

    if (kind == AciResponseKind::Acknowledge) {
        switch (command) {
        case AciWaypointCommand::BeginUpload:
            sendWaypointCommand(AciWaypointCommand::ListCleared, Seq::Next);
            break;
        case AciWaypointCommand::Waypoint: {
            if (m_allUploaded)
                break;
            ++m_uploaded;
            const int id = m_waypoints.at(m_uploaded - 1).wpNumber;
            qDebug() << "waypoint successfully uploaded: " << m_uploaded << " id: " << id;
            emit waypointUploadStatus(id, m_uploaded, total);
            if (m_uploaded >= total)
                m_allUploaded = true;
            const bool waitForEight = m_waypoints.first().flags & 0x400000u;
            const bool mayStart = (!waitForEight && m_uploaded >= 1) || (waitForEight && m_uploaded >= 8)
                                  || m_allUploaded;
            if (!m_flightConfirmed && !m_flightActive && mayStart) {
                m_navStarted = true;
                m_lastId = 0;
                m_prevId = quint16(m_waypoints.first().wpNumber - 1);
                qDebug() << "start flight with id: " << m_waypoints.first().wpNumber;
                startWaypointFlight();
            } else if (!m_allUploaded) {
                if (status != 0) {
                    qDebug() << "upload Waypoint Nr: " << m_uploaded + 1;
                    sendWaypoint(m_uploaded + 1, false);
                } else {
                    m_statusRequested = true;
                    qDebug() << "no space left, get status";
                    requestWaypointStatus();
                }
            }
            break;
        }
        case AciWaypointCommand::ListCleared:
            restartUpload();
            break;
        case AciWaypointCommand::WaypointTaken:
            if (!m_allUploaded) {
                ++m_uploaded;
                qDebug() << "waypoint successfully uploaded: " << m_uploaded;
                qDebug() << "upload Waypoint Nr: " << m_uploaded + 1;
                m_allUploaded = m_uploaded >= total;
                sendWaypoint(m_uploaded + 1, false);
            }
            break;
        case AciWaypointCommand::Status:
            if (!m_allUploaded && status > 0) {
                qDebug() << "upload Waypoint Nr: " << m_uploaded + 1;
                sendWaypoint(m_uploaded + 1, false);
                m_statusRequested = false;
            } else {
                requestWaypointStatus();
            }
            break;
        default:
            break;
        }
        return;
    }

    if (kind == AciResponseKind::UploadError && command == AciWaypointCommand::Waypoint) {
        if (status == int(AciUploadError::Checksum)) {
            qDebug() << "################### CRC ERROR!!!";
            sendWaypoint(m_uploaded + 1, false);
        } else if (status == int(AciUploadError::BufferFull)) {
            qDebug() << "################### BUFFER FULL!!!";
            m_statusRequested = true;
            requestWaypointStatus();
        }
    }
}

void ComACI::reportReached(int id)
{
    // The finished bit and the next target both tell of the same waypoint.
    if (m_reached.contains(id))
        return;
    m_reached.insert(id);
    emit navWPFinished(id);
}

void ComACI::handleNavigationStatus()
{
    if (!m_flightActive || !m_uploadActive || m_nav.changeCounter == m_lastNavCounter)
        return;
    m_lastNavCounter = m_nav.changeCounter;
    const quint32 status = m_nav.status;
    const int current = m_nav.currentWpId;
    qDebug() << "handleNavigationStatus! " << status << " prev: " << m_prevId << " last: " << m_lastId
             << " current " << current << " distance: " << m_nav.distance;
    emit aciNavStatus(m_nav);
    if (m_waypoints.isEmpty())
        return;

    if (status & 0x80u) {
        reportReached(current);
        return;
    }
    if ((status == 4 || status == 256) && current != m_lastId) {
        m_flightConfirmed = true;
        emit navfly2WP(current);
        if (current == m_waypoints.first().wpNumber)
            qDebug() << "first Waypoint!";
        else
            for (int k = m_prevId + 1; k <= current - 1; ++k)
                reportReached(k);
        m_lastId = quint16(current);
        m_prevId = quint16(current - 1);
    } else if (status == 1 && m_flightConfirmed) {
        for (int k = m_prevId + 1; k <= current - 1; ++k)
            reportReached(k);
        if (current == m_waypoints.last().wpNumber) {
            emit navStop();
            m_uploadActive = false;
            m_flightActive = false;
        }
    }
}
