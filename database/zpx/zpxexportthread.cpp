#include "database/zpx/zpxexportthread.h"

#include "atomicfile/atomicfile.h"

#include <QScopeGuard>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

using ZPX::Kind;

ZPXExportThread::ZPXExportThread(QObject *parent)
    : QThread(parent), m_places(ZPX::Places::fromData())
{
}

ZPXExportThread::ZPXExportThread(const ZPX::Places &places, QObject *parent)
    : QThread(parent), m_places(places)
{
}

ZPXExportThread::~ZPXExportThread()
{
    terminateIt();
    wait();
}

void ZPXExportThread::setData(const QStringList &maps, const QStringList &flightplans,
                              const QStringList &logs, const QStringList &projects)
{
    m_maps = maps;
    m_flightplans = flightplans;
    m_logs = logs;
    m_projects = projects;
}

void ZPXExportThread::startPause()
{
    m_mode = Pause;
    start(QThread::InheritPriority);
}

void ZPXExportThread::startExporting()
{
    m_mode = Write;
    start(QThread::InheritPriority);
}

void ZPXExportThread::canceled()
{
    m_mode = Remove;
    start(QThread::InheritPriority);
}

void ZPXExportThread::deleteFile()
{
    m_mode = Delete;
    start(QThread::InheritPriority);
}

void ZPXExportThread::terminateIt()
{
    QMutexLocker lock(&m_mutex);
    if (!m_writeEnded)
        m_cancel = true;
}

bool ZPXExportThread::isTerminated() const
{
    QMutexLocker lock(&m_mutex);
    return m_cancel;
}

QString ZPXExportThread::itemFolder(Kind kind, const QString &name) const
{
    return m_places.folder(kind) + QLatin1Char('/') + name;
}

int ZPXExportThread::getMaxCount() const
{
    int n = m_maps.size() + m_flightplans.size();
    for (const QString &name : m_logs)
        n += ZPX::itemFiles(itemFolder(Kind::Log, name)).size();
    for (const QString &name : m_projects)
        n += ZPX::itemFiles(itemFolder(Kind::Project, name)).size();
    return n;
}

void ZPXExportThread::run()
{
    switch (m_mode) {
    case Pause:
        msleep(500);
        break;
    case Write:
        m_result = saveFile();
        break;
    case Remove:
        // The archive is written to a temporary file that a cancel already
        // discarded; the file at the path, if any, belongs to the user.
        m_result = Cancelled;
        break;
    case Delete:
        m_result = deleteItems();
        break;
    default:
        break;
    }
}

