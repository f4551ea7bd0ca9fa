#pragma once
// The right-hand panel of a planning tab: the camera chooser on top and a
// stack of pages below (flight status, waypoint properties, the generator
// pages, ruler, placemark and type conversion). It holds no plan data of its
// own: it reads and writes the WPData it is given and otherwise only signals.
#include <QList>
#include <QPointF>
#include <QWidget>

#include "core/camera.h"
#include "link/acirecords.h"
#include "link/gassensor.h"

class BLSBBattery;
class BLSBGPS;
class BLSBLink;
class GasSensorStatusWidget;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSettings;
class QSpinBox;
class QStackedWidget;
class QStandardItem;
class QToolButton;
class WPData;

class WPToolLine : public QWidget {
    Q_OBJECT
public:
    enum Page {
        StatusPage = 0,
        WaypointPage = 1,
        MatrixIntroPage = 2,
        MatrixConfigPage = 3,
        PlacemarkPage = 4,
        RulerPage = 5,
        CoiIntroPage = 6,
        CoiConfigPage = 7,
        PolygonIntroPage = 8,
        PolygonConfigPage = 9,
        LineMatrixIntroPage = 10,
        LineMatrixConfigPage = 11,
        ConversionPage = 12,
    };

    WPToolLine(WPData *data, QWidget *parent = nullptr);
    ~WPToolLine() override;

    void getHeadingFromMap();
    // The next start begins at n (after a stop, the waypoint flown last).
    void setStartV1WP(int n);

    int currentPage() const;
    int flightState() const { return m_flyStatus; }
    const Camera &camera() const { return m_camera; }
    // Text of the label shown for an area of a square metres.
    static QString areaText(double squareMetres);
    // Ground sample distance (mm per pixel) at height h and back.
    static double gsdForHeight(const Camera &camera, double h);
    static double heightForGsd(const Camera &camera, double gsd);

