#include "thermal/aradecoder.h"

#include <QVector>
#include <QtEndian>
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

    // Same blocks, same results and messages as feeding decodeByte one byte
    // at a time, but reading each code straight from the bit stream: the
    // frame decodes several times faster.
    const uchar *data = reinterpret_cast<const uchar *>(compressed.constData());
    const qint64 size = compressed.size();
    const qint64 totalBits = size * 8;
    auto peek32 = [data, size](qint64 bitPos) -> quint32 {
        const qint64 byte = bitPos >> 3;
        quint64 v = 0;
        if (byte + 8 <= size) {
            v = qFromBigEndian<quint64>(data + byte);
        } else {
            for (int i = 0; i < 8; ++i)
                v = (v << 8) | (byte + i < size ? data[byte + i] : 0u);
        }
        return quint32((v << (bitPos & 7)) >> 32);
    };

    QVector<quint16> lineBuffer(width, 0);
    quint16 *line = lineBuffer.data();
    QByteArray result;
    // The height only sizes the buffer; the blocks decide how many lines come.
    if (height > 0 && qint64(width) * height * 2 <= (qint64(1) << 28))
        result.reserve(width * height * 2);

    qint64 at = 0;
    while (at < size) {
        if ((data[at] >> 4) == 0) {
            fail("sync error: nibble");
            return QByteArray();
        }
        if (at + 1 >= size)
            break;
        const int length = ((data[at] & 0x0F) << 8) | data[at + 1];
        if (length >= 2 * width) {
            fail("sync error: len max");
            return QByteArray();
        }
        if (at + 3 >= size)
            break;
        line[0] = quint16((data[at + 2] << 8) | data[at + 3]);

        qint64 bitPos = (at + 4) * 8;
        bool complete = true;
        for (int count = 1; count < width; ++count) {
            if (bitPos + 4 > totalBits) {
                complete = false;
                break;
            }
            const quint32 w = peek32(bitPos);
            const int n = int(w >> 28);
            if (n == 15) {
                fail("sync error: decode");
                return QByteArray();
            }
            if (bitPos + 4 + n > totalBits) {
                complete = false;
                break;
            }
            int difference = 0;
            if (n > 0) {
                const quint32 v = (w << 4) >> (32 - n);
                const int magnitude = int(((1u << n) + v) >> 1);
                difference = (v & 1u) ? -magnitude : magnitude;
            }
            line[count] = quint16(line[count - 1] + difference);
            bitPos += 4 + n;
        }
        // The codes end within a byte; the trailer follows that byte. A
        // one-pixel line has no codes but still one code byte, of fill only.
        const qint64 trailer = qMax((bitPos + 7) >> 3, at + 5);
        if (!complete || trailer + 2 > size)
            break;
        at = trailer + 2;

        const int out = result.size();
        result.resize(out + 2 * width);
        qToLittleEndian<quint16>(line, width, result.data() + out);
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
        m_state = 4;
        return 1;
    case 4: {
        // A one-pixel line still carries one code byte; it holds fill bits
        // only and is skipped whatever it holds.
        if (m_sampleCount >= width) {
            m_state = 5;
            return 1;
        }
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
