#include "link/blsbbase.h"

#include <QApplication>
#include <QPainter>
#include <QPropertyAnimation>

BLSBBase::BLSBBase(QWidget *parent) : QWidget(parent) {}

void BLSBBase::setPError(int v)
{
    m_pError = v;
    update();
}

void BLSBBase::setPWarning(int v)
{
    m_pWarning = v;
    update();
}

bool BLSBBase::errorPulseRunning() const
{
    return m_errorPulse && m_errorPulse->state() == QAbstractAnimation::Running;
}

bool BLSBBase::warningPulseRunning() const
{
    return m_warningPulse && m_warningPulse->state() == QAbstractAnimation::Running;
}

QPropertyAnimation *BLSBBase::makePulse(const QByteArray &property, int peak,
                                        std::function<void()> finished)
{
    auto *a = new QPropertyAnimation(this, property, this);
    a->setDuration(1000);
    a->setStartValue(0);
    a->setKeyValueAt(0.5, peak);
    a->setEndValue(0);
    connect(a, &QAbstractAnimation::finished, this, std::move(finished));
    return a;
}

void BLSBBase::startPulse(QPropertyAnimation *pulse)
{
    if (pulse && pulse->state() != QAbstractAnimation::Running)
        pulse->start();
}

void BLSBBase::paintFrame(const QString &label, const QString &value, const QColor &overlay,
                          const QFont *font)
{
    QPainter p(this);
    p.setPen(Qt::NoPen);
    p.setBrush(QApplication::palette().brush(QPalette::Window));
    p.drawRect(rect());
    if (overlay.isValid()) {
        p.setBrush(overlay);
        p.drawRect(rect());
    }
    p.setPen(Qt::black);
    if (font)
        p.setFont(*font);
    // In the 300-pixel status-line menu the texts keep a 5-pixel margin.
    const QRect r = width() == 300 ? rect().adjusted(5, 5, -5, -5) : rect();
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, label);
    p.drawText(r, Qt::AlignRight | Qt::AlignVCenter, value);
}
