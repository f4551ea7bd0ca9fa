// Copying log folders into the workspace and packing them for sending,
// without windows. Archives are judged by unzip and zipinfo.
#include "atomicfile/atomicfile.h"
#include "database/flightbook/logcopy.h"
#include "database/flightbook/logpack.h"
#include "logfixtures.h"
#include "support/testkit.h"

#include <QProcess>
#include <cerrno>
#include <cstring>
#include <QTemporaryDir>
#include <QtTest>

using namespace LogFixtures;

namespace {

void touch(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList fileNames(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

// Output of an outside tool; "" when it failed.
QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Entry names of an archive (zipinfo -1), sorted.
QStringList entries(const QString& zip)
{
    QStringList names = run("zipinfo", {"-1", zip}).split('\n', Qt::SkipEmptyParts);
    names.sort();
    return names;
}

// A log folder with a sub-folder and an extra file beside the log files.
QString logWithExtras(const QString& folder)
{
    write(folder, sydney());
    touch(folder + "/notes.txt", "landed in the grass\n");
    touch(folder + "/sub/inner.txt", "not part of the log\n");
    return folder;
}

} // namespace

class TestLogTransfer : public QObject
{
    Q_OBJECT

private slots:
    void copyNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("n");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("one log keeps the name") << "F" << 1 << 1 << QStringList{"F"};
        QTest::newRow("three from 1 count down") << "Flight" << 1 << 3 << QStringList{"Flight3", "Flight2", "Flight1"};
        QTest::newRow("start 9, no leading zeros") << "L" << 9 << 2 << QStringList{"L10", "L9"};
    }
    void copyNames()
    {
        QFETCH(QString, name);
        QFETCH(int, start);
        QFETCH(int, n);
        QFETCH(QStringList, names);
        QCOMPARE(LogCopy::names(name, start, n), names);
    }

    void copyLog()
    {
        QTemporaryDir dir;
        const QString source = logWithExtras(dir.filePath("card/LOG1"));
        const QString logs = dir.filePath("sd/logs");  // not there yet: made with its parents

        LogCopy::Result r = LogCopy::copyLog(source, logs, "Flight");
        QCOMPARE(r.status, LogCopy::Result::Copied);
        QCOMPARE(r.target, QDir(logs).absoluteFilePath("Flight"));
        QCOMPARE(fileNames(r.target), (QStringList{"KORVEL.IFO", "KORVEL.LOG", "notes.txt"}));
        for (const QString& f : fileNames(r.target))
            QCOMPARE(readAll(r.target + "/" + f), readAll(source + "/" + f));

        // Refusals copy nothing and leave what is there.
        QCOMPARE(LogCopy::copyLog(source, logs, "").status, LogCopy::Result::EmptyName);
        touch(logs + "/Taken/keep.txt", "mine");
        QCOMPARE(LogCopy::copyLog(source, logs, "Taken").status, LogCopy::Result::NameTaken);
        QCOMPARE(fileNames(logs + "/Taken"), QStringList{"keep.txt"});
        QCOMPARE(fileNames(logs), (QStringList{"Flight", "Taken"}));
    }

    void copyFailures()
    {
        QTemporaryDir dir;
        const QString source = logWithExtras(dir.filePath("card/LOG1"));

        // "logs" is a file: the folder cannot be made and that is said.
        touch(dir.filePath("sd/logs"), "a file");
        LogCopy::Result r = LogCopy::copyLog(source, dir.filePath("sd/logs"), "Flight");
        QCOMPARE(r.status, LogCopy::Result::Failed);
        QVERIFY2(r.error.contains("could not be created"), qPrintable(r.error));
        QVERIFY(!QFile::exists("/Flight"));

        // The source went away after it was listed.
        const QString logs = dir.filePath("ws/logs");
        r = LogCopy::copyLog(dir.filePath("card/gone"), logs, "Flight");
        QCOMPARE(r.status, LogCopy::Result::Failed);
        QVERIFY(!QFileInfo::exists(logs + "/Flight"));

        // A file vanishes between listing and copying: reported by name, the
        // half-made folder is removed, and the name can be used again.
        QByteArray saved;
        r = LogCopy::copyLog(source, logs, "Flight", [&](const QFileInfo& file) {
            if (file.fileName() == "notes.txt") {
                saved = readAll(file.absoluteFilePath());
                QFile::remove(file.absoluteFilePath());
            }
        });
        QCOMPARE(r.status, LogCopy::Result::Failed);
        const QString notes = source + "/notes.txt";
        QCOMPARE(r.error, QString("The file %1 could not be copied. %2")
                              .arg(notes, AtomicFile::describe(notes, QString::fromLocal8Bit(strerror(ENOENT)))));
        QVERIFY(!QFileInfo::exists(logs + "/Flight"));
        touch(notes, saved);

        // A file that cannot be read: named with the system's reason.
        {
            KorvelTest::FilePermissions permissions;
            QVERIFY(permissions.enforced());
            QVERIFY(QFile::setPermissions(notes, QFileDevice::WriteOwner));
            r = LogCopy::copyLog(source, logs, "Flight");
            QFile::setPermissions(notes, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        QCOMPARE(r.status, LogCopy::Result::Failed);
        QCOMPARE(r.error, QString("The file %1 could not be copied. %2")
                              .arg(notes, AtomicFile::describe(notes, QString::fromLocal8Bit(strerror(EACCES)))));
        QVERIFY(!QFileInfo::exists(logs + "/Flight"));
        QCOMPARE(LogCopy::copyLog(source, logs, "Flight").status, LogCopy::Result::Copied);
    }

    // What a killed copy left under the name (part of the log's files, some
    // cut off, and copy temporaries) is replaced by the whole log; anything
    // holding a file of its own, nothing at all, or the whole log keeps the name.
    void unfinishedCopyIsReplaced_data()
    {
        QTest::addColumn<QStringList>("present");  // name=bytes, "*" = the source's bytes
        QTest::addColumn<bool>("replaced");
        QTest::newRow("only the head file") << QStringList{"KORVEL.IFO=*"} << true;
        QTest::newRow("empty folder") << QStringList{} << false;
        QTest::newRow("records cut off") << QStringList{"KORVEL.IFO=*", "KORVEL.LOG=half"} << true;
        QTest::newRow("a copy's temporary") << QStringList{"KORVEL.LOG=*", "qt_temp.Ab12Cd=xyz"} << true;
        QTest::newRow("a file of its own") << QStringList{"KORVEL.IFO=*", "mine.txt=keep"} << false;
        QTest::newRow("records differ") << QStringList{"KORVEL.IFO=*", "KORVEL.LOG=other"} << false;
        QTest::newRow("the whole log") << QStringList{"KORVEL.IFO=*", "KORVEL.LOG=*", "notes.txt=*"} << false;
    }
    void unfinishedCopyIsReplaced()
    {
        QFETCH(QStringList, present);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString source = write(dir.filePath("card/LOG1"), sydney());
        touch(source + "/notes.txt", "landed in the grass\n");
        const QString logs = dir.filePath("ws/logs");
        const QString target = logs + "/Flight";
        QVERIFY(QDir().mkpath(target));
        QHash<QString, QByteArray> before;
        for (const QString& entry : present) {
            const QString name = entry.section('=', 0, 0), text = entry.section('=', 1);
            const QByteArray whole = readAll(source + "/" + name);
            // "half": the first half of the source's file.
            const QByteArray bytes = text == "*"      ? whole
                                     : text == "half" ? whole.left(whole.size() / 2)
                                                      : text.toUtf8();
            touch(target + "/" + name, bytes);
            before.insert(name, bytes);
        }
        const LogCopy::Result r = LogCopy::copyLog(source, logs, "Flight");
        QCOMPARE(r.status, replaced ? LogCopy::Result::Copied : LogCopy::Result::NameTaken);
        if (replaced) {
            QCOMPARE(fileNames(target), (QStringList{"KORVEL.IFO", "KORVEL.LOG", "notes.txt"}));
            for (const QString& f : fileNames(target))
                QCOMPARE(readAll(target + "/" + f), readAll(source + "/" + f));
        } else {
            QStringList names = before.keys();
            names.sort();
            QCOMPARE(fileNames(target), names);
            for (auto it = before.constBegin(); it != before.constEnd(); ++it)
                QCOMPARE(readAll(target + "/" + it.key()), it.value());
        }
        // Nothing hidden stays beside it.
        QCOMPARE(QDir(logs).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"Flight"});
    }

    void imageCountSkipsUnreadable()
    {
        QTemporaryDir dir;
        const QString a = write(dir.filePath("A"), sydney());
        touch(dir.filePath("B/KORVEL.IFO"), "not a log");
        QStringList unreadable;
        QCOMPARE(LogCopy::imageCount({a, dir.filePath("B"), a}, &unreadable), 4);
        QCOMPARE(unreadable, QStringList{"B"});
    }

    void zipFileName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("used");
        QTest::newRow("no extension") << "/x/logs" << "/x/logs.zip";
        QTest::newRow("lower case") << "/x/logs.zip" << "/x/logs.zip";
        QTest::newRow("upper case kept") << "/x/LOGS.ZIP" << "/x/LOGS.ZIP";
        QTest::newRow("other extension") << "/x/logs.tar" << "/x/logs.tar.zip";
        QTest::newRow("zip inside the name") << "/x/logs.zipped" << "/x/logs.zipped.zip";
    }
    void zipFileName()
    {
        QFETCH(QString, typed);
        QFETCH(QString, used);
        QCOMPARE(LogPack::zipFileName(typed), used);
    }

    void packTwoLogs()
    {
        QTemporaryDir dir;
        const QString a = logWithExtras(dir.filePath("card/A"));
        const QString b = write(dir.filePath("card/sub/B"), sydney());
        const QString zip = dir.filePath("out/send.zip");
        QDir().mkpath(dir.filePath("out"));
        touch(zip, "an older archive that is replaced");

        QStringList steps;
        const LogPack::Result r = LogPack::pack({b, a}, zip, [&](LogPack::Step s, const QString& path) {
            steps << (s == LogPack::NextLog ? "log " : "file ") + QFileInfo(path).fileName();
            return true;
        });
        QVERIFY(r.complete());
        QCOMPARE(r.logsPacked, 2);
        QCOMPARE(steps.first(), QString("log B"));
        QCOMPARE(steps.filter("log ").size(), 2);
        QCOMPARE(steps.filter("file ").size(), 5);
        QCOMPARE(entries(zip), (QStringList{"A/KORVEL.IFO", "A/KORVEL.LOG", "A/notes.txt", "B/KORVEL.IFO",
                                            "B/KORVEL.LOG"}));
        QVERIFY(run("unzip", {"-tq", zip}).contains("No errors"));
        // Deflated, each entry byte for byte.
        const QString verbose = run("zipinfo", {zip});
        QCOMPARE(verbose.count(" defN "), 5);
        QCOMPARE(run("unzip", {"-p", zip, "A/notes.txt"}).toUtf8(), readAll(a + "/notes.txt"));
        QCOMPARE(run("unzip", {"-p", zip, "B/KORVEL.LOG"}).toUtf8(), readAll(b + "/KORVEL.LOG"));
        // Nothing left beside the archive.
        QCOMPARE(fileNames(dir.filePath("out")), QStringList{"send.zip"});
    }

    void packCancelAndMissingFiles()
    {
        QTemporaryDir dir;
        const QString a = write(dir.filePath("A"), sydney());
        const QString b = write(dir.filePath("B"), sydney());

        // Cancelled before the second log: a valid archive of the first.
        const QString cancelled = dir.filePath("cancel.zip");
        LogPack::Result r = LogPack::pack({a, b}, cancelled, [](LogPack::Step s, const QString& path) {
            return !(s == LogPack::NextLog && path.endsWith("/B"));
        });
        QVERIFY(r.created);
        QVERIFY(r.cancelled);
        QVERIFY(!r.complete());
        QCOMPARE(r.logsPacked, 1);
        QCOMPARE(entries(cancelled), (QStringList{"A/KORVEL.IFO", "A/KORVEL.LOG"}));
        QVERIFY(run("unzip", {"-tq", cancelled}).contains("No errors"));

        // A file gone after the folder was listed is named, not passed over.
        const QString partial = dir.filePath("partial.zip");
        r = LogPack::pack({a, b}, partial, [&](LogPack::Step s, const QString& path) {
            if (s == LogPack::NextFile && path == b + "/KORVEL.LOG")
                QFile::remove(path);
            return true;
        });
        QVERIFY(r.created);
        QVERIFY(!r.complete());
        QCOMPARE(r.leftOut, QStringList{"B/KORVEL.LOG"});
        QCOMPARE(entries(partial), (QStringList{"A/KORVEL.IFO", "A/KORVEL.LOG", "B/KORVEL.IFO"}));

        // The archive cannot be moved into place (a folder holds the name):
        // what was there stays, and nothing is left beside it.
        const QString taken = dir.filePath("out/taken.zip");
        touch(taken + "/keep.txt", "mine");
        r = LogPack::pack({a}, taken);
        QVERIFY(!r.created);
        QVERIFY(!r.error.isEmpty());
        QCOMPARE(readAll(taken + "/keep.txt"), QByteArray("mine"));
        QCOMPARE(fileNames(dir.filePath("out")), QStringList{"taken.zip"});

        // No folder to write into: an error, and no stray file.
        r = LogPack::pack({a}, dir.filePath("none/x.zip"));
        QVERIFY(!r.created);
        QVERIFY(!r.error.isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath("none")));
    }
};

KORVEL_TEST_MAIN(TestLogTransfer)
#include "test_logtransfer.moc"
