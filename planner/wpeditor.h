#pragma once
// The map canvas of the planning window: the plan's map image, its waypoints
// with their camera footprints and route, the live aircraft and home markers,
// the placemarks, the construction items of the editing tools and the
// waypoint editor's context menu. Scene coordinates are map-image pixels.
//
// The view wires the parts in planner/canvas/, each owning its state and
// items: navigation (zoom, pan, cursor position), the selection and its
// drag, the waypoints with their footprints and legs, the markers (aircraft,
// home, placemarks, ruler), the corner tools of the generators (matrix,
// polygon, line matrix, circle), the previews and their apply, and the
// context menu with the clipboard. The view keeps the tool state and gives
// each input to the part it belongs to.
#include <QGraphicsView>
#include <QList>
#include <QPair>
#include <QPointF>

#include "core/camera.h"
#include "planner/wpeditorpaths.h"

class CanvasMarkers;
class CanvasMenu;
class CanvasNavigation;
class CanvasPreviews;
class CanvasSelection;
class CanvasWaypoints;
class CircleTool;
class COIPoint;
class HarlekObject;
class HomePosition;
class LineMatrixTool;
class LinealPoint;
class MatrixPoint;
class MatrixTool;
class PMMarker;
class PolygonTool;
class PreviewMatrixWP;
class QGraphicsPolygonItem;
class QMenu;
class QStandardItem;
class WPCameraAngle;
class WPData;
class WPEditFramework;
class WPEditorKarte;
class WPSelection;
struct Waypoint;

class WPEditor : public QGraphicsView {
    Q_OBJECT
public:
    // Tool states.
    enum State {
        SelectState = 0,
        WaypointState = 1,
        MatrixState = 2,
        CoiState = 4,
        PolygonState = 6,
        PolygonDoneState = 7,
        LineMatrixState = 8,
        LineMatrixDoneState = 9,
        RulerState = 10,
        HeadingOnMapState = 100,
    };

    WPEditor(WPData *plan, QWidget *parent = nullptr);
    ~WPEditor() override;

    WPData *plan() const { return m_plan; }
    int state() const { return m_state; }
    double viewScale() const;
    double minimumScale() const;
    QList<int> selection() const;
    bool changesAllowed() const;
    QList<WPCameraAngle *> cameraItems() const;
    QList<PMMarker *> placemarkMarkers() const;
    QList<QGraphicsPolygonItem *> placemarkOutlines() const;
    WPEditFramework *copyBuffer() const;
    HarlekObject *aircraftMarker() const;
    HomePosition *homeMarker() const;
    WPSelection *rubberBand() const;
    // The drawn legs, leg k from waypoint k + 1 to k + 2.
    const WPEditorPaths &paths() const;
    QMenu *contextMenu() const;
    QAction *copyAction() const;
    QAction *pasteAction() const;
    QAction *deleteAction() const;
    QAction *selectAllAction() const;
    QMenu *arrangeMenu() const;
    QAction *invertAction() const;
    QAction *groupAction() const;
    QAction *relativeAction() const;
    QList<MatrixPoint *> matrixCorners() const;
    int visibleMatrixCorners() const;
    QPair<int, int> matrixDirection() const;
    QList<COIPoint *> coiHandles() const;
    QList<QPointF> polygonPoints() const;
    QList<QPointF> lineMatrixPoints() const;
    QPair<int, int> polygonDirection() const;
    QList<LinealPoint *> rulerHandles() const;
    Camera camera() const { return m_camera; }
    // Preview points of the last generation, in flight order.
    QList<PreviewMatrixWP *> previews() const;

    // Fills the context menu's enabled states as a right click would.
    void prepareContextMenu();
    // Map position of a scene pixel; the scene pixel of a map position.
    QPointF sceneToGeo(const QPointF &scenePos) const;
    QPointF geoToScene(double lon, double lat) const;

