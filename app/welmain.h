#pragma once
// The welcome tab: centres the welcome panel and runs the silent update check.
#include <QUrl>
#include <QVersionNumber>
#include <QWidget>

#include "core/toolwindow.h"

class WelInfo;
class UpdateInfo;

class WelMain : public ToolWindow {
    Q_OBJECT
public:
    explicit WelMain(QWidget *parent = nullptr);
    OpenKind kind() const override { return OpenKind::Welcome; }
    WelInfo *panel() const { return m_info; }

signals:
    void openMap(const QString &name);
    void openFlightplan(const QString &name);
    void openPhotoTaggerProject(const QString &name);
    void openThermalProject(const QString &name);

public slots:
    void versionInfo(QVersionNumber latest, QUrl url);

protected:
    bool event(QEvent *e) override;

private:
    void checkWhenShown();
    void checkForUpdate();

    WelInfo *m_info;
    UpdateInfo *m_update;
    bool m_painted = false;
    bool m_waitsForPaint = false;
    bool m_checked = false;
};
