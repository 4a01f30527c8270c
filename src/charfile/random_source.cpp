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

// The next draw: from the fixed sequence, or the first after seeding from the clock.
uint32_t NextDraw() {
  RandomSource& source = Source();
  if (source.fixedSeed) return static_cast<uint32_t>(source.generator());
  return FirstDrawAfterSeeding(MillisecondsOfDay());
}

}  // namespace

int RandomBelow(int count) {
  if (count < 1) return 0;
  // Multiply-shift keeps the draw the same on every standard library, unlike the distributions.
  const uint64_t draw = NextDraw();
  return static_cast<int>((draw * static_cast<uint64_t>(count)) >> 32);
}

double RandomFraction() { return NextDraw() / 4294967296.0; }

uint32_t FirstDrawAfterSeeding(uint32_t seed) {
  using TGenerator = std::mt19937;
  constexpr size_t kMiddle = TGenerator::shift_size;  // 397
  // Seeding: state[i] = f * (state[i-1] ^ (state[i-1] >> (w-2))) + i; only words 0, 1 and 397
  // take part in the first draw.
  uint32_t word = seed;
  uint32_t second = 0;
  for (uint32_t index = 1; index <= kMiddle; ++index) {
    word = static_cast<uint32_t>(TGenerator::initialization_multiplier) * (word ^ (word >> 30)) +
           index;
    if (index == 1) second = word;
  }
  const uint32_t middle = word;
  // The first twist, for word 0 only.
  const uint32_t upper = seed & 0x80000000u;
  const uint32_t joined = upper | (second & 0x7FFFFFFFu);
  uint32_t value = middle ^ (joined >> 1) ^
                   ((joined & 1u) ? static_cast<uint32_t>(TGenerator::xor_mask) : 0u);
  // Tempering.
  value ^= value >> TGenerator::tempering_u;
  value ^= (value << TGenerator::tempering_s) & static_cast<uint32_t>(TGenerator::tempering_b);
  value ^= (value << TGenerator::tempering_t) & static_cast<uint32_t>(TGenerator::tempering_c);
  value ^= value >> TGenerator::tempering_l;
  return value;
}

void UseFixedRandomSeed(uint32_t seed) {
  RandomSource& source = Source();
  source.fixedSeed = true;
  source.generator.seed(seed);
}

}  // namespace kelmo
