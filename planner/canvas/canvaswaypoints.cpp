#include "planner/canvas/canvaswaypoints.h"

#include <QDebug>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <algorithm>

#include "maps/items/wpcameraangle.h"
#include "maps/items/wpwaypoint.h"
#include "maps/wpdata.h"
#include "planner/geometry/linegenerators.h"

CanvasWaypoints::CanvasWaypoints(QGraphicsView *view, WPData *plan, QObject *parent)
    : QObject(parent), m_view(view), m_plan(plan), m_paths(plan)
{
    m_paths.setScene(view->scene());
}

void CanvasWaypoints::setScale(double s)
{
    m_scale = s;
    for (WPCameraAngle *c : qAsConst(m_cameraItems))
        c->setScale(s);
    m_paths.setScale(s);
}

void CanvasWaypoints::attach(int n, double zFootprint)
{
    WPWaypoint *item = m_plan->waypointItem(n);
    const QPointF p = m_plan->waypointPos(n);
    auto *cam = new WPCameraAngle(p.x(), p.y(), m_scale, m_plan->yaw(n), m_plan->northAngle(),
                                  false);
    cam->updateFootprint(m_plan->camAngleNick(n), m_plan->height(n), m_plan->pixelsPerMeter());
    cam->setZValue(zFootprint);
    m_cameraItems.insert(n - 1, cam);
    if (item) {
        connect(item, &WPWaypoint::wppressed, this, &CanvasWaypoints::pressed);
        connect(this, &CanvasWaypoints::mapMoved, item, &WPWaypoint::mapMoved);
        connect(item, &WPWaypoint::rightClicked, this, &CanvasWaypoints::rightClicked);
        connect(item, &WPWaypoint::pointMoved, this, &CanvasWaypoints::dragged);
        connect(this, &CanvasWaypoints::typeChanged, item, [item](int wp, int type) {
            if (wp == item->number())
                item->setWaypointType(type);
        });
        item->setScale(m_scale);
        m_view->scene()->addItem(item);
    }
    m_view->scene()->addItem(cam);
}

// The leg into waypoint n, drawn for its stored type (asking the plan for
// the type would close a run that is still being added to). While a read
// plan is laid out, n is not the plan's last waypoint.
void CanvasWaypoints::appendSegment(int n)
{
    m_paths.insertPath(n - 1, n, int(m_plan->record(n).type));
}

void CanvasWaypoints::loadPlan()
{
    qDebug() << "[WPEditor] checkforLoading";
    const int count = m_plan->count();
    if (count == 0)
        return;
    qDebug().noquote() << QStringLiteral("[WPEditor] checkforLoading for wpdata->getWpCount()+1: %1")
                              .arg(count + 1);
    for (int n = 1; n <= count; ++n) {
        attach(n, -100);
        if (n > 1)
            appendSegment(n);
    }
    m_view->viewport()->update();
}

void CanvasWaypoints::addAt(const QPointF &p)
{
    const int n = m_plan->count() + 1;
    auto *item = new WPWaypoint(p.x(), p.y(), m_scale, n, 0);
    m_plan->addDefaultWaypoint(item);
    attach(n, -40);
    if (n > 1)
        appendSegment(n);
    m_view->viewport()->update();
}

void CanvasWaypoints::add(const Waypoint &wp)
{
    const QPointF p = m_plan->geoToPixel(wp.longitude, wp.latitude);
    const int n = m_plan->count() + 1;
    auto *item = new WPWaypoint(p.x(), p.y(), m_scale, n, wp.type);
    m_plan->addWaypoint(item, wp.withinTypedRanges());
    attach(n, -40);
    if (n > 1)
        appendSegment(n);
    m_view->viewport()->update();
}

void CanvasWaypoints::addGenerated(const QPointF &p, const Waypoint &wp, bool runFollows)
{
    const int n = m_plan->count() + 1;
    m_plan->addGenerated(new WPWaypoint(p.x(), p.y(), m_scale, n, wp.type), wp);
    if (runFollows)
        m_plan->setHeadingInFlightDirection(n, true);
    attach(n, -40);
}

void CanvasWaypoints::appendPath(int kind) { m_paths.appendPath(kind); }

