#pragma once
// Names a freshly captured map and stores it: the capture's preview and
// values, the name field and the checks before the map is written. Used by
// the new-flight-plan dialog's new-map page and by the save-map dialog.
#include <QImage>
#include <QWidget>

#include "core/mapdescription.h"

class QLabel;
class QLineEdit;

class NewMapForm : public QWidget
{
    Q_OBJECT
public:
    // hint: the text under the name field.
    NewMapForm(const QString &hint, QWidget *parent = nullptr);

    // Shows the capture: corners, centre and size from the snapshot dialog.
    void setMap(const QImage &image, const MapDescription &mapData);
    QImage image() const { return m_image; }
    MapDescription mapData() const { return m_mapData; }

    // Stores the capture under the typed name: refuses an empty name and a
    // name whose map file exists (existsText) and reports a failed write,
    // each with a message. Returns the stored map's path, empty when nothing
    // was stored. The caller rebuilds the map index.
    QString store(const QString &existsText);

    QLineEdit *nameEdit = nullptr;
    QLabel *preview = nullptr;
    QLabel *lonLabel = nullptr;
    QLabel *latLabel = nullptr;
    QLabel *widthLabel = nullptr;
    QLabel *heightLabel = nullptr;

signals:
    void returnPressed();

private:
    QImage m_image;
    MapDescription m_mapData;
};
