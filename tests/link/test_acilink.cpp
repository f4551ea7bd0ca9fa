// ACI shared state and link thread against the simulated aircraft: lists and
// the stored file, telemetry, simple commands, waypoint upload with checksum
// errors and a full buffer, navigation, come-home, and one end-to-end run of
// the real link thread through the link handler.
#include <QFile>
#include <QMutex>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include "support/aciaircraft.h"
#include "link/comaci.h"
#include "link/comacisingleton.h"
#include "core/data.h"
#include "link/gassensor.h"
#include "link/korvelpackethandler.h"
#include "support/scriptedjoystick.h"
#include "support/testkit.h"

using KorvelTest::AciAircraft;
using KorvelTest::ScriptedJoystickSource;

namespace {
QMutex g_logMutex;
QStringList g_log;
QtMessageHandler g_previous = nullptr;

void captureLog(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    {
        QMutexLocker lock(&g_logMutex);
        g_log << msg;
    }
    if (type != QtDebugMsg && g_previous)
        g_previous(type, ctx, msg);
}

int logCount(const QString &text)
{
    QMutexLocker lock(&g_logMutex);
    int n = 0;
    for (const QString &l : g_log)
        n += l.contains(text);
    return n;
}

ZEPH_WAYPOINT waypoint(int n, quint32 flags = 0)
{
    Waypoint v;
    v.latitude = 47.0 + n * 0.001;
    v.longitude = 8.0 + n * 0.001;
    v.height = 20000;
    ZEPH_WAYPOINT w = zephWaypoint(v, n);
    w.flags |= flags;
    return w;
}

QByteArray text43(const char *t)
{
    QByteArray b(t);
    b.append(QByteArray(43 - b.size(), '\0'));
    return b;
}
}  // namespace

class TestAciLink : public QObject {
    Q_OBJECT
    std::unique_ptr<AciAircraft> m_ac;
    std::unique_ptr<ComACI> m_aci;
    QByteArray m_pending;
    ComACISingleTon *s() { return ComACISingleTon::instance(); }

    // Connects a fresh ComACI (its thread idle: the test ticks by hand) to
    // a fresh simulated aircraft. Replies are held back until pump().
    void connectAircraft()
    {
        m_ac.reset(new AciAircraft);
        m_aci.reset(new ComACI);
        m_aci->setJoystickSource(std::make_unique<NoJoystickSource>());
        connect(m_aci.get(), &ComACI::write2Device, m_ac.get(), &AciAircraft::feed);
        connect(m_ac.get(), &AciAircraft::output, this, [this](const QByteArray &b) { m_pending += b; });
    }

    // The link to the aircraft is lost; the next connection reaches a fresh
    // aircraft (nothing of the old upload on board) with the same ComACI.
    void reconnectNewAircraft()
    {
        m_aci->deviceClosed();
        m_pending.clear();
        m_ac.reset(new AciAircraft);
        connect(m_aci.get(), &ComACI::write2Device, m_ac.get(), &AciAircraft::feed);
        connect(m_ac.get(), &AciAircraft::output, this, [this](const QByteArray &b) { m_pending += b; });
    }

    void pump()
    {
        while (!m_pending.isEmpty()) {
            const QByteArray b = m_pending;
            m_pending.clear();
            m_aci->receiveData(b);
        }
    }

    void step(int ticks = 1)
    {
        for (int i = 0; i < ticks; ++i) {
            s()->tick();
            pump();
        }
    }

    // One connection's negotiation; true once ComACI reported initDone.
    bool negotiate()
    {
        QSignalSpy done(m_aci.get(), &ComACI::initDone);
        s()->init();
        for (int i = 0; i < 3000 && done.isEmpty(); ++i)
            step();
        pump();
        return done.size() == 1;
    }

    void deliverTelemetry()
    {
        m_ac->sendVarPackets();
        pump();
        step();
    }

private slots:
    void initTestCase()
    {
        g_previous = qInstallMessageHandler(captureLog);
        Data::instance();
    }

    void init()
    {
        QMutexLocker lock(&g_logMutex);
        g_log.clear();
        m_pending.clear();
    }

    void cleanup()
    {
        m_aci.reset();
        m_ac.reset();
    }

