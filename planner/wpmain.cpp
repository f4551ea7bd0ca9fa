#include "planner/wpmain.h"

#include <QAction>
#include <QDebug>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QStandardItem>
#include <QToolBar>
#include <QtMath>
#include <cmath>

#include "core/data.h"
#include "core/prompt/prompt.h"
#include "link/acirecords.h"
#include "link/korvelpackethandler.h"
#include "link/v1records.h"
#include "maps/wpdata.h"
#include "planner/geometry/flightestimate.h"
#include "planner/wpeditor.h"
#include "planner/wpsavefiledialog.h"
#include "planner/wptoolline.h"

namespace {
constexpr int kToolPanelWidth = 300;

QAction *makeTool(QToolBar *bar, const QString &icon, const QString &tip, bool checkable)
{
    auto *a = new QAction(QIcon(icon), QString(), bar);
    a->setCheckable(checkable);
    if (!tip.isEmpty()) {
        a->setStatusTip(tip);
        a->setToolTip(tip);
    }
    bar->addAction(a);
    return a;
}
}  // namespace

WPMain::WPMain(KorvelPacketHandler *handler, WPData *data, QWidget *parent)
    : ToolWindow(parent), m_handler(handler), m_data(data)
{
    qDebug() << "[WPMain] Constructor with KorvelPacketHandler and WPData";
    m_editor = new WPEditor(m_data, this);
    m_toolLine = new WPToolLine(m_data, this);
    m_toolLine->setObjectName(QStringLiteral("toolPanelColumn"));
    m_toolLine->setFixedWidth(kToolPanelWidth);

    connect(Data::instance(), &Data::currentCameraChanged, m_editor, &WPEditor::onCameraSwitched);
    m_editor->onCameraSwitched();
    connect(m_data, &WPData::wpDataChanged, m_editor, &WPEditor::onDataChanged);
    connect(m_data, &WPData::wpDataChanged, m_toolLine, &WPToolLine::onWpDataChanged);
    m_toolLine->setGeneralToolLine();

    m_toolBar = new QToolBar(this);
    m_toolBar->setOrientation(Qt::Vertical);
    m_toolBar->setMovable(false);
    m_toolBar->setStyleSheet(
        QStringLiteral("QToolBar {border-bottom: 0px solid black; border-top: 0px solid black;}"));
    const auto add = [this](Tool tool, const char *icon, const QString &tip, bool checkable) {
        QAction *a = makeTool(m_toolBar, QString::fromLatin1(icon), tip, checkable);
        m_tools[size_t(tool)] = a;
        return a;
    };
    add(Tool::Select, ":/wp_pfeil.png", tr("Select any object for editing"), true)
        ->setChecked(true);
    add(Tool::Waypoint, ":/wp_wegpunkt.png",
        tr("Add a waypoint with individually adjustable parameters"), true);
    add(Tool::Matrix, ":/wp_matrix.png", tr("Create a matrix for imaging an area"), true)
        ->setVisible(false);
    add(Tool::Polygon, ":/wp_polygon.png", tr("Create a matrix for imaging an area"), true);
    add(Tool::LineMatrix, ":/wp_linematrix.png", tr("Create a line for imaging a path"), true);
    add(Tool::QuickSurvey, ":/wp_qsf.png", QString(), true)->setVisible(false);
    QAction *poi = add(Tool::Poi, ":/wp_poi.png",
                       tr("Add a point of interest, on which waypoints will be focused"), true);
    poi->setVisible(false);
    poi->setEnabled(false);
    add(Tool::Coi, ":/wp_coi.png", tr("Set a circle of interest that will always be in focus"),
        true);
    QAction *panorama = add(Tool::Panorama, ":/wp_pano.png",
                            tr("Create a panorama point for making panoramas"), true);
    panorama->setVisible(false);
    panorama->setEnabled(false);
    m_toolBar->addSeparator();
    add(Tool::ZoomIn, ":/th_zoomin.png", tr("Zoom In"), false);
    add(Tool::ZoomOut, ":/th_zoomout.png", tr("Zoom Out"), false);
    add(Tool::Ruler, ":/wp_lineal.png", tr("Measure distance between two points"), true);

    auto *inner = new QHBoxLayout;
    inner->setContentsMargins(0, 0, 0, 0);
    inner->addWidget(m_editor);
    inner->addWidget(m_toolLine);
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_toolBar);
    outer->addLayout(inner);

    const QList<QPair<Tool, void (WPMain::*)()>> handlers = {
        {Tool::Select, &WPMain::selectActionSelected},
        {Tool::Waypoint, &WPMain::addWaypointActionSelected},
        {Tool::Matrix, &WPMain::addMatrixActionSelected},
        {Tool::Polygon, &WPMain::addPolygonMatrixActionSelected},
        {Tool::QuickSurvey, &WPMain::addQuickSurveyActionSelected},
        {Tool::Poi, &WPMain::addPOIActionSelected},
        {Tool::Coi, &WPMain::addCOIActionSelected},
        {Tool::Panorama, &WPMain::addPanoramaActionSelected},
        {Tool::LineMatrix, &WPMain::addLineMatrixActionSelected},
        {Tool::Ruler, &WPMain::linealActionSelected},
        {Tool::ZoomIn, &WPMain::zoomIn},
        {Tool::ZoomOut, &WPMain::zoomOut},
    };
    for (const auto &h : handlers)
        connect(toolAction(h.first), &QAction::triggered, this, h.second);

    connect(m_editor, &WPEditor::headingOnMapSetted, this, &WPMain::setHeadingOnMapBack);
    connect(m_editor, &WPEditor::wpdataChanged, this, &WPMain::dataChanged);
    if (m_handler) {
        connect(m_handler, &KorvelPacketHandler::wpV1Finished, this, &WPMain::finishedV1Flight);
        connect(m_handler, &KorvelPacketHandler::wpV1Flying, m_editor, &WPEditor::markV1WP);
        connect(m_handler, &KorvelPacketHandler::wpV1waypointreached, m_editor,
                &WPEditor::markV1WPFinished);
        connect(m_handler, &KorvelPacketHandler::unmarkSince, m_editor, &WPEditor::unmarkSince);
        connect(m_handler, &KorvelPacketHandler::gpsPosUpdate, m_editor, &WPEditor::setHarlekPos);
        connect(m_handler, &KorvelPacketHandler::yawUpdate, m_editor, &WPEditor::setHarlekAngle);
        connect(m_handler, &KorvelPacketHandler::homePosition, m_editor,
                &WPEditor::setHomePosition);
    }
    connectToolLine();
}

