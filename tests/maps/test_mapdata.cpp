// MapData: loading a stored map, the two affine transforms, scale, north
// angle, border colour and the geographic helpers.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtMath>
#include <QtTest>

#include "core/geo.h"
#include "maps/mapdata.h"
#include "core/mapdescription.h"
#include "support/maprecord.h"
#include "support/testkit.h"

namespace {

struct Geo {
    double lon[4], lat[4], cLon, cLat;  // corners TL, TR, BL, BR
};

// Corners of a w x h image whose east axis is turned theta degrees clockwise
// from the image's x axis (north theta degrees clockwise from up).
Geo rotatedCorners(int w, int h, double thetaDeg, double cLon, double cLat)
{
    const double t = qDegreesToRadians(thetaDeg);
    const double kLon = 1e-5, kLat = 0.7e-5;  // degrees per pixel-ish unit
    const double px[4] = {double(-(w / 2)), double(w / 2), double(-(w / 2)), double(w / 2)};
    const double py[4] = {double(-(h / 2)), double(-(h / 2)), double(h / 2), double(h / 2)};
    Geo g;
    for (int i = 0; i < 4; ++i) {
        const double east = px[i] * std::cos(t) + py[i] * std::sin(t);
        const double north = px[i] * std::sin(t) - py[i] * std::cos(t);
        g.lon[i] = cLon + east * kLon;
        g.lat[i] = cLat + north * kLat;
    }
    g.cLon = cLon;
    g.cLat = cLat;
    return g;
}

QList<double> values(const Geo &g, double wm = 500, double hm = 400)
{
    return {g.lon[0], g.lat[0], g.lon[1], g.lat[1], g.lon[2], g.lat[2],
            g.lon[3], g.lat[3], g.cLon,   g.cLat,   wm,       hm};
}

QString storeMap(const QString &path, int w, int h, const QString &record,
                 QColor border = Qt::darkGreen)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(border);
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x)
            img.setPixel(x, y, qRgb(255, 255, 255));
    // PNG keeps the border colour exact.
    if (!MapDescription::writeImage(path, img, record))
        return QString();
    return path;
}

QString northUpRecord()
{
    Geo g{{11.0, 11.01, 11.0, 11.01}, {48.008, 48.008, 48.0, 48.0}, 11.005, 48.004};
    return KorvelTest::mapRecord("Flat", "OpenStreetMap", values(g)).text();
}

}  // namespace

class TestMapData : public QObject {
    Q_OBJECT
private slots:
    void northUpMap()
    {
        QTemporaryDir dir;
        const QString path = storeMap(dir.filePath("Flat.png"), 1000, 800, northUpRecord());
        MapData map;
        QSignalSpy loaded(&map, &MapData::mapLoaded);
        QVERIFY(map.loadMapImage(path));
        QCOMPARE(loaded.count(), 1);
        QCOMPARE(map.mapPath(), path);
        QCOMPARE(map.imageSize(), QSize(1000, 800));
        const QPointF tl = map.geoToPixel(11.0, 48.008);
        const QPointF br = map.geoToPixel(11.01, 48.0);
        QVERIFY(qAbs(tl.x()) < 1e-6 && qAbs(tl.y()) < 1e-6);
        QVERIFY(qAbs(br.x() - 1000) < 1e-6 && qAbs(br.y() - 800) < 1e-6);
        QVERIFY(qAbs(map.northAngle()) < 1e-9);
        QCOMPARE(map.property("northAngle").toDouble(), map.northAngle());
        QCOMPARE(map.property("map").value<QImage>().size(), QSize(1000, 800));

        // Mean of the four ratios pixel distance / quick distance from top-left.
        auto ratio = [](double px, double py, double lat2, double lon2) {
            return std::hypot(px, py) / GeoMath::flatMetres(GeoPoint::latLon(48.008, 11.0), GeoPoint::latLon(lat2, lon2));
        };
        const double ppm = (ratio(1000, 0, 48.008, 11.01) + ratio(1000, 800, 48.0, 11.01) +
                            ratio(500, 400, 48.004, 11.005) + ratio(0, 800, 48.0, 11.0)) / 4;
        QVERIFY(qAbs(map.pixelsPerMeter() - ppm) < 1e-9);
    }

