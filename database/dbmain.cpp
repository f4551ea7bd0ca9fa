#include "database/dbmain.h"
#include "database/dbphototagger.h"
#include "core/prompt/prompt.h"
#include "database/dbrenamediag.h"
#include "thermal/editor/dbthermal.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMovie>
#include <QResizeEvent>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/data.h"
#include "database/dbharleklog.h"
#include "database/dbmaps.h"
#include "database/dboverview.h"
#include "database/dbpageparts.h"
#include "database/dbthread.h"
#include "database/dbtrace.h"
#include "database/dbwaypoints.h"
#include "phototagger/ptprojectmerge.h"

namespace {

struct KindInfo {
    const char *node;
    const char *type;
    const char *suffix;  // file kinds: the suffix a stored name ends with; folders: null
    int page;
};

// Kinds in DBMain::Kind order.
const KindInfo kKinds[DBMain::KindCount] = {
    {QT_TRANSLATE_NOOP("DBMain", "Flightplans"), QT_TRANSLATE_NOOP("DBMain", "Flightplan"), ".zfp",
     DBMain::FlightPlanPage},
    {QT_TRANSLATE_NOOP("DBMain", "Maps"), QT_TRANSLATE_NOOP("DBMain", "Map"), ".jpg",
     DBMain::MapPage},
    {QT_TRANSLATE_NOOP("DBMain", "Harlek Logs"), QT_TRANSLATE_NOOP("DBMain", "Harlek Log"), nullptr,
     DBMain::LogPage},
    {QT_TRANSLATE_NOOP("DBMain", "Photo Tagger"), QT_TRANSLATE_NOOP("DBMain", "Photo Folder"),
     nullptr, DBMain::PhotoTaggerPage},
    {QT_TRANSLATE_NOOP("DBMain", "Trace"), QT_TRANSLATE_NOOP("DBMain", "Trace file"), ".zt1",
     DBMain::TracePage},
    {QT_TRANSLATE_NOOP("DBMain", "Thermal Images"), QT_TRANSLATE_NOOP("DBMain", "Thermal Folder"),
     nullptr, DBMain::ThermalPage},
};

// Keeps the kind nodes in their fixed order under "Harlek" and "Overview"
// while entries sort by name.
QTreeWidgetItem *fixedItem(const QString &text)
{
    auto *item = new QTreeWidgetItem(QStringList(text));
    item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

}  // namespace

DBMain::DBMain(QWidget *parent) : ToolWindow(parent)
{
    qDebug() << "[DBMain] Constructor START";
    setWindowIcon(QIcon(QStringLiteral(":/database.png")));
    m_tree = new QTreeWidget(this);
    m_tree->setColumnCount(4);
    m_tree->setHeaderLabels({tr("Name"), tr("Type"), tr("Amount"), tr("Size")});
    m_tree->setSortingEnabled(true);
    m_tree->sortByColumn(0, Qt::AscendingOrder);
    m_tree->setAnimated(true);
    m_tree->setColumnWidth(0, 400);
    m_tree->setColumnWidth(1, 120);
    m_tree->setColumnWidth(2, 70);
    m_tree->setColumnWidth(3, 90);  // room for "1023.9 KB"
    m_tree->header()->setStretchLastSection(false);
    m_overview = fixedItem(tr("Overview"));
    m_harlek = fixedItem(tr("Harlek"));
    for (int k = 0; k < KindCount; ++k)
        m_nodes[k] = fixedItem(tr(kKinds[k].node));
    m_tree->addTopLevelItem(m_overview);
    connect(m_tree, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item, int) { openItem(item); });
    m_overview->addChild(m_harlek);
    m_harlek->addChildren({m_nodes[Logs], m_nodes[PhotoTagger], m_nodes[Thermal], m_nodes[Traces]});
    m_overview->addChildren({m_nodes[Maps], m_nodes[FlightPlans]});
    m_harlek->setExpanded(true);
    m_overview->setExpanded(true);

