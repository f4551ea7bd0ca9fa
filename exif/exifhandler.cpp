// Writing half of ExifHandler: construction, clearing, saving and the setters.
#include "exif/exifhandler.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "atomicfile/atomicfile.h"

#include <exiv2/error.hpp>
#include <exiv2/exif.hpp>
#include <exiv2/image.hpp>
#include <exiv2/xmp_exiv2.hpp>

#include <cmath>
#include <cstdio>
#include <mutex>

Q_LOGGING_CATEGORY(lcExifHandler, "tarvendel.exifHandler")

namespace {

// Every entry is given an explicit value object so that its EXIF type is the
// one we choose, whatever type an entry loaded from the file had.
void assign(Exiv2::ExifData &data, const char *key, const Exiv2::Value &value)
{
    data[key].setValue(&value);
}

// EXIF's "YYYY:MM:DD" and "YYYY:MM:DD HH:MM:SS", written by hand: formatting
// through QDateTime::toString goes through the locale, whose first use from
// several converting threads at once could give an empty text.
std::string exifDate(const QDate &d)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d", d.year(), d.month(), d.day());
    return text;
}

std::string exifDateTime(const QDateTime &t)
{
    const QTime time = t.time();
    char text[12];
    std::snprintf(text, sizeof text, " %02d:%02d:%02d", time.hour(), time.minute(), time.second());
    return exifDate(t.date()) + text;
}

void assignText(Exiv2::ExifData &data, const char *key, const std::string &text)
{
    const Exiv2::AsciiValue value(text);
    assign(data, key, value);
}

void assignLong(Exiv2::ExifData &data, const char *key, int32_t number)
{
    Exiv2::LongValue value;  // SLONG
    value.value_.push_back(number);
    assign(data, key, value);
}

void assignRational(Exiv2::ExifData &data, const char *key, const Exiv2::Rational &r)
{
    Exiv2::RationalValue value;  // SRATIONAL
    value.value_.push_back(r);
    assign(data, key, value);
}

void assignURationals(Exiv2::ExifData &data, const char *key,
                      std::initializer_list<Exiv2::URational> list)
{
    Exiv2::URationalValue value;  // RATIONAL
    for (const Exiv2::URational &r : list)
        value.value_.push_back(r);
    assign(data, key, value);
}

// Degrees/1, minutes/1, seconds kept to 1/10000 (truncated) of a non-negative angle.
void assignDegMinSec(Exiv2::ExifData &data, const char *key, double angle)
{
    int deg = 0, min = 0;
    double sec = 0.0;
    ExifHandler::decimalToDegMinSec(angle, deg, min, sec);
    assignURationals(data, key,
                     {Exiv2::URational(static_cast<uint32_t>(deg), 1),
                      Exiv2::URational(static_cast<uint32_t>(min), 1),
                      Exiv2::URational(static_cast<uint32_t>(std::trunc(sec * 10000.0)), 10000)});
}

// Hundredths of a degree, truncated toward zero.
Exiv2::Rational hundredths(double degrees)
{
    return Exiv2::Rational(static_cast<int32_t>(std::trunc(degrees * 100.0)), 100);
}

void logError(const std::exception &e)
{
    qCDebug(lcExifHandler) << e.what();
}

}  // namespace

void ExifHandler::initializeLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { Exiv2::XmpParser::initialize(); });
}

ExifHandler::ExifHandler(QObject *parent)
    : QObject(parent)
    , m_exif(new Exiv2::ExifData)
{
    initializeLibrary();
}

ExifHandler::~ExifHandler() = default;

void ExifHandler::clear()
{
    m_exif->clear();
}

bool ExifHandler::saveExif(const QString &path, QString *error)
{
    auto fail = [&](const QString &reason) {
        qCDebug(lcExifHandler) << "saveExif Could not write file" << path << reason;
        if (error)
            *error = AtomicFile::describe(path, reason);
        return false;
    };
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return fail(in.errorString());
    QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return fail(in.errorString());
    in.close();
    if (!saveExif(bytes))
        return fail(QStringLiteral("its EXIF tags could not be written"));
    // The door keeps a link and refuses a file the user may not write.
    QString reason;
    if (!AtomicFile::write(path, bytes, &reason))
        return fail(reason);
    return true;
}

bool ExifHandler::saveExif(QByteArray &imageData)
{
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte *>(imageData.constData()), long(imageData.size()));
        if (!image.get()) {
            qCDebug(lcExifHandler) << "saveExif Could not open image data";
            return false;
        }
        image->setExifData(*m_exif);
        image->writeMetadata();
        Exiv2::BasicIo &io = image->io();
        const long size = long(io.size());
        if (io.open() != 0)
            return false;
        QByteArray result(int(size), Qt::Uninitialized);
        const long got = io.read(reinterpret_cast<Exiv2::byte *>(result.data()), size);
        io.close();
        if (got != size)
            return false;
        imageData = result;
        return true;
    } catch (const Exiv2::AnyError &e) {
        qCDebug(lcExifHandler) << "saveExif Could not write image data" << e.what();
    } catch (const std::exception &e) {
        qCDebug(lcExifHandler) << "saveExif Could not write image data" << e.what();
    }
    return false;
}

