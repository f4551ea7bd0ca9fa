#include "planner/canvas/matrixtool.h"

#include <QGraphicsLineItem>
#include <QGraphicsPolygonItem>
#include <QGraphicsScene>
#include <QPen>

#include "core/prompt/prompt.h"
#include "maps/items/matrixdirection.h"
#include "maps/items/matrixpoint.h"
#include "planner/canvas/canvascommon.h"
#include "planner/geometry/surveygrid.h"

MatrixTool::MatrixTool(QGraphicsScene *scene, WPData *plan, QWidget *dialogParent,
                       QObject *parent)
    : QObject(parent), m_scene(scene), m_plan(plan), m_dialogParent(dialogParent)
{
    for (int i = 0; i < 4; ++i) {
        auto *p = new MatrixPoint(500, 500, 1.0, i);
        p->hide();
        m_scene->addItem(p);
        connect(p, &MatrixPoint::matrixpressed, this, &MatrixTool::pointPressed);
        connect(p, &MatrixPoint::pointMoved, this, &MatrixTool::pointMoved);
        connect(this, &MatrixTool::mapMoved, p, &MatrixPoint::mapMoved);
        m_points << p;
        auto *line = new QGraphicsLineItem;
        line->setPen(QPen(QColor(255, 150, 255), 3, Qt::DotLine));
        line->setZValue(-90);
        line->hide();
        m_scene->addItem(line);
        m_lines << line;
    }
    m_arrow = new MatrixDirection(500, 500, 1.0, -90);
    m_arrow->setZValue(-80);
    m_arrow->hide();
    m_scene->addItem(m_arrow);
    increase();
    m_area = m_scene->addPolygon(QPolygonF(), Qt::NoPen, QColor(255, 0, 255, 30));
    m_area->setZValue(-81);
    m_area->hide();
}

int MatrixTool::visibleCorners() const
{
    int n = 0;
    for (MatrixPoint *p : m_points)
        n += p->isVisible() ? 1 : 0;
    return n;
}

void MatrixTool::setScale(double s)
{
    for (MatrixPoint *p : qAsConst(m_points))
        p->setScale(s);
    m_arrow->setScale(s);
    for (QGraphicsLineItem *l : qAsConst(m_lines))
        CanvasCommon::setPenWidth(l, 3, s);
}

void MatrixTool::placeArrow()
{
    if (visibleCorners() < 4)
        return;
    const QPointF s = m_points[m_start]->anchor();
    const QLineF edge(m_points[m_edge]->anchor(), m_points[(m_edge + 1) % 4]->anchor());
    m_arrow->setPosition(s.x(), s.y());
    m_arrow->setAngle(m_start == m_edge ? 90 - edge.angle() : -edge.angle() - 90);
}

void MatrixTool::increase()
{
    if (m_edge != m_start)
        m_edge = (m_edge + 1) % 4;
    else
        m_start = (m_start + 1) % 4;
    placeArrow();
}

void MatrixTool::decrease()
{
    if (m_edge == m_start)
        m_edge = (m_edge + 3) % 4;
    else
        m_start = (m_start + 3) % 4;
    placeArrow();
}

void MatrixTool::redrawLines()
{
    const int n = visibleCorners();
    for (int i = 0; i < 4; ++i) {
        const bool shown = i + 1 < n || (n == 4);
        if (shown) {
            m_lines[i]->setLine(QLineF(m_points[i]->anchor(), m_points[(i + 1) % 4]->anchor()));
            m_lines[i]->setZValue(-90);
        }
        m_lines[i]->setVisible(shown);
    }
}

void MatrixTool::place(const QPointF &p)
{
    const int n = visibleCorners();
    if (n < 3) {
        m_points[n]->setPosition(p.x(), p.y());
        m_points[n]->show();
        redrawLines();
        emit cornersOnMap(n + 1);
        return;
    }
    if (n == 4) {
        emit cornersOnMap(4);
        return;
    }
    const QVector<QPointF> three = {m_points[0]->anchor(), m_points[1]->anchor(),
                                    m_points[2]->anchor()};
    QVector<QPointF> placed;
    switch (SurveyGrid::placeFourthCorner(three, p, &placed)) {
    case SurveyGrid::FourthCorner::InsideTriangle:
        Prompt::message(m_dialogParent, QStringLiteral(":/icons/80/warning"),
                        tr("This action is not allowed"),
                        tr("You can't set the last matrix point inside the polygon."));
        return;
    case SurveyGrid::FourthCorner::NotConvex:
        Prompt::message(m_dialogParent, QStringLiteral(":/icons/80/warning"),
                        tr("Point can't be set"),
                        tr("Your point is invalid. Create a quadrilateral with angles smaller "
                           "than 180 degree (convex)."));
        return;
    case SurveyGrid::FourthCorner::Placed:
        break;
    }
    const QPolygonF order(placed);
    for (int i = 0; i < 4; ++i) {
        m_points[i]->setPosition(order[i].x(), order[i].y());
        m_points[i]->show();
    }
    redrawLines();
    m_start = 0;
    m_edge = 3;
    m_arrow->show();
    increase();
    emit areaChanged(CanvasCommon::areaSquareMetres(m_plan, order));
    emit cornersOnMap(4);
    m_area->setPolygon(order);
    m_area->show();
}

void MatrixTool::move(int id, double x, double y)
{
    if (id < 0 || id >= 4)
        return;
    if (visibleCorners() == 4) {
        // The quadrilateral stays convex: a corner that would break it stays put.
        const QPointF opposite = m_points[(id + 2) % 4]->anchor();
        const QPointF n1 = m_points[(id + 1) % 4]->anchor();
        const QPointF n2 = m_points[(id + 3) % 4]->anchor();
        if (!SurveyGrid::insideConvexQuad(opposite, n1, n2, QPointF(x, y)))
            return;
    }
    m_points[id]->setPosition(x, y);
    redrawLines();
    if (visibleCorners() == 4) {
        QPolygonF poly;
        for (MatrixPoint *p : qAsConst(m_points))
            poly << p->anchor();
        m_area->setPolygon(poly);
        placeArrow();
        emit areaChanged(CanvasCommon::areaSquareMetres(m_plan, poly));
    }
}

void MatrixTool::showPress()
{
    for (int i = 0; i < m_points.size(); ++i)
        m_points[i]->setPressed(i == m_pressed);
    m_pressed = -1;
}

void MatrixTool::hide()
{
    for (int i = 0; i < 4; ++i) {
        m_points[i]->hide();
        m_lines[i]->hide();
    }
    m_arrow->hide();
    m_area->hide();
}

bool MatrixTool::gridBorders(QVector<QPointF> *borders)
{
    if (visibleCorners() < 4)
        return false;
    QVector<QPointF> corners;
    for (MatrixPoint *p : qAsConst(m_points))
        corners << p->anchor();
    // A start corner of nearly 180 degrees has no edge to start from.
    const SurveyGrid::MatrixStart p =
        SurveyGrid::matrixStartForGrid(corners, SurveyGrid::MatrixStart{m_start, m_edge});
    if (p.s != m_start || p.e != m_edge) {
        m_start = p.s;
        m_edge = p.e;
        placeArrow();
    }
    *borders = SurveyGrid::borders(corners, p.s, p.neighbour());
    return true;
}
