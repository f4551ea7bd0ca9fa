#include "planner/wpeditor.h"

#include <QAction>
#include <QDebug>
#include <QGestureEvent>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStandardItem>
#include <QWheelEvent>

#include "core/data.h"
#include "maps/items/wpeditorkarte.h"
#include "maps/items/wpselection.h"
#include "maps/wpdata.h"
#include "planner/canvas/canvasmarkers.h"
#include "planner/canvas/canvasmenu.h"
#include "planner/canvas/canvasnavigation.h"
#include "planner/canvas/canvaspreviews.h"
#include "planner/canvas/canvasselection.h"
#include "planner/canvas/canvaswaypoints.h"
#include "planner/canvas/circletool.h"
#include "planner/canvas/linematrixtool.h"
#include "planner/canvas/matrixtool.h"
#include "planner/canvas/pointchain.h"
#include "planner/canvas/polygontool.h"
#include "planner/wpeditframework.h"

WPEditor::WPEditor(WPData *plan, QWidget *parent) : QGraphicsView(parent), m_plan(plan)
{
    qDebug() << "[WPEditor] Constructor";
    grabGesture(Qt::PinchGesture);
    m_nav = new CanvasNavigation(this, m_plan);
    if (Data::instance()->flightplanHighres() != 0)
        setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    m_scene = new QGraphicsScene(this);
    setScene(m_scene);
    m_scene->setBackgroundBrush(QBrush(m_plan->backgroundColor()));
    m_mapItem = new WPEditorKarte(m_plan->map());
    m_mapItem->setZValue(-100);
    m_mapItem->setPos(0, 0);
    m_scene->addItem(m_mapItem);
    setContentsMargins(0, 0, 0, 0);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setMouseTracking(true);

    // Items of one height stack in the order they came into the scene: the
    // band lies under the waypoints of a read plan, they under the placemarks
    // and the tools' items, and those under what is added later.
    m_waypoints = new CanvasWaypoints(this, m_plan, this);
    m_selection = new CanvasSelection(m_scene, m_plan, m_waypoints, this);
    m_camera = Data::instance()->currentCamera();
    m_waypoints->loadPlan();
    m_markers = new CanvasMarkers(m_scene, m_plan, this);
    m_menu = new CanvasMenu(this, m_plan, m_waypoints);
    m_matrix = new MatrixTool(m_scene, m_plan, this, this);
    m_circle = new CircleTool(m_scene, m_plan, this);
    m_polygon = new PolygonTool(m_scene, m_plan, this);
    m_lineMatrix = new LineMatrixTool(m_scene, this);
    m_previews = new CanvasPreviews(this, m_plan, m_waypoints, this);
    wireParts();
}

WPEditor::~WPEditor()
{
    // The plan owns its waypoint items; take them out before the scene goes.
    m_plan->detachItems();
}

