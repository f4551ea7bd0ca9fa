// Survey grid, line matrix and circle of interest: previews, limits and the
// corner rules of the area tools.
#include <QPolygonF>
#include <QTransform>
#include <QtMath>
#include <QtTest>
#include <cmath>

#include "planner/geometry/linegenerators.h"
#include "planner/geometry/surveygrid.h"
#include "support/testkit.h"

namespace {

// A 400 px square turned 30 degrees, corner 0 at (1000, 1000).
const QVector<QPointF> square30 = {{1000, 1000}, {1346.410, 1200}, {1146.410, 1546.410},
                                   {800, 1346.410}};

QVector<QPointF> turned(const QVector<QPointF> &points, double degrees, const QPointF &about)
{
    QTransform t;
    t.translate(about.x(), about.y()).rotate(degrees).translate(-about.x(), -about.y());
    QVector<QPointF> out;
    for (const QPointF &p : points)
        out << t.map(p);
    return out;
}

bool near(const QPointF &a, const QPointF &b, double eps = 0.01)
{
    return qAbs(a.x() - b.x()) < eps && qAbs(a.y() - b.y()) < eps;
}

QString str(const QPointF &p) { return QString("(%1, %2)").arg(p.x(), 0, 'f', 3).arg(p.y(), 0, 'f', 3); }

double headingDiff(double a, double b)
{
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return qMin(d, 360 - d);
}

QList<int> rowSizes(const SurveyGrid::Grid &g, bool skipEmpty = false)
{
    QList<int> sizes;
    for (const auto &row : g.rows)
        if (!skipEmpty || !row.isEmpty())
            sizes << row.size();
    return sizes;
}

// The footprint of a preview as the grid keeps it.
QPolygonF footprint(const SurveyGrid::Grid &g, const QVector<QPointF> &borders, const QPointF &p)
{
    const QPointF d = borders[0] - borders[1];
    const QPointF u = d / std::hypot(d.x(), d.y());
    const QPointF v(-u.y(), u.x());
    const double a = g.halfAlong, c = g.halfAcross;
    return QPolygonF({p + u * a + v * c, p - u * a + v * c, p - u * a - v * c, p + u * a - v * c});
}

}  // namespace

class TestGenerators : public QObject {
    Q_OBJECT

private slots:
    void gridOnTurnedSquare()
    {
        const auto s = SurveyGrid::steps(50, 50, 50, 90, 90, 2);
        QVERIFY(qAbs(s.x - 100) < 1e-9 && qAbs(s.y - 100) < 1e-9);
        const auto b = SurveyGrid::borders(square30, 0, 1);
        const auto g = SurveyGrid::generate(b, s.x, s.y, 50, 50, false);
        QCOMPARE(int(g.status), int(SurveyGrid::Ok));
        QCOMPARE(g.crossLines, 7);
        QCOMPARE(g.transverseLines, 6);
        QCOMPARE(rowSizes(g), QList<int>({6, 6, 6, 6, 6, 6, 0}));
        QCOMPARE(g.previews.size(), 36);
        for (int i = 0; i < 6; ++i) {
            const QPointF want = QPointF(981.70, 931.70) + i * QPointF(86.60, 50.00);
            QVERIFY2(near(g.previews[i].pos, want, 0.02), qPrintable(str(g.previews[i].pos)));
        }
        QVERIFY(near(g.previews[5].pos, QPointF(1414.71, 1181.70)));
        QVERIFY2(near(g.previews[6].pos, QPointF(1364.71, 1268.30)), qPrintable(str(g.previews[6].pos)));
        for (const Preview &p : g.previews)
            QVERIFY(qAbs(p.heading - 120) < 1e-3);

        // Along 60 %, orientation by row.
        const auto s60 = SurveyGrid::steps(50, 60, 50, 90, 90, 2);
        const auto g60 = SurveyGrid::generate(b, s60.x, s60.y, 60, 50, true);
        QCOMPARE(g60.previews.size(), 42);
        for (int i = 0; i < 42; ++i)
            QCOMPARE(qRound(g60.previews[i].heading), (i / 7) % 2 ? 300 : 120);
    }

