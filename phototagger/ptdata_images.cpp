// Photos entering the project (addImage) and leaving it with geotags
// (copyFiles).
#include <QColor>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include "exif/exifhandler.h"
#include "phototagger/ptdata.h"

namespace {
constexpr int PreviewWidth = 1280;
const char *const Software = "Korvel Tarvendel by Brisolan Technologies GmbH";
}  // namespace

bool PTData::addImage(const QString &path, int position)
{
    if (position < 0 || position >= getCount())
        return false;
    if (!getImageName(position).isEmpty()) {
        qDebug() << QStringLiteral("[PTData] Warning: Not overwriting existing image at position %1.")
                        .arg(position);
        return false;
    }
    qDebug() << QStringLiteral("[PTData] addImage %1 to position %2").arg(path).arg(position);
    const QString fileName = QFileInfo(path).fileName();
    const QString destination = photoPath(fileName);
    if (!QFile::copy(path, destination))  // never replaces a file
        return false;

    if (m_imageType == PTImageJpeg || m_imageType == PTImageTiff) {
        // Decoded straight at the preview size instead of scaling the photo.
        QImageReader reader(destination);
        const QSize size = reader.size();
        QImage preview;
        if (size.width() > 0 && size.height() > 0) {
            reader.setScaledSize(QSize(PreviewWidth, size.height() * PreviewWidth / size.width()));
            preview = reader.read();
        }
        if (preview.isNull()) {
            qDebug() << "failed to open image:" << destination;
            qDebug() << reader.errorString();
            preview = QImage(PreviewWidth, 960, QImage::Format_RGB888);
            preview.fill(QColor(QStringLiteral("red")));
        }
        preview.save(photoPath(PTProjectFile::previewName(fileName, m_imageType)), "JPEG");
    }
    while (m_imageNames.size() <= position)
        m_imageNames.append(QString());
    m_imageNames[position] = fileName;
    qDebug() << "[PTData] Image added";
    return true;
}

bool PTData::copyFiles(const QString &targetFolder, QStringList *failed, const CopyStep &step)
{
    qDebug() << QStringLiteral("[PTData] copyFiles to %1").arg(targetFolder);
    const int n = m_imageNames.size();
    for (int i = 0; i < n; ++i) {
        emit copyFile(i, n);
        if (step && !step(i, n))
            return false;
        if (!isExported(i))
            continue;
        const QString image = getImageName(i);
        ExifHandler exif;
        exif.loadExif(photoPath(image));
        exif.setSoftware(QString::fromLatin1(Software));
        exif.setGPSLonLat(m_longitude.at(i), m_latitude.at(i));
        exif.setCameraPitch(m_pitch.at(i));
        exif.setCameraRoll(m_roll.at(i));
        exif.setGPSImgDirection(m_yaw.at(i));
        if (m_absoluteHeight) {
            exif.setGPSAltitude(m_absHeight.at(i));
            exif.setGPSMapDatum();
        } else {
            exif.setGPSAltitude(m_relHeight.at(i) + m_heightOffset);
        }
        const QString target = targetFolder + QLatin1Char('/') + image;
        // A file of that name already there is kept and gets the tags.
        const bool copied = QFile::copy(photoPath(image), target);
        const bool tagged = exif.saveExif(target);
        if ((!copied && !QFileInfo::exists(target)) || !tagged) {
            qDebug() << "[PTData] copyFiles failed for" << image;
            if (failed)
                failed->append(image);
        }
    }
    if (step)
        step(n, n);
    qDebug() << "[PTData] photo copy finished, return true";
    return true;
}
