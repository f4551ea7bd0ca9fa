#include "database/flightbook/logpack.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>
#include <zlib.h>

#include <cstdio>

namespace {

// Packs one file; false when it could not be read or written whole.
bool packFile(QuaZip& zip, const QFileInfo& file, const QString& entry)
{
    QFile in(file.absoluteFilePath());
    if (!in.open(QIODevice::ReadOnly)) {
        qDebug() << "logfile open failed" << file.fileName();
        return false;
    }
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError || bytes.size() != in.size()) {
        qDebug() << "logfile open failed" << file.fileName();
        return false;
    }
    QuaZipFile out(&zip);
    if (!out.open(QIODevice::WriteOnly, QuaZipNewInfo(entry, file.absoluteFilePath()), nullptr, 0, Z_DEFLATED,
                  Z_DEFAULT_COMPRESSION)) {
        qDebug() << "quazip open failed";
        return false;
    }
    const bool written = out.write(bytes) == bytes.size();
    out.close();
    if (!written || out.getZipError() != ZIP_OK) {
        qDebug() << "quazip write failed" << entry;
        return false;
    }
    qDebug() << "loglocation+name written" << entry;
    return true;
}

bool moveIntoPlace(const QString& from, const QString& to)
{
    // rename() replaces an existing file in one step.
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    return QFile::remove(to) && QFile::rename(from, to);
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
    const QFileInfo target(zipPath);
    QTemporaryFile part(target.absolutePath() + QLatin1Char('/') + target.fileName() + QStringLiteral(".XXXXXX"));
    if (!part.open()) {
        qDebug() << "error opening zipfile" << part.errorString();
        r.error = part.errorString();
        return r;
    }
    const QString partName = part.fileName();
    part.close();

    QuaZip zip(partName);
    if (!zip.open(QuaZip::mdCreate)) {
        qDebug() << "error opening zipfile";
        r.error = QStringLiteral("zip error %1").arg(zip.getZipError());
        return r;
    }
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
            if (!packFile(zip, file, entry))
                r.leftOut << entry;
        }
        if (r.cancelled)
            break;
        ++r.logsPacked;
    }
    zip.close();
    if (zip.getZipError() != ZIP_OK) {
        r.error = QStringLiteral("zip error %1").arg(zip.getZipError());
        return r;
    }
    if (!moveIntoPlace(partName, target.absoluteFilePath())) {
        r.error = QStringLiteral("cannot replace %1").arg(QDir::toNativeSeparators(target.absoluteFilePath()));
        return r;
    }
    part.setAutoRemove(false);
    // The temporary file was private to us; the archive is an ordinary file.
    QFile::setPermissions(target.absoluteFilePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                         QFile::ReadOther);
    r.created = true;
    return r;
}
