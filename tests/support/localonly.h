#pragma once
// Web-engine request filter for tests: only local pages load, so a map page
// never fetches anything from beyond this machine.
#include <QStringList>
#include <QVariant>
#include <QWebEngineUrlRequestInterceptor>

class QWebEnginePage;

namespace KorvelTest {

class LocalOnly : public QWebEngineUrlRequestInterceptor {
public:
    enum Loopback { BlockLoopback, AllowLoopback };
    // file: and data: always pass; 127.0.0.1 and localhost only if allowed.
    explicit LocalOnly(Loopback loopback = AllowLoopback, QObject *parent = nullptr);
    void interceptRequest(QWebEngineUrlRequestInfo &info) override;
    static bool isLocal(const QUrl &url, Loopback loopback);

    QStringList blocked;  // every refused address, in order

private:
    Loopback m_loopback;
};

// Runs script in page and waits for its result (an invalid value after the
// time-out, as generous as the test kit's kWaitMs).
QVariant runScript(QWebEnginePage *page, const QString &script, int timeoutMs = 30000);

// Waits until the local test map page has loaded and its test functions exist.
bool waitForTestPage(QWebEnginePage *page, int timeoutMs = 30000);

// Wraps the named page functions so that every call is kept, as text with
// numbers to 12 decimals (the form the bridge sends them in), in the page's
// window.calls.
bool recordCalls(QWebEnginePage *page, const QStringList &functions);

}  // namespace KorvelTest
