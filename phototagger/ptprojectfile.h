#pragma once
// The photo-tagger project file (".zpt"): one reader and one writer shared by
// the model, the creation job, the database page and the merge.
//
// Layout: a QDataStream at stream version 12 (Qt 4.6), big-endian. Head:
// QString magic, qint32 version (100, 110, 120), qint32 image type (120 on),
// qint32 count; then count records: QString name, doubles latitude,
// longitude, relative height, absolute height (not in 100), pitch, roll, yaw,
// QDateTime time, qint32 tag value, qint8 enabled. Writers write 120.
#include <QDateTime>
#include <QString>
#include <QVector>

class QIODevice;

// Image types of a project; stored as the header's qint32.
enum PTImageType : int { PTImageJpeg = 0, PTImageTiff = 1, PTImageArw = 2 };

struct PTTag {
    QString imageName;  // file name in the project folder; empty: no photo
    double latitude = 0.0;
    double longitude = 0.0;
    double relativeHeight = 0.0;
    double absoluteHeight = 0.0;
    double pitch = 0.0;
    double roll = 0.0;
    double yaw = 0.0;
    QDateTime time;
    int tagValue = 1;
    bool enabled = true;

    bool operator==(const PTTag &o) const;
    bool operator!=(const PTTag &o) const { return !(*this == o); }
};

struct PTProjectContent {
    int version = 0;    // as read; 120 for everything written
    int imageType = PTImageJpeg;
    QVector<PTTag> tags;
};

namespace PTProjectFile {

constexpr int CurrentVersion = 120;
QString magic();  // "KorvelTarvendelPhotoTaggerFile"

enum class Status {
    Ok,
    CannotOpen,        // the file cannot be opened for reading
    ForeignOrDamaged,  // wrong magic, early end, bad count or values
    UnknownVersion,    // a version this program does not read; no tags
};

// Reads a whole project. On anything but Ok the tags stay empty; with
// UnknownVersion, content.version holds the version found.
Status read(QIODevice &device, PTProjectContent &content, QString *error = nullptr);
Status load(const QString &path, PTProjectContent &content, QString *error = nullptr);

// Writes version 120. write() reports a stream failure; save() replaces the
// file atomically and leaves the old one as it was on failure.
bool write(QIODevice &device, int imageType, const QVector<PTTag> &tags);
bool save(const QString &path, int imageType, const QVector<PTTag> &tags,
          QString *error = nullptr);

// Image type from the first non-empty photo name (".arw" 2, ".tif"/".tiff"
// 1, else 0); fallback when every name is empty.
int imageTypeFromNames(const QVector<PTTag> &tags, int fallback);

// Folder layout of a project below the workspace's aircraft data folder.
QString projectsFolder();                   // <harlekSD>/phototagger
QString projectFolder(const QString &name); // <harlekSD>/phototagger/<name>
QString projectFilePath(const QString &name);
// Preview of a photo: "thumb_" + file name in JPEG projects, "thumb_" + name
// without its extension + ".jpg" in TIFF and ARW projects.
QString previewName(const QString &imageName, int imageType);

}  // namespace PTProjectFile
