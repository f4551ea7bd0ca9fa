// Photogrammetry exports: the user CSV, Pix4D and Orbit text files, the
// PhotoScan archive and the ContextCapture BlocksExchange document.
#include <QBuffer>
#include <QDebug>
#include <QDir>
#include <QImageReader>
#include <QMatrix4x4>
#include <QMutexLocker>
#include <QXmlStreamWriter>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include "atomicfile/atomicfile.h"
#include "exif/exifhandler.h"
#include "phototagger/ptdata.h"

namespace {

QString num(double v, int digits) { return QString::number(v, 'g', digits); }

// 1.1500000000000000e+01 -> 1.1500000000000000e+001
QString expo(double v)
{
    QString s = QString::number(v, 'e', 16);
    s.replace(QLatin1String("e-"), QLatin1String("e-0"));
    s.replace(QLatin1String("e+"), QLatin1String("e+0"));
    return s;
}

QString fixed16(double v) { return QString::number(v == 0.0 ? 0.0 : v, 'f', 16); }

const char *const Wgs84Wkt =
    "GEOGCS[\"WGS 84\",DATUM[\"World Geodetic System 1984\",SPHEROID[\"WGS 84\",6378137,"
    "298.257223563,AUTHORITY[\"EPSG\",\"7030\"]],TOWGS84[0,0,0,0,0,0,0],AUTHORITY[\"EPSG\","
    "\"6326\"]],PRIMEM[\"Greenwich\",0,AUTHORITY[\"EPSG\",\"8901\"]],UNIT[\"degree\","
    "0.017453292519943,AUTHORITY[\"EPSG\",\"9102\"]],AUTHORITY[\"EPSG\",\"4326\"]]";

// A text export is written through the door: a failed write leaves no half
// file behind (and the old file as it was) and is reported with its reason.
class TextExport {
public:
    TextExport(const QString &path, QString *error) : m_file(path), m_error(error) {}
    bool open()
    {
        m_error->clear();
        if (m_file.open())
            return true;
        *m_error = AtomicFile::describe(m_file.path(), m_file.reason());
        return false;
    }
    void line(const QString &text)
    {
        const QByteArray bytes = text.toUtf8() + '\n';
        m_file.write(bytes);  // the first failure stays with the file
    }
    int finish()
    {
        if (m_file.commit())
            return PTData::Written;
        *m_error = AtomicFile::describe(m_file.path(), m_file.reason());
        return PTData::WriteFailed;
    }

private:
    AtomicFile::Writer m_file;
    QString *m_error;
};

}  // namespace

int PTData::createCSVFile(const QString &path, const QString &separator)
{
    qDebug() << QStringLiteral("[PTData] createCSVFile %1 %2 %3").arg(path, separator).arg(getCount());
    TextExport out(path, &m_writeError);
    if (!out.open())
        return OpenFailed;
    qDebug() << QStringLiteral("[PTData] createCSVFile img count %1").arg(m_imageNames.size());
    clearCancel();
    const QString &s = separator;
    out.line(QStringLiteral("Date Time") + s + QStringLiteral("Filename") + s
             + QStringLiteral("longitude [degree]") + s + QStringLiteral("latitude [degree]") + s
             + QStringLiteral("height [m]") + s + QStringLiteral("yaw [degree]") + s
             + QStringLiteral("pitch [degree]") + s + QStringLiteral("roll [degree]"));
    for (int i = 0; i < getCount(); ++i) {
        if (!isExported(i))
            continue;
        // The roll column is always 0: the tools reading this file expect it.
        out.line(m_time.at(i).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss.zzz")) + s
                 + getImageName(i) + s + num(m_longitude.at(i), 16) + s
                 + num(m_latitude.at(i), 16) + s + num(exportHeight(i), 5) + s
                 + num(m_yaw.at(i), 8) + s + num(m_pitch.at(i), 8) + s + QStringLiteral("0") + s);
    }
    return out.finish();
}

