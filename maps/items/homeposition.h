#pragma once
// The aircraft's home position: a green circle with an H.
#include "maps/items/centreditem.h"

class QPropertyAnimation;

class HomePosition : public CentredItem {
    Q_OBJECT
public:
    HomePosition(double x, double y, double scale, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    // 2000 ms animation the editor points at a property when it shows the
    // marker; nothing is set up here.
    QPropertyAnimation *animation() const { return m_animation; }

private:
    QPropertyAnimation *m_animation;
};
