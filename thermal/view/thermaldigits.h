#pragma once
// Numbers on pins and rectangles, drawn digit by digit from ":/0.svg" to
// ":/9.svg" so they stay legible down to 6 x 9 pixels.
#include <QPointF>
#include <QRectF>
#include <QVector>

class QPainter;

namespace ThermalDigits {

struct Cell {
    int digit;
    QRectF rect;
};

// The cells of id with its origin (x0, y0), every size divided by s: one
// 8 x 12 cell up to 9, two up to 99, three 6 x 9 cells from 100.
QVector<Cell> cells(int id, const QPointF &origin, double s);

void paint(QPainter *painter, int id, const QPointF &origin, double s);
void paintDigit(QPainter *painter, int digit, const QRectF &cell);

}  // namespace ThermalDigits
