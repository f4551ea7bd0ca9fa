// Photos entering the project (addImage) and leaving it with geotags
// (copyFiles).
#include <QColor>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QMutex>
#include <QMutexLocker>
#include <QRunnable>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <cerrno>

#include "atomicfile/atomicfile.h"
#include "exif/exifhandler.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptphotofile.h"

namespace {
constexpr int PreviewWidth = 1280;
const char *const Software = "Korvel Tarvendel by Brisolan Technologies GmbH";

// True when both files hold the same bytes.
bool sameBytes(const QString &a, const QString &b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        const QByteArray block = fa.read(1 << 20);
        if (block.isEmpty() || block != fb.read(block.size()))
            return false;
    }
    return fa.error() == QFileDevice::NoError && fb.error() == QFileDevice::NoError;
}
}  // namespace

bool PTData::addImage(const QString &path, int position, QString *error)
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
    if (!PTPhotoFile::copy(path, destination, error)) {  // never replaces a file
        // The very same photo, copied by an add that was cut off before the
        // project listed it, is taken as it is: otherwise it would block the
        // name for good.
        if (!sameBytes(path, destination))
            return false;
        if (error)
            error->clear();
    }

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
        // A photo without its preview is not added: the copy goes again.
        if (!PTPhotoFile::saveImage(preview, photoPath(PTProjectFile::previewName(fileName, m_imageType)),
                                    "JPEG", error)) {
            QFile::remove(destination);
            return false;
        }
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

// Writes target from the photo at from with the tags of exif: a JPEG goes
// through Exiv2 with its head only and its scan data is copied as it is;
// any other file goes through Exiv2 whole. The file takes its name only
// when whole.
QString writeTagged(ExifHandler &exif, const QString &from, const QString &target,
                    AtomicFile::Mode mode, int *osError = nullptr)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return AtomicFile::describe(from, in.errorString());
    QByteArray head;
    const qint64 headEnd = PTPhotoFile::jpegHeadEnd(in, head);
    QByteArray rest;
    if (headEnd < 0) {
        head += in.readAll();  // not a JPEG: the whole file through Exiv2
    } else {
        rest = head.mid(int(headEnd));
        head.truncate(int(headEnd));
    }
    if (in.error() != QFileDevice::NoError)
        return AtomicFile::describe(from, in.errorString());
    if (!exif.saveExif(head))
        return AtomicFile::describe(from, QStringLiteral("its EXIF tags could not be written"));
    AtomicFile::Writer out(target, mode);
    // The copies are checked whole before the next export keeps one, and
    // their sources stay: a sync per photo would halve the export's speed
    // (a kill still leaves no cut-off copy).
    out.setSynced(false);
    if (!out.open())
        return AtomicFile::describe(target, out.reason());
    out.write(head);
    out.write(rest);
    QByteArray block;
    while (headEnd >= 0 && !out.failed() && !in.atEnd()) {
        block = in.read(1 << 20);
        if (block.isEmpty())
            break;
        out.write(block);
    }
    if (in.error() != QFileDevice::NoError) {
        out.cancel();
        return AtomicFile::describe(from, in.errorString());
    }
    if (!out.commit()) {
        if (osError)
            *osError = out.osError();
        return AtomicFile::describe(target, out.reason());
    }
    return QString();
}

// Tags one photo and writes its copy once, with its tags: the same bytes as
// copying and then tagging the copy. A whole file of that name already in
// the target folder is kept and only gets the tags; one cut off (by an
// export that was killed) is written again. Empty, or "<file>: <reason>".
QString geotag(const GeoTag &g)
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
    QFileInfo target(g.target);
    if (!target.exists() && !target.isSymLink()) {
        int error = 0;
        const QString written = writeTagged(exif, g.source, g.target, AtomicFile::Mode::NoReplace, &error);
        if (error != EEXIST)
            return written;
        // Another export into the same folder took the name meanwhile: what
        // it wrote is taken as any file found there.
        target.refresh();
    }
    if (target.isFile() && PTPhotoFile::isWhole(g.target)) {
        if (!target.isWritable())
            return AtomicFile::describe(g.target, AtomicFile::systemReason(EACCES));
        return writeTagged(exif, g.target, g.target, AtomicFile::Mode::Replace);
    }
    return writeTagged(exif, g.source, g.target, AtomicFile::Mode::Replace);
}

}  // namespace

bool PTData::copyFiles(const QString &targetFolder, QStringList *failed, const CopyStep &step,
                       QStringList *reasons)
{
    qDebug() << QStringLiteral("[PTData] copyFiles to %1").arg(targetFolder);
    // Copies a killed export left unfinished go before new ones are made.
    AtomicFile::removeAbandoned(targetFolder);
    // One photo per task on all cores; a few tasks ahead at most, so an abort
    // is quick and memory stays small. Tasks never stop halfway.
    QThreadPool pool;
    const int workers = qMax(1, QThread::idealThreadCount());
    pool.setMaxThreadCount(workers);
    QSemaphore room(2 * workers);
    QMutex failedMutex;
    QHash<QString, QString> failures;  // image -> "<file>: <reason>"
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
            const QString error = geotag(g);
            if (!error.isEmpty()) {
                qDebug() << "[PTData] copyFiles failed:" << error;
                QMutexLocker lock(&failedMutex);
                failures.insert(image, error);
            }
            room.release();
        }));
    }
    pool.waitForDone();
    // In tag order, whatever order the tasks ended in.
    QStringList listed;
    for (int i = 0; i < n; ++i) {
        const QString image = getImageName(i);
        if (!failures.contains(image) || listed.contains(image))
            continue;
        listed << image;
        if (failed && !failed->contains(image))
            failed->append(image);
        if (reasons)
            reasons->append(failures.value(image));
    }
    if (aborted)
        return false;
    if (step)
        step(n, n);
    qDebug() << "[PTData] photo copy finished, return true";
    return true;
}
