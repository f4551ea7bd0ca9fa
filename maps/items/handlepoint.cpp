#include "maps/items/handlepoint.h"

#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QRadialGradient>

#include "maps/items/itemgeometry.h"

HandlePoint::HandlePoint(double x, double y, double scale, int id, const QColor &light,
                         const QColor &full, QGraphicsItem *parent)
    : CentredItem(x, y, scale, 10, parent), m_id(id), m_light(light),
      m_full(full)
{
}

QRectF HandlePoint::boundingRect() const
{
    const double u = ItemGeometry::unit(m_scale);
    return QRectF(-u, -u, 22 * u, 22 * u);  // 20 px circle and its pen
}

void HandlePoint::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const double u = ItemGeometry::unit(m_scale);
    QRadialGradient gradient(QPointF(8 * u, 8 * u), 14 * u);
    gradient.setColorAt(0, m_pressed ? QColor(255,255,0) : m_light);
    gradient.setColorAt(1, m_full);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(Qt::black, 2 * u, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter->setBrush(gradient);
    painter->drawEllipse(QRectF(0, 0, 20 * u, 20 * u));
}

void HandlePoint::setPressed(bool pressed)
{
    m_pressed = pressed;
    update();
}

void HandlePoint::mapMoved() { m_drag = true; }

void HandlePoint::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    m_lastButton = event->button();
    if (event->button() == Qt::LeftButton)
        handlePressed(m_id);
    m_drag = false;
    event->accept();
}

void HandlePoint::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_drag && m_lastButton == Qt::LeftButton)
        emit pointMoved(m_id, event->scenePos().x(), event->scenePos().y());
}

void HandlePoint::mouseReleaseEvent(QGraphicsSceneMouseEvent *)
{
    if (!m_drag && m_lastButton == Qt::RightButton)
        handleReleased(m_id);
    m_drag = false;
}
