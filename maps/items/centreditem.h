#pragma once
// An editor item of constant screen size centred on a scene point: it keeps
// its anchor and the view scale and re-places itself when either changes.
#include <QGraphicsObject>
#include <QPointF>

class CentredItem : public QGraphicsObject {
    Q_OBJECT
public:
    QPointF anchor() const { return QPointF(m_x, m_y); }
    double viewScale() const { return m_scale; }
    void setPosition(double x, double y);
    void setScale(double s);

protected:
    // halfSize: half the item's extent in screen pixels.
    CentredItem(double x, double y, double scale, double halfSize, QGraphicsItem *parent);

    double m_x;
    double m_y;
    double m_scale;

private:
    void place();
    double m_halfSize;
};
