// Plays two selection sequences on a planning tab with 144 waypoints and
// shoots the screen after each: Ctrl let go in a dialog that Ctrl+T opened
// and closed with the mouse, then a click on waypoint 14, one on 27 and one
// on free ground; select all, a right click on waypoint 50, Escape, then a
// click or a band on free ground. Each shot's selection is printed. Run under a virtual display (xcb) to shoot menus and
// dialogs too: render_selection <folder> [seconds shown]. Not a test.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QtTest>
#include <cstdio>

#include "../maps/wpfixture.h"
#include "core/data.h"
#include "link/korvelpackethandler.h"
#include "maps/wpdata.h"
#include "planner/wpeditor.h"
#include "planner/wpmain.h"
#include "support/testkit.h"

namespace {
void settle()
{
    QCoreApplication::sendPostedEvents();
    KorvelTest::settleLayouts();
    QTest::qWait(200);  // lets the display server draw before the shot
}
}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: render_selection <folder> [seconds]\n");
        return 2;
    }
    KorvelTest::TestHome::keepAddressesLocal();
    KorvelTest::TestHome home;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());
    const int seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 0;

    auto *plan = new WPData;
    if (!plan->loadMapImage(WPFixture::writeMap(out.path())))
        return 1;
    KorvelPacketHandler handler;
    WPMain w(&handler, plan);
    // Stands in for the main window's "Connect..." (Ctrl+T) and its dialog.
    QAction connectAction(QStringLiteral("Connect..."), &w);
    connectAction.setShortcut(QKeySequence(QStringLiteral("Ctrl+T")));
    w.addAction(&connectAction);
    QObject::connect(&connectAction, &QAction::triggered, &w, [&w] {
        QDialog dialog(&w);
        dialog.setWindowTitle(QStringLiteral("Connect"));
        auto *close = new QPushButton(QStringLiteral("Close"), &dialog);
        QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
        KorvelTest::whenModal([close](QWidget *box) {
            // Ctrl comes up while the dialog has the keyboard.
            QTest::keyRelease(box, Qt::Key_T, Qt::ControlModifier);
            QTest::keyRelease(box, Qt::Key_Control, Qt::NoModifier);
            QTest::mouseClick(close, Qt::LeftButton);
        });
        dialog.exec();
    });
    w.resize(1300, 850);
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w))
        return 1;
    WPEditor *e = w.editor();
    for (int k = 0; k < 144; ++k) {
        const QPointF g = WPFixture::geoOf(80 + k % 12 * 75, 70 + k / 12 * 60);
        e->addWaypoint(WPFixture::Typed().at(g).height(20).pitch(-90).pictures(1));
    }
    w.toolAction(WPMain::Tool::Select)->trigger();

    QWidget *view = e->viewport();
    const auto at = [e, plan](int n) { return e->mapFromScene(plan->waypointPos(n)); };
    const QPoint ground = e->mapFromScene(QPointF(117, 100));
    const auto shot = [&](const char *name) {
        settle();
        QScreen *screen = QGuiApplication::primaryScreen();
        screen->grabWindow(0).save(out.filePath(QString::fromLatin1("canvas-%1.png").arg(name)));
        std::printf("canvas-%s: selection", name);
        for (int n : e->selection())
            std::printf(" %d", n);
        std::printf("\n");
        std::fflush(stdout);
        if (seconds > 0)
            QTest::qWait(seconds * 1000);  // shown to the viewer for as long as asked
    };

    // Ctrl goes down on the canvas and comes up in the dialog.
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, ground);
    QTest::keyPress(e, Qt::Key_Control);
    QTest::keyPress(e, Qt::Key_T, Qt::ControlModifier);
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w))
        return 1;
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, at(14));
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, at(27));
    shot("ctrl-then-two-clicks");
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, ground);
    shot("ctrl-then-free-ground");

    // Select all, right click on a waypoint, Escape, then free ground.
    const auto menuOnFifty = [&](const char *name) {
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, at(50));
        KorvelTest::waitFor([e] { return e->contextMenu()->isVisible(); });
        if (name)
            shot(name);
        QTest::keyClick(e->contextMenu(), Qt::Key_Escape);
        KorvelTest::waitFor([e] { return !e->contextMenu()->isVisible(); });
    };
    menuOnFifty("menu-on-fifty");
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, ground);
    shot("menu-then-free-ground");
    menuOnFifty(nullptr);
    // A band from free ground around waypoints 15 to 18 and 27 to 30.
    const QPoint from = e->mapFromScene(QPointF(180, 115)), to = e->mapFromScene(QPointF(470, 205));
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, from);
    for (int i = 1; i <= 4; ++i)
        KorvelTest::dragMove(view, from + (to - from) * i / 4);
    shot("menu-then-band-drawn");
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, to);
    shot("menu-then-band");
    return 0;
}
