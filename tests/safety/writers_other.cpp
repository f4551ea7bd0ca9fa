// Rows of the smaller writers: log folders, the link trace, the ACI list
// store, the waypoint template and the Vardeck project archive.
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include "core/data.h"
#include "core/mapdescription.h"
#include "harleklog/harlekdemo.h"
#include "harleklog/harleklogwriter.h"
#include "link/comtracer.h"
#include "maps/vardeckproject.h"
#include "maps/wpdata.h"
#include "maps/wpimport.h"
#include "safety/writers.h"
#include "support/maprecord.h"
#include "support/testkit.h"

namespace {

using namespace Safety;

[[maybe_unused]] const int logFolder = add({
    "harleklog",
    [](const QString &work) {
        writeFile(work + "/out/L1/KORVEL.LOG", "old records");
        writeFile(work + "/out/L1/KORVEL.IFO", "old head");
    },
    [](const QString &work) { return work + "/out"; },
    [](const QString &work, const Step &step) {
        const HarlekLogContent c = harleklog::longFlight(1457186879900LL, harleklog::DemoSite(), 900, 10);
        step();
        std::string error;
        Outcome o;
        o.success = harleklog::writeLog((work + "/out/L1").toStdString(), c, &error);
        o.message = QString::fromStdString(error);
        return o;
    },
    {},
    {},
    {},
    {},
    {},
    {},
});

// The head's start time and each record's clock differ from run to run,
// their sizes do not; the records must read to the end.
bool wholeTrace(const QByteArray &bytes, const QByteArray &reference)
{
    if (bytes.size() != reference.size())
        return false;
    QDataStream in(bytes);
    QString magic, version, start;
    in >> magic >> version >> start;
    if (magic != ComTracer::Magic || in.status() != QDataStream::Ok)
        return false;
    while (!in.atEnd()) {
        QString mark;
        qint32 clock;
        qint8 descriptor;
        QByteArray record;
        in >> mark >> clock >> descriptor >> record;
        if (in.status() != QDataStream::Ok || mark != "###")
            return false;
    }
    return true;
}

[[maybe_unused]] const int trace = add({
    "comtracer",
    [](const QString &work) { writeFile(work + "/out/trace.zt1", "an older trace"); },
    [](const QString &work) { return work + "/out"; },
    [](const QString &work, const Step &step) {
        ComTracer t;
        Outcome o;
        if (!t.start(work + "/out/trace.zt1")) {
            o.message = t.errorString();
            return o;
        }
        HL_STATUS status{};
        for (int i = 0; i < 20000 && t.isEnabled(); ++i) {
            if (i % 2000 == 0)
                step();
            status.raw[0] = uint8_t(i);
            t.packetHL_STATUS(status);
            t.unknownPacket(200, QByteArray(20, char(i)));
        }
        o.success = t.isEnabled();
        o.success = t.stop() && o.success;
        o.message = t.errorString();
        return o;
    },
    wholeTrace,
    {},
    {},
    {},
    {},
    {},
});

// The ACI list store lives in the program-data folder, not in work.
[[maybe_unused]] const int aciStore = add({
    "aci-store",
    [](const QString &) {
        Data::closeAciStorage();
        writeFile(Data::instance()->aciStoragePath(), "an older list file");
    },
    [](const QString &) { return QFileInfo(Data::instance()->aciStoragePath()).absolutePath(); },
    [](const QString &, const Step &step) {
        Outcome o;
        o.success = true;
        const QByteArray head(12, '\x01');
        o.success = Data::aciStorageWrite(head.constData(), head.size()) == head.size();
        for (int i = 0; i < 3000 && o.success; ++i) {
            if (i % 300 == 0)
                step();
            const QByteArray entry(136, char(i));
            o.success = Data::aciStorageWrite(entry.constData(), entry.size()) == entry.size();
        }
        Data::aciStorageEnd(o.success);
        o.message = Data::aciStorageError();
        o.success = o.success && o.message.isEmpty();
        return o;
    },
    {},
    {},
    {},
    {},
    {},
    {},
});

[[maybe_unused]] const int wpTemplate = add({
    "wp-template",
    [](const QString &work) { writeFile(work + "/out/template.csv", "an older template"); },
    [](const QString &work) { return work + "/out"; },
    [](const QString &work, const Step &step) {
        WPImport dialog(nullptr);
        KorvelTest::PromptScript script;
        script.path(work + "/out/template.csv");
        step();
        dialog.saveTemplate(3);
        Outcome o;
        o.success = script.requests().size() == 1;
        if (!o.success)
            o.message = script.requests().last().text;
        return o;
    },
    {},
    {},
    {},
    {},
    {},
    {},
});

bool sameSizeZip(const QByteArray &bytes, const QByteArray &reference)
{
    // Entry times are the time of writing.
    return bytes.size() == reference.size() && zipIsWhole(bytes);
}

[[maybe_unused]] const int vardeck = add({
    "vardeck",
    [](const QString &work) {
        // A map of noise, so the archive is large and cannot shrink.
        QImage image(1200, 1200, QImage::Format_RGB32);
        const QByteArray pixels = noise(image.sizeInBytes(), 7);
        for (int y = 0; y < image.height(); ++y)
            memcpy(image.scanLine(y), pixels.constData() + y * image.bytesPerLine(), size_t(image.bytesPerLine()));
        const QList<double> v = {11.353, 48.096, 11.357, 48.096, 11.353, 48.092,
                                 11.357, 48.092, 11.355, 48.094, 297.0, 445.0};
        QDir().mkpath(work + "/src");
        if (!MapDescription::writeImage(work + "/src/map.jpg", image, KorvelTest::mapRecord("m", "t", v)))
            qFatal("vardeck: no map");
        writeFile(work + "/out/plan.znp", "an older archive");
    },
    [](const QString &work) { return work + "/out"; },
    [](const QString &work, const Step &step) {
        WPData plan;
        plan.loadMapImage(work + "/src/map.jpg");
        step();
        Outcome o;
        o.success = writeProjectArchive(plan, work + "/out/plan.znp", &o.message);
        return o;
    },
    sameSizeZip,
    {},
    {},
    {},
    {},
    {},
});

}  // namespace
