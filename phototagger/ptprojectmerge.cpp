#include "phototagger/ptprojectmerge.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <unistd.h>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "phototagger/ptprojectfile.h"

namespace PTProjectMerge {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("DBPhotoTaggerMergeDiag", text); }
QString trSplit(const char *text) { return QCoreApplication::translate("DBPhotoTaggerSplitDiag", text); }

struct Source {
    QString name;
    PTProjectContent content;
    int type = PTImageJpeg;
};

struct Move {
    QString from;
    QString to;
};

int indexOfName(const QStringList &list, const QString &name)
{
    for (int i = 0; i < list.size(); ++i)
        if (list.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// IMG_0001.JPG -> IMG_0001_.JPG -> IMG_0001__.JPG ...
QString clashFreeName(const QString &name, const QSet<QString> &taken)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    QString base = dot > 0 ? name.left(dot) : name;
    const QString ext = dot > 0 ? name.mid(dot) : QString();
    QString candidate = name;
    while (taken.contains(candidate.toLower())) {
        base += QLatin1Char('_');
        candidate = base + ext;
    }
    return candidate;
}

// Held while a merge runs or one is finished: a lock on the projects folder
// itself, which a killed process gives up with its life. Another merge, or
// a recovery, in this process or another, waits for none and stays out.
class FolderLock {
public:
    explicit FolderLock(const QString &folder)
        : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        m_locked = m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
    }
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;
    bool locked() const { return m_locked; }

private:
    int m_fd;
    bool m_locked = false;
};

QByteArray digest(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray fileDigest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    const QByteArray bytes = f.readAll();
    return f.error() == QFileDevice::NoError ? digest(bytes) : QByteArray();
}

// A project file that a merge or split writes.
struct Target {
    QString folder;
    bool newFolder = false;  // made by the merge or split, so it goes on the way back
    QString projectFile;
    QByteArray digest;  // of the whole file to come
};

// A merge or split as the journal keeps it.
struct Journal {
    QList<Target> targets;
    QStringList sources;  // projects that go once every target is written
    QList<Move> moves;

    QByteArray toJson() const
    {
        QJsonArray t;
        for (const Target &target : targets)
            t.append(QJsonObject{{QStringLiteral("folder"), target.folder},
                                 {QStringLiteral("newFolder"), target.newFolder},
                                 {QStringLiteral("projectFile"), target.projectFile},
                                 {QStringLiteral("digest"), QString::fromLatin1(target.digest)}});
        QJsonArray m;
        for (const Move &move : moves)
            m.append(QJsonArray{move.from, move.to});
        QJsonObject o{{QStringLiteral("targets"), t},
                      {QStringLiteral("sources"), QJsonArray::fromStringList(sources)},
                      {QStringLiteral("moves"), m}};
        return QJsonDocument(o).toJson();
    }
    bool fromJson(const QByteArray &bytes)
    {
        const QJsonObject o = QJsonDocument::fromJson(bytes).object();
        targets.clear();
        auto addTarget = [&](const QJsonObject &t, const QString &folderKey, const QString &digestKey) {
            Target target;
            target.folder = t.value(folderKey).toString();
            target.newFolder = t.value(QStringLiteral("newFolder")).toBool();
            target.projectFile = t.value(QStringLiteral("projectFile")).toString();
            target.digest = t.value(digestKey).toString().toLatin1();
            targets.append(target);
            return !target.folder.isEmpty() && !target.projectFile.isEmpty() && target.digest.size() == 64;
        };
        if (o.contains(QStringLiteral("targets"))) {
            const QJsonArray t = o.value(QStringLiteral("targets")).toArray();
            if (t.isEmpty())
                return false;
            for (const QJsonValue &v : t) {
                if (!addTarget(v.toObject(), QStringLiteral("folder"), QStringLiteral("digest")))
                    return false;
            }
        } else if (!addTarget(o, QStringLiteral("targetFolder"), QStringLiteral("merged"))) {
            // (the journal of a merge as earlier versions wrote it)
            return false;
        }
        sources.clear();
        for (const QJsonValue &v : o.value(QStringLiteral("sources")).toArray())
            sources << v.toString();
        moves.clear();
        for (const QJsonValue &v : o.value(QStringLiteral("moves")).toArray()) {
            const QJsonArray pair = v.toArray();
            if (pair.size() != 2 || pair.at(0).toString().isEmpty() || pair.at(1).toString().isEmpty())
                return false;
            moves.append({pair.at(0).toString(), pair.at(1).toString()});
        }
        return true;
    }

