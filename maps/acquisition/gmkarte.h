#pragma once
// The image on the geo-referencing canvas, top-left corner at (0, 0).
#include <QGraphicsObject>
#include <QImage>

class GMKarte : public QGraphicsObject
{
    Q_OBJECT
public:
    explicit GMKarte(const QImage &image, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

private:
    QImage m_image;
};