void WPEditor::wireParts()
{
    connect(m_nav, &CanvasNavigation::scaleChanged, this, &WPEditor::applyScale);

    connect(m_waypoints, &CanvasWaypoints::pressed, this, &WPEditor::itemSelected);
    connect(m_waypoints, &CanvasWaypoints::rightClicked, this,
            &WPEditor::rightClickedOnSingleWaypoint);
    connect(m_waypoints, &CanvasWaypoints::dragged, this, &WPEditor::waypointMoved);
    connect(m_waypoints, &CanvasWaypoints::typeChanged, this, &WPEditor::swpTypeChanged);

    connect(m_selection, &CanvasSelection::singleWaypointSelected, this,
            &WPEditor::singleWaypointSelected);
    connect(m_selection, &CanvasSelection::noWaypointSelected, this,
            &WPEditor::noWaypointSelected);
    connect(m_selection, &CanvasSelection::markPM, this, &WPEditor::markPM);
    connect(m_selection, &CanvasSelection::wpdataChanged, this, &WPEditor::wpdataChanged);
    connect(m_selection, &CanvasSelection::moved, m_menu->copyBuffer(), &WPEditFramework::setMove);

    connect(m_markers, &CanvasMarkers::placemarkPressed, this, &WPEditor::pmclicked);
    connect(m_markers, &CanvasMarkers::firstLinealPoint, this, &WPEditor::firstLinealPoint);
    connect(m_markers, &CanvasMarkers::secondLinealPoint, this, &WPEditor::secondLinealPoint);

    connect(m_menu->copyAction(), &QAction::triggered, this, &WPEditor::copySelectedItems);
    connect(m_menu->pasteAction(), &QAction::triggered, this, &WPEditor::pasteWP);
    // Backspace and the menu entry obey the lock as the Delete key does.
    connect(m_menu->deleteAction(), &QAction::triggered, this, [this] {
        if (m_selection->changesAllowed())
            removeSelectedItems();
    });
    connect(m_menu->selectAllAction(), &QAction::triggered, this, &WPEditor::markAll);
    connect(m_menu->invertAction(), &QAction::triggered, this, &WPEditor::invertWPPath);
    connect(m_menu->groupAction(), &QAction::triggered, this, &WPEditor::makeGroupOfWaypoints);
    connect(m_menu->relativeAction(), &QAction::triggered, this, &WPEditor::setRelativeValues);

    connect(m_matrix, &MatrixTool::pointPressed, this, &WPEditor::matrixPointSelected);
    connect(m_matrix, &MatrixTool::pointMoved, this, &WPEditor::matrixPointMoved);
    connect(m_matrix, &MatrixTool::cornersOnMap, this, &WPEditor::matrixPointsOnMap);
    connect(m_matrix, &MatrixTool::areaChanged, this, &WPEditor::matrixAreaQM);
    connect(m_circle, &CircleTool::pointPressed, this, &WPEditor::coiPointSelected);
    connect(m_circle, &CircleTool::pointMoved, this, &WPEditor::coiPointMoved);
    connect(m_circle, &CircleTool::pointsOnMap, this, &WPEditor::coiPointsOnMap);
    connect(m_circle, &CircleTool::centrePlaced, this, &WPEditor::firstCOIPoint);
    connect(m_circle, &CircleTool::radiusChanged, this, &WPEditor::secondCOIPoint);
    connect(m_polygon->chain(), &PointChain::pointPressed, this, &WPEditor::polygonPointSelected);
    connect(m_polygon->chain(), &PointChain::pointMoved, this, &WPEditor::polygonPointMoved);
    connect(m_polygon, &PolygonTool::areaChanged, this, &WPEditor::polygonAreaQM);
    connect(m_polygon, &PolygonTool::thirdPointAdded, this, &WPEditor::moreThan3PolyPoints);
    connect(m_lineMatrix->chain(), &PointChain::pointPressed, this, &WPEditor::lmPointSelected);
    connect(m_lineMatrix->chain(), &PointChain::pointMoved, this, &WPEditor::lmPointMoved);
    connect(m_lineMatrix, &LineMatrixTool::secondPointAdded, this, &WPEditor::moreThan2LMPoints);

    // A drag of the map reaches every item that can be dragged itself.
    connect(this, &WPEditor::moveMap, m_waypoints, &CanvasWaypoints::mapMoved);
    connect(this, &WPEditor::moveMap, m_matrix, &MatrixTool::mapMoved);
    connect(this, &WPEditor::moveMap, m_circle, &CircleTool::mapMoved);
    connect(this, &WPEditor::moveMap, m_polygon->chain(), &PointChain::mapMoved);
    connect(this, &WPEditor::moveMap, m_lineMatrix->chain(), &PointChain::mapMoved);
}

void WPEditor::applyScale(double s)
{
    m_plan->setScale(s);
    m_waypoints->setScale(s);
    m_selection->band()->setScale(s);
    m_markers->setScale(s);
    m_matrix->setScale(s);
    m_circle->setScale(s);
    m_polygon->setScale(s);
    m_lineMatrix->setScale(s);
    m_previews->setScale(s);
}

