// The main window's flight-plan commands: new, open, save, import and
// export of plans on stored maps, as a user reaches them from the File menu.
#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QTabWidget>
#include <QtTest>

#include <quazip/quazip.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "app/bottomline.h"
#include "atomicfile/atomicfile.h"
#include "app/mainwindow.h"
#include "app/welinfo.h"
#include "app/welmain.h"
#include "core/data.h"
#include "core/listviewmod.h"
#include "link/korvelpackethandler.h"
#include "maps/acquisition/gmmain.h"
#include "maps/acquisition/newwaypoint.h"
#include "maps/acquisition/wpopenchoosemap.h"
#include "maps/items/wpwaypoint.h"
#include "maps/vardeckproject.h"
#include "maps/wpdata.h"
#include "maps/wpimport.h"
#include "planner/wpeditor.h"
#include "planner/wpmain.h"
#include "planner/wpsavefiledialog.h"
#include "support/maprecord.h"
#include "support/testkit.h"

using KorvelTest::PromptScript;
using KorvelTest::whenModal;

namespace {
QString mapFile(const QString &name)
{
    return Data::instance()->orthoMapPath() + QDir::separator() + name + ".jpg";
}

// A stored map 640 x 480 pixels from west to west + 0.01 and 48.0 to 48.01.
void storeMap(const QString &name, double west)
{
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(QColor(70, 110, 60));
    const QList<double> values = {west, 48.01, west + 0.01, 48.01, west, 48.0, west + 0.01,
                                  48.0, west + 0.005, 48.005, 744.0, 1113.0};
    QVERIFY(Data::instance()->saveMapImage(image, KorvelTest::mapRecord(name, "test", values)));
}

// Writes a stored plan of waypoints at the given longitudes (latitude 48.005).
void storePlan(const QString &name, const QList<double> &lons, const QString &map = "North")
{
    WPData plan;
    QVERIFY(plan.loadMapImage(mapFile(map)));
    for (double lon : lons) {
        const QPointF p = plan.geoToPixel(lon, 48.005);
        Waypoint wp;
        wp.setHeightMetres(20);
        plan.addWaypoint(new WPWaypoint(p.x(), p.y(), 1.0, plan.count() + 1, 0), wp);
    }
    plan.setFilePath(Data::instance()->flightPlanFile(name));
    QVERIFY(plan.writeFile());
}

QString write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

WPMain *planTab(MainWindow &w) { return qobject_cast<WPMain *>(w.tabs()->currentWidget()); }

QString title(MainWindow &w) { return w.tabs()->tabText(w.tabs()->currentIndex()); }

// Names the plan in the save dialog that the next command opens.
void answerSaveDialog(const QString &name)
{
    whenModal([name](QWidget *d) {
        auto *dialog = qobject_cast<WPSaveFileDialog *>(d);
        QVERIFY(dialog);
        dialog->nameEdit()->setText(name);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
}

// Places a waypoint with the canvas, as the user would.
void placeWaypoint(WPMain *window, QPoint at = QPoint(100, 100))
{
    window->editor()->changeState(WPEditor::WaypointState);
    QTest::mouseClick(window->editor()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    window->editor()->changeState(WPEditor::SelectState);
}
}  // namespace

class TestFlightPlanCommands : public QObject {
    Q_OBJECT

    QString m_plans;

private slots:
    void initTestCase()
    {
        storeMap("North", 11.0);
        storeMap("Overlap", 11.005);
        storeMap("Away", 12.0);
        storeMap("Unread", 13.0);
        storeMap("Solo", 14.0);
        Data::instance()->updateMapIndex();
        m_plans = Data::instance()->waypointPath();
        QDir().mkpath(m_plans);
    }

    void newFlightplanOnAStoredMap()
    {
        MainWindow w;
        whenModal([](QWidget *d) {
            auto *dialog = qobject_cast<NewWaypoint *>(d);
            QVERIFY(dialog);
            const QRect r = dialog->startList()->visualRect(dialog->startList()->model()->index(1, 0));
            QTest::mouseClick(dialog->startList()->viewport(), Qt::LeftButton, {}, r.center());
            dialog->nextButton()->click();
            dialog->nextButton()->click();
        });
        w.action("New Flightplan...")->trigger();
        WPMain *plan = planTab(w);
        QVERIFY(plan);
        const QString map = title(w);
        QVERIFY(QStringList({"North", "Overlap", "Away"}).contains(map));
        QVERIFY(Data::instance()->isOpen(OpenKind::Map, map));
        QCOMPARE(Data::instance()->recentName(0), map);
        QVERIFY(Data::instance()->recentType(0) == OpenKind::Map);
        QVERIFY(w.action("Save Project")->isEnabled());
        QVERIFY(w.action("Export Vardeck project")->isEnabled());
    }

    void newFlightplanOnAnOwnImageGoesThroughGeoReferencing()
    {
        MainWindow w;
        const QString image = KorvelTest::home()->path() + "/aerial.jpg";
        QImage(500, 500, QImage::Format_RGB32).save(image);
        PromptScript prompts;
        prompts.path(image);
        whenModal([](QWidget *d) {
            auto *dialog = qobject_cast<NewWaypoint *>(d);
            QVERIFY(dialog);
            const QRect r = dialog->startList()->visualRect(dialog->startList()->model()->index(2, 0));
            QTest::mouseClick(dialog->startList()->viewport(), Qt::LeftButton, {}, r.center());
            dialog->nextButton()->click();
        });
        w.action("New Flightplan...")->trigger();
        auto *gm = qobject_cast<GMMain *>(w.tabs()->currentWidget());
        QVERIFY(gm);
        QCOMPARE(title(w), QString("aerial"));
        const int tabs = w.tabs()->count();

        // The finished map replaces the geo-referencing tab.
        QPointer<GMMain> alive(gm);
        QMetaObject::invokeMethod(&w, "gmcreated", Q_ARG(QString, mapFile("North")),
                                  Q_ARG(GMMain *, gm));
        QTRY_VERIFY_WITH_TIMEOUT(!alive, KorvelTest::kWaitMs);
        QCOMPARE(w.tabs()->count(), tabs);
        QVERIFY(planTab(w));
        QCOMPARE(title(w), QString("North"));
    }

    void openMapOpensATabEachTimeButNotABrokenMap()
    {
        MainWindow w;
        QMetaObject::invokeMethod(&w, "openMap", Q_ARG(QString, mapFile("North")));
        QMetaObject::invokeMethod(&w, "openMap", Q_ARG(QString, mapFile("North")));
        QCOMPARE(w.tabs()->count(), 3);

        PromptScript prompts;
        const QString broken = write(Data::instance()->orthoMapPath() + "/Broken.jpg", "no image");
        QMetaObject::invokeMethod(&w, "openMap", Q_ARG(QString, broken));
        QMetaObject::invokeMethod(&w, "openMap", Q_ARG(QString, mapFile("Missing")));
        QCOMPARE(w.tabs()->count(), 3);
        QCOMPARE(prompts.requests().size(), 2);
        QCOMPARE(prompts.requests().first().iconPath, QString(":/icons/80/error"));
        QVERIFY(!Data::instance()->isOpen(OpenKind::Map, "Broken"));
        prompts.clear();

        // The canvas's position reaches the status line; a changed plan
        // without waypoints closes without a question.
        auto *plan = planTab(w);
        plan->resize(1000, 700);
        plan->show();
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(plan->editor(), &enter);
        QMouseEvent move(QEvent::MouseMove, QPointF(40, 40), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(plan->editor()->viewport(), &move);
        QVERIFY(w.bottomLine()->statusBar()->currentMessage().startsWith("Longitude/Latitude: 11.00"));
        plan->setModified();
        QCOMPARE(title(w), QString("North*"));
        QPointer<WPMain> alive(plan);
        QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, w.tabs()->currentIndex()));
        QVERIFY(!alive);
        QVERIFY(prompts.requests().isEmpty());
        QFile::remove(broken);
    }

    void saveAndSaveAs()
    {
        MainWindow w;
        QMetaObject::invokeMethod(&w, "openMap", Q_ARG(QString, mapFile("North")));
        WPMain *plan = planTab(w);
        QVERIFY(plan);
        plan->resize(1000, 700);
        plan->show();

        {   // Nothing to save yet.
            PromptScript prompts;
            w.action("Save Project")->trigger();
            QCOMPARE(prompts.texts(), QStringList{"There are no waypoints in the flightplan!"});
            QCOMPARE(prompts.requests().first().title, QString("No Waypoints!"));
        }
        placeWaypoint(plan);
        QCOMPARE(title(w), QString("North*"));

        answerSaveDialog("Harbour");
        w.action("Save Project")->trigger();
        QCOMPARE(title(w), QString("Harbour"));
        QVERIFY(QFile::exists(m_plans + "/Harbour.zfp"));
        QVERIFY(Data::instance()->isOpen(OpenKind::FlightPlan, "Harbour"));
        QCOMPARE(Data::instance()->recentName(0), QString("Harbour"));

        // Saved again: to the same file, without asking.
        placeWaypoint(plan, QPoint(200, 150));
        QCOMPARE(title(w), QString("Harbour*"));
        {
            PromptScript prompts;
            w.action("Save Project")->trigger();
            QVERIFY(prompts.requests().isEmpty());
        }
        QCOMPARE(title(w), QString("Harbour"));
        WPData reread;
        reread.loadMapImage(mapFile("North"));
        reread.setFilePath(m_plans + "/Harbour.zfp");
        QCOMPARE(int(reread.readFile()), int(WPData::ReadOk));
        QCOMPARE(reread.count(), 2);

        // A failed write is told and the tab keeps its mark.
        placeWaypoint(plan, QPoint(250, 150));
        const QString good = plan->getWPData()->filePath();
        plan->getWPData()->setFilePath(KorvelTest::home()->path() + "/no/such/folder/Harbour.zfp");
        {
            PromptScript prompts;
            w.action("Save Project")->trigger();
            QCOMPARE(prompts.requests().size(), 1);
            QCOMPARE(prompts.requests().first().title, QString("Error!"));
        }
        QCOMPARE(title(w), QString("Harbour*"));
        plan->getWPData()->setFilePath(good);

        // Save as always asks.
        answerSaveDialog("Harbour 2");
        w.action("Save Project as...")->trigger();
        QCOMPARE(title(w), QString("Harbour 2"));
        QVERIFY(QFile::exists(m_plans + "/Harbour 2.zfp"));

        // Both names were registered for the tab; closing drops them all.
        QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, w.tabs()->currentIndex()));
        QVERIFY(!Data::instance()->isOpen(OpenKind::FlightPlan, "Harbour"));
        QVERIFY(!Data::instance()->isOpen(OpenKind::FlightPlan, "Harbour 2"));
    }

