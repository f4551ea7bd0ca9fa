#pragma once
// The ACI side of the link: a worker thread that every 10 ms sends a joystick
// frame and ticks the engine, plus the GUI-thread side that feeds received
// bytes, turns variables into telemetry signals, lists the aircraft's
// variables, commands and parameters, and runs waypoint uploads and flights.
#include <QAtomicInt>
#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QStringList>
#include <QThread>
#include <QVector>
#include <memory>

#include "link/acirecords.h"
#include "link/comacisingleton.h"
#include "link/joystick.h"
#include "link/korvelpackethandler.h"

// Display name of an ACI type code ("INT8", "SINGLE", "STRUCT with size 12", ...).
QString aciTypeName(quint16 code);

class ComACI : public QThread, public KorvelAciLink {
    Q_OBJECT
public:
    explicit ComACI(QObject *parent = nullptr);
    ~ComACI() override;

    // KorvelAciLink
    QObject *aciObject() override { return this; }
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

    // State, for the planner and for tests.
    bool isDeviceOpen() const { return m_deviceOpen.loadAcquire() != 0; }
    bool isUploadActive() const { return m_uploadActive; }
    bool isFlightActive() const { return m_flightActive; }
    int uploadedCount() const { return m_uploaded; }
    int waypointCount() const { return m_waypoints.size(); }
    ZEPH_WAYPOINT waypointAt(int index) const { return m_waypoints.value(index); }

signals:
    void aciAvailableVars(QList<QStringList> list);
    void aciAvailableCmds(QList<QStringList> list);
    void aciAvailablePars(QList<QStringList> list);
    void heightUpdate(double value);
    void pitchUpdate(double value);
    void rollUpdate(double value);
    void yawUpdate(double value);
    void gpsQuality(int value);
    void gpsHeightUpdate(double value);
    void gpsPosUpdate(double lon, double lat);
    void flightimeUpdate(ushort value);
    void velocityUpdate(double value);
    void gasSensorUpdate(int value);
    void batteryVoltageUpdate(double value);
    void batteryQuality(int value);
    void syncStatusUpdated(uchar status, uchar percent);
    void initDone();
    void errorTexts(QStringList texts);
    void coreTexts(QStringList texts);
    void homePositionUpdate(ZEPH_MSG_HOME_POSITION pos);
    void write2Device(QByteArray data);
    void aciNavStatus(ZEPH_MSG_NAVIGATION_STATUS status);
    void linkInfo(ZEPH_RF_API_LINKINFO_REDUCED info);
    void waypointUploadStatus(int id, int count, int total);
    void waypointFlightStarted(bool started);
    void navTravelTo0();
    void navWPFinished(int wp);
    void navfly2WP(int wp);
    void navStop();
    void navflyHome();
    void navInterrupted();

public slots:
    void listvariables();
    void listcommands();
    void listparameters();
    void listall();
    void varUpdate();
    void deviceClosed() override;
    void waypointHandler();

protected:
    void run() override;

private:
    enum class Seq { First, Next, Keep };
    void sendJoystick();
    void sendWaypointCommand(quint8 command, Seq seq, quint16 crc = 0, const ZEPH_WAYPOINT *data = nullptr);
    void sendWaypoint(int number, bool resend);
    // The aircraft asked for the list again from its first waypoint.
    void restartUpload();
    void requestWaypointStatus();
    void startWaypointFlight();
    void handleWaypointResponse();
    void handleNavigationStatus();
    QList<QStringList> toRows(const QList<ComACISingleTon::Row> &rows) const;

    QAtomicInt m_deviceOpen{0};
    QMutex m_joystickMutex;
    std::unique_ptr<JoystickSource> m_joystick;
    QAtomicInt m_joystickMissingLogged{0};  // reset by each connection
    quint8 m_joystickCounter = 0;          // worker thread only

    // Last values seen.
    quint8 m_gpsQuality = 200;
    quint16 m_gas = 0xFFFF;
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
};
