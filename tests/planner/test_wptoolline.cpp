// The planning tool panel on a plan of its own, without the window: the
// flight status page, the waypoint property page, the generator pages, the
// ruler and placemark pages, type conversion and the camera chooser.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardItem>
#include <QToolButton>
#include <QtTest>
#include <cmath>

#include "core/data.h"
#include "link/gassensor.h"
#include "link/gassensorstatuswidget.h"
#include "maps/waypoint.h"
#include "maps/wpdata.h"
#include "planner/wptoolline.h"
#include "support/testkit.h"

namespace {
// A camera of 60 x 45 degrees, 4000 px wide, 2 s between photos.
Camera testCamera(const QString &name, double hfov = 60, int width = 4000)
{
    Camera c;
    c.name = name;
    const double f = 10;
    c.sensorSize = QSizeF(2 * f * std::tan(hfov / 2 * M_PI / 180),
                          2 * f * std::tan(22.5 * M_PI / 180));
    c.focalLength = f;
    c.imageSize = QSize(width, 3000);
    c.processTime = 2000;
    return c;
}

Waypoint wpOf(int type, double height = 20, double time = 2)
{
    Waypoint wp;
    wp.type = Waypoint::Type(type);
    wp.height = qint32(height * 1000);
    wp.time = quint16(time * 100);
    wp.triggerCamera = true;
    wp.maxSpeed = 80;
    return wp;
}

void fill(WPData &plan, const QList<int> &types)
{
    for (int t : types)
        plan.addWaypoint(nullptr, wpOf(t));
}
}  // namespace

