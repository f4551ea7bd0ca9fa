#pragma once
// Gas-sensor display of the tool panel: raw reading, level in %LEL, an alarm
// light and looping warning and alarm sounds, and a "Calibrate" button.
#include <QWidget>
#include <memory>

class Blinkenlight;
class GasSensor;
class QLabel;
class QPushButton;

// One looping alarm sound. The widget plays its two sounds through this, so
// tests can watch them without an audio device.
class GasAlarmSound {
public:
    virtual ~GasAlarmSound() = default;
    virtual void setLoopCount(int count) = 0;  // -1: without end
    virtual int loopCount() const = 0;
    virtual bool isPlaying() const = 0;
    virtual void play() = 0;
};

class GasSensorStatusWidget : public QWidget {
    Q_OBJECT
public:
    explicit GasSensorStatusWidget(QWidget *parent = nullptr);
    ~GasSensorStatusWidget() override;

    // Replaces the two sounds (default: ":/sounds/warning.wav" and ":/sounds/alarm.wav").
    void setSounds(std::unique_ptr<GasAlarmSound> warning, std::unique_ptr<GasAlarmSound> alarm);

    GasSensor *sensor() const { return m_sensor; }
    Blinkenlight *light() const { return m_light; }
    QLabel *rawLabel() const { return m_rawLabel; }
    QLabel *levelLabel() const { return m_levelLabel; }
    QPushButton *calibrateButton() const { return m_calibrate; }

signals:
    void calibrateButtonClicked();

public slots:
    void showRawValue(int raw);
    void showLelValue(int level);
    void setCalibration(int lel10, int lel50);

private:
    GasSensor *m_sensor;
    Blinkenlight *m_light;
    QLabel *m_rawLabel;
    QLabel *m_levelLabel;
    QPushButton *m_calibrate;
    std::unique_ptr<GasAlarmSound> m_warning;
    std::unique_ptr<GasAlarmSound> m_alarm;
};
