#pragma once
#include "link/blsbbase.h"

class BLSBBattery : public BLSBBase {
    Q_OBJECT
public:
    explicit BLSBBattery(QWidget *parent = nullptr);
    int quality() const { return m_quality; }
    double voltage() const { return m_voltage; }
    QString valueText() const;

signals:
    void status(int code);

public slots:
    void setBatteryVoltage(double v);
    void setBatteryQuality(int q);
    void batteryState(int state);

private slots:
    void pErrorFinished();
    void pWarningFinished();

protected:
    void paintEvent(QPaintEvent *) override;

private:
    double m_voltage = 0;
    int m_quality = 0;
};
