// The web engine is loaded with the map module when the first map is made,
// not when the program starts. This test links no web engine itself.
#include <QFile>
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
