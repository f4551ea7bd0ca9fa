// ARV recordings through the converter's frame reader, checked and read, and
// each frame read into the FFF record set and its JPEG segments as the
// converter does.
#include <QBuffer>

#include <vector>

#include "fuzzkit.h"
#include "radiconv/araframereader.h"
#include "radifmt/flirwriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray in = FuzzKit::bytes(data, size);
    FLIRWriter writer;
    std::vector<uint8_t> app1;
    for (bool skipping : {true, false}) {
        QBuffer device(&in);
        device.open(QIODevice::ReadOnly);
        AraFrameReader reader(&device);
        for (int i = 0; i < 64; ++i) {
            const auto r = skipping ? reader.skip() : reader.nextBytes();
            if (r != AraFrameReader::Frame)
                break;
            if (!skipping && writer.read(reader.header(), reader.sensorData(), reader.sensorSize())) {
                writer.createCompleteFLIRData();
                app1.resize(writer.app1DataSize());
                if (!app1.empty())
                    writer.copyAPP1Data(app1.data());
            }
        }
    }
    return 0;
}
