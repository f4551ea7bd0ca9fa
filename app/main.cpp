// Start-up and shut-down of Korvel Tarvendel. This is the only place that
// decides the process exit code.
#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QIcon>
#include <QSettings>
#include <QSplashScreen>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>

#include "atomicfile/settingsfile.h"
#include "core/data.h"
#include "core/debuglog.h"
#include "app/intromain.h"
#include "app/mainwindow.h"
#include "app/migratediag.h"
#include "core/prompt/prompt.h"
#include "core/proxy.h"
#include "app/startwizard.h"
#include "core/systemdetection.h"

namespace {

const char *const kVersion = KORVEL_VERSION;

// ---- Test-only hook. KORVEL_TEST_AUTOANSWER holds a comma-separated list
// of "finish" or "cancel", one word per wizard in the order they open; each
// word drives that wizard's own buttons once its event loop runs. Without
// the variable (or when its words are used up) the wizards wait for the user.

QString nextAutoAnswer()
{
    static QStringList answers = qEnvironmentVariable("KORVEL_TEST_AUTOANSWER")
                                     .split(',', Qt::SkipEmptyParts);
    return answers.isEmpty() ? QString() : answers.takeFirst().trimmed();
}

void autoAnswerMigration(MigrateDiag *wizard, const QString &answer)
{
    if (answer == QLatin1String("cancel")) {
        // Say Yes to the cancel question, then close like the Cancel button.
        Prompt::setResponder([](const Prompt::Request &) {
            Prompt::Answer a;
            a.button = QMessageBox::Yes;
            return a;
        });
        QTimer::singleShot(0, wizard, [wizard] {
            wizard->close();
            Prompt::setResponder(nullptr);
        });
    } else if (answer == QLatin1String("finish")) {
        // Next on every page: both jobs run, then "Finish" accepts.
        QTimer::singleShot(0, wizard, [wizard] {
            for (int i = 0; i < 8 && wizard->isVisible(); ++i)
                wizard->nextClicked();
        });
    }
}

void autoAnswerFirstRun(StartWizard *wizard, const QString &answer)
{
    if (answer == QLatin1String("cancel")) {
        QTimer::singleShot(0, wizard, [wizard] { wizard->button(QWizard::CancelButton)->click(); });
    } else if (answer == QLatin1String("finish")) {
        QTimer::singleShot(0, wizard, [wizard] {
            for (int i = 0; i < 8 && wizard->isVisible() && !wizard->button(QWizard::FinishButton)
                                                                 ->isVisible();
                 ++i)
                wizard->button(QWizard::NextButton)->click();
            wizard->button(QWizard::FinishButton)->click();
        });
    }
}

// ---- Windows of the shell. Each runs modally (no parent) and returns when
// it has been closed.

void runMigrationWizard()
{
    MigrateDiag wizard;
    autoAnswerMigration(&wizard, nextAutoAnswer());
    wizard.exec();
}

void runFirstRunWizard()
{
    StartWizard wizard;
    autoAnswerFirstRun(&wizard, nextAutoAnswer());
    wizard.exec();
}

std::unique_ptr<QWidget> createMainWindow() { return std::make_unique<MainWindow>(); }

// ---- Benchmark hook: with KORVEL_BENCH_SHOWN set, "shown" goes to the
// standard output once the main window has painted itself, and the program
// ends (bench/bench_startup times it against a bare window).
class ShownReporter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_done = false;
};

void reportShownForBenchmark(QWidget *window)
{
    if (qEnvironmentVariableIsSet("KORVEL_BENCH_SHOWN"))
        window->installEventFilter(new ShownReporter(window));
}

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
    // The web maps of the tool windows share GL contexts with the program.
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication::setOrganizationName(QStringLiteral("Brisolan Technologies"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("brisolan.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvel Tarvendel"));

    QApplication app(argc, argv);
    // Every store of the program checks its saves (see SettingsFile).
    QSettings::setDefaultFormat(SettingsFile::format());

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

    // What writes cut off by a kill left in the workspace goes, beside the
    // start; waited for before the program ends.
    struct Joined {
        std::unique_ptr<QThread> thread;
        ~Joined() { thread->wait(); }
    } sweep{std::unique_ptr<QThread>(QThread::create(
        [folders = data->workspaceFolders()] { Data::removeAbandonedWrites(folders); }))};
    sweep.thread->start();

    // Destroyed before the log, which is destroyed before the splash and app.
    std::unique_ptr<QWidget> mainWindow = createMainWindow();
    if (!mainWindow) {
        qWarning() << "[MAIN] no main window in this build";
        data->syncSettings();
        return 0;
    }
    reportShownForBenchmark(mainWindow.get());
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
