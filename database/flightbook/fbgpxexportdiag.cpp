#include "database/flightbook/fbgpxexportdiag.h"
#include "database/flightbook/logexportdialogs.h"

#include "atomicfile/atomicfile.h"
#include "core/prompt/prompt.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

FBGPXExportDiag::FBGPXExportDiag(const QString& logPath) : m_logPath(logPath)
{
    build(false);
}

FBGPXExportDiag::FBGPXExportDiag(const QVector<QString>& logPaths) : m_logPaths(logPaths)
{
    build(true);
}

FBGPXExportDiag::~FBGPXExportDiag() = default;

void FBGPXExportDiag::build(bool severalLogs)
{
    QDialog dialog;
    m_dialog = &dialog;
    m_cancel = new QPushButton(tr("Cancel"));
    m_export = new QPushButton(tr("Export"));
    m_export->setEnabled(false);
    m_path = new QLineEdit;
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setReadOnly(!severalLogs);
    m_path->setMinimumWidth(320);
    m_browse = new QPushButton(tr("Browse"));
    QLabel* label = new QLabel(severalLogs ? tr("Target folder: ") : tr("Filename: "));
    m_tags = new QCheckBox(tr("Export Photo Tags"));
    m_tags->setChecked(true);
    m_flightPath = new QCheckBox(tr("Export Flight Path"));
    m_flightPath->setChecked(false);
    QDialogButtonBox* buttons = new QDialogButtonBox;
    buttons->addButton(m_export, QDialogButtonBox::AcceptRole);
    buttons->addButton(m_cancel, QDialogButtonBox::ResetRole);
    m_step = new QSpinBox;
    if (severalLogs)
        m_step->setRange(100, 10000);
    else
        m_step->setRange(1, 1000);
    m_step->setValue(100);
    m_step->setEnabled(false);
    QLabel* stepLabel = new QLabel(tr("Minimum time step: "));
    QLabel* unit = new QLabel(tr(" ms"));

    QVBoxLayout* layout = new QVBoxLayout(&dialog);
    QHBoxLayout* pathRow = new QHBoxLayout;
    pathRow->addWidget(label);
    pathRow->addWidget(m_path);
    pathRow->addWidget(m_browse);
    layout->addLayout(pathRow);
    layout->addWidget(m_tags);
    layout->addWidget(m_flightPath);
    QHBoxLayout* stepRow = new QHBoxLayout;
    stepRow->addWidget(stepLabel);
    stepRow->addWidget(m_step);
    stepRow->addWidget(unit);
    layout->addLayout(stepRow);
    layout->addWidget(buttons);

    if (severalLogs)
        connect(m_browse, &QPushButton::clicked, this, &FBGPXExportDiag::browseFolder);
    else
        connect(m_browse, &QPushButton::clicked, this, &FBGPXExportDiag::browseFile);
    connect(m_flightPath, &QCheckBox::toggled, m_step, &QSpinBox::setEnabled);
    if (severalLogs)
        connect(buttons, &QDialogButtonBox::accepted, this, &FBGPXExportDiag::exportLogs);
    else
        connect(buttons, &QDialogButtonBox::accepted, this, &FBGPXExportDiag::exportLog);
    connect(m_cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    dialog.exec();
    m_dialog = nullptr;
}

void FBGPXExportDiag::browseFile()
{
    const QString name = LogExportDialogs::chooseFile(tr("Export to GPX file..."), tr("GPX file (*.gpx)"),
                                                      QStringLiteral(".gpx"));
    if (name.isEmpty())
        return;
    m_path->setText(name);
    m_export->setEnabled(true);
}

void FBGPXExportDiag::browseFolder()
{
    const QString folder = LogExportDialogs::chooseFolder(tr("Export as GPX files to folder..."));
    if (folder.isEmpty())
        return;
    m_path->setText(folder);
    m_export->setEnabled(true);
}

bool FBGPXExportDiag::fillRecord(const QString& logPath, LogExport::GPXExportRecord& record, QString* error) const
{
    std::unique_ptr<HarlekLog> log = LogExport::openLog(logPath, error);
    if (!log)
        return false;
    try {
        record.startTime = log->timeUTC();
        if (m_tags->isChecked())
            record.photoTags = log->photoTags();
        if (m_flightPath->isChecked())
            record.pathPoints = LogExport::thinPathPoints(log->flightPath(0), m_step->value());
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromStdString(e.what());
        return false;
    }
    return true;
}

void FBGPXExportDiag::exportLog()
{
    QString fileName = m_path->text();
    if (!fileName.toLower().endsWith(QLatin1String(".gpx")))
        fileName += QLatin1String(".gpx");
    LogExport::GPXExportRecord record;
    QString error;
    const bool read = fillRecord(m_logPath, record, &error);
    const bool written = read && createGPXFile(record, fileName.toStdString(), &error);
    m_dialog->accept();
    if (!read) {
        Prompt::error(nullptr, tr("Log not exported!"), tr("The log could not be read:\n%1").arg(error));
    } else if (!written) {
        Prompt::error(nullptr, tr("Log not exported!"), tr("The GPX file could not be written:\n%1").arg(error));
    } else {
        Prompt::info(nullptr, tr("Log exported!"), tr("Logfile successfully exported to GPX file!"));
    }
}

void FBGPXExportDiag::exportLogs()
{
    const QString folder = m_path->text();
    if (folder.trimmed().isEmpty() || !QFileInfo(folder).isDir()) {
        // The folder text is editable: refuse a folder that is not there.
        Prompt::warning(nullptr, tr("No target folder"),
                        tr("The folder \"%1\" does not exist.").arg(QDir::toNativeSeparators(folder)));
        return;
    }
    const QStringList targets = LogExport::folderTargets(folder, m_logPaths.size(), QStringLiteral("gpx"));
    if (!LogExportDialogs::mayOverwrite(LogExport::existingTargets(targets)))
        return;  // the export dialog stays open for another folder
    m_dialog->accept();

    LogExportDialogs::exportToFolder(
        m_logPaths, "[FBGPXExportDiag]",
        [&](int i, QString* error) {
            LogExport::GPXExportRecord record;
            return fillRecord(m_logPaths.at(i), record, error)
                   && createGPXFile(record, targets.at(i).toStdString(), error);
        },
        tr("Logs exported!"), tr("Logfiles successfully exported to GPX files!"));
}

bool FBGPXExportDiag::createGPXFile(const LogExport::GPXExportRecord& record, const std::string& fileName,
                                   QString* error)
{
    const QString path = QString::fromStdString(fileName);
    QString why;
    if (!AtomicFile::write(path, LogExport::gpxDocument(record), &why)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    }
    return true;
}
