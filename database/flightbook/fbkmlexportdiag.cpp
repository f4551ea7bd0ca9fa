#include "database/flightbook/fbkmlexportdiag.h"
#include "database/flightbook/logexport.h"
#include "database/flightbook/logexportdialogs.h"

#include "atomicfile/atomicfile.h"
#include "core/prompt/prompt.h"

#include <QDebug>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

FBKMLExportDiag::FBKMLExportDiag(const QString& logPath) : m_logPath(logPath)
{
    build(false);
}

FBKMLExportDiag::FBKMLExportDiag(const QVector<QString>& logPaths) : m_logPaths(logPaths)
{
    build(true);
}

FBKMLExportDiag::~FBKMLExportDiag() = default;

void FBKMLExportDiag::build(bool severalLogs)
{
    qDebug() << "[FBKMLExportDiag] Constructor START";
    QDialog dialog;
    m_dialog = &dialog;
    m_path = new QLineEdit;
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setReadOnly(true);
    m_path->setMinimumWidth(320);
    QPushButton* browse = new QPushButton(tr("Browse"));
    QLabel* hint = new QLabel(tr("<b>Hint:</b><br>The <font color=\"#00FF00\">green</font> path shows the flight "
                                 "with GPS Mode, the <font color=\"#FFFF00\">yellow</font> one is the path with "
                                 "Height Mode and the <font color=\"#FF0000\">red</font> path shows the flight "
                                 "path in Manual Mode."));
    hint->setWordWrap(true);
    QLabel* label = new QLabel(severalLogs ? tr("Target folder:") : tr("Filename:"));
    QPushButton* cancel = new QPushButton(tr("Cancel"));
    m_export = new QPushButton(tr("Export"));
    m_export->setEnabled(false);
    QDialogButtonBox* buttons = new QDialogButtonBox;
    buttons->addButton(m_export, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::ResetRole);

    QVBoxLayout* layout = new QVBoxLayout(&dialog);
    QHBoxLayout* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_path);
    row->addWidget(browse);
    layout->addLayout(row);
    layout->addWidget(hint);
    layout->addStretch();
    layout->addWidget(buttons);

    // The export action runs through the button box and closes the dialog
    // itself (a folder export may keep it open when overwriting is refused).
    connect(cancel, &QPushButton::clicked, m_path, &QLineEdit::clear);
    if (severalLogs)
        connect(browse, &QPushButton::clicked, this, &FBKMLExportDiag::browseFolder);
    else
        connect(browse, &QPushButton::clicked, this, &FBKMLExportDiag::browseFile);
    if (severalLogs)
        connect(buttons, &QDialogButtonBox::accepted, this, &FBKMLExportDiag::exportLogs);
    else
        connect(buttons, &QDialogButtonBox::accepted, this, &FBKMLExportDiag::exportLog);
    connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    dialog.exec();
    m_dialog = nullptr;
    qDebug() << "[FBKMLExportDiag] Constructor END";
}

void FBKMLExportDiag::browseFile()
{
    const QString name = LogExportDialogs::chooseFile(tr("Export as KML file..."), tr("KML file (*.kml)"),
                                                      QStringLiteral(".kml"));
    if (name.isEmpty())
        return;
    m_path->setText(name);
    m_export->setEnabled(true);
}

void FBKMLExportDiag::browseFolder()
{
    const QString folder = LogExportDialogs::chooseFolder(tr("Export as KML files to folder..."));
    if (folder.isEmpty())
        return;
    m_path->setText(folder);
    m_export->setEnabled(true);
}

void FBKMLExportDiag::exportLog()
{
    QString error;
    const bool ok = createKMLFile(m_logPath, m_path->text(), &error);
    m_dialog->accept();
    if (ok)
        Prompt::info(nullptr, tr("Log exported!"), tr("Logfile successfully exported to KML file!"));
    else
        Prompt::error(nullptr, tr("Log not exported!"), tr("The log could not be exported:\n%1").arg(error));
}

void FBKMLExportDiag::exportLogs()
{
    const QString folder = m_path->text();
    const QStringList targets = LogExport::folderTargets(folder, m_logPaths.size(), QStringLiteral("kml"));
    if (!LogExportDialogs::mayOverwrite(LogExport::existingTargets(targets)))
        return;
    m_dialog->accept();

    LogExportDialogs::exportToFolder(
        m_logPaths, "[FBKMLExportDiag]",
        [&](int i, QString* error) { return createKMLFile(m_logPaths.at(i), targets.at(i), error); },
        tr("Logs exported!"), tr("Logfiles successfully exported to KML files!"));
}

bool FBKMLExportDiag::createKMLFile(const QString& logPath, const QString& fileName, QString* error)
{
    // The whole log is read before the target is touched.
    std::vector<PhotoTag> tags;
    std::vector<PathPoint> path;
    {
        std::unique_ptr<HarlekLog> log = LogExport::openLog(logPath, error);
        if (!log)
            return false;
        try {
            tags = log->photoTags();
            path = log->flightPath(0);
        } catch (const std::exception& e) {
            if (error)
                *error = QString::fromStdString(e.what());
            return false;
        }
    }
    qDebug() << "[FBKMLExportDiag] createKMLFile filename " << fileName;
    QString why;
    if (!AtomicFile::write(fileName, LogExport::kmlDocument(tags, path), &why)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(fileName, why);
        return false;
    }
    return true;
}
