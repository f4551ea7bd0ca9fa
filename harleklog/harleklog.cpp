#include "harleklog/harleklog.h"
#include "harleklog/harleklogformat.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

enum Given : unsigned {
    GivenStart = 1, GivenPosition = 2, GivenAirTime = 4,
    GivenMaxDistance = 8, GivenMaxDistance3D = 16, GivenMaxHeight = 32
};

struct Field
{
    const char* begin;
    const char* end;
    std::string str() const { return std::string(begin, end); }
};

// Splits one line at ';' into out; returns the number of fields.
size_t splitFields(const char* begin, const char* end, std::vector<Field>& out)
{
    out.clear();
    const char* start = begin;
    for (const char* p = begin; p != end; ++p) {
        if (*p == ';') {
            out.push_back({start, p});
            start = p + 1;
        }
    }
    out.push_back({start, end});
    return out.size();
}

class LineError
{
public:
    LineError(std::string file, int line) : m_file(std::move(file)), m_line(line) {}
    [[noreturn]] void fail(const std::string& what) const
    {
        throw LogException(m_file + ", line " + std::to_string(m_line) + ": " + what);
    }
    void setLine(int line) { m_line = line; }

private:
    std::string m_file;
    int m_line;
};

double toDouble(const Field& f, const LineError& err, const char* name)
{
    double v = 0.0;
    const char* b = f.begin;
    if (b != f.end && *b == '+')
        ++b;
    auto res = std::from_chars(b, f.end, v, std::chars_format::general);
    if (b == f.end || res.ec != std::errc() || res.ptr != f.end || !std::isfinite(v))
        err.fail(std::string("invalid ") + name + " \"" + f.str() + "\"");
    return v;
}

int64_t toInt64(const Field& f, const LineError& err, const char* name)
{
    int64_t v = 0;
    auto res = std::from_chars(f.begin, f.end, v);
    if (f.begin == f.end || res.ec != std::errc() || res.ptr != f.end)
        err.fail(std::string("invalid ") + name + " \"" + f.str() + "\"");
    return v;
}

// A time in ms since 1970, or since the GPS epoch when gps is set.
int64_t toTime(const Field& f, const LineError& err, const char* name, bool gps)
{
    const int64_t v = toInt64(f, err, name);
    const int64_t shift = gps ? kGpsEpochMs : 0;
    if (v < kMinTimeUTC - shift || v > kMaxTimeUTC - shift)
        err.fail(std::string(name) + " out of range \"" + f.str() + "\"");
    return v;
}

void checkLatLon(double lat, double lon, const LineError& err)
{
    if (lat < -90.0 || lat > 90.0)
        err.fail("latitude out of range");
    if (lon < -180.0 || lon > 180.0)
        err.fail("longitude out of range");
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

QByteArray readWhole(const std::string& file, const std::string& folder)
{
    QFile f(QString::fromStdString(file));
    if (!f.open(QIODevice::ReadOnly))
        throw LogNotFoundException("No readable Korvel Harlek log in \"" + folder + "\"");
    const QByteArray bytes = f.readAll();
    // A read that stops early must not pass for a log cut short.
    if (f.error() != QFileDevice::NoError)
        throw LogException(file + ": " + f.errorString().toStdString());
    if (bytes.isEmpty())
        throw LogNotFoundException("No Korvel Harlek log in \"" + folder + "\": "
                                   + QFileInfo(f).fileName().toStdString() + " is empty");
    return bytes;
}

// Calls fn(begin, end, lineNumber, ended) for every line without its line
// end; ended is false for a last line that the file ends in without one.
// A line whose "\r\n" stops after the '\r' is whole.
template <typename Fn>
void forEachLine(const QByteArray& bytes, Fn fn)
{
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    int number = 0;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        const char* lineEnd = nl ? nl : end;
        const char* trimmed = lineEnd;
        if (trimmed > p && trimmed[-1] == '\r')
            --trimmed;
        fn(p, trimmed, ++number, nl != nullptr || trimmed != lineEnd);
        p = nl ? nl + 1 : end;
    }
}

// Cards written on other systems may show the names in another case.
std::string findFile(const QDir& dir, const char* name)
{
    const QString wanted = QString::fromLatin1(name);
    if (!QFileInfo::exists(dir.filePath(wanted))) {
        const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
        for (const QString& e : entries)
            if (e.compare(wanted, Qt::CaseInsensitive) == 0)
                return dir.filePath(e).toStdString();
    }
    return dir.filePath(wanted).toStdString();
}

