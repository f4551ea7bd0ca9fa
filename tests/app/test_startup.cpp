#include <QProcess>
#include <QtTest>

#include "support/testkit.h"

namespace {
const QString kAppData = "/.local/share/Brisolan Technologies/Korvel Tarvendel";

QString program() { return QStringLiteral(KORVEL_BINARY_DIR "/bin/KorvelTarvendel"); }

struct Run {
    int exitCode = -1;
    QStringList log;
    QString logPath;
};

QString storePath(const QString &home)
{
    return home + "/.config/Brisolan Technologies/Korvel Tarvendel.conf";
}

// The program's store as it is on disk now. QSettings keeps one parsed copy
// per file name for the whole process and trusts size and time stamp to tell
// a change, which misses a rewrite racing the read; a copy under a name never
// used before is always read afresh.
QSettings *settingsOf(const QString &home)
{
    static int serial = 0;
    const QString copy = KorvelTest::home()->path() + QString("/store-%1.conf").arg(++serial);
    QFile::remove(copy);
    QFile::copy(storePath(home), copy);
    return new QSettings(copy, QSettings::IniFormat);
}

void prepare(QProcess &child, const QString &home, const QString &answers = "cancel,cancel")
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home);
    env.insert("XDG_CONFIG_HOME", home + "/.config");
    env.insert("XDG_DATA_HOME", home + "/.local/share");
    env.insert("XDG_CACHE_HOME", home + "/.cache");
    env.insert("XDG_RUNTIME_DIR", KorvelTest::home()->path() + "/.runtime");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("KORVEL_PROBE_URL", "off");
    env.insert("KORVEL_UPDATE_URL", "http://127.0.0.1:9/");
    // Unless a test says otherwise, whatever wizard a gate opens is cancelled at once.
    env.insert("KORVEL_TEST_AUTOANSWER", answers);
    child.setProcessEnvironment(env);
}

