#include "radifmt/araimage.h"

#include <cstring>
#include <fstream>

const char AraImage::magicBytes[3] = {'S', 's', '\0'};

AraImage::AraImage()
{
    std::memset(&m_header, 0, sizeof m_header);
}

AraImage::AraImage(const AraImage &other) = default;

AraImage::AraImage(AraImage &&other) noexcept
    : m_header(other.m_header), m_sensorData(std::move(other.m_sensorData))
{
    other.m_sensorData.clear();
}

AraImage &AraImage::operator=(const AraImage &other) = default;

AraImage &AraImage::operator=(AraImage &&other) noexcept
{
    if (this != &other) {
        m_header = other.m_header;
        m_sensorData = std::move(other.m_sensorData);
        other.m_sensorData.clear();
    }
    return *this;
}

AraImage::~AraImage() = default;

int AraImage::read(const uint8_t *data, int size)
{
    // A frame the library can hold has at least its whole header block.
    if (!data || size < headerBlockSize)
        return 0;
    std::memcpy(&m_header, data, sizeof m_header);
    m_sensorData.assign(data + headerBlockSize, data + size);
    return int(m_header.frameWord);
}

AraImage AraImage::fromData(const uint8_t *data, int size)
{
    AraImage image;
    image.read(data, size);
    return image;
}

int64_t AraImage::read(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open())
        return -1;
    file.seekg(0, std::ios::end);
    const std::streamoff fileSize = file.tellg();
    file.seekg(0, std::ios::beg);
    if (!file || fileSize < headerBlockSize)
        return -1;

    char block[headerBlockSize];
    if (!file.read(block, headerBlockSize))
        return -1;
    ARA_HEADER header;
    std::memcpy(&header, block, sizeof header);

    // Size the buffer only for bytes the file really holds.
    const uint64_t count = header.sensorDataSize;
    if (count > uint64_t(fileSize - headerBlockSize))
        return -1;
    std::vector<uint8_t> sensor(static_cast<size_t>(count));
    if (count > 0 && !file.read(reinterpret_cast<char *>(sensor.data()), std::streamsize(count)))
        return -1;

    m_header = header;
    m_sensorData = std::move(sensor);
    return int64_t(headerBlockSize) + int64_t(count);
}

const ARA_HEADER AraImage::header() const
{
    return m_header;
}

const std::vector<uint8_t> &AraImage::sensorData() const
{
    return m_sensorData;
}
