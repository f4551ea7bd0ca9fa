// ACI frames on the wire: checksum, frame building, the byte-wise receiver.
#include <QRandomGenerator>
#include <QtTest>

#include "support/aciaircraft.h"
#include "link/aciengine.h"
#include "support/testkit.h"

using KorvelTest::AciAircraft;

namespace {
QList<QByteArray> g_sent;
struct RawFrame {
    int source, id;
    QByteArray payload;
};
QList<RawFrame> g_raw;

void captureSend(const uint8_t *frame, uint16_t length)
{
    g_sent << QByteArray(reinterpret_cast<const char *>(frame), length);
}

void captureRaw(uint8_t source, uint8_t id, const uint8_t *data, uint16_t length)
{
    g_raw << RawFrame{source, id, QByteArray(reinterpret_cast<const char *>(data), length)};
}

void feed(AciEngine *e, const QByteArray &bytes)
{
    for (char c : bytes)
        aciEngineReceiveByte(e, uint8_t(c));
}

// A message 112 (info request) is answered with a 113 at once, which makes
// "the frame reached the message handler" visible through the send callback.
int infoReplies()
{
    int n = 0;
    for (const QByteArray &f : g_sent)
        n += f.size() > 5 && quint8(f.at(5)) == 113;
    return n;
}
}  // namespace

class TestAciFraming : public QObject {
    Q_OBJECT
    std::unique_ptr<AciEngine> m_engine;

private slots:
    void init()
    {
        g_sent.clear();
        g_raw.clear();
        m_engine.reset(new AciEngine());
        aciEngineInit(m_engine.get());
        aciEngineSetRate(m_engine.get(), 100);
        aciEngineSetSendCallback(m_engine.get(), captureSend);
        aciEngineSetRawDataCallback(m_engine.get(), captureRaw);
    }

    void checksum()
    {
        QCOMPARE(aciCrc16(0x00FF, "123456789", 9), quint16(0x9DB8));
        QCOMPARE(aciCrc16(0x1234, "", 0), quint16(0x1234));
        // Our byte-wise form and the simulator's bit-wise form agree.
        const QByteArray junk = QByteArray::fromHex("00ff80217f0123456789abcdef");
        QCOMPARE(aciCrc16(0x00FF, junk.constData(), quint16(junk.size())), AciAircraft::crc(junk));
    }

    void workedFrames()
    {
        aciEngineSendMessage(m_engine.get(), 98, nullptr, 0);
        aciEngineSendMessage(m_engine.get(), 3, nullptr, 0);
        QCOMPARE(g_sent.size(), 2);
        QCOMPARE(g_sent[0].toHex(' '), QByteArray("21 23 21 00 80 62 00 00 c1 68"));
        QCOMPARE(g_sent[1].toHex(' '), QByteArray("21 23 21 00 80 03 00 00 50 37"));
    }

    void explicitAddressesAndLimits()
    {
        const QByteArray p499(499, '\x5a');
        aciEngineSendFrame(m_engine.get(), 0x82, 0x30, 0x80, p499.constData(), 499);
        QCOMPARE(g_sent.size(), 1);
        const QByteArray f = g_sent[0];
        QCOMPARE(f.size(), 509);
        QCOMPARE(quint8(f[3]), quint8(0x30));
        QCOMPARE(quint8(f[4]), quint8(0x80));
        QCOMPARE(quint8(f[5]), quint8(0x82));
        QCOMPARE(f.mid(6, 2).toHex(), QByteArray("f301"));
        QCOMPARE(f, AciAircraft::frame(0x30, 0x80, 0x82, p499));

        const QByteArray p500(500, 'x');
        aciEngineSendMessage(m_engine.get(), 1, p500.constData(), 500);
        QCOMPARE(g_sent.size(), 1);

        aciEngineSetSendCallback(m_engine.get(), nullptr);
        aciEngineSendMessage(m_engine.get(), 3, nullptr, 0);  // dropped, no crash
        QCOMPARE(g_sent.size(), 1);
    }

    void receiver_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("handled");  // info replies
        QTest::addColumn<int>("raw");

