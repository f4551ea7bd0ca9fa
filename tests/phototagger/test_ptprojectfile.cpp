// The project file: exact bytes of every version, the model's round trip and
// the reader's refusal of foreign, cut and oversized files.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QtTest>

#include <sys/resource.h>
#include <csignal>
#include <cstring>

#include "core/data.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptprojectfile.h"
#include "support/testkit.h"

namespace {

// Big-endian encoders written out by hand, independent of QDataStream.
QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}
QByteArray beDouble(double d)
{
    quint64 bits;
    std::memcpy(&bits, &d, 8);
    QByteArray b(8, '\0');
    qToBigEndian(bits, b.data());
    return b;
}
QByteArray str(const QString &s)
{
    if (s.isNull())
        return QByteArray::fromHex("ffffffff");
    QByteArray b = be32(quint32(s.size() * 2));
    for (QChar c : s) {
        b.append(char(c.unicode() >> 8));
        b.append(char(c.unicode() & 0xff));
    }
    return b;
}
QByteArray head(int version, int type, int count)
{
    QByteArray b = str(QStringLiteral("KorvelTarvendelPhotoTaggerFile")) + be32(quint32(version));
    if (version >= 120)
        b += be32(quint32(type));
    return b + be32(quint32(count));
}
// 1 May 2016 08:03:09.250 UTC: Julian day 2457510, 28989250 ms, spec 2.
const QByteArray kTime = QByteArray::fromHex("00257fa6" "01ba5742" "02");

QByteArray record(int version, const QString &name, double lat, double lon, double rel,
                  double abs, bool enabled = true)
{
    QByteArray b = str(name) + beDouble(lat) + beDouble(lon) + beDouble(rel);
    if (version != 100)
        b += beDouble(abs);
    return b + beDouble(-90) + beDouble(1.5) + beDouble(270) + kTime + be32(1)
           + QByteArray(1, enabled ? '\1' : '\0');
}

PTTag sampleTag(const QString &name, double lat)
{
    PTTag t;
    t.imageName = name;
    t.latitude = lat;
    t.longitude = 11.5;
    t.relativeHeight = 30;
    t.absoluteHeight = 540.25;
    t.pitch = -90;
    t.roll = 1.5;
    t.yaw = 270;
    t.time = QDateTime(QDate(2016, 5, 1), QTime(8, 3, 9, 250), Qt::UTC);
    t.tagValue = 1;
    return t;
}

PTProjectFile::Status readBytes(const QByteArray &bytes, PTProjectContent &c)
{
    QBuffer buf;
    buf.setData(bytes);
    buf.open(QIODevice::ReadOnly);
    return PTProjectFile::read(buf, c);
}

}  // namespace

class TestPTProjectFile : public QObject {
    Q_OBJECT

