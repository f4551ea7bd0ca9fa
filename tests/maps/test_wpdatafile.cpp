// The flight-plan file: exact bytes of the head and of a version-192
// record, reading version-32 plans, round trips, and refusing damaged,
// foreign and unknown files without touching the plan.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <limits>

#include "core/data.h"
#include "support/testkit.h"
#include "maps/wpdata.h"
#include "wpfixture.h"
#include "maps/items/wpwaypoint.h"

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray be(double v)
{
    QByteArray b(8, 0);
    qToBigEndian(v, b.data());
    return b;
}

// An old (version 32) plan written the way the old program did.
QByteArray version32Plan(const QList<QPair<QPointF, qint16>> &waypoints, qint32 version = 32)
{
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    s.setVersion(12);
    s << QString("KorvelWPData") << version << qint32(waypoints.size());
    for (const auto &w : waypoints) {
        s << w.first.x() << w.first.y() << true << true << false << qint8(0) << qint8(90)
          << qint16(250) << qint16(3000) << qint32(45000) << qint32(25000) << qint8(2)
          << w.second << qint32(7) << qint32(8) << qint32(9);
    }
    return bytes;
}

}  // namespace

class TestWPDataFile : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_map;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { m_map = WPFixture::writeMap(m_dir.path()); }

    void emptyPlanIs36Bytes()
    {
        WPData plan;
        plan.setFilePath(path("empty.zfp"));
        QVERIFY(plan.writeFile());
        const QByteArray expected =
            QByteArray::fromHex("00000018") +
            QByteArray::fromHex("004b006f007200760065006c005700500044006100740061") +
            QByteArray::fromHex("000000c0") + QByteArray::fromHex("00000000");
        QCOMPARE(expected.size(), 36);
        QCOMPARE(fileBytes(plan.filePath()), expected);

        WPData back;
        back.setFilePath(plan.filePath());
        QCOMPARE(back.readFile(), int(WPData::ReadOk));
        QCOMPARE(back.count(), 0);
    }

    void oneRecordFieldByField()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        auto *item = new WPWaypoint(500, 400, 1.0, 1, 0);
        plan.addWaypoint(item, WPFixture::Typed().height(35.5).yaw(90).trigger().pitch(-90)
                                   .pictures(3).posAcc(2.5).wait(1.5).maxSpeed(80).speed(6.5f)
                                   .acc(2.0f).roll(15));
        plan.setProperties(1, 1);
        item->setPosition(250, 200);  // moved on the map after it was made
        plan.setFilePath(path("one.zfp"));
        QVERIFY(plan.writeFile());
        const QByteArray bytes = fileBytes(plan.filePath());
        QCOMPARE(bytes.size(), 36 + 60);
        QCOMPARE(bytes.mid(32, 4), QByteArray::fromHex("00000001"));

        const QPointF geo = plan.pixelToGeo(250, 200);
        QVERIFY(qAbs(geo.x() - 11.0025) < 1e-9 && qAbs(geo.y() - 48.0075) < 1e-9);
        const struct {
            const char *field;
            int offset;
            QByteArray bytes;
        } fields[] = {
            {"longitude", 0, be(geo.x())},
            {"latitude", 8, be(geo.y())},
            {"active", 16, QByteArray::fromHex("01")},
            {"triggerCamera", 17, QByteArray::fromHex("01")},
            {"showCamera", 18, QByteArray::fromHex("00")},
            {"properties", 19, QByteArray::fromHex("01")},
            {"maxSpeed", 20, QByteArray::fromHex("50")},
            {"time", 21, QByteArray::fromHex("0096")},
            {"posAcc", 23, QByteArray::fromHex("09c4")},
            {"yaw", 25, QByteArray::fromHex("00015f90")},
            {"height", 29, QByteArray::fromHex("00008aac")},
            {"noPictures", 33, QByteArray::fromHex("03")},
            {"pitch", 34, QByteArray::fromHex("07d0")},
            {"v3Speed", 36, QByteArray::fromHex("401a000000000000")},
            {"desiredAcc", 44, QByteArray::fromHex("4000000000000000")},
            {"camAngleRoll", 52, QByteArray::fromHex("0000000f")},
            {"type", 56, QByteArray::fromHex("00000000")},
        };
        for (const auto &f : fields)
            QVERIFY2(bytes.mid(36 + f.offset, f.bytes.size()) == f.bytes,
                     qPrintable(QString("%1: %2").arg(f.field).arg(
                         QString(bytes.mid(36 + f.offset, f.bytes.size()).toHex()))));
    }

    void roundTrip()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        plan.addWaypoint(new WPWaypoint(120, 80, 1.0, 1, 1),
                         WPFixture::Typed().height(40).yaw(10).trigger().pitch(-45).pictures(2)
                             .posAcc(3).wait(4).maxSpeed(60).type(1).speed(6.5f).acc(1.5f)
                             .roll(-20).follows());
        plan.addWaypoint(new WPWaypoint(700, 650, 1.0, 2, 11),
                         WPFixture::Typed().height(41).yaw(350).pitch(10).posAcc(0.5).type(11)
                             .speed(9.25f).acc(3.0f));
        plan.addDefaultWaypoint(new WPWaypoint(900, 100, 1.0, 3, 0));
        plan.setWaypoint_flightstatus(2, 2, true);
        plan.setFilePath(path("trip.zfp"));
        QVERIFY(plan.writeFile());

        WPData back;
        QVERIFY(back.loadMapImage(m_map));
        back.setFilePath(plan.filePath());
        QCOMPARE(back.readFile(), int(WPData::ReadOk));
        QCOMPARE(back.count(), 3);
        for (int n = 1; n <= 3; ++n) {
            const Waypoint a = plan.record(n), b = back.record(n);
            QCOMPARE(b.height, a.height);
            QCOMPARE(b.yaw, a.yaw);
            QCOMPARE(b.pitch, a.pitch);
            QCOMPARE(b.time, a.time);
            QCOMPARE(b.posAcc, a.posAcc);
            QCOMPARE(b.maxSpeed, a.maxSpeed);
            QCOMPARE(b.noPictures, a.noPictures);
            QCOMPARE(b.properties, a.properties);
            QCOMPARE(b.active, a.active);
            QCOMPARE(b.triggerCamera, a.triggerCamera);
            QCOMPARE(b.showCamera, a.showCamera);
            QCOMPARE(b.v3Speed, a.v3Speed);
            QCOMPARE(b.desiredAcc, a.desiredAcc);
            QCOMPARE(b.camAngleRoll, a.camAngleRoll);
            QCOMPARE(b.type, a.type);
            QCOMPARE(back.fileGeoList().at(n - 1), QPointF(a.longitude, a.latitude));
            QVERIFY((back.waypointPos(n) - plan.waypointPos(n)).manhattanLength() < 1e-6);
            QCOMPARE(back.waypointItem(n)->number(), n);
            QCOMPARE(back.waypointItem(n)->waypointType(), a.type);
            QCOMPARE(back.waypointItem(n)->viewScale(), 1.0);
        }
        QCOMPARE(back.v3Speed(1), 6.5f);
        QCOMPARE(back.waypoint_flightstatus(2), 0u);  // never saved

        // Saving over it replaces the old plan as a whole.
        plan.removeWaypoint(3);
        QVERIFY(plan.writeFile());
        QCOMPARE(fileBytes(plan.filePath()).size(), 36 + 2 * 60);
    }

    void readsVersion32()
    {
        const QByteArray bytes =
            version32Plan({{QPointF(11.005, 48.005), 11000}, {QPointF(11.0025, 48.0075), 12000}});
        QCOMPARE(bytes.size(), 36 + 2 * 48);
        writeBytes(path("old.zfp"), bytes);
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        plan.setFilePath(path("old.zfp"));
        QCOMPARE(plan.readFile(), int(WPData::ReadOk));
        QCOMPARE(plan.count(), 2);
        QCOMPARE(quint16(plan.record(1).pitch), quint16(11000));
        QCOMPARE(quint16(plan.record(2).pitch), quint16(10000));  // +10 old becomes -10
        QCOMPARE(plan.camAngleNick(2), -10.0);
        for (int n = 1; n <= 2; ++n) {
            QCOMPARE(plan.record(n).type, 3);
            QCOMPARE(plan.waypointItem(n)->waypointType(), 3);
            QCOMPARE(plan.v3Speed(n), 6.0f);
            QCOMPARE(plan.desiredAcc(n), 2.0f);
            QCOMPARE(plan.record(n).camAngleRoll, 0);
        }
        const Waypoint r = plan.record(1);
        QVERIFY(r.active && r.triggerCamera && !r.showCamera);
        QCOMPARE(int(r.maxSpeed), 90);
        QCOMPARE(r.time, qint16(250));
        QCOMPARE(r.posAcc, qint16(3000));
        QCOMPARE(r.yaw, 45000);
        QCOMPARE(r.height, 25000);
        QCOMPARE(r.noPictures, qint8(2));
        QVERIFY((plan.waypointPos(1) - QPointF(500, 400)).manhattanLength() < 1e-6);
        QVERIFY((plan.waypointPos(2) - QPointF(250, 200)).manhattanLength() < 1e-6);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("result");
        WPData one;
        const Waypoint wp = WPFixture::Typed().height(1).maxSpeed(50).speed(5).acc(2);
        one.addWaypoint(new WPWaypoint(1, 1, 1.0, 1, 0), wp);
        one.addWaypoint(new WPWaypoint(2, 2, 1.0, 2, 0), wp);
        one.setFilePath(path("two.zfp"));
        QVERIFY(one.writeFile());
        const QByteArray good = fileBytes(one.filePath());
        QByteArray manyClaimed = good;
        manyClaimed.replace(32, 4, QByteArray::fromHex("000003e8"));
        QByteArray foreign = good;
        foreign.replace(4, 2, QByteArray::fromHex("004d"));  // "M" for "K"
        QByteArray newer = good;
        newer.replace(28, 4, QByteArray::fromHex("000000c1"));

        QTest::newRow("empty file") << QByteArray() << int(WPData::Damaged);
        QTest::newRow("head cut short") << good.left(30) << int(WPData::Damaged);
        QTest::newRow("magic cut short") << good.left(10) << int(WPData::Damaged);
        QTest::newRow("last record cut") << good.left(good.size() - 10) << int(WPData::Damaged);
        QTest::newRow("count beyond the file") << manyClaimed << int(WPData::Damaged);
        QTest::newRow("foreign magic") << foreign << int(WPData::NotAFlightPlan);
        QTest::newRow("text file") << QByteArray("lon;lat\n11;48\n") << int(WPData::NotAFlightPlan);
        QTest::newRow("unknown version") << newer << int(WPData::UnknownVersion);
        QTest::newRow("old version cut") << version32Plan({{QPointF(11, 48), 11000}}).left(60)
                                         << int(WPData::Damaged);
        // A position that is no number: the first record's longitude, then
        // the second record's latitude.
        const QByteArray nan = be(std::numeric_limits<double>::quiet_NaN());
        const QByteArray inf = be(std::numeric_limits<double>::infinity());
        QTest::newRow("NaN longitude") << QByteArray(good).replace(36, 8, nan) << int(WPData::Damaged);
        QTest::newRow("infinite latitude") << QByteArray(good).replace(36 + 60 + 8, 8, inf)
                                           << int(WPData::Damaged);
        QTest::newRow("minus infinity in an old plan")
            << version32Plan({{QPointF(-std::numeric_limits<double>::infinity(), 48), 11000}})
            << int(WPData::Damaged);
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, result);
        writeBytes(path("bad.zfp"), bytes);
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        plan.setFilePath(path("bad.zfp"));
        QCOMPARE(plan.readFile(), result);
        QCOMPARE(plan.count(), 0);  // no zero-filled or half-read waypoints
        QVERIFY(plan.fileGeoList().isEmpty());
        QCOMPARE(fileBytes(path("bad.zfp")), bytes);  // nothing rewritten
    }

    void readCodes()
    {
        WPData plan;
        plan.setFilePath(path("missing.zfp"));
        QCOMPARE(plan.readFile(), int(WPData::FileMissing));
        QDir(m_dir.path()).mkdir("folder.zfp");
        plan.setFilePath(path("folder.zfp"));
        QCOMPARE(plan.readFile(), int(WPData::CannotOpen));

        // Into a plan that already has waypoints nothing is read.
        writeBytes(path("old1.zfp"), version32Plan({{QPointF(11.005, 48.005), 11000}}));
        plan.addDefaultWaypoint(new WPWaypoint(3, 4, 1.0, 1, 0));
        plan.setFilePath(path("old1.zfp"));
        QCOMPARE(plan.readFile(), int(WPData::NotEmpty));
        QCOMPARE(plan.count(), 1);
        QVERIFY(plan.fileGeoList().isEmpty());

        // A negative count reads as an empty plan.
        QByteArray negative = version32Plan({});
        negative.replace(32, 4, QByteArray::fromHex("ffffffff"));
        writeBytes(path("negative.zfp"), negative);
        WPData empty;
        empty.setFilePath(path("negative.zfp"));
        QCOMPARE(empty.readFile(), int(WPData::ReadOk));
        QCOMPARE(empty.count(), 0);
    }

    void failedWriteReportsAndKeepsTheFolder()
    {
        WPData plan;
        plan.addDefaultWaypoint(new WPWaypoint(3, 4, 1.0, 1, 0));
        plan.setFilePath(path("no/such/folder/plan.zfp"));
        QVERIFY(!plan.writeFile());
        QVERIFY(!QFile::exists(plan.filePath()));
        QDir(m_dir.path()).mkdir("taken.zfp");
        QFile marker(path("taken.zfp/keep"));
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.close();
        plan.setFilePath(path("taken.zfp"));
        QVERIFY(!plan.writeFile());
        QVERIFY(QFile::exists(path("taken.zfp/keep")));
    }
};

KORVEL_TEST_MAIN(TestWPDataFile)
#include "test_wpdatafile.moc"
