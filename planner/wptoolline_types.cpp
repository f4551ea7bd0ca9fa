// The type conversion page of the tool panel, shown for a selection of
// waypoints that no one aircraft flies, and the relative correction of the
// selected waypoints.
#include <QDialog>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/headerwidget.h"
#include "maps/wpdata.h"
#include "planner/geometry/relativevalues.h"
#include "planner/wprelativediag.h"
#include "planner/wptoolline.h"

QToolBar *panelToolBar(QWidget *parent);
QToolButton *panelButton(QToolBar *bar, const QString &text, const QString &tip);

QWidget *WPToolLine::createDifferentTypesWid()
{
    auto *page = new QWidget;
    auto *l = new QVBoxLayout(page);
    l->addWidget(new HeaderWidget(tr("Different types"), page, true));
    auto *msg = new QLabel(
        tr("You have selecteded different types of waypoints, which are together incompatible. "
           "This flightplan can't be used for any system. Please change all waypoint to an Korvel "
           "Steerwise or to an Korvel Zephrin conform format."),
        page);
    msg->setWordWrap(true);
    l->addWidget(msg);
    l->addWidget(new HeaderWidget(tr("Options"), page, true));
    auto *bar = panelToolBar(page);
    g.toZephrin =
        panelButton(bar, tr("Convert to Korvel Zephrin waypoints"),
                    tr("Convert all Korvel Steerwise waypoints to Korvel Zephrin Single Waypoint"));
    g.toSteerwise =
        panelButton(bar, tr("Convert to Korvel Steerwise waypoints"),
                    tr("Convert all Korvel Zephrin waypoints to a Korvel Steerwise waypoint"));
    l->addWidget(bar);
    l->addStretch();
    connect(g.toZephrin, &QToolButton::clicked, this, &WPToolLine::setSelectedWP2Zephrin);
    connect(g.toSteerwise, &QToolButton::clicked, this, &WPToolLine::setSelectetWP2Steerwise);
    return page;
}

void WPToolLine::convertSelection(void (*convert)(WPData &, const QList<int> &))
{
    const QList<int> selection = m_selection;
    convert(*m_data, selection);
    setWaypointData(selection);
    emit dataChanged();
}

void WPToolLine::setSelectedWP2Zephrin()
{
    convertSelection(&RelativeValues::convertToZephrin<WPData>);
}

void WPToolLine::setSelectetWP2Steerwise()
{
    convertSelection(&RelativeValues::convertToSteerwise<WPData>);
}

void WPToolLine::relativeValues(QList<int> list)
{
    if (list.isEmpty())
        return;
    const QList<int> types = RelativeValues::typesOf(*m_data, list);
    WPRelativeDiag dialog(this, RelativeValues::zephrinDialog(types));
    if (dialog.exec() != QDialog::Accepted)
        return;
    RelativeValues::Correction c;
    c.alongCamera = dialog.cameraDirection();
    c.east = dialog.longitudeMeters();
    c.north = dialog.latitudeMeters();
    c.offset = dialog.offsetMeters();
    c.pitch = dialog.cameraPitch();
    c.pictures = dialog.pictures();
    c.heading = dialog.heading();
    c.height = dialog.height();
    c.posAcc = dialog.positionAccuracy();
    c.time = dialog.timeAtWaypoint();
    c.maxSpeed = dialog.maxSpeed();
    c.velocity = dialog.velocity();
    RelativeValues::apply(*m_data, list, c);
    setWaypointData(QList<int>(list));
    // The plan changed: the tab must know it has something to save.
    emit dataChanged();
}
