#pragma once
// Export to Image without widgets: the picture is encoded in memory in the
// format its file name asks for, tagged with the frame's EXIF where the
// format carries tags (JPEG, TIFF), and written once through the door. An
// older file at the name stays until the new one is whole; a failed or
// killed export leaves no cut-off file.
#include <QString>

class AraHeader;
class QImage;

namespace THImageExport {

enum class Result { Written, WrittenWithoutTags, Failed };

// The format of a file name: its suffix in lower case ("jpg", "png", ...).
QByteArray formatOf(const QString &fileName);
// Whether the format carries EXIF tags.
bool takesTags(const QString &fileName);

// On Failed, *error holds "<file>: <reason>".
Result write(const QImage &image, const AraHeader &header, const QString &fileName,
             QString *error = nullptr);

}  // namespace THImageExport
