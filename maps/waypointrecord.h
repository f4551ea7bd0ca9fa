#pragma once
// One waypoint as the flight-plan file (.zfp) stores it, and the file head.
// Streams are big-endian at stream version 12, where every float is written
// as an 8-byte double.
#include <QByteArray>
#include <QDataStream>
#include <QString>
#include <QtGlobal>

struct WaypointRecord {
    double longitude = 0.0;
    double latitude = 0.0;
    bool active = true;
    bool triggerCamera = false;
    bool showCamera = false;
    qint8 properties = 0;
    qint8 maxSpeed = 0;      // per cent
    qint16 time = 0;         // 1/100 s
    qint16 posAcc = 0;       // mm
    qint32 yaw = 0;          // 1/1000 degree
    qint32 height = 0;       // mm
    qint8 noPictures = 0;
    qint16 pitch = 11000;    // degrees * 100 + 11000
    float v3Speed = 0.0f;    // m/s
    float desiredAcc = 0.0f; // m/s^2
    qint32 camAngleRoll = 0; // 1/100 degree
    qint32 type = 0;

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

    // Writes this record in the current version (60 bytes).
    void write(QDataStream &stream) const;

    // Reads one record of the given version. A version-32 record is brought
    // to today's meaning: pitch mirrored (22000 - p), type 3, speed 6 m/s,
    // acceleration 2 m/s^2, no roll. False when the stream ran short.
    bool read(QDataStream &stream, qint32 version);
};