QWidget *WPMain::toolPanelColumn() const { return m_toolLine; }

void WPMain::connectToolLine()
{
    WPToolLine *t = m_toolLine;
    WPEditor *e = m_editor;
    connect(e, &WPEditor::singleWaypointSelected, t, &WPToolLine::setWaypointData);
    connect(e, &WPEditor::noWaypointSelected, t, &WPToolLine::setGeneralToolLine);
    connect(t, &WPToolLine::switchWPNr, e, &WPEditor::switchWPAfter);
    connect(t, &WPToolLine::yawChangedByNumber, e, &WPEditor::setYawAngle);
    connect(t, &WPToolLine::pitchChangedByNumber, e, &WPEditor::setPitchAngle);
    connect(t, &WPToolLine::heightChangedByNumber, e, &WPEditor::setHeight);
    connect(t, &WPToolLine::setHeadingOnMap, this, &WPMain::setHeadingOnMapClicked);
    connect(e, &WPEditor::matrixPointsOnMap, t, &WPToolLine::setNumberOfMatrixPointsOnMap);
    connect(e, &WPEditor::coiPointsOnMap, t, &WPToolLine::setNumberOfCOIPointsOnMap);
    connect(t, &WPToolLine::matrixDirInc, e, &WPEditor::matrixDirIncrease);
    connect(t, &WPToolLine::matrixDirDec, e, &WPEditor::matrixDirDecrease);
    connect(t, &WPToolLine::wpTypeChanged, e, &WPEditor::wpTypeChanged);
    connect(t, &WPToolLine::startFlight, this, &WPMain::startFlight);
    connect(t, &WPToolLine::stopFlight, this, &WPMain::stopFlight);
    connect(t, &WPToolLine::switchChanges, e, &WPEditor::setChanges);
    connect(e, &WPEditor::markPM, t, &WPToolLine::setPM);
    connect(t, &WPToolLine::dataChanged, this, &WPMain::dataChanged);
    connect(t, &WPToolLine::dataChanged, e, &WPEditor::onDataChanged);
    connect(t, &WPToolLine::applyMatrixClicked, this, &WPMain::dataChanged);
    connect(e, &WPEditor::firstLinealPoint, t, &WPToolLine::setLinealPoint1);
    connect(e, &WPEditor::secondLinealPoint, t, &WPToolLine::setLinealPoint2);
    connect(e, &WPEditor::matrixAreaQM, t, &WPToolLine::setMatrixAreaQM);
    connect(e, &WPEditor::polygonAreaQM, t, &WPToolLine::setPolygonAreaQM);
    connect(e, &WPEditor::firstCOIPoint, t, &WPToolLine::setCoiPoint1);
    connect(e, &WPEditor::secondCOIPoint, t, &WPToolLine::setCoiPoint2);
    connect(t, &WPToolLine::editPolygonMatrix, e, &WPEditor::finishPolygonAdded);
    connect(t, &WPToolLine::polygonDirInc, e, &WPEditor::polygonDirIncrease);
    connect(t, &WPToolLine::polygonDirDec, e, &WPEditor::polygonDirDecrease);
    connect(e, &WPEditor::moreThan3PolyPoints, t, &WPToolLine::poly3added);
    connect(t, &WPToolLine::editLineMatrix, e, &WPEditor::finishLineMatrixAdded);
    connect(e, &WPEditor::approxTime, t, &WPToolLine::approxTime);
    connect(e, &WPEditor::relativeValues, t, &WPToolLine::relativeValues);
    connect(t, &WPToolLine::requestApproxTime, e, &WPEditor::requestApproxTime);
    connect(t, &WPToolLine::generateMatrixClicked, e, &WPEditor::generateMatrix);
    connect(t, &WPToolLine::generateCOIClicked, e, &WPEditor::generateCOI);
    connect(t, &WPToolLine::generateLineMatrix, e, &WPEditor::generateLineMatrix);
    connect(t, &WPToolLine::applyMatrixClicked, this,
            QOverload<>::of(&WPMain::createMatrixOnMap));
    connect(t, &WPToolLine::applCOIClicked, this, &WPMain::createCOIOnMap);
    connect(t, &WPToolLine::applyPolygonClicked, this,
            QOverload<double>::of(&WPMain::createMatrixOnMap));
    connect(t, &WPToolLine::applyLineMatrixClicked, this,
            QOverload<double>::of(&WPMain::createMatrixOnMap));
    if (!m_handler)
        return;
    KorvelPacketHandler *h = m_handler;
    connect(h, &KorvelPacketHandler::wpV1reachedPos, t, &WPToolLine::wpV1reachedPos);
    connect(h, &KorvelPacketHandler::wpV1Finished, t, &WPToolLine::wpV1Finished);
    connect(h, &KorvelPacketHandler::wpV1Sending, t, &WPToolLine::wpV1Sending);
    connect(h, &KorvelPacketHandler::wpV1Flying, t, &WPToolLine::wpV1Flying);
    connect(h, &KorvelPacketHandler::wpV1reachedPos20m, t, &WPToolLine::wpV1reachedPos20m);
    connect(h, &KorvelPacketHandler::wpV1Pilotaborted, t, &WPToolLine::wpV1Pilotaborted);
    connect(h, &KorvelPacketHandler::waypointFlightStarted, t,
            &WPToolLine::setWaypointFlightStatus);
    connect(h, &KorvelPacketHandler::waypointUploadStatus, t,
            &WPToolLine::setWaypointUploadStatus);
    connect(h, &KorvelPacketHandler::batteryQualityUpdate, t, &WPToolLine::setBatteryQuality);
    connect(h, &KorvelPacketHandler::batteryVoltage, t, &WPToolLine::setBatteryVoltage);
    connect(h, &KorvelPacketHandler::batteryState, t, &WPToolLine::batteryState);
    connect(h, &KorvelPacketHandler::gpsQualityUpdate, t, &WPToolLine::setGPSQuality);
    connect(h, &KorvelPacketHandler::numberSatUpdate, t, &WPToolLine::setGPSSatellite);
    connect(h, &KorvelPacketHandler::linkQualityUpdate, t, &WPToolLine::setLinkQuality);
    connect(h, &KorvelPacketHandler::gpsheightUpdate, t, &WPToolLine::setAbsoluteHeight);
    connect(h, &KorvelPacketHandler::heightUpdate, t, &WPToolLine::setRelativeHeight);
    connect(h, &KorvelPacketHandler::flightimeUpdate, t, &WPToolLine::setFlighttime);
    connect(h, &KorvelPacketHandler::velocityUpdate, t, &WPToolLine::setVelocity);
    connect(h, &KorvelPacketHandler::aciNavStatus, t, &WPToolLine::aciNavigationStatus);
    connect(h, &KorvelPacketHandler::gpsPosUpdate, t, &WPToolLine::setCurrentPosition);
    connect(h, &KorvelPacketHandler::homePosition, t, &WPToolLine::setHomePosition);
    connect(h, &KorvelPacketHandler::wpV1waypointreached, t, &WPToolLine::wpFinished);
    connect(h, &KorvelPacketHandler::gasSensorUpdate, t, &WPToolLine::gasSensorValueChanged);
    connect(t, &WPToolLine::comeHome, h, &KorvelPacketHandler::comeHome);
    // The link reports values when they change: a tab opened on a running
    // link starts from what the link knows instead of zeros.
    if (h->protocol() != LinkProtocol::None) {
        emit t->setLinkQuality(h->linkQuality());
        emit t->setBatteryQuality(h->batteryQuality());
    }
}

