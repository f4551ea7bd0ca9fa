#include "phototagger/ptdata.h"

#include <QDebug>
#include <QFile>
#include <QMutexLocker>

#include "atomicfile/atomicfile.h"
#include "phototagger/ptprojectmerge.h"

PTData::PTData(QObject *parent) : QObject(parent)
{
    qDebug() << "[PTData] Constructor";
}

PTData::~PTData() = default;

QString PTData::getProjectPath() const { return PTProjectFile::projectFolder(m_projectName); }

QString PTData::photoPath(const QString &imageName) const
{
    return getProjectPath() + QLatin1Char('/') + imageName;
}

int PTData::loadProject(const QString &name)
{
    qDebug() << "[PTData] loadProject " << name;
    // A merge cut off before ends first: the project is read whole.
    PTProjectMerge::finishInterrupted();
    m_imageNames.clear();
    clear();
    m_projectName = name;
    m_projectFile = PTProjectFile::projectFilePath(name);
    m_error.clear();

    PTProjectContent content;
    const PTProjectFile::Status status = PTProjectFile::load(m_projectFile, content, &m_error);
    switch (status) {
    case PTProjectFile::Status::CannotOpen:
        qDebug() << "[PTData] loadProject ERROR opening project";
        m_loadStatus = CannotOpen;
        return 0;
    case PTProjectFile::Status::ForeignOrDamaged:
        qDebug() << "[PTData] loadProject foreign or damaged file:" << m_error;
        m_loadStatus = ForeignOrDamaged;
        return -1;
    case PTProjectFile::Status::UnknownVersion:
        m_loadStatus = UnknownVersion;
        break;
    case PTProjectFile::Status::Ok:
        m_loadStatus = Loaded;
        m_imageType = content.imageType;
        for (const PTTag &t : qAsConst(content.tags))
            appendTag(t);
        break;
    }
    qDebug() << QStringLiteral("[PTData] loadProject return version %1").arg(content.version);
    return content.version;
}

bool PTData::updateZPTFile()
{
    qDebug() << "[PTData] updateZPTFile";
    if (m_loadStatus != Loaded) {
        m_error = QStringLiteral("the project was not loaded");
        qDebug() << "[PTData] updateZPTFile refused:" << m_error;
        return false;
    }
    m_error.clear();
    QString reason;
    if (!PTProjectFile::save(m_projectFile, m_imageType, tags(), &reason)) {
        m_error = AtomicFile::describe(m_projectFile, reason);
        qDebug() << "[PTData] updateZPTFile failed:" << m_error;
        return false;
    }
    qDebug() << "[PTData] updateZPTFile finished";
    return true;
}

bool PTData::removeImgDataFromProject(int i)
{
    qDebug() << "[PTData] removeImgDataFromProject";
    const QString image = getImageName(i);
    if (image.isEmpty())
        return true;
    m_imageNames[i] = QString();
    if (!updateZPTFile()) {
        m_imageNames[i] = image;  // the file still names it, so keep the photo
        return false;
    }
    QFile::remove(photoPath(PTProjectFile::previewName(image, m_imageType)));
    QFile::remove(photoPath(image));
    qDebug() << "[PTData] removeImgDataFromProject finished";
    return true;
}

QString PTData::getTimeText(int i) const
{
    return m_time.at(i).toString(QStringLiteral("yyyy-MM-dd  hh:mm:ss"));
}

QString PTData::getImageName(int i) const
{
    return i >= 0 && i < m_imageNames.size() ? m_imageNames.at(i) : QString();
}

QString PTData::getHeightText(int i) const
{
    return QString::number(m_relHeight.at(i), 'g', 6) + QLatin1Char('m');
}

QString PTData::getPitchText(int i) const
{
    return QString::number(m_pitch.at(i), 'g', 6) + QChar(0x00B0);
}

QString PTData::getRollText(int i) const
{
    return QString::number(m_roll.at(i), 'g', 6) + QChar(0x00B0);
}

QString PTData::getYawText(int i) const
{
    return QString::number(m_yaw.at(i), 'g', 6) + QChar(0x00B0);
}

double PTData::exportHeight(int i) const
{
    return m_absoluteHeight ? m_absHeight.at(i) : m_relHeight.at(i) + m_heightOffset;
}

bool PTData::isExported(int i) const
{
    return !getImageName(i).isEmpty() && i < m_enabled.size() && m_enabled.at(i);
}

PTTag PTData::tag(int i) const
{
    PTTag t;
    t.imageName = getImageName(i);
    t.latitude = m_latitude.at(i);
    t.longitude = m_longitude.at(i);
    t.relativeHeight = m_relHeight.at(i);
    t.absoluteHeight = m_absHeight.at(i);
    t.pitch = m_pitch.at(i);
    t.roll = m_roll.at(i);
    t.yaw = m_yaw.at(i);
    t.time = m_time.at(i);
    t.tagValue = m_tagValue.at(i);
    t.enabled = m_enabled.at(i);
    return t;
}

QVector<PTTag> PTData::tags() const
{
    QVector<PTTag> list;
    list.reserve(m_latitude.size());
    for (int i = 0; i < m_latitude.size(); ++i)
        list.append(tag(i));
    return list;
}

void PTData::appendTag(const PTTag &t)
{
    // Names may be short after clear(); keep them in step with the tags.
    const int index = m_latitude.size();
    while (m_imageNames.size() < index)
        m_imageNames.append(QString());
    if (m_imageNames.size() == index)
        m_imageNames.append(t.imageName);
    else
        m_imageNames[index] = t.imageName;
    m_latitude.append(t.latitude);
    m_longitude.append(t.longitude);
    m_relHeight.append(t.relativeHeight);
    m_absHeight.append(t.absoluteHeight);
    m_pitch.append(t.pitch);
    m_roll.append(t.roll);
    m_yaw.append(t.yaw);
    m_time.append(t.time);
    m_tagValue.append(t.tagValue);
    m_enabled.append(t.enabled);
}

void PTData::swapImages(int i, int j)
{
    while (m_imageNames.size() <= qMax(i, j))
        m_imageNames.append(QString());
    m_imageNames.swapItemsAt(i, j);
}

void PTData::clearImageNames()
{
    m_imageNames.clear();
    addEmptyImages();
}

void PTData::addEmptyImages()
{
    qDebug() << "[PTData] addEmptyImages";
    for (int i = 0; i < m_latitude.size(); ++i)
        m_imageNames.append(QString());
}

void PTData::clear()
{
    m_latitude.clear();
    m_longitude.clear();
    m_relHeight.clear();
    m_absHeight.clear();
    m_pitch.clear();
    m_roll.clear();
    m_yaw.clear();
    m_time.clear();
    m_tagValue.clear();
    m_enabled.clear();
}

double PTData::rationalToDouble(const QString &text)
{
    if (text.contains(QLatin1Char('/'))) {
        const QStringList parts = text.split(QLatin1Char('/'));
        bool okA = false, okB = false;
        const double a = parts.value(0).trimmed().toDouble(&okA);
        const double b = parts.value(1).trimmed().toDouble(&okB);
        if (!okB || b == 0.0)
            return 0.0;
        return okA ? a / b : 0.0;
    }
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok ? v : 0.0;
}

void PTData::cancelop()
{
    qDebug() << "[PTData] cancelop";
    QMutexLocker lock(&m_mutex);
    m_cancel = true;
}

bool PTData::isCancelled() const
{
    QMutexLocker lock(&m_mutex);
    return m_cancel;
}

void PTData::clearCancel()
{
    QMutexLocker lock(&m_mutex);
    m_cancel = false;
}
