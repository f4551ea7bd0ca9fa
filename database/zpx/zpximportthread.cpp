#include "database/zpx/zpximportthread.h"

#include "atomicfile/atomicfile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>
#include <quazip/unzip.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>
#include <vector>

using ZPX::Kind;

ZPXImportThread::ZPXImportThread(QObject *parent)
    : QThread(parent), m_places(ZPX::Places::fromData())
{
}

ZPXImportThread::ZPXImportThread(const ZPX::Places &places, QObject *parent)
    : QThread(parent), m_places(places)
{
}

ZPXImportThread::~ZPXImportThread()
{
    wait();
}

void ZPXImportThread::startPause()
{
    m_mode = Pause;
    start(QThread::InheritPriority);
}

void ZPXImportThread::startImporting()
{
    m_mode = Import;
    start(QThread::InheritPriority);
}

void ZPXImportThread::run()
{
    if (m_mode == Pause)
        msleep(500);
    else
        m_result = importZPXFile();
}

static QString progressText(Kind kind)
{
    switch (kind) {
    case Kind::Log: return ZPXImportThread::tr("Importing logs...");
    case Kind::Map: return ZPXImportThread::tr("Importing maps...");
    case Kind::FlightPlan: return ZPXImportThread::tr("Importing flightplan...");
    case Kind::Project: return ZPXImportThread::tr("Importing photo tagger project...");
    }
    return QString();
}

namespace {

bool isJpeg(const QString &name)
{
    return name.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive)
           || name.endsWith(QLatin1String(".jpeg"), Qt::CaseInsensitive);
}

// A file found at the target is trusted only when it looks whole: the
// entry's size and, for a JPEG, its end marker.
bool looksWhole(const QString &path, qint64 entrySize)
{
    QFile f(path);
    if (f.size() != entrySize)
        return false;
    if (!isJpeg(path))
        return true;
    return f.open(QIODevice::ReadOnly) && f.seek(f.size() - 2) && f.read(2) == QByteArray("\xff\xd9", 2);
}

// Follows an existing file along the entry's bytes: it is cut off when its
// bytes are the entry's first ones, followed by nothing or only zero bytes
// (blocks never written), so it holds nothing the entry does not.
class CutOffCheck
{
public:
    explicit CutOffCheck(const QString &path) : m_file(path)
    {
        m_cutOff = m_file.open(QIODevice::ReadOnly);
    }
    void next(const char *data, qint64 size)
    {
        if (!m_cutOff || size <= 0)
            return;
        const QByteArray have = m_file.read(size);
        if (m_file.error() != QFileDevice::NoError) {
            m_cutOff = false;
            return;
        }
        if (!m_zeros && have.size() > 0 && std::memcmp(have.constData(), data, size_t(have.size())) == 0)
            return;
        for (int i = 0; i < have.size() && m_cutOff; ++i) {
            if (!m_zeros && have.at(i) == data[i])
                continue;
            m_zeros = true;
            m_cutOff = have.at(i) == 0;
        }
    }
    // After the last block of an entry of size bytes: the file is a part of
    // it and no more, or the very same bytes.
    bool cutOff(qint64 size) { return m_cutOff && m_file.atEnd() && !same(size); }
    bool same(qint64 size) { return m_cutOff && !m_zeros && m_file.atEnd() && m_file.size() == size; }

private:
    QFile m_file;
    bool m_cutOff = false;
    bool m_zeros = false;
};

// Files that go one by one, from several threads, into a folder that grows
// large. Each is written in a small folder of the thread's own inside it
// (where the writer's temporary, its sweep of the folder and its rename
// stay cheap and wait for no other thread) and moved on once it is whole.
class Incoming
{
public:
    explicit Incoming(const QString &folder)
        : m_folder(folder), m_incoming(folder + QStringLiteral("/incoming"))
    {
    }
    bool open(QString *why)
    {
        if (m_incoming.open())
            return true;
        *why = m_incoming.reason();
        return false;
    }
    QString path(const QString &name) const { return m_incoming.path() + QLatin1Char('/') + name; }
    // Moves the finished file on; false with errno (EEXIST when the name is
    // taken there), the file then gone.
    bool moveOn(const QString &name)
    {
        if (AtomicFile::renameNoReplace(path(name), m_folder + QLatin1Char('/') + name))
            return true;
        const int err = errno;
        QFile::remove(path(name));
        errno = err;
        return false;
    }
    void close() { m_incoming.cancel(); }

private:
    QString m_folder;
    AtomicFile::Folder m_incoming;
};

