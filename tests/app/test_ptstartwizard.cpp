// The photo-tagger start wizard on a workspace of generated logs, and the
// main window's Photo Tagger entry that runs it and the creation job.
#include "app/mainwindow.h"
#include "core/toolwindow.h"
#include <QTabWidget>
#include "app/ptstartwizard.h"
#include "core/data.h"
#include "harleklog/harlekdemo.h"
#include "phototagger/creation/ptsteps.h"
#include "phototagger/ptprojectfile.h"
#include "support/testkit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QtTest>

using KorvelTest::PromptScript;

namespace {

constexpr qint64 kDay = 86400000;
const qint64 kFirst = 1750000000000LL;

QString sd() { return Data::instance()->harlekSDPath(); }

QPushButton *button(QWidget *w, const QString &text)
{
    for (QPushButton *b : w->findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}
int page(PTStartWizard &w) { return w.findChild<QStackedWidget *>()->currentIndex(); }
QTreeWidget *logTree(PTStartWizard &w) { return w.findChild<QTreeWidget *>("logTree"); }
QTreeWidget *projectTree(PTStartWizard &w) { return w.findChild<QTreeWidget *>("projectTree"); }
QCheckBox *addImages(PTStartWizard &w) { return w.findChild<QCheckBox *>(); }
QTreeWidgetItem *logItem(PTStartWizard &w, const QString &name)
{
    const auto found = logTree(w)->findItems(name, Qt::MatchExactly, 0);
    return found.isEmpty() ? nullptr : found.first();
}

}  // namespace

class TestPTStartWizard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void startPage();
    void logsNewestFirstAndMarkedCaseInsensitively();
    void newProjectFromLogAlone();
    void existingProjectQuestion();
    void imagePathAndBrowse();
    void setProjectSelects();
    void openProjectPage();
    void mainWindowRunsWizardAndJob();
    void cutShortLogListedAndTagged();
};

void TestPTStartWizard::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    const harleklog::DemoSite site;
    QVERIFY(harleklog::writeLog((sd() + "/logs/Flight_01").toStdString(), harleklog::surveyFlight(kFirst, site)));
    QVERIFY(harleklog::writeLog((sd() + "/logs/Flight_02").toStdString(),
                                harleklog::surveyFlight(kFirst + 2 * kDay, site, 3)));
    QVERIFY(harleklog::writeLog((sd() + "/logs/Hop").toStdString(), harleklog::shortHop(kFirst + kDay, site)));
    QVERIFY(QDir().mkpath(sd() + "/logs/not a log"));  // the reader throws: left out
}

void TestPTStartWizard::startPage()
{
    PTStartWizard w;
    QCOMPARE(w.windowTitle(), QStringLiteral("Korvel Photo Tagger Wizard"));
    QCOMPARE(w.size(), QSize(800, 400));
    QCOMPARE(page(w), 0);
    QVERIFY(button(&w, "Back")->isHidden());
    QVERIFY(button(&w, "Next"));
    QVERIFY(w.findChild<QLabel *>() != nullptr);
    bool newText = false;
    for (QLabel *l : w.findChildren<QLabel *>())
        newText = newText || l->text().startsWith("<p>Create a new photo tagger project</p>");
    QVERIFY(newText);
    QCOMPARE(w.getResult(), 0);

    // No project folder yet: "Open Project" warns and stays.
    PromptScript script;
    auto *list = w.findChild<QListView *>();
    list->setCurrentIndex(list->model()->index(1, 0));
    button(&w, "Next")->click();
    QCOMPARE(page(w), 0);
    QCOMPARE(script.requests().size(), 1);
    QCOMPARE(script.requests().first().title, QStringLiteral("No projects available"));
    QCOMPARE(script.requests().first().text,
             QStringLiteral("There are no projects to load. Please create a project before loading."));
    QCOMPARE(script.requests().first().iconPath, QStringLiteral(":/icons/80/warning"));

    // "Cancel" leaves nothing chosen.
    button(&w, "Cancel")->click();
    QCOMPARE(w.getResult(), 0);
}

