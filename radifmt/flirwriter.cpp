#include "radifmt/flirwriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const int basicDataSize = int(sizeof(FLIR_BASIC_DATA));
const int paletteSize = 784;
const int gpsDataSize = int(sizeof(FLIR_GPS_DATA));
const int minimumVersion = 12;

// The fixed "Rainbow" palette record that FLIR readers expect beside the
// calibration.
const uint8_t rainbowPalette[paletteSize] = {
    0xE0, 0x00, 0x00, 0x00, 0x00, 0x01, 0x31, 0x80, 0x80, 0xA9, 0x80, 0x80, 0x43, 0xD7, 0x62, 0x28,
    0x6D, 0xEF, 0x63, 0x80, 0x80, 0x91, 0x23, 0x35, 0x47, 0x02, 0x00, 0x01, 0x35, 0x00, 0x49, 0x02,
    0x00, 0x49, 0x02, 0x00, 0x49, 0x02, 0x00, 0x49, 0x02, 0x00, 0x4B, 0x03, 0x00, 0x4B, 0x03, 0x00,
    0x51, 0x02, 0x00, 0x51, 0x02, 0x00, 0x55, 0x06, 0x00, 0x55, 0x06, 0x00, 0x5C, 0x0C, 0x00, 0x5C,
    0x0C, 0x00, 0x64, 0x18, 0x00, 0x6A, 0x1F, 0x00, 0x6A, 0x1F, 0x00, 0x71, 0x26, 0x00, 0x71, 0x26,
    0x52, 0x61, 0x69, 0x6E, 0x62, 0x6F, 0x77, 0x00, 0xF4, 0xE9, 0xB3, 0x6D, 0xFE, 0xFF, 0xFF, 0xFF,
    0x5B, 0xA5, 0x4C, 0x75, 0x5B, 0xA5, 0x4C, 0x75, 0xBA, 0x92, 0x24, 0x57, 0x00, 0x00, 0x00, 0x00,
    0x18, 0x79, 0x9F, 0x18, 0x79, 0x9F, 0x18, 0x79, 0xA0, 0x18, 0x79, 0xA0, 0x18, 0x79, 0xA0, 0x18,
    0x79, 0xA0, 0x19, 0x79, 0xA0, 0x19, 0x79, 0xA0, 0x19, 0x79, 0xA3, 0x19, 0x79, 0xA3, 0x1B, 0x77,
    0xA4, 0x1B, 0x77, 0xA4, 0x1F, 0x74, 0xA5, 0x1F, 0x74, 0xA5, 0x26, 0x6F, 0xA5, 0x2A, 0x6C, 0xA6,
    0x2A, 0x6C, 0xA6, 0x2E, 0x69, 0xA7, 0x2E, 0x69, 0xA7, 0x30, 0x68, 0xAA, 0x30, 0x68, 0xAA, 0x35,
    0x65, 0xAC, 0x35, 0x65, 0xAC, 0x36, 0x63, 0xAD, 0x36, 0x63, 0xAD, 0x37, 0x62, 0xAD, 0x37, 0x62,
    0xAD, 0x39, 0x61, 0xAE, 0x3D, 0x5E, 0xB2, 0x3D, 0x5E, 0xB2, 0x3F, 0x5D, 0xB2, 0x3F, 0x5D, 0xB2,
    0x41, 0x5B, 0xB4, 0x41, 0x5B, 0xB4, 0x43, 0x5A, 0xB5, 0x43, 0x5A, 0xB5, 0x46, 0x58, 0xB9, 0x46,
    0x58, 0xB9, 0x48, 0x56, 0xB9, 0x48, 0x56, 0xB9, 0x4A, 0x55, 0xBB, 0x4A, 0x55, 0xBB, 0x4E, 0x52,
    0xBD, 0x51, 0x50, 0xBE, 0x51, 0x50, 0xBE, 0x53, 0x4F, 0xC0, 0x53, 0x4F, 0xC0, 0x53, 0x4E, 0xBF,
    0x53, 0x4E, 0xBF, 0x55, 0x4D, 0xBF, 0x55, 0x4D, 0xBF, 0x58, 0x4A, 0xC2, 0x58, 0x4A, 0xC2, 0x59,
    0x4A, 0xC1, 0x59, 0x4A, 0xC1, 0x5C, 0x48, 0xC1, 0x5E, 0x46, 0xC1, 0x5E, 0x46, 0xC1, 0x60, 0x45,
    0xBE, 0x60, 0x45, 0xBE, 0x61, 0x45, 0xBC, 0x61, 0x45, 0xBC, 0x63, 0x44, 0xB9, 0x63, 0x44, 0xB9,
    0x66, 0x42, 0xB7, 0x66, 0x42, 0xB7, 0x67, 0x42, 0xB1, 0x67, 0x42, 0xB1, 0x68, 0x43, 0xAC, 0x68,
    0x43, 0xAC, 0x69, 0x42, 0xA3, 0x6A, 0x44, 0x9C, 0x6A, 0x44, 0x9C, 0x6A, 0x44, 0x99, 0x6A, 0x44,
    0x99, 0x6B, 0x44, 0x95, 0x6B, 0x44, 0x95, 0x6C, 0x47, 0x8A, 0x6C, 0x47, 0x8A, 0x70, 0x4B, 0x7D,
    0x70, 0x4B, 0x7D, 0x73, 0x4F, 0x75, 0x73, 0x4F, 0x75, 0x77, 0x53, 0x6A, 0x7C, 0x5A, 0x5F, 0x7C,
    0x5A, 0x5F, 0x80, 0x5D, 0x56, 0x80, 0x5D, 0x56, 0x84, 0x61, 0x50, 0x84, 0x61, 0x50, 0x87, 0x65,
    0x4A, 0x87, 0x65, 0x4A, 0x8D, 0x6B, 0x42, 0x8D, 0x6B, 0x42, 0x91, 0x6F, 0x3E, 0x91, 0x6F, 0x3E,
    0x95, 0x71, 0x38, 0x95, 0x71, 0x38, 0x98, 0x74, 0x35, 0x9B, 0x78, 0x32, 0x9B, 0x78, 0x32, 0x9F,
    0x7A, 0x2F, 0x9F, 0x7A, 0x2F, 0xA2, 0x7F, 0x2C, 0xA2, 0x7F, 0x2C, 0xA5, 0x81, 0x2A, 0xA5, 0x81,
    0x2A, 0xAA, 0x85, 0x26, 0xAA, 0x85, 0x26, 0xAC, 0x87, 0x25, 0xAC, 0x87, 0x25, 0xAE, 0x8A, 0x24,
    0xB2, 0x8E, 0x23, 0xB2, 0x8E, 0x23, 0xB3, 0x91, 0x23, 0xB3, 0x91, 0x23, 0xB4, 0x93, 0x23, 0xB4,
    0x93, 0x23, 0xB4, 0x94, 0x23, 0xB4, 0x94, 0x23, 0xB6, 0x97, 0x22, 0xB6, 0x97, 0x22, 0xB6, 0x97,
    0x22, 0xB6, 0x97, 0x22, 0xB6, 0x99, 0x22, 0xB6, 0x99, 0x22, 0xB6, 0x9A, 0x23, 0xB5, 0x9E, 0x24,
    0xB5, 0x9E, 0x24, 0xB4, 0xA0, 0x25, 0xB4, 0xA0, 0x25, 0xB3, 0xA1, 0x26, 0xB3, 0xA1, 0x26, 0xB3,
    0xA2, 0x27, 0xB3, 0xA2, 0x27, 0xB1, 0xA5, 0x2A, 0xB1, 0xA5, 0x2A, 0xAF, 0xA8, 0x2B, 0xAF, 0xA8,
    0x2B, 0xAE, 0xAA, 0x2C, 0xAA, 0xAD, 0x2F, 0xAA, 0xAD, 0x2F, 0xA7, 0xAF, 0x32, 0xA7, 0xAF, 0x32,
    0xA5, 0xB2, 0x34, 0xA5, 0xB2, 0x34, 0xA3, 0xB4, 0x35, 0xA3, 0xB4, 0x35, 0xA1, 0xB4, 0x37, 0xA1,
    0xB4, 0x37, 0x9B, 0xB8, 0x3D, 0x9B, 0xB8, 0x3D, 0x98, 0xBC, 0x40, 0x98, 0xBC, 0x40, 0x94, 0xBF,
    0x42, 0x8C, 0xC4, 0x4A, 0x8C, 0xC4, 0x4A, 0x86, 0xC9, 0x4E, 0x86, 0xC9, 0x4E, 0x81, 0xCD, 0x52,
    0x81, 0xCD, 0x52, 0x7B, 0xCF, 0x57, 0x7B, 0xCF, 0x57, 0x74, 0xD5, 0x5D, 0x74, 0xD5, 0x5D, 0x70,
    0xD7, 0x61, 0x70, 0xD7, 0x61, 0x6C, 0xD9, 0x65, 0x66, 0xDD, 0x6A, 0x66, 0xDD, 0x6A, 0x65, 0xDE,
    0x6C, 0x65, 0xDE, 0x6C, 0x64, 0xDF, 0x6E, 0x64, 0xDF, 0x6E, 0x63, 0xDF, 0x70, 0x63, 0xDF, 0x70,
    0x63, 0xDE, 0x70, 0x63, 0xDE, 0x70, 0x62, 0xDE, 0x73, 0x62, 0xDE, 0x73, 0x63, 0xDD, 0x75, 0x63,
    0xDD, 0x75, 0x64, 0xDD, 0x76, 0x6A, 0xD7, 0x75, 0x6A, 0xD7, 0x75, 0x6E, 0xD5, 0x76, 0x6E, 0xD5,
    0x76, 0x74, 0xD1, 0x74, 0x74, 0xD1, 0x74, 0x79, 0xCD, 0x74, 0x79, 0xCD, 0x74, 0x82, 0xC7, 0x70,
    0x82, 0xC7, 0x70, 0x89, 0xC3, 0x6E, 0x89, 0xC3, 0x6E, 0x8B, 0xC1, 0x6F, 0x8E, 0xC0, 0x6F, 0x8E,
    0xC0, 0x6F, 0x96, 0xBA, 0x6D, 0x96, 0xBA, 0x6D, 0x9C, 0xB7, 0x6C, 0x9C, 0xB7, 0x6C, 0xA1, 0xB4,
    0x6C, 0xA1, 0xB4, 0x6C, 0xA6, 0xB0, 0x6C, 0xA6, 0xB0, 0x6C, 0xAE, 0xAC, 0x6A, 0xAE, 0xAC, 0x6A,
    0xB4, 0xA7, 0x6B, 0xB4, 0xA7, 0x6B, 0xB9, 0xA2, 0x6B, 0xC1, 0x9E, 0x6A, 0xC1, 0x9E, 0x6A, 0xC6,
    0x9A, 0x6C, 0xC6, 0x9A, 0x6C, 0xCA, 0x96, 0x6D, 0xCA, 0x96, 0x6D, 0xD0, 0x92, 0x6D, 0xD0, 0x92,
    0x6D, 0xD3, 0x91, 0x6F, 0xD3, 0x91, 0x6F, 0xD6, 0x8F, 0x72, 0xD6, 0x8F, 0x72, 0xD9, 0x8C, 0x70,
};