    m_overviewPage = new DBOverview(this);
    m_thread = new DBThread(this);
    m_stack = new QStackedWidget(this);
    // Pages on top, tree below, split so that a short window still shows the
    // whole tree of kinds; a page taller than its share scrolls.
    auto *pageArea = new QScrollArea(this);
    pageArea->setFrameShape(QFrame::NoFrame);
    pageArea->setWidgetResizable(true);
    pageArea->setWidget(m_stack);
    m_split = new QSplitter(Qt::Vertical, this);
    m_split->setChildrenCollapsible(false);
    m_split->addWidget(pageArea);
    m_split->addWidget(m_tree);
    m_split->setStretchFactor(0, 0);
    m_split->setStretchFactor(1, 1);
    connect(m_split, &QSplitter::splitterMoved, this, [this] { m_splitMoved = true; });
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_split);

    auto *loading = new QWidget(this);
    auto *loadingLayout = new QHBoxLayout(loading);
    auto *animation = new QLabel(loading);
    auto *movie = new QMovie(QStringLiteral(":/loading.gif"), QByteArray(), animation);
    animation->setMovie(movie);
    movie->start();
    loadingLayout->addStretch();
    loadingLayout->addWidget(animation);
    loadingLayout->addStretch();

    m_stack->addWidget(loading);
    m_stack->addWidget(m_overviewPage);
    m_mapsPage = new DBMaps(this);
    m_stack->addWidget(m_mapsPage);
    m_waypointsPage = new DBWaypoints(this);
    m_stack->addWidget(m_waypointsPage);
    m_tracePage = new DBTrace(this);
    m_stack->addWidget(m_tracePage);
    m_logPage = new DBHarlekLog(this);
    m_stack->addWidget(m_logPage);
    m_ptPage = new DBPhotoTagger(this);
    m_stack->addWidget(m_ptPage);
    connect(m_ptPage, &DBPhotoTagger::ptRemoved, this, &DBMain::ptRemoved);
    connect(m_ptPage, &DBPhotoTagger::ptRenamed, this, &DBMain::ptRenamed);
    connect(m_ptPage, &DBPhotoTagger::ptMerged, this, &DBMain::updatePTComplete);
    connect(m_ptPage, &DBPhotoTagger::openProject, this, &DBMain::openPhotoTaggerProject);
    connect(m_ptPage, &DBPhotoTagger::updateDB, this, &DBMain::updateDBComplete);
    m_thermalPage = new DBThermal(this);
    m_thermalPage->renameAsker = [](const QString &old) {
        DBRenameDiag dialog(old);
        dialog.exec();
        return dialog.newName;
    };
    m_stack->addWidget(m_thermalPage);
    connect(m_thermalPage, &DBThermal::thRemoved, this, &DBMain::thRemoved);
    connect(m_thermalPage, &DBThermal::thRenamed, this, &DBMain::thRenamed);
    connect(m_thermalPage, &DBThermal::openProject, this, &DBMain::openThermalProject);
    m_stack->setCurrentIndex(OverviewPage);

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { updateInformationWidget(current); });
    connect(m_overviewPage, &DBOverview::updateDB, this, &DBMain::updateDBComplete);
    connect(m_thread, &DBThread::loadingDone, this, [this](int page) {
        // A load that ends after another kind was selected shows nothing.
        if (m_currentType == tr(kKinds[Maps].type))
            m_stack->setCurrentIndex(page);
    });
    connect(m_thread, &DBThread::mapPixMapResized, m_mapsPage, &DBMaps::setMap);
    connect(m_thread, &DBThread::mapSetMapData, m_mapsPage, &DBMaps::setMapData);
    connect(m_mapsPage, &DBMaps::mapDeleted, this, &DBMain::mapRemoved);
    connect(m_mapsPage, &DBMaps::mapRenamed, this, &DBMain::mapRenamed);
    connect(m_mapsPage, &DBMaps::openMap, this, &DBMain::openMap);
    connect(m_mapsPage, &DBMaps::updateDB, this, &DBMain::updateDBComplete);
    connect(m_tracePage, &DBTrace::traceDeleted, this, &DBMain::trRemoved);
    connect(m_logPage, &DBHarlekLog::logDeleted, this, &DBMain::logRemoved);
    connect(m_logPage, &DBHarlekLog::logRenamed, this, &DBMain::logRenamed);
    connect(m_logPage, &DBHarlekLog::createPTproject, this, &DBMain::createPTProject);
    connect(m_logPage, &DBHarlekLog::updateDB, this, &DBMain::updateDBComplete);
    connect(m_waypointsPage, &DBWaypoints::wpRemoved, this, &DBMain::wpRemoved);
    connect(m_waypointsPage, &DBWaypoints::wpRenamed, this, &DBMain::wpRenamed);
    connect(m_waypointsPage, &DBWaypoints::openFlightPlan, this, &DBMain::openFlightplan);
    connect(m_waypointsPage, &DBWaypoints::updateDB, this, &DBMain::updateDBComplete);
    qDebug() << "[DBMain] Constructor END";
}

