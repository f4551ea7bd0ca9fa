#include "app/mainwindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QFile>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QShortcut>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/bottomline.h"
#include "link/connectwid.h"
#include "core/data.h"
#include "core/lazyicon.h"
#include "core/pngicon.h"
#include "database/flightbook/flightbook.h"
#include "app/helpinfo.h"
#include "link/hidacidatalist.h"
#include "app/intromain.h"
#include "app/ptstartwizard.h"
#include "phototagger/creation/ptdiag.h"
#include "phototagger/ptdata.h"
#include "phototagger/window/ptmain.h"
#include "link/korvelpackethandler.h"
#include "maps/acquisition/pmmain.h"
#include "thermal/editor/thmain.h"
#include "thermal/editor/thstartwizard.h"
#include "thermal/project/thdata.h"
#include "core/prompt/prompt.h"
#include "app/settingsprogram.h"
#include "app/shellurls.h"
#include "app/updatemain.h"
#include "app/welmain.h"
#include "core/toolwindow.h"
#include "database/dbmain.h"
#include "database/zpx/zpximportthreaddiag.h"

namespace {
const char kVersion[] = KORVEL_VERSION;
}

MainWindow::MainWindow(QWidget *parent) : QWidget(parent)
{
    qDebug() << "[MAIN] MainWindow Contructor START";
    setWindowTitle(tr("Korvel Tarvendel %1").arg(QLatin1String(kVersion)));
    setWindowIcon(PngIcon::fromFile(QStringLiteral(":/icon.png")));

    m_link = new KorvelPacketHandler(this);
    Data *data = Data::instance();

    m_logNow = new QShortcut(QKeySequence(QStringLiteral("Ctrl+F12")), this);
    m_logLater = new QShortcut(QKeySequence(QStringLiteral("Ctrl+F11")), this);
    m_debugWid = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Alt+P")), this);
    connect(m_logNow, &QShortcut::activated, this, &MainWindow::invSendLogNowTriggered);
    connect(m_logLater, &QShortcut::activated, this, &MainWindow::invSendLogLaterTriggered);
    connect(m_debugWid, &QShortcut::activated, this, &MainWindow::invShowDebugWidTriggered);

    setMinimumSize(1000, 600);

    m_menuBar = new QMenuBar;
    m_fileMenu = new QMenu(tr("&File"), this);
    m_windowMenu = new QMenu(tr("&Window"), this);
    m_settingsMenu = new QMenu(tr("&Settings"), this);
    m_helpMenu = new QMenu(tr("&Help"), this);

    m_connectAct = makeAction(m_fileMenu, tr("Connect..."), "connect",
                              QKeySequence(QStringLiteral("Ctrl+T")),
                              tr("Connect to the Korvel Harlek 8"));
    m_fileMenu->addSeparator();
    m_newWPAct = makeAction(m_fileMenu, tr("New Flightplan..."), "newWP", QKeySequence::New,
                            tr("Create a new flightplan"));
    m_openWPAct = makeAction(m_fileMenu, tr("Open Flightplan..."), "loadWP", QKeySequence::Open,
                             tr("Create an exisiting flightplan from the database"));
    m_saveWPAct = makeAction(m_fileMenu, tr("Save Project"), "saveWP", QKeySequence::Save,
                             tr("Save your flightplan in the database"));
    m_saveWPAsAct = makeAction(
        m_fileMenu, tr("Save Project as..."), "saveWP", QKeySequence(QStringLiteral("Ctrl+Shift+S")),
        tr("Save your flightplan in the database under a different name"));
    m_fileMenu->addSeparator();
    m_importWPAct = makeAction(m_fileMenu, tr("Import Waypoints..."), "wp_import", QKeySequence(),
                               QString());
    m_importZPXAct = makeAction(m_fileMenu, tr("Import ZPX..."), "zpx_import", QKeySequence(),
                                QString());
    m_vardeckAct = m_fileMenu->addAction(QStringLiteral("Export Vardeck project"));
    m_fileMenu->addSeparator();
    m_exitAct = makeAction(m_fileMenu, tr("Exit"), "exit", QKeySequence::Quit,
                           tr("Exit the program"));

    m_settingsAct = makeAction(
        m_settingsMenu, tr("Program Settings"), "programsettings",
        QKeySequence(QStringLiteral("Ctrl+P")),
        tr("Configure your workspace, set your camera or select your map source."));
    m_settingsMenu->addSeparator();
    m_placemarksAct = makeAction(m_settingsMenu, tr("Placemarks"), "placemarks",
                                 QKeySequence(QStringLiteral("Ctrl+M")), QString());

    m_flightbookAct = makeAction(m_windowMenu, tr("Flightbook"), "flightbook",
                                 QKeySequence(QStringLiteral("F3")),
                                 tr("Track your flights of your harlek"));
    m_phototaggerAct = makeAction(m_windowMenu, tr("Photo Tagger"), "phototagger",
                                  QKeySequence(QStringLiteral("F4")),
                                  tr("Merge images with a log file in your database"));
    m_thermalAct = makeAction(m_windowMenu, tr("Thermal Editor"), "thermal",
                              QKeySequence(QStringLiteral("F6")),
                              tr("Edit your thermal images, create report or export them to "
                                 "another file format"));
    m_radiconvAct = makeAction(
        m_windowMenu, tr("Radiconv"), "radiconv", QKeySequence(QStringLiteral("F7")),
        tr("Convert your thermal images to Radiometric JPEGs to be used in FLIR Tools"));
    m_windowMenu->addSeparator();
    m_databaseAct = makeAction(m_windowMenu, tr("Database"), "database",
                               QKeySequence(QStringLiteral("F9")),
                               tr("Manage your data created with the Korvel Tarvendel"));

    m_introAct = makeAction(m_helpMenu, tr("Introduction"), "introduction", QKeySequence(),
                            tr("Introduce the Korvel Tarvendel with some basic features and "));
    m_manualAct = makeAction(m_helpMenu, tr("Online Manual"), "manual", QKeySequence::HelpContents,
                             tr("Open your external web browser for the Korvel Tarvendel manual"));
    m_updateAct = makeAction(m_helpMenu, tr("Check for new Version"), "checkforupdate",
                             QKeySequence(), tr("Check for a new version of the Korvel Tarvendel"));
    m_feedbackAct = makeAction(
        m_helpMenu, tr("Submit Feedback"), "submitfeedback", QKeySequence(),
        tr("Send us feedback for improving our software (open your standard e-mail client)"));
    m_helpMenu->addSeparator();
    m_aboutAct = makeAction(m_helpMenu, tr("About Korvel Tarvendel"), "about", QKeySequence(),
                            tr("About the Korvel Tarvendel..."));

    m_saveWPAct->setEnabled(false);
    m_saveWPAsAct->setEnabled(false);
    m_importWPAct->setEnabled(false);
    m_vardeckAct->setEnabled(false);
    m_settingsAct->setEnabled(true);

    m_menuBar->addMenu(m_fileMenu);
    m_menuBar->addMenu(m_settingsMenu);
    m_menuBar->addMenu(m_windowMenu);
    m_menuBar->addSeparator();
    m_menuBar->addMenu(m_helpMenu);

    connect(m_vardeckAct, &QAction::triggered, this, &MainWindow::exportVardeck);

    m_welcome = new WelMain(this);
    m_tabs = new QTabWidget(this);
    addToolTab(m_welcome, PngIcon::fromFile(QStringLiteral(":/welcome.png")), tr("Welcome"));
    m_tabs->setTabsClosable(true);
    m_tabs->setMovable(true);
    m_tabs->tabBar()->setTabButton(0, QTabBar::RightSide, nullptr);
    m_tabs->tabBar()->setTabButton(0, QTabBar::LeftSide, nullptr);

    QFile qss(QStringLiteral(":/tabstyle.qss"));
    if (qss.open(QIODevice::ReadOnly)) {
        QByteArray sheet = qss.readAll();
        const int nul = sheet.indexOf('\0');
        if (nul >= 0)
            sheet.truncate(nul);
        m_tabs->setStyleSheet(QString::fromUtf8(sheet));
    }

    m_bottomLine = new BottomLine(m_link, this);

    m_aciListAct = new QAction(tr("ACI List..."), this);
    m_debugButton = new QToolButton;
    m_debugButton->setText(tr("Debug Menu"));
    m_tabs->setCornerWidget(m_debugButton, Qt::TopRightCorner);
    auto *debugMenu = new QMenu;
    debugMenu->addAction(m_aciListAct);
    m_debugButton->setMenu(debugMenu);
    m_debugButton->setPopupMode(QToolButton::InstantPopup);
    connect(m_debugButton, &QObject::destroyed, debugMenu, &QObject::deleteLater);
    connect(m_aciListAct, &QAction::triggered, this, &MainWindow::openHidACIList);
    m_debugButton->hide();

    auto *tabRow = new QHBoxLayout;
    tabRow->addWidget(m_tabs);
    tabRow->setContentsMargins(0, 0, 0, 0);
    auto *column = new QVBoxLayout(this);
    column->setMenuBar(m_menuBar);
    column->addLayout(tabRow);
    column->addWidget(m_bottomLine);
    column->setSpacing(0);
    column->setContentsMargins(0, 0, 0, 0);

    connect(m_aboutAct, &QAction::triggered, this, &MainWindow::aboutclicked);
    connect(m_exitAct, &QAction::triggered, this, &QWidget::close);
    connect(m_connectAct, &QAction::triggered, this, &MainWindow::connectclicked);
    connect(m_saveWPAct, &QAction::triggered, this, qOverload<>(&MainWindow::saveWpclicked));
    connect(m_saveWPAsAct, &QAction::triggered, this, &MainWindow::saveWpclickedAs);
    connect(m_openWPAct, &QAction::triggered, this, &MainWindow::openWPclicked);
    connect(m_importWPAct, &QAction::triggered, this, &MainWindow::importWPclicked);
    connect(m_importZPXAct, &QAction::triggered, this, &MainWindow::importZPXclicked);
    connect(this, &MainWindow::importZPXcompleted, this, &MainWindow::updateDB);
    connect(m_settingsAct, &QAction::triggered, this, &MainWindow::programsettingsclicked);
    connect(m_placemarksAct, &QAction::triggered, this, &MainWindow::placemarksclicked);
    connect(m_flightbookAct, &QAction::triggered, this, &MainWindow::flightbookclicked);
    connect(m_phototaggerAct, &QAction::triggered, this,
            qOverload<>(&MainWindow::phototaggerclicked));
    connect(m_thermalAct, &QAction::triggered, this, &MainWindow::thermalClicked);
    connect(m_databaseAct, &QAction::triggered, this, &MainWindow::databaseclicked);
    connect(m_radiconvAct, &QAction::triggered, this, &MainWindow::startRadiconv);
    connect(m_feedbackAct, &QAction::triggered, this, &MainWindow::sendfeedbackclicked);
    connect(m_manualAct, &QAction::triggered, this, &MainWindow::openManual);
    connect(m_introAct, &QAction::triggered, this, &MainWindow::introclicked);
    connect(m_tabs, &QTabWidget::tabCloseRequested, this, &MainWindow::tabclosed);
    connect(m_newWPAct, &QAction::triggered, this, &MainWindow::newwpclicked);
    connect(m_link, &KorvelPacketHandler::recordGPS, data, &Data::recordGPSData);
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::tabchanged);
    connect(m_welcome, &WelMain::openPhotoTaggerProject, this,
            &MainWindow::openPhototaggerProject);
    connect(m_welcome, &WelMain::openMap, this, &MainWindow::openMap);
    connect(m_welcome, &WelMain::openFlightplan, this, &MainWindow::openFlightPlan);
    connect(m_welcome, &WelMain::openThermalProject, this, &MainWindow::openThermalProject);
    connect(m_updateAct, &QAction::triggered, this, &MainWindow::checkNewVersion);
    connect(m_link, &KorvelPacketHandler::deviceClosed, this, &MainWindow::devClosed);

    qDebug() << "[MAIN] MainWindow Contructor END";
}

