#include "app/ptstartwizard.h"

#include "core/data.h"
#include "core/listviewmod.h"
#include "core/prompt/prompt.h"
#include "database/flightbook/flightbookthread.h"
#include "phototagger/ptprojectmerge.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <exception>

namespace {

void warn(const QString &title, const QString &text)
{
    Prompt::message(nullptr, QStringLiteral(":/icons/80/warning"), title, text, QMessageBox::Ok, QMessageBox::Ok);
}

}  // namespace

PTStartWizard::PTStartWizard(QWidget *parent) : QDialog(parent)
{
    qDebug() << "[PTStartWizard] Constructor";
    setWindowTitle(tr("Korvel Photo Tagger Wizard"));
    setWindowIcon(QIcon(QStringLiteral(":/phototagger.png")));
    setFixedSize(800, 400);

    m_next = new QPushButton(tr("Next"), this);
    m_back = new QPushButton(tr("Back"), this);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_back->hide();

    // Read once: each listed log and each change of the current log asks.
    // A merge of projects cut off before ends first.
    PTProjectMerge::finishInterrupted();
    m_projectEntries = QDir(projectsPath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(createStartWidget());
    m_pages->addWidget(createChooseLogWidget());
    m_pages->addWidget(createLoadProject());

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    layout->addLayout(buttons);
    setTabOrder(m_next, m_back);
    setTabOrder(m_back, m_cancel);

    connect(m_next, &QPushButton::clicked, this, &PTStartWizard::nextClicked);
    connect(m_cancel, &QPushButton::clicked, this, &PTStartWizard::cancelClicked);
    connect(m_back, &QPushButton::clicked, this, &PTStartWizard::backClicked);
    m_result = Nothing;
}

PTStartWizard::~PTStartWizard()
{
    m_maker->deleteLater();
}

QWidget *PTStartWizard::createStartWidget()
{
    auto *page = new QWidget;
    m_navi = new ListViewMod(page);
    m_navi->setFixedSize(300, 300);
    m_navi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_naviModel = new QStandardItemModel(this);
    m_naviModel->appendRow(new QStandardItem(QIcon(QStringLiteral(":/pt_newproject.png")), tr("New Project")));
    m_naviModel->appendRow(new QStandardItem(QIcon(QStringLiteral(":/pt_loadproject.png")), tr("Open Project")));
    m_navi->setModel(m_naviModel);
    m_navi->setIconSize(QSize(48, 48));

    m_info = new QLabel(tr("Nothing"), page);
    m_info->setFixedWidth(450);
    m_info->setWordWrap(true);

    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(tr("Select option:"), page));
    auto *row = new QHBoxLayout;
    row->addWidget(m_navi, 0, Qt::AlignLeft);
    row->addWidget(m_info, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addLayout(row);

    connect(m_navi, &QAbstractItemView::entered, this, &PTStartWizard::chooseNaviChanged);
    connect(m_navi, &QAbstractItemView::clicked, this, &PTStartWizard::chooseNaviChanged);
    connect(m_navi, &QAbstractItemView::activated, this, &PTStartWizard::chooseNaviChanged);
    connect(m_navi, &QAbstractItemView::pressed, this, &PTStartWizard::chooseNaviChanged);
    connect(m_navi, &ListViewMod::selection, this, &PTStartWizard::chooseNaviChanged);
    connect(m_navi, &ListViewMod::doubleclicked, m_next, &QPushButton::click);
    m_navi->selectionModel()->select(m_naviModel->index(0, 0), QItemSelectionModel::ClearAndSelect);
    m_navi->setCurrentIndex(m_naviModel->index(0, 0));
    return page;
}

void PTStartWizard::chooseNaviChanged(const QModelIndex &index)
{
    switch (index.row()) {
    case 0:
        m_info->setText(tr("<p>Create a new photo tagger project</p><p>To do this, please copy the log file from your "
                           "harlek to the database. You will also need the SD card of your camera.</p><p>The result "
                           "will be created in the preset target folder. You can change that in the option menu."));
        m_next->setText(tr("Next"));
        break;
    case 1:
        m_info->setText(tr("Load a photo tagger project<br><br>"));
        m_next->setText(tr("Next"));
        break;
    default:
        m_info->setText(tr("Error 404: Not found"));
        break;
    }
}

QWidget *PTStartWizard::createChooseLogWidget()
{
    qDebug() << "[PTStartWizard] createChooseLogWidget";
    auto *page = new QWidget;
    m_logs = new QTreeWidget(page);
    m_logs->setObjectName(QStringLiteral("logTree"));
    m_logs->setColumnCount(3);
    m_logs->setHeaderLabels({tr("Name"), tr("Date"), tr("Infos")});
    m_logs->setSortingEnabled(true);
    m_logs->setRootIsDecorated(false);
    m_logs->setColumnWidth(0, 300);
    m_logs->setColumnWidth(1, 200);
    m_logs->sortByColumn(1, Qt::DescendingOrder);

    auto *heading = new QLabel(tr("Select logfile to load for photo tagging:"), page);
    heading->setWordWrap(true);
    m_formatLabel = new QLabel(tr("Image Format:"), page);
    m_format = new QComboBox(page);
    m_format->addItems({tr("JPEG File Interchange Format"), tr("TIFF - Tagged Image File Format")});
    m_addImages = new QCheckBox(tr("Add images automatically"), page);
    m_pathLabel = new QLabel(tr("Image Path:"), page);
    m_pathEdit = new QLineEdit(page);
    m_pathEdit->setReadOnly(true);
    m_browse = new QPushButton(tr("Browse..."), page);
    m_pathLabel->setEnabled(false);
    m_pathEdit->setEnabled(false);
    m_browse->setEnabled(false);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(heading);
    layout->addWidget(m_logs);
    layout->addWidget(m_addImages);
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(m_pathLabel);
    pathRow->addWidget(m_pathEdit);
    pathRow->addWidget(m_browse);
    layout->addLayout(pathRow);
    auto *formatRow = new QHBoxLayout;
    formatRow->addWidget(m_formatLabel);
    formatRow->addStretch();
    formatRow->addWidget(m_format);
    layout->addLayout(formatRow);

    m_maker = new FlightBookThread;
    connect(m_maker, &FlightBookThread::newItem, this, &PTStartWizard::newItem);
    connect(m_addImages, &QCheckBox::stateChanged, this, &PTStartWizard::checkStateChanged);
    connect(m_browse, &QPushButton::clicked, this, &PTStartWizard::chooseBrowseClicked);
    connect(m_logs->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { chooseLogChanged(current); });
    listLogs();
    return page;
}

QString PTStartWizard::getLogPath() const
{
    qDebug() << "[PTStartWizard] getLogPath";
    return Data::instance()->logsPath();
}

QString PTStartWizard::projectsPath() const
{
    return Data::instance()->photoTaggerPath();
}

QString PTStartWizard::projectFilePath(const QString &name) const
{
    return projectsPath() + QDir::separator() + name + QDir::separator() + name + QStringLiteral(".zpt");
}

bool PTStartWizard::projectExists(const QString &name) const
{
    return m_projectEntries.contains(name, Qt::CaseInsensitive);
}

void PTStartWizard::listLogs()
{
    const QFileInfoList folders = QDir(getLogPath()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &folder : folders) {
        try {
            m_maker->createLogItem(QDir(folder.absoluteFilePath()));
        } catch (const std::exception &e) {
            qDebug() << "exception caught! " << e.what();
        } catch (...) {
            qDebug() << "unknown exception!!!!!";
        }
    }
}

void PTStartWizard::newItem(QTreeWidgetItem *item)
{
    if (projectExists(item->text(0))) {
        item->setText(2, tr("Photo Tagger project already exists"));
        for (int c = 0; c < 3; ++c)
            item->setForeground(c, QBrush(Qt::darkGreen));
    } else {
        // A log cut short can be tagged up to its cut; the row says so.
        item->setText(2, item->text(FlightBookThread::NoteColumn));
    }
    m_logs->addTopLevelItem(item);
}

void PTStartWizard::chooseLogChanged(const QModelIndex &index)
{
    const QTreeWidgetItem *item = m_logs->topLevelItem(index.row());
    const bool exists = index.isValid() && item && projectExists(item->text(0));
    if (exists)
        m_addImages->setChecked(false);
    m_addImages->setEnabled(!exists);
    m_formatLabel->setEnabled(!exists);
    m_format->setEnabled(!exists);
}

void PTStartWizard::checkStateChanged(int state)
{
    const bool on = state != 0;
    m_pathEdit->setEnabled(on);
    m_browse->setEnabled(on);
    m_pathLabel->setEnabled(on);
}

void PTStartWizard::chooseBrowseClicked()
{
    Data *data = Data::instance();
    const QString start = data->rememberedFolder(QStringLiteral("Last Photo Tagger Import Path"));
    const QString folder = Prompt::directory(this, QString(), start, QFileDialog::ShowDirsOnly);
    data->rememberFolder(QStringLiteral("Last Photo Tagger Import Path"),
                         folder.isEmpty() ? QString() : QFileInfo(folder).absolutePath());
    m_pathEdit->setText(folder);
}

QWidget *PTStartWizard::createLoadProject()
{
    auto *page = new QWidget;
    m_projects = new QTreeWidget(page);
    m_projects->setObjectName(QStringLiteral("projectTree"));
    m_projects->setHeaderLabels({tr("Name")});
    m_projects->setSortingEnabled(true);
    m_projects->setRootIsDecorated(false);
    m_projects->sortByColumn(0, Qt::AscendingOrder);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(tr("Choose an existing project to load:"), page));
    layout->addWidget(m_projects);
    connect(m_projects, &QTreeWidget::itemDoubleClicked, m_next, &QPushButton::click);
    listProjects();
    return page;
}

