// Radiconv conversion speed and memory: 200 generated ARA frames and one
// 500-frame ARV recording, on one pool thread and on all cores, against the
// I/O floor: a plain copy of the same files (read once, written once
// through a save file, synced and renamed) on as many threads; the one-thread
// time over the copy on all threads is the most any speed-up can reach on
// this disk ("at most"). Each run is a child process of its own, so its
// peak memory (VmHWM) is its own.
//
// The same runs into a folder in memory (default /dev/shm) show what the
// conversion itself scales to once no device has to take the files.
//
//   bench_radiconv [folder] [memory folder]   runs everything, prints a table
//   (internal) bench_radiconv --run|--copy <threads> <target> <files...>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QtConcurrent>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cstdio>

#include "radiconv/araconverter.h"
#include "support/aragen.h"

namespace {

void quiet(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        std::fprintf(stderr, "%s\n", qPrintable(msg));
}

qint64 peakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Child: converts the files and prints "<seconds> <failures> <peak KiB>".
int runChild(int argc, char **argv)
{
    QCoreApplication app(argc, argv);  // the engine needs no GUI
    qInstallMessageHandler(quiet);
    const int threads = QString::fromLocal8Bit(argv[2]).toInt();
    QThreadPool::globalInstance()->setMaxThreadCount(threads);
    AraConverter converter;
    converter.setTargetLocation(QString::fromLocal8Bit(argv[3]));
    QStringList files;
    for (int i = 4; i < argc; ++i)
        files << QString::fromLocal8Bit(argv[i]);
    converter.addFiles(files);
    QElapsedTimer clock;
    clock.start();
    int failures = 0;
    if (QByteArray(argv[1]) == "--copy") {
        const QString target = QString::fromLocal8Bit(argv[3]);
        QDir().mkpath(target);
        QAtomicInt failed = 0;
        QtConcurrent::blockingMap(files, [&](const QString &path) {
            QFile in(path);
            QSaveFile out(target + "/" + QFileInfo(path).fileName());
            if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
                failed.ref();
                return;
            }
            QByteArray block(1 << 20, Qt::Uninitialized);
            qint64 got;
            while ((got = in.read(block.data(), block.size())) > 0)
                out.write(block.constData(), got);
            if (got != 0 || !out.commit())
                failed.ref();
        });
        failures = failed.loadAcquire();
    } else {
        converter.run();
        failures = converter.failures().size();
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("%.4f %d %lld\n", seconds, failures, peakKiB());
    return 0;
}

struct Result {
    double seconds = 0;
    int failures = -1;
    qint64 peak = -1;
};

Result runConversion(int threads, const QString &target, const QStringList &files, bool copy = false)
{
    QDir(target).removeRecursively();
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QCoreApplication::applicationFilePath(),
            QStringList{copy ? "--copy" : "--run", QString::number(threads), target} + files);
    p.waitForFinished(-1);
    const QStringList parts = QString::fromLocal8Bit(p.readAllStandardOutput()).simplified().split(' ');
    Result r;
    if (parts.size() == 3) {
        r.seconds = parts[0].toDouble();
        r.failures = parts[1].toInt();
        r.peak = parts[2].toLongLong();
    }
    return r;
}