    void listsStoredFileAndPackets()
    {
        QFile::remove(Data::instance()->aciStoragePath());
        connectAircraft();
        // Texts that fill their fields without a terminator.
        m_ac->variables[1].name = QByteArray(64, 'N');
        m_ac->variables[1].description = QByteArray(32, 'D');
        m_ac->variables[1].unit = QByteArray(32, 'U');
        QSignalSpy vars(m_aci.get(), &ComACI::aciAvailableVars);
        QSignalSpy cmds(m_aci.get(), &ComACI::aciAvailableCmds);
        QSignalSpy pars(m_aci.get(), &ComACI::aciAvailablePars);
        QSignalSpy sync(m_aci.get(), &ComACI::syncStatusUpdated);
        QVERIFY(negotiate());
        QVERIFY(m_ac->countReceived(3) > 0);
        QCOMPARE(vars.size(), 1);
        QCOMPARE(cmds.size(), 1);
        QCOMPARE(pars.size(), 1);
        QVERIFY(!sync.isEmpty());
        const QList<QStringList> rows = vars.first().first().value<QList<QStringList>>();
        QCOMPARE(rows.size(), m_ac->variables.size());
        QCOMPARE(rows.first(), (QStringList{"0x0092", "INT32", "GPS_height", "GPS height", "mm"}));
        QCOMPARE(rows.at(1), (QStringList{"0x008d", "UINT32", QString(64, 'N'), QString(32, 'D'), QString(32, 'U')}));
        QCOMPARE(rows.at(7), (QStringList{"0x008a", "VECTOR_3F", "attitude", "pitch roll yaw", "deg"}));
        QCOMPARE(rows.at(10).at(1), QString("STRUCT with size 62"));
        QCOMPARE(rows.at(18).at(0), QString("0x0900"));
        QCOMPARE(pars.first().first().value<QList<QStringList>>().at(0).at(1), QString("SINGLE"));

        // Bindings in table order, each packet's ids as configured.
        QCOMPARE(m_ac->packetIds(0),
                 (QVector<quint16>{146, 141, 140, 35, 36, 155, 169, 172, 171, 142, 39, 37}));
        QCOMPARE(m_ac->packetIds(1), (QVector<quint16>{139, 137, 132, 131, 138, 136, 130, 145, 154, 2304}));

        // The stored list file was written; the next connection reads it.
        QVERIFY(QFile::exists(Data::instance()->aciStoragePath()));
        m_ac->received.clear();
        vars.clear();
        QVERIFY(negotiate());
        QCOMPARE(m_ac->countReceived(3) + m_ac->countReceived(6) + m_ac->countReceived(9), 0);
        QCOMPARE(m_ac->countReceived(98), 1);
        QCOMPARE(vars.size(), 1);
        QCOMPARE(vars.first().first().value<QList<QStringList>>(), rows);
    }

