#include "planner/geometry/relativevalues.h"

#include <QtMath>
#include <cmath>

namespace RelativeValues {

namespace {
constexpr double kEarthRadius = 6378137.0;  // m, WGS 84 equator
}

bool counts(double value) { return std::isfinite(value) && std::trunc(value * 100) != 0; }

bool velocityCounts(double value) { return std::isfinite(value) && std::trunc(value) != 0; }

bool moveMetres(const Correction &c, double headingDegrees, double *east, double *north)
{
    if (c.alongCamera) {
        if (!counts(c.offset))
            return false;
        const double r = (headingDegrees - 90) * M_PI / 180;
        *east = std::cos(r) * c.offset;
        *north = -std::sin(r) * c.offset;
        return true;
    }
    if (c.east == 0.0 && c.north == 0.0)
        return false;
    if (!std::isfinite(c.east) || !std::isfinite(c.north))
        return false;
    *east = c.east;
    *north = c.north;
    return true;
}

QPointF degreesFromMetres(double east, double north, double latitude)
{
    const double lat = north / kEarthRadius * 180 / M_PI;
    const double lon = east / (kEarthRadius * std::cos(latitude * M_PI / 180)) * 180 / M_PI;
    return QPointF(lon, lat);
}

int kindOf(int type)
{
    switch (type) {
    case 0:
    case 1:
    case 2:
    case 3:
        return type;
    default:
        return -1;
    }
}

bool zephrinDialog(const QList<int> &types)
{
    bool steerwise = false;
    for (int t : types) {
        const int k = kindOf(t);
        if (k == 3)
            steerwise = true;
        else if (k >= 0)
            return true;
    }
    return !steerwise;
}

bool mixesSteerwise(const QList<int> &types)
{
    bool steerwise = false, other = false;
    for (int t : types) {
        const int k = kindOf(t);
        if (k == 3)
            steerwise = true;
        else if (k >= 0)
            other = true;
    }
    return steerwise && other;
}

}  // namespace RelativeValues
