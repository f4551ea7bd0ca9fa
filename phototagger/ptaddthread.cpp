#include "phototagger/ptaddthread.h"

#include <QDebug>
#include <QDir>

#include "phototagger/ptdata.h"

PTAddThread::PTAddThread(PTData *data, QObject *parent) : QThread(parent), m_data(data) {}

void PTAddThread::setFiles(const QStringList &files, int position)
{
    qDebug() << QStringLiteral("[PTAddThread] setFiles %1").arg(files.size());
    m_files = files;
    m_position = position;
}

void PTAddThread::run()
{
    if (m_mode == Idle) {
        msleep(500);
        return;
    }
    if (m_mode != Adding)
        return;
    const int n = m_files.size();
    for (int i = 0; i < n; ++i) {
        if (isInterruptionRequested())
            return;
        emit files(i, n);
        const QString path = QDir::fromNativeSeparators(m_files.at(i));
        bool known = false;
        for (int t = 0; t < m_data->getCount() && !known; ++t) {
            const QString name = m_data->getImageName(t);
            known = !name.isEmpty() && path.endsWith(QLatin1Char('/') + name);
        }
        if (known)
            continue;
        // A refused position is used up all the same.
        QString error;
        if (!m_data->addImage(path, m_position++, &error) && !error.isEmpty())
            m_errors << error;
    }
    emit files(n, n);
}
