#include "thermal/view/thermalpoint.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QRadialGradient>

#include "core/data.h"
#include "thermal/view/thermaldigits.h"

namespace {
const QPointF kHeadOffsets[8] = {{17, 38}, {7, 30}, {7, 17}, {14, 7},
                                 {27, 7},  {37, 14}, {37, 27}, {30, 37}};
const QPointF kDigitOrigins[8] = {{9, 11},  {14, 9},  {19, 10.5}, {21, 16},
                                  {19, 20}, {14, 23}, {9, 20.5},  {7, 16}};
}  // namespace

ThermalPoint::ThermalPoint(double x, double y, double viewScale, int id, int imageWidth,
                           int imageHeight, QGraphicsItem *parent)
    : QGraphicsObject(parent), m_x(x), m_y(y), m_scale(viewScale), m_id(id),
      m_imageWidth(imageWidth), m_imageHeight(imageHeight)
{
    Data *data = Data::instance();
    m_borderIndex = data->thermalBorderColor();
    setPinColor(data->thermalPinColor());
    connect(data, &Data::thermalBorderChanged, this, &ThermalPoint::setBorderColor);
    connect(data, &Data::thermalPinChanged, this, &ThermalPoint::setPinColor);
}

QRectF ThermalPoint::boundingRect() const
{
    return QRectF(0, 0, 40 / m_scale, 40 / m_scale);
}

void ThermalPoint::setPinColor(int index)
{
    m_highlightColor = QColor(255, 255, 0);
    switch (index) {
    case 1: m_pinColor = QColor(100, 255, 100); break;
    case 2: m_pinColor = QColor(255, 150, 255); break;
    case 3:
        m_pinColor = QColor(255, 255, 100);
        m_highlightColor = QColor(255, 0, 0);
        break;
    case 4: m_pinColor = QColor(0, 240, 255); break;
    default: m_pinColor = QColor(255, 255, 255); break;
    }
    update();
}

void ThermalPoint::setBorderColor(int index)
{
    m_borderIndex = index;
    update();
}

QColor ThermalPoint::borderColor() const
{
    switch (m_borderIndex) {
    case 1: return Qt::white;
    case 2: return Qt::red;
    case 3: return Qt::yellow;
    case 4: return Qt::green;
    case 5: return Qt::blue;
    default: return Qt::black;
    }
}

QPointF ThermalPoint::headOffset(int orientation)
{
    return orientation >= 0 && orientation < 8 ? kHeadOffsets[orientation] : QPointF();
}

QPointF ThermalPoint::digitOrigin(int orientation)
{
    return orientation >= 0 && orientation < 8 ? kDigitOrigins[orientation] : QPointF();
}

int ThermalPoint::effectiveOrientation() const
{
    if (m_left && m_top)
        return 3;
    if (m_right && m_top)
        return 5;
    if (m_left && m_bottom)
        return 1;
    if (m_right && m_bottom)
        return 7;
    if (m_left)
        return 2;
    if (m_right)
        return 6;
    if (m_top)
        return 4;
    if (m_bottom)
        return 0;
    return m_orientation;
}

void ThermalPoint::setPointPosition(double x, double y)
{
    x = qMax(x, 0.0);
    y = qMax(y, 0.0);
    bool changed = false;
    if (scene()) {
        x = qMin(x, double(m_imageWidth));
        y = qMin(y, double(m_imageHeight));
        const bool left = x < 20 / m_scale;
        const bool right = !left && x > m_imageWidth - 20 / m_scale;
        const bool top = y < 30 / m_scale;
        const bool bottom = !top && y > m_imageHeight - 30 / m_scale;
        changed = left != m_left || right != m_right || top != m_top || bottom != m_bottom;
        m_left = left;
        m_right = right;
        m_top = top;
        m_bottom = bottom;
    }
    m_x = x;
    m_y = y;
    if (changed)
        update();
    const int o = effectiveOrientation();
    if (o < 0 || o > 7)
        return;
    const QPointF d = kHeadOffsets[o];
    setPos(x - d.x() / m_scale, y - d.y() / m_scale);
}

void ThermalPoint::setOrientation(int orientation)
{
    m_orientation = orientation;
    setPointPosition(m_x, m_y);
    update();
}

void ThermalPoint::setScale(double s)
{
    if (s <= 0)
        return;
    prepareGeometryChange();
    m_scale = s;
    setPointPosition(m_x, m_y);
    update();
}

void ThermalPoint::setId(int id)
{
    m_id = id;
    update();
}

void ThermalPoint::setSelected(int selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

void ThermalPoint::setMode(int mode)
{
    m_mode = mode;
}

void ThermalPoint::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const double s = m_scale;
    const QColor c = m_selected ? m_highlightColor : m_pinColor;
    QRadialGradient gradient(QPointF(15 / s, 15 / s), 13 / s);
    gradient.setColorAt(0, c.darker(180));
    gradient.setColorAt(1, c);
    const QPen outline(borderColor(), 2 / s, Qt::SolidLine);

    const int o = effectiveOrientation();
    const double angle = o >= 5 && o <= 7 ? 45.0 * (o - 8) : 45.0 * o;
    painter->save();
    painter->setPen(outline);
    painter->setBrush(gradient);
    painter->translate(22 / s, 22 / s);
    painter->rotate(angle);
    painter->translate(-15 / s, -15 / s);
    const QPolygonF tail({QPointF(5 / s, 10 / s), QPointF(15 / s, 10 / s), QPointF(15 / s, 20 / s),
                          QPointF(10 / s, 30 / s), QPointF(5 / s, 20 / s)});
    painter->drawPolygon(tail);
    painter->drawPie(QRectF(0, 0, 20 / s, 20 / s), 303 * 16, 294 * 16);
    painter->setPen(Qt::NoPen);
    painter->drawEllipse(QRectF(1 / s, 1 / s, 18 / s, 18 / s));
    painter->restore();

    painter->setPen(outline);
    ThermalDigits::paint(painter, m_id, digitOrigin(o), s);
}

void ThermalPoint::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    m_lastButton = int(event->button());
    if (m_mode != 0 && m_mode != 1) {
        event->ignore();
        return;
    }
    if (event->button() == Qt::LeftButton)
        emit pointpressed(m_id);
}

void ThermalPoint::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if ((m_mode == 0 || m_mode == 1) && m_lastButton == Qt::LeftButton)
        emit pointMoved(m_id, event->scenePos().x(), event->scenePos().y());
}

void ThermalPoint::mouseReleaseEvent(QGraphicsSceneMouseEvent *)
{
}
