#include "support/testkit.h"

#include "atomicfile/settingsfile.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace KorvelTest {

TestHome::TestHome()
{
    const QString p = m_dir.path();
    qputenv("HOME", p.toUtf8());
    qputenv("XDG_CONFIG_HOME", (p + "/.config").toUtf8());
    qputenv("XDG_DATA_HOME", (p + "/.local/share").toUtf8());
    qputenv("XDG_CACHE_HOME", (p + "/.cache").toUtf8());
    qputenv("XDG_DOCUMENTS_DIR", (p + "/Documents").toUtf8());
    QDir(p).mkpath(".config");
    QDir(p).mkpath(".local/share");
    QDir(p).mkpath("Documents");
    QDir(p).mkpath(".runtime");
    QFile::setPermissions(p + "/.runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                               | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", (p + "/.runtime").toUtf8());
    keepAddressesLocal();
}

void TestHome::keepAddressesLocal()
{
    // No test reaches beyond this machine, also when run by hand outside
    // CTest: every outside address points at the discard port of loopback
    // (nothing listens there), the internet probe stays quiet. A test that
    // needs one points it at its own loopback server.
    static const struct {
        const char *variable;
        const char *value;
    } local[] = {
        {"KORVEL_PROBE_URL", "off"},
        {"KORVEL_UPDATE_URL", "http://127.0.0.1:9/"},
        {"KORVEL_MANUAL_URL", "http://127.0.0.1:9/manual/"},
        {"KORVEL_DOWNLOAD_URL", "http://127.0.0.1:9/download/"},
        {"KORVEL_FEEDBACK_MAIL", "feedback@localhost"},
        {"KORVEL_AIRCRAFT_HOST", "127.0.0.1"},
        {"KORVEL_AIRCRAFT_PORT", "9"},
        {"KORVEL_OPENLAYERS_BASE", "http://127.0.0.1:9/openlayers/"},
        {"KORVEL_MAPBOX_GL_BASE", "http://127.0.0.1:9/mapbox-gl/"},
        {"KORVEL_MAPBOX_GEOCODER_BASE", "http://127.0.0.1:9/mapbox-gl-geocoder/"},
    };
    for (const auto &a : local) {
        if (qEnvironmentVariableIsEmpty(a.variable))
            qputenv(a.variable, a.value);
    }
}

QString TestHome::documents() const { return m_dir.path() + "/Documents"; }
QString TestHome::appData() const
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

TestHome *home()
{
    static TestHome h;
    return &h;
}

void setApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Brisolan Technologies"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("brisolan.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvel Tarvendel"));
    QSettings::setDefaultFormat(SettingsFile::format());
}

// ---- PromptScript ----
PromptScript::PromptScript()
{
    Prompt::setResponder([this](const Prompt::Request &rq) { return answer(rq); });
}
PromptScript::~PromptScript() { Prompt::setResponder(nullptr); }

PromptScript &PromptScript::handler(std::function<Prompt::Answer(const Prompt::Request &)> fn)
{
    m_queue << std::move(fn);
    return *this;
}
PromptScript &PromptScript::button(int b)
{
    return handler([b](const Prompt::Request &) {
        Prompt::Answer a;
        a.button = b;
        return a;
    });
}
PromptScript &PromptScript::extraButton(int index) { return button(Prompt::extra(index)); }
PromptScript &PromptScript::paths(const QStringList &p)
{
    return handler([p](const Prompt::Request &) {
        Prompt::Answer a;
        a.paths = p;
        return a;
    });
}
PromptScript &PromptScript::path(const QString &p) { return paths(QStringList{p}); }
PromptScript &PromptScript::cancel() { return paths(QStringList()); }

QStringList PromptScript::texts() const
{
    QStringList t;
    for (const auto &r : m_requests)
        t << r.text;
    return t;
}

Prompt::Answer PromptScript::answer(const Prompt::Request &rq)
{
    m_requests << rq;
    if (!m_queue.isEmpty())
        return m_queue.takeFirst()(rq);
    Prompt::Answer a;
    if (rq.kind == Prompt::Request::Message) {
        if (rq.defaultExtra >= 0)
            a.button = Prompt::extra(rq.defaultExtra);
        else
            a.button = rq.defaultButton;
    }
    return a;
}

// ---- HttpServer ----
HttpServer::HttpServer(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *s = m_server->nextPendingConnection()) {
            connect(s, &QTcpSocket::readyRead, this, [this, s] { handle(s); });
            connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}
HttpServer::~HttpServer() = default;

bool HttpServer::listen() { return m_server->listen(QHostAddress::LocalHost, 0); }
quint16 HttpServer::port() const { return m_server->serverPort(); }
QUrl HttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path));
}
void HttpServer::route(const QString &path, const Reply &reply) { m_routes.insert(path, reply); }
void HttpServer::route(const QString &path, int status, const QByteArray &body)
{
    Reply r;
    r.status = status;
    r.body = body;
    route(path, r);
}

