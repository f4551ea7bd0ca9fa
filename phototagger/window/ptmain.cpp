#include "phototagger/window/ptmain.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/data.h"
#include "core/prompt/prompt.h"
#include "phototagger/creation/ptdiag.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptprojectfile.h"
#include "phototagger/ui/ptadddiag.h"
#include "phototagger/ui/ptexport.h"
#include "phototagger/window/ptmap.h"
#include "phototagger/window/ptpreview.h"

namespace {
const char *const ToolBarStyle = "QToolBar {border-bottom: 0px solid black; border-top: 0px solid black;}";
}

PTMain::PTMain(PTData *project, QWidget *parent)
    : ToolWindow(parent), m_project(project)
{
    qDebug() << "[PTMain] Constructor START";
    m_project->setParent(this);
    m_projectName = m_project->getProjectName();
    m_map = new PTMap(m_project, this);
    m_preview = new PTPreview(this);

    m_list = new QTreeWidget(this);
    m_list->setHeaderLabels({QStringLiteral("#"), tr("Filename"), tr("Date"), tr("Height"), tr("Pitch"),
                             tr("Roll"), tr("Yaw")});
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    const int wide = int(m_list->header()->defaultSectionSize() * 1.5);
    m_list->setColumnWidth(1, wide);
    m_list->setColumnWidth(2, wide);
    m_list->setAlternatingRowColors(true);
    m_list->setSortingEnabled(false);
    m_list->setRootIsDecorated(false);
    m_list->setAnimated(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setUniformRowHeights(true);

    auto *toolBar = new QToolBar(this);
    toolBar->setStyleSheet(QLatin1String(ToolBarStyle));
    auto makeAction = [&](const char *icon, const QString &tip) {
        auto *a = new QAction(QIcon(QLatin1String(icon)), QString(), this);
        a->setToolTip(tip);
        a->setStatusTip(tip);
        toolBar->addAction(a);
        return a;
    };
    m_addAct = makeAction(":/ptadd.png", tr("Add image(s) at selected position"));
    m_removeAct = makeAction(":/ptremove.png", tr("Remove images from the list"));
    m_enableAct = makeAction(":/pt_enable.png", tr("Disable points from the list"));
    m_importAct = makeAction(":/ptautoimport.png",
                             tr("Try to add automatically images in the right position of the list"));
    toolBar->addSeparator();
    m_upAct = makeAction(":/ptup.png", tr("Move selected images up to the next empty place"));
    m_downAct = makeAction(":/ptdown.png", tr("Move selected images down to the next empty place"));
    toolBar->addSeparator();
    m_exportAct = makeAction(":/ptexport.png", tr("Export data to another file format"));

    auto *top = new QSplitter(Qt::Horizontal, this);
    top->setHandleWidth(9);
    top->setChildrenCollapsible(false);
    top->addWidget(m_preview);
    top->addWidget(m_map);
    top->setSizes({500, 500});
    auto *bottom = new QWidget(this);
    auto *bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->addWidget(toolBar);
    bottomLayout->addWidget(m_list);
    auto *vertical = new QSplitter(Qt::Vertical, this);
    vertical->setHandleWidth(9);
    vertical->setChildrenCollapsible(false);
    vertical->addWidget(top);
    vertical->addWidget(bottom);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(vertical);
    setContentsMargins(0, 0, 0, 0);

    QList<QTreeWidgetItem *> items;
    items.reserve(m_project->getCount());
    for (int i = 0; i < m_project->getCount(); ++i) {
        auto *item = new QTreeWidgetItem;
        fillRow(item, i);
        items.append(item);
    }
    m_list->addTopLevelItems(items);

    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current, const QModelIndex &) { selectionChanged(current); });
    connect(m_addAct, &QAction::triggered, this, &PTMain::addImages);
    connect(m_removeAct, &QAction::triggered, this, &PTMain::removeImage);
    connect(m_enableAct, &QAction::triggered, this, &PTMain::endisableItem);
    connect(m_importAct, &QAction::triggered, this, &PTMain::importImages);
    connect(m_upAct, &QAction::triggered, this, &PTMain::imageUp);
    connect(m_downAct, &QAction::triggered, this, &PTMain::imageDown);
    connect(m_exportAct, &QAction::triggered, this, &PTMain::exportProject);
    connect(m_map, &PTMap::itemSelected, this, &PTMain::mapItemSelected);
    m_map->updateItems();
    qDebug() << "[PTMain] Constructor END";
}

PTMain::~PTMain()
{
    qDebug() << "[PTMain] destructor";
    delete m_project;
}

