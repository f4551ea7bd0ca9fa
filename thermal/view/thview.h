#pragma once
// The view of one thermal image: raw counts coloured with the chosen palette
// between a scale minimum and maximum, zoom and panning, numbered pins and
// min/max rectangles. Every value it reports is a raw count.
#include <QGraphicsView>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRectF>

#include "thermal/arafile.h"
#include "thermal/thdatapointlist.h"

class QGraphicsPixmapItem;
class QGraphicsSimpleTextItem;
class ThermalPoint;
class ThermalRectangle;
class ThermalRectangleSelection;
class ThermalCircleSelection;

class THView : public QGraphicsView
{
    Q_OBJECT
public:
    explicit THView(QWidget *parent = nullptr);
    ~THView() override;

    // Reads an ARA file; a failed load leaves header, counts and image as
    // they were.
    bool loadFile(const QString &path);
    bool setImageData(const QByteArray &header, const QByteArray &sensorData, int scaleMin,
                      int scaleMax);
    void setPreviewMode();
    void showNoImage();

    static QPoint getMinMax(const QVector<quint16> &counts);
    QPoint getImageMinMax() const;
    int getRawValue(int x, int y) const;
    void setScaleMinMax(double min, double max);
    void scaleView(double factor);
    QImage sceneImage();
    void markRectangleMinMax(QPointF start, QPointF end, double &min, double &max, double &mean,
                             QPointF &minPos, QPointF &maxPos, bool loaded);
    void addRectangle(int id, QPointF start, QPointF end);
    void deleteRectangle(int id);
    void setPoints(const THDataPointList &points);
    void setRectangles(const QList<QRectF> &rects);
    void clearPoints();
    void clearRectangles();
    int nextPointId() const;

    // State, for the editor and tests.
    QByteArray header() const;              // bytes 0-243
    QByteArray rawData() const;             // little-endian counts
    const QVector<quint16> &counts() const { return m_file.counts(); }
    int imageWidth() const { return m_file.width(); }
    int imageHeight() const { return m_file.height(); }
    QImage image() const { return m_image; }
    int scaleMin() const { return m_scaleMin; }
    int scaleMax() const { return m_scaleMax; }
    int palette() const { return m_palette; }
    double viewScale() const { return m_viewScale; }
    int mode() const { return m_mode; }
    bool isPreview() const { return m_preview; }
    bool isNoImage() const { return m_noImage; }
    int selectedPoint() const { return m_selectedPoint; }
    const QList<ThermalPoint *> &points() const { return m_points; }
    const QList<ThermalRectangle *> &rectangles() const { return m_rectangles; }
    ThermalRectangleSelection *rectangleSelection() const { return m_rectSelection; }
    ThermalCircleSelection *circleSelection() const { return m_circleSelection; }
    bool showsImage() const;

public slots:
    void zoomIn();
    void zoomOut();
    void setOriginSize();
    void changeScaleMin(double value);
    void changeScaleMax(double value);
    QPoint autoScale();
    void setMode(int tmode);
    void pointMoved(int id, double x, double y);
    void setOrient(int id, int orient);
    void changeID(int oldId, int newId);
    void pointSelected(int id);
    void changePalette(int palette);
    void setThermalPoint(QPointF p);

signals:
    void arrangeMinMax(QPoint minmax);
    void updateMinMax(QPoint minmax);
    void newPoint(int id, QPointF koord, double value, int orient);
    void newRectAngle(QPointF startp, QPointF stopp);
    void newCircle(QPointF startp, QPointF stopp);
    void newRectAngleLoaded(QPointF startP, QPointF stopP, int id);
    void changePoint(int id, QPointF newKoord, double newValue, int orient);
    void deletePoint(int id);
    void dataChanged();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool showLoaded(AraFile &loaded, bool computeScale, int scaleMin, int scaleMax);
    void fill();
    bool toolsOff() const { return m_noImage || m_preview; }

    QGraphicsScene *m_scene;
    QGraphicsPixmapItem *m_pixmapItem;
    QGraphicsSimpleTextItem *m_errorItem;
    AraFile m_file;
    QImage m_image;
    int m_scaleMin = 0;
    int m_scaleMax = 0;
    int m_palette = 0;
    double m_viewScale = 1.0;
    bool m_preview = false;
    bool m_noImage = false;
    bool m_panning = false;
    bool m_dragStarted = false;  // left press inside the image in mode 2 or 3
    int m_lastX = 0;
    int m_lastY = 0;
    int m_mode = 0;
    int m_selectedPoint = -1;
    QList<ThermalPoint *> m_points;
    QList<ThermalRectangle *> m_rectangles;
    ThermalRectangleSelection *m_rectSelection;
    ThermalCircleSelection *m_circleSelection;
};
