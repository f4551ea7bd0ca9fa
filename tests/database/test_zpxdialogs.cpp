// The exchange archive's windows: the export dialog, both progress windows
// and the import result dialog, driven on the offscreen platform.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSettings>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include "core/data.h"
#include "database/zpx/zpxexportdialog.h"
#include "database/zpx/zpxexportthreaddiag.h"
#include "database/zpx/zpximportdialog.h"
#include "database/zpx/zpximportthreaddiag.h"
#include "support/maprecord.h"
#include "support/testkit.h"
#include "zpxfixtures.h"

using namespace ZpxFixture;

namespace {

QStringList childTexts(QTreeWidgetItem *top)
{
    QStringList out;
    for (int i = 0; i < top->childCount(); ++i)
        out << top->child(i)->text(0);
    out.sort();
    return out;
}

QStringList treeText(QTreeWidget *tree)
{
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *top = tree->topLevelItem(i);
        out << top->text(0);
        for (int c = 0; c < top->childCount(); ++c) {
            const QString reason = top->child(c)->text(1);
            out << "  " + top->child(c)->text(0) + (reason.isEmpty() ? "" : " | " + reason);
        }
    }
    return out;
}

// Empties the program's workspace folders between tests.
ZPX::Places cleanPlaces()
{
    const ZPX::Places p = ZPX::Places::fromData();
    for (const QString &dir : {p.maps, p.plans, p.logs, p.projects}) {
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
    }
    return p;
}

}  // namespace

