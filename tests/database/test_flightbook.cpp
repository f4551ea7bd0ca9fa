// The flight book window on the local test map page: scanning and listing,
// the tool-bar actions, the flight drawn on the map, copying into the
// workspace and packing. Every web request but local files is blocked.
#include "core/data.h"
#include "database/flightbook/fbconverter.h"
#include "database/flightbook/flightbook.h"
#include "database/flightbook/flightbookthread.h"
#include "logfixtures.h"
#include "maps/acquisition/webmap.h"

namespace {
// The tests link the map page, so the pages they get are of this WebMap.
WebMap *web(MapPage *page)
{
    return dynamic_cast<WebMap *>(page);
}
}  // namespace
#include "support/localonly.h"
#include "support/testkit.h"

#include <QDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QTreeView>
#include <QTreeWidget>
#include <QWebEngineProfile>
#include <QtTest>

#include <cerrno>
#include <cstring>

using namespace LogFixtures;

namespace {

const bool s_sharedContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

// A log starting at the given day of 2016 (UTC), near Sydney.
HarlekLogContent onDay(int day)
{
    HarlekLogContent c = sydney();
    c.startUTC = 1451606400000LL + int64_t(day) * 86400000LL;
    return c;
}

QStringList rowNames(const Flightbook& fb)
{
    QStringList names;
    for (int i = 0; i < fb.logTree()->topLevelItemCount(); ++i)
        names << fb.logTree()->topLevelItem(i)->text(0);
    return names;
}

QTreeWidgetItem* row(const Flightbook& fb, const QString& name)
{
    const auto found = fb.logTree()->findItems(name, Qt::MatchExactly, 0);
    return found.isEmpty() ? nullptr : found.first();
}

bool idle(const Flightbook& fb)
{
    return KorvelTest::waitFor([&] { return !fb.isBusy(); });
}

// Selects the rows in this order (extended selection, as Ctrl-clicks do).
void select(const Flightbook& fb, const QStringList& names)
{
    fb.logTree()->clearSelection();
    for (const QString& name : names)
        row(fb, name)->setSelected(true);
}

QVariant js(QWebEnginePage *page, const QString &script)
{
    return KorvelTest::runScript(page, script);
}

// Loaded, then every call the page receives is kept.
bool recordCalls(WebMap* map)
{
    return KorvelTest::waitForTestPage(map)
           && KorvelTest::recordCalls(map, {"gotoLatLon", "addPin", "addLinePoint", "drawLine", "cleanMarkers", "clearPath"});
}

QStringList takeCalls(WebMap* map)
{
    QStringList calls;
    for (const QVariant& v : js(map, "window.calls.splice(0)").toList())
        calls << v.toString();
    return calls;
}

// Calls after the page has run everything sent so far: scripts run in the
// order they are sent, so the one that takes the calls runs after them all.
QStringList settledCalls(WebMap* map)
{
    return takeCalls(map);
}

QStringList zipEntries(const QString& zip)
{
    QProcess p;
    p.start("zipinfo", {"-1", zip});
    p.waitForFinished(30000);
    QStringList names = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    names.sort();
    return names;
}

bool zipIsValid(const QString& zip)
{
    QProcess p;
    p.start("unzip", {"-tq", zip});
    p.waitForFinished(30000);
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Calls fn with the visible progress dialog each time events are processed:
// a posted event that posts itself again is delivered once per pass, however
// busy the machine is (a timer is not).
class ProgressWatch : public QObject
{
public:
    explicit ProgressWatch(std::function<void(QProgressDialog*)> fn) : m_fn(std::move(fn))
    {
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
    }

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        QList<QPointer<QProgressDialog>> shown;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<QProgressDialog*>(w))
                if (p->isVisible())
                    shown << p;
        for (const QPointer<QProgressDialog>& p : shown)
            if (p)
                m_fn(p);
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
        return true;
    }

private:
    std::function<void(QProgressDialog*)> m_fn;
};

std::unique_ptr<ProgressWatch> onProgress(std::function<void(QProgressDialog*)> fn)
{
    return std::make_unique<ProgressWatch>(std::move(fn));
}

class RecordingFlightbook : public Flightbook
{
public:
    using Flightbook::Flightbook;
    QStringList actions;  // "KML|GPX|CSV <file>" followed by the paths

protected:
    void runExport(Export kind, const QStringList& paths) override
    {
        actions << QString(kind == Export::KML ? "KML" : "GPX") + QString(paths.size() == 1 ? " one" : " several");
        actions << paths;
    }
    void runLogBook(const QString& csvFile, const QStringList& paths) override
    {
        actions << "CSV " + csvFile;
        actions << paths;
    }
};

}  // namespace

