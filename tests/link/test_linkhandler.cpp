// The link handler against the simulated V1 aircraft: protocol detection,
// hand-over to ACI, commands, lost links and the V1 waypoint flight.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstring>

#include "link/comtracer.h"
#include "link/comv1.h"
#include "link/korvelpackethandler.h"
#include "support/testkit.h"
#include "support/v1aircraft.h"

using KorvelTest::V1Aircraft;
using KorvelTest::waitFor;

// Stands in for ComACI: records what the handler asks of the ACI side.
class FakeAci : public KorvelAciLink {
    Q_OBJECT
public:
    void initDevice() override { ++inits; }
    void deviceClosed() override { ++closes; }
    void receiveData(QByteArray data) override { received += data; }
    void comeHome() override { ++homes; }
    void clearWaypoints() override { kinds.clear(); }
    void addWaypoint(ZEPH_WAYPOINT, int kind) override { kinds << kind; }
    void startWaypointUpload() override { ++uploads; }
    int stopWaypointFlight() override { return 7; }
    void shutdown() override { ++(*shutdowns); }

    int inits = 0, closes = 0, homes = 0, uploads = 0;
    int *shutdowns = nullptr;
    QByteArray received;
    QList<int> kinds;
};

namespace {
QTcpSocket *connectTo(V1Aircraft &air)
{
    auto *s = new QTcpSocket;
    s->connectToHost(QHostAddress::LocalHost, air.tcpPort());
    if (!s->waitForConnected(KorvelTest::kWaitMs) || !waitFor([&] { return air.hasPeer(); })) {
        delete s;
        return nullptr;
    }
    return s;
}

WAYPOINT waypoint(int n)
{
    WAYPOINT wp{};
    wp.wp_number = 1;
    wp.properties = 0x37;
    wp.max_speed = quint8(50 + n);
    wp.X = 116000000 + n;
    wp.Y = 480000000 + n;
    wp.chksum = v1WaypointChecksum(wp);
    return wp;
}

QByteArray bytesOf(const WAYPOINT &wp)
{
    return QByteArray(reinterpret_cast<const char *>(&wp), int(sizeof wp));
}
}  // namespace

class TestLinkHandler : public QObject {
    Q_OBJECT

    int m_shutdowns = 0;
    FakeAci *m_aci = nullptr;

private slots:
    void init()
    {
        KorvelPacketHandler::resetEdgeMemory();
        KorvelPacketHandler::setAciFactory([this] {
            m_aci = new FakeAci;
            m_aci->shutdowns = &m_shutdowns;
            return m_aci;
        });
    }
    void cleanup() { KorvelPacketHandler::setAciFactory(nullptr); }

    void v1LinkRecordSelectsV1Once()
    {
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        QSignalSpy v1(&h, &KorvelPacketHandler::comV1using);
        QSignalSpy opened(&h, &KorvelPacketHandler::deviceOpened);
        QSignalSpy quality(&h, &KorvelPacketHandler::linkQualityUpdate);
        h.setDevice(connectTo(air));
        QVERIFY(h.isConnected());
        QVERIFY(h.isDetecting());
        air.sendLink();
        air.sendLink();
        QVERIFY(waitFor([&] { return quality.count() == 2; }));
        QCOMPARE(v1.count(), 1);
        QCOMPARE(h.comType(), 1);
        QVERIFY(!h.isDetecting());
        QCOMPARE(quality.at(0).at(0).toInt(), 95);
        QCOMPARE(opened.count(), 0);
        QCOMPARE(m_aci->inits, 0);
    }

    void silenceSelectsAciAfter3000ms()
    {
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        QSignalSpy opened(&h, &KorvelPacketHandler::deviceOpened);
        QSignalSpy v1(&h, &KorvelPacketHandler::comV1using);
        QElapsedTimer clock;
        clock.start();
        h.setDevice(connectTo(air));
        QVERIFY(waitFor([&] { return opened.count() == 1; }));
        QVERIFY(clock.elapsed() >= 2900);
        QCOMPARE(h.comType(), 2);
        QCOMPARE(m_aci->inits, 1);

        // Later bytes go to the ACI side and can no longer select V1.
        const QByteArray link = V1Aircraft::frame(96, V1Aircraft::linkRecord());
        air.send(link);
        QVERIFY(waitFor([&] { return m_aci->received.size() == link.size(); }));
        QCOMPARE(m_aci->received, link);
        QCOMPARE(v1.count(), 0);
        QCOMPARE(h.comType(), 2);
    }

