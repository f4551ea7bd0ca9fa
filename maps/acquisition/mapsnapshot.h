#pragma once
// Full-screen window in which the user frames an area of the online map and
// captures it as a geo-referenced image.
#include <QDialog>
#include <QImage>
#include <QList>
#include <QPointF>

#include "core/mapdescription.h"

class QAction;
class QToolBar;
class MapPage;

class MapSnapshot : public QDialog
{
    Q_OBJECT
public:
    // With useGivenPosition false the map starts at the last map position.
    MapSnapshot(bool useGivenPosition, double longitude, double latitude,
                QWidget *parent = nullptr);
    ~MapSnapshot() override;

    bool isSaved() const { return m_saved; }
    QImage getImage() const;
    // Corners, centre and size of the capture (no name or source yet);
    // empty until saved.
    MapDescription getMapData() const { return m_mapData; }

    MapPage *webMap() const { return m_webMap; }
    QWidget *view() const { return m_view; }

    // "lon, lat" text of the page as two numbers (unreadable parts are 0).
    static QPointF parseLonLat(const QString &text);
    // Corners, centre and size from the five positions (top-left,
    // top-right, bottom-left, bottom-right, centre); empty unless five.
    static MapDescription geoReference(const QList<QPointF> &lonLat);

    void reject() override;

public slots:
    void savedclicked();
    void gotoclicked();

private:
    QToolBar *m_toolBar = nullptr;
    QAction *m_saveAction = nullptr;
    QAction *m_gotoAction = nullptr;
    QAction *m_closeAction = nullptr;
    QWidget *m_view = nullptr;
    MapPage *m_webMap = nullptr;
    QImage m_image;
    MapDescription m_mapData;
    bool m_saved = false;
    bool m_busy = false;
};
