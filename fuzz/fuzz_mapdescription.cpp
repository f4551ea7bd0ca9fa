// Map description records: the record text read into fields and numbers
// (and written back unchanged), and the record as a stored map's image text
// loaded by MapData.
#include <QImage>
#include <cstdlib>

#include "core/mapdescription.h"
#include "fuzzkit.h"
#include "maps/mapdata.h"

KORVEL_FUZZ_INIT

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString record = QString::fromUtf8(FuzzKit::bytes(data, size));
    const MapDescription read = MapDescription::parse(record);
    for (int f = MapDescription::Name; f <= MapDescription::Height; ++f) {
        read.fieldText(MapDescription::Field(f));
        read.number(MapDescription::Field(f));
    }
    for (int c = MapDescription::TopLeft; c <= MapDescription::BottomRight; ++c)
        read.corner(MapDescription::Corner(c));
    // A record read and written again is the same text.
    MapDescription renamed = MapDescription::parse(record, false);
    if (renamed.text() != record)
        abort();
    if (renamed.isComplete()) {
        renamed.setName(QStringLiteral("x"));
        if (renamed.text().section('|', 1) != record.section('|', 1))
            abort();
    }

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