void HttpServer::handle(QTcpSocket *s)
{
    QByteArray buf = s->property("buf").toByteArray() + s->readAll();
    const int end = buf.indexOf("\r\n\r\n");
    if (end < 0) {
        s->setProperty("buf", buf);
        return;
    }
    s->setProperty("buf", QByteArray());
    const QList<QByteArray> first = buf.left(buf.indexOf("\r\n")).split(' ');
    const QString path = first.size() > 1 ? QString::fromLatin1(first.at(1)) : QString();
    m_requested << path;
    const Reply r = m_routes.value(path, m_fallback);
    auto send = [s, r] {
        if (r.hangUp) {
            s->abort();
            return;
        }
        QByteArray out = "HTTP/1.1 " + QByteArray::number(r.status) + " X\r\n";
        out += "Content-Type: " + r.contentType + "\r\n";
        out += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
        out += "Connection: close\r\n\r\n";
        out += r.body;
        s->write(out);
        s->disconnectFromHost();
    };
    if (r.delayMs > 0)
        QTimer::singleShot(r.delayMs, s, send);
    else
        send();
}

// ---- UrlCatcher ----
static const char *const kSchemes[] = {"http", "https", "mailto", "file"};
UrlCatcher::UrlCatcher(QObject *parent) : QObject(parent)
{
    for (const char *s : kSchemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(s), this, "open");
}
UrlCatcher::~UrlCatcher()
{
    for (const char *s : kSchemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(s));
}

// ---- modal helpers ----
namespace {
// The test function and data row now running.
QByteArray currentTest()
{
    return QByteArray(QTest::currentTestFunction()) + '/' + QByteArray(QTest::currentDataTag());
}
}  // namespace

void whenModal(std::function<void(QWidget *)> fn, int timeoutMs)
{
    auto *timer = new QTimer(qApp);
    auto *clock = new QElapsedTimer;
    clock->start();
    const QByteArray asker = currentTest();
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, fn, timeoutMs, asker] {
        QWidget *w = QApplication::activeModalWidget();
        if (asker != currentTest()) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            qWarning("whenModal: the test that waited for a modal widget has ended");
        } else if (w) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            fn(w);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            qWarning("whenModal: no modal widget appeared");
        }
    });
    timer->start();
}

bool waitFor(const std::function<bool()> &pred, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);  // a poll: the loop ends as soon as pred() holds
    }
    return true;
}

namespace {
class LayoutRequestCounter : public QObject {
public:
    int seen = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::LayoutRequest)
            ++seen;
        return false;
    }
};
}  // namespace

void settleLayouts()
{
    LayoutRequestCounter counter;
    qApp->installEventFilter(&counter);
    // A request delivered here may post the next one up the tree; stop once
    // a pass delivers none. The bound only guards against a layout loop.
    for (int pass = 0; pass < 100; ++pass) {
        counter.seen = 0;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        if (counter.seen == 0)
            break;
    }
    qApp->removeEventFilter(&counter);
}

void dragMove(QWidget *w, QPoint pos)
{
    QMouseEvent e(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

DiskLimit::DiskLimit(qint64 limit)
{
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit rl{};
    getrlimit(RLIMIT_FSIZE, &rl);
    m_oldSoft = rl.rlim_cur;
    rl.rlim_cur = rlim_t(limit);
    if (setrlimit(RLIMIT_FSIZE, &rl) != 0)
        qFatal("DiskLimit: setrlimit failed");
}

DiskLimit::~DiskLimit()
{
    rlimit rl{};
    getrlimit(RLIMIT_FSIZE, &rl);
    rl.rlim_cur = rlim_t(m_oldSoft);
    setrlimit(RLIMIT_FSIZE, &rl);
    std::signal(SIGXFSZ, m_oldHandler);
}

namespace {
bool capabilities(__user_cap_data_struct data[2], bool set)
{
    __user_cap_header_struct head{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(set ? SYS_capset : SYS_capget, &head, data) == 0;
}
}  // namespace

FilePermissions::FilePermissions()
{
    __user_cap_data_struct data[2] = {};
    if (!capabilities(data, false)) {
        m_enforced = ::geteuid() != 0;
        return;
    }
    m_oldEffective[0] = data[0].effective;
    m_oldEffective[1] = data[1].effective;
    const unsigned drop = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
    if (!(data[0].effective & drop))
        return;
    data[0].effective &= ~drop;
    m_changed = capabilities(data, true);
    m_enforced = m_changed;
}

FilePermissions::~FilePermissions()
{
    if (!m_changed)
        return;
    __user_cap_data_struct data[2] = {};
    if (!capabilities(data, false))
        return;
    data[0].effective = m_oldEffective[0];
    data[1].effective = m_oldEffective[1];
    capabilities(data, true);
}

}  // namespace KorvelTest
