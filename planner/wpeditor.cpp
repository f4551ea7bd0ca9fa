#include "planner/wpeditor.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QGestureEvent>
#include <QGraphicsEllipseItem>
#include <QGraphicsLineItem>
#include <QGraphicsPathItem>
#include <QGraphicsPolygonItem>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPinchGesture>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardItemModel>
#include <QStatusTipEvent>
#include <QWheelEvent>
#include <QtMath>
#include <algorithm>
#include <cmath>

#include "core/data.h"
#include "core/geo.h"
#include "core/placemarks.h"
#include "core/prompt/prompt.h"
#include "maps/items/coipoint.h"
#include "maps/items/harlekobject.h"
#include "maps/items/homeposition.h"
#include "maps/items/linealpoint.h"
#include "maps/items/matrixdirection.h"
#include "maps/items/matrixpoint.h"
#include "maps/items/pmmarker.h"
#include "maps/items/previewmatrixwp.h"
#include "maps/items/wpcameraangle.h"
#include "maps/items/wpeditorkarte.h"
#include "maps/items/wpselection.h"
#include "maps/items/wpwaypoint.h"
#include "maps/wpdata.h"
#include "planner/geometry/linegenerators.h"
#include "planner/geometry/surveygrid.h"
#include "planner/wpeditframework.h"

namespace {

double distanceMetres(const QPointF &a, const QPointF &b)
{
    return GeoMath::haversineMetres(GeoPoint::lonLat(a.x(), a.y()), GeoPoint::lonLat(b.x(), b.y()));
}

int typeGroup(int type)
{
    switch (type) {
    case 1:
    case 11:
        return 1;
    case 2:
    case 12:
        return 2;
    default:
        return type;
    }
}

}  // namespace

WPEditor::WPEditor(WPData *plan, QWidget *parent)
    : QGraphicsView(parent), m_plan(plan), m_paths(plan)
{
    qDebug() << "[WPEditor] Constructor";
    m_copyBuffer = new WPEditFramework(this);
    grabGesture(Qt::PinchGesture);
    m_changesAllowed = true;
    m_pressButton = 0;
    const QSize image = m_plan->imageSize();
    m_minScale = image.width() > 0 ? double(width()) / image.width() : 1.0;
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

    m_band = new WPSelection;
    m_scene->addItem(m_band);
    m_harlek = new HarlekObject(300, 300, 1.0);
    m_harlek->setZValue(50);
    m_harlek->setShown(false);
    m_scene->addItem(m_harlek);
    setMouseTracking(true);

    m_paths.setScene(m_scene);

    m_camera = Data::instance()->currentCamera();
    checkforLoading();
    updatePlacemarks();
    connect(Data::instance(), &Data::pmChanged, this, &WPEditor::updatePlacemarks);
    buildContextMenu();
    buildToolItems();
}

WPEditor::~WPEditor()
{
    // The plan owns its waypoint items; take them out before the scene goes.
    m_plan->detachItems();
}

// ---- construction ----
void WPEditor::buildContextMenu()
{
    m_menu = new QMenu(this);
    m_copyAct = m_menu->addAction(tr("Copy"));
    m_copyAct->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
    m_pasteAct = m_menu->addAction(tr("Paste"));
    m_pasteAct->setShortcut(QKeySequence(QStringLiteral("Ctrl+V")));
    m_deleteAct = m_menu->addAction(tr("Delete"));
    m_deleteAct->setShortcut(QKeySequence(Qt::Key_Delete));
    m_menu->addSeparator();
    m_selectAllAct = m_menu->addAction(tr("Select all waypoints"));
    m_selectAllAct->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
    m_arrangeMenu = m_menu->addMenu(tr("Arrange waypoints"));
    m_invertAct = m_arrangeMenu->addAction(tr("Invert path"));
    m_groupAct = m_arrangeMenu->addAction(tr("Group path"));
    m_relativeAct = m_menu->addAction(tr("Relative correction..."));
    connect(m_copyAct, &QAction::triggered, this, &WPEditor::copySelectedItems);
    connect(m_pasteAct, &QAction::triggered, this, &WPEditor::pasteWP);
    // Backspace and the menu entry obey the lock as the Delete key does.
    connect(m_deleteAct, &QAction::triggered, this, [this] {
        if (m_changesAllowed)
            removeSelectedItems();
    });
    connect(m_selectAllAct, &QAction::triggered, this, &WPEditor::markAll);
    connect(m_invertAct, &QAction::triggered, this, &WPEditor::invertWPPath);
    connect(m_groupAct, &QAction::triggered, this, &WPEditor::makeGroupOfWaypoints);
    connect(m_relativeAct, &QAction::triggered, this, &WPEditor::setRelativeValues);
    auto *backspace = new QShortcut(QKeySequence(QStringLiteral("Backspace")), this);
    backspace->setContext(Qt::WindowShortcut);
    connect(backspace, &QShortcut::activated, m_deleteAct, &QAction::trigger);
}

void WPEditor::buildToolItems()
{
    for (int i = 0; i < 4; ++i) {
        auto *p = new MatrixPoint(500, 500, m_scale, i);
        p->hide();
        m_scene->addItem(p);
        connect(p, &MatrixPoint::matrixpressed, this, &WPEditor::matrixPointSelected);
        connect(p, &MatrixPoint::pointMoved, this, &WPEditor::matrixPointMoved);
        connect(this, &WPEditor::moveMap, p, &MatrixPoint::mapMoved);
        m_matrixPoints << p;
        auto *line = new QGraphicsLineItem;
        line->setPen(QPen(QColor(255, 150, 255), 3, Qt::DotLine));
        line->setZValue(-90);
        line->hide();
        m_scene->addItem(line);
        m_matrixLines << line;
    }
    for (int i = 0; i < 2; ++i) {
        auto *p = new COIPoint(500, 500, m_scale, i);
        p->hide();
        m_scene->addItem(p);
        connect(p, &COIPoint::coipressed, this, &WPEditor::coiPointSelected);
        connect(p, &COIPoint::pointMoved, this, &WPEditor::coiPointMoved);
        connect(this, &WPEditor::moveMap, p, &COIPoint::mapMoved);
        m_coiPoints << p;
    }
    m_matrixArrow = new MatrixDirection(500, 500, m_scale, -90);
    m_matrixArrow->setZValue(-80);
    m_matrixArrow->hide();
    m_scene->addItem(m_matrixArrow);
    m_matrixStart = 0;
    m_matrixEdge = 3;
    matrixDirIncrease();

    const QPen coiPen(QColor(0, 150, 150), 2.5 / m_scale, Qt::DashLine);
    m_coiLine = m_scene->addLine(QLineF(), coiPen);
    m_coiLine->setZValue(-90);
    m_coiLine->hide();
    m_coiCircle = m_scene->addEllipse(QRectF(), coiPen);
    m_coiCircle->setZValue(-90);
    m_coiCircle->hide();

    m_linealPoints << new LinealPoint(100, 100, m_scale) << new LinealPoint(200, 200, m_scale);
    for (LinealPoint *p : qAsConst(m_linealPoints)) {
        p->hide();
        m_scene->addItem(p);
    }
    m_linealLine = m_scene->addLine(QLineF(), QPen(QColor(180, 255, 0), 2 / m_scale));
    m_linealLine->setZValue(-90);
    m_linealLine->hide();

    m_matrixArea = m_scene->addPolygon(QPolygonF(), Qt::NoPen, QColor(255, 0, 255, 30));
    m_matrixArea->setZValue(-81);
    m_matrixArea->hide();
    m_polyArea = m_scene->addPolygon(
        QPolygonF(),
        QPen(QColor(255, 0, 255), 2 / m_scale, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin),
        QColor(255, 0, 255, 30));
    m_polyArea->setZValue(-81);
    m_polyArea->hide();
    m_polyArrow = new MatrixDirection(500, 500, m_scale, 90);
    m_polyArrow->setZValue(-80);
    m_polyArrow->hide();
    m_scene->addItem(m_polyArrow);

    m_home = new HomePosition(300, 300, m_scale);
    m_home->setZValue(-30);
    m_home->setOpacity(0);
    m_scene->addItem(m_home);
}