WPMain::~WPMain()
{
    // The canvas detaches the plan's items before its scene goes; then the plan.
    delete m_editor;
    m_editor = nullptr;
    delete m_data;
}

WPData *WPMain::getWPData()
{
    qDebug() << "[WPMain] getWPData";
    return m_data;
}

QAction *WPMain::toolAction(Tool tool) const { return m_tools[size_t(tool)]; }

void WPMain::addWP(const Waypoint &wp)
{
    qDebug().noquote() << QStringLiteral("[WPMain] addWP lon/lat: %1 %2")
                              .arg(QString::number(wp.longitude, 'g'),
                                   QString::number(wp.latitude, 'g'));
    m_editor->addWaypoint(wp);
}

// ---- generators ----
void WPMain::createMatrixOnMap(double speed)
{
    qDebug() << "[WPMain] createMatrixOnMap";
    m_editor->createMatrixOnMap(speed);
    selectActionSelected();
}

void WPMain::createMatrixOnMap() { createMatrixOnMap(8.0); }

void WPMain::createCOIOnMap()
{
    qDebug() << "[WPMain] createCOIOnMap";
    m_editor->createCOIOnMap();
    selectActionSelected();
}

// ---- tool states ----
bool WPMain::handleSwitchState(int state)
{
    qDebug().noquote() << QStringLiteral("[WPMain] handleSwitchState %1").arg(state);
    if (m_state == WPEditor::HeadingOnMapState)
        m_toolLine->getHeadingFromMap();
    if (m_state == WPEditor::PolygonState && state == WPEditor::PolygonState)
        return false;
    m_editor->changeState(state);
    m_state = state;
    return true;
}

