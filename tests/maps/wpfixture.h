#pragma once
// A stored north-up map for flight-plan tests: 1000 x 800 pixels over
// 0.01 degree of longitude and latitude, top-left corner at 11.0 E, 48.01 N.
#include <QDir>
#include <QImage>
#include <QPointF>
#include <QString>

#include "core/mapdescription.h"
#include "support/maprecord.h"

namespace WPFixture {

constexpr double west = 11.0, east = 11.01, north = 48.01, south = 48.0;

inline QString writeMap(const QString &folder)
{
    QImage image(1000, 800, QImage::Format_RGB32);
    image.fill(QColor(90, 140, 90));
    const QList<double> values = {west, north, east, north, west, south, east, south,
                                  (west + east) / 2, (north + south) / 2, 744.0, 1113.0};
    const QString path = QDir(folder).filePath("fixture-map.jpg");
    MapDescription::writeImage(path, image, KorvelTest::mapRecord("Field", "test", values));
    return path;
}

// Map pixel (x, y) of the fixture map in degrees.
inline QPointF geoOf(double x, double y)
{
    return QPointF(west + x * 1e-5, north - y * 1.25e-5);
}

}  // namespace WPFixture