void PTMain::fillRow(QTreeWidgetItem *item, int i)
{
    item->setText(0, QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0')));
    item->setText(1, m_project->getImageName(i));
    item->setText(2, m_project->getTimeText(i));
    item->setText(3, m_project->getHeightText(i));
    item->setText(4, m_project->getPitchText(i));
    item->setText(5, m_project->getRollText(i));
    item->setText(6, m_project->getYawText(i));
    if (!m_project->isEnabled(i))
        setRowColour(item, false);
}

void PTMain::setRowColour(QTreeWidgetItem *item, bool enabled)
{
    const QColor colour = enabled ? QApplication::palette().color(QPalette::Current, QPalette::Text)
                                  : QColor(Qt::gray);
    for (int c = 0; c < 7; ++c)
        item->setForeground(c, colour);
}

void PTMain::refreshFileNames()
{
    for (int r = 0; r < m_list->topLevelItemCount(); ++r) {
        QTreeWidgetItem *item = m_list->topLevelItem(r);
        item->setText(1, m_project->getImageName(tagOf(item)));
    }
}

bool PTMain::saveProject()
{
    if (m_project->updateZPTFile())
        return true;
    Prompt::error(nullptr, tr("Can't save project"),
                  tr("The photo tagger project file could not be written. Your last change is "
                     "shown but not stored.\n\n%1").arg(m_project->errorString()));
    return false;
}

int PTMain::tagOf(const QTreeWidgetItem *item) const { return item->text(0).toInt() - 1; }

QList<int> PTMain::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_list->selectionModel()->selectedRows())
        rows.append(index.row());
    return rows;
}

void PTMain::noSelection()
{
    Prompt::info(nullptr, tr("No entry selected!"), tr("You have selected no entry!"));
}

void PTMain::selectionChanged(const QModelIndex &current)
{
    if (!current.isValid())
        return;
    const int row = current.row();
    qDebug() << QStringLiteral("[PTMain] selectionChanged %1").arg(row);
    const int n = tagOf(m_list->topLevelItem(row));
    if (n < 0 || n >= m_project->getCount())
        return;
    const QString image = m_project->getImageName(n);
    qDebug() << "PT Image" << m_project->getImageType() << QFileInfo(image).completeBaseName();
    if (image.isEmpty())
        m_preview->setNoImage();
    else
        m_preview->requestImage(m_project->getProjectPath() + QLatin1Char('/')
                            + PTProjectFile::previewName(image, m_project->getImageType()));
    m_map->setSelectedItem(row + 1);
    m_enableAct->setIcon(QIcon(m_project->isEnabled(n) ? QStringLiteral(":/pt_disable.png")
                                                      : QStringLiteral(":/pt_enable.png")));
}

void PTMain::mapItemSelected(int number)
{
    if (number < 1 || number > m_list->topLevelItemCount())
        return;
    m_list->setCurrentItem(m_list->topLevelItem(number - 1));
    m_map->setSelectedItem(number);
}

void PTMain::addImages()
{
    qDebug() << "[PTMain] addImages";
    int missing = 0;
    for (int i = 0; i < m_project->getCount(); ++i)
        if (m_project->isEnabled(i) && m_project->getImageName(i).isEmpty())
            ++missing;
    qDebug() << QStringLiteral("[PTMain] addImages missing_jpegs: %1").arg(missing);
    if (missing == 0) {
        Prompt::info(nullptr, tr("Can't add more images."),
                     tr("You can't add more images to this log file, because there is already an "
                        "image for each enabled trigger. Please delete images before adding new "
                        "ones, or enable additional triggers."));
        return;
    }
    const int start = qMax(0, m_list->currentIndex().isValid() ? m_list->currentIndex().row() : 0);
    Data *data = Data::instance();
    // The chooser starts where exports went, but remembers the import folder.
    const QString folder = data->rememberedFolder(QStringLiteral("Last Photo Tagger Export Path"));
    QString filter;
    switch (m_project->getImageType()) {
    case PTImageArw: filter = tr("Sony Alpha Raw Files (*.ARW)"); break;
    case PTImageTiff: filter = tr("TIFF Files (*.tif)"); break;
    default: filter = tr("JPEG Files (*.jpg)"); break;
    }
    const QStringList files = Prompt::openFiles(this, tr("Add Images"), folder, filter);
    if (files.isEmpty()) {
        qDebug() << "[PTMain] addImages filename is empty -> return!";
        return;
    }
    data->rememberFolder(QStringLiteral("Last Photo Tagger Import Path"), QFileInfo(files.first()).absolutePath());
    if (files.size() > missing) {
        Prompt::warning(nullptr, tr("Too many images!"),
                        tr("You can't add more images to the project than the number of missing images."));
        return;
    }
    PTAddDiag diag(files, start, m_project, this);
    diag.startDiag();
    if (!diag.errors().isEmpty())
        Prompt::error(nullptr, tr("Copy failed!"),
                      tr("%n photo(s) could not be added to the project.", nullptr, diag.errors().size())
                          + QStringLiteral("\n\n") + diag.errors().join(QLatin1Char('\n')));
    refreshFileNames();
    saveProject();
    m_map->updateItems();
}

void PTMain::removeImage()
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        noSelection();
        return;
    }
    if (!Prompt::question(nullptr, tr("Removing image"),
                          tr("Are you sure you want to delete this image? It will be also removed "
                             "from the project.")))
        return;
    for (int row : rows) {
        QTreeWidgetItem *item = m_list->topLevelItem(row);
        const int n = tagOf(item);
        if (m_project->getImageName(n).isEmpty())
            continue;
        if (!m_project->removeImgDataFromProject(n)) {
            Prompt::error(nullptr, tr("Can't save project"),
                          tr("The photo tagger project file could not be written, so the image "
                             "%1 was kept.").arg(m_project->getImageName(n)));
            break;
        }
        item->setText(1, QString());
    }
    m_map->updateItems();
}

