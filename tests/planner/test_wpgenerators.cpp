// The generators on the canvas: grid, line and circle previews, their apply
// into the plan with the drawn legs, and the flight-time estimate.
#include <QAction>
#include <QDir>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <memory>

#include "../maps/wpfixture.h"
#include "core/data.h"
#include "core/mapdescription.h"
#include "link/korvelpackethandler.h"
#include "maps/items/coipoint.h"
#include "maps/items/matrixpoint.h"
#include "maps/items/previewmatrixwp.h"
#include "maps/wpdata.h"
#include "planner/wpeditor.h"
#include "planner/wpmain.h"
#include "planner/wptoolline.h"
#include "support/maprecord.h"
#include "support/testkit.h"

namespace {
bool near(const QPointF &a, const QPointF &b, double tol = 0.01)
{
    return std::abs(a.x() - b.x()) < tol && std::abs(a.y() - b.y()) < tol;
}

double wrap(double deg)
{
    while (deg < 0)
        deg += 360;
    while (deg >= 360)
        deg -= 360;
    return deg;
}

// Start and end of drawn leg k.
QLineF leg(const WPEditor *e, int k)
{
    const QPainterPath path = e->paths().item(k)->path();
    return QLineF(path.pointAtPercent(0), path.pointAtPercent(1));
}

void useCamera(int processTime)
{
    Camera c;
    c.name = QString("gen %1").arg(processTime);
    c.sensorSize = QSizeF(13.2, 8.8);
    c.imageSize = QSize(5472, 3648);
    c.focalLength = 8.8;
    c.processTime = processTime;
    Data::instance()->addCamera(c);
    Data::instance()->setCurrentCamera(c.name);
}

void click(WPEditor *e, const QList<QPointF> &points)
{
    for (const QPointF &p : points)
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
}
}  // namespace

