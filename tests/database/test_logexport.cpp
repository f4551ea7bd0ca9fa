#include "database/flightbook/fbgpxexportdiag.h"
#include "database/flightbook/fbkmlexportdiag.h"
#include "database/flightbook/logexport.h"
#include "logfixtures.h"
#include "support/testkit.h"

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace LogFixtures;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QPushButton* button(QWidget* w, const QString& text)
{
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QCheckBox* checkBox(QWidget* w, const QString& text)
{
    for (QCheckBox* b : w->findChildren<QCheckBox*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

LogExport::GPXExportRecord sydneyRecord(const QString& folder)
{
    HarlekLog log(folder.toStdString());
    LogExport::GPXExportRecord r;
    r.startTime = log.timeUTC();
    r.photoTags = log.photoTags();
    r.pathPoints = LogExport::thinPathPoints(log.flightPath(0), 100);
    return r;
}

// Runs a tool on a file; returns its exit code (-1 when it did not run).
int runTool(const QString& program, const QStringList& args, QByteArray* output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(20000))
        return -1;
    if (output)
        *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Presses Cancel on every progress dialog as soon as it shows.
class ProgressCanceller : public QObject
{
public:
    ProgressCanceller() { qApp->installEventFilter(this); }
    ~ProgressCanceller() override { qApp->removeEventFilter(this); }
    QString label;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Show)
            if (auto* p = qobject_cast<QProgressDialog*>(o)) {
                label = p->labelText();
                p->cancel();
            }
        return false;
    }
};

} // namespace

class TestLogExport : public QObject
{
    Q_OBJECT

private slots:
    void gpxDocumentMatchesExpectedBytes()
    {
        QTemporaryDir dir;
        const QString log = write(dir.filePath("sydney"), sydney());
        const QByteArray gpx = LogExport::gpxDocument(sydneyRecord(log));
        const QByteArray expected = readFile(KORVEL_TEST_DATA "/sydney.gpx");
        QVERIFY(!expected.isEmpty());
        if (gpx != expected) {
            QFile out(dir.filePath("actual.gpx"));
            out.open(QIODevice::WriteOnly);
            out.write(gpx);
            out.flush();
            QCOMPARE(QString::fromUtf8(gpx), QString::fromUtf8(expected));
        }
    }

    void gpxPassesSchemaAndGpsbabel()
    {
        QTemporaryDir dir;
        const QString log = write(dir.filePath("sydney"), sydney());
        const QString file = dir.filePath("sydney.gpx");
        QString error;
        QVERIFY2(FBGPXExportDiag::createGPXFile(sydneyRecord(log), file.toStdString(), &error), qPrintable(error));
        QByteArray out;
        QCOMPARE(runTool("xmllint", {"--noout", "--schema", KORVEL_TEST_DATA "/gpx11.xsd", file}, &out), 0);
        QVERIFY2(out.contains("validates"), out.constData());
        // An empty track and no waypoints are valid too.
        const QString empty = dir.filePath("empty.gpx");
        QVERIFY(FBGPXExportDiag::createGPXFile(LogExport::GPXExportRecord(), empty.toStdString()));
        QCOMPARE(runTool("xmllint", {"--noout", "--schema", KORVEL_TEST_DATA "/gpx11.xsd", empty}), 0);
        const QByteArray emptyGpx = readFile(empty);
        QVERIFY(emptyGpx.contains("    <trk>\n        <trkseg/>\n    </trk>\n</gpx>\n"));
        QVERIFY(!emptyGpx.contains("<wpt"));

        // gpsbabel reads both camera triggers and the three kept track points.
        QCOMPARE(runTool("gpsbabel", {"-w", "-i", "gpx", "-f", file, "-o", "unicsv", "-F", "-"}, &out), 0);
        QVERIFY2(out.contains("-33.856810") && out.contains("151.215311"), out.constData());
        QCOMPARE(out.trimmed().split('\n').size(), 1 + 2);
        QCOMPARE(runTool("gpsbabel", {"-t", "-i", "gpx", "-f", file, "-o", "unicsv", "-F", "-"}, &out), 0);
        QCOMPARE(out.trimmed().split('\n').size(), 1 + 3);
    }

    void createGpxFileReportsFailure()
    {
        QTemporaryDir dir;
        QString error;
        QVERIFY(!FBGPXExportDiag::createGPXFile(LogExport::GPXExportRecord(),
                                                dir.filePath("missing/x.gpx").toStdString(), &error));
        QVERIFY(error.contains("missing/x.gpx"));
        QVERIFY(!QFile::exists(dir.filePath("missing/x.gpx")));
    }

