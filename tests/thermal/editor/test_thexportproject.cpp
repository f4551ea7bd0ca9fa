#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "core/data.h"
#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/editor/thexportproject.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"

class TestTHExportProject : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Data::instance(); }

    void optionsDependOnEachOther()
    {
        THData project;
        THExportProject dialog(&project);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Export images..."));
        QVERIFY(!dialog.saveButton()->isEnabled());
        QVERIFY(dialog.reportBox()->isChecked() && dialog.pinTableBox()->isChecked());
        QVERIFY(!dialog.imageNameBox()->isChecked() && !dialog.onlyImageDataBox()->isChecked());
        QCOMPARE(dialog.formatBox()->count(), 2);
        // (report, image data only) -> (pin table enabled, image name enabled)
        const struct { bool report, imageData, pins, names; } cases[] = {
            {true, true, false, true}, {false, true, false, false},
            {false, false, false, false}, {true, false, true, true},
        };
        for (const auto &c : cases) {
            dialog.reportBox()->setChecked(c.report);
            dialog.onlyImageDataBox()->setChecked(c.imageData);
            QCOMPARE(dialog.pinTableBox()->isEnabled(), c.pins);
            QCOMPARE(dialog.imageNameBox()->isEnabled(), c.names);
        }
        QVERIFY(dialog.pinTableBox()->isChecked());  // disabling keeps the check
    }

    void browseThenSaveExportsAndReports()
    {
        KorvelTest::PromptScript script;
        QDir().mkpath(ThermalPaths::imageFolderPath("P"));
        THData project;
        project.imageFolder = ThermalPaths::imageFolderPath("P");
        project.appendImage("a.ara", true, 7000, 7600, 2);
        project.appendImage("broken.ara", true, 7000, 7600, 2);
        AraGen::FrameParams p;
        p.width = 16;
        p.height = 8;
        AraGen::writeFile(project.imagePath(0), AraGen::araFile(p, AraGen::scene(16, 8, 1)));
        AraGen::writeFile(project.imagePath(1), "not an image");

        THExportProject dialog(&project);
        const QString target = KorvelTest::home()->path() + "/export/here";
        QDir().mkpath(target);
        script.cancel();
        dialog.browseInFolderClicked();
        QVERIFY(dialog.folderEdit()->text().isEmpty());
        QVERIFY(!dialog.saveButton()->isEnabled());
        script.path(target);
        dialog.browseInFolderClicked();
        QCOMPARE(script.requests().last().title, QStringLiteral("Set export directory..."));
        QCOMPARE(dialog.folderEdit()->text(), target);
        QVERIFY(dialog.saveButton()->isEnabled());
        QCOMPARE(Data::instance()->settings()->value("Last Thermal Editor Export Path").toString(),
                 KorvelTest::home()->path() + "/export");

        dialog.saveButton()->click();
        QVERIFY(QFile::exists(target + "/a.jpg"));
        QVERIFY(QFile::exists(target + "/report.html"));
        // The unreadable copy is named, not silently exported.
        QCOMPARE(script.requests().last().title, QStringLiteral("Project exported"));
        QVERIFY(script.requests().last().text.contains("broken.ara"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void exportWithoutImagesIsAnError()
    {
        KorvelTest::PromptScript script;
        THData empty;
        THExportProject dialog(&empty);
        script.path(KorvelTest::home()->path());
        dialog.browseInFolderClicked();
        dialog.saveButton()->click();
        QCOMPARE(script.requests().last().title, QStringLiteral("Export failed"));
        QVERIFY(!script.requests().last().text.contains("You project has been exported."));
    }
};

KORVEL_TEST_MAIN(TestTHExportProject)
#include "test_thexportproject.moc"
