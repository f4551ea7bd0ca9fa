#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <sstream>

#include "radifmt/flirwriter.h"
#include "radifmttest.h"
#include "support/testkit.h"

using RadifmtTest::bytes;
using RadifmtTest::frame;

namespace {

template <typename T>
T le(const QByteArray &data, int offset)
{
    T v;
    std::memcpy(&v, data.constData() + offset, sizeof v);
    return v;
}

QString text(const QByteArray &data, int offset, int size)
{
    const QByteArray field = data.mid(offset, size);
    return QString::fromLatin1(field.left(field.indexOf('\0')));
}

AraGen::FrameParams smallFrame(int width, int height)
{
    AraGen::FrameParams s;
    s.width = width;
    s.height = height;
    return s;
}

QByteArray fff(const AraGen::FrameParams &params, const QVector<quint16> &counts)
{
    const AraImage image = frame(params, counts);
    FLIRWriter writer;
    if (!writer.read(&image))
        return QByteArray();
    writer.createCompleteFLIRData();
    return bytes(writer.getFLIRFileData());
}

// Planck conversion done independently, in double precision.
double signalFor(const AraGen::FrameParams &s, int count)
{
    const double t = count * (s.highResolution ? 0.04 : 0.4);
    return s.planckR / (std::exp(s.planckB / 1000.0 / t) - s.planckF / 1000.0) + s.planckO / 1000.0;
}

}  // namespace

class TestFlirWriter : public QObject {
    Q_OBJECT
private slots:
    void headAndIndex()
    {
        // 4 x 3 pixels with a GPS time: 4 entries, P = 12.
        const QByteArray data = fff(smallFrame(4, 3), AraGen::scene(4, 3));
        QCOMPARE(data.size(), 3356 + 128 + 24 + 184);
        const QByteArray head = QByteArray::fromHex(
            "46464600"                          // "FFF"
            "415441555f5242464f00000000000000"  // "ATAU_RBFO"
            "00000064 00000040 00000004 00000002"  // version, index offset, entries, next id
            "0000"                              // swap pattern
            "00000000000000000000000000000000000000000000"  // spare
            "00000000");                        // checksum
        QCOMPARE(head.size(), 64);
        QCOMPARE(data.left(64), head);
        const QByteArray expectedIndex =
            // RawData at 192, 24 + 32 bytes
            "0001 0002 00000064 00000001 000000c0 00000038 00000000 00000000 00000000"
            // BasicData at 248, 2476 bytes
            "0020 0001 0000006b 00000001 000000f8 000009ac 00000000 00000000 00000000"
            // ColorPalette at 2724, 784 bytes
            "0022 0001 00000068 00000001 00000aa4 00000310 00000000 00000000 00000000"
            // GPSInfo at 3508, 184 bytes
            "002b 0001 00000064 00000001 00000db4 000000b8 00000000 00000000 00000000";
        QCOMPARE(data.mid(64, 128).toHex(), QByteArray(expectedIndex).replace(" ", ""));
    }

    void rawDataAndGeometry()
    {
        AraGen::FrameParams params = smallFrame(4, 3);
        params.advancedRadiometry = 0;  // signal-linear: pixels pass unchanged
        params.pixelSize = 2;
        const QVector<quint16> counts = AraGen::scene(4, 3);
        const QByteArray data = fff(params, counts);
        const QByteArray geometry = QByteArray::fromHex(
            "0200 0400 0300 0000 0000 0000 0300 0000 0200 0e00 0000 0000 0000 0100 00 00 0000");
        QCOMPARE(data.mid(192, 32), geometry);
        QCOMPARE(data.mid(224, 24), AraGen::rawData(counts));
        QCOMPARE(data.mid(248, 32), geometry);  // BasicData starts with the same geometry
    }