void CanvasWaypoints::showSelection(const QList<int> &selection)
{
    for (int n = 1; n <= m_plan->count(); ++n) {
        WPWaypoint *item = m_plan->waypointItem(n);
        WPCameraAngle *cam = n - 1 < m_cameraItems.size() ? m_cameraItems[n - 1] : nullptr;
        if (selection.contains(n)) {
            if (item)
                item->setFlightStatus(1);
            if (cam)
                cam->setShown(true);
        } else {
            const quint32 status = m_plan->waypoint_flightstatus(n);
            if (item && (status == 0 || status == 2))
                item->setFlightStatus(int(status));
            if (cam)
                cam->setShown(m_plan->showCamera(n));
        }
    }
}

bool CanvasWaypoints::drag(int id, const QPointF &at, const QList<int> &selection)
{
    if (selection.size() <= 1) {
        qDebug() << "Waypoint moved";
        if (WPWaypoint *item = m_plan->waypointItem(id))
            item->setPosition(at.x(), at.y());
        m_plan->setWaypoint_flightstatus(id, 0, false);
        if (id - 1 < m_cameraItems.size())
            m_cameraItems[id - 1]->setPosition(at.x(), at.y());
        m_paths.updateAround(id);
        m_paths.checkLengthPath(id);
        return true;
    }
    qDebug() << "Waypoints moved";
    const QSize image = m_plan->imageSize();
    QPointF d = at - m_plan->waypointPos(id);
    // The whole group stays on the image.
    for (int n : selection) {
        const QPointF w = m_plan->waypointPos(n);
        d.setX(qBound(-w.x(), d.x(), image.width() - w.x()));
        d.setY(qBound(-w.y(), d.y(), image.height() - w.y()));
    }
    for (int n : selection) {
        const QPointF w = m_plan->waypointPos(n) + d;
        if (WPWaypoint *item = m_plan->waypointItem(n))
            item->setPosition(w.x(), w.y());
        if (n - 1 < m_cameraItems.size())
            m_cameraItems[n - 1]->setPosition(w.x(), w.y());
    }
    for (int n : selection)
        m_paths.updateAround(n);
    m_paths.checkLengthPath(selection.first());
    m_paths.checkLengthPath(selection.last());
    return false;
}

void CanvasWaypoints::remove(const QList<int> &numbers)
{
    QList<int> left = numbers;
    while (!left.isEmpty()) {
        const int k = left.first();
        m_plan->removeWaypoint(k);
        m_paths.removeWaypoint(k);
        if (k - 1 < m_cameraItems.size())
            delete m_cameraItems.takeAt(k - 1);
        for (int &n : left)
            if (n > k)
                --n;
        left.removeFirst();
    }
    m_plan->refreshWaypointNumbers();
}

void CanvasWaypoints::switchPaths(int a, int b)
{
    if (a < 1 || b < 1 || a > m_cameraItems.size() || b > m_cameraItems.size())
        return;
    m_cameraItems.swapItemsAt(a - 1, b - 1);
    m_cameraItems[a - 1]->update();
    m_cameraItems[b - 1]->update();
    m_paths.updatePair(a, b);
}

void CanvasWaypoints::switchWaypoints(int a, int b)
{
    m_plan->switchWaypoints(a, b, false);
    switchPaths(a, b);
}

void CanvasWaypoints::moveTo(int from, int to)
{
    if (from == to || from < 1 || to < 1 || from > m_plan->count() || to > m_plan->count())
        return;
    if (from > to)
        for (int i = from; i > to; --i)
            switchWaypoints(i, i - 1);
    else
        for (int i = from; i < to; ++i)
            switchWaypoints(i, i + 1);
}

void CanvasWaypoints::invert(const QList<int> &selection)
{
    const int last = selection.last();
    if (m_plan->waypointType(last) == 11) {
        m_plan->setWaypointType(last, 1);
        m_plan->setWaypointType(selection.first(), 11);
    }
    const int size = selection.size();
    for (int i = 0; i < size / 2; ++i) {
        m_plan->switchWaypoints(selection[i], selection[size - 1 - i], false);
        switchPaths(selection[i], selection[size - 1 - i]);
    }
    QList<int> runs;
    for (int n : selection) {
        const int t = m_plan->waypointType(n);
        if ((t == 1 || t == 11) && m_plan->headingInFlightDirection(n))
            runs << n;
    }
    if (!runs.isEmpty())
        m_plan->calculateMatrixHeadings(runs);
    for (int n : selection) {
        m_paths.setSegmentType(n, m_plan->waypointType(n));
        if (WPWaypoint *item = m_plan->waypointItem(n))
            item->setWaypointType(m_plan->waypointType(n));
        if (n - 1 < m_cameraItems.size())
            m_cameraItems[n - 1]->setHeading(m_plan->yaw(n));
    }
}

