#include "coipoint.h"

#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QRadialGradient>

#include "itemgeometry.h"

COIPoint::COIPoint(double x, double y, double scale, int id, QGraphicsItem *parent)
    : QGraphicsObject(parent), m_x(x), m_y(y), m_scale(scale), m_id(id)
{
    place();
}

QRectF COIPoint::boundingRect() const
{
    const double u = ItemGeometry::unit(m_scale);
    return QRectF(-u, -u, 22 * u, 22 * u);  // 20 px circle and its pen
}

void COIPoint::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const double u = ItemGeometry::unit(m_scale);
    QRadialGradient gradient(QPointF(8 * u, 8 * u), 14 * u);
    gradient.setColorAt(0, m_pressed ? QColor(255,255,0) : QColor(150,255,255));
    gradient.setColorAt(1, QColor(0,255,255));
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(Qt::black, 2 * u, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter->setBrush(gradient);
    painter->drawEllipse(QRectF(0, 0, 20 * u, 20 * u));
}

void COIPoint::setPressed(bool pressed)
{
    m_pressed = pressed;
    update();
}

void COIPoint::setPosition(double x, double y)
{
    m_x = x;
    m_y = y;
    place();
}

void COIPoint::setScale(double s)
{
    prepareGeometryChange();
    m_scale = s;
    place();
    update();
}

void COIPoint::place() { ItemGeometry::placeCentred(this, m_x, m_y, 10, m_scale); }

void COIPoint::mapMoved() { m_drag = true; }

void COIPoint::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    m_lastButton = event->button();
    if (event->button() == Qt::LeftButton)
        emit coipressed(m_id);
    m_drag = false;
    event->accept();
}

void COIPoint::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_drag && m_lastButton == Qt::LeftButton)
        emit pointMoved(m_id, event->scenePos().x(), event->scenePos().y());
}

void COIPoint::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (!m_drag && m_lastButton == Qt::RightButton)
        emit coireleased(m_id);
    m_drag = false;
}
