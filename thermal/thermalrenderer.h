#pragma once
// Temperature colouring of raw counts, the min/max search and the
// count/temperature rule. No widgets: project creation and export run this on
// worker threads, the view on the GUI thread, and both get the same pixels.
#include <QImage>
#include <QPoint>
#include <QString>
#include <QVector>
#include <QtGlobal>

namespace ThermalRenderer {

constexpr int paletteCount = 7;
constexpr int fullScaleMin = 0;
constexpr int fullScaleMax = 16400;

// Palette index clamped into 0..6.
int clampPalette(int palette);

// The colour of count c with the scale (min, max). min == max colours every
// pixel as the minimum; counts outside the scale take the colour of the
// nearer end.
QRgb color(int palette, int count, int min, int max);

// Width x height pixels (row-major counts) coloured into an RGB32 image. The
// pixel loop runs on all cores unless threads is 1. A null image when the
// counts do not cover width x height.
QImage colorize(const QVector<quint16> &counts, int width, int height, int palette, int min,
                int max, int threads = 0);

// Minimum (start 16400, counts of 0 ignored) and maximum (start 0) of the
// first `pixels` counts (all of them when negative).
QPoint minMax(const QVector<quint16> &counts, int pixels = -1);

// Counts as little-endian bytes, and back.
QByteArray toBytes(const QVector<quint16> &counts);
QVector<quint16> fromBytes(const QByteArray &bytes);

// Measurement type 1: 0.4 K per count, 2: 0.04 K per count, 0: raw counts.
double toCelsius(double count, int measurementType);
int fromCelsius(double celsius, int measurementType);
// "%1°C" with 6 significant digits for types 1 and 2, else the count.
QString valueText(double count, int measurementType);

}  // namespace ThermalRenderer
