#include "link/gassensorstatuswidget.h"

#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/blinkenlight.h"
#include "link/gassensor.h"
#include "core/headerwidget.h"
#include "core/programmodule.h"

namespace {
// The sound player sits in a module of its own (see link/sound), loaded the
// first time an alarm sounds, so the multimedia libraries are not loaded at
// start.
struct SoundModule {
    void *(*make)(const char *) = nullptr;
    void (*setLoops)(void *, int) = nullptr;
    int (*playing)(void *) = nullptr;
    void (*play)(void *) = nullptr;
    void (*stop)(void *) = nullptr;
};

const SoundModule *soundModule()
{
    static const SoundModule module = [] {
        SoundModule m;
        QString errors;
        const bool found = loadProgramModule(QStringLiteral("korvel_gassound"), [&m](QLibrary &library) {
            m.make = reinterpret_cast<void *(*)(const char *)>(library.resolve("korvel_gas_sound"));
            m.setLoops = reinterpret_cast<void (*)(void *, int)>(library.resolve("korvel_gas_sound_set_loops"));
            m.playing = reinterpret_cast<int (*)(void *)>(library.resolve("korvel_gas_sound_playing"));
            m.play = reinterpret_cast<void (*)(void *)>(library.resolve("korvel_gas_sound_play"));
            m.stop = reinterpret_cast<void (*)(void *)>(library.resolve("korvel_gas_sound_stop"));
            if (m.make && m.setLoops && m.playing && m.play && m.stop)
                return true;
            m = SoundModule();
            return false;
        }, &errors);
        if (!found)
            qWarning("gas alarm sounds are off, their module did not load:%s", qPrintable(errors));
        return m;
    }();
    return module.make ? &module : nullptr;
}

class SoundEffectAlarm : public GasAlarmSound {
public:
    explicit SoundEffectAlarm(const QString &resource) : m_resource(resource) {}
    ~SoundEffectAlarm() override
    {
        if (m_effect)
            m_module->stop(m_effect);
    }
    void setLoopCount(int count) override
    {
        m_loops = count;
        if (m_effect)
            m_module->setLoops(m_effect, m_loops);
    }
    int loopCount() const override { return m_loops; }
    bool isPlaying() const override { return m_effect && m_module->playing(m_effect); }
    void play() override
    {
        if (!m_effect) {
            m_module = soundModule();
            if (!m_module)
                return;  // no sound; the light still shows the alarm
            m_effect = m_module->make(m_resource.toUtf8().constData());
        }
        m_module->setLoops(m_effect, m_loops);
        m_module->play(m_effect);
    }

private:
    QString m_resource;
    int m_loops = -1;
    const SoundModule *m_module = nullptr;
    void *m_effect = nullptr;
};
}  // namespace

GasSensorStatusWidget::GasSensorStatusWidget(QWidget *parent)
    : QWidget(parent)
    , m_sensor(new GasSensor(this))
    , m_light(new Blinkenlight(this))
    , m_rawLabel(new QLabel(QStringLiteral("-"), this))
    , m_levelLabel(new QLabel(QStringLiteral("-"), this))
    , m_calibrate(new QPushButton(tr("Calibrate"), this))
    , m_warning(new SoundEffectAlarm(QStringLiteral(":/sounds/warning.wav")))
    , m_alarm(new SoundEffectAlarm(QStringLiteral(":/sounds/alarm.wav")))
{
    setContentsMargins(0, 10, 0, 0);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new HeaderWidget(tr("Sensor Status"), this, true));
    layout->addSpacing(5);
    layout->addWidget(m_light);
    auto *grid = new QGridLayout;
    grid->setContentsMargins(0, 3, 0, 2);
    grid->addWidget(new QLabel(tr("Combustable Gas Sensor Raw:"), this), 0, 0);
    grid->addWidget(m_rawLabel, 0, 1);
    grid->addWidget(new QLabel(tr("Combustable Gas Sensor LEL:"), this), 1, 0);
    grid->addWidget(m_levelLabel, 1, 1);
    layout->addLayout(grid);
    layout->addWidget(m_calibrate);
    connect(m_calibrate, &QPushButton::clicked, this, &GasSensorStatusWidget::calibrateButtonClicked);
}

GasSensorStatusWidget::~GasSensorStatusWidget() = default;

void GasSensorStatusWidget::setSounds(std::unique_ptr<GasAlarmSound> warning,
                                      std::unique_ptr<GasAlarmSound> alarm)
{
    m_warning = std::move(warning);
    m_alarm = std::move(alarm);
}

void GasSensorStatusWidget::showRawValue(int raw)
{
    m_rawLabel->setText(QString::number(raw));
}

void GasSensorStatusWidget::showLelValue(int level)
{
    m_levelLabel->setText(QStringLiteral("%1%").arg(level));
    if (level >= GasSensor::warnHighLevel()) {
        m_light->alarm();
        m_warning->setLoopCount(0);  // finishes its current pass
        if (!m_alarm->isPlaying()) {
            m_alarm->setLoopCount(-1);
            m_alarm->play();
        }
    } else if (level >= GasSensor::warnLowLevel()) {
        m_alarm->setLoopCount(0);
        m_light->warn();
        if (!m_warning->isPlaying()) {
            m_warning->setLoopCount(-1);
            m_warning->play();
        }
    } else {
        m_warning->setLoopCount(0);
        m_alarm->setLoopCount(0);
        m_light->off();
    }
}

void GasSensorStatusWidget::setCalibration(int lel10, int lel50)
{
    m_sensor->setLel10RawValue(lel10);
    m_sensor->setLel50RawValue(lel50);
}
