// Flight book: scan a card of 1,000 log folders in the window, and draw a
// path of 36,000 points on the local test map page. Prints the figures and
// the longest stall of the GUI thread during each; run by hand under an
// offscreen or virtual display. Only local files are loaded.
#include "core/data.h"
#include "database/flightbook/flightbook.h"
#include "harleklog/harlekdemo.h"
#include "maps/acquisition/webmap.h"
#include "support/localonly.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QWebEngineProfile>

#include <cmath>
#include <cstdio>

namespace {

// Longest gap between ticks of a 1 ms timer on the GUI thread.
class StallMeter
{
public:
    StallMeter()
    {
        m_clock.start();
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_clock.restart());
        });
        m_timer.start(1);
    }
    qint64 longest() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

bool waitFor(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

QVariant js(QWebEnginePage* page, const QString& script)
{
    return KorvelTest::runScript(page, script, 20000);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    setMapViewMaker(&WebMap::makeView);
    KorvelTest::LocalOnly filter(KorvelTest::LocalOnly::BlockLoopback);
    QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&filter);

    Data* data = Data::instance();
    const QString page = data->mapApiPath() + "/BenchMap";
    QDir().mkpath(page);
    QFile::remove(page + "/index.html");
    if (!QFile::copy(QStringLiteral(KORVEL_SOURCE_DIR "/tests/maps/data/testmap/index.html"), page + "/index.html"))
        return 1;
    data->setCurrentMapService("BenchMap");

    QTemporaryDir dir;
    const harleklog::DemoSite site;
    for (int i = 0; i < 1000; ++i) {
        HarlekLogContent c = harleklog::shortHop(1700000000000LL + i * 60000LL, site, unsigned(i));
        if (!harleklog::writeLog(dir.filePath(QString("card/L%1").arg(i, 4, 10, QChar('0'))).toStdString(), c))
            return 1;
    }

    Flightbook book;
    book.resize(1200, 800);
    book.show();
    {
        StallMeter stall;
        QElapsedTimer clock;
        clock.start();
        book.chooseFolder(dir.filePath("card"));
        waitFor([&] { return !book.isBusy(); }, 600000);
        std::printf("scan of 1000 log folders: %lld ms to the end, %d rows, longest GUI stall %lld ms\n",
                    clock.elapsed(), book.logTree()->topLevelItemCount(), stall.longest());
    }

    WebMap* map = dynamic_cast<WebMap*>(book.map());
    KorvelTest::waitForTestPage(map, 30000);
    QVector<GeoPoint> points;
    for (int i = 0; i < 36000; ++i) {
        const double a = i * 2 * M_PI / 3600.0;
        points << GeoPoint::latLon(site.latitude + 0.001 * std::sin(a), site.longitude + 0.0015 * std::cos(a));
    }
    for (int round = 0; round < 3; ++round) {
        map->clearPath();
        js(map, "1");
        StallMeter stall;
        QElapsedTimer clock;
        clock.start();
        map->addPathPoints(points);
        map->drawPath();
        waitFor([&] { return js(map, "lines.length > 0 && lines[lines.length - 1].length").toInt() == 36000; },
                120000);
        std::printf("path of 36000 points: %lld ms until the page holds them, longest GUI stall %lld ms\n",
                    clock.elapsed(), stall.longest());
    }
    return 0;
}
