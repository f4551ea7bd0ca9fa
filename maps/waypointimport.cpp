#include "maps/waypointimport.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <cfloat>
#include <cmath>

#include <quazip/quazipfile.h>

#include "maps/mapdata.h"

namespace {

double number(const QString &s, bool *ok = nullptr)
{
    bool good = false;
    const double v = s.trimmed().toDouble(&good);
    if (ok)
        *ok = good;
    return good ? v : 0.0;
}

// An integer field as a whole number; text beyond the range of int stays a
// large number for the field's clamp instead of wrapping.
double integer(const QString &s) { return std::trunc(number(s)); }

double jsonNumber(const QJsonValue &v, double fallback)
{
    return v.isDouble() ? v.toDouble() : fallback;
}

// A file's velocity: cut to whole metres per second, at most 10, then into
// the plan's range.
double fileVelocity(double v)
{
    return std::trunc(WaypointUnits::clamp(v, -1.0, 10.0));
}

// Reads an archive entry in blocks, refusing it beyond limit bytes.
bool readEntry(const QString &archive, const QString &name, qint64 limit, QByteArray *out,
               QString *error)
{
    QuaZipFile entry(archive, name);
    if (!entry.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 cannot be read").arg(name);
        return false;
    }
    out->clear();
    char block[64 * 1024];
    for (;;) {
        const qint64 got = entry.read(block, sizeof block);
        if (got < 0) {
            *error = QStringLiteral("%1 is damaged").arg(name);
            return false;
        }
        if (got == 0)
            break;
        if (out->size() + got > limit) {
            *error = QStringLiteral("%1 inflates beyond %2 bytes").arg(name).arg(limit);
            out->clear();
            return false;
        }
        out->append(block, int(got));
    }
    entry.close();
    if (entry.getZipError() != UNZ_OK) {
        *error = QStringLiteral("%1 is damaged").arg(name);
        return false;
    }
    return true;
}

}  // namespace

WaypointImport::WaypointImport(const MapData *map, const Waypoint &defaults)
    : m_map(map), m_defaults(defaults)
{
}

void WaypointImport::clear()
{
    rows.clear();
    totalCount = invalidCount = inMapCount = 0;
    absoluteHeight = false;
    error.clear();
}

bool WaypointImport::onMap(double lon, double lat) const
{
    return m_map && m_map->containsGeo(lon, lat);
}

Waypoint WaypointImport::row(Waypoint::Type type, double lon, double lat) const
{
    Waypoint wp;
    wp.type = type;
    wp.longitude = lon;
    wp.latitude = lat;
    wp.maxSpeed = m_defaults.maxSpeed;
    wp.v3Speed = m_defaults.v3Speed;
    wp.desiredAcc = 3.0f;
    wp.camAngleRoll = 0;
    wp.properties = 0;
    return wp;
}

WaypointImport::Kind WaypointImport::readFile(const QString &path)
{
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return CannotRead;
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("znp") || suffix == QLatin1String("zkp")) {
        file.close();
        return readVardeckProject(path) ? VardeckProject : InvalidProject;
    }
    if (suffix != QLatin1String("csv"))
        return UnsupportedType;
    const QString header = QString::fromUtf8(file.readLine());
    if (header.split(QLatin1Char(';')).size() < 7)
        return ShortHeader;
    if (header.startsWith(QLatin1String("WP#;Latitude;Longitude;Height;Heading"))) {
        readSteerwiseV1(&file);
        return SteerwiseV1;
    }
    if (header.startsWith(QLatin1String("Longitude;Latitude;Height;Heading"))) {
        readSteerwiseV2(&file);
        return SteerwiseV2;
    }
    if (header.startsWith(
            QLatin1String("Type;Longitude;Latitude;Height;Heading;Camera pitch;Velocity"))) {
        readZephrin(&file);
        return Zephrin;
    }
    return UnknownHeader;
}

QStringList WaypointImport::nextFields(QIODevice *file)
{
    QString line = QString::fromUtf8(file->readLine());
    line.replace(QLatin1Char(','), QLatin1Char('.'));
    line.remove(QLatin1Char('\n'));
    ++totalCount;
    return line.split(QLatin1Char(';'));
}

void WaypointImport::readSteerwiseV1(QIODevice *file)
{
    while (!file->atEnd()) {
        QStringList f = nextFields(file);
        while (f.size() < 9)
            f << QString();
        const double lat = number(f.at(1));
        const double lon = number(f.at(2));
        if (!onMap(lon, lat))
            continue;
        ++inMapCount;
        Waypoint wp = row(Waypoint::Steerwise, lon, lat);
        wp.setHeightMetres(number(f.at(3)));
        const double heading = number(f.at(4));
        wp.setYawDegrees(heading < 0 ? heading + 360 : heading);
        wp.triggerCamera = true;
        wp.setPitchDegrees(number(f.at(8)));
        wp.setPictures(1);
        wp.setPosAccMetres(number(f.at(6)));
        wp.setTimeSeconds(number(f.at(5)));
        wp.setMaxSpeedPercent(100);
        rows << wp;
    }
}