    void rotatedMapRoundTrip()
    {
        QTemporaryDir dir;
        const Geo g = rotatedCorners(1201, 801, 30, 11.5, 48.1);
        const QString path = storeMap(dir.filePath("Rot.png"), 1201, 801,
                                      KorvelTest::mapRecord("Rot", "x", values(g)).text());
        MapData map;
        QVERIFY(map.loadMapImage(path));
        QVERIFY(qAbs(map.northAngle() - 30) < 1e-6);
        // Odd sizes: the corners lie w/2 from the centre, so the right edge
        // maps to w - 1. (The record keeps 10 decimals: 1e-4 px here.)
        const QPointF tr = map.geoToPixel(g.lon[1], g.lat[1]);
        QVERIFY(qAbs(tr.x() - 1200) < 1e-4 && qAbs(tr.y()) < 1e-4);
        const QPointF bl = map.geoToPixel(g.lon[2], g.lat[2]);
        QVERIFY(qAbs(bl.x()) < 1e-4 && qAbs(bl.y() - 800) < 1e-4);
        for (const QPointF p : {QPointF(0, 0), QPointF(600.5, 400.25), QPointF(1200, 800),
                                QPointF(-300, 2000), QPointF(17.125, 799)}) {
            const QPointF geo = map.pixelToGeo(p.x(), p.y());
            const QPointF back = map.geoToPixel(geo.x(), geo.y());
            QVERIFY2(qAbs(back.x() - p.x()) < 1e-6 && qAbs(back.y() - p.y()) < 1e-6,
                     qPrintable(QString("%1,%2").arg(back.x()).arg(back.y())));
        }
        const QPointF centre = map.pixelToGeo(600, 400);
        QVERIFY(qAbs(centre.x() - 11.5) < 1e-9 && qAbs(centre.y() - 48.1) < 1e-9);
        QCOMPARE(map.geoCorner(MapData::TopRight).x(), QString::number(g.lon[1], 'f', 10).toDouble());
    }

    void containsGeoFollowsTheQuadrilateral()
    {
        QTemporaryDir dir;
        const Geo g = rotatedCorners(1000, 800, 30, 11.5, 48.1);
        MapData map;
        QVERIFY(map.loadMapImage(storeMap(dir.filePath("Rot.png"), 1000, 800,
                                          KorvelTest::mapRecord("Rot", "x", values(g)).text())));
        QVERIFY(map.containsGeo(11.5, 48.1));
        // Just inside and just outside the top-left corner, along the diagonal.
        auto toward = [&](int corner, double f) {
            return QPointF(11.5 + (g.lon[corner] - 11.5) * f, 48.1 + (g.lat[corner] - 48.1) * f);
        };
        for (int c = 0; c < 4; ++c) {
            QVERIFY(map.containsGeo(toward(c, 0.99).x(), toward(c, 0.99).y()));
            QVERIFY(!map.containsGeo(toward(c, 1.01).x(), toward(c, 1.01).y()));
        }
        // Inside the bounding box of the corners, outside the turned map.
        double minLon = 1e9, maxLat = -1e9;
        for (int i = 0; i < 4; ++i)
            minLon = qMin(minLon, g.lon[i]), maxLat = qMax(maxLat, g.lat[i]);
        QVERIFY(!map.containsGeo(minLon + 1e-5, maxLat - 1e-5));
        QCOMPARE(map.geoPolygon().size(), 4);
        const QPointF br = map.geoPolygon().at(2);  // order TL, TR, BR, BL
        QVERIFY(qAbs(br.x() - g.lon[3]) < 1e-9 && qAbs(br.y() - g.lat[3]) < 1e-9);
    }

    void bottomLeftOnlyChangesTheScale()
    {
        QTemporaryDir dir;
        Geo g = rotatedCorners(1000, 800, 10, 11.5, 48.1);
        MapData a, b;
        QVERIFY(a.loadMapImage(storeMap(dir.filePath("A.png"), 1000, 800,
                                        KorvelTest::mapRecord("A", "x", values(g)).text())));
        g.lon[2] += 0.001;
        g.lat[2] -= 0.001;
        QVERIFY(b.loadMapImage(storeMap(dir.filePath("B.png"), 1000, 800,
                                        KorvelTest::mapRecord("B", "x", values(g)).text())));
        QCOMPARE(a.geoToPixel(11.51, 48.09), b.geoToPixel(11.51, 48.09));
        QCOMPARE(a.pixelToGeo(10, 700), b.pixelToGeo(10, 700));
        QVERIFY(a.pixelsPerMeter() != b.pixelsPerMeter());
    }

    void commaRecordLoadsTheSame()
    {
        QTemporaryDir dir;
        const QString rec = northUpRecord();
        QString comma = rec;
        comma.replace('|', ',');
        MapData a, b;
        QVERIFY(a.loadMapImage(storeMap(dir.filePath("A.png"), 100, 80, rec)));
        QVERIFY(b.loadMapImage(storeMap(dir.filePath("B.png"), 100, 80, comma)));
        QCOMPARE(a.geoToPixel(11.003, 48.002), b.geoToPixel(11.003, 48.002));
        QCOMPARE(a.pixelsPerMeter(), b.pixelsPerMeter());
    }