int PTData::createPix4dFile(const QString &path)
{
    qDebug() << QStringLiteral("[PTData] createPix4dFile %1 %2 %3").arg(path).arg(getCount()).arg(m_absoluteHeight);
    emit creatingPix4dfile();
    TextExport out(path, &m_writeError);
    if (!out.open())
        return OpenFailed;
    qDebug() << QStringLiteral("[PTData] createPix4dFile img count %1").arg(m_imageNames.size());
    clearCancel();
    const QLatin1Char b(' ');
    for (int i = 0; i < getCount(); ++i) {
        if (isCancelled()) {
            // What was written so far stays, as before.
            return out.finish() == Written ? Stopped : WriteFailed;
        }
        if (!isExported(i))
            continue;
        out.line(getImageName(i) + b + num(m_latitude.at(i), 16) + b + num(m_longitude.at(i), 16)
                 + b + num(exportHeight(i), 5) + b + num(m_roll.at(i), 8) + b
                 + num(m_pitch.at(i) + 90.0, 8) + b + num(m_yaw.at(i), 8));
    }
    return out.finish();
}

int PTData::createOrbitFile(const QString &path)
{
    qDebug() << QStringLiteral("[PTData] createOrbitFile %1 %2 %3").arg(path).arg(getCount()).arg(m_absoluteHeight);
    TextExport out(path, &m_writeError);
    if (!out.open())
        return OpenFailed;
    qDebug() << QStringLiteral("[PTData] createOrbitFile img count %1").arg(m_imageNames.size());
    const QLatin1Char b(' ');
    for (int i = 0; i < getCount(); ++i) {
        if (!isExported(i))
            continue;
        out.line(getImageName(i) + b + num(m_longitude.at(i), 16) + b + num(m_latitude.at(i), 16)
                 + b + num(exportHeight(i), 5) + b + num(-m_pitch.at(i), 8) + b
                 + num(m_roll.at(i), 8) + b + num(m_yaw.at(i), 8));
    }
    return out.finish();
}

