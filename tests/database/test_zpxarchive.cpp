// The exchange archive without windows: the head, the writer, the reader and
// the names it refuses.
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include "database/zpx/zpxexportthread.h"
#include "database/zpx/zpxformat.h"
#include "database/zpx/zpximportthread.h"
#include "support/testkit.h"
#include "zpxfixtures.h"

using namespace ZpxFixture;

namespace {

// A workspace with one of everything, and the things that must not travel:
// a hidden file, a sub-folder and a link in a log folder.
void fill(const Workspace &ws)
{
    writeFile(ws.places.maps + "/Alpine.JPG", QByteArray(3000, 'm'));
    writeFile(ws.places.maps + "/a.b.jpg", "map with a dot");
    writeFile(ws.places.plans + "/Route.zfp", "plan");
    const QString log = ws.places.logs + "/2017.05.01";
    writeFile(log + "/KORVEL.LOG", "records");
    writeFile(log + "/data.bin", QByteArray(5000, 'd'));
    writeFile(log + "/.hidden", "hidden");
    writeFile(log + "/sub/inner.txt", "inner");
    writeFile(ws.outside() + "/target.txt", "outside");
    QFile::link(ws.outside() + "/target.txt", log + "/link.txt");
    const QString project = ws.places.projects + "/Proj";
    writeFile(project + "/proj.zpt", "project");
    writeFile(project + "/img.jpg", QByteArray(4000, 'i'));
}

struct Export {
    QStringList maps{"Alpine", "a.b"}, plans{"Route"}, logs{"2017.05.01"}, projects{"Proj"};
};

int runExport(ZPXExportThread &t, const Workspace &ws, const QString &path, const Export &e = {})
{
    t.setPlaces(ws.places);
    t.setData(e.maps, e.plans, e.logs, e.projects);
    t.setFilename(path);
    t.startExporting();
    t.wait();
    return t.result();
}

QStringList runImport(const Workspace &ws, const QString &path, ZPXImportThread *thread = nullptr)
{
    ZPXImportThread own;
    ZPXImportThread &t = thread ? *thread : own;
    t.setPlaces(ws.places);
    t.setFilename(path);
    t.startImporting();
    t.wait();
    return t.importResult();
}

// Sets the uncompressed size that the archive's local header and central
// record give for the entry name, so that it no longer matches its data.
bool declareSize(QByteArray *bytes, const QByteArray &name, quint32 size)
{
    const auto put = [&](int at) {
        for (int b = 0; b < 4; ++b)
            (*bytes)[at + b] = char((size >> (8 * b)) & 0xff);
    };
    const auto word = [&](int at, int n) {
        quint32 v = 0;
        for (int b = n - 1; b >= 0; --b)
            v = (v << 8) | quint8(bytes->at(at + b));
        return v;
    };
    for (int at = bytes->indexOf("PK\x01\x02"); at >= 0; at = bytes->indexOf("PK\x01\x02", at + 4)) {
        if (bytes->mid(at + 46, int(word(at + 28, 2))) != name)
            continue;
        put(at + 24);
        const int local = int(word(at + 42, 4));
        if (bytes->mid(local, 4) != "PK\x03\x04")
            return false;
        put(local + 22);
        return true;
    }
    return false;
}

}  // namespace

class TestZpxArchive : public QObject {
    Q_OBJECT
private slots:
    void head_data()
    {
        QTest::addColumn<QList<int>>("counts");  // plans, maps, logs, projects
        QTest::addColumn<QByteArray>("tail");     // bytes 15..23
        QTest::newRow("one of each") << QList<int>{1, 2, 3, 4}
                                     << QByteArray("\x01\x01\x02\x03\x04\0\0\0\0", 9);
        QTest::newRow("only logs") << QList<int>{0, 0, 5, 0}
                                   << QByteArray("\x01\x00\x00\x05\x00\0\0\0\0", 9);
        QTest::newRow("wraps at 256") << QList<int>{256, 257, 255, 512}
                                      << QByteArray("\x01\x00\x01\xff\x00\0\0\0\0", 9);
    }
    void head()
    {
        QFETCH(QList<int>, counts);
        QFETCH(QByteArray, tail);
        const QByteArray h = ZPX::makeHead(counts[0], counts[1], counts[2], counts[3]);
        QCOMPARE(h.size(), 24);
        QCOMPARE(h.left(15), QByteArray("KorvelPackXFile"));
        QCOMPARE(h.mid(15), tail);
    }

