#include "maps/acquisition/gmmain.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPolygonF>
#include <QRegularExpressionValidator>
#include <QTextStream>
#include <QtMath>

#include <cmath>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "core/geo.h"
#include "maps/acquisition/gmleftbar.h"
#include "maps/acquisition/gmmap.h"
#include "core/mapdescription.h"
#include "core/namerule.h"
#include "core/prompt/prompt.h"

namespace {
// Pins and corners are (longitude, latitude) points.
GeoPoint geoPoint(const QPointF &lonLat)
{
    return GeoPoint::lonLat(lonLat.x(), lonLat.y());
}

double haversine(const QPointF &a, const QPointF &b)
{
    return GeoMath::haversineMetres(geoPoint(a), geoPoint(b));
}
}

GMMain::GMMain(const QString &imagePath, QWidget *parent)
    : QWidget(parent), m_imagePath(imagePath)
{
    qDebug() << "[GMMain] Contructor START";
    m_leftbar = new GMLeftbar(this);
    m_map = new GMMap(imagePath, this);
    m_leftbar->setName(QFileInfo(imagePath).baseName());
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_leftbar);
    layout->addWidget(m_map, 1);

    connect(m_leftbar, &GMLeftbar::recalculate, this, &GMMain::calcTransMatrix);
    connect(m_map, &GMMap::recalculate, this, &GMMain::calcTransMatrix);
    connect(this, &GMMain::calculation, m_leftbar, &GMLeftbar::calcComplete);
    connect(m_leftbar, &GMLeftbar::saveMapClicked, this, &GMMain::addMapInDatabase);

    if (!m_map->isValid()) {
        qWarning() << "[GMMain] image cannot be loaded:" << imagePath;
        Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("Can't load file"),
                        tr("The image can't be loaded. Maybe the fileformat is incorrect or the "
                           "image is broken."));
    } else {
        double lon1 = 0, lat1 = 0, lon2 = 0, lat2 = 0;
        if (readSidecar(imagePath, &lon1, &lat1, &lon2, &lat2)) {
            m_map->placePinsAtCorners();
            m_leftbar->setPinValues(lon1, lat1, lon2, lat2, lon1, lat2);
            calcTransMatrix();
        }
    }
    qDebug() << "[GMMain] Contructor END";
}

GMMain::~GMMain() = default;

bool GMMain::isValid() const
{
    return m_map->isValid();
}

bool GMMain::readSidecar(const QString &imagePath, double *lon1, double *lat1, double *lon2,
                         double *lat2)
{
    const QFileInfo info(imagePath);
    QFile file(info.absolutePath() + "/" + info.completeBaseName() + ".ini");
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QStringList lines;
    QTextStream in(&file);
    while (!in.atEnd() && lines.size() < 6)
        lines << in.readLine();
    if (lines.isEmpty() || !lines[0].startsWith(QLatin1String("[Top_Left]")))
        return false;
    if (lines.size() < 6) {
        qWarning() << "[GMMain] sidecar file too short:" << file.fileName();
        return false;
    }
    // "Latitude=" and "Longitude=" in front of the numbers; the key names
    // themselves are not checked.
    bool ok[4];
    const double v[4] = {lines[1].mid(9).trimmed().toDouble(&ok[0]),
                         lines[2].mid(10).trimmed().toDouble(&ok[1]),
                         lines[4].mid(9).trimmed().toDouble(&ok[2]),
                         lines[5].mid(10).trimmed().toDouble(&ok[3])};
    // "nan" and "inf" read as numbers too, but give no corner.
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || !std::isfinite(v[0]) || !std::isfinite(v[1]) ||
        !std::isfinite(v[2]) || !std::isfinite(v[3])) {
        qWarning() << "[GMMain] sidecar file holds no coordinates:" << file.fileName();
        return false;
    }
    *lat1 = v[0];
    *lon1 = v[1];
    *lat2 = v[2];
    *lon2 = v[3];
    return true;
}

