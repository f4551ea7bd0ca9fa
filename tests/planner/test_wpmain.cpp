// The planning window: its tools, the start and stop of a flight over both
// link protocols, the relative correction and its tool-window contract.
#include <QBuffer>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtEndian>
#include <QtTest>
#include <cmath>

#include "../maps/wpfixture.h"
#include "core/data.h"
#include "core/mapdescription.h"
#include "link/acirecords.h"
#include "link/korvelpackethandler.h"
#include "maps/items/wpcameraangle.h"
#include "maps/items/wpwaypoint.h"
#include "maps/wpdata.h"
#include "planner/wpeditor.h"
#include "planner/wpmain.h"
#include "planner/wprelativediag.h"
#include "support/maprecord.h"
#include "support/testkit.h"
#include "support/v1aircraft.h"

using Tool = WPMain::Tool;

using KorvelTest::V1Aircraft;
using KorvelTest::waitFor;

// Stands in for the ACI side: keeps every record it is handed.
class RecordingAci : public KorvelAciLink {
    Q_OBJECT
public:
    void initDevice() override {}
    void deviceClosed() override {}
    void receiveData(QByteArray) override {}
    void comeHome() override {}
    void clearWaypoints() override
    {
        records.clear();
        kinds.clear();
    }
    void addWaypoint(ZEPH_WAYPOINT wp, int kind) override
    {
        records << wp;
        kinds << kind;
    }
    void startWaypointUpload() override { ++uploads; }
    int stopWaypointFlight() override
    {
        ++stops;
        return 4;
    }
    void shutdown() override {}

    QList<ZEPH_WAYPOINT> records;
    QList<int> kinds;
    int uploads = 0;
    int stops = 0;
};

namespace {
using WPFixture::geoOf;

quint16 word(const QByteArray &record, int offset)
{
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar *>(record.constData()) + offset);
}
}  // namespace

