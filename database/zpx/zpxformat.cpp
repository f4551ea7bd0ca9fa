#include "database/zpx/zpxformat.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "core/data.h"

namespace ZPX {

QString topFolder(Kind kind)
{
    switch (kind) {
    case Kind::Map: return QStringLiteral("maps");
    case Kind::FlightPlan: return QStringLiteral("flightplan");
    case Kind::Log: return QStringLiteral("logs");
    case Kind::Project: return QStringLiteral("phototagger");
    }
    return QString();
}

QString suffixOf(Kind kind)
{
    return kind == Kind::Map ? QStringLiteral(".jpg") : QStringLiteral(".zfp");
}

QByteArray makeHead(int plans, int maps, int logs, int projects)
{
    QByteArray head(kMagic, kMagicSize);
    head.append(char(kVersion));
    for (int count : {plans, maps, logs, projects})
        head.append(char(quint8(count & 0xff)));
    head.append(4, '\0');
    return head;
}

bool hasMagic(const QByteArray &head)
{
    return head.size() >= kMagicSize && head.startsWith(QByteArray(kMagic, kMagicSize));
}

Places Places::fromData()
{
    Data *data = Data::instance();
    Places p;
    p.maps = data->orthoMapPath();
    p.plans = data->waypointPath();
    p.logs = data->logsPath();
    p.projects = data->photoTaggerPath();
    return p;
}

QString Places::folder(Kind kind) const
{
    switch (kind) {
    case Kind::Map: return maps;
    case Kind::FlightPlan: return plans;
    case Kind::Log: return logs;
    case Kind::Project: return projects;
    }
    return QString();
}

QString storedFileName(const QString &folder, const QString &name, const QString &suffix)
{
    for (const QString &candidate : {name + suffix.toLower(), name + suffix.toUpper()}) {
        const QFileInfo info(folder + QLatin1Char('/') + candidate);
        if (info.isFile() && !info.isSymLink())
            return candidate;
    }
    return QString();
}

QStringList itemFiles(const QString &folder)
{
    if (QFileInfo(folder).isSymLink())  // a linked item folder is not followed
        return QStringList();
    return QDir(folder).entryList(QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                                  QDir::Unsorted);
}

static bool safePart(const QString &part)
{
    if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
        return false;
    // Drive letters and stream names; control characters have no place in a file name.
    for (const QChar c : part) {
        if (c == QLatin1Char(':') || c.unicode() < 0x20)
            return false;
    }
    return true;
}

EntryName parseEntryName(const QString &name)
{
    EntryName e;
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    const QStringList parts = name.split(separators, Qt::KeepEmptyParts);
    auto kindOf = [](const QString &part, Kind *kind) {
        for (Kind k : {Kind::Log, Kind::Map, Kind::FlightPlan, Kind::Project}) {
            if (part == topFolder(k)) {
                *kind = k;
                return true;
            }
        }
        return false;
    };
    if (!kindOf(parts.first(), &e.kind)) {
        // An absolute name, a drive letter or a climb in front of a top
        // folder ("/maps/a.jpg", "C:\logs\...", "../maps/a.jpg") is an
        // attack on that kind, not a foreign file: refuse it by that kind.
        if (safePart(parts.first()))
            return e;
        for (const QString &part : parts) {
            if (kindOf(part, &e.kind)) {
                e.status = EntryName::Refused;
                e.rest = name;
                break;
            }
        }
        return e;
    }
    if (parts.size() < 2)  // a bare "logs" is no item
        return e;
    e.rest = name.mid(parts.first().size() + 1);
    e.status = EntryName::Refused;
    const bool inFolder = e.kind == Kind::Log || e.kind == Kind::Project;
    if (parts.size() != (inFolder ? 3 : 2))
        return e;
    for (int i = 1; i < parts.size(); ++i) {
        if (!safePart(parts.at(i)))
            return e;
    }
    if (inFolder) {
        e.folder = parts.at(1);
        e.file = parts.at(2);
    } else {
        e.file = parts.at(1);
    }
    e.status = EntryName::Valid;
    return e;
}

QString entryName(Kind kind, const QString &folder, const QString &file)
{
    if (kind == Kind::Log || kind == Kind::Project)
        return topFolder(kind) + QLatin1Char('/') + folder + QLatin1Char('/') + file;
    return topFolder(kind) + QLatin1Char('/') + file;
}

bool liesInside(const QString &path, const QString &folder)
{
    const QString p = QFileInfo(path).canonicalFilePath();
    const QString f = QFileInfo(folder).canonicalFilePath();
    if (p.isEmpty() || f.isEmpty())
        return false;
    return p.startsWith(f + QLatin1Char('/'));
}

}  // namespace ZPX
