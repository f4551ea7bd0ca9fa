// The waypoint property page of the tool panel.
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "core/headerwidget.h"
#include "maps/wpdata.h"
#include "planner/wptoolline.h"

namespace {
constexpr const char *kIntGrey = "QSpinBox { color: grey }";
constexpr const char *kDoubleGrey = "QDoubleSpinBox { color: grey }";

bool isRunMember(int code) { return code % 10 == 1; }

QString coordText(double v) { return QString::number(v, 'g', 10) + QChar(0x00B0); }

QDoubleSpinBox *doubleBox(QWidget *parent, double lo, double hi, double step, double value,
                          int width = 80)
{
    auto *b = new QDoubleSpinBox(parent);
    b->setRange(lo, hi);
    b->setSingleStep(step);
    b->setValue(value);
    if (width)
        b->setFixedWidth(width);
    return b;
}

QSpinBox *intBox(QWidget *parent, int lo, int hi, int value)
{
    auto *b = new QSpinBox(parent);
    b->setRange(lo, hi);
    b->setValue(value);
    return b;
}
}  // namespace

// Also used by the generator pages.
QToolBar *panelToolBar(QWidget *parent)
{
    auto *bar = new QToolBar(parent);
    bar->setOrientation(Qt::Vertical);
    bar->setMovable(false);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setStyleSheet(
        QStringLiteral("QToolBar {border-bottom: 0px solid black; border-top: 0px solid black;}"));
    return bar;
}

QToolButton *panelButton(QToolBar *bar, const QString &text, const QString &tip)
{
    auto *b = new QToolButton(bar);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setIcon(QIcon(QStringLiteral(":/wp_but.png")));
    b->setText(text);
    b->setToolTip(tip);
    b->setStatusTip(tip);
    // At least the panel's 250 pixels; longer texts take the rest of the
    // column rather than being cut.
    b->setMinimumWidth(250);
    b->setMaximumWidth(280);
    bar->addWidget(b);
    return b;
}

