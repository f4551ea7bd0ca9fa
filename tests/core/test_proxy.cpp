#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QtTest>
#include <sys/stat.h>

#include "core/proxy.h"
#include "support/testkit.h"

namespace {
QSettings *store()
{
    static QSettings s("Brisolan Technologies", "Korvel Tarvendel");
    return &s;
}
void resetStore(const QVariantMap &values)
{
    store()->clear();
    for (auto it = values.begin(); it != values.end(); ++it)
        store()->setValue(it.key(), it.value());
    store()->sync();
}
}  // namespace

class TestProxy : public QObject {
    Q_OBJECT
private slots:
    void init() { QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::DefaultProxy)); }

    void applyStoredMode_data()
    {
        QTest::addColumn<QVariantMap>("storedValues");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("modeAfter");
        QTest::newRow("empty store") << QVariantMap() << int(QNetworkProxy::NoProxy) << ""
                                     << 0 << "NoProxy";
        QTest::newRow("http") << QVariantMap{{"Proxy", "HttpProxy"},
                                             {"ProxyServer", "proxy.lan"},
                                             {"ProxyPort", 3128}}
                              << int(QNetworkProxy::HttpProxy) << "proxy.lan" << 3128
                              << "HttpProxy";
        QTest::newRow("http without server")
            << QVariantMap{{"Proxy", "HttpProxy"}} << int(QNetworkProxy::HttpProxy) << "" << 0
            << "HttpProxy";
        QTest::newRow("unknown text") << QVariantMap{{"Proxy", "Socks"}}
                                      << int(QNetworkProxy::NoProxy) << "" << 0 << "NoProxy";
    }
    void applyStoredMode()
    {
        QFETCH(QVariantMap, storedValues);
        QFETCH(int, type);
        QFETCH(QString, host);
        QFETCH(int, port);
        QFETCH(QString, modeAfter);
        resetStore(storedValues);
        applyProxySettings();
        const QNetworkProxy p = QNetworkProxy::applicationProxy();
        QCOMPARE(int(p.type()), type);
        QCOMPARE(p.hostName(), host);
        QCOMPARE(int(p.port()), port);
        QCOMPARE(store()->value("Proxy").toString(), modeAfter);
        QCOMPARE(proxyMode(), modeAfter);
    }

    // Every start applies the stored mode: a store that already holds it is
    // not rewritten (each rewrite syncs the file to disk twice).
    void applyingTheStoredModeLeavesTheFileAlone_data()
    {
        QTest::addColumn<QVariantMap>("storedValues");
        QTest::newRow("no proxy") << QVariantMap{{"Proxy", "NoProxy"}};
        QTest::newRow("system") << QVariantMap{{"Proxy", "SystemProxy"}};
        QTest::newRow("http") << QVariantMap{
            {"Proxy", "HttpProxy"}, {"ProxyServer", "proxy.lan"}, {"ProxyPort", 3128}};
    }
    void applyingTheStoredModeLeavesTheFileAlone()
    {
        QFETCH(QVariantMap, storedValues);
        resetStore(storedValues);
        const QString file = store()->fileName();
        struct stat before {};
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &before), 0);
        applyProxySettings();
        struct stat after {};
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &after), 0);
        // A rewrite goes through a new file renamed over the old one.
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(proxyMode(), storedValues.value("Proxy").toString());
    }

    void switchingModesKeepsHttpValues()
    {
        resetStore({});
        setHttpProxy("HttpProxy", "10.1.2.3", 8080);
        QCOMPARE(proxyMode(), QString("HttpProxy"));
        QCOMPARE(proxyServer(), QString("10.1.2.3"));
        QCOMPARE(proxyPort(), quint16(8080));

        setSystemProxy("SystemProxy");
        QCOMPARE(proxyMode(), QString("SystemProxy"));
        QCOMPARE(proxyServer(), QString("10.1.2.3"));
        QCOMPARE(proxyPort(), quint16(8080));

        setHttpProxy("AutoProxy", "ignored", 1);  // not HTTP: host and port untouched
        QCOMPARE(proxyMode(), QString("AutoProxy"));
        QCOMPARE(proxyServer(), QString("10.1.2.3"));

        // Back to no proxy really drops the system configuration again.
        setSystemProxy("NoProxy");
        QCOMPARE(int(QNetworkProxy::applicationProxy().type()), int(QNetworkProxy::NoProxy));
        const QList<QNetworkProxy> used =
            QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(QUrl("http://127.0.0.1/")));
        QCOMPARE(int(used.value(0).type()), int(QNetworkProxy::NoProxy));
    }
};

KORVEL_TEST_MAIN(TestProxy)
#include "test_proxy.moc"
