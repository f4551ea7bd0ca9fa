// The photo-tagger tab with a big project: opening it, repainting and
// resizing the map, and stepping through the list while previews stream in.
//
//   bench_ptwindow [tags=2000]
//
// Prints the figures; fails nothing.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>

#include "core/data.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptprojectfile.h"
#include "phototagger/window/ptmain.h"
#include "phototagger/window/ptmap.h"
#include "phototagger/window/ptpreview.h"
#include "support/testkit.h"

namespace {

QByteArray preview1280()
{
    QImage img(1280, 960, QImage::Format_RGB32);
    QRandomGenerator rng(3);
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int g = int(rng.bounded(24));
            line[x] = qRgb((x / 6 + g) & 255, (y / 5 + g) & 255, ((x + y) / 11 + g) & 255);
        }
    }
    const QString path = QDir::temp().filePath("bench_ptwindow_src.jpg");
    img.save(path, "JPEG", 85);
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    f.close();
    f.remove();
    return bytes;
}

double ms(qint64 ns) { return double(ns) / 1e6; }

// Longest gap between ticks of a 5 ms timer on the GUI thread.
class StallProbe : public QObject {
public:
    StallProbe()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = qMax(m_longest, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    double longestMs() const { return ms(m_longest); }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

}  // namespace

int main(int argc, char **argv)
{
    KorvelTest::home();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    KorvelTest::setApplicationIdentity();
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    const int count = argc > 1 ? QString(argv[1]).toInt() : 2000;
    QTemporaryDir work(QDir::tempPath() + "/bench_ptwindow-XXXXXX");
    Data::instance()->setHarlekSDPath(work.path() + "/harlek");
    Data::instance()->initWorkspace();

    // A lawn-mower survey; every tag has a photo and a 1280-px preview.
    const QByteArray jpeg = preview1280();
    const QString folder = PTProjectFile::projectFolder("bench");
    QDir().mkpath(folder);
    QVector<PTTag> tags;
    const int perLine = 50;
    for (int i = 0; i < count; ++i) {
        PTTag t;
        t.imageName = QStringLiteral("DSC%1.JPG").arg(i, 5, 10, QLatin1Char('0'));
        const int line = i / perLine, step = i % perLine;
        t.latitude = 47.0 + line * 0.0004;
        t.longitude = 11.0 + (line % 2 ? perLine - 1 - step : step) * 0.0003;
        t.relativeHeight = 80;
        t.pitch = -90;
        t.time = QDateTime(QDate(2024, 6, 1), QTime(10, 0), Qt::UTC).addMSecs(i * 1700);
        tags << t;
        QFile f(folder + "/thumb_" + t.imageName);
        f.open(QIODevice::WriteOnly);
        f.write(jpeg);
    }
    PTProjectFile::save(PTProjectFile::projectFilePath("bench"), PTImageJpeg, tags);

    QElapsedTimer clock;
    clock.start();
    auto *data = new PTData;
    data->loadProject("bench");
    PTMain window(data);
    window.resize(1400, 1000);
    window.show();
    window.grab();  // list and map painted in full
    const double openMs = ms(clock.nsecsElapsed());

    // grab() renders every disc, whatever the platform shows.
    clock.restart();
    window.map()->viewport()->grab();
    const double repaintMs = ms(clock.nsecsElapsed());
    clock.restart();
    window.map()->resize(window.map()->width() - 37, window.map()->height() - 23);
    window.map()->viewport()->grab();
    const double resizeMs = ms(clock.nsecsElapsed());

    // 200 rows, one every 20 ms, previews decoding meanwhile.
    StallProbe probe;
    QSignalSpy shown(window.preview(), &PTPreview::imageShown);
    const QString last = folder + "/thumb_" + tags.at(199 % count).imageName;
    int row = 0;
    QTimer stepper;
    stepper.setInterval(20);
    QElapsedTimer sinceLast;
    QObject::connect(&stepper, &QTimer::timeout, [&] {
        window.list()->setCurrentItem(window.list()->topLevelItem(row % count));
        if (++row == 200) {
            stepper.stop();
            sinceLast.start();
        }
    });
    clock.restart();
    stepper.start();
    double lastShownMs = -1;
    while (lastShownMs < 0 && clock.elapsed() < 30000) {
        app.processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!shown.isEmpty() && shown.last().first().toString() == last && row == 200)
            lastShownMs = ms(sinceLast.nsecsElapsed());
    }
    const double total = ms(clock.nsecsElapsed());

    std::printf("tags: %d, previews 1280x960\n", count);
    std::printf("open to window shown with list and map painted: %.1f ms\n", openMs);
    std::printf("map repaint (%d discs): %.1f ms\n", count, repaintMs);
    std::printf("map resize + repaint: %.1f ms\n", resizeMs);
    std::printf("stepping 200 rows every 20 ms: %.0f ms in all, longest GUI stall %.1f ms, "
                "previews shown %d, last preview %.1f ms after the last step\n",
                total, probe.longestMs(), int(shown.size()), lastShownMs);
    return 0;
}
