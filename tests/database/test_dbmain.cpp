// The database window's tree, totals, selection and overview page.
#include <QDataStream>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "core/mapdescription.h"
#include "database/dbmain.h"
#include "database/dboverview.h"
#include "database/dbrenamediag.h"
#include "database/dbwaypoints.h"
#include "support/maprecord.h"
#include "support/testkit.h"
#include "thermal/editor/dbthermal.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"
#include "zpxfixtures.h"

using namespace ZpxFixture;

namespace {

// Empties the workspace folders of every kind.
void cleanWorkspace()
{
    for (int k = 0; k < DBMain::KindCount; ++k) {
        const QString dir = DBMain::folderOf(DBMain::Kind(k));
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
    }
}

QString in(DBMain::Kind kind, const QString &rel)
{
    return DBMain::folderOf(kind) + "/" + rel;
}

QStringList names(const DBMain &db, DBMain::Kind kind)
{
    QStringList out;
    for (QTreeWidgetItem *item : db.items(kind))
        out << item->text(0);
    out.sort();
    return out;
}

QTreeWidgetItem *itemNamed(const DBMain &db, DBMain::Kind kind, const QString &name)
{
    for (QTreeWidgetItem *item : db.items(kind)) {
        if (item->text(0) == name)
            return item;
    }
    return nullptr;
}

// One of each kind, with sizes that add up to known totals.
void fillWorkspace()
{
    cleanWorkspace();
    writeFile(in(DBMain::FlightPlans, "Route.zfp"), QByteArray(1000, 'p'));
    writeFile(in(DBMain::FlightPlans, "ROUTE.ZFP"), QByteArray(24, 'p'));
    writeFile(in(DBMain::FlightPlans, ".hidden.zfp"), QByteArray(0, 'p'));
    writeFile(in(DBMain::FlightPlans, "odd.Zfp"), "not listed");
    writeFile(in(DBMain::Maps, "a.b.jpg"), QByteArray(2048, 'm'));
    writeFile(in(DBMain::Logs, "2017.05.01/KORVEL.LOG"), QByteArray(1024, 'l'));
    writeFile(in(DBMain::Logs, "2017.05.01/sub/x"), QByteArray(1024, 'l'));
    writeFile(in(DBMain::Logs, ".hidden/KORVEL.LOG"), "l");
    writeFile(in(DBMain::PhotoTagger, "Proj/p.zpt"), QByteArray(512, 't'));
    writeFile(in(DBMain::Traces, "T1.zt1"), QByteArray(100, 'r'));
    writeFile(in(DBMain::Thermal, "Heat/x"), QByteArray(412, 'h'));
}

}  // namespace