DBMain::~DBMain()
{
    delete m_thread;  // stops and waits for a running load
}

void DBMain::resizeEvent(QResizeEvent *event)
{
    ToolWindow::resizeEvent(event);
    if (!m_splitMoved)
        placeSplit();
}

void DBMain::showEvent(QShowEvent *event)
{
    ToolWindow::showEvent(event);
    if (!m_splitMoved)
        placeSplit();
}

// Pages get up to 400 pixels, but never so much that the tree cannot show
// its eight fixed rows; once the operator drags the handle, their choice holds.
void DBMain::placeSplit()
{
    const int total = m_split->height() - m_split->handleWidth();
    if (total <= 0)
        return;
    const int row = qMax(m_tree->sizeHintForRow(0), m_tree->fontMetrics().height() + 4);
    const int treeWanted = m_tree->header()->sizeHint().height() + 8 * row
        + 2 * m_tree->frameWidth() + 4;
    const int pages = qBound(qMin(total / 3, 400), total - treeWanted, 400);
    m_split->setSizes({pages, total - pages});
    m_splitMoved = false;  // setSizes is no drag
}

QString DBMain::sizeText(qint64 bytes, int width, int precision)
{
    auto text = [&](double value, const char *unit) {
        return QStringLiteral("%1 %2").arg(value, width, 'f', precision, QLatin1Char(' '))
            .arg(QLatin1String(unit));
    };
    if (bytes > 1073741824LL)
        return text(double(bytes) / 1073741824.0, "GB");
    if (bytes > 1048576LL)
        return text(double(bytes) / 1048576.0, "MB");
    if (bytes > 1024LL)
        return text(double(bytes) / 1024.0, "KB");
    return QStringLiteral("%1 Bytes").arg(bytes);
}

QString DBMain::folderOf(Kind kind)
{
    Data *data = Data::instance();
    switch (kind) {
    case FlightPlans: return data->waypointPath();
    case Maps: return data->orthoMapPath();
    case Logs: return data->logsPath();
    case PhotoTagger: return data->photoTaggerPath();
    case Traces: return data->harlekSDPath() + QStringLiteral("/trace");
    case Thermal: return data->harlekSDPath() + QStringLiteral("/thermal");
    default: return QString();
    }
}

