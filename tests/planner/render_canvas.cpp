// Draws a planning tab with a survey grid previewed over a polygon, then the
// same grid applied with its legs, then line and circle previews, a
// selection with the aircraft, home and placemarks, the ruler and the matrix
// corners zoomed in, into PNG files to look at:
// render_canvas <folder> [seconds shown]. Not a test.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QStandardItemModel>
#include <QTimer>
#include <QtTest>
#include <cstdio>

#include "../maps/wpfixture.h"
#include "core/data.h"
#include "core/placemarks.h"
#include "link/korvelpackethandler.h"
#include "maps/wpdata.h"
#include "planner/wpeditor.h"
#include "planner/wpmain.h"
#include "planner/wptoolline.h"
#include "support/testkit.h"

namespace {
// Delivers what a change posted (scene updates, layouts) before a grab.
void settle()
{
    QCoreApplication::sendPostedEvents();
    KorvelTest::settleLayouts();
}
}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: render_canvas <folder> [seconds]\n");
        return 2;
    }
    KorvelTest::TestHome::keepAddressesLocal();
    KorvelTest::TestHome home;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    const int seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;

    Camera camera;
    camera.name = QStringLiteral("Survey 24");
    camera.sensorSize = QSizeF(23.5, 15.6);
    camera.imageSize = QSize(6000, 4000);
    camera.focalLength = 20;
    camera.processTime = 1500;
    Data::instance()->addCamera(camera);
    Data::instance()->setCurrentCamera(camera.name);

    auto *plan = new WPData;
    if (!plan->loadMapImage(WPFixture::writeMap(out.path())))
        return 1;
    KorvelPacketHandler handler;
    WPMain w(&handler, plan);
    w.resize(1300, 850);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        return 1;
    WPEditor *e = w.editor();
    w.toolAction(WPMain::Tool::Polygon)->trigger();
    const QList<QPointF> corners = {{200, 150}, {700, 120}, {820, 450}, {520, 420}, {300, 650}};
    for (const QPointF &p : corners)
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
    w.toolLine()->polygonFinishedClicked();
    const QPointF fov = camera.fieldOfView();
    e->generateMatrix(150, 60, 40, fov.x(), fov.y(), false);
    std::printf("%d previews\n", e->previews().size());
    const auto shot = [&](const char *name) {
        settle();
        w.grab().save(out.filePath(QString::fromLatin1("canvas-%1.png").arg(name)));
        if (seconds > 0)
            QTest::qWait(seconds * 1000);  // shown to the viewer for as long as asked
    };
    shot("grid-preview");
    w.createMatrixOnMap(5.0);
    shot("grid-applied");

    // Photos along a drawn line, then around a point.
    w.toolAction(WPMain::Tool::LineMatrix)->trigger();
    for (const QPointF &p : {QPointF(100, 720), QPointF(500, 760), QPointF(900, 600)})
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
    w.toolLine()->lmFinishedClicked();
    e->generateLineMatrix(60, fov.y(), 40);
    shot("line-preview");
    w.toolAction(WPMain::Tool::Coi)->trigger();
    for (const QPointF &p : {QPointF(880, 250), QPointF(880, 120)})
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
    e->generateCOI(0, 30, 40, -30);
    shot("circle-preview");

    // A selection with its footprints, the aircraft, home and placemarks.
    w.toolAction(WPMain::Tool::Select)->trigger();
    for (int n : {3, 4, 5, 20}) {
        QTest::keyPress(e, Qt::Key_Control);
        e->itemSelected(n);
        QTest::keyRelease(e, Qt::Key_Control);
    }
    using WPFixture::placemark;
    QStandardItemModel *model = Data::instance()->placemarkModel();
    model->appendRow(placemark("Tower", Placemarks::Point, WPFixture::geoOf(620, 520)));
    auto *field = placemark("Field", Placemarks::Polygon);
    for (const QPointF &p : {QPointF(80, 60), QPointF(260, 40), QPointF(240, 160)})
        field->appendRow(placemark("corner", Placemarks::PolygonPoint, WPFixture::geoOf(p.x(), p.y())));
    model->appendRow(field);
    emit Data::instance()->pmChanged();
    const QPointF homeAt = WPFixture::geoOf(450, 300), aircraft = WPFixture::geoOf(560, 340);
    e->setHomePosition(homeAt.x(), homeAt.y());
    e->setHarlekPos(aircraft.x(), aircraft.y());
    e->setHarlekAngle(35);
    shot("markers");

    // The ruler over two points.
    w.toolAction(WPMain::Tool::Ruler)->trigger();
    for (const QPointF &p : {QPointF(150, 500), QPointF(700, 300)})
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
    shot("ruler");

    // The matrix corners with their direction and grid, zoomed in.
    w.toolAction(WPMain::Tool::Matrix)->trigger();
    for (const QPointF &p : {QPointF(300, 300), QPointF(600, 280), QPointF(650, 550), QPointF(320, 600)})
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
    e->matrixDirIncrease();
    e->generateMatrix(80, 60, 40, fov.x(), fov.y(), true);
    e->scaleView(1.6);
    e->centerOn(QPointF(450, 430));
    shot("matrix-zoomed");
    return 0;
}
