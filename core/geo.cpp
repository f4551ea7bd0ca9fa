#include "core/geo.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRad = 3.14159265358979323846 / 180.0;

}  // namespace

namespace GeoMath {

double haversineMetres(GeoPoint a, GeoPoint b)
{
    const double p1 = a.lat() * kRad, p2 = b.lat() * kRad;
    const double dLat = (b.lat() - a.lat()) * kRad, dLon = (b.lon() - a.lon()) * kRad;
    const double h = std::cos(p1) * std::cos(p2) * std::sin(dLon / 2) * std::sin(dLon / 2) +
                     std::sin(dLat / 2) * std::sin(dLat / 2);
    return kEarthRadius * 2 * std::atan2(std::sqrt(h), std::sqrt(std::max(0.0, 1 - h)));
}

FlatOffset flatOffsetMetres(GeoPoint from, GeoPoint to)
{
    const double m = (to.lat() + from.lat()) * 0.5 * kFlatRadiansPerDegree;
    return {std::cos(m) * kFlatMetresPerDegree * (to.lon() - from.lon()),
            (to.lat() - from.lat()) * kFlatMetresPerDegree};
}

double flatMetres(GeoPoint a, GeoPoint b)
{
    const FlatOffset d = flatOffsetMetres(a, b);
    return std::sqrt(d.east * d.east + d.north * d.north);
}

double bearingDegrees(GeoPoint from, GeoPoint to)
{
    const double p1 = from.lat() * kRad, p2 = to.lat() * kRad;
    const double dLon = (to.lon() - from.lon()) * kRad;
    const double y = std::sin(dLon) * std::cos(p2);
    const double x = std::cos(p1) * std::sin(p2) - std::sin(p1) * std::cos(p2) * std::cos(dLon);
    return std::fmod(std::atan2(y, x) / kRad + 360.0, 360.0);
}

}  // namespace GeoMath