class TestWPMain : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_map;
    RecordingAci *m_aci = nullptr;

    // A window on the fixture map with one waypoint per type, the k-th at
    // pixel (100 k, 200).
    WPMain *make(KorvelPacketHandler *handler, const QList<int> &types)
    {
        auto *plan = new WPData;
        plan->loadMapImage(m_map);
        auto *w = new WPMain(handler, plan);
        w->resize(1000, 700);
        for (int k = 1; k <= types.size(); ++k) {
            const QPointF g = geoOf(100 * k, 200);
            w->addWP(WPFixture::Typed().at(g).height(10 + k).trigger().pitch(-90).pictures(2)
                         .posAcc(2.5).wait(3.0).maxSpeed(80).type(types[k - 1]).speed(4.0f)
                         .acc(3.0f));
        }
        return w;
    }

    // A handler that has taken V1 from a link record over a buffer.
    void makeV1(KorvelPacketHandler &h, QBuffer *buffer)
    {
        buffer->open(QIODevice::ReadWrite);
        h.setDevice(buffer);
        buffer->buffer() = V1Aircraft::frame(96, V1Aircraft::linkRecord());
        h.recdata();
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
        KorvelPacketHandler::setAciFactory([this] { return m_aci = new RecordingAci; });
    }
    void cleanup() { KorvelPacketHandler::setAciFactory(nullptr); }

    void toolBar()
    {
        KorvelPacketHandler h;
        QScopedPointer<WPMain> w(make(&h, {}));
        QCOMPARE(w->toolBar()->orientation(), Qt::Vertical);
        QVERIFY(!w->toolBar()->isMovable());
        QCOMPARE(w->toolPanelColumn()->minimumWidth(), 300);
        QCOMPARE(w->toolPanelColumn()->maximumWidth(), 300);
        // Shown and enabled as the tool set of this version has them.
        for (Tool hidden : {Tool::Matrix, Tool::QuickSurvey, Tool::Poi, Tool::Panorama})
            QVERIFY2(!w->toolAction(hidden)->isVisible(), qPrintable(QString::number(int(hidden))));
        QVERIFY(!w->toolAction(Tool::Poi)->isEnabled() &&
                !w->toolAction(Tool::Panorama)->isEnabled());
        QCOMPARE(w->toolAction(Tool::Coi)->statusTip(),
                 QString("Set a circle of interest that will always be in focus"));
        QCOMPARE(w->toolAction(Tool::Coi)->toolTip(), w->toolAction(Tool::Coi)->statusTip());
        QVERIFY(w->toolAction(Tool::Select)->isChecked());

        const QList<QPair<Tool, int>> tools = {
            {Tool::Waypoint, 1}, {Tool::Polygon, 6}, {Tool::LineMatrix, 8}, {Tool::Coi, 4},
            {Tool::Ruler, 10},   {Tool::Matrix, 2},  {Tool::Select, 0}};
        for (const auto &tool : tools) {
            w->toolAction(tool.first)->trigger();
            QCOMPARE(w->editor()->state(), tool.second);
            for (Tool other : {Tool::Select, Tool::Waypoint, Tool::Polygon, Tool::LineMatrix,
                               Tool::Coi, Tool::Ruler, Tool::Matrix, Tool::QuickSurvey})
                QCOMPARE(w->toolAction(other)->isChecked(), other == tool.first);
        }
        // The polygon tool chosen again keeps its points.
        w->toolAction(Tool::Polygon)->trigger();
        QTest::mouseClick(w->editor()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
        w->toolAction(Tool::Polygon)->trigger();
        QCOMPARE(w->editor()->polygonPoints().size(), 1);
        // Quick survey checks itself and leaves the canvas as it is.
        w->toolAction(Tool::QuickSurvey)->trigger();
        QCOMPARE(w->editor()->state(), 6);
        QVERIFY(w->toolAction(Tool::QuickSurvey)->isChecked() &&
                !w->toolAction(Tool::Polygon)->isChecked());
    }

    void zoomInThenOutIsNotTheOldScale()
    {
        KorvelPacketHandler h;
        QScopedPointer<WPMain> w(make(&h, {}));
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.data()));
        w->editor()->scaleView(3.0);
        const double before = w->editor()->viewScale();
        w->toolAction(Tool::ZoomIn)->trigger();
        w->toolAction(Tool::ZoomOut)->trigger();
        QVERIFY(qFuzzyCompare(w->editor()->viewScale(), before * 0.99));
    }

    void headingOnMapCountsFromTheMapsNorth()
    {
        // A map turned by some degrees: its north is not straight up.
        QImage image(1000, 800, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        const QList<double> values = {11.0, 48.01, 11.01, 48.011, 10.999, 48.0, 11.009, 48.001,
                                      11.005, 48.0055, 744.0, 1113.0};
        const QString path = QDir(m_dir.path()).filePath("turned.jpg");
        MapDescription::writeImage(path, image, KorvelTest::mapRecord("T", "t", values));
        auto *plan = new WPData;
        QVERIFY(plan->loadMapImage(path));
        QVERIFY(std::abs(plan->northAngle()) > 1);
        KorvelPacketHandler h;
        WPMain w(&h, plan);
        w.resize(1000, 700);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QPointF g = plan->pixelToGeo(500, 400);
        w.addWP(WPFixture::Typed().at(g).height(10).pitch(-45).posAcc(1).maxSpeed(80).speed(4).acc(3));
        w.editor()->itemSelected(1);
        QSignalSpy changed(&w, &WPMain::dataChanged);
        w.setHeadingOnMapClicked();
        QCOMPARE(w.editor()->state(), 100);
        QCOMPARE(w.editor()->selection(), QList<int>{1});
        // Clicked straight right of the waypoint: 270 degrees on the image.
        const QPointF click(700, 400);
        w.editor()->centerOn(QPointF(600, 400));
        QTest::mouseClick(w.editor()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          w.editor()->mapFromScene(click));
        const QPointF at = w.editor()->mapToScene(w.editor()->mapFromScene(click));
        double expected = std::atan2(400 - at.y(), 500 - at.x()) * 180 / M_PI - 90;
        if (expected < 0)
            expected += 360;
        expected -= plan->northAngle();
        if (expected < 0)
            expected += 360;
        QVERIFY2(std::abs(plan->yaw(1) - expected) < 0.01,
                 qPrintable(QString("%1 vs %2").arg(plan->yaw(1)).arg(expected)));
        QCOMPARE(w.editor()->state(), 0);
        QVERIFY(w.toolAction(Tool::Select)->isChecked());
        QCOMPARE(changed.count(), 1);
    }

    void startWithoutLink()
    {
        KorvelPacketHandler h;
        QScopedPointer<WPMain> w(make(&h, {3, 3}));
        KorvelTest::PromptScript script;
        w->startFlight(1, 2);
        QCOMPARE(script.texts(), QStringList{"You are not connected to an Korvel Harlek 8."});
        QCOMPARE(script.requests().first().title, QString("Not Connected!"));
        QCOMPARE(script.requests().first().iconPath, QString(":/icons/80/error"));
        QCOMPARE(h.v1WaypointCount(), 0);
        QVERIFY(w->toolBar()->isEnabled());
    }

    void v1RefusesAnyButSteerwise()
    {
        V1Aircraft air;
        QVERIFY(air.listenTcp());
        KorvelPacketHandler h;
        auto *socket = new QTcpSocket;
        socket->connectToHost(QHostAddress::LocalHost, air.tcpPort());
        QVERIFY(socket->waitForConnected(KorvelTest::kWaitMs));
        h.setDevice(socket);
        QVERIFY(waitFor([&] { return air.hasPeer(); }));
        air.sendLink();
        QVERIFY(waitFor([&] { return h.protocol() == LinkProtocol::V1; }));

        QScopedPointer<WPMain> w(make(&h, {3, 3, 3, 3, 0, 3}));
        KorvelTest::PromptScript script;
        w->startFlight(1, 6);
        QCOMPARE(script.texts(),
                 QStringList{"Wrong waypointtype detected!\nPlease convert waypoints to the "
                             "appropriate type"});
        QVERIFY(script.requests().first().title.isEmpty());
        QCOMPARE(h.v1WaypointCount(), 4);
        QVERIFY(!h.isV1FlightActive());
        QVERIFY(w->toolBar()->isEnabled());
        QTest::qWait(50);  // only to show that nothing reaches the aircraft
        QVERIFY(air.waypoints.isEmpty());

        // Start after end, or beyond the plan: refused, nothing sent.
        script.clear();
        w->startFlight(3, 2);
        w->startFlight(7, 9);
        QCOMPARE(script.requests().size(), 2);
        QVERIFY(!h.isV1FlightActive());
        QVERIFY(w->toolBar()->isEnabled());

        // One Steerwise waypoint: one record, with the words of its values.
        script.clear();
        w->startFlight(6, 6);
        QVERIFY(script.requests().isEmpty());
        QCOMPARE(h.v1WaypointCount(), 1);
        QVERIFY(h.isV1FlightActive());
        QVERIFY(!w->toolBar()->isEnabled());
        QVERIFY(waitFor([&] { return !air.waypoints.isEmpty(); }));
        const QByteArray record = air.waypoints.first();
        QCOMPARE(record.size(), 28);
        QCOMPARE(word(record, 2), quint16(0x87D0));
        QCOMPARE(word(record, 6), quint16(0x412C));
        QCOMPARE(word(record, 8), quint16(2500));
        QCOMPARE(quint8(record.at(1)), quint8(2));

        w->stopFlight();
        QVERIFY(!h.isV1FlightActive());
        QVERIFY(w->toolBar()->isEnabled());
    }

    void v1StartOnAClosedDeviceIsNotConnected()
    {
        KorvelPacketHandler h;
        auto *buffer = new QBuffer;
        makeV1(h, buffer);
        QCOMPARE(h.protocol(), LinkProtocol::V1);
        buffer->close();  // gone without the handler closing it
        QScopedPointer<WPMain> w(make(&h, {3}));
        KorvelTest::PromptScript script;
        w->startFlight(1, 1);
        QCOMPARE(script.texts(), QStringList{"You are not connected to an Korvel Harlek 8."});
        QVERIFY(w->toolBar()->isEnabled());
    }

    void aciSendsEveryTypeButSteerwise()
    {
        KorvelPacketHandler h;
        h.setDetectionInterval(10);
        auto *buffer = new QBuffer;
        buffer->open(QIODevice::ReadWrite);
        h.setDevice(buffer);
        QVERIFY(waitFor([&] { return h.protocol() == LinkProtocol::Aci; }));
        QVERIFY(m_aci);

        QScopedPointer<WPMain> w(make(&h, {0, 1, 1, 11, 5, 3}));
        w->getWPData()->setHeadingInFlightDirection(2, false);
        w->editor()->markV1WPFinished(2);
        KorvelTest::PromptScript script;
        w->startFlight(1, 6);
        QCOMPARE(script.requests().size(), 1);  // the Steerwise waypoint
        QCOMPARE(m_aci->uploads, 0);
        QCOMPARE(m_aci->stops, 1);  // the refusal stops as the operator would

        w->startFlight(2, 5);
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(m_aci->uploads, 1);
        QCOMPARE(m_aci->kinds, (QList<int>{1, 1, 11, 5}));
        QList<int> numbers;
        QList<quint32> flags;
        for (const ZEPH_WAYPOINT &r : m_aci->records) {
            numbers << r.wpNumber;
            flags << r.flags;
        }
        QCOMPARE(numbers, (QList<int>{2, 3, 4, 5}));
        QCOMPARE(flags, (QList<quint32>{0x20000, 0x20000, 0x20000, 0}));
        const ZEPH_WAYPOINT &first = m_aci->records.first();
        QCOMPARE(first.latitude, zephDegreesToFixed(w->getWPData()->waypointGeo(2).y()));
        QCOMPARE(first.waitTime, quint16(3000));
        QCOMPARE(first.camPitch, qint16(-9000));
        QCOMPARE(w->getWPData()->waypoint_flightstatus(2), 0u);
        QVERIFY(!w->toolBar()->isEnabled());
        w->stopFlight();
        QCOMPARE(m_aci->stops, 2);
        QVERIFY(w->toolBar()->isEnabled());
    }

    void relativeDialogVariants()
    {
        const auto rows = [](WPRelativeDiag &d) {
            QStringList shown;
            for (QLabel *l : d.findChildren<QLabel *>())
                if (!l->isHidden())
                    shown << l->text();
            return shown;
        };
        WPRelativeDiag steerwise(nullptr, false), zephrin(nullptr, true);
        QCOMPARE(steerwise.windowTitle(), QString("Relative correction..."));
        QVERIFY(!rows(steerwise).contains("Velocity"));
        QVERIFY(rows(steerwise).contains("Number of Pictures:"));
        for (const char *gone :
             {"Number of Pictures:", "Position Accuracy:", "Time at Waypoint:", "Maximal Speed:"})
            QVERIFY2(!rows(zephrin).contains(gone), gone);
        QVERIFY(rows(zephrin).contains("Velocity"));

        // Switching pages keeps what was typed on either.
        auto boxes = steerwise.findChildren<QDoubleSpinBox *>();
        steerwise.findChild<QStackedWidget *>()->widget(0)->findChildren<QDoubleSpinBox *>()[0]->setValue(12);
        steerwise.directionBox()->setChecked(true);
        QCOMPARE(steerwise.offsetPages()->currentIndex(), 1);
        steerwise.offsetPages()->widget(1)->findChild<QDoubleSpinBox *>()->setValue(-7);
        steerwise.directionBox()->setChecked(false);
        QCOMPARE(steerwise.offsetPages()->currentIndex(), 0);
        QCOMPARE(steerwise.longitudeMeters(), 12.0);
        QCOMPARE(steerwise.offsetMeters(), -7.0);
        QVERIFY(steerwise.cameraDirection() == false);
        // Range ends are inclusive.
        for (QDoubleSpinBox *b : boxes)
            if (b->maximum() == 360)
                b->setValue(360);
        QCOMPARE(steerwise.heading(), 360.0);
    }

    void relativeCorrectionFromTheCanvas()
    {
        KorvelPacketHandler h;
        QScopedPointer<WPMain> w(make(&h, {0, 0, 0}));
        WPData *plan = w->getWPData();
        w->editor()->markAll();
        const QPointF before1 = plan->waypointGeo(1), before3 = plan->waypointGeo(3);

        // Cancel: nothing changes.
        KorvelTest::whenModal([](QWidget *d) {
            auto *dialog = qobject_cast<WPRelativeDiag *>(d);
            QVERIFY(dialog);
            dialog->findChildren<QDoubleSpinBox *>()[0]->setValue(100);
            dialog->cancelButton()->click();
        });
        QSignalSpy changed(w.data(), &WPMain::dataChanged);
        w->editor()->setRelativeValues();
        QCOMPARE(plan->waypointGeo(1), before1);
        QCOMPARE(changed.count(), 0);

        // 100 m east and 5 m up for every selected waypoint.
        KorvelTest::whenModal([](QWidget *d) {
            auto *dialog = qobject_cast<WPRelativeDiag *>(d);
            QVERIFY(dialog);
            dialog->offsetPages()->widget(0)->findChildren<QDoubleSpinBox *>()[0]->setValue(100);
            for (QDoubleSpinBox *b : dialog->findChildren<QDoubleSpinBox *>())
                if (b->minimum() == -200)
                    b->setValue(5);
            dialog->okButton()->click();
        });
        w->editor()->setRelativeValues();
        const double dLon = 100 / (6378137.0 * std::cos(before1.y() * M_PI / 180)) * 180 / M_PI;
        QVERIFY(std::abs(plan->waypointGeo(1).x() - (before1.x() + dLon)) < 2e-7);
        QVERIFY(std::abs(plan->waypointGeo(3).x() - (before3.x() + dLon)) < 2e-7);
        QVERIFY(std::abs(plan->waypointGeo(3).y() - before3.y()) < 2e-7);
        QCOMPARE(plan->height(1), 16.0);
        QCOMPARE(plan->height(3), 18.0);
        QCOMPARE(changed.count(), 1);
        // The footprints followed.
        QVERIFY(QLineF(w->editor()->cameraItems()[2]->anchor(), plan->waypointPos(3)).length() < 1e-6);
    }

    void toolWindowContract()
    {
        KorvelPacketHandler h;
        QScopedPointer<WPMain> w(make(&h, {}));
        QVERIFY(w->kind() == OpenKind::FlightPlan);
        QVERIFY(w->commands() & ToolWindow::ExportVardeckCommand);
        QVERIFY(w->projectName().isEmpty());
        w->setModified();
        QVERIFY(!w->asksToSave());  // nothing worth keeping
        w->getWPData()->setFilePath("/some/where/Harbour.zfp");
        QCOMPARE(w->projectName(), QString("Harbour"));
    }

    void closingFreesItemsOnce()
    {
        KorvelPacketHandler h;
        WPMain *w = make(&h, {0, 0, 0});
        w->show();
        QPointer<WPWaypoint> item = w->getWPData()->waypointItem(2);
        QVERIFY(item && item->scene());
        delete w;  // the sanitizer run tells a double delete
        QVERIFY(!item);
    }
};

KORVEL_TEST_MAIN(TestWPMain)
#include "test_wpmain.moc"