    void realAciSideTakesOverAfterSilence()
    {
        KorvelPacketHandler::setAciFactory(nullptr);  // the program's own ComACI
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        QVERIFY(h.comACI());
        h.setDetectionInterval(30);
        h.setDevice(connectTo(air));
        QVERIFY(waitFor([&] { return h.comType() == 2; }));
        // The ACI engine starts asking for its lists: ACI frames reach the aircraft.
        QVERIFY(waitFor([&] { return air.raw.contains("!#!"); }));
        QVERIFY(air.requests.isEmpty());
        h.closeDevice();
    }

    void closeDeviceStopsDetection()
    {
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        h.setDetectionInterval(50);
        QSignalSpy opened(&h, &KorvelPacketHandler::deviceOpened);
        QSignalSpy closed(&h, &KorvelPacketHandler::deviceClosed);
        h.setDevice(connectTo(air));
        h.closeDevice();
        QCOMPARE(closed.count(), 1);
        QCOMPARE(m_aci->closes, 1);
        QTest::qWait(200);  // only to show that no detection ends after the close (interval 50 ms)
        QCOMPARE(opened.count(), 0);
        QCOMPARE(h.comType(), 0);
        QVERIFY(!h.isConnected());

        // A new device starts the detection again from "undecided".
        QSignalSpy v1(&h, &KorvelPacketHandler::comV1using);
        V1Aircraft air2;
        QVERIFY(air2.listenTcp());
        h.setDevice(connectTo(air2));
        QVERIFY(h.isDetecting());
        air2.sendLink();
        QVERIFY(waitFor([&] { return v1.count() == 1; }));
        QCOMPARE(h.comType(), 1);
    }

    void setDeviceReplacesOpenDevice()
    {
        V1Aircraft a, b;
        QVERIFY(a.listenTcp());
        QVERIFY(b.listenTcp());
        KorvelPacketHandler h;
        QSignalSpy closed(&h, &KorvelPacketHandler::deviceClosed);
        QPointer<QTcpSocket> first = connectTo(a);
        h.setDevice(first);
        QTcpSocket *second = connectTo(b);
        h.setDevice(second);
        QCOMPARE(closed.count(), 1);
        QVERIFY(first.isNull());
        QCOMPARE(h.device(), second);
        b.sendLink();
        QVERIFY(waitFor([&] { return h.comType() == 1; }));

        // Replacing a link without closing it first still detects the new one.
        V1Aircraft c;
        QVERIFY(c.listenTcp());
        h.setDetectionInterval(30);
        h.setDevice(connectTo(c));
        QCOMPARE(closed.count(), 2);
        QCOMPARE(h.comType(), 0);
        QVERIFY(waitFor([&] { return h.comType() == 2; }));
    }

    void commandsPerProtocol()
    {
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        h.setDevice(connectTo(air));
        // Undecided: nothing is sent.
        h.comeHome();
        h.sendBatteryType(1);
        h.sendEmergencyMode(2);
        h.unblockHarlek();
        QTest::qWait(50);  // only to show that nothing reaches the aircraft
        QCOMPARE(air.requests.size(), 0);
        QCOMPARE(m_aci->homes, 0);

        air.sendLink();
        QVERIFY(waitFor([&] { return h.comType() == 1; }));
        h.comeHome();
        h.sendBatteryType(1);
        h.sendEmergencyMode(3);
        h.unblockHarlek();
        QVERIFY(waitFor([&] { return air.requests.size() >= 4; }));
        QVERIFY(air.requests.contains(">*>wh"));
        QVERIFY(air.requests.contains(">*>V8"));
        QVERIFY(air.requests.contains(QByteArray::fromHex("3e2a3e63450800b2aa")));
        QVERIFY(air.requests.contains(">*>F"));
    }