int DBMain::fill(Kind kind)
{
    static const char *const logs[KindCount] = {
        "[DBMain] fillWaypointList", "[DBMain] fillMapList", "[DBMain] fillLogList",
        "[DBMain] fillPhotoTaggerList", "[DBMain] fillTraceList", "[DBMain] fillThermalList"};
    qDebug() << logs[kind];
    QTreeWidgetItem *node = m_nodes[kind];
    for (QTreeWidgetItem *item : qAsConst(m_items[kind])) {
        node->removeChild(item);
        delete item;
    }
    m_items[kind].clear();
    const KindInfo &info = kKinds[kind];
    // A merge of photo-tagger projects cut off before ends before they are
    // listed, so every photo shows in the project that lists it.
    if (kind == PhotoTagger)
        PTProjectMerge::finishInterrupted();
    const QDir dir(folderOf(kind));
    QFileInfoList entries;
    if (info.suffix) {
        const QString suffix = QLatin1String(info.suffix);
        const QFileInfoList files =
            dir.entryInfoList({QLatin1Char('*') + suffix, QLatin1Char('*') + suffix.toUpper()},
                              QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Unsorted);
        for (const QFileInfo &fi : files) {
            if (fi.fileName().endsWith(suffix) || fi.fileName().endsWith(suffix.toUpper()))
                entries << fi;
        }
    } else {
        entries = dir.entryInfoList(QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                                    QDir::Unsorted);
    }
    QList<QTreeWidgetItem *> made;
    for (const QFileInfo &fi : qAsConst(entries)) {
        const qint64 size = info.suffix ? fi.size() : Data::pathSize(fi);
        m_totals[kind] += double(size);
        // A file item is its name without the kind's suffix ("a.b.jpg" is
        // "a.b"); a folder item is its full name.
        const QString name = info.suffix ? fi.fileName().chopped(4) : fi.fileName();
        auto *item = new QTreeWidgetItem(
            QStringList{name, tr(info.type), QString(), sizeText(size, 0, 1)});
        item->setData(0, Qt::UserRole, fi.fileName());
        item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        made << item;
    }
    m_items[kind] = made;
    node->addChildren(made);
    node->setText(2, QString::number(made.size()));
    node->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    return made.size();
}

void DBMain::updateDBComplete()
{
    qDebug() << "[DBMain] updateDBComplete ";
    const QString name = m_currentName;
    const QString type = m_currentType;
    int counts[KindCount];
    for (double &total : m_totals)
        total = 0;
    for (Kind k : {Maps, FlightPlans, Logs, PhotoTagger, Traces, Thermal})
        counts[k] = fill(k);
    for (int k = 0; k < KindCount; ++k)
        m_nodes[k]->setText(3, sizeText(qint64(m_totals[k]), 0, 1));
    const double harlek = m_totals[Logs] + m_totals[PhotoTagger] + m_totals[Thermal]
        + m_totals[Traces];
    m_harlek->setText(3, sizeText(qint64(harlek), 0, 1));
    m_overview->setText(3, sizeText(qint64(harlek + m_totals[Maps] + m_totals[FlightPlans]), 0, 1));
    m_overviewPage->setDiskUsage(m_totals[PhotoTagger], m_totals[Traces], m_totals[Logs],
                                 m_totals[Maps], m_totals[FlightPlans], m_totals[Thermal]);
    m_overviewPage->setAmount(counts[PhotoTagger], counts[Traces], counts[Logs], counts[Maps],
                              counts[FlightPlans], counts[Thermal]);
    const int kind = kindOfType(type);
    if (kind < 0)
        return;
    for (QTreeWidgetItem *item : qAsConst(m_items[kind])) {
        if (item->text(0) == name) {
            m_tree->setCurrentItem(item);
            return;
        }
    }
}

int DBMain::kindOfType(const QString &type) const
{
    if (type.isEmpty())
        return -1;
    for (int k = 0; k < KindCount; ++k) {
        if (type == tr(kKinds[k].type))
            return k;
    }
    return -1;
}

void DBMain::updateInformationWidget(QTreeWidgetItem *item)
{
    m_currentName = item ? item->text(0) : QString();
    m_currentType = item ? item->text(1) : QString();
    qDebug().noquote() << QStringLiteral("[DBMain] updateInformationWidget %1 %2")
                              .arg(m_currentName, m_currentType);
    if (m_currentType.isEmpty()) {
        m_stack->setCurrentIndex(OverviewPage);
        return;
    }
    const int kind = kindOfType(m_currentType);
    if (kind < 0)
        return;
    if (kind == FlightPlans) {
        switchToFlightplan(m_currentName);
        return;
    }
    if (kind == Logs) {
        m_logPage->setLog(m_currentName);
        m_stack->setCurrentIndex(LogPage);
        return;
    }
    if (kind == Traces) {
        m_tracePage->setTraceFile(m_currentName, folderOf(Traces) + QLatin1Char('/')
                                                     + item->data(0, Qt::UserRole).toString());
        m_stack->setCurrentIndex(TracePage);
        return;
    }
    if (kind == Maps) {
        const QString path = folderOf(Maps) + QLatin1Char('/') + item->data(0, Qt::UserRole).toString();
        m_mapsPage->setFile(m_currentName, path);
        m_thread->loadMap(m_currentName, path);
        return;
    }
    if (kind == PhotoTagger)
        m_ptPage->setData(m_currentName);
    else
        m_thermalPage->showProjectInfo(m_currentName);
    m_stack->setCurrentIndex(kKinds[kind].page);
}

