#include "planner/wpeditorpaths.h"

#include <QDebug>
#include <QGraphicsPathItem>
#include <QGraphicsScene>
#include <QPen>
#include <cmath>

#include "core/data.h"
#include "maps/wpdata.h"

using PathSegments::Pen;

WPEditorPaths::WPEditorPaths(WPData *plan, QObject *parent) : QObject(parent), m_plan(plan)
{
    m_blink.setDuration(2000);
    m_blink.setStartValue(-1.0);
    m_blink.setEndValue(1.0);
    m_blink.setLoopCount(-1);
    connect(m_plan, &WPData::v3SpeedChanged, this, [this](int n, double) { checkLengthPath(n); });
    connect(&m_blink, &QVariantAnimation::valueChanged, this, &WPEditorPaths::animatePath);
    if (Data::instance()->flightplanEffects() != 0)
        m_blink.start();
}

WPEditorPaths::~WPEditorPaths()
{
    m_blink.stop();
    qDeleteAll(m_items);
}

void WPEditorPaths::setScene(QGraphicsScene *scene)
{
    if (m_scene)
        disconnect(m_scene, nullptr, this, nullptr);
    m_scene = scene;
    if (!scene)
        return;
    for (QGraphicsPathItem *item : qAsConst(m_items))
        if (item->scene() != scene)
            scene->addItem(item);
    connect(scene, &QObject::destroyed, this, [this] {
        // The scene deleted the items with it.
        m_items.clear();
        m_book.clear();
        m_scene = nullptr;
    });
}

PathSegments::Point WPEditorPaths::point(int n) const
{
    const QPointF p = m_plan->waypointPos(n);
    return PathSegments::Point(float(p.x()), float(p.y()), float(m_plan->height(n)));
}

QGraphicsPathItem *WPEditorPaths::appendPath(int kind)
{
    const int n = m_plan->count();
    return insertPath(n - 1, n, kind);
}

QGraphicsPathItem *WPEditorPaths::insertPath(int from, int to, int kind)
{
    const int k = m_book.insert(kind);
    QGraphicsPathItem *item;
    if (k < m_items.size()) {
        item = m_items[k];
        item->show();
    } else {
        item = new QGraphicsPathItem;
        item->setZValue(-80);
        m_items << item;
        if (m_scene)
            m_scene->addItem(item);
    }
    applyPen(k);
    QPainterPath path;
    path.moveTo(m_plan->waypointPos(from));
    path.lineTo(m_plan->waypointPos(to));
    item->setPath(path);
    item->setOpacity(1.0);
    setSegmentType(to, kind);
    checkSegment(k);
    return item;
}

void WPEditorPaths::removePath(int k)
{
    if (k < 0 || k >= count())
        return;
    QGraphicsPathItem *item = m_items.takeAt(k);
    item->hide();
    m_items << item;
    m_book.remove(k);
    updatePath(k);
}

// Kinds and flags move with their segments here too, so the flags of the
// segments after the first stay with them.
void WPEditorPaths::removeFirstPath() { removePath(0); }

void WPEditorPaths::removeLastPath() { removePath(count() - 1); }

void WPEditorPaths::removeWaypoint(int n)
{
    const auto r = PathSegments::Bookkeeping::forRemovedWaypoint(n, m_plan->count() + 1);
    if (r.removed < 0)
        return;
    removePath(r.removed);
    if (r.joined < 0) {
        // The first waypoint gone: the new first one has no incoming leg.
        if (n == 1 && count() > 0)
            redraw({0, 1});
        return;
    }
    // The joined segment ends at the waypoint that followed the removed
    // one; it takes that waypoint's look, and the curves after it depend on
    // its shape.
    setSegmentType(n, m_plan->waypointType(n));
    redraw({r.joined, r.joined + 1, r.joined + 2});
}

void WPEditorPaths::clear()
{
    for (int k = 0; k < count(); ++k)
        m_items[k]->hide();
    m_book.clear();
}

void WPEditorPaths::setScale(double s)
{
    if (!(s > 0))
        return;
    m_scale = s;
    for (int k = 0; k < count(); ++k)
        applyPen(k);
}

void WPEditorPaths::redraw(const QVector<int> &segments)
{
    for (int k : segments) {
        if (k >= 0 && k < count()) {
            updatePath(k);
            checkSegment(k);
        }
    }
}

