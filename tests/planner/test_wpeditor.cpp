// The map canvas of the planning window: zoom, drag threshold, tool states,
// selection, the context menu and the editing of selected waypoints.
#include <QDialog>
#include <QGraphicsLineItem>
#include <QGraphicsPathItem>
#include <QGraphicsPolygonItem>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "../maps/wpfixture.h"
#include "core/data.h"
#include "core/placemarks.h"
#include "maps/items/coipoint.h"
#include "maps/items/harlekobject.h"
#include "maps/items/homeposition.h"
#include "maps/items/linealpoint.h"
#include "maps/items/matrixpoint.h"
#include "maps/items/pmmarker.h"
#include "maps/items/wpcameraangle.h"
#include "maps/items/wpselection.h"
#include "maps/items/wpwaypoint.h"
#include "maps/wpdata.h"
#include "planner/wpeditframework.h"
#include "planner/wpeditor.h"
#include "support/testkit.h"

Q_DECLARE_METATYPE(QStandardItem *)

#define QVERIFY2_RETURN(c) \
    if (!(c))              \
    return nullptr

namespace {
// QTest moves the cursor, which the offscreen platform ignores; send the move.
void moveTo(QWidget *viewport, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent move(QEvent::MouseMove, pos, viewport->mapToGlobal(pos), Qt::NoButton, buttons,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
}

// Whether two lines meet end to end within a hundredth of a pixel (the legs
// keep their points in floats).
bool same(const QLineF &a, const QLineF &b)
{
    return QLineF(a.p1(), b.p1()).length() < 0.01 && QLineF(a.p2(), b.p2()).length() < 0.01;
}

// Where leg k of the canvas starts and ends.
QLineF leg(const WPEditor *e, int k)
{
    const QPainterPath path = e->paths().item(k)->path();
    return QLineF(path.pointAtPercent(0), path.pointAtPercent(1));
}

using WPFixture::geoOf;

// Catches the status tips the canvas sends to its parents.
class TipCatcher : public QObject {
public:
    QStringList tips;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::StatusTip)
            tips << static_cast<QStatusTipEvent *>(e)->tip();
        return false;
    }
};
}  // namespace