    QString folder(const QString &name)
    {
        const QString f = PTProjectFile::projectFolder(name);
        QDir().mkpath(f);
        return f;
    }
    void putFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(PTProjectFile::projectFilePath(name));
        QDir().mkpath(folder(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray fileBytes(const QString &name)
    {
        QFile f(PTProjectFile::projectFilePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase() { Data::instance(); }

    void writesVersion120Bytes()
    {
        PTTag a = sampleTag(QStringLiteral("IMG_1.JPG"), 48.1);
        PTTag b = sampleTag(QString(), 48.2);  // no photo: null name
        b.enabled = false;
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        QVERIFY(PTProjectFile::write(buf, PTImageTiff, {a, b}));
        const QByteArray expected = head(120, 1, 2)
                                    + record(120, QStringLiteral("IMG_1.JPG"), 48.1, 11.5, 30, 540.25)
                                    + record(120, QString(), 48.2, 11.5, 30, 540.25, false);
        QCOMPARE(buf.data().toHex(), expected.toHex());
        // The head as a literal, so the magic's encoding is pinned too.
        QCOMPARE(buf.data().left(12).toHex(), QByteArray("0000003c004b006f00720076"));
    }

    void readsEveryVersion_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("type");
        QTest::addColumn<double>("abs");
        QTest::newRow("100, heights from the one height, ARW from the name")
            << head(100, 0, 2) + record(100, QString(), 48.1, 11.5, 30, 0)
                   + record(100, QStringLiteral("DSC1.ARW"), 48.2, 11.5, 30, 0)
            << int(PTImageArw) << 30.0;
        QTest::newRow("110, TIFF from the name")
            << head(110, 0, 1) + record(110, QStringLiteral("a.TIFF"), 48.1, 11.5, 30, 540.25)
            << int(PTImageTiff) << 540.25;
        QTest::newRow("110, JPEG from the name")
            << head(110, 0, 1) + record(110, QStringLiteral("a.JPG"), 48.1, 11.5, 30, 540.25)
            << int(PTImageJpeg) << 540.25;
        QTest::newRow("110, no names keeps JPEG")
            << head(110, 0, 1) + record(110, QLatin1String(""), 48.1, 11.5, 30, 540.25)
            << int(PTImageJpeg) << 540.25;
        QTest::newRow("120, type from the head")
            << head(120, 2, 1) + record(120, QStringLiteral("a.jpg"), 48.1, 11.5, 30, 540.25)
            << int(PTImageArw) << 540.25;
    }
    void readsEveryVersion()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, type);
        QFETCH(double, abs);
        putFile(QStringLiteral("ver"), bytes);
        PTData d;
        const int version = bytes.mid(64, 4).toHex().toInt(nullptr, 16);
        QCOMPARE(d.loadProject(QStringLiteral("ver")), version);
        QCOMPARE(d.loadStatus(), PTData::Loaded);
        QCOMPARE(d.getImageType(), type);
        QVERIFY(d.getCount() >= 1);
        const int last = d.getCount() - 1;
        QCOMPARE(d.getRelativeHeight(last), 30.0);
        QCOMPARE(d.getAbsoluteHeight(last), abs);
        QCOMPARE(d.getPitch(last), -90.0);
        QCOMPARE(d.getYaw(last), 270.0);
        QCOMPARE(d.getTime(last), QDateTime(QDate(2016, 5, 1), QTime(8, 3, 9, 250), Qt::UTC));
        QCOMPARE(d.getTimeText(last), QStringLiteral("2016-05-01  08:03:09"));
        QCOMPARE(d.getHeightText(last), QStringLiteral("30m"));
        QCOMPARE(d.getYawText(last), QStringLiteral("270\u00b0"));
        // Whatever was read is written back as 120 with the same tags.
        QVERIFY(d.updateZPTFile());
        PTProjectContent c;
        QCOMPARE(PTProjectFile::load(PTProjectFile::projectFilePath(QStringLiteral("ver")), c),
                 PTProjectFile::Status::Ok);
        QCOMPARE(c.version, 120);
        QCOMPARE(c.imageType, type);
        QCOMPARE(c.tags, d.tags());
    }

    void roundTripAfterEdits()
    {
        QVector<PTTag> tags;
        for (int i = 0; i < 6; ++i)
            tags << sampleTag(QStringLiteral("IMG_%1.JPG").arg(i), 48 + i * 0.001);
        tags[3].enabled = false;
        folder(QStringLiteral("rt"));
        QVERIFY(PTProjectFile::save(PTProjectFile::projectFilePath(QStringLiteral("rt")),
                                    PTImageJpeg, tags));
        PTData d;
        QCOMPARE(d.loadProject(QStringLiteral("rt")), 120);
        QCOMPARE(d.tags(), tags);
        d.swapImages(2, 5);
        QVERIFY(d.updateZPTFile());
        PTData e;
        QCOMPARE(e.loadProject(QStringLiteral("rt")), 120);
        std::swap(tags[2].imageName, tags[5].imageName);
        QCOMPARE(e.tags(), tags);
        QCOMPARE(e.getProjectName(), QStringLiteral("rt"));
        QCOMPARE(e.getProjectPath(), Data::instance()->harlekSDPath() + "/phototagger/rt");
    }

    void refusesBadFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        const QByteArray good = head(120, 0, 1) + record(120, "a.jpg", 1, 2, 3, 4);
        QTest::newRow("foreign magic")
            << str(QStringLiteral("SomethingElseEntirelyWithSameLen")) + good.mid(64)
            << int(PTProjectFile::Status::ForeignOrDamaged);
        QTest::newRow("empty") << QByteArray() << int(PTProjectFile::Status::ForeignOrDamaged);
        QTest::newRow("huge count") << head(120, 0, 0x7fffffff) + good.mid(76)
                                    << int(PTProjectFile::Status::ForeignOrDamaged);
        QTest::newRow("negative count") << head(120, 0, -1)
                                        << int(PTProjectFile::Status::ForeignOrDamaged);
        QTest::newRow("huge name") << head(120, 0, 1) + be32(0x7ffffff0) + QByteArray(80, 'x')
                                   << int(PTProjectFile::Status::ForeignOrDamaged);
        QTest::newRow("huge magic") << be32(0xfffffff0) + QByteArray(80, 'x')
                                    << int(PTProjectFile::Status::ForeignOrDamaged);
        QTest::newRow("not a number")
            << head(120, 0, 1) + record(120, "a.jpg", qQNaN(), 2, 3, 4)
            << int(PTProjectFile::Status::ForeignOrDamaged);
        QTest::newRow("version 130") << head(120, 0, 1).replace(64, 4, be32(130)) + good.mid(76)
                                     << int(PTProjectFile::Status::UnknownVersion);
    }
    void refusesBadFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        PTProjectContent c;
        QCOMPARE(int(readBytes(bytes, c)), status);
        QVERIFY(c.tags.isEmpty());

