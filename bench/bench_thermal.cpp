// Per-frame cost of the thermal formats: decoding one 640 x 512
// line-compressed ARA frame, and building the FFF record set with its APP1
// segments for one frame.
//
//   bench_thermal [benchmark options]   the benchmarks
//   bench_thermal --decoder [runs]      line decoding of one frame against a
//       plain bit-by-bit decoder, alternating runs, medians and their ratio
//   bench_thermal --allocator [runs]    the record set in fresh processes,
//       with the default allocator against one told to keep big blocks
//       (what the per-frame buffers cost the allocator), alternating runs
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "thermal/aradecoder.h"
#include "support/aragen.h"
#include "radifmt/araimage.h"
#include "radifmt/flirwriter.h"

static void BM_DecodeLineCompressedFrame(benchmark::State &state)
{
    const QByteArray data = AraGen::compressLines(AraGen::scene(640, 512, 1), 640, 512);
    AraDecoder decoder;
    for (auto _ : state) {
        QByteArray lines = decoder.decompressLines(data, 640, 512);
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * data.size());
}
BENCHMARK(BM_DecodeLineCompressedFrame)->Unit(benchmark::kMillisecond);

namespace {

// The reference: the line blocks read one bit at a time, as the format reads
// on paper. Sync nibble and length, first sample, then per pixel a 4-bit
// size n and n bits (magnitude offset, sign last); fill to the byte, two
// trailer bytes.
QByteArray decodeBitByBit(const QByteArray &compressed, int width)
{
    const uchar *data = reinterpret_cast<const uchar *>(compressed.constData());
    const qint64 size = compressed.size();
    auto bit = [data](qint64 pos) { return (data[pos >> 3] >> (7 - (pos & 7))) & 1; };
    auto bits = [&bit](qint64 &pos, int count) {
        quint32 v = 0;
        for (int i = 0; i < count; ++i)
            v = (v << 1) | quint32(bit(pos++));
        return v;
    };
    QByteArray out;
    std::vector<quint16> line(width);
    qint64 at = 0;
    while (at + 4 <= size) {
        if ((data[at] >> 4) == 0)
            return QByteArray();
        line[0] = quint16((data[at + 2] << 8) | data[at + 3]);
        qint64 pos = (at + 4) * 8;
        for (int x = 1; x < width; ++x) {
            if (pos + 4 > size * 8)
                return out;
            const int n = int(bits(pos, 4));
            if (n == 15 || pos + n > size * 8)
                return QByteArray();
            int d = 0;
            if (n > 0) {
                const quint32 v = bits(pos, n);
                const int magnitude = int((1u << (n - 1)) + (v >> 1));
                d = (v & 1u) ? -magnitude : magnitude;
            }
            line[x] = quint16(line[x - 1] + d);
        }
        at = std::max((pos + 7) / 8, at + 5) + 2;
        if (at > size)
            break;
        for (quint16 v : line) {
            out.append(char(v & 0xFF));
            out.append(char(v >> 8));
        }
    }
    return out;
}

}  // namespace

static void BM_DecodeLineCompressedFrame_BitByBit(benchmark::State &state)
{
    const QByteArray data = AraGen::compressLines(AraGen::scene(640, 512, 1), 640, 512);
    for (auto _ : state) {
        QByteArray lines = decodeBitByBit(data, 640);
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * data.size());
}
BENCHMARK(BM_DecodeLineCompressedFrame_BitByBit)->Unit(benchmark::kMillisecond);

static AraImage benchFrame()
{
    const QByteArray file = AraGen::araFile(AraGen::FrameParams(), AraGen::scene(640, 512, 1));
    return AraImage::fromData(reinterpret_cast<const uint8_t *>(file.constData()), file.size());
}

