#include "maps/items/wpwaypoint.h"

#include <QCoreApplication>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QSvgRenderer>
#include <QVariantAnimation>

#include "maps/items/editorsettings.h"
#include "maps/items/itemgeometry.h"

namespace {

// One renderer per digit image, shared by every waypoint: a plan of many
// thousand waypoints parses each image once, not once per item.
QSvgRenderer *digitRenderer(int digit)
{
    static QSvgRenderer *renderers[10] = {};
    if (digit < 0 || digit > 9)
        return nullptr;
    if (!renderers[digit]) {
        renderers[digit] = new QSvgRenderer(QStringLiteral(":/%1.svg").arg(digit),
                                            QCoreApplication::instance());
        QObject::connect(renderers[digit], &QObject::destroyed,
                         [digit] { renderers[digit] = nullptr; });
    }
    return renderers[digit];
}

int digitsOf(int number)
{
    if (number <= 9)
        return 1;
    if (number <= 99)
        return 2;
    if (number <= 999)
        return 3;
    return 4;
}

// Place value of each digit: ones, tens, hundreds, thousands. The thousands
// place of a number above 9999 is 10 or more and has no image.
int placeDigit(int number, int place)
{
    switch (place) {
    case 0: return number % 10;
    case 1: return number % 100 / 10;
    case 2: return number % 1000 / 100;
    default: return number / 1000;
    }
}

struct DigitLayout {
    QPointF image[4];  // left to right, most significant first
    QSizeF imageSize;
    QPointF vector[4];
    double factor;
};

const DigitLayout &layoutFor(int count)
{
    static const DigitLayout layouts[4] = {
        {{{9, 7}}, {8, 12}, {{9, 7}}, 1.0},
        {{{5, 7}, {13, 7}}, {8, 12}, {{5, 7}, {13, 7}}, 0.9},
        {{{4, 8}, {10, 8}, {16, 8}}, {6, 9}, {{3, 8}, {9, 8}, {15, 8}}, 0.7},
        {{{3, 8}, {8, 8}, {13, 8}, {17, 8}}, {5, 7.5}, {{3, 9}, {8, 9}, {13, 9}, {18, 9}}, 0.6},
    };
    return layouts[qBound(1, count, 4) - 1];
}

}  // namespace

WPWaypoint::WPWaypoint(double x, double y, double scale, int number, int type,
                       QGraphicsItem *parent)
    : QGraphicsObject(parent),
      m_x(x),
      m_y(y),
      m_scale(scale),
      m_number(number),
      m_type(type),
      m_vectorDigits(!EditorSettings::highres()),
      m_fade(new QVariantAnimation(this))
{
    m_fade->setDuration(100);
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(1.0);
    connect(m_fade, &QVariantAnimation::valueChanged, this, &WPWaypoint::colorAnimation);
    place();
    setNumber(number, false);
}

WPWaypoint::~WPWaypoint() { m_fade->stop(); }

QRectF WPWaypoint::boundingRect() const
{
    // The disc is 25 screen pixels; the run-end ring and the pens reach 4.5
    // pixels beyond it, which must be inside the box or moves leave traces.
    const double u = ItemGeometry::unit(m_scale);
    return QRectF(-4.5 * u, -4.5 * u, 34 * u, 34 * u);
}

QPainterPath WPWaypoint::shape() const
{
    const double u = ItemGeometry::unit(m_scale);
    QPainterPath path;
    path.addEllipse(QRectF(0, 0, 25 * u, 25 * u));
    return path;
}

