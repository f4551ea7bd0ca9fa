#pragma once
// The placemarks file: groups, points, polygons and polygon points, one line
// each ("name|kind|lon|lat|parent path"), in tree pre-order.
#include <QString>

class QStandardItemModel;

namespace Placemarks {

enum Kind { Group = 0, Point = 1, Polygon = 2, PolygonPoint = 3 };
enum Role { KindRole = 0x0100, LonRole, LatRole, PathRole };  // from Qt::UserRole

// Replaces the model's content with the file's. A missing file leaves the
// model empty; malformed lines are skipped. Returns false when the file could
// not be opened.
bool load(QStandardItemModel *model, const QString &path);

// Writes the whole model atomically and stores each item's parent path in
// it. "|" in a text becomes "¦" and line breaks become blanks, so no
// name can break the line structure.
bool save(QStandardItemModel *model, const QString &path, QString *error = nullptr);

}  // namespace Placemarks
