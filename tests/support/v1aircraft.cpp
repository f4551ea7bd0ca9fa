#include "support/v1aircraft.h"


#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

#include "support/testkit.h"

namespace KorvelTest {

quint16 V1Aircraft::crc(const QByteArray &data)
{
    // Reflected CRC-16, polynomial 0x8408, start 0x00FF, no final inversion.
    quint16 crc = 0x00FF;
    for (char c : data) {
        crc ^= quint8(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0x8408) : quint16(crc >> 1);
    }
    return crc;
}

QByteArray V1Aircraft::frame(quint8 descriptor, const QByteArray &data)
{
    QByteArray f(">*>");
    f.append(char(data.size() & 0xFF)).append(char((data.size() >> 8) & 0xFF));
    f.append(char(descriptor));
    f.append(data);
    const quint16 c = crc(data);
    f.append(char(c & 0xFF)).append(char(c >> 8));
    f.append("<#<");
    return f;
}

QByteArray V1Aircraft::ack(quint8 code)
{
    QByteArray a(">a");
    a.append(char(code)).append("a<");
    return a;
}

QByteArray V1Aircraft::linkRecord(quint8 upGood, quint8 downGood, quint8 upBad, quint8 downBad)
{
    QByteArray r(10, '\0');
    r[0] = 1;
    r[1] = 1;
    r[2] = char(upBad);
    r[3] = char(downBad);
    r[4] = char(upGood);
    r[5] = char(downGood);
    return r;
}

QByteArray V1Aircraft::lowPrio3(quint16 navStatus, quint16 used, quint16 full, quint8 batteryCode)
{
    QByteArray r(12, '\0');
    qToLittleEndian<quint16>(used, r.data());
    qToLittleEndian<quint16>(full, r.data() + 2);
    qToLittleEndian<quint16>(navStatus, r.data() + 4);
    r[10] = char(batteryCode);
    return r;
}

V1Aircraft::V1Aircraft(QObject *parent) : QObject(parent) {}

V1Aircraft::~V1Aircraft()
{
    if (m_peer)
        m_peer->close();
    if (m_socat) {
        m_socat->terminate();
        if (!m_socat->waitForFinished(2000))
            m_socat->kill();
        m_socat->waitForFinished(2000);
    }
}

bool V1Aircraft::listenTcp(quint16 port)
{
    m_server = new QTcpServer(this);
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *s = m_server->nextPendingConnection()) {
            if (m_peer) {
                s->close();  // one aircraft, one peer
                s->deleteLater();
                continue;
            }
            s->setParent(this);
            attach(s);
        }
    });
    return m_server->listen(QHostAddress::LocalHost, port);
}

quint16 V1Aircraft::tcpPort() const
{
    return m_server ? m_server->serverPort() : 0;
}

bool V1Aircraft::openPty()
{
    if (!m_ptyDir.isValid())
        return false;
    m_programPort = m_ptyDir.filePath(QStringLiteral("program"));
    const QString air = m_ptyDir.filePath(QStringLiteral("aircraft"));
    m_socat = new QProcess(this);
    m_socat->setProgram(QStringLiteral("socat"));
    m_socat->setArguments({QStringLiteral("pty,raw,echo=0,link=") + m_programPort,
                           QStringLiteral("pty,raw,echo=0,link=") + air});
    m_socat->start();
    if (!m_socat->waitForStarted(kWaitMs))
        return false;
    if (!waitFor([&] { return QFileInfo::exists(m_programPort) && QFileInfo::exists(air); }))
        return false;
    auto *port = new QSerialPort(this);
    port->setPortName(air);
    if (!port->open(QIODevice::ReadWrite)) {
        delete port;
        return false;
    }
    port->setBaudRate(57600);
    attach(port);
    return true;
}

bool V1Aircraft::hasPeer() const
{
    return m_peer && m_peer->isOpen();
}

void V1Aircraft::attach(QIODevice *device)
{
    m_peer = device;
    connect(device, &QIODevice::readyRead, this, &V1Aircraft::onReadyRead);
    if (auto *s = qobject_cast<QTcpSocket *>(device))
        connect(s, &QTcpSocket::disconnected, s, [s] { s->close(); });
    emit peerConnected();
}

