// Relative correction and kind conversion of many waypoints, on a real plan
// so the setters' clamping and run copying take part.
#include <QSettings>
#include <QTemporaryDir>
#include <QtMath>
#include <QtTest>
#include <cmath>
#include <functional>

#include "../maps/wpfixture.h"
#include "core/data.h"
#include "maps/items/wpwaypoint.h"
#include "maps/wpdata.h"
#include "planner/geometry/relativevalues.h"
#include "support/testkit.h"

namespace {

struct Wp {
    int type;
    double height;
    double yaw;
    double pitch;
};

void fill(WPData &plan, const QList<Wp> &wps)
{
    for (int i = 0; i < wps.size(); ++i) {
        const Wp &w = wps[i];
        auto *item = new WPWaypoint(200 + 100 * i, 400, 1.0, plan.count() + 1, w.type);
        plan.addWaypoint(item, WPFixture::Typed().height(w.height).yaw(w.yaw).trigger()
                                   .pitch(w.pitch).pictures(1).posAcc(2).type(w.type).speed(6.0f)
                                   .acc(2.0f));
    }
}

// Metres east and north between two (lon, lat) points.
QPointF metresBetween(const QPointF &a, const QPointF &b)
{
    const double r = 6378137.0;
    return QPointF((b.x() - a.x()) * M_PI / 180 * r * std::cos(a.y() * M_PI / 180),
                   (b.y() - a.y()) * M_PI / 180 * r);
}

}  // namespace

class TestRelativeValues : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_map;

