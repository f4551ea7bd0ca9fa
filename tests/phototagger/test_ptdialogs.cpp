// The photo-tagger dialogs driven on the offscreen platform: export dialog
// and its progress, the ContextCapture page, adding photos, the split.
#include <QCheckBox>
#include <QComboBox>
#include <QImageReader>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QSettings>
#include <QtTest>
#include <algorithm>

#include <sys/resource.h>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptprojectmerge.h"
#include "phototagger/ui/dbphototaggersplitdiag.h"
#include "phototagger/ui/ptadddiag.h"
#include "phototagger/ui/ptexport.h"
#include "phototagger/ui/ptexportthreaddiag.h"
#include "ptfixtures.h"
#include "support/testkit.h"

using KorvelTest::PromptScript;

namespace {
template <typename T>
T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    if (!c)
        qWarning("no child %s", name);
    return c;
}

// Waits for the progress dialog's Close button and clicks it, remembering
// the two row labels.
struct ProgressWatch {
    QString first, second;
    bool escapeIgnored = false;
    void arm()
    {
        KorvelTest::whenModal([this](QWidget *w) {
            auto *close = child<QPushButton>(w, "close");
            // Escape while the worker runs must not close the dialog.
            QTest::keyClick(w, Qt::Key_Escape);
            escapeIgnored = w->isVisible();
            KorvelTest::waitFor([close] { return close->isEnabled(); });
            first = child<QLabel>(w, "label0")->text();
            second = child<QLabel>(w, "label1")->text();
            close->click();
        });
    }
};
}  // namespace

class TestPTDialogs : public QObject {
    Q_OBJECT
    QTemporaryDir m_src;
    QTemporaryDir m_out;

    // Four tags: two exported photos, one disabled, one without photo.
    void project(PTData &d, const QString &name, bool secondPhotoMissing = false)
    {
        QVector<PTTag> tags = {PTFixture::tag("IMG_1.JPG"), PTFixture::tag("IMG_2.JPG"),
                               PTFixture::tag("IMG_3.JPG"), PTFixture::tag(QString())};
        tags[2].enabled = false;
        const QString folder = PTFixture::project(name, tags);
        PTFixture::photo(folder + "/IMG_1.JPG", 64, 48);
        if (!secondPhotoMissing)
            PTFixture::photo(folder + "/IMG_2.JPG", 64, 48);
        PTFixture::photo(folder + "/IMG_3.JPG", 64, 48);
        QCOMPARE(d.loadProject(name), 120);
    }

private slots:
    void initTestCase() { Data::instance(); }

