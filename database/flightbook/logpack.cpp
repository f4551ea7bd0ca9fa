#include "database/flightbook/logpack.h"

#include "atomicfile/atomicfile.h"

#include <QScopeGuard>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>
#include <zlib.h>

namespace {

enum class Packed { Done, SourceUnreadable, ArchiveFailed };

// Packs one file. A source that cannot be read costs its entry; a failed
// write into the archive ends the archive.
Packed packFile(QuaZip& zip, const QFileInfo& file, const QString& entry)
{
    QFile in(file.absoluteFilePath());
    if (!in.open(QIODevice::ReadOnly)) {
        qDebug() << "logfile open failed" << file.fileName();
        return Packed::SourceUnreadable;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError || bytes.size() != in.size()) {
        qDebug() << "logfile open failed" << file.fileName();
        return Packed::SourceUnreadable;
    }
    QuaZipFile out(&zip);
    if (!out.open(QIODevice::WriteOnly, QuaZipNewInfo(entry, file.absoluteFilePath()), nullptr, 0, Z_DEFLATED,
                  Z_DEFAULT_COMPRESSION)) {
        qDebug() << "quazip open failed";
        return Packed::ArchiveFailed;
    }
    const bool written = out.write(bytes) == bytes.size();
    out.close();
    if (!written || out.getZipError() != ZIP_OK) {
        qDebug() << "quazip write failed" << entry;
        return Packed::ArchiveFailed;
    }
    qDebug() << "loglocation+name written" << entry;
    return Packed::Done;
}

}  // namespace

QString LogPack::zipFileName(const QString& typed)
{
    if (typed.toLower().endsWith(QLatin1String(".zip")))
        return typed;
    return typed + QStringLiteral(".zip");
}

LogPack::Result LogPack::pack(const QStringList& logFolders, const QString& zipPath,
                              const std::function<bool(Step, const QString&)>& proceed)
{
    Result r;
    const QString target = QFileInfo(zipPath).absoluteFilePath();
    AtomicFile::Writer part(target);
    // The archive's own failure: the system's reason when a write failed.
    const auto failed = [&](int zipError) {
        const QString why = part.failed() ? part.reason() : QStringLiteral("zip error %1").arg(zipError);
        qDebug() << "error writing zipfile" << target << why;
        r.error = AtomicFile::describe(target, why);
        return r;
    };
    if (!part.open())
        return failed(0);

    QuaZip zip(&part);
    zip.setAutoClose(false);
    // Every way out but the commit abandons the archive (closed first, so
    // nothing is written into an abandoned file).
    auto abandon = qScopeGuard([&] {
        if (zip.isOpen())
            zip.close();
        part.cancel();
    });
    if (!zip.open(QuaZip::mdCreate))
        return failed(zip.getZipError());
    for (const QString& folder : logFolders) {
        if (proceed && !proceed(NextLog, folder)) {
            r.cancelled = true;
            break;
        }
        const QDir dir(QDir(folder).absolutePath());
        qDebug() << "Log Location:" << dir.absolutePath();
        const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
        for (const QFileInfo& file : files) {
            if (proceed && !proceed(NextFile, file.absoluteFilePath())) {
                r.cancelled = true;
                break;
            }
            const QString entry = dir.dirName() + QLatin1Char('/') + file.fileName();
            switch (packFile(zip, file, entry)) {
            case Packed::Done:
                break;
            case Packed::SourceUnreadable:
                r.leftOut << entry;
                break;
            case Packed::ArchiveFailed:
                return failed(zip.getZipError());  // the partial archive goes with part
            }
        }
        if (r.cancelled)
            break;
        ++r.logsPacked;
    }
    zip.close();
    if (zip.getZipError() != ZIP_OK || part.failed())
        return failed(zip.getZipError());
    if (!part.commit())
        return failed(0);
    abandon.dismiss();
    r.created = true;
    return r;
}
