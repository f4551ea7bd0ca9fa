// Rows of the photo tagger: the geotag export, the exports for
// photogrammetry, the creation steps, a photo added to a project, the
// project file, the merge and the split of projects, and EXIF written into
// a file.
#include <QCheckBox>
#include <QCryptographicHash>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>

#include "atomicfile/atomicfile.h"
#include "exif/exifhandler.h"
#include "phototagger/creation/ptsteps.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptprojectmerge.h"
#include "phototagger/ptfixtures.h"
#include "phototagger/ui/contextcaptureexport.h"
#include "safety/writers.h"
#include "support/testkit.h"

namespace {

using namespace Safety;

bool jpegEnds(const QByteArray &bytes) { return bytes.startsWith("\xff\xd8") && bytes.endsWith("\xff\xd9"); }

// exiftool's view of bytes.
QMap<QString, QString> exiftool(const QByteArray &bytes)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("judged.jpg");
    writeFile(file, bytes);
    return PTFixture::exiftool(file);
}

// A photo the writers give out is the undisturbed run's, ending whole.
bool wholePhoto(const QByteArray &bytes, const QByteArray &reference)
{
    return bytes == reference && jpegEnds(bytes);
}

// A project of one photo a.jpg and many tags without photos (its file is
// larger than the photo's preview or a merge journal).
QString smallProject(const QString &name)
{
    QVector<PTTag> tags{PTFixture::tag("a.jpg")};
    for (int i = 0; i < 40; ++i)
        tags << PTFixture::tag(QString());
    const QString folder = PTFixture::project(name, tags);
    if (!PTFixture::photo(folder + "/a.jpg", 64, 48))
        qFatal("%s: no photo", qPrintable(name));
    return folder;
}

PTData *loaded(PTData &d, const QString &name)
{
    if (d.loadProject(name) != 120)
        qFatal("%s: project not loaded", qPrintable(name));
    return &d;
}

Outcome written(const PTData &d, int result)
{
    Outcome o;
    o.success = result == PTData::Written;
    o.message = d.writeError();
    return o;
}

QByteArray photoId(const QString &path)
{
    return QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha1).toHex();
}

// Writes the photos (and previews) of a project and notes their contents in
// work/photos, for projectsWhole().
void notePhotos(const QString &work, const QStringList &ids)
{
    QStringList sorted = ids;
    sorted.sort();
    writeFile(work + "/photos", sorted.join('\n').toLatin1());
}

// After a merge or split, finished or taken back: no journal is left, every
// photo is still there once, and each project folder holds exactly the
// photos its file lists, with their previews.
QStringList projectsWhole(const QString &work)
{
    QStringList wrong, ids;
    const QString root = PTProjectFile::projectsFolder();
    if (QFileInfo::exists(PTProjectMerge::journalPath()))
        wrong << "journal left";
    for (const QString &p : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        PTProjectContent c;
        if (PTProjectFile::load(PTProjectFile::projectFilePath(p), c) != PTProjectFile::Status::Ok) {
            wrong << p + ": no project file";
            continue;
        }
        QStringList expected{p + ".zpt"};
        for (const PTTag &t : c.tags) {
            if (!t.imageName.isEmpty())
                expected << t.imageName << PTProjectFile::previewName(t.imageName, PTImageJpeg);
        }
        QStringList present = QDir(root + "/" + p).entryList(QDir::Files | QDir::Hidden);
        expected.sort();
        present.sort();
        if (expected != present)
            wrong << p + ": " + present.join(',') + " but lists " + expected.join(',');
        for (const QString &f : present) {
            if (f.endsWith(".jpg"))
                ids << photoId(root + "/" + p + "/" + f);
        }
    }
    ids.sort();
    if (ids.join('\n').toLatin1() != readFile(work + "/photos"))
        wrong << "the photos are not the ones before, each once";
    return wrong;
}

// The merge's and split's file operations, with a step after each.
PTProjectMerge::Io steppingIo(const Step &step)
{
    PTProjectMerge::Io io;
    const PTProjectMerge::Io real = PTProjectMerge::defaultIo();
    io.move = [=](const QString &from, const QString &to, QString *error) {
        const bool ok = real.move(from, to, error);
        step();
        return ok;
    };
    io.save = [=](const QString &path, int type, const QVector<PTTag> &tags, QString *error) {
        const bool ok = real.save(path, type, tags, error);
        step();
        return ok;
    };
    io.removeFolder = [=](const QString &folder) {
        const bool ok = real.removeFolder(folder);
        step();
        return ok;
    };
    return io;
}

