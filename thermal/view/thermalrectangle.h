#pragma once
// Rubber bands of a rectangle or circle drag and the numbered measurement
// rectangle. Positions are image pixels; pen widths are divided by the view
// scale so lines keep their width on screen.
#include <QGraphicsObject>
#include <QPen>

class ThermalRectangleSelection : public QGraphicsObject
{
    Q_OBJECT
public:
    explicit ThermalRectangleSelection(QGraphicsItem *parent = nullptr);

    QPointF startPoint() const { return m_start; }
    QPointF endPoint() const { return m_end; }
    void setStartPoint(const QPointF &p);
    virtual void setEndPoint(const QPointF &p);
    void setActive(bool shown);
    bool isShown() const { return m_shown; }
    virtual void setScale(double s);
    double viewScale() const { return m_scale; }
    QPen pen() const { return m_pen; }

    // May be negative in width or height while the user drags up or left.
    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

protected:
    QRect paintRect() const;

    QPen m_pen;
    bool m_shown = false;
    QPointF m_start;
    QPointF m_end;
    double m_scale = 1.0;
};

class ThermalCircleSelection : public ThermalRectangleSelection
{
    Q_OBJECT
public:
    using ThermalRectangleSelection::ThermalRectangleSelection;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;
};

class ThermalRectangle : public ThermalRectangleSelection
{
    Q_OBJECT
public:
    ThermalRectangle(int id, double viewScale, QGraphicsItem *parent = nullptr);

    // Orders the corners, so the start is the top-left one.
    void setEndPoint(const QPointF &p) override;
    void setScale(double s) override;
    void setId(int id);
    int id() const { return m_id; }

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

private:
    int m_id;
};
