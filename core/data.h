#pragma once
// The one program-wide owner of the settings store, the workspace folders and
// the shared lists. Reached through Data::instance(); never destroyed.
#include <QDir>
#include <QFile>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QPointF>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>
#include <memory>

#include "core/camera.h"
#include "core/flightplaninfo.h"
#include "core/mapindex.h"
#include "core/openkind.h"

namespace AtomicFile {
class Writer;
}

class QFileInfo;
class QImage;
class QNetworkAccessManager;
class QNetworkReply;
class QStandardItemModel;
class QTimer;

class Data : public QObject
{
    Q_OBJECT
public:
    // Creates the object on the first call, which must come from the GUI
    // thread before any worker thread runs.
    static Data *instance();

    // instance() is the way in; tests build their own to try other stores.
    explicit Data(QObject *parent = nullptr);
    ~Data() override;

    QSettings *settings() const { return m_settings; }
    // Writes key only when the store lacks it or holds another value: every
    // setValue rewrites and syncs the file, which the start should not wait for.
    static void storeIfChanged(QSettings &settings, const QString &key, const QVariant &value);
    // Writes the store now; a failure is told to the user (once).
    bool syncSettings();

    // Workspace folders
    QString navtracPath() const { return m_navtracDir.path(); }
    QString harlekSDPath() const { return m_harlekSDDir.path(); }
    // The aircraft logs and the photo-tagger projects, in the aircraft folder.
    QString logsPath() const { return harlekSDPath() + QStringLiteral("/logs"); }
    QString photoTaggerPath() const { return harlekSDPath() + QStringLiteral("/phototagger"); }
    QString waypointPath() const { return m_waypointDir.path(); }
    QString mapPath() const { return m_mapDir.path(); }
    QString mapApiPath() const { return m_mapApiDir.path(); }
    QString harleksPath() const { return m_harleksDir.path(); }
    QString tempPath() const { return m_tempDir.path(); }
    QString crashLogPath() const { return m_crashLogPath; }
    QString updatePath() const { return m_updatePath; }
    QString flightPlanFile(const QString &name) const;
    // Flight-plan folder listing (data_flightplans.cpp): the "*.zfp" files of
    // the flight-plan folder in the file system's order, read afresh each call.
    int flightPlanCount() const;
    FlightPlanInfo flightPlanInfo(int index) const;  // empty record when out of range
    FlightPlanInfo flightPlanInfo(const QString &name) const;
    bool flightPlanExists(const QString &name) const;
    QPointF flightPlanFirstPosition(const QString &name) const;  // (0, 0) when unreadable
    // Bytes of a file, or of a folder's whole tree (links not followed).
    static qint64 pathSize(const QFileInfo &entry);
    // Deletes a folder tree; a link is removed as a link, never followed.
    static bool removeDirRecursively(const QString &path);
    // The workspace and program-data folders the program writes into.
    QStringList workspaceFolders() const;
    // Removes what writes cut off by a kill left in folders (and the folders
    // below them); safe beside writers at work. Returns how many went.
    static int removeAbandonedWrites(const QStringList &folders);
    void setWaypointPath(const QString &path);  // take effect at the next start
    void setMapPath(const QString &path);
    void setHarlekSDPath(const QString &path);
    void initWorkspace();
    int askForMissingFolder(const QString &path);

    // Plain settings
    bool isConfigured() const { return m_config != 0; }
    bool isFreshSettings() const { return m_freshSettings; }
    int showIntroAtStartUp() const { return m_showIntroAtStartUp; }
    void setShowIntroAtStartUp(int value);
    int thermalPalette() const { return m_thermalPalette; }
    int thermalPinColor() const { return m_thermalPinColor; }
    int thermalBorderColor() const { return m_thermalBorderColor; }
    void setThermalPalette(int value);
    void setThermalPinColor(int value);
    void setThermalBorderColor(int value);
    int flightplanHighres() const { return m_flightplanHighres; }
    int flightplanEffects() const { return m_flightplanEffects; }
    void setFlightplanHighres(int value);
    void setFlightplanEffects(int value);
    int migrationStatus() const;
    void setMigrationStatus(int status);
    void setVersion(const QString &version);
    QString lastOpenedFolder() const { return m_lastOpenedFolder; }
    // A folder a chooser remembers under key; the documents folder until one is.
    QString rememberedFolder(const QString &key) const;
    void rememberFolder(const QString &key, const QString &folder);
    void setLastOpenedFolder(const QString &folder);