QWidget *WPToolLine::createWaypointConfigWid()
{
    qDebug() << "[WPToolLine] createWaypointConfigWid";
    auto *page = new QWidget;
    auto *l = new QVBoxLayout(page);
    l->addWidget(new HeaderWidget(tr("Waypoint Information"), page, true));
    l->addSpacing(5);

    w.type = new QComboBox(page);
    w.type->addItems({tr("Single Waypoint"), tr("Matrix Waypoint"), tr("Trajektory Waypoint")});
    w.type->insertSeparator(3);
    w.type->addItems({tr("Korvel Steerwise Waypoint"), tr("COI Waypoint")});
    if (auto *model = qobject_cast<QStandardItemModel *>(w.type->model())) {
        for (int i : {2, 5}) {
            model->item(i)->setEnabled(false);
            model->item(i)->setSizeHint(QSize(0, 0));
        }
    }
    auto *typeRow = new QHBoxLayout;
    typeRow->addWidget(new QLabel(tr("Type:"), page));
    typeRow->addWidget(w.type);
    l->addLayout(typeRow);
    w.showCamera = new QCheckBox(tr("Focus Heading / Footage"), page);
    l->addWidget(w.showCamera);
    w.active = new QCheckBox(tr("Enable"), page);
    w.active->setChecked(true);
    w.active->hide();
    l->addWidget(w.active);
    l->addSpacing(10);
    l->addWidget(new HeaderWidget(tr("Waypoint Configuration"), page, true));
    l->addSpacing(5);

    auto *grid = new QGridLayout;
    int r = 0;
    m_numberLabel = new QLabel(tr("Waypoint number"), page);
    w.number = intBox(page, 1, 20, 1);
    grid->addWidget(m_numberLabel, r, 0);
    grid->addWidget(w.number, r++, 2);
    w.lonLabel = new QLabel(tr("Longitude:"), page);
    w.lonValue = new QLabel(QStringLiteral("-"), page);
    grid->addWidget(w.lonLabel, r, 0);
    grid->addWidget(w.lonValue, r++, 2);
    w.latLabel = new QLabel(tr("Latitude:"), page);
    w.latValue = new QLabel(QStringLiteral("-"), page);
    grid->addWidget(w.latLabel, r, 0);
    grid->addWidget(w.latValue, r++, 2);

    w.trigger = new QCheckBox(tr("Trigger at Angle:"), page);
    w.trigger->setChecked(true);
    w.pitchLabel = new QLabel(tr("Camera Pitch:"), page);
    w.pitch = doubleBox(page, -110, 110, 0.1, 2.0, 0);
    auto *pitchUnit = new QLabel(QStringLiteral("\u00B0"), page);
    grid->addWidget(w.trigger, r, 0);
    grid->addWidget(w.pitchLabel, r, 0);
    grid->addWidget(w.pitch, r, 2);
    grid->addWidget(pitchUnit, r++, 3);

    auto *picLabel = new QLabel(tr("Number of Pictures:"), page);
    picLabel->setObjectName(QStringLiteral("picturesLabel"));
    w.pictures = intBox(page, 1, 20, 1);
    grid->addWidget(picLabel, r, 0);
    grid->addWidget(w.pictures, r++, 2);

    auto *hidLabel = new QLabel(tr("Heading in Flight direction:"), page);
    hidLabel->setWordWrap(true);
    w.headingInDir = new QCheckBox(page);
    grid->addWidget(hidLabel, r, 0);
    grid->addWidget(w.headingInDir, r++, 2);
    w.headingLabel = new QLabel(tr("Heading:"), page);
    w.heading = doubleBox(page, 0, 360, 1.0, 0);
    auto *headingUnit = new QLabel(QStringLiteral("\u00B0"), page);
    headingUnit->setObjectName(QStringLiteral("headingUnit"));
    grid->addWidget(w.headingLabel, r, 0);
    grid->addWidget(w.heading, r, 2);
    grid->addWidget(headingUnit, r++, 3);
    w.height = doubleBox(page, -999.9, 999.9, 0.1, 2.0);
    grid->addWidget(new QLabel(tr("Height: "), page), r, 0);
    grid->addWidget(w.height, r, 2);
    grid->addWidget(new QLabel(tr("m"), page), r++, 3);
    auto *posAccLabel = new QLabel(tr("Position Accuracy:"), page);
    auto *posAccUnit = new QLabel(tr("m"), page);
    w.posAcc = doubleBox(page, 0, 20, 0.1, 2.0);
    grid->addWidget(posAccLabel, r, 0);
    grid->addWidget(w.posAcc, r, 2);
    grid->addWidget(posAccUnit, r++, 3);
    auto *timeLabel = new QLabel(tr("Time at Waypoint:"), page);
    timeLabel->setObjectName(QStringLiteral("timeLabel"));
    auto *timeUnit = new QLabel(tr("s"), page);
    w.time = doubleBox(page, 1, 20, 0.1, 2.0);
    grid->addWidget(timeLabel, r, 0);
    grid->addWidget(w.time, r, 2);
    grid->addWidget(timeUnit, r++, 3);
    auto *maxSpeedLabel = new QLabel(tr("Maximum Speed:"), page);
    auto *maxSpeedUnit = new QLabel(tr("%"), page);
    w.maxSpeed = intBox(page, 10, 100, 100);
    w.maxSpeed->setFixedWidth(80);
    grid->addWidget(maxSpeedLabel, r, 0);
    grid->addWidget(w.maxSpeed, r, 2);
    grid->addWidget(maxSpeedUnit, r++, 3);
    auto *velLabel = new QLabel(tr("Velocity"), page);
    auto *velUnit = new QLabel(tr("m/s"), page);
    w.velocity = doubleBox(page, 0.5, 10.0, 0.1, 8.0);
    grid->addWidget(velLabel, r, 0);
    grid->addWidget(w.velocity, r, 2);
    grid->addWidget(velUnit, r++, 3);
    auto *radiusLabel = new QLabel(tr("Radius:"), page);
    auto *radiusUnit = new QLabel(tr("m"), page);
    w.radius = doubleBox(page, 1, 999, 1, 30, 0);
    grid->addWidget(radiusLabel, r, 0);
    grid->addWidget(w.radius, r, 2);
    grid->addWidget(radiusUnit, r++, 3);
    auto *fotosLabel = new QLabel(tr("Number of Fotos:"), page);
    w.coiPictures = intBox(page, 4, 255, 12);
    grid->addWidget(fotosLabel, r, 0);
    grid->addWidget(w.coiPictures, r++, 2);
    grid->setColumnStretch(1, 1);
    grid->setHorizontalSpacing(3);
    l->addLayout(grid);
    auto *warning = new QLabel(tr("Attention the implementation of\nCOI Waypoints is "
                                  "experimental,\nuse only if you really know\nwhat you are doing!"),
                               page);
    warning->setStyleSheet(
        QStringLiteral("QLabel { color : red; font-size: 12pt; font-weight: bold;}"));
    l->addWidget(warning);
    w.lastPoint = new QCheckBox(tr("Last Point of Matrix/Trajectory"), page);
    l->addWidget(w.lastPoint);
    l->addSpacing(10);
    l->addWidget(new HeaderWidget(tr("Options"), page, true));
    auto *bar = panelToolBar(page);
    w.headingOnMap = panelButton(bar, tr("Set Heading on Map"),
                                 tr("Click on the button and then on the map. All selected "
                                    "waypoints will change their heading directly to the point "
                                    "you selected."));
    w.setDefault = panelButton(bar, tr("Set As Default"),
                               tr("Use the current configuration of this waypoint for the next "
                                  "new created waypoints."));
    l->addWidget(bar);
    l->addStretch();

    m_steerwiseRows = {w.trigger, picLabel, w.pictures, posAccLabel, w.posAcc, posAccUnit,
                       maxSpeedLabel, w.maxSpeed, maxSpeedUnit};
    m_pitchRows = {w.pitch, pitchUnit};
    m_timeRows = {timeLabel, w.time, timeUnit};
    m_velocityRows = {velLabel, w.velocity, velUnit};
    m_zephrinOnlyRows = {w.pitchLabel, w.lastPoint};
    m_coiRows = {radiusLabel, w.radius, radiusUnit, fotosLabel, w.coiPictures, warning};

    connect(w.type, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &WPToolLine::wpcWPTypeChanged);
    connect(w.showCamera, &QCheckBox::clicked, this, &WPToolLine::wpcShowCamAngleChanged);
    connect(w.active, &QCheckBox::clicked, this, &WPToolLine::wpcActiveChanged);
    connect(w.number, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &WPToolLine::wpcEditingFinished);
    connect(w.trigger, &QCheckBox::clicked, this, &WPToolLine::wpcTriggerCamChanged);
    connect(w.pitch, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WPToolLine::wpcCamanglenickChanged);
    connect(w.pictures, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &WPToolLine::wpcNopicturesChanged);
    connect(w.headingInDir, &QCheckBox::toggled, this,
            &WPToolLine::wpcHeadingInFlightDirectionChanged);
    connect(w.heading, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WPToolLine::wpcYawChanged);
    connect(w.height, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WPToolLine::wpcHeightChanged);
    connect(w.posAcc, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WPToolLine::wpcPosaccChanged);
    connect(w.time, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WPToolLine::wpcTimeatwpChanged);
    connect(w.maxSpeed, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &WPToolLine::wpcMaxSpeedChanged);
    connect(w.velocity, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WPToolLine::wpcV3SpeedChanged);
    connect(w.radius, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WPToolLine::wpcDesiredAccChanged);
    connect(w.coiPictures, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &WPToolLine::wpcNopicturesChanged);
    connect(w.lastPoint, &QCheckBox::stateChanged, this, &WPToolLine::wpcV3LastPointChanged);
    connect(w.headingOnMap, &QToolButton::clicked, this, &WPToolLine::setHeadingOnMapClicked);
    connect(w.setDefault, &QToolButton::clicked, this, &WPToolLine::wpcDefaultButtonClicked);
    qDebug() << "[WPToolLine] createWaypointConfigWid END";
    return page;
}

