#pragma once
// In-memory index of the stored maps: one 14-field record per map JPEG, with
// field 0 replaced by the file name up to its first dot. The GUI thread
// rebuilds it; worker threads may query it at the same time.
#include <QList>
#include <QReadWriteLock>
#include <QString>
#include <QStringList>

class MapIndex {
public:
    // Re-reads every *.jpg / *.JPG of folder. The new list replaces the old
    // one at once, so readers see either the old or the new index.
    void rebuild(const QString &folder);
    void clear();

    int count() const;
    QStringList entry(int i) const;  // empty when i is out of range
    QList<QStringList> entries() const;

    // Names of the maps whose extent holds the point, in index order.
    QStringList mapsContaining(double lon, double lat) const;
    // The narrowest map holding the point (equal widths: nearest centre;
    // full ties: the earlier one). Empty when no map holds it.
    QString placeNameAt(double lon, double lat) const;

    // Extent test of one record: the map as an axis-aligned rectangle of
    // field 12 x field 13 metres around its centre (fields 10/11). dx, dy
    // receive the distances in metres of the point from the centre.
    static bool holds(const QStringList &record, double lon, double lat, double *dx = nullptr,
                      double *dy = nullptr);

private:
    mutable QReadWriteLock m_lock;
    QList<QStringList> m_entries;
};
