#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "core/data.h"
#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/thermalrenderer.h"
#include "thermal/view/thermalpoint.h"
#include "thermal/view/thermalrectangle.h"
#include "thermal/view/thview.h"

namespace {

AraGen::FrameParams sized(int width, int height)
{
    AraGen::FrameParams p;
    p.width = width;
    p.height = height;
    return p;
}

// A shown view holding a generated 640 x 512 image.
struct Fixture {
    QTemporaryDir dir;
    QString path;
    THView view;
    explicit Fixture(AraGen::Compression compression = AraGen::Raw, int seed = 1)
    {
        path = dir.filePath(QStringLiteral("frame.ara"));
        AraGen::writeFile(path, AraGen::araFile(sized(640, 512), AraGen::scene(640, 512, seed), compression));
        view.resize(900, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.loadFile(path));
    }
    QPoint at(QPointF scene) const { return view.mapFromScene(scene); }
    QWidget *vp() const { return view.viewport(); }
};

}  // namespace

class TestTHView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Data::instance()->setThermalPalette(0);
    }

    void loadsColoursAndScalesFromTheCounts()
    {
        for (auto compression : {AraGen::Raw, AraGen::LineCompressed}) {
            Fixture f(compression);
            const QVector<quint16> counts = AraGen::scene(640, 512, 1);
            const QPoint mm = ThermalRenderer::minMax(counts);
            QCOMPARE(QPoint(f.view.scaleMin(), f.view.scaleMax()), mm);
            QCOMPARE(f.view.image(), ThermalRenderer::colorize(counts, 640, 512, 0, mm.x(), mm.y()));
            QCOMPARE(f.view.image().format(), QImage::Format_RGB32);
            QVERIFY(f.view.showsImage());
            QCOMPARE(f.view.rawData(), ThermalRenderer::toBytes(counts));
            QCOMPARE(f.view.header().size(), 244);
        }
    }

    void setImageDataTakesTheGivenScale()
    {
        THView view;
        QSignalSpy arranged(&view, &THView::arrangeMinMax);
        const QVector<quint16> counts = AraGen::scene(33, 7, 2);
        const QByteArray file = AraGen::araFile(sized(33, 7), counts, AraGen::LineCompressed);
        QVERIFY(view.setImageData(file.left(512), file.mid(512), 7000, 7300));
        QCOMPARE(arranged.size(), 1);
        QCOMPARE(arranged.at(0).at(0).toPoint(), QPoint(7000, 7300));
        QCOMPARE(view.image(), ThermalRenderer::colorize(counts, 33, 7, 0, 7000, 7300));
    }

    void failedLoadKeepsWhatTheViewHolds()
    {
        Fixture f;
        const QByteArray header = f.view.header();
        const QByteArray raw = f.view.rawData();
        const QImage image = f.view.image();
        QByteArray bad = AraGen::araFile(sized(4, 4), QVector<quint16>(16, 9000));
        const QString badMagic = f.dir.filePath(QStringLiteral("bad.ara"));
        bad[0] = 'X';
        AraGen::writeFile(badMagic, bad);
        const QString truncated = f.dir.filePath(QStringLiteral("short.ara"));
        AraGen::writeFile(truncated, AraGen::araFile(sized(640, 512), AraGen::scene(640, 512, 1)).left(600000));
        for (const QString &path : {badMagic, truncated, f.dir.filePath(QStringLiteral("missing.ara"))}) {
            QVERIFY(!f.view.loadFile(path));
            QCOMPARE(f.view.header(), header);
            QCOMPARE(f.view.rawData(), raw);
            QCOMPARE(f.view.image(), image);
        }
        f.view.showNoImage();
        QVERIFY(f.view.isNoImage());
        QVERIFY(!f.view.showsImage());
        QVERIFY(f.view.loadFile(f.path));
        QVERIFY(!f.view.isNoImage());
        QVERIFY(f.view.showsImage());
    }

    void rawValueClamps()
    {
        THView empty;
        QCOMPARE(empty.getRawValue(3, 3), 0);
        Fixture f;
        const QVector<quint16> &c = f.view.counts();
        const struct { int x, y, i; } cases[] = {
            {0, 0, 0}, {-5, -5, 0}, {639, 511, 511 * 640 + 639}, {700, 900, 511 * 640 + 639},
            {12, -1, 12}, {-1, 3, 3 * 640}, {640, 3, 3 * 640 + 639},
        };
        for (const auto &k : cases)
            QCOMPARE(f.view.getRawValue(k.x, k.y), int(c[k.i]));
    }

    void scaleAndPaletteRecolour()
    {
        Fixture f;
        QSignalSpy update(&f.view, &THView::updateMinMax);
        QSignalSpy changed(&f.view, &THView::dataChanged);
        f.view.changeScaleMin(7100.9);
        f.view.changeScaleMax(7400.2);
        QCOMPARE(update.last().at(0).toPoint(), QPoint(7100, 7400));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(f.view.image(), ThermalRenderer::colorize(f.view.counts(), 640, 512, 0, 7100, 7400));
        Data::instance()->setThermalPalette(4);
        QCOMPARE(f.view.palette(), 4);
        QCOMPARE(f.view.image(), ThermalRenderer::colorize(f.view.counts(), 640, 512, 4, 7100, 7400));
        Data::instance()->setThermalPalette(0);
        QSignalSpy arranged(&f.view, &THView::arrangeMinMax);
        QCOMPARE(f.view.autoScale(), ThermalRenderer::minMax(f.view.counts()));
        QCOMPARE(arranged.size(), 1);
        f.view.setScaleMinMax(7000, 7000);  // equal ends: all as the minimum
        QCOMPARE(f.view.image().pixel(5, 5), qRgb(0, 0, 255));
    }

    void zoomReachesEveryItemAndModeEveryPin()
    {
        Fixture f;
        f.view.setThermalPoint(QPointF(100, 100));
        f.view.setThermalPoint(QPointF(200, 100));
        f.view.addRectangle(1, QPointF(10, 10), QPointF(50, 50));
        f.view.zoomIn();
        f.view.zoomIn();
        f.view.zoomOut();
        const double s = 1.1 * 1.1 * 0.9;
        QVERIFY(qFuzzyCompare(f.view.viewScale(), s));
        QVERIFY(qFuzzyCompare(f.view.transform().m11(), s));
        for (ThermalPoint *p : f.view.points())
            QVERIFY(qFuzzyCompare(p->viewScale(), s));
        QVERIFY(qFuzzyCompare(f.view.rectangles().first()->viewScale(), s));
        QVERIFY(qFuzzyCompare(f.view.rectangleSelection()->viewScale(), s));
        QVERIFY(qFuzzyCompare(f.view.circleSelection()->viewScale(), s));
        f.view.setOriginSize();
        QVERIFY(qFuzzyCompare(f.view.points().first()->viewScale(), 1.0));
        QVERIFY(qFuzzyCompare(f.view.transform().m11(), 1.0));

        for (int mode : {0, 2, 4, 1}) {
            f.view.setMode(mode);
            for (ThermalPoint *p : f.view.points())
                QCOMPARE(p->mode(), mode);
        }
        // Wheel: 1.1 up, 0.9 down; off in preview.
        QWheelEvent up(QPointF(50, 50), f.vp()->mapToGlobal(QPoint(50, 50)), QPoint(), QPoint(0, 120),
                       Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(f.vp(), &up);
        QVERIFY(qFuzzyCompare(f.view.viewScale(), 1.1));
        f.view.setPreviewMode();
        QVERIFY(qFuzzyCompare(f.view.viewScale(), 0.55));
        QApplication::sendEvent(f.vp(), &up);
        QVERIFY(qFuzzyCompare(f.view.viewScale(), 0.55));
        QVERIFY(f.view.loadFile(f.path));  // loads keep the preview zoom
        QVERIFY(qFuzzyCompare(f.view.viewScale(), 0.55));
    }

    void rectangleDragThreshold_data()
    {
        QTest::addColumn<QPointF>("end");
        QTest::addColumn<bool>("emits");
        QTest::newRow("10 by 11") << QPointF(110, 111) << false;
        QTest::newRow("11 by 10") << QPointF(111, 110) << false;
        QTest::newRow("10.5 by 11") << QPointF(110.5, 111) << true;
        QTest::newRow("up and left") << QPointF(80, 70) << true;
        QTest::newRow("clamped to the image") << QPointF(700, 600) << true;
    }
    void rectangleDragThreshold()
    {
        QFETCH(QPointF, end);
        QFETCH(bool, emits);
        Fixture f;
        f.view.scaleView(2);  // half scene units are whole view pixels
        f.view.centerOn(100, 100);
        f.view.setMode(2);
        QSignalSpy rects(&f.view, &THView::newRectAngle);
        const QPoint a = f.at(QPointF(100, 100));
        QCOMPARE(f.view.mapToScene(a), QPointF(100, 100));
        QTest::mousePress(f.vp(), Qt::LeftButton, {}, a);
        QVERIFY(f.view.rectangleSelection()->isShown());
        KorvelTest::dragMove(f.vp(), f.at(end));
        QTest::mouseRelease(f.vp(), Qt::LeftButton, {}, f.at(end));
        QVERIFY(!f.view.rectangleSelection()->isShown());
        QCOMPARE(rects.size(), emits ? 1 : 0);
        if (emits) {
            const QPointF clamped(qMin(end.x(), 640.0), qMin(end.y(), 512.0));
            QCOMPARE(rects.at(0).at(0).toPointF(), QPointF(100, 100));
            QCOMPARE(rects.at(0).at(1).toPointF(), clamped);
        }
    }

    void noDragStartsOnTheBorder()
    {
        Fixture f;
        f.view.setMode(3);
        QSignalSpy circles(&f.view, &THView::newCircle);
        f.view.centerOn(0, 0);
        // One real drag first, so the selection holds old corners.
        QTest::mousePress(f.vp(), Qt::LeftButton, {}, f.at(QPointF(50, 50)));
        KorvelTest::dragMove(f.vp(), f.at(QPointF(90, 90)));
        QTest::mouseRelease(f.vp(), Qt::LeftButton, {}, f.at(QPointF(90, 90)));
        QCOMPARE(circles.size(), 1);
        for (const QPointF start : {QPointF(0, 50), QPointF(50, 0)}) {
            QTest::mousePress(f.vp(), Qt::LeftButton, {}, f.at(start));
            QVERIFY(!f.view.circleSelection()->isShown());
            KorvelTest::dragMove(f.vp(), f.at(QPointF(120, 130)));
            QTest::mouseRelease(f.vp(), Qt::LeftButton, {}, f.at(QPointF(120, 130)));
        }
        QCOMPARE(circles.size(), 1);
    }

    void rectangleStatisticsVisitColumnByColumn()
    {
        // 6 x 4 image; the rectangle (1,1)-(4,3) covers x 1..3, y 1..2.
        QVector<quint16> counts(24, 500);
        auto set = [&](int x, int y, quint16 v) { counts[y * 6 + x] = v; };
        set(1, 2, 100); set(2, 1, 100);   // first minimum: (1, 2) before (2, 1)
        set(2, 2, 900); set(3, 1, 900);   // first maximum: (2, 2) before (3, 1)
        const QByteArray file = AraGen::araFile(sized(6, 4), counts);
        THView view;
        QVERIFY(view.setImageData(file.left(512), file.mid(512), 0, 1000));
        QSignalSpy pins(&view, &THView::newPoint);
        double min, max, mean;
        QPointF minPos, maxPos;
        view.markRectangleMinMax(QPointF(4.7, 3.2), QPointF(1.9, 1.1), min, max, mean, minPos, maxPos, false);
        QCOMPARE(min, 100.0);
        QCOMPARE(max, 900.0);
        QCOMPARE(minPos, QPointF(1, 2));
        QCOMPARE(maxPos, QPointF(2, 2));
        QVERIFY(qFuzzyCompare(mean, (100 + 100 + 900 + 900 + 500 + 500) / 6.0));
        QCOMPARE(pins.size(), 2);
        QCOMPARE(pins.at(0).at(1).toPointF(), QPointF(1, 2));
        QCOMPARE(pins.at(0).at(2).toDouble(), 100.0);
        QCOMPARE(pins.at(1).at(1).toPointF(), QPointF(2, 2));
        QCOMPARE(pins.at(1).at(2).toDouble(), 900.0);
        // Stored rectangles add no pins; an empty one changes nothing.
        view.markRectangleMinMax(QPointF(1, 1), QPointF(4, 3), min, max, mean, minPos, maxPos, true);
        view.markRectangleMinMax(QPointF(1, 1), QPointF(1, 3), min, max, mean, minPos, maxPos, false);
        QCOMPARE(pins.size(), 2);
        QCOMPARE(min, 99999.0);
        QCOMPARE(max, -99999.0);
    }

    void rectanglesRenumberAndReload()
    {
        Fixture f;
        for (int id = 1; id <= 4; ++id)
            f.view.addRectangle(id, QPointF(10 * id, 10), QPointF(10 * id + 5, 30));
        QPointer<ThermalRectangle> second = f.view.rectangles().at(1);
        f.view.deleteRectangle(2);
        QCOMPARE(f.view.rectangles().size(), 3);
        QVERIFY(!f.view.rectangles().contains(second.data()));
        QVERIFY(second && !second->scene());  // out of the scene, deleted later
        QCOMPARE(f.view.rectangles().at(1)->startPoint(), QPointF(30, 10));
        QCOMPARE(f.view.rectangles().at(1)->id(), 2);
        QCOMPARE(f.view.rectangles().at(2)->id(), 3);
        QTRY_VERIFY_WITH_TIMEOUT(!second, KorvelTest::kWaitMs);
        f.view.deleteRectangle(9);  // no such rectangle
        QCOMPARE(f.view.rectangles().size(), 3);

        QSignalSpy loaded(&f.view, &THView::newRectAngleLoaded);
        f.view.setRectangles({QRectF(QPointF(1, 2), QPointF(30, 40)), QRectF(5, 5, 10, 10)});
        QVERIFY(f.view.rectangles().isEmpty());
        QCOMPARE(loaded.size(), 2);
        QCOMPARE(loaded.at(1).at(0).toPointF(), QPointF(5, 5));
        QCOMPARE(loaded.at(1).at(1).toPointF(), QPointF(15, 15));
        QCOMPARE(loaded.at(1).at(2).toInt(), 2);
    }

    void pinIdsFillGaps()
    {
        Fixture f;
        THDataPointList list;
        for (int id : {1, 2, 4})
            list.append(QPointF(100 + 50 * id, 200), id, 0, 0);
        f.view.setPoints(list);
        QCOMPARE(f.view.nextPointId(), 3);
        QSignalSpy added(&f.view, &THView::newPoint);
        f.view.setThermalPoint(QPointF(300, 300));
        QCOMPARE(added.at(0).at(0).toInt(), 3);
        QCOMPARE(added.at(0).at(2).toDouble(), double(f.view.getRawValue(300, 300)));
        QCOMPARE(f.view.nextPointId(), 5);
        // Orientation and renumbering reach the pins.
        QSignalSpy changed(&f.view, &THView::dataChanged);
        f.view.setOrient(4, 6);
        f.view.changeID(4, 9);
        QCOMPARE(changed.size(), 2);
        QCOMPARE(f.view.points().at(2)->id(), 9);
        QCOMPARE(f.view.points().at(2)->orientation(), 6);
    }

    void pinsAreSelectedMovedAndDeletedWithTheMouse()
    {
        Fixture f;
        f.view.centerOn(320, 256);
        f.view.setThermalPoint(QPointF(320, 256));  // orientation 0: head above
        f.view.setThermalPoint(QPointF(100, 300));
        f.view.setMode(0);
        QSignalSpy moved(&f.view, &THView::changePoint);
        QSignalSpy deleted(&f.view, &THView::deletePoint);
        const QPoint head = f.at(QPointF(320, 256 - 38 + 17));
        QTest::mousePress(f.vp(), Qt::LeftButton, {}, head);
        QCOMPARE(f.view.selectedPoint(), 0);
        QCOMPARE(f.view.points().at(0)->isPointSelected(), 1);
        KorvelTest::dragMove(f.vp(), head + QPoint(30, 20));
        QTest::mouseRelease(f.vp(), Qt::LeftButton, {}, head + QPoint(30, 20));
        QCOMPARE(moved.size(), 1);
        QCOMPARE(moved.at(0).at(0).toInt(), 1);
        QCOMPARE(f.view.points().at(0)->pointPosition(), f.view.mapToScene(head + QPoint(30, 20)));

        QTest::keyClick(&f.view, Qt::Key_Delete);
        QCOMPARE(deleted.size(), 1);
        QCOMPARE(deleted.at(0).at(0).toInt(), 1);
        QCOMPARE(f.view.points().size(), 1);
        QCOMPARE(f.view.selectedPoint(), -1);
        QTest::keyClick(&f.view, Qt::Key_Delete);  // nothing selected now
        QCOMPARE(deleted.size(), 1);

        // A click beside every pin deselects them.
        f.view.pointSelected(2);
        QTest::mouseClick(f.vp(), Qt::LeftButton, {}, f.at(QPointF(500, 100)));
        QCOMPARE(f.view.points().at(0)->isPointSelected(), 0);
    }

    void sceneImageIsTheImageWithItems()
    {
        Fixture f;
        f.view.scaleView(1.7);
        f.view.setThermalPoint(QPointF(320, 256));
        const QImage out = f.view.sceneImage();
        QCOMPARE(out.size(), QSize(640, 512));
        QVERIFY(qFuzzyCompare(f.view.viewScale(), 1.0));
        QCOMPARE(out.pixel(10, 10), f.view.image().pixel(10, 10));
        QVERIFY(out.pixel(320, 240) != f.view.image().pixel(320, 240));
    }
};

KORVEL_TEST_MAIN(TestTHView)
#include "test_thview.moc"