// The archive, read with pread through windows of its own: QuaZip seeks
// several times for every entry, between its directory record and its data,
// and each seek of a QFile costs a system call and drops its buffer.
class ArchiveReader : public QIODevice
{
public:
    ArchiveReader(int fd, qint64 size) : m_fd(fd), m_size(size)
    {
        for (Window &w : m_windows)
            w.bytes.resize(size_t(kWindow));
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return m_size; }

protected:
    qint64 readData(char *data, qint64 max) override
    {
        const qint64 at = pos();
        for (int i = 0; i < 2; ++i) {
            const Window &w = m_windows[i];
            if (at >= w.at && at + max <= w.at + w.filled) {
                std::memcpy(data, w.bytes.data() + (at - w.at), size_t(max));
                m_last = i;
                return max;
            }
        }
        if (max >= kWindow)
            return readAt(data, max, at);
        m_last = 1 - m_last;  // the other one goes
        Window &w = m_windows[m_last];
        const qint64 got = readAt(w.bytes.data(), kWindow, at);
        w.at = at;
        w.filled = qMax<qint64>(got, 0);
        if (got < 0)
            return -1;
        const qint64 n = qMin(got, max);
        std::memcpy(data, w.bytes.data(), size_t(n));
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    static constexpr qint64 kWindow = 64 * 1024;
    struct Window {
        std::vector<char> bytes;
        qint64 at = 0;
        qint64 filled = 0;
    };
    qint64 readAt(char *data, qint64 max, qint64 at)
    {
        for (;;) {
            const ssize_t n = ::pread(m_fd, data, size_t(max), off_t(at));
            if (n >= 0 || errno != EINTR)
                return n;
        }
    }

    int m_fd;
    qint64 m_size;
    Window m_windows[2];
    int m_last = 0;
};

// One entry of the archive, found in a first pass over its directory.
struct Entry {
    int index = 0;
    QuaZipFileInfo64 info;
    unz64_file_pos pos{};
    ZPX::EntryName name;
};

// What an import does with an entry's data: the file it writes and how.
struct Unpack {
    QString target;          // where the bytes go (a temporary folder's file, or the name itself)
    bool replace = false;    // over a suspect file found there
    bool synced = true;      // each file on the disk before it takes its name
};

// Entries up to this size are inflated into memory and written by the pool
// of writers; larger ones are streamed in blocks by the reading thread.
constexpr qint64 kSmallEntry = ZPX::kBlockSize;

bool openEntry(QuaZip *zip, const Entry &entry, QuaZipFile *in, QString *why)
{
    if (unzGoToFilePos64(zip->getUnzFile(), &entry.pos) != UNZ_OK || !in->open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("entry cannot be opened");
        return false;
    }
    return true;
}

// Inflates a small entry whole, its size and checksum checked.
bool inflate(QuaZip *zip, const Entry &entry, QByteArray *data, QString *why)
{
    const qint64 declared = qint64(entry.info.uncompressedSize);
    QuaZipFile in(zip);
    if (!openEntry(zip, entry, &in, why))
        return false;
    data->resize(int(declared));
    char beyond = 0;
    qint64 total = 0;
    for (;;) {
        // One byte more than declared is asked for once the entry is full:
        // an entry that inflates beyond its size shows itself.
        const bool full = total >= declared;
        const qint64 got = in.read(full ? &beyond : data->data() + total, full ? 1 : declared - total);
        if (got < 0) {
            *why = QStringLiteral("entry cannot be read");
            return false;
        }
        if (got == 0)
            break;
        total += got;
        if (total > declared) {
            *why = QStringLiteral("entry inflates beyond its size");
            return false;
        }
    }
    in.close();
    if (in.getZipError() != UNZ_OK || total != declared) {
        *why = QStringLiteral("entry is damaged");
        return false;
    }
    return true;
}

// Streams the entry into a temporary file beside the target and gives it
// the name: NoReplace for a new file (never over a file that appeared
// meanwhile, never through a link), Replace over a file found cut off. A
// suspect file (replace set) is compared on the way; when it is not a
// cut-off copy of the entry it is kept and *kept set. On failure the reason
// is returned and nothing stays behind.
bool unpack(QuaZip *zip, const Entry &entry, const Unpack &how, bool *kept, QString *why)
{
    *kept = false;
    const qint64 declared = qint64(entry.info.uncompressedSize);
    if (declared > ZPX::kLimitBytes) {
        *why = QStringLiteral("declared size %1 beyond the limit").arg(declared);
        return false;
    }
    // A large entry that cannot fit is refused before it is written; a
    // small one finds out as it writes.
    struct statvfs fs;
    if (declared > ZPX::kBlockSize
        && ::statvfs(QFile::encodeName(QFileInfo(how.target).absolutePath()).constData(), &fs) == 0
        && qint64(fs.f_bavail) * qint64(fs.f_frsize) < declared) {
        *why = AtomicFile::systemReason(ENOSPC);
        return false;
    }
    QuaZipFile in(zip);
    if (!openEntry(zip, entry, &in, why))
        return false;
    AtomicFile::Writer out(how.target, how.replace ? AtomicFile::Mode::Replace : AtomicFile::Mode::NoReplace);
    out.setSynced(how.synced);
    if (!out.open()) {
        *why = out.reason();
        return false;
    }
    std::unique_ptr<CutOffCheck> check(how.replace ? new CutOffCheck(how.target) : nullptr);
    QByteArray block(int(qMin<qint64>(ZPX::kBlockSize, qMax<qint64>(declared, 1))), Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 got = in.read(block.data(), block.size());
        if (got < 0) {
            out.cancel();
            *why = QStringLiteral("entry cannot be read");
            return false;
        }
        if (got == 0)
            break;
        total += got;
        if (total > declared || total > ZPX::kLimitBytes) {
            out.cancel();
            *why = QStringLiteral("entry inflates beyond its size");
            return false;
        }
        if (out.write(block.constData(), got) != got) {
            *why = out.reason();
            out.cancel();
            return false;
        }
        if (check)
            check->next(block.constData(), got);
    }
    in.close();
    if (in.getZipError() != UNZ_OK || total != declared) {
        out.cancel();
        *why = QStringLiteral("entry is damaged");
        return false;
    }
    if (check && !check->cutOff(total)) {
        out.cancel();
        *kept = true;  // the entry itself, or no cut-off copy of it
        return true;
    }
    if (!out.commit()) {
        // Taken meanwhile: what is there now is not ours to replace.
        if (out.osError() == EEXIST) {
            *kept = true;
            return true;
        }
        *why = out.reason();
        return false;
    }
    return true;
}

// What stands at target when an entry is about to be written there.
enum class Found { Nothing, Kept, Suspect };

Found inspect(const QString &target, qint64 entrySize)
{
    struct stat st;
    if (::lstat(QFile::encodeName(target).constData(), &st) != 0)
        return Found::Nothing;
    // A file found there is kept when it looks whole. One that does not may
    // be what an import cut short left: it is replaced when it proves to be
    // a cut-off copy of the entry. Links and other kinds of entry are never
    // touched.
    if (S_ISREG(st.st_mode) && (st.st_size != entrySize || !looksWhole(target, entrySize)))
        return Found::Suspect;
    return Found::Kept;
}

// A few threads that write the small files while the archive is read on:
// the writes cost more than the reading, in system calls mostly, and go on
// side by side.
class WriterPool
{
public:
    explicit WriterPool(int threads)
    {
        for (int i = 0; i < threads; ++i)
            m_threads.emplace_back([this, i] { work(i); });
    }
    ~WriterPool()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_work.notify_all();
        for (std::thread &t : m_threads)
            t.join();
    }
    int size() const { return int(m_threads.size()); }
    // Runs job(thread number) on one of the threads; waits while the bytes
    // given and not yet written pass the limit.
    void run(std::function<void(int)> job, qint64 bytes)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_room.wait(lock, [&] { return m_queued == 0 || m_queued + bytes <= kQueuedBytes; });
        m_queued += bytes;
        m_queue.push_back({std::move(job), bytes});
        m_work.notify_one();
    }
    // Until every job given so far has run.
    void wait()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_idle.wait(lock, [&] { return m_queue.empty() && m_busy == 0; });
    }

