// Writes demo thermal recordings into a folder:
//   flight1/IMG_0001.ara .. IMG_0004.ara   raw frames along a short track
//   flight1/IMG_0005.ara                   a line-compressed frame
//   flight1/VID_0001.arv                   a recording of 6 raw frames
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include "support/aragen.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2 || args[1].startsWith('-')) {
        err << "usage: make_demo_thermal <folder>\n";
        return 2;
    }
    QDir root(args[1]);
    if (!root.mkpath("flight1")) {
        err << "cannot create " << root.filePath("flight1") << "\n";
        return 1;
    }
    const QDir dir(root.filePath("flight1"));

    auto frame = [](int i) {
        AraGen::FrameParams params;
        params.frameWord = quint32(i + 1);
        params.timeMs = quint32(5000 + 1000 * i);
        // A GPS time on every frame: it becomes the capture time of the
        // converted images (2018-05-09 12:00:00 UTC and a second per frame).
        params.gpsWeek = 2000;
        params.gpsTimeOfWeek = quint32(302400000 + 1000 * i);
        params.latitude = 479500000 + 250 * i;   // about 2.8 m per frame to the north
        params.yaw = quint16(9000 + 100 * i);
        return params;
    };

    bool ok = true;
    for (int i = 0; i < 5; ++i) {
        const AraGen::Compression c = i == 4 ? AraGen::LineCompressed : AraGen::Raw;
        const QString name = QString("IMG_%1.ara").arg(i + 1, 4, 10, QChar('0'));
        // Single frames are photos (file mode 2): the thermal start wizard
        // lists and preselects them as such.
        AraGen::FrameParams params = frame(i);
        params.fileMode = 2;
        ok &= AraGen::writeFile(dir.filePath(name),
                                AraGen::araFile(params, AraGen::scene(640, 512, i), c));
    }
    QVector<AraGen::FrameParams> frameParams;
    QVector<QVector<quint16>> images;
    for (int i = 0; i < 6; ++i) {
        frameParams << frame(10 + i);
        images << AraGen::scene(640, 512, 10 + i);
    }
    ok &= AraGen::writeFile(dir.filePath("VID_0001.arv"), AraGen::arvRecording(frameParams, images));
    if (!ok) {
        err << "cannot write the demo files into " << dir.path() << "\n";
        return 1;
    }
    QTextStream(stdout) << "demo thermal data written to " << QDir::toNativeSeparators(dir.path())
                        << "\n";
    return 0;
}