    // A save that fails says the file and the system's reason after the
    // window's own message, keeps the old file and the tab's mark.
    void failedSaveNamesTheFileAndTheReason_data()
    {
        QTest::addColumn<bool>("saveAs");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("reason");
        QTest::newRow("save, full disk") << false << "full" << EFBIG;
        QTest::newRow("save, read-only folder") << false << "read-only" << EACCES;
        QTest::newRow("save, folder in the way") << false << "folder" << EISDIR;
        QTest::newRow("save as, full disk") << true << "full" << EFBIG;
        QTest::newRow("save as, read-only folder") << true << "read-only" << EACCES;
    }
    void failedSaveNamesTheFileAndTheReason()
    {
        QFETCH(bool, saveAs);
        QFETCH(QString, how);
        QFETCH(int, reason);
        const QString saved = m_plans + "/Failing.zfp";
        QFile::remove(saved);
        QDir(saved).removeRecursively();
        QFile::remove(m_plans + "/Failing 2.zfp");
        MainWindow w;
        QMetaObject::invokeMethod(&w, "openMap", Q_ARG(QString, mapFile("North")));
        WPMain *plan = planTab(w);
        QVERIFY(plan);
        plan->resize(1000, 700);
        plan->show();
        placeWaypoint(plan);
        answerSaveDialog("Failing");
        w.action("Save Project")->trigger();
        QCOMPARE(title(w), QString("Failing"));
        placeWaypoint(plan, QPoint(200, 150));
        QCOMPARE(title(w), QString("Failing*"));

        if (how == "folder") {
            QVERIFY(QFile::remove(saved));
            QVERIFY(QDir().mkpath(saved + "/inside"));
        }
        const QHash<QString, QByteArray> before = [this] {
            QHash<QString, QByteArray> files;
            for (const QString &name : QDir(m_plans).entryList(QDir::Files | QDir::Hidden))
                files.insert(name, bytesOf(m_plans + "/" + name));
            return files;
        }();
        const QString target = saveAs ? m_plans + "/Failing 2.zfp" : saved;
        PromptScript prompts;
        {
            std::unique_ptr<KorvelTest::DiskLimit> full;
            std::unique_ptr<KorvelTest::FilePermissions> permissions;
            if (how == "full")
                full = std::make_unique<KorvelTest::DiskLimit>(0);
            if (how == "read-only") {
                permissions = std::make_unique<KorvelTest::FilePermissions>();
                QVERIFY(permissions->enforced());
                QVERIFY(QFile::setPermissions(m_plans, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            }
            if (saveAs)
                answerSaveDialog("Failing 2");
            w.action(saveAs ? "Save Project as..." : "Save Project")->trigger();
            QFile::setPermissions(m_plans, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                               | QFileDevice::ExeOwner);
        }
        // Save as remembers its folder in the settings: with the disk full,
        // that save fails too and is told as well.
        QList<Prompt::Request> told = prompts.requests();
        told.erase(std::remove_if(told.begin(), told.end(),
                                  [&](const Prompt::Request &rq) {
                                      return how == "full" && saveAs
                                             && rq.text.startsWith("Settings could not be saved: ");
                                  }),
                   told.end());
        QCOMPARE(told.size(), 1);
        QCOMPARE(told.first().title, QString("Error!"));
        QCOMPARE(told.first().text,
                 QString("An unexpected error occured during saving: The flightplan file could not "
                         "be opened for writing.\n\n%1")
                     .arg(AtomicFile::describe(target, QString::fromLocal8Bit(strerror(reason)))));
        QCOMPARE(title(w), QString("Failing*"));
        // Nothing changed in the folder, no temporary file left.
        QHash<QString, QByteArray> after;
        for (const QString &name : QDir(m_plans).entryList(QDir::Files | QDir::Hidden))
            after.insert(name, bytesOf(m_plans + "/" + name));
        QCOMPARE(after, before);
        // The plan still belongs to its file: the next save goes there.
        QDir(saved).removeRecursively();
        w.action("Save Project")->trigger();
        QCOMPARE(title(w), QString("Failing"));
        QVERIFY(QFileInfo(saved).isFile());
        QVERIFY(!QFile::exists(m_plans + "/Failing 2.zfp"));
        QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, w.tabs()->currentIndex()));
    }

