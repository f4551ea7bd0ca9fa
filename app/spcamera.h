#pragma once
// Camera page of the program settings: the user's cameras, the current one
// with its derived values, and the add-camera dialog.
#include <QDialog>
#include <QWidget>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class SPCamera : public QWidget
{
    Q_OBJECT
public:
    explicit SPCamera(QWidget *parent = nullptr);

private slots:
    void addClicked();
    void removeClicked();
    void updateCam(const QString &name);

private:
    friend class TestSettingsCamera;
    QComboBox *m_cameraBox;
    QPushButton *m_addButton;
    QPushButton *m_removeButton;
    QLabel *m_horizontalAngle;
    QLabel *m_verticalAngle;
    QLabel *m_sensorSize;
    QLabel *m_cropFactor;
    QLabel *m_focalLength;
    QLabel *m_processTime;
    QLabel *m_delayTime;
    QLabel *m_imageSize;
};

class SPCameraAdd : public QDialog
{
    Q_OBJECT
public:
    explicit SPCameraAdd(QWidget *parent = nullptr);

    // Diagonal of a 36 x 24 mm frame.
    static constexpr double fullFrameDiagonal = 43.26661531;

private slots:
    void templateChanged(const QString &name);
    void addclicked();
    void onCamSensorChanged();
    void onFocalLengthChanged();

private:
    friend class TestSettingsCamera;
    double crop() const;
    QLineEdit *m_nameEdit;
    QComboBox *m_templateBox;
    QDoubleSpinBox *m_sensorWidth;
    QDoubleSpinBox *m_sensorHeight;
    QLabel *m_cropLabel;
    QDoubleSpinBox *m_focalLength;
    QLabel *m_fullFrameLabel;
    QSpinBox *m_processTime;
    QSpinBox *m_delayTime;
    QSpinBox *m_imageWidth;
    QSpinBox *m_imageHeight;
};