private:
    static constexpr qint64 kQueuedBytes = 16LL * 1000 * 1000;
    struct Job {
        std::function<void(int)> run;
        qint64 bytes = 0;
    };
    void work(int number)
    {
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_work.wait(lock, [&] { return m_stop || !m_queue.empty(); });
                if (m_queue.empty())
                    return;
                job = std::move(m_queue.front());
                m_queue.pop_front();
                ++m_busy;
            }
            job.run(number);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                --m_busy;
                m_queued -= job.bytes;
            }
            m_room.notify_all();
            m_idle.notify_all();
        }
    }

    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_work, m_room, m_idle;
    std::deque<Job> m_queue;
    qint64 m_queued = 0;
    int m_busy = 0;
    bool m_stop = false;
};

// What became of a file given to the pool; read once the pool is idle.
struct Outcome {
    enum State { Pending, Written, Kept, Failed };
    std::atomic<int> state{Pending};
    QString why;
};

// A folder being assembled (a new item, or new maps and plans waiting for
// their names) that files reach from several threads, each through an
// incoming folder of its own, made on first use.
class Assembly
{
public:
    Assembly(const QString &folder, int threads) : m_folder(folder), m_incoming(size_t(threads)) {}
    QString folder() const { return m_folder; }
    // Writes data as the new file name in the folder; thread is the number
    // of the calling thread. Kept when the name is taken there.
    void put(int thread, const QString &name, const QByteArray &data, Outcome *o)
    {
        QString why;
        bool kept = false;
        Incoming *in = incoming(thread, &why);
        if (in && writeNew(in->path(name), data, &kept, &why) && (kept || moveOn(in, name, &kept, &why))) {
            o->state = kept ? Outcome::Kept : Outcome::Written;
            return;
        }
        o->why = why;
        o->state = Outcome::Failed;
    }
    // Streams a large entry, on the reading thread (its number given).
    bool unpack(int thread, QuaZip *zip, const Entry &e, bool *kept, QString *why)
    {
        Incoming *in = incoming(thread, why);
        return in && ::unpack(zip, e, {in->path(e.name.file), false, false}, kept, why)
               && (*kept || moveOn(in, e.name.file, kept, why));
    }
    // Once no thread writes any more: the incoming folders go.
    void close()
    {
        for (auto &in : m_incoming) {
            if (in)
                in->close();
        }
    }

private:
    Incoming *incoming(int thread, QString *why)
    {
        std::unique_ptr<Incoming> &in = m_incoming[size_t(thread)];
        if (!in) {
            std::unique_ptr<Incoming> made(new Incoming(m_folder));
            if (!made->open(why))
                return nullptr;
            in = std::move(made);
        }
        return in.get();
    }
    static bool writeNew(const QString &path, const QByteArray &data, bool *kept, QString *why)
    {
        AtomicFile::Writer out(path, AtomicFile::Mode::NoReplace);
        out.setSynced(false);  // the whole folder is synced at once
        if (!out.open()) {
            *why = out.reason();
            return false;
        }
        if (out.write(data) != data.size()) {
            *why = out.reason();
            out.cancel();
            return false;
        }
        if (out.commit())
            return true;
        *kept = out.osError() == EEXIST;
        *why = out.reason();
        return *kept;
    }
    bool moveOn(Incoming *in, const QString &name, bool *kept, QString *why)
    {
        if (in->moveOn(name))
            return true;
        *kept = errno == EEXIST;
        *why = AtomicFile::systemReason(errno);
        return *kept;
    }

