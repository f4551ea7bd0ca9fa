// Stored maps, cameras, placemarks and map pages of Data.
#include "core/data.h"

#include <QDataStream>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QStandardItemModel>

#include "atomicfile/atomicfile.h"
#include "core/mapdescription.h"
#include "core/mappages.h"
#include "core/placemarks.h"

// ---- Stored maps ----

QString Data::orthoMapPath() const
{
    const QString path = m_mapDir.path() + QDir::separator() + "Ortho";
    QDir().mkpath(path);
    return path;
}

bool Data::saveMapImage(const QImage &image, MapDescription record, QString *failure)
{
    if (record.source().isEmpty()) {
        QString src = currentMapService();
        if (src.startsWith(QLatin1String("MapBox")))
            src = QStringLiteral("MapBox");
        record.setSource(src);
    }
    const QString folder = orthoMapPath();
    const QString file = folder + "/" + record.name() + ".jpg";
    QString error;
    if (!MapDescription::writeImage(file, image, record, &error)) {
        const QString described = AtomicFile::describe(file, error);
        qWarning().noquote() << "[Data] saveMapImage: could not write" << described;
        if (failure)
            *failure = described;
        return false;
    }

    // The index file gains the record as a line; the map itself is stored
    // already, so a failure here is only logged.
    const QString indexPath = folder + "/index";
    QFile index(indexPath);
    QByteArray lines;
    if (index.exists()) {
        if (!index.open(QIODevice::ReadOnly)) {
            qWarning().noquote() << "[Data] saveMapImage:"
                                 << AtomicFile::describe(indexPath, index.errorString());
            return true;
        }
        lines = index.readAll();
    }
    if (!AtomicFile::write(indexPath, lines + record.text().toUtf8() + '\n', &error))
        qWarning().noquote() << "[Data] saveMapImage:" << AtomicFile::describe(indexPath, error);
    return true;
}

void Data::updateMapIndex()
{
    const QString folder = orthoMapPath();
    const QString indexFile = folder + "/index";
    qDebug() << " INDEX " << indexFile;
    QFile::remove(indexFile);
    m_mapIndex.rebuild(folder);
}

int Data::mapIndexCount() const
{
    return m_mapIndex.count();
}

MapDescription Data::mapIndexEntry(int i) const
{
    return m_mapIndex.entry(i);
}

MapDescription Data::mapDescription(const QString &name) const
{
    // The whole image is read: the header-only reader simplifies blanks.
    const QString text =
        QImage(orthoMapPath() + "/" + name + ".jpg").text(MapDescription::TextKey);
    const MapDescription record = MapDescription::parse(text);
    qDebug() << "Split header: " << record.fields();
    return record;
}

QStringList Data::mapsContaining(double lon, double lat) const
{
    return m_mapIndex.mapsContaining(lon, lat);
}

QString Data::placeNameAt(double lon, double lat) const
{
    return m_mapIndex.placeNameAt(lon, lat);
}

QStringList Data::mapsOfFlightPlan(const QString &name) const
{
    QFile file(m_waypointDir.path() + "/" + name + ".zfp");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QDataStream in(&file);
    in.setVersion(12);
    QString magic;
    qint32 version = 0, count = 0;
    in >> magic >> version >> count;
    if (in.status() != QDataStream::Ok || count <= 0)
        return {};
    // Only the position (two doubles) of each record is needed.
    const int rest = version == 192 ? 44 : version == 32 ? 32 : -1;
    if (rest < 0)
        return {};
    QStringList names;
    for (qint32 i = 0; i < count; ++i) {
        double lon = 0, lat = 0;
        in >> lon >> lat;
        if (in.status() != QDataStream::Ok || in.skipRawData(rest) != rest)
            break;  // the file ends early: use the records read so far
        names << mapsContaining(lon, lat);
    }
    names.removeDuplicates();
    return names;
}

bool Data::updateMapName(const QString &oldName, const QString &newName, QString *error)
{
    Q_UNUSED(oldName)
    const QString base = orthoMapPath() + "/" + newName;
    QString path = base + ".jpg";
    QImage image(path);
    if (image.isNull()) {
        path = base + ".JPG";
        image = QImage(path);
    }
    if (image.isNull()) {
        qDebug() << "updateMapName ERROR: " << base << " not found";
        return true;  // nothing to update
    }
    MapDescription record = MapDescription::parse(image.text(MapDescription::TextKey), false);
    if (!record.isComplete())
        return true;
    record.setName(newName);
    // Written back to the file it came from, so no second copy appears
    // beside a .JPG.
    QString reason;
    if (MapDescription::writeImage(path, image, record, &reason))
        return true;
    qWarning() << "[Data] updateMapName: could not write" << path << reason;
    if (error)
        *error = AtomicFile::describe(path, reason);
    return false;
}

// ---- Cameras ----

QString Data::cameraStorePath() const
{
    return QDir(m_navtracDir.path()).absolutePath() + QDir::separator() + "cameralist";
}