    // Last aircraft / map position
    QPointF lastPosition() const { return QPointF(m_lastLongitude, m_lastLatitude); }
    void saveLastPosition();

    // Map services (the pages themselves are written in data_stores.cpp)
    QString currentMapService() const { return m_currentMapApiPath; }
    bool setCurrentMapService(const QString &name);

    // Internet probe
    bool isOnline() const { return m_online; }
    static QUrl probeUrl();  // empty when switched off

    // Recent projects (an empty slot is OpenKind::None) and open items
    void loadRecent();
    void saveRecent();
    void addRecent(OpenKind kind, const QString &name);
    void removeRecent(OpenKind kind, const QString &name);
    void renameRecent(OpenKind kind, const QString &oldName, const QString &newName);
    QString recentName(int slot) const;
    OpenKind recentType(int slot) const;
    int registerOpen(OpenKind kind, const QString &name);
    void unregisterOpen(int id);
    bool isOpen(OpenKind kind, const QString &name) const;

    // Storage file of the link's ACI engine; plain callbacks, one call at a time.
    // Writes go to a temporary file that takes the name when aciStorageEnd()
    // says the list file is complete, so the old file stays whole until then;
    // a write cut short (failure, read, close) leaves it as it was.
    static int aciStorageRead(char *buffer, int length);
    static int aciStorageWrite(const char *buffer, int length);
    static void aciStorageEnd(uint8_t complete);
    static void aciStorageDelete();
    static void closeAciStorage();
    // "<file>: <reason>" of the last failed write, empty after a good one.
    static QString aciStorageError();
    QString aciStoragePath() const;

    // ---- Stored maps, cameras, placemarks, map pages (data_stores.cpp) ----
    // Stored maps: <map folder>/Ortho/<name>.jpg with their description
    // record; the in-memory index may be read from worker threads.
    QString orthoMapPath() const;  // creates the folder
    // Writes the map JPEG <record name>.jpg and, once it is written, a line
    // of the index file; true when the JPEG was written. A record without a
    // source gets the current map service's. Callers rebuild the index
    // afterwards. When the JPEG is not written, *error (when given) holds
    // "<file>: <reason>".
    bool saveMapImage(const QImage &image, MapDescription record, QString *error = nullptr);
    void updateMapIndex();
    int mapIndexCount() const;
    MapDescription mapIndexEntry(int i) const;  // empty when out of range
    // The record of a stored map as it is, "," records included.
    MapDescription mapDescription(const QString &name) const;
    QStringList mapsContaining(double lon, double lat) const;
    QString placeNameAt(double lon, double lat) const;
    QStringList mapsOfFlightPlan(const QString &name) const;
    // Writes the new name into the description of the map file renamed to
    // newName. False with "<file>: <reason>" in *error when it could not.
    bool updateMapName(const QString &oldName, const QString &newName, QString *error = nullptr);

    // Cameras: the built-in table, the user list (kept in the store file
    // "cameralist") and the current camera.
    void loadCameras();  // built-in table, user list, current camera
    void loadDefaultCameras();
    int loadCameraList();
    // Failures give "<file>: <reason>" in *error.
    bool saveCameraList(QString *error = nullptr);
    // Appends the camera and rewrites the store. False when a user camera of
    // that name exists (*error empty) or the store could not be written
    // (*error set; the list is as it was).
    bool addCamera(const Camera &camera, QString *error = nullptr);
    // Removes the camera and rewrites the store. False when there is none
    // (*error empty) or the store could not be written (*error set; the
    // camera stays in the list).
    bool removeCamera(const QString &name, QString *error = nullptr);
    // The first user / built-in camera of that name. An unknown name gives
    // an empty record and *found = false (no exception).
    Camera camera(const QString &name, bool *found = nullptr) const;
    Camera templateCamera(const QString &name, bool *found = nullptr) const;
    QStringList cameraNames() const;
    QStringList templateCameraNames() const;
    Camera currentCamera() const { return m_currentCamera; }
    bool setCurrentCamera(const QString &name);
    QString cameraStorePath() const;

