#include "database/flightbook/flightbook.h"

#include "core/data.h"
#include "core/prompt/prompt.h"
#include "database/flightbook/fbconverter.h"
#include "database/flightbook/fbgpxexportdiag.h"
#include "database/flightbook/fbkmlexportdiag.h"
#include "database/flightbook/flightbookthread.h"
#include "database/flightbook/logcopy.h"
#include "database/flightbook/logpack.h"
#include "core/mappage.h"

#include <QApplication>
#include <QDebug>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegExpValidator>
#include <QSpinBox>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <cmath>

namespace {

const char* const kLastPathKey = "LastFlightBookPath";
const char* const kCsvPathKey = "Last Waypoint CSV Export Path";

// Within 0.1 degree of the start; exactly 0.1 still counts as near. The
// slack keeps 0.1 as written (20.0 and 19.9) near, whatever the binary
// difference of the two doubles.
bool nearStart(const Position& start, double latitude, double longitude)
{
    const double limit = 0.1 + 1e-9;
    return !(std::fabs(latitude - start.latitude) > limit) && !(std::fabs(longitude - start.longitude) > limit);
}

}  // namespace

Flightbook::Flightbook(QWidget* parent) : ToolWindow(parent)
{
    qDebug() << "[Flightbook] Constructor START";
    auto* toolBar = new QToolBar;
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    auto makeButton = [toolBar](const QString& text, const char* icon) {
        auto* b = new QToolButton;
        b->setText(text);
        b->setIcon(QIcon(QString::fromLatin1(icon)));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        toolBar->addWidget(b);
        return b;
    };
    m_copyButton = makeButton(tr("Copy to database"), ":/fb_copydata.png");
    m_kmlButton = makeButton(tr("Export to KML"), ":/fb_exportKML.png");
    m_gpxButton = makeButton(tr("Export to GPX"), ":/fb_exportGPX.png");
    m_csvButton = makeButton(tr("Export Flightbook as CSV"), ":/flightbook.png");
    toolBar->addSeparator();
    m_packButton = makeButton(tr("Export for sending"), ":/fb_sendKorvel.png");
    for (QToolButton* b : {m_copyButton, m_kmlButton, m_gpxButton, m_packButton})
        b->setEnabled(false);

    const QString lastPath = Data::instance()->settings()->value(QLatin1String(kLastPathKey)).toString();
    m_model.setFilter(QDir::Dirs | QDir::Drives | QDir::NoDotAndDotDot);
    m_model.setRootPath(QString());
    const QModelIndex lastIndex = lastPath.isEmpty() ? QModelIndex() : m_model.index(lastPath);
    qDebug() << QStringLiteral("Flightbook::Flightbook Last used path : %1").arg(lastPath);

    m_folderTree = new QTreeView;
    m_folderTree->setModel(&m_model);
    for (int c = 1; c <= 3; ++c)
        m_folderTree->hideColumn(c);
    m_folderTree->setHeaderHidden(true);
    m_folderTree->setAnimated(true);
    m_folderTree->setSortingEnabled(false);
    m_folderTree->sortByColumn(0, Qt::AscendingOrder);
    m_folderTree->setMinimumWidth(250);

    m_logTree = new QTreeWidget;
    m_logTree->setColumnCount(FlightBookThread::NoteColumn + 1);
    m_logTree->setHeaderLabels(FlightBookThread::columnTitles());
    m_logTree->setMinimumHeight(150);
    m_logTree->setSortingEnabled(false);
    m_logTree->setRootIsDecorated(false);
    m_logTree->setAlternatingRowColors(true);
    m_logTree->setStyleSheet(QStringLiteral("QTreeView {paint-alternating-row-colors-for-empty-area: true}"));
    m_logTree->setSelectionMode(QAbstractItemView::ExtendedSelection);
    const int d = m_logTree->header()->defaultSectionSize();
    m_logTree->setColumnWidth(0, d);
    m_logTree->setColumnWidth(1, int(d * 1.25));
    m_logTree->setColumnWidth(2, d);
    m_logTree->setColumnWidth(3, d);
    m_logTree->setColumnWidth(4, 2 * d);
    m_logTree->resizeColumnToContents(5);
    m_logTree->resizeColumnToContents(6);

    m_loading = new QLabel;
    auto* movie = new QMovie(QStringLiteral(":/loading.gif"), QByteArray(), m_loading);
    m_loading->setMovie(movie);
    movie->start();
    auto* overlay = new QHBoxLayout(m_logTree);
    overlay->addStretch();
    overlay->addWidget(m_loading);
    overlay->addStretch();
    m_loading->hide();

    const MapView map = makeMapView(nullptr);
    m_view = map.view;
    m_map = map.page;
    m_map->open(QUrl::fromUserInput(Data::instance()->mapPageUrl()));

    auto* right = new QWidget;
    auto* column = new QVBoxLayout(right);
    column->setSpacing(0);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(toolBar);
    column->addWidget(m_view, 1);
    column->addWidget(m_logTree);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(m_folderTree);
    splitter->addWidget(right);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    splitter->setHandleWidth(9);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter);

    m_scan = new FlightBookScan(this);
    connect(m_scan, &FlightBookScan::newItem, this, &Flightbook::newItem);
    connect(m_scan, &FlightBookScan::loadingDone, this, &Flightbook::loadingDone);

    connect(m_folderTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { updateFlightBook(current); });
    connect(m_folderTree, &QTreeView::expanded, this, &Flightbook::expandtoContent);
    connect(m_copyButton, &QToolButton::clicked, this, &Flightbook::copy2Database);
    connect(m_kmlButton, &QToolButton::clicked, this, &Flightbook::kmlExportHarlekLog);
    connect(m_gpxButton, &QToolButton::clicked, this, &Flightbook::export2gpx);
    connect(m_csvButton, &QToolButton::clicked, this, &Flightbook::export2csv);
    connect(m_packButton, &QToolButton::clicked, this, &Flightbook::pack4Korvel);
    connect(m_logTree, &QTreeWidget::itemSelectionChanged, this, &Flightbook::updateButtons);
    // Ctrl- and Shift-clicks build a selection; only plain moves redraw.
    connect(m_logTree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (QGuiApplication::keyboardModifiers() == Qt::NoModifier && current)
            updateMap(current);
    });

    if (lastIndex.isValid()) {
        m_folderTree->expand(lastIndex);
        m_folderTree->setCurrentIndex(lastIndex);
        m_folderTree->scrollTo(lastIndex);
    }
    qDebug() << "[Flightbook] Constructor END";
}

