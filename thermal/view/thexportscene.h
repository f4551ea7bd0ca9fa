#pragma once
// An off-screen scene that renders one project image with its pins and
// rectangles into image pixels. Made, used and destroyed on one worker
// thread; it colours exactly as the view does.
#include <QGraphicsScene>
#include <QImage>
#include <QList>
#include <QRectF>

#include "thermal/arafile.h"
#include "thermal/thdatapointlist.h"

class ThermalPoint;
class ThermalRectangle;

class THExportScene : public QGraphicsScene
{
    Q_OBJECT
public:
    explicit THExportScene(int palette, QObject *parent = nullptr);

    bool loadFile(const QString &path, int min, int max);
    void fillPixmap(const QVector<quint16> &counts, int min, int max);
    void setPoints(const THDataPointList &points);
    void setRectangles(const QList<QRectF> &rects);
    void clearPoints();
    void clearRectangles();
    QImage getSceneImageWithItems();

    QImage image() const { return m_image; }
    QByteArray header() const { return m_file.header().bytes(); }
    int palette() const { return m_palette; }
    const QList<ThermalPoint *> &points() const { return m_points; }
    const QList<ThermalRectangle *> &rectangles() const { return m_rectangles; }

private:
    class ImageItem;
    const int m_palette;
    AraFile m_file;
    QImage m_image;
    ImageItem *m_imageItem;
    QList<ThermalPoint *> m_points;
    QList<ThermalRectangle *> m_rectangles;
};
