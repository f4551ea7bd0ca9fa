// The main window's flight-plan and map commands: new, open, save, import,
// export and the hand-over from geo-referencing.
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QTabWidget>

#include "app/mainwindow.h"
#include "core/data.h"
#include "core/prompt/prompt.h"
#include "link/korvelpackethandler.h"
#include "maps/acquisition/gmmain.h"
#include "maps/acquisition/mapsnapshot.h"
#include "maps/acquisition/newwaypoint.h"
#include "maps/acquisition/wpopenchoosemap.h"
#include "maps/acquisition/wpsavemap.h"
#include "maps/vardeckproject.h"
#include "maps/wpdata.h"
#include "maps/wpimport.h"
#include "planner/wpmain.h"
#include "planner/wpopenfiledialog.h"

namespace {

QString mapImagePath(const QString &mapName)
{
    return Data::instance()->orthoMapPath() + QDir::separator() + mapName +
           QStringLiteral(".jpg");
}

QString mapNameOf(const QString &mapPath)
{
    QString name = mapPath.mid(mapPath.lastIndexOf(QDir::separator()) + 1);
    // Paths may come with either separator.
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.endsWith(QLatin1String(".jpg")))
        name.chop(4);
    return name;
}

void errorBox(const QString &title, const QString &text)
{
    Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), title, text, QMessageBox::Ok,
                    QMessageBox::Ok);
}

}  // namespace

// A map that does not load gives no plan: drawing on nothing only hides the
// fault until the first waypoint lands nowhere.
WPData *MainWindow::loadMap(const QString &mapPath)
{
    auto *plan = new WPData(this);
    if (!plan->loadMapImage(mapPath) || plan->imageSize().isEmpty()) {
        delete plan;
        qDebug() << "[MAIN] MainWindow::openMap map not loaded" << mapPath;
        errorBox(tr("Map not loaded!"),
                 tr("The map \"%1\" could not be loaded. It may be missing or damaged.")
                     .arg(mapNameOf(mapPath)));
        return nullptr;
    }
    return plan;
}

WPMain *MainWindow::addFlightPlanTab(WPData *plan, const QString &title)
{
    auto *window = new WPMain(m_link, plan, this);
    plan->setParent(window);
    connect(window, &WPMain::dataChanged, this, &MainWindow::wpdatachanged);
    const int index = addToolTab(window, QIcon(QStringLiteral(":/flightplan_icon.png")), title);
    m_tabs->setCurrentIndex(index);
    return window;
}

WPMain *MainWindow::currentFlightPlan() const
{
    return qobject_cast<WPMain *>(m_tabs->currentWidget());
}

void MainWindow::newwpclicked()
{
    qDebug() << "[MAIN] MainWindow::newwp";
    NewWaypoint dialog;
    dialog.exec();
    qDebug().noquote() << QStringLiteral("[MAIN] MainWindow::newwp state %1").arg(dialog.getChoice());
    if (dialog.getChoice() == 1) {
        openMap(dialog.getMapName());
    } else if (dialog.getChoice() == 2) {
        const QString image = dialog.getMapName();
        auto *gm = new GMMain(image, this);
        QString title = image.mid(image.lastIndexOf(QDir::separator()) + 1);
        title = title.mid(title.lastIndexOf(QLatin1Char('/')) + 1);
        title.remove(QStringLiteral(".jpg"));
        const int index = m_tabs->addTab(gm, QIcon(QStringLiteral(":/gcp_map.png")), title);
        m_tabs->setCurrentIndex(index);
        connect(gm, &GMMain::gmfinished, this, &MainWindow::gmcreated);
    }
}

void MainWindow::openMap(const QString &mapPath)
{
    qDebug() << "[MAIN] MainWindow::openMap" << mapPath;
    WPData *plan = loadMap(mapPath);
    if (!plan)
        return;
    const QString name = mapNameOf(mapPath);
    WPMain *window = addFlightPlanTab(plan, name);
    registerTab(window, OpenKind::Map, name);
    Data::instance()->addRecent(OpenKind::Map, name);
}

void MainWindow::gmcreated(const QString &mapPath, GMMain *window)
{
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (m_tabs->widget(i) == window) {
            m_tabs->removeTab(i);
            window->deleteLater();
            break;
        }
    }
    openMap(mapPath);
    Data::instance()->updateMapIndex();
}