// ---- what the parts hold ----
double WPEditor::viewScale() const { return m_nav->scale(); }
double WPEditor::minimumScale() const { return m_nav->minimumScale(); }
QList<int> WPEditor::selection() const { return m_selection->numbers(); }
bool WPEditor::changesAllowed() const { return m_selection->changesAllowed(); }
QList<WPCameraAngle *> WPEditor::cameraItems() const { return m_waypoints->cameraItems(); }
QList<PMMarker *> WPEditor::placemarkMarkers() const { return m_markers->placemarkMarkers(); }
QList<QGraphicsPolygonItem *> WPEditor::placemarkOutlines() const
{
    return m_markers->placemarkOutlines();
}
WPEditFramework *WPEditor::copyBuffer() const { return m_menu->copyBuffer(); }
HarlekObject *WPEditor::aircraftMarker() const { return m_markers->aircraft(); }
HomePosition *WPEditor::homeMarker() const { return m_markers->home(); }
WPSelection *WPEditor::rubberBand() const { return m_selection->band(); }
const WPEditorPaths &WPEditor::paths() const { return m_waypoints->paths(); }
QMenu *WPEditor::contextMenu() const { return m_menu->menu(); }
QAction *WPEditor::copyAction() const { return m_menu->copyAction(); }
QAction *WPEditor::pasteAction() const { return m_menu->pasteAction(); }
QAction *WPEditor::deleteAction() const { return m_menu->deleteAction(); }
QAction *WPEditor::selectAllAction() const { return m_menu->selectAllAction(); }
QMenu *WPEditor::arrangeMenu() const { return m_menu->arrangeMenu(); }
QAction *WPEditor::invertAction() const { return m_menu->invertAction(); }
QAction *WPEditor::groupAction() const { return m_menu->groupAction(); }
QAction *WPEditor::relativeAction() const { return m_menu->relativeAction(); }
QList<MatrixPoint *> WPEditor::matrixCorners() const { return m_matrix->corners(); }
int WPEditor::visibleMatrixCorners() const { return m_matrix->visibleCorners(); }
QPair<int, int> WPEditor::matrixDirection() const { return m_matrix->direction(); }
QList<COIPoint *> WPEditor::coiHandles() const { return m_circle->handles(); }
QList<QPointF> WPEditor::polygonPoints() const { return m_polygon->points(); }
QList<QPointF> WPEditor::lineMatrixPoints() const { return m_lineMatrix->points(); }
QPair<int, int> WPEditor::polygonDirection() const { return m_polygon->direction(); }
QList<LinealPoint *> WPEditor::rulerHandles() const { return m_markers->rulerHandles(); }
QList<PreviewMatrixWP *> WPEditor::previews() const { return m_previews->items(); }

QPointF WPEditor::sceneToGeo(const QPointF &p) const { return m_plan->pixelToGeo(p.x(), p.y()); }
QPointF WPEditor::geoToScene(double lon, double lat) const { return m_plan->geoToPixel(lon, lat); }

// ---- view events ----
bool WPEditor::event(QEvent *e)
{
    // A key let go while another window or widget had the keyboard never
    // reaches keyReleaseEvent: nothing counts as held once the canvas has
    // lost it.
    if (e->type() == QEvent::FocusOut || e->type() == QEvent::WindowDeactivate) {
        m_selection->setCtrl(false);
        m_selection->setShift(false);
    }
    if (e->type() != QEvent::Gesture)
        return QGraphicsView::event(e);
    auto *ge = static_cast<QGestureEvent *>(e);
    ge->accept();
    m_selection->cancelBand();
    m_nav->pinch(ge);
    return true;
}

void WPEditor::wheelEvent(QWheelEvent *e)
{
    e->ignore();
    m_nav->wheel(e->angleDelta().y());
}

void WPEditor::resizeEvent(QResizeEvent *) { m_nav->fit(m_mapItem->sceneBoundingRect()); }

void WPEditor::enterEvent(QEvent *e)
{
    m_nav->setMouseInside(true);
    QGraphicsView::enterEvent(e);
}

void WPEditor::leaveEvent(QEvent *e)
{
    m_nav->setMouseInside(false);
    QGraphicsView::leaveEvent(e);
}

// The selection tool reads Ctrl and Shift from each mouse event: they are
// the keyboard as it is at that moment, even when the key went down or up
// while a dialog had the keyboard.
void WPEditor::takeHeldKeys(const QMouseEvent *e)
{
    m_selection->setHeld(m_state == SelectState ? e->modifiers() : Qt::NoModifier);
}

