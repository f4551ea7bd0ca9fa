// The widget-free steps of the creation job on real logs, JPEGs and TIFFs.
#include "phototagger/creation/ptsteps.h"
#include "ptfixtures.h"
#include "support/testkit.h"

#include <QDataStream>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <exiv2/exiv2.hpp>

using namespace PTSteps;

namespace {

void touch(const QString &path, const QByteArray &bytes = "x")
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList names(const PTPhotoTable &t) { return t.fileName; }

}  // namespace

class TestPTSteps : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false")); }
    void triggersFromLog();
    void logReaderFailuresBecomeResults();
    void triggersFromProjectFile();
    void projectFileLayout();
    void filePatterns_data();
    void filePatterns();
    void captureTimes();
    void sortKeepsNameOrderOnEqualTimes();
    void copyPhotos();
    void thumbnails();
};

void TestPTSteps::triggersFromLog()
{
    QTemporaryDir sd;
    QVERIFY(PTFixture::writeLog(sd.path(), "f1", PTFixture::withTagTimes({0, 2500, 5999})));
    PTTriggerTable t;
    QCOMPARE(readLogTriggers(sd.path() + "/logs/f1", t), 3);
    QCOMPARE(t.time[0], QDateTime(QDate(1980, 1, 6), QTime(0, 0), Qt::UTC));
    QCOMPARE(t.time[0].timeSpec(), Qt::UTC);
    QCOMPARE(t.time[2], QDateTime(QDate(1980, 1, 6), QTime(0, 0, 5, 999), Qt::UTC));
    QCOMPARE(t.relativeHeight[1], 61.0);
    QCOMPARE(t.absoluteHeight[1], 581.0);
    QCOMPARE(t.pitch[2], -4.0);
    QCOMPARE(t.roll[2], 3.0);
    QCOMPARE(t.yaw[2], 92.0);
    QCOMPARE(t.tagValue, QVector<int>(3, 1));
    QCOMPARE(t.enabled, QVector<bool>(3, true));

    // Cancelled: 0, the rows so far stay.
    PTTriggerTable c;
    QCOMPARE(readLogTriggers(sd.path() + "/logs/f1", c, [] { return true; }), 0);
    QCOMPARE(c.count(), 1);
}

void TestPTSteps::logReaderFailuresBecomeResults()
{
    QTemporaryDir sd;
    PTTriggerTable t;
    QCOMPARE(readLogTriggers(sd.path() + "/logs/none", t), -3);
    QVERIFY(PTFixture::writeLog(sd.path(), "bad", PTFixture::survey()));
    QFile records(sd.path() + "/logs/bad/KORVEL.LOG");
    QVERIFY(records.open(QIODevice::Append));
    records.write("this is no record\n");
    records.close();
    QCOMPARE(readLogTriggers(sd.path() + "/logs/bad", t), -1);
    QVERIFY(PTFixture::writeLog(sd.path(), "empty", PTFixture::withTagTimes({})));
    QCOMPARE(readLogTriggers(sd.path() + "/logs/empty", t), 0);
}

void TestPTSteps::triggersFromProjectFile()
{
    QTemporaryDir dir;
    // Version 100: one height fills both height columns.
    const QString old = dir.filePath("old.zpt");
    {
        QFile f(old);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QDataStream out(&f);
        out.setVersion(QDataStream::Qt_4_6);
        out << QStringLiteral("KorvelTarvendelPhotoTaggerFile") << qint32(100) << qint32(2);
        for (int i = 0; i < 2; ++i)
            out << QStringLiteral("IMG_%1.JPG").arg(i) << 48.1 << 11.6 << 55.5 + i << 1.0 << 2.0 << 3.0
                << QDateTime(QDate(2020, 1, 1), QTime(10, 0, i), Qt::UTC) << qint32(7) << qint8(i);
    }
    PTTriggerTable t;
    QCOMPARE(readProjectTriggers(old, t), 2);
    QCOMPARE(t.relativeHeight, (QVector<double>{55.5, 56.5}));
    QCOMPARE(t.absoluteHeight, (QVector<double>{55.5, 56.5}));
    QCOMPARE(t.tagValue, (QVector<int>{7, 7}));
    QCOMPARE(t.enabled, (QVector<bool>{false, true}));
    QCOMPARE(t.time[1], QDateTime(QDate(2020, 1, 1), QTime(10, 0, 1), Qt::UTC));

    // Written by the job and read back; an unknown version has no rows.
    PTTriggerTable back;
    QCOMPARE(writeProject(dir.filePath("p"), "p", Tiff, t, {"a.tif", QString()}), 1);
    QCOMPARE(readProjectTriggers(dir.filePath("p/p.zpt"), back), 2);
    QCOMPARE(back.absoluteHeight, t.absoluteHeight);
    QCOMPARE(back.time, t.time);
    QCOMPARE(readProjectTriggers(dir.filePath("missing.zpt"), back), -1);
}

