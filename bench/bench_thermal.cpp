// Per-frame cost of the thermal formats: decoding one 640 x 512
// line-compressed ARA frame, and building the FFF record set with its APP1
// segments for one frame.
#include <benchmark/benchmark.h>

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

static void BM_FlirRecordSetAndApp1(benchmark::State &state)
{
    const QByteArray file = AraGen::araFile(AraGen::FrameParams(), AraGen::scene(640, 512, 1));
    const AraImage image =
        AraImage::fromData(reinterpret_cast<const uint8_t *>(file.constData()), file.size());
    for (auto _ : state) {
        FLIRWriter writer;
        writer.read(&image);
        writer.createCompleteFLIRData();
        std::vector<uint8_t> app1 = writer.getAPP1Data();
        benchmark::DoNotOptimize(app1.data());
    }
}
BENCHMARK(BM_FlirRecordSetAndApp1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
