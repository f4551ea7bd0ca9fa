#include <QColor>
#include <QtTest>

#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/thermalrenderer.h"

using namespace ThermalRenderer;

class TestThermalRenderer : public QObject {
    Q_OBJECT
private slots:
    void palettesAtMinimumMiddleMaximum_data()
    {
        QTest::addColumn<int>("palette");
        QTest::addColumn<QColor>("atMin");
        QTest::addColumn<QColor>("atMid");
        QTest::addColumn<QColor>("atMax");
        // Scale 1000..1200: the middle is t = 0.5, g = 127, h = 120.
        QTest::newRow("0 rainbow") << 0 << QColor(0, 0, 255) << QColor(0, 255, 0) << QColor(255, 0, 0);
        QTest::newRow("1 grey") << 1 << QColor(0, 0, 0) << QColor(127, 127, 127) << QColor(255, 255, 255);
        QTest::newRow("2 inverted grey") << 2 << QColor(255, 255, 255) << QColor(128, 128, 128) << QColor(0, 0, 0);
        QTest::newRow("3 red") << 3 << QColor(0, 0, 0) << QColor(127, 0, 0) << QColor(255, 0, 0);
        QTest::newRow("4 inverted red") << 4 << QColor(255, 0, 0) << QColor(128, 0, 0) << QColor(0, 0, 0);
        QTest::newRow("5 green") << 5 << QColor(0, 0, 0) << QColor(0, 127, 0) << QColor(0, 255, 0);
        QTest::newRow("6 inverted green") << 6 << QColor(0, 255, 0) << QColor(0, 128, 0) << QColor(0, 0, 0);
    }
    void palettesAtMinimumMiddleMaximum()
    {
        QFETCH(int, palette);
        QFETCH(QColor, atMin);
        QFETCH(QColor, atMid);
        QFETCH(QColor, atMax);
        QCOMPARE(QColor(color(palette, 1000, 1000, 1200)), atMin);
        QCOMPARE(QColor(color(palette, 1100, 1000, 1200)), atMid);
        QCOMPARE(QColor(color(palette, 1200, 1000, 1200)), atMax);
        // Clamps: outside the scale takes the colour of the nearer end,
        // also far outside, where t * 255 would overflow an int.
        QCOMPARE(QColor(color(palette, 0, 1000, 1200)), atMin);
        QCOMPARE(QColor(color(palette, 999, 1000, 1200)), atMin);
        QCOMPARE(QColor(color(palette, 1201, 1000, 1200)), atMax);
        QCOMPARE(QColor(color(palette, 65535, 1000, 1001)), atMax);
        // Opaque always.
        QCOMPARE(qAlpha(color(palette, 1100, 1000, 1200)), 255);
    }

    void palette0HuesAndQuarterStops()
    {
        // Hue 240 at the minimum and 0 at the maximum; between, 240 - trunc(t 240).
        QCOMPARE(QColor(color(0, 0, 0, 240)).hsvHue(), 240);
        QCOMPARE(QColor(color(0, 240, 0, 240)).hsvHue(), 0);
        QCOMPARE(color(0, 60, 0, 240), qRgb(0, 255, 255));    // hue 180, cyan
        QCOMPARE(color(0, 180, 0, 240), qRgb(255, 255, 0));   // hue 60, yellow
        QCOMPARE(color(0, 1, 0, 1000), qRgb(0, 0, 255));      // t 240 = 0.24 truncates to 0
        QCOMPARE(color(0, 5, 0, 1000), QColor::fromHsv(239, 255, 255).rgb());
    }

    void degenerateScalesAndPalettes()
    {
        // Minimum equal to maximum: every pixel as the minimum, no division by zero.
        for (int p = 0; p < 7; ++p) {
            QCOMPARE(color(p, 500, 500, 500), color(p, 0, 0, 1));
            QCOMPARE(color(p, 9000, 500, 500), color(p, 0, 0, 1));
        }
        // Minimum above the maximum: the clamps decide, nothing fails.
        QCOMPARE(QColor(color(1, 100, 200, 100)), QColor(255, 255, 255));
        QCOMPARE(QColor(color(1, 300, 200, 100)), QColor(0, 0, 0));
        // Palette indexes outside 0..6 are clamped.
        QCOMPARE(color(-3, 1100, 1000, 1200), color(0, 1100, 1000, 1200));
        QCOMPARE(color(42, 1100, 1000, 1200), color(6, 1100, 1000, 1200));
    }

    void colorizeMatchesThePixelRuleOnAnyThreadCount()
    {
        for (const QSize size : {QSize(640, 512), QSize(7, 3), QSize(333, 17)}) {
            const QVector<quint16> counts = AraGen::scene(size.width(), size.height(), 5);
            const QPoint mm = minMax(counts);
            for (int palette = 0; palette < 7; ++palette) {
                const QImage all = colorize(counts, size.width(), size.height(), palette, mm.x() + 50, mm.y() - 50);
                const QImage one = colorize(counts, size.width(), size.height(), palette, mm.x() + 50, mm.y() - 50, 1);
                QCOMPARE(all.size(), size);
                QCOMPARE(all.format(), QImage::Format_RGB32);
                QCOMPARE(all, one);
                for (int i = 0; i < counts.size(); i += 97) {
                    const int x = i % size.width(), y = i / size.width();
                    QCOMPARE(all.pixel(x, y), color(palette, counts[i], mm.x() + 50, mm.y() - 50));
                }
            }
        }
        // Counts shorter than the image are never read.
        QVERIFY(colorize(QVector<quint16>(10), 4, 3, 0, 0, 10).isNull());
        QVERIFY(colorize(QVector<quint16>(), 0, 0, 0, 0, 10).isNull());
    }

    void minMaxRules_data()
    {
        QTest::addColumn<QVector<quint16>>("counts");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("all zero") << QVector<quint16>{0, 0, 0} << QPoint(16400, 0);
        QTest::newRow("zeros ignored for the minimum") << QVector<quint16>{0, 7000, 6000, 0} << QPoint(6000, 7000);
        QTest::newRow("all above full scale") << QVector<quint16>{17000, 20000} << QPoint(16400, 20000);
        QTest::newRow("empty") << QVector<quint16>{} << QPoint(16400, 0);
    }
    void minMaxRules()
    {
        QFETCH(QVector<quint16>, counts);
        QFETCH(QPoint, expected);
        QCOMPARE(minMax(counts), expected);
    }

    void temperatureRule()
    {
        QCOMPARE(valueText(7328, 2), QStringLiteral("19.97°C"));
        QCOMPARE(valueText(732, 1), QStringLiteral("19.65°C"));
        QCOMPARE(valueText(6000, 0), QStringLiteral("6000"));
        QCOMPARE(valueText(16400, 2), QString::fromUtf8("382.85°C"));
        QCOMPARE(fromCelsius(20, 1), 732);
        QCOMPARE(fromCelsius(20, 2), 7328);
        QCOMPARE(fromCelsius(25, 2), 7453);
        const QVector<quint16> counts{1, 2, 65535};
        QCOMPARE(fromBytes(toBytes(counts)), counts);
        QCOMPARE(toBytes({0x1234}), QByteArray("\x34\x12", 2));
    }
};

KORVEL_TEST_MAIN(TestThermalRenderer)
#include "test_thermalrenderer.moc"
