#include "atomicfile/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicFile {

namespace {

constexpr qint64 BufferSize = 256 * 1024;

QString osReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// ".<name>.<random>.part" beside the target: hidden from folder listings, so
// a write cut off by a kill never shows as a file of its own.
QString tempName(const QString &target)
{
    const QFileInfo info(target);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.')
           + QString::number(QRandomGenerator::global()->generate64() & 0xffffffffffffULL, 36)
           + QStringLiteral(".part");
}

int openTemp(const QString &target, QString *temp)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temp = tempName(target);
        const int fd = ::open(QFile::encodeName(*temp).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

}  // namespace

QString describe(const QString &path, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
}

bool renameNoReplace(const QString &from, const QString &to)
{
    const QByteArray src = QFile::encodeName(from), dst = QFile::encodeName(to);
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

int removeAbandoned(const QString &folder)
{
    // ".<name>.<random>.part", as tempName() makes them.
    static const QRegularExpression temp(QStringLiteral("\\A\\..+\\.[0-9a-z]{1,10}\\.part\\z"));
    const QStringList names = QDir(folder).entryList({QStringLiteral(".*.part")},
                                                     QDir::Files | QDir::Hidden | QDir::System);
    int removed = 0;
    for (const QString &name : names) {
        if (!temp.match(name).hasMatch())
            continue;
        const QByteArray path = QFile::encodeName(folder + QLatin1Char('/') + name);
        const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::unlink(path.constData()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

// ---- Writer ----

Writer::Writer(const QString &path, Mode mode) : m_path(path), m_mode(mode) {}

Writer::~Writer()
{
    if (!m_committed)
        cancel();
}

bool Writer::open(OpenMode mode)
{
    if (isOpen())
        return !failed();
    if (mode & QIODevice::ReadOnly)
        return fail(EINVAL, tr("a file being written cannot be read"));
    // Only a file (or a link, which is replaced itself) may be replaced: a
    // rename over a device, a pipe or a folder would put a file in its place.
    struct stat target;
    if (m_mode == Mode::Replace && ::lstat(QFile::encodeName(m_path).constData(), &target) == 0
        && !S_ISREG(target.st_mode) && !S_ISLNK(target.st_mode))
        return fail(S_ISDIR(target.st_mode) ? EISDIR : EINVAL,
                    S_ISDIR(target.st_mode) ? QString() : tr("not a regular file"));
    m_fd = openTemp(m_path, &m_temp);
    if (m_fd < 0) {
        m_temp.clear();
        return fail(errno);
    }
    // Held until the file is closed, by commit or by the end of the process:
    // removeAbandoned() leaves the file of a living writer alone.
    ::flock(m_fd, LOCK_EX | LOCK_NB);
    if (m_mode == Mode::Replace) {
        // A replaced file keeps its permissions.
        struct stat st;
        if (::stat(QFile::encodeName(m_path).constData(), &st) == 0 && S_ISREG(st.st_mode))
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
        m_reason = what.isEmpty() ? osReason(err) : what;
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
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        fail(errno);
        removeTemp();
        return false;
    }
    QIODevice::close();
    const QByteArray src = QFile::encodeName(m_temp), dst = QFile::encodeName(m_path);
    const bool renamed = m_mode == Mode::Replace
                             ? ::rename(src.constData(), dst.constData()) == 0
                             : renameNoReplace(m_temp, m_path);
    if (!renamed) {
        fail(errno);
        removeTemp();
        return false;
    }
    m_temp.clear();
    m_committed = true;
    return true;
}

void Writer::cancel()
{
    removeTemp();
    if (isOpen())
        QIODevice::close();
}

void Writer::removeTemp()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(QFile::encodeName(m_temp).constData());
        m_temp.clear();
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

bool copy(const QString &from, const QString &to, Mode mode, QString *sourceError, QString *targetError)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        if (sourceError)
            *sourceError = in.errorString();
        return false;
    }
    Writer out(to, mode);
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

Folder::Folder(const QString &target) : m_target(target) {}

Folder::~Folder()
{
    if (!m_committed)
        cancel();
}

bool Folder::open()
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temp = tempName(m_target);
        if (::mkdir(QFile::encodeName(temp).constData(), 0777) == 0) {
            m_temp = temp;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    m_errno = errno;
    m_reason = osReason(m_errno);
    return false;
}

bool Folder::commit()
{
    if (m_committed)
        return true;
    if (m_temp.isEmpty()) {
        m_errno = EBADF;
        m_reason = QStringLiteral("the folder was not created");
        return false;
    }
    if (!renameNoReplace(m_temp, m_target)) {
        m_errno = errno;
        m_reason = osReason(m_errno);
        return false;
    }
    m_temp.clear();
    m_committed = true;
    return true;
}

void Folder::cancel()
{
    if (!m_temp.isEmpty()) {
        QDir(m_temp).removeRecursively();
        m_temp.clear();
    }
}

}  // namespace AtomicFile
