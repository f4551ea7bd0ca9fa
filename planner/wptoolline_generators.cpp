// The generator pages (matrix, polygon, line matrix, circle of interest), the
// ruler and the placemark page of the tool panel.
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardItem>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "core/headerwidget.h"
#include "planner/wptoolline.h"

QToolBar *panelToolBar(QWidget *parent);
QToolButton *panelButton(QToolBar *bar, const QString &text, const QString &tip);

namespace {
const char *kCoverH = "WP Horizontal Cover";
const char *kCoverV = "WP Vertical Cover";
const char *kCheckDir = "WP Check Direction";

QString degText(double v) { return QString::number(v, 'g', 10) + QChar(0x00B0); }

QLabel *label(const QString &text, QWidget *parent, bool wrap = false)
{
    auto *l = new QLabel(text, parent);
    l->setWordWrap(wrap);
    return l;
}

// One row of the four-column form: caption, (empty), value, unit.
void formRow(QGridLayout *grid, int r, QWidget *caption, QWidget *value, const QString &unit,
             QWidget *parent)
{
    if (caption)
        grid->addWidget(caption, r, 0, Qt::AlignLeft);
    grid->addWidget(value, r, 2, Qt::AlignRight);
    if (!unit.isEmpty())
        grid->addWidget(new QLabel(unit, parent), r, 3, Qt::AlignLeft);
}

QDoubleSpinBox *dbox(QWidget *parent, double lo, double hi, double value)
{
    auto *b = new QDoubleSpinBox(parent);
    b->setRange(lo, hi);
    b->setValue(value);
    return b;
}

QSpinBox *ibox(QWidget *parent, int lo, int hi, int value)
{
    auto *b = new QSpinBox(parent);
    b->setRange(lo, hi);
    b->setValue(value);
    return b;
}

const QString kSpeedTip = QStringLiteral(
    "Automatic calculation: Recommended flight speed\nbased on selected camera and flight plan "
    "parameters.\nIf higher speeds are used there is the risk of lost images\nand/or decreased "
    "flight path precision.");
const QString kGenerateTip = QStringLiteral(
    "Display the waypoints in the current defined area. If you are satisfied with the result, "
    "click on <i>Apply</i>, otherwise, you can change the area.");
const QString kApplyTip = QStringLiteral(
    "Create the Matrix with the displayed preview points. Changes of the area after clicking on "
    "<i>Preview</i> has no effect.");
}  // namespace

double WPToolLine::gsdForHeight(const Camera &c, double h)
{
    return std::tan(c.fieldOfView().x() * M_PI / 180 * 0.5) * h * 2000 / c.imageSize.width();
}

double WPToolLine::heightForGsd(const Camera &c, double gsd)
{
    return c.imageSize.width() * gsd / std::tan(c.fieldOfView().x() * M_PI / 180 * 0.5) / 2000;
}

QString WPToolLine::areaText(double a)
{
    if (a < 10000)
        return QString::number(a, 'g', 6) + QStringLiteral("m\u00B2");
    if (a < 10000000)
        return QString::number(a / 10000, 'g', 6) + QStringLiteral("ha");
    return QString::number(a / 1000000, 'g', 6) + QStringLiteral("km\u00B2");
}

// ---- matrix ----
QWidget *WPToolLine::createMatrixIntroWid()
{
    auto *page = new QWidget;
    auto *l = new QVBoxLayout(page);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(new HeaderWidget(tr("Instruction"), page, true));
    l->addSpacing(5);
    l->addWidget(label(tr("Create a quadrilateral for the waypoint matrix. Set 4 Points."), page,
                       true));
    auto *pic = new QLabel(page);
    pic->setPixmap(QPixmap(QStringLiteral(":/matrix_allowed.png")));
    l->addWidget(pic);
    g.mcCount = new QLabel(QStringLiteral("4"), page);
    auto *r = new QHBoxLayout;
    r->addWidget(label(tr("Number of missing points:"), page, true));
    r->addWidget(g.mcCount);
    l->addLayout(r);
    l->addSpacing(10);
    l->addWidget(new HeaderWidget(tr("Hints"), page, true));
    l->addSpacing(5);
    l->addWidget(label(
        tr("- Define an area of interest where the overlap is covered by a minimum two images."),
        page, true));
    l->addSpacing(10);
    l->addWidget(label(
        tr("- After you set all four points, you can move them to a different positon."), page,
        true));
    l->addStretch();
    return page;
}

