#include "planner/wptoolline.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTime>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtMath>
#include <cmath>

#include "core/data.h"
#include "core/geo.h"
#include "core/headerwidget.h"
#include "link/blsbbattery.h"
#include "link/blsbgps.h"
#include "link/blsblink.h"
#include "link/gassensorcalibrationdialog.h"
#include "link/gassensorstatuswidget.h"
#include "maps/wpdata.h"
#include "planner/geometry/relativevalues.h"

namespace {
QString angleText(double deg) { return QString::number(deg, 'g', 6); }

// The page stack asks for the height of the page shown, not of the tallest
// or widest page, so a short window scrolls it and the column keeps its
// width.
class PageStack : public QStackedWidget {
public:
    explicit PageStack(QWidget *parent) : QStackedWidget(parent)
    {
        layout()->setSizeConstraint(QLayout::SetNoConstraint);
        connect(this, &QStackedWidget::currentChanged, this, [this] { updateGeometry(); });
    }
    QSize minimumSizeHint() const override
    {
        return currentWidget() ? QSize(0, currentWidget()->minimumSizeHint().height()) : QSize();
    }
    QSize sizeHint() const override
    {
        return currentWidget() ? QSize(0, currentWidget()->sizeHint().height()) : QSize();
    }
};

// A row with the text at the left and the control at the right.
QHBoxLayout *row(QWidget *left, QWidget *right)
{
    auto *l = new QHBoxLayout;
    l->addWidget(left);
    l->addStretch();
    l->addWidget(right);
    return l;
}
}  // namespace

WPToolLine::WPToolLine(WPData *data, QWidget *parent)
    : QWidget(parent), m_data(data), m_settings(Data::instance()->settings())
{
    qDebug() << "[WPToolLine] Constructor";
    setFixedWidth(300);
    m_changes = true;

    auto *cameraHeader = new HeaderWidget(tr("Camera"), this, true);
    g.camera = new QComboBox(this);
    g.camera->setObjectName(QStringLiteral("cameraSelector"));
    g.camera->addItems(Data::instance()->cameraNames());
    g.camera->setMinimumWidth(200);
    m_camera = Data::instance()->currentCamera();
    g.camera->setCurrentText(m_camera.name);

    const QPointF fov = m_camera.fieldOfView();
    auto *angles = new QGridLayout;
    angles->setContentsMargins(9, 9, 9, 9);
    angles->addWidget(new QLabel(tr("Horizontal field of view:"), this), 1, 0, Qt::AlignLeft);
    g.hAngle = new QLabel(angleText(fov.x()), this);
    angles->addWidget(g.hAngle, 1, 2, Qt::AlignRight);
    angles->addWidget(new QLabel(tr("Vertical field of view:"), this), 2, 0, Qt::AlignLeft);
    g.vAngle = new QLabel(angleText(fov.y()), this);
    angles->addWidget(g.vAngle, 2, 2, Qt::AlignRight);

    QWidget *pages[13];
    pages[WaypointPage] = createWaypointConfigWid();
    pages[StatusPage] = createGeneralStatusWid();
    pages[MatrixIntroPage] = createMatrixIntroWid();
    pages[MatrixConfigPage] = createMatrixConfigWid();
    pages[PlacemarkPage] = createPMWid();
    pages[RulerPage] = createLinealWid();
    pages[CoiIntroPage] = createCOIIntroWid();
    pages[CoiConfigPage] = createCOIConfigWid();
    pages[PolygonIntroPage] = createPolygonIntroWid();
    pages[PolygonConfigPage] = createPolygonConfigWid();
    pages[LineMatrixIntroPage] = createLineMatrixIntroWid();
    pages[LineMatrixConfigPage] = createLineMatrixConfig();
    pages[ConversionPage] = createDifferentTypesWid();
    m_intStyle = w.maxSpeed->styleSheet();
    m_doubleStyle = w.height->styleSheet();
    m_headingStyle = w.headingLabel->styleSheet();
    m_stack = new PageStack(this);
    for (QWidget *p : pages) {
        // Narrow side margins leave room for the scroll bar of a short window
        // beside the 280-pixel status widgets.
        if (QLayout *l = p->layout()) {
            const QMargins m = l->contentsMargins();
            l->setContentsMargins(std::min(m.left(), 2), m.top(), std::min(m.right(), 2),
                                  m.bottom());
        }
        m_stack->addWidget(p);
    }
    m_stack->setCurrentIndex(StatusPage);

    auto *top = new QVBoxLayout;
    top->setContentsMargins(9, 0, 9, 0);
    top->addWidget(cameraHeader);
    top->addWidget(g.camera);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addLayout(angles);
    // A short window scrolls the pages instead of squeezing their rows
    // over each other.
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(m_stack);
    layout->addWidget(scroll);

    m_refresh = true;
    m_flyStatus = 0;
    setNumberOfPOIs(5);

    connect(this, &WPToolLine::switchChanges, this, &WPToolLine::setChanges);
    connect(Data::instance(), &Data::currentCameraChanged, this, &WPToolLine::currentCameraChanged);
    connect(Data::instance(), &Data::updatePixelRes, this, &WPToolLine::updatePixelRes);
    connect(g.camera, &QComboBox::currentTextChanged, this,
            [](const QString &name) { Data::instance()->setCurrentCamera(name); });
}

