// Camera table and store, map description record, maps index, placemarks
// file and map pages: the widget-free formats behind Data's stores.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtConcurrent>
#include <QtTest>
#include <atomic>

#include "core/camera.h"
#include "core/mapdescription.h"
#include "core/mapindex.h"
#include "core/mappages.h"
#include "core/placemarks.h"
#include "support/maprecord.h"
#include "support/testkit.h"

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Big-endian pieces of the data-stream format, written out by hand.
QByteArray be32(quint32 v)
{
    QByteArray b(4, 0);
    for (int i = 0; i < 4; ++i)
        b[i] = char(v >> (24 - 8 * i));
    return b;
}
QByteArray beDouble(double d)
{
    quint64 v;
    memcpy(&v, &d, 8);
    QByteArray b(8, 0);
    for (int i = 0; i < 8; ++i)
        b[i] = char(v >> (56 - 8 * i));
    return b;
}
QByteArray beString(const QString &s)
{
    QByteArray b = be32(quint32(s.size() * 2));
    for (QChar c : s)
        b += char(c.unicode() >> 8), b += char(c.unicode() & 0xff);
    return b;
}

Camera makeCamera(const QString &name, double sw, double sh, double f, int delay, int process,
                  int iw, int ih)
{
    Camera c;
    c.name = name;
    c.sensorSize = QSizeF(sw, sh);
    c.focalLength = f;
    c.delay = delay;
    c.processTime = process;
    c.imageSize = QSize(iw, ih);
    return c;
}

// A stored map: a small JPEG carrying rec as its "Description".
void storeMap(const QString &path, const QString &rec)
{
    QImage img(16, 12, QImage::Format_RGB32);
    img.fill(Qt::darkGreen);
    QVERIFY(MapDescription::writeImage(path, img, rec));
}

// Record of a map centred at (lon, lat) of w x h metres.
QString mapAt(const QString &name, double lon, double lat, double w, double h)
{
    return KorvelTest::mapRecord(name, "OpenStreetMap",
                                      {0, 0, 0, 0, 0, 0, 0, 0, lon, lat, w, h}).text();
}

}  // namespace

class TestMapStores : public QObject {
    Q_OBJECT
private slots:
    // ---- Cameras ----
    void builtInTable()
    {
        const QByteArray raw = readAll(":/cameralist.csv");
        QVERIFY(raw.startsWith("Camera Name;Sensor Width;Sensor height;Focal length to actual sensor "
                               "size;delay until photo is taken in ms (on manual focus);time between "
                               "fotos in ms (minimum continous);picture width;picture height\r\n"));
        QCOMPARE(raw.count("\r\n"), 17);
        QCOMPARE(raw.count('\n'), 17);

        const QList<Camera> table = CameraStore::readTable(":/cameralist.csv");
        QCOMPARE(table.size(), 16);
        const QStringList names{"Sony RX1-RII", "Sony UMC-R10C", "Sony Alpha 7R", "Sony Alpha 6000",
                                "Sony Alpha NEX-7", "Sony Alpha NEX-5N",
                                "FLIR TAU 2 640 / 19mm f/1.25", "Teracam ADC Micro / 8.43mm f/3.2",
                                "Panasonic Lumix DMC-TZ31", "Panasonic Lumix DMC-TZ41 / TZ61",
                                "Panasonic Lumix DMC-TZ71", "Panasonic Lumix DMC-LX3",
                                "Panasonic Lumix DMC-LX5", "Panasonic Lumix DMC-LX7", "Sony PJ780VE",
                                "Sony PJ810E"};
        for (int i = 0; i < 16; ++i)
            QCOMPARE(table[i].name, names[i]);
        const Camera &first = table.first();
        QCOMPARE(first.sensorSize, QSizeF(35.9, 24));
        QCOMPARE(first.focalLength, 35.0);
        QCOMPARE(first.delay, 100);
        QCOMPARE(first.processTime, 1200);
        QCOMPARE(first.imageSize, QSize(7952, 5304));
        const Camera &flir = table[6];
        QCOMPARE(flir.sensorSize, QSizeF(10.89, 8.77));
        QCOMPARE(flir.processTime, 2000);
        QCOMPARE(flir.imageSize, QSize(640, 512));
        QCOMPARE(table[1].delay, 200);
        QCOMPARE(table[15].focalLength, 2.9);
        QCOMPARE(table[15].imageSize, QSize(6592, 3712));
    }

    void tableSkipsLinesWithoutEightFields()
    {
        QBuffer buf;
        buf.setData("head\r\nA;1;2;3;4;5;6;7\r\nB;1;2;3\r\nC;1;2;3;4;5;6;7;8\r\nD;6.2;4.6;4.3;1;2;3;4\r\n");
        buf.open(QIODevice::ReadOnly);
        const QList<Camera> t = CameraStore::readTable(buf);
        QCOMPARE(t.size(), 2);
        QCOMPARE(t[1].name, QString("D"));
        QCOMPARE(t[1].sensorSize, QSizeF(6.2, 4.6));
    }

