#include "core/pngicon.h"

#include <QImageReader>
#include <QPixmap>

QImage PngIcon::read(const QString &path)
{
    QImageReader reader(path, "png");
    // Named format only: with detection on, Qt first offers the format to
    // every plugin, which loads them all.
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QIcon PngIcon::fromFile(const QString &path)
{
    const QImage image = read(path);
    QIcon icon;
    if (!image.isNull())
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}
