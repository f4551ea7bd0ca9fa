#include "support/localonly.h"

#include <QUrl>

#include <QSharedPointer>
#include <QTest>
#include <QWebEnginePage>

namespace KorvelTest {

QVariant runScript(QWebEnginePage *page, const QString &script, int timeoutMs)
{
    // Shared with the callback, which may still come after a time-out.
    struct Result {
        QVariant value;
        bool done = false;
    };
    const auto result = QSharedPointer<Result>::create();
    page->runJavaScript(script, [result](const QVariant &v) {
        result->value = v;
        result->done = true;
    });
    (void)QTest::qWaitFor([&] { return result->done; }, timeoutMs);
    return result->value;
}

bool waitForTestPage(QWebEnginePage *page, int timeoutMs)
{
    return QTest::qWaitFor(
        [&] {
            return runScript(page, QStringLiteral("document.readyState == 'complete' && typeof testState == 'function'"))
                .toBool();
        },
        timeoutMs);
}

bool recordCalls(QWebEnginePage *page, const QStringList &functions)
{
    const QString names = QStringLiteral("'") + functions.join(QStringLiteral("','")) + QStringLiteral("'");
    return runScript(page, QStringLiteral(R"(
window.calls = [];
[%1].forEach(function(n) {
    var f = window[n];
    window[n] = function() {
        var a = Array.prototype.map.call(arguments, function(v) { return v.toFixed(12); });
        window.calls.push(n + '(' + a.join(',') + ')');
        return f.apply(this, arguments);
    };
});
true;
)").arg(names))
        .toBool();
}


LocalOnly::LocalOnly(Loopback loopback, QObject *parent)
    : QWebEngineUrlRequestInterceptor(parent), m_loopback(loopback)
{
}

bool LocalOnly::isLocal(const QUrl &url, Loopback loopback)
{
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("file") || scheme == QLatin1String("data"))
        return true;
    return loopback == AllowLoopback
           && (url.host() == QLatin1String("127.0.0.1") || url.host() == QLatin1String("localhost"));
}

void LocalOnly::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    const QUrl url = info.requestUrl();
    if (!isLocal(url, m_loopback)) {
        blocked << url.toString();
        info.block(true);
    }
}

}  // namespace KorvelTest
