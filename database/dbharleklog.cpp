#include "database/dbharleklog.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <exception>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "core/headerwidget.h"
#include "core/prompt/prompt.h"
#include "database/dbpageparts.h"
#include "database/dbrenamediag.h"
#include "database/flightbook/fbgpxexportdiag.h"
#include "database/flightbook/fbkmlexportdiag.h"
#include "database/zpx/zpxexportdialog.h"
#include "harleklog/harleklog.h"

DBHarlekLog::DBHarlekLog(QWidget *parent) : QWidget(parent)
{
    qDebug() << "[DBHarlekLog] Constructor";
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new HeaderWidget(tr("Harlek Log"), this, true));
    m_rename = DBPage::pushButton(this, tr("Rename"), tr("Rename harlek log..."));
    m_delete = DBPage::pushButton(this, tr("Delete..."), tr("Delete harlek log..."));
    m_values[0] = DBPage::addNameRow(layout, this, tr("<b>Name: </b>"), QStringLiteral("0"),
                                     {m_rename, m_delete});
    m_values[1] = DBPage::addValueRow(layout, this, tr("Date: "));
    m_values[2] = DBPage::addValueRow(layout, this, tr("Type: "));
    layout->addWidget(new HeaderWidget(tr("Information"), this, true));
    m_values[3] = DBPage::addValueRow(layout, this, tr("Location: "));
    m_values[4] = DBPage::addValueRow(layout, this, tr("Longitude:"));
    m_values[5] = DBPage::addValueRow(layout, this, tr("Latitude:"));
    m_values[6] = DBPage::addValueRow(layout, this, tr("Tags:"));
    m_values[7] = DBPage::addValueRow(layout, this, tr("Flight Time:"));
    layout->addStretch();
    layout->addWidget(new HeaderWidget(tr("Options"), this, true));
    QToolBar *bar = DBPage::optionsBar(this);
    m_tag = DBPage::addTool(bar, tr("Tag Images"), QStringLiteral(":/phototagger.png"),
                            tr("Create a new phototagger image"));
    m_kml = DBPage::addTool(bar, tr("Export to KML"), QStringLiteral(":/fb_exportKML.png"),
                            tr("Export the harlek log to a KML file"));
    m_zpx = DBPage::addTool(bar, tr("Export to ZPX"), QStringLiteral(":/zpx_export.png"),
                            tr("Export the harlek log to an ZPX file"));
    m_gpx = DBPage::addTool(bar, tr("Export to GPX"), QStringLiteral(":/fb_exportGPX.png"),
                            tr("Export the harlek log to a GPX file"));
    layout->addWidget(bar);
    connect(m_rename, &QPushButton::clicked, this, &DBHarlekLog::renameClicked);
    connect(m_delete, &QPushButton::clicked, this, &DBHarlekLog::deleteClicked);
    connect(m_tag, &QToolButton::clicked, this, &DBHarlekLog::tagPhotos);
    connect(m_kml, &QToolButton::clicked, this, &DBHarlekLog::exportKML);
    connect(m_zpx, &QToolButton::clicked, this, &DBHarlekLog::export2ZPX);
    connect(m_gpx, &QToolButton::clicked, this, [this] { FBGPXExportDiag gpx(m_path); });
}

QString DBHarlekLog::folderOf(const QString &name)
{
    return Data::instance()->logsPath() + QDir::separator() + name;
}

