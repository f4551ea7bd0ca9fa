#pragma once
// The symbol of one waypoint on the editor canvas: a disc of constant screen
// size with the waypoint number, coloured by the flight status.
#include <QColor>
#include <QGraphicsObject>
#include <QPointF>
#include <QVariant>

class QSvgRenderer;
class QVariantAnimation;

class WPWaypoint : public QGraphicsObject {
    Q_OBJECT
public:
    WPWaypoint(double x, double y, double scale, int number, int type,
               QGraphicsItem *parent = nullptr);
    ~WPWaypoint() override;

    QRectF boundingRect() const override;
    // Clicks hit the disc only, not the margin kept for the ring.
    QPainterPath shape() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    // Centre of the waypoint in scene pixels.
    double centreX() const { return m_x; }
    double centreY() const { return m_y; }
    QPointF centre() const { return QPointF(m_x, m_y); }
    double viewScale() const { return m_scale; }
    int number() const { return m_number; }
    int waypointType() const { return m_type; }
    void setWaypointType(int type);
    int flightStatus() const { return m_status; }
    int previousStatus() const { return m_previousStatus; }
    QColor centreColor() const { return m_centreColor; }
    QColor rimColor() const { return m_rimColor; }
    bool vectorDigits() const { return m_vectorDigits; }
    // Digit shown in each place (ones, tens, hundreds, thousands), -1 when
    // that place has no image.
    int digitImage(int place) const;
    // How many digits the number is drawn with (1 to 4).
    int digitCount() const;

    void setNumber(int number, bool onlyStore);
    void setFlightStatus(int status);
    void setPosition(double x, double y);
    void setScale(double s);

    // Colours of a flight status: centre and rim.
    static QColor lookCentre(int status);
    static QColor lookRim(int status);

signals:
    void wppressed(int number);
    void rightClicked();
    void pointMoved(int id, double tx, double ty);

public slots:
    void mapMoved();

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private slots:
    void colorAnimation(const QVariant &value);

private:
    void place();
    void loadDigitImages();
    void drawVectorDigit(QPainter *painter, int digit, const QPointF &topLeft, double k) const;

    double m_x;
    double m_y;
    double m_scale;
    int m_number;
    int m_previousStatus = 0;
    int m_status = 0;
    int m_type;
    int m_lastButton = 0;
    bool m_drag = false;
    bool m_vectorDigits;
    // Shared, never owned: one renderer per digit for the whole program.
    QSvgRenderer *m_digits[4] = {nullptr, nullptr, nullptr, nullptr};
    QVariantAnimation *m_fade;
    QColor m_centreColor{255, 150, 150};
    QColor m_rimColor{255, 0, 0};
};