void WPToolLine::wpcLayoutForType(int type)
{
    const bool run = isRunMember(type);
    w.headingInDir->setEnabled(run);
    w.headingOnMap->setEnabled(!run);
    w.setDefault->setEnabled(type == 0 || type == 3);
    const bool steer = type == 3, coi = type == 5, zeph = !steer && !coi;
    for (QWidget *x : m_steerwiseRows)
        x->setVisible(steer);
    w.pitchLabel->setVisible(zeph);
    for (QWidget *x : m_pitchRows)
        x->setVisible(!coi);
    for (QWidget *x : m_timeRows)
        x->setVisible(!coi);
    for (QWidget *x : m_velocityRows)
        x->setVisible(!steer);
    w.lastPoint->setVisible(zeph);
    for (QWidget *x : m_coiRows)
        x->setVisible(coi);
}

void WPToolLine::restoreStyles()
{
    for (QSpinBox *b : {w.maxSpeed, w.pictures})
        b->setStyleSheet(m_intStyle);
    for (QDoubleSpinBox *b : {w.time, w.height, w.posAcc, w.pitch, w.heading, w.velocity})
        b->setStyleSheet(m_doubleStyle);
    w.headingLabel->setStyleSheet(m_headingStyle);
}

void WPToolLine::setWaypointData(QList<int> list)
{
    qDebug().noquote() << QStringLiteral("[WPToolLine] setWaypointData count: %1").arg(list.size());
    m_refresh = false;
    m_selection = list;
    restoreStyles();
    if (list.isEmpty()) {
        m_refresh = true;
        return;
    }
    QLabel *picLabel = findChild<QLabel *>(QStringLiteral("picturesLabel"));
    QLabel *timeLabel = findChild<QLabel *>(QStringLiteral("timeLabel"));
    const int count = m_data->count();
    auto fillPosition = [&](int wp) {
        w.number->setRange(1, count);
        w.number->setValue(wp);
        m_wpShown = wp;
        m_numberLabel->show();
        w.number->show();
        w.number->setEnabled(true);
        w.latLabel->show();
        w.latValue->show();
        w.lonLabel->setText(tr("Longitude:"));
        w.latLabel->setText(tr("Latitude:"));
        const QPointF geo = m_data->waypointGeo(wp);
        w.lonValue->setText(coordText(geo.x()));
        w.latValue->setText(coordText(geo.y()));
    };
    if (list.size() == 1) {
        const int wp = list.first();
        const int code = m_data->waypointType(wp);
        if (code == 3) {
            wpcLayoutForType(3);
            w.type->setCurrentIndex(4);
            fillPosition(wp);
            w.maxSpeed->setValue(m_data->maxSpeed(wp));
            w.time->setValue(m_data->time(wp));
            w.height->setValue(m_data->height(wp));
            w.posAcc->setValue(m_data->posAcc(wp));
            w.pictures->setValue(m_data->noPictures(wp));
            w.active->setChecked(m_data->active(wp));
            w.trigger->setChecked(m_data->triggerCamera(wp));
            const bool cam = w.trigger->isChecked() && m_flyStatus == 0;
            w.pitch->setEnabled(cam);
            w.showCamera->setEnabled(cam);
            picLabel->setEnabled(cam);
            w.pictures->setEnabled(cam);
            w.time->setEnabled(true);
            w.pitch->setValue(m_data->camAngleNick(wp));
            w.showCamera->setChecked(m_data->showCamera(wp));
            w.heading->setValue(m_data->yaw(wp));
            w.heading->setEnabled(true);
        } else {
            w.lastPoint->setTristate(false);
            w.lastPoint->setEnabled(true);
            qDebug() << "waypoint type: " << code;
            wpcLayoutForType(code);
            if (code == 11 || code == 12) {
                w.type->setCurrentIndex(code - 10);
                w.lastPoint->setChecked(true);
            } else {
                w.type->setCurrentIndex(code);
                w.lastPoint->setChecked(false);
            }
            const bool run = isRunMember(code);
            w.headingInDir->setEnabled(run);
            w.lastPoint->setEnabled(run);
            w.headingOnMap->setEnabled(!run);
            w.number->setEnabled(!run);
            w.time->setEnabled(!run);
            w.headingInDir->setChecked(false);
            if (run)
                w.headingInDir->setChecked(m_data->headingInFlightDirection(wp));
            const bool headingFree = !run || !w.headingInDir->isChecked();
            w.headingLabel->setEnabled(headingFree);
            w.heading->setEnabled(headingFree);
            w.time->setValue(m_data->time(wp));
            fillPosition(wp);
            w.number->setEnabled(!run);
            w.velocity->setValue(m_data->v3Speed(wp));
            w.height->setValue(m_data->height(wp));
            w.pitch->setEnabled(true);
            w.showCamera->setEnabled(true);
            w.pitch->setValue(m_data->camAngleNick(wp));
            w.showCamera->setChecked(m_data->showCamera(wp));
            w.heading->setValue(m_data->yaw(wp));
            w.coiPictures->setValue(m_data->noPictures(wp));
            w.radius->setValue(m_data->desiredAcc(wp));
        }
    } else {
        w.headingInDir->setEnabled(true);
        w.lastPoint->setEnabled(false);
        m_numberLabel->hide();
        w.number->hide();
        w.lonLabel->setText(tr("Number of Waypoints:"));
        w.lonValue->setText(QString::number(list.size()));
        w.latLabel->hide();
        w.latValue->hide();

        const int f = list.first();
        const bool active = m_data->active(f), trigger = m_data->triggerCamera(f),
                   footprint = m_data->showCamera(f), hid = m_data->headingInFlightDirection(f);
        const int maxSpeed = m_data->maxSpeed(f), pictures = m_data->noPictures(f),
                  tens = m_data->waypointType(f) / 10;
        const double time = m_data->time(f), posAcc = m_data->posAcc(f),
                     height = m_data->height(f), heading = m_data->yaw(f),
                     pitch = m_data->camAngleNick(f), velocity = m_data->v3Speed(f);
        bool sActive = true, sTrigger = true, sFootprint = true, sHid = true, sMax = true,
             sPic = true, sTens = true, sTime = true, sPos = true, sHeight = true,
             sHeading = true, sPitch = true, sVel = true;
        bool single = false, steer = false, matrix = false, trajectory = false;
        auto differs = [](double a, double b) { return std::abs(a - b) >= 0.001; };
        for (int n : list) {
            sActive &= m_data->active(n) == active;
            sTrigger &= m_data->triggerCamera(n) == trigger;
            sFootprint &= m_data->showCamera(n) == footprint;
            sHid &= m_data->headingInFlightDirection(n) == hid;
            sMax &= m_data->maxSpeed(n) == maxSpeed;
            sPic &= m_data->noPictures(n) == pictures;
            const int code = m_data->waypointType(n);
            sTens &= code / 10 == tens;
            sTime &= !differs(m_data->time(n), time);
            sPos &= !differs(m_data->posAcc(n), posAcc);
            sHeight &= !differs(m_data->height(n), height);
            sHeading &= !differs(m_data->yaw(n), heading);
            sPitch &= !differs(m_data->camAngleNick(n), pitch);
            sVel &= static_cast<int>(m_data->v3Speed(n) * 1000) ==
                    static_cast<int>(velocity * 1000);
            single |= code == 0;
            steer |= code == 3;
            matrix |= code == 1 || code == 11;
            trajectory |= code == 2 || code == 12;
        }
        if (steer && (single || matrix || trajectory)) {
            m_stack->setCurrentIndex(ConversionPage);
            return;  // the guard stays closed until the next fill
        }
        auto setBox = [](QCheckBox *box, bool same, bool value) {
            if (same) {
                box->setTristate(false);
                box->setChecked(value);
            } else {
                box->setTristate(true);
                box->setCheckState(Qt::PartiallyChecked);
            }
        };
        setBox(w.active, sActive, active);
        setBox(w.trigger, sTrigger, trigger);
        setBox(w.showCamera, sFootprint, footprint);
        setBox(w.lastPoint, sTens, tens != 0);
        setBox(w.headingInDir, sHid, hid);
        if (sHid) {
            w.heading->setEnabled(!hid);
            w.headingLabel->setEnabled(!hid);
        }
        if (single && !steer && !matrix && !trajectory) {
            w.heading->setEnabled(true);
            w.headingLabel->setEnabled(true);
            timeLabel->setEnabled(true);
            w.time->setEnabled(true);
        } else {
            timeLabel->setEnabled(false);
            w.time->setEnabled(false);
        }
        w.maxSpeed->setValue(maxSpeed);
        w.pictures->setValue(pictures);
        w.time->setValue(time);
        w.posAcc->setValue(posAcc);
        w.height->setValue(height);
        w.pitch->setValue(pitch);
        w.heading->setValue(heading);
        w.velocity->setValue(velocity);
        const QString ig = QString::fromLatin1(kIntGrey), dg = QString::fromLatin1(kDoubleGrey);
        if (!sMax)
            w.maxSpeed->setStyleSheet(ig);
        if (!sPic)
            w.pictures->setStyleSheet(ig);
        if (!sTime)
            w.time->setStyleSheet(dg);
        if (!sPos)
            w.posAcc->setStyleSheet(dg);
        if (!sHeight)
            w.height->setStyleSheet(dg);
        if (!sPitch)
            w.pitch->setStyleSheet(dg);
        if (!sHeading)
            w.heading->setStyleSheet(dg);
        if (!sVel)
            w.velocity->setStyleSheet(dg);
        wpcLayoutForType(0);
        const int kinds = int(single) + int(steer) + int(matrix) + int(trajectory);
        if (kinds == 1 && steer) {
            w.type->setCurrentIndex(4);
            wpcLayoutForType(3);
        } else if (kinds == 1 && single) {
            w.type->setCurrentIndex(0);
        } else if (kinds == 1 && matrix) {
            w.type->setCurrentIndex(1);
            wpcLayoutForType(1);
        } else if (kinds == 1 && trajectory) {
            w.type->setCurrentIndex(2);
        } else {
            w.type->setCurrentIndex(3);
            wpcLayoutForType(1);
        }
    }
    m_stack->setCurrentIndex(WaypointPage);
    m_refresh = true;
    qDebug() << "[WPToolLine] setWaypointData END";
}

