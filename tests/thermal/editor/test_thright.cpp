#include <QComboBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

#include "core/data.h"
#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/editor/thrawdataview.h"
#include "thermal/editor/thright.h"
#include "thermal/view/thhistogramm.h"

namespace {

QList<int> ids(const THRight &panel)
{
    QList<int> out;
    for (QSpinBox *box : panel.idBoxes())
        out << box->value();
    return out;
}

// Types a new id into a point's box as the user would.
void typeId(THRight &panel, int row, int id)
{
    QSpinBox *box = panel.idBoxes().at(row);
    box->setValue(id);
    emit box->editingFinished();
}

QByteArray headerWith(const QByteArray &part, int byte242, int byte243, quint32 compression = 0)
{
    AraGen::FrameParams p;
    p.cameraPartNumber = part;
    p.advancedRadiometry = quint8(byte242);
    p.highResolution = quint8(byte243);
    return AraGen::header(p, AraGen::Compression(compression), 0);
}

}  // namespace

class TestTHRight : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Data::instance(); }

    void renumberingMovesTheDisplacedPointFirst()
    {
        THRight panel;
        QSignalSpy renumbered(&panel, &THRight::idnumberChanged);
        for (int id : {1, 2, 3})
            panel.newPointAdded(id, QPointF(id, id), 7000, 0);
        typeId(panel, 0, 3);
        QCOMPARE(ids(panel), QList<int>({3, 2, 4}));
        QCOMPARE(renumbered.size(), 2);
        QCOMPARE(renumbered.at(0), QVariantList({3, 4}));
        QCOMPARE(renumbered.at(1), QVariantList({1, 3}));
        // No conflict: one signal. Same id: none.
        renumbered.clear();
        typeId(panel, 1, 5);
        QCOMPARE(renumbered.size(), 1);
        QCOMPARE(renumbered.at(0), QVariantList({2, 5}));
        typeId(panel, 1, 5);
        QCOMPARE(renumbered.size(), 1);
        // The new number is what later changes find.
        panel.pointValuesChanged(5, QPointF(), 7315, 6);
        QCOMPARE(panel.pointsTable()->topLevelItem(1)->text(2), QStringLiteral("7315"));
        QCOMPARE(panel.orientationBoxes().at(1)->currentIndex(), 6);
    }

    void idsPastOneHundredAreKept()
    {
        THRight panel;
        for (int id = 1; id <= 100; ++id)
            panel.newPointAdded(id, QPointF(), 0, 0);
        QSignalSpy renumbered(&panel, &THRight::idnumberChanged);
        typeId(panel, 0, 100);  // point 100 must move to 101
        QCOMPARE(renumbered.at(0), QVariantList({100, 101}));
        QCOMPARE(panel.idBoxes().at(99)->value(), 101);
        panel.newPointAdded(150, QPointF(), 0, 0);
        QCOMPARE(panel.idBoxes().last()->value(), 150);
    }

    void orientationEditsReportTheirPoint()
    {
        THRight panel;
        QSignalSpy orient(&panel, &THRight::orientChanged);
        panel.newPointAdded(4, QPointF(), 0, 2);
        panel.newPointAdded(7, QPointF(), 0, 5);
        QCOMPARE(orient.size(), 0);  // building rows reports nothing
        QCOMPARE(panel.orientationBoxes().at(1)->currentText(), QStringLiteral("Bottom-Left"));
        panel.orientationBoxes().at(1)->setCurrentIndex(7);
        QCOMPARE(orient.size(), 1);
        QCOMPARE(orient.at(0), QVariantList({7, 7}));
        panel.pointDeleted(4);
        panel.pointDeleted(99);
        QCOMPARE(ids(panel), QList<int>({7}));
        QCOMPARE(panel.pointsTable()->topLevelItemCount(), 1);
        THDataPointList list;
        list.append(QPointF(1, 1), 9, -12.7, 3);
        panel.loadPoints(list);
        QCOMPARE(ids(panel), QList<int>({9}));
        QCOMPARE(panel.pointsTable()->topLevelItem(0)->text(2), QStringLiteral("-12"));
        QCOMPARE(panel.orientationBoxes().at(0)->currentIndex(), 3);
    }

    void areasRenumberAndDeleteOnlyOnTheAreaTab()
    {
        THRight panel;
        panel.show();
        for (int id = 1; id <= 4; ++id)
            panel.newRectAngleAdded(id, 7000 + id, 7100, 7050.5);
        panel.deleteRect(2);
        QTreeWidget *areas = panel.areasTable();
        QCOMPARE(areas->topLevelItemCount(), 3);
        QCOMPARE(areas->topLevelItem(1)->text(0), QStringLiteral("2"));
        QCOMPARE(areas->topLevelItem(1)->text(1), QStringLiteral("7003"));
        QCOMPARE(areas->topLevelItem(2)->text(0), QStringLiteral("3"));

        QSignalSpy del(&panel, &THRight::deleteRectENTF);
        areas->topLevelItem(2)->setSelected(true);
        panel.lowerTabs()->setCurrentIndex(0);
        QTest::keyClick(&panel, Qt::Key_Delete);
        QCOMPARE(del.size(), 0);
        panel.lowerTabs()->setCurrentIndex(1);
        QTest::keyClick(&panel, Qt::Key_Return);
        QCOMPARE(del.size(), 0);
        QTest::keyClick(&panel, Qt::Key_Delete);
        QCOMPARE(del.size(), 1);
        QCOMPARE(del.at(0).at(0).toInt(), 3);
        panel.clearRects();
        QCOMPARE(areas->topLevelItemCount(), 0);
    }

    void headerDecidesTypeAndUnits_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("value");
        const QByteArray ar = "4664019H-SPRNLX";
        QTest::newRow("high") << headerWith(ar, 1, 1) << 2 << QString::fromUtf8("19.45°C");
        QTest::newRow("low") << headerWith(ar, 1, 0) << 1 << QString::fromUtf8("2652.85°C");
        QTest::newRow("resolution 2") << headerWith(ar, 1, 2) << 0 << "7315";
        QTest::newRow("not enabled") << headerWith(ar, 0, 1) << 0 << "7315";
        QTest::newRow("short block") << QByteArray(100, '\x01') << 0 << "7315";
    }
    void headerDecidesTypeAndUnits()
    {
        QFETCH(QByteArray, header);
        QFETCH(int, type);
        QFETCH(QString, value);
        THRight panel;
        QCOMPARE(panel.fillHeader(header), type);
        QCOMPARE(panel.measurementType(), type);
        QCOMPARE(panel.histogram()->measurementType(), type);
        panel.newPointAdded(1, QPointF(), 7315, 0);
        QCOMPARE(panel.pointsTable()->topLevelItem(0)->text(2), value);
        panel.fillHistogram(QByteArray("\x10\x1b\x10\x1b", 4), QPoint(7000, 7100));
        QCOMPARE(panel.histogram()->bins().size(), 101);
        emit panel.updateMinMax(QPoint(6900, 7000));
        QCOMPARE(panel.histogram()->minimum(), 6900);
    }

    void headerRows_data()
    {
        QTest::addColumn<QByteArray>("part");
        QTest::addColumn<int>("byte242");
        QTest::addColumn<int>("byte243");
        QTest::addColumn<QStringList>("shown");
        const QByteArray ar = "4664019H-SPRNLX";
        const QByteArray plain = "4664019H-SPXNLX";
        QTest::newRow("AR, enabled, low") << ar << 1 << 0 << QStringList({"Yes", "Yes", "Low"});
        QTest::newRow("AR, enabled, high") << ar << 1 << 1 << QStringList({"Yes", "Yes", "High"});
        QTest::newRow("AR, enabled, 2") << ar << 1 << 2 << QStringList({"Yes", "Yes", "-"});
        QTest::newRow("AR, off") << ar << 0 << 1 << QStringList({"Yes", "No", "-"});
        QTest::newRow("plain camera") << plain << 1 << 1 << QStringList({"No", "-", "-"});
    }
    void headerRows()
    {
        QFETCH(QByteArray, part);
        QFETCH(int, byte242);
        QFETCH(int, byte243);
        QFETCH(QStringList, shown);
        THRawDataView view;
        QCOMPARE(view.tree()->topLevelItemCount(), 30);
        QCOMPARE(view.value("Height"), QStringLiteral("-"));
        // A high-resolution header first, so no row keeps its text.
        view.setRawHeader(headerWith("4664019H-SPRNLX", 1, 1, 3));
        QCOMPARE(view.value("File Compression"), QStringLiteral("Yes"));
        view.setRawHeader(headerWith(part, byte242, byte243));
        QCOMPARE(view.value("Advanced Radiometry Camera"), shown[0]);
        QCOMPARE(view.value("Advanced Radiometry Enabled"), shown[1]);
        QCOMPARE(view.value("Advanced Radiometry Resolution"), shown[2]);
        QCOMPARE(view.value("File Compression"), QStringLiteral("No"));
    }

    void headerFieldTexts()
    {
        AraGen::FrameParams p;
        p.gpsWeek = 1900;
        p.gpsTimeOfWeek = 302400000;  // three and a half days
        THRawDataView view;
        view.setRawHeader(AraGen::header(p, AraGen::Raw, 655360));
        const struct { const char *name; QString value; } rows[] = {
            {"File Version", "12"}, {"File Mode", "1"},
            {"Image Size", "640 x 512 Pixel"},
            {"Longitude", QString::fromUtf8("11.391°")}, {"Latitude", QString::fromUtf8("47.95°")},
            {"Height", "512.3m"}, {"GPS Time", "2016-06-08 12:00"}, {"Time (MS)", "5000"},
            {"Angle Pitch", QString::fromUtf8("-1.5°")}, {"Angle Roll", QString::fromUtf8("2.3°")},
            {"Angle Yaw", QString::fromUtf8("90°")}, {"Camera Angle Pitch", QString::fromUtf8("-90°")},
            {"Camera Angle Roll", QString::fromUtf8("0°")}, {"Camera Angle Yaw", QString::fromUtf8("0°")},
            {"Camera Serial Number", "123456"}, {"Camera Serial Sensor Number", "654321"},
            {"Camera Version", "3"}, {"Camera Firmware Version", "20"},
            {"Camera Sensor Temperature", "31.2"}, {"Camera Part Number", "4664019H-SPRNLX"},
            {"Horizontal Accuracy", "1500"}, {"Vertical Accuracy", "2500"}, {"Speed Accuracy", "300"},
            {"Speed X", "120"}, {"Speed Y", "-40"}, {"Datalogger Version", "1.4.7"},
        };
        for (const auto &row : rows)
            QCOMPARE(view.value(QString::fromLatin1(row.name)), row.value);
        // A block shorter than the header reads as zeros.
        view.setRawHeader(QByteArray(10, '\0'));
        QCOMPARE(view.value("Image Size"), QStringLiteral("0 x 0 Pixel"));
        QCOMPARE(view.value("GPS Time"), QStringLiteral("1980-01-06 00:00"));
    }
};

KORVEL_TEST_MAIN(TestTHRight)
#include "test_thright.moc"
