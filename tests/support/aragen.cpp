#include "support/aragen.h"

#include <QFile>
#include <QtEndian>
#include <cmath>
#include <cstring>

namespace AraGen {

namespace {

template <typename T>
void put(QByteArray &block, int offset, T value)
{
    qToLittleEndian<T>(value, block.data() + offset);
}

class BitWriter {
public:
    explicit BitWriter(QByteArray &out) : m_out(out) {}
    void write(quint32 bits, int count)
    {
        m_acc = (m_acc << count) | (bits & ((1u << count) - 1));
        m_count += count;
        while (m_count >= 8) {
            m_count -= 8;
            m_out.append(char((m_acc >> m_count) & 0xFF));
        }
    }
    // Fills up the last byte.
    void finish(bool ones)
    {
        if (m_count > 0)
            write(ones ? 0xFFu : 0u, 8 - m_count);
    }

private:
    QByteArray &m_out;
    quint64 m_acc = 0;
    int m_count = 0;
};

}  // namespace

QByteArray header(const FrameParams &s, Compression compression, quint32 sensorDataSize)
{
    QByteArray h(512, '\0');
    h[0] = 'S';
    h[1] = 's';
    put<quint32>(h, 2, s.frameWord);
    put<quint32>(h, 18, quint32(s.width));
    put<quint32>(h, 22, quint32(s.height));
    put<quint32>(h, 30, quint32(compression));
    put<quint32>(h, 34, sensorDataSize);
    put<quint16>(h, 54, s.fileVersion);
    put<quint16>(h, 58, s.fileMode);
    put<quint16>(h, 64, s.pixelSize);
    put<quint32>(h, 74, s.cameraSerialNumber);
    put<quint32>(h, 78, s.cameraSerialSensorNumber);
    put<quint32>(h, 82, s.cameraVersion);
    put<quint32>(h, 86, s.cameraFirmwareVersion);
    put<quint16>(h, 90, s.cameraSensorTemperature);
    std::memcpy(h.data() + 100, s.cameraPartNumber.constData(),
                size_t(qMin(s.cameraPartNumber.size(), 15)));
    put<quint32>(h, 132, s.timeMs);
    put<quint16>(h, 136, s.gpsWeek);
    put<quint32>(h, 138, s.gpsTimeOfWeek);
    put<qint32>(h, 142, s.longitude);
    put<qint32>(h, 146, s.latitude);
    put<qint32>(h, 150, s.altitude);
    put<quint16>(h, 154, s.horizontalAccuracy);
    put<quint16>(h, 156, s.verticalAccuracy);
    put<quint16>(h, 158, s.speedAccuracy);
    put<qint16>(h, 160, s.speedX);
    put<qint16>(h, 162, s.speedY);
    put<qint16>(h, 164, s.pitch);
    put<qint16>(h, 166, s.roll);
    put<quint16>(h, 168, s.yaw);
    put<qint16>(h, 170, s.cameraPitch);
    put<qint16>(h, 172, s.cameraRoll);
    put<qint16>(h, 174, s.cameraYaw);
    put<quint16>(h, 176, quint16(s.dataloggerVersion[0]));
    put<quint16>(h, 178, quint16(s.dataloggerVersion[1]));
    put<quint32>(h, 180, s.dataloggerVersion[2]);
    put<qint32>(h, 228, s.heightAddend);
    h[242] = char(s.advancedRadiometry);
    h[243] = char(s.highResolution);
    put<quint32>(h, 244, s.planckR);
    put<qint32>(h, 248, s.planckB);
    put<qint32>(h, 252, s.planckF);
    put<qint32>(h, 256, s.planckO);
    return h;
}

QByteArray rawData(const QVector<quint16> &counts)
{
    QByteArray out(counts.size() * 2, '\0');
    for (int i = 0; i < counts.size(); ++i)
        put<quint16>(out, 2 * i, counts[i]);
    return out;
}

QByteArray compressLines(const QVector<quint16> &counts, int width, int height,
                         const LineOptions &options)
{
    if (width < 1 || height < 0 || counts.size() < qint64(width) * height)
        return QByteArray();
    QByteArray out;
    out.reserve(width * height * 2);
    QByteArray codes;
    for (int y = 0; y < height; ++y) {
        const quint16 *line = counts.constData() + qint64(y) * width;
        codes.clear();
        BitWriter bits(codes);
        for (int x = 1; x < width; ++x) {
            int d = int(line[x]) - int(line[x - 1]);
            if (d > 32767)
                d -= 65536;
            else if (d < -32768)
                d += 65536;
            const int magnitude = std::abs(d);
            if (magnitude > 16383)
                return QByteArray();
            if (magnitude == 0) {
                bits.write(0, 4);
                continue;
            }
            int n = 0;
            while ((1 << n) <= magnitude)
                ++n;  // 2^(n-1) <= magnitude < 2^n
            const quint32 v = quint32(2 * (magnitude - (1 << (n - 1))) + (d < 0 ? 1 : 0));
            bits.write(quint32(n), 4);
            bits.write(v, n);
        }
        bits.finish(options.fillWithOnes);
        const int blockBytes = 2 + codes.size() + 2;  // first sample, codes, trailer
        const int length = qMin(qMin(blockBytes - 1, 2 * width - 1), 4095);
        out.append(char(((options.syncNibble & 0x0F) << 4) | ((length >> 8) & 0x0F)));
        out.append(char(length & 0xFF));
        out.append(char(line[0] >> 8));
        out.append(char(line[0] & 0xFF));
        out.append(codes);
        out.append(char(options.trailer[0]));
        out.append(char(options.trailer[1]));
    }
    return out;
}

QByteArray araFile(const FrameParams &frame, const QVector<quint16> &counts, Compression compression,
                   const LineOptions &options)
{
    const QByteArray data = compression == LineCompressed
        ? compressLines(counts, frame.width, frame.height, options)
        : rawData(counts);
    return header(frame, compression, quint32(data.size())) + data;
}

QByteArray arvRecording(const QVector<FrameParams> &frames, const QVector<QVector<quint16>> &counts,
                        Compression compression)
{
    QByteArray out;
    for (int i = 0; i < frames.size() && i < counts.size(); ++i)
        out += araFile(frames[i], counts[i], compression);
    return out;
}

quint16 countsForCelsius(double celsius)
{
    return quint16(qBound(0.0, std::round((celsius + 273.15) / 0.04), 16400.0));
}

QVector<quint16> scene(int width, int height, int seed)
{
    QVector<quint16> counts(qMax(0, width) * qMax(0, height));
    quint32 noise = 2463534242u ^ quint32(seed * 7919);
    struct Spot { double x, y, r, celsius; };
    const Spot spots[] = {
        {0.25 + 0.05 * (seed % 5), 0.30, 0.08, 55.0},   // hot roof vent
        {0.70, 0.60 - 0.04 * (seed % 4), 0.12, 38.0},   // warm wall
        {0.45, 0.80, 0.05, 4.0},                        // cold pond
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double fx = width > 1 ? double(x) / (width - 1) : 0.0;
            const double fy = height > 1 ? double(y) / (height - 1) : 0.0;
            double celsius = 14.0 + 8.0 * fy + 2.0 * fx;  // ground warmer towards the bottom
            for (const Spot &s : spots) {
                const double dx = fx - s.x, dy = fy - s.y;
                const double w = std::exp(-(dx * dx + dy * dy) / (s.r * s.r));
                celsius += (s.celsius - celsius) * w;
            }
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            celsius += (int(noise % 11) - 5) * 0.04;  // +-0.2 K sensor noise
            counts[y * width + x] = countsForCelsius(celsius);
        }
    }
    return counts;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(bytes) == bytes.size() && file.flush();
}

}  // namespace AraGen
