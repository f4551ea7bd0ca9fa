#pragma once
// The one link object of the program: owns the open device (serial port or
// TCP socket), detects whether the aircraft speaks V1 or ACI, routes received
// bytes to that protocol, writes every frame either protocol produces and
// raises one common set of telemetry signals for the status line, the
// planning window and the main window.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <functional>

#include "link/acirecords.h"
#include "link/v1records.h"

class QIODevice;
class ComV1;
class ComTracer;

// The protocol the aircraft speaks on the current link; the values are the
// ones logged and compared since the first versions.
enum class LinkProtocol : int { None = 0, V1 = 1, Aci = 2 };

// What the handler needs of the ACI side of the link, and the signals it
// forwards from there. ComACI implements it; tests put a stand-in there.
class KorvelAciLink : public QObject {
    Q_OBJECT
public:
    explicit KorvelAciLink(QObject *parent = nullptr) : QObject(parent) {}
    ~KorvelAciLink() override = default;
    virtual void initDevice() = 0;             // ACI chosen: create the engine, ask the lists
    virtual void deviceClosed() = 0;           // link closed: stop ticking, forget the upload
    virtual void receiveData(QByteArray data) = 0;
    virtual void comeHome() = 0;
    virtual void clearWaypoints() = 0;
    virtual void addWaypoint(ZEPH_WAYPOINT wp, int kind) = 0;
    virtual void startWaypointUpload() = 0;
    virtual int stopWaypointFlight() = 0;
    // Ends the worker thread and waits for it; called before destruction.
    virtual void shutdown() = 0;

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
};

class KorvelPacketHandler : public QObject {
    Q_OBJECT
public:
    // Makes the ACI side of every handler constructed afterwards (tests put a
    // stand-in there). Unset, the handler creates ComACI; a factory that
    // returns nullptr leaves the handler without an ACI side.
    using AciFactory = std::function<KorvelAciLink *()>;
    static void setAciFactory(AciFactory factory);

    explicit KorvelPacketHandler(QObject *parent = nullptr);
    ~KorvelPacketHandler() override;

    void setDevice(QIODevice *device);
    bool isConnected();
    QIODevice *device() const { return m_device; }
    // The protocol in use, and its number as logged.
    LinkProtocol protocol() const { return m_comType; }
    int comType() const { return int(m_comType); }

    // V1 waypoint flight
    void clearV1Waypoints();
    void addV1Waypoint(WAYPOINT wp);
    int setV1WPaborted(bool aborted);
    bool startV1WaypointFlight(int start);
    void nextV1Waypoint();
    int v1WaypointCount() const { return m_v1Waypoints.size(); }
    bool isV1FlightActive() const { return m_v1Active; }

    // ACI waypoint flight, forwarded to the ACI side
    void clearAciWaypoints();
    void addAciWaypoint(ZEPH_WAYPOINT wp, int kind);
    void startAciWaypointUpload();
    int stopAciWaypointFlight();

    ComV1 *comV1() const { return m_comV1; }
    KorvelAciLink *comACI() const { return m_comACI; }
    ComTracer *tracer() const { return m_tracer; }

    // Timings, shortened by tests.
    void setDetectionInterval(int ms);
    void setV1ResendInterval(int ms);
    bool isDetecting() const { return m_detectionTimer.isActive(); }
    Qt::TimerType v1ResendTimerType() const { return m_v1ResendTimer.timerType(); }

    // Last values raised (the status line reads them when it is created).
    int linkQuality() const { return m_linkQuality; }
    int gpsQuality() const { return m_gpsQuality; }
    int batteryQuality() const { return m_batteryQuality; }
    double batteryVoltageValue() const { return m_batteryVoltage; }
    double heightValue() const { return m_height; }
    double longitude() const { return m_longitude; }
    double latitude() const { return m_latitude; }

