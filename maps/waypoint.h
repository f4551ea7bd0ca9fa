#pragma once
// One waypoint in the units the plan stores (and the .zfp file holds): the
// plan, the file readers and the link record builders all pass this type.
// The set/get helpers convert from and to the units people type; they clamp
// into each field's range and never wrap.
#include <QtGlobal>

struct Waypoint {
    enum Type : qint32 {
        Single = 0,      // single waypoint
        Matrix = 1,      // member of a matrix (survey grid) run
        Trajectory = 2,
        Steerwise = 3,   // camera pitch counted the other way round
        Circle = 5,      // circle of interest (panorama)
        MatrixEnd = 11,  // last waypoint of a matrix run
    };

    double longitude = 0.0;  // degrees
    double latitude = 0.0;   // degrees
    bool active = true;
    bool triggerCamera = false;
    bool showCamera = false;
    quint8 properties = 0;   // bit 0: heading follows the flight direction
    quint8 maxSpeed = 100;   // per cent
    quint16 time = 0;        // 1/100 s at the waypoint
    quint16 posAcc = 0;      // mm
    qint32 yaw = 0;          // 1/1000 degree
    qint32 height = 0;       // mm
    qint8 noPictures = 0;
    quint16 pitch = 11000;   // camera pitch: degrees * 100 + 11000
    float v3Speed = 0.0f;    // m/s
    float desiredAcc = 0.0f; // m/s^2
    qint32 camAngleRoll = 0; // 1/100 degree
    Type type = Single;

    bool isMatrix() const { return type == Matrix || type == MatrixEnd; }
    bool headingFollows() const { return properties & 1; }
    void setHeadingFollows(bool on);

    double heightMetres() const { return height / 1000.0; }
    double yawDegrees() const { return yaw / 1000.0; }
    double timeSeconds() const { return time / 100.0; }
    double posAccMetres() const { return posAcc / 1000.0; }
    double pitchDegrees() const { return (int(pitch) - 11000) / 100.0; }
    double rollDegrees() const { return camAngleRoll / 100.0; }

    // Conversions from the units people type into the stored fields.
    // Rounded to the millimetre.
    static qint32 heightFromMetres(double metres);
    // Cut to 1/1000 degree, below one turn (a negative heading stays negative).
    static qint32 yawFromDegrees(double degrees);
    // 0..20 s, cut to 1/100 s.
    static quint16 timeFromSeconds(double seconds);
    // 0..20 m, rounded to the millimetre.
    static quint16 posAccFromMetres(double metres);
    // Rounded to 1/100 degree.
    static quint16 pitchFromDegrees(double degrees);
    // 0..127: the file keeps the count in a signed byte.
    static qint8 picturesFrom(double pictures);
    // 10..100 per cent.
    static quint8 maxSpeedFromPercent(double percent);
    // 0.5..10 m/s.
    static float velocityFrom(double metresPerSecond);

    void setHeightMetres(double metres) { height = heightFromMetres(metres); }
    void setYawDegrees(double degrees) { yaw = yawFromDegrees(degrees); }
    void setTimeSeconds(double seconds) { time = timeFromSeconds(seconds); }
    void setPosAccMetres(double metres) { posAcc = posAccFromMetres(metres); }
    void setPitchDegrees(double degrees) { pitch = pitchFromDegrees(degrees); }
    void setPictures(double pictures) { noPictures = picturesFrom(pictures); }
    void setMaxSpeedPercent(double percent) { maxSpeed = maxSpeedFromPercent(percent); }
    void setVelocity(double metresPerSecond) { v3Speed = velocityFrom(metresPerSecond); }

    // The value with each field in the range its setter gives, a heading
    // below zero counted on from a full turn (-90 degrees is 270): what a
    // waypoint added to a plan by hand, by paste or from an import holds.
    Waypoint withinTypedRanges() const;

    // Turn between two pictures of a circle waypoint, 1/100 degree; 0 for
    // every other type and for a circle without pictures.
    int panoramaStep() const;
};

namespace WaypointUnits {
// Cut toward zero into the range of a 32-bit integer; NaN gives 0.
qint32 truncInt(double v);
// Rounded half away from zero into the range of a 32-bit integer.
qint32 roundInt(double v);
// Clamped into lo..hi; NaN gives lo.
double clamp(double v, double lo, double hi);
}  // namespace WaypointUnits