    void basicDataRecord()
    {
        AraGen::FrameParams params = smallFrame(4, 3);
        params.cameraSerialNumber = 4000000000u;
        const QByteArray data = fff(params, AraGen::scene(4, 3));
        const QByteArray b = data.mid(248, 2476);
        QCOMPARE(b.size(), 2476);
        // Object parameters
        const float object[] = {1.0f, 10.0f, 295.15f, 295.15f, 295.15f, 1.0f, 1.0f, 0.5f};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(le<float>(b, 32 + 4 * i), object[i]);
        QCOMPARE(b.mid(64, 16), QByteArray(16, '\0'));
        // Temperature calibration
        QCOMPARE(le<quint32>(b, 80), 1u);
        QCOMPARE(le<quint32>(b, 84), 0u);
        QCOMPARE(le<float>(b, 88), 366545.0f);
        QCOMPARE(le<float>(b, 92), 1428.0f);
        QCOMPARE(le<float>(b, 96), 1.0f);
        const float calib[] = {0.006569f, 0.01262f, -0.002276f, -0.00667f, 1.9f, 0, 0, 10.0f,
                               408.15f, 248.15f, 408.15f, 228.15f, 408.15f, 248.15f, 423.15f,
                               223.15f, 2.0f};
        for (int i = 0; i < 17; ++i)
            QCOMPARE(le<float>(b, 112 + 4 * i), calib[i]);
        QCOMPARE(le<quint16>(b, 180), quint16(1));
        // Calibration info
        QCOMPARE(text(b, 212, 32), QString("FLIR Tau 2 640"));
        QCOMPARE(text(b, 244, 16), QString("4664019H-SPRNLX"));
        QCOMPARE(text(b, 260, 16), QString("4000000000"));
        QCOMPARE(le<quint32>(b, 364), 1u);
        QCOMPARE(text(b, 368, 32), QString("FOL19"));
        QCOMPARE(text(b, 400, 16), QString("*"));
        QCOMPARE(text(b, 416, 16), QString("*"));
        QCOMPARE(le<quint32>(b, 464), 852000u);
        // Adjust parameters: -O x 0.001 truncated
        QCOMPARE(le<qint32>(b, 776), 342);
        QCOMPARE(le<float>(b, 780), 1.0f);
        QCOMPARE(le<quint16>(b, 786), quint16(0xFFFF));
        // Present parameters
        QCOMPARE(le<quint16>(b, 832), quint16(3));
        QCOMPARE(b.mid(836, 32).toHex(),
                 QByteArray("0303030405060607090a0c0d0c0d0d090a090908080707060604040403040403"));
        // Display parameters, then zeros to the end
        QCOMPARE(le<float>(b, 872), 1.0f);
        QCOMPARE(le<float>(b, 876), 1.0f);
        QCOMPARE(b.mid(880), QByteArray(2476 - 880, '\0'));
    }

    void calibrationInfoEdgeCases_data()
    {
        QTest::addColumn<QByteArray>("partNumber");
        QTest::addColumn<QString>("lens");
        QTest::newRow("blanks and digits") << QByteArray("ABCDE  42X") << "FOL42";
        QTest::newRow("no number") << QByteArray("ABCDEXYZ") << "FOL0";
        QTest::newRow("short") << QByteArray("ABC") << "FOL0";
        // 16 bytes without NUL: at most 15 characters are taken.
        QTest::newRow("full field") << QByteArray("ABCDE12345XYZWVU") << "FOL12345";
        // Ten digits exceed any int: they are taken as text.
        QTest::newRow("ten digits") << QByteArray("ABCDE99999999999") << "FOL9999999999";
        QTest::newRow("fifteen digits") << QByteArray("123456789012345") << "FOL6789012345";
        QTest::newRow("leading zeros") << QByteArray("ABCDE0070") << "FOL70";
        QTest::newRow("zeros only") << QByteArray("ABCDE000X") << "FOL0";
        QTest::newRow("sign") << QByteArray("ABCDE -12") << "FOL-12";
    }
    void calibrationInfoEdgeCases()
    {
        QFETCH(QByteArray, partNumber);
        QFETCH(QString, lens);
        AraGen::FrameParams params = smallFrame(2, 1);
        QByteArray file = AraGen::araFile(params, {1, 2});
        file.replace(100, 16, partNumber.leftJustified(16, '\0', true));
        const AraImage image = RadifmtTest::image(file);
        FLIRWriter writer;
        QVERIFY(writer.read(&image));
        writer.createCompleteFLIRData();
        const QByteArray b = bytes(writer.getFLIRFileData()).mid(64 + 4 * 32 + 32 + 4, 2476);
        QCOMPARE(text(b, 368, 32), lens);
        QCOMPARE(text(b, 244, 16), QString::fromLatin1(partNumber.left(15)));
    }

