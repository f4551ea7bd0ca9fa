// A merge or split of projects killed at a known point: the helper
// (pt_killhelper) prints a line after each move, each save of a project
// file and each removal, then waits there until it is killed. The next open
// of a project then finishes the merge or split when every new project file
// was saved before the kill, and takes it back otherwise. (Every other writer, and the merge
// killed while it runs on, are in tests/safety.)
#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QtTest>

#include "core/data.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptprojectmerge.h"
#include "ptfixtures.h"
#include "support/testkit.h"

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList hidden(const QString &dir)
{
    QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.erase(std::remove_if(names.begin(), names.end(), [](const QString &n) { return !n.startsWith('.'); }),
                names.end());
    return names;
}

struct Run {
    QStringList lines;
    bool finished = false;  // ended on its own before the kill
};

// Starts the helper, which waits after line `after`, reads that many
// lines and kills it there.
Run killAfter(const QStringList &args, int after)
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + "/pt_killhelper",
            args + QStringList{"--pause", QString::number(after)});
    Run run;
    if (!p.waitForStarted(20000))
        return run;
    while (run.lines.size() < after) {
        if (!p.canReadLine() && !p.waitForReadyRead(30000))
            break;
        while (p.canReadLine())
            run.lines << QString::fromUtf8(p.readLine()).trimmed();
    }
    run.finished = p.state() == QProcess::NotRunning;
    p.kill();
    p.waitForFinished(20000);
    return run;
}

QByteArray hashOf(const QString &path)
{
    return QCryptographicHash::hash(bytesOf(path), QCryptographicHash::Sha1);
}

// Every photo and preview of every project, by content.
QMap<QByteArray, int> identities()
{
    QMap<QByteArray, int> ids;
    const QString root = PTProjectFile::projectsFolder();
    for (const QString &p : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QString &f : QDir(root + "/" + p).entryList({"*.jpg", "*.JPG"}, QDir::Files))
            ++ids[hashOf(root + "/" + p + "/" + f)];
    return ids;
}

// Each project folder holds exactly the photos its file lists, each with its
// preview, and nothing else but the file.
bool filesAgree(QString *why)
{
    const QString root = PTProjectFile::projectsFolder();
    for (const QString &p : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        PTProjectContent c;
        if (PTProjectFile::load(PTProjectFile::projectFilePath(p), c) != PTProjectFile::Status::Ok) {
            *why = p + ": no project file";
            return false;
        }
        QStringList expected{p + ".zpt"};
        for (const PTTag &t : c.tags)
            if (!t.imageName.isEmpty())
                expected << t.imageName << PTProjectFile::previewName(t.imageName, PTImageJpeg);
        QStringList present = QDir(root + "/" + p).entryList(QDir::Files | QDir::Hidden);
        expected.sort();
        present.sort();
        if (expected != present) {
            *why = p + ": " + present.join(',') + " but lists " + expected.join(',');
            return false;
        }
    }
    return true;
}

}  // namespace

