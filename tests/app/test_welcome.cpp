#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QTabWidget>
#include <QTcpServer>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include "core/data.h"
#include "core/pngicon.h"
#include "app/helpinfo.h"
#include "app/mainwindow.h"
#include "app/intromain.h"
#include "support/testkit.h"
#include "app/updateinfo.h"
#include "app/updatemain.h"
#include "app/welinfo.h"
#include "app/welmain.h"

Q_DECLARE_METATYPE(KorvelTest::HttpServer::Reply)

namespace {
// Whether the welcome page had painted itself when it asked for the version.
bool g_painted = false;
bool g_askedBeforePaint = false;
int g_asks = 0;
QtMessageHandler g_previousHandler = nullptr;

void watchAsks(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains("UpdateInfo::getData()")) {
        ++g_asks;
        if (!g_painted)
            g_askedBeforePaint = true;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

class PaintSpy : public QObject {
public:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            g_painted = true;
        return false;
    }
};

// Empty when the label shows all of its text inside window; else what is cut.
QString cutText(QLabel *label, QWidget *window)
{
    const int width = label->width();
    if (!label->wordWrap() && label->sizeHint().width() > width)
        return QString("needs %1 px wide, has %2").arg(label->sizeHint().width()).arg(width);
    if (label->wordWrap() && label->minimumSizeHint().width() > width)
        return QString("a word needs %1 px, has %2").arg(label->minimumSizeHint().width()).arg(width);
    const int height = label->hasHeightForWidth() ? label->heightForWidth(width)
                                                  : label->sizeHint().height();
    if (height > label->height())
        return QString("needs %1 px high, has %2").arg(height).arg(label->height());
    const QRect inWindow(label->mapTo(window, QPoint()), label->size());
    if (!window->rect().contains(inWindow))
        return QString("reaches out of the window");
    if (!label->isVisibleTo(window))
        return QString("hidden");
    return QString();
}
}  // namespace

class TestWelcome : public QObject {
    Q_OBJECT
    KorvelTest::HttpServer *m_server = nullptr;

    void serveVersion(const KorvelTest::HttpServer::Reply &reply)
    {
        m_server->route("/tarvendel/version/latest_version", reply);
        m_server->route("/tarvendel/version/Changelog.txt", 200, "v3.5.0\n- faster maps\n");
    }
    static KorvelTest::HttpServer::Reply ok(const QByteArray &body)
    {
        KorvelTest::HttpServer::Reply r;
        r.body = body;
        return r;
    }

private slots:
    void initTestCase()
    {
        m_server = new KorvelTest::HttpServer(this);
        QVERIFY(m_server->listen());
        qputenv("KORVEL_UPDATE_URL", m_server->url().toString().toUtf8());
    }