class TestWPEditor : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_map;
    WPData *m_plan = nullptr;
    std::unique_ptr<WPEditor> m_editor;

    // A canvas 500 x 400 pixels on the fixture map with n waypoints, the
    // k-th at pixel (100 k, 100 + 20 k) with height k metres and type types[k-1].
    WPEditor *make(int n, const QList<int> &types = {})
    {
        m_editor.reset();
        delete m_plan;
        m_plan = new WPData;
        m_plan->loadMapImage(m_map);
        m_editor.reset(new WPEditor(m_plan));
        m_editor->resize(500 + m_editor->verticalScrollBar()->sizeHint().width() + 2,
                         400 + m_editor->horizontalScrollBar()->sizeHint().height() + 2);
        m_editor->show();
        QVERIFY2_RETURN(QTest::qWaitForWindowExposed(m_editor.get()));
        for (int k = 1; k <= n; ++k) {
            const QPointF g = geoOf(100 * k % 1000, 100 + 20 * k);
            m_editor->addWaypoint(WPFixture::Typed().at(g).height(k).yaw(10 * k).pitch(-45)
                                      .pictures(k).posAcc(1.0).wait(2.0).maxSpeed(80)
                                      .type(types.value(k - 1, 0)).speed(4.0f).acc(3.0f)
                                      .roll(100 * k));
        }
        return m_editor.get();
    }

    QList<double> heights() const
    {
        QList<double> h;
        for (int n = 1; n <= m_plan->count(); ++n)
            h << m_plan->height(n);
        return h;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qRegisterMetaType<QStandardItem *>();
        m_map = WPFixture::writeMap(m_dir.path());
    }
    void cleanup()
    {
        m_editor.reset();
        delete m_plan;
        m_plan = nullptr;
    }

    void zoomStopsAtFitAndResizeReturnsToIt()
    {
        WPEditor *e = make(0);
        QVERIFY(e);
        const double fit = e->minimumScale();
        QVERIFY(qAbs(fit - 0.5) < 0.01);
        QCOMPARE(e->viewScale(), fit);

        e->scaleView(1 / 0.9);
        QVERIFY(qFuzzyCompare(e->viewScale(), fit / 0.9));
        // A wheel step without delta zooms out by 0.9.
        QWheelEvent still(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(e->viewport(), &still);
        QVERIFY(qFuzzyCompare(e->viewScale(), fit));
        e->scaleView(2.0);
        e->scaleView(0.1);  // far beyond the fit: stops there
        QCOMPARE(e->viewScale(), fit);
        QVERIFY(qFuzzyCompare(e->transform().m11(), fit));

        e->scaleView(3.0);
        e->resize(e->width() + 100, e->height());
        QTRY_VERIFY_WITH_TIMEOUT(qFuzzyCompare(e->viewScale(), e->minimumScale()), KorvelTest::kWaitMs);
        QVERIFY(qFuzzyCompare(e->transform().m11(), e->minimumScale()));
    }

    void dragStartsBeyondTwentyPixels_data()
    {
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<bool>("drag");
        QTest::newRow("20 in both axes") << QPoint(220, 220) << false;
        QTest::newRow("21 in x") << QPoint(221, 200) << true;
        QTest::newRow("21 in y, up") << QPoint(200, 179) << true;
    }
    void dragStartsBeyondTwentyPixels()
    {
        QFETCH(QPoint, to);
        QFETCH(bool, drag);
        WPEditor *e = make(0);
        QVERIFY(e);
        QSignalSpy moved(e, &WPEditor::moveMap);
        QTest::mousePress(e->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(200, 200));
        moveTo(e->viewport(), to, Qt::RightButton);
        QCOMPARE(moved.count(), drag ? 1 : 0);
        moveTo(e->viewport(), to + QPoint(30, 30), Qt::RightButton);
        QCOMPARE(moved.count(), 1);  // once per press
        e->contextMenu()->setProperty("korvelNoExec", true);
        QTest::mouseRelease(e->viewport(), Qt::RightButton, Qt::NoModifier, to + QPoint(30, 30));
    }

    void statusLineShowsThePositionOnlyInside()
    {
        WPEditor *e = make(0);
        QVERIFY(e);
        TipCatcher catcher;
        e->installEventFilter(&catcher);
        moveTo(e->viewport(), QPoint(50, 50));
        QVERIFY(catcher.tips.isEmpty());  // never entered
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(e, &enter);
        moveTo(e->viewport(), QPoint(0, 0));
        QCOMPARE(catcher.tips.size(), 1);
        const QPointF g = e->sceneToGeo(e->mapToScene(QPoint(0, 0)));
        QCOMPARE(catcher.tips.first(),
                 QString("Longitude/Latitude: %1\u00B0 / %2\u00B0")
                     .arg(QString::number(g.x(), 'g', 10), QString::number(g.y(), 'g', 10)));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(e, &leave);
        QCOMPARE(catcher.tips.last(), QString());
    }

    void placingWaypointsInTheWaypointTool()
    {
        WPEditor *e = make(0);
        QVERIFY(e);
        e->changeState(WPEditor::WaypointState);
        QCOMPARE(e->viewport()->cursor().shape(), Qt::CrossCursor);
        QSignalSpy changed(e, &WPEditor::wpdataChanged);
        const QPoint at(120, 80);
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 200));
        QCOMPARE(m_plan->count(), 2);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(e->cameraItems().size(), 2);
        QVERIFY(QLineF(m_plan->waypointPos(1), e->mapToScene(at)).length() < 1e-6);
        QCOMPARE(e->cameraItems().first()->zValue(), -40.0);
        QCOMPARE(e->paths().count(), 1);
        QVERIFY(same(leg(e, 0),
                 QLineF(m_plan->waypointPos(1), m_plan->waypointPos(2))));
    }

    void reopenedPlanDrawsEveryLeg()
    {
        // Waypoints placed on the canvas, saved, and read into a new canvas
        // come back with a visible leg between each pair.
        WPEditor *e = make(0);
        QVERIFY(e);
        e->changeState(WPEditor::WaypointState);
        for (const QPoint at : {QPoint(100, 100), QPoint(300, 100), QPoint(300, 300)})
            QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QCOMPARE(m_plan->count(), 3);
        m_plan->setFilePath(m_dir.filePath("reopen.zfp"));
        QVERIFY(m_plan->writeFile());
        m_editor.reset();
        delete m_plan;
        m_plan = new WPData;
        m_plan->loadMapImage(m_map);
        m_plan->setFilePath(m_dir.filePath("reopen.zfp"));
        QCOMPARE(int(m_plan->readFile()), int(WPData::ReadOk));
        m_editor.reset(new WPEditor(m_plan));
        m_editor->resize(500, 400);
        m_editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_editor.get()));
        e = m_editor.get();
        QCOMPARE(e->paths().count(), 2);
        for (int k = 0; k < 2; ++k) {
            QGraphicsPathItem *item = e->paths().item(k);
            QVERIFY2(item->isVisible(), qPrintable(QString::number(k)));
            QVERIFY2(item->opacity() > 0.5, qPrintable(QString::number(k)));
            QVERIFY2(item->pen().style() != Qt::NoPen, qPrintable(QString::number(k)));
            QVERIFY(same(leg(e, k), QLineF(m_plan->waypointPos(k + 1), m_plan->waypointPos(k + 2))));
        }
    }

    void clickSelection_data()
    {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<int>("modifier");  // 0 none, 1 Ctrl, 2 Shift
        QTest::addColumn<int>("clicked");
        QTest::addColumn<QList<int>>("after");
        QTest::newRow("plain") << QList<int>{2, 4} << 0 << 6 << QList<int>{6};
        QTest::newRow("member of a group keeps it") << QList<int>{2, 4} << 0 << 4 << QList<int>{2, 4};
        QTest::newRow("ctrl adds") << QList<int>{2} << 1 << 5 << QList<int>{2, 5};
        QTest::newRow("ctrl removes") << QList<int>{2, 5} << 1 << 2 << QList<int>{5};
        QTest::newRow("shift above") << QList<int>{2, 4} << 2 << 7 << QList<int>{2, 4, 5, 6, 7};
        QTest::newRow("shift below") << QList<int>{5, 6} << 2 << 2 << QList<int>{2, 3, 4, 5, 6};
        QTest::newRow("shift inside") << QList<int>{2, 6} << 2 << 3 << QList<int>{2, 3, 4, 5, 6};
        QTest::newRow("shift on none") << QList<int>{} << 2 << 3 << QList<int>{3};
    }
    // Each row twice: with the keys seen by the canvas and the slot a
    // waypoint's press calls, and as a real click that carries the keys.
    void clickSelection()
    {
        QFETCH(QList<int>, before);
        QFETCH(int, modifier);
        QFETCH(int, clicked);
        QFETCH(QList<int>, after);
        for (const bool byMouse : {false, true}) {
            WPEditor *e = make(8);
            QVERIFY(e);
            for (int n : before) {
                QTest::keyPress(e, Qt::Key_Control);
                e->itemSelected(n);
                QTest::keyRelease(e, Qt::Key_Control);
            }
            QCOMPARE(e->selection(), before);
            QSignalSpy selected(e, &WPEditor::singleWaypointSelected);
            const Qt::Key key = modifier == 1 ? Qt::Key_Control : Qt::Key_Shift;
            if (byMouse) {
                const Qt::KeyboardModifiers held = modifier == 1   ? Qt::ControlModifier
                                                   : modifier == 2 ? Qt::ShiftModifier
                                                                   : Qt::NoModifier;
                QTest::mouseClick(e->viewport(), Qt::LeftButton, held,
                                  e->mapFromScene(m_plan->waypointPos(clicked)));
            } else {
                if (modifier)
                    QTest::keyPress(e, key);
                e->itemSelected(clicked);
                if (modifier)
                    QTest::keyRelease(e, key);
            }
            QCOMPARE(e->selection(), after);
            if (after != before) {
                QCOMPARE(selected.count(), 1);
                QCOMPARE(m_plan->waypointItem(after.first())->flightStatus(), 1);
            }
        }
    }

    // Ctrl goes down on the canvas, Ctrl+T opens a dialog, Ctrl comes up
    // there and the dialog is closed with the mouse. Back on the canvas a
    // click is a plain click again: it picks one waypoint, free ground
    // clears, and a selected waypoint drags.
    void ctrlLetGoInADialogIsNotHeld()
    {
        WPEditor *e = make(8);
        QVERIFY(e);
        e->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(e));
        QAction open(e);
        open.setShortcut(QKeySequence(Qt::CTRL + Qt::Key_T));
        e->addAction(&open);
        bool closed = false;
        connect(&open, &QAction::triggered, e, [e, &closed] {
            QDialog dialog(e);
            auto *close = new QPushButton(QStringLiteral("Close"), &dialog);
            connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
            KorvelTest::whenModal([close](QWidget *box) {
                QTest::keyRelease(box, Qt::Key_T, Qt::ControlModifier);
                QTest::keyRelease(box, Qt::Key_Control, Qt::NoModifier);
                QTest::mouseClick(close, Qt::LeftButton);
            });
            closed = dialog.exec() == QDialog::Accepted;
        });
        const auto at = [this, e](int n) { return e->mapFromScene(m_plan->waypointPos(n)); };
        const QPoint ground = e->mapFromScene(QPointF(900, 700));
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, ground);
        QTest::keyPress(e, Qt::Key_Control);
        QTest::keyPress(e, Qt::Key_T, Qt::ControlModifier);
        QVERIFY(closed);

        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, at(2));
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, at(5));
        QCOMPARE(e->selection(), QList<int>{5});
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, ground);
        QVERIFY(e->selection().isEmpty());
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, at(5));
        const QPoint to = at(5) + QPoint(30, 10);
        QTest::mousePress(e->viewport(), Qt::LeftButton, Qt::NoModifier, at(5));
        moveTo(e->viewport(), to, Qt::LeftButton);
        QTest::mouseRelease(e->viewport(), Qt::LeftButton, Qt::NoModifier, to);
        QCOMPARE(e->selection(), QList<int>{5});
        QVERIFY(QLineF(m_plan->waypointPos(5), e->mapToScene(to)).length() < 1);

        // Keys the canvas saw go down count no longer once it lost the
        // keyboard, for the slot a waypoint's press calls as well.
        QTest::keyPress(e, Qt::Key_Control);
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(e, &out);
        e->itemSelected(3);
        QCOMPARE(e->selection(), QList<int>{3});
    }

    void bandSelectsStrictlyInsideEitherWay()
    {
        WPEditor *e = make(5);
        QVERIFY(e);
        // Waypoints 2, 3 and 4 lie at pixels (200,140), (300,160), (400,180).
        const auto drag = [e](QPointF a, QPointF b) {
            QTest::mousePress(e->viewport(), Qt::LeftButton, Qt::NoModifier,
                              e->mapFromScene(a));
            moveTo(e->viewport(), e->mapFromScene(b), Qt::LeftButton);
            QTest::mouseRelease(e->viewport(), Qt::LeftButton, Qt::NoModifier,
                                e->mapFromScene(b));
            return e->selection();
        };
        QCOMPARE(drag({150, 100}, {350, 200}), (QList<int>{2, 3}));
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier,
                          e->mapFromScene(QPointF(900, 700)));
        QVERIFY(e->selection().isEmpty());
        QCOMPARE(drag({350, 200}, {150, 100}), (QList<int>{2, 3}));
        e->changeState(WPEditor::WaypointState);
        e->changeState(WPEditor::SelectState);
        // A waypoint on the band's edge is outside: 4 sits at x = 400.
        QCOMPARE(drag({250, 100}, {400, 300}), (QList<int>{3}));
        QVERIFY(!e->rubberBand()->isShown());

        // Escape ends a band that is being drawn; its release selects nothing.
        QTest::mousePress(e->viewport(), Qt::LeftButton, Qt::NoModifier,
                          e->mapFromScene(QPointF(900, 700)));
        moveTo(e->viewport(), e->mapFromScene(QPointF(150, 100)), Qt::LeftButton);
        QTest::keyClick(e, Qt::Key_Escape);
        QTest::mouseRelease(e->viewport(), Qt::LeftButton, Qt::NoModifier,
                            e->mapFromScene(QPointF(150, 100)));
        QVERIFY(e->selection().isEmpty());
        QVERIFY(!e->rubberBand()->isShown());

        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(e->selection(), (QList<int>{1, 2, 3, 4, 5}));
    }

    // A right click on a waypoint, Escape to the menu it opened, then a left
    // press on free ground: the press is one on free ground, which clears
    // the selection or starts a band.
    void pressAfterRightClickOnAWaypoint_data()
    {
        QTest::addColumn<bool>("all");
        QTest::addColumn<bool>("band");
        QTest::addColumn<QList<int>>("menuFor");
        QTest::addColumn<QList<int>>("after");
        const QList<int> all{1, 2, 3, 4, 5, 6, 7, 8};
        QTest::newRow("all, click") << true << false << all << QList<int>{};
        QTest::newRow("all, band") << true << true << all << QList<int>{2, 3};
        QTest::newRow("none, click") << false << false << QList<int>{3} << QList<int>{};
    }
    void pressAfterRightClickOnAWaypoint()
    {
        QFETCH(bool, all);
        QFETCH(bool, band);
        QFETCH(QList<int>, menuFor);
        QFETCH(QList<int>, after);
        WPEditor *e = make(8);
        QVERIFY(e);
        if (all)
            QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::mouseClick(e->viewport(), Qt::RightButton, Qt::NoModifier,
                          e->mapFromScene(m_plan->waypointPos(3)));
        QTRY_VERIFY_WITH_TIMEOUT(e->contextMenu()->isVisible(), KorvelTest::kWaitMs);
        QCOMPARE(e->selection(), menuFor);
        QTest::keyClick(e->contextMenu(), Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!e->contextMenu()->isVisible(), KorvelTest::kWaitMs);

        // Waypoints 2 and 3 lie at pixels (200,140) and (300,160).
        const QPoint from = e->mapFromScene(QPointF(band ? 150 : 900, band ? 100 : 700));
        const QPoint to = e->mapFromScene(QPointF(350, 200));
        QTest::mousePress(e->viewport(), Qt::LeftButton, Qt::NoModifier, from);
        if (band) {
            moveTo(e->viewport(), to, Qt::LeftButton);
            QVERIFY(e->rubberBand()->isShown());
        }
        QTest::mouseRelease(e->viewport(), Qt::LeftButton, Qt::NoModifier, band ? to : from);
        QCOMPARE(e->selection(), after);
    }

    void contextMenuEnabling()
    {
        WPEditor *e = make(6, {0, 1, 11, 3, 0, 0});
        QVERIFY(e);
        e->prepareContextMenu();
        for (QAction *a : {e->deleteAction(), e->copyAction(), e->arrangeMenu()->menuAction(),
                           e->relativeAction(), e->pasteAction()})
            QVERIFY2(!a->isEnabled(), qPrintable(a->text()));
        QVERIFY(e->selectAllAction()->isEnabled());

        const auto select = [e](QList<int> numbers) {
            e->markAll();
            QTest::keyPress(e, Qt::Key_Control);
            for (int n = 1; n <= 6; ++n)
                if (!numbers.contains(n))
                    e->itemSelected(n);
            QTest::keyRelease(e, Qt::Key_Control);
            e->prepareContextMenu();
        };
        select({3, 5});
        QVERIFY(e->deleteAction()->isEnabled() && e->copyAction()->isEnabled());
        QVERIFY(!e->invertAction()->isEnabled());
        QVERIFY(e->relativeAction()->isEnabled());
        select({1, 2, 3});
        QVERIFY(e->invertAction()->isEnabled());
        QVERIFY(e->relativeAction()->isEnabled());  // 0 with 1/11: no Steerwise
        select({3, 4});
        QVERIFY(!e->relativeAction()->isEnabled());  // Steerwise beside a matrix run
        select({4});
        QVERIFY(e->relativeAction()->isEnabled());
        e->copySelectedItems();
        e->prepareContextMenu();
        QVERIFY(e->pasteAction()->isEnabled());

        // A right click without drag opens it.
        e->changeState(WPEditor::SelectState);
        QTest::mouseClick(e->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(450, 350));
        QTRY_VERIFY_WITH_TIMEOUT(e->contextMenu()->isVisible(), KorvelTest::kWaitMs);
        e->contextMenu()->hide();
    }

    void leavingAToolClearsIt()
    {
        WPEditor *e = make(3);
        QVERIFY(e);
        // Selection: kept for the heading tool, dropped for any other.
        e->markAll();
        e->changeState(WPEditor::HeadingOnMapState);
        QCOMPARE(e->selection().size(), 3);
        e->changeState(WPEditor::SelectState);
        QSignalSpy none(e, &WPEditor::noWaypointSelected);
        e->changeState(WPEditor::RulerState);
        QVERIFY(e->selection().isEmpty());
        QCOMPARE(none.count(), 1);

        // Ruler: two points, a third starts anew; leaving hides everything.
        QSignalSpy second(e, &WPEditor::secondLinealPoint);
        for (QPointF p : {QPointF(100, 100), QPointF(400, 100), QPointF(50, 50)})
            QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
        QCOMPARE(second.count(), 1);
        QVERIFY(qAbs(second.first().at(1).toDouble() - 223.0) < 2.0);  // 300 px of 0.01 deg at 48 N
        QVERIFY(e->rulerHandles()[0]->isVisible() && !e->rulerHandles()[1]->isVisible());
        QCOMPARE(e->rulerHandles()[0]->anchor(), QPointF(50, 50));
        e->changeState(WPEditor::MatrixState);
        QVERIFY(!e->rulerHandles()[0]->isVisible());

        // Matrix: three corners, then leaving reports how many were shown.
        QSignalSpy corners(e, &WPEditor::matrixPointsOnMap);
        for (QPointF p : {QPointF(100, 100), QPointF(300, 100), QPointF(300, 300)})
            QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
        QCOMPARE(e->visibleMatrixCorners(), 3);
        e->changeState(WPEditor::CoiState);
        QCOMPARE(e->visibleMatrixCorners(), 0);
        QCOMPARE(corners.last().first().toInt(), 3);

        // Circle: centre and radius; leaving reports 0 points.
        QSignalSpy coi(e, &WPEditor::coiPointsOnMap);
        for (QPointF p : {QPointF(200, 200), QPointF(300, 200)})
            QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
        QCOMPARE(coi.last().first().toInt(), 2);
        QCOMPARE(e->viewport()->cursor().shape(), Qt::ArrowCursor);
        e->changeState(WPEditor::PolygonState);
        QCOMPARE(coi.last().first().toInt(), 0);
        QVERIFY(!e->coiHandles()[0]->isVisible());

        // Polygon: finishing keeps the points, leaving the finished one drops them.
        QSignalSpy three(e, &WPEditor::moreThan3PolyPoints);
        for (QPointF p : {QPointF(100, 100), QPointF(300, 100), QPointF(300, 300), QPointF(100, 300)})
            QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
        QCOMPARE(three.count(), 1);
        e->finishPolygonAdded();
        QCOMPARE(e->state(), int(WPEditor::PolygonDoneState));
        QCOMPARE(e->polygonPoints().size(), 4);
        e->changeState(WPEditor::LineMatrixState);
        QVERIFY(e->polygonPoints().isEmpty());

        QSignalSpy two(e, &WPEditor::moreThan2LMPoints);
        for (QPointF p : {QPointF(100, 100), QPointF(300, 100), QPointF(300, 300)})
            QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
        QCOMPARE(two.count(), 1);
        e->finishLineMatrixAdded();
        QCOMPARE(e->lineMatrixPoints().size(), 3);
        e->changeState(WPEditor::SelectState);
        QVERIFY(e->lineMatrixPoints().isEmpty());
    }

    void fourthMatrixCorner_data()
    {
        QTest::addColumn<QPointF>("fourth");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QList<QPointF>>("corners");
        const QPointF c0(100, 100), c1(300, 100), c2(300, 300);
        QTest::newRow("inside the triangle")
            << QPointF(250, 150) << "You can't set the last matrix point inside the polygon."
            << QList<QPointF>{};
        QTest::newRow("no convex order")
            << QPointF(400, 0)
            << "Your point is invalid. Create a quadrilateral with angles smaller than 180 "
               "degree (convex)."
            << QList<QPointF>{};
        QTest::newRow("between corners 1 and 2")
            << QPointF(600, 150) << QString() << QList<QPointF>{c0, c1, QPointF(600, 150), c2};
        QTest::newRow("after corner 2")
            << QPointF(100, 300) << QString() << QList<QPointF>{c0, c1, c2, QPointF(100, 300)};
    }
    void fourthMatrixCorner()
    {
        QFETCH(QPointF, fourth);
        QFETCH(QString, refusal);
        QFETCH(QList<QPointF>, corners);
        WPEditor *e = make(0);
        QVERIFY(e);
        e->changeState(WPEditor::MatrixState);
        for (QPointF p : {QPointF(100, 100), QPointF(300, 100), QPointF(300, 300)})
            QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
        KorvelTest::PromptScript script;
        QSignalSpy area(e, &WPEditor::matrixAreaQM);
        e->scaleView(4.0);  // exact pixels for the fourth press
        e->centerOn(fourth);
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(fourth));
        if (!refusal.isEmpty()) {
            QCOMPARE(script.texts(), QStringList{refusal});
            QCOMPARE(script.requests().first().iconPath, QString(":/icons/80/warning"));
            QCOMPARE(e->visibleMatrixCorners(), 3);
            QCOMPARE(area.count(), 0);
            return;
        }
        QVERIFY(script.requests().isEmpty());
        QCOMPARE(e->visibleMatrixCorners(), 4);
        for (int i = 0; i < 4; ++i)
            QVERIFY(QLineF(e->matrixCorners()[i]->anchor(), corners[i]).length() < 0.5);
        QCOMPARE(area.count(), 1);
        QCOMPARE(e->matrixDirection(), qMakePair(0, 0));
        // The direction cycles through eight pairs.
        QList<QPair<int, int>> seen;
        for (int i = 0; i < 8; ++i) {
            e->matrixDirIncrease();
            seen << e->matrixDirection();
        }
        QCOMPARE(seen.last(), qMakePair(0, 0));
        QCOMPARE(seen.first(), qMakePair(1, 0));
        e->matrixDirDecrease();
        QCOMPARE(e->matrixDirection(), qMakePair(0, 3));
    }

    void copyAndPasteKeepOffsetsAndValues()
    {
        WPEditor *e = make(5);
        QVERIFY(e);
        m_plan->setProperties(4, 1);
        QTest::keyPress(e, Qt::Key_Control);
        e->itemSelected(3);
        e->itemSelected(4);
        QTest::keyRelease(e, Qt::Key_Control);
        QTest::keyClick(e, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(e->copyBuffer()->numbers(), (QList<int>{3, 4}));

        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(e, &enter);
        const QPoint mouse(60, 300);
        moveTo(e->viewport(), mouse);
        const QPointF p = e->mapToScene(mouse);
        QSignalSpy selected(e, &WPEditor::singleWaypointSelected);
        QSignalSpy changed(e, &WPEditor::wpdataChanged);
        QTest::keyClick(e, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m_plan->count(), 7);
        QCOMPARE(changed.count(), 1);  // pasted waypoints are a change to keep
        QCOMPARE(e->selection(), (QList<int>{6, 7}));
        QCOMPARE(selected.last().first().value<QList<int>>(), (QList<int>{6, 7}));
        const QPointF offset = m_plan->waypointPos(4) - m_plan->waypointPos(3);
        QVERIFY(QLineF(m_plan->waypointPos(6), p).length() < 0.01);
        QVERIFY(QLineF(m_plan->waypointPos(7), p + offset).length() < 0.01);
        for (int k : {3, 4}) {
            const int pasted = k + 3;
            QCOMPARE(m_plan->height(pasted), m_plan->height(k));
            QCOMPARE(m_plan->yaw(pasted), m_plan->yaw(k));
            QCOMPARE(m_plan->noPictures(pasted), m_plan->noPictures(k));
            QCOMPARE(m_plan->camAngleRoll(pasted), m_plan->camAngleRoll(k));
            QCOMPARE(m_plan->camAngleNick(pasted), m_plan->camAngleNick(k));
            QCOMPARE(m_plan->v3Speed(pasted), m_plan->v3Speed(k));
            QCOMPARE(m_plan->properties(pasted), m_plan->properties(k));
        }
        QCOMPARE(m_plan->camAngleRoll(7), 4.0);
    }

    // Added and pasted waypoints keep the stored values to the unit: a wait
    // of 0.29 s and a heading of 1.001 degrees once came back a unit short.
    void addAndPasteKeepStoredValues()
    {
        WPEditor *e = make(0);
        QVERIFY(e);
        Waypoint wp;
        wp.longitude = geoOf(200, 200).x();
        wp.latitude = geoOf(200, 200).y();
        wp.time = 29;
        wp.yaw = 1001;
        wp.posAcc = 1501;
        wp.height = 12345;
        wp.pitch = 10995;
        e->addWaypoint(wp);
        e->itemSelected(1);
        e->copySelectedItems();
        e->pasteWP();
        QCOMPARE(m_plan->count(), 2);
        for (const Waypoint &r : {m_plan->record(1), m_plan->record(2)}) {
            QCOMPARE(r.time, wp.time);
            QCOMPARE(r.yaw, wp.yaw);
            QCOMPARE(r.posAcc, wp.posAcc);
            QCOMPARE(r.height, wp.height);
            QCOMPARE(r.pitch, wp.pitch);
        }
    }

    void deleteRenumbersAndDropsFootprints()
    {
        WPEditor *e = make(5);
        QVERIFY(e);
        QTest::keyPress(e, Qt::Key_Control);
        e->itemSelected(2);
        e->itemSelected(3);
        QTest::keyRelease(e, Qt::Key_Control);
        QSignalSpy changed(e, &WPEditor::wpdataChanged);
        QSignalSpy none(e, &WPEditor::noWaypointSelected);
        QTest::keyClick(e, Qt::Key_Delete);
        QCOMPARE(heights(), (QList<double>{1, 4, 5}));
        QCOMPARE(e->cameraItems().size(), 3);
        QCOMPARE(m_plan->waypointItem(2)->number(), 2);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(none.count(), 1);
        QCOMPARE(e->paths().count(), 2);
        // The next-to-last one: no leg is left over pointing at it.
        e->itemSelected(2);
        QTest::keyClick(e, Qt::Key_Delete);
        QCOMPARE(heights(), (QList<double>{1, 5}));
        QCOMPARE(e->paths().count(), 1);
        QVERIFY(same(leg(e, 0),
                 QLineF(m_plan->waypointPos(1), m_plan->waypointPos(2))));

        // Locked while a flight runs: no delete, no drag, no change.
        e->setChanges(false);
        e->markAll();
        changed.clear();
        QTest::keyClick(e, Qt::Key_Delete);
        e->deleteAction()->trigger();  // Backspace and the menu entry
        QCOMPARE(m_plan->count(), 2);
        e->prepareContextMenu();
        QVERIFY(!e->deleteAction()->isEnabled());
        e->itemSelected(1);
        const QPointF before = m_plan->waypointPos(1);
        e->waypointMoved(1, 10, 10);
        QCOMPARE(m_plan->waypointPos(1), before);
        QCOMPARE(changed.count(), 0);
    }

    void dragMovesTheSelectionAndStaysOnTheMap()
    {
        WPEditor *e = make(3);
        QVERIFY(e);
        QSignalSpy changed(e, &WPEditor::wpdataChanged);
        e->itemSelected(1);
        e->waypointMoved(1, 150, 400);
        QCOMPARE(m_plan->waypointPos(1), QPointF(150, 400));
        QCOMPARE(e->cameraItems()[0]->anchor(), QPointF(150, 400));
        e->waypointMoved(1, -50, 900);  // dragged off the image
        QCOMPARE(m_plan->waypointPos(1), QPointF(0, 800));

        e->markAll();
        const QPointF two = m_plan->waypointPos(2), three = m_plan->waypointPos(3);
        e->waypointMoved(2, two.x() + 10, two.y() - 5);
        QCOMPARE(m_plan->waypointPos(3), three + QPointF(10, -5));
        QCOMPARE(changed.count(), 3);
        for (int i = 0; i < 2; ++i)
            QVERIFY(same(leg(e, i),
                     QLineF(m_plan->waypointPos(i + 1), m_plan->waypointPos(i + 2))));
    }

    void invertAndGroup_data()
    {
        QTest::addColumn<QList<int>>("selection");
        QTest::addColumn<bool>("invert");
        QTest::addColumn<QList<double>>("heights");
        QTest::newRow("invert 4..7")
            << QList<int>{4, 5, 6, 7} << true << QList<double>{1, 2, 3, 7, 6, 5, 4, 8, 9, 10};
        QTest::newRow("invert 4..6")
            << QList<int>{4, 5, 6} << true << QList<double>{1, 2, 3, 6, 5, 4, 7, 8, 9, 10};
        QTest::newRow("group 2, 5, 9")
            << QList<int>{2, 5, 9} << false << QList<double>{1, 2, 5, 9, 3, 4, 6, 7, 8, 10};
    }
    void invertAndGroup()
    {
        QFETCH(QList<int>, selection);
        QFETCH(bool, invert);
        QFETCH(QList<double>, heights);
        WPEditor *e = make(10);
        QVERIFY(e);
        QTest::keyPress(e, Qt::Key_Control);
        for (int n : selection)
            e->itemSelected(n);
        QTest::keyRelease(e, Qt::Key_Control);
        QSignalSpy changed(e, &WPEditor::wpdataChanged);
        if (invert)
            e->invertWPPath();
        else
            e->makeGroupOfWaypoints();
        QCOMPARE(this->heights(), heights);
        QCOMPARE(changed.count(), 1);
        for (int n = 1; n <= 10; ++n) {
            QCOMPARE(m_plan->waypointItem(n)->number(), n);
            // Footprints and legs travel with their waypoints.
            QCOMPARE(e->cameraItems()[n - 1]->anchor(), m_plan->waypointPos(n));
            if (n > 1)
                QVERIFY(same(leg(e, n - 2),
                         QLineF(m_plan->waypointPos(n - 1), m_plan->waypointPos(n))));
        }
    }

    void invertedRunStillEndsItsRun()
    {
        WPEditor *e = make(4, {0, 1, 1, 11});
        QVERIFY(e);
        QTest::keyPress(e, Qt::Key_Shift);
        e->itemSelected(2);
        e->itemSelected(4);
        QTest::keyRelease(e, Qt::Key_Shift);
        QCOMPARE(e->selection(), (QList<int>{2, 3, 4}));
        e->invertWPPath();
        QCOMPARE(heights(), (QList<double>{1, 4, 3, 2}));
        QCOMPARE(m_plan->waypointType(4), 11);
        QCOMPARE(m_plan->waypointType(2), 1);
    }

    void switchAfterMovesOneWaypoint()
    {
        WPEditor *e = make(6);
        QVERIFY(e);
        e->switchWPAfter(5, 2);
        QCOMPARE(heights(), (QList<double>{1, 5, 2, 3, 4, 6}));
        e->switchWPAfter(2, 5);
        QCOMPARE(heights(), (QList<double>{1, 2, 3, 4, 5, 6}));
        e->switchWPAfter(3, 3);
        QCOMPARE(heights(), (QList<double>{1, 2, 3, 4, 5, 6}));
    }

    void flightMarks()
    {
        WPEditor *e = make(6);
        QVERIFY(e);
        const auto status = [this] {
            QList<int> s;
            for (int n = 1; n <= m_plan->count(); ++n)
                s << int(m_plan->waypoint_flightstatus(n));
            return s;
        };
        e->markV1WPFinished(2);
        e->markV1WPFinished(3);
        e->markV1WP(4);
        e->markV1WPFinished(6);
        QCOMPARE(status(), (QList<int>{0, 2, 2, 1, 0, 2}));
        e->unmarkRange(5, 3);
        e->unmarkSince(7);
        QCOMPARE(status(), (QList<int>{0, 2, 2, 1, 0, 2}));
        e->unmarkRange(3, 4);
        QCOMPARE(status(), (QList<int>{0, 2, 0, 0, 0, 2}));
        e->unmarkSince(2);
        QCOMPARE(status(), (QList<int>{0, 0, 0, 0, 0, 0}));
        QCOMPARE(m_plan->waypointItem(2)->flightStatus(), 0);
    }

    void aircraftAndHomeMarkersOnlyOnTheMap()
    {
        WPEditor *e = make(0);
        QVERIFY(e);
        const QPointF g = geoOf(250, 300);
        e->setHomePosition(g.x(), g.y());
        QCOMPARE(e->homeMarker()->opacity(), 1.0);
        QVERIFY(QLineF(e->homeMarker()->anchor(), QPointF(250, 300)).length() < 1e-6);
        e->setHomePosition(WPFixture::east + 0.001, g.y());
        QCOMPARE(e->homeMarker()->opacity(), 0.0);
    }

    // The aircraft shows only over the map, turned by the map's north.
    void aircraftOnlyOnTheMap()
    {
        WPEditor *e = make(0);
        QVERIFY(e);
        const QPointF g = geoOf(250, 300);
        e->setHarlekPos(g.x(), g.y());
        QVERIFY(e->aircraftMarker()->isShown());
        QVERIFY(QLineF(e->aircraftMarker()->anchor(), QPointF(250, 300)).length() < 1e-6);
        e->setHarlekAngle(30);
        QCOMPARE(e->aircraftMarker()->angle(), 30 + m_plan->northAngle());
        e->setHarlekPos(WPFixture::east + 0.001, g.y());
        QVERIFY(!e->aircraftMarker()->isShown());
    }

    // Arrow keys pan the view by 30 pixels, each along its own axis.
    void arrowKeysPan()
    {
        WPEditor *e = make(0);
        QVERIFY(e);
        e->scaleView(3.0);
        QScrollBar *h = e->horizontalScrollBar(), *v = e->verticalScrollBar();
        h->setValue(h->maximum() / 2);
        v->setValue(v->maximum() / 2);
        const struct {
            Qt::Key key;
            int dx, dy;
        } keys[] = {{Qt::Key_Left, -30, 0}, {Qt::Key_Right, 30, 0}, {Qt::Key_Up, 0, -30},
                    {Qt::Key_Down, 0, 30}};
        for (const auto &k : keys) {
            const int x = h->value(), y = v->value();
            QTest::keyClick(e, k.key);
            QCOMPARE(h->value() - x, k.dx);
            QCOMPARE(v->value() - y, k.dy);
        }
    }

    // The finished polygon's start edge runs through eight pairs, and back.
    void polygonDirectionCycles()
    {
        WPEditor *e = make(0);
        QVERIFY(e);
        e->changeState(WPEditor::PolygonState);
        for (QPointF p : {QPointF(100, 100), QPointF(300, 100), QPointF(300, 300), QPointF(100, 300)})
            QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier, e->mapFromScene(p));
        e->finishPolygonAdded();
        const QList<QPair<int, int>> cycle = {{0, 1}, {1, 0}, {1, 2}, {2, 1}, {2, 3},
                                              {3, 2}, {3, 0}, {0, 3}, {0, 1}};
        QCOMPARE(e->polygonDirection(), cycle.first());
        for (int i = 1; i < cycle.size(); ++i) {
            e->polygonDirIncrease();
            QCOMPARE(e->polygonDirection(), cycle[i]);
        }
        for (int i = cycle.size() - 2; i >= 0; --i) {
            e->polygonDirDecrease();
            QCOMPARE(e->polygonDirection(), cycle[i]);
        }
    }

    // Heading, pitch and height given to one member of a matrix run reach
    // the footprints of the whole run, and only those.
    void runEditsReachTheFootprints()
    {
        WPEditor *e = make(5, {0, 1, 1, 11, 0});
        QVERIFY(e);
        e->setYawAngle(3, 77);
        e->setPitchAngle(3, -90);
        for (int n = 1; n <= 5; ++n) {
            const bool run = n >= 2 && n <= 4;
            const WPCameraAngle *cam = e->cameraItems()[n - 1];
            QCOMPARE(cam->heading(), run ? 77.0 : 10.0 * n);
            QCOMPARE(cam->isFootprint(), run);
        }
        const double before = e->cameraItems()[1]->footprintWidth();
        e->setHeight(4, 10);
        const double width = e->cameraItems()[1]->footprintWidth();
        QVERIFY(width > before);
        for (int n : {3, 4})
            QCOMPARE(e->cameraItems()[n - 1]->footprintWidth(), width);
    }

    void placemarkMarkers()
    {
        QStandardItemModel *model = Data::instance()->placemarkModel();
        model->clear();
        using WPFixture::placemark;
        auto *group = placemark("Group", Placemarks::Group);
        group->appendRow(placemark("inside", Placemarks::Point, geoOf(500, 400)));
        group->appendRow(placemark("outside", Placemarks::Point, QPointF(12.0, 48.0)));
        auto *field = placemark("Field", Placemarks::Polygon);
        field->appendRow(placemark("a", Placemarks::PolygonPoint, geoOf(100, 100)));
        field->appendRow(placemark("b", Placemarks::PolygonPoint, geoOf(200, 100)));
        field->appendRow(placemark("c", Placemarks::PolygonPoint, geoOf(200, 200)));
        field->appendRow(placemark("far", Placemarks::PolygonPoint, QPointF(10.0, 48.0)));
        group->appendRow(field);
        auto *lone = placemark("Lone", Placemarks::Polygon);
        lone->appendRow(placemark("only", Placemarks::PolygonPoint, geoOf(600, 600)));
        lone->appendRow(placemark("gone", Placemarks::PolygonPoint, QPointF(10.0, 47.0)));
        group->appendRow(lone);
        model->appendRow(group);

        WPEditor *e = make(0);
        QVERIFY(e);
        QCOMPARE(e->placemarkMarkers().size(), 5);  // inside, a, b, c, only
        QCOMPARE(e->placemarkOutlines().size(), 1);
        QCOMPARE(e->placemarkOutlines().first()->polygon().size(), 3);
        QCOMPARE(e->placemarkOutlines().first()->zValue(), -20.0);

        // Pressing a marker names its placemark.
        QSignalSpy marked(e, &WPEditor::markPM);
        PMMarker *m = e->placemarkMarkers().first();
        e->centerOn(m->anchor());
        QTest::mouseClick(e->viewport(), Qt::LeftButton, Qt::NoModifier,
                          e->mapFromScene(m->anchor()));
        QCOMPARE(marked.count(), 1);
        QCOMPARE(marked.first().first().value<QStandardItem *>(), m->placemark());

        model->clear();
        emit Data::instance()->pmChanged();
        QVERIFY(e->placemarkMarkers().isEmpty());
        QVERIFY(e->placemarkOutlines().isEmpty());
    }
};

KORVEL_TEST_MAIN(TestWPEditor)
#include "test_wpeditor.moc"
