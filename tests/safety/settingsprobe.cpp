// Saves one setting the way the program does, for the settings table made
// by hand on a small file system (see settings_table.sh): Data's own store
// (this tree) or a store of Qt's native format, as the program kept it
// before; prints what the user is told.
//     settingsprobe init [groups]    a configured store (30 groups: about 20 KB)
//     settingsprobe save  ours|qt    one calibration change, then the save at exit
//     settingsprobe start ours|qt    what the next start makes of the file
#include <QApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QSettings>
#include <QTimer>

#include <cstdio>

#include "atomicfile/settingsfile.h"
#include "core/data.h"
#include "core/prompt/prompt.h"
#include "support/testkit.h"

namespace {
void printPrompts()
{
    Prompt::setResponder([](const Prompt::Request &rq) {
        std::printf("told: %s\n", qPrintable(QString(rq.text).replace('\n', ' ')));
        Prompt::Answer a;
        a.button = rq.defaultButton;
        return a;
    });
}
}  // namespace

int main(int argc, char **argv)
{
    KorvelTest::TestHome::keepAddressesLocal();
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false\n*.info=false"));
    QApplication app(argc, argv);
    KorvelTest::setApplicationIdentity();
    const QString mode = argc > 1 ? QString::fromLatin1(argv[1]) : QString();
    const bool ours = argc > 2 && QByteArray(argv[2]) == "ours";
    printPrompts();
    if (mode == "init") {
        Data *d = Data::instance();
        for (const QString &folder : {d->waypointPath(), d->mapPath(), d->harlekSDPath()})
            QDir().mkpath(folder);
        d->initWorkspace();
        d->setMigrationStatus(3);
        QSettings *s = d->settings();
        const int groups = argc > 2 ? QByteArray(argv[2]).toInt() : 30;
        for (int g = 0; g < groups; ++g)
            for (int k = 0; k < 12; ++k)
                s->setValue(QStringLiteral("Tool%1/Setting %2").arg(g).arg(k),
                            QStringLiteral("/home/pilot/Documents/project %1/part %2").arg(g).arg(k));
        return d->syncSettings() ? 0 : 1;
    }
    if (mode == "save" && ours) {
        Data *d = Data::instance();
        d->settings()->setValue("LEL10PercentValue", 1234);  // as the calibration dialog
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
        app.exec();  // the store's own save after a change
        d->syncSettings();  // main() at exit
        return 0;
    }
    if (mode == "save") {
        QSettings s(QStringLiteral("Brisolan Technologies"), QStringLiteral("Korvel Tarvendel"));
        s.setValue("LEL10PercentValue", 1234);
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
        app.exec();
        s.sync();
        std::printf("(status %d, not looked at)\n", int(s.status()));
        return 0;
    }
    if (mode == "start" && ours) {
        Data *d = Data::instance();
        std::printf("configured %d, migration status %d, LEL10PercentValue %s\n", d->isConfigured(),
                    d->migrationStatus(), qPrintable(d->settings()->value("LEL10PercentValue").toString()));
        return 0;
    }
    if (mode == "start") {
        QSettings s(QStringLiteral("Brisolan Technologies"), QStringLiteral("Korvel Tarvendel"));
        std::printf("configured %d, migration status %d, LEL10PercentValue %s\n", s.value("Config", 0).toInt() != 0,
                    s.value("MigrationStatus", 0).toInt(), qPrintable(s.value("LEL10PercentValue").toString()));
        return 0;
    }
    std::fprintf(stderr, "usage: settingsprobe init | save ours|qt | start ours|qt\n");
    return 2;
}