void DBMain::switchToFlightplan(const QString &name)
{
    qDebug().noquote() << QStringLiteral("[DBMain] switchToFlightplan %1").arg(name);
    const FlightPlanInfo info = Data::instance()->flightPlanInfo(name);
    m_waypointsPage->setData(name, info.location.isEmpty() ? QStringLiteral("-") : info.location,
                             info.lastModified.toString(QStringLiteral("dd. MMMM yyyy hh:mm:ss")),
                             QString::number(info.waypointCount));
    m_stack->setCurrentIndex(FlightPlanPage);
}

void DBMain::openItem(QTreeWidgetItem *item)
{
    if (m_items[FlightPlans].contains(item))
        emit openFlightplan(item->text(0));
    else if (m_items[Maps].contains(item))
        emit openMap(folderOf(Maps) + QDir::separator() + item->data(0, Qt::UserRole).toString());
    else if (m_items[PhotoTagger].contains(item))
        emit openPhotoTaggerProject(item->text(0));
    else if (m_items[Thermal].contains(item))
        emit openThermalProject(item->text(0));
}

void DBMain::removed(Kind kind, const char *slot, const QString &name)
{
    qDebug().noquote() << QStringLiteral("[DBMain] %1 %2").arg(QLatin1String(slot), name);
    for (QTreeWidgetItem *item : qAsConst(m_items[kind])) {
        if (item->text(0) != name)
            continue;
        m_items[kind].removeOne(item);
        m_nodes[kind]->removeChild(item);
        delete item;
        m_nodes[kind]->setText(2, QString::number(m_items[kind].size()));
        m_nodes[kind]->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        updateDBOverview();
        return;
    }
}

bool DBMain::renamed(Kind kind, const char *slot, const QString &oldname, const QString &newname)
{
    qDebug().noquote() << QStringLiteral("[DBMain] %1 %2 %3")
                              .arg(QLatin1String(slot), oldname, newname);
    for (QTreeWidgetItem *item : qAsConst(m_items[kind])) {
        if (item->text(0) != oldname)
            continue;
        item->setText(0, newname);
        const QString suffix = kKinds[kind].suffix ? item->data(0, Qt::UserRole).toString().right(4)
                                                   : QString();
        item->setData(0, Qt::UserRole, newname + suffix);
        return true;
    }
    return false;
}

void DBMain::mapRenamed(const QString &oldname, const QString &newname)
{
    if (!renamed(Maps, "mapRenamed", oldname, newname))
        return;
    QString error;
    if (!Data::instance()->updateMapName(oldname, newname, &error))
        Prompt::warning(this, tr("Warning!"),
                        tr("The map was renamed, but its new name could not be written into the "
                           "map file.")
                            + QStringLiteral("\n\n") + error);
    Data::instance()->updateMapIndex();
}

void DBMain::updateDBOverview()
{
    qDebug() << "[DBMain] updateDBOverview";
    m_overviewPage->setDiskUsage(m_totals[PhotoTagger], m_totals[Traces], m_totals[Logs],
                                 m_totals[Maps], m_totals[FlightPlans], m_totals[Thermal]);
    m_overviewPage->setAmount(m_items[PhotoTagger].size(), m_items[Traces].size(),
                              m_items[Logs].size(), m_items[Maps].size(),
                              m_items[FlightPlans].size(), m_items[Thermal].size());
}

void DBMain::updatePTComplete()
{
    m_totals[PhotoTagger] = 0;
    fillPhotoTaggerList();
    updateDBOverview();
}