    // Appends a waypoint with all its values at its longitude and latitude
    // (imports and paste), within the ranges people may type; emits nothing.
    void addWaypoint(const Waypoint &wp);

signals:
    void singleWaypointSelected(QList<int> selection);
    void noWaypointSelected();
    void moveMap();
    void headingOnMapSetted();
    void matrixPointsOnMap(int count);
    void coiPointsOnMap(int count);
    void markPM(QStandardItem *placemark);
    void firstLinealPoint(QPointF lonLat);
    void secondLinealPoint(QPointF lonLat, double metres);
    void firstCOIPoint(QPointF lonLat);
    void secondCOIPoint(double metres);
    void matrixAreaQM(double squareMetres);
    void polygonAreaQM(double squareMetres);
    void wpdataChanged();
    void moreThan3PolyPoints();
    void moreThan2LMPoints();
    void relativeValues(QList<int> selection);
    void approxTime(double seconds);
    void swpTypeChanged(int waypoint, int type);

public slots:
    void changeState(int state);
    void rightClickedOnSingleWaypoint();
    void itemSelected(int waypoint);
    void waypointMoved(int id, double x, double y);
    void matrixPointMoved(int id, double x, double y);
    void switchWPPath(int a, int b);
    void switchWP(int a, int b);
    void switchWPAfter(int from, int to);
    void setYawAngle(int waypoint, double degrees);
    void setPitchAngle(int waypoint, double degrees);
    void setHeight(int waypoint, double metres);
    void matrixPointSelected(int id);
    void matrixDirIncrease();
    void matrixDirDecrease();
    void wpTypeChanged(int waypoint, int type);
    void markV1WP(int waypoint);
    void markV1WPallClear();
    void markV1WPFinished(int waypoint);
    void coiPointSelected(int id);
    void coiPointMoved(int id, double x, double y);
    void setHarlekPos(double lon, double lat);
    void setHarlekAngle(double angle);
    void setChanges(bool allowed);
    void unmarkSince(int waypoint);
    void unmarkRange(int start, int stop);
    void pmclicked(QStandardItem *placemark);
    void updatePlacemarks();
    void removeSelectedItems();
    void copySelectedItems();
    void pasteWP();
    void makeGroupOfWaypoints();
    void invertWPPath();
    void markAll();
    void finishPolygonAdded();
    void polygonPointSelected(int id);
    void polygonPointMoved(int id, double x, double y);
    void polygonDirIncrease();
    void polygonDirDecrease();
    void finishLineMatrixAdded();
    void lmPointSelected(int id);
    void lmPointMoved(int id, double tx, double ty);
    void setRelativeValues();
    void setHomePosition(double lon, double lat);
    void scaleView(double factor);
    void onCameraSwitched();
    void onDataChanged();

    // Generators: preview, then apply (planner/wpeditor_generators.cpp).
    void generateMatrix(double m_height, int m_cover_h, int m_cover_v, double hangle,
                        double vangle, bool inDir);
    int generateMatrixTestItAll(QList<QPointF> borders, double step_x, double step_y,
                                int h_cover, int v_cover, bool inDir);
    void createMatrixOnMap(double maxSpeed);
    void createMatrixOnMap();
    void generateLineMatrix(double height, double h_angle, int overlap);
    void generateCOI(int coiDirection, int incAngle, double height, double camAngle);
    void createCOIOnMap();
    void requestApproxTime(int startWP, int stopWP);

protected:
    bool event(QEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void enterEvent(QEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    void wireParts();
    void applyScale(double s);
    void placeAt(const QPointF &scenePos);
    void updateCursor();
    void takeHeldKeys(const QMouseEvent *e);

    WPData *m_plan;
    QGraphicsScene *m_scene;
    WPEditorKarte *m_mapItem = nullptr;
    CanvasNavigation *m_nav;
    CanvasWaypoints *m_waypoints;
    CanvasSelection *m_selection;
    CanvasMarkers *m_markers;
    CanvasMenu *m_menu;
    MatrixTool *m_matrix;
    CircleTool *m_circle;
    PolygonTool *m_polygon;
    LineMatrixTool *m_lineMatrix;
    CanvasPreviews *m_previews;
    int m_state = SelectState;
    Camera m_camera;
};
