// Converted files keep their exact bytes: JPEGs and sequences of several
// kinds of frames are compared with checksums of files the converter wrote
// before, on one thread and on several, so faster conversion cannot drift.
// The one field that changes between runs, the JPEG's own "DateTime" (the
// time of conversion), is blanked before hashing.
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <ctime>

#include "radiconv/araconverter.h"
#include "radifmt/flirwriter.h"
#include "support/aragen.h"
#include "support/testkit.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray sha256(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

// Blanks every EXIF time stamp between from and to (UTC, whole seconds).
QByteArray withoutConversionTime(QByteArray bytes, const QDateTime &from, const QDateTime &to)
{
    for (QDateTime t = from.addSecs(-1); t <= to.addSecs(1); t = t.addSecs(1))
        bytes.replace(t.toString("yyyy:MM:dd HH:mm:ss").toLatin1(), QByteArray(19, '#'));
    return bytes;
}

AraGen::FrameParams noGps()
{
    AraGen::FrameParams p;
    p.gpsWeek = 0;
    p.gpsTimeOfWeek = 0;
    p.latitude = -p.latitude;
    p.longitude = -p.longitude;
    p.altitude = -1200;
    return p;
}

AraGen::FrameParams signalLinear()
{
    AraGen::FrameParams p;
    p.advancedRadiometry = 0;
    p.highResolution = 0;
    p.width = 336;
    p.height = 256;
    p.yaw = 27123;
    return p;
}

QByteArray frame(const AraGen::FrameParams &p, int seed)
{
    return AraGen::araFile(p, AraGen::scene(p.width, p.height, seed));
}

QByteArray recording(int frames)
{
    QVector<AraGen::FrameParams> params;
    QVector<QVector<quint16>> counts;
    for (int i = 0; i < frames; ++i) {
        AraGen::FrameParams p = i % 3 == 1 ? noGps() : AraGen::FrameParams();
        p.gpsTimeOfWeek += p.gpsWeek ? quint32(i) * 100 : 0;
        p.planckO -= i * 1000;
        params << p;
        counts << AraGen::scene(p.width, p.height, i);
    }
    return AraGen::arvRecording(params, counts);
}

}  // namespace

