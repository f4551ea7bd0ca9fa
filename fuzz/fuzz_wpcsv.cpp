// Waypoint CSV files through the widget-free reader; built once per file
// kind, WPCSV_READER names the reader.
#include <QBuffer>

#include "fuzzkit.h"
#include "maps/mapdata.h"
#include "maps/waypointimport.h"

KORVEL_FUZZ_INIT

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray in = FuzzKit::bytes(data, size);
    QBuffer device(&in);
    device.open(QIODevice::ReadOnly);
    static MapData *map = [] {
        auto *m = new MapData;
        m->loadMapImage(FuzzKit::map());
        return m;
    }();
    WaypointImport reader(map, Waypoint());
    reader.WPCSV_READER(&device);
    return 0;
}
