// Monotonic and wall-clock time on std::chrono.
#include "engine/Time.h"

#include <chrono>
#include <thread>

namespace Nox::Time {

uint64_t Ms() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

double GetSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

int64_t TimeStamp() {
  using namespace std::chrono;
  return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

void Delay(uint32_t ms) {
  if (ms == 0) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

Clock& Clock::Real() {
  struct RealClock final : Clock {
    uint64_t NowMs() override { return Ms(); }
    void SleepMs(uint32_t ms) override { Delay(ms); }
  };
  static RealClock clock;
  return clock;
}

}  // namespace Nox::Time