void CanvasWaypoints::group(const QList<int> &selection)
{
    const int f = selection.first();
    for (int i = 1; i < selection.size(); ++i)
        if (selection[i] != f + i)
            moveTo(selection[i], f + i);
}

void CanvasWaypoints::turnToward(const QList<int> &selection, const QPointF &target)
{
    for (int n : selection) {
        const QPointF w = m_plan->waypointPos(n);
        // Stored against the map's north, as the grid generators do.
        double heading = LineGenerators::headingToward(w, target) - m_plan->northAngle();
        if (heading < 0)
            heading += 360;
        m_plan->setYawSingle(n, heading);
        if (n - 1 < m_cameraItems.size())
            m_cameraItems[n - 1]->setHeading(m_plan->yaw(n));
    }
}

void CanvasWaypoints::refreshPlaced(const QList<int> &numbers)
{
    for (int n : numbers) {
        const QPointF p = m_plan->waypointPos(n);
        if (n - 1 < m_cameraItems.size()) {
            m_cameraItems[n - 1]->setPosition(p.x(), p.y());
            m_cameraItems[n - 1]->setHeading(m_plan->yaw(n));
            resizeFootprint(n);
        }
        m_paths.updateAround(n);
    }
    m_paths.checkAllSegments();
}

void CanvasWaypoints::walkRun(int wp, const std::function<void(int)> &fn)
{
    fn(wp);
    for (int n = wp - 1; n >= 1 && m_plan->waypointType(n) == 1; --n)
        fn(n);
    for (int n = wp + 1; n <= m_plan->count(); ++n) {
        const int t = m_plan->waypointType(n);
        if (t != 1 && t != 11)
            break;
        fn(n);
        if (t == 11)
            break;
    }
}

void CanvasWaypoints::resizeFootprint(int n)
{
    if (n < 1 || n > m_cameraItems.size())
        return;
    m_cameraItems[n - 1]->updateFootprint(m_plan->camAngleNick(n), m_plan->height(n),
                                          m_plan->pixelsPerMeter());
}

void CanvasWaypoints::setHeight(int wp, double metres)
{
    if (wp < 1 || wp > m_cameraItems.size())
        return;
    walkRun(wp, [this, metres](int n) {
        m_cameraItems[n - 1]->updateFootprint(m_plan->camAngleNick(n), metres,
                                              m_plan->pixelsPerMeter());
    });
}

void CanvasWaypoints::setYawAngle(int wp, double heading)
{
    if (wp < 1 || wp > m_cameraItems.size())
        return;
    m_cameraItems[wp - 1]->setHeading(heading);
    auto matrix = [this](int n) {
        const int t = m_plan->waypointType(n);
        return t == 1 || t == 11;
    };
    for (int n = wp - 1; n >= 1 && matrix(n); --n)
        m_cameraItems[n - 1]->setHeading(heading);
    for (int n = wp + 1; n <= m_plan->count() && matrix(n); ++n)
        m_cameraItems[n - 1]->setHeading(heading);
}

void CanvasWaypoints::setPitchAngle(int wp, double pitch)
{
    if (wp < 1 || wp > m_cameraItems.size())
        return;
    if (m_plan->waypointType(wp) == 3)
        pitch = -pitch;
    qDebug() << "setPitchAngle" << pitch << wp;
    walkRun(wp, [this, pitch](int n) {
        m_cameraItems[n - 1]->updateFootprint(pitch, m_plan->height(n), m_plan->pixelsPerMeter());
    });
}

void CanvasWaypoints::setType(int wp, int type)
{
    m_paths.setSegmentType(wp, type);
    emit typeChanged(wp, type);
}

void CanvasWaypoints::refresh()
{
    m_paths.checkAllSegments();
    for (int i = 0; i < m_cameraItems.size() && i < m_plan->count(); ++i)
        m_cameraItems[i]->setHeading(m_plan->yaw(i + 1));
}

void CanvasWaypoints::markFlying(int n)
{
    qDebug() << "MARK traveling" << n;
    if (n >= 1 && n <= m_plan->count())
        m_plan->setWaypoint_flightstatus(n, 1, true);
}

void CanvasWaypoints::markReached(int n)
{
    qDebug() << "MARK finished" << n;
    if (n >= 1 && n <= m_plan->count())
        m_plan->setWaypoint_flightstatus(n, 2, true);
}

void CanvasWaypoints::unmarkRange(int start, int stop)
{
    for (int n = std::max(1, start); n <= std::min(stop, m_plan->count()); ++n)
        m_plan->setWaypoint_flightstatus(n, 0, true);
}
