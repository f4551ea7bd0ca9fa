#include "app/welmain.h"

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
    // The network stack takes a while to come up: ask once the window stands.
    QTimer::singleShot(0, m_update, [this] { m_update->getData(UpdateInfo::VersionInfo); });
}

void WelMain::versionInfo(QVersionNumber latest, QUrl)
{
    if (QVersionNumber::compare(UpdateMain::runningVersion(), latest) < 0)
        m_info->setNewVersionNotice(true);
}
