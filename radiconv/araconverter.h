#pragma once
// Converts ARA recordings into radiometric JPEG files and ARV recordings into
// FLIR sequence files, one file per task of the global thread pool.
#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <atomic>

#include "radifmt/araimage.h"

class QFile;
namespace AtomicFile {
class Writer;
}
template <typename T> class QFutureWatcher;

// No widgets: the engine runs under a QCoreApplication. A window shows the
// progress from the signals and cancels through cancel().
class AraConverter : public QObject {
    Q_OBJECT
public:
    struct Failure {
        QString file;
        QString reason;
    };

    explicit AraConverter(QObject *parent = nullptr);
    ~AraConverter() override;

    void setTargetLocation(const QString &location);
    void addFiles(const QStringList &files);

    // Starts converting every file on the global thread pool and returns at
    // once: started() now, progress() as files finish, finished() once all
    // are done or the run was cancelled. Ignored while a run is going on.
    void start();
    // Converts every file and returns when all are done (start() and a wait,
    // without an event loop). finished() has been emitted on return.
    void run();
    bool isRunning() const { return m_watcher != nullptr; }

    // The label a progress display shows for a run.
    QString progressLabel() const;

    // Converts one file; true when its target was written whole. Otherwise
    // *error (when given) says why; the reason is also among failures().
    bool convert(const QString &path, QString *error = nullptr);

    // The file a source converts to ("<folder>/<base>.jpg" or ".seq"), or
    // empty when the source is no ARA/ARV file.
    QString targetPathFor(const QString &path) const;

    // Writes the EXIF and GPS tags of a frame into the bytes of a JPEG file
    // before they are written.
    static bool writeExifData(QByteArray &jpeg, const ARA_HEADER &header);

    // After a run: what went wrong, file by file, and how many succeeded.
    QList<Failure> failures() const;
    int convertedCount() const;
    bool wasCanceled() const { return m_canceled; }

public slots:
    // Stops the run: files not yet started are not converted, a recording
    // being converted stops between frames. finished() follows.
    void cancel();

signals:
    // jobs: the conversions of the run; threads: the pool's threads.
    void started(int jobs, int threads);
    // done of total conversions have ended.
    void progress(int done, int total);
    // The run ended: converted files, failed ones (see failures()) and
    // whether it was cancelled.
    void finished(int converted, int failed, bool canceled);

private:
    struct Job {
        QString path;
        bool started = false;
    };

    void complete();
    bool convertFile(const QString &path);
    QString targetFolderFor(const QString &path, bool create) const;
    bool convertImage(const QString &path, const QString &target);
    bool convertSequence(const QString &path, const QString &target);
    bool failed(const QString &path, const QString &reason);
    // Open the recording for reading and the target for writing; on failure
    // the reason is recorded for path and false returned.
    bool openSource(QFile &source, const QString &path);
    bool openTarget(AtomicFile::Writer &out, const QString &path, const QString &target);
    // A write into target failed: the file and the system's reason.
    bool writeFailed(const QString &path, const QString &target, const QString &reason);

    QString m_targetLocation;
    QStringList m_files;
    QVector<Job> m_jobs;
    QFutureWatcher<void> *m_watcher = nullptr;

    mutable QMutex m_mutex;
    QList<Failure> m_failures;
    int m_converted = 0;
    std::atomic<bool> m_cancel{false};
    bool m_canceled = false;
};