    // Every new project file is there, whole: nothing is left to do but
    // removing the old projects.
    bool written() const
    {
        for (const Target &t : targets) {
            if (fileDigest(t.projectFile) != t.digest)
                return false;
        }
        return true;
    }
};

// The old projects go: their files, then their folders.
QStringList removeSources(const QStringList &sources, const Io &io)
{
    QStringList remaining;
    for (const QString &name : sources) {
        const QString folder = PTProjectFile::projectFolder(name);
        QFile::remove(PTProjectFile::projectFilePath(name));
        if (!io.removeFolder(folder) && QFileInfo::exists(folder)) {
            const QFileInfoList left = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
            for (const QFileInfo &f : left)
                remaining << f.absoluteFilePath();
            if (left.isEmpty())
                remaining << folder;
        }
    }
    for (const QString &name : sources)
        Data::instance()->removeRecent(OpenKind::PhotoTagger, name);
    return remaining;
}

// Moves back what was moved, last first; a move not made or made back
// already is passed over, so this may run again after being cut off.
bool moveBack(const QList<Move> &moves, const Io &io)
{
    bool ok = true;
    for (int i = moves.size() - 1; i >= 0; --i) {
        const Move &m = moves.at(i);
        if (!QFileInfo::exists(m.to) || QFileInfo::exists(m.from))
            continue;
        QString error;
        if (!io.move(m.to, m.from, &error)) {
            qWarning() << "[PTProjectMerge] could not move back" << m.to << error;
            ok = false;
        }
    }
    return ok;
}

// A target folder the merge or split made goes again once nothing of it is
// left but temporary files of writes that were cut off and a project file
// it wrote itself (a split whose first file was written, not its second).
void removeNewFolders(const Journal &j)
{
    for (const Target &t : j.targets) {
        if (!t.newFolder)
            continue;
        if (fileDigest(t.projectFile) == t.digest)
            QFile::remove(t.projectFile);
        AtomicFile::removeAbandoned(t.folder);
        QDir().rmdir(t.folder);
    }
}

// Moves back the moves made and removes what was made; the journal goes
// once all is as before. False when a photo could not go back: the journal
// stays, so finishInterrupted() tries again.
bool takeBack(const Journal &j, const QList<Move> &made, const Io &io)
{
    if (!moveBack(made, io))
        return false;
    removeNewFolders(j);
    QFile::remove(journalPath());
    return true;
}

// Where a merge or split stopped, for the message its caller builds.
struct Failure {
    enum Step { None, Busy, Prepare, Folder, Move, Save } step = None;
    QString file;    // the file or folder it failed on
    QString to;      // where a failed move went
    QString reason;  // the system's
    bool takenBack = true;  // every photo is back where it was
};

// The contents of the targets, in the order of the journal's targets.
struct Contents {
    int imageType = PTImageJpeg;
    QVector<PTTag> tags;
};

QByteArray projectDigest(int imageType, const QVector<PTTag> &tags)
{
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    PTProjectFile::write(bytes, imageType, tags);
    return digest(bytes.data());
}

