#include "thermal/editor/thstartwizard.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/listviewmod.h"
#include "core/prompt/prompt.h"
#include "thermal/araheader.h"
#include "thermal/editor/ththread.h"
#include "thermal/editor/ththreaddiag.h"
#include "thermal/project/thermalpaths.h"
#include "thermal/project/thprojectfile.h"
#include "thermal/view/thview.h"

namespace {
enum Page { StartPage, NewPage, LoadPage };

QString typeText(quint16 mode)
{
    switch (mode) {
    case 1: return QStringLiteral("Video");
    case 2: return QStringLiteral("Photo");
    case 3: return QStringLiteral("Serie");
    default: return QStringLiteral("Unknown");
    }
}
}  // namespace

THStartWizard::THStartWizard(THData *project, QWidget *parent) : QDialog(parent), m_project(project)
{
    setWindowTitle(tr("Korvel Thermal Editor Wizard"));
    setWindowIcon(QIcon(QStringLiteral(":/thermal.png")));
    setFixedSize(800, 400);

    // Start page
    auto *start = new QWidget;
    m_choiceModel = new QStandardItemModel(this);
    m_choiceModel->appendRow(new QStandardItem(QIcon(QStringLiteral(":/th_newproject.png")), tr("New Project")));
    m_choiceModel->appendRow(new QStandardItem(QIcon(QStringLiteral(":/th_open.png")), tr("Open Project")));
    m_choices = new ListViewMod;
    m_choices->setModel(m_choiceModel);
    m_choices->setFixedSize(300, 300);
    m_choices->setCurrentIndex(m_choiceModel->index(0, 0));
    m_description = new QLabel(tr("Nothing"));
    m_description->setFixedWidth(450);
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    auto *startRow = new QHBoxLayout;
    startRow->addWidget(m_choices, 0, Qt::AlignLeft);
    startRow->addWidget(m_description);
    auto *startLayout = new QVBoxLayout(start);
    startLayout->addWidget(new QLabel(tr("Select option:")));
    startLayout->addLayout(startRow);
    for (auto signal : {&QAbstractItemView::entered, &QAbstractItemView::clicked,
                        &QAbstractItemView::activated, &QAbstractItemView::pressed})
        connect(m_choices, signal, this, &THStartWizard::chooseNaviChanged);
    connect(m_choices, &ListViewMod::selection, this, &THStartWizard::chooseNaviChanged);
    connect(m_choices, &ListViewMod::doubleclicked, this, &THStartWizard::nextClicked);

    // New-project page
    auto *newPage = new QWidget;
    auto *info = new QLabel(tr("<b>Select the files, you want to load.</b><br><br>These files will be "
                               "copied to your workspace in your project folder."));
    info->setWordWrap(true);
    m_files = new QTreeWidget;
    m_files->setHeaderLabels({tr("Filename"), tr("Time"), tr("Type")});
    m_files->setRootIsDecorated(false);
    auto *all = new QPushButton(tr("Select All"));
    auto *photos = new QPushButton(tr("Select only photos"));
    auto *none = new QPushButton(tr("Deselect all"));
    connect(all, &QPushButton::clicked, this, &THStartWizard::selectAll);
    connect(photos, &QPushButton::clicked, this, &THStartWizard::selectOnlyPhotos);
    connect(none, &QPushButton::clicked, this, &THStartWizard::deselectAll);
    auto *selectRow = new QHBoxLayout;
    selectRow->addWidget(all);
    selectRow->addWidget(photos);
    selectRow->addWidget(none);
    auto *leftColumn = new QVBoxLayout;
    leftColumn->addWidget(info);
    leftColumn->addWidget(m_files);
    leftColumn->addLayout(selectRow);
    m_name = new QLineEdit;
    m_name->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[\\w][\\w\\s]{1,99}")), m_name));
    m_preview = new THView;
    m_preview->setPreviewMode();
    auto *rightColumn = new QVBoxLayout;
    rightColumn->addWidget(new QLabel(tr("Project:")));
    rightColumn->addWidget(m_name);
    rightColumn->addWidget(new QLabel(tr("Preview:")));
    rightColumn->addWidget(m_preview, 0, Qt::AlignCenter);
    rightColumn->addStretch();
    auto *newLayout = new QHBoxLayout(newPage);
    newLayout->addLayout(leftColumn, 1);
    newLayout->addLayout(rightColumn);
    connect(m_files, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item)
            m_preview->loadFile(item->data(0, Qt::UserRole).toString());
    });

    // Load page
    auto *loadPage = new QWidget;
    m_projects = new QTreeWidget;
    m_projects->setHeaderLabels({tr("Name"), tr("Last modified"), tr("Flir images"), QString()});
    m_projects->setColumnHidden(3, true);
    m_projects->setSortingEnabled(true);
    m_projects->sortByColumn(1, Qt::AscendingOrder);
    m_projects->setRootIsDecorated(false);
    m_projects->setAnimated(true);
    m_projects->setColumnWidth(0, 160);
    m_projects->setColumnWidth(1, 140);
    m_projects->setColumnWidth(2, 160);
    connect(m_projects, &QTreeWidget::itemDoubleClicked, this, &THStartWizard::nextClicked);
    auto *loadLayout = new QVBoxLayout(loadPage);
    loadLayout->addWidget(new QLabel(tr("Select a thermal project to load:")));
    loadLayout->addWidget(m_projects);

    m_pages = new QStackedWidget;
    m_pages->addWidget(start);
    m_pages->addWidget(newPage);
    m_pages->addWidget(loadPage);

    m_next = new QPushButton(tr("Next"));
    m_back = new QPushButton(tr("Back"));
    m_cancel = new QPushButton(tr("Cancel"));
    m_back->hide();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    setTabOrder(m_next, m_back);
    setTabOrder(m_back, m_cancel);
    connect(m_next, &QPushButton::clicked, this, &THStartWizard::nextClicked);
    connect(m_back, &QPushButton::clicked, this, &THStartWizard::backClicked);
    connect(m_cancel, &QPushButton::clicked, this, &THStartWizard::cancelClicked);

    chooseNaviChanged();  // describe the preselected entry rather than show "Nothing"

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addStretch();
    layout->addLayout(buttons);
}