    void borderColour()
    {
        QTemporaryDir dir;
        MapData map;
        QVERIFY(map.loadMapImage(
            storeMap(dir.filePath("C.png"), 50, 40, northUpRecord(), QColor(100, 150, 200))));
        // Each channel summed as value/256, then times 255, truncated.
        QCOMPARE(map.backgroundColor(), QColor(99, 149, 199, 255));
    }

    void refusedMaps()
    {
        QTemporaryDir dir;
        MapData map;
        const QString good = storeMap(dir.filePath("Good.png"), 100, 80, northUpRecord());
        QVERIFY(map.loadMapImage(good));
        const QPointF before = map.geoToPixel(11.002, 48.003);
        QSignalSpy loaded(&map, &MapData::mapLoaded);

        QImage plain(10, 10, QImage::Format_RGB32);
        plain.fill(Qt::black);
        QVERIFY(plain.save(dir.filePath("Plain.png")));
        Geo flat{{11, 11.01, 11, 11.01}, {48, 48, 48, 48}, 11.005, 48};  // lat0 == lat3
        Geo point{{11, 11, 11, 11}, {48, 48.1, 48, 48.1}, 11, 48};      // no width
        const QStringList bad{
            dir.filePath("missing.png"),
            dir.filePath("Plain.png"),
            storeMap(dir.filePath("Short.png"), 30, 20, "a|b|1|2|3|4|5|6|7|8|9|10|11"),
            storeMap(dir.filePath("Flat.png"), 30, 20,
                     KorvelTest::mapRecord("F", "x", values(flat)).text()),
            storeMap(dir.filePath("Point.png"), 30, 20,
                     KorvelTest::mapRecord("P", "x", values(point)).text()),
        };
        for (const QString &path : bad) {
            QVERIFY2(!map.loadMapImage(path), qPrintable(path));
            QCOMPARE(map.mapPath(), path);
            // The previous map stays usable.
            QCOMPARE(map.imageSize(), QSize(100, 80));
            QCOMPARE(map.geoToPixel(11.002, 48.003), before);
        }
        QCOMPARE(loaded.count(), 0);
    }

    // Odd records: numbers in other notations load like the written ones;
    // the refusals and their messages stay as they were.
    void oddRecords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("refusal");  // empty: loads like the north-up map
        const QString fields = northUpRecord().section('|', 2);
        QTest::newRow("written") << northUpRecord() << QString();
        QTest::newRow("exponents")
            << "E|x|1.1e1|4.8008e1|1.101E1|48.008|1.1e+01|4.8e1|11.01|48.0|0|0|0|0" << QString();
        QTest::newRow("commas, one extra") << QString("C,x," + fields + ",extra").replace('|', ',')
                                           << QString();
        QTest::newRow("one extra") << "X|x|" + fields + "|extra" << "has only 1 fields";
        QTest::newRow("one missing") << "M|x|" + fields.section('|', 1) << "has only 1 fields";
        QTest::newRow("nan corner") << "N|x|nan|" + fields.section('|', 1)
                                    << "give no usable transform";
        QTest::newRow("infinite corner") << "I|x|" + fields.section('|', 0, 5) + "|inf|" +
                                                fields.section('|', 7)
                                         << "give no usable transform";
    }
    void oddRecords()
    {
        QFETCH(QString, text);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString path = storeMap(dir.filePath("Odd.png"), 1000, 800, text);
        MapData map;
        if (!refusal.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^\\[MapData\\] .*Odd\\.png.* " +
                                                                  QRegularExpression::escape(refusal) +
                                                                  "$"));
            QVERIFY(!map.loadMapImage(path));
            return;
        }
        QVERIFY(map.loadMapImage(path));
        const QPointF br = map.geoToPixel(11.01, 48.0);
        QVERIFY(qAbs(br.x() - 1000) < 1e-6 && qAbs(br.y() - 800) < 1e-6);
    }

    void quickDistance()
    {
        QCOMPARE(GeoMath::flatMetres(GeoPoint::latLon(48, 11), GeoPoint::latLon(48, 12)), 1000 * 111.3 * std::cos(48 * 0.01745));
        QVERIFY(qAbs(GeoMath::flatMetres(GeoPoint::latLon(48, 11), GeoPoint::latLon(48, 12)) - 74487.3) < 0.1);
        QCOMPARE(GeoMath::flatMetres(GeoPoint::latLon(0, 0), GeoPoint::latLon(1, 0)), 111300.0);
        QCOMPARE(GeoMath::flatMetres(GeoPoint::latLon(10, 20), GeoPoint::latLon(10, 20)), 0.0);
    }
};

KORVEL_TEST_MAIN(TestMapData)
#include "test_mapdata.moc"
