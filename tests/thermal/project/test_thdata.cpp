#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"
#include "thermal/project/thprojectfile.h"

namespace {

QString makeProjectFolder(const QString &name)
{
    QDir().mkpath(ThermalPaths::imageFolderPath(name));
    return ThermalPaths::projectFilePath(name);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A stream in the file's encoding.
struct Stream {
    QByteArray bytes;
    QDataStream out{&bytes, QIODevice::WriteOnly};
    Stream() { out.setVersion(12); }
};

}  // namespace

class TestTHData : public QObject {
    Q_OBJECT
private slots:
    void roundTrip()
    {
        const QString path = makeProjectFolder(QStringLiteral("Round trip"));
        {
            THData data;
            data.projectFile = path;
            data.appendImage(QStringLiteral("a.ara"), true, 7000, 7500, 2);
            data.appendImage(QStringLiteral("b.ara"), false, 0, 16400, 1);
            data.secondFileNames[1] = QStringLiteral("b.jpg");
            data.setCurrentIndex(0);
            data.newPointAdded(1, QPointF(10.5, 20.25), -12.7, 3);
            data.newPointAdded(2, QPointF(630, 500), 12.7, 7);
            QCOMPARE(data.addRect(QPointF(100, 80), QPointF(40, 60)), 1);
            QCOMPARE(data.addRect(QPointF(1, 2), QPointF(3, 4)), 2);
            data.setCurrentReportTitle(QStringLiteral("Roof ä"));
            data.setCurrentReportText(QStringLiteral("line 1\nline 2"));
            data.setCurrentIndex(1);
            data.newPointAdded(1, QPointF(5, 5), 7300, 0);
            QVERIFY(data.saveCurrentProject());
        }
        THData back;
        QCOMPARE(back.openProject(QStringLiteral("Round trip")), 100);
        QCOMPARE(back.projectFile, path);
        QCOMPARE(back.projectName, QStringLiteral("Round trip"));
        QCOMPARE(back.imageFolder, ThermalPaths::imageFolderPath(QStringLiteral("Round trip")));
        QCOMPARE(back.imageFileNames, QStringList({"a.ara", "b.ara"}));
        QCOMPARE(back.secondFileNames, QStringList({"", "b.jpg"}));
        QCOMPARE(back.enabled, QList<bool>({true, false}));
        QCOMPARE(back.scaleMin, QList<int>({7000, 0}));
        QCOMPARE(back.scaleMax, QList<int>({7500, 16400}));
        QCOMPARE(back.measurementType, QList<int>({2, 1}));
        const THDataPointList &p = *back.pointLists[0];
        QCOMPARE(p.ids, QList<int>({1, 2}));
        QCOMPARE(p.values, QList<double>({-12, 12}));  // truncated toward zero
        QCOMPARE(p.orientations, QList<int>({3, 7}));
        QCOMPARE(p.positions, QList<QPointF>({QPointF(10.5, 20.25), QPointF(630, 500)}));
        QCOMPARE(back.rectLists[0]->size(), 2);
        QCOMPARE(*back.rectLists[0]->at(0), QRectF(QPointF(40, 60), QPointF(100, 80)));
        QCOMPARE(back.reportTitles[0], QStringLiteral("Roof ä"));
        QCOMPARE(back.reportTexts[0], QStringLiteral("line 1\nline 2"));
        QCOMPARE(back.pointLists[1]->values, QList<double>({7300}));
        QVERIFY(back.rectLists[1]->isEmpty());
        QCOMPARE(back.currentIndex, -1);
    }

    void versionTwoAndEmptyProjects()
    {
        const QString path = makeProjectFolder(QStringLiteral("Old"));
        Stream s;
        s.out << QStringLiteral("KorvelTarvendelThermalFile") << qint32(2) << QDateTime::currentDateTime()
              << qint32(1) << qint32(1);
        s.out << QStringLiteral("x.ara") << QStringLiteral("") << qint8(5) << qint32(10) << qint32(20)
              << qint32(1) << qint32(1) << qint32(4) << qint32(-3) << qint32(2) << QPointF(1, 2)
              << qint32(777) << QStringLiteral("T") << QStringLiteral("Text");
        writeBytes(path, s.bytes);
        THData old;
        QCOMPARE(old.openProject(QStringLiteral("Old")), 100);
        QCOMPARE(old.imageCount(), 1);
        QCOMPARE(old.enabled, QList<bool>({true}));
        QCOMPARE(old.pointLists[0]->ids, QList<int>({4}));
        QCOMPARE(old.pointLists[0]->values, QList<double>({-3}));
        QVERIFY(old.rectLists[0]->isEmpty());
        QCOMPARE(old.reportTitles[0], QStringLiteral("T"));
        QCOMPARE(old.reportTexts[0], QStringLiteral("Text"));

        // An empty project: the header with two zero counts, read back empty.
        const QString emptyPath = makeProjectFolder(QStringLiteral("Empty"));
        THData empty;
        empty.projectFile = emptyPath;
        QVERIFY(empty.saveCurrentProject());
        const QByteArray bytes = fileBytes(emptyPath);
        const int magicBytes = 4 + 2 * 26;
        QCOMPARE(bytes.size(), magicBytes + 4 + 9 + 4 + 4);  // date-time: day, ms, spec
        QCOMPARE(bytes.mid(magicBytes, 4), QByteArray("\0\0\0\3", 4));
        QCOMPARE(bytes.right(8), QByteArray(8, '\0'));
        THData back;
        QCOMPARE(back.openProject(QStringLiteral("Empty")), 100);
        QCOMPARE(back.imageCount(), 0);
    }