class TestPTKill : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Data::instance();
        QVERIFY(QFileInfo::exists(QCoreApplication::applicationDirPath() + "/pt_killhelper"));
    }

    // Three projects; PA and PB have photos of the same name, so the merge
    // renames one; all join into the existing PA or into a new one.
    void merge_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("after");
        // Into PA: 4 moves (PB's and PC's photos and previews), save, 2
        // removals; into Joined: 8 moves, save, 3 removals.
        for (int line = 1; line <= 7; ++line)
            QTest::addRow("into PA, after line %d", line) << "PA" << line;
        for (int line = 1; line <= 12; ++line)
            QTest::addRow("into Joined, after line %d", line) << "Joined" << line;
    }
    void merge()
    {
        QFETCH(QString, target);
        QFETCH(int, after);
        QDir(PTProjectFile::projectsFolder()).removeRecursively();
        int size = 40;
        auto make = [&](const QString &name, const QStringList &photos, int minutes) {
            QVector<PTTag> tags;
            for (const QString &p : photos) {
                PTTag t = PTFixture::tag(p);
                t.time = t.time.addSecs(minutes * 60);
                tags << t << PTFixture::tag(QString());
            }
            const QString folder = PTFixture::project(name, tags);
            for (const QString &p : photos) {
                QVERIFY(PTFixture::photo(folder + "/" + p, size, 30, false));
                QVERIFY(PTFixture::photo(folder + "/thumb_" + p, size++, 20, false));
            }
        };
        make("PA", {"IMG_1.jpg", "a.jpg"}, 0);
        make("PB", {"IMG_1.jpg"}, 10);
        make("PC", {"c.jpg"}, 20);
        const QMap<QByteArray, int> before = identities();
        QString why;
        QVERIFY2(filesAgree(&why), qPrintable(why));

        const Run run = killAfter({"merge", target, "PA", "PB", "PC"}, after);
        QVERIFY2(!run.finished, qPrintable(run.lines.join(" | ")));
        QVERIFY2(!run.lines.join(' ').contains("failed"), qPrintable(run.lines.join(" | ")));
        // The next open of a project finishes or takes back the merge.
        PTData opened;
        opened.loadProject("PA");
        QVERIFY(!QFileInfo::exists(PTProjectMerge::journalPath()));
        QCOMPARE(identities(), before);
        QVERIFY2(filesAgree(&why), qPrintable(why));
        const QStringList projects = QDir(PTProjectFile::projectsFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        const bool saved = run.lines.contains("save");
        if (saved)
            QCOMPARE(projects, QStringList{target});
        else
            QCOMPARE(projects, (QStringList{"PA", "PB", "PC"}));
        QCOMPARE(hidden(PTProjectFile::projectsFolder()), QStringList());
    }

    // One project of six tags, four with a photo and its preview, split
    // after the third tag: 8 moves, 2 saves, 1 removal.
    void split_data()
    {
        QTest::addColumn<int>("after");
        for (int line = 1; line <= 11; ++line)
            QTest::addRow("after line %d", line) << line;
    }
    void split()
    {
        QFETCH(int, after);
        QDir(PTProjectFile::projectsFolder()).removeRecursively();
        const QStringList photos{"s0.jpg", "", "s1.jpg", "s2.jpg", "", "s3.jpg"};
        QVector<PTTag> tags;
        for (const QString &p : photos)
            tags << PTFixture::tag(p);
        const QString folder = PTFixture::project("Whole", tags);
        int size = 40;
        for (const QString &p : photos) {
            if (p.isEmpty())
                continue;
            QVERIFY(PTFixture::photo(folder + "/" + p, size++, 30, false));
            QVERIFY(PTFixture::photo(folder + "/thumb_" + p, size++, 20, false));
        }
        const QMap<QByteArray, int> before = identities();

        const Run run = killAfter({"split", "Whole", "3", "West", "East"}, after);
        QVERIFY2(!run.finished, qPrintable(run.lines.join(" | ")));
        QVERIFY2(!run.lines.join(' ').contains("failed"), qPrintable(run.lines.join(" | ")));
        PTData opened;
        opened.loadProject("West");
        QVERIFY(!QFileInfo::exists(PTProjectMerge::journalPath()));
        // Every photo is there once, listed by the project it is in.
        QCOMPARE(identities(), before);
        QString why;
        QVERIFY2(filesAgree(&why), qPrintable(why));
        const QStringList projects = QDir(PTProjectFile::projectsFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (run.lines.count("save") == 2) {
            QCOMPARE(projects, (QStringList{"East", "West"}));
            PTProjectContent west, east;
            QCOMPARE(PTProjectFile::load(PTProjectFile::projectFilePath("West"), west), PTProjectFile::Status::Ok);
            QCOMPARE(PTProjectFile::load(PTProjectFile::projectFilePath("East"), east), PTProjectFile::Status::Ok);
            QCOMPARE(west.tags + east.tags, tags);
        } else {
            QCOMPARE(projects, QStringList{"Whole"});
            PTProjectContent whole;
            QCOMPARE(PTProjectFile::load(PTProjectFile::projectFilePath("Whole"), whole), PTProjectFile::Status::Ok);
            QCOMPARE(whole.tags, tags);
        }
        QCOMPARE(hidden(PTProjectFile::projectsFolder()), QStringList());
    }

    // The journal of a merge as the earlier version wrote it (one target,
    // its keys at the top) is still finished or taken back.
    void earlierJournal_data()
    {
        QTest::addColumn<bool>("written");
        QTest::newRow("merged file not written") << false;
        QTest::newRow("merged file written") << true;
    }
    void earlierJournal()
    {
        QFETCH(bool, written);
        const QString root = PTProjectFile::projectsFolder();
        QDir(root).removeRecursively();
        const QVector<PTTag> tags{PTFixture::tag("b.jpg")};
        PTFixture::project("Old", tags);
        QVERIFY(QDir().mkpath(root + "/New"));
        QVERIFY(PTFixture::photo(root + "/New/b.jpg", 40, 30, false));  // moved before the kill
        QBuffer merged;
        merged.open(QIODevice::WriteOnly);
        QVERIFY(PTProjectFile::write(merged, PTImageJpeg, tags));
        if (written)
            QVERIFY(PTProjectFile::save(root + "/New/New.zpt", PTImageJpeg, tags));
        const QByteArray journal =
            "{\"targetFolder\": \"" + QFile::encodeName(root) + "/New\", \"newFolder\": true, \"projectFile\": \""
            + QFile::encodeName(root) + "/New/New.zpt\", \"merged\": \""
            + QCryptographicHash::hash(merged.data(), QCryptographicHash::Sha256).toHex() + "\", \"sources\": [\"Old\"], "
            "\"moves\": [[\"" + QFile::encodeName(root) + "/Old/b.jpg\", \"" + QFile::encodeName(root) + "/New/b.jpg\"]]}";
        QFile f(PTProjectMerge::journalPath());
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(journal) == journal.size());
        f.close();
        QCOMPARE(PTProjectMerge::finishInterrupted(),
                 written ? PTProjectMerge::Recovery::Finished : PTProjectMerge::Recovery::RolledBack);
        const QString kept = written ? "New" : "Old";
        QCOMPARE(QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{kept});
        QStringList files = QDir(root + "/" + kept).entryList(QDir::Files);
        files.sort();
        QCOMPARE(files, (QStringList{kept + ".zpt", "b.jpg"}));
        QVERIFY(!QFileInfo::exists(PTProjectMerge::journalPath()));
    }
};

KORVEL_TEST_MAIN(TestPTKill)
#include "test_ptkill.moc"