// An ARV of n frames, written frame by frame.
QString writeRecording(const QString &path, int frames)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    QVector<QVector<quint16>> scenes;
    for (int s = 0; s < 4; ++s)
        scenes << AraGen::scene(640, 512, s);
    for (int i = 0; i < frames; ++i) {
        AraGen::FrameParams params;
        params.gpsTimeOfWeek += quint32(i) * 100;
        f.write(AraGen::araFile(params, scenes[i % scenes.size()]));
    }
    return path;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc >= 4 && (QByteArray(argv[1]) == "--run" || QByteArray(argv[1]) == "--copy"))
        return runChild(argc, argv);

    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : tmp.path();
    const QString in = root + "/in";
    QDir().mkpath(in + "/frames");

    QTextStream out(stdout);
    out << "Generating 200 ARA frames and ARV recordings of 100 and 500 frames in " << root << "\n";
    out.flush();
    QStringList ara;
    QVector<QByteArray> frames;
    for (int s = 0; s < 8; ++s)
        frames << AraGen::araFile(AraGen::FrameParams(), AraGen::scene(640, 512, s));
    for (int i = 0; i < 200; ++i) {
        const QString path = QStringLiteral("%1/frames/IMG_%2.ARA").arg(in).arg(i, 4, 10, QLatin1Char('0'));
        AraGen::writeFile(path, frames[i % frames.size()]);
        ara << path;
    }
    const QString arv100 = writeRecording(in + "/short.arv", 100);
    const QString arv500 = writeRecording(in + "/long.arv", 500);

    QString memory;
    if (argc > 2)
        memory = QString::fromLocal8Bit(argv[2]);
    else if (QFileInfo(QStringLiteral("/dev/shm")).isWritable())
        memory = QStringLiteral("/dev/shm/bench_radiconv-%1").arg(QCoreApplication::applicationPid());

    const int cores = QThread::idealThreadCount();
    struct Case {
        QString name;
        QStringList files;
        int frames;
    };
    const QList<Case> cases = {{"200 ARA -> JPEG", ara, 200},
                               {"ARV 100 frames -> SEQ", {arv100}, 100},
                               {"ARV 500 frames -> SEQ", {arv500}, 500}};
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9\n")
               .arg("case", -24).arg("threads", 8).arg("seconds", 9).arg("frames/s", 10).arg("peak MiB", 9)
               .arg("failed", 6).arg("copy s", 8).arg("mem s", 8).arg("mem copy", 8);
    const auto median = [](QVector<double> v) {
        std::sort(v.begin(), v.end());
        return v.isEmpty() ? 0.0 : v[v.size() / 2];
    };
    for (const Case &c : cases) {
        double single = 0, singleInMemory = 0;
        for (int threads : {1, cores}) {
            // Conversion and copy alternate, three times; medians.
            QVector<double> conv, copy, memConv, memCopy;
            Result r;
            for (int round = 0; round < 3; ++round) {
                r = runConversion(threads, root + "/out", c.files);
                conv << r.seconds;
                copy << runConversion(threads, root + "/out", c.files, true).seconds;
                if (!memory.isEmpty()) {
                    memConv << runConversion(threads, memory, c.files).seconds;
                    memCopy << runConversion(threads, memory, c.files, true).seconds;
                }
            }
            QDir(memory).removeRecursively();
            r.seconds = median(conv);
            const double floor = median(copy);
            const double inMemory = median(memConv);
            if (threads == 1) {
                single = r.seconds;
                singleInMemory = inMemory;
            }
            out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9")
                       .arg(c.name, -24)
                       .arg(threads, 8)
                       .arg(r.seconds, 9, 'f', 3)
                       .arg(r.seconds > 0 ? c.frames / r.seconds : 0.0, 10, 'f', 1)
                       .arg(r.peak / 1024.0, 9, 'f', 1)
                       .arg(r.failures, 6)
                       .arg(floor, 8, 'f', 3)
                       .arg(inMemory, 8, 'f', 3)
                       .arg(median(memCopy), 8, 'f', 3);
            out << QStringLiteral("   %1x the copy").arg(floor > 0 ? r.seconds / floor : 0.0, 0, 'f', 2);
            if (threads != 1 && r.seconds > 0)
                out << QStringLiteral(", speed-up %1x").arg(single / r.seconds, 0, 'f', 2);
            if (threads != 1 && inMemory > 0)
                out << QStringLiteral(" (in memory %1x)").arg(singleInMemory / inMemory, 0, 'f', 2);
            // No conversion on these threads can beat copying its files there,
            // so this is the most any speed-up can reach on this disk.
            if (threads != 1 && floor > 0)
                out << QStringLiteral(", at most %1x").arg(single / floor, 0, 'f', 2);
            out << "\n";
            out.flush();
        }
    }
    QDir(root + "/out").removeRecursively();
    return 0;
}