    // Any orientation, a start edge square to the scene axes included, gives
    // the same grid turned with the area; so do unequal overlaps.
    void turnedGrids_data()
    {
        QTest::addColumn<double>("angle");
        QTest::addColumn<int>("along");
        QTest::addColumn<int>("cross");
        for (double a : {0.0, 0.5, 45.0, 89.999, 90.0, 180.0, 270.0}) {
            QTest::addRow("%g degrees", a) << a << 50 << 50;
            QTest::addRow("%g degrees, along 80 cross 20", a) << a << 80 << 20;
        }
    }
    void turnedGrids()
    {
        QFETCH(double, angle);
        QFETCH(int, along);
        QFETCH(int, cross);
        const auto s = SurveyGrid::steps(50, along, cross, 90, 90, 2);
        const auto base = SurveyGrid::generate(SurveyGrid::borders(square30, 0, 1), s.x, s.y, along,
                                               cross, true);
        QCOMPARE(int(base.status), int(SurveyGrid::Ok));
        const double by = angle - 30;
        const auto corners = turned(square30, by, square30[0]);
        const auto g = SurveyGrid::generate(SurveyGrid::borders(corners, 0, 1), s.x, s.y, along,
                                            cross, true);
        QCOMPARE(g.previews.size(), base.previews.size());
        const auto want = turned([&] {
            QVector<QPointF> p;
            for (const Preview &x : base.previews)
                p << x.pos;
            return p;
        }(), by, square30[0]);
        for (int i = 0; i < want.size(); ++i) {
            QVERIFY2(near(g.previews[i].pos, want[i], 1e-6),
                     qPrintable(QString("%1: %2 for %3").arg(i).arg(str(g.previews[i].pos), str(want[i]))));
            QVERIFY(headingDiff(g.previews[i].heading, base.previews[i].heading + by) < 1e-6);
        }
    }

    // Unequal overlaps: each half footprint from its own direction's overlap
    // (along 100 px, across 100 px here), so only the rows whose photos
    // reach the square stay.
    void trueFootprint()
    {
        const auto s = SurveyGrid::steps(50, 80, 20, 90, 90, 2);
        QVERIFY(qAbs(s.x - 40) < 1e-9 && qAbs(s.y - 160) < 1e-9);
        const auto g = SurveyGrid::generate(SurveyGrid::borders(square30, 0, 1), s.x, s.y, 80, 20, false);
        QVERIFY(qAbs(g.halfAlong - 100) < 1e-9 && qAbs(g.halfAcross - 100) < 1e-9);
        QCOMPARE(rowSizes(g, true), QList<int>({12, 12, 12, 12}));
        QCOMPARE(g.previews.size(), 48);
    }

    // A U-shaped area in several turns and from several start edges: every
    // point of the area is photographed, and every photo sees the area.
    void uShapeCoverage_data()
    {
        QTest::addColumn<double>("angle");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("neighbour");
        for (double a : {0.0, 17.0, 45.0, 90.0, 133.0, 200.0})
            for (auto pair : {qMakePair(0, 1), qMakePair(3, 2), qMakePair(5, 4)})
                QTest::addRow("%g degrees, start %d-%d", a, pair.first, pair.second)
                    << a << pair.first << pair.second;
    }
    void uShapeCoverage()
    {
        QFETCH(double, angle);
        QFETCH(int, start);
        QFETCH(int, neighbour);
        const QVector<QPointF> u = {{0, 0},     {600, 0},   {600, 500}, {420, 500},
                                    {420, 150}, {180, 150}, {180, 500}, {0, 500}};
        const auto area = turned(u, angle, QPointF(300, 250));
        const auto b = SurveyGrid::borders(area, start, neighbour);
        const auto s = SurveyGrid::steps(40, 60, 30, 70, 50, 1.5);
        const auto g = SurveyGrid::generate(b, s.x, s.y, 60, 30, false);
        QCOMPARE(int(g.status), int(SurveyGrid::Ok));

        const QPolygonF poly(area);
        QVector<QPolygonF> prints;
        for (const Preview &p : g.previews) {
            prints << footprint(g, b, p.pos);
            QVERIFY2(prints.last().intersects(poly), qPrintable("misses the area: " + str(p.pos)));
        }
        const QRectF box = poly.boundingRect();
        int points = 0;
        for (double x = box.left(); x <= box.right(); x += 7) {
            for (double y = box.top(); y <= box.bottom(); y += 7) {
                const QPointF p(x, y);
                if (!poly.containsPoint(p, Qt::OddEvenFill))
                    continue;
                ++points;
                bool seen = false;
                for (const QPolygonF &f : prints)
                    seen = seen || f.containsPoint(p, Qt::OddEvenFill);
                QVERIFY2(seen, qPrintable("not photographed: " + str(p)));
            }
        }
        QVERIFY(points > 1000);
    }

