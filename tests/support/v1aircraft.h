#pragma once
// A simulated aircraft that speaks the V1 link protocol, for tests. It serves
// one peer over a TCP server on 127.0.0.1 or over a pseudo-terminal pair made
// by socat (so the program's real QSerialPort path runs), answers waypoint
// uploads with acknowledgements and can inject faults. Its framing and CRC
// are written independently of the program's, so the two check each other.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTemporaryDir>

class QIODevice;
class QProcess;
class QTcpServer;

namespace KorvelTest {

class V1Aircraft : public QObject {
    Q_OBJECT
public:
    // ---- Wire helpers ----
    static quint16 crc(const QByteArray &data);
    static QByteArray frame(quint8 descriptor, const QByteArray &data);
    static QByteArray ack(quint8 code = 0x24);  // ">a" code "a<"
    // Link record (descriptor 96): presence flags, bad and good counts.
    static QByteArray linkRecord(quint8 upGood = 90, quint8 downGood = 100, quint8 upBad = 10,
                                 quint8 downBad = 0);
    // Third low-priority record (descriptor 100).
    static QByteArray lowPrio3(quint16 navStatus, quint16 used = 100, quint16 full = 1000,
                               quint8 batteryCode = 1);

    explicit V1Aircraft(QObject *parent = nullptr);
    ~V1Aircraft() override;

    // TCP on 127.0.0.1 with a free port; the first peer that connects is served.
    bool listenTcp(quint16 port = 0);  // 0: any free port
    quint16 tcpPort() const;
    // A socat pseudo-terminal pair; the program opens programPort().
    bool openPty();
    QString programPort() const { return m_programPort; }

    bool hasPeer() const;
    void send(const QByteArray &bytes);
    void sendFrame(quint8 descriptor, const QByteArray &data) { send(frame(descriptor, data)); }
    void sendLink() { sendFrame(96, linkRecord()); }
    void sendNavStatus(quint16 nav) { sendFrame(100, lowPrio3(nav)); }
    // Drops the link: closes the TCP connection, or ends socat for the pty.
    void closeLink();

    // ---- Behaviour and fault injection ----
    bool autoAck = true;            // acknowledge every waypoint received
    int dropAcks = 0;               // swallow the next n acknowledgements
    int corruptAcks = 0;            // send the next n acknowledgements with a wrong code
    bool silent = false;            // send nothing at all (also no acknowledgements)
    int closeAfterWaypoints = -1;   // drop the link after this many waypoint frames

    // ---- Automatic flight ----
    // Each acknowledged waypoint is reached flyDelayMs later: the navigation
    // bits "within 20 m", "at the position" and "waypoint done" rise together
    // and fall in the next record, so the next reach rises again.
    bool autoFly = false;
    int flyDelayMs = 30;
    int reached = 0;                // waypoints reported reached
    int comeHomeRequests() const { return count(QByteArrayLiteral(">*>wh")); }

    // One round of the records behind every status widget: link (96), high
    // priority (97: battery voltage, GPS quality, speed, yaw), low priority
    // (98: flight time, satellites, position), height (99) and battery (100).
    struct Telemetry {
        double voltage = 16.4;
        int gpsQuality = 80;
        double speed = 3.2;
        double yaw = 90;
        int flightTime = 65;        // s, 11 bits
        int satellites = 9;
        double longitude = 11.005, latitude = 48.005;
        double height = 12.5;       // m
        quint16 batteryUsed = 250, batteryFull = 1000;
        quint8 batteryCode = 1;
    };
    void sendTelemetry(const Telemetry &t);

    // ---- What the aircraft received ----
    QList<QByteArray> waypoints;    // 28-byte records of every ">*>ws" frame, resends included
    QList<QByteArray> requests;     // every complete request frame
    QByteArray raw;                 // every byte received, in order
    int count(const QByteArray &request) const;

signals:
    void peerConnected();
    void waypointReceived(int count);
    void waypointReached(int count);
    void requestReceived(QByteArray request);

private:
    void attach(QIODevice *device);
    void onReadyRead();
    void parse();
    void reachLater();

    QTcpServer *m_server = nullptr;
    QPointer<QIODevice> m_peer;
    QProcess *m_socat = nullptr;
    QTemporaryDir m_ptyDir;
    QString m_programPort;
    QByteArray m_in;
};

}  // namespace KorvelTest
