#pragma once
// The welcome tab.
#include <QWidget>

class WelMain : public QWidget {
    Q_OBJECT
public:
    explicit WelMain(QWidget *parent = nullptr);

signals:
    void openPhotoTaggerProject(const QString &name);
    void openMap(const QString &name);
    void openFlightplan(const QString &name);
    void openThermalProject(const QString &name);
};
