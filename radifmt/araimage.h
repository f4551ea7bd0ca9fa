#pragma once
// One thermal frame of an ARA recording: the leading 288 bytes of its
// 512-byte header block and the sensor bytes behind the block.
#include <cstdint>
#include <string>
#include <vector>

#include "radifmt/radifmt_export.h"

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "radifmt keeps ARA and FFF little-endian records byte for byte; it needs a little-endian host"
#endif

#pragma pack(push, 1)
// Bytes 0-287 of the ARA header block, little-endian and packed. Reserved
// ranges are kept as they were read.
struct ARA_HEADER {
    uint16_t magic;                   // 0: "Ss"
    uint32_t frameWord;               // 2: non-zero in a valid frame
    uint8_t reserved6[12];            // 6
    uint16_t width;                   // 18
    uint16_t widthHigh;               // 20: 0 in valid frames
    uint16_t height;                  // 22
    uint16_t heightHigh;              // 24: 0 in valid frames
    uint8_t reserved26[4];            // 26
    uint32_t compression;             // 30: 0 raw, 3 line-compressed
    uint32_t sensorDataSize;          // 34: sensor bytes behind the block
    uint8_t reserved38[16];           // 38
    uint16_t fileVersion;             // 54
    uint8_t reserved56[2];            // 56
    uint16_t fileMode;                // 58
    uint8_t reserved60[4];            // 60
    uint16_t pixelSize;               // 64
    uint8_t reserved66[8];            // 66
    uint32_t cameraSerialNumber;      // 74
    uint32_t cameraSerialSensorNumber;// 78
    uint32_t cameraVersion;           // 82
    uint32_t cameraFirmwareVersion;   // 86
    uint16_t cameraSensorTemperature; // 90: tenths of a degree
    uint8_t reserved92[8];            // 92
    char cameraPartNumber[16];        // 100: NUL-terminated
    uint8_t reserved116[16];          // 116
    uint32_t timeMs;                  // 132
    uint16_t gpsWeek;                 // 136
    uint32_t gpsTimeOfWeek;           // 138: ms
    int32_t longitude;                // 142: 1e-7 degree
    int32_t latitude;                 // 146: 1e-7 degree
    int32_t altitude;                 // 150: mm
    uint16_t horizontalAccuracy;      // 154
    uint16_t verticalAccuracy;        // 156
    uint16_t speedAccuracy;           // 158
    int16_t speedX;                   // 160
    int16_t speedY;                   // 162
    int16_t pitch;                    // 164: 0.01 degree
    int16_t roll;                     // 166: 0.01 degree
    uint16_t yaw;                     // 168: 0.01 degree
    int16_t cameraPitch;              // 170: 0.01 degree
    int16_t cameraRoll;               // 172: 0.01 degree
    int16_t cameraYaw;                // 174: 0.01 degree
    uint16_t dataloggerVersion1;      // 176
    uint16_t dataloggerVersion2;      // 178
    uint32_t dataloggerVersion3;      // 180
    uint8_t reserved184[44];          // 184
    int32_t heightAddend;             // 228: mm
    uint8_t reserved232[10];          // 232
    uint8_t advancedRadiometry;       // 242: non-zero: temperature-linear pixels
    uint8_t highResolution;           // 243: non-zero: 0.04 K per count, else 0.4 K
    uint32_t planckR;                 // 244
    int32_t planckB;                  // 248: x 1000
    int32_t planckF;                  // 252: x 1000
    int32_t planckO;                  // 256: x 1000
    uint8_t reserved260[28];          // 260
};
#pragma pack(pop)
static_assert(sizeof(ARA_HEADER) == 288, "ARA_HEADER must hold header bytes 0-287");

class RADIFMT_EXPORT AraImage {
public:
    static const char magicBytes[3];  // "Ss"
    static constexpr int headerBlockSize = 512;

    AraImage();
    AraImage(const AraImage &other);
    AraImage(AraImage &&other) noexcept;
    AraImage &operator=(const AraImage &other);
    AraImage &operator=(AraImage &&other) noexcept;
    ~AraImage();

    // Fills the frame from a whole frame in memory (header block and
    // pixels). Returns the frame word at offset 2; 0 when the data cannot
    // hold a header block (the frame is then left as it was).
    int read(const uint8_t *data, int size);
    static AraImage fromData(const uint8_t *data, int size);

    // Fills the frame from a file: the header block and the number of
    // sensor bytes the header gives. Returns 512 + that count, or -1.
    int64_t read(const std::string &path);

    const ARA_HEADER header() const;
    const std::vector<uint8_t> &sensorData() const;

private:
    ARA_HEADER m_header;
    std::vector<uint8_t> m_sensorData;
};
