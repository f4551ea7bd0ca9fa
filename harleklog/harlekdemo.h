#ifndef HARLEKDEMO_H
#define HARLEKDEMO_H

// Realistic, repeatable log folders for demonstrations, tests and benchmarks.

#include "harleklog/harleklogwriter.h"

#include <string>
#include <vector>

namespace harleklog {

struct DemoSite
{
    double latitude = 48.0950;
    double longitude = 11.6420;
    double altitude = 520.0;   // m above sea level at the start point
};

// Lawn-mower survey at 60 m over a 240 m x 150 m field, photo tags every
// 20 m along the lines; height mode for the climb, GPS mode for the survey,
// manual for the landing. 10 Hz path.
HarlekLogContent surveyFlight(int64_t startUTC, const DemoSite& site, unsigned seed = 1);
// Climb to 15 m, hover, land: about 90 s, no photos.
HarlekLogContent shortHop(int64_t startUTC, const DemoSite& site, unsigned seed = 2);
// Flight-controller log (type 1) with battery records once a second.
HarlekLogContent batteryFlight(int64_t startUTC, const DemoSite& site, unsigned seed = 3);
// A circling flight of the given length at rateHz, for benchmarks.
HarlekLogContent longFlight(int64_t startUTC, const DemoSite& site, int seconds, int rateHz);

// Battery message layout of the flight-controller log.
zephrinLog::ZephrinLogMessageInfo batteryMessage();
zephrinLog::ZephrinLogRecord batteryRecord(int64_t time, uint16_t millivolts, int16_t usedCapacity, int16_t current);

// Writes an SD-card folder with the demo logs as its sub-folders and returns
// their folder names; empty with *error set on failure.
std::vector<std::string> writeDemoCard(const std::string& root, int64_t firstStartUTC, std::string* error = nullptr);

} // namespace harleklog

#endif
