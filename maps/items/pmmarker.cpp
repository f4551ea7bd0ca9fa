#include "maps/items/pmmarker.h"

#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QRadialGradient>

#include "maps/items/itemgeometry.h"

PMMarker::PMMarker(double x, double y, double scale, QStandardItem *row, QGraphicsItem *parent)
    : CentredItem(x, y, scale, 8, parent), m_row(row)
{
}

QRectF PMMarker::boundingRect() const
{
    const double u = ItemGeometry::unit(m_scale);
    return QRectF(-u, -u, 18 * u, 18 * u);
}

void PMMarker::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const double u = ItemGeometry::unit(m_scale);
    QRadialGradient gradient(QPointF(8 * u, 8 * u), 5 * u);
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, QColor(255, 200, 0));
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(Qt::black, 2 * u, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter->setBrush(gradient);
    painter->drawEllipse(QRectF(0, 0, 16 * u, 16 * u));
}

void PMMarker::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    emit pmpressed(m_row);
    event->accept();
}
