#include "phototagger/creation/ptsteps.h"

#include "exif/exifhandler.h"
#include "harleklog/harleklog.h"
#include "phototagger/ptphotofile.h"
#include "phototagger/ptprojectfile.h"

#include <QColor>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QRunnable>
#include <QThreadPool>

#include <atomic>
#include <cerrno>
#include <vector>

#include "atomicfile/atomicfile.h"

#include <exception>

namespace {

inline bool cancelled(const PTSteps::CancelCheck &cancel) { return cancel && cancel(); }
inline void report(const PTSteps::Progress &progress, int current, int total)
{
    if (progress)
        progress(current, total);
}

QVector<qint64> toMs(const QVector<QDateTime> &times)
{
    QVector<qint64> ms;
    ms.reserve(times.size());
    for (const QDateTime &t : times)
        ms.append(t.toMSecsSinceEpoch());
    return ms;
}

}  // namespace

QVector<qint64> PTTriggerTable::timesMs() const { return toMs(time); }
QVector<qint64> PTPhotoTable::timesMs() const { return toMs(time); }

namespace PTSteps {

QDateTime gpsTimeToUtc(qint64 gpsMs)
{
    return QDateTime::fromMSecsSinceEpoch(gpsMs + kGpsEpochMs, Qt::UTC);
}

int readLogTriggers(const QString &logFolder, PTTriggerTable &table, const CancelCheck &cancel)
{
    qDebug() << "[PTMerge] threadReadLogData " << logFolder;
    std::vector<PhotoTag> tags;
    try {
        HarlekLog log(logFolder.toStdString());
        tags = log.photoTags();
    } catch (const LogNotFoundException &e) {
        qWarning() << "[PTMerge] threadReadLogData no log:" << e.what();
        return -3;
    } catch (const std::exception &e) {
        qWarning() << "[PTMerge] threadReadLogData log not readable:" << e.what();
        return -1;
    } catch (...) {
        qWarning() << "[PTMerge] threadReadLogData log not readable";
        return -1;
    }
    for (const PhotoTag &tag : tags) {
        table.latitude.append(tag.latitude);
        table.longitude.append(tag.longitude);
        table.relativeHeight.append(tag.relativeHeight);
        table.absoluteHeight.append(tag.height);
        table.pitch.append(tag.pitch);
        table.roll.append(tag.roll);
        table.yaw.append(tag.yaw);
        table.time.append(gpsTimeToUtc(tag.time));
        table.tagValue.append(1);
        table.enabled.append(true);
        if (cancelled(cancel))
            return 0;
    }
    qDebug().noquote() << QStringLiteral("[PTMerge] addlogfile return %1").arg(tags.size());
    return int(tags.size());
}

int readProjectTriggers(const QString &projectFile, PTTriggerTable &table)
{
    PTProjectContent content;
    QString error;
    const PTProjectFile::Status status = PTProjectFile::load(projectFile, content, &error);
    if (status == PTProjectFile::Status::CannotOpen) {
        qDebug() << "[PTData] loadProject ERROR opening project";
        return -1;
    }
    if (status != PTProjectFile::Status::Ok)
        qWarning() << "[PTMerge] threadReadLogDataFromZTE" << projectFile << error;
    // The stored photo names belong to the old photo set and are dropped.
    for (const PTTag &tag : qAsConst(content.tags)) {
        table.latitude.append(tag.latitude);
        table.longitude.append(tag.longitude);
        table.relativeHeight.append(tag.relativeHeight);
        table.absoluteHeight.append(tag.absoluteHeight);
        table.pitch.append(tag.pitch);
        table.roll.append(tag.roll);
        table.yaw.append(tag.yaw);
        table.time.append(tag.time);
        table.tagValue.append(tag.tagValue);
        table.enabled.append(tag.enabled);
    }
    qDebug().noquote() << QStringLiteral("[PTData] loadProject return version %1").arg(content.version);
    return table.count();
}

QStringList imagePatterns(int imageType)
{
    switch (imageType) {
    case Tiff:
        return {"*.tif", "*.tiff", "*.JPG"};
    case Arw:
        return {"*.arw", "*.ARW"};
    default:
        return {"*.jpg", "*.jpeg", "*.JPG"};
    }
}

QDateTime captureTime(const QString &path, int *accuracy)
{
    ExifHandler exif;
    exif.loadExif(path);
    const QString text = exif.getDateTimeOriginalString();
    qDebug() << "Exif-Date" << text;
    if (!text.isEmpty()) {
        const QDateTime t = exif.getDateTimeOriginal();
        if (t.isValid()) {
            *accuracy = 1;
            return t;
        }
    }
    // Most Linux file systems report no birth time through Qt.
    const QFileInfo info(path);
    QDateTime t = info.birthTime();
    if (!t.isValid())
        t = info.lastModified();
    *accuracy = 4;
    return t;
}

int readPhotos(const QString &folder, int imageType, PTPhotoTable &table, const CancelCheck &cancel,
               const Progress &progress)
{
    qDebug() << "[PTMerge] threadReadImageData " << folder;
    QDir dir(folder);
    if (!dir.exists() || !dir.isReadable())
        return 0;
    const QStringList files = dir.entryList(imagePatterns(imageType), QDir::Files | QDir::NoDotAndDotDot
                                                | QDir::Readable, QDir::Name);
    if (cancelled(cancel))
        return 0;
    qDebug().noquote() << QStringLiteral("[PTMerge] threadReadImageData jpegList.count %1").arg(files.size());
    const int n = files.size();
    for (int i = 0; i < n; ++i) {
        if (cancelled(cancel))
            return 0;
        report(progress, i, n);
        int accuracy = 4;
        const QDateTime t = captureTime(dir.absoluteFilePath(files[i]), &accuracy);
        if (cancelled(cancel))
            return 0;
        table.fileName.append(files[i]);
        table.time.append(t);
        table.accuracy.append(accuracy);
    }
    return n;
}

void sortPhotos(PTPhotoTable &table, const CancelCheck &cancel)
{
    int end = table.count() - 1;
    while (end > 0) {
        int lastSwap = 0;
        for (int i = 0; i < end; ++i) {
            if (cancelled(cancel))
                return;
            if (table.time[i + 1] < table.time[i]) {
                table.fileName.swapItemsAt(i, i + 1);
                std::swap(table.time[i], table.time[i + 1]);
                std::swap(table.accuracy[i], table.accuracy[i + 1]);
                lastSwap = i;
            }
        }
        end = lastSwap;
    }
}

QStringList matchedNames(const QVector<int> &assignment, const PTPhotoTable &photos)
{
    QStringList names;
    for (int photo : assignment)
        names.append(photo >= 0 && photo < photos.count() ? photos.fileName[photo] : QString());
    return names;
}

int copyPhotos(const QString &photoFolder, const QString &projectFolder, const QStringList &names,
               bool removeOldPhotos, const CancelCheck &cancel, const Progress &progress, bool *changed,
               QString *error)
{
    if (changed)
        *changed = false;
    if (!QDir().mkpath(projectFolder)) {
        if (error)
            *error = AtomicFile::describe(projectFolder, AtomicFile::systemReason(errno));
        return -1;
    }
    QDir project(projectFolder);
    if (removeOldPhotos) {
        const QStringList old = project.entryList({"*.JPG", "*.jpg", "*.TIFF", "*.tiff", "*.TIF", "*.tif"},
                                                  QDir::Files);
        for (const QString &name : old) {
            if (changed)
                *changed = true;
            project.remove(name);
        }
    }
    const int n = names.size();
    for (int i = 0; i < n; ++i) {
        if (names[i].isEmpty())
            continue;
        if (cancelled(cancel))
            return 0;
        report(progress, i, n);
        if (changed)
            *changed = true;
        if (!PTPhotoFile::copy(photoFolder + QLatin1Char('/') + names[i],
                               projectFolder + QLatin1Char('/') + names[i], error))
            return -2;
    }
    return 1;
}

QString thumbName(const QString &photoName, int imageType)
{
    if (imageType != Jpeg && imageType != Tiff)
        return QString();
    return PTProjectFile::previewName(photoName, imageType);
}

namespace {

int makeThumbnail(const QString &projectFolder, const QString &name, int imageType, QString *error)
{
    const QString source = projectFolder + QLatin1Char('/') + name;
    const QString target = projectFolder + QLatin1Char('/') + thumbName(name, imageType);
    if (imageType == Jpeg) {
        QImageReader reader(source);
        const QSize size = reader.size();
        QImage image;
        // A width of 0 would leave the height undefined: the stand-in then.
        if (size.width() > 0) {
            reader.setScaledSize(QSize(600, int(qint64(size.height()) * 600 / size.width())));
            image = reader.read();
        }
        if (image.isNull()) {
            qWarning() << "failed to open image:" << source << reader.errorString();
            image = QImage(600, 400, QImage::Format_RGB888);
            image.fill(QColor("red"));
        }
        if (!PTPhotoFile::saveImage(image, target, "JPG", error)) {
            qWarning() << "failed to save image:" << target;
            return -2;
        }
    } else if (imageType == Tiff) {
        QImage image(source);
        if (image.isNull()) {
            qWarning() << "failed to open image:" << source;
            if (error)
                *error = AtomicFile::describe(source, QStringLiteral("the image could not be read"));
            return -1;
        }
        image = image.scaledToWidth(600, Qt::FastTransformation);
        if (!PTPhotoFile::saveImage(image, target, "JPG", error)) {
            qWarning() << "failed to save image:" << target;
            return -2;
        }
    }
    return 1;
}

}  // namespace

int makeThumbnails(const QString &projectFolder, const QStringList &names, int imageType,
                   const CancelCheck &cancel, const Progress &progress, int threads, QString *error)
{
    const int n = names.size();
    if (n == 0 || (imageType != Jpeg && imageType != Tiff))
        return cancelled(cancel) ? 0 : 1;
    constexpr int kNotRun = 2;
    std::vector<int> results(n, kNotRun);
    std::vector<QString> errors(n);
    std::atomic<int> started{0};
    std::atomic<bool> stop{false};
    auto one = [&](int i) {
        if (stop.load())
            return;
        report(progress, started++, n);
        if (cancelled(cancel)) {
            stop = true;
            return;
        }
        results[i] = names[i].isEmpty() ? 1 : makeThumbnail(projectFolder, names[i], imageType, &errors[i]);
        if (results[i] != 1)
            stop = true;
    };
    if (threads == 1) {
        for (int i = 0; i < n; ++i)
            one(i);
    } else {
        // Decoding and encoding dominate; each photo is independent. Photos
        // are taken in name order by as many runners as there are cores.
        QThreadPool pool;
        if (threads > 0)
            pool.setMaxThreadCount(threads);
        std::atomic<int> next{0};
        for (int r = 0; r < pool.maxThreadCount(); ++r)
            pool.start(QRunnable::create([&] {
                for (int i = next++; i < n; i = next++)
                    one(i);
            }));
        pool.waitForDone();
    }
    if (cancelled(cancel))
        return 0;
    for (int i = 0; i < n; ++i) {
        if (results[i] < 0) {
            if (error)
                *error = errors[i];
            return results[i];
        }
    }
    return 1;
}

int writeProject(const QString &projectFolder, const QString &name, int imageType, const PTTriggerTable &triggers,
                 const QStringList &names, const CancelCheck &cancel, QString *error)
{
    qDebug() << "[PTData] createProject " << name;
    if (!QDir().mkpath(projectFolder)) {
        if (error)
            *error = AtomicFile::describe(projectFolder, AtomicFile::systemReason(errno));
        return -1;
    }
    QVector<PTTag> tags;
    tags.reserve(triggers.count());
    for (int i = 0; i < triggers.count(); ++i) {
        if (cancelled(cancel))
            return 0;
        PTTag tag;
        tag.imageName = names.isEmpty() ? QString() : names.value(i);
        tag.latitude = triggers.latitude[i];
        tag.longitude = triggers.longitude[i];
        tag.relativeHeight = triggers.relativeHeight[i];
        tag.absoluteHeight = triggers.absoluteHeight[i];
        tag.pitch = triggers.pitch[i];
        tag.roll = triggers.roll[i];
        tag.yaw = triggers.yaw[i];
        tag.time = triggers.time[i];
        tag.tagValue = triggers.tagValue[i];
        tag.enabled = triggers.enabled[i];
        tags.append(tag);
    }
    const QString path = QDir::toNativeSeparators(projectFolder + QLatin1Char('/') + name + QStringLiteral(".zpt"));
    if (cancelled(cancel))
        return 0;
    QString reason;
    if (!PTProjectFile::save(path, imageType, tags, &reason)) {
        qWarning() << "[PTData] createProject zptfile error opening " << path;
        if (error)
            *error = AtomicFile::describe(path, reason);
        return -2;
    }
    qDebug() << "[PTData] createProject finished";
    return 1;
}

}  // namespace PTSteps
