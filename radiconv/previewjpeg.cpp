#include "radiconv/previewjpeg.h"

#include <QBuffer>
#include <QImage>

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE
#include <cstring>

#include <jpeglib.h>

namespace {

// The quality Qt's writer uses when none is asked for.
constexpr int qtDefaultQuality = 75;

struct Destination {
    jpeg_destination_mgr manager;
    QByteArray *out;
};

void initDestination(j_compress_ptr cinfo)
{
    auto *d = reinterpret_cast<Destination *>(cinfo->dest);
    if (d->out->size() < 64 * 1024)
        d->out->resize(qMax(d->out->capacity(), 64 * 1024));
    cinfo->dest->next_output_byte = reinterpret_cast<JOCTET *>(d->out->data());
    cinfo->dest->free_in_buffer = size_t(d->out->size());
}

boolean emptyOutputBuffer(j_compress_ptr cinfo)
{
    // Called when the whole buffer is full: double it and go on behind.
    auto *d = reinterpret_cast<Destination *>(cinfo->dest);
    const int used = d->out->size();
    d->out->resize(used * 2);
    cinfo->dest->next_output_byte = reinterpret_cast<JOCTET *>(d->out->data()) + used;
    cinfo->dest->free_in_buffer = size_t(d->out->size() - used);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    auto *d = reinterpret_cast<Destination *>(cinfo->dest);
    d->out->resize(d->out->size() - int(cinfo->dest->free_in_buffer));
}

struct ErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

// The library's own handler would end the process.
[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

void noMessage(j_common_ptr)
{
}

// One line of grey pixels: a four-byte store a pixel (its grey three times
// and once more), each overlapping the next; line has a spare byte at its
// end for the last one. Kept out of the function that calls setjmp, where
// the compiler keeps every local in memory.
Q_NEVER_INLINE void greyLine(const uint16_t *value, int width, const uchar *grey, int lowest, int highest,
                             uint8_t *line)
{
    for (int x = 0; x < width; ++x) {
        const quint32 c = grey[qBound(lowest, int(value[x]), highest) - lowest] * 0x01010101u;
        std::memcpy(line + 3 * x, &c, 4);
    }
}

}  // namespace

bool PreviewJpeg::qtDensity(Density *density)
{
    QImage probe(8, 8, QImage::Format_RGB888);
    probe.fill(Qt::gray);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !probe.save(&buffer, "JPEG"))
        return false;
    // SOI, then the JFIF APP0: "JFIF\0", version, unit, X and Y density.
    const auto *d = reinterpret_cast<const uchar *>(bytes.constData());
    if (bytes.size() < 20 || d[2] != 0xFF || d[3] != 0xE0 || std::memcmp(d + 6, "JFIF\0", 5) != 0)
        return false;
    density->unit = d[13];
    density->x = (d[14] << 8) | d[15];
    density->y = (d[16] << 8) | d[17];
    return true;
}

bool PreviewJpeg::encode(const uint16_t *values, int width, int height, const uchar *grey, int lowest,
                         int highest, QByteArray &out)
{
    if (!m_haveDensity) {
        if (!qtDensity(&m_density))
            return false;
        m_haveDensity = true;
    }
    if (width <= 0 || height <= 0 || lowest > highest)
        return false;
    m_row.resize(size_t(width) * 3 + 1);

    jpeg_compress_struct cinfo;
    ErrorManager error;
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = errorExit;
    error.manager.output_message = noMessage;
    Destination destination;
    destination.manager.init_destination = initDestination;
    destination.manager.empty_output_buffer = emptyOutputBuffer;
    destination.manager.term_destination = termDestination;
    destination.out = &out;
    out.resize(0);
    // Nothing with a destructor lives in this frame: a jump back from the
    // library skips no clean-up.
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    cinfo.dest = &destination.manager;
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    cinfo.density_unit = UINT8(m_density.unit);
    cinfo.X_density = UINT16(m_density.x);
    cinfo.Y_density = UINT16(m_density.y);
    jpeg_set_quality(&cinfo, qtDefaultQuality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPROW rows[1] = {m_row.data()};
    uint8_t *line = m_row.data();
    for (int y = 0; y < height; ++y) {
        greyLine(values + size_t(y) * size_t(width), width, grey, lowest, highest, line);
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}
