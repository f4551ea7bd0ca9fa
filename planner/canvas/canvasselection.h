#pragma once
// The selection of the map canvas: click, Ctrl-click, Shift-click, the
// rubber band and select-all, and the drag of the selected waypoints under
// the editing lock a running flight sets.
#include <QList>
#include <QObject>
#include <QPointF>
#include <Qt>

class CanvasWaypoints;
class QGraphicsScene;
class QStandardItem;
class WPData;
class WPSelection;

class CanvasSelection : public QObject {
    Q_OBJECT
public:
    CanvasSelection(QGraphicsScene *scene, WPData *plan, CanvasWaypoints *waypoints,
                    QObject *parent);

    QList<int> numbers() const { return m_selection; }
    bool isEmpty() const { return m_selection.isEmpty(); }
    WPSelection *band() const { return m_band; }
    bool bandActive() const { return m_bandActive; }
    bool changesAllowed() const { return m_changesAllowed; }
    void setChangesAllowed(bool allowed) { m_changesAllowed = allowed; }
    void setCtrl(bool down) { m_ctrl = down; }
    void setShift(bool down) { m_shift = down; }
    // Ctrl and Shift as a mouse event found them: the keyboard's own state
    // at that moment, whichever widget saw the keys go down or up.
    void setHeld(Qt::KeyboardModifiers modifiers);

    // Sets the selection without showing it.
    void set(const QList<int> &numbers) { m_selection = numbers; }
    // Shows the selection on the waypoints and tells the panel.
    void show();
    void selectAll();

    // A waypoint item was pressed; selectTool and waypointTool tell which
    // tool is active.
    void itemPressed(int n, bool selectTool, bool waypointTool);
    void placemarkPressed(QStandardItem *placemark);
    // After the view handled a press at scenePos; selectTool: a left press
    // with the selection tool, which may clear the selection and starts the
    // band on free ground.
    void pressed(const QPointF &scenePos, bool selectTool);
    void extendBand(const QPointF &scenePos);
    void cancelBand();
    // Ends the band: what lies strictly inside it is selected.
    void finishBand();
    void released();

    // A waypoint item dragged to (x, y).
    void dragged(int id, double x, double y);

signals:
    void singleWaypointSelected(QList<int> selection);
    void noWaypointSelected();
    void markPM(QStandardItem *placemark);
    void wpdataChanged();
    // The selection was dragged by vector (scene pixels).
    void moved(const QList<int> &numbers, const QPointF &vector);

private:
    WPData *m_plan;
    CanvasWaypoints *m_waypoints;
    QGraphicsScene *m_scene;
    WPSelection *m_band;
    QList<int> m_selection;
    bool m_bandActive = false;
    bool m_changesAllowed = true;
    bool m_ctrl = false;
    bool m_shift = false;
    bool m_itemPressed = false;
    bool m_toggleDone = false;
    bool m_moveDone = false;
    bool m_pmPressed = false;
    QStandardItem *m_pressedPM = nullptr;
    QPointF m_pressScene;
    QPointF m_lastDrag;
};
