// Flight-plan files (.zfp) through WPData::readFile, on a loaded map.
#include "fuzzkit.h"
#include "maps/wpdata.h"

KORVEL_FUZZ_INIT

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    WPData plan;
    plan.loadMapImage(FuzzKit::map());
    plan.setFilePath(FuzzKit::writeFile("plan.zfp", data, size));
    if (plan.readFile() == WPData::ReadOk) {
        for (int n = 1; n <= plan.count(); ++n)
            plan.record(n);
    }
    return 0;
}
