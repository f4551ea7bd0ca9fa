#pragma once
// The markers on the map canvas: the live aircraft and its home, the
// placemarks of the workspace and the ruler's two points.
#include <QList>
#include <QObject>
#include <QPointF>

class HarlekObject;
class HomePosition;
class LinealPoint;
class PMMarker;
class QGraphicsLineItem;
class QGraphicsPolygonItem;
class QGraphicsScene;
class QStandardItem;
class WPData;

class CanvasMarkers : public QObject {
    Q_OBJECT
public:
    CanvasMarkers(QGraphicsScene *scene, WPData *plan, QObject *parent);

    HarlekObject *aircraft() const { return m_harlek; }
    HomePosition *home() const { return m_home; }
    QList<PMMarker *> placemarkMarkers() const { return m_pmMarkers; }
    QList<QGraphicsPolygonItem *> placemarkOutlines() const { return m_pmOutlines; }
    QList<LinealPoint *> rulerHandles() const { return m_linealPoints; }
    void setScale(double s);

    // Shown only where the map has the position.
    void setAircraftPosition(double lon, double lat);
    void setAircraftAngle(double angle);
    void setHomePosition(double lon, double lat);
    // Markers and outlines of every placemark on the map, afresh.
    void updatePlacemarks();
    // The first or second point of the ruler; a third starts anew.
    void placeRulerPoint(const QPointF &scenePos);
    void hideRuler();

signals:
    void placemarkPressed(QStandardItem *placemark);
    void firstLinealPoint(QPointF lonLat);
    void secondLinealPoint(QPointF lonLat, double metres);

private:
    bool onMap(const QPointF &scenePos) const;

    QGraphicsScene *m_scene;
    WPData *m_plan;
    double m_scale = 1.0;
    HarlekObject *m_harlek;
    HomePosition *m_home = nullptr;
    QList<PMMarker *> m_pmMarkers;
    QList<QGraphicsPolygonItem *> m_pmOutlines;
    QList<LinealPoint *> m_linealPoints;
    QGraphicsLineItem *m_linealLine;
};