class TestWPToolLine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Data::instance()->addCamera(testCamera(QStringLiteral("Test60")));
        Data::instance()->addCamera(testCamera(QStringLiteral("Wide90"), 90, 6000));
        QVERIFY(Data::instance()->setCurrentCamera(QStringLiteral("Test60")));
    }
    void init()
    {
        Data::instance()->setCurrentCamera(QStringLiteral("Test60"));
        GasSensor::resetShared();
    }

    // ---- flight status page ----
    void emptyPlanCannotStart()
    {
        WPData plan;
        WPToolLine t(&plan);
        t.setGeneralToolLine();
        const auto &s = t.statusWidgets();
        QCOMPARE(t.currentPage(), int(WPToolLine::StatusPage));
        QVERIFY(s.status->text().contains("Not Started"));
        QCOMPARE(s.start->maximum(), 0);
        QCOMPARE(s.stop->maximum(), 0);
        QVERIFY(!s.startButton->isEnabled());
        QVERIFY(!s.stopCheck->isEnabled());
    }

    void stopBoxFollowsPlanAndStart()
    {
        WPData plan;
        fill(plan, {3, 3, 3, 3, 3});
        WPToolLine t(&plan);
        QSignalSpy approx(&t, &WPToolLine::requestApproxTime);
        t.setGeneralToolLine();
        const auto &s = t.statusWidgets();
        QCOMPARE(s.stop->value(), 5);
        QVERIFY(!s.stop->isEnabled());
        QCOMPARE(approx.last(), (QList<QVariant>{1, 5}));
        // Checked: an earlier end can be set, but never one before the start.
        s.stopCheck->click();
        QVERIFY(s.stop->isEnabled());
        s.start->setValue(3);
        s.stop->setValue(2);
        QCOMPARE(s.stop->value(), 3);
        s.stop->setValue(4);
        QSignalSpy start(&t, &WPToolLine::startFlight);
        s.startButton->click();
        QCOMPARE(start.value(0), (QList<QVariant>{3, 4}));
        // Unchecked again (after the flight): the end is the last waypoint.
        t.wpV1Finished();
        s.stopCheck->click();
        QCOMPARE(s.stop->value(), 5);
    }

    void timeTexts_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("estimate");
        QTest::addColumn<QString>("flightTime");
        QTest::newRow("nothing") << 0.004 << "-" << "00:00:00";
        QTest::newRow("hour") << 3725.0 << "01:02:05" << "01:02:05";
        QTest::newRow("largest") << 65535.0 << "18:12:15" << "18:12:15";
        QTest::newRow("wraps at a day") << 90061.0 << "01:01:01" << "";
    }
    void timeTexts()
    {
        QFETCH(double, seconds);
        QFETCH(QString, estimate);
        QFETCH(QString, flightTime);
        WPData plan;
        WPToolLine t(&plan);
        t.approxTime(seconds);
        QCOMPARE(t.statusWidgets().estimate->text(), estimate);
        if (!flightTime.isEmpty()) {
            t.setFlighttime(ushort(seconds));
            QCOMPARE(t.statusWidgets().flightTime->text(), flightTime);
        }
    }

    void homeDistanceOnlyAfterHome()
    {
        WPData plan;
        WPToolLine t(&plan);
        const auto &s = t.statusWidgets();
        t.setCurrentPosition(11.001, 48.001);
        QCOMPARE(s.distance->text(), QString("-"));
        t.setHomePosition(11.0, 48.0);
        QCOMPARE(s.position->text(), QString("11 / 48"));
        t.setCurrentPosition(11.0, 48.001);
        QCOMPARE(s.distance->text(), QString("111.30m"));
        t.setRelativeHeight(12.5);
        QCOMPARE(s.height->text(), QString("12.50m"));
    }

    void stopDuringUploadAndFinish()
    {
        WPData plan;
        fill(plan, {0, 0, 0, 0, 0});
        WPToolLine t(&plan);
        t.setGeneralToolLine();
        const auto &s = t.statusWidgets();
        QSignalSpy start(&t, &WPToolLine::startFlight);
        QSignalSpy stop(&t, &WPToolLine::stopFlight);
        QSignalSpy changes(&t, &WPToolLine::switchChanges);
        s.startButton->click();
        QCOMPARE(s.startButton->text(), QString("Stop"));
        QCOMPARE(changes.takeFirst().first().toBool(), false);
        t.setWaypointUploadStatus(2, 1, 5);
        QCOMPARE(s.upload->text(), QString("Uploading Waypoint 2 (1 of 5)"));
        s.startButton->click();
        QCOMPARE(start.count(), 1);
        QCOMPARE(stop.count(), 1);
        QVERIFY(s.status->text().contains("Stopped!"));
        QCOMPARE(t.flightState(), 0);
        QCOMPARE(changes.takeFirst().first().toBool(), true);
        QCOMPARE(s.startButton->text(), QString("Start"));

        // A flight that ends: the next one starts at 1 and "Finished!" stays.
        s.startButton->click();
        t.wpV1Sending();
        QVERIFY(s.status->text().contains("Sending!"));
        t.wpV1Flying(1);
        QCOMPARE(s.status->text(), QString("<b>Flying</b>"));
        t.wpFinished(5);
        t.wpV1Finished();
        QCOMPARE(s.start->value(), 1);
        QVERIFY(s.status->text().contains("Finished!"));
        // Link texts that only count while a flight runs.
        t.wpV1Sending();
        QVERIFY(s.status->text().contains("Finished!"));
    }

    void progressInsideItsRange()
    {
        WPData plan;
        fill(plan, {0, 0, 0, 0, 0, 0});
        WPToolLine t(&plan);
        t.setGeneralToolLine();
        const auto &s = t.statusWidgets();
        s.start->setValue(3);
        s.startButton->click();
        for (int n : {3, 4, 5}) {
            t.wpFinished(n);
            QCOMPARE(s.start->value(), n + 1);  // the resume point
            QCOMPARE(s.progress->minimum(), 3);
            QCOMPARE(s.progress->maximum(), 6);
            QCOMPARE(s.progress->value(), n);
        }
        t.wpFinished(0);
        QCOMPARE(s.progress->value(), 5);
    }

    void abortedStartReturnsToIdle()
    {
        WPData plan;
        fill(plan, {0, 0});
        WPToolLine t(&plan);
        t.setGeneralToolLine();
        QSignalSpy changes(&t, &WPToolLine::switchChanges);
        t.statusWidgets().startButton->click();
        t.wpV1Pilotaborted();
        QCOMPARE(t.flightState(), 0);
        QVERIFY(t.statusWidgets().status->text().contains("Stopped!"));
        QCOMPARE(changes.last().first().toBool(), true);
        QVERIFY(t.waypointWidgets().height->isEnabled());
    }

    void gasWidgetWithFirstValidReading()
    {
        WPData plan;
        WPToolLine t(&plan);
        t.show();
        emit t.gasSensorValueChanged(65535);
        QVERIFY(t.statusWidgets().gas->isHidden());
        emit t.gasSensorValueChanged(400);
        QVERIFY(!t.statusWidgets().gas->isHidden());
        emit t.gasSensorValueChanged(65535);
        QVERIFY(!t.statusWidgets().gas->isHidden());
    }

    // ---- waypoint property page ----
    void typeBoxAndLastPoint()
    {
        WPData plan;
        fill(plan, {1, 11, 0});
        WPToolLine t(&plan);
        const auto &w = t.waypointWidgets();
        t.setWaypointData({2});
        QCOMPARE(t.currentPage(), int(WPToolLine::WaypointPage));
        QCOMPARE(w.type->currentIndex(), 1);
        QVERIFY(w.lastPoint->isChecked());
        QSignalSpy typed(&t, &WPToolLine::wpTypeChanged);
        w.type->setCurrentIndex(2);
        QCOMPARE(plan.waypointType(2), 12);
        QCOMPARE(typed.first(), (QList<QVariant>{2, 2}));

        // Steerwise sets 3 s at the waypoint, single sets 0.
        t.setWaypointData({3});
        w.type->setCurrentIndex(4);
        QCOMPARE(plan.waypointType(3), 3);
        QCOMPARE(plan.time(3), 3.0);
        w.type->setCurrentIndex(0);
        QCOMPARE(plan.waypointType(3), 0);
        QCOMPARE(plan.time(3), 0.0);
    }

    void lastWaypointKeepsItsMark()
    {
        WPData plan;
        fill(plan, {1, 1, 1});
        WPToolLine t(&plan);
        const auto &w = t.waypointWidgets();
        t.setWaypointData({3});
        QVERIFY(w.lastPoint->isChecked());
        w.lastPoint->setChecked(false);
        QVERIFY(w.lastPoint->isChecked());
        QCOMPARE(plan.waypointType(3), 11);
        // The next edit still applies.
        w.height->setValue(33);
        QCOMPARE(plan.height(3), 33.0);
        // A member inside the run can be made a last point.
        t.setWaypointData({1});
        QSignalSpy last(&t, &WPToolLine::wpv3LastPointChanged);
        w.lastPoint->setChecked(true);
        QCOMPARE(plan.waypointType(1), 11);
        QCOMPARE(last.count(), 1);
    }

    void headingInFlightDirection()
    {
        WPData plan;
        fill(plan, {1, 1, 1});
        plan.setYawSingle(1, 40);
        plan.setYawSingle(2, 70);
        plan.setHeadingInFlightDirection(1, true);
        WPToolLine t(&plan);
        const auto &w = t.waypointWidgets();
        t.setWaypointData({1});
        QVERIFY(w.headingInDir->isChecked());
        QVERIFY(!w.heading->isEnabled());
        t.setWaypointData({1, 2});
        w.headingInDir->setChecked(false);
        QVERIFY(w.heading->isEnabled());
        QCOMPARE(w.heading->value(), plan.yaw(1));
        QCOMPARE(plan.yaw(2), plan.yaw(1));
    }

    void differingValuesGreyAndOneEditWritesAll()
    {
        WPData plan;
        plan.addWaypoint(nullptr, wpOf(0, 50));
        plan.addWaypoint(nullptr, wpOf(0, 51));
        plan.addWaypoint(nullptr, wpOf(0, 51));
        WPToolLine t(&plan);
        const auto &w = t.waypointWidgets();
        t.setWaypointData({2, 3});
        QVERIFY(!w.height->styleSheet().contains("grey"));
        QCOMPARE(w.lonValue->text(), QString("2"));
        t.setWaypointData({1, 2});
        QCOMPARE(w.height->value(), 50.0);
        QCOMPARE(w.height->styleSheet(), QString("QDoubleSpinBox { color: grey }"));
        QVERIFY(!w.maxSpeed->styleSheet().contains("grey"));
        QSignalSpy changed(&t, &WPToolLine::dataChanged);
        QSignalSpy heights(&t, &WPToolLine::heightChangedByNumber);
        w.height->setValue(60);
        QCOMPARE(plan.height(1), 60.0);
        QCOMPARE(plan.height(2), 60.0);
        QCOMPARE(plan.height(3), 51.0);
        QCOMPARE(heights.count(), 2);
        QCOMPARE(changed.count(), 1);
        QVERIFY(!w.height->styleSheet().contains("grey"));
    }

    void groupEditTellsTheCanvasOncePerRun()
    {
        WPData plan;
        fill(plan, {1, 1, 11, 0, 1, 11});
        WPToolLine t(&plan);
        t.setWaypointData({1, 2, 3, 4, 5, 6});
        QSignalSpy heights(&t, &WPToolLine::heightChangedByNumber);
        QSignalSpy pitches(&t, &WPToolLine::pitchChangedByNumber);
        t.waypointWidgets().height->setValue(42);
        t.waypointWidgets().pitch->setValue(-45);
        QList<int> told;
        for (const QList<QVariant> &args : heights)
            told << args.first().toInt();
        QCOMPARE(told, (QList<int>{1, 4, 5}));
        QCOMPARE(pitches.count(), 3);
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(plan.height(n), 42.0);
            QCOMPARE(plan.camAngleNick(n), -45.0);
        }
    }

    void mixedKinds()
    {
        WPData plan;
        fill(plan, {3, 0, 1, 1});
        WPToolLine t(&plan);
        t.setWaypointData({1, 2});
        QCOMPARE(t.currentPage(), int(WPToolLine::ConversionPage));
        t.setWaypointData({2, 3});
        QCOMPARE(t.currentPage(), int(WPToolLine::WaypointPage));
        QCOMPARE(t.waypointWidgets().type->currentIndex(), 3);
        QVERIFY(t.waypointWidgets().type->currentText().isEmpty());
        QCOMPARE(plan.waypointType(2), 0);
    }

    void fillingNeverWrites()
    {
        WPData plan;
        plan.addWaypoint(nullptr, wpOf(0, 20, 0));
        plan.addWaypoint(nullptr, wpOf(3, 25, 0));
        WPToolLine t(&plan);
        QSignalSpy changed(&t, &WPToolLine::dataChanged);
        t.setWaypointData({1});
        t.setWaypointData({2});
        t.setWaypointData({1, 2});
        t.setWaypointData({1});
        QCOMPARE(plan.time(1), 0.0);
        QCOMPARE(plan.time(2), 0.0);
        QCOMPARE(t.waypointWidgets().time->value(), 1.0);
        QCOMPARE(changed.count(), 0);
    }

    void triggerOffDisablesCameraFields()
    {
        WPData plan;
        fill(plan, {3});
        plan.setShowCamera(1, true);
        WPToolLine t(&plan);
        t.show();
        const auto &w = t.waypointWidgets();
        t.setWaypointData({1});
        QVERIFY(w.pitch->isEnabled());
        w.trigger->click();
        QVERIFY(!plan.triggerCamera(1));
        QVERIFY(!w.pitch->isEnabled());
        QVERIFY(!w.pictures->isEnabled());
        QVERIFY(!w.showCamera->isEnabled());
        QVERIFY(!plan.showCamera(1));
    }

    void defaultsFromFirstSelected()
    {
        WPData plan;
        plan.addWaypoint(nullptr, wpOf(0, 30));
        plan.addWaypoint(nullptr, wpOf(0, 40));
        plan.addWaypoint(nullptr, wpOf(0, 77));
        WPToolLine t(&plan);
        t.setWaypointData({3});  // the hidden number box keeps 3
        t.setWaypointData({1, 2});
        t.waypointWidgets().setDefault->click();
        QCOMPARE(plan.defaults().heightMetres(), 30.0);
        QCOMPARE(t.toolTip(), QString("Saved"));
    }

    void conversion()
    {
        WPData plan;
        fill(plan, {3, 3, 0});
        plan.setCamAngleNick(3, -90);
        WPToolLine t(&plan);
        t.setWaypointData({1, 2, 3});
        t.generatorWidgets().toSteerwise->click();
        QCOMPARE(plan.waypointType(3), 3);
        QCOMPARE(plan.waypointType(1), 3);
        QCOMPARE(plan.camAngleNick(3), 90.0);
        QCOMPARE(t.currentPage(), int(WPToolLine::WaypointPage));

        WPData plan2;
        fill(plan2, {3, 3, 0});
        WPToolLine t2(&plan2);
        t2.setWaypointData({1, 2, 3});
        t2.generatorWidgets().toZephrin->click();
        for (int n : {1, 2, 3})
            QCOMPARE(plan2.waypointType(n), 0);
        QCOMPARE(t2.currentPage(), int(WPToolLine::WaypointPage));
    }

    // ---- generator pages ----
    void heightAndGroundSampleDistance()
    {
        WPData plan;
        WPToolLine t(&plan);
        const auto &g = t.generatorWidgets();
        QCOMPARE(QString::number(WPToolLine::gsdForHeight(t.camera(), 70), 'f', 3),
                 QString("20.207"));
        QCOMPARE(g.mcGsd->value(), 20.21);
        // A GSD whose height lies within 0.03 m leaves the height as it is.
        g.mcGsd->setValue(20.20);
        QCOMPARE(g.mcHeight->value(), 70.0);
        // 999.9 m: the GSD stops at the GSD of 999 m, and so does the height.
        g.mcHeight->setValue(999.9);
        // (the box keeps two decimals of the GSD limit, so within 0.03 m)
        QVERIFY(std::abs(g.mcHeight->value() - 999.0) < 0.03);
        QCOMPARE(g.mcGsd->value(), g.mcGsd->maximum());

        // Line page: the GSD box keeps its default limit of 99.99.
        t.lmFinishedClicked();
        QCOMPARE(t.currentPage(), int(WPToolLine::LineMatrixConfigPage));
        g.lmHeight->setValue(500);
        QCOMPARE(g.lmGsd->value(), 99.99);
        const double top = WPToolLine::heightForGsd(t.camera(), 99.99);
        QVERIFY(std::abs(g.lmHeight->value() - top) < 0.01);
        g.lmHeight->setValue(600);
        QCOMPARE(g.lmHeight->value(), 600.0);
        QCOMPARE(g.lmGsd->value(), 99.99);
    }

    void polygonSpeed()
    {
        WPData plan;
        WPToolLine t(&plan);
        const auto &g = t.generatorWidgets();
        t.setPolyIntroPage();
        QVERIFY(!g.pcFinish->isEnabled());
        t.poly3added();
        g.pcFinish->click();
        QCOMPARE(t.currentPage(), int(WPToolLine::PolygonConfigPage));
        g.pcHeight->setValue(70);
        g.pcCoverAlong->setValue(50);
        g.pcCoverCross->setValue(80);
        // vp = 14.49 is capped at 10; the turn limit between lines decides.
        QCOMPARE(g.pcSpeed->maximum(), 10.0);
        const double s = 0.2 * 2 * std::tan(30 * M_PI / 180) * 70;
        QCOMPARE(g.pcSpeed->value(), std::round((std::sqrt(s * 2.5) - 0.005) * 100) / 100);
        // By hand: the speed stays, the maximum still follows the overlap.
        g.pcSpeed->setValue(4);
        QVERIFY(!g.pcAuto->isChecked());
        g.pcCoverAlong->setValue(85);
        QCOMPARE(g.pcSpeed->value(), 4.0);
        QVERIFY(g.pcSpeed->maximum() < 10);
        // Limits that push each other settle inside every range.
        g.pcAuto->setChecked(true);
        for (double h : {10.0, 999.9, 12.0}) {
            g.pcHeight->setValue(h);
            QVERIFY(g.pcHeight->value() >= g.pcHeight->minimum());
            QVERIFY(g.pcCoverAlong->value() <= g.pcCoverAlong->maximum());
            QVERIFY(g.pcCoverCross->value() <= g.pcCoverCross->maximum());
            QVERIFY(g.pcSpeed->value() <= g.pcSpeed->maximum());
        }
    }

    void matrixFlowAndSettings()
    {
        WPData plan;
        WPToolLine t(&plan);
        const auto &g = t.generatorWidgets();
        t.setMatrixIntroPage();
        for (int n : {1, 2, 3}) {
            t.setNumberOfMatrixPointsOnMap(n);
            QCOMPARE(t.currentPage(), int(WPToolLine::MatrixIntroPage));
            QCOMPARE(g.mcCount->text(), QString::number(4 - n));
        }
        t.setNumberOfMatrixPointsOnMap(4);
        QCOMPARE(t.currentPage(), int(WPToolLine::MatrixConfigPage));
        g.mcCoverH->setValue(30);
        g.mcCoverV->setValue(70);
        g.mcDirection->setChecked(false);
        QSignalSpy gen(&t, &WPToolLine::generateMatrixClicked);
        QSignalSpy apply(&t, &WPToolLine::applyMatrixClicked);
        g.mcGenerate->click();
        const QPointF fov = t.camera().fieldOfView();
        QCOMPARE(gen.value(0), (QList<QVariant>{70.0, 70, 30, fov.x(), fov.y(), false}));
        QVERIFY(g.mcApply->isEnabled());
        g.mcApply->click();
        QCOMPARE(apply.count(), 1);
        QVERIFY(!g.mcApply->isEnabled());
        QSettings *st = Data::instance()->settings();
        QCOMPARE(st->value("WP Horizontal Cover").toInt(), 30);
        QCOMPARE(st->value("WP Vertical Cover").toInt(), 70);
        QCOMPARE(st->value("WP Check Direction").toBool(), false);

        // Polygon: along-track second, cross-track third, always in direction.
        t.polygonFinishedClicked();
        g.pcCoverCross->setValue(20);
        g.pcCoverAlong->setValue(60);
        g.pcGenerate->click();
        QCOMPARE(gen.last().mid(1, 2), (QList<QVariant>{60, 20}));
        QCOMPARE(gen.last().last().toBool(), true);
        QSignalSpy polyApply(&t, &WPToolLine::applyPolygonClicked);
        g.pcApply->click();
        QCOMPARE(polyApply.value(0).first().toDouble(), g.pcSpeed->value());
        QCOMPARE(st->value("WP Horizontal Cover").toInt(), 20);
        QCOMPARE(st->value("WP Vertical Cover").toInt(), 60);

        // Line: height, vertical view angle, overlap.
        QSignalSpy line(&t, &WPToolLine::generateLineMatrix);
        t.lmFinishedClicked();
        g.lmGenerate->click();
        QCOMPARE(line.value(0), (QList<QVariant>{g.lmHeight->value(), fov.y(),
                                                 g.lmOverlap->value()}));
        QSignalSpy lineApply(&t, &WPToolLine::applyLineMatrixClicked);
        g.lmApply->click();
        QCOMPARE(lineApply.count(), 1);
        QVERIFY(!g.lmApply->isEnabled());

        // Circle: two points open its page; direction, step, height, angle.
        t.setCOIIntroPage();
        t.setNumberOfCOIPointsOnMap(1);
        QCOMPARE(t.currentPage(), int(WPToolLine::CoiIntroPage));
        t.setNumberOfCOIPointsOnMap(2);
        QCOMPARE(t.currentPage(), int(WPToolLine::CoiConfigPage));
        t.setCoiPoint1(QPointF(11.5, 48.25));
        t.setCoiPoint2(42.5);
        QCOMPARE(g.coiLon->text(), QString("11.5\u00B0"));
        QCOMPARE(g.coiRadius->text(), QString("42.5m"));
        QSignalSpy coi(&t, &WPToolLine::generateCOIClicked);
        g.coiDirection->setCurrentIndex(1);
        g.coiIncrement->setValue(15);
        g.coiCamAngle->setValue(-30);
        g.coiGenerate->click();
        QCOMPARE(coi.value(0), (QList<QVariant>{1, 15, 70.0, -30.0}));
    }

    void areaTexts_data()
    {
        QTest::addColumn<double>("area");
        QTest::addColumn<QString>("text");
        QTest::newRow("m2") << 850.0 << QString("850m\u00B2");
        QTest::newRow("below ha") << 9999.5 << QString("9999.5m\u00B2");
        QTest::newRow("ha") << 10000.0 << QString("1ha");
        QTest::newRow("km2") << 10000000.0 << QString("10km\u00B2");
    }
    void areaTexts()
    {
        QFETCH(double, area);
        QFETCH(QString, text);
        QCOMPARE(WPToolLine::areaText(area), text);
    }

    // ---- ruler, placemark, camera ----
    void rulerAndPlacemark()
    {
        WPData plan;
        WPToolLine t(&plan);
        const auto &g = t.generatorWidgets();
        t.setLinealPage();
        t.setLinealPoint1(QPointF(11.5, 48.123456789));
        t.setLinealPoint2(QPointF(11.6, 48.2), 1234567.0);
        QCOMPARE(g.rulerLon1->text(), QString("11.5\u00B0"));
        QCOMPARE(g.rulerLat1->text(), QString("48.12345679\u00B0"));
        QCOMPARE(g.rulerDistance->text(), QString("1.23457e+06m"));
        t.setLinealPoint1(QPointF(12, 49));
        QCOMPARE(g.rulerLon2->text(), QString("-"));
        QCOMPARE(g.rulerDistance->text(), QString("-"));

        t.setPM(nullptr);
        QCOMPARE(t.currentPage(), int(WPToolLine::RulerPage));
        QStandardItem item("Tower");
        item.setData(11.25, Qt::UserRole + 1);
        item.setData(48.5, Qt::UserRole + 2);
        item.setData("Masts", Qt::UserRole + 3);
        t.setPM(&item);
        QCOMPARE(t.currentPage(), int(WPToolLine::PlacemarkPage));
        QCOMPARE(g.pmName->text(), QString("Tower"));
        QCOMPARE(g.pmGroup->text(), QString("Masts"));
        QCOMPARE(g.pmLon->text(), QString("11.25"));
    }

    void cameraChooser()
    {
        WPData plan;
        WPToolLine t(&plan);
        const auto &g = t.generatorWidgets();
        QCOMPARE(g.hAngle->text(), QString("60"));
        const double pcMax = g.pcGsd->maximum();
        g.camera->setCurrentText("Wide90");
        QCOMPARE(t.camera().name, QString("Wide90"));
        QCOMPARE(g.hAngle->text(), QString("90"));
        QCOMPARE(g.mcCamera->text(), QString("Wide90"));
        QCOMPARE(g.mcHAngle->text(), QString("90"));
        QVERIFY(std::abs(g.pcGsd->maximum() - WPToolLine::gsdForHeight(t.camera(), 999)) < 0.01);
        QVERIFY(g.pcGsd->maximum() != pcMax);
        QCOMPARE(g.mcGsd->maximum(), g.pcGsd->maximum());
        QCOMPARE(Data::instance()->currentCamera().name, QString("Wide90"));
    }
};

KORVEL_TEST_MAIN(TestWPToolLine)
#include "test_wptoolline.moc"