int PTData::createPhotoScanFile(const QString &path, bool namesOnly, int pitchMode)
{
    qDebug() << "[PTData] createPhotoScanFile - " << path << (namesOnly ? 1 : 0);
    m_writeError.clear();
    // The archive is built in memory (doc.xml is small) and then replaces the
    // target in one step.
    QBuffer archive;
    QuaZip zip(&archive);
    const QString notMade = AtomicFile::describe(path, QStringLiteral("the archive could not be made"));
    if (!zip.open(QuaZip::mdCreate)) {
        m_writeError = notMade;
        return OpenFailed;
    }
    QuaZipFile entry(&zip);
    if (!entry.open(QIODevice::WriteOnly, QuaZipNewInfo(QStringLiteral("doc.xml")))) {
        zip.close();
        m_writeError = notMade;
        return Stopped;
    }

    QByteArray doc;
    QXmlStreamWriter w(&doc);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(2);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("document"));
    w.writeAttribute(QStringLiteral("version"), QStringLiteral("0.9.0"));
    w.writeStartElement(QStringLiteral("chunk"));
    w.writeAttribute(QStringLiteral("label"), QStringLiteral("Chunk 1"));
    w.writeAttribute(QStringLiteral("active"), QStringLiteral("true"));
    w.writeAttribute(QStringLiteral("enabled"), QStringLiteral("true"));
    w.writeStartElement(QStringLiteral("cameras"));

    auto property = [&w](const QString &name, const QString &value) {
        w.writeEmptyElement(QStringLiteral("property"));
        w.writeAttribute(QStringLiteral("name"), name);
        w.writeAttribute(QStringLiteral("value"), value);
    };

    const int n = m_imageNames.size();
    int id = 0;
    for (int i = 0; i < n; ++i) {
        emit progress(i, 2 * n);
        if (!isExported(i))
            continue;
        const QString image = getImageName(i);
        const QString file = photoPath(image);
        ExifHandler exif;
        exif.loadExif(file);
        QSize size = exif.getImageSize();
        qDebug() << "image: " << image << size << exif.getOrientation();
        if (size.isValid()) {
            qDebug() << "size from ExifHandler  : " << size;
        } else {
            size = QImageReader(file).size();
            if (!size.isValid())
                size = QSize(0, 0);
            qDebug() << "size from QImage : " << size;
        }
        w.writeStartElement(QStringLiteral("camera"));
        w.writeAttribute(QStringLiteral("id"), QString::number(id++));
        w.writeAttribute(QStringLiteral("label"), image);
        w.writeAttribute(QStringLiteral("enabled"), QStringLiteral("true"));
        w.writeEmptyElement(QStringLiteral("resolution"));
        w.writeAttribute(QStringLiteral("width"), QString::number(size.width()));
        w.writeAttribute(QStringLiteral("height"), QString::number(size.height()));
        w.writeStartElement(QStringLiteral("frames"));
        w.writeStartElement(QStringLiteral("frame"));
        w.writeEmptyElement(QStringLiteral("image"));
        w.writeAttribute(QStringLiteral("path"),
                         namesOnly ? image : getProjectPath() + QDir::separator() + image);
        w.writeStartElement(QStringLiteral("meta"));
        const QString date = exif.getDateTimeOriginalString();
        if (!date.isEmpty())
            property(QStringLiteral("date"), date);
        property(QStringLiteral("exposure"), num(rationalToDouble(exif.getExposureTime()), 6));
        property(QStringLiteral("flength"), num(rationalToDouble(exif.getFocalLength()), 6));
        property(QStringLiteral("flength35mm"),
                 num(rationalToDouble(exif.getFocalLength35mm()), 6));
        property(QStringLiteral("fnumber"), num(rationalToDouble(exif.getFNumber()), 6));
        if (!exif.getMake().isEmpty())
            property(QStringLiteral("make"), exif.getMake());
        if (!exif.getModel().isEmpty())
            property(QStringLiteral("model"), exif.getModel());
        if (!exif.getOrientation().isEmpty())
            property(QStringLiteral("orientation"), QStringLiteral("Top-left"));
        w.writeEndElement();  // meta
        w.writeEndElement();  // frame
        w.writeEndElement();  // frames
        w.writeEndElement();  // camera
    }
    w.writeEndElement();  // cameras

    w.writeStartElement(QStringLiteral("ground_control"));
    w.writeTextElement(QStringLiteral("reference"), QString::fromLatin1(Wgs84Wkt));
    qDebug() << QStringLiteral("[PTData] createPhotoScanFile img_filenames count: %1").arg(n);
    id = 0;
    for (int i = 0; i < n; ++i) {
        emit progress(n + i, 2 * n);
        if (!isExported(i))
            continue;
        const double pitch = pitchMode == 0 ? m_pitch.at(i) + 90.0 : 90.0 - m_pitch.at(i);
        w.writeEmptyElement(QStringLiteral("record"));
        w.writeAttribute(QStringLiteral("camera_id"), QString::number(id++));
        w.writeAttribute(QStringLiteral("enabled"), QStringLiteral("true"));
        w.writeAttribute(QStringLiteral("x"), expo(m_longitude.at(i)));
        w.writeAttribute(QStringLiteral("y"), expo(m_latitude.at(i)));
        w.writeAttribute(QStringLiteral("z"), expo(exportHeight(i)));
        w.writeAttribute(QStringLiteral("yaw"), expo(m_yaw.at(i)));
        w.writeAttribute(QStringLiteral("pitch"), expo(pitch));
        w.writeAttribute(QStringLiteral("roll"), expo(m_roll.at(i)));
    }
    w.writeStartElement(QStringLiteral("settings"));
    property(QStringLiteral("accuracy_cameras"), QStringLiteral("1.0000000000000000e+001"));
    property(QStringLiteral("accuracy_markers"), QStringLiteral("0.0050000000000000e+000"));
    property(QStringLiteral("accuracy_projections"), QStringLiteral("1.0000000000000001e-001"));
    w.writeEndElement();  // settings
    w.writeEndElement();  // ground_control
    w.writeStartElement(QStringLiteral("settings"));
    property(QStringLiteral("calibration_mode"), QStringLiteral("groups"));
    w.writeEndElement();  // settings
    w.writeEndElement();  // chunk
    w.writeEndElement();  // document
    w.writeEndDocument();

    const bool written = entry.write(doc) == doc.size();
    entry.close();
    const bool entryOk = written && entry.getZipError() == 0;
    zip.close();
    if (!entryOk || zip.getZipError() != 0) {
        m_writeError = notMade;
        return WriteFailed;
    }
    AtomicFile::Writer out(path);
    if (!out.open()) {
        m_writeError = AtomicFile::describe(path, out.reason());
        return OpenFailed;
    }
    out.write(archive.data());
    if (!out.commit()) {
        m_writeError = AtomicFile::describe(path, out.reason());
        qDebug() << "[PTData] createPhotoScanFile cannot write" << m_writeError;
        return WriteFailed;
    }
    return Written;
}

