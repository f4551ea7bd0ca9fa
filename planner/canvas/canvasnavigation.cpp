#include "planner/canvas/canvasnavigation.h"

#include <QApplication>
#include <QDebug>
#include <QGestureEvent>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QPinchGesture>
#include <QScrollBar>
#include <QStatusTipEvent>
#include <algorithm>
#include <cmath>

#include "maps/wpdata.h"

CanvasNavigation::CanvasNavigation(QGraphicsView *view, WPData *plan)
    : QObject(view), m_view(view), m_plan(plan)
{
    const QSize image = m_plan->imageSize();
    m_minScale = image.width() > 0 ? double(view->width()) / image.width() : 1.0;
}

void CanvasNavigation::computeMinimumScale()
{
    const QSize image = m_plan->imageSize();
    if (image.isEmpty()) {
        m_minScale = 1.0;
        return;
    }
    m_minScale = std::min(double(m_view->viewport()->width()) / image.width(),
                          double(m_view->viewport()->height()) / image.height());
}

void CanvasNavigation::scaleView(double factor)
{
    qDebug().noquote() << QStringLiteral("[WPEditor] scaleView %1").arg(factor);
    const double oldScale = m_scale;
    double newScale = m_scale * factor;
    computeMinimumScale();
    qDebug() << "max scale: " << m_minScale << "scale_factor:" << newScale;
    if (m_minScale >= newScale) {
        newScale = m_minScale;
        factor = oldScale > 0 ? m_minScale / oldScale : m_minScale;
    }
    m_scale = newScale;
    qDebug() << "scal: " << factor;
    m_view->scale(factor, factor);
    emit scaleChanged(m_scale);
}

void CanvasNavigation::wheel(int angleDeltaY)
{
    m_view->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    qDebug() << "[WPEditor] wheelEvent";
    scaleView(std::pow(0.9, angleDeltaY > 0 ? -1 : 1));
}

void CanvasNavigation::pinch(QGestureEvent *ge)
{
    qDebug() << "gesture event";
    m_pressButton = 0;
    m_view->setTransformationAnchor(QGraphicsView::AnchorViewCenter);
    auto *pinch = static_cast<QPinchGesture *>(ge->gesture(Qt::PinchGesture));
    if (!pinch)
        return;
    if (pinch->changeFlags() & QPinchGesture::ScaleFactorChanged) {
        const double f = pinch->property("scaleFactor").toDouble();
        qDebug() << "scale factor: " << f;
        scaleView(f);
    }
    if (pinch->changeFlags() & QPinchGesture::CenterPointChanged) {
        const QPointF d = pinch->property("lastCenterPoint").toPointF() -
                          pinch->property("centerPoint").toPointF();
        qDebug() << "moved: " << d;
        QScrollBar *v = m_view->verticalScrollBar(), *h = m_view->horizontalScrollBar();
        v->setValue(v->value() + int(d.y()));
        h->setValue(h->value() + int(d.x()));
    }
}

void CanvasNavigation::fit(const QRectF &map)
{
    scaleView(0.0);
    m_view->scene()->setSceneRect(QRectF());
    // At the fit scale the whole map is meant to be seen, not a corner of
    // the wider scene the tool items span.
    m_view->centerOn(map.center());
}

void CanvasNavigation::press(const QMouseEvent *e)
{
    m_pressPos = e->pos();
    m_pressButton = e->button() == Qt::LeftButton ? 1 : e->button() == Qt::RightButton ? 2 : 0;
}

bool CanvasNavigation::beyondDragThreshold(const QPoint &pos)
{
    if (m_pressButton == 0 || m_dragging ||
        (std::abs(pos.x() - m_pressPos.x()) <= 20 && std::abs(pos.y() - m_pressPos.y()) <= 20))
        return false;
    if (m_pressButton == 2) {
        m_dragging = true;
        m_view->viewport()->setCursor(Qt::SizeAllCursor);
    }
    return true;
}

bool CanvasNavigation::pan(const QPoint &pos)
{
    if (!m_dragging || m_pressButton != 2)
        return false;
    QScrollBar *v = m_view->verticalScrollBar(), *h = m_view->horizontalScrollBar();
    v->setValue(v->value() + m_pressPos.y() - pos.y());
    h->setValue(h->value() + m_pressPos.x() - pos.x());
    m_pressPos = pos;
    return true;
}

void CanvasNavigation::release()
{
    m_dragging = false;
    m_pressButton = 0;
}

bool CanvasNavigation::panKey(int key)
{
    QScrollBar *bar = key == Qt::Key_Left || key == Qt::Key_Right ? m_view->horizontalScrollBar()
                                                                   : m_view->verticalScrollBar();
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        bar->setValue(bar->value() - 30);
        return true;
    case Qt::Key_Right:
    case Qt::Key_Down:
        bar->setValue(bar->value() + 30);
        return true;
    default:
        return false;
    }
}

void CanvasNavigation::setMouseInside(bool inside)
{
    m_mouseInside = inside;
    if (!inside)
        sendStatusTip(QString());
}

void CanvasNavigation::track(const QPointF &scenePos)
{
    if (!m_mouseInside)
        return;
    m_lastMouseScene = scenePos;
    const QPointF geo = m_plan->pixelToGeo(scenePos.x(), scenePos.y());
    sendStatusTip(tr("Longitude/Latitude: %1 / %2")
                      .arg(QString::number(geo.x(), 'g', 10) + QChar(0x00B0),
                           QString::number(geo.y(), 'g', 10) + QChar(0x00B0)));
}

void CanvasNavigation::sendStatusTip(const QString &text)
{
    QStatusTipEvent tip(text);
    QApplication::sendEvent(m_view, &tip);
}
