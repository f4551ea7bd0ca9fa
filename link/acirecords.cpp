#include "link/acirecords.h"

#include <cmath>
#include <limits>

void registerAciRecordTypes()
{
    qRegisterMetaType<ZEPH_WAYPOINT>("ZEPH_WAYPOINT");
    qRegisterMetaType<ZEPH_MSG_HOME_POSITION>("ZEPH_MSG_HOME_POSITION");
    qRegisterMetaType<ZEPH_MSG_NAVIGATION_STATUS>("ZEPH_MSG_NAVIGATION_STATUS");
    qRegisterMetaType<ZEPH_RF_API_LINKINFO_REDUCED>("ZEPH_RF_API_LINKINFO_REDUCED");
}

namespace {
template <typename T>
T truncClamped(double v)
{
    if (!std::isfinite(v))
        return 0;
    const double t = std::trunc(v);
    if (t < double(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    if (t > double(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    return T(t);
}
}  // namespace

qint32 zephDegreesToFixed(double degrees)
{
    return truncClamped<qint32>(degrees * 10000000.0);
}

ZEPH_WAYPOINT zephWaypoint(const Waypoint &wp, int number)
{
    ZEPH_WAYPOINT w;
    w.wpNumber = truncClamped<quint16>(number);
    w.latitude = zephDegreesToFixed(wp.latitude);
    w.longitude = zephDegreesToFixed(wp.longitude);
    w.height = float(wp.heightMetres());
    w.camPitch = truncClamped<qint16>(int(wp.pitch) - 11000);
    w.camRoll = truncClamped<qint16>(wp.camAngleRoll);
    // The low 16 bits: 350 degrees goes out as 35000, which the aircraft
    // reads back as 350 degrees (a clamp would turn it to 327.67).
    w.heading = qint16(quint16(wp.yaw / 10));
    w.speed = wp.v3Speed;
    w.desiredAcc = wp.desiredAcc;
    w.flags = (wp.isMatrix() && !wp.headingFollows()) ? 0x20000u : 0u;
    w.one = 1;
    // Clamped rather than wrapped: a long wait must not turn into a short one.
    w.waitTime = truncClamped<quint16>(wp.time * 10.0);
    w.fiveHundred = 500;
    w.pictureStep = truncClamped<quint16>(wp.panoramaStep());
    w.zero = 0;
    return w;
}
