#include "maps/items/linealpoint.h"

#include <QPainter>
#include <QRadialGradient>

#include "maps/items/itemgeometry.h"

LinealPoint::LinealPoint(double x, double y, double scale, QGraphicsItem *parent)
    : CentredItem(x, y, scale, 6, parent)
{
}

QRectF LinealPoint::boundingRect() const
{
    const double u = ItemGeometry::unit(m_scale);
    return QRectF(-u, -u, 14 * u, 14 * u);
}

void LinealPoint::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const double u = ItemGeometry::unit(m_scale);
    QRadialGradient gradient(QPointF(8 * u, 6 * u), 4 * u);
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, QColor(180, 255, 0));
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(Qt::black, 2 * u, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter->setBrush(gradient);
    painter->drawEllipse(QRectF(0, 0, 12 * u, 12 * u));
}

