#include "maps/items/matrixpoint.h"

MatrixPoint::MatrixPoint(double x, double y, double scale, int id, QGraphicsItem *parent)
    : HandlePoint(x, y, scale, id, QColor(255, 150, 255), QColor(255, 0, 255), parent)
{
}
