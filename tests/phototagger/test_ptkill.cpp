// A merge of projects killed at a known point: the helper (pt_killhelper)
// merges and prints a line after each move, the save of the merged file and
// each removal, then waits there until it is killed. The next open of a
// project then finishes the merge when the merged file was saved before the
// kill, and takes it back otherwise. (Every other writer, and the merge
// killed while it runs on, are in tests/safety.)
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
};

KORVEL_TEST_MAIN(TestPTKill)
#include "test_ptkill.moc"
