#include "thermal/view/thermaldigits.h"

#include <QPainter>
#include <QSvgRenderer>

namespace ThermalDigits {

QVector<Cell> cells(int id, const QPointF &origin, double s)
{
    const double x0 = origin.x();
    const double y0 = origin.y();
    QVector<Cell> out;
    if (id < 0)
        return out;
    if (id < 10) {
        out.append({id, QRectF((x0 + 4) / s, y0 / s, 8 / s, 12 / s)});
    } else if (id < 100) {
        out.append({id / 10, QRectF(x0 / s, y0 / s, 8 / s, 12 / s)});
        out.append({id % 10, QRectF((x0 + 8) / s, y0 / s, 8 / s, 12 / s)});
    } else {
        out.append({(id / 100) % 10, QRectF((x0 - 1) / s, (y0 + 1) / s, 6 / s, 9 / s)});
        out.append({(id / 10) % 10, QRectF((x0 + 5) / s, (y0 + 1) / s, 6 / s, 9 / s)});
        out.append({id % 10, QRectF((x0 + 11) / s, (y0 + 1) / s, 6 / s, 9 / s)});
    }
    return out;
}

void paint(QPainter *painter, int id, const QPointF &origin, double s)
{
    // A renderer per call: items are painted on worker threads too, and the
    // drawings are tiny.
    for (const Cell &cell : cells(id, origin, s))
        paintDigit(painter, cell.digit, cell.rect);
}

void paintDigit(QPainter *painter, int digit, const QRectF &cell)
{
    QSvgRenderer renderer(QStringLiteral(":/%1.svg").arg(digit));
    renderer.render(painter, cell);
}

}  // namespace ThermalDigits