private slots:
    void initTestCase()
    {
        m_map = WPFixture::writeMap(m_dir.path());
        Data::instance()->setFlightplanEffects(0);
    }

    void corrections()
    {
        using RelativeValues::Correction;
        struct Row {
            const char *name;
            QList<Wp> plan;
            QList<int> selection;
            Correction correction;
            std::function<QString(WPData &)> check;  // empty when right
        };
        auto heights = [](QList<double> want) {
            return [want](WPData &p) {
                for (int i = 0; i < want.size(); ++i)
                    if (qAbs(p.height(i + 1) - want[i]) > 1e-6)
                        return QString("height %1 is %2").arg(i + 1).arg(p.height(i + 1));
                return QString();
            };
        };
        auto speeds = [](QList<double> want) {
            return [want](WPData &p) {
                for (int i = 0; i < want.size(); ++i)
                    if (qAbs(p.v3Speed(i + 1) - want[i]) > 1e-4)
                        return QString("speed %1 is %2").arg(i + 1).arg(p.v3Speed(i + 1));
                return QString();
            };
        };
        Correction up5;
        up5.height = 5;
        Correction tiny;
        tiny.height = 0.004;
        Correction slow;
        slow.velocity = 0.5;
        Correction fast;
        fast.velocity = 1.5;
        Correction pics;
        pics.pictures = -4;
        Correction speedUp;
        speedUp.maxSpeed = 30;
        const Wp single20{0, 20, 0, 0}, single30{0, 30, 0, 0};
        const QList<Row> rows = {
            {"height +5", {single20, single30}, {1, 2}, up5, heights({25, 35})},
            {"height 0.004 is no change", {single20, single30}, {1, 2}, tiny, heights({20, 30})},
            {"velocity 0.5 is no change", {single20}, {1}, slow, speeds({6})},
            {"velocity 1.5 added", {single20}, {1}, fast, speeds({7.5})},
            {"unselected waypoint stays", {single20, single30}, {2}, up5, heights({20, 35})},
            // A whole run selected: the run setter copies, the offset still
            // counts once.
            {"run member once",
             {{1, 20, 0, 0}, {1, 20, 0, 0}, {11, 20, 0, 0}},
             {1, 2, 3},
             up5,
             heights({25, 25, 25})},
            {"pictures clamp at 0", {single20}, {1}, pics,
             [](WPData &p) { return p.noPictures(1) == 0 ? QString() : QString::number(p.noPictures(1)); }},
            {"max speed clamps at 100", {single20}, {1}, speedUp,
             [](WPData &p) { return p.maxSpeed(1) == 100 ? QString() : QString::number(p.maxSpeed(1)); }},
        };
        for (const Row &row : rows) {
            WPData plan;
            QVERIFY(plan.loadMapImage(m_map));
            fill(plan, row.plan);
            RelativeValues::apply(plan, row.selection, row.correction);
            const QString wrong = row.check(plan);
            QVERIFY2(wrong.isEmpty(), qPrintable(QString("%1: %2").arg(row.name, wrong)));
        }
    }

    // Along the camera, each waypoint moves along its own heading; east and
    // north inputs move every waypoint alike.
    void moves()
    {
        struct Row {
            const char *name;
            bool along;
            double offset, east, north;
            double yaw;
            QPointF expected;  // metres east, north
        };
        const QList<Row> rows = {
            {"heading 90 goes east", true, 10, 0, 0, 90, {10, 0}},
            {"heading 0 goes north", true, 10, 0, 0, 0, {0, 10}},
            {"offset below a centimetre", true, 0.009, 0, 0, 90, {0, 0}},
            {"east and north", false, 0, 3, -4, 45, {3, -4}},
            {"north only", false, 0, 0, 2, 0, {0, 2}},
        };
        for (const Row &row : rows) {
            WPData plan;
            QVERIFY(plan.loadMapImage(m_map));
            fill(plan, {{0, 20, row.yaw, 0}});
            const QPointF before = plan.waypointGeo(1);
            RelativeValues::Correction c;
            c.alongCamera = row.along;
            c.offset = row.offset;
            c.east = row.east;
            c.north = row.north;
            RelativeValues::apply(plan, {1}, c);
            const QPointF moved = metresBetween(before, plan.waypointGeo(1));
            QVERIFY2(qAbs(moved.x() - row.expected.x()) < 0.01 && qAbs(moved.y() - row.expected.y()) < 0.01,
                     qPrintable(QString("%1: %2, %3").arg(row.name).arg(moved.x()).arg(moved.y())));
        }
    }

    void conversions()
    {
        struct Row {
            const char *name;
            bool toSteerwise;
            QList<int> types;
            QList<int> expected;
        };
        const QList<Row> rows = {
            {"to Zephrin", false, {3, 3, 0}, {0, 0, 0}},
            {"to Steerwise", true, {3, 3, 0}, {3, 3, 3}},
            {"run and circle to Steerwise", true, {1, 11, 5}, {3, 3, 3}},
            {"back to Zephrin is single", false, {3, 3}, {0, 0}},
        };
        for (const Row &row : rows) {
            WPData plan;
            QVERIFY(plan.loadMapImage(m_map));
            QList<Wp> wps;
            for (int t : row.types)
                wps << Wp{t, 20, 0, -90};
            fill(plan, wps);
            QList<int> all;
            for (int n = 1; n <= plan.count(); ++n)
                all << n;
            if (row.toSteerwise)
                RelativeValues::convertToSteerwise(plan, all);
            else
                RelativeValues::convertToZephrin(plan, all);
            QCOMPARE(RelativeValues::typesOf(plan, all), row.expected);
        }

        // Only the single waypoint changes, and its pitch is mirrored.
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        fill(plan, {{3, 20, 0, 30}, {3, 20, 0, 30}, {0, 20, 0, -90}});
        RelativeValues::convertToSteerwise(plan, {1, 2, 3});
        QCOMPARE(plan.camAngleNick(1), 30.0);
        QCOMPARE(plan.camAngleNick(3), 90.0);
    }

    void selectionKinds()
    {
        struct Row {
            QList<int> types;
            bool zephrinDialog;
            bool mixed;
        };
        const QList<Row> rows = {
            {{3, 3}, false, false},  {{3, 0}, true, true},   {{0, 1}, true, false},
            {{3, 11}, false, false}, {{3, 5, 12}, false, false}, {{5}, true, false},
            {{3, 2}, true, true},
        };
        for (const Row &row : rows) {
            QCOMPARE(RelativeValues::zephrinDialog(row.types), row.zephrinDialog);
            QCOMPARE(RelativeValues::mixesSteerwise(row.types), row.mixed);
        }
    }
};

KORVEL_TEST_MAIN(TestRelativeValues)
#include "test_relativevalues.moc"