void TestPTSteps::projectFileLayout()
{
    QTemporaryDir dir;
    PTTriggerTable t;
    t.latitude = {1.5};
    t.longitude = {2.0};
    t.relativeHeight = {3.0};
    t.absoluteHeight = {4.0};
    t.pitch = {5.0};
    t.roll = {6.0};
    t.yaw = {7.0};
    t.time = {QDateTime(QDate(1980, 1, 6), QTime(0, 0, 1), Qt::UTC)};
    t.tagValue = {1};
    t.enabled = {true};
    QCOMPARE(writeProject(dir.filePath("x"), "x", Jpeg, t, {}), 1);
    QFile f(dir.filePath("x/x.zpt"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QByteArray expected;
    expected += QByteArray::fromHex("0000003c");  // 30 UTF-16 units
    for (char c : QByteArray("KorvelTarvendelPhotoTaggerFile"))
        expected += QByteArray(1, '\0') + c;
    expected += QByteArray::fromHex("00000078 00000000 00000001");  // 120, JPEG, one record
    expected += QByteArray::fromHex("ffffffff");                    // no photo: null name
    expected += QByteArray::fromHex("3ff8000000000000 4000000000000000 4008000000000000 4010000000000000"
                                    "4014000000000000 4018000000000000 401c000000000000");
    expected += QByteArray::fromHex("00254bd5 000003e8 02");  // day 2444245, 1000 ms, UTC
    expected += QByteArray::fromHex("00000001 01");
    QCOMPARE(bytes.toHex(), expected.toHex());

    // Cancelled: 0, and an earlier file stays as it was.
    QCOMPARE(writeProject(dir.filePath("x"), "x", Tiff, t, {}, [] { return true; }), 0);
    QFile again(dir.filePath("x/x.zpt"));
    QVERIFY(again.open(QIODevice::ReadOnly));
    QCOMPARE(again.readAll(), bytes);

    // A folder that cannot be made: -1; a file that cannot be written: -2.
    touch(dir.filePath("plain"));
    QCOMPARE(writeProject(dir.filePath("plain/sub"), "y", Jpeg, t, {}), -1);
    QVERIFY(QDir().mkpath(dir.filePath("ro")));
    QFile::setPermissions(dir.filePath("ro"), QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(dir.filePath("ro")).isWritable())
        QSKIP("running with rights that ignore permissions");
    QCOMPARE(writeProject(dir.filePath("ro"), "y", Jpeg, t, {}), -2);
}

void TestPTSteps::filePatterns_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("jpeg") << int(Jpeg) << QStringList{"a.jpg", "b.JPG", "c.jpeg", "i.JpEg"};
    QTest::newRow("tiff takes jpeg") << int(Tiff) << QStringList{"a.jpg", "b.JPG", "d.tif", "e.TIFF"};
    QTest::newRow("arw") << int(Arw) << QStringList{"f.arw", "g.ARW"};
}

void TestPTSteps::filePatterns()
{
    QFETCH(int, type);
    QFETCH(QStringList, listed);
    QTemporaryDir dir;
    for (const char *n : {"a.jpg", "b.JPG", "c.jpeg", "d.tif", "e.TIFF", "f.arw", "g.ARW", "h.png", "i.JpEg"})
        touch(dir.filePath(n));
    QVERIFY(QDir().mkpath(dir.filePath("sub.jpg")));  // folders are no photos
    PTPhotoTable t;
    QCOMPARE(readPhotos(dir.path(), type, t), listed.size());
    QCOMPARE(names(t), listed);
}

void TestPTSteps::captureTimes()
{
    QTemporaryDir dir;
    const QDateTime shot(QDate(2024, 6, 1), QTime(12, 30, 15));
    QVERIFY(PTFixture::writeJpeg(dir.filePath("1_exif.jpg"), QSize(32, 24), shot));
    QVERIFY(PTFixture::writeJpeg(dir.filePath("2_none.jpg"), QSize(32, 24), QDateTime()));
    // A capture time that does not parse.
    QVERIFY(PTFixture::writeJpeg(dir.filePath("3_bad.jpg"), QSize(32, 24), shot));
    {
        auto image = Exiv2::ImageFactory::open(dir.filePath("3_bad.jpg").toStdString());
        image->readMetadata();
        image->exifData()["Exif.Photo.DateTimeOriginal"] = std::string("not a time");
        image->writeMetadata();
    }
    const QDateTime fileTime(QDate(2023, 3, 3), QTime(3, 3, 3));
    for (const char *n : {"2_none.jpg", "3_bad.jpg"}) {
        QFile f(dir.filePath(n));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(fileTime, QFileDevice::FileModificationTime));
    }
    PTPhotoTable t;
    QVector<QPair<int, int>> progress;
    QCOMPARE(readPhotos(dir.path(), Jpeg, t, {}, [&](int i, int n) { progress.append({i, n}); }), 3);
    QCOMPARE(progress, (QVector<QPair<int, int>>{{0, 3}, {1, 3}, {2, 3}}));
    QCOMPARE(t.time[0], shot);
    QCOMPARE(t.accuracy, (QVector<int>{1, 4, 4}));
    for (int i : {1, 2}) {
        QVERIFY(t.time[i].isValid());
        const QDateTime birth = QFileInfo(dir.filePath(t.fileName[i])).birthTime();
        QCOMPARE(t.time[i], birth.isValid() ? birth : fileTime);
    }

    // Cancelled: 0 although photos were read; unreadable folder: 0.
    PTPhotoTable c;
    int asked = 0;
    QCOMPARE(readPhotos(dir.path(), Jpeg, c, [&] { return ++asked > 3; }), 0);
    QCOMPARE(readPhotos(dir.filePath("no such folder"), Jpeg, c), 0);
}

