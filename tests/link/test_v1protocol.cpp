// V1 framing, CRC, parser and requests; record decoding into telemetry.
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtEndian>

#include "link/comv1.h"
#include "link/korvelpackethandler.h"
#include "support/testkit.h"
#include "support/v1aircraft.h"

using KorvelTest::V1Aircraft;

namespace {
void feed(ComV1 &c, const QByteArray &bytes)
{
    for (char b : bytes)
        c.processByte(uchar(b));
}

QByteArray hex(const char *h)
{
    return QByteArray::fromHex(h);
}
}  // namespace

class TestV1Protocol : public QObject {
    Q_OBJECT
private slots:
    void crcCheckValues()
    {
        QCOMPARE(ComV1::crc16("abc"), quint16(0x9E1A));
        QCOMPARE(ComV1::crc16(QByteArray()), quint16(0x00FF));
        // The bit-wise reference of the simulated aircraft agrees on any data.
        auto *rng = QRandomGenerator::global();
        for (int i = 0; i < 50; ++i) {
            QByteArray d(int(rng->bounded(1, 100)), '\0');
            for (char &c : d)
                c = char(rng->bounded(256));
            QCOMPARE(ComV1::crc16(d), V1Aircraft::crc(d));
        }
    }

    void dispatchByDescriptorAndLength_data()
    {
        QTest::addColumn<int>("descriptor");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("signal");  // empty: nothing raised
        QTest::newRow("imu raw 28") << 1 << 28 << "packetIMU_RAWDATA";
        QTest::newRow("imu raw 27") << 1 << 27 << "";
        QTest::newRow("ll status 16") << 2 << 16 << "packetLL_STATUS";
        QTest::newRow("imu calc 92") << 3 << 92 << "packetIMU_CALCDATA";
        QTest::newRow("imu calc 93") << 3 << 93 << "";
        QTest::newRow("waypoint 28") << 32 << 28 << "packetWAYPOINT";
        QTest::newRow("current way 12") << 33 << 12 << "packetCURRENT_WAY";
        QTest::newRow("current way 20") << 33 << 20 << "";
        QTest::newRow("gps advanced 60") << 35 << 60 << "packetGPS_DATA_ADVANCED";
        QTest::newRow("link 16") << 96 << 16 << "packetLCDINFOLINK";
        QTest::newRow("link 9") << 96 << 9 << "";
        QTest::newRow("high prio 12") << 97 << 12 << "packetLCDINFOHIGHPRIO";
        QTest::newRow("high prio 11") << 97 << 11 << "";
        QTest::newRow("low prio 12") << 98 << 12 << "packetLCDINFOLOWPRIO";
        QTest::newRow("low prio2 12") << 99 << 12 << "packetLCDINFOLOWPRIO2";
        QTest::newRow("low prio3 14") << 100 << 14 << "packetLCDINFOLOWPRIO3";
        QTest::newRow("build LL 88") << 240 << 88 << "packetbuildInfoLL";
        QTest::newRow("build LL 87") << 240 << 87 << "";
        QTest::newRow("build HL 83") << 241 << 83 << "packetbuildInfoHL";
        QTest::newRow("build Div 83") << 242 << 83 << "packetbuildInfoDiv";
        QTest::newRow("build Dis 83") << 243 << 83 << "packetbuildInfoDis";
        QTest::newRow("eeprom 4") << 244 << 4 << "packetHLEEPROMInfo";
        QTest::newRow("unknown 50") << 50 << 7 << "unknownPacket";
        QTest::newRow("unknown empty") << 51 << 0 << "unknownPacket";
    }
    void dispatchByDescriptorAndLength()
    {
        QFETCH(int, descriptor);
        QFETCH(int, length);
        QFETCH(QString, signal);
        ComV1 c;
        QByteArray data(length, '\0');
        for (int i = 0; i < length; ++i)
            data[i] = char(i + 1);
        // Count every record signal; only the expected one may fire.
        QList<QSignalSpy *> spies;
        const QMetaObject *mo = c.metaObject();
        int expected = -1;
        for (int m = mo->methodOffset(); m < mo->methodCount(); ++m) {
            const QMetaMethod mm = mo->method(m);
            if (mm.methodType() != QMetaMethod::Signal || mm.name() == "serialWrite")
                continue;
            if (QString::fromLatin1(mm.name()) == signal)
                expected = spies.size();
            spies << new QSignalSpy(&c, QByteArray("2" + mm.methodSignature()).constData());
        }
        feed(c, V1Aircraft::frame(quint8(descriptor), data));
        for (int i = 0; i < spies.size(); ++i)
            QCOMPARE(spies[i]->count(), i == expected ? 1 : 0);
        if (signal == QLatin1String("unknownPacket")) {
            QCOMPARE(spies[expected]->at(0).at(0).value<uchar>(), uchar(descriptor));
            QCOMPARE(spies[expected]->at(0).at(1).toByteArray(), data);
        }
        qDeleteAll(spies);
        QCOMPARE(c.parserState(), 0);
    }

