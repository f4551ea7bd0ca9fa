#include "radiconv/araconverter.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHash>
#include <QMutexLocker>
#include <QThreadPool>
#include <QVector>
#include <QtConcurrent>

#include <cstring>
#include <mutex>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "atomicfile/atomicfile.h"
#include "radiconv/araframereader.h"
#include "radiconv/previewjpeg.h"
#include "exif/exifhandler.h"
#include "radifmt/flirwriter.h"
#include "radifmt/utility.h"

namespace {

// What one pool thread needs for a frame, kept from file to file and frame
// to frame: no large allocation per frame once a thread has warmed up, so
// the threads neither fault in fresh pages nor queue for the allocator.
struct FrameWork {
    QByteArray readBuffer;
    FLIRWriter writer;
    std::vector<uchar> greys;
    PreviewJpeg encoder;
    QByteArray jpeg;
    QByteArray file;
};

FrameWork &frameWork()
{
    static thread_local FrameWork work;
    return work;
}

// Grey preview of the signal-linear values, stretched over the writer's
// display range. A flat frame (no range) is a uniform mid grey. Values at or
// beyond the ends of the range are black or white, so only the range itself
// needs a table; each of its values is mapped once, as a pixel alone would be.
bool encodePreview(FrameWork &work, int width, int height)
{
    const FLIRWriter &writer = work.writer;
    const double min = writer.minValue();
    const double range = double(writer.maxValue()) - min;
    const int lowest = qBound(0, writer.minValue(), 65535);
    const int highest = qBound(lowest, writer.maxValue(), 65535);
    work.greys.resize(size_t(highest - lowest) + 1);
    uchar *grey = work.greys.data();
    for (int v = lowest; v <= highest; ++v) {
        double g = range > 0 ? (v - min) / range : 0.5;
        g = qBound(0.0, g, 1.0);
        grey[v - lowest] = uchar(qRound(g * 255.0));
    }
    return work.encoder.encode(writer.getSLinearValues().data(), width, height, grey, lowest, highest, work.jpeg);
}

// Where the first quantisation table segment begins, walking the segments
// from the start of the image; -1 when there is none before the scan.
int firstQuantisationTable(const QByteArray &jpeg)
{
    const auto *d = reinterpret_cast<const uchar *>(jpeg.constData());
    const int size = jpeg.size();
    if (size < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return -1;
    int at = 2;
    while (at + 4 <= size && d[at] == 0xFF) {
        const uchar marker = d[at + 1];
        if (marker == 0xDB)
            return at;
        if (marker == 0xDA || marker == 0xD9)
            return -1;
        at += 2 + ((d[at + 2] << 8) | d[at + 3]);
    }
    return -1;
}

// The target's suffix: "jpg" for an image, "seq" for a recording, empty
// for a file that is neither.
QString targetEnding(const QFileInfo &source)
{
    const QString suffix = source.suffix().toLower();
    if (suffix == QLatin1String("ara"))
        return QStringLiteral("jpg");
    if (suffix == QLatin1String("arv"))
        return QStringLiteral("seq");
    return QString();
}

}  // namespace

AraConverter::AraConverter(QObject *parent)
    : QObject(parent)
{
}

AraConverter::~AraConverter()
{
    // The tasks use this object; they end before it goes.
    if (m_watcher) {
        cancel();
        m_watcher->waitForFinished();
    }
}

void AraConverter::setTargetLocation(const QString &location)
{
    m_targetLocation = location;
}

void AraConverter::addFiles(const QStringList &files)
{
    m_files << files;
}

QList<AraConverter::Failure> AraConverter::failures() const
{
    QMutexLocker lock(&m_mutex);
    return m_failures;
}

int AraConverter::convertedCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_converted;
}

bool AraConverter::failed(const QString &path, const QString &reason)
{
    QMutexLocker lock(&m_mutex);
    m_failures.append({path, reason});
    return false;
}