void WaypointImport::readSteerwiseV2(QIODevice *file)
{
    while (!file->atEnd()) {
        QStringList f = nextFields(file);
        if (f.size() < 4) {
            ++invalidCount;
            continue;
        }
        bool okLon = false, okLat = false, okHeading = false, okHeight = false;
        const double lon = number(f.at(0), &okLon);
        const double lat = number(f.at(1), &okLat);
        const double heading = number(f.at(3), &okHeading);
        const double height = number(f.at(2), &okHeight);
        if (!okLon || !okLat || !okHeading || !okHeight) {
            ++invalidCount;
            continue;
        }
        if (height < 0 || height > 200)
            absoluteHeight = true;
        if (!onMap(lon, lat))
            continue;
        ++inMapCount;
        while (f.size() < 10)
            f << QString();
        auto empty = [&f](int i) { return f.at(i).trimmed().isEmpty(); };
        Waypoint wp = row(Waypoint::Steerwise, lon, lat);
        wp.setHeightMetres(height);
        wp.setYawDegrees(heading < 0 ? heading + 360 : heading);
        wp.triggerCamera = empty(4) ? true : integer(f.at(4)) != 0;
        wp.setPitchDegrees(empty(5) ? 90.0 : number(f.at(5)));
        wp.setPictures(empty(6) ? 1 : integer(f.at(6)));
        wp.setPosAccMetres(empty(7) ? 2.5 : qMax(0.0, number(f.at(7))));
        wp.setTimeSeconds(empty(8) ? 2.0 : qMax(0.0, number(f.at(8))));
        wp.setMaxSpeedPercent(empty(9) ? 100 : integer(f.at(9)));
        rows << wp;
    }
}

void WaypointImport::readZephrin(QIODevice *file)
{
    double height = 0, pitch = 0, velocity = 0, heading = 0;
    bool follow = false;
    while (!file->atEnd()) {
        QStringList f = nextFields(file);
        if (f.size() < 5) {
            ++invalidCount;
            continue;
        }
        while (f.size() < 8)
            f << QString();
        Waypoint::Type type = Waypoint::Single;
        bool matrixLine = false;
        const QString kind = f.at(0);
        if (kind == QLatin1String("S")) {
            type = Waypoint::Single;
            follow = false;
        } else if (kind == QLatin1String("M")) {
            type = Waypoint::Matrix;
            matrixLine = true;
        } else if (kind == QLatin1String("T")) {
            type = Waypoint::Trajectory;
        } else if (kind == QLatin1String("C")) {
            type = Waypoint::Circle;
        } else {
            ++invalidCount;
            continue;
        }
        bool ok = false;
        const double lon = number(f.at(1), &ok);
        if (!ok) {
            ++invalidCount;
            qDebug() << QStringLiteral("WPImport::importZephrinm ERROR: WP %1 has incorrect longitude %2")
                            .arg(totalCount)
                            .arg(f.at(1));
            continue;
        }
        const double lat = number(f.at(2), &ok);
        if (!ok) {
            ++invalidCount;
            qDebug() << QStringLiteral("WPImport::importZephrinm ERROR: WP %1 has incorrect latitude %2")
                            .arg(totalCount)
                            .arg(f.at(2));
            continue;
        }
        if (!onMap(lon, lat))
            continue;
        const double h = number(f.at(3), &ok);
        if (ok)
            height = h;
        const QString headingText = f.at(4).trimmed();
        double thisHeading = 0;
        const double hv = number(headingText, &ok);
        if (ok) {
            thisHeading = hv;
            follow = false;
        } else if (headingText.compare(QLatin1String("follow"), Qt::CaseInsensitive) == 0) {
            thisHeading = 0;
            follow = true;
        } else if (headingText.isEmpty() && matrixLine && follow) {
            thisHeading = 0;
        } else if (headingText.isEmpty()) {
            thisHeading = heading;
            follow = false;
        } else {
            qDebug() << QStringLiteral("WPImport::importZephrinm ERROR: WP %1 has invalid 'heading' value '%2'")
                            .arg(totalCount)
                            .arg(f.at(4));
            ++invalidCount;
            heading = 0;
            continue;
        }
        heading = thisHeading;
        ++inMapCount;
        const double p = number(f.at(5), &ok);
        if (ok)
            pitch = p;
        const double v = number(f.at(6), &ok);
        if (ok)
            velocity = v;
        qDebug() << "WPImport::importZephrin finished reading, adding data";
        Waypoint wp = row(type, lon, lat);
        wp.setHeightMetres(height);
        wp.setYawDegrees(thisHeading < 0 ? thisHeading + 360 : thisHeading);
        wp.triggerCamera = true;
        wp.setPitchDegrees(pitch);
        wp.setPictures(1);
        wp.setPosAccMetres(0);
        wp.setTimeSeconds(0);
        wp.setVelocity(fileVelocity(velocity));
        wp.setHeadingFollows(follow);
        rows << wp;
    }
    qDebug() << "WPImport::importZephrin finished";
}