class TestWPGenerators : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_map;
    WPData *m_plan = nullptr;
    std::unique_ptr<WPEditor> m_editor;

    // A canvas fitted at scale 0.5 on a turned 1600 x 1600 map, so even scene
    // pixels can be clicked exactly and headings count from a north that is not up.
    WPEditor *make()
    {
        m_editor.reset();
        delete m_plan;
        m_plan = new WPData;
        if (!m_plan->loadMapImage(m_map))
            return nullptr;
        m_editor.reset(new WPEditor(m_plan));
        m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_editor->resize(802, 802);
        m_editor->show();
        if (!QTest::qWaitForWindowExposed(m_editor.get()))
            return nullptr;
        return m_editor.get();
    }

    // Height in metres that makes a 90-degree camera's footprint 200 pixels.
    double height100() const { return 100.0 / m_plan->pixelsPerMeter(); }

    void addAt(double x, double y, int type, float speed, float acc)
    {
        const QPointF g = m_plan->pixelToGeo(x, y);
        m_editor->addWaypoint(WPFixture::Typed().at(g).height(20).pitch(-90).pictures(1).posAcc(1)
                                  .maxSpeed(80).type(type).speed(speed).acc(acc));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QImage image(1600, 1600, QImage::Format_RGB32);
        image.fill(QColor(90, 140, 90));
        const QList<double> values = {11.0,   48.01,  11.016, 48.0116, 10.9984, 47.994,
                                      11.0144, 47.9956, 11.0072, 48.0028, 744.0, 1113.0};
        m_map = QDir(m_dir.path()).filePath("turned.jpg");
        QVERIFY(MapDescription::writeImage(m_map, image,
                                           KorvelTest::mapRecord("T", "t", values)));
    }
    void cleanup()
    {
        m_editor.reset();
        delete m_plan;
        m_plan = nullptr;
    }

    void gridPreviewApplyAndDelete()
    {
        WPEditor *e = make();
        QVERIFY(e);
        QVERIFY(std::abs(m_plan->northAngle()) > 1);
        e->changeState(WPEditor::MatrixState);
        click(e, {QPointF(1000, 1000), QPointF(1346, 1200), QPointF(1146, 1546),
                  QPointF(800, 1346)});
        QCOMPARE(e->visibleMatrixCorners(), 4);
        QCOMPARE(e->matrixDirection(), qMakePair(0, 0));
        const QList<QPointF> exact = {QPointF(1000, 1000), QPointF(1346.410, 1200),
                                      QPointF(1146.410, 1546.410), QPointF(800, 1346.410)};
        for (int i = 0; i < 4; ++i)
            e->matrixPointMoved(i, exact[i].x(), exact[i].y());
        for (int i = 0; i < 4; ++i)
            QCOMPARE(e->matrixCorners()[i]->anchor(), exact[i]);
        // A drag that would fold the quadrilateral leaves the corner where it was.
        e->matrixPointMoved(0, 1300, 1400);
        QCOMPARE(e->matrixCorners()[0]->anchor(), exact[0]);

        const double h = height100();
        e->generateMatrix(h, 50, 50, 90, 90, false);
        QList<PreviewMatrixWP *> pv = e->previews();
        QCOMPARE(pv.size(), 36);
        QVERIFY(near(pv[0]->anchor(), QPointF(981.70, 931.70)));
        QVERIFY(near(pv[1]->anchor(), QPointF(981.70 + 86.60, 931.70 + 50.00)));
        QVERIFY(near(pv[5]->anchor(), QPointF(1414.71, 1181.70)));
        QVERIFY(near(pv[6]->anchor(), QPointF(1364.71, 1268.30)));
        for (PreviewMatrixWP *p : pv) {
            QVERIFY(qAbs(p->heading() - 120) < 0.01);
            QCOMPARE(p->scene(), e->scene());
        }

        // Along 60 % with the orientation on: 42 points, every second row turned.
        e->generateMatrix(h, 60, 50, 90, 90, true);
        pv = e->previews();
        QCOMPARE(pv.size(), 42);
        QVERIFY(qAbs(pv.first()->heading() - 120) < 0.01);
        int turned = 0;
        for (PreviewMatrixWP *p : pv) {
            QVERIFY(qAbs(p->heading() - 120) < 0.01 || qAbs(p->heading() - 300) < 0.01);
            turned += qAbs(p->heading() - 300) < 0.01;
        }
        QVERIFY(turned > 0 && turned < 42);
        int inScene = 0;
        for (QGraphicsItem *i : e->scene()->items())
            inScene += dynamic_cast<PreviewMatrixWP *>(i) != nullptr;
        QCOMPARE(inScene, 42);

        // Apply: one waypoint per preview, a run closed by the last.
        e->generateMatrix(h, 50, 50, 90, 90, false);
        QSignalSpy changed(e, &WPEditor::wpdataChanged);
        e->createMatrixOnMap(5.0);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_plan->count(), 36);
        QVERIFY(e->previews().isEmpty());
        QCOMPARE(e->state(), int(WPEditor::SelectState));
        const double yaw = wrap(120 - m_plan->northAngle());
        for (int n = 1; n <= 36; ++n) {
            QCOMPARE(int(m_plan->record(n).type), n == 36 ? 11 : 1);
            QVERIFY2(qAbs(m_plan->yaw(n) - yaw) < 0.01, qPrintable(QString::number(n)));
            QVERIFY(qAbs(m_plan->height(n) - h) < 0.01);
            QVERIFY(qAbs(m_plan->v3Speed(n) - 5.0) < 1e-6);
            QVERIFY(qAbs(m_plan->camAngleNick(n) + 90) < 1e-6);
            QVERIFY(m_plan->triggerCamera(n));
            QVERIFY(m_plan->headingInFlightDirection(n));
        }
        QCOMPARE(e->paths().count(), 35);
        for (int k = 0; k < 35; ++k) {
            const QLineF l = leg(e, k);
            QVERIFY(near(l.p1(), m_plan->waypointPos(k + 1)) &&
                    near(l.p2(), m_plan->waypointPos(k + 2)));
        }

        // Deleting the second-to-last waypoint joins its neighbours; no stale leg.
        e->itemSelected(35);
        e->removeSelectedItems();
        QCOMPARE(m_plan->count(), 35);
        QCOMPARE(e->paths().count(), 34);
        for (int k = 0; k < 34; ++k) {
            const QLineF l = leg(e, k);
            QVERIFY2(near(l.p1(), m_plan->waypointPos(k + 1)) &&
                         near(l.p2(), m_plan->waypointPos(k + 2)),
                     qPrintable(QString::number(k)));
        }
    }

    void gridRefusals()
    {
        WPEditor *e = make();
        QVERIFY(e);
        // Too few corners: nothing happens.
        e->changeState(WPEditor::MatrixState);
        click(e, {QPointF(1000, 1000), QPointF(1200, 1000)});
        e->generateMatrix(height100(), 50, 50, 90, 90, false);
        QVERIFY(e->previews().isEmpty());
        click(e, {QPointF(1200, 1200), QPointF(1000, 1200)});
        QCOMPARE(e->visibleMatrixCorners(), 4);

        e->generateMatrix(height100(), 50, 50, 90, 90, false);
        QVERIFY(!e->previews().isEmpty());
        // A step so small it needs more than 5000 lines: refused, nothing left.
        KorvelTest::PromptScript script;
        script.button(QMessageBox::Ok);
        e->generateMatrix(height100() / 1000, 50, 50, 90, 90, false);
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().title, QStringLiteral("Too many waypoints!"));
        QVERIFY(e->previews().isEmpty());
        // Nothing kept: -1 and no message.
        const int r = e->generateMatrixTestItAll(
            {QPointF(0, 0), QPointF(1, 0), QPointF(1, 1), QPointF(0, 1)}, 1e6, 1e6, 50, 50, false);
        QCOMPARE(r, -1);
        QVERIFY(e->previews().isEmpty());
        QCOMPARE(script.requests().size(), 1);

        // Leaving the tool drops the previews with the corners.
        e->generateMatrix(height100(), 50, 50, 90, 90, false);
        QVERIFY(!e->previews().isEmpty());
        e->changeState(WPEditor::SelectState);
        QVERIFY(e->previews().isEmpty());
        QCOMPARE(m_plan->count(), 0);
        // Applying nothing adds nothing.
        QSignalSpy changed(e, &WPEditor::wpdataChanged);
        e->createMatrixOnMap();
        QCOMPARE(changed.count(), 0);
    }

    void polygonGrid()
    {
        WPEditor *e = make();
        QVERIFY(e);
        e->changeState(WPEditor::PolygonState);
        click(e, {QPointF(400, 400), QPointF(1000, 400), QPointF(1000, 1000), QPointF(400, 1000)});
        e->finishPolygonAdded();
        e->generateMatrix(height100(), 50, 50, 90, 90, false);
        // 600-pixel square at 100-pixel steps: six rows of six inside, and a
        // ring outside whose 200-pixel footprints still reach over the edges.
        QCOMPARE(e->previews().size(), 64);
        int inside = 0;
        for (PreviewMatrixWP *p : e->previews()) {
            QVERIFY(QRectF(349, 349, 702, 702).contains(p->anchor()));
            inside += QRectF(400, 400, 600, 600).contains(p->anchor());
        }
        QCOMPARE(inside, 36);
        // A camera far too slow for 100-pixel legs at 7 m/s: every grid leg is red.
        useCamera(3600 * 1000);
        e->createMatrixOnMap(7.0);
        QCOMPARE(m_plan->count(), 64);
        QCOMPARE(e->polygonPoints().size(), 0);
        QVERIFY(qAbs(m_plan->v3Speed(1) - 7.0) < 1e-6);
        QCOMPARE(e->paths().count(), 63);
        for (int k = 0; k < 63; ++k) {
            QCOMPARE(e->paths().kind(k) == 1, e->paths().isTooFast(k));
            if (e->paths().isTooFast(k))
                QCOMPARE(e->paths().item(k)->pen().color(), QColor(255, 0, 0, 255));
        }
        QVERIFY(e->paths().isTooFast(0));
        // A camera without a pause clears them all.
        useCamera(0);
        e->onCameraSwitched();
        for (int k = 0; k < 63; ++k)
            QVERIFY(!e->paths().isTooFast(k));
    }

    void lineMatrixPreviewAndApply()
    {
        WPEditor *e = make();
        QVERIFY(e);
        addAt(200, 200, 0, 5, 2);  // a waypoint before the line: its leg is kept straight
        e->changeState(WPEditor::LineMatrixState);
        click(e, {QPointF(1000, 1000), QPointF(1400, 1000), QPointF(1400, 1300)});
        e->finishLineMatrixAdded();
        QCOMPARE(e->lineMatrixPoints(),
                 (QList<QPointF>{QPointF(1000, 1000), QPointF(1400, 1000), QPointF(1400, 1300)}));

        // A step just under 100 pixels: 400 splits into 5 parts, 300 into 4.
        const double h = 99.99 / m_plan->pixelsPerMeter();
        e->generateLineMatrix(h, 90, 50);
        const QList<PreviewMatrixWP *> pv = e->previews();
        QCOMPARE(pv.size(), 10);
        const QList<QPointF> expected = {
            {1000, 1000}, {1080, 1000}, {1160, 1000}, {1240, 1000}, {1320, 1000},
            {1400, 1000}, {1400, 1075}, {1400, 1150}, {1400, 1225}, {1400, 1300}};
        for (int i = 0; i < 10; ++i) {
            QVERIFY2(near(pv[i]->anchor(), expected[i]), qPrintable(QString::number(i)));
            QVERIFY(qAbs(pv[i]->heading() - (i < 6 ? 90 : 180)) < 1e-6);
            QCOMPARE(pv[i]->segmentEnd(), i == 5 || i == 9);
        }
        // A dragged line point takes both its line pieces along.
        e->lmPointMoved(1, 1400, 900);
        QCOMPARE(e->lineMatrixPoints().at(1), QPointF(1400, 900));
        e->generateLineMatrix(h, 90, 50);
        QVERIFY(near(e->previews().at(5)->anchor(), QPointF(1400, 900)));
        QVERIFY(e->previews().at(5)->segmentEnd());
        e->lmPointMoved(1, 1400, 1000);
        // A step of zero is refused without previews.
        e->generateLineMatrix(0, 90, 50);
        QVERIFY(e->previews().isEmpty());

        e->generateLineMatrix(h, 90, 50);
        e->createMatrixOnMap(6.0);
        QCOMPARE(m_plan->count(), 11);
        const QList<int> types = {1, 1, 1, 1, 1, 11, 1, 1, 1, 11};
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(int(m_plan->record(i + 2).type), types[i]);
            // The line matrix's own height, not a grid's.
            QVERIFY(qAbs(m_plan->height(i + 2) - h) < 0.01);
            QVERIFY(qAbs(m_plan->yaw(i + 2) - wrap((i < 6 ? 90 : 180) - m_plan->northAngle())) <
                    0.01);
        }
        QCOMPARE(e->paths().count(), 10);
        QCOMPARE(e->lineMatrixPoints().size(), 0);
    }

    void circlePreviewAndApply()
    {
        WPEditor *e = make();
        QVERIFY(e);
        e->changeState(WPEditor::CoiState);
        click(e, {QPointF(1000, 1000), QPointF(1100, 1000)});
        QCOMPARE(e->coiHandles()[1]->anchor(), QPointF(1100, 1000));

        e->generateCOI(0, 90, 30, -45);
        QList<PreviewMatrixWP *> pv = e->previews();
        QCOMPARE(pv.size(), 4);
        const QList<QPointF> pos = {{1100, 1000}, {1000, 1100}, {900, 1000}, {1000, 900}};
        const QList<double> heading = {270, 0, 90, 180};
        for (int i = 0; i < 4; ++i) {
            QVERIFY2(near(pv[i]->anchor(), pos[i]), qPrintable(QString::number(i)));
            QVERIFY(qAbs(wrap(pv[i]->heading() + 0.5) - 0.5 - heading[i]) < 1e-6);
        }
        e->generateCOI(1, 90, 30, -45);
        pv = e->previews();
        QCOMPARE(pv.size(), 4);
        QVERIFY(near(pv[0]->anchor(), pos[0]) && near(pv[1]->anchor(), pos[3]) &&
                near(pv[3]->anchor(), pos[1]));
        // Moving the centre keeps the radius: the circle moves whole.
        QSignalSpy radius(e, &WPEditor::secondCOIPoint);
        e->coiPointMoved(0, 1200, 1100);
        QCOMPARE(e->coiHandles()[1]->anchor(), QPointF(1300, 1100));
        e->generateCOI(0, 90, 30, -45);
        QVERIFY(near(e->previews().at(1)->anchor(), QPointF(1200, 1200)));
        e->coiPointMoved(0, 1000, 1000);
        QCOMPARE(e->coiHandles()[1]->anchor(), QPointF(1100, 1000));
        QCOMPARE(radius.count(), 2);
        QVERIFY(qAbs(radius.first().first().toDouble() - radius.last().first().toDouble()) < 0.5);
        e->generateCOI(0, 7, 30, -45);
        QCOMPARE(e->previews().size(), 52);
        e->generateCOI(0, 0, 30, -45);  // an increment below 1 would never end
        QVERIFY(e->previews().isEmpty());

        e->generateCOI(0, 90, 30, -45);
        QSignalSpy changed(e, &WPEditor::wpdataChanged);
        e->createCOIOnMap();
        QCOMPARE(changed.count(), 1);
        QCOMPARE(m_plan->count(), 4);
        QCOMPARE(e->paths().count(), 3);
        QCOMPARE(e->state(), int(WPEditor::SelectState));
        for (int n = 1; n <= 4; ++n) {
            QVERIFY(near(m_plan->waypointPos(n), pos[n - 1]));
            // Counted from the map's north, as the other generators store it.
            QVERIFY2(qAbs(m_plan->yaw(n) - wrap(heading[n - 1] - m_plan->northAngle())) < 0.01,
                     qPrintable(QString::number(m_plan->yaw(n))));
            QVERIFY(qAbs(m_plan->camAngleNick(n) + 45) < 1e-6);
            QVERIFY(qAbs(m_plan->height(n) - 30) < 1e-6);
            QVERIFY(m_plan->triggerCamera(n));
        }
    }

    void estimateOverDrawnLegs()
    {
        WPEditor *e = make();
        QVERIFY(e);
        const double p = m_plan->pixelsPerMeter();
        addAt(200, 800, 0, 5, 2);
        addAt(200 + 100 * p, 800, 0, 5, 2);
        addAt(200 + 104 * p, 800, 0, 5, 2);
        QSignalSpy time(e, &WPEditor::approxTime);
        e->requestApproxTime(1, 3);
        QCOMPARE(time.count(), 1);
        // 100 m: 12.5 m ramps, 17.5 s at 5 m/s plus 5 s, plus 2 s; 4 m: 2 sqrt(2) s plus 2 s.
        QVERIFY2(qAbs(time.last().first().toDouble() - 29.328) < 0.01,
                 qPrintable(QString::number(time.last().first().toDouble())));
        e->requestApproxTime(1, 1);
        QCOMPARE(time.last().first().toDouble(), 0.0);
        // A leg without acceleration: the estimate is unknown and goes out as 0.
        addAt(200 + 150 * p, 800, 0, 5, 0);
        e->requestApproxTime(1, 4);
        QCOMPARE(time.last().first().toDouble(), 0.0);
        e->requestApproxTime(2, 3);
        QVERIFY(qAbs(time.last().first().toDouble() - 29.328) < 0.01);
    }

    void windowWiresThePanelToTheGenerators()
    {
        auto *plan = new WPData;
        QVERIFY(plan->loadMapImage(m_map));
        KorvelPacketHandler handler;
        WPMain w(&handler, plan);
        w.resize(1200, 900);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        WPEditor *e = w.editor();
        WPToolLine *t = w.toolLine();
        w.toolAction(WPMain::Tool::Coi)->trigger();
        click(e, {QPointF(1000, 1000), QPointF(1100, 1000)});
        emit t->generateCOIClicked(0, 90, 30, -45);
        QCOMPARE(e->previews().size(), 4);
        QSignalSpy changed(&w, &WPMain::dataChanged);
        emit t->applCOIClicked();
        QCOMPARE(plan->count(), 4);
        QVERIFY(changed.count() >= 1);
        QVERIFY(w.toolAction(WPMain::Tool::Select)->isChecked());

        QSignalSpy time(e, &WPEditor::approxTime);
        emit t->requestApproxTime(1, 4);
        QCOMPARE(time.count(), 1);

        w.toolAction(WPMain::Tool::LineMatrix)->trigger();
        click(e, {QPointF(400, 400), QPointF(800, 400)});
        e->finishLineMatrixAdded();
        emit t->generateLineMatrix(99.99 / plan->pixelsPerMeter(), 90, 50);
        QCOMPARE(e->previews().size(), 6);
        emit t->applyLineMatrixClicked(4.0);
        QCOMPARE(plan->count(), 10);
        QVERIFY(qAbs(plan->v3Speed(10) - 4.0) < 1e-6);
        QCOMPARE(e->state(), int(WPEditor::SelectState));
    }
};

QTEST_MAIN(TestWPGenerators)
#include "test_wpgenerators.moc"
