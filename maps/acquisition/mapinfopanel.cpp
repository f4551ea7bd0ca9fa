#include "maps/acquisition/mapinfopanel.h"

#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QVBoxLayout>

#include "core/data.h"

MapInfoPanel::MapInfoPanel(QWidget *parent) : QWidget(parent)
{
    auto *inner = new QWidget;
    auto *grid = new QGridLayout(inner);
    const QStringList captions = {tr("Preview:"), tr("Name:"), tr("Map Source:"),
                                  tr("Longitude:"), tr("Latitude:"), tr("Width:"),
                                  tr("Height:")};
    mapPreview = new QLabel;
    mapName = new QLabel(tr("Unknown"));
    mapSource = new QLabel(tr("Unknown"));
    mapLon = new QLabel(QStringLiteral("0.0"));
    mapLat = new QLabel(QStringLiteral("0.0"));
    mapWidth = new QLabel(QStringLiteral("0.0m"));
    mapHeight = new QLabel(QStringLiteral("0.0m"));
    const QList<QLabel *> values = {mapPreview, mapName, mapSource,
                                    mapLon, mapLat, mapWidth, mapHeight};
    for (int i = 0; i < values.size(); ++i) {
        const int row = i + 1;
        auto *caption = new QLabel(captions[i]);
        Qt::Alignment left = Qt::AlignLeft;
        Qt::Alignment right = Qt::AlignRight;
        if (row == 3 || row == 5) {
            left |= Qt::AlignTop;
            right |= Qt::AlignTop;
            grid->setRowMinimumHeight(row, 40);
        }
        grid->addWidget(caption, row, 0, left);
        grid->addWidget(values[i], row, 1, right);
    }
    auto *scroll = new QScrollArea;
    scroll->setStyleSheet(QStringLiteral("QScrollArea { border-style: none; }"));
    scroll->setWidgetResizable(true);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(460);
    scroll->setWidget(inner);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}

QPixmap MapInfoPanel::previewOf(const QImage &image)
{
    if (image.isNull())
        return QPixmap();
    QImage scaled = image.scaledToWidth(300, Qt::FastTransformation);
    if (scaled.height() > 300)
        scaled = scaled.scaledToHeight(300, Qt::FastTransformation);
    return QPixmap::fromImage(scaled);
}

QString MapInfoPanel::sizeText(double metres)
{
    if (metres > 10000.0)
        return tr("over 10km");
    return QString::number(metres, 'g', 6) + 'm';
}

void MapInfoPanel::showRecord(const MapDescription &record)
{
    const QImage image(Data::instance()->orthoMapPath() + QDir::separator() + record.name() +
                       ".jpg");
    mapPreview->setPixmap(previewOf(image));
    mapName->setText(record.name());
    mapSource->setText(record.source());
    mapLon->setText(record.fieldText(MapDescription::CentreLon));
    mapLat->setText(record.fieldText(MapDescription::CentreLat));
    mapWidth->setText(record.fieldText(MapDescription::Width) + 'm');
    mapHeight->setText(record.fieldText(MapDescription::Height) + 'm');
}
