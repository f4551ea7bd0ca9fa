#ifndef LOGEXPORTDIALOGS_H
#define LOGEXPORTDIALOGS_H

// Pieces the GPX and KML export dialogs share.

#include <QString>
#include <QStringList>

class QWidget;

namespace LogExportDialogs {

constexpr const char* kLastPathKey = "Last Waypoint XML Export Path";

QString lastFolder();
void storeLastFolder(const QString& folder);

// Asks once whether files of a folder export may be overwritten; true when
// none exists or the operator agreed.
bool mayOverwrite(const QStringList& existing);

// Final message of a folder export: the success text when nothing failed,
// otherwise a warning listing what failed.
void reportFolderExport(const QString& successTitle, const QString& successText, const QStringList& failures);

} // namespace LogExportDialogs

#endif