MainWindow::~MainWindow() = default;

QAction *MainWindow::makeAction(QMenu *menu, const QString &text, const QString &icon,
                                const QKeySequence &key, const QString &tip)
{
    auto *a = new QAction(LazyIcon::fromFile(QStringLiteral(":/icons/16/") + icon), text, this);
    if (!key.isEmpty())
        a->setShortcut(key);
    if (!tip.isEmpty())
        a->setStatusTip(tip);
    menu->addAction(a);
    return a;
}

QAction *MainWindow::action(const QString &text) const
{
    for (QAction *a : findChildren<QAction *>())
        if (a->text() == text)
            return a;
    return nullptr;
}

ToolWindow *MainWindow::window(int index) const
{
    return qobject_cast<ToolWindow *>(m_tabs->widget(index));
}

ToolWindow *MainWindow::findWindow(OpenKind kind, const QString &name) const
{
    for (int i = 0; i < m_tabs->count(); ++i) {
        ToolWindow *w = window(i);
        if (w && w->kind() == kind && (name.isEmpty() || w->projectName() == name))
            return w;
    }
    return nullptr;
}

bool MainWindow::event(QEvent *e)
{
    if (e->type() == QEvent::StatusTip) {
        m_bottomLine->showStatusTip(static_cast<QStatusTipEvent *>(e)->tip());
        return true;
    }
    return QWidget::event(e);
}