class TestDBMain : public QObject {
    Q_OBJECT
private slots:
    void sizeText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0 Bytes";
        QTest::newRow("negative") << qint64(-5) << "-5 Bytes";
        QTest::newRow("1024") << qint64(1024) << "1024 Bytes";
        QTest::newRow("1025") << qint64(1025) << "1.0 KB";
        QTest::newRow("1536") << qint64(1536) << "1.5 KB";
        QTest::newRow("2^20") << qint64(1 << 20) << "1024.0 KB";
        QTest::newRow("2^20+1") << qint64((1 << 20) + 1) << "1.0 MB";
        QTest::newRow("2^30") << qint64(1 << 30) << "1024.0 MB";
        QTest::newRow("5 GB") << qint64(5LL << 30) << "5.0 GB";
    }
    void sizeText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(DBMain::sizeText(bytes, 0, 1), text);
    }

    void emptyWorkspace()
    {
        cleanWorkspace();
        DBMain db;
        QCOMPARE(db.overview()->amountLabel()->text(), QString("0"));
        QCOMPARE(db.overview()->diskUsageLabel()->text(), QString("0"));
        QCOMPARE(db.pages()->currentIndex(), int(DBMain::OverviewPage));
        db.updateDBComplete();
        for (int k = 0; k < DBMain::KindCount; ++k) {
            QCOMPARE(db.kindNode(DBMain::Kind(k))->text(2), QString("0"));
            QCOMPARE(db.kindNode(DBMain::Kind(k))->text(3), QString("0 Bytes"));
        }
        QCOMPARE(db.harlekNode()->text(2), QString());
        QCOMPARE(db.harlekNode()->text(3), QString("0 Bytes"));
        QCOMPARE(db.overviewNode()->text(3), QString("0 Bytes"));
        QCOMPARE(db.overview()->amountLabel()->text(), QString("0"));
        QCOMPARE(db.overview()->diskUsageLabel()->text(), QString("0 Bytes"));
    }

    void treeListsEveryKind()
    {
        fillWorkspace();
        DBMain db;
        db.updateDBComplete();
        QCOMPARE(names(db, DBMain::FlightPlans), QStringList({".hidden", "ROUTE", "Route"}));
        QCOMPARE(names(db, DBMain::Maps), QStringList("a.b"));
        QCOMPARE(names(db, DBMain::Logs), QStringList("2017.05.01"));
        QCOMPARE(names(db, DBMain::PhotoTagger), QStringList("Proj"));
        QCOMPARE(names(db, DBMain::Traces), QStringList("T1"));
        QCOMPARE(names(db, DBMain::Thermal), QStringList("Heat"));
        QCOMPARE(itemNamed(db, DBMain::Logs, "2017.05.01")->text(1), QString("Harlek Log"));
        QCOMPARE(itemNamed(db, DBMain::Logs, "2017.05.01")->text(3), QString("2.0 KB"));
        QCOMPARE(db.kindNode(DBMain::FlightPlans)->text(2), QString("3"));
        QCOMPARE(db.kindNode(DBMain::FlightPlans)->text(3), QString("1024 Bytes"));
        // Harlek: 2048 + 512 + 100 + 412 = 3072; Overview adds 1024 + 2048.
        QCOMPARE(db.harlekNode()->text(3), QString("3.0 KB"));
        QCOMPARE(db.overviewNode()->text(3), QString("6.0 KB"));
        QCOMPARE(db.overview()->amountLabel()->text(), QString("8"));
        QCOMPARE(db.overview()->diskUsageLabel()->text(), QString("6.0 KB"));
        // Fixed nodes in name order.
        QTreeWidgetItem *overview = db.overviewNode();
        QCOMPARE(overview->child(0)->text(0), QString("Flightplans"));
        QCOMPARE(overview->child(1)->text(0), QString("Harlek"));
        QCOMPARE(overview->child(2)->text(0), QString("Maps"));
        QCOMPARE(db.kindNode(DBMain::FlightPlans)->child(0)->text(0), QString(".hidden"));
    }

    void selectionSurvivesARefresh_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("page");
        QTest::newRow("plan") << int(DBMain::FlightPlans) << "ROUTE" << int(DBMain::FlightPlanPage);
        QTest::newRow("map") << int(DBMain::Maps) << "a.b" << int(DBMain::MapPage);
        QTest::newRow("log") << int(DBMain::Logs) << "2017.05.01" << int(DBMain::LogPage);
        QTest::newRow("project") << int(DBMain::PhotoTagger) << "Proj" << int(DBMain::PhotoTaggerPage);
        QTest::newRow("trace") << int(DBMain::Traces) << "T1" << int(DBMain::TracePage);
        QTest::newRow("thermal") << int(DBMain::Thermal) << "Heat" << int(DBMain::ThermalPage);
    }
    void selectionSurvivesARefresh()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(int, page);
        fillWorkspace();
        DBMain db;
        db.updateDBComplete();
        KorvelTest::PromptScript script;  // the log page reports its unreadable log
        db.tree()->setCurrentItem(itemNamed(db, DBMain::Kind(kind), name));
        QTRY_COMPARE_WITH_TIMEOUT(db.pages()->currentIndex(), page, KorvelTest::kWaitMs);
        db.updateDBComplete();
        QVERIFY(db.tree()->currentItem());
        QCOMPARE(db.tree()->currentItem()->text(0), name);
        QCOMPARE(db.currentName(), name);
        QTRY_COMPARE_WITH_TIMEOUT(db.pages()->currentIndex(), page, KorvelTest::kWaitMs);
        db.tree()->setCurrentItem(db.kindNode(DBMain::Kind(kind)));
        QCOMPARE(db.pages()->currentIndex(), int(DBMain::OverviewPage));
    }

    // The whole tree of kinds must stay usable in a short window; a category
    // row clicked with the mouse brings back the overview.
    void shortWindowShowsTheTreeAndCategoryRowsWork()
    {
        fillWorkspace();
        DBMain db;
        db.resize(1000, 515);  // what the tab gets in a 1000 x 600 main window
        db.show();
        QVERIFY(QTest::qWaitForWindowExposed(&db));
        db.updateDBComplete();
        QTreeWidget *tree = db.tree();
        const QRect view = tree->viewport()->rect();
        QList<QTreeWidgetItem *> fixed{db.overviewNode(), db.harlekNode()};
        for (int k = 0; k < DBMain::KindCount; ++k)
            fixed << db.kindNode(DBMain::Kind(k));
        for (QTreeWidgetItem *node : fixed) {
            tree->scrollToTop();
            QVERIFY2(view.contains(tree->visualItemRect(node)), qPrintable(node->text(0)));
        }
        QVERIFY(db.pages()->height() >= 150);

        tree->expandAll();
        KorvelTest::PromptScript script;  // the log page reports its unreadable log
        const QList<QPair<QTreeWidgetItem *, int>> clicks{
            {itemNamed(db, DBMain::FlightPlans, "Route"), DBMain::FlightPlanPage},
            {db.kindNode(DBMain::Maps), DBMain::OverviewPage},
            {itemNamed(db, DBMain::Logs, "2017.05.01"), DBMain::LogPage},
            {db.kindNode(DBMain::Logs), DBMain::OverviewPage},
            {itemNamed(db, DBMain::Traces, "T1"), DBMain::TracePage},
            {db.harlekNode(), DBMain::OverviewPage},
            {itemNamed(db, DBMain::Thermal, "Heat"), DBMain::ThermalPage},
            {db.kindNode(DBMain::Thermal), DBMain::OverviewPage},
        };
        for (const auto &click : clicks) {
            tree->scrollToItem(click.first);
            const QRect rect = tree->visualItemRect(click.first);
            QVERIFY2(view.contains(rect), qPrintable(click.first->text(0)));
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
            QVERIFY2(tree->currentItem() == click.first, qPrintable(click.first->text(0)));
            QCOMPARE(db.pages()->currentIndex(), click.second);
        }
    }

    // Every page sits in the stack: nothing is drawn loose over the split.
    void onlyTheSplitShowsOnTheWindow()
    {
        cleanWorkspace();
        DBMain db;
        db.resize(1000, 515);
        db.show();
        QVERIFY(QTest::qWaitForWindowExposed(&db));
        for (QWidget *child : db.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (child->isVisible())
                QVERIFY2(child == db.splitter(), child->metaObject()->className());
        }
    }

    void pagesKeepTheirHeightInATallWindowAndADraggedSplitHolds()
    {
        cleanWorkspace();
        DBMain db;
        db.resize(1600, 1000);
        db.show();
        QVERIFY(QTest::qWaitForWindowExposed(&db));
        QCOMPARE(db.splitter()->sizes().first(), 400);
        QVERIFY(db.tree()->height() > 400);

        db.resize(1000, 515);
        const int shortPages = db.splitter()->sizes().first();
        QVERIFY(shortPages < 400);
        QVERIFY(db.tree()->height() >= db.splitter()->height() / 3);

        // The operator's own split is kept when the window changes size.
        db.splitter()->setSizes({120, 360});
        emit db.splitter()->splitterMoved(120, 1);
        db.resize(1000, 700);
        QCOMPARE(db.splitter()->sizes().first(), 120);
    }

    void removalDropsTheAmountAtOnce()
    {
        fillWorkspace();
        DBMain db;
        db.updateDBComplete();
        QFile::remove(in(DBMain::FlightPlans, "Route.zfp"));
        db.wpRemoved("Route");
        db.wpRemoved("Nonexistent");
        QCOMPARE(db.kindNode(DBMain::FlightPlans)->text(2), QString("2"));
        QCOMPARE(db.overview()->amountLabel()->text(), QString("7"));
        QCOMPARE(db.kindNode(DBMain::FlightPlans)->text(3), QString("1024 Bytes"));
        db.updateDBComplete();
        QCOMPARE(db.kindNode(DBMain::FlightPlans)->text(3), QString("24 Bytes"));
        db.logRenamed("2017.05.01", "renamed");
        QCOMPARE(names(db, DBMain::Logs), QStringList("renamed"));
    }

    // A map renamed in the window whose file then refuses the new name in
    // its description: the user is told, with the file and the reason.
    void mapRenameThatCannotBeWrittenIsSaid()
    {
        cleanWorkspace();
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        const QString file = in(DBMain::Maps, "New.jpg");
        QVERIFY(MapDescription::writeImage(in(DBMain::Maps, "Old.jpg"), picture,
                                           KorvelTest::mapRecord("Old", "x", {10.99, 48.01, 11.01, 48.01, 10.99, 47.99, 11.01, 47.99, 11, 48, 100, 100})));
        DBMain db;
        db.updateDBComplete();
        QVERIFY(QFile::rename(in(DBMain::Maps, "Old.jpg"), file));
        QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner));
        KorvelTest::PromptScript prompts;
        db.mapRenamed("Old", "New");
        QCOMPARE(names(db, DBMain::Maps), QStringList("New"));
        QCOMPARE(prompts.requests().size(), 1);
        QVERIFY2(prompts.requests().first().text.endsWith(
                     AtomicFile::describe(file, QString::fromLocal8Bit(strerror(EACCES)))),
                 qPrintable(prompts.requests().first().text));
        QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(QFile::remove(file));
        Data::instance()->updateMapIndex();  // the next tests find no map here
    }

    void doubleClickOpensPlansMapsAndProjects()
    {
        fillWorkspace();
        writeFile(in(DBMain::Maps, "Up.JPG"), "m");
        DBMain db;
        db.updateDBComplete();
        QSignalSpy plans(&db, &DBMain::openFlightplan), maps(&db, &DBMain::openMap),
            projects(&db, &DBMain::openPhotoTaggerProject),
            thermal(&db, &DBMain::openThermalProject);
        db.openItem(itemNamed(db, DBMain::FlightPlans, "Route"));
        db.openItem(itemNamed(db, DBMain::Maps, "a.b"));
        db.openItem(itemNamed(db, DBMain::Maps, "Up"));
        db.openItem(itemNamed(db, DBMain::PhotoTagger, "Proj"));
        db.openItem(itemNamed(db, DBMain::Thermal, "Heat"));
        db.openItem(itemNamed(db, DBMain::Logs, "2017.05.01"));
        db.openItem(itemNamed(db, DBMain::Traces, "T1"));
        db.openItem(db.overviewNode());
        QCOMPARE(plans.size(), 1);
        QCOMPARE(plans.first().first().toString(), QString("Route"));
        QCOMPARE(maps.size(), 2);
        QCOMPARE(maps.at(0).first().toString(), in(DBMain::Maps, "a.b.jpg"));
        QCOMPARE(maps.at(1).first().toString(), in(DBMain::Maps, "Up.JPG"));
        QCOMPARE(projects.size(), 1);
        QCOMPARE(thermal.size(), 1);
    }

    void planPageOfANameWithPoints()
    {
        cleanWorkspace();
        QByteArray bytes;
        QDataStream s(&bytes, QIODevice::WriteOnly);
        s.setVersion(12);
        s << QStringLiteral("KorvelWPData") << qint32(192) << qint32(2);
        for (double x : {11.0, 11.5}) {
            s << x << 48.0;
            s.writeRawData(QByteArray(44, '\0').constData(), 44);
        }
        writeFile(in(DBMain::FlightPlans, "a.b.zfp"), bytes);
        writeFile(in(DBMain::FlightPlans, "a.zfp"), "not a plan");
        DBMain db;
        db.updateDBComplete();
        db.tree()->setCurrentItem(itemNamed(db, DBMain::FlightPlans, "a.b"));
        QCOMPARE(db.pages()->currentIndex(), int(DBMain::FlightPlanPage));
        QCOMPARE(db.flightPlanPage()->nameLabel()->text(), QString("a.b"));
        QCOMPARE(db.flightPlanPage()->countLabel()->text(), QString("2"));
        QCOMPARE(db.flightPlanPage()->locationLabel()->text(), QString("Unknown"));
        QCOMPARE(db.flightPlanPage()->dateLabel()->text(),
                 QFileInfo(in(DBMain::FlightPlans, "a.b.zfp"))
                     .lastModified()
                     .toString("dd. MMMM yyyy hh:mm:ss"));
    }

    void thermalPage()
    {
        cleanWorkspace();
        QDir().mkpath(ThermalPaths::imageFolderPath("Heat"));
        THData project;
        project.projectFile = ThermalPaths::projectFilePath("Heat");
        project.appendImage("a.ara", true, 0, 0, 2);
        QVERIFY(project.saveCurrentProject());
        DBMain db;
        db.updateDBComplete();
        QSignalSpy opened(&db, &DBMain::openThermalProject);
        db.tree()->setCurrentItem(itemNamed(db, DBMain::Thermal, "Heat"));
        QCOMPARE(db.pages()->currentIndex(), int(DBMain::ThermalPage));
        QCOMPARE(db.pages()->currentWidget(), db.thermalPage());
        QCOMPARE(db.thermalPage()->value(0), QString("Heat"));
        QCOMPARE(db.thermalPage()->value(3), QString("1"));

        db.thermalPage()->openProjectClicked();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first().first().toString(), QString("Heat"));

        // The window's own rename dialog: Cancel keeps the name.
        KorvelTest::whenModal([](QWidget *m) {
            auto *diag = qobject_cast<DBRenameDiag *>(m);
            QVERIFY(diag);
            diag->cancelButton()->click();
        });
        db.thermalPage()->renameButton()->click();
        QCOMPARE(names(db, DBMain::Thermal), QStringList("Heat"));

        KorvelTest::whenModal([](QWidget *m) {
            auto *diag = qobject_cast<DBRenameDiag *>(m);
            QVERIFY(diag);
            QCOMPARE(diag->nameEdit()->text(), QString("Heat"));
            diag->nameEdit()->setText("Warm");
            diag->renameButton()->click();
        });
        db.thermalPage()->renameButton()->click();
        QVERIFY(QFile::exists(ThermalPaths::projectFilePath("Warm")));
        QVERIFY(!QFileInfo::exists(in(DBMain::Thermal, "Heat")));
        QCOMPARE(names(db, DBMain::Thermal), QStringList("Warm"));
        QCOMPARE(db.tree()->currentItem()->text(0), QString("Warm"));
        db.updateDBComplete();
        QCOMPARE(names(db, DBMain::Thermal), QStringList("Warm"));
    }

    void overviewImport()
    {
        cleanWorkspace();
        QTemporaryDir dir;
        const QString archive = dir.path() + "/in.zpx";
        QVERIFY(makeArchive(archive, {{"flightplan/New.zfp", "p"}}));
        QSettings settings("Brisolan Technologies", "Korvel Tarvendel");
        settings.setValue("Last ZPX Import Path", "/before");
        DBMain db;
        db.updateDBComplete();
        KorvelTest::PromptScript script;
        script.cancel();
        db.overview()->importButton()->click();
        QCOMPARE(settings.value("Last ZPX Import Path").toString(), QString("/before"));
        QCOMPARE(db.kindNode(DBMain::FlightPlans)->text(2), QString("0"));

        // Twice: the second brings nothing new and still refreshes.
        for (int round = 0; round < 2; ++round) {
            script.path(archive);
            std::function<void(QWidget *)> close = [&close](QWidget *m) {
                if (m->windowTitle() != "Imported ZPX file result") {
                    KorvelTest::whenModal(close);
                    return;
                }
                m->close();
            };
            KorvelTest::whenModal(close);
            if (round == 1)  // a change outside the archive shows up too
                writeFile(in(DBMain::FlightPlans, "Other.zfp"), "o");
            db.overview()->importButton()->click();
            QCOMPARE(settings.value("Last ZPX Import Path").toString(), dir.path());
            QCOMPARE(names(db, DBMain::FlightPlans), round == 0 ? QStringList("New")
                                                                : QStringList({"New", "Other"}));
        }
    }
};

KORVEL_TEST_MAIN(TestDBMain)
#include "test_dbmain.moc"
