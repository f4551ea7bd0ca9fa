#include "thermal/arafile.h"

#include <QFile>
#include <QtEndian>

#include "thermal/aradecoder.h"

bool AraFile::fail(Status status)
{
    m_status = status;
    m_counts.clear();
    m_width = m_height = 0;
    return false;
}

bool AraFile::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(CannotOpen);
    const QByteArray block = file.read(AraHeader::blockSize);
    if (block.size() < AraHeader::blockSize)
        return fail(TooShort);
    return setData(block, file.readAll());
}

bool AraFile::setData(const QByteArray &headerBlock, const QByteArray &sensorData)
{
    if (headerBlock.size() < AraHeader::keptSize)
        return fail(TooShort);
    m_header = AraHeader(headerBlock);
    if (m_header.magic() != AraHeader::magicValue)
        return fail(BadMagic);
    const quint32 width = m_header.width();
    const quint32 height = m_header.height();
    if (width == 0 || height == 0 || width > 0xFFFF || height > 0xFFFF
        || qint64(width) * height > maxPixels)
        return fail(BadSize);
    const qint64 pixels = qint64(width) * height;

    QVector<quint16> counts;
    if (m_header.compression() == 0) {
        if (sensorData.size() < pixels * 2)
            return fail(MissingPixels);
        counts.resize(int(pixels));
        const uchar *data = reinterpret_cast<const uchar *>(sensorData.constData());
        for (int i = 0; i < int(pixels); ++i)
            counts[i] = qFromLittleEndian<quint16>(data + 2 * i);
    } else if (m_header.compression() == 3) {
        AraDecoder decoder;
        const QByteArray lines = decoder.decompressLines(sensorData, int(width), int(height));
        if (lines.isEmpty() && *decoder.lastMessage())
            return fail(DecodeError);
        if (lines.size() < pixels * 2)
            return fail(MissingPixels);
        counts.resize(int(pixels));
        const uchar *data = reinterpret_cast<const uchar *>(lines.constData());
        for (int i = 0; i < int(pixels); ++i)
            counts[i] = qFromLittleEndian<quint16>(data + 2 * i);
    } else {
        return fail(BadCompression);
    }
    m_counts = std::move(counts);
    m_width = int(width);
    m_height = int(height);
    m_status = Ok;
    return true;
}

QString AraFile::errorString() const
{
    switch (m_status) {
    case Ok: return QString();
    case CannotOpen: return QStringLiteral("The file cannot be opened.");
    case TooShort: return QStringLiteral("The file is shorter than an ARA header.");
    case BadMagic: return QStringLiteral("The file is not an ARA image.");
    case BadSize: return QStringLiteral("The image size in the header is not valid.");
    case BadCompression: return QStringLiteral("The image uses an unknown compression.");
    case DecodeError: return QStringLiteral("The compressed image data are damaged.");
    case MissingPixels: return QStringLiteral("The image data are incomplete.");
    case NotLoaded: return QStringLiteral("No image was loaded.");
    }
    return QString();
}

quint16 AraFile::count(int x, int y) const
{
    if (m_counts.isEmpty())
        return 0;
    x = qBound(0, x, m_width - 1);
    y = qBound(0, y, m_height - 1);
    return m_counts.at(y * m_width + x);
}

QList<qint64> AraFile::frameOffsets(const QByteArray &recording)
{
    QList<qint64> offsets;
    const qint64 size = recording.size();
    qint64 at = 0;
    while (at + AraHeader::blockSize <= size) {
        const AraHeader header(recording.mid(int(at), AraHeader::keptSize));
        if (header.magic() != AraHeader::magicValue)
            break;
        const qint64 next = at + AraHeader::blockSize + qint64(header.sensorDataSize());
        if (next > size)
            break;
        offsets << at;
        at = next;
    }
    return offsets;
}
