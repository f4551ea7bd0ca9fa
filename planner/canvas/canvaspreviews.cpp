#include "planner/canvas/canvaspreviews.h"

#include <QDebug>
#include <QGraphicsScene>
#include <QGraphicsView>

#include "maps/items/previewmatrixwp.h"
#include "maps/wpdata.h"
#include "planner/canvas/canvaswaypoints.h"
#include "planner/geometry/linegenerators.h"
#include "planner/geometry/surveygrid.h"

namespace {

// The defaults for new waypoints with what the generator gives.
Waypoint generated(Waypoint wp, const LineGenerators::Applied &a)
{
    if (a.type >= 0)
        wp.type = Waypoint::Type(a.type);
    wp.setPitchDegrees(a.pitch);
    if (a.speed >= 0)
        wp.setVelocity(a.speed);
    wp.triggerCamera = a.trigger;
    wp.setPictures(a.pictures);
    wp.setYawDegrees(a.yaw);
    wp.setHeightMetres(a.height);
    return wp;
}

}  // namespace

CanvasPreviews::CanvasPreviews(QGraphicsView *view, WPData *plan, CanvasWaypoints *waypoints,
                               QObject *parent)
    : QObject(parent), m_view(view), m_plan(plan), m_waypoints(waypoints)
{
}

void CanvasPreviews::setScale(double s)
{
    m_scale = s;
    for (PreviewMatrixWP *p : qAsConst(m_items))
        p->setScale(s);
}

void CanvasPreviews::clear()
{
    for (PreviewMatrixWP *p : qAsConst(m_items)) {
        p->setZValue(-200);
        if (p->scene())
            p->scene()->removeItem(p);
        delete p;
    }
    m_items.clear();
}

void CanvasPreviews::show(const QVector<Preview> &previews)
{
    for (const Preview &pv : previews) {
        auto *item = new PreviewMatrixWP(pv.pos.x(), pv.pos.y(), m_scale);
        item->setHeadingDegrees(pv.heading);
        item->setSegmentEnd(pv.segmentEnd);
        m_view->scene()->addItem(item);
        m_items << item;
    }
    m_view->viewport()->update();
}

int CanvasPreviews::grid(const QVector<QPointF> &borders, double stepX, double stepY, int hCover,
                         int vCover, bool inDir)
{
    clear();
    const SurveyGrid::Grid g = SurveyGrid::generate(borders, stepX, stepY, hCover, vCover, inDir);
    if (g.status == SurveyGrid::Ok)
        show(g.previews);
    return int(g.status);
}

void CanvasPreviews::line(const QVector<QPointF> &points, double height, double hAngle,
                          int overlap)
{
    const double step = LineGenerators::lineStep(height, hAngle, overlap, m_plan->pixelsPerMeter());
    clear();
    m_height = height;
    QVector<Preview> previews;
    // A step that is zero or not finite would never end a segment.
    if (!LineGenerators::lineMatrix(points, step, &previews))
        return;
    show(previews);
}

void CanvasPreviews::setCircleValues(double height, double pitch)
{
    m_circleHeight = height;
    m_circlePitch = pitch;
}

void CanvasPreviews::circle(const QPointF &centre, const QPointF &radiusPoint, int increment,
                            int direction)
{
    QVector<Preview> previews;
    if (!LineGenerators::circle(centre, radiusPoint, increment, direction, &previews))
        return;
    show(previews);
}

bool CanvasPreviews::applyGrid(double maxSpeed)
{
    if (m_items.isEmpty())
        return false;
    const double north = m_plan->northAngle();
    for (int i = 0; i < m_items.size(); ++i) {
        const PreviewMatrixWP *p = m_items.at(i);
        const Preview pv{p->anchor(), p->heading(), p->segmentEnd()};
        const int n = m_plan->count() + 1;
        const int formerLastType = n > 1 ? int(m_plan->record(n - 1).type) : 0;
        const LineGenerators::Applied a = LineGenerators::gridWaypoint(
            pv, i == m_items.size() - 1, m_height, maxSpeed, north);
        m_waypoints->addGenerated(pv.pos, generated(m_plan->defaults(), a), a.headingFollows);
        if (n > 1)
            m_waypoints->appendPath(i == 0 ? formerLastType : 1);
    }
    clear();
    return true;
}

bool CanvasPreviews::applyCircle()
{
    if (m_items.isEmpty())
        return false;
    const double north = m_plan->northAngle();
    for (const PreviewMatrixWP *p : qAsConst(m_items)) {
        const Preview pv{p->anchor(), p->heading(), p->segmentEnd()};
        const int n = m_plan->count() + 1;
        const LineGenerators::Applied a =
            LineGenerators::circleWaypoint(pv, m_circlePitch, m_circleHeight, north);
        m_waypoints->addGenerated(pv.pos, generated(m_plan->defaults(), a), a.headingFollows);
        if (n > 1)
            m_waypoints->appendPath(0);
    }
    clear();
    return true;
}
