#include "radifmt/flirreader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iomanip>
#include <iostream>
#include <sstream>

namespace {

const size_t segmentBufferSize = 65536;
const uint32_t pieceSize = 65536;

uint16_t swap16(uint16_t v)
{
    return uint16_t((v >> 8) | (v << 8));
}

uint32_t swap32(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

void toHost(FLIR_FILE_HEAD &h)
{
    h.dwVersion = swap32(h.dwVersion);
    h.dwIndexOff = swap32(h.dwIndexOff);
    h.dwNumUsedIndex = swap32(h.dwNumUsedIndex);
    h.dwNextID = swap32(h.dwNextID);
    h.usSwapPattern = swap16(h.usSwapPattern);
    h.dwChecksum = swap32(h.dwChecksum);
}

void toHost(FLIR_INDEX_ENTRY &e)
{
    e.wMainType = swap16(e.wMainType);
    e.wSubType = swap16(e.wSubType);
    e.dwVersion = swap32(e.dwVersion);
    e.dwIndexID = swap32(e.dwIndexID);
    e.dwDataPtr = swap32(e.dwDataPtr);
    e.dwDataSize = swap32(e.dwDataSize);
    e.dwParent = swap32(e.dwParent);
    e.dwObjectNr = swap32(e.dwObjectNr);
    e.dwChecksum = swap32(e.dwChecksum);
}

// Values as one line each: numbers in decimal (bytes as numbers), texts up
// to their NUL, arrays separated by ", ".
template <typename T>
void printValue(std::ostream &out, const T &v)
{
    out << v;
}
void printValue(std::ostream &out, uint8_t v) { out << unsigned(v); }
template <size_t N>
void printValue(std::ostream &out, const char (&text)[N])
{
    out << std::string(text, ::strnlen(text, N));
}
template <typename T, size_t N>
void printValue(std::ostream &out, const T (&values)[N])
{
    for (size_t i = 0; i < N; ++i) {
        if (i)
            out << ", ";
        printValue(out, T(values[i]));
    }
}

// Labels of one group padded to the longest of them.
class Group {
public:
    Group(std::ostream &out, std::initializer_list<const char *> labels, const char *indent = "")
        : m_out(out), m_indent(indent), m_padded(*indent == '\0')
    {
        // One blank beyond the longest label keeps the colons clear of it.
        for (const char *l : labels)
            m_width = std::max(m_width, std::strlen(l) + 1);
    }
    template <typename T>
    void line(const char *label, const T &value) const
    {
        m_out << m_indent;
        if (m_padded)
            m_out << std::left << std::setw(int(m_width)) << label << std::right;
        else
            m_out << label;
        m_out << ": ";
        printValue(m_out, value);
        m_out << "\n";
    }

private:
    std::ostream &m_out;
    const char *m_indent;
    bool m_padded;
    size_t m_width = 0;
};

void printHead(std::ostream &out, const FLIR_FILE_HEAD &h)
{
    const Group g(out, {"szFormatID", "szOrigin", "dwVersion", "dwIndexOff", "dwNumUsedIndex", "dwNextID",
                        "usSwapPattern", "dwChecksum"});
    g.line("szFormatID", h.szFormatID);
    g.line("szOrigin", h.szOrigin);
    g.line("dwVersion", h.dwVersion);
    g.line("dwIndexOff", h.dwIndexOff);
    g.line("dwNumUsedIndex", h.dwNumUsedIndex);
    g.line("dwNextID", h.dwNextID);
    g.line("usSwapPattern", h.usSwapPattern);
    g.line("dwChecksum", h.dwChecksum);
}

void printEntry(std::ostream &out, const FLIR_INDEX_ENTRY &e)
{
    const Group g(out, {"wMainType", "wSubType", "dwVersion", "dwIndexID", "dwDataPtr", "dwDataSize",
                        "dwParent", "dwObjectNr", "dwChecksum"});
    g.line("wMainType", e.wMainType);
    g.line("wSubType", e.wSubType);
    g.line("dwVersion", e.dwVersion);
    g.line("dwIndexID", e.dwIndexID);
    g.line("dwDataPtr", e.dwDataPtr);
    g.line("dwDataSize", e.dwDataSize);
    g.line("dwParent", e.dwParent);
    g.line("dwObjectNr", e.dwObjectNr);
    g.line("dwChecksum", e.dwChecksum);
}

void printGeometry(std::ostream &out, const FLIR_GEOMETRIC_INFO &v)
{
    const Group g(out, {"pixelSize", "imageWidth", "imageHeight", "upperLeftX", "upperLeftY",
                        "firstValidX", "lastValidX", "firstValidY", "lastValidY", "detectorDeep",
                        "detectorID", "upSampling", "frameCtr", "minMeasRadius", "stripeFields"});
    g.line("pixelSize", v.pixelSize);
    g.line("imageWidth", v.imageWidth);
    g.line("imageHeight", v.imageHeight);
    g.line("upperLeftX", v.upperLeftX);
    g.line("upperLeftY", v.upperLeftY);
    g.line("firstValidX", v.firstValidX);
    g.line("lastValidX", v.lastValidX);
    g.line("firstValidY", v.firstValidY);
    g.line("lastValidY", v.lastValidY);
    g.line("detectorDeep", v.detectorDeep);
    g.line("detectorID", v.detectorID);
    g.line("upSampling", v.upSampling);
    g.line("frameCtr", v.frameCtr);
    g.line("minMeasRadius", v.minMeasRadius);
    g.line("stripeFields", v.stripeFields);
}

void printObject(std::ostream &out, const FLIR_OBJECT_PAR &v)
{
    const Group g(out, {"emissivity", "objectDistance", "ambTemp", "atmTemp", "extOptTemp",
                        "extOptTransm", "extAtmTransm", "relHum"});
    g.line("emissivity", v.emissivity);
    g.line("objectDistance", v.objectDistance);
    g.line("ambTemp", v.ambTemp);
    g.line("atmTemp", v.atmTemp);
    g.line("extOptTemp", v.extOptTemp);
    g.line("extOptTransm", v.extOptTransm);
    g.line("extAtmTransm", v.extAtmTransm);
    g.line("relHum", v.relHum);
}

void printCalibration(std::ostream &out, const FLIR_TEMP_CALIB &v)
{
    const Group g(out, {"typeOfPixelValues", "unitOfPixelValues", "R", "B", "F", "wbRBFinUse",
                        "RBFspare", "alpha1", "alpha2", "beta1", "beta2", "X", "alfaBetaSpare",
                        "tminSpanAuto", "tmax", "tmin", "tmaxClip", "tminClip", "tmaxWarn", "tminWarn",
                        "tmaxSaturated", "tminSaturated", "tminSpan", "presPrec", "specAccuracy",
                        "specRepeatability", "calibMode", "amendMode", "wreserved"});
    g.line("typeOfPixelValues", v.typeOfPixelValues);
    g.line("unitOfPixelValues", v.unitOfPixelValues);
    g.line("R", v.R);
    g.line("B", v.B);
    g.line("F", v.F);
    g.line("wbRBFinUse", v.wbRBFinUse);
    g.line("RBFspare", v.RBFspare);
    g.line("alpha1", v.alpha1);
    g.line("alpha2", v.alpha2);
    g.line("beta1", v.beta1);
    g.line("beta2", v.beta2);
    g.line("X", v.X);
    g.line("alfaBetaSpare", v.alfaBetaSpare);
    g.line("tminSpanAuto", v.tminSpanAuto);
    g.line("tmax", v.tmax);
    g.line("tmin", v.tmin);
    g.line("tmaxClip", v.tmaxClip);
    g.line("tminClip", v.tminClip);
    g.line("tmaxWarn", v.tmaxWarn);
    g.line("tminWarn", v.tminWarn);
    g.line("tmaxSaturated", v.tmaxSaturated);
    g.line("tminSaturated", v.tminSaturated);
    g.line("tminSpan", v.tminSpan);
    g.line("presPrec", v.presPrec);
    g.line("specAccuracy", v.specAccuracy);
    g.line("specRepeatability", v.specRepeatability);
    g.line("calibMode", v.calibMode);
    g.line("amendMode", v.amendMode);
    g.line("wreserved", v.wreserved);
}

void printAdjust(std::ostream &out, const FLIR_ADJUST_PAR &v)
{
    const Group g(out, {"normOffset", "normGain", "ipixUnderflow", "ipixOverflow", "typeOfLcorr", "L",
                        "Obas", "lineCorrSpare"});
    g.line("normOffset", v.normOffset);
    g.line("normGain", v.normGain);
    g.line("ipixUnderflow", v.ipixUnderflow);
    g.line("ipixOverflow", v.ipixOverflow);
    g.line("typeOfLcorr", v.typeOfLcorr);
    g.line("L", v.L);
    g.line("Obas", v.Obas);
    g.line("lineCorrSpare", v.lineCorrSpare);
}

void printPresent(std::ostream &out, const FLIR_PRES_PAR &v)
{
    const Group g(out, {"level", "span", "useHistogram", "useDDE", "levelDDE", "colorDistr"});
    g.line("level", v.level);
    g.line("span", v.span);
    g.line("useHistogram", v.useHistogram);
    g.line("useDDE", v.useDDE);
    g.line("levelDDE", v.levelDDE);
    g.line("colorDistr", v.colorDistr);
}

void printDisplay(std::ostream &out, const FLIR_DISPLAY_PAR &v)
{
    const Group g(out, {"yxPixRatio", "zoomFactor", "xpanVal", "ypanVal", "flipVal", "pad"});
    g.line("yxPixRatio", v.yxPixRatio);
    g.line("zoomFactor", v.zoomFactor);
    g.line("xpanVal", v.xpanVal);
    g.line("ypanVal", v.ypanVal);
    g.line("flipVal", v.flipVal);
    g.line("pad", v.pad);
}

void printImageInfo(std::ostream &out, const FLIR_IMAGEINFO &v)
{
    const Group g(out, {"imageTime", "imageMilliTime", "timeZoneBias", "swReserved1", "focusPos",
                        "fTsTemp", "fTSTempExt", "trigInfoType", "trigHit", "trigFlags", "reserved1",
                        "trigCount", "manipulType", "manipFactors", "detectorPars"});
    g.line("imageTime", v.imageTime);
    g.line("imageMilliTime", v.imageMilliTime);
    g.line("timeZoneBias", v.timeZoneBias);
    g.line("swReserved1", v.swReserved1);
    g.line("focusPos", v.focusPos);
    g.line("fTsTemp", v.fTsTemp);
    g.line("fTSTempExt", v.fTSTempExt);
    g.line("trigInfoType", v.trigInfoType);
    g.line("trigHit", v.trigHit);
    g.line("trigFlags", v.trigFlags);
    g.line("reserved1", v.reserved1);
    g.line("trigCount", v.trigCount);
    g.line("manipulType", v.manipulType);
    g.line("manipFactors", v.manipFactors);
    g.line("detectorPars", v.detectorPars);
}

void printDistribution(std::ostream &out, const FLIR_DISTR_DATA &v)
{
    const Group g(out, {"imgName", "distrLive", "distrrecalled", "curGlobalOffset", "curGlobalGain",
                        "regulMethodMask", "visualImage", "focusDistance", "stripeHeight",
                        "stripeStart", "imageFreq", "typePixStreamCtrlData", "pixStreamDataLine",
                        "errStatus", "imageMilliFreq", "reserved"});
    g.line("imgName", v.imgName);
    g.line("distrLive", v.distrLive);
    g.line("distrrecalled", v.distrrecalled);
    g.line("curGlobalOffset", v.curGlobalOffset);
    g.line("curGlobalGain", v.curGlobalGain);
    g.line("regulMethodMask", v.regulMethodMask);
    g.line("visualImage", v.visualImage);
    g.line("focusDistance", v.focusDistance);
    g.line("stripeHeight", v.stripeHeight);
    g.line("stripeStart", v.stripeStart);
    g.line("imageFreq", v.imageFreq);
    g.line("typePixStreamCtrlData", v.typePixStreamCtrlData);
    g.line("pixStreamDataLine", v.pixStreamDataLine);
    g.line("errStatus", v.errStatus);
    g.line("imageMilliFreq", v.imageMilliFreq);
    g.line("reserved", v.reserved);
}

void printExtendedImageInfo(std::ostream &out, const FLIR_EXTENDED_IMAGEINFO &v)
{
    const Group g(out, {"fData", "pzDPName"});
    const size_t count = sizeof v.entries / sizeof v.entries[0];
    for (size_t i = 0; i < count; ++i) {
        out << "ExtendedImageInfo[" << i << "]:\n";
        g.line("fData", v.entries[i].fData);
        g.line("pzDPName", v.entries[i].pzDPName);
    }
}

void printWbRBF(std::ostream &out, const FLIR_WBRBF_PAR &v)
{
    const Group g(out, {"num_wb", "wbID", "wbJ0", "wbJ1", "R", "B", "F", "U", "invTabLen",
                        "invTabMethod", "OS", "T"});
    g.line("num_wb", v.num_wb);
    g.line("wbID", v.wbID);
    g.line("wbJ0", v.wbJ0);
    g.line("wbJ1", v.wbJ1);
    g.line("R", v.R);
    g.line("B", v.B);
    g.line("F", v.F);
    g.line("U", v.U);
    g.line("invTabLen", v.invTabLen);
    g.line("invTabMethod", v.invTabMethod);
    g.line("OS", v.OS);
    g.line("T", v.T);
}

void printExtPresent(std::ostream &out, const FLIR_EXTENDED_PRESSPAR &v)
{
    const Group g(out, {"ddeMethod", "ddeParam"});
    g.line("ddeMethod", v.ddeMethod);
    g.line("ddeParam", v.ddeParam);
}

void printMeasurementInfo(std::ostream &out, const FLIR_MEASUREMENT_INFO &v)
{
    const Group g(out, {"endianTest", "firstFuncOffset", "funcDefHdrSize", "minMeasRadius", "reserved1",
                        "reserved2"});
    g.line("endianTest", v.endianTest);
    g.line("firstFuncOffset", v.firstFuncOffset);
    g.line("funcDefHdrSize", v.funcDefHdrSize);
    g.line("minMeasRadius", v.minMeasRadius);
    g.line("reserved1", v.reserved1);
    g.line("reserved2", v.reserved2);
}

void printMeasurementFunction(std::ostream &out, const FLIR_MEASUREMENT_FUNC &v)
{
    const Group g(out, {}, "  ");
    g.line("tAmb", v.tAmb);
    g.line("dist", v.dist);
    g.line("emiss", v.emiss);
    g.line("localParamMask", v.localParamMask);
    g.line("measPrioRes", v.measPrioRes);
    g.line("measCalcMask", v.measCalcMask);
    g.line("ownerFuncId", v.ownerFuncId);
    g.line("ownerFuncType", v.ownerFuncType);
    g.line("measFuncId", v.measFuncId);
    g.line("measFuncType", v.measFuncType);
    g.line("propOffset", v.propOffset);
    g.line("labelSize", v.labelSize);
    g.line("typeDepDataSize", v.typeDepDataSize);
    g.line("typeDepFormatRev", v.typeDepFormatRev);
    g.line("nextFuncOffset", v.nextFuncOffset);
}

bool readMarker(std::ifstream &file, uint16_t &marker)
{
    unsigned char b[2];
    if (!file.read(reinterpret_cast<char *>(b), 2))
        return false;
    marker = uint16_t((b[0] << 8) | b[1]);
    return true;
}

}  // namespace

FLIRReader::FLIRReader()
    : FLIRReader(nullptr)
{
}

FLIRReader::FLIRReader(std::ostream *diagnostics)
    : m_out(diagnostics ? diagnostics : &std::cout)
{
    std::memset(&m_fileHead, 0, sizeof m_fileHead);
    std::memset(&m_basicData, 0, sizeof m_basicData);
}

void FLIRReader::setDiagnostics(std::ostream *stream)
{
    m_out = stream ? stream : &std::cout;
}

FLIRReader::FLIRReader(const FLIRReader &other) = default;
FLIRReader::FLIRReader(FLIRReader &&other) noexcept = default;
FLIRReader &FLIRReader::operator=(const FLIRReader &other) = default;
FLIRReader &FLIRReader::operator=(FLIRReader &&other) noexcept = default;
FLIRReader::~FLIRReader() = default;

int FLIRReader::openFile(const char *path)
{
    *m_out << "FLIR SIZE " << sizeof(FLIR_FILE_HEAD) << "\n";
    *m_out << "TEST SWAP:" << swap16(256) << "\n";
    *m_out << "TEST SWAP:" << swap16(1) << "\n";
    *m_out << "TEST SWAP:" << swap16(swap16(1)) << "\n";

    if (!path)
        return -1;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open())
        return -1;

