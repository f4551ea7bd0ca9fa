#include "thermal/project/thprojectfile.h"

#include <QDataStream>
#include <QFile>
#include <QtEndian>

namespace THProjectFile {

const char *const magic = "KorvelTarvendelThermalFile";

namespace {

// Smallest sizes on the stream, to hold counts to the bytes left.
constexpr qint64 minImageBytes = 4 + 4 + 1 + 4 * 3 + 4 + 4 + 4 + 4;
constexpr qint64 pointBytes = 4 * 3 + 16;
constexpr qint64 rectBytes = 32;

class Reader {
public:
    explicit Reader(QIODevice &device) : m_device(device), m_in(&device)
    {
        m_in.setVersion(QDataStream::Qt_4_6);  // serialisation version 12
    }

    bool ok() const { return !m_failed && m_in.status() == QDataStream::Ok; }
    qint64 left() const { return m_device.bytesAvailable(); }

    // QString as the stream stores it, with its length checked first, so a
    // damaged length cannot ask for gigabytes.
    bool string(QString *out)
    {
        quint32 bytes = 0;
        m_in >> bytes;
        if (!ok())
            return fail();
        if (bytes == 0xFFFFFFFFu) {
            *out = QString();
            return true;
        }
        if (bytes % 2 || bytes > left())
            return fail();
        const QByteArray raw = m_device.read(bytes);
        if (raw.size() != int(bytes))
            return fail();
        QString s(int(bytes / 2), Qt::Uninitialized);
        const uchar *d = reinterpret_cast<const uchar *>(raw.constData());
        for (int i = 0; i < s.size(); ++i)
            s[i] = QChar(qFromBigEndian<quint16>(d + 2 * i));
        *out = s;
        return true;
    }

    bool count(qint32 *out, qint64 each)
    {
        m_in >> *out;
        if (!ok() || *out < 0 || qint64(*out) * each > left())
            return fail();
        return true;
    }

    template <typename T>
    bool value(T *out)
    {
        m_in >> *out;
        return ok() || fail();
    }

    bool fail()
    {
        m_failed = true;
        return false;
    }

private:
    QIODevice &m_device;
    QDataStream m_in;
    bool m_failed = false;
};

Status readHeader(Reader &r, THProjectFileContent *content, qint32 *imageCount)
{
    QString m;
    if (!r.string(&m))
        return Damaged;
    if (m != QLatin1String(magic))
        return BadMagic;
    if (!r.value(&content->version))
        return Damaged;
    if (content->version != 2 && content->version != 3)
        return UnknownVersion;
    if (!r.value(&content->written) || !r.count(imageCount, minImageBytes)
        || !r.value(&content->secondCount))
        return Damaged;
    return Ok;
}

}  // namespace

Status read(QIODevice &device, THProjectFileContent *content)
{
    Reader r(device);
    qint32 images = 0;
    *content = THProjectFileContent();
    const Status header = readHeader(r, content, &images);
    if (header != Ok)
        return header;
    for (qint32 i = 0; i < images; ++i) {
        THImageRecord img;
        qint8 enabled = 0;
        qint32 points = 0;
        if (!r.string(&img.fileName) || !r.string(&img.secondFileName) || !r.value(&enabled)
            || !r.value(&img.scaleMin) || !r.value(&img.scaleMax) || !r.value(&img.measurementType)
            || !r.count(&points, pointBytes))
            return Damaged;
        img.enabled = enabled != 0;
        for (qint32 p = 0; p < points; ++p) {
            qint32 id = 0, value = 0, orient = 0;
            QPointF pos;
            if (!r.value(&id) || !r.value(&value) || !r.value(&orient) || !r.value(&pos))
                return Damaged;
            img.points.appendFullPoint(id, pos, orient, value);
        }
        if (content->version == 3) {
            qint32 rects = 0;
            if (!r.count(&rects, rectBytes))
                return Damaged;
            for (qint32 k = 0; k < rects; ++k) {
                QPointF a, b;
                if (!r.value(&a) || !r.value(&b))
                    return Damaged;
                img.rects << QRectF(a, b);
            }
        } else {
            qint32 ignored = 0;
            if (!r.value(&ignored))
                return Damaged;
        }
        if (!r.string(&img.reportTitle) || !r.string(&img.reportText))
            return Damaged;
        content->images << img;
    }
    return Ok;
}

Status readFile(const QString &path, THProjectFileContent *content)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return CannotOpen;
    return read(file, content);
}

Status readSummary(const QString &path, THProjectFileContent *content)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return CannotOpen;
    Reader r(file);
    qint32 images = 0;
    *content = THProjectFileContent();
    const Status status = readHeader(r, content, &images);
    // The image records stay unread; the count is what a summary shows.
    for (qint32 i = 0; status == Ok && i < images; ++i)
        content->images << THImageRecord();
    return status;
}

QString statusText(Status status)
{
    switch (status) {
    case Ok: return QString();
    case CannotOpen: return QStringLiteral("The project file cannot be opened.");
    case BadMagic: return QStringLiteral("The file is not a thermal project.");
    case UnknownVersion: return QStringLiteral("The project file has an unknown version.");
    case Damaged: return QStringLiteral("The project file is damaged.");
    }
    return QString();
}

bool write(QIODevice &device, const THProjectFileContent &content)
{
    QDataStream out(&device);
    out.setVersion(QDataStream::Qt_4_6);
    out << QString::fromLatin1(magic) << qint32(3) << content.written << qint32(content.images.size())
        << content.secondCount;
    for (const THImageRecord &img : content.images) {
        out << img.fileName << img.secondFileName << qint8(img.enabled ? 1 : 0) << img.scaleMin
            << img.scaleMax << img.measurementType;
        const THDataPointList &p = img.points;
        const int n = qMin(qMin(p.ids.size(), p.values.size()),
                           qMin(p.orientations.size(), p.positions.size()));
        out << qint32(n);
        for (int i = 0; i < n; ++i)
            out << qint32(p.ids[i]) << qint32(p.values[i]) << qint32(p.orientations[i]) << p.positions[i];
        out << qint32(img.rects.size());
        for (const QRectF &r : img.rects)
            out << r.topLeft() << r.bottomRight();
        out << img.reportTitle << img.reportText;
    }
    return out.status() == QDataStream::Ok;
}

}  // namespace THProjectFile
