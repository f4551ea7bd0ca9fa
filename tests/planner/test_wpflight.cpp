// A plan flown end to end from the tool panel's Start button against the two
// simulated aircraft over loopback TCP: upload, reached waypoints, stop and
// resume, come home and the telemetry of every status widget.
#include <QAction>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>
#include <memory>

#include "../maps/wpfixture.h"
#include "core/data.h"
#include "link/blsbbattery.h"
#include "link/blsbgps.h"
#include "link/blsblink.h"
#include "link/comaci.h"
#include "link/gassensor.h"
#include "link/gassensorstatuswidget.h"
#include "link/joystick.h"
#include "link/korvelpackethandler.h"
#include "maps/wpdata.h"
#include "planner/wpeditor.h"
#include "planner/wpmain.h"
#include "planner/wptoolline.h"
#include "support/aciaircraft.h"
#include "support/testkit.h"
#include "support/v1aircraft.h"

using KorvelTest::AciAircraft;
using KorvelTest::V1Aircraft;
using KorvelTest::waitFor;

namespace {
// A gas alarm that makes no sound: the toolkit's sample loader, started by a
// real one, may still be loading when the test process ends, and a loader
// thread that outlives the application crashes the exit.
struct SilentAlarm : GasAlarmSound {
    void setLoopCount(int count) override { m_loops = count; }
    int loopCount() const override { return m_loops; }
    bool isPlaying() const override { return false; }
    void play() override {}
    int m_loops = -1;
};
}  // namespace

