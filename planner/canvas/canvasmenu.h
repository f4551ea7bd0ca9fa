#pragma once
// The waypoint editor's context menu and its clipboard: copy and paste of
// waypoints with their values and offsets, and the menu's actions (their
// shortcuts too) enabled for the selection at hand. The canvas connects the
// actions to what they do.
#include <QList>
#include <QObject>
#include <QPointF>

class CanvasWaypoints;
class QAction;
class QMenu;
class QWidget;
class WPData;
class WPEditFramework;

class CanvasMenu : public QObject {
    Q_OBJECT
public:
    CanvasMenu(QWidget *view, WPData *plan, CanvasWaypoints *waypoints);

    QMenu *menu() const { return m_menu; }
    QAction *copyAction() const { return m_copyAct; }
    QAction *pasteAction() const { return m_pasteAct; }
    QAction *deleteAction() const { return m_deleteAct; }
    QAction *selectAllAction() const { return m_selectAllAct; }
    QMenu *arrangeMenu() const { return m_arrangeMenu; }
    QAction *invertAction() const { return m_invertAct; }
    QAction *groupAction() const { return m_groupAct; }
    QAction *relativeAction() const { return m_relativeAct; }
    WPEditFramework *copyBuffer() const { return m_copyBuffer; }

    // Enables the entries as a right click on this selection would.
    void prepare(const QList<int> &selection, bool changesAllowed);
    void copy(const QList<int> &selection);
    // The copied waypoints again, the first at scenePos; their numbers.
    QList<int> paste(const QPointF &scenePos);

private:
    WPData *m_plan;
    CanvasWaypoints *m_waypoints;
    WPEditFramework *m_copyBuffer;
    QMenu *m_menu;
    QAction *m_copyAct;
    QAction *m_pasteAct;
    QAction *m_deleteAct;
    QAction *m_selectAllAct;
    QMenu *m_arrangeMenu;
    QAction *m_invertAct;
    QAction *m_groupAct;
    QAction *m_relativeAct;
};