void V1Aircraft::send(const QByteArray &bytes)
{
    if (silent || !hasPeer())
        return;
    m_peer->write(bytes);
    if (auto *port = qobject_cast<QSerialPort *>(m_peer.data()))
        port->flush();
}

void V1Aircraft::closeLink()
{
    if (m_socat) {
        if (m_peer)
            m_peer->close();
        m_socat->terminate();
        m_socat->waitForFinished(kWaitMs);
        return;
    }
    if (auto *s = qobject_cast<QTcpSocket *>(m_peer.data()))
        s->disconnectFromHost();
}

int V1Aircraft::count(const QByteArray &request) const
{
    int n = 0;
    for (const QByteArray &r : requests)
        n += r.startsWith(request) ? 1 : 0;
    return n;
}

void V1Aircraft::onReadyRead()
{
    if (!m_peer)
        return;
    const QByteArray bytes = m_peer->readAll();
    raw.append(bytes);
    m_in.append(bytes);
    parse();
}

void V1Aircraft::parse()
{
    while (!m_in.isEmpty()) {
        int need = 0;
        if (m_in.startsWith("##+#")) {
            need = 20;
        } else if (m_in.startsWith(">*>")) {
            if (m_in.size() < 4)
                return;
            switch (m_in.at(3)) {
            case 'w':
                if (m_in.size() < 5)
                    return;
                need = m_in.at(4) == 's' ? 33 : 5;
                break;
            case 'I': need = 4; break;
            case 'F': need = 4; break;
            case 'V': need = 5; break;
            case 'c': need = 9; break;
            default: need = 0; break;
            }
        } else if (QByteArray(">*>").startsWith(m_in.left(3)) || QByteArray("##+#").startsWith(m_in.left(4))) {
            return;  // a prefix of a request: wait for more
        }
        if (need == 0) {
            m_in.remove(0, 1);  // noise
            continue;
        }
        if (m_in.size() < need)
            return;
        const QByteArray request = m_in.left(need);
        m_in.remove(0, need);
        requests << request;
        emit requestReceived(request);
        if (request.startsWith(">*>ws")) {
            waypoints << request.mid(5);
            emit waypointReceived(waypoints.size());
            if (closeAfterWaypoints >= 0 && waypoints.size() >= closeAfterWaypoints) {
                closeLink();
                return;
            }
            if (!autoAck)
                continue;
            if (dropAcks > 0) {
                --dropAcks;
                continue;
            }
            if (corruptAcks > 0) {
                --corruptAcks;
                send(ack(0x25));
                continue;
            }
            send(ack());
            if (autoFly)
                reachLater();
        }
    }
}

void V1Aircraft::reachLater()
{
    QTimer::singleShot(flyDelayMs, this, [this] {
        if (!hasPeer())
            return;
        ++reached;
        send(frame(100, lowPrio3(0x0007)) + frame(100, lowPrio3(0)));
        emit waypointReached(reached);
    });
}

void V1Aircraft::sendTelemetry(const Telemetry &t)
{
    QByteArray high(12, '\0');
    high[0] = char(qRound(t.voltage * 10));
    high[1] = char(t.gpsQuality & 0x7F);
    high[2] = char(qRound(t.speed * 10));
    qToLittleEndian<quint16>(quint16(qRound(t.yaw * 100)), high.data() + 10);
    QByteArray low(12, '\0');
    qToLittleEndian<quint16>(quint16((t.flightTime & 0x07FF) | (t.satellites << 12)), low.data());
    qToLittleEndian<qint32>(qint32(qRound(t.latitude * 1e7)), low.data() + 2);
    qToLittleEndian<qint32>(qint32(qRound(t.longitude * 1e7)), low.data() + 6);
    QByteArray low2(12, '\0');
    qToLittleEndian<qint16>(qint16(qRound(t.height * 10)), low2.data() + 10);
    send(frame(96, linkRecord()) + frame(97, high) + frame(98, low) + frame(99, low2) +
         frame(100, lowPrio3(0, t.batteryUsed, t.batteryFull, t.batteryCode)));
}

}  // namespace KorvelTest