void MainWindow::resizeEvent(QResizeEvent *e) { QWidget::resizeEvent(e); }

// ---- registrations ----
int MainWindow::addToolTab(ToolWindow *window, const QIcon &icon, const QString &title)
{
    const int index = m_tabs->addTab(window, icon, title);
    connect(window, &ToolWindow::modifiedChanged, this, [this, window] { showModified(window); });
    showModified(window);
    return index;
}

int MainWindow::addProjectTab(ToolWindow *window, const QIcon &icon, const QString &title)
{
    const int index = addToolTab(window, icon, title);
    m_tabs->setCurrentIndex(index);
    registerTab(window);
    Data::instance()->addRecent(window->kind(), window->projectName());
    return index;
}

void MainWindow::registerTab(ToolWindow *window)
{
    registerTab(window, window->kind(), window->projectName());
}

void MainWindow::registerTab(QWidget *widget, OpenKind kind, const QString &name)
{
    // Keyed to the tab's widget, so moving or closing other tabs never
    // unregisters the wrong project.
    m_registrations.append({Data::instance()->registerOpen(kind, name), widget});
}

void MainWindow::unregisterTab(QWidget *widget)
{
    for (int i = m_registrations.size() - 1; i >= 0; --i) {
        if (m_registrations.at(i).widget != widget)
            continue;
        qDebug() << "[MAIN] MainWindow::tabclosed" << m_registrations.at(i).id
                 << m_tabs->indexOf(widget) << i;
        Data::instance()->unregisterOpen(m_registrations.at(i).id);
        m_registrations.removeAt(i);
    }
}

