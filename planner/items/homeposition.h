#pragma once
// The aircraft's home position: a green circle with an H.
#include <QGraphicsObject>

class QPropertyAnimation;

class HomePosition : public QGraphicsObject {
    Q_OBJECT
public:
    HomePosition(double x, double y, double scale, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    // 2000 ms animation the editor points at a property when it shows the
    // marker; nothing is set up here.
    QPropertyAnimation *animation() const { return m_animation; }
    QPointF anchor() const { return QPointF(m_x, m_y); }
    double viewScale() const { return m_scale; }
    void setPosition(double x, double y);
    void setScale(double s);

private:
    double m_x;
    double m_y;
    double m_scale;
    QPropertyAnimation *m_animation;
};
