#pragma once
// EXIF tag set of one image file, read and written through Exiv2.
//
// The writing half (exifhandler.cpp) is also compiled into Radiconv; the
// reading half lives in exifhandler_read.cpp and is only in korvel_exif.
#include <QByteArray>
#include <QDateTime>
#include <QLoggingCategory>
#include <QObject>
#include <QSize>
#include <QString>

#include <memory>
#include <string>

namespace Exiv2 {
class ExifData;
class Value;
}

Q_DECLARE_LOGGING_CATEGORY(lcExifHandler)

class ExifHandler : public QObject {
    Q_OBJECT
public:
    // Loads the file; the result of the load is dropped.
    explicit ExifHandler(const QString &path);
    explicit ExifHandler(QObject *parent = nullptr);
    ~ExifHandler() override;

    // Exiv2's XMP parser must be set up once before threads use the library.
    // Every constructor calls this; programs may call it early as well.
    static void initializeLibrary();

    void clear();
    bool loadExif(const QString &path);
    // Writes the set into the file at path: the bytes are tagged in memory
    // and replace the file in one step, so a kill or a full disk leaves the
    // old file. On failure *error (when given) holds "<file>: <reason>".
    bool saveExif(const QString &path, QString *error = nullptr);
    // Writes the set into an image held in memory (the whole file's bytes),
    // so a new file can be written once with its tags.
    bool saveExif(QByteArray &imageData);

    // Getters (reading half)
    QString getDateTimeOriginalString() const;
    QDateTime getDateTimeOriginal() const;
    QString getExposureTime() const;
    QString getFNumber() const;
    QString getFocalLength() const;
    QString getFocalLength35mm() const;
    QSize getImageSize() const;
    QString getMake() const;
    QString getModel() const;
    QString getOrientation() const;

    // Setters (writing half)
    void setDateTime(const QDateTime &t);
    void setDateTimeOriginal(const QDateTime &t);
    void setGPSDateTimeStamp(const QDateTime &t);
    void setGPSAltitude(double metres);
    void setImageSize(const QSize &size);
    void setGPSLatLon(double latitude, double longitude);
    void setGPSLonLat(double longitude, double latitude);
    void setMake(const QString &text);
    void setModel(const QString &text);
    void setSoftware(const QString &text);
    void setGPSMapDatum();
    void setCameraPitch(double degrees);
    void setCameraRoll(double degrees);
    void setGPSImgDirection(double degrees);

    static void decimalToDegMinSec(double value, int &degrees, int &minutes, double &seconds);

private:
    // Throws Exiv2::Error "No such key <key>" when the set lacks the key.
    const Exiv2::Value &findKey(const std::string &key) const;
    QString textOf(const char *key) const;
    QString textOf(const char *imageKey, const char *photoKey) const;

    // Held through a pointer only to keep Exiv2's headers out of every user.
    std::unique_ptr<Exiv2::ExifData> m_exif;
};
