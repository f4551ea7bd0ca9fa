#pragma once
// Photo files of the photo tagger written through the one door (AtomicFile):
// copies, previews and the test whether a file found at a target is whole.
// Errors come as "<file>: <reason>", ready for the user.
#include <QByteArray>
#include <QString>

class QFile;
class QImage;

namespace PTPhotoFile {

// Copies the file to a new name: the copy appears whole or not at all and
// never replaces a file, folder or link of that name.
bool copy(const QString &from, const QString &to, QString *error = nullptr);

// Encodes image in format ("JPG", "PNG", ...) and replaces path with it.
bool saveImage(const QImage &image, const QString &path, const char *format,
               QString *error = nullptr);

// End of the head of a JPEG: the offset just past its first start-of-scan
// marker, or -1 when the bytes are no JPEG head. head holds what was read
// from in; more is read as needed.
qint64 jpegHeadEnd(QFile &in, QByteArray &head);

// Whether the photo at path is whole: a JPEG whose segments fit in the file
// up to its scan and that ends with the end-of-image marker FF D9; any other
// image when it decodes. A file cut off by a killed write is not.
bool isWhole(const QString &path);

}  // namespace PTPhotoFile