QByteArray PTData::createBlocksExchangeFile(const QString &imageFolder) const
{
    const QString folder = imageFolder.isEmpty() ? getProjectPath() : imageFolder;
    QByteArray doc;
    QXmlStreamWriter w(&doc);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("BlocksExchange"));
    w.writeAttribute(QStringLiteral("version"), QStringLiteral("2.1"));
    w.writeStartElement(QStringLiteral("SpatialReferenceSystems"));
    w.writeStartElement(QStringLiteral("SRS"));
    w.writeTextElement(QStringLiteral("Id"), QStringLiteral("0"));
    w.writeTextElement(QStringLiteral("Name"), QStringLiteral("0"));
    w.writeTextElement(QStringLiteral("Definition"), QStringLiteral("EPSG:4326"));
    w.writeEndElement();  // SRS
    w.writeEndElement();  // SpatialReferenceSystems
    w.writeStartElement(QStringLiteral("Block"));
    w.writeTextElement(QStringLiteral("Name"), m_projectName);
    w.writeTextElement(QStringLiteral("Description"), m_projectName);
    w.writeTextElement(QStringLiteral("Type"), QStringLiteral("Aerial"));
    w.writeTextElement(QStringLiteral("SRSId"), QStringLiteral("0"));
    w.writeStartElement(QStringLiteral("Photogroups"));
    w.writeStartElement(QStringLiteral("Photogroup"));

    int first = -1;
    for (int i = 0; i < getCount() && first < 0; ++i) {
        if (!getImageName(i).isEmpty())
            first = i;
    }
    if (first >= 0) {
        ExifHandler exif;
        exif.loadExif(QDir::toNativeSeparators(photoPath(getImageName(first))));
        const QString make = exif.getMake();
        const QString model = exif.getModel();
        const QSize size = exif.getImageSize();
        w.writeTextElement(QStringLiteral("Name"), make + QLatin1Char(' ') + model);
        w.writeStartElement(QStringLiteral("ImageDimensions"));
        w.writeTextElement(QStringLiteral("Width"), QString::number(size.isValid() ? size.width() : -1));
        w.writeTextElement(QStringLiteral("Height"),
                           QString::number(size.isValid() ? size.height() : -1));
        w.writeEndElement();
        w.writeTextElement(QStringLiteral("CameraModelType"), QStringLiteral("Perspective"));
        w.writeTextElement(QStringLiteral("Description"), make + model);
        const double fl = rationalToDouble(exif.getFocalLength());
        const double fl35 = rationalToDouble(exif.getFocalLength35mm());
        // Without both focal lengths the sensor size cannot be worked out.
        if (fl > 1e-12 && fl35 > 1e-12) {
            w.writeTextElement(QStringLiteral("SensorSize"), num(35.9 / (fl35 / fl), 5));
            w.writeTextElement(QStringLiteral("FocalLength"), num(fl, 5));
        }
        w.writeTextElement(QStringLiteral("CameraOrientation"), QStringLiteral("XLeftYDown"));
    }

    for (int i = 0; i < getCount(); ++i) {
        if (!isExported(i))
            continue;
        QMatrix4x4 m;
        m.rotate(-90.0f, 1, 0, 0);
        m.rotate(float(m_roll.at(i)), 0, 1, 0);
        m.rotate(float(-m_pitch.at(i)), 1, 0, 0);
        m.rotate(float(m_yaw.at(i)), 0, 0, 1);
        w.writeStartElement(QStringLiteral("Photo"));
        w.writeTextElement(QStringLiteral("Id"), QString::number(i));
        w.writeTextElement(QStringLiteral("ImagePath"), folder + QLatin1Char('/') + getImageName(i));
        w.writeStartElement(QStringLiteral("Pose"));
        w.writeStartElement(QStringLiteral("Rotation"));
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c)
                w.writeTextElement(QStringLiteral("M_%1%2").arg(r).arg(c), fixed16(double(m(r, c))));
        }
        w.writeEndElement();  // Rotation
        w.writeStartElement(QStringLiteral("Center"));
        w.writeTextElement(QStringLiteral("y"), fixed16(m_latitude.at(i)));
        w.writeTextElement(QStringLiteral("x"), fixed16(m_longitude.at(i)));
        w.writeTextElement(QStringLiteral("z"), fixed16(m_absHeight.at(i)));
        w.writeEndElement();  // Center
        w.writeEndElement();  // Pose
        w.writeEndElement();  // Photo
    }
    w.writeEndElement();  // Photogroup
    w.writeEndElement();  // Photogroups
    w.writeEndElement();  // Block
    w.writeEndElement();  // BlocksExchange
    w.writeEndDocument();
    return doc;
}