    // Clears the edge memory kept for the whole program (preset bit and
    // navigation status). Only tests need it.
    static void resetEdgeMemory();

signals:
    void deviceOpened();
    void deviceClosed();
    void conStatusChanged();
    void linkQualityUpdate(int value);
    void gpsQualityUpdate(int value);
    void batteryQualityUpdate(int value);
    void batteryState(int value);
    void windState(int value);
    void batteryVoltage(double value);
    void pitchUpdate(double value);
    void rollUpdate(double value);
    void yawUpdate(double value);
    void heightUpdate(double value);
    void gpsheightUpdate(double value);
    void velocityUpdate(double value);
    void gpsPosUpdate(double lon, double lat);
    void numberSatUpdate(int value);
    void flightimeUpdate(unsigned short value);
    void horizontalaccUpdate(double value);
    void verticalaccUpdate(double value);
    void flightModeUpdate(int value);
    void gasSensorUpdate(int value);
    void camangle(double value);
    void motorState(bool value);
    void homePositionDistance(double value);
    void versionLLUpdate(double value);
    void versionHLUpdate(double value);
    void versionDivUpdate(double value);
    void versionDivLCDUpdate(double value);
    void camUpdate(int value);
    void wpV1reachedPos();
    void wpV1Finished();
    void wpV1Sending();
    void wpV1Flying(int wp);
    void wpV1reachedPos20m();
    void wpV1Pilotaborted();
    void wpV1waypointreached(int wp);
    void recordGPS(double lon, double lat);
    void unmarkSince(int wp);
    void aciAvailableVars(QList<QStringList> list);
    void aciAvailableCmds(QList<QStringList> list);
    void aciAvailablePars(QList<QStringList> list);
    void comV1using();
    void comACIusing();
    void coreErrorText(QStringList texts);
    void presetHarlek();
    void gpsPosChanged(QPointF pos);
    void portNameListChanged();
    void syncStatusUpdated(uchar a, uchar b);
    void waypointUploadStatus(int id, int count, int total);
    void waypointFlightStarted(bool started);
    void homePosition(double lon, double lat);
    void aciNavStatus(ZEPH_MSG_NAVIGATION_STATUS status);

public slots:
    void closeDevice();
    void recdata();
    void packetLCDINFOLINK(LCD_INFO_LINK r);
    void packetLCDINFOLINKNEW(LCD_INFO_LINK_NEW r);
    void packetLCDINFOHIGHPRIO(LCD_INFO_HIGH_PRIO r);
    void packetLCDINFOLOWPRIO(LCD_INFO_LOW_PRIO r);
    void packetLCDINFOLOWPRIO2(LCD_INFO_LOW_PRIO_PART2 r);
    void packetLCDINFOLOWPRIO3(LCD_INFO_LOW_PRIO_PART3 r);
    void v3LinkInfo(ZEPH_RF_API_LINKINFO_REDUCED r);
    void packetbuildinfo(BUILD_INFO r);
    void packetbuildinfoLL(BUILD_INFO_LL r);
    void packetbuildinfoHL(BUILD_INFO r);
    void packetbuildinfoDiv(BUILD_INFO r);
    void packetbuildinfoDivLCD(BUILD_INFO r);
    void packetHLEEPROM(HL_EEPROM_INFO r);
    void wpV1sendWP();
    void ackV1Waypoint();
    void serialError(QSerialPort::SerialPortError error);
    void comTypeTimerTimeout();
    void sendBatteryType(int type);
    void sendEmergencyMode(int mode);
    void unblockHarlek();
    void comeHome();
    void writeData2SerialDev(QByteArray data);
    void zephrinHomePostition(ZEPH_MSG_HOME_POSITION r);
    void testData();
    void zephrinpitchUpdate(double value);
    void zephrinrollUpdate(double value);
    void zephrinyawUpdate(double value);
    void zephringpsQualityUpdate(int value);
    void zephringpsPosUpdate(double lon, double lat);
    void zephrinflightimeUpdate(ushort value);
    void zephringpsheightUpdate(double value);
    void zephrinbatteryVoltage(double value);
    void zephrinvelocityUpdate(double value);
    void zephrinBatteryQuali(int value);

private:
    void linkRecord(int upPresent, int downPresent, int upBad, int downBad, int upGood,
                    int downGood);
    void wireAci();

    QPointer<QIODevice> m_device;
    ComV1 *m_comV1 = nullptr;
    KorvelAciLink *m_comACI = nullptr;
    ComTracer *m_tracer = nullptr;
    LinkProtocol m_comType = LinkProtocol::None;
    bool m_closing = false;
    QTimer m_detectionTimer;
    QTimer m_testDataTimer;

    // V1 waypoint flight
    QVector<WAYPOINT> m_v1Waypoints;
    int m_v1Index = 1;
    int m_v1Offset = 0;
    bool m_v1Active = false;
    bool m_v1Aborted = true;
    QTimer m_v1ResendTimer;

    // Last values
    int m_linkQuality = 0;
    int m_gpsQuality = 0;
    int m_gpsQualityRecord = 0;
    int m_batteryQuality = 0;
    int m_batteryState = 0;
    int m_windState = 0;
    int m_flightMode = 0;
    double m_batteryVoltage = 0;
    double m_pitch = 0;
    double m_roll = 0;
    double m_yaw = 0;
    double m_height = 0;
    double m_speed = 0;
    double m_longitude = 0;
    double m_latitude = 0;
    double m_horAcc = 0;
    double m_vertAcc = 0;
    double m_camAngle = 0;
    double m_versionLL = 0;
    double m_versionHL = 0;
    double m_versionDiv = 0;
    double m_versionDivLCD = 0;
    int m_satellites = 0;
    int m_flightTime = 0;
    int m_camera = 0;
};
