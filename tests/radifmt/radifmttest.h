#pragma once
// Helpers shared by the radifmt tests: frames from the generator, capture of
// the standard streams and a radiometric JPEG assembled the way the
// converter does it (APP1 segments before the first quantisation table).
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <iostream>
#include <sstream>
#include <vector>

#include "radifmt/araimage.h"
#include "support/aragen.h"
#include "radifmt/flirwriter.h"

namespace RadifmtTest {

class StreamCapture {
public:
    explicit StreamCapture(std::ostream &stream)
        : m_stream(stream), m_old(stream.rdbuf(m_buffer.rdbuf())) {}
    ~StreamCapture() { m_stream.rdbuf(m_old); }
    std::string text() const { return m_buffer.str(); }

private:
    std::ostream &m_stream;
    std::ostringstream m_buffer;
    std::streambuf *m_old;
};

inline AraImage image(const QByteArray &file)
{
    return AraImage::fromData(reinterpret_cast<const uint8_t *>(file.constData()), file.size());
}

inline AraImage frame(const AraGen::FrameParams &frame, const QVector<quint16> &counts)
{
    return image(AraGen::araFile(frame, counts));
}

inline QByteArray bytes(const std::vector<uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), int(v.size()));
}

inline QByteArray greyJpeg(int width, int height)
{
    QImage grey(width, height, QImage::Format_RGB32);
    grey.fill(Qt::gray);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    grey.save(&buffer, "JPG");
    return jpeg;
}

inline QByteArray radiometricJpeg(const FLIRWriter &writer, int width, int height)
{
    const QByteArray jpeg = greyJpeg(width, height);
    const int dqt = jpeg.indexOf(QByteArray("\xFF\xDB", 2));
    return jpeg.left(dqt) + bytes(writer.getAPP1Data()) + jpeg.mid(dqt);
}

}  // namespace RadifmtTest
