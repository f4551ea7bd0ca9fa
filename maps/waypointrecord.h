#pragma once
// The flight-plan file (.zfp): its head and one waypoint record.
// Streams are big-endian at stream version 12, where every float is written
// as an 8-byte double.
#include <QByteArray>
#include <QDataStream>
#include <QString>
#include <QtGlobal>

#include "maps/waypoint.h"

// The .zfp form of a waypoint; the fields are those of Waypoint, in its order.
struct WaypointRecord {
    static constexpr qint32 currentVersion = 192;
    static constexpr qint32 oldVersion = 32;  // old Steerwise plans, read only
    static constexpr int headSize = 36;       // magic string, version, count

    // Bytes of one record of a file version; 0 for an unknown version.
    static int recordSize(qint32 version);
    static QString magic() { return QStringLiteral("KorvelWPData"); }

    // Stream set up the way the file is written and read.
    static void prepare(QDataStream &stream);

    // Writes the head: magic, version 192, count.
    static void writeHead(QDataStream &stream, qint32 count);

    enum HeadResult { HeadOk, HeadShort, HeadWrongMagic };
    // Reads the head. The magic is compared byte for byte before anything
    // else is taken from the stream.
    static HeadResult readHead(QDataStream &stream, qint32 *version, qint32 *count);

    // Writes a waypoint in the current version (60 bytes).
    static void write(QDataStream &stream, const Waypoint &wp);
    // The same 60 bytes packed straight into memory at out (no stream), for
    // building a whole file in one buffer.
    static void pack(char *out, const Waypoint &wp);
    // The whole file of the given waypoints: head and records.
    template <typename Waypoints>
    static QByteArray file(int count, const Waypoints &waypointAt);

    // Reads one record of the given version. A version-32 record is brought
    // to today's meaning: pitch mirrored (22000 - p), type 3, speed 6 m/s,
    // acceleration 2 m/s^2, no roll. False when the stream ran short or a
    // coordinate is not a finite number.
    static bool read(QDataStream &stream, qint32 version, Waypoint *wp);
};

template <typename Waypoints>
QByteArray WaypointRecord::file(int count, const Waypoints &waypointAt)
{
    QByteArray bytes;
    bytes.reserve(headSize + 60 * qMax(count, 0));
    {
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        prepare(stream);
        writeHead(stream, count);
    }
    const int head = bytes.size();
    bytes.resize(head + 60 * qMax(count, 0));
    char *out = bytes.data() + head;
    for (int n = 1; n <= count; ++n, out += 60)
        pack(out, waypointAt(n));
    return bytes;
}