    uint16_t marker = 0;
    const bool gotMarker = readMarker(file, marker);
    *m_out << "POS: " << (gotMarker ? int64_t(file.tellg()) : int64_t(0)) << "\n";
    if (!gotMarker || marker != 0xFFD8)
        return -100;

    int result = -101;
    std::vector<uint8_t> segment;
    segment.reserve(segmentBufferSize);
    // The walk ends at the first quantisation table, at a short length
    // field or at the end of the file, whichever comes first.
    while (readMarker(file, marker)) {
        if (marker == 0xFFDB)
            break;
        if (marker != 0xFFE0 && marker != 0xFFE1)
            continue;
        uint16_t length = 0;
        if (!readMarker(file, length) || length < 2)
            break;
        if (marker == 0xFFE0) {
            file.seekg(length - 2, std::ios::cur);
            if (!file)
                break;
            continue;
        }
        result = 0;
        segment.resize(size_t(length - 2));
        if (!file.read(reinterpret_cast<char *>(segment.data()), std::streamsize(segment.size())))
            break;
        processE1Data(segment);
    }
    *m_out << std::flush;
    return result;
}

std::string FLIRReader::getError(int code)
{
    switch (code) {
    case 0: return "No Error";
    case -1: return "Can't open file";
    case -100: return "Not a JPEG file";
    case -101: return "No FLIR data in JPEG";
    default: return "Unknown Error";
    }
}