        putFile(QStringLiteral("bad"), bytes);
        PTData d;
        const int v = d.loadProject(QStringLiteral("bad"));
        QCOMPARE(d.getCount(), 0);
        if (status == int(PTProjectFile::Status::UnknownVersion)) {
            QCOMPARE(v, 130);
            QCOMPARE(d.loadStatus(), PTData::UnknownVersion);
        } else {
            QCOMPARE(v, -1);
            QCOMPARE(d.loadStatus(), PTData::ForeignOrDamaged);
        }
        // A model that did not load never overwrites the file.
        QVERIFY(!d.updateZPTFile());
        QCOMPARE(fileBytes(QStringLiteral("bad")), bytes);
    }

    void refusesEveryCutOfAGoodFile()
    {
        const QByteArray good = head(120, 0, 2) + record(120, "a.jpg", 1, 2, 3, 4)
                                + record(120, QString(), 1, 2, 3, 4);
        PTProjectContent c;
        QCOMPARE(readBytes(good, c), PTProjectFile::Status::Ok);
        QCOMPARE(c.tags.size(), 2);
        for (int n = 0; n < good.size(); ++n)
            QCOMPARE(readBytes(good.left(n), c), PTProjectFile::Status::ForeignOrDamaged);
    }

    void missingFile()
    {
        PTData d;
        QCOMPARE(d.loadProject(QStringLiteral("nothere")), 0);
        QCOMPARE(d.loadStatus(), PTData::CannotOpen);
        QVERIFY(!d.updateZPTFile());
        QVERIFY(!QFile::exists(PTProjectFile::projectFilePath(QStringLiteral("nothere"))));
    }

    void failedWriteKeepsOldFile()
    {
        QVector<PTTag> tags;
        for (int i = 0; i < 20; ++i)
            tags << sampleTag(QStringLiteral("IMG_%1.JPG").arg(i), 48);
        folder(QStringLiteral("full"));
        QVERIFY(PTProjectFile::save(PTProjectFile::projectFilePath(QStringLiteral("full")),
                                    PTImageJpeg, tags.mid(0, 1)));
        const QByteArray before = fileBytes(QStringLiteral("full"));
        PTData d;
        QCOMPARE(d.loadProject(QStringLiteral("full")), 120);
        for (int i = 1; i < tags.size(); ++i)
            d.appendTag(tags[i]);
        // A disk that takes no more bytes.
        signal(SIGXFSZ, SIG_IGN);
        rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &small);
        const bool written = d.updateZPTFile();
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(!written);
        QVERIFY(!d.errorString().isEmpty());
        QCOMPARE(fileBytes(QStringLiteral("full")), before);
        QCOMPARE(QDir(folder(QStringLiteral("full"))).entryList(QDir::Files).size(), 1);
    }

    void textAccessors()
    {
        PTTag t = sampleTag(QStringLiteral("x.jpg"), 1);
        t.relativeHeight = 12.345678;
        t.pitch = -12.3456789;
        t.time = QDateTime(QDate(2016, 5, 1), QTime(8, 3, 9), Qt::UTC);
        PTData d;
        d.appendTag(t);
        QCOMPARE(d.getHeightText(0), QStringLiteral("12.3457m"));
        QCOMPARE(d.getPitchText(0), QStringLiteral("-12.3457\u00b0"));
        QCOMPARE(d.getRollText(0), QStringLiteral("1.5\u00b0"));
        QCOMPARE(d.getTimeText(0), QStringLiteral("2016-05-01  08:03:09"));
    }

    void rationals_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("50/10") << "50/10" << 5.0;
        QTest::newRow("1/500") << "1/500" << 0.002;
        QTest::newRow("zero denominator") << "5/0" << 0.0;
        QTest::newRow("bad denominator") << "5/x" << 0.0;
        QTest::newRow("plain") << "27" << 27.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("text") << "abc" << 0.0;
    }
    void rationals()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(PTData::rationalToDouble(text), value);
    }

    void previewNames_data()
    {
        QTest::addColumn<QString>("image");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("preview");
        QTest::newRow("jpeg") << "IMG.1.JPG" << int(PTImageJpeg) << "thumb_IMG.1.JPG";
        QTest::newRow("tiff") << "a.b.tif" << int(PTImageTiff) << "thumb_a.b.jpg";
        QTest::newRow("arw") << "DSC1.ARW" << int(PTImageArw) << "thumb_DSC1.jpg";
    }
    void previewNames()
    {
        QFETCH(QString, image);
        QFETCH(int, type);
        QFETCH(QString, preview);
        QCOMPARE(PTProjectFile::previewName(image, type), preview);
    }
};

KORVEL_TEST_MAIN(TestPTProjectFile)
#include "test_ptprojectfile.moc"
