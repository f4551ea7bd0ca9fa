#include "database/flightbook/logexportdialogs.h"

#include "core/data.h"
#include "core/prompt/prompt.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>

namespace LogExportDialogs {

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("LogExportDialogs", text);
}
} // namespace

QString lastFolder()
{
    return Data::instance()->rememberedFolder(QLatin1String(kLastPathKey));
}

void storeLastFolder(const QString& folder)
{
    Data::instance()->rememberFolder(QLatin1String(kLastPathKey), folder);
}

QString chooseFile(const QString& title, const QString& filter, const QString& suffix)
{
    QString name = Prompt::saveFile(nullptr, title, lastFolder(), filter);
    if (name.isEmpty())
        return name;
    if (!name.toLower().endsWith(suffix))
        name += suffix;
    storeLastFolder(QFileInfo(name).absolutePath());
    return name;
}

QString chooseFolder(const QString& title)
{
    const QString folder = Prompt::directory(nullptr, title, lastFolder(),
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (!folder.isEmpty())
        storeLastFolder(QFileInfo(folder).absolutePath());
    return folder;
}

void exportToFolder(const QVector<QString>& logPaths, const char* logTag,
                    const std::function<bool(int, QString*)>& exportOne, const QString& successTitle,
                    const QString& successText)
{
    QProgressDialog progress(tr("Exporting files..."), tr("Cancel"), 0, logPaths.size());
    progress.setWindowModality(Qt::WindowModal);
    progress.setObjectName(QStringLiteral("exportProgress"));
    progress.show();
    QApplication::processEvents();
    QStringList failures;
    for (int i = 0; i < logPaths.size(); ++i) {
        progress.setValue(i);
        QApplication::processEvents();
        if (progress.wasCanceled())
            return;
        QString error;
        if (!exportOne(i, &error)) {
            qWarning() << logTag << "export of" << logPaths.at(i) << "failed:" << error;
            failures << QStringLiteral("%1: %2").arg(QDir(logPaths.at(i)).dirName(), error);
        }
    }
    progress.setValue(logPaths.size());
    reportFolderExport(successTitle, successText, failures);
}

bool mayOverwrite(const QStringList& existing)
{
    if (existing.isEmpty())
        return true;
    QStringList names;
    for (const QString& f : existing)
        names << QDir::toNativeSeparators(f);
    return Prompt::question(nullptr, tr("Overwrite files?"),
                            tr("The target folder already holds these files:\n%1\n\nOverwrite them?")
                                .arg(names.join(QLatin1Char('\n'))));
}

void reportFolderExport(const QString& successTitle, const QString& successText, const QStringList& failures)
{
    if (failures.isEmpty()) {
        Prompt::info(nullptr, successTitle, successText);
        return;
    }
    Prompt::warning(nullptr, tr("Export incomplete"),
                    tr("These logs could not be exported:\n%1").arg(failures.join(QLatin1Char('\n'))));
}

} // namespace LogExportDialogs
