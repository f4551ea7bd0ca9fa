#include "link/blsblink.h"

#include <QPropertyAnimation>

BLSBLink::BLSBLink(QWidget *parent) : BLSBBase(parent)
{
    m_errorPulse = makePulse("pError", 255, [this] { pErrorFinished(); });
    m_warningPulse = makePulse("pWarning", 255, [this] { pWarningFinished(); });
}

void BLSBLink::setLinkQuality(int q)
{
    m_quality = q;
    if (q < 30 && !errorPulseRunning())
        startPulse(m_errorPulse);
    else if (q < 50 && !errorPulseRunning() && !warningPulseRunning())
        startPulse(m_warningPulse);
    update();
}

// The link's codes change only when a pulse ends.
void BLSBLink::reevaluate()
{
    if (m_quality < 30) {
        startPulse(m_errorPulse);
        emit status(-10);
        emit status(20);
    } else if (m_quality >= 50) {
        emit status(-10);
        emit status(-20);
    } else {
        startPulse(m_warningPulse);
        emit status(-20);
        emit status(10);
    }
}

void BLSBLink::pErrorFinished() { reevaluate(); }
void BLSBLink::pWarningFinished() { reevaluate(); }

void BLSBLink::paintEvent(QPaintEvent *)
{
    QColor overlay;
    if (pError() != 0)
        overlay = QColor(255, 0, 0, qBound(0, pError(), 255));
    else if (pWarning() != 0)
        overlay = QColor(255, 215, 0, qBound(0, pWarning(), 255));
    paintFrame(tr("Link:"), valueText(), overlay);
}
