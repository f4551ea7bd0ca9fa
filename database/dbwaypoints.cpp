#include "database/dbwaypoints.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/headerwidget.h"
#include "core/prompt/prompt.h"
#include "database/dbpageparts.h"
#include "database/zpx/zpxexportdialog.h"
#include "maps/acquisition/wpopenchoosemap.h"

DBWaypoints::DBWaypoints(QWidget *parent) : QWidget(parent)
{
    qDebug() << "[DBWaypoints] Constructor";
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new HeaderWidget(tr("Flightplan"), this, true));
    m_rename = DBPage::pushButton(this, tr("Rename"), tr("Rename flightplan..."));
    m_delete = DBPage::pushButton(this, tr("Delete..."), tr("Delete flightplan..."));
    m_name = DBPage::addNameRow(layout, this, tr("<b>Name: </b>"), QStringLiteral("0"),
                                {m_rename, m_delete});
    m_location = DBPage::addValueRow(layout, this, tr("Location: "));
    m_date = DBPage::addValueRow(layout, this, tr("Date: "));
    m_count = DBPage::addValueRow(layout, this, tr("Number of waypoints: "));
    layout->addStretch();
    layout->addWidget(new HeaderWidget(tr("Options"), this, true));
    QToolBar *bar = DBPage::optionsBar(this);
    m_open = DBPage::addTool(bar, tr("Open flightplan"), QStringLiteral(":/loadWP.png"),
                             tr("Open flightplan for editing, starting and so forth."));
    m_export = DBPage::addTool(bar, tr("Export to ZPX..."), QStringLiteral(":/zpx_export.png"),
                               tr("Export flightplan to an ZPX file"));
    layout->addWidget(bar);
    connect(m_delete, &QPushButton::clicked, this, &DBWaypoints::deleteClicked);
    connect(m_rename, &QPushButton::clicked, this, &DBWaypoints::renameClicked);
    connect(m_open, &QToolButton::clicked, this, &DBWaypoints::openFlightPlanClicked);
    connect(m_export, &QToolButton::clicked, this, &DBWaypoints::exportToZPX);
}

void DBWaypoints::setData(const QString &name, const QString &location, const QString &date,
                          const QString &count)
{
    qDebug().noquote() << "[DBWaypoints] setData " + name + ' ' + location + ' ' + date + ' '
            + count;
    m_name->setText(name);
    m_location->setText(location);
    m_date->setText(date);
    m_count->setText(count);
}

QString DBWaypoints::name() const
{
    return m_name->text();
}

QString DBWaypoints::planFile(const QString &name) const
{
    return DBPage::storedPath(Data::instance()->waypointPath(), name, QStringLiteral(".zfp"));
}

void DBWaypoints::deleteClicked()
{
    qDebug() << "[DBWaypoints] deleteClicked";
    const QString name = m_name->text();
    Data *data = Data::instance();
    const DBPage::DeleteTexts texts{
        tr("Can't delete flightplan"),
        tr("The flightplan cannot be deleted because it is  still in use. Please close all "
           "windows, which are using this flightplan"),
        tr("Are you sure you want to delete this flightplan from your database?"),
        tr("This flightplan couldn't be deleted! Make sure, that flightplan isn't open through "
           "another application or that you have the rights to delete this flightplan.")};
    if (!DBPage::deleteFile(this, data->isOpen(OpenKind::FlightPlan, name), planFile(name), texts))
        return;
    data->updateMapIndex();
    data->removeRecent(OpenKind::FlightPlan, name);
    emit wpRemoved(name);
}

void DBWaypoints::renameClicked()
{
    qDebug() << "[DBWaypoints] renameClicked";
    const QString oldName = m_name->text();
    Data *data = Data::instance();
    const DBPage::RenameTexts texts{
        tr("Can't rename flightplan"),
        tr("The flightplan can't' be deleted because it is  still in use. Please close your "
           "active projects currently in us."),
        tr("Can't rename flightplan"),
        tr("The flightplan can't' be renamed. Please check, if the name already exists or if you "
           "have the access rights to rename it.")};
    const QString newName =
        DBPage::renameFile(data->isOpen(OpenKind::FlightPlan, oldName), oldName, planFile(oldName),
                           QStringLiteral(".zfp"), texts);
    if (newName.isEmpty())
        return;
    emit wpRenamed(oldName, newName);
    data->renameRecent(OpenKind::FlightPlan, oldName, newName);
    m_name->setText(newName);
}

void DBWaypoints::openFlightPlanClicked()
{
    qDebug() << "[DBWaypoints] openFlightPlanClicked";
    emit openFlightPlan(m_name->text());
}

void DBWaypoints::exportToZPX()
{
    const QString name = m_name->text();
    const QStringList maps = Data::instance()->mapsOfFlightPlan(name);
    QString map;
    if (maps.isEmpty()) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/info"), tr("No map found"),
                        tr("Hint: For this flightplan, there is no map available."),
                        QMessageBox::Ok, QMessageBox::Ok);
    } else if (maps.size() == 1) {
        if (Prompt::message(this, QStringLiteral(":/icons/80/question"), tr("Map export"),
                            tr("Do you want to export the map \"%1\" with your flightplan?")
                                .arg(maps.first()),
                            QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
            == QMessageBox::Yes)
            map = maps.first();
    } else if (Prompt::message(this, QStringLiteral(":/icons/80/question"), tr("Map exporting?"),
                               tr("Do you want to export a map with your flightplan?\n\nMore than "
                                  "one map was found for your selected flightplan."),
                               QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
               == QMessageBox::Yes) {
        WPOpenChooseMap chooser(maps, this);
        if (chooser.exec() != QDialog::Accepted)
            return;
        map = chooser.getMapName();
    }
    ZPXExportDialog dialog;
    dialog.selectItem(ZPXExportDialog::FlightPlanItem, name);
    if (!map.isEmpty())
        dialog.selectItem(ZPXExportDialog::MapItem, map);
    dialog.exec();
    emit updateDB();
}
