#pragma once
// The flight plan in memory: a map plus, per waypoint, its stored values (a
// Waypoint, in the scaled integer units of the plan file) and its item on the
// canvas.
//
// Ownership of the waypoint items: the plan owns them. It creates them when
// it reads a file, takes them over in addWaypoint/addDefaultWaypoint,
// deletes a removed one and deletes the rest when it goes away. A scene only
// shows them: an editor calls detachItems() before its scene is destroyed.
// Should a scene delete them anyway, the plan notices (the items are
// watched) and never deletes them a second time.
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QVector>

#include "maps/mapdata.h"
#include "maps/waypoint.h"

#include "maps/items/wpwaypoint.h"

class WPData : public MapData {
    Q_OBJECT
public:
    // Results of readFile.
    enum ReadResult : int {
        FileMissing = 1,
        CannotOpen = 2,
        UnknownVersion = 3,
        NotEmpty = 4,
        NotAFlightPlan = 5,  // the file does not start with the plan magic
        Damaged = 6,         // the file ends early or its count does not fit
        ReadOk = 100,
    };

    explicit WPData(QObject *parent = nullptr);
    ~WPData() override;

    int count() const { return m_wps.size(); }

    // Getters take the 1-based waypoint number.
    bool active(int n) const { return at(n).active; }
    bool triggerCamera(int n) const { return at(n).triggerCamera; }
    bool showCamera(int n) const { return at(n).showCamera; }
    quint8 properties(int n) const { return at(n).properties; }
    bool headingInFlightDirection(int n) const { return at(n).headingFollows(); }
    int maxSpeed(int n) const { return at(n).maxSpeed; }
    double time(int n) const { return at(n).timeSeconds(); }
    double posAcc(int n) const { return at(n).posAccMetres(); }
    double yaw(int n) const { return at(n).yawDegrees(); }
    double height(int n) const { return at(n).heightMetres(); }
    int noPictures(int n) const { return at(n).noPictures; }
    double camAngleNick(int n) const { return at(n).pitchDegrees(); }
    float v3Speed(int n) const { return at(n).v3Speed; }
    float desiredAcc(int n) const { return at(n).desiredAcc; }
    double camAngleRoll(int n) const { return at(n).rollDegrees(); }
    quint32 waypoint_flightstatus(int n) const { return m_shown[n - 1].flightStatus; }
    WPWaypoint *waypointItem(int n) const { return m_shown[n - 1].item; }

    QPointF waypointPos(int n) const;
    QPointF waypointGeo(int n) const;
    // Closes an unclosed run end (type 1 -> 11) before answering.
    int waypointType(int n);
    int panoramaStep(int n) const;

    // The stored values of a waypoint, with its position in degrees.
    Waypoint record(int n) const;

    void setActive(int n, bool on);
    void setTriggerCamera(int n, bool on);
    void setShowCamera(int n, bool on);
    void setProperties(int n, quint8 flags);
    void setTime(int n, double seconds);
    void setPosAcc(int n, double metres);
    void setNoPictures(int n, int pictures);
    void setDesiredAcc(int n, double acc);
    void setYawSingle(int n, double degrees);
    void setWaypointGeo(int n, double lon, double lat);

    // Group setters: the value is copied over the waypoint's matrix group.
    void setHeight(int n, double metres);
    void setYaw(int n, double degrees);
    void setMaxSpeed(int n, int percent);
    void setCamAngleNick(int n, double degrees);
    void setV3Speed(int n, double speed);
    void setHeadingInFlightDirection(int n, bool on);

    // Adds a waypoint read from a file or made elsewhere; the plan's defaults
    // give its properties and camera display. For a Matrix member the
    // heading-follows bit of wp.properties goes to its whole run, as
    // setHeadingInFlightDirection does.
    void addWaypoint(WPWaypoint *item, const Waypoint &wp);
    // The values a new waypoint starts with.
    const Waypoint &defaults() const { return m_template; }
    void addDefaultWaypoint(WPWaypoint *item);
    // Adds a waypoint a generator made: wp holds the defaults with the
    // generator's type, camera pitch, speed, trigger, pictures, heading and
    // height. It starts as a new waypoint and takes them as the setters give
    // them, so the matrix run it joins takes its pitch, speed and height.
    void addGenerated(WPWaypoint *item, const Waypoint &wp);
    void removeWaypoint(int n);
    void switchWaypoints(int a, int b, bool redrawNumbers);
    void refreshWaypointNumbers();
    void closeMatrixGroups();
    void setWaypointType(int n, int type);
    void setWaypoint_flightstatus(int n, quint32 status, bool updateItem);
    void calculateMatrixHeadings(QList<int> numbers);
    void saveAsDefault(int n);
    void setScale(double scale);

    // Takes every waypoint item out of its scene, so that destroying the
    // scene leaves them to the plan.
    void detachItems();

    QString filePath() const { return m_filePath; }
    void setFilePath(const QString &path) { m_filePath = path; }
    QList<QPointF> fileGeoList() const { return m_fileGeoList; }

    // Writes the plan to filePath through a temporary file; the old file
    // stays as it was when anything fails. On failure *error (when given)
    // holds "<file>: <reason>".
    bool writeFile(QString *error = nullptr);
    // Reads filePath into an empty plan (a ReadResult). The map must be
    // loaded first: item positions come from its transform. On any failure
    // the plan is left unchanged.
    ReadResult readFile();
    bool importKml(const QString &path);

signals:
    void v3SpeedChanged(int waypoint, double speed);
    void wpDataChanged(int waypoint);

private:
    // What the plan keeps beside the stored values of each waypoint.
    struct Shown {
        QPointer<WPWaypoint> item;
        QPointF lastCentre;  // where the item was when last seen
        quint32 flightStatus = 0;
    };

    const Waypoint &at(int n) const { return m_wps[n - 1]; }
    Waypoint &at(int n) { return m_wps[n - 1]; }
    void setType(int index, int type);
    void append(WPWaypoint *item, const Waypoint &wp);
    // Visits waypoint n, then its matrix group (backwards over type 1, then
    // forwards over type 1 up to a closing 11) and calls fn on each index.
    template <typename Fn> void forGroup(int n, bool forwardFromNext, Fn fn);

    QVector<Waypoint> m_wps;
    QVector<Shown> m_shown;  // parallel to m_wps
    Waypoint m_template;
    QString m_filePath;
    QList<QPointF> m_fileGeoList;
};
