#pragma once
// Camera record: the geometry and timing of the camera the aircraft carries,
// plus the two files cameras are kept in (the built-in table and the user
// camera store).
#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QPointF>
#include <QSize>
#include <QSizeF>
#include <QString>

class QIODevice;

struct Camera {
    QString name;
    QSizeF sensorSize;    // mm
    QSize imageSize;      // pixels
    double focalLength = 0.0;  // mm, for the actual sensor
    int delay = 0;        // ms from trigger to photo (manual focus)
    int processTime = 0;  // ms, shortest time between two photos

    // Horizontal (x) and vertical (y) angle of view in degrees.
    QPointF fieldOfView() const;
    // 43.3 mm (full-frame diagonal) over the sensor diagonal.
    double cropFactor() const;
    void toJson(QJsonObject &json) const;
    QJsonObject toJson() const;
};

// Cameras are identified by name alone.
bool operator==(const Camera &a, const Camera &b);
inline bool operator!=(const Camera &a, const Camera &b) { return !(a == b); }

Q_DECLARE_METATYPE(Camera)

namespace CameraStore {

// Version text at the head of the user camera store.
inline constexpr const char *version = "V1.0";

// Reads the semicolon-separated built-in table (heading line first, CR LF
// line ends). Lines without exactly 8 fields are skipped.
QList<Camera> readTable(QIODevice &device);
QList<Camera> readTable(const QString &path);

// Appends the cameras of the store file to *cameras. Returns false (and
// appends nothing) when the file is missing, too short or of another
// version; a truncated file keeps the entries read before its end.
bool read(const QString &path, QList<Camera> *cameras);
// Writes the whole list atomically. On failure *error says why.
bool write(const QString &path, const QList<Camera> &cameras, QString *error = nullptr);

}  // namespace CameraStore
