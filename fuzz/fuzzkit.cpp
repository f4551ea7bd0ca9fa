#include "fuzzkit.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "atomicfile/settingsfile.h"
#include "core/mapdescription.h"
#include "core/prompt/prompt.h"

namespace FuzzKit {

namespace {
QTemporaryDir *s_dir = nullptr;

void quiet(QtMsgType type, const QMessageLogContext &, const QString &msg)
{
    // Fatal messages must still end the run, so libFuzzer reports them.
    if (type == QtFatalMsg) {
        fprintf(stderr, "%s\n", qPrintable(msg));
        abort();
    }
}
}  // namespace

void start(int *argc, char ***argv)
{
    if (s_dir)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    s_dir = new QTemporaryDir(QDir::tempPath() + "/korvel-fuzz-XXXXXX");
    const QString home = s_dir->path();
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + "/.config").toUtf8());
    qputenv("XDG_DATA_HOME", (home + "/.local/share").toUtf8());
    qputenv("XDG_CACHE_HOME", (home + "/.cache").toUtf8());
    qputenv("KORVEL_PROBE_URL", "off");
    qInstallMessageHandler(quiet);
    // Readers that print diagnostics would only slow the run down.
    if (!freopen("/dev/null", "w", stdout))
        perror("stdout");
    // Nobody answers: every prompt takes its default button at once.
    Prompt::setResponder([](const Prompt::Request &rq) {
        Prompt::Answer a;
        a.button = rq.defaultButton;
        return a;
    });
    new QApplication(*argc, *argv);
    QCoreApplication::setApplicationName(QStringLiteral("Korvel Tarvendel Fuzz"));
    QSettings::setDefaultFormat(SettingsFile::format());
}

QString folder() { return s_dir->path(); }

QString map()
{
    static const QString path = [] {
        QImage image(100, 80, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        const QString p = s_dir->filePath("map.jpg");
        MapDescription::writeImage(
            p, image,
            MapDescription("Field", "fuzz",
                           {GeoPoint::lonLat(11.35, 48.10), GeoPoint::lonLat(11.36, 48.10),
                            GeoPoint::lonLat(11.35, 48.09), GeoPoint::lonLat(11.36, 48.09)},
                           GeoPoint::lonLat(11.355, 48.095), 744.0, 1113.0));
        return p;
    }();
    return path;
}

QString writeFile(const QString &name, const QByteArray &data)
{
    const QString path = s_dir->filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(data);
    return path;
}

QString writeFile(const QString &name, const uint8_t *data, size_t size)
{
    return writeFile(name, bytes(data, size));
}

void split(const QByteArray &in, QByteArray *first, QByteArray *second)
{
    const int at = in.indexOf("\n%%\n");
    if (at < 0) {
        *first = in;
        *second = QByteArray();
        return;
    }
    *first = in.left(at + 1);
    *second = in.mid(at + 4);
}

}  // namespace FuzzKit
