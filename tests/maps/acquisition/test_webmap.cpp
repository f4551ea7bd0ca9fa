// The web map bridge and the map snapshot in a real web engine, on the local
// test page (same script functions, a linear projection, no remote script).
// Every request that is not a local file or loopback is blocked.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QAction>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolBar>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <QtTest>

#include "core/data.h"
#include "core/geo.h"
#include "core/mapdescription.h"
#include "maps/acquisition/mapsnapshot.h"
#include "maps/acquisition/newmapform.h"
#include "maps/acquisition/newwaypoint.h"
#include "support/localonly.h"
#include "support/maprecord.h"
#include "support/testkit.h"
#include "maps/acquisition/webmap.h"

namespace {
// The tests link the map page, so the pages they get are of this WebMap.
WebMap *web(MapPage *page)
{
    return dynamic_cast<WebMap *>(page);
}
}  // namespace

namespace {

// The web engine wants shared GL contexts before the application exists.
const bool s_sharedContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

QVariant js(QWebEnginePage *page, const QString &script)
{
    return KorvelTest::runScript(page, script);
}

QJsonObject state(QWebEnginePage *page)
{
    return QJsonDocument::fromJson(js(page, "testState()").toString().toUtf8()).object();
}


}  // namespace

class TestWebMap : public QObject {
    Q_OBJECT
    KorvelTest::LocalOnly m_filter;
    KorvelTest::HttpServer m_probe;

private slots:
    void initTestCase()
    {
        setMapViewMaker(&WebMap::makeView);
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&m_filter);
        // The new flight plan dialog creates maps only while online.
        QVERIFY(m_probe.listen());
        m_probe.route("/probe", 200, "<html>up</html>");
        qputenv("KORVEL_PROBE_URL", m_probe.url("/probe").toString().toUtf8());
        Data *data = Data::instance();
        // The local test page as the current map service.
        const QString folder = data->mapApiPath() + "/TestMap";
        QVERIFY(QDir().mkpath(folder));
        QFile::remove(folder + "/index.html");
        // The local test page of the maps tests.
        const QString page =
            QDir::cleanPath(QStringLiteral(KORVEL_TEST_DATA "/../../data/testmap/index.html"));
        QVERIFY(QFile::copy(page, folder + "/index.html"));
        QFile::setPermissions(folder + "/index.html", QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(data->setCurrentMapService("TestMap"));
        WebMap::setReplyTimeout(KorvelTest::kWaitMs);
    }

    void cleanupTestCase() { QVERIFY2(m_filter.blocked.isEmpty(), qPrintable(m_filter.blocked.join(' '))); }

    void scriptTexts()
    {
        QCOMPARE(WebMap::pointScript("gotoLatLon", 48.1, 11.5),
                 QString("gotoLatLon(11.500000000000,48.100000000000);"));
        QCOMPARE(WebMap::pixelScript(0, 0), QString("getLatLonFromPixel(0,0)"));
        QCOMPARE(WebMap::pixelScript(512.5, 300), QString("getLatLonFromPixel(512.5,300)"));
        QCOMPARE(WebMap::pixelScript(1234.5678, -3), QString("getLatLonFromPixel(1234.57,-3)"));
        QCOMPARE(WebMap::normalizeReply("LatLng(48.1, 11.5)"), QString(" 11.5, 48.1"));
        QCOMPARE(WebMap::normalizeReply("11.5, 48.1"), QString("11.5, 48.1"));
        QCOMPARE(WebMap::normalizeReply(""), QString());
        QCOMPARE(WebMap::normalizeReply("LatLng"), QString("LatLng"));
    }