uint16_t bigEndian16(uint16_t v)
{
    return uint16_t((v >> 8) | (v << 8));
}

uint32_t bigEndian32(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

FLIR_FILE_HEAD toBigEndian(FLIR_FILE_HEAD h)
{
    h.dwVersion = bigEndian32(h.dwVersion);
    h.dwIndexOff = bigEndian32(h.dwIndexOff);
    h.dwNumUsedIndex = bigEndian32(h.dwNumUsedIndex);
    h.dwNextID = bigEndian32(h.dwNextID);
    h.usSwapPattern = bigEndian16(h.usSwapPattern);
    h.dwChecksum = bigEndian32(h.dwChecksum);
    return h;
}

FLIR_INDEX_ENTRY toBigEndian(FLIR_INDEX_ENTRY e)
{
    e.wMainType = bigEndian16(e.wMainType);
    e.wSubType = bigEndian16(e.wSubType);
    e.dwVersion = bigEndian32(e.dwVersion);
    e.dwIndexID = bigEndian32(e.dwIndexID);
    e.dwDataPtr = bigEndian32(e.dwDataPtr);
    e.dwDataSize = bigEndian32(e.dwDataSize);
    e.dwParent = bigEndian32(e.dwParent);
    e.dwObjectNr = bigEndian32(e.dwObjectNr);
    e.dwChecksum = bigEndian32(e.dwChecksum);
    return e;
}

FLIR_INDEX_ENTRY indexEntry(uint16_t mainType, uint16_t subType, uint32_t version, uint32_t dataPtr,
                            uint32_t dataSize)
{
    FLIR_INDEX_ENTRY e;
    std::memset(&e, 0, sizeof e);
    e.wMainType = mainType;
    e.wSubType = subType;
    e.dwVersion = version;
    e.dwIndexID = 1;
    e.dwDataPtr = dataPtr;
    e.dwDataSize = dataSize;
    return e;
}

// Truncates toward zero to 32 bits and keeps the low 16; NaN and values
// outside the 32-bit range give 0.
uint16_t signalValue(float s)
{
    if (!(s >= -2147483648.0f && s < 2147483648.0f))
        return 0;
    return uint16_t(uint32_t(int32_t(s)));
}

// The decimal number at text[from] as a C library's atoi reads it (blanks
// skipped, an optional sign, digits up to the first non-digit, "0" if
// none), kept as text so no number of digits can overflow.
std::string leadingNumber(const std::string &text, size_t from)
{
    size_t i = from;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    while (i < text.size() && text[i] == '0')
        ++i;
    std::string digits;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        digits += text[i];
    if (digits.empty())
        return "0";
    return negative ? "-" + digits : digits;
}

// Tables (up to 65536 entries) each frame needs; kept per thread instead of per
// writer so the class layout (and the library's ABI) stays as it is.
struct WorkBuffers {
    std::vector<uint32_t> countCache;
    std::vector<uint16_t> signals;
    std::vector<uint32_t> histogram;
};

// Smallest and largest value; (0, 0) for none. Runs over whole frames
// twice per frame, so it works eight values at a time where it can.
std::pair<uint16_t, uint16_t> valueRange(const uint16_t *v, size_t n)
{
    if (n == 0)
        return {0, 0};
    size_t i = 0;
    uint16_t lo = 0xFFFF, hi = 0;
#if defined(__SSE2__)
    if (n >= 16) {
        // SSE2 compares signed words only: flip the top bit so unsigned
        // order becomes signed order, and flip it back at the end.
        const __m128i flip = _mm_set1_epi16(int16_t(0x8000));
        __m128i lo0 = _mm_set1_epi16(0x7FFF), lo1 = lo0;
        __m128i hi0 = _mm_set1_epi16(int16_t(0x8000)), hi1 = hi0;
        for (; i + 16 <= n; i += 16) {
            const __m128i a = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(v + i)), flip);
            const __m128i b = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(v + i + 8)), flip);
            lo0 = _mm_min_epi16(lo0, a);
            hi0 = _mm_max_epi16(hi0, a);
            lo1 = _mm_min_epi16(lo1, b);
            hi1 = _mm_max_epi16(hi1, b);
        }
        alignas(16) uint16_t l[8], h[8];
        _mm_store_si128(reinterpret_cast<__m128i *>(l), _mm_xor_si128(_mm_min_epi16(lo0, lo1), flip));
        _mm_store_si128(reinterpret_cast<__m128i *>(h), _mm_xor_si128(_mm_max_epi16(hi0, hi1), flip));
        for (int j = 0; j < 8; ++j) {
            lo = std::min(lo, l[j]);
            hi = std::max(hi, h[j]);
        }
    }
