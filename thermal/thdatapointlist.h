#pragma once
// The measurement points of one thermal image: four parallel lists and the
// index of the point changed last.
#include <QList>
#include <QPointF>

struct THDataPointList {
    QList<QPointF> positions;   // image pixel coordinates
    QList<int> ids;             // the number on the pin, unique per image
    QList<double> values;       // raw count under the point
    QList<int> orientations;    // 0-7, the side of the pin's label
    int lastIndex = -1;

    int size() const { return ids.size(); }
    void append(const QPointF &position, int id, double value, int orientation)
    {
        positions << position;
        ids << id;
        values << value;
        orientations << orientation;
    }
};