// Opening a project finishes a merge or split cut off or takes it back.
void openAProject(const QString &)
{
    PTData opened;
    opened.loadProject("PA");
}

int addRows()
{
    // Six photos; in the target folder before: the first untagged (kept and
    // tagged there) and the second cut off (as a killed export of old left it).
    Row geotag;
    geotag.name = "pt-geotag";
    geotag.prepare = [](const QString &work) {
        QVector<PTTag> tags;
        for (int i = 0; i < 6; ++i)
            tags << PTFixture::tag(QStringLiteral("P%1.jpg").arg(i), 48 + i * 0.01);
        const QString project = PTFixture::project("sfgeotag", tags);
        for (int i = 0; i < 6; ++i) {
            if (!PTFixture::photo(project + QStringLiteral("/P%1.jpg").arg(i), 900 + i, 700))
                qFatal("pt-geotag: no photo");
        }
        writeFile(work + "/out/P0.jpg", readFile(project + "/P0.jpg"));
        writeFile(work + "/out/P1.jpg", readFile(project + "/P1.jpg").left(3000));
    };
    geotag.output = [](const QString &work) { return work + "/out"; };
    geotag.run = [](const QString &work, const Step &step) {
        PTData d;
        QStringList failed, reasons;
        const bool went = loaded(d, "sfgeotag")->copyFiles(work + "/out", &failed,
                                                           [&](int, int) {
                                                               step();
                                                               return true;
                                                           },
                                                           &reasons);
        Outcome o;
        o.success = went && failed.isEmpty();
        o.message = reasons.join('\n');
        if (failed.size() != reasons.size())
            o.faults << QStringLiteral("%1 failed, %2 reasons").arg(failed.size()).arg(reasons.size());
        return o;
    };
    geotag.whole = wholePhoto;
    geotag.cutOff = [](const QString &work) {
        // Cut-off copies and a temporary file a killed write left.
        const QString out = work + "/out";
        QFile::resize(out + "/P3.jpg", QFileInfo(out + "/P3.jpg").size() / 2);
        QFile::resize(out + "/P4.jpg", 0);
        writeFile(out + "/.P5.jpg.korvel-tmp-x1y2z3", QByteArray(5000, 'x'));
    };
    geotag.targets = QStringList{"P2.jpg"};
    add(geotag);

    // The exports, each over an older file.
    struct Export {
        const char *name, *file;
        std::function<Outcome(PTData &d, const QString &path)> write;
    };
    const QList<Export> exports = {
        {"pt-csv", "export.csv",
         [](PTData &d, const QString &p) { return written(d, d.createCSVFile(p, ";")); }},
        {"pt-pix4d", "export.csv",
         [](PTData &d, const QString &p) { return written(d, d.createPix4dFile(p)); }},
        {"pt-orbit", "export.csv",
         [](PTData &d, const QString &p) { return written(d, d.createOrbitFile(p)); }},
        {"pt-photoscan", "export.psz",
         [](PTData &d, const QString &p) { return written(d, d.createPhotoScanFile(p, true, 0)); }},
        {"pt-contextcapture", "export.xml",
         [](PTData &d, const QString &p) {
             KorvelTest::PromptScript prompts;
             ContextCaptureExport::ExportWidget page(&d);
             page.findChild<QLineEdit *>("ccFile")->setText(p);
             page.findChild<QCheckBox *>("ccCopy")->setChecked(false);
             Outcome o;
             o.success = page.exportFile();
             o.message = prompts.texts().join('\n');
             return o;
         }},
    };
    for (const Export &e : exports) {
        Row r;
        r.name = e.name;
        const QString file = e.file;
        r.prepare = [file](const QString &work) {
            smallProject("sfexport");
            writeFile(work + "/out/" + file, "old contents");
        };
        r.output = [](const QString &work) { return work + "/out"; };
        const auto write = e.write;
        r.run = [file, write](const QString &work, const Step &step) {
            PTData d;
            loaded(d, "sfexport");
            step();
            return write(d, work + "/out/" + file);
        };
        if (file.endsWith(".psz"))  // a zip whose entries carry the time of writing
            r.whole = [](const QByteArray &bytes, const QByteArray &reference) {
                return bytes.size() == reference.size() && zipIsWhole(bytes);
            };
        r.targets = QStringList{file};
        add(r);
    }

    // The creation job's steps: photos copied in, previews, the project file.
    Row copy;
    copy.name = "pt-creation-copy";
    copy.prepare = [](const QString &work) {
        smallProject("sfcreate");
        QDir().mkpath(work + "/out");
    };
    copy.output = [](const QString &work) { return work + "/out"; };
    copy.run = [](const QString &work, const Step &step) {
        Outcome o;
        step();
        o.success = PTSteps::copyPhotos(PTProjectFile::projectFolder("sfcreate"), work + "/out", {"a.jpg"}, false, {},
                                        [&](int, int) { step(); }, nullptr, &o.message)
                    == 1;
        return o;
    };
    copy.whole = wholePhoto;
    copy.targets = QStringList{"a.jpg"};
    add(copy);

    Row thumb;
    thumb.name = "pt-creation-thumbnail";
    thumb.prepare = [](const QString &) {
        writeFile(smallProject("sfthumb") + "/thumb_a.jpg", "old contents");
    };
    thumb.output = [](const QString &) { return PTProjectFile::projectsFolder(); };
    thumb.run = [](const QString &, const Step &step) {
        Outcome o;
        step();
        o.success = PTSteps::makeThumbnails(PTProjectFile::projectFolder("sfthumb"), {"a.jpg"}, PTSteps::Jpeg, {},
                                            [&](int, int) { step(); }, 1, &o.message)
                    == 1;
        return o;
    };
    thumb.whole = wholePhoto;
    thumb.targets = QStringList{"sfthumb/thumb_a.jpg"};
    add(thumb);

    Row made;
    made.name = "pt-creation-project";
    made.prepare = [](const QString &work) {
        smallProject("sfcreate");
        writeFile(work + "/out/made.zpt", "old contents");
    };
    made.output = [](const QString &work) { return work + "/out"; };
    made.run = [](const QString &work, const Step &step) {
        PTTriggerTable triggers;
        PTSteps::readProjectTriggers(PTProjectFile::projectFilePath("sfcreate"), triggers);
        Outcome o;
        step();
        o.success = PTSteps::writeProject(work + "/out", "made", PTImageJpeg, triggers, {}, {}, &o.message) == 1;
        return o;
    };
    made.targets = QStringList{"made.zpt"};
    add(made);

    // A photo added to a project: the copy and its preview, which is larger.
    Row addPhoto;
    addPhoto.name = "pt-add-photo";
    addPhoto.prepare = [](const QString &work) {
        smallProject("sfadd");
        QDir().mkpath(work + "/src");
        if (!PTFixture::photo(work + "/src/b.jpg", 64, 48))
            qFatal("pt-add-photo: no photo");
    };
    addPhoto.output = [](const QString &) { return PTProjectFile::projectsFolder(); };
    addPhoto.run = [](const QString &work, const Step &step) {
        PTData d;
        loaded(d, "sfadd");
        step();
        Outcome o;
        o.success = d.addImage(work + "/src/b.jpg", 1, &o.message);
        if (!o.success && !d.getImageName(1).isEmpty())
            o.faults << "the tag holds a photo that was not added";
        return o;
    };
    // Killed between the copy and its preview: the photo is there, unlisted.
    addPhoto.cutOff = [](const QString &work) {
        QFile::remove(PTProjectFile::projectFolder("sfadd") + "/thumb_b.jpg");
    };
    addPhoto.whole = wholePhoto;
    addPhoto.targets = QStringList{"sfadd/b.jpg", "sfadd/thumb_b.jpg"};
    add(addPhoto);

    Row project;
    project.name = "pt-project-file";
    project.prepare = [](const QString &) { smallProject("sfproject"); };
    project.output = [](const QString &) { return PTProjectFile::projectsFolder(); };
    project.run = [](const QString &, const Step &step) {
        PTData d;
        loaded(d, "sfproject")->setEnabled(3, false);
        step();
        Outcome o;
        o.success = d.updateZPTFile();
        o.message = d.errorString();
        return o;
    };
    project.targets = QStringList{"sfproject/sfproject.zpt"};
    add(project);

    // Three projects; PA and PB have photos of the same name, so the merge
    // renames one; all join into the existing PA or into a new one. Many
    // tags without photos make the merged file larger than the journal.
    for (const QString &target : {QStringLiteral("PA"), QStringLiteral("Joined")}) {
        Row merge;
        merge.name = "pt-merge-into-" + target;
        merge.prepare = [](const QString &work) {
            QDir(PTProjectFile::projectsFolder()).removeRecursively();
            int size = 40;
            QStringList ids;
            auto make = [&](const QString &name, const QStringList &photos, int minutes) {
                QVector<PTTag> tags;
                for (const QString &p : photos) {
                    PTTag t = PTFixture::tag(p);
                    t.time = t.time.addSecs(minutes * 60);
                    tags << t;
                    for (int i = 0; i < 20; ++i)
                        tags << PTFixture::tag(QString());
                }
                const QString folder = PTFixture::project(name, tags);
                for (const QString &p : photos) {
                    for (const QString &file : {p, "thumb_" + p}) {
                        if (!PTFixture::photo(folder + "/" + file, size++, 30, false))
                            qFatal("pt-merge: no photo");
                        ids << photoId(folder + "/" + file);
                    }
                }
            };
            make("PA", {"IMG_1.jpg", "a.jpg"}, 0);
            make("PB", {"IMG_1.jpg"}, 10);
            make("PC", {"c.jpg"}, 20);
            notePhotos(work, ids);
        };
        merge.output = [](const QString &) { return PTProjectFile::projectsFolder(); };
        merge.run = [target](const QString &, const Step &step) {
            const QStringList sources{"PA", "PB", "PC"};
            const PTProjectMerge::Result r = PTProjectMerge::merge(sources, target, sources, steppingIo(step));
            Outcome o;
            o.success = r.ok;
            o.message = r.error;
            return o;
        };
        merge.targets = QStringList{".merge.journal", target + "/" + target + ".zpt"};
        merge.reopen = openAProject;
        merge.check = projectsWhole;
        add(merge);
    }

    // One project of four photos split in two, two photos with each part;
    // many tags without photos make each new file larger than a photo.
    Row split;
    split.name = "pt-split";
    split.prepare = [](const QString &work) {
        QDir(PTProjectFile::projectsFolder()).removeRecursively();
        QVector<PTTag> tags;
        for (const char *p : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
            tags << PTFixture::tag(p);
            for (int i = 0; i < 20; ++i)
                tags << PTFixture::tag(QString());
        }
        for (int i = 0; i < 20; ++i)  // so the second file is the largest
            tags << PTFixture::tag(QString());
        const QString folder = PTFixture::project("PA", tags);
        QStringList ids;
        int size = 40;
        for (const char *p : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
            for (const QString &file : {QString(p), "thumb_" + QString(p)}) {
                if (!PTFixture::photo(folder + "/" + file, size++, 30, false))
                    qFatal("pt-split: no photo");
                ids << photoId(folder + "/" + file);
            }
        }
        notePhotos(work, ids);
    };
    split.output = [](const QString &) { return PTProjectFile::projectsFolder(); };
    split.run = [](const QString &, const Step &step) {
        const PTProjectMerge::Result r = PTProjectMerge::split("PA", 42, "West", "East", steppingIo(step));
        Outcome o;
        o.success = r.ok;
        o.message = r.error;
        return o;
    };
    split.targets = QStringList{".merge.journal", "West/West.zpt", "East/East.zpt"};
    split.reopen = openAProject;
    split.check = projectsWhole;
    add(split);

    // EXIF written into a big photo (reading, tagging and writing it takes a
    // while); the photo's own tags stay.
    Row exif;
    exif.name = "exif-file";
    exif.prepare = [](const QString &work) {
        const QString made = QFileInfo(work).absolutePath() + "/exif-source.jpg";
        if (!QFileInfo::exists(made) && !PTFixture::photo(made, 6000, 4000))
            qFatal("exif-file: no photo");
        writeFile(work + "/out/photo.jpg", readFile(made));
    };
    exif.output = [](const QString &work) { return work + "/out"; };
    exif.run = [](const QString &work, const Step &step) {
        const QString path = work + "/out/photo.jpg";
        ExifHandler exif;
        exif.loadExif(path);
        exif.setSoftware(QStringLiteral("Kill test"));
        exif.setGPSLatLon(48.1, 11.5);
        exif.setGPSAltitude(512.0);
        exif.setGPSMapDatum();
        step();
        Outcome o;
        o.success = exif.saveExif(path, &o.message);
        return o;
    };
    exif.whole = [](const QByteArray &bytes, const QByteArray &reference) {
        if (bytes != reference || !jpegEnds(bytes))
            return false;
        const auto t = exiftool(bytes);
        return t.value("[IFD0] Software") == "Kill test" && t.value("[IFD0] Make") == "Vetrel";
    };
    exif.targets = QStringList{"photo.jpg"};
    add(exif);
    return rows().size();
}

[[maybe_unused]] const int registered = addRows();

}  // namespace
