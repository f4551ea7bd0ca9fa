// Radiometric JPEG files through FLIRReader.
#include "fuzzkit.h"
#include "radifmt/flirreader.h"

KORVEL_FUZZ_INIT

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = FuzzKit::writeFile("image.jpg", data, size);
    FLIRReader reader;
    const int rc = reader.openFile(path.toLocal8Bit().constData());
    FLIRReader::getError(rc);
    return 0;
}
