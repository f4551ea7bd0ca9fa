// Start-up and shut-down of Korvel Tarvendel. This is the only place that
// decides the process exit code.
#include <QApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QIcon>
#include <QSplashScreen>
#include <QStandardPaths>
#include <QWidget>
#include <memory>

#include "data.h"
#include "debuglog.h"
#include "intromain.h"
#include "mainwindow.h"
#include "proxy.h"
#include "systemdetection.h"

namespace {

const char *const kVersion = KORVEL_VERSION;

// ---- Windows of the shell. Each runs modally (no parent) and returns when
// it has been closed; until a window exists its step does nothing, so the
// gates below stay shut for an unmigrated or unconfigured store.

void runMigrationWizard() {}

void runFirstRunWizard() {}

std::unique_ptr<QWidget> createMainWindow() { return std::make_unique<MainWindow>(); }

void runIntroduction()
{
    IntroMain intro;
    intro.exec();
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QCoreApplication::setOrganizationName(QStringLiteral("Brisolan Technologies"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("brisolan.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvel Tarvendel"));

    QApplication app(argc, argv);

    QSplashScreen splash(QIcon(QStringLiteral(":/splash.jpg")).pixmap(800));
    splash.show();

    const QString logPath = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                            + "/crashlogs/"
                            + QDateTime::currentDateTime().toString("yyyy-MM-dd_hh-mm-ss")
                            + ".log";
    DebugLog log(logPath);

    qDebug() << QStringLiteral("Starting program version %1").arg(kVersion);
    for (int i = 0; i < argc; ++i)
        qDebug() << "arg" << i << argv[i];
    systemDetection();

    const bool freshInstall =
        !QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
              + QDir::separator() + "KorvelTarvendel/")
             .exists();
    qDebug() << "fresh install? " << freshInstall;

    Data *data = Data::instance();
    qDebug() << "getMigrationStatus";

    if (!freshInstall && data->migrationStatus() != 3) {
        runMigrationWizard();
        if (data->migrationStatus() != 3) {
            qDebug() << "migration failed!";
            data->syncSettings();
            return 1;
        }
    }

    if (!data->isConfigured()) {
        qDebug() << "Starting Config";
        runFirstRunWizard();
        if (!data->isConfigured()) {
            qDebug() << "configuration failed";
            data->syncSettings();
            return 1;
        }
    }

    data->setMigrationStatus(3);
    data->setVersion(QString::fromLatin1(kVersion));
    applyProxySettings();

    // Destroyed before the log, which is destroyed before the splash and app.
    std::unique_ptr<QWidget> mainWindow = createMainWindow();
    if (!mainWindow) {
        qWarning() << "[MAIN] no main window in this build";
        data->syncSettings();
        return 0;
    }
    if (mainWindow->restoreGeometry(
            data->settings()->value("geometry", QByteArray()).toByteArray()))
        mainWindow->show();
    else
        mainWindow->showMaximized();

    if (data->showIntroAtStartUp() != 0)
        runIntroduction();
    splash.close();

    const int code = app.exec();
    data->syncSettings();
    return code;
}
