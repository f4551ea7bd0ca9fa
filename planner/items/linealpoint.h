#pragma once
// Point of a drawn line (line generator and ruler).
#include <QGraphicsObject>

class LinealPoint : public QGraphicsObject {
    Q_OBJECT
public:
    LinealPoint(double x, double y, double scale, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    QPointF anchor() const { return QPointF(m_x, m_y); }
    double viewScale() const { return m_scale; }
    void setPosition(double x, double y);
    void setScale(double s);

private:
    double m_x;
    double m_y;
    double m_scale;
};