void FLIRReader::processE1Data(const std::vector<uint8_t> &segment)
{
    if (segment.size() < 4)
        return;
    if (segment.size() < 5 || std::memcmp(segment.data(), "FLIR\0", 5) != 0) {
        *m_out << "NOT A FLIR BLOCK, SKIPPING\n";
        return;
    }
    // A FLIR head has 8 bytes; a shorter segment has no piece numbers.
    if (segment.size() < 8)
        return;
    const int version = int8_t(segment[5]);
    const int piece = int8_t(segment[6]);
    const int last = int8_t(segment[7]);
    *m_out << "FLIR BLOCK " << version << " " << piece << " " << last << "\n";
    if (piece < 0 || last < 0)
        return;

    if (piece == 0) {
        m_fffData.assign(size_t(last + 1) * pieceSize, 0);
        m_offset = 0;
    }
    const size_t payload = segment.size() - 8;
    // Pieces that do not follow a first piece, or would run past the image
    // that piece announced, are dropped.
    if (m_fffData.empty() || payload > m_fffData.size() - m_offset) {
        *m_out << "DATA BLOCK OUT OF RANGE, SKIPPING\n";
        return;
    }
    std::copy(segment.begin() + 8, segment.end(), m_fffData.begin() + std::ptrdiff_t(m_offset));
    *m_out << "DATA BLOCK SIZE " << payload << "\n";
    m_offset += uint32_t(payload);

    if (piece == last)
        processFLIRDATA(int(m_offset));
}

