#include "harleklog/harlekdemo.h"
#include "harleklog/harleklogformat.h"

#include <algorithm>
#include <cmath>

namespace harleklog {

namespace {

constexpr double kMetresPerDegree = 111194.93;  // on the 6371 km sphere

double roundTo(double v, double step)
{
    return std::round(v / step) * step;
}

class Noise
{
public:
    explicit Noise(unsigned seed) : m_state(seed * 2654435761u + 12345u) {}
    // Uniform in [-a, a].
    double operator()(double a)
    {
        m_state = m_state * 1103515245u + 12345u;
        return a * (double((m_state >> 8) & 0xFFFF) / 32767.5 - 1.0);
    }

private:
    uint32_t m_state;
};

struct Flight
{
    Flight(int64_t startUTC, const DemoSite& site, unsigned seed) : site(site), noise(seed)
    {
        t = startUTC - kGpsEpochMs;
        x = y = 0;
        h = 0;
    }

    // Local metres east/north of the start to degrees.
    double lat() const { return site.latitude + y / kMetresPerDegree; }
    double lon() const { return site.longitude + x / (kMetresPerDegree * std::cos(site.latitude * M_PI / 180.0)); }

    void sample(int mode)
    {
        PathPoint p;
        p.time = t;
        // Rounded like the aircraft stores them.
        p.latitude = roundTo(lat() + noise(0.000002), 1e-8);
        p.longitude = roundTo(lon() + noise(0.000002), 1e-8);
        p.height = roundTo(site.altitude + h + noise(0.05), 1e-3);
        p.roll = roundTo(roll + noise(0.8), 1e-2);
        p.pitch = roundTo(pitch + noise(0.8), 1e-2);
        p.yaw = roundTo(yaw, 1e-2);
        p.flightMode = mode;
        content.path.push_back(p);
    }

    // Moves towards (tx, ty, th) at speed m/s (vertical 2 m/s), sampling every step.
    void moveTo(double tx, double ty, double th, double speed, int mode, int stepMs = 100,
                double tagEvery = 0.0)
    {
        const double dx = tx - x, dy = ty - y;
        const double dist = std::hypot(dx, dy);
        if (dist > 0.5)
            yaw = std::fmod(std::atan2(dx, dy) * 180.0 / M_PI + 360.0, 360.0);
        pitch = dist > 0.5 ? -8.0 : 0.0;
        roll = 0.0;
        const double horizontal = dist / speed;
        const double vertical = std::abs(th - h) / 2.0;
        const int steps = std::max(1, int(std::ceil(std::max(horizontal, vertical) * 1000.0 / stepMs)));
        const double x0 = x, y0 = y, h0 = h;
        double sinceTag = tagEvery;
        for (int i = 1; i <= steps; ++i) {
            t += stepMs;
            const double f = double(i) / steps;
            const double nx = x0 + dx * f, ny = y0 + dy * f;
            sinceTag += std::hypot(nx - x, ny - y);
            x = nx;
            y = ny;
            h = h0 + (th - h0) * f;
            sample(mode);
            if (tagEvery > 0 && sinceTag >= tagEvery) {
                sinceTag = 0;
                tag();
            }
        }
    }

    void hover(int ms, int mode, int stepMs = 100)
    {
        pitch = roll = 0.0;
        for (int i = 0; i < ms / stepMs; ++i) {
            t += stepMs;
            sample(mode);
        }
    }

    void tag()
    {
        const PathPoint& p = content.path.back();
        PhotoTag tg;
        tg.time = p.time + 20;
        tg.latitude = p.latitude;
        tg.longitude = p.longitude;
        tg.height = p.height;
        tg.relativeHeight = roundTo(p.height - site.altitude, 1e-3);
        tg.roll = p.roll;
        tg.pitch = p.pitch;
        tg.yaw = p.yaw;
        content.tags.push_back(tg);
    }

