#pragma once
// The program's one top-level window: menus, the tab set of tool windows and
// the status line.
#include <QList>
#include <QPointer>
#include <QWidget>

#include "core/openkind.h"

class KorvelPacketHandler;
class BottomLine;
class ToolWindow;
class WelMain;
class GMMain;
class WPMain;
class WPData;
class QAction;
class QMenu;
class QMenuBar;
class QShortcut;
class QTabWidget;
class QToolButton;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    KorvelPacketHandler *link() const { return m_link; }
    QTabWidget *tabs() const { return m_tabs; }
    BottomLine *bottomLine() const { return m_bottomLine; }
    QMenuBar *menuBar() const { return m_menuBar; }
    QAction *action(const QString &text) const;  // menu entry by its text

    // Opens a window as a tab and registers the project it shows as open;
    // closing the tab unregisters it again.
    int addProjectTab(ToolWindow *window, const QIcon &icon, const QString &title);
    void registerTab(ToolWindow *window);
    // First open window of that kind (and, when given, that project).
    ToolWindow *findWindow(OpenKind kind, const QString &name = QString()) const;

signals:
    void importZPXcompleted();

public slots:
    void recSingleAppMessage(const QString &message);
    void airbusImport(const QString &map, const QString &filename, const QString &connString);
    void gmcreated(const QString &mapPath, GMMain *window);

private slots:
    void wpdatachanged();
    void thdatachanged();
    void aboutclicked();
    void newwpclicked();
    void connectclicked();
    void sendfeedbackclicked();
    void flightbookclicked();
    void tabclosed(int index);
    void programsettingsclicked();
    void placemarksclicked();
    void phototaggerclicked(const QString &setProject);
    void phototaggerclicked();
    void databaseclicked();
    void saveWpclicked(bool saveAs);
    void saveWpclicked();
    void saveWpclickedAs();
    void openWPclicked();
    void openMap(const QString &name);
    void openFlightPlan(const QString &name);
    void importWPclicked();
    void importZPXclicked();
    void importFPclicked();
    void openManual();
    void introclicked();
    void thermalClicked();
    void demclicked();
    void logplayerClicked();
    void invShowDebugWidTriggered();
    void checkNewVersion();
    void updateDB();
    void openPhototaggerProject(const QString &name);
    void openThermalProject(const QString &name);
    void invSendLogNowTriggered();
    void invSendLogLaterTriggered();
    void openHidACIList();
    void devClosed();
    void tabchanged(int index);
    void startRadiconv();
    void exportVardeck();
    void loadFlightPlan(const QString &name, const QString &mapPath);

protected:
    bool event(QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    struct TabRegistration {
        int id;
        QPointer<QWidget> widget;
    };
    QAction *makeAction(QMenu *menu, const QString &text, const QString &icon,
                        const QKeySequence &key, const QString &tip);
    int addToolTab(ToolWindow *window, const QIcon &icon, const QString &title);
    void showModified(ToolWindow *window);
    void markCurrent(OpenKind kind, const char *errorLine);
    bool saveWindow(ToolWindow *window, bool saveAs);
    ToolWindow *window(int index) const;
    void unregisterTab(QWidget *widget);
    void registerTab(QWidget *widget, OpenKind kind, const QString &name);
    // Flight plans (mainwindow_flightplan.cpp).
    WPMain *addFlightPlanTab(WPData *plan, const QString &title);
    WPData *loadMap(const QString &mapPath);
    WPMain *currentFlightPlan() const;
    void addImportedRows(WPMain *window, const class WPImport &import);
    void projectSaved(ToolWindow *window);

    KorvelPacketHandler *m_link = nullptr;
    QMenuBar *m_menuBar = nullptr;
    QMenu *m_fileMenu = nullptr;
    QMenu *m_windowMenu = nullptr;
    QMenu *m_settingsMenu = nullptr;
    QMenu *m_helpMenu = nullptr;
    QAction *m_connectAct = nullptr;
    QAction *m_newWPAct = nullptr;
    QAction *m_openWPAct = nullptr;
    QAction *m_saveWPAct = nullptr;
    QAction *m_saveWPAsAct = nullptr;
    QAction *m_importWPAct = nullptr;
    QAction *m_importZPXAct = nullptr;
    QAction *m_vardeckAct = nullptr;
    QAction *m_exitAct = nullptr;
    QAction *m_settingsAct = nullptr;
    QAction *m_placemarksAct = nullptr;
    QAction *m_flightbookAct = nullptr;
    QAction *m_phototaggerAct = nullptr;
    QAction *m_thermalAct = nullptr;
    QAction *m_radiconvAct = nullptr;
    QAction *m_databaseAct = nullptr;
    QAction *m_introAct = nullptr;
    QAction *m_manualAct = nullptr;
    QAction *m_updateAct = nullptr;
    QAction *m_feedbackAct = nullptr;
    QAction *m_aboutAct = nullptr;
    QAction *m_aciListAct = nullptr;
    WelMain *m_welcome = nullptr;
    QTabWidget *m_tabs = nullptr;
    BottomLine *m_bottomLine = nullptr;
    QToolButton *m_debugButton = nullptr;
    QShortcut *m_logNow = nullptr;
    QShortcut *m_logLater = nullptr;
    QShortcut *m_debugWid = nullptr;
    QList<TabRegistration> m_registrations;
};
