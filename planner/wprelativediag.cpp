#include "planner/wprelativediag.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
QDoubleSpinBox *doubleBox(double lo, double hi, bool fixed = true)
{
    auto *box = new QDoubleSpinBox;
    box->setRange(lo, hi);
    box->setValue(0);
    if (fixed)
        box->setFixedWidth(80);
    return box;
}

QSpinBox *intBox(int lo, int hi)
{
    auto *box = new QSpinBox;
    box->setRange(lo, hi);
    box->setValue(0);
    box->setFixedWidth(80);
    return box;
}
}  // namespace

WPRelativeDiag::WPRelativeDiag(QWidget *parent, bool zephrinKind) : QDialog(parent)
{
    setWindowTitle(tr("Relative correction..."));
    m_direction = new QCheckBox(tr("Change in current camera direction"));
    m_lon = doubleBox(-1000, 1000);
    m_lat = doubleBox(-1000, 1000);
    m_offset = doubleBox(-1000, 1000, false);
    m_pitch = doubleBox(-110, 100);
    m_pictures = intBox(-100, 100);
    m_heading = doubleBox(-360, 360);
    m_height = doubleBox(-200, 200);
    m_posAcc = doubleBox(-20, 20);
    m_time = doubleBox(-20, 20);
    m_maxSpeed = intBox(-100, 100);
    m_velocity = doubleBox(-10, 10, false);

    auto *page0 = new QWidget;
    auto *grid0 = new QGridLayout(page0);
    grid0->setContentsMargins(0, 0, 0, 0);
    grid0->addWidget(new QLabel(tr("Longitude (meters):")), 0, 0);
    grid0->addWidget(m_lon, 0, 2);
    grid0->addWidget(new QLabel(tr("Latitude (meters):")), 1, 0);
    grid0->addWidget(m_lat, 1, 2);
    auto *page1 = new QWidget;
    auto *grid1 = new QGridLayout(page1);
    grid1->setContentsMargins(0, 0, 0, 0);
    grid1->addWidget(new QLabel(tr("Offset (meters):")), 0, 0);
    grid1->addWidget(m_offset, 0, 2);
    m_pages = new QStackedWidget;
    m_pages->setContentsMargins(0, 0, 0, 0);
    m_pages->addWidget(page0);
    m_pages->addWidget(page1);

    auto *grid = new QGridLayout;
    const QList<QPair<QString, QWidget *>> rows = {
        {tr("Camera Pitch:"), m_pitch},
        {tr("Number of Pictures:"), m_pictures},
        {tr("Heading:"), m_heading},
        {tr("Height:"), m_height},
        {tr("Position Accuracy:"), m_posAcc},
        {tr("Time at Waypoint:"), m_time},
        {tr("Maximal Speed:"), m_maxSpeed},
        {tr("Velocity"), m_velocity},
    };
    const QList<QWidget *> steerwiseOnly = {m_pictures, m_posAcc, m_time, m_maxSpeed};
    for (int i = 0; i < rows.size(); ++i) {
        auto *label = new QLabel(rows[i].first);
        grid->addWidget(label, i + 2, 0);
        grid->addWidget(rows[i].second, i + 2, 2);
        const bool hidden = zephrinKind ? steerwiseOnly.contains(rows[i].second)
                                        : rows[i].second == m_velocity;
        if (hidden) {
            label->hide();
            rows[i].second->hide();
        }
    }

    m_ok = new QPushButton(tr("Ok"));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(tr("Cancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    buttons->addWidget(m_ok);

    auto *column = new QVBoxLayout(this);
    column->addWidget(m_direction);
    column->addWidget(m_pages);
    column->addLayout(grid);
    column->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_direction, &QCheckBox::toggled, this, &WPRelativeDiag::checkMeter);
    m_pages->setCurrentIndex(0);
}

void WPRelativeDiag::checkMeter(bool on) { m_pages->setCurrentIndex(on ? 1 : 0); }

bool WPRelativeDiag::cameraDirection() const { return m_direction->isChecked(); }
double WPRelativeDiag::longitudeMeters() const { return m_lon->value(); }
double WPRelativeDiag::latitudeMeters() const { return m_lat->value(); }
double WPRelativeDiag::offsetMeters() const { return m_offset->value(); }
double WPRelativeDiag::cameraPitch() const { return m_pitch->value(); }
int WPRelativeDiag::pictures() const { return m_pictures->value(); }
double WPRelativeDiag::heading() const { return m_heading->value(); }
double WPRelativeDiag::height() const { return m_height->value(); }
double WPRelativeDiag::positionAccuracy() const { return m_posAcc->value(); }
double WPRelativeDiag::timeAtWaypoint() const { return m_time->value(); }
int WPRelativeDiag::maxSpeed() const { return m_maxSpeed->value(); }
double WPRelativeDiag::velocity() const { return m_velocity->value(); }