void ExifHandler::decimalToDegMinSec(double value, int &degrees, int &minutes, double &seconds)
{
    double integral = 0.0;
    const double fraction = std::modf(value, &integral);
    degrees = static_cast<int>(integral);
    const double g = std::fabs(fraction) * 60.0;
    double wholeMinutes = 0.0;
    const double minuteFraction = std::modf(g, &wholeMinutes);
    minutes = static_cast<int>(wholeMinutes);
    seconds = minuteFraction * 60.0;
}

void ExifHandler::setDateTime(const QDateTime &t)
{
    try {
        assignText(*m_exif, "Exif.Image.DateTime", exifDateTime(t));
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
}

void ExifHandler::setDateTimeOriginal(const QDateTime &t)
{
    try {
        assignText(*m_exif, "Exif.Photo.DateTimeOriginal", exifDateTime(t));
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
}

void ExifHandler::setGPSDateTimeStamp(const QDateTime &t)
{
    // EXIF defines the GPS date and time stamps as UTC.
    const QDateTime utc = t.toUTC();
    try {
        assignText(*m_exif, "Exif.GPSInfo.GPSDateStamp", exifDate(utc.date()));
        const QTime time = utc.time();
        assignURationals(*m_exif, "Exif.GPSInfo.GPSTimeStamp",
                         {Exiv2::URational(static_cast<uint32_t>(time.hour()), 1),
                          Exiv2::URational(static_cast<uint32_t>(time.minute()), 1),
                          Exiv2::URational(static_cast<uint32_t>(time.second()), 1)});
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
}

void ExifHandler::setGPSAltitude(double metres)
{
    try {
        assignLong(*m_exif, "Exif.GPSInfo.GPSAltitudeRef", metres > 0 ? 0 : 1);
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
    try {
        assignRational(*m_exif, "Exif.GPSInfo.GPSAltitude",
                       Exiv2::floatToRationalCast(static_cast<float>(std::fabs(metres))));
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
}

void ExifHandler::setImageSize(const QSize &size)
{
    try {
        assignLong(*m_exif, "Exif.Photo.PixelXDimension", size.width());
        assignLong(*m_exif, "Exif.Photo.PixelYDimension", size.height());
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
}

void ExifHandler::setGPSLatLon(double latitude, double longitude)
{
    try {
        const char *ref = "N";
        if (latitude < 0) {
            ref = "S";
            latitude = -latitude;
        }
        assignText(*m_exif, "Exif.GPSInfo.GPSLatitudeRef", ref);
    } catch (const Exiv2::AnyError &e) {
        logError(e);
        latitude = std::fabs(latitude);
    }
    try {
        const char *ref = "E";
        if (longitude < 0) {
            ref = "W";
            longitude = -longitude;
        }
        assignText(*m_exif, "Exif.GPSInfo.GPSLongitudeRef", ref);
    } catch (const Exiv2::AnyError &e) {
        logError(e);
        longitude = std::fabs(longitude);
    }
    try {
        assignDegMinSec(*m_exif, "Exif.GPSInfo.GPSLatitude", latitude);
        assignDegMinSec(*m_exif, "Exif.GPSInfo.GPSLongitude", longitude);
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
}

void ExifHandler::setGPSLonLat(double longitude, double latitude)
{
    setGPSLatLon(latitude, longitude);
}

void ExifHandler::setMake(const QString &text)
{
    try {
        assignText(*m_exif, "Exif.Image.Make", text.toStdString());
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
}

void ExifHandler::setModel(const QString &text)
{
    try {
        assignText(*m_exif, "Exif.Image.Model", text.toStdString());
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
}

void ExifHandler::setSoftware(const QString &text)
{
    try {
        assignText(*m_exif, "Exif.Image.Software", text.toStdString());
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
}

void ExifHandler::setGPSMapDatum()
{
    try {
        assignText(*m_exif, "Exif.GPSInfo.GPSMapDatum", "WGS-84");
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
}

void ExifHandler::setCameraPitch(double degrees)
{
    try {
        assignRational(*m_exif, "Exif.GPSInfo.0xd000", hundredths(degrees));
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
}

void ExifHandler::setCameraRoll(double degrees)
{
    try {
        assignRational(*m_exif, "Exif.GPSInfo.0xd001", hundredths(degrees));
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
}

void ExifHandler::setGPSImgDirection(double degrees)
{
    try {
        assignText(*m_exif, "Exif.GPSInfo.GPSImgDirectionRef", "T");
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
    try {
        assignRational(*m_exif, "Exif.GPSInfo.GPSImgDirection", hundredths(degrees));
    } catch (const Exiv2::AnyError &e) {
        logError(e);
    }
}
