// Rows of the database area: the log book, log packing and copying, and the
// exchange archive both ways.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "database/flightbook/fbconverterthread.h"
#include "database/flightbook/logcopy.h"
#include "database/flightbook/logpack.h"
#include "database/logfixtures.h"
#include "database/zpx/zpxexportthread.h"
#include "database/zpx/zpximportthread.h"
#include "safety/writers.h"

namespace {

using namespace Safety;

// Log folders under work/card: small logs, each with a large file of noise
// beside it when big is set (so copies and archives take a while).
QStringList cardLogs(const QString &work, int count, bool big)
{
    QStringList folders;
    for (int i = 0; i < count; ++i) {
        HarlekLogContent c = LogFixtures::sydney();
        *c.startUTC += qint64(i) * 3600 * 1000;
        const QString folder = QStringLiteral("%1/card/LOG%2").arg(work).arg(i, 3, 10, QLatin1Char('0'));
        LogFixtures::write(folder, c);
        if (big)
            writeFile(folder + "/data.bin", noise(1500 * 1000, quint32(i + 1)));
        folders << folder;
    }
    return folders;
}

QStringList cardFolders(const QString &work)
{
    QStringList folders;
    const QDir card(work + "/card");
    for (const QString &name : card.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        folders << card.filePath(name);
    return folders;
}

bool sameSizeZip(const QByteArray &bytes, const QByteArray &reference)
{
    // Entry times come from the sources' times, which differ from run to run.
    return bytes.size() == reference.size() && zipIsWhole(bytes);
}

ZPX::Places places(const QString &root)
{
    ZPX::Places p;
    p.maps = root + "/maps";
    p.plans = root + "/plans";
    p.logs = root + "/logs";
    p.projects = root + "/phototagger";
    return p;
}

// A workspace with maps, a plan, logs and a project worth a few megabytes.
void fillWorkspace(const ZPX::Places &p)
{
    for (int i = 0; i < 3; ++i)
        writeFile(QStringLiteral("%1/map%2.jpg").arg(p.maps).arg(i), noise(1200 * 1000, quint32(10 + i)));
    writeFile(p.plans + "/Route.zfp", noise(20000, 20));
    for (int i = 0; i < 2; ++i) {
        const QString log = QStringLiteral("%1/L%2").arg(p.logs).arg(i);
        writeFile(log + "/KORVEL.IFO", "KorvelLogInfo\ntype=0\n");
        writeFile(log + "/KORVEL.LOG", noise(800 * 1000, quint32(30 + i)));
    }
    writeFile(p.projects + "/Proj/proj.zpt", noise(5000, 40));
    writeFile(p.projects + "/Proj/img.jpg", noise(900 * 1000, 41) + QByteArray("\xff\xd9", 2));
}

void exportWorkspace(ZPXExportThread &t, const ZPX::Places &p, const QString &path)
{
    t.setPlaces(p);
    t.setData({"map0", "map1", "map2"}, {"Route"}, {"L0", "L1"}, {"Proj"});
    t.setFilename(path);
}

[[maybe_unused]] const int logBook = add({
    "logbook",
    [](const QString &work) {
        cardLogs(work, 60, false);
        writeFile(work + "/out/book.csv", "the old log book\n");
    },
    [](const QString &work) { return work + "/out"; },
    [](const QString &work, const Step &step) {
        FBConverterThread t(work + "/out/book.csv", cardFolders(work));
        Outcome o;
        QObject::connect(&t, &FBConverterThread::processing, &t, [&](int, int) { step(); },
                         Qt::DirectConnection);
        QObject::connect(&t, &FBConverterThread::error, &t, [&](const QString &e) { o.message += e; },
                         Qt::DirectConnection);
        t.start();
        t.wait();
        o.success = o.message.isEmpty();
        return o;
    },
    {},
    {},
    {},
    {},
    {},
    {},
});

[[maybe_unused]] const int logPack = add({
    "logpack",
    [](const QString &work) {
        cardLogs(work, 4, true);
        writeFile(work + "/out/logs.zip", "the old archive");
    },
    [](const QString &work) { return work + "/out"; },
    [](const QString &work, const Step &step) {
        const LogPack::Result r = LogPack::pack(cardFolders(work), work + "/out/logs.zip",
                                                [&](LogPack::Step, const QString &) {
                                                    step();
                                                    return true;
                                                });
        Outcome o;
        o.success = r.complete();
        o.message = r.error;
        if (!r.leftOut.isEmpty())
            o.message += "\nleft out: " + r.leftOut.join(", ");
        return o;
    },
    sameSizeZip,
    {},
    {},
    {},
    {},
    {},
});

[[maybe_unused]] const int zpxExport = add({
    "zpx-export",
    [](const QString &work) {
        fillWorkspace(places(work + "/ws"));
        writeFile(work + "/out/out.zpx", "the old archive");
    },
    [](const QString &work) { return work + "/out"; },
    [](const QString &work, const Step &step) {
        ZPXExportThread t;
        exportWorkspace(t, places(work + "/ws"), work + "/out/out.zpx");
        for (auto signal : {&ZPXExportThread::copyMap, &ZPXExportThread::copyWP, &ZPXExportThread::copyLog,
                            &ZPXExportThread::copyPT})
            QObject::connect(&t, signal, &t, [&](const QString &, int, int) { step(); }, Qt::DirectConnection);
        t.startExporting();
        t.wait();
        Outcome o;
        o.success = t.result() == ZPXExportThread::Done;
        o.message = t.errorText();
        return o;
    },
    sameSizeZip,
    {},
    {},
    {},
    {},
    {},
});

// The archive is made once per preparation, from a workspace of its own
// whose project holds many photos, so that kills land inside its folder; the
// import target holds a map an older import left cut off and a plan that
// differs from the archive's but is whole (kept).
[[maybe_unused]] const int zpxImport = add({
    "zpx-import",
    [](const QString &work) {
        const ZPX::Places from = places(work + "/from");
        fillWorkspace(from);
        for (int i = 0; i < 40; ++i)
            writeFile(QStringLiteral("%1/Proj/photo%2.jpg").arg(from.projects).arg(i, 2, 10, QLatin1Char('0')),
                      noise(60 * 1000, quint32(100 + i)) + QByteArray("\xff\xd9", 2));
        ZPXExportThread t;
        exportWorkspace(t, from, work + "/in.zpx");
        t.startExporting();
        t.wait();
        if (t.result() != ZPXExportThread::Done)
            qFatal("zpx-import: the archive could not be made");
        const ZPX::Places to = places(work + "/ws");
        writeFile(to.maps + "/map1.jpg", readFile(from.maps + "/map1.jpg").left(300 * 1000));
        writeFile(to.plans + "/Route.zfp", "changed here");
    },
    [](const QString &work) { return work + "/ws"; },
    [](const QString &work, const Step &step) {
        ZPXImportThread t(places(work + "/ws"));
        t.setFilename(work + "/in.zpx");
        QObject::connect(&t, &ZPXImportThread::importing, &t, [&](const QString &, int, int) { step(); },
                         Qt::DirectConnection);
        const QStringList lines = t.importZPXFile();
        Outcome o;
        o.success = t.accepted();
        for (const QString &line : lines.mid(1))
            o.success = o.success && !line.startsWith('2');
        o.message = t.failures().join('\n');
        return o;
    },
    {},
    [](const QString &work) {
        // What an older import left when killed: a map cut off and a log
        // folder holding only its records file, cut off too.
        const QString ws = work + "/ws";
        QFile::resize(ws + "/maps/map2.jpg", 1000);
        QFile::remove(ws + "/logs/L1/KORVEL.IFO");
        QFile::resize(ws + "/logs/L1/KORVEL.LOG", 4096);
        QFile::resize(ws + "/phototagger/Proj/img.jpg", 0);
    },
    // An imported log or project is there with all its files or not at all.
    {"logs/L0", "logs/L1", "phototagger/Proj"},
    {},
    {},
    {},
});

[[maybe_unused]] const int logCopy = add({
    "logcopy",
    [](const QString &work) { cardLogs(work, 1, true); },
    [](const QString &work) { return work + "/ws"; },
    [](const QString &work, const Step &step) {
        const LogCopy::Result r = LogCopy::copyLog(cardFolders(work).value(0), work + "/ws/logs", "Flight",
                                                   [&](const QFileInfo &) { step(); });
        Outcome o;
        o.success = r.status == LogCopy::Result::Copied;
        o.message = r.error;
        return o;
    },
    {},
    [](const QString &work) {
        // What the older copy left when killed: the folder with one file.
        const QString folder = work + "/ws/logs/Flight";
        for (const QString &name : QDir(folder).entryList(QDir::Files)) {
            if (name != "KORVEL.IFO")
                QFile::remove(folder + "/" + name);
        }
    },
    {"logs/Flight"},
    {},
    {},
    {},
});

}  // namespace
