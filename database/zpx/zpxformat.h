#pragma once
// The exchange archive: a 24-byte head followed by a plain ZIP written onto
// the same file. The rules shared by the writer and the reader live here.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace ZPX {

constexpr char kMagic[] = "KorvelPackXFile";
constexpr int kMagicSize = 15;
constexpr int kHeadSize = 24;
constexpr quint8 kVersion = 1;
// Largest selection the exporter takes, and the largest entry the importer
// inflates: the archive has no 64-bit sizes.
constexpr double kLimitMB = 3900.0;
constexpr qint64 kLimitBytes = 3900LL * 1000 * 1000;
// Copy block of both sides; cancel is checked once per block.
constexpr qint64 kBlockSize = 1024 * 1024;

// Kinds in the order the entries are written.
enum class Kind { Map, FlightPlan, Log, Project };

// "maps", "flightplan", "logs", "phototagger"
QString topFolder(Kind kind);

// The head: magic, version, then the counts of plans, maps, logs and projects
// (each modulo 256) and four zero bytes.
QByteArray makeHead(int plans, int maps, int logs, int projects);
bool hasMagic(const QByteArray &head);

// The workspace folders an archive is written from and read into.
struct Places {
    QString maps;      // stored map images
    QString plans;     // flight plans
    QString logs;      // aircraft log folders
    QString projects;  // photo-tagger project folders
    static Places fromData();  // GUI thread only
    QString folder(Kind kind) const;
};

// The stored file of a map or flight plan listed under name: name plus the
// kind's suffix in lower or upper case ("a.b" -> "a.b.jpg" or "a.b.JPG").
// Empty when there is none.
QString storedFileName(const QString &folder, const QString &name, const QString &suffix);
QString suffixOf(Kind kind);  // ".jpg" or ".zfp"

// The plain, visible files directly inside a log or project folder; no
// links, no sub-folders.
QStringList itemFiles(const QString &folder);

// An entry name read from an archive, taken apart. Names may use "/" or "\".
struct EntryName {
    enum Status {
        Foreign,  // not under one of the four top folders: ignored
        Refused,  // under a top folder but not a safe item path
        Valid,
    };
    Status status = Foreign;
    Kind kind = Kind::Map;
    QString rest;    // the name after the top folder and its separator
    QString folder;  // logs and projects: the item folder
    QString file;    // the file name (maps and plans: the whole rest)
};
EntryName parseEntryName(const QString &name);

// The entry name written for a file of an item: top folder, "/", then the
// file (maps, plans) or the folder, "/" and the file (logs, projects).
QString entryName(Kind kind, const QString &folder, const QString &file);

// True when path, with its links resolved, lies inside folder (also
// resolved). Both must exist.
bool liesInside(const QString &path, const QString &folder);

}  // namespace ZPX
