#ifndef LOGEXPORTDIALOGS_H
#define LOGEXPORTDIALOGS_H

// Pieces the GPX and KML export dialogs share.

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QWidget;

namespace LogExportDialogs {

constexpr const char* kLastPathKey = "Last Waypoint XML Export Path";

QString lastFolder();
void storeLastFolder(const QString& folder);

// Asks for the target file of a one-log export, adds the suffix (".gpx")
// when missing and remembers the folder; empty when the operator cancelled.
QString chooseFile(const QString& title, const QString& filter, const QString& suffix);

// Asks for the target folder of a several-log export and remembers where it
// lies; empty when the operator cancelled.
QString chooseFolder(const QString& title);

// Exports every log through exportOne(index, &error) under a cancellable
// progress dialog, then reports as reportFolderExport does. Failures are
// logged with logTag in front.
void exportToFolder(const QVector<QString>& logPaths, const char* logTag,
                    const std::function<bool(int, QString*)>& exportOne, const QString& successTitle,
                    const QString& successText);

// Asks once whether files of a folder export may be overwritten; true when
// none exists or the operator agreed.
bool mayOverwrite(const QStringList& existing);

// Final message of a folder export: the success text when nothing failed,
// otherwise a warning listing what failed.
void reportFolderExport(const QString& successTitle, const QString& successText, const QStringList& failures);

} // namespace LogExportDialogs

#endif
