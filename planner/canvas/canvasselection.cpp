#include "planner/canvas/canvasselection.h"

#include <QDebug>
#include <QGraphicsScene>
#include <algorithm>

#include "maps/items/wpselection.h"
#include "maps/wpdata.h"
#include "planner/canvas/canvaswaypoints.h"

CanvasSelection::CanvasSelection(QGraphicsScene *scene, WPData *plan, CanvasWaypoints *waypoints,
                                 QObject *parent)
    : QObject(parent), m_plan(plan), m_waypoints(waypoints), m_scene(scene)
{
    m_band = new WPSelection;
    m_scene->addItem(m_band);
}

void CanvasSelection::show()
{
    qDebug() << "[WPEditor] handleItemSelection";
    m_waypoints->showSelection(m_selection);
    if (m_selection.isEmpty() && !m_pmPressed)
        emit noWaypointSelected();
    else
        emit singleWaypointSelected(m_selection);
    std::sort(m_selection.begin(), m_selection.end());
}

void CanvasSelection::selectAll()
{
    m_selection.clear();
    for (int n = 1; n <= m_plan->count(); ++n)
        m_selection << n;
    show();
    m_scene->update();
}

void CanvasSelection::itemPressed(int n, bool selectTool, bool waypointTool)
{
    qDebug().noquote() << QStringLiteral("[WPEditor] itemSelected %1").arg(n);
    m_itemPressed = true;
    if (selectTool && m_ctrl) {
        if (m_selection.contains(n))
            m_selection.removeAll(n);
        else
            m_selection << n;
        show();
        m_toggleDone = true;
    } else if (selectTool && m_shift) {
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
        show();
    } else if (selectTool || waypointTool) {
        if (m_selection.size() > 1 && m_selection.contains(n))
            return;
        m_selection = {n};
        show();
    }
}

void CanvasSelection::setHeld(Qt::KeyboardModifiers modifiers)
{
    m_ctrl = modifiers & Qt::ControlModifier;
    m_shift = modifiers & Qt::ShiftModifier;
}

void CanvasSelection::placemarkPressed(QStandardItem *placemark)
{
    qDebug() << "[WPEditor] pmclicked";
    m_pressedPM = placemark;
    m_pmPressed = true;
}

void CanvasSelection::pressed(const QPointF &p, bool selectTool)
{
    m_pressScene = p;
    if (selectTool && !m_itemPressed) {
        if (!m_ctrl)
            m_selection.clear();
        show();
    }
    if (selectTool && (m_selection.isEmpty() || m_ctrl) && !m_toggleDone) {
        if (m_pmPressed && !m_ctrl)
            emit markPM(m_pressedPM);
        m_band->setStartPoint(p);
        m_band->setEndPoint(p);
        m_bandActive = true;
    }
    m_itemPressed = false;
}

void CanvasSelection::extendBand(const QPointF &p)
{
    m_band->setEndPoint(p);
    m_scene->update();
}

void CanvasSelection::cancelBand()
{
    m_bandActive = false;
    m_band->setActive(false);
}

void CanvasSelection::finishBand()
{
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
    show();
    m_scene->update();
}

void CanvasSelection::released()
{
    // A waypoint reports a right-button release as a press; it must not
    // make the next press on free ground look like one on a waypoint.
    m_itemPressed = false;
    m_pmPressed = false;
    m_toggleDone = false;
    if (m_moveDone) {
        m_moveDone = false;
        emit moved(m_selection, m_lastDrag - m_pressScene);
    }
}

void CanvasSelection::dragged(int id, double x, double y)
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
    if (m_waypoints->drag(id, QPointF(x, y), m_selection))
        emit singleWaypointSelected(QList<int>{id});
    m_lastDrag = QPointF(x, y);
    m_moveDone = true;
    emit wpdataChanged();
}