    QString m_folder;
    std::vector<std::unique_ptr<Incoming>> m_incoming;
};

}  // namespace

// One import: the archive, the result lines and the failures for the user.
class ZPXImportThread::Run
{
public:
    Run(ZPXImportThread *thread, QuaZip *zip, int count, QStringList *lines, QStringList *failures)
        : m_thread(thread), m_zip(zip), m_count(count), m_lines(*lines), m_failures(*failures),
          m_pool(qBound(1, QThread::idealThreadCount() - 1, 3))
    {
    }

    void refused(const Entry &e)
    {
        progress(e);
        fail(e, e.name.rest, QStringLiteral("unsafe name"), e.info.name);
    }
    void single(const Entry &e);
    void item(const std::vector<Entry> &entries);
    // Gives the new maps and plans still waiting their names.
    void finish() { flush(); }

private:
    // New maps or plans of one folder, written without a sync of their own
    // into a hidden folder beside them, then, after one sync of the file
    // system, moved to their names: whole or absent after a power cut, at
    // the cost of one sync for all of them.
    struct Batch {
        Batch(const QString &folder, int threads)
            : stage(folder + QStringLiteral("/zpx-import")), threads(threads)
        {
        }
        AtomicFile::Folder stage;
        int threads;
        std::unique_ptr<Assembly> assembly;
        struct File {
            QString target;
            int line;  // its line, filled in when it has its name
            Kind kind;
            QString name;
            std::shared_ptr<Outcome> outcome;
        };
        QList<File> files;
        QSet<QString> names;
    };
    // What a kill may cost the next import to write again.
    static constexpr qint64 kBatchBytes = 1000LL * 1000 * 1000;

