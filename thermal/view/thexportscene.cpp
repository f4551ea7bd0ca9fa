#include "thermal/view/thexportscene.h"

#include <QDebug>
#include <QGraphicsItem>
#include <QPainter>

#include "thermal/thermalrenderer.h"
#include "thermal/view/thermalpoint.h"
#include "thermal/view/thermalrectangle.h"

// Draws the coloured image as it is: a pixmap item would need QPixmap, which
// belongs to the GUI thread, and the scene lives on a worker.
class THExportScene::ImageItem : public QGraphicsItem
{
public:
    QRectF boundingRect() const override { return QRectF(m_image.rect()); }
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        painter->drawImage(QPointF(0, 0), m_image);
    }
    void setImage(const QImage &image)
    {
        prepareGeometryChange();
        m_image = image;
        update();
    }

private:
    QImage m_image;
};

THExportScene::THExportScene(int palette, QObject *parent)
    : QGraphicsScene(parent), m_palette(palette)
{
    qDebug() << "[THExportScene] Contructor";
    m_imageItem = new ImageItem;
    addItem(m_imageItem);
}

bool THExportScene::loadFile(const QString &path, int min, int max)
{
    qDebug().noquote() << QStringLiteral("[THExportScene] loadFile %1").arg(path);
    AraFile loaded;
    if (!loaded.load(path))
        return false;
    m_file = std::move(loaded);
    fillPixmap(m_file.counts(), min, max);
    return !m_image.isNull();
}

void THExportScene::fillPixmap(const QVector<quint16> &counts, int min, int max)
{
    qDebug() << "[THExportScene] fillPixmap";
    m_image = ThermalRenderer::colorize(counts, m_file.width(), m_file.height(), m_palette, min, max);
    m_imageItem->setImage(m_image);
    setSceneRect(0, 0, m_image.width(), m_image.height());
}

void THExportScene::setPoints(const THDataPointList &points)
{
    qDebug() << "[THExportScene] setPoints";
    clearPoints();
    const int n = qMin(qMin(points.positions.size(), points.ids.size()), points.orientations.size());
    for (int i = 0; i < n; ++i) {
        const QPointF at = points.positions[i];
        auto *pin = new ThermalPoint(at.x(), at.y(), 1.0, points.ids[i], m_image.width(),
                                     m_image.height());
        pin->setOrientation(points.orientations[i]);
        addItem(pin);
        pin->setPointPosition(at.x(), at.y());
        m_points.append(pin);
    }
}

void THExportScene::setRectangles(const QList<QRectF> &rects)
{
    clearRectangles();
    for (int i = 0; i < rects.size(); ++i) {
        auto *rect = new ThermalRectangle(i + 1, 1.0);
        rect->setStartPoint(rects[i].topLeft());
        rect->setEndPoint(rects[i].bottomRight());
        addItem(rect);
        m_rectangles.append(rect);
    }
}

void THExportScene::clearPoints()
{
    qDebug() << "[THExportScene] clearPoints";
    for (ThermalPoint *p : qAsConst(m_points)) {
        removeItem(p);
        p->deleteLater();
    }
    m_points.clear();
}

void THExportScene::clearRectangles()
{
    for (ThermalRectangle *r : qAsConst(m_rectangles)) {
        removeItem(r);
        r->deleteLater();
    }
    m_rectangles.clear();
}

QImage THExportScene::getSceneImageWithItems()
{
    qDebug() << "[THExportScene] getSceneImageWithItems";
    for (ThermalPoint *p : qAsConst(m_points))
        p->setSelected(0);
    QImage out(int(m_file.header().width()), int(m_file.header().height()), QImage::Format_ARGB32);
    if (out.isNull())
        return out;
    out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing);
    render(&painter, QRectF(out.rect()), QRectF(0, 0, out.width(), out.height()),
           Qt::KeepAspectRatio);
    return out;
}
