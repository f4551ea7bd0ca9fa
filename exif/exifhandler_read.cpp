// Reading half of ExifHandler: loading a file and the getters.
#include "exif/exifhandler.h"

#include <QDir>
#include <QFile>

#include <exiv2/error.hpp>
#include <exiv2/exif.hpp>
#include <exiv2/image.hpp>

ExifHandler::ExifHandler(const QString &path)
    : QObject(nullptr)
    , m_exif(new Exiv2::ExifData)
{
    initializeLibrary();
    loadExif(path);
}

bool ExifHandler::loadExif(const QString &path)
{
    const QString nativePath = QDir::toNativeSeparators(path);
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(QFile::encodeName(nativePath).toStdString());
        if (!image.get()) {
            qCDebug(lcExifHandler) << "loadExif: " << nativePath << " could not be read.";
            return false;
        }
        // A damaged file throws here; the held set stays as it was.
        image->readMetadata();
        *m_exif = image->exifData();
    } catch (const Exiv2::AnyError &e) {
        qCDebug(lcExifHandler) << "loadExif: " << e.what();
        return false;
    } catch (const std::exception &e) {
        qCDebug(lcExifHandler) << "loadExif: " << e.what();
        return false;
    }
    if (m_exif->empty()) {
        qCDebug(lcExifHandler) << "loadExif: " << nativePath << " has no EXIF data.";
        return false;
    }
    return true;
}

const Exiv2::Value &ExifHandler::findKey(const std::string &key) const
{
    const Exiv2::ExifKey exifKey(key);
    const auto it = m_exif->findKey(exifKey);
    if (it == m_exif->end())
        throw Exiv2::Error(Exiv2::kerErrorMessage, "No such key " + key);
    return it->value();
}

QString ExifHandler::textOf(const char *key) const
{
    QString text;
    try {
        text = QString::fromStdString(findKey(key).toString());
    } catch (const Exiv2::AnyError &e) {
        qCDebug(lcExifHandler) << e.what();
    }
    return text;
}

QString ExifHandler::textOf(const char *imageKey, const char *photoKey) const
{
    // The photo directory wins; the image directory is the fallback.
    QString text;
    try {
        text = QString::fromStdString(findKey(imageKey).toString());
    } catch (const Exiv2::AnyError &e) {
        qCDebug(lcExifHandler) << e.what();
    }
    try {
        text = QString::fromStdString(findKey(photoKey).toString());
    } catch (const Exiv2::AnyError &e) {
        qCDebug(lcExifHandler) << e.what();
    }
    return text;
}

QString ExifHandler::getDateTimeOriginalString() const
{
    return textOf("Exif.Photo.DateTimeOriginal");
}

QDateTime ExifHandler::getDateTimeOriginal() const
{
    QDateTime result;
    try {
        const QString text = QString::fromStdString(findKey("Exif.Photo.DateTimeOriginal").toString());
        result = QDateTime::fromString(text, QStringLiteral("yyyy:MM:dd hh:mm:ss"));
    } catch (const Exiv2::AnyError &e) {
        qCDebug(lcExifHandler) << e.what();
    }
    return result;
}

QString ExifHandler::getExposureTime() const
{
    return textOf("Exif.Image.ExposureTime", "Exif.Photo.ExposureTime");
}

QString ExifHandler::getFNumber() const
{
    return textOf("Exif.Image.FNumber", "Exif.Photo.FNumber");
}

QString ExifHandler::getFocalLength() const
{
    return textOf("Exif.Image.FocalLength", "Exif.Photo.FocalLength");
}

QString ExifHandler::getFocalLength35mm() const
{
    return textOf("Exif.Photo.FocalLengthIn35mmFilm");
}

QSize ExifHandler::getImageSize() const
{
    QSize size;
    try {
        const long width = findKey("Exif.Photo.PixelXDimension").toLong(0);
        const long height = findKey("Exif.Photo.PixelYDimension").toLong(0);
        size = QSize(static_cast<int>(width), static_cast<int>(height));
    } catch (const Exiv2::AnyError &e) {
        qCDebug(lcExifHandler) << e.what();
    }
    return size;
}

QString ExifHandler::getMake() const
{
    return textOf("Exif.Image.Make");
}

QString ExifHandler::getModel() const
{
    return textOf("Exif.Image.Model");
}

QString ExifHandler::getOrientation() const
{
    return textOf("Exif.Image.Orientation");
}
