// The editor's small items: handles, markers, previews, the aircraft, the
// camera view and the selection band; sizes stay constant on screen.
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QStandardItem>
#include <QTest>
#include <QtMath>
#include <cmath>

#include "maps/items/coipoint.h"
#include "core/camera.h"
#include "core/data.h"
#include "maps/items/harlekobject.h"
#include "maps/items/homeposition.h"
#include "itemrender.h"
#include "maps/items/linealpoint.h"
#include "maps/items/matrixdirection.h"
#include "maps/items/matrixpoint.h"
#include "maps/items/pmmarker.h"
#include "maps/items/previewmatrixwp.h"
#include "support/testkit.h"
#include "maps/items/wpcameraangle.h"
#include "maps/items/wpeditorkarte.h"
#include "maps/items/wpselection.h"

namespace {

void sendMouse(QGraphicsScene &scene, QGraphicsItem *item, QEvent::Type type,
               Qt::MouseButton button, QPointF scenePos = QPointF())
{
    QGraphicsSceneMouseEvent ev(type);
    ev.setButton(type == QEvent::GraphicsSceneMouseMove ? Qt::NoButton : button);
    ev.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : button);
    ev.setScenePos(scenePos);
    scene.sendEvent(item, &ev);
}

// Presses, optionally drags (after the editor's mapMoved) and releases.
template <typename Handle>
void gesture(QGraphicsScene &scene, Handle *h, Qt::MouseButton b, bool drag)
{
    sendMouse(scene, h, QEvent::GraphicsSceneMousePress, b, {10, 10});
    if (drag) {
        h->mapMoved();
        sendMouse(scene, h, QEvent::GraphicsSceneMouseMove, b, {12, 14});
    }
    sendMouse(scene, h, QEvent::GraphicsSceneMouseRelease, b, {12, 14});
}

}  // namespace

class TestEditorItems : public QObject {
    Q_OBJECT
private slots:
    void init() { Data::instance()->setFlightplanEffects(0); }

    // Every anchored item is centred on its anchor by its half-size in
    // screen pixels, at any zoom, and re-placed by setPosition/setScale.
    void placement()
    {
        struct Case {
            const char *name;
            QGraphicsItem *item;
            double r;
            std::function<void(double, double)> setPosition;
            std::function<void(double)> setScale;
        };
        auto *coi = new COIPoint(0, 0, 1, 1);
        auto *matrix = new MatrixPoint(0, 0, 1, 1);
        auto *lineal = new LinealPoint(0, 0, 1);
        auto *dir = new MatrixDirection(0, 0, 1, 30);
        auto *preview = new PreviewMatrixWP(0, 0, 1);
        auto *pm = new PMMarker(0, 0, 1, nullptr);
        auto *home = new HomePosition(0, 0, 1);
        auto *harlek = new HarlekObject(0, 0, 1);
        auto *camera = new WPCameraAngle(0, 0, 1, 0, 0, false);
        const QList<Case> cases = {
            {"COIPoint", coi, 10, [=](double x, double y) { coi->setPosition(x, y); },
             [=](double s) { coi->setScale(s); }},
            {"MatrixPoint", matrix, 10, [=](double x, double y) { matrix->setPosition(x, y); },
             [=](double s) { matrix->setScale(s); }},
            {"LinealPoint", lineal, 6, [=](double x, double y) { lineal->setPosition(x, y); },
             [=](double s) { lineal->setScale(s); }},
            {"MatrixDirection", dir, 50, [=](double x, double y) { dir->setPosition(x, y); },
             [=](double s) { dir->setScale(s); }},
            {"PreviewMatrixWP", preview, 12.5,
             [=](double x, double y) { preview->setPosition(x, y); },
             [=](double s) { preview->setScale(s); }},
            {"PMMarker", pm, 8, [=](double x, double y) { pm->setPosition(x, y); },
             [=](double s) { pm->setScale(s); }},
            {"HomePosition", home, 15, [=](double x, double y) { home->setPosition(x, y); },
             [=](double s) { home->setScale(s); }},
            {"HarlekObject", harlek, 37.5, [=](double x, double y) { harlek->setPosition(x, y); },
             [=](double s) { harlek->setScale(s); }},
            {"WPCameraAngle", camera, 80, [=](double x, double y) { camera->setPosition(x, y); },
             [=](double s) { camera->setScale(s); }},
        };
        for (const Case &c : cases) {
            c.setPosition(200, 100);
            QCOMPARE(c.item->pos(), QPointF(200 - c.r, 100 - c.r));
            c.setScale(4);
            QVERIFY2(c.item->pos() == QPointF(200 - c.r / 4, 100 - c.r / 4), c.name);
            c.setPosition(10, 20);
            QVERIFY2(c.item->pos() == QPointF(10 - c.r / 4, 20 - c.r / 4), c.name);
            delete c.item;
        }
    }

