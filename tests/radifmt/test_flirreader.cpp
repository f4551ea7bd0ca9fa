#include <QTemporaryDir>
#include <QtTest>

#include "radifmt/flirreader.h"
#include "radifmttest.h"
#include "support/testkit.h"

using RadifmtTest::StreamCapture;

namespace {

struct Run {
    int result;
    QString out;
};

Run readFile(const QString &path)
{
    StreamCapture out(std::cout);
    FLIRReader reader;
    const int result = reader.openFile(path.toLocal8Bit().constData());
    return {result, QString::fromStdString(out.text())};
}

Run readBytes(const QByteArray &bytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("f.jpg");
    AraGen::writeFile(path, bytes);
    return readFile(path);
}

QByteArray writtenJpeg(bool withGps)
{
    AraGen::FrameParams frame;
    if (!withGps)
        frame.gpsWeek = 0;
    const AraImage image = RadifmtTest::frame(frame, AraGen::scene(640, 512, 1));
    FLIRWriter writer;
    writer.read(&image);
    writer.createCompleteFLIRData();
    return RadifmtTest::radiometricJpeg(writer, 640, 512);
}

QByteArray segment(quint8 marker, const QByteArray &body)
{
    QByteArray s("\xFF", 1);
    s += char(marker);
    s += char((body.size() + 2) >> 8);
    s += char((body.size() + 2) & 0xFF);
    return s + body;
}

}  // namespace

