#pragma once
// Small pieces the parts of the map canvas share: distances and areas on the
// plan's map, and pens that keep their screen width at any view scale.
#include <QPen>
#include <QPointF>
#include <QPolygonF>

class WPData;

namespace CanvasCommon {

// Metres between two (lon, lat) points.
double distanceMetres(const QPointF &a, const QPointF &b);
// Area in square metres of a polygon of scene pixels on the plan's map.
double areaSquareMetres(const WPData *plan, const QPolygonF &scenePolygon);

// The item's pen (a line or a shape), width pixels wide on the screen at
// view scale s.
template <typename Item> void setPenWidth(Item *item, double width, double s)
{
    QPen pen = item->pen();
    pen.setWidthF(width / s);
    item->setPen(pen);
}

}  // namespace CanvasCommon
