#include <QBuffer>
#include <QDialogButtonBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTreeWidget>
#include <QtTest>

#include <quazip/quazipnewinfo.h>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include "../maps/wpfixture.h"
#include "core/data.h"
#include "core/mapdescription.h"
#include "core/namerule.h"
#include "support/maprecord.h"
#include "support/testkit.h"
#include "maps/vardeckproject.h"
#include "maps/wpdata.h"
#include "maps/wpimport.h"
#include "planner/wpopenfiledialog.h"
#include "planner/wpsavefiledialog.h"
#include "maps/items/wpwaypoint.h"

namespace {
// A north-up map around 11.355 E / 48.094 N, 0.004 degrees square.
QString makeMap(const QString &dir)
{
    QImage img(400, 400, QImage::Format_RGB32);
    img.fill(QColor(90, 120, 80));
    const double w = 11.353, e = 11.357, n = 48.096, s = 48.092;
    const QList<double> v = {w, n, e, n, w, s, e, s, (w + e) / 2, (n + s) / 2, 297.0, 445.0};
    const QString path = dir + "/testmap.jpg";
    if (!MapDescription::writeImage(path, img, KorvelTest::mapRecord("testmap", "test", v)))
        return QString();
    return path;
}

// One value of every row, for comparing a column at once.
template <typename F>
auto column(const QVector<Waypoint> &rows, F value) -> QList<decltype(value(rows.first()))>
{
    QList<decltype(value(rows.first()))> out;
    for (const Waypoint &wp : rows)
        out << value(wp);
    return out;
}
QList<int> types(const QVector<Waypoint> &rows)
{
    return column(rows, [](const Waypoint &wp) { return int(wp.type); });
}
QList<double> heights(const QVector<Waypoint> &rows)
{
    return column(rows, [](const Waypoint &wp) { return wp.heightMetres(); });
}
QList<bool> follows(const QVector<Waypoint> &rows)
{
    return column(rows, [](const Waypoint &wp) { return wp.headingFollows(); });
}

QString write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write(bytes);
    return path;
}
}  // namespace

class TestWpExchange : public QObject {
    Q_OBJECT
    QString m_dir;
    QString m_map;

    void addWp(WPData &plan, double lon, double lat, int type, bool follows, double height = 30)
    {
        const QPointF px = plan.geoToPixel(lon, lat);
        auto *item = new WPWaypoint(px.x(), px.y(), 1.0, plan.count() + 1, type);
        plan.addWaypoint(item, WPFixture::Typed().height(height).yaw(45).trigger().pitch(-90)
                                   .pictures(1).posAcc(2.5).wait(3).type(type).speed(5.5f)
                                   .acc(2.0f).follows(follows));
    }

private slots:
    void initTestCase()
    {
        m_dir = KorvelTest::home()->path() + "/fixtures";
        QDir().mkpath(m_dir);
        m_map = makeMap(m_dir);
        QVERIFY(!m_map.isEmpty());
    }

