#pragma once
// Photo waypoints along a drawn polyline and around a point of interest,
// and the waypoint values every kind of preview gets when it is applied.
#include <QVector>

#include "planner/geometry/preview.h"

namespace LineGenerators {

// Spacing of the photos along a line, in pixels.
double lineStep(double height, double hAngle, int overlap, double pixelsPerMeter);

// Previews along the polyline: the start point, then each segment split
// into whole(1 + length / step) equal parts, the last point of each segment
// flagged. False (and no previews) when the step is not a positive finite
// number or fewer than two points are given.
bool lineMatrix(const QVector<QPointF> &points, double step, QVector<Preview> *previews);

// Previews on the circle through radiusPoint around centre, every
// increment degrees, each facing the centre. direction 0 turns clockwise on
// the screen, any other value counter-clockwise. False (and no previews)
// for an increment below 1.
bool circle(const QPointF &centre, const QPointF &radiusPoint, int increment, int direction,
            QVector<Preview> *previews);

// Heading in degrees (0..360, scene up is 0) for a waypoint at wp to face
// the point pressed on the map.
double headingToward(const QPointF &wp, const QPointF &target);

// What a preview becomes in the plan.
struct Applied {
    int type = -1;          // -1: the plan's default type
    double pitch = 0.0;     // degrees
    double speed = -1.0;    // m/s; below 0: the plan's default
    bool trigger = true;
    int pictures = 1;
    double yaw = 0.0;       // degrees, map north taken off
    double height = 0.0;    // m
    bool headingFollows = false;
    double footprintTurn = 0.0;  // degrees the footprint item is turned by
};

// Grid and line previews: type 1, 11 for segment ends and the last one.
// height: the grid's height, or the line matrix's own for its previews.
Applied gridWaypoint(const Preview &p, bool last, double height, double maxSpeed,
                     double northAngle);
// Circle previews keep the plan's type and speed; the heading is stored
// relative to map north like the other generators do.
Applied circleWaypoint(const Preview &p, double pitch, double height, double northAngle);

}  // namespace LineGenerators