bool AraConverter::openSource(QFile &source, const QString &path)
{
    if (!source.open(QIODevice::ReadOnly)) {
        qCritical() << "AraConverter::convert() [ERROR] Could not read" << path << source.errorString();
        return failed(path, tr("could not be read: %1").arg(source.errorString()));
    }
    return true;
}

bool AraConverter::openTarget(AtomicFile::Writer &out, const QString &path, const QString &target)
{
    if (!out.open()) {
        qCritical() << "AraConverter::convert() [ERROR] Could not create target file :" << target << out.reason();
        return failed(path, tr("could not create %1: %2").arg(QDir::toNativeSeparators(target), out.reason()));
    }
    return true;
}

bool AraConverter::writeFailed(const QString &path, const QString &target, const QString &reason)
{
    qCritical() << "AraConverter::convert() [ERROR] Could not write" << target << reason;
    return failed(path, tr("could not write %1: %2").arg(QDir::toNativeSeparators(target), reason));
}

QString AraConverter::progressLabel() const
{
    return QStringLiteral("Converting %1 files(s) using %2 thread(s)...")
        .arg(m_files.size())
        .arg(QThreadPool::globalInstance()->maxThreadCount());
}

void AraConverter::start()
{
    if (m_watcher)
        return;
    ExifHandler::initializeLibrary();  // before any task touches Exiv2
#ifdef __GLIBC__
    // Each frame needs a few buffers of about a megabyte. Kept in the heap
    // instead of being mapped and unmapped per frame, they cost no page
    // faults and no address-space locking between the tasks.
    static std::once_flag malloc_tuned;
    std::call_once(malloc_tuned, [] {
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
    });
#endif
    m_cancel = false;
    m_canceled = false;
    {
        QMutexLocker lock(&m_mutex);
        m_failures.clear();
        m_converted = 0;
    }

    // Two sources that would write the same target are reported, not left to
    // overwrite each other; a file listed twice is converted once.
    m_jobs.clear();
    QHash<QString, QString> claimed;  // target -> source
    for (const QString &file : qAsConst(m_files)) {
        const QString target = targetPathFor(file);
        if (target.isEmpty()) {
            m_jobs.append({file});  // convert() reports the wrong suffix
            continue;
        }
        const QString source = QFileInfo(file).absoluteFilePath();
        const auto it = claimed.constFind(target);
        if (it == claimed.constEnd()) {
            claimed.insert(target, source);
            m_jobs.append({file});
        } else if (it.value() == source) {
            qDebug() << "AraConverter::run() Skipping" << file << "listed twice";
        } else {
            qCritical() << "AraConverter::run() [ERROR]" << file << "would overwrite" << target << "of" << it.value();
            failed(file, tr("its target %1 is also the target of %2").arg(QDir::toNativeSeparators(target),
                                                                          QDir::toNativeSeparators(it.value())));
        }
    }

    const int threads = QThreadPool::globalInstance()->maxThreadCount();
    qDebug().noquote() << "AraConverter::run()" << progressLabel();

    m_watcher = new QFutureWatcher<void>(this);
    connect(m_watcher, &QFutureWatcher<void>::progressValueChanged, this,
            [this](int done) { emit progress(done, m_jobs.size()); });
    connect(m_watcher, &QFutureWatcher<void>::finished, this, &AraConverter::complete);
    emit started(m_jobs.size(), threads);
    emit progress(0, m_jobs.size());
    m_watcher->setFuture(QtConcurrent::map(m_jobs, [this](Job &job) {
        if (m_cancel)
            return;
        job.started = true;
        convert(job.path);
    }));
}

void AraConverter::run()
{
    start();
    if (m_watcher) {
        m_watcher->waitForFinished();
        complete();
    }
}

void AraConverter::cancel()
{
    m_cancel = true;
    if (m_watcher)
        m_watcher->cancel();
}

