#include "phototagger/creation/ptmerge.h"

#include "core/data.h"

#include <QDebug>
#include <QDir>
#include <QMutexLocker>

PTMerge::PTMerge(QObject *parent) : QThread(parent) {}

PTMerge::~PTMerge()
{
    canceled();
    wait();
}

void PTMerge::canceled()
{
    QMutexLocker lock(&m_mutex);
    m_cancel = 1;
}

bool PTMerge::isCanceled() const
{
    QMutexLocker lock(&m_mutex);
    return m_cancel != 0;
}

QString PTMerge::projectFolder() const
{
    return QDir::toNativeSeparators(Data::instance()->photoTaggerPath() + QLatin1Char('/') + m_name);
}

void PTMerge::begin(int mode)
{
    m_mode = mode;
    start(QThread::InheritPriority);
}

void PTMerge::setImageType(int imageType) { m_imageType = imageType; begin(Wait); }
void PTMerge::readLogData(const QString &logName) { m_name = logName; begin(ReadLog); }
void PTMerge::readImageData(const QString &photoFolder, int imageType)
{
    m_photoFolder = photoFolder;
    m_imageType = imageType;
    begin(ReadImages);
}
void PTMerge::sortData() { begin(Sort); }
void PTMerge::configDetection() { begin(Configure); }
void PTMerge::fastDetection() { begin(Fast); }
void PTMerge::deepDetection() { begin(Deep0); }
void PTMerge::mergeMoreImages(int missing) { begin(Deep0 + qBound(1, missing, 3)); }
void PTMerge::copyImages(int job) { m_copyJob = job; begin(Copy); }
void PTMerge::createThumbs() { begin(Thumbs); }
void PTMerge::createProject() { begin(CreateProject); }
void PTMerge::readLogDataFromZTE(const QString &projectName) { m_name = projectName; begin(ReadProject); }

void PTMerge::run()
{
    const PTSteps::CancelCheck cancel = [this] { return isCanceled(); };
    auto progress = [this](void (PTMerge::*signal)(int, int)) {
        return [this, signal](int current, int total) { emit (this->*signal)(current, total); };
    };
    m_error.clear();
    switch (m_mode) {
    case Wait:
        for (int i = 0; i < 10 && !cancel(); ++i)
            msleep(50);
        break;
    case ReadLog:
        m_result = PTSteps::readLogTriggers(
            QDir::toNativeSeparators(Data::instance()->logsPath() + QLatin1Char('/') + m_name), m_triggers, cancel);
        break;
    case ReadProject:
        qDebug() << "[PTMerge] threadReadLogDataFromZTE " << m_name;
        m_result = PTSteps::readProjectTriggers(projectFolder() + QDir::separator() + m_name + QStringLiteral(".zpt"),
                                                m_triggers);
        break;
    case ReadImages:
        m_photos.clear();
        m_result = PTSteps::readPhotos(m_photoFolder, m_imageType, m_photos, cancel, progress(&PTMerge::imgData));
        break;
    case Sort:
        PTSteps::sortPhotos(m_photos, cancel);
        m_matching.setTriggerTimes(m_triggers.timesMs());
        m_matching.setPhotoTimes(m_photos.timesMs(), m_photos.accuracy);
        break;
    case Configure:
        m_result = m_matching.configure(cancel, progress(&PTMerge::configDet));
        break;
    case Fast:
        m_result = m_matching.fastDetection(cancel, progress(&PTMerge::detFast)) ? 1 : 0;
        break;
    case Deep0:
        m_result = m_matching.deepDetection(cancel, progress(&PTMerge::detDeep0)) ? 1 : 0;
        break;
    case Deep1:
    case Deep2:
    case Deep3: {
        static void (PTMerge::*const deepSignals[])(int, int) = {&PTMerge::detDeep1, &PTMerge::detDeep2,
                                                            &PTMerge::detDeep3};
        const int k = m_mode - Deep0;
        m_result = m_matching.mergeMoreImages(k, cancel, progress(deepSignals[k - 1])) ? 1 : 0;
        break;
    }
    case Copy: {
        if (m_matching.bestOffset() >= 0)
            m_names = PTSteps::matchedNames(m_matching.assignment(), m_photos);
        bool changed = false;
        m_result = PTSteps::copyPhotos(m_photoFolder, projectFolder(), m_names, m_copyJob == 2, cancel,
                                       progress(&PTMerge::copyFiles), &changed, &m_error);
        m_filesChanged = m_filesChanged || changed;
        break;
    }
    case Thumbs:
        m_result = PTSteps::makeThumbnails(projectFolder(), m_names, m_imageType, cancel, progress(&PTMerge::thumb),
                                           0, &m_error);
        break;
    case CreateProject:
        m_result = PTSteps::writeProject(projectFolder(), m_name, m_imageType, m_triggers,
                                         m_matching.bestOffset() >= 0 ? m_names : QStringList(), cancel,
                                         &m_error);
        break;
    default:
        break;
    }
}
