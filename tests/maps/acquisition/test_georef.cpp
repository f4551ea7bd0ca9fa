// Geo-referencing an own image: three pins, the transform they define, the
// sidecar file, storing the map, and the canvas's zoom, pan and pins.
#include <QDoubleSpinBox>
#include <QGraphicsSceneMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "brokenmapfolder.h"
#include "core/data.h"
#include "core/geo.h"
#include "maps/acquisition/gmleftbar.h"
#include "maps/acquisition/gmmain.h"
#include "maps/acquisition/gmmap.h"
#include "maps/acquisition/gmpoint.h"
#include "core/mapdescription.h"
#include "support/testkit.h"

namespace {

QString makeImage(const QString &name, int w, int h, const QByteArray &sidecar = QByteArray())
{
    const QString dir = KorvelTest::home()->path() + "/aerials";
    QDir().mkpath(dir);
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(120, 140, 90));
    const QString path = dir + "/" + name + ".jpg";
    if (!image.save(path))
        return QString();
    if (!sidecar.isEmpty()) {
        QFile ini(dir + "/" + name + ".ini");
        ini.open(QIODevice::WriteOnly);
        ini.write(sidecar);
    }
    return path;
}

void setPin(GMLeftbar *bar, int pin, double lon, double lat)
{
    bar->field(pin, false)->setValue(lon);
    bar->field(pin, true)->setValue(lat);
}

void send(QWidget *viewport, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
          QPoint pos)
{
    QMouseEvent event(type, pos, viewport->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
}

// A point on the pin's body, in view coordinates.
QPoint onPin(GMMap *map, GMPoint *pin)
{
    return map->mapFromScene(pin->mapToScene(pin->boundingRect().center()));
}


}  // namespace

class TestGeoRef : public QObject {
    Q_OBJECT

private slots:
    void haversine_data()
    {
        QTest::addColumn<double>("lat1");
        QTest::addColumn<double>("lon1");
        QTest::addColumn<double>("lat2");
        QTest::addColumn<double>("lon2");
        QTest::addColumn<double>("metres");
        QTest::newRow("east") << 48.0 << 11.0 << 48.0 << 11.01 << 744.0392863754693;
        QTest::newRow("south") << 48.0 << 11.0 << 47.99 << 11.0 << 1111.9492664453662;
        QTest::newRow("equator degree") << 0.0 << 0.0 << 0.0 << 1.0 << 111194.92664455874;
        QTest::newRow("same point") << 48.0 << 11.0 << 48.0 << 11.0 << 0.0;
    }
    void haversine()
    {
        QFETCH(double, lat1);
        QFETCH(double, lon1);
        QFETCH(double, lat2);
        QFETCH(double, lon2);
        QFETCH(double, metres);
        QVERIFY(qAbs(GeoMath::haversineMetres(GeoPoint::latLon(lat1, lon1), GeoPoint::latLon(lat2, lon2)) - metres) < 1e-6);
    }

    // A turned map: lon = 11 + 1e-5 x - 1e-5 y, lat = 48 + 5e-6 x - 2e-5 y.
    void threePinTransform()
    {
        const QString path = makeImage("turned", 201, 101);
        GMMain window(path);
        window.resize(900, 600);
        window.show();
        QSignalSpy calc(&window, &GMMain::calculation);
        GMLeftbar *bar = window.leftbar();
        QCOMPARE(bar->getName(), QString("turned"));
        QCOMPARE(bar->getSource(), QString("Custom"));
        QVERIFY(!bar->saveButton()->isEnabled());
        window.map()->pin(1)->setImagePosition(20, 10);
        window.map()->pin(2)->setImagePosition(180, 10);
        window.map()->pin(3)->setImagePosition(20, 90);
        setPin(bar, 1, 11.0001, 47.9999);
        // Coordinates still on one line (the rest are 0): no map.
        QCOMPARE(calc.last().at(0).toBool(), false);
        QVERIFY(!bar->saveButton()->isEnabled());
        QCOMPARE(bar->areaWidthLabel()->text(), QString("-"));
        setPin(bar, 2, 11.0017, 48.0007);
        setPin(bar, 3, 10.9993, 47.9983);
        QCOMPARE(calc.last().at(0).toBool(), true);
        QVERIFY(bar->saveButton()->isEnabled());

        const QTransform t = window.pixelToGeo();
        auto near = [](QPointF a, QPointF b) { return qAbs(a.x() - b.x()) < 1e-9 && qAbs(a.y() - b.y()) < 1e-9; };
        QVERIFY(near(t.map(QPointF(20, 10)), {11.0001, 47.9999}));
        QVERIFY(near(t.map(QPointF(0, 0)), {11.0, 48.0}));
        QVERIFY(near(t.map(QPointF(201, 0)), {11.00201, 48.001005}));
        // Odd size: the centre is pixel (100, 50).
        QVERIFY(qAbs(bar->middleLongitudeLabel()->text().toDouble() - 11.0005) < 1e-9);
        QVERIFY(qAbs(bar->middleLatitudeLabel()->text().toDouble() - 47.9995) < 1e-9);
        const double width = GeoMath::haversineMetres(GeoPoint::latLon(48.0, 11.0), GeoPoint::latLon(48.001005, 11.00201));
        const double height = GeoMath::haversineMetres(GeoPoint::latLon(48.0, 11.0), GeoPoint::latLon(48.0 - 0.00202, 11.0 - 0.00101));
        QCOMPARE(bar->areaWidthLabel()->text(), QString::number(width, 'g', 6) + "m");
        QCOMPARE(bar->areaHeightLabel()->text(), QString::number(height, 'g', 6) + "m");

        // Three pins on one line: no transform, no saving.
        window.map()->pin(3)->setImagePosition(100, 10);
        window.calcTransMatrix();
        QCOMPARE(calc.last().at(0).toBool(), false);
        QVERIFY(!bar->saveButton()->isEnabled());
        QCOMPARE(bar->middleLatitudeLabel()->text(), QString("-"));
        window.map()->pin(3)->setImagePosition(20, 90);
        window.calcTransMatrix();
        QVERIFY(bar->saveButton()->isEnabled());
    }

