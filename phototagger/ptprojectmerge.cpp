#include "phototagger/ptprojectmerge.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "phototagger/ptprojectfile.h"

namespace PTProjectMerge {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("DBPhotoTaggerMergeDiag", text); }

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

// The merge as the journal keeps it.
struct Journal {
    QString targetFolder;
    bool newFolder = false;
    QString projectFile;
    QByteArray merged;  // digest of the merged project file
    QStringList sources;  // projects that go once the merge is done
    QList<Move> moves;

    QByteArray toJson() const
    {
        QJsonArray m;
        for (const Move &move : moves)
            m.append(QJsonArray{move.from, move.to});
        QJsonObject o{{QStringLiteral("targetFolder"), targetFolder},
                      {QStringLiteral("newFolder"), newFolder},
                      {QStringLiteral("projectFile"), projectFile},
                      {QStringLiteral("merged"), QString::fromLatin1(merged)},
                      {QStringLiteral("sources"), QJsonArray::fromStringList(sources)},
                      {QStringLiteral("moves"), m}};
        return QJsonDocument(o).toJson();
    }
    bool fromJson(const QByteArray &bytes)
    {
        const QJsonObject o = QJsonDocument::fromJson(bytes).object();
        targetFolder = o.value(QStringLiteral("targetFolder")).toString();
        newFolder = o.value(QStringLiteral("newFolder")).toBool();
        projectFile = o.value(QStringLiteral("projectFile")).toString();
        merged = o.value(QStringLiteral("merged")).toString().toLatin1();
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
        return !targetFolder.isEmpty() && !projectFile.isEmpty() && merged.size() == 64;
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
        if (!io.move(m.to, m.from)) {
            qWarning() << "[PTProjectMerge] could not move back" << m.to;
            ok = false;
        }
    }
    return ok;
}

// A target folder the merge made goes again once nothing of it is left but
// temporary files of writes that were cut off.
void removeNewFolder(const QString &folder)
{
    AtomicFile::removeAbandoned(folder);
    QDir().rmdir(folder);
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
    AtomicFile::removeAbandoned(j.targetFolder);
    if (fileDigest(j.projectFile) == j.merged) {
        const QStringList remaining = removeSources(j.sources, io);
        QFile::remove(path);
        say(QStringLiteral("a merge into %1 that was cut off is finished%2")
                .arg(j.targetFolder,
                     remaining.isEmpty() ? QString()
                                         : QStringLiteral("; left behind: ") + remaining.join(QStringLiteral(", "))));
        return Recovery::Finished;
    }
    if (!moveBack(j.moves, io)) {
        say(QStringLiteral("a merge into %1 that was cut off could not be taken back yet").arg(j.targetFolder));
        return Recovery::Failed;
    }
    if (j.newFolder)
        removeNewFolder(j.targetFolder);
    QFile::remove(path);
    say(QStringLiteral("a merge into %1 that was cut off is taken back").arg(j.targetFolder));
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
    io.move = [](const QString &from, const QString &to) { return AtomicFile::renameNoReplace(from, to); };
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

    // The journal comes before any change: a merge cut off from here on is
    // finished or taken back by finishInterrupted().
    FolderLock lock(PTProjectFile::projectsFolder());
    if (!lock.locked() || QFileInfo::exists(journalPath())) {
        result.title = tr("Merging failed!");
        result.error = tr("Another merge of photo tagger projects is not finished yet. Nothing was merged.");
        return result;
    }
    const QString projectFile = targetFolder + QLatin1Char('/') + target + QStringLiteral(".zpt");
    Journal journal;
    journal.targetFolder = targetFolder;
    journal.newFolder = !QFileInfo::exists(targetFolder);
    journal.projectFile = projectFile;
    {
        QBuffer bytes;
        bytes.open(QIODevice::WriteOnly);
        PTProjectFile::write(bytes, imageType, merged);
        journal.merged = digest(bytes.data());
    }
    for (const Source &s : sources)
        if (s.name != target)
            journal.sources << s.name;
    journal.moves = plannedMoves;
    QString journalError;
    if (!AtomicFile::write(journalPath(), journal.toJson(), &journalError)) {
        result.title = tr("Merging failed!");
        result.error = tr("The merge could not be prepared. Nothing was merged.") + QStringLiteral("\n\n")
                       + AtomicFile::describe(journalPath(), journalError);
        return result;
    }
    const bool newFolder = journal.newFolder;
    if (newFolder && !QDir().mkpath(targetFolder)) {
        QFile::remove(journalPath());
        result.title = tr("Merging failed!");
        result.error = tr("The folder %1 could not be created.").arg(targetFolder);
        return result;
    }
    QList<Move> done;
    auto rollBack = [&] {
        if (moveBack(done, io)) {
            if (newFolder)
                removeNewFolder(targetFolder);
            QFile::remove(journalPath());
        }
    };
    for (const Move &m : plannedMoves) {
        if (!io.move(m.from, m.to)) {
            rollBack();
            result.title = tr("Merging failed!");
            result.error = tr("The file %1 could not be moved to %2. Nothing was merged.").arg(m.from, m.to);
            return result;
        }
        done.append(m);
    }
    QString error;
    if (!io.save(projectFile, imageType, merged, &error)) {
        rollBack();
        result.title = tr("Merging failed!");
        result.error = tr("The merged project file could not be written. Nothing was merged.");
        if (!error.isEmpty())
            result.error += QStringLiteral("\n\n") + AtomicFile::describe(projectFile, error);
        return result;
    }
    // Every photo is in its new place; the old projects can go.
    result.remaining = removeSources(journal.sources, io);
    for (const Source &s : sources)
        if (s.name == target)
            Data::instance()->removeRecent(OpenKind::PhotoTagger, s.name);
    QFile::remove(journalPath());
    result.ok = true;
    return result;
}

}  // namespace PTProjectMerge
