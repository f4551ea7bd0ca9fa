#pragma once
// Combustible-gas sensor model: raw readings from the aircraft, averaged over
// the last ten, calibrated to percent of the lower explosive limit (%LEL).
// The ring of readings, the last reading and the alarm levels are shared by
// every sensor object; the two calibration points belong to each object.
#include <QObject>

class GasSensor : public QObject {
    Q_OBJECT
public:
    // The aircraft sends this when it carries no sensor.
    static constexpr int NoSensorReading = 65535;

    explicit GasSensor(QObject *parent = nullptr);

    void loadCalibration();
    void setRawValue(int raw);
    void setLel10RawValue(int raw);
    void setLel50RawValue(int raw);
    void setCalibration(int lel10, int lel50);

    int lelValue() const { return m_level; }
    int lel10RawValue() const { return m_lel10; }
    int lel50RawValue() const { return m_lel50; }

    static int rawValue();
    static int warnLowLevel();
    static int warnHighLevel();
    static void setWarnLowLevel(int level);
    static void setWarnHighLevel(int level);
    // Empties the shared ring and restores the program-wide start values.
    static void resetShared();

    void updateLel();

signals:
    void valueChanged(int rawValue);
    void LELchanged(int LELvalue);

private:
    int m_level = 0;
    int m_lel10 = 175;
    int m_lel50 = 280;
};
