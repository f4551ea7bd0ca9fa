#pragma once
// Writes an exchange archive from four lists of item names on a thread of
// its own, then, on request, deletes the exported items. One step per start:
// the opening pause, the write, the clean-up after a cancel, the delete.
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>

#include "database/zpx/zpxformat.h"

class ZPXExportThread : public QThread
{
    Q_OBJECT
public:
    enum Mode { Pause = 0, Write = 1, Remove = 2, Delete = 3 };
    // Results: 1 written / deleted, 0 stopped by cancel, -1 archive not
    // created, -2 a source file unreadable, -3 an entry not writable,
    // 101 cancelled and cleaned up.
    enum Result { Done = 1, Stopped = 0, ArchiveFailed = -1, SourceFailed = -2,
                  EntryFailed = -3, Cancelled = 101 };

    struct Item {
        ZPX::Kind kind;
        QString name;
        QStringList files;  // absolute paths packed for it
    };

    explicit ZPXExportThread(QObject *parent = nullptr);  // folders from Data
    explicit ZPXExportThread(const ZPX::Places &places, QObject *parent = nullptr);
    ~ZPXExportThread() override;

    void setPlaces(const ZPX::Places &places) { m_places = places; }
    void setData(const QStringList &maps, const QStringList &flightplans, const QStringList &logs,
                 const QStringList &projects);
    void setFilename(const QString &path) { m_path = path; }
    // Items the delete step leaves alone (open in a tool window).
    void setKeep(const QList<QPair<ZPX::Kind, QString>> &items) { m_keep = items; }

    void startPause();
    void startExporting();
    void canceled();
    void deleteFile();

    // Sets the cancel flag; ignored once the write has ended, since the
    // archive is then complete.
    void terminateIt();
    bool isTerminated() const;
    int getMaxCount() const;
    int mode() const { return m_mode; }
    int result() const { return m_result; }
    // After a failed write: "<file>: <reason>", the archive and the system's
    // reason when writing it failed, else the source that could not be read.
    QString errorText() const { return m_error; }

    // After the write: the items packed, with their files.
    QList<Item> packedItems() const { return m_packed; }
    // After the delete step: items removed completely, and what stayed with why.
    QList<Item> deletedItems() const { return m_deleted; }
    QStringList keptItems() const { return m_kept; }

signals:
    void copyMap(const QString &text, int i, int n);
    void copyWP(const QString &text, int i, int n);
    void copyLog(const QString &text, int i, int n);
    void copyPT(const QString &text, int i, int n);
    void cleanUp();

protected:
    void run() override;

private:
    int saveFile();
    int deleteItems();
    bool cancelled() const { return isTerminated(); }
    QString itemFolder(ZPX::Kind kind, const QString &name) const;

    mutable QMutex m_mutex;
    bool m_cancel = false;
    bool m_writeEnded = false;
    int m_mode = Pause;
    int m_result = -1;
    QStringList m_maps;
    QStringList m_flightplans;
    QStringList m_logs;
    QStringList m_projects;
    QString m_path;
    QString m_error;
    ZPX::Places m_places;
    QList<Item> m_packed;
    QList<QPair<ZPX::Kind, QString>> m_keep;
    QList<Item> m_deleted;
    QStringList m_kept;
};