    void palette()
    {
        const QByteArray data = fff(smallFrame(4, 3), AraGen::scene(4, 3));
        const QByteArray p = data.mid(248 + 2476, 784);
        QCOMPARE(le<quint32>(p, 0), 224u);
        QCOMPARE(text(p, 80, 16), QString("Rainbow"));
        QCOMPARE(p.left(16).toHex(' '), QByteArray("e0 00 00 00 00 01 31 80 80 a9 80 80 43 d7 62 28"));
        QCOMPARE(p.mid(112, 16).toHex(' '), QByteArray("18 79 9f 18 79 9f 18 79 a0 18 79 a0 18 79 a0 18"));
        QCOMPARE(p.mid(768).toHex(' '), QByteArray("6d d3 91 6f d3 91 6f d6 8f 72 d6 8f 72 d9 8c 70"));
    }

    void gpsRecord_data()
    {
        QTest::addColumn<int>("latitude");
        QTest::addColumn<int>("longitude");
        QTest::addColumn<int>("altitude");
        QTest::addColumn<QByteArray>("refs");  // latitude, longitude, below sea level
        QTest::newRow("north east") << 479500000 << 113910000 << 512300 << QByteArray("NE\x00", 3);
        QTest::newRow("zero") << 0 << 0 << 0 << QByteArray("SW\x01", 3);
        QTest::newRow("south west") << -338600000 << -1512100000 << -2500 << QByteArray("SW\x01", 3);
    }
    void gpsRecord()
    {
        QFETCH(int, latitude);
        QFETCH(int, longitude);
        QFETCH(int, altitude);
        QFETCH(QByteArray, refs);
        AraGen::FrameParams params = smallFrame(4, 3);
        params.latitude = latitude;
        params.longitude = longitude;
        params.altitude = altitude;
        params.yaw = 27050;
        const QByteArray g = fff(params, AraGen::scene(4, 3)).mid(3508);
        QCOMPARE(g.size(), 184);
        QCOMPARE(le<quint32>(g, 0), 1u);
        QCOMPARE(g.at(8), refs.at(0));
        QCOMPARE(g.at(10), refs.at(1));
        QCOMPARE(g.at(12), refs.at(2));
        QCOMPARE(le<double>(g, 16), std::abs(latitude) * 1e-7);
        QCOMPARE(le<double>(g, 24), std::abs(longitude) * 1e-7);
        QCOMPARE(le<float>(g, 32), float(std::abs(altitude) * 0.001));
        QCOMPARE(g.at(72), 'T');
        QCOMPARE(le<float>(g, 84), 270.5f);
        QCOMPARE(text(g, 88, 20), QString("WGS-84"));
        QCOMPARE(le<quint16>(g, 178), quint16(53));
        QByteArray rest = g;
        for (int at : {0, 8, 10, 12, 72, 178})
            rest[at] = 0;
        rest.replace(16, 20, QByteArray(20, '\0'));
        rest.replace(84, 24, QByteArray(24, '\0'));
        QCOMPARE(rest, QByteArray(184, '\0'));
    }

