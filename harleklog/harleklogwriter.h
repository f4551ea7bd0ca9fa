#ifndef HARLEKLOGWRITER_H
#define HARLEKLOGWRITER_H

// Writes log folders in the layout HarlekLog reads: test fixtures, demo data.

#include "harleklog/harleklog.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct HarlekLogContent
{
    LogType type = LogTypeBasic;
    // Header values; those left empty are computed by the reader.
    std::optional<int64_t> startUTC;
    std::optional<Position> position;
    std::optional<double> airTime;
    std::optional<double> maxDistance;
    std::optional<double> maxDistance3D;
    std::optional<double> maxHeight;

    std::vector<PathPoint> path;
    std::vector<PhotoTag> tags;
    // Message log (written for every type, read for type 1 only).
    std::vector<zephrinLog::ZephrinLogMessageInfo> messages;
    std::vector<std::pair<int, zephrinLog::ZephrinLogRecord>> records;
};

namespace harleklog {

// Creates folder (and its parents) and writes KORVEL.IFO and KORVEL.LOG.
// Returns false with *error set when a file cannot be written.
bool writeLog(const std::string& folder, const HarlekLogContent& content, std::string* error = nullptr);

// The two files as text, for callers that place them elsewhere.
std::string infoText(const HarlekLogContent& content);
std::string recordsText(const HarlekLogContent& content);

} // namespace harleklog

#endif
