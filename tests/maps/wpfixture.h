#pragma once
// A stored north-up map for flight-plan tests: 1000 x 800 pixels over
// 0.01 degree of longitude and latitude, top-left corner at 11.0 E, 48.01 N.
#include <QDir>
#include <QImage>
#include <QPointF>
#include <QStandardItem>
#include <QString>

#include "core/mapdescription.h"
#include "core/placemarks.h"
#include "maps/waypoint.h"
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

// A waypoint from values as people type them, one field a call:
// WPFixture::Typed().at(geo).height(20).pitch(-90).pictures(1).
class Typed {
public:
    Typed &at(const QPointF &lonLat)
    {
        m_wp.longitude = lonLat.x();
        m_wp.latitude = lonLat.y();
        return *this;
    }
    Typed &height(double metres) { m_wp.setHeightMetres(metres); return *this; }
    Typed &yaw(double degrees) { m_wp.setYawDegrees(degrees); return *this; }
    Typed &trigger() { m_wp.triggerCamera = true; return *this; }
    Typed &pitch(double degrees) { m_wp.setPitchDegrees(degrees); return *this; }
    Typed &pictures(double n) { m_wp.setPictures(n); return *this; }
    Typed &posAcc(double metres) { m_wp.setPosAccMetres(metres); return *this; }
    Typed &wait(double seconds) { m_wp.setTimeSeconds(seconds); return *this; }
    Typed &maxSpeed(int percent) { m_wp.maxSpeed = quint8(percent); return *this; }
    Typed &type(int type) { m_wp.type = Waypoint::Type(type); return *this; }
    Typed &speed(float v) { m_wp.v3Speed = v; return *this; }
    Typed &acc(float a) { m_wp.desiredAcc = a; return *this; }
    Typed &roll(int hundredths) { m_wp.camAngleRoll = hundredths; return *this; }
    Typed &follows(bool on = true) { m_wp.setHeadingFollows(on); return *this; }
    operator Waypoint() const { return m_wp; }

private:
    Waypoint m_wp;
};

// A placemark item of the given kind (Placemarks::Kind) at lonLat.
inline QStandardItem *placemark(const QString &name, int kind, QPointF lonLat = QPointF())
{
    auto *it = new QStandardItem(name);
    it->setData(kind, Placemarks::KindRole);
    it->setData(lonLat.x(), Placemarks::LonRole);
    it->setData(lonLat.y(), Placemarks::LatRole);
    return it;
}

}  // namespace WPFixture