    void limits()
    {
        // A strip along x below its start edge: cross lines are the strip's
        // rows plus three, transverse lines its columns plus two.
        auto strip = [](double length, double width) {
            return QVector<QPointF>({{0, 0}, {length, 0}, {length, width}, {0, width}});
        };
        struct Row {
            const char *name;
            double length, width, step;
            int status;
            int cross, transverse;
        };
        const QList<Row> rows = {
            {"5000 pairs", 1248 * 10, 10, 10, SurveyGrid::Ok, 4, 1250},
            {"5001 pairs", 1665 * 10, 4, 10, SurveyGrid::TooMany, 3, 1667},
            {"5000th line of one family", 1e6, 4, 10, SurveyGrid::TooMany, 3, 5000},
            {"4999 lines of one family", 4997 * 10, 4, 10, SurveyGrid::TooMany, 3, 4999},
        };
        for (const Row &row : rows) {
            const auto g = SurveyGrid::generate(strip(row.length, row.width), row.step, row.step,
                                                50, 50, false);
            QVERIFY2(g.status == row.status, row.name);
            QVERIFY2(g.crossLines == row.cross, qPrintable(QString("%1: %2").arg(row.name).arg(g.crossLines)));
            QVERIFY2(g.transverseLines == row.transverse,
                     qPrintable(QString("%1: %2").arg(row.name).arg(g.transverseLines)));
            if (row.status != SurveyGrid::Ok)
                QVERIFY(g.previews.isEmpty());
            else
                QCOMPARE(g.previews.size(), 3 * 1250);  // the far row's photos miss the strip
        }

        // Photos far larger than a small area: nothing kept.
        const auto tiny = SurveyGrid::generate({{0, 0}, {5, 0}, {0, 5}}, 1000, 1000, 50, 50, false);
        QCOMPARE(int(tiny.status), int(SurveyGrid::NothingKept));
        QVERIFY(tiny.previews.isEmpty());

        // Steps that are no distance at all refuse to run.
        for (double step : {0.0, -1.0, qQNaN(), qInf()})
            QCOMPARE(SurveyGrid::generate(square30, step, 100, 50, 50, false).previews.size(), 0);
    }

    // Kept near the area: a diagonal neighbour 10 px away in x and y
    // inside; farther out only a crossing footprint keeps a point.
    void keepFilter()
    {
        const QVector<QPointF> sq = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
        QVERIFY(SurveyGrid::nearArea(sq, {-5, -5}));
        QVERIFY(SurveyGrid::nearArea(sq, {105, 50}));
        QVERIFY(!SurveyGrid::nearArea(sq, {-15, -15}));
        QVERIFY(!SurveyGrid::nearArea(sq, {50, 111}));
        // Strict crossing: touching at an end or running along is none.
        QVERIFY(SurveyGrid::segmentsCross({-10, 50}, {10, 50}, {0, 0}, {0, 100}));
        QVERIFY(!SurveyGrid::segmentsCross({0, 50}, {10, 50}, {0, 0}, {0, 100}));
        QVERIFY(!SurveyGrid::segmentsCross({0, -10}, {0, 10}, {0, 0}, {0, 100}));
    }

    // A line through vertices only, with the teeth of the area beyond it,
    // still counts as crossing: the rows go on into the teeth.
    void touchingLines()
    {
        const QVector<QPointF> teeth = {{0, 10}, {40, 10}, {40, 0}, {30, -10}, {20, 0}, {10, -10}, {0, 0}};
        const auto g = SurveyGrid::generate(teeth, 4, 4, 50, 50, false);
        QCOMPARE(int(g.status), int(SurveyGrid::Ok));
        QCOMPARE(g.crossLines, 7);  // y 12 down to -12
        int inTeeth = 0;
        for (const Preview &p : g.previews)
            inTeeth += p.pos.y() < -6;
        QVERIFY(inTeeth >= 2);
    }

    // Both ends of the nearest row at the same distance from the start
    // corner: the flight starts at the row's first point.
    void startTies()
    {
        const QVector<QPointF> area = {{1000, 1000}, {1040, 1000}, {1040, 700}, {1000, 700}};
        const auto g = SurveyGrid::generate(area, 100, 100, 20, 20, false);
        QCOMPARE(g.previews.size(), 10);
        const QVector<QPointF> want = {{950, 1050}, {1050, 1050}, {1050, 950}, {950, 950}};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(near(g.previews[i].pos, want[i]), qPrintable(str(g.previews[i].pos)));
    }

