#include "link/blsbgps.h"

#include <QPropertyAnimation>

BLSBGPS::BLSBGPS(QWidget *parent) : BLSBBase(parent)
{
    m_errorPulse = makePulse("pError", 100, [this] { pErrorFinished(); });
}

void BLSBGPS::setGPSQuality(int q)
{
    m_quality = q;
    if (q < 20)
        startPulse(m_errorPulse);
    update();
}

void BLSBGPS::setGPSSatellite(int n)
{
    m_satellites = n;
    update();
}

void BLSBGPS::pErrorFinished()
{
    if (m_quality < 20) {
        startPulse(m_errorPulse);
        emit status(1);
    } else {
        emit status(-1);
    }
}

void BLSBGPS::paintEvent(QPaintEvent *)
{
    QColor overlay;
    if (pError() != 0)
        overlay = QColor(255, 0, 0, qBound(0, int(pError() * 2.5), 255));
    paintFrame(tr("GPS:"), valueText(), overlay);
}
