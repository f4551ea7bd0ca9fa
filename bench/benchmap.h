#pragma once
// A stored map of 4000 x 3000 pixels, about 3 x 3.3 km, for benchmarks that
// need a plan on a map.
#include <QDir>
#include <QImage>
#include <QString>

#include "core/mapdescription.h"
#include "maps/waypoint.h"

// The bench map's description record under the given name.
inline MapDescription benchMapRecord(const QString &name)
{
    return MapDescription(name, "bench",
                          {GeoPoint::lonLat(11.0, 48.03), GeoPoint::lonLat(11.04, 48.03),
                           GeoPoint::lonLat(11.0, 48.0), GeoPoint::lonLat(11.04, 48.0)},
                          GeoPoint::lonLat(11.02, 48.015), 2976.0, 3339.0);
}

// Writes the bench map into folder and returns its path.
inline QString writeBenchMap(const QString &folder)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QString path = QDir(folder).filePath("bench-map.jpg");
    MapDescription::writeImage(path, image, benchMapRecord("Bench"));
    return path;
}

// A survey waypoint of the given type as the benchmarks' plans hold them:
// 50 m, looking straight down, one picture, 2.5 m accuracy, 6.5 m/s.
inline Waypoint benchWaypoint(int type)
{
    Waypoint wp;
    wp.setHeightMetres(50);
    wp.triggerCamera = true;
    wp.setPitchDegrees(-90);
    wp.noPictures = 1;
    wp.setPosAccMetres(2.5);
    wp.type = Waypoint::Type(type);
    wp.v3Speed = 6.5f;
    wp.desiredAcc = 2.0f;
    return wp;
}
