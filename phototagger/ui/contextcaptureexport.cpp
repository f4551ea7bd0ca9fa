#include "phototagger/ui/contextcaptureexport.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

#include <cerrno>
#include <sys/stat.h>

#include "atomicfile/atomicfile.h"
#include "core/prompt/prompt.h"
#include "phototagger/ptdata.h"
#include "phototagger/ui/exportpath.h"

namespace PTCopyProgress {

bool copyFiles(PTData *data, const QString &targetFolder, QStringList *failed, QStringList *reasons)
{
    QProgressDialog dialog(QObject::tr("Copying images..."), QObject::tr("Abort"), 0,
                           data->getCount(), nullptr);
    dialog.setObjectName(QStringLiteral("copyProgress"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(0);
    dialog.show();
    return data->copyFiles(
        targetFolder, failed,
        [&dialog](int current, int all) {
            dialog.setMaximum(all);
            dialog.setValue(current);
            return !dialog.wasCanceled();
        },
        reasons);
}

void reportFailures(QWidget *parent, const QStringList &failed, const QStringList &reasons)
{
    if (failed.isEmpty())
        return;
    Prompt::Request rq;
    rq.parent = parent;
    rq.iconPath = QStringLiteral(":/icons/80/error");
    rq.title = QObject::tr("Copy failed!");
    rq.text = QObject::tr("%n photo(s) could not be copied or tagged:", nullptr, failed.size());
    rq.informativeText = failed.join(QLatin1Char('\n'));
    if (!reasons.isEmpty())
        rq.informativeText += QStringLiteral("\n\n") + reasons.join(QLatin1Char('\n'));
    rq.buttons = QMessageBox::Ok;
    rq.defaultButton = QMessageBox::Ok;
    Prompt::ask(rq);
}

}  // namespace PTCopyProgress

namespace ContextCaptureExport {

ExportWidget::ExportWidget(PTData *data, QWidget *parent) : QWidget(parent), m_data(data)
{
    m_file = new QLineEdit(this);
    m_file->setObjectName(QStringLiteral("ccFile"));
    m_file->setReadOnly(true);
    auto *browse = new QPushButton(tr("Browse..."), this);
    browse->setObjectName(QStringLiteral("ccBrowse"));
    m_copy = new QCheckBox(tr("Copy images to export location"), this);
    m_copy->setObjectName(QStringLiteral("ccCopy"));
    m_copy->setChecked(true);

    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("File location:"), this));
    row->addWidget(m_file);
    row->addWidget(browse);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(m_copy);
    layout->addStretch();
    connect(browse, &QPushButton::clicked, this, &ExportWidget::browseFile);
}

QString ExportWidget::fileLocation() const { return m_file->text(); }

void ExportWidget::browseFile()
{
    const QString file = PTExportPath::ask(this, tr("Save to ContextCapture"),
                                           tr("ContextCapture File (*.xml)"),
                                           QStringLiteral(".xml"));
    if (!file.isEmpty())
        m_file->setText(file);
}

bool ExportWidget::exportFile()
{
    const QString target = m_file->text();
    if (target.isEmpty()) {
        Prompt::message(parentWidget(), QStringLiteral(":/icons/80/warning"), tr("No file location!"),
                        tr("Please choose a file location for exporting!"), QMessageBox::Ok,
                        QMessageBox::Ok);
        return false;
    }
    const QFileInfo info(target);
    QString imageFolder;
    if (m_copy->isChecked()) {
        imageFolder = info.completeBaseName() + QLatin1String("_images");
        const QString folder = info.absolutePath() + QLatin1Char('/') + imageFolder;
        QDir dir(folder);
        const bool madeFolder = !dir.exists();
        const QSet<QString> before = [&dir] {
            const QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
            return QSet<QString>(names.begin(), names.end());
        }();
        if (madeFolder && ::mkdir(QFile::encodeName(folder).constData(), 0777) != 0) {
            const QString reason = AtomicFile::systemReason(errno);
            Prompt::message(parentWidget(), QStringLiteral(":/icons/80/error"), tr("Error!"),
                            tr("Error opening target file!") + QStringLiteral("\n\n")
                                + AtomicFile::describe(folder, reason));
            return false;
        }
        QStringList failed, reasons;
        if (!PTCopyProgress::copyFiles(m_data, folder, &failed, &reasons)) {
            // Take back only what this export put there.
            const QStringList now = QDir(folder).entryList(QDir::Files | QDir::Hidden);
            for (const QString &name : now) {
                if (!before.contains(name))
                    QFile::remove(folder + QLatin1Char('/') + name);
            }
            if (madeFolder)
                QDir().rmdir(folder);
            return false;
        }
        PTCopyProgress::reportFailures(parentWidget(), failed, reasons);
    }
    const QByteArray doc = m_data->createBlocksExchangeFile(imageFolder);
    QString reason;
    if (!AtomicFile::write(target, doc, &reason)) {
        Prompt::message(parentWidget(), QStringLiteral(":/icons/80/error"), tr("Error!"),
                        tr("Error opening target file!") + QStringLiteral("\n\n")
                            + AtomicFile::describe(target, reason));
        return false;
    }
    return true;
}

}  // namespace ContextCaptureExport
