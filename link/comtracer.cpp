#include "link/comtracer.h"

#include "atomicfile/atomicfile.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>

const char *const ComTracer::Magic = "KorvelTarvendelTraceFile";
const char *const ComTracer::Version = "0101";

QString ComTraceHeader::displayVersion() const
{
    QString v = version;
    if (v.size() > 2)
        v.insert(2, QLatin1Char('.'));
    if (v.startsWith(QLatin1Char('0')))
        v.remove(0, 1);
    return v;
}

QString ComTraceHeader::displayStartTime() const
{
    if (startTime.size() != 12)
        return QString();
    const QDateTime t = QDateTime::fromString(QStringLiteral("20") + startTime,
                                              QStringLiteral("yyyyMMddhhmmss"));
    return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) : QString();
}

ComTracer::ComTracer(QObject *parent) : QObject(parent) {}

ComTracer::~ComTracer()
{
    stop();
}

bool ComTracer::start(const QString &path)
{
    stop();
    m_error.clear();
    auto file = std::make_unique<AtomicFile::Writer>(path);
    if (!file->open()) {
        m_error = AtomicFile::describe(path, file->reason());
        qWarning().noquote() << "[ComTracer] cannot open trace" << m_error;
        return false;
    }
    m_stream.setDevice(file.get());
    m_stream.resetStatus();
    m_stream << QString::fromLatin1(Magic) << QString::fromLatin1(Version)
             << QDateTime::currentDateTime().toString(QStringLiteral("yyMMddhhmmss"));
    if (file->failed()) {
        m_error = AtomicFile::describe(path, file->reason());
        m_stream.setDevice(nullptr);
        file->cancel();
        return false;
    }
    m_file = std::move(file);
    m_clock.start();
    m_enabled = true;
    return true;
}

bool ComTracer::stop()
{
    if (!m_enabled)
        return true;
    m_enabled = false;
    m_stream.setDevice(nullptr);
    const std::unique_ptr<AtomicFile::Writer> file = std::move(m_file);
    if (!file->commit()) {
        m_error = AtomicFile::describe(file->path(), file->reason());
        qWarning().noquote() << "[ComTracer] trace not written:" << m_error;
        return false;
    }
    return true;
}

void ComTracer::writeBytes(uchar descriptor, const QByteArray &bytes)
{
    if (!m_enabled)
        return;
    m_stream << QString::fromLatin1("###") << qint32(m_clock.elapsed()) << qint8(descriptor)
             << bytes;
    if (m_file->failed()) {
        // A full disk must not stall the link: stop tracing and say why.
        m_error = AtomicFile::describe(m_file->path(), m_file->reason());
        qWarning().noquote() << "[ComTracer] trace write failed, tracing stopped:" << m_error;
        m_enabled = false;
        m_stream.setDevice(nullptr);
        m_file->cancel();  // the partial trace goes, an older one stays
        m_file.reset();
    }
}

ComTraceHeader ComTracer::readHeader(const QString &path)
{
    ComTraceHeader h;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return h;
    QDataStream in(&f);
    // A string length larger than the file is a foreign file, not a trace.
    quint32 len = 0;
    in >> len;
    if (in.status() != QDataStream::Ok || len == 0xFFFFFFFFu || len > quint32(f.size()))
        return h;
    f.seek(0);
    in.resetStatus();
    in >> h.magic;
    if (in.status() != QDataStream::Ok || !h.magic.startsWith(QLatin1String(Magic)))
        return h;
    in >> h.version >> h.startTime;
    h.valid = in.status() == QDataStream::Ok;
    return h;
}

void ComTracer::packetLCDINFOLINK(LCD_INFO_LINK r) { writeRecord(96, r); }
void ComTracer::packetLCDINFOLINKNEW(LCD_INFO_LINK_NEW r) { writeRecord(96, r); }
void ComTracer::packetLCDINFOHIGHPRIO(LCD_INFO_HIGH_PRIO r) { writeRecord(97, r); }
void ComTracer::packetLCDINFOLOWPRIO(LCD_INFO_LOW_PRIO r) { writeRecord(98, r); }
void ComTracer::packetLCDINFOLOWPRIO2(LCD_INFO_LOW_PRIO_PART2 r) { writeRecord(99, r); }
void ComTracer::packetLCDINFOLOWPRIO3(LCD_INFO_LOW_PRIO_PART3 r) { writeRecord(100, r); }
void ComTracer::packetLL_STATUS(LL_STATUS r) { writeRecord(2, r); }
void ComTracer::packetHL_STATUS(HL_STATUS r) { writeRecord(4, r); }
void ComTracer::packetIMU_RAWDATA(IMU_RAWDATA r) { writeRecord(1, r); }
void ComTracer::packetIMU_CALCDATA(IMU_CALCDATA r) { writeRecord(3, r); }
void ComTracer::packetGPS_DATA_ADVANCED(GPS_DATA_ADVANCED r) { writeRecord(41, r); }
void ComTracer::packetCURRENT_WAY(CURRENT_WAY r) { writeRecord(33, r); }
void ComTracer::packetWAYPOINT(WAYPOINT r) { writeRecord(32, r); }
void ComTracer::packetbuildInfoHL(BUILD_INFO r) { writeRecord(241, r); }
void ComTracer::packetbuildInfoLL(BUILD_INFO_LL r) { writeRecord(240, r); }
void ComTracer::packetbuildInfoDiv(BUILD_INFO r) { writeRecord(242, r); }
void ComTracer::packetbuildInfoDis(BUILD_INFO r) { writeRecord(243, r); }
void ComTracer::packetHLEEPROMInfo(HL_EEPROM_INFO r) { writeRecord(244, r); }
void ComTracer::unknownPacket(uchar packetdesc, QByteArray data) { writeBytes(packetdesc, data); }
