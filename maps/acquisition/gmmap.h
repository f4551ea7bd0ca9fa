#pragma once
// Canvas of the geo-referencing window: the image and three numbered pins.
// Zoom and pan keep the image covering the whole view.
#include <QGraphicsView>
#include <QImage>
#include <QPointF>

class GMKarte;
class GMPoint;
class QGraphicsScene;

class GMMap : public QGraphicsView
{
    Q_OBJECT
public:
    explicit GMMap(const QString &imagePath, QWidget *parent = nullptr);
    ~GMMap() override;

    // False when the image could not be loaded (nothing to geo-reference).
    bool isValid() const { return !m_image.isNull(); }

    QPointF pin1Position() const;
    QPointF pin2Position() const;
    QPointF pin3Position() const;
    GMPoint *pin(int number) const;
    // Pin 1 top-left, pin 2 bottom-right, pin 3 bottom-left corner.
    void placePinsAtCorners();
    QImage image() const { return m_image; }
    double zoom() const { return m_scale; }
    double minimumZoom() const { return m_minScale; }

signals:
    void recalculate();

public slots:
    void zoomIn();
    void zoomOut();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void zoomBy(double factor);
    void applyScaleToPins();

    QGraphicsScene *m_scene = nullptr;
    QString m_imagePath;
    QImage m_image;
    GMKarte *m_karte = nullptr;
    double m_scale = 1.0;
    int m_lastX = 0;
    int m_lastY = 0;
    bool m_panning = false;
    double m_minScale = 0.8;
    GMPoint *m_pin1 = nullptr;
    GMPoint *m_pin2 = nullptr;
    GMPoint *m_pin3 = nullptr;
};