void WPEditor::mouseMoveEvent(QMouseEvent *e)
{
    takeHeldKeys(e);
    const QPoint pos = e->pos();
    static const QList<int> dragStates = {SelectState,  WaypointState,    MatrixState,
                                          CoiState,     PolygonDoneState, LineMatrixDoneState};
    if (m_nav->beyondDragThreshold(pos) && dragStates.contains(m_state))
        emit moveMap();
    const QPointF scenePos = mapToScene(pos);
    if (!m_nav->pan(pos) && m_selection->bandActive())
        m_selection->extendBand(scenePos);
    m_nav->track(scenePos);
    QGraphicsView::mouseMoveEvent(e);
}

// A left press with a placing tool.
void WPEditor::placeAt(const QPointF &p)
{
    switch (m_state) {
    case HeadingOnMapState:
        m_waypoints->turnToward(m_selection->numbers(), p);
        break;
    case WaypointState:
        m_waypoints->addAt(p);
        emit wpdataChanged();
        break;
    case MatrixState:
        m_matrix->place(p);
        updateCursor();
        break;
    case CoiState:
        m_circle->place(p);
        updateCursor();
        break;
    case PolygonState:
        m_polygon->add(p);
        break;
    case LineMatrixState:
        m_lineMatrix->add(p);
        break;
    case RulerState:
        m_markers->placeRulerPoint(p);
        break;
    default:
        break;
    }
}

void WPEditor::mousePressEvent(QMouseEvent *e)
{
    takeHeldKeys(e);
    m_nav->press(e);
    qDebug() << "mousepressevent";
    const QPointF p = mapToScene(e->pos());
    const bool left = e->button() == Qt::LeftButton;
    if (left)
        placeAt(p);
    QGraphicsView::mousePressEvent(e);
    m_selection->pressed(p, left && m_state == SelectState);
    if (left) {
        m_matrix->showPress();
        m_polygon->chain()->showPress(m_state == PolygonDoneState);
    }
    e->accept();
}

void WPEditor::mouseReleaseEvent(QMouseEvent *e)
{
    takeHeldKeys(e);
    QGraphicsView::mouseReleaseEvent(e);
    const bool right = e->button() == Qt::RightButton;
    if (right && m_state == SelectState) {
        if (!m_nav->panning()) {
            prepareContextMenu();
            if (!contextMenu()->property("korvelNoExec").toBool())
                contextMenu()->popup(mapToGlobal(e->pos()));
        } else {
            updateCursor();
        }
    } else if (right && m_nav->panning()) {
        updateCursor();
    }
    m_nav->release();
    if (m_selection->bandActive())
        m_selection->finishBand();
    if (e->button() == Qt::LeftButton && m_state == HeadingOnMapState)
        emit headingOnMapSetted();
    m_selection->released();
    m_scene->setSceneRect(QRectF());
}

void WPEditor::keyPressEvent(QKeyEvent *e)
{
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const bool selecting = m_state == SelectState;
    switch (e->key()) {
    case Qt::Key_Delete:
        if (m_selection->changesAllowed()) {
            removeSelectedItems();
            qDebug() << "[WPEditor] keyPressEvent Qt::Key_Delete";
        }
        return;
    case Qt::Key_Control:
        if (selecting)
            m_selection->setCtrl(true);
        return;
    case Qt::Key_Shift:
        if (selecting)
            m_selection->setShift(true);
        return;
    case Qt::Key_Escape:
        // Ends a band that is still being drawn.
        if (m_selection->bandActive())
            m_selection->cancelBand();
        return;
    case Qt::Key_C:
        if (ctrl && selecting && !m_selection->isEmpty())
            copySelectedItems();
        return;
    case Qt::Key_V:
        if (ctrl && selecting)
            pasteWP();
        return;
    case Qt::Key_A:
        if (ctrl && selecting)
            markAll();
        return;
    default:
        if (!m_nav->panKey(e->key()))
            QGraphicsView::keyPressEvent(e);
    }
}

void WPEditor::keyReleaseEvent(QKeyEvent *e)
{
    m_selection->setCtrl(false);
    m_selection->setShift(false);
    QGraphicsView::keyReleaseEvent(e);
}

