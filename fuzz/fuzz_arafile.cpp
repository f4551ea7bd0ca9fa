// ARA frames as the main program reads them (AraFile with its line
// decoder) and ARV recordings walked frame by frame.
#include "fuzzkit.h"
#include "thermal/aradecoder.h"
#include "thermal/arafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray in = FuzzKit::bytes(data, size);
    AraFile file;
    if (file.setData(in.left(512), in.mid(512))) {
        file.count(file.width() / 2, file.height() / 2);
        file.errorString();
    }
    AraFile::frameOffsets(in);

    // The decoder alone, with the width taken from the first two bytes.
    if (size >= 2) {
        const int width = 1 + ((data[0] | data[1] << 8) & 0x3ff);
        AraDecoder decoder;
        decoder.decompressLines(in.mid(2), width, 0);
    }
    return 0;
}
