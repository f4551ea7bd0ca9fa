// Per-frame cost of thermal rendering on a 640 x 512 frame: colouring, the
// min/max search, the histogram, the view and the export scene, and a
// 100-image export loop. The formats themselves are in bench_thermal.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <omp.h>

#include "core/data.h"
#include "thermal/thermalrenderer.h"
#include "thermal/view/thexportscene.h"
#include "thermal/view/thhistogramm.h"
#include "thermal/view/thview.h"
#include "support/aragen.h"

namespace {

QTemporaryDir *workDir = nullptr;

const QVector<quint16> &frameCounts()
{
    static const QVector<quint16> counts = AraGen::scene(640, 512, 1);
    return counts;
}

QString framePath(int seed)
{
    const QString path = workDir->filePath(QStringLiteral("frame%1.ara").arg(seed));
    if (!QFile::exists(path))
        AraGen::writeFile(path, AraGen::araFile(AraGen::FrameParams(), AraGen::scene(640, 512, seed),
                                                AraGen::LineCompressed));
    return path;
}

}  // namespace

// Arguments: palette, threads (0 = all cores).
static void BM_Colorize(benchmark::State &state)
{
    const QVector<quint16> &counts = frameCounts();
    const QPoint mm = ThermalRenderer::minMax(counts);
    for (auto _ : state) {
        QImage image = ThermalRenderer::colorize(counts, 640, 512, int(state.range(0)), mm.x(), mm.y(),
                                                 int(state.range(1)));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Colorize)->ArgNames({"palette", "threads"})
    ->Args({0, 1})->Args({0, 0})->Args({1, 1})->Args({1, 0})->Unit(benchmark::kMillisecond);

static void BM_MinMax(benchmark::State &state)
{
    const QVector<quint16> &counts = frameCounts();
    for (auto _ : state)
        benchmark::DoNotOptimize(ThermalRenderer::minMax(counts));
}
BENCHMARK(BM_MinMax)->Unit(benchmark::kMillisecond);

static void BM_HistogramFill(benchmark::State &state)
{
    const QPoint mm = ThermalRenderer::minMax(frameCounts());
    THHistogramm histogram;
    const QByteArray raw = ThermalRenderer::toBytes(frameCounts());
    for (auto _ : state)
        histogram.setData(raw, mm.x(), mm.y());
}
BENCHMARK(BM_HistogramFill)->Unit(benchmark::kMillisecond);

static void BM_HistogramPaint(benchmark::State &state)
{
    const QPoint mm = ThermalRenderer::minMax(frameCounts());
    THHistogramm histogram;
    histogram.setMeasurementType(2);
    histogram.resize(300, 250);
    histogram.setData(ThermalRenderer::toBytes(frameCounts()), mm.x(), mm.y());
    QImage target(histogram.size(), QImage::Format_RGB32);
    for (auto _ : state)
        histogram.render(&target);
}
BENCHMARK(BM_HistogramPaint)->Unit(benchmark::kMillisecond);

static void BM_ViewSetImageData(benchmark::State &state)
{
    const QByteArray file = AraGen::araFile(AraGen::FrameParams(), frameCounts(), AraGen::LineCompressed);
    const QByteArray header = file.left(512);
    const QByteArray data = file.mid(512);
    THView view;
    for (auto _ : state)
        view.setImageData(header, data, 7000, 7600);
}
BENCHMARK(BM_ViewSetImageData)->Unit(benchmark::kMillisecond);

static void BM_ExportSceneRender(benchmark::State &state)
{
    const QString path = framePath(1);
    THDataPointList points;
    for (int i = 0; i < 10; ++i)
        points.append(QPointF(30 + 60 * i, 40 + 45 * i), i + 1, 0, i % 8);
    const QList<QRectF> rects{QRectF(50, 50, 100, 80), QRectF(300, 200, 120, 90), QRectF(500, 400, 100, 60)};
    for (auto _ : state) {
        THExportScene scene(0);
        scene.loadFile(path, 7000, 7600);
        scene.setPoints(points);
        scene.setRectangles(rects);
        QImage image = scene.getSceneImageWithItems();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_ExportSceneRender)->Unit(benchmark::kMillisecond);

// 100 generated images through the export scene with one common scale,
// each encoded as JPEG at quality 100 in memory, on one thread.
static void exportHundred()
{
    QStringList paths;
    for (int i = 0; i < 100; ++i)
        paths << framePath(100 + i);
    QElapsedTimer timer;
    timer.start();
    qint64 bytes = 0;
    for (const QString &path : qAsConst(paths)) {
        THExportScene scene(0);
        scene.loadFile(path, 7000, 7600);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        scene.getSceneImageWithItems().save(&buffer, "JPG", 100);
        bytes += jpeg.size();
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("export of 100 images (render + JPEG 100 in memory, one thread): %.1f ms total, "
                "%.2f ms per image, %.1f kB per image\n",
                ms, ms / 100, bytes / 100.0 / 1024);
}

int main(int argc, char **argv)
{
    // A private home, so the benchmark never touches the user's settings.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Brisolan Technologies");
    QApplication::setApplicationName("Korvel Tarvendel");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &msg) {
        if (type >= QtWarningMsg)
            fprintf(stderr, "%s\n", qPrintable(msg));
    });
    QTemporaryDir work;
    workDir = &work;
    Data::instance();
    std::printf("cores for the pixel loop: %d\n", omp_get_max_threads());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    exportHundred();
    return 0;
}
