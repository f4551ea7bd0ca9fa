// Every writer of the photo tagger (and EXIF on a file) on a full disk: the
// failure reaches the caller with the file and the system's reason, an old
// file at the name stays byte for byte, and nothing is left under the final
// name or as a temporary file.
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include "core/atomicfile/atomicfile.h"
#include "core/data.h"
#include "exif/exifhandler.h"
#include "phototagger/creation/ptsteps.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptprojectmerge.h"
#include "phototagger/ui/contextcaptureexport.h"
#include "ptfixtures.h"
#include "support/testkit.h"

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Everything in the folder, hidden entries included.
QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

QString full() { return QString::fromLocal8Bit(std::strerror(EFBIG)); }

}  // namespace

class TestPTSafeWrites : public QObject {
    Q_OBJECT
    QTemporaryDir m_out;

private slots:
    void initTestCase() { Data::instance(); }

    void fullDisk_data()
    {
        QTest::addColumn<QString>("writer");
        for (const char *w : {"geotag export, new copy", "geotag export, kept copy",
                              "geotag export, cut-off copy", "CSV export", "Pix4D export",
                              "Orbit export", "PhotoScan export", "ContextCapture export",
                              "creation photo copy", "creation thumbnail", "creation project file",
                              "photo added to a project", "project file", "project merge",
                              "EXIF on a file"})
            QTest::newRow(w) << QString::fromLatin1(w);
    }
    void fullDisk()
    {
        QFETCH(QString, writer);
        // A project with one photo and many tags (a project file bigger than
        // a merge journal).
        QVector<PTTag> tags{PTFixture::tag("a.jpg")};
        for (int i = 0; i < 40; ++i)
            tags << PTFixture::tag(QString());
        const QString project = PTFixture::project("full", tags);
        QVERIFY(PTFixture::photo(project + "/a.jpg", 64, 48));
        const QString out = m_out.filePath(QTest::currentDataTag());
        QDir(out).removeRecursively();
        QVERIFY(QDir().mkpath(out));
        PTData d;
        QCOMPARE(d.loadProject("full"), 120);

        // What stands at the target before: an old file, or nothing.
        QString folder = out, target;
        QByteArray old("old contents");
        qint64 limit = 100;
        if (writer.startsWith("geotag")) {
            target = out + "/a.jpg";
            old = bytesOf(project + "/a.jpg");
            limit = old.size() / 4;
            if (writer.endsWith("new copy"))
                old.clear();
            if (writer.endsWith("cut-off copy"))
                old.chop(old.size() / 2);
        } else if (writer == "CSV export" || writer == "Pix4D export" || writer == "Orbit export") {
            target = out + "/export.csv";
            limit = 10;
        } else if (writer == "PhotoScan export") {
            target = out + "/export.psz";
        } else if (writer == "ContextCapture export") {
            target = out + "/export.xml";
        } else if (writer == "creation photo copy") {
            target = out + "/a.jpg";
            old.clear();
        } else if (writer == "creation thumbnail") {
            folder = project;
            target = project + "/thumb_a.jpg";
        } else if (writer == "creation project file") {
            target = out + "/made.zpt";
        } else if (writer == "photo added to a project") {
            folder = project;
            target = project + "/thumb_b.jpg";  // the copy of b.jpg goes again
            old.clear();
            QVERIFY(PTFixture::photo(out + "/b.jpg", 64, 48));
            limit = QFileInfo(out + "/b.jpg").size() + 10;  // the photo fits, its preview not
        } else if (writer == "project file") {
            folder = project;
            target = project + "/full.zpt";
            old = bytesOf(target);
            limit = old.size() / 2;
        } else if (writer == "project merge") {
            PTFixture::project("other", {PTFixture::tag("b.jpg", 48.1, 11.5)});
            QVERIFY(PTFixture::photo(PTProjectFile::projectFolder("other") + "/b.jpg", 64, 48));
            folder = project;
            target = project + "/full.zpt";
            old = bytesOf(target);
            limit = 1500;  // the journal fits, the merged file not
        } else if (writer == "EXIF on a file") {
            target = out + "/photo.jpg";
            QVERIFY(PTFixture::photo(target, 64, 48));
            old = bytesOf(target);
            limit = old.size() / 2;
        }
        if (!old.isEmpty() && writer != "project file" && writer != "project merge"
            && writer != "EXIF on a file")
            QVERIFY(AtomicFile::write(target, old));
        const QStringList before = entries(folder);
        const QStringList projectsBefore = entries(PTProjectFile::projectsFolder());

        bool ok = true;
        QString message;
        KorvelTest::PromptScript prompts;
        {
            KorvelTest::DiskLimit disk(limit);
            if (writer.startsWith("geotag")) {
                QStringList failed, reasons;
                QVERIFY(d.copyFiles(out, &failed, PTData::CopyStep(), &reasons));
                ok = failed.isEmpty();
                QCOMPARE(failed.size(), reasons.size());
                message = reasons.join('\n');
            } else if (writer == "CSV export") {
                ok = d.createCSVFile(target, ";") == PTData::Written;
                message = d.writeError();
            } else if (writer == "Pix4D export") {
                ok = d.createPix4dFile(target) == PTData::Written;
                message = d.writeError();
            } else if (writer == "Orbit export") {
                ok = d.createOrbitFile(target) == PTData::Written;
                message = d.writeError();
            } else if (writer == "PhotoScan export") {
                ok = d.createPhotoScanFile(target, true, 0) == PTData::Written;
                message = d.writeError();
            } else if (writer == "ContextCapture export") {
                ContextCaptureExport::ExportWidget page(&d);
                page.findChild<QLineEdit *>("ccFile")->setText(target);
                page.findChild<QCheckBox *>("ccCopy")->setChecked(false);
                ok = page.exportFile();
                message = prompts.texts().join('\n');
            } else if (writer == "creation photo copy") {
                ok = PTSteps::copyPhotos(project, out, {"a.jpg"}, false, {}, {}, nullptr, &message) == 1;
            } else if (writer == "creation thumbnail") {
                ok = PTSteps::makeThumbnails(project, {"a.jpg"}, PTSteps::Jpeg, {}, {}, 1, &message) == 1;
            } else if (writer == "creation project file") {
                PTTriggerTable triggers;
                PTSteps::readProjectTriggers(project + "/full.zpt", triggers);
                ok = PTSteps::writeProject(out, "made", PTImageJpeg, triggers, {}, {}, &message) == 1;
            } else if (writer == "photo added to a project") {
                ok = d.addImage(out + "/b.jpg", 1, &message);
            } else if (writer == "project file") {
                d.setEnabled(3, false);
                ok = d.updateZPTFile();
                message = d.errorString();
            } else if (writer == "project merge") {
                const PTProjectMerge::Result r =
                    PTProjectMerge::merge({"full", "other"}, "full", {"full", "other"});
                ok = r.ok;
                message = r.error;
            } else if (writer == "EXIF on a file") {
                ExifHandler exif;
                exif.setMake("Full");
                ok = exif.saveExif(target, &message);
                message = AtomicFile::describe(target, message);
            }
        }
        QVERIFY(!ok);
        QVERIFY2(message.contains(AtomicFile::describe(target, full())), qPrintable(message));
        if (old.isEmpty())
            QVERIFY(!QFileInfo::exists(target));
        else
            QCOMPARE(bytesOf(target), old);
        QCOMPARE(entries(folder), before);
        QCOMPARE(entries(PTProjectFile::projectsFolder()), projectsBefore);
        if (writer == "project merge") {
            QVERIFY(QFile::exists(PTProjectFile::projectFolder("other") + "/b.jpg"));
            QCOMPARE(PTProjectMerge::finishInterrupted(), PTProjectMerge::Recovery::Nothing);
        }
        if (writer == "photo added to a project")
            QCOMPARE(d.getImageName(1), QString());
    }
};

KORVEL_TEST_MAIN(TestPTSafeWrites)
#include "test_ptsafewrites.moc"
