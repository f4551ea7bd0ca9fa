#ifndef LOGEXPORT_H
#define LOGEXPORT_H

// Widget-free writers of the GPX and KML log exports, and what the export
// dialogs share.

#include "harleklog/harleklog.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>
#include <vector>

namespace LogExport {

// Record times count from the GPS epoch; this turns them into ms since 1970.
inline qint64 toUnixMs(int64_t gpsMs) { return qint64(gpsMs) + kGpsEpochMs; }

// Keeps a point only when it is more than stepMs after the last kept one
// (the first kept point must be more than stepMs after time 0).
std::vector<PathPoint> thinPathPoints(const std::vector<PathPoint>& points, qint64 stepMs);

// Names of the files a folder export writes: <folder>/<folder name>_<n>.<suffix>,
// n counting down from count to 1.
QStringList folderTargets(const QString& folder, int count, const QString& suffix);

// The first of the targets that exist already; empty when none does.
QStringList existingTargets(const QStringList& targets);

// Opens a log, turning reader errors into text; null with *error set on failure.
std::unique_ptr<HarlekLog> openLog(const QString& folder, QString* error);

// Text of the GPX 1.1 document of one log.
struct GPXExportRecord
{
    qint64 startTime = 0;              // ms since 1970 (UTC)
    std::vector<PathPoint> pathPoints;
    std::vector<PhotoTag> photoTags;
};
QByteArray gpxDocument(const GPXExportRecord& record);

// Text of the KML 2.1 document of one log.
QByteArray kmlDocument(const std::vector<PhotoTag>& tags, const std::vector<PathPoint>& path);

} // namespace LogExport

#endif
