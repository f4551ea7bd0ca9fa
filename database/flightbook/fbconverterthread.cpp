#include "database/flightbook/fbconverterthread.h"

#include "atomicfile/atomicfile.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QMutexLocker>

namespace {

QString twoDigits(qint64 v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

template <typename T>
T lastWord(const zephrinLog::ZephrinLog& log, const std::string& message, const std::string& variable, int typeCode)
{
    auto info = log.getMessageInfo(message);
    const zephrinLog::ZephrinLogVariableInfo var = info->getVariableInfo(variable);
    if (var.type != typeCode)
        throw LogException("Types dont match on \"" + variable + "\" in \"" + message + "\"");
    const zephrinLog::ZephrinLogRecords* records = log.records(info->id());
    if (!records)
        throw LogException("Message \"" + message + "\" has no data!");
    const std::vector<uint8_t>& data = records->rbegin()->second.data;
    // A short record must not be read past its end.
    if (var.offset < 0 || size_t(var.offset) + 2 > data.size())
        throw LogException("Variable \"" + variable + "\" lies beyond the record of \"" + message + "\"");
    const uint16_t word = uint16_t(data[size_t(var.offset)] | (data[size_t(var.offset) + 1] << 8));
    return T(word);
}

} // namespace

FBConverterThread::FBConverterThread(QString csvFile, QStringList logFolders, QObject* parent)
    : QThread(parent), m_csvFile(std::move(csvFile)), m_logFolders(std::move(logFolders))
{
}

FBConverterThread::~FBConverterThread()
{
    cancelIt();
    wait();
}

void FBConverterThread::cancelIt()
{
    QMutexLocker lock(&m_mutex);
    m_cancel = true;
}

bool FBConverterThread::cancelled()
{
    QMutexLocker lock(&m_mutex);
    return m_cancel;
}

int FBConverterThread::lastInt16Value(const zephrinLog::ZephrinLog& log, const std::string& message,
                                      const std::string& variable)
{
    return lastWord<int16_t>(log, message, variable, zephrinLog::TypeInt16);
}

unsigned FBConverterThread::lastUInt16Value(const zephrinLog::ZephrinLog& log, const std::string& message,
                                            const std::string& variable)
{
    return lastWord<uint16_t>(log, message, variable, zephrinLog::TypeUInt16);
}

QByteArray FBConverterThread::headerLine()
{
    return QByteArrayLiteral("Date & Time (UTC);Log Directory;Flight time;Start Longitude;Start Latitude;"
                             "Maximal Distance 2D;Maximal Distance 3D;Maximal Height;Battery Voltage Start;"
                             "Battery Voltage End;Used capacity;");
}

QByteArray FBConverterThread::logLine(const HarlekLog& log, const QString& folder)
{
    const QDateTime start = QDateTime::fromMSecsSinceEpoch(log.timeUTC(), Qt::UTC);
    const double airTime = log.airTime();
    if (airTime == 0.0 || log.timeUTC() == kGpsEpochMs)
        return QByteArray();
    if (!(airTime > 0 && airTime <= kMaxAirTime))
        throw LogException("Air time out of range");
    const qint64 t = qint64(airTime);
    const Position pos = log.position();
    QStringList fields;
    fields << start.toString(QStringLiteral("dd-MM-yyyy hh:mm"))
           << QDir(folder).absolutePath()
           << QStringLiteral("%1:%2:%3").arg(twoDigits(t / 3600), twoDigits((t % 3600) / 60), twoDigits(t % 60))
           << QString::number(pos.longitude, 'f', 10)
           << QString::number(pos.latitude, 'f', 10)
           << QString::number(log.maxDistance(), 'f', 3)
           << QString::number(log.maxDistance3D(), 'f', 3)
           << QString::number(log.maxHeight(), 'f', 3);
    if (log.logType() == LogTypeFC) {
        const char* battery = "ZEPH_MSG_BATTERY_STATE";
        auto zlog = log.log();
        if (!zlog)
            throw LogException("Log has no message log");
        fields << QString::number(zlog->getFirstNonZero(battery, "voltage").second / 1000.0, 'f', 3);
        fields << QString::number(lastUInt16Value(*log.log(), battery, "voltage") / 1000.0, 'f', 3);
        fields << QString::number(lastInt16Value(*log.log(), battery, "usedCapacity"));
    }
    QByteArray line;
    for (const QString& f : fields) {
        line += f.toUtf8();
        line += ';';
    }
    return line;
}

void FBConverterThread::run()
{
    AtomicFile::Writer file(m_csvFile);
    // The message, a blank line, then the file and the system's reason.
    const auto failed = [&](const QString& what) {
        emit error(what + QStringLiteral("\n\n") + AtomicFile::describe(m_csvFile, file.reason()));
    };
    if (!file.open()) {
        failed(tr("The log book \"%1\" could not be created.").arg(QDir::toNativeSeparators(m_csvFile)));
        return;
    }
    file.write(headerLine() + '\n');
    QStringList skipped;
    const int n = m_logFolders.size();
    for (int i = 1; i <= n; ++i) {
        // Once a write failed, reading more logs is of no use.
        if (cancelled() || file.failed())
            break;
        emit processing(i, n);
        const QString folder = QDir(m_logFolders.at(i - 1)).absolutePath();
        try {
            HarlekLog log(folder.toStdString());
            const QByteArray line = logLine(log, folder);
            if (!line.isEmpty())
                file.write(line + '\n');
        } catch (const std::exception& e) {
            // A broken log costs its own line, not the log book.
            qWarning() << "[FBConverterThread] skipped" << folder << ":" << e.what();
            skipped << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(folder), QString::fromStdString(e.what()));
        }
    }
    // Lines written before a cancel stay in the file. A failed write leaves
    // the old log book as it was.
    if (!file.commit()) {
        failed(tr("The log book \"%1\" could not be written.").arg(QDir::toNativeSeparators(m_csvFile)));
        return;
    }
    if (!skipped.isEmpty())
        emit error(tr("These logs could not be read and are missing in the log book:\n%1")
                       .arg(skipped.join(QLatin1Char('\n'))));
}
