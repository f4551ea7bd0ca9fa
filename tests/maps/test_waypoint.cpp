// The waypoint value type: its conversions from typed units into the plan's
// stored units (clamped, never wrapped) and its .zfp record.
#include <QtTest>
#include <cmath>
#include <functional>
#include <limits>

#include <QBuffer>
#include <QTemporaryDir>

#include "maps/mapdata.h"
#include "maps/waypoint.h"
#include "maps/waypointimport.h"
#include "maps/waypointrecord.h"
#include "support/testkit.h"
#include "wpfixture.h"

class TestWaypoint : public QObject {
    Q_OBJECT
private slots:
    void conversions_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("stored");
        const double inf = std::numeric_limits<double>::infinity();
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("height rounds") << "height" << -1.0006 << qint64(-1001);
        QTest::newRow("height beyond int") << "height" << 1e20 << qint64(2147483647);
        QTest::newRow("yaw cut") << "yaw" << 123.4569 << qint64(123456);
        QTest::newRow("yaw below one turn") << "yaw" << 725.5 << qint64(5500);
        QTest::newRow("yaw negative stays") << "yaw" << -90.0 << qint64(-90000);
        QTest::newRow("time cut") << "time" << 2.999 << qint64(299);
        QTest::newRow("time 700 s") << "time" << 700.0 << qint64(2000);
        QTest::newRow("time negative") << "time" << -1.0 << qint64(0);
        QTest::newRow("accuracy 70 m") << "posAcc" << 70.0 << qint64(20000);
        QTest::newRow("accuracy NaN") << "posAcc" << nan << qint64(0);
        QTest::newRow("pitch -90") << "pitch" << -90.0 << qint64(2000);
        QTest::newRow("pitch rounds") << "pitch" << 10.006 << qint64(12001);
        QTest::newRow("pitch 1000 stops at the field's end") << "pitch" << 1000.0 << qint64(65535);
        QTest::newRow("pitch -1000 stops at the field's end") << "pitch" << -1000.0 << qint64(0);
        QTest::newRow("pictures 300") << "pictures" << 300.0 << qint64(127);
        QTest::newRow("pictures 3000000000") << "pictures" << 3e9 << qint64(127);
        QTest::newRow("pictures 1e20") << "pictures" << 1e20 << qint64(127);
        QTest::newRow("pictures negative") << "pictures" << -3e9 << qint64(0);
        QTest::newRow("speed 5 %") << "maxSpeed" << 5.0 << qint64(10);
        QTest::newRow("speed 3000000000 %") << "maxSpeed" << 3e9 << qint64(100);
        QTest::newRow("speed -1e20 %") << "maxSpeed" << -1e20 << qint64(10);
        QTest::newRow("velocity 3 m/s") << "velocity" << 3.0 << qint64(3000);
        QTest::newRow("velocity 1e20") << "velocity" << 1e20 << qint64(10000);
        QTest::newRow("velocity -1e10") << "velocity" << -1e10 << qint64(500);
        QTest::newRow("velocity -inf") << "velocity" << -inf << qint64(500);
    }
    void conversions()
    {
        QFETCH(QString, field);
        QFETCH(double, value);
        QFETCH(qint64, stored);
        Waypoint wp;
        const QMap<QString, std::function<qint64()>> set = {
            {"height", [&] { wp.setHeightMetres(value); return qint64(wp.height); }},
            {"yaw", [&] { wp.setYawDegrees(value); return qint64(wp.yaw); }},
            {"time", [&] { wp.setTimeSeconds(value); return qint64(wp.time); }},
            {"posAcc", [&] { wp.setPosAccMetres(value); return qint64(wp.posAcc); }},
            {"pitch", [&] { wp.setPitchDegrees(value); return qint64(wp.pitch); }},
            {"pictures", [&] { wp.setPictures(value); return qint64(wp.noPictures); }},
            {"maxSpeed", [&] { wp.setMaxSpeedPercent(value); return qint64(wp.maxSpeed); }},
            {"velocity", [&] { wp.setVelocity(value); return qint64(std::lround(wp.v3Speed * 1000)); }},
        };
        QCOMPARE(set.value(field)(), stored);
    }

    // A value brought into the typed ranges works on the stored integers:
    // what is in range stays to the unit, the rest stops at the range's end.
    void withinTypedRanges_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<qint64>("value");
        QTest::addColumn<qint64>("kept");
        QTest::newRow("yaw 1.001 degrees") << "yaw" << qint64(1001) << qint64(1001);
        QTest::newRow("yaw -90 turned positive") << "yaw" << qint64(-90000) << qint64(270000);
        QTest::newRow("yaw beyond a turn") << "yaw" << qint64(400000) << qint64(40000);
        QTest::newRow("yaw beyond a turn below zero") << "yaw" << qint64(-400000) << qint64(-40000);
        QTest::newRow("time 0.29 s") << "time" << qint64(29) << qint64(29);
        QTest::newRow("time 400 s") << "time" << qint64(40000) << qint64(2000);
        QTest::newRow("accuracy 1.501 m") << "posAcc" << qint64(1501) << qint64(1501);
        QTest::newRow("accuracy 65 m") << "posAcc" << qint64(65000) << qint64(20000);
        QTest::newRow("pictures -3") << "pictures" << qint64(-3) << qint64(0);
        QTest::newRow("pictures 127") << "pictures" << qint64(127) << qint64(127);
    }
    void withinTypedRanges()
    {
        QFETCH(QString, field);
        QFETCH(qint64, value);
        QFETCH(qint64, kept);
        Waypoint wp;
        wp.height = 12345;
        wp.pitch = 60000;
        wp.camAngleRoll = -1234;
        const QMap<QString, std::function<qint64()>> in = {
            {"yaw", [&] { wp.yaw = qint32(value); return qint64(wp.withinTypedRanges().yaw); }},
            {"time", [&] { wp.time = quint16(value); return qint64(wp.withinTypedRanges().time); }},
            {"posAcc",
             [&] { wp.posAcc = quint16(value); return qint64(wp.withinTypedRanges().posAcc); }},
            {"pictures",
             [&] { wp.noPictures = qint8(value); return qint64(wp.withinTypedRanges().noPictures); }},
        };
        QCOMPARE(in.value(field)(), kept);
        // Fields without a typed range are left alone.
        const Waypoint w = wp.withinTypedRanges();
        QCOMPARE(w.height, 12345);
        QCOMPARE(w.pitch, quint16(60000));
        QCOMPARE(w.camAngleRoll, -1234);
    }

    void readsBack()
    {
        Waypoint wp;
        wp.setPitchDegrees(-45.5);
        wp.setHeightMetres(12.345);
        wp.setTimeSeconds(2.5);
        wp.setPosAccMetres(2.5);
        QCOMPARE(wp.pitchDegrees(), -45.5);
        QCOMPARE(wp.heightMetres(), 12.345);
        QCOMPARE(wp.timeSeconds(), 2.5);
        QCOMPARE(wp.posAccMetres(), 2.5);
        wp.setHeadingFollows(true);
        QVERIFY(wp.headingFollows());
        wp.setHeadingFollows(false);
        QCOMPARE(int(wp.properties), 0);
    }

    void panoramaStep_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("pictures");
        QTest::addColumn<int>("step");
        QTest::newRow("circle of 24") << int(Waypoint::Circle) << 24 << 1500;
        QTest::newRow("circle of 7") << int(Waypoint::Circle) << 7 << 5142;
        QTest::newRow("circle without pictures") << int(Waypoint::Circle) << 0 << 0;
        QTest::newRow("single") << int(Waypoint::Single) << 24 << 0;
    }
    void panoramaStep()
    {
        QFETCH(int, type);
        QFETCH(int, pictures);
        QFETCH(int, step);
        Waypoint wp;
        wp.type = Waypoint::Type(type);
        wp.noPictures = qint8(pictures);
        QCOMPARE(wp.panoramaStep(), step);
    }

    // Every field in its place: written and read back through the record.
    void recordRoundTrip()
    {
        Waypoint wp;
        wp.longitude = -122.5;
        wp.latitude = 37.25;
        wp.active = false;
        wp.triggerCamera = true;
        wp.properties = 0x81;
        wp.maxSpeed = 200;
        wp.time = 40000;
        wp.posAcc = 65000;
        wp.yaw = -359999;
        wp.height = -5;
        wp.noPictures = -3;
        wp.pitch = 60000;
        wp.v3Speed = 7.25f;
        wp.desiredAcc = 1.5f;
        wp.camAngleRoll = -1234;
        wp.type = Waypoint::Type(7);  // an unknown code is kept
        QByteArray bytes;
        {
            QDataStream out(&bytes, QIODevice::WriteOnly);
            WaypointRecord::prepare(out);
            WaypointRecord::write(out, wp);
        }
        QCOMPARE(bytes.size(), WaypointRecord::recordSize(WaypointRecord::currentVersion));
        QDataStream in(bytes);
        WaypointRecord::prepare(in);
        Waypoint back;
        QVERIFY(WaypointRecord::read(in, WaypointRecord::currentVersion, &back));
        QCOMPARE(back.longitude, wp.longitude);
        QCOMPARE(back.latitude, wp.latitude);
        QCOMPARE(back.active, wp.active);
        QCOMPARE(back.triggerCamera, wp.triggerCamera);
        QCOMPARE(back.showCamera, wp.showCamera);
        QCOMPARE(back.properties, wp.properties);
        QCOMPARE(back.maxSpeed, wp.maxSpeed);
        QCOMPARE(back.time, wp.time);
        QCOMPARE(back.posAcc, wp.posAcc);
        QCOMPARE(back.yaw, wp.yaw);
        QCOMPARE(back.height, wp.height);
        QCOMPARE(back.noPictures, wp.noPictures);
        QCOMPARE(back.pitch, wp.pitch);
        QCOMPARE(back.v3Speed, wp.v3Speed);
        QCOMPARE(back.desiredAcc, wp.desiredAcc);
        QCOMPARE(back.camAngleRoll, wp.camAngleRoll);
        QCOMPARE(int(back.type), 7);
    }

    // The readers need a map, not a dialog: rows come out in plan units
    // with the defaults filled in where the file kind is silent.
    void readerWithoutDialog()
    {
        QTemporaryDir dir;
        MapData map;
        QVERIFY(map.loadMapImage(WPFixture::writeMap(dir.path())));
        Waypoint defaults;
        defaults.setMaxSpeedPercent(70);
        defaults.setVelocity(4);
        WaypointImport reader(&map, defaults);
        QBuffer csv;
        csv.setData("M;11.001;48.001;30;follow;-90;12\n"
                    "E;11.002;48.002;30;0;-90;3\n"
                    "S;11.003;48.003;;-90;;\n"
                    "S;12.5;48.003;10;0;0;3\n");
        QVERIFY(csv.open(QIODevice::ReadOnly));
        reader.readZephrin(&csv);
        QCOMPARE(reader.totalCount, 4);
        QCOMPARE(reader.invalidCount, 1);
        QCOMPARE(reader.inMapCount, 2);
        QCOMPARE(reader.rows.size(), 2);
        const Waypoint a = reader.rows.at(0), b = reader.rows.at(1);
        QCOMPARE(a.type, Waypoint::Matrix);
        QVERIFY(a.headingFollows());
        QCOMPARE(a.height, 30000);
        QCOMPARE(a.pitch, quint16(2000));
        QCOMPARE(a.v3Speed, 10.0f);
        QCOMPARE(a.maxSpeed, quint8(70));  // not in the file
        QCOMPARE(b.type, Waypoint::Single);
        QVERIFY(!b.headingFollows());
        QCOMPARE(b.height, 30000);    // carried over
        QCOMPARE(b.yaw, 270000);      // -90 turned positive
        QCOMPARE(b.v3Speed, 10.0f);   // carried over
        QCOMPARE(b.longitude, 11.003);

        WaypointImport blind(nullptr, defaults);  // without a map nothing lies on it
        csv.seek(0);
        blind.readZephrin(&csv);
        QCOMPARE(blind.totalCount, 4);
        QCOMPARE(blind.inMapCount, 0);
        QVERIFY(blind.rows.isEmpty());
    }
};

KORVEL_TEST_MAIN(TestWaypoint)
#include "test_waypoint.moc"
