// The database's photo-tagger page, the merge dialog and the merge itself
// on real project folders.
#include "core/data.h"
#include "database/dbmain.h"
#include "database/dbphototagger.h"
#include "database/dbphototaggermergediag.h"
#include "phototagger/ptprojectfile.h"
#include "phototagger/ptprojectmerge.h"
#include "support/testkit.h"

#include <QDataStream>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

using KorvelTest::PromptScript;

namespace {

QString folder(const QString &name) { return PTProjectFile::projectFolder(name); }

PTTag tag(const QString &image, const QDateTime &time, double lat = 48.0, double lon = 11.0, bool on = true)
{
    PTTag t;
    t.imageName = image;
    t.latitude = lat;
    t.longitude = lon;
    t.relativeHeight = 42.5;
    t.time = time;
    t.enabled = on;
    return t;
}

QDateTime at(int hour) { return QDateTime(QDate(2020, 6, 1), QTime(hour, 0), Qt::UTC); }

// A project whose photos and previews hold their own identity as content.
void project(const QString &name, const QVector<PTTag> &tags, int type = PTImageJpeg)
{
    QDir(folder(name)).removeRecursively();
    QDir().mkpath(folder(name));
    QVERIFY(PTProjectFile::save(PTProjectFile::projectFilePath(name), type, tags));
    for (const PTTag &t : tags) {
        if (t.imageName.isEmpty())
            continue;
        for (const QString &f : {t.imageName, PTProjectFile::previewName(t.imageName, type)}) {
            QFile file(folder(name) + "/" + f);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write((name + ":" + f).toUtf8());
        }
    }
}

void clearAll() { QDir(PTProjectFile::projectsFolder()).removeRecursively(); QDir().mkpath(PTProjectFile::projectsFolder()); }

// identity -> how many files under the phototagger folder hold it
QMap<QString, int> identities()
{
    QMap<QString, int> out;
    QDirIterator it(PTProjectFile::projectsFolder(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.endsWith(".zpt"))
            continue;
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        out[QString::fromUtf8(f.readAll())] += 1;
    }
    return out;
}

// Every project file names only photos its folder holds.
bool filesAgree()
{
    for (const QString &p : QDir(PTProjectFile::projectsFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        PTProjectContent c;
        if (PTProjectFile::load(PTProjectFile::projectFilePath(p), c) != PTProjectFile::Status::Ok)
            return false;
        for (const PTTag &t : c.tags)
            if (!t.imageName.isEmpty() && !QFile::exists(folder(p) + "/" + t.imageName))
                return false;
    }
    return true;
}

QStringList names(const QString &project)
{
    PTProjectContent c;
    PTProjectFile::load(PTProjectFile::projectFilePath(project), c);
    QStringList out;
    for (const PTTag &t : c.tags)
        out << t.imageName;
    return out;
}

// Metres north of (48, 11) as latitude.
double north(double metres) { return 48.0 + metres / 111300.0; }

bool inRecent(const QString &name)
{
    for (int i = 0; i < 32; ++i)
        if (Data::instance()->recentType(i) == OpenKind::PhotoTagger && Data::instance()->recentName(i) == name)
            return true;
    return false;
}

void writeHead(QDataStream &s, quint32 version, qint32 type, qint32 count)
{
    s << PTProjectFile::magic() << version;
    if (version >= 120)
        s << type;
    s << count;
}

}  // namespace

class TestDBPhotoTagger : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false")); }
    void init() { clearAll(); }

