#pragma once
// Marker of one placemark on the editor canvas.
#include <QGraphicsObject>

class QStandardItem;

class PMMarker : public QGraphicsObject {
    Q_OBJECT
public:
    // row is the placemark's row of the placemark model; not owned.
    PMMarker(double x, double y, double scale, QStandardItem *row,
             QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    QStandardItem *placemark() const { return m_row; }
    QPointF anchor() const { return QPointF(m_x, m_y); }
    double viewScale() const { return m_scale; }
    void setPosition(double x, double y);
    void setScale(double s);

signals:
    void pmpressed(QStandardItem *row);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;

private:
    double m_x;
    double m_y;
    double m_scale;
    QStandardItem *m_row;
};
