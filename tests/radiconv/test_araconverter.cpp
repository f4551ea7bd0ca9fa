// Conversion of ARA/ARV recordings. exiftool and exiv2 judge the output files.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTimer>
#include <QTemporaryDir>
#include <QtEndian>
#include <QHash>
#include <QtTest>

#include <cstring>

#include <ctime>
#include <cstdlib>

#include "radiconv/araconverter.h"
#include "support/aragen.h"
#include "radifmt/flirwriter.h"
#include "support/testkit.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// exiftool's view of a file, numbers unformatted. Keys are "<group>:<tag>":
// by default the family-1 group ("GPS", "FLIR", "IFD0"); with "-G3 -ee" the
// document ("Main", "Doc1", ... for the frames of a sequence).
QJsonObject exiftool(const QString &path, const QStringList &extra = {"-G1"})
{
    QProcess p;
    p.start(QStringLiteral("exiftool"), QStringList{"-j", "-n", "-a"} + extra + QStringList{path});
    p.waitForFinished(30000);
    const QJsonArray all = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    return all.isEmpty() ? QJsonObject() : all.first().toObject();
}

QString exiv2Value(const QString &path, const QString &key)
{
    QProcess p;
    p.start(QStringLiteral("exiv2"), {"-u", "-Pkv", "-K", key, path});
    p.waitForFinished(30000);
    const QString line = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return line.section(QLatin1Char(' '), 1).trimmed();
}

QVector<quint16> flat(int count, quint16 value)
{
    return QVector<quint16>(count, value);
}

}  // namespace

