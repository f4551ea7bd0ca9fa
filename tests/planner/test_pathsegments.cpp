// Path segments: the shapes of grid turns, the camera check, and the drawn
// items kept in step with a plan as waypoints come and go.
#include <QGraphicsPathItem>
#include <QGraphicsScene>
#include <QTemporaryDir>
#include <QtMath>
#include <QtTest>
#include <cmath>

#include "../maps/wpfixture.h"
#include "core/camera.h"
#include "core/data.h"
#include "maps/items/wpwaypoint.h"
#include "maps/wpdata.h"
#include "planner/geometry/pathsegments.h"
#include "planner/wpeditorpaths.h"
#include "support/testkit.h"

using PathSegments::Point;

namespace {

// The largest distance of the path's points from the line a-b.
double offLine(const QPainterPath &path, const QPointF &a, const QPointF &b)
{
    const QLineF line(a, b);
    double worst = 0;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPointF p = path.elementAt(i);
        const double cross = (b.x() - a.x()) * (p.y() - a.y()) - (b.y() - a.y()) * (p.x() - a.x());
        worst = qMax(worst, std::fabs(cross) / line.length());
    }
    return worst;
}

void useCamera(int processTime)
{
    Camera c;
    c.name = QString("check %1").arg(processTime);
    c.sensorSize = QSizeF(13.2, 8.8);
    c.imageSize = QSize(5472, 3648);
    c.focalLength = 8.8;
    c.processTime = processTime;
    Data::instance()->addCamera(c);
    QVERIFY(Data::instance()->setCurrentCamera(c.name));
}

}  // namespace

class TestPathSegments : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_map;

    // Adds waypoints (type, scene position) and their segments as the
    // editor does.
    void add(WPData &plan, WPEditorPaths &paths, const QList<QPair<int, QPointF>> &wps)
    {
        for (const auto &w : wps) {
            auto *item = new WPWaypoint(w.second.x(), w.second.y(), 1.0, plan.count() + 1, w.first);
            plan.addWaypoint(item, WPFixture::Typed().trigger().pitch(-90).pictures(1).posAcc(2)
                                       .type(w.first).speed(5.0f).acc(2.0f));
            if (plan.count() > 1)
                paths.appendPath(w.first);
        }
    }