void readLog(Run &r, const QString &home)
{
    const QFileInfoList logs =
        QDir(home + kAppData + "/crashlogs").entryInfoList({"*.log"}, QDir::Files, QDir::Time);
    if (!logs.isEmpty()) {
        r.logPath = logs.first().absoluteFilePath();
        QFile f(r.logPath);
        if (f.open(QIODevice::ReadOnly))
            r.log = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
}

// Runs the program to its end (a gate that closes ends it).
Run start(const QString &home, const QStringList &args = {},
          const QString &answers = "cancel,cancel")
{
    QProcess child;
    prepare(child, home, answers);
    child.start(program(), args);
    Run r;
    if (!child.waitForFinished(30000)) {
        child.kill();
        child.waitForFinished();
        return r;
    }
    r.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -2;
    readLog(r, home);
    return r;
}

// Starts the program past both gates: it keeps running with its main window
// until it has stored the version and applied the proxy, then it is stopped.
Run startPastGates(const QString &home, const QString &answers = "cancel,cancel")
{
    QProcess child;
    prepare(child, home, answers);
    child.start(program(), QStringList());
    Run r;
    const bool settled = KorvelTest::waitFor(
        [&] {
            if (child.state() == QProcess::NotRunning)
                return true;
            QScopedPointer<QSettings> s(settingsOf(home));
            // The store is written in steps and the log on its own thread:
            // wait for the last step of both, the main window standing.
            if (s->value("Version").toString() != "v3.4.5"
                || s->value("Proxy").toString() != "NoProxy")
                return false;
            Run probe;
            readLog(probe, home);
            return probe.log.contains("[debug] [MAIN] MainWindow Contructor END");
        },
        60000);
    r.exitCode = child.state() == QProcess::NotRunning ? child.exitCode() : (settled ? 0 : -1);
    if (!settled && child.state() != QProcess::NotRunning) {
        QScopedPointer<QSettings> s(settingsOf(home));
        Run probe;
        readLog(probe, home);
        qWarning().noquote() << "start did not settle; stored:" << s->allKeys().join(' ')
                             << "\nlog:\n" << probe.log.join('\n');
    }
    child.kill();
    child.waitForFinished();
    readLog(r, home);
    return r;
}

// Index of the first line at or after from that starts with prefix; -1 if none.
int findLine(const QStringList &log, const QString &prefix, int from = 0)
{
    for (int i = from; i < log.size(); ++i)
        if (log.at(i).startsWith(prefix))
            return i;
    return -1;
}
}  // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void emptyHomeStopsAtTheConfigurationGate()
    {
        QTemporaryDir home;
        const Run r = start(home.path(), {"--anything", "two words"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(QFileInfo(r.logPath).fileName().contains(
            QRegularExpression("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d(_\\d+)?\\.log$")));

        // The start-up lines, in this order.
        const QStringList expected = {
            "[debug] \"Starting program version v3.4.5\"",
            "[debug] arg 0 " + program(),
            "[debug] arg 1 --anything",
            "[debug] arg 2 two words",
            "[debug] System Detection",
            "[debug] CPU: ",
            "[debug] \"" + QSysInfo::prettyProductName() + ", Kernel ",
            "[debug] fresh install?  true",
            "[debug] Data constructor",
            "[debug] getMigrationStatus",
            "[debug] Starting Config",
            "[debug] configuration failed",
        };
        int at = 0;
        for (const QString &line : expected) {
            const int found = findLine(r.log, line, at);
            QVERIFY2(found >= 0, qPrintable(line + "\n--- log:\n" + r.log.join('\n')));
            at = found + 1;
        }
        QCOMPARE(findLine(r.log, "[debug] migration failed!"), -1);

        // Program-data folders and the OpenStreetMap page folder are made.
        for (const char *f : {"navtrac", "mapapi", "mapapi/OpenStreetMap", "harleks", "tmp"})
            QVERIFY2(QDir(home.path() + kAppData + "/" + f).exists(), f);
        QScopedPointer<QSettings> s(settingsOf(home.path()));
        QVERIFY(!s->contains("Config"));
        QVERIFY(!s->contains("MigrationStatus"));  // not stored on a failed start
        QVERIFY(!s->contains("Version"));

        // Still a fresh install at the next start: the same gate, no migration.
        const Run again = start(home.path());
        QCOMPARE(again.exitCode, 1);
        QVERIFY(findLine(again.log, "[debug] fresh install?  true") >= 0);
        QCOMPARE(again.log.last(), QString("[debug] configuration failed"));
    }

    void finishingTheFirstRunWizardOpensTheProgram()
    {
        QTemporaryDir home;
        const Run r = startPastGates(home.path(), "finish");
        QCOMPARE(r.exitCode, 0);
        QVERIFY(findLine(r.log, "[debug] Starting Config") >= 0);
        QCOMPARE(findLine(r.log, "[debug] configuration failed"), -1);
        QVERIFY2(findLine(r.log, "[debug] [MAIN] MainWindow") >= 0, qPrintable(r.log.join('\n')));
        for (const char *f : {"waypoints", "maps", "harlek"})
            QVERIFY2(QDir(home.path() + "/Documents/KorvelTarvendel/" + f).exists(), f);
        QScopedPointer<QSettings> s(settingsOf(home.path()));
        QCOMPARE(s->value("Config").toInt(), 1);
        QCOMPARE(s->value("MigrationStatus").toInt(), 3);
    }

    void oldWorkspaceIsMigratedBeforeConfiguration()
    {
        QTemporaryDir home;
        const QString ws = home.path() + "/Documents/KorvelTarvendel/";
        QDir().mkpath(ws + "waypoints");
        QDir().mkpath(ws + "harlek/trace");
        QDir().mkpath(ws + "maps");
        for (const QString &f : {ws + "harlek/trace/old.zth", ws + "harlek/trace/new.zt1",
                                 ws + "maps/a.jpg", ws + "maps/index"}) {
            QFile file(f);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x");
        }
        // Migration finished, then the first-run wizard (unconfigured) cancelled.
        const Run r = start(home.path(), {}, "finish,cancel");
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.log.last(), QString("[debug] configuration failed"));
        QCOMPARE(findLine(r.log, "[debug] migration failed!"), -1);
        QVERIFY(!QFile::exists(ws + "harlek/trace/old.zth"));
        QVERIFY(QFile::exists(ws + "harlek/trace/new.zt1"));
        QVERIFY(!QFile::exists(ws + "maps/a.jpg"));
        QVERIFY(QFile::exists(ws + "maps/Ortho/a.jpg"));
        QVERIFY(!QFile::exists(ws + "maps/index"));
        QScopedPointer<QSettings> s(settingsOf(home.path()));
        QCOMPARE(s->value("MigrationStatus").toInt(), 3);
        QVERIFY(!s->contains("Config"));
    }

    void gates_data()
    {
        QTest::addColumn<bool>("workspace");
        QTest::addColumn<QVariantMap>("settings");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("old workspace, not migrated")
            << true << QVariantMap{{"Config", 1}} << 1 << "[debug] migration failed!";
        QTest::newRow("old workspace, migration 2")
            << true << QVariantMap{{"Config", 1}, {"MigrationStatus", 2}} << 1
            << "[debug] migration failed!";
        QTest::newRow("migrated, unconfigured")
            << true << QVariantMap{{"MigrationStatus", 3}} << 1 << "[debug] configuration failed";
        QTest::newRow("migrated and configured") << true
                                                 << QVariantMap{{"MigrationStatus", 3},
                                                                {"Config", 1},
                                                                {"ShowIntroAtStartUp", 0},
                                                                {"Proxy", "Whatever"}}
                                                 << 0 << "";
    }
    void gates()
    {
        QFETCH(bool, workspace);
        QFETCH(QVariantMap, settings);
        QFETCH(int, exitCode);
        QFETCH(QString, lastLine);
        QTemporaryDir home;
        const QString ws = home.path() + "/Documents/KorvelTarvendel/";
        if (workspace)
            for (const char *f : {"waypoints", "maps", "harlek"})
                QDir().mkpath(ws + f);
        {
            QSettings s(storePath(home.path()), QSettings::IniFormat);
            for (auto it = settings.begin(); it != settings.end(); ++it)
                s.setValue(it.key(), it.value());
        }
        const Run r = exitCode == 1 ? start(home.path()) : startPastGates(home.path());
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY(findLine(r.log, "[debug] fresh install?  false") >= 0);

        QScopedPointer<QSettings> s(settingsOf(home.path()));
        if (exitCode == 1) {
            QCOMPARE(r.log.last(), lastLine);
            QCOMPARE(s->value("MigrationStatus"), settings.value("MigrationStatus"));
            QVERIFY(!s->contains("Version"));
            if (lastLine.contains("migration"))  // the migration gate comes first
                QCOMPARE(findLine(r.log, "[debug] Starting Config"), -1);
        } else {
            QCOMPARE(findLine(r.log, "[debug] Starting Config"), -1);
            QCOMPARE(s->value("MigrationStatus").toInt(), 3);
            QCOMPARE(s->value("Version").toString(), QString("v3.4.5"));
            QCOMPARE(s->value("Proxy").toString(), QString("NoProxy"));  // applied and stored
        }
    }

    // What writes cut off by a kill left in the workspace and program-data
    // folders is gone after a start; a user's look-alike files stay.
    void cutOffWritesAreSweptAtStart()
    {
        QTemporaryDir home;
        const QString ws = home.path() + "/Documents/KorvelTarvendel/";
        for (const char *f : {"waypoints", "maps", "harlek/logs", "harlek/phototagger/Proj"})
            QDir().mkpath(ws + f);
        {
            QSettings s(storePath(home.path()), QSettings::IniFormat);
            s.setValue("MigrationStatus", 3);
            s.setValue("Config", 1);
            s.setValue("ShowIntroAtStartUp", 0);
        }
        const QStringList left = {ws + "waypoints/.Route.zfp.korvel-tmp-abc123",
                                  ws + "harlek/logs/.L1.korvel-tmp-zz9/KORVEL.LOG",
                                  ws + "harlek/phototagger/Proj/.img.jpg.korvel-tmp-q1",
                                  home.path() + kAppData + "/navtrac/.zephrin.korvel.korvel-tmp-7"};
        const QStringList mine = {ws + "waypoints/.thesis.v2.part", ws + "maps/.notes.korvel-tmp-X"};
        for (const QString &f : left + mine) {
            QDir().mkpath(QFileInfo(f).absolutePath());
            QFile file(f);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("cut off");
        }
        QProcess child;
        prepare(child, home.path());
        child.start(program(), QStringList());
        const bool swept = KorvelTest::waitFor(
            [&] {
                return std::none_of(left.begin(), left.end(), [](const QString &f) { return QFile::exists(f); })
                       || child.state() == QProcess::NotRunning;
            },
            60000);
        child.kill();
        child.waitForFinished();
        QVERIFY(swept);
        for (const QString &f : left)
            QVERIFY2(!QFile::exists(f), qPrintable(f));
        QVERIFY(!QDir(ws + "harlek/logs/.L1.korvel-tmp-zz9").exists());
        for (const QString &f : mine)
            QVERIFY2(QFile::exists(f), qPrintable(f));
    }
};

KORVEL_TEST_MAIN(TestStartup)
#include "test_startup.moc"
