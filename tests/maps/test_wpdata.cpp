// The flight-plan model: scaled units, matrix groups, the closing rule,
// type changes, flight status, headings of survey runs, defaults and the
// ownership of the waypoint items.
#include <QGraphicsScene>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "core/data.h"
#include "support/testkit.h"
#include "maps/wpdata.h"
#include "wpfixture.h"
#include "maps/items/wpwaypoint.h"

namespace {

// A plan on the fixture map with one waypoint per type, each at its own
// pixel position (100 px apart along x unless positions are given).
void fill(WPData &plan, const QList<int> &types, const QList<QPointF> &positions = {})
{
    for (int i = 0; i < types.size(); ++i) {
        const QPointF p = positions.isEmpty() ? QPointF(100 + 100 * i, 400) : positions[i];
        auto *item = new WPWaypoint(p.x(), p.y(), 1.0, plan.count() + 1, types[i]);
        plan.addWaypoint(item, WPFixture::Typed().height(10).pictures(1).posAcc(2).type(types[i])
                                   .speed(6.0f).acc(2.0f));
    }
}

QList<int> typesOf(WPData &plan, bool items = false)
{
    QList<int> t;
    for (int n = 1; n <= plan.count(); ++n)
        t << (items ? plan.waypointItem(n)->waypointType() : plan.record(n).type);
    return t;
}

}  // namespace

class TestWPData : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_map;

