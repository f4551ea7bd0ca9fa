#include "linealpoint.h"

#include <QPainter>
#include <QRadialGradient>

#include "itemgeometry.h"

LinealPoint::LinealPoint(double x, double y, double scale, QGraphicsItem *parent)
    : QGraphicsObject(parent), m_x(x), m_y(y), m_scale(scale)
{
    ItemGeometry::placeCentred(this, m_x, m_y, 6, m_scale);
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

void LinealPoint::setPosition(double x, double y)
{
    m_x = x;
    m_y = y;
    ItemGeometry::placeCentred(this, m_x, m_y, 6, m_scale);
}

void LinealPoint::setScale(double s)
{
    prepareGeometryChange();
    m_scale = s;
    ItemGeometry::placeCentred(this, m_x, m_y, 6, m_scale);
    update();
}
