#include "planner/canvas/linematrixtool.h"

#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QPen>

#include "planner/canvas/canvascommon.h"
#include "planner/canvas/pointchain.h"

LineMatrixTool::LineMatrixTool(QGraphicsScene *scene, QObject *parent)
    : QObject(parent), m_scene(scene), m_chain(new PointChain(scene, 80, this))
{
}

QList<QPointF> LineMatrixTool::points() const { return m_chain->points(); }

void LineMatrixTool::setScale(double s)
{
    m_scale = s;
    m_chain->setScale(s);
    for (QGraphicsLineItem *l : qAsConst(m_lines))
        CanvasCommon::setPenWidth(l, 3, s);
}

void LineMatrixTool::add(const QPointF &p)
{
    if (m_chain->size() > 0) {
        auto *line = m_scene->addLine(QLineF(m_chain->points().last(), p),
                                      QPen(QColor(40, 255, 255, 180), 3 / m_scale, Qt::DotLine));
        line->setZValue(60);
        m_lines << line;
    }
    m_chain->append(p);
    if (m_chain->size() == 2)
        emit secondPointAdded();
}

void LineMatrixTool::move(int id, double x, double y)
{
    if (!m_chain->move(id, x, y))
        return;
    if (id > 0) {
        QGraphicsLineItem *before = m_lines[id - 1];
        before->setLine(QLineF(before->line().p1(), QPointF(x, y)));
    }
    if (id < m_lines.size()) {
        QGraphicsLineItem *after = m_lines[id];
        after->setLine(QLineF(QPointF(x, y), after->line().p2()));
    }
}

void LineMatrixTool::clear()
{
    m_chain->clear();
    for (QGraphicsLineItem *l : qAsConst(m_lines)) {
        m_scene->removeItem(l);
        delete l;
    }
    m_lines.clear();
}