#endif
    for (; i < n; ++i) {
        lo = std::min(lo, v[i]);
        hi = std::max(hi, v[i]);
    }
    return {lo, hi};
}

std::pair<uint16_t, uint16_t> valueRange(const std::vector<uint16_t> &values)
{
    return valueRange(values.data(), values.size());
}

WorkBuffers &threadBuffers()
{
    static thread_local WorkBuffers buffers;
    return buffers;
}

template <size_t N>
void copyText(char (&target)[N], const std::string &text)
{
    std::memset(target, 0, N);
    std::memcpy(target, text.data(), std::min(text.size(), N - 1));
}

}  // namespace

FLIRWriter::FLIRWriter()
    : FLIRWriter(nullptr)
{
}

FLIRWriter::FLIRWriter(std::ostream *diagnostics)
    : m_out(diagnostics ? diagnostics : &std::cerr)
{
    std::memset(&m_header, 0, sizeof m_header);
    std::memset(&m_fileHead, 0, sizeof m_fileHead);
    std::memset(&m_basicDataIndex, 0, sizeof m_basicDataIndex);
    std::memset(&m_basicData, 0, sizeof m_basicData);
    std::memset(&m_rawDataIndex, 0, sizeof m_rawDataIndex);
    std::memset(&m_rawDataGeometry, 0, sizeof m_rawDataGeometry);
    std::memset(&m_paletteIndex, 0, sizeof m_paletteIndex);
    std::memset(&m_gpsIndex, 0, sizeof m_gpsIndex);
    std::memset(&m_gpsData, 0, sizeof m_gpsData);
    m_paletteData.assign(rainbowPalette, rainbowPalette + paletteSize);
}

