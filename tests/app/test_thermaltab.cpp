#include <QAction>
#include <QDir>
#include <QDialog>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <cerrno>
#include <cstring>

#include "app/mainwindow.h"
#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "support/aragen.h"
#include "support/testkit.h"
#include "thermal/editor/dbthermal.h"
#include "thermal/editor/thmain.h"
#include "thermal/editor/thstartwizard.h"
#include "thermal/project/thdata.h"
#include "thermal/project/thermalpaths.h"

namespace {

void saveProject(const QString &name)
{
    QDir().mkpath(ThermalPaths::imageFolderPath(name));
    THData project;
    project.projectFile = ThermalPaths::projectFilePath(name);
    project.imageFolder = ThermalPaths::imageFolderPath(name);
    project.appendImage("a.ara", true, 7000, 7600, 2);
    AraGen::FrameParams p;
    p.width = 16;
    p.height = 12;
    AraGen::writeFile(project.imagePath(0), AraGen::araFile(p, AraGen::scene(16, 12, 1)));
    QVERIFY(project.saveCurrentProject());
}

void open(MainWindow &w, const QString &name)
{
    QMetaObject::invokeMethod(&w, "openThermalProject", Q_ARG(QString, name));
}

}  // namespace

class TestThermalTab : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Data::instance(); }

    void windowMenuRunsTheWizard()
    {
        MainWindow w;
        const int tabs = w.tabs()->count();
        bool sawWizard = false;
        KorvelTest::whenModal([&](QWidget *modal) {
            sawWizard = qobject_cast<THStartWizard *>(modal) != nullptr;
            static_cast<THStartWizard *>(modal)->cancelClicked();
        });
        w.action("Thermal Editor")->trigger();
        QVERIFY(sawWizard);
        QCOMPARE(w.tabs()->count(), tabs);
    }

    void projectsOpenAsTabsAndSave()
    {
        saveProject("Tab project");
        MainWindow w;
        KorvelTest::PromptScript script;
        open(w, "Tab project");
        auto *editor = qobject_cast<THMain *>(w.findWindow(OpenKind::Thermal, "Tab project"));
        QVERIFY(editor);
        QCOMPARE(w.tabs()->currentWidget(), editor);
        QVERIFY(Data::instance()->isOpen(OpenKind::Thermal, "Tab project"));
        QCOMPARE(Data::instance()->recentType(0), OpenKind::Thermal);
        const int tabs = w.tabs()->count();
        open(w, "Tab project");  // already open: the same tab
        QCOMPARE(w.tabs()->count(), tabs);

        emit editor->dataChanged();
        const int index = w.tabs()->indexOf(editor);
        QVERIFY(w.tabs()->tabText(index).endsWith('*'));
        w.action("Save Project")->trigger();
        QVERIFY(!w.tabs()->tabText(index).endsWith('*'));
        QVERIFY(script.requests().isEmpty());

        // A save that fails keeps the mark and says why.
        emit editor->dataChanged();
        const QString file = ThermalPaths::projectFilePath("Tab project");
        QFile::remove(file);
        QDir().mkpath(file);  // a folder where the file should go
        w.action("Save Project")->trigger();
        QVERIFY(w.tabs()->tabText(index).endsWith('*'));
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().text,
                 AtomicFile::describe(file, QString::fromLocal8Bit(strerror(EISDIR))));
        QDir(file).removeRecursively();

        // Closing asks, and Save saves.
        script.button(QMessageBox::Save);
        emit w.tabs()->tabCloseRequested(index);
        QVERIFY(QFile::exists(file));
        QVERIFY(!w.findWindow(OpenKind::Thermal, "Tab project"));
        QTRY_VERIFY_WITH_TIMEOUT(!Data::instance()->isOpen(OpenKind::Thermal, "Tab project"), KorvelTest::kWaitMs);
    }

    void databasePageOpensTheProject()
    {
        saveProject("From database");
        MainWindow w;
        KorvelTest::PromptScript script;
        w.action("Database")->trigger();
        ToolWindow *db = w.findWindow(OpenKind::Database);
        QVERIFY(db);
        auto *tree = db->findChild<QTreeWidget *>();
        const auto found = tree->findItems("From database", Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        tree->setCurrentItem(found.first());
        auto *page = db->findChild<DBThermal *>();
        QVERIFY(page);
        QCOMPARE(db->findChild<QStackedWidget *>()->currentWidget(), page);
        QCOMPARE(page->value(0), QString("From database"));
        QToolButton *openButton = nullptr;
        for (QToolButton *b : page->findChildren<QToolButton *>())
            if (b->text() == "Open project")
                openButton = b;
        QVERIFY(openButton);
        openButton->click();
        auto *editor = w.findWindow(OpenKind::Thermal, "From database");
        QVERIFY(editor);
        QCOMPARE(w.tabs()->currentWidget(), editor);
    }

    void unreadableProjectsOpenNothing()
    {
        QDir().mkpath(ThermalPaths::thermalFolderPath() + "/Broken tab");
        AraGen::writeFile(ThermalPaths::projectFilePath("Broken tab"), "not a project");
        MainWindow w;
        KorvelTest::PromptScript script;
        const int tabs = w.tabs()->count();
        open(w, "Broken tab");
        QCOMPARE(w.tabs()->count(), tabs);
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().title, QStringLiteral("Can't open thermal project"));
    }
};

KORVEL_TEST_MAIN(TestThermalTab)
#include "test_thermaltab.moc"
