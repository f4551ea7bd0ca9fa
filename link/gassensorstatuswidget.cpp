#include "link/gassensorstatuswidget.h"

#include <QGridLayout>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QSoundEffect>
#include <QVBoxLayout>

#include "link/blinkenlight.h"
#include "link/gassensor.h"
#include "core/headerwidget.h"

namespace {
// Destroying a QSoundEffect while the toolkit's sample cache still loads its
// sound can hang for good. So each sound gets one effect, made when it is
// first played and kept until the process ends.
QSoundEffect *sharedEffect(const QString &resource)
{
    static QHash<QString, QSoundEffect *> effects;
    QSoundEffect *&effect = effects[resource];
    if (!effect) {
        effect = new QSoundEffect;
        effect->setSource(QUrl(QStringLiteral("qrc") + resource));
    }
    return effect;
}

class SoundEffectAlarm : public GasAlarmSound {
public:
    explicit SoundEffectAlarm(const QString &resource) : m_resource(resource) {}
    ~SoundEffectAlarm() override
    {
        if (m_effect)
            m_effect->stop();
    }
    void setLoopCount(int count) override
    {
        m_loops = count;
        if (m_effect)
            m_effect->setLoopCount(effectLoops());
    }
    int loopCount() const override { return m_loops; }
    bool isPlaying() const override { return m_effect && m_effect->isPlaying(); }
    void play() override
    {
        m_effect = sharedEffect(m_resource);
        m_effect->setLoopCount(effectLoops());
        m_effect->play();
    }

private:
    int effectLoops() const { return m_loops < 0 ? int(QSoundEffect::Infinite) : m_loops; }
    QString m_resource;
    int m_loops = -1;
    QSoundEffect *m_effect = nullptr;
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
