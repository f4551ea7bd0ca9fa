#include "database/flightbook/flightbookthread.h"
#include "harleklog/harleklog.h"
#include "logfixtures.h"
#include "support/testkit.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeWidgetItem>
#include <QtTest>

using namespace LogFixtures;

namespace {

void touch(const QString& path, const QByteArray& bytes = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

// Rows of a scan of folder, as column-0 names, sorted; rows of logs that
// could not be read are marked " (skipped)".
QStringList scanNames(const QString& folder)
{
    FlightBookThread thread;
    thread.setPlaceNameLookup([](double, double) { return QString(); });
    QStringList names;
    QObject::connect(&thread, &FlightBookThread::newItem, &thread, [&](QTreeWidgetItem* item) {
        const bool skipped = FlightBookThread::state(item) == FlightBookThread::Skipped;
        names << item->text(0) + (skipped ? " (skipped)" : "");
        delete item;
    }, Qt::DirectConnection);
    QSignalSpy done(&thread, &FlightBookThread::loadingDone);
    thread.setEntries(QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot));
    thread.start();
    thread.wait();
    if (done.count() != 1)
        names << "<loadingDone missing>";
    names.sort();
    return names;
}

} // namespace

class TestFlightBookThread : public QObject
{
    Q_OBJECT

private slots:
    void scanFindsExactlyTheLogFolders()
    {
        QTemporaryDir dir;
        const QString card = dir.filePath("card");
        write(card + "/A", sydney());
        write(card + "/B", sydney());
        QFile::rename(card + "/B/KORVEL.IFO", card + "/B/korvel.ifo");  // FAT cards may lower the case
        write(card + "/A/nested", sydney());   // inside a log folder: not searched
        write(card + "/deep/one/two", sydney());  // three levels down: never reached
        touch(card + "/decoy/KORVEL.LOG", "KORVEL LOG 1\n");  // records without marker
        touch(card + "/decoy/KORVEL.IFO.bak");
        touch(card + "/broken/KORVEL.IFO", "not a log");  // marker, but unreadable: listed as skipped
        touch(card + "/notes.txt");
        HarlekLogContent endless = sydney();
        endless.airTime = 1e300;  // no representable flight time: unreadable, skipped
        write(card + "/endless", endless);
        QCOMPARE(scanNames(card), (QStringList{"A", "B", "broken (skipped)", "endless (skipped)"}));

        // A chosen folder that is a log itself gives one row for itself only.
        touch(card + "/A/sub/x.txt");
        QCOMPARE(scanNames(card + "/A"), QStringList{"A"});
        touch(card + "/A/gps.log");
        QCOMPARE(scanNames(card + "/A"), QStringList{"A"});
    }

    void logRow()
    {
        QTemporaryDir dir;
        HarlekLogContent c = sydney();
        c.airTime = 3725.9;  // 1 h 2 min 5.9 s
        const QString folder = write(dir.filePath("LOG7"), c);
        FlightBookThread thread;
        QList<double> asked;
        thread.setPlaceNameLookup([&](double lon, double lat) {
            asked << lon << lat;
            return QString("Harbour");
        });
        QTreeWidgetItem* item = nullptr;
        connect(&thread, &FlightBookThread::newItem, this, [&](QTreeWidgetItem* i) { item = i; });
        thread.createLogItem(QDir(dir.path() + "/./LOG7"));
        QVERIFY(item);
        std::unique_ptr<QTreeWidgetItem> owner(item);
        QCOMPARE(item->type(), 0);
        QCOMPARE(item->columnCount(), 8);
        QCOMPARE(item->text(FlightBookThread::NoteColumn), QString());
        QCOMPARE(FlightBookThread::state(item), FlightBookThread::Whole);
        QCOMPARE(item->text(0), QString("LOG7"));
        QCOMPARE(item->text(1), QString("2016-03-05 14:07"));
        QCOMPARE(item->text(2), QString("-33.8567844"));
        QCOMPARE(item->text(3), QString("151.2152967"));
        QCOMPARE(item->text(4), QString("Harbour"));
        QCOMPARE(item->text(5), QString("2"));
        QCOMPARE(item->text(6), QString("01:02:05"));
        QCOMPARE(item->data(0, Qt::UserRole).toString(), folder);
        QCOMPARE(item->data(0, Qt::UserRole + 1).toInt(), 2);
        QCOMPARE(item->data(0, Qt::UserRole + 2).toDouble(), -33.8567844);
        QCOMPARE(item->data(0, Qt::UserRole + 3).toDouble(), 151.2152967);
        QCOMPARE(asked, (QList<double>{151.2152967, -33.8567844}));

        // Start at 0 ms, no stored map around, 100 hours in the air.
        c.startUTC = 0;
        c.airTime = 360000;
        write(dir.filePath("LOG8"), c);
        thread.setPlaceNameLookup({});
        thread.createLogItem(QDir(dir.filePath("LOG8")));
        std::unique_ptr<QTreeWidgetItem> second(item);
        QCOMPARE(item->text(1), QString("1970-01-01 00:00"));
        QCOMPARE(item->text(4), QString("Unknown"));
        QCOMPARE(item->text(6), QString("100:00:00"));

        // Flight times without whole seconds in range show as missing.
        QCOMPARE(FlightBookThread::flightTime(1e300), QString("-"));
        QCOMPARE(FlightBookThread::flightTime(std::nan("")), QString("-"));
        QCOMPARE(FlightBookThread::flightTime(-1), QString("-"));
        QCOMPARE(FlightBookThread::flightTime(kMaxAirTime), QString("87649415:59:59"));

        // Direct callers get the reader's exception and no row.
        item = nullptr;
        QVERIFY_EXCEPTION_THROWN(thread.createLogItem(QDir(dir.filePath("none"))), LogNotFoundException);
        QVERIFY(!item);
    }