    void telemetry()
    {
        connectAircraft();
        QVERIFY(negotiate());
        QSignalSpy height(m_aci.get(), &ComACI::heightUpdate);
        QSignalSpy pitch(m_aci.get(), &ComACI::pitchUpdate);
        QSignalSpy roll(m_aci.get(), &ComACI::rollUpdate);
        QSignalSpy pos(m_aci.get(), &ComACI::gpsPosUpdate);
        QSignalSpy time(m_aci.get(), &ComACI::flightimeUpdate);
        QSignalSpy battery(m_aci.get(), &ComACI::batteryQuality);
        QSignalSpy gpsHeight(m_aci.get(), &ComACI::gpsHeightUpdate);
        QSignalSpy voltage(m_aci.get(), &ComACI::batteryVoltageUpdate);
        QSignalSpy velocity(m_aci.get(), &ComACI::velocityUpdate);
        QSignalSpy gas(m_aci.get(), &ComACI::gasSensorUpdate);
        QSignalSpy quality(m_aci.get(), &ComACI::gpsQuality);
        QSignalSpy home(m_aci.get(), &ComACI::homePositionUpdate);
        QSignalSpy texts(m_aci.get(), &ComACI::coreTexts);

        m_ac->setFloat(137, 12.5f);
        QByteArray att(12, '\0');
        const float pry[3] = {1.5f, -2.0f, 90.0f};
        std::memcpy(att.data(), pry, 12);
        m_ac->setValue(138, att);
        m_ac->setInt32(132, 81234567);
        m_ac->setInt32(131, -471234567);
        m_ac->setUInt16(139, 1234);
        m_ac->setUInt16(172, 5000);
        m_ac->setUInt16(171, 1250);
        m_ac->setInt32(146, 432100);
        m_ac->setUInt16(130, 16800);
        m_ac->setInt32(136, 3500);
        m_ac->setUInt16(2304, 222);
        m_ac->setValue(141, QByteArray::fromHex("55000000"));
        QByteArray homeRec(21, '\0');
        homeRec[0] = 1;
        m_ac->setValue(155, homeRec.replace(1, 8, AciAircraft::le32(quint32(-338000000)) + AciAircraft::le32(1512000000)));
        deliverTelemetry();

        QCOMPARE(height.size(), 1);
        QCOMPARE(height.first().first().toDouble(), 12.5);
        QCOMPARE(pitch.first().first().toDouble(), 1.5);
        QCOMPARE(roll.first().first().toDouble(), -2.0);
        QCOMPARE(pos.first().at(0).toDouble(), 8.1234567);
        QCOMPARE(pos.first().at(1).toDouble(), -47.1234567);
        QCOMPARE(time.first().first().value<ushort>(), ushort(123));
        QCOMPARE(battery.first().first().toInt(), 75);
        QCOMPARE(gpsHeight.first().first().toDouble(), 432.1);
        QCOMPARE(voltage.first().first().toDouble(), 16.8);
        QCOMPARE(velocity.first().first().toDouble(), 3.5);
        QCOMPARE(gas.first().first().toInt(), 222);
        QCOMPARE(quality.first().first().toInt(), 0x55);
        QCOMPARE(home.size(), 1);
        const ZEPH_MSG_HOME_POSITION hp = home.first().first().value<ZEPH_MSG_HOME_POSITION>();
        QCOMPARE(hp.latitude, -338000000);
        QCOMPARE(hp.longitude, 1512000000);

        // Unchanged values raise nothing again; a roll change alone neither.
        step(3);
        std::memcpy(att.data() + 4, "\0\0\0\x40", 4);
        m_ac->setValue(138, att);
        deliverTelemetry();
        QCOMPARE(height.size(), 1);
        QCOMPARE(pitch.size(), 1);
        QCOMPARE(roll.size(), 1);
        QCOMPARE(home.size(), 1);

        // Three distinct status texts with a declared count of 3: one list.
        m_ac->setInt32(35, 3);
        for (const char *t : {"GPS weak", "Compass", "GPS weak", "Battery low"}) {
            m_ac->setValue(37, text43(t));
            deliverTelemetry();
        }
        QCOMPARE(texts.size(), 1);
        QCOMPARE(texts.first().first().toStringList(), (QStringList{"GPS weak", "Compass", "Battery low"}));
        // A text that fills its field without a terminator is cut at the field.
        texts.clear();
        m_ac->setInt32(35, 1);
        m_ac->setValue(37, QByteArray(43, 'X'));
        deliverTelemetry();
        QCOMPARE(texts.size(), 1);
        QCOMPARE(texts.first().first().toStringList(), QStringList{QString(43, 'X')});
    }

    void simpleCommands()
    {
        connectAircraft();
        QVERIFY(negotiate());
        m_ac->ackSimpleCommands = false;
        for (int i = 1; i <= 9; ++i)
            s()->sendSimpleCommand(quint8(i));
        QCOMPARE(s()->pendingSimpleCommands(), 8);
        QCOMPARE(s()->fields().simpleQueue[7], quint8(8));  // the ninth was dropped
        step();

        // 0x00 -> 0x01 -> 0x03 -> 0x02: slot 0, then slot 1, then nothing.
        for (quint8 ack : {quint8(0x01), quint8(0x03), quint8(0x02)}) {
            m_ac->setValue(142, QByteArray(1, char(ack)));
            deliverTelemetry();
        }
        QCOMPARE(s()->pendingSimpleCommands(), 6);
        QCOMPARE(s()->fields().simpleQueue[0], quint8(0));
        QCOMPARE(s()->fields().simpleQueue[1], quint8(0));
        QCOMPARE(s()->fields().simpleQueue[2], quint8(3));

        // Unacknowledged: the command packet goes out again every 200 ticks.
        const int before = m_ac->countReceived(17);
        step(400);
        QCOMPARE(m_ac->countReceived(17) - before, 2);
        QCOMPARE(logCount("timeout!"), 2);

        // A new connection starts with an empty queue: nothing from the last
        // connection flies off with the next.
        s()->init();
        QCOMPARE(s()->pendingSimpleCommands(), 0);
    }

