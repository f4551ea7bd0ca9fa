#pragma once
// Decoder of line-compressed ARA sensor data (compression 3). Each image
// line is one block: sync nibble and 12-bit length, the first sample
// big-endian, a bit stream of difference codes (4-bit count n, n value
// bits) and a two-byte trailer. The decoder works one byte at a time with a
// fixed state, so it runs on any worker thread; one object per thread.
#include <QByteArray>
#include <QtGlobal>

class AraDecoder {
public:
    // Decodes all blocks into raw little-endian samples, line after line.
    // Empty on error (the message is written to the standard output without
    // a line end). The height is not used: the result holds as many lines
    // as complete blocks were found; an incomplete last block is dropped.
    QByteArray decompressLines(const QByteArray &compressed, int width, int height);

    // One byte of a block: 1 more bytes needed, 0 block and trailer complete
    // (line holds the finished line), -1 error.
    int decodeByte(quint8 byte, quint16 *line, int width);

    // Feeds one byte into the bit accumulator and takes at most `wanted`
    // (1 or 2) complete codes from it. Returns the number of differences
    // stored in `differences`, or -1 for the invalid count 15.
    int readBitCodes(quint8 byte, int *differences, int wanted = 2);

    // The message of the last failed decode, empty after a success.
    const char *lastMessage() const { return m_message; }

    void reset();

private:
    void fail(const char *message);

    quint32 m_bits = 0;        // filled from its most significant end
    quint8 m_bitCount = 0;
    int m_sampleCount = 0;
    int m_length = 0;
    int m_differences[2] = {0, 0};
    int m_state = 0;
    const char *m_message = "";
};
