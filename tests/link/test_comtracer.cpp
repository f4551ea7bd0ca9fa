// The link trace file: head, records byte for byte, and the head reader.
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "link/comtracer.h"
#include "support/testkit.h"

namespace {
QByteArray utf16be(const char *ascii)
{
    QByteArray out;
    for (const char *p = ascii; *p; ++p)
        out.append('\0').append(*p);
    return out;
}

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char(v >> (24 - 8 * i));
    return b;
}

QByteArray stringBytes(const char *ascii)
{
    return be32(quint32(qstrlen(ascii) * 2)) + utf16be(ascii);
}
}  // namespace

class TestComTracer : public QObject {
    Q_OBJECT
private slots:
    void disabledWritesNothing()
    {
        QTemporaryDir dir;
        ComTracer t;
        QVERIFY(!t.isEnabled());
        t.packetLCDINFOHIGHPRIO(LCD_INFO_HIGH_PRIO{});
        t.packetWAYPOINT(WAYPOINT{});
        t.unknownPacket(7, "abc");
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());
    }

    void headAndRecords()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("trace.zt1");
        {
            ComTracer t;
            QVERIFY(t.start(path));
            LCD_INFO_HIGH_PRIO hp{};
            std::memcpy(&hp, "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c", 12);
            t.packetLCDINFOHIGHPRIO(hp);
            t.packetbuildInfoLL(BUILD_INFO_LL{});
            t.packetGPS_DATA_ADVANCED(GPS_DATA_ADVANCED{});
            t.packetLCDINFOLINKNEW(LCD_INFO_LINK_NEW{});
            t.packetHL_STATUS(HL_STATUS{});
            t.unknownPacket(200, "xyz");
            // The trace takes its name when it ends; until then an older
            // trace of that name would stay as it is.
            QVERIFY(!QFile::exists(path));
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray all = f.readAll();

        // Head: magic, version, start time (yyMMddhhmmss).
        const QByteArray magic = stringBytes("KorvelTarvendelTraceFile");
        const QByteArray version = stringBytes("0101");
        QVERIFY(all.startsWith(magic + version + be32(24)));
        int pos = magic.size() + version.size() + 4 + 24;

        // One high-priority record: 4 + 6 + 4 + 1 + 4 + 12 = 31 bytes.
        const QByteArray rec = all.mid(pos, 31);
        QCOMPARE(rec.left(10), stringBytes("###"));
        QVERIFY(qFromBigEndian<qint32>(rec.constData() + 10) >= 0);
        QCOMPARE(rec.mid(14), QByteArray("\x61") + be32(12) +
                                  QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c"));
        pos += 31;

        // The rest by descriptor and size.
        struct { quint8 desc; int size; } expected[] = {{0xF0, 88}, {41, 60}, {96, 16}, {4, 24}, {200, 3}};
        for (const auto &e : expected) {
            QCOMPARE(all.mid(pos, 10), stringBytes("###"));
            QCOMPARE(quint8(all.at(pos + 14)), e.desc);
            QCOMPARE(all.mid(pos + 15, 4), be32(quint32(e.size)));
            pos += 19 + e.size;
        }
        QCOMPARE(all.mid(pos - 3), QByteArray("xyz"));
        QCOMPARE(pos, all.size());

        const ComTraceHeader h = ComTracer::readHeader(path);
        QVERIFY(h.valid);
        QCOMPARE(h.displayVersion(), QString("1.01"));
        QVERIFY(!h.displayStartTime().isEmpty());
    }

    void headerReader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("time");
        QTest::newRow("magic with suffix")
            << stringBytes("KorvelTarvendelTraceFile v2") + stringBytes("0203") + stringBytes("260131235959")
            << true << "2.03" << "2026-01-31 23:59:59";
        QTest::newRow("other magic")
            << stringBytes("SomethingElse") + stringBytes("0101") + stringBytes("260131235959")
            << false << "" << "";
        QTest::newRow("head cut short") << stringBytes("KorvelTarvendelTraceFile") + be32(8) << false << "" << "";
        QTest::newRow("huge length") << be32(0x7FFFFFF0) + QByteArray("xx") << false << "" << "";
        QTest::newRow("empty file") << QByteArray() << false << "" << "";
    }
    void headerReader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QFETCH(QString, version);
        QFETCH(QString, time);
        QTemporaryDir dir;
        const QString path = dir.filePath("x.zt1");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        const ComTraceHeader h = ComTracer::readHeader(path);
        QCOMPARE(h.valid, valid);
        if (valid) {
            QCOMPARE(h.displayVersion(), version);
            QCOMPARE(h.displayStartTime(), time);
        }
    }

    void unwritableTraceIsReported()
    {
        ComTracer t;
        QVERIFY(!t.start("/nonexistent-dir/trace.zt1"));
        QVERIFY(!t.isEnabled());
        QCOMPARE(t.errorString(),
                 "/nonexistent-dir/trace.zt1: " + QString::fromLocal8Bit(strerror(ENOENT)));
        // A trace never takes the place of a device or pipe at its name.
        QTemporaryDir dir;
        const QString pipe = dir.filePath("pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(!t.start(pipe));
        QVERIFY(!t.isEnabled());
        QVERIFY(QFileInfo(pipe).exists() && !QFileInfo(pipe).isFile());
    }
};

KORVEL_TEST_MAIN(TestComTracer)
#include "test_comtracer.moc"
