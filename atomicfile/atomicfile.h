#pragma once
// The one door through which files are written. A file is built under a
// hidden temporary name beside its target, every write is checked, and only
// a complete file is moved to the final name; a failed, cancelled or killed
// write leaves the old file (or no file) there. Failures carry the system's
// reason ("No space left on device").
//
// Temporaries carry the marker ".korvel-tmp-" in their names and are locked
// (flock) from the moment they have a name until they have their final one,
// so a sweep takes only what a killed writer left, never a living writer's
// file, and never a user's file that merely looks alike.
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>

namespace AtomicFile {

// How the finished file takes its name.
enum class Mode {
    Replace,    // an existing file at the name is replaced in one step
    NoReplace,  // an existing name (file, folder or link) is never touched
};

// A file being written: a seekable QIODevice (usable under QuaZip or a
// stream) whose bytes land in a temporary file beside the target. Every
// write is checked; the first failure is kept with the system's reason and
// fails every later write and commit(). Every Writer ends in commit() or
// cancel(); one destroyed without either removes its temporary and says so
// in the log.
//
// What stands at the name (Replace): a file the user cannot write is
// refused ("Permission denied"); a symbolic link stays and the file it
// points to is replaced whole (the temporary beside that file); a folder, a
// device or a pipe is refused.
class Writer : public QIODevice {
    Q_OBJECT
public:
    explicit Writer(const QString &path, Mode mode = Mode::Replace);
    ~Writer() override;

    // Creates the temporary file, after sweeping what killed writers left in
    // the target's folder; false with reason() on failure. Only writing is
    // possible (any read mode is refused).
    [[nodiscard]] bool open(OpenMode mode) override;
    [[nodiscard]] bool open() { return open(QIODevice::WriteOnly); }
    // Writes what is buffered, syncs the data to disk, moves the file to its
    // name and syncs the folder, so the new name survives a power cut.
    // False (with reason(), the temporary file removed) when any write
    // failed or the name could not be taken.
    [[nodiscard]] bool commit();
    // Abandons the file: the temporary file goes, the target stays as it was.
    void cancel();
    // Whether commit() waits for the data and the name to reach the disk
    // (the default). Without it a kill still leaves the old file or the
    // whole new one, but a power cut may leave a new file empty: only for
    // copies whose source stays and whose readers check them whole, and for
    // files of a Folder, which syncs them all at once.
    void setSynced(bool synced) { m_synced = synced; }

    QString path() const { return m_path; }
    // The system's reason of the first failure, empty while all is well.
    QString reason() const { return m_reason; }
    // errno of the first failure (EEXIST when NoReplace found the name taken).
    int osError() const { return m_errno; }
    bool failed() const { return m_errno != 0 || !m_reason.isEmpty(); }

    bool isSequential() const override { return false; }
    bool seek(qint64 pos) override;
    qint64 size() const override { return m_size; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool writeAll(const char *data, qint64 size);
    bool flushBuffer();
    bool fail(int err, const QString &what = QString());
    void removeTemp();

    QString m_path;
    QString m_real;   // where the file really goes (a link's file)
    Mode m_mode;
    QString m_temp;
    int m_fd = -1;
    QByteArray m_buffer;
    qint64 m_filePos = 0;   // where m_buffer starts in the file
    qint64 m_size = 0;
    int m_errno = 0;
    QString m_reason;
    bool m_committed = false;
    bool m_ended = false;   // commit() or cancel() was called
    bool m_synced = true;
};

// Calls writer on a Writer for path and commits it when writer returned true
// and every write succeeded. On failure *error (when given) holds the
// system's reason, or the writer's own text when it set one.
[[nodiscard]] bool write(const QString &path, const std::function<bool(QIODevice &)> &writer,
                         QString *error = nullptr, Mode mode = Mode::Replace);

// Whole-content form.
[[nodiscard]] bool write(const QString &path, const QByteArray &content, QString *error = nullptr,
                         Mode mode = Mode::Replace);

// Copies the file at from to a new file at to, block by block, through a
// Writer; a failed read or write leaves the target as it was. False with
// the system's reason in *sourceError (reading) or *targetError (writing).
// Unsynced copies (synced false) are for copies whose source stays.
[[nodiscard]] bool copy(const QString &from, const QString &to, Mode mode, QString *sourceError,
                        QString *targetError, bool synced = true);

// "<path>: <reason>", the form in which a failed write reaches the user.
QString describe(const QString &path, const QString &reason);

// The system's text for errno value err ("No space left on device").
QString systemReason(int err);

// A folder assembled under a hidden temporary name beside its target and
// renamed to it in one step, so the target is whole or absent. Files are
// written into path() (through Writer; they need not be synced one by one:
// commit() syncs the file system once before the rename). The name is
// taken only when free; the folder is locked while it is assembled, and
// destroying it without commit() removes it.
class Folder {
public:
    explicit Folder(const QString &target);
    ~Folder();
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    [[nodiscard]] bool open();           // creates the temporary folder
    QString path() const { return m_temp; }  // where the files go meanwhile
    [[nodiscard]] bool commit();         // false with reason(); EEXIST when taken
    void cancel();
    QString reason() const { return m_reason; }
    int osError() const { return m_errno; }

private:
    bool fail(int err);

    QString m_target;
    QString m_temp;
    QString m_reason;
    int m_fd = -1;
    int m_errno = 0;
    bool m_committed = false;
};

// Takes the name `to` for the file or folder at `from` only when no entry of
// that name exists (never through a link placed there). False with errno set
// (EEXIST when taken).
[[nodiscard]] bool renameNoReplace(const QString &from, const QString &to);

// Makes a rename or a new entry in folder survive a power cut. False with
// errno set.
[[nodiscard]] bool syncFolder(const QString &folder);

// Waits until everything written to the file system that holds folder is on
// the disk: one call in place of a sync per file. False with errno set.
[[nodiscard]] bool syncFileSystem(const QString &folder);

// A free temporary name beside target, for a file or folder put aside for
// a moment; what a kill leaves under it is swept.
QString temporaryName(const QString &target);

// Whether a file name is one of the door's temporaries.
bool isTemporaryName(const QString &fileName);

// Removes the temporary files and staging folders that writers left in
// folder when they were killed before they finished. A writer still at work
// holds a lock on its temporary, so it stays. Returns how many went.
int removeAbandoned(const QString &folder);

// Each writer sweeps its folder when it starts, but a folder swept a moment
// ago is not read again at once (a folder of thousands of files would make
// a series of writes slow). This forgets the recent sweeps, so the next
// writer sweeps as the first one of a new process does (for tests).
void forgetRecentSweeps();

// The same in folder and the folders below it, to the given depth (links to
// folders are not followed): the sweep at program start.
int removeAbandonedBelow(const QString &folder, int depth);

}  // namespace AtomicFile
