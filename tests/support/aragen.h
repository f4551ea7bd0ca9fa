#pragma once
// Generator of thermal camera recordings for tests, benchmarks and demo
// data: ARA frames (512-byte header block and sensor data, raw or
// line-compressed) and ARV recordings (frames back to back), made from known
// count images so readers can be checked against their source.
#include <QByteArray>
#include <QString>
#include <QVector>

namespace AraGen {

enum Compression { Raw = 0, LineCompressed = 3 };

// Header fields of one frame. Defaults describe a high-resolution,
// temperature-linear 640 x 512 frame with a GPS position and time.
struct FrameParams {
    int width = 640;
    int height = 512;
    quint32 frameWord = 1;
    quint16 fileVersion = 12;
    quint16 fileMode = 1;
    quint16 pixelSize = 2;
    quint32 cameraSerialNumber = 123456;
    quint32 cameraSerialSensorNumber = 654321;
    quint32 cameraVersion = 3;
    quint32 cameraFirmwareVersion = 20;
    quint16 cameraSensorTemperature = 312;   // 31.2 degrees
    QByteArray cameraPartNumber = "4664019H-SPRNLX";  // lens 19, "R" at the 12th character
    quint32 timeMs = 5000;
    quint16 gpsWeek = 2000;
    quint32 gpsTimeOfWeek = 302400000;
    qint32 longitude = 113910000;    // 1e-7 degree
    qint32 latitude = 479500000;
    qint32 altitude = 512300;        // mm
    quint16 horizontalAccuracy = 1500;
    quint16 verticalAccuracy = 2500;
    quint16 speedAccuracy = 300;
    qint16 speedX = 120;
    qint16 speedY = -40;
    qint16 pitch = -150;             // 0.01 degree
    qint16 roll = 230;
    quint16 yaw = 9000;
    qint16 cameraPitch = -9000;
    qint16 cameraRoll = 0;
    qint16 cameraYaw = 0;
    quint32 dataloggerVersion[3] = {1, 4, 7};  // u16, u16, u32
    qint32 heightAddend = 0;
    quint8 advancedRadiometry = 1;
    quint8 highResolution = 1;
    quint32 planckR = 366545;
    qint32 planckB = 1428000;        // x 1000
    qint32 planckF = 1000;
    qint32 planckO = -342000;
};

// Options of the line encoder, to make blocks that readers must tolerate.
struct LineOptions {
    quint8 syncNibble = 8;           // 1..15
    bool fillWithOnes = false;       // bits after a line's last code
    quint8 trailer[2] = {0, 0};      // two bytes behind each block
};

// The 512-byte header block; sensorDataSize is stored at offset 34.
QByteArray header(const FrameParams &frame, Compression compression, quint32 sensorDataSize);

// Raw sensor data: every count as an unsigned 16-bit little-endian sample.
QByteArray rawData(const QVector<quint16> &counts);

// Line-compressed sensor data of width x height counts (row-major). Empty
// when a difference between neighbours exceeds what a code can carry
// (more than 16383 either way, modulo 65536).
QByteArray compressLines(const QVector<quint16> &counts, int width, int height,
                         const LineOptions &options = LineOptions());

// A whole ARA frame: header block and sensor data.
QByteArray araFile(const FrameParams &frame, const QVector<quint16> &counts,
                   Compression compression = Raw, const LineOptions &options = LineOptions());

// An ARV recording: the frames back to back.
QByteArray arvRecording(const QVector<FrameParams> &frames, const QVector<QVector<quint16>> &counts,
                        Compression compression = Raw);

// A deterministic thermal scene of width x height temperature-linear counts
// (0.04 K per count): a warm ground with a gradient, hot spots and noise.
// Different seeds move the spots. Neighbours differ by far less than 16383.
QVector<quint16> scene(int width, int height, int seed = 0);

// Counts for a temperature in degrees Celsius at 0.04 K per count.
quint16 countsForCelsius(double celsius);

bool writeFile(const QString &path, const QByteArray &bytes);

}  // namespace AraGen
