#pragma once
// Joins photo-tagger projects into one, or splits one in two, without losing
// a photo: every source is read before anything changes, the photos are
// moved with a way back, and the new project files are written only after
// every move succeeded.
//
// A merge or split cut off (the program killed, the power gone) ends whole
// or not at all: before the first move a journal in the projects folder
// records the moves and the project files to come. The next time the
// projects are listed or one is opened, finishInterrupted() finishes it when
// every new project file was written, and otherwise moves every photo back.
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

// File operations, replaceable in tests. A failed move gives the system's
// reason in *error.
struct Io {
    std::function<bool(const QString &from, const QString &to, QString *error)> move;
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

// Splits the project source at tag index at: the tags before it become the
// new project first, the others the new project second, each with its
// photos and previews, and the old project goes. The new names must not be
// taken (the caller checks them against the project folders; a folder
// found there all the same stops the split before any change).
Result split(const QString &source, int at, const QString &first, const QString &second,
             const Io &io = defaultIo());

// The journal of a merge or split under way: "<projects folder>/.merge.journal".
QString journalPath();

enum class Recovery {
    Nothing,     // nothing was cut off (or a merge or split is running now)
    Finished,    // every new project file was written: the old projects went
    RolledBack,  // every photo went back to its project
    Failed,      // a photo could not go back; the journal stays for the next try
};
// Ends a merge or split that was cut off; cheap when there is none. *note
// (when given) says what was done, for the log.
Recovery finishInterrupted(QString *note = nullptr);

}  // namespace PTProjectMerge