// ---- commands whose windows come later ----
void MainWindow::recSingleAppMessage(const QString &message)
{
    qDebug() << "[MAIN] MainWindow::recSingleAppMessage" << message;
    if (message == QLatin1String("Tarvendel") || !message.endsWith(QLatin1String(".zpx")))
        return;
    // The second start named the archive: no chooser needed.
    ZPXImport::run(message, this);
    emit importZPXcompleted();
}


bool MainWindow::saveWindow(ToolWindow *window, bool saveAs)
{
    QString error;
    if (saveAs ? window->saveAs(&error) : window->save(&error)) {
        projectSaved(window);
        return true;
    }
    if (!error.isEmpty())  // an empty text: the user cancelled
        Prompt::warning(this, tr("Save Project"), error);
    return false;
}
void MainWindow::saveWpclicked() { saveWpclicked(false); }
void MainWindow::saveWpclickedAs() { saveWpclicked(true); }
void MainWindow::importZPXclicked()
{
    if (ZPXImport::chooseAndRun(this))
        emit importZPXcompleted();
}
void MainWindow::importFPclicked() {}

void MainWindow::aboutclicked()
{
    qDebug() << "[MAIN] MainWindow::about";
    HelpInfo about(this);
    about.exec();
}

void MainWindow::programsettingsclicked()
{
    qDebug() << "[MAIN] MainWindow::programmsettings";
    SettingsProgram settings(this);
    settings.exec();
}