void AraConverter::complete()
{
    if (!m_watcher)
        return;
    m_watcher->waitForFinished();
    m_canceled = m_watcher->isCanceled() || m_cancel;
    // It may be emitting finished() right now: cut it off and let it go later.
    m_watcher->disconnect(this);
    m_watcher->deleteLater();
    m_watcher = nullptr;
    for (const Job &job : qAsConst(m_jobs)) {
        if (!job.started)
            failed(job.path, tr("not converted, the run was cancelled"));
    }
    qDebug().noquote() << QStringLiteral("AraConverter::run() Canceled? %1").arg(m_canceled ? 1 : 0);
    const int total = m_jobs.size();
    emit progress(total, total);
    emit finished(convertedCount(), failures().size(), m_canceled);
}

QString AraConverter::targetFolderFor(const QString &path, bool create) const
{
    const QFileInfo source(path);
    if (m_targetLocation.isEmpty())
        return source.absolutePath();
    const QString location = QDir::cleanPath(QDir::fromNativeSeparators(m_targetLocation));
    const QString parentName = source.absoluteDir().dirName();
    if (parentName.isEmpty())
        return location;
    QDir dir(location);
    if (create) {
        dir.mkpath(parentName);
        if (!dir.cd(parentName))
            return location;
        return dir.absolutePath();
    }
    return dir.absoluteFilePath(parentName);
}

QString AraConverter::targetPathFor(const QString &path) const
{
    const QFileInfo info(path);
    const QString ending = targetEnding(info);
    if (ending.isEmpty())
        return QString();
    return QStringLiteral("%1/%2.%3").arg(targetFolderFor(path, false), info.baseName(), ending);
}

bool AraConverter::convert(const QString &path, QString *error)
{
    if (convertFile(path))
        return true;
    if (error) {
        // The reason convertFile recorded last for this file.
        QMutexLocker lock(&m_mutex);
        for (int i = m_failures.size() - 1; i >= 0; --i) {
            if (m_failures[i].file == path) {
                *error = m_failures[i].reason;
                break;
            }
        }
    }
    return false;
}

bool AraConverter::convertFile(const QString &path)
{
    const QFileInfo info(path);
    const QString base = info.baseName();
    qDebug().noquote() << QStringLiteral("AraConverter::convert() Preparing conversion of file %1").arg(info.fileName());

    const QString ending = targetEnding(info);
    if (ending.isEmpty()) {
        qCritical().noquote() << QStringLiteral("AraConverter::convert() [ERROR] %1 is not an ARA/ARV file").arg(path);
        return failed(path, tr("not an ARA/ARV file"));
    }
    const QString target = QStringLiteral("%1/%2.%3").arg(targetFolderFor(path, true), base, ending);

    const bool ok = ending == QLatin1String("jpg") ? convertImage(path, target) : convertSequence(path, target);
    if (ok) {
        QMutexLocker lock(&m_mutex);
        ++m_converted;
    }
    return ok;
}

