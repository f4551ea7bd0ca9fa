// The flight-plan folder listing (name, first position, place, count and
// change time of each plan) and the folder size and removal helpers.
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include "core/data.h"
#include "core/mapdescription.h"
#include "support/maprecord.h"
#include "support/testkit.h"

namespace {

// A plan file as the program writes it: head and version-192 records, of
// which only the positions matter here.
QByteArray planBytes(const QList<QPointF> &positions, const QString &magic = "KorvelWPData")
{
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    s.setVersion(12);
    s << magic << qint32(192) << qint32(positions.size());
    for (const QPointF &p : positions) {
        s << p.x() << p.y();
        s.writeRawData(QByteArray(44, '\0').constData(), 44);
    }
    return bytes;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

}  // namespace

class TestFlightPlanList : public QObject {
    Q_OBJECT
    Data *d = nullptr;
    QString folder;

    QString plan(const QString &file) const { return folder + "/" + file; }

private slots:
    void initTestCase()
    {
        d = Data::instance();
        folder = d->waypointPath();
        QVERIFY(QDir().mkpath(folder));
        // A stored map "Harbour" around 11.005 E, 48.005 N.
        QImage image(100, 80, QImage::Format_RGB32);
        image.fill(Qt::gray);
        const QList<double> values = {11.0, 48.01, 11.01, 48.01, 11.0, 48.0, 11.01, 48.0,
                                      11.005, 48.005, 744.0, 1113.0};
        QVERIFY(MapDescription::writeImage(d->orthoMapPath() + "/Harbour.jpg", image,
                                           KorvelTest::mapRecord("Harbour", "test", values)));
        d->updateMapIndex();
        QCOMPARE(d->placeNameAt(11.005, 48.005), QString("Harbour"));
    }

    void emptyFolder()
    {
        QCOMPARE(d->flightPlanCount(), 0);
        QVERIFY(d->flightPlanInfo(0).isEmpty());
        QVERIFY(d->flightPlanInfo("anything").isEmpty());
        QCOMPARE(d->flightPlanFirstPosition("anything"), QPointF(0, 0));
        QVERIFY(!d->flightPlanExists("anything"));
    }

    void listing()
    {
        writeFile(plan("Harbour Survey.zfp"),
                  planBytes({{11.004, 48.006}, {11.005, 48.005}, {11.006, 48.004}}));
        writeFile(plan("Field.North.zfp"), planBytes({{9.5, 47.1}, {9.6, 47.2}}));
        writeFile(plan(".hidden.zfp"), planBytes({}));
        // A damaged plan among them: its head ends before the first position.
        writeFile(plan("damaged.zfp"), planBytes({{11.005, 48.005}}).left(40));
        writeFile(plan("foreign.zfp"), planBytes({{11.005, 48.005}}, "SomethingElse"));
        writeFile(plan("upper.ZFP"), planBytes({{1, 2}}));
        writeFile(plan("notes.txt"), "not a plan");
        QVERIFY(QFile::link(plan("Harbour Survey.zfp"), plan("link.zfp")));
        QDir(folder).mkdir("folder.zfp");

        QCOMPARE(d->flightPlanCount(), 5);
        QStringList names;
        for (int i = 0; i < d->flightPlanCount(); ++i)
            names << d->flightPlanInfo(i).name;
        names.sort();
        QCOMPARE(names, (QStringList{".hidden", "Field.North", "Harbour Survey", "damaged", "foreign"}));
        QVERIFY(d->flightPlanInfo(5).isEmpty());

        FlightPlanInfo h = d->flightPlanInfo("Harbour Survey");
        QCOMPARE(h.name, QString("Harbour Survey"));
        QCOMPARE(h.waypointCount, 3);
        QCOMPARE(h.longitude, 11.004);
        QCOMPARE(h.latitude, 48.006);
        QCOMPARE(h.location, QString("Harbour"));
        QCOMPARE(h.lastModified, QFileInfo(plan("Harbour Survey.zfp")).lastModified());

        // A name with a point is the whole name before the suffix.
        const FlightPlanInfo f = d->flightPlanInfo("Field.North");
        QCOMPARE(f.name, QString("Field.North"));
        QCOMPARE(f.waypointCount, 2);
        QCOMPARE(f.location, QString("Unknown"));
        QVERIFY(d->flightPlanInfo("Field").isEmpty());

        for (const char *bad : {"damaged", "foreign"}) {
            const FlightPlanInfo b = d->flightPlanInfo(bad);
            QCOMPARE(b.name, QString(bad));
            QCOMPARE(b.waypointCount, 0);
            QCOMPARE(QPointF(b.longitude, b.latitude), QPointF(0, 0));
            QCOMPARE(b.location, QString("Unknown"));
            QVERIFY(b.lastModified.isValid());
        }
        QVERIFY(d->flightPlanInfo("").isEmpty());
        const FlightPlanInfo hidden = d->flightPlanInfo(".hidden");
        QCOMPARE(hidden.waypointCount, 0);
        QVERIFY(hidden.lastModified.isValid());

        QCOMPARE(d->flightPlanFirstPosition("Harbour Survey"), QPointF(11.004, 48.006));
        QCOMPARE(d->flightPlanFirstPosition("damaged"), QPointF(0, 0));
        QVERIFY(d->flightPlanExists("Harbour Survey"));
        QVERIFY(!d->flightPlanExists("upper"));
        QVERIFY(!d->flightPlanExists("folder"));
    }