    void browseAddsExtensions_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("caption");
        QTest::newRow("csv") << 0 << "csvBrowse" << "csvFile" << "/x/export" << "/x/export.csv"
                             << "Set CSV file...";
        QTest::newRow("csv capitals") << 0 << "csvBrowse" << "csvFile" << "/x/e.CSV" << "/x/e.CSV"
                                      << "Set CSV file...";
        QTest::newRow("psz") << 1 << "pszBrowse" << "pszFile" << "/x/export" << "/x/export.psz"
                             << "Set Agisoft Photoscan file...";
        QTest::newRow("pix4d") << 2 << "pix4dBrowse" << "pix4dFile" << "/y/export" << "/y/export.csv"
                               << "Set Pix4D CSV file...";
        QTest::newRow("contextcapture .XML") << 3 << "ccBrowse" << "ccFile" << "/y/a.XML" << "/y/a.XML"
                                             << "Save to ContextCapture";
        QTest::newRow("contextcapture") << 3 << "ccBrowse" << "ccFile" << "/y/a" << "/y/a.xml"
                                        << "Save to ContextCapture";
    }
    void browseAddsExtensions()
    {
        QFETCH(int, page);
        QFETCH(QString, button);
        QFETCH(QString, field);
        QFETCH(QString, answer);
        QFETCH(QString, shown);
        QFETCH(QString, caption);
        PTData d;
        PTExport dlg(&d);
        child<QComboBox>(&dlg, "exportType")->setCurrentIndex(page);
        PromptScript script;
        script.path(answer);
        child<QPushButton>(&dlg, qPrintable(button))->click();
        QCOMPARE(child<QLineEdit>(&dlg, qPrintable(field))->text(), shown);
        QCOMPARE(script.requests().value(0).title, caption);
        QCOMPARE(Data::instance()->settings()->value("Last Photo Tagger Export Path").toString(),
                 QFileInfo(shown).absolutePath());
        // Cancelling the chooser keeps the field.
        script.cancel();
        child<QPushButton>(&dlg, qPrintable(button))->click();
        QCOMPARE(child<QLineEdit>(&dlg, qPrintable(field))->text(), shown);
    }

    void pagesAndHeightChoices()
    {
        PTData d;
        PTExport dlg(&d);
        auto *type = child<QComboBox>(&dlg, "exportType");
        auto *pages = child<QStackedWidget>(&dlg, "pages");
        QCOMPARE(type->count(), 4);
        QCOMPARE(child<QRadioButton>(&dlg, "relative")->isChecked(), true);
        QVERIFY(!child<QDoubleSpinBox>(&dlg, "offsetValue")->isEnabled());
        child<QRadioButton>(&dlg, "offset")->setChecked(true);
        QVERIFY(child<QDoubleSpinBox>(&dlg, "offsetValue")->isEnabled());
        for (int i : {1, 2}) {
            type->setCurrentIndex(i);
            QCOMPARE(pages->currentIndex(), i);
            type->setCurrentIndex(0);
            QVERIFY(child<QRadioButton>(&dlg, "absolute")->isChecked());
            QVERIFY(!child<QDoubleSpinBox>(&dlg, "offsetValue")->isEnabled());
            child<QRadioButton>(&dlg, "relative")->setChecked(true);
        }
        // No file chosen: a warning, the dialog stays and nothing runs.
        PromptScript script;
        for (int i = 0; i < 4; ++i) {
            type->setCurrentIndex(i);
            child<QPushButton>(&dlg, "export")->click();
        }
        QCOMPARE(script.requests().size(), 4);
        for (const auto &rq : script.requests()) {
            QCOMPARE(rq.title, QStringLiteral("No file location!"));
            QCOMPARE(rq.text, QStringLiteral("Please choose a file location for exporting!"));
            QCOMPARE(rq.iconPath, QStringLiteral(":/icons/80/warning"));
        }
    }

    void csvExportWithTabAndOffset()
    {
        PTData d;
        project(d, "dlgcsv");
        d.setAbsoluteHeight(true);
        PTExport dlg(&d);
        dlg.show();
        PromptScript script;
        script.path(m_out.filePath("tab"));
        child<QPushButton>(&dlg, "csvBrowse")->click();
        child<QComboBox>(&dlg, "separator")->setCurrentIndex(2);  // Tab
        child<QCheckBox>(&dlg, "csvCopy")->setChecked(false);
        child<QRadioButton>(&dlg, "offset")->setChecked(true);
        child<QDoubleSpinBox>(&dlg, "offsetValue")->setValue(12.5);
        ProgressWatch watch;
        watch.arm();
        child<QPushButton>(&dlg, "export")->click();
        QVERIFY(watch.escapeIgnored);
        QCOMPARE(watch.first, QStringLiteral("<font color=\"green\">Finished</color>"));
        QCOMPARE(watch.second, QStringLiteral("<font color=\"yellow\">Skipped!</color>"));
        QVERIFY(!dlg.isVisible());
        QVERIFY(!d.absoluteHeight());
        QCOMPARE(d.heightOffset(), 12.5);
        const QByteArray csv = PTFixture::fileBytes(m_out.filePath("tab.csv"));
        QVERIFY2(csv.contains("\tIMG_1.JPG\t11.5\t48.1\t42.5\t90\t-90\t0\t\n"),
                 csv.constData());
        QCOMPARE(QDir(m_out.path()).entryList({"*.JPG"}), QStringList());
    }

    void photoScanExportStoresTypeAndCopies()
    {
        PTData d;
        project(d, "dlgpsz", true);  // IMG_2.JPG is missing from the folder
        QTemporaryDir out;
        {
            PTExport dlg(&d);
            dlg.show();
            child<QComboBox>(&dlg, "exportType")->setCurrentIndex(1);
            child<QComboBox>(&dlg, "projectType")->setCurrentIndex(1);
            PromptScript script;
            script.path(out.filePath("site"));
            child<QPushButton>(&dlg, "pszBrowse")->click();
            ProgressWatch watch;
            watch.arm();
            child<QPushButton>(&dlg, "export")->click();
            QCOMPARE(watch.first, QStringLiteral("<font color=\"green\">Finished</color>"));
            QCOMPARE(watch.second, QStringLiteral("<font color=\"green\">Finished</color>"));
            QVERIFY(d.absoluteHeight());
            // The photo that could not be copied is listed, then why.
            QCOMPARE(script.requests().size(), 2);
            QCOMPARE(script.requests().at(1).title, QStringLiteral("Copy failed!"));
            QCOMPARE(script.requests().at(1).informativeText,
                     QStringLiteral("IMG_2.JPG\n\n%1/IMG_2.JPG: %2")
                         .arg(d.getProjectPath(), QString::fromLocal8Bit(strerror(ENOENT))));
        }
        QVERIFY(QFile::exists(out.filePath("site.psz")));
        QCOMPARE(QDir(out.path()).entryList({"*.JPG"}), QStringList{"IMG_1.JPG"});
        QCOMPARE(Data::instance()->settings()->value("Photo Tagger Export Type").toString(),
                 QStringLiteral("Steerwise"));
        PTExport again(&d);
        QCOMPARE(child<QComboBox>(&again, "projectType")->currentText(), QStringLiteral("Steerwise"));
    }

    void unwritableTargetShowsTheBox()
    {
        PTData d;
        project(d, "dlgbad");
        PTExport dlg(&d);
        dlg.show();
        child<QComboBox>(&dlg, "exportType")->setCurrentIndex(2);
        PromptScript script;
        script.path(m_out.filePath("no/such/folder/x"));
        child<QPushButton>(&dlg, "pix4dBrowse")->click();
        ProgressWatch watch;
        watch.arm();
        child<QPushButton>(&dlg, "export")->click();
        QCOMPARE(script.requests().size(), 2);
        QCOMPARE(script.requests().at(1).title, QStringLiteral("Can't create file"));
        QCOMPARE(script.requests().at(1).text,
                 QStringLiteral("Can't create file. Maybe access rights are missing.\n\n%1: %2")
                     .arg(m_out.filePath("no/such/folder/x.csv"), QString::fromLocal8Bit(strerror(ENOENT))));
        QCOMPARE(watch.second, QStringLiteral("-"));  // no copy ran
    }

    void writeErrorIsAFailure()
    {
        PTData d;
        project(d, "dlgfull");
        PTExport dlg(&d);
        dlg.show();
        PromptScript script;
        script.path(m_out.filePath("full.csv"));
        child<QPushButton>(&dlg, "csvBrowse")->click();
        // A disk that takes nothing more.
        signal(SIGXFSZ, SIG_IGN);
        rlimit was;
        getrlimit(RLIMIT_FSIZE, &was);
        rlimit none = was;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &none);
        ProgressWatch watch;
        watch.arm();
        child<QPushButton>(&dlg, "export")->click();
        setrlimit(RLIMIT_FSIZE, &was);
        // The export type it remembers met the same disk: that is told too.
        QList<Prompt::Request> shown = script.requests();
        const QString settingsFailure = "Settings could not be saved: " + QSettings().fileName() + ": "
                                        + QString::fromLocal8Bit(strerror(EFBIG));
        const auto isSettings = [&](const Prompt::Request &rq) { return rq.text == settingsFailure; };
        QCOMPARE(std::count_if(shown.begin(), shown.end(), isSettings), 1);
        shown.erase(std::remove_if(shown.begin(), shown.end(), isSettings), shown.end());
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(1).title, QStringLiteral("Can't write file"));
        QVERIFY(shown.at(1).text.endsWith(
            QStringLiteral("disk is full.\n\n%1: %2")
                .arg(m_out.filePath("full.csv"), QString::fromLocal8Bit(strerror(EFBIG)))));
        QVERIFY(!watch.first.contains("Finished"));
        QCOMPARE(watch.second, QStringLiteral("-"));
        QVERIFY(!QFile::exists(m_out.filePath("full.csv")));
    }

    void contextCaptureCopiesBesideTheFile()
    {
        PTData d;
        project(d, "dlgcc");
        QTemporaryDir out;
        PTExport dlg(&d);
        dlg.show();
        child<QComboBox>(&dlg, "exportType")->setCurrentIndex(3);
        PromptScript script;
        script.path(out.filePath("site"));
        child<QPushButton>(&dlg, "ccBrowse")->click();
        child<QPushButton>(&dlg, "export")->click();
        QCOMPARE(script.requests().last().title, QStringLiteral("ContextCapture export successful!"));
        QCOMPARE(script.requests().last().text,
                 QStringLiteral("Flight exported to: %1").arg(out.filePath("site.xml")));
        QCOMPARE(QDir(out.filePath("site_images")).entryList(QDir::Files),
                 (QStringList{"IMG_1.JPG", "IMG_2.JPG"}));
        const QByteArray xml = PTFixture::fileBytes(out.filePath("site.xml"));
        QVERIFY(xml.contains("<ImagePath>site_images/IMG_1.JPG</ImagePath>"));
        QVERIFY(!dlg.isVisible());
    }

    void contextCaptureAbortTakesBackOnlyItsCopies()
    {
        PTData d;
        project(d, "dlgabort");
        QTemporaryDir out;
        // A folder that was there before, holding a file of the operator's.
        QDir().mkpath(out.filePath("site_images"));
        PTFixture::photo(out.filePath("site_images/mine.jpg"), 8, 8, false);
        PTExport dlg(&d);
        dlg.show();
        child<QComboBox>(&dlg, "exportType")->setCurrentIndex(3);
        PromptScript script;
        script.path(out.filePath("site.xml"));
        child<QPushButton>(&dlg, "ccBrowse")->click();
        // Abort once the first photo was copied.
        QMetaObject::Connection c = connect(&d, &PTData::copyFile, this, [](int i, int) {
            if (i != 2)
                return;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *p = qobject_cast<QProgressDialog *>(w))
                    p->cancel();
            }
        });
        child<QPushButton>(&dlg, "export")->click();
        disconnect(c);
        QCOMPARE(QDir(out.filePath("site_images")).entryList(QDir::Files), QStringList{"mine.jpg"});
        QVERIFY(!QFile::exists(out.filePath("site.xml")));
        QVERIFY(dlg.isVisible());

        // A folder made by the export goes again.
        QDir(out.filePath("site_images")).removeRecursively();
        c = connect(&d, &PTData::copyFile, this, [](int i, int) {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *p = qobject_cast<QProgressDialog *>(w); p && i == 2)
                    p->cancel();
            }
        });
        child<QPushButton>(&dlg, "export")->click();
        disconnect(c);
        QVERIFY(!QFileInfo::exists(out.filePath("site_images")));
    }

    // The photos' folder cannot be made (a file has its name): the page's
    // message names the folder and the reason; nothing is written.
    void contextCaptureFolderThatCannotBeMade()
    {
        PTData d;
        project(d, "dlgccfolder");
        QTemporaryDir out;
        QFile blocker(out.filePath("site_images"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        PTExport dlg(&d);
        dlg.show();
        child<QComboBox>(&dlg, "exportType")->setCurrentIndex(3);
        PromptScript script;
        script.path(out.filePath("site.xml"));
        child<QPushButton>(&dlg, "ccBrowse")->click();
        child<QPushButton>(&dlg, "export")->click();
        QCOMPARE(script.requests().size(), 2);
        QCOMPARE(script.requests().last().title, QStringLiteral("Error!"));
        QCOMPARE(script.requests().last().text,
                 QStringLiteral("Error opening target file!\n\n")
                     + AtomicFile::describe(out.filePath("site_images"), QString::fromLocal8Bit(strerror(EEXIST))));
        QVERIFY(QFileInfo(out.filePath("site_images")).isFile());
        QVERIFY(!QFile::exists(out.filePath("site.xml")));
        QVERIFY(dlg.isVisible());
    }

    void addDialogCancelStopsBetweenFiles()
    {
        QVector<PTTag> tags;
        for (int i = 0; i < 30; ++i)
            tags << PTFixture::tag(QString());
        const QString folder = PTFixture::project("adddlg", tags);
        QStringList files;
        for (int i = 0; i < 30; ++i) {
            files << m_src.filePath(QStringLiteral("p%1.jpg").arg(i));
            QVERIFY(PTFixture::photo(files.last(), 2400, 1800, false));
        }
        PTData d;
        d.loadProject("adddlg");
        PTAddDiag dlg(files, 0, &d);
        KorvelTest::whenModal([](QWidget *w) {
            auto *bar = child<QProgressBar>(w, "progress");
            KorvelTest::waitFor([bar] { return bar->value() >= 2; });
            child<QPushButton>(w, "cancel")->click();
        });
        QCOMPARE(dlg.startDiag(), int(QDialog::Rejected));
        int added = 0;
        while (added < 30 && !d.getImageName(added).isEmpty())
            ++added;
        // The worker has ended with the dialog: deliver what it had queued.
        QCoreApplication::sendPostedEvents();
        QVERIFY2(added >= 2 && added < 30, qPrintable(QString::number(added)));
        for (int i = added; i < 30; ++i)
            QCOMPARE(d.getImageName(i), QString());
        const QStringList onDisk = QDir(folder).entryList({"p*.jpg"});
        QCOMPARE(onDisk.size(), added);
        for (int i = 0; i < added; ++i) {
            QCOMPARE(QImageReader(folder + "/" + d.getImageName(i)).size(), QSize(2400, 1800));
            QCOMPARE(QImageReader(folder + "/thumb_" + d.getImageName(i)).size(), QSize(1280, 960));
        }
    }

    void addDialogAddsAll()
    {
        const QString folder = PTFixture::project("addall", {PTFixture::tag(QString()), PTFixture::tag(QString())});
        QVERIFY(PTFixture::photo(m_src.filePath("x1.jpg"), 64, 48, false));
        QVERIFY(PTFixture::photo(m_src.filePath("x2.jpg"), 64, 48, false));
        PTData d;
        d.loadProject("addall");
        PTAddDiag dlg({m_src.filePath("x1.jpg"), m_src.filePath("x2.jpg")}, 0, &d);
        QCOMPARE(dlg.startDiag(), int(QDialog::Accepted));
        QCOMPARE(d.getImageName(1), QStringLiteral("x2.jpg"));
    }

    void splitRangeLabels()
    {
        QVector<PTTag> tags;
        for (int i = 0; i < 10; ++i)
            tags << PTFixture::tag(QString());
        PTFixture::project("ten", tags);
        DBPhotoTaggerSplitDiag dlg("ten");
        auto *spin = child<QSpinBox>(&dlg, "split");
        QCOMPARE(spin->minimum(), 1);
        QCOMPARE(spin->maximum(), 9);
        const QList<QStringList> cases = {{"1", "1", "2-10"}, {"4", "1-4", "5-10"}, {"9", "1-9", "10"}};
        for (const QStringList &c : cases) {
            spin->setValue(c[0].toInt());
            QCOMPARE(child<QLabel>(&dlg, "firstRange")->text(), c[1]);
            QCOMPARE(child<QLabel>(&dlg, "secondRange")->text(), c[2]);
        }
        auto *split = child<QPushButton>(&dlg, "splitButton");
        auto *first = child<QLineEdit>(&dlg, "firstName");
        auto *second = child<QLineEdit>(&dlg, "secondName");
        QVERIFY(!split->isEnabled());
        QTest::keyClicks(first, " -ab");  // no blank or "-" at the start
        QCOMPARE(first->text(), QStringLiteral("ab"));
        QTest::keyClicks(first, "c d-(e)!/");
        QCOMPARE(first->text(), QStringLiteral("abc d-(e)"));
        QVERIFY(!split->isEnabled());
        QTest::keyClicks(second, "xy");
        QVERIFY(split->isEnabled());
        second->clear();
        QVERIFY(!split->isEnabled());
    }

    void splitRefusesNames_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("title");
        QTest::newRow("equal") << "north" << "North" << "Equal project names!";
        QTest::newRow("old name") << "split10" << "south" << "Project already exists!";
        QTest::newRow("other case") << "north" << "SPLIT10" << "Project already exists!";
    }
    void splitRefusesNames()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, title);
        QVector<PTTag> tags;
        for (int i = 0; i < 10; ++i)
            tags << PTFixture::tag(QString());
        PTFixture::project("split10", tags);
        DBPhotoTaggerSplitDiag dlg("split10");
        child<QLineEdit>(&dlg, "firstName")->setText(first);
        child<QLineEdit>(&dlg, "secondName")->setText(second);
        PromptScript script;
        child<QPushButton>(&dlg, "splitButton")->click();
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().at(0).title, title);
        QCOMPARE(dlg.result(), 0);
        QVERIFY(QFile::exists(PTProjectFile::projectFilePath("split10")));
        QVERIFY(!QFileInfo::exists(PTProjectFile::projectFolder("north")));
    }

    void splitMovesEverything()
    {
        QVector<PTTag> tags;
        for (int i = 0; i < 10; ++i)
            tags << PTFixture::tag(QStringLiteral("s%1.jpg").arg(i), 40 + i);
        const QString folder = PTFixture::project("tosplit", tags);
        for (int i = 0; i < 10; ++i) {
            PTFixture::photo(folder + QStringLiteral("/s%1.jpg").arg(i), 8, 8, false);
            PTFixture::photo(folder + QStringLiteral("/thumb_s%1.jpg").arg(i), 8, 8, false);
        }
        Data::instance()->addRecent(OpenKind::PhotoTagger, "tosplit");
        DBPhotoTaggerSplitDiag dlg("tosplit");
        child<QSpinBox>(&dlg, "split")->setValue(4);
        child<QLineEdit>(&dlg, "firstName")->setText("west");
        child<QLineEdit>(&dlg, "secondName")->setText("east");
        PromptScript script;
        child<QPushButton>(&dlg, "splitButton")->click();
        QCOMPARE(script.requests().size(), 0);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!QFileInfo::exists(folder));
        for (int slot = 0; slot < 5; ++slot)
            QVERIFY(Data::instance()->recentName(slot) != QStringLiteral("tosplit"));
        PTData west, east;
        QCOMPARE(west.loadProject("west"), 120);
        QCOMPARE(east.loadProject("east"), 120);
        QCOMPARE(west.tags(), tags.mid(0, 4));
        QCOMPARE(east.tags(), tags.mid(4));
        QCOMPARE(QDir(east.getProjectPath()).entryList(QDir::Files).size(), 1 + 6 * 2);
    }

    // A photo the project lists but that is not in its folder does not stop
    // the split: its part lists it, as the old project did.
    void splitKeepsAMissingPhotoListed()
    {
        QVector<PTTag> tags;
        for (int i = 0; i < 4; ++i)
            tags << PTFixture::tag(QStringLiteral("k%1.jpg").arg(i));
        const QString folder = PTFixture::project("keepme", tags);
        for (int i = 0; i < 3; ++i)
            PTFixture::photo(folder + QStringLiteral("/k%1.jpg").arg(i), 8, 8, false);
        DBPhotoTaggerSplitDiag dlg("keepme");
        child<QSpinBox>(&dlg, "split")->setValue(2);
        child<QLineEdit>(&dlg, "firstName")->setText("partOne");
        child<QLineEdit>(&dlg, "secondName")->setText("partTwo");
        PromptScript script;
        child<QPushButton>(&dlg, "splitButton")->click();
        QCOMPARE(script.requests().size(), 0);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        PTData two;
        QCOMPARE(two.loadProject("partTwo"), 120);
        QCOMPARE(two.tags(), tags.mid(2));
        QCOMPARE(QDir(two.getProjectPath()).entryList(QDir::Files), (QStringList{"k2.jpg", "partTwo.zpt"}));
        QVERIFY(!QFileInfo::exists(folder));
    }

    // The second project file cannot be written (the disk is full for it):
    // the photos the first part took go back, and the message, which says
    // the old project was kept, names the file and the system's reason.
    void splitSecondSaveFailsKeepsTheOldProject()
    {
        QVector<PTTag> tags{PTFixture::tag("first.jpg")};
        for (int i = 0; i < 300; ++i)
            tags << PTFixture::tag(i == 0 ? QStringLiteral("second.jpg") : QString());
        const QString folder = PTFixture::project("fullsplit", tags);
        for (const char *p : {"first.jpg", "thumb_first.jpg", "second.jpg", "thumb_second.jpg"})
            QVERIFY(PTFixture::photo(folder + "/" + QString(p), 8, 8, false));
        QStringList files = QDir(folder).entryList(QDir::Files);
        Data::instance()->addRecent(OpenKind::PhotoTagger, "fullsplit");
        DBPhotoTaggerSplitDiag dlg("fullsplit");
        child<QSpinBox>(&dlg, "split")->setValue(1);
        child<QLineEdit>(&dlg, "firstName")->setText("small");
        child<QLineEdit>(&dlg, "secondName")->setText("large");
        PromptScript script;
        {
            // The journal and the first file fit, the second (300 tags) not.
            KorvelTest::DiskLimit full(8000);
            child<QPushButton>(&dlg, "splitButton")->click();
        }
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        // The old project is whole, nothing new is there.
        QCOMPARE(QDir(folder).entryList(QDir::Files), files);
        PTData old;
        QCOMPARE(old.loadProject("fullsplit"), 120);
        QCOMPARE(old.tags(), tags);
        QVERIFY(!QFileInfo::exists(PTProjectFile::projectFolder("small")));
        QVERIFY(!QFileInfo::exists(PTProjectFile::projectFolder("large")));
        QVERIFY(!QFileInfo::exists(PTProjectMerge::journalPath()));
        // So the message says, and why.
        QCOMPARE(script.requests().at(0).title, QStringLiteral("Split failed!"));
        const QString large = PTProjectFile::projectFilePath("large");
        QCOMPARE(script.requests().at(0).text,
                 QStringLiteral("The project could not be split. The project \"fullsplit\" was kept as it was.\n\n")
                     + QDir::toNativeSeparators(large) + ": " + QString::fromLocal8Bit(strerror(EFBIG)));
        bool listed = false;
        for (int slot = 0; slot < 5; ++slot)
            listed = listed || Data::instance()->recentName(slot) == QStringLiteral("fullsplit");
        QVERIFY(listed);
    }

    // A move that fails takes the split back; when a photo cannot go back
    // either, the message says so and the next open takes it back.
    void splitFailuresAreTakenBack_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("a move") << "move";
        QTest::newRow("a move and a move back") << "move back";
        QTest::newRow("a folder of the new name") << "folder";
    }
    void splitFailuresAreTakenBack()
    {
        QFETCH(QString, failure);
        QVector<PTTag> tags;
        for (int i = 0; i < 4; ++i)
            tags << PTFixture::tag(QStringLiteral("f%1.jpg").arg(i));
        const QString folder = PTFixture::project("failing", tags);
        for (int i = 0; i < 4; ++i)
            QVERIFY(PTFixture::photo(folder + QStringLiteral("/f%1.jpg").arg(i), 8, 8, false));
        const QStringList files = QDir(folder).entryList(QDir::Files);
        const QString east = PTProjectFile::projectFolder("East");
        QDir(east).removeRecursively();
        QDir(PTProjectFile::projectFolder("West")).removeRecursively();
        if (failure == "folder") {
            // Made after the dialog looked: the split must not write into it.
            QVERIFY(QDir().mkpath(east));
            QVERIFY(PTFixture::photo(east + "/f3.jpg", 8, 8, false));
        }
        PTProjectMerge::Io io = PTProjectMerge::defaultIo();
        int moves = 0;
        io.move = [&](const QString &from, const QString &to, QString *error) {
            const bool back = to.startsWith(folder + "/");
            if ((!back && ++moves == 3) || (back && failure == "move back" && to.endsWith("/f0.jpg"))) {
                *error = QStringLiteral("Input/output error");
                return false;
            }
            return QFile::rename(from, to);
        };
        const PTProjectMerge::Result r = PTProjectMerge::split("failing", 2, "West", "East", io);
        QVERIFY(!r.ok);
        QCOMPARE(r.title, QStringLiteral("Split failed!"));
        if (failure == "move back") {
            QVERIFY2(r.error.startsWith("The project could not be split, and not every photo could be moved back "
                                        "into the project \"failing\" yet"),
                     qPrintable(r.error));
            QVERIFY(QFileInfo::exists(PTProjectMerge::journalPath()));
            QCOMPARE(PTProjectMerge::finishInterrupted(), PTProjectMerge::Recovery::RolledBack);
        } else {
            QVERIFY2(r.error.startsWith("The project could not be split. The project \"failing\" was kept as it was."),
                     qPrintable(r.error));
        }
        if (failure == "folder") {
            QVERIFY2(r.error.endsWith(QDir::toNativeSeparators(east) + ": " + QString::fromLocal8Bit(strerror(EEXIST))),
                     qPrintable(r.error));
            QCOMPARE(QDir(east).entryList(QDir::Files), QStringList{"f3.jpg"});
        } else {
            QVERIFY2(r.error.endsWith(": Input/output error"), qPrintable(r.error));
            QVERIFY(r.error.contains(QDir::toNativeSeparators(folder + "/f2.jpg")));
            QVERIFY(!QFileInfo::exists(east));
        }
        QVERIFY(!QFileInfo::exists(PTProjectFile::projectFolder("West")));
        QVERIFY(!QFileInfo::exists(PTProjectMerge::journalPath()));
        QCOMPARE(QDir(folder).entryList(QDir::Files), files);
        QDir(east).removeRecursively();
    }

    void splitRefusesTinyProjects()
    {
        PTFixture::project("one", {PTFixture::tag(QString())});
        DBPhotoTaggerSplitDiag dlg("one");
        child<QLineEdit>(&dlg, "firstName")->setText("aa");
        child<QLineEdit>(&dlg, "secondName")->setText("bb");
        PromptScript script;
        child<QPushButton>(&dlg, "splitButton")->click();
        QCOMPARE(script.requests().value(0).title, QStringLiteral("Project cannot be split!"));
        QVERIFY(QFile::exists(PTProjectFile::projectFilePath("one")));
        QVERIFY(!QFileInfo::exists(PTProjectFile::projectFolder("aa")));
    }
};

KORVEL_TEST_MAIN(TestPTDialogs)
#include "test_ptdialogs.moc"
