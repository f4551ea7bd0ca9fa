#include "maps/items/wpcameraangle.h"

#include <QPainter>
#include <QPropertyAnimation>
#include <QRadialGradient>
#include <QtMath>
#include <cmath>

#include "core/data.h"
#include "maps/items/editorsettings.h"
#include "maps/items/itemgeometry.h"

WPCameraAngle::WPCameraAngle(double x, double y, double scale, double heading,
                             double northAngle, bool footprint, QGraphicsItem *parent)
    : QGraphicsObject(parent),
      m_x(x),
      m_y(y),
      m_scale(scale),
      m_heading(heading),
      m_northAngle(northAngle),
      m_footprint(footprint),
      m_fade(new QPropertyAnimation(this, "opacity", this))
{
    m_fade->setDuration(100);
    setOpacity(0.0);
    place();
    connect(EditorSettings::cameraNotifier(), &Data::currentCameraChanged, this,
            &WPCameraAngle::updateCameraAngle);
}

QRectF WPCameraAngle::boundingRect() const
{
    const double u = ItemGeometry::unit(m_scale);
    if (!m_footprint)
        return QRectF(-u, -u, 162 * u, 162 * u);
    // The footprint turns about (w, h); its corners can reach beyond the
    // 2w x 2h box when the frame is much wider than high.
    const double r = std::hypot(m_width, m_height) / 2 + u;
    const QRectF turned(m_width - r, m_height - r, 2 * r, 2 * r);
    return turned.united(QRectF(0, 0, 2 * m_width, 2 * m_height));
}

void WPCameraAngle::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const double u = ItemGeometry::unit(m_scale);
    painter->setRenderHint(QPainter::Antialiasing);
    if (m_footprint) {
        painter->translate(m_width, m_height);
        painter->rotate(m_heading + m_northAngle);
        painter->setPen(QPen(Qt::white, 2 * u, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter->setBrush(QColor(255, 255, 255, 60));
        painter->drawRect(QRectF(-m_width / 2, -m_height / 2, m_width, m_height));
        return;
    }
    painter->translate(80 * u, 80 * u);
    painter->rotate(m_heading + m_northAngle);
    QRadialGradient gradient(QPointF(0, 0), 80 * u);
    gradient.setColorAt(0, QColor(255, 255, 255, 255));
    gradient.setColorAt(1, QColor(255, 255, 255, 0));
    painter->setPen(Qt::NoPen);
    painter->setBrush(gradient);
    painter->drawPie(QRectF(-80 * u, -80 * u, 160 * u, 160 * u), 54 * 16, 72 * 16);
    painter->setPen(QPen(Qt::black, 2 * u, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter->drawLine(QPointF(0, 0), QPointF(0, -40 * u));
}

void WPCameraAngle::setHeading(double degrees)
{
    m_heading = degrees;
    update();
}

void WPCameraAngle::setPosition(double x, double y)
{
    m_x = x;
    m_y = y;
    place();
}

void WPCameraAngle::setScale(double s)
{
    prepareGeometryChange();
    m_scale = s;
    place();
    update();
}

void WPCameraAngle::place()
{
    if (m_footprint)
        setPos(m_x - m_width, m_y - m_height);
    else
        ItemGeometry::placeCentred(this, m_x, m_y, 80, m_scale);
}

void WPCameraAngle::applyFieldOfView(const QPointF &fov)
{
    prepareGeometryChange();
    m_width = std::tan(qDegreesToRadians(fov.x()) / 2) * 2 * m_altitude * m_pixelsPerMetre;
    m_height = std::tan(qDegreesToRadians(fov.y()) / 2) * 2 * m_altitude * m_pixelsPerMetre;
    m_footprint = true;
    place();
    update();
}

void WPCameraAngle::updateFootprint(double pitch, double height, double pixelsPerMetre)
{
    m_pitch = pitch;
    m_altitude = height;
    m_pixelsPerMetre = pixelsPerMetre;
    if (pitch < -89.0) {
        applyFieldOfView(EditorSettings::currentFieldOfView());
        return;
    }
    prepareGeometryChange();
    m_width = m_height = 160.0;
    m_footprint = false;
    place();
    update();
}

void WPCameraAngle::updateCameraAngle(QString name)
{
    if (!m_footprint)
        return;
    QPointF fov;
    if (EditorSettings::fieldOfView(name, &fov))
        applyFieldOfView(fov);
}

void WPCameraAngle::setShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    const double end = shown ? 1.0 : 0.0;
    m_fade->stop();
    if (EditorSettings::effects()) {
        m_fade->setStartValue(1.0 - end);
        m_fade->setEndValue(end);
        m_fade->start();
    } else {
        setOpacity(end);
    }
}
