// Database window: a full refresh of a workspace with 1,000 plans, 500 maps
// of 4000 x 3000 pixels and 300 logs, and the time from selecting a map to
// its page. Runs in a private home on the offscreen platform.
//
//   bench_database [work-folder]

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>

#include "benchmap.h"
#include "core/data.h"
#include "core/mapdescription.h"
#include "database/dbmain.h"

int main(int argc, char **argv)
{
    QTemporaryDir home(argc > 1 ? QString::fromLocal8Bit(argv[1]) + "/dbbench-XXXXXX" : QString());
    if (!home.isValid())
        return 1;
    for (const char *var : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(var, (home.path() + "/" + var).toLocal8Bit());
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("KORVEL_PROBE_URL", "off");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Brisolan Technologies");
    QApplication::setApplicationName("Korvel Tarvendel");

    const QString plans = DBMain::folderOf(DBMain::FlightPlans);
    const QString maps = DBMain::folderOf(DBMain::Maps);
    const QString logs = DBMain::folderOf(DBMain::Logs);
    for (const QString &d : {plans, maps, logs})
        QDir().mkpath(d);
    const QByteArray plan(2000, 'p');
    for (int i = 0; i < 1000; ++i) {
        QFile f(plans + QString("/plan%1.zfp").arg(i));
        f.open(QIODevice::WriteOnly);
        f.write(plan);
    }
    // One map image, stored 500 times under its own names.
    QImage image(4000, 3000, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb(x % 256, y % 256, (x ^ y) % 256);
    }
    const QString first = maps + "/map0.jpg";
    MapDescription::writeImage(first, image, benchMapRecord("map0"));
    for (int i = 1; i < 500; ++i)
        QFile::copy(first, maps + QString("/map%1.jpg").arg(i));
    for (int i = 0; i < 300; ++i) {
        const QString folder = logs + QString("/log%1").arg(i);
        QDir().mkpath(folder);
        for (const char *name : {"KORVEL.LOG", "MESSAGES.LOG", "TAGS.LOG", "PATH.BIN"}) {
            QFile f(folder + "/" + name);
            f.open(QIODevice::WriteOnly);
            f.write(QByteArray(50000, 'l'));
        }
    }

    DBMain db;
    db.resize(1000, 900);
    db.show();
    QElapsedTimer t;
    double best = 1e9, sum = 0;
    const int rounds = 10;
    for (int r = 0; r < rounds; ++r) {
        t.start();
        db.updateDBComplete();
        const double ms = t.nsecsElapsed() / 1e6;
        best = qMin(best, ms);
        sum += ms;
    }
    std::printf("full refresh (1000 plans, 500 maps, 300 logs): best %.1f ms, mean %.1f ms\n", best,
                sum / rounds);

    double selectSum = 0;
    const int selections = 5;
    for (int r = 0; r < selections; ++r) {
        QTreeWidgetItem *item = db.items(DBMain::Maps).at(r * 37);
        db.tree()->setCurrentItem(db.overviewNode());
        t.start();
        db.tree()->setCurrentItem(item);
        while (db.pages()->currentIndex() != DBMain::MapPage)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        selectSum += t.nsecsElapsed() / 1e6;
    }
    std::printf("select a 4000 x 3000 map to its page: mean %.1f ms\n", selectSum / selections);
    return 0;
}
