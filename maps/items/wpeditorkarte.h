#pragma once
// The map image under the flight plan, in image pixels from (0, 0).
#include <QGraphicsObject>
#include <QImage>

class WPEditorKarte : public QGraphicsObject {
    Q_OBJECT
public:
    explicit WPEditorKarte(const QImage &map, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    QImage map() const { return m_map; }
    void setMap(const QImage &map);

private:
    QImage m_map;
};