void Data::loadCameras()
{
    loadDefaultCameras();
    loadCameraList();
    if (m_cameras.isEmpty()) {
        if (!m_templateCameras.isEmpty())
            m_cameras.append(m_templateCameras.first());
        m_currentCamera = m_cameras.value(0);
        return;
    }
    bool found = false;
    const Camera stored = camera(m_currentCameraName, &found);
    m_currentCamera = found ? stored : m_cameras.first();
}

void Data::loadDefaultCameras()
{
    m_templateCameras = CameraStore::readTable(QStringLiteral(":/cameralist.csv"));
}

int Data::loadCameraList()
{
    if (!CameraStore::read(cameraStorePath(), &m_cameras))
        return 0;
    qDebug() << "cameras found:" << m_cameras.size();
    return m_cameras.size();
}

bool Data::saveCameraList(QString *error)
{
    QString reason;
    if (!CameraStore::write(cameraStorePath(), m_cameras, &reason)) {
        const QString described = AtomicFile::describe(cameraStorePath(), reason);
        qWarning().noquote() << "[Data] could not write the camera store" << described;
        if (error)
            *error = described;
        return false;
    }
    return true;
}

bool Data::addCamera(const Camera &camera, QString *error)
{
    if (error)
        error->clear();
    if (m_cameras.contains(camera))
        return false;
    m_cameras.append(camera);
    // The list in memory stays what the store holds: a camera that was not
    // stored would be gone after a restart.
    if (!saveCameraList(error)) {
        m_cameras.removeLast();
        return false;
    }
    return true;
}

bool Data::removeCamera(const QString &name, QString *error)
{
    if (error)
        error->clear();
    for (int i = 0; i < m_cameras.size(); ++i) {
        if (m_cameras[i].name == name) {
            const Camera removed = m_cameras.takeAt(i);
            // Written at once, so the camera stays removed after a restart.
            if (!saveCameraList(error)) {
                m_cameras.insert(i, removed);
                return false;
            }
            return true;
        }
    }
    return false;
}

static Camera findCamera(const QList<Camera> &list, const QString &name, bool *found)
{
    for (const Camera &c : list) {
        if (c.name == name) {
            if (found)
                *found = true;
            return c;
        }
    }
    qDebug() << "camera not found" << name;
    if (found)
        *found = false;
    return Camera();
}

Camera Data::camera(const QString &name, bool *found) const
{
    return findCamera(m_cameras, name, found);
}

Camera Data::templateCamera(const QString &name, bool *found) const
{
    return findCamera(m_templateCameras, name, found);
}

QStringList Data::cameraNames() const
{
    QStringList names;
    for (const Camera &c : m_cameras)
        names << c.name;
    return names;
}

QStringList Data::templateCameraNames() const
{
    QStringList names;
    for (const Camera &c : m_templateCameras)
        names << c.name;
    return names;
}

bool Data::setCurrentCamera(const QString &name)
{
    qDebug() << "data set current Camera" << name;
    bool found = false;
    const Camera c = camera(name, &found);
    if (!found)
        return false;
    m_currentCameraName = name;
    m_settings->setValue("currentCamera", name);
    m_currentCamera = c;
    emit currentCameraChanged(name);
    return true;
}

// ---- Placemarks ----

QString Data::placemarksPath() const
{
    return m_mapDir.path() + QDir::separator() + "placemarks";
}

void Data::loadPlacemarks()
{
    Placemarks::load(m_placemarkModel, placemarksPath());
}

bool Data::savePlacemarks(QString *error)
{
    QString reason;
    if (!Placemarks::save(m_placemarkModel, placemarksPath(), &reason)) {
        const QString described = AtomicFile::describe(placemarksPath(), reason);
        qWarning().noquote() << "[Data] could not write the placemarks" << described;
        if (error)
            *error = described;
        m_placemarksUnsaved = true;
        return false;
    }
    m_placemarksUnsaved = false;
    emit pmChanged();
    return true;
}

// ---- Map pages ----

void Data::writeOsmPage(const QString &folder)
{
    MapPages::writeOsmPage(folder);
}

QString Data::writeMapBoxPage(const QString &styleUrl, const QString &accessToken, QString *error)
{
    return MapPages::writeMapBoxPage(m_mapApiDir.path(), styleUrl, accessToken, error);
}

void Data::localizePageLinks(const QString &pageFile)
{
    MapPages::localizePageLinks(pageFile);
}

QStringList Data::mapServices()
{
    m_mapServices = MapPages::services(m_mapApiDir.path());
    return m_mapServices;
}

void Data::removeMapService(const QString &name)
{
    if (!name.isEmpty() && !name.contains('/') && name != "." && name != "..")
        QDir(m_mapApiDir.path() + "/" + name).removeRecursively();
    mapServices();
}

QString Data::mapPageUrl() const
{
    return MapPages::pageUrl(m_mapApiDir.path(), m_currentMapApiPath);
}

void Data::setMapPagePosition(double lon, double lat)
{
    MapPages::setPagePosition(m_mapApiDir.path() + "/" + m_currentMapApiPath + "/index.html", lon,
                              lat);
}
