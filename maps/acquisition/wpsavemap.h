#pragma once
// Names and stores a map just captured with the snapshot dialog.
#include <QDialog>
#include <QImage>

#include "core/mapdescription.h"

class NewMapForm;
class QDialogButtonBox;

class WPSaveMap : public QDialog
{
    Q_OBJECT
public:
    explicit WPSaveMap(QWidget *parent = nullptr);
    ~WPSaveMap() override;

    void setMap(const QImage &image, const MapDescription &mapData);
    // Full path of the stored map image once stored; empty before.
    QString getMapName() const { return m_mapPath; }

    NewMapForm *form() const { return m_form; }

public slots:
    void okayclicked();

private:
    NewMapForm *m_form = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    QString m_mapPath;
};
