#pragma once
// PNG images and icons read without asking the image plugins. Qt loads
// every image-format plugin (and their codec libraries) the first time it
// reads a format none of them claims, PNG among them; the first window
// needs only a few PNGs and should not wait for TIFF, WebP and the rest.
#include <QIcon>
#include <QImage>
#include <QString>

namespace PngIcon {

// The image of a PNG file or resource; null when it is missing or no PNG.
QImage read(const QString &path);

// Same pixels as QIcon(path) for a PNG; null when the file is missing.
QIcon fromFile(const QString &path);

}  // namespace PngIcon
