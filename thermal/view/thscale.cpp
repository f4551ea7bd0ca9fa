#include "thermal/view/thscale.h"

#include <QCursor>
#include <QDebug>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

#include "core/data.h"
#include "thermal/thermalrenderer.h"

THColorRect::THColorRect(int kind, QGraphicsItem *parent) : QGraphicsObject(parent), m_kind(kind)
{
}

void THColorRect::setColor(const QColor &c)
{
    m_color1 = c;
    update();
}

void THColorRect::setGradient(const QColor &c1, const QColor &c2)
{
    m_color1 = c1;
    m_color2 = c2;
    m_gradient = QLinearGradient(QPointF(0, 15), QPointF(m_width, 15));
    m_gradient.setColorAt(0, c1);
    m_gradient.setColorAt(1, c2);
    update();
}

void THColorRect::setRainbowGradient(const QColor &c1, const QColor &c2)
{
    m_color1 = c1;
    m_color2 = c2;
    m_gradient = QLinearGradient(QPointF(0, 15), QPointF(m_width, 15));
    m_gradient.setColorAt(0, c1);
    m_gradient.setColorAt(0.25, QColor(0, 255, 255));
    m_gradient.setColorAt(0.5, QColor(0, 255, 0));
    m_gradient.setColorAt(0.75, QColor(255, 255, 0));
    m_gradient.setColorAt(1, c2);
    update();
}

void THColorRect::setWidth(double width)
{
    prepareGeometryChange();
    m_width = width;
    m_gradient.setFinalStop(QPointF(width, 15));
    update();
}

QRectF THColorRect::boundingRect() const
{
    return QRectF(0, 0, m_width, 30);
}

void THColorRect::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    if (m_kind == 0) {
        painter->setPen(m_color1);
        painter->setBrush(m_color1);
    } else {
        painter->setPen(Qt::NoPen);
        painter->setBrush(m_gradient);
    }
    painter->drawRect(boundingRect());
}

THColorSeperator::THColorSeperator(QGraphicsItem *parent) : QGraphicsObject(parent)
{
    setAcceptHoverEvents(true);
}

QRectF THColorSeperator::boundingRect() const
{
    return QRectF(0, 0, 6, 30);
}

void THColorSeperator::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->setPen(Qt::white);
    painter->setBrush(Qt::black);
    painter->drawRect(boundingRect());
}

void THColorSeperator::hoverEnterEvent(QGraphicsSceneHoverEvent *)
{
    setCursor(Qt::SizeHorCursor);
}

void THColorSeperator::hoverLeaveEvent(QGraphicsSceneHoverEvent *)
{
    setCursor(Qt::ArrowCursor);
}

void THColorSeperator::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    event->accept();
}

void THColorSeperator::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    dragTo(event->scenePos().x());
}

void THColorSeperator::dragTo(double p)
{
    const double w = scene() ? scene()->width() : 0;
    if (m_lower > 0) {
        if (p > w - 7)
            setPos(w - 7, 0);
        else if (p > m_lower)
            setPos(p, 0);
    } else if (m_upper > 0) {
        if (p < 0)
            setPos(0, 0);
        else if (p < m_upper)
            setPos(p, 0);
    }
    emit newScaleValue(x());
}

