#include "flirreader.h"

#include <cstring>

FLIRReader::FLIRReader()
{
    std::memset(&m_fileHead, 0, sizeof m_fileHead);
    std::memset(&m_basicData, 0, sizeof m_basicData);
}

FLIRReader::FLIRReader(const FLIRReader &other) = default;
FLIRReader::FLIRReader(FLIRReader &&other) noexcept = default;
FLIRReader &FLIRReader::operator=(const FLIRReader &other) = default;
FLIRReader &FLIRReader::operator=(FLIRReader &&other) noexcept = default;
FLIRReader::~FLIRReader() = default;

int FLIRReader::openFile(const char *)
{
    return -1;
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

void FLIRReader::processE1Data(const std::vector<uint8_t> &)
{
}

void FLIRReader::processFLIRDATA(int)
{
}
