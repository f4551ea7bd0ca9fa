#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "core/data.h"
#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/editor/ththread.h"
#include "thermal/editor/ththreaddiag.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"
#include "thermal/project/thprojectfile.h"
#include "thermal/thermalrenderer.h"

namespace {

AraGen::FrameParams frame(int w, int h, int byte242, int byte243, int fileMode = 2)
{
    AraGen::FrameParams p;
    p.width = w;
    p.height = h;
    p.advancedRadiometry = quint8(byte242);
    p.highResolution = quint8(byte243);
    p.fileMode = quint16(fileMode);
    return p;
}

// Polls instead of waiting for the finished signal, which a short job may
// have sent before anyone listened.
bool runJob(THThread &job)
{
    return QTest::qWaitFor([&] { return job.isFinished(); }, 30000);
}

QJsonObject exiftool(const QString &file)
{
    QProcess tool;
    tool.start(QStandardPaths::findExecutable(QStringLiteral("exiftool")),
               {"-j", "-n", "-GPSLatitude", "-GPSLongitude", "-GPSAltitude", "-ModifyDate",
                "-ImageWidth", "-ImageHeight", "-Make", "-Model", "-GPSImgDirection", file});
    tool.waitForFinished(30000);
    return QJsonDocument::fromJson(tool.readAllStandardOutput()).array().at(0).toObject();
}

QString readLatin1(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromLatin1(f.readAll());
}

}  // namespace

