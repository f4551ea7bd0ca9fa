#pragma once
// The widget-free steps of the photo-tagger creation job: reading triggers
// and photos, sorting, copying matched photos, thumbnails and the project
// file. Each step returns the result code the job's dialog understands.
#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// One row per camera trigger, in the order read.
struct PTTriggerTable
{
    QVector<double> latitude;
    QVector<double> longitude;
    QVector<double> relativeHeight;
    QVector<double> absoluteHeight;
    QVector<double> pitch;
    QVector<double> roll;
    QVector<double> yaw;
    QVector<QDateTime> time;
    QVector<int> tagValue;
    QVector<bool> enabled;

    int count() const { return time.size(); }
    void clear() { *this = PTTriggerTable(); }
    QVector<qint64> timesMs() const;
};

// One row per image file of the photo folder.
struct PTPhotoTable
{
    QStringList fileName;
    QVector<QDateTime> time;
    QVector<int> accuracy;  // 1 EXIF capture time, 4 file time

    int count() const { return fileName.size(); }
    void clear() { *this = PTPhotoTable(); }
    QVector<qint64> timesMs() const;
};

namespace PTSteps {

using CancelCheck = std::function<bool()>;
using Progress = std::function<void(int current, int total)>;

enum ImageType { Jpeg = 0, Tiff = 1, Arw = 2 };

// GPS milliseconds (since 1980-01-06) as a UTC time, no leap seconds.
QDateTime gpsTimeToUtc(qint64 gpsMs);

// Triggers of the log folder at path. Returns the number read, 0 when
// cancelled, -3 when the folder holds no log, -1 for any other reader error.
int readLogTriggers(const QString &logFolder, PTTriggerTable &table, const CancelCheck &cancel = {});

// Triggers of a project file. Returns the rows read, -1 when the file
// cannot be opened.
int readProjectTriggers(const QString &projectFile, PTTriggerTable &table);

// Name patterns of an image type (matched without regard to case).
QStringList imagePatterns(int imageType);

// Capture time of one image: EXIF first, else the file time (birth time,
// or the modification time where the file system keeps no birth time).
QDateTime captureTime(const QString &path, int *accuracy);

// Every matching file of the folder (by name). Returns the number of files;
// 0 when none, when the folder cannot be read, or when cancelled.
int readPhotos(const QString &folder, int imageType, PTPhotoTable &table, const CancelCheck &cancel = {},
               const Progress &progress = {});

// Oldest first; equal times keep their order. Stops when cancelled.
void sortPhotos(PTPhotoTable &table, const CancelCheck &cancel = {});

// One file name per trigger from the photo index per trigger (-1: none).
QStringList matchedNames(const QVector<int> &assignment, const PTPhotoTable &photos);

// Copies the named photos into the project folder. removeOldPhotos first
// deletes the JPEG and TIFF files there (photos and thumbnails of an earlier
// set). *changed tells whether anything in the folder was touched.
// Returns 1, -1 (folder not made), -2 (a photo not copied) or 0 (cancelled);
// on failure *error holds "<file>: <reason>". A copy appears whole or not at
// all and never replaces a file.
int copyPhotos(const QString &photoFolder, const QString &projectFolder, const QStringList &names,
               bool removeOldPhotos, const CancelCheck &cancel = {}, const Progress &progress = {},
               bool *changed = nullptr, QString *error = nullptr);

// Thumbnail file name of a photo, empty for types without thumbnails.
QString thumbName(const QString &photoName, int imageType);
// Returns 1, -1 (a TIFF not read), -2 (a thumbnail not saved) or 0. The
// photos are done on threads (all cores for threads 0); the first failure in
// name order decides the result and gives *error ("<file>: <reason>").
int makeThumbnails(const QString &projectFolder, const QStringList &names, int imageType,
                   const CancelCheck &cancel = {}, const Progress &progress = {}, int threads = 0,
                   QString *error = nullptr);

// Writes the project file (version 120) atomically; names may be empty
// (no photos). Returns 1, -1 (folder not made), -2 (file not written) or 0;
// on failure *error holds "<file>: <reason>".
int writeProject(const QString &projectFolder, const QString &name, int imageType, const PTTriggerTable &triggers,
                 const QStringList &names, const CancelCheck &cancel = {}, QString *error = nullptr);

}  // namespace PTSteps