void MainWindow::placemarksclicked()
{
    {
        PMMain editor(this);
        editor.exec();
    }
    // The editor changed the shared model in place, however it was closed.
    QString error;
    if (!Data::instance()->savePlacemarks(&error)) {
        Prompt::error(this, tr("Placemarks not saved"),
                      tr("The placemarks could not be saved. Your changes stay until the "
                         "program is closed; they are saved again then.")
                          + QStringLiteral("\n\n") + error);
    }
}
void MainWindow::checkNewVersion()
{
    UpdateMain update;
    update.exec();
}

void MainWindow::introclicked()
{
    IntroMain intro;
    intro.exec();
}

void MainWindow::connectclicked()
{
    if (m_link->isConnected()) {
        m_link->closeDevice();
        m_connectAct->setText(tr("Connect..."));
        return;
    }
    ConnectWid connect(m_link, this);
    connect.exec();
    if (m_link->isConnected())
        m_connectAct->setText(tr("Disconnect..."));
}

void MainWindow::devClosed() { m_connectAct->setText(QStringLiteral("Connect...")); }

void MainWindow::flightbookclicked()
{
    qDebug() << "[MAIN] MainWindow::flightbook";
    if (ToolWindow *existing = findWindow(OpenKind::Flightbook)) {
        m_tabs->setCurrentWidget(existing);
        return;
    }
    m_tabs->setCurrentIndex(
        addToolTab(new Flightbook(this), QIcon(QStringLiteral(":/flightbook.png")), tr("Flightbook")));
}

void MainWindow::databaseclicked()
{
    qDebug() << "[MAIN] MainWindow::database";
    if (ToolWindow *existing = findWindow(OpenKind::Database)) {
        m_tabs->setCurrentWidget(existing);
        return;
    }
    auto *db = new DBMain(this);
    connect(db, &DBMain::openPhotoTaggerProject, this, &MainWindow::openPhototaggerProject);
    connect(db, &DBMain::openMap, this, &MainWindow::openMap);
    connect(db, &DBMain::openFlightplan, this, &MainWindow::openFlightPlan);
    connect(db, &DBMain::createPTProject, this,
            qOverload<const QString &>(&MainWindow::phototaggerclicked));
    connect(db, &DBMain::openThermalProject, this, &MainWindow::openThermalProject);
    // Becoming the current tab refreshes it.
    m_tabs->setCurrentIndex(addToolTab(db, QIcon(QStringLiteral(":/database.png")), tr("Database")));
}

void MainWindow::openHidACIList()
{
    if (ToolWindow *existing = findWindow(OpenKind::AciList)) {
        m_tabs->setCurrentWidget(existing);
        return;
    }
    auto *list = new HidACIDataList(m_link, this);
    m_tabs->setCurrentIndex(addToolTab(list, QIcon(QStringLiteral(":/aci.png")),
                                       tr("Korvel Zephrin Published List")));
}

void MainWindow::phototaggerclicked() { phototaggerclicked(QString()); }
void MainWindow::phototaggerclicked(const QString &setProject)
{
    qDebug() << "[MAIN] MainWindow::phototagger";
    PTStartWizard wizard;
    if (!setProject.isEmpty())
        wizard.setProject(setProject);
    wizard.exec();
    const int result = wizard.getResult();
    const QString name = wizard.getProjectName();
    const QString path = wizard.getPath();
    qDebug().noquote() << QStringLiteral("[MAIN] MainWindow::phototagger Result: %1 %2 %3").arg(result).arg(name, path);
    if (result == PTStartWizard::OpenProject) {
        openPhototaggerProject(name);
    } else if (result == PTStartWizard::NewProject) {
        PTDiag diag;
        if (path.isEmpty())
            diag.setOnlyZTEFile(name, wizard.getImageType());
        else
            diag.setNewProjectData(name, path, wizard.getImageType());
        if (diag.exec() == QDialog::Accepted)
            openPhototaggerProject(name);
    }
}
void MainWindow::openPhototaggerProject(const QString &name)
{
    qDebug() << "[MAIN] MainWindow::openPhototaggerProject " << name;
    if (ToolWindow *existing = findWindow(OpenKind::PhotoTagger, name)) {
        qDebug() << "[MAIN] MainWindow::phototagger still exist";
        m_tabs->setCurrentWidget(existing);
        return;
    }
    auto *project = new PTData(this);
    if (project->loadProject(name) <= 0 || project->loadStatus() != PTData::Loaded) {
        // A missing, foreign or damaged project opens no tab.
        Prompt::error(nullptr, tr("Can't open photo tagger project"),
                      tr("The photo tagger project \"%1\" could not be opened: %2")
                          .arg(name, project->errorString()));
        delete project;
        return;
    }
    addProjectTab(new PTMain(project, this), QIcon(QStringLiteral(":/phototagger.png")), name);
}

