#include <QAction>
#include <QDir>
#include <QDoubleSpinBox>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include "core/data.h"
#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/editor/thbottom.h"
#include "thermal/editor/thmain.h"
#include "thermal/editor/thright.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"
#include "thermal/view/thermalpoint.h"
#include "thermal/view/thermalrectangle.h"
#include "thermal/view/thhistogramm.h"
#include "thermal/view/thscale.h"
#include "thermal/view/thscaleall.h"
#include "thermal/view/thview.h"

namespace {

// A saved project "name" of two 64 x 48 images: the first with two points
// and a rectangle, the second a damaged copy.
void makeProject(THData &project, const QString &name)
{
    QDir().mkpath(ThermalPaths::imageFolderPath(name));
    project.projectFile = ThermalPaths::projectFilePath(name);
    project.projectName = name;
    project.imageFolder = ThermalPaths::imageFolderPath(name);
    project.appendImage("good.ara", true, 7000, 7600, 0);
    project.appendImage("bad.ara", true, 0, 0, 0);
    AraGen::FrameParams p;
    p.width = 64;
    p.height = 48;
    p.gpsWeek = 0;
    p.gpsTimeOfWeek = 0;
    AraGen::writeFile(project.imagePath(0), AraGen::araFile(p, AraGen::scene(64, 48, 2)));
    AraGen::writeFile(project.imagePath(1), "Ss and nothing else");
    project.pointLists[0]->append(QPointF(10, 10), 1, 7100, 0);
    project.pointLists[0]->append(QPointF(40, 30), 3, 7200, 2);
    project.rectLists[0]->append(new QRectF(QPointF(5, 5), QPointF(30, 25)));
}

}  // namespace

