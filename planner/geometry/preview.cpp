#include "planner/geometry/preview.h"

#include <QtMath>
#include <cmath>

namespace PreviewHeading {

double fromRadians(double radians)
{
    double degrees = qRadiansToDegrees(radians);
    if (degrees < 0)
        degrees += 360.0;
    return degrees;
}

double fromDegrees(double degrees)
{
    if (!std::isfinite(degrees))
        return 0.0;
    degrees = std::fmod(degrees, 360.0);
    if (degrees < 0)
        degrees += 360.0;
    return degrees;
}

}  // namespace PreviewHeading
