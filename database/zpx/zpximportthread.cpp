#include "database/zpx/zpximportthread.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipfileinfo.h>

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

// Streams the current entry into a new file at target. On any failure the
// partial file is removed and the reason returned.
static bool unpack(QuaZip *zip, const QuaZipFileInfo64 &info, const QString &target,
                   QString *why)
{
    const qint64 declared = qint64(info.uncompressedSize);
    if (declared > ZPX::kLimitBytes) {
        *why = QStringLiteral("declared size %1 beyond the limit").arg(declared);
        return false;
    }
    const QStorageInfo storage(QFileInfo(target).absolutePath());
    if (storage.isValid() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < declared) {
        *why = QStringLiteral("not enough free space");
        return false;
    }
    QuaZipFile in(zip);
    if (!in.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("entry cannot be opened");
        return false;
    }
    // NewOnly: never overwrite, and never write through a link placed there.
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *why = out.errorString();
        return false;
    }
    QByteArray block(int(ZPX::kBlockSize), Qt::Uninitialized);
    qint64 total = 0;
    bool ok = true;
    for (;;) {
        const qint64 got = in.read(block.data(), block.size());
        if (got < 0) {
            *why = QStringLiteral("entry cannot be read");
            ok = false;
            break;
        }
        if (got == 0)
            break;
        total += got;
        if (total > declared || total > ZPX::kLimitBytes) {
            *why = QStringLiteral("entry inflates beyond its size");
            ok = false;
            break;
        }
        if (out.write(block.constData(), got) != got) {
            *why = out.errorString();
            ok = false;
            break;
        }
    }
    in.close();
    if (ok && (in.getZipError() != UNZ_OK || total != declared)) {
        *why = QStringLiteral("entry is damaged");
        ok = false;
    }
    if (ok && !out.flush()) {
        *why = out.errorString();
        ok = false;
    }
    out.close();
    if (ok && out.error() != QFileDevice::NoError) {
        *why = out.errorString();
        ok = false;
    }
    if (!ok)
        out.remove();
    return ok;
}

QStringList ZPXImportThread::importZPXFile()
{
    qDebug() << "[ZPXImportThread] importZPXFile START" << m_path;
    m_accepted = false;
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
        auto fail = [&](const QString &why) {
            qWarning().noquote() << "[ZPXImportThread] not imported:" << info.name << "-" << why;
            lines << QStringLiteral("2*%1*%2").arg(kind, e.status == ZPX::EntryName::Valid
                                                            ? lineName : e.rest);
        };
        if (e.status == ZPX::EntryName::Refused) {
            fail(QStringLiteral("unsafe name"));
            continue;
        }
        const QString kindDir = m_places.folder(e.kind);
        QString dir = kindDir;
        if (!QDir().mkpath(kindDir)) {
            fail(QStringLiteral("cannot create %1").arg(kindDir));
            continue;
        }
        bool created = false;
        if (inFolder) {
            dir = kindDir + QLatin1Char('/') + e.folder;
            const QFileInfo folderInfo(dir);
            if (!folderInfo.exists() && !folderInfo.isSymLink()) {
                if (!QDir().mkdir(dir)) {
                    fail(QStringLiteral("cannot create %1").arg(dir));
                    continue;
                }
                created = true;
            }
            // The item folder, links resolved, must stay inside its kind folder.
            if (!ZPX::liesInside(dir, kindDir) || !QFileInfo(dir).isDir()) {
                fail(QStringLiteral("item folder leads outside the workspace"));
                continue;
            }
        }
        const QString target = dir + QLatin1Char('/') + e.file;
        const QFileInfo targetInfo(target);
        if (targetInfo.exists() || targetInfo.isSymLink()) {
            if (keyed)
                lines << QStringLiteral("1*%1*%2").arg(kind, lineName);
            continue;
        }
        QString why;
        if (!unpack(&zip, info, target, &why)) {
            if (created)
                QDir().rmdir(dir);  // only when still empty
            fail(why);
            continue;
        }
        if (keyed)
            lines << QStringLiteral("0*%1*%2").arg(kind, lineName);
    }
    qDebug() << "[ZPXImportThread] importZPXFile END" << lines.size() - 1 << "lines";
    return lines;
}
