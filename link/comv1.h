#pragma once
// The V1 aircraft protocol: ASCII-framed requests towards the aircraft and
// CRC-checked binary frames from it, one record per frame. ComV1 never
// touches the device; the link handler feeds it bytes and writes what it
// emits through serialWrite.
#include <QByteArray>
#include <QObject>
#include <QTimer>

#include "link/v1records.h"

class ComV1 : public QObject {
    Q_OBJECT
public:
    // Frames longer than this are refused while still in the header, so a
    // corrupted length cannot make the parser swallow the link.
    static constexpr int MaxFrameData = 512;

    explicit ComV1(QObject *parent = nullptr);
    ~ComV1() override;

    void processByte(uchar byte);
    static quint16 crc16(const QByteArray &data);

    void comeHome();
    void sendBatteryType(int type);
    void sendEmergencyMode(int mode);
    void unblockHarlek();

    uchar buildInfoFlags() const { return m_buildFlags; }
    int parserState() const { return m_state; }

signals:
    void serialWrite(QByteArray data);
    void unknownPacket(uchar packetdesc, QByteArray data);
    void packetLCDINFOLINK(LCD_INFO_LINK);
    void packetLCDINFOLINKNEW(LCD_INFO_LINK_NEW);
    void packetLCDINFOHIGHPRIO(LCD_INFO_HIGH_PRIO);
    void packetLCDINFOLOWPRIO(LCD_INFO_LOW_PRIO);
    void packetLCDINFOLOWPRIO2(LCD_INFO_LOW_PRIO_PART2);
    void packetLCDINFOLOWPRIO3(LCD_INFO_LOW_PRIO_PART3);
    void packetLL_STATUS(LL_STATUS);
    void packetHL_STATUS(HL_STATUS);
    void packetIMU_RAWDATA(IMU_RAWDATA);
    void packetIMU_CALCDATA(IMU_CALCDATA);
    void packetGPS_DATA_ADVANCED(GPS_DATA_ADVANCED);
    void packetCURRENT_WAY(CURRENT_WAY);
    void packetWAYPOINT(WAYPOINT);
    void packetbuildinfo(BUILD_INFO);
    void packetbuildInfoHL(BUILD_INFO);
    void packetbuildInfoLL(BUILD_INFO_LL);
    void packetbuildInfoDiv(BUILD_INFO);
    void packetbuildInfoDis(BUILD_INFO);
    void packetHLEEPROMInfo(HL_EEPROM_INFO);
    void packetHomePosition(int latitudeHome, int longitudeHome);
    void ackWaypointReceived();

public slots:
    void requestBuildInfo();
    bool writePackage(unsigned char *data, int cnt);
    void sendWaypoint(WAYPOINT wp);
    void triggerRequestBuildInfo();

private:
    void dispatch();

    int m_state = 0;
    quint16 m_length = 0;
    uchar m_descriptor = 0;
    QByteArray m_data;
    quint16 m_crc = 0;
    uchar m_ackCode = 0;

    IMU_RAWDATA m_imuRaw{};
    LL_STATUS m_llStatus{};
    IMU_CALCDATA m_imuCalc{};
    WAYPOINT m_waypoint{};
    CURRENT_WAY m_currentWay{};
    GPS_DATA_ADVANCED m_gpsAdvanced{};
    LCD_INFO_LINK m_link{};
    LCD_INFO_HIGH_PRIO m_highPrio{};
    LCD_INFO_LOW_PRIO m_lowPrio{};
    LCD_INFO_LOW_PRIO_PART2 m_lowPrio2{};
    LCD_INFO_LOW_PRIO_PART3 m_lowPrio3{};
    BUILD_INFO_LL m_buildLL{};
    BUILD_INFO m_buildHL{};
    BUILD_INFO m_buildDiv{};
    BUILD_INFO m_buildDis{};
    HL_EEPROM_INFO m_eeprom{};

    uchar m_buildFlags = 0;
    QTimer m_buildInfoTimer;
};
