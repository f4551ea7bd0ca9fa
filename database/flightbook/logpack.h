#ifndef LOGPACK_H
#define LOGPACK_H

#include <QString>
#include <QStringList>

#include <functional>

// Packs aircraft log folders into one ZIP archive for sending: one deflated
// entry "<log folder>/<file>" per plain file directly inside each folder.
// No widgets: the flight book shows the progress and the messages.
class LogPack
{
public:
    enum Step { NextLog, NextFile };

    struct Result
    {
        bool created = false;    // the archive is in place (maybe cancelled, maybe lacking files)
        bool cancelled = false;
        int logsPacked = 0;      // logs whose files were all looked at
        QStringList leftOut;     // "<log folder>/<file>" that could not be packed
        QString error;           // not created: "<archive>: <reason>"

        bool complete() const { return created && !cancelled && leftOut.isEmpty(); }
    };

    // The typed name with ".zip" appended unless it ends so, in any case.
    static QString zipFileName(const QString& typed);

    // Writes the archive beside zipPath and moves it into place at the end,
    // so a failure leaves an existing file as it was. proceed runs before
    // each log and before each file; false stops packing, and the logs
    // packed so far still make a valid archive.
    static Result pack(const QStringList& logFolders, const QString& zipPath,
                       const std::function<bool(Step, const QString&)>& proceed = {});
};

#endif