void FLIRReader::processFLIRDATA(int size)
{
    *m_out << "PROCESSING FLIR DATA " << size << "\n";
    const size_t available = std::min(size_t(std::max(size, 0)), m_fffData.size());
    if (available < sizeof m_fileHead) {
        *m_out << "FLIR DATA TOO SHORT\n";
        return;
    }
    std::memcpy(&m_fileHead, m_fffData.data(), sizeof m_fileHead);
    const bool bigEndian = m_fileHead.usSwapPattern == 0;
    if (bigEndian)
        toHost(m_fileHead);
    *m_out << "hhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhhh \n";
    printHead(*m_out, m_fileHead);

    for (uint32_t i = 0; i < m_fileHead.dwNumUsedIndex; ++i) {
        const size_t at = 64 + size_t(i) * sizeof(FLIR_INDEX_ENTRY);
        if (at + sizeof(FLIR_INDEX_ENTRY) > available)
            break;
        FLIR_INDEX_ENTRY entry;
        std::memcpy(&entry, m_fffData.data() + at, sizeof entry);
        if (bigEndian)
            toHost(entry);
        if (entry.wMainType != 0) {
            *m_out << "***************************************************** " << i << "\n";
            printEntry(*m_out, entry);
        }
        const size_t ptr = entry.dwDataPtr;
        const bool inside = ptr <= available;
        switch (entry.wMainType) {
        case 0x20: {
            const size_t want = std::min<size_t>(entry.dwDataSize, sizeof m_basicData);
            if (!inside || want > available - ptr) {
                *m_out << "RECORD OUT OF RANGE\n";
                break;
            }
            std::memset(&m_basicData, 0, sizeof m_basicData);
            std::memcpy(&m_basicData, m_fffData.data() + ptr, want);
            printGeometry(*m_out, m_basicData.geometry);
            printObject(*m_out, m_basicData.objectParameters);
            printCalibration(*m_out, m_basicData.calibParameters);
            printAdjust(*m_out, m_basicData.adjustParameters);
            printPresent(*m_out, m_basicData.presentParameters);
            printDisplay(*m_out, m_basicData.displayParameters);
            printImageInfo(*m_out, m_basicData.imageInfo);
            printDistribution(*m_out, m_basicData.distributionData);
            printExtendedImageInfo(*m_out, m_basicData.extendedImageInfo);
            printWbRBF(*m_out, m_basicData.wbRBFparameters);
            printExtPresent(*m_out, m_basicData.extPresentParameters);
            break;
        }
        case 0x21: {
            FLIR_MEASUREMENT_INFO info;
            if (!inside || sizeof info > available - ptr) {
                *m_out << "RECORD OUT OF RANGE\n";
                break;
            }
            std::memcpy(&info, m_fffData.data() + ptr, sizeof info);
            printMeasurementInfo(*m_out, info);
            FLIR_MEASUREMENT_FUNC function;
            const size_t at = ptr + info.firstFuncOffset;
            if (at > available || sizeof function > available - at) {
                *m_out << "RECORD OUT OF RANGE\n";
                break;
            }
            std::memcpy(&function, m_fffData.data() + at, sizeof function);
            printMeasurementFunction(*m_out, function);
            break;
        }
        case 0x22: {
            // The palette is read but not printed.
            uint8_t palette[112];
            const size_t want = std::min<size_t>(entry.dwDataSize, sizeof palette);
            if (inside && want <= available - ptr)
                std::memcpy(palette, m_fffData.data() + ptr, want);
            break;
        }
        default:
            *m_out << "Unsupported tag ID " << std::hex << entry.wMainType << std::dec << "\n";
            break;
        }
    }
}
