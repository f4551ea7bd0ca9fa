#include "core/data.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProgressDialog>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include "harleklog/harleklog.h"
#include "atomicfile/atomicfile.h"
#include "atomicfile/settingsfile.h"
#include "core/prompt/prompt.h"

namespace {
Data *s_instance = nullptr;

const char *const kDefaultProbeUrl = "http://example.com/";

void tellSettingsFailure(const QString &file, const QString &reason)
{
    Prompt::error(nullptr, QObject::tr("Settings"),
                  SettingsFile::failureText(AtomicFile::describe(file, reason)));
}
}  // namespace

Data *Data::instance()
{
    // The pointer is set only once the constructor has returned.
    if (!s_instance) {
        if (QCoreApplication::instance()
            && QThread::currentThread() != QCoreApplication::instance()->thread())
            qCritical() << "[Data] created off the GUI thread";
        Data *d = new Data();
        s_instance = d;
    }
    return s_instance;
}

QString Data::documentsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QString Data::appDataPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString Data::defaultWaypointPath() const
{
    return documentsPath() + QDir::separator() + "KorvelTarvendel/waypoints/";
}
QString Data::defaultMapPath() const
{
    return documentsPath() + QDir::separator() + "KorvelTarvendel/maps/";
}
QString Data::defaultHarlekSDPath() const
{
    return documentsPath() + QDir::separator() + "KorvelTarvendel/harlek/";
}

Data::Data(QObject *parent) : QObject(parent)
{
    qDebug() << "Data constructor";

    const QString organization = QStringLiteral("Brisolan Technologies");
    const QString application = QStringLiteral("Korvel Tarvendel");
    SettingsFile::setFailureHandler(tellSettingsFailure);
    // A damaged store would read as a program never set up: the user hears
    // of it before any wizard, and its bytes are kept.
    const QString settingsFile = SettingsFile::path(organization, application);
    const SettingsFile::Damage damage = SettingsFile::prepare(settingsFile);
    if (damage.damaged())
        Prompt::warning(nullptr, tr("Settings"), damage.message(settingsFile));
    m_settings = new QSettings(SettingsFile::format(), QSettings::UserScope, organization, application, this);
    SettingsFile::watch(m_settings);
    m_placemarkModel = new QStandardItemModel();

    m_freshSettings = m_settings->allKeys().count() <= 15;

    const QString appData = appDataPath();
    m_config = m_settings->value("Config", 0).toInt();
    m_thermalPalette = m_settings->value("Thermal Palette", 0).toInt();
    m_thermalPinColor = m_settings->value("Thermal PinColor", 0).toInt();
    m_thermalBorderColor = m_settings->value("Thermal BorderColor", 0).toInt();
    m_waypointDir.setPath(m_settings->value("WaypointPath", defaultWaypointPath()).toString());
    m_mapDir.setPath(m_settings->value("MapPath", defaultMapPath()).toString());
    m_harlekSDDir.setPath(m_settings->value("HarlekSDPath", defaultHarlekSDPath()).toString());
    m_showIntroAtStartUp = m_settings->value("ShowIntroAtStartUp", 1).toInt();
    const QString navtrac = m_settings->value("NavtracPath", appData + "/navtrac/").toString();
    const QString mapApi = m_settings->value("MapApiPath", appData + "/mapapi/").toString();
    const QString harleks = m_settings->value("Harleks", appData + "/harleks/").toString();
    const QString temp = m_settings->value("Temp", appData + "/tmp/").toString();
    m_navtracDir.setPath(navtrac);
    m_mapApiDir.setPath(mapApi);
    m_harleksDir.setPath(harleks);
    m_tempDir.setPath(temp);

    const QStringList keys = m_settings->allKeys();
    for (const QString &key : keys)
        qDebug() << key << m_settings->value(key);

    m_currentMapApiPath = m_settings->value("CurrentMapApiPath", "OpenStreetMap").toString();
    m_currentCameraName = m_settings->value("currentCamera", QString()).toString();
    m_flightplanHighres = m_settings->value("Flightplan Highres", 1).toInt();
    m_flightplanEffects = m_settings->value("Flightplan Effects", 1).toInt();
    m_lastLatitude = m_settings->value("Last Latitude", 48.137171).toDouble();
    m_lastLongitude = m_settings->value("Last Longitude", 11.575002).toDouble();
    m_lastOpenedFolder = m_settings->value("Last Opened Folder", documentsPath()).toString();
    m_crashLogPath = m_settings->value("CrashLogPath", appData + QDir::separator() + "crashlogs/")
                         .toString();
    m_updatePath = m_settings->value("UpdatePath", appData + QDir::separator() + "updates/")
                       .toString();

    // An unconfigured program gets its folders from the first-run wizard.
    if (m_config != 0) {
        checkUserFolder(m_waypointDir, "WaypointPath", defaultWaypointPath(),
                        tr("Select Waypoints Folder"));
        checkUserFolder(m_mapDir, "MapPath", defaultMapPath(), tr("Select Maps Folder"));
        checkUserFolder(m_harlekSDDir, "HarlekSDPath", defaultHarlekSDPath(),
                        tr("Select Harlek Folder"));
    }

    checkProgramFolder(m_navtracDir, "NavtracPath", appData + "/navtrac/");
    checkProgramFolder(m_mapApiDir, "MapApiPath", appData + "/mapapi/");
    checkProgramFolder(m_harleksDir, "Harleks", appData + "/harleks/");
    checkProgramFolder(m_tempDir, "Temp", appData + "/tmp/");

    const QString osmFolder = m_mapApiDir.path() + "/OpenStreetMap";
    if (!QDir(osmFolder).exists()) {
        QDir().mkpath(osmFolder);
        writeOsmPage(osmFolder);
    }

    SettingsFile::save(*m_settings, SettingsFile::Delivery::Now);
    // A missing map folder holds no maps. Rebuilding would create it, and with
    // it the workspace folder, so a program that was never set up would look
    // like an old installation at its next start.
    if (m_mapDir.exists())
        updateMapIndex();

    const QUrl probe = probeUrl();
    if (probe.isValid()) {
        m_networkManager = new QNetworkAccessManager(this);
        sendProbe();
        m_deadlineTimer = new QTimer(this);
        m_deadlineTimer->setSingleShot(true);
        m_idleTimer = new QTimer(this);
        m_idleTimer->setSingleShot(true);
        connect(m_deadlineTimer, &QTimer::timeout, this, &Data::websiteisdown);
        connect(m_idleTimer, &QTimer::timeout, this, &Data::websiteisnotdown);
    }

    loadCameras();
    loadRecent();

    refreshLogMetaData();

    if (m_deadlineTimer)
        m_deadlineTimer->start(1500);

    loadPlacemarks();
}

