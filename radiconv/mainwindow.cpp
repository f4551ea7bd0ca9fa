#include "radiconv/mainwindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "radiconv/araconverter.h"
#include "radiconv/droparea.h"
#include "radiconv/droplist.h"
#include "radiconv/filelistdelegate.h"
#include "radiconv/filemodel.h"
#include "atomicfile/atomicfile.h"
#include "atomicfile/settingsfile.h"
#include "core/prompt/prompt.h"

namespace {

const char *const version = RADICONV_VERSION;

const char *const organization = "Brisolan Technologies";
const char *const application = "Korvel Radiconv";

QSettings settings()
{
    return QSettings(SettingsFile::format(), QSettings::UserScope, QLatin1String(organization),
                     QLatin1String(application));
}

void tellSettingsFailure(const QString &file, const QString &reason)
{
    Prompt::error(nullptr, QStringLiteral("Korvel Radiconv"),
                  SettingsFile::failureText(AtomicFile::describe(file, reason)));
}

}  // namespace

void MainWindow::checkSettingsFile()
{
    const QString file = SettingsFile::path(QLatin1String(organization), QLatin1String(application));
    const SettingsFile::Damage damage = SettingsFile::prepare(file);
    if (damage.damaged())
        Prompt::warning(nullptr, QStringLiteral("Korvel Radiconv"), damage.message(file));
}

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_model(new FileModel(this))
    , m_lastFileFolder(QDir::homePath())
    , m_lastDirFolder(QDir::homePath())
{
    setWindowTitle(QStringLiteral("Korvel Radiconv"));
    SettingsFile::setFailureHandler(tellSettingsFailure);
    setMinimumSize(420, 640);
    createToolBar();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);

    m_list = new DropList(central);
    m_list->setModel(m_model);
    m_list->setItemDelegate(new FileListDelegate(m_list));
    m_list->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->setMaximumHeight(0);
    QPalette pal = m_list->palette();
    pal.setColor(QPalette::All, QPalette::Base, pal.color(QPalette::Dark));
    m_list->setPalette(pal);
    m_list->setStyleSheet(QStringLiteral("QListView::item {border-bottom: 1px solid black}"));

    m_dropArea = new DropArea(central);
    m_dropArea->setTextFormat(Qt::RichText);
    m_dropArea->setText(QStringLiteral("Drop ARA images here or <a href='#'>Select files...</a>"));
    m_dropArea->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(m_dropArea, &QLabel::linkActivated, this, &MainWindow::addFilesDialog);

    auto *listBlock = new QVBoxLayout;
    listBlock->setSpacing(0);
    // The list takes the room its rows need (up to its maximum height);
    // the drop area keeps the rest.
    listBlock->addWidget(m_list, 1);
    listBlock->addWidget(m_dropArea, 0);
    layout->addLayout(listBlock, 1);

    layout->addSpacing(18);
    layout->addWidget(new QLabel(QStringLiteral("Select target location:"), central));
    auto *targetRow = new QHBoxLayout;
    m_targetEdit = new QLineEdit(central);
    m_targetEdit->setText(QDir::toNativeSeparators(
        settings().value(QStringLiteral("TargetLocation"), QDir::homePath()).toString()));
    auto *browse = new QPushButton(QStringLiteral("Browse..."), central);
    connect(browse, &QPushButton::clicked, this, &MainWindow::setTargetLocationDialog);
    targetRow->addWidget(m_targetEdit, 1);
    targetRow->addWidget(browse);
    layout->addLayout(targetRow);

    layout->addSpacing(18);
    m_convertButton = new QPushButton(QIcon(QStringLiteral(":/icons/32x32/refresh.png")),
                                      QStringLiteral("Convert to FLIR"), central);
    m_convertButton->setIconSize(QSize(32, 32));
    const QSize natural = m_convertButton->sizeHint();
    m_convertButton->setMinimumSize(natural.width() * 2, int(natural.height() * 1.5));
    m_convertButton->setEnabled(false);
    connect(m_convertButton, &QPushButton::clicked, this, &MainWindow::startConversion);
    layout->addWidget(m_convertButton, 0, Qt::AlignHCenter);

    auto *versionLabel = new QLabel(QString::fromLatin1(version), central);
    versionLabel->setAlignment(Qt::AlignRight);
    layout->addWidget(versionLabel);
    setCentralWidget(central);

    connect(m_list, &DropList::dropped, this, &MainWindow::handleDrop);
    connect(m_dropArea, &DropArea::dropped, this, &MainWindow::handleDrop);
    connect(m_model, &QAbstractItemModel::dataChanged, this, &MainWindow::updateList);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &MainWindow::updateList);
    connect(m_model, &QAbstractItemModel::modelReset, this, &MainWindow::updateList);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this, &MainWindow::updateRemove);
    connect(m_model, &QAbstractItemModel::modelReset, this, &MainWindow::updateRemove);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &MainWindow::updateRemove);

    qDebug() << "MainWindow::MainWindow() Application started";
}

