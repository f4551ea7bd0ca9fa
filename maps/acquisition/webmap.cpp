#include "maps/acquisition/webmap.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWebEngineView>
#include <QWidget>
#include <memory>

namespace {
int s_replyTimeout = 5000;

QString fixed12(double v)
{
    return QString::number(v, 'f', 12);
}
}  // namespace

WebMap::WebMap(QObject *parent) : QWebEnginePage(parent)
{
    qDebug() << "WebMap Constructor";
}

WebMap::~WebMap() = default;

MapView WebMap::makeView(QWidget *parent)
{
    auto *view = new QWebEngineView(parent);
    auto *page = new WebMap(view);
    view->setPage(page);
    MapView made;
    made.view = view;
    made.page = page;
    return made;
}

int WebMap::replyTimeout()
{
    return s_replyTimeout;
}

void WebMap::setReplyTimeout(int ms)
{
    s_replyTimeout = ms;
}

QString WebMap::pointScript(const QString &function, double latitude, double longitude)
{
    return function + '(' + fixed12(longitude) + ',' + fixed12(latitude) + ");";
}

QString WebMap::pixelScript(double x, double y)
{
    return "getLatLonFromPixel(" + QString::number(x, 'g', 6) + ',' + QString::number(y, 'g', 6) +
           ')';
}

QString WebMap::normalizeReply(const QString &reply)
{
    if (!reply.startsWith(QLatin1String("LatLng")) || reply.size() < 8)
        return reply;
    const QStringList parts = reply.mid(7, reply.size() - 8).split(',');
    return parts.last() + ", " + parts.first();
}

void WebMap::gotoLatLon(double latitude, double longitude)
{
    runJavaScript(pointScript(QStringLiteral("gotoLatLon"), latitude, longitude));
}

void WebMap::addPin(double latitude, double longitude)
{
    runJavaScript(pointScript(QStringLiteral("addPin"), latitude, longitude));
}

void WebMap::addPathPoint(double latitude, double longitude)
{
    runJavaScript(pointScript(QStringLiteral("addLinePoint"), latitude, longitude));
}

QString WebMap::pathPointsScript(const QVector<GeoPoint> &points)
{
    QString script;
    script.reserve(points.size() * 48);
    for (const GeoPoint &p : points)
        script += pointScript(QStringLiteral("addLinePoint"), p.lat(), p.lon());
    return script;
}

void WebMap::addPathPoints(const QVector<GeoPoint> &points)
{
    // Long paths go in a few scripts of moderate size, in order.
    const int batch = 4000;
    for (int i = 0; i < points.size(); i += batch)
        runJavaScript(pathPointsScript(points.mid(i, batch)));
}

void WebMap::drawPath()
{
    runJavaScript(QStringLiteral("drawLine()"));
}

void WebMap::cleanMarkers()
{
    runJavaScript(QStringLiteral("cleanMarkers();"));
}

void WebMap::clearPath()
{
    runJavaScript(QStringLiteral("clearPath();"));
}

void WebMap::hideToolbar()
{
    // The view as it shows the controls: waitForFrame waits until it no
    // longer does.
    m_beforeHide = viewImage();
    runJavaScript(QStringLiteral("hideNavigation();"));
}

QString WebMap::getLatLonFromPixel(double x, double y)
{
    QEventLoop loop;
    QString result;
    bool answered = false;
    // The page may be gone before it answers (the callback then never
    // runs); the guard keeps a late answer away from this finished call.
    QPointer<QEventLoop> guard(&loop);
    auto state = std::make_shared<bool>(true);
    runJavaScript(pixelScript(x, y), [this, state, guard, &result, &answered](const QVariant &v) {
        if (!*state)
            return;
        *state = false;
        result = normalizeReply(v.toString());
        answered = true;
        emit coords(result);
        if (guard)
            guard->quit();
    });
    if (!answered) {
        QTimer::singleShot(s_replyTimeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!answered) {
        *state = false;
        qWarning() << "[WebMap] no answer from the map page for pixel" << x << y;
        return QString();
    }
    return result;
}

QImage WebMap::viewImage() const
{
    QWidget *v = view();
    if (!v)
        return QImage();
    QImage image(v->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    v->render(&image, QPoint(), QRegion(),
              QWidget::DrawWindowBackground | QWidget::DrawChildren);
    return image;
}

bool WebMap::waitForFrame(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    auto wait = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    // Two animation frames later the page has drawn its changes.
    runJavaScript(QStringLiteral(
        "window.__korvelFrame = false; requestAnimationFrame(function() { "
        "requestAnimationFrame(function() { window.__korvelFrame = true; }); });"));
    bool drawn = false;
    while (!drawn && clock.elapsed() < timeoutMs) {
        auto pending = std::make_shared<int>(1);  // 1 asked, 2 yes, 0 no
        runJavaScript(QStringLiteral("window.__korvelFrame === true"),
                      [pending](const QVariant &v) { *pending = v.toBool() ? 2 : 0; });
        while (*pending == 1 && clock.elapsed() < timeoutMs)
            wait(5);
        drawn = *pending == 2;
        if (!drawn)
            wait(10);
    }
    // Controls hidden since the last wait must be gone from the view, too.
    const QImage beforeHide = m_beforeHide;
    m_beforeHide = QImage();
    if (!drawn)
        return false;
    // The frame still has to reach the view, which may take longer than the
    // page's frames on a busy machine: wait until two renderings agree, and
    // after a hide until the view has changed.
    QImage last = viewImage();
    while (clock.elapsed() < timeoutMs) {
        wait(25);
        const QImage now = viewImage();
        if (now == last && (beforeHide.isNull() || now != beforeHide))
            return true;
        last = now;
    }
    return false;
}