    // The slots reach the page in the right order of arguments and with
    // every decimal; the page's answers come back longitude first.
    void bridgeDrivesThePage()
    {
        QWebEngineView view;
        view.resize(400, 300);
        auto *map = new WebMap(&view);
        view.setPage(map);
        map->setUrl(QUrl(Data::instance()->mapPageUrl()));
        view.show();
        QVERIFY(KorvelTest::waitForTestPage(map));
        QVERIFY(KorvelTest::recordCalls(
            map, {"gotoLatLon", "addPin", "addLinePoint", "drawLine", "cleanMarkers", "clearPath", "hideNavigation"}));

        map->gotoLatLon(48.123456789012, 11.987654321098);
        map->addPin(48.1, 11.5);
        map->addPathPoint(-33.5, -70.25);
        map->addPathPoint(-33.6, -70.35);
        map->drawPath();
        map->cleanMarkers();
        map->clearPath();
        map->hideToolbar();
        QTRY_COMPARE_WITH_TIMEOUT(js(map, "window.calls.length").toInt(), 8, KorvelTest::kWaitMs);
        QStringList calls;
        for (const QVariant &v : js(map, "window.calls").toList())
            calls << v.toString();
        QCOMPARE(calls, QStringList({"gotoLatLon(11.987654321098,48.123456789012)",
                                     "addPin(11.500000000000,48.100000000000)",
                                     "addLinePoint(-70.250000000000,-33.500000000000)",
                                     "addLinePoint(-70.350000000000,-33.600000000000)",
                                     "drawLine()", "cleanMarkers()", "clearPath()",
                                     "hideNavigation()"}));
        QVERIFY(!state(map)["navigation"].toBool());

        // Round trip through the page: the centre pixel is the map centre.
        QSignalSpy coords(map, &WebMap::coords);
        const QString centre = map->getLatLonFromPixel(200, 150);
        QCOMPARE(coords.count(), 1);
        QCOMPARE(coords.at(0).at(0).toString(), centre);
        const QPointF p = MapSnapshot::parseLonLat(centre);
        QVERIFY2(qAbs(p.x() - 11.987654321098) < 1e-9 && qAbs(p.y() - 48.123456789012) < 1e-9,
                 qPrintable(centre));

        // A page that answers in the other library's form.
        js(map, "getLatLonFromPixel = function(x, y) { return 'LatLng(' + (y + 0.5) + ', ' + x + ')'; }; true");
        QCOMPARE(map->getLatLonFromPixel(7, 40), QString(" 7, 40.5"));

        // A page that answers too late: the caller gets nothing and goes on;
        // the late answer is dropped.
        WebMap::setReplyTimeout(300);
        js(map, "getLatLonFromPixel = function() { var t = Date.now(); while (Date.now() - t < 3000) {} return '1, 2'; }; true");
        coords.clear();
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(map->getLatLonFromPixel(1, 1), QString());
        QVERIFY(clock.elapsed() < 2900);
        // The page runs scripts in order: this one answers after the late one.
        QCOMPARE(js(map, "true").toBool(), true);
        QCOMPARE(coords.count(), 0);
        WebMap::setReplyTimeout(KorvelTest::kWaitMs);

        // No such function on the page: empty text.
        js(map, "getLatLonFromPixel = undefined; true");
        QCOMPARE(map->getLatLonFromPixel(1, 1), QString());
    }

    void geoReferenceFromFivePositions()
    {
        // Hand-computed with 111300 m per degree and 0.01745 for degrees.
        const QList<double> v = KorvelTest::mapNumbers(MapSnapshot::geoReference(
            {{11.0, 48.0}, {11.01, 48.0}, {11.0, 47.99}, {11.01, 47.99}, {11.005, 47.995}}));
        QCOMPARE(v.size(), 12);
        QCOMPARE(v.mid(0, 10), QList<double>({11.0, 48.0, 11.01, 48.0, 11.0, 47.99, 11.01, 47.99,
                                              11.005, 47.995}));
        QVERIFY(qAbs(v[10] - 744.8730744428863) < 1e-6);
        QVERIFY(qAbs(v[11] - 1113.0) < 1e-6);
        // A turned view: the width follows the top edge.
        const QList<double> t = KorvelTest::mapNumbers(MapSnapshot::geoReference(
            {{11.0, 48.0}, {11.01, 48.005}, {11.0, 47.99}, {11.01, 47.99}, {11.005, 47.995}}));
        QVERIFY(qAbs(t[10] - 929.7711547684938) < 1e-6);
        QVERIFY(MapSnapshot::geoReference({{1, 2}}).isEmpty());

        // Reply texts: blanks and further commas dropped, unreadable parts 0.
        QCOMPARE(MapSnapshot::parseLonLat(" 11.5, 48.1"), QPointF(11.5, 48.1));
        QCOMPARE(MapSnapshot::parseLonLat("11.5,48.1"), QPointF(11.5, 48.1));
        QCOMPARE(MapSnapshot::parseLonLat("-70.25, -33.5,"), QPointF(-70.25, -33.5));
        QCOMPARE(MapSnapshot::parseLonLat("x, 3"), QPointF(0, 3));
    }

