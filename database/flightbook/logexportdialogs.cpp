#include "logexportdialogs.h"

#include "prompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace LogExportDialogs {

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("LogExportDialogs", text);
}
} // namespace

QString lastFolder()
{
    QSettings settings(QStringLiteral("Brisolan Technologies"), QStringLiteral("Korvel Tarvendel"));
    return settings.value(QLatin1String(kLastPathKey),
                          QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).toString();
}

void storeLastFolder(const QString& folder)
{
    QSettings settings(QStringLiteral("Brisolan Technologies"), QStringLiteral("Korvel Tarvendel"));
    settings.setValue(QLatin1String(kLastPathKey), folder);
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
