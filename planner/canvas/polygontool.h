#pragma once
// The polygon tool on the map canvas: its corners, the area they enclose and,
// once finished, the arrow of the edge the grid starts along.
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointF>
#include <QVector>

class MatrixDirection;
class MatrixPoint;
class PointChain;
class QGraphicsPolygonItem;
class QGraphicsScene;
class WPData;

class PolygonTool : public QObject {
    Q_OBJECT
public:
    PolygonTool(QGraphicsScene *scene, WPData *plan, QObject *parent);

    QList<QPointF> points() const;
    QList<MatrixPoint *> handles() const;
    // The start corner and the corner the first edge runs to.
    QPair<int, int> direction() const { return qMakePair(m_a, m_b); }
    PointChain *chain() const { return m_chain; }
    void setScale(double s);

    void add(const QPointF &scenePos);
    // finished: the polygon is finished and its arrow follows the corners.
    void move(int id, double x, double y, bool finished);
    // Starts the grid along the first edge and shows its arrow.
    void finish();
    void increase();
    void decrease();
    void clear();
    // The grid's border corners; false below three corners.
    bool gridBorders(QVector<QPointF> *borders) const;

signals:
    void areaChanged(double squareMetres);
    void thirdPointAdded();

private:
    void placeArrow();
    void showArea();

    WPData *m_plan;
    PointChain *m_chain;
    QGraphicsPolygonItem *m_area;
    MatrixDirection *m_arrow;
    int m_a = 0;
    int m_b = 1;
};
