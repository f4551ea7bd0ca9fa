#include "thermal/project/thermalpaths.h"

#include <QDir>

#include "core/data.h"

namespace ThermalPaths {

QString thermalFolderPath()
{
    return Data::instance()->harlekSDPath() + QDir::separator() + QStringLiteral("thermal");
}

QString projectFilePath(const QString &name)
{
    return thermalFolderPath() + QDir::separator() + name + QDir::separator() + name
           + QStringLiteral(".zth");
}

QString imageFolderPath(const QString &name)
{
    return thermalFolderPath() + QDir::separator() + name + QDir::separator()
           + QStringLiteral("thermal_images");
}

}  // namespace ThermalPaths

QDate gpsWeekToDate(int week, int msOfWeek)
{
    return QDate(1980, 1, 6).addDays(qint64(week) * 7 + msOfWeek / 86400000);
}

QTime gpsMsToTime(int msOfWeek)
{
    const int r = msOfWeek % 86400000;
    const int s = r / 1000;
    return QTime(s / 3600, (s % 3600) / 60, s % 60, 0);
}