bool WaypointImport::readVardeckProject(const QString &path)
{
    qDebug() << "Starting import of Vardeck project from " << path;
    QByteArray json;
    if (!readEntry(path, QStringLiteral("project.json"), maxProjectJsonSize, &json, &error)) {
        qCritical() << "Couldn't read project file." << error;
        return false;
    }
    const QJsonObject doc = QJsonDocument::fromJson(json).object();
    json.clear();
    const QJsonValue reference = doc.value(QStringLiteral("heightReference"));
    const QJsonValue model = doc.value(QStringLiteral("model"));
    const QJsonArray tasks = model.toObject().value(QStringLiteral("tasks")).toArray();
    if (doc.isEmpty() || !model.isObject()
        || !(reference.isUndefined() || reference == QJsonValue(QStringLiteral("Relative")))
        || tasks.isEmpty()) {
        qWarning() << "File is invalid, import cancelled.";
        error = QStringLiteral("project.json holds no relative plan");
        return false;
    }
    totalCount = tasks.size();
    for (const QJsonValue &tv : tasks) {
        const QJsonObject task = tv.toObject();
        const QString type = task.value(QStringLiteral("type")).toString();
        const QJsonValue position = task.value(QStringLiteral("position"));
        const QJsonValue orientation = task.value(QStringLiteral("orientation"));
        if (!task.value(QStringLiteral("class")).isString()
            || (type != QLatin1String("Matrix") && type != QLatin1String("Single"))
            || !position.isObject() || !orientation.isObject()) {
            qDebug() << "Skipping invalid Waypoint";
            ++invalidCount;
            continue;
        }
        const QString cls = task.value(QStringLiteral("class")).toString();
        if (cls != QLatin1String("SingleWaypoint")) {
            qWarning() << QStringLiteral("Waypoint class %1 is not supported; task ignored").arg(cls);
            continue;
        }
        QStringList flags;
        for (const QJsonValue &f : task.value(QStringLiteral("flags")).toArray())
            flags << f.toString();
        const Waypoint::Type code =
            type == QLatin1String("Single")
                ? Waypoint::Single
                : (flags.contains(QStringLiteral("EndOfMatrix")) ? Waypoint::MatrixEnd
                                                                 : Waypoint::Matrix);
        const QJsonObject pos = position.toObject();
        const QJsonObject ori = orientation.toObject();
        const double lon = jsonNumber(pos.value(QStringLiteral("longitude")), DBL_MAX);
        const double lat = jsonNumber(pos.value(QStringLiteral("latitude")), DBL_MAX);
        if (!onMap(lon, lat)) {
            qWarning() << QStringLiteral("Waypoint (%1, %2) not in map; task ignored")
                              .arg(lat, 0, 'f', 7)
                              .arg(lon, 0, 'f', 7);
            continue;
        }
        ++inMapCount;
        const bool trigger = task.value(QStringLiteral("action")).toString() == QLatin1String("Trigger");
        const double height = jsonNumber(pos.value(QStringLiteral("height")), 0);
        const double yaw = jsonNumber(ori.value(QStringLiteral("yaw")), 0);
        const double pitch = jsonNumber(ori.value(QStringLiteral("pitch")), 0);
        const double delay = jsonNumber(task.value(QStringLiteral("actionDelay")), 0);
        const double maxSpeed = jsonNumber(task.value(QStringLiteral("maxSpeed")), 0);
        const bool follows = !flags.contains(QStringLiteral("HeadingFixed"));
        qDebug() << QStringLiteral("Read %1 Waypoint at (%2, %3, %4) with RPY 0/%5/%6 (%7), velocity %8, and timeAtWP %9")
                        .arg(type)
                        .arg(lat, 0, 'f', 7)
                        .arg(lon, 0, 'f', 7)
                        .arg(height)
                        .arg(pitch)
                        .arg(yaw)
                        .arg(follows ? QStringLiteral("following") : QStringLiteral("fixed"))
                        .arg(WaypointUnits::truncInt(maxSpeed))
                        .arg(delay);
        Waypoint wp = row(code, lon, lat);
        wp.setHeightMetres(height);
        wp.setYawDegrees(yaw < 0 ? yaw + 360 : yaw);
        wp.triggerCamera = trigger;
        wp.setPitchDegrees(pitch);
        wp.setPictures(trigger ? 1 : 0);
        wp.setPosAccMetres(0);
        wp.setTimeSeconds(delay);
        wp.setVelocity(fileVelocity(maxSpeed));
        wp.setHeadingFollows(follows);
        rows << wp;
    }
    qDebug() << QStringLiteral("Importing %1 Waypoint(s)").arg(inMapCount);
    return true;
}
