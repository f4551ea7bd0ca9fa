#include "phototagger/ui/ptexportthreaddiag.h"

#include <QCloseEvent>
#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/prompt/prompt.h"
#include "phototagger/ptdata.h"
#include "phototagger/ui/contextcaptureexport.h"

namespace {
const char *const Finished = "<font color=\"green\">Finished</color>";
const char *const Skipped = "<font color=\"yellow\">Skipped!</color>";
}  // namespace

PTExportThreadDiag::PTExportThreadDiag(PTData *data, QWidget *parent)
    : QDialog(parent), m_thread(data)
{
    qDebug() << "[PTThreadDiag] Constructor";
    setWindowTitle(tr("Processing..."));
    setWindowIcon(QIcon(QStringLiteral(":/phototagger.png")));
    setMinimumWidth(320);

    auto *grid = new QGridLayout;
    m_caption = new QLabel(tr("Creating project..."), this);
    m_caption->setObjectName(QStringLiteral("caption"));
    grid->addWidget(m_caption, 0, 0);
    grid->addWidget(new QLabel(tr("Copy Images"), this), 1, 0);
    for (int r = 0; r < 2; ++r) {
        m_rows[r] = new QStackedWidget(this);
        m_labels[r] = new QLabel(QStringLiteral("-"), m_rows[r]);
        m_labels[r]->setObjectName(QStringLiteral("label%1").arg(r));
        m_labels[r]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_bars[r] = new QProgressBar(m_rows[r]);
        m_bars[r]->setObjectName(QStringLiteral("bar%1").arg(r));
        m_bars[r]->setRange(0, 0);
        m_rows[r]->addWidget(m_labels[r]);
        m_rows[r]->addWidget(m_bars[r]);
        m_rows[r]->setObjectName(QStringLiteral("row%1").arg(r));
        grid->addWidget(m_rows[r], r, 2, Qt::AlignRight | Qt::AlignVCenter);
    }
    m_close = new QPushButton(tr("Close"), this);
    m_close->setObjectName(QStringLiteral("close"));
    m_close->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_close);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    connect(&m_thread, &QThread::finished, this, &PTExportThreadDiag::threadFinished);
    connect(&m_thread, &PTExportThread::copyFile, this, &PTExportThreadDiag::copyFile);
    connect(&m_thread, &PTExportThread::progress, this, &PTExportThreadDiag::progress);
}

PTExportThreadDiag::~PTExportThreadDiag() { m_thread.wait(); }

void PTExportThreadDiag::start(const QString &caption, int kind, bool copyImages)
{
    m_caption->setText(caption);
    m_kind = kind;
    m_copyImages = copyImages;
    m_thread.start(QThread::InheritPriority);  // mode 0: a short pause first
}

void PTExportThreadDiag::startCSVExport(const QString &fileName, const QString &separator,
                                        bool copyImages)
{
    m_thread.setParameters(fileName, separator, copyImages, 0);
    start(tr("Creating csv file..."), PTExportThread::Csv, copyImages);
}

void PTExportThreadDiag::startPhotoScanExport(const QString &fileName, bool copyImages,
                                              int projectType)
{
    m_thread.setParameters(fileName, QString(), copyImages, projectType);
    start(tr("Creating project file for AgiSoft Photoscan..."), PTExportThread::PhotoScan,
          copyImages);
}

void PTExportThreadDiag::startPix4DExport(const QString &fileName, bool copyImages)
{
    m_thread.setParameters(fileName, QString(), copyImages, 0);
    start(tr("Creating csv file for Pix4d..."), PTExportThread::Pix4d, copyImages);
}

void PTExportThreadDiag::finish() { m_close->setEnabled(true); }

void PTExportThreadDiag::threadFinished()
{
    const int mode = m_thread.mode();
    if (mode == PTExportThread::Pause) {
        m_rows[0]->setCurrentIndex(1);
        switch (m_kind) {
        case PTExportThread::Csv: m_thread.createCSVFile(); break;
        case PTExportThread::PhotoScan: m_thread.createPhotoScanFile(); break;
        case PTExportThread::Pix4d: m_thread.createPix4dFile(); break;
        default: finish(); break;
        }
        return;
    }
    if (mode == PTExportThread::CopyImages) {
        m_rows[1]->setCurrentIndex(0);
        m_labels[1]->setText(QString::fromLatin1(Finished));
        finish();
        PTCopyProgress::reportFailures(this, m_thread.failedCopies(), m_thread.failureReasons());
        return;
    }
    // A writer ended; anything but a written file is a failure.
    if (m_thread.result() != PTData::Written) {
        m_rows[0]->setCurrentIndex(0);
        m_labels[0]->setText(QStringLiteral("<font color=\"red\">%1</font>").arg(tr("Failed")));
        finish();
        // The system's reason follows what the box always said.
        const QString why = m_thread.writeError().isEmpty()
                                ? QString()
                                : QStringLiteral("\n\n") + m_thread.writeError();
        if (m_thread.result() == PTData::OpenFailed)
            Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), tr("Can't create file"),
                            tr("Can't create file. Maybe access rights are missing.") + why,
                            QMessageBox::Ok, QMessageBox::Ok);
        else
            Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), tr("Can't write file"),
                            tr("The file could not be written completely. Maybe the disk is full.")
                                + why,
                            QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    m_rows[0]->setCurrentIndex(0);
    m_labels[0]->setText(QString::fromLatin1(Finished));
    if (!m_copyImages) {
        m_labels[1]->setText(QString::fromLatin1(Skipped));
        finish();
        return;
    }
    m_rows[1]->setCurrentIndex(1);
    m_thread.copyImages();
}

void PTExportThreadDiag::progress(int current, int all)
{
    m_bars[0]->setRange(0, all);
    m_bars[0]->setValue(current);
}

void PTExportThreadDiag::copyFile(int nr, int all)
{
    m_bars[1]->setRange(0, all);
    m_bars[1]->setValue(nr);
}

void PTExportThreadDiag::reject()
{
    // Escape: only once the work is done.
    if (m_close->isEnabled())
        QDialog::reject();
}

void PTExportThreadDiag::closeEvent(QCloseEvent *event)
{
    if (m_close->isEnabled())
        event->accept();
    else
        event->ignore();
}
