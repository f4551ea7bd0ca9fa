#pragma once
// Records of the V1 link protocol. Every record is packed, little-endian and
// exactly its wire size, so a received frame is copied into it byte for byte
// and the same bytes go into a trace file.
#include <QMetaType>
#include <cstdint>
#include <cstring>

#include "maps/waypoint.h"

#pragma pack(push, 1)

struct IMU_RAWDATA {
    uint8_t raw[28];
};

struct LL_STATUS {
    uint8_t raw[16];
};

struct IMU_CALCDATA {
    uint8_t raw[92];
};

struct HL_STATUS {
    uint8_t raw[24];
};

// One waypoint as the aircraft takes it (sent in the "ws" request).
struct WAYPOINT {
    uint8_t wp_number;    // always 1
    uint8_t dummy_1;      // number of pictures
    uint16_t dummy_2;     // camera pitch: (deg * 100 + 11000) + 0x8000
    uint8_t properties;   // 0x17, 0x37 when active
    uint8_t max_speed;    // percent
    uint16_t time;        // 1/100 s, bit 14 set
    uint16_t pos_acc;     // mm
    int16_t chksum;       // see v1WaypointChecksum
    int32_t X;            // longitude * 1e7
    int32_t Y;            // latitude * 1e7
    int32_t yaw;          // degrees * 1000
    int32_t height;       // mm
};

struct CURRENT_WAY {
    uint8_t raw[12];
};

struct GPS_DATA_ADVANCED {
    uint8_t raw[60];
};

struct LCD_INFO_LINK {
    uint8_t upPresent;    // first direction present (non-zero)
    uint8_t downPresent;  // second direction present
    uint8_t upBad;
    uint8_t downBad;
    uint8_t upGood;
    uint8_t downGood;
    uint8_t reserved[4];
};

struct LCD_INFO_LINK_NEW {
    uint8_t upPresent;
    uint8_t downPresent;
    uint8_t upBad;
    uint8_t downBad;
    uint8_t upGood;
    uint8_t downGood;
    uint8_t reserved[10];
};

struct LCD_INFO_HIGH_PRIO {
    uint8_t battery_voltage;  // 1/10 V
    uint8_t gps_quality;      // bits 0-6
    uint8_t speed;            // 1/10
    uint8_t motor;            // 255: motors off indicator
    uint16_t status;
    int16_t pitch;            // 1/100 degree
    int16_t roll;
    uint16_t yaw;
};

struct LCD_INFO_LOW_PRIO {
    uint16_t flighttime_sats;  // bits 0-10 flight time, 12-15 satellites
    int32_t latitude;          // 1e-7 degree
    int32_t longitude;
    uint8_t hor_accuracy;      // 1/10 m
    uint8_t vert_accuracy;
};

struct LCD_INFO_LOW_PRIO_PART2 {
    uint8_t reserved[8];
    int16_t cam_angle;  // 1/10 degree
    int16_t height;     // 1/10 m
};

struct LCD_INFO_LOW_PRIO_PART3 {
    uint16_t battery_used;
    uint16_t battery_full;
    uint16_t nav_status;
    uint16_t reserved1;
    uint16_t reserved2;
    uint8_t battery_state;  // bits 0-1
    uint8_t reserved3;
};

struct BUILD_INFO {
    uint16_t version_major;
    uint16_t version_minor;
    uint8_t rest[79];
};

struct BUILD_INFO_LL {
    uint16_t version_major;
    uint16_t version_minor;
    uint8_t rest[80];
    uint32_t serial;
};

struct HL_EEPROM_INFO {
    uint16_t camera;
    uint16_t reserved;
};

struct SEARCH_LIST {
    uint8_t raw[14];
};

#pragma pack(pop)

