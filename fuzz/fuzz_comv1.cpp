// Bytes from a V1 aircraft through the ComV1 frame parser.
#include "fuzzkit.h"
#include "link/comv1.h"

KORVEL_FUZZ_INIT

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ComV1 parser;
    for (size_t i = 0; i < size; ++i)
        parser.processByte(data[i]);
    return 0;
}
