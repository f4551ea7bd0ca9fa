#pragma once
// The welcome panel: greeting, version line and the five recent projects.
#include <QList>
#include <QWidget>

#include "core/openkind.h"

class QLabel;
class QToolBar;
class QToolButton;

class WelInfo : public QWidget {
    Q_OBJECT
public:
    explicit WelInfo(QWidget *parent = nullptr);

    void setNewVersionNotice(bool newer);
    QLabel *versionLabel() const { return m_version; }
    QList<QToolButton *> recentButtons() const { return m_buttons; }
    static QString downloadPage();  // KORVEL_DOWNLOAD_URL

signals:
    void openMap(const QString &path);
    void openFlightplan(const QString &name);
    void openPhotoTaggerProject(const QString &name);
    void openThermalProject(const QString &name);

public slots:
    void recent1clicked();
    void recent2clicked();
    void recent3clicked();
    void recent4clicked();
    void recent5clicked();
    void recentChanged();
    void linkclicked(const QString &link);

private:
    void openSlot(int slot);
    QLabel *m_version;
    QToolBar *m_toolbar;
    QList<QToolButton *> m_buttons;
    OpenKind m_kinds[5] = {OpenKind::None, OpenKind::None, OpenKind::None, OpenKind::None,
                           OpenKind::None};
};