WPToolLine::~WPToolLine() = default;

int WPToolLine::currentPage() const { return m_stack->currentIndex(); }

void WPToolLine::currentCameraChanged(QString name)
{
    qDebug().noquote() << "[WPToolLine] currentCameraChanged: " + name;
    m_camera = Data::instance()->camera(name);
    const QPointF fov = m_camera.fieldOfView();
    g.mcCamera->setText(name);
    g.mcHAngle->setText(angleText(fov.x()));
    g.mcVAngle->setText(angleText(fov.y()));
    setMatrixPixResRange();
    mcHeightChanged(g.mcHeight->value());
    g.hAngle->setText(angleText(fov.x()));
    g.vAngle->setText(angleText(fov.y()));
    setPolygonPixResRange();
    pcHeightChanged(g.pcHeight->value());
    calcPolygonSpeed();
    calcLineMatrixSpeed();
}

void WPToolLine::updatePixelRes() { mcHeightChanged(g.mcHeight->value()); }

void WPToolLine::onWpDataChanged(int wp)
{
    m_refresh = false;
    setWaypointData(QList<int>(m_selection));
    if (wp >= 1 && wp <= m_data->count())
        w.pitch->setValue(m_data->camAngleNick(wp));
    m_refresh = true;
}

void WPToolLine::setHeadingOnMapClicked()
{
    qDebug() << "[WPToolLine] setHeadingOnMapClicked";
    w.headingOnMap->setCheckable(true);
    w.headingOnMap->setChecked(true);
    emit setHeadingOnMap();
}

void WPToolLine::getHeadingFromMap()
{
    qDebug() << "[WPToolLine] getHeadingFromMap";
    w.headingOnMap->setChecked(false);
    if (m_stack->currentIndex() == WaypointPage)
        setWaypointData(QList<int>(m_selection));
}

void WPToolLine::setNumberOfPOIs(int n)
{
    qDebug().noquote() << QStringLiteral("[WPToolLine] setNumberOfPOIs %1").arg(n);
}

