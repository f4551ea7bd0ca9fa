// Vardeck project archives (.znp) through the widget-free waypoint reader.
#include <QBuffer>

#include "fuzzkit.h"
#include "maps/mapdata.h"
#include "maps/waypointimport.h"

KORVEL_FUZZ_INIT

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = FuzzKit::writeFile("project.znp", data, size);
    static MapData *map = [] {
        auto *m = new MapData;
        m->loadMapImage(FuzzKit::map());
        return m;
    }();
    WaypointImport reader(map, Waypoint());
    reader.readVardeckProject(path);
    return 0;
}