        const QByteArray good = AciAircraft::frame(0x80, 0x00, 112, QByteArray());
        QByteArray badCrc = good;
        badCrc[badCrc.size() - 1] = char(badCrc.at(badCrc.size() - 1) ^ 0x40);

        QTest::newRow("good, zero length") << good << 1 << 0;
        QTest::newRow("noise before") << (QByteArray("\x00\x21\x23\x22", 4) + good) << 1 << 0;
        QTest::newRow("extra 0x21 before the start") << (QByteArray("\x21") + good) << 0 << 0;
        QTest::newRow("not for us") << AciAircraft::frame(0x00, 0x00, 112, QByteArray()) << 0 << 0;
        QTest::newRow("checksum mismatch") << badCrc << 0 << 0;
        QTest::newRow("two in a row") << good + good << 2 << 0;
        QTest::newRow("radio source") << AciAircraft::frame(0x80, 0x30, 112, QByteArray("ab")) << 0 << 1;
        QTest::newRow("payload 512 accepted")
            << AciAircraft::frame(0x80, 0x30, 5, QByteArray(512, '\x11')) << 0 << 1;
        // 513: back to the start at the high length byte; the frame's own
        // payload holds a good frame that is then found.
        QByteArray over = QByteArray::fromHex("2123218000700102");
        over += good;
        QTest::newRow("length 513 rescans") << over << 1 << 0;
    }

    void receiver()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, handled);
        QFETCH(int, raw);
        feed(m_engine.get(), bytes);
        QCOMPARE(infoReplies(), handled);
        QCOMPARE(g_raw.size(), raw);
        QCOMPARE(int(m_engine->rxState), 0);
    }

    void splitAcrossCalls()
    {
        // A frame with payload, delivered in every possible two-piece split.
        const QByteArray f = AciAircraft::frame(0x80, 0x30, 129, QByteArray("hello"));
        for (int cut = 0; cut <= f.size(); ++cut) {
            g_raw.clear();
            feed(m_engine.get(), f.left(cut));
            feed(m_engine.get(), f.mid(cut));
            QCOMPARE(g_raw.size(), 1);
            QCOMPARE(g_raw[0].source, 0x30);
            QCOMPARE(g_raw[0].id, 129);
            QCOMPARE(g_raw[0].payload, QByteArray("hello"));
        }
    }

    void cutOffFrameIsFinishedByNextBytes()
    {
        // No time-out inside a frame: a truncated frame swallows what follows
        // and is dropped by its checksum; the frame after that gets through.
        const QByteArray f = AciAircraft::frame(0x80, 0x00, 112, QByteArray("12345678"));
        feed(m_engine.get(), f.left(12));
        feed(m_engine.get(), f);
        feed(m_engine.get(), f);
        QVERIFY(infoReplies() >= 1);
    }

    void fuzz()
    {
        QRandomGenerator rng(20261210);
        const QByteArray good = AciAircraft::frame(0x80, 0x00, 112, QByteArray());
        for (int round = 0; round < 300; ++round) {
            QByteArray junk(int(rng.bounded(700)), '\0');
            for (char &c : junk)
                c = char(rng.bounded(256));
            // Random frames with plausible heads, some truncated, some corrupted.
            const quint8 ids[] = {64, 65, 67, 68, 70, 71, 73, 80, 81, 96, 97, 98, 112, 113, 177};
            QByteArray payload(int(rng.bounded(300)), '\0');
            for (char &c : payload)
                c = char(rng.bounded(256));
            QByteArray f = AciAircraft::frame(0x80, quint8(rng.bounded(2) ? 0x00 : 0x30),
                                              ids[rng.bounded(int(sizeof ids))], payload);
            if (rng.bounded(3) == 0)
                f.truncate(int(rng.bounded(f.size())));
            feed(m_engine.get(), junk + f);
            aciEngineTick(m_engine.get());
        }
        // Whatever came before, after one frame's worth of flushing the
        // receiver takes good frames again.
        feed(m_engine.get(), QByteArray(600, '\0'));
        g_sent.clear();
        feed(m_engine.get(), good);
        QCOMPARE(infoReplies(), 1);
    }
};

KORVEL_TEST_MAIN(TestAciFraming)
#include "test_aciframing.moc"
