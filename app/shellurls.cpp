#include "app/shellurls.h"

#include <QByteArray>
#include <QtGlobal>

namespace ShellUrls {

QUrl manual()
{
    const QByteArray env = qgetenv("KORVEL_MANUAL_URL");
    return QUrl(env.isEmpty() ? QStringLiteral("https://www.brisolan.example/tarvendel/manual/")
                              : QString::fromUtf8(env));
}

QUrl feedbackMail()
{
    const QByteArray env = qgetenv("KORVEL_FEEDBACK_MAIL");
    const QString address = env.isEmpty() ? QStringLiteral("feedback@brisolan.example")
                                          : QString::fromUtf8(env);
    return QUrl(QStringLiteral("mailto:%1?subject=Korvel%20Tarvendel%20Feedback").arg(address));
}

}  // namespace ShellUrls
