#pragma once
// Writer of link traces (".zt1"): a header of three strings, then one record
// per V1 record with the milliseconds since the trace began. The writer stays
// off until start() names a file; while off every slot returns at once.
// A failed write stops the trace; the partial trace is not kept.
#include <QByteArray>
#include <QDataStream>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <memory>

#include "link/v1records.h"

namespace AtomicFile {
class Writer;
}

// Reader side of the trace head, as the database window shows it.
struct ComTraceHeader {
    bool valid = false;
    QString magic;
    QString version;    // digits as stored, e.g. "0101"
    QString startTime;  // yyMMddhhmmss
    QString displayVersion() const;  // "0101" -> "1.01"
    QString displayStartTime() const;  // "yyyy-MM-dd hh:mm:ss" or empty
};

class ComTracer : public QObject {
    Q_OBJECT
public:
    static const char *const Magic;    // "KorvelTarvendelTraceFile"
    static const char *const Version;  // "0101"

    explicit ComTracer(QObject *parent = nullptr);
    ~ComTracer() override;

    // Starts a new trace file, writes its head and starts the clock. Returns
    // false (and stays off) when the file cannot be created. The trace is
    // written under a temporary name and takes its name when it stops, so
    // an older trace of that name stays whole until then.
    bool start(const QString &path);
    // Ends the trace and gives it its name; false (errorString() says why)
    // when it could not be written whole. True when no trace was running.
    bool stop();
    bool isEnabled() const { return m_enabled; }
    // "<file>: <reason>" of the last failure.
    QString errorString() const { return m_error; }

    static ComTraceHeader readHeader(const QString &path);

public slots:
    void packetLCDINFOLINK(LCD_INFO_LINK r);
    void packetLCDINFOLINKNEW(LCD_INFO_LINK_NEW r);
    void packetLCDINFOHIGHPRIO(LCD_INFO_HIGH_PRIO r);
    void packetLCDINFOLOWPRIO(LCD_INFO_LOW_PRIO r);
    void packetLCDINFOLOWPRIO2(LCD_INFO_LOW_PRIO_PART2 r);
    void packetLCDINFOLOWPRIO3(LCD_INFO_LOW_PRIO_PART3 r);
    void packetLL_STATUS(LL_STATUS r);
    void packetHL_STATUS(HL_STATUS r);
    void packetIMU_RAWDATA(IMU_RAWDATA r);
    void packetIMU_CALCDATA(IMU_CALCDATA r);
    void packetGPS_DATA_ADVANCED(GPS_DATA_ADVANCED r);
    void packetCURRENT_WAY(CURRENT_WAY r);
    void packetWAYPOINT(WAYPOINT r);
    void packetbuildInfoHL(BUILD_INFO r);
    void packetbuildInfoLL(BUILD_INFO_LL r);
    void packetbuildInfoDiv(BUILD_INFO r);
    void packetbuildInfoDis(BUILD_INFO r);
    void packetHLEEPROMInfo(HL_EEPROM_INFO r);
    void unknownPacket(uchar packetdesc, QByteArray data);

private:
    template <typename T>
    void writeRecord(uchar descriptor, const T &record)
    {
        writeBytes(descriptor, QByteArray(reinterpret_cast<const char *>(&record), int(sizeof(T))));
    }
    void writeBytes(uchar descriptor, const QByteArray &bytes);

    bool m_enabled = false;
    std::unique_ptr<AtomicFile::Writer> m_file;
    QDataStream m_stream;
    QElapsedTimer m_clock;
    QString m_error;
};
