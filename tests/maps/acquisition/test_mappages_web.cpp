// The map pages in a real web engine: the local test page answers every
// script call, and our page templates define the whole script interface.
// Nothing leaves the machine: every request other than file: is blocked.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <QtTest>

#include "core/mappages.h"
#include "support/localonly.h"
#include "support/testkit.h"

namespace {

// The web engine wants shared GL contexts before the application exists.
const bool s_sharedContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

}  // namespace

class TestMapPagesWeb : public QObject {
    Q_OBJECT
private:
    QWebEngineView *m_view = nullptr;
    KorvelTest::LocalOnly m_filter{KorvelTest::LocalOnly::BlockLoopback};

    bool load(const QString &file)
    {
        bool done = false, ok = false;
        auto c = connect(m_view, &QWebEngineView::loadFinished, this, [&](bool result) {
            done = true;
            ok = result;
        });
        m_view->load(QUrl::fromLocalFile(file));
        KorvelTest::waitFor([&] { return done; });
        disconnect(c);
        return ok;
    }

    QVariant js(const QString &script) { return KorvelTest::runScript(m_view->page(), script); }

    // An address below one of the configured script-library folders.
    static bool isLibrary(const QString &url)
    {
        for (const char *v : {"KORVEL_OPENLAYERS_BASE", "KORVEL_MAPBOX_GL_BASE",
                              "KORVEL_MAPBOX_GEOCODER_BASE"}) {
            const QString base = qEnvironmentVariable(v);
            if (!base.isEmpty() && url.startsWith(base))
                return true;
        }
        return url.startsWith("https://");
    }

    QJsonObject state() { return QJsonDocument::fromJson(js("testState()").toString().toUtf8()).object(); }

private slots:
    void initTestCase()
    {
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&m_filter);
        m_view = new QWebEngineView;
        m_view->resize(400, 300);
        m_view->show();
    }
    void cleanupTestCase() { delete m_view; }

    void testPageAnswersEveryCall()
    {
        QTemporaryDir dir;
        const QString page = dir.filePath("index.html");
        QVERIFY(QFile::copy(QDir::cleanPath(QStringLiteral(KORVEL_TEST_DATA "/../../data/testmap/index.html")), page));
        QFile::setPermissions(page, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(MapPages::setPagePosition(page, 11.575002, 48.137171));
        QVERIFY(load(page));

        QJsonObject s = state();
        QCOMPARE(s["centre"].toArray().at(0).toDouble(), 11.575);
        QCOMPARE(s["centre"].toArray().at(1).toDouble(), 48.1372);
        QVERIFY(s["navigation"].toBool());

        js("gotoLatLon(11.5,48.1);");
        s = state();
        QCOMPARE(s["zoom"].toInt(), 17);
        const QStringList lonLat = js("getLatLonFromPixel(200,150)").toString().split(", ");
        QCOMPARE(lonLat.size(), 2);
        QVERIFY(qAbs(lonLat[0].toDouble() - 11.5) < 1e-3);
        QVERIFY(qAbs(lonLat[1].toDouble() - 48.1) < 1e-3);

        js("addPin(11.5,48.1);addPin(11.6,48.2);");
        QCOMPARE(state()["pins"].toArray().size(), 2);
        js("cleanMarkers();");
        QCOMPARE(state()["pins"].toArray().size(), 0);
        js("addLinePoint(11.5,48.1);addLinePoint(11.6,48.2);drawLine()");
        QCOMPARE(state()["lines"].toArray().size(), 1);
        js("clearPath();");
        QCOMPARE(state()["lines"].toArray().size(), 0);
        QCOMPARE(state()["linePoints"].toArray().size(), 0);
        js("hideNavigation();");
        QVERIFY(!state()["navigation"].toBool());
        QVERIFY(m_filter.blocked.isEmpty());
    }

    void templatesDefineTheScriptInterface()
    {
        QTemporaryDir dir;
        QVERIFY(MapPages::writeOsmPage(dir.filePath("OpenStreetMap")));
        const QString box = MapPages::writeMapBoxPage(dir.path(), "mapbox://styles/u/s", "pk.t");
        QVERIFY(!box.isEmpty());
        for (const QString &page : {dir.filePath("OpenStreetMap/index.html"),
                                    dir.filePath(box + "/index.html")}) {
            m_filter.blocked.clear();
            load(page);
            // The library is never fetched here; a syntax error in our own
            // script would leave the functions undefined.
            QVERIFY(!m_filter.blocked.isEmpty());
            for (const QString &url : m_filter.blocked)
                QVERIFY2(isLibrary(url), qPrintable(url));
            for (const char *fn : {"showmap", "showNavigation", "hideNavigation",
                                   "getLatLonFromPixel", "gotoLatLon", "addPin", "cleanMarkers",
                                   "addLinePoint", "drawLine", "clearPath"})
                QVERIFY2(js(QString("typeof %1").arg(fn)).toString() == "function",
                         qPrintable(page + ": " + fn));
        }
    }
};

KORVEL_TEST_MAIN(TestMapPagesWeb)
#include "test_mappages_web.moc"
