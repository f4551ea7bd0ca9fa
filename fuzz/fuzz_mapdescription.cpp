// Map description records: the record text split into fields and numbers,
// and the record as a stored map's image text loaded by MapData.
#include <QImage>

#include "core/mapdescription.h"
#include "fuzzkit.h"
#include "maps/mapdata.h"

KORVEL_FUZZ_INIT

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString record = QString::fromUtf8(FuzzKit::bytes(data, size));
    const QStringList fields = MapDescription::split(record);
    for (int i = -1; i <= fields.size(); ++i)
        MapDescription::number(fields, i);

    static QImage image = [] {
        QImage i(8, 8, QImage::Format_RGB32);
        i.fill(Qt::gray);
        return i;
    }();
    const QString path = FuzzKit::folder() + "/map.png";
    if (MapDescription::writeImage(path, image, record)) {
        MapDescription::readText(path);
        MapData map;
        if (map.loadMapImage(path)) {
            map.geoToPixel(11.0, 48.0);
            map.pixelToGeo(4, 4);
            map.containsGeo(11.0, 48.0);
        }
    }
    return 0;
}