void WPWaypoint::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const double u = ItemGeometry::unit(m_scale);
    painter->setRenderHint(QPainter::Antialiasing, !m_vectorDigits);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, !m_vectorDigits);

    if (m_type == 11) {
        painter->setPen(QPen(Qt::red, 5 * u, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter->setBrush(QColor(230, 230, 230, 40));
        painter->drawEllipse(QRectF(-2 * u, -2 * u, 29 * u, 29 * u));
    }

    QRadialGradient gradient(QPointF(15 * u, 15 * u), 13 * u);
    gradient.setColorAt(0, m_centreColor);
    gradient.setColorAt(1, m_rimColor);
    painter->setPen(QPen(Qt::black, 2 * u, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter->setBrush(gradient);
    painter->drawEllipse(QRectF(0, 0, 25 * u, 25 * u));

    const int count = digitsOf(m_number);
    const DigitLayout &layout = layoutFor(count);
    painter->setPen(QPen(Qt::black, 2 * u, Qt::SolidLine, Qt::RoundCap, Qt::BevelJoin));
    painter->setBrush(Qt::NoBrush);
    for (int i = 0; i < count; ++i) {
        const int place = count - 1 - i;
        if (m_vectorDigits) {
            drawVectorDigit(painter, placeDigit(m_number, place), layout.vector[i] * u,
                            layout.factor * u);
        } else if (m_digits[place]) {
            m_digits[place]->render(painter, QRectF(layout.image[i] * u, layout.imageSize * u));
        }
    }
}

void WPWaypoint::drawVectorDigit(QPainter *p, int digit, const QPointF &o, double k) const
{
    auto pt = [&](double x, double y) { return o + QPointF(x * k, y * k); };
    auto rect = [&](double l, double t, double w, double h) {
        return QRectF(pt(l, t), QSizeF(w * k, h * k));
    };
    auto arc = [&](const QRectF &r, double start, double span) {
        p->drawArc(r, qRound(start * 16), qRound(span * 16));
    };
    switch (digit) {
    case 0: p->drawEllipse(rect(0, 0, 8, 12)); break;
    case 1:
        p->drawLine(pt(0, 6), pt(4, 0));
        p->drawLine(pt(4, 0), pt(4, 12));
        p->drawLine(pt(0, 12), pt(8, 12));
        break;
    case 2:
        arc(rect(0, 0, 8, 8), 0, 180);
        p->drawLine(pt(8, 4), pt(0, 12));
        p->drawLine(pt(0, 12), pt(8, 12));
        break;
    case 3:
        arc(rect(0, 0, 8, 6), -90, 270);
        arc(rect(0, 6, 8, 6), 90, -270);
        break;
    case 4:
        p->drawLine(pt(4, 0), pt(0, 7));
        p->drawLine(pt(0, 7), pt(8, 7));
        p->drawLine(pt(6, 2), pt(6, 12));
        break;
    case 5:
        p->drawLine(pt(0, 0), pt(8, 0));
        p->drawLine(pt(0, 0), pt(0, 6));
        arc(rect(0, 4, 8, 8), 135, -270);
        break;
    case 6:
        arc(rect(0, 0, 16, 18), 180, -80);
        arc(rect(0, 5, 8, 7), 0, 360);
        break;
    case 7:
        p->drawLine(pt(0, 0), pt(8, 0));
        p->drawLine(pt(8, 0), pt(0, 12));
        break;
    case 8:
        p->drawEllipse(rect(1, 0, 6, 6));
        p->drawEllipse(rect(1, 6, 6, 6));
        break;
    case 9:
        arc(rect(0, 0, 8, 7), 0, 360);
        arc(rect(-8, -4, 16, 16), 0, -90);
        break;
    default:
        break;  // a place value of 10 or more has no digit
    }
}

void WPWaypoint::setWaypointType(int type)
{
    if (m_type == type)
        return;
    m_type = type;
    update();
}

int WPWaypoint::digitImage(int place) const
{
    if (place < 0 || place > 3 || !m_digits[place])
        return -1;
    for (int d = 0; d < 10; ++d)
        if (digitRenderer(d) == m_digits[place])
            return d;
    return -1;
}

int WPWaypoint::digitCount() const { return digitsOf(m_number); }

void WPWaypoint::setNumber(int number, bool onlyStore)
{
    m_number = number;
    if (onlyStore)
        return;
    if (!m_vectorDigits)
        loadDigitImages();
    update();
}

void WPWaypoint::loadDigitImages()
{
    const int count = digitsOf(m_number);
    for (int place = 0; place < count; ++place)
        m_digits[place] = digitRenderer(placeDigit(m_number, place));
}

void WPWaypoint::setFlightStatus(int status)
{
    if (status == m_status)
        return;
    m_fade->stop();
    m_fade->setStartValue(0.0);
    m_fade->setEndValue(1.0);
    m_previousStatus = m_status;
    m_status = status;
    if (EditorSettings::effects()) {
        colorAnimation(0.0);  // the new fade starts from the old look
        m_fade->start();
    } else {
        colorAnimation(1.0);
    }
}

void WPWaypoint::setPosition(double x, double y)
{
    m_x = x;
    m_y = y;
    place();
}

void WPWaypoint::setScale(double s)
{
    prepareGeometryChange();
    m_scale = s;
    place();
    update();
}

void WPWaypoint::place() { ItemGeometry::placeCentred(this, m_x, m_y, 12.5, m_scale); }

QColor WPWaypoint::lookCentre(int status)
{
    switch (status) {
    case 0:
    case 2: return QColor(255, 150, 150);
    default: return QColor(255, 255, 255);
    }
}

QColor WPWaypoint::lookRim(int status)
{
    switch (status) {
    case 0: return QColor(255, 0, 0);
    case 1: return QColor(255, 255, 0);
    case 2: return QColor(0, 255, 0);
    default: return QColor(255, 255, 255);
    }
}

void WPWaypoint::colorAnimation(const QVariant &value)
{
    const double t = value.toDouble();
    auto mix = [t](const QColor &from, const QColor &to) {
        auto ch = [t](int a, int b) { return int(a + (b - a) * t); };
        return QColor(ch(from.red(), to.red()), ch(from.green(), to.green()),
                      ch(from.blue(), to.blue()));
    };
    m_centreColor = mix(lookCentre(m_previousStatus), lookCentre(m_status));
    m_rimColor = mix(lookRim(m_previousStatus), lookRim(m_status));
    update();
}

void WPWaypoint::mapMoved() { m_drag = true; }

void WPWaypoint::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    m_lastButton = event->button();
    if (event->button() == Qt::LeftButton)
        emit wppressed(m_number);
    m_drag = false;
    event->accept();
}

void WPWaypoint::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (m_drag && m_lastButton == Qt::LeftButton)
        emit pointMoved(m_number, event->scenePos().x(), event->scenePos().y());
}

void WPWaypoint::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (!m_drag) {
        if (event->button() == Qt::RightButton)
            emit wppressed(m_number);
        emit rightClicked();
    }
    m_drag = false;
}