QWidget *WPToolLine::createMatrixConfigWid()
{
    auto *page = new QWidget;
    auto *l = new QVBoxLayout(page);
    const QPointF fov = m_camera.fieldOfView();
    l->addWidget(new HeaderWidget(tr("Information"), page, true));
    l->addSpacing(5);
    auto *info = new QGridLayout;
    g.mcCamera = new QLabel(m_camera.name, page);
    g.mcHAngle = new QLabel(QString::number(fov.x(), 'g', 6), page);
    g.mcVAngle = new QLabel(QString::number(fov.y(), 'g', 6), page);
    g.mcArea = new QLabel(QStringLiteral("-"), page);
    formRow(info, 0, label(tr("Camera:"), page), g.mcCamera, QString(), page);
    formRow(info, 1, label(tr("Camera Horizontal Angle:"), page), g.mcHAngle, QString(), page);
    formRow(info, 2, label(tr("Camera Vertical Angle:"), page), g.mcVAngle, QString(), page);
    formRow(info, 3, label(tr("Area:"), page), g.mcArea, QString(), page);
    info->setColumnStretch(2, 1);
    l->addLayout(info);
    l->addSpacing(10);
    l->addWidget(new HeaderWidget(tr("Configuration"), page, true));
    l->addSpacing(5);
    auto *grid = new QGridLayout;
    g.mcHeight = dbox(page, 10, 999.9, 70);
    g.mcGsd = new QDoubleSpinBox(page);
    setMatrixPixResRange();
    g.mcCoverH = ibox(page, 10, 90, m_settings->value(kCoverH, 50).toInt());
    g.mcCoverV = ibox(page, 10, 90, m_settings->value(kCoverV, 50).toInt());
    formRow(grid, 0, label(tr("Height:"), page), g.mcHeight, tr("m"), page);
    formRow(grid, 1, label(tr("Ground Sample Distance:"), page), g.mcGsd, tr("mm"), page);
    formRow(grid, 2, label(tr("Horizontal Overlap:"), page), g.mcCoverH, tr("%"), page);
    formRow(grid, 3, label(tr("Vertical Overlap:"), page), g.mcCoverV, tr("%"), page);
    grid->setColumnStretch(2, 1);
    l->addLayout(grid);
    auto *align = new QHBoxLayout;
    align->addWidget(label(tr("Matrix Alignment:"), page));
    g.mcDec = new QPushButton(QStringLiteral("<"), page);
    g.mcDec->setToolTip(tr("Set the previous matrix point or direction of the matrix"));
    g.mcInc = new QPushButton(QStringLiteral(">"), page);
    g.mcInc->setToolTip(tr("Set the next matrix point or direction of the matrix"));
    align->addWidget(g.mcDec);
    align->addWidget(g.mcInc);
    l->addLayout(align);
    g.mcDirection = new QCheckBox(tr("Orientation in fly direction"), page);
    g.mcDirection->setChecked(m_settings->value(kCheckDir, true).toBool());
    l->addWidget(g.mcDirection);
    l->addSpacing(10);
    l->addWidget(new HeaderWidget(tr("Create Matrix"), page, true));
    l->addSpacing(5);
    auto *bar = panelToolBar(page);
    g.mcGenerate = panelButton(bar, tr("Generate Matrix"), kGenerateTip);
    g.mcApply = panelButton(bar, tr("Apply Matrix"), kApplyTip);
    g.mcApply->setEnabled(false);
    l->addWidget(bar);
    l->addStretch();

    connect(g.mcHeight, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WPToolLine::mcHeightChanged);
    connect(g.mcGsd, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WPToolLine::mcPixResChanged);
    connect(g.mcDec, &QPushButton::clicked, this, &WPToolLine::matrixDirDec);
    connect(g.mcInc, &QPushButton::clicked, this, &WPToolLine::matrixDirInc);
    connect(g.mcGenerate, &QToolButton::clicked, this, &WPToolLine::mcPreviewClicked);
    connect(g.mcApply, &QToolButton::clicked, this, [this] {
        emit applyMatrixClicked();
        setmcApplyDisabled();
    });
    mcHeightChanged(g.mcHeight->value());
    return page;
}

void WPToolLine::setMatrixPixResRange()
{
    g.mcGsd->setRange(gsdForHeight(m_camera, 10), gsdForHeight(m_camera, 999));
}