    // Placemarks (<map folder>/placemarks)
    QStandardItemModel *placemarkModel() const { return m_placemarkModel; }
    void loadPlacemarks();
    // Emits pmChanged() after a successful write; a failure gives
    // "<file>: <reason>" in *error and leaves the model marked unsaved.
    bool savePlacemarks(QString *error = nullptr);
    // The model holds changes that the last save could not write.
    bool placemarksUnsaved() const { return m_placemarksUnsaved; }
    QString placemarksPath() const;

    // Map pages: one folder per service below the map-page folder.
    void writeOsmPage(const QString &folder);
    // Empty when the service exists already (*error empty) or its page
    // could not be written (*error: "<file>: <reason>").
    QString writeMapBoxPage(const QString &styleUrl, const QString &accessToken,
                            QString *error = nullptr);
    void localizePageLinks(const QString &pageFile);
    QStringList mapServices();
    void removeMapService(const QString &name);
    QString mapPageUrl() const;
    void setMapPagePosition(double lon, double lat);

signals:
    void feedbackUploadedSuccesfully();
    void feedbackUploadError(int error);
    void internetConnectionAv();
    void currentCameraChanged(const QString &name);
    void recentChanged();
    void pmChanged();
    void updatePixelRes();
    void thermalPaletteChanged(int value);
    void thermalBorderChanged(int value);
    void thermalPinChanged(int value);

public slots:
    void replyFinished();
    void websiteisdown();
    void websiteisnotdown();
    void getUploadedContent(const QString &filename);
    void recordGPSData(double lon, double lat);

private:
    FlightPlanInfo flightPlanInfoOf(const QFileInfo &entry) const;
    static QString documentsPath();
    static QString appDataPath();
    QString defaultWaypointPath() const;
    QString defaultMapPath() const;
    QString defaultHarlekSDPath() const;
    void checkUserFolder(QDir &dir, const QString &key, const QString &defaultPath,
                         const QString &chooserTitle);
    void checkProgramFolder(QDir &dir, const QString &key, const QString &defaultPath);
    void refreshLogMetaData();
    void sendProbe();
    void dropProbe();

    QNetworkAccessManager *m_networkManager = nullptr;
    QPointer<QNetworkReply> m_probeReply;
    QTimer *m_deadlineTimer = nullptr;
    QTimer *m_idleTimer = nullptr;
    QSettings *m_settings = nullptr;

    QDir m_navtracDir;
    QDir m_harlekSDDir;
    QDir m_mapApiDir;
    QDir m_waypointDir;
    QDir m_mapDir;
    QDir m_harleksDir;
    QDir m_tempDir;

    QString m_crashLogPath;
    QString m_updatePath;
    QString m_currentMapApiPath;
    QString m_currentCameraName;
    QString m_lastOpenedFolder;

    bool m_freshSettings = false;
    bool m_online = false;
    bool m_onlineAnnounced = false;

    double m_lastLatitude = 48.137171;
    double m_lastLongitude = 11.575002;

    int m_config = 0;
    int m_showIntroAtStartUp = 1;
    int m_thermalPalette = 0;
    int m_thermalPinColor = 0;
    int m_thermalBorderColor = 0;
    int m_flightplanHighres = 1;
    int m_flightplanEffects = 1;

    QList<OpenKind> m_recentTypes;
    QStringList m_recentNames;
    QList<int> m_openIds;
    QList<OpenKind> m_openKinds;
    QStringList m_openNames;
    int m_openCounter = 0;

    QMutex m_aciMutex;
    QFile m_aciReadFile;
    std::unique_ptr<AtomicFile::Writer> m_aciWriteFile;
    qint64 m_aciBytesWritten = 0;
    QString m_aciError;

    // ---- Stored maps, cameras, placemarks, map pages ----
    QStandardItemModel *m_placemarkModel = nullptr;
    bool m_placemarksUnsaved = false;
    QStringList m_mapServices;
    MapIndex m_mapIndex;
    QList<Camera> m_templateCameras;
    QList<Camera> m_cameras;
    Camera m_currentCamera;
};
