#pragma once
// The waypoints on the map canvas: each waypoint's item with its camera
// footprint and the drawn legs (WPEditorPaths), kept in step with the plan
// as waypoints are added, moved, reordered, removed and edited, and their
// marks while a flight runs.
#include <QList>
#include <QObject>
#include <QPointF>
#include <functional>

#include "planner/wpeditorpaths.h"

class QGraphicsView;
class WPCameraAngle;
class WPData;
struct Waypoint;

class CanvasWaypoints : public QObject {
    Q_OBJECT
public:
    CanvasWaypoints(QGraphicsView *view, WPData *plan, QObject *parent);

    const WPEditorPaths &paths() const { return m_paths; }
    QList<WPCameraAngle *> cameraItems() const { return m_cameraItems; }
    void setScale(double s);

    // Puts the items of a plan read from a file on the canvas.
    void loadPlan();
    // A new waypoint with the defaults at a scene pixel.
    void addAt(const QPointF &scenePos);
    // A waypoint with all its values at its longitude and latitude.
    void add(const Waypoint &wp);
    // A generator's waypoint (see WPData::addGenerated); runFollows: its
    // run's heading follows the flight direction. The caller draws its leg.
    void addGenerated(const QPointF &scenePos, const Waypoint &wp, bool runFollows);
    void appendPath(int kind);

    // Selected waypoints look selected and show their footprint.
    void showSelection(const QList<int> &selection);
    // Waypoint id dragged to at (on the image): alone, or with the rest of
    // a selection of more, which stays on the image. True when alone.
    bool drag(int id, const QPointF &at, const QList<int> &selection);
    void remove(const QList<int> &numbers);
    // Footprints and legs of waypoints a and b after the plan swapped them.
    void switchPaths(int a, int b);
    void switchWaypoints(int a, int b);
    // Moves waypoint from to place to, one swap at a time.
    void moveTo(int from, int to);
    // Reverses the selected run; a run end stays its end.
    void invert(const QList<int> &selection);
    // Makes the selected waypoints follow the first one.
    void group(const QList<int> &selection);
    // The selected waypoints face the scene point target.
    void turnToward(const QList<int> &selection, const QPointF &target);
    // Footprints and legs after the plan moved or turned the waypoints.
    void refreshPlaced(const QList<int> &numbers);

    void setHeight(int wp, double metres);
    void setYawAngle(int wp, double degrees);
    void setPitchAngle(int wp, double degrees);
    void setType(int wp, int type);
    void checkAllSegments() { m_paths.checkAllSegments(); }
    // The legs' checks and the footprints' headings after the plan changed.
    void refresh();

    // Flight marks: flying to, reached, cleared.
    void markFlying(int n);
    void markReached(int n);
    void unmarkRange(int start, int stop);

signals:
    void pressed(int waypoint);
    void dragged(int waypoint, double x, double y);
    void rightClicked();
    void typeChanged(int waypoint, int type);
    // Given on to every waypoint item: the map is being dragged.
    void mapMoved();

private:
    void attach(int n, double zFootprint);
    void appendSegment(int n);
    void resizeFootprint(int n);
    void walkRun(int n, const std::function<void(int)> &fn);

    QGraphicsView *m_view;
    WPData *m_plan;
    WPEditorPaths m_paths;
    QList<WPCameraAngle *> m_cameraItems;
    double m_scale = 1.0;
};