void WPToolLine::mcHeightChanged(double h)
{
    const double gsd = gsdForHeight(m_camera, h);
    if (std::abs(g.mcGsd->value() - gsd) > 0.03)
        g.mcGsd->setValue(gsd);
}

void WPToolLine::mcPixResChanged(double res)
{
    const double h = heightForGsd(m_camera, res);
    if (std::abs(g.mcHeight->value() - h) > 0.03)
        g.mcHeight->setValue(h);
}

void WPToolLine::setMatrixIntroPage()
{
    qDebug() << "[WPToolLine] setMatrixIntroPage";
    m_stack->setCurrentIndex(MatrixIntroPage);
    setmcApplyDisabled();
}

void WPToolLine::setNumberOfMatrixPointsOnMap(int n)
{
    qDebug().noquote() << QStringLiteral("[WPToolLine] setNumberOfMatrixPointsOnMap %1").arg(n);
    m_missingMatrixPoints = 4 - n;
    if (m_missingMatrixPoints == 0)
        setMatrixConfigPage();
    g.mcCount->setText(QString::number(m_missingMatrixPoints));
}

void WPToolLine::setMatrixConfigPage()
{
    qDebug() << "[WPToolLine] setMatrixConfigPage";
    mcHeightChanged(g.mcHeight->value());
    m_stack->setCurrentIndex(MatrixConfigPage);
}

void WPToolLine::mcPreviewClicked()
{
    qDebug() << "[WPToolLine] mcPreviewClicked";
    g.mcApply->setEnabled(true);
    const QPointF fov = m_camera.fieldOfView();
    emit generateMatrixClicked(g.mcHeight->value(), g.mcCoverV->value(), g.mcCoverH->value(),
                               fov.x(), fov.y(), g.mcDirection->isChecked());
}

void WPToolLine::setmcApplyDisabled()
{
    qDebug() << "[WPToolLine] setmcApplyDisabled";
    g.mcApply->setEnabled(false);
    m_settings->setValue(kCheckDir, g.mcDirection->isChecked());
    m_settings->setValue(kCoverH, g.mcCoverH->value());
    m_settings->setValue(kCoverV, g.mcCoverV->value());
}

void WPToolLine::setMatrixAreaQM(double a) { g.mcArea->setText(areaText(a)); }

// ---- polygon ----
QWidget *WPToolLine::createPolygonIntroWid()
{
    auto *page = new QWidget;
    auto *l = new QVBoxLayout(page);
    l->addWidget(new HeaderWidget(tr("Instruction"), page, true));
    l->addSpacing(5);
    l->addWidget(label(tr("Place a minimum of 3 points to create a polygon. Then, click on "
                          "<i>Finish</i>, if you have put enough points and set all parameters "
                          "(height, position accuracy etc.) for you entered area."),
                       page, true));
    l->addSpacing(10);
    l->addWidget(new HeaderWidget(tr("Finish Step"), page, true));
    auto *bar = panelToolBar(page);
    g.pcFinish = panelButton(bar, tr("Finish"),
                             tr("Click on <i>Finish</i> if you have set all polygon points. You "
                                "can later move them precisely on the correct place."));
    l->addWidget(bar);
    l->addStretch();
    connect(g.pcFinish, &QToolButton::clicked, this, &WPToolLine::polygonFinishedClicked);
    return page;
}