    void exportWritesAPlainZipAfterTheHead()
    {
        Workspace ws;
        fill(ws);
        const QString path = ws.path("out.zpx");
        ZPXExportThread t;
        QSignalSpy logs(&t, &ZPXExportThread::copyLog);
        QCOMPARE(runExport(t, ws, path), 1);
        QCOMPARE(t.getMaxCount(), 7);

        const QByteArray bytes = readFile(path);
        QCOMPARE(bytes.left(24), QByteArray("KorvelPackXFile\x01\x01\x02\x01\x01\0\0\0\0", 24));
        QCOMPARE(bytes.mid(24, 4), QByteArray("PK\x03\x04"));
        QCOMPARE(quint8(bytes.at(24 + 6)) & 0x08, 0);  // no data descriptor
        QCOMPARE(quint8(bytes.at(24 + 8)), quint8(8));  // deflate

        // Maps, plans, log files, project files; stored names kept as they are.
        const QStringList names = entryNames(path);
        QCOMPARE(names.mid(0, 3),
                 QStringList({"maps/Alpine.JPG", "maps/a.b.jpg", "flightplan/Route.zfp"}));
        QStringList logNames = names.mid(3, 2), projectNames = names.mid(5);
        logNames.sort();
        projectNames.sort();
        QCOMPARE(logNames, QStringList({"logs/2017.05.01/KORVEL.LOG", "logs/2017.05.01/data.bin"}));
        QCOMPARE(projectNames, QStringList({"phototagger/Proj/img.jpg", "phototagger/Proj/proj.zpt"}));
        QCOMPARE(logs.size(), 2);
        QCOMPARE(logs.last().at(1).toInt(), 5);
        QCOMPARE(logs.last().at(2).toInt(), 7);

        // Any ZIP tool reads it without a complaint.
        QProcess unzip;
        unzip.start("unzip", {"-t", path});
        QVERIFY(unzip.waitForFinished(30000));
        const QString out = unzip.readAllStandardOutput() + unzip.readAllStandardError();
        QVERIFY2(unzip.exitCode() == 0 && !out.contains("warning"), qPrintable(out));
        QProcess zipinfo;
        zipinfo.start("zipinfo", {path});
        QVERIFY(zipinfo.waitForFinished(30000));
        const QString info = zipinfo.readAllStandardOutput() + zipinfo.readAllStandardError();
        QVERIFY2(zipinfo.exitCode() == 0 && !info.contains("warning"), qPrintable(info));
        QCOMPARE(info.count("defN"), 7);
    }

    void emptyLogFolderCountsButAddsNothing()
    {
        Workspace ws;
        QDir().mkpath(ws.places.logs + "/empty");
        ZPXExportThread t;
        Export e;
        e.maps = e.plans = e.projects = QStringList();
        e.logs = QStringList("empty");
        QCOMPARE(runExport(t, ws, ws.path("out.zpx"), e), 1);
        QCOMPARE(readFile(ws.path("out.zpx")).mid(15, 9), QByteArray("\x01\0\0\x01\0\0\0\0\0", 9));
        QVERIFY(entryNames(ws.path("out.zpx")).isEmpty());
    }

