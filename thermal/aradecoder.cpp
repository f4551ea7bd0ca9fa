#include "aradecoder.h"

#include <QVector>
#include <iostream>

void AraDecoder::reset()
{
    m_bits = 0;
    m_bitCount = 0;
    m_sampleCount = 0;
    m_length = 0;
    m_differences[0] = m_differences[1] = 0;
    m_state = 0;
}

void AraDecoder::fail(const char *message)
{
    m_message = message;
    std::cout << message << std::flush;
}

QByteArray AraDecoder::decompressLines(const QByteArray &compressed, int width, int height)
{
    reset();
    m_message = "";
    if (width < 1 || width > 0xFFFF)
        return QByteArray();

    QVector<quint16> line(width, 0);
    QByteArray result;
    // The height only sizes the buffer; the blocks decide how many lines come.
    if (height > 0 && qint64(width) * height * 2 <= (qint64(1) << 28))
        result.reserve(width * height * 2);
    const uchar *data = reinterpret_cast<const uchar *>(compressed.constData());
    const int size = compressed.size();
    for (int i = 0; i < size; ++i) {
        const int step = decodeByte(data[i], line.data(), width);
        if (step == 1)
            continue;
        if (step < 0)
            return QByteArray();
        reset();
        const int at = result.size();
        result.resize(at + 2 * width);
        uchar *out = reinterpret_cast<uchar *>(result.data()) + at;
        for (int x = 0; x < width; ++x) {
            out[2 * x] = uchar(line[x] & 0xFF);
            out[2 * x + 1] = uchar(line[x] >> 8);
        }
    }
    return result;
}

int AraDecoder::decodeByte(quint8 byte, quint16 *line, int width)
{
    switch (m_state) {
    case 0:
        if ((byte >> 4) == 0) {
            fail("sync error: nibble");
            return -1;
        }
        m_length = (byte & 0x0F) << 8;
        m_state = 1;
        return 1;
    case 1:
        m_length |= byte;
        if (m_length >= 2 * width) {
            fail("sync error: len max");
            m_state = 0;
            return -1;
        }
        m_state = 2;
        return 1;
    case 2:
        line[0] = quint16(byte << 8);
        m_state = 3;
        return 1;
    case 3:
        line[0] = quint16(line[0] | byte);
        m_sampleCount = 1;
        // A one-pixel line has no code stream: its trailer follows at once.
        m_state = m_sampleCount < width ? 4 : 5;
        return 1;
    case 4: {
        // Take only the codes the line still needs, so the fill bits after
        // its last code are never read as codes.
        const int wanted = qMin(2, width - m_sampleCount);
        const int produced = readBitCodes(byte, m_differences, wanted);
        if (produced < 0) {
            fail("sync error: decode");
            m_state = 0;
            return -1;
        }
        for (int i = 0; i < produced && m_sampleCount < width; ++i) {
            line[m_sampleCount] = quint16(line[m_sampleCount - 1] + m_differences[i]);
            ++m_sampleCount;
        }
        if (m_sampleCount >= width)
            m_state = 5;
        return 1;
    }
    case 5:
        m_state = 6;
        return 1;
    case 6:
    default:
        m_state = 0;
        return 0;
    }
}

int AraDecoder::readBitCodes(quint8 byte, int *differences, int wanted)
{
    m_bitCount = quint8(m_bitCount + 8);
    m_bits |= quint32(byte) << (32 - m_bitCount);

    int n = int(m_bits >> 28);
    if (n == 15)
        return -1;
    if (n > int(m_bitCount) - 4)
        return 0;

    int produced = 0;
    for (;;) {
        int length = 4;
        int difference = 0;
        if (n > 0) {
            const quint32 v = (m_bits << 4) >> (32 - n);
            const int magnitude = int(((1u << n) + v) >> 1);
            difference = (v & 1u) ? -magnitude : magnitude;
            length += n;
        }
        differences[produced++] = difference;
        m_bits = length < 32 ? m_bits << length : 0;
        m_bitCount = quint8(m_bitCount - length);

        if (produced >= wanted || m_bitCount < 4)
            return produced;
        n = int(m_bits >> 28);
        if (n == 15)
            return -1;
        if (n > int(m_bitCount) - 4)
            return produced;
    }
}