    void aciLinkCommandsAndForwards()
    {
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        h.setDetectionInterval(20);
        QSignalSpy aciUsing(&h, &KorvelPacketHandler::comACIusing);
        h.setDevice(connectTo(air));
        QVERIFY(waitFor([&] { return h.comType() == 2; }));
        h.sendBatteryType(1);
        h.sendEmergencyMode(2);
        h.unblockHarlek();
        h.comeHome();
        QCOMPARE(m_aci->homes, 1);
        QTest::qWait(50);  // only to show that nothing reaches the aircraft
        QCOMPARE(air.requests.size(), 0);

        emit m_aci->initDone();
        QCOMPARE(aciUsing.count(), 1);
        QSignalSpy pitch(&h, &KorvelPacketHandler::pitchUpdate);
        QSignalSpy gps(&h, &KorvelPacketHandler::gpsQualityUpdate);
        QSignalSpy fly(&h, &KorvelPacketHandler::wpV1Flying);
        QSignalSpy reached(&h, &KorvelPacketHandler::wpV1waypointreached);
        QSignalSpy finished(&h, &KorvelPacketHandler::wpV1Finished);
        QSignalSpy battery(&h, &KorvelPacketHandler::batteryQualityUpdate);
        QSignalSpy link(&h, &KorvelPacketHandler::linkQualityUpdate);
        QSignalSpy home(&h, &KorvelPacketHandler::homePosition);
        emit m_aci->pitchUpdate(3.5);
        emit m_aci->gpsQuality(77);
        emit m_aci->navfly2WP(4);
        emit m_aci->navWPFinished(4);
        emit m_aci->navStop();
        emit m_aci->batteryQuality(64);
        ZEPH_RF_API_LINKINFO_REDUCED li{};
        li.quality[0] = 2; li.quality[1] = 2; li.quality[2] = 5; li.quality[3] = 5;
        emit m_aci->linkInfo(li);
        ZEPH_MSG_HOME_POSITION hp{};
        hp.latitude = 481234567;
        hp.longitude = -116000000;
        emit m_aci->homePositionUpdate(hp);
        QCOMPARE(pitch.at(0).at(0).toDouble(), 3.5);
        QCOMPARE(gps.at(0).at(0).toInt(), 77);
        QCOMPARE(fly.at(0).at(0).toInt(), 4);
        QCOMPARE(reached.at(0).at(0).toInt(), 4);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(battery.at(0).at(0).toInt(), 64);
        QCOMPARE(link.at(0).at(0).toInt(), 20);  // min(4 * 5, 10 * 3.34)
        QCOMPARE(home.at(0).at(0).toDouble(), -11.6);
        QCOMPARE(home.at(0).at(1).toDouble(), 48.1234567);

        h.clearAciWaypoints();
        h.addAciWaypoint(ZEPH_WAYPOINT{}, 11);
        h.startAciWaypointUpload();
        QCOMPARE(m_aci->kinds, QList<int>{11});
        QCOMPARE(m_aci->uploads, 1);
        QCOMPARE(h.stopAciWaypointFlight(), 7);

        // ACI frames reach the aircraft unchanged.
        emit m_aci->write2Device(">*>F");
        QVERIFY(waitFor([&] { return air.requests.contains(">*>F"); }));
    }