    // A failed or cancelled write leaves the file the user chose to replace
    // as it was, and no partial file beside it.
    void failedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("target");  // relative to the root
        QTest::addColumn<QString>("missingMap");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<int>("result");
        QTest::newRow("archive not created") << "missing/out.zpx" << "" << false << -1;
        QTest::newRow("source missing") << "out.zpx" << "Gone" << false << -2;
        QTest::newRow("cancelled mid-write") << "out.zpx" << "" << true << 0;
    }
    void failedWriteKeepsTheOldFile()
    {
        QFETCH(QString, target);
        QFETCH(QString, missingMap);
        QFETCH(bool, cancel);
        QFETCH(int, result);
        Workspace ws;
        fill(ws);
        const QString path = ws.path(target);
        writeFile(ws.path("out.zpx"), "the old archive");
        const QStringList before = Workspace::files(ws.root.path());
        ZPXExportThread t;
        Export e;
        if (!missingMap.isEmpty())
            e.plans << "Route", e.maps << missingMap;
        if (cancel) {
            connect(&t, &ZPXExportThread::copyPT, &t, [&t] { t.terminateIt(); },
                    Qt::DirectConnection);
        }
        QCOMPARE(runExport(t, ws, path, e), result);
        QCOMPARE(readFile(ws.path("out.zpx")), QByteArray("the old archive"));
        QCOMPARE(Workspace::files(ws.root.path()), before);
        QCOMPARE(t.isTerminated(), cancel);
    }

    void cancelAfterTheWriteIsIgnored()
    {
        Workspace ws;
        fill(ws);
        ZPXExportThread t;
        QCOMPARE(runExport(t, ws, ws.path("out.zpx")), 1);
        t.terminateIt();
        QVERIFY(!t.isTerminated());
        QVERIFY(QFile::exists(ws.path("out.zpx")));
    }

    void importRoundTripAndAgain()
    {
        Workspace from, to;
        fill(from);
        const QString path = from.path("out.zpx");
        ZPXExportThread t;
        QCOMPARE(runExport(t, from, path), 1);

        ZPXImportThread importer;
        QSignalSpy progress(&importer, &ZPXImportThread::importing);
        QStringList lines = runImport(to, path, &importer);
        QVERIFY(importer.accepted());
        QCOMPARE(lines, QStringList({"Amout of data 7", "0*maps*Alpine.JPG", "0*maps*a.b.jpg",
                                     "0*flightplan*Route.zfp", "0*logs*2017.05.01",
                                     "0*phototagger*Proj"}));
        QCOMPARE(progress.size(), 7);
        QCOMPARE(progress.last().at(1).toInt(), 6);
        QCOMPARE(progress.last().at(2).toInt(), 7);
        QCOMPARE(readFile(to.places.maps + "/Alpine.JPG"), QByteArray(3000, 'm'));
        QCOMPARE(readFile(to.places.logs + "/2017.05.01/data.bin"), QByteArray(5000, 'd'));
        QCOMPARE(Workspace::files(to.places.logs),
                 QStringList({"2017.05.01/KORVEL.LOG", "2017.05.01/data.bin"}));

        // Again: nothing written, everything "1"; a missing file of a known log is added.
        QFile::remove(to.places.logs + "/2017.05.01/data.bin");
        writeFile(to.places.plans + "/Route.zfp", "changed here");
        lines = runImport(to, path);
        QCOMPARE(lines, QStringList({"Amout of data 7", "1*maps*Alpine.JPG", "1*maps*a.b.jpg",
                                     "1*flightplan*Route.zfp", "1*logs*2017.05.01",
                                     "1*phototagger*Proj"}));
        QCOMPARE(readFile(to.places.plans + "/Route.zfp"), QByteArray("changed here"));
        QVERIFY(QFile::exists(to.places.logs + "/2017.05.01/data.bin"));
    }

    void namesTravelInUtf8AndWithBackslashes()
    {
        Workspace from, to;
        writeFile(from.places.maps + "/Müller Höhe.jpg", "m");
        ZPXExportThread t;
        Export e;
        e.maps = QStringList("Müller Höhe");
        e.plans = e.logs = e.projects = QStringList();
        QCOMPARE(runExport(t, from, from.path("u.zpx"), e), 1);
        QCOMPARE(runImport(to, from.path("u.zpx")).value(1), QString("0*maps*Müller Höhe.jpg"));

        QVERIFY(makeArchive(to.path("b.zpx"), {{"logs\\L1\\KORVEL.LOG", "r"}, {"maps\\b.jpg", "b"}}));
        QCOMPARE(runImport(to, to.path("b.zpx")),
                 QStringList({"Amout of data 2", "0*logs*L1", "0*maps*b.jpg"}));
        QVERIFY(QFile::exists(to.places.logs + "/L1/KORVEL.LOG"));
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");  // empty: no file at all
        QTest::addColumn<QString>("line");
        QTest::newRow("missing") << QByteArray() << "No valid zpx file";
        QTest::newRow("foreign") << QByteArray("PK\x03\x04 not ours at all, no no no") << "No valid zpx file";
        QTest::newRow("short magic") << QByteArray("KorvelPack") << "No valid zpx file";
        QTest::newRow("magic and junk") << QByteArray("KorvelPackXFile\x01 junk junk junk junk")
                                        << "Cannot unpack file";
        QTest::newRow("magic only") << QByteArray("KorvelPackXFile") << "Cannot unpack file";
    }
    void refusedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line);
        Workspace ws;
        if (!bytes.isEmpty())
            writeFile(ws.path("x.zpx"), bytes);
        ZPXImportThread t;
        QCOMPARE(runImport(ws, ws.path("x.zpx"), &t), QStringList(line));
        QVERIFY(!t.accepted());
    }

    void archiveWithoutEntries()
    {
        Workspace ws;
        QVERIFY(makeArchive(ws.path("e.zpx"), {}, ZPX::makeHead(3, 0, 0, 0)));
        ZPXImportThread t;
        QCOMPARE(runImport(ws, ws.path("e.zpx"), &t), QStringList("Amout of data 0"));
        QVERIFY(t.accepted());
    }

    // Hostile names write nothing anywhere and end as "2"; foreign top
    // folders are skipped without a line.
    void hostileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("line");  // empty: no line
        QTest::newRow("climb in map") << "maps/../evil.jpg" << "2*maps*../evil.jpg";
        QTest::newRow("dot-dot map") << "maps/.." << "2*maps*..";
        QTest::newRow("backslash climb") << "maps\\..\\..\\evil.jpg" << "2*maps*..\\..\\evil.jpg";
        QTest::newRow("empty map name") << "maps/" << "2*maps*";
        QTest::newRow("map in sub-folder") << "maps/sub/a.jpg" << "2*maps*sub/a.jpg";
        QTest::newRow("double separator") << "flightplan//x.zfp" << "2*flightplan*/x.zfp";
        QTest::newRow("log climb") << "logs/../../evil/KORVEL.LOG" << "2*logs*../../evil/KORVEL.LOG";
        QTest::newRow("log folder dot-dot") << "logs/../KORVEL.LOG" << "2*logs*../KORVEL.LOG";
        QTest::newRow("log file dot") << "logs/L/." << "2*logs*L/.";
        QTest::newRow("log without folder") << "logs/KORVEL.LOG" << "2*logs*KORVEL.LOG";
        QTest::newRow("log sub-folder") << "logs/L/sub/KORVEL.LOG" << "2*logs*L/sub/KORVEL.LOG";
        QTest::newRow("project dot folder") << "phototagger/./p.zpt" << "2*phototagger*./p.zpt";
        QTest::newRow("absolute") << "/maps/evil.jpg" << "2*maps*/maps/evil.jpg";
        QTest::newRow("absolute outside")
            << "/tmp/logs/x/KORVEL.LOG" << "2*logs*/tmp/logs/x/KORVEL.LOG";
        QTest::newRow("drive letter") << "C:\\maps\\evil.jpg" << "2*maps*C:\\maps\\evil.jpg";
        QTest::newRow("drive in name") << "maps/C:evil.jpg" << "2*maps*C:evil.jpg";
        QTest::newRow("climb before top") << "../maps/evil.jpg" << "2*maps*../maps/evil.jpg";
        QTest::newRow("top folder prefix") << "logsX/L/KORVEL.LOG" << "";
        QTest::newRow("top folder case") << "Maps/a.jpg" << "";
        QTest::newRow("bare top folder") << "logs" << "";
    }
    void hostileNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, line);
        Workspace ws;
        QVERIFY(makeArchive(ws.path("h.zpx"), {{name, "payload"}}));
        const QStringList lines = runImport(ws, ws.path("h.zpx"));
        QCOMPARE(lines.value(0), QString("Amout of data 1"));
        QCOMPARE(lines.value(1), line);
        QCOMPARE(Workspace::files(ws.root.path()), QStringList("h.zpx"));
    }

    void linksInTheWorkspaceAreNotFollowed()
    {
        Workspace ws;
        // A log folder that is a link to a folder outside, and a dangling
        // link where a map would go.
        QVERIFY(QFile::link(ws.outside(), ws.places.logs + "/evil"));
        QVERIFY(QFile::link(ws.outside() + "/x.jpg", ws.places.maps + "/x.jpg"));
        QVERIFY(makeArchive(ws.path("l.zpx"), {{"logs/evil/KORVEL.LOG", "r"},
                                               {"logs/evil/other.bin", "o"},
                                               {"maps/x.jpg", "x"}}));
        QCOMPARE(runImport(ws, ws.path("l.zpx")),
                 QStringList({"Amout of data 3", "2*logs*evil", "2*logs*evil/other.bin",
                              "1*maps*x.jpg"}));
        QVERIFY(Workspace::files(ws.outside()).isEmpty());
    }

    // A file found at an entry's place is kept when it looks whole (the
    // entry's size, and a JPEG's end marker), and when it is whole but
    // different; one that proves to be a cut-off copy of the entry (its
    // first bytes, then nothing or zeros) is replaced.
    void existingFilesAreTrustedOnlyWhenWhole_data()
    {
        const QByteArray jpeg = QByteArray("\xff\xd8") + QByteArray(6000, 'j') + QByteArray("\xff\xd9");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("cut off") << "maps/a.jpg" << jpeg << jpeg.left(2500) << true;
        QTest::newRow("empty") << "maps/a.jpg" << jpeg << QByteArray() << true;
        QTest::newRow("same size, zeros at the end")
            << "maps/a.jpg" << jpeg << jpeg.left(4000) + QByteArray(jpeg.size() - 4000, '\0') << true;
        QTest::newRow("plan cut off") << "flightplan/p.zfp" << QByteArray(3000, 'p') << QByteArray(10, 'p') << true;
        QTest::newRow("log file cut off")
            << "logs/L/KORVEL.LOG" << QByteArray(3000, 'r') << QByteArray(99, 'r') << true;
        QTest::newRow("the same") << "maps/a.jpg" << jpeg << jpeg << false;
        QTest::newRow("same size, differs")
            << "flightplan/p.zfp" << QByteArray(300, 'p') << QByteArray(300, 'q') << false;
        QTest::newRow("shorter, differs") << "maps/a.jpg" << jpeg << QByteArray("\xff\xd8 mine") << false;
        QTest::newRow("longer") << "maps/a.jpg" << jpeg << jpeg + "more" << false;
        QTest::newRow("cut off, then other bytes")
            << "maps/a.jpg" << jpeg << jpeg.left(2000) + QByteArray(10, '\0') + "x" << false;
        QTest::newRow("a JPEG without end marker, the same")
            << "maps/a.jpg" << QByteArray(3000, 'm') << QByteArray(3000, 'm') << false;
    }
    void existingFilesAreTrustedOnlyWhenWhole()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, entry);
        QFETCH(QByteArray, existing);
        QFETCH(bool, replaced);
        Workspace ws;
        QVERIFY(makeArchive(ws.path("e.zpx"), {{name, entry}}));
        const ZPX::EntryName e = ZPX::parseEntryName(name);
        const QString target = ws.places.folder(e.kind) + "/" + e.rest;
        QVERIFY(writeFile(target, existing));
        const QString line = QString("%1*%2*%3")
                                 .arg(replaced ? "0" : "1", ZPX::topFolder(e.kind),
                                      e.kind == ZPX::Kind::Log ? e.folder : e.rest);
        QCOMPARE(runImport(ws, ws.path("e.zpx")), QStringList({"Amout of data 1", line}));
        QCOMPARE(readFile(target), replaced ? entry : existing);
        QCOMPARE(Workspace::files(ws.places.folder(e.kind)), QStringList(e.rest));
    }

    // Entries whose data does not match their header stop, leave no
    // partial file and say "2".
    void lyingSizes_data()
    {
        QTest::addColumn<quint32>("declared");
        QTest::newRow("smaller than the data") << quint32(10);
        QTest::newRow("bigger than the data") << quint32(200000);
        QTest::newRow("beyond the limit") << quint32(0xF0000000u);
    }
    void lyingSizes()
    {
        QFETCH(quint32, declared);
        Workspace ws;
        const QString path = ws.path("s.zpx");
        QVERIFY(makeArchive(path, {{"maps/a.jpg", QByteArray(100000, 'z')}, {"maps/b.jpg", "ok"}}));
        QByteArray bytes = readFile(path);
        // Uncompressed size in the first local header and its central record.
        const int central = bytes.indexOf("PK\x01\x02");
        QVERIFY(central > 0);
        for (int at : {24 + 22, central + 24}) {
            for (int b = 0; b < 4; ++b)
                bytes[at + b] = char((declared >> (8 * b)) & 0xff);
        }
        writeFile(path, bytes);
        QCOMPARE(runImport(ws, path), QStringList({"Amout of data 2", "2*maps*a.jpg", "0*maps*b.jpg"}));
        QCOMPARE(Workspace::files(ws.places.maps), QStringList("b.jpg"));
    }

    // A log or project is imported with all its files or not at all,
    // wherever its entries stand in the archive: a file that cannot be
    // written leaves nothing of its item behind, and the others come whole.
    void itemsAreWholeOrAbsent()
    {
        Workspace ws;
        const QString path = ws.path("i.zpx");
        QVERIFY(makeArchive(path, {{"logs/A/KORVEL.LOG", "a"},
                                   {"phototagger/P/p.zpt", "p"},
                                   {"logs/B/KORVEL.LOG", "b"},
                                   {"phototagger/P/1.jpg", QByteArray(100000, 'z')},
                                   {"logs/A/data.bin", "d"},
                                   {"phototagger/P/2.jpg", "two"}}));
        QByteArray bytes = readFile(path);
        QVERIFY(declareSize(&bytes, "phototagger/P/1.jpg", 200000));
        writeFile(path, bytes);
        ZPXImportThread t;
        QCOMPARE(runImport(ws, path, &t),
                 QStringList({"Amout of data 6", "0*logs*A", "2*phototagger*P/1.jpg", "2*phototagger*P",
                              "0*logs*B"}));
        QCOMPARE(Workspace::files(ws.path("ws")),
                 QStringList({"harlek/logs/A/KORVEL.LOG", "harlek/logs/A/data.bin", "harlek/logs/B/KORVEL.LOG"}));
        QCOMPARE(t.failures().size(), 1);
        QVERIFY2(t.failures().first().startsWith(ws.places.projects + "/P/1.jpg: "), qPrintable(t.failures().first()));
        for (const QString &folder : {ws.places.logs, ws.places.projects})
            QCOMPARE(QDir(folder).entryList(QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot).size(),
                     folder == ws.places.logs ? 2 : 0);
    }

    // The first of two entries of one name is taken, in a new item as in
    // the map folder.
    void duplicateEntriesKeepTheFirst()
    {
        Workspace ws;
        QVERIFY(makeArchive(ws.path("d.zpx"), {{"maps/a.jpg", "first"},
                                               {"maps/a.jpg", "second"},
                                               {"logs/L/KORVEL.LOG", "one"},
                                               {"logs/L/KORVEL.LOG", "two"}}));
        const QStringList lines = runImport(ws, ws.path("d.zpx"));
        QCOMPARE(lines.mid(0, 4), QStringList({"Amout of data 4", "0*maps*a.jpg", "1*maps*a.jpg", "0*logs*L"}));
        QCOMPARE(readFile(ws.places.maps + "/a.jpg"), QByteArray("first"));
        QCOMPARE(readFile(ws.places.logs + "/L/KORVEL.LOG"), QByteArray("one"));
        QCOMPARE(Workspace::files(ws.path("ws")), QStringList({"harlek/logs/L/KORVEL.LOG", "maps/a.jpg"}));
    }

    // Truncated and bit-flipped archives: no crash, nothing outside the
    // workspace, and every line well-formed.
    void damagedArchives()
    {
        Workspace from;
        fill(from);
        ZPXExportThread t;
        QCOMPARE(runExport(t, from, from.path("good.zpx")), 1);
        const QByteArray good = readFile(from.path("good.zpx"));
        QRandomGenerator rng(20170501);
        for (int round = 0; round < 120; ++round) {
            QByteArray bad = good;
            if (round % 3 == 0) {
                bad.truncate(int(rng.bounded(quint32(good.size()))));
            } else {
                for (int flips = 1 + int(rng.bounded(8)); flips > 0; --flips) {
                    const int at = int(rng.bounded(quint32(bad.size())));
                    bad[at] = char(bad.at(at) ^ (1 << rng.bounded(8)));
                }
            }
            Workspace ws;
            writeFile(ws.path("bad.zpx"), bad);
            const QStringList lines = runImport(ws, ws.path("bad.zpx"));
            QVERIFY(!lines.isEmpty());
            for (const QString &line : lines.mid(1))
                QVERIFY2(QRegularExpression("^[012]\\*(maps|flightplan|logs|phototagger)\\*")
                             .match(line).hasMatch(), qPrintable(line));
            for (const QString &f : Workspace::files(ws.root.path()))
                QVERIFY2(f == "bad.zpx" || f.startsWith("ws/"), qPrintable(f));
        }
    }
};

KORVEL_TEST_MAIN(TestZpxArchive)
#include "test_zpxarchive.moc"
