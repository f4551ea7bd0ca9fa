// Data's store services: stored maps and their index, cameras, placemarks
// and map pages, on a private home.
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>
#include <memory>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "core/mapdescription.h"
#include "core/placemarks.h"
#include "support/maprecord.h"
#include "support/testkit.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QImage picture()
{
    QImage img(32, 24, QImage::Format_RGB32);
    img.fill(Qt::darkCyan);
    return img;
}

// Map of w x h metres centred at (lon, lat); the corners are not used by
// the index queries.
QList<double> around(double lon, double lat, double w, double h)
{
    return {lon - 0.01, lat + 0.01, lon + 0.01, lat + 0.01, lon - 0.01, lat - 0.01,
            lon + 0.01, lat - 0.01, lon,        lat,        w,          h};
}

// A flight-plan file of the given version with waypoints at pts.
void writePlan(const QString &path, qint32 version, const QList<QPointF> &pts, int cutBytes = 0)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(12);
    out << QString("KorvelWPData") << version << qint32(pts.size());
    for (const QPointF &p : pts) {
        out << p.x() << p.y();
        out.writeRawData(QByteArray(version == 32 ? 32 : 44, '\0').constData(),
                         version == 32 ? 32 : 44);
    }
    bytes.chop(cutBytes);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

class TestDataStores : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        m_data = std::make_unique<Data>();
        QDir().mkpath(m_data->mapPath());
        QDir().mkpath(m_data->waypointPath());
    }

    void savedMapRecordAndIndex()
    {
        Data &d = *m_data;
        QVERIFY(QDir().mkpath(d.mapApiPath() + "/MapBox Satellite"));
        QVERIFY(d.setCurrentMapService("MapBox Satellite"));
        const QList<double> v{11.575002, 48.137171, 11.6, 48.137171, 11.575002, 48.13,
                              11.6,      48.13,     11.5875, 48.1335, 250,     412.5};
        QVERIFY(d.saveMapImage(picture(), KorvelTest::mapRecord("Lake", "", v)));
        const QString jpg = d.orthoMapPath() + "/Lake.jpg";
        const QString record = "Lake|MapBox|11.5750020000|48.1371710000|11.6000000000|48.1371710000|"
                               "11.5750020000|48.1300000000|11.6000000000|48.1300000000|"
                               "11.5875000000|48.1335000000|250.00000|412.50000";
        QCOMPARE(QImage(jpg).text("Description"), record);
        QVERIFY(readAll(jpg).contains("Description: " + record.toUtf8()));

        // An explicit source is kept; the same name twice leaves one JPEG
        // and two index lines.
        QVERIFY(d.saveMapImage(picture(), KorvelTest::mapRecord("Lake", "MapBox Streets", v)));
        QCOMPARE(QImage(jpg).text("Description").section('|', 1, 1), QString("MapBox Streets"));
        const QByteArray index = readAll(d.orthoMapPath() + "/index");
        QCOMPARE(index, record.toUtf8() + "\n" +
                            QString(record).replace("|MapBox|", "|MapBox Streets|").toUtf8() + "\n");
        QCOMPARE(QDir(d.orthoMapPath()).entryList({"*.jpg"}), QStringList{"Lake.jpg"});
        QVERIFY(d.setCurrentMapService("OpenStreetMap"));

        d.updateMapIndex();
        QVERIFY(!QFile::exists(d.orthoMapPath() + "/index"));
        QCOMPARE(d.mapIndexCount(), 1);
        QCOMPARE(d.mapIndexEntry(0).source(), QString("MapBox Streets"));
        QVERIFY(d.mapIndexEntry(d.mapIndexCount()).isEmpty());

        // A JPEG that cannot be written is reported, and not indexed.
        QVERIFY(!d.saveMapImage(picture(), KorvelTest::mapRecord("no/such/folder", "", v)));
        QVERIFY(!QFile::exists(d.orthoMapPath() + "/index"));
        QVERIFY(QFile::remove(jpg));
        d.updateMapIndex();

        // An index file that cannot be written is logged with its reason; the
        // map is stored all the same.
        const QString indexPath = d.orthoMapPath() + "/index";
        QVERIFY(QDir().mkpath(indexPath));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^\\[Data\\] saveMapImage: " +
                                                QRegularExpression::escape(indexPath) + ": .+"));
        QVERIFY(d.saveMapImage(picture(), KorvelTest::mapRecord("Lake", "", v)));
        QVERIFY(QFile::exists(jpg));
        QVERIFY(QDir(indexPath).removeRecursively());
        QVERIFY(QFile::remove(jpg));
        d.updateMapIndex();
    }

    void mapDescriptionSplits()
    {
        Data &d = *m_data;
        const QString dir = d.orthoMapPath();
        QString comma = KorvelTest::mapRecord("C", "x", around(11, 48, 100, 100)).text();
        comma.replace('|', ',');
        QVERIFY(MapDescription::writeImage(dir + "/Comma.jpg", picture(), comma));
        QCOMPARE(d.mapDescription("Comma").fieldCount(), 14);
        QVERIFY(MapDescription::writeImage(dir + "/Short.jpg", picture(), "a|b|1|2|3|4|5|6|7|8|9|10|11"));
        QTest::ignoreMessage(QtDebugMsg, "header wrong!");
        d.mapDescription("Short");
        QTest::ignoreMessage(QtDebugMsg, "header wrong!");
        QCOMPARE(d.mapDescription("Missing").fields(), QStringList{QString()});
        QFile::remove(dir + "/Comma.jpg");
        QFile::remove(dir + "/Short.jpg");
    }

    void mapsOfFlightPlan()
    {
        Data &d = *m_data;
        using KorvelTest::mapRecord;
        QVERIFY(d.saveMapImage(picture(), mapRecord("North", "", around(11, 48, 1000, 1000))));
        QVERIFY(d.saveMapImage(picture(), mapRecord("South", "", around(11, 47, 1000, 1000))));
        QVERIFY(d.saveMapImage(picture(), mapRecord("Wide", "", around(11, 47, 5000, 5000))));
        d.updateMapIndex();
        QCOMPARE(d.mapIndexCount(), 3);
        QCOMPARE(d.placeNameAt(11.001, 47.001), QString("South"));

        const QString plans = d.waypointPath();
        writePlan(plans + "/one.zfp", 192, {{11.001, 48.001}, {11.002, 48.0}, {10.999, 47.999}});
        QCOMPARE(d.mapsOfFlightPlan("one"), QStringList{"North"});
        writePlan(plans + "/two.zfp", 32, {{11.0, 47.0}, {11.001, 48.001}, {11.0, 47.01}});
        QStringList two = d.mapsOfFlightPlan("two");
        QCOMPARE(two.size(), 3);
        QCOMPARE(two.last(), QString("North"));
        two.removeLast();
        two.sort();
        QCOMPARE(two, QStringList({"South", "Wide"}));
        writePlan(plans + "/v33.zfp", 33, {{11.0, 48.0}});
        QVERIFY(d.mapsOfFlightPlan("v33").isEmpty());
        writePlan(plans + "/empty.zfp", 192, {});
        QVERIFY(d.mapsOfFlightPlan("empty").isEmpty());
        QVERIFY(d.mapsOfFlightPlan("missing").isEmpty());
        // The second record is cut short: the first still counts.
        writePlan(plans + "/cut.zfp", 192, {{11.0, 48.0}, {11.0, 47.0}}, 10);
        QCOMPARE(d.mapsOfFlightPlan("cut"), QStringList{"North"});
    }

    void updateMapNameKeepsTheFile()
    {
        Data &d = *m_data;
        const QString dir = d.orthoMapPath();
        QVERIFY(MapDescription::writeImage(dir + "/Renamed.JPG", picture(),
                                           KorvelTest::mapRecord("Old", "x", around(1, 2, 3, 4))));
        d.updateMapName("Old", "Renamed");
        QCOMPARE(QImage(dir + "/Renamed.JPG", "JPG").text("Description").section('|', 0, 0),
                 QString("Renamed"));
        QVERIFY(!QFile::exists(dir + "/Renamed.jpg"));
        QFile::remove(dir + "/Renamed.JPG");

        QTest::ignoreMessage(QtDebugMsg,
                             qPrintable(QString("updateMapName ERROR:  \"%1/Gone\"  not found").arg(dir)));
        QVERIFY(d.updateMapName("Old", "Gone"));
        QVERIFY(!QFile::exists(dir + "/Gone.jpg"));

        // A full disk: the file stays as it was and the failure is said.
        QVERIFY(MapDescription::writeImage(dir + "/Full.jpg", picture(),
                                           KorvelTest::mapRecord("Old", "x", around(1, 2, 3, 4))));
        const QByteArray before = readAll(dir + "/Full.jpg");
        QString error;
        {
            KorvelTest::DiskLimit full(100);
            QVERIFY(!d.updateMapName("Old", "Full", &error));
        }
        QCOMPARE(error, AtomicFile::describe(dir + "/Full.jpg", QString::fromLocal8Bit(strerror(EFBIG))));
        QCOMPARE(readAll(dir + "/Full.jpg"), before);
        QFile::remove(dir + "/Full.jpg");
    }

    // A rename changes the name field alone, whatever the other fields
    // hold; a record without exactly 14 "|" fields is left as it is.
    void updateMapNameKeepsTheRecord_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("after");
        const QString rest = "|x|1.1e1|+48| 11.5 |nan|0x10||-0|1,5|11.5875000000|48.1335000000|"
                             "412.50000|250.00000";
        QTest::newRow("odd numbers") << "Old" + rest << "Renamed" + rest;
        using KorvelTest::mapRecord;
        QTest::newRow("written") << mapRecord("Old", "x", around(1, 2, 3, 4)).text()
                                 << mapRecord("Renamed", "x", around(1, 2, 3, 4)).text();
        QTest::newRow("extra field") << "Old" + rest + "|extra" << "Old" + rest + "|extra";
        QTest::newRow("missing field") << "Old|x|1|2|3|4|5|6|7|8|9|10|11"
                                       << "Old|x|1|2|3|4|5|6|7|8|9|10|11";
        QTest::newRow("commas") << "Old,x,1,2,3,4,5,6,7,8,9,10,11,12"
                                << "Old,x,1,2,3,4,5,6,7,8,9,10,11,12";
    }
    void updateMapNameKeepsTheRecord()
    {
        QFETCH(QString, text);
        Data &d = *m_data;
        const QString path = d.orthoMapPath() + "/Renamed.jpg";
        QVERIFY(MapDescription::writeImage(path, picture(), text));
        d.updateMapName("Old", "Renamed");
        QTEST(QImage(path).text("Description"), "after");
        QFile::remove(path);
    }

    void cameras()
    {
        Data &d = *m_data;
        // A first start takes the first built-in camera.
        QCOMPARE(d.templateCameraNames().size(), 16);
        QCOMPARE(d.cameraNames(), QStringList{"Sony RX1-RII"});
        QCOMPARE(d.currentCamera().name, QString("Sony RX1-RII"));
        QCOMPARE(d.currentCamera().imageSize, QSize(7952, 5304));

        bool found = true;
        const Camera a7 = d.templateCamera("Sony Alpha 7R", &found);
        QVERIFY(found);
        QVERIFY(d.addCamera(a7));
        QVERIFY(!d.addCamera(a7));
        QVERIFY(readAll(d.cameraStorePath()).startsWith(QByteArray("\0\0\0\x08\0V\0001\0.\0000\0\0\0\x02", 16)));
        d.camera("Nope", &found);
        QVERIFY(!found);
        QVERIFY(d.camera("Nope").name.isEmpty());

        QSignalSpy changed(&d, &Data::currentCameraChanged);
        QVERIFY(!d.setCurrentCamera("Nope"));
        QCOMPARE(changed.count(), 0);
        QVERIFY(d.setCurrentCamera("Sony Alpha 7R"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().first().toString(), QString("Sony Alpha 7R"));
        QCOMPARE(d.settings()->value("currentCamera").toString(), QString("Sony Alpha 7R"));
        QCOMPARE(d.currentCamera().processTime, 1500);

        {
            Data restarted;
            QCOMPARE(restarted.cameraNames(), QStringList({"Sony RX1-RII", "Sony Alpha 7R"}));
            QCOMPARE(restarted.currentCamera().name, QString("Sony Alpha 7R"));
        }
        // Removed cameras stay removed; the current one falls back to the first.
        QVERIFY(d.removeCamera("Sony Alpha 7R"));
        QVERIFY(!d.removeCamera("Sony Alpha 7R"));
        QCOMPARE(d.currentCamera().name, QString("Sony Alpha 7R"));
        {
            Data restarted;
            QCOMPARE(restarted.cameraNames(), QStringList{"Sony RX1-RII"});
            QCOMPARE(restarted.currentCamera().name, QString("Sony RX1-RII"));
        }
    }

    void placemarks()
    {
        Data &d = *m_data;
        QStandardItemModel *model = d.placemarkModel();
        model->clear();
        auto *group = new QStandardItem("Field A");
        group->setData("0", Placemarks::KindRole);
        model->appendRow(group);
        auto *tower = new QStandardItem("Tower");
        tower->setData("1", Placemarks::KindRole);
        tower->setData(11.5, Placemarks::LonRole);  // the editor may store numbers
        tower->setData(48.25, Placemarks::LatRole);
        group->appendRow(tower);
        QSignalSpy changed(&d, &Data::pmChanged);
        QVERIFY(d.savePlacemarks());
        QCOMPARE(changed.count(), 1);
        QCOMPARE(readAll(d.mapPath() + "/placemarks"),
                 QByteArray("Field A|0|||0\nTower|1|11.5|48.25|Field A\n"));
        Data restarted;
        QCOMPARE(restarted.placemarkModel()->rowCount(), 1);
        QCOMPARE(restarted.placemarkModel()->item(0)->child(0)->text(), QString("Tower"));
    }

    void mapPages()
    {
        Data &d = *m_data;
        const QString api = QDir(d.mapApiPath()).absolutePath();
        QVERIFY(d.mapServices().contains("OpenStreetMap"));
        QCOMPARE(d.mapPageUrl(), "file://localhost" + api + "/OpenStreetMap/index.html");
        QVERIFY(readAll(api + "/OpenStreetMap/index.html")
                    .contains("\"file://localhost" + api.toUtf8() + "/OpenStreetMap/map.css\""));

        QVERIFY(!d.setCurrentMapService("Nope"));
        QCOMPARE(d.settings()->value("CurrentMapApiPath").toString(), QString("OpenStreetMap"));

        const QString name = d.writeMapBoxPage("mapbox://styles/user/abc123", "pk.token");
        QCOMPARE(name, QString("mapbox.styles.user.abc123"));
        QVERIFY(d.writeMapBoxPage("mapbox://styles/user/abc123", "pk.token").isEmpty());
        QVERIFY(d.setCurrentMapService(name));
        QCOMPARE(d.currentMapService(), name);
        d.setMapPagePosition(11.575002, 48.137171);
        const QString page = QString::fromUtf8(readAll(api + "/" + name + "/index.html"));
        QVERIFY(page.contains("\nvar lon = 11.575;\nvar lat = 48.1372;\n"));

        QVERIFY(d.setCurrentMapService("OpenStreetMap"));
        d.removeMapService(name);
        QVERIFY(!QFile::exists(api + "/" + name));
        QVERIFY(!d.mapServices().contains(name));
    }

private:
    std::unique_ptr<Data> m_data;
};

KORVEL_TEST_MAIN(TestDataStores)
#include "test_datastores.moc"
