#include "maps/items/homeposition.h"

#include <QPainter>
#include <QPropertyAnimation>

#include "maps/items/itemgeometry.h"

HomePosition::HomePosition(double x, double y, double scale, QGraphicsItem *parent)
    : CentredItem(x, y, scale, 15, parent),
      m_animation(new QPropertyAnimation(this))
{
    m_animation->setDuration(2000);
    setOpacity(0.0);  // hidden until the editor knows where home is
}

QRectF HomePosition::boundingRect() const
{
    const double u = ItemGeometry::unit(m_scale);
    return QRectF(-2 * u, -2 * u, 34 * u, 34 * u);
}

void HomePosition::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const double u = ItemGeometry::unit(m_scale);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(QColor(120, 255, 120), 3 * u, Qt::SolidLine, Qt::SquareCap,
                         Qt::BevelJoin));
    painter->setBrush(Qt::NoBrush);
    painter->drawEllipse(QRectF(0, 0, 30 * u, 30 * u));
    painter->drawLine(QPointF(9 * u, 9 * u), QPointF(9 * u, 21 * u));
    painter->drawLine(QPointF(21 * u, 9 * u), QPointF(21 * u, 21 * u));
    painter->drawLine(QPointF(10 * u, 15 * u), QPointF(20 * u, 15 * u));
}

