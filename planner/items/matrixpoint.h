#pragma once
// Drag handle of the editor's generators (a corner or point of an area).
#include <QGraphicsObject>

class MatrixPoint : public QGraphicsObject {
    Q_OBJECT
public:
    MatrixPoint(double x, double y, double scale, int id, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    bool isPressed() const { return m_pressed; }
    void setPressed(bool pressed);
    QPointF anchor() const { return QPointF(m_x, m_y); }
    double viewScale() const { return m_scale; }
    void setPosition(double x, double y);
    void setScale(double s);

signals:
    void matrixpressed(int id);
    void matrixreleased(int id);
    void pointMoved(int id, double tx, double ty);

public slots:
    void mapMoved();

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    void place();

    double m_x;
    double m_y;
    double m_scale;
    int m_id;
    int m_lastButton = 0;
    bool m_drag = false;
    bool m_pressed = false;
};