    void unreadableFilesOpenNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        auto header = [](const QString &magic, qint32 version, qint32 count) {
            Stream s;
            s.out << magic << version << QDateTime(QDate(2020, 1, 1), QTime(0, 0)) << count << count;
            return s.bytes;
        };
        const QByteArray good = header(QStringLiteral("KorvelTarvendelThermalFile"), 3, 0);
        QTest::newRow("foreign magic") << header(QStringLiteral("SomethingElse"), 3, 0);
        QTest::newRow("version 4") << header(QStringLiteral("KorvelTarvendelThermalFile"), 4, 0);
        QTest::newRow("version 1") << header(QStringLiteral("KorvelTarvendelThermalFile"), 1, 0);
        QTest::newRow("count beyond the bytes") << header(QStringLiteral("KorvelTarvendelThermalFile"), 3, 100000000);
        QTest::newRow("negative count") << header(QStringLiteral("KorvelTarvendelThermalFile"), 3, -1);
        QTest::newRow("truncated header") << good.left(good.size() - 3);
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("huge string length") << QByteArray("\x7f\xff\xff\xfe", 4) + QByteArray(40, 'A');
        Stream one;
        one.out << QStringLiteral("KorvelTarvendelThermalFile") << qint32(3) << QDateTime() << qint32(1) << qint32(1)
                << QStringLiteral("x.ara") << QString() << qint8(1) << qint32(1) << qint32(2) << qint32(2)
                << qint32(1);  // one point, then the file ends
        QTest::newRow("image cut short") << one.bytes;
    }
    void unreadableFilesOpenNothing()
    {
        QFETCH(QByteArray, bytes);
        const QString path = makeProjectFolder(QStringLiteral("Broken"));
        writeBytes(path, bytes);
        THData data;
        QCOMPARE(data.openProject(QStringLiteral("Broken")), 2);
        QCOMPARE(data.imageCount(), 0);
        QVERIFY(data.projectFile.isEmpty());
        // No later save can overwrite the file it could not read.
        QVERIFY(!data.saveCurrentProject());
        QCOMPARE(fileBytes(path), bytes);
        QCOMPARE(THData().openProject(QStringLiteral("No such project")), 1);
    }

    void failedSaveKeepsTheOldFile()
    {
        const QString path = makeProjectFolder(QStringLiteral("Kept"));
        THData data;
        data.projectFile = path;
        data.appendImage(QStringLiteral("a.ara"), true, 1, 2, 0);
        QVERIFY(data.saveCurrentProject());
        const QByteArray before = fileBytes(path);
        // A folder where the file should be written cannot take it.
        data.projectFile = path + QStringLiteral("/inside-a-file.zth");
        QString error;
        QVERIFY(!data.saveCurrentProject(&error));
        QCOMPARE(error, AtomicFile::describe(data.projectFile, QString::fromLocal8Bit(strerror(ENOTDIR))));
        QCOMPARE(fileBytes(path), before);
    }

