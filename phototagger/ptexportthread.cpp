#include "phototagger/ptexportthread.h"

#include <QDebug>
#include <QFileInfo>

#include "phototagger/ptdata.h"

PTExportThread::PTExportThread(PTData *data, QObject *parent) : QThread(parent), m_data(data)
{
    qDebug() << "[PTThread] Constructor";
    connect(m_data, &PTData::copyFile, this, &PTExportThread::copyFile);
    connect(m_data, &PTData::progress, this, &PTExportThread::progress);
}

PTExportThread::~PTExportThread()
{
    wait();
}

void PTExportThread::setParameters(const QString &fileName, const QString &separator,
                                   bool copyImages, int projectType)
{
    m_fileName = fileName;
    m_separator = separator;
    m_copyImages = copyImages;
    m_projectType = projectType;
}

void PTExportThread::startMode(int mode)
{
    m_mode = mode;
    start(QThread::InheritPriority);
}

void PTExportThread::createCSVFile()
{
    qDebug() << "[PTThread] createCSVFile";
    startMode(Csv);
}

void PTExportThread::createPhotoScanFile()
{
    qDebug() << "[PTThread] createPhotoScanFile";
    startMode(PhotoScan);
}

void PTExportThread::createPix4dFile()
{
    qDebug() << "[PTThread] createPix4dFile";
    startMode(Pix4d);
}

void PTExportThread::copyImages() { startMode(CopyImages); }

void PTExportThread::run()
{
    qDebug() << "[PTExportThread] run";
    switch (m_mode) {
    case Pause:
        msleep(500);
        break;
    case Csv:
        m_result = m_data->createCSVFile(m_fileName, m_separator);
        m_writeError = m_data->writeError();
        break;
    case PhotoScan:
        m_result = m_data->createPhotoScanFile(m_fileName, m_copyImages, m_projectType);
        m_writeError = m_data->writeError();
        break;
    case Pix4d:
        m_result = m_data->createPix4dFile(m_fileName);
        m_writeError = m_data->writeError();
        break;
    case CopyImages:
        m_failed.clear();
        m_reasons.clear();
        m_data->copyFiles(QFileInfo(m_fileName).absolutePath(), &m_failed, PTData::CopyStep(),
                          &m_reasons);
        break;
    default:
        break;
    }
    qDebug() << "[PTExportThread] run stopped";
}
