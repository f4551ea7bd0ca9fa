// The map loading thread and the map page.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "core/data.h"
#include "core/mapdescription.h"
#include "database/dbmain.h"
#include "database/dbmaps.h"
#include "database/dbrenamediag.h"
#include "database/dbthread.h"
#include "support/maprecord.h"
#include "support/testkit.h"
#include "zpxfixtures.h"

using namespace ZpxFixture;

namespace {

QString maps() { return Data::instance()->orthoMapPath(); }

void storeMap(const QString &file, const QString &recordName, QSize size = QSize(40, 20))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QVERIFY(MapDescription::writeImage(
        maps() + "/" + file, image,
        KorvelTest::mapRecord(recordName, "osm",
                                   {11, 48.1, 11.1, 48.1, 11, 48, 11.1, 48, 11.5, 48.1, 1200, 800})));
}

QStringList recent()
{
    QStringList out;
    for (int i = 0; i < 10; ++i)
        out << Data::instance()->recentName(i);
    return out;
}

QTreeWidgetItem *itemNamed(const DBMain &db, const QString &name)
{
    for (QTreeWidgetItem *item : db.items(DBMain::Maps)) {
        if (item->text(0) == name)
            return item;
    }
    return nullptr;
}

// The map loader has ended and everything it sent has arrived: its signals
// are queued before it ends.
bool loaderEnded(const DBMain &db)
{
    if (!KorvelTest::waitFor([&] { return db.mapLoader()->isFinished(); }))
        return false;
    QCoreApplication::sendPostedEvents();
    return true;
}

}  // namespace

