#include "maps/waypointrecord.h"

#include <QIODevice>
#include <QtEndian>
#include <cmath>

namespace {

QByteArray magicBytes()
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    WaypointRecord::prepare(stream);
    stream << WaypointRecord::magic();
    return bytes;
}

}  // namespace

int WaypointRecord::recordSize(qint32 version)
{
    switch (version) {
    case currentVersion: return 60;
    case oldVersion: return 48;
    default: return 0;
    }
}

void WaypointRecord::prepare(QDataStream &stream)
{
    stream.setVersion(QDataStream::Qt_4_8);  // stream version 12
    stream.setByteOrder(QDataStream::BigEndian);
    stream.setFloatingPointPrecision(QDataStream::DoublePrecision);
}

void WaypointRecord::writeHead(QDataStream &stream, qint32 count)
{
    stream << magic() << currentVersion << count;
}

WaypointRecord::HeadResult WaypointRecord::readHead(QDataStream &stream, qint32 *version,
                                                    qint32 *count)
{
    static const QByteArray expected = magicBytes();
    QByteArray head(expected.size(), Qt::Uninitialized);
    const int got = stream.readRawData(head.data(), head.size());
    if (got < 4)
        return HeadShort;
    if (got != head.size() || head != expected) {
        // A short file that still starts like ours is damaged, not foreign.
        return expected.startsWith(head.left(got)) ? HeadShort : HeadWrongMagic;
    }
    stream >> *version >> *count;
    return stream.status() == QDataStream::Ok ? HeadOk : HeadShort;
}

void WaypointRecord::write(QDataStream &stream, const Waypoint &wp)
{
    stream << wp.longitude << wp.latitude << wp.active << wp.triggerCamera << wp.showCamera
           << wp.properties << wp.maxSpeed << wp.time << wp.posAcc << wp.yaw << wp.height
           << wp.noPictures << wp.pitch << wp.v3Speed << wp.desiredAcc << wp.camAngleRoll
           << qint32(wp.type);
}

namespace {

template <typename T>
char *put(char *out, T value)
{
    qToBigEndian(value, out);
    return out + sizeof(T);
}

// As a stream in double precision writes a float: widened to a double.
char *putFloat(char *out, float value)
{
    return put(out, double(value));
}

}  // namespace

void WaypointRecord::pack(char *out, const Waypoint &wp)
{
    out = put(out, wp.longitude);
    out = put(out, wp.latitude);
    out = put(out, qint8(wp.active));
    out = put(out, qint8(wp.triggerCamera));
    out = put(out, qint8(wp.showCamera));
    out = put(out, wp.properties);
    out = put(out, wp.maxSpeed);
    out = put(out, wp.time);
    out = put(out, wp.posAcc);
    out = put(out, wp.yaw);
    out = put(out, wp.height);
    out = put(out, wp.noPictures);
    out = put(out, wp.pitch);
    out = putFloat(out, wp.v3Speed);
    out = putFloat(out, wp.desiredAcc);
    out = put(out, wp.camAngleRoll);
    put(out, qint32(wp.type));
}

bool WaypointRecord::read(QDataStream &stream, qint32 version, Waypoint *wp)
{
    stream >> wp->longitude >> wp->latitude >> wp->active >> wp->triggerCamera
        >> wp->showCamera >> wp->properties >> wp->maxSpeed >> wp->time >> wp->posAcc >> wp->yaw
        >> wp->height >> wp->noPictures >> wp->pitch;
    if (version == oldVersion) {
        qint32 unused[3];
        stream >> unused[0] >> unused[1] >> unused[2];
        // The old files count the camera pitch the other way round.
        wp->pitch = quint16(22000 - wp->pitch);
        wp->type = Waypoint::Steerwise;
        wp->v3Speed = 6.0f;
        wp->desiredAcc = 2.0f;
        wp->camAngleRoll = 0;
    } else {
        qint32 type = 0;
        stream >> wp->v3Speed >> wp->desiredAcc >> wp->camAngleRoll >> type;
        wp->type = Waypoint::Type(type);
    }
    // A position that is no number would turn into headings that are none.
    return stream.status() == QDataStream::Ok && std::isfinite(wp->longitude)
           && std::isfinite(wp->latitude);
}
