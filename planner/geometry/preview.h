#pragma once
// A generated waypoint before it is applied to the plan.
#include <QPointF>

struct Preview {
    QPointF pos;             // scene pixels
    double heading = 0.0;    // degrees, 0..360
    bool segmentEnd = false;  // last point of a line segment
};

namespace PreviewHeading {
// Radians to degrees, plus 360 once when negative.
double fromRadians(double radians);
// Degrees brought into 0..360.
double fromDegrees(double degrees);
}  // namespace PreviewHeading
