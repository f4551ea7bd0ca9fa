#pragma once
// Alarm light of the gas-sensor display: its background fades from the base
// colour to yellow (warning) or red (alarm) and back once a second.
#include <QColor>
#include <QWidget>

class QPropertyAnimation;

class Blinkenlight : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)
public:
    explicit Blinkenlight(QWidget *parent = nullptr);
    ~Blinkenlight() override;

    QColor backgroundColor() const;
    void setBackgroundColor(const QColor &color);
    QColor baseColor() const { return m_base; }
    QPropertyAnimation *animation() const { return m_animation; }

public slots:
    void alarm();
    void warn();
    void off();

private:
    void blink(const QColor &color);

    QColor m_yellow = Qt::yellow;
    QColor m_red = Qt::red;
    QColor m_base;
    QPropertyAnimation *m_animation;
};
