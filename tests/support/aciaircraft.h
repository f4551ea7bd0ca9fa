#pragma once
// A simulated aircraft that speaks the ACI protocol, for tests. It answers
// list negotiation (magic codes, headers, items), acknowledges packet
// configurations, streams both variable packets, takes command packets
// (waypoint commands, waypoint data, simple commands) and reports waypoint
// responses and navigation status through its variables. It serves one peer
// over TCP on 127.0.0.1 or a pseudo-terminal, or is fed bytes directly.
// Its framing and checksum are written independently of the program's.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

class QTcpServer;
class QTimer;
class QTcpSocket;
class QSocketNotifier;

namespace KorvelTest {

class AciAircraft : public QObject {
    Q_OBJECT
public:
    struct Item {
        quint16 id = 0;
        quint16 type = 0;
        QByteArray name;         // text B
        QByteArray description;  // text A
        QByteArray unit;         // text C
    };
    struct Frame {
        quint8 destination = 0, source = 0, id = 0;
        QByteArray payload;
    };

    // ---- Wire helpers ----
    static quint16 crc(const QByteArray &data, quint16 start = 0x00FF);
    static QByteArray frame(quint8 destination, quint8 source, quint8 id, const QByteArray &payload);
    static QByteArray itemRecord(const Item &item);  // 132 bytes
    static QByteArray le16(quint16 v);
    static QByteArray le32(quint32 v);

    explicit AciAircraft(QObject *parent = nullptr);
    ~AciAircraft() override;

    // The aircraft's lists (defaults: the variables and commands the ground
    // station binds, a few extra variables and two parameters).
    QList<Item> variables, commands, parameters;
    QByteArray magicCodes() const;  // the 12-byte reply to message 98

    // ---- Transports ----
    bool listenTcp(quint16 port = 0);  // 0: any free port
    quint16 tcpPort() const;
    bool openPty();  // the program opens programPort() as a serial port
    QString programPort() const { return m_ptyName; }
    bool hasPeer() const;

    // Bytes from the ground station, in any split.
    void feed(const QByteArray &bytes);

    // ---- Telemetry ----
    void setValue(quint16 varId, const QByteArray &bytes);
    QByteArray value(quint16 varId) const { return m_values.value(varId); }
    void setFloat(quint16 varId, float v);
    void setInt32(quint16 varId, qint32 v) { setValue(varId, le32(quint32(v))); }
    void setUInt16(quint16 varId, quint16 v) { setValue(varId, le16(v)); }
    // Sends packet 0 and packet 1 data as configured (nothing before that).
    void sendVarPackets();
    void sendNavStatus(quint32 status, quint16 currentId, float distance = 0);
    void sendLinkInfo(quint8 a, quint8 b, quint8 c, quint8 d);  // raw frame from 0x30
    void sendRaw(const QByteArray &bytes);  // bytes as they are, to the peer

    // ---- What the aircraft saw ----
    QList<Frame> received;                 // every good frame from the station
    qint64 bytesReceived = 0;              // every byte fed, good frames or not
    int countReceived(quint8 id) const;
    QList<QByteArray> joystickPayloads;
    QList<quint8> simpleCommands;          // in the order they were acknowledged
    QList<quint8> waypointCommands;        // command byte of every new sequence number
    QVector<QByteArray> storedWaypoints;   // 42-byte records accepted
    bool flying() const { return m_flying; }
    QVector<quint16> packetIds(int packet) const { return m_packetIds[packet]; }

    // ---- Fault injection ----
    bool answerMagic = true;        // answer message 98
    int dropItemRequests = 0;       // ignore this many item requests
    int crcErrorOnWaypoint = 0;     // report a checksum error once for this waypoint number
    int bufferFullOnWaypoint = 0;   // report a full buffer once for this waypoint number
    int bufferCapacity = 100;       // free slots reported after an accepted waypoint
    int ignoreWaypointFrom = 0;     // no answer at all to waypoints from this number on
    bool ackSimpleCommands = true;  // raise the acknowledgement bit of simple commands
    bool autoPackets = true;        // send variable packets after every response
    bool corruptNextFrame = false;  // flip one payload bit of the next frame sent

    // ---- Automatic flight ----
    // Once a flight starts, every flyDelayMs the aircraft first heads for
    // the next stored waypoint (status 4 with its number), then reaches it
    // (status 0x80); after the last it reports the end (status 1). A stop
    // or come-home ends the flight where it is.
    bool autoFly = false;
    int flyDelayMs = 30;
    int reached = 0;                // waypoints reported reached

    // The values behind every status widget, gas reading included.
    struct Telemetry {
        float height = 12.5f;       // m
        double longitude = 11.005, latitude = 48.005;
        double homeLongitude = 11.0, homeLatitude = 48.0;
        quint16 flightTime = 650;   // 0.1 s
        quint16 capacity = 5000, capacityUsed = 1250;
        quint16 millivolts = 16800;
        qint32 velocity = 3500;     // mm/s
        quint8 gpsStatus = 0x55;
        quint16 gas = 222;
    };
    void setTelemetry(const Telemetry &t);

signals:
    void output(QByteArray bytes);  // every frame sent to the station
    void waypointReached(int number);
    void peerConnected();

private:
    void sendFrame(quint8 id, const QByteArray &payload, quint8 source = 0x00);
    void handle(const Frame &f);
    void handleCommandPacket(const QByteArray &payload);
    void waypointCommand(quint8 command, quint16 param, const QByteArray &data);
    void respond(quint8 kind, quint16 command, quint16 status);
    const QList<Item> *listFor(quint8 msg) const;
    int sizeOf(quint16 varId) const;
    int cmdSize(quint16 cmdId) const;
    void write(const QByteArray &bytes);

    // Receiver.
    QByteArray m_rx;

    QHash<quint16, QByteArray> m_values;
    QVector<quint16> m_packetIds[2];
    quint8 m_packetCheck[2] = {};
    bool m_packetConfigured[2] = {};
    QVector<quint16> m_cmdIds;
    quint8 m_cmdCheck = 0;
    quint8 m_lastSeq = 0;
    quint8 m_ackByte = 0;
    quint8 m_responseCounter = 0;
    quint8 m_navCounter = 0;
    bool m_flying = false;
    void flyStep();
    QTimer *m_flyTimer = nullptr;
    bool m_atEnd = false;           // holding at the last stored waypoint
    int m_flyIndex = 0;             // twice the stored waypoint index, plus the phase
    bool m_crcErrorDone = false;
    bool m_bufferFullDone = false;

    QTcpServer *m_server = nullptr;
    QPointer<QTcpSocket> m_socket;
    int m_ptyMaster = -1;
    QString m_ptyName;
    QSocketNotifier *m_ptyNotifier = nullptr;
};

}  // namespace KorvelTest
