#pragma once
// Encodes the grey preview of a thermal frame as a JPEG, line by line from
// the frame's signal values: no full-size picture is built first. The bytes
// are those Qt's JPEG writer gives for the same pixels held in a
// three-byte-per-pixel QImage (same library, settings and density).
#include <QByteArray>
#include <QtGlobal>

#include <cstdint>
#include <vector>

class PreviewJpeg {
public:
    // values: width x height signal values, line after line. grey: for each
    // value from lowest to highest, its grey level; values outside that
    // range take the nearer end. out is replaced.
    bool encode(const uint16_t *values, int width, int height, const uchar *grey, int lowest, int highest,
                QByteArray &out);

    // The density Qt's writer puts into the file for a new QImage, taken
    // from a small image it encodes (once per encoder).
    struct Density {
        int unit = 0;
        int x = 0;
        int y = 0;
    };
    static bool qtDensity(Density *density);

private:
    std::vector<uint8_t> m_row;
    Density m_density;
    bool m_haveDensity = false;
};
