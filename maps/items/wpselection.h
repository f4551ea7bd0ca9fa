#pragma once
// Rubber band of the selection tool.
#include <QGraphicsObject>
#include <QPen>

class WPSelection : public QGraphicsObject {
    Q_OBJECT
public:
    explicit WPSelection(QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    void setStartPoint(const QPointF &p);
    void setEndPoint(const QPointF &p);
    QPointF startPoint() const { return m_start; }
    QPointF endPoint() const { return m_end; }
    void setActive(bool shown);
    bool isShown() const { return m_shown; }
    void setScale(double s);
    double viewScale() const { return m_scale; }
    QPen pen() const { return m_pen; }

private:
    QPointF m_start;
    QPointF m_end;
    bool m_shown = false;
    double m_scale = 1.0;
    QPen m_pen;
};
