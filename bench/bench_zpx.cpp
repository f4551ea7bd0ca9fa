// Exchange archive: export and import throughput against zip -r and unzip
// on the same data; the import of many small entries against unzip of the
// same archive followed by one sync of its file system (the import keeps
// every item whole or absent after a power cut, and should cost no more);
// and the peak memory of one process per entry size (50 MB and 500 MB
// entries should need the same).
//
//   bench_zpx [work-folder] [--small]   (needs about 3 GB free; default: the temp
//                                        folder; --small: the small entries only)

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <algorithm>
#include <cstdio>

#include "database/zpx/zpxexportthread.h"
#include "database/zpx/zpximportthread.h"

namespace {

constexpr qint64 MB = 1000 * 1000;

ZPX::Places placesIn(const QString &root)
{
    ZPX::Places p{root + "/maps", root + "/plans", root + "/logs", root + "/projects"};
    for (const QString &d : {p.maps, p.plans, p.logs, p.projects})
        QDir().mkpath(d);
    return p;
}

// Incompressible bytes, written in blocks so the writer stays small.
void writeRandom(const QString &path, qint64 bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        std::abort();
    QByteArray block(1 << 20, Qt::Uninitialized);
    auto *words = reinterpret_cast<quint32 *>(block.data());
    while (bytes > 0) {
        QRandomGenerator::global()->fillRange(words, block.size() / 4);
        const qint64 n = qMin<qint64>(bytes, block.size());
        f.write(block.constData(), n);
        bytes -= n;
    }
}

double seconds(const std::function<void()> &fn)
{
    QElapsedTimer t;
    t.start();
    fn();
    return t.nsecsElapsed() / 1e9;
}

bool exportProject(const ZPX::Places &places, const QString &project, const QString &archive)
{
    ZPXExportThread t(places);
    t.setData({}, {}, {}, {project});
    t.setFilename(archive);
    t.startExporting();
    t.wait();
    return t.result() == 1;
}

int importArchive(const ZPX::Places &places, const QString &archive)
{
    ZPXImportThread t(places);
    t.setFilename(archive);
    t.startImporting();
    t.wait();
    return t.importResult().size();
}

void run(const QString &program, const QStringList &args, const QString &cwd, int allowedCode = 0)
{
    QProcess p;
    p.setWorkingDirectory(cwd);
    p.start(program, args);
    if (!p.waitForFinished(-1) || (p.exitCode() != 0 && p.exitCode() != allowedCode)) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        std::exit(1);
    }
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One child process per measurement, so each peak belongs to one run.
long childPeak(const QStringList &args)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), QStringList("--peak") + args);
    p.waitForFinished(-1);
    return QString::fromLatin1(p.readAllStandardOutput()).trimmed().toLong();
}

void compare(const QString &name, const QString &root, const std::function<void(const QString &)> &fill)
{
    const ZPX::Places from = placesIn(root + "/from");
    fill(from.projects + "/P");
    qint64 bytes = 0;
    for (const QFileInfo &fi : QDir(from.projects + "/P").entryInfoList(QDir::Files))
        bytes += fi.size();
    const QString archive = root + "/out.zpx";
    const QString zipFile = root + "/out.zip";
    const double tExport = seconds([&] {
        if (!exportProject(from, "P", archive))
            std::abort();
    });
    const double tZip = seconds([&] { run("zip", {"-r", "-q", zipFile, "P"}, from.projects); });
    const double tImport = seconds([&] { importArchive(placesIn(root + "/to"), archive); });
    const double tUnzip = seconds([&] { run("unzip", {"-q", zipFile, "-d", root + "/unzipped"}, root); });
    const double mb = double(bytes) / MB;
    std::printf("%-28s %8.0f MB  export %7.1f MB/s (zip -r %7.1f MB/s, ratio %.2f)  "
                "import %7.1f MB/s (unzip %7.1f MB/s, ratio %.2f)\n",
                qPrintable(name), mb, mb / tExport, mb / tZip, tZip / tExport, mb / tImport,
                mb / tUnzip, tUnzip / tImport);
    std::fflush(stdout);
    for (const char *d : {"from", "to", "unzipped"})
        QDir(root + "/" + d).removeRecursively();
    QFile::remove(archive);
    QFile::remove(zipFile);
}