    void kmlDocumentMatchesExpectedBytes()
    {
        QTemporaryDir dir;
        const QString log = write(dir.filePath("sydney"), sydney());
        const QString file = dir.filePath("sydney.kml");
        QString error;
        QVERIFY2(FBKMLExportDiag::createKMLFile(log, file, &error), qPrintable(error));
        const QByteArray kml = readFile(file);
        const QByteArray expected = readFile(KORVEL_TEST_DATA "/sydney.kml");
        QVERIFY(!expected.isEmpty());
        QCOMPARE(QString::fromUtf8(kml), QString::fromUtf8(expected));
        QCOMPARE(runTool("xmllint", {"--noout", file}), 0);
    }

    void kmlRunsFollowTheFlightMode_data()
    {
        QTest::addColumn<QList<int>>("modes");
        QTest::addColumn<QStringList>("styles");
        QTest::addColumn<QList<int>>("tuples");
        QTest::newRow("3 3 2 2 3") << QList<int>{3, 3, 2, 2, 3}
                                   << QStringList{"#greenlineStyle", "#yellowlineStyle", "#greenlineStyle"}
                                   << QList<int>{2, 2, 1};
        QTest::newRow("unknown mode") << QList<int>{4, 4, 4} << QStringList{"#bluelineStyle"} << QList<int>{3};
        QTest::newRow("manual, height") << QList<int>{1, 2} << QStringList{"#redlineStyle", "#yellowlineStyle"}
                                        << QList<int>{1, 1};
        QTest::newRow("no points") << QList<int>{} << QStringList{} << QList<int>{};
    }
    void kmlRunsFollowTheFlightMode()
    {
        QFETCH(QList<int>, modes);
        QFETCH(QStringList, styles);
        QFETCH(QList<int>, tuples);
        std::vector<PathPoint> path;
        for (int i = 0; i < modes.size(); ++i)
            path.push_back(point(1457186880000LL + i * 1000, 48 + i * 0.001, 11.5, 500, modes.at(i)));
        const QString kml = QString::fromUtf8(LogExport::kmlDocument({}, path));
        const int folder = kml.indexOf("<name>Flight Path</name>");
        QVERIFY(folder > 0);
        const QString runs = kml.mid(folder);
        QRegularExpression placemark("<name>Korvel Harlek 8 Flight Path (\\d+)</name>\\s*<styleUrl>([^<]*)</styleUrl>"
                                     "[\\s\\S]*?<coordinates>([^<]*)</coordinates>");
        auto it = placemark.globalMatch(runs);
        int n = 0;
        while (it.hasNext()) {
            const auto m = it.next();
            QCOMPARE(m.captured(1).toInt(), n + 1);
            QCOMPARE(m.captured(2), styles.at(n));
            const QString coords = m.captured(3);
            QVERIFY(coords.endsWith(' '));
            QCOMPARE(coords.split(' ', Qt::SkipEmptyParts).size(), tuples.at(n));
            ++n;
        }
        QCOMPARE(n, styles.size());
        // The photo folder holds only its name when there are no triggers.
        QVERIFY(kml.contains(QRegularExpression("<Folder>\\s*<name>Photos</name>\\s*</Folder>")));
    }

    void kmlPhotoTimesAreUtc()
    {
        const QString kml = QString::fromUtf8(LogExport::kmlDocument({tag(1457186879900LL, -1.5, 2.25, 3.0)}, {}));
        QVERIFY(kml.contains("<name>trigger 1</name>"));
        QVERIFY(kml.contains("<when>2016-03-05T14:07:59Z</when>"));
        QVERIFY(kml.contains("<coordinates>2.250000000000,-1.500000000000,3.000000000000</coordinates>"));
    }

    void thinning_data()
    {
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<qint64>("step");
        QTest::addColumn<QList<qint64>>("kept");
        QTest::newRow("edge") << QList<qint64>{1000, 1050, 1100, 1150, 1201, 1251} << qint64(100)
                              << QList<qint64>{1000, 1150, 1251};
        QTest::newRow("first point not past step") << QList<qint64>{100, 150, 201} << qint64(100)
                                                   << QList<qint64>{150};
        QTest::newRow("step 1 keeps 1 ms apart? no") << QList<qint64>{10, 11, 12, 14} << qint64(1)
                                                     << QList<qint64>{10, 12, 14};
        QTest::newRow("empty") << QList<qint64>{} << qint64(100) << QList<qint64>{};
    }
    void thinning()
    {
        QFETCH(QList<qint64>, times);
        QFETCH(qint64, step);
        QFETCH(QList<qint64>, kept);
        std::vector<PathPoint> pts;
        for (qint64 t : times) {
            PathPoint p;
            p.time = t;
            pts.push_back(p);
        }
        QList<qint64> got;
        for (const PathPoint& p : LogExport::thinPathPoints(pts, step))
            got << p.time;
        QCOMPARE(got, kept);
    }

