// A definition file of a few kilobytes that names one large dictionary hundreds of times must not
// cost hundreds of copies of it: the file is read once and listed again. The peak memory of each
// load is measured in a child process of its own, from the moment before the load, so that the
// test program and the other load do not count.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "test_character.h"

namespace kelmo {
namespace {

using testing::CrLf;
using testing::TTestCharacterFolder;

// The attack: one dictionary of about this size named this many times in one key.
constexpr size_t kDictionaryBytes = 1'300'000;
constexpr int kNamings = 300;
// What the namings may cost beyond three times the memory of naming the file once.
constexpr long kAllowanceKiB = 20 * 1024;

// A kind B dictionary of keyword patterns shaped like an author's: alternations, optional parts,
// classes and plain words, each with its own reply.
std::string LargeDictionary() {
  std::vector<std::string> lines;
  size_t bytes = 0;
  for (int i = 0; bytes < kDictionaryBytes; ++i) {
    std::string line;
    switch (i % 4) {
      case 0:
        line = "(WORD" + std::to_string(i) + "|TERM" + std::to_string(i) + ")";
        break;
      case 1:
        line = "KEY" + std::to_string(i) + "S?";
        break;
      case 2:
        line = "[AB]NAME" + std::to_string(i);
        break;
      default:
        line = "PLAIN" + std::to_string(i);
        break;
    }
    line += ",reply number " + std::to_string(i) + " told with a few more words";
    bytes += line.size() + 2;
    lines.push_back(std::move(line));
  }
  return CrLf(lines);
}

// One field of /proc/self/status in KiB ("VmRSS", "VmHWM"), or -1.
long StatusKiB(const std::string& field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

// Resets the process's peak resident memory to its present size; false where the system does
// not allow it.
bool ResetPeakMemory() {
  std::FILE* clear = std::fopen("/proc/self/clear_refs", "w");
  if (clear == nullptr) return false;
  const bool written = std::fputs("5", clear) >= 0;
  return std::fclose(clear) == 0 && written;
}

// The growth of the peak resident memory while a child process loads the character, in KiB;
// -1 when the load fails.
long PeakLoadKiB(const TTestCharacterFolder& folder, const std::string& definition) {
  int channel[2];
  if (::pipe(channel) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    long growth = -1;
    if (ResetPeakMemory()) {
      const long before = StatusKiB("VmRSS");
      try {
        const auto character = folder.Load(definition);
        growth = StatusKiB("VmHWM") - before;
      } catch (...) {
      }
    }
    const bool sent = ::write(channel[1], &growth, sizeof growth) == sizeof growth;
    ::_exit(sent ? 0 : 1);
  }
  ::close(channel[1]);
  long growth = -1;
  if (child < 0 || ::read(channel[0], &growth, sizeof growth) != sizeof growth) growth = -1;
  ::close(channel[0]);
  if (child > 0) ::waitpid(child, nullptr, 0);
  return growth;
}

TEST(RepeatedDictionary, NamingAFileManyTimesCostsLittleMoreThanNamingItOnce) {
  TTestCharacterFolder folder;
  folder.Write("big.txt", LargeDictionary());
  std::string namings = "big.txt";
  for (int i = 1; i < kNamings; ++i) namings += " big.txt";
  const std::string once = folder.WriteDefinition(
      {{"name", "once"}, {"version", "210"}, {"datab2", "big.txt"}}, "once.klc");
  const std::string repeated = folder.WriteDefinition(
      {{"name", "many"}, {"version", "210"}, {"datab2", namings}}, "many.klc");

  if (!ResetPeakMemory()) GTEST_SKIP() << "the peak memory of a process cannot be reset here";
  const long onceKiB = PeakLoadKiB(folder, once);
  const long repeatedKiB = PeakLoadKiB(folder, repeated);
  ASSERT_GE(onceKiB, 0);
  ASSERT_GE(repeatedKiB, 0);
  RecordProperty("OnceKiB", std::to_string(onceKiB));
  RecordProperty("RepeatedKiB", std::to_string(repeatedKiB));
  EXPECT_LE(repeatedKiB, 3 * onceKiB + kAllowanceKiB)
      << "named once: " << onceKiB << " KiB, named " << kNamings << " times: " << repeatedKiB
      << " KiB";
}

}  // namespace
}  // namespace kelmo
