#pragma once
// Readers of the waypoint files a plan can import: Steerwise (versions 1 and
// 2) and Zephrin CSV files and Vardeck project archives. No widgets: they
// fill rows of waypoints and counts, and the caller decides what to show.
#include <QString>
#include <QVector>

#include "maps/waypoint.h"

class MapData;
class QIODevice;

class WaypointImport {
public:
    enum Kind {
        NoFile,          // nothing read yet
        CannotRead,
        UnsupportedType,
        ShortHeader,     // fewer than 7 ';'-separated columns
        UnknownHeader,
        InvalidProject,
        SteerwiseV1,
        SteerwiseV2,
        Zephrin,
        VardeckProject,
    };

    // Bytes project.json may inflate to; a real project stays far below
    // (some hundred bytes per waypoint), an archive beyond it is refused.
    static constexpr qint64 maxProjectJsonSize = 64 * 1024 * 1024;

    // Rows keep the waypoints that lie on map (none without a map).
    // defaults gives what a file kind does not carry: the maximum speed of
    // the velocity kinds and the velocity of the Steerwise kinds.
    WaypointImport(const MapData *map, const Waypoint &defaults);

    // One waypoint per accepted row, in plan units. The heading-follows bit
    // of properties is set only by the Zephrin and Vardeck kinds.
    QVector<Waypoint> rows;
    int totalCount = 0;
    int invalidCount = 0;
    int inMapCount = 0;
    // A Steerwise version 2 height below 0 or above 200 m: likely absolute.
    bool absoluteHeight = false;
    // Why a project archive was refused (for the log).
    QString error;

    void clear();
    void setDefaults(const Waypoint &defaults) { m_defaults = defaults; }

    // Reads a file by its suffix and header line; the rows start empty.
    Kind readFile(const QString &path);

    // Readers; the device is positioned after the header line.
    void readSteerwiseV1(QIODevice *file);
    void readSteerwiseV2(QIODevice *file);
    void readZephrin(QIODevice *file);
    bool readVardeckProject(const QString &path);

private:
    QStringList nextFields(QIODevice *file);
    bool onMap(double lon, double lat) const;
    Waypoint row(Waypoint::Type type, double lon, double lat) const;

    const MapData *m_map;
    Waypoint m_defaults;
};
