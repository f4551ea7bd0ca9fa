#pragma once
// The page behind every embedded online map: turns map operations into
// script calls on the map page (coordinates longitude first, 12 decimals).
#include <QImage>
#include <QString>
#include <QVector>
#include <QWebEnginePage>

#include "core/geo.h"
#include "core/mappage.h"

class WebMap : public QWebEnginePage, public MapPage
{
    Q_OBJECT
public:
    explicit WebMap(QObject *parent = nullptr);
    ~WebMap() override;

    // A web view showing a new map page (the maker behind makeMapView).
    static MapView makeView(QWidget *parent);

    QObject *pageObject() override { return this; }
    void open(const QUrl &url) override { setUrl(url); }
    void runScript(const QString &script) override { runJavaScript(script); }

    // View pixel to coordinates: "lon, lat" (blanks around the numbers
    // possible). Waits for the page in a nested event loop; empty when the
    // page gave no usable answer within replyTimeout().
    QString getLatLonFromPixel(double x, double y) override;

    // The view rendered into an ARGB32 image of its size (null without view).
    QImage viewImage() const override;
    // Waits (nested event loop, at most timeoutMs) until the page has drawn
    // what the scripts run so far changed and the view shows it, so that
    // viewImage() holds the page as it is now; after hideToolbar() also until
    // the view no longer looks as it did before. False on time-out.
    bool waitForFrame(int timeoutMs = 2000) override;

    // How long getLatLonFromPixel waits for the page (ms).
    static int replyTimeout();
    static void setReplyTimeout(int ms);

    // Script texts, as run on the page.
    static QString pointScript(const QString &function, double latitude, double longitude);
    static QString pixelScript(double x, double y);
    // One script of addPathPoint calls for the points, in their order.
    static QString pathPointsScript(const QVector<GeoPoint> &points);
    // A reply of the page's getLatLonFromPixel as "lon, lat" text: the form
    // "LatLng(lat, lon)" is turned around, anything else is kept.
    static QString normalizeReply(const QString &reply);

signals:
    void coords(const QString &lonLat);

public slots:
    void gotoLatLon(double latitude, double longitude) override;
    void addPin(double latitude, double longitude) override;
    void addPathPoint(double latitude, double longitude);
    // Like addPathPoint for each point, in few round trips to the page.
    void addPathPoints(const QVector<GeoPoint> &points) override;
    void drawPath() override;
    void cleanMarkers() override;
    void clearPath() override;
    void hideToolbar() override;

private:
    QImage m_beforeHide;  // the view before the last hideToolbar(), until waitForFrame
};
