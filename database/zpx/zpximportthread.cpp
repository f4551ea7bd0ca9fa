#include "database/zpx/zpximportthread.h"

#include "atomicfile/atomicfile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>

#include <cerrno>
#include <cstring>
#include <memory>

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

}  // namespace

// Streams the current entry into a temporary file beside target and gives
// it the name: NoReplace for a new file (never over a file that appeared
// meanwhile, never through a link), Replace over a file found cut off. A
// suspect file (replace set) is compared on the way; when it is not a
// cut-off copy of the entry it is kept and *kept set. On failure the reason
// is returned and nothing stays behind.
static bool unpack(QuaZip *zip, const QuaZipFileInfo64 &info, const QString &target, bool replace,
                   bool *kept, QString *why)
{
    *kept = false;
    const qint64 declared = qint64(info.uncompressedSize);
    if (declared > ZPX::kLimitBytes) {
        *why = QStringLiteral("declared size %1 beyond the limit").arg(declared);
        return false;
    }
    const QStorageInfo storage(QFileInfo(target).absolutePath());
    if (storage.isValid() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < declared) {
        *why = QString::fromLocal8Bit(std::strerror(ENOSPC));
        return false;
    }
    QuaZipFile in(zip);
    if (!in.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("entry cannot be opened");
        return false;
    }
    AtomicFile::Writer out(target, replace ? AtomicFile::Mode::Replace : AtomicFile::Mode::NoReplace);
    if (!out.open()) {
        *why = out.reason();
        return false;
    }
    std::unique_ptr<CutOffCheck> check(replace ? new CutOffCheck(target) : nullptr);
    QByteArray block(int(ZPX::kBlockSize), Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 got = in.read(block.data(), block.size());
        if (got < 0) {
            *why = QStringLiteral("entry cannot be read");
            return false;
        }
        if (got == 0)
            break;
        total += got;
        if (total > declared || total > ZPX::kLimitBytes) {
            *why = QStringLiteral("entry inflates beyond its size");
            return false;
        }
        if (out.write(block.constData(), got) != got) {
            *why = out.reason();
            return false;
        }
        if (check)
            check->next(block.constData(), got);
    }
    in.close();
    if (in.getZipError() != UNZ_OK || total != declared) {
        *why = QStringLiteral("entry is damaged");
        return false;
    }
    if (check && !check->cutOff(total)) {
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

QStringList ZPXImportThread::importZPXFile()
{
    qDebug() << "[ZPXImportThread] importZPXFile START" << m_path;
    m_accepted = false;
    m_failures.clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly) || !ZPX::hasMagic(file.read(ZPX::kHeadSize)))
        return {QStringLiteral("No valid zpx file")};
    QuaZip zip(&file);
    zip.setAutoClose(false);
    if (!zip.open(QuaZip::mdUnzip)) {
        qWarning() << "[ZPXImportThread] cannot unpack" << m_path << zip.getZipError();
        return {QStringLiteral("Cannot unpack file")};
    }
    m_accepted = true;
    const int count = zip.getEntriesCount();
    QStringList lines{QStringLiteral("Amout of data %1").arg(count)};

    int i = 0;
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile(), ++i) {
        QuaZipFileInfo64 info;
        if (!zip.getCurrentFileInfo(&info)) {
            qWarning() << "[ZPXImportThread] entry" << i << "unreadable";
            continue;
        }
        const ZPX::EntryName e = ZPX::parseEntryName(info.name);
        if (e.status == ZPX::EntryName::Foreign) {
            qDebug() << "[ZPXImportThread] skipping" << info.name;
            continue;
        }
        emit importing(progressText(e.kind), i, count);
        const QString kind = ZPX::topFolder(e.kind);
        const bool inFolder = e.kind == Kind::Log || e.kind == Kind::Project;
        // A log is reported by its records file, a project by its project file.
        const bool keyed = !inFolder
            || (e.kind == Kind::Log ? e.file.endsWith(QLatin1String("KORVEL.LOG"))
                                    : e.file.endsWith(QLatin1String(".zpt")));
        const QString lineName = !inFolder ? e.file : keyed ? e.folder : e.rest;
        // A line "2" for the entry, and "<file>: <reason>" for the user.
        auto fail = [&](const QString &why, const QString &path) {
            qWarning().noquote() << "[ZPXImportThread] not imported:" << info.name << "-" << why;
            lines << QStringLiteral("2*%1*%2").arg(kind, e.status == ZPX::EntryName::Valid
                                                            ? lineName : e.rest);
            m_failures << AtomicFile::describe(path, why);
        };
        if (e.status == ZPX::EntryName::Refused) {
            fail(QStringLiteral("unsafe name"), info.name);
            continue;
        }
        const QString kindDir = m_places.folder(e.kind);
        QString dir = kindDir;
        if (!QDir().mkpath(kindDir)) {
            fail(QStringLiteral("the folder cannot be created"), kindDir);
            continue;
        }
        bool created = false;
        if (inFolder) {
            dir = kindDir + QLatin1Char('/') + e.folder;
            const QFileInfo folderInfo(dir);
            if (!folderInfo.exists() && !folderInfo.isSymLink()) {
                if (!QDir().mkdir(dir)) {
                    fail(QStringLiteral("the folder cannot be created"), dir);
                    continue;
                }
                created = true;
            }
            // The item folder, links resolved, must stay inside its kind folder.
            if (!ZPX::liesInside(dir, kindDir) || !QFileInfo(dir).isDir()) {
                fail(QStringLiteral("item folder leads outside the workspace"), dir);
                continue;
            }
        }
        const QString target = dir + QLatin1Char('/') + e.file;
        const QFileInfo targetInfo(target);
        // A file found there is kept when it looks whole. One that does not
        // may be what an import cut short left: it is replaced when it
        // proves to be a cut-off copy of the entry. Links and other kinds
        // of entry are never touched.
        bool replace = false;
        if (targetInfo.exists() || targetInfo.isSymLink()) {
            replace = !targetInfo.isSymLink() && targetInfo.isFile()
                      && !looksWhole(target, qint64(info.uncompressedSize));
            if (!replace) {
                if (keyed)
                    lines << QStringLiteral("1*%1*%2").arg(kind, lineName);
                continue;
            }
        }
        QString why;
        bool kept = false;
        if (!unpack(&zip, info, target, replace, &kept, &why)) {
            if (created)
                QDir().rmdir(dir);  // only when still empty
            fail(why, target);
            continue;
        }
        if (kept) {
            if (keyed)
                lines << QStringLiteral("1*%1*%2").arg(kind, lineName);
            continue;
        }
        if (replace)
            qDebug().noquote() << "[ZPXImportThread] replaced a cut-off" << target;
        if (keyed)
            lines << QStringLiteral("0*%1*%2").arg(kind, lineName);
    }
    qDebug() << "[ZPXImportThread] importZPXFile END" << lines.size() - 1 << "lines";
    return lines;
}
