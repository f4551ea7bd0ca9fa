#include "app/migratediag.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "core/prompt/prompt.h"
#include "app/shellwidgets.h"

namespace {

const char *const kVersion = "v3.4.5";

// Heading, 20 px, word-wrapped text, 10 px; the caller adds the rest.
QWidget *makePage(const QString &heading, const QString &text, QVBoxLayout **layoutOut)
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(heading));
    layout->addSpacing(20);
    auto *body = new QLabel(text);
    body->setWordWrap(true);
    layout->addWidget(body);
    layout->addSpacing(10);
    *layoutOut = layout;
    return page;
}

}  // namespace

MigrateDiag::MigrateDiag(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Migration Wizard"));
    setWindowIcon(QIcon(QStringLiteral(":/migrate.png")));
    setFixedSize(600, 400);

    m_pages = new QStackedWidget;
    QVBoxLayout *l = nullptr;

    QWidget *welcome = makePage(tr("<h2>Thank you for updating the Korvel Tarvendel!</h2>"),
                                tr("Since our last version, we changed some structure or "
                                   "datasets, which has to be migrated to the new version."),
                                &l);
    l->addLayout(ShellWidgets::bulletRow(tr("New Map structure")));
    l->addLayout(ShellWidgets::bulletRow(tr("Trace files cleanup")));
    l->addStretch();
    m_pages->addWidget(welcome);

    QWidget *trace = makePage(
        tr("<h3>Trace files cleanup</h3>"),
        tr("Trace files are files, which will be generated since the first version of the Korvel "
           "Tarvendel for logging Korvel Harlek 8 data and until not wasn't used for anything in "
           "the Korvel Tarvendel. Since V2.1.0, we changed the format of the trace files, which "
           "includes more information about the flight. All older files (the old trace file) is "
           "not usable anymore, so they will be deleted."),
        &l);
    m_traceStatus = new QLabel(tr("Click on Next to start the migration"));
    m_traceProgress = new QProgressBar;
    m_traceProgress->setRange(0, 100);
    m_traceProgress->setValue(0);
    l->addWidget(m_traceStatus);
    l->addWidget(m_traceProgress);
    l->addStretch();
    m_pages->addWidget(trace);

    QWidget *maps = makePage(tr("<h3>Moving map files</h3>"),
                             tr("The map workspace has to be reconfigured. Map files will be "
                                "moved into a subfolder of your workspace."),
                             &l);
    m_mapStatus = new QLabel(tr("Click on Next to start the movement"));
    m_mapProgress = new QProgressBar;
    m_mapProgress->setRange(0, 100);
    m_mapProgress->setValue(0);
    l->addWidget(m_mapStatus);
    l->addWidget(m_mapProgress);
    l->addStretch();
    m_pages->addWidget(maps);

    QWidget *finished = makePage(tr("<h3>Migration Finished!</h3>"),
                                 tr("The new version of the Korvel Tarvendel is now ready to use!"),
                                 &l);
    m_problems = new QLabel;
    m_problems->setObjectName("problems");
    m_problems->setWordWrap(true);
    m_problems->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_problems->hide();
    l->addWidget(m_problems);
    l->addStretch();
    m_pages->addWidget(finished);

    m_cancelButton = new QPushButton(tr("Cancel"));
    m_nextButton = new QPushButton(tr("Next"));
    m_nextButton->setDefault(true);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::close);
    connect(m_nextButton, &QPushButton::clicked, this, &MigrateDiag::nextClicked);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_cancelButton);
    buttons->addStretch();
    buttons->addWidget(m_nextButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addStretch();
    layout->addLayout(buttons);
}

