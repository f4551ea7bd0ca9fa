#include <QAction>
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

#include "app/bottomline.h"
#include "link/korvelpackethandler.h"
#include "core/data.h"
#include "app/mainwindow.h"
#include "support/testkit.h"

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
        w->tabs()->addTab(new QWidget, "Plan*");
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
        QWidget *a = new QWidget;
        QWidget *b = new QWidget;
        w.addProjectTab(a, QIcon(), "A", 5, "alpha");
        w.addProjectTab(b, QIcon(), "B", 5, "beta");
        Data *d = Data::instance();
        QVERIFY(d->isOpen(5, "alpha") && d->isOpen(5, "beta"));
        w.tabs()->tabBar()->moveTab(1, 2);  // B before A
        QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, w.tabs()->indexOf(a)));
        QVERIFY(!d->isOpen(5, "alpha"));
        QVERIFY(d->isOpen(5, "beta"));
        QMetaObject::invokeMethod(&w, "tabclosed", Q_ARG(int, w.tabs()->indexOf(b)));
        QVERIFY(!d->isOpen(5, "beta"));
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
        QVERIFY(socket->waitForConnected(2000));
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
    void unavailableWindowsSayso()
    {
        MainWindow w;
        KorvelTest::PromptScript script;
        for (const char *entry : {"Flightbook", "Database", "Photo Tagger", "Thermal Editor"})
            w.action(entry)->trigger();
        QCOMPARE(script.requests().size(), 4);
        QVERIFY(script.texts().first().contains("not available yet"));
    }
};

KORVEL_TEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
