#include "core/mappage.h"

#include <QObject>
#include <QWidget>

#include "core/programmodule.h"

namespace {

MapViewMaker g_maker = nullptr;

// Stands in when the web module is missing: the windows still work, without map.
class NoMapPage : public QObject, public MapPage
{
public:
    using QObject::QObject;
    QObject *pageObject() override { return this; }
    void open(const QUrl &) override {}
    void runScript(const QString &) override {}
    void gotoLatLon(double, double) override {}
    void addPin(double, double) override {}
    void addPathPoints(const QVector<GeoPoint> &) override {}
    void drawPath() override {}
    void cleanMarkers() override {}
    void clearPath() override {}
    void hideToolbar() override {}
    QString getLatLonFromPixel(double, double) override { return QString(); }
    bool waitForFrame(int) override { return false; }
    QImage viewImage() const override { return QImage(); }
};

MapViewMaker loadModule()
{
    MapViewMaker maker = nullptr;
    QString errors;
    const bool found = loadProgramModule(QStringLiteral("korvel_webmap"), [&](QLibrary &library) {
        using Entry = MapViewMaker (*)();
        const auto entry = reinterpret_cast<Entry>(library.resolve("korvel_map_view_maker"));
        maker = entry ? entry() : nullptr;
        return maker != nullptr;
    }, &errors);
    if (!found)
        qWarning("maps are off, their module did not load:%s", qPrintable(errors));
    return found ? maker : nullptr;
}

}  // namespace

void setMapViewMaker(MapViewMaker maker)
{
    g_maker = maker;
}

MapView makeMapView(QWidget *parent)
{
    static bool tried = false;
    if (!g_maker && !tried) {
        tried = true;
        g_maker = loadModule();
    }
    if (g_maker)
        return g_maker(parent);
    MapView none;
    none.view = new QWidget(parent);
    none.page = new NoMapPage(none.view);
    return none;
}