void PTMain::endisableItem()
{
    qDebug() << "[PTMain] endisableItem";
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        noSelection();
        return;
    }
    const bool disable = m_project->isEnabled(tagOf(m_list->topLevelItem(rows.first())));
    for (int row : rows) {
        QTreeWidgetItem *item = m_list->topLevelItem(row);
        setRowColour(item, !disable);
        m_project->setEnabled(tagOf(item), !disable);
    }
    m_enableAct->setIcon(QIcon(disable ? QStringLiteral(":/pt_enable.png") : QStringLiteral(":/pt_disable.png")));
    m_map->updateItems();
    saveProject();
}

void PTMain::imageUp()
{
    qDebug() << "[PTMain] imageUp";
    moveImages(true);
}

void PTMain::imageDown()
{
    qDebug() << "[PTMain] imageDown";
    moveImages(false);
}

void PTMain::moveImages(bool up)
{
    QList<int> rows = selectedRows();
    if (rows.isEmpty()) {
        noSelection();
        return;
    }
    const int last = m_list->topLevelItemCount() - 1;
    if (up && rows.contains(0)) {
        Prompt::info(nullptr, tr("First entry!"), tr("You have selected the first entry of your list!"));
        return;
    }
    if (!up && rows.contains(last)) {
        Prompt::info(nullptr, tr("Last entry!"), tr("You have selected the last entry of your list!"));
        return;
    }
    std::sort(rows.begin(), rows.end());
    int free = -1;
    if (up) {
        for (int r = rows.first() - 1; r >= 0; --r)
            if (m_list->topLevelItem(r)->text(1).isEmpty()) {
                free = r;
                break;
            }
    } else {
        for (int r = rows.last() + 1; r <= last; ++r) {
            qDebug() << m_list->topLevelItem(r)->text(1);
            if (m_list->topLevelItem(r)->text(1).isEmpty()) {
                free = r;
                break;
            }
        }
    }
    if (free < 0) {
        Prompt::info(nullptr, tr("Can't change image!"),
                     up ? tr("There is no free place for moving the image. Please first delete "
                             "images or enable disabled triggers.")
                        : tr("There is no free place for setting in the image. Please first delete "
                             "images or enable disabled triggers."));
        return;
    }
    QItemSelectionModel *selection = m_list->selectionModel();
    m_list->setCurrentItem(m_list->topLevelItem(free), 0, QItemSelectionModel::NoUpdate);
    if (!up)
        std::reverse(rows.begin(), rows.end());
    int target = free;
    for (int r : rows) {
        m_project->swapImages(tagOf(m_list->topLevelItem(r)), tagOf(m_list->topLevelItem(target)));
        selection->select(m_list->model()->index(target, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        selection->select(m_list->model()->index(r, 0),
                          QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        target = r;
    }
    refreshFileNames();
    saveProject();
    m_map->updateItems();
    m_map->setSelectedItem(target + 1);
}

void PTMain::importImages()
{
    qDebug() << "[PTMain] importImages";
    if (!Prompt::question(nullptr, tr("Confirm importing"),
                          tr("Automatically imported images will replace all exisiting images in the "
                             "project, if a match is found. Are you sure you want to proceed?")))
        return;
    Data *data = Data::instance();
    const QString start = data->rememberedFolder(QStringLiteral("Last Photo Tagger Import Path"));
    const QString folder = Prompt::directory(this, QString(), start, QFileDialog::ShowDirsOnly);
    qDebug() << "[PTMain] importImages directory: " << folder;
    if (folder.isEmpty())
        return;
    QDir parent(folder);
    parent.cdUp();
    data->rememberFolder(QStringLiteral("Last Photo Tagger Import Path"), parent.absolutePath());
    qDebug() << QStringLiteral("[PTMain] importImages %1 %2").arg(m_projectName, folder);

    PTDiag diag(this);
    diag.setMergeOldProject(m_projectName, folder, m_project->getImageType());
    const int result = diag.exec();
    // A job stopped before its copy step accepts too, but copied nothing:
    // its matched names must not reach the project.
    if (result != 0 && diag.filesChanged()) {
        const QStringList names = diag.getImageOldProjectResult();
        if (!names.isEmpty() && names.size() == m_project->getCount()) {
            m_project->setImageNames(names);
            refreshFileNames();
            saveProject();
        }
    } else if (diag.filesChanged()) {
        // The job had begun to change the folder: what is left of the old
        // photos no longer matches the names, so start from a clean folder.
        const QString path = m_project->getProjectPath();
        Data::removeDirRecursively(path);
        QDir().mkpath(path);
        m_project->clearImageNames();
        saveProject();
        refreshFileNames();
    }
    m_map->updateItems();
}

void PTMain::exportProject()
{
    PTExport dialog(m_project, this);
    dialog.exec();
}
