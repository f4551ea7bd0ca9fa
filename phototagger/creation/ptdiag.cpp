#include "phototagger/creation/ptdiag.h"

#include "core/data.h"
#include "core/headerwidget.h"
#include "core/prompt/prompt.h"
#include "phototagger/creation/ptmerge.h"

#include <QCloseEvent>
#include <QDebug>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
const QString kFinished = QStringLiteral("<font color='green'>Finished</font>");
const QString kSkipped = QStringLiteral("<font color='yellow'>Skipped</font>");
const QString kFailed = QStringLiteral("<font color='red'>Failed</font>");
const QString kSuccess = QStringLiteral("<font color='green'>Success</font>");
const QString kSuccessDone = QStringLiteral("<font color='green'>Success!</font>");
}  // namespace

PTDiag::PTDiag(QWidget *parent) : QDialog(parent)
{
    qDebug() << "[PTDiag] Constructor";
    setWindowTitle(tr("Processing..."));
    setWindowIcon(QIcon(QStringLiteral(":/phototagger.png")));
    m_worker = new PTMerge;

    auto *layout = new QVBoxLayout(this);
    auto numberLabel = [this]() {
        auto *label = new QLabel(QStringLiteral("-"), this);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return label;
    };
    auto addRow = [&](QGridLayout *grid, const QString &text, Row row) {
        const int line = grid->rowCount();
        grid->addWidget(new QLabel(text, this), line, 0);
        RowWidgets &w = m_rows[row];
        w.stack = new QStackedWidget(this);
        w.state = new QLabel(QStringLiteral("-"), w.stack);
        w.state->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        w.bar = new QProgressBar(w.stack);
        w.bar->setRange(0, 0);
        w.bar->setMaximumHeight(18);
        w.stack->addWidget(w.state);
        w.stack->addWidget(w.bar);
        w.stack->setFixedWidth(200);
        w.stack->setMaximumHeight(22);
        grid->addWidget(w.stack, line, 1);
    };
    auto section = [&](const QString &title) {
        layout->addWidget(new HeaderWidget(title, this, true));
        auto *grid = new QGridLayout;
        grid->setColumnStretch(0, 1);
        grid->setContentsMargins(12, 2, 4, 6);
        layout->addLayout(grid);
        return grid;
    };

    QGridLayout *pre = section(QStringLiteral("Preprocessing"));
    addRow(pre, QStringLiteral("Read Log:"), ReadLog);
    m_totalTags = numberLabel();
    pre->addWidget(new QLabel(QStringLiteral("    Total Image Tags:"), this), pre->rowCount(), 0);
    pre->addWidget(m_totalTags, pre->rowCount() - 1, 1);
    addRow(pre, QStringLiteral("Read Exif:"), ReadExif);
    m_totalImages = numberLabel();
    pre->addWidget(new QLabel(QStringLiteral("    Total Images:"), this), pre->rowCount(), 0);
    pre->addWidget(m_totalImages, pre->rowCount() - 1, 1);
    addRow(pre, QStringLiteral("Sort Data:"), SortData);

    QGridLayout *det = section(QStringLiteral("Detection"));
    addRow(det, QStringLiteral("Configure Alghorithm: "), Configure);
    addRow(det, QStringLiteral("Fast Detection: "), Fast);
    addRow(det, QStringLiteral("Deep Detection (No Missing Images): "), Deep0);
    addRow(det, QStringLiteral("Deep Detection (1 Missing Image):"), Deep1);
    addRow(det, QStringLiteral("Deep Detection (2 Missing Images):"), Deep2);
    addRow(det, QStringLiteral("Deep Detection (3 Missing Images):"), Deep3);

    QGridLayout *create = section(QStringLiteral("Create Project"));
    addRow(create, QStringLiteral("Create Project File:"), CreateFile);
    addRow(create, QStringLiteral("Copy Images:"), CopyImages);
    addRow(create, QStringLiteral("Create Thumb Files:"), CreateThumbs);

    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    layout->addStretch();
    layout->addLayout(buttons);
    setMinimumWidth(520);

    connect(m_worker, &QThread::finished, this, &PTDiag::threadFinished, Qt::QueuedConnection);
    connect(m_worker, &PTMerge::imgData, this, &PTDiag::imgDataReadExif);
    connect(m_worker, &PTMerge::detFast, this, &PTDiag::detFast);
    connect(m_worker, &PTMerge::detDeep0, this, &PTDiag::detDeep0);
    connect(m_worker, &PTMerge::detDeep1, this, &PTDiag::detDeep1);
    connect(m_worker, &PTMerge::detDeep2, this, &PTDiag::detDeep2);
    connect(m_worker, &PTMerge::detDeep3, this, &PTDiag::detDeep3);
    connect(m_worker, &PTMerge::copyFiles, this, &PTDiag::copyFiles);
    connect(m_worker, &PTMerge::thumb, this, &PTDiag::createThumbs);
    connect(m_cancel, &QPushButton::clicked, this, &PTDiag::cancelClicked);
}