void WPEditor::attachWaypoint(int n, double zFootprint)
{
    WPWaypoint *item = m_plan->waypointItem(n);
    const QPointF p = m_plan->waypointPos(n);
    auto *cam = new WPCameraAngle(p.x(), p.y(), m_scale, m_plan->yaw(n), m_plan->northAngle(),
                                  false);
    cam->updateFootprint(m_plan->camAngleNick(n), m_plan->height(n), m_plan->pixelsPerMeter());
    cam->setZValue(zFootprint);
    m_cameraItems.insert(n - 1, cam);
    if (item) {
        connect(item, &WPWaypoint::wppressed, this, &WPEditor::itemSelected);
        connect(this, &WPEditor::moveMap, item, &WPWaypoint::mapMoved);
        connect(item, &WPWaypoint::rightClicked, this, &WPEditor::rightClickedOnSingleWaypoint);
        connect(item, &WPWaypoint::pointMoved, this, &WPEditor::waypointMoved);
        connect(this, &WPEditor::swpTypeChanged, item, [item](int wp, int type) {
            if (wp == item->number())
                item->setWaypointType(type);
        });
        item->setScale(m_scale);
        m_scene->addItem(item);
    }
    m_scene->addItem(cam);
}

void WPEditor::checkforLoading()
{
    qDebug() << "[WPEditor] checkforLoading";
    const int count = m_plan->count();
    if (count == 0)
        return;
    qDebug().noquote() << QStringLiteral("[WPEditor] checkforLoading for wpdata->getWpCount()+1: %1")
                              .arg(count + 1);
    for (int n = 1; n <= count; ++n) {
        attachWaypoint(n, -100);
        if (n > 1)
            appendSegment(n);
    }
    viewport()->update();
}

// ---- coordinates, zoom, status ----
QPointF WPEditor::sceneToGeo(const QPointF &p) const { return m_plan->pixelToGeo(p.x(), p.y()); }
QPointF WPEditor::geoToScene(double lon, double lat) const { return m_plan->geoToPixel(lon, lat); }

void WPEditor::computeMinimumScale()
{
    const QSize image = m_plan->imageSize();
    if (image.isEmpty()) {
        m_minScale = 1.0;
        return;
    }
    m_minScale = std::min(double(viewport()->width()) / image.width(),
                          double(viewport()->height()) / image.height());
}

void WPEditor::scaleView(double factor)
{
    qDebug().noquote() << QStringLiteral("[WPEditor] scaleView %1").arg(factor);
    const double oldScale = m_scale;
    double newScale = m_scale * factor;
    computeMinimumScale();
    qDebug() << "max scale: " << m_minScale << "scale_factor:" << newScale;
    if (m_minScale >= newScale) {
        newScale = m_minScale;
        factor = oldScale > 0 ? m_minScale / oldScale : m_minScale;
    }
    m_scale = newScale;
    qDebug() << "scal: " << factor;
    QGraphicsView::scale(factor, factor);

    m_plan->setScale(m_scale);
    for (WPCameraAngle *c : qAsConst(m_cameraItems))
        c->setScale(m_scale);
    for (MatrixPoint *p : qAsConst(m_matrixPoints))
        p->setScale(m_scale);
    for (MatrixPoint *p : qAsConst(m_polyHandles))
        p->setScale(m_scale);
    for (COIPoint *p : qAsConst(m_coiPoints))
        p->setScale(m_scale);
    for (LinealPoint *p : qAsConst(m_linealPoints))
        p->setScale(m_scale);
    for (MatrixPoint *p : qAsConst(m_lmHandles))
        p->setScale(m_scale);
    for (PMMarker *m : qAsConst(m_pmMarkers))
        m->setScale(m_scale);
    for (PreviewMatrixWP *p : qAsConst(m_previews))
        p->setScale(m_scale);
    m_harlek->setScale(m_scale);
    m_home->setScale(m_scale);
    m_matrixArrow->setScale(m_scale);
    m_polyArrow->setScale(m_scale);
    m_band->setScale(m_scale);
    auto penWidth = [](QAbstractGraphicsShapeItem *item, double w) {
        QPen pen = item->pen();
        pen.setWidthF(w);
        item->setPen(pen);
    };
    auto lineWidth = [](QGraphicsLineItem *item, double w) {
        QPen pen = item->pen();
        pen.setWidthF(w);
        item->setPen(pen);
    };
    for (QGraphicsLineItem *l : qAsConst(m_matrixLines))
        lineWidth(l, 3 / m_scale);
    for (QGraphicsLineItem *l : qAsConst(m_lmLines))
        lineWidth(l, 3 / m_scale);
    lineWidth(m_linealLine, 3 / m_scale);
    lineWidth(m_coiLine, 2.5 / m_scale);
    penWidth(m_coiCircle, 2.5 / m_scale);
    penWidth(m_polyArea, 2 / m_scale);
    m_paths.setScale(m_scale);
}

void WPEditor::wheelEvent(QWheelEvent *e)
{
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    qDebug() << "[WPEditor] wheelEvent";
    e->ignore();
    scaleView(std::pow(0.9, e->angleDelta().y() > 0 ? -1 : 1));
}

void WPEditor::resizeEvent(QResizeEvent *)
{
    scaleView(0.0);
    m_scene->setSceneRect(QRectF());
    // At the fit scale the whole map is meant to be seen, not a corner of
    // the wider scene the tool items span.
    centerOn(m_mapItem->sceneBoundingRect().center());
}