void TestPTStartWizard::logsNewestFirstAndMarkedCaseInsensitively()
{
    QVERIFY(QDir().mkpath(sd() + "/phototagger/flight_01"));
    PTStartWizard w;
    QTreeWidget *tree = logTree(w);
    QCOMPARE(tree->topLevelItemCount(), 3);
    QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Flight_02"));
    QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("Hop"));
    QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("Flight_01"));
    QCOMPARE(logItem(w, "Flight_01")->text(2), QStringLiteral("Photo Tagger project already exists"));
    QCOMPARE(logItem(w, "Flight_01")->foreground(1).color(), QColor(Qt::darkGreen));
    QCOMPARE(logItem(w, "Flight_02")->text(2), QString());

    // A log with a project: no images, no format.
    button(&w, "Next")->click();
    tree->setCurrentItem(logItem(w, "Flight_01"));
    QVERIFY(!addImages(w)->isEnabled());
    QVERIFY(!w.findChild<QComboBox *>()->isEnabled());
    tree->setCurrentItem(logItem(w, "Flight_02"));
    QVERIFY(addImages(w)->isEnabled());
    QVERIFY(w.findChild<QComboBox *>()->isEnabled());
}

void TestPTStartWizard::newProjectFromLogAlone()
{
    PTStartWizard w;
    PromptScript script;
    button(&w, "Next")->click();
    QCOMPARE(page(w), 1);
    QVERIFY(!button(&w, "Back")->isHidden());
    QVERIFY(button(&w, "Finish"));
    button(&w, "Finish")->click();  // nothing selected
    QCOMPARE(script.texts(), QStringList{"Please select a logfile"});
    QCOMPARE(script.requests().first().title, QStringLiteral("No log selected"));

    logTree(w)->setCurrentItem(logItem(w, "Hop"));
    w.findChild<QComboBox *>()->setCurrentIndex(1);
    button(&w, "Finish")->click();
    QCOMPARE(w.getResult(), 1);
    QCOMPARE(w.getProjectName(), QStringLiteral("Hop"));
    QCOMPARE(w.getPath(), QString());
    QCOMPARE(w.getImageType(), 1);

    PTStartWizard back;
    button(&back, "Next")->click();
    button(&back, "Back")->click();
    QCOMPARE(page(back), 0);
    QVERIFY(button(&back, "Back")->isHidden());
    QVERIFY(button(&back, "Next"));
}

void TestPTStartWizard::existingProjectQuestion()
{
    PTStartWizard w;
    PromptScript script;
    script.button(QMessageBox::No).button(QMessageBox::Yes);
    button(&w, "Next")->click();
    logTree(w)->setCurrentItem(logItem(w, "Flight_01"));
    button(&w, "Finish")->click();
    QCOMPARE(page(w), 1);
    QCOMPARE(w.getResult(), 0);
    button(&w, "Finish")->click();
    QCOMPARE(script.requests().size(), 2);
    const Prompt::Request &rq = script.requests().first();
    QCOMPARE(rq.title, QStringLiteral("Project already exists"));
    QCOMPARE(rq.text, QStringLiteral("The Photo Tagger project already exists. Do you want to open it?"));
    QCOMPARE(rq.defaultButton, QMessageBox::Yes);
    QCOMPARE(w.getResult(), 2);
    QCOMPARE(w.getProjectName(), QStringLiteral("Flight_01"));
    QCOMPARE(w.getPath(), sd() + QDir::separator() + "phototagger" + QDir::separator() + "Flight_01"
                              + QDir::separator() + "Flight_01.zpt");
}

void TestPTStartWizard::imagePathAndBrowse()
{
    PTStartWizard w;
    PromptScript script;
    button(&w, "Next")->click();
    logTree(w)->setCurrentItem(logItem(w, "Flight_02"));
    auto *edit = w.findChild<QLineEdit *>();
    auto *browse = button(&w, "Browse...");
    QVERIFY(!edit->isEnabled() && !browse->isEnabled());
    addImages(w)->setChecked(true);
    QVERIFY(edit->isEnabled() && browse->isEnabled());

    const QString card = sd() + "/../cards/day1";
    QVERIFY(QDir().mkpath(card));
    script.path(card).cancel();
    browse->click();
    QCOMPARE(edit->text(), card);
    QCOMPARE(QSettings().value("Last Photo Tagger Import Path").toString(), QFileInfo(card).absolutePath());
    browse->click();  // cancelled: the field empties
    QCOMPARE(edit->text(), QString());
    QCOMPARE(QSettings().value("Last Photo Tagger Import Path").toString(), QString());
    QCOMPARE(script.requests().at(1).directory, QFileInfo(card).absolutePath());  // where the last one was

    button(&w, "Finish")->click();
    QCOMPARE(script.requests().at(2).title, QStringLiteral("No path for reading images"));
    QCOMPARE(w.getResult(), 0);
    script.path(card);
    browse->click();
    button(&w, "Finish")->click();
    QCOMPARE(w.getResult(), 1);
    QCOMPARE(w.getPath(), card);
    QCOMPARE(w.getProjectName(), QStringLiteral("Flight_02"));
    QCOMPARE(w.getImageType(), 0);
}

