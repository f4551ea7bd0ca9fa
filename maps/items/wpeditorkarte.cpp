#include "maps/items/wpeditorkarte.h"

#include <QPainter>

WPEditorKarte::WPEditorKarte(const QImage &map, QGraphicsItem *parent)
    : QGraphicsObject(parent), m_map(map)
{
}

QRectF WPEditorKarte::boundingRect() const { return QRectF(QPointF(0, 0), m_map.size()); }

void WPEditorKarte::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->drawImage(QPointF(0, 0), m_map);
}

void WPEditorKarte::setMap(const QImage &map)
{
    prepareGeometryChange();
    m_map = map;
    update();
}