class TestTHMain : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Data::instance(); }

    void openingImagesFillsEveryPanel()
    {
        THData project;
        makeProject(project, "Editor");
        THMain editor(&project);
        QCOMPARE(editor.kind(), OpenKind::Thermal);
        QCOMPARE(editor.projectName(), QStringLiteral("Editor"));
        for (QAction *a : editor.toolActions())
            QVERIFY(!a->isEnabled());
        QVERIFY(!editor.scaleButton()->isEnabled());

        editor.bottomPanel()->list()->setCurrentItem(editor.bottomPanel()->list()->topLevelItem(0));
        QCOMPARE(project.currentIndex, 0);
        for (QAction *a : editor.toolActions())
            QVERIFY(a->isEnabled() || !a->isVisible());  // circle and line stay hidden
        QVERIFY(editor.toolActions().at(2)->isEnabled());
        QVERIFY(editor.scaleBar()->isEnabled());
        QCOMPARE(editor.view()->imageWidth(), 64);
        QCOMPARE(editor.view()->scaleMin(), 7000);
        QCOMPARE(editor.view()->points().size(), 2);
        QCOMPARE(editor.view()->rectangles().size(), 1);
        QCOMPARE(editor.sidePanel()->idBoxes().size(), 2);
        QCOMPARE(editor.sidePanel()->areasTable()->topLevelItemCount(), 1);
        QCOMPARE(editor.sidePanel()->histogram()->minimum(), 7000);
        QCOMPARE(project.measurementType[0], 2);  // set from the header on opening
        QCOMPARE(project.currentImageSize, QSize(64, 48));
        QCOMPARE(editor.scaleBar()->rangeLow(), -10.0);
        QCOMPARE(editor.scaleBar()->scaleMin(), 7000.0);
        QVERIFY(!editor.isModified());

        editor.openFileIndex(1);  // damaged: no image, tools off, panels refreshed
        QVERIFY(editor.view()->isNoImage());
        QVERIFY(!editor.toolActions().first()->isEnabled());
        QCOMPARE(project.currentIndex, 1);
        QCOMPARE(editor.sidePanel()->idBoxes().size(), 0);
        QCOMPARE(editor.sidePanel()->areasTable()->topLevelItemCount(), 0);
    }

    void toolsReachTheProject()
    {
        THData project;
        makeProject(project, "Tools");
        THMain editor(&project);
        editor.resize(1000, 700);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.openFileIndex(0);
        editor.rectangleMode();
        QCOMPARE(editor.view()->mode(), 2);
        QVERIFY(editor.toolActions().at(2)->isChecked());
        QVERIFY(!editor.toolActions().at(0)->isChecked());
        // A drawn rectangle: statistics, two pins, project and panels.
        editor.newRectAngle(QPointF(20, 20), QPointF(50, 40));
        QCOMPARE(project.rectLists[0]->size(), 2);
        QCOMPARE(project.pointLists[0]->size(), 4);
        QCOMPARE(editor.sidePanel()->areasTable()->topLevelItemCount(), 2);
        QCOMPARE(editor.view()->rectangles().last()->id(), 2);
        QVERIFY(editor.isModified());
        editor.deleteRect(1);
        QCOMPARE(project.rectLists[0]->size(), 1);
        QCOMPARE(editor.view()->rectangles().first()->id(), 1);
        QCOMPARE(editor.sidePanel()->areasTable()->topLevelItem(0)->text(0), QStringLiteral("1"));
        // Renumbering in the panel reaches project and view.
        QSpinBox *box = editor.sidePanel()->idBoxes().at(0);
        box->setValue(3);
        emit box->editingFinished();
        // Points 1, 3 and the rectangle's pins 2, 4: the former 3 becomes 5.
        QCOMPARE(project.pointLists[0]->ids, QList<int>({3, 5, 2, 4}));
        QCOMPARE(editor.view()->points().at(0)->id(), 3);
        QCOMPARE(editor.view()->points().at(1)->id(), 5);
        // Saving drops the mark.
        QString error;
        QVERIFY(editor.save(&error));
        QVERIFY(!editor.isModified());
        THData back;
        QCOMPARE(back.openProject("Tools"), 100);
        QCOMPARE(back.rectLists[0]->size(), 1);
    }

    void scaleModes()
    {
        KorvelTest::PromptScript script;
        THData project;
        makeProject(project, "Scales");
        THMain editor(&project);
        editor.openFileIndex(0);
        const QPoint mm = editor.view()->getImageMinMax();
        // Display limits inside the image range: deep asks nothing.
        editor.view()->setScaleMinMax(mm.x() + 10, mm.y() - 10);
        editor.deepScale();
        QCOMPARE(script.requests().size(), 0);
        QCOMPARE(editor.scaleButton()->text(), QStringLiteral("Deep Scale"));
        QCOMPARE(editor.scaleBar()->rangeLow(), double(mm.x() - 10));
        // Outside: the question; No keeps the range and shows "Full Scale".
        editor.fullScale();
        editor.view()->setScaleMinMax(mm.x() - 100, mm.y());
        script.button(QMessageBox::No);
        editor.deepScale();
        QCOMPARE(script.requests().last().title, QStringLiteral("Current setting out or range"));
        QCOMPARE(editor.scaleButton()->text(), QStringLiteral("Full Scale"));
        QCOMPARE(editor.scaleBar()->rangeLow(), -10.0);
        script.button(QMessageBox::Yes);
        editor.deepScale();
        QCOMPARE(editor.view()->scaleMin(), mm.x());  // autoscaled first
        QCOMPARE(editor.scaleBar()->rangeHigh(), double(mm.y() + 10));

        editor.view()->setScaleMinMax(1, 2);
        editor.autoScale();
        QCOMPARE(QPoint(editor.view()->scaleMin(), editor.view()->scaleMax()), mm);
        QCOMPARE(project.scaleMin[0], mm.x());

        KorvelTest::whenModal([](QWidget *w) {
            auto *dialog = qobject_cast<THScaleAll *>(w);
            QVERIFY(dialog);
            // The image is high resolution: the temperature page.
            dialog->findChild<QDoubleSpinBox *>("minTemperature")->setValue(25);
            dialog->findChild<QDoubleSpinBox *>("maxTemperature")->setValue(20);
            dialog->okclicked();
        });
        editor.enterScale();
        QCOMPARE(editor.view()->scaleMin(), 7328);
        QCOMPARE(editor.scaleBar()->scaleMax(), 7453.0);

        script.button(QMessageBox::No);
        editor.allScale();
        QCOMPARE(project.scaleMin[1], 0);
        script.button(QMessageBox::Yes);
        editor.allScale();
        QCOMPARE(script.requests().last().title, QStringLiteral("Confirm operation"));
        QCOMPARE(project.scaleMin[1], 7328);
        QCOMPARE(project.scaleMax[1], 7453);
    }

    void singleExportNamesAndTags_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("tags");
        QTest::newRow("ppm without extension") << "a" << "PPM - Portable Pixmap (*.ppm)" << "a.ppm" << false;
        QTest::newRow("ppm kept") << "b.ppm" << "PPM - Portable Pixmap (*.ppm)" << "b.ppm" << false;
        QTest::newRow("upper-case JPG") << "c.JPG" << "JPG - JPEG File Interchange Format (*.jpg)" << "c.JPG" << true;
        QTest::newRow("jpeg gets jpg") << "d.jpeg" << "JPG - JPEG File Interchange Format (*.jpg)" << "d.jpeg.jpg" << true;
        QTest::newRow("tif") << "e" << "TIF - Tagged Image File Format (*.tif)" << "e.tif" << true;
        QTest::newRow("png") << "f" << "PNG - Portable Network Graphics (*.png)" << "f.png" << false;
    }
    void singleExportNamesAndTags()
    {
        QFETCH(QString, typed);
        QFETCH(QString, filter);
        QFETCH(QString, written);
        QFETCH(bool, tags);
        THData project;
        makeProject(project, "Single" + written);
        THMain editor(&project);
        editor.openFileIndex(0);
        const QString dir = KorvelTest::home()->path() + "/single";
        QDir().mkpath(dir);
        KorvelTest::PromptScript script;
        Prompt::Request asked;
        script.handler([&](const Prompt::Request &rq) -> Prompt::Answer {
            asked = rq;
            Prompt::Answer a;
            a.paths << dir + "/" + typed;
            a.selectedFilter = filter;
            return a;
        });
        editor.exportFile();
        QCOMPARE(asked.title, QStringLiteral("Export to Image"));
        QVERIFY(asked.filter.startsWith("JPG - JPEG File Interchange Format (*.jpg);;PNG"));
        QVERIFY(asked.options & QFileDialog::DontConfirmOverwrite);
        const QString path = dir + "/" + written;
        QVERIFY(QFile::exists(path));
        QCOMPARE(QImage(path).size(), QSize(64, 48));
        QCOMPARE(Data::instance()->settings()->value("Last Thermal Editor Export Path").toString(), dir);
        if (!QStandardPaths::findExecutable("exiftool").isEmpty()) {
            QProcess tool;
            tool.start(QStandardPaths::findExecutable("exiftool"), {"-j", "-n", "-Make", "-ModifyDate", path});
            tool.waitForFinished(30000);
            const QJsonObject o = QJsonDocument::fromJson(tool.readAllStandardOutput()).array().at(0).toObject();
            QCOMPARE(o.value("Make").toString() == QLatin1String("FLIR"), tags);
            if (tags)
                QCOMPARE(o.value("ModifyDate").toString(), QStringLiteral("1980:01:06 00:00:00"));
        }
        // Existing file: No keeps it, Yes overwrites.
        QFile::resize(path, 10);
        script.handler([&](const Prompt::Request &) -> Prompt::Answer {
            Prompt::Answer a;
            a.paths << dir + "/" + typed;
            a.selectedFilter = filter;
            return a;
        });
        script.button(QMessageBox::No);
        editor.exportFile();
        QCOMPARE(script.requests().last().text, QStringLiteral("File already exists."));
        QCOMPARE(QFileInfo(path).size(), 10);
        QFile::remove(path);
    }

    void failedSingleExportIsReported()
    {
        THData project;
        makeProject(project, "Unwritable");
        THMain editor(&project);
        editor.openFileIndex(0);
        KorvelTest::PromptScript script;
        const QString target = KorvelTest::home()->path() + "/no/such/folder/x.jpg";
        script.path(target);
        editor.exportFile();
        QCOMPARE(script.requests().last().title, QStringLiteral("Export failed"));
        // The file and the system's reason follow the message.
        QCOMPARE(script.requests().last().text,
                 QStringLiteral("The image could not be saved to %1.<br><br>%1: %2")
                     .arg(target, QString::fromLocal8Bit(strerror(ENOENT))));
        script.cancel();
        editor.exportFile();  // cancelled: nothing more
        QCOMPARE(script.requests().size(), 3);
    }

    void filterFollowsTheWriter()
    {
        const QString filter = THMain::exportFilter();
        QVERIFY(filter.startsWith("JPG - JPEG File Interchange Format (*.jpg)"));
        QCOMPARE(filter.contains("PNG - Portable Network Graphics (*.png)"),
                 QImageWriter::supportedImageFormats().contains("png"));
        QVERIFY(!filter.contains("EPS"));  // no writer for it here
        QCOMPARE(THMain::extensionForFilter("TGA - Targa Image File (*.tga)"), QStringLiteral(".tga"));
        QCOMPARE(THMain::extensionForFilter("xpm"), QStringLiteral(".xpm"));
        QVERIFY(THMain::extensionForFilter("GIF").isEmpty());
    }
};

KORVEL_TEST_MAIN(TestTHMain)
#include "test_thmain.moc"