    void matrixStart()
    {
        using SurveyGrid::MatrixStart;
        // The pairs cycle both ways.
        QList<MatrixStart> cycle = {{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 2}, {3, 2}, {3, 3}, {0, 3}};
        for (int i = 0; i < cycle.size(); ++i) {
            QVERIFY(SurveyGrid::matrixStartIncrease(cycle[i]) == cycle[(i + 1) % 8]);
            QVERIFY(SurveyGrid::matrixStartDecrease(cycle[(i + 1) % 8]) == cycle[i]);
        }
        QCOMPARE(MatrixStart({0, 0}).neighbour(), 1);
        QCOMPARE(MatrixStart({1, 0}).neighbour(), 0);
        QCOMPARE(MatrixStart({0, 3}).neighbour(), 3);

        // A start corner of almost 180 degrees moves on one corner.
        const QVector<QPointF> flat = {{100, 0}, {200, 5}, {100, 100}, {0, 5}};
        QVERIFY(SurveyGrid::cornerAngle(flat, 0) > 170 * M_PI / 180);
        QVERIFY(SurveyGrid::matrixStartForGrid(flat, {0, 0}) == MatrixStart({1, 1}));
        QVERIFY(SurveyGrid::matrixStartForGrid(flat, {1, 0}) == MatrixStart({1, 0}));
        QVERIFY(SurveyGrid::matrixStartForGrid(square30, {0, 0}) == MatrixStart({0, 0}));
        // Collinear corners cannot keep it going round for ever.
        SurveyGrid::matrixStartForGrid({{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {1, 1});

        // Borders run from the start corner towards its neighbour.
        const QVector<QPointF> c = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}};
        auto xs = [](const QVector<QPointF> &b) {
            QList<int> x;
            for (const QPointF &p : b)
                x << int(p.x());
            return x;
        };
        QCOMPARE(xs(SurveyGrid::borders(c, 1, 2)), QList<int>({1, 2, 3, 4, 0}));
        QCOMPARE(xs(SurveyGrid::borders(c, 1, 0)), QList<int>({1, 0, 4, 3, 2}));
        QCOMPARE(xs(SurveyGrid::borders(c, 4, 0)), QList<int>({4, 0, 1, 2, 3}));
        QCOMPARE(xs(SurveyGrid::borders(c, 0, 4)), QList<int>({0, 4, 3, 2, 1}));
    }

    void fourthCorner()
    {
        using SurveyGrid::FourthCorner;
        const QVector<QPointF> three = {{0, 0}, {100, 0}, {0, 100}};
        struct Row {
            QPointF n;
            FourthCorner result;
            QVector<QPointF> order;
        };
        const QList<Row> rows = {
            {{100, 100}, FourthCorner::Placed, {{0, 0}, {100, 0}, {100, 100}, {0, 100}}},
            {{-50, 50}, FourthCorner::Placed, {{0, 0}, {100, 0}, {0, 100}, {-50, 50}}},
            {{50, -50}, FourthCorner::Placed, {{0, 0}, {50, -50}, {100, 0}, {0, 100}}},
            {{20, 20}, FourthCorner::InsideTriangle, {}},
            {{150, -10}, FourthCorner::NotConvex, {}},
        };
        for (const Row &row : rows) {
            QVector<QPointF> order;
            QVERIFY2(SurveyGrid::placeFourthCorner(three, row.n, &order) == row.result,
                     qPrintable(str(row.n)));
            if (row.result == FourthCorner::Placed)
                QCOMPARE(order, row.order);
        }
    }

    void areas()
    {
        const SurveyGrid::ToGeo metresAsGeo = [](const QPointF &p) { return p; };
        const SurveyGrid::Metres euclid = [](const QPointF &a, const QPointF &b) {
            return std::hypot(a.x() - b.x(), a.y() - b.y());
        };
        for (double angle : {0.0, 30.0, 90.0}) {
            const auto sq = turned({{200, 200}, {300, 200}, {300, 300}, {200, 300}}, angle, {250, 250});
            QVERIFY(qAbs(SurveyGrid::quadrilateralArea(sq, metresAsGeo, euclid) - 10000) < 1e-6);
            QVERIFY(qAbs(SurveyGrid::polygonArea(sq, metresAsGeo, euclid) - 10000) < 1e-6);
        }
        // Corners on both sides of the scene origin.
        const QVector<QPointF> across = {{-50, -50}, {50, -50}, {50, 50}, {-50, 50}};
        QVERIFY(qAbs(SurveyGrid::polygonArea(across, metresAsGeo, euclid) - 10000) < 1e-6);
    }