QWidget *WPToolLine::createPolygonConfigWid()
{
    auto *page = new QWidget;
    auto *l = new QVBoxLayout(page);
    l->addWidget(new HeaderWidget(tr("Configuration"), page, true));
    l->addSpacing(5);
    auto *grid = new QGridLayout;
    g.pcArea = new QLabel(QStringLiteral("-"), page);
    g.pcHeight = dbox(page, 10, 999.9, 70);
    g.pcGsd = new QDoubleSpinBox(page);
    setPolygonPixResRange();
    g.pcCoverCross = ibox(page, 10, 90, m_settings->value(kCoverH, 50).toInt());
    g.pcCoverAlong = ibox(page, 10, 90, m_settings->value(kCoverV, 50).toInt());
    g.pcAuto = new QCheckBox(tr("Auto set recommended speed"), page);
    g.pcAuto->setChecked(true);
    g.pcAuto->setToolTip(kSpeedTip);
    g.pcSpeed = dbox(page, 0.5, 10, 10);
    g.pcSpeed->setSingleStep(0.5);
    formRow(grid, 0, label(tr("Area:"), page), g.pcArea, QString(), page);
    formRow(grid, 1, label(tr("Height:"), page), g.pcHeight, tr("m"), page);
    formRow(grid, 2, label(tr("Ground Sample Distance:"), page), g.pcGsd, tr("mm"), page);
    formRow(grid, 3, label(tr("Cross-track Overlap:"), page), g.pcCoverCross, tr("%"), page);
    formRow(grid, 4, label(tr("Along-track Overlap:"), page), g.pcCoverAlong, tr("%"), page);
    grid->addWidget(g.pcAuto, 5, 0, 1, 3);
    formRow(grid, 6, label(tr("Flight speed"), page), g.pcSpeed, tr("m/s"), page);
    grid->setColumnStretch(2, 1);
    l->addLayout(grid);
    auto *align = new QHBoxLayout;
    align->addWidget(label(tr("Matrix Alignment:"), page));
    g.pcDec = new QPushButton(QStringLiteral("<"), page);
    g.pcDec->setToolTip(tr("Set the previous matrix point or direction of the matrix"));
    g.pcInc = new QPushButton(QStringLiteral(">"), page);
    g.pcInc->setToolTip(tr("Set the next matrix point or direction of the matrix"));
    align->addWidget(g.pcDec);
    align->addWidget(g.pcInc);
    l->addLayout(align);
    l->addSpacing(10);
    l->addWidget(new HeaderWidget(tr("Create Polygon Matrix"), page, true));
    auto *bar = panelToolBar(page);
    g.pcGenerate = panelButton(bar, tr("Generate Matrix"), kGenerateTip);
    g.pcApply = panelButton(bar, tr("Apply Matrix"), kApplyTip);
    g.pcApply->setEnabled(false);
    l->addWidget(bar);
    l->addStretch();

    connect(g.pcHeight, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WPToolLine::pcHeightChanged);
    connect(g.pcGsd, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WPToolLine::pcPixResChanged);
    connect(g.pcCoverCross, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &WPToolLine::pcCoverVChanged);
    connect(g.pcCoverAlong, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &WPToolLine::pcCoverVChanged);
    connect(g.pcSpeed, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            [this] { g.pcAuto->setChecked(false); });
    connect(g.pcAuto, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            calcPolygonSpeed();
    });
    connect(g.pcDec, &QPushButton::clicked, this, &WPToolLine::polygonDirDec);
    connect(g.pcInc, &QPushButton::clicked, this, &WPToolLine::polygonDirInc);
    connect(g.pcGenerate, &QToolButton::clicked, this, &WPToolLine::pcPreviewClicked);
    connect(g.pcApply, &QToolButton::clicked, this, [this] {
        emit applyPolygonClicked(g.pcSpeed->value());
        setpcApplyDisabled();
    });
    pcHeightChanged(g.pcHeight->value());
    return page;
}

void WPToolLine::setPolygonPixResRange()
{
    if (m_camera.name.isEmpty())
        return;
    g.pcGsd->setRange(gsdForHeight(m_camera, 10), gsdForHeight(m_camera, 999));
}

void WPToolLine::pcHeightChanged(double h)
{
    const double gsd = gsdForHeight(m_camera, h);
    if (std::abs(g.pcGsd->value() - gsd) > 0.03)
        g.pcGsd->setValue(gsd);
    calcPolygonSpeed();
}

void WPToolLine::pcPixResChanged(double res)
{
    const double h = heightForGsd(m_camera, res);
    if (std::abs(g.pcHeight->value() - h) > 0.03)
        g.pcHeight->setValue(h);
}

void WPToolLine::pcCoverVChanged(int) { calcPolygonSpeed(); }

void WPToolLine::calcPolygonSpeed()
{
    const QPointF fov = m_camera.fieldOfView();
    const double h = g.pcHeight->value();
    const double a = g.pcCoverAlong->value(), c = g.pcCoverCross->value();
    const double t = m_camera.processTime / 1000.0;
    const double vp = (1 - a / 100) * 2 * std::tan(fov.y() * M_PI / 360) * h / t - 0.005;
    const double spacing = (1 - c / 100) * 2 * std::tan(fov.x() * M_PI / 360) * h;
    const double vt = std::sqrt(spacing * 0.5 * 5.0) - 0.005;
    const bool blocked = g.pcSpeed->blockSignals(true);
    g.pcSpeed->setMaximum(std::min(vp, 10.0));
    if (g.pcAuto->isChecked()) {
        g.pcSpeed->setValue(std::min({vp, vt, 10.0}));
        setHeightMin();
        setMaxCover();
    }
    g.pcSpeed->blockSignals(blocked);
}

