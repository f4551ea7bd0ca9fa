#include "planner/canvas/circletool.h"

#include <QGraphicsEllipseItem>
#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QPen>

#include "maps/items/coipoint.h"
#include "maps/wpdata.h"
#include "planner/canvas/canvascommon.h"

CircleTool::CircleTool(QGraphicsScene *scene, WPData *plan, QObject *parent)
    : QObject(parent), m_plan(plan)
{
    for (int i = 0; i < 2; ++i) {
        auto *p = new COIPoint(500, 500, 1.0, i);
        p->hide();
        scene->addItem(p);
        connect(p, &COIPoint::coipressed, this, &CircleTool::pointPressed);
        connect(p, &COIPoint::pointMoved, this, &CircleTool::pointMoved);
        connect(this, &CircleTool::mapMoved, p, &COIPoint::mapMoved);
        m_points << p;
    }
    const QPen pen(QColor(0, 150, 150), 2.5, Qt::DashLine);
    m_line = scene->addLine(QLineF(), pen);
    m_line->setZValue(-90);
    m_line->hide();
    m_circle = scene->addEllipse(QRectF(), pen);
    m_circle->setZValue(-90);
    m_circle->hide();
}

int CircleTool::visiblePoints() const
{
    return int(m_points[0]->isVisible()) + int(m_points[1]->isVisible());
}

bool CircleTool::isComplete() const { return visiblePoints() == 2; }
QPointF CircleTool::centre() const { return m_points[0]->anchor(); }
QPointF CircleTool::radiusPoint() const { return m_points[1]->anchor(); }

void CircleTool::setScale(double s)
{
    for (COIPoint *p : qAsConst(m_points))
        p->setScale(s);
    CanvasCommon::setPenWidth(m_line, 2.5, s);
    CanvasCommon::setPenWidth(m_circle, 2.5, s);
}

void CircleTool::place(const QPointF &p)
{
    const int n = visiblePoints();
    if (n == 0) {
        m_points[0]->setPosition(p.x(), p.y());
        m_points[0]->show();
        emit centrePlaced(m_plan->pixelToGeo(p.x(), p.y()));
        emit pointsOnMap(1);
    } else if (n == 1) {
        m_points[1]->setPosition(p.x(), p.y());
        m_points[1]->show();
        move(1, p.x(), p.y());
        m_line->show();
        m_circle->show();
        emit pointsOnMap(2);
    } else {
        emit pointsOnMap(2);
    }
}

void CircleTool::move(int id, double x, double y)
{
    if (id < 0 || id >= 2)
        return;
    if (id == 0 && isComplete()) {
        // The centre takes the radius point along, so the radius stays.
        const QPointF shift = QPointF(x, y) - m_points[0]->anchor();
        const QPointF r = m_points[1]->anchor() + shift;
        m_points[1]->setPosition(r.x(), r.y());
    }
    m_points[id]->setPosition(x, y);
    const QPointF c = centre(), r = radiusPoint();
    const double radius = QLineF(c, r).length();
    m_line->setLine(QLineF(c, r));
    m_circle->setRect(QRectF(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius));
    const QPointF gc = m_plan->pixelToGeo(c.x(), c.y()), gr = m_plan->pixelToGeo(r.x(), r.y());
    if (id == 0)
        emit centrePlaced(gc);
    emit radiusChanged(CanvasCommon::distanceMetres(gc, gr));
}

void CircleTool::hide()
{
    m_line->hide();
    m_circle->hide();
    for (COIPoint *p : qAsConst(m_points))
        p->hide();
}
