#include "link/blinkenlight.h"

#include <QPropertyAnimation>

Blinkenlight::Blinkenlight(QWidget *parent)
    : QWidget(parent)
    , m_base(palette().color(QPalette::Window))
    , m_animation(new QPropertyAnimation(this, "backgroundColor", this))
{
    setMinimumHeight(24);
    m_animation->setDuration(1000);
    m_animation->setStartValue(m_base);
    m_animation->setEndValue(m_base);
    m_animation->setLoopCount(-1);
}

Blinkenlight::~Blinkenlight() = default;

QColor Blinkenlight::backgroundColor() const
{
    return palette().color(QPalette::Window);
}

void Blinkenlight::setBackgroundColor(const QColor &color)
{
    setAutoFillBackground(true);
    QPalette p = palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setBrush(g, QPalette::Window, QBrush(color, Qt::SolidPattern));
    setPalette(p);
}

void Blinkenlight::blink(const QColor &color)
{
    m_animation->setLoopCount(0);
    m_animation->setKeyValueAt(0.5, color);
    m_animation->setLoopCount(-1);
    m_animation->start();  // a running animation keeps running with the new colour
}

void Blinkenlight::alarm() { blink(m_red); }
void Blinkenlight::warn() { blink(m_yellow); }

void Blinkenlight::off()
{
    // Back to the base colour at once (a zero loop count alone does not stop
    // a running animation).
    m_animation->stop();
    setBackgroundColor(m_base);
}
