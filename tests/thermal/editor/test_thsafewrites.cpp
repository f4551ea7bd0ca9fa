// The thermal project creation on a full disk (the editor's other writers
// are rows of tests/safety), and Export to Image through a link.
#include <QDir>
#include <QImage>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include "core/atomicfile/atomicfile.h"
#include "core/data.h"
#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/araheader.h"
#include "thermal/editor/thimageexport.h"
#include "thermal/editor/thmain.h"
#include "thermal/editor/ththread.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

QString full() { return QString::fromLocal8Bit(std::strerror(EFBIG)); }

// A project "name" of one 64 x 48 image.
void makeProject(THData &project, const QString &name)
{
    QDir().mkpath(ThermalPaths::imageFolderPath(name));
    project.projectFile = ThermalPaths::projectFilePath(name);
    project.projectName = name;
    project.imageFolder = ThermalPaths::imageFolderPath(name);
    project.appendImage("good.ara", true, 7000, 7600, 0);
    AraGen::FrameParams p;
    p.width = 64;
    p.height = 48;
    AraGen::writeFile(project.imagePath(0), AraGen::araFile(p, AraGen::scene(64, 48, 2)));
}

}  // namespace

class TestTHSafeWrites : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Data::instance(); }

    void fullDisk_data()
    {
        QTest::addColumn<QString>("writer");
        // The other writers are rows of tests/safety; a killed creation leaves
        // a project folder that blocks its name, so it is not one yet.
        for (const char *w : {"project creation, copy"})
            QTest::newRow(w) << QString::fromLatin1(w);
    }
    void fullDisk()
    {
        QFETCH(QString, writer);
        const QString name = QStringLiteral("Full%1").arg(QTest::currentDataTag()).remove(' ').remove(',');
        THData project;
        makeProject(project, name);
        const QString out = KorvelTest::home()->path() + "/full/" + name;
        QDir(out).removeRecursively();
        QVERIFY(QDir().mkpath(out));

        QString folder = out, target;
        QByteArray old("old contents");
        if (writer.startsWith("Export to Image"))
            target = out + "/picture." + (writer.endsWith("window") ? QString("jpg") : writer.right(3));
        else if (writer == "project export, image")
            target = out + "/good.jpg";
        else if (writer == "project export, report")
            target = out + "/report.html";
        else {
            folder = ThermalPaths::thermalFolderPath();
            target = folder + "/Created/thermal_images/good.ara";
            old.clear();
        }
        if (!old.isEmpty())
            QVERIFY(AtomicFile::write(target, old));
        const QStringList before = entries(folder);
        // The report without its image is a hundred bytes.
        const qint64 limit = writer == "project export, report" ? 40 : 100;

        QString message;
        bool ok = true;
        KorvelTest::PromptScript prompts;
        THMain editor(&project);
        editor.openFileIndex(0);
        {
            KorvelTest::DiskLimit disk(limit);
            if (writer == "Export to Image, window") {
                prompts.path(target);
                prompts.button(QMessageBox::Yes);  // overwrite
                editor.exportFile();
                ok = prompts.requests().last().title != QStringLiteral("Export failed");
                message = prompts.requests().last().text;
            } else if (writer.startsWith("Export to Image")) {
                QImage image(64, 48, QImage::Format_RGB32);
                image.fill(Qt::darkRed);
                ok = THImageExport::write(image, AraHeader(), target, &message)
                     != THImageExport::Result::Failed;
            } else if (writer.startsWith("project export")) {
                THThread job(&project);
                if (writer.endsWith("image"))
                    job.exportOnlyImages(out, 0, true);
                else
                    job.createReportWithHTML(out, 0, true, false, true);
                QVERIFY(QTest::qWaitFor([&] { return job.isFinished(); }, 30000));
                ok = job.success && job.failedFiles.isEmpty();
                message = job.errorString + '\n' + job.failedFiles.join('\n');
            } else {
                THThread job(nullptr);
                QVERIFY(job.setProjectName("Created"));
                job.addFile(project.imagePath(0));
                QVERIFY(job.createFlirProject());
                QVERIFY(QTest::qWaitFor([&] { return job.isFinished(); }, 30000));
                ok = job.success;
                message = job.errorString;
            }
        }
        QVERIFY(!ok);
        QString described = AtomicFile::describe(target, full());
        if (writer.endsWith("window"))
            described = described.toHtmlEscaped();
        QVERIFY2(message.contains(described), qPrintable(message));
        if (old.isEmpty())
            QVERIFY(!QFileInfo::exists(target));
        else
            QCOMPARE(bytesOf(target), old);
        QCOMPARE(entries(folder), before);
    }

    // An export to a link replaces the file it names; the link stays.
    void exportThroughALink()
    {
        const QString dir = KorvelTest::home()->path() + "/linked";
        QDir(dir).removeRecursively();
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(AtomicFile::write(dir + "/real.png", QByteArray("old")));
        QVERIFY(QFile::link(dir + "/real.png", dir + "/link.png"));
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QString error;
        QCOMPARE(THImageExport::write(image, AraHeader(), dir + "/link.png", &error),
                 THImageExport::Result::Written);
        QVERIFY(QFileInfo(dir + "/link.png").isSymLink());
        QCOMPARE(QImage(dir + "/real.png").size(), QSize(8, 6));
        QCOMPARE(entries(dir), (QStringList{"link.png", "real.png"}));
    }
};

KORVEL_TEST_MAIN(TestTHSafeWrites)
#include "test_thsafewrites.moc"