class TestFlirReader : public QObject {
    Q_OBJECT
private slots:
    void errorTexts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "No Error";
        QTest::newRow("-1") << -1 << "Can't open file";
        QTest::newRow("-100") << -100 << "Not a JPEG file";
        QTest::newRow("-101") << -101 << "No FLIR data in JPEG";
        QTest::newRow("5") << 5 << "Unknown Error";
    }
    void errorTexts()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(FLIRReader::getError(code)), text);
    }

    void readsBackWhatTheWriterMade()
    {
        const Run run = readBytes(writtenJpeg(true));
        QCOMPARE(run.result, 0);
        const QStringList lines = run.out.split('\n');
        QCOMPARE(lines.mid(0, 5), (QStringList{"FLIR SIZE 64", "TEST SWAP:1", "TEST SWAP:256",
                                                "TEST SWAP:1", "POS: 2"}));
        // 640 x 512 with GPS: 658812 + 128 - 96 + 184 bytes in 11 pieces.
        QVERIFY(run.out.contains("FLIR BLOCK 1 0 10\nDATA BLOCK SIZE 65524\n"));
        QVERIFY(run.out.contains("FLIR BLOCK 1 10 10\nDATA BLOCK SIZE 3788\n"));
        QVERIFY(run.out.contains("PROCESSING FLIR DATA 659028\n"));
        QVERIFY(run.out.contains("hhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhh \n"
                                 "szFormatID     : FFF\nszOrigin       : ATAU_RBFO\n"
                                 "dwVersion      : 100\ndwIndexOff     : 64\n"
                                 "dwNumUsedIndex : 4\n"));
        for (int i = 0; i < 4; ++i)
            QVERIFY(run.out.contains(QString("***************************************************** %1\n"
                                             "wMainType  : ").arg(i)));
        QVERIFY(run.out.contains("Unsupported tag ID 1\n"));
        QVERIFY(run.out.contains("Unsupported tag ID 2b\n"));
        QVERIFY(run.out.contains("pixelSize     : 2\nimageWidth    : 640\nimageHeight   : 512\n"));
        QVERIFY(run.out.contains("emissivity     : 1\nobjectDistance : 10\n"));
        QVERIFY(run.out.contains("R                 : 366545\nB                 : 1428\n"));
        QVERIFY(run.out.contains("useHistogram : 3\n"));
        QVERIFY(run.out.contains("colorDistr   : 3, 3, 3, 4, 5, 6, 6, 7, 9, 10, 12, 13, 12, 13, 13, 9, "
                                 "10, 9, 9, 8, 8, 7, 7, 6, 6, 4, 4, 4, 3, 4, 4, 3\n"));
        QVERIFY(run.out.contains("ExtendedImageInfo[19]:\nfData    : 0\npzDPName : \n"));
        QVERIFY(run.out.contains("ddeMethod : 0\nddeParam  : 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0\n"
                                 "***************************************************** 2\n"));
        QVERIFY(run.out.endsWith("Unsupported tag ID 2b\n"));
        // The calibration info and the palette are not printed.
        QVERIFY(!run.out.contains("FLIR Tau 2 640"));
        QVERIFY(!run.out.contains("Rainbow"));

        const Run noGps = readBytes(writtenJpeg(false));
        QCOMPARE(noGps.result, 0);
        QVERIFY(noGps.out.contains("dwNumUsedIndex : 3\n"));
        QVERIFY(!noGps.out.contains("Unsupported tag ID 2b"));
    }

    void resultCodes()
    {
        QTemporaryDir dir;
        QCOMPARE(readFile(dir.filePath("missing.jpg")).result, -1);
        QImage png(4, 4, QImage::Format_RGB32);
        png.fill(Qt::red);
        QVERIFY(png.save(dir.filePath("p.png")));
        QCOMPARE(readFile(dir.filePath("p.png")).result, -100);
        QCOMPARE(readBytes(QByteArray()).result, -100);
        QCOMPARE(readBytes(RadifmtTest::greyJpeg(8, 8)).result, -101);
        // Any APP1 segment counts, FLIR or not.
        const Run exif = readBytes(QByteArray("\xFF\xD8", 2) + segment(0xE1, "Exif\0\0abc"));
        QCOMPARE(exif.result, 0);
        QVERIFY(exif.out.contains("NOT A FLIR BLOCK, SKIPPING"));
        // A walk that reaches the end of the file without FF DB stops there.
        QCOMPARE(readBytes(QByteArray("\xFF\xD8\x12\x34\x56", 5)).result, -101);
    }

    void damagedSegmentsEndCleanly_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray soi("\xFF\xD8", 2);
        QTest::newRow("APP1 length below 2") << soi + QByteArray("\xFF\xE1\x00\x01", 4);
        QTest::newRow("APP1 length under 10") << soi + segment(0xE1, QByteArray("FLIR\0\x01", 6));
        QTest::newRow("APP1 longer than file") << soi + QByteArray("\xFF\xE1\xFF\xF0" "FLIR", 8);
        QTest::newRow("APP0 longer than file") << soi + QByteArray("\xFF\xE0\xFF\xF0", 4);
        QTest::newRow("piece without first piece")
            << soi + segment(0xE1, QByteArray("FLIR\0\x01\x01\x01", 8) + QByteArray(100, 'x'));
        QTest::newRow("negative piece numbers")
            << soi + segment(0xE1, QByteArray("FLIR\0\x01\xFF\xFF", 8) + QByteArray(100, 'x'));
        QTest::newRow("payload beyond announced pieces")
            << soi + segment(0xE1, QByteArray("FLIR\0\x01\x00\x01", 8) + QByteArray(65000, 'x'))
                   + segment(0xE1, QByteArray("FLIR\0\x01\x01\x01", 8) + QByteArray(65000, 'x'))
                   + segment(0xE1, QByteArray("FLIR\0\x01\x01\x01", 8) + QByteArray(65000, 'x'));
        // One piece: a head claiming many entries with pointers far beyond the data.
        QByteArray fff(64 + 3 * 32, '\0');
        fff.replace(0, 4, QByteArray("FFF\0", 4));
        fff.replace(28, 4, QByteArray("\x7F\xFF\xFF\xFF", 4));
        const char entries[3][16] = {
            {0, 0x20, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0x7F, 0, 0, 0},
            {0, 0x21, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x50},
            {0, 0x22, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0}};
        for (int i = 0; i < 3; ++i)
            fff.replace(64 + 32 * i, 16, QByteArray(entries[i], 16));
        QTest::newRow("pointers beyond the data")
            << soi + segment(0xE1, QByteArray("FLIR\0\x01\x00\x00", 8) + fff);
        QTest::newRow("head shorter than 64")
            << soi + segment(0xE1, QByteArray("FLIR\0\x01\x00\x00", 8) + QByteArray("FFF\0", 4));
    }
    void damagedSegmentsEndCleanly()
    {
        QFETCH(QByteArray, file);
        const Run run = readBytes(file);
        QVERIFY(run.result == 0 || run.result == -101);
    }

    void measurementInfoRecord()
    {
        // A measurement record: 12-byte header, first function 16 bytes further.
        QByteArray fff(64 + 32 + 12 + 4 + 36, '\0');
        fff.replace(0, 4, QByteArray("FFF\0", 4));
        fff[31] = 1;  // one entry, big-endian
        fff[65] = 0x21;
        fff[64 + 15] = char(96);  // data pointer
        fff[96 + 2] = 16;         // firstFuncOffset, stored as written
        const float tAmb = 293.5f;
        fff.replace(96 + 16, 4, QByteArray(reinterpret_cast<const char *>(&tAmb), 4));
        const Run run = readBytes(QByteArray("\xFF\xD8", 2)
                                  + segment(0xE1, QByteArray("FLIR\0\x01\x00\x00", 8) + fff));
        QCOMPARE(run.result, 0);
        QVERIFY(run.out.contains("endianTest      : 0\nfirstFuncOffset : 16\n"));
        QVERIFY(run.out.contains("  tAmb: 293.5\n  dist: 0\n"));
    }

    void fuzzEveryReader()
    {
        // Truncated and bit-flipped input must end cleanly in every reader.
        const QByteArray jpeg = writtenJpeg(true);
        AraGen::FrameParams frame;
        frame.width = 21;
        frame.height = 9;
        const QByteArray ara = AraGen::araFile(frame, AraGen::scene(21, 9));
        QTemporaryDir dir;
        const QString araPath = dir.filePath("f.ara");
        quint32 state = 7;
        auto next = [&state] { return state = state * 1664525u + 1013904223u; };
        StreamCapture out(std::cout);
        StreamCapture err(std::cerr);
        for (int round = 0; round < 60; ++round) {
            QByteArray damaged = jpeg;
            if (round % 2)
                damaged.truncate(int(next() % quint32(jpeg.size())));
            // Flips concentrated in the heads of the segments and the FFF index.
            for (int flip = 0; flip < 8; ++flip) {
                const int at = int(next() % quint32(qMin(damaged.size(), flip < 4 ? 900 : damaged.size()) + 1));
                if (at < damaged.size())
                    damaged[at] = char(damaged[at] ^ (1 << (next() % 8)));
            }
            const QString path = dir.filePath("f.jpg");
            QVERIFY(AraGen::writeFile(path, damaged));
            FLIRReader reader;
            const int result = reader.openFile(path.toLocal8Bit().constData());
            QVERIFY(result == 0 || result == -100 || result == -101);
        }
        for (int round = 0; round < 300; ++round) {
            QByteArray damaged = ara;
            if (round % 3 == 0)
                damaged.truncate(int(next() % quint32(ara.size())));
            for (int flip = 0; flip < 3; ++flip) {
                const int at = int(next() % quint32(qMax(1, qMin(damaged.size(), 300))));
                if (at < damaged.size())
                    damaged[at] = char(damaged[at] ^ (1 << (next() % 8)));
            }
            AraImage fromMemory = RadifmtTest::image(damaged);
            QVERIFY(AraGen::writeFile(araPath, damaged));
            AraImage fromFile;
            fromFile.read(araPath.toStdString());
            for (AraImage *image : {&fromMemory, &fromFile}) {
                FLIRWriter writer;
                if (writer.read(image)) {
                    writer.createCompleteFLIRData();
                    QVERIFY(!writer.getAPP1Data().empty());
                    QVERIFY(writer.minValue() <= writer.maxValue());
                }
            }
        }
        // A writer that never read a frame still builds a consistent record set.
        FLIRWriter empty;
        empty.createCompleteFLIRData();
        QCOMPARE(empty.getFLIRFileData().size(), size_t(3356 + 96));
    }
};

KORVEL_TEST_MAIN(TestFlirReader)
#include "test_flirreader.moc"