bool WPToolLine::applying(const char *slot, const QString &arg)
{
    qDebug().noquote() << QStringLiteral("[WPToolLine] %1 %2").arg(QLatin1String(slot), arg);
    return m_refresh;
}

void WPToolLine::wpcActiveChanged(bool on)
{
    if (!applying("wpcActiveChanged", QString::number(on)))
        return;
    w.active->setTristate(false);
    for (int n : m_selection)
        m_data->setActive(n, on);
    emit dataChanged();
}

void WPToolLine::wpcTriggerCamChanged(bool on)
{
    if (!applying("wpcTriggerCamChanged", QString::number(on)))
        return;
    w.trigger->setTristate(false);
    for (int n : m_selection)
        m_data->setTriggerCamera(n, on);
    w.pitch->setEnabled(on);
    if (QLabel *pl = findChild<QLabel *>(QStringLiteral("picturesLabel")))
        pl->setEnabled(on);
    w.pictures->setEnabled(on);
    w.showCamera->setEnabled(on);
    if (!on) {
        w.showCamera->setChecked(false);
        wpcShowCamAngleChanged(false);
    }
    emit dataChanged();
}

void WPToolLine::wpcShowCamAngleChanged(bool on)
{
    if (!applying("wpcShowCamAngleChanged", QString::number(on)))
        return;
    w.showCamera->setTristate(false);
    for (int n : m_selection)
        m_data->setShowCamera(n, on);
    emit dataChanged();
}

