#include "link/blsbbattery.h"

#include <QPropertyAnimation>

BLSBBattery::BLSBBattery(QWidget *parent) : BLSBBase(parent)
{
    m_errorPulse = makePulse("pError", 255, [this] { pErrorFinished(); });
    m_warningPulse = makePulse("pWarning", 255, [this] { pWarningFinished(); });
}

QString BLSBBattery::valueText() const
{
    return QStringLiteral("%1% / %2V").arg(m_quality).arg(m_voltage);
}

void BLSBBattery::setBatteryVoltage(double v)
{
    m_voltage = v;
    update();
}

void BLSBBattery::setBatteryQuality(int q)
{
    m_quality = q;
    if (q < 10) {
        emit status(-5);
        emit status(15);
        startPulse(m_errorPulse);
    } else if (q <= 39) {
        if (!errorPulseRunning() && !warningPulseRunning())
            startPulse(m_warningPulse);
        emit status(5);
        emit status(-15);
    } else {
        emit status(-15);
        emit status(-5);
    }
    update();
}

void BLSBBattery::batteryState(int) {}

void BLSBBattery::pErrorFinished()
{
    if (m_quality < 10)
        startPulse(m_errorPulse);
}

void BLSBBattery::pWarningFinished()
{
    if (m_quality >= 10 && m_quality <= 39)
        startPulse(m_warningPulse);
}

void BLSBBattery::paintEvent(QPaintEvent *)
{
    QColor overlay;
    if (pError() != 0)
        overlay = QColor(255, 0, 0, qBound(0, pError(), 255));
    else if (pWarning() != 0)
        overlay = QColor(255, 215, 0, qBound(0, pWarning(), 255));
    paintFrame(tr("Battery:"), valueText(), overlay);
}
