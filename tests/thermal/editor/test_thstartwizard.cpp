#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "core/data.h"
#include "core/listviewmod.h"
#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/editor/thstartwizard.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"
#include "thermal/view/thview.h"

namespace {

AraGen::FrameParams params(quint16 fileMode, quint16 week, quint32 ms)
{
    AraGen::FrameParams p;
    p.width = 32;
    p.height = 24;
    p.fileMode = fileMode;
    p.gpsWeek = week;
    p.gpsTimeOfWeek = ms;
    return p;
}

QString recordings()
{
    const QString dir = KorvelTest::home()->path() + "/recordings";
    if (QDir(dir).exists())
        return dir;
    QDir().mkpath(dir);
    const QVector<quint16> counts = AraGen::scene(32, 24, 1);
    AraGen::writeFile(dir + "/a_photo.ara", AraGen::araFile(params(2, 1900, 302400000), counts));
    AraGen::writeFile(dir + "/b_video.ARA", AraGen::araFile(params(1, 0, 5000), counts));
    AraGen::writeFile(dir + "/c_serie.Raw", AraGen::araFile(params(3, 1900, 0), counts));
    AraGen::writeFile(dir + "/d_odd.ara", AraGen::araFile(params(7, 1900, 60000), counts));
    AraGen::writeFile(dir + "/not_ara.ara", QByteArray(600, 'x'));
    AraGen::writeFile(dir + "/notes.txt", "x");
    return dir;
}

QTreeWidgetItem *row(THStartWizard &w, const QString &file)
{
    for (int i = 0; i < w.fileList()->topLevelItemCount(); ++i)
        if (w.fileList()->topLevelItem(i)->text(0) == file)
            return w.fileList()->topLevelItem(i);
    return nullptr;
}

}  // namespace

