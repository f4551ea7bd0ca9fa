#include "core/mapindex.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>

#include "core/geo.h"

void MapIndex::rebuild(const QString &folder)
{
    QList<MapDescription> fresh;
    const QDir dir(folder);
    const QFileInfoList files = dir.entryInfoList(
        {"*.JPG", "*.jpg"}, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Unsorted);
    for (const QFileInfo &fi : files) {
        const QString text = MapDescription::readText(fi.absoluteFilePath());
        if (text.isEmpty())
            continue;
        MapDescription record = MapDescription::parse(text, false);
        if (!record.isComplete())
            continue;
        record.setName(fi.completeBaseName());  // "a.b.jpg" is the map "a.b"
        fresh << record;
    }
    QWriteLocker lock(&m_lock);
    m_entries.swap(fresh);
}

void MapIndex::clear()
{
    QWriteLocker lock(&m_lock);
    m_entries.clear();
}

int MapIndex::count() const
{
    QReadLocker lock(&m_lock);
    return m_entries.size();
}

MapDescription MapIndex::entry(int i) const
{
    QReadLocker lock(&m_lock);
    if (i < 0 || i >= m_entries.size())
        return {};
    return m_entries.at(i);
}

QList<MapDescription> MapIndex::entries() const
{
    QReadLocker lock(&m_lock);
    return m_entries;
}

bool MapIndex::holds(const MapDescription &record, double lon, double lat, double *dxOut,
                     double *dyOut)
{
    const GeoMath::FlatOffset d =
        GeoMath::flatOffsetMetres(record.centre(), GeoPoint::lonLat(lon, lat));
    const double dx = std::fabs(d.east);
    const double dy = std::fabs(d.north);
    if (dxOut)
        *dxOut = dx;
    if (dyOut)
        *dyOut = dy;
    return dx < record.width() * 0.5 && dy < record.height() * 0.5;
}

QStringList MapIndex::mapsContaining(double lon, double lat) const
{
    QStringList names;
    const QList<MapDescription> all = entries();
    for (const MapDescription &e : all) {
        if (holds(e, lon, lat))
            names << e.name();
    }
    return names;
}

QString MapIndex::placeNameAt(double lon, double lat) const
{
    const QList<MapDescription> all = entries();
    int best = -1;
    double bestD = 0, bestW = 0;
    for (int i = 0; i < all.size(); ++i) {
        double dx = 0, dy = 0;
        if (!holds(all[i], lon, lat, &dx, &dy))
            continue;
        const double d = std::sqrt(dx * dx + dy * dy);
        const double w = all[i].width();
        if (best < 0 || (bestW == w ? bestD > d : bestW > w)) {
            best = i;
            bestD = d;
            bestW = w;
        }
    }
    return best < 0 ? QString() : all[best].name();
}
