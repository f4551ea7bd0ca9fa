#include "maps/acquisition/gmpoint.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QSvgRenderer>

namespace {
struct Placement {
    double dx, dy, rotation;
};

Placement placement(bool left, bool right, bool top, bool bottom)
{
    if (left && top)
        return {14, 7, 135};
    if (right && top)
        return {37, 14, -135};
    if (left && bottom)
        return {7, 30, 45};
    if (right && bottom)
        return {30, 37, -45};
    if (left)
        return {7, 17, 90};
    if (right)
        return {37, 27, -90};
    if (top)
        return {27, 7, 180};
    return {17, 38, 0};
}
}  // namespace

GMPoint::GMPoint(double x, double y, double scale, int number, QGraphicsItem *parent)
    : QGraphicsObject(parent), m_pointX(x), m_pointY(y), m_scale(scale), m_number(number)
{
    setZValue(10);
    setImagePosition(x, y);
}

QRectF GMPoint::boundingRect() const
{
    return QRectF(0, 0, 44 / m_scale, 44 / m_scale);
}

double GMPoint::bodyRotation() const
{
    return placement(m_atLeft, m_atRight, m_atTop, m_atBottom).rotation;
}

QPointF GMPoint::offset() const
{
    const Placement p = placement(m_atLeft, m_atRight, m_atTop, m_atBottom);
    return QPointF(p.dx / m_scale, p.dy / m_scale);
}

void GMPoint::setImagePosition(double x, double y)
{
    const double s = m_scale;
    x = qMax(0.0, x);
    y = qMax(0.0, y);
    bool left = false, right = false, top = false, bottom = false;
    if (scene()) {
        x = qMin(x, double(m_bounds.width()));
        y = qMin(y, double(m_bounds.height()));
        left = x < 20 / s;
        right = !left && x > m_bounds.width() - 20 / s;
        top = y < 30 / s;
        bottom = !top && y > m_bounds.height() - 30 / s;
    }
    m_pointX = x;
    m_pointY = y;
    if (left != m_atLeft || right != m_atRight || top != m_atTop || bottom != m_atBottom) {
        m_atLeft = left;
        m_atRight = right;
        m_atTop = top;
        m_atBottom = bottom;
        update();
    }
    setPos(QPointF(x, y) - offset());
}

void GMPoint::setScale(double scale)
{
    prepareGeometryChange();
    m_scale = scale;
    setImagePosition(m_pointX, m_pointY);
    update();
}

void GMPoint::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->save();
    painter->scale(1 / m_scale, 1 / m_scale);
    QRadialGradient gradient(QPointF(15, 15), 13);
    gradient.setColorAt(0, QColor(255, 255, 150));
    gradient.setColorAt(1, QColor(255, 255, 0));
    painter->setBrush(gradient);
    painter->setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter->translate(22, 22);
    painter->rotate(bodyRotation());
    painter->translate(-15, -15);
    const QPolygonF body({QPointF(0, 0), QPointF(20, 0), QPointF(20, 10), QPointF(10, 30),
                          QPointF(0, 10)});
    painter->drawPolygon(body, Qt::OddEvenFill);
    painter->setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::RoundCap));
    QSvgRenderer digit(QStringLiteral(":/%1.svg").arg(m_number));
    digit.render(painter, QRectF(6.5, 4, 8, 12));
    painter->restore();
}

void GMPoint::mapMoved()
{
    m_dragging = true;
}

void GMPoint::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    m_lastButton = int(event->button());
    if (event->button() == Qt::LeftButton) {
        emit wppressed(m_number);
        m_dragging = true;
    }
    event->accept();
}

void GMPoint::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_dragging && m_lastButton == int(Qt::LeftButton))
        setImagePosition(event->scenePos().x(), event->scenePos().y());
}

void GMPoint::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    Q_UNUSED(event)
    emit pointMoved();
    m_dragging = false;
}