FLIRWriter::FLIRWriter(const FLIRWriter &other) = default;
FLIRWriter::FLIRWriter(FLIRWriter &&other) noexcept = default;
FLIRWriter &FLIRWriter::operator=(const FLIRWriter &other) = default;
FLIRWriter &FLIRWriter::operator=(FLIRWriter &&other) noexcept = default;
FLIRWriter::~FLIRWriter() = default;

void FLIRWriter::setDiagnostics(std::ostream *stream)
{
    m_out = stream ? stream : &std::cerr;
}

bool FLIRWriter::read(const AraImage *image)
{
    if (!image)
        return false;
    const std::vector<uint8_t> &sensor = image->sensorData();
    return read(image->header(), sensor.data(), sensor.size());
}

bool FLIRWriter::read(const ARA_HEADER &header, const uint8_t *sensor, size_t sensorBytes)
{
    m_header = header;
    if (m_header.fileVersion < minimumVersion) {
        *m_out << "FLIRFile::readARAdata() [E] Unsupported version " << m_header.fileVersion
               << ", must be at least " << minimumVersion << std::endl;
        return false;
    }
    // The record set carries raw pixels only; compressed lines would be
    // written as noise.
    if (m_header.compression == 3) {
        *m_out << "FLIRFile::readARAdata() [E] Line-compressed sensor data is not supported"
               << std::endl;
        return false;
    }
    const uint64_t announced = m_header.sensorDataSize;
    if (sensorBytes < announced) {
        *m_out << "FLIRFile::readARAdata() [E] Sensor data holds " << sensorBytes
               << " bytes, header says " << announced << std::endl;
        return false;
    }
    const uint64_t available = announced / 2;
    const uint64_t geometry = uint64_t(m_header.width) * m_header.height;
    if (geometry < 2 || geometry > available) {
        *m_out << "FLIRFile::readARAdata() [E] Image of " << m_header.width << " x "
               << m_header.height << " pixels does not fit " << available << " sensor values"
               << std::endl;
        return false;
    }
    // The record set describes width x height pixels; sensor bytes beyond
    // them would not match its geometry. The value buffers keep their
    // capacity from frame to frame.
    const size_t pixels = size_t(geometry);
    std::vector<uint16_t> &values = m_header.advancedRadiometry ? m_TLinear : m_SLinear;
    values.resize(pixels);
    uint16_t *value = values.data();
    const uint8_t *byte = sensor;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::memcpy(value, byte, 2 * pixels);  // the sensor bytes are little-endian already
#else
    for (size_t i = 0; i < pixels; ++i, byte += 2)
        value[i] = uint16_t(byte[0] | (byte[1] << 8));
#endif

    if (m_header.advancedRadiometry)
        SLinearFromTLinear();
    return true;
}