// ---- tool states ----
namespace {
// A tool drawn in two steps keeps its points while it is drawn and once it
// is finished; any other change drops them.
bool keepsPoints(int from, int to, int drawing, int finished)
{
    return to == finished || (from == drawing && to == drawing);
}
}  // namespace

void WPEditor::updateCursor()
{
    bool cross = false;
    switch (m_state) {
    case WaypointState:
    case HeadingOnMapState:
    case PolygonState:
    case LineMatrixState:
    case RulerState:
        cross = true;
        break;
    case MatrixState:
        cross = m_matrix->visibleCorners() < 4;
        break;
    case CoiState:
        cross = m_circle->visiblePoints() < 2;
        break;
    default:
        break;
    }
    viewport()->setCursor(cross ? Qt::CrossCursor : Qt::ArrowCursor);
}

void WPEditor::changeState(int state)
{
    qDebug().noquote() << QStringLiteral("[WPEditor] changeState %1").arg(state);
    const int corners = m_matrix->visibleCorners();
    switch (m_state) {
    case SelectState:
        if (state != HeadingOnMapState) {
            m_selection->set({});
            m_selection->show();
        }
        break;
    case MatrixState:
        if (state != MatrixState) {
            m_matrix->hide();
            m_previews->clear();
            emit noWaypointSelected();
            emit matrixPointsOnMap(corners);
        }
        break;
    case CoiState:
        if (state != CoiState) {
            m_circle->hide();
            m_previews->clear();
            emit noWaypointSelected();
            emit coiPointsOnMap(0);
        }
        break;
    case RulerState:
        if (state != RulerState)
            m_markers->hideRuler();
        break;
    case PolygonState:
    case PolygonDoneState:
        if (!keepsPoints(m_state, state, PolygonState, PolygonDoneState)) {
            m_polygon->clear();
            m_previews->clear();
        }
        break;
    case LineMatrixState:
    case LineMatrixDoneState:
        if (!keepsPoints(m_state, state, LineMatrixState, LineMatrixDoneState)) {
            m_lineMatrix->clear();
            m_previews->clear();
        }
        break;
    default:
        break;
    }
    m_state = state;
    updateCursor();
}

void WPEditor::finishPolygonAdded()
{
    changeState(PolygonDoneState);
    m_polygon->finish();
}

void WPEditor::finishLineMatrixAdded() { changeState(LineMatrixDoneState); }

void WPEditor::prepareContextMenu()
{
    m_menu->prepare(m_selection->numbers(), m_selection->changesAllowed());
}

// ---- selection and its drag ----
void WPEditor::itemSelected(int n)
{
    m_selection->itemPressed(n, m_state == SelectState, m_state == WaypointState);
}

void WPEditor::waypointMoved(int id, double x, double y) { m_selection->dragged(id, x, y); }
void WPEditor::pmclicked(QStandardItem *placemark) { m_selection->placemarkPressed(placemark); }
void WPEditor::markAll() { m_selection->selectAll(); }

void WPEditor::setChanges(bool allowed)
{
    qDebug().noquote() << QStringLiteral("[WPEditor] setChanges %1").arg(allowed);
    m_selection->setChangesAllowed(allowed);
}

void WPEditor::rightClickedOnSingleWaypoint()
{
    qDebug() << "[WPEditor] rightClickedOnSingleWaypoint";
}

// ---- the waypoints ----
void WPEditor::addWaypoint(const Waypoint &wp) { m_waypoints->add(wp); }

void WPEditor::removeSelectedItems()
{
    const QList<int> numbers = m_selection->numbers();
    qDebug().noquote() << QStringLiteral("[WPEditor] removeSelectedItems %1").arg(numbers.size());
    if (numbers.isEmpty())
        return;
    m_waypoints->remove(numbers);
    m_selection->set({});
    emit wpdataChanged();
    emit noWaypointSelected();
}

void WPEditor::copySelectedItems() { m_menu->copy(m_selection->numbers()); }

void WPEditor::pasteWP()
{
    m_selection->set(m_menu->paste(m_nav->lastMouseScene()));
    if (m_selection->isEmpty())
        return;
    m_selection->show();
    m_scene->update();
    emit wpdataChanged();
}

