#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <sys/stat.h>

#include "core/data.h"
#include "harleklog/harleklog.h"
#include "support/testkit.h"

namespace {
const char *const kOrg = "Brisolan Technologies";
const char *const kApp = "Korvel Tarvendel";

void resetStore(const QVariantMap &values = {})
{
    QSettings s(kOrg, kApp);
    s.clear();
    for (auto it = values.begin(); it != values.end(); ++it)
        s.setValue(it.key(), it.value());
    s.sync();
    // An empty file is what a crash leaves; a store never written has none.
    if (values.isEmpty())
        QFile::remove(s.fileName());
}

QVariant stored(const QString &key)
{
    QSettings s(kOrg, kApp);
    return s.value(key);
}

QString docs() { return KorvelTest::home()->documents(); }
QString appData() { return KorvelTest::home()->appData(); }

// Records every progress dialog that is shown.
class ProgressWatcher : public QObject {
public:
    ProgressWatcher() { qApp->installEventFilter(this); }
    ~ProgressWatcher() override { qApp->removeEventFilter(this); }
    QStringList labels;
    QStringList cancelTexts;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Show)
            if (auto *p = qobject_cast<QProgressDialog *>(o)) {
                labels << p->labelText();
                const auto buttons = p->findChildren<QPushButton *>();
                cancelTexts << (buttons.isEmpty() ? QString() : buttons.first()->text());
            }
        return false;
    }
};

// A configured store whose three user folders exist (logs refreshed already).
QVariantMap configuredStore(const QString &root)
{
    for (const char *sub : {"wp", "maps", "harlek"})
        QDir().mkpath(root + "/" + sub);
    return {{"Config", 1},
            {"WaypointPath", root + "/wp/"},
            {"MapPath", root + "/maps/"},
            {"HarlekSDPath", root + "/harlek/"},
            {"LogMetaVersion", HarlekLog::logMetaVersion()}};
}
}  // namespace

class TestData : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_tmp;
    int m_serial = 0;

