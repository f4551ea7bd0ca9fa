#pragma once
// The flight path between consecutive waypoints: the shape of each segment
// (straight, or rounded into the turn between two grid rows), the camera
// check, and the bookkeeping of segment kinds and flags as waypoints come
// and go. Segment k runs from waypoint k+1 to waypoint k+2.
#include <QPainterPath>
#include <QVector3D>
#include <QVector>
#include <functional>

namespace PathSegments {

// A waypoint as the curve sees it: scene x, y and height in metres, taken
// as one unit.
using Point = QVector3D;

// Turn thresholds in radians (18 degrees, 0.49 pi, 0.51 pi).
constexpr float kStraightTurn = 0.3141592f;
constexpr float kHalfCircleLow = 1.5393804f;
constexpr float kHalfCircleHigh = 1.6022122f;

// The point at t in [0, 1) of a grid segment A->B; p and pp are the two
// waypoints before A, or null.
QPointF interpolate(const Point &a, const Point &b, const Point *p, const Point *pp, float t);

// The drawn path of a segment of the given kind: straight for 0, 5 and 11,
// 30 curve points for 1; an empty path for any other kind (left as it is).
QPainterPath segmentPath(int kind, const Point &a, const Point &b, const Point *p,
                         const Point *pp);

// Whether the camera cannot keep up: the flight time over the segment, in
// whole milliseconds, is shorter than the camera's time between photos. A
// speed or scale that is not a positive number never counts as too fast.
bool tooFast(double lengthPixels, double pixelsPerMeter, double speed, int processTimeMs);

// Look of a segment.
enum class Pen { New, Grid, Other, TooFast };

// Kinds, flags and the number of active segments. The caller keeps one
// drawn item per entry and redraws what each operation reports.
class Bookkeeping {
public:
    int count() const { return m_count; }
    int kind(int k) const { return m_kinds.value(k, 0); }
    bool tooFast(int k) const { return m_tooFast.value(k, false); }
    Pen pen(int k) const { return m_pens.value(k, Pen::New); }
    void setKind(int k, int kind) { m_kinds[k] = kind; }
    void setTooFast(int k, bool on) { m_tooFast[k] = on; }
    void setPen(int k, Pen pen) { m_pens[k] = pen; }

    // Makes segment index count() active with the given kind and the new
    // look; returns its index.
    int insert(int kind);
    // The camera check's verdict on segment k: only grid segments (kind 1)
    // can be too fast; any other keeps its look and loses the flag.
    void applyCheck(int k, bool tooFast);

    // Removes segment k: the segments after it move down one place with
    // their kinds, flags and looks. Returns false for an index out of range.
    bool remove(int k);
    void clear();

    // Restyles the segments at waypoint n after its type became type, given
    // the number of waypoints. Segments to redraw go to *dirty.
    void setSegmentType(int n, int type, int waypoints, const std::function<int(int)> &typeOf,
                        QVector<int> *dirty);

    // Which segments a removal of waypoint n (of a plan that had
    // waypointsBefore) removes, and which one then joins its neighbours
    // (-1 for none).
    struct Removal {
        int removed = -1;
        int joined = -1;
    };
    static Removal forRemovedWaypoint(int n, int waypointsBefore);

private:
    int m_count = 0;
    QVector<int> m_kinds;
    QVector<bool> m_tooFast;
    QVector<Pen> m_pens;
};

}  // namespace PathSegments
