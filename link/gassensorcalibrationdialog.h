#pragma once
// Calibration of the gas sensor: the two raw readings that equal 10 % and
// 50 % LEL, and the warning and alarm levels. Shows the level the edited
// calibration would give; only OK stores and applies it.
#include <QDialog>

class GasSensor;
class QLabel;
class QSpinBox;

class GasSensorCalibrationDialog : public QDialog {
    Q_OBJECT
public:
    GasSensorCalibrationDialog(int rawValue, int lelValue, QWidget *parent = nullptr);
    ~GasSensorCalibrationDialog() override;

    QSpinBox *lowAlarmBox() const { return m_low; }
    QSpinBox *highAlarmBox() const { return m_high; }
    QSpinBox *lel10Box() const { return m_lel10; }
    QSpinBox *lel50Box() const { return m_lel50; }
    QLabel *levelLabel() const { return m_levelLabel; }
    QLabel *rawLabel() const { return m_rawLabel; }
    GasSensor *sensor() const { return m_sensor; }

signals:
    void LELcalibrationChanged(int LEL10PercentValue, int LEL50PercentValue);

public slots:
    void accept() override;
    void showRawValue(int raw);
    void showLelValue(int level);

private:
    GasSensor *m_sensor;
    QLabel *m_levelLabel;
    QLabel *m_rawLabel;
    QSpinBox *m_low;
    QSpinBox *m_high;
    QSpinBox *m_lel10;
    QSpinBox *m_lel50;
};
