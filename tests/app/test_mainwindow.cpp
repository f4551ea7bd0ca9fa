#include <QAction>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <QStandardItemModel>
#include <cerrno>
#include <cstring>

#include "app/bottomline.h"
#include "atomicfile/atomicfile.h"
#include "link/korvelpackethandler.h"
#include "core/data.h"
#include "app/mainwindow.h"
#include "database/dbmaps.h"
#include "app/welmain.h"
#include "core/toolwindow.h"
#include "database/dbmain.h"
#include "database/dbphototagger.h"
#include <QToolButton>
#include "phototagger/ptprojectfile.h"
#include "support/localonly.h"
#include "support/maprecord.h"
#include "support/testkit.h"

#include <QWebEngineProfile>

namespace {
// The flight book's web map wants shared GL contexts before the application.
const bool s_sharedContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

// A project window whose save answers as the test says.
class FakeWindow : public ToolWindow {
public:
    FakeWindow(OpenKind kind, const QString &name, Commands commands = {})
        : m_kind(kind), m_name(name), m_commands(commands)
    {
    }
    OpenKind kind() const override { return m_kind; }
    QString projectName() const override { return m_name; }
    Commands commands() const override { return m_commands; }
    bool asksToSave() const override { return isModified() && worthSaving; }
    bool save(QString *error) override
    {
        ++saves;
        if (cancels)
            return false;
        if (!failWith.isEmpty()) {
            *error = failWith;
            return false;
        }
        setModified(false);
        return true;
    }
    bool saveAs(QString *error) override
    {
        ++savesAs;
        return save(error);
    }
    void activated() override { ++activations; }