    void indexCountFollowsGpsTime_data()
    {
        QTest::addColumn<int>("week");
        QTest::addColumn<int>("timeOfWeek");
        QTest::addColumn<int>("entries");
        QTest::newRow("week 0") << 0 << 5000 << 3;
        QTest::newRow("time 0") << 2000 << 0 << 3;
        QTest::newRow("both") << 2000 << 5000 << 4;
    }
    void indexCountFollowsGpsTime()
    {
        QFETCH(int, week);
        QFETCH(int, timeOfWeek);
        QFETCH(int, entries);
        AraGen::FrameParams params;
        params.gpsWeek = quint16(week);
        params.gpsTimeOfWeek = quint32(timeOfWeek);
        const QByteArray data = fff(params, AraGen::scene(640, 512));
        const int P = 640 * 512;
        QCOMPARE(data.size(), entries == 4 ? 3356 + 128 + 2 * P + 184 : 3356 + 96 + 2 * P);
        QCOMPARE(qFromBigEndian<quint32>(data.constData() + 28), quint32(entries));
        // Every byte of the 0x7F start fill is overwritten: the palette ends the image
        // without GPS, the GPS body with it.
        QCOMPARE(data.right(16).toHex(' ') == "6d d3 91 6f d3 91 6f d6 8f 72 d6 8f 72 d9 8c 70",
                 entries == 3);
    }

    void signalFromTemperature()
    {
        AraGen::FrameParams params = smallFrame(6, 1);
        const QVector<quint16> counts{AraGen::countsForCelsius(-20), AraGen::countsForCelsius(0),
                                      AraGen::countsForCelsius(21.5), AraGen::countsForCelsius(80),
                                      AraGen::countsForCelsius(300), 0};
        const AraImage image = frame(params, counts);
        FLIRWriter writer;
        QVERIFY(writer.read(&image));
        QCOMPARE(writer.getTLinearValues(), std::vector<uint16_t>(counts.begin(), counts.end()));
        const std::vector<uint16_t> &s = writer.getSLinearValues();
        QCOMPARE(s.size(), size_t(6));
        for (int i = 0; i < 5; ++i)
            QVERIFY2(std::abs(s[size_t(i)] - signalFor(params, counts[i])) <= 1.0, qPrintable(QString::number(i)));
        QVERIFY(s[0] < s[1] && s[1] < s[2] && s[2] < s[3] && s[3] < s[4]);
        // Count 0: B / 0 is infinite and the signal is O, -342, in 16 bits.
        QCOMPARE(s[5], uint16_t(65536 - 342));

        // Low resolution: 0.4 K per count.
        params.highResolution = 0;
        const AraImage low = frame(params, {733, 733, 733, 733, 733, 733});
        QVERIFY(writer.read(&low));
        QVERIFY(std::abs(writer.getSLinearValues()[0] - signalFor(params, 733)) <= 1.0);

        // Signal-linear frames pass their counts through; the old TLinear stays.
        params.advancedRadiometry = 0;
        const AraImage plain = frame(params, {1, 2, 3, 4, 5, 6});
        QVERIFY(writer.read(&plain));
        QCOMPARE(writer.getSLinearValues(), (std::vector<uint16_t>{1, 2, 3, 4, 5, 6}));
        QCOMPARE(writer.getTLinearValues().size(), size_t(6));
        writer.createCompleteFLIRData();
        const int basic = 64 + 4 * 32 + 32 + 2 * 6;
        QCOMPARE(le<quint16>(bytes(writer.getFLIRFileData()), basic + 832), quint16(2));
    }