private slots:
    void initTestCase() { m_map = WPFixture::writeMap(m_dir.path()); }

    void init()
    {
        QSettings *s = Data::instance()->settings();
        for (const QString &k : s->allKeys())
            if (k.startsWith("Waypoint ") || k.startsWith("V3 "))
                s->remove(k);
        Data::instance()->setFlightplanEffects(0);
    }

    // Every setter stores the scaled integer of the file and the getter
    // gives the value back in its unit.
    void scaledUnits()
    {
        struct Row {
            const char *name;
            std::function<void(WPData &)> set;
            std::function<qint64(const Waypoint &)> stored;
            qint64 expected;
            std::function<double(WPData &)> get;
            double shown;
        };
        auto pitch = [](const Waypoint &r) { return quint16(r.pitch); };
        auto nick = [](WPData &p) { return p.camAngleNick(1); };
        auto speed = [](const Waypoint &r) { return qint64(r.maxSpeed); };
        auto getSpeed = [](WPData &p) { return double(p.maxSpeed(1)); };
        auto time = [](const Waypoint &r) { return quint16(r.time); };
        auto getTime = [](WPData &p) { return p.time(1); };
        auto acc = [](const Waypoint &r) { return quint16(r.posAcc); };
        auto getAcc = [](WPData &p) { return p.posAcc(1); };
        auto pics = [](const Waypoint &r) { return qint64(r.noPictures); };
        auto getPics = [](WPData &p) { return double(p.noPictures(1)); };
        auto yaw = [](const Waypoint &r) { return qint64(r.yaw); };
        auto getYaw = [](WPData &p) { return p.yaw(1); };
        auto height = [](const Waypoint &r) { return qint64(r.height); };
        auto getHeight = [](WPData &p) { return p.height(1); };
        auto v3 = [](const Waypoint &r) { return qint64(r.v3Speed * 1000); };
        auto getV3 = [](WPData &p) { return double(p.v3Speed(1)); };
        const QList<Row> rows = {
            {"pitch -90", [](WPData &p) { p.setCamAngleNick(1, -90); }, pitch, 2000, nick, -90},
            {"pitch 12.346", [](WPData &p) { p.setCamAngleNick(1, 12.346); }, pitch, 12235, nick, 12.35},
            {"pitch -0.005", [](WPData &p) { p.setCamAngleNick(1, -0.005); }, pitch, 10999, nick, -0.01},
            {"max speed 5", [](WPData &p) { p.setMaxSpeed(1, 5); }, speed, 10, getSpeed, 10},
            {"max speed 250", [](WPData &p) { p.setMaxSpeed(1, 250); }, speed, 100, getSpeed, 100},
            {"time 25", [](WPData &p) { p.setTime(1, 25); }, time, 2000, getTime, 20},
            {"time 1.239", [](WPData &p) { p.setTime(1, 1.239); }, time, 123, getTime, 1.23},
            {"time -3", [](WPData &p) { p.setTime(1, -3); }, time, 0, getTime, 0},
            {"pos acc 30", [](WPData &p) { p.setPosAcc(1, 30); }, acc, 20000, getAcc, 20},
            {"pos acc 2.5", [](WPData &p) { p.setPosAcc(1, 2.5); }, acc, 2500, getAcc, 2.5},
            {"pos acc half mm", [](WPData &p) { p.setPosAcc(1, 0.0005); }, acc, 1, getAcc, 0.001},
            {"pictures -4", [](WPData &p) { p.setNoPictures(1, -4); }, pics, 0, getPics, 0},
            {"pictures 12", [](WPData &p) { p.setNoPictures(1, 12); }, pics, 12, getPics, 12},
            {"pictures 300", [](WPData &p) { p.setNoPictures(1, 300); }, pics, 127, getPics, 127},
            {"yaw single -45", [](WPData &p) { p.setYawSingle(1, -45); }, yaw, -45000, getYaw, -45},
            {"yaw single 725.5", [](WPData &p) { p.setYawSingle(1, 725.5); }, yaw, 5500, getYaw, 5.5},
            {"yaw 370", [](WPData &p) { p.setYaw(1, 370); }, yaw, 10000, getYaw, 10},
            {"yaw 90.0009", [](WPData &p) { p.setYaw(1, 90.0009); }, yaw, 90000, getYaw, 90},
            {"height 12.3456", [](WPData &p) { p.setHeight(1, 12.3456); }, height, 12346, getHeight, 12.346},
            {"height -1.5", [](WPData &p) { p.setHeight(1, -1.5); }, height, -1500, getHeight, -1.5},
            {"speed 20", [](WPData &p) { p.setV3Speed(1, 20); }, v3, 10000, getV3, 10},
            {"speed 0.1", [](WPData &p) { p.setV3Speed(1, 0.1); }, v3, 500, getV3, 0.5},
        };
        for (const Row &row : rows) {
            WPData plan;
            QVERIFY(plan.loadMapImage(m_map));
            fill(plan, {0});
            row.set(plan);
            QVERIFY2(row.stored(plan.record(1)) == row.expected,
                     qPrintable(QString("%1: stored %2").arg(row.name).arg(row.stored(plan.record(1)))));
            QVERIFY2(qAbs(row.get(plan) - row.shown) < 1e-6,
                     qPrintable(QString("%1: shown %2").arg(row.name).arg(row.get(plan))));
        }
    }

    void flagsAndAcceleration()
    {
        WPData plan;
        fill(plan, {0, 1, 11});
        plan.setActive(1, false);
        plan.setTriggerCamera(1, true);
        plan.setShowCamera(1, true);
        plan.setDesiredAcc(1, 3.25);
        plan.setProperties(1, 0x82);
        const Waypoint r = plan.record(1);
        QVERIFY(!r.active && r.triggerCamera && r.showCamera);
        QCOMPARE(r.desiredAcc, 3.25f);
        QCOMPARE(quint8(r.properties), quint8(0x82));
        QVERIFY(!plan.headingInFlightDirection(1));
        // Heading in flight direction only applies to matrix runs.
        plan.setHeadingInFlightDirection(1, true);
        QCOMPARE(quint8(plan.properties(1)), quint8(0x82));
        plan.setHeadingInFlightDirection(2, true);
        QVERIFY(plan.headingInFlightDirection(2) && plan.headingInFlightDirection(3));
        plan.setHeadingInFlightDirection(3, false);
        QVERIFY(!plan.headingInFlightDirection(2) && !plan.headingInFlightDirection(3));
    }

    void matrixGroups_data()
    {
        QTest::addColumn<QList<int>>("types");
        QTest::addColumn<QString>("setter");
        QTest::addColumn<int>("n");
        QTest::addColumn<QList<int>>("changed");
        QTest::newRow("height inside a run") << QList<int>{0, 1, 1, 1, 11, 0} << "height" << 3
                                             << QList<int>{2, 3, 4, 5};
        QTest::newRow("height of the closing 11") << QList<int>{0, 1, 1, 11, 0} << "height" << 4
                                                  << QList<int>{2, 3, 4};
        QTest::newRow("height before a run") << QList<int>{0, 1, 1, 11, 0} << "height" << 1
                                             << QList<int>{1};
        QTest::newRow("speed before a run") << QList<int>{0, 1, 1, 11, 0} << "speed" << 1
                                            << QList<int>{1, 2, 3, 4};
        QTest::newRow("yaw inside a run") << QList<int>{1, 1, 11, 1, 11} << "yaw" << 2
                                          << QList<int>{1, 2, 3};
        QTest::newRow("max speed, run not closed by 11") << QList<int>{1, 1, 0} << "maxSpeed" << 1
                                                         << QList<int>{1, 2};
        QTest::newRow("pitch of a single waypoint") << QList<int>{0, 0, 0} << "pitch" << 2
                                                    << QList<int>{2};
    }
    void matrixGroups()
    {
        QFETCH(QList<int>, types);
        QFETCH(QString, setter);
        QFETCH(int, n);
        QFETCH(QList<int>, changed);
        WPData plan;
        fill(plan, types);
        const QList<Waypoint> before = [&] {
            QList<Waypoint> l;
            for (int i = 1; i <= plan.count(); ++i)
                l << plan.record(i);
            return l;
        }();
        if (setter == "height")
            plan.setHeight(n, 55);
        else if (setter == "speed")
            plan.setV3Speed(n, 8);
        else if (setter == "yaw")
            plan.setYaw(n, 90);
        else if (setter == "maxSpeed")
            plan.setMaxSpeed(n, 40);
        else
            plan.setCamAngleNick(n, -45);
        QList<int> got;
        for (int i = 1; i <= plan.count(); ++i) {
            const Waypoint a = before[i - 1], b = plan.record(i);
            if (a.height != b.height || a.v3Speed != b.v3Speed || a.yaw != b.yaw ||
                a.maxSpeed != b.maxSpeed || a.pitch != b.pitch)
                got << i;
        }
        QCOMPARE(got, changed);
    }

    void groupSetterIgnoresTheSameValue()
    {
        WPData plan;
        fill(plan, {1, 1, 11});
        plan.setYaw(1, 10);        // the whole run
        plan.setYawSingle(2, 50);  // this one only
        QCOMPARE(plan.yaw(3), 10.0);
        // Waypoint 1 already holds 10 degrees: nothing is copied.
        plan.setYaw(1, 10);
        QCOMPARE(plan.yaw(2), 50.0);
        plan.setYaw(1, 20);
        QCOMPARE(plan.yaw(2), 20.0);
    }

    void speedSignals()
    {
        WPData plan;
        fill(plan, {1, 1, 1, 11, 0});
        plan.setV3Speed(2, 4.0);  // the whole run
        plan.setV3Speed(4, 9.0);  // from the closing waypoint: the run too
        QSignalSpy spy(&plan, &WPData::v3SpeedChanged);
        plan.setV3Speed(3, 9.005);  // within 0.01 of what is stored
        QCOMPARE(spy.count(), 0);
        plan.setV3Speed(1, 9.0);
        QCOMPARE(spy.count(), 0);
        // Waypoint 3 first, then backwards (2, 1), then forwards (4); the
        // type-0 waypoint 5 is left out.
        plan.setV3Speed(3, 5.0);
        QList<int> order;
        for (const QList<QVariant> &args : spy) {
            order << args.at(0).toInt();
            QCOMPARE(args.at(1).toDouble(), 5.0);
        }
        QCOMPARE(order, (QList<int>{3, 2, 1, 4}));
        QCOMPARE(plan.v3Speed(5), 6.0f);
    }

    void closingRule_data()
    {
        QTest::addColumn<QList<int>>("types");
        QTest::addColumn<QList<int>>("closed");
        QTest::newRow("run inside") << QList<int>{0, 1, 1, 0} << QList<int>{0, 1, 11, 0};
        QTest::newRow("first waypoint alone stays") << QList<int>{1, 0} << QList<int>{1, 0};
        QTest::newRow("open at the end") << QList<int>{0, 1, 1} << QList<int>{0, 1, 11};
        QTest::newRow("already closed") << QList<int>{1, 1, 11, 5} << QList<int>{1, 1, 11, 5};
        QTest::newRow("two runs") << QList<int>{0, 1, 1, 3, 1, 1, 2}
                                  << QList<int>{0, 1, 11, 3, 1, 11, 2};
        QTest::newRow("single type-1 waypoint") << QList<int>{1} << QList<int>{11};
        QTest::newRow("empty plan") << QList<int>{} << QList<int>{};
    }
    void closingRule()
    {
        QFETCH(QList<int>, types);
        QFETCH(QList<int>, closed);
        WPData plan;
        fill(plan, types);
        plan.closeMatrixGroups();
        QCOMPARE(typesOf(plan), closed);
        QCOMPARE(typesOf(plan, true), closed);  // the items follow
    }

    void typeQueryClosesARunEnd()
    {
        WPData plan;
        fill(plan, {1, 0, 1});
        QCOMPARE(plan.waypointType(1), 11);
        QCOMPARE(plan.waypointType(3), 11);  // last of the plan
        QCOMPARE(plan.waypointItem(1)->waypointType(), 11);
        QCOMPARE(plan.waypointType(2), 0);
    }

    void panoramaStep_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("pictures");
        QTest::addColumn<int>("step");
        QTest::newRow("12 pictures") << 5 << 12 << 3000;
        QTest::newRow("7 pictures") << 5 << 7 << 5142;
        QTest::newRow("no pictures") << 5 << 0 << 0;
        QTest::newRow("not a panorama") << 0 << 12 << 0;
    }
    void panoramaStep()
    {
        QFETCH(int, type);
        QFETCH(int, pictures);
        QFETCH(int, step);
        WPData plan;
        fill(plan, {type});
        plan.setNoPictures(1, pictures);
        QCOMPARE(plan.panoramaStep(1), step);
    }

    void steerwiseTypeMirrorsPitch()
    {
        WPData plan;
        fill(plan, {0});
        plan.setCamAngleNick(1, -90);
        QSignalSpy spy(&plan, &WPData::wpDataChanged);
        plan.setWaypointType(1, 3);
        QCOMPARE(plan.record(1).pitch, qint16(20000));
        QCOMPARE(plan.camAngleNick(1), 90.0);
        QCOMPARE(plan.waypointItem(1)->waypointType(), 3);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 1);
        plan.setWaypointType(1, 3);  // unchanged
        plan.setWaypointType(1, 5);  // away from 3: back again
        QCOMPARE(plan.camAngleNick(1), -90.0);
        plan.setWaypointType(1, 1);  // neither is 3
        QCOMPARE(plan.camAngleNick(1), -90.0);
        QCOMPARE(spy.count(), 2);
    }

    void flightStatus()
    {
        WPData plan;
        fill(plan, {0, 0, 0});
        plan.setWaypoint_flightstatus(1, 1, true);
        plan.setWaypoint_flightstatus(2, 1, true);
        // Only one item shows "on the way"; the list keeps its mark.
        QCOMPARE(plan.waypointItem(1)->flightStatus(), 0);
        QCOMPARE(plan.waypoint_flightstatus(1), 1u);
        QCOMPARE(plan.waypointItem(2)->flightStatus(), 1);
        plan.setWaypoint_flightstatus(3, 2, false);
        QCOMPARE(plan.waypoint_flightstatus(3), 2u);
        QCOMPARE(plan.waypointItem(3)->flightStatus(), 0);
        plan.setWaypoint_flightstatus(0, 2, true);
        plan.setWaypoint_flightstatus(4, 2, true);
        QCOMPARE(plan.waypoint_flightstatus(1), 1u);
    }

    void matrixHeadings()
    {
        // Line north, cross leg east, line south; 100 px per leg on a
        // north-up map.
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        const QList<QPointF> at = {{100, 300}, {100, 200}, {100, 100}, {200, 100},
                                   {200, 200}, {200, 300}, {300, 300}};
        fill(plan, {1, 1, 1, 1, 1, 11, 0}, at);
        QSignalSpy spy(&plan, &WPData::wpDataChanged);
        plan.calculateMatrixHeadings({});
        QList<int> yaws;
        for (int n = 1; n <= plan.count(); ++n)
            yaws << plan.record(n).yaw;
        QCOMPARE(yaws, (QList<int>{0, 0, 0, 180000, 180000, 180000, 0}));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 1);
    }

    void matrixHeadingsOfAnOpenRunAtTheEnd()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        fill(plan, {0, 1, 1, 1}, {{50, 50}, {100, 300}, {100, 200}, {100, 100}});
        plan.calculateMatrixHeadings({2, 4});
        // The last waypoint takes the closing place; nothing past it is read.
        QCOMPARE(plan.record(2).yaw, 0);
        QCOMPARE(plan.record(3).yaw, 0);
        QCOMPARE(plan.record(4).yaw, 0);

        WPData single;  // a run of one waypoint with no leg at all
        fill(single, {0, 1});
        single.calculateMatrixHeadings({});
        QCOMPARE(single.record(2).yaw, 0);
    }

    void addWaypointClampsIntoStoredWidths()
    {
        Data::instance()->settings()->setValue("Waypoint showCamera", true);
        Data::instance()->settings()->setValue("Waypoint properties", 4);
        WPData plan;
        auto *item = new WPWaypoint(10, 10, 1.0, 1, 1);
        const Waypoint wp = WPFixture::Typed().height(35.5).yaw(-90).trigger().pitch(-90)
                                .pictures(300).posAcc(70).wait(700).maxSpeed(80).type(1)
                                .speed(7.5f).acc(2.5f).roll(15).follows();
        plan.addWaypoint(item, wp.withinTypedRanges());
        const Waypoint r = plan.record(1);
        QCOMPARE(plan.waypointItem(1), item);
        QCOMPARE(r.height, 35500);
        QCOMPARE(r.yaw, 270000);
        QCOMPARE(quint16(r.pitch), quint16(2000));
        QCOMPARE(r.noPictures, qint8(127));
        QCOMPARE(quint16(r.posAcc), quint16(20000));
        QCOMPARE(quint16(r.time), quint16(2000));
        QCOMPARE(int(r.maxSpeed), 80);
        QCOMPARE(r.v3Speed, 7.5f);
        QCOMPARE(r.desiredAcc, 2.5f);
        QCOMPARE(r.camAngleRoll, 15);
        QCOMPARE(plan.camAngleRoll(1), 0.15);
        QVERIFY(r.active && r.triggerCamera && r.showCamera);
        QCOMPARE(int(r.properties), 4 | 1);  // template flags plus heading bit
        QCOMPARE(plan.waypoint_flightstatus(1), 0u);
    }

    void defaultsFromTheSettings()
    {
        WPData plan;
        plan.addDefaultWaypoint(new WPWaypoint(0, 0, 1.0, 1, 0));
        Waypoint r = plan.record(1);
        QCOMPARE(r.height, 70000);
        QCOMPARE(quint16(r.posAcc), quint16(2500));
        QCOMPARE(int(r.maxSpeed), 100);
        QCOMPARE(quint16(r.pitch), quint16(11000));
        QCOMPARE(r.noPictures, qint8(1));
        QVERIFY(r.triggerCamera && !r.showCamera && r.active);
        QCOMPARE(r.v3Speed, 6.0f);
        QCOMPARE(r.desiredAcc, 2.0f);
        QCOMPARE(r.type, 0);
        QCOMPARE(r.time, qint16(0));

        // Saved as default, the values come back in the next plan.
        plan.setHeight(1, 42);
        plan.setTime(1, 4);
        plan.setV3Speed(1, 3.5);
        plan.setProperties(1, 1);
        plan.setWaypointType(1, 3);
        plan.saveAsDefault(1);
        QSettings *s = Data::instance()->settings();
        QCOMPARE(s->value("Waypoint height").toInt(), 42000);
        QCOMPARE(s->value("Waypoint time").toInt(), 400);
        QCOMPARE(s->value("Waypoint properties").toInt(), 0);
        QCOMPARE(s->value("V3 Type").toInt(), 3);
        WPData next;
        next.addDefaultWaypoint(new WPWaypoint(0, 0, 1.0, 1, 3));
        r = next.record(1);
        QCOMPARE(r.height, 42000);
        QCOMPARE(r.v3Speed, 3.5f);
        QCOMPARE(r.type, 3);
        QCOMPARE(quint16(r.pitch), quint16(11000));  // 0 degrees mirrored stays 0
    }

    void unknownDefaultTypeIsReset()
    {
        Data::instance()->settings()->setValue("V3 Type", 2.7);
        WPData plan;
        QCOMPARE(Data::instance()->settings()->value("V3 Type").toInt(), 0);
        plan.addDefaultWaypoint(new WPWaypoint(0, 0, 1.0, 1, 0));
        QCOMPARE(plan.record(1).type, 0);
    }

    void removeAndSwitch()
    {
        Data::instance()->setFlightplanHighres(1);
        WPData plan;
        fill(plan, {0, 0, 0});
        QPointer<WPWaypoint> first = plan.waypointItem(1);
        WPWaypoint *third = plan.waypointItem(3);
        plan.removeWaypoint(1);
        QVERIFY(first.isNull());
        QCOMPARE(plan.count(), 2);
        QCOMPARE(plan.waypointItem(2), third);
        QCOMPARE(third->number(), 2);
        QCOMPARE(third->digitImage(0), 3);  // images wait for the refresh
        plan.refreshWaypointNumbers();
        QCOMPARE(third->digitImage(0), 2);

        plan.setHeight(1, 11);
        plan.switchWaypoints(1, 2, true);
        QCOMPARE(plan.waypointItem(1), third);
        QCOMPARE(third->number(), 1);
        QCOMPARE(third->digitImage(0), 1);
        QCOMPARE(plan.height(2), 11.0);
    }

    void moveAndScaleItems()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        fill(plan, {0, 0});
        plan.setWaypointGeo(1, 11.005, 48.005);
        QVERIFY((plan.waypointPos(1) - QPointF(500, 400)).manhattanLength() < 1e-6);
        const QPointF geo = plan.waypointGeo(1);
        QVERIFY(qAbs(geo.x() - 11.005) < 1e-9 && qAbs(geo.y() - 48.005) < 1e-9);
        plan.setScale(2);
        QCOMPARE(plan.waypointItem(2)->pos(), QPointF(200 - 6.25, 400 - 6.25));
    }

    // The plan owns its items; a scene that shows them must not make the
    // plan delete them twice, whichever goes first.
    void itemOwnership()
    {
        {
            auto *scene = new QGraphicsScene;
            WPData plan;
            fill(plan, {0, 0});
            for (int n = 1; n <= plan.count(); ++n)
                scene->addItem(plan.waypointItem(n));
            plan.detachItems();
            delete scene;
            QVERIFY(plan.waypointItem(1));
            QCOMPARE(plan.waypointPos(2), QPointF(200, 400));
        }
        {
            auto *scene = new QGraphicsScene;
            auto *plan = new WPData;
            fill(*plan, {0, 0});
            for (int n = 1; n <= plan->count(); ++n)
                scene->addItem(plan->waypointItem(n));
            plan->removeWaypoint(1);  // deleting it takes it off the scene
            QCOMPARE(scene->items().size(), 1);
            delete scene;              // deletes the shown item
            QVERIFY(!plan->waypointItem(1));
            QCOMPARE(plan->waypointPos(1), QPointF(200, 400));  // last known
            delete plan;               // no second delete
        }
    }

    void importKmlIsRefused()
    {
        WPData plan;
        QVERIFY(!plan.importKml(m_dir.filePath("x.kml")));
    }
};

KORVEL_TEST_MAIN(TestWPData)
#include "test_wpdata.moc"
