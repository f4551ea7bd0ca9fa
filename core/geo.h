#pragma once
// Points on the earth in degrees and the distances and bearings between them.
// Two ways of measuring live here: the great circle on the 6371 km sphere,
// and the quick flat-earth figure (111.3 km per degree) the maps and their
// index have always used; stored sizes depend on the latter's exact numbers.

class GeoPoint {
public:
    // Named so latitude and longitude cannot swap places unnoticed.
    static GeoPoint latLon(double lat, double lon) { return GeoPoint(lat, lon); }
    static GeoPoint lonLat(double lon, double lat) { return GeoPoint(lat, lon); }

    double lat() const { return m_lat; }
    double lon() const { return m_lon; }

    bool operator==(const GeoPoint &o) const { return m_lat == o.m_lat && m_lon == o.m_lon; }
    bool operator!=(const GeoPoint &o) const { return !(*this == o); }

private:
    GeoPoint(double lat, double lon) : m_lat(lat), m_lon(lon) {}
    double m_lat;
    double m_lon;
};

namespace GeoMath {

constexpr double kEarthRadius = 6371000.0;       // m
constexpr double kFlatMetresPerDegree = 111300.0;
// The program's degree-to-radian factor for the flat-earth figures; not
// pi / 180, and kept so stored map sizes stay the same.
constexpr double kFlatRadiansPerDegree = 0.01745;

// Great-circle distance in metres (haversine).
double haversineMetres(GeoPoint a, GeoPoint b);

// Metres east and north from "from" to "to" on the flat earth, the degree of
// longitude shortened by the cosine of the mean latitude.
struct FlatOffset {
    double east;
    double north;
};
FlatOffset flatOffsetMetres(GeoPoint from, GeoPoint to);
// Length of that offset.
double flatMetres(GeoPoint a, GeoPoint b);

// Initial great-circle bearing from "from" to "to" in degrees, clockwise from
// north, in [0, 360); 0 for the same point.
double bearingDegrees(GeoPoint from, GeoPoint to);

}  // namespace GeoMath