    // Whole frames convert their counts through a table over the frame's
    // range, frames with few pixels for their range count by count: both
    // give each pixel the signal it gets alone.
    void signalTableMatchesPixelByPixel()
    {
        AraGen::FrameParams params = smallFrame(640, 64);
        QVector<quint16> narrow = AraGen::scene(640, 64, 3);
        QVector<quint16> wide = narrow;
        wide[0] = 1;
        wide[1] = 65535;
        for (int i = 2; i < wide.size(); i += 7)
            wide[i] = quint16((i * 2654435761u) >> 16);
        FLIRWriter writer, single;
        for (const QVector<quint16> &counts : {narrow, wide}) {
            const AraImage image = frame(params, counts);
            QVERIFY(writer.read(&image));
            const std::vector<uint16_t> s = writer.getSLinearValues();
            QCOMPARE(s.size(), size_t(counts.size()));
            AraGen::FrameParams one = smallFrame(2, 1);
            for (int i = 0; i < counts.size(); i += 97) {
                const AraImage alone = frame(one, {counts[i], counts[i]});
                QVERIFY(single.read(&alone));
                QCOMPARE(s[size_t(i)], single.getSLinearValues()[0]);
            }
        }
    }

    void signalFallbacks_data()
    {
        QTest::addColumn<quint32>("R");
        QTest::addColumn<int>("B");
        QTest::addColumn<int>("F");
        QTest::addColumn<int>("O");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("signal");
        QTest::newRow("NaN: B 0 and count 0") << 366545u << 0 << 1000 << -342000 << 0 << 0;
        QTest::newRow("infinite: e equals F") << 4000000000u << 0 << 1000 << 0 << 100 << 0;
        QTest::newRow("beyond 32 bits") << 4000000000u << 0 << 999 << 0 << 100 << 0;
        QTest::newRow("wraps to 16 bits") << 70000u << 0 << 0 << 0 << 100 << 4464;
        QTest::newRow("negative wraps") << 0u << 0 << 0 << -5000 << 100 << 65531;
        QTest::newRow("truncates toward zero") << 0u << 0 << 0 << -5900 << 100 << 65531;
    }
    void signalFallbacks()
    {
        QFETCH(quint32, R);
        QFETCH(int, B);
        QFETCH(int, F);
        QFETCH(int, O);
        QFETCH(int, count);
        QFETCH(int, signal);
        AraGen::FrameParams params = smallFrame(2, 1);
        params.planckR = R;
        params.planckB = B;
        params.planckF = F;
        params.planckO = O;
        const AraImage image = frame(params, {quint16(count), quint16(count)});
        FLIRWriter writer;
        QVERIFY(writer.read(&image));
        QCOMPARE(int(writer.getSLinearValues()[0]), signal);
    }

    void displayRange_data()
    {
        QTest::addColumn<QVector<quint16>>("values");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("span");
        QTest::newRow("two") << QVector<quint16>{200, 100} << 150 << 50;
        QTest::newRow("outlier") << QVector<quint16>{10, 1000, 10, 10} << 10 << 990;
        // Odd count: the mean of ranks 1 and 0 (5 and 1), not the median.
        QTest::newRow("odd count") << QVector<quint16>{9, 1, 5} << 3 << 6;
        QTest::newRow("all equal") << QVector<quint16>{7, 7, 7} << 7 << 0;
        QTest::newRow("nine") << QVector<quint16>{5, 3, 8, 1, 9, 2, 7, 4, 6} << 4 << 5;
        QTest::newRow("wide") << QVector<quint16>{0, 40000, 20000, 20001, 65535} << 20000 << 45535;
    }
    void displayRange()
    {
        QFETCH(QVector<quint16>, values);
        QFETCH(int, level);
        QFETCH(int, span);
        AraGen::FrameParams params = smallFrame(values.size(), 1);
        params.advancedRadiometry = 0;
        const AraImage image = frame(params, values);
        FLIRWriter writer;
        QVERIFY(writer.read(&image));
        writer.createCompleteFLIRData();
        QCOMPARE(writer.minValue(), level - span);
        QCOMPARE(writer.maxValue(), level + span);
        const QByteArray data = bytes(writer.getFLIRFileData());
        const int basic = 64 + 32 * 4 + 32 + 2 * values.size();
        QCOMPARE(le<qint32>(data, basic + 824), level);
        QCOMPARE(le<qint32>(data, basic + 828), span);
    }

