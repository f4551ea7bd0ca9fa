#include "app/welmain.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QTimer>

#include "app/updateinfo.h"
#include "app/updatemain.h"
#include "app/welinfo.h"

WelMain::WelMain(QWidget *parent) : ToolWindow(parent)
{
    m_info = new WelInfo;
    auto *layout = new QHBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_info);
    layout->addStretch();
    connect(m_info, &WelInfo::openMap, this, &WelMain::openMap);
    connect(m_info, &WelInfo::openFlightplan, this, &WelMain::openFlightplan);
    connect(m_info, &WelInfo::openPhotoTaggerProject, this, &WelMain::openPhotoTaggerProject);
    connect(m_info, &WelInfo::openThermalProject, this, &WelMain::openThermalProject);
    m_update = new UpdateInfo(this);
    connect(m_update, &UpdateInfo::versionInfoReceived, this, &WelMain::versionInfo);
    // The network stack takes a while to come up (it loads its plugins):
    // ask once the window stands.
    QTimer::singleShot(0, this, &WelMain::checkWhenShown);
}

// A shown page asks after its first paint, so the window is on screen before
// the network stack loads; a hidden one asks now. The fallback keeps a page
// that is shown but never painted (a minimised window) from never asking.
void WelMain::checkWhenShown()
{
    if (!isVisible() || m_painted) {
        checkForUpdate();
        return;
    }
    m_waitsForPaint = true;
    QTimer::singleShot(2000, this, &WelMain::checkForUpdate);
}

void WelMain::checkForUpdate()
{
    if (m_checked)
        return;
    m_checked = true;
    m_waitsForPaint = false;
    m_update->getData(UpdateInfo::VersionInfo);
}

bool WelMain::event(QEvent *e)
{
    const bool handled = ToolWindow::event(e);
    if (e->type() == QEvent::Paint) {
        m_painted = true;
        if (m_waitsForPaint) {
            m_waitsForPaint = false;
            QTimer::singleShot(0, this, &WelMain::checkForUpdate);
        }
    }
    return handled;
}

void WelMain::versionInfo(QVersionNumber latest, QUrl)
{
    if (QVersionNumber::compare(UpdateMain::runningVersion(), latest) < 0)
        m_info->setNewVersionNotice(true);
}