void WPMain::uncheckAll()
{
    // The two zoom actions are not checkable: this leaves them alone.
    for (QAction *a : qAsConst(m_tools))
        a->setChecked(false);
}

void WPMain::selectActionSelected()
{
    if (handleSwitchState(WPEditor::SelectState)) {
        uncheckAll();
        toolAction(Tool::Select)->setChecked(true);
    }
}

void WPMain::addWaypointActionSelected()
{
    if (handleSwitchState(WPEditor::WaypointState)) {
        uncheckAll();
        toolAction(Tool::Waypoint)->setChecked(true);
    }
}

void WPMain::addMatrixActionSelected()
{
    if (m_state == WPEditor::MatrixState) {
        toolAction(Tool::Matrix)->setChecked(true);
        return;
    }
    if (handleSwitchState(WPEditor::MatrixState)) {
        uncheckAll();
        toolAction(Tool::Matrix)->setChecked(true);
        m_toolLine->setMatrixIntroPage();
    }
}

void WPMain::addCOIActionSelected()
{
    if (handleSwitchState(WPEditor::CoiState)) {
        uncheckAll();
        toolAction(Tool::Coi)->setChecked(true);
        m_toolLine->setCOIIntroPage();
    }
}

void WPMain::addPolygonMatrixActionSelected()
{
    uncheckAll();
    toolAction(Tool::Polygon)->setChecked(true);
    if (handleSwitchState(WPEditor::PolygonState))
        m_toolLine->setPolyIntroPage();
}