bool AraConverter::convertImage(const QString &path, const QString &target)
{
    FrameWork &work = frameWork();
    QFile source(path);
    if (!openSource(source, path))
        return false;
    AraFrameReader reader(&source, &work.readBuffer);
    const AraFrameReader::Result read = reader.nextBytes();
    if (read == AraFrameReader::Unsupported) {
        qCritical() << "AraConverter::convert() [ERROR]" << path << reader.errorString();
        return failed(path, reader.errorString());
    }
    if (read != AraFrameReader::Frame) {
        const QString why = reader.errorString().isEmpty() ? tr("the file is empty") : reader.errorString();
        qCritical() << "AraConverter::convert() [ERROR]" << path << why;
        return failed(path, tr("damaged recording: %1").arg(why));
    }
    source.close();

    const ARA_HEADER header = reader.header();
    FLIRWriter &writer = work.writer;
    if (!writer.read(header, reader.sensorData(), reader.sensorSize()))
        return failed(path, tr("unsupported frame (version %1)").arg(header.fileVersion));

    qDebug().noquote() << QStringLiteral("AraConverter::convert() Getting FLIR JPEG data for %1").arg(QFileInfo(path).baseName());
    writer.createCompleteFLIRData();
    const size_t app1Size = writer.app1DataSize();
    if (app1Size == 0)
        return failed(path, tr("the radiometric data do not fit into a JPEG file"));
    qDebug() << "AraConverter::convert() Writing to JPEG file";
    qDebug().noquote() << QStringLiteral("%1, length : %2 bytes").arg(target).arg(app1Size);

    QByteArray &jpeg = work.jpeg;
    if (!encodePreview(work, header.width, header.height))
        return failed(path, tr("the preview image could not be encoded"));
    if (firstQuantisationTable(jpeg) < 0)
        return failed(path, tr("the preview image has no quantisation table"));
    // The tags go into the small preview; the radiometric segments are put
    // in afterwards, in front of its first quantisation table, where they
    // would be had the tags been written into the whole file. So the file
    // is built once and written once, whole with its tags.
    const bool tagged = writeExifData(jpeg, header);
    const int dqt = firstQuantisationTable(jpeg);
    if (dqt < 0)
        return failed(path, tr("the preview image has no quantisation table"));

    QByteArray &file = work.file;
    const int size = jpeg.size() + int(app1Size);
    if (file.capacity() < size)
        file.reserve(size + 4096);
    file.resize(size);
    char *to = file.data();
    std::memcpy(to, jpeg.constData(), size_t(dqt));
    writer.copyAPP1Data(reinterpret_cast<uint8_t *>(to + dqt));
    std::memcpy(to + dqt + app1Size, jpeg.constData() + dqt, size_t(jpeg.size() - dqt));

    // Every write checked; the file takes its name only when whole.
    AtomicFile::Writer out(target);
    if (!openTarget(out, path, target))
        return false;
    out.write(file);
    if (!out.commit())
        return writeFailed(path, target, out.reason());
    if (!tagged)
        return failed(path, tr("written without EXIF tags"));
    qDebug().noquote() << QStringLiteral("AraConverter::convert() Successfully wrote FLIR JPEG %1").arg(target);
    return true;
}

