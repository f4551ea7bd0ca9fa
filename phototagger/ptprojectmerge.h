#pragma once
// Joins photo-tagger projects into one without losing a photo: every source
// is read before anything changes, the photos are moved with a way back, and
// the merged file replaces the target only after every move succeeded.
//
// A merge cut off (the program killed, the power gone) ends whole or not at
// all: before the first move a journal in the projects folder records the
// moves and the merged file. The next time the projects are listed or one is
// opened, finishInterrupted() finishes the merge when the merged file was
// written, and otherwise moves every photo back.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

#include "phototagger/ptprojectfile.h"

namespace PTProjectMerge {

// "[\w][\w\s-()]{1,99}" over the whole name: 2 to 100 characters.
bool validName(const QString &name);

struct Result {
    bool ok = false;
    QString title;        // for the box the caller shows on failure
    QString error;
    QStringList remaining;  // files left in a source folder that could not go
};

// File operations, replaceable in tests.
struct Io {
    std::function<bool(const QString &from, const QString &to)> move;
    std::function<bool(const QString &path, int imageType, const QVector<PTTag> &tags,
                       QString *error)> save;
    std::function<bool(const QString &folder)> removeFolder;
};
Io defaultIo();

// Merges the projects named in sources (the current one among them) into the
// project target: ordered by their first tag's time, clashing photo names
// get "_" before the extension, the merged file states the sources' common
// image type. allProjects lists every project folder for the name check.
Result merge(const QStringList &sources, const QString &target, const QStringList &allProjects,
             const Io &io = defaultIo());

// The journal of a merge under way: "<projects folder>/.merge.journal".
QString journalPath();

enum class Recovery {
    Nothing,     // no merge was cut off (or one is running now)
    Finished,    // the merged file was written: the old projects went
    RolledBack,  // every photo went back to its project
    Failed,      // a photo could not go back; the journal stays for the next try
};
// Ends a merge that was cut off; cheap when there is none. *note (when
// given) says what was done, for the log.
Recovery finishInterrupted(QString *note = nullptr);

}  // namespace PTProjectMerge
