#pragma once
// "Relative correction...": amounts by which every selected waypoint is
// shifted at once. The dialog only collects the numbers.
#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QStackedWidget;

class WPRelativeDiag : public QDialog {
    Q_OBJECT
public:
    // zephrinKind: the Zephrin set of inputs, else the Steerwise set.
    WPRelativeDiag(QWidget *parent, bool zephrinKind);

    bool cameraDirection() const;
    double longitudeMeters() const;
    double latitudeMeters() const;
    double offsetMeters() const;
    double cameraPitch() const;
    int pictures() const;
    double heading() const;
    double height() const;
    double positionAccuracy() const;
    double timeAtWaypoint() const;
    int maxSpeed() const;
    double velocity() const;

    QCheckBox *directionBox() const { return m_direction; }
    QStackedWidget *offsetPages() const { return m_pages; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

public slots:
    void checkMeter(bool on);

private:
    QCheckBox *m_direction;
    QStackedWidget *m_pages;
    QDoubleSpinBox *m_lon;
    QDoubleSpinBox *m_lat;
    QDoubleSpinBox *m_offset;
    QDoubleSpinBox *m_pitch;
    QSpinBox *m_pictures;
    QDoubleSpinBox *m_heading;
    QDoubleSpinBox *m_height;
    QDoubleSpinBox *m_posAcc;
    QDoubleSpinBox *m_time;
    QSpinBox *m_maxSpeed;
    QDoubleSpinBox *m_velocity;
    QPushButton *m_ok;
    QPushButton *m_cancel;
};
