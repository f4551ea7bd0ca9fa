// Flight-plan files keep their exact bytes: plans of every field's corner
// values and a large mixed plan are written and compared with checksums of
// files the program wrote before, so a faster writer cannot drift.
#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>

#include "maps/items/wpwaypoint.h"
#include "maps/wpdata.h"
#include "support/testkit.h"
#include "wpfixture.h"

namespace {

QByteArray sha256Of(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex();
}

// Deterministic values over the whole range of each field.
struct Lcg {
    quint32 state;
    quint32 next() { return state = state * 1664525u + 1013904223u; }
};

Waypoint mixed(Lcg &r)
{
    Waypoint wp;
    wp.active = r.next() & 1;
    wp.triggerCamera = r.next() & 1;
    wp.showCamera = r.next() & 1;
    wp.properties = quint8(r.next() >> 24);
    wp.maxSpeed = quint8(r.next() >> 24);
    wp.time = quint16(r.next() >> 16);
    wp.posAcc = quint16(r.next() >> 16);
    wp.yaw = qint32(r.next());
    wp.height = qint32(r.next());
    wp.noPictures = qint8(r.next() >> 24);
    wp.pitch = quint16(r.next() >> 16);
    wp.v3Speed = float(qint32(r.next())) / 65536.0f;
    wp.desiredAcc = float(r.next() >> 8) / 1000.0f;
    wp.camAngleRoll = qint32(r.next());
    const Waypoint::Type types[] = {Waypoint::Single, Waypoint::Matrix, Waypoint::Trajectory,
                                    Waypoint::Steerwise, Waypoint::Circle, Waypoint::MatrixEnd};
    wp.type = types[r.next() % 6];
    return wp;
}

}  // namespace

class TestZfpBytes : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_map;

    QString plan(const QString &name, const QVector<Waypoint> &waypoints,
                 const QVector<QPointF> &geo)
    {
        WPData data;
        data.loadMapImage(m_map);
        for (int i = 0; i < waypoints.size(); ++i) {
            data.addWaypoint(new WPWaypoint(0, 0, 1.0, i + 1, waypoints[i].type), waypoints[i]);
            data.setWaypointGeo(i + 1, geo[i].x(), geo[i].y());
        }
        const QString path = m_dir.filePath(name);
        data.setFilePath(path);
        if (!data.writeFile())
            return QString();
        return path;
    }

private slots:
    void initTestCase() { m_map = WPFixture::writeMap(m_dir.path()); }

    void sameBytesAsBefore_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("corners");
        QTest::addColumn<QByteArray>("sha256");
        QTest::newRow("empty") << 0 << false << QByteArray("90f85a68b2a38d9ec745aa90f5a5371494ae44f701a2368bd33e4a950a11a0dd");
        QTest::newRow("corner values") << 0 << true << QByteArray("de1bbe64059c9a4a965cb198050f6fc875a99b2288dd7c7d0ce3f05f0b0967e1");
        QTest::newRow("one") << 1 << false << QByteArray("73fb0ed45b1419bd62725851d4e675119e71de7d8584f3e20ee824e693d293c1");
        QTest::newRow("5000 mixed") << 5000 << false << QByteArray("4f557e91fd16f91162ac896798ccd03c6bd5a81b782efbd8549089f3a79ee8d7");
    }

    void sameBytesAsBefore()
    {
        QFETCH(int, count);
        QFETCH(bool, corners);
        QFETCH(QByteArray, sha256);
        QVector<Waypoint> wps;
        QVector<QPointF> geo;
        if (corners) {
            Waypoint low;
            low.active = false;
            low.properties = 0;
            low.maxSpeed = 0;
            low.time = 0;
            low.posAcc = 0;
            low.yaw = std::numeric_limits<qint32>::min();
            low.height = std::numeric_limits<qint32>::min();
            low.noPictures = std::numeric_limits<qint8>::min();
            low.pitch = 0;
            low.v3Speed = -std::numeric_limits<float>::max();
            low.desiredAcc = std::numeric_limits<float>::denorm_min();
            low.camAngleRoll = std::numeric_limits<qint32>::min();
            low.type = Waypoint::Single;
            Waypoint high;
            high.triggerCamera = high.showCamera = true;
            high.properties = high.maxSpeed = 255;
            high.time = high.posAcc = high.pitch = 65535;
            high.yaw = high.height = high.camAngleRoll = std::numeric_limits<qint32>::max();
            high.noPictures = 127;
            high.v3Speed = std::numeric_limits<float>::infinity();
            high.desiredAcc = -0.0f;
            high.type = Waypoint::MatrixEnd;
            wps << low << high;
            geo << QPointF(WPFixture::west, WPFixture::south) << QPointF(WPFixture::east, WPFixture::north);
        }
        Lcg r{42};
        for (int i = 0; i < count; ++i) {
            wps << mixed(r);
            // Drawn one by one: the order of a call's arguments is the
            // compiler's choice, and the checksums were taken latitude first.
            const quint32 lat = r.next();
            const quint32 lon = r.next();
            geo << QPointF(WPFixture::west + (lon >> 8) * 1e-9, WPFixture::south + (lat >> 8) * 1e-9);
        }
        const QString path = plan(QStringLiteral("%1.zfp").arg(QTest::currentDataTag()), wps, geo);
        QVERIFY(!path.isEmpty());
        QFile f(path);
        QCOMPARE(f.size(), qint64(36 + 60 * wps.size()));
        QCOMPARE(sha256Of(path), sha256);
    }

    // A plan written again over itself comes out the same and leaves no
    // temporary file behind.
    void rewriteIsStable()
    {
        Lcg r{7};
        QVector<Waypoint> wps;
        QVector<QPointF> geo;
        for (int i = 0; i < 50; ++i) {
            wps << mixed(r);
            geo << QPointF(WPFixture::west + i * 1e-4, WPFixture::south + i * 1e-4);
        }
        const QString path = plan("again.zfp", wps, geo);
        const QByteArray first = sha256Of(path);
        QCOMPARE(plan("again.zfp", wps, geo), path);
        QCOMPARE(sha256Of(path), first);
        QCOMPARE(QDir(m_dir.path()).entryList({"again*"}, QDir::Files), QStringList{"again.zfp"});
    }
};

KORVEL_TEST_MAIN(TestZfpBytes)
#include "test_zfpbytes.moc"
