#pragma once
// Loads a stored map's preview and description record off the GUI thread
// for the database window's map page.
#include <QImage>
#include <QMutex>
#include <QString>
#include <QThread>

#include "core/mapdescription.h"

class DBThread : public QThread
{
    Q_OBJECT
public:
    explicit DBThread(QObject *parent = nullptr);
    ~DBThread() override;

    // GUI thread. name is the map item, path its stored image. A request
    // made while a load runs is served when that load ends; only the latest
    // one counts.
    void loadMap(const QString &name, const QString &path);
    void setWidgetState(int state);

    // A preview fits 600 x 360, scaled to 360 high first.
    static QImage preview(const QImage &image);

signals:
    void mapPixMapResized(const QImage &image);
    void mapSetMapData(const MapDescription &record);
    void loadingDone(int stackwid);
    void errorLoading(int state);

protected:
    void run() override;

private:
    void doMapLoading(const QString &path);

    QMutex m_mutex;
    int m_job = 0;
    QString m_path;
    bool m_stop = false;
    bool m_running = false;  // run() has not yet decided to end
};