    // The reading thread's own number with an Assembly, after the pool's.
    int reader() const { return m_pool.size(); }
    void progress(const Entry &e) { emit m_thread->importing(progressText(e.name.kind), e.index, m_count); }
    // A line "2" for the entry, and "<file>: <reason>" for the user.
    void fail(const Entry &e, const QString &lineName, const QString &why, const QString &path)
    {
        qWarning().noquote() << "[ZPXImportThread] not imported:" << e.info.name << "-" << why;
        m_lines << line(2, e.name.kind, lineName);
        m_failures << AtomicFile::describe(path, why);
    }
    static QString line(int status, Kind kind, const QString &name)
    {
        return QStringLiteral("%1*%2*%3").arg(status).arg(ZPX::topFolder(kind), name);
    }
    // Writes the entry into the assembly: small ones by the pool, large ones
    // here. False with why when it cannot be read or written here.
    bool give(Assembly *assembly, const Entry &e, const std::shared_ptr<Outcome> &o, QString *why);
    bool kindFolder(const Entry &e, const QString &lineName, QString *folder);
    void flush();
    void settle(const QString &folder, Batch *batch, const QString &syncError);
    void existingItem(const std::vector<Entry> &entries, const QString &dir, const QString &kindDir);
    bool keyed(const Entry &e) const
    {
        return e.name.kind == Kind::Log ? e.name.file.endsWith(QLatin1String("KORVEL.LOG"))
                                        : e.name.file.endsWith(QLatin1String(".zpt"));
    }

    ZPXImportThread *m_thread;
    QuaZip *m_zip;
    int m_count;
    QStringList &m_lines;
    QStringList &m_failures;
    WriterPool m_pool;
    QSet<QString> m_swept;
    QHash<QString, std::shared_ptr<Batch>> m_batches;
    qint64 m_batchBytes = 0;
};

bool ZPXImportThread::Run::give(Assembly *assembly, const Entry &e, const std::shared_ptr<Outcome> &o,
                                QString *why)
{
    const qint64 size = qint64(e.info.uncompressedSize);
    if (size > kSmallEntry) {
        bool kept = false;
        if (!assembly->unpack(reader(), m_zip, e, &kept, why))
            return false;
        o->state = kept ? Outcome::Kept : Outcome::Written;
        return true;
    }
    QByteArray data;
    if (!inflate(m_zip, e, &data, why))
        return false;
    const QString name = e.name.file;
    m_pool.run([assembly, name, data, o](int thread) { assembly->put(thread, name, data, o.get()); },
               data.size());
    return true;
}

