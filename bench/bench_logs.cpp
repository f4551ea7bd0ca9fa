// Aircraft logs: read a one-hour 10 Hz log (36,000 path points) and export
// it to GPX and KML.
//
//   bench_logs [benchmark options]   the benchmarks
//   bench_logs --gpsbabel [runs]     "Export to GPX" of the whole path against
//       gpsbabel turning the same points (as CSV) into a GPX track,
//       alternating runs, medians and their ratio

#include "database/flightbook/fbgpxexportdiag.h"
#include "database/flightbook/fbkmlexportdiag.h"
#include "harleklog/harlekdemo.h"
#include "database/flightbook/logexport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

struct Fixture
{
    Fixture()
    {
        folder = dir.filePath("KH8_LONG");
        const auto content = harleklog::longFlight(1700000000000LL, harleklog::DemoSite{}, 3600, 10);
        if (!harleklog::writeLog(folder.toStdString(), content))
            std::abort();
    }
    QTemporaryDir dir;
    QString folder;
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_ReadLog(benchmark::State& state)
{
    const std::string folder = fixture().folder.toStdString();
    size_t points = 0;
    for (auto _ : state) {
        HarlekLog log(folder);
        points = log.flightPath(0).size();
        benchmark::DoNotOptimize(points);
    }
    state.counters["points"] = double(points);
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(points));
}
BENCHMARK(BM_ReadLog)->Unit(benchmark::kMillisecond);

void BM_GpxDocument(benchmark::State& state)
{
    HarlekLog log(fixture().folder.toStdString());
    LogExport::GPXExportRecord record;
    record.startTime = log.timeUTC();
    record.photoTags = log.photoTags();
    record.pathPoints = log.flightPath(0);
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = size_t(LogExport::gpxDocument(record).size());
        benchmark::DoNotOptimize(bytes);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_GpxDocument)->Unit(benchmark::kMillisecond);

// What "Export to GPX" does with the flight path ticked: read, thin, write.
void BM_ReadAndExportGpx(benchmark::State& state)
{
    const QString target = fixture().dir.filePath("long.gpx");
    for (auto _ : state) {
        HarlekLog log(fixture().folder.toStdString());
        LogExport::GPXExportRecord record;
        record.startTime = log.timeUTC();
        record.photoTags = log.photoTags();
        record.pathPoints = LogExport::thinPathPoints(log.flightPath(0), state.range(0));
        if (!FBGPXExportDiag::createGPXFile(record, target.toStdString()))
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_ReadAndExportGpx)->Arg(1)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_ReadAndExportKml(benchmark::State& state)
{
    const QString target = fixture().dir.filePath("long.kml");
    for (auto _ : state)
        if (!FBKMLExportDiag::createKMLFile(fixture().folder, target))
            state.SkipWithError("write failed");
}
BENCHMARK(BM_ReadAndExportKml)->Unit(benchmark::kMillisecond);

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

// The points as gpsbabel's universal CSV reads them.
bool writeCsv(const QString& path, const std::vector<PathPoint>& points)
{
    QByteArray csv = "lat,lon,alt,utc_d,utc_t\n";
    for (const PathPoint& p : points) {
        const QDateTime t = QDateTime::fromMSecsSinceEpoch(LogExport::toUnixMs(p.time), Qt::UTC);
        csv += QByteArray::number(p.latitude, 'f', 10) + ',' + QByteArray::number(p.longitude, 'f', 10) + ','
            + QByteArray::number(p.height, 'f', 3) + ',' + t.toString("yyyy/MM/dd,HH:mm:ss.zzz").toLatin1() + '\n';
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(csv) == csv.size();
}

// Seconds one gpsbabel run takes, or -1.
double gpsbabel(const QString& csv, const QString& gpx)
{
    QElapsedTimer timer;
    timer.start();
    QProcess p;
    p.start("gpsbabel", {"-i", "unicsv", "-f", csv, "-x", "transform,trk=wpt,del", "-o", "gpx", "-F", gpx});
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e9;
}

int compareWithGpsbabel(int runs)
{
    const QString folder = fixture().folder;
    const QString ours = fixture().dir.filePath("ours.gpx");
    const QString theirs = fixture().dir.filePath("gpsbabel.gpx");
    const QString csv = fixture().dir.filePath("points.csv");
    const QString oneCsv = fixture().dir.filePath("one.csv");
    const std::vector<PathPoint> points = HarlekLog(folder.toStdString()).flightPath(0);
    if (!writeCsv(csv, points) || !writeCsv(oneCsv, {points.front()})) {
        std::printf("cannot write the CSV input\n");
        return 1;
    }
    const QString oneGpx = fixture().dir.filePath("one.gpx");
    if (gpsbabel(oneCsv, oneGpx) < 0) {
        std::printf("gpsbabel is missing or failed\n");
        return 1;
    }
    std::vector<double> a, b, floor;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        HarlekLog log(folder.toStdString());
        LogExport::GPXExportRecord record;
        record.startTime = log.timeUTC();
        record.photoTags = log.photoTags();
        record.pathPoints = LogExport::thinPathPoints(log.flightPath(0), 1);
        if (!FBGPXExportDiag::createGPXFile(record, ours.toStdString()))
            return 1;
        a.push_back(timer.nsecsElapsed() / 1e9);
        b.push_back(gpsbabel(csv, theirs));
        floor.push_back(gpsbabel(oneCsv, oneGpx));
    }
    const double x = median(a), y = median(b), z = median(floor);
    std::printf("GPX export of %zu path points, median of %d alternating runs\n", points.size(), runs);
    std::printf("read log + Export to GPX      %8.1f ms (%lld bytes)\n", x * 1e3, QFile(ours).size());
    std::printf("gpsbabel CSV -> GPX track     %8.1f ms (%lld bytes)\n", y * 1e3, QFile(theirs).size());
    std::printf("gpsbabel on one point         %8.1f ms (its start-up)\n", z * 1e3);
    std::printf("ratio ours / gpsbabel         %8.2fx\n", x / y);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--gpsbabel") == 0)
        return compareWithGpsbabel(argc > 2 ? std::max(1, std::atoi(argv[2])) : 7);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