    void refusedFrames_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        AraGen::FrameParams old = smallFrame(4, 3);
        old.fileVersion = 11;
        QTest::newRow("version 11") << AraGen::araFile(old, AraGen::scene(4, 3))
                                    << "FLIRFile::readARAdata() [E] Unsupported version 11, must be at least 12\n";
        QTest::newRow("line-compressed")
            << AraGen::araFile(smallFrame(4, 3), AraGen::scene(4, 3), AraGen::LineCompressed)
            << "FLIRFile::readARAdata() [E] Line-compressed sensor data is not supported\n";
        QByteArray shortData = AraGen::araFile(smallFrame(4, 3), AraGen::scene(4, 3));
        QTest::newRow("sensor data short") << shortData.left(shortData.size() - 2)
                                           << "FLIRFile::readARAdata() [E] Sensor data holds 22 bytes, header says 24\n";
        QTest::newRow("one pixel") << AraGen::araFile(smallFrame(1, 1), {500})
                                   << "FLIRFile::readARAdata() [E] Image of 1 x 1 pixels does not fit 1 sensor values\n";
        QTest::newRow("geometry beyond pixels")
            << AraGen::header(smallFrame(640, 512), AraGen::Raw, 8) + QByteArray(8, '\x10')
            << "FLIRFile::readARAdata() [E] Image of 640 x 512 pixels does not fit 4 sensor values\n";
        QTest::newRow("width 0") << AraGen::header(smallFrame(0, 2), AraGen::Raw, 8) + QByteArray(8, '\x10')
                                 << "FLIRFile::readARAdata() [E] Image of 0 x 2 pixels does not fit 4 sensor values\n";
    }
    void refusedFrames()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        const AraImage image = RadifmtTest::image(file);
        RadifmtTest::StreamCapture err(std::cerr);
        FLIRWriter writer;
        QVERIFY(!writer.read(&image));
        QCOMPARE(QString::fromStdString(err.text()), message);
        QVERIFY(writer.getSLinearValues().empty());
        QVERIFY(writer.getFLIRFileData().empty());
        QVERIFY(writer.getAPP1Data().empty());
    }

    void diagnosticsGoToThePassedStream()
    {
        AraGen::FrameParams old = smallFrame(4, 3);
        old.fileVersion = 11;
        const AraImage image = frame(old, AraGen::scene(4, 3));
        RadifmtTest::StreamCapture err(std::cerr);
        RadifmtTest::StreamCapture out(std::cout);
        std::ostringstream passed;
        FLIRWriter writer(&passed);
        QVERIFY(!writer.read(&image));
        FLIRWriter copy;
        copy.setDiagnostics(&passed);
        FLIRWriter moved(std::move(copy));  // the stream goes along
        QCOMPARE(moved.diagnostics(), &passed);
        QVERIFY(!moved.read(&image));
        const std::string line = "FLIRFile::readARAdata() [E] Unsupported version 11, must be at least 12\n";
        QCOMPARE(passed.str(), line + line);
        QVERIFY(err.text().empty());
        QVERIFY(out.text().empty());
        moved.setDiagnostics(nullptr);
        QCOMPARE(moved.diagnostics(), &std::cerr);
    }

    void pixelsBeyondTheImageAreNotUsed()
    {
        // The size field announces more bytes than width x height pixels and
        // the bytes are there: the record set has the image's pixels only.
        const QVector<quint16> counts{100, 200, 300, 400, 500, 600};
        QByteArray file = AraGen::araFile(smallFrame(3, 2), counts);
        file += QByteArray::fromHex("EEEEFFFF");
        file.replace(34, 4, QByteArray::fromHex("10000000"));  // 16 bytes
        const AraImage image = RadifmtTest::image(file);
        QCOMPARE(image.sensorData().size(), size_t(16));
        FLIRWriter writer;
        QVERIFY(writer.read(&image));
        QCOMPARE(writer.getTLinearValues(), (std::vector<uint16_t>{100, 200, 300, 400, 500, 600}));
        QCOMPARE(writer.getSLinearValues().size(), size_t(6));
        writer.createCompleteFLIRData();
        const QByteArray data = bytes(writer.getFLIRFileData());
        QCOMPARE(data.size(), 3356 + 32 * 4 + 2 * 6 + 184);
        QCOMPARE(qFromBigEndian<quint32>(data.constData() + 64 + 16), quint32(2 * 6 + 32));  // RawData size
    }

    void app1Segments_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("fffSize");
        QTest::addColumn<int>("pieces");
        AraGen::FrameParams params;
        QTest::newRow("640 x 512 without GPS") << 640 << 512 << 658812 << 11;
        QTest::newRow("exactly two pieces") << 63798 << 1 << 2 * 65524 << 2;  // 3452 + 2 x 63798
        QTest::newRow("one piece") << 40 << 30 << 3452 + 2400 << 1;
    }
    void app1Segments()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, fffSize);
        QFETCH(int, pieces);
        AraGen::FrameParams params = smallFrame(width, height);
        params.gpsWeek = 0;
        const AraImage image = frame(params, AraGen::scene(width, height));
        FLIRWriter writer;
        QVERIFY(writer.read(&image));
        writer.createCompleteFLIRData();
        const QByteArray data = bytes(writer.getFLIRFileData());
        QCOMPARE(data.size(), fffSize);
        const QByteArray app1 = bytes(writer.getAPP1Data());
        QCOMPARE(app1.size(), fffSize + 12 * pieces);
        QByteArray payloads;
        int at = 0;
        for (int i = 0; i < pieces; ++i) {
            const int payload = i + 1 < pieces ? 65524 : fffSize - 65524 * (pieces - 1);
            QByteArray head = QByteArray::fromHex("FFE1") ;
            head += char((payload + 10) >> 8);
            head += char((payload + 10) & 0xFF);
            head += QByteArray("FLIR\x00\x01", 6);
            head += char(i);
            head += char(pieces - 1);
            QCOMPARE(app1.mid(at, 12).toHex(' '), head.toHex(' '));
            payloads += app1.mid(at + 12, payload);
            at += 12 + payload;
        }
        QCOMPARE(at, app1.size());
        QCOMPARE(payloads, data);
    }

    void tooManySegmentsAreRefused()
    {
        // 2048 x 2048 pixels need 129 segments.
        AraGen::FrameParams params = smallFrame(2048, 2048);
        params.advancedRadiometry = 0;
        const AraImage image = frame(params, QVector<quint16>(2048 * 2048, 1234));
        FLIRWriter writer;
        QVERIFY(writer.read(&image));
        writer.createCompleteFLIRData();
        RadifmtTest::StreamCapture err(std::cerr);
        QVERIFY(writer.getAPP1Data().empty());
        QVERIFY(QString::fromStdString(err.text()).contains("129 segments"));
    }

    void copyAndMove()
    {
        const AraImage image = frame(smallFrame(4, 3), AraGen::scene(4, 3));
        FLIRWriter writer;
        QVERIFY(writer.read(&image));
        writer.createCompleteFLIRData();
        FLIRWriter copy(writer);
        QCOMPARE(copy.getFLIRFileData(), writer.getFLIRFileData());
        QCOMPARE(copy.maxValue(), writer.maxValue());
        FLIRWriter moved(std::move(writer));
        QCOMPARE(moved.getAPP1Data(), copy.getAPP1Data());
        FLIRWriter assigned;
        assigned = moved;
        QCOMPARE(assigned.getSLinearValues(), copy.getSLinearValues());
    }

    void exiftoolReadsWhatWeWrite()
    {
        const QString exiftool = QStandardPaths::findExecutable("exiftool");
        if (exiftool.isEmpty())
            QSKIP("exiftool is not installed");
        AraGen::FrameParams params;
        params.latitude = -338600000;
        params.longitude = 1512100000;
        params.altitude = 45600;
        params.planckR = 412345;
        params.planckB = 1432500;
        params.planckF = 1500;
        params.planckO = -7250000;
        const AraImage image = frame(params, AraGen::scene(640, 512, 4));
        FLIRWriter writer;
        QVERIFY(writer.read(&image));
        writer.createCompleteFLIRData();
        QTemporaryDir dir;
        const QString jpg = dir.filePath("frame.jpg");
        QVERIFY(AraGen::writeFile(jpg, RadifmtTest::radiometricJpeg(writer, 640, 512)));

        QProcess tool;
        tool.start(exiftool, {"-j", "-n", "-FLIR:all", jpg});
        QVERIFY(tool.waitForFinished(30000));
        const QJsonObject tags = QJsonDocument::fromJson(tool.readAllStandardOutput()).array().at(0).toObject();
        QCOMPARE(tags.value("PlanckR1").toDouble(), 412345.0);
        QCOMPARE(tags.value("PlanckB").toDouble(), 1432.5);
        QCOMPARE(tags.value("PlanckF").toDouble(), 1.5);
        QCOMPARE(tags.value("PlanckO").toDouble(), 7250.0);  // stored as the offset to subtract
        QCOMPARE(tags.value("Emissivity").toDouble(), 1.0);
        QCOMPARE(tags.value("RawThermalImageWidth").toInt(), 640);
        QCOMPARE(tags.value("RawThermalImageHeight").toInt(), 512);
        QCOMPARE(tags.value("CameraModel").toString(), QString("FLIR Tau 2 640"));
        QCOMPARE(tags.value("GPSLatitudeRef").toString(), QString("S"));
        QCOMPARE(tags.value("GPSLongitudeRef").toString(), QString("E"));
        QCOMPARE(tags.value("GPSLatitude").toDouble(), 33.86);
        QCOMPARE(tags.value("GPSLongitude").toDouble(), 151.21);
        QVERIFY(qAbs(tags.value("GPSAltitude").toDouble() - 45.6) < 1e-4);

        // The raw thermal image exiftool extracts (a 16-bit TIFF) holds our pixels.
        QProcess extract;
        extract.start(exiftool, {"-b", "-RawThermalImage", jpg});
        QVERIFY(extract.waitForFinished(30000));
        const QByteArray tiff = extract.readAllStandardOutput();
        QVERIFY(tiff.startsWith("II*"));
        const int ifd = int(le<quint32>(tiff, 4));
        const int entries = le<quint16>(tiff, ifd);
        int stripOffset = -1, bits = 0;
        for (int i = 0; i < entries; ++i) {
            const int e = ifd + 2 + 12 * i;
            const quint16 tag = le<quint16>(tiff, e);
            const quint16 type = le<quint16>(tiff, e + 2);
            const quint32 value = type == 3 ? le<quint16>(tiff, e + 8) : le<quint32>(tiff, e + 8);
            if (tag == 273)
                stripOffset = int(value);
            if (tag == 258)
                bits = int(value);
        }
        QCOMPARE(bits, 16);
        QVERIFY(stripOffset > 0);
        const std::vector<uint16_t> &ours = writer.getSLinearValues();
        QCOMPARE(tiff.mid(stripOffset, 2 * 640 * 512),
                 QByteArray(reinterpret_cast<const char *>(ours.data()), 2 * 640 * 512));
    }
};

KORVEL_TEST_MAIN(TestFlirWriter)
#include "test_flirwriter.moc"