    void recordBytesArriveUnchanged()
    {
        ComV1 c;
        QSignalSpy link(&c, &ComV1::packetLCDINFOLINK);
        feed(c, V1Aircraft::frame(96, hex("0102030405060708090a0b0c0d0e0f10")));
        QCOMPARE(link.count(), 1);
        const auto r = link.at(0).at(0).value<LCD_INFO_LINK>();
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&r), 10), hex("0102030405060708090a"));

        QSignalSpy home(&c, &ComV1::packetHomePosition);
        QSignalSpy low2(&c, &ComV1::packetLCDINFOLOWPRIO2);
        // i16 at offset 8 equal to 20000 (0x4E20): a home position, latitude first.
        feed(c, V1Aircraft::frame(99, hex("78563412" "efcdab89" "204e" "0000")));
        QCOMPARE(low2.count(), 0);
        QCOMPARE(home.count(), 1);
        QCOMPARE(home.at(0).at(0).toInt(), int(0x89ABCDEF));
        QCOMPARE(home.at(0).at(1).toInt(), 0x12345678);
    }

    void badCrcOrMarkersDiscardOnlyThatFrame()
    {
        ComV1 c;
        QSignalSpy spy(&c, &ComV1::packetLCDINFOHIGHPRIO);
        const QByteArray good = V1Aircraft::frame(97, QByteArray(12, '\x11'));
        QByteArray badCrc = good;
        badCrc[8] = char(badCrc[8] ^ 0x40);
        QByteArray badEnd = good;
        badEnd[badEnd.size() - 2] = 'x';
        feed(c, badCrc + badEnd + good);
        QCOMPARE(spy.count(), 1);
        // A byte that breaks the start marker is not a new start: the frame is lost.
        feed(c, ">" + good);
        QCOMPARE(spy.count(), 1);
        feed(c, good);
        QCOMPARE(spy.count(), 2);
    }

    void acknowledgementFrames()
    {
        ComV1 c;
        QSignalSpy spy(&c, &ComV1::ackWaypointReceived);
        feed(c, hex("3e6124613c"));
        QCOMPARE(spy.count(), 1);
        feed(c, hex("3e6125613c") + hex("3e6124623c") + hex("3e61243c"));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(V1Aircraft::ack(), hex("3e6124613c"));
    }

    void emptyAndOversizedFrames()
    {
        ComV1 c;
        QSignalSpy unknown(&c, &ComV1::unknownPacket);
        // Length 0: the CRC bytes follow the descriptor at once.
        feed(c, V1Aircraft::frame(77, QByteArray()));
        QCOMPARE(unknown.count(), 1);
        QCOMPARE(unknown.at(0).at(1).toByteArray(), QByteArray());
        // A huge announced length is refused in the header, so the next
        // frame is not swallowed as its data.
        feed(c, hex("3e2a3e" "ffff"));
        QCOMPARE(c.parserState(), 0);
        QSignalSpy high(&c, &ComV1::packetLCDINFOHIGHPRIO);
        feed(c, V1Aircraft::frame(97, QByteArray(12, '\0')));
        QCOMPARE(high.count(), 1);
    }

    void fuzzRandomAndTruncatedFrames()
    {
        // Through the handler, so every decoder sees the frames that pass.
        KorvelPacketHandler h;
        ComV1 &c = *h.comV1();
        QSignalSpy high(&c, &ComV1::packetLCDINFOHIGHPRIO);
        auto *rng = QRandomGenerator::global();
        const QByteArray good = V1Aircraft::frame(97, QByteArray(12, '\x05'));
        for (int round = 0; round < 2000; ++round) {
            QByteArray junk;
            static const quint8 known[] = {1, 2, 3, 32, 33, 35, 96, 97, 98, 99, 100, 240, 241, 242, 243, 244};
            switch (round % 4) {
            case 3: {  // a well-formed frame of a known descriptor with random content and length
                QByteArray d(int(rng->bounded(0, 120)), '\0');
                for (char &b : d)
                    b = char(rng->bounded(256));
                junk = V1Aircraft::frame(known[rng->bounded(int(sizeof known))], d);
                break;
            }
            case 0:  // random bytes
                junk.resize(int(rng->bounded(0, 64)));
                for (char &b : junk)
                    b = char(rng->bounded(256));
                break;
            case 1: {  // a real frame cut short
                const quint8 type = quint8(rng->bounded(256));
                junk = V1Aircraft::frame(type, QByteArray(int(rng->bounded(0, 120)), 'x'));
                junk.truncate(int(rng->bounded(junk.size())));
                break;
            }
            default:  // random header with an arbitrary length
                junk = hex("3e2a3e");
                junk.append(char(rng->bounded(256))).append(char(rng->bounded(256)));
                junk.append(char(rng->bounded(256)));
                break;
            }
            feed(c, junk);
            QVERIFY(c.parserState() >= 0 && c.parserState() <= 14);
        }
        // Whatever state the junk left: at most MaxFrameData + a frame later
        // the parser is back in sync and accepts good frames again.
        const int before = high.count();
        for (int i = 0; i < ComV1::MaxFrameData / good.size() + 3; ++i)
            feed(c, good);
        QVERIFY(high.count() > before);
    }

    void requestFrames_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("arg");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("come home") << "comeHome" << 0 << QByteArray(">*>wh");
        QTest::newRow("build info") << "requestBuildInfo" << 0 << QByteArray(">*>I");
        QTest::newRow("unblock") << "unblockHarlek" << 0 << QByteArray(">*>F");
        QTest::newRow("battery 0") << "battery" << 0 << QByteArray(">*>V6");
        QTest::newRow("battery 1") << "battery" << 1 << QByteArray(">*>V8");
        QTest::newRow("battery 3") << "battery" << 3 << QByteArray(">*>V7");
        QTest::newRow("battery 2") << "battery" << 2 << QByteArray(">*>V9");
        QTest::newRow("emergency 2") << "emergency" << 2 << hex("3e2a3e63450400aeaa");
        QTest::newRow("emergency 0") << "emergency" << 0 << hex("3e2a3e63450100abaa");
        QTest::newRow("emergency 3") << "emergency" << 3 << hex("3e2a3e63450800b2aa");
    }
    void requestFrames()
    {
        QFETCH(QString, op);
        QFETCH(int, arg);
        QFETCH(QByteArray, bytes);
        ComV1 c;
        QSignalSpy spy(&c, &ComV1::serialWrite);
        if (op == "comeHome") c.comeHome();
        else if (op == "requestBuildInfo") c.requestBuildInfo();
        else if (op == "unblockHarlek") c.unblockHarlek();
        else if (op == "battery") c.sendBatteryType(arg);
        else if (op == "emergency") c.sendEmergencyMode(arg);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toByteArray(), bytes);
    }

    void waypointRequestAndChecksum()
    {
        WAYPOINT wp{};
        wp.wp_number = 1;
        wp.dummy_1 = 3;
        wp.dummy_2 = 0x8000 + 11000 - 4550;
        wp.properties = 0x37;
        wp.max_speed = 80;
        wp.time = 0x4000 | 500;
        wp.pos_acc = 2500;
        wp.X = 116000000;    // 11.6 degrees
        wp.Y = 481234567;
        wp.yaw = 90000;
        wp.height = 50000;
        wp.chksum = v1WaypointChecksum(wp);
        QCOMPARE(quint16(wp.chksum), quint16(0x2D51));
        // The same record from the plan's values.
        Waypoint plan;
        plan.longitude = 11.6;
        plan.latitude = 48.1234567;
        plan.height = 50000;
        plan.yaw = 90000;
        plan.pitch = 11000 - 4550;
        plan.noPictures = 3;
        plan.active = true;
        plan.maxSpeed = 80;
        plan.time = 500;
        plan.posAcc = 2500;
        const WAYPOINT made = v1MakeWaypoint(plan);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(&made), 28),
                 QByteArray(reinterpret_cast<const char *>(&wp), 28));
        Waypoint small;
        small.longitude = -0.00000019;
        small.height = -1000;
        small.active = false;
        small.maxSpeed = 10;
        small.time = 1;
        const WAYPOINT neg = v1MakeWaypoint(small);
        QCOMPARE(neg.X, -1);          // toward zero, not down
        QCOMPARE(neg.height, -1000);
        QCOMPARE(neg.yaw, 0);
        QCOMPARE(neg.time, quint16(0x4001));
        QCOMPARE(neg.properties, quint8(0x17));
        QCOMPARE(neg.dummy_2, quint16(0x8000 + 11000));

        ComV1 c;
        QSignalSpy spy(&c, &ComV1::serialWrite);
        c.sendWaypoint(wp);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toByteArray(),
                 ">*>ws" + hex("010332993750f441c409512d0005ea06870eaf1c905f010050c30000"));
    }

    void buildInfoRequests()
    {
        ComV1 c;
        QSignalSpy spy(&c, &ComV1::serialWrite);
        // Flags 0x13: low level and Div LCD received.
        feed(c, V1Aircraft::frame(240, QByteArray(88, '\0')));
        feed(c, V1Aircraft::frame(243, QByteArray(83, '\0')));
        QCOMPARE(c.buildInfoFlags(), uchar(0x13));
        c.triggerRequestBuildInfo();
        QCOMPARE(spy.count(), 1);
        QByteArray expected("##+#");
        expected.append(char(0x12)).append(char(0x01)).append(QByteArray(14, '\0'));
        QCOMPARE(spy.at(0).at(0).toByteArray(), expected);

        ComV1 fresh;
        QSignalSpy spy2(&fresh, &ComV1::serialWrite);
        fresh.triggerRequestBuildInfo();
        QCOMPARE(spy2.at(0).at(0).toByteArray(), QByteArray(">*>I") + expected);

        // All five received: nothing more is asked.
        feed(c, V1Aircraft::frame(241, QByteArray(83, '\0')));
        feed(c, V1Aircraft::frame(242, QByteArray(83, '\0')));
        feed(c, V1Aircraft::frame(244, QByteArray(4, '\0')));
        QCOMPARE(c.buildInfoFlags(), uchar(0x1F));
        spy.clear();
        c.triggerRequestBuildInfo();
        QCOMPARE(spy.count(), 0);
    }

    // ---- decoding in the handler ----

    void linkQuality_data()
    {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<int>("quality");
        QTest::newRow("90/100") << hex("01010a005a64") << 95;
        QTest::newRow("all zero") << hex("000000000000") << 0;
        QTest::newRow("present, no packets") << hex("010100000000") << 0;
        QTest::newRow("up only") << hex("010000003200") << 50;
    }
    void linkQuality()
    {
        QFETCH(QByteArray, record);
        QFETCH(int, quality);
        KorvelPacketHandler h;
        QSignalSpy spy(&h, &KorvelPacketHandler::linkQualityUpdate);
        LCD_INFO_LINK r{};
        std::memcpy(&r, record.constData(), 6);
        h.packetLCDINFOLINK(r);
        LCD_INFO_LINK_NEW n{};
        std::memcpy(&n, record.constData(), 6);
        h.packetLCDINFOLINKNEW(n);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toInt(), quality);
        QCOMPARE(spy.at(1).at(0).toInt(), quality);
    }

    void highPriority()
    {
        KorvelPacketHandler::resetEdgeMemory();
        KorvelPacketHandler h;
        QSignalSpy gps(&h, &KorvelPacketHandler::gpsQualityUpdate);
        QSignalSpy pitch(&h, &KorvelPacketHandler::pitchUpdate);
        QSignalSpy roll(&h, &KorvelPacketHandler::rollUpdate);
        QSignalSpy yaw(&h, &KorvelPacketHandler::yawUpdate);
        QSignalSpy speed(&h, &KorvelPacketHandler::velocityUpdate);
        QSignalSpy volt(&h, &KorvelPacketHandler::batteryVoltage);
        QSignalSpy mode(&h, &KorvelPacketHandler::flightModeUpdate);
        QSignalSpy motor(&h, &KorvelPacketHandler::motorState);
        QSignalSpy preset(&h, &KorvelPacketHandler::presetHarlek);

        // 16.8 V, GPS 0xE5 -> 101, speed 4.2, motor 0, status 0x2006, pitch -1, roll 1234, yaw 0xFFFF
        LCD_INFO_HIGH_PRIO r{};
        std::memcpy(&r, hex("a8e52a00" "0620" "ffff" "d204" "ffff").constData(), 12);
        h.packetLCDINFOHIGHPRIO(r);
        QCOMPARE(gps.at(0).at(0).toInt(), 0x65);
        QCOMPARE(pitch.at(0).at(0).toDouble(), -0.01);
        QCOMPARE(roll.at(0).at(0).toDouble(), 12.34);
        QCOMPARE(yaw.at(0).at(0).toDouble(), 655.35);
        QCOMPARE(speed.at(0).at(0).toDouble(), 4.2);
        QCOMPARE(volt.at(0).at(0).toDouble(), 16.8);
        QCOMPARE(mode.at(0).at(0).toInt(), 1);      // 0x06 & 0x0C == 0x04
        QCOMPARE(motor.at(0).at(0).toBool(), false);  // bit 1 set, motor byte not 255
        QCOMPARE(preset.count(), 1);                  // first record after start-up
        h.packetLCDINFOHIGHPRIO(r);
        QCOMPARE(preset.count(), 1);                  // still set: no new edge

        struct { quint16 status; quint8 motorByte; int mode; bool motorOn; } cases[] = {
            {0x0000, 0, 0, true}, {0x0008, 0, 2, true}, {0x0048, 255, 3, true},
            {0x004C, 0, 3, true}, {0x000A, 255, 2, true}, {0x000C, 0, 2, true},
        };
        for (const auto &c : cases) {
            r.status = c.status;
            r.motor = c.motorByte;
            mode.clear();
            motor.clear();
            h.packetLCDINFOHIGHPRIO(r);
            QCOMPARE(mode.at(0).at(0).toInt(), c.mode);
            QCOMPARE(motor.at(0).at(0).toBool(), c.motorOn);
        }
        r.status = 0x2000;
        h.packetLCDINFOHIGHPRIO(r);
        QCOMPARE(preset.count(), 2);  // rose again after falling
    }

    void lowPriorityAndGpsRecording()
    {
        KorvelPacketHandler h;
        QSignalSpy pos(&h, &KorvelPacketHandler::gpsPosUpdate);
        QSignalSpy posChanged(&h, &KorvelPacketHandler::gpsPosChanged);
        QSignalSpy sats(&h, &KorvelPacketHandler::numberSatUpdate);
        QSignalSpy time(&h, &KorvelPacketHandler::flightimeUpdate);
        QSignalSpy hacc(&h, &KorvelPacketHandler::horizontalaccUpdate);
        QSignalSpy vacc(&h, &KorvelPacketHandler::verticalaccUpdate);
        QSignalSpy record(&h, &KorvelPacketHandler::recordGPS);
        LCD_INFO_LOW_PRIO r{};
        // 0xF3E8: 15 satellites, flight time 1000; lat 48.1234567, lon -11.6
        std::memcpy(&r, hex("e8f3870eaf1c00fb15f9192d").constData(), 12);

        auto highPrio = [&](int gpsQuality) {
            LCD_INFO_HIGH_PRIO hp{};
            hp.gps_quality = quint8(gpsQuality);
            h.packetLCDINFOHIGHPRIO(hp);
        };
        highPrio(60);
        h.packetLCDINFOLOWPRIO(r);
        QCOMPARE(record.count(), 0);  // the threshold is strict
        QCOMPARE(sats.at(0).at(0).toInt(), 15);
        QCOMPARE(time.at(0).at(0).value<unsigned short>(), (unsigned short)1000);
        QCOMPARE(pos.at(0).at(0).toDouble(), -11.6);
        QCOMPARE(pos.at(0).at(1).toDouble(), 48.1234567);
        QCOMPARE(posChanged.at(0).at(0).toPointF(), QPointF(-11.6, 48.1234567));
        QCOMPARE(hacc.at(0).at(0).toDouble(), 2.5);
        QCOMPARE(vacc.at(0).at(0).toDouble(), 4.5);
        highPrio(61);
        h.packetLCDINFOLOWPRIO(r);
        QCOMPARE(record.count(), 1);
        QCOMPARE(record.at(0).at(0).toDouble(), -11.6);
    }

    void lowPriority2()
    {
        KorvelPacketHandler h;
        QSignalSpy height(&h, &KorvelPacketHandler::heightUpdate);
        QSignalSpy cam(&h, &KorvelPacketHandler::camangle);
        LCD_INFO_LOW_PRIO_PART2 r{};
        std::memcpy(&r, hex("0000000000000000" "73fe" "e803").constData(), 12);
        h.packetLCDINFOLOWPRIO2(r);
        QCOMPARE(height.at(0).at(0).toDouble(), 100.0);
        QCOMPARE(cam.at(0).at(0).toDouble(), -39.7);
    }

    void lowPriority3_data()
    {
        QTest::addColumn<int>("used");
        QTest::addColumn<int>("full");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("nav");
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("wind");
        QTest::newRow("normal") << 250 << 1000 << 1 << 0 << 75 << 0 << 0;
        QTest::newRow("code 2, wind") << 0 << 1000 << 2 << 0x4000 << 100 << 1 << 1;
        QTest::newRow("code 3, strong wind") << 999 << 1000 << 3 << 0x6000 << 1 << 2 << 2;
        QTest::newRow("code 0") << 10 << 100 << 0 << 0 << 90 << 2 << 0;
        QTest::newRow("used > full") << 1200 << 1000 << 1 << 0 << 0 << 0 << 0;
        QTest::newRow("full 0") << 5 << 0 << 1 << 0 << 0 << 0 << 0;
        QTest::newRow("both 0") << 0 << 0 << 1 << 0 << 0 << 0 << 0;
    }
    void lowPriority3()
    {
        QFETCH(int, used);
        QFETCH(int, full);
        QFETCH(int, code);
        QFETCH(int, nav);
        QFETCH(int, quality);
        QFETCH(int, state);
        QFETCH(int, wind);
        KorvelPacketHandler h;
        QSignalSpy q(&h, &KorvelPacketHandler::batteryQualityUpdate);
        QSignalSpy s(&h, &KorvelPacketHandler::batteryState);
        QSignalSpy w(&h, &KorvelPacketHandler::windState);
        LCD_INFO_LOW_PRIO_PART3 r{};
        const QByteArray bytes = V1Aircraft::lowPrio3(quint16(nav), quint16(used), quint16(full), quint8(code));
        std::memcpy(&r, bytes.constData(), 12);
        h.packetLCDINFOLOWPRIO3(r);
        QCOMPARE(q.at(0).at(0).toInt(), quality);
        QCOMPARE(s.at(0).at(0).toInt(), state);
        QCOMPARE(w.at(0).at(0).toInt(), wind);
    }

    void buildInfoAndEeprom()
    {
        KorvelPacketHandler h;
        QSignalSpy hl(&h, &KorvelPacketHandler::versionHLUpdate);
        QSignalSpy div(&h, &KorvelPacketHandler::versionDivUpdate);
        QSignalSpy lcd(&h, &KorvelPacketHandler::versionDivLCDUpdate);
        QSignalSpy ll(&h, &KorvelPacketHandler::versionLLUpdate);
        QSignalSpy cam(&h, &KorvelPacketHandler::camUpdate);
        // Through the real wire path: frames into ComV1, decoded by the handler.
        auto build = [](quint16 major, quint16 minor, int size) {
            QByteArray d(size, '\0');
            qToLittleEndian(major, d.data());
            qToLittleEndian(minor, d.data() + 2);
            return d;
        };
        feed(*h.comV1(), V1Aircraft::frame(241, build(2, 5, 83)));
        feed(*h.comV1(), V1Aircraft::frame(242, build(1, 12, 83)));
        feed(*h.comV1(), V1Aircraft::frame(243, build(3, 0, 83)));
        QByteArray llData = build(4, 99, 84);
        llData.append("\x40\xe2\x01\x00", 4);  // 123456, little endian
        feed(*h.comV1(), V1Aircraft::frame(240, llData));
        feed(*h.comV1(), V1Aircraft::frame(244, hex("2a00ffff")));
        QCOMPARE(hl.at(0).at(0).toDouble(), 2.05);
        QCOMPARE(div.at(0).at(0).toDouble(), 1.12);
        QCOMPARE(lcd.at(0).at(0).toDouble(), 3.0);
        QCOMPARE(ll.at(0).at(0).toDouble(), 4.99);
        QCOMPARE(cam.at(0).at(0).toInt(), 42);
    }
};

KORVEL_TEST_MAIN(TestV1Protocol)
#include "test_v1protocol.moc"
