#pragma once
// An embedded online map and the page on it. The web engine that draws it
// lives in a module loaded the first time a map is shown, so the program
// starts without it.
#include <QImage>
#include <QString>
#include <QUrl>
#include <QVector>

#include "core/geo.h"

class QObject;
class QWidget;

class MapPage
{
public:
    virtual ~MapPage() = default;

    // The page as an object (for queued calls and its signals); never null.
    virtual QObject *pageObject() = 0;
    virtual void open(const QUrl &url) = 0;
    virtual void runScript(const QString &script) = 0;

    virtual void gotoLatLon(double latitude, double longitude) = 0;
    virtual void addPin(double latitude, double longitude) = 0;
    virtual void addPathPoints(const QVector<GeoPoint> &points) = 0;
    virtual void drawPath() = 0;
    virtual void cleanMarkers() = 0;
    virtual void clearPath() = 0;
    virtual void hideToolbar() = 0;

    // View pixel to "lon, lat"; empty when the page gave no usable answer.
    virtual QString getLatLonFromPixel(double x, double y) = 0;
    virtual bool waitForFrame(int timeoutMs = 2000) = 0;
    virtual QImage viewImage() const = 0;
};

struct MapView
{
    QWidget *view = nullptr;  // owns the page
    MapPage *page = nullptr;
};

using MapViewMaker = MapView (*)(QWidget *parent);

// Used instead of loading the module (by programs that link the map page).
void setMapViewMaker(MapViewMaker maker);

// A view showing a map page. Loads the web module on first use; without it
// the view stays empty and the page does nothing (one warning in the log).
MapView makeMapView(QWidget *parent);
