// The creation job's dialog driven through its steps on real logs and JPEGs,
// with every prompt answered by a script.
#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "phototagger/creation/ptdiag.h"
#include "phototagger/creation/ptmerge.h"
#include "phototagger/ptprojectfile.h"
#include "ptfixtures.h"
#include "support/testkit.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <cerrno>
#include <cstring>

using KorvelTest::PromptScript;

namespace {

const QString kFinished = QStringLiteral("<font color='green'>Finished</font>");
const QString kSkipped = QStringLiteral("<font color='yellow'>Skipped</font>");
const QString kFailed = QStringLiteral("<font color='red'>Failed</font>");
const QString kSuccess = QStringLiteral("<font color='green'>Success</font>");

QString sd() { return Data::instance()->harlekSDPath(); }
QString projectDir(const QString &name) { return sd() + "/phototagger/" + name; }
QString cardDir(const QString &name) { return sd() + "/../cards/" + name; }

// Runs the dialog until it ends; returns its result, -1 on timeout.
int finish(PTDiag &d, int timeoutMs = 60000)
{
    QSignalSpy spy(&d, &QDialog::finished);
    if (!spy.wait(timeoutMs) && spy.isEmpty())
        return -1;
    return spy.first().first().toInt();
}

QVector<PTTag> projectTags(const QString &name)
{
    PTProjectContent c;
    PTProjectFile::load(projectDir(name) + "/" + name + ".zpt", c);
    return c.tags;
}

}  // namespace

class TestPTDiag : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false")); }
    void newProjectFromLogAndPhotos();
    void projectFromLogAlone();
    void errorsEndTheJob_data();
    void errorsEndTheJob();
    void imagesProblemYesWritesProjectWithoutPhotos();
    void detectionFailed();
    void cancelWhileReadingKeepsFolders();
    void cancelWhileCopyingRemovesProject();
    void photosForAnExistingProject();
    void existingProjectCancelledTellsWhetherFilesChanged();
};

void TestPTDiag::newProjectFromLogAndPhotos()
{
    const HarlekLogContent log = PTFixture::survey(4);
    QVERIFY(log.tags.size() > 20);
    QVERIFY(PTFixture::writeLog(sd(), "Survey1", log));
    // Two test shots before take-off and two photos the camera missed.
    const QString card = cardDir("survey1");
    QVERIFY(PTFixture::writeJpeg(card + "/DSC0001.JPG", QSize(64, 48),
                                 QDateTime(QDate(2025, 10, 9), QTime(6, 0, 0))));
    QVERIFY(PTFixture::writeJpeg(card + "/DSC0002.JPG", QSize(64, 48),
                                 QDateTime(QDate(2025, 10, 9), QTime(6, 0, 4))));
    const int written = PTFixture::writeSurveyPhotos(card, log, {3, 17});
    QCOMPARE(written, int(log.tags.size()) - 2);

    PTDiag d;
    PromptScript script;
    d.show();
    d.setNewProjectData("Survey1", card, 0);
    QTest::keyClick(&d, Qt::Key_Escape);  // only Cancel ends a running job
    QVERIFY(!d.close());
    QCOMPARE(finish(d), int(QDialog::Accepted));
    QVERIFY2(script.requests().isEmpty(), qPrintable(script.texts().join('|')));
    QCOMPARE(d.totalTags(), QString::number(log.tags.size()));
    QCOMPARE(d.totalImages(), QString::number(written + 2));
    for (PTDiag::Row r : {PTDiag::ReadLog, PTDiag::ReadExif, PTDiag::SortData, PTDiag::Configure,
                          PTDiag::CopyImages, PTDiag::CreateThumbs, PTDiag::CreateFile})
        QCOMPARE(d.rowState(r), kFinished);
    QVERIFY(!d.findChild<QPushButton *>()->isEnabled());

    const QVector<PTTag> tags = projectTags("Survey1");
    QCOMPARE(tags.size(), int(log.tags.size()));
    // DSC1001.. are the flight's photos in order, with gaps at 3 and 17.
    int photo = 1000;
    for (int i = 0; i < tags.size(); ++i) {
        if (i == 3 || i == 17) {
            QVERIFY2(tags[i].imageName.isEmpty(), qPrintable(tags[i].imageName));
            continue;
        }
        QCOMPARE(tags[i].imageName, QStringLiteral("DSC%1.JPG").arg(++photo));
        QVERIFY(QFile::exists(projectDir("Survey1") + "/" + tags[i].imageName));
        QVERIFY(QFile::exists(projectDir("Survey1") + "/thumb_" + tags[i].imageName));
    }
    QCOMPARE(tags[0].time, PTSteps::gpsTimeToUtc(log.tags[0].time));
    QCOMPARE(tags[5].absoluteHeight, log.tags[5].height);
    QCOMPARE(tags[5].relativeHeight, log.tags[5].relativeHeight);
}

