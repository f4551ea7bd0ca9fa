#pragma once
// Point of a drawn line (line generator and ruler).
#include "maps/items/centreditem.h"

class LinealPoint : public CentredItem {
    Q_OBJECT
public:
    LinealPoint(double x, double y, double scale, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;


};
