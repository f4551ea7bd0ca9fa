#include "database/flightbook/fbconverter.h"
#include "logfixtures.h"
#include "support/testkit.h"

#include <QLabel>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QtTest>

using namespace LogFixtures;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Type-1 log: start 2016-03-05 14:07:59.900 UTC, 100 h air time, battery
// records whose first non-zero voltage is 16900 mV and last 16800 mV.
HarlekLogContent fcLog(bool withRecords = true)
{
    HarlekLogContent c;
    c.type = LogTypeFC;
    c.startUTC = 1457186879900LL;
    c.position = Position{48.25, 11.5, 500};
    c.airTime = 360000.0;
    c.maxDistance = 1.0005;
    c.maxDistance3D = 2.5;
    c.maxHeight = 120;
    c.messages = {harleklog::batteryMessage()};
    if (withRecords)
        c.records = {{12, harleklog::batteryRecord(1, 0, 0, 0)},
                     {12, harleklog::batteryRecord(2, 16900, 10, 0)},
                     {12, harleklog::batteryRecord(3, 16800, -7, 0)}};
    return c;
}

QStringList runWorker(const QString& csv, const QStringList& logs, int cancelAt = 0)
{
    FBConverterThread worker(csv, logs);
    QStringList errors;
    QObject::connect(&worker, &FBConverterThread::error, &worker, [&](const QString& e) { errors << e; },
                     Qt::DirectConnection);
    QObject::connect(&worker, &FBConverterThread::processing, &worker, [&](int i, int) {
        if (i == cancelAt)
            worker.cancelIt();
    }, Qt::DirectConnection);
    worker.start();
    worker.wait();
    return errors;
}

const QByteArray kHeader = "Date & Time (UTC);Log Directory;Flight time;Start Longitude;Start Latitude;"
                           "Maximal Distance 2D;Maximal Distance 3D;Maximal Height;Battery Voltage Start;"
                           "Battery Voltage End;Used capacity;\n";

} // namespace

