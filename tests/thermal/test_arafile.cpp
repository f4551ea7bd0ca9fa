#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <iostream>
#include <sstream>

#include "thermal/aradecoder.h"
#include "thermal/arafile.h"
#include "support/aragen.h"
#include "support/testkit.h"

namespace {

// Collects what the decoder writes to the standard output.
class CoutCapture {
public:
    CoutCapture() : m_old(std::cout.rdbuf(m_buffer.rdbuf())) {}
    ~CoutCapture() { std::cout.rdbuf(m_old); }
    QString text() const { return QString::fromStdString(m_buffer.str()); }

private:
    std::ostringstream m_buffer;
    std::streambuf *m_old;
};

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(char(b));
    return out;
}

QVector<quint16> decodeCounts(const QByteArray &lines)
{
    QVector<quint16> out(lines.size() / 2);
    for (int i = 0; i < out.size(); ++i)
        out[i] = qFromLittleEndian<quint16>(lines.constData() + 2 * i);
    return out;
}

// Counts whose neighbours differ by every code length, with wrap-around.
QVector<quint16> hardCounts(int width, int height)
{
    QVector<quint16> counts(width * height);
    quint32 state = 12345;
    for (int i = 0; i < counts.size(); ++i) {
        state = state * 1103515245u + 12345u;
        const int bits = int((state >> 16) % 15);  // 0..14 value bits
        const int magnitude = bits == 0 ? 0 : (1 << (bits - 1)) + int((state >> 8) % (1u << (bits - 1)));
        const int sign = (state & 0x100) ? -1 : 1;
        counts[i] = i % width == 0 ? quint16(state >> 3) : quint16(counts[i - 1] + sign * magnitude);
    }
    return counts;
}

AraGen::FrameParams sized(int width, int height)
{
    AraGen::FrameParams s;
    s.width = width;
    s.height = height;
    return s;
}

}  // namespace