class TestConvertedBytes : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QStringList m_sources;
    int m_poolThreads = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("TZ", "XYZ-3");
        tzset();
        m_poolThreads = QThreadPool::globalInstance()->maxThreadCount();
        const QString in = m_dir.filePath("in/flight");
        QDir().mkpath(in);
        const QList<QPair<QString, QByteArray>> files = {
            {"gps.ara", frame(AraGen::FrameParams(), 0)},
            {"nogps.ara", frame(noGps(), 1)},
            {"slinear.ara", frame(signalLinear(), 2)},
            {"flat.ara", AraGen::araFile(AraGen::FrameParams(), QVector<quint16>(640 * 512, 7400))},
            {"rec.arv", recording(11)},
        };
        for (const auto &f : files) {
            QVERIFY(AraGen::writeFile(in + "/" + f.first, f.second));
            m_sources << in + "/" + f.first;
        }
    }

    void cleanup() { QThreadPool::globalInstance()->setMaxThreadCount(m_poolThreads); }

    void sameBytesAsBefore_data()
    {
        QTest::addColumn<int>("threads");
        QTest::newRow("one thread") << 1;
        QTest::newRow("three threads") << 3;
        QTest::newRow("eight threads") << 8;
    }

    void sameBytesAsBefore()
    {
        QFETCH(int, threads);
        QThreadPool::globalInstance()->setMaxThreadCount(threads);
        const QString out = m_dir.filePath(QStringLiteral("out%1").arg(threads));
        AraConverter converter;
        converter.setTargetLocation(out);
        converter.addFiles(m_sources);
        const QDateTime from = QDateTime::currentDateTimeUtc();
        converter.run();
        const QDateTime to = QDateTime::currentDateTimeUtc();
        QCOMPARE(converter.failures().size(), 0);
        QCOMPARE(converter.convertedCount(), m_sources.size());

        const QList<QPair<QString, QByteArray>> expected = {
            {"gps.jpg", "d20ae60d81a6abe72f45f64a3aedd10ea5ba57726f85654539075f8900d7f2c3"},
            {"nogps.jpg", "fe75ab8b112922950f10b9dd3e588314d0f4bf6556c41203208b190e81129831"},
            {"slinear.jpg", "375ff210348558945c807e55723b4b812d124c054013fa1c8e8b657615e35329"},
            {"flat.jpg", "880fce6d6ee8bfbd2e5bcbf7b80638b58ab36bd9c25686b7fc45847f214c9a4b"},
            {"rec.seq", "6e61c0c975deb1e43685ef45ec3e225e6641eafda39fe94e826387a533f5d3f7"},
        };
        QStringList differ;
        for (const auto &e : expected) {
            const QByteArray bytes = readAll(out + "/flight/" + e.first);
            const QByteArray sum = sha256(withoutConversionTime(bytes, from, to));
            if (sum != e.second)
                differ << e.first + " " + sum;
        }
        QVERIFY2(differ.isEmpty(), qPrintable(differ.join(", ")));
    }

    // A frame the record set cannot describe, deep in a recording: the run
    // names it, writes nothing and leaves no half file, on any thread count.
    void refusedFrameInARecording_data()
    {
        QTest::addColumn<int>("threads");
        QTest::newRow("one thread") << 1;
        QTest::newRow("eight threads") << 8;
    }

    void refusedFrameInARecording()
    {
        QFETCH(int, threads);
        QThreadPool::globalInstance()->setMaxThreadCount(threads);
        QVector<AraGen::FrameParams> params(23);
        params[17].fileVersion = 11;
        QVector<QVector<quint16>> counts;
        for (int i = 0; i < params.size(); ++i)
            counts << AraGen::scene(params[i].width, params[i].height, i);
        const QString in = m_dir.filePath("refused/rec.arv");
        QDir().mkpath(QFileInfo(in).absolutePath());
        QVERIFY(AraGen::writeFile(in, AraGen::arvRecording(params, counts)));
        const QString out = m_dir.filePath(QStringLiteral("refused-out%1").arg(threads));
        AraConverter converter;
        converter.setTargetLocation(out);
        converter.addFiles({in});
        converter.run();
        QCOMPARE(converter.convertedCount(), 0);
        QCOMPARE(converter.failures().size(), 1);
        QCOMPARE(converter.failures().first().reason, QStringLiteral("unsupported frame 18 (version 11)"));
        QCOMPARE(QDir(out + "/refused").entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // One writer taking frame after frame gives each frame's bytes exactly
    // as a fresh writer does, whatever came before (larger, smaller, with
    // and without GPS).
    void reusedWriterMatchesFreshOne()
    {
        const QList<QByteArray> frames = {frame(AraGen::FrameParams(), 3), frame(signalLinear(), 4),
                                          frame(noGps(), 5), frame(AraGen::FrameParams(), 6)};
        FLIRWriter reused;
        for (const QByteArray &bytes : frames) {
            AraImage image;
            image.read(reinterpret_cast<const uint8_t *>(bytes.constData()), bytes.size());
            FLIRWriter fresh;
            QVERIFY(fresh.read(&image));
            fresh.createCompleteFLIRData();
            QVERIFY(reused.read(&image));
            reused.createCompleteFLIRData();
            QVERIFY(reused.getFLIRFileData() == fresh.getFLIRFileData());
            QVERIFY(reused.getAPP1Data() == fresh.getAPP1Data());
            QVERIFY(reused.getSLinearValues() == fresh.getSLinearValues());
            QCOMPARE(reused.minValue(), fresh.minValue());
            QCOMPARE(reused.maxValue(), fresh.maxValue());
        }
    }
};

KORVEL_TEST_MAIN(TestConvertedBytes)
#include "test_convertedbytes.moc"