void TestPTSteps::sortKeepsNameOrderOnEqualTimes()
{
    PTPhotoTable t;
    const QDateTime base(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC);
    const int secs[] = {5, 3, 5, 1, 3, 5};
    for (int i = 0; i < 6; ++i) {
        t.fileName << QStringLiteral("p%1").arg(i);
        t.time << base.addSecs(secs[i]);
        t.accuracy << i;
    }
    sortPhotos(t);
    QCOMPARE(t.fileName, (QStringList{"p3", "p1", "p4", "p0", "p2", "p5"}));
    QCOMPARE(t.accuracy, (QVector<int>{3, 1, 4, 0, 2, 5}));  // columns move together
}

void TestPTSteps::copyPhotos()
{
    QTemporaryDir dir;
    const QString photos = dir.filePath("card"), project = dir.filePath("sd/phototagger/p");
    QDir().mkpath(photos);
    for (const char *n : {"a.JPG", "b.JPG", "c.JPG"})
        touch(photos + "/" + n, n);
    bool changed = true;
    QList<QPair<int, int>> progress;
    QCOMPARE(PTSteps::copyPhotos(photos, project, {"a.JPG", QString(), "c.JPG"}, false, {},
                                 [&](int i, int n) { progress.append({i, n}); }, &changed),
             1);
    QVERIFY(changed);
    QCOMPARE(progress, (QList<QPair<int, int>>{{0, 3}, {2, 3}}));
    QCOMPARE(QDir(project).entryList(QDir::Files), (QStringList{"a.JPG", "c.JPG"}));

    // Copying onto an existing name fails and does not replace it.
    touch(project + "/b.JPG", "older");
    QCOMPARE(PTSteps::copyPhotos(photos, project, {"b.JPG"}, false), -2);
    QFile older(project + "/b.JPG");
    QVERIFY(older.open(QIODevice::ReadOnly));
    QCOMPARE(older.readAll(), QByteArray("older"));

    // A second photo set: the earlier photos and thumbnails go first; raw
    // files and the project file stay.
    for (const char *n : {"thumb_a.JPG", "old.tif", "old.TIFF", "keep.arw", "p.zpt"})
        touch(project + "/" + n);
    QCOMPARE(PTSteps::copyPhotos(photos, project, {"b.JPG"}, true, {}, {}, &changed), 1);
    QCOMPARE(QDir(project).entryList(QDir::Files, QDir::Name), (QStringList{"b.JPG", "keep.arw", "p.zpt"}));

    // Cancel before the first copy: nothing changed, nothing copied.
    const QString fresh = dir.filePath("sd/phototagger/q");
    QCOMPARE(PTSteps::copyPhotos(photos, fresh, {"a.JPG"}, true, [] { return true; }, {}, &changed), 0);
    QVERIFY(!changed);
    QVERIFY(QDir(fresh).entryList(QDir::Files).isEmpty());

    touch(dir.filePath("file"));
    QCOMPARE(PTSteps::copyPhotos(photos, dir.filePath("file/p"), {"a.JPG"}, false), -1);
}