QString DBHarlekLog::flightTimeText(double seconds)
{
    const qint64 t = qint64(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(t / 3600, 2, 10, QLatin1Char('0'))
        .arg((t % 3600) / 60, 2, 10, QLatin1Char('0'))
        .arg(t % 60, 2, 10, QLatin1Char('0'));
}

void DBHarlekLog::setLog(const QString &name)
{
    qDebug() << "[DBHarlekLog] setLog START";
    qDebug().noquote() << "[DBHarlekLog] setLog name: " + name;
    m_values[0]->setText(name);
    for (int i = 1; i < 8; ++i)
        m_values[i]->setText(QStringLiteral("-"));
    m_path = folderOf(name);
    QString failure;
    try {
        HarlekLog log(m_path.toStdString());
        const Position p = log.position();
        m_values[1]->setText(QDateTime::fromMSecsSinceEpoch(log.timeUTC(), Qt::UTC)
                                 .toString(Qt::TextDate));
        m_values[2]->setText(QString::fromStdString(log.logTypeString()));
        m_values[5]->setText(QString::number(p.latitude, 'f', 12));
        m_values[4]->setText(QString::number(p.longitude, 'f', 12));
        m_values[6]->setText(QString::number(log.photoTagCount()));
        m_values[7]->setText(flightTimeText(log.airTime()));
        if (log.isCutShort())
            m_values[7]->setText(m_values[7]->text() + QStringLiteral("  ")
                                 + tr("(log cut short: %1)").arg(QString::fromStdString(log.cutShortReason())));
        const QString place = Data::instance()->placeNameAt(p.longitude, p.latitude);
        m_values[3]->setText(place.isEmpty() ? tr("Unknown") : place);
    } catch (const LogNotFoundException &e) {
        qDebug().noquote() << "Logfile not found! " + QString::fromStdString(e.what());
        failure = QString::fromStdString(e.what());
    } catch (const std::exception &e) {
        // Any other reader failure is shown the same way; nothing ends the program.
        qWarning().noquote() << "[DBHarlekLog] log unreadable: " + QString::fromStdString(e.what());
        failure = QString::fromStdString(e.what());
    } catch (...) {
        failure = tr("The log cannot be read");
    }
    if (!failure.isEmpty()) {
        for (int i = 1; i < 8; ++i)
            m_values[i]->setText(QStringLiteral("-"));
        Prompt::message(nullptr, QString(), QString(), failure + QStringLiteral(": ") + m_path,
                        QMessageBox::Ok);
    }
    qDebug() << "[DBHarlekLog] setLog END";
}

void DBHarlekLog::deleteClicked()
{
    qDebug() << "[DBHarlekLog] deleteClicked START";
    const QString name = m_values[0]->text();
    const DBPage::DeleteTexts texts{
        tr("Can't delete harlek log"),
        tr("The harlek log cannot be deleted because it is  still in use. Please close all "
           "windows, which are using this log"),
        tr("Are you sure you want to delete this harlek log from your database?"),
        tr("This harlek log couldn't be deleted! Make sure, that the log is not opened through "
           "another application or that you have the rights to delete this log file.")};
    // Links inside go as links; nothing outside the folder is touched.
    if (!DBPage::deleteItem(this, Data::instance()->isOpen(OpenKind::Log, name),
                            [&name] { return Data::removeDirRecursively(folderOf(name)); }, texts))
        return;
    emit logDeleted(name);
    qDebug() << "[DBHarlekLog] deleteClicked END";
}

void DBHarlekLog::renameClicked()
{
    qDebug() << "[DBHarlekLog] renameClicked START";
    const QString oldName = m_values[0]->text();
    if (Data::instance()->isOpen(OpenKind::Log, oldName)) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), tr("Can't rename Harlek log"),
                        tr("The harlek log cannot be deleted because it is  still in use. Please "
                           "close all windows, which are using this log."),
                        QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    DBRenameDiag dialog(oldName);
    dialog.exec();
    const QString newName = dialog.newName;
    qDebug().noquote() << "[DBHarlekLog] renameClicked " + newName;
    if (newName.isEmpty())
        return;
    const QString to = folderOf(newName);
    if (!AtomicFile::renameNoReplace(folderOf(oldName), to)) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), tr("Can't rename Harlek log"),
                        tr("The harlek log can't' be renamed. Please check, if the name already "
                           "exists or if you have the access rights to rename it."),
                        QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    emit logRenamed(oldName, newName);
    m_values[0]->setText(newName);
    m_path = to;
    qDebug() << "[DBHarlekLog] renameClicked END";
}

void DBHarlekLog::tagPhotos()
{
    qDebug() << "[DBHarlekLog] tagPhotos START";
    emit createPTproject(m_values[0]->text());
    qDebug() << "[DBHarlekLog] tagPhotos END";
}

void DBHarlekLog::exportKML()
{
    qDebug() << "[DBHarlekLog] exportKML START";
    FBKMLExportDiag kml(m_path);
    qDebug() << "[DBHarlekLog] exportKML END";
}

void DBHarlekLog::export2ZPX()
{
    qDebug() << "[DBHarlekLog] export2ZPX";
    ZPXExportDialog dialog;
    dialog.selectItem(ZPXExportDialog::LogItem, m_values[0]->text());
    dialog.exec();
    emit updateDB();
}
