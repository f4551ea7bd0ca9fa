#pragma once
// Small photo-tagger projects and real JPEGs with camera EXIF for the tests.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "phototagger/ptprojectfile.h"

namespace PTFixture {

// A JPEG of w x h pixels; with camera set, the EXIF of a small camera:
// make, model, capture time, exposure 1/500, f/2.8, 5 mm (27 mm at 35 mm),
// pixel size.
inline bool photo(const QString &path, int w, int h, bool camera = true,
                  const QString &focal35 = QStringLiteral("27"))
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(QColor(40, 90, 140));
    if (!img.save(path, "JPEG"))
        return false;
    if (!camera)
        return true;
    QStringList args = {
        "-M", "set Exif.Image.Make Ascii Vetrel",
        "-M", "set Exif.Image.Model Ascii VX-1",
        "-M", "set Exif.Image.Orientation Short 1",
        "-M", "set Exif.Photo.DateTimeOriginal Ascii 2016:05:01 10:03:09",
        "-M", "set Exif.Photo.ExposureTime Rational 1/500",
        "-M", "set Exif.Photo.FNumber Rational 28/10",
        "-M", "set Exif.Photo.FocalLength Rational 50/10",
        "-M", QStringLiteral("set Exif.Photo.PixelXDimension Long %1").arg(w),
        "-M", QStringLiteral("set Exif.Photo.PixelYDimension Long %1").arg(h),
    };
    if (!focal35.isEmpty())
        args << "-M" << QStringLiteral("set Exif.Photo.FocalLengthIn35mmFilm Short %1").arg(focal35);
    args << path;
    return QProcess::execute(QStringLiteral("exiv2"), args) == 0;
}

inline PTTag tag(const QString &name, double lat = 48.1, double lon = 11.5)
{
    PTTag t;
    t.imageName = name;
    t.latitude = lat;
    t.longitude = lon;
    t.relativeHeight = 30;
    t.absoluteHeight = 540.25;
    t.pitch = -90;
    t.roll = 0;
    t.yaw = 90;
    t.time = QDateTime(QDate(2016, 5, 1), QTime(8, 3, 9, 250), Qt::UTC);
    return t;
}

// Writes the project (fresh folder) and returns its folder.
inline QString project(const QString &name, const QVector<PTTag> &tags, int type = PTImageJpeg)
{
    const QString folder = PTProjectFile::projectFolder(name);
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    PTProjectFile::save(PTProjectFile::projectFilePath(name), type, tags);
    return folder;
}

// exiftool's view of a file: tag name -> value (numbers as numbers,
// unknown tags included).
inline QMap<QString, QString> exiftool(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("exiftool"), {"-n", "-u", "-s", "-G1", "-a", path});
    p.waitForFinished(20000);
    QMap<QString, QString> tags;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
        const int colon = line.indexOf(QLatin1String(": "));
        if (colon < 0)
            continue;
        tags.insert(line.left(colon).simplified(), line.mid(colon + 2).trimmed());
    }
    return tags;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace PTFixture
