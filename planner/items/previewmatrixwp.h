#pragma once
// Preview dot of a generated waypoint; its heading is applied with the plan.
#include <QGraphicsObject>

class PreviewMatrixWP : public QGraphicsObject {
    Q_OBJECT
public:
    PreviewMatrixWP(double x, double y, double scale, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    QPointF anchor() const { return QPointF(m_x, m_y); }
    double viewScale() const { return m_scale; }
    void setPosition(double x, double y);
    void setScale(double s);

    // Heading in degrees, 0 to 360.
    double heading() const { return m_heading; }
    void setHeadingRadians(double radians);
    void setHeadingDegrees(double degrees);

private:
    double m_x;
    double m_y;
    double m_scale;
    double m_heading = 0.0;
};