class TestTHThread : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Data::instance()->setThermalPalette(1);
        QVERIFY(m_dir.isValid());
    }

    void createsAProjectFromRecordings()
    {
        const QString src = m_dir.filePath(QStringLiteral("rec"));
        QDir().mkpath(src);
        const QVector<quint16> counts = AraGen::scene(40, 30, 2);
        const QPoint mm = ThermalRenderer::minMax(counts);
        AraGen::writeFile(src + "/one.ara", AraGen::araFile(frame(40, 30, 1, 1), counts, AraGen::LineCompressed));
        QByteArray broken = AraGen::araFile(frame(40, 30, 1, 0), counts);
        broken[30] = 9;  // a compression no reader knows
        AraGen::writeFile(src + "/two.ara", broken);
        AraGen::writeFile(src + "/three.ara", AraGen::araFile(frame(40, 30, 1, 2), counts));

        THThread job(nullptr);
        QVERIFY(!job.createFlirProject());  // no files: nothing starts
        QVERIFY(!job.isRunning());
        QVERIFY(job.setProjectName(QStringLiteral("New one")));
        for (const char *f : {"one.ara", "two.ara", "three.ara"})
            job.addFile(src + "/" + f);
        QSignalSpy copies(&job, &THThread::copyFile);
        QVERIFY(job.createFlirProject());
        QVERIFY(runJob(job));
        QVERIFY2(job.success, qPrintable(job.errorString));
        QCOMPARE(copies.size(), 3);
        QCOMPARE(copies.last(), QVariantList({3, 3}));

        THData data;
        QCOMPARE(data.openProject(QStringLiteral("New one")), 100);
        QCOMPARE(data.imageFileNames, QStringList({"one.ara", "two.ara", "three.ara"}));
        QCOMPARE(data.scaleMin, QList<int>({mm.x(), 0, mm.x()}));  // the broken copy keeps 0 and 0
        QCOMPARE(data.scaleMax, QList<int>({mm.y(), 0, mm.y()}));
        QCOMPARE(data.measurementType, QList<int>({2, 1, 1}));  // 243 = 2 counts as low here
        QCOMPARE(data.enabled, QList<bool>({true, true, true}));
        QCOMPARE(data.pointLists[0]->size(), 0);
        QVERIFY(data.reportTitles[0].isEmpty());
        QVERIFY(QFileInfo(ThermalPaths::thermalFolderPath() + "/New one/images").isDir());
        QCOMPARE(QFile(data.imagePath(0)).size(), QFile(src + "/one.ara").size());
        THProjectFileContent content;
        QCOMPARE(THProjectFile::readFile(data.projectFile, &content), THProjectFile::Ok);
        QCOMPARE(content.secondCount, 0);

        THThread again(nullptr);
        QVERIFY(!again.setProjectName(QStringLiteral("New one")));
    }

    void filesSideBySideGiveTheSameProject()
    {
        const QString src = m_dir.filePath(QStringLiteral("many"));
        QDir().mkpath(src);
        THThread sequential(nullptr), parallel(nullptr);
        for (int i = 0; i < 24; ++i) {
            const QString path = src + QStringLiteral("/f%1.ara").arg(i, 2, 10, QLatin1Char('0'));
            AraGen::writeFile(path, AraGen::araFile(frame(48, 32, 1, i % 3 == 0 ? 0 : 1), AraGen::scene(48, 32, i),
                                                    i % 2 ? AraGen::LineCompressed : AraGen::Raw));
            sequential.addFile(path);
            parallel.addFile(path);
        }
        sequential.threads = 1;
        parallel.threads = 4;
        QVERIFY(sequential.setProjectName("Sequential"));
        QVERIFY(parallel.setProjectName("Parallel"));
        // Copies report from pool threads: count them on this thread, as the
        // progress dialog does (a signal spy would append from several threads).
        int progress = 0;
        connect(&parallel, &THThread::copyFile, this, [&progress] { ++progress; }, Qt::QueuedConnection);
        for (THThread *job : {&sequential, &parallel}) {
            QVERIFY(job->createFlirProject());
            QVERIFY(runJob(*job));
            QVERIFY2(job->success, qPrintable(job->errorString));
        }
        QTRY_COMPARE_WITH_TIMEOUT(progress, 24, KorvelTest::kWaitMs);
        THProjectFileContent a, b;
        QCOMPARE(THProjectFile::readFile(ThermalPaths::projectFilePath("Sequential"), &a), THProjectFile::Ok);
        QCOMPARE(THProjectFile::readFile(ThermalPaths::projectFilePath("Parallel"), &b), THProjectFile::Ok);
        QCOMPARE(b.images.size(), 24);
        for (int i = 0; i < 24; ++i) {
            QCOMPARE(b.images[i].fileName, a.images[i].fileName);
            QCOMPARE(b.images[i].scaleMin, a.images[i].scaleMin);
            QCOMPARE(b.images[i].scaleMax, a.images[i].scaleMax);
            QCOMPARE(b.images[i].measurementType, a.images[i].measurementType);
        }
        QCOMPARE(b.images[3].measurementType, 1);
        QCOMPARE(b.images[4].measurementType, 2);
    }

    void failedOrCancelledCreationLeavesNothing()
    {
        const QString src = m_dir.filePath(QStringLiteral("rec2"));
        QDir().mkpath(src);
        AraGen::writeFile(src + "/a.ara", AraGen::araFile(frame(8, 8, 1, 1), AraGen::scene(8, 8, 1)));
        for (bool cancel : {true, false}) {
            THThread job(nullptr);
            const QString name = cancel ? QStringLiteral("Cancelled") : QStringLiteral("Failed");
            QVERIFY(job.setProjectName(name));
            job.addFile(src + "/a.ara");
            if (cancel)
                job.canceled();
            else
                job.addFile(src + "/missing.ara");
            QSignalSpy cleanup(&job, &THThread::cleanup);
            QVERIFY(job.createFlirProject());
            QVERIFY(runJob(job));
            QVERIFY(!job.success);
            QCOMPARE(cleanup.size(), 1);
            QVERIFY(!QFileInfo::exists(ThermalPaths::thermalFolderPath() + "/" + name));
        }
    }

    void exportWritesImagesTagsAndReport_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("onlyImageData");
        QTest::addColumn<bool>("nameAsTitle");
        QTest::newRow("JPEG with items") << 0 << false << false;
        QTest::newRow("TIFF, image data only, names as titles") << 1 << true << true;
    }
    void exportWritesImagesTagsAndReport()
    {
        QFETCH(int, format);
        QFETCH(bool, onlyImageData);
        QFETCH(bool, nameAsTitle);
        const QString name = QStringLiteral("Export%1").arg(format);
        QDir().mkpath(ThermalPaths::imageFolderPath(name));
        THData data;
        data.imageFolder = ThermalPaths::imageFolderPath(name);
        const QVector<quint16> counts = AraGen::scene(64, 48, 3);
        AraGen::FrameParams high = frame(64, 48, 1, 1);
        high.altitude = 123456;
        high.heightAddend = 0;
        high.gpsWeek = 1900;
        high.gpsTimeOfWeek = 0;
        AraGen::FrameParams withAddend = high;
        withAddend.heightAddend = -23456;
        const struct { const char *file; AraGen::FrameParams params; bool on; } images[] = {
            {"IMG_0001.ARA", high, true},
            {"a.b.ara", frame(64, 48, 1, 0), true},
            {"a.c.ara", frame(64, 48, 0, 0), true},
            {"off.ara", high, false},
            {"gone.ara", high, true},
            {"tall.ara", withAddend, true},
        };
        for (const auto &img : images) {
            data.appendImage(QString::fromLatin1(img.file), img.on, 7000, 7600, 0);
            if (QByteArray(img.file) != "gone.ara")
                AraGen::writeFile(data.imagePath(data.imageCount() - 1), AraGen::araFile(img.params, counts));
        }
        data.pointLists[0]->append(QPointF(30, 20), 1, 7500.9, 0);
        data.pointLists[0]->append(QPointF(5, 5), 2, 7000, 0);
        data.pointLists[1]->append(QPointF(30, 20), 1, 7500, 0);
        data.pointLists[2]->append(QPointF(30, 20), 4, 7500, 0);
        data.rectLists[0]->append(new QRectF(10, 10, 20, 15));
        data.reportTitles[0] = QStringLiteral("Roof <north> & \u0141\u00f3d\u017a");
        data.reportTexts[0] = QStringLiteral("line one\nline two \u20ac");
        data.reportTitles[1] = QStringLiteral("Second");

        const QString target = m_dir.filePath(name + "/out");
        THThread job(&data);
        QSignalSpy progress(&job, &THThread::createFile);
        job.createReportWithHTML(target, format, onlyImageData, true, nameAsTitle);
        QCOMPARE(job.pinTable, !onlyImageData);
        QVERIFY(runJob(job));
        QVERIFY2(job.success, qPrintable(job.errorString));
        QCOMPARE(job.skippedImages, QStringList({"gone.ara"}));
        QVERIFY(job.failedFiles.isEmpty());
        // Disabled images leave gaps in the count.
        QList<int> numbers;
        for (const auto &args : progress)
            numbers << args.at(0).toInt();
        QCOMPARE(numbers, QList<int>({1, 2, 3, 5, 6}));

        const QString ext = format == 0 ? ".jpg" : ".tif";
        const QStringList expected = {"IMG_0001" + ext, "a" + ext, "a_2" + ext, "tall" + ext};
        QStringList names;
        for (const QString &f : job.writtenFiles)
            names << QFileInfo(f).fileName();
        QCOMPARE(names, expected + QStringList({"report.html"}));
        QCOMPARE(QDir(target).entryList(QDir::Files, QDir::Name),
                 QStringList({"IMG_0001" + ext, "a" + ext, "a_2" + ext, "report.html", "tall" + ext}));

        // Pixels: image data only, or with pins and rectangles.
        QImage first(target + "/IMG_0001" + ext);
        QCOMPARE(first.size(), QSize(64, 48));
        const QImage plain = ThermalRenderer::colorize(counts, 64, 48, 1, 7000, 7600);
        if (format == 1)
            QCOMPARE(first.convertToFormat(QImage::Format_RGB32) == plain, onlyImageData);

        const QString report = readLatin1(target + "/report.html");
        QVERIFY(report.startsWith("<html><body><h1>"));
        for (const QString &n : expected)
            QVERIFY(report.contains(QStringLiteral("<img src=\"./%1\" align=\"middle\">").arg(n)));
        QVERIFY(!report.contains("off"));
        if (nameAsTitle) {
            QVERIFY(report.contains("<h1>IMG_0001" + ext + "</h1>"));
        } else {
            QVERIFY(report.contains(QString::fromLatin1("<h1>Roof &lt;north&gt; &amp; &#321;\xf3" "d&#378;</h1>")));
            QVERIFY(report.contains("<h1>Second</h1>"));
        }
        QVERIFY(report.contains("line one<br>line two &#8364;<br><br>"));
        if (onlyImageData) {
            QVERIFY(!report.contains("<table"));
        } else {
            QVERIFY(report.contains(QString::fromLatin1("<tr><td>1</td><td>26.85\xb0" "C</td></tr>")));
            QVERIFY(report.contains(QString::fromLatin1("<tr><td>2</td><td>6.85\xb0" "C</td></tr>")));
            QVERIFY(report.contains(QString::fromLatin1("<tr><td>1</td><td>2726.85\xb0" "C</td></tr>")));
            QVERIFY(report.contains("<tr><td>4</td><td>7500</td></tr>"));
            QCOMPARE(report.count("<table"), 3);
        }

        if (QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty())
            QSKIP("exiftool is not installed");
        const QJsonObject tags = exiftool(target + "/IMG_0001" + ext);
        QCOMPARE(tags.value("Make").toString(), QStringLiteral("FLIR"));
        QCOMPARE(tags.value("Model").toString(), QStringLiteral("Tau 2 640"));
        QVERIFY(qAbs(tags.value("GPSLatitude").toDouble() - 47.95) < 1e-6);
        QVERIFY(qAbs(tags.value("GPSLongitude").toDouble() - 11.391) < 1e-6);
        QVERIFY(qAbs(tags.value("GPSAltitude").toDouble() - 123.456) < 1e-3);
        QVERIFY(qAbs(tags.value("GPSImgDirection").toDouble() - 90) < 1e-6);
        QCOMPARE(tags.value("ModifyDate").toString(), QStringLiteral("2016:06:05 00:00:00"));
        QCOMPARE(tags.value("ImageWidth").toInt(), 64);
        QCOMPARE(tags.value("ImageHeight").toInt(), 48);
        // The height addend counts in the project export.
        QVERIFY(qAbs(exiftool(target + "/tall" + ext).value("GPSAltitude").toDouble() - 100.0) < 1e-3);
    }

    void exportErrorsAreReported()
    {
        THData empty;
        THThread none(&empty);
        none.exportOnlyImages(m_dir.filePath("x"), 0, false);
        QVERIFY(runJob(none));
        QVERIFY(!none.success);
        QVERIFY(!none.errorString.isEmpty());

        THData one;
        one.appendImage("a.ara", true, 0, 1, 0);
        THThread noFolder(&one);
        noFolder.exportOnlyImages(QString(), 0, false);
        QVERIFY(runJob(noFolder));
        QVERIFY(!noFolder.success);

        const QString file = m_dir.filePath("plainfile");
        AraGen::writeFile(file, "x");
        THThread blocked(&one);
        blocked.exportOnlyImages(file + "/sub", 0, false);
        QVERIFY(runJob(blocked));
        QVERIFY(!blocked.success);
    }

    void progressDialogWaitsForTheJob()
    {
        THThreadDiag dialog;
        QCOMPARE(dialog.text(), QStringLiteral("Initializing..."));
        dialog.show();
        dialog.copyFile(2, 5);
        QCOMPARE(dialog.text(), QStringLiteral("Copying file 2 of 5.."));
        QCOMPARE(dialog.progressBar()->maximum(), 5);
        dialog.cleanUp();
        QCOMPARE(dialog.text(), QStringLiteral("Cleanup..."));
        QCOMPARE(dialog.progressBar()->maximum(), 0);
        dialog.close();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(dialog.isVisible());
        QSignalSpy cancel(&dialog, &THThreadDiag::cancelClicked);
        for (QPushButton *b : dialog.findChildren<QPushButton *>())
            b->click();
        QCOMPARE(cancel.size(), 1);
        dialog.threadfinished();
        QVERIFY(!dialog.isVisible());
    }

private:
    QTemporaryDir m_dir;
};

KORVEL_TEST_MAIN(TestTHThread)
#include "test_ththread.moc"
