#pragma once
// Asks the update server for the latest version and its change log.
#include <QByteArray>
#include <QObject>
#include <QUrl>
#include <QVersionNumber>

class QNetworkAccessManager;

class UpdateInfo : public QObject {
    Q_OBJECT
public:
    enum DataType { Undefined = 0, VersionInfo = 1, VersionChangelog = 2 };
    Q_ENUM(DataType)

    explicit UpdateInfo(QObject *parent = nullptr);

    void getData(DataType type);
    // "<base>/tarvendel/<path>"; the base comes from KORVEL_UPDATE_URL.
    static QUrl address(const QString &resourcePath);
    // A server that takes the connection and never answers fails after this.
    static int timeout() { return s_timeoutMs; }
    static void setTimeout(int ms) { s_timeoutMs = ms; }

signals:
    void versionInfoReceived(QVersionNumber version, QUrl downloadLink);
    void versionChangelogReceived(QByteArray bytes);
    // The server could not be asked (no answer or an HTTP error status).
    void requestFailed(DataType type, QString reason);

private slots:
    void handleReply();

private:
    void handleVersionInfo(const QByteArray &body);
    QNetworkAccessManager *m_manager = nullptr;
    static int s_timeoutMs;
};
