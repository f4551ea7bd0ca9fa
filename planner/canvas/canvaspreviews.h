#pragma once
// The generators' previews on the map canvas (a survey grid over the matrix
// or polygon, photos along a line, around a circle) and their apply: each
// preview becomes a waypoint of the plan, built once from the defaults and
// what the generator gives it.
#include <QList>
#include <QObject>
#include <QPointF>
#include <QVector>

#include "planner/geometry/preview.h"

class CanvasWaypoints;
class PreviewMatrixWP;
class QGraphicsView;
class WPData;

class CanvasPreviews : public QObject {
    Q_OBJECT
public:
    CanvasPreviews(QGraphicsView *view, WPData *plan, CanvasWaypoints *waypoints,
                   QObject *parent);

    // In flight order.
    QList<PreviewMatrixWP *> items() const { return m_items; }
    void setScale(double s);
    void clear();

    // A survey grid over borders at height metres; 0 when shown, else the
    // generator's refusal (SurveyGrid::Status).
    int grid(const QVector<QPointF> &borders, double stepX, double stepY, int hCover,
             int vCover, bool inDir);
    void setGridHeight(double metres) { m_height = metres; }
    void line(const QVector<QPointF> &points, double height, double hAngle, int overlap);
    void setCircleValues(double height, double pitch);
    void circle(const QPointF &centre, const QPointF &radiusPoint, int increment, int direction);

    // The grid or line previews as one run at maxSpeed; false without any.
    bool applyGrid(double maxSpeed);
    // The circle previews; false without any.
    bool applyCircle();

private:
    void show(const QVector<Preview> &previews);

    QGraphicsView *m_view;
    WPData *m_plan;
    CanvasWaypoints *m_waypoints;
    QList<PreviewMatrixWP *> m_items;
    double m_scale = 1.0;
    double m_height = 0.0;  // grid or line-matrix height, for apply
    double m_circleHeight = 0.0;
    double m_circlePitch = 0.0;
};
