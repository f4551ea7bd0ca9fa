#pragma once
// The planning tab of one flight plan: the tool bar, the map canvas and the
// column of the tool panel. It owns the plan and is where a plan leaves the
// program for the aircraft.
#include <QList>
#include <array>

#include "core/toolwindow.h"

class KorvelPacketHandler;
class QAction;
class QToolBar;
class WPData;
class WPEditor;
class WPToolLine;
struct Waypoint;

class WPMain : public ToolWindow {
    Q_OBJECT
public:
    WPMain(KorvelPacketHandler *handler, WPData *data, QWidget *parent = nullptr);
    ~WPMain() override;

    WPData *getWPData();
    WPEditor *editor() const { return m_editor; }
    QToolBar *toolBar() const { return m_toolBar; }
    QWidget *toolPanelColumn() const;
    WPToolLine *toolLine() const { return m_toolLine; }
    int currentState() const { return m_state; }

    // The actions of the tool bar.
    enum class Tool {
        Select,
        Waypoint,
        Matrix,
        Polygon,
        LineMatrix,
        QuickSurvey,
        Poi,
        Coi,
        Panorama,
        ZoomIn,
        ZoomOut,
        Ruler,
    };
    QAction *toolAction(Tool tool) const;

    // Appends a waypoint with all its values (imports).
    void addWP(const Waypoint &wp);

    // ToolWindow
    OpenKind kind() const override;
    QString projectName() const override;
    Commands commands() const override;
    bool asksToSave() const override;
    bool save(QString *error) override;
    bool saveAs(QString *error) override;

signals:
    void dataChanged();

public slots:
    void selectActionSelected();
    void addWaypointActionSelected();
    void addMatrixActionSelected();
    void addPOIActionSelected();
    void addCOIActionSelected();
    void addPanoramaActionSelected();
    void addPolygonMatrixActionSelected();
    void addQuickSurveyActionSelected();
    void addLineMatrixActionSelected();
    void linealActionSelected();
    void setHeadingOnMapClicked();
    void setHeadingOnMapBack();
    void createMatrixOnMap(double speed);
    void createMatrixOnMap();
    void createCOIOnMap();
    void startFlight(int start, int end);
    void stopFlight();
    void finishedV1Flight();

private:
    bool handleSwitchState(int state);
    void uncheckAll();
    void zoomIn();
    void zoomOut();
    void refuseStart();
    bool saveProject(bool saveAs, QString *error);
    void connectToolLine();

    KorvelPacketHandler *m_handler;
    WPData *m_data;
    WPEditor *m_editor;
    WPToolLine *m_toolLine;
    QToolBar *m_toolBar;
    std::array<QAction *, size_t(Tool::Ruler) + 1> m_tools{};
    int m_state = 0;
    int m_savedState = 0;
};
