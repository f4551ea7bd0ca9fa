#ifndef FLIGHTBOOK_H
#define FLIGHTBOOK_H

#include "core/geo.h"
#include "core/toolwindow.h"
#include "harleklog/harleklog.h"

#include <QFileSystemModel>
#include <QList>
#include <QModelIndex>
#include <QSet>
#include <QStringList>
#include <QVector>

#include <memory>
#include <vector>

class FlightBookScan;
class QDialog;
class QLabel;
class QToolButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class MapPage;
template <typename T> class QFutureWatcher;

// The flight book: lists the aircraft log folders of any folder (as a rule
// the aircraft's SD card), shows the selected flight on the web map, and
// copies, exports or packs the listed logs.
class Flightbook : public ToolWindow
{
    Q_OBJECT
public:
    explicit Flightbook(QWidget* parent = nullptr);
    ~Flightbook() override;

    OpenKind kind() const override { return OpenKind::Flightbook; }

    // What the map shows of a log: path points near the start (neither
    // coordinate exactly 0, each at most 0.1 degree from the start) and
    // photo tags within 0.1 degree.
    static QVector<GeoPoint> pathOnMap(const Position& start, const std::vector<PathPoint>& path);
    static QVector<GeoPoint> pinsOnMap(const Position& start, const std::vector<PhotoTag>& tags);

    // The copy dialog for the rows; its "Copy" button runs the copy.
    QDialog* create2DatabaseDialog(QList<QTreeWidgetItem*> items);
    // Copies one log folder into the workspace under name; false when it
    // was refused or failed (the user has been told).
    bool databaseCopy(QTreeWidgetItem* item, QString name);

    QTreeView* folderTree() const { return m_folderTree; }
    QTreeWidget* logTree() const { return m_logTree; }
    MapPage* map() const { return m_map; }
    QToolButton* copyButton() const { return m_copyButton; }
    QToolButton* kmlButton() const { return m_kmlButton; }
    QToolButton* gpxButton() const { return m_gpxButton; }
    QToolButton* csvButton() const { return m_csvButton; }
    QToolButton* packButton() const { return m_packButton; }
    // Makes the folder current in the folder tree, which starts its scan.
    bool chooseFolder(const QString& path);
    // A scan or a map read is running.
    bool isBusy() const { return m_scanning || m_reading; }

public slots:
    void updateFlightBook(QModelIndex index);
    void updateMap(QTreeWidgetItem* item);
    void newItem(QTreeWidgetItem* item);
    void loadingDone();

private slots:
    void expandtoContent();
    void pack4Korvel();
    void export2gpx();
    void copy2Database();
    void kmlExportHarlekLog();
    void export2csv();

protected:
    enum class Export { KML, GPX };
    // Opens the export dialog of the kind: one-log form for one path,
    // several-logs form for more.
    virtual void runExport(Export kind, const QStringList& logPaths);
    // Writes the CSV log book of the logs.
    virtual void runLogBook(const QString& csvFile, const QStringList& logPaths);

private:
    struct PathRead
    {
        bool ok = false;
        std::vector<PathPoint> path;
        std::vector<PhotoTag> tags;
    };

    // The selected rows and paths, and every row's path, of logs that were
    // read: rows of unreadable logs are left out.
    QList<QTreeWidgetItem*> selectedLogs() const;
    QStringList selectedPaths() const;
    QStringList readablePaths() const;
    void warn(const QString& text, const QString& title);
    void updateBusy();
    void updateButtons();
    void drawFlight(const Position& start, const PathRead& read);
    void copyLogs(QDialog* dialog, const QList<QTreeWidgetItem*>& items, const QString& name, int start);

    QFileSystemModel m_model;
    QTreeView* m_folderTree = nullptr;
    QTreeWidget* m_logTree = nullptr;
    QLabel* m_loading = nullptr;
    QWidget* m_view = nullptr;
    MapPage* m_map = nullptr;
    QToolButton* m_copyButton = nullptr;
    QToolButton* m_kmlButton = nullptr;
    QToolButton* m_gpxButton = nullptr;
    QToolButton* m_csvButton = nullptr;
    QToolButton* m_packButton = nullptr;
    FlightBookScan* m_scan = nullptr;
    QFutureWatcher<PathRead>* m_read = nullptr;
    QSet<QString> m_listed;  // column 0 texts of the rows
    bool m_scanning = false;
    bool m_reading = false;
    // Set while the window goes: loops and late signals stop.
    bool m_closing = false;
};

#endif
