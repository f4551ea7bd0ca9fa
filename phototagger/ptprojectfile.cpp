#include "phototagger/ptprojectfile.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cmath>

#include "atomicfile/atomicfile.h"
#include "core/data.h"

bool PTTag::operator==(const PTTag &o) const
{
    return imageName == o.imageName && latitude == o.latitude && longitude == o.longitude
           && relativeHeight == o.relativeHeight && absoluteHeight == o.absoluteHeight
           && pitch == o.pitch && roll == o.roll && yaw == o.yaw && time == o.time
           && tagValue == o.tagValue && enabled == o.enabled;
}

namespace PTProjectFile {

namespace {

constexpr QDataStream::Version StreamVersion = QDataStream::Qt_4_6;  // 12
constexpr quint32 NullString = 0xFFFFFFFFu;
// Smallest record: a null name, the doubles, a QDateTime (9 bytes at stream
// version 12), the tag value and the flag.
constexpr qint64 MinRecord110 = 4 + 7 * 8 + 9 + 4 + 1;
constexpr qint64 MinRecord100 = 4 + 6 * 8 + 9 + 4 + 1;

qint64 bytesLeft(const QIODevice &device) { return device.bytesAvailable(); }

bool readString(QDataStream &in, QIODevice &device, QString &s)
{
    quint32 len = 0;
    in >> len;
    if (in.status() != QDataStream::Ok)
        return false;
    if (len == NullString) {
        s = QString();
        return true;
    }
    if (len % 2 != 0 || qint64(len) > bytesLeft(device))
        return false;
    QByteArray raw(int(len), Qt::Uninitialized);
    if (in.readRawData(raw.data(), int(len)) != int(len))
        return false;
    s.resize(int(len / 2));
    const uchar *p = reinterpret_cast<const uchar *>(raw.constData());
    for (int i = 0; i < s.size(); ++i)
        s[i] = QChar(qFromBigEndian<quint16>(p + 2 * i));
    return true;
}

Status damaged(PTProjectContent &content, QString *error, const QString &why)
{
    content.tags.clear();
    if (error)
        *error = why;
    return Status::ForeignOrDamaged;
}

}  // namespace

QString magic() { return QStringLiteral("KorvelTarvendelPhotoTaggerFile"); }

Status read(QIODevice &device, PTProjectContent &content, QString *error)
{
    content = PTProjectContent();
    QDataStream in(&device);
    in.setVersion(StreamVersion);

    QString head;
    if (!readString(in, device, head) || head != magic())
        return damaged(content, error, QStringLiteral("not a photo-tagger project file"));
    qint32 version = 0;
    in >> version;
    if (in.status() != QDataStream::Ok)
        return damaged(content, error, QStringLiteral("the file ends in its header"));
    content.version = version;
    if (version != 100 && version != 110 && version != 120) {
        if (error)
            *error = QStringLiteral("unknown project file version %1").arg(version);
        return Status::UnknownVersion;
    }
    qint32 type = PTImageJpeg;
    if (version >= 120)
        in >> type;
    qint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok)
        return damaged(content, error, QStringLiteral("the file ends in its header"));
    if (version >= 120 && (type < PTImageJpeg || type > PTImageArw))
        return damaged(content, error, QStringLiteral("unknown image type %1").arg(type));
    const qint64 minRecord = version == 100 ? MinRecord100 : MinRecord110;
    if (count < 0 || count > bytesLeft(device) / minRecord)
        return damaged(content, error,
                       QStringLiteral("the count %1 does not fit the file").arg(count));

    content.tags.reserve(count);
    for (qint32 i = 0; i < count; ++i) {
        PTTag t;
        if (!readString(in, device, t.imageName))
            return damaged(content, error, QStringLiteral("record %1 is cut short").arg(i + 1));
        in >> t.latitude >> t.longitude >> t.relativeHeight;
        if (version == 100)
            t.absoluteHeight = t.relativeHeight;
        else
            in >> t.absoluteHeight;
        in >> t.pitch >> t.roll >> t.yaw >> t.time;
        qint32 value = 0;
        qint8 enabled = 0;
        in >> value >> enabled;
        if (in.status() != QDataStream::Ok)
            return damaged(content, error, QStringLiteral("record %1 is cut short").arg(i + 1));
        for (double d : {t.latitude, t.longitude, t.relativeHeight, t.absoluteHeight, t.pitch,
                         t.roll, t.yaw}) {
            if (!std::isfinite(d))
                return damaged(content, error,
                               QStringLiteral("record %1 holds a value that is not a number")
                                   .arg(i + 1));
        }
        t.tagValue = value;
        t.enabled = enabled != 0;
        content.tags.append(t);
    }
    content.imageType = version >= 120 ? type : imageTypeFromNames(content.tags, PTImageJpeg);
    return Status::Ok;
}

Status load(const QString &path, PTProjectContent &content, QString *error)
{
    content = PTProjectContent();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return Status::CannotOpen;
    }
    return read(file, content, error);
}

bool write(QIODevice &device, int imageType, const QVector<PTTag> &tags)
{
    QDataStream out(&device);
    out.setVersion(StreamVersion);
    out << magic() << qint32(CurrentVersion) << qint32(imageType) << qint32(tags.size());
    for (const PTTag &t : tags) {
        out << t.imageName << t.latitude << t.longitude << t.relativeHeight << t.absoluteHeight
            << t.pitch << t.roll << t.yaw << t.time << qint32(t.tagValue)
            << qint8(t.enabled ? 1 : 0);
    }
    return out.status() == QDataStream::Ok;
}

bool save(const QString &path, int imageType, const QVector<PTTag> &tags, QString *error)
{
    return AtomicFile::write(
        path, [&](QIODevice &device) { return write(device, imageType, tags); }, error);
}

int imageTypeFromNames(const QVector<PTTag> &tags, int fallback)
{
    for (const PTTag &t : tags) {
        if (t.imageName.isEmpty())
            continue;
        const QString lower = t.imageName.toLower();
        if (lower.endsWith(QLatin1String(".arw")))
            return PTImageArw;
        if (lower.endsWith(QLatin1String(".tif")) || lower.endsWith(QLatin1String(".tiff")))
            return PTImageTiff;
        return PTImageJpeg;
    }
    return fallback;
}

QString projectsFolder()
{
    return Data::instance()->photoTaggerPath();
}

QString projectFolder(const QString &name) { return projectsFolder() + QLatin1Char('/') + name; }

QString projectFilePath(const QString &name)
{
    return projectFolder(name) + QLatin1Char('/') + name + QLatin1String(".zpt");
}

QString previewName(const QString &imageName, int imageType)
{
    if (imageType == PTImageTiff || imageType == PTImageArw)
        return QLatin1String("thumb_") + QFileInfo(imageName).completeBaseName()
               + QLatin1String(".jpg");
    return QLatin1String("thumb_") + imageName;
}

}  // namespace PTProjectFile
