#include "database/flightbook/logcopy.h"

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "harleklog/harleklog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QHash>

#include <cerrno>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("Flightbook", text);
}
}  // namespace

QString LogCopy::logsFolder()
{
    return QDir(Data::instance()->logsPath()).absolutePath();
}

QStringList LogCopy::names(const QString& name, int start, int n)
{
    if (n == 1)
        return {name};
    QStringList out;
    for (int suffix = start + n - 1; suffix >= start; --suffix)
        out << name + QString::number(suffix);
    return out;
}

namespace {

// True when the bytes of file are the first bytes of source (or all of them).
bool startsLike(const QString& file, const QString& source)
{
    QFile a(file), b(source);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() > b.size())
        return false;
    while (!a.atEnd()) {
        const QByteArray x = a.read(1 << 20), y = b.read(x.size());
        if (x.isEmpty() || x != y)
            return false;
    }
    return a.error() == QFileDevice::NoError;
}

// A folder an earlier copy of source left unfinished when it was killed:
// some files of the source, each whole or cut off, some missing or cut off,
// and the temporary files of a copy. It holds nothing of its own. An empty
// folder is not taken for one: it may be a name kept free on purpose.
bool unfinishedCopy(const QString& target, const QFileInfoList& sourceFiles)
{
    const QFileInfo folder(target);
    if (folder.isSymLink() || !folder.isDir())
        return false;
    QHash<QString, QFileInfo> source;
    for (const QFileInfo& f : sourceFiles)
        source.insert(f.fileName(), f);
    int whole = 0, ours = 0;
    const QFileInfoList present = QDir(target).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& f : present) {
        if (f.isSymLink() || !f.isFile())
            return false;
        const QString name = f.fileName();
        const bool temporary = name.startsWith(QLatin1String("qt_temp."))
                               || (name.startsWith(QLatin1Char('.')) && name.endsWith(QLatin1String(".part")));
        if (temporary)
            continue;  // a copy's temporary file
        const auto it = source.constFind(name);
        if (it == source.constEnd() || !startsLike(f.absoluteFilePath(), it->absoluteFilePath()))
            return false;
        whole += f.size() == it->size();
        ++ours;
    }
    return ours > 0 && whole < sourceFiles.size();
}

}  // namespace

LogCopy::Result LogCopy::copyLog(const QString& source, const QString& logsFolder, const QString& name,
                                 const std::function<void(const QFileInfo&)>& beforeFile)
{
    Result r;
    if (name.isEmpty()) {
        r.status = Result::EmptyName;
        return r;
    }
    const QString target = QDir::cleanPath(QDir(logsFolder).absoluteFilePath(name));
    r.target = target;
    const QDir sourceDir(source);
    const QFileInfo existing(target);
    const bool taken = existing.exists() || existing.isSymLink();
    const QFileInfoList files = sourceDir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    // A folder that an earlier copy of this log left half done is replaced;
    // anything else under the name stays and keeps the name taken.
    const bool leftover = taken && sourceDir.exists() && unfinishedCopy(target, files);
    if (taken && !leftover) {
        r.status = Result::NameTaken;
        return r;
    }
    if (!sourceDir.exists()) {
        r.error = tr("The log folder %1 is not available anymore.").arg(QDir::toNativeSeparators(source));
        return r;
    }
    if (!QDir().mkpath(logsFolder)) {
        r.error = tr("The folder %1 could not be created.").arg(QDir::toNativeSeparators(target));
        return r;
    }
    // The log is assembled under a hidden name and appears whole or not at all.
    AtomicFile::Folder folder(target);
    if (!folder.open()) {
        r.error = tr("The folder %1 could not be created.").arg(QDir::toNativeSeparators(target))
                  + QLatin1Char(' ') + AtomicFile::describe(target, folder.reason());
        return r;
    }
    qDebug() << QStringLiteral("[Flightbook] databaseCopy filelist count %1").arg(files.size());
    for (const QFileInfo& file : files) {
        if (beforeFile)
            beforeFile(file);
        QString sourceError, targetError;
        if (!AtomicFile::copy(file.absoluteFilePath(), folder.path() + QLatin1Char('/') + file.fileName(),
                             AtomicFile::Mode::NoReplace, &sourceError,
                      &targetError, false)) {  // the folder's commit syncs them all at once
            const QString from = QDir::toNativeSeparators(file.absoluteFilePath());
            r.error = targetError.isEmpty()
                          ? tr("The file %1 could not be copied.").arg(from) + QLatin1Char(' ')
                                + AtomicFile::describe(file.absoluteFilePath(), sourceError)
                          : AtomicFile::describe(target + QLatin1Char('/') + file.fileName(), targetError);
            return r;
        }
    }
    if (leftover) {
        // Moved aside first, so the name is never without a log for longer
        // than one rename, and removed once the new folder is in place.
        // A temporary's name: what a kill leaves there is swept.
        const QString aside = AtomicFile::temporaryName(target);
        if (!AtomicFile::renameNoReplace(target, aside)) {
            r.error = AtomicFile::describe(target, AtomicFile::systemReason(errno));
            return r;
        }
        if (!folder.commit()) {
            if (!AtomicFile::renameNoReplace(aside, target))
                qWarning() << "[Flightbook] could not put back" << aside << "as" << target;
            r.error = AtomicFile::describe(target, folder.reason());
            return r;
        }
        if (!Data::removeDirRecursively(aside))
            qWarning() << "[Flightbook] could not remove" << aside;
        qDebug() << "[Flightbook] an unfinished copy at" << target << "was replaced";
    } else if (!folder.commit()) {
        if (folder.osError() == EEXIST) {
            r.status = Result::NameTaken;  // taken while copying
            return r;
        }
        r.error = AtomicFile::describe(target, folder.reason());
        return r;
    }
    r.status = Result::Copied;
    return r;
}

int LogCopy::imageCount(const QStringList& logFolders, QStringList* unreadable)
{
    int count = 0;
    for (const QString& folder : logFolders) {
        try {
            HarlekLog log(folder.toStdString());
            count += log.photoTagCount();
        } catch (...) {
            if (unreadable)
                *unreadable << QDir(folder).dirName();
        }
    }
    return count;
}
