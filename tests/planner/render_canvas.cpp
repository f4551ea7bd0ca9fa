// Draws a planning tab with a survey grid previewed over a polygon, then the
// same grid applied with its legs, then line and circle previews, into PNG
// files to look at:
// render_canvas <folder> [seconds shown]. Not a test.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QtTest>
#include <cstdio>

#include "../maps/wpfixture.h"
#include "core/data.h"
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
    w.toolAction("polygon")->trigger();
    const QList<QPointF> corners = {{200, 150}, {700, 120}, {820, 450}, {520, 420}, {300, 650}};
    for (const QPointF &p : corners)
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
    w.toolLine()->polygonFinishedClicked();
    const QPointF fov = camera.fieldOfView();
    e->generateMatrix(150, 60, 40, fov.x(), fov.y(), false);
    std::printf("%d previews\n", e->previews().size());
    settle();
    w.grab().save(out.filePath("canvas-grid-preview.png"));
    if (seconds > 0)
        QTest::qWait(seconds * 1000);  // shown to the viewer for as long as asked
    w.createMatrixOnMap(5.0);
    settle();
    w.grab().save(out.filePath("canvas-grid-applied.png"));
    if (seconds > 0)
        QTest::qWait(seconds * 1000);  // shown to the viewer for as long as asked

    // Photos along a drawn line, then around a point.
    w.toolAction("linematrix")->trigger();
    for (const QPointF &p : {QPointF(100, 720), QPointF(500, 760), QPointF(900, 600)})
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
    w.toolLine()->lmFinishedClicked();
    e->generateLineMatrix(60, fov.y(), 40);
    settle();
    w.grab().save(out.filePath("canvas-line-preview.png"));
    if (seconds > 0)
        QTest::qWait(seconds * 1000);  // shown to the viewer for as long as asked
    w.toolAction("coi")->trigger();
    for (const QPointF &p : {QPointF(880, 250), QPointF(880, 120)})
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
    e->generateCOI(0, 30, 40, -30);
    settle();
    w.grab().save(out.filePath("canvas-circle-preview.png"));
    if (seconds > 0)
        QTest::qWait(seconds * 1000);  // shown to the viewer for as long as asked
    return 0;
}
