#include "planner/canvas/pointchain.h"

#include <QGraphicsScene>

#include "maps/items/matrixpoint.h"

PointChain::PointChain(QGraphicsScene *scene, double handleZ, QObject *parent)
    : QObject(parent), m_scene(scene), m_handleZ(handleZ)
{
}

void PointChain::setScale(double s)
{
    m_scale = s;
    for (MatrixPoint *p : qAsConst(m_handles))
        p->setScale(s);
}

void PointChain::append(const QPointF &p)
{
    m_points << p;
    auto *h = new MatrixPoint(p.x(), p.y(), m_scale, m_points.size() - 1);
    if (m_handleZ != 0)
        h->setZValue(m_handleZ);
    connect(h, &MatrixPoint::matrixpressed, this, &PointChain::pointPressed);
    connect(h, &MatrixPoint::pointMoved, this, &PointChain::pointMoved);
    connect(this, &PointChain::mapMoved, h, &MatrixPoint::mapMoved);
    m_scene->addItem(h);
    m_handles << h;
}

bool PointChain::move(int id, double x, double y)
{
    if (id < 0 || id >= m_points.size())
        return false;
    m_points[id] = QPointF(x, y);
    m_handles[id]->setPosition(x, y);
    return true;
}

void PointChain::showPress(bool highlight)
{
    if (highlight)
        for (int i = 0; i < m_handles.size(); ++i)
            m_handles[i]->setPressed(i == m_pressed);
    m_pressed = -1;
}

void PointChain::clear()
{
    for (MatrixPoint *p : qAsConst(m_handles)) {
        m_scene->removeItem(p);
        delete p;
    }
    m_handles.clear();
    m_points.clear();
}