int THStartWizard::page() const
{
    return m_pages->currentIndex();
}

void THStartWizard::chooseNaviChanged()
{
    const int row = m_choices->currentIndex().row();
    if (row == 0)
        m_description->setText(tr("Create a new thermal project<br><br>This will copy your thermal images "
                                  "into a project folder in your workspace."));
    else if (row == 1)
        m_description->setText(tr("Open a thermal project<br><br>Choose a thermal project, you already "
                                  "created in your workspace and modify it by your needs"));
    m_next->setText(tr("Next"));
}

void THStartWizard::nextClicked()
{
    switch (m_pages->currentIndex()) {
    case StartPage:
        if (m_choices->currentIndex().row() == 1) {
            listProjects();
            m_pages->setCurrentIndex(LoadPage);
            m_next->setText(tr("Finish"));
        } else {
            Data *data = Data::instance();
            const QString last = data->rememberedFolder(QStringLiteral("Last Thermal Editor Import Path"));
            const QString folder = Prompt::directory(this, tr("Open FLIR image directory..."), last,
                                                     QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
            if (folder.isEmpty())
                return;
            data->rememberFolder(QStringLiteral("Last Thermal Editor Import Path"), QFileInfo(folder).absolutePath());
            if (fillDataFromDirectory(folder)) {
                m_pages->setCurrentIndex(NewPage);
                m_back->show();
                m_next->setText(tr("Finish"));
            }
        }
        break;
    case NewPage:
        createProject();
        break;
    case LoadPage: {
        const QList<QTreeWidgetItem *> selected = m_projects->selectedItems();
        if (selected.isEmpty()) {
            Prompt::message(this, QStringLiteral(":/icons/80/warning"), tr("No log selected"),
                            tr("Please select a project to load"));
            return;
        }
        projectName = selected.first()->text(0);
        close();
        break;
    }
    }
}

void THStartWizard::createProject()
{
    const QString name = m_name->text();
    if (name.isEmpty()) {
        Prompt::message(this, QStringLiteral(":/icons/80/info"), tr("No project name given"),
                        tr("Please enter a project name."), QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    THThread job(m_project);
    if (!job.setProjectName(name)) {
        Prompt::message(this, QStringLiteral(":/icons/80/info"), tr("Project already exists"),
                        tr("The project name, you entered, already exists. Please choose another "
                           "name.<br><br>Hint: You can rename your projects in your database."));
        return;
    }
    for (int i = 0; i < m_files->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = m_files->topLevelItem(i);
        if (row->checkState(0) == Qt::Checked)
            job.addFile(row->data(0, Qt::UserRole).toString());
    }
    // Without files no job runs, and no progress dialog may wait for one.
    if (job.files.isEmpty()) {
        Prompt::message(this, QStringLiteral(":/icons/80/info"), tr("No files selected"),
                        tr("Please select at least one file."));
        return;
    }
    THThreadDiag progress(this);
    connect(&job, &THThread::flirProject, &progress, &THThreadDiag::creatFlirProject);
    connect(&job, &THThread::cleanup, &progress, &THThreadDiag::cleanUp);
    connect(&job, &THThread::copyFile, &progress, &THThreadDiag::copyFile);
    connect(&job, &QThread::finished, &progress, &THThreadDiag::threadfinished);
    connect(&progress, &THThreadDiag::cancelClicked, &job, &THThread::canceled, Qt::DirectConnection);
    job.createFlirProject();
    if (!job.isFinished())
        progress.exec();
    job.wait();
    if (job.success)
        projectName = name;
    else
        Prompt::error(this, tr("Project not created"),
                      tr("The thermal project could not be created.<br><br>%1").arg(job.errorString.toHtmlEscaped()));
    close();
}

void THStartWizard::backClicked()
{
    m_pages->setCurrentIndex(StartPage);
    m_back->hide();
    m_next->setText(tr("Next"));
}

void THStartWizard::cancelClicked()
{
    projectName.clear();
    close();
}

void THStartWizard::selectAll()
{
    for (int i = 0; i < m_files->topLevelItemCount(); ++i)
        m_files->topLevelItem(i)->setCheckState(0, Qt::Checked);
}

void THStartWizard::deselectAll()
{
    for (int i = 0; i < m_files->topLevelItemCount(); ++i)
        m_files->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
}

void THStartWizard::selectOnlyPhotos()
{
    for (int i = 0; i < m_files->topLevelItemCount(); ++i)
        if (m_files->topLevelItem(i)->text(2) == QLatin1String("Photo"))
            m_files->topLevelItem(i)->setCheckState(0, Qt::Checked);
}

bool THStartWizard::fillDataFromDirectory(const QString &folder)
{
    m_files->clear();
    QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList({QStringLiteral("*.ARA"), QStringLiteral("*.ara"), QStringLiteral("*.RAW")},
                                                    QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    QFileInfoList matching;
    for (const QFileInfo &e : entries) {
        const QString suffix = e.suffix().toLower();
        if (suffix == QLatin1String("ara") || suffix == QLatin1String("raw"))
            matching << e;
    }
    if (matching.isEmpty()) {
        Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("No data available"),
                        tr("There are no images in this folder available. Please choose another folder"));
        return false;
    }
    for (const QFileInfo &e : qAsConst(matching)) {
        QFile file(e.absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const AraHeader header(file.read(AraHeader::blockSize));
        if (header.magic() != AraHeader::magicValue)
            continue;
        auto *row = new QTreeWidgetItem;
        row->setText(0, e.fileName());
        row->setData(0, Qt::UserRole, e.absoluteFilePath());
        row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        const int week = header.gpsWeek();
        const int ms = int(header.gpsTimeOfWeek());
        row->setText(1, week == 0 || ms == 0
                            ? tr("No GPS Data")
                            : QDateTime(gpsWeekToDate(week, ms), gpsMsToTime(ms)).toString(QStringLiteral("yyyy-MM-dd  hh:mm")));
        row->setText(2, typeText(header.fileMode()));
        row->setCheckState(0, header.fileMode() == 2 ? Qt::Checked : Qt::Unchecked);
        m_files->addTopLevelItem(row);
    }
    m_files->resizeColumnToContents(0);
    m_files->resizeColumnToContents(1);
    return m_files->topLevelItemCount() > 0;
}

void THStartWizard::listProjects()
{
    m_projects->clear();
    const QDir root(ThermalPaths::thermalFolderPath());
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        THProjectFileContent content;
        if (THProjectFile::readSummary(ThermalPaths::projectFilePath(name), &content) != THProjectFile::Ok)
            continue;
        m_projects->addTopLevelItem(new QTreeWidgetItem(
            {name, content.written.toString(QStringLiteral("yyyy-MM-dd hh:mm")),
             QString::number(content.images.size()), QString::number(content.secondCount)}));
    }
}
