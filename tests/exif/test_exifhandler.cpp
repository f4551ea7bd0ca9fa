// ExifHandler against real files; the exiv2 command line is the judge of
// what was written.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include "atomicfile/atomicfile.h"
#include "exif/exifhandler.h"
#include "support/testkit.h"

namespace {

QStringList g_log;
QtMessageHandler g_previous = nullptr;

void captureLog(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    if (ctx.category && QByteArray(ctx.category) == "tarvendel.exifHandler")
        g_log << msg;
    else if (g_previous)
        g_previous(type, ctx, msg);
}

struct Tag {
    QString type;
    QString value;
};

// Every EXIF entry of a file as exiv2 sees it: key -> (type, value).
QMap<QString, Tag> exiv2Tags(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("exiv2"), {QStringLiteral("-u"), QStringLiteral("-Pkyv"), path});
    p.waitForFinished(30000);
    QMap<QString, Tag> tags;
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n');
    for (const QString &line : lines) {
        const QStringList parts = line.simplified().split(' ');
        if (parts.size() < 2 || !parts[0].startsWith(QLatin1String("Exif.")))
            continue;
        tags.insert(parts[0], {parts[1], parts.mid(2).join(' ')});
    }
    return tags;
}

bool exiv2Set(const QString &path, const QStringList &commands)
{
    QStringList args;
    for (const QString &c : commands)
        args << QStringLiteral("-M") + c;
    args << path;
    return QProcess::execute(QStringLiteral("exiv2"), args) == 0;
}

}  // namespace

