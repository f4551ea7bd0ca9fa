#pragma once
// Fixtures of the creation tests: aircraft logs from the log generator and
// real JPEGs whose capture times ExifHandler writes on a shifted clock.
#include "exif/exifhandler.h"
#include "harleklog/harlekdemo.h"
#include "harleklog/harleklogwriter.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QString>

namespace PTFixture {

constexpr qint64 kStartUtc = 1760000000000LL;  // 2025-10-09

inline HarlekLogContent survey(unsigned seed = 1)
{
    return harleklog::surveyFlight(kStartUtc, harleklog::DemoSite(), seed);
}

inline HarlekLogContent withTagTimes(const QVector<qint64> &gpsMs)
{
    HarlekLogContent c = survey();
    c.tags.clear();
    for (int i = 0; i < gpsMs.size(); ++i) {
        PhotoTag t;
        t.time = gpsMs[i];
        t.latitude = 48.0 + i * 1e-4;
        t.longitude = 11.0 + i * 1e-4;
        t.height = 580.0 + i;
        t.relativeHeight = 60.0 + i;
        t.roll = 1.0 + i;
        t.pitch = -2.0 - i;
        t.yaw = 90.0 + i;
        c.tags.push_back(t);
    }
    return c;
}

inline bool writeLog(const QString &sdPath, const QString &name, const HarlekLogContent &content)
{
    return harleklog::writeLog((sdPath + "/logs/" + name).toStdString(), content);
}

// A JPEG of the given size; with a valid time its EXIF capture time.
inline bool writeJpeg(const QString &path, const QSize &size, const QDateTime &captured,
                      const QColor &color = QColor(40, 120, 200))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    {
        QPainter p(&image);
        p.fillRect(0, 0, size.width() / 2, size.height() / 2, Qt::white);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG"))
        return false;
    if (captured.isValid()) {
        ExifHandler exif;
        exif.setDateTimeOriginal(captured);
        if (!exif.saveExif(bytes))
            return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// One photo per tag of the log, except the missing ones, on a camera clock
// off by clockMs and cut to whole seconds as EXIF keeps them; named
// DSC0001.JPG on. Returns the number written.
inline int writeSurveyPhotos(const QString &folder, const HarlekLogContent &log, const QList<int> &missing,
                             qint64 clockMs = 7200000 + 123456, const QSize &size = QSize(64, 48))
{
    QDir().mkpath(folder);
    int written = 0;
    for (size_t i = 0; i < log.tags.size(); ++i) {
        if (missing.contains(int(i)))
            continue;
        const qint64 utc = log.tags[i].time + 315964800000LL + clockMs;
        const QDateTime camera = QDateTime::fromMSecsSinceEpoch(utc - utc % 1000, Qt::UTC);
        const QDateTime local(camera.date(), camera.time());  // the camera knows no zone
        if (writeJpeg(QStringLiteral("%1/DSC%2.JPG").arg(folder).arg(++written + 1000), size, local))
            continue;
        return -1;
    }
    return written;
}

}  // namespace PTFixture
