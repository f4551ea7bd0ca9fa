#pragma once
// Turns one ARA frame into a FLIR FFF record set (file head, index, RawData,
// BasicData, ColorPalette and, with a GPS time, GPSInfo) and cuts it into
// JPEG APP1 segments. One writer serves one frame at a time; reused for the
// next frame it keeps its buffers, so a stream of frames allocates nothing
// large after the first.
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "radifmt/araimage.h"
#include "radifmt/flirformat.h"
#include "radifmt/radifmt_export.h"

class RADIFMT_EXPORT FLIRWriter {
public:
    FLIRWriter();
    explicit FLIRWriter(std::ostream *diagnostics);
    FLIRWriter(const FLIRWriter &other);
    FLIRWriter(FLIRWriter &&other) noexcept;
    FLIRWriter &operator=(const FLIRWriter &other);
    FLIRWriter &operator=(FLIRWriter &&other) noexcept;
    ~FLIRWriter();

    // Where refusals are reported; null restores the standard error stream.
    void setDiagnostics(std::ostream *stream);
    std::ostream *diagnostics() const { return m_out; }

    // Takes the frame's header and its width x height pixels. False (with a
    // line on the diagnostics stream) for frames the record set cannot
    // describe: version below 12, line-compressed pixels, fewer sensor bytes
    // than the header announces, fewer pixels than width x height, or fewer
    // than 2. Sensor bytes beyond width x height pixels are not used.
    bool read(const AraImage *image);
    // The same from a frame's header and its sensor bytes where they lie,
    // without an AraImage holding a copy of them.
    bool read(const ARA_HEADER &header, const uint8_t *sensor, size_t sensorBytes);

    // Builds the FFF byte image; call after a successful read.
    void createCompleteFLIRData();

    std::vector<uint8_t> getFLIRFileData() const;
    // The same bytes without a copy; valid until the next frame.
    const std::vector<uint8_t> &flirFileData() const;
    // The FFF byte image as FLIR APP1 segments; empty when there is none or
    // it needs more than 128 segments.
    std::vector<uint8_t> getAPP1Data() const;
    // The same into out, reusing its capacity; false when out stays empty.
    bool getAPP1Data(std::vector<uint8_t> &out) const;
    // The size of those segments (0 when there are none) and the segments
    // written to out, which holds that many bytes: callers building a file
    // put them in place without an intermediate copy.
    size_t app1DataSize() const;
    void copyAPP1Data(uint8_t *out) const;

    const std::vector<uint16_t> &getSLinearValues() const;
    const std::vector<uint16_t> &getTLinearValues() const;

    // Display range centred on the median (valid after createCompleteFLIRData).
    int minValue() const;
    int maxValue() const;

    static constexpr uint32_t app1PayloadSize = 65524;
    static constexpr int maxApp1Segments = 128;

private:
    void setFlirFileHead(unsigned indexOffset);
    void setFLIRRawData(unsigned dataOffset);
    void setBasicImageData(int dataOffset);
    void setColorPaletteData(const std::string &name, unsigned dataOffset);
    void setGPSData(unsigned dataOffset);

    void setGeometricInfo(FLIR_GEOMETRIC_INFO &geometry);
    void setObjectParameters(FLIR_OBJECT_PAR &parameters);
    void setCalibParameters(FLIR_TEMP_CALIB &calibration);
    void setCalibInfo(FLIR_CALIB_INFO &info);
    void setAdjustParameters(FLIR_ADJUST_PAR &parameters);
    void setPresentParameters(FLIR_PRES_PAR &parameters);
    void setDisplayParameters(FLIR_DISPLAY_PAR &parameters);
    void setImageInfo(FLIR_IMAGEINFO &info);
    void setDistributionData(FLIR_DISTR_DATA &data);
    void setExtendedImageInfo(FLIR_EXTENDED_IMAGEINFO &info);
    void setWbRBFparameters(FLIR_WBRBF_PAR &parameters);
    void setExtPresentParameters(FLIR_EXTENDED_PRESSPAR &parameters);
    void setGPSTag(FLIR_GPS_DATA &gps);

    void SLinearFromTLinear();
    void TLinearFromSLinear();

    ARA_HEADER m_header;
    uint32_t m_numIndexEntries = 0;
    std::vector<uint8_t> m_fffData;
    FLIR_FILE_HEAD m_fileHead;
    FLIR_INDEX_ENTRY m_basicDataIndex;
    FLIR_BASIC_DATA m_basicData;
    FLIR_INDEX_ENTRY m_rawDataIndex;
    FLIR_GEOMETRIC_INFO m_rawDataGeometry;
    std::vector<uint16_t> m_SLinear;
    std::vector<uint16_t> m_TLinear;
    FLIR_INDEX_ENTRY m_paletteIndex;
    std::vector<uint8_t> m_paletteData;
    FLIR_INDEX_ENTRY m_gpsIndex;
    FLIR_GPS_DATA m_gpsData;
    std::ostream *m_out;
};
