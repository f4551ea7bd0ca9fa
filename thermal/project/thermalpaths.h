#pragma once
// Where thermal projects live and the GPS time of their recordings.
#include <QDate>
#include <QString>
#include <QTime>

namespace ThermalPaths {

// <aircraft data folder>/thermal, without a trailing separator.
QString thermalFolderPath();
// <thermal folder>/<name>/<name>.zth
QString projectFilePath(const QString &name);
// <thermal folder>/<name>/thermal_images
QString imageFolderPath(const QString &name);

}  // namespace ThermalPaths

// 1980-01-06 plus the whole days of the week and the milliseconds.
QDate gpsWeekToDate(int week, int msOfWeek);
// The time of day of the milliseconds of a week.
QTime gpsMsToTime(int msOfWeek);