// The first line is exactly the magic text, after an optional UTF-8 BOM.
bool isMagic(const char* b, const char* e, const char* magic)
{
    if (e - b >= 3 && std::memcmp(b, "\xEF\xBB\xBF", 3) == 0)
        b += 3;
    const size_t len = std::strlen(magic);
    return size_t(e - b) == len && std::memcmp(b, magic, len) == 0;
}

// A first line that stops early: the start of the magic text (with or
// without the BOM), not empty.
bool isMagicStart(const char* b, const char* e, const char* magic)
{
    const size_t n = size_t(e - b);
    const std::string withBom = std::string("\xEF\xBB\xBF") + magic;
    auto startOf = [b, n](const std::string& whole) {
        return n < whole.size() && std::memcmp(b, whole.data(), n) == 0;
    };
    return n > 0 && (startOf(magic) || startOf(withBom));
}

// Checks the first line of a log file; throws unless it is the magic text.
void checkMagic(const char* b, const char* e, bool ended, const char* magic, const LineError& err,
                const std::string& folder)
{
    if (isMagic(b, e, magic))
        return;
    // Nothing of the flight is in a file that ends inside its first line.
    if (!ended && isMagicStart(b, e, magic))
        err.fail("the file ends inside its first line");
    throw LogNotFoundException("No Korvel Harlek log in \"" + folder + "\"");
}

std::string fileName(const std::string& file)
{
    return QFileInfo(QString::fromStdString(file)).fileName().toStdString();
}

bool skipLine(const char* b, const char* e)
{
    return b == e || *b == '#';
}

} // namespace

namespace harleklog {

double distance(double lat1, double lon1, double lat2, double lon2)
{
    constexpr double R = 6371000.0;
    constexpr double rad = M_PI / 180.0;
    const double dLat = (lat2 - lat1) * rad;
    const double dLon = (lon2 - lon1) * rad;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2)
                     + std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2.0 * R * std::atan2(std::sqrt(a), std::sqrt(std::max(0.0, 1.0 - a)));
}

} // namespace harleklog

// ---------------------------------------------------------------- zephrinLog

namespace zephrinLog {

int typeSize(int type)
{
    switch (type) {
    case TypeInt8: case TypeUInt8: return 1;
    case TypeInt16: case TypeUInt16: return 2;
    case TypeInt32: case TypeUInt32: case TypeFloat: return 4;
    case TypeDouble: return 8;
    default: return 0;
    }
}

ZephrinLogMessageInfo::ZephrinLogMessageInfo(int id, std::string name, std::vector<ZephrinLogVariableInfo> variables)
    : m_id(id), m_name(std::move(name)), m_variables(std::move(variables))
{
}

ZephrinLogVariableInfo ZephrinLogMessageInfo::getVariableInfo(const std::string& variable) const
{
    for (const auto& v : m_variables)
        if (v.name == variable)
            return v;
    throw LogException("Variable \"" + variable + "\" not found in \"" + m_name + "\"");
}

std::shared_ptr<ZephrinLogMessageInfo> ZephrinLogInfo::getMessageInfo(const std::string& message) const
{
    auto it = m_messages.find(message);
    if (it == m_messages.end())
        throw LogException("Message \"" + message + "\" not found");
    return it->second;
}

std::vector<std::string> ZephrinLogInfo::messageNames() const
{
    std::vector<std::string> names;
    for (const auto& m : m_messages)
        names.push_back(m.first);
    return names;
}

void ZephrinLogInfo::addMessageInfo(std::shared_ptr<ZephrinLogMessageInfo> info)
{
    m_names[info->id()] = info->name();
    m_messages[info->name()] = std::move(info);
}

const ZephrinLogRecords* ZephrinLog::records(int messageId) const
{
    auto it = m_records.find(messageId);
    if (it == m_records.end() || it->second.empty())
        return nullptr;
    return &it->second;
}

void ZephrinLog::addRecord(int messageId, ZephrinLogRecord record)
{
    m_records[messageId].emplace(m_next++, std::move(record));
}

double ZephrinLog::value(const ZephrinLogRecord& record, const ZephrinLogVariableInfo& variable)
{
    const int size = typeSize(variable.type);
    if (size == 0)
        throw LogException("Unknown type of \"" + variable.name + "\"");
    if (variable.offset < 0 || size_t(variable.offset) + size_t(size) > record.data.size())
        throw LogException("Variable \"" + variable.name + "\" lies beyond its record");
    uint64_t raw = 0;
    for (int i = size - 1; i >= 0; --i)
        raw = (raw << 8) | record.data[size_t(variable.offset + i)];
    switch (variable.type) {
    case TypeInt8: return double(int8_t(raw));
    case TypeUInt8: return double(uint8_t(raw));
    case TypeInt16: return double(int16_t(raw));
    case TypeUInt16: return double(uint16_t(raw));
    case TypeInt32: return double(int32_t(raw));
    case TypeUInt32: return double(uint32_t(raw));
    case TypeFloat: {
        uint32_t bits = uint32_t(raw);
        float f;
        std::memcpy(&f, &bits, 4);
        return double(f);
    }
    case TypeDouble: {
        double d;
        std::memcpy(&d, &raw, 8);
        return d;
    }
    }
    return 0.0;
}

std::pair<int64_t, double> ZephrinLog::getFirstNonZero(const std::string& message, const std::string& variable) const
{
    auto info = getMessageInfo(message);
    const ZephrinLogVariableInfo var = info->getVariableInfo(variable);
    if (const ZephrinLogRecords* recs = records(info->id())) {
        for (const auto& r : *recs) {
            const double v = value(r.second, var);
            if (v != 0.0)
                return {r.second.time, v};
        }
    }
    return {0, 0.0};
}

} // namespace zephrinLog

