#ifndef HARLEKLOG_H
#define HARLEKLOG_H

// Reader of one Korvel Harlek aircraft log folder.
//
// A log folder holds the marker file "KORVEL.IFO" (header values) and the
// records file "KORVEL.LOG". Both are UTF-8 text with C-locale numbers; see
// harleklogformat.h for the layout. The reader keeps no global state: any
// number of threads may read different logs at the same time, and one
// instance may be handed from one thread to another.

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// Milliseconds between 1970-01-01 and the GPS epoch 1980-01-06 (UTC).
constexpr int64_t kGpsEpochMs = 315964800000LL;

// Times a log may hold, as ms since 1970 (UTC): 0001-01-01 to 9999-12-31,
// the years a four-digit date shows. Files with others are malformed, so
// callers can add the GPS epoch and subtract times without overflow.
constexpr int64_t kMinTimeUTC = -62135596800000LL;
constexpr int64_t kMaxTimeUTC = 253402300799999LL;
// Longest air time in seconds: the whole span above.
constexpr double kMaxAirTime = double(kMaxTimeUTC - kMinTimeUTC) / 1000.0;

class LogException : public std::runtime_error
{
public:
    explicit LogException(const std::string& message) : std::runtime_error(message) {}
};

// The folder holds no readable log (no marker, no records, wrong magic).
class LogNotFoundException : public LogException
{
public:
    explicit LogNotFoundException(const std::string& message) : LogException(message) {}
};

struct Position
{
    double latitude = 0.0;
    double longitude = 0.0;
    double altitude = 0.0;
};

enum FlightMode : int32_t { FlightModeUnknown = 0, FlightModeManual = 1, FlightModeHeight = 2, FlightModeGPS = 3 };

struct PathPoint
{
    int64_t time = 0;          // ms since the GPS epoch
    double latitude = 0.0;
    double longitude = 0.0;
    double height = 0.0;       // m above mean sea level
    double roll = 0.0;         // degrees
    double pitch = 0.0;
    double yaw = 0.0;
    int32_t flightMode = FlightModeUnknown;
};

struct PhotoTag
{
    int64_t time = 0;          // ms since the GPS epoch
    double latitude = 0.0;
    double longitude = 0.0;
    double height = 0.0;         // m above mean sea level
    double relativeHeight = 0.0; // m above the start point
    double roll = 0.0;
    double pitch = 0.0;
    double yaw = 0.0;
};

enum LogType { LogTypeUnknown = 0, LogTypeFC = 1, LogTypeBasic = 2 };

namespace zephrinLog {

// Variable type codes of the message log.
enum ZephrinLogType {
    TypeInt8 = 1, TypeUInt8 = 2, TypeInt16 = 3, TypeUInt16 = 4,
    TypeInt32 = 5, TypeUInt32 = 6, TypeFloat = 7, TypeDouble = 8
};

int typeSize(int type);  // bytes of one value of that type, 0 for unknown codes

struct ZephrinLogVariableInfo
{
    std::string name;
    int type = 0;      // ZephrinLogType
    int offset = 0;    // byte offset in a record of its message
};

class ZephrinLogMessageInfo
{
public:
    ZephrinLogMessageInfo(int id, std::string name, std::vector<ZephrinLogVariableInfo> variables);
    int id() const { return m_id; }
    const std::string& name() const { return m_name; }
    const std::vector<ZephrinLogVariableInfo>& variables() const { return m_variables; }
    // Throws LogException when the message has no such variable.
    ZephrinLogVariableInfo getVariableInfo(const std::string& variable) const;

private:
    int m_id;
    std::string m_name;
    std::vector<ZephrinLogVariableInfo> m_variables;
};

struct ZephrinLogRecord
{
    int64_t time = 0;               // ms since the GPS epoch
    std::vector<uint8_t> data;      // little-endian values at their offsets
};

// Records of one message, keyed by their running number in the log.
using ZephrinLogRecords = std::map<uint64_t, ZephrinLogRecord>;

class ZephrinLogInfo
{
public:
    virtual ~ZephrinLogInfo() = default;
    // Throws LogException when the log defines no such message.
    std::shared_ptr<ZephrinLogMessageInfo> getMessageInfo(const std::string& message) const;
    std::vector<std::string> messageNames() const;
    void addMessageInfo(std::shared_ptr<ZephrinLogMessageInfo> info);

protected:
    std::map<std::string, std::shared_ptr<ZephrinLogMessageInfo>> m_messages;
    std::map<int, std::string> m_names;
};

class ZephrinLog : public ZephrinLogInfo
{
public:
    // The first record of the message whose variable is not zero, as
    // (time, value); (0, 0.0) when every record holds zero. Throws
    // LogException for unknown messages/variables or records too short.
    std::pair<int64_t, double> getFirstNonZero(const std::string& message, const std::string& variable) const;
    // Records of a message identifier; nullptr when the log holds none.
    const ZephrinLogRecords* records(int messageId) const;
    void addRecord(int messageId, ZephrinLogRecord record);
    // Decodes one value; throws LogException when it lies beyond the record.
    static double value(const ZephrinLogRecord& record, const ZephrinLogVariableInfo& variable);

private:
    std::map<int, ZephrinLogRecords> m_records;
    uint64_t m_next = 0;
};

} // namespace zephrinLog

