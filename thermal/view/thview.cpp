#include "thermal/view/thview.h"

#include <QDebug>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "core/data.h"
#include "thermal/thermalrenderer.h"
#include "thermal/view/thermalpoint.h"
#include "thermal/view/thermalrectangle.h"

namespace {
template <typename Item>
void dropLater(QGraphicsScene *scene, Item *item)
{
    if (item->scene() == scene)
        scene->removeItem(item);
    item->deleteLater();
}
}  // namespace

THView::THView(QWidget *parent) : QGraphicsView(parent)
{
    qDebug() << "[THView] Constructor START";
    m_scene = new QGraphicsScene(this);
    setScene(m_scene);
    m_pixmapItem = new QGraphicsPixmapItem;
    m_errorItem = new QGraphicsSimpleTextItem(tr("Error: Can't open file!"));
    Data *data = Data::instance();
    m_palette = data->thermalPalette();
    qDebug() << "[THView] Constructor 1";
    m_rectSelection = new ThermalRectangleSelection;
    m_circleSelection = new ThermalCircleSelection;
    for (ThermalRectangleSelection *selection : {m_rectSelection, static_cast<ThermalRectangleSelection *>(m_circleSelection)}) {
        selection->setActive(false);
        selection->setVisible(false);
        selection->setZValue(60);
        m_scene->addItem(selection);
    }
    qDebug() << "[THView] Constructor 2";
    connect(data, &Data::thermalPaletteChanged, this, &THView::changePalette);
    setRenderHint(QPainter::Antialiasing);
    setStyleSheet(QStringLiteral("QGraphicsView { background:transparent;  border-style: none; }"));
    qDebug() << "[THView] Constructor FINISHED";
}

THView::~THView()
{
    // Items not in the scene are ours alone.
    if (!m_pixmapItem->scene())
        delete m_pixmapItem;
    if (!m_errorItem->scene())
        delete m_errorItem;
}

bool THView::loadFile(const QString &path)
{
    qDebug().noquote() << QStringLiteral("[THView] loadFile %1 ").arg(path);
    AraFile loaded;
    if (!loaded.load(path))
        return false;
    return showLoaded(loaded, true, 0, 0);
}

bool THView::setImageData(const QByteArray &header, const QByteArray &sensorData, int scaleMin,
                          int scaleMax)
{
    qDebug().noquote() << QStringLiteral("[THView] setImageData %1 %2").arg(scaleMin).arg(scaleMax);
    AraFile loaded;
    if (!loaded.setData(header, sensorData))
        return false;
    return showLoaded(loaded, false, scaleMin, scaleMax);
}

bool THView::showLoaded(AraFile &loaded, bool computeScale, int scaleMin, int scaleMax)
{
    // Only a frame read whole replaces what the view holds.
    m_file = std::move(loaded);
    if (computeScale) {
        const QPoint mm = getMinMax(m_file.counts());
        scaleMin = mm.x();
        scaleMax = mm.y();
    }
    m_scaleMin = scaleMin;
    m_scaleMax = scaleMax;
    fill();
    if (!m_preview)
        setOriginSize();
    if (m_errorItem->scene() == m_scene)
        m_scene->removeItem(m_errorItem);
    if (m_pixmapItem->scene() != m_scene)
        m_scene->addItem(m_pixmapItem);
    m_noImage = false;
    emit arrangeMinMax(QPoint(m_scaleMin, m_scaleMax));
    return true;
}

void THView::fill()
{
    m_image = ThermalRenderer::colorize(m_file.counts(), m_file.width(), m_file.height(), m_palette,
                                        m_scaleMin, m_scaleMax);
    m_pixmapItem->setPixmap(QPixmap::fromImage(m_image));
    m_scene->setSceneRect(0, 0, m_image.width(), m_image.height());
}

void THView::setPreviewMode()
{
    qDebug() << "[THView] setPreviewMode";
    scaleView(0.5);
    setFixedSize(320, 256);
    m_preview = true;
}

