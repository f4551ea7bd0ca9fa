#pragma once
// The database window: a tree of everything stored in the workspace, by
// kind, above a stack of detail pages. Nothing is cached between refreshes.
#include <QList>
#include <QString>

#include "core/toolwindow.h"

class DBHarlekLog;
class DBMaps;
class DBOverview;
class DBPhotoTagger;
class DBThermal;
class DBThread;
class DBTrace;
class DBWaypoints;
class QSplitter;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

class DBMain : public ToolWindow
{
    Q_OBJECT
public:
    // Kinds in the order of the window's lists and totals.
    enum Kind { FlightPlans, Maps, Logs, PhotoTagger, Traces, Thermal, KindCount };
    // Stack indices of the pages.
    enum Page { LoadingPage, OverviewPage, MapPage, FlightPlanPage, TracePage, LogPage,
                PhotoTaggerPage, ThermalPage };

    explicit DBMain(QWidget *parent = nullptr);
    ~DBMain() override;

    OpenKind kind() const override { return OpenKind::Database; }
    void activated() override { updateDBComplete(); }

    static QString sizeText(qint64 bytes, int width = 0, int precision = 1);
    // The folder a kind is listed from.
    static QString folderOf(Kind kind);

    QTreeWidget *tree() const { return m_tree; }
    QTreeWidgetItem *kindNode(Kind kind) const { return m_nodes[kind]; }
    QTreeWidgetItem *harlekNode() const { return m_harlek; }
    QTreeWidgetItem *overviewNode() const { return m_overview; }
    QList<QTreeWidgetItem *> items(Kind kind) const { return m_items[kind]; }
    QStackedWidget *pages() const { return m_stack; }
    QSplitter *splitter() const { return m_split; }
    DBOverview *overview() const { return m_overviewPage; }
    DBPhotoTagger *photoTaggerPage() const { return m_ptPage; }
    DBThermal *thermalPage() const { return m_thermalPage; }
    DBWaypoints *flightPlanPage() const { return m_waypointsPage; }
    DBMaps *mapPage() const { return m_mapsPage; }
    DBThread *mapLoader() const { return m_thread; }
    DBTrace *tracePage() const { return m_tracePage; }
    DBHarlekLog *logPage() const { return m_logPage; }
    QString currentName() const { return m_currentName; }
    QString currentType() const { return m_currentType; }

    int fillWaypointList() { return fill(FlightPlans); }
    int fillMapList() { return fill(Maps); }
    int fillLogList() { return fill(Logs); }
    int fillPhotoTaggerList() { return fill(PhotoTagger); }
    int fillTraceList() { return fill(Traces); }
    int fillThermalList() { return fill(Thermal); }

signals:
    void openPhotoTaggerProject(const QString &name);
    void openMap(const QString &path);
    void openFlightplan(const QString &name);
    void createPTProject(const QString &name);
    void openThermalProject(const QString &name);

public slots:
    void updateInformationWidget(QTreeWidgetItem *item);
    void mapRemoved(const QString &name) { removed(Maps, "mapRemoved", name); }
    void mapRenamed(const QString &oldname, const QString &newname);
    void wpRemoved(const QString &name) { removed(FlightPlans, "wpRemoved", name); }
    void wpRenamed(const QString &oldname, const QString &newname)
    {
        renamed(FlightPlans, "wpRenamed", oldname, newname);
    }
    void trRemoved(const QString &name) { removed(Traces, "trRemoved", name); }
    void logRemoved(const QString &name) { removed(Logs, "logRemoved", name); }
    void logRenamed(const QString &oldname, const QString &newname)
    {
        renamed(Logs, "logRenamed", oldname, newname);
    }
    void ptRemoved(const QString &name) { removed(PhotoTagger, "ptRemoved", name); }
    void ptRenamed(const QString &oldname, const QString &newname)
    {
        renamed(PhotoTagger, "ptRenamed", oldname, newname);
    }
    void updatePTComplete();
    void updateDBComplete();
    void thRemoved(const QString &name) { removed(Thermal, "thRemoved", name); }
    void thRenamed(const QString &oldname, const QString &newname)
    {
        renamed(Thermal, "thRenamed", oldname, newname);
    }
    void updateDBOverview();
    void openItem(QTreeWidgetItem *item);

private:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

    int fill(Kind kind);
    void placeSplit();
    void removed(Kind kind, const char *slot, const QString &name);
    bool renamed(Kind kind, const char *slot, const QString &oldname, const QString &newname);
    void switchToFlightplan(const QString &name);
    int kindOfType(const QString &type) const;

    QString m_currentName;
    QString m_currentType;
    QTreeWidget *m_tree;
    QTreeWidgetItem *m_overview;
    QTreeWidgetItem *m_harlek;
    QTreeWidgetItem *m_nodes[KindCount];
    QList<QTreeWidgetItem *> m_items[KindCount];
    QStackedWidget *m_stack;
    QSplitter *m_split;
    bool m_splitMoved = false;
    DBOverview *m_overviewPage;
    DBPhotoTagger *m_ptPage = nullptr;
    DBThermal *m_thermalPage = nullptr;
    DBWaypoints *m_waypointsPage;
    DBMaps *m_mapsPage;
    DBThread *m_thread;
    DBTrace *m_tracePage;
    DBHarlekLog *m_logPage;
    double m_totals[KindCount] = {};
};
