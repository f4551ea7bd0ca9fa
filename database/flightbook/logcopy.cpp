#include "database/flightbook/logcopy.h"

#include "core/data.h"
#include "harleklog/harleklog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>

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
    if (QFileInfo::exists(target)) {
        r.status = Result::NameTaken;
        return r;
    }
    const QDir sourceDir(source);
    if (!sourceDir.exists()) {
        r.error = tr("The log folder %1 is not available anymore.").arg(QDir::toNativeSeparators(source));
        return r;
    }
    if (!QDir().mkpath(target) || !QFileInfo(target).isDir()) {
        r.error = tr("The folder %1 could not be created.").arg(QDir::toNativeSeparators(target));
        return r;
    }
    const QFileInfoList files = sourceDir.entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    qDebug() << QStringLiteral("[Flightbook] databaseCopy filelist count %1").arg(files.size());
    for (const QFileInfo& file : files) {
        if (beforeFile)
            beforeFile(file);
        const QString to = target + QLatin1Char('/') + file.fileName();
        if (!QFile::copy(file.absoluteFilePath(), to)) {
            r.error = tr("The file %1 could not be copied.").arg(QDir::toNativeSeparators(file.absoluteFilePath()));
            // A half-copied log would block its name and pass as a log.
            if (!Data::removeDirRecursively(target))
                qWarning() << "[Flightbook] could not remove" << target;
            return r;
        }
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