void PTStartWizard::listProjects()
{
    QDir dir(projectsPath());
    if (!dir.exists() || !dir.isReadable())
        return;
    for (const QFileInfo &folder : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        auto *item = new QTreeWidgetItem(m_projects, {folder.fileName()});
        item->setData(0, Qt::UserRole,
                      folder.absoluteFilePath() + QDir::separator() + folder.fileName() + QStringLiteral(".zpt"));
    }
}

int PTStartWizard::projectCount() const
{
    return m_projects->topLevelItemCount();
}

void PTStartWizard::showPage(int page)
{
    m_pages->setCurrentIndex(page);
    m_back->setVisible(page != StartPage);
    m_next->setText(page == StartPage ? tr("Next") : tr("Finish"));
}

void PTStartWizard::setProject(const QString &name)
{
    showPage(LogPage);
    for (int i = 0; i < m_logs->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_logs->topLevelItem(i);
        if (item->text(0) == name) {
            m_logs->setCurrentItem(item);
            return;
        }
    }
    m_logs->setCurrentItem(nullptr);
    m_logs->clearSelection();
}

void PTStartWizard::nextClicked()
{
    qDebug() << "[PTStartWizard] nextClicked";
    switch (m_pages->currentIndex()) {
    case StartPage: {
        const QModelIndex current = m_navi->currentIndex();
        if (!current.isValid() || current.row() == 0) {
            showPage(LogPage);
        } else if (current.row() == 1) {
            if (projectCount() > 0)
                showPage(ProjectPage);
            else
                warn(tr("No projects available"),
                     tr("There are no projects to load. Please create a project before loading."));
        }
        break;
    }
    case LogPage: {
        const QList<QTreeWidgetItem *> selected = m_logs->selectedItems();
        if (selected.isEmpty()) {
            warn(tr("No log selected"), tr("Please select a logfile"));
            return;
        }
        if (m_addImages->isChecked() && m_pathEdit->text().isEmpty()) {
            warn(tr("No path for reading images"),
                 tr("There is no path given for reading images. Please select a path or disable <i>Add images "
                    "automatically</i>"));
            return;
        }
        const QTreeWidgetItem *item = selected.first();
        if (item->text(2).startsWith(QLatin1String("Photo"))) {
            const int answer = Prompt::message(nullptr, QStringLiteral(":/icons/80/warning"),
                                               tr("Project already exists"),
                                               tr("The Photo Tagger project already exists. Do you want to open it?"),
                                               QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
            if (answer != QMessageBox::Yes)
                return;
            m_name = item->text(0);
            m_path = projectFilePath(m_name);
            m_result = OpenProject;
            accept();
            return;
        }
        m_path = m_addImages->isChecked() ? m_pathEdit->text() : QString();
        m_name = item->text(0);
        m_result = NewProject;
        m_imageType = m_format->currentIndex();
        accept();
        break;
    }
    case ProjectPage: {
        const QList<QTreeWidgetItem *> selected = m_projects->selectedItems();
        if (selected.isEmpty()) {
            warn(tr("No project selected"), tr("Please select a project"));
            return;
        }
        m_path = selected.first()->data(0, Qt::UserRole).toString();
        m_name = selected.first()->text(0);
        m_result = OpenProject;
        accept();
        break;
    }
    default:
        break;
    }
}

void PTStartWizard::backClicked()
{
    qDebug() << "[PTStartWizard] backClicked";
    if (m_pages->currentIndex() != StartPage)
        showPage(StartPage);
}

void PTStartWizard::cancelClicked()
{
    m_result = Nothing;
    reject();
}
