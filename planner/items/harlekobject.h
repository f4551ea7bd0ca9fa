#pragma once
// The live aircraft symbol, turned to its heading.
#include <QGraphicsObject>

class HarlekObject : public QGraphicsObject {
    Q_OBJECT
public:
    HarlekObject(double x, double y, double scale, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    double angle() const { return m_angle; }
    void setAngle(double degrees);
    bool isShown() const { return m_shown; }
    void setShown(bool shown);
    QPointF anchor() const { return QPointF(m_x, m_y); }
    double viewScale() const { return m_scale; }
    void setPosition(double x, double y);
    void setScale(double s);

private:
    void place();

    double m_x;
    double m_y;
    double m_scale;
    double m_angle = 45.0;
    double m_sizeFactor = 1.5;
    bool m_shown = false;
};