void THView::showNoImage()
{
    m_noImage = true;
    setOriginSize();
    if (m_errorItem->scene() != m_scene)
        m_scene->addItem(m_errorItem);
    if (m_pixmapItem->scene() == m_scene)
        m_scene->removeItem(m_pixmapItem);
}

bool THView::showsImage() const
{
    return m_pixmapItem->scene() == m_scene;
}

QPoint THView::getMinMax(const QVector<quint16> &counts)
{
    return ThermalRenderer::minMax(counts);
}

QPoint THView::getImageMinMax() const
{
    return getMinMax(m_file.counts());
}

int THView::getRawValue(int x, int y) const
{
    if (m_image.isNull())
        return 0;
    return m_file.count(x, y);
}

QByteArray THView::header() const
{
    return m_file.header().bytes();
}

QByteArray THView::rawData() const
{
    return ThermalRenderer::toBytes(m_file.counts());
}

void THView::setScaleMinMax(double min, double max)
{
    m_scaleMin = int(min);
    m_scaleMax = int(max);
    fill();
    emit updateMinMax(QPoint(m_scaleMin, m_scaleMax));
    emit dataChanged();
}

void THView::changeScaleMin(double value)
{
    m_scaleMin = int(value);
    fill();
    emit updateMinMax(QPoint(m_scaleMin, m_scaleMax));
    emit dataChanged();
}

void THView::changeScaleMax(double value)
{
    m_scaleMax = int(value);
    fill();
    emit updateMinMax(QPoint(m_scaleMin, m_scaleMax));
    emit dataChanged();
}

QPoint THView::autoScale()
{
    const QPoint mm = getImageMinMax();
    m_scaleMin = mm.x();
    m_scaleMax = mm.y();
    emit arrangeMinMax(mm);
    fill();
    emit updateMinMax(mm);
    return mm;
}

void THView::changePalette(int palette)
{
    m_palette = palette;
    fill();
}

void THView::scaleView(double factor)
{
    if (!(factor > 0))
        return;
    scale(factor, factor);
    m_viewScale *= factor;
    for (ThermalPoint *p : qAsConst(m_points))
        p->setScale(m_viewScale);
    for (ThermalRectangle *r : qAsConst(m_rectangles))
        r->setScale(m_viewScale);
    m_rectSelection->setScale(m_viewScale);
    m_circleSelection->setScale(m_viewScale);
}

void THView::zoomIn()
{
    scaleView(1.1);
}

void THView::zoomOut()
{
    scaleView(0.9);
}

void THView::setOriginSize()
{
    scaleView(1.0 / m_viewScale);
}

void THView::setMode(int tmode)
{
    m_mode = tmode;
    for (ThermalPoint *p : qAsConst(m_points))
        p->setMode(tmode);
}

