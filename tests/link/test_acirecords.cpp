// ACI records and the joystick frame: exact bytes, conversions, flags, and the
// Linux joystick source read from a pipe that stands in for /dev/input/jsN.
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <linux/joystick.h>
#include <sys/stat.h>
#include <unistd.h>

#include "link/acirecords.h"
#include "link/comaci.h"
#include "link/joystick.h"
#include "support/testkit.h"

class TestAciRecords : public QObject {
    Q_OBJECT
private slots:
    void waypointRecordBytes()
    {
        Waypoint v;
        v.latitude = 47.3977419;
        v.longitude = 8.5455938;
        v.height = 25500;
        v.pitch = 2000;          // -90 degrees
        v.camAngleRoll = 125;
        v.yaw = 123456;
        v.v3Speed = 4;
        v.desiredAcc = 1.5;
        v.type = Waypoint::Matrix;
        v.properties = 0;
        v.time = 250;
        const ZEPH_WAYPOINT w = zephWaypoint(v, 7);
        const QByteArray b(reinterpret_cast<const char *>(&w), sizeof w);
        QCOMPARE(b.size(), 42);
        QCOMPARE(b.toHex(' '),
                 QByteArray("07 00 "          // number
                            "4b 52 40 1c "    // 473977419
                            "42 f4 17 05 "    // 85455938
                            "00 00 cc 41 "    // 25.5f
                            "d8 dc "          // -9000
                            "7d 00 "          // 125
                            "39 30 "          // 12345
                            "00 00 80 40 "    // 4.0f
                            "00 00 c0 3f "    // 1.5f
                            "00 00 02 00 "    // 0x20000
                            "01 00 c4 09 f4 01 00 00 00 00"));
    }