class TestFlightbook : public QObject
{
    Q_OBJECT
    KorvelTest::LocalOnly m_filter{KorvelTest::LocalOnly::BlockLoopback};
    QTemporaryDir m_dir;
    QString m_card;  // L2016-01-11, L2016-03-01, L2016-02-01; two decoys

    QString logsFolder() const { return Data::instance()->harlekSDPath() + "/logs"; }

private slots:
    void initTestCase()
    {
        setMapViewMaker(&WebMap::makeView);
        QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&m_filter);
        Data* data = Data::instance();
        const QString folder = data->mapApiPath() + "/TestMap";
        QVERIFY(QDir().mkpath(folder));
        QFile::remove(folder + "/index.html");
        QVERIFY(QFile::copy(QDir::cleanPath(KORVEL_TEST_DATA "/../../maps/data/testmap/index.html"),
                            folder + "/index.html"));
        QVERIFY(data->setCurrentMapService("TestMap"));

        m_card = m_dir.filePath("card");
        write(m_card + "/JAN", onDay(10));
        write(m_card + "/MAR", onDay(60));
        write(m_card + "/FEB", onDay(31));
        write(m_card + "/misc/deeper/APR", onDay(90));  // below the direct sub-folders
        QDir().mkpath(m_card + "/broken");
        QFile broken(m_card + "/broken/GPS.LOG");
        QVERIFY(broken.open(QIODevice::WriteOnly));
    }

    void cleanupTestCase() { QVERIFY2(m_filter.blocked.isEmpty(), qPrintable(m_filter.blocked.join(' '))); }

    void init() { QDir(logsFolder()).removeRecursively(); }

    void scanAndList()
    {
        Data::instance()->settings()->remove("LastFlightBookPath");
        {
            Flightbook fb;
            QVERIFY(!fb.folderTree()->currentIndex().isValid());
            QVERIFY(fb.chooseFolder(m_card));
            QVERIFY(fb.isBusy());
            QVERIFY(!fb.logTree()->isEnabled());
            QVERIFY(idle(fb));
            QVERIFY(fb.logTree()->isEnabled());
            // Newest first; the folder that cannot be read last.
            QCOMPARE(rowNames(fb), (QStringList{"MAR", "FEB", "JAN", "broken"}));
            QCOMPARE(Data::instance()->settings()->value("LastFlightBookPath").toString(),
                     QDir(m_card).absolutePath());

            // A header click does not sort again.
            QHeaderView* header = fb.logTree()->header();
            fb.resize(900, 700);
            fb.show();
            QVERIFY(QTest::qWaitForWindowExposed(&fb));
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
            QCOMPARE(rowNames(fb), (QStringList{"MAR", "FEB", "JAN", "broken"}));

            // Of two rows named alike the first one stays.
            auto* twin = new QTreeWidgetItem(QStringList{"FEB", "other"});
            fb.newItem(twin);
            QCOMPARE(rowNames(fb), (QStringList{"MAR", "FEB", "JAN", "broken"}));
            QCOMPARE(row(fb, "FEB")->text(1), QString("2016-02-01 00:00"));
        }

        // The last folder is scanned again at start.
        {
            Flightbook fb;
            QVERIFY(idle(fb));
            QCOMPARE(rowNames(fb), (QStringList{"MAR", "FEB", "JAN", "broken"}));
        }

        // A last folder that is gone: nothing chosen, nothing scanned.
        Data::instance()->settings()->setValue("LastFlightBookPath", m_dir.filePath("gone"));
        Flightbook fb;
        QVERIFY(!fb.folderTree()->currentIndex().isValid());
        QVERIFY(!fb.isBusy());
        QCOMPARE(fb.logTree()->topLevelItemCount(), 0);
    }

    void otherFoldersAndScans()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 30; ++i)
            write(dir.filePath(QString("big/B%1").arg(i)), onDay(i));
        write(dir.filePath("small/S1"), onDay(1));
        QDir().mkpath(dir.filePath("vanishing"));

        Flightbook fb;
        QVERIFY(fb.chooseFolder(dir.filePath("big")));
        QVERIFY(fb.chooseFolder(dir.filePath("small")));
        QVERIFY(idle(fb));
        // A scan thread goes only after its end, behind every row it sent.
        QVERIFY(KorvelTest::waitFor([&] { return fb.findChildren<FlightBookThread*>().isEmpty(); }));
        QCOMPARE(rowNames(fb), QStringList{"S1"});
        QVERIFY(fb.logTree()->isEnabled());

        // A folder that cannot be listed leaves an empty, usable list.
        const QString before = Data::instance()->settings()->value("LastFlightBookPath").toString();
        auto* model = qobject_cast<QFileSystemModel*>(fb.folderTree()->model());
        const QModelIndex vanishing = model->index(dir.filePath("vanishing"));
        QVERIFY(vanishing.isValid());
        QVERIFY(QDir(dir.filePath("vanishing")).removeRecursively());
        fb.updateFlightBook(vanishing);
        QCOMPARE(fb.logTree()->topLevelItemCount(), 0);
        QVERIFY(fb.logTree()->isEnabled());
        QVERIFY(!fb.isBusy());
        QCOMPARE(Data::instance()->settings()->value("LastFlightBookPath").toString(), before);

        // Closing the window during a scan stops it.
        auto* closing = new Flightbook;
        QVERIFY(closing->chooseFolder(dir.filePath("big")));
        delete closing;
    }

    void buttonsAndWarnings()
    {
        QWidget parent;
        auto* fb = new RecordingFlightbook(&parent);
        QVERIFY(fb->chooseFolder(m_card));
        QVERIFY(idle(*fb));
        for (QToolButton* b : {fb->copyButton(), fb->kmlButton(), fb->gpxButton(), fb->packButton()})
            QVERIFY2(!b->isEnabled(), qPrintable(b->text()));
        QVERIFY(fb->csvButton()->isEnabled());
        QCOMPARE(fb->copyButton()->text(), QString("Copy to database"));
        QCOMPARE(fb->packButton()->text(), QString("Export for sending"));

        struct Warning { const char* slot; const char* text; const char* title; };
        const Warning warnings[] = {
            {"copy2Database", "You have to select a logfile for copying it to your database.", "No log file selected!"},
            {"kmlExportHarlekLog", "You have to select a logfile to export to a KML file", "No log file selected!"},
            {"export2gpx", "You have to select a logfile for exporting.", "No log file selected!"},
            {"pack4Korvel", "You have to select a logfile for exporting.", "No log file selected!"},
        };
        for (const Warning& w : warnings) {
            KorvelTest::PromptScript script;
            QVERIFY(QMetaObject::invokeMethod(fb, w.slot));
            QCOMPARE(script.requests().size(), 1);
            const Prompt::Request& rq = script.requests().first();
            QCOMPARE(rq.text, QString(w.text));
            QCOMPARE(rq.title, QString(w.title));
            QCOMPARE(rq.iconPath, QString(":/icons/80/warning"));
            QCOMPARE(rq.parent, &parent);
        }
        QVERIFY(fb->actions.isEmpty());

        const QString jan = row(*fb, "JAN")->data(0, Qt::UserRole).toString();
        const QString feb = row(*fb, "FEB")->data(0, Qt::UserRole).toString();
        const QString mar = row(*fb, "MAR")->data(0, Qt::UserRole).toString();
        select(*fb, {"JAN", "MAR"});
        for (QToolButton* b : {fb->copyButton(), fb->kmlButton(), fb->gpxButton(), fb->packButton()})
            QVERIFY(b->isEnabled());
        fb->kmlButton()->click();
        fb->gpxButton()->click();
        select(*fb, {"FEB"});
        fb->kmlButton()->click();
        fb->gpxButton()->click();
        QCOMPARE(fb->actions, (QStringList{"KML several", jan, mar, "GPX several", jan, mar, "KML one", feb,
                                           "GPX one", feb}));
        fb->actions.clear();

        // The CSV log book takes every listed log, whatever is selected.
        {
            KorvelTest::PromptScript script;
            script.path(m_dir.filePath("book")).path(m_dir.filePath("BOOK.CSV")).cancel();
            fb->csvButton()->click();
            fb->csvButton()->click();
            fb->csvButton()->click();
            QCOMPARE(script.requests().size(), 3);
            QCOMPARE(script.requests().first().title, QString("Set CSV file location"));
            QCOMPARE(script.requests().first().filter, QString("CSV file (*.csv)"));
        }
        QCOMPARE(fb->actions, (QStringList{"CSV " + m_dir.filePath("book.csv"), mar, feb, jan,
                                           "CSV " + m_dir.filePath("BOOK.CSV"), mar, feb, jan}));
        QSettings settings("Brisolan Technologies", "Korvel Tarvendel");
        QCOMPARE(settings.value("Last Waypoint CSV Export Path").toString(), QDir(m_dir.path()).absolutePath());

        // No logs listed: the log book warns.
        fb->updateFlightBook(QModelIndex());
        KorvelTest::PromptScript script;
        fb->csvButton()->click();
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().text, QString("There are no harlek logs in the selected folder."));
        QCOMPARE(script.requests().first().title, QString("No logs"));
    }

    // The real dialogs behind the buttons: the exports open and the log
    // book is written.
    void exportDialogsRun()
    {
        Flightbook fb;
        QVERIFY(fb.chooseFolder(m_card));
        QVERIFY(idle(fb));
        for (const QStringList& rows : {QStringList{"FEB"}, QStringList{"FEB", "JAN"}}) {
            select(fb, rows);
            for (QToolButton* button : {fb.kmlButton(), fb.gpxButton()}) {
                QString title;
                KorvelTest::whenModal([&](QWidget* w) {
                    title = w->metaObject()->className();
                    qobject_cast<QDialog*>(w)->reject();
                });
                button->click();
                QCOMPARE(title, QString("QDialog"));
            }
        }
        QTemporaryDir out;
        KorvelTest::PromptScript script;
        script.path(out.filePath("book"));
        fb.csvButton()->click();
        QFile book(out.filePath("book.csv"));
        QVERIFY(book.open(QIODevice::ReadOnly));
        const QByteArray text = book.readAll();
        for (const char* name : {"JAN", "FEB", "MAR"})
            QVERIFY2(text.contains(name), text.constData());
    }

    void mapFilters()
    {
        Position start{10.0, 20.0, 100.0};
        std::vector<PathPoint> path = {point(0, 10.0, 20.0, 1, 3),      point(0, 0.0, 20.01, 1, 3),
                                       point(0, 10.01, 0.0, 1, 3),      point(0, 10.1, 20.0, 1, 3),
                                       point(0, 10.0, 19.9, 1, 3),      point(0, 10.1000001, 20.0, 1, 3),
                                       point(0, 10.0, 20.1000001, 1, 3), point(0, 9.95, 19.95, 1, 3)};
        QVector<GeoPoint> drawn = Flightbook::pathOnMap(start, path);
        QCOMPARE(drawn, (QVector<GeoPoint>{GeoPoint::latLon(10.0, 20.0), GeoPoint::latLon(10.1, 20.0),
                                           GeoPoint::latLon(10.0, 19.9), GeoPoint::latLon(9.95, 19.95)}));
        // Tags have no zero test: near a start at the equator a 0 is pinned.
        std::vector<PhotoTag> tags = {tag(0, 10.05, 20.05, 1), tag(0, 10.2, 20.0, 1), tag(0, 10.0, 20.1000001, 1)};
        QCOMPARE(Flightbook::pinsOnMap(start, tags), QVector<GeoPoint>{GeoPoint::latLon(10.05, 20.05)});
        QCOMPARE(Flightbook::pinsOnMap(Position{0.05, 20.0, 0}, {tag(0, 0.0, 20.0, 1)}),
                 QVector<GeoPoint>{GeoPoint::latLon(0.0, 20.0)});
        QCOMPARE(Flightbook::pathOnMap(Position{0.05, 20.0, 0}, {point(0, 0.0, 20.0, 1, 3)}).size(), 0);
    }

    void flightOnTheMap()
    {
        QTemporaryDir dir;
        HarlekLogContent m = sydney();
        m.position = Position{10.0, 20.0, 100.0};
        const int64_t t0 = *m.startUTC;
        m.path = {point(t0 + 100, 10.0, 20.0, 1, 3), point(t0 + 200, 0.0, 20.01, 1, 3),
                  point(t0 + 300, 10.1, 20.0, 1, 3), point(t0 + 400, 10.0, 20.1000001, 1, 3),
                  point(t0 + 500, 9.95, 19.95, 1, 3)};
        m.tags = {tag(t0 + 150, 10.05, 20.05, 1), tag(t0 + 250, 10.2, 20.0, 1)};
        write(dir.filePath("card/M"), m);
        HarlekLogContent second = m;
        second.startUTC = t0 - 86400000;
        second.position = Position{10.5, 20.5, 100.0};
        second.path = {point(t0 + 100, 10.5, 20.5, 1, 3)};
        second.tags.clear();
        write(dir.filePath("card/N"), second);
        HarlekLogContent nofix = m;
        nofix.startUTC = t0 - 2 * 86400000;
        nofix.position = Position{0, 0, 0};
        write(dir.filePath("card/Z"), nofix);

        Flightbook fb;
        fb.resize(900, 700);
        fb.show();
        QVERIFY(recordCalls(web(fb.map())));
        QVERIFY(fb.chooseFolder(dir.filePath("card")));
        QVERIFY(idle(fb));
        QCOMPARE(rowNames(fb), (QStringList{"M", "N", "Z"}));
        takeCalls(web(fb.map()));

        fb.logTree()->setCurrentItem(row(fb, "M"));
        QVERIFY(idle(fb));
        QCOMPARE(settledCalls(web(fb.map())),
                 (QStringList{"cleanMarkers()", "clearPath()", "gotoLatLon(20.000000000000,10.000000000000)",
                              "addLinePoint(20.000000000000,10.000000000000)",
                              "addLinePoint(20.000000000000,10.100000000000)",
                              "addLinePoint(19.950000000000,9.950000000000)",
                              "addPin(20.050000000000,10.050000000000)", "drawLine()"}));
        QVERIFY(fb.logTree()->hasFocus() || !QApplication::focusWidget());

        // The arrow keys move the current row and redraw.
        fb.logTree()->setFocus();
        QTest::keyClick(fb.logTree(), Qt::Key_Down);
        QVERIFY(idle(fb));
        QCOMPARE(fb.logTree()->currentItem(), row(fb, "N"));
        QCOMPARE(settledCalls(web(fb.map())),
                 (QStringList{"cleanMarkers()", "clearPath()", "gotoLatLon(20.500000000000,10.500000000000)",
                              "addLinePoint(20.500000000000,10.500000000000)", "drawLine()"}));

        // Ctrl- and Shift-clicks add to the selection without drawing.
        QTreeWidget* tree = fb.logTree();
        const QPoint zRow = tree->visualItemRect(row(fb, "Z")).center();
        const QPoint mRow = tree->visualItemRect(row(fb, "M")).center();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ControlModifier, zRow);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ShiftModifier, mRow);
        QCOMPARE(tree->selectedItems().size(), 3);
        QCOMPARE(settledCalls(web(fb.map())), QStringList());
        // A plain click elsewhere lets go of the modifier keys.
        QTest::mouseClick(tree->header()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));

        // No fix at the start: the map is cleared and stays so.
        tree->setCurrentItem(row(fb, "Z"));
        QVERIFY(idle(fb));
        QCOMPARE(settledCalls(web(fb.map())), (QStringList{"cleanMarkers()", "clearPath()"}));

        // A log that went away after listing.
        QFile::remove(dir.filePath("card/M/KORVEL.IFO"));
        KorvelTest::PromptScript script;
        tree->setCurrentItem(row(fb, "M"));
        QVERIFY(idle(fb));
        QCOMPARE(script.texts(), QStringList{"Logfile not available anymore."});
        QCOMPARE(script.requests().first().iconPath, QString());
        QCOMPARE(settledCalls(web(fb.map())), (QStringList{"cleanMarkers()", "clearPath()"}));
        QVERIFY(tree->isEnabled());

        // Closing while a path is read: the late result finds nothing.
        auto* closing = new Flightbook;
        closing->newItem(row(fb, "N")->clone());
        closing->updateMap(closing->logTree()->topLevelItem(0));
        QVERIFY(closing->isBusy());
        delete closing;
        QVERIFY(QThreadPool::globalInstance()->waitForDone(KorvelTest::kWaitMs));
        QCoreApplication::sendPostedEvents();
    }

    void copyIntoTheWorkspace()
    {
        Flightbook fb;
        QVERIFY(fb.chooseFolder(m_card));
        QVERIFY(idle(fb));
        const QString mar = row(fb, "MAR")->data(0, Qt::UserRole).toString();
        const QString jan = row(fb, "JAN")->data(0, Qt::UserRole).toString();
        const QString feb = row(fb, "FEB")->data(0, Qt::UserRole).toString();
        auto sameLog = [](const QString& copy, const QString& source) {
            QFile a(copy + "/KORVEL.LOG"), b(source + "/KORVEL.LOG");
            return a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) && a.readAll() == b.readAll();
        };

        // One log: the name is used as typed, even a single character.
        select(fb, {"FEB"});
        bool seen = false;
        KorvelTest::whenModal([&](QWidget* w) {
            auto* dialog = qobject_cast<QDialog*>(w);
            QVERIFY(dialog);
            QVERIFY(dialog->findChild<QLabel*>("heading")->text() == "Import Log into Database");
            QVERIFY(!dialog->findChild<QSpinBox*>("suffix"));
            QCOMPARE(dialog->findChild<QLabel*>("images")->text(), QString("2"));
            auto* name = dialog->findChild<QLineEdit*>("name");
            auto* copy = dialog->findChild<QPushButton*>("copy");
            QVERIFY(!copy->isEnabled());
            QTest::keyClicks(name, "F");
            QVERIFY(copy->isEnabled());
            name->clear();
            QVERIFY(!copy->isEnabled());
            QTest::keyClicks(name, "?F");  // rejected input is not typed
            QCOMPARE(name->text(), QString("F"));
            seen = true;
            copy->click();
        });
        fb.copyButton()->click();
        QVERIFY(seen);
        QVERIFY(sameLog(logsFolder() + "/F", feb));

        // Three logs count down in selection order; a taken name warns for
        // that log only.
        QVERIFY(QDir().mkpath(logsFolder() + "/Flight2"));
        select(fb, {"JAN", "MAR", "FEB"});
        KorvelTest::PromptScript script;
        KorvelTest::whenModal([&](QWidget* w) {
            QCOMPARE(w->findChild<QLabel*>("heading")->text(), QString("Import multiple Logs into Database"));
            QCOMPARE(w->findChild<QLabel*>("images")->text(), QString("6"));
            QCOMPARE(w->findChild<QSpinBox*>("suffix")->value(), 1);
            QTest::keyClicks(w->findChild<QLineEdit*>("name"), "Flight");
            w->findChild<QPushButton*>("copy")->click();
        });
        fb.copyButton()->click();
        QVERIFY(sameLog(logsFolder() + "/Flight3", jan));
        QVERIFY(sameLog(logsFolder() + "/Flight1", feb));
        QVERIFY(QDir(logsFolder() + "/Flight2").isEmpty());
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().title, QString("Log name already exists"));
        script.clear();

        // Cancel after the first log keeps that one.
        std::unique_ptr<ProgressWatch> canceller(onProgress([](QProgressDialog* p) {
            if (p->value() == 2)
                p->cancel();
        }));
        KorvelTest::whenModal([&](QWidget* w) {
            QTest::keyClicks(w->findChild<QLineEdit*>("name"), "Can");
            w->findChild<QPushButton*>("copy")->click();
        });
        fb.copyButton()->click();
        canceller.reset();
        QVERIFY(sameLog(logsFolder() + "/Can3", jan));
        QVERIFY(!QFileInfo::exists(logsFolder() + "/Can2"));
        QVERIFY(!QFileInfo::exists(logsFolder() + "/Can1"));

        // No folder for the copy: the log is named in an error, nothing is
        // written elsewhere.
        QVERIFY(QDir(logsFolder()).removeRecursively());
        {
            QFile file(logsFolder());
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        select(fb, {"JAN"});
        KorvelTest::whenModal([&](QWidget* w) {
            QTest::keyClicks(w->findChild<QLineEdit*>("name"), "Nowhere");
            w->findChild<QPushButton*>("copy")->click();
        });
        fb.copyButton()->click();
        QCOMPARE(script.requests().size(), 1);
        QCOMPARE(script.requests().first().title, QString("Copy failed"));
        QVERIFY(script.requests().first().text.contains("JAN"));
        QVERIFY(!QFileInfo::exists("/Nowhere"));
        QFile::remove(logsFolder());

        // An unreadable log is left out of the image count and named.
        QTemporaryDir dir;
        write(dir.filePath("card/OK"), onDay(3));
        QDir().mkpath(dir.filePath("card/BAD"));
        QFile::copy(dir.filePath("card/OK/KORVEL.IFO"), dir.filePath("card/BAD/KORVEL.IFO"));
        QVERIFY(fb.chooseFolder(dir.filePath("card")));
        QVERIFY(idle(fb));
        QCOMPARE(rowNames(fb), (QStringList{"OK", "BAD"}));
        // As if it had been read when listed and broke since.
        auto* bad = row(fb, "OK")->clone();
        bad->setText(0, "BAD once");
        bad->setData(0, Qt::UserRole, dir.filePath("card/BAD"));
        fb.newItem(bad);
        std::unique_ptr<QDialog> dialog(fb.create2DatabaseDialog({row(fb, "OK"), bad}));
        QCOMPARE(dialog->findChild<QLabel*>("images")->text().left(2), QString("2 "));
        QVERIFY(dialog->findChild<QLabel*>("images")->text().contains("BAD"));
    }

    void closeDuringCopy()
    {
        QPointer<Flightbook> fb = new Flightbook;
        QVERIFY(fb->chooseFolder(m_card));
        QVERIFY(idle(*fb));
        select(*fb, {"JAN", "MAR", "FEB"});
        std::unique_ptr<ProgressWatch> closer(onProgress([&](QProgressDialog* p) {
            if (p->value() == 2 && fb)
                delete fb.data();
        }));
        KorvelTest::whenModal([&](QWidget* w) {
            QTest::keyClicks(w->findChild<QLineEdit*>("name"), "Gone");
            w->findChild<QPushButton*>("copy")->click();
        });
        QMetaObject::invokeMethod(fb.data(), "copy2Database");
        closer.reset();
        QVERIFY(!fb);
        QVERIFY(QFileInfo::exists(logsFolder() + "/Gone3"));
        QVERIFY(!QFileInfo::exists(logsFolder() + "/Gone2"));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void packForSending()
    {
        Flightbook fb;
        QVERIFY(fb.chooseFolder(m_card));
        QVERIFY(idle(fb));
        QTemporaryDir out;
        select(fb, {"MAR", "JAN"});
        {
            KorvelTest::PromptScript script;
            script.path(out.filePath("send")).button(QMessageBox::Ok).path(out.filePath("LOGS.ZIP"));
            fb.packButton()->click();
            fb.packButton()->click();
            QCOMPARE(script.requests().size(), 4);
            QCOMPARE(script.requests().at(0).title, QString("Set file location..."));
            QCOMPARE(script.requests().at(0).filter, QString("ZIP archive (*.zip)"));
            const Prompt::Request& done = script.requests().at(1);
            QCOMPARE(done.title, QString("File packed!"));
            QCOMPARE(done.text, QString("The flights have been packed successfully!"));
            QCOMPARE(done.iconPath, QString(":/icons/80/info"));
        }
        const QStringList both{"JAN/KORVEL.IFO", "JAN/KORVEL.LOG", "MAR/KORVEL.IFO", "MAR/KORVEL.LOG"};
        QCOMPARE(zipEntries(out.filePath("send.zip")), both);
        QVERIFY(zipIsValid(out.filePath("send.zip")));
        QCOMPARE(zipEntries(out.filePath("LOGS.ZIP")), both);
        QSettings settings("Brisolan Technologies", "Korvel Tarvendel");
        QCOMPARE(settings.value("Last Waypoint CSV Export Path").toString(), QDir(out.path()).absolutePath());

        // Cancelled after the first log: a valid archive of it, no success box.
        {
            KorvelTest::PromptScript script;
            script.path(out.filePath("cancel.zip"));
            std::unique_ptr<ProgressWatch> canceller(onProgress([](QProgressDialog* p) {
                if (p->value() == 2)
                    p->cancel();
            }));
            fb.packButton()->click();
            QCOMPARE(script.requests().size(), 1);
        }
        QCOMPARE(zipEntries(out.filePath("cancel.zip")), (QStringList{"MAR/KORVEL.IFO", "MAR/KORVEL.LOG"}));
        QVERIFY(zipIsValid(out.filePath("cancel.zip")));

        // Files gone after their folder was listed: named, no success box.
        {
            QTemporaryDir dir;
            write(dir.filePath("card/A"), onDay(1));
            const QString b = write(dir.filePath("card/B"), onDay(2));
            for (int i = 0; i < 20; ++i) {
                QFile extra(b + QString("/extra%1.txt").arg(i));
                QVERIFY(extra.open(QIODevice::WriteOnly));
            }
            QVERIFY(fb.chooseFolder(dir.filePath("card")));
            QVERIFY(idle(fb));
            select(fb, {"A", "B"});
            KorvelTest::PromptScript script;
            script.path(out.filePath("lacking.zip"));
            int ticks = 0;
            // Some events into the second log, its listing has been made.
            std::unique_ptr<ProgressWatch> remover(onProgress([&](QProgressDialog* p) {
                if (p->value() == 2 && ++ticks == 3)
                    for (const QFileInfo& f : QDir(b).entryInfoList(QDir::Files))
                        QFile::remove(f.absoluteFilePath());
            }));
            fb.packButton()->click();
            QCOMPARE(script.requests().size(), 2);
            QCOMPARE(script.requests().at(1).title, QString("Files not packed"));
            QVERIFY(script.requests().at(1).text.contains("B/"));
            QVERIFY(zipIsValid(out.filePath("lacking.zip")));
        }

        // The archive cannot be made: said so, nothing written.
        {
            KorvelTest::PromptScript script;
            script.path(out.filePath("missing/x.zip"));
            fb.packButton()->click();
            QCOMPARE(script.requests().size(), 2);
            // The message, then the archive and the system's reason.
            QCOMPARE(script.requests().at(1).text,
                     "error creating target file.<br><br>" + out.filePath("missing/x.zip")
                         + ": " + QString::fromLocal8Bit(strerror(ENOENT)));
            QCOMPARE(script.requests().at(1).title, QString("error!"));
        }
        QVERIFY(!QFileInfo::exists(out.filePath("missing")));
    }

    // The demo card as a user may bring it home: the first survey cut short
    // where the power failed, the short hop damaged in its middle.
    void cutShortAndSkippedLogs()
    {
        QTemporaryDir dir;
        const QString card = dir.filePath("card");
        std::string error;
        QVERIFY2(harleklog::writeDemoCard(card.toStdString(), 1781256600000LL, &error).size() == 4, error.c_str());
        QFile survey(card + "/KH8_0001/KORVEL.LOG");
        QVERIFY(survey.open(QIODevice::ReadOnly));
        const QByteArray whole = survey.readAll();
        survey.close();
        const QByteArray kept = whole.left(whole.indexOf('\n', whole.size() / 2) + 20);
        QVERIFY(survey.resize(kept.size()));  // 20 bytes into a line
        const int tagsKept = kept.count("\nT;");
        const QString cutLine = QString::number(kept.count('\n') + 1);
        QVERIFY(tagsKept > 0);
        QFile hop(card + "/KH8_0002/KORVEL.LOG");
        QVERIFY(hop.open(QIODevice::ReadWrite));
        QList<QByteArray> lines = hop.readAll().split('\n');
        lines[9] = "P;0";
        QVERIFY(hop.resize(0) && hop.seek(0));
        hop.write(lines.join('\n'));
        hop.close();

        RecordingFlightbook fb;
        fb.resize(1200, 700);
        fb.show();
        QVERIFY(recordCalls(web(fb.map())));
        QVERIFY(fb.chooseFolder(card));
        QVERIFY(idle(fb));
        QCOMPARE(rowNames(fb), (QStringList{"KH8_0004", "KH8_0003", "KH8_0001", "KH8_0002"}));
        takeCalls(web(fb.map()));

        QTreeWidgetItem* cut = row(fb, "KH8_0001");
        QCOMPARE(cut->text(FlightBookThread::NoteColumn), "Cut short: KORVEL.LOG ends inside line " + cutLine);
        QCOMPARE(cut->text(5), QString::number(tagsKept));
        QVERIFY(!cut->icon(0).isNull());
        QVERIFY(cut->toolTip(2).contains("cut short (KORVEL.LOG ends inside line " + cutLine + ")"));
        QVERIFY(row(fb, "KH8_0004")->icon(0).isNull());
        QTreeWidgetItem* skipped = row(fb, "KH8_0002");
        QCOMPARE(skipped->text(FlightBookThread::NoteColumn),
                 QString("Not read: KORVEL.LOG, line 10: path point needs 9 fields"));
        QVERIFY(!skipped->icon(0).isNull());
        QVERIFY(skipped->isDisabled());

        // Pointing at the greyed row tells why.
        QTreeWidget* tree = fb.logTree();
        const QPoint at = tree->visualItemRect(skipped).center();
        QHelpEvent help(QEvent::ToolTip, at, tree->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(tree->viewport(), &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY2(QToolTip::text().contains(card + "/KH8_0002/KORVEL.LOG, line 10: path point needs 9 fields"),
                 qPrintable(QToolTip::text()));
        QToolTip::hideText();

        // The cut log is drawn up to the cut, with its photos.
        KorvelTest::PromptScript script;
        tree->setCurrentItem(cut);
        QVERIFY(idle(fb));
        const QStringList calls = settledCalls(web(fb.map()));
        QCOMPARE(calls.filter("addPin(").size(), tagsKept);
        QCOMPARE(calls.last(), QString("drawLine()"));

        // The greyed row takes neither a click, nor the keyboard, nor a selection.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(tree->currentItem(), cut);
        QVERIFY(!tree->selectedItems().contains(skipped));
        QCOMPARE(settledCalls(web(fb.map())), QStringList());
        tree->setCurrentItem(skipped);
        QCOMPARE(tree->currentItem(), cut);
        // Asked to show it all the same, the map is cleared and nothing drawn.
        fb.updateMap(skipped);
        QVERIFY(idle(fb));
        QCOMPARE(settledCalls(web(fb.map())), (QStringList{"cleanMarkers()", "clearPath()"}));
        QCOMPARE(script.requests().size(), 0);

        // Exports and the log book take the logs that were read.
        QStringList readable;
        for (const char* name : {"KH8_0004", "KH8_0003", "KH8_0001"})
            readable << row(fb, name)->data(0, Qt::UserRole).toString();
        tree->selectAll();
        fb.kmlButton()->click();
        QTemporaryDir out;
        script.path(out.filePath("book.csv"));
        fb.csvButton()->click();
        QCOMPARE(fb.actions, QStringList{"KML several"} + readable + QStringList{"CSV " + out.filePath("book.csv")} + readable);
        FBConverter book(out.filePath("book.csv"), readable);
        book.startDiag();
        QCOMPARE(script.requests().size(), 1);  // the chooser: no log left out
        QFile csv(out.filePath("book.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count("KH8_000"), 3);
    }

    void closeDuringPack()
    {
        QPointer<Flightbook> fb = new Flightbook;
        QVERIFY(fb->chooseFolder(m_card));
        QVERIFY(idle(*fb));
        select(*fb, {"JAN", "MAR", "FEB"});
        QTemporaryDir out;
        KorvelTest::PromptScript script;
        script.path(out.filePath("closing.zip"));
        std::unique_ptr<ProgressWatch> closer(onProgress([&](QProgressDialog* p) {
            if (p->value() == 2 && fb)
                delete fb.data();
        }));
        QMetaObject::invokeMethod(fb.data(), "pack4Korvel");
        closer.reset();
        QVERIFY(!fb);
        QCOMPARE(script.requests().size(), 1);  // the chooser; no message after the window went
        QVERIFY(zipIsValid(out.filePath("closing.zip")));
    }
};

KORVEL_TEST_MAIN(TestFlightbook)
#include "test_flightbook.moc"
