#include "maps/items/centreditem.h"

#include "maps/items/itemgeometry.h"

CentredItem::CentredItem(double x, double y, double scale, double halfSize,
                         QGraphicsItem *parent)
    : QGraphicsObject(parent), m_x(x), m_y(y), m_scale(scale), m_halfSize(halfSize)
{
    place();
}

void CentredItem::setPosition(double x, double y)
{
    m_x = x;
    m_y = y;
    place();
}

void CentredItem::setScale(double s)
{
    prepareGeometryChange();
    m_scale = s;
    place();
    update();
}

void CentredItem::place() { ItemGeometry::placeCentred(this, m_x, m_y, m_halfSize, m_scale); }