void WPToolLine::setHeightMin()
{
    const QPointF fov = m_camera.fieldOfView();
    const double a = g.pcCoverAlong->value();
    const double hmin = 0.5 * (m_camera.processTime / 1000.0) /
                        (2 * std::tan(fov.y() * M_PI / 360) * (1 - a / 100));
    qDebug() << "setHeightMin" << hmin;
    if (std::isfinite(hmin))
        g.pcHeight->setMinimum(std::max(10.0, hmin));
}

void WPToolLine::setMaxCover()
{
    const QPointF fov = m_camera.fieldOfView();
    const double h = g.pcHeight->value();
    const double v = std::min(
        90.0, (1 - 0.5 * (m_camera.processTime / 1000.0) / (2 * std::tan(fov.y() * M_PI / 360) * h)) *
                  100);
    qDebug() << "setMaxCoverV" << v;
    const double hc = std::min(90.0, (1 - 0.1 / (2 * std::tan(fov.x() * M_PI / 360) * h)) * 100);
    qDebug() << "setMaxCoverH" << hc;
    // A maximum below the fixed minimum would leave no valid value.
    if (std::isfinite(v))
        g.pcCoverAlong->setMaximum(std::max(10, static_cast<int>(v)));
    if (std::isfinite(hc))
        g.pcCoverCross->setMaximum(std::max(10, static_cast<int>(hc)));
}

void WPToolLine::setPolyIntroPage()
{
    qDebug() << "[WPToolLine] setPolyIntroPage";
    g.pcFinish->setEnabled(false);
    m_stack->setCurrentIndex(PolygonIntroPage);
    setpcApplyDisabled();
}

void WPToolLine::poly3added() { g.pcFinish->setEnabled(true); }

void WPToolLine::polygonFinishedClicked()
{
    m_stack->setCurrentIndex(PolygonConfigPage);
    emit editPolygonMatrix();
    pcHeightChanged(g.pcHeight->value());
}

void WPToolLine::pcPreviewClicked()
{
    g.pcApply->setEnabled(true);
    const QPointF fov = m_camera.fieldOfView();
    emit generateMatrixClicked(g.pcHeight->value(), g.pcCoverAlong->value(),
                               g.pcCoverCross->value(), fov.x(), fov.y(), true);
}

void WPToolLine::setpcApplyDisabled()
{
    g.pcApply->setEnabled(false);
    m_settings->setValue(kCheckDir, true);
    m_settings->setValue(kCoverH, g.pcCoverCross->value());
    m_settings->setValue(kCoverV, g.pcCoverAlong->value());
}

void WPToolLine::setPolygonAreaQM(double a) { g.pcArea->setText(areaText(a)); }

// ---- line matrix ----
QWidget *WPToolLine::createLineMatrixIntroWid()
{
    auto *page = new QWidget;
    auto *l = new QVBoxLayout(page);
    l->addWidget(new HeaderWidget(tr("Instruction"), page, true));
    l->addSpacing(5);
    l->addWidget(label(tr("Place a minimum of 2 points on the map to create a line. Then, click "
                          "on <i>Finish</i>, if you have put enough points on the map and set all "
                          "parameters for you entered area."),
                       page, true));
    l->addSpacing(10);
    l->addWidget(new HeaderWidget(tr("Finish Step"), page, true));
    l->addSpacing(5);
    auto *bar = panelToolBar(page);
    g.lmFinish = panelButton(bar, tr("Finish"),
                             tr("Click on <i>Finish</i> if you have set the line. You can later "
                                "move them precisely to the correct place."));
    l->addWidget(bar);
    l->addStretch();
    connect(g.lmFinish, &QToolButton::clicked, this, &WPToolLine::lineMatrixFinishClicked);
    return page;
}