// ---- flight status page ----
QWidget *WPToolLine::createGeneralStatusWid()
{
    auto *page = new QWidget;
    s.start = new QSpinBox(page);
    s.start->setEnabled(false);
    s.stopCheck = new QCheckBox(tr("Stop with Waypoint:"), page);
    s.stop = new QSpinBox(page);
    s.stop->setEnabled(false);
    s.progress = new QProgressBar(page);
    s.progress->setTextVisible(false);
    s.upload = new QLabel(QStringLiteral("-"), page);
    s.estimate = new QLabel(QStringLiteral("-"), page);
    s.status = new QLabel(QStringLiteral("-"), page);
    s.height = new QLabel(QStringLiteral("-"), page);
    s.flightTime = new QLabel(QStringLiteral("-"), page);
    s.position = new QLabel(QStringLiteral("-/-"), page);
    s.distance = new QLabel(QStringLiteral("-"), page);
    s.startButton = new QPushButton(tr("Start"), page);
    s.startButton->setEnabled(false);
    s.startButton->setStatusTip(tr("Start/Stop flying your flightplan"));
    s.startButton->setFixedSize(s.startButton->sizeHint() * 2);
    s.comeHome = new QPushButton(tr("Come Home"), page);
    s.battery = new BLSBBattery(page);
    s.gps = new BLSBGPS(page);
    s.link = new BLSBLink(page);
    for (QWidget *b : {static_cast<QWidget *>(s.battery), static_cast<QWidget *>(s.link),
                       static_cast<QWidget *>(s.gps)})
        b->setFixedSize(280, 20);
    s.gas = new GasSensorStatusWidget(page);
    s.gas->hide();

    auto *l = new QVBoxLayout(page);
    l->addWidget(new HeaderWidget(tr("Flightplan"), page, true));
    l->addSpacing(5);
    l->addLayout(row(new QLabel(tr("Start with Waypoint:"), page), s.start));
    l->addLayout(row(s.stopCheck, s.stop));
    l->addLayout(row(new QLabel(tr("Status:"), page), s.status));
    l->addWidget(s.progress);
    l->addLayout(row(new QLabel(tr("Upload Status:"), page), s.upload));
    l->addLayout(row(new QLabel(tr("Estimated Flighttime:"), page), s.estimate));
    l->addWidget(s.startButton, 0, Qt::AlignHCenter);
    l->addSpacing(10);
    l->addWidget(new HeaderWidget(tr("Korvel Harlek 8 Status"), page, true));
    l->addSpacing(5);
    l->addWidget(s.battery);
    l->addWidget(s.link);
    l->addWidget(s.gps);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Height:"), page), 0, 0, Qt::AlignLeft);
    grid->addWidget(s.height, 0, 2, Qt::AlignRight);
    grid->addWidget(new QLabel(tr("Flighttime:"), page), 2, 0, Qt::AlignLeft);
    grid->addWidget(s.flightTime, 2, 2, Qt::AlignRight);
    l->addLayout(grid);
    l->addSpacing(10);
    l->addWidget(new HeaderWidget(tr("Come Home"), page, true));
    l->addSpacing(5);
    auto *home = new QGridLayout;
    home->addWidget(new QLabel(tr("Position:"), page), 0, 0, Qt::AlignLeft);
    home->addWidget(s.position, 0, 2, Qt::AlignRight);
    home->addWidget(new QLabel(tr("Distance (2D):"), page), 1, 0, Qt::AlignLeft);
    home->addWidget(s.distance, 1, 2, Qt::AlignRight);
    l->addLayout(home);
    l->addWidget(s.comeHome);
    l->addWidget(s.gas);
    l->addStretch();

    connect(s.startButton, &QPushButton::clicked, this, &WPToolLine::genStartclicked);
    connect(this, &WPToolLine::stopFlight, this, &WPToolLine::stopV1Fly);
    connect(this, &WPToolLine::setBatteryQuality, s.battery, &BLSBBattery::setBatteryQuality);
    connect(this, &WPToolLine::setBatteryVoltage, s.battery, &BLSBBattery::setBatteryVoltage);
    connect(this, &WPToolLine::batteryState, s.battery, &BLSBBattery::batteryState);
    connect(this, &WPToolLine::setGPSQuality, s.gps, &BLSBGPS::setGPSQuality);
    connect(this, &WPToolLine::setGPSSatellite, s.gps, &BLSBGPS::setGPSSatellite);
    connect(this, &WPToolLine::setLinkQuality, s.link, &BLSBLink::setLinkQuality);
    connect(s.stopCheck, &QCheckBox::clicked, this, &WPToolLine::stopWPChecked);
    connect(s.comeHome, &QPushButton::clicked, this, &WPToolLine::comeHome);
    connect(this, &WPToolLine::gasSensorValueChanged, &m_gasSensor, &GasSensor::setRawValue);
    connect(&m_gasSensor, &GasSensor::valueChanged, s.gas, &GasSensorStatusWidget::showRawValue);
    connect(&m_gasSensor, &GasSensor::LELchanged, s.gas, &GasSensorStatusWidget::showLelValue);
    connect(s.gas, &GasSensorStatusWidget::calibrateButtonClicked, this,
            &WPToolLine::calibrateGasSensor);
    connect(&m_gasSensor, &GasSensor::valueChanged, this, [this](int raw) {
        if (raw != 0xFFFF && s.gas->isHidden())
            s.gas->show();
    });
    // The stop box never offers an end before the start.
    connect(s.start, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int v) {
        if (m_flyStatus == 0 && s.start->maximum() > 0)
            s.stop->setMinimum(std::min(v, s.stop->maximum()));
    });
    return page;
}

