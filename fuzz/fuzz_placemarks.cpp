// The placemarks file through Placemarks::load.
#include <QStandardItemModel>

#include "core/placemarks.h"
#include "fuzzkit.h"

KORVEL_FUZZ_INIT

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStandardItemModel model;
    Placemarks::load(&model, FuzzKit::writeFile("placemarks.txt", data, size));
    return 0;
}