QWidget *WPToolLine::createLineMatrixConfig()
{
    auto *page = new QWidget;
    auto *l = new QVBoxLayout(page);
    l->addWidget(new HeaderWidget(tr("Configuration"), page, true));
    l->addSpacing(5);
    auto *grid = new QGridLayout;
    g.lmHeight = dbox(page, 10, 999.9, 70);
    g.lmGsd = new QDoubleSpinBox(page);
    g.lmOverlap = ibox(page, 10, 90, m_settings->value(kCoverV, 50).toInt());
    g.lmAuto = new QCheckBox(tr("Auto set recommended speed"), page);
    g.lmAuto->setChecked(true);
    g.lmAuto->setToolTip(kSpeedTip);
    g.lmSpeed = dbox(page, 0.5, 10, 10);
    g.lmSpeed->setSingleStep(0.5);
    formRow(grid, 0, label(tr("Height:"), page), g.lmHeight, tr("m"), page);
    formRow(grid, 1, label(tr("Ground Sample Distance:"), page), g.lmGsd, tr("mm"), page);
    formRow(grid, 2, label(tr("Minimal Overlap:"), page), g.lmOverlap, tr("%"), page);
    grid->addWidget(g.lmAuto, 3, 0, 1, 3);
    formRow(grid, 4, label(tr("Flight speed"), page), g.lmSpeed, tr("m/s"), page);
    grid->setColumnStretch(2, 1);
    l->addLayout(grid);
    l->addSpacing(10);
    l->addWidget(new HeaderWidget(tr("Create Polygon Matrix"), page, true));
    auto *bar = panelToolBar(page);
    g.lmGenerate = panelButton(bar, tr("Generate Matrix"), kGenerateTip);
    g.lmApply = panelButton(bar, tr("Apply"), kGenerateTip);
    g.lmApply->setEnabled(false);
    l->addWidget(bar);
    l->addStretch();

    connect(g.lmHeight, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WPToolLine::lmHeightChanged);
    connect(g.lmGsd, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &WPToolLine::lmPixResChanged);
    connect(g.lmOverlap, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this] { calcLineMatrixSpeed(); });
    connect(g.lmSpeed, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            [this] { g.lmAuto->setChecked(false); });
    connect(g.lmAuto, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            calcLineMatrixSpeed();
    });
    connect(g.lmGenerate, &QToolButton::clicked, this, &WPToolLine::generateLMMatrixClicked);
    connect(g.lmApply, &QToolButton::clicked, this, [this] {
        g.lmApply->setEnabled(false);
        emit applyLineMatrixClicked(g.lmSpeed->value());
    });
    return page;
}

void WPToolLine::calcLineMatrixSpeed()
{
    const QPointF fov = m_camera.fieldOfView();
    const double h = g.lmHeight->value(), o = g.lmOverlap->value();
    const double v = std::min(
        (1 - o / 100) * 2 * std::tan(fov.y() * M_PI / 360) * h / (m_camera.processTime / 1000.0) -
            0.005,
        10.0);
    const bool blocked = g.lmSpeed->blockSignals(true);
    g.lmSpeed->setMaximum(v);
    if (g.lmAuto->isChecked())
        g.lmSpeed->setValue(v);
    g.lmSpeed->blockSignals(blocked);
}

void WPToolLine::lmHeightChanged(double a)
{
    const double gsd = gsdForHeight(m_camera, a);
    if (std::abs(g.lmGsd->value() - gsd) > 0.03)
        g.lmGsd->setValue(gsd);
    calcLineMatrixSpeed();
}

void WPToolLine::lmPixResChanged(double res)
{
    const double h = heightForGsd(m_camera, res);
    if (std::abs(g.lmHeight->value() - h) > 0.03)
        g.lmHeight->setValue(h);
}

void WPToolLine::setLineMatrixIntroPage() { m_stack->setCurrentIndex(LineMatrixIntroPage); }

void WPToolLine::lineMatrixFinishClicked()
{
    m_stack->setCurrentIndex(LineMatrixConfigPage);
    lmHeightChanged(g.lmHeight->value());
    emit editLineMatrix();
}

void WPToolLine::lmFinishedClicked()
{
    m_stack->setCurrentIndex(LineMatrixConfigPage);
    emit editLineMatrix();
    lmHeightChanged(g.lmHeight->value());
}

void WPToolLine::generateLMMatrixClicked()
{
    g.lmApply->setEnabled(true);
    emit generateLineMatrix(g.lmHeight->value(), m_camera.fieldOfView().y(), g.lmOverlap->value());
}

