#include "database/flightbook/logexport.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QXmlStreamWriter>

namespace LogExport {

namespace {

const QString kGpxNs = QStringLiteral("http://www.topografix.com/GPX/1/1");
const QString kXsiNs = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
const QString kKvGpxNs = QStringLiteral("http://www.brisolan-technologies.example/gpxExtensions/v1");
const QString kMakerUrl = QStringLiteral("http://www.brisolan-technologies.example");
const QString kKmlNs = QStringLiteral("http://earth.google.com/kml/2.1");
const QString kPoiIcon = QStringLiteral("http://maps.google.com/mapfiles/ms/icons/POI.png");

QString gpxTime(qint64 unixMs)
{
    return QDateTime::fromMSecsSinceEpoch(unixMs, Qt::UTC).toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz"));
}

QString fixed(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

} // namespace

std::vector<PathPoint> thinPathPoints(const std::vector<PathPoint>& points, qint64 stepMs)
{
    std::vector<PathPoint> out;
    qint64 last = 0;
    for (const PathPoint& p : points) {
        if (qint64(p.time) - last > stepMs) {
            out.push_back(p);
            last = p.time;
        }
    }
    return out;
}

QStringList folderTargets(const QString& folder, int count, const QString& suffix)
{
    QStringList out;
    const QString base = folder + QLatin1Char('/') + QDir(folder).dirName() + QLatin1Char('_');
    for (int n = count; n >= 1; --n)
        out << base + QString::number(n) + QLatin1Char('.') + suffix;
    return out;
}

QStringList existingTargets(const QStringList& targets)
{
    QStringList out;
    for (const QString& t : targets)
        if (QFileInfo::exists(t))
            out << t;
    return out;
}

std::unique_ptr<HarlekLog> openLog(const QString& folder, QString* error)
{
    try {
        return std::make_unique<HarlekLog>(folder.toStdString());
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromStdString(e.what());
    } catch (...) {
        if (error)
            *error = QStringLiteral("unknown error");
    }
    return nullptr;
}

QByteArray gpxDocument(const GPXExportRecord& record)
{
    // Written by hand rather than through QXmlStreamWriter (same bytes, a
    // fraction of the time for hour-long logs); no text here needs escaping.
    QByteArray out;
    out.reserve(int(record.pathPoints.size() * 480 + record.photoTags.size() * 140 + 1024));
    auto num = [&out](double v, int decimals) { out += QByteArray::number(v, 'f', decimals); };
    auto time = [&out](qint64 unixMs) { out += gpxTime(unixMs).toLatin1(); };
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx xmlns=\"";
    out += kGpxNs.toUtf8();
    out += "\" version=\"1.1\" creator=\"Korvel Tarvendel\" xmlns:xsi=\"";
    out += kXsiNs.toUtf8();
    out += "\" xsi:schemaLocation=\"";
    out += kGpxNs.toUtf8() + ' ' + kGpxNs.toUtf8() + "/gpx.xsd";
    out += "\" xmlns:kvgpx=\"";
    out += kKvGpxNs.toUtf8();
    out += "\">\n    <metadata>\n        <link href=\"";
    out += kMakerUrl.toUtf8();
    out += "\">\n            <text>Brisolan Technologies</text>\n        </link>\n        <time>";
    time(record.startTime);
    out += "</time>\n    </metadata>\n";
    for (const PhotoTag& t : record.photoTags) {
        out += "    <wpt lat=\"";
        num(t.latitude, 10);
        out += "\" lon=\"";
        num(t.longitude, 10);
        out += "\">\n        <ele>";
        num(t.height, 3);
        out += "</ele>\n        <time>";
        time(toUnixMs(t.time));
        out += "</time>\n    </wpt>\n";
    }
    out += record.pathPoints.empty() ? "    <trk>\n        <trkseg/>" : "    <trk>\n        <trkseg>";
    for (const PathPoint& p : record.pathPoints) {
        out += "\n            <trkpt lat=\"";
        num(p.latitude, 10);
        out += "\" lon=\"";
        num(p.longitude, 10);
        out += "\">\n                <ele>";
        num(p.height, 3);
        out += "</ele>\n                <time>";
        time(toUnixMs(p.time));
        out += "</time>\n                <extensions>\n                    <kvgpx:TrackPointExtension>\n"
               "                        <kvgpx:roll>";
        num(p.roll, 2);
        out += "</kvgpx:roll>\n                        <kvgpx:pitch>";
        num(p.pitch, 2);
        out += "</kvgpx:pitch>\n                        <kvgpx:yaw>";
        num(p.yaw, 2);
        out += "</kvgpx:yaw>\n                    </kvgpx:TrackPointExtension>\n                </extensions>\n"
               "            </trkpt>";
    }
    out += record.pathPoints.empty() ? "\n" : "\n        </trkseg>\n";
    out += "    </trk>\n</gpx>\n";
    return out;
}

QByteArray kmlDocument(const std::vector<PhotoTag>& tags, const std::vector<PathPoint>& path)
{
    QByteArray out;
    out.reserve(int(path.size() * 50 + tags.size() * 350 + 4096));
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument(QStringLiteral("1.0"));
    xml.writeStartElement(QStringLiteral("kml"));
    xml.writeAttribute(QStringLiteral("xmlns"), kKmlNs);
    xml.writeStartElement(QStringLiteral("Document"));
    xml.writeTextElement(QStringLiteral("name"), QStringLiteral("Korvel Harlek 8 Photo Log"));

    struct LineStyle { const char* id; const char* poly; const char* line; };
    static const LineStyle styles[] = {
        {"greenlineStyle", "ee269126", "ee1aba3c"},
        {"redlineStyle", "ee3f3fee", "ee3f3fee"},
        {"yellowlineStyle", "eeaaeeee", "ee00ffff"},
    };
    for (const LineStyle& s : styles) {
        xml.writeStartElement(QStringLiteral("Style"));
        xml.writeAttribute(QStringLiteral("id"), QLatin1String(s.id));
        xml.writeStartElement(QStringLiteral("PolyStyle"));
        xml.writeTextElement(QStringLiteral("color"), QLatin1String(s.poly));
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("LineStyle"));
        xml.writeTextElement(QStringLiteral("color"), QLatin1String(s.line));
        xml.writeTextElement(QStringLiteral("width"), QStringLiteral("6"));
        xml.writeEndElement();
        xml.writeEndElement();
    }