private slots:
    void initTestCase()
    {
        m_map = WPFixture::writeMap(m_dir.path());
        Data::instance()->setFlightplanEffects(0);
    }

    void turns()
    {
        const Point a(0, 0, 0), b(100, 0, 0);
        struct Row {
            const char *name;
            Point pp, p;
            bool usePP;
            enum { Straight, HalfCircle, Longer } shape;
        };
        // Heading of P->A is along +y; A->B turns 90 degrees.
        const QList<Row> rows = {
            {"turn under 18 degrees", {}, Point(-100, -17, 0), false, Row::Straight},
            {"exactly 90 degrees", {}, Point(0, -100, 0), false, Row::HalfCircle},
            {"both turns 18 degrees or more", Point(-100, -100, 0), Point(0, -100, 0), true, Row::Straight},
            {"60 degrees: straight on, then round", {}, Point(-50, -86.6, 0), false, Row::Longer},
            {"120 degrees: round, then straight on", {}, Point(50, -86.6, 0), false, Row::Longer},
        };
        for (const Row &row : rows) {
            const QPainterPath path = PathSegments::segmentPath(1, a, b, &row.p, row.usePP ? &row.pp : nullptr);
            QVERIFY2(path.elementAt(0) == QPointF(0, 0) && path.currentPosition() == QPointF(100, 0), row.name);
            switch (row.shape) {
            case Row::Straight:
                QVERIFY2(offLine(path, {0, 0}, {100, 0}) < 1e-3, row.name);
                break;
            case Row::HalfCircle:
                for (int i = 0; i < path.elementCount(); ++i) {
                    const QPointF q = path.elementAt(i);
                    QVERIFY2(qAbs(std::hypot(q.x() - 50, q.y()) - 50) < 1e-3, row.name);
                }
                QVERIFY(qAbs(path.length() - 50 * M_PI) < 0.5);
                break;
            case Row::Longer:
                QVERIFY2(path.length() > 110, row.name);
                break;
            }
        }
        // Without a point before, and for the straight kinds, a line.
        for (int kind : {0, 5, 11, 1})
            QCOMPARE(PathSegments::segmentPath(kind, a, b, nullptr, nullptr).length(), 100.0);
        QVERIFY(PathSegments::segmentPath(7, a, b, nullptr, nullptr).isEmpty());
    }

    void cameraCheck()
    {
        struct Row {
            double pixels, ppm, speed;
            int processTime;
            bool tooFast;
        };
        const QList<Row> rows = {
            {20, 2, 5, 2001, true},   {20, 2, 5, 2000, false}, {20, 2, 0, 99999, false},
            {20, 2, -3, 99999, false}, {20, 0, 5, 99999, false}, {20, 2, qQNaN(), 99999, false},
        };
        for (const Row &row : rows)
            QCOMPARE(PathSegments::tooFast(row.pixels, row.ppm, row.speed, row.processTime), row.tooFast);
    }

    // A grid segment of 10 m at 5 m/s takes 2000 ms; a speed change checks
    // it again.
    void tooFastSegment()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        QGraphicsScene scene;
        WPEditorPaths paths(&plan);
        paths.setScene(&scene);
        const double ten = 10 * plan.pixelsPerMeter();
        add(plan, paths, {{1, {100, 400}}, {1, {100 + ten, 400}}, {11, {100 + ten, 700}}});
        QCOMPARE(paths.kind(0), 1);
        for (int time : {2001, 2000}) {
            useCamera(time);
            paths.checkAllSegments();
            QCOMPARE(paths.isTooFast(0), time == 2001);
            QCOMPARE(paths.item(0)->pen().color(), time == 2001 ? QColor(255, 0, 0, 255) : QColor(255, 255, 100, 180));
        }
        useCamera(2001);
        paths.checkAllSegments();
        QVERIFY(paths.isTooFast(0));
        paths.animatePath(-0.25);
        QCOMPARE(paths.item(0)->opacity(), 0.25);
        QCOMPARE(paths.item(1)->opacity(), 1.0);
        plan.setV3Speed(2, 4);  // 2500 ms
        QVERIFY(!paths.isTooFast(0));
        QCOMPARE(paths.item(0)->opacity(), 1.0);
    }

    // A U-turn between two rows is a half circle; the leg after it runs
    // straight.
    void gridTurns()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPEditorPaths paths(&plan);
        add(plan, paths, {{1, {100, 100}}, {1, {300, 100}}, {1, {300, 300}}, {11, {100, 300}}, {0, {100, 500}}});
        QCOMPARE(QList<int>({paths.kind(0), paths.kind(1), paths.kind(2), paths.kind(3)}),
                 QList<int>({1, 1, 1, 0}));
        QVERIFY(qAbs(paths.pathLength(1) - 200) < 1e-3);
        QVERIFY(qAbs(paths.pathLength(2) - 100 * M_PI) < 1);
        QVERIFY(qAbs(paths.pathLength(3) - 200) < 1e-3);
        QVERIFY(qAbs(paths.pathLength(4) - 200) < 1e-3);
        QCOMPARE(paths.pathLength(5), 0.0);
    }

    void onlySegmentReused()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        QGraphicsScene scene;
        WPEditorPaths paths(&plan);
        paths.setScene(&scene);
        add(plan, paths, {{0, {100, 100}}, {0, {300, 100}}});
        QGraphicsPathItem *first = paths.item(0);
        plan.removeWaypoint(2);
        paths.removeWaypoint(2);
        QCOMPARE(paths.count(), 0);
        QVERIFY(!first->isVisible());
        add(plan, paths, {{0, {100, 300}}});
        QCOMPARE(paths.count(), 1);
        QCOMPARE(paths.itemCount(), 1);
        QCOMPARE(paths.item(0), first);
        QVERIFY(first->isVisible());
        QCOMPARE(first->path().currentPosition(), QPointF(100, 300));
    }

    // Removing any waypoint leaves one drawn segment between each pair of
    // neighbours, and each too-fast flag stays with its own segment.
    void removeWaypoints_data()
    {
        QTest::addColumn<int>("removed");
        for (int n : {1, 2, 3, 4, 5, 6})
            QTest::addRow("waypoint %d of 6", n) << n;
    }
    void removeWaypoints()
    {
        QFETCH(int, removed);
        useCamera(2001);
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        QGraphicsScene scene;
        WPEditorPaths paths(&plan);
        paths.setScene(&scene);
        const double ten = 10 * plan.pixelsPerMeter();
        // One straight run; the leg from the fourth to the fifth waypoint
        // is 10 m, the others 30 m or more.
        const QList<double> xs = {100, 100 + 3 * ten, 100 + 6 * ten, 100 + 9 * ten, 100 + 10 * ten,
                                  100 + 14 * ten};
        QList<QPair<int, QPointF>> wps;
        for (int i = 0; i < xs.size(); ++i)
            wps << qMakePair(i == xs.size() - 1 ? 11 : 1, QPointF(xs[i], 400));
        add(plan, paths, wps);
        QCOMPARE(paths.count(), 5);
        QVERIFY(paths.isTooFast(3));

        plan.removeWaypoint(removed);
        paths.removeWaypoint(removed);
        QCOMPARE(paths.count(), plan.count() - 1);
        for (int k = 0; k < paths.count(); ++k) {
            const QPainterPath path = paths.item(k)->path();
            const QPointF a = plan.waypointPos(k + 1), b = plan.waypointPos(k + 2);
            QVERIFY2(QLineF(path.elementAt(0), a).length() < 1e-3 && QLineF(path.currentPosition(), b).length() < 1e-3,
                     qPrintable(QString("segment %1 does not join its waypoints").arg(k)));
            QVERIFY(paths.item(k)->isVisible());
            const bool shortLeg = QLineF(a, b).length() < 20 * plan.pixelsPerMeter();
            QVERIFY2(paths.isTooFast(k) == shortLeg, qPrintable(QString("flag of segment %1").arg(k)));
        }
        for (int k = paths.count(); k < paths.itemCount(); ++k)
            QVERIFY(!paths.item(k)->isVisible());
    }

    // The estimate reads the drawn legs in metres: the leg into waypoint n
    // is the segment starting at waypoint n - 1.
    void estimateFromPlan()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPEditorPaths paths(&plan);
        const double ppm = plan.pixelsPerMeter();
        add(plan, paths, {{0, {100, 100}}, {0, {100 + 100 * ppm, 100}}, {0, {100 + 104 * ppm, 100}}});
        const auto r = paths.estimate(1, 3);
        QVERIFY(r.known);
        QVERIFY(qAbs(r.seconds - 29.3284271) < 1e-3);
        QVERIFY(qAbs(r.metres - 104) < 1e-3);
        QVERIFY(qAbs(paths.estimate(3, 3).seconds - (2 * std::sqrt(2.0) + 2)) < 1e-3);
    }

    // The canvas may take its scene down before its segments.
    void sceneGoesFirst()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPEditorPaths paths(&plan);
        auto *scene = new QGraphicsScene;
        add(plan, paths, {{0, {100, 100}}, {0, {300, 100}}});
        paths.setScene(scene);
        QCOMPARE(paths.item(0)->scene(), scene);
        plan.detachItems();
        delete scene;
        QCOMPARE(paths.count(), 0);
        add(plan, paths, {{0, {300, 300}}});
        QCOMPARE(paths.count(), 1);
    }

    void scale()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPEditorPaths paths(&plan);
        add(plan, paths, {{0, {100, 100}}, {0, {300, 100}}});
        paths.setScale(2);
        QCOMPARE(paths.item(0)->pen().widthF(), 2.0);
        QCOMPARE(paths.item(0)->pen().style(), Qt::DotLine);
        QCOMPARE(paths.item(0)->zValue(), -80.0);
        QCOMPARE(paths.item(0)->pen().color(), QColor(100, 255, 255, 180));
    }
};

KORVEL_TEST_MAIN(TestPathSegments)
#include "test_pathsegments.moc"
