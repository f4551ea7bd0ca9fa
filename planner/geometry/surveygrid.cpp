#include "planner/geometry/surveygrid.h"

#include <QPolygonF>
#include <QtMath>
#include <cmath>

namespace SurveyGrid {

namespace {

double dot(const QPointF &a, const QPointF &b) { return a.x() * b.x() + a.y() * b.y(); }

// Twice the signed area of a, b, c: which side of a->b c lies on.
double orient(const QPointF &a, const QPointF &b, const QPointF &c)
{
    return (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
}

// One family of parallel lines at offsets (0.5 + k) * step along an axis.
// A line counts as crossing the area when an edge's ends lie on opposite
// sides of it or on it; the family runs on from the first line until it
// has appended a line that crosses nothing, in both directions.
// Returns false when the family reached the line limit.
bool family(const QVector<double> &ends, double step, QVector<double> *offsets)
{
    auto crosses = [&](double o) {
        for (int i = 0; i + 1 < ends.size(); ++i)
            if ((ends[i] - o) * (ends[i + 1] - o) <= 0)
                return true;
        return false;
    };
    const double first = 0.5 * step;
    QVector<double> before, after;
    int total = 1;
    for (int k = 1;; ++k) {
        const double o = first + k * step;
        after << o;
        if (++total >= kLineLimit)
            return false;
        if (!crosses(o))
            break;
    }
    for (int k = 1;; ++k) {
        const double o = first - k * step;
        before << o;
        if (++total >= kLineLimit)
            return false;
        if (!crosses(o))
            break;
    }
    offsets->clear();
    offsets->reserve(total);
    for (int i = before.size() - 1; i >= 0; --i)
        *offsets << before[i];
    *offsets << first;
    *offsets << after;
    return true;
}

}  // namespace

Steps steps(double height, int alongOverlap, int crossOverlap, double hAngle, double vAngle,
            double pixelsPerMeter)
{
    Steps s;
    s.x = std::tan(vAngle * M_PI / 180 * 0.5) * height * (100 - alongOverlap) / 50.0 * pixelsPerMeter;
    s.y = std::tan(hAngle * M_PI / 180 * 0.5) * height * (100 - crossOverlap) / 50.0 * pixelsPerMeter;
    return s;
}

bool insidePolygon(const QVector<QPointF> &polygon, const QPointF &p)
{
    return QPolygonF(polygon).containsPoint(p, Qt::OddEvenFill);
}

bool nearArea(const QVector<QPointF> &area, const QPointF &p)
{
    const QPolygonF poly(area);
    for (double dx : {-10.0, 10.0})
        for (double dy : {-10.0, 10.0})
            if (poly.containsPoint(p + QPointF(dx, dy), Qt::OddEvenFill))
                return true;
    return false;
}

bool segmentsCross(const QPointF &a, const QPointF &b, const QPointF &p, const QPointF &q)
{
    return orient(a, b, p) * orient(a, b, q) < 0 && orient(p, q, a) * orient(p, q, b) < 0;
}

Grid generate(const QVector<QPointF> &corners, double stepX, double stepY, int alongOverlap,
              int crossOverlap, bool inDir)
{
    Grid grid;
    const int n = corners.size();
    if (n < 3 || !(stepX > 0) || !(stepY > 0) || !std::isfinite(stepX) || !std::isfinite(stepY)
        || alongOverlap >= 100 || crossOverlap >= 100)
        return grid;
    const QPointF c0 = corners[0];
    const QPointF edge = corners[1] - c0;
    const double length = std::hypot(edge.x(), edge.y());
    if (!(length > 0))
        return grid;

    // The start edge's own frame: u along it, w square to it.
    const QPointF u = edge / length;
    const QPointF w(u.y(), -u.x());
    QVector<double> along, across;
    for (int i = 0; i <= n; ++i) {
        const QPointF d = corners[i % n] - c0;
        along << dot(d, u);
        across << dot(d, w);
    }

    QVector<double> crossOffsets, transverseOffsets;
    const bool crossOk = family(across, stepY, &crossOffsets);
    const bool transverseOk = crossOk && family(along, stepX, &transverseOffsets);
    grid.crossLines = crossOffsets.size();
    grid.transverseLines = transverseOffsets.size();
    if (!crossOk) {
        grid.crossLines = kLineLimit;
        grid.status = TooMany;
        return grid;
    }
    if (!transverseOk) {
        grid.transverseLines = kLineLimit;
        grid.status = TooMany;
        return grid;
    }
    if (qint64(grid.crossLines) * grid.transverseLines > kLineLimit) {
        grid.status = TooMany;
        return grid;
    }

    // Heading base: from corner 1 to corner 0. The half footprint follows
    // from each step and the overlap of its own direction.
    const double theta = std::atan2(-u.y(), -u.x());
    const double a = stepX / ((100 - alongOverlap) / 50.0);
    const double c = stepY / ((100 - crossOverlap) / 50.0);
    grid.halfAlong = a;
    grid.halfAcross = c;
    const double ct = std::cos(theta), st = std::sin(theta);
    QVector<QPointF> closed = corners;
    closed << corners[0];

    auto footprintCrosses = [&](const QPointF &p) {
        const QPointF f[4] = {
            QPointF(p.x() + a * ct - c * st, p.y() + a * st + c * ct),
            QPointF(p.x() - a * ct - c * st, p.y() - a * st + c * ct),
            QPointF(p.x() - a * ct + c * st, p.y() - a * st - c * ct),
            QPointF(p.x() + a * ct + c * st, p.y() + a * st - c * ct),
        };
        for (int s = 0; s < 4; ++s)
            for (int e = 0; e < n; ++e)
                if (segmentsCross(f[s], f[(s + 1) % 4], closed[e], closed[e + 1]))
                    return true;
        return false;
    };

    int firsts = -1, lasts = -1;
    grid.rows.reserve(crossOffsets.size());
    for (double co : crossOffsets) {
        QVector<QPointF> row;
        for (double to : transverseOffsets) {
            const QPointF p = c0 + u * to + w * co;
            if (nearArea(corners, p) || footprintCrosses(p))
                row << p;
        }
        if (!row.isEmpty()) {
            if (firsts < 0)
                firsts = grid.rows.size();
            lasts = grid.rows.size();
        }
        grid.rows << row;
    }
    if (firsts < 0) {
        grid.status = NothingKept;
        return grid;
    }

    auto distance = [&](const QPointF &p) { return std::hypot(p.x() - c0.x(), p.y() - c0.y()); };
    const QVector<QPointF> &first = grid.rows[firsts];
    const QVector<QPointF> &last = grid.rows[lasts];
    const double d[4] = {distance(first.first()), distance(first.last()), distance(last.first()),
                         distance(last.last())};
    int win = 0;
    for (int i = 1; i < 4; ++i)
        if (d[i] < d[win])
            win = i;

    const bool forward = win < 2;
    bool reversed = win == 1 || win == 3;
    const double straight = PreviewHeading::fromRadians(theta - M_PI / 2);
    const double back = PreviewHeading::fromRadians(theta + M_PI / 2);
    int points = 0;
    for (const QVector<QPointF> &row : qAsConst(grid.rows))
        points += row.size();
    // Sized once and filled in place.
    grid.previews.resize(points);
    Preview *out = grid.previews.data();
    int visited = 0;
    for (int r = forward ? 0 : grid.rows.size() - 1; forward ? r < grid.rows.size() : r >= 0;
         r += forward ? 1 : -1) {
        const QVector<QPointF> &row = grid.rows[r];
        if (row.isEmpty())
            continue;
        const double heading = inDir && visited % 2 == 1 ? back : straight;
        for (int i = 0; i < row.size(); ++i, ++out) {
            out->pos = row[reversed ? row.size() - 1 - i : i];
            out->heading = heading;
        }
        reversed = !reversed;
        ++visited;
    }
    grid.status = Ok;
    return grid;
}

QVector<QPointF> borders(const QVector<QPointF> &corners, int start, int neighbour)
{
    const int n = corners.size();
    QVector<QPointF> b;
    if (n == 0)
        return b;
    start = ((start % n) + n) % n;
    const bool follows = neighbour == (start + 1) % n;
    b.reserve(n);
    for (int i = 0; i < n; ++i)
        b << corners[follows ? (start + i) % n : ((start - i) % n + n) % n];
    return b;
}

double cornerAngle(const QVector<QPointF> &corners, int i)
{
    const int n = corners.size();
    const QPointF p = corners[i];
    const QPointF a = corners[(i + n - 1) % n] - p;
    const QPointF b = corners[(i + 1) % n] - p;
    double d = std::atan2(a.y(), a.x()) - std::atan2(b.y(), b.x());
    while (d > M_PI)
        d -= 2 * M_PI;
    while (d < -M_PI)
        d += 2 * M_PI;
    return std::fabs(d);
}

MatrixStart matrixStartIncrease(MatrixStart p)
{
    if (p.e != p.s)
        p.e = (p.e + 1) % 4;
    else
        p.s = (p.s + 1) % 4;
    return p;
}

MatrixStart matrixStartDecrease(MatrixStart p)
{
    if (p.e == p.s)
        p.e = (p.e + 3) % 4;
    else
        p.s = (p.s + 3) % 4;
    return p;
}

MatrixStart matrixStartForGrid(const QVector<QPointF> &corners, MatrixStart p)
{
    if (corners.size() != 4)
        return p;
    for (int tries = 0; tries < 4 && cornerAngle(corners, p.s) > 170 * M_PI / 180; ++tries)
        p = matrixStartIncrease(matrixStartIncrease(p));
    return p;
}

bool insideConvexQuad(const QPointF &p0, const QPointF &p1, const QPointF &p2, const QPointF &p3)
{
    if (insidePolygon({p0, p1, p2}, p3))
        return false;
    const double a1 = std::atan2(p1.y() - p0.y(), p1.x() - p0.x());
    const double a2 = std::atan2(p2.y() - p0.y(), p2.x() - p0.x());
    const double a3 = std::atan2(p3.y() - p0.y(), p3.x() - p0.x());
    const bool between = (a3 > qMin(a1, a2) && a3 < qMax(a1, a2));
    return std::fabs(a1 - a2) > M_PI ? !between : between;
}

FourthCorner placeFourthCorner(const QVector<QPointF> &c, const QPointF &n, QVector<QPointF> *order)
{
    if (c.size() != 3)
        return FourthCorner::NotConvex;
    if (insidePolygon(c, n))
        return FourthCorner::InsideTriangle;
    QVector<QPointF> o;
    if (insideConvexQuad(c[0], c[1], c[2], n))
        o = {c[0], c[1], n, c[2]};
    else if (insideConvexQuad(c[1], c[0], c[2], n))
        o = {c[0], c[1], c[2], n};
    else if (insideConvexQuad(c[2], c[1], c[0], n))
        o = {c[0], n, c[1], c[2]};
    else
        return FourthCorner::NotConvex;
    if (order)
        *order = o;
    return FourthCorner::Placed;
}

double quadrilateralArea(const QVector<QPointF> &corners, const ToGeo &toGeo, const Metres &metres)
{
    if (corners.size() != 4)
        return 0.0;
    QPointF g[4];
    for (int i = 0; i < 4; ++i)
        g[i] = toGeo(corners[i]);
    double side[4];
    for (int i = 0; i < 4; ++i)
        side[i] = metres(g[i], g[(i + 1) % 4]);
    const double s = (side[0] + side[1] + side[2] + side[3]) / 2;
    // Opposite interior angles at corners 0 and 2, from the scene directions.
    const double alpha = cornerAngle(corners, 0);
    const double gamma = cornerAngle(corners, 2);
    const double cosHalf = std::cos((alpha + gamma) / 2);
    const double v = (s - side[0]) * (s - side[1]) * (s - side[2]) * (s - side[3])
                     - side[0] * side[1] * side[2] * side[3] * cosHalf * cosHalf;
    return v > 0 ? std::sqrt(v) : 0.0;
}

double polygonArea(const QVector<QPointF> &corners, const ToGeo &toGeo, const Metres &metres)
{
    if (corners.size() < 3)
        return 0.0;
    const QPointF r = toGeo(QPointF(0, 0));
    // Signed metre coordinates from the scene origin's position, so corners
    // left of or above the map do not fold over.
    QVector<QPointF> m;
    for (const QPointF &c : corners) {
        const QPointF g = toGeo(c);
        double x = metres(r, QPointF(g.x(), r.y()));
        double y = metres(r, QPointF(r.x(), g.y()));
        if (g.x() < r.x())
            x = -x;
        if (g.y() < r.y())
            y = -y;
        m << QPointF(x, y);
    }
    double sum = 0.0;
    for (int i = 0; i < m.size(); ++i) {
        const QPointF &prev = m[(i + m.size() - 1) % m.size()];
        sum += prev.x() * m[i].y() - m[i].x() * prev.y();
    }
    return std::fabs(sum / 2);
}

}  // namespace SurveyGrid
