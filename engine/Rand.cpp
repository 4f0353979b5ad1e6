// Process-wide Mersenne-Twister generator behind a mutex.
#include "engine/Rand.h"

#include <mutex>
#include <random>

namespace Nox::Rand {

namespace {

struct Generator {
  std::mutex lock;
  std::mt19937_64 engine{std::random_device{}()};
};

Generator& TheGenerator() {
  static Generator* generator = new Generator;
  return *generator;
}

}  // namespace

void Randomise() {
  Generator& g = TheGenerator();
  std::random_device device;
  uint64_t seed = (static_cast<uint64_t>(device()) << 32) ^ device();
  std::lock_guard guard(g.lock);
  g.engine.seed(seed);
}

void Seed(uint64_t seed) {
  Generator& g = TheGenerator();
  std::lock_guard guard(g.lock);
  g.engine.seed(seed);
}

int NextInt(int low, int high) {
  if (high <= low) return low;
  Generator& g = TheGenerator();
  std::uniform_int_distribution<int> pick(low, high);
  std::lock_guard guard(g.lock);
  return pick(g.engine);
}

uint32_t NextU32() {
  Generator& g = TheGenerator();
  std::lock_guard guard(g.lock);
  return static_cast<uint32_t>(g.engine());
}

}  // namespace Nox::Rand
