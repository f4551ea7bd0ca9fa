#pragma once
// The database page of one stored map: preview, description fields, rename,
// delete, new flight plan and archive export.
#include <QImage>
#include <QWidget>

#include "core/mapdescription.h"

class QLabel;
class QPushButton;
class QToolButton;

class DBMaps : public QWidget
{
    Q_OBJECT
public:
    explicit DBMaps(QWidget *parent = nullptr);

    // The map item the page acts on: its name and stored file.
    void setFile(const QString &name, const QString &path);
    QString name() const;
    QString path() const { return m_path; }

    QLabel *previewLabel() const { return m_preview; }
    QLabel *value(int i) const { return m_values[i]; }  // name, source, lon, lat, width, height
    QPushButton *renameButton() const { return m_rename; }
    QPushButton *deleteButton() const { return m_delete; }
    QToolButton *newFlightPlanButton() const { return m_newFP; }
    QToolButton *exportButton() const { return m_export; }

signals:
    void mapDeleted(const QString &name);
    void mapRenamed(const QString &oldname, const QString &newname);
    void openMap(const QString &path);
    void updateDB();

public slots:
    void setMap(const QImage &image);
    void setMapData(const MapDescription &record);
    void newFPClicked();

private slots:
    void deleteClicked();
    void renameClicked();
    void exportToZPX();

private:
    QLabel *m_preview;
    QLabel *m_values[6];
    QPushButton *m_rename;
    QPushButton *m_delete;
    QToolButton *m_newFP;
    QToolButton *m_export;
    QString m_path;
};
