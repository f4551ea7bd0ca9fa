#include "maps/acquisition/gmkarte.h"

#include <QPainter>

GMKarte::GMKarte(const QImage &image, QGraphicsItem *parent)
    : QGraphicsObject(parent), m_image(image)
{
}

QRectF GMKarte::boundingRect() const
{
    return QRectF(0, 0, m_image.width(), m_image.height());
}

void GMKarte::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->drawImage(QPointF(0, 0), m_image);
}
