#include "maps/items/previewmatrixwp.h"

#include <QPainter>
#include <QRadialGradient>
#include <QtMath>
#include <cmath>

#include "maps/items/itemgeometry.h"

PreviewMatrixWP::PreviewMatrixWP(double x, double y, double scale, QGraphicsItem *parent)
    : CentredItem(x, y, scale, 12.5, parent)
{
    setZValue(-95);
}

QRectF PreviewMatrixWP::boundingRect() const
{
    const double u = ItemGeometry::unit(m_scale);
    return QRectF(-u, -u, 27 * u, 27 * u);
}

void PreviewMatrixWP::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const double u = ItemGeometry::unit(m_scale);
    QRadialGradient gradient(QPointF(15 * u, 15 * u), 13 * u);
    gradient.setColorAt(0, QColor(255, 150, 150, 120));
    gradient.setColorAt(1, QColor(255, 0, 0, 120));
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(Qt::black, 2 * u, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter->setBrush(gradient);
    painter->drawEllipse(QRectF(0, 0, 25 * u, 25 * u));
}

void PreviewMatrixWP::setHeadingRadians(double radians)
{
    double degrees = qRadiansToDegrees(radians);
    if (degrees < 0)
        degrees += 360.0;
    m_heading = degrees;
}

void PreviewMatrixWP::setHeadingDegrees(double degrees)
{
    // fmod instead of repeated steps: same result, and a huge or non-finite
    // input cannot loop for ever.
    if (!std::isfinite(degrees)) {
        m_heading = 0.0;
        return;
    }
    degrees = std::fmod(degrees, 360.0);
    if (degrees < 0)
        degrees += 360.0;
    m_heading = degrees;
}
