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

ZEPH_WAYPOINT zephWaypointFromValues(const ZephWaypointValues &v)
{
    ZEPH_WAYPOINT w;
    w.wpNumber = truncClamped<quint16>(v.number);
    w.latitude = zephDegreesToFixed(v.latitude);
    w.longitude = zephDegreesToFixed(v.longitude);
    w.height = float(v.height);
    w.camPitch = truncClamped<qint16>(v.camPitch * 100.0);
    w.camRoll = truncClamped<qint16>(v.camRoll * 100.0);
    w.heading = truncClamped<qint16>(v.heading * 100.0);
    w.speed = float(v.speed);
    w.desiredAcc = float(v.desiredAcc);
    w.flags = ((v.type == 1 || v.type == 11) && !(v.properties & 0x01)) ? 0x20000u : 0u;
    w.one = 1;
    // Clamped rather than wrapped: a long wait must not turn into a short one.
    w.waitTime = truncClamped<quint16>(v.timeSeconds * 1000.0);
    w.fiveHundred = 500;
    w.pictureStep = v.type == 5 ? truncClamped<quint16>(v.pictureStep) : 0;
    w.zero = 0;
    return w;
}