    void zValues()
    {
        QCOMPARE(PreviewMatrixWP(0, 0, 1).zValue(), -95.0);
        QCOMPARE(HarlekObject(0, 0, 1).zValue(), 50.0);
        QCOMPARE(MatrixPoint(0, 0, 1, 1).zValue(), 0.0);
    }

    // At view scale 2 a handle is 10 scene pixels, so a view at zoom 2
    // shows it 20 pixels wide, as at zoom 1 with scale 1.
    void handleKeepsScreenSize()
    {
        for (double zoom : {1.0, 2.0, 0.5}) {
            QGraphicsScene scene;
            auto *m = new MatrixPoint(100, 100, zoom, 1);
            scene.addItem(m);
            const QImage img = ItemRender::render(scene, QPointF(100 - 50 / zoom, 100 - 50 / zoom),
                                                  zoom, 100, 100);
            const QRect ink = ItemRender::inkBox(img, 128);
            QVERIFY2(qAbs(ink.width() - 21) <= 1, qPrintable(QString::number(ink.width())));
            QCOMPARE(m->boundingRect().width() < 30 / zoom, true);
        }
    }

    void handleMouse_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("drag");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("left click") << int(Qt::LeftButton) << false << QStringList{"pressed 3"};
        QTest::newRow("right click") << int(Qt::RightButton) << false << QStringList{"released 3"};
        QTest::newRow("left drag") << int(Qt::LeftButton) << true
                                   << QStringList{"pressed 3", "moved 3 12,14"};
        QTest::newRow("right drag") << int(Qt::RightButton) << true << QStringList{};
    }
    void handleMouse()
    {
        QFETCH(int, button);
        QFETCH(bool, drag);
        QFETCH(QStringList, expected);
        QGraphicsScene scene;
        auto *coi = new COIPoint(10, 10, 1, 3);
        auto *matrix = new MatrixPoint(10, 10, 1, 3);
        scene.addItem(coi);
        scene.addItem(matrix);
        QStringList coiGot, matrixGot;
        auto log = [](QStringList &l, const QString &t) { l << t; };
        connect(coi, &COIPoint::coipressed, [&](int id) { log(coiGot, QString("pressed %1").arg(id)); });
        connect(coi, &COIPoint::coireleased, [&](int id) { log(coiGot, QString("released %1").arg(id)); });
        connect(coi, &COIPoint::pointMoved, [&](int id, double x, double y) {
            log(coiGot, QString("moved %1 %2,%3").arg(id).arg(x).arg(y));
        });
        connect(matrix, &MatrixPoint::matrixpressed, [&](int id) { log(matrixGot, QString("pressed %1").arg(id)); });
        connect(matrix, &MatrixPoint::matrixreleased, [&](int id) { log(matrixGot, QString("released %1").arg(id)); });
        connect(matrix, &MatrixPoint::pointMoved, [&](int id, double x, double y) {
            log(matrixGot, QString("moved %1 %2,%3").arg(id).arg(x).arg(y));
        });
        gesture(scene, coi, Qt::MouseButton(button), drag);
        gesture(scene, matrix, Qt::MouseButton(button), drag);
        QCOMPARE(coiGot, expected);
        QCOMPARE(matrixGot, expected);
    }

    void placemarkMarkerReportsItsRow()
    {
        QGraphicsScene scene;
        QStandardItem row("Tower");
        auto *pm = new PMMarker(5, 5, 1, &row);
        scene.addItem(pm);
        QList<QStandardItem *> got;
        connect(pm, &PMMarker::pmpressed, [&](QStandardItem *r) { got << r; });
        sendMouse(scene, pm, QEvent::GraphicsSceneMousePress, Qt::MiddleButton);
        QCOMPARE(got, QList<QStandardItem *>{&row});
    }

    void previewHeading_data()
    {
        QTest::addColumn<bool>("radians");
        QTest::addColumn<double>("in");
        QTest::addColumn<double>("heading");
        QTest::newRow("rad quarter") << true << M_PI / 2 << 90.0;
        QTest::newRow("rad negative") << true << -M_PI / 2 << 270.0;
        QTest::newRow("deg in range") << false << 45.0 << 45.0;
        QTest::newRow("deg negative") << false << -30.0 << 330.0;
        QTest::newRow("deg twice round") << false << 765.0 << 45.0;
        QTest::newRow("deg far below") << false << -1e9 << std::fmod(-1e9, 360.0) + 360.0;
    }
    void previewHeading()
    {
        QFETCH(bool, radians);
        QFETCH(double, in);
        QFETCH(double, heading);
        PreviewMatrixWP p(0, 0, 1);
        QCOMPARE(p.heading(), 0.0);
        if (radians)
            p.setHeadingRadians(in);
        else
            p.setHeadingDegrees(in);
        QVERIFY2(qAbs(p.heading() - heading) < 1e-9, qPrintable(QString::number(p.heading())));
    }

    void aircraftHiddenPaintsNothingButKeepsPlace()
    {
        QGraphicsScene scene;
        auto *h = new HarlekObject(100, 100, 1);
        scene.addItem(h);
        QCOMPARE(h->angle(), 45.0);
        QVERIFY(ItemRender::inkBox(ItemRender::render(scene, {0, 0}, 1)).isEmpty());
        h->setPosition(60, 80);
        QCOMPARE(h->pos(), QPointF(60 - 37.5, 80 - 37.5));
        h->setShown(true);
        const QRect ink = ItemRender::inkBox(ItemRender::render(scene, {0, 0}, 1), 128);
        QVERIFY(!ink.isEmpty());
        // Turned 45 degrees about its centre, the symbol stays inside its box.
        QVERIFY(h->sceneBoundingRect().contains(QRectF(ink)));
    }

    void homeStartsInvisible()
    {
        HomePosition home(0, 0, 1);
        QCOMPARE(home.opacity(), 0.0);
        QCOMPARE(home.animation()->duration(), 2000);
        QVERIFY(home.animation()->targetObject() == nullptr);
    }

    void directionArrowTurns()
    {
        QGraphicsScene scene;
        auto *d = new MatrixDirection(100, 100, 1, 0);
        scene.addItem(d);
        QRect up = ItemRender::inkBox(ItemRender::render(scene, {0, 0}, 1), 128);
        QVERIFY(up.bottom() <= 102 && up.top() <= 52);  // points up from the anchor
        d->setAngle(90);
        QRect right = ItemRender::inkBox(ItemRender::render(scene, {0, 0}, 1), 128);
        QVERIFY(right.left() >= 98 && right.right() >= 148);
    }

    void selectionBand_data()
    {
        QTest::addColumn<QPointF>("end");
        QTest::newRow("down right") << QPointF(150, 130);
        QTest::newRow("up left") << QPointF(60, 40);
    }
    void selectionBand()
    {
        QFETCH(QPointF, end);
        QGraphicsScene scene;
        auto *sel = new WPSelection;
        scene.addItem(sel);
        QVERIFY(!sel->isShown());
        sel->setStartPoint(QPointF(100, 80));
        QVERIFY(sel->isShown());
        QCOMPARE(sel->pos(), QPointF(100, 80));
        sel->setEndPoint(end);
        QCOMPARE(sel->startPoint(), QPointF(100, 80));
        QCOMPARE(sel->endPoint(), end);
        const QRectF band = QRectF(QPointF(100, 80), end).normalized();
        QVERIFY(sel->sceneBoundingRect().contains(band));
        // The dotted band is drawn where it was dragged, in either direction.
        const QRect ink = ItemRender::inkBox(ItemRender::render(scene, {0, 0}, 1), 1);
        QVERIFY2(qAbs(ink.left() - band.left()) <= 2 && qAbs(ink.right() - band.right()) <= 2,
                 qPrintable(QString("%1..%2").arg(ink.left()).arg(ink.right())));
        sel->setScale(4);
        QCOMPARE(sel->pen().widthF(), 0.5);
        sel->setActive(false);
        QVERIFY(ItemRender::inkBox(ItemRender::render(scene, {0, 0}, 1)).isEmpty());
    }

    void mapImage()
    {
        QImage map(40, 30, QImage::Format_RGB32);
        map.fill(Qt::blue);
        WPEditorKarte karte(map);
        QCOMPARE(karte.boundingRect(), QRectF(0, 0, 40, 30));
        QCOMPARE(karte.map().pixel(3, 3), QColor(Qt::blue).rgb());
    }

    void cameraFootprint_data()
    {
        QTest::addColumn<double>("pitch");
        QTest::addColumn<bool>("footprint");
        QTest::newRow("level") << 0.0 << false;
        QTest::newRow("exactly -89") << -89.0 << false;
        QTest::newRow("-89.5") << -89.5 << true;
        QTest::newRow("straight down") << -90.0 << true;
    }
    void cameraFootprint()
    {
        QFETCH(double, pitch);
        QFETCH(bool, footprint);
        WPCameraAngle cam(100, 100, 2, 0, 0, false);
        cam.updateFootprint(pitch, 50, 3);
        QCOMPARE(cam.isFootprint(), footprint);
        if (!footprint) {
            QCOMPARE(cam.pos(), QPointF(100 - 40, 100 - 40));
            return;
        }
        const QPointF fov = Data::instance()->currentCamera().fieldOfView();
        QVERIFY(fov.x() > 0);
        const double w = std::tan(qDegreesToRadians(fov.x()) / 2) * 2 * 50 * 3;
        const double h = std::tan(qDegreesToRadians(fov.y()) / 2) * 2 * 50 * 3;
        QVERIFY(qAbs(cam.footprintWidth() - w) < 1e-9);
        QVERIFY(qAbs(cam.footprintHeight() - h) < 1e-9);
        QCOMPARE(cam.pos(), QPointF(100 - w, 100 - h));
    }

    void footprintFollowsTheCurrentCamera()
    {
        Camera wide;
        wide.name = "Wide test camera";
        wide.sensorSize = QSizeF(36, 24);
        wide.imageSize = QSize(6000, 4000);
        wide.focalLength = 10;
        Data::instance()->addCamera(wide);
        WPCameraAngle symbol(0, 0, 1, 0, 0, false);
        WPCameraAngle cam(0, 0, 1, 0, 0, false);
        cam.updateFootprint(-90, 10, 1);
        QVERIFY(Data::instance()->setCurrentCamera(wide.name));
        QVERIFY(qAbs(cam.footprintWidth() - 36.0) < 1e-9);  // 2 * 10 m * 18/10
        QVERIFY(qAbs(cam.footprintHeight() - 24.0) < 1e-9);
        QVERIFY(!symbol.isFootprint());
        QCOMPARE(symbol.footprintWidth(), 160.0);
    }

    void cameraViewShowsAndHides()
    {
        WPCameraAngle cam(0, 0, 1, 0, 0, false);
        QCOMPARE(cam.opacity(), 0.0);
        cam.setShown(true);
        QCOMPARE(cam.opacity(), 1.0);
        cam.setShown(false);
        QCOMPARE(cam.opacity(), 0.0);
        Data::instance()->setFlightplanEffects(1);
        cam.setShown(true);
        QVERIFY(KorvelTest::waitFor([&] { return cam.opacity() == 1.0; }));
    }
};

KORVEL_TEST_MAIN(TestEditorItems)
#include "test_editoritems.moc"