    void gpsDates_data()
    {
        QTest::addColumn<int>("week");
        QTest::addColumn<int>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("epoch") << 0 << 0 << "1980-01-06 00:00";
        QTest::newRow("one day in") << 0 << 86400000 << "1980-01-07 00:00";
        QTest::newRow("week 1") << 1 << 0 << "1980-01-13 00:00";
        QTest::newRow("generator default") << 2000 << 302400000 << "2018-05-09 12:00";
    }
    void gpsDates()
    {
        QFETCH(int, week);
        QFETCH(int, ms);
        QFETCH(QString, text);
        QCOMPARE(QDateTime(gpsWeekToDate(week, ms), gpsMsToTime(ms)).toString(QStringLiteral("yyyy-MM-dd hh:mm")), text);
        // The same through a recording in a project.
        const QString name = QStringLiteral("Dates");
        makeProjectFolder(name);
        AraGen::FrameParams params;
        params.width = 4;
        params.height = 2;
        params.gpsWeek = quint16(week);
        params.gpsTimeOfWeek = quint32(ms);
        THData data;
        data.imageFolder = ThermalPaths::imageFolderPath(name);
        data.appendImage(QStringLiteral("f.ara"), true, 0, 0, 2);
        data.appendImage(QStringLiteral("missing.ara"), true, 0, 0, 2);
        QVERIFY(AraGen::writeFile(data.imagePath(0), AraGen::araFile(params, QVector<quint16>(8, 7000))));
        QCOMPARE(data.getDateTimeString(0), text);
        QCOMPARE(data.getDateTimeString(1), QString());
    }

    void removingTheCurrentImageDeletesItsCopy()
    {
        const QString name = QStringLiteral("Remove");
        makeProjectFolder(name);
        THData data;
        data.imageFolder = ThermalPaths::imageFolderPath(name);
        for (const char *f : {"0.ara", "1.ara", "2.ara"}) {
            data.appendImage(QString::fromLatin1(f), true, 0, 0, 0);
            QVERIFY(AraGen::writeFile(data.imagePath(data.imageCount() - 1), "x"));
        }
        data.setCurrentIndex(0);
        data.newPointAdded(1, QPointF(1, 1), 1, 0);
        data.removeCurrentIndex();
        QCOMPARE(data.imageFileNames, QStringList({"1.ara", "2.ara"}));
        QCOMPARE(data.pointLists.size(), 2);
        QCOMPARE(data.pointLists[0]->size(), 0);
        QVERIFY(!QFile::exists(data.imageFolder + "/0.ara"));
        QVERIFY(QFile::exists(data.imageFolder + "/1.ara"));
        QCOMPARE(data.currentIndex, 0);
        data.setCurrentIndex(-1);
        data.removeCurrentIndex();  // nothing current: nothing removed
        QCOMPARE(data.imageCount(), 2);
    }

    void pointEditsFollowIds()
    {
        THData data;
        data.appendImage(QStringLiteral("a"), true, 0, 0, 0);
        data.appendImage(QStringLiteral("b"), true, 0, 0, 0);
        data.setCurrentIndex(1);
        data.newPointAdded(1, QPointF(9, 9), 5, 0);
        data.setCurrentIndex(0);
        data.newPointAdded(1, QPointF(1, 1), 10, 0);
        data.newPointAdded(2, QPointF(2, 2), 20, 0);
        // A dragged pin on one image never changes the other.
        data.pointValuesChanged(1, QPointF(3, 3), 30, 4);
        data.pointValuesChanged(1, QPointF(4, 4), 40, 4);
        QCOMPARE(data.pointLists[0]->positions[0], QPointF(4, 4));
        QCOMPARE(data.pointLists[0]->lastIndex, 0);
        QCOMPARE(data.pointLists[1]->positions[0], QPointF(9, 9));
        // After renumbering the old number changes nothing, the new one does.
        data.idNumberChanged(1, 5);
        data.pointValuesChanged(1, QPointF(7, 7), 70, 0);
        QCOMPARE(data.pointLists[0]->positions[0], QPointF(4, 4));
        data.pointValuesChanged(5, QPointF(7, 7), 70, 1);
        QCOMPARE(data.pointLists[0]->positions[0], QPointF(7, 7));
        QCOMPARE(data.pointLists[0]->orientations[0], 1);
        data.orientChanged(2, 6);
        QCOMPARE(data.pointLists[0]->orientations[1], 6);
        data.pointDeleted(9);  // unknown: nothing
        data.pointDeleted(5);
        QCOMPARE(data.pointLists[0]->ids, QList<int>({2}));
        QCOMPARE(data.pointLists[0]->lastIndex, -1);
        // Rectangles and limits of the current image.
        QCOMPARE(data.addRect(QPointF(0, 0), QPointF(5, 5)), 1);
        QCOMPARE(data.addRect(QPointF(0, 0), QPointF(6, 6)), 2);
        data.removeRect(1);
        QCOMPARE(*data.currentRectList()->at(0), QRectF(0, 0, 6, 6));
        data.minmaxUpdated(QPoint(7000, 7100));
        data.applyCurrentScaleToAll();
        QCOMPARE(data.scaleMin, QList<int>({7000, 7000}));
        QCOMPARE(data.scaleMax, QList<int>({7100, 7100}));
    }
};

KORVEL_TEST_MAIN(TestTHData)
#include "test_thdata.moc"