void MainWindow::openWPclicked()
{
    qDebug() << "[MAIN] MainWindow::openWP";
    WPOpenFileDialog dialog;
    dialog.exec();
    if (!dialog.name().isEmpty())
        openFlightPlan(dialog.name());
}

void MainWindow::openFlightPlan(const QString &name)
{
    qDebug() << "Open FlightPlan";
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (!qobject_cast<WPMain *>(m_tabs->widget(i)))
            continue;
        QString title = m_tabs->tabText(i);
        if (title.endsWith(QLatin1Char('*')))
            title.chop(1);
        if (title == name) {
            Prompt::message(nullptr, QStringLiteral(":/icons/80/info"), tr("Already opened!"),
                            tr("Fligtplan already opened!"), QMessageBox::Ok, QMessageBox::Ok);
            m_tabs->setCurrentIndex(i);
            qDebug() << "[MAIN] MainWindow::openWP Fligtplan already opened!";
            return;
        }
    }
    Data *data = Data::instance();
    const QStringList maps = data->mapsOfFlightPlan(name);
    if (maps.size() == 1) {
        loadFlightPlan(name, mapImagePath(maps.first()));
        return;
    }
    if (maps.size() > 1) {
        WPOpenChooseMap choose(maps, this);
        if (choose.exec() != QDialog::Accepted)
            return;
        loadFlightPlan(name, mapImagePath(choose.getMapName()));
        return;
    }
    Prompt::Request rq;
    rq.parent = this;
    rq.iconPath = QStringLiteral(":/icons/80/question");
    rq.title = tr("No map found");
    rq.text = tr("There is no map available for this flightplan. Do you want to create a new map "
                 "using the map online service?<br><br>Hint: The map snapshot tool will be opened "
                 "at the place of the first waypoint of the flightplan.");
    rq.buttons = QMessageBox::Yes | QMessageBox::No;
    rq.defaultButton = QMessageBox::Yes;
    if (Prompt::ask(rq) != QMessageBox::Yes)
        return;
    const QPointF start = data->flightPlanFirstPosition(name);
    for (;;) {
        MapSnapshot snapshot(true, start.x(), start.y(), this);
        snapshot.exec();
        if (!snapshot.isSaved())
            return;
        const MapDescription d = snapshot.getMapData();
        const GeoPoint topLeft = d.corner(MapDescription::TopLeft);
        const GeoPoint bottomRight = d.corner(MapDescription::BottomRight);
        const bool inRange = !d.isEmpty() && topLeft.lon() < start.x() &&
                             start.x() < bottomRight.lon() && bottomRight.lat() < start.y() &&
                             start.y() < topLeft.lat();
        if (!inRange) {
            Prompt::message(this, QStringLiteral(":/icons/80/question"), tr("Map not in Range"),
                            tr("The map you have selected is not in the area of the waypoints of "
                               "your flightplan. Please select the right area. <br><br>Hint: The "
                               "map snapshot tool will be opened at the place of the first "
                               "waypoint of the flightplan."),
                            QMessageBox::Ok, QMessageBox::Ok);
            continue;
        }
        WPSaveMap save;
        save.setMap(snapshot.getImage(), d);
        if (save.exec() == QDialog::Accepted) {
            loadFlightPlan(name, save.getMapName());
            return;
        }
    }
}