class TestAraConverter : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_in;
    QString m_out;

    QString write(const QString &relative, const QByteArray &bytes)
    {
        const QString path = m_in + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).absolutePath());
        AraGen::writeFile(path, bytes);
        return path;
    }

    static QByteArray ara(int seed = 0, AraGen::FrameParams params = AraGen::FrameParams())
    {
        return AraGen::araFile(params, AraGen::scene(params.width, params.height, seed));
    }

    static QByteArray arv(int frames, int firstSeed = 0)
    {
        QVector<AraGen::FrameParams> frameParams;
        QVector<QVector<quint16>> counts;
        for (int i = 0; i < frames; ++i) {
            AraGen::FrameParams params;
            params.gpsTimeOfWeek += quint32(i) * 100;
            frameParams << params;
            counts << AraGen::scene(params.width, params.height, firstSeed + i);
        }
        return AraGen::arvRecording(frameParams, counts);
    }

    // Runs a converter over files into the target location (empty: beside the sources).
    static QList<AraConverter::Failure> convert(const QStringList &files, const QString &target,
                                                int *converted = nullptr)
    {
        AraConverter c;
        c.setTargetLocation(target);
        c.addFiles(files);
        c.run();
        if (converted)
            *converted = c.convertedCount();
        return c.failures();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_in = m_dir.filePath("in");
        m_out = m_dir.filePath("out");
        // Local time three hours ahead of UTC, so local and UTC stamps differ.
        qputenv("TZ", "XYZ-3");
        tzset();
    }

    void imageBecomesRadiometricJpeg()
    {
        const QString source = write("flight1/scene.ARA", ara());
        QVERIFY(convert({source}, m_out).isEmpty());
        const QString target = m_out + "/flight1/scene.jpg";
        QVERIFY(QFileInfo::exists(target));

        // The FLIR APP1 segments sit before the first quantisation table and
        // carry exactly the writer's FFF image.
        const QByteArray jpeg = readAll(target);
        const int dqt = jpeg.indexOf(QByteArray("\xFF\xDB", 2));
        QVERIFY(dqt > 0);
        AraImage image;
        const QByteArray araBytes = ara();
        image.read(reinterpret_cast<const uint8_t *>(araBytes.constData()), araBytes.size());
        FLIRWriter writer;
        QVERIFY(writer.read(&image));
        writer.createCompleteFLIRData();
        const std::vector<uint8_t> app1 = writer.getAPP1Data();
        const QByteArray segments(reinterpret_cast<const char *>(app1.data()), int(app1.size()));
        const int at = jpeg.indexOf(segments);
        QVERIFY(at > 0);
        QCOMPARE(at + segments.size(), dqt);

        const QJsonObject tags = exiftool(target);
        QCOMPARE(tags.value("FLIR:CameraModel").toString(), QStringLiteral("FLIR Tau 2 640"));
        QCOMPARE(tags.value("FLIR:RawThermalImageWidth").toInt(), 640);
        QCOMPARE(tags.value("FLIR:RawThermalImageHeight").toInt(), 512);
        QCOMPARE(tags.value("FLIR:PlanckR1").toDouble(), 366545.0);
        QCOMPARE(tags.value("FLIR:LensModel").toString(), QStringLiteral("FOL19"));
        QCOMPARE(tags.value("IFD0:Make").toString(), QStringLiteral("FLIR Systems"));
        QCOMPARE(tags.value("IFD0:Software").toString(), QStringLiteral("Korvel Radiconv"));
        QVERIFY(qAbs(tags.value("GPS:GPSLatitude").toDouble() - 47.95) < 1e-6);  // seconds kept to 1/10000
        QVERIFY(qAbs(tags.value("GPS:GPSLongitude").toDouble() - 11.391) < 1e-6);
        QCOMPARE(tags.value("GPS:GPSLatitudeRef").toString(), QStringLiteral("N"));
        QCOMPARE(tags.value("GPS:GPSLongitudeRef").toString(), QStringLiteral("E"));
        QVERIFY(qAbs(tags.value("GPS:GPSAltitude").toDouble() - 512.3) < 0.001);
        QCOMPARE(tags.value("GPS:GPSImgDirection").toDouble(), 90.0);

        // GPS week 2000 + 302400 s is 2018-05-09 12:00:00 UTC, 15:00 local here.
        QCOMPARE(exiv2Value(target, "Exif.Photo.DateTimeOriginal"), QStringLiteral("2018:05:09 15:00:00"));
        QCOMPARE(exiv2Value(target, "Exif.GPSInfo.GPSDateStamp"), QStringLiteral("2018:05:09"));
        QCOMPARE(exiv2Value(target, "Exif.GPSInfo.GPSTimeStamp"), QStringLiteral("12/1 0/1 0/1"));
        QCOMPARE(exiv2Value(target, "Exif.GPSInfo.0xd000"), QStringLiteral("-9000/100"));  // camera pitch
        QCOMPARE(exiv2Value(target, "Exif.GPSInfo.0xd001"), QStringLiteral("230/100"));    // aircraft roll

        // The preview is a grey rendering of the frame.
        const QImage preview(target);
        QCOMPARE(preview.size(), QSize(640, 512));
        QVERIFY(preview.allGray());
    }

    void targetFolders()
    {
        const QString source = write("flight2/img01.ara", ara(1));
        QVERIFY(convert({source}, QString()).isEmpty());
        QVERIFY(QFileInfo::exists(m_in + "/flight2/img01.jpg"));  // beside the source

        // A frame without position and GPS time keeps no GPS position but
        // its altitude; its capture time is the GPS epoch in local time.
        AraGen::FrameParams params;
        params.latitude = 0;
        params.gpsWeek = 0;
        params.gpsTimeOfWeek = 0;
        write("flight2/nopos.ara", ara(2, params));
        QVERIFY(convert({m_in + "/flight2/nopos.ara"}, m_out).isEmpty());
        const QString target = m_out + "/flight2/nopos.jpg";
        const QJsonObject tags = exiftool(target);
        QVERIFY(!tags.contains("GPS:GPSLatitude"));
        QVERIFY(tags.contains("GPS:GPSAltitude"));
        QCOMPARE(exiv2Value(target, "Exif.Photo.DateTimeOriginal"), QStringLiteral("1980:01:06 03:00:00"));
        QCOMPARE(exiv2Value(target, "Exif.GPSInfo.GPSDateStamp"), QStringLiteral("1980:01:06"));
    }

    void oddFramesHaveSoundPreviews()
    {
        // A frame of another size is rendered at its own size.
        AraGen::FrameParams small;
        small.width = 160;
        small.height = 120;
        const QString s = write("odd/small.ara", ara(3, small));
        // A flat frame (every count equal) gives a uniform grey.
        const QString f = write("odd/flat.ara", AraGen::araFile(AraGen::FrameParams(), flat(640 * 512, 7400)));
        QVERIFY(convert({s, f}, m_out).isEmpty());

        QCOMPARE(QImage(m_out + "/odd/small.jpg").size(), QSize(160, 120));
        const QImage flatPreview(m_out + "/odd/flat.jpg");
        QCOMPARE(flatPreview.size(), QSize(640, 512));
        const QRgb first = flatPreview.pixel(0, 0);
        for (int y = 0; y < 512; y += 37)
            for (int x = 0; x < 640; x += 41)
                QVERIFY(qAbs(qGray(flatPreview.pixel(x, y)) - qGray(first)) <= 1);
    }

    void recordingBecomesSequence()
    {
        const QString source = write("flight3/rec.arv", arv(3, 10));
        QVERIFY(convert({source}, m_out).isEmpty());
        const QString target = m_out + "/flight3/rec.seq";

        // The FFF images of the frames, back to back.
        const QByteArray seq = readAll(target);
        QByteArray expected;
        const QByteArray rec = arv(3, 10);
        for (int i = 0; i < 3; ++i) {
            const int frameSize = 512 + 640 * 512 * 2;
            AraImage image = AraImage::fromData(reinterpret_cast<const uint8_t *>(rec.constData()) + i * frameSize,
                                                frameSize);
            FLIRWriter writer;
            QVERIFY(writer.read(&image));
            writer.createCompleteFLIRData();
            const std::vector<uint8_t> fff = writer.getFLIRFileData();
            expected.append(reinterpret_cast<const char *>(fff.data()), int(fff.size()));
        }
        QCOMPARE(seq.size(), expected.size());
        QVERIFY(seq == expected);

        // exiftool reads every frame of the sequence.
        const QJsonObject tags = exiftool(target, {"-G3", "-ee"});
        QCOMPARE(tags.value("Main:FileType").toString(), QStringLiteral("SEQ"));
        for (const char *doc : {"Main", "Doc1", "Doc2"}) {
            QCOMPARE(tags.value(QStringLiteral("%1:CameraModel").arg(doc)).toString(), QStringLiteral("FLIR Tau 2 640"));
            QVERIFY2(tags.contains(QStringLiteral("%1:RawValueMedian").arg(doc)), doc);
        }
        QVERIFY(!tags.contains("Doc3:CameraModel"));
    }

    void framesAreWalkedNotSearched()
    {
        // Pixels that spell "Ss" (0x7353) must not start frames of their own.
        QVector<quint16> counts = AraGen::scene(640, 512, 4);
        for (int i = 1000; i < counts.size(); i += 997)
            counts[i] = 0x7353;
        const QByteArray rec = AraGen::arvRecording({AraGen::FrameParams(), AraGen::FrameParams()}, {counts, counts});
        const QString source = write("walk/ss.arv", rec);
        QVERIFY(convert({source}, m_out).isEmpty());
        const QJsonObject tags = exiftool(m_out + "/walk/ss.seq", {"-G3", "-ee"});
        QVERIFY(tags.contains("Doc1:CameraModel"));
        QVERIFY(!tags.contains("Doc2:CameraModel"));
    }

    void lineCompressedFramesAreNotConverted()
    {
        AraGen::FrameParams small;
        small.width = 32;
        small.height = 8;
        const QByteArray packed = AraGen::araFile(small, AraGen::scene(32, 8, 1), AraGen::LineCompressed);
        const QString image = write("packed/lc.ara", packed);
        QVector<AraGen::FrameParams> frames(3, small);
        QVector<QVector<quint16>> counts(3, AraGen::scene(32, 8, 2));
        QByteArray recording = AraGen::arvRecording(frames.mid(0, 1), counts.mid(0, 1));
        recording += packed;
        recording += AraGen::arvRecording(frames.mid(0, 1), counts.mid(0, 1));
        const QString video = write("packed/lc.arv", recording);

        QHash<QString, QString> reasons;
        for (const AraConverter::Failure &f : convert({image, video}, m_out))
            reasons.insert(f.file, f.reason);
        QCOMPARE(reasons.size(), 2);
        QCOMPARE(reasons.value(image), QStringLiteral("frame 1 is line-compressed: line-compressed frames are not converted"));
        QCOMPARE(reasons.value(video), QStringLiteral("frame 2 is line-compressed: line-compressed frames are not converted"));
        QVERIFY(QDir(m_out + "/packed").entryList(QDir::Files).isEmpty());

        // One file on its own: false and the reason.
        AraConverter c;
        c.setTargetLocation(m_out);
        QString error;
        QVERIFY(!c.convert(image, &error));
        QCOMPARE(error, reasons.value(image));
        QVERIFY(c.convert(write("packed/raw.ara", AraGen::araFile(small, AraGen::scene(32, 8, 1))), &error));
        QCOMPARE(c.failures().size(), 1);
        QCOMPARE(c.convertedCount(), 1);
    }

    void sensorBytesBeyondTheImageAreSkipped()
    {
        // The size field counts 6 bytes more than 32 x 8 pixels and the bytes
        // are there: the frame converts from its 32 x 8 pixels, and in a
        // recording the next frame follows those bytes.
        AraGen::FrameParams small;
        small.width = 32;
        small.height = 8;
        const QVector<quint16> counts = AraGen::scene(32, 8, 4);
        QByteArray frame = AraGen::araFile(small, counts) + QByteArray(6, '\x7f');
        frame.replace(34, 4, QByteArray::fromHex("06020000"));  // 518
        const QString image = write("wide/extra.ara", frame);
        const QString video = write("wide/extra.arv", frame + frame + AraGen::araFile(small, counts));
        QVERIFY(convert({image, video}, m_out).isEmpty());

        const QJsonObject tags = exiftool(m_out + "/wide/extra.jpg");
        QCOMPARE(tags.value("FLIR:RawThermalImageWidth").toInt(), 32);
        QCOMPARE(tags.value("FLIR:RawThermalImageHeight").toInt(), 8);
        const QByteArray jpeg = readAll(m_out + "/wide/extra.jpg");
        FLIRWriter writer;
        const AraImage whole = AraImage::fromData(reinterpret_cast<const uint8_t *>(frame.constData()), frame.size());
        QVERIFY(writer.read(&whole));
        writer.createCompleteFLIRData();
        const std::vector<uint8_t> app1 = writer.getAPP1Data();
        QVERIFY(jpeg.contains(QByteArray(reinterpret_cast<const char *>(app1.data()), int(app1.size()))));
        QCOMPARE(QImage(m_out + "/wide/extra.jpg").size(), QSize(32, 8));

        // Three frames, each the record set of its 32 x 8 pixels.
        const std::vector<uint8_t> fff = writer.getFLIRFileData();
        const QByteArray one(reinterpret_cast<const char *>(fff.data()), int(fff.size()));
        QCOMPARE(readAll(m_out + "/wide/extra.seq"), one + one + one);
        const QJsonObject seq = exiftool(m_out + "/wide/extra.seq", {"-G3", "-ee"});
        QVERIFY(seq.contains("Doc2:CameraModel"));
        QVERIFY(!seq.contains("Doc3:CameraModel"));
    }

    void demoImagesCarryTheirCaptureTime()
    {
        QTemporaryDir demo;
        QProcess make;
        make.start(QStringLiteral(KORVEL_BINARY_DIR "/bin/make_demo_thermal"), {demo.path()});
        QVERIFY(make.waitForFinished(60000));
        QCOMPARE(make.exitCode(), 0);
        const QString source = demo.filePath("flight1/IMG_0001.ara");
        QVERIFY(convert({source}, m_out).isEmpty());
        const QString target = m_out + "/flight1/IMG_0001.jpg";
        const QJsonObject tags = exiftool(target);
        QVERIFY2(tags.contains("ExifIFD:DateTimeOriginal"), qPrintable(QJsonDocument(tags).toJson()));
        QVERIFY(tags.contains("GPS:GPSDateStamp"));
        QVERIFY(tags.contains("GPS:GPSTimeStamp"));

        // The frame's own GPS week and time of week, not the GPS epoch.
        QFile file(source);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(512);
        const quint16 week = qFromLittleEndian<quint16>(head.constData() + 136);
        const quint32 timeOfWeek = qFromLittleEndian<quint32>(head.constData() + 138);
        QVERIFY(week > 0 && timeOfWeek > 0);
        const QDateTime utc = QDateTime::fromMSecsSinceEpoch(
            qint64(week) * 604800000 + timeOfWeek + 315964800000LL, Qt::UTC);
        QCOMPARE(tags.value("GPS:GPSDateStamp").toString(), utc.toString("yyyy:MM:dd"));
        QCOMPARE(tags.value("ExifIFD:DateTimeOriginal").toString(),
                 utc.toLocalTime().toString("yyyy:MM:dd hh:mm:ss"));
    }

    void damagedInputsAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QByteArray truncated = arv(2);
        truncated.chop(1000);
        QTest::newRow("truncated last frame") << "trunc.arv" << truncated << "truncated";
        QByteArray oldSecond = arv(1);
        AraGen::FrameParams v11;
        v11.fileVersion = 11;
        oldSecond += AraGen::araFile(v11, AraGen::scene(640, 512, 1));
        oldSecond += arv(1);
        QTest::newRow("second frame version 11") << "old.arv" << oldSecond << "version 11";
        QTest::newRow("no frames") << "none.arv" << QByteArray(5000, 'x') << "\"Ss\"";
        QTest::newRow("empty recording") << "empty.arv" << QByteArray() << "no frames";
        QByteArray shortAra = ara();
        shortAra.chop(2);
        QTest::newRow("short image") << "short.ara" << shortAra << "truncated";
        QByteArray badCount = ara();
        badCount[34] = 0x10;  // count no longer width x height x 2
        QTest::newRow("count not matching size") << "count.ara" << badCount << "sensor bytes";
        QTest::newRow("not a recording") << "scene.txt" << QByteArray("hello") << "not an ARA/ARV file";
        QByteArray noWord = ara();
        std::memset(noWord.data() + 2, 0, 4);
        QTest::newRow("image without frame word") << "word.ara" << noWord << "frame word of 0";
        QByteArray noWordSecond = arv(1) + noWord;
        QTest::newRow("second frame without frame word") << "word.arv" << noWordSecond << "frame 2 has a frame word of 0";
    }
    void damagedInputsAreRefused()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString source = write("bad/" + name, bytes);
        const auto failures = convert({source}, m_out);
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures[0].file, source);
        QVERIFY2(failures[0].reason.contains(reason), qPrintable(failures[0].reason));
        // Nothing is left behind: no target, no temporary file.
        const QDir out(m_out + "/bad");
        QVERIFY2(out.entryList(QDir::Files).isEmpty(), qPrintable(out.entryList(QDir::Files).join(',')));
    }

    void damagedAmongGoodOnes()
    {
        QStringList files;
        for (int i = 0; i < 5; ++i)
            files << write(QStringLiteral("mixed/good%1.ara").arg(i), ara(i));
        files.insert(2, write("mixed/broken.ara", ara().left(3000)));
        int converted = 0;
        const auto failures = convert(files, m_out, &converted);
        QCOMPARE(converted, 5);
        QCOMPARE(failures.size(), 1);
        QCOMPARE(QFileInfo(failures[0].file).fileName(), QStringLiteral("broken.ara"));
        for (int i = 0; i < 5; ++i)
            QVERIFY(QFileInfo::exists(m_out + QStringLiteral("/mixed/good%1.jpg").arg(i)));
        QVERIFY(!QFileInfo::exists(m_out + "/mixed/broken.jpg"));
    }

    void collidingTargetsAreReported()
    {
        // Two folders of the same name write to one target folder.
        const QString a = write("a/day/img.ara", ara(5));
        const QString b = write("b/day/img.ara", ara(6));
        int converted = 0;
        const auto failures = convert({a, b, a}, m_out, &converted);
        QCOMPARE(converted, 1);  // a once, though listed twice
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures[0].file, b);
        QVERIFY(failures[0].reason.contains("also the target of"));
        // The first one's output is the one kept.
        const QImage kept(m_out + "/day/img.jpg");
        QVERIFY(!kept.isNull());
    }

    void runsBySignalsAndCancels()
    {
        // One pool thread and a long recording first: the run is still busy
        // when start() returns.
        QThreadPool *pool = QThreadPool::globalInstance();
        const int threads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        const QString longRec = write("cancel/long.arv", arv(40));
        const QString a = write("cancel/a.ara", ara(1));
        const QString b = write("cancel/b.ara", ara(2));

        {
            const QString one = write("signals/one.ara", ara(1));
            const QString two = write("signals/two.ara", ara(2));
            AraConverter c;
            c.setTargetLocation(m_out);
            c.addFiles({one, two, one});  // listed twice: converted once
            QSignalSpy started(&c, &AraConverter::started);
            QSignalSpy progress(&c, &AraConverter::progress);
            QSignalSpy finished(&c, &AraConverter::finished);
            c.start();
            QVERIFY(c.isRunning());
            QCOMPARE(started.size(), 1);
            QCOMPARE(started[0], (QVariantList{2, 1}));
            QCOMPARE(c.progressLabel(), QStringLiteral("Converting 3 files(s) using 1 thread(s)..."));
            QVERIFY(finished.wait(60000));
            QCOMPARE(finished.size(), 1);
            QCOMPARE(finished[0], (QVariantList{2, 0, false}));
            QCOMPARE(progress.first(), (QVariantList{0, 2}));
            QCOMPARE(progress.last(), (QVariantList{2, 2}));
            QVERIFY(!c.isRunning());
        }

        // Cancelled: the recording being converted stops between frames and
        // the files not yet started are not converted.
        AraConverter c;
        c.setTargetLocation(m_out);
        c.addFiles({longRec, a, b});
        QSignalSpy finished(&c, &AraConverter::finished);
        c.start();
        c.cancel();
        QVERIFY(finished.wait(60000));
        pool->setMaxThreadCount(threads);

        QCOMPARE(finished[0], (QVariantList{0, 3, true}));
        QVERIFY(c.wasCanceled());
        QCOMPARE(c.convertedCount(), 0);
        QCOMPARE(c.failures().size(), 3);
        for (const AraConverter::Failure &f : c.failures())
            QVERIFY2(f.reason.contains("cancelled"), qPrintable(f.reason));
        QVERIFY(!QFileInfo::exists(m_out + "/cancel/long.seq"));
        QVERIFY(!QFileInfo::exists(m_out + "/cancel/b.jpg"));
        // No signal of the run arrives after finished().
        QTest::qWait(50);  // only to show that nothing follows
        QCOMPARE(finished.size(), 1);
    }

    void existingTargetIsReplacedWhole()
    {
        const QString source = write("again/x.ara", ara(7));
        QDir().mkpath(m_out + "/again");
        AraGen::writeFile(m_out + "/again/x.jpg", QByteArray(10, 'z'));
        QVERIFY(convert({source}, m_out).isEmpty());
        QVERIFY(!QImage(m_out + "/again/x.jpg").isNull());
    }
};

// The engine needs no GUI application.
int main(int argc, char **argv)
{
    KorvelTest::home();
    QCoreApplication app(argc, argv);
    KorvelTest::setApplicationIdentity();
    TestAraConverter tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "test_araconverter.moc"
