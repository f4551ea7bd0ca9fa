// The flight-plan page: delete, rename, open and archive export.
#include <QDataStream>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "core/data.h"
#include "database/dbrenamediag.h"
#include "database/dbwaypoints.h"
#include "database/zpx/zpxexportdialog.h"
#include "support/maprecord.h"
#include "support/testkit.h"
#include "zpxfixtures.h"

using namespace ZpxFixture;

namespace {

QString plans() { return Data::instance()->waypointPath(); }

QByteArray planBytes(const QList<QPointF> &positions)
{
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    s.setVersion(12);
    s << QStringLiteral("KorvelWPData") << qint32(192) << qint32(positions.size());
    for (const QPointF &p : positions) {
        s << p.x() << p.y();
        s.writeRawData(QByteArray(44, '\0').constData(), 44);
    }
    return bytes;
}

// Stored maps around (11, 48), (12, 48) and (13, 48), each 0.01 degrees wide.
void storeMaps()
{
    Data *d = Data::instance();
    QDir(d->orthoMapPath()).removeRecursively();
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::gray);
    const QList<QPair<QString, double>> maps = {{"West", 11}, {"Middle", 12}, {"Also", 12}};
    for (const auto &m : maps) {
        const double x = m.second;
        QVERIFY(d->saveMapImage(image, KorvelTest::mapRecord(m.first, "",
                                                             {x, 48.01, x + 0.01, 48.01, x, 48.0,
                                                              x + 0.01, 48.0, x + 0.005, 48.005,
                                                              10, 10})));
    }
    d->updateMapIndex();
}

QStringList recent()
{
    QStringList out;
    for (int i = 0; i < 10; ++i)
        out << Data::instance()->recentName(i);
    return out;
}

QStringList ticked(ZPXExportDialog *d)
{
    QStringList out;
    for (int t = 0; t < d->tree()->topLevelItemCount(); ++t) {
        QTreeWidgetItem *top = d->tree()->topLevelItem(t);
        for (int c = 0; c < top->childCount(); ++c) {
            if (top->child(c)->checkState(0) == Qt::Checked)
                out << top->text(0) + "/" + top->child(c)->text(0);
        }
    }
    return out;
}

}  // namespace

