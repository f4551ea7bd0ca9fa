#pragma once
// Shared test kit: a private home, scripted answers for prompts, a loopback
// HTTP server, capture of desktop-service URLs and a way to act on modal
// widgets. Every test executable starts through KORVEL_TEST_MAIN.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <memory>

#include "core/prompt/prompt.h"

class QTcpServer;
class QTcpSocket;
class QWidget;

namespace KorvelTest {

// Points HOME and the XDG folders at a fresh temporary folder, so settings,
// documents and application data belong to the test alone. Must run before
// the application object exists (KORVEL_TEST_MAIN does this). Also points
// every outside address of the program (see keepAddressesLocal) at loopback
// or off, unless the environment already sets it.
class TestHome {
public:
    TestHome();
    static void keepAddressesLocal();
    QString path() const { return m_dir.path(); }
    QString documents() const;  // <home>/Documents
    QString appData() const;    // writable data location of the application
private:
    QTemporaryDir m_dir;
};
TestHome *home();  // the home of this test process

// Sets the application identity exactly as main() does.
void setApplicationIdentity();

// Scripted answers for Prompt. Each prompt takes the next answer in the
// queue; with the queue empty, message boxes answer their default button
// (or NoButton) and choosers answer "cancelled". Every request is recorded.
class PromptScript {
public:
    PromptScript();   // installs itself as the responder
    ~PromptScript();  // removes it
    PromptScript &button(int button);     // next message box: this button
    PromptScript &extraButton(int index); // next message box: extra button i
    PromptScript &path(const QString &p); // next chooser: this path
    PromptScript &paths(const QStringList &p);
    PromptScript &cancel();               // next chooser: cancelled
    PromptScript &handler(std::function<Prompt::Answer(const Prompt::Request &)> fn);
    const QList<Prompt::Request> &requests() const { return m_requests; }
    int pending() const { return m_queue.size(); }
    QStringList texts() const;  // the text of every recorded request
    void clear() { m_requests.clear(); }

private:
    Prompt::Answer answer(const Prompt::Request &rq);
    QList<std::function<Prompt::Answer(const Prompt::Request &)>> m_queue;
    QList<Prompt::Request> m_requests;
};

// Minimal HTTP/1.1 server on 127.0.0.1 with canned answers per path.
class HttpServer : public QObject {
    Q_OBJECT
public:
    struct Reply {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/plain";
        int delayMs = 0;       // answer after this delay
        bool hangUp = false;   // close the connection without answering
    };
    explicit HttpServer(QObject *parent = nullptr);
    ~HttpServer() override;
    bool listen();  // picks a free loopback port
    quint16 port() const;
    QUrl url(const QString &path = QString()) const;  // http://127.0.0.1:<port><path>
    void route(const QString &path, const Reply &reply);
    void route(const QString &path, int status, const QByteArray &body);
    void setFallback(const Reply &reply) { m_fallback = reply; }
    QStringList requestedPaths() const { return m_requested; }
    int hits(const QString &path) const { return m_requested.count(path); }

private:
    void handle(QTcpSocket *socket);
    QTcpServer *m_server;
    QHash<QString, Reply> m_routes;
    Reply m_fallback{404, "not found", "text/plain", 0, false};
    QStringList m_requested;
};

// Catches URLs that the program opens through QDesktopServices.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    explicit UrlCatcher(QObject *parent = nullptr);  // http, https, mailto, file
    ~UrlCatcher() override;
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

// How long a test waits for something it expects: generous, as sanitizer
// builds on loaded cores are slow; a wait ends as soon as its condition holds.
// For QTRY_*_WITH_TIMEOUT and QSignalSpy::wait, whose own default is short.
constexpr int kWaitMs = 30000;

// Calls fn with the first modal widget that appears (polling the event loop)
// within timeoutMs. Use before a call that runs exec(). Gives up when the test
// function that asked has ended, so it never answers another test's modal.
void whenModal(std::function<void(QWidget *)> fn, int timeoutMs = kWaitMs);

// Waits in the event loop until pred() is true or timeoutMs passed.
bool waitFor(const std::function<bool()> &pred, int timeoutMs = kWaitMs);

// Delivers posted layout requests until none is left. Each nested layout
// posts its parent's request only as it settles itself, so one pass of the
// event loop is not enough before measuring what a layout made of a change.
void settleLayouts();

// Makes the disk "full" for this process at a chosen byte: while it lives,
// no regular file can grow beyond limit bytes (RLIMIT_FSIZE, with SIGXFSZ
// ignored, so the write fails with "File too large" instead of ending the
// process). Restores the old limit when it goes.
class DiskLimit {
public:
    explicit DiskLimit(qint64 limit);
    ~DiskLimit();
    DiskLimit(const DiskLimit &) = delete;
    DiskLimit &operator=(const DiskLimit &) = delete;
private:
    unsigned long long m_oldSoft = 0;
    void (*m_oldHandler)(int) = nullptr;
};

// Makes the calling thread bound by file permissions while it lives, also
// when the tests run as root: drops the capabilities that let root write
// into a read-only folder (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER)
// from the thread's effective set and raises them again when it goes. Only
// the calling thread is affected (and threads it starts meanwhile).
class FilePermissions {
public:
    FilePermissions();
    ~FilePermissions();
    FilePermissions(const FilePermissions &) = delete;
    FilePermissions &operator=(const FilePermissions &) = delete;
    // True when permissions now hold for this thread (false only when the
    // capabilities could not be dropped).
    bool enforced() const { return m_enforced; }
private:
    unsigned m_oldEffective[2] = {0, 0};
    bool m_changed = false;
    bool m_enforced = true;
};

// A move with the left button held, delivered to the widget itself (the
// test library's moves only move the cursor).
void dragMove(QWidget *w, QPoint pos);

}  // namespace KorvelTest

// Like QTEST_MAIN, with the private home set up before the application.
#include <QApplication>
#include <QTest>
#define KORVEL_TEST_MAIN(TestObject)                                   \
    int main(int argc, char **argv)                                    \
    {                                                                  \
        KorvelTest::home();                                            \
        QApplication::setAttribute(Qt::AA_Use96Dpi, true);             \
        QApplication app(argc, argv);                                  \
        KorvelTest::setApplicationIdentity();                          \
        app.setAttribute(Qt::AA_Use96Dpi, true);                       \
        TestObject tc;                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                     \
        return QTest::qExec(&tc, argc, argv);                          \
    }
