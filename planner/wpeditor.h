#pragma once
// The map canvas of the planning window: the plan's map image, its waypoints
// with their camera footprints and route, the live aircraft and home markers,
// the placemarks, the construction items of the editing tools and the
// waypoint editor's context menu. Scene coordinates are map-image pixels.
#include <QGraphicsView>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QVector>
#include <functional>

#include "core/camera.h"
#include "planner/geometry/linegenerators.h"
#include "planner/wpeditorpaths.h"

class HarlekObject;
class HomePosition;
class COIPoint;
class LinealPoint;
class MatrixDirection;
class MatrixPoint;
class PMMarker;
class PreviewMatrixWP;
struct Preview;
class QGraphicsEllipseItem;
class QGraphicsLineItem;
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
    double viewScale() const { return m_scale; }
    double minimumScale() const { return m_minScale; }
    QList<int> selection() const { return m_selection; }
    bool changesAllowed() const { return m_changesAllowed; }
    QList<WPCameraAngle *> cameraItems() const { return m_cameraItems; }
    QList<PMMarker *> placemarkMarkers() const { return m_pmMarkers; }
    QList<QGraphicsPolygonItem *> placemarkOutlines() const { return m_pmOutlines; }
    WPEditFramework *copyBuffer() const { return m_copyBuffer; }
    HarlekObject *aircraftMarker() const { return m_harlek; }
    HomePosition *homeMarker() const { return m_home; }
    WPSelection *rubberBand() const { return m_band; }
    // The drawn legs, leg k from waypoint k + 1 to k + 2.
    const WPEditorPaths &paths() const { return m_paths; }
    QMenu *contextMenu() const { return m_menu; }
    QAction *copyAction() const { return m_copyAct; }
    QAction *pasteAction() const { return m_pasteAct; }
    QAction *deleteAction() const { return m_deleteAct; }
    QAction *selectAllAction() const { return m_selectAllAct; }
    QMenu *arrangeMenu() const { return m_arrangeMenu; }
    QAction *invertAction() const { return m_invertAct; }
    QAction *groupAction() const { return m_groupAct; }
    QAction *relativeAction() const { return m_relativeAct; }
    QList<MatrixPoint *> matrixCorners() const { return m_matrixPoints; }
    int visibleMatrixCorners() const;
    QPair<int, int> matrixDirection() const { return qMakePair(m_matrixStart, m_matrixEdge); }
    QList<COIPoint *> coiHandles() const { return m_coiPoints; }
    QList<QPointF> polygonPoints() const { return m_polyPoints; }
    QList<QPointF> lineMatrixPoints() const { return m_lmPoints; }
    QPair<int, int> polygonDirection() const { return qMakePair(m_polyA, m_polyB); }
    QList<LinealPoint *> rulerHandles() const { return m_linealPoints; }
    Camera camera() const { return m_camera; }
    // Preview points of the last generation, in flight order.
    QList<PreviewMatrixWP *> previews() const { return m_previews; }

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
    void computeMinimumScale();
    void checkforLoading();
    void buildContextMenu();
    void buildToolItems();
    void attachWaypoint(int n, double zFootprint);
    void handleItemSelection();
    void newWaypointAt(const QPointF &scenePos);
    void updateCursor();
    void placeMatrixCorner(const QPointF &p);
    void placeCoiPoint(const QPointF &p);
    void placeRulerPoint(const QPointF &p);
    void addPolygonPoint(const QPointF &p);
    void addLineMatrixPoint(const QPointF &p);
    void redrawMatrixLines();
    void placeMatrixArrow();
    void placePolygonArrow();
    void clearPolygon();
    void clearLineMatrix();
    void appendSegment(int n);
    void resizeFootprint(int n);
    void walkRun(int n, const std::function<void(int)> &fn);
    void sendStatusTip(const QString &text);
    double areaSquareMetres(const QPolygonF &scenePolygon) const;
    void addGenerated(const QPointF &scenePos, const LineGenerators::Applied &a);
    void clearPreviews();
    void showPreviews(const QVector<Preview> &previews);

    WPData *m_plan;
    QGraphicsScene *m_scene;
    WPEditFramework *m_copyBuffer;
    WPEditorKarte *m_mapItem = nullptr;
    HarlekObject *m_harlek = nullptr;
    HomePosition *m_home = nullptr;
    WPSelection *m_band = nullptr;
    WPEditorPaths m_paths;
    double m_scale = 1.0;
    double m_minScale = 1.0;
    int m_state = SelectState;
    QList<int> m_selection;
    QList<WPCameraAngle *> m_cameraItems;
    QList<PMMarker *> m_pmMarkers;
    QList<QGraphicsPolygonItem *> m_pmOutlines;
    int m_pressButton = 0;
    QPoint m_pressPos;
    bool m_dragging = false;
    bool m_bandActive = false;
    bool m_mouseInside = false;
    QPointF m_lastMouseScene;
    bool m_changesAllowed = true;
    bool m_itemPressed = false;
    bool m_toggleDone = false;
    bool m_moveDone = false;
    QPointF m_pressScene;
    QPointF m_lastDrag;
    bool m_ctrl = false;
    bool m_shift = false;
    bool m_pmPressed = false;
    QStandardItem *m_pressedPM = nullptr;
    Camera m_camera;

    QMenu *m_menu = nullptr;
    QAction *m_copyAct = nullptr;
    QAction *m_pasteAct = nullptr;
    QAction *m_deleteAct = nullptr;
    QAction *m_selectAllAct = nullptr;
    QMenu *m_arrangeMenu = nullptr;
    QAction *m_invertAct = nullptr;
    QAction *m_groupAct = nullptr;
    QAction *m_relativeAct = nullptr;

    QList<MatrixPoint *> m_matrixPoints;
    QList<QGraphicsLineItem *> m_matrixLines;
    int m_pressedMatrix = -1;
    MatrixDirection *m_matrixArrow = nullptr;
    int m_matrixStart = 0;
    int m_matrixEdge = 3;
    QGraphicsPolygonItem *m_matrixArea = nullptr;
    QList<COIPoint *> m_coiPoints;
    QGraphicsLineItem *m_coiLine = nullptr;
    QGraphicsEllipseItem *m_coiCircle = nullptr;
    QList<LinealPoint *> m_linealPoints;
    QGraphicsLineItem *m_linealLine = nullptr;
    QList<QPointF> m_polyPoints;
    QList<MatrixPoint *> m_polyHandles;
    int m_pressedPoly = -1;
    QGraphicsPolygonItem *m_polyArea = nullptr;
    MatrixDirection *m_polyArrow = nullptr;
    int m_polyA = 0;
    int m_polyB = 1;
    QList<QPointF> m_lmPoints;
    QList<MatrixPoint *> m_lmHandles;
    int m_pressedLm = -1;
    QList<QGraphicsLineItem *> m_lmLines;

    QList<PreviewMatrixWP *> m_previews;
    double m_previewHeight = 0.0;  // grid or line-matrix height, for apply
    double m_coiHeight = 0.0;
    double m_coiPitch = 0.0;
};