Flightbook::~Flightbook()
{
    m_closing = true;
    // Stop the scans and drop a running read before any widget goes.
    delete m_scan;
    m_scan = nullptr;
    delete m_read;
    m_read = nullptr;
}

bool Flightbook::chooseFolder(const QString& path)
{
    const QModelIndex index = m_model.index(path);
    if (!index.isValid())
        return false;
    m_folderTree->setCurrentIndex(index);
    m_folderTree->scrollTo(index);
    return true;
}

void Flightbook::updateBusy()
{
    const bool busy = isBusy();
    m_loading->setVisible(busy);
    m_logTree->setEnabled(!busy);
}

void Flightbook::updateButtons()
{
    const bool any = !selectedLogs().isEmpty();
    for (QToolButton* b : {m_copyButton, m_kmlButton, m_gpxButton, m_packButton})
        b->setEnabled(any);
}

void Flightbook::updateFlightBook(QModelIndex index)
{
    m_logTree->clear();
    m_listed.clear();
    m_scanning = true;
    updateBusy();
    const QString path = index.isValid() ? QFileInfo(m_model.filePath(index)).absoluteFilePath() : QString();
    qDebug() << "log selected:" << path;
    const QFileInfoList entries =
        path.isEmpty() ? QFileInfoList() : QDir(path).entryInfoList(QDir::Dirs, QDir::Unsorted);
    if (entries.isEmpty()) {
        qDebug() << "folder not readable or empty";
        // A folder without entries ends any older scan, too.
        m_scan->start({});
        m_scanning = false;
        updateBusy();
        return;
    }
    Data::instance()->settings()->setValue(QLatin1String(kLastPathKey), path);
    m_scan->start(entries);
}