void GMMain::calcTransMatrix()
{
    qDebug() << "[GMMain] calcTransMatrix START";
    const QPointF g0 = m_leftbar->pinGeo1(), g1 = m_leftbar->pinGeo2(), g2 = m_leftbar->pinGeo3();
    const QPointF p0 = m_map->pin1Position(), p1 = m_map->pin2Position(),
                  p2 = m_map->pin3Position();
    const QPolygonF geo({g0, g1, g2, g0 + g2 - g1});
    const QPolygonF pixel({p0, p1, p2, p0 + p2 - p1});
    QTransform t;
    // Pins on one line, or coordinates on one line (all still 0, say), give
    // no map: every corner would land on that line.
    if (!m_map->isValid() || !QTransform::quadToQuad(pixel, geo, t) || !t.isInvertible()) {
        m_transformValid = false;
        emit calculation(false);
        return;
    }
    m_pixelToGeo = t;
    m_transformValid = true;
    const int w = m_map->image().width(), h = m_map->image().height();
    const QPointF tl = t.map(QPointF(0, 0)), topRight = t.map(QPointF(w, 0)),
                  bl = t.map(QPointF(0, h)), centre = t.map(QPointF(w / 2, h / 2));
    const double width = haversine(tl, topRight);
    const double height = haversine(tl, bl);
    m_leftbar->setAreaWidth(width);
    m_leftbar->setAreaHeight(height);
    m_leftbar->setMiddleLongitude(centre.x());
    m_leftbar->setMiddleLatitude(centre.y());
    emit calculation(true);
    qDebug() << "[GMMain] calcTransMatrix END " << width << height << centre;
}

void GMMain::addMapInDatabase()
{
    const QString warning = QStringLiteral(":/icons/80/warning");
    const QString name = m_leftbar->getName();
    if (name.isEmpty()) {
        Prompt::message(this, warning, tr("No name given"),
                        tr("Please enter a name for your map to store it in your database."));
        return;
    }
    // The name may come from the image's file name and so hold characters
    // that a map name cannot (a "|" would break the description record).
    QRegularExpressionValidator rule(NameRule::pattern());
    QString probe = name;
    int pos = 0;
    if (rule.validate(probe, pos) == QValidator::Invalid) {
        Prompt::message(this, warning, tr("Invalid name"),
                        tr("A map name starts with a letter or digit and holds only letters, "
                           "digits, blanks, '-', '(' and ')', at most 100 characters."));
        return;
    }
    const QString target =
        Data::instance()->orthoMapPath() + QDir::separator() + name + ".jpg";
    if (QFile::exists(target)) {
        Prompt::message(this, warning, tr("Location name already exists"),
                        tr("The location name, you entered, already exists. Please choose "
                           "another one.<br><br>Hint: You can delete maps or change its name in "
                           "the database (on <i>Window</i>-><i>Database</i>)"));
        return;
    }
    if (!m_transformValid)
        return;
    const int w = m_map->image().width(), h = m_map->image().height();
    const QTransform &t = m_pixelToGeo;
    const QPointF tl = t.map(QPointF(0, 0)), topRight = t.map(QPointF(w, 0)),
                  bl = t.map(QPointF(0, h)), br = t.map(QPointF(w, h)),
                  centre = t.map(QPointF(w / 2, h / 2));
    const MapDescription record(name, m_leftbar->getSource(),
                                {geoPoint(tl), geoPoint(topRight), geoPoint(bl), geoPoint(br)},
                                geoPoint(centre), haversine(tl, topRight), haversine(tl, bl));
    QString error;
    if (!MapDescription::writeImage(target, m_map->image(), record, &error)) {
        error = AtomicFile::describe(target, error);
        qWarning().noquote() << "[GMMain] map not written:" << error;
        Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("Map not saved"),
                        tr("The map could not be written to the map folder. Please check that "
                           "the folder is writable and the disk is not full.")
                            + QStringLiteral("\n\n") + error);
        return;
    }
    emit gmfinished(target, this);
}
