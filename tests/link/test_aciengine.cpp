// ACI engine against the simulated aircraft, ticked by hand: list
// negotiation, the stored list file, packet configuration and exchange,
// acknowledgements and the timing of every repeat.
#include <QtTest>
#include <cstring>

#include "support/aciaircraft.h"
#include "link/aciengine.h"
#include "support/testkit.h"

using KorvelTest::AciAircraft;

namespace {
AciAircraft *g_aircraft = nullptr;
QList<QByteArray> g_sent;
QStringList g_events;

// In-memory stand-in of the stored list file, with Data's semantics: reads
// and writes continue where the last call ended; delete starts afresh.
QByteArray g_file;
bool g_fileExists = false;
int g_readPos = -1;
bool g_writing = false;
int g_shortHeader = -1;  // when >= 0, the first read returns only this many bytes

QList<int> g_done;       // what the end callback was told
int g_deletes = 0;
int g_failFrom = -1;     // when >= 0, writes fail once the file holds this many bytes

void resetStorage()
{
    g_file.clear();
    g_fileExists = false;
    g_readPos = -1;
    g_writing = false;
    g_shortHeader = -1;
    g_done.clear();
    g_deletes = 0;
    g_failFrom = -1;
}

int storageRead(char *buf, int len)
{
    g_writing = false;
    if (g_readPos < 0) {
        if (!g_fileExists)
            return 0;
        g_readPos = 0;
    }
    int n = qMin(len, g_file.size() - g_readPos);
    if (g_shortHeader >= 0) {
        n = qMin(n, g_shortHeader);
        g_shortHeader = -1;
    }
    std::memcpy(buf, g_file.constData() + g_readPos, size_t(qMax(0, n)));
    g_readPos += qMax(0, n);
    return qMax(0, n);
}

int storageWrite(const char *buf, int len)
{
    g_readPos = -1;
    if (g_failFrom >= 0 && g_writing && g_file.size() >= g_failFrom)
        return -1;
    if (!g_writing) {
        g_file.clear();
        g_writing = true;
    }
    g_fileExists = true;
    g_file.append(buf, len);
    return len;
}

void storageDone(uint8_t complete)
{
    g_done << complete;
    g_writing = false;
}

void storageDelete()
{
    ++g_deletes;
    g_readPos = -1;
    g_writing = false;
    g_file.clear();
    g_fileExists = false;
}

void send(const uint8_t *frame, uint16_t length)
{
    const QByteArray f(reinterpret_cast<const char *>(frame), length);
    g_sent << f;
    if (g_aircraft)
        g_aircraft->feed(f);
}

void varDone() { g_events << "vars"; }
void cmdDone() { g_events << "cmds"; }
void parDone() { g_events << "pars"; }
void debug(const char *text) { g_events << QString::fromLatin1(text); }
void sync(uint8_t list, uint8_t percent) { g_events << QStringLiteral("sync %1 %2").arg(list).arg(percent); }

int sentCount(quint8 id)
{
    int n = 0;
    for (const QByteArray &f : g_sent)
        n += quint8(f.at(5)) == id;
    return n;
}

QList<int> sentTicks(const QList<QPair<int, quint8>> &log, quint8 id)
{
    QList<int> ticks;
    for (const auto &p : log)
        if (p.second == id)
            ticks << p.first;
    return ticks;
}
}  // namespace

class TestAciEngine : public QObject {
    Q_OBJECT
    std::unique_ptr<AciEngine> m_e;
    std::unique_ptr<AciAircraft> m_ac;

    AciEngine *e() { return m_e.get(); }