void MainWindow::loadFlightPlan(const QString &name, const QString &mapPath)
{
    Data *data = Data::instance();
    const QString path = data->flightPlanFile(name);
    if (mapPath.isEmpty()) {
        errorBox(tr("No map found!"), tr("There is no map found for your selected flightplan!"));
        qDebug() << "[MAIN] MainWindow::openWPclicked No Map found!";
        return;
    }
    WPData *plan = loadMap(mapPath);
    if (!plan)
        return;
    plan->setFilePath(path);
    const WPData::ReadResult r = plan->readFile();
    QString title, text;
    switch (r) {
    case WPData::FileMissing:
        qDebug() << "[MAIN] MainWindow::openWPclicked File not exists!";
        title = tr("File doesn't exists!");
        text = tr("The file, you have selected, doesn't exist anymore. Please choose another file "
                  "to open.");
        break;
    case WPData::CannotOpen:
        qDebug() << "[MAIN] MainWindow::openWPclicked I/O Error!";
        title = tr("I/O Error!");
        text = tr("The flightplan cannot be opened. Maybe access rights are missing.");
        break;
    // A plan the reader could not take must not open: saving that tab
    // would overwrite the file with an empty or partial plan.
    case WPData::UnknownVersion:
        title = tr("Unknown version!");
        text = tr("The flightplan was written in a format this version of the program cannot "
                  "read.");
        break;
    case WPData::NotAFlightPlan:
        title = tr("No flightplan!");
        text = tr("The file is not a flightplan.");
        break;
    case WPData::Damaged:
        title = tr("Damaged flightplan!");
        text = tr("The flightplan file is damaged and cannot be opened.");
        break;
    default:
        break;
    }
    if (!title.isEmpty()) {
        qDebug() << "[MAIN] MainWindow::openWPclicked read result" << int(r) << path;
        delete plan;
        errorBox(title, text);
        return;
    }
    WPMain *window = addFlightPlanTab(plan, name);
    qDebug().noquote() << "[MAIN] MainWindow::openWPclicked " + name;
    // The map goes by its name, as the database looks it up.
    const QString mapName = mapNameOf(mapPath);
    registerTab(window, OpenKind::Map, mapName);
    registerTab(window, OpenKind::FlightPlan, name);
    data->addRecent(OpenKind::FlightPlan, name);
    qDebug().noquote() << QStringLiteral("[MAIN] MainWindow::openWPclicked TabinUse %1 %2 ")
                              .arg(1)
                              .arg(mapName);
    qDebug().noquote() << QStringLiteral("[MAIN] MainWindow::openWPclicked TabinUse %1 %2 ")
                              .arg(2)
                              .arg(name);
}

void MainWindow::projectSaved(ToolWindow *window)
{
    if (window->kind() != OpenKind::FlightPlan || window->projectName().isEmpty())
        return;
    const QString name = window->projectName();
    const int index = m_tabs->indexOf(window);
    if (index >= 0)
        m_tabs->setTabText(index, window->isModified() ? name + QLatin1Char('*') : name);
    registerTab(window);
    Data::instance()->addRecent(OpenKind::FlightPlan, name);
    qDebug().noquote() << "[MAIN] MainWindow::saveWp Filename " + name;
}

void MainWindow::saveWpclicked(bool saveAs)
{
    qDebug() << "[MAIN] MainWindow::saveWp";
    ToolWindow *w = window(m_tabs->currentIndex());
    if (!w || !(w->commands() & (saveAs ? ToolWindow::SaveAsCommand : ToolWindow::SaveCommand))) {
        qDebug() << "[MAIN] MainWindow::saveWp ERROR Typecast WPMAIN Save";
        return;
    }
    saveWindow(w, saveAs);
}

void MainWindow::addImportedRows(WPMain *window, const WPImport &import)
{
    for (const Waypoint &row : import.rows)
        window->addWP(row);
    WPData *plan = window->getWPData();
    plan->closeMatrixGroups();
    plan->calculateMatrixHeadings(QList<int>());
}

void MainWindow::importWPclicked()
{
    WPMain *window = currentFlightPlan();
    if (!window) {
        qDebug() << "[MAIN] MainWindow::importWPclicked ERROR Typecast WPMAIN Save";
        return;
    }
    WPImport import(window->getWPData(), this);
    if (import.exec() != QDialog::Accepted)
        return;
    addImportedRows(window, import);
    if (!import.rows.isEmpty())
        wpdatachanged();
}

void MainWindow::airbusImport(const QString &map, const QString &filename,
                              const QString &connString)
{
    if (map.isEmpty())
        return;
    qDebug() << "[MAIN] MainWindow::airbusImport" << map << filename << connString;
    openMap(mapImagePath(map));
    if (filename.isEmpty())
        return;
    WPMain *window = currentFlightPlan();
    if (!window) {
        qDebug() << "[MAIN] MainWindow::importWPclicked ERROR Typecast WPMAIN Save";
        return;
    }
    QFile file(filename);
    if (!file.open(QIODevice::ReadOnly))
        return;
    WPImport import(window->getWPData());
    file.readLine();  // the header line
    import.readZephrin(&file);
    addImportedRows(window, import);
    if (connString.isEmpty())
        return;
    auto *port = new QSerialPort(connString);
    port->setBaudRate(57600, QSerialPort::AllDirections);
    if (port->open(QIODevice::ReadWrite))
        m_link->setDevice(port);
    else
        delete port;  // a port that did not open is of no use to anyone
}

void MainWindow::exportVardeck()
{
    if (WPMain *window = currentFlightPlan())
        exportProjectArchive(window->getWPData(), this);
}
