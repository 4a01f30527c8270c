// The authoring tools on the inputs their targets name: the linter on a generated character of
// 100,000 entries in each of the eight dictionaries (target: at most 3 s), a transcript test of
// 200 cases for あかり (target: at most 2 s), each case loading her afresh, and the linter on a
// reply of 20,000 and of 200,000 nested "{IF" groups (target: at most 256 MB for 20,000; 200,000
// finishes), whose memory is reported as the peak resident size the lint added (Linux).
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

// A size field of /proc/self/status in bytes: VmRSS now, VmHWM the peak since the last reset.
size_t StatusBytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with(field + ":")) return std::stoull(line.substr(field.size() + 1)) * 1024;
  }
  return 0;
}

// Resets the peak resident size to the current one (Linux 4.0 and later).
void ResetPeakResidentSize() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

// A character whose only reply is depth nested "{IF" groups, each closed.
void WriteDeepNestCharacter(const std::filesystem::path& folder, int depth) {
  std::ofstream(folder / "deep.klc", std::ios::binary)
      << "name\r\nDeep\r\nfolder\r\n\r\nversion\r\n210\r\ndatab2\r\ndeep.txt\r\n";
  std::string line = "hello,";
  for (int i = 0; i < depth; ++i) line += "{IF";
  line += std::string(static_cast<size_t>(depth), '}') + "\r\n";
  std::ofstream(folder / "deep.txt", std::ios::binary) << line;
}

void BM_LintDeepNest(benchmark::State& state) {
  const TBenchFolder folder;
  const int depth = static_cast<int>(state.range(0));
  WriteDeepNestCharacter(folder.Path(), depth);
  const kelmo::TLintOptions options{folder.Path().string(), (folder.Path() / "deep.klc").string()};
  size_t added = 0;
  int findings = 0;
  for (auto _ : state) {
    ResetPeakResidentSize();
    const size_t before = StatusBytes("VmRSS");
    std::ostringstream out;
    kelmo::RunLint(options, false, out);
    added = std::max(added, StatusBytes("VmHWM") - std::min(before, StatusBytes("VmHWM")));
    const std::string report = out.str();
    findings = static_cast<int>(std::count(report.begin(), report.end(), '\n')) - 1;
  }
  state.counters["findings"] = findings;
  state.counters["peak_MB"] = static_cast<double>(added) / (1024.0 * 1024.0);
}
BENCHMARK(BM_LintDeepNest)
    ->Arg(20000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
