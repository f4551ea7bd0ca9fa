// The generators of the canvas: survey grid over the matrix or polygon,
// photos along the drawn line and around a point of interest, their apply,
// and the flight-time estimate over the drawn legs.
#include <QDebug>
#include <QGraphicsScene>

#include "core/prompt/prompt.h"
#include "maps/items/coipoint.h"
#include "maps/items/matrixdirection.h"
#include "maps/items/matrixpoint.h"
#include "maps/items/previewmatrixwp.h"
#include "maps/items/wpwaypoint.h"
#include "maps/wpdata.h"
#include "planner/geometry/linegenerators.h"
#include "planner/geometry/surveygrid.h"
#include "planner/wpeditor.h"

void WPEditor::clearPreviews()
{
    for (PreviewMatrixWP *p : qAsConst(m_previews)) {
        p->setZValue(-200);
        if (p->scene())
            p->scene()->removeItem(p);
        delete p;
    }
    m_previews.clear();
}

void WPEditor::showPreviews(const QVector<Preview> &previews)
{
    for (const Preview &pv : previews) {
        auto *item = new PreviewMatrixWP(pv.pos.x(), pv.pos.y(), m_scale);
        item->setHeadingDegrees(pv.heading);
        item->setSegmentEnd(pv.segmentEnd);
        m_scene->addItem(item);
        m_previews << item;
    }
    viewport()->update();
}

void WPEditor::generateMatrix(double m_height, int m_cover_h, int m_cover_v, double hangle,
                              double vangle, bool inDir)
{
    // The second argument is the overlap along the flight lines, the third
    // the one across them, whatever the callers call them.
    const SurveyGrid::Steps s = SurveyGrid::steps(m_height, m_cover_h, m_cover_v, hangle, vangle,
                                                  m_plan->pixelsPerMeter());
    clearPreviews();
    QVector<QPointF> borders;
    if (m_state == PolygonDoneState) {
        if (m_polyPoints.size() < 3)
            return;
        borders = SurveyGrid::borders(m_polyPoints.toVector(), m_polyA, m_polyB);
    } else {
        if (visibleMatrixCorners() < 4)
            return;
        QVector<QPointF> corners;
        for (MatrixPoint *p : qAsConst(m_matrixPoints))
            corners << p->anchor();
        // A start corner of nearly 180 degrees has no edge to start from.
        const SurveyGrid::MatrixStart p = SurveyGrid::matrixStartForGrid(
            corners, SurveyGrid::MatrixStart{m_matrixStart, m_matrixEdge});
        if (p.s != m_matrixStart || p.e != m_matrixEdge) {
            m_matrixStart = p.s;
            m_matrixEdge = p.e;
            placeMatrixArrow();
        }
        borders = SurveyGrid::borders(corners, p.s, p.neighbour());
    }
    m_previewHeight = m_height;
    const int result = generateMatrixTestItAll(borders.toList(), s.x, s.y, m_cover_h, m_cover_v,
                                               inDir);
    if (result > 0) {
        clearPreviews();
        Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("Too many waypoints!"),
                        tr("The number of waypoints to create this matrix is too high! Please "
                           "define a smaller area"));
    }
}

int WPEditor::generateMatrixTestItAll(QList<QPointF> borders, double step_x, double step_y,
                                      int h_cover, int v_cover, bool inDir)
{
    clearPreviews();
    const SurveyGrid::Grid g =
        SurveyGrid::generate(borders.toVector(), step_x, step_y, h_cover, v_cover, inDir);
    if (g.status == SurveyGrid::Ok)
        showPreviews(g.previews);
    return int(g.status);
}

void WPEditor::createMatrixOnMap() { createMatrixOnMap(8.0); }