void WPEditorPaths::updateAround(int n)
{
    QVector<int> segments;
    if (n > 1)
        segments << n - 2;
    if (n < m_plan->count())
        segments << n - 1;
    redraw(segments);
}

void WPEditorPaths::updatePair(int a, int b) { redraw({a - 2, a - 1, b - 2, b - 1}); }

void WPEditorPaths::updatePath(int k)
{
    if (k < 0 || k >= count() || k + 2 > m_plan->count())
        return;
    const int kind = m_book.kind(k);
    if (kind == 11)
        qDebug() << "NUMMER CHECK 11 " << k;
    const PathSegments::Point a = point(k + 1), b = point(k + 2);
    PathSegments::Point p, pp;
    const bool hasP = kind == 1 && k >= 1 && m_book.kind(k - 1) == 1;
    const bool hasPP = hasP && k >= 2 && m_book.kind(k - 2) == 1;
    if (hasP)
        p = point(k);
    if (hasPP)
        pp = point(k - 1);
    const QPainterPath path =
        PathSegments::segmentPath(kind, a, b, hasP ? &p : nullptr, hasPP ? &pp : nullptr);
    if (!path.isEmpty())
        m_items[k]->setPath(path);
}

double WPEditorPaths::pathLength(int n) const
{
    const int k = n - 1;
    if (k < 0 || k >= count())
        return 0.0;
    return m_items[k]->path().length();
}

FlightEstimate::Result WPEditorPaths::estimate(int start, int stop) const
{
    const int n = qMin(stop, m_plan->count());
    const double ppm = m_plan->pixelsPerMeter();
    QVector<FlightEstimate::Waypoint> wps;
    wps.reserve(n);
    for (int i = 1; i <= n; ++i) {
        FlightEstimate::Waypoint w;
        w.type = m_plan->waypointType(i);
        w.speed = m_plan->v3Speed(i);
        w.acceleration = m_plan->desiredAcc(i);
        w.time = m_plan->time(i);
        w.leg = i > 1 && ppm > 0 ? pathLength(i - 1) / ppm : 0.0;
        wps << w;
    }
    return FlightEstimate::estimate(wps, start, stop);
}

void WPEditorPaths::setSegmentType(int n, int type)
{
    QVector<int> dirty;
    m_book.setSegmentType(n, type, m_plan->count(),
                          [this](int wp) { return m_plan->waypointType(wp); }, &dirty);
    for (int k : dirty) {
        applyPen(k);
        updatePath(k);
    }
}

void WPEditorPaths::checkSegment(int k)
{
    if (k < 0 || k >= count())
        return;
    bool fast = false;
    if (m_book.kind(k) == 1 && k + 2 <= m_plan->count()) {
        fast = PathSegments::tooFast(m_items[k]->path().length(), m_plan->pixelsPerMeter(),
                                     m_plan->v3Speed(k + 2),
                                     Data::instance()->currentCamera().processTime);
    }
    m_book.applyCheck(k, fast);
    if (!m_book.tooFast(k))
        m_items[k]->setOpacity(1.0);
    applyPen(k);
}

void WPEditorPaths::checkAllSegments()
{
    for (int k = 0; k < count(); ++k)
        checkSegment(k);
}

void WPEditorPaths::checkLengthPath(int n) { checkSegment(n - 1); }

void WPEditorPaths::animatePath(const QVariant &value)
{
    const double opacity = std::fabs(value.toDouble());
    for (int k = 0; k < count(); ++k)
        if (m_book.tooFast(k))
            m_items[k]->setOpacity(opacity);
}

void WPEditorPaths::applyPen(int k)
{
    QColor colour;
    switch (m_book.pen(k)) {
    case Pen::New:
        colour = QColor(255, 255, 255, 180);
        break;
    case Pen::Grid:
        colour = QColor(255, 255, 100, 180);
        break;
    case Pen::Other:
        colour = QColor(100, 255, 255, 180);
        break;
    case Pen::TooFast:
        colour = QColor(255, 0, 0, 255);
        break;
    }
    QPen pen(colour, 4 / m_scale);
    pen.setStyle(Qt::DotLine);
    m_items[k]->setPen(pen);
}
