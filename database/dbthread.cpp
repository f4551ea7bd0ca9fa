#include "database/dbthread.h"

#include <QDebug>
#include <QImageReader>
#include <QMutexLocker>

DBThread::DBThread(QObject *parent) : QThread(parent)
{
    qDebug() << "[DBThread] Constructor";
    qRegisterMetaType<MapDescription>();  // sent to the page by a queued signal
}

DBThread::~DBThread()
{
    {
        QMutexLocker lock(&m_mutex);
        m_stop = true;
        m_job = 0;
    }
    wait();
}

void DBThread::loadMap(const QString &name, const QString &path)
{
    qDebug().noquote() << QStringLiteral("[DBThread] loadMap %1").arg(name);
    emit loadingDone(0);
    {
        QMutexLocker lock(&m_mutex);
        m_path = path;
    }
    setWidgetState(1);
    // A running load picks the new request up when it ends. A loader that
    // has already decided to end may not have finished yet, and start()
    // would do nothing then: wait for it and start again.
    bool idle;
    {
        QMutexLocker lock(&m_mutex);
        idle = !m_running;
        m_running = true;
    }
    if (idle) {
        wait();
        start(QThread::InheritPriority);
    }
}

void DBThread::setWidgetState(int state)
{
    qDebug().noquote() << QStringLiteral("[DBThread] setWidgetState %1").arg(state);
    QMutexLocker lock(&m_mutex);
    m_job = state;
}

QImage DBThread::preview(const QImage &image)
{
    if (image.isNull())
        return image;
    QImage scaled = image.scaledToHeight(360, Qt::FastTransformation);
    if (scaled.width() > 600)
        scaled = scaled.scaledToWidth(600, Qt::FastTransformation);
    return scaled;
}

void DBThread::run()
{
    qDebug() << "[DBThread] run";
    for (;;) {
        QString path;
        {
            QMutexLocker lock(&m_mutex);
            if (m_job != 1 || m_stop) {
                m_running = false;
                return;
            }
            m_job = 0;
            path = m_path;
        }
        doMapLoading(path);
    }
}

void DBThread::doMapLoading(const QString &path)
{
    qDebug() << "[DBThread] doMapLoading";
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const QImage image = reader.read();
    // The whole image is read: the header-only text reader simplifies blanks.
    const QString record = image.text(QLatin1String(MapDescription::TextKey));
    const MapDescription description =
        record.isEmpty() ? MapDescription() : MapDescription::parse(record);
    // Without a record the page still shows the map's name, with "-" for
    // what is missing.
    if (description.isEmpty())
        emit errorLoading(1);
    emit mapPixMapResized(preview(image));
    emit mapSetMapData(description);
    emit loadingDone(2);
}
