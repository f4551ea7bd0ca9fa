#include "core/mappages.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include <cerrno>
#include <sys/stat.h>

#include "atomicfile/atomicfile.h"

namespace MapPages {

// The web map libraries load from their public servers; each location can be
// pointed elsewhere (a local mirror) when the page is written.
static QByteArray withLibraryLocations(QByteArray page)
{
    static const struct {
        const char *variable;
        const char *location;
    } libraries[] = {
        {"KORVEL_OPENLAYERS_BASE", "https://cdnjs.cloudflare.com/ajax/libs/openlayers/2.13.1/"},
        {"KORVEL_MAPBOX_GL_BASE", "https://api.tiles.mapbox.com/mapbox-gl-js/v0.38.0/"},
        {"KORVEL_MAPBOX_GEOCODER_BASE",
         "https://api.mapbox.com/mapbox-gl-js/plugins/mapbox-gl-geocoder/v2.1.0/"},
    };
    for (const auto &lib : libraries) {
        QByteArray base = qgetenv(lib.variable).trimmed();
        if (base.isEmpty())
            continue;
        if (!base.endsWith('/'))
            base += '/';
        page.replace(lib.location, base);
    }
    return page;
}

// Writes bytes to target; on failure *error holds "<file>: <reason>".
static bool writePageFile(const QString &target, const QByteArray &bytes, QString *error)
{
    QString reason;
    if (AtomicFile::write(target, bytes, &reason))
        return true;
    if (error)
        *error = AtomicFile::describe(target, reason);
    return false;
}

static bool copyResource(const QString &resource, const QString &target, QString *error)
{
    QFile in(resource);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = AtomicFile::describe(resource, in.errorString());
        return false;
    }
    return writePageFile(target, in.readAll(), error);
}

bool writeOsmPage(const QString &folder, QString *error)
{
    QDir().mkpath(folder);
    const QString page = folder + "/index.html";
    QFile tpl(":/osmindex.html");
    if (!tpl.open(QIODevice::ReadOnly)) {
        if (error)
            *error = tpl.errorString();
        return false;
    }
    const bool ok = writePageFile(page, withLibraryLocations(tpl.readAll()), error) &&
                    copyResource(":/osmmap.css", folder + "/map.css", error) &&
                    copyResource(":/osmmarker.png", folder + "/marker.png", error);
    if (!ok) {
        qWarning() << "[Data] could not write the OpenStreetMap page:" << (error ? *error : QString());
        return false;
    }
    return localizePageLinks(page);
}

QString mapBoxServiceName(const QString &styleUrl)
{
    QString name = styleUrl.simplified();
    name.remove(':');
    name.replace("//", ".");
    name.replace('/', '.');
    return name.simplified();
}

QString scriptString(const QString &text)
{
    // Everything outside a small safe set becomes a \uXXXX escape, so quotes,
    // backslashes, line breaks and "</script>" cannot leave the string.
    QString out;
    for (const QChar ch : text) {
        const ushort u = ch.unicode();
        const bool safe = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                          (u >= '0' && u <= '9') || QStringLiteral(".:/_-~?=&%+,;@#!*$ ").contains(ch);
        if (safe)
            out += ch;
        else
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
    }
    return out;
}

QString writeMapBoxPage(const QString &apiFolder, const QString &styleUrl,
                        const QString &accessToken, QString *error)
{
    if (error)
        error->clear();
    const QString name = mapBoxServiceName(styleUrl);
    const QString folder = apiFolder + '/' + name;
    const QFileInfo existing(folder);
    if (name.isEmpty() || existing.exists() || existing.isSymLink())
        return QString();
    QFile tpl(":/mapbox.html");
    if (!tpl.open(QIODevice::ReadOnly)) {
        if (error)
            *error = AtomicFile::describe(tpl.fileName(), tpl.errorString());
        return QString();
    }
    QByteArray page = withLibraryLocations(tpl.readAll());
    page.replace("xxxxx.xxxxx", scriptString(styleUrl).toUtf8());
    page.replace("yyyyy.yyyyy", scriptString(accessToken).toUtf8());
    QDir().mkpath(apiFolder);
    if (::mkdir(QFile::encodeName(folder).constData(), 0777) != 0) {
        // Taken since it was looked at: there already, nothing written.
        if (errno != EEXIST && error)
            *error = AtomicFile::describe(folder, AtomicFile::systemReason(errno));
        return QString();
    }
    if (!copyResource(":/osmmarker.png", folder + "/marker.png", error) ||
        !copyResource(":/osm/mapbox.css", folder + "/mapbox.css", error) ||
        !writePageFile(folder + "/index.html", page, error)) {
        qWarning() << "[Data] could not write the MapBox page" << name << (error ? *error : QString());
        QDir(folder).removeRecursively();
        return QString();
    }
    return name;
}

bool localizePageLinks(const QString &pageFile)
{
    QFile file(pageFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray page = file.readAll();
    file.close();
    QString folder = pageFile.left(pageFile.lastIndexOf('/') + 1);
    folder.replace("//", "/");
    // An absolute path already starts with "/", which the prefix's own
    // trailing slash would double.
    const QString url = "file://localhost/" + (folder.startsWith('/') ? folder.mid(1) : folder);
    const QByteArray u = url.toUtf8();
    page.replace("\"./", "\"" + u);
    page.replace("'./", "'" + u);
    QString error;
    if (!AtomicFile::write(pageFile, page, &error)) {
        qWarning() << "[Data] could not rewrite" << pageFile << error;
        return false;
    }
    return true;
}

bool setPagePosition(const QString &pageFile, double lon, double lat)
{
    QFile file(pageFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    file.close();
    for (int i = 0; i < lines.size(); ++i) {
        if (!lines[i].startsWith("var lon ="))
            continue;
        lines[i] = QStringLiteral("var lon = %1;").arg(QString::number(lon, 'g', 6));
        if (i + 1 < lines.size())
            lines[i + 1] = QStringLiteral("var lat = %1;").arg(QString::number(lat, 'g', 6));
        break;
    }
    // The text after the last line break stays as it was.
    QString error;
    if (!AtomicFile::write(pageFile, lines.join('\n').toUtf8(), &error)) {
        qWarning() << "[Data] could not rewrite" << pageFile << error;
        return false;
    }
    return true;
}

QStringList services(const QString &apiFolder)
{
    QStringList names = QDir(apiFolder).entryList(
        QDir::Dirs | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::sort(names.begin(), names.end());
    return names;
}

QString pageUrl(const QString &apiFolder, const QString &service)
{
    QString folder = QDir(apiFolder).absolutePath();
    if (folder.startsWith('/'))
        folder = folder.mid(1);
    return "file://localhost/" + folder + QDir::separator() + service + QDir::separator() +
           "index.html";
}

}  // namespace MapPages