    // File versions and image types as the page shows them.
    void pageShowsFile_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("versionText");
        QTest::addColumn<QString>("format");
        QTest::newRow("100") << 100 << 0 << "1" << "JPEG";
        QTest::newRow("110") << 110 << 0 << "1.1" << "JPEG";
        QTest::newRow("120 jpeg") << 120 << 0 << "1.2" << "JPEG";
        QTest::newRow("120 tiff") << 120 << 1 << "1.2" << "TIFF";
        QTest::newRow("120 arw") << 120 << 2 << "1.2" << "ARW";
    }
    void pageShowsFile()
    {
        QFETCH(int, version);
        QFETCH(int, type);
        QFETCH(QString, versionText);
        QFETCH(QString, format);
        QDir().mkpath(folder("Page"));
        QFile f(PTProjectFile::projectFilePath("Page"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QDataStream s(&f);
        s.setVersion(QDataStream::Qt_4_6);
        writeHead(s, version, type, 3);
        const QStringList imgs{"a.jpg", "", "c.jpg"};
        for (int i = 0; i < 3; ++i) {
            s << imgs.at(i) << 48.5 << 11.25 << 42.5;
            if (version > 100)
                s << 500.0;
            s << -90.0 << 0.0 << 45.0 << at(10 + i) << qint32(i + 1) << qint8(i == 2 ? 0 : 1);
        }
        f.close();
        DBPhotoTagger page;
        page.setData("Page");
        QCOMPARE(page.value(DBPhotoTagger::Version), versionText);
        QCOMPARE(page.value(DBPhotoTagger::Format), format);
        QCOMPARE(page.value(DBPhotoTagger::TotalTags), QString("3"));
        QCOMPARE(page.value(DBPhotoTagger::ImageTags), QString("2"));
        QCOMPARE(page.value(DBPhotoTagger::Disabled), QString("1"));
        QCOMPARE(page.value(DBPhotoTagger::Latitude), QString("48.5") + QChar(0xB0));
        QCOMPARE(page.value(DBPhotoTagger::Height), QString("42.5m"));
        QVERIFY(page.value(DBPhotoTagger::Date).startsWith("1. June 2020 - "));
    }

    void pageShowsBadFiles()
    {
        DBPhotoTagger page;
        project("Good", {tag("a.jpg", at(10))});
        page.setData("Good");
        QCOMPARE(page.value(DBPhotoTagger::Format), QString("JPEG"));
        // Missing file.
        page.setData("Missing");
        QVERIFY(page.value(DBPhotoTagger::Version).contains("NOT VALID"));
        QCOMPARE(page.value(DBPhotoTagger::Format), QString("-"));
        QCOMPARE(page.value(DBPhotoTagger::TotalTags), QString("-"));
        // A count far beyond the bytes there: refused at once, no loop.
        QDir().mkpath(folder("Huge"));
        QFile f(PTProjectFile::projectFilePath("Huge"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QDataStream s(&f);
        s.setVersion(QDataStream::Qt_4_6);
        writeHead(s, 120, 0, 0x7fffffff);
        f.close();
        page.setData("Huge");
        QVERIFY(page.value(DBPhotoTagger::Version).contains("NOT VALID"));
        QCOMPARE(page.value(DBPhotoTagger::Date), QString("-"));
        // No tags: "-" in the first-tag rows.
        project("Empty", {});
        page.setData("Empty");
        QCOMPARE(page.value(DBPhotoTagger::TotalTags), QString("0"));
        QCOMPARE(page.value(DBPhotoTagger::Latitude), QString("-"));
        QCOMPARE(page.value(DBPhotoTagger::Date), QString("-"));
    }

    void openProjectsRefuseChanges()
    {
        project("Busy", {tag("a.jpg", at(10))});
        const int id = Data::instance()->registerOpen(OpenKind::PhotoTagger, "Busy");
        DBPhotoTagger page;
        page.setData("Busy");
        PromptScript script;
        QSignalSpy opened(&page, &DBPhotoTagger::openProject);
        for (const QString &text : {QString("Merge project"), QString("Split project")})
            page.button(text)->click();
        for (QPushButton *b : page.findChildren<QPushButton *>())
            b->click();  // Rename, Delete...
        QCOMPARE(script.requests().size(), 4);
        for (const Prompt::Request &r : script.requests())
            QCOMPARE(r.iconPath, QString(":/icons/80/error"));
        QVERIFY(QFile::exists(PTProjectFile::projectFilePath("Busy")));
        page.button("Open project")->click();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first().first().toString(), QString("Busy"));
        Data::instance()->unregisterOpen(id);
    }

    void deleteAndArchiveExport()
    {
        project("Gone", {tag("a.jpg", at(10))});
        Data::instance()->addRecent(OpenKind::PhotoTagger, "Gone");
        DBPhotoTagger page;
        page.setData("Gone");
        QSignalSpy removed(&page, &DBPhotoTagger::ptRemoved);
        QSignalSpy update(&page, &DBPhotoTagger::updateDB);
        // The archive dialog, cancelled, still asks for a refresh.
        KorvelTest::whenModal([](QWidget *w) { w->close(); });
        page.button("Export ZPX")->click();
        QCOMPARE(update.size(), 1);
        PromptScript script;
        script.button(QMessageBox::No);
        QPushButton *del = page.findChildren<QPushButton *>().at(1);
        del->click();
        QVERIFY(QFileInfo::exists(folder("Gone")));
        script.button(QMessageBox::Yes);
        del->click();
        QCOMPARE(script.requests().last().title, QString("Confirm deletion"));
        QVERIFY(!QFileInfo::exists(folder("Gone")));
        QCOMPARE(removed.size(), 1);
        QVERIFY(!inRecent("Gone"));
    }

    void renameRolledBackWhenFolderExists()
    {
        project("Old", {tag("a.jpg", at(10))});
        QDir().mkpath(folder("Taken") + "/sub");  // the folder rename cannot replace it
        DBPhotoTagger page;
        page.setData("Old");
        QSignalSpy renamed(&page, &DBPhotoTagger::ptRenamed);
        PromptScript script;
        KorvelTest::whenModal([](QWidget *w) {
            w->findChild<QLineEdit *>()->setText("Taken");
            for (QPushButton *b : w->findChildren<QPushButton *>())
                if (b->text() == "Rename")
                    b->click();
        });
        page.findChildren<QPushButton *>().first()->click();
        QCOMPARE(renamed.size(), 0);
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().title, QString("Can't rename photo tagger project"));
        QVERIFY(QFile::exists(PTProjectFile::projectFilePath("Old")));
        QCOMPARE(page.value(DBPhotoTagger::Name), QString("Old"));
    }

    void oldVersionWarnsBeforeExport()
    {
        QDir().mkpath(folder("V100"));
        QFile f(PTProjectFile::projectFilePath("V100"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QDataStream s(&f);
        s.setVersion(QDataStream::Qt_4_6);
        writeHead(s, 100, 0, 0);
        f.close();
        DBPhotoTagger page;
        page.setData("V100");
        PromptScript script;
        KorvelTest::whenModal([](QWidget *w) { w->close(); });
        page.button("Export")->click();
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().title, QString("Old file version"));
    }

    void mergeCandidatesAndTotals()
    {
        project("Here", {tag("h1.jpg", at(11)), tag("", at(11))});
        project("Near", {tag("n1.jpg", at(9), north(4999))});
        project("Edge", {tag("e1.jpg", at(9), north(5000))});
        project("Far", {tag("f1.jpg", at(9), north(20000))});
        project("Empty", {});
        project("Ten", QVector<PTTag>(10, tag("", at(12), north(10))));
        DBPhotoTaggerMergeDiag d("Here");
        QStringList listed;
        for (int i = 0; i < d.tree()->topLevelItemCount(); ++i)
            listed << d.tree()->topLevelItem(i)->text(0);
        QCOMPARE(listed, (QStringList{"Near", "Ten"}));
        QCOMPARE(d.currentTotalTags(), QString("2"));
        QCOMPARE(d.currentTaggedImages(), QString("1"));
        d.tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
        d.tree()->topLevelItem(1)->setCheckState(0, Qt::Checked);
        QCOMPARE(d.mergedTotalTags(), QString("13"));
        QCOMPARE(d.mergedTaggedImages(), QString("2"));
        d.tree()->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        QCOMPARE(d.mergedTotalTags(), QString("3"));
        QCOMPARE(d.currentTotalTags(), QString("2"));
        // A project open in its tab is listed greyed.
        const int id = Data::instance()->registerOpen(OpenKind::PhotoTagger, "Near");
        DBPhotoTaggerMergeDiag busy("Here");
        QVERIFY(busy.tree()->topLevelItem(0)->isDisabled());
        Data::instance()->unregisterOpen(id);
        // A project without tags has nothing to measure from.
        DBPhotoTaggerMergeDiag empty("Empty");
        QCOMPARE(empty.candidateCount(), 0);
    }

    void mergeOrdersByFirstTagAndRenamesClashes_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("new target") << "Joined";
        QTest::newRow("target is a selected project") << "PC";
        QTest::newRow("target differs in case") << "pc";
    }
    void mergeOrdersByFirstTagAndRenamesClashes()
    {
        QFETCH(QString, target);
        project("PA", {tag("IMG_0001.JPG", at(10)), tag("", at(10))});
        project("PB", {tag("IMG_0001.JPG", at(11)), tag("b.jpg", at(11), 48.0, 11.0, false)});
        project("PC", {tag("IMG_0001.JPG", at(12)), tag("b.jpg", at(12))});
        const QMap<QString, int> before = identities();
        DBPhotoTaggerMergeDiag d("PB");
        for (int i = 0; i < d.tree()->topLevelItemCount(); ++i)
            d.tree()->topLevelItem(i)->setCheckState(0, Qt::Checked);
        d.nameEdit()->setText(target);
        PromptScript script;
        script.button(QMessageBox::Yes);
        d.mergeButton()->click();
        QVERIFY2(d.result() == QDialog::Accepted, qPrintable(script.texts().join("|")));
        const QString real = target == "Joined" ? target : QString("PC");
        // PB's photos keep their names; later joiners give way.
        QCOMPARE(names(real), (QStringList{"IMG_0001_.JPG", "", "IMG_0001.JPG", "b.jpg", "IMG_0001__.JPG", "b_.jpg"}));
        PTProjectContent c;
        PTProjectFile::load(PTProjectFile::projectFilePath(real), c);
        for (int i = 0; i < c.tags.size(); ++i)
            QCOMPARE(c.tags.at(i).tagValue, i + 1);
        QVERIFY(!c.tags.at(3).enabled);
        QCOMPARE(identities(), before);
        QVERIFY(filesAgree());
        QCOMPARE(QFile(folder(real) + "/thumb_IMG_0001_.JPG").exists(), true);
        QStringList left = QDir(PTProjectFile::projectsFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(left, QStringList{real});
    }

    void mergeRefusesBadNames_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("title");
        QTest::newRow("one character") << "X" << "Invalid project name!";
        QTest::newRow("slash") << "a/b" << "Invalid project name!";
        QTest::newRow("other project") << "other" << "Project already exists!";
    }
    void mergeRefusesBadNames()
    {
        QFETCH(QString, target);
        QFETCH(QString, title);
        project("A", {tag("a.jpg", at(10))});
        project("B", {tag("b.jpg", at(11))});
        project("Other", {tag("o.jpg", at(11), 50.0)});
        DBPhotoTaggerMergeDiag d("A");
        d.tree()->topLevelItem(0)->setCheckState(0, Qt::Checked);
        d.nameEdit()->setText(target);
        PromptScript script;
        d.mergeButton()->click();
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().title, title);
        QVERIFY(filesAgree());
        QCOMPARE(names("A"), QStringList{"a.jpg"});
    }

    // After each failure every photo is where it was and each file agrees.
    void mergeFailuresLoseNothing_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("unreadable source") << "unreadable";
        QTest::newRow("unwritable target") << "save";
        QTest::newRow("failing move") << "move";
        QTest::newRow("failing clash rename") << "clash";
        QTest::newRow("mixed types") << "types";
    }
    void mergeFailuresLoseNothing()
    {
        QFETCH(QString, failure);
        project("A", {tag("IMG_0001.JPG", at(10)), tag("a2.jpg", at(10))});
        project("B", {tag("IMG_0001.JPG", at(11)), tag("b2.jpg", at(11))}, failure == "types" ? PTImageTiff : PTImageJpeg);
        Data::instance()->addRecent(OpenKind::PhotoTagger, "A");
        if (failure == "unreadable") {
            QFile f(PTProjectFile::projectFilePath("B"));
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.resize(f.size() - 3);
        }
        const QMap<QString, int> before = identities();
        PTProjectMerge::Io io = PTProjectMerge::defaultIo();
        int moves = 0;
        if (failure == "save")
            io.save = [](const QString &, int, const QVector<PTTag> &, QString *) { return false; };
        if (failure == "move")
            io.move = [&](const QString &a, const QString &b, QString *) { return ++moves != 3 && QFile::rename(a, b); };
        if (failure == "clash")
            io.move = [](const QString &a, const QString &b, QString *) {
                return !b.endsWith("IMG_0001_.JPG") && QFile::rename(a, b);
            };
        const PTProjectMerge::Result r = PTProjectMerge::merge({"A", "B"}, "Joined",
                                                               {"A", "B"}, io);
        QVERIFY(!r.ok);
        QVERIFY(!r.error.isEmpty());
        QCOMPARE(identities(), before);
        QVERIFY(QFile::exists(PTProjectFile::projectFilePath("A")));
        QVERIFY(!QFileInfo::exists(folder("Joined")));
        if (failure != "unreadable")
            QVERIFY(filesAgree());
        QCOMPARE(names("A"), (QStringList{"IMG_0001.JPG", "a2.jpg"}));
        QVERIFY(inRecent("A"));
        // Once the obstacle is gone, the same merge succeeds.
        if (failure == "move" || failure == "save" || failure == "clash") {
            QVERIFY(PTProjectMerge::merge({"A", "B"}, "Joined", {"A", "B"}).ok);
            QCOMPARE(identities(), before);
            QVERIFY(filesAgree());
        }
    }

    // A merge cut off on the way (a step that never returns stands for the
    // program being killed there) is finished or taken back the next time
    // the database lists the projects.
    void cutOffMergeEndsWhenListed_data()
    {
        QTest::addColumn<int>("moves");  // moves made before the cut; -1: cut after the file
        QTest::newRow("before the first move") << 0;
        QTest::newRow("after three moves") << 3;
        QTest::newRow("after every move, before the file") << 8;
        QTest::newRow("after the merged file") << -1;
    }
    void cutOffMergeEndsWhenListed()
    {
        QFETCH(int, moves);
        clearAll();
        project("A", {tag("IMG_0001.JPG", at(10)), tag("a2.jpg", at(10))});
        project("B", {tag("IMG_0001.JPG", at(11)), tag("b2.jpg", at(11))});
        const QMap<QString, int> before = identities();
        struct Cut {};
        PTProjectMerge::Io io = PTProjectMerge::defaultIo();
        int made = 0;
        io.move = [&](const QString &a, const QString &b, QString *) {
            if (made == moves)
                throw Cut();
            ++made;
            return QFile::rename(a, b);
        };
        io.save = [&](const QString &path, int type, const QVector<PTTag> &tags, QString *error) {
            if (made == moves)
                throw Cut();
            return PTProjectFile::save(path, type, tags, error);
        };
        io.removeFolder = [](const QString &) -> bool { throw Cut(); };
        bool cut = false;
        try {
            PTProjectMerge::merge({"A", "B"}, "Joined", {"A", "B"}, io);
        } catch (const Cut &) {
            cut = true;
        }
        QVERIFY(cut);
        QVERIFY(QFileInfo::exists(PTProjectMerge::journalPath()));

        DBMain db;
        db.updateDBComplete();
        QStringList listed;
        for (QTreeWidgetItem *item : db.items(DBMain::PhotoTagger))
            listed << item->text(0);
        listed.sort();
        QCOMPARE(listed, moves < 0 ? QStringList{"Joined"} : (QStringList{"A", "B"}));
        QVERIFY(!QFileInfo::exists(PTProjectMerge::journalPath()));
        QCOMPARE(identities(), before);
        QVERIFY(filesAgree());
        if (moves >= 0)
            QCOMPARE(names("A"), (QStringList{"IMG_0001.JPG", "a2.jpg"}));
        else
            QCOMPARE(names("Joined"), (QStringList{"IMG_0001.JPG", "a2.jpg", "IMG_0001_.JPG", "b2.jpg"}));
        // Nothing more to do the next time.
        QCOMPARE(PTProjectMerge::finishInterrupted(), PTProjectMerge::Recovery::Nothing);
    }
};

KORVEL_TEST_MAIN(TestDBPhotoTagger)
#include "test_dbphototagger.moc"
