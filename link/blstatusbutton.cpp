#include "link/blstatusbutton.h"

#include <QDebug>
#include <QPainter>

BLStatusButton::BLStatusButton(QWidget *parent) : QPushButton(parent)
{
    setState(Disconnected, tr("Disconnected"), QColor(200, 200, 200));
}

void BLStatusButton::setState(int state, const QString &text, const QColor &colour)
{
    m_state = state;
    m_text = text;
    m_colour = colour;
    setEnabled(m_state >= SystemOk);
    update();
}

void BLStatusButton::devOpenend()
{
    m_initialising = true;
    m_connected = true;
    setState(Initialization, tr("Initialization"), QColor(255, 255, 0));
}

void BLStatusButton::deviceClosed()
{
    m_connected = false;
    m_protocolKnown = false;
    setState(Disconnected, tr("Disconnected"), QColor(200, 200, 200));
}

void BLStatusButton::comACI()
{
    // A recognised protocol means a live link, whichever way it was opened.
    m_connected = true;
    m_protocolKnown = true;
    m_initialising = false;
    setState(SystemOk, tr("System Ok"), QColor(0, 255, 0));
}

void BLStatusButton::comV1() { comACI(); }

void BLStatusButton::coreErrors(const QStringList &errors)
{
    qDebug() << "core errors: " << errors;
    if (!errors.isEmpty()) {
        m_initialising = false;
        setState(SystemError, tr("System Error"), QColor(255, 0, 0));
        return;
    }
    // Leaving the error state: on a live link with a known protocol the
    // button goes back to what the system level says (the status line
    // re-sends the level); without one it shows "Disconnected".
    if (m_connected && m_protocolKnown) {
        setState(SystemOk, tr("System Ok"), QColor(0, 255, 0));
    } else {
        setState(Disconnected, tr("Disconnected"), QColor(200, 200, 200));
    }
}

void BLStatusButton::aciSyncStatus(quint8 phase, quint8 percent)
{
    if (!m_initialising)
        return;
    const int shown = 33 * int(phase) + int(percent) / 3 - 33;
    m_text = tr("Initialization... %1%").arg(shown);
    update();
}

void BLStatusButton::setSystemStatus(int level)
{
    if (m_state == SystemError || !m_connected || !m_protocolKnown)
        return;
    m_initialising = false;
    if (level > 10)
        setState(Error, tr("Error"), QColor(255, 0, 0));
    else if (level >= 1)
        setState(Warning, tr("Warning"), QColor(255, 215, 0));
    else
        setState(SystemOk, tr("System Ok"), QColor(0, 255, 0));
}

void BLStatusButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(Qt::NoPen);
    p.setBrush(m_colour);
    p.drawRect(rect());
    p.setPen(Qt::black);
    p.drawText(rect(), Qt::AlignCenter, m_text);
}