    void gpxDialogExportsOneLog()
    {
        QTemporaryDir dir;
        const QString log = write(dir.filePath("sydney"), sydney());
        KorvelTest::PromptScript prompts;
        prompts.path(dir.filePath("track"));  // no extension: .gpx is added
        KorvelTest::whenModal([](QWidget* w) {
            auto* path = w->findChild<QLineEdit*>("path");
            QVERIFY(path->isReadOnly());
            QVERIFY(!button(w, "Export")->isEnabled());
            auto* spin = w->findChild<QSpinBox*>();
            QVERIFY(!spin->isEnabled());
            QCOMPARE(spin->minimum(), 1);
            QCOMPARE(spin->maximum(), 1000);
            checkBox(w, "Export Flight Path")->setChecked(true);
            QVERIFY(spin->isEnabled());
            button(w, "Browse")->click();
            QVERIFY(button(w, "Export")->isEnabled());
            button(w, "Export")->click();
        });
        FBGPXExportDiag diag(log);
        QCOMPARE(prompts.requests().size(), 2);
        QCOMPARE(prompts.requests().at(0).title, QString("Export to GPX file..."));
        QCOMPARE(prompts.requests().at(0).filter, QString("GPX file (*.gpx)"));
        QCOMPARE(prompts.requests().at(1).text, QString("Logfile successfully exported to GPX file!"));
        QCOMPARE(prompts.requests().at(1).title, QString("Log exported!"));
        QCOMPARE(readFile(dir.filePath("track.gpx")), readFile(KORVEL_TEST_DATA "/sydney.gpx"));
        QSettings settings("Brisolan Technologies", "Korvel Tarvendel");
        QCOMPARE(settings.value("Last Waypoint XML Export Path").toString(), dir.path());
    }