void WPEditor::invertWPPath()
{
    if (m_selection->isEmpty())
        return;
    m_waypoints->invert(m_selection->numbers());
    emit wpdataChanged();
    m_plan->refreshWaypointNumbers();
    m_scene->update();
}

void WPEditor::makeGroupOfWaypoints()
{
    if (m_selection->isEmpty())
        return;
    m_waypoints->group(m_selection->numbers());
    emit wpdataChanged();
    m_plan->refreshWaypointNumbers();
    m_selection->set({});
    m_selection->show();
}

void WPEditor::setRelativeValues()
{
    emit relativeValues(m_selection->numbers());
    m_waypoints->refreshPlaced(m_selection->numbers());
}

void WPEditor::switchWPPath(int a, int b) { m_waypoints->switchPaths(a, b); }
void WPEditor::switchWP(int a, int b) { m_waypoints->switchWaypoints(a, b); }
void WPEditor::switchWPAfter(int from, int to) { m_waypoints->moveTo(from, to); }
void WPEditor::setHeight(int wp, double metres) { m_waypoints->setHeight(wp, metres); }
void WPEditor::setYawAngle(int wp, double degrees) { m_waypoints->setYawAngle(wp, degrees); }
void WPEditor::setPitchAngle(int wp, double degrees) { m_waypoints->setPitchAngle(wp, degrees); }
void WPEditor::wpTypeChanged(int wp, int type) { m_waypoints->setType(wp, type); }

void WPEditor::onCameraSwitched()
{
    qDebug() << "camera switched";
    m_camera = Data::instance()->currentCamera();
    m_waypoints->checkAllSegments();
}

void WPEditor::onDataChanged() { m_waypoints->refresh(); }

// ---- flight marks ----
void WPEditor::markV1WP(int n) { m_waypoints->markFlying(n); }
void WPEditor::markV1WPFinished(int n) { m_waypoints->markReached(n); }
void WPEditor::markV1WPallClear() { unmarkRange(1, m_plan->count()); }
void WPEditor::unmarkRange(int start, int stop) { m_waypoints->unmarkRange(start, stop); }
void WPEditor::unmarkSince(int n) { unmarkRange(n, m_plan->count()); }

// ---- markers ----
void WPEditor::setHarlekPos(double lon, double lat) { m_markers->setAircraftPosition(lon, lat); }
void WPEditor::setHarlekAngle(double angle) { m_markers->setAircraftAngle(angle); }
void WPEditor::setHomePosition(double lon, double lat) { m_markers->setHomePosition(lon, lat); }
void WPEditor::updatePlacemarks() { m_markers->updatePlacemarks(); }

// ---- corner tools ----
void WPEditor::matrixPointSelected(int id) { m_matrix->pressed(id); }
void WPEditor::matrixPointMoved(int id, double x, double y) { m_matrix->move(id, x, y); }
void WPEditor::matrixDirIncrease() { m_matrix->increase(); }
void WPEditor::matrixDirDecrease() { m_matrix->decrease(); }

void WPEditor::coiPointSelected(int id)
{
    qDebug().noquote() << QStringLiteral("[WPEditor] matrixPointSelected %1").arg(id);
}

void WPEditor::coiPointMoved(int id, double x, double y) { m_circle->move(id, x, y); }
void WPEditor::polygonPointSelected(int id) { m_polygon->chain()->pressed(id); }

void WPEditor::polygonPointMoved(int id, double x, double y)
{
    m_polygon->move(id, x, y, m_state == PolygonDoneState);
}

void WPEditor::polygonDirIncrease() { m_polygon->increase(); }
void WPEditor::polygonDirDecrease() { m_polygon->decrease(); }

void WPEditor::lmPointSelected(int id)
{
    qDebug().noquote() << QStringLiteral("[WPEditor] lmPointSelected %1").arg(id);
    m_lineMatrix->chain()->pressed(id);
}

void WPEditor::lmPointMoved(int id, double x, double y) { m_lineMatrix->move(id, x, y); }

// ---- navigation ----
void WPEditor::scaleView(double factor) { m_nav->scaleView(factor); }