// The selected waypoints the canvas must hear of after a group edit: the
// plan copies such values along a survey run and the canvas redraws a whole
// run for one member, so one member stands for its run. Without this an
// edit of a selected run of n waypoints costs n redraws of n footprints.
QList<int> WPToolLine::oncePerRun() const
{
    const int count = m_data->count();
    QVector<bool> covered(count + 2, false);
    QList<int> out;
    for (int n : m_selection) {
        if (n < 1 || n > count || covered[n])
            continue;
        out << n;
        const int type = m_data->waypointType(n);
        if (type != Waypoint::Matrix && type != Waypoint::MatrixEnd)
            continue;
        for (int i = n - 1; i >= 1 && m_data->waypointType(i) == Waypoint::Matrix; --i)
            covered[i] = true;
        for (int i = n; i <= count; ++i) {
            const int t = m_data->waypointType(i);
            if (t != Waypoint::Matrix && t != Waypoint::MatrixEnd)
                break;
            covered[i] = true;
            if (t == Waypoint::MatrixEnd)
                break;
        }
    }
    return out;
}

void WPToolLine::wpcCamanglenickChanged(double deg)
{
    if (!applying("wpcCamanglenickChanged", QString::number(deg)))
        return;
    w.pitch->setStyleSheet(m_doubleStyle);
    const QList<int> shown = oncePerRun();
    for (int n : shown)
        emit pitchChangedByNumber(n, deg);
    for (int n : m_selection)
        m_data->setCamAngleNick(n, deg);
    emit dataChanged();
}

