#pragma once
// Magenta drag handle of the editor's generators.
#include "maps/items/handlepoint.h"

class MatrixPoint : public HandlePoint {
    Q_OBJECT
public:
    MatrixPoint(double x, double y, double scale, int id, QGraphicsItem *parent = nullptr);

signals:
    void matrixpressed(int id);
    void matrixreleased(int id);

protected:
    void handlePressed(int id) override { emit matrixpressed(id); }
    void handleReleased(int id) override { emit matrixreleased(id); }
};