Data::~Data()
{
    dropProbe();
    delete m_placemarkModel;
}

QStringList Data::workspaceFolders() const
{
    return {waypointPath(), mapPath(), harlekSDPath(), navtracPath(), mapApiPath(), harleksPath(),
            tempPath(), updatePath()};
}

int Data::removeAbandonedWrites(const QStringList &folders)
{
    // Deep enough for a project's photos and a thermal project's frames.
    int removed = 0;
    for (const QString &folder : folders)
        removed += AtomicFile::removeAbandonedBelow(folder, 3);
    if (removed > 0)
        qDebug() << "[Data]" << removed << "temporaries of cut-off writes removed";
    return removed;
}

bool Data::syncSettings()
{
    // Also after the event loop has ended: a failure is told at once.
    return SettingsFile::save(*m_settings, SettingsFile::Delivery::Now);
}

void Data::checkUserFolder(QDir &dir, const QString &key, const QString &defaultPath,
                           const QString &chooserTitle)
{
    while (!dir.exists()) {
        switch (askForMissingFolder(dir.path())) {
        case 2:
            m_settings->setValue(key, defaultPath);
            dir.setPath(defaultPath);
            QDir().mkpath(defaultPath);
            break;
        case 3: {
            const QString chosen = Prompt::directory(nullptr, chooserTitle, QString());
            if (!chosen.isEmpty()) {
                m_settings->setValue(key, chosen);
                dir.setPath(chosen);
            }
            break;
        }
        default:
            break;
        }
    }
}

void Data::checkProgramFolder(QDir &dir, const QString &key, const QString &defaultPath)
{
    if (dir.exists()) {
        if (&dir == &m_navtracDir)
            QDir(dir.path() + "/news").removeRecursively();
        return;
    }
    const QString path = m_settings->value(key, defaultPath).toString();
    if (QDir().mkpath(dir.path())) {
        m_settings->setValue(key, path);
    } else {
        qWarning() << "[Data] cannot create" << dir.path() << ", using" << defaultPath;
        m_settings->setValue(key, defaultPath);
        dir.setPath(defaultPath);
        QDir().mkpath(defaultPath);
    }
}