void MigrateDiag::nextClicked()
{
    switch (m_pages->currentIndex()) {
    case 0:
        m_pages->setCurrentIndex(1);
        break;
    case 1:
        if (traceDone) {
            m_pages->setCurrentIndex(2);
        } else {
            m_nextButton->setEnabled(false);
            m_traceProgress->setRange(0, 0);
            runTraceCleanup();
        }
        break;
    case 2:
        if (mapsDone) {
            updateFinishedPage();
            m_pages->setCurrentIndex(3);
            m_nextButton->setText(tr("Finish"));
            m_cancelButton->hide();
        } else {
            m_nextButton->setEnabled(false);
            m_mapProgress->setRange(0, 0);
            runMapMove();
        }
        break;
    default:
        accept();
        break;
    }
}

void MigrateDiag::runTraceCleanup()
{
    const QDir folder(Data::instance()->harlekSDPath() + QDir::separator() + "trace");
    // Only the old format; ".zt1" traces are current and stay.
    const QStringList old = folder.exists()
                                ? folder.entryList({"*.zth"}, QDir::Files | QDir::NoDotAndDotDot)
                                : QStringList();
    for (const QString &name : old) {
        if (!QFile::remove(folder.filePath(name))) {
            qWarning() << "[MigrateDiag] cannot delete" << folder.filePath(name);
            m_undeletedTraces << folder.filePath(name);
        }
    }
    m_traceProgress->setRange(0, 1);
    m_traceProgress->setValue(1);
    traceDone = true;
    m_nextButton->setEnabled(true);
    m_traceStatus->setText(tr("Done. Click on Next to continue"));
}

void MigrateDiag::runMapMove()
{
    Data *data = Data::instance();
    const QDir mapFolder(data->mapPath());
    const QString target = data->orthoMapPath();
    const QStringList images = mapFolder.exists()
                                   ? mapFolder.entryList({"*.jpg"}, QDir::Files | QDir::NoDotAndDotDot)
                                   : QStringList();
    QFile::remove(mapFolder.filePath("index"));
    QDir().mkpath(target);

    for (const QString &name : images) {
        const QString from = mapFolder.filePath(name);
        const QString to = target + QDir::separator() + name;
        // A map of that name in the store is never overwritten; the old one
        // stays where it is and is listed for the user.
        if (!AtomicFile::renameNoReplace(from, to)) {
            qWarning() << "[MigrateDiag] map not moved" << from;
            m_unmovedMaps << from;
        }
    }
    data->updateMapIndex();

    m_mapProgress->setRange(0, 1);
    m_mapProgress->setValue(1);
    mapsDone = true;
    m_nextButton->setEnabled(true);
    m_mapStatus->setText(tr("Done. Click on Next to continue"));
    data->setMigrationStatus(3);
    data->setVersion(QString::fromLatin1(kVersion));
    data->syncSettings();
}

void MigrateDiag::updateFinishedPage()
{
    QStringList lines;
    if (!m_unmovedMaps.isEmpty()) {
        lines << tr("These map files could not be moved and were left where they are:");
        for (const QString &f : m_unmovedMaps)
            lines << QDir::toNativeSeparators(f).toHtmlEscaped();
    }
    if (!m_undeletedTraces.isEmpty()) {
        lines << tr("These old trace files could not be deleted:");
        for (const QString &f : m_undeletedTraces)
            lines << QDir::toNativeSeparators(f).toHtmlEscaped();
    }
    m_problems->setText(lines.join("<br>"));
    m_problems->setVisible(!lines.isEmpty());
}

void MigrateDiag::closeEvent(QCloseEvent *event)
{
    Prompt::Request rq;
    rq.parent = this;
    rq.iconPath = QStringLiteral(":/icons/80/question");
    rq.title = tr("Cancel Migration...");
    rq.text = tr("Are you sure you want to cancel migration? This will close the Korvel "
                 "Tarvendel and you can't use it.");
    rq.buttons = QMessageBox::Yes | QMessageBox::No;
    rq.defaultButton = QMessageBox::No;
    if (Prompt::ask(rq) == QMessageBox::Yes)
        event->accept();
    else
        event->ignore();
}

void MigrateDiag::keyPressEvent(QKeyEvent *event)
{
    // Escape goes through the same question as every other way of closing.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}
