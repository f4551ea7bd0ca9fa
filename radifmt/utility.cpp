#include "radifmt/utility.h"

namespace utility {

int64_t fromGpsDate(uint16_t week, uint32_t msOfWeek)
{
    // 100-ns ticks from 1970-01-01 to the GPS epoch 1980-01-06 00:00:00.
    static const int64_t gpsEpochTicks = 3159648000000000LL;
    const int64_t ticksPerWeek = 6048000000000LL;
    const int64_t t = gpsEpochTicks + int64_t(week) * ticksPerWeek + int64_t(msOfWeek) * 10000;
    return t / 10000000;
}

}  // namespace utility
