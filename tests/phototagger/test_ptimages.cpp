// Photos entering a project (previews, positions) and leaving it with their
// geotags, judged by exiftool.
#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "exif/exifhandler.h"
#include "phototagger/ptaddthread.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptphotofile.h"
#include "phototagger/ptprojectmerge.h"
#include "ptfixtures.h"
#include "support/testkit.h"

class TestPTImages : public QObject {
    Q_OBJECT
    QTemporaryDir m_src;

    QString src(const QString &name) { return m_src.filePath(name); }

    void runAdd(PTData &d, const QStringList &files, int position)
    {
        PTAddThread t(&d);
        t.setFiles(files, position);
        t.setMode(PTAddThread::Adding);
        t.start();
        QVERIFY(t.wait(30000));
    }

private slots:
    void initTestCase()
    {
        Data::instance();
        QVERIFY(PTFixture::photo(src("wide.jpg"), 4000, 3000));
        QVERIFY(PTFixture::photo(src("tall.jpg"), 3000, 4000));
        QVERIFY(PTFixture::photo(src("a.jpg"), 64, 48));
        QVERIFY(PTFixture::photo(src("b.jpg"), 64, 48));
        QVERIFY(PTFixture::photo(src("c.jpg"), 64, 48));
        QFile bad(src("bad.jpg"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a picture at all");
    }

    void addsFromPositionSkippingTakenOnes()
    {
        QVector<PTTag> tags;
        for (int i = 0; i < 8; ++i)
            tags << PTFixture::tag(QString());
        tags[5].imageName = QStringLiteral("taken.jpg");
        tags[0].imageName = QStringLiteral("c.jpg");  // already in the project
        const QString folder = PTFixture::project("add", tags);
        PTData d;
        QCOMPARE(d.loadProject("add"), 120);
        QSignalSpy spy(&d, &PTData::copyFile);
        runAdd(d, {src("c.jpg"), src("a.jpg"), src("b.jpg"), src("wide.jpg")}, 4);
        // c.jpg is skipped without using a position; b.jpg is refused at 5.
        QCOMPARE(d.getImageName(4), QStringLiteral("a.jpg"));
        QCOMPARE(d.getImageName(5), QStringLiteral("taken.jpg"));
        QCOMPARE(d.getImageName(6), QStringLiteral("wide.jpg"));
        QCOMPARE(d.getImageName(7), QString());
        QVERIFY(QFile::exists(folder + "/a.jpg"));
        QVERIFY(!QFile::exists(folder + "/b.jpg"));
        QVERIFY(!QFile::exists(folder + "/c.jpg"));
        QCOMPARE(QImageReader(folder + "/thumb_wide.jpg").size(), QSize(1280, 960));
        // Added in memory only; the caller writes the file.
        QVERIFY(d.updateZPTFile());
        PTData e;
        e.loadProject("add");
        QCOMPARE(e.getImageName(6), QStringLiteral("wide.jpg"));
    }

    void previews_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("preview");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("landscape") << "wide.jpg" << int(PTImageJpeg) << "thumb_wide.jpg"
                                   << QSize(1280, 960) << QColor(40, 90, 140);
        QTest::newRow("portrait") << "tall.jpg" << int(PTImageJpeg) << "thumb_tall.jpg"
                                  << QSize(1280, 1706) << QColor(40, 90, 140);
        QTest::newRow("tiff project") << "a.jpg" << int(PTImageTiff) << "thumb_a.jpg"
                                      << QSize(1280, 960) << QColor(40, 90, 140);
        QTest::newRow("undecodable: red stand-in") << "bad.jpg" << int(PTImageJpeg)
                                                   << "thumb_bad.jpg" << QSize(1280, 960)
                                                   << QColor(Qt::red);
        QTest::newRow("arw: none") << "a.jpg" << int(PTImageArw) << "thumb_a.jpg" << QSize()
                                   << QColor();
    }
    void previews()
    {
        QFETCH(QString, file);
        QFETCH(int, type);
        QFETCH(QString, preview);
        QFETCH(QSize, size);
        QFETCH(QColor, colour);
        const QString folder = PTFixture::project("prev", {PTFixture::tag(QString())}, type);
        PTData d;
        QCOMPARE(d.loadProject("prev"), 120);
        QVERIFY(d.addImage(src(file), 0));
        QCOMPARE(d.getImageName(0), file);
        QVERIFY(QFile::exists(folder + "/" + file));
        if (!size.isValid()) {
            QCOMPARE(QDir(folder).entryList({"thumb_*"}, QDir::Files), QStringList());
            return;
        }
        QImage img(folder + "/" + preview);
        QCOMPARE(img.size(), size);
        const QColor got = img.pixelColor(img.width() / 2, img.height() / 2);
        QVERIFY2(qAbs(got.red() - colour.red()) < 12 && qAbs(got.green() - colour.green()) < 12
                     && qAbs(got.blue() - colour.blue()) < 12,
                 qPrintable(got.name()));
        // A second photo at a taken position is refused and not copied.
        QVERIFY(!d.addImage(src("b.jpg"), 0));
        QVERIFY(!QFile::exists(folder + "/b.jpg"));
    }

    void removesPhotoOnlyAfterTheFileWasWritten()
    {
        const QString folder = PTFixture::project("rm", {PTFixture::tag(QString())});
        PTData d;
        d.loadProject("rm");
        QVERIFY(d.addImage(src("a.jpg"), 0));
        QVERIFY(d.updateZPTFile());
        QVERIFY(QFile::exists(folder + "/thumb_a.jpg"));
        // The project file cannot be replaced: the photo must stay.
        QFile::remove(folder + "/rm.zpt");
        QDir().mkpath(folder + "/rm.zpt");
        QVERIFY(!d.removeImgDataFromProject(0));
        QCOMPARE(d.getImageName(0), QStringLiteral("a.jpg"));
        QVERIFY(QFile::exists(folder + "/a.jpg"));
        QDir(folder + "/rm.zpt").removeRecursively();
        QVERIFY(d.removeImgDataFromProject(0));
        QVERIFY(!QFile::exists(folder + "/a.jpg"));
        QVERIFY(!QFile::exists(folder + "/thumb_a.jpg"));
        PTData e;
        e.loadProject("rm");
        QCOMPARE(e.getImageName(0), QString());
    }

    void copiesWithGeotags_data()
    {
        QTest::addColumn<bool>("absolute");
        QTest::addColumn<QString>("altitude");
        QTest::addColumn<QString>("datum");
        QTest::newRow("relative + offset") << false << "32.5" << QString();
        QTest::newRow("absolute") << true << "540.25" << "WGS-84";
    }
    void copiesWithGeotags()
    {
        QFETCH(bool, absolute);
        QFETCH(QString, altitude);
        QFETCH(QString, datum);
        QVector<PTTag> tags = {PTFixture::tag("a.jpg", -33.5, 8.123456789),
                               PTFixture::tag("b.jpg"), PTFixture::tag("c.jpg"),
                               PTFixture::tag(QString())};
        tags[0].pitch = -12.349;
        tags[0].roll = 3.5;
        tags[0].yaw = 359.999;
        tags[2].enabled = false;
        const QString folder = PTFixture::project("geo", tags);
        for (const char *f : {"a.jpg", "b.jpg", "c.jpg"})
            QVERIFY(QFile::copy(src(f), folder + "/" + f));
        PTData d;
        d.loadProject("geo");
        d.setAbsoluteHeight(absolute);
        d.setHeightOffset(2.5);
        QTemporaryDir out;
        QSignalSpy spy(&d, &PTData::copyFile);
        QStringList failed;
        QVERIFY(d.copyFiles(out.path(), &failed));
        QCOMPARE(failed, QStringList());
        QCOMPARE(spy.size(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(spy[i], (QList<QVariant>{i, 4}));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), (QStringList{"a.jpg", "b.jpg"}));

        const auto t = PTFixture::exiftool(out.filePath("a.jpg"));
        QCOMPARE(t.value("[GPS] GPSLatitudeRef"), QStringLiteral("S"));
        QCOMPARE(t.value("[GPS] GPSLatitude").toDouble(), 33.5);
        QCOMPARE(t.value("[GPS] GPSLongitudeRef"), QStringLiteral("E"));
        // Seconds are kept to 1/10000 and truncated.
        QCOMPARE(t.value("[GPS] GPSLongitude").left(9), QStringLiteral("8.1234567"));
        QCOMPARE(t.value("[GPS] GPSAltitude"), altitude);
        QCOMPARE(t.value("[GPS] GPSAltitudeRef"), QStringLiteral("0"));
        QCOMPARE(t.value("[GPS] GPSMapDatum"), datum);
        QCOMPARE(t.value("[GPS] GPSImgDirectionRef"), QStringLiteral("T"));
        QCOMPARE(t.value("[GPS] GPSImgDirection"), QStringLiteral("359.99"));
        QCOMPARE(t.value("[IFD0] Software"),
                 QStringLiteral("Korvel Tarvendel by Brisolan Technologies GmbH"));
        QCOMPARE(t.value("[GPS] GPS_0xd000"), QStringLiteral("-12.34"));
        QCOMPARE(t.value("[GPS] GPS_0xd001"), QStringLiteral("3.5"));
        // The photo's own camera tags stay.
        QCOMPARE(t.value("[IFD0] Make"), QStringLiteral("Vetrel"));
        QCOMPARE(t.value("[ExifIFD] FNumber"), QStringLiteral("2.8"));

        // Written once with its tags: the same bytes as tagging the whole copy.
        QByteArray ref = PTFixture::fileBytes(folder + "/a.jpg");
        ExifHandler exif;
        QVERIFY(exif.loadExif(folder + "/a.jpg"));
        exif.setSoftware("Korvel Tarvendel by Brisolan Technologies GmbH");
        exif.setGPSLonLat(tags[0].longitude, tags[0].latitude);
        exif.setCameraPitch(tags[0].pitch);
        exif.setCameraRoll(tags[0].roll);
        exif.setGPSImgDirection(tags[0].yaw);
        exif.setGPSAltitude(absolute ? tags[0].absoluteHeight : tags[0].relativeHeight + 2.5);
        if (absolute)
            exif.setGPSMapDatum();
        QVERIFY(exif.saveExif(ref));
        QCOMPARE(PTFixture::fileBytes(out.filePath("a.jpg")), ref);
    }

    void copiesTiffWhole()
    {
        const QString folder = PTFixture::project("tif", {PTFixture::tag("t.tif")}, PTImageTiff);
        QImage img(40, 30, QImage::Format_RGB32);
        img.fill(Qt::green);
        QVERIFY(img.save(folder + "/t.tif", "TIFF"));
        PTData d;
        d.loadProject("tif");
        QTemporaryDir out;
        QStringList failed;
        QVERIFY(d.copyFiles(out.path(), &failed));
        QCOMPARE(failed, QStringList());
        const auto t = PTFixture::exiftool(out.filePath("t.tif"));
        QCOMPARE(t.value("[GPS] GPSLatitude").toDouble(), 48.1);
        QCOMPARE(t.value("[GPS] GPSAltitude"), QStringLiteral("30"));
        QCOMPARE(QImage(out.filePath("t.tif")).pixelColor(5, 5), QColor(Qt::green));
    }

    // Two exports of one project into one folder at once: each photo is
    // written by one of them and taken whole by the other, which lists no
    // photo as failed.
    void twoExportsIntoOneFolderAtOnce()
    {
        QVector<PTTag> tags;
        for (int i = 0; i < 40; ++i)
            tags << PTFixture::tag(QStringLiteral("r%1.jpg").arg(i));
        const QString folder = PTFixture::project("race", tags);
        QVERIFY(PTFixture::photo(folder + "/r0.jpg", 800, 600));
        for (int i = 1; i < tags.size(); ++i)
            QVERIFY(QFile::copy(folder + "/r0.jpg", folder + QStringLiteral("/r%1.jpg").arg(i)));
        PTData a, b;
        a.loadProject("race");
        b.loadProject("race");
        // A few rounds: the two meet on some photo in nearly every one.
        for (int round = 0; round < 3; ++round) {
            QTemporaryDir out;
            QStringList failedA, reasonsA, failedB, reasonsB;
            bool okB = false;
            std::atomic<bool> go{false};
            std::thread other([&] {
                while (!go)
                    std::this_thread::yield();
                okB = b.copyFiles(out.path(), &failedB, PTData::CopyStep(), &reasonsB);
            });
            go = true;
            const bool okA = a.copyFiles(out.path(), &failedA, PTData::CopyStep(), &reasonsA);
            other.join();
            QVERIFY(okA && okB);
            QCOMPARE(reasonsA + reasonsB, QStringList());
            QCOMPARE(failedA + failedB, QStringList());
            const QStringList names = QDir(out.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
            QCOMPARE(names.size(), tags.size());
            for (const QString &name : names)
                QVERIFY2(PTPhotoFile::isWhole(out.filePath(name)), qPrintable(name));
            QCOMPARE(PTFixture::exiftool(out.filePath("r7.jpg")).value("[GPS] GPSLatitude").toDouble(), 48.1);
        }
    }

    void copyKeepsExistingTargetsAndListsFailures()
    {
        const QString folder = PTFixture::project(
            "keep", {PTFixture::tag("a.jpg"), PTFixture::tag("b.jpg"), PTFixture::tag("c.jpg")});
        QVERIFY(QFile::copy(src("a.jpg"), folder + "/a.jpg"));
        QVERIFY(QFile::copy(src("c.jpg"), folder + "/c.jpg"));
        // b.jpg is named in the project but its file is gone.
        PTData d;
        d.loadProject("keep");
        QTemporaryDir out;
        QVERIFY(PTFixture::photo(out.filePath("a.jpg"), 20, 10, false));
        // c.jpg was cut off by an export that was killed: written again.
        const QByteArray whole = PTFixture::fileBytes(folder + "/c.jpg");
        QVERIFY(AtomicFile::write(out.filePath("c.jpg"), whole.left(whole.size() - 40)));
        QVERIFY(!PTPhotoFile::isWhole(out.filePath("c.jpg")));
        QStringList failed, reasons;
        QVERIFY(d.copyFiles(out.path(), &failed, PTData::CopyStep(), &reasons));
        QCOMPARE(failed, QStringList{"b.jpg"});
        QCOMPARE(reasons, QStringList{AtomicFile::describe(folder + "/b.jpg", strerror(ENOENT))});
        // Not replaced, but tagged.
        QCOMPARE(QImageReader(out.filePath("a.jpg")).size(), QSize(20, 10));
        QCOMPARE(PTFixture::exiftool(out.filePath("a.jpg")).value("[GPS] GPSLatitude").toDouble(),
                 48.1);
        QVERIFY(PTPhotoFile::isWhole(out.filePath("c.jpg")));
        QCOMPARE(QImageReader(out.filePath("c.jpg")).size(), QSize(64, 48));
        QCOMPARE(PTFixture::exiftool(out.filePath("c.jpg")).value("[GPS] GPSLatitude").toDouble(),
                 48.1);
        // A kept photo the user may not write stays as it is, and is listed.
        QVERIFY(QFile::setPermissions(out.filePath("a.jpg"), QFileDevice::ReadOwner));
        if (!QFileInfo(out.filePath("a.jpg")).isWritable()) {
            const QByteArray kept = PTFixture::fileBytes(out.filePath("a.jpg"));
            failed.clear();
            reasons.clear();
            QVERIFY(d.copyFiles(out.path(), &failed, PTData::CopyStep(), &reasons));
            QCOMPARE(failed, (QStringList{"a.jpg", "b.jpg"}));
            QCOMPARE(reasons.first(), AtomicFile::describe(out.filePath("a.jpg"), strerror(EACCES)));
            QCOMPARE(PTFixture::fileBytes(out.filePath("a.jpg")), kept);
        }

        failed.clear();
        reasons.clear();
        QVERIFY(d.copyFiles(out.path() + "/missing", &failed, PTData::CopyStep(), &reasons));
        QCOMPARE(failed, (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
        QCOMPARE(reasons.first(), AtomicFile::describe(out.path() + "/missing/a.jpg", strerror(ENOENT)));
    }

    void copyAbortsBetweenFiles()
    {
        const QString folder = PTFixture::project(
            "abort", {PTFixture::tag("a.jpg"), PTFixture::tag("b.jpg")});
        QVERIFY(QFile::copy(src("a.jpg"), folder + "/a.jpg"));
        QVERIFY(QFile::copy(src("b.jpg"), folder + "/b.jpg"));
        PTData d;
        d.loadProject("abort");
        QTemporaryDir out;
        QVERIFY(!d.copyFiles(out.path(), nullptr, [](int i, int) { return i < 1; }));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{"a.jpg"});
    }

    void splitsIntoNewProjects()
    {
        QVector<PTTag> tags;
        for (int i = 0; i < 4; ++i)
            tags << PTFixture::tag(QStringLiteral("p%1.jpg").arg(i), 48 + i);
        tags[1].imageName.clear();
        const QString folder = PTFixture::project("whole", tags);
        for (int i : {0, 2, 3}) {
            QVERIFY(QFile::copy(src("a.jpg"), folder + QStringLiteral("/p%1.jpg").arg(i)));
            QVERIFY(QFile::copy(src("a.jpg"), folder + QStringLiteral("/thumb_p%1.jpg").arg(i)));
        }
        QFile::remove(folder + "/thumb_p3.jpg");  // a missing preview is nothing lost
        // A tag without a photo and a photo without a preview split as well.
        const PTProjectMerge::Result r = PTProjectMerge::split("whole", 2, "partA", "partB");
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.remaining, QStringList());
        QVERIFY(!QFileInfo::exists(folder));
        PTData a, b;
        QCOMPARE(a.loadProject("partA"), 120);
        QCOMPARE(b.loadProject("partB"), 120);
        QCOMPARE(a.tags(), tags.mid(0, 2));
        QCOMPARE(b.tags(), tags.mid(2, 2));
        QVERIFY(QFile::exists(a.getProjectPath() + "/p0.jpg"));
        QVERIFY(QFile::exists(a.getProjectPath() + "/thumb_p0.jpg"));
        QVERIFY(QFile::exists(b.getProjectPath() + "/p3.jpg"));
        QVERIFY(QFile::exists(b.getProjectPath() + "/thumb_p2.jpg"));
    }
};

KORVEL_TEST_MAIN(TestPTImages)
#include "test_ptimages.moc"