void Flightbook::newItem(QTreeWidgetItem* item)
{
    qDebug() << "new log item, add to list" << item->text(0);
    if (m_listed.contains(item->text(0))) {
        qDebug() << "already in list!";
        delete item;
        return;
    }
    m_listed.insert(item->text(0));
    switch (FlightBookThread::state(item)) {
    case FlightBookThread::CutShort:
        item->setIcon(0, QIcon(QStringLiteral(":/icons/80/warning")));
        break;
    case FlightBookThread::Skipped:
        item->setIcon(0, QIcon(QStringLiteral(":/icons/80/error")));
        break;
    case FlightBookThread::Whole:
        break;
    }
    m_logTree->addTopLevelItem(item);
}

void Flightbook::loadingDone()
{
    qDebug() << "Flightbook::loadingDone";
    m_scanning = false;
    updateBusy();
    m_logTree->sortItems(1, Qt::DescendingOrder);
}

void Flightbook::expandtoContent()
{
    m_folderTree->resizeColumnToContents(0);
}

QVector<GeoPoint> Flightbook::pathOnMap(const Position& start, const std::vector<PathPoint>& path)
{
    QVector<GeoPoint> out;
    out.reserve(int(path.size()));
    for (const PathPoint& p : path) {
        if (p.latitude == 0.0 || p.longitude == 0.0 || !nearStart(start, p.latitude, p.longitude))
            continue;
        out << GeoPoint::latLon(p.latitude, p.longitude);
    }
    return out;
}

QVector<GeoPoint> Flightbook::pinsOnMap(const Position& start, const std::vector<PhotoTag>& tags)
{
    QVector<GeoPoint> out;
    for (const PhotoTag& t : tags)
        if (nearStart(start, t.latitude, t.longitude))
            out << GeoPoint::latLon(t.latitude, t.longitude);
    return out;
}

void Flightbook::updateMap(QTreeWidgetItem* item)
{
    qDebug() << "[Flightbook] updateMap";
    m_map->cleanMarkers();
    m_map->clearPath();
    // A newer read replaces a running one; the older result is dropped.
    delete m_read;
    m_read = nullptr;
    m_reading = false;
    updateBusy();
    // Its row says why an unread log has nothing to show.
    if (FlightBookThread::state(item) == FlightBookThread::Skipped)
        return;

    const QString path = item->data(0, Qt::UserRole).toString();
    std::shared_ptr<HarlekLog> log;
    Position start;
    try {
        log = std::make_shared<HarlekLog>(path.toStdString());
        start = log->position();
    } catch (...) {
        Prompt::message(nullptr, QString(), QString(), tr("Logfile not available anymore."));
        return;
    }
    if (start.latitude == 0.0 && start.longitude == 0.0 && start.altitude == 0.0)
        return;  // no fix: nothing to show

    m_reading = true;
    updateBusy();
    m_map->gotoLatLon(start.latitude, start.longitude);
    qDebug() << "reading log async" << item->text(0);
    m_read = new QFutureWatcher<PathRead>(this);
    QFutureWatcher<PathRead>* watcher = m_read;
    connect(watcher, &QFutureWatcher<PathRead>::finished, this, [this, watcher, start]() {
        if (m_closing || watcher != m_read)
            return;
        qDebug() << "in lambda, log read!";
        const PathRead read = watcher->result();
        m_read = nullptr;
        watcher->deleteLater();
        drawFlight(start, read);
    });
    // The task owns its share of the log and catches every reader failure,
    // so nothing is thrown across the future.
    watcher->setFuture(QtConcurrent::run([log]() {
        PathRead read;
        try {
            read.path = log->flightPath(1000);
            read.tags = log->photoTags();
            read.ok = true;
        } catch (...) {
            read.ok = false;
        }
        return read;
    }));
}

