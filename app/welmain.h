#pragma once
// The welcome tab: centres the welcome panel and runs the silent update check.
#include <QUrl>
#include <QVersionNumber>
#include <QWidget>

class WelInfo;
class UpdateInfo;

class WelMain : public QWidget {
    Q_OBJECT
public:
    explicit WelMain(QWidget *parent = nullptr);
    WelInfo *panel() const { return m_info; }

signals:
    void openMap(const QString &name);
    void openFlightplan(const QString &name);
    void openPhotoTaggerProject(const QString &name);
    void openThermalProject(const QString &name);

public slots:
    void versionInfo(QVersionNumber latest, QUrl url);

private:
    WelInfo *m_info;
    UpdateInfo *m_update;
};
