#pragma once
// Arrow showing the flight direction of a survey grid.
#include "maps/items/centreditem.h"

class MatrixDirection : public CentredItem {
    Q_OBJECT
public:
    MatrixDirection(double x, double y, double scale, double angle,
                    QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    double angle() const { return m_angle; }
    void setAngle(double degrees);

private:
    double m_angle;
};
