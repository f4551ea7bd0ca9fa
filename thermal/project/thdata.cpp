#include "thermal/project/thdata.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "atomicfile/atomicfile.h"
#include "thermal/araheader.h"
#include "thermal/project/thermalpaths.h"
#include "thermal/project/thprojectfile.h"

THData::THData(QObject *parent) : QObject(parent)
{
    qDebug() << "[THData] Constructor";
}

THData::~THData()
{
    qDeleteAll(pointLists);
    for (QList<QRectF *> *rects : qAsConst(rectLists)) {
        qDeleteAll(*rects);
        delete rects;
    }
}

void THData::appendImage(const QString &fileName, bool on, int min, int max, int type)
{
    imageFileNames << fileName;
    secondFileNames << QString();
    enabled << on;
    scaleMin << min;
    scaleMax << max;
    measurementType << type;
    pointLists << new THDataPointList;
    rectLists << new QList<QRectF *>;
    reportTitles << QString();
    reportTexts << QString();
}

int THData::openProject(const QString &name)
{
    qDebug().noquote() << QStringLiteral("[THData] openProject %1").arg(name);
    const QString path = ThermalPaths::projectFilePath(name);
    projectName = name;
    if (!QFileInfo::exists(path))
        return 1;
    THProjectFileContent content;
    const THProjectFile::Status status = THProjectFile::readFile(path, &content);
    if (status != THProjectFile::Ok) {
        qWarning().noquote() << QStringLiteral("[THData] openProject %1: %2")
                                    .arg(path, THProjectFile::statusText(status));
        return 2;
    }
    projectFile = path;
    imageFolder = ThermalPaths::imageFolderPath(name);
    for (const THImageRecord &img : qAsConst(content.images)) {
        appendImage(img.fileName, img.enabled, img.scaleMin, img.scaleMax, img.measurementType);
        secondFileNames.last() = img.secondFileName;
        *pointLists.last() = img.points;
        for (const QRectF &r : img.rects)
            rectLists.last()->append(new QRectF(r));
        reportTitles.last() = img.reportTitle;
        reportTexts.last() = img.reportText;
    }
    return 100;
}

bool THData::saveCurrentProject(QString *error)
{
    qDebug() << "[THData] saveCurrentProject";
    THProjectFileContent content;
    content.written = QDateTime::currentDateTime();
    content.secondCount = imageCount();
    for (int i = 0; i < imageCount(); ++i) {
        THImageRecord img;
        img.fileName = imageFileNames.value(i);
        img.secondFileName = secondFileNames.value(i);
        img.enabled = enabled.value(i, true);
        img.scaleMin = scaleMin.value(i);
        img.scaleMax = scaleMax.value(i);
        img.measurementType = measurementType.value(i);
        if (THDataPointList *p = pointLists.value(i))
            img.points = *p;
        if (QList<QRectF *> *rects = rectLists.value(i))
            for (const QRectF *r : qAsConst(*rects))
                img.rects << *r;
        img.reportTitle = reportTitles.value(i);
        img.reportText = reportTexts.value(i);
        content.images << img;
    }
    QString failure = QStringLiteral("the project has no file");
    if (!projectFile.isEmpty()) {
        QString reason;
        if (AtomicFile::write(
                projectFile, [&](QIODevice &device) { return THProjectFile::write(device, content); },
                &reason))
            return true;
        failure = AtomicFile::describe(projectFile, reason);
    }
    qWarning().noquote() << "[THData] saveCurrentProject" << failure;
    if (error)
        *error = failure;
    return false;
}

void THData::removeCurrentIndex()
{
    qDebug().noquote() << QStringLiteral("[THData] removeCurrentIndex %1").arg(currentIndex);
    if (!hasCurrent())
        return;
    const int i = currentIndex;
    const QString file = imagePath(i);
    imageFileNames.removeAt(i);
    secondFileNames.removeAt(i);
    enabled.removeAt(i);
    scaleMin.removeAt(i);
    scaleMax.removeAt(i);
    measurementType.removeAt(i);
    delete pointLists.takeAt(i);
    QList<QRectF *> *rects = rectLists.takeAt(i);
    qDeleteAll(*rects);
    delete rects;
    reportTitles.removeAt(i);
    reportTexts.removeAt(i);
    QFile::remove(file);
}

