#include "core/proxy.h"

#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkProxyQuery>
#include <QSettings>

#include "atomicfile/settingsfile.h"
#include "core/data.h"

namespace {
// Data's store: same organisation and application names, and QSettings
// objects of one process share their contents.
struct Store : QSettings {
    Store()
        : QSettings(SettingsFile::format(), QSettings::UserScope, QStringLiteral("Brisolan Technologies"),
                    QStringLiteral("Korvel Tarvendel"))
    {
    }
};
Store store() { return {}; }

// Every start applies the stored mode through the setters.
void storeIfChanged(const QString &key, const QVariant &value)
{
    Store s;
    Data::storeIfChanged(s, key, value);
    SettingsFile::save(s);
}
}  // namespace

QString proxyMode() { return store().value("Proxy", "NoProxy").toString(); }
QString proxyServer() { return store().value("ProxyServer", QString()).toString(); }
quint16 proxyPort() { return quint16(store().value("ProxyPort", 0).toInt()); }

void setHttpProxy(const QString &mode, const QString &host, int port)
{
    if (mode != QLatin1String("HttpProxy")) {
        setSystemProxy(mode);
        return;
    }
    QNetworkProxyFactory::setUseSystemConfiguration(false);
    QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::HttpProxy, host, quint16(port)));
    storeIfChanged("Proxy", mode);
    storeIfChanged("ProxyServer", host);
    storeIfChanged("ProxyPort", port);
}

void setSystemProxy(const QString &mode)
{
    if (mode == QLatin1String("AutoProxy")) {
        QNetworkProxyFactory::setUseSystemConfiguration(false);
        const QList<QNetworkProxy> proxies =
            QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery());
        QNetworkProxy::setApplicationProxy(proxies.isEmpty() ? QNetworkProxy(QNetworkProxy::NoProxy)
                                                             : proxies.first());
        storeIfChanged("Proxy", mode);
    } else if (mode == QLatin1String("SystemProxy")) {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        storeIfChanged("Proxy", mode);
    } else {
        QNetworkProxyFactory::setUseSystemConfiguration(false);
        QNetworkProxy::setApplicationProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        storeIfChanged("Proxy", QStringLiteral("NoProxy"));
    }
}

void applyProxySettings()
{
    const QString mode = proxyMode();
    if (mode == QLatin1String("AutoProxy") || mode == QLatin1String("SystemProxy"))
        setSystemProxy(mode);
    else if (mode == QLatin1String("HttpProxy"))
        setHttpProxy(mode, proxyServer(), proxyPort());
    else
        setSystemProxy("NoProxy");
}