    QString failWith;
    bool cancels = false;
    bool worthSaving = true;
    int saves = 0;
    int savesAs = 0;
    int activations = 0;

private:
    OpenKind m_kind;
    QString m_name;
    Commands m_commands;
};
}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void menuEntries_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<bool>("enabled");
        auto row = [](const char *menu, const char *text, QKeySequence key, const char *tip,
                      bool enabled = true) {
            QTest::newRow(text) << QString(menu) << QString(text) << key << QString(tip) << enabled;
        };
        row("&File", "Connect...", QKeySequence("Ctrl+T"), "Connect to the Korvel Harlek 8");
        row("&File", "New Flightplan...", QKeySequence(QKeySequence::New), "Create a new flightplan");
        row("&File", "Open Flightplan...", QKeySequence(QKeySequence::Open),
            "Create an exisiting flightplan from the database");
        row("&File", "Save Project", QKeySequence(QKeySequence::Save),
            "Save your flightplan in the database", false);
        row("&File", "Save Project as...", QKeySequence("Ctrl+Shift+S"),
            "Save your flightplan in the database under a different name", false);
        row("&File", "Import Waypoints...", QKeySequence(), "", false);
        row("&File", "Import ZPX...", QKeySequence(), "");
        row("&File", "Export Vardeck project", QKeySequence(), "", false);
        row("&File", "Exit", QKeySequence(QKeySequence::Quit), "Exit the program");
        row("&Settings", "Program Settings", QKeySequence("Ctrl+P"),
            "Configure your workspace, set your camera or select your map source.");
        row("&Settings", "Placemarks", QKeySequence("Ctrl+M"), "");
        row("&Window", "Flightbook", QKeySequence("F3"), "Track your flights of your harlek");
        row("&Window", "Photo Tagger", QKeySequence("F4"),
            "Merge images with a log file in your database");
        row("&Window", "Thermal Editor", QKeySequence("F6"),
            "Edit your thermal images, create report or export them to another file format");
        row("&Window", "Radiconv", QKeySequence("F7"),
            "Convert your thermal images to Radiometric JPEGs to be used in FLIR Tools");
        row("&Window", "Database", QKeySequence("F9"),
            "Manage your data created with the Korvel Tarvendel");
        row("&Help", "Introduction", QKeySequence(),
            "Introduce the Korvel Tarvendel with some basic features and ");
        row("&Help", "Online Manual", QKeySequence(QKeySequence::HelpContents),
            "Open your external web browser for the Korvel Tarvendel manual");
        row("&Help", "Check for new Version", QKeySequence(),
            "Check for a new version of the Korvel Tarvendel");
        row("&Help", "Submit Feedback", QKeySequence(),
            "Send us feedback for improving our software (open your standard e-mail client)");
        row("&Help", "About Korvel Tarvendel", QKeySequence(), "About the Korvel Tarvendel...");
    }
    void menuEntries()
    {
        QFETCH(QString, menu);
        QFETCH(QString, text);
        QFETCH(QKeySequence, key);
        QFETCH(QString, tip);
        QFETCH(bool, enabled);
        MainWindow w;
        QMenu *found = nullptr;
        for (QAction *m : w.menuBar()->actions())
            if (m->menu() && m->text() == menu)
                found = m->menu();
        QVERIFY(found);
        QAction *a = nullptr;
        for (QAction *x : found->actions())
            if (x->text() == text)
                a = x;
        QVERIFY2(a, qPrintable(text));
        QCOMPARE(a->shortcut(), key);
        QCOMPARE(a->statusTip(), tip);
        QCOMPARE(a->isEnabled(), enabled);
        if (text != "Export Vardeck project")
            QVERIFY(!a->icon().isNull());
    }
    void frame()
    {
        MainWindow w;
        QCOMPARE(w.windowTitle(), QString("Korvel Tarvendel v3.4.5"));
        QCOMPARE(w.minimumSize(), QSize(1000, 600));
        QStringList menus;
        for (QAction *m : w.menuBar()->actions())
            menus << (m->isSeparator() ? QString("-") : m->text());
        QCOMPARE(menus, (QStringList{"&File", "&Settings", "&Window", "-", "&Help"}));
        QCOMPARE(w.tabs()->tabText(0), QString("Welcome"));
        QVERIFY(!w.tabs()->tabBar()->tabButton(0, QTabBar::RightSide));
        QVERIFY(!w.tabs()->tabBar()->tabButton(0, QTabBar::LeftSide));
        QVERIFY(w.tabs()->cornerWidget(Qt::TopRightCorner));
        QVERIFY(w.tabs()->cornerWidget(Qt::TopRightCorner)->isHidden());
        QTabWidget *tabs = w.tabs();
        QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, 0));
        QCOMPARE(tabs->count(), 1);  // the welcome tab cannot be closed
        QStatusTipEvent tipEvent("Exit the program");
        QApplication::sendEvent(&w, &tipEvent);
        QCOMPARE(w.bottomLine()->statusBar()->currentMessage(), QString("Exit the program"));
    }
    void quitQuestion()
    {
        QSettings *s = Data::instance()->settings();
        s->remove("geometry");
        s->remove("Last Longitude");
        auto *w = new MainWindow;
        w->show();
        auto *plan = new FakeWindow(OpenKind::FlightPlan, "Plan");
        w->addProjectTab(plan, QIcon(), "Plan");
        plan->setModified();
        {
            KorvelTest::PromptScript script;
            script.extraButton(1);  // "&Cancel"
            QVERIFY(!w->close());
            QCOMPARE(script.requests().size(), 1);
            const Prompt::Request rq = script.requests().first();
            QCOMPARE(rq.text, QString("Are you sure you want to quit?\n\nSome open projects aren't "
                                      "saved and their changes will be lost!"));
            QCOMPARE(rq.extraButtons, (QStringList{"&Exit without saving", "&Cancel"}));
            QCOMPARE(rq.defaultExtra, 1);
            QVERIFY(w->isVisible());
            QVERIFY(!s->contains("geometry"));
            QVERIFY(!s->contains("Last Longitude"));
        }
        {
            KorvelTest::PromptScript script;
            script.extraButton(0);  // "&Exit without saving"
            QVERIFY(w->close());
            QVERIFY(s->contains("geometry"));
            QVERIFY(s->contains("Last Longitude"));
        }
        delete w;
    }
    // Placemarks that cannot be written: said when the editor closes, and
    // again at exit, where the user may stay to keep the changes.
    void placemarksThatCannotBeSaved()
    {
        Data *data = Data::instance();
        const QString file = data->placemarksPath();
        QFile::remove(file);
        QVERIFY(QDir().mkpath(file + "/in the way"));
        auto *w = new MainWindow;
        w->show();
        KorvelTest::PromptScript script;
        KorvelTest::whenModal([](QWidget *editor) {
            // An edit made in the editor.
            Data::instance()->placemarkModel()->appendRow(new QStandardItem("Harbour"));
            editor->close();
        });
        w->action("Placemarks")->trigger();
        const QString reason = AtomicFile::describe(file, QString::fromLocal8Bit(strerror(EISDIR)));
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().at(0).iconPath, QString(":/icons/80/error"));
        QCOMPARE(script.requests().at(0).title, QString("Placemarks not saved"));
        QCOMPARE(script.requests().at(0).text,
                 QString("The placemarks could not be saved. Your changes stay until the program is "
                         "closed; they are saved again then.\n\n")
                     + reason);
        QVERIFY(data->placemarksUnsaved());

        script.clear();
        script.extraButton(1);  // "&Cancel"
        QVERIFY(!w->close());
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().at(0).title, QString("Placemarks not saved"));
        QCOMPARE(script.requests().at(0).text,
                 "The placemarks could not be saved and their changes will be lost!\n\n" + reason);
        QCOMPARE(script.requests().at(0).extraButtons, (QStringList{"&Exit without saving", "&Cancel"}));
        QVERIFY(w->isVisible());

        // Room again: the exit saves them and asks nothing.
        QVERIFY(QDir(file).removeRecursively());
        script.clear();
        QVERIFY(w->close());
        QVERIFY(script.requests().isEmpty());
        QVERIFY(!data->placemarksUnsaved());
        QFile saved(file);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("Harbour|"));
        delete w;
        data->placemarkModel()->clear();
        QVERIFY(data->savePlacemarks());
    }
    void quitWithoutChangesAsksNothing()
    {
        QSettings *s = Data::instance()->settings();
        s->remove("geometry");
        MainWindow w;
        w.show();
        KorvelTest::PromptScript script;
        QVERIFY(w.close());
        QVERIFY(script.requests().isEmpty());
        QVERIFY(s->contains("geometry"));
    }
    void registrationsFollowTheirTab()
    {
        MainWindow w;
        auto *a = new FakeWindow(OpenKind::Thermal, "alpha");
        auto *b = new FakeWindow(OpenKind::Thermal, "beta");
        w.addProjectTab(a, QIcon(), "A");
        w.addProjectTab(b, QIcon(), "B");
        Data *d = Data::instance();
        QVERIFY(d->isOpen(OpenKind::Thermal, "alpha") && d->isOpen(OpenKind::Thermal, "beta"));
        QCOMPARE(d->recentName(0), QString("beta"));
        QVERIFY(d->recentType(0) == OpenKind::Thermal);
        w.tabs()->tabBar()->moveTab(1, 2);  // B before A
        QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, w.tabs()->indexOf(a)));
        QVERIFY(!d->isOpen(OpenKind::Thermal, "alpha"));
        QVERIFY(d->isOpen(OpenKind::Thermal, "beta"));
        QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, w.tabs()->indexOf(b)));
        QVERIFY(!d->isOpen(OpenKind::Thermal, "beta"));
    }
    void helpLinksAndLogCommands()
    {
        qputenv("KORVEL_MANUAL_URL", "http://127.0.0.1:9/manual");
        KorvelTest::UrlCatcher catcher;
        MainWindow w;
        w.action("Online Manual")->trigger();
        w.action("Submit Feedback")->trigger();
        QCOMPARE(catcher.urls.size(), 2);
        QCOMPARE(catcher.urls.at(0), QUrl("http://127.0.0.1:9/manual"));
        QCOMPARE(catcher.urls.at(1).scheme(), QString("mailto"));
        QCOMPARE(catcher.urls.at(1).query(QUrl::FullyEncoded), QString("subject=Korvel%20Tarvendel%20Feedback"));

        KorvelTest::PromptScript script;
        QMetaObject::invokeMethod(&w, "invSendLogNowTriggered");
        QCOMPARE(Data::instance()->settings()->value("UseDebugLog").toInt(), 1);
        QMetaObject::invokeMethod(&w, "invSendLogLaterTriggered");
        QCOMPARE(Data::instance()->settings()->value("UseDebugLog").toInt(), 2);
        QCOMPARE(script.requests().size(), 2);
        QCOMPARE(script.requests().at(1).text,
                 QString("After closing the Korvel Tarvendel, an error log will be saved on your "
                         "dektop."));
    }
    void connectCommand()
    {
        MainWindow w;
        QAction *c = w.action("Connect...");
        QVERIFY(c);
        bool shown = false;
        KorvelTest::whenModal([&shown](QWidget *m) {
            shown = m->inherits("ConnectWid");
            m->close();
        });
        c->trigger();
        QVERIFY(shown);
        QCOMPARE(c->text(), QString("Connect..."));

        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        auto *socket = new QTcpSocket;
        socket->connectToHost(QHostAddress::LocalHost, server.serverPort());
        QVERIFY(socket->waitForConnected(KorvelTest::kWaitMs));
        w.link()->setDevice(socket);
        QVERIFY(w.link()->isConnected());
        c->setText("Disconnect...");
        c->trigger();  // a live link: disconnect without a dialog
        QVERIFY(!w.link()->isConnected());
        QCOMPARE(c->text(), QString("Connect..."));
    }
    void aciListOpensOnce()
    {
        MainWindow w;
        QMetaObject::invokeMethod(&w, "openHidACIList");
        QMetaObject::invokeMethod(&w, "openHidACIList");
        QCOMPARE(w.tabs()->count(), 2);
        QCOMPARE(w.tabs()->tabText(1), QString("Korvel Zephrin Published List"));
        QCOMPARE(w.tabs()->currentIndex(), 1);
    }
    void modifiedFlagMarksTheTab()
    {
        MainWindow w;
        auto *plan = new FakeWindow(OpenKind::FlightPlan, "Survey");
        plan->setModified();  // changed before it is shown
        const int i = w.addProjectTab(plan, QIcon(), "Survey");
        QCOMPARE(w.tabs()->tabText(i), QString("Survey*"));
        plan->setModified();
        QCOMPARE(w.tabs()->tabText(i), QString("Survey*"));
        plan->setModified(false);
        QCOMPARE(w.tabs()->tabText(i), QString("Survey"));

        // Marks follow the window that changed, not the current tab.
        auto *other = new FakeWindow(OpenKind::Thermal, "Roof");
        const int j = w.addProjectTab(other, QIcon(), "Roof");
        QCOMPARE(w.tabs()->currentIndex(), j);
        plan->setModified();
        QCOMPARE(w.tabs()->tabText(i), QString("Survey*"));
        QCOMPARE(w.tabs()->tabText(j), QString("Roof"));
    }
    void outsideChangesMarkTheCurrentWindowOfTheirKind()
    {
        MainWindow w;
        auto *plan = new FakeWindow(OpenKind::FlightPlan, "Survey");
        auto *thermal = new FakeWindow(OpenKind::Thermal, "Roof");
        w.addProjectTab(plan, QIcon(), "Survey");
        w.addProjectTab(thermal, QIcon(), "Roof");
        QMetaObject::invokeMethod(&w, "wpdatachanged");  // a thermal tab is current
        QVERIFY(!plan->isModified() && !thermal->isModified());
        QMetaObject::invokeMethod(&w, "thdatachanged");
        QVERIFY(thermal->isModified());
        w.tabs()->setCurrentWidget(plan);
        QMetaObject::invokeMethod(&w, "wpdatachanged");
        QVERIFY(plan->isModified());
        QCOMPARE(w.tabs()->tabText(1), QString("Survey*"));
    }
    void commandsFollowTheCurrentWindow()
    {
        MainWindow w;
        auto *plan = new FakeWindow(OpenKind::FlightPlan, "Survey",
                                    ToolWindow::SaveCommand | ToolWindow::SaveAsCommand
                                        | ToolWindow::ImportWaypointsCommand
                                        | ToolWindow::ExportVardeckCommand);
        auto *thermal = new FakeWindow(OpenKind::Thermal, "Roof", ToolWindow::SaveCommand);
        w.addProjectTab(plan, QIcon(), "Survey");
        w.addProjectTab(thermal, QIcon(), "Roof");
        auto enabled = [&w] {
            QList<bool> e;
            for (const char *a : {"Save Project", "Save Project as...", "Import Waypoints...",
                                  "Export Vardeck project"})
                e << w.action(a)->isEnabled();
            return e;
        };
        QCOMPARE(enabled(), (QList<bool>{true, false, false, false}));
        w.tabs()->setCurrentWidget(plan);
        QCOMPARE(enabled(), (QList<bool>{true, true, true, true}));
        QCOMPARE(plan->activations, 2);  // when added and now
        w.tabs()->setCurrentIndex(0);
        QCOMPARE(enabled(), (QList<bool>{false, false, false, false}));

        w.tabs()->setCurrentWidget(plan);
        plan->setModified();
        w.action("Save Project as...")->trigger();
        QCOMPARE(plan->savesAs, 1);
        QCOMPARE(w.tabs()->tabText(w.tabs()->indexOf(plan)), QString("Survey"));
    }
    void saveFailureIsReported()
    {
        MainWindow w;
        auto *plan = new FakeWindow(OpenKind::FlightPlan, "Harbour", ToolWindow::SaveCommand);
        w.addProjectTab(plan, QIcon(), "Harbour");
        plan->setModified();
        plan->failWith = "The disk is full.";
        {
            KorvelTest::PromptScript script;
            w.action("Save Project")->trigger();
            QCOMPARE(script.texts(), QStringList{"The disk is full."});
            QCOMPARE(script.requests().first().title, QString("Save Project"));
        }
        QCOMPARE(w.tabs()->tabText(w.tabs()->indexOf(plan)), QString("Harbour*"));

        // Save chosen on closing: the failure is reported and the tab stays.
        QPointer<FakeWindow> alive(plan);
        {
            KorvelTest::PromptScript script;
            script.button(QMessageBox::Save);
            QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, w.tabs()->indexOf(plan)));
            QCOMPARE(script.texts(),
                     (QStringList{"Do you want to save your changes?", "The disk is full."}));
        }
        QVERIFY(alive);
        QVERIFY(Data::instance()->isOpen(OpenKind::FlightPlan, "Harbour"));

        // Cancelled (no text): nothing to report, the tab stays.
        plan->failWith.clear();
        plan->cancels = true;
        {
            KorvelTest::PromptScript script;
            script.button(QMessageBox::Save);
            QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, w.tabs()->indexOf(plan)));
            QCOMPARE(script.requests().size(), 1);
        }
        QVERIFY(alive);

        plan->cancels = false;
        {
            KorvelTest::PromptScript script;
            script.button(QMessageBox::Save);
            QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, w.tabs()->indexOf(plan)));
            QCOMPARE(script.requests().size(), 1);
        }
        QVERIFY(!alive);  // saved, then closed
        QVERIFY(!Data::instance()->isOpen(OpenKind::FlightPlan, "Harbour"));
    }
    void closingAsksOnlyWhenWorthIt()
    {
        MainWindow w;
        auto *empty = new FakeWindow(OpenKind::FlightPlan, "Empty");
        w.addProjectTab(empty, QIcon(), "Empty");
        empty->setModified();
        empty->worthSaving = false;  // e.g. a plan without waypoints
        QPointer<FakeWindow> alive(empty);
        KorvelTest::PromptScript script;
        QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, 1));
        QVERIFY(script.requests().isEmpty());
        QVERIFY(!alive);

        auto *plan = new FakeWindow(OpenKind::FlightPlan, "Kept");
        w.addProjectTab(plan, QIcon(), "Kept");
        plan->setModified();
        alive = plan;
        script.button(QMessageBox::Cancel);
        QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, 1));
        QVERIFY(alive);
        script.button(QMessageBox::Discard);
        QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, 1));
        QVERIFY(!alive);
        QCOMPARE(script.requests().size(), 2);
    }
    void windowsAreFoundByKind()
    {
        MainWindow w;
        QCOMPARE(w.findWindow(OpenKind::Welcome), qobject_cast<ToolWindow *>(w.tabs()->widget(0)));
        QVERIFY(qobject_cast<WelMain *>(w.findWindow(OpenKind::Welcome)));
        QVERIFY(!w.findWindow(OpenKind::AciList));
        QMetaObject::invokeMethod(&w, "openHidACIList");
        QVERIFY(w.findWindow(OpenKind::AciList));
        QCOMPARE(w.findWindow(OpenKind::AciList), w.tabs()->currentWidget());

        auto *a = new FakeWindow(OpenKind::Thermal, "alpha");
        auto *b = new FakeWindow(OpenKind::Thermal, "beta");
        w.addProjectTab(a, QIcon(), "A");
        w.addProjectTab(b, QIcon(), "B");
        QCOMPARE(w.findWindow(OpenKind::Thermal), a);
        QCOMPARE(w.findWindow(OpenKind::Thermal, "beta"), b);
        QVERIFY(!w.findWindow(OpenKind::Thermal, "gamma"));
        QVERIFY(!w.findWindow(OpenKind::FlightPlan, "alpha"));
    }
    void flightbookIsOneTab()
    {
        KorvelTest::LocalOnly localOnly(KorvelTest::LocalOnly::BlockLoopback);
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&localOnly);
        {
            MainWindow w;
            KorvelTest::PromptScript script;
            const int tabs = w.tabs()->count();
            w.action("Flightbook")->trigger();
            QCOMPARE(w.tabs()->count(), tabs + 1);
            ToolWindow *book = w.findWindow(OpenKind::Flightbook);
            QVERIFY(book);
            QCOMPARE(w.tabs()->currentWidget(), book);
            const int index = w.tabs()->indexOf(book);
            QCOMPARE(w.tabs()->tabText(index), QString("Flightbook"));
            QVERIFY(!w.tabs()->tabIcon(index).isNull());
            w.tabs()->setCurrentIndex(0);
            w.action("Flightbook")->trigger();
            QCOMPARE(w.tabs()->count(), tabs + 1);
            QCOMPARE(w.tabs()->currentWidget(), book);
            QVERIFY(script.requests().isEmpty());
        }
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr);
        QVERIFY2(localOnly.blocked.isEmpty(), qPrintable(localOnly.blocked.join(' ')));
    }

    void databaseTabOpensOnceAndRefreshes()
    {
        QDir().mkpath(Data::instance()->waypointPath());
        QFile plan(Data::instance()->waypointPath() + "/InTab.zfp");
        QVERIFY(plan.open(QIODevice::WriteOnly));
        plan.close();
        MainWindow w;
        const int tabs = w.findChild<QTabWidget *>()->count();
        w.action("Database")->trigger();
        w.action("Database")->trigger();
        auto *tabWidget = w.findChild<QTabWidget *>();
        QCOMPARE(tabWidget->count(), tabs + 1);
        ToolWindow *db = w.findWindow(OpenKind::Database);
        QVERIFY(db);
        QCOMPARE(tabWidget->currentWidget(), db);
        QCOMPARE(tabWidget->tabText(tabWidget->currentIndex()), QString("Database"));
        auto *tree = db->findChild<QTreeWidget *>();
        QVERIFY(!tree->findItems("InTab", Qt::MatchRecursive).isEmpty());
        plan.remove();
        emit w.importZPXcompleted();  // reaches updateDB
        QVERIFY(tree->findItems("InTab", Qt::MatchRecursive).isEmpty());
    }

    void databaseMapPageCreatesAFlightPlan()
    {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        QVERIFY(Data::instance()->saveMapImage(
            image, KorvelTest::mapRecord("Bay", "test", {11, 48.01, 11.01, 48.01, 11, 48, 11.01,
                                                         48, 11.005, 48.005, 744, 1113})));
        MainWindow w;
        w.action("Database")->trigger();
        auto *db = w.findWindow(OpenKind::Database);
        auto *tree = db->findChild<QTreeWidget *>();
        const QList<QTreeWidgetItem *> found = tree->findItems("Bay", Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        tree->setCurrentItem(found.first());
        auto *page = db->findChild<DBMaps *>();
        QTRY_COMPARE_WITH_TIMEOUT(page->name(), QString("Bay"), KorvelTest::kWaitMs);
        QToolButton *create = page->newFlightPlanButton();
        const int tabs = w.findChild<QTabWidget *>()->count();
        create->click();
        QCOMPARE(w.findChild<QTabWidget *>()->count(), tabs + 1);
        QCOMPARE(w.findChild<QTabWidget *>()->tabText(w.findChild<QTabWidget *>()->currentIndex()),
                 QString("Bay"));
        QFile::remove(Data::instance()->orthoMapPath() + "/Bay.jpg");
    }

    // File > Import ZPX... and an archive named by a second start: progress,
    // then the result dialog; only the menu entry asks and remembers a folder.
    void importZpx_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("menu") << true;
        QTest::newRow("second start") << false;
    }
    void importZpx()
    {
        QFETCH(bool, fromMenu);
        MainWindow w;
        QTemporaryDir dir;
        const QString path = dir.path() + "/in.zpx";
        QFile file(path);
        // The head, then a ZIP without entries (its end record alone).
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("KorvelPackXFile\x01\0\0\0\0\0\0\0\0PK\x05\x06", 28)
                   + QByteArray(18, '\0'));
        file.close();
        KorvelTest::PromptScript script;
        script.path(path);
        QSignalSpy done(&w, &MainWindow::importZPXcompleted);
        QString shown;
        std::function<void(QWidget *)> onModal = [&](QWidget *m) {
            if (m->windowTitle() == "Importing to ZPX file...") {
                KorvelTest::whenModal(onModal);  // wait for the result
                return;
            }
            shown = m->windowTitle();
            for (QLabel *label : m->findChildren<QLabel *>()) {
                if (label->isVisible())
                    shown += "|" + label->text();
            }
            m->close();
        };
        KorvelTest::whenModal(onModal);
        if (fromMenu)
            w.action("Import ZPX...")->trigger();
        else
            w.recSingleAppMessage(path);
        QCOMPARE(shown, QString("Imported ZPX file result|Imported Data:|Not Imported Data:"
                                "|<b>Error:</b>|Amout of data 0"));
        QCOMPARE(done.size(), 1);
        QCOMPARE(script.requests().size(), fromMenu ? 1 : 0);
        if (fromMenu) {
            QCOMPARE(script.requests().first().title, QString("Open ZPX file..."));
            QCOMPARE(script.requests().first().filter, QString("ZPX file (*.zpx)"));
            QCOMPARE(Data::instance()->settings()->value("Last ZPX Import Path").toString(),
                     dir.path());
        }
        w.recSingleAppMessage("Tarvendel");
        w.recSingleAppMessage(dir.path() + "/other.txt");
        QCOMPARE(done.size(), 1);
    }

    // A project opens once in its own tab; a damaged one opens none.
    void phototaggerProjectTab()
    {
        const QString dir = Data::instance()->harlekSDPath() + "/phototagger/";
        QDir().mkpath(dir + "Survey");
        PTTag t;
        t.imageName = "a.jpg";
        t.time = QDateTime::currentDateTimeUtc();
        QVERIFY(PTProjectFile::save(dir + "Survey/Survey.zpt", 0, {t, t}));
        QDir().mkpath(dir + "Broken");
        QFile broken(dir + "Broken/Broken.zpt");
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a project");
        broken.close();
        MainWindow w;
        const int tabs = w.tabs()->count();
        KorvelTest::PromptScript script;
        QMetaObject::invokeMethod(&w, "openPhototaggerProject", Q_ARG(QString, "Broken"));
        QMetaObject::invokeMethod(&w, "openPhototaggerProject", Q_ARG(QString, "Nowhere"));
        QCOMPARE(w.tabs()->count(), tabs);
        QCOMPARE(script.requests().size(), 2);
        QCOMPARE(script.requests().first().iconPath, QString(":/icons/80/error"));
        QMetaObject::invokeMethod(&w, "openPhototaggerProject", Q_ARG(QString, "Survey"));
        ToolWindow *tab = w.findWindow(OpenKind::PhotoTagger, "Survey");
        QVERIFY(tab);
        QCOMPARE(w.tabs()->currentWidget(), tab);
        QCOMPARE(w.tabs()->tabText(w.tabs()->currentIndex()), QString("Survey"));
        QVERIFY(Data::instance()->isOpen(OpenKind::PhotoTagger, "Survey"));
        QCOMPARE(Data::instance()->recentName(0), QString("Survey"));
        QCOMPARE(Data::instance()->recentType(0), OpenKind::PhotoTagger);
        w.tabs()->setCurrentIndex(0);
        QMetaObject::invokeMethod(&w, "openPhototaggerProject", Q_ARG(QString, "Survey"));
        QCOMPARE(w.tabs()->count(), tabs + 1);
        QCOMPARE(w.tabs()->currentWidget(), tab);
        QCOMPARE(script.requests().size(), 2);
        // From the recents of the welcome page and from the database page.
        w.tabs()->setCurrentIndex(0);
        emit w.findChild<WelMain *>()->openPhotoTaggerProject("Survey");
        QCOMPARE(w.tabs()->currentWidget(), tab);
        w.action("Database")->trigger();
        auto *db = w.findChild<DBMain *>();
        db->photoTaggerPage()->setData("Survey");
        db->photoTaggerPage()->button("Open project")->click();
        QCOMPARE(w.tabs()->currentWidget(), tab);
        QCOMPARE(w.tabs()->count(), tabs + 2);
        QCOMPARE(script.requests().size(), 2);
    }
};

KORVEL_TEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
