// Shows the thermal widgets together on a generated image, for looking at
// them by eye: thermal_showcase <palette> [scaleall]. Not a test.
#include <QApplication>
#include <QHBoxLayout>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include "core/data.h"
#include "support/aragen.h"
#include "thermal/thermalrenderer.h"
#include "thermal/view/thhistogramm.h"
#include "thermal/view/thscale.h"
#include "thermal/view/thscaleall.h"
#include "thermal/view/thview.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int palette = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 0;
    Data::instance()->setThermalPalette(palette);
    Data::instance()->setThermalPinColor(palette % 5);
    Data::instance()->setThermalBorderColor(palette % 6);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("frame.ara"));
    AraGen::writeFile(path, AraGen::araFile(AraGen::FrameParams(), AraGen::scene(640, 512, palette),
                                            AraGen::LineCompressed));

    QWidget window;
    auto *view = new THView;
    auto *scale = new THScale;
    auto *histogram = new THHistogramm;
    histogram->setMeasurementType(2);
    QObject::connect(scale, &THScale::updateMinValue, view, &THView::changeScaleMin);
    QObject::connect(scale, &THScale::updateMaxValue, view, &THView::changeScaleMax);
    QObject::connect(view, &THView::arrangeMinMax, scale, &THScale::setScaleValues);
    QObject::connect(view, &THView::updateMinMax, histogram,
                     qOverload<QPoint>(&THHistogramm::setMinMaxValue));
    QObject::connect(view, &THView::newRectAngleLoaded, view, [view](QPointF a, QPointF b, int id) {
        view->addRectangle(id, a, b);
    });
    auto *left = new QVBoxLayout;
    left->addWidget(view, 1);
    left->addWidget(scale);
    auto *layout = new QHBoxLayout(&window);
    layout->addLayout(left, 3);
    layout->addWidget(histogram, 1);
    window.resize(1100, 620);
    window.show();

    view->loadFile(path);
    scale->setScaleRange(ThermalRenderer::fullScaleMin, ThermalRenderer::fullScaleMax);
    const QPoint mm = view->getImageMinMax();
    view->setScaleMinMax(mm.x() + 100, mm.y() - 50);
    scale->setScaleValues(QPoint(mm.x() + 100, mm.y() - 50));
    histogram->setData(view->rawData(), mm.x() + 100, mm.y() - 50);

    THDataPointList points;
    points.append(QPointF(320, 256), 1, 0, 0);
    points.append(QPointF(100, 200), 12, 0, 2);
    points.append(QPointF(5, 5), 123, 0, 0);
    points.append(QPointF(630, 500), 7, 0, 0);
    view->setPoints(points);
    view->setRectangles({QRectF(QPointF(380, 80), QPointF(560, 200)), QRectF(QPointF(60, 330), QPointF(250, 470))});
    double min, max, mean;
    QPointF minPos, maxPos;
    view->markRectangleMinMax(QPointF(380, 80), QPointF(560, 200), min, max, mean, minPos, maxPos, false);
    view->pointSelected(1);

    if (argc > 2) {
        auto *dialog = new THScaleAll(7328, 7453, 2, true, &window);
        dialog->show();
    }
    return app.exec();
}