    // Storing the view: five queries at the corners (one past the last
    // pixel) and the centre, sizes in metres, the rendered view.
    void snapshotStoresTheView()
    {
        MapSnapshot snap(true, 11.5, 48.1);
        snap.setWindowState(Qt::WindowNoState);
        snap.resize(1041, 640);
        snap.show();
        WebMap *map = web(snap.webMap());
        QVERIFY(KorvelTest::waitForTestPage(map));
        // The start position was written into the page before it loaded.
        const QJsonArray c = state(map)["centre"].toArray();
        QCOMPARE(c.at(0).toDouble(), 11.5);
        QCOMPARE(c.at(1).toDouble(), 48.1);
        QVERIFY(js(map, "window.asked = []; var f = getLatLonFromPixel; getLatLonFromPixel = "
                        "function(x, y) { asked.push(x + '/' + y); return f(x, y); }; true")
                    .toBool());
        const int w = snap.view()->width(), h = snap.view()->height();
        QVERIFY(w % 2 == 1);  // odd: the centre query is truncated

        const QJsonObject s = state(map);
        const int zoom = s["zoom"].toInt();
        const double d = 360.0 / (256 * std::pow(2.0, zoom));
        const double cx = s["centre"].toArray().at(0).toDouble();
        const double cy = s["centre"].toArray().at(1).toDouble();
        auto lon = [&](double x) { return cx + (x - w / 2.0) * d; };
        auto lat = [&](double y) { return cy - (y - h / 2.0) * d; };

        // Escape or close while the page is being asked: ignored.
        bool closeTried = false;
        QSignalSpy rejected(&snap, &QDialog::rejected);
        QTimer::singleShot(0, &snap, [&] { closeTried = true; snap.reject(); });
        snap.savedclicked();
        QVERIFY(closeTried);
        QCOMPARE(rejected.count(), 0);
        QVERIFY(snap.isSaved());
        QCOMPARE(snap.result(), int(QDialog::Accepted));
        QStringList asked;
        for (const QVariant &v : js(map, "asked").toList())
            asked << v.toString();
        QCOMPARE(asked, QStringList({"0/0", QString("%1/0").arg(w), QString("0/%1").arg(h),
                                     QString("%1/%2").arg(w).arg(h),
                                     QString("%1/%2").arg(w / 2).arg(h / 2)}));
        QVERIFY(!state(map)["navigation"].toBool());

        const QList<double> v = KorvelTest::mapNumbers(snap.getMapData());
        QCOMPARE(v.size(), 12);
        const QList<double> expected = {lon(0), lat(0), lon(w), lat(0), lon(0), lat(h),
                                        lon(w), lat(h), lon(w / 2), lat(h / 2)};
        for (int i = 0; i < 10; ++i)
            QVERIFY2(qAbs(v[i] - expected[i]) < 1e-9, qPrintable(QString::number(i)));
        QVERIFY(qAbs(v[10] - GeoMath::flatMetres(GeoPoint::lonLat(lon(0), lat(0)), GeoPoint::lonLat(lon(w), lat(0)))) < 1e-6);
        QVERIFY(qAbs(v[11] - GeoMath::flatMetres(GeoPoint::lonLat(lon(0), lat(0)), GeoPoint::lonLat(lon(0), lat(h)))) < 1e-6);
        QVERIFY(v[10] > 0 && v[11] > 0);
        const QImage image = snap.getImage();
        QCOMPARE(image.size(), QSize(w, h));
        QCOMPARE(image.format(), QImage::Format_ARGB32);
        // The page itself is in the image (its background colour).
        QCOMPARE(QColor(image.pixel(w / 2, h / 2)), QColor(0x20, 0x30, 0x40));
        // The navigation controls (white, top left) are not in the map.
        QCOMPARE(QColor(image.pixel(20, 40)), QColor(0x20, 0x30, 0x40));
    }

    // Until the page answers nothing is stored; the window stays open.
    void snapshotWithoutAnswerStoresNothing()
    {
        KorvelTest::PromptScript prompts;
        MapSnapshot snap(true, 11.5, 48.1);
        snap.setWindowState(Qt::WindowNoState);
        snap.resize(500, 400);
        snap.show();
        QVERIFY(KorvelTest::waitForTestPage(web(snap.webMap())));
        js(web(snap.webMap()), "getLatLonFromPixel = undefined; true");
        snap.savedclicked();
        QVERIFY(!snap.isSaved());
        QVERIFY(snap.getMapData().isEmpty());
        QVERIFY(snap.isVisible());
        QCOMPARE(prompts.requests().size(), 1);
        QCOMPARE(prompts.requests().at(0).iconPath, QString(":/icons/80/error"));
        QVERIFY(state(web(snap.webMap()))["navigation"].toBool());
        const QList<QAction *> actions = snap.findChild<QToolBar *>()->actions();
        QCOMPARE(actions.size(), 4);
        for (QAction *a : actions)
            QVERIFY(a->isSeparator() || a->isEnabled());
        snap.close();
        QVERIFY(!snap.isSaved());
    }

