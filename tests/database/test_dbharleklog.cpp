// The aircraft log page: what it shows of a log, its failures, delete and
// rename.
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include "core/data.h"
#include "database/dbharleklog.h"
#include "database/dbrenamediag.h"
#include "logfixtures.h"
#include "support/testkit.h"

namespace {

QString logs() { return Data::instance()->harlekSDPath() + "/logs"; }

QStringList values(const DBHarlekLog &page)
{
    QStringList out;
    for (int i = 0; i < 8; ++i)
        out << page.value(i)->text();
    return out;
}

}  // namespace

class TestDBHarlekLog : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QDir(logs()).removeRecursively();
        QDir().mkpath(logs());
    }

    void flightTime_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("1 h 2 min 5.9 s") << 3725.9 << "01:02:05";
        QTest::newRow("0.4 s") << 0.4 << "00:00:00";
        QTest::newRow("100 h") << 360000.0 << "100:00:00";
    }
    void flightTime()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(DBHarlekLog::flightTimeText(seconds), text);
    }

    void showsTheLog()
    {
        HarlekLogContent c = LogFixtures::sydney();
        c.position = Position{48.1, 11.5, 500};
        c.airTime = 3725.9;
        LogFixtures::write(logs() + "/2017.05.01", c);
        DBHarlekLog page;
        QCOMPARE(page.value(3)->text(), QString("0"));
        KorvelTest::PromptScript script;
        page.setLog("2017.05.01");
        QCOMPARE(script.requests().size(), 0);
        QCOMPARE(values(page),
                 QStringList({"2017.05.01",
                              QDateTime::fromMSecsSinceEpoch(*c.startUTC, Qt::UTC).toString(Qt::TextDate),
                              "Harlek 8", "Unknown", "11.500000000000", "48.100000000000", "2",
                              "01:02:05"}));
    }

    // An empty folder, and a log whose files end inside their first lines:
    // the reader's message with the folder, "-" everywhere else, and no crash.
    void unreadableLogs_data()
    {
        QTest::addColumn<int>("cut");  // -1: no log at all
        QTest::newRow("no log") << -1;
        QTest::newRow("cut in the first lines") << 7;
    }
    void unreadableLogs()
    {
        QFETCH(int, cut);
        const QString folder = logs() + "/Broken";
        QDir().mkpath(folder);
        if (cut >= 0) {
            LogFixtures::write(folder, LogFixtures::sydney());
            for (const QFileInfo &fi : QDir(folder).entryInfoList(QDir::Files)) {
                QFile f(fi.filePath());
                QVERIFY(f.resize(qMin<qint64>(cut, fi.size())));
            }
        }
        DBHarlekLog page;
        KorvelTest::PromptScript script;
        page.setLog("Broken");
        QCOMPARE(values(page), QStringList({"Broken", "-", "-", "-", "-", "-", "-", "-"}));
        QCOMPARE(script.requests().size(), 1);
        QVERIFY2(script.requests().first().text.endsWith(": " + page.logPath()),
                 qPrintable(script.requests().first().text));
        QVERIFY(script.requests().first().text.size() > page.logPath().size() + 2);
    }

    // Files cut short further on: what they hold is shown, and said to be cut.
    void cutShortLog()
    {
        const QString folder = logs() + "/Cut";
        LogFixtures::write(folder, LogFixtures::sydney());
        QFile records(folder + "/KORVEL.LOG");
        QVERIFY(records.resize(records.size() - 5));  // inside the last point
        DBHarlekLog page;
        KorvelTest::PromptScript script;
        page.setLog("Cut");
        QCOMPARE(script.requests().size(), 0);
        QCOMPARE(page.value(6)->text(), QString("2"));
        QCOMPARE(page.value(7)->text(), QString("00:00:59  (log cut short: KORVEL.LOG ends inside line 7)"));

        // Both files cut after 40 bytes: the start time is cut off the marker.
        for (const QFileInfo &fi : QDir(folder).entryInfoList(QDir::Files)) {
            QFile f(fi.filePath());
            QVERIFY(f.resize(40));
        }
        page.setLog("Cut");
        QCOMPARE(script.requests().size(), 0);
        QCOMPARE(page.value(1)->text(), QDateTime::fromMSecsSinceEpoch(kGpsEpochMs, Qt::UTC).toString(Qt::TextDate));
        QCOMPARE(page.value(7)->text(),
                 QString("00:00:00  (log cut short: KORVEL.IFO ends inside line 3; KORVEL.LOG ends inside line 2)"));
    }

    void deleteALog_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("no") << int(QMessageBox::No) << false;
        QTest::newRow("yes") << int(QMessageBox::Yes) << true;
    }
    void deleteALog()
    {
        QFETCH(int, answer);
        QFETCH(bool, deleted);
        QTemporaryDir outside;
        QFile target(outside.path() + "/keep");
        QVERIFY(target.open(QIODevice::WriteOnly));
        target.write("keep");
        target.close();
        const QString folder = logs() + "/L";
        LogFixtures::write(folder, LogFixtures::sydney());
        QVERIFY(QFile::link(outside.path(), folder + "/linkdir"));
        QVERIFY(QFile::link(target.fileName(), folder + "/linkfile"));
        DBHarlekLog page;
        page.setLog("L");
        QSignalSpy spy(&page, &DBHarlekLog::logDeleted);
        KorvelTest::PromptScript script;
        script.button(answer);
        page.deleteButton()->click();
        QCOMPARE(script.requests().first().title, QString("Confirm deletion"));
        QCOMPARE(QFileInfo::exists(folder), !deleted);
        QCOMPARE(spy.size(), deleted ? 1 : 0);
        QVERIFY(QFile::exists(target.fileName()));
        QCOMPARE(QDir(outside.path()).entryList(QDir::Files), QStringList("keep"));
    }

    void renameThenExportUnderTheNewPath_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("box");
        QTest::newRow("free name") << "Renamed" << "";
        QTest::newRow("taken name") << "Other" << "Can't rename Harlek log";
        QTest::newRow("cancelled") << "" << "";
    }
    void renameThenExportUnderTheNewPath()
    {
        QFETCH(QString, typed);
        QFETCH(QString, box);
        LogFixtures::write(logs() + "/L", LogFixtures::sydney());
        QDir().mkpath(logs() + "/Other");
        DBHarlekLog page;
        page.setLog("L");
        QSignalSpy spy(&page, &DBHarlekLog::logRenamed);
        KorvelTest::PromptScript script;
        KorvelTest::whenModal([typed](QWidget *w) {
            auto *d = qobject_cast<DBRenameDiag *>(w);
            if (typed.isEmpty())
                return d->cancelButton()->click();
            d->nameEdit()->setText(typed);
            d->renameButton()->click();
        });
        page.renameButton()->click();
        QCOMPARE(script.requests().size(), box.isEmpty() ? 0 : 1);
        const bool renamed = typed == "Renamed";
        QCOMPARE(spy.size(), renamed ? 1 : 0);
        QCOMPARE(page.value(0)->text(), QString(renamed ? "Renamed" : "L"));
        QCOMPARE(QDir(page.logPath()).absolutePath(),
                 QDir(logs() + (renamed ? "/Renamed" : "/L")).absolutePath());
        QVERIFY(QFileInfo(page.logPath()).isDir());
    }

    void tagImagesAndArchiveExport()
    {
        LogFixtures::write(logs() + "/L", LogFixtures::sydney());
        DBHarlekLog page;
        page.setLog("L");
        QSignalSpy tag(&page, &DBHarlekLog::createPTproject), update(&page, &DBHarlekLog::updateDB);
        page.tagButton()->click();
        QCOMPARE(tag.first().first().toString(), QString("L"));
        KorvelTest::whenModal([](QWidget *w) { qobject_cast<QDialog *>(w)->reject(); });
        page.zpxButton()->click();
        QCOMPARE(update.size(), 1);
    }
};

KORVEL_TEST_MAIN(TestDBHarlekLog)
#include "test_dbharleklog.moc"
