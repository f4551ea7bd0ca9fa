#pragma once
// Drag handle of the editor's generators (a corner or point of an area): a
// disc of constant screen size that reports presses, right clicks and drags.
// The generators differ only in colour and in the names of their signals.
#include <QColor>
#include "maps/items/centreditem.h"

class HandlePoint : public CentredItem {
    Q_OBJECT
public:
    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    bool isPressed() const { return m_pressed; }
    void setPressed(bool pressed);

signals:
    void pointMoved(int id, double tx, double ty);

public slots:
    void mapMoved();

protected:
    // light: centre of the disc when not pressed; full: its rim.
    HandlePoint(double x, double y, double scale, int id, const QColor &light,
                const QColor &full, QGraphicsItem *parent);

    // Left button went down on the handle.
    virtual void handlePressed(int id) = 0;
    // Right button came up without a drag in between.
    virtual void handleReleased(int id) = 0;

    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    int m_id;
    int m_lastButton = 0;
    bool m_drag = false;
    bool m_pressed = false;
    QColor m_light;
    QColor m_full;
};
