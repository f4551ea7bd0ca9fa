// The waypoint symbol: placement at constant screen size, digit images,
// status colours and fades, and the mouse signals the editor relies on.
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "core/data.h"
#include "itemrender.h"
#include "support/testkit.h"
#include "maps/items/wpwaypoint.h"

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

}  // namespace

class TestWPWaypoint : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        Data::instance()->setFlightplanHighres(1);
        Data::instance()->setFlightplanEffects(0);
    }

    void placement_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("scale");
        QTest::newRow("scale 1") << 100.0 << 50.0 << 1.0;
        QTest::newRow("zoomed in") << 100.0 << 50.0 << 2.0;
        QTest::newRow("zoomed out") << 333.3 << 12.5 << 0.25;
    }
    void placement()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(double, scale);
        WPWaypoint wp(x, y, 1.0, 1, 0);
        wp.setScale(scale);
        QCOMPARE(wp.pos(), QPointF(x - 12.5 / scale, y - 12.5 / scale));
        QCOMPARE(wp.centre(), QPointF(x, y));
        wp.setPosition(x + 10, y - 10);
        QCOMPARE(wp.pos(), QPointF(x + 10 - 12.5 / scale, y - 10 - 12.5 / scale));
        // Created directly at that scale it sits in the same place.
        WPWaypoint direct(x, y, scale, 1, 0);
        QCOMPARE(direct.pos(), QPointF(x - 12.5 / scale, y - 12.5 / scale));
    }

    void digits_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<int>>("places");  // ones, tens, hundreds, thousands
        QTest::newRow("7") << 7 << 1 << QList<int>{7, -1, -1, -1};
        QTest::newRow("12") << 12 << 2 << QList<int>{2, 1, -1, -1};
        QTest::newRow("123") << 123 << 3 << QList<int>{3, 2, 1, -1};
        QTest::newRow("1234") << 1234 << 4 << QList<int>{4, 3, 2, 1};
        QTest::newRow("9999") << 9999 << 4 << QList<int>{9, 9, 9, 9};
        // The thousands place is 12: no image, it stays empty.
        QTest::newRow("12345") << 12345 << 4 << QList<int>{5, 4, 3, -1};
    }
    void digits()
    {
        QFETCH(int, number);
        QFETCH(int, count);
        QFETCH(QList<int>, places);
        WPWaypoint wp(0, 0, 1.0, number, 0);
        QCOMPARE(wp.digitCount(), count);
        for (int place = 0; place < 4; ++place)
            QCOMPARE(wp.digitImage(place), places[place]);
    }

    void digitImagesFollowNumberUnlessOnlyStored()
    {
        WPWaypoint wp(0, 0, 1.0, 12, 0);
        wp.setNumber(11, true);  // removal in progress: images stay
        QCOMPARE(wp.number(), 11);
        QCOMPARE(wp.digitImage(0), 2);
        wp.setNumber(11, false);
        QCOMPARE(wp.digitImage(0), 1);
    }

    void strokeDigitsWithoutHighres()
    {
        Data::instance()->setFlightplanHighres(0);
        WPWaypoint wp(30, 30, 1.0, 8, 0);
        QVERIFY(wp.vectorDigits());
        QCOMPARE(wp.digitImage(0), -1);  // nothing loaded
        // The number is still drawn: black strokes inside the disc.
        QGraphicsScene scene;
        scene.addItem(&wp);
        const QImage img = ItemRender::render(scene, QPointF(0, 0), 1.0, 60, 60);
        scene.removeItem(&wp);
        int dark = 0;
        for (int y = 22; y < 38; ++y)
            for (int x = 26; x < 34; ++x)
                dark += qGray(img.pixel(x, y)) < 60;
        QVERIFY2(dark > 10, qPrintable(QString::number(dark)));
    }

    void statusColours_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QColor>("centre");
        QTest::addColumn<QColor>("rim");
        QTest::newRow("planned") << 0 << QColor(255, 150, 150) << QColor(255, 0, 0);
        QTest::newRow("selected") << 1 << QColor(255, 255, 255) << QColor(255, 255, 0);
        QTest::newRow("reached") << 2 << QColor(255, 150, 150) << QColor(0, 255, 0);
        QTest::newRow("other") << 7 << QColor(255, 255, 255) << QColor(255, 255, 255);
    }
    void statusColours()
    {
        QFETCH(int, status);
        QFETCH(QColor, centre);
        QFETCH(QColor, rim);
        WPWaypoint wp(0, 0, 1.0, 1, 0);
        wp.setFlightStatus(3);  // start from a look that differs from all
        wp.setFlightStatus(status);
        QCOMPARE(wp.flightStatus(), status);
        QCOMPARE(wp.centreColor(), centre);
        QCOMPARE(wp.rimColor(), rim);
    }

    void sameStatusAgainChangesNothing()
    {
        WPWaypoint wp(0, 0, 1.0, 1, 0);
        wp.setFlightStatus(2);
        wp.setFlightStatus(2);
        QCOMPARE(wp.previousStatus(), 0);
        QCOMPARE(wp.rimColor(), QColor(0, 255, 0));
    }

    void fadeRestartsFromTheOldStatus()
    {
        Data::instance()->setFlightplanEffects(1);
        WPWaypoint wp(0, 0, 1.0, 1, 0);
        wp.setFlightStatus(1);
        // The fade runs: the colours start at the planned look.
        QCOMPARE(wp.rimColor(), QColor(255, 0, 0));
        wp.setFlightStatus(2);  // while the first fade runs
        QCOMPARE(wp.previousStatus(), 1);
        QCOMPARE(wp.rimColor(), QColor(255, 255, 0));  // look of status 1 at t = 0
        QVERIFY(KorvelTest::waitFor([&] { return wp.rimColor() == QColor(0, 255, 0); }));
        QCOMPARE(wp.centreColor(), QColor(255, 150, 150));
    }

    void mouse_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("drag");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("left click") << int(Qt::LeftButton) << false
                                    << QStringList{"pressed 4", "rightClicked"};
        QTest::newRow("right click") << int(Qt::RightButton) << false
                                     << QStringList{"pressed 4", "rightClicked"};
        QTest::newRow("left drag") << int(Qt::LeftButton) << true
                                   << QStringList{"pressed 4", "moved 4 30,40", "moved 4 31,41"};
        QTest::newRow("right drag") << int(Qt::RightButton) << true << QStringList{};
    }
    void mouse()
    {
        QFETCH(int, button);
        QFETCH(bool, drag);
        QFETCH(QStringList, expected);
        QGraphicsScene scene;
        auto *wp = new WPWaypoint(20, 20, 1.0, 4, 0);
        scene.addItem(wp);
        QStringList got;
        connect(wp, &WPWaypoint::wppressed, [&](int n) { got << QString("pressed %1").arg(n); });
        connect(wp, &WPWaypoint::rightClicked, [&] { got << "rightClicked"; });
        connect(wp, &WPWaypoint::pointMoved, [&](int n, double x, double y) {
            got << QString("moved %1 %2,%3").arg(n).arg(x).arg(y);
        });
        const auto b = Qt::MouseButton(button);
        sendMouse(scene, wp, QEvent::GraphicsSceneMousePress, b, {20, 20});
        // Before the editor reports the map moving, a move is no drag.
        sendMouse(scene, wp, QEvent::GraphicsSceneMouseMove, b, {25, 25});
        if (drag) {
            wp->mapMoved();
            sendMouse(scene, wp, QEvent::GraphicsSceneMouseMove, b, {30, 40});
            sendMouse(scene, wp, QEvent::GraphicsSceneMouseMove, b, {31, 41});
        }
        sendMouse(scene, wp, QEvent::GraphicsSceneMouseRelease, b, {31, 41});
        QCOMPARE(got, expected);
    }

    void constantScreenSize_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("width");  // screen pixels of ink
        QTest::newRow("plain disc") << 0 << 27;   // 25 px disc and its 2 px pen
        QTest::newRow("run end ring") << 11 << 34;  // ring 29 px with a 5 px pen
    }
    void constantScreenSize()
    {
        QFETCH(int, type);
        QFETCH(int, width);
        for (double zoom : {0.5, 1.0, 4.0}) {
            QGraphicsScene scene;
            auto *wp = new WPWaypoint(100, 100, zoom, 5, type);
            scene.addItem(wp);
            const QImage img = ItemRender::render(scene, QPointF(100 - 50 / zoom, 100 - 50 / zoom),
                                                  zoom, 100, 100);
            const QRect ink = ItemRender::inkBox(img, 128);
            QVERIFY2(qAbs(ink.width() - width) <= 2,
                     qPrintable(QString("zoom %1: %2 px").arg(zoom).arg(ink.width())));
            QVERIFY2(qAbs(ink.center().x() - 50) <= 1, qPrintable(QString::number(ink.center().x())));
        }
    }
};

KORVEL_TEST_MAIN(TestWPWaypoint)
#include "test_wpwaypoint.moc"
