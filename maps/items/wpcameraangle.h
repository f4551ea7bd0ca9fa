#pragma once
// Camera view of a waypoint: a viewing-direction symbol, or the ground
// footprint of the current camera when it looks straight down.
#include <QGraphicsObject>

class QPropertyAnimation;

class WPCameraAngle : public QGraphicsObject {
    Q_OBJECT
public:
    WPCameraAngle(double x, double y, double scale, double heading, double northAngle,
                  bool footprint, QGraphicsItem *parent = nullptr);

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    double heading() const { return m_heading; }
    void setHeading(double degrees);
    double northAngle() const { return m_northAngle; }
    bool isFootprint() const { return m_footprint; }
    double footprintWidth() const { return m_width; }
    double footprintHeight() const { return m_height; }
    QPointF anchor() const { return QPointF(m_x, m_y); }
    double viewScale() const { return m_scale; }
    void setPosition(double x, double y);
    void setScale(double s);

    // pitch in degrees, height in metres, the map's pixels per metre.
    void updateFootprint(double pitch, double height, double pixelsPerMetre);

    // Fades in or out (100 ms with "Flightplan Effects", else at once).
    void setShown(bool shown);
    bool isShown() const { return m_shown; }

private slots:
    void updateCameraAngle(QString name);

private:
    void place();
    void applyFieldOfView(const QPointF &fov);

    double m_x;
    double m_y;
    double m_scale;
    double m_heading;
    double m_northAngle;
    bool m_footprint;
    double m_width = 160.0;
    double m_height = 160.0;
    double m_pitch = 0.0;
    double m_altitude = 0.0;
    double m_pixelsPerMetre = 0.0;
    bool m_shown = false;
    QPropertyAnimation *m_fade;
};