    void waypointFlagsAndSteps_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("properties");
        QTest::addColumn<uint>("flags");
        QTest::addColumn<int>("step");
        // Matrix-run waypoints whose heading does not follow the flight direction.
        QTest::newRow("type 1, own heading") << 1 << 0 << 0x20000u << 0;
        QTest::newRow("type 11, own heading") << 11 << 0 << 0x20000u << 0;
        QTest::newRow("type 1, heading in flight direction") << 1 << 1 << 0u << 0;
        QTest::newRow("type 0") << 0 << 0 << 0u << 0;
        QTest::newRow("type 5 keeps its picture step") << 5 << 0 << 0u << 1500;
    }

    void waypointFlagsAndSteps()
    {
        QFETCH(int, type);
        QFETCH(int, properties);
        QFETCH(uint, flags);
        QFETCH(int, step);
        Waypoint v;
        v.type = Waypoint::Type(type);
        v.properties = quint8(properties);
        v.noPictures = 24;  // 1500 for a circle
        const ZEPH_WAYPOINT w = zephWaypoint(v, 1);
        QCOMPARE(uint(w.flags), flags);
        QCOMPARE(int(w.pictureStep), step);
    }

    void headingKeepsLow16Bits_data()
    {
        QTest::addColumn<int>("yaw");  // 1/1000 degree, as the plan stores it
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("350 degrees") << 350000 << QByteArray("b8 88");
        QTest::newRow("327.67 degrees") << 327670 << QByteArray("ff 7f");
        QTest::newRow("359.999 degrees") << 359999 << QByteArray("9f 8c");
        QTest::newRow("zero") << 0 << QByteArray("00 00");
        QTest::newRow("minus 90 degrees") << -90000 << QByteArray("d8 dc");
    }
    void headingKeepsLow16Bits()
    {
        QFETCH(int, yaw);
        QFETCH(QByteArray, bytes);
        Waypoint v;
        v.yaw = yaw;
        const ZEPH_WAYPOINT w = zephWaypoint(v, 1);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&w) + offsetof(ZEPH_WAYPOINT, heading), 2).toHex(' '), bytes);
    }

    void conversions()
    {
        QCOMPARE(zephDegreesToFixed(0.00000019), 1);
        QCOMPARE(zephDegreesToFixed(-0.00000009), 0);
        QCOMPARE(zephDegreesToFixed(-47.12345678), -471234567);
        QCOMPARE(zephDegreesToFixed(1e6), std::numeric_limits<qint32>::max());
        Waypoint v;
        v.time = 7000;  // 70 s, beyond 65.535 s: clamped, not wrapped
        QCOMPARE(int(zephWaypoint(v, 1).waitTime), 65535);
    }

    void kindFlags()
    {
        ComACI aci;
        const QList<QPair<int, quint32>> table = {{0, 0x2200045}, {1, 0x2410045}, {2, 0x2810045},
                                                  {5, 0x20010060}, {11, 0x2410145}, {12, 0x2810145},
                                                  {3, 0}, {7, 0}};
        for (const auto &k : table) {
            ZEPH_WAYPOINT w;
            w.flags = 0x20000;
            aci.clearWaypoints();
            aci.addWaypoint(w, k.first);
            QCOMPARE(aci.waypointAt(0).flags, quint32(0x20000 | k.second));
        }
        ZEPH_WAYPOINT w;
        QCOMPARE(ComACI::waypointCrc16(w), aciCrc16(0x00FF, &w, 42));
    }

    void recordsTravelWhole()
    {
        registerAciRecordTypes();
        ZEPH_MSG_NAVIGATION_STATUS n;
        for (int i = 0; i < 4; ++i)
            n.rest[i] = quint8(0xA0 + i);
        n.changeCounter = 9;
        const QVariant v = QVariant::fromValue(n);
        const ZEPH_MSG_NAVIGATION_STATUS back = v.value<ZEPH_MSG_NAVIGATION_STATUS>();
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&back), 15),
                 QByteArray(reinterpret_cast<const char *>(&n), 15));
        QVERIFY(QMetaType::type("ZEPH_RF_API_LINKINFO_REDUCED") != QMetaType::UnknownType);
        QCOMPARE(offsetof(ZEPH_RF_API_LINKINFO_REDUCED, quality), size_t(48));
        QCOMPARE(offsetof(ZEPH_MSG_HOME_POSITION, longitude), size_t(5));
        QCOMPARE(offsetof(ZEPH_MSG_NAVIGATION_STATUS, changeCounter), size_t(14));
    }

    void stickValues_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("value");
        QTest::newRow("dead band low edge") << 29568 << 0;
        QTest::newRow("dead band high edge") << 35968 << 0;
        QTest::newRow("below the band") << 29567 << -200;
        QTest::newRow("above the band") << 35969 << 200;
        QTest::newRow("full") << 65535 << 2047;
        QTest::newRow("zero") << 0 << -2048;
    }

    void stickValues()
    {
        QFETCH(int, position);
        QFETCH(int, value);
        QCOMPARE(int(aciStickValue(position)), value);
    }

    void joystickPayload()
    {
        JoystickReading r;
        r.x = 40000;   // (40000 - 32768) / 16 = 452
        r.y = 20000;   // -798
        r.buttons = 0x12345;
        const QByteArray p = aciJoystickPayload(r, 255);
        QCOMPARE(p.toHex(' '), QByteArray("a0 00 00 10 00 00 00 00 00 00 00 00 00 00 "
                                          "e2 fc 00 00 c4 01 00 00 00 00 00 00 45 23 ff"));
    }

    void linuxSourceFromPipe()
    {
        QTemporaryDir dir;
        const QString pattern = dir.path() + "/js%1";
        LinuxJoystickSource source(pattern);
        QCOMPARE(source.deviceCount(), 0);
        JoystickReading r;
        QVERIFY(!source.read(0, r));

        QVERIFY(::mkfifo(QFile::encodeName(pattern.arg(0)).constData(), 0600) == 0);
        LinuxJoystickSource fresh(pattern);  // the count is looked up once a second
        QCOMPARE(fresh.deviceCount(), 1);
        QVERIFY(source.read(0, r));  // opened, nothing yet: centred
        QCOMPARE(r.x, 32768);
        const int w = ::open(QFile::encodeName(pattern.arg(0)).constData(), O_WRONLY | O_NONBLOCK);
        QVERIFY(w >= 0);
        const js_event events[] = {
            {0, 12000, JS_EVENT_AXIS | JS_EVENT_INIT, 0},
            {1, -32767, JS_EVENT_AXIS, 1},
            {2, 1, JS_EVENT_BUTTON, 2},
            {3, 1, JS_EVENT_BUTTON, 0},
            {4, 0, JS_EVENT_BUTTON, 2},
            {5, 5, JS_EVENT_AXIS, 3},  // other axes do not matter
        };
        QCOMPARE(::write(w, events, sizeof events), ssize_t(sizeof events));
        QVERIFY(source.read(0, r));
        QCOMPARE(r.x, 12000 + 32768);
        QCOMPARE(r.y, 1);
        QCOMPARE(r.buttons, 1u);
        ::close(w);
        QVERIFY(source.read(0, r));  // writer gone: the last state stays
        QCOMPARE(r.buttons, 1u);
    }
};

KORVEL_TEST_MAIN(TestAciRecords)
#include "test_acirecords.moc"
