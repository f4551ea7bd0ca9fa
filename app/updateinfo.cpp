#include "app/updateinfo.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

int UpdateInfo::s_timeoutMs = 15000;

UpdateInfo::UpdateInfo(QObject *parent)
    : QObject(parent)
{
}

QUrl UpdateInfo::address(const QString &resourcePath)
{
    QString base = QString::fromUtf8(qgetenv("KORVEL_UPDATE_URL"));
    if (base.isEmpty())
        base = QStringLiteral("http://update.brisolan.example");
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return QUrl(base + QStringLiteral("/tarvendel/%1").arg(resourcePath));
}

void UpdateInfo::getData(DataType type)
{
    qDebug() << "UpdateInfo::getData() for " << type;
    QString path;
    switch (type) {
    case VersionInfo:
        path = QStringLiteral("version/latest_version");
        break;
    case VersionChangelog:
        path = QStringLiteral("version/Changelog.txt");
        break;
    default:
        qDebug() << "UpdateInfo::getData() [Error] Unknown type" << type;
        return;
    }
    QNetworkRequest request(address(path));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    // Made on first use: the network stack loads its plugins when a manager
    // is created, which the window that owns this need not wait for.
    if (!m_manager)
        m_manager = new QNetworkAccessManager(this);
    QNetworkReply *reply = m_manager->get(request);
    reply->setProperty("dataType", int(type));
    connect(reply, &QNetworkReply::finished, this, &UpdateInfo::handleReply);
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, reply, [reply] {
        reply->setProperty("timedOut", true);
        reply->abort();  // finishes the reply as failed
    });
    timer->start(s_timeoutMs);
}

void UpdateInfo::handleReply()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const QByteArray body = reply->readAll();
    const int type = reply->property("dataType").toInt();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool failed = reply->error() != QNetworkReply::NoError || status >= 400;
    const QString reason = reply->property("timedOut").toBool()
        ? tr("no answer within %1 seconds").arg(s_timeoutMs / 1000.0)
        : reply->errorString();
    reply->deleteLater();
    // A failed request must not pass for an answer: an empty change log or a
    // missing version would read as "up-to-date".
    if (failed) {
        qDebug() << "UpdateInfo::handleReply() request failed" << type << status << reason;
        emit requestFailed(DataType(type), reason);
        return;
    }
    if (type == VersionInfo)
        handleVersionInfo(body);
    else if (type == VersionChangelog)
        emit versionChangelogReceived(body);
    else
        qDebug() << "UpdateInfo::handleReply() [Error] Unknown type" << type;
}

void UpdateInfo::handleVersionInfo(const QByteArray &body)
{
    qDebug() << "UpdateInfo::handleVersionInfo()";
    const QStringList parts = QString::fromUtf8(body).split(QLatin1Char('|'));
    if (parts.size() == 2)
        emit versionInfoReceived(QVersionNumber::fromString(parts.at(0)), QUrl(parts.at(1)));
    else
        emit requestFailed(VersionInfo, tr("The server's answer could not be read."));
}
