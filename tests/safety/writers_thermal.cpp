// Rows of the thermal editor: Export to Image (the writer itself and the
// editor's action), the project's export of images and of a report, the
// creation of a project from recordings and the save of an open project.
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include "phototagger/ptfixtures.h"
#include "safety/writers.h"
#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/araheader.h"
#include "thermal/editor/thimageexport.h"
#include "thermal/editor/thmain.h"
#include "thermal/editor/ththread.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"
#include "thermal/project/thprojectfile.h"

namespace {

using namespace Safety;

// A picture of noise that does not compress, so writing it takes a while.
QImage picture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator rng(11);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = rng.generate() | 0xff000000u;
    }
    return image;
}

// A frame header with a position, a height and a GPS time.
AraHeader araHeader()
{
    uchar h[244] = {};
    qToLittleEndian<quint16>(0x7353, h);
    qToLittleEndian<quint16>(2100, h + 136);      // GPS week
    qToLittleEndian<qint32>(115000000, h + 142);  // longitude 11.5
    qToLittleEndian<qint32>(481000000, h + 146);  // latitude 48.1
    qToLittleEndian<qint32>(512000, h + 150);     // 512 m
    return AraHeader(QByteArray(reinterpret_cast<const char *>(h), int(sizeof h)));
}

// A project "name" of one 64 x 48 frame, in the thermal folder.
void makeProject(THData &project, const QString &name, bool write)
{
    if (write)
        QDir(ThermalPaths::imageFolderPath(name)).removeRecursively();
    QDir().mkpath(ThermalPaths::imageFolderPath(name));
    project.projectFile = ThermalPaths::projectFilePath(name);
    project.projectName = name;
    project.imageFolder = ThermalPaths::imageFolderPath(name);
    project.appendImage("good.ara", true, 7000, 7600, 0);
    if (!write)
        return;
    AraGen::FrameParams p;
    p.width = 64;
    p.height = 48;
    AraGen::writeFile(project.imagePath(0), AraGen::araFile(p, AraGen::scene(64, 48, 2)));
}

bool jpegEnds(const QByteArray &bytes) { return bytes.startsWith("\xff\xd8") && bytes.endsWith("\xff\xd9"); }

// The JPEG of Export to Image carries the frame's tags, which exiftool reads.
bool wholeTaggedJpeg(const QByteArray &bytes, const QByteArray &reference)
{
    if (bytes != reference || !jpegEnds(bytes))
        return false;
    QTemporaryDir dir;
    writeFile(dir.filePath("judged.jpg"), bytes);
    const auto t = PTFixture::exiftool(dir.filePath("judged.jpg"));
    return t.value("[IFD0] Make") == "FLIR" && t.value("[GPS] GPSLatitude").toDouble() == 48.1
           && t.value("[GPS] GPSAltitude") == "512";
}

bool wholeImage(const QByteArray &bytes, const QByteArray &reference)
{
    return bytes == reference && !QImage::fromData(bytes).isNull();
}

// Waits for the job and tells its result.
Outcome finish(THThread &job, bool exported)
{
    Outcome o;
    if (!QTest::qWaitFor([&] { return job.isFinished(); }, 120000)) {
        o.message = "the job did not end";
        return o;
    }
    o.success = job.success && job.failedFiles.isEmpty();
    o.message = exported ? job.errorString + '\n' + job.failedFiles.join('\n') : job.errorString;
    return o;
}

void stepsOf(THThread &job, const Step &step)
{
    for (auto signal : {&THThread::copyFile, &THThread::createFile})
        QObject::connect(&job, signal, &job, [&step](int, int) { step(); }, Qt::DirectConnection);
}

