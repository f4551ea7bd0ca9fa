#pragma once
// The line-matrix tool on the map canvas: the points of the line photos are
// taken along, joined by dotted pieces that follow a dragged point.
#include <QList>
#include <QObject>
#include <QPointF>

class PointChain;
class QGraphicsLineItem;
class QGraphicsScene;

class LineMatrixTool : public QObject {
    Q_OBJECT
public:
    LineMatrixTool(QGraphicsScene *scene, QObject *parent);

    QList<QPointF> points() const;
    PointChain *chain() const { return m_chain; }
    void setScale(double s);

    void add(const QPointF &scenePos);
    void move(int id, double x, double y);
    void clear();

signals:
    void secondPointAdded();

private:
    QGraphicsScene *m_scene;
    PointChain *m_chain;
    QList<QGraphicsLineItem *> m_lines;
    double m_scale = 1.0;
};