    void v3LinkInfoQuality_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("quality");
        QTest::newRow("2,2,5,5") << QByteArray::fromHex("02020505") << 20;
        QTest::newRow("strong") << QByteArray::fromHex("0b0b1010") << 100;
        QTest::newRow("b limits") << QByteArray::fromHex("20200505") << 33;
        QTest::newRow("none") << QByteArray::fromHex("00000000") << 0;
    }
    void v3LinkInfoQuality()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, quality);
        KorvelPacketHandler h;
        QSignalSpy link(&h, &KorvelPacketHandler::linkQualityUpdate);
        ZEPH_RF_API_LINKINFO_REDUCED r{};
        std::memcpy(r.quality, bytes.constData(), 4);
        h.v3LinkInfo(r);
        QCOMPARE(link.at(0).at(0).toInt(), quality);
    }

    void lostTcpLinkIsNoticed()
    {
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        QSignalSpy closed(&h, &KorvelPacketHandler::deviceClosed);
        h.setDevice(connectTo(air));
        air.sendLink();
        QVERIFY(waitFor([&] { return h.comType() == 1; }));
        air.closeLink();
        QVERIFY(waitFor([&] { return closed.count() == 1; }));
        QVERIFY(!h.isConnected());
        QCOMPARE(h.comType(), 0);
        QTest::qWait(50);  // only to show that no second close follows
        QCOMPARE(closed.count(), 1);
    }

    void serialPortOverPty()
    {
        V1Aircraft air;
        QVERIFY(air.openPty());
        KorvelPacketHandler h;
        QSignalSpy v1(&h, &KorvelPacketHandler::comV1using);
        QSignalSpy closed(&h, &KorvelPacketHandler::deviceClosed);
        auto *port = new QSerialPort(air.programPort());
        port->setBaudRate(57600);
        QVERIFY(port->open(QIODevice::ReadWrite));
        h.setDevice(port);
        air.sendLink();
        QVERIFY(waitFor([&] { return v1.count() == 1; }));
        h.comeHome();
        QVERIFY(waitFor([&] { return air.requests.contains(">*>wh"); }));

        // Other serial errors leave the link open; a vanished port closes it.
        h.serialError(QSerialPort::ParityError);
        QVERIFY(h.isConnected());
        air.closeLink();
        QVERIFY(waitFor([&] { return closed.count() == 1; }));
        QVERIFY(!h.isConnected());
    }

    void destructionStopsAciSide()
    {
        m_shutdowns = 0;
        { KorvelPacketHandler h; }
        QCOMPARE(m_shutdowns, 1);
    }

    // ---- V1 waypoint flight ----

    void startNeedsOpenLinkAndClearedAbort()
    {
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        h.addV1Waypoint(waypoint(1));
        QVERIFY(!h.startV1WaypointFlight(1));  // no device
        h.setDevice(connectTo(air));
        QVERIFY(!h.startV1WaypointFlight(1));  // aborted since construction
        h.setV1WPaborted(false);
        QVERIFY(h.startV1WaypointFlight(1));
        QVERIFY(waitFor([&] { return air.waypoints.size() == 1; }));
    }

    void v1ResendsKeepTheirSecond()
    {
        // A coarse timer fires up to 5 % early or late; the resends must not drift.
        KorvelPacketHandler h;
        QCOMPARE(h.v1ResendTimerType(), Qt::PreciseTimer);
    }

    void flightFromWaypoint5WithLossAndCorruption()
    {
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        h.setV1ResendInterval(40);
        h.setDevice(connectTo(air));
        air.sendLink();
        QVERIFY(waitFor([&] { return h.comType() == 1; }));

        QStringList events;
        connect(&h, &KorvelPacketHandler::wpV1Flying, this, [&](int n) { events << QString("fly %1").arg(n); });
        connect(&h, &KorvelPacketHandler::wpV1waypointreached, this, [&](int n) { events << QString("reached %1").arg(n); });
        connect(&h, &KorvelPacketHandler::wpV1Sending, this, [&] { events << "sending"; });
        connect(&h, &KorvelPacketHandler::wpV1reachedPos, this, [&] { events << "pos"; });
        connect(&h, &KorvelPacketHandler::wpV1reachedPos20m, this, [&] { events << "20m"; });
        connect(&h, &KorvelPacketHandler::wpV1Finished, this, [&] { events << "finished"; });
        QSignalSpy unmark(&h, &KorvelPacketHandler::unmarkSince);

        h.clearV1Waypoints();
        for (int i = 5; i <= 7; ++i)
            h.addV1Waypoint(waypoint(i));
        h.setV1WPaborted(false);
        air.dropAcks = 2;     // two acknowledgements lost
        air.corruptAcks = 1;  // one arrives with a wrong code
        QVERIFY(h.startV1WaypointFlight(5));
        QCOMPARE(unmark.at(0).at(0).toInt(), 5);
        QVERIFY(waitFor([&] { return events.contains("fly 5"); }));
        QCOMPARE(air.waypoints.size(), 4);  // sent until acknowledged
        for (const QByteArray &w : qAsConst(air.waypoints))
            QCOMPARE(w, bytesOf(waypoint(5)));

        // A corrupted status frame is ignored; bits 0 and 1 together report
        // the position before the waypoint.
        QByteArray bad = V1Aircraft::frame(100, V1Aircraft::lowPrio3(0x0003));
        bad[10] = char(bad[10] ^ 0x02);
        air.send(bad);
        air.sendNavStatus(0x0003);
        QVERIFY(waitFor([&] { return events.contains("fly 6"); }));
        QCOMPARE(events, (QStringList{"fly 5", "pos", "reached 5", "sending", "fly 6"}));
        QCOMPARE(air.waypoints.last(), bytesOf(waypoint(6)));

        // Bit 1 held over several records counts once.
        air.sendNavStatus(0x0002);
        air.sendNavStatus(0x0006);
        air.sendNavStatus(0x0000);
        air.sendNavStatus(0x0002);
        QVERIFY(waitFor([&] { return events.contains("fly 7"); }));
        air.sendNavStatus(0x0000);
        air.sendNavStatus(0x0002);
        QVERIFY(waitFor([&] { return events.contains("finished"); }));
        QCOMPARE(events.mid(5), (QStringList{"20m", "reached 6", "sending", "fly 7", "reached 7", "finished"}));
        QVERIFY(!h.isV1FlightActive());
        const int sent = air.waypoints.size();
        QTest::qWait(120);  // only to show that nothing is resent after the end (interval 40 ms)
        QCOMPARE(air.waypoints.size(), sent);
    }

    void abortStopsSending()
    {
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        h.setV1ResendInterval(30);
        QTcpSocket *link = connectTo(air);
        QVERIFY(link);
        qint64 written = 0;
        connect(link, &QIODevice::bytesWritten, this, [&written](qint64 n) { written += n; });
        h.setDevice(link);
        air.autoAck = false;
        h.addV1Waypoint(waypoint(1));
        h.addV1Waypoint(waypoint(2));
        h.setV1WPaborted(false);
        QVERIFY(h.startV1WaypointFlight(3));
        QVERIFY(waitFor([&] { return air.waypoints.size() >= 2; }));  // resending
        QCOMPARE(h.setV1WPaborted(true), 3);
        // Records written before the stop may still be on their way: count
        // once every byte the program wrote has arrived.
        QVERIFY(waitFor([&] { return link->bytesToWrite() == 0 && air.raw.size() == written; }));
        const int sent = air.waypoints.size();
        QTest::qWait(150);  // only to show that nothing is resent after the stop (interval 30 ms)
        QCOMPARE(air.waypoints.size(), sent);
        // A reached bit after the stop marks nothing.
        QSignalSpy reached(&h, &KorvelPacketHandler::wpV1waypointreached);
        air.sendNavStatus(0x0002);
        QTest::qWait(100);  // only to show that no reach is marked
        QCOMPARE(reached.count(), 0);
    }

    void pilotAbortEndsFlight()
    {
        KorvelPacketHandler h;
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        h.setDevice(connectTo(air));
        h.addV1Waypoint(waypoint(1));
        h.setV1WPaborted(false);
        QVERIFY(h.startV1WaypointFlight(1));
        QSignalSpy aborted(&h, &KorvelPacketHandler::wpV1Pilotaborted);
        QSignalSpy reached(&h, &KorvelPacketHandler::wpV1waypointreached);
        LCD_INFO_LOW_PRIO_PART3 r{};
        r.nav_status = 0x0008;
        h.packetLCDINFOLOWPRIO3(r);
        QCOMPARE(aborted.count(), 1);
        QVERIFY(!h.isV1FlightActive());
        r.nav_status = 0x000A;
        h.packetLCDINFOLOWPRIO3(r);
        QCOMPARE(reached.count(), 0);
    }

    void linkClosedMidUpload()
    {
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        h.setV1ResendInterval(30);
        QSignalSpy closed(&h, &KorvelPacketHandler::deviceClosed);
        QSignalSpy reached(&h, &KorvelPacketHandler::wpV1waypointreached);
        h.setDevice(connectTo(air));
        air.closeAfterWaypoints = 1;
        h.addV1Waypoint(waypoint(1));
        h.setV1WPaborted(false);
        QVERIFY(h.startV1WaypointFlight(1));
        QVERIFY(waitFor([&] { return closed.count() == 1; }));
        QVERIFY(!h.isV1FlightActive());
        QTest::qWait(100);  // the resend timer is stopped: nothing is written to the closed link
        LCD_INFO_LOW_PRIO_PART3 r{};
        r.nav_status = 0x0002;
        h.packetLCDINFOLOWPRIO3(r);
        QCOMPARE(reached.count(), 0);
    }

    void sentWaypointsLeaveNoTraceWhileTracerIsOff()
    {
        QTemporaryDir dir;
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        h.setDevice(connectTo(air));
        h.addV1Waypoint(waypoint(1));
        h.setV1WPaborted(false);
        QVERIFY(h.startV1WaypointFlight(1));
        QVERIFY(!h.tracer()->isEnabled());
        QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());

        // Switched on, every sent waypoint becomes one record behind the
        // head of three strings (24, 4 and 12 characters).
        const QString path = dir.filePath("link.zt1");
        QVERIFY(h.tracer()->start(path));
        h.wpV1sendWP();
        QVERIFY(h.tracer()->stop());
        const qint64 head = (4 + 48) + (4 + 8) + (4 + 24);
        QCOMPARE(QFileInfo(path).size(), head + 4 + 6 + 4 + 1 + 4 + 28);
    }
};

KORVEL_TEST_MAIN(TestLinkHandler)
#include "test_linkhandler.moc"
