#include "maps/items/matrixdirection.h"

#include <QPainter>
#include <QPolygonF>

#include "maps/items/itemgeometry.h"

MatrixDirection::MatrixDirection(double x, double y, double scale, double angle,
                                 QGraphicsItem *parent)
    : CentredItem(x, y, scale, 50, parent), m_angle(angle)
{
}

QRectF MatrixDirection::boundingRect() const
{
    // The arrow turns about the centre; its round pen reaches 1.5 px further.
    const double u = ItemGeometry::unit(m_scale);
    return QRectF(-2 * u, -2 * u, 104 * u, 104 * u);
}

void MatrixDirection::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const double u = ItemGeometry::unit(m_scale);
    const QColor colour(40, 255, 255);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->translate(50 * u, 50 * u);
    painter->rotate(m_angle);
    painter->setPen(QPen(colour, 3 * u, Qt::SolidLine, Qt::RoundCap, Qt::BevelJoin));
    painter->setBrush(colour);
    painter->drawLine(QPointF(0, 0), QPointF(0, -50 * u));
    const QPointF head[3] = {{0, -50 * u}, {-5 * u, -40 * u}, {5 * u, -40 * u}};
    painter->drawPolygon(head, 3);
}

void MatrixDirection::setAngle(double degrees)
{
    m_angle = degrees;
    update();
}