int ZPXExportThread::saveFile()
{
    qDebug() << "[ZPXExportThread] saveFile START" << m_path;
    m_packed.clear();
    m_error.clear();
    {
        QMutexLocker lock(&m_mutex);
        m_writeEnded = false;
    }
    // Beside the target and moved into place only when complete: a cancel
    // or a failure leaves the old file as it was and no partial one.
    AtomicFile::Writer file(m_path);
    // The archive's failure: the system's reason when a write failed.
    const auto archiveFailed = [&](int result, int zipError) {
        m_error = AtomicFile::describe(m_path, file.failed() ? file.reason()
                                                             : QStringLiteral("zip error %1").arg(zipError));
        qWarning().noquote() << "[ZPXExportThread]" << m_error;
        return result;
    };
    if (!file.open())
        return archiveFailed(ArchiveFailed, 0);
    const int n = getMaxCount();
    int i = 0;
    QuaZip zip(&file);
    zip.setAutoClose(false);
    // Every way out but the commit abandons the archive (closed first, so
    // nothing is written into an abandoned file).
    auto abandon = qScopeGuard([&] {
        if (zip.isOpen())
            zip.close();
        file.cancel();
    });
    zip.setDataDescriptorWritingEnabled(false);
    zip.setUtf8Enabled(true);
    if (!zip.open(QuaZip::mdCreate))
        return archiveFailed(ArchiveFailed, zip.getZipError());
    const QByteArray head =
        ZPX::makeHead(m_flightplans.size(), m_maps.size(), m_logs.size(), m_projects.size());
    if (file.write(head) != head.size())
        return archiveFailed(ArchiveFailed, 0);

    QByteArray block;
    qint64 total = 0;
    // Copies one file into a new entry, checking the cancel flag per block.
    auto pack = [&](const QString &source, const QString &entry) -> int {
        QFile in(source);
        if (!in.open(QIODevice::ReadOnly)) {
            m_error = AtomicFile::describe(source, in.errorString());
            return SourceFailed;
        }
        QuaZipFile out(&zip);
        if (!out.open(QIODevice::WriteOnly, QuaZipNewInfo(entry, source), nullptr, 0,
                      Z_DEFLATED, Z_DEFAULT_COMPRESSION))
            return archiveFailed(EntryFailed, out.getZipError());
        for (;;) {
            if (cancelled()) {
                qDebug() << "******************************** TERMINATED! ************";
                return Stopped;
            }
            block.resize(int(ZPX::kBlockSize));
            const qint64 got = in.read(block.data(), block.size());
            if (got < 0) {
                m_error = AtomicFile::describe(source, in.errorString());
                return SourceFailed;
            }
            if (got == 0)
                break;
            // The archive has no 64-bit sizes; files that grew after the
            // selection was measured must not overflow them.
            total += got;
            if (total > ZPX::kLimitBytes) {
                qWarning() << "[ZPXExportThread] more than the archive can hold at" << source;
                m_error = AtomicFile::describe(source, tr("more than the archive can hold"));
                return EntryFailed;
            }
            if (out.write(block.constData(), got) != got)
                return archiveFailed(EntryFailed, out.getZipError());
        }
        out.close();
        return out.getZipError() == ZIP_OK && !file.failed() ? int(Done)
                                                             : archiveFailed(EntryFailed, out.getZipError());
    };

    const struct {
        Kind kind;
        const QStringList &names;
    } single[] = {{Kind::Map, m_maps}, {Kind::FlightPlan, m_flightplans}};
    for (const auto &list : single) {
        for (const QString &name : list.names) {
            if (cancelled())
                return Stopped;
            ++i;
            if (list.kind == Kind::Map)
                emit copyMap(name, i, n);
            else
                emit copyWP(name, i, n);
            const QString folder = m_places.folder(list.kind);
            const QString stored = ZPX::storedFileName(folder, name, ZPX::suffixOf(list.kind));
            if (stored.isEmpty()) {
                m_error = AtomicFile::describe(folder + QLatin1Char('/') + name, tr("not found"));
                return SourceFailed;
            }
            const QString source = folder + QLatin1Char('/') + stored;
            const int r = pack(source, ZPX::entryName(list.kind, QString(), stored));
            if (r != Done)
                return r;
            m_packed.append({list.kind, name, {source}});
        }
    }
    const struct {
        Kind kind;
        const QStringList &names;
    } folders[] = {{Kind::Log, m_logs}, {Kind::Project, m_projects}};
    for (const auto &list : folders) {
        for (const QString &name : list.names) {
            if (cancelled())
                return Stopped;
            const QString folder = itemFolder(list.kind, name);
            Item item{list.kind, name, {}};
            for (const QString &fileName : ZPX::itemFiles(folder)) {
                ++i;
                const QString text = name + QStringLiteral(" - ") + fileName;
                if (list.kind == Kind::Log)
                    emit copyLog(text, i, n);
                else
                    emit copyPT(text, i, n);
                if (cancelled())
                    return Stopped;
                const QString source = folder + QLatin1Char('/') + fileName;
                const int r = pack(source, ZPX::entryName(list.kind, name, fileName));
                if (r != Done)
                    return r;
                item.files.append(source);
            }
            m_packed.append(item);
        }
    }

    {
        QMutexLocker lock(&m_mutex);
        if (m_cancel)
            return Stopped;
        m_writeEnded = true;  // from here on the archive is kept
    }
    zip.close();
    if (zip.getZipError() != ZIP_OK || file.failed() || !file.commit())
        return archiveFailed(ArchiveFailed, zip.getZipError());
    abandon.dismiss();
    qDebug() << "[ZPXExportThread] saveFile END" << i << "files";
    return Done;
}

int ZPXExportThread::deleteItems()
{
    emit cleanUp();
    m_deleted.clear();
    m_kept.clear();
    for (const Item &item : qAsConst(m_packed)) {
        if (m_keep.contains(qMakePair(item.kind, item.name))) {
            m_kept.append(tr("%1 (still open)").arg(item.name));
            continue;
        }
        // Exactly the files that went into the archive; never a link's target.
        bool all = true;
        for (const QString &path : item.files)
            all = QFile::remove(path) && all;
        if (item.kind == Kind::Log || item.kind == Kind::Project) {
            // A folder goes only when nothing else is left in it.
            const QFileInfo info(itemFolder(item.kind, item.name));
            if ((info.exists() || info.isSymLink()) && !QDir().rmdir(itemFolder(item.kind, item.name))) {
                m_kept.append(tr("%1 (holds files that were not exported)").arg(item.name));
                continue;
            }
        } else if (!all) {
            m_kept.append(tr("%1 (cannot be deleted)").arg(item.name));
            continue;
        }
        m_deleted.append(item);
    }
    qDebug() << "[ZPXExportThread] deleted" << m_deleted.size() << "kept" << m_kept;
    return Done;
}