PTDiag::~PTDiag()
{
    qDebug() << "[PTDiag] d'tor";
    // The worker reads the cancel flag in every loop, so it ends soon.
    m_worker->canceled();
    m_worker->wait();
    delete m_worker;
}

void PTDiag::setNewProjectData(const QString &logName, const QString &photoFolder, int imageType)
{
    qDebug() << "[PTDiag] setNewProjectData " << logName << photoFolder;
    m_job = 1;
    m_logName = logName;
    m_projectName = logName;
    m_photoFolder = photoFolder;
    m_imageType = imageType;
    m_worker->setImageType(imageType);
}

void PTDiag::setOnlyZTEFile(const QString &logName, int imageType)
{
    qDebug() << "[PTDiag] setOnlyZTEFile " << logName;
    m_job = 3;
    m_logName = logName;
    m_projectName = logName;
    m_imageType = imageType;
    m_worker->setImageType(imageType);
}

void PTDiag::setMergeOldProject(const QString &projectName, const QString &photoFolder, int imageType)
{
    qDebug() << "[PTDiag] setMergeOldProject " << projectName << photoFolder;
    m_job = 2;
    m_projectName = projectName;
    m_logName = projectName;
    m_photoFolder = photoFolder;
    m_imageType = imageType;
    m_worker->setImageType(imageType);
}

QStringList PTDiag::getImageOldProjectResult() const
{
    qDebug() << "[PTDiag] getImageOldProjectResult";
    return m_worker->matchedNames();
}

bool PTDiag::filesChanged() const { return m_worker->filesChanged(); }

QString PTDiag::rowState(Row row) const { return m_rows[row].stack->currentIndex() == 0 ? m_rows[row].state->text() : QString(); }
bool PTDiag::rowBusy(Row row) const { return m_rows[row].stack->currentIndex() == 1; }
QString PTDiag::totalTags() const { return m_totalTags->text(); }
QString PTDiag::totalImages() const { return m_totalImages->text(); }

void PTDiag::setBusy(Row row)
{
    m_rows[row].bar->setRange(0, 0);
    m_rows[row].stack->setCurrentIndex(1);
}

void PTDiag::setDone(Row row, const QString &text)
{
    m_rows[row].state->setText(text);
    m_rows[row].stack->setCurrentIndex(0);
}

void PTDiag::setProgress(Row row, int current, int total)
{
    m_rows[row].bar->setRange(0, total);
    m_rows[row].bar->setValue(current);
}

void PTDiag::imgDataReadExif(int current, int total) { setProgress(ReadExif, current, total); }
void PTDiag::detFast(int current, int total) { setProgress(Fast, current, total); }
void PTDiag::detDeep0(int current, int total) { setProgress(Deep0, current, total); }
void PTDiag::detDeep1(int current, int total) { setProgress(Deep1, current, total); }
void PTDiag::detDeep2(int current, int total) { setProgress(Deep2, current, total); }
void PTDiag::detDeep3(int current, int total) { setProgress(Deep3, current, total); }
void PTDiag::copyFiles(int current, int total) { setProgress(CopyImages, current, total); }
void PTDiag::createThumbs(int current, int total) { setProgress(CreateThumbs, current, total); }

