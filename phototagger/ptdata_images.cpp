// Photos entering the project (addImage) and leaving it with geotags
// (copyFiles).
#include <QColor>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMutex>
#include <QMutexLocker>
#include <QRunnable>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include "exif/exifhandler.h"
#include "phototagger/ptdata.h"

namespace {
constexpr int PreviewWidth = 1280;
const char *const Software = "Korvel Tarvendel by Brisolan Technologies GmbH";
}  // namespace

bool PTData::addImage(const QString &path, int position)
{
    if (position < 0 || position >= getCount())
        return false;
    if (!getImageName(position).isEmpty()) {
        qDebug() << QStringLiteral("[PTData] Warning: Not overwriting existing image at position %1.")
                        .arg(position);
        return false;
    }
    qDebug() << QStringLiteral("[PTData] addImage %1 to position %2").arg(path).arg(position);
    const QString fileName = QFileInfo(path).fileName();
    const QString destination = photoPath(fileName);
    if (!QFile::copy(path, destination))  // never replaces a file
        return false;

    if (m_imageType == PTImageJpeg || m_imageType == PTImageTiff) {
        // Decoded straight at the preview size instead of scaling the photo.
        QImageReader reader(destination);
        const QSize size = reader.size();
        QImage preview;
        if (size.width() > 0 && size.height() > 0) {
            reader.setScaledSize(QSize(PreviewWidth, size.height() * PreviewWidth / size.width()));
            preview = reader.read();
        }
        if (preview.isNull()) {
            qDebug() << "failed to open image:" << destination;
            qDebug() << reader.errorString();
            preview = QImage(PreviewWidth, 960, QImage::Format_RGB888);
            preview.fill(QColor(QStringLiteral("red")));
        }
        preview.save(photoPath(PTProjectFile::previewName(fileName, m_imageType)), "JPEG");
    }
    while (m_imageNames.size() <= position)
        m_imageNames.append(QString());
    m_imageNames[position] = fileName;
    qDebug() << "[PTData] Image added";
    return true;
}

namespace {

struct GeoTag {
    QString source;
    QString target;
    double latitude, longitude, pitch, roll, yaw, altitude;
    bool mapDatum;
};

// End of the head of a JPEG: the offset just past its start-of-scan marker,
// or -1 when the bytes are no JPEG head. Reads more of the file as needed.
qint64 jpegHeadEnd(QFile &in, QByteArray &head)
{
    constexpr qint64 Limit = 4 << 20;
    auto need = [&](qint64 size) {
        while (head.size() < size && head.size() < Limit) {
            const QByteArray more = in.read(64 * 1024);
            if (more.isEmpty())
                break;
            head += more;
        }
        return head.size() >= size;
    };
    auto at = [&head](qint64 i) { return uchar(head.at(int(i))); };
    if (!need(2) || at(0) != 0xFF || at(1) != 0xD8)
        return -1;
    qint64 pos = 2;
    while (need(pos + 2)) {
        if (at(pos) != 0xFF)
            return -1;
        if (at(pos + 1) == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        const uchar marker = at(pos + 1);
        if (marker == 0xDA)
            return pos + 2;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            pos += 2;
            continue;
        }
        if (!need(pos + 4))
            return -1;
        pos += 2 + ((at(pos + 2) << 8) | at(pos + 3));
    }
    return -1;
}

bool writeAll(QFile &out, const char *data, qint64 size)
{
    return out.write(data, size) == size;
}

// Tags one photo and writes its copy once, with its tags: the same bytes as
// copying and then tagging the copy. A JPEG goes through Exiv2 with its head
// only; the scan data is copied as it is. A file of that name already in the
// target folder is kept and only gets the tags.
bool geotag(const GeoTag &g)
{
    ExifHandler exif;
    exif.loadExif(g.source);
    exif.setSoftware(QString::fromLatin1(Software));
    exif.setGPSLonLat(g.longitude, g.latitude);
    exif.setCameraPitch(g.pitch);
    exif.setCameraRoll(g.roll);
    exif.setGPSImgDirection(g.yaw);
    exif.setGPSAltitude(g.altitude);
    if (g.mapDatum)
        exif.setGPSMapDatum();
    if (QFileInfo::exists(g.target))
        return exif.saveExif(g.target);

    QFile in(g.source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QByteArray head;
    const qint64 headEnd = jpegHeadEnd(in, head);
    QByteArray rest;
    if (headEnd < 0) {
        head += in.readAll();  // not a JPEG: the whole file through Exiv2
    } else {
        rest = head.mid(int(headEnd));
        head.truncate(int(headEnd));
    }
    if (!exif.saveExif(head))
        return false;
    QFile out(g.target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    bool ok = writeAll(out, head.constData(), head.size())
              && writeAll(out, rest.constData(), rest.size());
    QByteArray block;
    while (ok && headEnd >= 0 && !in.atEnd()) {
        block = in.read(1 << 20);
        ok = !block.isEmpty() && writeAll(out, block.constData(), block.size());
    }
    ok = ok && out.flush();
    out.close();
    if (!ok || out.error() != QFileDevice::NoError) {
        out.remove();  // no half photo left behind
        return false;
    }
    return true;
}

}  // namespace

bool PTData::copyFiles(const QString &targetFolder, QStringList *failed, const CopyStep &step)
{
    qDebug() << QStringLiteral("[PTData] copyFiles to %1").arg(targetFolder);
    // One photo per task on all cores; a few tasks ahead at most, so an abort
    // is quick and memory stays small. Tasks never stop halfway.
    QThreadPool pool;
    const int workers = qMax(1, QThread::idealThreadCount());
    pool.setMaxThreadCount(workers);
    QSemaphore room(2 * workers);
    QMutex failedMutex;
    QStringList failures;
    bool aborted = false;

    const int n = m_imageNames.size();
    for (int i = 0; i < n && !aborted; ++i) {
        emit copyFile(i, n);
        if (step && !step(i, n)) {
            aborted = true;
            break;
        }
        if (!isExported(i))
            continue;
        const QString image = getImageName(i);
        const GeoTag g{photoPath(image),
                       targetFolder + QLatin1Char('/') + image,
                       m_latitude.at(i),
                       m_longitude.at(i),
                       m_pitch.at(i),
                       m_roll.at(i),
                       m_yaw.at(i),
                       exportHeight(i),
                       m_absoluteHeight};
        room.acquire();
        pool.start(QRunnable::create([g, image, &room, &failedMutex, &failures] {
            if (!geotag(g)) {
                qDebug() << "[PTData] copyFiles failed for" << image;
                QMutexLocker lock(&failedMutex);
                failures.append(image);
            }
            room.release();
        }));
    }
    pool.waitForDone();
    if (failed) {
        // In tag order, whatever order the tasks ended in.
        for (int i = 0; i < n; ++i) {
            if (failures.contains(getImageName(i)) && !failed->contains(getImageName(i)))
                failed->append(getImageName(i));
        }
    }
    if (aborted)
        return false;
    if (step)
        step(n, n);
    qDebug() << "[PTData] photo copy finished, return true";
    return true;
}
