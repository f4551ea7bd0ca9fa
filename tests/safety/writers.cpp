#include "safety/writers.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace Safety {

QList<Row> &rows()
{
    static QList<Row> list;
    return list;
}

const Row *row(const QString &name)
{
    for (const Row &r : rows()) {
        if (r.name == name)
            return &r;
    }
    return nullptr;
}

int add(const Row &r)
{
    rows().append(r);
    return rows().size();
}

QHash<QString, QByteArray> snapshot(const QString &folder)
{
    QHash<QString, QByteArray> out;
    const QDir base(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString rel = base.relativeFilePath(info.filePath());
        if (info.isSymLink())
            out.insert(rel, "-> " + QFile::encodeName(info.symLinkTarget()));
        else if (info.isDir()) {
            // Made folders are fine; a hidden one is a temporary left behind.
            if (info.fileName().startsWith('.'))
                out.insert(rel + "/", "<folder>");
        } else {
            out.insert(rel, readFile(info.filePath()));
        }
    }
    return out;
}

QHash<QString, QByteArray> visible(QHash<QString, QByteArray> state)
{
    for (auto it = state.begin(); it != state.end();) {
        if (it.key().startsWith('.') || it.key().contains("/."))
            it = state.erase(it);
        else
            ++it;
    }
    return state;
}

namespace {
bool hidden(const QString &rel)
{
    for (const QString &part : rel.split('/', Qt::SkipEmptyParts)) {
        if (part.startsWith('.'))
            return true;
    }
    return false;
}
}  // namespace

bool isWhole(const Row &row, const QByteArray &bytes, const QByteArray &reference)
{
    return row.whole ? row.whole(bytes, reference) : bytes == reference;
}

QStringList faults(const Row &row, const QHash<QString, QByteArray> &before,
                   const QHash<QString, QByteArray> &after, const QHash<QString, QByteArray> &reference,
                   bool allowLeftovers, int *leftovers)
{
    QStringList out;
    QStringList keys = before.keys() + after.keys();
    keys.sort();
    keys.removeDuplicates();
    for (const QString &key : qAsConst(keys)) {
        const bool was = before.contains(key), is = after.contains(key);
        if (was == is && (!is || before.value(key) == after.value(key)))
            continue;  // as it was
        if (is && reference.contains(key) && isWhole(row, after.value(key), reference.value(key)))
            continue;  // the new, whole file
        if (!is && !reference.contains(key))
            continue;  // the new output has it no more either (moved, merged)
        if (is && !was && !reference.contains(key) && hidden(key)) {
            if (leftovers)
                ++*leftovers;
            if (allowLeftovers)
                continue;
            out << key + " (temporary file left)";
            continue;
        }
        if (!is)
            out << key + " (gone)";
        else if (was)
            out << key + QStringLiteral(" (changed, %1 bytes, not whole)").arg(after.value(key).size());
        else
            out << key + QStringLiteral(" (new, %1 bytes, not whole)").arg(after.value(key).size());
    }
    // A folder that is a unit holds all of its files or none of its own.
    for (const QString &folder : row.wholeFolders) {
        const auto inside = [&](const QHash<QString, QByteArray> &state) {
            QStringList names;
            for (auto it = state.constBegin(); it != state.constEnd(); ++it) {
                if (it.key().startsWith(folder + '/') && !hidden(it.key()))
                    names << it.key();
            }
            names.sort();
            return names;
        };
        const QStringList now = inside(after), was = inside(before), whole = inside(reference);
        if (now != was && now != whole)
            out << QStringLiteral("%1 (%2 of its %3 files)").arg(folder).arg(now.size()).arg(whole.size());
    }
    return out;
}

QString freshWork(const Row &row, const QString &root)
{
    const QString work = root + "/" + row.name;
    QDir(work).removeRecursively();
    QDir().mkpath(work);
    row.prepare(work);
    return work;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray noise(int size, quint32 seed)
{
    QByteArray out(size, Qt::Uninitialized);
    QRandomGenerator rng(seed);
    rng.fillRange(reinterpret_cast<quint32 *>(out.data()), size / 4);
    return out;
}

bool toolAccepts(const QString &program, const QStringList &argsBeforeFile, const QByteArray &bytes,
                 const QString &suffix, const QList<int> &codes)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("judged" + suffix);
    if (!writeFile(file, bytes))
        return false;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, argsBeforeFile + QStringList(file));
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return false;
    return codes.contains(p.exitCode());
}

bool zipIsWhole(const QByteArray &bytes)
{
    // 1: warnings only, such as the head in front of an exchange archive.
    return toolAccepts("unzip", {"-tqq"}, bytes, ".zip", {0, 1});
}

}  // namespace Safety
