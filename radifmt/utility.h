#pragma once
#include <cstdint>

#include "radifmt/radifmt_export.h"

namespace utility {

// Seconds since 1970-01-01 00:00:00 for a GPS week and milliseconds of the
// week. GPS time is taken as UTC (no leap seconds); the remaining
// milliseconds are dropped.
RADIFMT_EXPORT int64_t fromGpsDate(uint16_t week, uint32_t msOfWeek);

}  // namespace utility
