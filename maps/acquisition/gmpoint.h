#pragma once
// A numbered pin of the geo-referencing canvas. Its tip marks a point of the
// image; near the image's edges the body turns so that it stays inside.
// Drawn at the same size on screen whatever the zoom.
#include <QGraphicsObject>
#include <QSize>

class GMPoint : public QGraphicsObject
{
    Q_OBJECT
public:
    GMPoint(double x, double y, double scale, int number, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    // Moves the pin's point (image pixels), kept on the image.
    void setImagePosition(double x, double y);
    void setScale(double scale);
    void setBounds(const QSize &size) { m_bounds = size; }

    QPointF imagePosition() const { return QPointF(m_pointX, m_pointY); }
    int number() const { return m_number; }
    // Rotation of the body for the current edge state (degrees).
    double bodyRotation() const;

signals:
    void wppressed(int number);
    void pointMoved();

public slots:
    void mapMoved();

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    QPointF offset() const;

    double m_pointX = 0;
    double m_pointY = 0;
    double m_scale = 1.0;
    int m_number = 1;
    int m_lastButton = 0;
    bool m_dragging = false;
    bool m_atLeft = false;
    bool m_atRight = false;
    bool m_atTop = false;
    bool m_atBottom = false;
    QSize m_bounds;
};
