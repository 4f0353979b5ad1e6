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

// A source of time for waits that tests need to run faster than real time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual uint64_t NowMs() = 0;
  virtual void SleepMs(uint32_t ms) = 0;
  // The real monotonic clock (Ms and Delay).
  static Clock& Real();
};

}  // namespace Nox::Time
