#include "radiconv/araframereader.h"

#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace {
constexpr int headerSize = AraImage::headerBlockSize;
constexpr int alignment = 64;
}

AraFrameReader::AraFrameReader(QIODevice *device, QByteArray *scratch)
    : m_device(device), m_buffer(scratch ? *scratch : m_ownBuffer)
{
}

AraFrameReader::Result AraFrameReader::fail(const QString &error)
{
    m_error = error;
    return Error;
}

AraFrameReader::Result AraFrameReader::readHeader(quint32 &sensorBytes)
{
    const int frame = m_frames + 1;
    m_frame = nullptr;
    m_frameSize = 0;
    m_buffer.resize(headerSize);
    const qint64 got = m_device->read(m_buffer.data(), headerSize);
    if (got == 0 && m_device->atEnd())
        return End;
    if (got < 0)
        return fail(QStringLiteral("read error: %1").arg(m_device->errorString()));
    if (got < headerSize)
        return fail(QStringLiteral("frame %1 is truncated (%2 of %3 header bytes)").arg(frame).arg(got).arg(headerSize));

    const auto *head = reinterpret_cast<const uchar *>(m_buffer.constData());
    if (head[0] != 'S' || head[1] != 's')
        return fail(QStringLiteral("frame %1 does not begin with \"Ss\"").arg(frame));
    const quint16 width = qFromLittleEndian<quint16>(head + 18);
    const quint16 height = qFromLittleEndian<quint16>(head + 22);
    sensorBytes = qFromLittleEndian<quint32>(head + 34);
    if (qFromLittleEndian<quint32>(head + 30) == 3) {
        m_error = QStringLiteral("frame %1 is line-compressed: line-compressed frames are not converted").arg(frame);
        return Unsupported;
    }
    if (width == 0 || height == 0 || quint64(width) * height < 2)
        return fail(QStringLiteral("frame %1 has no image size").arg(frame));
    if (quint64(sensorBytes) < quint64(width) * height * 2 || sensorBytes > maxSensorBytes)
        return fail(QStringLiteral("frame %1 states %2 sensor bytes for %3 x %4 pixels")
                        .arg(frame).arg(sensorBytes).arg(width).arg(height));
    if (!m_device->isSequential() && m_device->size() - m_device->pos() < qint64(sensorBytes))
        return fail(QStringLiteral("frame %1 is truncated (%2 of %3 sensor bytes)")
                        .arg(frame).arg(m_device->size() - m_device->pos()).arg(sensorBytes));
    return Frame;
}

AraFrameReader::Result AraFrameReader::skip()
{
    quint32 sensorBytes = 0;
    const Result r = readHeader(sensorBytes);
    if (r != Frame)
        return r;
    if (m_device->isSequential() || !m_device->seek(m_device->pos() + sensorBytes))
        return fail(QStringLiteral("frame %1 cannot be skipped").arg(m_frames + 1));
    ++m_frames;
    return Frame;
}

AraFrameReader::Result AraFrameReader::nextBytes()
{
    quint32 sensorBytes = 0;
    const Result r = readHeader(sensorBytes);
    if (r != Frame)
        return r;
    const int frame = m_frames + 1;
    // The sensor bytes go to a 64-byte boundary: the kernel's copy from the
    // page cache runs several times slower into some misaligned places.
    m_buffer.resize(alignment + headerSize + int(sensorBytes));
    char *base = m_buffer.data();
    const int pad = int((alignment - (quintptr(base) + headerSize) % alignment) % alignment);
    if (pad)
        std::memmove(base + pad, base, headerSize);
    m_frame = base + pad;
    m_frameSize = headerSize + int(sensorBytes);
    const qint64 body = m_device->read(base + pad + headerSize, sensorBytes);
    if (body != qint64(sensorBytes)) {
        m_frame = nullptr;
        return fail(QStringLiteral("frame %1 is truncated (%2 of %3 sensor bytes)")
                        .arg(frame).arg(qMax<qint64>(body, 0)).arg(sensorBytes));
    }
    if (header().frameWord == 0) {
        m_frame = nullptr;
        return fail(QStringLiteral("frame %1 has a frame word of 0").arg(frame));
    }
    ++m_frames;
    return Frame;
}

ARA_HEADER AraFrameReader::header() const
{
    ARA_HEADER h;
    std::memset(&h, 0, sizeof h);
    if (m_frame)
        std::memcpy(&h, m_frame, sizeof h);
    return h;
}

const uint8_t *AraFrameReader::sensorData() const
{
    return m_frame ? reinterpret_cast<const uint8_t *>(m_frame) + headerSize : nullptr;
}

size_t AraFrameReader::sensorSize() const
{
    return m_frame ? size_t(m_frameSize - headerSize) : 0;
}
