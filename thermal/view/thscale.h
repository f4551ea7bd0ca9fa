#pragma once
// The colour-scale bar: the palette between the scale minimum and maximum,
// solid bars for counts below and above, and two separators the user drags
// to set the scale. The values go out 20 ms after the last move, so a drag
// recolours the image once per pause rather than once per mouse event.
#include <QColor>
#include <QGraphicsObject>
#include <QGraphicsView>
#include <QLinearGradient>
#include <QTimer>

class THColorRect : public QGraphicsObject
{
    Q_OBJECT
public:
    explicit THColorRect(int kind, QGraphicsItem *parent = nullptr);

    void setColor(const QColor &c);
    void setGradient(const QColor &c1, const QColor &c2);
    void setRainbowGradient(const QColor &c1, const QColor &c2);
    void setWidth(double width);

    int kind() const { return m_kind; }
    double width() const { return m_width; }
    QColor color() const { return m_color1; }
    QLinearGradient gradient() const { return m_gradient; }

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

private:
    int m_kind;
    QColor m_color1;
    QColor m_color2;
    QLinearGradient m_gradient;
    double m_width = 0;
};

class THColorSeperator : public QGraphicsObject
{
    Q_OBJECT
public:
    explicit THColorSeperator(QGraphicsItem *parent = nullptr);

    void setLowerLimit(double limit) { m_lower = limit; }
    void setUpperLimit(double limit) { m_upper = limit; }
    double lowerLimit() const { return m_lower; }
    double upperLimit() const { return m_upper; }

    QRectF boundingRect() const override;
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option,
               QWidget *widget = nullptr) override;

    // The drag step for the mouse's scene x (public for the scale's tests).
    void dragTo(double p);

signals:
    void newScaleValue(double x);

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent *event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent *event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent *event) override;

private:
    double m_lower = -1.0;
    double m_upper = -1.0;
};

class THScale : public QGraphicsView
{
    Q_OBJECT
public:
    explicit THScale(QWidget *parent = nullptr);

    void setScaleRange(int min, int max);
    void updateItemPositions();

    double rangeLow() const { return m_r; }
    double rangeHigh() const { return m_R; }
    double scaleMin() const { return m_m; }
    double scaleMax() const { return m_M; }
    int palette() const { return m_palette; }
    // Position of a count on the bar.
    double position(double value) const;

    THColorRect *lowBar() const { return m_lowBar; }
    THColorRect *gradientBar() const { return m_gradientBar; }
    THColorRect *highBar() const { return m_highBar; }
    THColorSeperator *minSeparator() const { return m_minSep; }
    THColorSeperator *maxSeparator() const { return m_maxSep; }

public slots:
    void newMinValue(double scenepos);
    void newMaxValue(double scenepos);
    void mintimerelapsed();
    void maxtimerelapsed();
    void setScaleValues(QPoint p);
    void changePalette(int palette);

signals:
    void updateMinValue(double value);
    void updateMaxValue(double value);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    double barWidth() const { return width(); }
    double countsToWidth(double counts) const;
    void placeGradient();

    double m_r = 0;
    double m_R = 16400;
    double m_m = 400;
    double m_M = 16000;
    int m_palette = 0;
    THColorRect *m_lowBar;
    THColorRect *m_gradientBar;
    THColorRect *m_highBar;
    THColorSeperator *m_minSep;
    THColorSeperator *m_maxSep;
    QTimer m_minTimer;
    QTimer m_maxTimer;
};
