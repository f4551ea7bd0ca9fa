#pragma once
// The matrix tool's corners on the map canvas: three placed by hand, the
// fourth placed where it keeps the quadrilateral convex (or refused), the
// corners dragged without folding it, and the start corner and edge of the
// grid shown by an arrow.
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointF>
#include <QVector>

class MatrixDirection;
class MatrixPoint;
class QGraphicsLineItem;
class QGraphicsPolygonItem;
class QGraphicsScene;
class QWidget;
class WPData;

class MatrixTool : public QObject {
    Q_OBJECT
public:
    // Refusals are asked over dialogParent.
    MatrixTool(QGraphicsScene *scene, WPData *plan, QWidget *dialogParent, QObject *parent);

    QList<MatrixPoint *> corners() const { return m_points; }
    int visibleCorners() const;
    // Start corner and start edge.
    QPair<int, int> direction() const { return qMakePair(m_start, m_edge); }
    void setScale(double s);

    void place(const QPointF &scenePos);
    void move(int id, double x, double y);
    void pressed(int id) { m_pressed = id; }
    // Marks the corner pressed last, if any, and forgets it.
    void showPress();
    void increase();
    void decrease();
    void hide();
    // The grid's border corners from the start corner on, the start moved
    // off a corner of nearly 180 degrees; false before four corners.
    bool gridBorders(QVector<QPointF> *borders);

signals:
    void cornersOnMap(int count);
    void areaChanged(double squareMetres);
    void pointPressed(int id);
    void pointMoved(int id, double x, double y);
    // Given on to every corner: the map is being dragged.
    void mapMoved();

private:
    void redrawLines();
    void placeArrow();

    QGraphicsScene *m_scene;
    WPData *m_plan;
    QWidget *m_dialogParent;
    QList<MatrixPoint *> m_points;
    QList<QGraphicsLineItem *> m_lines;
    MatrixDirection *m_arrow;
    QGraphicsPolygonItem *m_area;
    int m_pressed = -1;
    int m_start = 0;
    int m_edge = 3;
};