    void derivedValues()
    {
        const Camera full = makeCamera("Full", 36, 24, 35, 0, 0, 0, 0);
        const QPointF fov = full.fieldOfView();
        QVERIFY(qAbs(fov.x() - 54.432) < 0.001);
        QVERIFY(qAbs(fov.y() - 37.849) < 0.001);
        QVERIFY(qAbs(full.cropFactor() - 43.3 / 43.2666) < 1e-4);

        const Camera rx1 = CameraStore::readTable(":/cameralist.csv").first();
        QVERIFY(qAbs(rx1.fieldOfView().x() - 2 * qRadiansToDegrees(std::atan(17.95 / 35))) < 1e-9);
        QVERIFY(qAbs(rx1.fieldOfView().y() - 2 * qRadiansToDegrees(std::atan(12.0 / 35))) < 1e-9);
        QVERIFY(qAbs(rx1.cropFactor() - 43.3 / std::hypot(35.9, 24.0)) < 1e-5);

        // Identity is the name alone.
        QVERIFY(full == makeCamera("Full", 1, 1, 1, 1, 1, 1, 1));
        QVERIFY(full != makeCamera("full", 36, 24, 35, 0, 0, 0, 0));

        const QJsonObject j = makeCamera("Cam", 23.5, 15.6, 20, 100, 1200, 6000, 4000).toJson();
        QCOMPARE(j["name"].toString(), QString("Cam"));
        QCOMPARE(j["sensorSize"].toObject()["width"].toDouble(), 23.5);
        QCOMPARE(j["sensorSize"].toObject()["height"].toDouble(), 15.6);
        QCOMPARE(j["imageSize"].toObject()["width"].toInt(), 6000);
        QCOMPARE(j["imageSize"].toObject()["height"].toInt(), 4000);
        QCOMPARE(j["focalLength"].toDouble(), 20.0);
        QCOMPARE(j["delay"].toInt(), 100);
        QCOMPARE(j["processTime"].toInt(), 1200);
    }

    void storeBytesAndRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("cameralist");
        const QList<Camera> cams{makeCamera("Ab", 23.5, 15.6, 20, 100, 1200, 6000, 4000),
                                 makeCamera("C", 6.2, 4.6, 4.3, 150, 1500, 4320, 3240)};
        QVERIFY(CameraStore::write(path, cams));

        // "V1.0", count, then name, sensor w/h, focal length, delay,
        // process time, image w/h per camera.
        QByteArray expected = beString("V1.0") + be32(2);
        for (const Camera &c : cams)
            expected += beString(c.name) + beDouble(c.sensorSize.width()) +
                        beDouble(c.sensorSize.height()) + beDouble(c.focalLength) + be32(c.delay) +
                        be32(c.processTime) + be32(c.imageSize.width()) + be32(c.imageSize.height());
        QCOMPARE(readAll(path), expected);