void WPMain::addLineMatrixActionSelected()
{
    if (handleSwitchState(WPEditor::LineMatrixState)) {
        uncheckAll();
        toolAction(Tool::LineMatrix)->setChecked(true);
        m_toolLine->setLineMatrixIntroPage();
    }
}

void WPMain::linealActionSelected()
{
    if (handleSwitchState(WPEditor::RulerState)) {
        uncheckAll();
        toolAction(Tool::Ruler)->setChecked(true);
        m_toolLine->setLinealPage();
    }
}

void WPMain::addQuickSurveyActionSelected()
{
    uncheckAll();
    toolAction(Tool::QuickSurvey)->setChecked(true);
}

void WPMain::addPOIActionSelected() {}
void WPMain::addPanoramaActionSelected() {}

void WPMain::zoomIn()
{
    m_editor->setTransformationAnchor(QGraphicsView::AnchorViewCenter);
    qDebug() << "WPMain::zoomInAction triggered";
    m_editor->scaleView(1.1);
}

void WPMain::zoomOut()
{
    m_editor->setTransformationAnchor(QGraphicsView::AnchorViewCenter);
    qDebug() << "WPMain::zoomOutAction triggered";
    m_editor->scaleView(0.9);
}

void WPMain::setHeadingOnMapClicked()
{
    if (m_state == WPEditor::HeadingOnMapState)
        return;
    uncheckAll();
    m_editor->changeState(WPEditor::HeadingOnMapState);
    m_savedState = m_state;
    m_state = WPEditor::HeadingOnMapState;
}

void WPMain::setHeadingOnMapBack()
{
    m_toolLine->getHeadingFromMap();
    m_state = m_savedState;
    switch (m_savedState) {
    case WPEditor::SelectState:
        selectActionSelected();
        break;
    case WPEditor::WaypointState:
        addWaypointActionSelected();
        break;
    case WPEditor::MatrixState:
        addMatrixActionSelected();
        break;
    case WPEditor::CoiState:
        addCOIActionSelected();
        break;
    default:
        break;
    }
    emit dataChanged();
}

// ---- flights ----
void WPMain::refuseStart()
{
    // The panel goes idle and its stopFlight() stops the link as an
    // operator's stop does.
    m_toolLine->wpV1Pilotaborted();
}

