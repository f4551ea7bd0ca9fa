#include "thermal/thermalrenderer.h"

#include <QColor>
#include <QtEndian>
#include <array>
#include <omp.h>

namespace ThermalRenderer {

namespace {

// The 241 hues of palette 0, converted once; HSV conversion per pixel would
// dominate the fill.
const std::array<QRgb, 241> &hueTable()
{
    static const std::array<QRgb, 241> table = [] {
        std::array<QRgb, 241> t{};
        for (int h = 0; h <= 240; ++h)
            t[size_t(h)] = QColor::fromHsv(h, 255, 255).rgb();
        return t;
    }();
    return table;
}

inline QRgb colorOf(int palette, int count, int min, double span, const QRgb *hues)
{
    const double t = span == 0.0 ? 0.0 : (count - min) / span;
    if (palette == 0) {
        // Clamp before truncating: t is huge for counts far off a narrow scale.
        const double ht = qBound(-1.0, t, 2.0);
        return hues[qBound(0, 240 - int(ht * 240), 240)];
    }
    const int g = qBound(0, int(qBound(-1.0, t, 2.0) * 255), 255);
    switch (palette) {
    case 1: return qRgb(g, g, g);
    case 2: return qRgb(255 - g, 255 - g, 255 - g);
    case 3: return qRgb(g, 0, 0);
    case 4: return qRgb(255 - g, 0, 0);
    case 5: return qRgb(0, g, 0);
    default: return qRgb(0, 255 - g, 0);
    }
}

}  // namespace

int clampPalette(int palette)
{
    return qBound(0, palette, paletteCount - 1);
}

QRgb color(int palette, int count, int min, int max)
{
    return colorOf(clampPalette(palette), count, min, double(max) - double(min),
                   hueTable().data());
}

QImage colorize(const QVector<quint16> &counts, int width, int height, int palette, int min,
                int max, int threads)
{
    if (width <= 0 || height <= 0 || qint64(width) * height > counts.size())
        return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const int p = clampPalette(palette);
    const double span = double(max) - double(min);
    const QRgb *hues = hueTable().data();
    const quint16 *c = counts.constData();
    const int pixels = width * height;
    const int stride = int(image.bytesPerLine() / 4);
    QRgb *bits = reinterpret_cast<QRgb *>(image.bits());
    if (stride == width) {
#pragma omp parallel for schedule(static) num_threads(threads > 0 ? threads : omp_get_max_threads())
        for (int i = 0; i < pixels; ++i)
            bits[i] = colorOf(p, c[i], min, span, hues);
    } else {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bits[y * stride + x] = colorOf(p, c[y * width + x], min, span, hues);
    }
    return image;
}

QPoint minMax(const QVector<quint16> &counts, int pixels)
{
    const int n = pixels < 0 ? counts.size() : qMin(pixels, counts.size());
    int min = fullScaleMax;
    int max = 0;
    const quint16 *c = counts.constData();
    for (int i = 0; i < n; ++i) {
        const int v = c[i];
        if (v != 0 && v < min)
            min = v;
        if (v > max)
            max = v;
    }
    return QPoint(min, max);
}

QByteArray toBytes(const QVector<quint16> &counts)
{
    QByteArray out(counts.size() * 2, Qt::Uninitialized);
    uchar *d = reinterpret_cast<uchar *>(out.data());
    for (int i = 0; i < counts.size(); ++i)
        qToLittleEndian<quint16>(counts[i], d + 2 * i);
    return out;
}

QVector<quint16> fromBytes(const QByteArray &bytes)
{
    QVector<quint16> out(bytes.size() / 2);
    const uchar *d = reinterpret_cast<const uchar *>(bytes.constData());
    for (int i = 0; i < out.size(); ++i)
        out[i] = qFromLittleEndian<quint16>(d + 2 * i);
    return out;
}

double toCelsius(double count, int measurementType)
{
    if (measurementType == 1)
        return count * 0.4 - 273.15;
    if (measurementType == 2)
        return count * 0.04 - 273.15;
    return count;
}

int fromCelsius(double celsius, int measurementType)
{
    if (measurementType == 1)
        return int((celsius + 273.15) * 2.5);
    return int((celsius + 273.15) * 25);
}

QString valueText(double count, int measurementType)
{
    if (measurementType == 1 || measurementType == 2)
        return QString::number(toCelsius(count, measurementType), 'g', 6) + QChar(0xB0)
               + QLatin1Char('C');
    return QString::number(qint64(count));
}

}  // namespace ThermalRenderer
