#include "link/gassensor.h"

#include <QContiguousCache>
#include <QSettings>
#include <cmath>

#include "core/data.h"

namespace {
struct Shared {
    int lastRaw = 4095;
    int warnLow = 10;
    int warnHigh = 20;
    QContiguousCache<int> ring{10};
};
Shared &shared()
{
    static Shared s;
    return s;
}
}  // namespace

GasSensor::GasSensor(QObject *parent)
    : QObject(parent)
{
    loadCalibration();
}

void GasSensor::loadCalibration()
{
    QSettings *s = Data::instance()->settings();
    m_lel10 = s->value(QStringLiteral("LEL10PercentValue"), m_lel10).toInt();
    m_lel50 = s->value(QStringLiteral("LEL50PercentValue"), m_lel50).toInt();
    shared().warnLow = s->value(QStringLiteral("LELwarnLow"), shared().warnLow).toInt();
    shared().warnHigh = s->value(QStringLiteral("LELwarnHigh"), shared().warnHigh).toInt();
}

void GasSensor::setRawValue(int raw)
{
    shared().lastRaw = raw;
    // "No sensor" is not a gas reading: it must neither dilute the average
    // nor raise an alarm.
    if (raw != NoSensorReading) {
        shared().ring.append(raw);
        updateLel();
    }
    emit valueChanged(raw);
}

void GasSensor::setLel10RawValue(int raw)
{
    m_lel10 = raw;
    updateLel();
}

void GasSensor::setLel50RawValue(int raw)
{
    m_lel50 = raw;
    updateLel();
}

void GasSensor::setCalibration(int lel10, int lel50)
{
    m_lel10 = lel10;
    m_lel50 = lel50;
    updateLel();
}

void GasSensor::updateLel()
{
    const QContiguousCache<int> &ring = shared().ring;
    int level = 0;
    // No reading yet, or a calibration without a span: no level to give.
    if (!ring.isEmpty() && m_lel50 != m_lel10) {
        qint64 sum = 0;
        for (int i = ring.firstIndex(); i <= ring.lastIndex(); ++i)
            sum += ring.at(i);
        const int mean = int(sum / ring.count());
        const float step = 40.0f / float(m_lel50 - m_lel10);
        const float value = (10.0f - float(m_lel10) * step) + float(mean) * step;
        if (std::isfinite(value) && std::fabs(value) < 1e9f)
            level = int(value);
    }
    if (level < 5)
        level = 0;
    m_level = level;
    emit LELchanged(level);
}

int GasSensor::rawValue() { return shared().lastRaw; }
int GasSensor::warnLowLevel() { return shared().warnLow; }
int GasSensor::warnHighLevel() { return shared().warnHigh; }
void GasSensor::setWarnLowLevel(int level) { shared().warnLow = level; }
void GasSensor::setWarnHighLevel(int level) { shared().warnHigh = level; }

void GasSensor::resetShared()
{
    shared() = Shared();
}