void WPMain::startFlight(int start, int end)
{
    qDebug().noquote() << QStringLiteral("[WPMain] startFlight %1").arg(start);
    const LinkProtocol protocol = m_handler ? m_handler->protocol() : LinkProtocol::None;
    auto notConnected = [this] {
        Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("Not Connected!"),
                        tr("You are not connected to an Korvel Harlek 8."), QMessageBox::Ok,
                        QMessageBox::Ok);
        refuseStart();
    };
    auto wrongType = [this] {
        Prompt::message(nullptr, QString(), QString(),
                        tr("Wrong waypointtype detected!\nPlease convert waypoints to the "
                           "appropriate type"));
        refuseStart();
    };
    if (protocol == LinkProtocol::None) {
        notConnected();
        return;
    }
    // Numbers beyond the plan are not flown; a range left empty is refused
    // rather than started with nothing to fly.
    start = std::max(start, 1);
    end = std::min(end, m_data->count());
    if (start > end) {
        Prompt::message(this, QStringLiteral(":/icons/80/warning"), tr("Invalid range!"),
                        tr("The start waypoint lies after the end waypoint."));
        refuseStart();
        return;
    }
    if (protocol == LinkProtocol::V1) {
        m_handler->clearV1Waypoints();
        for (int n = start; n <= end; ++n) {
            if (m_data->waypointType(n) != Waypoint::Steerwise) {
                wrongType();
                return;
            }
            m_handler->addV1Waypoint(v1MakeWaypoint(m_data->record(n)));
        }
        m_handler->setV1WPaborted(false);
        if (!m_handler->startV1WaypointFlight(start)) {
            // The link went away under us (device closed).
            notConnected();
            return;
        }
        selectActionSelected();
        m_toolBar->setEnabled(false);
        return;
    }
    m_handler->clearAciWaypoints();
    for (int n = start; n <= end; ++n) {
        const int type = m_data->waypointType(n);
        if (type == Waypoint::Steerwise) {
            wrongType();
            return;
        }
        m_handler->addAciWaypoint(zephWaypoint(m_data->record(n), n), type);
    }
    m_handler->startAciWaypointUpload();
    selectActionSelected();
    m_toolBar->setEnabled(false);
    m_editor->unmarkRange(start, end);
}

void WPMain::stopFlight()
{
    qDebug() << "[WPMain] stopV1Flight";
    const LinkProtocol protocol = m_handler ? m_handler->protocol() : LinkProtocol::None;
    if (protocol == LinkProtocol::V1)
        m_toolLine->setStartV1WP(m_handler->setV1WPaborted(true));
    else if (protocol == LinkProtocol::Aci)
        m_toolLine->setStartV1WP(m_handler->stopAciWaypointFlight());
    m_toolBar->setEnabled(true);
}

void WPMain::finishedV1Flight() { m_toolBar->setEnabled(true); }


// ---- the tool-window contract ----
OpenKind WPMain::kind() const { return OpenKind::FlightPlan; }

QString WPMain::projectName() const { return QFileInfo(m_data->filePath()).completeBaseName(); }

ToolWindow::Commands WPMain::commands() const
{
    return SaveCommand | SaveAsCommand | ImportWaypointsCommand | ExportVardeckCommand;
}

bool WPMain::asksToSave() const { return isModified() && m_data->count() > 0; }

bool WPMain::save(QString *error) { return saveProject(false, error); }
bool WPMain::saveAs(QString *error) { return saveProject(true, error); }

// Every outcome is told to the user here; error stays empty.
bool WPMain::saveProject(bool saveAs, QString *error)
{
    if (error)
        error->clear();
    if (m_data->count() == 0) {
        qDebug() << "[MAIN] MainWindow::saveWp No Waypoints!";
        Prompt::message(window(), QStringLiteral(":/icons/80/warning"), tr("No Waypoints!"),
                        tr("There are no waypoints in the flightplan!"), QMessageBox::Ok,
                        QMessageBox::Ok);
        qDebug() << "[MAIN] MainWindow::saveWp No Waypoints!";
        return false;
    }
    const QString oldPath = m_data->filePath();
    QString name = QFileInfo(oldPath).completeBaseName();
    if (name.isEmpty() || saveAs) {
        WPSaveFileDialog dialog(window(), name);
        dialog.exec();
        if (dialog.isCanceled())
            return false;
        name = dialog.getName();
        m_data->setFilePath(Data::instance()->flightPlanFile(name));
    }
    QString failure;
    if (!m_data->writeFile(&failure)) {
        qDebug() << "[MAIN] MainWindow::saveWp An unexpected error";
        m_data->setFilePath(oldPath);
        Prompt::message(window(), QStringLiteral(":/icons/80/error"), tr("Error!"),
                        tr("An unexpected error occured during saving: The flightplan file could "
                           "not be opened for writing.")
                            + QStringLiteral("\n\n") + failure,
                        QMessageBox::Ok, QMessageBox::Ok);
        return false;
    }
    qDebug() << "[MAIN] MainWindow::saveWp Flightplan saved";
    setModified(false);
    return true;
}
