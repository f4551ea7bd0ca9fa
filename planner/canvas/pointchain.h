#pragma once
// Points placed one after another on the map canvas, each with a drag
// handle: what the polygon and the line-matrix tools are drawn through.
#include <QList>
#include <QObject>
#include <QPointF>

class MatrixPoint;
class QGraphicsScene;

class PointChain : public QObject {
    Q_OBJECT
public:
    // Handles get handleZ when it is not 0.
    PointChain(QGraphicsScene *scene, double handleZ, QObject *parent);

    QList<QPointF> points() const { return m_points; }
    int size() const { return m_points.size(); }
    QList<MatrixPoint *> handles() const { return m_handles; }
    void setScale(double s);

    void append(const QPointF &p);
    // False for an id that is not a point.
    bool move(int id, double x, double y);
    void pressed(int id) { m_pressed = id; }
    // highlight: marks the handle pressed last, if any; then forgets it.
    void showPress(bool highlight);
    void clear();

signals:
    void pointPressed(int id);
    void pointMoved(int id, double x, double y);
    // Given on to every handle: the map is being dragged.
    void mapMoved();

private:
    QGraphicsScene *m_scene;
    double m_handleZ;
    double m_scale = 1.0;
    QList<QPointF> m_points;
    QList<MatrixPoint *> m_handles;
    int m_pressed = -1;
};
