#include "thermal/editor/thimageexport.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>


#include "atomicfile/atomicfile.h"
#include "exif/exifhandler.h"
#include "thermal/araheader.h"

namespace THImageExport {

QByteArray formatOf(const QString &fileName)
{
    return QFileInfo(fileName).suffix().toLower().toLatin1();
}

bool takesTags(const QString &fileName)
{
    const QByteArray format = formatOf(fileName);
    return format == "jpg" || format == "tif";
}

Result write(const QImage &image, const AraHeader &header, const QString &fileName, QString *error)
{
    auto fail = [&](const QString &reason) {
        if (error)
            *error = AtomicFile::describe(fileName, reason);
        return Result::Failed;
    };
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, formatOf(fileName));
    writer.setQuality(100);
    if (!writer.write(image))
        return fail(writer.errorString());
    buffer.close();

    bool tagged = true;
    if (takesTags(fileName)) {
        ExifHandler exif;
        exif.setModel(QStringLiteral("Tau 640"));
        exif.setMake(QStringLiteral("FLIR"));
        exif.setSoftware(QStringLiteral("Korvel Tarvendel"));
        exif.setGPSLonLat(header.longitude() / 10000000.0, header.latitude() / 10000000.0);
        exif.setCameraPitch(header.cameraPitch() / 100.0);
        exif.setCameraRoll(header.cameraRoll() / 100.0);
        exif.setGPSImgDirection(header.yaw() / 100.0);
        exif.setImageSize(image.size());
        exif.setGPSAltitude(header.altitude() / 1000.0);
        exif.setGPSMapDatum();
        exif.setDateTime(QDateTime::fromMSecsSinceEpoch(header.gpsMSecsSinceEpoch(), Qt::UTC));
        QByteArray taggedBytes = bytes;
        tagged = exif.saveExif(taggedBytes);
        if (tagged)
            bytes = taggedBytes;
    }
    QString reason;
    if (!AtomicFile::write(fileName, bytes, &reason))
        return fail(reason);
    return tagged ? Result::Written : Result::WrittenWithoutTags;
}

}  // namespace THImageExport