    // A log cut short is listed and marked; one that cannot be read is listed
    // greyed with its reason.
    void cutShortAndSkippedRows()
    {
        QTemporaryDir dir;
        const QString cut = write(dir.filePath("card/CUT"), sydney());
        QFile records(cut + "/KORVEL.LOG");
        QVERIFY(records.resize(records.size() - 5));  // inside the last point
        const QString bad = write(dir.filePath("card/BAD"), sydney());
        QFile damaged(bad + "/KORVEL.LOG");
        QVERIFY(damaged.open(QIODevice::ReadWrite));
        QByteArray text = damaged.readAll();
        text.replace("\nP;", "\nP;x");
        QVERIFY(damaged.seek(0) && damaged.write(text) == text.size());
        damaged.close();

        FlightBookThread thread;
        thread.setPlaceNameLookup([](double, double) { return QString(); });
        std::vector<std::unique_ptr<QTreeWidgetItem>> rows;
        connect(&thread, &FlightBookThread::newItem, this, [&](QTreeWidgetItem* i) { rows.emplace_back(i); },
                Qt::DirectConnection);
        QCOMPARE(thread.scanFolder(QDir(dir.filePath("card")), 2), 1);
        QCOMPARE(rows.size(), size_t(2));
        std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a->text(0) > b->text(0); });

        QTreeWidgetItem* c = rows[0].get();
        QCOMPARE(c->text(0), QString("CUT"));
        QCOMPARE(FlightBookThread::state(c), FlightBookThread::CutShort);
        QCOMPARE(c->text(FlightBookThread::NoteColumn), QString("Cut short: KORVEL.LOG ends inside line 7"));
        QVERIFY(c->toolTip(1).contains("KORVEL.LOG ends inside line 7"));
        QCOMPARE(c->text(5), QString("2"));  // both tags come before the cut
        QCOMPARE(c->data(0, FlightBookThread::PathRole).toString(), cut);
        QVERIFY(c->flags() & Qt::ItemIsSelectable);

        QTreeWidgetItem* b = rows[1].get();
        QCOMPARE(b->text(0), QString("BAD"));
        QCOMPARE(FlightBookThread::state(b), FlightBookThread::Skipped);
        QVERIFY2(b->text(FlightBookThread::NoteColumn).startsWith("Not read: KORVEL.LOG, line 2: invalid time"),
                 qPrintable(b->text(FlightBookThread::NoteColumn)));
        QVERIFY(b->toolTip(3).contains(bad + "/KORVEL.LOG, line 2"));
        QCOMPARE(b->data(0, FlightBookThread::PathRole).toString(), bad);
        QVERIFY(!(b->flags() & (Qt::ItemIsSelectable | Qt::ItemIsEnabled)));
        for (int col = 1; col < FlightBookThread::NoteColumn; ++col)
            QVERIFY(b->text(col).isEmpty());

        // A whole log has no note; a skipped folder's own path is named by its name.
        std::unique_ptr<QTreeWidgetItem> other(FlightBookThread::skippedItem(dir.filePath("x/LOG"),
            QString("No Korvel Harlek log in \"%1\"").arg(dir.filePath("x/LOG"))));
        QCOMPARE(other->text(FlightBookThread::NoteColumn), QString("Not read: No Korvel Harlek log in \"LOG\""));
        QCOMPARE(FlightBookThread::columnTitles().size(), FlightBookThread::NoteColumn + 1);
    }

    void newScanSupersedesOlder()
    {
        QTemporaryDir dir;
        for (const char* name : {"old1", "old2", "old3"})
            write(dir.filePath(QString("first/") + name), sydney());
        write(dir.filePath("second/new1"), sydney());
        FlightBookScan scan;
        QStringList rows;
        int done = 0;
        connect(&scan, &FlightBookScan::newItem, this, [&](QTreeWidgetItem* item) {
            rows << item->text(0);
            delete item;
        });
        connect(&scan, &FlightBookScan::loadingDone, this, [&] { ++done; });
        const auto noPlace = [](double, double) { return QString(); };
        scan.start(QDir(dir.filePath("first")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot), noPlace);
        scan.start(QDir(dir.filePath("second")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot), noPlace);
        // A scan thread goes only after its end, behind every row it sent.
        QVERIFY(KorvelTest::waitFor([&] { return done > 0 && scan.findChildren<FlightBookThread*>().isEmpty(); }));
        QCOMPARE(rows, QStringList{"new1"});
        QCOMPARE(done, 1);
    }

    void scanOwnerWaitsForRunningThreads()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 20; ++i)
            write(dir.filePath(QString("card/L%1").arg(i)), harleklog::shortHop(1457186879900LL, {}));
        QPointer<FlightBookThread> thread;
        {
            FlightBookScan scan;
            scan.start(QDir(dir.filePath("card")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot),
                       [](double, double) { return QString(); });
            thread = scan.findChild<FlightBookThread*>();
            QVERIFY(thread);
        }
        // Destroying a running QThread would abort the program; the owner
        // stopped and waited for it before deleting it.
        QVERIFY(thread.isNull());
    }
};

KORVEL_TEST_MAIN(TestFlightBookThread)
#include "test_flightbookthread.moc"
