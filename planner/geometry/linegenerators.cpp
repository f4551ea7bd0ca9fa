#include "planner/geometry/linegenerators.h"

#include <QLineF>
#include <QtMath>
#include <cmath>

namespace LineGenerators {

double lineStep(double height, double hAngle, int overlap, double pixelsPerMeter)
{
    return std::tan(hAngle * M_PI / 180 * 0.5) * height * pixelsPerMeter * (100 - overlap) / 50.0;
}

bool lineMatrix(const QVector<QPointF> &points, double step, QVector<Preview> *previews)
{
    previews->clear();
    if (!(step > 0) || !std::isfinite(step) || points.size() < 2)
        return false;
    for (int k = 1; k < points.size(); ++k) {
        const QLineF segment(points[k - 1], points[k]);
        const double parts = std::floor(1 + segment.length() / step);
        if (!std::isfinite(parts) || parts > 1e6) {
            previews->clear();
            return false;
        }
        const int n = int(parts);
        const double heading = PreviewHeading::fromDegrees((180 - segment.angle()) - 90);
        if (k == 1)
            *previews << Preview{segment.p1(), heading, false};
        for (int j = 1; j <= n; ++j)
            *previews << Preview{segment.pointAt(double(j) / n), heading, j == n};
    }
    return true;
}

bool circle(const QPointF &centre, const QPointF &radiusPoint, int increment, int direction,
            QVector<Preview> *previews)
{
    previews->clear();
    if (increment < 1)
        return false;
    QLineF line(centre, radiusPoint);
    for (int a = 0; a < 360; a += increment) {
        *previews << Preview{line.p2(), PreviewHeading::fromDegrees(90 - line.angle() + 180), false};
        line.setAngle(direction != 0 ? line.angle() + increment : line.angle() - increment);
    }
    return true;
}

double headingToward(const QPointF &wp, const QPointF &target)
{
    double h = std::atan2(wp.y() - target.y(), wp.x() - target.x()) * 180 / M_PI - 90;
    if (h < 0)
        h += 360;
    return h;
}

Applied gridWaypoint(const Preview &p, bool last, double height, double maxSpeed,
                     double northAngle)
{
    Applied a;
    a.type = last ? 11 : 1 + 10 * int(p.segmentEnd);
    a.pitch = -90.0;
    a.speed = maxSpeed;
    a.yaw = p.heading - northAngle;
    a.height = height;
    a.headingFollows = true;
    a.footprintTurn = p.heading - northAngle;
    return a;
}

Applied circleWaypoint(const Preview &p, double pitch, double height, double northAngle)
{
    Applied a;
    a.pitch = pitch;
    a.yaw = p.heading - northAngle;
    a.height = height;
    a.footprintTurn = p.heading - northAngle;
    return a;
}

}  // namespace LineGenerators