class TestZpxDialogs : public QObject {
    Q_OBJECT
private slots:
    void resultDialog_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("imported");
        QTest::addColumn<QStringList>("notImported");
        QTest::addColumn<QString>("error");  // empty: hidden
        QTest::newRow("mixed") << QStringList{"Amout of data 3", "0*maps*Alpine.jpg",
                                              "1*flightplan*Route.zfp", "0*logs*2017-05-01_1"}
                               << QStringList{"Maps", "  Alpine", "Harlek Logs", "  2017-05-01_1"}
                               << QStringList{"Flightplan", "  Route | Already exists"} << "";
        QTest::newRow("all new, failures and odd lines")
            << QStringList{"0*maps*skipped.jpg", "2*phototagger*P", "0*phototagger*Q",
                           "0*flightplan*R.zfp", "0*unknown*x", "0*logs", "7*maps*odd.jpg"}
            << QStringList{"Flightplan", "  R", "Photo Tagger", "  Q"}
            << QStringList{"Maps", "  odd", "Photo Tagger", "  P | I/O Error"} << "";
        QTest::newRow("failure message") << QStringList{"No valid zpx file"} << QStringList()
                                         << QStringList() << "No valid zpx file";
        QTest::newRow("no lines") << QStringList() << QStringList() << QStringList() << "No Data";
        QTest::newRow("no entries") << QStringList{"Amout of data 0"} << QStringList()
                                    << QStringList() << "Amout of data 0";
    }
    void resultDialog()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, imported);
        QFETCH(QStringList, notImported);
        QFETCH(QString, error);
        ZPXimportDialog d(lines);
        d.show();
        QCOMPARE(d.windowTitle(), QString("Imported ZPX file result"));
        QCOMPARE(treeText(d.importedTree()), imported);
        QCOMPARE(treeText(d.notImportedTree()), notImported);
        QCOMPARE(d.errorText()->isVisible(), !error.isEmpty());
        QCOMPARE(d.errorCaption()->isVisible(), !error.isEmpty());
        if (!error.isEmpty())
            QCOMPARE(d.errorText()->text(), error);
    }

    // Files that could not be written are listed with their reasons under
    // "Error:", the first eight and how many more.
    void resultDialogListsFailures()
    {
        QStringList failures;
        for (int i = 0; i < 10; ++i)
            failures << QString("/ws/maps/m%1.jpg: No space left on device").arg(i);
        ZPXimportDialog d({"Amout of data 1", "2*maps*m0.jpg"});
        d.showFailures(failures.mid(0, 1));
        d.show();
        QVERIFY(d.errorCaption()->isVisible());
        QCOMPARE(d.errorText()->text(), failures.first());
        d.showFailures(failures);
        QCOMPARE(d.errorText()->text(), (failures.mid(0, 8) << "... and 2 more").join('\n'));
    }

    void exportDialogListsItemsByTheirStoredNames()
    {
        const ZPX::Places p = cleanPlaces();
        writeFile(p.maps + "/a.b.jpg", "m");
        writeFile(p.maps + "/Up.JPG", "m");
        writeFile(p.maps + "/.hid.jpg", "m");
        writeFile(p.maps + "/x.png", "m");
        QFile::link(p.maps + "/Up.JPG", p.maps + "/link.jpg");
        writeFile(p.plans + "/Route.zfp", "p");
        writeFile(p.logs + "/2017.05.01/KORVEL.LOG", "l");
        writeFile(p.logs + "/.hidden/KORVEL.LOG", "l");
        QFile::link(p.logs + "/2017.05.01", p.logs + "/linked");
        writeFile(p.projects + "/Proj/p.zpt", "t");

        ZPXExportDialog d;
        QTreeWidget *tree = d.tree();
        QVERIFY(!d.windowIcon().isNull());
        QCOMPARE(tree->topLevelItemCount(), 4);
        QCOMPARE(tree->topLevelItem(0)->text(0), QString("Flightplans"));
        QCOMPARE(childTexts(tree->topLevelItem(0)), QStringList("Route"));
        QCOMPARE(childTexts(tree->topLevelItem(1)), QStringList({".hid", "Up", "a.b"}));
        QCOMPARE(childTexts(tree->topLevelItem(2)), QStringList("2017.05.01"));
        QCOMPARE(childTexts(tree->topLevelItem(3)), QStringList("Proj"));

        d.selectItem(1, "a.b");
        d.selectItem(0, "Gone");
        d.selectItem(7, "Route");
        QVERIFY(tree->topLevelItem(1)->isExpanded());
        QVERIFY(tree->topLevelItem(0)->isExpanded());
        QVERIFY(!tree->topLevelItem(2)->isExpanded());
        int checked = 0;
        for (int t = 0; t < 4; ++t) {
            for (int c = 0; c < tree->topLevelItem(t)->childCount(); ++c) {
                QTreeWidgetItem *item = tree->topLevelItem(t)->child(c);
                if (item->checkState(0) == Qt::Checked) {
                    ++checked;
                    QCOMPARE(item->text(0), QString("a.b"));
                }
            }
        }
        QCOMPARE(checked, 1);
        d.fillData();  // a refill replaces the children
        QCOMPARE(childTexts(tree->topLevelItem(1)), QStringList({".hid", "Up", "a.b"}));
    }

    void browseAppendsTheExtension_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "/data/out" << "/data/out.zpx";
        QTest::newRow("lower") << "/data/out.zpx" << "/data/out.zpx";
        QTest::newRow("mixed case") << "/data/out.ZpX" << "/data/out.ZpX";
        QTest::newRow("inner") << "/data/out.zpx.bak" << "/data/out.zpx.bak.zpx";
        QTest::newRow("cancelled") << "" << "";
    }
    void browseAppendsTheExtension()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, field);
        QSettings settings("Brisolan Technologies", "Korvel Tarvendel");
        settings.setValue("Last ZPX Export Path", "/remembered");
        ZPXExportDialog d;
        KorvelTest::PromptScript script;
        chosen.isEmpty() ? script.cancel() : script.path(chosen);
        QVERIFY(!d.saveButton()->isEnabled());
        d.browseClicked();
        const Prompt::Request rq = script.requests().value(0);
        QCOMPARE(rq.title, QString("Set ZPX file location"));
        QCOMPARE(rq.directory, QString("/remembered"));
        QCOMPARE(rq.filter, QString("ZPX file (*.zpx)"));
        QCOMPARE(d.pathField()->text(), field);
        QCOMPARE(d.saveButton()->isEnabled(), !field.isEmpty());
        settings.sync();
        QCOMPARE(settings.value("Last ZPX Export Path").toString(),
                 field.isEmpty() ? QString("/remembered") : QString("/data"));
    }

    // The limit is 3900 MB of 1,000,000 bytes: exactly that passes the size
    // test (the export then starts and is cancelled in its pause).
    void sizeLimitAndEmptySelection_data()
    {
        QTest::addColumn<qint64>("bytes");  // -1: nothing selected
        QTest::addColumn<QString>("box");   // title of the box, empty: none
        QTest::newRow("nothing selected") << qint64(-1) << "Nothing selected";
        QTest::newRow("exactly 3900 MB") << qint64(3900000000LL) << "";
        QTest::newRow("3900.000001 MB") << qint64(3900000001LL) << "Too much data";
    }
    void sizeLimitAndEmptySelection()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, box);
        const ZPX::Places p = cleanPlaces();
        if (bytes >= 0) {
            QFile sparse(p.plans + "/Huge.zfp");
            QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(bytes));
        }
        ZPXExportDialog d;
        d.selectItem(0, "Huge");
        d.pathField()->setText(p.plans + "/../out.zpx");
        d.show();
        KorvelTest::PromptScript script;
        bool progressShown = false;
        if (box.isEmpty()) {
            KorvelTest::whenModal([&progressShown](QWidget *w) {
                auto *progress = qobject_cast<ZPXExportThreadDiag *>(w);
                progressShown = progress;
                if (progress)
                    progress->cancelButton()->click();
            });
        }
        d.saveClicked();
        QFile::remove(p.plans + "/Huge.zfp");
        QCOMPARE(script.requests().size(), box.isEmpty() ? 0 : 1);
        if (!box.isEmpty())
            QCOMPARE(script.requests().first().title, box);
        QCOMPARE(progressShown, box.isEmpty());
        QVERIFY(d.isVisible());
        QVERIFY(!QFile::exists(p.plans + "/../out.zpx"));
    }

    void exportResults_data()
    {
        QTest::addColumn<QString>("target");  // relative to the plan folder
        QTest::addColumn<bool>("removePlan");
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<int>("dialogResult");
        QTest::addColumn<QString>("detail");  // the message ends with the plan folder, "/" and this
        QTest::newRow("written") << "../ok.zpx" << false << "Data exported!" << false
                                 << int(QDialog::Accepted) << "";
        QTest::newRow("archive not created")
            << "../missing/x.zpx" << false << "I/O Error" << true << int(QDialog::Rejected)
            << "../missing/x.zpx: " + QString::fromLocal8Bit(strerror(ENOENT));
        QTest::newRow("source gone") << "../gone.zpx" << true << "I/O Error" << false
                                     << int(QDialog::Rejected) << "Route: not found";
    }
    void exportResults()
    {
        QFETCH(QString, target);
        QFETCH(bool, removePlan);
        QFETCH(QString, box);
        QFETCH(bool, visible);
        QFETCH(int, dialogResult);
        QFETCH(QString, detail);
        const ZPX::Places p = cleanPlaces();
        writeFile(p.plans + "/Route.zfp", "plan");
        ZPXExportDialog d;
        d.selectItem(0, "Route");
        d.pathField()->setText(p.plans + "/" + target);
        if (removePlan)
            QFile::remove(p.plans + "/Route.zfp");
        d.show();
        KorvelTest::PromptScript script;
        // Escape on the running progress window does nothing.
        bool stayed = false;
        KorvelTest::whenModal([&stayed](QWidget *w) {
            QTest::keyClick(w, Qt::Key_Escape);
            stayed = w->isVisible();
        });
        d.saveClicked();
        QVERIFY(stayed);
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().title, box);
        if (!detail.isEmpty())
            QVERIFY2(script.requests().first().text.endsWith("<br><br>" + p.plans + "/" + detail),
                     qPrintable(script.requests().first().text));
        QCOMPARE(d.isVisible(), visible);
        QCOMPARE(d.result(), dialogResult);
        QCOMPARE(QFile::exists(p.plans + "/" + target), box == "Data exported!");
    }

    // Delete after export removes exactly what went into the archive; what
    // stays (open items, folders with other things in them) is named.
    void deleteAfterExport()
    {
        Workspace ws;
        const ZPX::Places &p = ws.places;
        writeFile(p.maps + "/Alpine.jpg", "m");
        writeFile(p.plans + "/Route.zfp", "p");
        writeFile(p.logs + "/L/KORVEL.LOG", "l");
        writeFile(p.logs + "/L/.hidden", "h");
        writeFile(p.logs + "/L/sub/inner", "i");
        writeFile(ws.outside() + "/target", "t");
        QFile::link(ws.outside() + "/target", p.logs + "/L/link");
        writeFile(p.projects + "/P/p.zpt", "t");
        Data *data = Data::instance();
        data->addRecent(OpenKind::Map, "Alpine");
        data->addRecent(OpenKind::FlightPlan, "Route");
        const int open = data->registerOpen(OpenKind::FlightPlan, "Route");

        ZPXExportThreadDiag d;
        d.thread()->setPlaces(p);
        d.setData({"Alpine"}, {"Route"}, {"L"}, {"P"});
        d.setFilename(ws.path("out.zpx"));
        d.setDeleteAfterExport(true);
        bool cancelDuringDelete = true;
        QString label;
        connect(d.thread(), &ZPXExportThread::cleanUp, &d, [&] {
            cancelDuringDelete = d.cancelButton()->isEnabled();
        }, Qt::QueuedConnection);
        d.startDiag();
        data->unregisterOpen(open);

        QCOMPARE(d.getResult(), 1);
        QVERIFY(!cancelDuringDelete);
        QCOMPARE(entryNames(ws.path("out.zpx")).size(), 4);
        QCOMPARE(Workspace::files(ws.path("ws")),
                 QStringList({"harlek/logs/L/.hidden", "harlek/logs/L/link",
                              "harlek/logs/L/sub/inner", "plans/Route.zfp"}));
        QCOMPARE(readFile(ws.outside() + "/target"), QByteArray("t"));
        QCOMPARE(d.keptItems().size(), 2);
        QVERIFY(d.keptItems().join(" ").contains("Route"));
        QVERIFY(d.keptItems().join(" ").contains("L"));
        QStringList recent;
        for (int i = 0; i < 10; ++i)
            recent << data->recentName(i);
        QVERIFY(!recent.contains("Alpine"));
        QVERIFY(recent.contains("Route"));
    }

    // The exported items go only once the archive is whole under its name:
    // an archive that cannot be written deletes nothing.
    void failedExportDeletesNothing()
    {
        Workspace ws;
        const ZPX::Places &p = ws.places;
        QByteArray noise(20000, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
        writeFile(p.plans + "/Route.zfp", noise);
        writeFile(p.logs + "/L/KORVEL.LOG", noise);
        ZPXExportThreadDiag d;
        d.thread()->setPlaces(p);
        d.setData({}, {"Route"}, {"L"}, {});
        d.setFilename(ws.path("out.zpx"));
        d.setDeleteAfterExport(true);
        {
            KorvelTest::DiskLimit full(10000);
            d.startDiag();
        }
        QCOMPARE(d.getResult(), int(ZPXExportThread::EntryFailed));
        QVERIFY(!QFile::exists(ws.path("out.zpx")));
        QCOMPARE(Workspace::files(ws.path("ws")), QStringList({"harlek/logs/L/KORVEL.LOG", "plans/Route.zfp"}));
    }

    void importProgressRebuildsTheIndexOnce_data()
    {
        QTest::addColumn<bool>("valid");
        QTest::newRow("archive without entries") << true;
        QTest::newRow("refused file") << false;
    }
    void importProgressRebuildsTheIndexOnce()
    {
        QFETCH(bool, valid);
        const ZPX::Places p = cleanPlaces();
        Data *data = Data::instance();
        data->updateMapIndex();
        const QList<double> numbers{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        QVERIFY(data->saveMapImage(QImage(8, 8, QImage::Format_RGB32),
                                   KorvelTest::mapRecord("Fresh", "", numbers)));
        const int before = data->mapIndexCount();
        QTemporaryDir dir;
        const QString path = dir.path() + "/in.zpx";
        QVERIFY(valid ? makeArchive(path, {}) : writeFile(path, "no archive"));
        ZPXImportThreadDiag d;
        d.setFilename(path);
        QCOMPARE(d.windowTitle(), QString("Importing to ZPX file..."));
        bool stayed = false;
        KorvelTest::whenModal([&stayed](QWidget *w) {
            QTest::keyClick(w, Qt::Key_Escape);
            w->close();
            stayed = w->isVisible();
        });
        d.startDiag();
        QVERIFY(stayed);
        QCOMPARE(d.importResult(),
                 QStringList(valid ? "Amout of data 0" : "No valid zpx file"));
        QCOMPARE(data->mapIndexCount(), valid ? before + 1 : before);
    }
};

KORVEL_TEST_MAIN(TestZpxDialogs)
#include "test_zpxdialogs.moc"