void WPToolLine::calibrateGasSensor()
{
    GasSensorCalibrationDialog dialog(GasSensor::rawValue(), m_gasSensor.lelValue(), nullptr);
    dialog.setModal(true);
    connect(&m_gasSensor, &GasSensor::valueChanged, &dialog,
            &GasSensorCalibrationDialog::showRawValue);
    connect(&dialog, &GasSensorCalibrationDialog::LELcalibrationChanged, &m_gasSensor,
            &GasSensor::setCalibration);
    connect(&dialog, &GasSensorCalibrationDialog::LELcalibrationChanged, s.gas,
            &GasSensorStatusWidget::setCalibration);
    dialog.exec();
}

void WPToolLine::setGeneralToolLine()
{
    qDebug() << "[WPToolLine] setGeneralToolLine";
    qDebug().noquote() << QStringLiteral("[WPToolLine] setGeneralToolLine genFlyStatus: %1")
                              .arg(m_flyStatus);
    if (m_flyStatus == 0) {
        const int count = m_data->count();
        if (count == 0) {
            s.start->setRange(0, 0);
            s.stop->setRange(0, 0);
            s.start->setEnabled(false);
            s.stop->setEnabled(false);
            s.stopCheck->setEnabled(false);
            s.startButton->setEnabled(false);
            s.status->setText(QStringLiteral("<font color='red'><b>Not Started</b></font>"));
            s.estimate->setText(QStringLiteral("-"));
        } else {
            s.start->setRange(1, count);
            s.stop->setMaximum(count);
            s.stop->setMinimum(std::min(s.start->value(), count));
            s.start->setEnabled(true);
            s.stopCheck->setEnabled(true);
            if (s.stopCheck->isChecked()) {
                s.stop->setEnabled(true);
            } else {
                s.stop->setEnabled(false);
                s.stop->setValue(count);
            }
            s.startButton->setEnabled(true);
            emit requestApproxTime(s.start->value(), s.stop->value());
        }
    }
    m_stack->setCurrentIndex(StatusPage);
}

void WPToolLine::genStartclicked()
{
    qDebug() << "[WPToolLine] genStartclicked";
    if (m_flyStatus == 0) {
        s.progress->setRange(0, 0);
        s.startButton->setText(tr("Stop"));
        s.start->setEnabled(false);
        m_flyStatus = 1;
        m_flightFirst = s.start->value();
        emit switchChanges(false);
        emit startFlight(s.start->value(), s.stop->value());
    } else {
        emit stopFlight();
    }
}

void WPToolLine::stopV1Fly()
{
    if (s.progress->minimum() == 0 && s.progress->maximum() == 0) {
        s.progress->setRange(0, 1);
        s.progress->setValue(0);
    }
    s.startButton->setText(tr("Start"));
    s.start->setEnabled(true);
    if (m_flyStatus != 0)
        s.status->setText(QStringLiteral("<font color='red'><b>Stopped!</b></font>"));
    m_flyStatus = 0;
    emit switchChanges(true);
}

void WPToolLine::setStartV1WP(int n)
{
    qDebug().noquote() << QStringLiteral("[WPToolLine] setStartV1WP %1").arg(n);
    s.start->setValue(n);
}

void WPToolLine::stopWPChecked(bool on)
{
    s.stop->setEnabled(on);
    if (!on)
        s.stop->setValue(m_data->count());
    emit requestApproxTime(s.start->value(), s.stop->value());
}

void WPToolLine::setWaypointFlightStatus(bool started)
{
    s.status->setText(started ? QStringLiteral("<font color='green'><b>Started!</b></font>")
                              : QStringLiteral("<font color='red'><b>Stopped!</b></font>"));
}

void WPToolLine::wpV1Sending()
{
    qDebug() << "[WPToolLine] wpV1Sending";
    if (m_flyStatus == 1)
        s.status->setText(QStringLiteral("<font color='orange'><b>Sending!</b></font>"));
}