// As the converter works: one writer per thread, frame after frame.
static void BM_FlirRecordSetAndApp1(benchmark::State &state)
{
    const AraImage image = benchFrame();
    FLIRWriter writer;
    std::vector<uint8_t> app1;
    for (auto _ : state) {
        writer.read(&image);
        writer.createCompleteFLIRData();
        writer.getAPP1Data(app1);
        benchmark::DoNotOptimize(app1.data());
    }
}
BENCHMARK(BM_FlirRecordSetAndApp1)->Unit(benchmark::kMillisecond);

// A writer and a segment copy per frame.
static void BM_FlirRecordSetAndApp1_FreshWriter(benchmark::State &state)
{
    const AraImage image = benchFrame();
    for (auto _ : state) {
        FLIRWriter writer;
        writer.read(&image);
        writer.createCompleteFLIRData();
        std::vector<uint8_t> app1 = writer.getAPP1Data();
        benchmark::DoNotOptimize(app1.data());
    }
}
BENCHMARK(BM_FlirRecordSetAndApp1_FreshWriter)->Unit(benchmark::kMillisecond);

namespace {

// Milliseconds per iteration of one benchmark in a fresh child process.
double childRun(const QString &filter, bool keepBigBlocks)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (keepBigBlocks)
        env.insert("KORVEL_BENCH_KEEP_BIG_BLOCKS", "1");
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(),
            {"--benchmark_filter=^" + filter + "$", "--benchmark_format=csv"});
    p.waitForFinished(-1);
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> f = line.split(',');
        if (f.size() > 3 && f[0].contains(filter.toLatin1()))
            return f[2].toDouble();  // real_time, in the benchmark's unit (ms)
    }
    return -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

int compareAllocators(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    std::printf("record set + APP1, one 640x512 frame, fresh process, median of %d\n", runs);
    std::printf("%-40s %12s %12s %8s\n", "", "default", "keep blocks", "ratio");
    for (const QString name : {"BM_FlirRecordSetAndApp1", "BM_FlirRecordSetAndApp1_FreshWriter"}) {
        std::vector<double> plain, kept;
        for (int i = 0; i < runs; ++i) {
            plain.push_back(childRun(name, false));
            kept.push_back(childRun(name, true));
        }
        const double a = median(plain), b = median(kept);
        std::printf("%-40s %9.3f ms %9.3f ms %7.2fx\n", qPrintable(name), a, b, b > 0 ? a / b : 0.0);
    }
    return 0;
}

int compareDecoders(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
    const QByteArray data = AraGen::compressLines(AraGen::scene(640, 512, 1), 640, 512);
    AraDecoder decoder;
    const QByteArray expected = decoder.decompressLines(data, 640, 512);
    if (expected.size() != 640 * 512 * 2 || decodeBitByBit(data, 640) != expected) {
        std::printf("the decoders disagree\n");
        return 1;
    }
    // Each sample is 20 frames, so one sample is well above the timer's grain.
    const int frames = 20;
    std::vector<double> ours, plain;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        for (int f = 0; f < frames; ++f)
            benchmark::DoNotOptimize(decoder.decompressLines(data, 640, 512).data());
        ours.push_back(t.nsecsElapsed() / 1e6 / frames);
        t.restart();
        for (int f = 0; f < frames; ++f)
            benchmark::DoNotOptimize(decodeBitByBit(data, 640).data());
        plain.push_back(t.nsecsElapsed() / 1e6 / frames);
    }
    const double a = median(ours), b = median(plain);
    std::printf("line decoding, one 640x512 frame (%d bytes), median of %d alternating runs\n", int(data.size()), runs);
    std::printf("AraDecoder::decompressLines   %8.3f ms\n", a);
    std::printf("plain bit-by-bit decoder      %8.3f ms\n", b);
    std::printf("ratio plain / ours            %8.2fx\n", b / a);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::string(argv[1]) == "--allocator")
        return compareAllocators(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "--decoder")
        return compareDecoders(argc, argv);
#ifdef __GLIBC__
    // The reference: big blocks stay in the heap instead of being mapped
    // and unmapped per frame.
    if (std::getenv("KORVEL_BENCH_KEEP_BIG_BLOCKS")) {
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
    }
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