// Carries out a merge or split planned in j (targets, sources, moves):
// writes the journal, makes the new folders, moves the photos, writes the
// project files, removes the old projects. On a failure everything made is
// taken back. With newTargets every target folder must be made here: one
// found there stops it before any change. *remaining: files of the old
// projects that could not go.
Failure carryOut(Journal j, const QVector<Contents> &contents, bool newTargets, const Io &io,
                 QStringList *remaining)
{
    // The journal comes before any change: a merge or split cut off from
    // here on is finished or taken back by finishInterrupted().
    FolderLock lock(PTProjectFile::projectsFolder());
    if (!lock.locked() || QFileInfo::exists(journalPath()))
        return {Failure::Busy, {}, {}, {}, true};
    for (int i = 0; i < j.targets.size(); ++i) {
        j.targets[i].newFolder = newTargets || !QFileInfo::exists(j.targets.at(i).folder);
        j.targets[i].digest = projectDigest(contents.at(i).imageType, contents.at(i).tags);
    }
    QString reason;
    if (!AtomicFile::write(journalPath(), j.toJson(), &reason))
        return {Failure::Prepare, journalPath(), {}, reason, true};

    QList<Move> made;
    auto fail = [&](Failure f) {
        f.takenBack = takeBack(j, made, io);
        return f;
    };
    for (int i = 0; i < j.targets.size(); ++i) {
        const Target &t = j.targets.at(i);
        if (t.newFolder && ::mkdir(QFile::encodeName(t.folder).constData(), 0777) != 0) {
            const int err = errno;
            for (int k = i; k < j.targets.size(); ++k)
                j.targets[k].newFolder = false;  // not made here, so not removed on the way back
            return fail({Failure::Folder, t.folder, {}, AtomicFile::systemReason(err), true});
        }
    }
    for (const Move &m : qAsConst(j.moves)) {
        if (!io.move(m.from, m.to, &reason))
            return fail({Failure::Move, m.from, m.to, reason, true});
        made.append(m);
    }
    for (int i = 0; i < j.targets.size(); ++i) {
        const Target &t = j.targets.at(i);
        if (!io.save(t.projectFile, contents.at(i).imageType, contents.at(i).tags, &reason))
            return fail({Failure::Save, t.projectFile, {}, reason, true});
    }
    // Every photo is in its new place; the old projects can go.
    *remaining = removeSources(j.sources, io);
    QFile::remove(journalPath());
    return {};
}

}  // namespace

QString journalPath()
{
    return PTProjectFile::projectsFolder() + QStringLiteral("/.merge.journal");
}

Recovery finishInterrupted(QString *note)
{
    const QString path = journalPath();
    if (!QFileInfo::exists(path))
        return Recovery::Nothing;
    const QString projects = PTProjectFile::projectsFolder();
    FolderLock lock(projects);
    if (!lock.locked() || !QFileInfo::exists(path))
        return Recovery::Nothing;  // a merge is running, or another finished it
    AtomicFile::removeAbandoned(projects);
    Journal j;
    QFile f(path);
    const bool read = f.open(QIODevice::ReadOnly) && j.fromJson(f.readAll());
    f.close();
    auto say = [&](const QString &text) {
        qWarning().noquote() << "[PTProjectMerge]" << text;
        if (note)
            *note = text;
    };
    if (!read) {
        // Written whole through the door or not at all: this is not ours.
        say(QStringLiteral("%1 is no merge journal; removed").arg(path));
        QFile::remove(path);
        return Recovery::Nothing;
    }
    const Io io = defaultIo();
    QStringList folders;
    for (const Target &t : qAsConst(j.targets)) {
        AtomicFile::removeAbandoned(t.folder);
        folders << t.folder;
    }
    const QString what = (j.targets.size() > 1 ? QStringLiteral("a split into %1") : QStringLiteral("a merge into %1"))
                             .arg(folders.join(QStringLiteral(" and ")));
    if (j.written()) {
        const QStringList remaining = removeSources(j.sources, io);
        QFile::remove(path);
        say(QStringLiteral("%1 that was cut off is finished%2")
                .arg(what, remaining.isEmpty() ? QString()
                                               : QStringLiteral("; left behind: ") + remaining.join(QStringLiteral(", "))));
        return Recovery::Finished;
    }
    if (!takeBack(j, j.moves, io)) {
        say(QStringLiteral("%1 that was cut off could not be taken back yet").arg(what));
        return Recovery::Failed;
    }
    say(QStringLiteral("%1 that was cut off is taken back").arg(what));
    return Recovery::RolledBack;
}

