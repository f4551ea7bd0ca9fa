// The canvas's hand-over to the generators: the corner tool in use gives the
// points, the previews show what they make and apply it; and the flight-time
// estimate over the drawn legs.
#include <QDebug>
#include <QGraphicsView>

#include "core/prompt/prompt.h"
#include "maps/wpdata.h"
#include "planner/canvas/canvaspreviews.h"
#include "planner/canvas/canvaswaypoints.h"
#include "planner/canvas/circletool.h"
#include "planner/canvas/linematrixtool.h"
#include "planner/canvas/matrixtool.h"
#include "planner/canvas/polygontool.h"
#include "planner/geometry/surveygrid.h"
#include "planner/wpeditor.h"

void WPEditor::generateMatrix(double m_height, int m_cover_h, int m_cover_v, double hangle,
                              double vangle, bool inDir)
{
    // The second argument is the overlap along the flight lines, the third
    // the one across them, whatever the callers call them.
    const SurveyGrid::Steps s = SurveyGrid::steps(m_height, m_cover_h, m_cover_v, hangle, vangle,
                                                  m_plan->pixelsPerMeter());
    m_previews->clear();
    QVector<QPointF> borders;
    const bool found = m_state == PolygonDoneState ? m_polygon->gridBorders(&borders)
                                                   : m_matrix->gridBorders(&borders);
    if (!found)
        return;
    m_previews->setGridHeight(m_height);
    const int result = generateMatrixTestItAll(borders.toList(), s.x, s.y, m_cover_h, m_cover_v,
                                               inDir);
    if (result > 0) {
        m_previews->clear();
        Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("Too many waypoints!"),
                        tr("The number of waypoints to create this matrix is too high! Please "
                           "define a smaller area"));
    }
}

int WPEditor::generateMatrixTestItAll(QList<QPointF> borders, double step_x, double step_y,
                                      int h_cover, int v_cover, bool inDir)
{
    return m_previews->grid(borders.toVector(), step_x, step_y, h_cover, v_cover, inDir);
}

void WPEditor::createMatrixOnMap() { createMatrixOnMap(8.0); }

void WPEditor::createMatrixOnMap(double maxSpeed)
{
    qDebug() << "[WPEditor] createMatrixOnMap";
    if (!m_previews->applyGrid(maxSpeed))
        return;
    changeState(SelectState);
    viewport()->update();
    emit wpdataChanged();
}

void WPEditor::generateLineMatrix(double height, double h_angle, int overlap)
{
    m_previews->line(m_lineMatrix->points().toVector(), height, h_angle, overlap);
}

void WPEditor::generateCOI(int coiDirection, int incAngle, double height, double camAngle)
{
    m_previews->clear();
    qDebug() << "coidirection:" << coiDirection;
    m_previews->setCircleValues(height, camAngle);
    if (!m_circle->isComplete())
        return;
    m_previews->circle(m_circle->centre(), m_circle->radiusPoint(), incAngle, coiDirection);
}

void WPEditor::createCOIOnMap()
{
    qDebug() << "[WPEditor] createCOIOnMap";
    if (!m_previews->applyCircle())
        return;
    changeState(SelectState);
    viewport()->update();
    emit wpdataChanged();
}

void WPEditor::requestApproxTime(int startWP, int stopWP)
{
    qDebug() << "request approx time, start: " << startWP << " stop: " << stopWP;
    const FlightEstimate::Result r = m_waypoints->paths().estimate(startWP, stopWP);
    qDebug() << "TOTAL Time approx:" << r.seconds << "path length: " << r.metres;
    // An estimate that cannot be made goes out as 0, which the page shows as "-".
    emit approxTime(r.known ? r.seconds : 0.0);
}