bool WPEditor::event(QEvent *e)
{
    if (e->type() != QEvent::Gesture)
        return QGraphicsView::event(e);
    qDebug() << "gesture event";
    auto *ge = static_cast<QGestureEvent *>(e);
    ge->accept();
    m_bandActive = false;
    m_band->setActive(false);
    m_pressButton = 0;
    setTransformationAnchor(QGraphicsView::AnchorViewCenter);
    auto *pinch = static_cast<QPinchGesture *>(ge->gesture(Qt::PinchGesture));
    if (!pinch)
        return true;
    if (pinch->changeFlags() & QPinchGesture::ScaleFactorChanged) {
        const double f = pinch->property("scaleFactor").toDouble();
        qDebug() << "scale factor: " << f;
        scaleView(f);
    }
    if (pinch->changeFlags() & QPinchGesture::CenterPointChanged) {
        const QPointF d = pinch->property("lastCenterPoint").toPointF() -
                          pinch->property("centerPoint").toPointF();
        qDebug() << "moved: " << d;
        verticalScrollBar()->setValue(verticalScrollBar()->value() + int(d.y()));
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + int(d.x()));
    }
    return true;
}

void WPEditor::sendStatusTip(const QString &text)
{
    QStatusTipEvent tip(text);
    QApplication::sendEvent(this, &tip);
}

void WPEditor::enterEvent(QEvent *e)
{
    m_mouseInside = true;
    QGraphicsView::enterEvent(e);
}

void WPEditor::leaveEvent(QEvent *e)
{
    m_mouseInside = false;
    sendStatusTip(QString());
    QGraphicsView::leaveEvent(e);
}

void WPEditor::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint pos = e->pos();
    if (m_pressButton != 0 && !m_dragging &&
        (std::abs(pos.x() - m_pressPos.x()) > 20 || std::abs(pos.y() - m_pressPos.y()) > 20)) {
        if (m_pressButton == 2) {
            m_dragging = true;
            viewport()->setCursor(Qt::SizeAllCursor);
        }
        static const QList<int> dragStates = {0, 1, 2, 4, 7, 9};
        if (dragStates.contains(m_state))
            emit moveMap();
    }
    const QPointF scenePos = mapToScene(pos);
    if (m_dragging && m_pressButton == 2) {
        verticalScrollBar()->setValue(verticalScrollBar()->value() + m_pressPos.y() - pos.y());
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + m_pressPos.x() - pos.x());
        m_pressPos = pos;
    } else if (m_bandActive) {
        m_band->setEndPoint(scenePos);
        m_scene->update();
    }
    if (m_mouseInside) {
        m_lastMouseScene = scenePos;
        const QPointF geo = sceneToGeo(scenePos);
        sendStatusTip(tr("Longitude/Latitude: %1 / %2")
                          .arg(QString::number(geo.x(), 'g', 10) + QChar(0x00B0),
                               QString::number(geo.y(), 'g', 10) + QChar(0x00B0)));
    }
    QGraphicsView::mouseMoveEvent(e);
}

// ---- tool states ----
int WPEditor::visibleMatrixCorners() const
{
    int n = 0;
    for (MatrixPoint *p : m_matrixPoints)
        n += p->isVisible() ? 1 : 0;
    return n;
}

void WPEditor::updateCursor()
{
    int coi = 0;
    for (COIPoint *p : qAsConst(m_coiPoints))
        coi += p->isVisible() ? 1 : 0;
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
        cross = visibleMatrixCorners() < 4;
        break;
    case CoiState:
        cross = coi < 2;
        break;
    default:
        break;
    }
    viewport()->setCursor(cross ? Qt::CrossCursor : Qt::ArrowCursor);
}

void WPEditor::clearPolygon()
{
    for (MatrixPoint *p : qAsConst(m_polyHandles)) {
        m_scene->removeItem(p);
        delete p;
    }
    m_polyHandles.clear();
    m_polyPoints.clear();
    m_polyArea->setPolygon(QPolygonF());
    m_polyArea->hide();
    m_polyArrow->hide();
}

void WPEditor::clearLineMatrix()
{
    for (MatrixPoint *p : qAsConst(m_lmHandles)) {
        m_scene->removeItem(p);
        delete p;
    }
    for (QGraphicsLineItem *l : qAsConst(m_lmLines)) {
        m_scene->removeItem(l);
        delete l;
    }
    m_lmHandles.clear();
    m_lmLines.clear();
    m_lmPoints.clear();
}