void WPToolLine::wpcYawChanged(double deg)
{
    if (!applying("wpcYawChanged", QString::number(deg)))
        return;
    w.heading->setStyleSheet(m_doubleStyle);
    const QList<int> shown = oncePerRun();
    for (int n : shown)
        emit yawChangedByNumber(n, deg);
    for (int n : m_selection)
        m_data->setYaw(n, deg);
    emit dataChanged();
}

void WPToolLine::wpcHeightChanged(double m)
{
    if (!applying("wpcHeightChanged", QString::number(m)))
        return;
    w.height->setStyleSheet(m_doubleStyle);
    for (int n : m_selection)
        m_data->setHeight(n, m);
    const QList<int> shown = oncePerRun();
    for (int n : shown)
        emit heightChangedByNumber(n, m);
    emit dataChanged();
}

void WPToolLine::wpcPosaccChanged(double m)
{
    if (!applying("wpcPosaccChanged", QString::number(m)))
        return;
    w.posAcc->setStyleSheet(m_doubleStyle);
    for (int n : m_selection)
        m_data->setPosAcc(n, m);
    emit dataChanged();
}

void WPToolLine::wpcTimeatwpChanged(double sec)
{
    if (!applying("wpcTimeatwpChanged", QString::number(sec)))
        return;
    w.time->setStyleSheet(m_doubleStyle);
    for (int n : m_selection)
        m_data->setTime(n, sec);
    emit dataChanged();
}