// ----------------------------------------------------------------- HarlekLog

HarlekLog::HarlekLog(const std::string& path) : m_path(path)
{
    const QString folder = QString::fromStdString(path);
    QFileInfo fi(folder);
    if (path.empty() || !fi.isDir())
        throw LogNotFoundException("No Korvel Harlek log in \"" + path + "\"");
    const QDir dir(QDir(folder).absolutePath());
    readHeader(findFile(dir, harleklog::kInfoFile));
    readRecords(findFile(dir, harleklog::kLogFile));
    deriveMissing();
}

HarlekLog::~HarlekLog() = default;

int HarlekLog::logMetaVersion()
{
    return harleklog::kMetaVersion;
}

std::string HarlekLog::logTypeString() const
{
    switch (m_type) {
    case LogTypeFC: return "Harlek 8 FC";
    case LogTypeBasic: return "Harlek 8";
    default: return "Unknown";
    }
}

std::vector<PathPoint> HarlekLog::flightPath(int n) const
{
    const size_t count = m_path_points.size();
    if (n <= 0 || count <= size_t(n))
        return m_path_points;
    std::vector<PathPoint> out;
    out.reserve(size_t(n));
    if (n == 1) {
        out.push_back(m_path_points.front());
        return out;
    }
    // Evenly spread, first and last point kept.
    for (int i = 0; i < n; ++i) {
        const size_t idx = size_t((double(i) * double(count - 1)) / double(n - 1) + 0.5);
        out.push_back(m_path_points[std::min(idx, count - 1)]);
    }
    return out;
}

void HarlekLog::readHeader(const std::string& file)
{
    const QByteArray bytes = readWhole(file, m_path);
    LineError err(file, 0);
    bool magicSeen = false;
    bool typeSeen = false;
    auto parse = [&](const char* b, const char* e) {
        if (skipLine(b, e))
            return;
        const char* eq = static_cast<const char*>(std::memchr(b, '=', size_t(e - b)));
        if (!eq)
            err.fail("expected key=value");
        const std::string key(b, eq);
        const Field value{eq + 1, e};
        if (key == "type") {
            const int64_t t = toInt64(value, err, "type");
            m_type = (t == LogTypeFC || t == LogTypeBasic) ? LogType(t) : LogTypeUnknown;
            typeSeen = true;
        } else if (key == "start") {
            m_timeUTC = toTime(value, err, "start time", false);
            m_given |= GivenStart;
        } else if (key == "latitude") {
            m_position.latitude = toDouble(value, err, "latitude");
            checkLatLon(m_position.latitude, 0.0, err);
            m_given |= GivenPosition;
        } else if (key == "longitude") {
            m_position.longitude = toDouble(value, err, "longitude");
            checkLatLon(0.0, m_position.longitude, err);
            m_given |= GivenPosition;
        } else if (key == "altitude") {
            m_position.altitude = toDouble(value, err, "altitude");
            m_given |= GivenPosition;
        } else if (key == "airtime") {
            m_airTime = toDouble(value, err, "air time");
            if (m_airTime < 0)
                err.fail("negative air time");
            if (m_airTime > kMaxAirTime)
                err.fail("air time out of range");
            m_given |= GivenAirTime;
        } else if (key == "maxdistance") {
            m_maxDistance = toDouble(value, err, "maximal distance");
            m_given |= GivenMaxDistance;
        } else if (key == "maxdistance3d") {
            m_maxDistance3D = toDouble(value, err, "maximal 3D distance");
            m_given |= GivenMaxDistance3D;
        } else if (key == "maxheight") {
            m_maxHeight = toDouble(value, err, "maximal height");
            m_given |= GivenMaxHeight;
        }
        // Other keys belong to newer writers and are ignored.
    };
    forEachLine(bytes, [&](const char* b, const char* e, int number, bool ended) {
        err.setLine(number);
        if (!magicSeen) {
            checkMagic(b, e, ended, harleklog::kInfoMagic, err, m_path);
            magicSeen = true;
        } else if (ended) {
            parse(b, e);
        }
        if (!ended)
            cutShort(file, number);
    });
    if (!magicSeen)
        throw LogNotFoundException("No Korvel Harlek log in \"" + m_path + "\"");
    if (!typeSeen)
        m_type = LogTypeBasic;
}

