// Thermal project creation and export at scale, run by hand: creates a
// project from N generated 640 x 512 frames (half raw, half line-compressed)
// on one thread and on all cores, checks that both project files hold the
// same images in the same order, then exports 100 images with pins, EXIF
// tags and the HTML report. Prints files per second and times.
//   bench_thermalproject [frames=1000]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "core/data.h"
#include "support/aragen.h"
#include "thermal/editor/ththread.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"
#include "thermal/project/thprojectfile.h"

namespace {

double create(const QStringList &files, const QString &name, int threads)
{
    THThread job(nullptr);
    job.threads = threads;
    job.setProjectName(name);
    for (const QString &f : files)
        job.addFile(f);
    QElapsedTimer timer;
    timer.start();
    job.createFlirProject();
    job.wait();
    const double ms = timer.nsecsElapsed() / 1e6;
    if (!job.success)
        std::fprintf(stderr, "creation failed: %s\n", qPrintable(job.errorString));
    return ms;
}

bool sameImages(const QString &a, const QString &b)
{
    THProjectFileContent x, y;
    if (THProjectFile::readFile(ThermalPaths::projectFilePath(a), &x) != THProjectFile::Ok
        || THProjectFile::readFile(ThermalPaths::projectFilePath(b), &y) != THProjectFile::Ok
        || x.images.size() != y.images.size())
        return false;
    for (int i = 0; i < x.images.size(); ++i)
        if (x.images[i].fileName != y.images[i].fileName || x.images[i].scaleMin != y.images[i].scaleMin
            || x.images[i].scaleMax != y.images[i].scaleMax
            || x.images[i].measurementType != y.images[i].measurementType)
            return false;
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName("Brisolan Technologies");
    QApplication::setApplicationName("Korvel Tarvendel");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &msg) {
        if (type >= QtWarningMsg)
            std::fprintf(stderr, "%s\n", qPrintable(msg));
    });
    Data::instance();
    const int frames = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : 1000;

    const QString src = home.path() + QStringLiteral("/recordings");
    QDir().mkpath(src);
    QStringList files;
    qint64 bytes = 0;
    for (int i = 0; i < frames; ++i) {
        const QString path = src + QStringLiteral("/IMG_%1.ARA").arg(i, 4, 10, QLatin1Char('0'));
        const QByteArray frame = AraGen::araFile(AraGen::FrameParams(), AraGen::scene(640, 512, i % 50),
                                                 i % 2 ? AraGen::LineCompressed : AraGen::Raw);
        AraGen::writeFile(path, frame);
        bytes += frame.size();
        files << path;
    }
    std::printf("frames: %d (%.1f MB), cores: %d\n", frames, bytes / 1e6, QThread::idealThreadCount());

    const double one = create(files, QStringLiteral("One"), 1);
    const double all = create(files, QStringLiteral("All"), 0);
    std::printf("create, one thread:  %.0f ms, %.1f files/s\n", one, frames * 1000.0 / one);
    std::printf("create, all cores:   %.0f ms, %.1f files/s, speed-up %.2f\n", all, frames * 1000.0 / all,
                one / all);
    std::printf("same images in the same order: %s\n",
                sameImages(QStringLiteral("One"), QStringLiteral("All")) ? "yes" : "NO");

    THData project;
    if (project.openProject(QStringLiteral("All")) != 100)
        return 1;
    const int exported = qMin(100, project.imageCount());
    for (int i = 0; i < project.imageCount(); ++i)
        project.enabled[i] = i < exported;
    for (int i = 0; i < exported; ++i) {
        for (int p = 0; p < 5; ++p)
            project.pointLists[i]->append(QPointF(60 + 100 * p, 50 + 80 * p), p + 1, 7300 + p, p % 8);
        project.rectLists[i]->append(new QRectF(100, 100, 200, 150));
        project.reportTitles[i] = QStringLiteral("Image %1").arg(i + 1);
    }
    THThread job(&project);
    QElapsedTimer timer;
    timer.start();
    job.createReportWithHTML(home.path() + QStringLiteral("/export"), 0, false, true, false);
    job.wait();
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("export of %d images with pins, EXIF and report: %.0f ms, %.1f ms per image%s\n", exported, ms,
                ms / exported, job.success ? "" : " (FAILED)");
    return 0;
}
