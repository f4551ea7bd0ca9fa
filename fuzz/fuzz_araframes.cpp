// ARV recordings through the converter's frame reader, checked and read.
#include <QBuffer>

#include "fuzzkit.h"
#include "radiconv/araframereader.h"
#include "radifmt/araimage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray in = FuzzKit::bytes(data, size);
    for (bool skipping : {true, false}) {
        QBuffer device(&in);
        device.open(QIODevice::ReadOnly);
        AraFrameReader reader(&device);
        AraImage image;
        for (int i = 0; i < 64; ++i) {
            const auto r = skipping ? reader.skip() : reader.next(image);
            if (r != AraFrameReader::Frame)
                break;
        }
    }
    return 0;
}
