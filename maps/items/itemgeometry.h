#pragma once
// Constant screen size: every editor item is sized in screen pixels and
// divided by the view scale before use.
#include <QGraphicsItem>

namespace ItemGeometry {

// Screen pixel in scene units; a zero scale would make every size infinite.
inline double unit(double scale) { return scale > 0.0 ? 1.0 / scale : 1.0; }

// Places an item of half-size r (screen pixels) centred on (x, y).
inline void placeCentred(QGraphicsItem *item, double x, double y, double r, double scale)
{
    const double u = unit(scale);
    item->setPos(x - r * u, y - r * u);
}

}  // namespace ItemGeometry
