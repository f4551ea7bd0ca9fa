#pragma once
// The back-and-forth photo grid over a quadrilateral or polygon, and the
// corner rules of the two area tools. Scene coordinates in map pixels.
#include <QList>
#include <QPointF>
#include <QVector>
#include <functional>

#include "planner/geometry/preview.h"

namespace SurveyGrid {

// Spacing of the grid in pixels: x along the flight lines (between the
// photos of a row), y across them (between rows).
struct Steps {
    double x = 0.0;
    double y = 0.0;
};
// alongOverlap and crossOverlap in percent, view angles in degrees.
Steps steps(double height, int alongOverlap, int crossOverlap, double hAngle, double vAngle,
            double pixelsPerMeter);

enum Status { Ok = 0, TooMany = 1, NothingKept = -1 };

struct Grid {
    Status status = NothingKept;
    QVector<Preview> previews;      // in flight order
    QVector<QVector<QPointF>> rows;  // kept points, one row per cross line, in line order
    int crossLines = 0;              // lines parallel to the start edge
    int transverseLines = 0;
    double halfAlong = 0.0;   // half footprint along the start edge, pixels
    double halfAcross = 0.0;  // half footprint across it
};

// At most this many lines of one family, and this many line pairs.
constexpr int kLineLimit = 5000;

// borders: the corners in order around the area, borders[0] -> borders[1]
// being the start edge. inDir turns every second row's heading round.
Grid generate(const QVector<QPointF> &borders, double stepX, double stepY, int alongOverlap,
              int crossOverlap, bool inDir);

// The corners beginning with the start corner and running first towards
// its chosen neighbour.
QVector<QPointF> borders(const QVector<QPointF> &corners, int start, int neighbour);

// Interior angle at corner i between the directions to its two neighbours,
// radians in 0..pi.
double cornerAngle(const QVector<QPointF> &corners, int i);

// Start pair of the quadrilateral (Part of the tool state): start corner s
// and edge e; s == e runs from corner e to the next corner, otherwise back
// along edge e from corner s.
struct MatrixStart {
    int s = 0;
    int e = 3;
    int neighbour() const { return s == e ? (s + 1) % 4 : e; }
    bool operator==(const MatrixStart &o) const { return s == o.s && e == o.e; }
};
MatrixStart matrixStartIncrease(MatrixStart p);
MatrixStart matrixStartDecrease(MatrixStart p);
// Steps the start pair on (twice per corner) while the start corner's
// interior angle exceeds 170 degrees; at most once round the quadrilateral.
MatrixStart matrixStartForGrid(const QVector<QPointF> &corners, MatrixStart p);

// Odd-even containment in the triangle or polygon.
bool insidePolygon(const QVector<QPointF> &polygon, const QPointF &p);
// p3 keeps the quadrilateral p0 p1 (p3) p2 convex: outside the triangle and,
// seen from p0, strictly between the directions to p1 and p2.
bool insideConvexQuad(const QPointF &p0, const QPointF &p1, const QPointF &p2, const QPointF &p3);

enum class FourthCorner { Placed, InsideTriangle, NotConvex };
// Tries the fourth corner n between corners 1 and 2, after corner 2, then
// between 0 and 1; *order gets the accepted corner order.
FourthCorner placeFourthCorner(const QVector<QPointF> &three, const QPointF &n,
                               QVector<QPointF> *order);

// Whether a point is kept: near the area (diagonal neighbours 10 px away)
// or its footprint rectangle crossing an area edge.
bool nearArea(const QVector<QPointF> &area, const QPointF &p);
bool segmentsCross(const QPointF &a, const QPointF &b, const QPointF &p, const QPointF &q);

// Areas in square metres. toGeo converts a scene point to (lon, lat);
// metres gives the distance between two (lon, lat) points.
using ToGeo = std::function<QPointF(const QPointF &)>;
using Metres = std::function<double(const QPointF &, const QPointF &)>;
double quadrilateralArea(const QVector<QPointF> &corners, const ToGeo &toGeo, const Metres &metres);
double polygonArea(const QVector<QPointF> &corners, const ToGeo &toGeo, const Metres &metres);

}  // namespace SurveyGrid