    void gpxDialogReportsUnreadableLog()
    {
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("broken"));
        QFile::copy(KORVEL_TEST_DATA "/gpx11.xsd", dir.filePath("broken/KORVEL.IFO"));
        KorvelTest::PromptScript prompts;
        prompts.path(dir.filePath("out.GPX"));
        KorvelTest::whenModal([](QWidget* w) {
            button(w, "Browse")->click();
            QCOMPARE(w->findChild<QLineEdit*>("path")->text().right(8), QString("/out.GPX"));
            button(w, "Export")->click();
        });
        FBGPXExportDiag diag(dir.filePath("broken"));
        QCOMPARE(prompts.requests().size(), 2);
        QCOMPARE(prompts.requests().at(1).iconPath, QString(":/icons/80/error"));
        QVERIFY(prompts.requests().at(1).text.contains("could not be read"));
        QVERIFY(!QFile::exists(dir.filePath("out.GPX")));
    }

    void logsWithUnwritableTimesAreNotExported()
    {
        // A time that would wrap to a year before Christ when the exports add
        // the GPS epoch: the log is refused instead.
        QTemporaryDir dir;
        HarlekLogContent c = sydney();
        c.tags.back().time = std::numeric_limits<int64_t>::max();
        const QString folder = write(dir.filePath("late"), c);
        QString error;
        QVERIFY(!LogExport::openLog(folder, &error));
        QVERIFY2(error.contains("KORVEL.LOG, line 7: time out of range"), qPrintable(error));
    }

    void folderExportsGoOnPastBrokenLogs()
    {
        QTemporaryDir dir;
        const QString a = write(dir.filePath("a"), sydney());
        const QString b = dir.filePath("not-a-log");
        QDir().mkpath(b);
        const QString c = write(dir.filePath("c"), harleklog::shortHop(1457186879900LL, {}));
        const QString target = dir.filePath("exports");
        QDir().mkpath(target);

        for (const QString suffix : {"gpx", "kml"}) {
            KorvelTest::PromptScript prompts;
            prompts.path(target);
            KorvelTest::whenModal([](QWidget* w) {
                QVERIFY(!button(w, "Export")->isEnabled());
                button(w, "Browse")->click();
                button(w, "Export")->click();
            });
            if (suffix == QLatin1String("gpx"))
                FBGPXExportDiag diag(QVector<QString>{a, b, c});
            else
                FBKMLExportDiag diag(QVector<QString>{a, b, c});
            QCOMPARE(prompts.requests().size(), 2);
            QCOMPARE(prompts.requests().at(0).kind, Prompt::Request::Directory);
            QCOMPARE(prompts.requests().at(1).iconPath, QString(":/icons/80/warning"));
            QVERIFY(prompts.requests().at(1).text.contains("not-a-log"));
            QVERIFY(QFile::exists(target + "/exports_3." + suffix));
            QVERIFY(!QFile::exists(target + "/exports_2." + suffix));
            QVERIFY(QFile::exists(target + "/exports_1." + suffix));
        }
        QCOMPARE(readFile(target + "/exports_3.kml"), readFile(KORVEL_TEST_DATA "/sydney.kml"));
        QSettings settings("Brisolan Technologies", "Korvel Tarvendel");
        QCOMPARE(settings.value("Last Waypoint XML Export Path").toString(), dir.path());

        // Files of an earlier export are overwritten only when the operator agrees.
        const QByteArray before = readFile(target + "/exports_1.gpx");
        {
            KorvelTest::PromptScript prompts;
            prompts.path(target).button(QMessageBox::No);
            KorvelTest::whenModal([](QWidget* w) {
                button(w, "Browse")->click();
                button(w, "Export")->click();
                QVERIFY(w->isVisible());  // refused: choose another folder or cancel
                button(w, "Cancel")->click();
            });
            FBGPXExportDiag diag(QVector<QString>{c});
            QCOMPARE(prompts.requests().size(), 2);
            QVERIFY(prompts.requests().at(1).text.contains("exports_1.gpx"));
        }
        QCOMPARE(readFile(target + "/exports_1.gpx"), before);
        {
            KorvelTest::PromptScript prompts;
            prompts.path(target).button(QMessageBox::Yes);
            KorvelTest::whenModal([](QWidget* w) {
                button(w, "Browse")->click();
                button(w, "Export")->click();
            });
            FBGPXExportDiag diag(QVector<QString>{a});
            QCOMPARE(prompts.requests().size(), 3);
            QCOMPARE(prompts.requests().at(2).text, QString("Logfiles successfully exported to GPX files!"));
        }
        QVERIFY(readFile(target + "/exports_1.gpx") != before);
    }

    void cancelledProgressWritesNothingMore()
    {
        QTemporaryDir dir;
        const QString log = write(dir.filePath("sydney"), sydney());
        const QString target = dir.filePath("out");
        QDir().mkpath(target);
        KorvelTest::PromptScript prompts;
        prompts.path(target);
        ProgressCanceller canceller;
        KorvelTest::whenModal([&](QWidget* w) {
            button(w, "Browse")->click();
            button(w, "Export")->click();
        });
        FBKMLExportDiag diag(QVector<QString>{log, log});
        QCOMPARE(canceller.label, QString("Exporting files..."));
        QCOMPARE(prompts.requests().size(), 1);  // no message after a cancel
        QCOMPARE(QDir(target).entryList(QDir::Files), QStringList());
    }

    void folderExportRefusesMissingFolder()
    {
        QTemporaryDir dir;
        const QString log = write(dir.filePath("sydney"), sydney());
        KorvelTest::PromptScript prompts;
        prompts.path(dir.filePath("out"));
        KorvelTest::whenModal([&](QWidget* w) {
            button(w, "Browse")->click();  // a folder that is not (or no longer) there
            button(w, "Export")->click();
            QVERIFY(w->isVisible());
            auto* path = w->findChild<QLineEdit*>("path");
            QVERIFY(!path->isReadOnly());
            path->setText(QString());
            button(w, "Export")->click();
            QVERIFY(w->isVisible());
            button(w, "Cancel")->click();
        });
        FBGPXExportDiag diag(QVector<QString>{log});
        QCOMPARE(prompts.requests().size(), 3);
        QCOMPARE(prompts.requests().at(1).iconPath, QString(":/icons/80/warning"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    void kmlDialogSingleLog()
    {
        QTemporaryDir dir;
        const QString log = write(dir.filePath("sydney"), sydney());
        {
            KorvelTest::PromptScript prompts;
            prompts.path(dir.filePath("flight.KML"));
            KorvelTest::whenModal([](QWidget* w) {
                button(w, "Browse")->click();
                button(w, "Export")->click();
            });
            FBKMLExportDiag diag(log);
            QCOMPARE(prompts.requests().at(0).title, QString("Export as KML file..."));
            QCOMPARE(prompts.requests().at(1).text, QString("Logfile successfully exported to KML file!"));
            QCOMPARE(readFile(dir.filePath("flight.KML")), readFile(KORVEL_TEST_DATA "/sydney.kml"));
        }
        {
            // A target that cannot be written is reported, not announced as success.
            KorvelTest::PromptScript prompts;
            prompts.path(dir.filePath("gone/flight"));
            KorvelTest::whenModal([](QWidget* w) {
                button(w, "Browse")->click();
                QVERIFY(w->findChild<QLineEdit*>("path")->text().endsWith("gone/flight.kml"));
                button(w, "Export")->click();
            });
            FBKMLExportDiag diag(log);
            QCOMPARE(prompts.requests().at(1).iconPath, QString(":/icons/80/error"));
        }
        {
            KorvelTest::PromptScript prompts;
            KorvelTest::whenModal([](QWidget* w) { button(w, "Cancel")->click(); });
            FBKMLExportDiag diag(log);
            QVERIFY(prompts.requests().isEmpty());
        }
    }
};

KORVEL_TEST_MAIN(TestLogExport)
#include "test_logexport.moc"