void FLIRWriter::SLinearFromTLinear()
{
    const float k = m_header.highResolution ? 0.04f : 0.4f;
    const float R = float(m_header.planckR);
    const float B = float(double(m_header.planckB) * 0.001);
    const float F = float(double(m_header.planckF) * 0.001);
    const float O = float(double(m_header.planckO) * 0.001);

    // Counts repeat a lot within a frame: convert each distinct one once.
    // The table spans only the frame's range of counts, so it stays small
    // and in cache.
    const auto [lowest, highest] = valueRange(m_TLinear);
    const size_t span = size_t(highest - lowest) + 1;
    const auto convert = [&](uint16_t c) {
        const float T = float(c) * k;
        const float e = float(std::exp(double(B / T)));
        const float s = R / (e - F) + O;
        return signalValue(s);
    };
    m_SLinear.resize(m_TLinear.size());
    uint16_t *out = m_SLinear.data();
    if (span * 8 <= m_TLinear.size()) {
        // Few counts for many pixels: convert the whole range up front, then
        // map the pixels without a test per pixel.
        std::vector<uint16_t> &table = threadBuffers().signals;
        table.resize(span);
        for (size_t i = 0; i < span; ++i)
            table[i] = convert(uint16_t(lowest + i));
        const uint16_t *signal = table.data();
        for (uint16_t c : m_TLinear)
            *out++ = signal[c - lowest];
        return;
    }
    const uint32_t unknown = 0xFFFFFFFFu;
    std::vector<uint32_t> &cache = threadBuffers().countCache;
    cache.assign(span, unknown);
    for (uint16_t c : m_TLinear) {
        uint32_t &known = cache[size_t(c - lowest)];
        if (known == unknown)
            known = convert(c);
        *out++ = uint16_t(known);
    }
}

void FLIRWriter::TLinearFromSLinear()
{
}

void FLIRWriter::createCompleteFLIRData()
{
    m_numIndexEntries = (m_header.gpsWeek != 0 && m_header.gpsTimeOfWeek != 0) ? 4 : 3;
    const size_t pixelBytes = 2 * m_SLinear.size();
    size_t total = 3356 + 32 * size_t(m_numIndexEntries) + pixelBytes;
    if (m_numIndexEntries == 4)
        total += gpsDataSize;
    // Every byte up to the last record is written below; only what lies
    // beyond it keeps the fill, so the buffer is not filled first.
    m_fffData.resize(total);

    setFlirFileHead(64);
    const FLIR_FILE_HEAD head = toBigEndian(m_fileHead);
    std::memcpy(m_fffData.data(), &head, sizeof head);

    setFLIRRawData(64 + 32 * m_numIndexEntries);
    FLIR_INDEX_ENTRY entry = toBigEndian(m_rawDataIndex);
    std::memcpy(m_fffData.data() + 64, &entry, sizeof entry);

    setBasicImageData(int(m_rawDataIndex.dwDataPtr + m_rawDataIndex.dwDataSize));
    entry = toBigEndian(m_basicDataIndex);
    std::memcpy(m_fffData.data() + 96, &entry, sizeof entry);

    setColorPaletteData("rainbow", m_basicDataIndex.dwDataPtr + basicDataSize);
    entry = toBigEndian(m_paletteIndex);
    std::memcpy(m_fffData.data() + 128, &entry, sizeof entry);

    if (m_numIndexEntries == 4) {
        setGPSData(m_paletteIndex.dwDataPtr + paletteSize);
        entry = toBigEndian(m_gpsIndex);
        std::memcpy(m_fffData.data() + 160, &entry, sizeof entry);
    }

    uint8_t *raw = m_fffData.data() + m_rawDataIndex.dwDataPtr;
    std::memcpy(raw, &m_rawDataGeometry, sizeof m_rawDataGeometry);
    uint8_t *pixel = raw + sizeof m_rawDataGeometry;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    if (!m_SLinear.empty())  // an empty frame has no pixel data to copy (and no pointer)
        std::memcpy(pixel, m_SLinear.data(), 2 * m_SLinear.size());  // stored little-endian
#else
    for (uint16_t v : m_SLinear) {
        *pixel++ = uint8_t(v & 0xFF);
        *pixel++ = uint8_t(v >> 8);
    }
#endif
    std::memcpy(m_fffData.data() + m_basicDataIndex.dwDataPtr, &m_basicData, sizeof m_basicData);
    std::memcpy(m_fffData.data() + m_paletteIndex.dwDataPtr, m_paletteData.data(), paletteSize);
    size_t end = m_paletteIndex.dwDataPtr + paletteSize;
    if (m_numIndexEntries == 4) {
        std::memcpy(m_fffData.data() + m_gpsIndex.dwDataPtr, &m_gpsData, sizeof m_gpsData);
        end = m_gpsIndex.dwDataPtr + gpsDataSize;
    }
    if (end < total)
        std::memset(m_fffData.data() + end, 0x7F, total - end);
}

