#pragma once
// The live aircraft symbol, turned to its heading.
#include "maps/items/centreditem.h"

class HarlekObject : public CentredItem {
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

private:
    double m_angle = 45.0;
    static constexpr double kSizeFactor = 1.5;
    bool m_shown = false;
};
