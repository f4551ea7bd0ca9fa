#include "thermal/view/thermalrectangle.h"

#include <QPainter>

#include "thermal/view/thermaldigits.h"

ThermalRectangleSelection::ThermalRectangleSelection(QGraphicsItem *parent)
    : QGraphicsObject(parent), m_pen(Qt::black, 2, Qt::DashLine)
{
}

void ThermalRectangleSelection::setStartPoint(const QPointF &p)
{
    prepareGeometryChange();
    m_start = p;
    m_end = p;
    setPos(p);
    m_shown = true;
    update();
}

void ThermalRectangleSelection::setEndPoint(const QPointF &p)
{
    prepareGeometryChange();
    m_end = p;
    update();
}

void ThermalRectangleSelection::setActive(bool shown)
{
    m_shown = shown;
    update();
}

void ThermalRectangleSelection::setScale(double s)
{
    if (s <= 0)
        return;
    m_scale = s;
    m_pen.setWidthF(2 / s);
    update();
}

QRectF ThermalRectangleSelection::boundingRect() const
{
    return QRectF(0, 0, m_end.x() - m_start.x(), m_end.y() - m_start.y());
}

QRect ThermalRectangleSelection::paintRect() const
{
    return QRect(0, 0, int(m_end.x() - m_start.x()), int(m_end.y() - m_start.y()));
}

void ThermalRectangleSelection::paint(QPainter *painter, const QStyleOptionGraphicsItem *,
                                      QWidget *)
{
    if (!m_shown)
        return;
    painter->setPen(m_pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(paintRect());
}

void ThermalCircleSelection::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (!m_shown)
        return;
    painter->setPen(m_pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawEllipse(paintRect());
}

ThermalRectangle::ThermalRectangle(int id, double viewScale, QGraphicsItem *parent)
    : ThermalRectangleSelection(parent), m_id(id)
{
    m_scale = viewScale > 0 ? viewScale : 1.0;
    m_pen = QPen(Qt::black, 1 / m_scale, Qt::SolidLine);
}

void ThermalRectangle::setEndPoint(const QPointF &p)
{
    prepareGeometryChange();
    m_end = p;
    if (m_start.x() > m_end.x()) {
        const double x = m_start.x();
        m_start.setX(m_end.x());
        m_end.setX(x);
    }
    if (m_start.y() > m_end.y()) {
        const double y = m_start.y();
        m_start.setY(m_end.y());
        m_end.setY(y);
    }
    setPos(m_start);
    update();
}

void ThermalRectangle::setScale(double s)
{
    if (s <= 0)
        return;
    m_scale = s;
    m_pen.setWidthF(1 / s);
    update();
}

void ThermalRectangle::setId(int id)
{
    m_id = id;
    update();
}

void ThermalRectangle::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (!m_shown)
        return;
    painter->setPen(m_pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(paintRect());
    ThermalDigits::paint(painter, m_id, QPointF(0, 0), m_scale);
}