MainWindow::~MainWindow() = default;

void MainWindow::createToolBar()
{
    QToolBar *bar = addToolBar(QStringLiteral("Main Toolbar"));
    bar->setObjectName(QStringLiteral("Main Toolbar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(60, 32));

    m_addFilesAction = bar->addAction(QIcon(QStringLiteral(":/icons/24x24/file-multiple.png")),
                                      QStringLiteral("Add Files"));
    connect(m_addFilesAction, &QAction::triggered, this, &MainWindow::addFilesDialog);
    m_addFolderAction = bar->addAction(QIcon(QStringLiteral(":/icons/24x24/folder-multiple.png")),
                                       QStringLiteral("Add Folder"));
    connect(m_addFolderAction, &QAction::triggered, this, &MainWindow::addFolderDialog);

    auto *spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    bar->addWidget(spacer);

    m_removeAction = bar->addAction(QIcon(QStringLiteral(":/icons/24x24/minus-circle.png")),
                                    QStringLiteral("Remove"));
    m_removeAction->setEnabled(false);
    connect(m_removeAction, &QAction::triggered, this, &MainWindow::removeSelected);
    m_clearAction = bar->addAction(QIcon(QStringLiteral(":/icons/24x24/delete-forever.png")),
                                   QStringLiteral("Clear"));
    connect(m_clearAction, &QAction::triggered, m_model, &FileModel::clear);
}

void MainWindow::updateList()
{
    const int rows = m_model->rowCount();
    if (rows == 0) {
        m_dropArea->clear();
        m_list->setMaximumHeight(0);
        m_convertButton->setEnabled(false);
        return;
    }
    const QMargins margins = m_list->contentsMargins();
    m_list->setMaximumHeight(margins.top() + margins.bottom() + rows * m_list->sizeHintForRow(0) +
                             m_list->frameWidth());
    m_convertButton->setEnabled(!m_converting);
}

void MainWindow::updateRemove()
{
    m_removeAction->setEnabled(m_list->selectionModel()->hasSelection());
}

void MainWindow::removeSelected()
{
    const QModelIndexList rows = m_list->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    qDebug().noquote() << QStringLiteral("MainWindow Removing %1 items").arg(rows.size());
    // The selection is contiguous; start at its top row, whichever end the
    // user began selecting from.
    int first = rows.first().row();
    for (const QModelIndex &index : rows)
        first = qMin(first, index.row());
    m_model->removeRows(first, rows.size());
}

void MainWindow::addFilesOrDirectories(const QStringList &paths)
{
    QStringList files;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir()) {
            qDebug() << "MainWindow::addFilesOrDirectories() Found directory " << path;
            QStringList found;
            QDirIterator it(path, {QStringLiteral("*.ara"), QStringLiteral("*.arv")},
                            QDir::Files | QDir::Readable | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
            while (it.hasNext())
                found << it.next();
            found.sort();  // the file system's order is no order at all
            files << found;
            qDebug().noquote() << QStringLiteral("MainWindow::addFilesOrDirectories() Dir contains %1 ARA file(s)").arg(files.size());
        } else if (path.toLower().endsWith(QLatin1String(".ara"))) {
            qDebug() << "MainWindow::addFilesOrDirectories() Found single image" << path;
            files << path;
        } else if (path.toLower().endsWith(QLatin1String(".arv"))) {
            qDebug() << "MainWindow::addFilesOrDirectories() Found single movie" << path;
            files << path;
        }
    }
    if (files.isEmpty()) {
        qWarning() << "MainWindow::addFiles() No files to convert";
        m_dropArea->clear();
        return;
    }
    qDebug() << "MainWindow::addFiles() Files to convert :" << files;
    m_model->addFiles(files);
}

void MainWindow::addFilesDialog()
{
    qDebug() << "MainWindow::addFilesDialog()";
    const QStringList files =
        Prompt::openFiles(this, QStringLiteral("Add Files..."), m_lastFileFolder, QStringLiteral("ARA files (*.ARA *.ARV)"));
    if (files.isEmpty())
        return;
    m_lastFileFolder = QFileInfo(files.first()).absolutePath();
    addFilesOrDirectories(files);
}

void MainWindow::addFolderDialog()
{
    qDebug() << "MainWindow::addFolderDialog()";
    const QString dir = Prompt::directory(this, QStringLiteral("Add Directory..."), m_lastDirFolder);
    if (dir.isEmpty())
        return;
    m_lastDirFolder = dir;
    addFilesOrDirectories({dir});
}

void MainWindow::setTargetLocationDialog()
{
    const QString dir = Prompt::directory(this, QStringLiteral("Select target location"), m_targetEdit->text());
    if (!dir.isEmpty())
        m_targetEdit->setText(QDir::toNativeSeparators(dir));
}

void MainWindow::handleDrop(const QMimeData *mimeData)
{
    if (!mimeData || !mimeData->hasUrls()) {
        qWarning() << "MainWindow::handleDrop() Received empty MIME data";
        return;
    }
    qDebug() << "MainWindow::handleDrop() Received MIME data :" << mimeData->urls();
    QStringList paths;
    for (const QUrl &url : mimeData->urls()) {
        const QString local = url.toLocalFile();
        if (!local.isEmpty())
            paths << local;
    }
    addFilesOrDirectories(paths);
}

void MainWindow::startConversion()
{
    if (m_converting)
        return;
    qDebug() << "MainWindow::startConversion()";
    const QString target = QDir::toNativeSeparators(m_targetEdit->text());
    {
        QSettings store = settings();
        store.setValue(QStringLiteral("TargetLocation"), target);
        SettingsFile::save(store);
    }

    if (!QDir(target).exists() && !QDir().mkpath(target)) {
        Prompt::Request rq;
        rq.iconPath = QStringLiteral(":/icons/80/error");
        rq.icon = QMessageBox::Critical;
        rq.title = QStringLiteral("Invalid Target Location");
        rq.text = QStringLiteral("The specified target location does not exist, and could not be created:\n"
                                 "\n"
                                 "\t%1\n"
                                 "\n"
                                 "Please chose a writable location.")
                      .arg(target);
        rq.buttons = QMessageBox::Ok;
        Prompt::ask(rq);
        qCritical() << "MainWindow::startConversion() Invalid Target Location; Aborting!";
        return;
    }

    m_total = m_model->rowCount();
    m_converter = new AraConverter(this);
    m_converter->setTargetLocation(m_targetEdit->text());
    m_converter->addFiles(m_model->files());
    connect(m_converter, &AraConverter::started, this, &MainWindow::showProgress);
    connect(m_converter, &AraConverter::progress, this, [this](int done, int total) {
        if (m_progress) {
            m_progress->setMaximum(total);
            m_progress->setValue(done);
        }
    });
    connect(m_converter, &AraConverter::finished, this, &MainWindow::conversionEnded);

    // The list and the buttons rest while the tasks run.
    m_converting = true;
    centralWidget()->setEnabled(false);
    for (QToolBar *bar : findChildren<QToolBar *>())
        bar->setEnabled(false);
    m_convertButton->setEnabled(false);
    m_converter->start();
}

void MainWindow::showProgress(int jobs, int threads)
{
    m_progress = new QProgressDialog(m_converter->progressLabel(), QStringLiteral("Cancel"), 0, 0, this);
    m_progress->setWindowTitle(QStringLiteral("Korvel Radiconv"));
    m_progress->setAutoReset(false);
    m_progress->setMinimumDuration(4000);  // any run that takes long
    connect(m_progress, &QProgressDialog::canceled, m_converter, &AraConverter::cancel);
    connect(m_progress, &QDialog::rejected, m_converter, &AraConverter::cancel);  // Escape
    if (jobs > 2 * threads) {
        m_progress->setWindowModality(Qt::ApplicationModal);
        m_progress->show();
    }
}

void MainWindow::conversionEnded()
{
    if (m_progress) {
        m_progress->disconnect(m_converter);
        m_progress->reset();
        m_progress->hide();
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    for (QToolBar *bar : findChildren<QToolBar *>())
        bar->setEnabled(true);
    centralWidget()->setEnabled(true);
    m_converting = false;

    m_model->clear();
    AraConverter *converter = m_converter;
    m_converter = nullptr;
    reportRun(*converter, m_total);
    converter->deleteLater();
    emit conversionFinished();
}

void MainWindow::reportRun(const AraConverter &converter, int total)
{
    const QList<AraConverter::Failure> failures = converter.failures();
    const int converted = converter.convertedCount();
    statusBar()->showMessage(QStringLiteral("%1 of %2 file(s) converted").arg(converted).arg(total));
    if (failures.isEmpty())
        return;

    QStringList lines;
    const int shown = qMin(failures.size(), 15);
    for (int i = 0; i < shown; ++i)
        lines << QStringLiteral("%1: %2").arg(QFileInfo(failures[i].file).fileName(), failures[i].reason);
    if (failures.size() > shown)
        lines << QStringLiteral("... and %1 more (see the log)").arg(failures.size() - shown);

    Prompt::Request rq;
    rq.parent = this;
    rq.iconPath = QStringLiteral(":/icons/80/warning");
    rq.icon = QMessageBox::Warning;
    rq.title = converter.wasCanceled() ? QStringLiteral("Conversion cancelled")
                                       : QStringLiteral("Conversion incomplete");
    rq.text = QStringLiteral("%1 of %2 file(s) converted. These had problems:").arg(converted).arg(total);
    rq.informativeText = lines.join(QLatin1Char('\n'));
    Prompt::ask(rq);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The conversion tasks use this window's list; it stays until they end.
    if (m_converting) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