    void lineMatrix()
    {
        const double step = LineGenerators::lineStep(50, 90, 50, 2);
        QVector<Preview> p;
        QVERIFY(LineGenerators::lineMatrix({{1000, 1000}, {1400, 1000}, {1400, 1300}}, step, &p));
        QCOMPARE(p.size(), 10);
        const QList<QPointF> want = {{1000, 1000}, {1080, 1000}, {1160, 1000}, {1240, 1000},
                                     {1320, 1000}, {1400, 1000}, {1400, 1075}, {1400, 1150},
                                     {1400, 1225}, {1400, 1300}};
        const QList<int> types = {1, 1, 1, 1, 1, 11, 1, 1, 1, 11};
        for (int i = 0; i < 10; ++i) {
            QVERIFY2(near(p[i].pos, want[i], 1e-9), qPrintable(str(p[i].pos)));
            QCOMPARE(LineGenerators::gridWaypoint(p[i], i == 9, 50, 8, 0).type, types[i]);
            QCOMPARE(p[i].heading, i < 6 ? 90.0 : 180.0);
        }

        struct Row {
            const char *name;
            double length;
            double step;
            int previews;  // -1: refused
        };
        const QList<Row> rows = {
            {"shorter than a step", 60, step, 2},
            {"exactly three steps", 300, step, 5},
            {"exactly three whole steps", 300, 100, 5},
            {"zero step", 300, 0, -1},
            {"negative step", 300, -5, -1},
            {"no number", 300, qQNaN(), -1},
            {"infinite step", 300, qInf(), -1},
        };
        for (const Row &row : rows) {
            QVector<Preview> out;
            const bool ok = LineGenerators::lineMatrix({{0, 0}, {row.length, 0}}, row.step, &out);
            QVERIFY2(ok == (row.previews >= 0), row.name);
            QVERIFY2(out.size() == qMax(row.previews, 0), qPrintable(QString("%1: %2").arg(row.name).arg(out.size())));
        }
    }

    void circle()
    {
        QVector<Preview> p;
        QVERIFY(LineGenerators::circle({1000, 1000}, {1100, 1000}, 90, 0, &p));
        QCOMPARE(p.size(), 4);
        const QList<QPointF> want = {{1100, 1000}, {1000, 1100}, {900, 1000}, {1000, 900}};
        const QList<double> headings = {270, 0, 90, 180};
        for (int i = 0; i < 4; ++i) {
            QVERIFY2(near(p[i].pos, want[i], 1e-9), qPrintable(str(p[i].pos)));
            QVERIFY(headingDiff(p[i].heading, headings[i]) < 1e-9);
        }
        QVector<Preview> other;
        QVERIFY(LineGenerators::circle({1000, 1000}, {1100, 1000}, 90, 1, &other));
        QCOMPARE(other.size(), 4);
        for (int i = 1; i < 4; ++i)
            QVERIFY(near(other[i].pos, p[4 - i].pos, 1e-9));

        QVERIFY(LineGenerators::circle({0, 0}, {10, 0}, 7, 0, &p));
        QCOMPARE(p.size(), 52);
        for (int inc : {0, -3}) {
            QVERIFY(!LineGenerators::circle({0, 0}, {10, 0}, inc, 0, &p));
            QVERIFY(p.isEmpty());
        }
    }

    // Every generator stores its heading relative to map north.
    void applyValues()
    {
        const Preview grid{{0, 0}, 120, false};
        const auto a = LineGenerators::gridWaypoint(grid, false, 50, 8, 12);
        QCOMPARE(a.type, 1);
        QCOMPARE(a.yaw, 108.0);
        QCOMPARE(a.pitch, -90.0);
        QCOMPARE(a.speed, 8.0);
        QVERIFY(a.headingFollows && a.trigger);
        QCOMPARE(LineGenerators::gridWaypoint({{0, 0}, 90, true}, false, 50, 8, 0).type, 11);
        QCOMPARE(LineGenerators::gridWaypoint(grid, true, 50, 8, 0).type, 11);

        // Facing a pressed point: above is 0, right 90, below 180, left 270.
        QCOMPARE(LineGenerators::headingToward({100, 100}, {100, 50}), 0.0);
        QCOMPARE(LineGenerators::headingToward({100, 100}, {150, 100}), 90.0);
        QCOMPARE(LineGenerators::headingToward({100, 100}, {100, 150}), 180.0);
        QCOMPARE(LineGenerators::headingToward({100, 100}, {50, 100}), 270.0);

        const auto c = LineGenerators::circleWaypoint({{0, 0}, 270, false}, -45, 30, 12);
        QCOMPARE(c.yaw, 258.0);
        QCOMPARE(c.footprintTurn, 258.0);
        QCOMPARE(c.type, -1);
        QCOMPARE(c.pitch, -45.0);
        QCOMPARE(c.height, 30.0);
    }
};

KORVEL_TEST_MAIN(TestGenerators)
#include "test_generators.moc"