class TestWPFlight : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_map;

    WPMain *make(KorvelPacketHandler *handler, int count, int type)
    {
        auto *plan = new WPData;
        plan->loadMapImage(m_map);
        auto *w = new WPMain(handler, plan);
        w->resize(1000, 700);
        for (int k = 1; k <= count; ++k)
            w->addWP(WPFixture::Typed().at({WPFixture::west + k * 1e-3, WPFixture::north - 2e-3})
                         .height(20).trigger().pitch(-90).pictures(1).posAcc(2.5)
                         .wait(type == 3 ? 3.0 : 0.0).maxSpeed(80).type(type).speed(4.0f)
                         .acc(3.0f));
        w->toolLine()->setGeneralToolLine();
        return w;
    }

    static QTcpSocket *connectTo(quint16 port)
    {
        auto *socket = new QTcpSocket;
        socket->connectToHost(QHostAddress::LocalHost, port);
        if (!socket->waitForConnected(KorvelTest::kWaitMs)) {
            delete socket;
            return nullptr;
        }
        return socket;
    }

    // The status text each time the handler reports, read after the panel
    // took the report (this connection is made after the window's).
    static void recordTexts(KorvelPacketHandler *h, QLabel *status, QStringList *texts)
    {
        auto grab = [status, texts] { texts->append(status->text()); };
        QObject::connect(h, &KorvelPacketHandler::wpV1Sending, status, grab);
        QObject::connect(h, &KorvelPacketHandler::wpV1Flying, status, grab);
        QObject::connect(h, &KorvelPacketHandler::wpV1Finished, status, grab);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_map = WPFixture::writeMap(m_dir.path());
    }
    void init()
    {
        KorvelPacketHandler::resetEdgeMemory();
        GasSensor::resetShared();
    }

    // The panel in the tab follows the tools and the selection on the canvas.
    void panelFollowsTheWindow()
    {
        std::unique_ptr<WPMain> w(make(nullptr, 3, 0));
        WPToolLine *t = w->toolLine();
        QCOMPARE(w->toolPanelColumn(), static_cast<QWidget *>(t));
        const QList<QPair<WPMain::Tool, int>> tools = {
            {WPMain::Tool::Polygon, WPToolLine::PolygonIntroPage},
            {WPMain::Tool::LineMatrix, WPToolLine::LineMatrixIntroPage},
            {WPMain::Tool::Coi, WPToolLine::CoiIntroPage},
            {WPMain::Tool::Ruler, WPToolLine::RulerPage},
        };
        for (const auto &tool : tools) {
            w->toolAction(tool.first)->trigger();
            QCOMPARE(t->currentPage(), tool.second);
        }
        w->toolAction(WPMain::Tool::Select)->trigger();
        w->editor()->itemSelected(2);
        QCOMPARE(t->currentPage(), int(WPToolLine::WaypointPage));
        QCOMPARE(t->selection(), QList<int>{2});
        QSignalSpy changed(w.get(), &WPMain::dataChanged);
        t->waypointWidgets().height->setValue(33);
        QCOMPARE(w->getWPData()->height(2), 33.0);
        QVERIFY(!changed.isEmpty());
        // A start without a link is refused and the page is idle again.
        t->setGeneralToolLine();
        KorvelTest::PromptScript script;
        t->statusWidgets().startButton->click();
        QCOMPARE(script.texts(), QStringList{"You are not connected to an Korvel Harlek 8."});
        QCOMPARE(t->flightState(), 0);
        QVERIFY(t->statusWidgets().status->text().contains("Stopped!"));
        QVERIFY(t->waypointWidgets().height->isEnabled());
    }

    void v1Flight()
    {
        V1Aircraft ac;
        QVERIFY(ac.listenTcp());
        ac.autoFly = true;
        KorvelPacketHandler h;
        QTcpSocket *socket = connectTo(ac.tcpPort());
        QVERIFY(socket);
        h.setDevice(socket);
        QVERIFY(waitFor([&] { return ac.hasPeer(); }));
        ac.sendLink();
        QVERIFY(waitFor([&] { return h.protocol() == LinkProtocol::V1; }));

        std::unique_ptr<WPMain> w(make(&h, 4, 3));
        WPToolLine *t = w->toolLine();
        const auto &s = t->statusWidgets();
        QStringList texts;
        recordTexts(&h, s.status, &texts);

        // Stop while flying to the second waypoint: wp 2 is taken but not reached.
        connect(&ac, &V1Aircraft::waypointReached, &ac, [&ac](int n) {
            if (n == 1)
                ac.autoFly = false;
        });
        s.startButton->click();
        QVERIFY(!w->toolBar()->isEnabled());
        QVERIFY(waitFor([&] { return ac.waypoints.size() == 2; }));
        QVERIFY(waitFor([&] { return texts.size() >= 2; }));
        QCOMPARE(texts.mid(0, 2), (QStringList{"<b>Flying</b>",
                                               "<font color='orange'><b>Sending!</b></font>"}));
        QVERIFY(waitFor([&] { return texts.size() == 3; }));
        QCOMPARE(w->getWPData()->waypoint_flightstatus(1), 2u);
        QCOMPARE(w->getWPData()->waypoint_flightstatus(2), 1u);
        s.startButton->click();
        QVERIFY(s.status->text().contains("Stopped!"));
        QCOMPARE(s.start->value(), 2);
        QVERIFY(w->toolBar()->isEnabled());

        // Resume at the second waypoint and fly to the end.
        ac.autoFly = true;
        ac.waypoints.clear();
        s.startButton->click();
        QVERIFY(waitFor([&] { return t->flightState() == 0; }));
        QCOMPARE(s.status->text(), QString("<font color='green'><b>Finished!</b></font>"));
        QCOMPARE(texts.last(), s.status->text());
        QCOMPARE(ac.waypoints.size(), 3);  // 2, 3 and 4
        for (int n = 1; n <= 4; ++n)
            QCOMPARE(w->getWPData()->waypoint_flightstatus(n), 2u);
        QCOMPARE(s.start->value(), 1);
        QVERIFY(w->toolBar()->isEnabled());

        s.comeHome->click();
        QVERIFY(waitFor([&] { return ac.comeHomeRequests() == 1; }));

        ac.sendTelemetry(V1Aircraft::Telemetry());
        QVERIFY(waitFor([&] { return s.flightTime->text() == "00:01:05"; }));
        QCOMPARE(s.height->text(), QString("12.50m"));
        QCOMPARE(s.battery->quality(), 75);
        QCOMPARE(s.battery->voltage(), 16.4);
        QCOMPARE(s.gps->quality(), 80);
        QCOMPARE(s.gps->satellites(), 9);
        QCOMPARE(s.link->quality(), 95);
        w.reset();
    }

    void aciFlight()
    {
        AciAircraft ac;
        QVERIFY(ac.listenTcp());
        ac.autoFly = true;
        ac.flyDelayMs = 100;  // room for the stop between two reports
        ac.crcErrorOnWaypoint = 3;
        ac.bufferFullOnWaypoint = 4;
        ac.setUInt16(2304, 0xFFFF);  // no gas sensor until the telemetry below
        KorvelPacketHandler::setAciFactory([] {
            auto *c = new ComACI;
            c->setJoystickSource(std::make_unique<NoJoystickSource>());
            return c;
        });
        auto h = std::make_unique<KorvelPacketHandler>();
        KorvelPacketHandler::setAciFactory(nullptr);
        h->setDetectionInterval(50);
        QSignalSpy ready(h.get(), &KorvelPacketHandler::comACIusing);
        QTcpSocket *socket = connectTo(ac.tcpPort());
        QVERIFY(socket);
        h->setDevice(socket);
        QVERIFY(waitFor([&] { return ready.size() == 1; }));
        QCOMPARE(h->protocol(), LinkProtocol::Aci);
        // Values the link has before the tab opens show in the tab at once.
        AciAircraft::Telemetry early;
        early.flightTime = 100;
        early.height = 5.0f;
        early.millivolts = 15000;
        early.gpsStatus = 0x20;
        early.gas = 0xFFFF;
        early.homeLongitude = 10.0;
        early.homeLatitude = 47.0;
        ac.setTelemetry(early);
        QVERIFY(waitFor([&] {
            ac.sendVarPackets();
            return h->batteryQuality() == 75;
        }));

        std::unique_ptr<WPMain> w(make(h.get(), 4, 0));
        WPToolLine *t = w->toolLine();
        const auto &s = t->statusWidgets();
        s.gas->setSounds(std::make_unique<SilentAlarm>(), std::make_unique<SilentAlarm>());
        QStringList texts;
        recordTexts(h.get(), s.status, &texts);

        // Stop on the way to the second waypoint: the next start resumes there.
        bool stopped = false;
        connect(h.get(), &KorvelPacketHandler::wpV1Flying, s.startButton, [&](int n) {
            // As an operator would: after the report, not inside it.
            if (n == 2 && !stopped)
                QTimer::singleShot(0, s.startButton, [&] {
                    stopped = true;
                    s.startButton->click();
                });
        });
        s.startButton->click();
        QVERIFY(waitFor([&] { return stopped; }));
        QVERIFY(s.status->text().contains("Stopped!"));
        QCOMPARE(s.start->value(), 2);
        QVERIFY(ac.storedWaypoints.size() >= 2);  // the flight starts while the upload goes on
        QVERIFY(s.upload->text().startsWith("Uploading Waypoint"));
        QCOMPARE(w->getWPData()->waypoint_flightstatus(1), 2u);
        QVERIFY(waitFor([&] { return !ac.flying(); }));
        QCOMPARE(s.battery->quality(), 75);

        s.startButton->click();
        QVERIFY(waitFor([&] { return t->flightState() == 0; }));
        QCOMPARE(s.status->text(), QString("<font color='green'><b>Finished!</b></font>"));
        QCOMPARE(ac.storedWaypoints.size(), 3);  // 2, 3 and 4, past a checksum error and a full buffer
        for (int n = 1; n <= 4; ++n)
            QCOMPARE(w->getWPData()->waypoint_flightstatus(n), 2u);
        QVERIFY(texts.contains("<b>Flying</b>"));
        QCOMPARE(s.start->value(), 1);

        s.comeHome->click();
        QVERIFY(waitFor([&] { return ac.simpleCommands.contains(6); }));

        QVERIFY(s.gas->isHidden());
        ac.setTelemetry(AciAircraft::Telemetry());
        auto arrives = [&](const std::function<bool()> &ok) {
            return waitFor([&] {
                ac.sendVarPackets();
                return ok();
            });
        };
        QVERIFY(arrives([&] { return s.flightTime->text() == "00:01:05"; }));
        QVERIFY(arrives([&] { return !s.gas->isHidden(); }));
        QVERIFY(arrives([&] { return s.position->text() == "11 / 48"; }));
        // The distance follows the next position after the home position.
        AciAircraft::Telemetry moved;
        moved.latitude = 48.001;
        moved.longitude = 11.0;
        ac.setTelemetry(moved);
        QVERIFY(arrives([&] { return s.distance->text() == "111.30m"; }));
        QCOMPARE(s.height->text(), QString("12.50m"));
        QCOMPARE(s.battery->quality(), 75);
        QCOMPARE(s.battery->voltage(), 16.8);
        QCOMPARE(s.gps->quality(), 0x55);
        QCOMPARE(s.gas->rawLabel()->text(), QString("222"));
        w.reset();
        h.reset();
    }
};

KORVEL_TEST_MAIN(TestWPFlight)
#include "test_wpflight.moc"