    void pathSize()
    {
        QTemporaryDir tmp;
        const QString root = tmp.filePath("tree");
        QVERIFY(QDir().mkpath(root + "/sub/.deeper"));
        writeFile(root + "/ten", QByteArray(10, 'x'));
        writeFile(root + "/sub/five", QByteArray(5, 'x'));
        QCOMPARE(Data::pathSize(QFileInfo(root)), qint64(15));
        writeFile(root + "/sub/.deeper/.three", QByteArray(3, 'x'));
        writeFile(tmp.filePath("outside"), QByteArray(1000, 'x'));
        QVERIFY(QFile::link(tmp.filePath("outside"), root + "/linked"));
        QVERIFY(QFile::link(root, root + "/sub/loop"));
        QCOMPARE(Data::pathSize(QFileInfo(root)), qint64(18));
        QCOMPARE(Data::pathSize(QFileInfo(root + "/ten")), qint64(10));
        QDir().mkpath(tmp.filePath("empty"));
        QCOMPARE(Data::pathSize(QFileInfo(tmp.filePath("empty"))), qint64(0));
    }

    void removeDirRecursively()
    {
        QTemporaryDir tmp;
        QVERIFY(Data::removeDirRecursively(tmp.filePath("missing")));

        const QString outside = tmp.filePath("outside");
        QVERIFY(QDir().mkpath(outside + "/keep"));
        writeFile(outside + "/keep/precious", "data");

        const QString root = tmp.filePath("project");
        QVERIFY(QDir().mkpath(root + "/a/b/.c"));
        writeFile(root + "/a/b/.c/.hidden", "x");
        writeFile(root + "/a/file", "x");
        writeFile(root + "/top", "x");
        // Links inside the tree, to a folder and a file outside it, and one
        // that points nowhere.
        QVERIFY(QFile::link(outside, root + "/a/to-outside"));
        QVERIFY(QFile::link(outside + "/keep/precious", root + "/file-link"));
        QVERIFY(QFile::link(tmp.filePath("nothing"), root + "/dangling"));
        QVERIFY(Data::removeDirRecursively(root));
        QVERIFY(!QFileInfo::exists(root));
        QVERIFY(QFile::exists(outside + "/keep/precious"));

        // The path itself a link to a folder: only the link goes.
        QVERIFY(QFile::link(outside, tmp.filePath("shortcut")));
        QVERIFY(Data::removeDirRecursively(tmp.filePath("shortcut")));
        QVERIFY(!QFileInfo(tmp.filePath("shortcut")).isSymLink());
        QVERIFY(QFile::exists(outside + "/keep/precious"));
    }

    void removeStopsAtAnEntryThatCannotGo()
    {
        QTemporaryDir tmp;
        const QString root = tmp.filePath("locked");
        QVERIFY(QDir().mkpath(root + "/inner"));
        writeFile(root + "/inner/file", "x");
        QFile::setPermissions(root + "/inner", QFile::ReadOwner | QFile::ExeOwner);
        QFile probe(root + "/inner/probe");
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QFile::setPermissions(root + "/inner", QFile::ReadOwner | QFile::WriteOwner |
                                                       QFile::ExeOwner);
            QSKIP("permissions are not enforced for this user");
        }
        QVERIFY(!Data::removeDirRecursively(root));
        QVERIFY(QFile::exists(root + "/inner/file"));
        QFile::setPermissions(root + "/inner",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

KORVEL_TEST_MAIN(TestFlightPlanList)
#include "test_flightplanlist.moc"
