// The settings store: one change saved the way the program saves it (the
// gas-sensor calibration, then an explicit save that tells its failure),
// into a store of the program's keys and many more, so the save has parts
// to be killed between.
#include <QDir>
#include <QRect>
#include <QSettings>

#include "atomicfile/settingsfile.h"
#include "core/data.h"
#include "safety/writers.h"
#include "support/testkit.h"

namespace {

using namespace Safety;

QString settingsFile(const QString &work) { return work + "/config/Korvel Tarvendel.conf"; }

// The store before the change: what the program keeps, and groups of keys
// as remembered folders and tool settings add them (about 24 KB).
QByteArray oldStore()
{
    QSettings::SettingsMap map;
    const QString docs = "/home/pilot/Documents/KorvelTarvendel/";
    map.insert("Config", 1);
    map.insert("MigrationStatus", 3);
    map.insert("Version", "v3.4.5");
    map.insert("WaypointPath", docs + "waypoints/");
    map.insert("MapPath", docs + "maps/");
    map.insert("HarlekSDPath", docs + "harlek/");
    map.insert("NavtracPath", "/home/pilot/.local/share/Brisolan Technologies/Korvel Tarvendel/navtrac/");
    map.insert("currentCamera", QString::fromUtf8("Sony \xce\xb1" "6000"));
    map.insert("Last Latitude", 48.137171);
    map.insert("Last Longitude", 11.575002);
    map.insert("Proxy", "HttpProxy");
    map.insert("ProxyServer", "proxy.local");
    map.insert("ProxyPort", 3128);
    map.insert("LEL10PercentValue", 900);
    map.insert("LEL50PercentValue", 2100);
    map.insert("LELwarnLow", 10);
    map.insert("LELwarnHigh", 20);
    map.insert("geometry", QByteArray("\x01\xd9\xd0\xcb\x00\x03\x00\x00", 8));
    for (int i = 1; i <= 10; ++i) {
        map.insert(QStringLiteral("RecentName%1").arg(i), QStringLiteral("Field %1, north; \"B\"").arg(i));
        map.insert(QStringLiteral("RecentType%1").arg(i), i % 3);
    }
    for (int g = 0; g < 30; ++g) {
        for (int k = 0; k < 12; ++k)
            map.insert(QStringLiteral("Tool%1/Setting %2").arg(g).arg(k),
                       QStringLiteral("/home/pilot/Documents/project %1/part %2").arg(g).arg(k));
        map.insert(QStringLiteral("Tool%1/window").arg(g), QRect(g, 2 * g, 640, 480));
    }
    return SettingsFile::encode(map);
}

[[maybe_unused]] const int settings = add({
    "settings",
    [](const QString &work) { writeFile(settingsFile(work), oldStore()); },
    [](const QString &work) { return work + "/config"; },
    [](const QString &work, const Step &step) {
        Data::instance();  // the program's way of telling a failed save
        KorvelTest::PromptScript prompts;
        const QString file = settingsFile(work);
        SettingsFile::prepare(file);  // as a start does before the store opens
        Outcome o;
        {
            QSettings s(file, SettingsFile::format());
            SettingsFile::watch(&s);
            SettingsFile::setStepHook(step);
            s.setValue("LEL10PercentValue", 1234);
            s.setValue("LEL50PercentValue", 3456);
            s.setValue("LELwarnLow", 15);
            s.setValue("LELwarnHigh", 35);
            o.success = SettingsFile::save(s, SettingsFile::Delivery::Now);
            SettingsFile::setStepHook(nullptr);
        }
        o.message = prompts.texts().join('\n');
        return o;
    },
    {},
    {},
    {},
    {"Korvel Tarvendel.conf"},
    // The next start clears what a killed save left.
    [](const QString &work) { SettingsFile::prepare(settingsFile(work)); },
    {},
});

}  // namespace
