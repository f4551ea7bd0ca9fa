#pragma once
// Every writer of the program as one row, shared by the full-disk test, the
// kill test and the helper program the kill test starts: how to set up its
// sources (and the old file it replaces), how to run it, and how to judge a
// file it wrote. A source file per area adds its rows (writers_*.cpp).
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace Safety {

// What the writer told its user.
struct Outcome {
    bool success = false;  // it reported everything as written
    QString message;       // what it said when not
    QStringList written;   // files it reported as written one by one (absolute)
    QStringList faults;    // what the run found wrong beyond the files (its state in memory)
};

// Called at points inside a write (the writer's own progress).
using Step = std::function<void()>;

struct Row {
    QString name;
    // Builds the sources and any old output in work (an empty folder).
    std::function<void(const QString &work)> prepare;
    // The folder the writer writes into (absolute); only it is compared.
    std::function<QString(const QString &work)> output;
    // Runs the writer; step() (never empty) runs at its progress points.
    std::function<Outcome(const QString &work, const Step &step)> run;
    // True when bytes are a whole file of the kind, given the file the same
    // write produced undisturbed. Default: the very same bytes.
    std::function<bool(const QByteArray &bytes, const QByteArray &reference)> whole;
    // Leaves in the output what an older, unsafe version of the writer left
    // when it was killed (a cut-off file, a half-copied folder); a second
    // run has to repair it. Empty where a second run simply replaces.
    std::function<void(const QString &work)> cutOff;
    // Folders of the output (relative) that must appear whole or not at all.
    QStringList wholeFolders;
    // Files of the output (relative) the message of a failed write names in
    // the form it reaches the user, "<file>: <reason>" (one of them must).
    QStringList targets;
    // What the program does with the output when it next opens it (finishes
    // or takes back a write cut off); run after each kill before judging.
    std::function<void(const QString &work)> reopen;
    // What is wrong with the output as a whole after a disturbed write, that
    // the files one by one do not show; empty when nothing.
    std::function<QStringList(const QString &work)> check;
};

// The rows, in the order their files were linked.
QList<Row> &rows();
const Row *row(const QString &name);
// For static registration: `static const int added = Safety::add({...});`
int add(const Row &row);

// Every file and link below folder, relative to it, with its bytes (a
// link's target as its bytes); folders only when hidden or empty.
QHash<QString, QByteArray> snapshot(const QString &folder);

// The state without the temporaries a kill leaves (hidden names).
QHash<QString, QByteArray> visible(QHash<QString, QByteArray> state);

// True when bytes are a whole file of the row's kind (see Row::whole).
bool isWhole(const Row &row, const QByteArray &bytes, const QByteArray &reference);

// What is wrong with the output after a disturbed write: every entry must
// be as it was before or a whole file of the undisturbed run (reference).
// Temporary files (hidden names) count as wrong unless allowed, which they
// are after a kill; *leftovers (when given) counts them.
QStringList faults(const Row &row, const QHash<QString, QByteArray> &before,
                   const QHash<QString, QByteArray> &after, const QHash<QString, QByteArray> &reference,
                   bool allowLeftovers = false, int *leftovers = nullptr);

// The work folder of a row, emptied and prepared afresh.
QString freshWork(const Row &row, const QString &root);

// Helpers for the rows.
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);
QByteArray noise(int size, quint32 seed);  // bytes that do not compress
// Runs an outside tool on bytes put into a file of that suffix; true when
// it exits with one of the codes.
bool toolAccepts(const QString &program, const QStringList &argsBeforeFile, const QByteArray &bytes,
                 const QString &suffix, const QList<int> &codes = {0});
bool zipIsWhole(const QByteArray &bytes);  // unzip -t finds no error

}  // namespace Safety
