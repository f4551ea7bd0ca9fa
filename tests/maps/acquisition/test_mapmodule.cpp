// The web engine is loaded with the map module when the first map is made,
// not when the program starts. This test links no web engine itself.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <memory>

#include "core/mappage.h"
#include "support/testkit.h"

namespace {
bool mapped(const char *library)
{
    QFile maps("/proc/self/maps");
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}
}  // namespace

class TestMapModule : public QObject {
    Q_OBJECT
private slots:
    void webEngineComesWithTheFirstMap()
    {
        if (qEnvironmentVariableIsSet("MAPMODULE_CHILD"))
            QSKIP("run in the child only");
        QVERIFY(!mapped("libQt5WebEngine"));
        QVERIFY(!mapped("libkorvel_webmap"));

        const MapView first = makeMapView(nullptr);
        std::unique_ptr<QWidget> owner(first.view);
        QVERIFY(mapped("libkorvel_webmap"));
        QVERIFY(mapped("libQt5WebEngineCore"));
        QVERIFY(first.view->inherits("QWebEngineView"));
        QVERIFY(first.page->pageObject()->inherits("QWebEnginePage"));
        QCOMPARE(first.page->pageObject()->parent(), first.view);

        // Later maps come from the module already loaded.
        QWidget parent;
        const MapView second = makeMapView(&parent);
        QCOMPARE(second.view->parentWidget(), &parent);
        QVERIFY(second.page->pageObject() != first.page->pageObject());
    }

    // Without the module the windows get an empty view and a page that does
    // nothing, instead of a crash. Runs in a child: the module loads once.
    void missingModuleGivesAnEmptyMap()
    {
        if (!qEnvironmentVariableIsSet("MAPMODULE_CHILD")) {
            QTemporaryDir empty;
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("MAPMODULE_CHILD", "1");
            env.insert("KORVEL_MODULE_DIR", empty.path());
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(), {"missingModuleGivesAnEmptyMap"});
            QVERIFY(child.waitForFinished(60000));
            QCOMPARE(child.exitCode(), 0);
            return;
        }
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^maps are off, their module did not load:"));
        const MapView map = makeMapView(nullptr);
        std::unique_ptr<QWidget> owner(map.view);
        QVERIFY(map.view && map.page && map.page->pageObject());
        QVERIFY(!map.view->inherits("QWebEngineView"));
        map.page->open(QUrl("file:///nowhere.html"));
        map.page->gotoLatLon(48.1, 11.5);
        map.page->addPathPoints({GeoPoint::latLon(48.1, 11.5)});
        QVERIFY(map.page->getLatLonFromPixel(0, 0).isEmpty());
        QVERIFY(!map.page->waitForFrame(10));
        QVERIFY(map.page->viewImage().isNull());
        QVERIFY(!mapped("libQt5WebEngine"));
    }
};

int main(int argc, char **argv)
{
    KorvelTest::home();
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    KorvelTest::setApplicationIdentity();
    TestMapModule tc;
    return QTest::qExec(&tc, argc, argv);
}
#include "test_mapmodule.moc"