void FLIRWriter::setFlirFileHead(unsigned indexOffset)
{
    std::memset(&m_fileHead, 0, sizeof m_fileHead);
    copyText(m_fileHead.szFormatID, "FFF");
    copyText(m_fileHead.szOrigin, "ATAU_RBFO");
    m_fileHead.dwVersion = 100;
    m_fileHead.dwIndexOff = indexOffset;
    m_fileHead.dwNumUsedIndex = m_numIndexEntries;
    m_fileHead.dwNextID = 2;
}

void FLIRWriter::setFLIRRawData(unsigned dataOffset)
{
    m_rawDataIndex = indexEntry(0x0001, 0x0002, 100, dataOffset,
                                uint32_t(2 * m_SLinear.size() + sizeof(FLIR_GEOMETRIC_INFO)));
    setGeometricInfo(m_rawDataGeometry);
}

void FLIRWriter::setBasicImageData(int dataOffset)
{
    m_basicDataIndex = indexEntry(0x0020, 0x0001, 107, uint32_t(dataOffset), basicDataSize);
    std::memset(&m_basicData, 0, sizeof m_basicData);
    setGeometricInfo(m_basicData.geometry);
    setObjectParameters(m_basicData.objectParameters);
    setCalibParameters(m_basicData.calibParameters);
    setCalibInfo(m_basicData.calibInfo);
    setAdjustParameters(m_basicData.adjustParameters);
    setPresentParameters(m_basicData.presentParameters);
    setDisplayParameters(m_basicData.displayParameters);
    setImageInfo(m_basicData.imageInfo);
    setDistributionData(m_basicData.distributionData);
    setExtendedImageInfo(m_basicData.extendedImageInfo);
    setWbRBFparameters(m_basicData.wbRBFparameters);
    setExtPresentParameters(m_basicData.extPresentParameters);
}

void FLIRWriter::setColorPaletteData(const std::string &, unsigned dataOffset)
{
    m_paletteIndex = indexEntry(0x0022, 0x0001, 104, dataOffset, paletteSize);
    m_paletteData.assign(rainbowPalette, rainbowPalette + paletteSize);
}

void FLIRWriter::setGPSData(unsigned dataOffset)
{
    m_gpsIndex = indexEntry(0x002B, 0x0001, 100, dataOffset, gpsDataSize);
    std::memset(&m_gpsData, 0, sizeof m_gpsData);
    setGPSTag(m_gpsData);
}

void FLIRWriter::setGeometricInfo(FLIR_GEOMETRIC_INFO &g)
{
    std::memset(&g, 0, sizeof g);
    g.pixelSize = m_header.pixelSize;
    g.imageWidth = m_header.width;
    g.imageHeight = m_header.height;
    g.lastValidX = uint16_t(m_header.width - 1);
    g.lastValidY = uint16_t(m_header.height - 1);
    g.detectorDeep = 14;
    g.minMeasRadius = 1;
}

void FLIRWriter::setObjectParameters(FLIR_OBJECT_PAR &p)
{
    std::memset(&p, 0, sizeof p);
    p.emissivity = 1.0f;
    p.objectDistance = 10.0f;
    p.ambTemp = 295.15f;
    p.atmTemp = 295.15f;
    p.extOptTemp = 295.15f;
    p.extOptTransm = 1.0f;
    p.extAtmTransm = 1.0f;
    p.relHum = 0.5f;
}

