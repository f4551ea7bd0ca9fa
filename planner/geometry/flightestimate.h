#pragma once
// How long the aircraft needs for a range of waypoints: every leg flown on a
// trapezoid speed profile, grid runs as one leg, circles added.
#include <QVector>

namespace FlightEstimate {

// One waypoint as the estimate sees it.
struct Waypoint {
    int type = 0;
    double speed = 0.0;         // m/s
    double acceleration = 0.0;  // m/s^2; the radius in metres for type 5
    double time = 0.0;          // s at the waypoint
    double leg = 0.0;           // m, the drawn leg from the waypoint before
};

struct Result {
    bool known = true;  // false when a leg has no usable speed or acceleration
    double seconds = 0.0;
    double metres = 0.0;
};

// Time for distance d at top speed v and acceleration a; -1 when v or a is
// not a positive finite number.
double trapezoid(double d, double v, double a);

// Waypoints 1-based: plan[0] is waypoint 1. start and stop inclusive. A run
// ends at its closing type-11 waypoint, whose leg counts once, inside the
// run.
Result estimate(const QVector<Waypoint> &plan, int start, int stop);

}  // namespace FlightEstimate