void WPEditor::changeState(int state)
{
    qDebug().noquote() << QStringLiteral("[WPEditor] changeState %1").arg(state);
    const int corners = visibleMatrixCorners();
    switch (m_state) {
    case SelectState:
        if (state != HeadingOnMapState) {
            m_selection.clear();
            handleItemSelection();
        }
        break;
    case MatrixState:
        if (state != MatrixState) {
            for (int i = 0; i < 4; ++i) {
                m_matrixPoints[i]->hide();
                m_matrixLines[i]->hide();
            }
            m_matrixArrow->hide();
            m_matrixArea->hide();
            clearPreviews();
            emit noWaypointSelected();
            emit matrixPointsOnMap(corners);
        }
        break;
    case CoiState:
        if (state != CoiState) {
            m_coiLine->hide();
            m_coiCircle->hide();
            for (COIPoint *p : qAsConst(m_coiPoints))
                p->hide();
            clearPreviews();
            emit noWaypointSelected();
            emit coiPointsOnMap(0);
        }
        break;
    case RulerState:
        if (state != RulerState) {
            for (LinealPoint *p : qAsConst(m_linealPoints))
                p->hide();
            m_linealLine->hide();
        }
        break;
    case PolygonState:
        if (state != PolygonState && state != PolygonDoneState) {
            clearPolygon();
            clearPreviews();
        }
        break;
    case PolygonDoneState:
        if (state != PolygonDoneState) {
            clearPolygon();
            clearPreviews();
        }
        break;
    case LineMatrixState:
        if (state != LineMatrixState && state != LineMatrixDoneState) {
            clearLineMatrix();
            clearPreviews();
        }
        break;
    case LineMatrixDoneState:
        if (state != LineMatrixDoneState) {
            clearLineMatrix();
            clearPreviews();
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
    m_polyA = 0;
    m_polyB = 1;
    placePolygonArrow();
}

void WPEditor::finishLineMatrixAdded() { changeState(LineMatrixDoneState); }

void WPEditor::placeMatrixArrow()
{
    if (visibleMatrixCorners() < 4)
        return;
    const QPointF s = m_matrixPoints[m_matrixStart]->anchor();
    const QLineF edge(m_matrixPoints[m_matrixEdge]->anchor(),
                      m_matrixPoints[(m_matrixEdge + 1) % 4]->anchor());
    m_matrixArrow->setPosition(s.x(), s.y());
    m_matrixArrow->setAngle(m_matrixStart == m_matrixEdge ? 90 - edge.angle()
                                                          : -edge.angle() - 90);
}

void WPEditor::matrixDirIncrease()
{
    if (m_matrixEdge != m_matrixStart)
        m_matrixEdge = (m_matrixEdge + 1) % 4;
    else
        m_matrixStart = (m_matrixStart + 1) % 4;
    placeMatrixArrow();
}

void WPEditor::matrixDirDecrease()
{
    if (m_matrixEdge == m_matrixStart)
        m_matrixEdge = (m_matrixEdge + 3) % 4;
    else
        m_matrixStart = (m_matrixStart + 3) % 4;
    placeMatrixArrow();
}

void WPEditor::placePolygonArrow()
{
    const int n = m_polyPoints.size();
    if (n < 2)
        return;
    const QPointF a = m_polyPoints.at(m_polyA);
    const QLineF line(a, m_polyPoints.at(m_polyB));
    m_polyArrow->setPosition(a.x(), a.y());
    m_polyArrow->setAngle(90 - line.angle());
    m_polyArrow->show();
}

void WPEditor::polygonDirIncrease()
{
    const int n = m_polyPoints.size();
    if (n < 2)
        return;
    if (m_polyA == n - 1 && m_polyB == 0) {
        m_polyA = 0;
        m_polyB = n - 1;
    } else if (m_polyA == 0 && m_polyB == n - 1) {
        m_polyB = 1;
    } else if (m_polyA <= m_polyB) {
        std::swap(m_polyA, m_polyB);
    } else {
        m_polyB = (m_polyB + 2) % n;
    }
    placePolygonArrow();
}

void WPEditor::polygonDirDecrease()
{
    const int n = m_polyPoints.size();
    if (n < 2)
        return;
    if (m_polyA == n - 1 && m_polyB == 0) {
        m_polyB = n - 2;
    } else if (m_polyA == 0 && m_polyB == n - 1) {
        m_polyA = n - 1;
        m_polyB = 0;
    } else if (m_polyA < m_polyB) {
        m_polyB = (m_polyB - 2 + n) % n;
    } else {
        std::swap(m_polyA, m_polyB);
    }
    placePolygonArrow();
}

double WPEditor::areaSquareMetres(const QPolygonF &p) const
{
    const auto toGeo = [this](const QPointF &q) { return sceneToGeo(q); };
    const QVector<QPointF> corners(p.begin(), p.end());
    return corners.size() == 4 ? SurveyGrid::quadrilateralArea(corners, toGeo, distanceMetres)
                               : SurveyGrid::polygonArea(corners, toGeo, distanceMetres);
}

void WPEditor::redrawMatrixLines()
{
    const int n = visibleMatrixCorners();
    for (int i = 0; i < 4; ++i) {
        const bool shown = i + 1 < n || (n == 4);
        if (shown) {
            m_matrixLines[i]->setLine(
                QLineF(m_matrixPoints[i]->anchor(), m_matrixPoints[(i + 1) % 4]->anchor()));
            m_matrixLines[i]->setZValue(-90);
        }
        m_matrixLines[i]->setVisible(shown);
    }
}

void WPEditor::placeMatrixCorner(const QPointF &p)
{
    const int n = visibleMatrixCorners();
    if (n < 3) {
        m_matrixPoints[n]->setPosition(p.x(), p.y());
        m_matrixPoints[n]->show();
        redrawMatrixLines();
        emit matrixPointsOnMap(n + 1);
        return;
    }
    if (n == 4) {
        emit matrixPointsOnMap(4);
        return;
    }
    const QVector<QPointF> three = {m_matrixPoints[0]->anchor(), m_matrixPoints[1]->anchor(),
                                    m_matrixPoints[2]->anchor()};
    QVector<QPointF> placed;
    switch (SurveyGrid::placeFourthCorner(three, p, &placed)) {
    case SurveyGrid::FourthCorner::InsideTriangle:
        Prompt::message(this, QStringLiteral(":/icons/80/warning"),
                        tr("This action is not allowed"),
                        tr("You can't set the last matrix point inside the polygon."));
        return;
    case SurveyGrid::FourthCorner::NotConvex:
        Prompt::message(this, QStringLiteral(":/icons/80/warning"), tr("Point can't be set"),
                        tr("Your point is invalid. Create a quadrilateral with angles smaller "
                           "than 180 degree (convex)."));
        return;
    case SurveyGrid::FourthCorner::Placed:
        break;
    }
    const QPolygonF order(placed);
    for (int i = 0; i < 4; ++i) {
        m_matrixPoints[i]->setPosition(order[i].x(), order[i].y());
        m_matrixPoints[i]->show();
    }
    redrawMatrixLines();
    m_matrixStart = 0;
    m_matrixEdge = 3;
    m_matrixArrow->show();
    matrixDirIncrease();
    viewport()->setCursor(Qt::ArrowCursor);
    emit matrixAreaQM(areaSquareMetres(order));
    emit matrixPointsOnMap(4);
    m_matrixArea->setPolygon(order);
    m_matrixArea->show();
}

void WPEditor::matrixPointSelected(int id) { m_pressedMatrix = id; }

void WPEditor::matrixPointMoved(int id, double x, double y)
{
    if (id < 0 || id >= 4)
        return;
    if (visibleMatrixCorners() == 4) {
        // The quadrilateral stays convex: a corner that would break it stays put.
        const QPointF opposite = m_matrixPoints[(id + 2) % 4]->anchor();
        const QPointF n1 = m_matrixPoints[(id + 1) % 4]->anchor();
        const QPointF n2 = m_matrixPoints[(id + 3) % 4]->anchor();
        if (!SurveyGrid::insideConvexQuad(opposite, n1, n2, QPointF(x, y)))
            return;
    }
    m_matrixPoints[id]->setPosition(x, y);
    redrawMatrixLines();
    if (visibleMatrixCorners() == 4) {
        QPolygonF poly;
        for (MatrixPoint *p : qAsConst(m_matrixPoints))
            poly << p->anchor();
        m_matrixArea->setPolygon(poly);
        placeMatrixArrow();
        emit matrixAreaQM(areaSquareMetres(poly));
    }
}

void WPEditor::placeCoiPoint(const QPointF &p)
{
    const int n = int(m_coiPoints[0]->isVisible()) + int(m_coiPoints[1]->isVisible());
    if (n == 0) {
        m_coiPoints[0]->setPosition(p.x(), p.y());
        m_coiPoints[0]->show();
        emit firstCOIPoint(sceneToGeo(p));
        emit coiPointsOnMap(1);
    } else if (n == 1) {
        m_coiPoints[1]->setPosition(p.x(), p.y());
        m_coiPoints[1]->show();
        coiPointMoved(1, p.x(), p.y());
        m_coiLine->show();
        m_coiCircle->show();
        viewport()->setCursor(Qt::ArrowCursor);
        emit coiPointsOnMap(2);
    } else {
        emit coiPointsOnMap(2);
    }
}

void WPEditor::coiPointSelected(int id)
{
    qDebug().noquote() << QStringLiteral("[WPEditor] matrixPointSelected %1").arg(id);
}

void WPEditor::coiPointMoved(int id, double x, double y)
{
    if (id < 0 || id >= 2)
        return;
    if (id == 0 && m_coiPoints[0]->isVisible() && m_coiPoints[1]->isVisible()) {
        // The centre takes the radius point along, so the radius stays.
        const QPointF shift = QPointF(x, y) - m_coiPoints[0]->anchor();
        const QPointF r = m_coiPoints[1]->anchor() + shift;
        m_coiPoints[1]->setPosition(r.x(), r.y());
    }
    m_coiPoints[id]->setPosition(x, y);
    const QPointF c = m_coiPoints[0]->anchor(), r = m_coiPoints[1]->anchor();
    const double radius = QLineF(c, r).length();
    m_coiLine->setLine(QLineF(c, r));
    m_coiCircle->setRect(QRectF(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius));
    const QPointF gc = sceneToGeo(c), gr = sceneToGeo(r);
    if (id == 0)
        emit firstCOIPoint(gc);
    emit secondCOIPoint(distanceMetres(gc, gr));
}

void WPEditor::addPolygonPoint(const QPointF &p)
{
    m_polyPoints << p;
    auto *h = new MatrixPoint(p.x(), p.y(), m_scale, m_polyPoints.size() - 1);
    connect(h, &MatrixPoint::matrixpressed, this, &WPEditor::polygonPointSelected);
    connect(h, &MatrixPoint::pointMoved, this, &WPEditor::polygonPointMoved);
    connect(this, &WPEditor::moveMap, h, &MatrixPoint::mapMoved);
    m_scene->addItem(h);
    m_polyHandles << h;
    m_polyArea->setPolygon(QPolygonF(m_polyPoints.toVector()));
    m_polyArea->show();
    emit polygonAreaQM(areaSquareMetres(QPolygonF(m_polyPoints.toVector())));
    if (m_polyPoints.size() == 3)
        emit moreThan3PolyPoints();
}

void WPEditor::polygonPointSelected(int id) { m_pressedPoly = id; }

void WPEditor::polygonPointMoved(int id, double x, double y)
{
    if (id < 0 || id >= m_polyPoints.size())
        return;
    m_polyPoints[id] = QPointF(x, y);
    m_polyHandles[id]->setPosition(x, y);
    m_polyArea->setPolygon(QPolygonF(m_polyPoints.toVector()));
    if (m_state == PolygonDoneState)
        placePolygonArrow();
    emit polygonAreaQM(areaSquareMetres(QPolygonF(m_polyPoints.toVector())));
}

void WPEditor::addLineMatrixPoint(const QPointF &p)
{
    if (!m_lmPoints.isEmpty()) {
        auto *line = m_scene->addLine(QLineF(m_lmPoints.last(), p),
                                      QPen(QColor(40, 255, 255, 180), 3 / m_scale, Qt::DotLine));
        line->setZValue(60);
        m_lmLines << line;
    }
    m_lmPoints << p;
    auto *h = new MatrixPoint(p.x(), p.y(), m_scale, m_lmPoints.size() - 1);
    h->setZValue(80);
    connect(h, &MatrixPoint::matrixpressed, this, &WPEditor::lmPointSelected);
    connect(h, &MatrixPoint::pointMoved, this, &WPEditor::lmPointMoved);
    connect(this, &WPEditor::moveMap, h, &MatrixPoint::mapMoved);
    m_scene->addItem(h);
    m_lmHandles << h;
    if (m_lmPoints.size() == 2)
        emit moreThan2LMPoints();
}

void WPEditor::lmPointSelected(int id)
{
    qDebug().noquote() << QStringLiteral("[WPEditor] lmPointSelected %1").arg(id);
    m_pressedLm = id;
}

void WPEditor::lmPointMoved(int id, double x, double y)
{
    if (id < 0 || id >= m_lmPoints.size())
        return;
    m_lmPoints[id] = QPointF(x, y);
    m_lmHandles[id]->setPosition(x, y);
    if (id > 0) {
        QGraphicsLineItem *before = m_lmLines[id - 1];
        before->setLine(QLineF(before->line().p1(), QPointF(x, y)));
    }
    if (id < m_lmLines.size()) {
        QGraphicsLineItem *after = m_lmLines[id];
        after->setLine(QLineF(QPointF(x, y), after->line().p2()));
    }
}

void WPEditor::placeRulerPoint(const QPointF &p)
{
    if (m_linealPoints[0]->isVisible() && m_linealPoints[1]->isVisible()) {
        m_linealPoints[0]->hide();
        m_linealPoints[1]->hide();
        m_linealLine->hide();
    }
    if (!m_linealPoints[0]->isVisible()) {
        m_linealPoints[0]->setPosition(p.x(), p.y());
        m_linealPoints[0]->show();
        emit firstLinealPoint(sceneToGeo(p));
        return;
    }
    m_linealPoints[1]->setPosition(p.x(), p.y());
    m_linealPoints[1]->show();
    m_linealLine->setLine(QLineF(m_linealPoints[0]->anchor(), p));
    m_linealLine->show();
    const QPointF a = sceneToGeo(m_linealPoints[0]->anchor()), b = sceneToGeo(p);
    emit secondLinealPoint(b, distanceMetres(a, b));
}

// ---- mouse and keys ----
void WPEditor::mousePressEvent(QMouseEvent *e)
{
    m_pressPos = e->pos();
    qDebug() << "mousepressevent";
    m_pressScene = mapToScene(e->pos());
    m_pressButton = e->button() == Qt::LeftButton ? 1 : e->button() == Qt::RightButton ? 2 : 0;
    const bool left = m_pressButton == 1;
    const QPointF p = m_pressScene;

    if (left && m_state == HeadingOnMapState) {
        for (int n : qAsConst(m_selection)) {
            const QPointF w = m_plan->waypointPos(n);
            // Stored against the map's north, as the grid generators do.
            double heading = LineGenerators::headingToward(w, p) - m_plan->northAngle();
            if (heading < 0)
                heading += 360;
            m_plan->setYawSingle(n, heading);
            if (n - 1 < m_cameraItems.size())
                m_cameraItems[n - 1]->setHeading(m_plan->yaw(n));
        }
    } else if (left && m_state == WaypointState) {
        newWaypointAt(p);
    } else if (left && m_state == MatrixState) {
        placeMatrixCorner(p);
    } else if (left && m_state == CoiState) {
        placeCoiPoint(p);
    } else if (left && m_state == PolygonState) {
        addPolygonPoint(p);
    } else if (left && m_state == LineMatrixState) {
        addLineMatrixPoint(p);
    } else if (left && m_state == RulerState) {
        placeRulerPoint(p);
    }

    QGraphicsView::mousePressEvent(e);

    if (left && m_state == SelectState && !m_itemPressed) {
        if (!m_ctrl)
            m_selection.clear();
        handleItemSelection();
    }
    if (left && m_state == SelectState && (m_selection.isEmpty() || m_ctrl) && !m_toggleDone) {
        if (m_pmPressed && !m_ctrl)
            emit markPM(m_pressedPM);
        m_band->setStartPoint(p);
        m_band->setEndPoint(p);
        m_bandActive = true;
    }
    if (left) {
        for (int i = 0; i < m_matrixPoints.size(); ++i)
            m_matrixPoints[i]->setPressed(i == m_pressedMatrix);
        if (m_state == PolygonDoneState)
            for (int i = 0; i < m_polyHandles.size(); ++i)
                m_polyHandles[i]->setPressed(i == m_pressedPoly);
        m_pressedMatrix = -1;
        m_pressedPoly = -1;
    }
    m_itemPressed = false;
    e->accept();
}

void WPEditor::mouseReleaseEvent(QMouseEvent *e)
{
    QGraphicsView::mouseReleaseEvent(e);
    const int button = e->button() == Qt::LeftButton ? 1 : e->button() == Qt::RightButton ? 2 : 0;
    if (button == 2 && m_state == SelectState) {
        if (!m_dragging) {
            prepareContextMenu();
            if (!m_menu->property("korvelNoExec").toBool())
                m_menu->popup(mapToGlobal(e->pos()));
        } else {
            updateCursor();
        }
    } else if (button == 2 && m_dragging) {
        updateCursor();
    }
    m_dragging = false;

    if (m_bandActive) {
        m_bandActive = false;
        const QPointF a = m_band->startPoint(), b = m_band->endPoint();
        m_band->setActive(false);
        if (!m_ctrl)
            m_selection.clear();
        const double x0 = std::min(a.x(), b.x()), x1 = std::max(a.x(), b.x());
        const double y0 = std::min(a.y(), b.y()), y1 = std::max(a.y(), b.y());
        for (int n = 1; n <= m_plan->count(); ++n) {
            const QPointF w = m_plan->waypointPos(n);
            if (w.x() > x0 && w.x() < x1 && w.y() > y0 && w.y() < y1 && !m_selection.contains(n))
                m_selection << n;
        }
        handleItemSelection();
        m_scene->update();
    }
    if (button == 1 && m_state == HeadingOnMapState)
        emit headingOnMapSetted();
    m_pmPressed = false;
    m_pressButton = 0;
    m_toggleDone = false;
    if (m_moveDone) {
        m_moveDone = false;
        m_copyBuffer->setMove(m_selection, m_lastDrag - m_pressScene);
    }
    m_scene->setSceneRect(QRectF());
}

void WPEditor::keyPressEvent(QKeyEvent *e)
{
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    switch (e->key()) {
    case Qt::Key_Delete:
        if (m_changesAllowed) {
            removeSelectedItems();
            qDebug() << "[WPEditor] keyPressEvent Qt::Key_Delete";
        }
        return;
    case Qt::Key_Control:
        if (m_state == SelectState)
            m_ctrl = true;
        return;
    case Qt::Key_Shift:
        if (m_state == SelectState)
            m_shift = true;
        return;
    case Qt::Key_Escape:
        // Ends a band that is still being drawn.
        if (m_bandActive) {
            m_bandActive = false;
            m_band->setActive(false);
        }
        return;
    case Qt::Key_Left:
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - 30);
        return;
    case Qt::Key_Right:
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + 30);
        return;
    case Qt::Key_Up:
        verticalScrollBar()->setValue(verticalScrollBar()->value() - 30);
        return;
    case Qt::Key_Down:
        verticalScrollBar()->setValue(verticalScrollBar()->value() + 30);
        return;
    case Qt::Key_C:
        if (ctrl && m_state == SelectState && !m_selection.isEmpty())
            copySelectedItems();
        return;
    case Qt::Key_V:
        if (ctrl && m_state == SelectState)
            pasteWP();
        return;
    case Qt::Key_A:
        if (ctrl && m_state == SelectState)
            markAll();
        return;
    default:
        QGraphicsView::keyPressEvent(e);
    }
}

