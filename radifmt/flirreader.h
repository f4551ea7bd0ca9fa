#pragma once
// Diagnostic reader of radiometric JPEG files: gathers the FLIR APP1 pieces
// into one FFF image and prints its head, index and known records on the
// standard output, or on the stream the caller passes.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "radifmt/flirformat.h"
#include "radifmt/radifmt_export.h"

class RADIFMT_EXPORT FLIRReader {
public:
    FLIRReader();
    explicit FLIRReader(std::ostream *diagnostics);
    FLIRReader(const FLIRReader &other);
    FLIRReader(FLIRReader &&other) noexcept;
    FLIRReader &operator=(const FLIRReader &other);
    FLIRReader &operator=(FLIRReader &&other) noexcept;
    ~FLIRReader();

    // 0 read, -1 file not opened, -100 not a JPEG, -101 no APP1 segment.
    int openFile(const char *path);
    static std::string getError(int code);

    // Where the report goes; null restores the standard output.
    void setDiagnostics(std::ostream *stream);
    std::ostream *diagnostics() const { return m_out; }

private:
    void processE1Data(const std::vector<uint8_t> &segment);
    void processFLIRDATA(int size);

    std::vector<uint8_t> m_fffData;
    FLIR_FILE_HEAD m_fileHead;
    FLIR_BASIC_DATA m_basicData;
    uint32_t m_offset = 0;
    std::ostream *m_out;
};