void HarlekLog::cutShort(const std::string& file, int line)
{
    if (!m_cutShort.empty())
        m_cutShort += "; ";
    m_cutShort += fileName(file) + " ends inside line " + std::to_string(line);
}

void HarlekLog::readRecords(const std::string& file)
{
    const QByteArray bytes = readWhole(file, m_path);
    LineError err(file, 0);
    std::vector<Field> f;
    f.reserve(10);
    bool magicSeen = false;
    if (m_type == LogTypeFC)
        m_log = std::make_shared<zephrinLog::ZephrinLog>();
    std::map<int, std::shared_ptr<zephrinLog::ZephrinLogMessageInfo>> defs;
    m_path_points.reserve(size_t(bytes.size() / 80));

    auto parse = [&](const char* b, const char* e) {
        if (skipLine(b, e))
            return;
        const size_t n = splitFields(b, e, f);
        if (f[0].end - f[0].begin != 1)
            err.fail("unknown record \"" + f[0].str() + "\"");
        switch (*f[0].begin) {
        case 'P': {
            if (n != 9)
                err.fail("path point needs 9 fields");
            PathPoint p;
            p.time = toTime(f[1], err, "time", true);
            p.latitude = toDouble(f[2], err, "latitude");
            p.longitude = toDouble(f[3], err, "longitude");
            checkLatLon(p.latitude, p.longitude, err);
            p.height = toDouble(f[4], err, "height");
            p.roll = toDouble(f[5], err, "roll");
            p.pitch = toDouble(f[6], err, "pitch");
            p.yaw = toDouble(f[7], err, "yaw");
            p.flightMode = int32_t(toInt64(f[8], err, "flight mode"));
            m_path_points.push_back(p);
            break;
        }
        case 'T': {
            if (n != 9)
                err.fail("photo tag needs 9 fields");
            PhotoTag t;
            t.time = toTime(f[1], err, "time", true);
            t.latitude = toDouble(f[2], err, "latitude");
            t.longitude = toDouble(f[3], err, "longitude");
            checkLatLon(t.latitude, t.longitude, err);
            t.height = toDouble(f[4], err, "height");
            t.relativeHeight = toDouble(f[5], err, "relative height");
            t.roll = toDouble(f[6], err, "roll");
            t.pitch = toDouble(f[7], err, "pitch");
            t.yaw = toDouble(f[8], err, "yaw");
            m_tags.push_back(t);
            break;
        }
        case 'D': {
            if (n != 4)
                err.fail("message definition needs 4 fields");
            const int id = int(toInt64(f[1], err, "message id"));
            const std::string name = f[2].str();
            if (name.empty())
                err.fail("message without name");
            if (defs.count(id))
                err.fail("message id " + std::to_string(id) + " defined twice");
            std::vector<zephrinLog::ZephrinLogVariableInfo> vars;
            std::vector<Field> items, parts;
            splitFields(f[3].begin, f[3].end, items);
            for (const Field& item : items) {
                // name:type:offset, separated by ','
                const char* p = item.begin;
                std::vector<Field> sub;
                const char* s = p;
                for (; p != item.end; ++p) {
                    if (*p == ',' ) {
                        sub.push_back({s, p});
                        s = p + 1;
                    }
                }
                sub.push_back({s, item.end});
                for (const Field& v : sub) {
                    parts.clear();
                    const char* c1 = static_cast<const char*>(std::memchr(v.begin, ':', size_t(v.end - v.begin)));
                    const char* c2 = c1 ? static_cast<const char*>(std::memchr(c1 + 1, ':', size_t(v.end - c1 - 1))) : nullptr;
                    if (!c1 || !c2)
                        err.fail("variable needs name:type:offset");
                    zephrinLog::ZephrinLogVariableInfo var;
                    var.name = std::string(v.begin, c1);
                    var.type = int(toInt64({c1 + 1, c2}, err, "variable type"));
                    var.offset = int(toInt64({c2 + 1, v.end}, err, "variable offset"));
                    if (var.name.empty() || zephrinLog::typeSize(var.type) == 0 || var.offset < 0)
                        err.fail("invalid variable \"" + v.str() + "\"");
                    vars.push_back(var);
                }
            }
            auto info = std::make_shared<zephrinLog::ZephrinLogMessageInfo>(id, name, std::move(vars));
            defs[id] = info;
            if (m_log)
                m_log->addMessageInfo(info);
            break;
        }
        case 'M': {
            if (n != 4)
                err.fail("message record needs 4 fields");
            const int id = int(toInt64(f[1], err, "message id"));
            if (!defs.count(id))
                err.fail("record of undefined message " + std::to_string(id));
            zephrinLog::ZephrinLogRecord rec;
            rec.time = toTime(f[2], err, "time", true);
            const size_t len = size_t(f[3].end - f[3].begin);
            if (len % 2)
                err.fail("odd number of hex digits");
            rec.data.resize(len / 2);
            for (size_t i = 0; i < len / 2; ++i) {
                const int hi = hexDigit(f[3].begin[2 * i]);
                const int lo = hexDigit(f[3].begin[2 * i + 1]);
                if (hi < 0 || lo < 0)
                    err.fail("invalid hex data");
                rec.data[i] = uint8_t(hi * 16 + lo);
            }
            if (m_log)
                m_log->addRecord(id, std::move(rec));
            break;
        }
        default:
            err.fail("unknown record \"" + f[0].str() + "\"");
        }
    };
    forEachLine(bytes, [&](const char* b, const char* e, int number, bool ended) {
        err.setLine(number);
        if (!magicSeen) {
            checkMagic(b, e, ended, harleklog::kLogMagic, err, m_path);
            magicSeen = true;
        } else if (ended) {
            parse(b, e);
        }
        if (!ended)
            cutShort(file, number);
    });
    if (!magicSeen)
        throw LogNotFoundException("No Korvel Harlek log in \"" + m_path + "\"");

    auto byTime = [](const auto& a, const auto& b) { return a.time < b.time; };
    if (!std::is_sorted(m_path_points.begin(), m_path_points.end(), byTime))
        std::stable_sort(m_path_points.begin(), m_path_points.end(), byTime);
}