void FLIRWriter::setCalibParameters(FLIR_TEMP_CALIB &c)
{
    std::memset(&c, 0, sizeof c);
    c.typeOfPixelValues = 1;
    c.unitOfPixelValues = 0;
    c.R = float(m_header.planckR);
    c.B = float(m_header.planckB) / 1000.0f;
    c.F = float(m_header.planckF) / 1000.0f;
    c.alpha1 = 0.006569f;
    c.alpha2 = 0.01262f;
    c.beta1 = -0.002276f;
    c.beta2 = -0.00667f;
    c.X = 1.9f;
    c.tminSpanAuto = 10.0f;
    c.tmax = 408.15f;
    c.tmin = 248.15f;
    c.tmaxClip = 408.15f;
    c.tminClip = 228.15f;
    c.tmaxWarn = 408.15f;
    c.tminWarn = 248.15f;
    c.tmaxSaturated = 423.15f;
    c.tminSaturated = 223.15f;
    c.tminSpan = 2.0f;
    c.presPrec = 1;
}

void FLIRWriter::setCalibInfo(FLIR_CALIB_INFO &info)
{
    std::memset(&info, 0, sizeof info);
    copyText(info.cameraModel, "FLIR Tau 2 640");
    const char *part = m_header.cameraPartNumber;
    const std::string partNumber(part, ::strnlen(part, 15));
    copyText(info.cameraPartNumber, partNumber);
    char serial[16];
    std::snprintf(serial, sizeof serial, "%u", unsigned(m_header.cameraSerialNumber));
    copyText(info.cameraSerialNumber, serial);
    info.lensCount = 1;
    const std::string lens = partNumber.size() > 5 ? leadingNumber(partNumber, 5) : "0";
    copyText(info.lensName, "FOL" + lens);
    copyText(info.lensPartNumber, "*");
    copyText(info.lensSerialNumber, "*");
    info.filterCount = 0;
    info.calibrationId = 852000;
}

void FLIRWriter::setAdjustParameters(FLIR_ADJUST_PAR &p)
{
    std::memset(&p, 0, sizeof p);
    p.normOffset = int32_t(-double(m_header.planckO) * 0.001);
    p.normGain = 1.0f;
    p.ipixUnderflow = 0;
    p.ipixOverflow = 0xFFFF;
}

void FLIRWriter::setPresentParameters(FLIR_PRES_PAR &p)
{
    static const uint8_t colorDistr[32] = {0x03, 0x03, 0x03, 0x04, 0x05, 0x06, 0x06, 0x07,
                                           0x09, 0x0A, 0x0C, 0x0D, 0x0C, 0x0D, 0x0D, 0x09,
                                           0x0A, 0x09, 0x09, 0x08, 0x08, 0x07, 0x07, 0x06,
                                           0x06, 0x04, 0x04, 0x04, 0x03, 0x04, 0x04, 0x03};
    std::memset(&p, 0, sizeof p);
    const size_t n = m_SLinear.size();
    if (n >= 2) {
        // Selection of ranks n/2 - 1 and n/2 by counting: the values are
        // 16-bit, so one histogram pass (over the frame's range of values)
        // replaces the partial ordering.
        const auto [lowest, highest] = valueRange(m_SLinear);
        const int minimum = lowest, maximum = highest;
        const size_t span = size_t(maximum - minimum) + 1;
        std::vector<uint32_t> &histogram = threadBuffers().histogram;
        const uint16_t *value = m_SLinear.data();
        if (span <= 16384) {
            // Neighbouring pixels often share a value: four counts side by
            // side keep the increments from waiting on each other.
            histogram.assign(4 * span, 0);
            uint32_t *count = histogram.data();
            size_t i = 0;
            for (; i + 4 <= n; i += 4) {
                ++count[4 * size_t(value[i] - minimum)];
                ++count[4 * size_t(value[i + 1] - minimum) + 1];
                ++count[4 * size_t(value[i + 2] - minimum) + 2];
                ++count[4 * size_t(value[i + 3] - minimum) + 3];
            }
            for (; i < n; ++i)
                ++count[4 * size_t(value[i] - minimum)];
            for (size_t v = 0; v < span; ++v)
                count[v] = count[4 * v] + count[4 * v + 1] + count[4 * v + 2] + count[4 * v + 3];
        } else {
            histogram.assign(span, 0);
            for (size_t i = 0; i < n; ++i)
                ++histogram[size_t(value[i] - minimum)];
        }
        const size_t upperRank = n / 2;
        int lowerValue = -1, upperValue = -1;
        size_t seen = 0;
        for (int v = minimum; v <= maximum && upperValue < 0; ++v) {
            seen += histogram[size_t(v - minimum)];
            if (lowerValue < 0 && seen > upperRank - 1)
                lowerValue = v;
            if (seen > upperRank)
                upperValue = v;
        }
        p.level = int32_t(float(upperValue + lowerValue) * 0.5f);
        p.span = std::max(std::abs(p.level - minimum), std::abs(p.level - maximum));
    }
    p.useHistogram = m_header.advancedRadiometry ? 3 : 2;
    std::memcpy(p.colorDistr, colorDistr, sizeof colorDistr);
}

