#pragma once
// One open thermal project: the images (ARA copies in the project's
// "thermal_images" folder) with their enabled flags, scale limits,
// measurement types, points, rectangles and report texts. Lists are
// parallel: index i of each describes image i.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QStringList>

#include "thermal/thdatapointlist.h"

class THData : public QObject
{
    Q_OBJECT
public:
    explicit THData(QObject *parent = nullptr);
    ~THData() override;

    // 1 no project file, 2 it cannot be read (missing, foreign, damaged or
    // of an unknown version: nothing is loaded, so no save overwrites it),
    // 100 read.
    int openProject(const QString &name);
    // Rewrites the project file atomically; false (and the old file kept)
    // when it cannot be written, with "<file>: <reason>" in *error.
    bool saveCurrentProject(QString *error = nullptr);
    void removeCurrentIndex();
    QString imagePath(int index) const;
    QString getDateTimeString(int index) const;
    void applyCurrentScaleToAll();

    int imageCount() const { return imageFileNames.size(); }
    bool hasCurrent() const { return currentIndex >= 0 && currentIndex < imageCount(); }
    void setCurrentIndex(int index);
    void setCurrentImageRawData(const QByteArray &raw, const QSize &size);
    void setCurrentMeasurementType(int type);
    QString currentReportTitle() const;
    QString currentReportText() const;
    void setCurrentReportTitle(const QString &title);
    void setCurrentReportText(const QString &text);
    THDataPointList *currentPointList() const;
    QList<QRectF *> *currentRectList() const;
    int addRect(QPointF corner1, QPointF corner2);
    void removeRect(int number);

    // One image appended to every list (used by the reader and tests).
    void appendImage(const QString &fileName, bool enabled, int scaleMin, int scaleMax, int type);

public slots:
    void minmaxUpdated(QPoint minmax);
    void pointValuesChanged(int id, QPointF newKoord, double newValue, int orient);
    void newPointAdded(int id, QPointF koord, double value, int orient);
    void orientChanged(int id, int orient);
    void idNumberChanged(int oldId, int newId);
    void pointDeleted(int id);

public:
    QString projectFile;
    QString projectName;
    QStringList secondFileNames;
    QString secondFolder;
    QStringList imageFileNames;
    QString imageFolder;
    QList<bool> enabled;
    QList<int> scaleMin;
    QList<int> scaleMax;
    QList<int> measurementType;
    int currentIndex = -1;
    QList<THDataPointList *> pointLists;
    QList<QList<QRectF *> *> rectLists;
    QStringList reportTitles;
    QStringList reportTexts;
    QByteArray currentRawData;
    QSize currentImageSize;
};