QImage THView::sceneImage()
{
    for (ThermalPoint *p : qAsConst(m_points))
        p->setSelected(0);
    setOriginSize();
    QImage out(m_file.width(), m_file.height(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing);
    m_scene->render(&painter, QRectF(out.rect()), QRectF(0, 0, out.width(), out.height()),
                    Qt::KeepAspectRatio);
    return out;
}

int THView::nextPointId() const
{
    int id = 1;
    for (;;) {
        bool used = false;
        for (ThermalPoint *p : m_points)
            used = used || p->id() == id;
        if (!used)
            return id;
        ++id;
    }
}

void THView::setThermalPoint(QPointF p)
{
    auto *pin = new ThermalPoint(p.x(), p.y(), m_viewScale, nextPointId(), m_image.width(),
                                 m_image.height());
    pin->setMode(m_mode);
    connect(pin, &ThermalPoint::pointpressed, this, &THView::pointSelected);
    connect(pin, &ThermalPoint::pointMoved, this, &THView::pointMoved);
    m_scene->addItem(pin);
    pin->setPointPosition(p.x(), p.y());
    m_points.append(pin);
    // The pin's own position: a click off the image marks the nearest edge.
    const QPointF at = pin->pointPosition();
    emit newPoint(pin->id(), at, getRawValue(int(p.x()), int(p.y())), 0);
    emit dataChanged();
}

void THView::pointSelected(int id)
{
    m_selectedPoint = -1;
    for (int i = 0; i < m_points.size(); ++i) {
        const bool hit = m_points[i]->id() == id;
        m_points[i]->setSelected(hit ? 1 : 0);
        if (hit)
            m_selectedPoint = i;
    }
}

void THView::pointMoved(int id, double x, double y)
{
    if (m_selectedPoint < 0 || m_selectedPoint >= m_points.size())
        return;
    ThermalPoint *pin = m_points[m_selectedPoint];
    pin->setPointPosition(x, y);
    emit changePoint(id, QPointF(x, y), getRawValue(int(x), int(y)), pin->orientation());
    emit dataChanged();
}

void THView::setOrient(int id, int orient)
{
    for (ThermalPoint *p : qAsConst(m_points)) {
        if (p->id() == id) {
            p->setOrientation(orient);
            emit dataChanged();
        }
    }
}

void THView::changeID(int oldId, int newId)
{
    for (ThermalPoint *p : qAsConst(m_points)) {
        if (p->id() == oldId) {
            p->setId(newId);
            emit dataChanged();
        }
    }
}

void THView::markRectangleMinMax(QPointF start, QPointF end, double &min, double &max,
                                 double &mean, QPointF &minPos, QPointF &maxPos, bool loaded)
{
    mean = 0;
    max = -99999;
    min = 99999;
    const int left = int(qMin(start.x(), end.x()));
    const int right = int(qMax(start.x(), end.x()));
    const int top = int(qMin(start.y(), end.y()));
    const int bottom = int(qMax(start.y(), end.y()));
    const double n = double(bottom - top) * double(right - left);
    if (n <= 0)
        return;
    for (int x = left; x < right; ++x) {
        for (int y = top; y < bottom; ++y) {
            const int c = getRawValue(x, y);
            mean += c / n;
            if (c < min) {
                min = c;
                minPos = QPointF(x, y);
            }
            if (c > max) {
                max = c;
                maxPos = QPointF(x, y);
            }
        }
    }
    if (!loaded) {
        setThermalPoint(minPos);
        setThermalPoint(maxPos);
    }
}

void THView::addRectangle(int id, QPointF start, QPointF end)
{
    auto *rect = new ThermalRectangle(id, m_viewScale);
    rect->setStartPoint(start);
    rect->setEndPoint(end);
    m_scene->addItem(rect);
    m_rectangles.append(rect);
}

void THView::deleteRectangle(int id)
{
    const int at = id - 1;
    if (at < 0 || at >= m_rectangles.size())
        return;
    for (int i = at; i < m_rectangles.size(); ++i)
        m_rectangles[i]->setId(m_rectangles[i]->id() - 1);
    ThermalRectangle *rect = m_rectangles.takeAt(at);
    dropLater(m_scene, rect);
}

void THView::setPoints(const THDataPointList &points)
{
    clearPoints();
    const int n = qMin(qMin(points.positions.size(), points.ids.size()),
                       points.orientations.size());
    for (int i = 0; i < n; ++i) {
        const QPointF at = points.positions[i];
        auto *pin = new ThermalPoint(at.x(), at.y(), m_viewScale, points.ids[i], m_image.width(),
                                     m_image.height());
        pin->setMode(m_mode);
        pin->setOrientation(points.orientations[i]);
        connect(pin, &ThermalPoint::pointpressed, this, &THView::pointSelected);
        connect(pin, &ThermalPoint::pointMoved, this, &THView::pointMoved);
        m_scene->addItem(pin);
        pin->setPointPosition(at.x(), at.y());
        m_points.append(pin);
    }
}

void THView::setRectangles(const QList<QRectF> &rects)
{
    clearRectangles();
    for (int i = 0; i < rects.size(); ++i)
        emit newRectAngleLoaded(rects[i].topLeft(), rects[i].bottomRight(), i + 1);
}

void THView::clearPoints()
{
    m_selectedPoint = -1;
    for (ThermalPoint *p : qAsConst(m_points))
        dropLater(m_scene, p);
    m_points.clear();
}

void THView::clearRectangles()
{
    for (ThermalRectangle *r : qAsConst(m_rectangles))
        dropLater(m_scene, r);
    m_rectangles.clear();
}

void THView::mousePressEvent(QMouseEvent *event)
{
    m_selectedPoint = -1;
    m_dragStarted = false;
    if (event->button() == Qt::RightButton && !toolsOff()) {
        m_panning = true;
        m_lastX = event->x();
        m_lastY = event->y();
    } else if (event->button() == Qt::LeftButton && !toolsOff()) {
        const QPointF p = mapToScene(event->pos());
        if (m_mode == 1) {
            setThermalPoint(p);
        } else if (m_mode == 2 || m_mode == 3) {
            if (p.x() > 0 && p.x() < m_image.width() && p.y() > 0 && p.y() < m_image.height()) {
                ThermalRectangleSelection *sel = m_mode == 2 ? m_rectSelection : m_circleSelection;
                sel->setStartPoint(p);
                sel->setActive(true);
                sel->setVisible(true);
                m_dragStarted = true;
            }
        }
    }
    QGraphicsView::mousePressEvent(event);
    if (m_selectedPoint == -1) {
        for (ThermalPoint *p : qAsConst(m_points))
            p->setSelected(0);
    }
}

void THView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_panning) {
        verticalScrollBar()->setValue(verticalScrollBar()->value() + (m_lastY - event->y()));
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + (m_lastX - event->x()));
        m_lastX = event->x();
        m_lastY = event->y();
        return;
    }
    if (m_mode == 2 || m_mode == 3) {
        if (!m_dragStarted)
            return;
        QPointF p = mapToScene(event->pos());
        p.setX(qBound(0.0, p.x(), double(m_image.width())));
        p.setY(qBound(0.0, p.y(), double(m_image.height())));
        (m_mode == 2 ? m_rectSelection : m_circleSelection)->setEndPoint(p);
        m_scene->update();
        return;
    }
    QGraphicsView::mouseMoveEvent(event);
}