bool AraConverter::convertSequence(const QString &path, const QString &target)
{
    QFile source(path);
    if (!openSource(source, path))
        return false;

    // Walk the headers first: a damaged or truncated recording is refused
    // before anything is written, and every frame's place becomes known.
    QVector<qint64> offsets;
    {
        AraFrameReader walker(&source);
        AraFrameReader::Result r;
        for (;;) {
            const qint64 at = source.pos();
            if ((r = walker.skip()) != AraFrameReader::Frame)
                break;
            offsets << at;
        }
        if (r == AraFrameReader::Unsupported) {
            qCritical() << "AraConverter::convert() [ERROR]" << path << walker.errorString();
            return failed(path, walker.errorString());
        }
        if (r == AraFrameReader::Error) {
            qCritical() << "AraConverter::convert() [ERROR]" << path << walker.errorString();
            return failed(path, tr("damaged recording: %1").arg(walker.errorString()));
        }
    }
    source.close();
    const int frames = offsets.size();
    qDebug() << "AraConverter::convert() File has" << frames << "frames.";
    if (frames == 0)
        return failed(path, tr("the recording holds no frames"));
    qDebug().noquote() << QStringLiteral("AraConverter::convert() Converting ARA file %1").arg(QFileInfo(path).fileName());

    AtomicFile::Writer out(target);
    if (!openTarget(out, path, target))
        return false;

    // A pipeline: each frame is read from its own place, decoded and built
    // on the pool, and this thread writes the results in order. At most
    // `window` frames are under way, so memory stays flat however long the
    // recording.
    struct Slot {
        std::vector<uint8_t> fff;
        QString error;  // empty: fff holds the frame
        QFuture<void> done;
    };
    const int window = 2 * qMax(1, QThreadPool::globalInstance()->maxThreadCount());
    std::vector<Slot> ring(size_t(qMin(window, frames)));
    const auto convertFrame = [&path](int index, qint64 offset, Slot *slot) {
        FrameWork &work = frameWork();
        slot->error.clear();
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly) || !in.seek(offset)) {
            slot->error = tr("could not be read: %1").arg(in.errorString());
            return;
        }
        AraFrameReader reader(&in, &work.readBuffer);
        reader.setFramesRead(index);
        if (reader.nextBytes() != AraFrameReader::Frame) {
            slot->error = tr("damaged recording: %1").arg(reader.errorString());
            return;
        }
        const ARA_HEADER header = reader.header();
        if (!work.writer.read(header, reader.sensorData(), reader.sensorSize())) {
            slot->error = tr("unsupported frame %1 (version %2)").arg(index + 1).arg(header.fileVersion);
            return;
        }
        qDebug().noquote() << QStringLiteral("AraConverter::convert() Creating FLIR data for frame %1").arg(index);
        work.writer.createCompleteFLIRData();
        const std::vector<uint8_t> &fff = work.writer.flirFileData();
        slot->fff.assign(fff.begin(), fff.end());
    };
    const auto drain = [&] {
        for (Slot &slot : ring)
            slot.done.waitForFinished();
    };

    int started = 0;
    for (int written = 0; written < frames; ++written) {
        if (m_cancel) {
            drain();
            out.cancel();
            return failed(path, tr("not converted, the run was cancelled"));
        }
        for (; started < frames && started - written < int(ring.size()); ++started) {
            Slot *slot = &ring[size_t(started) % ring.size()];
            slot->done = QtConcurrent::run(convertFrame, started, offsets[started], slot);
        }
        // Waiting on a frame no pool thread has taken yet runs it here, so a
        // pool busy with other files cannot stall the recording.
        Slot &slot = ring[size_t(written) % ring.size()];
        slot.done.waitForFinished();
        if (!slot.error.isEmpty()) {
            drain();
            out.cancel();
            return failed(path, slot.error);
        }
        if (out.write(reinterpret_cast<const char *>(slot.fff.data()), qint64(slot.fff.size())) != qint64(slot.fff.size())) {
            drain();
            const QString reason = out.reason();
            out.cancel();
            return writeFailed(path, target, reason);
        }
    }
    if (!out.commit())
        return writeFailed(path, target, out.reason());
    qDebug().noquote() << QStringLiteral("AraConverter::convert() Converted %1 frames").arg(frames);
    return true;
}

namespace {

void setTags(ExifHandler &exif, const ARA_HEADER &header)
{
    exif.clear();
    exif.setMake(QStringLiteral("FLIR Systems"));
    exif.setModel(QStringLiteral("FLIR Tau 2 640"));
    exif.setSoftware(QStringLiteral("Korvel Radiconv"));
    if (header.latitude != 0 && header.longitude != 0)
        exif.setGPSLatLon(header.latitude * 1e-7, header.longitude * 1e-7);
    exif.setGPSAltitude(header.altitude * 0.001);
    exif.setCameraPitch(header.cameraPitch * 0.01);
    exif.setCameraRoll(header.roll * 0.01);
    exif.setGPSImgDirection(header.yaw * 0.01);

    const qint64 seconds = utility::fromGpsDate(header.gpsWeek, header.gpsTimeOfWeek);
    const QDateTime t = QDateTime::fromSecsSinceEpoch(qint64(quint32(seconds)), Qt::LocalTime);
    exif.setDateTime(QDateTime::currentDateTimeUtc());
    exif.setDateTimeOriginal(t);
    exif.setGPSDateTimeStamp(t);
}

}  // namespace

bool AraConverter::writeExifData(QByteArray &jpeg, const ARA_HEADER &header)
{
    ExifHandler exif;
    setTags(exif, header);
    return exif.saveExif(jpeg);
}
