#pragma once
// Arrow showing the flight direction of a survey grid.
#include <QGraphicsObject>

class MatrixDirection : public QGraphicsObject {
    Q_OBJECT
public:
    MatrixDirection(double x, double y, double scale, double angle,
                    QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    double angle() const { return m_angle; }
    void setAngle(double degrees);
    QPointF anchor() const { return QPointF(m_x, m_y); }
    double viewScale() const { return m_scale; }
    void setPosition(double x, double y);
    void setScale(double s);

private:
    double m_x;
    double m_y;
    double m_scale;
    double m_angle;
};