void TestPTStartWizard::setProjectSelects()
{
    PTStartWizard w;
    w.setProject("Flight_02");
    QCOMPARE(page(w), 1);
    QVERIFY(button(&w, "Finish"));
    QCOMPARE(logTree(w)->currentItem(), logItem(w, "Flight_02"));

    PTStartWizard none;
    PromptScript script;
    none.setProject("flight_02");  // exact names only
    QVERIFY(logTree(none)->selectedItems().isEmpty());
    button(&none, "Finish")->click();
    QCOMPARE(script.texts(), QStringList{"Please select a logfile"});
}

void TestPTStartWizard::openProjectPage()
{
    PTStartWizard w;
    PromptScript script;
    QCOMPARE(w.projectCount(), 1);
    auto *list = w.findChild<QListView *>();
    list->setCurrentIndex(list->model()->index(1, 0));
    button(&w, "Next")->click();
    QCOMPARE(page(w), 2);
    button(&w, "Finish")->click();
    QCOMPARE(script.texts(), QStringList{"Please select a project"});
    QCOMPARE(script.requests().first().title, QStringLiteral("No project selected"));
    projectTree(w)->setCurrentItem(projectTree(w)->topLevelItem(0));
    button(&w, "Finish")->click();
    QCOMPARE(w.getResult(), 2);
    QCOMPARE(w.getProjectName(), QStringLiteral("flight_01"));
    QCOMPARE(w.getPath(), QFileInfo(sd() + "/phototagger/flight_01").absoluteFilePath() + QDir::separator()
                              + "flight_01.zpt");
}

void TestPTStartWizard::mainWindowRunsWizardAndJob()
{
    MainWindow w;
    PromptScript script;
    bool wizard = false;
    KorvelTest::whenModal([&](QWidget *m) {
        auto *wz = qobject_cast<PTStartWizard *>(m);
        wizard = wz != nullptr;
        if (!wz)
        {
            m->close();
            return;
        }
        button(wz, "Next")->click();
        logTree(*wz)->setCurrentItem(logItem(*wz, "Flight_02"));
        button(wz, "Finish")->click();
    });
    QAction *entry = w.action("Photo Tagger");
    QCOMPARE(entry->shortcut(), QKeySequence("F4"));
    entry->trigger();
    QVERIFY(wizard);
    // The job ran without photos and the new project opens in its tab.
    PTProjectContent c;
    QCOMPARE(PTProjectFile::load(sd() + "/phototagger/Flight_02/Flight_02.zpt", c), PTProjectFile::Status::Ok);
    QVERIFY(!c.tags.isEmpty());
    QVERIFY(script.texts().isEmpty());
    ToolWindow *tab = w.findWindow(OpenKind::PhotoTagger, "Flight_02");
    QVERIFY(tab);
    QCOMPARE(w.tabs()->currentWidget(), tab);
}

// A log cut short where the power failed is offered, marked, and its photo
// triggers up to the cut are read.
void TestPTStartWizard::cutShortLogListedAndTagged()
{
    const QString folder = sd() + "/logs/Cut";
    const HarlekLogContent survey = harleklog::surveyFlight(kFirst + 3 * kDay, harleklog::DemoSite{});
    QVERIFY(harleklog::writeLog(folder.toStdString(), survey));
    QFile records(folder + "/KORVEL.LOG");
    QVERIFY(records.open(QIODevice::ReadOnly));
    const QByteArray whole = records.readAll();
    records.close();
    const QByteArray kept = whole.left(whole.indexOf('\n', whole.size() / 2) + 10);
    QVERIFY(records.resize(kept.size()));

    PTTriggerTable table;
    QCOMPARE(PTSteps::readLogTriggers(folder, table), kept.count("\nT;"));
    QVERIFY(size_t(table.time.size()) < survey.tags.size());

    PTStartWizard w;
    QTreeWidgetItem *item = logItem(w, "Cut");
    QVERIFY(item);
    QCOMPARE(item->text(2), QString("Cut short: KORVEL.LOG ends inside line %1").arg(kept.count('\n') + 1));
    button(&w, "Next")->click();
    logTree(w)->setCurrentItem(item);
    QVERIFY(addImages(w)->isEnabled());
    addImages(w)->setChecked(false);
    button(&w, "Finish")->click();
    QCOMPARE(w.getResult(), 1);
    QCOMPARE(w.getProjectName(), QStringLiteral("Cut"));
    QVERIFY(QDir(folder).removeRecursively());
}

KORVEL_TEST_MAIN(TestPTStartWizard)
#include "test_ptstartwizard.moc"