// Everything written so far on the file system of folder reaches the disk,
// so no timed run pays for what came before it.
void settle(const QString &folder)
{
    run("sync", {"-f", folder}, folder);
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

// An archive of many small entries, imported into an empty workspace, and
// the same archive unpacked by unzip (the head in front of the ZIP is only
// a warning to it) followed by one sync of the file system; each three
// times, alternating, with the medians.
void manySmall(const QString &name, const QString &root, int count, int size, bool plans)
{
    const ZPX::Places from = placesIn(root + "/from");
    QDir().mkpath(from.projects + "/P");
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QString n = QString("f%1").arg(i, 5, 10, QChar('0'));
        if (plans)
            writeRandom(from.plans + "/" + n + ".zfp", size);
        else
            writeRandom(from.projects + "/P/" + n + ".jpg", size);
        names << n;
    }
    if (!plans)
        writeRandom(from.projects + "/P/P.zpt", size);
    const QString archive = root + "/small.zpx";
    {
        ZPXExportThread t(from);
        t.setData({}, plans ? names : QStringList(), {}, plans ? QStringList() : QStringList("P"));
        t.setFilename(archive);
        t.startExporting();
        t.wait();
        if (t.result() != 1)
            std::abort();
    }
    QList<double> tImport, tUnzip;
    for (int round = 0; round < 3; ++round) {
        QDir(root + "/to").removeRecursively();
        QDir(root + "/unzipped").removeRecursively();
        const ZPX::Places to = placesIn(root + "/to");
        settle(root);
        tImport << seconds([&] {
            if (importArchive(to, archive) != (plans ? count + 1 : 2))
                std::abort();
        });
        settle(root);
        tUnzip << seconds([&] {
            run("unzip", {"-q", archive, "-d", root + "/unzipped"}, root, 1);
            settle(root + "/unzipped");
        });
    }
    const double a = median(tImport), b = median(tUnzip);
    std::printf("%-34s import %6.2f s, unzip + sync %6.2f s, ratio %.2f\n", qPrintable(name), a, b, a / b);
    std::fflush(stdout);
    for (const char *d : {"from", "to", "unzipped"})
        QDir(root + "/" + d).removeRecursively();
    QFile::remove(archive);
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.value(1) == "--import") {
        // --import <root> <archive>: one import and its time, for profiling
        const double t = seconds([&] { importArchive(placesIn(args.value(2)), args.value(3)); });
        std::printf("%.3f s\n", t);
        return 0;
    }
    if (args.value(1) == "--peak") {
        // --peak export <root> <archive> | --peak import <root> <archive>
        const QString root = args.value(3), archive = args.value(4);
        if (args.value(2) == "export")
            exportProject(placesIn(root), "P", archive);
        else
            importArchive(placesIn(root), archive);
        std::printf("%ld\n", peakKiB());
        return 0;
    }

    const bool smallOnly = args.removeAll("--small") > 0;
    QTemporaryDir tmp(args.size() > 1 ? args.at(1) + "/zpxbench-XXXXXX" : QString());
    if (!tmp.isValid())
        return 1;
    const QString root = tmp.path();
    if (smallOnly) {
        std::printf("Many small entries, medians of three\n");
        manySmall("20,000 photos of 2 KB, one project", root, 20000, 2000, false);
        manySmall("5,000 flight plans of 2 KB", root, 5000, 2000, true);
        return 0;
    }
    std::printf("Exchange archive, deflate at the default level on both sides\n");
    compare("one incompressible file", root, [](const QString &folder) {
        QDir().mkpath(folder);
        writeRandom(folder + "/big.bin", 500 * MB);
    });
    compare("5,000 files of 100 KB", root, [](const QString &folder) {
        QDir().mkpath(folder);
        for (int i = 0; i < 5000; ++i)
            writeRandom(folder + QString("/f%1.bin").arg(i, 4, 10, QChar('0')), 100 * 1000);
    });

    std::printf("\nMany small entries, medians of three\n");
    manySmall("20,000 photos of 2 KB, one project", root, 20000, 2000, false);
    manySmall("5,000 flight plans of 2 KB", root, 5000, 2000, true);

    std::printf("\nPeak RSS, one process per run\n");
    for (int size : {50, 500}) {
        const ZPX::Places from = placesIn(root + "/peak-from");
        QDir().mkpath(from.projects + "/P");
        writeRandom(from.projects + "/P/entry.bin", size * MB);
        const QString archive = root + "/peak.zpx";
        const long exportKiB = childPeak({"export", root + "/peak-from", archive});
        const long importKiB = childPeak({"import", root + "/peak-to", archive});
        std::printf("%4d MB entry: export %6.1f MiB, import %6.1f MiB\n", size,
                    exportKiB / 1024.0, importKiB / 1024.0);
        std::fflush(stdout);
        QDir(root + "/peak-from").removeRecursively();
        QDir(root + "/peak-to").removeRecursively();
        QFile::remove(archive);
    }
    return 0;
}