void Flightbook::drawFlight(const Position& start, const PathRead& read)
{
    if (read.ok) {
        m_map->addPathPoints(pathOnMap(start, read.path));
        for (const GeoPoint& pin : pinsOnMap(start, read.tags))
            QMetaObject::invokeMethod(m_map->pageObject(), "addPin", Q_ARG(double, pin.lat()), Q_ARG(double, pin.lon()));
        QMetaObject::invokeMethod(m_map->pageObject(), "drawPath");
    }
    m_reading = false;
    updateBusy();
    m_logTree->setFocus();
    if (!read.ok)
        Prompt::message(nullptr, QString(), QString(), tr("Logfile not available anymore."));
}

QList<QTreeWidgetItem*> Flightbook::selectedLogs() const
{
    QList<QTreeWidgetItem*> logs;
    for (QTreeWidgetItem* item : m_logTree->selectedItems())
        if (FlightBookThread::state(item) != FlightBookThread::Skipped)
            logs << item;
    return logs;
}

QStringList Flightbook::selectedPaths() const
{
    QStringList paths;
    for (const QModelIndex& index : m_logTree->selectionModel()->selectedRows(0))
        if (index.data(FlightBookThread::StateRole).toInt() != FlightBookThread::Skipped)
            paths << index.data(Qt::UserRole).toString();
    return paths;
}

QStringList Flightbook::readablePaths() const
{
    QStringList paths;
    for (int i = 0; i < m_logTree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_logTree->topLevelItem(i);
        if (FlightBookThread::state(item) != FlightBookThread::Skipped)
            paths << item->data(0, Qt::UserRole).toString();
    }
    return paths;
}

void Flightbook::warn(const QString& text, const QString& title)
{
    Prompt::message(parentWidget(), QStringLiteral(":/icons/80/warning"), title, text);
}

void Flightbook::copy2Database()
{
    qDebug() << "[Flightbook] copy2Database";
    const QList<QTreeWidgetItem*> items = selectedLogs();
    if (items.isEmpty()) {
        warn(tr("You have to select a logfile for copying it to your database."), tr("No log file selected!"));
        return;
    }
    std::unique_ptr<QDialog> dialog(create2DatabaseDialog(items));
    QPointer<Flightbook> self(this);
    dialog->exec();
    if (!self)
        return;
}