class TestExifHandler : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    int m_count = 0;

    // A fresh small JPEG without any EXIF data.
    QString plainJpeg()
    {
        const QString path = m_dir.filePath(QStringLiteral("img%1.jpg").arg(m_count++));
        QImage img(32, 24, QImage::Format_RGB32);
        img.fill(Qt::darkGray);
        img.save(path, "JPEG");
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        g_previous = qInstallMessageHandler(captureLog);
        QLoggingCategory::setFilterRules(QStringLiteral("tarvendel.exifHandler.debug=true"));
    }
    void cleanupTestCase() { qInstallMessageHandler(g_previous); }
    void init() { g_log.clear(); }

    void writesTagsWithExactTypes()
    {
        const QString path = plainJpeg();
        ExifHandler exif;
        exif.clear();
        exif.setMake(QStringLiteral("FLIR Systems"));
        exif.setModel(QStringLiteral("FLIR Tau 2 640"));
        exif.setSoftware(QStringLiteral("Korvel Radiconv"));
        exif.setImageSize(QSize(640, 512));
        exif.setGPSMapDatum();
        exif.setCameraPitch(-12.349);
        exif.setCameraRoll(3.5);
        exif.setGPSImgDirection(359.999);
        exif.setDateTime(QDateTime(QDate(2016, 5, 4), QTime(13, 22, 1)));
        exif.setDateTimeOriginal(QDateTime(QDate(2016, 5, 4), QTime(13, 22, 1, 700)));
        // GPS stamps are UTC: 01:30:59 at +02:00 is the day before at 23:30:59 UTC.
        exif.setGPSDateTimeStamp(QDateTime(QDate(2016, 5, 5), QTime(1, 30, 59, 999), Qt::OffsetFromUTC, 7200));
        QVERIFY(exif.saveExif(path));

        const auto tags = exiv2Tags(path);
        const QList<QStringList> expected = {
            {"Exif.Image.Make", "Ascii", "FLIR Systems"},
            {"Exif.Image.Model", "Ascii", "FLIR Tau 2 640"},
            {"Exif.Image.Software", "Ascii", "Korvel Radiconv"},
            {"Exif.Photo.PixelXDimension", "SLong", "640"},
            {"Exif.Photo.PixelYDimension", "SLong", "512"},
            {"Exif.GPSInfo.GPSMapDatum", "Ascii", "WGS-84"},
            {"Exif.GPSInfo.0xd000", "SRational", "-1234/100"},
            {"Exif.GPSInfo.0xd001", "SRational", "350/100"},
            {"Exif.GPSInfo.GPSImgDirectionRef", "Ascii", "T"},
            {"Exif.GPSInfo.GPSImgDirection", "SRational", "35999/100"},
            {"Exif.Image.DateTime", "Ascii", "2016:05:04 13:22:01"},
            {"Exif.Photo.DateTimeOriginal", "Ascii", "2016:05:04 13:22:01"},
            {"Exif.GPSInfo.GPSDateStamp", "Ascii", "2016:05:04"},
            {"Exif.GPSInfo.GPSTimeStamp", "Rational", "23/1 30/1 59/1"},
        };
        for (const QStringList &e : expected) {
            QVERIFY2(tags.contains(e[0]), qPrintable(e[0]));
            QCOMPARE(tags[e[0]].type, e[1]);
            QCOMPARE(tags[e[0]].value, e[2]);
        }
    }

    void positionAndAltitude_data()
    {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("alt");
        QTest::addColumn<QString>("latRef");
        QTest::addColumn<QString>("latValue");
        QTest::addColumn<QString>("lonRef");
        QTest::addColumn<QString>("lonValue");
        QTest::addColumn<QString>("altRef");
        QTest::addColumn<QString>("altValue");
        QTest::newRow("south, lon 0, alt 0")
            << -33.5 << 0.0 << 0.0 << "S" << "33/1 30/1 0/10000" << "E" << "0/1 0/1 0/10000" << "1" << "0/1";
        QTest::newRow("seconds truncated, west, below sea")
            << 8.123456789 << -71.25 << -12.5 << "N" << "8/1 7/1 244444/10000" << "W" << "71/1 15/1 0/10000"
            << "1" << "25/2";
        QTest::newRow("above sea") << 47.0 << 8.5 << 431.25 << "N" << "47/1 0/1 0/10000" << "E"
                                   << "8/1 30/1 0/10000" << "0" << "1725/4";
    }
    void positionAndAltitude()
    {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(double, alt);
        const QString path = plainJpeg();
        ExifHandler exif;
        exif.setGPSLonLat(lon, lat);  // the swapped form lands in the same place
        exif.setGPSAltitude(alt);
        QVERIFY(exif.saveExif(path));
        const auto tags = exiv2Tags(path);
        QTEST(tags.value("Exif.GPSInfo.GPSLatitudeRef").value, "latRef");
        QTEST(tags.value("Exif.GPSInfo.GPSLatitude").value, "latValue");
        QCOMPARE(tags.value("Exif.GPSInfo.GPSLatitude").type, QStringLiteral("Rational"));
        QTEST(tags.value("Exif.GPSInfo.GPSLongitudeRef").value, "lonRef");
        QTEST(tags.value("Exif.GPSInfo.GPSLongitude").value, "lonValue");
        QTEST(tags.value("Exif.GPSInfo.GPSAltitudeRef").value, "altRef");
        QCOMPARE(tags.value("Exif.GPSInfo.GPSAltitudeRef").type, QStringLiteral("SLong"));
        QTEST(tags.value("Exif.GPSInfo.GPSAltitude").value, "altValue");
        QCOMPARE(tags.value("Exif.GPSInfo.GPSAltitude").type, QStringLiteral("SRational"));
    }

    void gettersReadBack()
    {
        const QString path = plainJpeg();
        QVERIFY(exiv2Set(path, {"set Exif.Image.FNumber Rational 28/10", "set Exif.Photo.FNumber Rational 4/1",
                                "set Exif.Image.ExposureTime Rational 1/500",
                                "set Exif.Photo.FocalLengthIn35mmFilm Short 24",
                                "set Exif.Photo.DateTimeOriginal Ascii 2016:05:04 13:22:01",
                                "set Exif.Image.Make Ascii Maker", "set Exif.Image.Model Ascii Model 1",
                                "set Exif.Image.Orientation Short 1"}));
        ExifHandler exif(path);
        QCOMPARE(exif.getFNumber(), QStringLiteral("4/1"));          // photo directory wins
        QCOMPARE(exif.getExposureTime(), QStringLiteral("1/500"));   // image directory fallback
        QCOMPARE(exif.getFocalLength35mm(), QStringLiteral("24"));
        QCOMPARE(exif.getMake(), QStringLiteral("Maker"));
        QCOMPARE(exif.getModel(), QStringLiteral("Model 1"));
        QCOMPARE(exif.getOrientation(), QStringLiteral("1"));
        QCOMPARE(exif.getDateTimeOriginalString(), QStringLiteral("2016:05:04 13:22:01"));
        const QDateTime t = exif.getDateTimeOriginal();
        QCOMPARE(t, QDateTime(QDate(2016, 5, 4), QTime(13, 22, 1), Qt::LocalTime));
        QCOMPARE(t.timeSpec(), Qt::LocalTime);
        QVERIFY(!exif.getImageSize().isValid());

        g_log.clear();
        QCOMPARE(exif.getFocalLength(), QString());
        QCOMPARE(g_log.size(), 2);
        QVERIFY(g_log[0].startsWith("No such key Exif.Image.FocalLength"));
        QVERIFY(g_log[1].startsWith("No such key Exif.Photo.FocalLength"));
    }

    void roundTripThroughHandler()
    {
        const QString path = plainJpeg();
        {
            ExifHandler exif;
            exif.setImageSize(QSize(4000, 3000));
            exif.setDateTimeOriginal(QDateTime(QDate(2021, 12, 31), QTime(23, 59, 58)));
            QVERIFY(exif.saveExif(path));
        }
        ExifHandler exif;
        QVERIFY(exif.loadExif(path));
        QCOMPARE(exif.getImageSize(), QSize(4000, 3000));
        QCOMPARE(exif.getDateTimeOriginal(), QDateTime(QDate(2021, 12, 31), QTime(23, 59, 58)));

        // A date-time text that does not fit the format gives an invalid result.
        QVERIFY(exiv2Set(path, {"set Exif.Photo.DateTimeOriginal Ascii 31.12.2021 23:59"}));
        QVERIFY(exif.loadExif(path));
        QVERIFY(!exif.getDateTimeOriginal().isValid());
    }

    void loadWithoutExifThenSaveWritesExactlyTheSet()
    {
        const QString path = plainJpeg();
        ExifHandler exif;
        QVERIFY(!exif.loadExif(path));
        QVERIFY(g_log.join('\n').contains(" has no EXIF data."));
        exif.setMake(QStringLiteral("Only"));
        QVERIFY(exif.saveExif(path));
        const auto tags = exiv2Tags(path);
        QCOMPARE(tags.keys(), QStringList{"Exif.Image.Make"});
        QCOMPARE(tags["Exif.Image.Make"].value, QStringLiteral("Only"));

        // Saving replaces the file's set: a photo's own tags go unless loaded first.
        ExifHandler other;
        other.setModel(QStringLiteral("M"));
        QVERIFY(other.saveExif(path));
        QCOMPARE(exiv2Tags(path).keys(), QStringList{"Exif.Image.Model"});
    }

    void saveIntoImageHeldInMemory()
    {
        QFile src(plainJpeg());
        QVERIFY(src.open(QIODevice::ReadOnly));
        QByteArray bytes = src.readAll();
        ExifHandler exif;
        exif.setGPSLatLon(-33.5, 151.25);
        exif.setSoftware(QStringLiteral("Mem"));
        QVERIFY(exif.saveExif(bytes));
        const QString path = m_dir.filePath("memory.jpg");
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();
        const auto tags = exiv2Tags(path);
        QCOMPARE(tags.value("Exif.Image.Software").value, QStringLiteral("Mem"));
        QCOMPARE(tags.value("Exif.GPSInfo.GPSLatitudeRef").value, QStringLiteral("S"));
        QCOMPARE(tags.value("Exif.GPSInfo.GPSLongitude").value, QStringLiteral("151/1 15/1 0/10000"));
        QVERIFY(!QImage(path).isNull());

        // Bytes that are no image stay as they were.
        QByteArray junk("not an image at all");
        QVERIFY(!exif.saveExif(junk));
        QCOMPARE(junk, QByteArray("not an image at all"));
    }

    // The path form replaces the file in one step: a link stays a link
    // (the file it names gets the tags), the mode stays, and a failure says
    // why.
    void pathFormReplacesTheFileWhole()
    {
        const QString real = plainJpeg();
        QVERIFY(QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                | QFileDevice::ReadGroup));
        const QString link = m_dir.filePath("link.jpg");
        QVERIFY(QFile::link(real, link));
        ExifHandler exif;
        exif.setMake(QStringLiteral("Linked"));
        QString error;
        QVERIFY(exif.saveExif(link, &error));
        QVERIFY(error.isEmpty());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(exiv2Tags(real).value("Exif.Image.Make").value, QStringLiteral("Linked"));
        // Owner, group and others; not what this user may do.
        QCOMPARE(QFile::permissions(real) & QFileDevice::Permissions(0x7077),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
        QVERIFY(!exif.saveExif(m_dir.filePath("missing.jpg"), &error));
        QCOMPARE(error, AtomicFile::describe(m_dir.filePath("missing.jpg"), QString::fromLocal8Bit(strerror(ENOENT))));
        // A write that fails names the file too.
        {
            KorvelTest::DiskLimit full(0);
            QVERIFY(!exif.saveExif(link, &error));
        }
        QCOMPARE(error, AtomicFile::describe(link, QString::fromLocal8Bit(strerror(EFBIG))));
        const QStringList hidden = QDir(m_dir.path()).entryList(QDir::Hidden | QDir::Files, QDir::Name)
                                       .filter(QRegularExpression("^\\."));
        QCOMPARE(hidden, QStringList());
    }

    void libraryErrorsBecomeFalse()
    {
        // Missing file.
        ExifHandler exif;
        exif.setMake(QStringLiteral("X"));
        QVERIFY(!exif.loadExif(m_dir.filePath("missing.jpg")));
        QVERIFY(!exif.saveExif(m_dir.filePath("missing.jpg")));

        // A folder in place of the file.
        QVERIFY(QDir(m_dir.path()).mkdir("folder.jpg"));
        QVERIFY(!exif.saveExif(m_dir.filePath("folder.jpg")));

        // Read-only file: Exiv2 throws while writing (root may write it anyway).
        const QString ro = plainJpeg();
        QFile::setPermissions(ro, QFileDevice::ReadOwner);
        if (!QFileInfo(ro).isWritable())
            QVERIFY(!exif.saveExif(ro));

        // A damaged JPEG: start of image, then an APP1 segment that claims more
        // than the file holds.
        const QString damaged = m_dir.filePath("damaged.jpg");
        QFile f(damaged);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromHex("FFD8FFE1FFF0457869660000") + QByteArray(40, 'x'));
        f.close();
        ExifHandler loaded;
        loaded.setModel(QStringLiteral("kept"));
        QVERIFY(!loaded.loadExif(damaged));
        QCOMPARE(loaded.getModel(), QStringLiteral("kept"));  // set unchanged
        QVERIFY(!loaded.saveExif(damaged));
    }
};

KORVEL_TEST_MAIN(TestExifHandler)
#include "test_exifhandler.moc"
