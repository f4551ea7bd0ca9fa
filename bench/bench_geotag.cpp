// Geotagging copies of a whole survey: PTData::copyFiles on all cores
// against exiftool writing the same tags in one process, then exiftool
// reading our tags back and comparing them with the project.
//
//   bench_geotag [photos=1000] [work folder=$TMPDIR]
//
// Each file read once and written once, on all cores, gives the I/O floor.
//
// Needs about 3.5 MB per photo three times over (sources, ours, exiftool's).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtConcurrent>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#include <unistd.h>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "exif/exifhandler.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptprojectfile.h"
#include "support/testkit.h"

namespace {

QByteArray encodedPhoto()
{
    // Smooth shading with grain: a JPEG of a size like a camera's.
    QImage img(4000, 3000, QImage::Format_RGB32);
    QRandomGenerator rng(7);
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int g = int(rng.bounded(20));
            line[x] = qRgb((x / 16 + g) & 255, (y / 12 + g) & 255, ((x + y) / 28 + g) & 255);
        }
    }
    QByteArray bytes;
    QFile::remove(QDir::temp().filePath("bench_geotag_src.jpg"));
    img.save(QDir::temp().filePath("bench_geotag_src.jpg"), "JPEG", 85);
    QFile f(QDir::temp().filePath("bench_geotag_src.jpg"));
    f.open(QIODevice::ReadOnly);
    bytes = f.readAll();
    f.close();
    f.remove();
    return bytes;
}

double seconds(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e9; }

}  // namespace