    void openAStoredPlan()
    {
        storePlan("Single", {14.002, 14.003}, "Solo");
        storePlan("Shared", {11.007});
        storePlan("Lost", {});
        MainWindow w;
        QMetaObject::invokeMethod(&w, "openFlightPlan", Q_ARG(QString, "Single"));
        WPMain *plan = planTab(w);
        QVERIFY(plan);
        QCOMPARE(title(w), QString("Single"));
        QCOMPARE(plan->getWPData()->count(), 2);
        QCOMPARE(plan->getWPData()->mapPath(), mapFile("Solo"));
        // The map is known by its name, as the database looks it up.
        QVERIFY(Data::instance()->isOpen(OpenKind::Map, "Solo"));
        QVERIFY(Data::instance()->isOpen(OpenKind::FlightPlan, "Single"));
        QCOMPARE(Data::instance()->recentName(0), QString("Single"));

        // Already open, changed or not.
        plan->setModified();
        QCOMPARE(title(w), QString("Single*"));
        w.tabs()->setCurrentIndex(0);
        {
            PromptScript prompts;
            QMetaObject::invokeMethod(&w, "openFlightPlan", Q_ARG(QString, "Single"));
            QCOMPARE(prompts.texts(), QStringList{"Fligtplan already opened!"});
        }
        QCOMPARE(w.tabs()->currentWidget(), plan);
        QCOMPARE(w.tabs()->count(), 2);

        // Two maps hold it: the choice is asked; cancelled, nothing opens.
        bool asked = false;
        whenModal([&asked](QWidget *d) {
            auto *dialog = qobject_cast<WPOpenChooseMap *>(d);
            asked = dialog != nullptr;
            d->close();
        });
        QMetaObject::invokeMethod(&w, "openFlightPlan", Q_ARG(QString, "Shared"));
        QVERIFY(asked);
        QCOMPARE(w.tabs()->count(), 2);

        // No map holds it: the user is asked whether to capture one.
        {
            PromptScript prompts;
            prompts.button(QMessageBox::No);
            QMetaObject::invokeMethod(&w, "openFlightPlan", Q_ARG(QString, "Lost"));
            QCOMPARE(prompts.requests().size(), 1);
            QCOMPARE(prompts.requests().first().title, QString("No map found"));
        }
        QCOMPARE(w.tabs()->count(), 2);
    }