class HarlekLog
{
public:
    // Opens the log folder at path (UTF-8). Throws LogNotFoundException when
    // the folder holds no log, LogException (naming file and line) when a
    // file of it is malformed.
    //
    // A file that ends without a line end (power lost, card pulled) is read
    // up to its last whole line and the log is marked cut short. The line it
    // ends in is left out even when it reads: a number cut inside still
    // reads, as another number. Any malformed whole line refuses the log, as
    // does a file that ends inside its first line (the magic text), which
    // holds nothing of the flight.
    explicit HarlekLog(const std::string& path);
    ~HarlekLog();
    HarlekLog(const HarlekLog&) = delete;
    HarlekLog& operator=(const HarlekLog&) = delete;

    // Version of the meta data the reader derives from a log folder.
    static int logMetaVersion();

    const std::string& path() const { return m_path; }
    int64_t timeUTC() const { return m_timeUTC; }      // ms since 1970 (UTC)
    Position position() const { return m_position; }
    double airTime() const { return m_airTime; }        // seconds
    int photoTagCount() const { return static_cast<int>(m_tags.size()); }
    std::vector<PhotoTag> photoTags() const { return m_tags; }
    // Every point for n == 0; at most n points spread over the flight otherwise.
    std::vector<PathPoint> flightPath(int n = 0) const;
    LogType logType() const { return m_type; }
    std::string logTypeString() const;
    double maxDistance() const { return m_maxDistance; }      // m
    double maxDistance3D() const { return m_maxDistance3D; }  // m
    double maxHeight() const { return m_maxHeight; }          // m above start
    // A file of the log ends inside its last line; what came before is read.
    bool isCutShort() const { return !m_cutShort.empty(); }
    // Where, e.g. "KORVEL.LOG ends inside line 297"; empty for a whole log.
    const std::string& cutShortReason() const { return m_cutShort; }
    // Message log of the flight controller; null unless logType() is 1.
    std::shared_ptr<zephrinLog::ZephrinLog> log() const { return m_log; }

private:
    void readHeader(const std::string& file);
    void readRecords(const std::string& file);
    void deriveMissing();
    void cutShort(const std::string& file, int line);

    std::string m_path;
    LogType m_type = LogTypeUnknown;
    int64_t m_timeUTC = kGpsEpochMs;
    Position m_position;
    double m_airTime = 0.0;
    double m_maxDistance = 0.0;
    double m_maxDistance3D = 0.0;
    double m_maxHeight = 0.0;
    unsigned m_given = 0;   // header values stored in the marker file
    std::vector<PathPoint> m_path_points;
    std::vector<PhotoTag> m_tags;
    std::shared_ptr<zephrinLog::ZephrinLog> m_log;
    std::string m_cutShort;
};

#endif // HARLEKLOG_H
