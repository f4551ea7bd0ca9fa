// Rows of the smaller writers: log folders, the link trace, the ACI list
// store, the waypoint template, the Vardeck project archive, the plan save of
// the planner window, the camera store and the placemarks.
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStandardItemModel>

#include "core/camera.h"
#include "core/data.h"
#include "core/mapdescription.h"
#include "core/placemarks.h"
#include "harleklog/harlekdemo.h"
#include "harleklog/harleklogwriter.h"
#include "link/comtracer.h"
#include "link/korvelpackethandler.h"
#include "maps/items/wpwaypoint.h"
#include "maps/vardeckproject.h"
#include "maps/wpdata.h"
#include "maps/wpimport.h"
#include "planner/wpmain.h"
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

// A map of noise 1200 x 1200 pixels at src/map.jpg, so that an archive or a
// plan has a map to stand on.
void noiseMap(const QString &work, const char *row)
{
    QImage image(1200, 1200, QImage::Format_RGB32);
    const QByteArray pixels = noise(image.sizeInBytes(), 7);
    for (int y = 0; y < image.height(); ++y)
        memcpy(image.scanLine(y), pixels.constData() + y * image.bytesPerLine(), size_t(image.bytesPerLine()));
    const QList<double> v = {11.353, 48.096, 11.357, 48.096, 11.353, 48.092,
                             11.357, 48.092, 11.355, 48.094, 297.0, 445.0};
    QDir().mkpath(work + "/src");
    if (!MapDescription::writeImage(work + "/src/map.jpg", image, KorvelTest::mapRecord("m", "t", v)))
        qFatal("%s: no map", row);
}

bool sameSizeZip(const QByteArray &bytes, const QByteArray &reference)
{
    // Entry times are the time of writing.
    return bytes.size() == reference.size() && zipIsWhole(bytes);
}

[[maybe_unused]] const int vardeck = add({
    "vardeck",
    [](const QString &work) {
        // A map of noise, so the archive is large and cannot shrink.
        noiseMap(work, "vardeck");
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

// The planner window's save of a plan over its older file, as the user
// starts it: what it says goes through the prompt layer.
[[maybe_unused]] const int planSave = add({
    "plan-save",
    [](const QString &work) {
        noiseMap(work, "plan-save");
        writeFile(work + "/out/Harbour.zfp", "an older plan");
    },
    [](const QString &work) { return work + "/out"; },
    [](const QString &work, const Step &step) {
        auto *plan = new WPData;
        plan->loadMapImage(work + "/src/map.jpg");
        for (int i = 0; i < 2000; ++i) {
            const QPointF p((i * 7) % 1200, (i * 13) % 1200);
            Waypoint wp;
            wp.setHeightMetres(20 + i % 50);
            plan->addWaypoint(new WPWaypoint(p.x(), p.y(), 1.0, plan->count() + 1, 0), wp);
        }
        plan->setFilePath(work + "/out/Harbour.zfp");
        KorvelPacketHandler handler;
        WPMain window(&handler, plan);
        KorvelTest::PromptScript prompts;
        step();
        Outcome o;
        QString error;
        o.success = window.save(&error);
        o.message = (prompts.texts() << error).join('\n');
        if (o.success != prompts.requests().isEmpty())
            o.faults << QStringLiteral("saved %1, yet %2 messages").arg(o.success).arg(prompts.requests().size());
        return o;
    },
    {},
    {},
    {},
    QStringList{"Harbour.zfp"},
    {},
    {},
});

// The user's camera list: the store holds two cameras, the settings page
// adds a third. A store that could not be written leaves the list as the
// store has it.
const char *const NewCamera = "Row camera";

void resetCameras()
{
    Data *data = Data::instance();
    for (const QString &name : data->cameraNames())
        data->removeCamera(name);
    Camera c;
    c.sensorSize = QSizeF(13.2, 8.8);
    c.imageSize = QSize(5472, 3648);
    c.focalLength = 8.8;
    for (const char *name : {"Old A", "Old B"}) {
        c.name = QString::fromLatin1(name);
        if (!data->addCamera(c))
            qFatal("camera-store: the store cannot be written");
    }
}

[[maybe_unused]] const int cameraStore = add({
    "camera-store",
    [](const QString &) { resetCameras(); },
    [](const QString &) { return QFileInfo(Data::instance()->cameraStorePath()).absolutePath(); },
    [](const QString &, const Step &step) {
        Data *data = Data::instance();
        Camera c;
        c.name = QString::fromLatin1(NewCamera);
        c.sensorSize = QSizeF(6.17, 4.55);
        c.imageSize = QSize(4000, 3000);
        c.focalLength = 4.5;
        step();
        Outcome o;
        o.success = data->addCamera(c, &o.message);
        if (o.success != data->cameraNames().contains(c.name))
            o.faults << QStringLiteral("the list holds %1").arg(data->cameraNames().join(", "));
        return o;
    },
    {},
    {},
    {},
    QStringList{"cameralist"},
    {},
    {},
});

// The placemarks: the file holds a group, the editor added one of many
// points, the main window saves them.
[[maybe_unused]] const int placemarks = add({
    "placemarks",
    [](const QString &) {
        writeFile(Data::instance()->placemarksPath(), "Old group|0|||0\nOld point|1|11.5|48.1|Old group\n");
    },
    [](const QString &) { return QFileInfo(Data::instance()->placemarksPath()).absolutePath(); },
    [](const QString &, const Step &step) {
        Data *data = Data::instance();
        data->loadPlacemarks();
        auto *group = new QStandardItem(QStringLiteral("Survey"));
        group->setData(QStringLiteral("0"), Placemarks::KindRole);
        data->placemarkModel()->appendRow(group);
        for (int i = 0; i < 4000; ++i) {
            if (i % 1000 == 0)
                step();
            auto *point = new QStandardItem(QStringLiteral("Marker %1").arg(i));
            point->setData(QStringLiteral("1"), Placemarks::KindRole);
            point->setData(QString::number(11.5 + i * 1e-5, 'f', 6), Placemarks::LonRole);
            point->setData(QString::number(48.1 + i * 1e-5, 'f', 6), Placemarks::LatRole);
            group->appendRow(point);
        }
        step();
        Outcome o;
        o.success = data->savePlacemarks(&o.message);
        if (o.success == data->placemarksUnsaved())
            o.faults << QStringLiteral("saved %1, marked unsaved %2").arg(o.success).arg(data->placemarksUnsaved());
        return o;
    },
    {},
    {},
    {},
    QStringList{"placemarks"},
    {},
    {},
});

}  // namespace