static_assert(sizeof(IMU_RAWDATA) == 28, "IMU_RAWDATA size");
static_assert(sizeof(LL_STATUS) == 16, "LL_STATUS size");
static_assert(sizeof(IMU_CALCDATA) == 92, "IMU_CALCDATA size");
static_assert(sizeof(HL_STATUS) == 24, "HL_STATUS size");
static_assert(sizeof(WAYPOINT) == 28, "WAYPOINT size");
static_assert(sizeof(CURRENT_WAY) == 12, "CURRENT_WAY size");
static_assert(sizeof(GPS_DATA_ADVANCED) == 60, "GPS_DATA_ADVANCED size");
static_assert(sizeof(LCD_INFO_LINK) == 10, "LCD_INFO_LINK size");
static_assert(sizeof(LCD_INFO_LINK_NEW) == 16, "LCD_INFO_LINK_NEW size");
static_assert(sizeof(LCD_INFO_HIGH_PRIO) == 12, "LCD_INFO_HIGH_PRIO size");
static_assert(sizeof(LCD_INFO_LOW_PRIO) == 12, "LCD_INFO_LOW_PRIO size");
static_assert(sizeof(LCD_INFO_LOW_PRIO_PART2) == 12, "LCD_INFO_LOW_PRIO_PART2 size");
static_assert(sizeof(LCD_INFO_LOW_PRIO_PART3) == 12, "LCD_INFO_LOW_PRIO_PART3 size");
static_assert(sizeof(BUILD_INFO) == 83, "BUILD_INFO size");
static_assert(sizeof(BUILD_INFO_LL) == 88, "BUILD_INFO_LL size");
static_assert(sizeof(HL_EEPROM_INFO) == 4, "HL_EEPROM_INFO size");
static_assert(sizeof(SEARCH_LIST) == 14, "SEARCH_LIST size");

// Check sum of a waypoint record: 0xAAAB plus the 16-bit sum of the fields
// the aircraft checks (number, pictures and camera pitch are not among them).
inline int16_t v1WaypointChecksum(const WAYPOINT &wp)
{
    uint16_t sum = 0xAAAB;
    sum = uint16_t(sum + wp.max_speed);
    sum = uint16_t(sum + wp.properties);
    sum = uint16_t(sum + uint16_t(wp.X));
    sum = uint16_t(sum + uint16_t(wp.Y));
    sum = uint16_t(sum + uint16_t(wp.height));
    sum = uint16_t(sum + uint16_t(wp.yaw));
    sum = uint16_t(sum + wp.time);
    sum = uint16_t(sum + wp.pos_acc);
    return int16_t(sum);
}

// Degrees to the wire's 1e-7 degree integers, cut toward zero and clamped.
inline int32_t v1DegreesToFixed(double degrees)
{
    return WaypointUnits::truncInt(degrees * 10000000.0);
}

// A waypoint record for a V1 upload. The plan's units are the wire's, but
// for the camera pitch (offset by 0x8000) and the time (bit 14 set).
inline WAYPOINT v1MakeWaypoint(const Waypoint &w)
{
    WAYPOINT wp{};
    wp.wp_number = 1;
    wp.dummy_1 = uint8_t(w.noPictures);
    wp.dummy_2 = uint16_t(w.pitch + 0x8000);
    wp.properties = w.active ? 0x37 : 0x17;
    wp.max_speed = w.maxSpeed;
    wp.time = uint16_t(w.time | 0x4000);
    wp.pos_acc = w.posAcc;
    wp.X = v1DegreesToFixed(w.longitude);
    wp.Y = v1DegreesToFixed(w.latitude);
    wp.yaw = w.yaw;
    wp.height = w.height;
    wp.chksum = v1WaypointChecksum(wp);
    return wp;
}

// Copies the first sizeof(T) bytes of data into a record; false when too short.
template <typename T>
bool v1RecordFromBytes(const char *data, int size, T *out)
{
    if (size < int(sizeof(T)))
        return false;
    std::memcpy(out, data, sizeof(T));
    return true;
}

Q_DECLARE_METATYPE(IMU_RAWDATA)
Q_DECLARE_METATYPE(LL_STATUS)
Q_DECLARE_METATYPE(IMU_CALCDATA)
Q_DECLARE_METATYPE(HL_STATUS)
Q_DECLARE_METATYPE(WAYPOINT)
Q_DECLARE_METATYPE(CURRENT_WAY)
Q_DECLARE_METATYPE(GPS_DATA_ADVANCED)
Q_DECLARE_METATYPE(LCD_INFO_LINK)
Q_DECLARE_METATYPE(LCD_INFO_LINK_NEW)
Q_DECLARE_METATYPE(LCD_INFO_HIGH_PRIO)
Q_DECLARE_METATYPE(LCD_INFO_LOW_PRIO)
Q_DECLARE_METATYPE(LCD_INFO_LOW_PRIO_PART2)
Q_DECLARE_METATYPE(LCD_INFO_LOW_PRIO_PART3)
Q_DECLARE_METATYPE(BUILD_INFO)
Q_DECLARE_METATYPE(BUILD_INFO_LL)
Q_DECLARE_METATYPE(HL_EEPROM_INFO)
Q_DECLARE_METATYPE(SEARCH_LIST)
