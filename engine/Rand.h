// Nox::Rand: the process-wide random generator (thread-safe).
#pragma once

#include <cstdint>

namespace Nox::Rand {

// Seeds the generator from the system's entropy source.
void Randomise();
// Seeds the generator with a fixed value (repeatable sequences in tests).
void Seed(uint64_t seed);
// A uniformly drawn integer in [low, high] (both included); low when high < low.
int NextInt(int low, int high);
// A uniformly drawn 32-bit value.
uint32_t NextU32();

}  // namespace Nox::Rand
