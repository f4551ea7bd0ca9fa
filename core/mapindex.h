#pragma once
// In-memory index of the stored maps: the description record of each map
// JPEG whose record has exactly 14 "|" fields, named by the file name
// without its suffix. The GUI thread rebuilds it; worker threads may query
// it at the same time.
#include <QList>
#include <QReadWriteLock>
#include <QString>
#include <QStringList>

#include "core/mapdescription.h"

class MapIndex {
public:
    // Re-reads every *.jpg / *.JPG of folder. The new list replaces the old
    // one at once, so readers see either the old or the new index.
    void rebuild(const QString &folder);
    void clear();

    int count() const;
    MapDescription entry(int i) const;  // empty when i is out of range
    QList<MapDescription> entries() const;

    // Names of the maps whose extent holds the point, in index order.
    QStringList mapsContaining(double lon, double lat) const;
    // The narrowest map holding the point (equal widths: nearest centre;
    // full ties: the earlier one). Empty when no map holds it.
    QString placeNameAt(double lon, double lat) const;

    // Extent test of one record: the map as an axis-aligned rectangle of
    // width x height metres around its centre. dx, dy receive the distances
    // in metres of the point from the centre.
    static bool holds(const MapDescription &record, double lon, double lat, double *dx = nullptr,
                      double *dy = nullptr);

private:
    mutable QReadWriteLock m_lock;
    QList<MapDescription> m_entries;
};