// ---- circle of interest ----
QWidget *WPToolLine::createCOIIntroWid()
{
    auto *page = new QWidget;
    auto *l = new QVBoxLayout(page);
    l->addWidget(new HeaderWidget(tr("Instruction"), page, true));
    l->addSpacing(5);
    auto *pic = new QLabel(page);
    pic->setPixmap(QPixmap(QStringLiteral(":/coi_intro.png")));
    l->addWidget(pic);
    l->addWidget(label(tr("1. Set mid point<br>2. Set radius and starting point"), page));
    l->addStretch();
    return page;
}

QWidget *WPToolLine::createCOIConfigWid()
{
    auto *page = new QWidget;
    auto *l = new QVBoxLayout(page);
    l->addWidget(new HeaderWidget(tr("COI Information"), page, true));
    l->addSpacing(5);
    auto *info = new QGridLayout;
    g.coiLon = new QLabel(QStringLiteral("-"), page);
    g.coiLat = new QLabel(QStringLiteral("-"), page);
    g.coiRadius = new QLabel(QStringLiteral("-"), page);
    formRow(info, 0, label(tr("Middle Longitude:"), page), g.coiLon, QString(), page);
    formRow(info, 1, label(tr("Middle Latitude:"), page), g.coiLat, QString(), page);
    formRow(info, 2, label(tr("Radius (m):"), page), g.coiRadius, QString(), page);
    info->setColumnStretch(2, 1);
    l->addLayout(info);
    l->addSpacing(10);
    l->addWidget(new HeaderWidget(tr("COI Configuration"), page, true));
    l->addSpacing(5);
    auto *grid = new QGridLayout;
    g.coiDirection = new QComboBox(page);
    g.coiDirection->addItems({tr("clockwise"), tr("counter clockwise")});
    g.coiIncrement = ibox(page, 5, 90, 5);
    g.coiHeight = dbox(page, 10, 1000, 70);
    g.coiCamAngle = dbox(page, -90, 90, 0);
    formRow(grid, 0, label(tr("Direction"), page), g.coiDirection, QString(), page);
    formRow(grid, 1, label(tr("Increment Angle:"), page), g.coiIncrement, QString(), page);
    formRow(grid, 2, label(tr("Height"), page), g.coiHeight, QString(), page);
    formRow(grid, 3, label(tr("Camera Angle:"), page), g.coiCamAngle, QString(), page);
    grid->setColumnStretch(2, 1);
    l->addLayout(grid);
    l->addSpacing(10);
    l->addWidget(new HeaderWidget(tr("Create COI"), page, true));
    l->addSpacing(5);
    const QString tip =
        tr("Display the waypoints in the current defined COI. If you are satisfied with the "
           "result, click on <i>Apply</i>, otherwise, you can change the circle and its middle "
           "point.");
    auto *bar = panelToolBar(page);
    g.coiGenerate = panelButton(bar, tr("Generate"), tip);
    g.coiApply = panelButton(bar, tr("Apply"), tip);
    g.coiApply->setEnabled(false);
    l->addWidget(bar);
    l->addStretch();
    connect(g.coiGenerate, &QToolButton::clicked, this, &WPToolLine::coiPreviewClicked);
    connect(g.coiApply, &QToolButton::clicked, this, &WPToolLine::applyCoiClicked);
    return page;
}

void WPToolLine::setCOIIntroPage()
{
    qDebug() << "[WPToolLine] setCOIIntroPage";
    m_stack->setCurrentIndex(CoiIntroPage);
    g.coiApply->setEnabled(false);
}

void WPToolLine::setCoiPoint1(QPointF p)
{
    g.coiLon->setText(degText(p.x()));
    g.coiLat->setText(degText(p.y()));
}

void WPToolLine::setNumberOfCOIPointsOnMap(int n)
{
    qDebug().noquote() << QStringLiteral("[WPToolLine] setNumberOfCOIPointsOnMap %1").arg(n);
    if (n == 2)
        setCOIConfigPage();
}

void WPToolLine::setCOIConfigPage()
{
    qDebug() << "[WPToolLine] setCOIConfigPage";
    m_stack->setCurrentIndex(CoiConfigPage);
}

void WPToolLine::setCoiPoint2(double r)
{
    g.coiRadius->setText(QString::number(r, 'g', 6) + QStringLiteral("m"));
}