// The folder of the entry's kind, made when missing. What killed imports
// left in it goes first, once per import.
bool ZPXImportThread::Run::kindFolder(const Entry &e, const QString &lineName, QString *folder)
{
    *folder = m_thread->m_places.folder(e.name.kind);
    if (m_swept.contains(*folder))
        return true;
    if (!QDir().mkpath(*folder)) {
        fail(e, lineName, QStringLiteral("the folder cannot be created"), *folder);
        return false;
    }
    m_swept.insert(*folder);
    AtomicFile::removeAbandoned(*folder);
    return true;
}

void ZPXImportThread::Run::single(const Entry &e)
{
    progress(e);
    QString folder;
    if (!kindFolder(e, e.name.file, &folder))
        return;
    const QString target = folder + QLatin1Char('/') + e.name.file;
    const qint64 size = qint64(e.info.uncompressedSize);
    const Found found = inspect(target, size);
    QString why;
    bool kept = false;
    if (found == Found::Kept) {
        m_lines << line(1, e.name.kind, e.name.file);
        return;
    }
    if (found == Found::Suspect) {
        // Rare: replaced on its own, synced.
        if (!unpack(m_zip, e, {target, true, true}, &kept, &why))
            return fail(e, e.name.file, why, target);
        if (!kept)
            qDebug().noquote() << "[ZPXImportThread] replaced a cut-off" << target;
        m_lines << line(kept ? 1 : 0, e.name.kind, e.name.file);
        return;
    }
    std::shared_ptr<Batch> &batch = m_batches[folder];
    if (!batch) {
        batch = std::make_shared<Batch>(folder, m_pool.size() + 1);
        if (!batch->stage.open()) {
            const QString reason = batch->stage.reason();
            batch.reset();
            m_batches.remove(folder);
            return fail(e, e.name.file, reason, target);
        }
        batch->assembly.reset(new Assembly(batch->stage.path(), batch->threads));
    }
    if (batch->names.contains(e.name.file)) {  // the same name twice in the archive: the first stays
        m_lines << line(1, e.name.kind, e.name.file);
        return;
    }
    auto outcome = std::make_shared<Outcome>();
    if (!give(batch->assembly.get(), e, outcome, &why))
        return fail(e, e.name.file, why, target);
    batch->names.insert(e.name.file);
    batch->files.append({target, m_lines.size(), e.name.kind, e.name.file, outcome});
    m_lines << QString();
    m_batchBytes += size;
    if (m_batchBytes >= kBatchBytes)
        flush();
}

// One sync for each file system that holds waiting files, then their names.
void ZPXImportThread::Run::flush()
{
    m_pool.wait();
    QHash<QString, QString> synced;  // file system -> the sync's failure, empty when none
    for (auto it = m_batches.constBegin(); it != m_batches.constEnd(); ++it) {
        it.value()->assembly->close();
        struct stat st;
        const QString fs = ::stat(QFile::encodeName(it.key()).constData(), &st) == 0
                               ? QString::number(quint64(st.st_dev)) : it.key();
        if (!synced.contains(fs)) {
            synced.insert(fs, AtomicFile::syncFileSystem(it.key()) ? QString()
                                                                   : AtomicFile::systemReason(errno));
        }
        settle(it.key(), it.value().get(), synced.value(fs));
    }
    m_batches.clear();
    m_batchBytes = 0;
}