    DemoSite site;
    Noise noise;
    HarlekLogContent content;
    int64_t t;
    double x, y, h;
    double roll = 0, pitch = 0, yaw = 0;
};

} // namespace

HarlekLogContent surveyFlight(int64_t startUTC, const DemoSite& site, unsigned seed)
{
    Flight f(startUTC, site, seed);
    f.hover(3000, 1);                        // motors on, on the ground
    f.moveTo(0, 0, 60, 5, 2);                // climb in height mode
    f.hover(2000, 3);
    const double width = 240, depth = 150, spacing = 30;
    f.moveTo(-width / 2, 20, 60, 6, 3);
    bool east = true;
    for (double yy = 20; yy <= 20 + depth + 0.1; yy += spacing) {
        f.moveTo(f.x, yy, 60, 6, 3);
        f.moveTo(east ? width / 2 : -width / 2, yy, 60, 6, 3, 100, 20.0);
        east = !east;
    }
    f.moveTo(0, 0, 60, 8, 3);                // return home
    f.moveTo(0, 0, 5, 5, 2);
    f.moveTo(0, 0, 0, 5, 1);                 // manual landing
    f.hover(2000, 1);
    f.content.type = LogTypeBasic;
    return f.content;
}

HarlekLogContent shortHop(int64_t startUTC, const DemoSite& site, unsigned seed)
{
    Flight f(startUTC, site, seed);
    f.hover(2000, 1);
    f.moveTo(0, 0, 15, 5, 2);
    f.hover(40000, 3);
    f.moveTo(12, 8, 15, 2, 3);
    f.hover(20000, 3);
    f.moveTo(0, 0, 15, 2, 3);
    f.moveTo(0, 0, 0, 5, 2);
    f.hover(2000, 1);
    f.content.type = LogTypeBasic;
    return f.content;
}

zephrinLog::ZephrinLogMessageInfo batteryMessage()
{
    return zephrinLog::ZephrinLogMessageInfo(
        12, "ZEPH_MSG_BATTERY_STATE",
        {{"voltage", zephrinLog::TypeUInt16, 0},
         {"usedCapacity", zephrinLog::TypeInt16, 2},
         {"current", zephrinLog::TypeInt16, 4}});
}

zephrinLog::ZephrinLogRecord batteryRecord(int64_t time, uint16_t millivolts, int16_t usedCapacity, int16_t current)
{
    zephrinLog::ZephrinLogRecord r;
    r.time = time;
    const uint16_t c = uint16_t(usedCapacity), a = uint16_t(current);
    r.data = {uint8_t(millivolts & 0xFF), uint8_t(millivolts >> 8), uint8_t(c & 0xFF), uint8_t(c >> 8),
              uint8_t(a & 0xFF), uint8_t(a >> 8)};
    return r;
}

HarlekLogContent batteryFlight(int64_t startUTC, const DemoSite& site, unsigned seed)
{
    Flight f(startUTC, site, seed);
    f.hover(3000, 1);
    f.moveTo(0, 0, 40, 5, 2);
    f.moveTo(80, 60, 40, 6, 3);
    f.moveTo(80, -60, 40, 6, 3);
    f.moveTo(-40, -30, 50, 6, 3);
    f.hover(30000, 3);
    f.moveTo(0, 0, 40, 6, 3);
    f.moveTo(0, 0, 0, 5, 2);
    f.hover(2000, 1);
    f.content.type = LogTypeFC;
    f.content.messages.push_back(batteryMessage());
    // One record a second; the sensor reads 0 until it has settled.
    const int64_t t0 = f.content.path.front().time;
    const int64_t t1 = f.content.path.back().time;
    double used = 0.0;
    for (int64_t t = t0; t <= t1; t += 1000) {
        const bool settled = t - t0 >= 2000;
        const double amps = (t - t0 < 3000) ? 0.8 : 18.0 + f.noise(2.0);
        used += amps * 1000.0 / 3600.0;  // mAh per second
        const double volts = 16.8 - 0.00062 * used - 0.012 * amps;
        f.content.records.push_back({12, batteryRecord(t, settled ? uint16_t(volts * 1000) : 0,
                                                       int16_t(used), int16_t(amps * 100))});
    }
    return f.content;
}

HarlekLogContent longFlight(int64_t startUTC, const DemoSite& site, int seconds, int rateHz)
{
    Flight f(startUTC, site, 7);
    const int stepMs = 1000 / std::max(1, rateHz);
    const int n = seconds * 1000 / stepMs;
    f.content.path.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        const double a = double(i) / n * 2 * M_PI * 12;   // twelve circles
        f.x = 150 * std::sin(a);
        f.y = 150 * std::cos(a) - 150;
        f.h = i < 300 ? i * 0.2 : 60.0;
        f.yaw = std::fmod(a * 180 / M_PI + 90, 360);
        f.t += stepMs;
        f.sample(3);
        if (i % (rateHz * 4) == 0)
            f.tag();
    }
    f.content.type = LogTypeBasic;
    return f.content;
}

std::vector<std::string> writeDemoCard(const std::string& root, int64_t firstStartUTC, std::string* error)
{
    struct Entry { const char* name; HarlekLogContent content; };
    DemoSite site;
    DemoSite other{47.9021, 11.3012, 602.0};
    const int64_t day = 24LL * 3600 * 1000;
    std::vector<Entry> entries;
    entries.push_back({"KH8_0001", surveyFlight(firstStartUTC, site)});
    entries.push_back({"KH8_0002", shortHop(firstStartUTC + 2 * 3600 * 1000, site)});
    entries.push_back({"KH8_0003", batteryFlight(firstStartUTC + day + 3 * 3600 * 1000, other)});
    entries.push_back({"KH8_0004", surveyFlight(firstStartUTC + 3 * day, other, 9)});
    std::vector<std::string> names;
    for (const Entry& e : entries) {
        if (!writeLog(root + "/" + e.name, e.content, error))
            return {};
        names.push_back(e.name);
    }
    return names;
}

} // namespace harleklog
