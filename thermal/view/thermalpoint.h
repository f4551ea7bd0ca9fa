#pragma once
// A numbered pin marking one pixel of a thermal image. Its head sits on the
// side given by its orientation, or away from the image border when it is
// close to one. Sizes are divided by the view scale so the pin keeps its size
// on screen at every zoom.
#include <QColor>
#include <QGraphicsObject>

class ThermalPoint : public QGraphicsObject
{
    Q_OBJECT
public:
    ThermalPoint(double x, double y, double viewScale, int id, int imageWidth, int imageHeight,
                 QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    void setPointPosition(double x, double y);
    void setOrientation(int orientation);
    void setScale(double s);
    void setId(int id);
    void setSelected(int selected);
    void setMode(int mode);

    int id() const { return m_id; }
    int orientation() const { return m_orientation; }
    int effectiveOrientation() const;
    QPointF pointPosition() const { return QPointF(m_x, m_y); }
    double viewScale() const { return m_scale; }
    int mode() const { return m_mode; }
    int isPointSelected() const { return m_selected; }
    QColor pinColor() const { return m_pinColor; }
    QColor highlightColor() const { return m_highlightColor; }
    QColor borderColor() const;
    // Edge flags as left, right, top, bottom.
    bool edgeLeft() const { return m_left; }
    bool edgeRight() const { return m_right; }
    bool edgeTop() const { return m_top; }
    bool edgeBottom() const { return m_bottom; }

    // Head offsets (dx, dy) and digit origins by orientation, in units of 1/s.
    static QPointF headOffset(int orientation);
    static QPointF digitOrigin(int orientation);

public slots:
    void setPinColor(int index);
    void setBorderColor(int index);

signals:
    void pointpressed(int id);
    void pointMoved(int id, qreal tx, qreal ty);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    double m_x;
    double m_y;
    double m_scale;
    int m_id;
    int m_selected = 0;
    int m_lastButton = 0;
    bool m_left = false;
    bool m_right = false;
    bool m_top = false;
    bool m_bottom = false;
    int m_orientation = 0;
    int m_imageWidth;
    int m_imageHeight;
    int m_mode = 1;
    QColor m_pinColor;
    QColor m_highlightColor;
    int m_borderIndex = 0;
};
