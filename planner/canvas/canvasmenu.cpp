#include "planner/canvas/canvasmenu.h"

#include <QAction>
#include <QMenu>
#include <QShortcut>

#include "maps/wpdata.h"
#include "planner/canvas/canvaswaypoints.h"
#include "planner/wpeditframework.h"

namespace {

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

CanvasMenu::CanvasMenu(QWidget *view, WPData *plan, CanvasWaypoints *waypoints)
    : QObject(view), m_plan(plan), m_waypoints(waypoints)
{
    m_copyBuffer = new WPEditFramework(this);
    m_menu = new QMenu(view);
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
    // Backspace deletes as the menu entry does.
    auto *backspace = new QShortcut(QKeySequence(QStringLiteral("Backspace")), view);
    backspace->setContext(Qt::WindowShortcut);
    connect(backspace, &QShortcut::activated, m_deleteAct, &QAction::trigger);
}

void CanvasMenu::prepare(const QList<int> &selection, bool changesAllowed)
{
    const bool any = !selection.isEmpty();
    m_deleteAct->setEnabled(any && changesAllowed);
    m_copyAct->setEnabled(any);
    m_arrangeMenu->setEnabled(any);
    m_arrangeMenu->menuAction()->setEnabled(any);
    m_relativeAct->setEnabled(any);
    m_invertAct->setEnabled(any);
    if (any) {
        for (int i = 0; i < selection.size(); ++i)
            if (selection[i] != selection.first() + i)
                m_invertAct->setEnabled(false);
        // Steerwise waypoints count their values differently: no relative
        // correction across them and any other type.
        if (selection.size() >= 2) {
            bool steerwise = false, other = false;
            for (int n : selection) {
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

void CanvasMenu::copy(const QList<int> &selection)
{
    QList<WPCopyRecord> records;
    if (!selection.isEmpty()) {
        const QPointF first = m_plan->waypointPos(selection.first());
        for (int n : selection) {
            WPCopyRecord r;
            r.values = m_plan->record(n);
            // The type as the plan answers it, an open run end closed.
            r.values.type = Waypoint::Type(m_plan->waypointType(n));
            r.offset = m_plan->waypointPos(n) - first;
            records << r;
        }
    }
    m_copyBuffer->setCopy(records, selection);
}

QList<int> CanvasMenu::paste(const QPointF &scenePos)
{
    const int first = m_plan->count() + 1;
    QList<int> pasted;
    const QList<WPCopyRecord> records = m_copyBuffer->records();
    for (int i = 0; i < records.size(); ++i) {
        Waypoint wp = records[i].values;
        const QPointF at = scenePos + records[i].offset;
        const QPointF geo = m_plan->pixelToGeo(at.x(), at.y());
        wp.longitude = geo.x();
        wp.latitude = geo.y();
        m_waypoints->add(wp);
        // The copy's own flags and camera display, not the defaults.
        m_plan->setProperties(first + i, wp.properties);
        m_plan->setShowCamera(first + i, wp.showCamera);
        pasted << first + i;
    }
    return pasted;
}