int Data::askForMissingFolder(const QString &path)
{
    Prompt::Request rq;
    rq.text = tr("Path not found.");
    rq.informativeText = path + tr("\n\nMaybe your external drive is not connected?");
    rq.buttons = QMessageBox::Retry | QMessageBox::RestoreDefaults;
    rq.defaultButton = QMessageBox::Retry;
    rq.extraButtons << tr("Set New Folder");
    const int answer = Prompt::ask(rq);
    if (answer == QMessageBox::RestoreDefaults) {
        qDebug() << "restore";
        return 2;
    }
    if (answer == Prompt::extra(0)) {
        qDebug() << "set new";
        return 3;
    }
    qDebug() << "retry";
    return 1;
}

QString Data::flightPlanFile(const QString &name) const
{
    return m_waypointDir.path() + QDir::separator() + name + ".zfp";
}

void Data::setWaypointPath(const QString &path) { m_settings->setValue("WaypointPath", path); }
void Data::setMapPath(const QString &path) { m_settings->setValue("MapPath", path); }
void Data::setHarlekSDPath(const QString &path) { m_settings->setValue("HarlekSDPath", path); }

void Data::initWorkspace()
{
    m_waypointDir.setPath(m_settings->value("WaypointPath", defaultWaypointPath()).toString());
    m_mapDir.setPath(m_settings->value("MapPath", defaultMapPath()).toString());
    m_harlekSDDir.setPath(m_settings->value("HarlekSDPath", defaultHarlekSDPath()).toString());
    m_config = 1;
    m_settings->setValue("Config", 1);
    updateMapIndex();  // the chosen map folder may hold maps already
    localizePageLinks(m_mapApiDir.path() + QDir::separator() + m_currentMapApiPath
                      + QDir::separator() + "index.html");
}

void Data::setShowIntroAtStartUp(int value)
{
    m_showIntroAtStartUp = value;
    m_settings->setValue("ShowIntroAtStartUp", value);
}

void Data::setThermalPalette(int value)
{
    m_thermalPalette = value;
    m_settings->setValue("Thermal Palette", value);
    emit thermalPaletteChanged(value);
}

void Data::setThermalPinColor(int value)
{
    m_thermalPinColor = value;
    m_settings->setValue("Thermal PinColor", value);
    emit thermalPinChanged(value);
}

void Data::setThermalBorderColor(int value)
{
    m_thermalBorderColor = value;
    m_settings->setValue("Thermal BorderColor", value);
    emit thermalBorderChanged(value);
}

void Data::setFlightplanHighres(int value)
{
    m_flightplanHighres = value;
    m_settings->setValue("Flightplan Highres", value);
}

void Data::setFlightplanEffects(int value)
{
    m_flightplanEffects = value;
    m_settings->setValue("Flightplan Effects", value);
}

int Data::migrationStatus() const { return m_settings->value("MigrationStatus", 0).toInt(); }
void Data::storeIfChanged(QSettings &settings, const QString &key, const QVariant &value)
{
    if (settings.value(key) != value)
        settings.setValue(key, value);
}

// Both are set on every start.
void Data::setMigrationStatus(int status) { storeIfChanged(*m_settings, "MigrationStatus", status); }
void Data::setVersion(const QString &version) { storeIfChanged(*m_settings, "Version", version); }

QString Data::rememberedFolder(const QString &key) const
{
    return m_settings->value(key, documentsPath()).toString();
}

void Data::rememberFolder(const QString &key, const QString &folder) { m_settings->setValue(key, folder); }

void Data::setLastOpenedFolder(const QString &folder)
{
    m_lastOpenedFolder = folder;
    m_settings->setValue("Last Opened Folder", folder);
}

void Data::recordGPSData(double lon, double lat)
{
    m_lastLongitude = lon;
    m_lastLatitude = lat;
}

void Data::saveLastPosition()
{
    m_settings->setValue("Last Longitude", m_lastLongitude);
    m_settings->setValue("Last Latitude", m_lastLatitude);
}

bool Data::setCurrentMapService(const QString &name)
{
    if (!mapServices().contains(name))
        return false;
    m_currentMapApiPath = name;
    localizePageLinks(m_mapApiDir.path() + QDir::separator() + name + QDir::separator()
                      + "index.html");
    m_settings->setValue("CurrentMapApiPath", name);
    return true;
}

void Data::getUploadedContent(const QString &filename)
{
    if (filename.startsWith(QLatin1String("FEEDBACK")))
        emit feedbackUploadedSuccesfully();
}

// ---- Internet probe ----

QUrl Data::probeUrl()
{
    const QString env = qEnvironmentVariable("KORVEL_PROBE_URL").trimmed();
    if (env.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0)
        return QUrl();
    if (env.isEmpty())
        return QUrl(QString::fromLatin1(kDefaultProbeUrl));
    return QUrl(env);
}