class TestTHStartWizard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Data::instance(); }

    void fileRowsShowTimeTypeAndCheck()
    {
        KorvelTest::PromptScript script;
        THData project;
        THStartWizard wizard(&project);
        QCOMPARE(wizard.page(), 0);
        QVERIFY(wizard.backButton()->isHidden());
        // Next without touching the list starts a new project.
        script.path(recordings());
        wizard.nextClicked();
        QCOMPARE(script.requests().first().title, QStringLiteral("Open FLIR image directory..."));
        QCOMPARE(wizard.page(), 1);
        QCOMPARE(wizard.nextButton()->text(), QStringLiteral("Finish"));
        QVERIFY(!wizard.backButton()->isHidden());
        QCOMPARE(wizard.fileList()->topLevelItemCount(), 4);
        const struct { const char *file, *time, *type; bool checked; } rows[] = {
            {"a_photo.ara", "2016-06-08  12:00", "Photo", true},
            {"b_video.ARA", "No GPS Data", "Video", false},
            {"c_serie.Raw", "No GPS Data", "Serie", false},
            {"d_odd.ara", "2016-06-05  00:01", "Unknown", false},
        };
        for (const auto &r : rows) {
            QTreeWidgetItem *item = row(wizard, r.file);
            QVERIFY2(item, r.file);
            QCOMPARE(item->text(1), QString::fromLatin1(r.time));
            QCOMPARE(item->text(2), QString::fromLatin1(r.type));
            QCOMPARE(item->checkState(0) == Qt::Checked, r.checked);
            QCOMPARE(item->data(0, Qt::UserRole).toString(), recordings() + "/" + r.file);
        }
        row(wizard, "d_odd.ara")->setCheckState(0, Qt::Checked);
        wizard.selectOnlyPhotos();  // never unchecks
        QCOMPARE(row(wizard, "d_odd.ara")->checkState(0), Qt::Checked);
        wizard.deselectAll();
        QCOMPARE(row(wizard, "a_photo.ara")->checkState(0), Qt::Unchecked);
        wizard.selectAll();
        QCOMPARE(row(wizard, "b_video.ARA")->checkState(0), Qt::Checked);
        // Moving the current row previews that recording.
        wizard.fileList()->setCurrentItem(row(wizard, "c_serie.Raw"));
        QCOMPARE(wizard.preview()->imageWidth(), 32);
        QVERIFY(wizard.preview()->isPreview());

        wizard.backClicked();
        QCOMPARE(wizard.page(), 0);
        QCOMPARE(wizard.nextButton()->text(), QStringLiteral("Next"));
        // A folder without recordings stays on the start page.
        script.path(KorvelTest::home()->path());
        wizard.nextClicked();
        QCOMPARE(wizard.page(), 0);
        QCOMPARE(script.requests().last().title, QStringLiteral("No data available"));
    }

    void nameRule()
    {
        THData project;
        THStartWizard wizard(&project);
        const QValidator *v = wizard.nameEdit()->validator();
        const struct { const char *text; bool ok; } cases[] = {
            {"a", false}, {"ab", true}, {"Roof 12", true}, {" ab", false}, {"a-b", false},
        };
        for (const auto &c : cases) {
            QString text = QString::fromLatin1(c.text);
            int pos = 0;
            QCOMPARE(v->validate(text, pos) == QValidator::Acceptable, c.ok);
        }
        QString longest(100, QLatin1Char('x')), tooLong(101, QLatin1Char('x'));
        int pos = 0;
        QCOMPARE(v->validate(longest, pos), QValidator::Acceptable);
        QVERIFY(v->validate(tooLong, pos) != QValidator::Acceptable);
    }

    void finishCreatesOrRefuses()
    {
        KorvelTest::PromptScript script;
        THData project;
        THStartWizard wizard(&project);
        script.path(recordings());
        wizard.nextClicked();
        wizard.nextClicked();  // no name
        QCOMPARE(script.requests().last().title, QStringLiteral("No project name given"));
        wizard.nameEdit()->setText("Wizard made");
        wizard.deselectAll();
        wizard.nextClicked();  // nothing checked: nothing starts
        QCOMPARE(script.requests().last().text, QStringLiteral("Please select at least one file."));
        QVERIFY(!QFileInfo::exists(ThermalPaths::thermalFolderPath() + "/Wizard made"));
        QVERIFY(wizard.getProjectName().isEmpty());
        wizard.selectOnlyPhotos();
        wizard.nextClicked();
        QCOMPARE(wizard.getProjectName(), QStringLiteral("Wizard made"));
        THData made;
        QCOMPARE(made.openProject("Wizard made"), 100);
        QCOMPARE(made.imageFileNames, QStringList({"a_photo.ara"}));

        THStartWizard again(&project);
        script.path(recordings());
        again.nextClicked();
        again.nameEdit()->setText("Wizard made");
        again.nextClicked();
        QCOMPARE(script.requests().last().title, QStringLiteral("Project already exists"));
        QVERIFY(again.getProjectName().isEmpty());
    }

    void loadPageListsEachProjectOnce()
    {
        KorvelTest::PromptScript script;
        // A project folder with a damaged file is left out.
        QDir().mkpath(ThermalPaths::thermalFolderPath() + "/Damaged");
        AraGen::writeFile(ThermalPaths::projectFilePath("Damaged"), "garbage");
        THData made;
        QDir().mkpath(ThermalPaths::imageFolderPath("Listed"));
        made.projectFile = ThermalPaths::projectFilePath("Listed");
        made.appendImage("x.ara", true, 0, 0, 0);
        made.appendImage("y.ara", true, 0, 0, 0);
        QVERIFY(made.saveCurrentProject());

        THData project;
        THStartWizard wizard(&project);
        wizard.choiceList()->setCurrentIndex(wizard.choiceList()->model()->index(1, 0));
        wizard.chooseNaviChanged();
        QVERIFY(wizard.descriptionLabel()->text().startsWith("Open a thermal project"));
        wizard.nextClicked();
        QCOMPARE(wizard.page(), 2);
        wizard.backClicked();
        wizard.nextClicked();
        QStringList names;
        for (int i = 0; i < wizard.projectList()->topLevelItemCount(); ++i)
            names << wizard.projectList()->topLevelItem(i)->text(0);
        QCOMPARE(names.count("Listed"), 1);
        QVERIFY(!names.contains("Damaged"));
        QTreeWidgetItem *listed = wizard.projectList()->findItems("Listed", Qt::MatchExactly).first();
        QCOMPARE(listed->text(2), QStringLiteral("2"));
        QCOMPARE(listed->text(3), QStringLiteral("2"));

        wizard.nextClicked();  // nothing selected
        QCOMPARE(script.requests().last().title, QStringLiteral("No log selected"));
        listed->setSelected(true);
        wizard.nextClicked();
        QCOMPARE(wizard.getProjectName(), QStringLiteral("Listed"));
    }
};

KORVEL_TEST_MAIN(TestTHStartWizard)
#include "test_thstartwizard.moc"
