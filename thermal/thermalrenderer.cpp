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

// The colours a palette can give: 241 hues for palette 0, 256 grey, red or
// green levels for the others. A pixel then costs one division and a lookup.
struct PaletteTable {
    explicit PaletteTable(int palette) : palette(palette), hues(hueTable().data())
    {
        if (palette == 0)
            return;
        for (int g = 0; g < 256; ++g) {
            switch (palette) {
            case 1: levels[g] = qRgb(g, g, g); break;
            case 2: levels[g] = qRgb(255 - g, 255 - g, 255 - g); break;
            case 3: levels[g] = qRgb(g, 0, 0); break;
            case 4: levels[g] = qRgb(255 - g, 0, 0); break;
            case 5: levels[g] = qRgb(0, g, 0); break;
            default: levels[g] = qRgb(0, 255 - g, 0); break;
            }
        }
    }
    int palette;
    const QRgb *hues;
    QRgb levels[256];
};

inline QRgb colorOf(const PaletteTable &table, int count, int min, double span)
{
    // Clamp t before truncating: it is huge for counts far off a narrow scale.
    const double t = span == 0.0 ? 0.0 : qBound(-1.0, (count - min) / span, 2.0);
    if (table.palette == 0)
        return table.hues[qBound(0, 240 - int(t * 240), 240)];
    return table.levels[qBound(0, int(t * 255), 255)];
}

}  // namespace

int clampPalette(int palette)
{
    return qBound(0, palette, paletteCount - 1);
}

QRgb color(int palette, int count, int min, int max)
{
    return colorOf(PaletteTable(clampPalette(palette)), count, min, double(max) - double(min));
}

QImage colorize(const QVector<quint16> &counts, int width, int height, int palette, int min,
                int max, int threads)
{
    if (width <= 0 || height <= 0 || qint64(width) * height > counts.size())
        return QImage();
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const PaletteTable table(clampPalette(palette));
    const double span = double(max) - double(min);
    const quint16 *c = counts.constData();
    const int pixels = width * height;
    const int stride = int(image.bytesPerLine() / 4);
    QRgb *bits = reinterpret_cast<QRgb *>(image.bits());
    if (stride == width) {
#pragma omp parallel for schedule(static) num_threads(threads > 0 ? threads : omp_get_max_threads())
        for (int i = 0; i < pixels; ++i)
            bits[i] = colorOf(table, c[i], min, span);
    } else {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                bits[y * stride + x] = colorOf(table, c[y * width + x], min, span);
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
