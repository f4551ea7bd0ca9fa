#pragma once
// The circle-of-interest tool on the map canvas: its centre and a point on
// the circle, the radius line and the circle; the centre takes the circle
// along when dragged.
#include <QList>
#include <QObject>
#include <QPointF>

class COIPoint;
class QGraphicsEllipseItem;
class QGraphicsLineItem;
class QGraphicsScene;
class WPData;

class CircleTool : public QObject {
    Q_OBJECT
public:
    CircleTool(QGraphicsScene *scene, WPData *plan, QObject *parent);

    QList<COIPoint *> handles() const { return m_points; }
    int visiblePoints() const;
    // True once both points are placed.
    bool isComplete() const;
    QPointF centre() const;
    QPointF radiusPoint() const;
    void setScale(double s);

    void place(const QPointF &scenePos);
    void move(int id, double x, double y);
    void hide();

signals:
    void pointsOnMap(int count);
    void centrePlaced(QPointF lonLat);
    void radiusChanged(double metres);
    void pointPressed(int id);
    void pointMoved(int id, double x, double y);
    // Given on to both points: the map is being dragged.
    void mapMoved();

private:
    WPData *m_plan;
    QList<COIPoint *> m_points;
    QGraphicsLineItem *m_line;
    QGraphicsEllipseItem *m_circle;
};