void HarlekLog::deriveMissing()
{
    const PathPoint* first = nullptr;
    for (const PathPoint& p : m_path_points) {
        if (p.latitude != 0.0 || p.longitude != 0.0) {
            first = &p;
            break;
        }
    }
    if (!(m_given & GivenStart) && !m_path_points.empty())
        m_timeUTC = m_path_points.front().time + kGpsEpochMs;
    if (!(m_given & GivenPosition) && first)
        m_position = {first->latitude, first->longitude, first->height};

    const double h0 = m_position.altitude;
    if (!(m_given & GivenAirTime)) {
        // Airborne from the first to the last point more than a metre above the start.
        const PathPoint* up = nullptr;
        const PathPoint* down = nullptr;
        for (const PathPoint& p : m_path_points) {
            if (p.height - h0 > 1.0) {
                if (!up)
                    up = &p;
                down = &p;
            }
        }
        m_airTime = up ? double(down->time - up->time) / 1000.0 : 0.0;
    }
    if ((m_given & (GivenMaxDistance | GivenMaxDistance3D | GivenMaxHeight))
        == (GivenMaxDistance | GivenMaxDistance3D | GivenMaxHeight))
        return;
    double d2 = 0.0, d3 = 0.0, h = 0.0;
    if (first) {
        for (const PathPoint& p : m_path_points) {
            if (p.latitude == 0.0 && p.longitude == 0.0)
                continue;
            const double d = harleklog::distance(m_position.latitude, m_position.longitude, p.latitude, p.longitude);
            const double dh = p.height - h0;
            d2 = std::max(d2, d);
            d3 = std::max(d3, std::sqrt(d * d + dh * dh));
            h = std::max(h, dh);
        }
    }
    if (!(m_given & GivenMaxDistance))
        m_maxDistance = d2;
    if (!(m_given & GivenMaxDistance3D))
        m_maxDistance3D = d3;
    if (!(m_given & GivenMaxHeight))
        m_maxHeight = h;
}
