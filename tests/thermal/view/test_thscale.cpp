#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

#include "core/data.h"
#include "support/testkit.h"
#include "thermal/project/thdata.h"
#include "thermal/thermalrenderer.h"
#include "thermal/view/thhistogramm.h"
#include "thermal/view/thscale.h"
#include "thermal/view/thscaleall.h"

namespace {

QColor stopAt(const QLinearGradient &g, double at)
{
    for (const auto &stop : g.stops())
        if (qFuzzyCompare(stop.first + 1, at + 1))
            return stop.second;
    return QColor();
}
}  // namespace

class TestTHScale : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Data::instance()->setThermalPalette(0); }

    void barPositionsFollowTheScale()
    {
        THScale scale;
        scale.resize(642, 30);
        scale.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scale));
        QCOMPARE(scale.width(), 642);
        scale.setScaleRange(0, 16400);
        QCOMPARE(scale.rangeLow(), -10.0);
        QCOMPARE(scale.rangeHigh(), 16410.0);
        scale.setScaleValues(QPoint(0, 16400));
        const double f0 = 10.0 / 16420 * 642;  // 0.39
        QVERIFY(qAbs(scale.position(0) - 0.391) < 0.001);
        QCOMPARE(scale.lowBar()->width(), f0);
        QCOMPARE(scale.minSeparator()->x(), f0 - 3);
        QCOMPARE(scale.gradientBar()->x(), f0);
        QCOMPARE(scale.gradientBar()->width(), 16400.0 / 16420 * 642);
        QCOMPARE(scale.highBar()->x(), scale.position(16400));
        QCOMPARE(scale.maxSeparator()->x(), scale.position(16400) - 3);
        // The separators stay 20 counts apart.
        QCOMPARE(scale.minSeparator()->upperLimit(), scale.position(16400) - 20.0 / 16420 * 642);
        QCOMPARE(scale.maxSeparator()->lowerLimit(), f0 + 20.0 / 16420 * 642);
    }

    void separatorDragsCoalesceIntoOneValue()
    {
        THScale scale;
        scale.resize(642, 30);
        scale.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scale));
        scale.setScaleRange(0, 16400);
        scale.setScaleValues(QPoint(400, 16000));
        QSignalSpy minSpy(&scale, &THScale::updateMinValue);
        QSignalSpy maxSpy(&scale, &THScale::updateMaxValue);
        // A real drag of the minimum separator to x = 100.
        QWidget *vp = scale.viewport();
        const QPoint grip = scale.mapFromScene(scale.minSeparator()->pos() + QPointF(3, 15));
        QTest::mousePress(vp, Qt::LeftButton, {}, grip);
        KorvelTest::dragMove(vp, QPoint(60, 15));
        KorvelTest::dragMove(vp, QPoint(80, 15));
        KorvelTest::dragMove(vp, QPoint(100, 15));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(100, 15));
        QCOMPARE(scale.minSeparator()->x(), 100.0);
        QVERIFY(minSpy.wait(KorvelTest::kWaitMs));
        QCOMPARE(minSpy.last().at(0).toDouble(), -10 + 16420 * 100.0 / (642 - 7));
        QCOMPARE(maxSpy.size(), 0);

        // Moves with no pause between them give one value, the last.
        minSpy.clear();
        scale.newMinValue(20);
        scale.newMinValue(30);
        scale.newMinValue(40);
        QVERIFY(minSpy.wait(KorvelTest::kWaitMs));
        QTest::qWait(60);  // only to show that no second value follows
        QCOMPARE(minSpy.size(), 1);
        QCOMPARE(minSpy.at(0).at(0).toDouble(), -10 + 16420 * 40.0 / 635);

        // Beyond the maximum less 20 counts it stays, but still reports.
        THColorSeperator *minSep = scale.minSeparator();
        minSep->dragTo(minSep->upperLimit() + 5);
        QCOMPARE(minSep->x(), 100.0);
        QVERIFY(minSpy.wait(KorvelTest::kWaitMs));
        QCOMPARE(minSpy.last().at(0).toDouble(), -10 + 16420 * 100.0 / 635);
        minSep->dragTo(-40);
        QCOMPARE(minSep->x(), 0.0);
        THColorSeperator *maxSep = scale.maxSeparator();
        maxSep->dragTo(900);
        QCOMPARE(maxSep->x(), 642.0 - 7);
        maxSep->dragTo(maxSep->lowerLimit() - 1);
        QCOMPARE(maxSep->x(), 642.0 - 7);
        QVERIFY(maxSpy.wait(KorvelTest::kWaitMs));
        QCOMPARE(maxSpy.size(), 1);
        QCOMPARE(maxSpy.at(0).at(0).toDouble(), 16410.0);
    }

    void paletteBars_data()
    {
        QTest::addColumn<int>("palette");
        QTest::addColumn<QColor>("low");
        QTest::addColumn<QColor>("high");
        QTest::newRow("0") << 0 << QColor(0, 0, 255) << QColor(255, 0, 0);
        QTest::newRow("1") << 1 << QColor(Qt::black) << QColor(Qt::white);
        QTest::newRow("2") << 2 << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("3") << 3 << QColor(Qt::black) << QColor(255, 0, 0);
        QTest::newRow("4") << 4 << QColor(255, 0, 0) << QColor(Qt::black);
        QTest::newRow("5") << 5 << QColor(Qt::black) << QColor(0, 255, 0);
        QTest::newRow("6") << 6 << QColor(0, 255, 0) << QColor(Qt::black);
    }
    void paletteBars()
    {
        QFETCH(int, palette);
        QFETCH(QColor, low);
        QFETCH(QColor, high);
        THScale scale;
        Data::instance()->setThermalPalette(palette);
        QCOMPARE(scale.palette(), palette);
        QCOMPARE(scale.lowBar()->color(), low);
        QCOMPARE(scale.highBar()->color(), high);
        const QLinearGradient g = scale.gradientBar()->gradient();
        QCOMPARE(stopAt(g, 0), low);
        QCOMPARE(stopAt(g, 1), high);
        // The bars agree with the image colouring at both ends.
        QCOMPARE(low.rgb(), ThermalRenderer::color(palette, 0, 0, 100));
        QCOMPARE(high.rgb(), ThermalRenderer::color(palette, 100, 0, 100));
        if (palette == 0) {
            QCOMPARE(g.stops().size(), 5);
            QCOMPARE(stopAt(g, 0.25), QColor(0, 255, 255));
            QCOMPARE(stopAt(g, 0.5), QColor(0, 255, 0));
            QCOMPARE(stopAt(g, 0.75), QColor(255, 255, 0));
        } else {
            QCOMPARE(g.stops().size(), 2);
        }
        scale.changePalette(7);  // unknown: unchanged
        QCOMPARE(scale.palette(), palette);
        QCOMPARE(scale.lowBar()->color(), low);
        Data::instance()->setThermalPalette(0);
    }

    void histogramBins()
    {
        THHistogramm h;
        QCOMPARE(h.minimum(), 6000);
        QCOMPARE(h.maximum(), 7000);
        const QVector<quint16> counts{5999, 6000, 6000, 6500, 7000, 7001, 0, 65535};
        h.setData(ThermalRenderer::toBytes(counts), 6000.9, 7000.2);
        QCOMPARE(h.bins().size(), 1001);
        QCOMPARE(h.bins().at(0), 2);
        QCOMPARE(h.bins().at(500), 1);
        QCOMPARE(h.bins().last(), 1);  // 7000 in the last, 7001 in none
        int total = 0;
        for (int b : h.bins())
            total += b;
        QCOMPARE(total, 4);
        QCOMPARE(h.largestBin(), 2);
        h.setMinMaxValue(QPoint(6500, 6500));
        QCOMPARE(h.bins(), QVector<int>{1});
        // Empty range and reversed range: no bins to divide by, nothing fails.
        h.setMinMaxValue(100, 200);
        QCOMPARE(h.largestBin(), 0);
        h.setMinMaxValue(7000, 6000);
        QVERIFY(h.bins().isEmpty());
        h.resize(300, 200);
        for (auto range : {QPoint(100, 200), QPoint(7000, 6000), QPoint(6000, 7000)}) {
            h.setMinMaxValue(range);
            QImage img(h.size(), QImage::Format_RGB32);
            h.render(&img);
        }
    }

    void histogramLabels()
    {
        THHistogramm h;
        h.setMinMaxValue(7328, 7453);
        QCOMPARE(h.minLabel(), QStringLiteral("7328"));
        h.setMeasurementType(2);
        QCOMPARE(h.minLabel(), QString::fromUtf8("19.97°C"));
        QCOMPARE(h.maxLabel(), QString::fromUtf8("24.97°C"));
        h.setMeasurementType(1);
        h.setMinMaxValue(732, 1000);
        QCOMPARE(h.minLabel(), QString::fromUtf8("19.65°C"));
        QCOMPARE(h.maxLabel(), QString::fromUtf8("126.85°C"));
    }

    void scaleAllDialog_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("hasImage");
        QTest::addColumn<int>("page");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("second");
        QTest::addColumn<QPoint>("result");
        QTest::newRow("type 2, swapped") << 2 << true << 0 << 25.0 << 20.0 << QPoint(7328, 7453);
        QTest::newRow("type 1 at 20") << 1 << true << 0 << 20.0 << 20.0 << QPoint(732, 732);
        QTest::newRow("type 0 raw page") << 0 << true << 1 << 9000.0 << 8000.0 << QPoint(8000, 9000);
        QTest::newRow("raw equal values") << 0 << true << 1 << 7000.0 << 7000.0 << QPoint(7000, 7000);
        QTest::newRow("no image raw page") << 2 << false << 1 << 1.0 << 2.0 << QPoint(1, 2);
    }
    void scaleAllDialog()
    {
        QFETCH(int, type);
        QFETCH(bool, hasImage);
        QFETCH(int, page);
        QFETCH(double, first);
        QFETCH(double, second);
        QFETCH(QPoint, result);
        THScaleAll dialog(7000, 7500, type, hasImage);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Scale all images..."));
        QCOMPARE(dialog.page(), page);
        auto *minT = dialog.findChild<QDoubleSpinBox *>(QStringLiteral("minTemperature"));
        auto *maxT = dialog.findChild<QDoubleSpinBox *>(QStringLiteral("maxTemperature"));
        auto *minR = dialog.findChild<QSpinBox *>(QStringLiteral("minRaw"));
        auto *maxR = dialog.findChild<QSpinBox *>(QStringLiteral("maxRaw"));
        QVERIFY(minT && maxT && minR && maxR);
        QCOMPARE(minR->value(), hasImage ? 7000 : 0);
        QCOMPARE(maxR->maximum(), 16400);
        if (page == 0) {
            minT->setValue(first);
            maxT->setValue(second);
        } else {
            minR->setValue(int(first));
            maxR->setValue(int(second));
        }
        QPushButton *ok = nullptr;
        for (QPushButton *b : dialog.findChildren<QPushButton *>())
            if (b->text() == QLatin1String("Ok"))
                ok = b;
        QVERIFY(ok);
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        ok->click();
        QCOMPARE(accepted.size(), 1);
        QCOMPARE(dialog.result(), result);
    }

    void scaleAllTemperatureRanges()
    {
        THScaleAll high(7000, 16400, 2, true);
        auto *maxT = high.findChild<QDoubleSpinBox *>(QStringLiteral("maxTemperature"));
        QCOMPARE(maxT->minimum(), -270.0);
        QCOMPARE(maxT->maximum(), 380.0);  // 16400 counts are 382.85, the box ends at 380
        QCOMPARE(high.findChild<QDoubleSpinBox *>(QStringLiteral("minTemperature"))->value(), 6.85);
        THScaleAll low(700, 800, 1, true);
        maxT = low.findChild<QDoubleSpinBox *>(QStringLiteral("maxTemperature"));
        QCOMPARE(maxT->maximum(), 6290.0);
        QCOMPARE(maxT->value(), 46.85);
        QSignalSpy rejected(&low, &QDialog::rejected);
        for (QPushButton *b : low.findChildren<QPushButton *>())
            if (b->text() == QLatin1String("Cancel"))
                b->click();
        QCOMPARE(rejected.size(), 1);

        // From a project: its current image's limits and type.
        THData project;
        QCOMPARE(THScaleAll(&project).page(), 1);
        project.appendImage(QStringLiteral("a.ara"), true, 700, 800, 1);
        project.setCurrentIndex(0);
        THScaleAll fromProject(&project);
        QCOMPARE(fromProject.page(), 0);
        QCOMPARE(fromProject.findChild<QDoubleSpinBox *>(QStringLiteral("maxTemperature"))->value(), 46.85);
    }
};

KORVEL_TEST_MAIN(TestTHScale)
#include "test_thscale.moc"