bool validName(const QString &name)
{
    static const QRegularExpression rule(QStringLiteral("\\A[\\w][\\w\\s\\-()]{1,99}\\z"),
                                         QRegularExpression::UseUnicodePropertiesOption);
    return rule.match(name).hasMatch();
}

Io defaultIo()
{
    Io io;
    // Never over a file of the same name.
    io.move = [](const QString &from, const QString &to, QString *error) {
        if (AtomicFile::renameNoReplace(from, to))
            return true;
        if (error)
            *error = AtomicFile::systemReason(errno);
        return false;
    };
    io.save = [](const QString &path, int type, const QVector<PTTag> &tags, QString *error) {
        return PTProjectFile::save(path, type, tags, error);
    };
    io.removeFolder = [](const QString &folder) { return Data::removeDirRecursively(folder); };
    return io;
}

Result merge(const QStringList &sourceNames, const QString &targetName, const QStringList &allProjects,
             const Io &io)
{
    Result result;
    if (!validName(targetName)) {
        result.title = tr("Invalid project name!");
        result.error = tr("The project name must have 2 to 100 characters: letters, digits, blanks, "
                          "\"_\", \"-\", \"(\" and \")\", starting with a letter, digit or \"_\".");
        return result;
    }
    if (indexOfName(allProjects, targetName) >= 0 && indexOfName(sourceNames, targetName) < 0) {
        result.title = tr("Project already exists!");
        result.error = tr("Your new project name already exists and is not part of the merging project. "
                          "Please choose another name, include the project or remane it.");
        return result;
    }
    // A merge cut off before ends first, so that what is read below is whole.
    finishInterrupted();
    // Read everything first: one unreadable file stops before any change.
    QVector<Source> sources;
    for (const QString &name : sourceNames) {
        Source s;
        s.name = name;
        QString error;
        if (PTProjectFile::load(PTProjectFile::projectFilePath(name), s.content, &error)
            != PTProjectFile::Status::Ok) {
            qDebug() << "[DBPhotoTaggerMergeDiag] mergedClicked: Cannot open project file: "
                     << PTProjectFile::projectFilePath(name);
            result.title = tr("Can't read project!");
            result.error = tr("The project %1 could not be read, so nothing was merged.\n%2").arg(name, error);
            return result;
        }
        s.type = s.content.version >= 120 ? s.content.imageType
                                          : PTProjectFile::imageTypeFromNames(s.content.tags, PTImageJpeg);
        sources.append(s);
    }
    for (const Source &s : sources) {
        if (s.type != sources.first().type) {
            result.title = tr("Different image types!");
            result.error = tr("The projects %1 and %2 hold different image types and cannot be merged.")
                               .arg(sources.first().name, s.name);
            return result;
        }
    }
    const int imageType = sources.isEmpty() ? int(PTImageJpeg) : sources.first().type;

    // Order by the first tag's time; equal times keep the given order.
    std::stable_sort(sources.begin(), sources.end(), [](const Source &a, const Source &b) {
        const QDateTime ta = a.content.tags.isEmpty() ? QDateTime() : a.content.tags.first().time;
        const QDateTime tb = b.content.tags.isEmpty() ? QDateTime() : b.content.tags.first().time;
        if (!ta.isValid() || !tb.isValid())
            return ta.isValid() && !tb.isValid();
        return ta < tb;
    });

    QStringList ordered;
    for (const Source &s : sources)
        ordered << s.name;
    const int targetIndex = indexOfName(ordered, targetName);
    const QString target = targetIndex >= 0 ? ordered.at(targetIndex) : targetName;
    const QString targetFolder = PTProjectFile::projectFolder(target);

    // Photos keep their names unless they clash with one merged before; the
    // first project named (the current one) never renames its photos.
    QSet<QString> taken;
    QVector<PTTag> merged;
    QList<Move> moves;
    QVector<QVector<PTTag>> perSource(sources.size());
    const QString first = sourceNames.isEmpty() ? QString() : sourceNames.first();
    auto claim = [&](int si) {
        const Source &s = sources.at(si);
        const QString folder = PTProjectFile::projectFolder(s.name);
        QVector<PTTag> tags = s.content.tags;
        for (PTTag &t : tags) {
            if (t.imageName.isEmpty())
                continue;
            const QString newName = clashFreeName(t.imageName, taken);
            taken.insert(newName.toLower());
            const QString from = folder + QLatin1Char('/') + t.imageName;
            const QString to = targetFolder + QLatin1Char('/') + newName;
            if (from != to && QFileInfo::exists(from)) {
                moves.append({from, to});
                const QString pf = folder + QLatin1Char('/') + PTProjectFile::previewName(t.imageName, imageType);
                if (QFileInfo::exists(pf))
                    moves.append({pf, targetFolder + QLatin1Char('/') + PTProjectFile::previewName(newName, imageType)});
            }
            t.imageName = newName;
        }
        perSource[si] = tags;
    };
    for (int i = 0; i < sources.size(); ++i)
        if (sources.at(i).name == first)
            claim(i);
    for (int i = 0; i < sources.size(); ++i)
        if (sources.at(i).name != first)
            claim(i);
    for (const QVector<PTTag> &tags : perSource)
        merged += tags;
    for (int i = 0; i < merged.size(); ++i)
        merged[i].tagValue = i + 1;

    // Renames inside the target folder go first, the last of a chain
    // (a -> a_, a_ -> a__) before the one that needs its name.
    QList<Move> inPlace, across;
    for (const Move &m : moves)
        (QFileInfo(m.from).absolutePath() == QFileInfo(m.to).absolutePath() ? inPlace : across).append(m);
    std::reverse(inPlace.begin(), inPlace.end());
    const QList<Move> plannedMoves = inPlace + across;

    Journal journal;
    journal.targets.append({targetFolder, false, targetFolder + QLatin1Char('/') + target + QStringLiteral(".zpt"), {}});
    for (const Source &s : sources)
        if (s.name != target)
            journal.sources << s.name;
    journal.moves = plannedMoves;
    const Failure f = carryOut(journal, {{imageType, merged}}, false, io, &result.remaining);
    if (f.step == Failure::None) {
        for (const Source &s : sources)
            if (s.name == target)
                Data::instance()->removeRecent(OpenKind::PhotoTagger, s.name);
        result.ok = true;
        return result;
    }
    result.title = tr("Merging failed!");
    const QString nothing = f.takenBack ? tr("Nothing was merged.")
                                        : tr("Not every photo could be moved back yet; that is done the next time "
                                             "the photo tagger projects are opened.");
    switch (f.step) {
    case Failure::None:
    case Failure::Busy:
        result.error = tr("Another merge of photo tagger projects is not finished yet. Nothing was merged.");
        break;
    case Failure::Prepare:
        result.error = tr("The merge could not be prepared. Nothing was merged.") + QStringLiteral("\n\n")
                       + AtomicFile::describe(f.file, f.reason);
        break;
    case Failure::Folder:
        result.error = tr("The folder %1 could not be created.").arg(f.file) + QLatin1Char(' ') + nothing
                       + QStringLiteral("\n\n") + AtomicFile::describe(f.file, f.reason);
        break;
    case Failure::Move:
        result.error = tr("The file %1 could not be moved to %2.").arg(f.file, f.to) + QLatin1Char(' ') + nothing
                       + QStringLiteral("\n\n") + AtomicFile::describe(f.file, f.reason);
        break;
    case Failure::Save:
        result.error = tr("The merged project file could not be written.") + QLatin1Char(' ') + nothing;
        if (!f.reason.isEmpty())
            result.error += QStringLiteral("\n\n") + AtomicFile::describe(f.file, f.reason);
        break;
    }
    return result;
}

