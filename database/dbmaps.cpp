#include "database/dbmaps.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/headerwidget.h"
#include "core/prompt/prompt.h"
#include "database/dbpageparts.h"
#include "database/zpx/zpxexportdialog.h"

DBMaps::DBMaps(QWidget *parent) : QWidget(parent)
{
    qDebug() << "[DBMaps] Constructor";
    auto *outer = new QHBoxLayout(this);
    auto *info = new QVBoxLayout;
    info->addWidget(new HeaderWidget(tr("Map"), this, true));
    m_rename = DBPage::pushButton(this, tr("Rename..."), tr("Rename map..."));
    m_delete = DBPage::pushButton(this, tr("Delete"), tr("Delete map..."));
    m_values[0] = DBPage::addNameRow(info, this, tr("<b>Name:</b>"), QStringLiteral("-"),
                                     {m_rename, m_delete});
    m_values[1] = DBPage::addValueRow(info, this, tr("Source:"));
    info->addSpacing(10);
    info->addWidget(new HeaderWidget(tr("Size"), this, true));
    m_values[4] = DBPage::addValueRow(info, this, tr("Width:"));
    m_values[5] = DBPage::addValueRow(info, this, tr("Height:"));
    info->addSpacing(10);
    info->addWidget(new HeaderWidget(tr("GPS"), this, true));
    m_values[2] = DBPage::addValueRow(info, this, tr("Longitude:"));
    m_values[3] = DBPage::addValueRow(info, this, tr("Latitiude:"));
    info->addStretch();
    info->addWidget(new HeaderWidget(tr("Options"), this, true));
    QToolBar *bar = DBPage::optionsBar(this);
    m_newFP = DBPage::addTool(bar, tr("Create new flightplan"), QStringLiteral(":/newWP.png"),
                              tr("Create a new flightplan with this map"));
    m_export = DBPage::addTool(bar, tr("Export to ZPX..."), QStringLiteral(":/zpx_export.png"),
                               tr("Export map to an ZPX file"));
    info->addWidget(bar);
    outer->addLayout(info);
    m_preview = new QLabel(QStringLiteral("-"), this);
    outer->addWidget(m_preview, 0, Qt::AlignTop);
    connect(m_delete, &QPushButton::clicked, this, &DBMaps::deleteClicked);
    connect(m_rename, &QPushButton::clicked, this, &DBMaps::renameClicked);
    connect(m_newFP, &QToolButton::clicked, this, &DBMaps::newFPClicked);
    connect(m_export, &QToolButton::clicked, this, &DBMaps::exportToZPX);
}

void DBMaps::setFile(const QString &name, const QString &path)
{
    m_values[0]->setText(name);
    m_path = path;
}

QString DBMaps::name() const
{
    return m_values[0]->text();
}

void DBMaps::setMap(const QImage &image)
{
    qDebug() << "[DBMaps] setMap";
    m_preview->setPixmap(QPixmap::fromImage(image));
}

void DBMaps::setMapData(const MapDescription &record)
{
    // The name stays the selected file's; a short record shows "-" for
    // every missing value.
    auto field = [&record](MapDescription::Field f, const QString &unit) {
        return record.has(f) ? record.fieldText(f) + unit : QStringLiteral("-");
    };
    m_values[1]->setText(field(MapDescription::Source, QString()));
    m_values[2]->setText(field(MapDescription::CentreLon, QStringLiteral("\u00b0")));
    m_values[3]->setText(field(MapDescription::CentreLat, QStringLiteral("\u00b0")));
    m_values[4]->setText(field(MapDescription::Width, QStringLiteral("m")));
    m_values[5]->setText(field(MapDescription::Height, QStringLiteral("m")));
}

void DBMaps::deleteClicked()
{
    qDebug() << "[DBMaps] deleteClicked";
    const QString name = this->name();
    Data *data = Data::instance();
    const DBPage::DeleteTexts texts{
        tr("Can't delete Map"),
        tr("The Map cannot be deleted because it is  still in use. Please close all windows, "
           "which are using this map"),
        tr("Are you sure you want to delete this map from your database?"),
        tr("This map couldn't be deleted! Make sure, that map is not opened through another "
           "application or that you have the rights to delete this mapfile.")};
    if (!DBPage::deleteFile(this, data->isOpen(OpenKind::Map, name), m_path, texts))
        return;
    data->updateMapIndex();
    data->removeRecent(OpenKind::Map, name);
    emit mapDeleted(name);
}

void DBMaps::renameClicked()
{
    qDebug() << "[DBMaps] renameClicked";
    const QString oldName = name();
    Data *data = Data::instance();
    const DBPage::RenameTexts texts{
        tr("Can't rename Map"),
        tr("The Map cannot be deleted because it is  still in use. Please close all windows, "
           "which are using this map"),
        tr("Can't rename map"),
        tr("The Map can't be renamed. Please check, if the name already exists or if you have "
           "the access rights to rename it.")};
    const QString newName = DBPage::renameFile(data->isOpen(OpenKind::Map, oldName), oldName,
                                               m_path, QStringLiteral(".jpg"), texts, &m_path);
    if (newName.isEmpty())
        return;
    emit mapRenamed(oldName, newName);
    data->renameRecent(OpenKind::Map, oldName, newName);
    m_values[0]->setText(newName);
}

void DBMaps::newFPClicked()
{
    qDebug() << "[DBMaps] newFPClicked";
    emit openMap(QDir::toNativeSeparators(m_path));
}

void DBMaps::exportToZPX()
{
    ZPXExportDialog dialog;
    dialog.selectItem(ZPXExportDialog::MapItem, name());
    dialog.exec();
    emit updateDB();
}