void WPEditor::keyReleaseEvent(QKeyEvent *e)
{
    m_ctrl = false;
    m_shift = false;
    QGraphicsView::keyReleaseEvent(e);
}

void WPEditor::prepareContextMenu()
{
    const bool any = !m_selection.isEmpty();
    m_deleteAct->setEnabled(any && m_changesAllowed);
    m_copyAct->setEnabled(any);
    m_arrangeMenu->setEnabled(any);
    m_arrangeMenu->menuAction()->setEnabled(any);
    m_relativeAct->setEnabled(any);
    m_invertAct->setEnabled(any);
    if (any) {
        for (int i = 0; i < m_selection.size(); ++i)
            if (m_selection[i] != m_selection.first() + i)
                m_invertAct->setEnabled(false);
        // Steerwise waypoints count their values differently: no relative
        // correction across them and any other type.
        if (m_selection.size() >= 2) {
            bool steerwise = false, other = false;
            for (int n : qAsConst(m_selection)) {
                if (typeGroup(m_plan->waypointType(n)) == 3)
                    steerwise = true;
                else
                    other = true;
            }
            if (steerwise && other)
                m_relativeAct->setEnabled(false);
        }
    }
    m_pasteAct->setEnabled(!m_copyBuffer->isEmpty());
}

// ---- selection ----
void WPEditor::handleItemSelection()
{
    qDebug() << "[WPEditor] handleItemSelection";
    for (int n = 1; n <= m_plan->count(); ++n) {
        WPWaypoint *item = m_plan->waypointItem(n);
        WPCameraAngle *cam = n - 1 < m_cameraItems.size() ? m_cameraItems[n - 1] : nullptr;
        if (m_selection.contains(n)) {
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
    if (m_selection.isEmpty() && !m_pmPressed)
        emit noWaypointSelected();
    else
        emit singleWaypointSelected(m_selection);
    std::sort(m_selection.begin(), m_selection.end());
}

void WPEditor::itemSelected(int n)
{
    qDebug().noquote() << QStringLiteral("[WPEditor] itemSelected %1").arg(n);
    m_itemPressed = true;
    if (m_state == SelectState && m_ctrl) {
        if (m_selection.contains(n))
            m_selection.removeAll(n);
        else
            m_selection << n;
        handleItemSelection();
        m_toggleDone = true;
    } else if (m_state == SelectState && m_shift) {
        if (m_selection.isEmpty()) {
            m_selection << n;
        } else {
            const int lo = *std::min_element(m_selection.begin(), m_selection.end());
            const int hi = *std::max_element(m_selection.begin(), m_selection.end());
            if (n > hi) {
                for (int i = hi + 1; i <= n; ++i)
                    m_selection << i;
            } else if (n < lo) {
                for (int i = lo - 1; i >= n; --i)
                    m_selection << i;
            } else {
                for (int i = lo + 1; i < hi; ++i)
                    if (!m_selection.contains(i))
                        m_selection << i;
            }
        }
        handleItemSelection();
    } else if (m_state == SelectState || m_state == WaypointState) {
        if (m_selection.size() > 1 && m_selection.contains(n))
            return;
        m_selection = {n};
        handleItemSelection();
    }
}

void WPEditor::markAll()
{
    m_selection.clear();
    for (int n = 1; n <= m_plan->count(); ++n)
        m_selection << n;
    handleItemSelection();
    m_scene->update();
}

void WPEditor::rightClickedOnSingleWaypoint() { qDebug() << "[WPEditor] rightClickedOnSingleWaypoint"; }

// ---- waypoints ----
void WPEditor::newWaypointAt(const QPointF &p)
{
    const int n = m_plan->count() + 1;
    auto *item = new WPWaypoint(p.x(), p.y(), m_scale, n, 0);
    m_plan->addDefaultWaypoint(item);
    attachWaypoint(n, -40);
    if (n > 1)
        appendSegment(n);
    viewport()->update();
    emit wpdataChanged();
}

void WPEditor::addWaypoint(const Waypoint &wp)
{
    const QPointF p = geoToScene(wp.longitude, wp.latitude);
    const int n = m_plan->count() + 1;
    auto *item = new WPWaypoint(p.x(), p.y(), m_scale, n, wp.type);
    m_plan->addWaypoint(item, wp.withinTypedRanges());
    attachWaypoint(n, -40);
    if (n > 1)
        appendSegment(n);
    viewport()->update();
}

// The leg into waypoint n, drawn for its stored type (asking the plan for
// the type would close a run that is still being added to). While a read
// plan is laid out, n is not the plan's last waypoint.
void WPEditor::appendSegment(int n)
{
    m_paths.insertPath(n - 1, n, int(m_plan->record(n).type));
}

void WPEditor::waypointMoved(int id, double x, double y)
{
    if (m_toggleDone || m_shift)
        return;
    // While a flight runs the plan is locked: nothing moves, nothing changes.
    if (!m_changesAllowed)
        return;
    // A waypoint dragged off the image stays on its edge.
    const QSize image = m_plan->imageSize();
    x = qBound(0.0, x, double(image.width()));
    y = qBound(0.0, y, double(image.height()));
    if (m_selection.size() <= 1) {
        qDebug() << "Waypoint moved";
        if (WPWaypoint *item = m_plan->waypointItem(id))
            item->setPosition(x, y);
        m_plan->setWaypoint_flightstatus(id, 0, false);
        if (id - 1 < m_cameraItems.size())
            m_cameraItems[id - 1]->setPosition(x, y);
        m_paths.updateAround(id);
        m_paths.checkLengthPath(id);
        emit singleWaypointSelected(QList<int>{id});
    } else {
        qDebug() << "Waypoints moved";
        const QPointF old = m_plan->waypointPos(id);
        QPointF d(x - old.x(), y - old.y());
        // The whole group stays on the image.
        for (int n : qAsConst(m_selection)) {
            const QPointF w = m_plan->waypointPos(n);
            d.setX(qBound(-w.x(), d.x(), image.width() - w.x()));
            d.setY(qBound(-w.y(), d.y(), image.height() - w.y()));
        }
        for (int n : qAsConst(m_selection)) {
            const QPointF w = m_plan->waypointPos(n) + d;
            if (WPWaypoint *item = m_plan->waypointItem(n))
                item->setPosition(w.x(), w.y());
            if (n - 1 < m_cameraItems.size())
                m_cameraItems[n - 1]->setPosition(w.x(), w.y());
        }
        for (int n : qAsConst(m_selection))
            m_paths.updateAround(n);
        m_paths.checkLengthPath(m_selection.first());
        m_paths.checkLengthPath(m_selection.last());
    }
    m_lastDrag = QPointF(x, y);
    m_moveDone = true;
    emit wpdataChanged();
}

void WPEditor::copySelectedItems()
{
    QList<WPCopyRecord> records;
    if (!m_selection.isEmpty()) {
        const QPointF first = m_plan->waypointPos(m_selection.first());
        for (int n : qAsConst(m_selection)) {
            WPCopyRecord r;
            r.values = m_plan->record(n);
            // The type as the plan answers it, an open run end closed.
            r.values.type = Waypoint::Type(m_plan->waypointType(n));
            r.offset = m_plan->waypointPos(n) - first;
            records << r;
        }
    }
    m_copyBuffer->setCopy(records, m_selection);
}

void WPEditor::pasteWP()
{
    const int first = m_plan->count() + 1;
    m_selection.clear();
    const QList<WPCopyRecord> records = m_copyBuffer->records();
    for (int i = 0; i < records.size(); ++i) {
        Waypoint wp = records[i].values;
        const QPointF geo = sceneToGeo(m_lastMouseScene + records[i].offset);
        wp.longitude = geo.x();
        wp.latitude = geo.y();
        addWaypoint(wp);
        // The copy's own flags and camera display, not the defaults.
        m_plan->setProperties(first + i, wp.properties);
        m_plan->setShowCamera(first + i, wp.showCamera);
        m_selection << first + i;
    }
    if (records.isEmpty())
        return;
    handleItemSelection();
    m_scene->update();
    emit wpdataChanged();
}

void WPEditor::removeSelectedItems()
{
    qDebug().noquote() << QStringLiteral("[WPEditor] removeSelectedItems %1").arg(m_selection.size());
    if (m_selection.isEmpty())
        return;
    while (!m_selection.isEmpty()) {
        const int k = m_selection.first();
        m_plan->removeWaypoint(k);
        m_paths.removeWaypoint(k);
        if (k - 1 < m_cameraItems.size())
            delete m_cameraItems.takeAt(k - 1);
        for (int &n : m_selection)
            if (n > k)
                --n;
        m_selection.removeFirst();
    }
    m_plan->refreshWaypointNumbers();
    emit wpdataChanged();
    emit noWaypointSelected();
}

void WPEditor::switchWPPath(int a, int b)
{
    if (a < 1 || b < 1 || a > m_cameraItems.size() || b > m_cameraItems.size())
        return;
    m_cameraItems.swapItemsAt(a - 1, b - 1);
    m_cameraItems[a - 1]->update();
    m_cameraItems[b - 1]->update();
    m_paths.updatePair(a, b);
}

void WPEditor::switchWP(int a, int b)
{
    m_plan->switchWaypoints(a, b, false);
    switchWPPath(a, b);
}

void WPEditor::switchWPAfter(int from, int to)
{
    if (from == to || from < 1 || to < 1 || from > m_plan->count() || to > m_plan->count())
        return;
    if (from > to)
        for (int i = from; i > to; --i)
            switchWP(i, i - 1);
    else
        for (int i = from; i < to; ++i)
            switchWP(i, i + 1);
}

void WPEditor::invertWPPath()
{
    if (m_selection.isEmpty())
        return;
    const int last = m_selection.last();
    if (m_plan->waypointType(last) == 11) {
        m_plan->setWaypointType(last, 1);
        m_plan->setWaypointType(m_selection.first(), 11);
    }
    const int size = m_selection.size();
    for (int i = 0; i < size / 2; ++i) {
        m_plan->switchWaypoints(m_selection[i], m_selection[size - 1 - i], false);
        switchWPPath(m_selection[i], m_selection[size - 1 - i]);
    }
    QList<int> runs;
    for (int n : qAsConst(m_selection)) {
        const int t = m_plan->waypointType(n);
        if ((t == 1 || t == 11) && m_plan->headingInFlightDirection(n))
            runs << n;
    }
    if (!runs.isEmpty())
        m_plan->calculateMatrixHeadings(runs);
    for (int n : qAsConst(m_selection)) {
        m_paths.setSegmentType(n, m_plan->waypointType(n));
        if (WPWaypoint *item = m_plan->waypointItem(n))
            item->setWaypointType(m_plan->waypointType(n));
        if (n - 1 < m_cameraItems.size())
            m_cameraItems[n - 1]->setHeading(m_plan->yaw(n));
    }
    emit wpdataChanged();
    m_plan->refreshWaypointNumbers();
    m_scene->update();
}

void WPEditor::makeGroupOfWaypoints()
{
    if (m_selection.isEmpty())
        return;
    const int f = m_selection.first();
    for (int i = 1; i < m_selection.size(); ++i)
        if (m_selection[i] != f + i)
            switchWPAfter(m_selection[i], f + i);
    emit wpdataChanged();
    m_plan->refreshWaypointNumbers();
    m_selection.clear();
    handleItemSelection();
}

void WPEditor::walkRun(int wp, const std::function<void(int)> &fn)
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

void WPEditor::resizeFootprint(int n)
{
    if (n < 1 || n > m_cameraItems.size())
        return;
    m_cameraItems[n - 1]->updateFootprint(m_plan->camAngleNick(n), m_plan->height(n),
                                          m_plan->pixelsPerMeter());
}

void WPEditor::setHeight(int wp, double metres)
{
    if (wp < 1 || wp > m_cameraItems.size())
        return;
    walkRun(wp, [this, metres](int n) {
        m_cameraItems[n - 1]->updateFootprint(m_plan->camAngleNick(n), metres,
                                              m_plan->pixelsPerMeter());
    });
}

void WPEditor::setYawAngle(int wp, double heading)
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

void WPEditor::setPitchAngle(int wp, double pitch)
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

void WPEditor::setRelativeValues()
{
    emit relativeValues(m_selection);
    for (int n : qAsConst(m_selection)) {
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

void WPEditor::setChanges(bool allowed)
{
    qDebug().noquote() << QStringLiteral("[WPEditor] setChanges %1").arg(allowed);
    m_changesAllowed = allowed;
}

void WPEditor::wpTypeChanged(int wp, int type)
{
    m_paths.setSegmentType(wp, type);
    emit swpTypeChanged(wp, type);
}

// ---- flight marks, aircraft, home ----
void WPEditor::markV1WP(int n)
{
    qDebug() << "MARK traveling" << n;
    if (n >= 1 && n <= m_plan->count())
        m_plan->setWaypoint_flightstatus(n, 1, true);
}

void WPEditor::markV1WPFinished(int n)
{
    qDebug() << "MARK finished" << n;
    if (n >= 1 && n <= m_plan->count())
        m_plan->setWaypoint_flightstatus(n, 2, true);
}

void WPEditor::markV1WPallClear() { unmarkRange(1, m_plan->count()); }

void WPEditor::unmarkRange(int start, int stop)
{
    for (int n = std::max(1, start); n <= std::min(stop, m_plan->count()); ++n)
        m_plan->setWaypoint_flightstatus(n, 0, true);
}

void WPEditor::unmarkSince(int n) { unmarkRange(n, m_plan->count()); }

void WPEditor::setHarlekPos(double lon, double lat)
{
    const QPointF p = geoToScene(lon, lat);
    const QSize image = m_plan->imageSize();
    if (p.x() >= 0 && p.x() <= image.width() && p.y() >= 0 && p.y() <= image.height()) {
        m_harlek->setPosition(p.x(), p.y());
        m_harlek->setShown(true);
    } else {
        m_harlek->setShown(false);
    }
}

void WPEditor::setHarlekAngle(double angle) { m_harlek->setAngle(angle + m_plan->northAngle()); }

void WPEditor::setHomePosition(double lon, double lat)
{
    qDebug() << "++++++++++++++ SHOW HOME +++++++++++++++++++";
    const QPointF p = geoToScene(lon, lat);
    const QSize image = m_plan->imageSize();
    if (p.x() >= 0 && p.x() <= image.width() && p.y() >= 0 && p.y() <= image.height()) {
        m_home->setPosition(p.x(), p.y());
        m_home->setOpacity(1);
    } else {
        m_home->setOpacity(0);
    }
}

// ---- placemarks ----
void WPEditor::pmclicked(QStandardItem *placemark)
{
    qDebug() << "[WPEditor] pmclicked";
    m_pressedPM = placemark;
    m_pmPressed = true;
}

void WPEditor::updatePlacemarks()
{
    for (PMMarker *m : qAsConst(m_pmMarkers))
        delete m;
    for (QGraphicsPolygonItem *o : qAsConst(m_pmOutlines))
        delete o;
    m_pmMarkers.clear();
    m_pmOutlines.clear();
    QStandardItemModel *model = Data::instance()->placemarkModel();
    if (!model)
        return;
    auto marker = [this](QStandardItem *item, double z) -> PMMarker * {
        const double lon = item->data(Placemarks::LonRole).toDouble();
        const double lat = item->data(Placemarks::LatRole).toDouble();
        if (!m_plan->containsGeo(lon, lat))
            return nullptr;
        const QPointF p = geoToScene(lon, lat);
        auto *m = new PMMarker(p.x(), p.y(), m_scale, item);
        if (z != 0)
            m->setZValue(z);
        connect(m, &PMMarker::pmpressed, this, &WPEditor::pmclicked);
        m_pmMarkers << m;
        m_scene->addItem(m);
        return m;
    };
    std::function<void(QStandardItem *)> walk = [&](QStandardItem *parent) {
        for (int r = 0; r < parent->rowCount(); ++r) {
            QStandardItem *item = parent->child(r);
            if (!item)
                continue;
            switch (item->data(Placemarks::KindRole).toInt()) {
            case Placemarks::Point:
                marker(item, 0);
                break;
            case Placemarks::Polygon: {
                QPolygonF outline;
                for (int c = 0; c < item->rowCount(); ++c) {
                    QStandardItem *pt = item->child(c);
                    if (pt && pt->data(Placemarks::KindRole).toInt() == Placemarks::PolygonPoint)
                        if (PMMarker *m = marker(pt, -10))
                            outline << m->anchor();
                }
                if (outline.size() > 1) {
                    auto *o = new QGraphicsPolygonItem(outline);
                    o->setFillRule(Qt::OddEvenFill);
                    o->setBrush(QColor(255, 180, 0, 30));
                    o->setPen(QPen(QColor(255, 180, 0, 100)));
                    o->setZValue(-20);
                    m_scene->addItem(o);
                    m_pmOutlines << o;
                }
                break;
            }
            case Placemarks::Group:
                walk(item);
                break;
            default:
                break;
            }
        }
    };
    walk(model->invisibleRootItem());
}

// ---- camera ----
void WPEditor::onCameraSwitched()
{
    qDebug() << "camera switched";
    m_camera = Data::instance()->currentCamera();
    m_paths.checkAllSegments();
}

void WPEditor::onDataChanged()
{
    m_paths.checkAllSegments();
    for (int i = 0; i < m_cameraItems.size() && i < m_plan->count(); ++i)
        m_cameraItems[i]->setHeading(m_plan->yaw(i + 1));
}