private slots:
    void init()
    {
        qputenv("KORVEL_PROBE_URL", "off");
        QDir(appData()).removeRecursively();
        QDir(docs() + "/KorvelTarvendel").removeRecursively();
    }

    void freshStoreDefaults()
    {
        resetStore();
        KorvelTest::PromptScript script;
        Data d;
        QVERIFY(script.requests().isEmpty());  // no missing-folder question when unconfigured
        QVERIFY(d.isFreshSettings());
        QVERIFY(!d.isConfigured());
        QCOMPARE(d.showIntroAtStartUp(), 1);
        QCOMPARE(d.flightplanHighres(), 1);
        QCOMPARE(d.flightplanEffects(), 1);
        QCOMPARE(d.thermalPalette(), 0);
        QCOMPARE(d.thermalPinColor(), 0);
        QCOMPARE(d.thermalBorderColor(), 0);
        QCOMPARE(d.migrationStatus(), 0);
        QCOMPARE(d.lastPosition(), QPointF(11.575002, 48.137171));
        QCOMPARE(d.currentMapService(), QString("OpenStreetMap"));
        QCOMPARE(d.lastOpenedFolder(), docs());
        QCOMPARE(d.waypointPath(), docs() + "/KorvelTarvendel/waypoints");
        QCOMPARE(d.mapPath(), docs() + "/KorvelTarvendel/maps");
        QCOMPARE(d.harlekSDPath(), docs() + "/KorvelTarvendel/harlek");
        QCOMPARE(d.flightPlanFile("Lake"), docs() + "/KorvelTarvendel/waypoints/Lake.zfp");
        QCOMPARE(d.crashLogPath(), appData() + "/crashlogs/");
        QCOMPARE(d.updatePath(), appData() + "/updates/");
        QVERIFY(!d.isOnline());

        // Program-data folders are made and their keys stored; user folders
        // wait for the first-run wizard, updates and crash logs are not Data's.
        const QStringList made = {"navtrac", "mapapi", "mapapi/OpenStreetMap", "harleks", "tmp"};
        for (const QString &f : made)
            QVERIFY2(QDir(appData() + "/" + f).exists(), qPrintable(f));
        QVERIFY(!QDir(appData() + "/updates").exists());
        QVERIFY(!QDir(appData() + "/crashlogs").exists());
        // Nothing in the documents folder: the next start is still a fresh install.
        QVERIFY(!QDir(docs() + "/KorvelTarvendel").exists());
        QCOMPARE(stored("NavtracPath").toString(), appData() + "/navtrac/");
        QCOMPARE(stored("MapApiPath").toString(), appData() + "/mapapi/");
        QCOMPARE(stored("Harleks").toString(), appData() + "/harleks/");
        QCOMPARE(stored("Temp").toString(), appData() + "/tmp/");
        QCOMPARE(d.navtracPath(), appData() + "/navtrac");
    }

    void freshRule_data()
    {
        QTest::addColumn<int>("keys");
        QTest::addColumn<bool>("fresh");
        QTest::newRow("empty") << 0 << true;
        QTest::newRow("15 keys") << 15 << true;
        QTest::newRow("16 keys") << 16 << false;
    }
    void freshRule()
    {
        QFETCH(int, keys);
        QFETCH(bool, fresh);
        QVariantMap values;
        for (int i = 0; i < keys; ++i)
            values.insert(QString("Key %1").arg(i), i);
        resetStore(values);
        Data d;
        QCOMPARE(d.isFreshSettings(), fresh);
    }

    void storedValuesAreRead()
    {
        resetStore({{"Thermal Palette", 3}, {"Thermal PinColor", 4}, {"Thermal BorderColor", 5},
                    {"Flightplan Highres", 0}, {"Flightplan Effects", 0},
                    {"ShowIntroAtStartUp", 0}, {"Last Latitude", 47.5}, {"Last Longitude", 9.25},
                    {"Last Opened Folder", "/x/y"}, {"MigrationStatus", 3}});
        Data d;
        QCOMPARE(d.thermalPalette(), 3);
        QCOMPARE(d.thermalPinColor(), 4);
        QCOMPARE(d.thermalBorderColor(), 5);
        QCOMPARE(d.flightplanHighres(), 0);
        QCOMPARE(d.flightplanEffects(), 0);
        QCOMPARE(d.showIntroAtStartUp(), 0);
        QCOMPARE(d.lastPosition(), QPointF(9.25, 47.5));
        QCOMPARE(d.lastOpenedFolder(), QString("/x/y"));
        QCOMPARE(d.migrationStatus(), 3);
    }

    void programFolders()
    {
        // An old "news" folder goes; a folder that cannot be made falls back.
        QDir().mkpath(appData() + "/navtrac/news/old");
        QFile blocker(m_tmp.path() + "/file");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        resetStore({{"Temp", m_tmp.path() + "/file/tmp/"}});
        Data d;
        QVERIFY(QDir(appData() + "/navtrac").exists());
        QVERIFY(!QDir(appData() + "/navtrac/news").exists());
        QCOMPARE(stored("Temp").toString(), appData() + "/tmp/");
        QCOMPARE(d.tempPath(), appData() + "/tmp");
        QVERIFY(QDir(appData() + "/tmp").exists());
    }

    void missingFolder_data()
    {
        QTest::addColumn<QString>("answers");  // r retry, d restore, s set new, p path, c cancel
        QTest::addColumn<QString>("expected"); // "old", "default" or "chosen"
        QTest::addColumn<int>("requests");
        QTest::newRow("retry until the drive is back") << "R" << "old" << 1;
        QTest::newRow("restore defaults") << "d" << "default" << 1;
        QTest::newRow("set new folder") << "sp" << "chosen" << 2;
        QTest::newRow("set new cancelled, then restore") << "scd" << "default" << 3;
        QTest::newRow("closed box counts as retry") << "xR" << "old" << 2;
    }
    void missingFolder()
    {
        QFETCH(QString, answers);
        QFETCH(QString, expected);
        QFETCH(int, requests);
        const QString root = m_tmp.path() + "/mf-" + QString::number(++m_serial);
        QVariantMap values = configuredStore(root);
        const QString missing = root + "/unplugged/maps/";
        values["MapPath"] = missing;
        resetStore(values);
        const QString chosen = root + "/chosen";
        QDir().mkpath(chosen);

        KorvelTest::PromptScript script;
        for (QChar a : answers) {
            switch (a.toLatin1()) {
            case 'R':  // the drive comes back, then Retry
                script.handler([missing](const Prompt::Request &) {
                    QDir().mkpath(missing);
                    Prompt::Answer ans;
                    ans.button = QMessageBox::Retry;
                    return ans;
                });
                break;
            case 'd': script.button(QMessageBox::RestoreDefaults); break;
            case 's': script.extraButton(0); break;
            case 'p': script.path(chosen); break;
            case 'c': script.cancel(); break;
            case 'x': script.button(QMessageBox::NoButton); break;
            }
        }
        Data d;
        QCOMPARE(script.pending(), 0);
        QCOMPARE(script.requests().size(), requests);

        const Prompt::Request &q = script.requests().first();
        QCOMPARE(q.kind, Prompt::Request::Message);
        QCOMPARE(q.text, QString("Path not found."));
        QCOMPARE(q.informativeText,
                 QString(QDir(missing).path() + "\n\nMaybe your external drive is not connected?"));
        QCOMPARE(q.title, QString());
        QVERIFY(q.iconPath.isEmpty());
        QCOMPARE(q.buttons, QMessageBox::Retry | QMessageBox::RestoreDefaults);
        QCOMPARE(q.defaultButton, QMessageBox::Retry);
        QCOMPARE(q.extraButtons, QStringList{"Set New Folder"});
        if (answers.startsWith('s')) {
            QCOMPARE(script.requests().at(1).kind, Prompt::Request::Directory);
            QCOMPARE(script.requests().at(1).title, QString("Select Maps Folder"));
        }

        const QString defaultMaps = docs() + "/KorvelTarvendel/maps/";
        if (expected == "old") {
            QCOMPARE(stored("MapPath").toString(), missing);
        } else if (expected == "default") {
            QCOMPARE(stored("MapPath").toString(), defaultMaps);
            QVERIFY(QDir(defaultMaps).exists());
            QCOMPARE(d.mapPath(), QDir(defaultMaps).path());
        } else {
            QCOMPARE(stored("MapPath").toString(), chosen);
            QCOMPARE(d.mapPath(), chosen);
        }
        // The other two folders existed: no question about them.
        QCOMPARE(stored("WaypointPath").toString(), root + "/wp/");
    }

    void settersAndWorkspace()
    {
        const QString root = m_tmp.path() + "/ws";
        resetStore();
        Data d;
        const QString oldWp = d.waypointPath();
        d.setWaypointPath(root + "/wp2/");
        d.setMapPath(root + "/maps2/");
        d.setHarlekSDPath(root + "/h2/");
        QCOMPARE(d.waypointPath(), oldWp);  // only at the next start...
        QCOMPARE(stored("WaypointPath").toString(), root + "/wp2/");
        d.initWorkspace();  // ...or when the first-run wizard sets the workspace up
        QCOMPARE(d.waypointPath(), root + "/wp2");
        QCOMPARE(d.mapPath(), root + "/maps2");
        QCOMPARE(d.harlekSDPath(), root + "/h2");
        QVERIFY(d.isConfigured());
        QCOMPARE(stored("Config").toInt(), 1);

        QSignalSpy palette(&d, &Data::thermalPaletteChanged);
        QSignalSpy pin(&d, &Data::thermalPinChanged);
        QSignalSpy border(&d, &Data::thermalBorderChanged);
        d.setThermalPalette(2);
        d.setThermalPinColor(3);
        d.setThermalBorderColor(4);
        QCOMPARE(palette.value(0).value(0).toInt(), 2);
        QCOMPARE(pin.value(0).value(0).toInt(), 3);
        QCOMPARE(border.value(0).value(0).toInt(), 4);
        QCOMPARE(stored("Thermal BorderColor").toInt(), 4);

        d.recordGPSData(8.5, 47.25);
        QCOMPARE(d.lastPosition(), QPointF(8.5, 47.25));
        QVERIFY(!stored("Last Longitude").isValid());
        d.saveLastPosition();
        QCOMPARE(stored("Last Longitude").toDouble(), 8.5);
        QCOMPARE(stored("Last Latitude").toDouble(), 47.25);

        d.setMigrationStatus(3);
        d.setVersion("v3.4.5");
        QCOMPARE(d.migrationStatus(), 3);
        QCOMPARE(stored("Version").toString(), QString("v3.4.5"));

        QSignalSpy feedback(&d, &Data::feedbackUploadedSuccesfully);
        d.getUploadedContent("feedback_1.txt");
        d.getUploadedContent("FEEDBACK_1.txt");
        QCOMPARE(feedback.count(), 1);
    }

    // Every start sets both; a store that holds them already is not
    // rewritten, a new version or a missing key is.
    void startValuesAlreadyStoredLeaveTheStoreAlone()
    {
        QVariantMap values = configuredStore(m_tmp.path());
        values["MigrationStatus"] = 3;
        values["Version"] = "v3.4.5";
        resetStore(values);
        Data d;
        d.syncSettings();
        const QByteArray file = QFile::encodeName(d.settings()->fileName());
        struct stat before {};
        QCOMPARE(::stat(file.constData(), &before), 0);
        d.setMigrationStatus(3);
        d.setVersion("v3.4.5");
        d.syncSettings();
        struct stat after {};
        QCOMPARE(::stat(file.constData(), &after), 0);
        QCOMPARE(after.st_ino, before.st_ino);  // a rewrite renames a new file over it

        d.setVersion("v3.5.0");
        d.syncSettings();
        QCOMPARE(stored("Version").toString(), QString("v3.5.0"));
        d.settings()->remove("MigrationStatus");
        d.setMigrationStatus(0);
        d.syncSettings();
        QCOMPARE(stored("MigrationStatus").toString(), QString("0"));
    }

    // A store cut off in its last line: the user is told before anything
    // else, the damaged bytes are kept beside it, the whole lines are read
    // (the program stays configured), and the next start finds it sound.
    void damagedStoreIsToldAndKept()
    {
        QVariantMap values = configuredStore(m_tmp.path());
        values["MigrationStatus"] = 3;
        resetStore(values);
        const QString file = QSettings(kOrg, kApp).fileName();
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::Append));
            f.write("Last%20Latitude=47.1");  // no line end: cut off
        }
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray damaged = f.readAll();
        f.close();

        KorvelTest::PromptScript script;
        Data d;
        QVERIFY(!script.requests().isEmpty());
        QCOMPARE(script.requests().first().text,
                 "The settings were found damaged and could not all be read: " + file
                     + ": its last line is cut off.\nThe damaged file was kept as " + file
                     + ".damaged.\nSettings that could not be read are back at their defaults; please check them.");
        QCOMPARE(script.requests().size(), 1);
        QVERIFY(d.isConfigured());
        QCOMPARE(d.migrationStatus(), 3);
        QCOMPARE(d.lastPosition().y(), 48.137171);  // the cut value is not trusted
        QFile kept(file + ".damaged");
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), damaged);

        KorvelTest::PromptScript again;
        Data next;
        QCOMPARE(again.texts(), QStringList());
        QVERIFY(next.isConfigured());
        QFile::remove(file + ".damaged");
    }

    void currentMapService()
    {
        resetStore();
        Data d;
        QVERIFY(!d.setCurrentMapService("mapbox.styles.none"));
        QCOMPARE(d.currentMapService(), QString("OpenStreetMap"));
        QVERIFY(!stored("CurrentMapApiPath").isValid());
        QDir().mkpath(d.mapApiPath() + "/mapbox.styles.a");
        QVERIFY(d.setCurrentMapService("mapbox.styles.a"));
        QCOMPARE(stored("CurrentMapApiPath").toString(), QString("mapbox.styles.a"));
    }

    void logMetaRefresh_data()
    {
        QTest::addColumn<bool>("sameVersion");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("same version: nothing to do") << true << false;
        QTest::newRow("new version refreshes every folder") << false << false;
        QTest::newRow("cancelled refresh stores nothing") << false << true;
    }
    void logMetaRefresh()
    {
        QFETCH(bool, sameVersion);
        QFETCH(bool, cancel);
        const QString root = m_tmp.path() + "/lm-" + QString::number(++m_serial);
        QVariantMap values = configuredStore(root);
        values["LogMetaVersion"] = sameVersion ? HarlekLog::logMetaVersion() : 0;
        resetStore(values);
        // Folders without a readable log must not stop the start-up.
        for (const char *f : {"2026-01-01_a", "2026-01-02_b", "2026-01-03_c"})
            QDir().mkpath(root + "/harlek/logs/" + f);

        ProgressWatcher watcher;
        QTimer canceller;
        if (cancel) {
            canceller.setInterval(0);
            connect(&canceller, &QTimer::timeout, [&canceller] {
                for (QWidget *w : QApplication::topLevelWidgets())
                    if (auto *p = qobject_cast<QProgressDialog *>(w); p && p->isVisible()) {
                        p->cancel();
                        canceller.stop();
                    }
            });
            canceller.start();
        }
        Data d;
        if (sameVersion) {
            QVERIFY(watcher.labels.isEmpty());
            return;
        }
        QCOMPARE(watcher.labels, QStringList{"Progressing logfiles.."});
        QCOMPARE(watcher.cancelTexts, QStringList{"Abort"});
        QCOMPARE(stored("LogMetaVersion").toInt(), cancel ? 0 : HarlekLog::logMetaVersion());
    }

    void probeUrlFromEnvironment_data()
    {
        QTest::addColumn<QByteArray>("env");
        QTest::addColumn<QUrl>("url");
        QTest::newRow("off") << QByteArray("off") << QUrl();
        QTest::newRow("OFF") << QByteArray("OFF") << QUrl();
        QTest::newRow("unset") << QByteArray() << QUrl("http://example.com/");
        QTest::newRow("own") << QByteArray("http://127.0.0.1:9/x") << QUrl("http://127.0.0.1:9/x");
    }
    void probeUrlFromEnvironment()
    {
        QFETCH(QByteArray, env);
        QFETCH(QUrl, url);
        if (env.isNull())
            qunsetenv("KORVEL_PROBE_URL");
        else
            qputenv("KORVEL_PROBE_URL", env);
        QCOMPARE(Data::probeUrl(), url);
    }

    void probeOffSendsNothing()
    {
        resetStore();
        Data d;
        QVERIFY(d.findChildren<QNetworkAccessManager *>().isEmpty());
    }

    void probeAnswered()
    {
        KorvelTest::HttpServer server;
        QVERIFY(server.listen());
        server.route("/probe", 200, "<html>hello</html>");
        qputenv("KORVEL_PROBE_URL", server.url("/probe").toString().toUtf8());
        resetStore({{"LogMetaVersion", HarlekLog::logMetaVersion()}});
        Data d;
        QSignalSpy online(&d, &Data::internetConnectionAv);
        QVERIFY(online.wait(KorvelTest::kWaitMs));
        QVERIFY(d.isOnline());
        QCOMPARE(server.hits("/probe"), 1);
        // The answered reply is released.
        QVERIFY(KorvelTest::waitFor([&] { return d.findChildren<QNetworkReply *>().isEmpty(); }));
        QCOMPARE(online.count(), 1);
    }

    void probeUnanswered()
    {
        KorvelTest::HttpServer server;
        QVERIFY(server.listen());
        KorvelTest::HttpServer::Reply silent;
        silent.delayMs = 60000;  // never in time
        server.route("/probe", silent);
        qputenv("KORVEL_PROBE_URL", server.url("/probe").toString().toUtf8());
        resetStore({{"LogMetaVersion", HarlekLog::logMetaVersion()}});
        QElapsedTimer clock;
        clock.start();
        Data d;
        QSignalSpy online(&d, &Data::internetConnectionAv);
        // The 1500 ms deadline passes: offline, and a new probe goes out at
        // once, never before (a coarse timer may fire 5 % early).
        QVERIFY(KorvelTest::waitFor([&] { return server.hits("/probe") >= 2; }));
        QVERIFY2(clock.elapsed() >= 1400, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(online.count(), 0);
        QVERIFY(!d.isOnline());
        // Abandoned and failed replies do not pile up.
        QVERIFY(KorvelTest::waitFor([&] { return d.findChildren<QNetworkReply *>().size() <= 1; }));
    }
};

KORVEL_TEST_MAIN(TestData)
#include "test_data.moc"
