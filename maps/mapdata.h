#pragma once
// A geo-referenced map image: the stored map's picture, its four corners on
// the earth and the affine transforms between image pixels and degrees.
#include <QColor>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QPolygonF>
#include <QSize>
#include <QString>

class MapData : public QObject {
    Q_OBJECT
    Q_PROPERTY(QImage map READ map)
    Q_PROPERTY(double northAngle READ northAngle)

public:
    // Corner indices, the order of the description record.
    enum Corner { TopLeft = 0, TopRight = 1, BottomLeft = 2, BottomRight = 3 };

    explicit MapData(QObject *parent = nullptr);
    ~MapData() override;

    // Loads a stored map and its description record. False when the image
    // cannot be read, has no record, the record has fewer than 14 fields or
    // its corners give no usable transform; the model then keeps its
    // previous map (only mapPath changes).
    bool loadMapImage(const QString &path);

    // Pixels are counted from the image's top-left corner.
    QPointF geoToPixel(double lon, double lat) const;
    QPointF pixelToGeo(double x, double y) const;
    // Inside the corner polygon top-left, top-right, bottom-right, bottom-left.
    bool containsGeo(double lon, double lat) const;

    QColor backgroundColor() const;
    QSize imageSize() const { return m_image.size(); }
    QImage map() const { return m_image; }
    QString mapPath() const { return m_mapPath; }
    double pixelsPerMeter() const { return m_pixelsPerMeter; }
    double northAngle() const { return m_northAngle; }

    // Geographic corners (x = lon, y = lat) by Corner index, and the corner
    // polygon in the order top-left, top-right, bottom-right, bottom-left.
    QPointF geoCorner(int corner) const;
    QPolygonF geoPolygon() const;
    QPointF geoCentre() const { return QPointF(m_centreLon, m_centreLat); }

    // Recomputes both transforms and the scale from the corners.
    void computeTransforms();

signals:
    void mapLoaded();

protected:
    struct Transforms {
        double g[6] = {0, 0, 0, 0, 0, 0};  // geo -> pixel: a b c d e f
        double p[6] = {0, 0, 0, 0, 0, 0};  // pixel -> geo: a' b' c' d' e' f'
        double pixelsPerMeter = 0;
        bool valid = false;  // every coefficient finite, determinant non-zero
    };
    Transforms solve() const;

    QString m_mapPath;
    QImage m_image;
    double m_cornerLon[4] = {0, 0, 0, 0};
    double m_cornerLat[4] = {0, 0, 0, 0};
    double m_centreLon = 0;
    double m_centreLat = 0;
    double m_pixelCornerX[4] = {0, 0, 0, 0};
    double m_pixelCornerY[4] = {0, 0, 0, 0};
    double m_borderRed = 0;
    double m_borderGreen = 0;
    double m_borderBlue = 0;
    double m_geoToPixel[6] = {0, 0, 0, 0, 0, 0};
    double m_pixelToGeo[6] = {0, 0, 0, 0, 0, 0};
    double m_pixelsPerMeter = 0;
    double m_northAngle = 0;
};
