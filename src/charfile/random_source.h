// The one random source of the program. Every random choice (dictionary picks, the weighting of
// small talk, the random macros) re-seeds the generator from the time of day in milliseconds and
// then draws, so draws made within the same millisecond repeat. Tests and the batch mode's
// --seed option switch to a fixed seed: the generator is then seeded once and never from the clock.
#pragma once

#include <cstdint>

namespace kelmo {

// A uniform integer from 0 to count - 1; 0 when count is below 1.
int RandomBelow(int count);

// A uniform number in [0, 1).
double RandomFraction();

// Seeds the generator once with seed and stops all re-seeding from the clock.
void UseFixedRandomSeed(uint32_t seed);

// The first number std::mt19937 gives after seeding with seed. A draw seeded from the clock is
// always the first after seeding, and this reads only the three state words that number depends
// on, where seeding fills all 624 and the first draw regenerates them all.
uint32_t FirstDrawAfterSeeding(uint32_t seed);

}  // namespace kelmo
