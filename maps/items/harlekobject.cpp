#include "maps/items/harlekobject.h"

#include <QPainter>
#include <QRadialGradient>
#include <cmath>

#include "maps/items/itemgeometry.h"

HarlekObject::HarlekObject(double x, double y, double scale, QGraphicsItem *parent)
    : CentredItem(x, y, scale, 25 * kSizeFactor, parent)
{
    setZValue(50);
}

QRectF HarlekObject::boundingRect() const
{
    // The symbol square (side d) turns about its centre, so the box is the
    // square of side d * sqrt(2) around that centre.
    const double d = 50 * kSizeFactor * ItemGeometry::unit(m_scale);
    const double side = d * std::sqrt(2.0);
    return QRectF(d / 2 - side / 2, d / 2 - side / 2, side, side);
}

void HarlekObject::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (!m_shown)
        return;
    const double k = kSizeFactor * ItemGeometry::unit(m_scale);
    const double d = 50 * k;
    painter->setRenderHint(QPainter::Antialiasing);
    painter->translate(d / 2, d / 2);
    painter->rotate(m_angle);
    painter->translate(-d / 2, -d / 2);

    QRadialGradient glow(QPointF(d / 2, d / 2), d / 2);
    glow.setColorAt(0, Qt::darkBlue);
    glow.setColorAt(1, Qt::transparent);
    painter->fillRect(QRectF(0, 0, d, d), glow);

    const QLineF arms[4] = {{7 * k, 7 * k, 18 * k, 43 * k},
                            {43 * k, 7 * k, 32 * k, 43 * k},
                            {40.2 * k, 13 * k, 16 * k, 37 * k},
                            {9.8 * k, 13 * k, 34 * k, 37 * k}};
    const QPointF rotors[8] = {{2, 2},     {5.7, 14}, {9.4, 26}, {13, 38},
                               {38, 2},    {34.3, 14}, {30.6, 26}, {27, 38}};
    auto drawFrame = [&](const QPen &pen) {
        painter->setPen(pen);
        painter->setBrush(Qt::NoBrush);
        painter->drawLines(arms, 4);
        for (const QPointF &r : rotors)
            painter->drawEllipse(QRectF(r * k, QSizeF(10 * k, 10 * k)));
    };
    const QPen yellow(Qt::yellow, k, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    drawFrame(QPen(Qt::darkYellow, 2 * k, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    drawFrame(yellow);
    painter->setPen(yellow);
    painter->setBrush(Qt::darkYellow);
    painter->drawRect(QRectF(21 * k, 24.5 * k, 8 * k, 8 * k));
}

void HarlekObject::setAngle(double degrees)
{
    m_angle = degrees;
    update();
}

void HarlekObject::setShown(bool shown)
{
    m_shown = shown;
    update();
}

