#pragma once
// One ARA frame as the main program reads it: the header (bytes 0-243) and
// width x height raw counts, from raw (compression 0) or line-compressed
// (compression 3) sensor data. Frames that cannot be read whole are refused;
// no partial image remains.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>

#include "thermal/araheader.h"

class AraFile {
public:
    enum Status {
        Ok,
        CannotOpen,       // file cannot be opened
        TooShort,         // fewer bytes than the header block
        BadMagic,         // magic is not "Ss"
        BadSize,          // width or height 0 or outside the format
        BadCompression,   // compression other than 0 or 3
        DecodeError,      // the line decoder failed
        MissingPixels,    // fewer samples or lines than width x height
        NotLoaded,
    };

    // Largest image accepted (a thermal core is far below it).
    static constexpr qint64 maxPixels = 64LL * 1024 * 1024;

    bool load(const QString &path);
    // The same from bytes the caller already has: the header block (at
    // least its first 244 bytes) and the sensor data behind it.
    bool setData(const QByteArray &headerBlock, const QByteArray &sensorData);

    Status status() const { return m_status; }
    QString errorString() const;

    const AraHeader &header() const { return m_header; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    const QVector<quint16> &counts() const { return m_counts; }
    // The count at (x, y), both clamped into the image; 0 without image.
    quint16 count(int x, int y) const;

    // Offsets of the frames of an ARV recording, each checked for its magic
    // and for holding its header block and sensor data; the walk stops at
    // the first frame that does not.
    static QList<qint64> frameOffsets(const QByteArray &recording);

private:
    bool fail(Status status);

    AraHeader m_header;
    QVector<quint16> m_counts;
    int m_width = 0;
    int m_height = 0;
    Status m_status = NotLoaded;
};