    void recentButtonsOpenPlansAndMaps()
    {
        storePlan("Recent plan", {14.004}, "Solo");
        Data::instance()->addRecent(OpenKind::Map, "North");
        Data::instance()->addRecent(OpenKind::FlightPlan, "Recent plan");
        MainWindow w;
        auto *welcome = qobject_cast<WelMain *>(w.findWindow(OpenKind::Welcome));
        QVERIFY(welcome);
        const QList<QToolButton *> buttons = welcome->panel()->recentButtons();
        QCOMPARE(buttons[0]->text(), QString("Recent plan"));
        QCOMPARE(buttons[1]->text(), QString("North"));
        buttons[0]->click();
        QCOMPARE(title(w), QString("Recent plan"));
        QCOMPARE(planTab(w)->getWPData()->count(), 1);
        buttons[1]->click();
        QCOMPARE(title(w), QString("North"));
        QVERIFY(planTab(w));
        QCOMPARE(planTab(w)->getWPData()->count(), 0);
    }

    void unreadablePlansOpenNoTab_data()
    {
        QTest::addColumn<QByteArray>("content");  // empty: no file
        QTest::addColumn<bool>("folder");        // a folder in the file's place
        QTest::addColumn<QString>("title");
        QTest::newRow("1 missing") << QByteArray() << false << "File doesn't exists!";
        QTest::newRow("2 cannot open") << QByteArray() << true << "I/O Error!";
        QByteArray head;
        {
            QDataStream out(&head, QIODevice::WriteOnly);
            out.setVersion(12);
            out << QString("KorvelWPData") << qint32(99) << qint32(1);
        }
        QTest::newRow("3 unknown version") << head << false << "Unknown version!";
        QTest::newRow("5 not a plan") << QByteArray(64, 'x') << false << "No flightplan!";
        QByteArray damaged;
        {
            QDataStream out(&damaged, QIODevice::WriteOnly);
            out.setVersion(12);
            out << QString("KorvelWPData") << qint32(192) << qint32(50) << 11.0 << 48.0;
        }
        QTest::newRow("6 damaged") << damaged << false << "Damaged flightplan!";
    }
    void unreadablePlansOpenNoTab()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, folder);
        QFETCH(QString, title);
        const QString name = QString("Bad %1").arg(QTest::currentDataTag()).left(9);
        const QString path = Data::instance()->flightPlanFile(name);
        QFile::remove(path);
        QDir(path).removeRecursively();
        if (folder)
            QDir().mkpath(path);
        else if (!content.isEmpty())
            write(path, content);
        MainWindow w;
        PromptScript prompts;
        QMetaObject::invokeMethod(&w, "loadFlightPlan", Q_ARG(QString, name),
                                  Q_ARG(QString, mapFile("Unread")));
        QCOMPARE(prompts.requests().size(), 1);
        QCOMPARE(prompts.requests().first().title, title);
        QCOMPARE(prompts.requests().first().iconPath, QString(":/icons/80/error"));
        QCOMPARE(w.tabs()->count(), 1);
        QVERIFY(!Data::instance()->isOpen(OpenKind::FlightPlan, name));
        QVERIFY(!Data::instance()->isOpen(OpenKind::Map, "Unread"));
    }

    void importEachKind_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("count");
        QTest::newRow("steerwise v1")
            << "a.csv"
            << QByteArray("WP#;Latitude;Longitude;Height;Heading;Time;Acc;X;Cam\n"
                          "1;48.005;11.002;30;90;2;2.5;0;-90\n"
                          "2;48.006;11.003;35;90;2;2.5;0;-90\n")
            << 2;
        QTest::newRow("steerwise v2")
            << "b.csv"
            << QByteArray("Longitude;Latitude;Height;Heading;T;C;P;A;W;S;Comment\n"
                          "11.002;48.005;30;97;1;0;-90;2;1;60;a\n")
            << 1;
        QTest::newRow("zephrin")
            << "c.csv"
            << QByteArray("Type;Longitude;Latitude;Height;Heading;Camera pitch;Velocity;Comment\n"
                          "M;11.002;48.005;30;follow;-90;6.9\n"
                          "M;11.003;48.005;30;follow;-90;6.9\n"
                          "S;11.004;48.006;10;90;-45;2.5;\n")
            << 3;
        QTest::newRow("vardeck") << "d.znp" << QByteArray() << 2;
    }
    void importEachKind()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(int, count);
        MainWindow w;
        QMetaObject::invokeMethod(&w, "openMap", Q_ARG(QString, mapFile("North")));
        WPMain *plan = planTab(w);
        QVERIFY(plan);
        const QString path = KorvelTest::home()->path() + "/" + file;
        if (file.endsWith(".znp")) {
            WPData source;
            source.loadMapImage(mapFile("North"));
            for (double lon : {11.002, 11.004}) {
                Waypoint wp;
                wp.setMaxSpeedPercent(40);
                wp.setVelocity(7.5);
                const QPointF p = source.geoToPixel(lon, 48.005);
                source.addWaypoint(new WPWaypoint(p.x(), p.y(), 1, source.count() + 1, 0), wp);
            }
            QVERIFY(writeProjectArchive(source, path));
        } else {
            write(path, content);
        }
        QVector<Waypoint> rows;
        QList<int> maxSpeeds;
        QList<float> velocities;
        whenModal([&](QWidget *d) {
            auto *dialog = qobject_cast<WPImport *>(d);
            QVERIFY(dialog);
            dialog->readFile(path);
            rows = dialog->rows;
            for (int i = 0; i < rows.size(); ++i) {
                maxSpeeds << dialog->maxSpeedOf(i);
                velocities << dialog->velocityOf(i);
            }
            dialog->importButton()->click();
        });
        w.action("Import Waypoints...")->trigger();
        WPData *data = plan->getWPData();
        QCOMPARE(data->count(), count);
        QCOMPARE(rows.size(), count);
        for (int n = 1; n <= count; ++n) {
            QCOMPARE(data->maxSpeed(n), maxSpeeds[n - 1]);
            QCOMPARE(data->v3Speed(n), velocities[n - 1]);
            QCOMPARE(data->height(n), rows[n - 1].heightMetres());
            QCOMPARE(data->desiredAcc(n), 3.0f);
        }
        QVERIFY(maxSpeeds.first() != int(velocities.first()));  // the two are told apart
        QCOMPARE(title(w), QString("North*"));
    }

    void exportVardeckProject()
    {
        MainWindow w;
        QMetaObject::invokeMethod(&w, "openMap", Q_ARG(QString, mapFile("North")));
        WPMain *plan = planTab(w);
        plan->resize(1000, 700);
        plan->show();
        placeWaypoint(plan);
        const QString target = KorvelTest::home()->path() + "/export.znp";
        PromptScript prompts;
        prompts.path(target);
        w.action("Export Vardeck project")->trigger();
        QCOMPARE(prompts.requests().last().title, QString("Project exported!"));
        QuaZip zip(target);
        QVERIFY(zip.open(QuaZip::mdUnzip));
        QVERIFY(zip.getFileNameList().contains("project.json"));
    }

    void outsideImportFreesAPortThatDidNotOpen()
    {
        MainWindow w;
        const QString file = write(KorvelTest::home()->path() + "/airbus.csv",
                                   "Type;Longitude;Latitude;Height;Heading;Camera pitch;Velocity\n"
                                   "S;11.002;48.005;10;90;-45;2.5\n");
        w.airbusImport("North", file, "/dev/korvel-no-such-port");
        WPMain *plan = planTab(w);
        QVERIFY(plan);
        QCOMPARE(plan->getWPData()->count(), 1);
        QVERIFY(!w.link()->device());
        w.airbusImport(QString(), file, QString());  // no map: nothing at all
        QCOMPARE(w.tabs()->count(), 2);
    }
};

KORVEL_TEST_MAIN(TestFlightPlanCommands)
#include "test_flightplancommands.moc"
