#include "phototagger/window/ptmap.h"

#include <QDebug>
#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>
#include <QResizeEvent>
#include <QSvgRenderer>
#include <cmath>

#include "phototagger/ptdata.h"

namespace {

constexpr double DiscSize = 25.0;
constexpr double Half = 12.5;
// A frame edge never closes on a zero span (tags on one meridian, one
// parallel or one point): such a span is widened to this many degrees.
constexpr double MinSpan = 0.001;

// Each digit is rendered once per size and reused by every disc.
QPixmap digitPixmap(int digit, const QSize &size, qreal dpr)
{
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1/%2x%3@%4").arg(digit).arg(size.width()).arg(size.height()).arg(dpr);
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QSvgRenderer renderer(QStringLiteral(":/%1.svg").arg(digit));
    QPainter p(&pm);
    renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    p.end();
    cache.insert(key, pm);
    return pm;
}

}  // namespace

PTMapPhoto::PTMapPhoto(double x, double y, int number) : m_x(x), m_y(y), m_number(number)
{
    // The disc looks the same wherever it goes; moves and repaints of the
    // map reuse the cached picture until the state changes.
    setCacheMode(QGraphicsItem::DeviceCoordinateCache);
    setPos(x - Half, y - Half);
}

QRectF PTMapPhoto::boundingRect() const { return QRectF(0, 0, DiscSize, DiscSize); }