QString THData::imagePath(int index) const
{
    return imageFolder + QDir::separator() + imageFileNames.value(index);
}

QString THData::getDateTimeString(int index) const
{
    qDebug().noquote() << QStringLiteral("[THData] getDateTimeString %1").arg(index);
    if (index < 0 || index >= imageCount())
        return QString();
    QFile file(imagePath(index));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const AraHeader header(file.read(AraHeader::blockSize));
    const int ms = int(header.gpsTimeOfWeek());
    return QDateTime(gpsWeekToDate(header.gpsWeek(), ms), gpsMsToTime(ms))
        .toString(QStringLiteral("yyyy-MM-dd hh:mm"));
}

void THData::applyCurrentScaleToAll()
{
    const int min = hasCurrent() ? scaleMin[currentIndex] : 0;
    const int max = hasCurrent() ? scaleMax[currentIndex] : 0;
    for (int i = 0; i < imageCount(); ++i) {
        scaleMin[i] = min;
        scaleMax[i] = max;
    }
}

void THData::setCurrentIndex(int index)
{
    currentIndex = index;
}

void THData::setCurrentImageRawData(const QByteArray &raw, const QSize &size)
{
    qDebug().noquote() << QStringLiteral("[THData] setCurrentImageRawData %1").arg(raw.size());
    currentRawData = raw;
    currentImageSize = size;
}

void THData::setCurrentMeasurementType(int type)
{
    if (hasCurrent())
        measurementType[currentIndex] = type;
}

QString THData::currentReportTitle() const
{
    return hasCurrent() ? reportTitles[currentIndex] : QString();
}

QString THData::currentReportText() const
{
    return hasCurrent() ? reportTexts[currentIndex] : QString();
}

void THData::setCurrentReportTitle(const QString &title)
{
    if (hasCurrent())
        reportTitles[currentIndex] = title;
}

void THData::setCurrentReportText(const QString &text)
{
    if (hasCurrent())
        reportTexts[currentIndex] = text;
}

THDataPointList *THData::currentPointList() const
{
    return hasCurrent() ? pointLists[currentIndex] : nullptr;
}

QList<QRectF *> *THData::currentRectList() const
{
    return hasCurrent() ? rectLists[currentIndex] : nullptr;
}

int THData::addRect(QPointF corner1, QPointF corner2)
{
    QList<QRectF *> *rects = currentRectList();
    if (!rects)
        return 0;
    rects->append(new QRectF(QRectF(corner1, corner2).normalized()));
    return rects->size();
}

void THData::removeRect(int number)
{
    QList<QRectF *> *rects = currentRectList();
    if (!rects || number < 1 || number > rects->size())
        return;
    delete rects->takeAt(number - 1);
}

void THData::minmaxUpdated(QPoint minmax)
{
    if (!hasCurrent())
        return;
    scaleMin[currentIndex] = minmax.x();
    scaleMax[currentIndex] = minmax.y();
}

void THData::pointValuesChanged(int id, QPointF newKoord, double newValue, int orient)
{
    qDebug() << "[THData] pointValuesChanged" << id;
    if (THDataPointList *p = currentPointList())
        p->changeFullPoint(id, newKoord, orient, newValue);
}

void THData::newPointAdded(int id, QPointF koord, double value, int orient)
{
    qDebug() << "[THData] newPointAdded" << id;
    if (THDataPointList *p = currentPointList())
        p->appendFullPoint(id, koord, orient, value);
}

void THData::orientChanged(int id, int orient)
{
    qDebug() << "[THData] orientChanged" << id;
    if (THDataPointList *p = currentPointList())
        p->changeOrient(id, orient);
}

void THData::idNumberChanged(int oldId, int newId)
{
    qDebug() << "[THData] idNumberChanged" << oldId << newId;
    if (THDataPointList *p = currentPointList())
        p->changeID(oldId, newId);
}

void THData::pointDeleted(int id)
{
    qDebug() << "[THData] pointDeleted" << id;
    if (THDataPointList *p = currentPointList())
        p->deletePoint(id);
}
