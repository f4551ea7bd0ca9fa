// Draws every page of the planning tool panel and a planning tab during a
// flight against the simulated V1 aircraft into PNG files, to look at:
// render_panel <folder> [map folder]. With a map folder it also leaves the
// small test map there, to open and fly by hand. Not a test.
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QStandardItem>
#include <QTcpSocket>
#include <cstdio>

#include "../maps/wpfixture.h"
#include "core/data.h"
#include "link/korvelpackethandler.h"
#include "maps/wpdata.h"
#include "planner/wpmain.h"
#include "planner/wptoolline.h"
#include "support/testkit.h"
#include "support/v1aircraft.h"

using KorvelTest::V1Aircraft;
using KorvelTest::waitFor;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: render_panel <folder>\n");
        return 2;
    }
    KorvelTest::TestHome::keepAddressesLocal();
    KorvelTest::TestHome home;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    auto save = [&out](QWidget *w, const QString &name) {
        w->grab().save(out.filePath(name + QStringLiteral(".png")));
    };

    Camera camera;
    camera.name = QStringLiteral("Survey 24");
    camera.sensorSize = QSizeF(23.5, 15.6);
    camera.imageSize = QSize(6000, 4000);
    camera.focalLength = 20;
    camera.processTime = 1500;
    Data::instance()->addCamera(camera);
    Data::instance()->setCurrentCamera(camera.name);

    WPData plan;
    Waypoint wp;
    wp.height = 50000;
    wp.type = Waypoint::Matrix;
    for (int i = 0; i < 3; ++i)
        plan.addWaypoint(nullptr, wp);
    wp.height = 51000;
    wp.type = Waypoint::Steerwise;
    plan.addWaypoint(nullptr, wp);
    WPToolLine panel(&plan);
    panel.resize(300, 900);
    panel.show();
    const char *names[] = {"00-status", "01-waypoint", "02-matrix-intro", "03-matrix-config",
                           "04-placemark", "05-ruler", "06-coi-intro", "07-coi-config",
                           "08-polygon-intro", "09-polygon-config", "10-line-intro",
                           "11-line-config", "12-conversion"};
    QStandardItem placemark(QStringLiteral("Tower"));
    placemark.setData(11.25, Qt::UserRole + 1);
    placemark.setData(48.5, Qt::UserRole + 2);
    placemark.setData(QStringLiteral("Masts"), Qt::UserRole + 3);
    for (int page = 0; page < 13; ++page) {
        switch (page) {
        case 0: panel.setGeneralToolLine(); break;
        case 1: panel.setWaypointData({1, 2}); break;
        case 2: panel.setMatrixIntroPage(); panel.setNumberOfMatrixPointsOnMap(1); break;
        case 3: panel.setMatrixConfigPage(); panel.setMatrixAreaQM(12500); break;
        case 4: panel.setPM(&placemark); break;
        case 5:
            panel.setLinealPage();
            panel.setLinealPoint1(QPointF(11.0012, 48.0034));
            panel.setLinealPoint2(QPointF(11.0051, 48.0061), 412.7);
            break;
        case 6: panel.setCOIIntroPage(); break;
        case 7:
            panel.setCoiPoint1(QPointF(11.005, 48.005));
            panel.setCoiPoint2(35);
            panel.setNumberOfCOIPointsOnMap(2);
            break;
        case 8: panel.setPolyIntroPage(); break;
        case 9: panel.setPolygonAreaQM(8400); panel.polygonFinishedClicked(); break;
        case 10: panel.setLineMatrixIntroPage(); break;
        case 11: panel.lmFinishedClicked(); break;
        case 12: panel.setWaypointData({3, 4}); break;
        }
        QApplication::processEvents();
        save(&panel, QString::fromLatin1(names[page]));
    }

    // A tab during a flight: two of four waypoints reached.
    const QString map = WPFixture::writeMap(home.path());
    if (argc > 2)
        WPFixture::writeMap(QString::fromLocal8Bit(argv[2]));
    V1Aircraft ac;
    ac.listenTcp();
    ac.autoFly = true;
    KorvelPacketHandler handler;
    auto *socket = new QTcpSocket;
    socket->connectToHost(QHostAddress::LocalHost, ac.tcpPort());
    socket->waitForConnected(KorvelTest::kWaitMs);
    handler.setDevice(socket);
    waitFor([&] { return ac.hasPeer(); });
    ac.sendLink();
    waitFor([&] { return handler.protocol() == LinkProtocol::V1; });
    auto *data = new WPData;
    data->loadMapImage(map);
    WPMain tab(&handler, data);
    tab.resize(1280, 800);
    tab.show();
    for (int k = 1; k <= 4; ++k)
        tab.addWP(WPFixture::Typed()
                      .at({WPFixture::west + 0.002 * k, WPFixture::north - 0.002 - 0.001 * (k % 2)})
                      .height(20).trigger().pitch(-90).pictures(1).posAcc(2.5).wait(3.0)
                      .maxSpeed(80).type(Waypoint::Steerwise).speed(4.0f).acc(3.0f));
    tab.toolLine()->setGeneralToolLine();
    QObject::connect(&ac, &V1Aircraft::waypointReached, &ac, [&ac](int n) {
        if (n == 2)
            ac.autoFly = false;
    });
    ac.sendTelemetry(V1Aircraft::Telemetry());
    tab.toolLine()->statusWidgets().startButton->click();
    waitFor([&] { return ac.waypoints.size() == 3; });
    // The round ends with the battery record, 250 of 1000 used: the panel
    // shows the whole round once the handler reports 75 %.
    bool shown = false;
    QObject::connect(&handler, &KorvelPacketHandler::batteryQualityUpdate, &tab,
                     [&shown](int quality) { shown = shown || quality == 75; });
    ac.sendTelemetry(V1Aircraft::Telemetry());
    waitFor([&] { return shown; });
    save(&tab, QStringLiteral("tab-flight"));
    tab.toolLine()->statusWidgets().startButton->click();
    std::printf("pages written to %s\n", qPrintable(out.path()));
    return 0;
}