void WPToolLine::wpcMaxSpeedChanged(int percent)
{
    if (!applying("wpcMaxSpeedChanged", QString::number(percent)))
        return;
    w.maxSpeed->setStyleSheet(m_intStyle);
    for (int n : m_selection)
        m_data->setMaxSpeed(n, percent);
    emit dataChanged();
}

void WPToolLine::wpcNopicturesChanged(int pictures)
{
    if (!applying("wpcNopicturesChanged", QString::number(pictures)))
        return;
    w.pictures->setStyleSheet(m_intStyle);
    for (int n : m_selection)
        m_data->setNoPictures(n, pictures);
    emit dataChanged();
}

void WPToolLine::wpcV3SpeedChanged(double speed)
{
    if (!applying("wpcV3SpeedChanged", QString::number(speed)))
        return;
    w.velocity->setStyleSheet(m_doubleStyle);
    for (int n : m_selection)
        m_data->setV3Speed(n, speed);
    emit dataChanged();
}

void WPToolLine::wpcDesiredAccChanged(double newNr)
{
    if (!applying("wpcDesiredAccChanged", QString::number(newNr)))
        return;
    for (int n : m_selection)
        m_data->setDesiredAcc(n, newNr);
    emit dataChanged();
}

void WPToolLine::wpcHeadingInFlightDirectionChanged(bool state)
{
    if (!applying("wpcHeadingInFlightDirectionChanged", QString::number(state)))
        return;
    w.headingInDir->setTristate(false);
    for (int n : m_selection)
        m_data->setHeadingInFlightDirection(n, state);
    w.heading->setEnabled(!state);
    w.headingLabel->setEnabled(!state);
    if (state) {
        m_data->calculateMatrixHeadings(QList<int>(m_selection));
    } else if (!m_selection.isEmpty()) {
        const double first = m_data->yaw(m_selection.first());
        const QSignalBlocker block(w.heading);
        w.heading->setValue(first);
        wpcYawChanged(first);
    }
    emit dataChanged();
}

