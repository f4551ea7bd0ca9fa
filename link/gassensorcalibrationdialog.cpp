#include "link/gassensorcalibrationdialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

#include "atomicfile/settingsfile.h"
#include "core/data.h"
#include "core/prompt/prompt.h"
#include "link/gassensor.h"

namespace {
QLabel *centred(const QString &text, int points, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setAlignment(Qt::AlignCenter);
    if (points > 0) {
        QFont f = l->font();
        f.setPointSize(points);
        l->setFont(f);
    }
    return l;
}
}  // namespace

GasSensorCalibrationDialog::GasSensorCalibrationDialog(int rawValue, int lelValue, QWidget *parent)
    : QDialog(parent)
    , m_sensor(new GasSensor(this))
{
    setWindowTitle(tr("Gas Sensor Calibration"));

    auto *values = new QGroupBox(tr("Values"), this);
    auto *vl = new QVBoxLayout(values);
    vl->addWidget(centred(tr("Combustable Gas Sensor"), 12, values));
    m_levelLabel = centred(QStringLiteral("%1% LEL").arg(lelValue), 18, values);
    vl->addWidget(m_levelLabel);
    auto *vg = new QGridLayout;
    m_low = new QSpinBox(values);
    m_high = new QSpinBox(values);
    for (QSpinBox *b : {m_low, m_high}) {
        b->setSuffix(QStringLiteral("%"));
        b->setRange(0, 99);
    }
    m_low->setValue(GasSensor::warnLowLevel());
    m_high->setValue(GasSensor::warnHighLevel());
    vg->addWidget(new QLabel(tr("Low alarm at LEL"), values), 0, 0);
    vg->addWidget(m_low, 0, 1);
    vg->addWidget(new QLabel(tr("High alarm at LEL"), values), 1, 0);
    vg->addWidget(m_high, 1, 1);
    vl->addLayout(vg);

    auto *calibration = new QGroupBox(tr("Calibration"), this);
    auto *cl = new QVBoxLayout(calibration);
    cl->addWidget(centred(tr("Combustable Gas Sensor Raw"), 0, calibration));
    m_rawLabel = centred(QString::number(rawValue), 0, calibration);
    cl->addWidget(m_rawLabel);
    auto *cg = new QGridLayout;
    m_lel10 = new QSpinBox(calibration);
    m_lel50 = new QSpinBox(calibration);
    for (QSpinBox *b : {m_lel10, m_lel50})
        b->setRange(0, 65535);
    m_lel10->setValue(m_sensor->lel10RawValue());
    m_lel50->setValue(m_sensor->lel50RawValue());
    cg->addWidget(new QLabel(tr("10% LEL equals raw"), calibration), 0, 0);
    cg->addWidget(m_lel10, 0, 1);
    cg->addWidget(new QLabel(tr("50% LEL equals raw"), calibration), 1, 0);
    cg->addWidget(m_lel50, 1, 1);
    cl->addLayout(cg);

    auto *groups = new QHBoxLayout;
    groups->addWidget(values, 2);
    groups->addWidget(calibration, 1);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &GasSensorCalibrationDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GasSensorCalibrationDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addWidget(buttons);

    // Editing a point previews the level it would give.
    connect(m_sensor, &GasSensor::LELchanged, this, &GasSensorCalibrationDialog::showLelValue);
    connect(m_lel10, QOverload<int>::of(&QSpinBox::valueChanged), m_sensor, &GasSensor::setLel10RawValue);
    connect(m_lel50, QOverload<int>::of(&QSpinBox::valueChanged), m_sensor, &GasSensor::setLel50RawValue);
}

GasSensorCalibrationDialog::~GasSensorCalibrationDialog() = default;

void GasSensorCalibrationDialog::showRawValue(int raw)
{
    m_sensor->updateLel();
    m_rawLabel->setText(QString::number(raw));
}

void GasSensorCalibrationDialog::showLelValue(int level)
{
    m_levelLabel->setText(QStringLiteral("%1% LEL").arg(level));
}

void GasSensorCalibrationDialog::accept()
{
    const int lel10 = m_lel10->value();
    const int lel50 = m_lel50->value();
    const int low = m_low->value();
    const int high = m_high->value();
    QSettings *s = Data::instance()->settings();
    const QList<QPair<QString, int>> values = {{QStringLiteral("LEL10PercentValue"), lel10},
                                               {QStringLiteral("LEL50PercentValue"), lel50},
                                               {QStringLiteral("LELwarnLow"), low},
                                               {QStringLiteral("LELwarnHigh"), high}};
    QList<QVariant> before;
    for (const auto &v : values) {
        before << s->value(v.first);
        s->setValue(v.first, v.second);
    }
    QString error;
    if (!SettingsFile::sync(*s, &error)) {
        // Nothing was stored: the store goes back to what the disk holds, so
        // Cancel leaves no trace, and the dialog stays for another try.
        for (int i = 0; i < values.size(); ++i) {
            if (before.at(i).isValid())
                s->setValue(values.at(i).first, before.at(i));
            else
                s->remove(values.at(i).first);
        }
        SettingsFile::markReported(s->fileName());
        Prompt::error(this, windowTitle(), SettingsFile::failureText(error));
        return;
    }
    GasSensor::setWarnLowLevel(low);
    GasSensor::setWarnHighLevel(high);
    emit LELcalibrationChanged(lel10, lel50);
    QDialog::accept();
}
