#pragma once
// The measurement points of one thermal image: four parallel lists and the
// index of the point changed last, which serves the stream of changes a
// dragged pin sends.
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
        appendFullPoint(id, position, orientation, value);
    }

    void appendFullPoint(int id, QPointF pos, int orient, double value);
    // Position, orientation and value of the point with that id; nothing
    // when no point has it.
    void changeFullPoint(int id, QPointF pos, int orient, double value);
    void changeID(int id, int newId);
    void changeOrient(int id, int orient);
    void deletePoint(int id);
};