class TestDBWaypoints : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QDir(plans()).removeRecursively();
        QDir().mkpath(plans());
    }

    void deleteAPlan_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("in use") << "Route.zfp" << true << int(QMessageBox::Yes) << false;
        QTest::newRow("answered no") << "Route.zfp" << false << int(QMessageBox::No) << false;
        QTest::newRow("deleted") << "Route.zfp" << false << int(QMessageBox::Yes) << true;
        QTest::newRow("stored in capitals") << "Route.ZFP" << false << int(QMessageBox::Yes) << true;
    }
    void deleteAPlan()
    {
        QFETCH(QString, file);
        QFETCH(bool, open);
        QFETCH(int, answer);
        QFETCH(bool, deleted);
        Data *data = Data::instance();
        writeFile(plans() + "/" + file, "plan");
        writeFile(plans() + "/Route.other", "stays");
        writeFile(data->orthoMapPath() + "/index", "stale");
        data->addRecent(OpenKind::FlightPlan, "Route");
        const int id = open ? data->registerOpen(OpenKind::FlightPlan, "Route") : -1;
        DBWaypoints page;
        page.setData("Route", "Unknown", "date", "3");
        QSignalSpy removed(&page, &DBWaypoints::wpRemoved);
        bool orderKept = false;
        connect(&page, &DBWaypoints::wpRemoved, &page, [&] {
            orderKept = !QFile::exists(data->orthoMapPath() + "/index")
                && !recent().contains("Route");
        });
        KorvelTest::PromptScript script;
        script.button(answer);
        page.deleteButton()->click();
        if (open)
            data->unregisterOpen(id);
        QCOMPARE(script.requests().first().title,
                 QString(open ? "Can't delete flightplan" : "Confirm deletion"));
        QCOMPARE(QFile::exists(plans() + "/" + file), !deleted);
        QVERIFY(QFile::exists(plans() + "/Route.other"));
        QCOMPARE(removed.size(), deleted ? 1 : 0);
        QCOMPARE(orderKept, deleted);
        data->removeRecent(OpenKind::FlightPlan, "Route");
    }

    void renameAPlan_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("typed");  // empty: cancelled
        QTest::addColumn<QString>("result"); // file afterwards; empty: unchanged
        QTest::addColumn<QString>("box");
        QTest::newRow("free name") << "Route.zfp" << "Survey" << "Survey.zfp" << "";
        QTest::newRow("capitals kept") << "Route.ZFP" << "Survey" << "Survey.ZFP" << "";
        QTest::newRow("taken name") << "Route.zfp" << "Taken" << "" << "Can't rename flightplan";
        QTest::newRow("same name") << "Route.zfp" << "Route" << "" << "Can't rename flightplan";
        QTest::newRow("taken in capitals") << "Route.zfp" << "TAKEN2" << "" << "Can't rename flightplan";
        QTest::newRow("cancelled") << "Route.zfp" << "" << "" << "";
    }
    void renameAPlan()
    {
        QFETCH(QString, file);
        QFETCH(QString, typed);
        QFETCH(QString, result);
        QFETCH(QString, box);
        Data *data = Data::instance();
        writeFile(plans() + "/" + file, "plan");
        writeFile(plans() + "/Taken.zfp", "other");
        writeFile(plans() + "/TAKEN2.ZFP", "other");
        data->addRecent(OpenKind::FlightPlan, "Route");
        DBWaypoints page;
        page.setData("Route", "Unknown", "date", "3");
        QSignalSpy renamed(&page, &DBWaypoints::wpRenamed);
        bool signalFirst = false;
        connect(&page, &DBWaypoints::wpRenamed, &page, [&] { signalFirst = recent().contains("Route"); });
        KorvelTest::PromptScript script;
        KorvelTest::whenModal([typed](QWidget *w) {
            auto *d = qobject_cast<DBRenameDiag *>(w);
            QVERIFY(d);
            if (typed.isEmpty()) {
                d->cancelButton()->click();
                return;
            }
            d->nameEdit()->setText(typed);
            d->renameButton()->click();
        });
        page.renameButton()->click();
        QCOMPARE(script.requests().size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty())
            QCOMPARE(script.requests().first().title, box);
        if (result.isEmpty()) {
            QVERIFY(QFile::exists(plans() + "/" + file));
            QCOMPARE(page.name(), QString("Route"));
            QCOMPARE(renamed.size(), 0);
        } else {
            QVERIFY(!QFile::exists(plans() + "/" + file));
            QCOMPARE(readFile(plans() + "/" + result), QByteArray("plan"));
            QCOMPARE(page.name(), typed);
            QCOMPARE(renamed.size(), 1);
            QVERIFY(signalFirst);
            QVERIFY(recent().contains(typed));
            data->removeRecent(OpenKind::FlightPlan, typed);
        }
        QCOMPARE(readFile(plans() + "/Taken.zfp"), QByteArray("other"));
        data->removeRecent(OpenKind::FlightPlan, "Route");
    }

    // The map questions for plans over no, one and several stored maps.
    void exportAsksForAMap_data()
    {
        QTest::addColumn<QList<QPointF>>("waypoints");
        QTest::addColumn<QList<int>>("answers");  // message boxes in order
        QTest::addColumn<bool>("chooserAccepts");
        QTest::addColumn<QStringList>("ticked");  // empty list: no export dialog
        QTest::addColumn<QStringList>("boxes");
        const QStringList planOnly{"Flightplans/Route"};
        QTest::newRow("no map") << QList<QPointF>{{5, 5}} << QList<int>{} << false << planOnly
                                << QStringList{"No map found"};
        QTest::newRow("one map, no") << QList<QPointF>{{11.005, 48.005}}
                                     << QList<int>{QMessageBox::No} << false << planOnly
                                     << QStringList{"Map export"};
        QTest::newRow("one map, yes") << QList<QPointF>{{11.005, 48.005}}
                                      << QList<int>{QMessageBox::Yes} << false
                                      << QStringList{"Flightplans/Route", "Maps/West"}
                                      << QStringList{"Map export"};
        QTest::newRow("several, no") << QList<QPointF>{{12.005, 48.005}}
                                     << QList<int>{QMessageBox::No} << false << planOnly
                                     << QStringList{"Map exporting?"};
        QTest::newRow("several, chooser cancelled")
            << QList<QPointF>{{12.005, 48.005}} << QList<int>{QMessageBox::Yes} << false
            << QStringList() << QStringList{"Map exporting?"};
        QTest::newRow("several, chosen")
            << QList<QPointF>{{12.005, 48.005}} << QList<int>{QMessageBox::Yes} << true
            << QStringList{"Flightplans/Route", "Maps/?"} << QStringList{"Map exporting?"};
    }
    void exportAsksForAMap()
    {
        QFETCH(QList<QPointF>, waypoints);
        QFETCH(QList<int>, answers);
        QFETCH(bool, chooserAccepts);
        QFETCH(QStringList, ticked);
        QFETCH(QStringList, boxes);
        storeMaps();
        writeFile(plans() + "/Route.zfp", planBytes(waypoints));
        DBWaypoints page;
        page.setData("Route", "", "", "");
        QSignalSpy update(&page, &DBWaypoints::updateDB);
        KorvelTest::PromptScript script;
        for (int a : answers)
            script.button(a);
        QStringList seen;
        QString chosen;
        std::function<void(QWidget *)> onModal = [&](QWidget *w) {
            if (auto *exportDialog = qobject_cast<ZPXExportDialog *>(w)) {
                seen = ::ticked(exportDialog);
                exportDialog->reject();
                return;
            }
            // The map chooser: pick the first map or cancel.
            if (chooserAccepts) {
                QMetaObject::invokeMethod(w, "openClicked");
            } else {
                qobject_cast<QDialog *>(w)->reject();
            }
            if (!ticked.isEmpty())
                KorvelTest::whenModal(onModal);
        };
        KorvelTest::whenModal(onModal);
        page.exportButton()->click();
        QStringList titles;
        for (const Prompt::Request &rq : script.requests())
            titles << rq.title;
        QCOMPARE(titles, boxes);
        if (ticked.value(1) == "Maps/?") {
            QCOMPARE(seen.size(), 2);
            QVERIFY(seen.at(1) == "Maps/Middle" || seen.at(1) == "Maps/Also");
        } else {
            QCOMPARE(seen, ticked);
        }
        QCOMPARE(update.size(), ticked.isEmpty() ? 0 : 1);
    }

    void openEmitsTheName()
    {
        DBWaypoints page;
        QCOMPARE(page.nameLabel()->text(), QString("0"));
        page.setData("Route", "Harbour", "01. May 2017 10:00:00", "12");
        QCOMPARE(page.countLabel()->text(), QString("12"));
        QSignalSpy open(&page, &DBWaypoints::openFlightPlan);
        page.openButton()->click();
        QCOMPARE(open.size(), 1);
        QCOMPARE(open.first().first().toString(), QString("Route"));
    }
};

KORVEL_TEST_MAIN(TestDBWaypoints)
#include "test_dbwaypoints.moc"
