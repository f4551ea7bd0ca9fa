#pragma once
// Changing many waypoints at once: the relative correction (offsets added to
// position and properties) and the conversion between the Zephrin and
// Steerwise kinds.
//
// The operations are templates over the plan so this library stays below
// the plan model; any type with WPData's getters and setters will do.
#include <QList>
#include <QPointF>
#include <QVector>

namespace RelativeValues {

// What the operator entered in the relative-correction dialog.
struct Correction {
    bool alongCamera = false;  // move along each waypoint's own heading
    double east = 0.0;         // m, switch off
    double north = 0.0;        // m, switch off
    double offset = 0.0;       // m, switch on
    double pitch = 0.0;        // degrees
    int pictures = 0;
    double heading = 0.0;   // degrees
    double height = 0.0;    // m
    double posAcc = 0.0;    // m
    double time = 0.0;      // s
    int maxSpeed = 0;       // percent
    double velocity = 0.0;  // m/s
};

// A double change counts when its hundredths, truncated, are not 0; the
// velocity only when its whole part is not 0.
bool counts(double value);
bool velocityCounts(double value);

// The horizontal move of one waypoint in metres; false when it stays.
bool moveMetres(const Correction &c, double headingDegrees, double *east, double *north);
// Metres east and north as (longitude, latitude) degrees at the latitude.
QPointF degreesFromMetres(double east, double north, double latitude);

// Kinds of a selection: code 0 single, 1 matrix, 2 trajectory, 3 Steerwise;
// every other code (11, 12, 5) is no kind (-1).
int kindOf(int type);
// The dialog offers the Zephrin inputs unless the selection's only kind is
// Steerwise.
bool zephrinDialog(const QList<int> &types);
// Steerwise waypoints together with another kind: no aircraft flies that.
bool mixesSteerwise(const QList<int> &types);

template <class Plan> QList<int> typesOf(Plan &plan, const QList<int> &numbers)
{
    QList<int> types;
    for (int n : numbers)
        types << plan.waypointType(n);
    return types;
}

// Adds the correction to every listed waypoint (1-based numbers). The new
// values are all taken from the values before the correction: the group
// setters copy along a matrix run, and adding to an already corrected run
// member would add the offset once per selected member.
template <class Plan> void apply(Plan &plan, const QList<int> &numbers, const Correction &c)
{
    if (numbers.isEmpty())
        return;

    const double latitude = plan.waypointGeo(numbers.first()).y();
    for (int n : numbers) {
        double east = 0.0, north = 0.0;
        if (!moveMetres(c, plan.yaw(n), &east, &north))
            continue;
        const QPointF d = degreesFromMetres(east, north, latitude);
        const QPointF geo = plan.waypointGeo(n);
        plan.setWaypointGeo(n, geo.x() + d.x(), geo.y() + d.y());
    }

    // One field after the other, in the dialog's order.
    auto field = [&](bool on, auto get, auto set) {
        if (!on)
            return;
        QVector<double> before;
        before.reserve(numbers.size());
        for (int n : numbers)
            before << double(get(n));
        for (int i = 0; i < numbers.size(); ++i)
            set(numbers[i], before[i]);
    };
    field(counts(c.pitch), [&](int n) { return plan.camAngleNick(n); },
          [&](int n, double v) { plan.setCamAngleNick(n, v + c.pitch); });
    field(c.pictures != 0, [&](int n) { return plan.noPictures(n); },
          [&](int n, double v) { plan.setNoPictures(n, int(v) + c.pictures); });
    field(counts(c.heading), [&](int n) { return plan.yaw(n); },
          [&](int n, double v) { plan.setYaw(n, v + c.heading); });
    field(counts(c.height), [&](int n) { return plan.height(n); },
          [&](int n, double v) { plan.setHeight(n, v + c.height); });
    field(counts(c.posAcc), [&](int n) { return plan.posAcc(n); },
          [&](int n, double v) { plan.setPosAcc(n, v + c.posAcc); });
    field(counts(c.time), [&](int n) { return plan.time(n); },
          [&](int n, double v) { plan.setTime(n, v + c.time); });
    field(c.maxSpeed != 0, [&](int n) { return plan.maxSpeed(n); },
          [&](int n, double v) { plan.setMaxSpeed(n, int(v) + c.maxSpeed); });
    field(velocityCounts(c.velocity), [&](int n) { return plan.v3Speed(n); },
          [&](int n, double v) { plan.setV3Speed(n, v + c.velocity); });
}

// Every Steerwise waypoint of the list becomes a single Zephrin waypoint.
template <class Plan> void convertToZephrin(Plan &plan, const QList<int> &numbers)
{
    for (int n : numbers)
        if (plan.waypointType(n) == 3)
            plan.setWaypointType(n, 0);
}

// Every other waypoint of the list becomes a Steerwise waypoint; run and
// circle codes are not kept.
template <class Plan> void convertToSteerwise(Plan &plan, const QList<int> &numbers)
{
    for (int n : numbers)
        if (plan.waypointType(n) != 3)
            plan.setWaypointType(n, 3);
}

}  // namespace RelativeValues