    void sidecar_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("used");
        QTest::newRow("corners") << QByteArray("[Top_Left]\nLatitude=48.2\nLongitude=11.5\n"
                                               "[Bottom_Right]\nLatitude=48.1\nLongitude=11.7\n")
                                 << true;
        QTest::newRow("crlf") << QByteArray("[Top_Left]\r\nLatitude=48.2\r\nLongitude=11.5\r\n"
                                            "[Bottom_Right]\r\nLatitude=48.1\r\nLongitude=11.7\r\n")
                              << true;
        QTest::newRow("other first line")
            << QByteArray("[Corners]\nLatitude=48.2\nLongitude=11.5\n[B]\nLatitude=48.1\nLongitude=11.7\n")
            << false;
        QTest::newRow("cut short") << QByteArray("[Top_Left]\nLatitude=48.2\nLongitude=11.5\n")
                                   << false;
        QTest::newRow("no numbers")
            << QByteArray("[Top_Left]\nLatitude=north\nLongitude=11.5\n[B]\nLatitude=48.1\nLongitude=11.7\n")
            << false;
        QTest::newRow("nan latitude")
            << QByteArray("[Top_Left]\nLatitude=nan\nLongitude=11.5\n[B]\nLatitude=48.1\nLongitude=11.7\n")
            << false;
        QTest::newRow("inf longitude")
            << QByteArray("[Top_Left]\nLatitude=48.2\nLongitude=11.5\n[B]\nLatitude=48.1\nLongitude=-inf\n")
            << false;
        QTest::newRow("inf latitude")
            << QByteArray("[Top_Left]\nLatitude=48.2\nLongitude=11.5\n[B]\nLatitude=inf\nLongitude=11.7\n")
            << false;
    }
    void sidecar()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, used);
        const QString path = makeImage(QString("scan %1").arg(QTest::currentDataTag()).replace(' ', '_'),
                                       400, 300, ini);
        GMMain window(path);
        GMLeftbar *bar = window.leftbar();
        if (!used) {
            QCOMPARE(bar->pinGeo1(), QPointF(0, 0));
            QCOMPARE(window.map()->pin1Position(), QPointF(100, 100));
            QVERIFY(!window.hasTransform());
            QVERIFY(!bar->saveButton()->isEnabled());
            return;
        }
        QCOMPARE(bar->pinGeo1(), QPointF(11.5, 48.2));
        QCOMPARE(bar->pinGeo2(), QPointF(11.7, 48.1));
        QCOMPARE(bar->pinGeo3(), QPointF(11.5, 48.1));
        QCOMPARE(window.map()->pin1Position(), QPointF(0, 0));
        QCOMPARE(window.map()->pin2Position(), QPointF(400, 300));
        QCOMPARE(window.map()->pin3Position(), QPointF(0, 300));
        QVERIFY(window.hasTransform());
        QVERIFY(bar->saveButton()->isEnabled());
        // North up: top-right is (lon2, lat1); even size: centre is the mean.
        const QPointF tr = window.pixelToGeo().map(QPointF(400, 0));
        QVERIFY(qAbs(tr.x() - 11.7) < 1e-9 && qAbs(tr.y() - 48.2) < 1e-9);
        QVERIFY(qAbs(bar->middleLongitudeLabel()->text().toDouble() - 11.6) < 1e-9);
        QVERIFY(qAbs(bar->middleLatitudeLabel()->text().toDouble() - 48.15) < 1e-9);
    }

    void storeMap()
    {
        const QByteArray ini = "[Top_Left]\nLatitude=48.2\nLongitude=11.5\n[BR]\nLatitude=48.1\nLongitude=11.7\n";
        const QString path = makeImage("Quarry", 400, 300, ini);
        Data *data = Data::instance();
        const int indexed = data->mapIndexCount();
        KorvelTest::PromptScript prompts;
        GMMain window(path);
        QSignalSpy finished(&window, &GMMain::gmfinished);
        GMLeftbar *bar = window.leftbar();

        bar->setName(QString());
        QVERIFY(bar->saveButton()->isEnabled());
        bar->saveButton()->click();
        QCOMPARE(prompts.requests().size(), 1);
        QCOMPARE(prompts.requests()[0].title, QString("No name given"));
        QCOMPARE(prompts.requests()[0].text,
                 QString("Please enter a name for your map to store it in your database."));

        bar->setName("bad|name");  // as a file name could give it
        bar->saveButton()->click();
        QCOMPARE(prompts.requests()[1].title, QString("Invalid name"));

        bar->setName("Quarry");
        QString failure;
        {
            BrokenMapFolder broken;
            failure = broken.failure("Quarry");
            bar->saveButton()->click();
        }
        QCOMPARE(prompts.requests()[2].title, QString("Map not saved"));
        QCOMPARE(prompts.requests()[2].text, failure);
        QCOMPARE(prompts.requests()[2].iconPath, QString(":/icons/80/error"));
        QCOMPARE(finished.count(), 0);

        bar->sourceEdit()->setText("Survey 2019");
        bar->saveButton()->click();
        QCOMPARE(prompts.requests().size(), 3);
        QCOMPARE(finished.count(), 1);
        const QString target = data->orthoMapPath() + QDir::separator() + "Quarry.jpg";
        QCOMPARE(finished[0][0].toString(), target);
        QCOMPARE(finished[0][1].value<GMMain *>(), &window);
        QCOMPARE(QImage(target).size(), QSize(400, 300));
        const QStringList f = MapDescription::parse(MapDescription::readText(target)).fields();
        QCOMPARE(f.mid(0, 12), QStringList({"Quarry", "Survey 2019", "11.5000000000", "48.2000000000",
                                            "11.7000000000", "48.2000000000", "11.5000000000",
                                            "48.1000000000", "11.7000000000", "48.1000000000",
                                            "11.6000000000", "48.1500000000"}));
        // Sizes: haversine, 5 decimals.
        QCOMPARE(f[12].section('.', 1).size(), 5);
        QVERIFY(qAbs(f[12].toDouble() - GeoMath::haversineMetres(GeoPoint::latLon(48.2, 11.5), GeoPoint::latLon(48.2, 11.7))) < 1e-4);
        QVERIFY(qAbs(f[13].toDouble() - 11119.49266) < 1e-4);
        // The index is the caller's business.
        QCOMPARE(data->mapIndexCount(), indexed);

        bar->saveButton()->click();
        QCOMPARE(prompts.requests()[3].title, QString("Location name already exists"));
        QCOMPARE(prompts.requests()[3].text,
                 QString("The location name, you entered, already exists. Please choose another "
                         "one.<br><br>Hint: You can delete maps or change its name in the "
                         "database (on <i>Window</i>-><i>Database</i>)"));
        QCOMPARE(finished.count(), 1);
    }

    void unreadableImage()
    {
        KorvelTest::PromptScript prompts;
        GMMain window(KorvelTest::home()->path() + "/missing.jpg");
        QVERIFY(!window.isValid());
        QCOMPARE(prompts.requests().size(), 1);
        QCOMPARE(prompts.requests()[0].title, QString("Can't load file"));
        window.resize(600, 400);
        window.show();
        window.map()->zoomOut();
        window.calcTransMatrix();
        QVERIFY(!window.hasTransform());
        QVERIFY(!window.leftbar()->saveButton()->isEnabled());
    }

    void canvasZoom()
    {
        GMMap map(makeImage("zoom", 400, 300));
        map.resize(300, 200);
        map.show();
        QVERIFY(QTest::qWaitForWindowExposed(&map));
        QCOMPARE(map.minimumZoom(), 0.75);
        QCOMPARE(map.zoom(), 1.0);
        map.zoomOut();
        map.zoomOut();
        QVERIFY(qAbs(map.zoom() - 0.81) < 1e-12);
        map.zoomOut();  // 0.729 would leave the view uncovered
        QVERIFY(qAbs(map.zoom() - 0.81) < 1e-12);
        QVERIFY(qAbs(map.transform().m11() - 0.81) < 1e-12);
        for (int i = 0; i < 30; ++i)
            map.zoomIn();
        QVERIFY(map.zoom() > 10);
        for (int i = 0; i < 40; ++i)
            map.zoomOut();
        QVERIFY(qAbs(map.zoom() - 0.81) < 0.1 && map.zoom() >= 0.75);

        // Wheel: forward zooms in, backward out.
        const double before = map.zoom();
        QWheelEvent up(QPointF(50, 50), map.mapToGlobal(QPoint(50, 50)), QPoint(), QPoint(0, 120),
                       Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(map.viewport(), &up);
        QVERIFY(qAbs(map.zoom() - before * 1.1) < 1e-12);

        // Growing the view zooms in so the image still covers it; shrinking does not zoom out.
        map.resize(800, 600);
        QTRY_COMPARE_WITH_TIMEOUT(map.minimumZoom(), 2.0, KorvelTest::kWaitMs);
        QCOMPARE(map.zoom(), 2.0);
        QCOMPARE(map.transform().m11(), 2.0);
        map.resize(300, 200);
        QTRY_COMPARE_WITH_TIMEOUT(map.minimumZoom(), 0.75, KorvelTest::kWaitMs);
        QCOMPARE(map.zoom(), 2.0);
        // A pin keeps its size on screen at every zoom.
        GMPoint *pin = map.pin(1);
        const QRect onScreen = map.mapFromScene(pin->mapToScene(pin->boundingRect())).boundingRect();
        QVERIFY(qAbs(onScreen.width() - 44) <= 1);
    }

    void canvasPins()
    {
        GMMap map(makeImage("pins", 400, 300));
        map.resize(400, 300);
        map.show();
        QVERIFY(QTest::qWaitForWindowExposed(&map));
        QSignalSpy recalc(&map, &GMMap::recalculate);
        GMPoint *pin = map.pin(1);
        QCOMPARE(pin->imagePosition(), QPointF(100, 100));
        QCOMPARE(pin->zValue(), 10.0);
        QSignalSpy pressed(pin, &GMPoint::wppressed);

        // Drag far beyond the top-left corner: the pin stays on the corner,
        // turned so that its body is on the image.
        QWidget *vp = map.viewport();
        const QPoint start = onPin(&map, pin);
        send(vp, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, start);
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(pressed[0][0].toInt(), 1);
        send(vp, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, start + QPoint(-500, -500));
        QCOMPARE(recalc.count(), 0);
        send(vp, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, start + QPoint(-500, -500));
        QCOMPARE(recalc.count(), 1);
        QCOMPARE(pin->imagePosition(), QPointF(0, 0));
        QCOMPARE(pin->bodyRotation(), 135.0);
        // The tip still marks the corner: body offset (14, 7) screen pixels.
        QCOMPARE(pin->pos(), QPointF(-14, -7));

        // Beyond the bottom-right corner: clamped to the image's size.
        map.pin(2)->setImagePosition(5000, 5000);
        QCOMPARE(map.pin2Position(), QPointF(400, 300));
        QCOMPARE(map.pin(2)->bodyRotation(), -45.0);
        map.pin(3)->setImagePosition(200, -3);
        QCOMPARE(map.pin3Position(), QPointF(200, 0));
        QCOMPARE(map.pin(3)->bodyRotation(), 180.0);
        map.pin(3)->setImagePosition(200, 150);
        QCOMPARE(map.pin(3)->bodyRotation(), 0.0);

        // A right-button press on a pin pans and moves no pin, but its
        // release still recalculates.
        const QPoint at = onPin(&map, map.pin(3));
        send(vp, QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, at);
        send(vp, QEvent::MouseMove, Qt::NoButton, Qt::RightButton, at + QPoint(30, 30));
        send(vp, QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton, at + QPoint(30, 30));
        QCOMPARE(map.pin3Position(), QPointF(200, 150));
        QCOMPARE(recalc.count(), 2);

        map.placePinsAtCorners();
        QCOMPARE(map.pin1Position(), QPointF(0, 0));
        QCOMPARE(map.pin2Position(), QPointF(400, 300));
        QCOMPARE(map.pin3Position(), QPointF(0, 300));
        QCOMPARE(map.pin(3)->bodyRotation(), 45.0);
    }
};

KORVEL_TEST_MAIN(TestGeoRef)
#include "test_georef.moc"
