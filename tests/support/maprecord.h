#pragma once
// Map description records for tests to and from the twelve numbers in the
// order of the record text: corner longitude/latitude pairs (top-left, top-right,
// bottom-left, bottom-right), centre longitude/latitude, width and height in
// metres. Missing numbers are zeros.
#include <QList>
#include <QString>

#include "core/mapdescription.h"

namespace KorvelTest {

inline MapDescription mapRecord(const QString &name, const QString &source,
                                const QList<double> &numbers)
{
    auto n = [&numbers](int i) { return numbers.value(i, 0.0); };
    auto point = [&n](int i) { return GeoPoint::lonLat(n(i), n(i + 1)); };
    return MapDescription(name, source, {point(0), point(2), point(4), point(6)}, point(8), n(10),
                          n(11));
}

// The twelve numbers of a record in that order; none for an empty record.
inline QList<double> mapNumbers(const MapDescription &record)
{
    if (record.isEmpty())
        return {};
    QList<double> numbers;
    for (int c = MapDescription::TopLeft; c <= MapDescription::BottomRight; ++c) {
        const GeoPoint corner = record.corner(MapDescription::Corner(c));
        numbers << corner.lon() << corner.lat();
    }
    return numbers << record.centre().lon() << record.centre().lat() << record.width()
                   << record.height();
}

}  // namespace KorvelTest
