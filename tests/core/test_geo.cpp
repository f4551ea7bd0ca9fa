// Distances and bearings between points on the earth.
#include <QtTest>

#include <cmath>

#include "core/geo.h"
#include "support/testkit.h"

class TestGeo : public QObject {
    Q_OBJECT

private slots:
    void pointsKeepLatitudeAndLongitudeApart()
    {
        const GeoPoint p = GeoPoint::latLon(48.2, 11.5);
        QCOMPARE(p.lat(), 48.2);
        QCOMPARE(p.lon(), 11.5);
        QVERIFY(GeoPoint::lonLat(11.5, 48.2) == p);
        QVERIFY(GeoPoint::lonLat(48.2, 11.5) != p);
    }

    void greatCircle_data()
    {
        QTest::addColumn<double>("lat1");
        QTest::addColumn<double>("lon1");
        QTest::addColumn<double>("lat2");
        QTest::addColumn<double>("lon2");
        QTest::addColumn<double>("metres");
        QTest::addColumn<double>("bearing");  // negative: not defined
        QTest::newRow("equator degree") << 0.0 << 0.0 << 0.0 << 1.0 << 111194.92664455874 << 90.0;
        QTest::newRow("north") << 0.0 << 0.0 << 1.0 << 0.0 << 111194.92664455874 << 0.0;
        QTest::newRow("south") << 0.0 << 0.0 << -1.0 << 0.0 << 111194.92664455874 << 180.0;
        QTest::newRow("west") << 0.0 << 0.0 << 0.0 << -1.0 << 111194.92664455874 << 270.0;
        QTest::newRow("short hop east") << 48.0 << 11.0 << 48.0 << 11.01 << 744.0392863754583
                                        << 89.99628427586988;
        QTest::newRow("north-east") << 48.0 << 11.0 << 49.0 << 12.0 << 133387.81428054252
                                    << 33.15576145838139;
        QTest::newRow("London to Paris") << 51.5074 << -0.1278 << 48.8566 << 2.3522 << 343556.0603410417
                                         << 148.11561687105336;
        QTest::newRow("Sydney to Melbourne") << -33.8568 << 151.2153 << -37.8136 << 144.9631
                                             << 714706.621657389 << 230.22374279626197;
        QTest::newRow("across the date line") << 0.0 << 179.5 << 0.0 << -179.5 << 111194.92664455905
                                              << 90.0;
        QTest::newRow("antipodes") << 0.0 << 0.0 << 0.0 << 180.0 << 20015086.79602057 << -1.0;
        QTest::newRow("pole to pole") << 90.0 << 0.0 << -90.0 << 0.0 << 20015086.79602057 << -1.0;
        QTest::newRow("same point") << 48.0 << 11.0 << 48.0 << 11.0 << 0.0 << 0.0;
    }
    void greatCircle()
    {
        QFETCH(double, lat1);
        QFETCH(double, lon1);
        QFETCH(double, lat2);
        QFETCH(double, lon2);
        QFETCH(double, metres);
        QFETCH(double, bearing);
        const GeoPoint a = GeoPoint::latLon(lat1, lon1), b = GeoPoint::latLon(lat2, lon2);
        const double d = GeoMath::haversineMetres(a, b);
        QVERIFY2(std::abs(d - metres) < 1e-5, qPrintable(QString::number(d, 'g', 17)));
        QVERIFY2(std::abs(GeoMath::haversineMetres(b, a) - metres) < 1e-5, "not symmetric");
        if (bearing >= 0) {
            const double got = GeoMath::bearingDegrees(a, b);
            QVERIFY2(got >= 0 && got < 360, qPrintable(QString::number(got, 'g', 17)));
            QVERIFY2(std::abs(got - bearing) < 1e-9, qPrintable(QString::number(got, 'g', 17)));
        }
    }

    void flatEarth_data()
    {
        QTest::addColumn<double>("lat1");
        QTest::addColumn<double>("lon1");
        QTest::addColumn<double>("lat2");
        QTest::addColumn<double>("lon2");
        QTest::addColumn<double>("east");
        QTest::addColumn<double>("north");
        QTest::newRow("degree north") << 0.0 << 0.0 << 1.0 << 0.0 << 0.0 << 111300.0;
        QTest::newRow("degree south") << 10.0 << 20.0 << 9.0 << 20.0 << 0.0 << -111300.0;
        QTest::newRow("degree east at 48")
            << 48.0 << 11.0 << 48.0 << 12.0 << 111300.0 * std::cos(48 * 0.01745) << 0.0;
        // The mean latitude shortens the degree of longitude.
        QTest::newRow("diagonal west") << 47.0 << 11.0 << 49.0 << 10.0
                                       << -111300.0 * std::cos(48 * 0.01745) << 222600.0;
        QTest::newRow("same point") << 48.0 << 11.0 << 48.0 << 11.0 << 0.0 << 0.0;
    }
    void flatEarth()
    {
        QFETCH(double, lat1);
        QFETCH(double, lon1);
        QFETCH(double, lat2);
        QFETCH(double, lon2);
        QFETCH(double, east);
        QFETCH(double, north);
        const GeoPoint a = GeoPoint::latLon(lat1, lon1), b = GeoPoint::latLon(lat2, lon2);
        const GeoMath::FlatOffset d = GeoMath::flatOffsetMetres(a, b);
        QVERIFY2(std::abs(d.east - east) < 1e-6, qPrintable(QString::number(d.east, 'g', 17)));
        QVERIFY2(std::abs(d.north - north) < 1e-6, qPrintable(QString::number(d.north, 'g', 17)));
        QVERIFY(std::abs(GeoMath::flatMetres(a, b) - std::hypot(east, north)) < 1e-6);
        QCOMPARE(GeoMath::flatMetres(a, b), GeoMath::flatMetres(b, a));
    }

    void flatEarthKeepsTheStoredNumbers()
    {
        // Map sizes and the map index were computed with these exact
        // operations; the same bits must come out.
        const double lat1 = 48.123456, lon1 = 11.654321, lat2 = 48.2, lon2 = 11.5;
        const GeoMath::FlatOffset d =
            GeoMath::flatOffsetMetres(GeoPoint::latLon(lat1, lon1), GeoPoint::latLon(lat2, lon2));
        QVERIFY(d.north == (lat2 - lat1) * 111300.0);
        QVERIFY(d.east == std::cos((lat1 + lat2) * 0.5 * 0.01745) * 111300.0 * (lon2 - lon1));
        QVERIFY(GeoMath::flatMetres(GeoPoint::latLon(lat1, lon1), GeoPoint::latLon(lat2, lon2)) ==
                std::sqrt(d.east * d.east + d.north * d.north));
    }
};

KORVEL_TEST_MAIN(TestGeo)
#include "test_geo.moc"
