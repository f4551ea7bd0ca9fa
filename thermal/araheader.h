#pragma once
// The header block of an ARA frame as the main program keeps it: bytes
// 0-243, little-endian, read field by field. Fields beyond the bytes held
// read as 0.
#include <QByteArray>
#include <QDateTime>
#include <QString>

class AraHeader {
public:
    static constexpr int blockSize = 512;   // header block in the file
    static constexpr int keptSize = 244;    // bytes the program keeps
    static constexpr quint16 magicValue = 0x7353;  // "Ss"

    AraHeader() = default;
    explicit AraHeader(const QByteArray &block);  // keeps the first 244 bytes

    bool isComplete() const { return m_bytes.size() == keptSize; }
    const QByteArray &bytes() const { return m_bytes; }

    quint16 magic() const { return u16(0); }
    quint32 frameWord() const { return u32(2); }
    quint32 width() const { return u32(18); }
    quint32 height() const { return u32(22); }
    quint32 compression() const { return u32(30); }
    quint32 sensorDataSize() const { return u32(34); }
    quint16 fileVersion() const { return u16(54); }
    quint16 fileMode() const { return u16(58); }
    quint16 pixelSize() const { return u16(64); }
    quint32 cameraSerialNumber() const { return u32(74); }
    quint32 cameraSerialSensorNumber() const { return u32(78); }
    quint32 cameraVersion() const { return u32(82); }
    quint32 cameraFirmwareVersion() const { return u32(86); }
    quint16 cameraSensorTemperature() const { return u16(90); }  // tenths of a degree
    QString cameraPartNumber() const;                            // up to the first NUL
    bool isAdvancedRadiometryCamera() const;                     // "R" at the 12th character
    quint32 timeMs() const { return u32(132); }
    quint16 gpsWeek() const { return u16(136); }
    quint32 gpsTimeOfWeek() const { return u32(138); }
    qint32 longitude() const { return i32(142); }   // 1e-7 degree
    qint32 latitude() const { return i32(146); }    // 1e-7 degree
    qint32 altitude() const { return i32(150); }    // mm
    quint16 horizontalAccuracy() const { return u16(154); }
    quint16 verticalAccuracy() const { return u16(156); }
    quint16 speedAccuracy() const { return u16(158); }
    qint16 speedX() const { return i16(160); }
    qint16 speedY() const { return i16(162); }
    qint16 pitch() const { return i16(164); }       // 0.01 degree
    qint16 roll() const { return i16(166); }
    quint16 yaw() const { return u16(168); }
    qint16 cameraPitch() const { return i16(170); }
    qint16 cameraRoll() const { return i16(172); }
    qint16 cameraYaw() const { return i16(174); }
    QString dataloggerVersion() const;              // "%1.%2.%3"
    qint32 heightAddend() const { return i32(228); } // mm
    quint8 advancedRadiometryEnabled() const { return u8(242); }
    quint8 radiometryResolution() const { return u8(243); }

    // 2 high resolution, 1 low resolution, 0 raw counts only.
    int measurementType() const;
    // The rule of project creation: every resolution byte other than 1 is low.
    int projectMeasurementType() const;

    // Milliseconds since 1970-01-01 UTC of the GPS time (no leap seconds).
    qint64 gpsMSecsSinceEpoch() const;
    QDateTime gpsDateTime() const;  // UTC

private:
    quint8 u8(int offset) const;
    quint16 u16(int offset) const;
    qint16 i16(int offset) const { return qint16(u16(offset)); }
    quint32 u32(int offset) const;
    qint32 i32(int offset) const { return qint32(u32(offset)); }

    QByteArray m_bytes;
};