    xml.writeStartElement(QStringLiteral("Style"));
    xml.writeAttribute(QStringLiteral("id"), QStringLiteral("camera"));
    xml.writeStartElement(QStringLiteral("IconStyle"));
    xml.writeTextElement(QStringLiteral("color"), QStringLiteral("ffffffff"));
    xml.writeTextElement(QStringLiteral("scale"), QStringLiteral("1.0"));
    xml.writeStartElement(QStringLiteral("Icon"));
    xml.writeTextElement(QStringLiteral("href"), kPoiIcon);
    xml.writeTextElement(QStringLiteral("x"), QStringLiteral("192"));
    xml.writeTextElement(QStringLiteral("y"), QStringLiteral("96"));
    xml.writeEndElement();
    xml.writeEmptyElement(QStringLiteral("hotSpot"));
    xml.writeAttribute(QStringLiteral("x"), QStringLiteral("20"));
    xml.writeAttribute(QStringLiteral("y"), QStringLiteral("2"));
    xml.writeAttribute(QStringLiteral("xunits"), QStringLiteral("pixels"));
    xml.writeAttribute(QStringLiteral("yunits"), QStringLiteral("pixels"));
    xml.writeEndElement();  // IconStyle
    xml.writeEndElement();  // Style

    xml.writeStartElement(QStringLiteral("Folder"));
    xml.writeTextElement(QStringLiteral("name"), QStringLiteral("Photos"));
    int number = 1;
    for (const PhotoTag& t : tags) {
        xml.writeStartElement(QStringLiteral("Placemark"));
        xml.writeTextElement(QStringLiteral("name"), QStringLiteral("trigger %1").arg(number++));
        xml.writeTextElement(QStringLiteral("styleUrl"), QStringLiteral("#camera"));
        xml.writeStartElement(QStringLiteral("Point"));
        xml.writeTextElement(QStringLiteral("altitudeMode"), QStringLiteral("absolute"));
        xml.writeTextElement(QStringLiteral("coordinates"), fixed(t.longitude, 12) + QLatin1Char(',')
                                                                + fixed(t.latitude, 12) + QLatin1Char(',')
                                                                + fixed(t.height, 12));
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("TimeStamp"));
        // UTC, marked as such, so viewers place the photos at the right time.
        xml.writeTextElement(QStringLiteral("when"), QDateTime::fromMSecsSinceEpoch(toUnixMs(t.time), Qt::UTC)
                                                         .toString(QStringLiteral("yyyy-MM-ddThh:mm:ssZ")));
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();  // Folder Photos

    xml.writeStartElement(QStringLiteral("Folder"));
    xml.writeTextElement(QStringLiteral("name"), QStringLiteral("Flight Path"));
    int run = 1;
    bool open = false;
    int mode = 0;
    QString coordinates;
    auto closeRun = [&]() {
        xml.writeTextElement(QStringLiteral("coordinates"), coordinates);
        coordinates.clear();
        xml.writeEndElement();  // LineString
        xml.writeEndElement();  // Placemark
    };
    for (const PathPoint& p : path) {
        if (!open || p.flightMode != mode) {
            if (open)
                closeRun();
            open = true;
            mode = p.flightMode;
            xml.writeStartElement(QStringLiteral("Placemark"));
            xml.writeTextElement(QStringLiteral("name"), QStringLiteral("Korvel Harlek 8 Flight Path %1").arg(run++));
            const char* style = mode == 1 ? "#redlineStyle" : mode == 2 ? "#yellowlineStyle"
                                : mode == 3 ? "#greenlineStyle" : "#bluelineStyle";
            xml.writeTextElement(QStringLiteral("styleUrl"), QLatin1String(style));
            xml.writeStartElement(QStringLiteral("LineString"));
            xml.writeTextElement(QStringLiteral("tessellate"), QStringLiteral("1"));
            xml.writeTextElement(QStringLiteral("altitudeMode"), QStringLiteral("absolute"));
            xml.writeTextElement(QStringLiteral("extrude"), QStringLiteral("1"));
        }
        coordinates += fixed(p.longitude, 14) + QLatin1Char(',') + fixed(p.latitude, 14) + QLatin1Char(',')
                       + fixed(p.height, 3) + QLatin1Char(' ');
    }
    if (open)
        closeRun();
    xml.writeEndElement();  // Folder Flight Path
    xml.writeEndElement();  // Document
    xml.writeEndElement();  // kml
    xml.writeEndDocument();
    return out;
}

} // namespace LogExport
