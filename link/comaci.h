#pragma once
// The ACI side of the link: a worker thread that every 10 ms sends a joystick
// frame and ticks the engine, plus the GUI-thread side that feeds received
// bytes, turns variables into telemetry signals, lists the aircraft's
// variables, commands and parameters, and runs waypoint uploads and flights.
#include <QAtomicInt>
#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QSet>
#include <QStringList>
#include <QThread>
#include <QVector>
#include <memory>

#include "link/acirecords.h"
#include "link/comacisingleton.h"
#include "link/joystick.h"
#include "link/korvelpackethandler.h"

// Waypoint commands, numbered as the aircraft numbers them (one byte in a
// command, 16 bits in a response).
enum class AciWaypointCommand : quint16 {
    WaypointTaken = 4,   // answer: a waypoint went into the aircraft's list
    StartFlight = 5,
    ReadyToFly = 6,      // answer: the aircraft may start the flight
    StopFlight = 7,
    ListCleared = 14,    // sent when the aircraft accepts a begin-upload
    Waypoint = 15,
    Status = 16,
    BeginUpload = 18,
};

// Kinds of the aircraft's waypoint response record.
enum class AciResponseKind : quint8 { Result = 1, Acknowledge = 4, UploadError = 5 };

// Statuses of an upload-error response.
enum class AciUploadError : quint16 { Checksum = 1, BufferFull = 3 };

// Simple commands (the 8-slot queue).
enum class AciSimpleCommand : quint8 { ComeHome = 6 };

// Display name of an ACI type code ("INT8", "SINGLE", "STRUCT with size 12", ...).
QString aciTypeName(quint16 code);

class ComACI : public KorvelAciLink {
    Q_OBJECT
public:
    explicit ComACI(QObject *parent = nullptr);
    ~ComACI() override;

    // KorvelAciLink
    void initDevice() override;
    void receiveData(QByteArray data) override;
    void addWaypoint(ZEPH_WAYPOINT wp, int kind) override;
    void clearWaypoints() override;
    void startWaypointUpload() override;
    int stopWaypointFlight() override;
    void comeHome() override;
    void shutdown() override;

    // Replaces the joystick source (default: the Linux joystick interface).
    void setJoystickSource(std::unique_ptr<JoystickSource> source);

    static quint16 waypointCrc16(const ZEPH_WAYPOINT &wp);
    static quint32 kindFlags(int kind);

    // Whether the worker thread runs (from construction to shutdown).
    bool isRunning() const;

    // State, for the planner and for tests.
    bool isDeviceOpen() const { return m_deviceOpen.loadAcquire() != 0; }
    bool isUploadActive() const { return m_uploadActive; }
    bool isFlightActive() const { return m_flightActive; }
    int uploadedCount() const { return m_uploaded; }
    int waypointCount() const { return m_waypoints.size(); }
    ZEPH_WAYPOINT waypointAt(int index) const { return m_waypoints.value(index); }

public slots:
    void listvariables();
    void listcommands();
    void listparameters();
    void listall();
    void varUpdate();
    void deviceClosed() override;
    void waypointHandler();

private:
    // The worker loop: joystick frame and engine tick every 10 ms.
    void run();
    enum class Seq { First, Next, Keep };
    void sendJoystick();
    void sendWaypointCommand(AciWaypointCommand command, Seq seq, quint16 crc = 0, const ZEPH_WAYPOINT *data = nullptr);
    void sendWaypoint(int number, bool resend);
    // The aircraft asked for the list again from its first waypoint.
    void restartUpload();
    void requestWaypointStatus();
    void startWaypointFlight();
    void handleWaypointResponse();
    void handleNavigationStatus();
    void reportReached(int id);
    // Forgets every upload and flight state (a new upload, a closed link).
    void resetUpload();

    QList<QStringList> toRows(const QList<ComACISingleTon::Row> &rows) const;

    std::unique_ptr<QThread> m_worker;
    QAtomicInt m_deviceOpen{0};
    QMutex m_joystickMutex;
    std::unique_ptr<JoystickSource> m_joystick;
    QAtomicInt m_joystickMissingLogged{0};  // reset by each connection
    quint8 m_joystickCounter = 0;          // worker thread only

    // Last values seen.
    quint8 m_gpsQuality = 200;
    quint16 m_gas = 0xFFFF;
    quint32 m_gasReadings = 0;
    quint16 m_flightTime = 0;
    float m_height = 0, m_pitch = 0, m_roll = 0, m_yaw = 0;
    qint32 m_longitude = 0, m_latitude = 0;
    qint32 m_gpsHeight = 0;
    quint16 m_batteryVoltage = 0;
    quint32 m_velocity = 0;
    quint16 m_capacity = 0, m_capacityUsed = 0;
    ZEPH_MSG_HOME_POSITION m_home;
    ZEPH_MSG_NAVIGATION_STATUS m_nav;
    quint8 m_wpResponse[6] = {};
    qint32 m_statusCount = 0;
    QStringList m_statusTexts;

    // Waypoint upload and flight.
    QVector<ZEPH_WAYPOINT> m_waypoints;
    QVector<int> m_kinds;
    int m_uploaded = 0;
    bool m_allUploaded = true;
    bool m_statusRequested = false;
    bool m_uploadActive = false;
    bool m_flightConfirmed = false;
    bool m_flightActive = false;
    quint8 m_lastNavCounter = 0;
    quint16 m_lastId = 0;
    quint16 m_prevId = 0;
    bool m_navStarted = false;
    quint8 m_wpCommand[6] = {};
    int m_watchdog = 1000;
    bool m_stopRequested = false;     // a stop waits for the aircraft's answer
    bool m_awaitingBegin = false;     // this upload's begin is not yet acknowledged
    bool m_flightStartRaised = false; // waypointFlightStarted(true) awaits its false
    QSet<int> m_reached;              // waypoints reported reached in this flight
};