class TestDBMaps : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QDir(maps()).removeRecursively();
        QDir().mkpath(maps());
    }

    void preview_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QSize>("preview");
        QTest::newRow("wide") << QSize(4000, 2000) << QSize(600, 300);
        QTest::newRow("tall") << QSize(1000, 4000) << QSize(90, 360);
        QTest::newRow("small") << QSize(100, 100) << QSize(360, 360);
    }
    void preview()
    {
        QFETCH(QSize, image);
        QFETCH(QSize, preview);
        QCOMPARE(DBThread::preview(QImage(image, QImage::Format_RGB32)).size(), preview);
    }

    // Full, short and missing records: the name is always the selected
    // file's, missing values show "-".
    void pageShowsTheRecord_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("full") << QString("n|s|1|2|3|4|5|6|7|8|11.5|48.1|1200|800").split('|')
                              << QStringList{"sel", "s", "11.5°", "48.1°", "1200m", "800m"};
        QTest::newRow("short") << QStringList{"n", "s", "1"}
                               << QStringList{"sel", "s", "-", "-", "-", "-"};
        QTest::newRow("none") << QStringList{"sel"} << QStringList{"sel", "-", "-", "-", "-", "-"};
    }
    void pageShowsTheRecord()
    {
        QFETCH(QStringList, fields);
        QFETCH(QStringList, shown);
        DBMaps page;
        QCOMPARE(page.value(0)->text(), QString("-"));
        QCOMPARE(page.value(1)->text(), QString("0"));
        page.setFile("sel", maps() + "/sel.jpg");
        page.setMapData(MapDescription::parse(fields.join('|'), false));
        QStringList texts;
        for (int i = 0; i < 6; ++i)
            texts << page.value(i)->text();
        QCOMPARE(texts, shown);
    }

    void selectingMapsEndsOnTheLast()
    {
        storeMap("First.jpg", "First", QSize(3000, 2000));
        storeMap("Second.JPG", "Second");
        writeFile(maps() + "/Broken.jpg", "not an image");
        DBMain db;
        db.updateDBComplete();
        db.tree()->setCurrentItem(itemNamed(db, "First"));
        QCOMPARE(db.pages()->currentIndex(), int(DBMain::LoadingPage));
        db.tree()->setCurrentItem(itemNamed(db, "Second"));
        QTRY_COMPARE_WITH_TIMEOUT(db.pages()->currentIndex(), int(DBMain::MapPage), KorvelTest::kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(db.mapPage()->value(1)->text(), QString("osm"), KorvelTest::kWaitMs);
        QVERIFY(loaderEnded(db));  // an older load would show its map now
        QCOMPARE(db.mapPage()->name(), QString("Second"));
        QCOMPARE(db.mapPage()->previewLabel()->pixmap(Qt::ReturnByValue).size(), QSize(600, 300));

        // An unreadable map still gets its page, not the loading page forever.
        db.tree()->setCurrentItem(itemNamed(db, "Broken"));
        QTRY_COMPARE_WITH_TIMEOUT(db.pages()->currentIndex(), int(DBMain::MapPage), KorvelTest::kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(db.mapPage()->value(1)->text(), QString("-"), KorvelTest::kWaitMs);
        QCOMPARE(db.mapPage()->name(), QString("Broken"));

        // A load that ends after another kind was selected leaves that page.
        db.tree()->setCurrentItem(itemNamed(db, "First"));
        db.tree()->setCurrentItem(db.overviewNode());
        QVERIFY(loaderEnded(db));
        QCOMPARE(db.pages()->currentIndex(), int(DBMain::OverviewPage));
    }

    void deleteAndRename_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("delete in use") << "delete" << true << "" << "Can't delete Map"
                                       << QStringList{"Other.jpg", "harbour.JPG"};
        QTest::newRow("delete") << "delete" << false << "" << "Confirm deletion"
                                << QStringList{"Other.jpg"};
        QTest::newRow("rename in use") << "rename" << true << "x" << "Can't rename Map"
                                       << QStringList{"Other.jpg", "harbour.JPG"};
        QTest::newRow("rename to a taken name") << "rename" << false << "Other" << "Can't rename map"
                                                << QStringList{"Other.jpg", "harbour.JPG"};
        QTest::newRow("rename") << "rename" << false << "Bay" << ""
                                << QStringList{"Bay.JPG", "Other.jpg"};
        QTest::newRow("rename cancelled") << "rename" << false << "" << ""
                                          << QStringList{"Other.jpg", "harbour.JPG"};
    }
    void deleteAndRename()
    {
        QFETCH(QString, action);
        QFETCH(bool, open);
        QFETCH(QString, typed);
        QFETCH(QString, box);
        QFETCH(QStringList, files);
        Data *data = Data::instance();
        storeMap("harbour.JPG", "harbour");
        storeMap("Other.jpg", "Other");
        data->updateMapIndex();
        data->addRecent(OpenKind::Map, "harbour");
        const int id = open ? data->registerOpen(OpenKind::Map, "harbour") : -1;
        DBMain db;
        db.updateDBComplete();
        db.tree()->setCurrentItem(itemNamed(db, "harbour"));
        QTRY_COMPARE_WITH_TIMEOUT(db.pages()->currentIndex(), int(DBMain::MapPage), KorvelTest::kWaitMs);
        DBMaps *page = db.mapPage();
        QSignalSpy deleted(page, &DBMaps::mapDeleted);
        bool ordered = false;
        connect(page, &DBMaps::mapDeleted, page, [&] {
            ordered = !recent().contains("harbour") && data->mapIndexCount() == 1;
        });
        KorvelTest::PromptScript script;
        script.button(QMessageBox::Yes);
        if (action == "rename" && !open) {
            KorvelTest::whenModal([typed](QWidget *w) {
                auto *d = qobject_cast<DBRenameDiag *>(w);
                if (typed.isEmpty())
                    return d->cancelButton()->click();
                d->nameEdit()->setText(typed);
                d->renameButton()->click();
            });
        }
        (action == "delete" ? page->deleteButton() : page->renameButton())->click();
        if (open)
            data->unregisterOpen(id);
        QStringList titles;
        for (const Prompt::Request &rq : script.requests())
            titles << rq.title;
        QCOMPARE(titles, box.isEmpty() ? QStringList() : QStringList(box));
        QStringList left = QDir(maps()).entryList({"*.jpg", "*.JPG"}, QDir::Files);
        left.sort();
        QCOMPARE(left, files);
        if (action == "delete" && !open) {
            QCOMPARE(deleted.size(), 1);
            QVERIFY(ordered);
            QVERIFY(!itemNamed(db, "harbour"));
        }
        if (typed == "Bay") {
            QVERIFY(itemNamed(db, "Bay"));
            QCOMPARE(page->name(), QString("Bay"));
            QVERIFY(recent().contains("Bay"));
            QVERIFY(MapDescription::readText(maps() + "/Bay.JPG").startsWith("Bay|"));
            data->removeRecent(OpenKind::Map, "Bay");
        }
        data->removeRecent(OpenKind::Map, "harbour");
    }

    void newFlightPlanOpensTheStoredFile()
    {
        DBMaps page;
        // The archive export refreshes the tree however its dialog ends.
        QSignalSpy update(&page, &DBMaps::updateDB);
        KorvelTest::whenModal([](QWidget *w) { qobject_cast<QDialog *>(w)->reject(); });
        page.exportButton()->click();
        QCOMPARE(update.size(), 1);
        page.setFile("harbour", maps() + "/harbour.JPG");
        QSignalSpy open(&page, &DBMaps::openMap);
        page.newFlightPlanButton()->click();
        QCOMPARE(open.first().first().toString(), QDir::toNativeSeparators(maps() + "/harbour.JPG"));
    }
};

KORVEL_TEST_MAIN(TestDBMaps)
#include "test_dbmaps.moc"
