#include <QGraphicsScene>
#include <QPainter>
#include <QtTest>

#include "core/data.h"
#include "support/testkit.h"
#include "thermal/view/thermaldigits.h"
#include "thermal/view/thermalpoint.h"
#include "thermal/view/thermalrectangle.h"

class TestThermalItems : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Data::instance(); }

    void edgeFlagsDecideTheSide_data()
    {
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QPointF>("stored");
        QTest::addColumn<int>("effective");
        // 640 x 512: 20 from the left and right, 30 from the top and bottom.
        QTest::newRow("off image, left bottom") << QPointF(-5, 700) << 4 << QPointF(0, 512) << 1;
        QTest::newRow("left top") << QPointF(3, 3) << 0 << QPointF(3, 3) << 3;
        QTest::newRow("right top") << QPointF(630, 29.9) << 0 << QPointF(630, 29.9) << 5;
        QTest::newRow("right bottom") << QPointF(700, 500) << 0 << QPointF(640, 500) << 7;
        QTest::newRow("left only") << QPointF(19.9, 200) << 0 << QPointF(19.9, 200) << 2;
        QTest::newRow("right only") << QPointF(620.1, 200) << 0 << QPointF(620.1, 200) << 6;
        QTest::newRow("top only") << QPointF(300, 0) << 0 << QPointF(300, 0) << 4;
        QTest::newRow("bottom only") << QPointF(300, 482.1) << 4 << QPointF(300, 482.1) << 0;
        QTest::newRow("inside keeps its own") << QPointF(20, 30) << 6 << QPointF(20, 30) << 6;
    }
    void edgeFlagsDecideTheSide()
    {
        QFETCH(QPointF, at);
        QFETCH(int, orientation);
        QFETCH(QPointF, stored);
        QFETCH(int, effective);
        QGraphicsScene scene;
        auto *pin = new ThermalPoint(at.x(), at.y(), 1.0, 1, 640, 512);
        scene.addItem(pin);
        pin->setOrientation(orientation);
        pin->setPointPosition(at.x(), at.y());
        QCOMPARE(pin->pointPosition(), stored);
        QCOMPARE(pin->effectiveOrientation(), effective);
        const QPointF d = ThermalPoint::headOffset(effective);
        QCOMPARE(pin->pos(), stored - d);
    }

    void offsetsHalveAtScaleTwo_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QPointF>("offset");
        const QPointF table[8] = {{17, 38}, {7, 30}, {7, 17}, {14, 7}, {27, 7}, {37, 14}, {37, 27}, {30, 37}};
        for (int o = 0; o < 8; ++o)
            QTest::addRow("orientation %d", o) << o << table[o];
    }
    void offsetsHalveAtScaleTwo()
    {
        QFETCH(int, orientation);
        QFETCH(QPointF, offset);
        QGraphicsScene scene;
        auto *pin = new ThermalPoint(320, 256, 1.0, 1, 640, 512);
        scene.addItem(pin);
        pin->setOrientation(orientation);
        QCOMPARE(pin->pos(), QPointF(320, 256) - offset);
        QCOMPARE(pin->boundingRect(), QRectF(0, 0, 40, 40));
        pin->setScale(2);
        QCOMPARE(pin->pos(), QPointF(320, 256) - offset / 2);
        QCOMPARE(pin->boundingRect(), QRectF(0, 0, 20, 20));
        // Near a border the halved distances decide: 15 from the left is
        // inside at s = 2 (limit 10), at the edge at s = 1 (limit 20).
        pin->setPointPosition(15, 256);
        QCOMPARE(pin->effectiveOrientation(), orientation);
        pin->setScale(1);
        QCOMPARE(pin->effectiveOrientation(), 2);
    }

    void pinWithoutSceneKeepsFlagsAndOrientationOutsideRangeStays()
    {
        ThermalPoint pin(0, 0, 1.0, 1, 640, 512);
        pin.setPointPosition(-5, 700);  // not in a scene: no clamp to the image
        QCOMPARE(pin.pointPosition(), QPointF(0, 700));
        QVERIFY(!pin.edgeLeft() && !pin.edgeBottom());
        pin.setOrientation(2);
        const QPointF before = pin.pos();
        pin.setOrientation(9);
        QCOMPARE(pin.pos(), before);
    }

    void digitCells_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<double>("s");
        QTest::addColumn<QVector<int>>("digits");
        QTest::addColumn<QVector<QRectF>>("cells");
        QTest::newRow("7") << 7 << 1.0 << QVector<int>{7} << QVector<QRectF>{{14, 11, 8, 12}};
        QTest::newRow("42") << 42 << 1.0 << QVector<int>{4, 2}
                            << QVector<QRectF>{{10, 11, 8, 12}, {18, 11, 8, 12}};
        QTest::newRow("123") << 123 << 1.0 << QVector<int>{1, 2, 3}
                             << QVector<QRectF>{{9, 12, 6, 9}, {15, 12, 6, 9}, {21, 12, 6, 9}};
        QTest::newRow("7 at s 2") << 7 << 2.0 << QVector<int>{7} << QVector<QRectF>{{7, 5.5, 4, 6}};
    }
    void digitCells()
    {
        QFETCH(int, id);
        QFETCH(double, s);
        QFETCH(QVector<int>, digits);
        QFETCH(QVector<QRectF>, cells);
        // Cells relative to a digit origin of (10, 11).
        const QVector<ThermalDigits::Cell> got = ThermalDigits::cells(id, QPointF(10, 11), s);
        QCOMPARE(got.size(), digits.size());
        for (int i = 0; i < got.size(); ++i) {
            QCOMPARE(got[i].digit, digits[i]);
            QCOMPARE(got[i].rect, cells[i]);
        }
    }

    void digitsAreLegibleInTheirSmallestCell()
    {
        // Each digit drawn into a 6 x 9 cell leaves ink, and no two leave the same.
        QSet<QByteArray> seen;
        for (int d = 0; d < 10; ++d) {
            QImage img(6, 9, QImage::Format_ARGB32);
            img.fill(Qt::transparent);
            QPainter p(&img);
            ThermalDigits::paintDigit(&p, d, QRectF(0, 0, 6, 9));
            p.end();
            int ink = 0;
            QByteArray key;
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 6; ++x) {
                    const bool on = qAlpha(img.pixel(x, y)) > 100;
                    ink += on;
                    key.append(on ? '#' : '.');
                }
            QVERIFY2(ink > 4, qPrintable(QStringLiteral("digit %1").arg(d)));
            seen.insert(key);
        }
        QCOMPARE(seen.size(), 10);
    }

    void selectionBoundsAndRectangleNormalises()
    {
        ThermalRectangleSelection sel;
        QVERIFY(!sel.isShown());
        sel.setStartPoint(QPointF(100, 100));
        QVERIFY(sel.isShown());
        QCOMPARE(sel.pos(), QPointF(100, 100));
        sel.setEndPoint(QPointF(40, 60));
        QCOMPARE(sel.boundingRect(), QRectF(0, 0, -60, -40));

        ThermalRectangle rect(3, 1.0);
        rect.setStartPoint(QPointF(100, 100));
        rect.setEndPoint(QPointF(40, 60));
        QCOMPARE(rect.startPoint(), QPointF(40, 60));
        QCOMPARE(rect.endPoint(), QPointF(100, 100));
        QCOMPARE(rect.pos(), QPointF(40, 60));
        QCOMPARE(rect.boundingRect(), QRectF(0, 0, 60, 40));

        sel.setScale(2);
        QCOMPARE(sel.pen().widthF(), 1.0);
        QCOMPARE(sel.pen().style(), Qt::DashLine);
        rect.setScale(4);
        QCOMPARE(rect.pen().widthF(), 0.25);
    }

    void paintingHonoursTheShownFlag()
    {
        // A hidden selection paints nothing; a shown one its integer rectangle.
        for (bool circle : {false, true}) {
            std::unique_ptr<ThermalRectangleSelection> sel(
                circle ? new ThermalCircleSelection : new ThermalRectangleSelection);
            sel->setStartPoint(QPointF(10, 10));
            sel->setEndPoint(QPointF(30.7, 25.9));
            auto render = [&] {
                QImage img(40, 40, QImage::Format_RGB32);
                img.fill(Qt::white);
                QPainter p(&img);
                p.translate(10, 10);
                sel->paint(&p, nullptr);
                return img;
            };
            QImage blank(40, 40, QImage::Format_RGB32);
            blank.fill(Qt::white);
            const QImage shown = render();
            QVERIFY(shown != blank);
            if (!circle) {
                // Integer rectangle (0, 0, 20, 15): its right edge at x = 30, none at 31.
                int right = 0, beyond = 0;
                for (int y = 12; y < 24; ++y) {
                    right += qGray(shown.pixel(30, y)) < 128;
                    beyond += qGray(shown.pixel(32, y)) < 128;
                }
                QVERIFY(right > 3);
                QCOMPARE(beyond, 0);
            }
            sel->setActive(false);
            QCOMPARE(render(), blank);
        }
    }

    void coloursFollowTheSettingsLive()
    {
        Data *data = Data::instance();
        data->setThermalPinColor(0);
        data->setThermalBorderColor(0);
        ThermalPoint pin(10, 10, 1.0, 1, 640, 512);
        QCOMPARE(pin.pinColor(), QColor(255, 255, 255));
        QCOMPARE(pin.borderColor(), QColor(Qt::black));
        const struct { int index; QColor pin, highlight; } pins[] = {
            {1, {100, 255, 100}, {255, 255, 0}}, {2, {255, 150, 255}, {255, 255, 0}},
            {3, {255, 255, 100}, {255, 0, 0}},   {4, {0, 240, 255}, {255, 255, 0}},
            {9, {255, 255, 255}, {255, 255, 0}},
        };
        for (const auto &c : pins) {
            data->setThermalPinColor(c.index);
            QCOMPARE(pin.pinColor(), c.pin);
            QCOMPARE(pin.highlightColor(), c.highlight);
        }
        const QColor borders[] = {Qt::black, Qt::white, Qt::red, Qt::yellow, Qt::green, Qt::blue, Qt::black};
        for (int i = 0; i < 7; ++i) {
            data->setThermalBorderColor(i);
            QCOMPARE(pin.borderColor(), borders[i]);
        }
        // A new pin starts with the current settings.
        data->setThermalPinColor(4);
        data->setThermalBorderColor(2);
        ThermalPoint later(10, 10, 1.0, 1, 640, 512);
        QCOMPARE(later.pinColor(), QColor(0, 240, 255));
        QCOMPARE(later.borderColor(), QColor(Qt::red));
        data->setThermalPinColor(0);
        data->setThermalBorderColor(0);
    }
};

KORVEL_TEST_MAIN(TestThermalItems)
#include "test_thermalitems.moc"
