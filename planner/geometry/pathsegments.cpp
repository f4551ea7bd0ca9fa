#include "planner/geometry/pathsegments.h"

#include <QLineF>
#include <cmath>

namespace PathSegments {

namespace {

constexpr float kPi = 3.14159265358979f;

// Clockwise from the scene's +y axis.
float heading(float dx, float dy) { return std::atan2(dx, dy); }

float normalised(float d)
{
    if (d > kPi)
        d -= 2 * kPi;
    else if (d <= -kPi)
        d += 2 * kPi;
    return d;
}

}  // namespace

QPointF interpolate(const Point &a, const Point &b, const Point *p, const Point *pp, float t)
{
    const float ax = a.x(), ay = a.y(), bx = b.x(), by = b.y();
    const float dh = b.z() - a.z(), dx = bx - ax, dy = by - ay;
    const float D = std::sqrt(dh * dh + dx * dx + dy * dy);
    float theta = 0, delta = 0, deltaPrev = 0;
    if (p) {
        theta = heading(ax - p->x(), ay - p->y());
        delta = normalised(heading(dx, dy) - theta);
        if (pp)
            deltaPrev = normalised(theta - heading(p->x() - pp->x(), p->y() - pp->y()));
    }
    const float s = delta > 0 ? 1.0f : (delta < 0 ? -1.0f : 0.0f);
    const float ad = std::fabs(delta);
    const QPointF straight(ax + t * dx, ay + t * dy);
    if (!p || ad < kStraightTurn || (ad >= kStraightTurn && std::fabs(deltaPrev) >= kStraightTurn))
        return straight;

    const float ct = std::cos(theta), st = std::sin(theta);
    if (ad < kHalfCircleLow) {
        // Straight on, then a half circle into B.
        const float r = std::fabs(std::sin(delta) * D) / 2;
        const float L = std::fabs(std::cos(delta) * D);
        const float f = L / (r * kPi + L);
        if (t <= f) {
            const float k = (t / f) * std::cos(delta) * D;
            return QPointF(ax + k * st, ay + k * ct);
        }
        const float u = (t - f) / (1 - f);
        const float cx = bx - r * s * ct, cy = by + r * s * st;
        const float phi = theta - (0.5f - u) * kPi * s;
        return QPointF(cx + r * std::sin(phi), cy + r * std::cos(phi));
    }
    if (ad < kHalfCircleHigh) {
        // A half circle on the diameter A-B.
        const float r = D / 2;
        const float cx = ax + r * s * ct, cy = ay - r * s * st;
        const float phi = (0.5f - t) * kPi * s - theta;
        return QPointF(cx - r * std::sin(phi), cy + r * std::cos(phi));
    }
    // A half circle, then straight on to B.
    const float back = kPi - delta;
    const float r = std::fabs(std::sin(back) * D) / 2;
    const float g = r * kPi / (std::fabs(std::cos(back) * D) + r * kPi);
    if (t <= g) {
        const float cx = ax + r * s * ct, cy = ay - r * s * st;
        const float phi = theta - (0.5f - t / g) * kPi * s;
        return QPointF(cx + r * std::sin(phi), cy + r * std::cos(phi));
    }
    const float ex = ax + 2 * r * s * ct, ey = ay - 2 * r * s * st;
    const float v = (t - g) / (1 - g);
    return QPointF(ex * (1 - v) + bx * v, ey * (1 - v) + by * v);
}

QPainterPath segmentPath(int kind, const Point &a, const Point &b, const Point *p,
                         const Point *pp)
{
    QPainterPath path;
    const QPointF from(a.x(), a.y()), to(b.x(), b.y());
    switch (kind) {
    case 0:
    case 5:
    case 11:
        path.moveTo(from);
        path.lineTo(to);
        break;
    case 1:
        path.moveTo(from);
        if (p) {
            for (int j = 0; j < 30; ++j)
                path.lineTo(interpolate(a, b, p, pp, float(j) / 30));
        }
        path.lineTo(to);
        break;
    default:
        break;
    }
    return path;
}

bool tooFast(double lengthPixels, double pixelsPerMeter, double speed, int processTimeMs)
{
    if (!(speed > 0) || !std::isfinite(speed) || !(pixelsPerMeter > 0)
        || !std::isfinite(pixelsPerMeter) || !std::isfinite(lengthPixels))
        return false;
    const double metres = lengthPixels / pixelsPerMeter;
    const double ms = std::round(metres * 1000 / speed);
    return processTimeMs > ms;
}

int Bookkeeping::insert(int kind)
{
    const int k = m_count++;
    if (k == m_kinds.size()) {
        m_kinds << kind;
        m_tooFast << false;
        m_pens << Pen::New;
    } else {
        m_kinds[k] = kind;
        m_tooFast[k] = false;
        m_pens[k] = Pen::New;
    }
    return k;
}

bool Bookkeeping::remove(int k)
{
    if (k < 0 || k >= m_count)
        return false;
    m_kinds.removeAt(k);
    m_kinds << 0;
    m_tooFast.removeAt(k);
    m_tooFast << false;
    m_pens.removeAt(k);
    m_pens << Pen::New;
    --m_count;
    return true;
}

void Bookkeeping::clear()
{
    m_count = 0;
    m_kinds.fill(0);
    m_tooFast.fill(false);
    m_pens.fill(Pen::New);
}

void Bookkeeping::applyCheck(int k, bool fast)
{
    if (k < 0 || k >= m_count)
        return;
    if (m_kinds[k] != 1) {
        m_tooFast[k] = false;
        return;
    }
    m_tooFast[k] = fast;
    m_pens[k] = fast ? Pen::TooFast : (m_kinds[k] % 10 == 1 ? Pen::Grid : Pen::Other);
}

void Bookkeeping::setSegmentType(int n, int type, int waypoints,
                                 const std::function<int(int)> &typeOf, QVector<int> *dirty)
{
    const int into = n - 2;  // segment into waypoint n
    const int out = n - 1;   // segment out of it
    auto active = [this](int k) { return k >= 0 && k < m_count; };
    auto touch = [dirty](int k) {
        if (dirty && !dirty->contains(k))
            *dirty << k;
    };
    switch (type) {
    case 0:
    case 3:
    case 5:
        for (int k : {into, out}) {
            if (active(k)) {
                m_kinds[k] = 0;
                m_pens[k] = Pen::Other;
                touch(k);
            }
        }
        break;
    case 1:
        if (n > 1 && n <= waypoints && active(into)) {
            m_pens[into] = Pen::Grid;
            m_kinds[into] = typeOf(n - 1);
            touch(into);
        }
        if (n < waypoints && active(out)) {
            if (typeOf(n + 1) % 10 == 1) {
                m_pens[out] = Pen::Grid;
                m_kinds[out] = 1;
            } else {
                m_pens[out] = Pen::Other;
            }
            touch(out);
        }
        break;
    case 11:
        if (n < waypoints && active(out)) {
            m_kinds[out] = 11;
            touch(out);
        }
        if (n >= 2 && active(into)) {
            m_pens[into] = Pen::Grid;
            m_kinds[into] = typeOf(n - 1);
            touch(into);
        }
        break;
    default:
        break;
    }
}

Bookkeeping::Removal Bookkeeping::forRemovedWaypoint(int n, int waypointsBefore)
{
    Removal r;
    if (waypointsBefore < 2 || n < 1 || n > waypointsBefore)
        return r;
    if (n == 1) {
        r.removed = 0;
    } else if (n == waypointsBefore) {
        r.removed = waypointsBefore - 2;
    } else {
        r.removed = n - 1;
        r.joined = n - 2;
    }
    return r;
}

}  // namespace PathSegments
