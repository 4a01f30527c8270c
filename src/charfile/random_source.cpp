#include "charfile/random_source.h"

#include <chrono>
#include <ctime>
#include <random>

namespace kelmo {
namespace {

struct RandomSource {
  std::mt19937 generator;
  bool fixedSeed = false;
};

RandomSource& Source() {
  static RandomSource source;
  return source;
}

// Milliseconds since local midnight.
uint32_t MillisecondsOfDay() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto milliseconds = duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  return static_cast<uint32_t>((local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000 +
                               milliseconds.count());
}

std::mt19937& SeededGenerator() {
  RandomSource& source = Source();
  if (!source.fixedSeed) source.generator.seed(MillisecondsOfDay());
  return source.generator;
}

}  // namespace

int RandomBelow(int count) {
  if (count < 1) return 0;
  // Multiply-shift keeps the draw the same on every standard library, unlike the distributions.
  const uint64_t draw = SeededGenerator()();
  return static_cast<int>((draw * static_cast<uint64_t>(count)) >> 32);
}

double RandomFraction() { return SeededGenerator()() / 4294967296.0; }

void UseFixedRandomSeed(uint32_t seed) {
  RandomSource& source = Source();
  source.fixedSeed = true;
  source.generator.seed(seed);
}

}  // namespace kelmo
