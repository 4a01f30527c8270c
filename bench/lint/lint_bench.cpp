// The authoring tools on the inputs their targets name: the linter on a generated character of
// 100,000 entries in each of the eight dictionaries (target: at most 3 s), and a transcript test of
// 200 cases for あかり (target: at most 2 s), each case loading her afresh.
//
// The 200 cases are those of tests/lint/transcripts/akari.transcript, repeated in order. Both
// benchmarks report wall time, since the linter loads on two threads; run them on a quiet machine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "charfile/text_file.h"
#include "large/large_character.h"
#include "lint/character_linter.h"
#include "lint/transcript.h"
#include "lint/transcript_runner.h"

namespace {

// Entries of each dictionary of the linted character, and cases of the transcript.
constexpr int kLargeEntries = 100000;
constexpr size_t kTranscriptCases = 200;

// A folder of the benchmark's own, removed when the program ends.
class TBenchFolder {
 public:
  TBenchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelmo-bench-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TBenchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void BM_LintLargeCharacter(benchmark::State& state) {
  static const TBenchFolder folder;
  static const bool written = [] {
    kelmo::bench::WriteLargeCharacter(
        folder.Path(), {kLargeEntries, kelmo::bench::TCharacterShape::AllKinds});
    return true;
  }();
  benchmark::DoNotOptimize(written);
  const kelmo::TLintOptions options{folder.Path().string(),
                                    (folder.Path() / kelmo::bench::kDefinitionFileName).string()};
  int findings = 0;
  for (auto _ : state) {
    std::ostringstream out;
    kelmo::RunLint(options, false, out);
    const std::string report = out.str();
    findings = static_cast<int>(std::count(report.begin(), report.end(), '\n')) - 1;
  }
  state.counters["findings"] = findings;
}
BENCHMARK(BM_LintLargeCharacter)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A transcript of kTranscriptCases cases: the header of akari.transcript and its cases (the blocks
// after the header that hold a line to say), over and over.
std::string LongTranscript() {
  const std::string text = kelmo::ReadFileSystemBytes(KELMO_AKARI_TRANSCRIPT);
  size_t start = text.find("\n\n") + 2;
  std::string result = text.substr(0, start);
  std::vector<std::string> cases;
  while (start < text.size()) {
    size_t end = text.find("\n\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string block = text.substr(start, end - start);
    if (block.find("\n> ") != std::string::npos || block.starts_with("> ")) cases.push_back(block);
    start = end + 2;
  }
  for (size_t i = 0; i < kTranscriptCases; ++i) result += cases[i % cases.size()] + "\n\n";
  return result;
}

void BM_TranscriptOf200Cases(benchmark::State& state) {
  static const TBenchFolder folder;
  const std::filesystem::path path = folder.Path() / "akari200.transcript";
  std::ofstream(path) << LongTranscript();
  kelmo::TTranscript transcript;
  kelmo::ParseTranscript(kelmo::ReadFileSystemBytes(path.string()), transcript);
  int status = 0;
  for (auto _ : state) {
    std::ostringstream out;
    status = kelmo::RunTranscript({KELMO_PROGRAM_DIR, path.string()}, out);
  }
  state.counters["cases"] = static_cast<double>(transcript.Cases.size());
  state.counters["failed"] = status;
}
BENCHMARK(BM_TranscriptOf200Cases)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
