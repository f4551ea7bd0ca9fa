#include "thermal/view/thscaleall.h"

#include <QDebug>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "thermal/project/thdata.h"
#include "thermal/thermalrenderer.h"

THScaleAll::THScaleAll(int scaleMin, int scaleMax, int measurementType, bool hasImage,
                       QWidget *parent)
    : QDialog(parent), m_type(hasImage ? measurementType : 0), m_hasImage(hasImage)
{
    setWindowTitle(tr("Scale all images..."));
    const uint umin = hasImage ? uint(scaleMin) : 0u;
    const uint umax = hasImage ? uint(scaleMax) : 0u;

    auto *tempPage = new QWidget;
    auto *tempGrid = new QGridLayout(tempPage);
    m_minTemp = new QDoubleSpinBox;
    m_maxTemp = new QDoubleSpinBox;
    m_minTemp->setObjectName(QStringLiteral("minTemperature"));
    m_maxTemp->setObjectName(QStringLiteral("maxTemperature"));
    // The temperature page stops at 380 for high resolution although the
    // full scale reaches 382.85; kept so stored settings read the same.
    const double top = m_type == 1 ? 6290 : 380;
    const int tempType = m_type == 1 ? 1 : 2;
    for (QDoubleSpinBox *box : {m_minTemp, m_maxTemp})
        box->setRange(-270, top);
    m_minTemp->setValue(ThermalRenderer::toCelsius(umin, tempType));
    m_maxTemp->setValue(ThermalRenderer::toCelsius(umax, tempType));
    tempGrid->addWidget(new QLabel(tr("Minimal temperature:")), 0, 0);
    tempGrid->addWidget(m_minTemp, 0, 1);
    tempGrid->addWidget(new QLabel(tr("Maximal temperature:")), 1, 0);
    tempGrid->addWidget(m_maxTemp, 1, 1);

    auto *rawPage = new QWidget;
    auto *rawGrid = new QGridLayout(rawPage);
    m_minRaw = new QSpinBox;
    m_maxRaw = new QSpinBox;
    m_minRaw->setObjectName(QStringLiteral("minRaw"));
    m_maxRaw->setObjectName(QStringLiteral("maxRaw"));
    for (QSpinBox *box : {m_minRaw, m_maxRaw})
        box->setRange(ThermalRenderer::fullScaleMin, ThermalRenderer::fullScaleMax);
    m_minRaw->setValue(int(umin));
    m_maxRaw->setValue(int(umax));
    rawGrid->addWidget(new QLabel(tr("Minimal raw value:")), 0, 0);
    rawGrid->addWidget(m_minRaw, 0, 1);
    rawGrid->addWidget(new QLabel(tr("Maximal raw value:")), 1, 0);
    rawGrid->addWidget(m_maxRaw, 1, 1);

    m_pages = new QStackedWidget;
    m_pages->addWidget(tempPage);
    m_pages->addWidget(rawPage);

    auto *cancel = new QPushButton(tr("Cancel"));
    auto *ok = new QPushButton(tr("Ok"));
    ok->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, &THScaleAll::okclicked);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(ok);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addLayout(buttons);

    qDebug() << "MES TYPE: " << m_type;
    m_pages->setCurrentIndex(hasImage && m_type != 0 ? 0 : 1);
}

THScaleAll::THScaleAll(const THData *project, QWidget *parent)
    : THScaleAll(project && project->hasCurrent() ? project->scaleMin[project->currentIndex] : 0,
                 project && project->hasCurrent() ? project->scaleMax[project->currentIndex] : 0,
                 project && project->hasCurrent() ? project->measurementType[project->currentIndex] : 0,
                 project && project->hasCurrent(), parent)
{
}

int THScaleAll::page() const
{
    return m_pages->currentIndex();
}

void THScaleAll::okclicked()
{
    int min, max;
    if (m_pages->currentIndex() == 0) {
        double tmin = m_minTemp->value();
        double tmax = m_maxTemp->value();
        if (tmin > tmax)
            std::swap(tmin, tmax);
        const int type = m_type == 1 ? 1 : 2;
        min = ThermalRenderer::fromCelsius(tmin, type);
        max = ThermalRenderer::fromCelsius(tmax, type);
    } else {
        min = m_minRaw->value();
        max = m_maxRaw->value();
        if (min > max)
            std::swap(min, max);
    }
    m_result = QPoint(min, max);
    qDebug() << "MIN MAX: " << m_result;
    accept();
}
