#pragma once
// The one program-wide owner of the ACI engine state block. It guards the
// engine with a recursive mutex, turns the engine's callbacks into signals and
// holds the fields the engine unpacks telemetry into and takes command values
// from. ComACI is its only client.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QRecursiveMutex>
#include <QString>

#include "link/aciengine.h"
#include "link/acirecords.h"

class ComACISingleTon : public QObject {
    Q_OBJECT
public:
    // Destinations of the bound variables and commands; each array is the
    // room the field gives (a variable declared larger is not bound).
    struct Fields {
        quint8 gpsHeight[4] = {};      // 146
        quint8 gpsQuality[4] = {};     // 141
        quint8 var140[4] = {};         // 140
        quint8 flightTime[2] = {};     // 139
        quint8 height[4] = {};         // 137
        quint8 longitude[4] = {};      // 132
        quint8 latitude[4] = {};       // 131
        quint8 attitude[12] = {};      // 138: pitch, roll, yaw
        quint8 velocity[4] = {};       // 136
        quint8 statusCount[4] = {};    // 35
        quint8 var36[62] = {};         // 36
        quint8 batteryVoltage[2] = {}; // 130
        quint8 wpResponse[6] = {};     // 145
        quint8 navStatus[15] = {};     // 154
        quint8 homePosition[21] = {};  // 155
        quint8 var169[2] = {};         // 169
        quint8 capacity[2] = {};       // 172
        quint8 capacityUsed[2] = {};   // 171
        quint8 gas[2] = {};            // 2304
        quint8 ack[1] = {};            // 142
        quint8 var39[4] = {};          // 39
        quint8 statusText[43] = {};    // 37
        // Command sources.
        quint8 wpCommand[6] = {};      // command 5
        ZEPH_WAYPOINT wpData;          // command 4
        quint8 simpleQueue[8] = {};    // command 2
        // Whether this connection's aircraft has sent the value yet: until
        // then the field holds zeros or the last connection's value.
        bool gpsQualityReceived = false;
        bool gasReceived = false;
        quint32 gasReadings = 0;  // grows with every gas value the aircraft sends
    };

    struct Row {
        quint16 id = 0;
        quint16 type = 0;
        QString name;         // text B
        QString unit;         // text C
        QString description;  // text A
    };

    static ComACISingleTon *instance();

    // The engine state block; renew discards the current one for a fresh one.
    AciEngine *engine(bool renew = false);
    QRecursiveMutex *mutex() { return &m_mutex; }

    void init();
    void tick();
    void receiveBytes(const QByteArray &bytes);
    void sendSimpleCommand(quint8 command);
    void setWaypointCommand(quint32 bytes0to3, quint16 bytes4to5);
    void setWaypointData(ZEPH_WAYPOINT wp);
    void sendCommandPacket(int unused = 0);
    // Sends one frame of the given payload to an explicit address, locked.
    void sendFrame(quint8 messageId, quint8 destination, quint8 source, const QByteArray &payload);

    QList<Row> variableRows();
    QList<Row> commandRows();
    QList<Row> parameterRows();

    // A consistent copy of the bound fields, taken under the mutex.
    Fields fields();
    // Slots of the simple-command queue still waiting for acknowledgement.
    int pendingSimpleCommands();

signals:
    void varListUpdateFinished();
    void cmdListUpdateFinished();
    void parListUpdateFinished();
    void variableUpdated();
    void syncStatusUpdated(uchar status, uchar percent);
    void writeData(QByteArray data);
    void linkInfo(ZEPH_RF_API_LINKINFO_REDUCED info);

public slots:
    void comACIGetDeviceVarList();
    void comACIGetDeviceCmdList();
    void comACIGetDeviceParList();
    void initPackets();

private:
    ComACISingleTon();
    ~ComACISingleTon() override;
    void checkSimpleCommandAck();
    QList<Row> rows(AciListEntry *(*at)(AciEngine *, int), uint16_t (*count)(const AciEngine *));

    static void sendData(const uint8_t *frame, uint16_t length);
    static void varListUpdated();
    static void cmdListUpdated();
    static void parListUpdated();
    static void syncStatus(uint8_t list, uint8_t percent);
    static void rawDataReceived(uint8_t source, uint8_t messageId, const uint8_t *data, uint16_t length);
    static void debugText(const char *text);

    QRecursiveMutex m_mutex;
    AciEngine *m_engine = nullptr;
    quint32 m_engineGasReadings = 0;
    Fields m_fields;
    qint32 m_ackCountdown = 200;
    quint8 m_lastAck = 0;
    ZEPH_RF_API_LINKINFO_REDUCED m_linkInfo;
};
