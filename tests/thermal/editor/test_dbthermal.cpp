#include <QDir>
#include <QSignalSpy>
#include <QtTest>

#include "core/data.h"
#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/editor/dbthermal.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"

namespace {
void makeProject(const QString &name, const QList<int> &types, const QList<bool> &enabled)
{
    QDir().mkpath(ThermalPaths::imageFolderPath(name));
    THData p;
    p.projectFile = ThermalPaths::projectFilePath(name);
    for (int i = 0; i < types.size(); ++i)
        p.appendImage(QStringLiteral("%1.ara").arg(i), enabled.value(i, true), 0, 0, types[i]);
    if (!types.isEmpty()) {
        p.rectLists[0]->append(new QRectF(0, 0, 5, 5));
        p.rectLists[0]->append(new QRectF(1, 1, 5, 5));
    }
    QVERIFY(p.saveCurrentProject());
}
}  // namespace

class TestDBThermal : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Data::instance(); }

    void summaries_data()
    {
        QTest::addColumn<QList<int>>("types");
        QTest::addColumn<QList<bool>>("enabled");
        QTest::addColumn<QString>("total");
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("type");
        QTest::newRow("low, one disabled") << QList<int>{1, 1} << QList<bool>{true, false} << "2" << "1"
                                           << "Low Resolution Temperature Measurement";
        QTest::newRow("mixed") << QList<int>{1, 2} << QList<bool>{} << "2" << "2" << "Mixed Temperature Measurement";
        QTest::newRow("type 5 only") << QList<int>{5} << QList<bool>{} << "1" << "1" << "Unknown Type";
        QTest::newRow("raw") << QList<int>{0} << QList<bool>{} << "1" << "1" << "No Temperature Measurement";
        QTest::newRow("high") << QList<int>{2} << QList<bool>{} << "1" << "1" << "High Resolution Temperature Measurement";
        QTest::newRow("empty") << QList<int>{} << QList<bool>{} << "0" << "0" << "Unknown Type";
    }
    void summaries()
    {
        QFETCH(QList<int>, types);
        QFETCH(QList<bool>, enabled);
        QFETCH(QString, total);
        QFETCH(QString, on);
        QFETCH(QString, type);
        const QString name = QStringLiteral("Summary %1").arg(QTest::currentDataTag()).replace(',', ' ');
        makeProject(name, types, enabled);
        DBThermal page;
        page.showProjectInfo(name);
        QCOMPARE(page.value(0), name);
        QCOMPARE(page.value(1), QStringLiteral("3"));
        QCOMPARE(page.value(3), total);
        QCOMPARE(page.value(4), on);
        QCOMPARE(page.value(5), type);
        page.showProjectInfo("No such project");
        for (int i = 0; i < 6; ++i)
            QCOMPARE(page.value(i), QStringLiteral("-"));
    }

    void renameAndDelete()
    {
        KorvelTest::PromptScript script;
        makeProject("Old name", {2}, {});
        makeProject("Taken", {2}, {});
        DBThermal page;
        page.showProjectInfo("Old name");
        QSignalSpy renamed(&page, &DBThermal::thRenamed);
        QString answer;
        page.renameAsker = [&](const QString &) { return answer; };
        page.renameClicked();  // cancelled
        QCOMPARE(renamed.size(), 0);
        answer = "Taken";
        page.renameClicked();
        QCOMPARE(script.requests().last().title, QStringLiteral("Can't rename thermal project"));
        QVERIFY(QFile::exists(ThermalPaths::projectFilePath("Old name")));
        answer = "New name";
        page.renameClicked();
        QCOMPARE(renamed.size(), 1);
        QCOMPARE(page.value(0), QStringLiteral("New name"));
        THData back;
        QCOMPARE(back.openProject("New name"), 100);

        const int id = Data::instance()->registerOpen(OpenKind::Thermal, "New name");
        page.deleteClicked();
        QCOMPARE(script.requests().last().title, QStringLiteral("Can't delete thermal project"));
        answer = "Other";
        page.renameClicked();
        QCOMPARE(renamed.size(), 1);
        Data::instance()->unregisterOpen(id);

        QSignalSpy removed(&page, &DBThermal::thRemoved);
        script.button(QMessageBox::No);
        page.deleteClicked();
        QVERIFY(QFile::exists(ThermalPaths::projectFilePath("New name")));
        script.button(QMessageBox::Yes);
        page.deleteClicked();
        QCOMPARE(removed.size(), 1);
        QVERIFY(!QFileInfo::exists(ThermalPaths::thermalFolderPath() + "/New name"));

        QSignalSpy opened(&page, &DBThermal::openProject);
        page.showProjectInfo("Taken");
        page.openProjectClicked();
        QCOMPARE(opened.first().first().toString(), QStringLiteral("Taken"));
    }
};

KORVEL_TEST_MAIN(TestDBThermal)
#include "test_dbthermal.moc"