    // The widgets, by page, for the window and the tests.
    struct StatusWidgets {
        QSpinBox *start, *stop;
        QCheckBox *stopCheck;
        QProgressBar *progress;
        QLabel *upload, *estimate, *status, *height, *flightTime, *position, *distance;
        QPushButton *startButton, *comeHome;
        BLSBBattery *battery;
        BLSBGPS *gps;
        BLSBLink *link;
        GasSensorStatusWidget *gas;
    };
    struct WaypointWidgets {
        QComboBox *type;
        QCheckBox *showCamera, *active, *trigger, *headingInDir, *lastPoint;
        QSpinBox *number, *maxSpeed, *pictures, *coiPictures;
        QLabel *lonLabel, *lonValue, *latLabel, *latValue, *headingLabel, *pitchLabel;
        QDoubleSpinBox *pitch, *heading, *height, *posAcc, *time, *velocity, *radius;
        QToolButton *headingOnMap, *setDefault;
    };
    struct GeneratorWidgets {
        QComboBox *camera;
        QLabel *hAngle, *vAngle;
        QLabel *mcCount, *mcCamera, *mcHAngle, *mcVAngle, *mcArea;
        QDoubleSpinBox *mcHeight, *mcGsd;
        QSpinBox *mcCoverH, *mcCoverV;
        QCheckBox *mcDirection;
        QToolButton *mcGenerate, *mcApply;
        QPushButton *mcDec, *mcInc;
        QToolButton *pcFinish, *pcGenerate, *pcApply;
        QLabel *pcArea;
        QDoubleSpinBox *pcHeight, *pcGsd, *pcSpeed;
        QSpinBox *pcCoverCross, *pcCoverAlong;
        QCheckBox *pcAuto;
        QPushButton *pcDec, *pcInc;
        QToolButton *lmFinish, *lmGenerate, *lmApply;
        QDoubleSpinBox *lmHeight, *lmGsd, *lmSpeed;
        QSpinBox *lmOverlap;
        QCheckBox *lmAuto;
        QLabel *coiLon, *coiLat, *coiRadius;
        QComboBox *coiDirection;
        QSpinBox *coiIncrement;
        QDoubleSpinBox *coiHeight, *coiCamAngle;
        QToolButton *coiGenerate, *coiApply;
        QLabel *rulerLon1, *rulerLat1, *rulerLon2, *rulerLat2, *rulerDistance;
        QLabel *pmName, *pmGroup, *pmLon, *pmLat;
        QToolButton *toZephrin, *toSteerwise;
    };
    const StatusWidgets &statusWidgets() const { return s; }
    const WaypointWidgets &waypointWidgets() const { return w; }
    const GeneratorWidgets &generatorWidgets() const { return g; }
    GasSensor *gasSensor() { return &m_gasSensor; }
    QList<int> selection() const { return m_selection; }

signals:
    void switchWPNr(int, int);
    void yawChangedByNumber(int, double);
    void pitchChangedByNumber(int, double);
    void heightChangedByNumber(int, double);
    void wpTypeChanged(int, int);
    void activateWaypoint(int, bool);
    void showCameraAngle(int, double);
    void matIntroSetNrPoints(int);
    void wpv3LastPointChanged(int, bool);
    void setHeadingOnMap();
    void matrixDirInc();
    void matrixDirDec();
    void generateMatrixClicked(double m_height, int m_cover_v, int m_cover_h, double hangle,
                               double vangle, bool inDir);
    void applyMatrixClicked();
    void startFlight(int startNumber, int end);
    void stopFlight();
    void createSplineClicked();
    void switchChanges(bool);
    void dataChanged();
    void generateCOIClicked(int coiDirection, int incAngle, double height, double camAngle);
    void applCOIClicked();
    void setBatteryQuality(int);
    void setBatteryVoltage(double);
    void batteryState(int);
    void setGPSQuality(int);
    void setGPSSatellite(int);
    void setLinkQuality(int);
    void editPolygonMatrix();
    void polygonDirDec();
    void polygonDirInc();
    void applyPolygonClicked(double);
    void editLineMatrix();
    void generateLineMatrix(double height, double h_angle, int overlap);
    void applyLineMatrixClicked(double);
    void moveRelLonLat(QPointF rLonLat);
    void requestApproxTime(int startWP, int stopWP);
    void comeHome();
    void gasSensorValueChanged(int value);

public slots:
    void setWaypointData(QList<int> waypointnr);
    void setGeneralToolLine();
    void setMatrixIntroPage();
    void setCOIIntroPage();
    void setLinealPage();
    void setMatrixConfigPage();
    void setCOIConfigPage();
    void setPolyIntroPage();
    void setNumberOfMatrixPointsOnMap(int n);
    void setNumberOfCOIPointsOnMap(int n);
    void setLinealPoint1(QPointF p);
    void setLinealPoint2(QPointF p, double distance);
    void setMatrixAreaQM(double a);
    void setPolygonAreaQM(double a);
    void wpV1reachedPos();
    void wpV1Finished();
    void wpV1Sending();
    void wpV1Flying(int);
    void wpV1reachedPos20m();
    void wpV1Pilotaborted();
    void setChanges(bool on);
    void updatePixelRes();
    void wpFinished(int n);
    void wpcEditingFinished();
    void setAbsoluteHeight(double);
    void setRelativeHeight(double h);
    void setFlighttime(ushort t);
    void setVelocity(double);
    void polygonFinishedClicked();
    void lmFinishedClicked();
    void poly3added();
    void setLineMatrixIntroPage();
    void generateLMMatrixClicked();
    void relativeValues(QList<int> waypointnr);
    void aciNavigationStatus(ZEPH_MSG_NAVIGATION_STATUS);
    void setCurrentPosition(double longitude, double latitude);
    void setHomePosition(double lon, double lat);
    void setHomeDistance(double dist);
    void onWpDataChanged(int wp);
    void approxTime(double sec);
    void setWaypointUploadStatus(int a, int b, int c);
    void setWaypointFlightStatus(bool started);
    void setPM(QStandardItem *item);
    void setCoiPoint1(QPointF p);
    void setCoiPoint2(double r);

private slots:
    void wpcMaxSpeedChanged(int);
    void wpcV3SpeedChanged(double);
    void wpcNumberChanged(int);
    void wpcTimeatwpChanged(double);
    void wpcPosaccChanged(double);
    void wpcYawChanged(double);
    void wpcHeightChanged(double);
    void wpcCamanglenickChanged(double);
    void wpcNopicturesChanged(int);
    void wpcV3LastPointChanged(int);
    void wpcDesiredAccChanged(double newNr);
    void wpcHeadingInFlightDirectionChanged(bool state);
    void wpcActiveChanged(bool);
    void wpcTriggerCamChanged(bool);
    void wpcShowCamAngleChanged(bool);
    void wpcWPTypeChanged(int);
    void wpcDefaultButtonClicked();
    void currentCameraChanged(QString name);
    void setNumberOfPOIs(int);
    void wpcHeadingChanged(int);
    void setHeadingOnMapClicked();
    void mcPreviewClicked();
    void setmcApplyDisabled();
    void mcHeightChanged(double h);
    void mcPixResChanged(double res);
    void genStartclicked();
    void stopV1Fly();
    void coiPreviewClicked();
    void applyCoiClicked();
    void pcCoverVChanged(int);
    void pcPreviewClicked();
    void setpcApplyDisabled();
    void pcHeightChanged(double h);
    void pcPixResChanged(double res);
    void lineMatrixFinishClicked();
    void lmHeightChanged(double a);
    void lmPixResChanged(double res);
    QPointF calcLonLatInMeters(double meter_lon, double meter_lat, double refLat);
    void setSelectedWP2Zephrin();
    void setSelectetWP2Steerwise();
    void stopWPChecked(bool on);
    void calibrateGasSensor();

private:
    QWidget *createGeneralStatusWid();
    QWidget *createWaypointConfigWid();
    QWidget *createMatrixIntroWid();
    QWidget *createMatrixConfigWid();
    QWidget *createPMWid();
    QWidget *createLinealWid();
    QWidget *createCOIIntroWid();
    QWidget *createCOIConfigWid();
    QWidget *createPolygonIntroWid();
    QWidget *createPolygonConfigWid();
    QWidget *createLineMatrixIntroWid();
    QWidget *createLineMatrixConfig();
    QWidget *createDifferentTypesWid();
    // Converts the selected waypoints with convert, then shows and reports them.
    void convertSelection(void (*convert)(WPData &, const QList<int> &));
    void wpcLayoutForType(int type);
    void setMatrixPixResRange();
    void setPolygonPixResRange();
    void calcPolygonSpeed();
    void calcLineMatrixSpeed();
    void setHeightMin();
    void setMaxCover();
    void restoreStyles();
    QList<int> oncePerRun() const;
    bool applying(const char *slot, const QString &arg);

    WPData *m_data;
    QSettings *m_settings;
    QStackedWidget *m_stack = nullptr;
    Camera m_camera;
    QList<int> m_selection;
    int m_wpShown = 1;
    bool m_refresh = true;
    bool m_changes = true;
    int m_flyStatus = 0;
    int m_flightFirst = 1;  // the waypoint the running flight started at
    bool m_homeKnown = false;
    double m_homeLon = 0, m_homeLat = 0;
    int m_missingMatrixPoints = 4;
    QString m_intStyle, m_doubleStyle, m_headingStyle;
    GasSensor m_gasSensor;
    StatusWidgets s{};
    WaypointWidgets w{};
    GeneratorWidgets g{};
    // Rows of the waypoint page shown or hidden by type.
    QList<QWidget *> m_steerwiseRows, m_zephrinOnlyRows, m_coiRows, m_velocityRows,
        m_timeRows, m_pitchRows;
    QWidget *m_numberLabel = nullptr;
};
