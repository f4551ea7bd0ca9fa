#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

#include "radifmt/araimage.h"
#include "radifmttest.h"
#include "support/testkit.h"
#include "radifmt/utility.h"

using RadifmtTest::image;

class TestAraImage : public QObject {
    Q_OBJECT
private slots:
    void fromGpsDate_data()
    {
        QTest::addColumn<int>("week");
        QTest::addColumn<quint32>("ms");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("epoch") << 0 << 0u << qint64(315964800);
        QTest::newRow("last 999 ms dropped") << 0 << 999u << qint64(315964800);
        QTest::newRow("week 2000 1500 ms") << 2000 << 1500u << qint64(1525564801);
        QTest::newRow("end of week") << 1 << 604799999u << qint64(315964800 + 604800 + 604799);
        QTest::newRow("largest") << 65535 << 0xFFFFFFFFu
                                 << qint64(315964800) + 65535LL * 604800 + 4294967LL;
    }
    void fromGpsDate()
    {
        QFETCH(int, week);
        QFETCH(quint32, ms);
        QFETCH(qint64, seconds);
        QCOMPARE(qint64(utility::fromGpsDate(uint16_t(week), ms)), seconds);
    }

    void readFromMemory()
    {
        AraGen::FrameParams frame;
        frame.frameWord = 0xABCD;
        const QVector<quint16> counts = AraGen::scene(640, 512);
        QByteArray file = AraGen::araFile(frame, counts) + QByteArray("tail");
        AraImage a;
        QCOMPARE(a.read(reinterpret_cast<const uint8_t *>(file.constData()), file.size()), 0xABCD);
        // Everything behind the block is kept, trailing bytes too.
        QCOMPARE(int(a.sensorData().size()), 655360 + 4);
        QCOMPARE(a.sensorData()[2 * 5], uint8_t(counts[5] & 0xFF));
        const ARA_HEADER h = a.header();
        QCOMPARE(h.width, uint16_t(640));
        QCOMPARE(h.height, uint16_t(512));
        QCOMPARE(h.sensorDataSize, 655360u);
        QCOMPARE(h.fileVersion, uint16_t(12));
        QCOMPARE(h.latitude, frame.latitude);
        QCOMPARE(h.yaw, frame.yaw);
        QCOMPARE(h.planckO, frame.planckO);
        QCOMPARE(h.highResolution, uint8_t(1));
        QCOMPARE(std::string(h.cameraPartNumber), std::string("4664019H-SPRNLX"));
        QCOMPARE(std::string(AraImage::magicBytes), std::string("Ss"));

        // A header block alone gives empty sensor data; a frame word 0 is
        // read completely and still returns 0.
        frame.frameWord = 0;
        file = AraGen::header(frame, AraGen::Raw, 0);
        QCOMPARE(a.read(reinterpret_cast<const uint8_t *>(file.constData()), 512), 0);
        QVERIFY(a.sensorData().empty());
        QCOMPARE(a.header().frameWord, 0u);
        QCOMPARE(image(AraGen::araFile(frame, {1, 2})).sensorData().size(), size_t(4));
    }

    void readRefusesWhatCannotHoldAFrame()
    {
        const QByteArray file = AraGen::araFile(AraGen::FrameParams(), AraGen::scene(640, 512));
        const auto *data = reinterpret_cast<const uint8_t *>(file.constData());
        AraImage a;
        QVERIFY(a.read(data, file.size()) != 0);
        const std::vector<uint8_t> before = a.sensorData();
        for (int size : {0, -1, 1, 288, 511}) {
            QCOMPARE(a.read(data, size), 0);
            QCOMPARE(a.sensorData(), before);
            QCOMPARE(a.header().width, uint16_t(640));
        }
        QCOMPARE(a.read(nullptr, 600), 0);
        QVERIFY(AraImage::fromData(data, 100).sensorData().empty());
    }

    void copyAndMove()
    {
        AraImage a = image(AraGen::araFile(AraGen::FrameParams(), AraGen::scene(8, 2)));
        AraGen::FrameParams frame;
        frame.width = 8;
        frame.height = 2;
        a = image(AraGen::araFile(frame, AraGen::scene(8, 2)));
        AraImage copy(a);
        QCOMPARE(copy.sensorData(), a.sensorData());
        QCOMPARE(copy.header().width, uint16_t(8));
        AraImage moved(std::move(a));
        QCOMPARE(moved.sensorData().size(), size_t(32));
        QVERIFY(a.sensorData().empty());
        QCOMPARE(a.header().width, uint16_t(8));  // the header is copied
        AraImage assigned;
        assigned = std::move(moved);
        QVERIFY(moved.sensorData().empty());
        QCOMPARE(assigned.sensorData(), copy.sensorData());
        assigned = copy;
        QCOMPARE(assigned.sensorData(), copy.sensorData());
    }

    void readFromFile()
    {
        QTemporaryDir dir;
        AraGen::FrameParams frame;
        frame.width = 64;
        frame.height = 32;
        const QVector<quint16> counts = AraGen::scene(64, 32);
        const QByteArray file = AraGen::araFile(frame, counts);
        QVERIFY(AraGen::writeFile(dir.filePath("a.ara"), file + QByteArray(100, 'x')));
        QVERIFY(AraGen::writeFile(dir.filePath("short.ara"), file.left(file.size() - 1)));
        QVERIFY(AraGen::writeFile(dir.filePath("header.ara"), file.left(300)));
        QByteArray absurd = file;
        absurd.replace(34, 4, QByteArray("\xFF\xFF\xFF\x7F", 4));  // 2 GB of sensor data
        QVERIFY(AraGen::writeFile(dir.filePath("absurd.ara"), absurd));

        AraImage a;
        QCOMPARE(a.read(dir.filePath("a.ara").toStdString()), int64_t(512 + 64 * 32 * 2));
        QCOMPARE(a.sensorData().size(), size_t(64 * 32 * 2));  // the count at 34, not the file
        QCOMPARE(RadifmtTest::bytes(a.sensorData()), file.mid(512));
        for (const char *name : {"missing.ara", "short.ara", "header.ara", "absurd.ara"}) {
            AraImage b;
            QCOMPARE(b.read(dir.filePath(name).toStdString()), int64_t(-1));
            QVERIFY(b.sensorData().empty());
        }
    }
};

KORVEL_TEST_MAIN(TestAraImage)
#include "test_araimage.moc"