QDialog* Flightbook::create2DatabaseDialog(QList<QTreeWidgetItem*> items)
{
    qDebug() << "[Flightbook] create2DatabaseDialog";
    auto* dialog = new QDialog;
    dialog->setWindowTitle(tr("Copy to database"));
    auto* layout = new QVBoxLayout(dialog);
    auto* heading = new QLabel(items.size() == 1 ? tr("Import Log into Database")
                                                 : tr("Import multiple Logs into Database"));
    heading->setObjectName(QStringLiteral("heading"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);

    auto* form = new QFormLayout;
    auto* name = new QLineEdit;
    name->setObjectName(QStringLiteral("name"));
    name->setValidator(new QRegExpValidator(QRegExp(QStringLiteral("[\\w][\\w\\s-()]{1,99}")), name));
    form->addRow(QStringLiteral("Name:"), name);
    QSpinBox* suffix = nullptr;
    if (items.size() > 1) {
        suffix = new QSpinBox;
        suffix->setObjectName(QStringLiteral("suffix"));
        suffix->setRange(1, 99);
        suffix->setValue(1);
        form->addRow(QStringLiteral("Start Suffix at:"), suffix);
    }
    QStringList paths;
    for (QTreeWidgetItem* item : items)
        paths << item->data(0, Qt::UserRole).toString();
    QStringList unreadable;
    const int images = LogCopy::imageCount(paths, &unreadable);
    QString imageText = QString::number(images);
    if (!unreadable.isEmpty())
        imageText += QLatin1Char(' ') + tr("(not counted, cannot be read: %1)").arg(unreadable.join(QStringLiteral(", ")));
    auto* imageLabel = new QLabel(imageText);
    imageLabel->setObjectName(QStringLiteral("images"));
    imageLabel->setWordWrap(true);
    form->addRow(QStringLiteral("Number of Images:"), imageLabel);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox;
    QPushButton* cancel = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    QPushButton* copy = buttons->addButton(tr("Copy"), QDialogButtonBox::AcceptRole);
    copy->setObjectName(QStringLiteral("copy"));
    cancel->setObjectName(QStringLiteral("cancel"));
    copy->setEnabled(false);
    copy->setAutoDefault(false);
    layout->addWidget(buttons);

    connect(name, &QLineEdit::textChanged, dialog, [copy, name](const QString& text) {
        copy->setEnabled(!text.isEmpty());
        name->setFocus();
    });
    connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    QPointer<Flightbook> self(this);
    connect(copy, &QPushButton::clicked, dialog, [self, dialog, items, name, suffix]() {
        if (self)
            self->copyLogs(dialog, items, name->text(), suffix ? suffix->value() : 1);
        else
            dialog->reject();
    });
    return dialog;
}

void Flightbook::copyLogs(QDialog* dialog, const QList<QTreeWidgetItem*>& items, const QString& name, int start)
{
    if (items.size() == 1) {
        databaseCopy(items.first(), name);
        dialog->accept();
        return;
    }
    QPointer<Flightbook> self(this);
    QPointer<QDialog> copyDialog(dialog);
    dialog->hide();
    const int n = items.size();
    QProgressDialog progress(QStringLiteral("Importing logs..."), QStringLiteral("Cancel"), 0, n);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    // Reaching the last log must not reset a cancel made just then.
    progress.setAutoReset(false);
    progress.show();
    const QStringList names = LogCopy::names(name, start, n);
    for (int i = 0; i < n; ++i) {
        progress.setValue(i + 1);
        QCoreApplication::processEvents();
        if (!self || self->m_closing || progress.wasCanceled())
            break;
        databaseCopy(items.at(i), names.at(i));
    }
    if (!self || self->m_closing) {
        if (copyDialog)
            copyDialog->reject();
        return;
    }
    if (copyDialog)
        copyDialog->accept();
}

bool Flightbook::databaseCopy(QTreeWidgetItem* item, QString name)
{
    qDebug() << "[Flightbook] databaseCopy";
    const QString source = item->data(0, Qt::UserRole).toString();
    const QString logName = item->text(0);
    const LogCopy::Result r = LogCopy::copyLog(source, LogCopy::logsFolder(), name);
    switch (r.status) {
    case LogCopy::Result::Copied:
        return true;
    case LogCopy::Result::EmptyName:
        Prompt::message(nullptr, QStringLiteral(":/icons/80/warning"), tr("No log name"),
                        tr("No log name given. Please type in a log name"), QMessageBox::Ok, QMessageBox::Ok);
        qDebug() << "[Flightbook] databaseCopy: No log name";
        return false;
    case LogCopy::Result::NameTaken:
        Prompt::message(nullptr, QStringLiteral(":/icons/80/warning"), tr("Log name already exists"),
                        tr("The log name, you entered, already exists. Please choose another one.<br><br>Hint: You "
                           "can delete log or change its name in the database (on <i>Window</i>-><i>Database</i>)"),
                        QMessageBox::Ok, QMessageBox::Ok);
        qDebug() << "[Flightbook] databaseCopy: Log name already exists";
        return false;
    case LogCopy::Result::Failed:
        break;
    }
    qWarning() << "[Flightbook] databaseCopy failed:" << logName << r.error;
    Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), tr("Copy failed"),
                    tr("The log %1 could not be copied as %2.<br><br>%3")
                        .arg(logName.toHtmlEscaped(), name.toHtmlEscaped(), r.error.toHtmlEscaped()),
                    QMessageBox::Ok, QMessageBox::Ok);
    return false;
}

void Flightbook::kmlExportHarlekLog()
{
    qDebug() << "[Flightbook] kmlExportHarlekLog";
    const QStringList paths = selectedPaths();
    if (paths.isEmpty()) {
        warn(tr("You have to select a logfile to export to a KML file"), tr("No log file selected!"));
        qDebug() << "[Flightbook] kmlExportHarlekLog: No log file selected!";
        return;
    }
    runExport(Export::KML, paths);
}

