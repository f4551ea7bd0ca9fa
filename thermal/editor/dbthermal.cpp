#include "thermal/editor/dbthermal.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "core/headerwidget.h"
#include "core/prompt/prompt.h"
#include "thermal/editor/thexportproject.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"
#include "thermal/project/thprojectfile.h"

DBThermal::DBThermal(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new HeaderWidget(tr("Thermal Project"), this, true));
    const QString captions[6] = {tr("<b>Name</b>: "), tr("Version: "), tr("Date: "),
                                 tr("Total Thermal Images: "), tr("Total Enable Images: "),
                                 tr("Measurement Type: ")};
    m_rename = new QPushButton(tr("Rename"));
    m_delete = new QPushButton(tr("Delete..."));
    for (int i = 0; i < 6; ++i) {
        auto *row = new QHBoxLayout;
        row->addSpacing(20);
        row->addWidget(new QLabel(captions[i]));
        m_values[i] = new QLabel(QStringLiteral("-"));
        row->addWidget(m_values[i]);
        row->addStretch();
        if (i == 0) {
            row->addWidget(m_rename);
            row->addWidget(m_delete);
        }
        layout->addLayout(row);
    }
    layout->addStretch();
    layout->addWidget(new HeaderWidget(tr("Options"), this, true));
    auto *tools = new QToolBar;
    tools->setMovable(false);
    tools->setStyleSheet(QStringLiteral("QToolBar {border-bottom: 0px solid black; border-top: 0px solid black;}"));
    auto *open = new QToolButton;
    open->setText(tr("Open project"));
    open->setIcon(QIcon(QStringLiteral(":/th_open.png")));
    open->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    open->setStatusTip(tr("Open Thermal Project"));
    auto *exportButton = new QToolButton;
    exportButton->setText(tr("Export Images"));
    exportButton->setIcon(QIcon(QStringLiteral(":/th_createreport.png")));
    exportButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    exportButton->setStatusTip(tr("Create Report"));
    tools->addWidget(open);
    tools->addWidget(exportButton);
    layout->addWidget(tools);

    connect(m_delete, &QPushButton::clicked, this, &DBThermal::deleteClicked);
    connect(m_rename, &QPushButton::clicked, this, &DBThermal::renameClicked);
    connect(open, &QToolButton::clicked, this, &DBThermal::openProjectClicked);
    connect(exportButton, &QToolButton::clicked, this, &DBThermal::exportProjectClicked);
}

QString DBThermal::thermalFolderPath()
{
    return ThermalPaths::thermalFolderPath();
}

QString DBThermal::value(int row) const
{
    return row >= 0 && row < 6 ? m_values[row]->text() : QString();
}

void DBThermal::showProjectInfo(const QString &name)
{
    THProjectFileContent content;
    // A missing, foreign or damaged file shows nothing of it.
    if (THProjectFile::readFile(ThermalPaths::projectFilePath(name), &content) != THProjectFile::Ok) {
        for (QLabel *label : m_values)
            label->setText(QStringLiteral("-"));
        return;
    }
    int enabled = 0;
    bool kinds[3] = {false, false, false};
    for (const THImageRecord &img : qAsConst(content.images)) {
        enabled += img.enabled ? 1 : 0;
        if (img.measurementType >= 0 && img.measurementType <= 2)
            kinds[img.measurementType] = true;
    }
    const int found = int(kinds[0]) + int(kinds[1]) + int(kinds[2]);
    QString type = tr("Unknown Type");
    if (found > 1)
        type = tr("Mixed Temperature Measurement");
    else if (kinds[0])
        type = tr("No Temperature Measurement");
    else if (kinds[1])
        type = tr("Low Resolution Temperature Measurement");
    else if (kinds[2])
        type = tr("High Resolution Temperature Measurement");
    m_values[0]->setText(name);
    m_values[1]->setText(QString::number(content.version));
    m_values[2]->setText(content.written.toString(QStringLiteral("d. MMMM yyyy - hh:mm")));
    m_values[3]->setText(QString::number(content.images.size()));
    m_values[4]->setText(QString::number(enabled));
    m_values[5]->setText(type);
}

void DBThermal::openProjectClicked()
{
    qDebug() << "[DBThermal] openProjectClicked ";
    emit openProject(m_values[0]->text());
}

void DBThermal::exportProjectClicked()
{
    THData project;
    project.openProject(m_values[0]->text());
    THExportProject dialog(&project, this);
    dialog.exec();
}

void DBThermal::deleteClicked()
{
    const QString name = m_values[0]->text();
    qDebug() << "[DBThermal] deleteClicked" << name;
    if (Data::instance()->isOpen(OpenKind::Thermal, name)) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), tr("Can't delete thermal project"),
                        tr("The thermal project cannot be deleted because it is still in use. Please close "
                           "the project before deleting it!"),
                        QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    if (Prompt::message(this, QStringLiteral(":/icons/80/question"), tr("Confirm deletion"),
                        tr("Are you sure you want to delete this thermal project from your database?"),
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;
    if (Data::removeDirRecursively(thermalFolderPath() + QDir::separator() + name)) {
        Data::instance()->removeRecent(OpenKind::Thermal, name);
        emit thRemoved(name);
    } else {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), tr("Can't delete thermal project"),
                        tr("This thermal project couldn't be deleted! Make sure, that it is not opened."));
    }
}

void DBThermal::renameClicked()
{
    qDebug() << "[DBThermal] renameClicked";
    const QString old = m_values[0]->text();
    if (Data::instance()->isOpen(OpenKind::Thermal, old)) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), tr("Can't rename thermal project"),
                        tr("The thermal project cannot be renamed because it is still in use. Please close "
                           "the project before renaming it!"));
        return;
    }
    const QString name = renameAsker ? renameAsker(old) : QString();
    if (name.isEmpty())
        return;
    const QString root = thermalFolderPath() + QDir::separator();
    const QString oldFolder = root + old;
    const QString oldFile = oldFolder + QDir::separator() + old + QStringLiteral(".zth");
    const QString movedFile = oldFolder + QDir::separator() + name + QStringLiteral(".zth");
    auto fail = [] {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), tr("Can't rename thermal project"),
                        tr("The thermal project can't be renamed. Please check, if the name already exists "
                           "or if you have the access rights to rename it."),
                        QMessageBox::Ok, QMessageBox::Ok);
    };
    // An existing folder of that name would take the project inside it.
    if (QFileInfo::exists(root + name) || !AtomicFile::renameNoReplace(oldFile, movedFile)) {
        fail();
        return;
    }
    if (!AtomicFile::renameNoReplace(oldFolder, root + name)) {
        if (!AtomicFile::renameNoReplace(movedFile, oldFile))
            qWarning() << "[DBThermal] project file left as" << movedFile;
        fail();
        return;
    }
    emit thRenamed(old, name);
    Data::instance()->renameRecent(OpenKind::Thermal, old, name);
    m_values[0]->setText(name);
}