void ZPXImportThread::Run::settle(const QString &folder, Batch *batch, const QString &syncError)
{
    const auto result = [&](const Batch::File &f, int status, const QString &why = QString()) {
        m_lines[f.line] = line(status, f.kind, f.name);
        if (status == 2) {
            qWarning().noquote() << "[ZPXImportThread] not imported:" << f.target << "-" << why;
            m_failures << AtomicFile::describe(f.target, why);
        }
    };
    int moved = 0;
    for (const Batch::File &f : qAsConst(batch->files)) {
        const int state = f.outcome->state;
        if (state == Outcome::Failed)
            result(f, 2, f.outcome->why);
        else if (state == Outcome::Kept)
            result(f, 1);
        else if (!syncError.isEmpty())
            result(f, 2, syncError);  // the staged files go with the folder
        else if (AtomicFile::renameNoReplace(batch->stage.path() + QLatin1Char('/') + f.name, f.target)) {
            ++moved;
            result(f, 0);
        } else if (errno == EEXIST)
            result(f, 1);  // taken meanwhile: what is there now is not ours to replace
        else
            result(f, 2, AtomicFile::systemReason(errno));
    }
    if (moved > 0 && !AtomicFile::syncFolder(folder)) {
        const QString why = AtomicFile::systemReason(errno);
        for (const Batch::File &f : qAsConst(batch->files)) {
            if (m_lines.at(f.line).startsWith(QLatin1Char('0')))
                result(f, 2, why);
        }
    }
    batch->stage.cancel();
}

void ZPXImportThread::Run::item(const std::vector<Entry> &entries)
{
    const Entry &first = entries.front();
    const Kind kind = first.name.kind;
    const QString name = first.name.folder;
    QString kindDir;
    if (!kindFolder(first, name, &kindDir)) {
        for (size_t i = 1; i < entries.size(); ++i)
            progress(entries[i]);
        return;
    }
    const QString dir = kindDir + QLatin1Char('/') + name;
    const QFileInfo dirInfo(dir);
    if (dirInfo.exists() || dirInfo.isSymLink())
        return existingItem(entries, dir, kindDir);

    // A new item is assembled under a hidden name and appears whole or not
    // at all: a file that cannot be written takes the others with it.
    AtomicFile::Folder folder(dir);
    if (!folder.open()) {
        for (const Entry &e : entries)
            progress(e);
        return fail(first, name, folder.reason(), dir);
    }
    Assembly assembly(folder.path(), m_pool.size() + 1);
    std::vector<std::pair<const Entry *, std::shared_ptr<Outcome>>> given;
    QSet<QString> names;
    bool hasKey = false;
    const auto failed = [&] {
        return std::any_of(given.begin(), given.end(),
                           [](const auto &g) { return g.second->state == Outcome::Failed; });
    };
    for (const Entry &e : entries) {
        progress(e);
        hasKey = hasKey || keyed(e);
        // The same name twice in the archive: the first stays.
        if (names.contains(e.name.file))
            continue;
        names.insert(e.name.file);
        auto outcome = std::make_shared<Outcome>();
        given.emplace_back(&e, outcome);
        QString why;
        if (!give(&assembly, e, outcome, &why)) {
            outcome->why = why;
            outcome->state = Outcome::Failed;
        }
        if (outcome->state == Outcome::Failed || (given.size() % 64 == 0 && failed()))
            break;
    }
    m_pool.wait();
    assembly.close();
    bool named = false;
    for (const auto &g : given) {
        if (g.second->state != Outcome::Failed)
            continue;
        const Entry &e = *g.first;
        named = named || keyed(e);
        fail(e, keyed(e) ? name : e.name.rest, g.second->why, dir + QLatin1Char('/') + e.name.file);
    }
    if (failed()) {
        if (!named)
            m_lines << line(2, kind, name);
        return;  // the folder goes with everything in it
    }
    // Its files were written without a sync each: the folder syncs them
    // all at once before it takes its name.
    if (!folder.commit()) {
        if (folder.osError() == EEXIST) {
            if (hasKey)
                m_lines << line(1, kind, name);  // taken meanwhile
            return;
        }
        m_lines << line(2, kind, name);
        m_failures << AtomicFile::describe(dir, folder.reason());
        return;
    }
    if (hasKey)
        m_lines << line(0, kind, name);
}