void Flightbook::export2gpx()
{
    qDebug() << "[Flightbook] export2gpx";
    const QStringList paths = selectedPaths();
    if (paths.isEmpty()) {
        warn(tr("You have to select a logfile for exporting."), tr("No log file selected!"));
        return;
    }
    runExport(Export::GPX, paths);
}

void Flightbook::runExport(Export kind, const QStringList& logPaths)
{
    if (kind == Export::KML) {
        if (logPaths.size() == 1)
            FBKMLExportDiag dialog(logPaths.first());
        else
            FBKMLExportDiag dialog(logPaths.toVector());
    } else {
        if (logPaths.size() == 1)
            FBGPXExportDiag dialog(logPaths.first());
        else
            FBGPXExportDiag dialog(logPaths.toVector());
    }
}

void Flightbook::export2csv()
{
    qDebug() << "[Flightbook] export2csv";
    const QStringList paths = readablePaths();
    if (paths.isEmpty()) {
        warn(tr("There are no harlek logs in the selected folder."), tr("No logs"));
        return;
    }
    Data *data = Data::instance();
    const QString last = data->rememberedFolder(QLatin1String(kCsvPathKey));
    QString file = Prompt::saveFile(this, tr("Set CSV file location"), last, tr("CSV file (*.csv)"));
    if (file.isEmpty())
        return;
    if (!file.toLower().endsWith(QLatin1String(".csv")))
        file += QStringLiteral(".csv");
    data->rememberFolder(QLatin1String(kCsvPathKey), QFileInfo(file).absolutePath());
    runLogBook(file, paths);
}

void Flightbook::runLogBook(const QString& csvFile, const QStringList& logPaths)
{
    FBConverter converter(csvFile, logPaths, this);
    converter.startDiag();
}

void Flightbook::pack4Korvel()
{
    qDebug() << "[Flightbook] pack4Korvel";
    const QStringList paths = selectedPaths();
    if (paths.isEmpty()) {
        warn(tr("You have to select a logfile for exporting."), tr("No log file selected!"));
        return;
    }
    Data *data = Data::instance();
    const QString last = data->rememberedFolder(QLatin1String(kCsvPathKey));
    QString file = Prompt::saveFile(this, tr("Set file location..."), last, tr("ZIP archive (*.zip)"));
    if (file.isEmpty())
        return;
    file = LogPack::zipFileName(file);
    data->rememberFolder(QLatin1String(kCsvPathKey), QFileInfo(file).absolutePath());

    QPointer<Flightbook> self(this);
    QProgressDialog progress(QStringLiteral("Packing files..."), QStringLiteral("Cancel"), 0, paths.size());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setAutoReset(false);
    int logs = 0;
    bool started = false;
    const LogPack::Result r = LogPack::pack(paths, file, [&](LogPack::Step step, const QString&) {
        if (!started) {
            progress.show();
            started = true;
        }
        if (step == LogPack::NextLog)
            progress.setValue(++logs);
        QCoreApplication::processEvents();
        if (!self || self->m_closing)
            return false;
        return !(step == LogPack::NextLog && progress.wasCanceled());
    });
    if (!self || m_closing)
        return;
    if (!r.created) {
        qDebug() << "error opening zipfile" << r.error;
        Prompt::message(nullptr, QString(), tr("error!"),
                        tr("error creating target file.") + QStringLiteral("<br><br>") + r.error.toHtmlEscaped());
        return;
    }
    if (r.cancelled)
        return;
    progress.setValue(progress.maximum());
    progress.hide();
    if (!r.leftOut.isEmpty()) {
        QStringList escaped;
        for (const QString& entry : r.leftOut)
            escaped << entry.toHtmlEscaped();
        Prompt::message(nullptr, QStringLiteral(":/icons/80/warning"), tr("Files not packed"),
                        tr("These files could not be read and are missing from %1:<br><br>%2")
                            .arg(QDir::toNativeSeparators(file).toHtmlEscaped(), escaped.join(QStringLiteral("<br>"))));
        return;
    }
    Prompt::message(nullptr, QStringLiteral(":/icons/80/info"), QMessageBox::tr("File packed!"),
                    QMessageBox::tr("The flights have been packed successfully!"));
}
