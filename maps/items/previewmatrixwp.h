#pragma once
// Preview dot of a generated waypoint; its heading is applied with the plan.
#include "maps/items/centreditem.h"

class PreviewMatrixWP : public CentredItem {
    Q_OBJECT
public:
    PreviewMatrixWP(double x, double y, double scale, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;


    // Heading in degrees, 0 to 360.
    double heading() const { return m_heading; }
    void setHeadingRadians(double radians);
    void setHeadingDegrees(double degrees);
    // Last point of a line segment: applied as a run's closing waypoint.
    bool segmentEnd() const { return m_segmentEnd; }
    void setSegmentEnd(bool on) { m_segmentEnd = on; }

private:
    double m_heading = 0.0;
    bool m_segmentEnd = false;
};
