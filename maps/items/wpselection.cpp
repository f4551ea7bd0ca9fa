#include "maps/items/wpselection.h"

#include <QPainter>

#include "maps/items/itemgeometry.h"

WPSelection::WPSelection(QGraphicsItem *parent)
    : QGraphicsObject(parent), m_pen(QColor(200, 200, 200, 200), 2.0, Qt::DotLine)
{
}

QRectF WPSelection::boundingRect() const
{
    // A drag to the left or upwards has negative extents; the scene index
    // needs a normalised box, widened by the pen.
    const QPointF d = m_end - m_start;
    const double m = m_pen.widthF();
    return QRectF(0, 0, d.x(), d.y()).normalized().adjusted(-m, -m, m, m);
}

void WPSelection::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (!m_shown)
        return;
    const QPointF d = m_end - m_start;
    painter->setPen(m_pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(QRectF(0, 0, int(d.x()), int(d.y())));
}

void WPSelection::setStartPoint(const QPointF &p)
{
    prepareGeometryChange();
    m_start = p;
    m_end = p;
    setPos(p);
    m_shown = true;
    update();
}

void WPSelection::setEndPoint(const QPointF &p)
{
    prepareGeometryChange();
    m_end = p;
    update();
}

void WPSelection::setActive(bool shown)
{
    m_shown = shown;
    update();
}

void WPSelection::setScale(double s)
{
    prepareGeometryChange();
    m_scale = s;
    m_pen.setWidthF(2.0 * ItemGeometry::unit(s));
    update();
}
