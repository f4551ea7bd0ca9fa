#include "maps/mapdata.h"

#include <QDebug>
#include <QImageReader>
#include <QStringList>
#include <cmath>

#include "core/geo.h"
#include "core/mapdescription.h"

MapData::MapData(QObject *parent) : QObject(parent) {}

MapData::~MapData() = default;

QPointF MapData::geoToPixel(double lon, double lat) const
{
    const double *t = m_geoToPixel;
    return QPointF(t[0] * lon + t[1] * lat + t[2], t[3] * lon + t[4] * lat + t[5]);
}

QPointF MapData::pixelToGeo(double x, double y) const
{
    const double *t = m_pixelToGeo;
    return QPointF(t[0] * x + t[1] * y + t[2], t[3] * x + t[4] * y + t[5]);
}

QPointF MapData::geoCorner(int corner) const
{
    if (corner < 0 || corner > 3)
        return QPointF();
    return QPointF(m_cornerLon[corner], m_cornerLat[corner]);
}

QPolygonF MapData::geoPolygon() const
{
    return QPolygonF({geoCorner(TopLeft), geoCorner(TopRight), geoCorner(BottomRight),
                      geoCorner(BottomLeft)});
}

bool MapData::containsGeo(double lon, double lat) const
{
    return geoPolygon().containsPoint(QPointF(lon, lat), Qt::OddEvenFill);
}

QColor MapData::backgroundColor() const
{
    return QColor(int(m_borderRed * 255), int(m_borderGreen * 255), int(m_borderBlue * 255), 255);
}

MapData::Transforms MapData::solve() const
{
    Transforms t;
    const double *lon = m_cornerLon, *lat = m_cornerLat;
    const double *x = m_pixelCornerX, *y = m_pixelCornerY;
    // Top-left (0), top-right (1) and bottom-right (3) define the transform.
    const double D = (lat[0] - lat[1]) * (lon[3] - lon[0]) / (lat[0] - lat[3]) + (lon[0] - lon[1]);
    double a = ((x[0] - x[1]) - (x[0] - x[3]) * (lat[0] - lat[1]) / (lat[0] - lat[3])) / D;
    double b = (a * (lon[3] - lon[0]) + (x[0] - x[3])) / (lat[0] - lat[3]);
    double c = x[3] - a * lon[3] - b * lat[3];
    double d = ((y[0] - y[1]) - (y[0] - y[3]) * (lat[0] - lat[1]) / (lat[0] - lat[3])) / D;
    double e = (d * (lon[3] - lon[0]) + (y[0] - y[3])) / (lat[0] - lat[3]);
    double f = y[3] - d * lon[3] - e * lat[3];
    qDebug() << "A1: " << a << b << c;
    qDebug() << "A2: " << d << e << f;
    c -= x[0];
    f -= y[0];

    auto ratio = [&](double px, double py, double gLon, double gLat) {
        const double pixels = std::hypot(px - x[0], py - y[0]);
        return pixels / GeoMath::flatMetres(GeoPoint::latLon(lat[0], lon[0]), GeoPoint::latLon(gLat, gLon));
    };
    t.pixelsPerMeter = (ratio(x[1], y[1], lon[1], lat[1]) + ratio(x[3], y[3], lon[3], lat[3]) +
                        ratio(0, 0, m_centreLon, m_centreLat) + ratio(x[2], y[2], lon[2], lat[2])) *
                       0.25;
    qDebug() << "Pix per Meter final:" << t.pixelsPerMeter;

    const double det = a * e - b * d;
    const double g[6] = {a, b, c, d, e, f};
    const double p[6] = {e / det, -b / det, (b * f - c * e) / det,
                         -d / det, a / det, (c * d - a * f) / det};
    t.valid = det != 0.0 && std::isfinite(det);
    for (int i = 0; i < 6; ++i) {
        t.g[i] = g[i];
        t.p[i] = p[i];
        t.valid = t.valid && std::isfinite(g[i]) && std::isfinite(p[i]);
    }
    return t;
}

void MapData::computeTransforms()
{
    const Transforms t = solve();
    std::copy(t.g, t.g + 6, m_geoToPixel);
    std::copy(t.p, t.p + 6, m_pixelToGeo);
    m_pixelsPerMeter = t.pixelsPerMeter;
}

bool MapData::loadMapImage(const QString &path)
{
    m_mapPath = path;
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull())
        return false;
    const QString text = image.text(QLatin1String(MapDescription::TextKey));
    if (text.isEmpty())
        return false;
    const MapDescription record = MapDescription::parse(text);
    qDebug() << "Split header: " << record.fields();
    if (record.fieldCount() < MapDescription::FieldCount) {
        qWarning() << "[MapData] map description of" << path << "has only" << record.fieldCount()
                   << "fields";
        return false;
    }

    // Work on a copy so a map that cannot be used leaves the model untouched.
    MapData next;
    next.m_image = image;
    for (int i = 0; i < 4; ++i) {
        const GeoPoint corner = record.corner(MapDescription::Corner(i));
        next.m_cornerLon[i] = corner.lon();
        next.m_cornerLat[i] = corner.lat();
    }
    next.m_centreLon = record.centre().lon();
    next.m_centreLat = record.centre().lat();
    const int w = image.width(), h = image.height();
    const int hw = w / 2, hh = h / 2;
    const double px[4] = {double(-hw), double(hw), double(-hw), double(hw)};
    const double py[4] = {double(-hh), double(-hh), double(hh), double(hh)};
    std::copy(px, px + 4, next.m_pixelCornerX);
    std::copy(py, py + 4, next.m_pixelCornerY);

    const Transforms t = next.solve();
    if (!t.valid) {
        qWarning() << "[MapData] the corners of" << path << "give no usable transform";
        return false;
    }

    // Mean border colour; corner pixels count twice.
    double r = 0, g = 0, b = 0;
    auto add = [&](int x, int y) {
        const QRgb c = image.pixel(x, y);
        r += qRed(c) * (1.0 / 256);
        g += qGreen(c) * (1.0 / 256);
        b += qBlue(c) * (1.0 / 256);
    };
    for (int x = 0; x < w; ++x) {
        add(x, 0);
        add(x, h - 1);
    }
    for (int y = 0; y < h; ++y) {
        add(0, y);
        add(w - 1, y);
    }
    const double n = 2.0 * (w + h);

    m_image = image;
    std::copy(next.m_cornerLon, next.m_cornerLon + 4, m_cornerLon);
    std::copy(next.m_cornerLat, next.m_cornerLat + 4, m_cornerLat);
    m_centreLon = next.m_centreLon;
    m_centreLat = next.m_centreLat;
    std::copy(px, px + 4, m_pixelCornerX);
    std::copy(py, py + 4, m_pixelCornerY);
    m_borderRed = r / n;
    m_borderGreen = g / n;
    m_borderBlue = b / n;
    std::copy(t.g, t.g + 6, m_geoToPixel);
    std::copy(t.p, t.p + 6, m_pixelToGeo);
    m_pixelsPerMeter = t.pixelsPerMeter;

    const QPointF p0 = geoToPixel(0, 0);
    const QPointF p1 = geoToPixel(0, 80);
    const double pi = 3.141592653589793;
    m_northAngle = (std::atan2(p1.y() - p0.y(), p1.x() - p0.x()) + pi / 2) * 180 / pi;

    emit mapLoaded();
    return true;
}
