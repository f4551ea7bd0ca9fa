#include "planner/canvas/canvasmarkers.h"

#include <QDebug>
#include <QGraphicsLineItem>
#include <QGraphicsPolygonItem>
#include <QGraphicsScene>
#include <QStandardItemModel>
#include <functional>

#include "core/data.h"
#include "core/placemarks.h"
#include "maps/items/harlekobject.h"
#include "maps/items/homeposition.h"
#include "maps/items/linealpoint.h"
#include "maps/items/pmmarker.h"
#include "maps/wpdata.h"
#include "planner/canvas/canvascommon.h"

// The items go into the scene in the order the canvas has always stacked
// them: aircraft, placemarks, ruler, home.
CanvasMarkers::CanvasMarkers(QGraphicsScene *scene, WPData *plan, QObject *parent)
    : QObject(parent), m_scene(scene), m_plan(plan)
{
    m_harlek = new HarlekObject(300, 300, 1.0);
    m_harlek->setZValue(50);
    m_harlek->setShown(false);
    m_scene->addItem(m_harlek);

    updatePlacemarks();
    connect(Data::instance(), &Data::pmChanged, this, &CanvasMarkers::updatePlacemarks);

    m_linealPoints << new LinealPoint(100, 100, m_scale) << new LinealPoint(200, 200, m_scale);
    for (LinealPoint *p : qAsConst(m_linealPoints)) {
        p->hide();
        m_scene->addItem(p);
    }
    m_linealLine = m_scene->addLine(QLineF(), QPen(QColor(180, 255, 0), 2 / m_scale));
    m_linealLine->setZValue(-90);
    m_linealLine->hide();

    m_home = new HomePosition(300, 300, m_scale);
    m_home->setZValue(-30);
    m_home->setOpacity(0);
    m_scene->addItem(m_home);
}

void CanvasMarkers::setScale(double s)
{
    m_scale = s;
    for (LinealPoint *p : qAsConst(m_linealPoints))
        p->setScale(s);
    for (PMMarker *m : qAsConst(m_pmMarkers))
        m->setScale(s);
    m_harlek->setScale(s);
    m_home->setScale(s);
    CanvasCommon::setPenWidth(m_linealLine, 3, s);
}

bool CanvasMarkers::onMap(const QPointF &p) const
{
    const QSize image = m_plan->imageSize();
    return p.x() >= 0 && p.x() <= image.width() && p.y() >= 0 && p.y() <= image.height();
}

void CanvasMarkers::setAircraftPosition(double lon, double lat)
{
    const QPointF p = m_plan->geoToPixel(lon, lat);
    if (onMap(p)) {
        m_harlek->setPosition(p.x(), p.y());
        m_harlek->setShown(true);
    } else {
        m_harlek->setShown(false);
    }
}

void CanvasMarkers::setAircraftAngle(double angle)
{
    m_harlek->setAngle(angle + m_plan->northAngle());
}

void CanvasMarkers::setHomePosition(double lon, double lat)
{
    qDebug() << "++++++++++++++ SHOW HOME +++++++++++++++++++";
    const QPointF p = m_plan->geoToPixel(lon, lat);
    if (onMap(p)) {
        m_home->setPosition(p.x(), p.y());
        m_home->setOpacity(1);
    } else {
        m_home->setOpacity(0);
    }
}

void CanvasMarkers::updatePlacemarks()
{
    for (PMMarker *m : qAsConst(m_pmMarkers))
        delete m;
    for (QGraphicsPolygonItem *o : qAsConst(m_pmOutlines))
        delete o;
    m_pmMarkers.clear();
    m_pmOutlines.clear();
    QStandardItemModel *model = Data::instance()->placemarkModel();
    if (!model)
        return;
    auto marker = [this](QStandardItem *item, double z) -> PMMarker * {
        const double lon = item->data(Placemarks::LonRole).toDouble();
        const double lat = item->data(Placemarks::LatRole).toDouble();
        if (!m_plan->containsGeo(lon, lat))
            return nullptr;
        const QPointF p = m_plan->geoToPixel(lon, lat);
        auto *m = new PMMarker(p.x(), p.y(), m_scale, item);
        if (z != 0)
            m->setZValue(z);
        connect(m, &PMMarker::pmpressed, this, &CanvasMarkers::placemarkPressed);
        m_pmMarkers << m;
        m_scene->addItem(m);
        return m;
    };
    std::function<void(QStandardItem *)> walk = [&](QStandardItem *parent) {
        for (int r = 0; r < parent->rowCount(); ++r) {
            QStandardItem *item = parent->child(r);
            if (!item)
                continue;
            switch (item->data(Placemarks::KindRole).toInt()) {
            case Placemarks::Point:
                marker(item, 0);
                break;
            case Placemarks::Polygon: {
                QPolygonF outline;
                for (int c = 0; c < item->rowCount(); ++c) {
                    QStandardItem *pt = item->child(c);
                    if (pt && pt->data(Placemarks::KindRole).toInt() == Placemarks::PolygonPoint)
                        if (PMMarker *m = marker(pt, -10))
                            outline << m->anchor();
                }
                if (outline.size() > 1) {
                    auto *o = new QGraphicsPolygonItem(outline);
                    o->setFillRule(Qt::OddEvenFill);
                    o->setBrush(QColor(255, 180, 0, 30));
                    o->setPen(QPen(QColor(255, 180, 0, 100)));
                    o->setZValue(-20);
                    m_scene->addItem(o);
                    m_pmOutlines << o;
                }
                break;
            }
            case Placemarks::Group:
                walk(item);
                break;
            default:
                break;
            }
        }
    };
    walk(model->invisibleRootItem());
}

void CanvasMarkers::placeRulerPoint(const QPointF &p)
{
    if (m_linealPoints[0]->isVisible() && m_linealPoints[1]->isVisible())
        hideRuler();
    if (!m_linealPoints[0]->isVisible()) {
        m_linealPoints[0]->setPosition(p.x(), p.y());
        m_linealPoints[0]->show();
        emit firstLinealPoint(m_plan->pixelToGeo(p.x(), p.y()));
        return;
    }
    m_linealPoints[1]->setPosition(p.x(), p.y());
    m_linealPoints[1]->show();
    m_linealLine->setLine(QLineF(m_linealPoints[0]->anchor(), p));
    m_linealLine->show();
    const QPointF a0 = m_linealPoints[0]->anchor();
    const QPointF a = m_plan->pixelToGeo(a0.x(), a0.y()), b = m_plan->pixelToGeo(p.x(), p.y());
    emit secondLinealPoint(b, CanvasCommon::distanceMetres(a, b));
}

void CanvasMarkers::hideRuler()
{
    for (LinealPoint *p : qAsConst(m_linealPoints))
        p->hide();
    m_linealLine->hide();
}
