// The flight-plan folder listing of Data and the two tree operations.
#include <QDataStream>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "core/data.h"

namespace {

// What the listing needs of a plan file head: the waypoint count and the
// first waypoint's position. False when the file is not a plan or ends
// before the first position (a plan without waypoints only needs the count).
bool readPlanHead(QIODevice &file, int *count, double *lon, double *lat)
{
    QByteArray magic;
    {
        QDataStream out(&magic, QIODevice::WriteOnly);
        out.setVersion(12);
        out << QStringLiteral("KorvelWPData");
    }
    if (file.read(magic.size()) != magic)
        return false;
    QDataStream in(&file);
    in.setVersion(12);
    qint32 version = 0, n = 0;
    in >> version >> n;
    if (in.status() != QDataStream::Ok)
        return false;
    double x = 0, y = 0;
    if (n > 0) {
        in >> x >> y;
        if (in.status() != QDataStream::Ok)
            return false;
    }
    *count = qMax(0, n);
    *lon = x;
    *lat = y;
    return true;
}

QFileInfoList flightPlanFiles(const QString &folder)
{
    QDir::Filters filters = QDir::Files | QDir::Hidden | QDir::NoSymLinks;
#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
    filters |= QDir::CaseSensitive;  // follow the file system's own rule
#endif
    return QDir(folder).entryInfoList({QStringLiteral("*.zfp")}, filters, QDir::Unsorted);
}

}  // namespace

int Data::flightPlanCount() const { return flightPlanFiles(waypointPath()).size(); }

FlightPlanInfo Data::flightPlanInfo(int index) const
{
    const QFileInfoList files = flightPlanFiles(waypointPath());
    if (index < 0 || index >= files.size())
        return FlightPlanInfo();
    return flightPlanInfoOf(files.at(index));
}

FlightPlanInfo Data::flightPlanInfo(const QString &name) const
{
    for (const QFileInfo &entry : flightPlanFiles(waypointPath()))
        if (entry.completeBaseName() == name)  // "a.b.zfp" is the plan "a.b"
            return flightPlanInfoOf(entry);
    return FlightPlanInfo();
}

FlightPlanInfo Data::flightPlanInfoOf(const QFileInfo &entry) const
{
    FlightPlanInfo info;
    info.lastModified = entry.lastModified();
    QFile file(entry.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return info;
    // A damaged or foreign head keeps its name, with no place and no count.
    if (!readPlanHead(file, &info.waypointCount, &info.longitude, &info.latitude)) {
        qWarning() << "[Data] flight plan head unreadable:" << entry.fileName();
        info.waypointCount = 0;
        info.longitude = info.latitude = 0;
    }
    info.location = placeNameAt(info.longitude, info.latitude);
    if (info.location.isEmpty())
        info.location = tr("Unknown");
    info.name = entry.completeBaseName();
    return info;
}

bool Data::flightPlanExists(const QString &name) const
{
    return QFileInfo(flightPlanFile(name)).isFile();
}

QPointF Data::flightPlanFirstPosition(const QString &name) const
{
    QFile file(flightPlanFile(name));
    if (!file.open(QIODevice::ReadOnly))
        return QPointF(0, 0);
    int count = 0;
    double lon = 0, lat = 0;
    if (!readPlanHead(file, &count, &lon, &lat))
        return QPointF(0, 0);
    return QPointF(lon, lat);
}

qint64 Data::pathSize(const QFileInfo &entry)
{
    if (entry.isSymLink() && entry.isDir())
        return 0;  // a linked folder is not part of this tree
    if (!entry.isDir())
        return entry.size();
    qint64 total = 0;
    const QFileInfoList entries = QDir(entry.filePath())
                                      .entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden |
                                                     QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QFileInfo &child : entries)
        total += pathSize(child);
    return total;
}

bool Data::removeDirRecursively(const QString &path)
{
    const QFileInfo top(path);
    // A link is removed as a link: what it points to may lie outside the
    // workspace and is never touched.
    if (top.isSymLink())
        return QFile::remove(path);
    QDir dir(path);
    if (!dir.exists())
        return true;
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDir::DirsFirst);
    for (const QFileInfo &entry : entries) {
        const bool ok = entry.isDir() && !entry.isSymLink()
                            ? removeDirRecursively(entry.filePath())
                            : QFile::remove(entry.filePath());
        if (!ok) {
            qWarning() << "[Data] cannot remove" << entry.filePath();
            return false;
        }
    }
    return dir.rmdir(dir.absolutePath());
}
