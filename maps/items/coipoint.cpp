#include "maps/items/coipoint.h"

COIPoint::COIPoint(double x, double y, double scale, int id, QGraphicsItem *parent)
    : HandlePoint(x, y, scale, id, QColor(150, 255, 255), QColor(0, 255, 255), parent)
{
}
