#pragma once
// Schematic map of a project's tags: numbered discs at their positions joined
// in tag order by dashed lines, coloured by state. No background map, no zoom.
#include <QGraphicsObject>
#include <QGraphicsView>
#include <QList>

class PTData;
class QGraphicsLineItem;

class PTMapPhoto : public QGraphicsObject {
    Q_OBJECT
public:
    enum State { NoImage = 0, Selected = 1, HasImage = 2, Disabled = 3 };

    PTMapPhoto(double x, double y, int number);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;

    void setState(int state);
    int state() const { return m_state; }
    void setPosition(double x, double y);
    QPointF centre() const { return QPointF(m_x, m_y); }
    int number() const { return m_number; }

    // Where each digit image goes, in item coordinates (left to right).
    static QList<QRectF> digitRects(int number);

signals:
    void clicked(int number);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;

private:
    void drawNumber(QPainter *painter);

    double m_x;
    double m_y;
    int m_number;
    int m_state = NoImage;
};

class PTMap : public QGraphicsView {
    Q_OBJECT
public:
    PTMap(PTData *project, QWidget *parent = nullptr);

    void updateItems();
    void setSelectedItem(int number);

    // West, east, top and bottom of the frame in degrees.
    struct Frame {
        double west = 0, east = 0, top = 0, bottom = 0;
    };
    Frame frame() const { return m_frame; }
    const QList<PTMapPhoto *> &discs() const { return m_discs; }
    const QList<QGraphicsLineItem *> &lines() const { return m_lines; }

    void calcMapReference();
    void placeItems();

signals:
    void itemSelected(int number);

public slots:
    void mapItemselected(int number);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    int stateOf(int i) const;

    PTData *m_project;
    QGraphicsScene *m_scene;
    Frame m_frame;
    QList<PTMapPhoto *> m_discs;
    QList<QGraphicsLineItem *> m_lines;
};