class TestAraFile : public QObject {
    Q_OBJECT
private slots:
    void generatedFramesDecodeToTheirCounts_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("hard");
        QTest::newRow("640x512 scene") << 640 << 512 << false;
        QTest::newRow("1x5") << 1 << 5 << true;
        QTest::newRow("2x3") << 2 << 3 << true;
        QTest::newRow("3x4") << 3 << 4 << true;
        QTest::newRow("7x9") << 7 << 9 << true;
        QTest::newRow("333x17") << 333 << 17 << true;
        QTest::newRow("640x8 every code length") << 640 << 8 << true;
    }
    void generatedFramesDecodeToTheirCounts()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(bool, hard);
        const QVector<quint16> counts = hard ? hardCounts(width, height)
                                             : AraGen::scene(width, height, 3);
        for (auto compression : {AraGen::Raw, AraGen::LineCompressed}) {
            const QByteArray file = AraGen::araFile(sized(width, height), counts, compression);
            QVERIFY(file.size() > 512);
            AraFile ara;
            QVERIFY2(ara.setData(file.left(512), file.mid(512)), qPrintable(ara.errorString()));
            QCOMPARE(ara.width(), width);
            QCOMPARE(ara.height(), height);
            QCOMPARE(ara.counts(), counts);
        }
        // Raw frames of 640 x 512 are 655872 bytes, pixel (x, y) at 512 + 2 (y 640 + x).
        if (width == 640 && height == 512) {
            const QByteArray raw = AraGen::araFile(sized(640, 512), counts);
            QCOMPARE(raw.size(), 655872);
            QCOMPARE(qFromLittleEndian<quint16>(raw.constData() + 512 + 2 * (100 * 640 + 37)),
                     counts[100 * 640 + 37]);
        }
    }

    void workedExample()
    {
        // 1000, 1001, 999, 999: +1 as 0001 0, -2 as 0010 01, 0 as 0000, one fill bit.
        const QByteArray block = bytes({0x80, 0x05, 0x03, 0xE8, 0x11, 0x20, 0xAA, 0x55});
        AraDecoder decoder;
        QCOMPARE(decoder.decompressLines(block, 4, 1), bytes({0xE8, 0x03, 0xE9, 0x03, 0xE7, 0x03, 0xE7, 0x03}));
        // Width 3: the second code of 0x20 is dropped and nothing lands past the line.
        QCOMPARE(decoder.decompressLines(block.left(6) + bytes({0, 0}), 3, 1),
                 bytes({0xE8, 0x03, 0xE9, 0x03, 0xE7, 0x03}));

        // Byte by byte: 0x11 gives one difference, 0x20 two.
        decoder.reset();
        int diffs[2];
        QCOMPARE(decoder.readBitCodes(0x11, diffs), 1);
        QCOMPARE(diffs[0], 1);
        QCOMPARE(decoder.readBitCodes(0x20, diffs), 2);
        QCOMPARE(diffs[0], -2);
        QCOMPARE(diffs[1], 0);
    }

    void decoderErrors_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("message");
        const QByteArray good = bytes({0x80, 0x05, 0x03, 0xE8, 0x11, 0x20, 0, 0});
        QTest::newRow("sync nibble 0") << bytes({0x05, 0x05, 0x03, 0xE8}) << 4 << "sync error: nibble";
        // 0x500 = 1280 = 2 x 640 is one too many; 1279 passes.
        QTest::newRow("length 1280") << bytes({0x85, 0x00, 0x00, 0x00}) << 640 << "sync error: len max";
        QTest::newRow("count 15 first") << bytes({0x80, 0x05, 0x03, 0xE8, 0xF0}) << 4 << "sync error: decode";
        // +1 (0001 0) then a count of 15 at the next code boundary.
        QTest::newRow("count 15 at boundary") << bytes({0x80, 0x05, 0x03, 0xE8, 0x17, 0x80}) << 4
                                              << "sync error: decode";
        QTest::newRow("zero byte after last block") << good + bytes({0x00}) << 4 << "sync error: nibble";
    }
    void decoderErrors()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, width);
        QFETCH(QString, message);
        CoutCapture out;
        AraDecoder decoder;
        QVERIFY(decoder.decompressLines(data, width, 1).isEmpty());
        QCOMPARE(out.text(), message);  // no line end
        QCOMPARE(QString(decoder.lastMessage()), message);
    }

    void lengthBoundPasses()
    {
        QVector<quint16> line(640, 7000);
        QByteArray block = AraGen::compressLines(line, 640, 1);
        block[0] = char(0x84);  // length 0x4FF = 1279
        block[1] = char(0xFF);
        AraDecoder decoder;
        QCOMPARE(decodeCounts(decoder.decompressLines(block, 640, 1)), line);
    }

    void fillBitsAndTrailerAreNeverRead()
    {
        // Ones after the last code would read as the invalid count 15.
        AraGen::LineOptions options;
        options.fillWithOnes = true;
        options.trailer[0] = 0xFF;
        options.trailer[1] = 0x00;
        options.syncNibble = 0xF;
        for (int width : {1, 2, 3, 4, 5, 6, 9, 640}) {
            const QVector<quint16> counts = hardCounts(width, 6);
            const QByteArray data = AraGen::compressLines(counts, width, 6, options);
            AraDecoder decoder;
            QCOMPARE(decodeCounts(decoder.decompressLines(data, width, 6)), counts);
        }
    }

    void differencesWrap()
    {
        // Start 0, then -1 (n 1, v 1: 0001 1) and +1 (0001 0): 0, 65535, 0.
        const QByteArray block = bytes({0x80, 0x04, 0x00, 0x00, 0x18, 0x80, 0, 0});
        AraDecoder decoder;
        QCOMPARE(decodeCounts(decoder.decompressLines(block, 3, 1)), (QVector<quint16>{0, 65535, 0}));
    }

    void oneColumnFrame()
    {
        // Width 1: sync and length, the sample, one code byte (fill only, the
        // line needs no codes) and the two trailer bytes: 7 bytes a line.
        const QByteArray data = bytes({0x80, 0x01, 0x12, 0x34, 0x00, 0xAA, 0xBB,
                                       0x90, 0x00, 0xFF, 0xFE, 0xF0, 0x00, 0x00,
                                       0xF0, 0x01, 0x00, 0x07, 0x5A, 0x00, 0x00});
        const QVector<quint16> expected{0x1234, 0xFFFE, 0x0007};
        AraDecoder decoder;
        QCOMPARE(decodeCounts(decoder.decompressLines(data, 1, 3)), expected);

        // Byte by byte: the block completes on its seventh byte.
        decoder.reset();
        quint16 line = 0;
        for (int i = 0; i < 6; ++i)
            QCOMPARE(decoder.decodeByte(quint8(data[i]), &line, 1), 1);
        QCOMPARE(decoder.decodeByte(quint8(data[6]), &line, 1), 0);
        QCOMPARE(line, quint16(0x1234));

        // As a frame, and the generator writes the same bytes.
        AraFile ara;
        QVERIFY2(ara.setData(AraGen::header(sized(1, 3), AraGen::LineCompressed, quint32(data.size())), data),
                 qPrintable(ara.errorString()));
        QCOMPARE(ara.counts(), expected);
        QByteArray generated = AraGen::compressLines(expected, 1, 3);
        QCOMPARE(generated.size(), data.size());
        QCOMPARE(decodeCounts(decoder.decompressLines(generated, 1, 3)), expected);
    }

    void incompleteBlockIsDroppedQuietly()
    {
        const QVector<quint16> counts = AraGen::scene(16, 3, 1);
        const QByteArray data = AraGen::compressLines(counts, 16, 3);
        CoutCapture out;
        AraDecoder decoder;
        const QByteArray lines = decoder.decompressLines(data.left(data.size() - 3), 16, 3);
        QCOMPARE(lines.size(), 2 * 16 * 2);
        QVERIFY(out.text().isEmpty());

        // The file reader refuses a frame with fewer lines than its height.
        AraFile ara;
        const QByteArray file = AraGen::araFile(sized(16, 3), counts, AraGen::LineCompressed);
        QVERIFY(!ara.setData(file.left(512), file.mid(512, file.size() - 512 - 3)));
        QCOMPARE(ara.status(), AraFile::MissingPixels);
        QVERIFY(ara.counts().isEmpty());
    }

    void refusedFrames_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        const QVector<quint16> counts = AraGen::scene(8, 4);
        const QByteArray good = AraGen::araFile(sized(8, 4), counts);
        auto patched = [&](int offset, QByteArray value) {
            QByteArray f = good;
            f.replace(offset, value.size(), value);
            return f;
        };
        QTest::newRow("shorter than header") << good.left(300) << int(AraFile::TooShort);
        QTest::newRow("magic") << patched(0, "sS") << int(AraFile::BadMagic);
        QTest::newRow("compression 1") << patched(30, bytes({1})) << int(AraFile::BadCompression);
        QTest::newRow("width 0") << patched(18, bytes({0, 0})) << int(AraFile::BadSize);
        QTest::newRow("width high bytes") << patched(20, bytes({1})) << int(AraFile::BadSize);
        QTest::newRow("height 65535 x width 65535") << patched(18, bytes({0xFF, 0xFF, 0, 0, 0xFF, 0xFF}))
                                                    << int(AraFile::BadSize);
        QTest::newRow("raw data short") << good.left(good.size() - 1) << int(AraFile::MissingPixels);
        QTest::newRow("compressed damaged")
            << AraGen::header(sized(8, 4), AraGen::LineCompressed, 4) + bytes({0x00, 1, 2, 3})
            << int(AraFile::DecodeError);
    }
    void refusedFrames()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, status);
        QTemporaryDir dir;
        const QString path = dir.filePath("frame.ara");
        QVERIFY(AraGen::writeFile(path, file));
        CoutCapture quiet;
        AraFile ara;
        QVERIFY(!ara.load(path));
        QCOMPARE(int(ara.status()), status);
        QVERIFY(ara.counts().isEmpty());
        QVERIFY(!ara.errorString().isEmpty());
        QCOMPARE(ara.count(3, 3), quint16(0));
    }

    void loadsFileAndClampsCoordinates()
    {
        QTemporaryDir dir;
        const QVector<quint16> counts = AraGen::scene(20, 10, 2);
        QVERIFY(AraGen::writeFile(dir.filePath("a.ara"),
                                  AraGen::araFile(sized(20, 10), counts, AraGen::LineCompressed)));
        AraFile ara;
        QVERIFY(!ara.load(dir.filePath("missing.ara")));
        QCOMPARE(ara.status(), AraFile::CannotOpen);
        QVERIFY(ara.load(dir.filePath("a.ara")));
        QCOMPARE(ara.count(19, 9), counts.last());
        QCOMPARE(ara.count(100, -5), counts[19]);
        QCOMPARE(ara.header().bytes().size(), 244);
    }

    void headerFields()
    {
        AraGen::FrameParams s = sized(640, 512);
        s.gpsWeek = 1900;
        s.gpsTimeOfWeek = quint32(3.5 * 86400000);
        s.dataloggerVersion[0] = 2;
        s.dataloggerVersion[1] = 10;
        s.dataloggerVersion[2] = 70000;
        const AraHeader h(AraGen::header(s, AraGen::LineCompressed, 0));
        QVERIFY(h.isComplete());
        QCOMPARE(h.magic(), AraHeader::magicValue);
        QCOMPARE(h.width(), 640u);
        QCOMPARE(h.compression(), 3u);
        QCOMPARE(h.cameraPartNumber(), QString("4664019H-SPRNLX"));
        QVERIFY(h.isAdvancedRadiometryCamera());
        QCOMPARE(h.dataloggerVersion(), QString("2.10.70000"));
        QCOMPARE(h.latitude(), s.latitude);
        QCOMPARE(h.pitch(), s.pitch);
        QCOMPARE(h.cameraPitch(), s.cameraPitch);
        QCOMPARE(h.yaw(), s.yaw);
        QCOMPARE(h.gpsDateTime(), QDateTime(QDate(2016, 6, 8), QTime(12, 0), Qt::UTC));
        QCOMPARE(h.gpsMSecsSinceEpoch(), 1900LL * 604800000 + 302400000 + 315964800000LL);

        // A part number that fills its 16 bytes ends with the field.
        QByteArray block = AraGen::header(s, AraGen::Raw, 0);
        block.replace(100, 16, QByteArray(16, 'X'));
        QCOMPARE(AraHeader(block).cameraPartNumber(), QString(16, 'X'));
        QVERIFY(!AraHeader(block.left(100)).isComplete());
        QCOMPARE(AraHeader(block.left(100)).gpsWeek(), quint16(0));
    }

    void measurementType_data()
    {
        QTest::addColumn<int>("enabled");
        QTest::addColumn<int>("resolution");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("projectType");
        QTest::newRow("high") << 1 << 1 << 2 << 2;
        QTest::newRow("low") << 1 << 0 << 1 << 1;
        QTest::newRow("resolution 2") << 1 << 2 << 0 << 1;
        QTest::newRow("not enabled") << 0 << 1 << 0 << 0;
        QTest::newRow("enabled 2") << 2 << 1 << 0 << 0;
    }
    void measurementType()
    {
        QFETCH(int, enabled);
        QFETCH(int, resolution);
        QFETCH(int, type);
        QFETCH(int, projectType);
        AraGen::FrameParams s;
        s.advancedRadiometry = quint8(enabled);
        s.highResolution = quint8(resolution);
        const AraHeader h(AraGen::header(s, AraGen::Raw, 0));
        QCOMPARE(h.measurementType(), type);
        QCOMPARE(h.projectMeasurementType(), projectType);
    }

    void recordingFrames()
    {
        QVector<AraGen::FrameParams> frameParams;
        QVector<QVector<quint16>> images;
        for (int i = 0; i < 3; ++i) {
            frameParams << sized(9, 5);
            images << AraGen::scene(9, 5, i);
        }
        const QByteArray arv = AraGen::arvRecording(frameParams, images, AraGen::LineCompressed);
        const QList<qint64> offsets = AraFile::frameOffsets(arv);
        QCOMPARE(offsets.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const qint64 end = i + 1 < 3 ? offsets[i + 1] : arv.size();
            AraFile ara;
            QVERIFY(ara.setData(arv.mid(int(offsets[i]), 512),
                                arv.mid(int(offsets[i]) + 512, int(end - offsets[i] - 512))));
            QCOMPARE(ara.counts(), images[i]);
        }
        // A truncated last frame is not listed.
        QCOMPARE(AraFile::frameOffsets(arv.left(arv.size() - 1)).size(), 2);
        QVERIFY(AraFile::frameOffsets(QByteArray(600, 'S')).isEmpty());
    }

    void byteStepsAgreeWithWholeDecode()
    {
        // decompressLines reads codes straight from the stream; feeding
        // decodeByte one byte at a time must give the same lines and errors.
        auto byteSteps = [](const QByteArray &data, int width) {
            AraDecoder decoder;
            QVector<quint16> line(width);
            QByteArray out;
            for (char c : data) {
                const int step = decoder.decodeByte(quint8(c), line.data(), width);
                if (step < 0)
                    return QByteArray("error: ") + decoder.lastMessage();
                if (step == 0) {
                    decoder.reset();
                    for (quint16 v : line)
                        out += char(v & 0xFF), out += char(v >> 8);
                }
            }
            return out;
        };
        CoutCapture quiet;
        quint32 state = 4242;
        int errors = 0;
        for (int width : {1, 2, 3, 5, 8, 13, 64}) {
            const QByteArray clean = AraGen::compressLines(hardCounts(width, 5), width, 5);
            for (int round = 0; round < 300; ++round) {
                QByteArray data = clean;
                if (round % 4 == 1)
                    data.truncate(int(state % quint32(data.size() + 1)));
                for (int flip = 0; flip < round % 3; ++flip) {
                    state = state * 1664525u + 1013904223u;
                    const int at = int((state >> 8) % quint32(qMax(1, data.size())));
                    if (at < data.size())
                        data[at] = char(data[at] ^ (1 << (state % 8)));
                }
                AraDecoder decoder;
                QByteArray whole = decoder.decompressLines(data, width, 5);
                if (whole.isEmpty() && *decoder.lastMessage()) {
                    whole = QByteArray("error: ") + decoder.lastMessage();
                    ++errors;
                }
                QCOMPARE(whole, byteSteps(data, width));
            }
        }
        QVERIFY(errors > 0);
    }

    void demoRecordings()
    {
        // The demo command of the README writes frames every reader accepts.
        QTemporaryDir dir;
        QProcess demo;
        demo.start(QStringLiteral(KORVEL_BINARY_DIR "/bin/make_demo_thermal"), {dir.path()});
        QVERIFY(demo.waitForFinished(60000));
        QCOMPARE(demo.exitCode(), 0);
        const QDir flight(dir.filePath("flight1"));
        const QStringList images = flight.entryList({"*.ara"}, QDir::Files, QDir::Name);
        QCOMPARE(images.size(), 5);
        for (const QString &name : images) {
            AraFile ara;
            QVERIFY2(ara.load(flight.filePath(name)), qPrintable(name));
            QCOMPARE(ara.header().measurementType(), 2);
            QCOMPARE(ara.header().fileMode(), quint16(2));  // a photo, not a video frame
            QCOMPARE(ara.header().compression(), name == "IMG_0005.ara" ? 3u : 0u);
        }
        QFile arv(flight.filePath("VID_0001.arv"));
        QVERIFY(arv.open(QIODevice::ReadOnly));
        const QByteArray recording = arv.readAll();
        QCOMPARE(AraFile::frameOffsets(recording).size(), 6);
        // The converter splits recordings at every "Ss": it must occur only at frame starts.
        QCOMPARE(recording.count("Ss"), 6);
        QCOMPARE(recording.indexOf("Ss", 1), 655872);
    }

    void damagedInputNeverCrashes()
    {
        const QVector<quint16> counts = hardCounts(31, 7);
        const QByteArray files[] = {AraGen::araFile(sized(31, 7), counts, AraGen::Raw),
                                    AraGen::araFile(sized(31, 7), counts, AraGen::LineCompressed)};
        CoutCapture quiet;
        quint32 state = 99;
        int loaded = 0;
        for (const QByteArray &file : files) {
            for (int cut = 0; cut <= file.size(); cut += 7) {
                AraFile ara;
                loaded += ara.setData(file.left(qMin(cut, 512)), file.mid(512, qMax(0, cut - 512)));
            }
            for (int round = 0; round < 400; ++round) {
                QByteArray damaged = file;
                for (int flips = 0; flips < 3; ++flips) {
                    state = state * 1664525u + 1013904223u;
                    const int at = int((state >> 8) % quint32(damaged.size()));
                    damaged[at] = char(damaged[at] ^ (1 << (state % 8)));
                }
                AraFile ara;
                if (ara.setData(damaged.left(512), damaged.mid(512))) {
                    ++loaded;
                    QCOMPARE(ara.counts().size(), ara.width() * ara.height());
                }
            }
        }
        QVERIFY(loaded > 0);
    }
};

KORVEL_TEST_MAIN(TestAraFile)
#include "test_arafile.moc"
