// Flight plans at scale: writing and reading a plan of 100,000 waypoints,
// and building, laying out and drawing 10,000 waypoint items in a scene.
//
//   bench_wpdata [benchmark options]   the benchmarks
//   bench_wpdata --ratio               plan write against a synced write of
//                                      the same bytes, alternating, medians
#include <QApplication>
#include <QDir>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "benchapp.h"
#include "benchmap.h"
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/data.h"
#include "core/mapdescription.h"
#include "maps/wpdata.h"
#include "maps/items/wpwaypoint.h"

namespace {

QTemporaryDir *workDir = nullptr;
QString mapPath;

void makeMap() { mapPath = writeBenchMap(workDir->path()); }

std::unique_ptr<WPData> makePlan(int count)
{
    auto plan = std::make_unique<WPData>();
    plan->loadMapImage(mapPath);
    for (int i = 0; i < count; ++i) {
        const double x = 10 + (i % 400) * 9.9, y = 10 + (i / 400) % 300 * 9.9;
        const int type = i % 20 == 19 ? 11 : 1;
        Waypoint wp = benchWaypoint(type);
        wp.setYawDegrees(i % 360);
        wp.setTimeSeconds(1);
        plan->addWaypoint(new WPWaypoint(x, y, 1.0, i + 1, type), wp);
    }
    return plan;
}

void BM_WritePlan100k(benchmark::State &state)
{
    auto plan = makePlan(100000);
    plan->setFilePath(workDir->filePath("write.zfp"));
    for (auto _ : state)
        benchmark::DoNotOptimize(plan->writeFile());
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_WritePlan100k)->Unit(benchmark::kMillisecond);

// The reference: the same bytes written through a save file (synced and
// renamed), as one block.
void BM_SyncedWriteSameBytes100k(benchmark::State &state)
{
    auto plan = makePlan(100000);
    plan->setFilePath(workDir->filePath("reference.zfp"));
    plan->writeFile();
    QFile f(workDir->filePath("reference.zfp"));
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    for (auto _ : state) {
        QSaveFile out(workDir->filePath("plain.zfp"));
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
        benchmark::DoNotOptimize(out.commit());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_SyncedWriteSameBytes100k)->Unit(benchmark::kMillisecond);

// Plan write against the synced write of its bytes, alternating, medians.
void printWriteRatio()
{
    auto plan = makePlan(100000);
    plan->setFilePath(workDir->filePath("ratio.zfp"));
    plan->writeFile();
    QFile f(workDir->filePath("ratio.zfp"));
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    std::vector<double> planMs, plainMs;
    QElapsedTimer clock;
    for (int i = 0; i < 21; ++i) {
        clock.start();
        plan->writeFile();
        planMs.push_back(clock.nsecsElapsed() / 1e6);
        clock.start();
        QSaveFile out(workDir->filePath("plain.zfp"));
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
        out.commit();
        plainMs.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(planMs.begin(), planMs.end());
    std::sort(plainMs.begin(), plainMs.end());
    std::printf(".zfp write of 100,000 waypoints: %.2f ms, synced write of the same %d bytes: %.2f ms, "
                "ratio %.2fx (medians of 21)\n",
                planMs[10], bytes.size(), plainMs[10], planMs[10] / plainMs[10]);
}

void BM_ReadPlan100k(benchmark::State &state)
{
    {
        auto plan = makePlan(100000);
        plan->setFilePath(workDir->filePath("read.zfp"));
        plan->writeFile();
    }
    for (auto _ : state) {
        auto plan = std::make_unique<WPData>();
        state.PauseTiming();
        plan->loadMapImage(mapPath);
        plan->setFilePath(workDir->filePath("read.zfp"));
        state.ResumeTiming();
        if (plan->readFile() != WPData::ReadOk)
            state.SkipWithError("plan not read");
        state.PauseTiming();
        plan.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_ReadPlan100k)->Unit(benchmark::kMillisecond);

void BM_LayoutItems10k(benchmark::State &state)
{
    for (auto _ : state) {
        QGraphicsScene scene;
        for (int i = 0; i < 10000; ++i) {
            auto *item = new WPWaypoint(10 + (i % 100) * 30, 10 + (i / 100) * 30, 1.0, i + 1, 1);
            scene.addItem(item);
            item->setScale(0.5);  // zoomed out: every item re-placed
        }
        benchmark::DoNotOptimize(scene.itemsBoundingRect());
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_LayoutItems10k)->Unit(benchmark::kMillisecond);

// Argument: 1 numbers from the digit images, 0 drawn with strokes.
void BM_PaintItems10k(benchmark::State &state)
{
    Data::instance()->setFlightplanHighres(int(state.range(0)));
    QGraphicsScene scene;
    for (int i = 0; i < 10000; ++i)
        scene.addItem(new WPWaypoint(10 + (i % 100) * 30, 10 + (i / 100) * 30, 0.5, i + 1, 1));
    QImage image(1600, 1600, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        QPainter p(&image);
        scene.render(&p, QRectF(0, 0, 1600, 1600), QRectF(0, 0, 3020, 3020));
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_PaintItems10k)->ArgName("highres")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    BenchApp app(argc, argv);
    QTemporaryDir work;
    workDir = &work;
    Data::instance();
    makeMap();
    if (argc > 1 && QByteArray(argv[1]) == "--ratio") {
        printWriteRatio();
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
