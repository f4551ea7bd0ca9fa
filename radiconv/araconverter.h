#pragma once
// Converts ARA recordings into radiometric JPEG files and ARV recordings into
// FLIR sequence files, one file per task of the global thread pool.
#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>

#include "radifmt/araimage.h"

class QFile;
class QSaveFile;
class QWidget;

class AraConverter : public QObject {
    Q_OBJECT
public:
    struct Failure {
        QString file;
        QString reason;
    };

    explicit AraConverter(QObject *parent = nullptr);

    void setTargetLocation(const QString &location);
    void addFiles(const QStringList &files);

    // Converts every file; returns when all are done or the run was
    // cancelled. The progress dialog appears when there are more files than
    // twice the pool's threads (and for any run that takes long).
    void run();

    // Converts one file; true when its target was written whole.
    bool convert(const QString &path);

    // The file a source converts to ("<folder>/<base>.jpg" or ".seq"), or
    // empty when the source is no ARA/ARV file.
    QString targetPathFor(const QString &path) const;

    // Writes the EXIF and GPS tags of a frame into a JPEG file, or into
    // the bytes of one before they are written.
    static bool writeExifData(const QString &path, const ARA_HEADER &header);
    static bool writeExifData(QByteArray &jpeg, const ARA_HEADER &header);

    // After run(): what went wrong, file by file, and how many succeeded.
    QList<Failure> failures() const;
    int convertedCount() const;
    bool wasCanceled() const { return m_canceled; }

    // Parent of the progress dialog (may be null).
    void setDialogParent(QWidget *parent) { m_dialogParent = parent; }

signals:
    void progressRangeChanged(int minimum, int maximum);
    void progressValueChanged(int progressValue);

private:
    QString targetFolderFor(const QString &path, bool create) const;
    bool convertImage(const QString &path, const QString &target);
    bool convertSequence(const QString &path, const QString &target);
    bool failed(const QString &path, const QString &reason);
    // Open the recording for reading and the target for writing; on failure
    // the reason is recorded for path and false returned.
    bool openSource(QFile &source, const QString &path);
    bool openTarget(QSaveFile &out, const QString &path, const QString &target);

    QString m_targetLocation;
    QStringList m_files;
    QWidget *m_dialogParent = nullptr;

    mutable QMutex m_mutex;
    QList<Failure> m_failures;
    int m_converted = 0;
    std::atomic<bool> m_cancel{false};
    bool m_canceled = false;
};
