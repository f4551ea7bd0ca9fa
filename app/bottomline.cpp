#include "app/bottomline.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QStatusBar>
#include <QTextEdit>
#include <QWidgetAction>
#include <algorithm>

#include "link/blsbbattery.h"
#include "link/blsbflighttime.h"
#include "link/blsbgps.h"
#include "link/blsbheight.h"
#include "link/blsblink.h"
#include "link/blstatusbutton.h"
#include "link/korvelpackethandler.h"

namespace {
QWidgetAction *wrap(QWidget *w, QObject *parent)
{
    auto *a = new QWidgetAction(parent);
    a->setDefaultWidget(w);
    return a;
}
}  // namespace

BottomLine::BottomLine(KorvelPacketHandler *link, QWidget *parent)
    : QWidget(parent), m_linkHandler(link)
{
    setFixedHeight(28);
    m_statusBar = new QStatusBar(this);
    m_statusBar->setFixedHeight(28);
    m_statusBar->setMinimumWidth(400);
    m_statusBar->setSizeGripEnabled(false);

    m_battery = new BLSBBattery(this);
    m_link = new BLSBLink(this);
    m_gps = new BLSBGPS(this);
    m_height = new BLSBHeight(this);
    m_flighttime = new BLSBFlighttime(this);
    for (QWidget *w : {static_cast<QWidget *>(m_battery), static_cast<QWidget *>(m_link),
                       static_cast<QWidget *>(m_gps), static_cast<QWidget *>(m_height),
                       static_cast<QWidget *>(m_flighttime)})
        w->setFixedSize(300, 30);
    m_errors = new QTextEdit(this);
    m_errors->setReadOnly(true);
    m_errors->setFixedSize(300, 100);

    m_button = new BLStatusButton(this);
    m_button->setFixedSize(300, 25);
    // The menu has no parent: the button only borrows it.
    auto *menu = new QMenu;
    menu->addAction(wrap(m_battery, this));
    menu->addAction(wrap(m_link, this));
    menu->addAction(wrap(m_gps, this));
    menu->addSeparator();
    menu->addAction(wrap(m_height, this));
    menu->addAction(wrap(m_flighttime, this));
    menu->addSeparator();
    menu->addAction(wrap(m_errors, this));
    m_button->setMenu(menu);
    connect(this, &QObject::destroyed, menu, &QObject::deleteLater);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_statusBar);
    layout->addStretch();
    layout->addWidget(m_button);
    layout->setContentsMargins(0, 0, 5, 5);

    if (link) {
        connect(link, &KorvelPacketHandler::deviceOpened, m_button, &BLStatusButton::devOpenend);
        connect(link, &KorvelPacketHandler::deviceClosed, m_button, &BLStatusButton::deviceClosed);
        connect(link, &KorvelPacketHandler::comACIusing, m_button, &BLStatusButton::comACI);
        connect(link, &KorvelPacketHandler::comV1using, m_button, &BLStatusButton::comV1);
        connect(link, &KorvelPacketHandler::coreErrorText, m_button, &BLStatusButton::coreErrors);
        connect(link, &KorvelPacketHandler::syncStatusUpdated, m_button,
                &BLStatusButton::aciSyncStatus);
        connect(link, &KorvelPacketHandler::batteryQualityUpdate, m_battery,
                &BLSBBattery::setBatteryQuality);
        connect(link, &KorvelPacketHandler::batteryVoltage, m_battery,
                &BLSBBattery::setBatteryVoltage);
        connect(link, &KorvelPacketHandler::batteryState, m_battery, &BLSBBattery::batteryState);
        connect(link, &KorvelPacketHandler::gpsQualityUpdate, m_gps, &BLSBGPS::setGPSQuality);
        connect(link, &KorvelPacketHandler::numberSatUpdate, m_gps, &BLSBGPS::setGPSSatellite);
        connect(link, &KorvelPacketHandler::linkQualityUpdate, m_link, &BLSBLink::setLinkQuality);
        connect(link, &KorvelPacketHandler::gpsheightUpdate, m_height,
                &BLSBHeight::setAbsoluteHeight);
        connect(link, &KorvelPacketHandler::heightUpdate, m_height,
                &BLSBHeight::setRelativeHeight);
        connect(link, &KorvelPacketHandler::flightimeUpdate, m_flighttime,
                &BLSBFlighttime::setFlighttime);
        connect(link, &KorvelPacketHandler::coreErrorText, this, &BottomLine::setErrorText);
    }
    connect(m_battery, &BLSBBattery::status, this, &BottomLine::appendStatus);
    connect(m_gps, &BLSBGPS::status, this, &BottomLine::appendStatus);
    connect(m_link, &BLSBLink::status, this, &BottomLine::appendStatus);
}

void BottomLine::showStatusTip(const QString &text) { m_statusBar->showMessage(text, 0); }

int BottomLine::systemLevel() const
{
    return m_codes.isEmpty() ? 0 : *std::max_element(m_codes.begin(), m_codes.end());
}

void BottomLine::appendStatus(int status)
{
    if (status == 0)
        m_codes.clear();
    else if (status > 0 && !m_codes.contains(status))
        m_codes.append(status);
    else if (status < 0)
        m_codes.removeOne(-status);
    m_button->setSystemStatus(systemLevel());
}

void BottomLine::setErrorText(const QStringList &errors)
{
    m_errors->clear();
    QStringList sorted = errors;
    std::sort(sorted.begin(), sorted.end());
    for (const QString &e : sorted)
        m_errors->append(e);
    // The button left its error state on an empty list; show the level again.
    if (errors.isEmpty())
        m_button->setSystemStatus(systemLevel());
}
