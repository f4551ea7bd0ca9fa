#pragma once
// Fixed-size records of the ACI link, byte-exact and little-endian. They are
// passed by value through queued signals; bytes the program does not read are
// carried unchanged.
#include <QMetaType>
#include <QtGlobal>

#include "maps/waypoint.h"

#pragma pack(push, 1)
struct ZEPH_WAYPOINT {
    quint16 wpNumber = 0;      // 1-based; reported back as the waypoint id
    qint32 latitude = 0;       // degrees x 1e7
    qint32 longitude = 0;      // degrees x 1e7
    float height = 0;          // metres
    qint16 camPitch = 0;       // degrees x 100
    qint16 camRoll = 0;        // value x 100
    qint16 heading = 0;        // degrees x 100
    float speed = 0;           // m/s
    float desiredAcc = 0;      // m/s^2
    quint32 flags = 0;
    quint16 one = 1;
    quint16 waitTime = 0;      // milliseconds at the waypoint
    quint16 fiveHundred = 500;
    quint16 pictureStep = 0;   // 1/100 degree between pictures on a circle
    quint16 zero = 0;
};

struct ZEPH_MSG_HOME_POSITION {
    quint8 changed = 0;
    qint32 latitude = 0;
    qint32 longitude = 0;
    quint8 rest[12] = {};
};

struct ZEPH_MSG_NAVIGATION_STATUS {
    quint32 status = 0;
    quint16 currentWpId = 0;
    float distance = 0;
    quint8 rest[4] = {};
    quint8 changeCounter = 0;
};

struct ZEPH_RF_API_LINKINFO_REDUCED {
    quint8 head[48] = {};
    quint8 quality[4] = {};  // the four link values the handler rates
    quint8 tail[6] = {};
};
#pragma pack(pop)

static_assert(sizeof(ZEPH_WAYPOINT) == 42, "waypoint record is 42 bytes");
static_assert(sizeof(ZEPH_MSG_HOME_POSITION) == 21, "home position is 21 bytes");
static_assert(sizeof(ZEPH_MSG_NAVIGATION_STATUS) == 15, "navigation status is 15 bytes");
static_assert(sizeof(ZEPH_RF_API_LINKINFO_REDUCED) == 58, "link info is 58 bytes");

Q_DECLARE_METATYPE(ZEPH_WAYPOINT)
Q_DECLARE_METATYPE(ZEPH_MSG_HOME_POSITION)
Q_DECLARE_METATYPE(ZEPH_MSG_NAVIGATION_STATUS)
Q_DECLARE_METATYPE(ZEPH_RF_API_LINKINFO_REDUCED)

// Registers the records as queued-signal argument types (idempotent).
void registerAciRecordTypes();

// Builds the 42-byte record of plan waypoint number. Matrix-run waypoints
// whose heading does not follow the flight direction carry the flag 0x20000.
// The heading keeps the low 16 bits of its 1/100 degree, so headings up to
// 655.35 degrees pass whole; a wait beyond 65.535 s is clamped, not wrapped.
ZEPH_WAYPOINT zephWaypoint(const Waypoint &wp, int number);

// Degrees to the wire's 1e-7 degree integers, truncated toward zero.
qint32 zephDegreesToFixed(double degrees);
