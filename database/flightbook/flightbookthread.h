#ifndef FLIGHTBOOKTHREAD_H
#define FLIGHTBOOKTHREAD_H

#include <QDir>
#include <QFileInfoList>
#include <QPointer>
#include <QThread>

#include <functional>

class HarlekLog;
class QTreeWidgetItem;

// Finds the aircraft log folders in a folder and its direct sub-folders and
// makes one flight-book row of each.
class FlightBookThread : public QThread
{
    Q_OBJECT
public:
    // Place name of a start position (longitude, latitude); empty: unknown.
    using PlaceNameLookup = std::function<QString(double, double)>;

    // Data of column 0 of a row.
    enum Role {
        PathRole = Qt::UserRole,    // absolute folder path
        TagCountRole,
        LatitudeRole,
        LongitudeRole,
        StateRole,                  // LogState
    };
    enum LogState { Whole = 0, CutShort = 1, Skipped = 2 };
    // The last column: why a log is cut short or was not read.
    static constexpr int NoteColumn = 7;

    explicit FlightBookThread(QObject* parent = nullptr);

    // Directory listing of the folder to scan; set before start().
    void setEntries(const QFileInfoList& entries) { m_entries = entries; }
    // Replaces the stored-map lookup (Data::placeNameAt) for the Location
    // column; an empty function leaves every place "Unknown".
    void setPlaceNameLookup(PlaceNameLookup lookup) { m_placeName = std::move(lookup); }

    // Reads the log folder and emits newItem with its row; reader exceptions
    // reach the caller and then no row is emitted.
    void createLogItem(QDir logFolder);
    // Emits a row for every log folder found, a greyed skippedItem for those
    // that cannot be read; returns the number of logs read.
    int scanFolder(QDir folder, int depth);

    // The row of one opened log, as createLogItem builds it.
    static QTreeWidgetItem* logItem(const QString& folderPath, const HarlekLog& log, const QString& placeName);
    // The row of a log folder that cannot be read: greyed, not selectable,
    // its reason in the note column and tooltip.
    static QTreeWidgetItem* skippedItem(const QString& folderPath, const QString& reason);
    static LogState state(const QTreeWidgetItem* item);
    static QString flightTime(double airTime);
    static QStringList columnTitles();

signals:
    void newItem(QTreeWidgetItem* item);
    void loadingDone();

protected:
    void run() override;

private:
    QFileInfoList m_entries;
    PlaceNameLookup m_placeName;
};

// Runs flight-book scans for one window: a new scan supersedes the older
// one, whose rows and end signal are dropped. Running scans are stopped and
// waited for when the object goes away.
class FlightBookScan : public QObject
{
    Q_OBJECT
public:
    explicit FlightBookScan(QObject* parent = nullptr);
    ~FlightBookScan() override;

    // lookup replaces Data::placeNameAt when given.
    void start(const QFileInfoList& entries, FlightBookThread::PlaceNameLookup lookup = {});
    bool isRunning() const;

signals:
    void newItem(QTreeWidgetItem* item);
    void loadingDone();

private:
    QPointer<FlightBookThread> m_current;
    QList<QPointer<FlightBookThread>> m_threads;
};

#endif