void TestPTDiag::projectFromLogAlone()
{
    QVERIFY(PTFixture::writeLog(sd(), "LogOnly", PTFixture::survey(2)));
    PTDiag d;
    PromptScript script;
    d.setOnlyZTEFile("LogOnly", 1);
    QCOMPARE(finish(d), int(QDialog::Accepted));
    QCOMPARE(d.rowState(PTDiag::ReadLog), kFinished);
    QCOMPARE(d.rowState(PTDiag::CreateFile), kFinished);
    for (int r = PTDiag::ReadExif; r < PTDiag::RowCount; ++r)
        if (r != PTDiag::CreateFile)
            QCOMPARE(d.rowState(PTDiag::Row(r)), kSkipped);
    const QVector<PTTag> tags = projectTags("LogOnly");
    QVERIFY(!tags.isEmpty());
    for (const PTTag &t : tags)
        QVERIFY(t.imageName.isEmpty());
    QCOMPARE(QDir(projectDir("LogOnly")).entryList(QDir::Files), QStringList{"LogOnly.zpt"});
}

void TestPTDiag::errorsEndTheJob_data()
{
    QTest::addColumn<QString>("log");
    QTest::addColumn<int>("job");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("folderLeft");
    // A file that could not be written or read follows as "<file>: <reason>";
    // the file is named within the project folder ("." the folder itself).
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");
    const QString exists = QString::fromLocal8Bit(strerror(EEXIST));

    QTest::newRow("no log") << "NoSuchLog" << 1 << "GPS Log not found.  Log files can't be used." << false << "" << "";
    QTest::newRow("corrupt log") << "Corrupt" << 1 << "Can't read log file. Maybe this file is corrupt." << false << ""
                                 << "";
    QTest::newRow("no triggers") << "NoTags" << 3 << "No Data available! There are no trigger signal saved on the log."
                                 << false << "" << "";
    QTest::newRow("no images") << "NoImages" << 1 << "No Images available! There are no images in this folder" << false
                               << "" << "";
    QTest::newRow("copy onto a name") << "Twice" << 1 << "Can't copy image file in project folder." << false
                                      << "DSC1004.JPG" << exists;
    QTest::newRow("project file") << "Unwritable" << 3 << "Can't create project file" << false << "." << exists;
    QTest::newRow("no project") << "NoProject" << 2 << "Can't read log file. Maybe this file is corrupt." << false << ""
                                << "";
    QTest::newRow("out of range of a project")
        << "FarApart" << 2 << "The selected image folder contains no images that could be in range of the project file!"
        << true << "" << "";
    QTest::newRow("project folder") << "Blocked" << 1 << "Can't create folder for photo tagger project." << false
                                    << "." << exists;
    QTest::newRow("photo not readable") << "BadPhoto" << 1 << "Error Reading Image" << false << "DSC1007.JPG"
                                        << "the image could not be read";
    QTest::newRow("thumbnail not saved") << "ThumbDir" << 1 << "Error Creating Thumb" << false << "thumb_DSC1005.JPG"
                                         << QString::fromLocal8Bit(strerror(EISDIR));
}