void PTDiag::errorReport(const QString &text)
{
    // A file that could not be written is named with the system's reason.
    const QString why = m_worker->errorString();
    Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("Processing Error"),
                    why.isEmpty() ? text : text + QStringLiteral("<br><br>") + why.toHtmlEscaped(),
                    QMessageBox::Ok, QMessageBox::Ok);
    cancelClicked();
}

bool PTDiag::askCreateAnyway(const QString &text, const QString &title)
{
    return Prompt::message(this, QStringLiteral(":/icons/80/warning"), title, text,
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

void PTDiag::writeWithoutPhotos()
{
    for (Row row : {Fast, Deep0, Deep1, Deep2, Deep3})
        if (m_rows[row].state->text() == QLatin1String("-") && !rowBusy(row))
            setDone(row, kSkipped);
    setDone(CopyImages, kSkipped);
    setDone(CreateThumbs, kSkipped);
    setBusy(CreateFile);
    m_worker->createProject();
}

void PTDiag::finishDetection(Row succeeded)
{
    setDone(succeeded, succeeded == Deep3 ? kSuccessDone : kSuccess);
    for (int r = succeeded + 1; r <= Deep3; ++r)
        setDone(Row(r), kSkipped);
    setBusy(CopyImages);
    m_worker->copyImages(m_job);
}

void PTDiag::threadFinished()
{
    qDebug() << "[PTDiag] threadFinished";
    if (m_worker->isCanceled() || m_ending)
        return;
    const int r = m_worker->result();
    switch (m_worker->mode()) {
    case PTMerge::Wait:
        setBusy(ReadLog);
        if (m_job == 2)
            m_worker->readLogDataFromZTE(m_projectName);
        else
            m_worker->readLogData(m_logName);
        break;
    case PTMerge::ReadLog:
        if (r == -1)
            return errorReport(tr("Can't read log file. Maybe this file is corrupt."));
        if (r == -2)
            return errorReport(tr("Validation failed! Log files can't be used."));
        if (r == -3)
            return errorReport(tr("GPS Log not found.  Log files can't be used."));
        if (r == 0)
            return errorReport(tr("No Data available! There are no trigger signal saved on the log."));
        setDone(ReadLog, kFinished);
        m_totalTags->setText(QString::number(r));
        if (m_job == 1) {
            setBusy(ReadExif);
            m_worker->readImageData(m_photoFolder, m_imageType);
        } else {
            for (Row row : {ReadExif, SortData, Configure, Fast, Deep0, Deep1, Deep2, Deep3, CopyImages, CreateThumbs})
                setDone(row, kSkipped);
            setBusy(CreateFile);
            m_worker->createProject();
        }
        break;
    case PTMerge::ReadProject:
        setDone(ReadLog, kFinished);
        if (r == -1)
            return errorReport(tr("Can't read log file. Maybe this file is corrupt."));
        if (r == 0)
            return errorReport(tr("No ZTE Data available. The project seems to be corrupt"));
        m_totalTags->setText(QString::number(r));
        setBusy(ReadExif);
        m_worker->readImageData(m_photoFolder, m_imageType);
        break;
    case PTMerge::ReadImages:
        if (r == 0)
            return errorReport(tr("No Images available! There are no images in this folder"));
        setDone(ReadExif, kFinished);
        m_totalImages->setText(QString::number(r));
        setBusy(SortData);
        m_worker->sortData();
        break;
    case PTMerge::Sort:
        setDone(SortData, kFinished);
        setBusy(Configure);
        m_worker->configDetection();
        break;
    case PTMerge::Configure:
        setDone(Configure, kFinished);
        if (r > 0) {
            setBusy(Fast);
            m_worker->fastDetection();
        } else if (m_job == 2) {
            errorReport(tr("The selected image folder contains no images that could be in range of the project file!"));
        } else if (askCreateAnyway(tr("The selected image folder contains no images that could be in range of the "
                                      "log file!<br><br>Do you want to create the project anyway?"),
                                   tr("Images Problem"))) {
            writeWithoutPhotos();
        } else {
            cancelClicked();
        }
        break;
    case PTMerge::Fast:
    case PTMerge::Deep0:
    case PTMerge::Deep1:
    case PTMerge::Deep2: {
        const Row row = Row(Fast + (m_worker->mode() - PTMerge::Fast));
        if (r == 1)
            return finishDetection(row);
        setDone(row, kFailed);
        setBusy(Row(row + 1));
        if (m_worker->mode() == PTMerge::Fast)
            m_worker->deepDetection();
        else
            m_worker->mergeMoreImages(m_worker->mode() - PTMerge::Deep0 + 1);
        break;
    }
    case PTMerge::Deep3:
        if (r == 1)
            return finishDetection(Deep3);
        if (m_job == 2) {
            setDone(Deep3, kFailed);
            Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("Detection failed"),
                            tr("No images could be found for the log file!"), QMessageBox::Ok, QMessageBox::Ok);
            m_ending = true;
            QDialog::accept();
            return;
        }
        setDone(Deep3, kFailed);
        if (askCreateAnyway(tr("No images could be found for the log file!<br><br>Do you want to create the project "
                               "anyway?"),
                            tr("Detection failed")))
            writeWithoutPhotos();
        else
            cancelClicked();
        break;
    case PTMerge::Copy:
        m_rows[CopyImages].stack->setCurrentIndex(0);
        if (r == -1)
            return errorReport(tr("Can't create folder for photo tagger project."));
        if (r == -2)
            return errorReport(tr("Can't copy image file in project folder."));
        setDone(CopyImages, kFinished);
        setBusy(CreateThumbs);
        m_worker->createThumbs();
        break;
    case PTMerge::Thumbs:
        m_rows[CreateThumbs].stack->setCurrentIndex(0);
        if (r == -1)
            return errorReport(tr("Error Reading Image"));
        if (r == -2)
            return errorReport(tr("Error Creating Thumb"));
        setDone(CreateThumbs, kFinished);
        m_cancel->setEnabled(false);
        setBusy(CreateFile);
        if (m_job == 2) {
            m_ending = true;
            QDialog::accept();
        } else {
            m_worker->createProject();
        }
        break;
    case PTMerge::CreateProject:
        m_rows[CreateFile].stack->setCurrentIndex(0);
        if (r != 1)
            return errorReport(tr("Can't create project file"));
        setDone(CreateFile, kFinished);
        m_ending = true;
        QDialog::accept();
        break;
    default:
        break;
    }
}

void PTDiag::cancelClicked()
{
    qDebug() << "[PTDiag] cancelClicked";
    if (m_ending)
        return;
    m_ending = true;
    m_worker->canceled();
    // Nothing is removed while the worker may still write into the folder.
    m_worker->wait();
    if (m_job != 2) {
        if (m_worker->mode() >= PTMerge::Copy && m_worker->mode() != PTMerge::ReadProject) {
            const QString folder = QDir::toNativeSeparators(Data::instance()->photoTaggerPath() + QLatin1Char('/') + m_logName);
            Data::removeDirRecursively(folder);
        }
        QDialog::reject();
        return;
    }
    // The caller resets the project only when its folder was touched.
    if (m_worker->filesChanged())
        QDialog::reject();
    else
        QDialog::accept();
}

void PTDiag::reject()
{
    // Escape: the job ends only through Cancel.
}

void PTDiag::closeEvent(QCloseEvent *event)
{
    if (m_ending)
        event->accept();
    else
        event->ignore();
}
