#include "harleklog/harlekdemo.h"
#include "harleklog/harleklog.h"
#include "harleklog/harleklogformat.h"
#include "harleklog/harleklogwriter.h"
#include "support/testkit.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtTest>

#include <cmath>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

PathPoint point(int64_t t, double lat, double lon, double h, int mode = 3)
{
    PathPoint p;
    p.time = t;
    p.latitude = lat;
    p.longitude = lon;
    p.height = h;
    p.roll = 1.25;
    p.pitch = -2.5;
    p.yaw = 359.75;
    p.flightMode = mode;
    return p;
}

const char kInfo[] = "KORVEL HARLEK LOG 1\ntype=2\n";

} // namespace

class TestHarlekLog : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsEveryField()
    {
        QTemporaryDir dir;
        HarlekLogContent c;
        c.type = LogTypeFC;
        c.startUTC = 1457186879900LL;
        c.position = Position{-33.8567844, 151.2152967, 12.5};
        c.airTime = 59.9;
        c.maxDistance = 1234.5678;
        c.maxDistance3D = 1300.25;
        c.maxHeight = 120.0;
        c.path = {point(1000, -33.8567844, 151.2152967, 12.5, 1), point(1100, -33.85678, 151.2153, 13.125, 2)};
        PhotoTag t;
        t.time = 1050;
        t.latitude = -33.85679;
        t.longitude = 151.21529;
        t.height = 12.75;
        t.relativeHeight = 0.25;
        t.roll = 0.5;
        t.pitch = -0.75;
        t.yaw = 181.0;
        c.tags = {t};
        c.messages = {harleklog::batteryMessage()};
        c.records = {{12, harleklog::batteryRecord(900, 0, 0, 5)},
                     {12, harleklog::batteryRecord(1000, 16800, 7, 1800)},
                     {12, harleklog::batteryRecord(1200, 15123, -3, 1700)}};
        const std::string folder = dir.filePath("LOG 1 ü").toStdString();
        std::string error;
        QVERIFY2(harleklog::writeLog(folder, c, &error), error.c_str());

        HarlekLog log(folder);
        QCOMPARE(log.logType(), LogTypeFC);
        QCOMPARE(log.timeUTC(), int64_t(1457186879900LL));
        QCOMPARE(log.position().latitude, -33.8567844);
        QCOMPARE(log.position().longitude, 151.2152967);
        QCOMPARE(log.position().altitude, 12.5);
        QCOMPARE(log.airTime(), 59.9);
        QCOMPARE(log.maxDistance(), 1234.5678);
        QCOMPARE(log.maxDistance3D(), 1300.25);
        QCOMPARE(log.maxHeight(), 120.0);
        const auto path = log.flightPath(0);
        QCOMPARE(path.size(), size_t(2));
        for (size_t i = 0; i < path.size(); ++i) {
            QCOMPARE(path[i].time, c.path[i].time);
            QCOMPARE(path[i].latitude, c.path[i].latitude);
            QCOMPARE(path[i].longitude, c.path[i].longitude);
            QCOMPARE(path[i].height, c.path[i].height);
            QCOMPARE(path[i].roll, c.path[i].roll);
            QCOMPARE(path[i].pitch, c.path[i].pitch);
            QCOMPARE(path[i].yaw, c.path[i].yaw);
            QCOMPARE(path[i].flightMode, c.path[i].flightMode);
        }
        QCOMPARE(log.photoTagCount(), 1);
        const PhotoTag r = log.photoTags().at(0);
        QCOMPARE(r.time, t.time);
        QCOMPARE(r.latitude, t.latitude);
        QCOMPARE(r.longitude, t.longitude);
        QCOMPARE(r.height, t.height);
        QCOMPARE(r.relativeHeight, t.relativeHeight);
        QCOMPARE(r.roll, t.roll);
        QCOMPARE(r.pitch, t.pitch);
        QCOMPARE(r.yaw, t.yaw);

        auto zlog = log.log();
        QVERIFY(zlog);
        auto info = zlog->getMessageInfo("ZEPH_MSG_BATTERY_STATE");
        QCOMPARE(info->id(), 12);
        const auto voltage = info->getVariableInfo("voltage");
        QCOMPARE(voltage.type, int(zephrinLog::TypeUInt16));
        QCOMPARE(voltage.offset, 0);
        QCOMPARE(info->getVariableInfo("usedCapacity").type, int(zephrinLog::TypeInt16));
        const auto first = zlog->getFirstNonZero("ZEPH_MSG_BATTERY_STATE", "voltage");
        QCOMPARE(first.first, int64_t(1000));
        QCOMPARE(first.second, 16800.0);
        const auto* recs = zlog->records(12);
        QVERIFY(recs);
        QCOMPARE(recs->size(), size_t(3));
        QCOMPARE(zephrinLog::ZephrinLog::value(recs->rbegin()->second, info->getVariableInfo("usedCapacity")), -3.0);
        QVERIFY(!zlog->records(13));
        QVERIFY_EXCEPTION_THROWN(zlog->getMessageInfo("ZEPH_MSG_NONE"), LogException);
        QVERIFY_EXCEPTION_THROWN(info->getVariableInfo("none"), LogException);
    }

    void headerValuesComputedFromRecords()
    {
        QTemporaryDir dir;
        HarlekLogContent c;
        // Ground at 500 m, 0.001 degree of longitude east at the equator
        // is 111.195 m on the 6371 km sphere.
        c.path = {point(5000, 0, 0, 0, 1),        // no fix yet
                  point(6000, 0.0, 0.0001, 500.0), point(7000, 0.0, 0.0001, 500.5),
                  point(8000, 0.0, 0.0011, 530.0), point(9500, 0.0, 0.0006, 501.5),
                  point(10000, 0.0, 0.0001, 500.2)};
        QVERIFY(harleklog::writeLog(dir.path().toStdString(), c));
        HarlekLog log(dir.path().toStdString());
        QCOMPARE(log.logType(), LogTypeBasic);
        QCOMPARE(log.log(), nullptr);
        QCOMPARE(log.timeUTC(), int64_t(5000) + kGpsEpochMs);
        QCOMPARE(log.position().longitude, 0.0001);
        QCOMPARE(log.position().altitude, 500.0);
        const double d = 6371000.0 * 0.001 * M_PI / 180.0;
        QVERIFY(std::abs(log.maxDistance() - d) < 1e-6);
        QVERIFY(std::abs(log.maxDistance3D() - std::sqrt(d * d + 900.0)) < 1e-6);
        QCOMPARE(log.maxHeight(), 30.0);
        // Airborne (more than 1 m above the start) from 8000 to 9500 ms.
        QCOMPARE(log.airTime(), 1.5);
        QCOMPARE(harleklog::distance(0, 0, 0, 0.001), d);
    }

    void timesAtTheEdgesOfTheYears1To9999()
    {
        QTemporaryDir dir;
        HarlekLogContent c;
        c.path = {point(kMinTimeUTC - kGpsEpochMs, 0.0, 0.0001, 500.0),
                  point(kMinTimeUTC - kGpsEpochMs + 1, 0.0, 0.0001, 600.0),
                  point(kMaxTimeUTC - kGpsEpochMs, 0.0, 0.0001, 600.0)};
        QVERIFY(harleklog::writeLog(dir.path().toStdString(), c));
        const HarlekLog log(dir.path().toStdString());
        QCOMPARE(log.timeUTC(), kMinTimeUTC);
        QCOMPARE(log.airTime(), double(kMaxTimeUTC - kMinTimeUTC - 1) / 1000.0);
        QCOMPARE(log.flightPath().back().time + kGpsEpochMs, kMaxTimeUTC);

        HarlekLogContent h;
        h.startUTC = kMaxTimeUTC;
        h.airTime = kMaxAirTime;
        QVERIFY(harleklog::writeLog(dir.filePath("h").toStdString(), h));
        const HarlekLog header(dir.filePath("h").toStdString());
        QCOMPARE(header.timeUTC(), kMaxTimeUTC);
        QCOMPARE(header.airTime(), kMaxAirTime);
    }

    void emptyLogHasGpsEpochStartAndNoPosition()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(harleklog::kInfoFile), "\xEF\xBB\xBF" + QByteArray(kInfo) + "# no records yet\r\n");
        writeFile(dir.filePath(harleklog::kLogFile), "KORVEL LOG 1\r\n\r\n");
        HarlekLog log(dir.path().toStdString());
        QCOMPARE(log.timeUTC(), kGpsEpochMs);
        QCOMPARE(log.position().latitude, 0.0);
        QCOMPARE(log.position().longitude, 0.0);
        QCOMPARE(log.position().altitude, 0.0);
        QCOMPARE(log.airTime(), 0.0);
        QVERIFY(log.flightPath(1000).empty());
        QCOMPARE(log.photoTagCount(), 0);
    }

    void notALog_data()
    {
        QTest::addColumn<QByteArray>("info");
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<bool>("folder");
        QTest::newRow("missing folder") << QByteArray() << QByteArray() << false;
        QTest::newRow("empty folder") << QByteArray() << QByteArray() << true;
        QTest::newRow("marker only") << QByteArray(kInfo) << QByteArray() << true;
        QTest::newRow("records only") << QByteArray() << QByteArray("KORVEL LOG 1\n") << true;
        QTest::newRow("empty marker") << QByteArray("") << QByteArray("KORVEL LOG 1\n") << true;
        QTest::newRow("foreign marker") << QByteArray("GPSLOG\ntype=1\n") << QByteArray("KORVEL LOG 1\n") << true;
        QTest::newRow("foreign records") << QByteArray(kInfo) << QByteArray("\x89PNG\r\n") << true;
        QTest::newRow("newer format") << QByteArray("KORVEL HARLEK LOG 12\n") << QByteArray("KORVEL LOG 1\n") << true;
    }
    void notALog()
    {
        QFETCH(QByteArray, info);
        QFETCH(QByteArray, records);
        QFETCH(bool, folder);
        QTemporaryDir dir;
        QString path = dir.filePath("log");
        if (folder) {
            QVERIFY(QDir().mkpath(path));
            if (!info.isNull())
                writeFile(path + "/KORVEL.IFO", info);
            if (!records.isNull())
                writeFile(path + "/KORVEL.LOG", records);
        }
        QVERIFY_EXCEPTION_THROWN(HarlekLog log(path.toStdString()), LogNotFoundException);
        // A plain file is no log folder either.
        writeFile(dir.filePath("file"), kInfo);
        QVERIFY_EXCEPTION_THROWN(HarlekLog log(dir.filePath("file").toStdString()), LogNotFoundException);
        QVERIFY_EXCEPTION_THROWN(HarlekLog log{std::string()}, LogNotFoundException);
    }

    void malformedLines_data()
    {
        QTest::addColumn<QByteArray>("info");
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<QString>("where");
        const QByteArray ok = "KORVEL LOG 1\nP;1;1;2;3;4;5;6;3\n";
        QTest::newRow("short point") << QByteArray(kInfo) << ok + "P;2;1;2;3;4;5;6\n" << "KORVEL.LOG, line 3";
        QTest::newRow("long tag") << QByteArray(kInfo) << ok + "T;2;1;2;3;4;5;6;7;8\n" << "KORVEL.LOG, line 3";
        QTest::newRow("comma decimal") << QByteArray(kInfo) << ok + "P;2;1,5;2;3;4;5;6;3\n" << "KORVEL.LOG, line 3";
        QTest::newRow("text time") << QByteArray(kInfo) << QByteArray("KORVEL LOG 1\nP;x;1;2;3;4;5;6;3\n") << "KORVEL.LOG, line 2";
        QTest::newRow("nan height") << QByteArray(kInfo) << ok + "P;2;1;2;nan;4;5;6;3\n" << "KORVEL.LOG, line 3";
        QTest::newRow("latitude 91") << QByteArray(kInfo) << ok + "P;2;91;2;3;4;5;6;3\n" << "KORVEL.LOG, line 3";
        QTest::newRow("unknown record") << QByteArray(kInfo) << ok + "\nQ;1\n" << "KORVEL.LOG, line 4";
        QTest::newRow("record before def") << QByteArray(kInfo) << ok + "M;4;1;0000\n" << "KORVEL.LOG, line 3";
        QTest::newRow("odd hex") << QByteArray(kInfo) << ok + "D;4;A;v:4:0\nM;4;1;000\n" << "KORVEL.LOG, line 4";
        QTest::newRow("bad hex") << QByteArray(kInfo) << ok + "D;4;A;v:4:0\nM;4;1;00zz\n" << "KORVEL.LOG, line 4";
        QTest::newRow("bad type code") << QByteArray(kInfo) << ok + "D;4;A;v:42:0\n" << "KORVEL.LOG, line 3";
        QTest::newRow("twice defined") << QByteArray(kInfo) << ok + "D;4;A;v:4:0\nD;4;B;v:4:0\n" << "KORVEL.LOG, line 4";
        QTest::newRow("marker no '='") << QByteArray("KORVEL HARLEK LOG 1\ntype 2\n") << ok << "KORVEL.IFO, line 2";
        QTest::newRow("marker bad start") << QByteArray("KORVEL HARLEK LOG 1\nstart=soon\n") << ok << "KORVEL.IFO, line 2";
        QTest::newRow("negative air time") << QByteArray("KORVEL HARLEK LOG 1\n\nairtime=-1\n") << ok << "KORVEL.IFO, line 3";
        // Times beyond the years 1 to 9999 and air times beyond that span
        // would overflow in the callers' arithmetic.
        QTest::newRow("air time 1e300") << QByteArray("KORVEL HARLEK LOG 1\n\nairtime=1e300\n") << ok << "KORVEL.IFO, line 3";
        QTest::newRow("air time 1e12") << QByteArray("KORVEL HARLEK LOG 1\nairtime=1e12\n") << ok << "KORVEL.IFO, line 2";
        QTest::newRow("start int64 max") << QByteArray("KORVEL HARLEK LOG 1\nstart=9223372036854775807\n") << ok << "KORVEL.IFO, line 2";
        QTest::newRow("start year 0") << QByteArray("KORVEL HARLEK LOG 1\nstart=-62135596800001\n") << ok << "KORVEL.IFO, line 2";
        QTest::newRow("point int64 max") << QByteArray(kInfo) << ok + "P;9223372036854775807;1;2;3;4;5;6;3\n" << "KORVEL.LOG, line 3";
        QTest::newRow("point int64 min") << QByteArray(kInfo) << ok + "P;-9223372036854775808;1;2;3;4;5;6;3\n" << "KORVEL.LOG, line 3";
        QTest::newRow("point year 10000") << QByteArray(kInfo) << ok + "P;253086336000000;1;2;3;4;5;6;3\n" << "KORVEL.LOG, line 3";
        QTest::newRow("tag int64 max") << QByteArray(kInfo) << ok + "T;9223372036854775807;1;2;3;4;5;6;7\n" << "KORVEL.LOG, line 3";
        QTest::newRow("message time") << QByteArray(kInfo) << ok + "D;4;A;v:4:0\nM;4;-9223372036854775807;0000\n" << "KORVEL.LOG, line 4";
    }
    void malformedLines()
    {
        QFETCH(QByteArray, info);
        QFETCH(QByteArray, records);
        QFETCH(QString, where);
        QTemporaryDir dir;
        writeFile(dir.filePath("KORVEL.IFO"), info);
        writeFile(dir.filePath("KORVEL.LOG"), records);
        try {
            HarlekLog log(dir.path().toStdString());
            QFAIL("no exception");
        } catch (const LogNotFoundException& e) {
            QFAIL(e.what());
        } catch (const LogException& e) {
            const QString what = QString::fromStdString(e.what());
            QVERIFY2(what.contains(where), qPrintable(what));
            QVERIFY2(what.contains(dir.path()), qPrintable(what));
        }
    }

    // A file that ends without a line end keeps what came before its last
    // line; every other damage refuses the log.
    void cutShort_data()
    {
        QTest::addColumn<QByteArray>("info");
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<QString>("expected");  // "whole", "cut: <reason>" or "refused: <where>"
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("tags");
        const QByteArray info(kInfo);
        const QByteArray ok = "KORVEL LOG 1\nP;1;1;2;3;4;5;6;3\n";
        const QByteArray point = "P;2;1;2;3;4;5;6;3";
        const QByteArray tag = "T;3;1;2;3;4;5;6;7";
        const QString line3 = "cut: KORVEL.LOG ends inside line 3";
        QTest::newRow("cut in a point") << info << ok + "P;2;1.2" << line3 << 1 << 0;
        QTest::newRow("cut in a tag") << info << ok + "T;3;1;2;3" << line3 << 1 << 0;
        QTest::newRow("cut in a definition") << info << ok + "D;4;BA" << line3 << 1 << 0;
        QTest::newRow("cut after its last line end") << info << ok + point + "\n" << "whole" << 2 << 0;
        QTest::newRow("cut inside \\r\\n") << info << ok + point + "\r" << "whole" << 2 << 0;
        // "T;...;75" cut to "T;...;7" still reads: the line is left out all the same.
        QTest::newRow("cut in the last number") << info << ok + tag + "\n" + tag << "cut: KORVEL.LOG ends inside line 4" << 1 << 1;
        QTest::newRow("cut leaving no points") << info << QByteArray("KORVEL LOG 1\nP;1;1;2;3;4") << "cut: KORVEL.LOG ends inside line 2" << 0 << 0;
        QTest::newRow("cut after the first line") << info << QByteArray("KORVEL LOG 1") << "cut: KORVEL.LOG ends inside line 1" << 0 << 0;
        QTest::newRow("zeros after the cut") << info << ok + "P;2;1;2;3" + QByteArray(512, '\0') << line3 << 1 << 0;
        QTest::newRow("cut in a character") << info << ok + "# Flug \xC3\xBC" "ber K\xC3" << line3 << 1 << 0;
        QTest::newRow("cut in a 4-byte character") << info << ok + "D;4;\xF0\x9F\x9A" << line3 << 1 << 0;
        QTest::newRow("cut in the marker") << info + "start=14" << ok << "cut: KORVEL.IFO ends inside line 3" << 1 << 0;
        QTest::newRow("both files cut") << info + "airti" << ok + "P;2"
                                        << "cut: KORVEL.IFO ends inside line 3; KORVEL.LOG ends inside line 3" << 1 << 0;
        QTest::newRow("damaged middle line") << info << ok + "P;2;1.2\n" + point + "\n" << "refused: KORVEL.LOG, line 3" << 0 << 0;
        QTest::newRow("damaged last line with line end") << info << ok + "P;2;1.2\n" << "refused: KORVEL.LOG, line 3" << 0 << 0;
        QTest::newRow("damaged last line with \\r\\n") << info << ok + "P;2;1.2\r\n" << "refused: KORVEL.LOG, line 3" << 0 << 0;
        QTest::newRow("damaged last line, \\n cut") << info << ok + "P;2;1.2\r" << "refused: KORVEL.LOG, line 3" << 0 << 0;
        QTest::newRow("damaged marker line") << info + "airtime=-1\n" << ok + "P;2" << "refused: KORVEL.IFO, line 3" << 0 << 0;
        // Cut inside the first line, the file holds nothing of the flight.
        QTest::newRow("cut in the records' first line") << info << QByteArray("KORVEL LO") << "refused: KORVEL.LOG, line 1" << 0 << 0;
        QTest::newRow("cut in the marker's first line") << QByteArray("\xEF\xBB\xBFKORVEL HARLEK") << ok << "refused: KORVEL.IFO, line 1" << 0 << 0;
    }
    void cutShort()
    {
        QFETCH(QByteArray, info);
        QFETCH(QByteArray, records);
        QFETCH(QString, expected);
        QFETCH(int, points);
        QFETCH(int, tags);
        QTemporaryDir dir;
        writeFile(dir.filePath("KORVEL.IFO"), info);
        writeFile(dir.filePath("KORVEL.LOG"), records);
        if (expected.startsWith("refused: ")) {
            try {
                HarlekLog log(dir.path().toStdString());
                QFAIL("read");
            } catch (const LogNotFoundException& e) {
                QFAIL(e.what());
            } catch (const LogException& e) {
                const QString what = QString::fromStdString(e.what());
                QVERIFY2(what.contains(dir.filePath(expected.mid(9))), qPrintable(what));
            }
            return;
        }
        const HarlekLog log(dir.path().toStdString());
        QCOMPARE(log.isCutShort(), expected != "whole");
        QCOMPARE(QString::fromStdString(log.cutShortReason()), expected == "whole" ? QString() : expected.mid(5));
        QCOMPARE(int(log.flightPath().size()), points);
        QCOMPARE(log.photoTagCount(), tags);
        if (info.contains("start=14"))  // not 14 ms after 1970: taken from the records
            QCOMPARE(log.timeUTC(), kGpsEpochMs + 1);
    }

    // The flight-controller log: a message record cut inside its data.
    void cutMessageRecord()
    {
        QTemporaryDir dir;
        HarlekLogContent c = harleklog::batteryFlight(1781256600000LL, harleklog::DemoSite{});
        QVERIFY(harleklog::writeLog(dir.path().toStdString(), c));
        QFile file(dir.filePath(harleklog::kLogFile));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        file.close();
        const int last = whole.lastIndexOf("\nM;") + 1;
        QVERIFY(last > 0);
        // Two hex digits short: still an even count, one value less.
        const int cut = whole.indexOf('\n', last) - 2;
        QVERIFY(file.resize(cut));
        const HarlekLog log(dir.path().toStdString());
        QVERIFY(log.isCutShort());
        QVERIFY(log.log());
        const int before = whole.left(last).count("\nM;");
        QCOMPARE(int(log.log()->records(12)->size()), before);
        for (const auto& r : *log.log()->records(12))
            QCOMPARE(r.second.data.size(), size_t(6));
        const auto first = log.log()->getFirstNonZero("ZEPH_MSG_BATTERY_STATE", "voltage");
        QVERIFY(first.second > 16000);
    }

    // The demo survey as the aircraft leaves it when its power fails: the
    // records file ends halfway through a line.
    void demoLogCutMidLine()
    {
        QTemporaryDir dir;
        const HarlekLogContent survey = harleklog::surveyFlight(1781256600000LL, harleklog::DemoSite{});
        QVERIFY(harleklog::writeLog(dir.path().toStdString(), survey));
        QFile file(dir.filePath(harleklog::kLogFile));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray whole = file.readAll();
        file.close();
        // Cut in the middle of a line about halfway through.
        int cut = whole.indexOf('\n', whole.size() / 2) + 1;
        cut += (whole.indexOf('\n', cut) - cut) / 2;
        const QByteArray kept = whole.left(cut);
        QVERIFY(file.resize(cut));
        const QByteArray wholeLines = kept.left(kept.lastIndexOf('\n') + 1);
        const int points = wholeLines.count("\nP;");
        const int tags = wholeLines.count("\nT;");

        const HarlekLog log(dir.path().toStdString());
        QVERIFY(log.isCutShort());
        QCOMPARE(QString::fromStdString(log.cutShortReason()),
                 QString("KORVEL.LOG ends inside line %1").arg(kept.count('\n') + 1));
        QVERIFY(points > 100 && size_t(points) < survey.path.size());
        QVERIFY(tags > 0 && size_t(tags) < survey.tags.size());
        QCOMPARE(log.flightPath().size(), size_t(points));
        QCOMPARE(log.photoTagCount(), tags);
        QCOMPARE(log.flightPath().back().time, survey.path[size_t(points) - 1].time);
        QCOMPARE(log.timeUTC(), survey.path.front().time + kGpsEpochMs);
        QVERIFY(log.airTime() > 0);

        // Cut right after a line end it is whole.
        QVERIFY(file.resize(wholeLines.size()));
        const HarlekLog shorter(dir.path().toStdString());
        QVERIFY(!shorter.isCutShort());
        QCOMPARE(shorter.flightPath().size(), size_t(points));
    }

    void flightPathThinning()
    {
        QTemporaryDir dir;
        HarlekLogContent c;
        for (int i = 0; i < 100; ++i)
            c.path.push_back(point(1000 + 100 * i, 48.0 + i * 1e-5, 11.0, 500.0));
        std::swap(c.path[10], c.path[11]);  // out of order on the card: read back sorted
        QVERIFY(harleklog::writeLog(dir.path().toStdString(), c));
        const HarlekLog log(dir.path().toStdString());
        const auto all = log.flightPath(0);
        QCOMPARE(all.size(), size_t(100));
        for (size_t i = 1; i < all.size(); ++i)
            QVERIFY(all[i - 1].time < all[i].time);
        QCOMPARE(log.flightPath(1000).size(), size_t(100));
        const auto ten = log.flightPath(10);
        QCOMPARE(ten.size(), size_t(10));
        QCOMPARE(ten.front().time, int64_t(1000));
        QCOMPARE(ten.back().time, int64_t(1000 + 99 * 100));
        for (size_t i = 1; i < ten.size(); ++i)
            QVERIFY(ten[i - 1].time < ten[i].time);
        QCOMPARE(log.flightPath(1).size(), size_t(1));
        // The flight book reads a shared log on the thread pool.
        auto shared = std::make_shared<HarlekLog>(dir.path().toStdString());
        QFuture<std::vector<PathPoint>> future = QtConcurrent::run(shared.get(), &HarlekLog::flightPath, 10);
        QCOMPARE(future.result().size(), size_t(10));
    }

    void recordReadsCheckTheRecordSize()
    {
        zephrinLog::ZephrinLogRecord r;
        r.data = {0x34, 0x12, 0xFF};
        QCOMPARE(zephrinLog::ZephrinLog::value(r, {"a", zephrinLog::TypeUInt16, 0}), double(0x1234));
        QCOMPARE(zephrinLog::ZephrinLog::value(r, {"b", zephrinLog::TypeInt8, 2}), -1.0);
        QVERIFY_EXCEPTION_THROWN(zephrinLog::ZephrinLog::value(r, {"c", zephrinLog::TypeInt16, 2}), LogException);
        QVERIFY_EXCEPTION_THROWN(zephrinLog::ZephrinLog::value(r, {"d", zephrinLog::TypeUInt32, 0}), LogException);
        QVERIFY_EXCEPTION_THROWN(zephrinLog::ZephrinLog::value(r, {"e", zephrinLog::TypeInt16, -1}), LogException);
    }

    void logsReadInParallel()
    {
        QTemporaryDir dir;
        QStringList folders;
        for (int i = 0; i < 8; ++i) {
            auto c = harleklog::shortHop(1700000000000LL + i * 1000, harleklog::DemoSite{}, unsigned(i));
            const QString f = dir.filePath(QString("L%1").arg(i));
            QVERIFY(harleklog::writeLog(f.toStdString(), c));
            folders << f;
        }
        std::function<qint64(const QString&)> read = [](const QString& f) {
            return qint64(HarlekLog(f.toStdString()).timeUTC());
        };
        const QList<qint64> starts = QtConcurrent::blockingMapped<QList<qint64>>(folders, read);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(starts.at(i), 1700000000100LL + i * 1000);  // first sample 100 ms in
    }

    void demoCardProgram()
    {
        QTemporaryDir dir;
        QProcess p;
        p.start(QStringLiteral(KORVEL_BINARY_DIR "/bin/korvel-demo-logs"),
                {dir.filePath("card"), "2025-04-01T08:15"});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        const QStringList printed = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(printed.size(), 4);

        const int64_t start = QDateTime(QDate(2025, 4, 1), QTime(8, 15), Qt::UTC).toMSecsSinceEpoch();
        HarlekLog survey(printed.at(0).toStdString());
        QCOMPARE(survey.timeUTC(), start + 100);
        QVERIFY(survey.photoTagCount() > 20);
        QVERIFY(survey.airTime() > 60);
        QVERIFY(survey.maxHeight() > 55 && survey.maxHeight() < 65);
        QSet<int> modes;
        for (const PathPoint& pt : survey.flightPath(0))
            modes.insert(pt.flightMode);
        QCOMPARE(modes, (QSet<int>{1, 2, 3}));

        HarlekLog hop(printed.at(1).toStdString());
        QCOMPARE(hop.photoTagCount(), 0);
        QVERIFY(hop.airTime() > 30 && hop.airTime() < 180);

        HarlekLog battery(printed.at(2).toStdString());
        QCOMPARE(battery.logType(), LogTypeFC);
        const auto v = battery.log()->getFirstNonZero("ZEPH_MSG_BATTERY_STATE", "voltage");
        QVERIFY(v.second > 16000 && v.second <= 16800);

        QProcess bad;
        bad.start(p.program(), {dir.filePath("x"), "tomorrow"});
        QVERIFY(bad.waitForFinished(20000));
        QCOMPARE(bad.exitCode(), 2);
    }
};

KORVEL_TEST_MAIN(TestHarlekLog)
#include "test_harleklog.moc"
