// The length of a wave file, which bounds how long a waiting sound (SOUNDS:) may hold typing up.
#include "gui/sound_player.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstdint>
#include <optional>
#include <string>

namespace kelmo {
namespace {

std::string LittleEndian32(uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
  return bytes;
}

std::string Chunk(const std::string& id, const std::string& body, uint32_t claimedSize) {
  return id + LittleEndian32(claimedSize) + body;
}

// A "fmt " chunk of 16 bytes with the given byte rate (the other fields do not matter here).
std::string Format(uint32_t byteRate) {
  return Chunk("fmt ", std::string(8, '\1') + LittleEndian32(byteRate) + std::string(4, '\1'), 16);
}

std::string Wave(const std::string& chunks) {
  return "RIFF" + LittleEndian32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

struct TWaveCase {
  const char* Name;
  std::string Bytes;
  std::optional<int> DurationMs;
};

// The case's name, for test listings.
void PrintTo(const TWaveCase& c, std::ostream* out) {
  *out << c.Name;
}

class WaveDurationTest : public ::testing::TestWithParam<TWaveCase> {};

TEST_P(WaveDurationTest, LengthComesFromTheHeader) {
  EXPECT_EQ(WaveDurationMs(GetParam().Bytes), GetParam().DurationMs);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WaveDurationTest,
    ::testing::Values(
        TWaveCase{"OneSecond", Wave(Format(8000) + Chunk("data", std::string(8000, 'x'), 8000)),
                  1000},
        TWaveCase{"RoundedUp", Wave(Format(8000) + Chunk("data", std::string(8001, 'x'), 8001)),
                  1001},
        // A list chunk of odd size before the data is skipped with its pad byte.
        TWaveCase{"ChunkBeforeData",
                  Wave(Format(1000) + Chunk("LIST", "abc", 3) + std::string(1, '\0') +
                       Chunk("data", std::string(500, 'x'), 500)),
                  500},
        // A size beyond the file (cut short, or a streamed file's placeholder) counts what is
        // there.
        TWaveCase{"ClaimsMoreThanPresent",
                  Wave(Format(1000) + Chunk("data", std::string(250, 'x'), 0xFFFFFFFF)), 250},
        TWaveCase{"NoFormatBeforeData", Wave(Chunk("data", std::string(100, 'x'), 100)),
                  std::nullopt},
        TWaveCase{"ZeroByteRate", Wave(Format(0) + Chunk("data", std::string(100, 'x'), 100)),
                  std::nullopt},
        TWaveCase{"NoDataChunk", Wave(Format(8000)), std::nullopt},
        TWaveCase{"NotAWave", std::string("RIFF\4\0\0\0AVI ", 12), std::nullopt},
        TWaveCase{"Empty", "", std::nullopt}),
    [](const ::testing::TestParamInfo<TWaveCase>& info) { return info.param.Name; });

}  // namespace
}  // namespace kelmo