void FLIRWriter::setDisplayParameters(FLIR_DISPLAY_PAR &p)
{
    std::memset(&p, 0, sizeof p);
    p.yxPixRatio = 1.0f;
    p.zoomFactor = 1.0f;
}

void FLIRWriter::setImageInfo(FLIR_IMAGEINFO &)
{
}

void FLIRWriter::setDistributionData(FLIR_DISTR_DATA &)
{
}

void FLIRWriter::setExtendedImageInfo(FLIR_EXTENDED_IMAGEINFO &)
{
}

void FLIRWriter::setWbRBFparameters(FLIR_WBRBF_PAR &p)
{
    std::memset(&p, 0, sizeof p);
}

void FLIRWriter::setExtPresentParameters(FLIR_EXTENDED_PRESSPAR &p)
{
    std::memset(&p, 0, sizeof p);
}

void FLIRWriter::setGPSTag(FLIR_GPS_DATA &gps)
{
    std::memset(&gps, 0, sizeof gps);
    gps.dwValid = 1;
    gps.latitudeRef = m_header.latitude > 0 ? 'N' : 'S';
    gps.longitudeRef = m_header.longitude > 0 ? 'E' : 'W';
    gps.altitudeRef = m_header.altitude <= 0 ? 1 : 0;
    gps.latitude = std::fabs(double(m_header.latitude)) * 1e-7;
    gps.longitude = std::fabs(double(m_header.longitude)) * 1e-7;
    gps.altitude = float(std::fabs(double(m_header.altitude)) * 0.001);
    gps.imgDirectionRef = 'T';
    gps.imgDirection = float(m_header.yaw * 0.01);
    copyText(gps.mapDatum, "WGS-84");
    gps.gpsTag = 53;
}

std::vector<uint8_t> FLIRWriter::getFLIRFileData() const
{
    return m_fffData;
}

const std::vector<uint8_t> &FLIRWriter::flirFileData() const
{
    return m_fffData;
}

std::vector<uint8_t> FLIRWriter::getAPP1Data() const
{
    std::vector<uint8_t> out;
    getAPP1Data(out);
    return out;
}

bool FLIRWriter::getAPP1Data(std::vector<uint8_t> &out) const
{
    const size_t size = app1DataSize();
    out.resize(size);
    if (size == 0)
        return false;
    copyAPP1Data(out.data());
    return true;
}

size_t FLIRWriter::app1DataSize() const
{
    const size_t size = m_fffData.size();
    if (size == 0)
        return 0;
    const size_t pieces = (size + app1PayloadSize - 1) / app1PayloadSize;
    // Piece numbers are single bytes that readers take as signed.
    if (pieces > size_t(maxApp1Segments)) {
        *m_out << "FLIRFile::getAPP1Data() [E] FLIR data of " << size << " bytes needs "
               << pieces << " segments, at most " << maxApp1Segments << " are possible"
               << std::endl;
        return 0;
    }
    return size + 12 * pieces;
}

void FLIRWriter::copyAPP1Data(uint8_t *out) const
{
    const size_t size = m_fffData.size();
    const size_t pieces = (size + app1PayloadSize - 1) / app1PayloadSize;
    if (pieces == 0 || pieces > size_t(maxApp1Segments))
        return;
    for (size_t i = 0; i < pieces; ++i) {
        const size_t begin = i * app1PayloadSize;
        const size_t payload = std::min<size_t>(app1PayloadSize, size - begin);
        const size_t length = payload + 10;
        const uint8_t head[12] = {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length & 0xFF),
                                  'F', 'L', 'I', 'R', 0x00, 0x01, uint8_t(i), uint8_t(pieces - 1)};
        std::memcpy(out, head, sizeof head);
        std::memcpy(out + sizeof head, m_fffData.data() + begin, payload);
        out += sizeof head + payload;
    }
}

const std::vector<uint16_t> &FLIRWriter::getSLinearValues() const
{
    return m_SLinear;
}

const std::vector<uint16_t> &FLIRWriter::getTLinearValues() const
{
    return m_TLinear;
}

int FLIRWriter::minValue() const
{
    return m_basicData.presentParameters.level - m_basicData.presentParameters.span;
}

int FLIRWriter::maxValue() const
{
    return m_basicData.presentParameters.level + m_basicData.presentParameters.span;
}
