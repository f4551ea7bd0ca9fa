#include "phototagger/ptphotofile.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include "atomicfile/atomicfile.h"

namespace PTPhotoFile {

bool copy(const QString &from, const QString &to, QString *error)
{
    QString sourceError, targetError;
    if (AtomicFile::copy(from, to, AtomicFile::Mode::NoReplace, &sourceError, &targetError))
        return true;
    if (error)
        *error = sourceError.isEmpty() ? AtomicFile::describe(to, targetError)
                                       : AtomicFile::describe(from, sourceError);
    return false;
}

bool saveImage(const QImage &image, const QString &path, const char *format, QString *error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, format)) {
        if (error)
            *error = AtomicFile::describe(path, QStringLiteral("the image could not be encoded"));
        return false;
    }
    buffer.close();
    QString reason;
    if (!AtomicFile::write(path, bytes, &reason)) {
        if (error)
            *error = AtomicFile::describe(path, reason);
        return false;
    }
    return true;
}

qint64 jpegHeadEnd(QFile &in, QByteArray &head)
{
    constexpr qint64 Limit = 4 << 20;
    auto need = [&](qint64 size) {
        while (head.size() < size && head.size() < Limit) {
            const QByteArray more = in.read(64 * 1024);
            if (more.isEmpty())
                break;
            head += more;
        }
        return head.size() >= size;
    };
    auto at = [&head](qint64 i) { return uchar(head.at(int(i))); };
    if (!need(2) || at(0) != 0xFF || at(1) != 0xD8)
        return -1;
    qint64 pos = 2;
    while (need(pos + 2)) {
        if (at(pos) != 0xFF)
            return -1;
        if (at(pos + 1) == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        const uchar marker = at(pos + 1);
        if (marker == 0xDA)
            return pos + 2;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            pos += 2;
            continue;
        }
        if (!need(pos + 4))
            return -1;
        pos += 2 + ((at(pos + 2) << 8) | at(pos + 3));
    }
    return -1;
}

bool isWhole(const QString &path)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QByteArray head;
    const qint64 headEnd = jpegHeadEnd(in, head);
    if (head.startsWith("\xFF\xD8")) {
        // Scan data holds FF only before 00 or a restart marker, so FF D9 at
        // the end is the image's own end, not a cut.
        if (headEnd < 0 || in.size() < headEnd + 2 || !in.seek(in.size() - 2))
            return false;
        return in.read(2) == QByteArray("\xFF\xD9", 2);
    }
    in.close();
    QImageReader reader(path);
    return !reader.read().isNull();
}

}  // namespace PTPhotoFile