    // A fresh engine as the host sets it up for one connection.
    void newEngine(bool storage)
    {
        // As the host does: any storage file still open is closed first.
        g_readPos = -1;
        g_writing = false;
        m_e.reset(new AciEngine());
        aciEngineInit(e());
        aciEngineSetRate(e(), 100);
        aciEngineSetSendCallback(e(), send);
        aciEngineSetVarListCallback(e(), [] { varDone(); aciEngineRequestCmdList(s_self->e()); });
        aciEngineSetCmdListCallback(e(), [] { cmdDone(); aciEngineRequestParList(s_self->e()); });
        aciEngineSetParListCallback(e(), parDone);
        aciEngineSetDebugCallback(e(), debug);
        aciEngineSetSyncStatusCallback(e(), sync);
        if (storage) {
            aciEngineSetStorageReadCallback(e(), storageRead);
            aciEngineSetStorageWriteCallback(e(), storageWrite);
            aciEngineSetStorageDeleteCallback(e(), storageDelete);
        }
    }

    void connectAircraft()
    {
        m_ac.reset(new AciAircraft);
        g_aircraft = m_ac.get();
        // Replies are held back and delivered after the engine call that
        // caused them, as a real link would.
        connect(m_ac.get(), &AciAircraft::output, this, [this](const QByteArray &b) { m_pending += b; });
    }

    void pump()
    {
        while (!m_pending.isEmpty()) {
            const QByteArray b = m_pending;
            m_pending.clear();
            for (char c : b)
                aciEngineReceiveByte(e(), uint8_t(c));
        }
    }

    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            aciEngineTick(e());
            pump();
        }
    }

    // Runs the handshake until the parameter list is complete (or gives up).
    bool negotiate(int maxTicks = 3000)
    {
        aciEngineRequestVarList(e());
        for (int i = 0; i < maxTicks && !g_events.contains("pars"); ++i)
            ticks(1);
        return g_events.contains("pars");
    }

public:
    static TestAciEngine *s_self;