        QList<Camera> back;
        QVERIFY(CameraStore::read(path, &back));
        QCOMPARE(back.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(back[i].name, cams[i].name);
            QCOMPARE(back[i].sensorSize, cams[i].sensorSize);
            QCOMPARE(back[i].focalLength, cams[i].focalLength);
            QCOMPARE(back[i].delay, cams[i].delay);
            QCOMPARE(back[i].processTime, cams[i].processTime);
            QCOMPARE(back[i].imageSize, cams[i].imageSize);
        }
    }

    void storeFailures()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("cameralist");
        QList<Camera> list;
        QVERIFY(!CameraStore::read(dir.filePath("missing"), &list));

        QVERIFY(writeBytes(path, QByteArray("\0\0", 2)));
        QVERIFY(!CameraStore::read(path, &list));

        QVERIFY(writeBytes(path, beString("V1.1") + be32(0)));
        QTest::ignoreMessage(QtDebugMsg, "camera file not found or incompatible version!");
        QVERIFY(!CameraStore::read(path, &list));
        QVERIFY(list.isEmpty());

        // The count says 5, three entries follow and a fourth is cut short.
        QByteArray bytes = beString("V1.0") + be32(5);
        for (int i = 0; i < 3; ++i)
            bytes += beString(QString("K%1").arg(i)) + beDouble(1) + beDouble(2) + beDouble(3) +
                     be32(4) + be32(5) + be32(6) + be32(7);
        bytes += beString("Cut") + beDouble(1);
        QVERIFY(writeBytes(path, bytes));
        QVERIFY(CameraStore::read(path, &list));
        QCOMPARE(list.size(), 3);
        QCOMPARE(list[2].name, QString("K2"));
        QCOMPARE(list[2].imageSize, QSize(6, 7));
    }

    // ---- Map description record ----
    void recordText()
    {
        QCOMPARE(KorvelTest::mapRecord(
                     "Lake", "OpenStreetMap",
                     {11.575002, 48.137171, 11.6, 48.137171, 11.575002, 48.13, 11.6, 48.13, 11.5875,
                      48.1335, 412.5, 250}).text(),
                 QString("Lake|OpenStreetMap|11.5750020000|48.1371710000|11.6000000000|48.1371710000|"
                         "11.5750020000|48.1300000000|11.6000000000|48.1300000000|11.5875000000|"
                         "48.1335000000|412.50000|250.00000"));
        const QString neg = KorvelTest::mapRecord("W", "MapBox", {-0.5, -33.25, 0, 0, 0, 0, 0, 0,
                                                                  0, 0, 1e-6, 0}).text();
        QVERIFY(neg.startsWith("W|MapBox|-0.5000000000|-33.2500000000|0.0000000000|"));
        QVERIFY(neg.endsWith("|0.00000|0.00000"));
        QCOMPARE(neg.split('|').size(), 14);
    }

    // Every part by its name: where it stands in the text, what it reads as.
    void recordByName()
    {
        const QString lake = "Lake|OpenStreetMap|11.5750020000|48.1371710000|11.6000000000|"
                             "48.1371710000|11.5750020000|48.1300000000|11.6000000000|"
                             "48.1300000000|11.5875000000|48.1335000000|412.50000|250.00000";
        const MapDescription built(
            "Lake", "OpenStreetMap",
            {GeoPoint::lonLat(11.575002, 48.137171), GeoPoint::lonLat(11.6, 48.137171),
             GeoPoint::lonLat(11.575002, 48.13), GeoPoint::lonLat(11.6, 48.13)},
            GeoPoint::lonLat(11.5875, 48.1335), 412.5, 250);
        QCOMPARE(built.text(), lake);

        const MapDescription read = MapDescription::parse(lake);
        QVERIFY(read.isComplete());
        QCOMPARE(read.name(), QString("Lake"));
        QCOMPARE(read.source(), QString("OpenStreetMap"));
        QCOMPARE(read.corner(MapDescription::TopLeft), GeoPoint::lonLat(11.575002, 48.137171));
        QCOMPARE(read.corner(MapDescription::TopRight), GeoPoint::lonLat(11.6, 48.137171));
        QCOMPARE(read.corner(MapDescription::BottomLeft), GeoPoint::lonLat(11.575002, 48.13));
        QCOMPARE(read.corner(MapDescription::BottomRight), GeoPoint::lonLat(11.6, 48.13));
        QCOMPARE(read.centre(), GeoPoint::lonLat(11.5875, 48.1335));
        QCOMPARE(read.width(), 412.5);
        QCOMPARE(read.height(), 250.0);
        QCOMPARE(read.fieldText(MapDescription::CentreLat), QString("48.1335000000"));
        QCOMPARE(read.fieldText(MapDescription::Width), QString("412.50000"));

        // In memory a built record keeps what the text rounds.
        const MapDescription fine("F", "x",
                                  {GeoPoint::lonLat(0, 0), GeoPoint::lonLat(0, 0),
                                   GeoPoint::lonLat(0, 0), GeoPoint::lonLat(0, 0)},
                                  GeoPoint::lonLat(1.23456789012345, 0), 0.123456789, 0);
        QCOMPARE(fine.centre().lon(), 1.23456789012345);
        QCOMPARE(fine.width(), 0.123456789);
        QCOMPARE(fine.fieldText(MapDescription::Width), QString("0.12346"));

        // A name alone makes a whole record of zeros; renaming a record read
        // leaves the rest of its text alone.
        MapDescription named;
        QVERIFY(named.isEmpty());
        named.setName("Short");
        QCOMPARE(named.text(), QString("Short||0.0000000000|0.0000000000|0.0000000000|"
                                       "0.0000000000|0.0000000000|0.0000000000|0.0000000000|"
                                       "0.0000000000|0.0000000000|0.0000000000|0.00000|0.00000"));
        MapDescription odd = MapDescription::parse("Old|x|1e1|+2|| 3 |a|b|c|d|e|f|g|h", false);
        odd.setName("New");
        QCOMPARE(odd.text(), QString("New|x|1e1|+2|| 3 |a|b|c|d|e|f|g|h"));
        QCOMPARE(odd.corner(MapDescription::TopLeft), GeoPoint::lonLat(10, 2));
        QCOMPARE(odd.corner(MapDescription::TopRight), GeoPoint::lonLat(0, 3));
        // A short record lacks what it lacks.
        const MapDescription shortRecord = MapDescription::parse("n|s|1", false);
        QVERIFY(shortRecord.has(MapDescription::TopLeftLon));
        QVERIFY(!shortRecord.has(MapDescription::TopLeftLat));
        QCOMPARE(shortRecord.fieldText(MapDescription::Height), QString());
    }

    void recordInJpeg()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Lake.jpg");
        const QString rec = mapAt("Lake", 11.5875, 48.1335, 412.5, 250);
        storeMap(path, rec);
        // The text sits in a JPEG comment segment: FF FE, length, "Description: " + record.
        const QByteArray bytes = readAll(path);
        const QByteArray text = "Description: " + rec.toUtf8();
        const int at = bytes.indexOf(text);
        QVERIFY(at >= 4);
        QCOMPARE(bytes.mid(at - 4, 2), QByteArray("\xFF\xFE"));
        const int len = (uchar(bytes[at - 2]) << 8) | uchar(bytes[at - 1]);
        QCOMPARE(len, text.size() + 2);
        QCOMPARE(MapDescription::readText(path), rec);

        // An outside reader sees the same comment.
        QProcess exiftool;
        exiftool.start("exiftool", {"-s3", "-Comment", path});
        QVERIFY(exiftool.waitForFinished(20000));
        QCOMPARE(exiftool.readAllStandardOutput().trimmed(), text);
    }

    void splitFallback()
    {
        QCOMPARE(MapDescription::parse("a|b|1|2|3|4|5|6|7|8|9|10|11|12").fieldCount(), 14);
        QCOMPARE(MapDescription::parse("a,b,1,2,3,4,5,6,7,8,9,10,11,12").fieldCount(), 14);
        // Neither split gives 14: the "," split is taken, as older readers did.
        QTest::ignoreMessage(QtDebugMsg, "header wrong!");
        QCOMPARE(MapDescription::parse("a|b|1|2|3|4|5|6|7|8|9|10|11").fieldCount(), 1);
        QCOMPARE(MapDescription::parse("a|b|1|2|3|4|5|6|7|8|9|10|11", false).fieldCount(), 13);
        const MapDescription some = MapDescription::parse("x|y|1.5|nope", false);
        QCOMPARE(some.number(MapDescription::TopLeftLon), 1.5);
        QCOMPARE(some.number(MapDescription::TopLeftLat), 0.0);
        QCOMPARE(some.number(MapDescription::Height), 0.0);
    }

    // The record text written, byte for byte: ten coordinates with 10
    // decimals, the sizes with 5, missing numbers as zeros, UTF-8 names.
    void recordBytes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QList<double>>("numbers");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("south-west")
            << "Cape Point (2)" << "MapBox"
            << QList<double>{-18.4972, -34.3568, -18.4901, -34.3568, -18.4972, -34.3601, -18.4901,
                             -34.3601, -18.49365, -34.35845, 651.2345678, 367.3333333}
            << QByteArray("Cape Point (2)|MapBox|-18.4972000000|-34.3568000000|-18.4901000000|"
                          "-34.3568000000|-18.4972000000|-34.3601000000|-18.4901000000|"
                          "-34.3601000000|-18.4936500000|-34.3584500000|651.23457|367.33333");
        QTest::newRow("rounding")
            << "R" << "x"
            << QList<double>{11.00000000005, 48.00000000004999, 1.23456789012345, -0.00000000004,
                             179.99999999999, 90, -180, -90, 0.1, 0.2, 0.000005, 0.0000049}
            << QByteArray("R|x|11.0000000000|48.0000000000|1.2345678901|-0.0000000000|"
                          "180.0000000000|90.0000000000|-180.0000000000|-90.0000000000|"
                          "0.1000000000|0.2000000000|0.00001|0.00000");
        QTest::newRow("short list")
            << "Short" << "" << QList<double>{1, 2, 3}
            << QByteArray("Short||1.0000000000|2.0000000000|3.0000000000|0.0000000000|"
                          "0.0000000000|0.0000000000|0.0000000000|0.0000000000|0.0000000000|"
                          "0.0000000000|0.00000|0.00000");
        QTest::newRow("unicode")
            << QString::fromUtf8("Öde Fläche") << QString::fromUtf8("Kärtchen")
            << QList<double>{11.5, 48.25, 0, 0, 0, 0, 0, 0, 11.5, 48.25, 10, 20}
            << QByteArray("\xc3\x96" "de Fl\xc3\xa4" "che|K\xc3\xa4" "rtchen|11.5000000000|"
                          "48.2500000000|0.0000000000|0.0000000000|0.0000000000|0.0000000000|"
                          "0.0000000000|0.0000000000|11.5000000000|48.2500000000|10.00000|"
                          "20.00000");
        QTest::newRow("huge and tiny")
            << "H" << "x" << QList<double>{1e20, -1e-20, 0, 0, 0, 0, 0, 0, 0, 0, 1e15, 2.5e-5}
            << QByteArray("H|x|100000000000000000000.0000000000|-0.0000000000|0.0000000000|"
                          "0.0000000000|0.0000000000|0.0000000000|0.0000000000|0.0000000000|"
                          "0.0000000000|0.0000000000|1000000000000000.00000|0.00003");
        QTest::newRow("not finite")
            << "N" << "x"
            << QList<double>{qQNaN(), qInf(), -qInf(), 0, 0, 0, 0, 0, 0, 0, qQNaN(), -qInf()}
            << QByteArray("N|x|nan|inf|-inf|0.0000000000|0.0000000000|0.0000000000|0.0000000000|"
                          "0.0000000000|0.0000000000|0.0000000000|nan|-inf");
    }
    void recordBytes()
    {
        QFETCH(QString, name);
        QFETCH(QString, source);
        QFETCH(QList<double>, numbers);
        QTEST(KorvelTest::mapRecord(name, source, numbers).text().toUtf8(), "bytes");
    }

    // Records as the readers take them today, odd ones included: the map
    // index keeps exactly 14 "|" fields (name from the file), reads its
    // numbers where they are numbers and 0 elsewhere; a record read is
    // written back as it was.
    void recordAsRead_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("indexed");
        QTest::addColumn<QList<double>>("extent");  // centre lon, lat, width, height
        const QString nine = "|0|0|0|0|0|0|0|0|";
        QTest::newRow("written") << mapAt("W", 11.5875, 48.1335, 412.5, 250) << true
                                 << QList<double>{11.5875, 48.1335, 412.5, 250};
        QTest::newRow("exponents") << "E|x" + nine + "1.15e1|4.8E1|5e2|4.0e+02" << true
                                   << QList<double>{11.5, 48, 500, 400};
        QTest::newRow("blanks and signs") << "B|x" + nine + " 11.5|+48 | 500 |-0" << true
                                          << QList<double>{11.5, 48, 500, 0};
        QTest::newRow("not numbers") << "N|x" + nine + "11,5|0x10|eleven|" << true
                                     << QList<double>{0, 0, 0, 0};
        QTest::newRow("nan and inf") << "F|x" + nine + "nan|inf|-inf|NaN" << true
                                     << QList<double>{qQNaN(), qInf(), -qInf(), qQNaN()};
        QTest::newRow("empty fields") << "|||||||||||||" << true << QList<double>{0, 0, 0, 0};
        QTest::newRow("extra field") << "X|x" + nine + "11|48|500|400|extra" << false
                                     << QList<double>{};
        QTest::newRow("missing field") << "M|x" + nine + "11|48|500" << false << QList<double>{};
        QTest::newRow("commas") << "C,x,0,0,0,0,0,0,0,0,11,48,500,400" << false
                                << QList<double>{};
    }
    void recordAsRead()
    {
        QFETCH(QString, text);
        QFETCH(bool, indexed);
        QFETCH(QList<double>, extent);
        QCOMPARE(MapDescription::parse(text, false).text(), text);

        QTemporaryDir dir;
        storeMap(dir.filePath("Stored.jpg"), text);
        MapIndex index;
        index.rebuild(dir.path());
        QCOMPARE(index.count(), indexed ? 1 : 0);
        if (!indexed)
            return;
        const MapDescription entry = index.entry(0);
        QCOMPARE(entry.name(), QString("Stored"));
        QCOMPARE(entry.text().section('|', 1), text.section('|', 1));
        const QList<double> read{entry.centre().lon(), entry.centre().lat(), entry.width(),
                                 entry.height()};
        for (int i = 0; i < 4; ++i) {
            if (qIsNaN(extent[i]))
                QVERIFY2(qIsNaN(read[i]), qPrintable(QString::number(i)));
            else
                QVERIFY2(read[i] == extent[i], qPrintable(QString::number(i)));
        }
    }

    // ---- Maps index ----
    void indexRebuild()
    {
        QTemporaryDir dir;
        storeMap(dir.filePath("Alpha.jpg"), mapAt("Renamed", 11, 48, 500, 400));
        storeMap(dir.filePath("Beta.JPG"), mapAt("Beta", 12, 49, 500, 400));
        storeMap(dir.filePath("Lake.North.jpg"), mapAt("Lake.North", 13, 50, 500, 400));
        storeMap(dir.filePath("Short.jpg"), "a|b|1|2|3|4|5|6|7|8|9|10|11");  // 13 fields
        storeMap(dir.filePath("Comma.jpg"), "a,b,1,2,3,4,5,6,7,8,9,10,11,12");
        storeMap(dir.filePath("Other.png"), mapAt("Other", 14, 51, 500, 400));
        QVERIFY(writeBytes(dir.filePath("Broken.jpg"), "\xFF\xD8\xFF\xFE\x00garbage"));
        QImage plain(8, 8, QImage::Format_RGB32);
        plain.fill(Qt::white);
        QVERIFY(plain.save(dir.filePath("Plain.jpg")));

        MapIndex index;
        QCOMPARE(index.count(), 0);
        index.rebuild(dir.path());
        QCOMPARE(index.count(), 3);
        QStringList names;
        for (int i = 0; i < index.count(); ++i) {
            QCOMPARE(index.entry(i).fieldCount(), 14);
            names << index.entry(i).name();
        }
        names.sort();
        QCOMPARE(names, QStringList({"Alpha", "Beta", "Lake.North"}));
        QVERIFY(index.entry(3).isEmpty());
        QVERIFY(index.entry(-1).isEmpty());

        QVERIFY(QFile::remove(dir.filePath("Beta.JPG")));
        index.rebuild(dir.path());
        QCOMPARE(index.count(), 2);
    }

    void indexQueries_data()
    {
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("lat");
        QTest::addColumn<QStringList>("containing");
        QTest::addColumn<QString>("place");
        // Wide is centred on the point, Narrow 100 m away: the narrow map wins.
        const double east100 = 100 / 111300.0;
        QTest::newRow("narrowest wins")
            << QStringList{mapAt("Wide", 0, 0, 500, 500), mapAt("Narrow", east100, 0, 300, 300)}
            << 0.0 << 0.0 << QStringList{"Wide", "Narrow"} << "Narrow";
        QTest::newRow("equal widths: nearest centre")
            << QStringList{mapAt("Far", east100, 0, 300, 300), mapAt("Near", 0, 0, 300, 300)}
            << 0.0 << 0.0 << QStringList{"Far", "Near"} << "Near";
        QTest::newRow("full tie keeps the first")
            << QStringList{mapAt("First", 0, 0, 300, 300), mapAt("Second", 0, 0, 300, 300)}
            << 0.0 << 0.0 << QStringList{"First", "Second"} << "First";
        // 0.5 degree east at the equator is exactly 55650 m: on the edge, outside.
        QTest::newRow("edge is outside")
            << QStringList{mapAt("Edge", 0, 0, 111300, 500000)} << 0.5 << 0.0 << QStringList{}
            << "";
        QTest::newRow("just inside")
            << QStringList{mapAt("Edge", 0, 0, 111300, 500000)} << 0.4999 << 0.0
            << QStringList{"Edge"} << "Edge";
        QTest::newRow("north outside")
            << QStringList{mapAt("Tall", 11, 48, 1000, 200)} << 11.0 << 48.001 << QStringList{}
            << "";
    }
    void indexQueries()
    {
        QFETCH(QStringList, records);
        QFETCH(double, lon);
        QFETCH(double, lat);
        QTemporaryDir dir;
        for (const QString &r : records)
            storeMap(dir.filePath(r.section('|', 0, 0) + ".jpg"), r);
        MapIndex index;
        index.rebuild(dir.path());
        QCOMPARE(index.count(), records.size());
        QFETCH(QStringList, containing);
        QStringList found = index.mapsContaining(lon, lat);
        found.sort();
        containing.sort();
        QCOMPARE(found, containing);
        QTEST(index.placeNameAt(lon, lat), "place");
    }

    void indexReadWhileRebuilding()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 6; ++i)
            storeMap(dir.filePath(QString("M%1.jpg").arg(i)), mapAt("M", 11, 48, 1000, 1000));
        MapIndex index;
        index.rebuild(dir.path());
        std::atomic<bool> stop{false};
        std::atomic<int> bad{0};
        QFuture<void> reader = QtConcurrent::run([&] {
            while (!stop) {
                const int n = index.mapsContaining(11, 48).size();
                if (n != 0 && n != 6)
                    ++bad;
                const QString name = index.placeNameAt(11, 48);
                if (!name.isEmpty() && !name.startsWith('M'))
                    ++bad;
            }
        });
        for (int i = 0; i < 15; ++i) {
            index.rebuild(dir.path());
            if (i % 5 == 0)
                index.clear();
        }
        stop = true;
        reader.waitForFinished();
        QCOMPARE(bad.load(), 0);
    }

    // ---- Placemarks ----
    void placemarksRoundTrip()
    {
        QStandardItemModel model;
        auto item = [](const QString &name, const QString &kind, const QString &lon = QString(),
                       const QString &lat = QString()) {
            auto *it = new QStandardItem(name);
            it->setData(kind, Placemarks::KindRole);
            if (!lon.isNull())
                it->setData(lon, Placemarks::LonRole);
            if (!lat.isNull())
                it->setData(lat, Placemarks::LatRole);
            return it;
        };
        QStandardItem *group = item("Field A", "0");
        model.appendRow(group);
        group->appendRow(item("Tower", "1", "11.5", "48.1"));
        QStandardItem *border = item("Border", "2");
        group->appendRow(border);
        border->appendRow(item("B1", "3", "11.6", "48.2"));
        border->appendRow(item("B2", "3", "11.7", "48.3"));
        model.appendRow(item("Empty group", "0"));

        QTemporaryDir dir;
        const QString path = dir.filePath("placemarks");
        QVERIFY(Placemarks::save(&model, path));
        const QByteArray expected = "Field A|0|||0\n"
                                    "Tower|1|11.5|48.1|Field A\n"
                                    "Border|2|||Field A\n"
                                    "B1|3|11.6|48.2|Field A - Border\n"
                                    "B2|3|11.7|48.3|Field A - Border\n"
                                    "Empty group|0|||0\n";
        QCOMPARE(readAll(path), expected);
        QCOMPARE(border->child(1)->data(Placemarks::PathRole).toString(), QString("Field A - Border"));

        QStandardItemModel back;
        QVERIFY(Placemarks::load(&back, path));
        QCOMPARE(back.rowCount(), 2);
        QStandardItem *g = back.item(0);
        QCOMPARE(g->text(), QString("Field A"));
        QCOMPARE(g->rowCount(), 2);
        QCOMPARE(g->child(0)->data(Placemarks::LonRole).toString(), QString("11.5"));
        QCOMPARE(g->child(1)->rowCount(), 2);
        QCOMPARE(g->child(1)->child(1)->data(Placemarks::LatRole).toString(), QString("48.3"));
        QCOMPARE(g->child(1)->child(1)->data(Placemarks::KindRole).toString(), QString("3"));

        const QString again = dir.filePath("again");
        QVERIFY(Placemarks::save(&back, again));
        QCOMPARE(readAll(again), expected);
    }

    void placemarksLoadEdgeCases()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("placemarks");
        QVERIFY(writeBytes(path, "Orphan|1|1|2|x\n"          // before any group: dropped
                                 "G|0|||0\n"
                                 "Poly|2|||G\n"
                                 "P1|3|1|2|G - Poly\n"
                                 "Pt|1|3|4|G\n"              // after a polygon point: to the group
                                 "broken line\n"             // malformed: skipped, loading goes on
                                 "\n"
                                 "Odd|7|1|1|G\n"             // unknown kind: dropped
                                 "H|0|||0\n"
                                 "Q|1|5|6|H\n"));
        QStandardItemModel model;
        QVERIFY(Placemarks::load(&model, path));
        QCOMPARE(model.rowCount(), 2);
        QStandardItem *g = model.item(0);
        QCOMPARE(g->rowCount(), 2);
        QCOMPARE(g->child(0)->text(), QString("Poly"));
        QCOMPARE(g->child(0)->rowCount(), 1);
        QCOMPARE(g->child(1)->text(), QString("Pt"));
        QCOMPARE(model.item(1)->text(), QString("H"));
        QCOMPARE(model.item(1)->child(0)->text(), QString("Q"));

        QStandardItemModel none;
        none.appendRow(new QStandardItem("stale"));
        QVERIFY(!Placemarks::load(&none, dir.filePath("missing")));
        QCOMPARE(none.rowCount(), 0);
    }

    void placemarkNamesCannotBreakTheFile()
    {
        QStandardItemModel model;
        auto *g = new QStandardItem("A|B\nC");
        g->setData("0", Placemarks::KindRole);
        model.appendRow(g);
        auto *p = new QStandardItem("x\r\ny");
        p->setData("1", Placemarks::KindRole);
        p->setData("1.5", Placemarks::LonRole);
        p->setData("2.5", Placemarks::LatRole);
        g->appendRow(p);
        QTemporaryDir dir;
        const QString path = dir.filePath("placemarks");
        QVERIFY(Placemarks::save(&model, path));
        const QByteArray bytes = readAll(path);
        QCOMPARE(bytes.count('\n'), 2);
        QCOMPARE(bytes.count('|'), 8);

        QStandardItemModel back;
        QVERIFY(Placemarks::load(&back, path));
        QCOMPARE(back.rowCount(), 1);
        QCOMPARE(back.item(0)->text(), QString::fromUtf8("A¦B C"));
        QCOMPARE(back.item(0)->child(0)->text(), QString("x y"));
        QCOMPARE(back.item(0)->child(0)->data(Placemarks::LatRole).toString(), QString("2.5"));
    }

    // ---- Map pages ----
    void osmPage()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("mapapi/OpenStreetMap");
        QVERIFY(MapPages::writeOsmPage(folder));
        QCOMPARE(readAll(folder + "/map.css"), readAll(":/osmmap.css"));
        QCOMPARE(readAll(folder + "/marker.png"), readAll(":/osmmarker.png"));
        QCOMPARE(QImage(folder + "/marker.png").size(), QSize(34, 42));

        const QByteArray page = readAll(folder + "/index.html");
        const QByteArray url = "file://localhost" + folder.toUtf8() + "/";
        QVERIFY(page.contains("href=\"" + url + "map.css\""));
        QVERIFY(page.contains("\"" + url + "marker.png\""));
        QVERIFY(!page.contains("\"./"));
        QVERIFY(!page.contains("'./"));
        QVERIFY(MapPages::localizePageLinks(folder + "/index.html"));
        QCOMPARE(readAll(folder + "/index.html"), page);
        QVERIFY(!MapPages::localizePageLinks(dir.filePath("none/index.html")));
    }

    void pagesOfferTheScriptInterface()
    {
        for (const char *res : {":/osmindex.html", ":/mapbox.html"}) {
            const QByteArray page = readAll(res);
            for (const char *fn : {"showmap()", "showNavigation()", "hideNavigation()",
                                   "getLatLonFromPixel(x, y)", "gotoLatLon(x, y)", "addPin(x, y)",
                                   "cleanMarkers()", "addLinePoint(x, y)", "drawLine()",
                                   "clearPath()"})
                QVERIFY2(page.contains(QByteArray("function ") + fn), fn);
            QVERIFY(page.contains("onload=\"showmap()\""));
        }
        const QStringList osm = QString(readAll(":/osmindex.html")).split('\n');
        const int i = osm.indexOf("var lon = 0;");
        QVERIFY(i > 0);
        QCOMPARE(osm.value(i + 1), QString("var lat = 0;"));
        const QStringList box = QString(readAll(":/mapbox.html")).split('\n');
        const int j = box.indexOf("var lon = 11.575;");
        QVERIFY(j > 0);
        QCOMPARE(box.value(j + 1), QString("var lat = 48.1372;"));
    }

    void libraryLocationsCanBeMoved()
    {
        QTemporaryDir dir;
        qputenv("KORVEL_OPENLAYERS_BASE", "http://127.0.0.1:9/ol");
        qputenv("KORVEL_MAPBOX_GL_BASE", "http://127.0.0.1:9/gl/");
        qputenv("KORVEL_MAPBOX_GEOCODER_BASE", "http://127.0.0.1:9/geo");
        QVERIFY(MapPages::writeOsmPage(dir.filePath("OpenStreetMap")));
        const QString box = MapPages::writeMapBoxPage(dir.path(), "mapbox://styles/u/s", "t");
        qunsetenv("KORVEL_OPENLAYERS_BASE");
        qunsetenv("KORVEL_MAPBOX_GL_BASE");
        qunsetenv("KORVEL_MAPBOX_GEOCODER_BASE");
        const QByteArray osm = readAll(dir.filePath("OpenStreetMap/index.html"));
        QVERIFY(osm.contains("src=\"http://127.0.0.1:9/ol/OpenLayers.js\""));
        const QByteArray page = readAll(dir.filePath(box + "/index.html"));
        QVERIFY(page.contains("src=\"http://127.0.0.1:9/gl/mapbox-gl.js\""));
        QVERIFY(page.contains("href=\"http://127.0.0.1:9/gl/mapbox-gl.css\""));
        QVERIFY(page.contains("src=\"http://127.0.0.1:9/geo/mapbox-gl-geocoder.min.js\""));
        QVERIFY(!osm.contains("https://") && !page.contains("https://"));
    }

    void pagePosition()
    {
        QTemporaryDir dir;
        const QString page = dir.filePath("index.html");
        QVERIFY(writeBytes(page, "<script>\nvar lon = 0;\r\nvar lat = 0;\r\nshowmap();\n</html>"));
        QVERIFY(MapPages::setPagePosition(page, 11.575002, 48.137171));
        QCOMPARE(readAll(page),
                 QByteArray("<script>\nvar lon = 11.575;\nvar lat = 48.1372;\nshowmap();\n</html>"));
        QVERIFY(MapPages::setPagePosition(page, -0.5, -33.868));
        QCOMPARE(readAll(page),
                 QByteArray("<script>\nvar lon = -0.5;\nvar lat = -33.868;\nshowmap();\n</html>"));

        const QByteArray other = "no position here\n";
        QVERIFY(writeBytes(page, other));
        QVERIFY(MapPages::setPagePosition(page, 1, 2));
        QCOMPARE(readAll(page), other);
        QVERIFY(!MapPages::setPagePosition(dir.filePath("none.html"), 1, 2));
    }

    void mapBoxServiceNames_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::newRow("style") << "mapbox://styles/user/abc123" << "mapbox.styles.user.abc123";
        QTest::newRow("blanks") << "  mapbox://styles/ user/x  " << "mapbox.styles. user.x";
        QTest::newRow("no colon") << "mapbox//styles/user/abc123" << "mapbox.styles.user.abc123";
        QTest::newRow("single slashes") << "mapbox:/styles/user/abc123" << "mapbox.styles.user.abc123";
    }
    void mapBoxServiceNames()
    {
        QFETCH(QString, url);
        QTEST(MapPages::mapBoxServiceName(url), "name");
    }

    void mapBoxPage()
    {
        QTemporaryDir dir;
        const QString style = "mapbox://styles/user/abc123";
        const QString token = "pk.eyJ1Ijoia29ydmVsIn0.abc-_";
        QCOMPARE(MapPages::writeMapBoxPage(dir.path(), style, token),
                 QString("mapbox.styles.user.abc123"));
        const QString folder = dir.filePath("mapbox.styles.user.abc123");
        const QByteArray page = readAll(folder + "/index.html");
        QVERIFY(page.contains("\"" + style.toUtf8() + "\""));
        QVERIFY(page.contains("\"" + token.toUtf8() + "\""));
        QVERIFY(!page.contains("xxxxx.xxxxx"));
        QVERIFY(!page.contains("yyyyy.yyyyy"));
        QCOMPARE(readAll(folder + "/mapbox.css"), readAll(":/osm/mapbox.css"));
        QCOMPARE(readAll(folder + "/marker.png"), readAll(":/osmmarker.png"));

        // The same style again, or one that only differs by ":" or "//":
        // refused, the first folder untouched.
        QVERIFY(writeBytes(folder + "/index.html", "mine"));
        QVERIFY(MapPages::writeMapBoxPage(dir.path(), style, "other").isEmpty());
        QVERIFY(MapPages::writeMapBoxPage(dir.path(), "mapbox:/styles/user/abc123", "t").isEmpty());
        QCOMPARE(readAll(folder + "/index.html"), QByteArray("mine"));
        QVERIFY(MapPages::writeMapBoxPage(dir.path(), "   ", "t").isEmpty());
    }

    void mapBoxValuesCannotLeaveTheScriptString()
    {
        QTemporaryDir dir;
        const QString evil = "a\";alert(1);//'</script>\\\n";
        const QString name = MapPages::writeMapBoxPage(dir.path(), "mapbox://styles/u/s", evil);
        QVERIFY(!name.isEmpty());
        const QByteArray page = readAll(dir.filePath(name + "/index.html"));
        const int at = page.indexOf("var accessToken = \"");
        QVERIFY(at > 0);
        const QByteArray line = page.mid(at, page.indexOf('\n', at) - at);
        QCOMPARE(line, QByteArray("var accessToken = \"a\\u0022;alert\\u00281\\u0029;//\\u0027\\u003c/script\\u003e"
                                  "\\u005c\\u000a\";"));
        QCOMPARE(page.count("</script>"), readAll(":/mapbox.html").count("</script>"));
    }

    void servicesAndUrl()
    {
        QTemporaryDir dir;
        for (const char *d : {"OpenStreetMap", "MapBox Satellite", ".hidden", "alpha"})
            QVERIFY(QDir(dir.path()).mkpath(d));
        QVERIFY(writeBytes(dir.filePath("file.txt"), "x"));
        QVERIFY(QFile::link(dir.filePath("alpha"), dir.filePath("link")));
        QCOMPARE(MapPages::services(dir.path()),
                 QStringList({".hidden", "MapBox Satellite", "OpenStreetMap", "alpha"}));
        QCOMPARE(MapPages::pageUrl(dir.path(), "OpenStreetMap"),
                 "file://localhost" + dir.path() + "/OpenStreetMap/index.html");
    }
};

KORVEL_TEST_MAIN(TestMapStores)
#include "test_mapstores.moc"
