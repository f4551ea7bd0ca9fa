#pragma once
// Cyan drag handle of the editor's generators.
#include "maps/items/handlepoint.h"

class COIPoint : public HandlePoint {
    Q_OBJECT
public:
    COIPoint(double x, double y, double scale, int id, QGraphicsItem *parent = nullptr);

signals:
    void coipressed(int id);
    void coireleased(int id);

protected:
    void handlePressed(int id) override { emit coipressed(id); }
    void handleReleased(int id) override { emit coireleased(id); }
};