int addRows()
{
    // The writer itself, each format over an older file; the JPEG of a
    // picture big enough that a kill may land in the middle of its write.
    for (const QString &format : {QStringLiteral("jpg"), QStringLiteral("png"), QStringLiteral("tif")}) {
        Row r;
        r.name = "th-image-" + format;
        const QString file = "picture." + format;
        r.prepare = [file](const QString &work) { writeFile(work + "/out/" + file, "old contents"); };
        r.output = [](const QString &work) { return work + "/out"; };
        r.run = [file, format](const QString &work, const Step &step) {
            step();
            const QImage image = format == "jpg" ? picture(2400, 1800) : picture(300, 200);
            step();
            Outcome o;
            o.success = THImageExport::write(image, araHeader(), work + "/out/" + file, &o.message)
                        == THImageExport::Result::Written;
            return o;
        };
        r.whole = format == "jpg" ? wholeTaggedJpeg : wholeImage;
        r.targets = QStringList{file};
        add(r);
    }

    // The editor's action, with its file chooser and its message box.
    Row window;
    window.name = "th-image-window";
    window.prepare = [](const QString &work) {
        THData project;
        makeProject(project, "SafetyWindow", true);
        writeFile(work + "/out/picture.jpg", "old contents");
    };
    window.output = [](const QString &work) { return work + "/out"; };
    window.run = [](const QString &work, const Step &step) {
        THData project;
        makeProject(project, "SafetyWindow", false);
        KorvelTest::PromptScript prompts;
        THMain editor(&project);
        editor.openFileIndex(0);
        prompts.path(work + "/out/picture.jpg");
        prompts.button(QMessageBox::Yes);  // overwrite
        step();
        editor.exportFile();
        Outcome o;
        o.success = !prompts.requests().isEmpty() && prompts.requests().last().title != "Export failed";
        o.message = prompts.requests().isEmpty() ? QString() : prompts.requests().last().text;
        return o;
    };
    window.whole = [](const QByteArray &bytes, const QByteArray &reference) {
        return bytes == reference && jpegEnds(bytes);
    };
    window.targets = QStringList{"picture.jpg"};
    add(window);

    // The project's export of its images or of a report, over older files.
    for (const bool report : {false, true}) {
        Row r;
        r.name = report ? "th-export-report" : "th-export-images";
        const QString project = report ? "SafetyReport" : "SafetyImages";
        const QString file = report ? "report.html" : "good.jpg";
        r.prepare = [project, file](const QString &work) {
            THData p;
            makeProject(p, project, true);
            writeFile(work + "/out/" + file, "old contents");
        };
        r.output = [](const QString &work) { return work + "/out"; };
        r.run = [project, report](const QString &work, const Step &step) {
            THData p;
            makeProject(p, project, false);
            THThread job(&p);
            stepsOf(job, step);
            step();
            if (report)
                job.createReportWithHTML(work + "/out", 0, true, false, true);
            else
                job.exportOnlyImages(work + "/out", 0, true);
            return finish(job, true);
        };
        // The report names its image, written first, or itself.
        r.targets = report ? QStringList{file, "good.jpg"} : QStringList{file};
        add(r);
    }

    // A project created from two recordings: its folder appears whole or
    // not at all (a half one would block the name for good).
    Row creation;
    creation.name = "th-creation";
    creation.prepare = [](const QString &work) {
        QDir(ThermalPaths::thermalFolderPath() + "/SafetyCreated").removeRecursively();
        QDir().mkpath(work + "/src");
        for (const int seed : {3, 4}) {
            AraGen::FrameParams p;
            p.width = 320;
            p.height = 240;
            AraGen::writeFile(work + QStringLiteral("/src/frame%1.ara").arg(seed),
                              AraGen::araFile(p, AraGen::scene(320, 240, seed)));
        }
    };
    creation.output = [](const QString &) { return ThermalPaths::thermalFolderPath(); };
    creation.run = [](const QString &work, const Step &step) {
        THThread job(nullptr);
        Outcome o;
        if (!job.setProjectName("SafetyCreated")) {
            o.message = "the name is taken";
            return o;
        }
        for (const int seed : {3, 4})
            job.addFile(work + QStringLiteral("/src/frame%1.ara").arg(seed));
        stepsOf(job, step);
        step();
        job.createFlirProject();
        return finish(job, false);
    };
    // The project file holds the time it was written: the same size, and
    // it reads.
    creation.whole = [](const QByteArray &bytes, const QByteArray &reference) {
        if (bytes == reference)
            return true;
        QByteArray copy = bytes;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        THProjectFileContent content;
        return bytes.size() == reference.size() && THProjectFile::read(buffer, &content) == THProjectFile::Ok
               && content.images.size() == 2;
    };
    creation.targets = QStringList{"SafetyCreated/thermal_images/frame3.ara",
                                   "SafetyCreated/thermal_images/frame4.ara", "SafetyCreated/SafetyCreated.zth"};
    creation.wholeFolders = QStringList{"SafetyCreated"};
    add(creation);

    // Saving an open project over its older file: many images with points
    // and rectangles, so the file takes a while to write.
    Row save;
    save.name = "th-save";
    save.prepare = [](const QString &work) { writeFile(work + "/out/Site.zth", "an older project"); };
    save.output = [](const QString &work) { return work + "/out"; };
    save.run = [](const QString &work, const Step &step) {
        THData project;
        project.projectFile = work + "/out/Site.zth";
        project.projectName = "Site";
        project.imageFolder = work + "/out/thermal_images";
        for (int i = 0; i < 3000; ++i) {
            if (i % 500 == 0)
                step();
            project.appendImage(QStringLiteral("frame%1.ara").arg(i), i % 3 != 0, 7000 + i, 7600 + i, i % 2);
            project.setCurrentIndex(i);
            project.newPointAdded(1, QPointF(i % 64, i % 48), 7300 + i, 0);
            project.setCurrentReportText(QStringLiteral("image %1 of the roof survey").arg(i));
        }
        step();
        Outcome o;
        o.success = project.saveCurrentProject(&o.message);
        return o;
    };
    // The time of writing changes from run to run, the size does not.
    save.whole = [](const QByteArray &bytes, const QByteArray &reference) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        THProjectFileContent content;
        return bytes.size() == reference.size() && THProjectFile::read(buffer, &content) == THProjectFile::Ok
               && content.images.size() == 3000;
    };
    save.targets = QStringList{"Site.zth"};
    add(save);

    return rows().size();
}

[[maybe_unused]] const int registered = addRows();

}  // namespace