class TestFBConverter : public QObject
{
    Q_OBJECT

private slots:
    void logBookRows()
    {
        QTemporaryDir dir;
        const QString basic = write(dir.filePath("sydney"), sydney());
        const QString fc = write(dir.filePath("fc"), fcLog());
        HarlekLogContent grounded = sydney();
        grounded.airTime = 0.0;
        const QString noAir = write(dir.filePath("grounded"), grounded);
        HarlekLogContent noFix = sydney();
        noFix.startUTC = kGpsEpochMs;
        const QString noTime = write(dir.filePath("nofix"), noFix);
        const QString broken = dir.filePath("broken");
        QDir().mkpath(broken);
        const QString noBattery = write(dir.filePath("nobattery"), fcLog(false));
        HarlekLogContent endless = sydney();
        endless.airTime = 1e300;
        const QString tooLong = write(dir.filePath("endless"), endless);

        const QString csv = dir.filePath("book.csv");
        const QStringList errors = runWorker(csv, {basic, noAir, fc, noTime, broken, noBattery, tooLong});
        const QByteArray expected = kHeader
            + "05-03-2016 14:07;" + basic.toUtf8() + ";00:00:59;151.2152967000;-33.8567844000;75.250;80.500;120.000;\n"
            + "05-03-2016 14:07;" + fc.toUtf8() + ";100:00:00;11.5000000000;48.2500000000;1.000;2.500;120.000;"
              "16.900;16.800;-7;\n";
        QCOMPARE(readFile(csv), expected);
        // The unreadable logs are named once, together.
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.at(0).contains("broken"));
        QVERIFY(errors.at(0).contains("nobattery"));
        QVERIFY(errors.at(0).contains("endless"));
        QVERIFY(errors.at(0).contains("has no data!"));
    }

    void emptyListGivesHeaderOnly()
    {
        QTemporaryDir dir;
        QVERIFY(runWorker(dir.filePath("empty.csv"), {}).isEmpty());
        QCOMPARE(readFile(dir.filePath("empty.csv")), kHeader);
    }

    void unwritableFileIsReported()
    {
        QTemporaryDir dir;
        const QStringList errors = runWorker(dir.filePath("no/such/folder.csv"), {});
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.at(0).contains("folder.csv"));
    }

    void cancelStopsBeforeTheNextLog()
    {
        QTemporaryDir dir;
        QStringList logs;
        for (int i = 0; i < 5; ++i)
            logs << write(dir.filePath(QString("log%1").arg(i)), sydney());
        const QString csv = dir.filePath("book.csv");
        runWorker(csv, logs, 3);
        const QList<QByteArray> lines = readFile(csv).split('\n');
        QCOMPARE(lines.size(), 1 + 3 + 1);  // header, three logs, empty rest after the last line feed
        QVERIFY(lines.at(3).contains("log2"));
    }

    void sixteenBitReaders()
    {
        zephrinLog::ZephrinLog log;
        log.addMessageInfo(std::make_shared<zephrinLog::ZephrinLogMessageInfo>(
            12, "ZEPH_MSG_BATTERY_STATE",
            std::vector<zephrinLog::ZephrinLogVariableInfo>{{"voltage", zephrinLog::TypeUInt16, 0},
                                                            {"usedCapacity", zephrinLog::TypeInt16, 2},
                                                            {"far", zephrinLog::TypeInt16, 6}}));
        auto message = [&](auto fn) -> QString {
            try {
                fn();
            } catch (const LogException& e) {
                return QString::fromStdString(e.what());
            }
            return QString();
        };
        QCOMPARE(message([&] { FBConverterThread::lastUInt16Value(log, "ZEPH_MSG_BATTERY_STATE", "voltage"); }),
                 QString("Message \"ZEPH_MSG_BATTERY_STATE\" has no data!"));
        log.addRecord(12, harleklog::batteryRecord(5, 16800, -2, 0));
        log.addRecord(12, harleklog::batteryRecord(6, 40000, -300, 0));
        QCOMPARE(FBConverterThread::lastUInt16Value(log, "ZEPH_MSG_BATTERY_STATE", "voltage"), 40000u);
        QCOMPARE(FBConverterThread::lastInt16Value(log, "ZEPH_MSG_BATTERY_STATE", "usedCapacity"), -300);
        QCOMPARE(message([&] { FBConverterThread::lastInt16Value(log, "ZEPH_MSG_BATTERY_STATE", "voltage"); }),
                 QString("Types dont match on \"voltage\" in \"ZEPH_MSG_BATTERY_STATE\""));
        QCOMPARE(message([&] { FBConverterThread::lastUInt16Value(log, "ZEPH_MSG_BATTERY_STATE", "usedCapacity"); }),
                 QString("Types dont match on \"usedCapacity\" in \"ZEPH_MSG_BATTERY_STATE\""));
        // A six-byte record has no word at offset 6.
        QVERIFY(!message([&] { FBConverterThread::lastInt16Value(log, "ZEPH_MSG_BATTERY_STATE", "far"); }).isEmpty());
    }

    void escapeCancelsAndWaits()
    {
        QTemporaryDir dir;
        QStringList logs;
        for (int i = 0; i < 3; ++i)
            logs << write(dir.filePath(QString("log%1").arg(i)), sydney());
        const QString csv = dir.filePath("book.csv");
        FBConverter diag(csv, logs);
        QSemaphore reading;
        QSemaphore atSecond;
        // Hold the worker at the second log, the first one written, until
        // Escape was pressed.
        FBConverterThread* worker = diag.findChild<FBConverterThread*>();
        QVERIFY(worker);
        connect(worker, &FBConverterThread::processing, worker, [&](int i, int) {
            if (i == 1) {
                atSecond.release();
                reading.acquire();
            }
        }, Qt::DirectConnection);
        bool stayed = false;
        KorvelTest::whenModal([&](QWidget* w) {
            QCOMPARE(w->windowTitle(), QString("Create log book"));
            atSecond.acquire();
            QTest::keyClick(w, Qt::Key_Escape);
            stayed = w->isVisible();
            QCOMPARE(w->findChild<QLabel*>("status")->text(), QString("Cancelling..."));
            reading.release();
        });
        QCOMPARE(diag.startDiag(), int(QDialog::Accepted));
        QVERIFY(stayed);
        QVERIFY(worker->isFinished());
        const QList<QByteArray> lines = readFile(csv).split('\n');
        QCOMPARE(lines.size(), 1 + 1 + 1);
    }
};

KORVEL_TEST_MAIN(TestFBConverter)
#include "test_fbconverter.moc"
