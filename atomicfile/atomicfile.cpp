#include "atomicfile/atomicfile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicFile {

namespace {

constexpr qint64 BufferSize = 256 * 1024;
// Part of every temporary's name: what carries it is ours to sweep.
constexpr char Marker[] = ".korvel-tmp-";
// Room left in a file name for the dot, the marker and the random part.
constexpr int MaxBaseBytes = NAME_MAX - 32;

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// ".<name>.korvel-tmp-<random>" beside the target: hidden from folder
// listings, so a write cut off by a kill never shows as a file of its own.
// A long name is shortened so the temporary's name still fits.
QString tempName(const QString &target)
{
    const QFileInfo info(target);
    QString base = info.fileName();
    while (encoded(base).size() > MaxBaseBytes) {
        base.chop(1);
        if (!base.isEmpty() && base.at(base.size() - 1).isHighSurrogate())
            base.chop(1);
    }
    return info.absolutePath() + QStringLiteral("/.") + base + QLatin1String(Marker)
           + QString::number(QRandomGenerator::global()->generate64() & 0xffffffffffffULL, 36);
}

bool sameEntry(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the name still leads to the object open at fd: a sweep may have
// taken the name between its creation and its lock.
bool stillNamed(int fd, const QByteArray &name)
{
    struct stat own, named;
    return ::fstat(fd, &own) == 0 && own.st_nlink > 0 && ::lstat(name.constData(), &named) == 0
           && sameEntry(own, named);
}

// Gives the unnamed file at fd the name temp (O_TMPFILE's way: the file is
// locked before it has a name at all). False with errno set.
bool linkUnnamed(int fd, const QByteArray &temp)
{
    if (::linkat(fd, "", AT_FDCWD, temp.constData(), AT_EMPTY_PATH) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    // Without the privilege for AT_EMPTY_PATH, through the process's own
    // view of its descriptors.
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temp.constData(), AT_SYMLINK_FOLLOW) == 0;
}

// Opens a new temporary file beside target, locked from the moment it has
// a name. -1 with errno set on failure.
int openTemp(const QString &target, QString *temp)
{
    const QByteArray folder = encoded(QFileInfo(target).absolutePath());
    bool unnamedWorks = true;
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temp = tempName(target);
        const QByteArray name = encoded(*temp);
        if (unnamedWorks) {
            const int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (fd >= 0) {
                if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && linkUnnamed(fd, name))
                    return fd;
                const int err = errno;
                ::close(fd);
                if (err == EEXIST)
                    continue;
                if (err != ENOENT && err != EPERM && err != EACCES && err != EINVAL) {
                    errno = err;
                    return -1;
                }
            } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
                return -1;
            }
            unnamedWorks = false;  // this file system (or /proc) cannot: a named file
        }
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return -1;
        }
        // A sweep that took the name before the lock has unlinked the file:
        // then it starts again under another name.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (stillNamed(fd, name))
                return fd;
            ::close(fd);
            continue;
        }
        // A sweep holds it and removes it; any other failure to lock is one
        // of the write.
        const int err = errno;
        ::close(fd);
        if (err != EWOULDBLOCK) {
            errno = err;
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

// The path a link leads to (links followed one by one, relative ones from
// their own folder); the path itself when it is not a link. 0 or errno.
int resolveLinks(const QString &path, QString *real)
{
    QString at = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        const QByteArray name = encoded(at);
        if (::lstat(name.constData(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *real = at;
            return 0;
        }
        QByteArray to(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(name.constData(), to.data(), size_t(to.size()));
        if (n < 0)
            return errno;
        to.truncate(int(n));
        const QString next = QFile::decodeName(to);
        at = QDir::cleanPath(QDir::isAbsolutePath(next) ? next : QFileInfo(at).absolutePath() + QLatin1Char('/') + next);
    }
    return ELOOP;
}

// Whether the file at name may be replaced by its user. The mode bits count
// for every user: a file nobody may write is read-only even to root.
int writable(const QByteArray &name, const struct stat &st)
{
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return EACCES;
    return ::access(name.constData(), W_OK) == 0 ? 0 : errno;
}

bool syncFolderOf(const QString &path)
{
    return syncFolder(QFileInfo(path).absolutePath());
}

// Removes a folder and everything in it, never following a link.
void removeTree(int parentFd, const char *name)
{
    const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        if (DIR *dir = ::fdopendir(fd)) {
            while (const dirent *e = ::readdir(dir)) {
                if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
                    continue;
                if (::unlinkat(fd, e->d_name, 0) != 0 && (errno == EISDIR || errno == EPERM))
                    removeTree(fd, e->d_name);
            }
            ::closedir(dir);  // closes fd
        } else {
            ::close(fd);
        }
    }
    ::unlinkat(parentFd, name, AT_REMOVEDIR);
}

// What killed writers left beside a file goes before each write. A folder
// of thousands of files takes a while to read, so a folder swept a moment
// ago is not read again at once: sweeps take at most about one twentieth of
// the time, and what a kill left goes at the next sweep after the pause.
struct Swept {
    qint64 endNs = 0;
    qint64 costNs = 0;
};
QMutex sweptLock;
QHash<QString, Swept> swept;

void sweepBeforeWrite(const QString &folder)
{
    static QElapsedTimer clock;
    {
        QMutexLocker locked(&sweptLock);
        if (!clock.isValid())
            clock.start();
        const qint64 now = clock.nsecsElapsed();
        const Swept last = swept.value(folder, {-1, 0});
        if (last.endNs >= 0 && now < last.endNs + 20 * last.costNs)
            return;
        if (swept.size() > 1000)
            swept.clear();
        swept.insert(folder, {now, last.costNs});  // others wait meanwhile
    }
    const qint64 start = clock.nsecsElapsed();
    removeAbandoned(folder);
    const qint64 end = clock.nsecsElapsed();
    QMutexLocker locked(&sweptLock);
    swept.insert(folder, {end, end - start});
}

}  // namespace

QString describe(const QString &path, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
}

QString systemReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QString temporaryName(const QString &target)
{
    return tempName(target);
}

bool isTemporaryName(const QString &fileName)
{
    static const QRegularExpression temp(QStringLiteral("\\A\\..*\\.korvel-tmp-[0-9a-z]{1,10}\\z"),
                                          QRegularExpression::DotMatchesEverythingOption);
    return temp.match(fileName).hasMatch();
}

bool renameNoReplace(const QString &from, const QString &to)
{
    const QByteArray src = encoded(from), dst = encoded(to);
    if (::renameat2(AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // The file system cannot rename without replacing: a hard link takes the
    // name only when it is free; a folder cannot be linked, so it is renamed
    // after a check.
    struct stat st;
    if (::lstat(src.constData(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode)) {
        if (::link(src.constData(), dst.constData()) != 0)
            return false;
        ::unlink(src.constData());
        return true;
    }
    if (::lstat(dst.constData(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(src.constData(), dst.constData()) == 0;
}

bool syncFolder(const QString &folder)
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int rc;
    while ((rc = ::fsync(fd)) != 0 && errno == EINTR) {
    }
    const int err = errno;
    ::close(fd);
    // Some file systems cannot sync a folder; there is nothing more to do.
    if (rc != 0 && (err == EINVAL || err == EOPNOTSUPP)) {
        return true;
    }
    errno = err;
    return rc == 0;
}

bool syncFileSystem(const QString &folder)
{
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::syncfs(fd) == 0;
    const int err = errno;
    ::close(fd);
    errno = err;
    return ok;
}

int removeAbandoned(const QString &folder)
{
    const QByteArray path = encoded(folder);
    const int dirFd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return 0;
    DIR *dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return 0;
    }
    QList<QByteArray> names;
    while (const dirent *e = ::readdir(dir)) {
        // Cheap test first: most folders hold no temporary at all.
        if (e->d_name[0] == '.' && std::strstr(e->d_name, Marker)
            && isTemporaryName(QFile::decodeName(e->d_name)))
            names << QByteArray(e->d_name);
    }
    int removed = 0;
    for (const QByteArray &name : qAsConst(names)) {
        const int fd = ::openat(dirFd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat own, named;
        // Locked by its writer while it is at work; the name checked again
        // under the lock, as a writer that finished has renamed it away.
        if (::fstat(fd, &own) == 0 && (S_ISREG(own.st_mode) || S_ISDIR(own.st_mode))
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::fstatat(dirFd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0
            && sameEntry(own, named)) {
            if (S_ISDIR(own.st_mode)) {
                removeTree(dirFd, name.constData());
                ++removed;
            } else if (::unlinkat(dirFd, name.constData(), 0) == 0) {
                ++removed;
            }
        }
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

void forgetRecentSweeps()
{
    QMutexLocker locked(&sweptLock);
    swept.clear();
}

int removeAbandonedBelow(const QString &folder, int depth)
{
    int removed = removeAbandoned(folder);
    if (depth <= 0)
        return removed;
    const QStringList subs = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden
                                                    | QDir::NoSymLinks);
    for (const QString &sub : subs) {
        if (!isTemporaryName(sub))
            removed += removeAbandonedBelow(folder + QLatin1Char('/') + sub, depth - 1);
    }
    return removed;
}

// ---- Writer ----

Writer::Writer(const QString &path, Mode mode) : m_path(path), m_mode(mode) {}

Writer::~Writer()
{
    if (m_fd >= 0 && !m_ended)
        qWarning().noquote() << "[AtomicFile]" << m_path
                             << "was left without commit or cancel; its old contents stay";
    if (!m_committed)
        removeTemp();
}

bool Writer::open(OpenMode mode)
{
    if (isOpen())
        return !failed();
    if (mode & QIODevice::ReadOnly)
        return fail(EINVAL, tr("a file being written cannot be read"));
    m_real = QFileInfo(m_path).absoluteFilePath();
    if (m_mode == Mode::Replace) {
        // A link stays: the file it leads to is the one replaced.
        if (const int err = resolveLinks(m_path, &m_real))
            return fail(err);
        // Only a file may be replaced: a rename over a device, a pipe or a
        // folder would put a file in its place.
        struct stat target;
        const QByteArray real = encoded(m_real);
        if (::lstat(real.constData(), &target) == 0) {
            if (S_ISDIR(target.st_mode))
                return fail(EISDIR);
            if (!S_ISREG(target.st_mode))
                return fail(EINVAL, tr("not a regular file"));
            if (const int err = writable(real, target))
                return fail(err);
        }
    }
    sweepBeforeWrite(QFileInfo(m_real).absolutePath());
    m_fd = openTemp(m_real, &m_temp);
    if (m_fd < 0) {
        m_temp.clear();
        return fail(errno);
    }
    if (m_mode == Mode::Replace) {
        // A replaced file keeps its permissions.
        struct stat st;
        if (::stat(encoded(m_real).constData(), &st) == 0 && S_ISREG(st.st_mode))
            ::fchmod(m_fd, st.st_mode & 07777);
    }
    m_buffer.reserve(int(BufferSize));
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return true;
}

bool Writer::fail(int err, const QString &what)
{
    if (!failed()) {
        m_errno = err;
        m_reason = what.isEmpty() ? systemReason(err) : what;
        setErrorString(m_reason);
    }
    return false;
}

bool Writer::writeAll(const char *p, qint64 left)
{
    while (left > 0) {
        const ssize_t n = ::pwrite(m_fd, p, size_t(left), m_filePos);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        if (n == 0)
            return fail(EIO);
        // A short write is followed by another, which then reports the
        // reason (a full disk) instead of passing unnoticed.
        p += n;
        left -= n;
        m_filePos += n;
    }
    return true;
}

bool Writer::flushBuffer()
{
    const bool ok = writeAll(m_buffer.constData(), m_buffer.size());
    m_buffer.resize(0);  // keeps the reserved block
    return ok;
}

qint64 Writer::writeData(const char *data, qint64 len)
{
    if (m_fd < 0 || failed())
        return -1;
    const qint64 at = pos();
    if (at != m_filePos + m_buffer.size()) {
        if (!flushBuffer())
            return -1;
        m_filePos = at;
    }
    if (m_buffer.size() + len > BufferSize && !flushBuffer())
        return -1;
    if (len >= BufferSize) {
        if (!writeAll(data, len))  // large blocks go straight to the file
            return -1;
    } else {
        m_buffer.append(data, int(len));
    }
    m_size = qMax(m_size, at + len);
    return len;
}

qint64 Writer::readData(char *, qint64)
{
    return -1;
}

bool Writer::seek(qint64 to)
{
    if (to < 0 || m_fd < 0 || failed())
        return false;
    return QIODevice::seek(to);
}

bool Writer::commit()
{
    if (m_committed)
        return true;
    m_ended = true;
    if (m_fd < 0) {
        if (!failed())
            fail(EBADF, tr("the file was not opened"));
        removeTemp();
        return false;
    }
    if (failed() || !flushBuffer()) {
        removeTemp();
        return false;
    }
    // The data reaches the disk before the name changes, so a power cut
    // leaves the old file or the new one, never an empty one.
    while (m_synced && ::fdatasync(m_fd) != 0) {
        if (errno != EINTR) {
            fail(errno);
            removeTemp();
            return false;
        }
    }
    // Renamed while still open and locked: a sweep never sees it unlocked
    // under its temporary name.
    const QByteArray src = encoded(m_temp), dst = encoded(m_real);
    const bool renamed = m_mode == Mode::Replace ? ::rename(src.constData(), dst.constData()) == 0
                                                 : renameNoReplace(m_temp, m_real);
    if (!renamed) {
        fail(errno);
        removeTemp();
        return false;
    }
    m_temp.clear();
    const int fd = m_fd;
    m_fd = -1;
    QIODevice::close();
    const bool closed = ::close(fd) == 0 || errno == EINTR;
    const int closeErr = errno;
    // The new name itself survives a power cut once its folder is synced:
    // only then is the write done (an export may delete its sources next).
    if (m_synced && !syncFolderOf(m_real))
        return fail(errno);
    if (!closed)
        return fail(closeErr);
    m_committed = true;
    return true;
}

void Writer::cancel()
{
    m_ended = true;
    removeTemp();
    if (isOpen())
        QIODevice::close();
}

void Writer::removeTemp()
{
    // Unlinked before the close: the lock holds until the name is gone.
    if (!m_temp.isEmpty()) {
        ::unlink(encoded(m_temp).constData());
        m_temp.clear();
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_buffer.clear();
}

// ---- One-call forms ----

bool write(const QString &path, const std::function<bool(QIODevice &)> &writer, QString *error,
           Mode mode)
{
    Writer file(path, mode);
    if (!file.open()) {
        if (error)
            *error = file.reason();
        return false;
    }
    const bool ok = writer(file);
    if (!ok || file.failed()) {
        // The system's reason comes first: the writer may only have seen
        // that a write did not go through.
        if (error && file.failed())
            *error = file.reason();
        else if (error && error->isEmpty())
            *error = QStringLiteral("writing was abandoned");
        file.cancel();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.reason();
        return false;
    }
    return true;
}

bool copy(const QString &from, const QString &to, Mode mode, QString *sourceError, QString *targetError,
          bool synced)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        if (sourceError)
            *sourceError = in.errorString();
        return false;
    }
    Writer out(to, mode);
    out.setSynced(synced);
    if (!out.open()) {
        if (targetError)
            *targetError = out.reason();
        return false;
    }
    for (;;) {
        const QByteArray block = in.read(1 << 20);
        if (block.isEmpty() || out.write(block) != block.size())
            break;
    }
    if (in.error() != QFileDevice::NoError) {
        out.cancel();
        if (sourceError)
            *sourceError = in.errorString();
        return false;
    }
    if (!out.commit()) {
        if (targetError)
            *targetError = out.reason();
        return false;
    }
    return true;
}

bool write(const QString &path, const QByteArray &content, QString *error, Mode mode)
{
    return write(
        path, [&](QIODevice &dev) { return dev.write(content) == content.size(); }, error, mode);
}

// ---- Folder ----

Folder::Folder(const QString &target) : m_target(QFileInfo(target).absoluteFilePath()) {}

Folder::~Folder()
{
    if (!m_committed)
        cancel();
}

bool Folder::fail(int err)
{
    m_errno = err;
    m_reason = systemReason(err);
    return false;
}

bool Folder::open()
{
    if (m_fd >= 0)
        return true;
    sweepBeforeWrite(QFileInfo(m_target).absolutePath());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temp = tempName(m_target);
        const QByteArray name = encoded(temp);
        if (::mkdir(name.constData(), 0777) != 0) {
            if (errno == EEXIST)
                continue;
            return fail(errno);
        }
        // Locked like a file being written; a sweep that took the folder
        // between its creation and the lock has removed it: then again.
        const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            ::rmdir(name.constData());
            continue;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(fd, name)) {
            m_fd = fd;
            m_temp = temp;
            return true;
        }
        ::close(fd);
    }
    return fail(EEXIST);
}

bool Folder::commit()
{
    if (m_committed)
        return true;
    if (m_fd < 0) {
        m_errno = EBADF;
        m_reason = QStringLiteral("the folder was not created");
        return false;
    }
    // One sync for every file written into the folder, before it takes its
    // name: a power cut then leaves it whole or absent.
    if (::syncfs(m_fd) != 0)
        return fail(errno);
    if (!renameNoReplace(m_temp, m_target))
        return fail(errno);
    m_temp.clear();
    ::close(m_fd);
    m_fd = -1;
    m_committed = true;
    if (!syncFolderOf(m_target))
        return fail(errno);
    return true;
}

void Folder::cancel()
{
    if (!m_temp.isEmpty()) {
        removeTree(AT_FDCWD, encoded(m_temp).constData());
        m_temp.clear();
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace AtomicFile