    void linkInfo()
    {
        connectAircraft();
        QVERIFY(negotiate());
        QSignalSpy info(m_aci.get(), &ComACI::linkInfo);
        m_ac->sendLinkInfo(2, 2, 5, 5);
        m_ac->sendRaw(AciAircraft::frame(0x80, 0x30, 129, QByteArray(57, '\1')));
        m_ac->sendRaw(AciAircraft::frame(0x80, 0x30, 128, QByteArray(58, '\1')));
        pump();
        QCOMPARE(info.size(), 1);
        const ZEPH_RF_API_LINKINFO_REDUCED r = info.first().first().value<ZEPH_RF_API_LINKINFO_REDUCED>();
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(r.quality), 4).toHex(), QByteArray("02020505"));
    }

    void waypointUploadFlightAndComeHome()
    {
        connectAircraft();
        QVERIFY(negotiate());
        m_ac->crcErrorOnWaypoint = 2;
        m_ac->bufferFullOnWaypoint = 4;
        QSignalSpy status(m_aci.get(), &ComACI::waypointUploadStatus);
        QSignalSpy started(m_aci.get(), &ComACI::waypointFlightStarted);
        QSignalSpy fly(m_aci.get(), &ComACI::navfly2WP);
        QSignalSpy finished(m_aci.get(), &ComACI::navWPFinished);
        QSignalSpy stop(m_aci.get(), &ComACI::navStop);
        QSignalSpy nav(m_aci.get(), &ComACI::aciNavStatus);

        m_aci->clearWaypoints();
        // The first waypoint's kind leaves bit 22 clear: the flight starts
        // after the first upload and the rest follows during the flight.
        for (int n = 1; n <= 5; ++n)
            m_aci->addWaypoint(waypoint(n), n == 1 ? 0 : n == 5 ? 11 : 1);
        QCOMPARE(m_aci->waypointAt(0).flags, 0x2200045u);
        QCOMPARE(m_aci->waypointAt(1).flags, 0x2410045u);
        QCOMPARE(m_aci->waypointAt(4).flags, 0x2410145u);
        m_aci->startWaypointUpload();
        for (int i = 0; i < 200 && m_ac->storedWaypoints.size() < 5; ++i)
            step();
        step(3);  // the last acknowledgement reaches the ground

        QCOMPARE(m_ac->storedWaypoints.size(), 5);
        for (int n = 1; n <= 5; ++n) {
            const ZEPH_WAYPOINT w = m_aci->waypointAt(n - 1);
            QCOMPARE(m_ac->storedWaypoints[n - 1], QByteArray(reinterpret_cast<const char *>(&w), 42));
        }
        QCOMPARE(m_ac->waypointCommands,
                 (QList<quint8>{18, 14, 15, 5, 15, 15, 15, 15, 16, 15, 15}));
        QCOMPARE(logCount("CRC ERROR!!!"), 1);
        QCOMPARE(logCount("BUFFER FULL!!!"), 1);
        QCOMPARE(status.size(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(status.at(i), (QList<QVariant>{i + 1, i + 1, 5}));
        QCOMPARE(started.size(), 1);
        QCOMPARE(started.first().first().toBool(), true);
        QVERIFY(m_ac->flying());
        QVERIFY(m_aci->isFlightActive());

        // Navigation: first waypoint, a jump to the third, arrival at the last.
        m_ac->sendNavStatus(4, 1);
        pump();
        step();
        m_ac->sendNavStatus(4, 3);
        pump();
        step();
        QCOMPARE(fly.size(), 2);
        QCOMPARE(fly.at(1).first().toInt(), 3);
        QCOMPARE(finished.size(), 2);  // 1 and 2
        QCOMPARE(finished.at(1).first().toInt(), 2);
        m_ac->sendNavStatus(0x84, 3);  // bit 7: current one finished
        pump();
        step();
        QCOMPARE(finished.last().first().toInt(), 3);
        m_ac->sendNavStatus(1, 5);
        pump();
        step();
        QCOMPARE(finished.last().first().toInt(), 4);
        QList<int> reached;
        for (const QList<QVariant> &args : finished)
            reached << args.first().toInt();
        QCOMPARE(reached, (QList<int>{1, 2, 3, 4}));  // each once
        QCOMPARE(stop.size(), 1);
        QVERIFY(!m_aci->isUploadActive());
        QCOMPARE(nav.size(), 4);

        // Come-home: stop (7), navStop, simple command 6 acknowledged; the
        // aircraft's answer to the stop ends the flight once.
        m_aci->comeHome();
        QCOMPARE(stop.size(), 2);
        for (int i = 0; i < 5; ++i)
            deliverTelemetry();
        QCOMPARE(m_ac->waypointCommands.last(), quint8(7));
        QCOMPARE(started.size(), 2);
        QCOMPARE(started.last().first().toBool(), false);
        QCOMPARE(m_ac->simpleCommands, QList<quint8>{6});
        QCOMPARE(s()->pendingSimpleCommands(), 0);

        // A second flight in the same connection starts as the first did.
        m_aci->clearWaypoints();
        m_aci->addWaypoint(waypoint(1), 0);
        m_aci->addWaypoint(waypoint(2), 0);
        m_ac->waypointCommands.clear();
        m_ac->storedWaypoints.clear();
        m_aci->startWaypointUpload();
        for (int i = 0; i < 100 && m_ac->storedWaypoints.size() < 2; ++i)
            step();
        step(3);
        QCOMPARE(m_ac->waypointCommands, (QList<quint8>{18, 14, 15, 5, 15}));
        QVERIFY(m_ac->flying());
        QCOMPARE(started.size(), 3);
        QCOMPARE(started.last().first().toBool(), true);
    }

    void stopMidFlightEndsTheFlightOnce()
    {
        connectAircraft();
        QVERIFY(negotiate());
        QSignalSpy started(m_aci.get(), &ComACI::waypointFlightStarted);
        QSignalSpy finished(m_aci.get(), &ComACI::navWPFinished);
        for (int n = 1; n <= 4; ++n)
            m_aci->addWaypoint(waypoint(n), 0);
        m_aci->startWaypointUpload();
        for (int i = 0; i < 200 && m_ac->storedWaypoints.size() < 4; ++i)
            step();
        step(3);
        // The aircraft reports each waypoint finished and then flies on to
        // the next one: both tell of the same waypoint.
        for (auto [status, id] : {std::pair<quint32, quint16>{4, 1}, {0x84, 1}, {4, 2}, {0x84, 2}, {4, 3}}) {
            m_ac->sendNavStatus(status, id);
            pump();
            step();
        }
        QCOMPARE(finished.size(), 2);
        QCOMPARE(finished.at(0).first().toInt(), 1);
        QCOMPARE(finished.at(1).first().toInt(), 2);

        QCOMPARE(m_aci->stopWaypointFlight(), 3);
        for (int i = 0; i < 5; ++i)
            deliverTelemetry();
        QVERIFY(!m_ac->flying());
        QCOMPARE(started.size(), 2);
        QCOMPARE(started.at(0).first().toBool(), true);
        QCOMPARE(started.at(1).first().toBool(), false);
        // A second stop is answered too, but the flight ended already.
        m_aci->stopWaypointFlight();
        for (int i = 0; i < 5; ++i)
            deliverTelemetry();
        QCOMPARE(started.size(), 2);
    }

    // An answer to the last upload (a status asked after a full buffer) that
    // reaches the ground after a new upload began is not taken for this
    // one's: the old list is cleared before the first waypoint goes.
    void lateAnswerOfTheLastUploadIsIgnored()
    {
        connectAircraft();
        QVERIFY(negotiate());
        const ZEPH_WAYPOINT old = waypoint(9);
        m_ac->storedWaypoints = {QByteArray(reinterpret_cast<const char *>(&old), 42)};
        for (int n = 1; n <= 3; ++n)
            m_aci->addWaypoint(waypoint(n), 0);
        m_aci->startWaypointUpload();
        s()->tick();  // the begin goes; its answer is held back
        QCOMPARE(m_ac->waypointCommands, QList<quint8>{18});
        const QByteArray beginAnswer = m_ac->value(145);
        m_pending.clear();
        m_ac->setValue(145, QByteArray::fromHex("0410006100") + char(beginAnswer.at(5) + 100));
        deliverTelemetry();
        step();  // what the program answers goes
        QCOMPARE(m_ac->waypointCommands, QList<quint8>{18});
        m_ac->setValue(145, beginAnswer);
        for (int i = 0; i < 200 && m_ac->storedWaypoints.size() < 3; ++i)
            deliverTelemetry();
        QCOMPARE(m_ac->waypointCommands.mid(0, 3), (QList<quint8>{18, 14, 15}));
        QCOMPARE(m_ac->storedWaypoints.size(), 3);
        for (int n = 1; n <= 3; ++n) {
            const ZEPH_WAYPOINT w = m_aci->waypointAt(n - 1);
            QCOMPARE(m_ac->storedWaypoints[n - 1], QByteArray(reinterpret_cast<const char *>(&w), 42));
        }
    }

    void uploadOfALostLinkIsNotResumed()
    {
        connectAircraft();
        QVERIFY(negotiate());
        // Bit 22: the flight waits for more waypoints; the aircraft goes
        // silent from the third on, so the link drops mid-upload.
        m_ac->ignoreWaypointFrom = 3;
        for (int n = 1; n <= 5; ++n)
            m_aci->addWaypoint(waypoint(n, n == 1 ? 0x400000u : 0u), 0);
        m_aci->startWaypointUpload();
        step(50);
        QCOMPARE(m_ac->storedWaypoints.size(), 2);
        QVERIFY(m_aci->isUploadActive());

        reconnectNewAircraft();
        QSignalSpy uploaded(m_aci.get(), &ComACI::waypointUploadStatus);
        QSignalSpy started(m_aci.get(), &ComACI::waypointFlightStarted);
        QVERIFY(negotiate());
        QVERIFY(!m_aci->isUploadActive());
        // Well past the time-out that would resend a waypoint or ask the status.
        for (int i = 0; i < 12; ++i)
            deliverTelemetry();
        step(1100);
        QCOMPARE(m_ac->countReceived(17), 0);  // no command packet at all
        QVERIFY(m_ac->waypointCommands.isEmpty());
        QVERIFY(m_ac->storedWaypoints.isEmpty());
        QVERIFY(uploaded.isEmpty());
        QVERIFY(started.isEmpty());
        QCOMPARE(logCount("Timeout!!"), 0);

        // Asked again, the whole plan goes from its beginning.
        m_ac->ignoreWaypointFrom = 0;
        m_aci->startWaypointUpload();
        for (int i = 0; i < 200 && m_ac->storedWaypoints.size() < 5; ++i)
            step();
        QCOMPARE(m_ac->storedWaypoints.size(), 5);
        QCOMPARE(m_ac->waypointCommands.mid(0, 3), (QList<quint8>{18, 14, 15}));
    }

    void gasAndGpsQualityOnlyFromTheAircraft_data()
    {
        QTest::addColumn<int>("raw");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("reports");
        // Every packet is a reading of its own.
        QTest::newRow("steady 230: above the alarm level") << 230 << 30 << 5;
        QTest::newRow("steady 1234") << 1234 << 413 << 5;
        // The link starts from "no sensor": nothing new to tell.
        QTest::newRow("no sensor") << GasSensor::NoSensorReading << 0 << 0;
    }

    void gasAndGpsQualityOnlyFromTheAircraft()
    {
        QFETCH(int, raw);
        QFETCH(int, level);
        QFETCH(int, reports);
        GasSensor::resetShared();
        GasSensor sensor;
        sensor.setCalibration(175, 280);
        connectAircraft();
        connect(m_aci.get(), &ComACI::gasSensorUpdate, &sensor, &GasSensor::setRawValue);
        QSignalSpy gas(m_aci.get(), &ComACI::gasSensorUpdate);
        QSignalSpy quality(m_aci.get(), &ComACI::gpsQuality);
        m_ac->setUInt16(2304, quint16(raw));
        m_ac->setValue(141, QByteArray::fromHex("07000000"));
        QVERIFY(negotiate());
        step(5);  // ticks before any telemetry arrived
        for (int i = 0; i < 5; ++i)
            deliverTelemetry();

        QCOMPARE(gas.size(), reports);
        for (const QList<QVariant> &args : gas)
            QCOMPARE(args.first().toInt(), raw);
        QCOMPARE(quality.size(), 1);
        QCOMPARE(quality.first().first().toInt(), 7);
        QCOMPARE(sensor.lelValue(), level);
        QCOMPARE(sensor.lelValue() >= GasSensor::warnHighLevel(), raw == 230 || raw == 1234);

        // The next connection reports its own first value, not the last one's.
        reconnectNewAircraft();
        m_ac->setUInt16(2304, quint16(raw));
        m_ac->setValue(141, QByteArray::fromHex("07000000"));
        m_aci->initDevice();
        m_aci->deviceClosed();  // keep the worker idle: the test ticks
        QVERIFY(negotiate());
        step(5);
        deliverTelemetry();
        QCOMPARE(gas.size(), reports + (reports ? 1 : 0));
        for (const QList<QVariant> &args : gas)
            QCOMPARE(args.first().toInt(), raw);
        QCOMPARE(sensor.lelValue(), level);
    }

    void steadyGasAfterAChangeShowsItsOwnLevel()
    {
        GasSensor::resetShared();
        GasSensor sensor;
        sensor.setCalibration(175, 280);
        connectAircraft();
        connect(m_aci.get(), &ComACI::gasSensorUpdate, &sensor, &GasSensor::setRawValue);
        m_ac->setUInt16(2304, 100);
        QVERIFY(negotiate());
        for (int i = 0; i < 3; ++i)
            deliverTelemetry();
        QCOMPARE(sensor.lelValue(), 0);
        // Gas rises and stays: once the last ten readings are all 230 the
        // level is 230's own, above the alarm level.
        m_ac->setUInt16(2304, 230);
        for (int i = 0; i < 10; ++i)
            deliverTelemetry();
        QCOMPARE(sensor.lelValue(), 30);
        QVERIFY(sensor.lelValue() >= GasSensor::warnHighLevel());
    }

    void flightStartRule_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("bit22");
        QTest::addColumn<int>("startsAfter");
        QTest::newRow("start after the first") << 10 << false << 1;
        QTest::newRow("bit 22: after eight") << 10 << true << 8;
        QTest::newRow("bit 22, fewer than eight: after all") << 3 << true << 3;
    }

    void flightStartRule()
    {
        QFETCH(int, count);
        QFETCH(bool, bit22);
        QFETCH(int, startsAfter);
        connectAircraft();
        QVERIFY(negotiate());
        for (int n = 1; n <= count; ++n)
            m_aci->addWaypoint(waypoint(n, n == 1 && bit22 ? 0x400000u : 0u), 0);
        m_aci->startWaypointUpload();
        for (int i = 0; i < 300 && !m_ac->waypointCommands.contains(5); ++i)
            step();
        const QList<quint8> cmds = m_ac->waypointCommands;
        QVERIFY(cmds.contains(5));
        QCOMPARE(int(cmds.mid(0, cmds.indexOf(5)).count(15)), startsAfter);
        for (int i = 0; i < 300 && m_ac->storedWaypoints.size() < count; ++i)
            step();
        QCOMPARE(m_ac->storedWaypoints.size(), count);
    }

    void uploadEdges()
    {
        connectAircraft();
        QVERIFY(negotiate());
        // Nothing to upload: logged, nothing sent.
        m_aci->clearWaypoints();
        const int before = m_ac->countReceived(17);
        m_aci->startWaypointUpload();
        step(5);
        QCOMPARE(logCount("NO WAYPOINT UPLOADED"), 1);
        QCOMPARE(m_ac->countReceived(17), before);

        // An aircraft that goes silent after the first waypoint: after 1000
        // telemetry updates the waypoint goes again with the same sequence.
        m_ac->ignoreWaypointFrom = 2;
        m_aci->addWaypoint(waypoint(1), 0);
        m_aci->addWaypoint(waypoint(2), 0);
        m_aci->startWaypointUpload();
        step(50);
        QCOMPARE(m_ac->storedWaypoints.size(), 1);
        const QList<quint8> cmds = m_ac->waypointCommands;
        const int sent17 = m_ac->countReceived(17);
        step(1010);
        QCOMPARE(logCount("Timeout!! resend Waypoint "), 1);
        QCOMPARE(m_ac->countReceived(17), sent17 + 1);
        QCOMPARE(m_ac->waypointCommands, cmds);  // same sequence number: not a new command

        // Responses that claim more uploads than the list holds never reach
        // past its end.
        m_ac->autoPackets = true;
        for (int i = 0; i < 5; ++i) {
            m_ac->setValue(145, QByteArray::fromHex("0404000100") + char(0x40 + i));
            deliverTelemetry();
        }
        QVERIFY(m_aci->uploadedCount() <= 2);
    }

    void endToEndThroughTheHandler_data()
    {
        QTest::addColumn<bool>("pty");
        QTest::newRow("tcp") << false;
        QTest::newRow("pty") << true;
    }

    void endToEndThroughTheHandler()
    {
        QFETCH(bool, pty);
        AciAircraft ac;
        QIODevice *device = nullptr;
        if (pty) {
            QVERIFY(ac.openPty());
            auto *port = new QSerialPort(ac.programPort());
            QVERIFY(port->open(QIODevice::ReadWrite));
            device = port;
        } else {
            QVERIFY(ac.listenTcp());
            auto *socket = new QTcpSocket;
            socket->connectToHost(QHostAddress::LocalHost, ac.tcpPort());
            QVERIFY(socket->waitForConnected(KorvelTest::kWaitMs));
            device = socket;
        }
        ScriptedJoystickSource::Script js;
        js.devices = 1;
        js.readings[0] = JoystickReading{65535, 0, 0x10005};
        KorvelPacketHandler::setAciFactory([&js] {
            auto *c = new ComACI;
            c->setJoystickSource(std::make_unique<ScriptedJoystickSource>(&js));
            return c;
        });
        auto handler = std::make_unique<KorvelPacketHandler>();
        KorvelPacketHandler::setAciFactory(nullptr);
        handler->setDetectionInterval(50);
        QSignalSpy using_(handler.get(), &KorvelPacketHandler::comACIusing);
        QSignalSpy vars(handler.get(), &KorvelPacketHandler::aciAvailableVars);
        QSignalSpy height(handler.get(), &KorvelPacketHandler::heightUpdate);
        QSignalSpy uploaded(handler.get(), &KorvelPacketHandler::waypointUploadStatus);
        QSignalSpy flying(handler.get(), &KorvelPacketHandler::waypointFlightStarted);
        // What the handler hands to the open link (its own connection comes
        // first, so the link is open here exactly when it was there).
        qint64 handedOver = 0;
        connect(handler->comACI(), &KorvelAciLink::write2Device, this, [&](const QByteArray &data) {
            if (device->isOpen())
                handedOver += data.size();
        });
        handler->setDevice(device);
        QVERIFY(KorvelTest::waitFor([&] { return using_.size() == 1; }));
        QCOMPARE(handler->comType(), 2);
        QCOMPARE(vars.size(), 1);
        QCOMPARE(logCount("ACI link lacks"), 0);  // every signal the handler wires exists

        // Telemetry streams in while the link thread ticks.
        ac.setFloat(137, 33.0f);
        QTimer pace;
        connect(&pace, &QTimer::timeout, &ac, &AciAircraft::sendVarPackets);
        pace.start(20);
        QVERIFY(KorvelTest::waitFor([&] { return !height.isEmpty(); }));
        QCOMPARE(height.last().first().toDouble(), 33.0);

        // Joystick frames every pass, from joystick 0 as joystick 1 is absent.
        QVERIFY(KorvelTest::waitFor([&] { return ac.joystickPayloads.size() >= 3; }));
        const QByteArray jp = ac.joystickPayloads.last();
        QCOMPARE(jp.size(), 29);
        QCOMPARE(jp.left(4).toHex(), QByteArray("a0000010"));
        QCOMPARE(jp.mid(14, 2).toHex(), QByteArray("00f8"));  // y 0 -> -2048
        QCOMPARE(jp.mid(18, 2).toHex(), QByteArray("ff07"));  // x 65535 -> 2047
        QCOMPARE(jp.mid(26, 2).toHex(), QByteArray("0500"));
        QCOMPARE(quint8(ac.joystickPayloads.at(1).at(28)), quint8(ac.joystickPayloads.at(0).at(28) + 1));

        // Upload and start through the handler's plain operations.
        handler->clearAciWaypoints();
        for (int n = 1; n <= 3; ++n)
            handler->addAciWaypoint(waypoint(n), 0);
        ac.crcErrorOnWaypoint = 2;
        handler->startAciWaypointUpload();
        QVERIFY(KorvelTest::waitFor([&] { return ac.storedWaypoints.size() == 3 && ac.flying(); }));
        QVERIFY(KorvelTest::waitFor([&] { return uploaded.size() == 3; }));
        QCOMPARE(flying.size(), 1);
        // No waypoint reached yet: the next start resumes at the first.
        QCOMPARE(handler->stopAciWaypointFlight(), 1);
        QVERIFY(KorvelTest::waitFor([&] { return !ac.flying(); }));
        QVERIFY(KorvelTest::waitFor([&] { return flying.size() == 2; }));
        QCOMPARE(flying.last().first().toBool(), false);
        handler->comeHome();
        QVERIFY(KorvelTest::waitFor([&] { return ac.simpleCommands == QList<quint8>{6}; }));
        QVERIFY(!ac.flying());

        // Closing stops the frames; the handler stops the thread on its way out.
        // Frames handed over before the close may still be on their way: a
        // socket sends what it holds before it closes, a serial port drops it.
        const qint64 dropped = pty ? device->bytesToWrite() : 0;
        handler->closeDevice();
        pace.stop();
        QVERIFY(KorvelTest::waitFor([&] { return ac.bytesReceived == handedOver - dropped; }));
        const int frames = ac.joystickPayloads.size();
        QTest::qWait(100);  // only to show that no frame follows the close
        QCOMPARE(ac.joystickPayloads.size(), frames);
        auto *aci = static_cast<ComACI *>(handler->comACI());
        QVERIFY(aci->isRunning());
        handler.reset();
    }

    void noJoystickIsLoggedOncePerConnection()
    {
        ComACI aci;
        ScriptedJoystickSource::Script js;  // no devices
        aci.setJoystickSource(std::make_unique<ScriptedJoystickSource>(&js));
        aci.initDevice();
        QVERIFY(KorvelTest::waitFor([&] { return js.reads == 0 && logCount("driver not installed") >= 1; }));
        QTest::qWait(60);  // only to show that the next passes log nothing more
        QCOMPARE(logCount("driver not installed"), 1);
        aci.deviceClosed();
        aci.initDevice();
        QVERIFY(KorvelTest::waitFor([&] { return logCount("driver not installed") >= 2; }));
        QTest::qWait(60);  // only to show that the next passes log nothing more
        aci.deviceClosed();
        QCOMPARE(logCount("driver not installed"), 2);
        aci.shutdown();
        QVERIFY(!aci.isRunning());
    }
};

KORVEL_TEST_MAIN(TestAciLink)
#include "test_acilink.moc"
