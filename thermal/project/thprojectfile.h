#pragma once
// The thermal project file ".zth": a QDataStream (version 12, big-endian)
// with the magic, the file version, the time of writing, two counts and one
// record per image. One bounded reader serves every place that reads it: it
// checks the magic and the version, stops on a stream error or an early end
// and holds every count and string length to the bytes left.
#include <QDateTime>
#include <QList>
#include <QRectF>
#include <QString>

#include "thermal/thdatapointlist.h"

class QIODevice;

struct THImageRecord {
    QString fileName;
    QString secondFileName;
    bool enabled = true;
    qint32 scaleMin = 0;
    qint32 scaleMax = 0;
    qint32 measurementType = 0;
    THDataPointList points;
    QList<QRectF> rects;
    QString reportTitle;
    QString reportText;
};

struct THProjectFileContent {
    qint32 version = 3;
    QDateTime written;
    qint32 secondCount = 0;
    QList<THImageRecord> images;
};

namespace THProjectFile {

extern const char *const magic;  // "KorvelTarvendelThermalFile"

enum Status { Ok, CannotOpen, BadMagic, UnknownVersion, Damaged };

Status read(QIODevice &device, THProjectFileContent *content);
Status readFile(const QString &path, THProjectFileContent *content);
// Only the header: version, time of writing and image count.
Status readSummary(const QString &path, THProjectFileContent *content);
QString statusText(Status status);

// Writes version 3 with the given second count; point values are truncated
// toward zero.
bool write(QIODevice &device, const THProjectFileContent &content);

}  // namespace THProjectFile
