// Nox::Time: monotonic milliseconds, seconds, 64-bit time stamps and sleeping.
#pragma once

#include <cstdint>

namespace Nox::Time {

// Milliseconds on a monotonic clock (arbitrary origin).
uint64_t Ms();
// Seconds on the same clock, with fractions.
double GetSeconds();
// Wall-clock time stamp: microseconds since 1970-01-01 UTC.
int64_t TimeStamp();
// Sleeps for ms milliseconds; 0 yields the processor.
void Delay(uint32_t ms);

}  // namespace Nox::Time
