#pragma once
// The application-wide network proxy, kept in the settings store under
// "Proxy" ("NoProxy", "SystemProxy", "HttpProxy", "AutoProxy"),
// "ProxyServer" and "ProxyPort".
#include <QString>
#include <QtGlobal>

QString proxyMode();
QString proxyServer();
quint16 proxyPort();
// Applies and stores an HTTP proxy; any other mode goes to setSystemProxy.
void setHttpProxy(const QString &mode, const QString &host, int port);
// Applies and stores a mode without host and port (those are kept).
void setSystemProxy(const QString &mode);
// Applies the stored mode; unknown texts become "NoProxy".
void applyProxySettings();
