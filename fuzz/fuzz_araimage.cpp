// ARA frames through AraImage, and the conversion of a read frame into the
// FFF record set and its JPEG segments (FLIRWriter).
#include "fuzzkit.h"
#include "radifmt/araimage.h"
#include "radifmt/flirwriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    AraImage image;
    if (image.read(data, int(size)) == 0)
        return 0;
    FLIRWriter writer;
    if (writer.read(&image)) {
        writer.createCompleteFLIRData();
        writer.getFLIRFileData();
        writer.getAPP1Data();
        writer.minValue();
        writer.maxValue();
    }
    return 0;
}