    void gotoPosition()
    {
        MapSnapshot snap(true, 11.5, 48.1);
        snap.setWindowState(Qt::WindowNoState);
        snap.resize(500, 400);
        snap.show();
        QVERIFY(KorvelTest::waitForTestPage(web(snap.webMap())));
        KorvelTest::whenModal([](QWidget *w) {
            const auto spins = w->findChildren<QDoubleSpinBox *>();
            for (QDoubleSpinBox *s : spins)
                s->setValue(s->objectName() == "latitude" ? -33.25 : 151.125);
            for (QPushButton *b : w->findChildren<QPushButton *>())
                if (b->text() == "Goto")
                    b->click();
        });
        snap.gotoclicked();
        QTRY_COMPARE_WITH_TIMEOUT(state(web(snap.webMap()))["centre"].toArray().at(0).toDouble(), 151.125, KorvelTest::kWaitMs);
        QCOMPARE(state(web(snap.webMap()))["centre"].toArray().at(1).toDouble(), -33.25);
        QCOMPARE(state(web(snap.webMap()))["zoom"].toInt(), 17);
    }

    // A new flight plan on a fresh capture: the snapshot runs on the local
    // page, the capture is named on the next page and stored.
    void newFlightPlanOnCapture()
    {
        Data *data = Data::instance();
        QVERIFY(KorvelTest::waitFor([&] { return data->isOnline(); }));
        QImage old(64, 64, QImage::Format_RGB32);
        old.fill(Qt::gray);
        const QList<double> numbers{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        QVERIFY(data->saveMapImage(old, KorvelTest::mapRecord("Harbour", "", numbers)));

        KorvelTest::PromptScript prompts;
        NewWaypoint dialog;
        dialog.show();
        // Closed without storing: still the start page.
        KorvelTest::whenModal([](QWidget *w) { QVERIFY(qobject_cast<MapSnapshot *>(w)); w->close(); });
        dialog.nextButton()->click();
        QCOMPARE(dialog.pages()->currentIndex(), 0);
        QVERIFY(!dialog.backButton()->isVisible());
        QCOMPARE(dialog.nextButton()->text(), QString("Next"));

        QList<double> captured;
        KorvelTest::whenModal([&](QWidget *w) {
            auto *snap = qobject_cast<MapSnapshot *>(w);
            QVERIFY(snap);
            QVERIFY(snap->isFullScreen());
            QVERIFY(KorvelTest::waitForTestPage(web(snap->webMap())));
            snap->savedclicked();
            captured = KorvelTest::mapNumbers(snap->getMapData());
        });
        dialog.nextButton()->click();
        QCOMPARE(captured.size(), 12);
        QCOMPARE(dialog.pages()->currentIndex(), 1);
        QCOMPARE(dialog.nextButton()->text(), QString("Ok"));
        NewMapForm *form = dialog.newMapForm();
        QCOMPARE(form->lonLabel->text(), QString::number(captured[8], 'g', 6));
        QCOMPARE(form->widthLabel->text(), captured[10] > 10000 ? QString("over 10km")
                                               : QString::number(captured[10], 'g', 6) + "m");

        form->nameEdit->setText("Harbour");
        dialog.nextButton()->click();
        QCOMPARE(prompts.requests().size(), 1);
        QCOMPARE(prompts.requests()[0].title, QString("Location name already exists"));
        QCOMPARE(prompts.requests()[0].text,
                 QString("<p>You entered a location name that already exists. Please choose a "
                         "different one.</p><p>Hint: You can delete maps or change its name in "
                         "the database (at <i>Window</i>-><i>Database</i>)</p>"));
        QCOMPARE(dialog.pages()->currentIndex(), 1);

        form->nameEdit->setFocus();
        form->nameEdit->setText("Harbour 2");
        QTest::keyClick(form->nameEdit, Qt::Key_Return);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.getChoice(), 1);
        const QString path = data->orthoMapPath() + QDir::separator() + "Harbour 2.jpg";
        QCOMPARE(dialog.getMapName(), path);
        const QStringList fields = MapDescription::parse(MapDescription::readText(path)).fields();
        QCOMPARE(fields.size(), 14);
        QCOMPARE(fields[1], QString("TestMap"));
        for (int i = 0; i < 12; ++i)
            QVERIFY(qAbs(fields[i + 2].toDouble() - captured[i]) < 1e-5);
        QCOMPARE(QImage(path).size(), dialog.newMapForm()->image().size());
        bool indexed = false;
        for (int i = 0; i < data->mapIndexCount(); ++i)
            indexed |= data->mapIndexEntry(i).name() == "Harbour 2";
        QVERIFY(indexed);
    }
};

KORVEL_TEST_MAIN(TestWebMap)
#include "test_webmap.moc"
