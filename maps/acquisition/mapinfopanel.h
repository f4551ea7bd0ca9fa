#pragma once
// Preview and description of one stored map (name, source, centre, size),
// shown beside the map lists of the new-flight-plan and choose-map dialogs.
#include <QImage>
#include <QWidget>

#include "core/mapdescription.h"

class QLabel;

class MapInfoPanel : public QWidget
{
    Q_OBJECT
public:
    explicit MapInfoPanel(QWidget *parent = nullptr);

    // Name, source, centre and size as the record holds them (fields it
    // lacks show empty); the preview is the stored map of the record's name.
    void showRecord(const MapDescription &record);

    // The image scaled to 300 pixels wide and, when then taller, 300 high.
    static QPixmap previewOf(const QImage &image);
    // Metres as shown to the user: "over 10km" above 10000 m.
    static QString sizeText(double metres);

    QLabel *mapPreview = nullptr;
    QLabel *mapName = nullptr;
    QLabel *mapSource = nullptr;
    QLabel *mapLon = nullptr;
    QLabel *mapLat = nullptr;
    QLabel *mapWidth = nullptr;
    QLabel *mapHeight = nullptr;
};