void Data::sendProbe()
{
    if (!m_networkManager)
        return;
    QNetworkReply *reply = m_networkManager->get(QNetworkRequest(probeUrl()));
    // Every probe reply frees itself once it is done, answered or not.
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    connect(reply, &QNetworkReply::readyRead, this, &Data::replyFinished);
    m_probeReply = reply;
}

void Data::dropProbe()
{
    if (m_probeReply) {
        QNetworkReply *old = m_probeReply;
        m_probeReply = nullptr;
        disconnect(old, nullptr, this, nullptr);
        old->abort();  // emits finished, which deletes it
    }
}

void Data::replyFinished()
{
    if (!m_onlineAnnounced) {
        m_onlineAnnounced = true;
        emit internetConnectionAv();
    }
    m_online = true;
    // One answer is enough; later chunks of the same reply are not news.
    if (QNetworkReply *r = qobject_cast<QNetworkReply *>(sender()))
        disconnect(r, &QNetworkReply::readyRead, this, &Data::replyFinished);
    m_deadlineTimer->stop();
    m_idleTimer->stop();
    m_idleTimer->start(5000);
}

void Data::websiteisdown()
{
    m_online = false;
    dropProbe();
    sendProbe();
    m_deadlineTimer->stop();
    m_idleTimer->stop();
    m_idleTimer->start(5000);
}

void Data::websiteisnotdown()
{
    dropProbe();
    sendProbe();
    m_deadlineTimer->stop();
    m_deadlineTimer->start(5000);
}

// ---- Log meta data ----

void Data::refreshLogMetaData()
{
    const int readerVersion = HarlekLog::logMetaVersion();
    if (m_settings->value("LogMetaVersion", 0).toInt() == readerVersion)
        return;

    const QString logs = logsPath();
    const QStringList folders = QDir(logs).entryList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                         QDir::Name);
    QProgressDialog progress(tr("Progressing logfiles.."), tr("Abort"), 0, folders.size());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.show();  // shown, so that Abort is answered between folders
    for (int i = 0; i < folders.size(); ++i) {
        if (progress.wasCanceled())
            return;  // runs again at the next start
        const QString folder = logs + "/" + folders.at(i);
        try {
            // Opening the log is what brings its meta data up to date.
            HarlekLog log(folder.toUtf8().toStdString());
        } catch (const std::exception &e) {
            qWarning() << "[Data] log folder not readable:" << folder << e.what();
        }
        progress.setValue(i + 1);
    }
    if (progress.wasCanceled())
        return;
    m_settings->setValue("LogMetaVersion", readerVersion);
    progress.close();
}

// ---- Recent projects ----

void Data::loadRecent()
{
    m_recentTypes.clear();
    m_recentNames.clear();
    for (int i = 0; i < 5; ++i) {
        m_recentNames << m_settings->value(QString("RecentName%1").arg(i), QString()).toString();
        m_recentTypes << OpenKind(m_settings->value(QString("RecentType%1").arg(i), 0).toInt());
    }
}

void Data::saveRecent()
{
    for (int i = 0; i < m_recentNames.size(); ++i) {
        m_settings->setValue(QString("RecentName%1").arg(i), m_recentNames.at(i));
        m_settings->setValue(QString("RecentType%1").arg(i), int(m_recentTypes.at(i)));
    }
}

void Data::addRecent(OpenKind kind, const QString &name)
{
    removeRecent(kind, name);
    m_recentTypes.insert(0, kind);
    m_recentNames.insert(0, name);
    m_recentTypes.removeLast();
    m_recentNames.removeLast();
    saveRecent();
    emit recentChanged();
}

void Data::removeRecent(OpenKind kind, const QString &name)
{
    // Every original slot is looked at once; after a removal the slot that
    // moved up sits at the same index, so the index stays.
    int i = 0;
    for (int left = m_recentNames.size(); left > 0; --left) {
        if (m_recentNames.at(i) == name && m_recentTypes.at(i) == kind) {
            m_recentNames.removeAt(i);
            m_recentTypes.removeAt(i);
            m_recentNames.append(QString());
            m_recentTypes.append(OpenKind::None);
            saveRecent();
            emit recentChanged();
        } else {
            ++i;
        }
    }
}

void Data::renameRecent(OpenKind kind, const QString &oldName, const QString &newName)
{
    for (int i = 0; i < m_recentNames.size(); ++i) {
        if (m_recentNames.at(i) == oldName && m_recentTypes.at(i) == kind) {
            m_recentNames[i] = newName;
            saveRecent();
            emit recentChanged();
        }
    }
}