private slots:
    void initTestCase() { s_self = this; }

    void init()
    {
        g_sent.clear();
        g_events.clear();
        resetStorage();
        m_ac.reset();
        g_aircraft = nullptr;
        m_pending.clear();
    }

    void cleanup()
    {
        g_aircraft = nullptr;
        m_ac.reset();
    }

    void handshakeThenStoredFile()
    {
        connectAircraft();
        newEngine(true);
        QVERIFY(negotiate());
        QCOMPARE(g_events.first(), QString("requesting magiccodes"));
        QVERIFY(g_events.contains("magic codes dont mach or file invalid or not present"));
        QCOMPARE(aciEngineVarCount(e()), quint16(m_ac->variables.size()));
        QCOMPARE(aciEngineCmdCount(e()), quint16(m_ac->commands.size()));
        QCOMPARE(aciEngineParCount(e()), quint16(m_ac->parameters.size()));
        QVERIFY(g_events.contains("sync 1 100") && g_events.contains("sync 2 100") && g_events.contains("sync 3 100"));
        // Entries in arrival order, records as sent.
        for (int i = 0; i < m_ac->variables.size(); ++i) {
            AciListEntry *entry = aciEngineVarAt(e(), i);
            QVERIFY(entry);
            QCOMPARE(QByteArray(reinterpret_cast<const char *>(&entry->item), 132),
                     AciAircraft::itemRecord(m_ac->variables[i]));
        }
        QVERIFY(!aciEngineVarAt(e(), m_ac->variables.size()));
        QVERIFY(aciEngineFindCmd(e(), 4));
        QVERIFY(!aciEngineFindCmd(e(), 999));
        // The engine's list checksums match what the aircraft computes.
        QCOMPARE(g_file.left(12), m_ac->magicCodes());
        const int entries = m_ac->variables.size() + m_ac->commands.size() + m_ac->parameters.size();
        QCOMPARE(g_file.size(), 12 + 136 * entries);

        // Next connection: magic codes match the file, no list goes over the air.
        g_sent.clear();
        g_events.clear();
        m_ac->received.clear();
        newEngine(true);
        QVERIFY(negotiate(200));
        QCOMPARE(g_events, QStringList({"requesting magiccodes", "vars", "cmds", "pars"}));
        QCOMPARE(m_ac->countReceived(3) + m_ac->countReceived(1), 0);
        QCOMPARE(aciEngineVarCount(e()), quint16(m_ac->variables.size()));
        QCOMPARE(aciEngineFindVar(e(), 2304)->item.type, quint16(0x11));

        // The aircraft changed its lists: the file no longer matches.
        m_ac->variables.removeLast();
        g_events.clear();
        newEngine(true);
        QVERIFY(negotiate());
        QVERIFY(g_events.contains("magic codes dont mach or file invalid or not present"));
        QCOMPARE(aciEngineVarCount(e()), quint16(m_ac->variables.size()));
        QCOMPARE(g_file.left(12), m_ac->magicCodes());
    }

    void storedFileFaults_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("short header") << 0;
        QTest::newRow("truncated entries") << 1;
    }

    void storedFileFaults()
    {
        QFETCH(int, fault);
        connectAircraft();
        newEngine(true);
        QVERIFY(negotiate());
        const QByteArray complete = g_file;
        if (fault == 0) {
            g_shortHeader = 11;
        } else {
            g_file.chop(100);
        }
        g_events.clear();
        m_ac->received.clear();
        newEngine(true);
        QVERIFY(negotiate());
        // Reported once, then the lists come from the aircraft again.
        QCOMPARE(g_events.count("magic codes dont mach or file invalid or not present"), 1);
        QVERIFY(m_ac->countReceived(3) > 0);
        QCOMPARE(aciEngineVarCount(e()), quint16(m_ac->variables.size()));
        QCOMPARE(g_file, complete);
    }

    // With an end callback the host keeps its old file while the new one is
    // written: nothing is deleted first, and the end of the file is told,
    // complete or cut short by a failed write.
    void endOfTheListFileIsTold()
    {
        connectAircraft();
        newEngine(true);
        aciEngineSetStorageDoneCallback(e(), storageDone);
        QVERIFY(negotiate());
        QCOMPARE(g_done, QList<int>{1});
        QCOMPARE(g_deletes, 0);
        const int entries = m_ac->variables.size() + m_ac->commands.size() + m_ac->parameters.size();
        QCOMPARE(g_file.size(), 12 + 136 * entries);

        resetStorage();
        g_failFrom = 12 + 136 * 3;
        g_sent.clear();
        g_events.clear();
        m_ac->received.clear();
        newEngine(true);
        aciEngineSetStorageDoneCallback(e(), storageDone);
        QVERIFY(negotiate());
        QCOMPARE(g_done, QList<int>{0});
        QCOMPARE(g_file.size(), g_failFrom);  // no write after the failed one
        QCOMPARE(aciEngineVarCount(e()), quint16(m_ac->variables.size()));
    }

    void withoutStorageListsComeStraightAway()
    {
        connectAircraft();
        newEngine(false);
        QVERIFY(negotiate());
        QCOMPARE(m_ac->countReceived(98), 0);
        QVERIFY(!g_fileExists);
    }

    void itemRequestsAreRetriedAndBatched()
    {
        connectAircraft();
        m_ac->dropItemRequests = 3;
        newEngine(false);
        QVERIFY(negotiate());
        QCOMPARE(aciEngineVarCount(e()), quint16(m_ac->variables.size()));
        // Batches of at most four ids.
        for (const AciAircraft::Frame &f : m_ac->received)
            if (f.id == 1 || f.id == 4 || f.id == 7)
                QVERIFY(f.payload.size() >= 2 && f.payload.size() <= 8);
    }

    void listMessageEdges()
    {
        newEngine(false);
        aciEngineRequestVarList(e());
        auto deliver = [this](quint8 id, const QByteArray &payload) {
            for (char c : AciAircraft::frame(0x80, 0, id, payload))
                aciEngineReceiveByte(e(), uint8_t(c));
        };
        // Wrong length for the count: ignored, the list request goes on.
        deliver(64, AciAircraft::le16(2) + AciAircraft::le16(7));
        QCOMPARE(e()->vars.missing.size(), size_t(0));
        deliver(64, AciAircraft::le16(2) + AciAircraft::le16(7) + AciAircraft::le16(9));
        QCOMPARE(e()->vars.missing.size(), size_t(2));
        QCOMPARE(e()->vars.requestTimer, quint16(ACI_TIMER_IDLE));
        AciAircraft::Item a;
        a.id = 9;
        a.type = 0x10;
        a.name = "nine";
        // Not the first missing id: ignored.
        deliver(65, AciAircraft::itemRecord(a));
        QCOMPARE(aciEngineVarCount(e()), quint16(0));
        a.id = 7;
        deliver(65, AciAircraft::itemRecord(a).left(131));  // wrong size
        QCOMPARE(aciEngineVarCount(e()), quint16(0));
        deliver(65, AciAircraft::itemRecord(a));
        QCOMPARE(aciEngineVarCount(e()), quint16(1));
        const quint16 crcAfterOne = e()->vars.crc;
        // 0 announced parameters: complete at once.
        g_events.clear();
        deliver(70, AciAircraft::le16(0));
        QCOMPARE(g_events, QStringList{"pars"});
        // An id already in the list: removed from the missing ids, no second entry.
        deliver(64, AciAircraft::le16(2) + AciAircraft::le16(7) + AciAircraft::le16(9));
        deliver(65, AciAircraft::itemRecord(a));
        QCOMPARE(aciEngineVarCount(e()), quint16(1));
        QCOMPARE(e()->vars.crc, crcAfterOne);
        QCOMPARE(e()->vars.missing.size(), size_t(1));
    }

    void repeatTiming()
    {
        newEngine(true);
        QList<QPair<int, quint8>> log;
        int tick = 0;
        aciEngineSetSendCallback(e(), [](const uint8_t *f, uint16_t) { s_self->m_log->append({s_self->m_tick, f[5]}); });
        m_log = &log;
        aciEngineRequestVarList(e());   // magic codes
        e()->cmds.requestTimer = 0;     // a list request running
        aciEngineAddCmdToPacket(e(), 0, 1, &tick);  // unknown id: ignored
        e()->cmdPacket.ackWanted = 1;
        aciEngineTriggerCmdPacket(e(), 0);
        e()->parPacket.sendState = 1;
        for (m_tick = 1; m_tick <= 650; ++m_tick)
            aciEngineTick(e());
        auto period = [&](quint8 id) {
            const QList<int> t = sentTicks(log, id);
            return t.size() >= 3 ? QList<int>{t[1] - t[0], t[2] - t[1]} : QList<int>{};
        };
        QCOMPARE(period(98), (QList<int>{101, 101}));
        QCOMPARE(period(6), (QList<int>{21, 21}));
        QCOMPARE(period(17), (QList<int>{26, 26}));
        QCOMPARE(period(20), (QList<int>{51, 51}));
        // Start-up: configurations at tick 200, then every 2 s until acknowledged.
        // (the first resend comes one tick early: the tick that sent it also counts)
        QCOMPARE(sentTicks(log, 10), (QList<int>{200, 399, 599}));
        QCOMPARE(sentTicks(log, 83), (QList<int>{200, 399, 599}));
        QCOMPARE(sentTicks(log, 16), (QList<int>{200, 399, 599}));
        // A second magic-code reply is ignored; the first stops the requests.
        auto deliver = [this](quint8 id, const QByteArray &payload) {
            for (char c : AciAircraft::frame(0x80, 0, id, payload))
                aciEngineReceiveByte(e(), uint8_t(c));
        };
        deliver(98, QByteArray(12, '\0'));
        QCOMPARE(e()->magicCounter, quint16(0));
        QVERIFY(e()->magicMismatch);
        e()->magicMismatch = false;
        deliver(98, QByteArray(12, '\0'));
        QVERIFY(!e()->magicMismatch);
        m_log = nullptr;
    }

    void packetConfigurationAndData()
    {
        connectAircraft();
        newEngine(false);
        QVERIFY(negotiate());
        quint8 f146[4] = {}, f137[4] = {}, f2304[2] = {}, f36[62] = {};
        QVERIFY(aciEngineAddVarToPacket(e(), 0, 146, f146));
        QVERIFY(aciEngineAddVarToPacket(e(), 0, 36, f36));
        QVERIFY(aciEngineAddVarToPacket(e(), 1, 137, f137));
        QVERIFY(aciEngineAddVarToPacket(e(), 1, 2304, f2304));
        // Refusals: duplicate, unknown id, no field, bad packet index.
        QVERIFY(!aciEngineAddVarToPacket(e(), 1, 137, f137));
        QVERIFY(!aciEngineAddVarToPacket(e(), 1, 4242, f137));
        QVERIFY(!aciEngineAddVarToPacket(e(), 1, 131, nullptr));
        QVERIFY(!aciEngineAddVarToPacket(e(), 2, 131, f137));
        aciEngineSendVarPacketConfig(e(), 0);
        aciEngineSendVarPacketConfig(e(), 1);
        pump();
        QCOMPARE(m_ac->packetIds(0), (QVector<quint16>{146, 36}));
        QCOMPARE(m_ac->packetIds(1), (QVector<quint16>{137, 2304}));
        // The aircraft acknowledged both configurations: no resend.
        QCOMPARE(e()->varPackets[0].resendTimer, quint16(0));
        QCOMPARE(e()->varPackets[1].resendTimer, quint16(0));
        const quint8 check = quint8(AciAircraft::crc(AciAircraft::le16(146) + AciAircraft::le16(36)) & 0xFF);
        QCOMPARE(e()->varPackets[0].check, check);

        m_ac->setInt32(146, -123456);
        m_ac->setFloat(137, 12.5f);
        m_ac->setUInt16(2304, 222);
        m_ac->sendVarPackets();
        pump();
        aciEngineUnpackVarPackets(e());
        qint32 gpsHeight;
        std::memcpy(&gpsHeight, f146, 4);
        float height;
        std::memcpy(&height, f137, 4);
        QCOMPARE(gpsHeight, -123456);
        QCOMPARE(height, 12.5f);
        QCOMPARE(f2304[0] | (f2304[1] << 8), 222);
        QCOMPARE(e()->startupCounter, quint16(0));

        // Four bad data packets change nothing; the fifth re-arms the configuration.
        auto deliver = [this](quint8 id, const QByteArray &payload) {
            for (char c : AciAircraft::frame(0x80, 0, id, payload))
                aciEngineReceiveByte(e(), uint8_t(c));
        };
        for (int i = 0; i < 4; ++i)
            deliver(80, QByteArray(3, '\x01'));
        QCOMPARE(e()->varPackets[0].resendTimer, quint16(0));
        QVERIFY(!e()->varPackets[0].valid);
        deliver(80, QByteArray(3, '\x01'));
        QCOMPARE(e()->varPackets[0].resendTimer, quint16(1));
        QCOMPARE(e()->varPackets[0].badCount, quint8(4));
        // Last valid data of packet 1 is still unpacked.
        std::memset(f137, 0, 4);
        aciEngineUnpackVarPackets(e());
        std::memcpy(&height, f137, 4);
        QCOMPARE(height, 12.5f);

        // Acknowledgement statuses: 0xF1 leaves the timer, others resend at once.
        e()->varPackets[1].resendTimer = 55;
        deliver(81, QByteArray::fromHex("53f1"));
        QCOMPARE(e()->varPackets[1].resendTimer, quint16(55));
        deliver(81, QByteArray::fromHex("5302"));
        QCOMPARE(e()->varPackets[1].resendTimer, quint16(1));
        deliver(81, QByteArray::fromHex("5301"));
        QCOMPARE(e()->varPackets[1].resendTimer, quint16(0));

        // Packet 1 holds at most 80 bytes (6 so far); packet 0 has no such limit.
        quint8 att[12], big[62], q[4];
        QVERIFY(aciEngineAddVarToPacket(e(), 1, 138, att));   // 18
        QVERIFY(aciEngineAddVarToPacket(e(), 1, 36, big));    // 80
        QVERIFY(!aciEngineAddVarToPacket(e(), 1, 141, q));    // 84
        QVERIFY(aciEngineAddVarToPacket(e(), 0, 37, big));
        QVERIFY(aciEngineAddVarToPacket(e(), 0, 141, q));
    }

    void commandPacket()
    {
        connectAircraft();
        newEngine(false);
        QVERIFY(negotiate());
        quint8 wpCmd[6] = {15, 0x34, 0x12, 0, 0, 7};
        quint8 wpData[42] = {};
        quint8 queue[8] = {6};
        aciEngineAddCmdToPacket(e(), 0, 5, wpCmd);
        aciEngineAddCmdToPacket(e(), 0, 4, wpData);
        aciEngineAddCmdToPacket(e(), 0, 2, queue);
        aciEngineAddCmdToPacket(e(), 0, 5, wpCmd);  // once only
        aciEngineAddCmdToPacket(e(), 0, 777, wpCmd);  // unknown: ignored
        QCOMPARE(e()->cmdPacket.ids, (std::vector<uint16_t>{5, 4, 2}));
        aciEngineSendCmdPacketConfig(e(), 0, 1);
        pump();
        QCOMPARE(e()->cmdPacket.payloadSize, quint16(56));
        g_sent.clear();
        aciEngineTriggerCmdPacket(e(), 0);
        aciEngineTick(e());
        const QByteArray f = g_sent.last();
        pump();
        QCOMPARE(sentCount(17), 1);
        QCOMPARE(quint8(f.at(5)), quint8(17));
        QCOMPARE(f.mid(8, 1 + 6), QByteArray(1, char(e()->cmdPacket.check)) + QByteArray::fromHex("0f3412000007"));
        // The aircraft acknowledged (id 18): no resend follows.
        QCOMPARE(e()->cmdPacket.sendState, quint8(0));
        ticks(60);
        QCOMPARE(sentCount(17), 1);
        QCOMPARE(m_ac->waypointCommands, (QList<quint8>{15}));
        QCOMPARE(m_ac->simpleCommands, (QList<quint8>{6}));
    }

    void infoAndEcho()
    {
        newEngine(false);
        auto deliver = [this](quint8 id, const QByteArray &payload) {
            for (char c : AciAircraft::frame(0x80, 0, id, payload))
                aciEngineReceiveByte(e(), uint8_t(c));
        };
        QByteArray info(25, '\0');
        info[6] = 9;
        deliver(113, info);
        deliver(112, QByteArray());
        QCOMPARE(g_sent.size(), 1);
        QCOMPARE(g_sent[0].mid(8, 25).toHex(), QByteArray("02002040200109000000000000000000000000000000000000"));
        deliver(96, QByteArray::fromHex("0500" "0100" "01" "aa"));
        deliver(96, QByteArray::fromHex("0000" "0100" "01" "aa"));
        deliver(96, QByteArray::fromHex("0700" "01" "00"));  // too short
        QCOMPARE(g_sent.size(), 2);
        QCOMPARE(g_sent[1].mid(5, 5).toHex(), QByteArray("6002000500"));
    }

private:
    QList<QPair<int, quint8>> *m_log = nullptr;
    QByteArray m_pending;
    int m_tick = 0;
};

TestAciEngine *TestAciEngine::s_self = nullptr;

KORVEL_TEST_MAIN(TestAciEngine)
#include "test_aciengine.moc"
