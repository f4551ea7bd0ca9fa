#pragma once
// Small aircraft logs for the database and flight-book tests.
#include "harleklog/harlekdemo.h"
#include "harleklog/harleklogwriter.h"

#include <QDir>
#include <QString>

namespace LogFixtures {

// GPS-epoch milliseconds of a UTC time given as ms since 1970.
inline int64_t gps(int64_t unixMs) { return unixMs - kGpsEpochMs; }

inline PathPoint point(int64_t unixMs, double lat, double lon, double h, int mode, double roll = 1.234,
                       double pitch = -0.5, double yaw = 359.996)
{
    PathPoint p;
    p.time = gps(unixMs);
    p.latitude = lat;
    p.longitude = lon;
    p.height = h;
    p.roll = roll;
    p.pitch = pitch;
    p.yaw = yaw;
    p.flightMode = mode;
    return p;
}

inline PhotoTag tag(int64_t unixMs, double lat, double lon, double h)
{
    PhotoTag t;
    t.time = gps(unixMs);
    t.latitude = lat;
    t.longitude = lon;
    t.height = h;
    t.relativeHeight = h - 12.5;
    return t;
}

// Start 2016-03-05 14:07:59.900 UTC near Sydney: four points in the modes
// GPS, GPS, height and an unknown 7, and two camera triggers.
inline HarlekLogContent sydney()
{
    const int64_t t0 = 1457186879900LL;
    HarlekLogContent c;
    c.type = LogTypeBasic;
    c.startUTC = t0;
    c.position = Position{-33.8567844, 151.2152967, 12.5};
    c.airTime = 59.9;
    c.maxDistance = 75.25;
    c.maxDistance3D = 80.5;
    c.maxHeight = 120.0;
    c.path = {point(t0 + 100, -33.8567844, 151.2152967, 12.5, 3),
              point(t0 + 150, -33.85679, 151.2153, 13.0, 3, -0.004, 0.005, 0.0),
              point(t0 + 300, -33.8568, 151.21531, 20.25, 2),
              point(t0 + 1300, -33.8569, 151.2154, 30.125, 7)};
    c.tags = {tag(t0 + 320, -33.85681, 151.215311, 20.5), tag(t0 + 1250, -33.8569, 151.2154, 30.0)};
    return c;
}

inline QString write(const QString& folder, const HarlekLogContent& c)
{
    std::string error;
    if (!harleklog::writeLog(folder.toStdString(), c, &error))
        qFatal("fixture: %s", error.c_str());
    return QDir(folder).absolutePath();
}

} // namespace LogFixtures