void TestPTDiag::errorsEndTheJob()
{
    QFETCH(QString, log);
    QFETCH(int, job);
    QFETCH(QString, text);
    QFETCH(bool, folderLeft);
    QFETCH(QString, file);
    QFETCH(QString, reason);
    if (!file.isEmpty()) {
        const QString path = file == "." ? projectDir(log) : projectDir(log) + "/" + file;
        text += "<br><br>" + AtomicFile::describe(path, reason).toHtmlEscaped();
    }
    const HarlekLogContent survey = PTFixture::survey(5);
    const QString card = cardDir(log);
    QDir().mkpath(card);
    if (log == "Corrupt") {
        QVERIFY(PTFixture::writeLog(sd(), log, survey));
        QFile f(sd() + "/logs/Corrupt/KORVEL.LOG");
        QVERIFY(f.open(QIODevice::Append));
        f.write("garbage\n");
    } else if (log == "NoTags") {
        QVERIFY(PTFixture::writeLog(sd(), log, PTFixture::withTagTimes({})));
    } else if (log == "NoImages" || log == "Unwritable") {
        QVERIFY(PTFixture::writeLog(sd(), log, survey));
    } else if (log == "Twice") {
        QVERIFY(PTFixture::writeLog(sd(), log, survey));
        QVERIFY(PTFixture::writeSurveyPhotos(card, survey, {}) > 0);
        QDir().mkpath(projectDir(log));
        QFile::copy(card + "/DSC1004.JPG", projectDir(log) + "/DSC1004.JPG");
    }
    int imageType = 0;
    if (log == "FarApart") {
        QVERIFY(PTFixture::writeLog(sd(), log, survey));
        PTDiag make;
        PromptScript none;
        make.setOnlyZTEFile(log, 0);
        QCOMPARE(finish(make), int(QDialog::Accepted));
        const qint64 duration = (survey.tags.back().time - survey.tags.front().time) / 1000;
        for (int i = 0; i < 4; ++i)
            QVERIFY(PTFixture::writeJpeg(QStringLiteral("%1/IMG_%2.jpg").arg(card).arg(i), QSize(32, 24),
                                         QDateTime(QDate(2024, 1, 1), QTime(8, 0)).addSecs(i * (duration + 60))));
    } else if (log == "Blocked" || log == "BadPhoto" || log == "ThumbDir") {
        QVERIFY(PTFixture::writeLog(sd(), log, survey));
        QVERIFY(PTFixture::writeSurveyPhotos(card, survey, {}) > 0);
    }
    if (log == "BadPhoto") {
        // Its EXIF time is fine, its frame header is not: no decoder takes it.
        imageType = 1;
        QFile f(card + "/DSC1007.JPG");
        QVERIFY(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        const int sof = bytes.indexOf(QByteArray::fromHex("ffc0"));
        QVERIFY(sof > 0);
        bytes[sof + 7] = bytes[sof + 8] = 0;
        f.seek(0);
        f.write(bytes);
    }
    if (log == "ThumbDir")
        QVERIFY(QDir().mkpath(projectDir(log) + "/thumb_DSC1005.JPG"));
    if (log == "Unwritable" || log == "Blocked") {
        // A file where the project folder should go.
        QDir().mkpath(sd() + "/phototagger");
        QFile f(projectDir(log));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    PTDiag d;
    PromptScript script;
    if (job == 1)
        d.setNewProjectData(log, card, imageType);
    else if (job == 2)
        d.setMergeOldProject(log, card, imageType);
    else
        d.setOnlyZTEFile(log, 0);
    const int result = finish(d);
    QCOMPARE(script.texts(), QStringList{text});
    const Prompt::Request &rq = script.requests().first();
    QCOMPARE(rq.title, QStringLiteral("Processing Error"));
    QCOMPARE(rq.iconPath, QStringLiteral(":/icons/80/error"));
    QCOMPARE(rq.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(result, job == 2 ? int(QDialog::Accepted) : int(QDialog::Rejected));
    if (log == "Unwritable" || log == "Blocked")
        QVERIFY(QFileInfo(projectDir(log)).isFile());
    else  // once the job began to fill the folder, the folder goes
        QCOMPARE(QFileInfo::exists(projectDir(log)), folderLeft);
}

void TestPTDiag::imagesProblemYesWritesProjectWithoutPhotos()
{
    const HarlekLogContent log = PTFixture::survey(6);
    QVERIFY(PTFixture::writeLog(sd(), "Apart", log));
    const qint64 duration = (log.tags.back().time - log.tags.front().time) / 1000;
    const QString card = cardDir("apart");
    for (int i = 0; i < 4; ++i)
        QVERIFY(PTFixture::writeJpeg(QStringLiteral("%1/IMG_%2.jpg").arg(card).arg(i), QSize(32, 24),
                                     QDateTime(QDate(2024, 1, 1), QTime(8, 0)).addSecs(i * (duration + 60))));
    for (bool yes : {false, true}) {
        PTDiag d;
        PromptScript script;
        script.button(yes ? QMessageBox::Yes : QMessageBox::No);
        d.setNewProjectData("Apart", card, 0);
        QCOMPARE(finish(d), yes ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(script.requests().size(), 1);
        const Prompt::Request &rq = script.requests().first();
        QCOMPARE(rq.title, QStringLiteral("Images Problem"));
        QCOMPARE(rq.text, QStringLiteral("The selected image folder contains no images that could be in range of the "
                                         "log file!<br><br>Do you want to create the project anyway?"));
        QCOMPARE(rq.iconPath, QStringLiteral(":/icons/80/warning"));
        QCOMPARE(rq.defaultButton, QMessageBox::No);
        QCOMPARE(d.worker()->mode(), yes ? int(PTMerge::CreateProject) : int(PTMerge::Configure));
        if (!yes) {
            QVERIFY(!QFileInfo::exists(projectDir("Apart")));
            continue;
        }
        for (PTDiag::Row r : {PTDiag::Fast, PTDiag::Deep0, PTDiag::Deep3, PTDiag::CopyImages, PTDiag::CreateThumbs})
            QCOMPARE(d.rowState(r), kSkipped);
        const QVector<PTTag> tags = projectTags("Apart");
        QCOMPARE(tags.size(), int(log.tags.size()));
        for (const PTTag &t : tags)
            QVERIFY(t.imageName.isEmpty());
    }
}

void TestPTDiag::detectionFailed()
{
    // Photos of another flight: in range, but no gap pattern fits.
    const HarlekLogContent log = PTFixture::survey(7);
    QVERIFY(PTFixture::writeLog(sd(), "Other", log));
    const QString card = cardDir("other");
    QDateTime t(QDate(2024, 1, 1), QTime(8, 0));
    for (size_t i = 0; i < log.tags.size(); ++i)
        QVERIFY(PTFixture::writeJpeg(QStringLiteral("%1/P%2.jpg").arg(card).arg(i, 3, 10, QChar('0')), QSize(16, 16),
                                     t = t.addSecs(i % 3 == 0 ? 1 : 9)));
    {
        PTDiag d;
        PromptScript script;
        script.button(QMessageBox::No);
        d.setNewProjectData("Other", card, 0);
        QCOMPARE(finish(d), int(QDialog::Rejected));
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().title, QStringLiteral("Detection failed"));
        QCOMPARE(script.requests().first().text,
                 QStringLiteral("No images could be found for the log file!<br><br>Do you want to create the project "
                                "anyway?"));
        for (PTDiag::Row r : {PTDiag::Fast, PTDiag::Deep0, PTDiag::Deep1, PTDiag::Deep2, PTDiag::Deep3})
            QCOMPARE(d.rowState(r), kFailed);
    }
    // Job 2 on an existing project: accepted, no names, nothing changed.
    QVERIFY(PTFixture::writeLog(sd(), "Base", log));
    {
        PTDiag make;
        PromptScript none;
        make.setOnlyZTEFile("Base", 0);
        QCOMPARE(finish(make), int(QDialog::Accepted));
    }
    PTDiag d;
    PromptScript script;
    d.setMergeOldProject("Base", card, 0);
    QCOMPARE(finish(d), int(QDialog::Accepted));
    QCOMPARE(script.texts(), QStringList{"No images could be found for the log file!"});
    QCOMPARE(script.requests().first().title, QStringLiteral("Detection failed"));
    QVERIFY(d.getImageOldProjectResult().isEmpty());
    QVERIFY(!d.filesChanged());
    QVERIFY(QFile::exists(projectDir("Base") + "/Base.zpt"));
}

void TestPTDiag::cancelWhileReadingKeepsFolders()
{
    const HarlekLogContent log = PTFixture::survey(8);
    QVERIFY(PTFixture::writeLog(sd(), "Reading", log));
    const QString card = cardDir("reading");
    QVERIFY(PTFixture::writeSurveyPhotos(card, log, {}) > 0);
    QDir().mkpath(projectDir("Reading"));  // a folder of that name is not the job's to remove

    PTDiag d;
    PromptScript script;
    connect(d.worker(), &PTMerge::imgData, &d, [&](int i, int) {
        if (i == 2)
            d.findChild<QPushButton *>()->click();
    });
    d.setNewProjectData("Reading", card, 0);
    QCOMPARE(finish(d), int(QDialog::Rejected));
    QCOMPARE(d.worker()->mode(), int(PTMerge::ReadImages));
    QVERIFY(d.worker()->isFinished());
    QVERIFY(QFileInfo::exists(projectDir("Reading")));
    QVERIFY(script.requests().isEmpty());

    // A finish that arrives after the cancel changes nothing.
    const QString before = d.rowState(PTDiag::ReadExif);
    d.threadFinished();
    QCOMPARE(d.rowState(PTDiag::ReadExif), before);
    QVERIFY(d.rowBusy(PTDiag::ReadExif));
    QVERIFY(!d.worker()->isRunning());
}

void TestPTDiag::cancelWhileCopyingRemovesProject()
{
    const HarlekLogContent log = PTFixture::survey(9);
    QVERIFY(PTFixture::writeLog(sd(), "Copying", log));
    const QString card = cardDir("copying");
    QVERIFY(PTFixture::writeSurveyPhotos(card, log, {}) > 0);
    PTDiag d;
    PromptScript script;
    bool cancelled = false;
    connect(d.worker(), &PTMerge::copyFiles, &d, [&](int i, int) {
        if (i == 3 && !cancelled) {
            cancelled = true;
            d.cancelClicked();
        }
    });
    d.setNewProjectData("Copying", card, 0);
    QCOMPARE(finish(d), int(QDialog::Rejected));
    QVERIFY(cancelled);
    QCOMPARE(d.worker()->mode(), int(PTMerge::Copy));
    QVERIFY(!QFileInfo::exists(projectDir("Copying")));
}

void TestPTDiag::photosForAnExistingProject()
{
    const HarlekLogContent log = PTFixture::survey(10);
    QVERIFY(PTFixture::writeLog(sd(), "Refit", log));
    {
        PTDiag make;
        PromptScript none;
        make.setOnlyZTEFile("Refit", 0);
        QCOMPARE(finish(make), int(QDialog::Accepted));
    }
    // An earlier photo set in the folder goes before the new one comes.
    for (const char *n : {"OLD1.JPG", "thumb_OLD1.JPG", "raw.arw"}) {
        QFile f(projectDir("Refit") + "/" + n);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString card = cardDir("refit");
    QVERIFY(PTFixture::writeSurveyPhotos(card, log, {0}) > 0);
    PTDiag d;
    PromptScript script;
    d.setMergeOldProject("Refit", card, 0);
    QCOMPARE(finish(d), int(QDialog::Accepted));
    QVERIFY(script.requests().isEmpty());
    QVERIFY(d.filesChanged());
    const QStringList names = d.getImageOldProjectResult();
    QCOMPARE(names.size(), int(log.tags.size()));
    QVERIFY(names.first().isEmpty());
    QCOMPARE(names.at(1), QStringLiteral("DSC1001.JPG"));
    QCOMPARE(d.rowState(PTDiag::CreateThumbs), kFinished);
    QVERIFY(d.rowBusy(PTDiag::CreateFile));  // job 2 leaves the file to the window
    QVERIFY(!QFile::exists(projectDir("Refit") + "/OLD1.JPG"));
    QVERIFY(!QFile::exists(projectDir("Refit") + "/thumb_OLD1.JPG"));
    QVERIFY(QFile::exists(projectDir("Refit") + "/raw.arw"));
    QVERIFY(QFile::exists(projectDir("Refit") + "/thumb_DSC1001.JPG"));
    // The project file itself is untouched: still no names.
    for (const PTTag &t : projectTags("Refit"))
        QVERIFY(t.imageName.isEmpty());
}

void TestPTDiag::existingProjectCancelledTellsWhetherFilesChanged()
{
    const HarlekLogContent log = PTFixture::survey(11);
    QVERIFY(PTFixture::writeLog(sd(), "Stop", log));
    {
        PTDiag make;
        PromptScript none;
        make.setOnlyZTEFile("Stop", 0);
        QCOMPARE(finish(make), int(QDialog::Accepted));
    }
    const QString card = cardDir("stop");
    QVERIFY(PTFixture::writeSurveyPhotos(card, log, {10, 30, 50}) > 0);
    // Photos of another flight: every pass runs and fails.
    const QString other = cardDir("stop-other");
    QDateTime t(QDate(2024, 1, 1), QTime(8, 0));
    for (size_t i = 0; i < log.tags.size(); ++i)
        QVERIFY(PTFixture::writeJpeg(QStringLiteral("%1/P%2.jpg").arg(other).arg(i, 3, 10, QChar('0')), QSize(16, 16),
                                     t = t.addSecs(i % 3 == 0 ? 1 : 9)));

    // Stopped in the last detection pass: nothing was touched, so the
    // window keeps its project (accepted).
    {
        PTDiag d;
        PromptScript script;
        connect(d.worker(), &PTMerge::detDeep3, &d, [&] { d.cancelClicked(); });
        d.setMergeOldProject("Stop", other, 0);
        QCOMPARE(finish(d), int(QDialog::Accepted));
        QCOMPARE(d.worker()->mode(), int(PTMerge::Deep3));
        QVERIFY(!d.filesChanged());
    }
    // Stopped while copying: the folder changed, the window must reset it.
    {
        PTDiag d;
        PromptScript script;
        connect(d.worker(), &PTMerge::copyFiles, &d, [&](int i, int) {
            if (i >= 3)
                d.cancelClicked();
        });
        d.setMergeOldProject("Stop", card, 0);
        QCOMPARE(finish(d), int(QDialog::Rejected));
        QVERIFY(d.filesChanged());
        QVERIFY(QFile::exists(projectDir("Stop") + "/Stop.zpt"));  // job 2 removes no folder
    }
}

KORVEL_TEST_MAIN(TestPTDiag)
#include "test_ptdiag.moc"