void PTMapPhoto::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    static const QColor colours[4][2] = {
        {QColor(255, 150, 150), QColor(255, 0, 0)},
        {QColor(255, 255, 255), QColor(255, 255, 0)},
        {QColor(150, 255, 150), QColor(0, 255, 0)},
        {QColor(150, 150, 150), QColor(200, 200, 200)},
    };
    const int s = (m_state >= 0 && m_state < 4) ? m_state : 0;
    QRadialGradient gradient(15, 15, 13);
    gradient.setColorAt(0, colours[s][0]);
    gradient.setColorAt(1, colours[s][1]);
    painter->setBrush(gradient);
    painter->setPen(QPen(Qt::black, 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter->drawEllipse(QRectF(0, 0, DiscSize, DiscSize));
    drawNumber(painter);
}

QList<QRectF> PTMapPhoto::digitRects(int number)
{
    if (number <= 9)
        return {QRectF(9, 7, 8, 12)};
    if (number <= 99)
        return {QRectF(5, 7, 8, 12), QRectF(13, 7, 8, 12)};
    if (number <= 999)
        return {QRectF(4, 8, 6, 9), QRectF(10, 8, 6, 9), QRectF(16, 8, 6, 9)};
    // Four digits: narrower still, centred in the disc.
    return {QRectF(3, 9, 5, 7), QRectF(8, 9, 5, 7), QRectF(13, 9, 5, 7), QRectF(18, 9, 5, 7)};
}

void PTMapPhoto::drawNumber(QPainter *painter)
{
    painter->save();
    painter->setPen(QPen(Qt::black, 2.0, Qt::SolidLine, Qt::RoundCap));
    const QString digits = QString::number(m_number);
    const QList<QRectF> rects = digitRects(m_number);
    // Numbers beyond four digits keep their last four.
    const QString shown = digits.right(rects.size());
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const qreal scale = painter->worldTransform().m11();
    for (int k = 0; k < rects.size() && k < shown.size(); ++k) {
        const QRectF r = rects.at(k);
        const QSize px(qMax(1, qRound(r.width() * scale)), qMax(1, qRound(r.height() * scale)));
        painter->drawPixmap(r, digitPixmap(shown.at(k).digitValue(), px, dpr),
                            QRectF(QPointF(0, 0), QSizeF(px * dpr)));
    }
    painter->restore();
}

void PTMapPhoto::mousePressEvent(QGraphicsSceneMouseEvent *) { emit clicked(m_number); }

void PTMapPhoto::setState(int state)
{
    // A selection touches every disc; only those that change repaint.
    if (m_state == state)
        return;
    m_state = state;
    update();
}

void PTMapPhoto::setPosition(double x, double y)
{
    m_x = x;
    m_y = y;
    setPos(x - Half, y - Half);
}

PTMap::PTMap(PTData *project, QWidget *parent)
    : QGraphicsView(parent), m_project(project), m_scene(new QGraphicsScene(this))
{
    qDebug() << "[PTMap] Constructor";
    setMinimumSize(360, 360);
    setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    setFocusPolicy(Qt::NoFocus);
    setScene(m_scene);
    setContentsMargins(0, 0, 0, 0);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Only discs change state; repainting their bounding rects is enough.
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    m_scene->setItemIndexMethod(QGraphicsScene::NoIndex);

    calcMapReference();
    const int n = m_project->getCount();
    const double w = width(), h = height();
    QPen linePen(QColor(40, 40, 255), 4.0, Qt::DashLine);
    for (int i = 0; i < n; ++i) {
        const double x = (m_project->getLongitude(i) - m_frame.west) / (m_frame.east - m_frame.west) * (w - 70) + 20;
        const double y = (m_project->getLatitude(i) - m_frame.top) / (m_frame.bottom - m_frame.top) * (h - 70) + 20;
        auto *disc = new PTMapPhoto(x, y, i + 1);
        disc->setState(m_project->getImageName(i).isEmpty() ? PTMapPhoto::NoImage : PTMapPhoto::HasImage);
        m_scene->addItem(disc);
        connect(disc, &PTMapPhoto::clicked, this, &PTMap::mapItemselected);
        if (i > 0) {
            QGraphicsLineItem *line = m_scene->addLine(QLineF(m_discs.last()->centre(), disc->centre()), linePen);
            line->setZValue(-10);
            m_lines.append(line);
        }
        m_discs.append(disc);
    }
}

void PTMap::calcMapReference()
{
    const int n = m_project->getCount();
    const int w = width();
    const int h = height();
    if (n == 0) {
        m_frame = {-MinSpan, MinSpan, MinSpan, -MinSpan};
        return;
    }
    if (n == 1) {
        const double lon = m_project->getLongitude(0), lat = m_project->getLatitude(0);
        m_frame = {lon - MinSpan, lon + MinSpan, lat - MinSpan, lat + MinSpan};
        return;
    }
    double minLat = 999, maxLat = -999, minLon = 999, maxLon = -999;
    for (int i = 0; i < n; ++i) {
        minLat = qMin(minLat, m_project->getLatitude(i));
        maxLat = qMax(maxLat, m_project->getLatitude(i));
        minLon = qMin(minLon, m_project->getLongitude(i));
        maxLon = qMax(maxLon, m_project->getLongitude(i));
    }
    if (maxLon - minLon <= 0) {
        minLon -= MinSpan;
        maxLon += MinSpan;
    }
    if (maxLat - minLat <= 0) {
        minLat -= MinSpan;
        maxLat += MinSpan;
    }
    const double dLon = maxLon - minLon;
    const double dLat = maxLat - minLat;
    const int half = std::abs(w - h) / 2;
    const bool portrait = double(w + 20) / double(h + 20) < 1.0;
    if (portrait) {
        const double s = dLon / (w + 20);
        m_frame = {minLon, maxLon, maxLat + half * s, minLat - half * s};
    } else {
        const double s = dLat / (h + 20);
        m_frame = {minLon - half * s, maxLon + half * s, maxLat, minLat};
    }
    qDebug() << "lonref " << double(w) / h << dLon / dLat << portrait;
}

void PTMap::placeItems()
{
    const double w = width(), h = height();
    for (int i = 0; i < m_discs.size(); ++i) {
        const double x = (m_project->getLongitude(i) - m_frame.west) / (m_frame.east - m_frame.west) * (w - 70) + 20;
        const double y = (m_project->getLatitude(i) - m_frame.top) / (m_frame.bottom - m_frame.top) * (h - 70) + 20;
        m_discs[i]->setPosition(x, y);
    }
    for (int i = 0; i < m_lines.size(); ++i)
        m_lines[i]->setLine(QLineF(m_discs[i]->centre(), m_discs[i + 1]->centre()));
}

void PTMap::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    calcMapReference();
    placeItems();
    m_scene->setSceneRect(0, 0, width(), height());
}

int PTMap::stateOf(int i) const
{
    if (!m_project->isEnabled(i))
        return PTMapPhoto::Disabled;
    return m_project->getImageName(i).isEmpty() ? PTMapPhoto::NoImage : PTMapPhoto::HasImage;
}

void PTMap::updateItems()
{
    for (int i = 0; i < m_discs.size(); ++i)
        m_discs[i]->setState(stateOf(i));
}

void PTMap::setSelectedItem(int number)
{
    for (int i = 0; i < m_discs.size(); ++i)
        m_discs[i]->setState(i + 1 == number ? int(PTMapPhoto::Selected) : stateOf(i));
}

void PTMap::mapItemselected(int number) { emit itemSelected(number); }
