#include "planner/canvas/polygontool.h"

#include <QGraphicsPolygonItem>
#include <QGraphicsScene>
#include <QPen>
#include <utility>

#include "maps/items/matrixdirection.h"
#include "planner/canvas/canvascommon.h"
#include "planner/canvas/pointchain.h"
#include "planner/geometry/surveygrid.h"

PolygonTool::PolygonTool(QGraphicsScene *scene, WPData *plan, QObject *parent)
    : QObject(parent), m_plan(plan), m_chain(new PointChain(scene, 0, this))
{
    m_area = scene->addPolygon(
        QPolygonF(), QPen(QColor(255, 0, 255), 2, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin),
        QColor(255, 0, 255, 30));
    m_area->setZValue(-81);
    m_area->hide();
    m_arrow = new MatrixDirection(500, 500, 1.0, 90);
    m_arrow->setZValue(-80);
    m_arrow->hide();
    scene->addItem(m_arrow);
}

QList<QPointF> PolygonTool::points() const { return m_chain->points(); }
QList<MatrixPoint *> PolygonTool::handles() const { return m_chain->handles(); }

void PolygonTool::setScale(double s)
{
    m_chain->setScale(s);
    m_arrow->setScale(s);
    CanvasCommon::setPenWidth(m_area, 2, s);
}

void PolygonTool::showArea()
{
    const QPolygonF polygon(m_chain->points().toVector());
    m_area->setPolygon(polygon);
    emit areaChanged(CanvasCommon::areaSquareMetres(m_plan, polygon));
}

void PolygonTool::add(const QPointF &p)
{
    m_chain->append(p);
    m_area->show();
    showArea();
    if (m_chain->size() == 3)
        emit thirdPointAdded();
}

void PolygonTool::move(int id, double x, double y, bool finished)
{
    if (!m_chain->move(id, x, y))
        return;
    m_area->setPolygon(QPolygonF(m_chain->points().toVector()));
    if (finished)
        placeArrow();
    emit areaChanged(CanvasCommon::areaSquareMetres(m_plan, m_area->polygon()));
}

void PolygonTool::finish()
{
    m_a = 0;
    m_b = 1;
    placeArrow();
}

void PolygonTool::placeArrow()
{
    const QList<QPointF> points = m_chain->points();
    if (points.size() < 2)
        return;
    const QPointF a = points.at(m_a);
    const QLineF line(a, points.at(m_b));
    m_arrow->setPosition(a.x(), a.y());
    m_arrow->setAngle(90 - line.angle());
    m_arrow->show();
}

void PolygonTool::increase()
{
    const int n = m_chain->size();
    if (n < 2)
        return;
    if (m_a == n - 1 && m_b == 0) {
        m_a = 0;
        m_b = n - 1;
    } else if (m_a == 0 && m_b == n - 1) {
        m_b = 1;
    } else if (m_a <= m_b) {
        std::swap(m_a, m_b);
    } else {
        m_b = (m_b + 2) % n;
    }
    placeArrow();
}

void PolygonTool::decrease()
{
    const int n = m_chain->size();
    if (n < 2)
        return;
    if (m_a == n - 1 && m_b == 0) {
        m_b = n - 2;
    } else if (m_a == 0 && m_b == n - 1) {
        m_a = n - 1;
        m_b = 0;
    } else if (m_a < m_b) {
        m_b = (m_b - 2 + n) % n;
    } else {
        std::swap(m_a, m_b);
    }
    placeArrow();
}

void PolygonTool::clear()
{
    m_chain->clear();
    m_area->setPolygon(QPolygonF());
    m_area->hide();
    m_arrow->hide();
}

bool PolygonTool::gridBorders(QVector<QPointF> *borders) const
{
    if (m_chain->size() < 3)
        return false;
    *borders = SurveyGrid::borders(m_chain->points().toVector(), m_a, m_b);
    return true;
}
