#pragma once
// Joins photo-tagger projects into one without losing a photo: every source
// is read before anything changes, the photos are moved with a way back, and
// the merged file replaces the target only after every move succeeded.
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

}  // namespace PTProjectMerge