int main(int argc, char **argv)
{
    KorvelTest::home();  // a private home: the workspace goes there
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    KorvelTest::setApplicationIdentity();
    const int count = argc > 1 ? QString(argv[1]).toInt() : 1000;
    const QString base = argc > 2 ? QString(argv[2]) : QDir::tempPath();
    QTemporaryDir work(base + "/bench_geotag-XXXXXX");
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    Data::instance()->setHarlekSDPath(work.path() + "/harlek");
    Data::instance()->initWorkspace();

    // The project: one encoded picture under many names, each with its own EXIF.
    const QByteArray jpeg = encodedPhoto();
    QVector<PTTag> tags;
    const QString folder = PTProjectFile::projectFolder("bench");
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        PTTag t;
        t.imageName = QStringLiteral("DSC%1.JPG").arg(i, 5, 10, QLatin1Char('0'));
        t.latitude = 47.0 + i * 0.00013;
        t.longitude = -(11.0 + i * 0.00017);
        t.relativeHeight = 80 + (i % 7);
        t.absoluteHeight = 612.5 + (i % 11);
        t.pitch = -88.5 + (i % 5);
        t.roll = -2.0 + (i % 9) * 0.5;
        t.yaw = (i * 37) % 360;
        t.time = QDateTime(QDate(2024, 6, 1), QTime(10, 0), Qt::UTC).addMSecs(i * 1700);
        tags << t;
        ExifHandler exif;
        exif.setMake("Vetrel");
        exif.setModel("VX-1");
        exif.setImageSize(QSize(4000, 3000));
        exif.setDateTimeOriginal(t.time);
        QByteArray photo = jpeg;
        exif.saveExif(photo);
        if (!AtomicFile::write(folder + "/" + t.imageName, photo))
            qFatal("the photos could not be made");
    }
    PTProjectFile::save(PTProjectFile::projectFilePath("bench"), PTImageJpeg, tags);
    PTData data;
    data.loadProject("bench");
    data.setAbsoluteHeight(true);

    // The I/O floor: each file read once and written once, on all cores.
    // Whichever side writes second pays for the first one's pages, so the
    // two alternate which goes first, over a few rounds; medians count.
    const QString plain = work.path() + "/plain";
    const QString ours = work.path() + "/ours";
    auto plainCopy = [&] {
        QtConcurrent::blockingMap(tags, [&](const PTTag &tag) {
            QFile in(folder + "/" + tag.imageName), out(plain + "/" + tag.imageName);
            if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
                return;
            for (QByteArray block = in.read(1 << 20); !block.isEmpty(); block = in.read(1 << 20))
                out.write(block);
        });
    };
    QStringList failed;
    auto timed = [](const QString &target, const std::function<void()> &work) {
        QDir(target).removeRecursively();
        QDir().mkpath(target);
        ::sync();  // no other side's writes pending
        QElapsedTimer t;
        t.start();
        work();
        return seconds(t);
    };
    std::vector<double> oursRuns, floorRuns;
    for (int round = 0; round < 3; ++round) {
        const auto runOurs = [&] {
            oursRuns.push_back(timed(ours, [&] { failed.clear(); data.copyFiles(ours, &failed); }));
        };
        const auto runFloor = [&] { floorRuns.push_back(timed(plain, plainCopy)); };
        if (round % 2) {
            runFloor();
            runOurs();
        } else {
            runOurs();
            runFloor();
        }
    }
    std::sort(oursRuns.begin(), oursRuns.end());
    std::sort(floorRuns.begin(), floorRuns.end());
    const double oursSec = oursRuns[1], floorSec = floorRuns[1];
    QDir(plain).removeRecursively();

    // Same bytes as the plain sequential way: tag a copy of the whole file.
    int same = 0, compared = 0;
    for (int i = 0; i < count; i += qMax(1, count / 25)) {
        const PTTag &tag = tags[i];
        QFile a(folder + "/" + tag.imageName);
        a.open(QIODevice::ReadOnly);
        QByteArray ref = a.readAll();
        ExifHandler exif;
        exif.loadExif(folder + "/" + tag.imageName);
        exif.setSoftware("Korvel Tarvendel by Brisolan Technologies GmbH");
        exif.setGPSLonLat(tag.longitude, tag.latitude);
        exif.setCameraPitch(tag.pitch);
        exif.setCameraRoll(tag.roll);
        exif.setGPSImgDirection(tag.yaw);
        exif.setGPSAltitude(tag.absoluteHeight);
        exif.setGPSMapDatum();
        exif.saveExif(ref);
        QFile b(ours + "/" + tag.imageName);
        b.open(QIODevice::ReadOnly);
        ++compared;
        same += ref == b.readAll() ? 1 : 0;
    }

    // The same tags by exiftool, one process for all files.
    const QString theirs = work.path() + "/exiftool";
    QDir().mkpath(theirs);
    QFile args(work.path() + "/args.txt");
    args.open(QIODevice::WriteOnly);
    QTextStream a(&args);
    for (const PTTag &tag : tags) {
        a << "-q\n-q\n-n\n-o\n" << theirs << "/\n"
          << "-Software=Korvel Tarvendel by Brisolan Technologies GmbH\n"
          << "-GPSLatitude=" << std::fabs(tag.latitude) << "\n-GPSLatitudeRef=" << (tag.latitude < 0 ? "S" : "N") << "\n"
          << "-GPSLongitude=" << std::fabs(tag.longitude) << "\n-GPSLongitudeRef=" << (tag.longitude < 0 ? "W" : "E") << "\n"
          << "-GPSAltitude=" << std::fabs(tag.absoluteHeight) << "\n-GPSAltitudeRef=" << (tag.absoluteHeight > 0 ? 0 : 1) << "\n"
          << "-GPSMapDatum=WGS-84\n-GPSImgDirectionRef=T\n-GPSImgDirection=" << tag.yaw << "\n"
          << folder << "/" << tag.imageName << "\n-execute\n";
    }
    a.flush();
    args.close();
    ::sync();
    QElapsedTimer t;
    t.start();
    QProcess::execute("exiftool", {"-q", "-q", "-@", args.fileName()});
    const double theirsSec = seconds(t);

    // exiftool reads our tags back.
    QProcess read;
    read.start("exiftool", {"-n", "-u", "-csv", "-GPSLatitude", "-GPSLatitudeRef", "-GPSLongitude",
                            "-GPSLongitudeRef", "-GPSAltitude", "-GPSAltitudeRef", "-GPSMapDatum",
                            "-GPSImgDirection", "-Software", "-GPS:GPS_0xd000", "-GPS:GPS_0xd001", ours});
    read.waitForFinished(-1);
    const QStringList lines = QString::fromUtf8(read.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    const QStringList head = lines.value(0).split(',');
    int checked = 0, mismatches = 0;
    for (int l = 1; l < lines.size(); ++l) {
        const QStringList v = lines[l].split(',');
        auto col = [&](const QString &name) { return v.value(head.indexOf(name)); };
        const int i = QFileInfo(col("SourceFile")).completeBaseName().mid(3).toInt();
        const PTTag &tag = tags[i];
        const bool ok = std::fabs(std::fabs(col("GPSLatitude").toDouble()) - std::fabs(tag.latitude)) < 1e-6
                        && col("GPSLatitudeRef") == (tag.latitude < 0 ? "S" : "N")
                        && std::fabs(std::fabs(col("GPSLongitude").toDouble()) - std::fabs(tag.longitude)) < 1e-6
                        && col("GPSLongitudeRef") == (tag.longitude < 0 ? "W" : "E")
                        && std::fabs(col("GPSAltitude").toDouble() - tag.absoluteHeight) < 1e-3
                        && col("GPSAltitudeRef") == "0" && col("GPSMapDatum") == "WGS-84"
                        && std::fabs(col("GPSImgDirection").toDouble() - tag.yaw) < 0.01
                        && col("Software") == "Korvel Tarvendel by Brisolan Technologies GmbH"
                        && std::fabs(col("GPS_0xd000").toDouble() - tag.pitch) < 0.01
                        && std::fabs(col("GPS_0xd001").toDouble() - tag.roll) < 0.01;
        ++checked;
        if (!ok) {
            ++mismatches;
            if (mismatches <= 3)
                std::printf("mismatch: %s\n", qPrintable(lines[l]));
        }
    }

    const QStorageInfo disk(work.path());
    std::printf("photos                 %d (%.1f MB each)\n", count, jpeg.size() / 1e6);
    std::printf("cores                  %d\n", QThread::idealThreadCount());
    std::printf("disk                   %s (%s)\n", disk.device().constData(), disk.fileSystemType().constData());
    std::printf("copyFiles (median)     %.2f s, %.1f files/s, %d failed\n", oursSec, count / oursSec, failed.size());
    std::printf("plain copy (median)    %.2f s, %.1f files/s\n", floorSec, count / floorSec);
    std::printf("exiftool (one process) %.2f s, %.1f files/s\n", theirsSec, count / theirsSec);
    std::printf("ratio                  %.2fx\n", theirsSec / oursSec);
    std::printf("ours / plain copy      %.2fx\n", oursSec / floorSec);
    std::printf("same as copy-then-tag  %d of %d sampled files\n", same, compared);
    std::printf("read back by exiftool  %d files, %d mismatches\n", checked, mismatches);
    return 0;
}
