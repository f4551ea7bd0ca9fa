#pragma once
// First-run wizard: asks for the three workspace folders and the camera in
// use, creates the folders and marks the program as configured.
#include <QWizard>
#include <QWizardPage>

class QComboBox;
class QLineEdit;

class StartPage : public QWizardPage
{
    Q_OBJECT
public:
    explicit StartPage(QWidget *parent = nullptr);
};

class WorkspacePage : public QWizardPage
{
    Q_OBJECT
public:
    explicit WorkspacePage(QWidget *parent = nullptr);

public slots:
    void browseHarlekSD();
    void browseMap();
    void browseWaypoint();

private:
    void browse(QLineEdit *edit);
    QLineEdit *m_harlekSDEdit;
    QLineEdit *m_mapEdit;
    QLineEdit *m_waypointEdit;
};

class CameraPage : public QWizardPage
{
    Q_OBJECT
public:
    explicit CameraPage(QWidget *parent = nullptr);

private:
    QComboBox *m_cameraBox;
};

class EndPage : public QWizardPage
{
    Q_OBJECT
public:
    explicit EndPage(QWidget *parent = nullptr);
};

class StartWizard : public QWizard
{
    Q_OBJECT
public:
    explicit StartWizard(QWidget *parent = nullptr);

    void accept() override;
};