    // The program icon of the welcome page looks as the icon of its
    // resource does at 90 pixels, on every pixel density (the test also runs
    // with scale factors 2 and 1.5, see CMakeLists.txt).
    void welcomeShowsTheProgramIcon_data()
    {
        QTest::addColumn<bool>("highDpiPixmaps");
        QTest::newRow("plain pixmaps") << false;
        QTest::newRow("high-dpi pixmaps") << true;
    }
    void welcomeShowsTheProgramIcon()
    {
        QFETCH(bool, highDpiPixmaps);
        QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, highDpiPixmaps);
        auto reset = qScopeGuard([] { QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps, false); });
        WelInfo info;
        const QImage expected = QIcon(":/icons/512/programicon").pixmap(90, 90).toImage();
        bool found = false;
        for (const QLabel *label : info.findChildren<QLabel *>()) {
            const QPixmap shown = label->pixmap(Qt::ReturnByValue);
            if (!shown.isNull()) {
                QCOMPARE(shown.toImage(), expected);
                QCOMPARE(label->pixmap(Qt::ReturnByValue).devicePixelRatio(),
                         QIcon(":/icons/512/programicon").pixmap(90, 90).devicePixelRatio());
                found = true;
            }
        }
        QVERIFY(found);
    }

    // The pre-scaled program icons are the pixels QIcon makes from the
    // 512-pixel original; a new original needs new copies.
    void preScaledProgramIconsMatchTheOriginal_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("side");
        QTest::newRow("90") << ":/icons/90/programicon" << 90;
        QTest::newRow("180") << ":/icons/180/programicon" << 180;
    }
    void preScaledProgramIconsMatchTheOriginal()
    {
        QFETCH(QString, path);
        QFETCH(int, side);
        const QImage original =
            QIcon(":/icons/512/programicon").pixmap(QSize(side, side)).toImage();
        const QImage copy = QPixmap::fromImage(PngIcon::read(path)).toImage();
        QCOMPARE(copy.size(), QSize(side, side));
        QCOMPARE(copy, original);
    }

    void updateDialog_data()
    {
        QTest::addColumn<KorvelTest::HttpServer::Reply>("reply");
        QTest::addColumn<QString>("latest");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("download");
        auto failed = [](int status) {
            KorvelTest::HttpServer::Reply r;
            r.status = status;
            r.body = "3.9.0|http://127.0.0.1:9/dl";
            return r;
        };
        KorvelTest::HttpServer::Reply hang;
        hang.hangUp = true;
        QTest::newRow("major") << ok("4.0.0|http://127.0.0.1:9/dl") << "4.0.0"
                               << "A new major version" << true;
        QTest::newRow("minor") << ok("3.5.0|http://127.0.0.1:9/dl") << "3.5.0"
                               << "A new minor version" << true;
        QTest::newRow("micro") << ok("3.4.6|http://127.0.0.1:9/dl") << "3.4.6"
                               << "A new bug fix version" << true;
        QTest::newRow("equal") << ok("3.4.5|http://127.0.0.1:9/dl") << "3.4.5"
                               << "Your software is up-to-date." << false;
        QTest::newRow("longer equal") << ok("3.4.5.1|x") << "3.4.5.1"
                                      << "Your software is up-to-date." << false;
        QTest::newRow("older") << ok("3.4|x") << "3.4" << "You are using a newer version" << false;
        QTest::newRow("v prefix") << ok("v3.9.0|x") << "" << "You are using a newer version"
                                  << false;
        QTest::newRow("malformed") << ok("3.9.0") << "-" << "The update check failed." << false;
        QTest::newRow("http 404") << failed(404) << "-" << "The update check failed." << false;
        QTest::newRow("http 500") << failed(500) << "-" << "The update check failed." << false;
        QTest::newRow("hang up") << hang << "-" << "The update check failed." << false;
    }
    void updateDialog()
    {
        QFETCH(KorvelTest::HttpServer::Reply, reply);
        QFETCH(QString, latest);
        QFETCH(QString, message);
        QFETCH(bool, download);
        serveVersion(reply);
        UpdateMain dlg;
        QCOMPARE(dlg.pages()->currentIndex(), 0);
        QCOMPARE(dlg.size(), QSize(800, 300));
        QCOMPARE(dlg.currentLabel()->text(), QString("3.4.5"));
        // Every row changes the version or the message from what the dialog
        // starts with, so both together tell that the version reply was handled.
        QTRY_COMPARE_WITH_TIMEOUT(dlg.latestLabel()->text(), latest, KorvelTest::kWaitMs);
        QTRY_VERIFY2_WITH_TIMEOUT(dlg.messageLabel()->text().contains(message),
                                  qPrintable(dlg.messageLabel()->text()), KorvelTest::kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(dlg.pages()->currentIndex(), 1, KorvelTest::kWaitMs);
        QCOMPARE(dlg.downloadButton()->isEnabled(), download);
    }
    void silentServerTimesOut()
    {
        // Takes the connection, never answers.
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        const QByteArray saved = qgetenv("KORVEL_UPDATE_URL");
        qputenv("KORVEL_UPDATE_URL",
                QByteArray("http://127.0.0.1:") + QByteArray::number(silent.serverPort()));
        QCOMPARE(UpdateInfo::timeout(), 15000);
        UpdateInfo::setTimeout(300);
        UpdateMain dlg;
        // The change log's time-out also turns the page: wait for the version's.
        const bool ended = KorvelTest::waitFor([&] {
            return dlg.pages()->currentIndex() == 1
                   && dlg.messageLabel()->text().contains("The update check failed.");
        });
        UpdateInfo::setTimeout(15000);
        qputenv("KORVEL_UPDATE_URL", saved);
        QVERIFY2(ended, qPrintable(dlg.messageLabel()->text()));
        QVERIFY(silent.hasPendingConnections());
        QVERIFY(!dlg.downloadButton()->isEnabled());
    }
    void updateMessageFits_data()
    {
        QTest::addColumn<KorvelTest::HttpServer::Reply>("reply");
        QTest::addColumn<QString>("message");
        KorvelTest::HttpServer::Reply missing;
        missing.status = 404;
        KorvelTest::HttpServer::Reply hang;
        hang.hangUp = true;
        QTest::newRow("major") << ok("4.0.0|http://127.0.0.1:9/dl") << "A new major version";
        QTest::newRow("minor") << ok("3.5.0|http://127.0.0.1:9/dl") << "A new minor version";
        QTest::newRow("micro") << ok("3.4.6|http://127.0.0.1:9/dl") << "A new bug fix version";
        QTest::newRow("older") << ok("3.4|x") << "You are using a newer version";
        QTest::newRow("http 404") << missing << "The update check failed.";
        QTest::newRow("hang up") << hang << "The update check failed.";
        QTest::newRow("malformed") << ok("3.9.0") << "The update check failed.";
    }
    void updateMessageFits()
    {
        QFETCH(KorvelTest::HttpServer::Reply, reply);
        QFETCH(QString, message);
        serveVersion(reply);
        UpdateMain dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(KorvelTest::waitFor([&] {
            return dlg.pages()->currentIndex() == 1 && dlg.messageLabel()->text().contains(message);
        }));
        KorvelTest::settleLayouts();
        const QString cut = cutText(dlg.messageLabel(), &dlg);
        QVERIFY2(cut.isEmpty(), qPrintable(cut + ": " + dlg.messageLabel()->text()));
        QVERIFY(dlg.rect().contains(
            QRect(dlg.downloadButton()->mapTo(&dlg, QPoint()), dlg.downloadButton()->size())));
    }
    void changelogShown()
    {
        serveVersion(ok("3.5.0|http://127.0.0.1:9/dl"));
        UpdateMain dlg;
        QVERIFY(KorvelTest::waitFor([&] { return dlg.pages()->currentIndex() == 1; }));
        QVERIFY(dlg.changelogBox()->toPlainText().contains("faster maps"));
    }
    void downloadOpensOnlyWebAddresses_data()
    {
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<bool>("opened");
        QTest::newRow("http") << QByteArray("http://127.0.0.1:9/dl") << true;
        QTest::newRow("https") << QByteArray("https://127.0.0.1:9/dl") << true;
        QTest::newRow("file") << QByteArray("file:///usr/bin/xterm") << false;
        QTest::newRow("custom") << QByteArray("smb://host/share") << false;
    }
    void downloadOpensOnlyWebAddresses()
    {
        QFETCH(QByteArray, address);
        QFETCH(bool, opened);
        serveVersion(ok("9.0.0|" + address));
        KorvelTest::UrlCatcher catcher;
        KorvelTest::PromptScript script;
        UpdateMain dlg;
        QVERIFY(KorvelTest::waitFor([&] { return dlg.latestLabel()->text() == "9.0.0"; }));
        dlg.downloadButton()->click();
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().title, QString("Update Information"));
        QCOMPARE(catcher.urls.size(), opened ? 1 : 0);
    }

    void welcomeNotice_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("notice");
        QTest::newRow("newer micro") << QByteArray("3.4.6|x") << true;
        QTest::newRow("newer minor") << QByteArray("3.5|x") << true;
        QTest::newRow("equal") << QByteArray("3.4.5|x") << false;
        QTest::newRow("older") << QByteArray("3.3.9|x") << false;
        QTest::newRow("garbage") << QByteArray("<html>") << false;
    }
    void welcomeNotice()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, notice);
        serveVersion(ok(body));
        const int before = m_server->hits("/tarvendel/version/latest_version");
        WelMain w;
        auto *update = w.findChild<UpdateInfo *>();
        QVERIFY(update);
        QSignalSpy received(update, &UpdateInfo::versionInfoReceived);
        QSignalSpy failed(update, &UpdateInfo::requestFailed);
        QVERIFY(KorvelTest::waitFor([&] { return !received.isEmpty() || !failed.isEmpty(); }));
        QVERIFY(m_server->hits("/tarvendel/version/latest_version") > before);
        const QString text = w.panel()->versionLabel()->text();
        QCOMPARE(text.contains("A new version is available."), notice);
        if (notice) {
            QVERIFY(text.contains("<a href=\""));
            QVERIFY(text.endsWith(".</font></b>"));  // well-formed markup
        } else {
            QCOMPARE(text, QString("Your current version: v3.4.5"));
        }
    }

    // A shown page asks for the latest version once it has painted itself,
    // so the window is on screen before the network stack loads; a hidden
    // one asks at once (welcomeNotice).
    void updateCheckWaitsForTheFirstPaint()
    {
        serveVersion(ok("3.4.5|x"));
        g_painted = g_askedBeforePaint = false;
        g_asks = 0;
        g_previousHandler = qInstallMessageHandler(watchAsks);
        auto restore = qScopeGuard([] { qInstallMessageHandler(g_previousHandler); });
        WelMain w;
        PaintSpy spy;
        w.installEventFilter(&spy);
        w.resize(600, 400);
        w.show();
        QVERIFY(KorvelTest::waitFor([] { return g_asks > 0; }));
        QVERIFY(g_painted);
        QVERIFY(!g_askedBeforePaint);
        QTest::qWait(50);  // only to show that no second ask follows
        QCOMPARE(g_asks, 1);
    }

    void welcomeNoticeFitsTheSmallestWindow()
    {
        MainWindow w;
        w.resize(w.minimumSize());
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *welcome = qobject_cast<WelMain *>(w.tabs()->widget(0));
        QVERIFY(welcome);
        QLabel *label = welcome->panel()->versionLabel();
        welcome->panel()->setNewVersionNotice(true);
        KorvelTest::settleLayouts();
        QCOMPARE(w.size(), QSize(1000, 600));
        const QString cut = cutText(label, &w);
        QVERIFY2(cut.isEmpty(), qPrintable(cut));
        // Every recent button stays in the window below the grown notice.
        for (QToolButton *b : welcome->panel()->recentButtons())
            QVERIFY(w.rect().contains(QRect(b->mapTo(&w, QPoint()), b->size())));
    }

    void recentButtons()
    {
        Data *d = Data::instance();
        WelMain w;
        const QList<QToolButton *> b = w.panel()->recentButtons();
        QCOMPARE(b.size(), 5);
        for (QToolButton *x : b)
            QVERIFY(!x->isEnabled() && x->text().isEmpty());
        d->addRecent(OpenKind::Log, "log-0815");
        d->addRecent(OpenKind::Map, "Harbour");
        d->addRecent(OpenKind::FlightPlan, "Survey A");
        d->addRecent(OpenKind::PhotoTagger, "Fields");
        d->addRecent(OpenKind::Thermal, "Roof");
        QStringList names;
        for (QToolButton *x : b)
            names << x->text();
        QCOMPARE(names, (QStringList{"Roof", "Fields", "Survey A", "Harbour", "log-0815"}));
        QVERIFY(b[4]->isEnabled() && b[4]->icon().isNull());  // a log has no icon
        QVERIFY(!b[0]->icon().isNull());

        QSignalSpy maps(&w, &WelMain::openMap);
        QSignalSpy plans(&w, &WelMain::openFlightplan);
        QSignalSpy pt(&w, &WelMain::openPhotoTaggerProject);
        QSignalSpy th(&w, &WelMain::openThermalProject);
        for (QToolButton *x : b)
            x->click();
        QCOMPARE(th.size(), 1);
        QCOMPARE(th.first().first().toString(), QString("Roof"));
        QCOMPARE(pt.first().first().toString(), QString("Fields"));
        QCOMPARE(plans.first().first().toString(), QString("Survey A"));
        QCOMPARE(maps.first().first().toString(),
                 d->orthoMapPath() + QDir::separator() + "Harbour.jpg");
    }

    void aboutBox()
    {
        HelpInfo about;
        QCOMPARE(about.minimumWidth(), 618);
        QCOMPARE(about.maximumWidth(), 618);
        QVERIFY(HelpInfo::versionText().startsWith(
            "<b>Korvel Tarvendel</b><br>Version v3.4.5, built on "));
        QCOMPARE(about.windowTitle(), QString("About Korvel Tarvendel"));
        QVERIFY(about.browser()->toPlainText().contains("QuaZip"));
        QVERIFY(about.browser()->openExternalLinks());
    }

    void introduction()
    {
        Data::instance()->setShowIntroAtStartUp(1);
        IntroMain intro;
        intro.show();
        QCOMPARE(intro.size(), QSize(640, 480));
        QVERIFY(!intro.backButton()->isEnabled());
        QVERIFY(!intro.checkBox()->isChecked());
        QVERIFY(intro.textLabel()->text().contains("Welcome to the Korvel Tarvendel"));
        const QStringList headings = {"Data in Database", "Aerial Imagery", "Camera selection",
                                      "Extra features", "Thank you!"};
        for (const QString &h : headings) {
            intro.nextButton()->click();
            QVERIFY2(intro.textLabel()->text().contains(h), qPrintable(h));
            QCOMPARE(intro.pictureLabel()->pixmap(Qt::ReturnByValue).size(), QSize(200, 400));
        }
        QCOMPARE(intro.nextButton()->text(), QString("Finish"));
        intro.backButton()->click();
        QCOMPARE(intro.nextButton()->text(), QString("Next"));
        QCOMPARE(intro.page(), 4);
        for (int i = 0; i < 3; ++i)
            intro.backButton()->click();
        QVERIFY(intro.backButton()->isEnabled());
        intro.backButton()->click();
        QVERIFY(!intro.backButton()->isEnabled());

        intro.checkBox()->click();
        QCOMPARE(Data::instance()->settings()->value("ShowIntroAtStartUp").toInt(), 0);
        intro.checkBox()->click();
        QCOMPARE(Data::instance()->settings()->value("ShowIntroAtStartUp").toInt(), 1);

        for (int i = 0; i < 5; ++i)
            intro.nextButton()->click();
        QVERIFY(intro.isVisible());
        intro.nextButton()->click();  // "Finish"
        QVERIFY(!intro.isVisible());
    }
};

KORVEL_TEST_MAIN(TestWelcome)
#include "test_welcome.moc"
