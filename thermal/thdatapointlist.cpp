#include "thermal/thdatapointlist.h"

#include <QDebug>

void THDataPointList::appendFullPoint(int id, QPointF pos, int orient, double value)
{
    qDebug() << "[THDataPointList] appendFullPoint";
    positions << pos;
    ids << id;
    values << value;
    orientations << orient;
    lastIndex = -1;
}

void THDataPointList::changeFullPoint(int id, QPointF pos, int orient, double value)
{
    qDebug() << "[THDataPointList] changeFullPoint";
    int at = -1;
    if (lastIndex >= 0 && lastIndex < ids.size() && ids[lastIndex] == id) {
        at = lastIndex;
    } else {
        at = ids.indexOf(id);
        if (at < 0)
            return;
        lastIndex = at;
    }
    positions[at] = pos;
    values[at] = value;
    orientations[at] = orient;
}

void THDataPointList::changeID(int id, int newId)
{
    qDebug() << "[THDataPointList] changeID";
    const int at = ids.indexOf(id);
    if (at >= 0)
        ids[at] = newId;
}

void THDataPointList::changeOrient(int id, int orient)
{
    qDebug() << "[THDataPointList] changeOrient";
    const int at = ids.indexOf(id);
    if (at >= 0)
        orientations[at] = orient;
}

void THDataPointList::deletePoint(int id)
{
    const int at = ids.indexOf(id);
    qDebug().noquote() << QStringLiteral("[THDataPointList] deletePoint: to remove: %1").arg(at);
    if (at < 0)
        return;
    positions.removeAt(at);
    ids.removeAt(at);
    values.removeAt(at);
    orientations.removeAt(at);
    lastIndex = -1;
}
