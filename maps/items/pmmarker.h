#pragma once
// Marker of one placemark on the editor canvas.
#include "maps/items/centreditem.h"

class QStandardItem;

class PMMarker : public CentredItem {
    Q_OBJECT
public:
    // row is the placemark's row of the placemark model; not owned.
    PMMarker(double x, double y, double scale, QStandardItem *row,
             QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    QStandardItem *placemark() const { return m_row; }

signals:
    void pmpressed(QStandardItem *row);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;

private:
    QStandardItem *m_row;
};