THScale::THScale(QWidget *parent) : QGraphicsView(parent)
{
    qDebug() << "[THScale] Constructor";
    setStyleSheet(QStringLiteral("QGraphicsView { border-style: none; }"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    setFixedHeight(30);
    auto *scene = new QGraphicsScene(this);
    setScene(scene);
    m_lowBar = new THColorRect(0);
    m_gradientBar = new THColorRect(1);
    m_highBar = new THColorRect(0);
    m_minSep = new THColorSeperator;
    m_maxSep = new THColorSeperator;
    for (QGraphicsItem *item : {static_cast<QGraphicsItem *>(m_lowBar), static_cast<QGraphicsItem *>(m_gradientBar),
                                static_cast<QGraphicsItem *>(m_highBar), static_cast<QGraphicsItem *>(m_minSep),
                                static_cast<QGraphicsItem *>(m_maxSep)})
        scene->addItem(item);
    scene->setSceneRect(0, 0, width(), height());
    m_minTimer.setSingleShot(true);
    m_maxTimer.setSingleShot(true);
    connect(m_minSep, &THColorSeperator::newScaleValue, this, &THScale::newMinValue);
    connect(m_maxSep, &THColorSeperator::newScaleValue, this, &THScale::newMaxValue);
    connect(&m_minTimer, &QTimer::timeout, this, &THScale::mintimerelapsed);
    connect(&m_maxTimer, &QTimer::timeout, this, &THScale::maxtimerelapsed);
    Data *data = Data::instance();
    connect(data, &Data::thermalPaletteChanged, this, &THScale::changePalette);
    changePalette(data->thermalPalette());
}

double THScale::position(double value) const
{
    return m_R == m_r ? 0.0 : (value - m_r) / (m_R - m_r) * barWidth();
}

double THScale::countsToWidth(double counts) const
{
    return m_R == m_r ? 0.0 : counts / (m_R - m_r) * barWidth();
}

void THScale::setScaleRange(int min, int max)
{
    m_r = min - 10;
    m_R = max + 10;
    updateItemPositions();
}

void THScale::setScaleValues(QPoint p)
{
    m_m = p.x();
    m_M = p.y();
    updateItemPositions();
}

void THScale::placeGradient()
{
    m_gradientBar->setPos(position(m_m), 0);
    m_gradientBar->setWidth(countsToWidth(m_M - m_m));
}

void THScale::updateItemPositions()
{
    const double W = barWidth();
    m_lowBar->setWidth(position(m_m));
    m_highBar->setWidth(W - position(m_M));
    m_highBar->setPos(position(m_M), 0);
    m_maxSep->setPos(position(m_M) - 3, 0);
    placeGradient();
    m_minSep->setPos(position(m_m) - 3, 0);
    m_minSep->setUpperLimit(position(m_M) - countsToWidth(20));
    m_maxSep->setLowerLimit(position(m_m) + countsToWidth(20));
}

void THScale::newMinValue(double scenepos)
{
    qDebug() << "scenepos" << scenepos;
    const double span = scene()->width() - 7;
    if (span <= 0)
        return;
    m_m = m_r + (m_R - m_r) * scenepos / span;
    m_maxSep->setLowerLimit(position(m_m) + countsToWidth(20));
    m_lowBar->setWidth(position(m_m));
    placeGradient();
    m_minTimer.start(20);
}

void THScale::newMaxValue(double scenepos)
{
    const double span = scene()->width() - 7;
    if (span <= 0)
        return;
    m_M = m_r + (m_R - m_r) * scenepos / span;
    m_minSep->setUpperLimit(position(m_M) - countsToWidth(20));
    m_highBar->setPos(position(m_M), 0);
    m_highBar->setWidth(barWidth() - position(m_M));
    placeGradient();
    m_maxTimer.start(20);
}

void THScale::mintimerelapsed()
{
    emit updateMinValue(m_m);
}

void THScale::maxtimerelapsed()
{
    emit updateMaxValue(m_M);
}

void THScale::changePalette(int palette)
{
    if (palette < 0 || palette >= ThermalRenderer::paletteCount)
        return;
    // The ends of the bar are the colours the image takes at the ends of the scale.
    const QColor low(ThermalRenderer::color(palette, 0, 0, 1));
    const QColor high(ThermalRenderer::color(palette, 1, 0, 1));
    m_palette = palette;
    m_lowBar->setColor(low);
    m_highBar->setColor(high);
    if (palette == 0)
        m_gradientBar->setRainbowGradient(low, high);
    else
        m_gradientBar->setGradient(low, high);
}

void THScale::resizeEvent(QResizeEvent *event)
{
    QGraphicsView::resizeEvent(event);
    scene()->setSceneRect(0, 0, width(), height());
    updateItemPositions();
}