void THView::mouseReleaseEvent(QMouseEvent *event)
{
    m_panning = false;
    if (event->button() == Qt::LeftButton && !toolsOff() && (m_mode == 2 || m_mode == 3)) {
        ThermalRectangleSelection *sel = m_mode == 2 ? m_rectSelection : m_circleSelection;
        sel->setActive(false);
        sel->setVisible(false);
        // Only a drag that started inside the image counts; the selection
        // otherwise still holds the corners of the last one.
        if (m_dragStarted) {
            const QPointF a = sel->startPoint();
            const QPointF b = sel->endPoint();
            if (qAbs(a.x() - b.x()) > 10 && qAbs(a.y() - b.y()) > 10) {
                if (m_mode == 2)
                    emit newRectAngle(a, b);
                else
                    emit newCircle(a, b);
            }
        }
        m_dragStarted = false;
    }
    QGraphicsView::mouseReleaseEvent(event);
    viewport()->update();
}

void THView::wheelEvent(QWheelEvent *event)
{
    if (toolsOff())
        return;
    scaleView(event->angleDelta().y() > 0 ? 1.1 : 0.9);
}

void THView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Delete)
        return;
    if (m_selectedPoint < 0 || m_selectedPoint >= m_points.size())
        return;
    ThermalPoint *pin = m_points.takeAt(m_selectedPoint);
    const int id = pin->id();
    m_selectedPoint = -1;
    emit deletePoint(id);
    dropLater(m_scene, pin);
    emit dataChanged();
}