void WPToolLine::wpV1Flying(int)
{
    qDebug() << "[WPToolLine] wpV1Flying";
    if (m_flyStatus == 1)
        s.status->setText(QStringLiteral("<b>Flying</b>"));
}

void WPToolLine::wpV1reachedPos20m()
{
    qDebug() << "[WPToolLine] wpV1reachedPos20m";
    if (m_flyStatus == 1)
        s.status->setText(QStringLiteral("<b>Less than 20m</b>"));
}

void WPToolLine::wpV1reachedPos()
{
    qDebug() << "[WPToolLine] wpV1reachedPos";
    if (m_flyStatus == 1)
        s.status->setText(QStringLiteral("<b>Reached</b>"));
}

void WPToolLine::wpV1Finished()
{
    qDebug() << "[WPToolLine] wpV1Finished";
    if (m_flyStatus == 1)
        s.status->setText(QStringLiteral("<font color='green'><b>Finished!</b></font>"));
    m_flyStatus = 0;
    s.start->setValue(1);
    stopV1Fly();
}

void WPToolLine::wpV1Pilotaborted()
{
    qDebug() << "[WPToolLine] wpV1Pilotaborted";
    if (m_flyStatus == 1)
        s.status->setText(QStringLiteral("<font color='red'><b>Aborted!</b></font>"));
    emit stopFlight();
}

void WPToolLine::wpFinished(int n)
{
    if (n < 1)
        return;
    s.start->setValue(n + 1);
    // The range is the flight's own, from the waypoint it started at to its
    // end, so the reached waypoint lies inside it.
    s.progress->setRange(std::min(m_flightFirst, n), std::max(s.stop->value(), n));
    s.progress->setValue(n);
}

void WPToolLine::setWaypointUploadStatus(int a, int b, int c)
{
    s.upload->setText(tr("Uploading Waypoint %1 (%2 of %3)").arg(a).arg(b).arg(c));
}

void WPToolLine::approxTime(double sec)
{
    if (static_cast<qint64>(sec * 100) == 0) {
        s.estimate->setText(QStringLiteral("-"));
        return;
    }
    const QTime t = QTime(0, 0, 0).addSecs(static_cast<int>(sec));
    s.estimate->setText(QStringLiteral("%1:%2:%3")
                            .arg(t.hour(), 2, 10, QLatin1Char('0'))
                            .arg(t.minute(), 2, 10, QLatin1Char('0'))
                            .arg(t.second(), 2, 10, QLatin1Char('0')));
}

void WPToolLine::setFlighttime(ushort t)
{
    s.flightTime->setText(QStringLiteral("%1:%2:%3")
                              .arg(t / 3600, 2, 10, QLatin1Char('0'))
                              .arg((t % 3600) / 60, 2, 10, QLatin1Char('0'))
                              .arg(t % 60, 2, 10, QLatin1Char('0')));
}

void WPToolLine::setRelativeHeight(double h)
{
    s.height->setText(QStringLiteral("%1m").arg(h, 0, 'f', 2));
}

void WPToolLine::setAbsoluteHeight(double) {}
void WPToolLine::setVelocity(double) {}
void WPToolLine::aciNavigationStatus(ZEPH_MSG_NAVIGATION_STATUS) {}

void WPToolLine::setHomePosition(double lon, double lat)
{
    s.position->setText(
        QStringLiteral("%1 / %2").arg(QString::number(lon, 'g', 10), QString::number(lat, 'g', 10)));
    m_homeLon = lon;
    m_homeLat = lat;
    m_homeKnown = true;
}

void WPToolLine::setCurrentPosition(double lon, double lat)
{
    if (!m_homeKnown)
        return;
    setHomeDistance(
        GeoMath::flatMetres(GeoPoint::lonLat(m_homeLon, m_homeLat), GeoPoint::lonLat(lon, lat)));
}

void WPToolLine::setHomeDistance(double dist)
{
    s.distance->setText(QStringLiteral("%1m").arg(dist, 0, 'f', 2));
}

QPointF WPToolLine::calcLonLatInMeters(double meter_lon, double meter_lat, double refLat)
{
    return RelativeValues::degreesFromMetres(meter_lon, meter_lat, refLat);
}
