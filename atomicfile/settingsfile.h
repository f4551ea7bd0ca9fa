#pragma once
// The settings stores of both programs. QSettings' own writer cannot be
// trusted with a full disk (its QSaveFile commits a file whose flush failed,
// and status() stays NoError), so the stores use a format of their own: Qt's
// INI layout, read and written here, every write checked and the data synced
// before Qt renames the file; a failed save leaves the old file as it was.
// The file keeps the name Qt gives it (<config>/<organisation>/<application>.conf).
#include <QSettings>
#include <QString>
#include <functional>

namespace SettingsFile {

// The format, registered on the first call ("conf" files in Qt's INI layout).
QSettings::Format format();

// The user-scope file of a store, as QSettings names it in format().
QString path(const QString &organization, const QString &application);

// Saves settings now. False, with "<file>: <reason>" in *error, when not all
// of it reached the disk (the old file then stays as it was); after a save
// the folder is synced too, so the new name survives a power cut. Says
// nothing to the user.
[[nodiscard]] bool sync(QSettings &settings, QString *error = nullptr);

// How a failure reaches the user.
enum class Delivery {
    Queued,  // through the event loop of the GUI thread
    Now,     // at once (on the GUI thread): for saves after the event loop
};

// As sync(), and a failure reaches the user through the failure handler,
// once until a save of that file succeeds again.
bool save(QSettings &settings, Delivery delivery = Delivery::Queued);

// Checks the saves settings makes by itself after a change (its update
// event) like save(). The store must live on the GUI thread.
void watch(QSettings *settings);

// Tells the user that a settings file could not be saved (the window layer
// installs it). Called on the GUI thread, never from inside a save.
using FailureHandler = std::function<void(const QString &file, const QString &reason)>;
void setFailureHandler(FailureHandler handler);

// "Settings could not be saved: <file>: <reason>", from what sync() gave.
QString failureText(const QString &error);

// A caller that shows its own message for a failed sync() marks the failure
// as told, so the handler does not tell it again.
void markReported(const QString &file);

// What prepare() found wrong with a settings file.
struct Damage {
    QString problem;    // empty when the file is sound or absent
    QString keptAs;     // where the damaged file was kept, when it was
    QString keepError;  // "<file>: <reason>" when it could not be kept
    bool damaged() const { return !problem.isEmpty(); }
    // What the user is told before anything else of the start.
    QString message(const QString &file) const;
};

// Run before the file is first opened: removes what a killed save left
// beside it (Qt's temporary and lock files), and looks at the file. An empty
// file, one whose last line has no line end (cut off) or one that cannot be
// read is damaged: its bytes are kept in "<file>.damaged" (or
// "<file>.damaged.N" when taken) and the file is replaced by the lines that
// can be trusted, so the store carries on with those.
Damage prepare(const QString &file);

// The codec itself, compatible with QSettings::IniFormat in both directions.
QByteArray encode(const QSettings::SettingsMap &map);
QSettings::SettingsMap decode(const QByteArray &bytes);
// The bytes of a settings file that can be trusted: up to the end of its
// last whole line, and never past a NUL byte (a file cut by a crash).
int trustedLength(const QByteArray &bytes);

// Called between the parts of every save; lets a test stop a save midway.
void setStepHook(std::function<void()> step);

}  // namespace SettingsFile
