// Writes killed on the way: a helper program (pt_killhelper) performs the
// geotag export, Export to Image, EXIF on a file or a merge of projects and
// prints a line after each step; it is killed after a chosen line, either
// held there (--pause) or running on. Afterwards every target is the old
// file or the new whole one, a second run repairs what was left, and a
// killed merge is finished or taken back when the projects are next opened.
#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "core/atomicfile/atomicfile.h"
#include "core/data.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptphotofile.h"
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

// Starts the helper, waits for `after` lines (any line when 0) and kills it;
// with pause the helper waits after that line, so the kill lands exactly
// there, without it the helper runs on until the kill arrives.
Run killAfter(const QStringList &args, int after, bool pause)
{
    QProcess p;
    QStringList all = args;
    if (pause)
        all << "--pause" << QString::number(after);
    p.start(QCoreApplication::applicationDirPath() + "/pt_killhelper", all);
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

// Runs the helper to its end.
QStringList runWhole(const QStringList &args)
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + "/pt_killhelper", args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
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
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        Data::instance();
        QVERIFY(QFileInfo::exists(QCoreApplication::applicationDirPath() + "/pt_killhelper"));
    }

    // Six photos; in the target folder before: a whole copy of the first
    // (kept, only tagged), a cut-off copy of the second (as a killed export
    // of old left it) and a stray temporary file of a killed write.
    void geotagExport_data()
    {
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("pause");
        for (int line = 1; line <= 7; ++line) {
            QTest::addRow("held after line %d", line) << line << true;
            QTest::addRow("running on after line %d", line) << line << false;
        }
    }
    void geotagExport()
    {
        QFETCH(int, after);
        QFETCH(bool, pause);
        const QString project = PTProjectFile::projectFolder("killed");
        auto prepare = [&](const QString &folder) {
            QDir(folder).removeRecursively();
            QDir().mkpath(folder);
            QVERIFY(AtomicFile::write(folder + "/P0.jpg", bytesOf(project + "/P0.jpg")));
            QVERIFY(AtomicFile::write(folder + "/P1.jpg", bytesOf(project + "/P1.jpg").left(3000)));
            QVERIFY(AtomicFile::write(folder + "/.P2.jpg.x1y2z3.part", QByteArray(5000, 'x')));
        };
        const QString ref = m_dir.filePath("ref"), out = m_dir.filePath("out");
        PTData d;
        if (!QFileInfo::exists(project)) {  // made once for every row
            QVector<PTTag> tags;
            for (int i = 0; i < 6; ++i)
                tags << PTFixture::tag(QStringLiteral("P%1.jpg").arg(i), 48 + i * 0.01);
            PTFixture::project("killed", tags);
            for (int i = 0; i < 6; ++i)
                QVERIFY(PTFixture::photo(project + QStringLiteral("/P%1.jpg").arg(i), 900 + i, 700));
            prepare(ref);
            QCOMPARE(d.loadProject("killed"), 120);
            QStringList failed;
            QVERIFY(d.copyFiles(ref, &failed));
            QCOMPARE(failed, QStringList());
        }
        prepare(out);
        QMap<QString, QByteArray> before;
        for (const QString &f : QDir(out).entryList(QDir::Files))
            before[f] = bytesOf(out + "/" + f);
        QCOMPARE(d.loadProject("killed"), 120);
        QStringList failed;

        const Run run = killAfter({"geotag", "killed", out}, after, pause);
        QVERIFY(run.lines.size() >= qMin(after, 7));
        // Every photo is the old file, the new whole one, or not there.
        for (int i = 0; i < 6; ++i) {
            const QString name = QStringLiteral("P%1.jpg").arg(i);
            const QByteArray now = bytesOf(out + "/" + name);
            const bool old = QFileInfo::exists(out + "/" + name) ? now == before.value(name)
                                                                   : !before.contains(name);
            QVERIFY2(old || now == bytesOf(ref + "/" + name), qPrintable(name));
            if (!old)
                QVERIFY(PTPhotoFile::isWhole(out + "/" + name));
        }
        // A second export finishes the job and clears what the kill left.
        QVERIFY(d.copyFiles(out, &failed));
        QCOMPARE(failed, QStringList());
        for (int i = 0; i < 6; ++i) {
            const QString name = QStringLiteral("P%1.jpg").arg(i);
            QVERIFY2(bytesOf(out + "/" + name) == bytesOf(ref + "/" + name), qPrintable(name));
        }
        QCOMPARE(hidden(out), QStringList());
    }

    void exportToImage_data()
    {
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("pause");
        for (int line = 1; line <= 2; ++line) {
            QTest::addRow("held after line %d", line) << line << true;
            QTest::addRow("running on after line %d", line) << line << false;
        }
    }
    void exportToImage()
    {
        QFETCH(int, after);
        QFETCH(bool, pause);
        const QString ref = m_dir.filePath("ref.jpg"), out = m_dir.filePath("export.jpg");
        if (!QFileInfo::exists(ref))
            QCOMPARE(runWhole({"image", ref}).value(2), QStringLiteral("done"));
        const QByteArray old = "an older export";
        QVERIFY(AtomicFile::write(out, old));
        killAfter({"image", out}, after, pause);
        const QByteArray now = bytesOf(out);
        QVERIFY(now == old || now == bytesOf(ref));
        QCOMPARE(runWhole({"image", out}).value(2), QStringLiteral("done"));
        QCOMPARE(bytesOf(out), bytesOf(ref));
        QCOMPARE(hidden(m_dir.path()), QStringList());
        // exiftool reads the tags of the door's write.
        const auto t = PTFixture::exiftool(out);
        QCOMPARE(t.value("[IFD0] Make"), QStringLiteral("FLIR"));
        QCOMPARE(t.value("[GPS] GPSLatitude").toDouble(), 48.1);
        QCOMPARE(t.value("[GPS] GPSAltitude"), QStringLiteral("512"));
    }

    void exifOnAFile_data() { exportToImage_data(); }
    void exifOnAFile()
    {
        QFETCH(int, after);
        QFETCH(bool, pause);
        // A big photo: reading, tagging and writing it takes a while.
        const QString folder = m_dir.filePath("exif");
        const QString ref = folder + "/ref.jpg", photo = folder + "/photo.jpg", old = folder + "/old.jpg";
        if (!QFileInfo::exists(ref)) {  // made once for every row
            QDir().mkpath(folder);
            QVERIFY(PTFixture::photo(old, 6000, 4000));
            QVERIFY(AtomicFile::write(ref, bytesOf(old)));
            QCOMPARE(runWhole({"exif", ref}).value(1), QStringLiteral("done"));
        }
        QVERIFY(AtomicFile::write(photo, bytesOf(old)));
        killAfter({"exif", photo}, after, pause);
        const QByteArray now = bytesOf(photo);
        QVERIFY(now == bytesOf(old) || now == bytesOf(ref));
        QCOMPARE(runWhole({"exif", photo}).value(1), QStringLiteral("done"));
        QCOMPARE(bytesOf(photo), bytesOf(ref));
        QCOMPARE(hidden(folder), QStringList());
        const auto t = PTFixture::exiftool(photo);
        QCOMPARE(t.value("[IFD0] Software"), QStringLiteral("Kill test"));
        QCOMPARE(t.value("[IFD0] Make"), QStringLiteral("Vetrel"));  // the photo's own tags stay
    }

    // Three projects; PA and PB have photos of the same name, so the merge
    // renames one; all join into the existing PA or into a new one.
    void merge_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("pause");
        // Into PA: 4 moves (PB's and PC's photos and previews), save, 2
        // removals; into Joined: 8 moves, save, 3 removals.
        for (int line = 1; line <= 7; ++line)
            QTest::addRow("into PA, held after line %d", line) << "PA" << line << true;
        for (int line = 1; line <= 12; ++line)
            QTest::addRow("into Joined, held after line %d", line) << "Joined" << line << true;
        QTest::newRow("into PA, running on after line 1") << "PA" << 1 << false;
        QTest::newRow("into Joined, running on after line 4") << "Joined" << 4 << false;
    }
    void merge()
    {
        QFETCH(QString, target);
        QFETCH(int, after);
        QFETCH(bool, pause);
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

        const Run run = killAfter({"merge", target, "PA", "PB", "PC"}, after, pause);
        QVERIFY2(!run.finished || !pause, qPrintable(run.lines.join(" | ")));
        QVERIFY2(!run.lines.join(' ').contains("failed"), qPrintable(run.lines.join(" | ")));
        // The next open of a project finishes or takes back the merge.
        PTData opened;
        opened.loadProject("PA");
        QVERIFY(!QFileInfo::exists(PTProjectMerge::journalPath()));
        QCOMPARE(identities(), before);
        QVERIFY2(filesAgree(&why), qPrintable(why));
        const QStringList projects = QDir(PTProjectFile::projectsFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        const bool saved = run.lines.contains("save");
        if (pause && !saved)
            QCOMPARE(projects, (QStringList{"PA", "PB", "PC"}));
        else if (pause)
            QCOMPARE(projects, QStringList{target});
        else
            QVERIFY(projects == (QStringList{"PA", "PB", "PC"}) || projects == QStringList{target});
        QCOMPARE(hidden(PTProjectFile::projectsFolder()), QStringList());
    }
};

KORVEL_TEST_MAIN(TestPTKill)
#include "test_ptkill.moc"
