// SteerwiseV1 waypoint CSV files through the WPImport reader.
#include <QBuffer>

#include "fuzzkit.h"
#include "maps/wpdata.h"
#include "maps/wpimport.h"

KORVEL_FUZZ_INIT

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray in = FuzzKit::bytes(data, size);
    QBuffer device(&in);
    device.open(QIODevice::ReadOnly);
    WPData plan;
    plan.loadMapImage(FuzzKit::map());
    WPImport reader(&plan);
    reader.importSteerwiseV1(&device);
    for (int i = 0; i < reader.rows.size(); ++i) {
        reader.maxSpeedOf(i);
        reader.velocityOf(i);
        reader.headingFollowsOf(i);
    }
    return 0;
}