void WPToolLine::wpcWPTypeChanged(int index)
{
    qDebug().noquote() << QStringLiteral("[WPToolLine] wpcWPTypeChanged %1").arg(index);
    const int type = index == 4 ? 3 : index;
    w.lastPoint->setEnabled(type != 0);
    if (!m_refresh || index == 3)
        return;
    const QList<int> selection = m_selection;
    for (int n : selection) {
        m_data->setTime(n, type == 3 ? 3.0 : 0.0);
        int code = type;
        if (type != 0 && type != 3 && type != 5)
            code = type + 10 * (m_data->waypointType(n) / 10);
        m_data->setWaypointType(n, code);
        emit wpTypeChanged(n, type);
    }
    setWaypointData(selection);
    emit dataChanged();
}

void WPToolLine::wpcV3LastPointChanged(int state)
{
    qDebug().noquote() << QStringLiteral("[WPToolLine] wpcV3LastPointChanged %1").arg(state);
    if (!m_refresh)
        return;
    w.lastPoint->setTristate(false);
    for (int n : m_selection) {
        if (n < m_data->count() && isRunMember(m_data->waypointType(n + 1))) {
            const int units = m_data->waypointType(n) % 10;
            const int code = state == 0 ? units : units + 10;
            m_data->setWaypointType(n, code);
            emit wpv3LastPointChanged(n, state != 0);
            emit wpTypeChanged(n, code);
        } else {
            // The end of a run stays its last point.
            m_refresh = false;
            w.lastPoint->setChecked(true);
            m_refresh = true;
        }
    }
}

void WPToolLine::wpcEditingFinished() { wpcNumberChanged(w.number->value()); }

void WPToolLine::wpcNumberChanged(int number)
{
    if (!applying("wpcNumberChanged", QString::number(number)))
        return;
    emit switchWPNr(m_wpShown, number);
    m_data->refreshWaypointNumbers();
    m_wpShown = number;
    emit dataChanged();
}

void WPToolLine::wpcDefaultButtonClicked()
{
    qDebug() << "[WPToolLine] wpcDefaultButtonClicked";
    if (!m_refresh || m_selection.isEmpty())
        return;
    setToolTip(tr("Saved"));
    // The first selected waypoint: with several selected the number box is
    // hidden and holds whatever was shown before.
    m_data->saveAsDefault(m_selection.first());
}

void WPToolLine::wpcHeadingChanged(int v)
{
    qDebug().noquote() << QStringLiteral("[WPToolLine] wpcHeadingChanged %1").arg(v);
    w.headingLabel->setStyleSheet(m_headingStyle);
    if (QLabel *unit = findChild<QLabel *>(QStringLiteral("headingUnit")))
        unit->setText(tr("degree"));
}

void WPToolLine::setChanges(bool on)
{
    qDebug().noquote() << QStringLiteral("[WPToolLine] setChanges %1").arg(on);
    m_changes = on;
    QLabel *picLabel = findChild<QLabel *>(QStringLiteral("picturesLabel"));
    QLabel *unit = findChild<QLabel *>(QStringLiteral("headingUnit"));
    for (QWidget *x : std::initializer_list<QWidget *>{
             w.maxSpeed, w.number, w.time, w.posAcc, w.height, w.headingLabel, w.heading, unit,
             w.active, w.trigger, w.headingOnMap, w.setDefault, w.velocity, w.lastPoint})
        x->setEnabled(on);
    const bool cam = on && w.trigger->checkState() != Qt::Unchecked;
    w.pitch->setEnabled(cam);
    w.showCamera->setEnabled(cam);
    picLabel->setEnabled(cam);
    w.pictures->setEnabled(cam);
}
