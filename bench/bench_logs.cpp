// Aircraft logs: read a one-hour 10 Hz log (36,000 path points) and export
// it to GPX and KML.

#include "database/flightbook/fbgpxexportdiag.h"
#include "database/flightbook/fbkmlexportdiag.h"
#include "harleklog/harlekdemo.h"
#include "database/flightbook/logexport.h"

#include <QCoreApplication>
#include <QTemporaryDir>

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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