void MainWindow::thermalClicked()
{
    qDebug() << "[MainWindow] thermalClicked";
    THData project;
    THStartWizard wizard(&project, this);
    wizard.exec();
    const QString name = wizard.getProjectName();
    if (!name.isEmpty())
        openThermalProject(name);
}
void MainWindow::openThermalProject(const QString &name)
{
    qDebug() << "[MainWindow] openThermalProject" << name;
    if (ToolWindow *open = findWindow(OpenKind::Thermal, name)) {
        m_tabs->setCurrentWidget(open);
        return;
    }
    auto *project = new THData;
    if (project->openProject(name) != 100) {
        delete project;
        Prompt::error(this, tr("Can't open thermal project"),
                      tr("The thermal project %1 could not be read.").arg(name.toHtmlEscaped()));
        return;
    }
    auto *editor = new THMain(project);
    project->setParent(editor);  // the model goes with its tab
    connect(editor, &THMain::saveProjectSignal, this, [this, editor] { saveWindow(editor, false); });
    addProjectTab(editor, QIcon(QStringLiteral(":/icons/16/thermal")), name);
}

void MainWindow::demclicked() {}
void MainWindow::logplayerClicked() {}
void MainWindow::invShowDebugWidTriggered() {}

void MainWindow::updateDB()
{
    if (auto *db = qobject_cast<DBMain *>(findWindow(OpenKind::Database))) {
        qDebug() << "[MAIN] MainWindow::updateDB Database opened, updating.";
        db->updateDBComplete();
    }
}

// ---- help ----
void MainWindow::openManual()
{
    qDebug() << "[MAIN] MainWindow::openManual";
    QDesktopServices::openUrl(ShellUrls::manual());
}

void MainWindow::sendfeedbackclicked()
{
    qDebug() << "[MAIN] MainWindow::sendfeedback";
    QDesktopServices::openUrl(ShellUrls::feedbackMail());
}

void MainWindow::invSendLogNowTriggered()
{
    Data::instance()->settings()->setValue(QStringLiteral("UseDebugLog"), 1);
    qDebug() << "=================== DEBUG LOG ACTIVATED ======================";
    Prompt::message(nullptr, QStringLiteral(":/icons/80/info"), tr("Program log info"),
                    tr("After closing the Korvel Tarvendel, your e-mail client will be started "
                       "with a new e-mail and the program log will be attached"),
                    QMessageBox::Ok, QMessageBox::Ok);
}

void MainWindow::invSendLogLaterTriggered()
{
    Data::instance()->settings()->setValue(QStringLiteral("UseDebugLog"), 2);
    qDebug() << "=================== DEBUG LOG ACTIVATED ======================";
    Prompt::message(nullptr, QStringLiteral(":/icons/80/info"), tr("Program log info"),
                    tr("After closing the Korvel Tarvendel, an error log will be saved on your "
                       "dektop."),
                    QMessageBox::Ok, QMessageBox::Ok);
}

void MainWindow::startRadiconv()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString program = dir + QStringLiteral("/Radiconv");
    if (QProcess::startDetached(program, QStringList(), dir))
        qDebug() << "Started Radiconv from" << program;
    else
        qCritical() << "Radiconv could not be started from" << program;
}

// ---- tabs and closing ----
void MainWindow::showModified(ToolWindow *window)
{
    const int i = m_tabs->indexOf(window);
    if (i < 0)
        return;
    QString title = m_tabs->tabText(i);
    if (title.endsWith(QLatin1Char('*')))
        title.chop(1);
    m_tabs->setTabText(i, window->isModified() ? title + QLatin1Char('*') : title);
}

