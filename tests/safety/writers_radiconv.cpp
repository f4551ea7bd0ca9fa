// Rows of Radiconv: radiometric JPEGs from ARA frames and sequences from ARV
// recordings, through the converter's own run on the thread pool.
#include <QDir>
#include <QEventLoop>
#include <QImage>

#include "radiconv/araconverter.h"
#include "safety/writers.h"
#include "support/aragen.h"

namespace {

using namespace Safety;

QStringList sources(const QString &work, const QString &suffix)
{
    QStringList out;
    const QDir dir(work + "/src/day");
    for (const QString &name : dir.entryList({"*." + suffix}, QDir::Files, QDir::Name))
        out << dir.filePath(name);
    return out;
}

Outcome convert(const QString &work, const QString &suffix, const Step &step)
{
    AraConverter c;
    c.setTargetLocation(work + "/out");
    const QStringList files = sources(work, suffix);
    c.addFiles(files);
    QEventLoop loop;
    QObject::connect(&c, &AraConverter::progress, &loop, [&](int done, int) {
        if (done > 0)
            step();
    });
    QObject::connect(&c, &AraConverter::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    c.start();
    loop.exec();
    Outcome o;
    QStringList failed;
    for (const AraConverter::Failure &f : c.failures()) {
        failed << f.file;
        o.message += f.file + ": " + f.reason + "\n";
    }
    for (const QString &file : files) {
        if (!failed.contains(file))
            o.written << c.targetPathFor(file);
    }
    o.success = !files.isEmpty() && failed.isEmpty() && c.convertedCount() == files.size();
    if (c.convertedCount() != o.written.size())
        o.message += QStringLiteral("counted %1 converted, %2 written\n").arg(c.convertedCount()).arg(o.written.size());
    return o;
}

bool wholeJpeg(const QByteArray &bytes, const QByteArray &reference)
{
    // The conversion time in the tags differs from run to run, not its length.
    return bytes.size() == reference.size() && bytes.startsWith("\xff\xd8") && bytes.endsWith("\xff\xd9")
           && !QImage::fromData(bytes, "JPEG").isNull();
}

[[maybe_unused]] const int jpeg = add({
    "radiconv-jpeg",
    [](const QString &work) {
        for (int i = 0; i < 6; ++i) {
            AraGen::FrameParams p;
            p.yaw = quint16(1000 * i);
            writeFile(QStringLiteral("%1/src/day/img%2.ara").arg(work).arg(i),
                              AraGen::araFile(p, AraGen::scene(p.width, p.height, i)));
        }
        writeFile(work + "/out/day/img0.jpg", "an older conversion");
        writeFile(work + "/out/day/img3.jpg", "an older conversion");
    },
    [](const QString &work) { return work + "/out"; },
    [](const QString &work, const Step &step) { return convert(work, "ara", step); },
    wholeJpeg,
    {},
    {},
    {},
    {},
    {},
});

[[maybe_unused]] const int sequence = add({
    "radiconv-seq",
    [](const QString &work) {
        for (int r = 0; r < 3; ++r) {
            QVector<AraGen::FrameParams> params(6);
            QVector<QVector<quint16>> counts;
            for (int i = 0; i < params.size(); ++i) {
                params[i].gpsTimeOfWeek += quint32(i) * 100;
                counts << AraGen::scene(params[i].width, params[i].height, 10 * r + i);
            }
            writeFile(QStringLiteral("%1/src/day/vid%2.arv").arg(work).arg(r),
                              AraGen::arvRecording(params, counts));
        }
        writeFile(work + "/out/day/vid1.seq", "an older conversion");
    },
    [](const QString &work) { return work + "/out"; },
    [](const QString &work, const Step &step) { return convert(work, "arv", step); },
    {},
    {},
    {},
    {},
    {},
    {},
});

}  // namespace
