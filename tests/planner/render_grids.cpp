// Draws a few survey grids with their footprints into PNG files, to look
// at: render_grids <folder>. Not a test.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QTransform>
#include <QDir>
#include <cmath>
#include <cstdio>

#include "planner/geometry/surveygrid.h"

namespace {

QVector<QPointF> turned(const QVector<QPointF> &points, double degrees, const QPointF &about)
{
    QTransform t;
    t.translate(about.x(), about.y()).rotate(degrees).translate(-about.x(), -about.y());
    QVector<QPointF> out;
    for (const QPointF &p : points)
        out << t.map(p);
    return out;
}

void render(const QString &path, const QVector<QPointF> &area, int along, int cross, double px,
            double height, double fov)
{
    const auto b = SurveyGrid::borders(area, 0, 1);
    const auto s = SurveyGrid::steps(height, along, cross, fov, fov, px);
    const auto g = SurveyGrid::generate(b, s.x, s.y, along, cross, true);
    QRectF box = QPolygonF(area).boundingRect().adjusted(-160, -160, 160, 160);
    QImage image(box.size().toSize(), QImage::Format_RGB32);
    image.fill(QColor(60, 90, 60));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(-box.topLeft());
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawPolygon(QPolygonF(area));
    const QPointF d = b[0] - b[1];
    const QPointF u = d / std::hypot(d.x(), d.y());
    const QPointF v(-u.y(), u.x());
    p.setPen(QPen(QColor(255, 255, 255, 120), 1));
    p.setBrush(QColor(100, 180, 255, 35));
    for (const Preview &pr : g.previews) {
        const QPointF c = pr.pos;
        p.drawPolygon(QPolygonF({c + u * g.halfAlong + v * g.halfAcross, c - u * g.halfAlong + v * g.halfAcross,
                                 c - u * g.halfAlong - v * g.halfAcross, c + u * g.halfAlong - v * g.halfAcross}));
    }
    p.setPen(QPen(QColor(255, 255, 100), 2, Qt::DotLine));
    for (int i = 1; i < g.previews.size(); ++i)
        p.drawLine(g.previews[i - 1].pos, g.previews[i].pos);
    p.setPen(QPen(Qt::black, 1));
    for (int i = 0; i < g.previews.size(); ++i) {
        p.setBrush(i == 0 ? QColor(0, 255, 0) : QColor(255, 80, 80));
        p.drawEllipse(g.previews[i].pos, 5, 5);
    }
    p.setPen(QPen(QColor(255, 150, 0), 4));
    p.drawLine(b[0], b[1]);
    p.end();
    image.save(path);
    std::printf("%s: %d previews, status %d\n", qPrintable(path), int(g.previews.size()), int(g.status));
}

}  // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QDir out(argc > 1 ? argv[1] : ".");
    const QVector<QPointF> square30 = {{1000, 1000}, {1346.410, 1200}, {1146.410, 1546.410}, {800, 1346.410}};
    for (double a : {0.0, 45.0, 90.0})
        render(out.filePath(QString("grid-turned-%1.png").arg(a)), turned(square30, a - 30, square30[0]), 50, 50, 2, 50, 90);
    render(out.filePath("grid-true-footprint-80-20.png"), square30, 80, 20, 2, 50, 90);
    const QVector<QPointF> u = {{0, 0}, {600, 0}, {600, 500}, {420, 500}, {420, 150}, {180, 150}, {180, 500}, {0, 500}};
    for (double a : {0.0, 17.0, 133.0})
        render(out.filePath(QString("grid-u-%1.png").arg(a)), turned(u, a, QPointF(300, 250)), 60, 30, 1.5, 40, 60);
    return 0;
}
