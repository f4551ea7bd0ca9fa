#include "maps/acquisition/gmmap.h"

#include <QGraphicsScene>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "maps/acquisition/gmkarte.h"
#include "maps/acquisition/gmpoint.h"

GMMap::GMMap(const QString &imagePath, QWidget *parent)
    : QGraphicsView(parent), m_imagePath(imagePath)
{
    setStyleSheet(QStringLiteral("QGraphicsView { border-style: none; }"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    m_scene = new QGraphicsScene(this);
    m_scale = 1.0;
    m_image = QImage(imagePath);
    m_karte = new GMKarte(m_image);
    m_karte->setZValue(-100);
    m_scene->addItem(m_karte);

    m_pin1 = new GMPoint(50, 50, m_scale, 1);
    m_pin2 = new GMPoint(100, 50, m_scale, 2);
    m_pin3 = new GMPoint(50, 100, m_scale, 3);
    for (GMPoint *p : {m_pin1, m_pin2, m_pin3}) {
        p->setBounds(m_image.size());
        m_scene->addItem(p);
    }
    m_pin1->setImagePosition(100, 100);
    m_pin2->setImagePosition(150, 100);
    m_pin3->setImagePosition(200, 100);
    m_minScale = 0.8;
    m_scene->setSceneRect(0, 0, m_image.width(), m_image.height());
    setScene(m_scene);
    for (GMPoint *p : {m_pin1, m_pin2, m_pin3})
        connect(p, &GMPoint::pointMoved, this, &GMMap::recalculate);
}

GMMap::~GMMap() = default;

QPointF GMMap::pin1Position() const
{
    return m_pin1->imagePosition();
}

QPointF GMMap::pin2Position() const
{
    return m_pin2->imagePosition();
}

QPointF GMMap::pin3Position() const
{
    return m_pin3->imagePosition();
}

GMPoint *GMMap::pin(int number) const
{
    return number == 1 ? m_pin1 : number == 2 ? m_pin2 : number == 3 ? m_pin3 : nullptr;
}

void GMMap::placePinsAtCorners()
{
    m_pin1->setImagePosition(0, 0);
    m_pin2->setImagePosition(m_image.width(), m_image.height());
    m_pin3->setImagePosition(0, m_image.height());
}

void GMMap::applyScaleToPins()
{
    for (GMPoint *p : {m_pin1, m_pin2, m_pin3})
        p->setScale(m_scale);
}

void GMMap::zoomBy(double factor)
{
    const double newScale = m_scale * factor;
    if (newScale < m_minScale)
        return;
    m_scale = newScale;
    applyScaleToPins();
    scale(factor, factor);
}

void GMMap::zoomIn()
{
    zoomBy(1.1);
}

void GMMap::zoomOut()
{
    zoomBy(0.9);
}

void GMMap::wheelEvent(QWheelEvent *event)
{
    zoomBy(event->angleDelta().y() >= 1 ? 1.1 : 0.9);
    event->accept();
}

void GMMap::resizeEvent(QResizeEvent *event)
{
    // An image without pixels has no zoom that covers the view.
    if (m_image.width() > 0 && m_image.height() > 0) {
        m_minScale = qMax(double(viewport()->width()) / m_image.width(),
                          double(viewport()->height()) / m_image.height());
        if (m_minScale > m_scale) {
            const double factor = m_minScale / m_scale;
            scale(factor, factor);
            m_scale = m_minScale;
            applyScaleToPins();
        }
    }
    QGraphicsView::resizeEvent(event);
}

void GMMap::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        m_panning = true;
        m_lastX = event->x();
        m_lastY = event->y();
    }
    // The scene sees every press, so a pin under the pointer still hears
    // the release that follows.
    QGraphicsView::mousePressEvent(event);
}

void GMMap::mouseMoveEvent(QMouseEvent *event)
{
    if (m_panning) {
        verticalScrollBar()->setValue(verticalScrollBar()->value() + (m_lastY - event->y()));
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + (m_lastX - event->x()));
        m_lastX = event->x();
        m_lastY = event->y();
        return;
    }
    QGraphicsView::mouseMoveEvent(event);
}

void GMMap::mouseReleaseEvent(QMouseEvent *event)
{
    m_panning = false;
    QGraphicsView::mouseReleaseEvent(event);
}