    void projectDocument()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        addWp(plan, 11.354, 48.093, 0, false);
        addWp(plan, 11.355, 48.094, 1, false);
        addWp(plan, 11.356, 48.094, 1, false);
        addWp(plan, 11.356, 48.095, 11, false);
        const QJsonObject doc = projectArchiveJson(plan).object();
        QCOMPARE(doc.value("version").toString(), QString("1.0"));
        QCOMPARE(doc.value("tarvendelVersion").toString(), QString("v3.4.5"));
        QCOMPARE(doc.value("heightReference").toString(), QString("Relative"));
        QCOMPARE(doc.value("projectType").toString(), QString("Tarvendel_Project"));
        QCOMPARE(doc.value("description").toString(), QString("Tarvendel exported Project"));
        QVERIFY(doc.value("camera").toObject().contains("sensorSize"));
        const QJsonArray tasks = doc.value("model").toObject().value("tasks").toArray();
        QCOMPARE(tasks.size(), 4);
        const QStringList types = {"Single", "Matrix", "Matrix", "Matrix"};
        const QList<QStringList> flags = {
            {}, {"HeadingFixed"}, {"HeadingFixed"}, {"EndOfMatrix", "HeadingFixed"}};
        for (int i = 0; i < 4; ++i) {
            const QJsonObject t = tasks.at(i).toObject();
            QCOMPARE(t.value("type").toString(), types.at(i));
            QCOMPARE(t.value("class").toString(), QString("SingleWaypoint"));
            QCOMPARE(t.value("action").toString(), QString("Trigger"));
            QStringList f;
            for (const QJsonValue &x : t.value("flags").toArray())
                f << x.toString();
            QCOMPARE(f, flags.at(i));
        }
        const QJsonObject t0 = tasks.at(0).toObject();
        QCOMPARE(t0.value("orientation").toObject().value("pitch").toDouble(), -90.0);
        QCOMPARE(t0.value("orientation").toObject().value("roll").toInt(), 0);
        QCOMPARE(t0.value("actionDelay").toDouble(), 3.0);
        QCOMPARE(t0.value("maxSpeed").toDouble(), 5.5);
        QVERIFY(qAbs(t0.value("position").toObject().value("longitude").toDouble() - 11.354) < 1e-6);
        // Keys come out sorted, as the format's readers expect.
        const QByteArray text = projectArchiveJson(plan).toJson();
        QVERIFY(text.indexOf("\"camera\"") < text.indexOf("\"description\""));
    }

    void archiveEntriesAndRoundTrip()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        addWp(plan, 11.354, 48.093, 0, false, 25);
        addWp(plan, 11.355, 48.094, 1, true, 40);
        addWp(plan, 11.356, 48.095, 11, true, 40);
        const QString path = m_dir + "/plan.znp";
        QString why;
        QVERIFY2(writeProjectArchive(plan, path, &why), qPrintable(why));
        QuaZip zip(path);
        QVERIFY(zip.open(QuaZip::mdUnzip));
        const QList<QuaZipFileInfo64> entries = zip.getFileInfoList64();
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0).name, QString("project.json"));
        QCOMPARE(entries.at(1).name, QString("map.jpg"));
        QCOMPARE(int(entries.at(0).method), 8);
        QCOMPARE(int(entries.at(1).method), 8);
        zip.close();
        QFile map(m_map);
        QVERIFY(map.open(QIODevice::ReadOnly));
        QuaZipFile mapEntry(path, "map.jpg");
        QVERIFY(mapEntry.open(QIODevice::ReadOnly));
        QCOMPARE(mapEntry.readAll(), map.readAll());

        WPData target;
        QVERIFY(target.loadMapImage(m_map));
        WPImport dlg(&target);
        QCOMPARE(dlg.readFile(path), QString("Yes (Vardeck Project)"));
        QCOMPARE(dlg.inMapCount, 3);
        QCOMPARE(types(dlg.rows), (QList<int>{0, 1, 11}));
        QCOMPARE(heights(dlg.rows), (QList<double>{25, 40, 40}));
        // "HeadingFixed" goes out only where the flag is clear.
        QCOMPARE(follows(dlg.rows),
                 (QList<bool>{true, plan.headingInFlightDirection(2), plan.headingInFlightDirection(3)}));
        QVERIFY(plan.headingInFlightDirection(2));
        QVERIFY(qAbs(dlg.rows.at(1).longitude - 11.355) < 1e-6);
        QVERIFY(qAbs(dlg.rows.at(2).latitude - 48.095) < 1e-6);
        QCOMPARE(dlg.velocityOf(0), 5.0f);
        QVERIFY(dlg.importButton()->isEnabled());
    }

    void exportFailsWithoutMap()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        addWp(plan, 11.354, 48.093, 0, false);
        const QString gone = m_dir + "/gone.jpg";
        QVERIFY(QFile::copy(m_map, gone));
        QVERIFY(plan.loadMapImage(gone));
        QFile::remove(gone);
        const QString path = m_dir + "/broken.znp";
        QVERIFY(!writeProjectArchive(plan, path));
        QVERIFY(!QFile::exists(path));
        QVERIFY(!QFile::exists(path + ".part"));

        KorvelTest::PromptScript script;
        script.path(m_dir + "/broken");
        exportProjectArchive(&plan);
        QCOMPARE(script.requests().size(), 2);
        QCOMPARE(script.requests().at(0).title, QString("Export to Vardeck Project file..."));
        QCOMPARE(script.requests().at(1).text,
                 QString("Project export failed!\n\nmap image %1 cannot be read").arg(gone));
        QVERIFY(!QFile::exists(m_dir + "/broken.znp"));
    }

    void exportNames_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("no suffix") << "a" << "a.znp";
        QTest::newRow("upper case") << "b.ZNP" << "b.ZNP";
    }
    void exportNames()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        KorvelTest::PromptScript script;
        script.path(m_dir + "/" + chosen);
        exportProjectArchive(&plan);
        QVERIFY(QFile::exists(m_dir + "/" + written));
        QCOMPARE(script.requests().last().text, QString("Project successfully exported!"));
        QCOMPARE(Data::instance()->settings()->value("Last Vardeck Export Path").toString(), m_dir);
    }

    void vardeckReader_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("invalid");
        QTest::addColumn<int>("inMap");
        const QByteArray task =
            R"({"class":"SingleWaypoint","type":"Matrix","flags":["EndOfMatrix"],
                "position":{"longitude":11.355,"latitude":48.094,"height":12},
                "orientation":{"yaw":10,"pitch":-45},"action":"Trigger","actionDelay":2,"maxSpeed":12.5})";
        QTest::newRow("good") << QByteArray(R"({"heightReference":"Relative","model":{"tasks":[)" + task + "]}}") << true << 1 << 0 << 1;
        QTest::newRow("no reference") << QByteArray(R"({"model":{"tasks":[)" + task + "]}}") << true << 1 << 0 << 1;
        QTest::newRow("absolute") << QByteArray(R"({"heightReference":"Absolute","model":{"tasks":[)" + task + "]}}") << false << 0 << 0 << 0;
        QTest::newRow("empty tasks") << QByteArray(R"({"model":{"tasks":[]}})") << false << 0 << 0 << 0;
        QTest::newRow("not json") << QByteArray("garbage") << false << 0 << 0 << 0;
        QTest::newRow("bad task") << QByteArray(R"({"model":{"tasks":[{"class":"SingleWaypoint","type":"Loop","position":{},"orientation":{}}]}})") << true << 1 << 1 << 0;
        QTest::newRow("other class") << QByteArray(R"({"model":{"tasks":[{"class":"Matrix","type":"Single","position":{},"orientation":{}}]}})") << true << 1 << 0 << 0;
        QTest::newRow("no longitude") << QByteArray(R"({"model":{"tasks":[{"class":"SingleWaypoint","type":"Single","position":{"latitude":48.094},"orientation":{}}]}})") << true << 1 << 0 << 0;
    }
    void vardeckReader()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, valid);
        QFETCH(int, total);
        QFETCH(int, invalid);
        QFETCH(int, inMap);
        const QString path = m_dir + "/reader.zkp";
        QFile::remove(path);
        {
            QuaZip zip(path);
            QVERIFY(zip.open(QuaZip::mdCreate));
            QuaZipFile f(&zip);
            QVERIFY(f.open(QIODevice::WriteOnly, QuaZipNewInfo("project.json")));
            f.write(json);
        }
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPImport dlg(&plan);
        QCOMPARE(dlg.readVardeckProject(path), valid);
        QCOMPARE(dlg.totalCount, total);
        QCOMPARE(dlg.invalidCount, invalid);
        QCOMPARE(dlg.inMapCount, inMap);
        if (QTest::currentDataTag() == QString("good")) {
            QCOMPARE(dlg.rows.first().type, 11);
            QCOMPARE(dlg.velocityOf(0), 10.0f);
            QCOMPARE(dlg.headingFollowsOf(0), true);
            QCOMPARE(int(dlg.rows.first().noPictures), 1);
            QCOMPARE(dlg.rows.first().pitchDegrees(), -45.0);
        }
    }
    // Numbers beyond the range of int clamp into the field's range.
    void vardeckSpeedBeyondInt_data()
    {
        QTest::addColumn<QByteArray>("maxSpeed");
        QTest::addColumn<float>("velocity");
        QTest::newRow("3e9") << QByteArray("3e9") << 10.0f;
        QTest::newRow("1e20") << QByteArray("1e20") << 10.0f;
        QTest::newRow("-3e9") << QByteArray("-3e9") << 0.5f;
        QTest::newRow("4.9") << QByteArray("4.9") << 4.0f;
    }
    void vardeckSpeedBeyondInt()
    {
        QFETCH(QByteArray, maxSpeed);
        QFETCH(float, velocity);
        const QString path = m_dir + "/speed.znp";
        QFile::remove(path);
        {
            QuaZip zip(path);
            QVERIFY(zip.open(QuaZip::mdCreate));
            QuaZipFile f(&zip);
            QVERIFY(f.open(QIODevice::WriteOnly, QuaZipNewInfo("project.json")));
            f.write(R"({"model":{"tasks":[{"class":"SingleWaypoint","type":"Single",
                       "position":{"longitude":11.355,"latitude":48.094},"orientation":{},
                       "maxSpeed":)" + maxSpeed + "}]}}");
        }
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPImport dlg(&plan);
        QCOMPARE(dlg.readFile(path), QString("Yes (Vardeck Project)"));
        QCOMPARE(dlg.velocityOf(0), velocity);
    }

    // A project.json that inflates far beyond any real project is refused
    // without being taken into memory whole: valid JSON followed by blanks.
    void vardeckInflationCap()
    {
        const QString path = m_dir + "/bomb.znp";
        QFile::remove(path);
        const qint64 size = WaypointImport::maxProjectJsonSize + 1024 * 1024;
        {
            QuaZip zip(path);
            QVERIFY(zip.open(QuaZip::mdCreate));
            QuaZipFile f(&zip);
            QVERIFY(f.open(QIODevice::WriteOnly, QuaZipNewInfo("project.json"), nullptr, 0,
                           Z_DEFLATED, 1));
            f.write(R"({"model":{"tasks":[{"class":"SingleWaypoint","type":"Single",
                       "position":{"longitude":11.355,"latitude":48.094},"orientation":{}}]}})");
            const QByteArray blanks(4 * 1024 * 1024, ' ');
            for (qint64 n = 0; n < size; n += blanks.size())
                QCOMPARE(f.write(blanks), qint64(blanks.size()));
        }
        QVERIFY(QFileInfo(path).size() < 1024 * 1024);
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPImport dlg(&plan);
        QVERIFY(dlg.readFile(path).contains("Invalid project file"));
        QVERIFY2(dlg.error.contains("inflates beyond"), qPrintable(dlg.error));
        QVERIFY(dlg.rows.isEmpty());
        QVERIFY(!dlg.importButton()->isEnabled());
        QFile::remove(path);
    }

    // The export replaces an old archive in one step and leaves nothing else.
    void exportReplacesArchive()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        addWp(plan, 11.354, 48.093, 0, false);
        QDir dir(m_dir + "/replace");
        dir.removeRecursively();
        QVERIFY(dir.mkpath("."));
        const QString path = dir.filePath("plan.znp");
        write(path, "old archive");
        QVERIFY(writeProjectArchive(plan, path));
        QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden), QStringList{"plan.znp"});
        QuaZipFile entry(path, "project.json");
        QVERIFY(entry.open(QIODevice::ReadOnly));

        // A failed export keeps the old archive as it was.
        const QString gone = m_dir + "/gone2.jpg";
        QVERIFY(QFile::copy(m_map, gone));
        QVERIFY(plan.loadMapImage(gone));
        QFile::remove(gone);
        QFile before(path);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray old = before.readAll();
        QVERIFY(!writeProjectArchive(plan, path));
        QFile after(path);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), old);
        QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden), QStringList{"plan.znp"});
    }

    void notAZip()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPImport dlg(&plan);
        const QString path = write(m_dir + "/fake.znp", "not a zip at all");
        QVERIFY(dlg.readFile(path).contains("Invalid project file"));
        QVERIFY(!dlg.importButton()->isEnabled());
    }

    void csvKinds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("valid");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("invalid");
        QTest::addColumn<int>("inMap");
        QTest::newRow("steerwise v1")
            << "a.csv"
            << QByteArray("WP#;Latitude;Longitude;Height;Heading;Time;Acc;X;Cam\n"
                          "1;48,094;11,355;30;90;2;2.5;0;-90\n"
                          "2;48.2;11.355;30;90;2;2.5;0;-90\n"
                          "3;48.093;11.354\n")
            << "Yes (Korvel Steerwise CSV File Version 1)" << 3 << 0 << 2;
        QTest::newRow("steerwise v2")
            << "b.CSV"
            << QByteArray("Longitude;Latitude;Height;Heading;T;C;P;A;W;S;Comment\n"
                          "11.355;48.094;30;97;;;;;;;\n"
                          "11.355;48.094;;97;1\n"
                          "11.355;48.094;abc;97;1\n"
                          "11.9;48.094;30;97;1\n"
                          "11.355\n")
            << "Yes (Korvel Steerwise CSV File Version 2)" << 5 << 3 << 1;
        QTest::newRow("zephrin")
            << "c.csv"
            << QByteArray("Type;Longitude;Latitude;Height;Heading;Camera pitch;Velocity;Comment\n"
                          "M;11.354;48.093;30;follow;-90;12.7\n"
                          "M;11.355;48.093;;;;\n"
                          "M;11.356;48.093;;;;6.9\n"
                          "S;11.356;48.094;10;90;-90;;\n"
                          "s;11.356;48.094;10;90;-90;;\n"
                          "S;x;48.094;10;90\n"
                          "S;11.356;48.094;10;north\n"
                          "S;11.356\n")
            << "Yes (Korvel Zephrin CSV File)" << 8 << 4 << 4;
        QTest::newRow("short header") << "d.csv" << QByteArray("Longitude;Latitude;Height;Heading\n1;2;3;4\n")
                                      << "<b>Header has insufficient columns, or the columns are not separated by ';'</b>"
                                      << 0 << 0 << 0;
        QTest::newRow("unknown header") << "e.csv" << QByteArray("a;b;c;d;e;f;g\n")
                                        << "<b>Invalid CSV header. Please check your file, or use a a template from below</b>"
                                        << 0 << 0 << 0;
        QTest::newRow("txt") << "f.txt" << QByteArray("x")
                             << "<b>Unsupported file type. Please check your file, or use a a template from below</b>"
                             << 0 << 0 << 0;
    }
    void csvKinds()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, valid);
        QFETCH(int, total);
        QFETCH(int, invalid);
        QFETCH(int, inMap);
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPImport dlg(&plan);
        KorvelTest::PromptScript script;  // answers "Height relative?" if it comes
        QCOMPARE(dlg.readFile(write(m_dir + "/" + name, content)), valid);
        QCOMPARE(dlg.totalCount, total);
        QCOMPARE(dlg.invalidCount, invalid);
        QCOMPARE(dlg.inMapCount, inMap);
        QCOMPARE(dlg.rows.size(), inMap);
        QCOMPARE(dlg.importButton()->isEnabled(), inMap > 0);
        const QString tag = QTest::currentDataTag();
        if (tag == "steerwise v1") {
            QCOMPARE(dlg.rows.first().latitude, 48.094);  // "," read as decimal point
            QCOMPARE(dlg.rows.first().type, 3);
            QCOMPARE(dlg.maxSpeedOf(0), 100);
        } else if (tag == "steerwise v2") {
            // all defaults
            QCOMPARE(dlg.rows.first().triggerCamera, true);
            QCOMPARE(dlg.rows.first().pitchDegrees(), 90.0);
            QCOMPARE(int(dlg.rows.first().noPictures), 1);
            QCOMPARE(dlg.rows.first().posAccMetres(), 2.5);
            QCOMPARE(dlg.rows.first().timeSeconds(), 2.0);
            QCOMPARE(dlg.maxSpeedOf(0), 100);
            QVERIFY(script.requests().isEmpty());
        } else if (tag == "zephrin") {
            QCOMPARE(types(dlg.rows), (QList<int>{1, 1, 1, 0}));
            QCOMPARE(follows(dlg.rows), (QList<bool>{true, true, true, false}));
            QCOMPARE(column(dlg.rows, [](const Waypoint &wp) { return wp.yawDegrees(); }), (QList<double>{0, 0, 0, 90}));
            QCOMPARE(heights(dlg.rows), (QList<double>{30, 30, 30, 10}));
            QCOMPARE(column(dlg.rows, [](const Waypoint &wp) { return wp.v3Speed; }), (QList<float>{10, 10, 6, 6}));
        }
    }
    // Integer fields beyond the range of int clamp, they never wrap.
    void csvNumbersBeyondInt()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPImport dlg(&plan);
        KorvelTest::PromptScript script;
        dlg.readFile(write(m_dir + "/big.csv", "Longitude;Latitude;Height;Heading;T;C;P;A;W;S\n"
                                              "11.355;48.094;20;0;3000000000;90;3000000000;2;2;3000000000\n"
                                              "11.355;48.094;20;0;1e20;90;1e20;2;2;1e20\n"
                                              "11.355;48.094;20;0;0.5;90;-1e20;2;2;-3000000000\n"));
        QCOMPARE(dlg.rows.size(), 3);
        QCOMPARE(column(dlg.rows, [](const Waypoint &wp) { return int(wp.noPictures); }),
                 (QList<int>{127, 127, 0}));
        QCOMPARE(column(dlg.rows, [](const Waypoint &wp) { return wp.triggerCamera; }),
                 (QList<bool>{true, true, false}));
        QCOMPARE(dlg.maxSpeedOf(0), 100);
        QCOMPARE(dlg.maxSpeedOf(1), 100);
        QCOMPARE(dlg.maxSpeedOf(2), 10);

        dlg.readFile(write(m_dir + "/bigz.csv", "Type;Longitude;Latitude;Height;Heading;Camera pitch;Velocity\n"
                                               "S;11.355;48.094;20;0;-90;-1e10\n"
                                               "S;11.355;48.094;20;0;-90;3e9\n"
                                               "S;11.355;48.094;20;0;-90;-3000000000\n"));
        QCOMPARE(column(dlg.rows, [](const Waypoint &wp) { return wp.v3Speed; }),
                 (QList<float>{0.5f, 10.0f, 0.5f}));
    }

    void templateReplacesFile()
    {
        const QString name = m_dir + "/existing-template.csv";
        write(name, QByteArray(100000, 'x'));
        WPImport dlg(nullptr);
        KorvelTest::PromptScript script;
        script.path(name);
        dlg.saveTemplate(3);
        QFile f(name);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().startsWith("Type;Longitude;Latitude;"));
        QCOMPARE(f.size(), QFile(":/WP_template_Zephrin.csv").size());
    }

    void absoluteHeightWarnsOnce()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPImport dlg(&plan);
        KorvelTest::PromptScript script;
        dlg.readFile(write(m_dir + "/h.csv", "Longitude;Latitude;Height;Heading;T;C;P\n"
                                            "11.355;48.094;250;0\n11.355;48.094;-5;0\n"));
        QCOMPARE(dlg.inMapCount, 2);
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().title, QString("Height relative?"));
    }
    void speedsStayInTheirRanges()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPImport dlg(&plan);
        KorvelTest::PromptScript script;
        dlg.readFile(write(m_dir + "/s.csv", "Longitude;Latitude;Height;Heading;T;C;P\n"
                                            "11.355;48.094;20;0;1;90;1;2;2;100\n"
                                            "11.355;48.094;20;0;1;90;1;2;2;5\n"));
        // Steerwise percent stays a percent; the velocity is the default.
        QCOMPARE(dlg.maxSpeedOf(0), 100);
        QCOMPARE(dlg.maxSpeedOf(1), 10);
        QCOMPARE(dlg.velocityOf(0), 6.0f);
        dlg.readFile(write(m_dir + "/z.csv", "Type;Longitude;Latitude;Height;Heading;Camera pitch;Velocity\n"
                                            "S;11.355;48.094;20;0;-90;3\nS;11.355;48.094;20;0;-90;0\n"));
        QCOMPARE(dlg.velocityOf(0), 3.0f);
        QCOMPARE(dlg.velocityOf(1), 0.5f);
        QCOMPARE(dlg.maxSpeedOf(0), 100);  // not 3 %
    }
    void secondFileReplacesRows()
    {
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPImport dlg(&plan);
        dlg.readFile(write(m_dir + "/one.csv", "Type;Longitude;Latitude;Height;Heading;Camera pitch;Velocity\n"
                                              "S;11.355;48.094;20;0;-90;3\nS;11.355;48.094;20;0;-90;3\n"));
        QCOMPARE(dlg.rows.size(), 2);
        KorvelTest::PromptScript script;
        script.path(write(m_dir + "/two.csv", "Type;Longitude;Latitude;Height;Heading;Camera pitch;Velocity\n"
                                             "S;11.356;48.094;20;0;-90;3\n"));
        dlg.openFile();
        QCOMPARE(dlg.rows.size(), 1);
        QCOMPARE(dlg.totalCount, 1);
        QCOMPARE(Data::instance()->settings()->value("Last Waypoint Import Path").toString(), m_dir);
    }
    void templatesByteForByte_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("steerwise") << 2 << QByteArray(
            "Longitude;Latitude;Height;Heading;Trigger? (default=1);Camera Angle (default=90);Amount of Pictures (default=1);Position Accuracy (default = 2.5m);Time at Waypoint (default=2);Maximum Speed (default = 100%);Comment (will be not used by the program)\r\n"
            "11.35557018;48.09417087;30.00;97.82;1;90.0;1;2.5;2;100;Full data.\r\n"
            "11.35576506;48.09415299;40.00;97.82;1;;2;;;50;All missing fields will be replaced with default values\r\n"
            "11.35595995;48.0941351;30.00;97.82;0;0;5;5;5;50;\r\n");
        QTest::newRow("zephrin") << 3 << QByteArray(
            "Type;Longitude;Latitude;Height;Heading;Camera pitch;Velocity;Comment (will be ignored)\r\n"
            "M;11.35426298;48.09428981;30.00;follow;-90;6;Type can be 'M'atrix Waypoint or 'S'ingle waypoint\r\n"
            "M;11.35554525;48.09417639;;;-90;;Lat, Lon, heading and pitch units are degree, height is in meters and velocity in m/s\r\n"
            "M;11.35547473;48.0936735;;;-90;;Non-changing values may be ommited\r\n"
            "S;11.35479512;48.09373127;10;90;-90;;'follow' heading flag applies for the whole matrix\r\n"
            "S;11.35416039;48.09378049;10;45;;6;\r\n");
    }
    void templatesByteForByte()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, expected);
        WPImport dlg(nullptr);
        KorvelTest::PromptScript script;
        script.path(m_dir + "/template" + QString::number(format));
        dlg.saveTemplate(format);
        QFile f(m_dir + "/template" + QString::number(format) + ".csv");
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), expected);
        QCOMPARE(script.requests().first().title, QString("Save template..."));
        // The template reads back as its own kind.
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        WPImport reader(&plan);
        QVERIFY(reader.readFile(f.fileName()).startsWith("Yes (Korvel"));
        QCOMPARE(reader.invalidCount, 0);
    }

    void nameRule_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("two") << "ab" << true;
        QTest::newRow("one") << "a" << false;
        QTest::newRow("blanks and brackets") << "Field 3 - north (v2)" << true;
        QTest::newRow("leading blank") << " ab" << false;
        QTest::newRow("leading hyphen") << "-ab" << false;
        QTest::newRow("slash") << "a/b" << false;
        QTest::newRow("umlaut") << QString::fromUtf8("Überflug") << true;
        QTest::newRow("100") << QString(100, 'x') << true;
        QTest::newRow("101") << QString(101, 'x') << false;
    }
    void nameRule()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(NameRule::isValid(name), valid);
        QRegularExpressionValidator v(NameRule::pattern());
        int pos = 0;
        QCOMPARE(v.validate(name, pos) == QValidator::Acceptable, valid);
    }

    void saveDialog()
    {
        const QString plans = Data::instance()->waypointPath();
        QDir().mkpath(plans);
        write(plans + "/Existing.zfp", "x");
        WPSaveFileDialog dlg(nullptr, QString());
        KorvelTest::PromptScript script;
        auto *box = dlg.findChild<QDialogButtonBox *>();
        box->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(script.requests().last().title, QString("No flightplan name!"));
        QVERIFY(dlg.isCanceled());
        QTest::keyClicks(dlg.nameEdit(), "a");
        QCOMPARE(dlg.nameEdit()->hasAcceptableInput(), false);  // one character
        dlg.nameEdit()->setText("Existing");
        box->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(script.requests().last().title, QString("Name already exists!"));
        QVERIFY(dlg.isCanceled());
        dlg.nameEdit()->setText("New plan (2)");
        QTest::keyClick(dlg.nameEdit(), Qt::Key_Return);  // Return acts as OK
        QVERIFY(!dlg.isCanceled());
        QCOMPARE(dlg.getName(), QString("New plan (2)"));

        WPSaveFileDialog bad(nullptr, "-bad name");  // a proposed name that breaks the rule
        bad.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
        QVERIFY(bad.isCanceled());
    }
    void openDialog()
    {
        const QString plans = Data::instance()->waypointPath();
        for (const QString &f : QDir(plans).entryList(QDir::Files))
            QFile::remove(plans + "/" + f);
        {
            WPOpenFileDialog dlg;
            QCOMPARE(dlg.tree()->topLevelItemCount(), 0);
            KorvelTest::PromptScript script;
            dlg.openButton()->click();
            QCOMPARE(script.requests().size(), 1);
            QCOMPARE(script.requests().first().title, QString("Nothing selected!"));
            QVERIFY(dlg.name().isEmpty());
        }
        WPData plan;
        QVERIFY(plan.loadMapImage(m_map));
        addWp(plan, 11.355, 48.094, 0, false);
        plan.setFilePath(Data::instance()->flightPlanFile("Alpha"));
        QVERIFY(plan.writeFile());
        plan.setFilePath(Data::instance()->flightPlanFile("Beta"));
        QVERIFY(plan.writeFile());
        WPOpenFileDialog dlg;
        QCOMPARE(dlg.tree()->topLevelItemCount(), 2);
        dlg.tree()->sortByColumn(0, Qt::DescendingOrder);
        dlg.tree()->setCurrentItem(dlg.tree()->topLevelItem(0));
        QCOMPARE(dlg.tree()->topLevelItem(0)->text(3), QString("1"));
        dlg.openButton()->click();
        QCOMPARE(dlg.name(), QString("Beta"));
    }
};

KORVEL_TEST_MAIN(TestWpExchange)
#include "test_wpexchange.moc"