// Files of an item already in the workspace are added one by one where
// missing; those there stay unless they prove to be cut off.
void ZPXImportThread::Run::existingItem(const std::vector<Entry> &entries, const QString &dir,
                                        const QString &kindDir)
{
    // The item folder, links resolved, must stay inside its kind folder.
    const bool inside = ZPX::liesInside(dir, kindDir) && QFileInfo(dir).isDir();
    if (inside)
        AtomicFile::removeAbandoned(dir);
    for (const Entry &e : entries) {
        progress(e);
        const bool key = keyed(e);
        const QString lineName = key ? e.name.folder : e.name.rest;
        if (!inside) {
            fail(e, lineName, QStringLiteral("item folder leads outside the workspace"), dir);
            continue;
        }
        const QString target = dir + QLatin1Char('/') + e.name.file;
        const Found found = inspect(target, qint64(e.info.uncompressedSize));
        if (found == Found::Kept) {
            if (key)
                m_lines << line(1, e.name.kind, lineName);
            continue;
        }
        QString why;
        bool kept = false;
        if (!unpack(m_zip, e, {target, found == Found::Suspect, true}, &kept, &why)) {
            fail(e, lineName, why, target);
            continue;
        }
        if (found == Found::Suspect && !kept)
            qDebug().noquote() << "[ZPXImportThread] replaced a cut-off" << target;
        if (key)
            m_lines << line(kept ? 1 : 0, e.name.kind, lineName);
    }
}

QStringList ZPXImportThread::importZPXFile()
{
    qDebug() << "[ZPXImportThread] importZPXFile START" << m_path;
    m_accepted = false;
    m_failures.clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || !ZPX::hasMagic(file.read(ZPX::kHeadSize)))
        return {QStringLiteral("No valid zpx file")};
    ArchiveReader reader(file.handle(), file.size());
    reader.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    QuaZip zip(&reader);
    zip.setAutoClose(false);
    if (!zip.open(QuaZip::mdUnzip)) {
        qWarning() << "[ZPXImportThread] cannot unpack" << m_path << zip.getZipError();
        return {QStringLiteral("Cannot unpack file")};
    }
    m_accepted = true;
    const int count = zip.getEntriesCount();
    QStringList lines{QStringLiteral("Amout of data %1").arg(count)};

    // The directory first: the files of a log or project are written
    // together, wherever they stand in the archive.
    std::vector<std::vector<Entry>> items;
    items.reserve(size_t(qMax(count, 0)));
    QHash<QString, size_t> folderItems;
    int i = 0;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile(), ++i) {
        Entry e;
        e.index = i;
        if (!zip.getCurrentFileInfo(&e.info) || unzGetFilePos64(zip.getUnzFile(), &e.pos) != UNZ_OK) {
            qWarning() << "[ZPXImportThread] entry" << i << "unreadable";
            continue;
        }
        e.name = ZPX::parseEntryName(e.info.name);
        if (e.name.status == ZPX::EntryName::Foreign) {
            qDebug() << "[ZPXImportThread] skipping" << e.info.name;
            continue;
        }
        if (e.name.status == ZPX::EntryName::Valid && (e.name.kind == Kind::Log || e.name.kind == Kind::Project)) {
            const QString key = ZPX::topFolder(e.name.kind) + QLatin1Char('/') + e.name.folder;
            const auto it = folderItems.constFind(key);
            if (it != folderItems.constEnd()) {
                items[*it].push_back(std::move(e));
                continue;
            }
            folderItems.insert(key, items.size());
        }
        items.emplace_back();
        items.back().push_back(std::move(e));
    }
    // QuaZip's own idea of a current file, which the entries' positions below
    // move without telling it.
    zip.goToFirstFile();

    Run run(this, &zip, count, &lines, &m_failures);
    for (const std::vector<Entry> &item : items) {
        const Entry &e = item.front();
        if (e.name.status == ZPX::EntryName::Refused) {
            run.refused(e);
        } else if (e.name.kind == Kind::Log || e.name.kind == Kind::Project) {
            run.item(item);
        } else {
            run.single(e);
        }
    }
    run.finish();
    qDebug() << "[ZPXImportThread] importZPXFile END" << lines.size() - 1 << "lines";
    return lines;
}
