// The geo-referencing sidecar (<image>.ini) beside a map image.
#include "fuzzkit.h"
#include "maps/acquisition/gmmain.h"

KORVEL_FUZZ_INIT

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzKit::writeFile("scan.ini", data, size);
    double lon1, lat1, lon2, lat2;
    GMMain::readSidecar(FuzzKit::folder() + "/scan.jpg", &lon1, &lat1, &lon2, &lat2);
    return 0;
}
