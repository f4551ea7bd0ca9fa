#pragma once
// The map-service pages: one folder per service under the map-page folder,
// each holding an "index.html" written from the embedded templates.
#include <QString>
#include <QStringList>

namespace MapPages {

// Copies the OpenStreetMap page, its CSS and pin image into folder and makes
// the page's links absolute. Returns false when a file could not be written.
bool writeOsmPage(const QString &folder, QString *error = nullptr);

// Folder name of a MapBox style: blanks simplified, ":" removed, "//" and
// "/" turned into ".".
QString mapBoxServiceName(const QString &styleUrl);

// The text escaped for use inside a single- or double-quoted script string.
QString scriptString(const QString &text);

// Writes a MapBox service folder under apiFolder and returns the service
// name; empty when the folder exists already (nothing written, *error
// empty) or writing failed (*error holds "<file>: <reason>").
QString writeMapBoxPage(const QString &apiFolder, const QString &styleUrl,
                        const QString &accessToken, QString *error = nullptr);

// Rewrites the page's relative links "./" into file addresses of its folder.
// Running it twice changes nothing more.
bool localizePageLinks(const QString &pageFile);

// Replaces the start-position lines "var lon = …;" / "var lat = …;".
bool setPagePosition(const QString &pageFile, double lon, double lat);

// Names of the service folders in apiFolder, sorted (case-sensitive).
QStringList services(const QString &apiFolder);

// "file://localhost/" + folder + separator + service + separator + "index.html".
QString pageUrl(const QString &apiFolder, const QString &service);

}  // namespace MapPages