Result split(const QString &source, int at, const QString &first, const QString &second, const Io &io)
{
    Result result;
    result.title = trSplit("Split failed!");
    const QString kept = trSplit("The project could not be split. The project \"%1\" was kept as it was.").arg(source);
    // A merge or split cut off before ends first, so that what is read below is whole.
    finishInterrupted();
    PTProjectContent content;
    QString error;
    if (PTProjectFile::load(PTProjectFile::projectFilePath(source), content, &error) != PTProjectFile::Status::Ok) {
        result.error = kept + QStringLiteral("\n\n") + AtomicFile::describe(PTProjectFile::projectFilePath(source), error);
        return result;
    }
    if (at < 1 || at >= content.tags.size() || !validName(first) || !validName(second)
        || first.compare(second, Qt::CaseInsensitive) == 0) {
        result.error = kept;
        return result;
    }

    const QString from = PTProjectFile::projectFolder(source);
    const QVector<PTTag> parts[2] = {content.tags.mid(0, at), content.tags.mid(at)};
    const QString names[2] = {first, second};
    Journal journal;
    QVector<Contents> contents;
    QHash<QString, int> partOf;  // photo -> the part it goes with
    for (int p = 0; p < 2; ++p) {
        const QString folder = PTProjectFile::projectFolder(names[p]);
        journal.targets.append({folder, true, folder + QLatin1Char('/') + names[p] + QStringLiteral(".zpt"), {}});
        contents.append({content.imageType, parts[p]});
        for (const PTTag &t : parts[p]) {
            if (t.imageName.isEmpty())
                continue;
            // One file cannot go with both parts.
            if (partOf.value(t.imageName, p) != p) {
                result.error = kept + QStringLiteral("\n\n")
                               + trSplit("The photo %1 is listed before and after the split point.").arg(t.imageName);
                return result;
            }
            if (partOf.contains(t.imageName))
                continue;
            partOf.insert(t.imageName, p);
            for (const QString &file : {t.imageName, PTProjectFile::previewName(t.imageName, content.imageType)}) {
                // A photo that is missing already stays listed, as it was.
                if (QFileInfo::exists(from + QLatin1Char('/') + file))
                    journal.moves.append({from + QLatin1Char('/') + file, folder + QLatin1Char('/') + file});
            }
        }
    }
    journal.sources << source;

    const Failure f = carryOut(journal, contents, true, io, &result.remaining);
    QString detail;
    switch (f.step) {
    case Failure::None:
        result.ok = true;
        return result;
    case Failure::Busy:
        result.error = trSplit("Another merge or split of photo tagger projects is not finished yet. The project "
                               "\"%1\" was kept as it was.")
                           .arg(source);
        return result;
    case Failure::Prepare:
    case Failure::Folder:
    case Failure::Save:
        detail = AtomicFile::describe(f.file, f.reason);
        break;
    case Failure::Move:
        detail = trSplit("%1 could not be moved to %2: %3")
                     .arg(QDir::toNativeSeparators(f.file), QDir::toNativeSeparators(f.to), f.reason);
        break;
    }
    result.error = f.takenBack ? kept
                               : trSplit("The project could not be split, and not every photo could be moved back "
                                         "into the project \"%1\" yet; that is done the next time the photo "
                                         "tagger projects are opened.")
                                     .arg(source);
    result.error += QStringLiteral("\n\n") + detail;
    return result;
}

}  // namespace PTProjectMerge
