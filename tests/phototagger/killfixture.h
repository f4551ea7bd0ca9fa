#pragma once
// What test_ptkill and its helper program share: the picture of Export to
// Image, the frame header it is tagged from, and the tags EXIF on a file
// writes.
#include <QByteArray>
#include <QImage>
#include <QRandomGenerator>
#include <QtEndian>

#include "exif/exifhandler.h"

namespace KillFixture {

// Big enough that writing it takes a while: a kill after the first line
// may land in the middle of the write.
inline QImage picture()
{
    QImage image(2400, 1800, QImage::Format_RGB32);
    QRandomGenerator rng(11);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = rng.generate() | 0xff000000u;
    }
    return image;
}

// A frame header with a position, a height and a GPS time.
inline QByteArray araHeader()
{
    uchar h[244] = {};
    qToLittleEndian<quint16>(0x7353, h);
    qToLittleEndian<quint16>(2100, h + 136);   // GPS week
    qToLittleEndian<qint32>(115000000, h + 142);  // longitude 11.5
    qToLittleEndian<qint32>(481000000, h + 146);  // latitude 48.1
    qToLittleEndian<qint32>(512000, h + 150);     // 512 m
    return QByteArray(reinterpret_cast<const char *>(h), int(sizeof h));
}

inline void tag(ExifHandler &exif)
{
    exif.setSoftware(QStringLiteral("Kill test"));
    exif.setGPSLatLon(48.1, 11.5);
    exif.setGPSAltitude(512.0);
    exif.setGPSMapDatum();
}

}  // namespace KillFixture