void WPToolLine::coiPreviewClicked()
{
    qDebug() << "[WPToolLine] coiPreviewClicked";
    g.coiApply->setEnabled(true);
    emit generateCOIClicked(g.coiDirection->currentIndex(), g.coiIncrement->value(),
                            g.coiHeight->value(), g.coiCamAngle->value());
}

void WPToolLine::applyCoiClicked()
{
    qDebug() << "[WPToolLine] applyCoiClicked";
    g.coiApply->setEnabled(false);
    emit applCOIClicked();
}

// ---- ruler and placemark ----
QWidget *WPToolLine::createLinealWid()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    auto value = [page] { return new QLabel(QStringLiteral("-"), page); };
    g.rulerLon1 = value();
    g.rulerLat1 = value();
    g.rulerLon2 = value();
    g.rulerLat2 = value();
    g.rulerDistance = value();
    const QString indent = QStringLiteral("     ");
    grid->addWidget(label(tr("<b>First Point:</b>"), page), 0, 0, Qt::AlignLeft);
    grid->addWidget(label(indent + tr("Longitude:"), page), 1, 0, Qt::AlignLeft);
    grid->addWidget(g.rulerLon1, 1, 2, Qt::AlignLeft);
    grid->addWidget(label(indent + tr("Latitude:"), page), 2, 0, Qt::AlignLeft);
    grid->addWidget(g.rulerLat1, 2, 2, Qt::AlignLeft);
    grid->addWidget(label(tr("<b>Second Point</b>"), page), 4, 0, Qt::AlignLeft);
    grid->addWidget(label(indent + tr("Longitude:"), page), 5, 0, Qt::AlignLeft);
    grid->addWidget(g.rulerLon2, 5, 2, Qt::AlignLeft);
    grid->addWidget(label(indent + tr("Latitude:"), page), 6, 0, Qt::AlignLeft);
    grid->addWidget(g.rulerLat2, 6, 2, Qt::AlignLeft);
    grid->addWidget(label(tr("<b>Distance:</b>"), page), 8, 0, Qt::AlignLeft);
    grid->addWidget(g.rulerDistance, 8, 2, Qt::AlignLeft);
    grid->setColumnMinimumWidth(1, 50);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(9, 1);
    grid->setRowMinimumHeight(3, 20);
    grid->setRowMinimumHeight(7, 20);
    return page;
}

void WPToolLine::setLinealPage()
{
    qDebug() << "[WPToolLine] setLinealPage";
    m_stack->setCurrentIndex(RulerPage);
}

void WPToolLine::setLinealPoint1(QPointF p)
{
    g.rulerLat1->setText(degText(p.y()));
    g.rulerLon1->setText(degText(p.x()));
    g.rulerDistance->setText(QStringLiteral("-"));
    g.rulerLat2->setText(QStringLiteral("-"));
    g.rulerLon2->setText(QStringLiteral("-"));
}

void WPToolLine::setLinealPoint2(QPointF p, double d)
{
    g.rulerDistance->setText(QString::number(d, 'g', 6) + QStringLiteral("m"));
    g.rulerLat2->setText(degText(p.y()));
    g.rulerLon2->setText(degText(p.x()));
}

QWidget *WPToolLine::createPMWid()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    auto value = [page] { return new QLabel(QStringLiteral("0"), page); };
    g.pmName = value();
    g.pmGroup = value();
    g.pmLon = value();
    g.pmLat = value();
    grid->addWidget(label(tr("<b>Name:</b>"), page), 0, 0);
    grid->addWidget(g.pmName, 0, 2);
    grid->addWidget(label(tr("Group:"), page), 1, 0);
    grid->addWidget(g.pmGroup, 1, 2);
    grid->addWidget(label(tr("Longitude:"), page), 3, 0);
    grid->addWidget(g.pmLon, 3, 2);
    grid->addWidget(label(tr("Latitude:"), page), 4, 0);
    grid->addWidget(g.pmLat, 4, 2);
    grid->setColumnMinimumWidth(1, 20);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(5, 1);
    grid->setRowMinimumHeight(2, 20);
    return page;
}

void WPToolLine::setPM(QStandardItem *item)
{
    if (!item)
        return;
    g.pmLon->setText(item->data(Qt::UserRole + 1).toString());
    g.pmLat->setText(item->data(Qt::UserRole + 2).toString());
    g.pmName->setText(item->text());
    g.pmGroup->setText(item->data(Qt::UserRole + 3).toString());
    m_stack->setCurrentIndex(PlacemarkPage);
}
