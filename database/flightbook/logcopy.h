#ifndef LOGCOPY_H
#define LOGCOPY_H

#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <functional>

// Copies aircraft log folders into the workspace's log folder. No widgets:
// the flight book shows the dialogs and messages.
class LogCopy
{
public:
    struct Result
    {
        enum Status { Copied, EmptyName, NameTaken, Failed };
        Status status = Failed;
        QString target;  // absolute path of the new log folder
        QString error;   // Failed: what went wrong, for the user ("<file>: <reason>"
                         // when a file could not be written)
    };

    // The workspace's folder of aircraft logs.
    static QString logsFolder();

    // Names of n logs copied under one name: the name alone for one log,
    // otherwise name + suffix counting down from start + n - 1 to start.
    static QStringList names(const QString& name, int start, int n);

    // Copies the plain files directly inside source into logsFolder/name.
    // The folder is assembled under a hidden name and renamed when whole,
    // so a failure or a kill leaves no log folder. A taken name copies
    // nothing, unless it holds what an earlier copy of the same log left
    // unfinished (only the log's files, some missing or cut off), which is
    // replaced. beforeFile runs before each file is copied.
    static Result copyLog(const QString& source, const QString& logsFolder, const QString& name,
                          const std::function<void(const QFileInfo&)>& beforeFile = {});

    // Sum of the photo tags of the logs; logs that cannot be read count
    // nothing and are named in *unreadable.
    static int imageCount(const QStringList& logFolders, QStringList* unreadable = nullptr);
};

#endif
