#include "phototagger/ptprojectmerge.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>

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

}  // namespace

bool validName(const QString &name)
{
    static const QRegularExpression rule(QStringLiteral("\\A[\\w][\\w\\s\\-()]{1,99}\\z"),
                                         QRegularExpression::UseUnicodePropertiesOption);
    return rule.match(name).hasMatch();
}

Io defaultIo()
{
    Io io;
    io.move = [](const QString &from, const QString &to) { return QFile::rename(from, to); };
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

    const bool newFolder = !QFileInfo::exists(targetFolder);
    if (newFolder && !QDir().mkpath(targetFolder)) {
        result.title = tr("Merging failed!");
        result.error = tr("The folder %1 could not be created.").arg(targetFolder);
        return result;
    }
    QList<Move> done;
    auto rollBack = [&] {
        for (int i = done.size() - 1; i >= 0; --i)
            if (!io.move(done.at(i).to, done.at(i).from))
                qWarning() << "[PTProjectMerge] could not move back" << done.at(i).to;
        if (newFolder)
            QDir().rmdir(targetFolder);
    };
    // Renames inside the target folder go first, the last of a chain
    // (a -> a_, a_ -> a__) before the one that needs its name.
    QList<Move> inPlace, across;
    for (const Move &m : moves)
        (QFileInfo(m.from).absolutePath() == QFileInfo(m.to).absolutePath() ? inPlace : across).append(m);
    std::reverse(inPlace.begin(), inPlace.end());
    for (const Move &m : inPlace + across) {
        if (!io.move(m.from, m.to)) {
            rollBack();
            result.title = tr("Merging failed!");
            result.error = tr("The file %1 could not be moved to %2. Nothing was merged.").arg(m.from, m.to);
            return result;
        }
        done.append(m);
    }
    QString error;
    if (!io.save(targetFolder + QLatin1Char('/') + target + QStringLiteral(".zpt"), imageType, merged, &error)) {
        rollBack();
        result.title = tr("Merging failed!");
        result.error = tr("The merged project file could not be written. Nothing was merged.\n%1").arg(error);
        return result;
    }
    // Every photo is in its new place; the old projects can go.
    for (const Source &s : sources) {
        if (s.name == target)
            continue;
        const QString folder = PTProjectFile::projectFolder(s.name);
        QFile::remove(PTProjectFile::projectFilePath(s.name));
        if (!io.removeFolder(folder) && QFileInfo::exists(folder)) {
            const QFileInfoList left = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
            for (const QFileInfo &f : left)
                result.remaining << f.absoluteFilePath();
            if (left.isEmpty())
                result.remaining << folder;
        }
    }
    for (const Source &s : sources)
        Data::instance()->removeRecent(OpenKind::PhotoTagger, s.name);
    result.ok = true;
    return result;
}

}  // namespace PTProjectMerge