void WPEditor::createMatrixOnMap(double maxSpeed)
{
    qDebug() << "[WPEditor] createMatrixOnMap";
    if (m_previews.isEmpty())
        return;
    const double north = m_plan->northAngle();
    for (int i = 0; i < m_previews.size(); ++i) {
        const PreviewMatrixWP *p = m_previews.at(i);
        const Preview pv{p->anchor(), p->heading(), p->segmentEnd()};
        const int n = m_plan->count() + 1;
        const int formerLastType = n > 1 ? int(m_plan->record(n - 1).type) : 0;
        addGenerated(pv.pos, LineGenerators::gridWaypoint(pv, i == m_previews.size() - 1,
                                                          m_previewHeight, maxSpeed, north));
        if (n > 1)
            m_paths.appendPath(i == 0 ? formerLastType : 1);
    }
    clearPreviews();
    changeState(SelectState);
    viewport()->update();
    emit wpdataChanged();
}

void WPEditor::generateLineMatrix(double height, double h_angle, int overlap)
{
    const double step =
        LineGenerators::lineStep(height, h_angle, overlap, m_plan->pixelsPerMeter());
    clearPreviews();
    m_previewHeight = height;
    QVector<Preview> previews;
    // A step that is zero or not finite would never end a segment.
    if (!LineGenerators::lineMatrix(m_lmPoints.toVector(), step, &previews))
        return;
    showPreviews(previews);
}

void WPEditor::generateCOI(int coiDirection, int incAngle, double height, double camAngle)
{
    clearPreviews();
    qDebug() << "coidirection:" << coiDirection;
    m_coiHeight = height;
    m_coiPitch = camAngle;
    if (!m_coiPoints[0]->isVisible() || !m_coiPoints[1]->isVisible())
        return;
    QVector<Preview> previews;
    if (!LineGenerators::circle(m_coiPoints[0]->anchor(), m_coiPoints[1]->anchor(), incAngle,
                                coiDirection, &previews))
        return;
    showPreviews(previews);
}

void WPEditor::createCOIOnMap()
{
    qDebug() << "[WPEditor] createCOIOnMap";
    if (m_previews.isEmpty())
        return;
    const double north = m_plan->northAngle();
    for (const PreviewMatrixWP *p : qAsConst(m_previews)) {
        const Preview pv{p->anchor(), p->heading(), p->segmentEnd()};
        const int n = m_plan->count() + 1;
        addGenerated(pv.pos, LineGenerators::circleWaypoint(pv, m_coiPitch, m_coiHeight, north));
        if (n > 1)
            m_paths.appendPath(0);
    }
    clearPreviews();
    changeState(SelectState);
    viewport()->update();
    emit wpdataChanged();
}

// The defaults for new waypoints with what the generator gives, built once
// and handed to the plan.
void WPEditor::addGenerated(const QPointF &scenePos, const LineGenerators::Applied &a)
{
    Waypoint wp = m_plan->defaults();
    if (a.type >= 0)
        wp.type = Waypoint::Type(a.type);
    wp.setPitchDegrees(a.pitch);
    if (a.speed >= 0)
        wp.setVelocity(a.speed);
    wp.triggerCamera = a.trigger;
    wp.setPictures(a.pictures);
    wp.setYawDegrees(a.yaw);
    wp.setHeightMetres(a.height);
    const int n = m_plan->count() + 1;
    m_plan->addGenerated(new WPWaypoint(scenePos.x(), scenePos.y(), m_scale, n, wp.type), wp);
    // A grid's run follows its flight direction, all of it.
    if (a.headingFollows)
        m_plan->setHeadingInFlightDirection(n, true);
    attachWaypoint(n, -40);
}

void WPEditor::requestApproxTime(int startWP, int stopWP)
{
    qDebug() << "request approx time, start: " << startWP << " stop: " << stopWP;
    const FlightEstimate::Result r = m_paths.estimate(startWP, stopWP);
    qDebug() << "TOTAL Time approx:" << r.seconds << "path length: " << r.metres;
    // An estimate that cannot be made goes out as 0, which the page shows as "-".
    emit approxTime(r.known ? r.seconds : 0.0);
}
