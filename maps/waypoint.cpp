#include "maps/waypoint.h"

#include <cmath>
#include <limits>

namespace WaypointUnits {

qint32 truncInt(double v)
{
    if (!std::isfinite(v))
        return v > 0 ? std::numeric_limits<qint32>::max()
                     : v < 0 ? std::numeric_limits<qint32>::min() : 0;
    return qint32(qBound<double>(std::numeric_limits<qint32>::min(), std::trunc(v),
                                 std::numeric_limits<qint32>::max()));
}

qint32 roundInt(double v) { return truncInt(std::isfinite(v) ? std::round(v) : v); }

double clamp(double v, double lo, double hi)
{
    if (std::isnan(v))
        return lo;
    return qBound(lo, v, hi);
}

}  // namespace WaypointUnits

using namespace WaypointUnits;

namespace {
// The widest values people may type.
constexpr double maxWaitSeconds = 20;
constexpr double maxPosAccMetres = 20;
constexpr qint32 oneTurn = 360000;  // 1/1000 degree
}  // namespace

void Waypoint::setHeadingFollows(bool on)
{
    if (on)
        properties |= 1;
    else
        properties &= quint8(~1);
}

qint32 Waypoint::heightFromMetres(double metres) { return roundInt(metres * 1000); }
qint32 Waypoint::yawFromDegrees(double degrees) { return truncInt(degrees * 1000) % oneTurn; }
quint16 Waypoint::timeFromSeconds(double seconds)
{
    return quint16(truncInt(clamp(seconds, 0, maxWaitSeconds) * 100));
}
quint16 Waypoint::posAccFromMetres(double metres)
{
    return quint16(roundInt(clamp(metres, 0, maxPosAccMetres) * 1000));
}
quint16 Waypoint::pitchFromDegrees(double degrees)
{
    // Beyond what the 16-bit field holds the value stops at its end, never wraps.
    return quint16(qBound(0, roundInt(clamp(degrees, -1e6, 1e6) * 100) + 11000, 65535));
}
qint8 Waypoint::picturesFrom(double pictures) { return qint8(truncInt(clamp(pictures, 0, 127))); }
quint8 Waypoint::maxSpeedFromPercent(double percent)
{
    return quint8(truncInt(clamp(percent, 10, 100)));
}
float Waypoint::velocityFrom(double metresPerSecond)
{
    return float(clamp(metresPerSecond, 0.5, 10.0));
}

// On the stored integers, so a value already in range comes back to the
// unit (going through degrees or seconds and back would cut it).
Waypoint Waypoint::withinTypedRanges() const
{
    Waypoint wp = *this;
    wp.yaw = (yaw < 0 ? yaw + oneTurn : yaw) % oneTurn;
    wp.time = qMin(time, timeFromSeconds(maxWaitSeconds));
    wp.posAcc = qMin(posAcc, posAccFromMetres(maxPosAccMetres));
    wp.noPictures = qMax(noPictures, qint8(0));
    return wp;
}

int Waypoint::panoramaStep() const
{
    if (type != Circle || noPictures <= 0)
        return 0;
    return 36000 / noPictures;
}