// Changes reported from outside a window (e.g. an import dialog) mark the
// current window, when it is of the kind the change is about.
void MainWindow::markCurrent(OpenKind kind, const char *errorLine)
{
    ToolWindow *w = window(m_tabs->currentIndex());
    if (!w || w->kind() != kind) {
        qDebug() << errorLine;
        return;
    }
    w->setModified();
}

void MainWindow::wpdatachanged()
{
    markCurrent(OpenKind::FlightPlan,
                "[MAIN] MainWindow::wpdatachanged ERROR Typecast WPMAIN Save");
}

void MainWindow::thdatachanged()
{
    markCurrent(OpenKind::Thermal, "[MAIN] MainWindow::thdatachanged ERROR Typecast WPMAIN Save");
}

void MainWindow::tabchanged(int index)
{
    qDebug() << "[MAIN] MainWindow::tabchanged";
    ToolWindow *w = window(index);
    const ToolWindow::Commands commands = w ? w->commands() : ToolWindow::Commands();
    m_saveWPAct->setEnabled(commands & ToolWindow::SaveCommand);
    m_saveWPAsAct->setEnabled(commands & ToolWindow::SaveAsCommand);
    m_importWPAct->setEnabled(commands & ToolWindow::ImportWaypointsCommand);
    m_vardeckAct->setEnabled(commands & ToolWindow::ExportVardeckCommand);
    if (w)
        w->activated();
}

void MainWindow::tabclosed(int index)
{
    qDebug() << "[MAIN] MainWindow::tabclosed";
    QWidget *widget = m_tabs->widget(index);
    if (!widget || widget == m_welcome)
        return;
    ToolWindow *w = window(index);
    if (w && w->asksToSave()) {
        Prompt::Request rq;
        rq.parent = this;
        rq.iconPath = QStringLiteral(":/icons/80/question");
        rq.title = tr("Save changes?");
        rq.text = tr("Do you want to save your changes?");
        rq.buttons = QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
        const int answer = Prompt::ask(rq);
        if (answer == QMessageBox::Save) {
            // Save the tab being closed, not whichever tab happens to be current.
            if (!saveWindow(w, false) || w->isModified())
                return;
            index = m_tabs->indexOf(w);
            if (index < 0)
                return;
        } else if (answer != QMessageBox::Discard) {
            return;
        }
    }
    m_tabs->removeTab(index);
    unregisterTab(widget);
    delete widget;
}

void MainWindow::closeEvent(QCloseEvent *e)
{
    // True when the user chooses to exit and lose what was not saved.
    const auto exitAnyway = [](QWidget *parent, const QString &title, const QString &text) {
        Prompt::Request rq;
        rq.parent = parent;
        rq.icon = QMessageBox::Warning;
        rq.title = title;
        rq.text = text;
        rq.buttons = QMessageBox::NoButton;
        rq.extraButtons = QStringList{tr("&Exit without saving"), tr("&Cancel")};
        rq.extraRoles = {QMessageBox::DestructiveRole, QMessageBox::RejectRole};
        rq.defaultExtra = 1;
        return Prompt::ask(rq) == Prompt::extra(0);
    };
    bool unsaved = false;
    for (int i = 0; i < m_tabs->count() && !unsaved; ++i)
        unsaved = window(i) && window(i)->isModified();
    if (unsaved
        && !exitAnyway(nullptr, QString(),
                       tr("Are you sure you want to quit?\n\nSome open projects aren't saved and their "
                          "changes will be lost!"))) {
        e->ignore();
        return;
    }
    Data *data = Data::instance();
    QString placemarkError;
    if (data->placemarksUnsaved() && !data->savePlacemarks(&placemarkError)
        && !exitAnyway(this, tr("Placemarks not saved"),
                       tr("The placemarks could not be saved and their changes will be lost!")
                           + QStringLiteral("\n\n") + placemarkError)) {
        e->ignore();
        return;
    }
    data->settings()->setValue(QStringLiteral("geometry"), saveGeometry());
    e->accept();
    qDebug() << "[MAIN] Program exits";
    qDebug() << "************************************";
    data->saveLastPosition();
}
