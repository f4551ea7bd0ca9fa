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
        QString error;   // Failed: what went wrong, for the user
    };

    // The workspace's folder of aircraft logs.
    static QString logsFolder();

    // Names of n logs copied under one name: the name alone for one log,
    // otherwise name + suffix counting down from start + n - 1 to start.
    static QStringList names(const QString& name, int start, int n);

    // Copies the plain files directly inside source into logsFolder/name.
    // A taken name copies nothing. On failure the new folder is removed
    // again, so the copy can be repeated under the same name. beforeFile
    // runs before each file is copied.
    static Result copyLog(const QString& source, const QString& logsFolder, const QString& name,
                          const std::function<void(const QFileInfo&)>& beforeFile = {});

    // Sum of the photo tags of the logs; logs that cannot be read count
    // nothing and are named in *unreadable.
    static int imageCount(const QStringList& logFolders, QStringList* unreadable = nullptr);
};

#endif