QString Data::recentName(int slot) const
{
    return slot >= 0 && slot < m_recentNames.size() ? m_recentNames.at(slot) : QString();
}

OpenKind Data::recentType(int slot) const
{
    return slot >= 0 && slot < m_recentTypes.size() ? m_recentTypes.at(slot) : OpenKind::None;
}

int Data::registerOpen(OpenKind kind, const QString &name)
{
    m_openKinds << kind;
    m_openNames << name;
    ++m_openCounter;
    m_openIds << m_openCounter;
    return m_openCounter;
}

void Data::unregisterOpen(int id)
{
    for (int i = m_openIds.size() - 1; i >= 0; --i) {
        if (m_openIds.at(i) == id) {
            m_openIds.removeAt(i);
            m_openKinds.removeAt(i);
            m_openNames.removeAt(i);
        }
    }
}

bool Data::isOpen(OpenKind kind, const QString &name) const
{
    for (int i = 0; i < m_openIds.size(); ++i)
        if (m_openKinds.at(i) == kind && m_openNames.at(i) == name)
            return true;
    return false;
}

// ---- ACI storage ----

QString Data::aciStoragePath() const
{
    return m_navtracDir.path() + QDir::separator() + "zephrin.korvel";
}

int Data::aciStorageRead(char *buffer, int length)
{
    Data *d = instance();
    QMutexLocker lock(&d->m_aciMutex);
    if (d->m_aciWriteFile) {  // a write not ended is abandoned
        d->m_aciWriteFile->cancel();
        d->m_aciWriteFile.reset();
    }
    if (!d->m_aciReadFile.isOpen()) {
        d->m_aciReadFile.setFileName(d->aciStoragePath());
        if (!d->m_aciReadFile.exists())
            return 0;
        d->m_aciReadFile.open(QIODevice::ReadOnly);
    }
    return int(d->m_aciReadFile.read(buffer, length));
}

int Data::aciStorageWrite(const char *buffer, int length)
{
    Data *d = instance();
    QMutexLocker lock(&d->m_aciMutex);
    if (d->m_aciReadFile.isOpen())
        d->m_aciReadFile.close();
    if (!d->m_aciWriteFile) {
        d->m_aciWriteFile = std::make_unique<AtomicFile::Writer>(d->aciStoragePath());
        d->m_aciBytesWritten = 0;
        d->m_aciError.clear();
        if (!d->m_aciWriteFile->open()) {
            d->m_aciError = AtomicFile::describe(d->aciStoragePath(), d->m_aciWriteFile->reason());
            qWarning().noquote() << "ACI list file not written:" << d->m_aciError;
            d->m_aciWriteFile.reset();
            return -1;
        }
    }
    const qint64 written = d->m_aciWriteFile->write(buffer, length);
    if (written != length) {
        d->m_aciError = AtomicFile::describe(d->aciStoragePath(), d->m_aciWriteFile->reason());
        qWarning().noquote() << "ACI list file not written:" << d->m_aciError;
        d->m_aciWriteFile->cancel();  // the old file stays
        d->m_aciWriteFile.reset();
        return -1;
    }
    d->m_aciBytesWritten += written;
    qDebug() << "bytes written:" << d->m_aciBytesWritten;
    return int(written);
}

void Data::aciStorageEnd(uint8_t complete)
{
    Data *d = instance();
    QMutexLocker lock(&d->m_aciMutex);
    const std::unique_ptr<AtomicFile::Writer> file = std::move(d->m_aciWriteFile);
    if (!file)
        return;
    if (!complete) {
        file->cancel();  // a list cut short never replaces the stored one
        return;
    }
    if (!file->commit()) {
        d->m_aciError = AtomicFile::describe(d->aciStoragePath(), file->reason());
        qWarning().noquote() << "ACI list file not written:" << d->m_aciError;
    }
}

QString Data::aciStorageError()
{
    Data *d = instance();
    QMutexLocker lock(&d->m_aciMutex);
    return d->m_aciError;
}

void Data::closeAciStorage()
{
    Data *d = instance();
    QMutexLocker lock(&d->m_aciMutex);
    if (d->m_aciWriteFile) {
        d->m_aciWriteFile->cancel();
        d->m_aciWriteFile.reset();
    }
    d->m_aciReadFile.close();
}

void Data::aciStorageDelete()
{
    closeAciStorage();
    Data *d = instance();
    QMutexLocker lock(&d->m_aciMutex);
    QFile::remove(d->aciStoragePath());
}