void TestPTSteps::thumbnails()
{
    QTemporaryDir dir;
    const QString project = dir.path();
    QVERIFY(PTFixture::writeJpeg(project + "/big.JPG", QSize(800, 600), QDateTime()));
    touch(project + "/broken.jpg", "no jpeg at all");
    // A JPEG whose frame header gives a width of 0.
    QVERIFY(PTFixture::writeJpeg(project + "/zero.jpg", QSize(40, 30), QDateTime()));
    {
        QFile f(project + "/zero.jpg");
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        const int sof = bytes.indexOf(QByteArray::fromHex("ffc0"));
        QVERIFY(sof > 0);
        bytes[sof + 7] = 0;  // height at +5, width at +7 (big-endian)
        bytes[sof + 8] = 0;
        f.seek(0);
        f.write(bytes);
    }
    QVERIFY(QImageReader(project + "/zero.jpg").size().width() <= 0);
    QCOMPARE(makeThumbnails(project, {"big.JPG", QString(), "broken.jpg", "zero.jpg"}, Jpeg), 1);
    QCOMPARE(QImageReader(project + "/thumb_zero.jpg").size(), QSize(600, 400));
    QCOMPARE(QImageReader(project + "/thumb_big.JPG").size(), QSize(600, 450));
    QImage red(project + "/thumb_broken.jpg");
    QCOMPARE(red.size(), QSize(600, 400));
    QVERIFY(qAbs(QColor(red.pixel(300, 200)).red() - 255) < 8);
    QVERIFY(QColor(red.pixel(300, 200)).green() < 8);

    // TIFF: thumb_<name without extension>.jpg, 600 wide; an unreadable TIFF is an error.
    QImage tiff(900, 300, QImage::Format_RGB32);
    tiff.fill(Qt::darkGreen);
    QVERIFY(tiff.save(project + "/scan.v2.tif", "TIFF"));
    QCOMPARE(makeThumbnails(project, {"scan.v2.tif"}, Tiff), 1);
    QCOMPARE(QImageReader(project + "/thumb_scan.v2.jpg").size(), QSize(600, 200));
    QCOMPARE(QImageReader(project + "/thumb_scan.v2.jpg").format(), QByteArray("jpeg"));
    touch(project + "/bad.tif", "no tiff");
    QCOMPARE(makeThumbnails(project, {"bad.tif"}, Tiff), -1);
    QCOMPARE(makeThumbnails(project, {"big.JPG"}, Arw), 1);

    // A thumbnail that cannot be saved.
    QVERIFY(QDir().mkpath(project + "/thumb_big.jpeg"));
    QVERIFY(PTFixture::writeJpeg(project + "/big.jpeg", QSize(80, 60), QDateTime()));
    QCOMPARE(makeThumbnails(project, {"big.jpeg"}, Jpeg), -2);
    QCOMPARE(makeThumbnails(project, {"big.JPG"}, Jpeg, [] { return true; }), 0);
}

KORVEL_TEST_MAIN(TestPTSteps)
#include "test_ptsteps.moc"
