// Large characters: load time, peak memory and reply latency at 1,000 to 100,000 entries.
//
// For each size and shape the program generates a character (large_character.h) and measures it
// in a fresh child process, so that the peak resident size (VmHWM) belongs to that character
// alone: the load of TCharacter, SelectReply over user lines that hit the first priority group,
// only the last group, or nothing, Evaluate of a 1 KB reply with 50 groups and of a kind 0
// condition. Each SelectReply is timed alone, in wall time and thread CPU time; the first pass over
// the lines is kept apart (it compiles the patterns it tests first) and the rounds after it give
// the median and the 99th percentile. Afterwards the lines are classified by the plain scan of
// "datab2" ("data02" in a character of kind 0 alone), whose candidate search is timed both ways
// (the plain scan of kind 0, which evaluates every condition as text, over a sample of the lines);
// the candidates of "datab2", "data01" and "data02" are checked to agree with their plain scans.
// Kind 0 also reports how many of its entries the gate index decides, and the compiled evaluation
// of conditions it cannot decide beside their evaluation as text.
//
// As references for kind B, the same patterns (over bytes) match the same lines through RE2::Set
// and through Hyperscan. RE2::Set is built in the measuring child once its own figures are taken,
// and its rounds alternate with rounds of SelectReply, both timed by the wall clock alone: the
// ratio of the two then compares them under the same load, which separate runs on a shared
// machine do not. Hyperscan, which compiles for long, runs in a child of its own under a time
// limit and reports only at the sizes where it compiles.
//
// Usage: large_character_bench [--sizes=1000,10000,100000] [--shapes=b,all,0] [--rounds=5]
//                              [--repeat=1] [--folder=DIR] [--no-references]
//                              [--reference-timeout=SECONDS]
// --repeat=N runs the measuring child N times and reports the median of each figure: on a shared
// machine one short run can be a third off either way.
// The characters are generated under DIR (kept, and reused when present) or in a temporary folder
// removed at the end. The machine's load average is printed at the start and at the end.
#include <hs/hs.h>
#include <poll.h>
#include <re2/re2.h>
#include <re2/set.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "charfile/answer_list.h"
#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "dictionary/kelmo_data_0.h"
#include "dictionary/kelmo_data_a.h"
#include "dictionary/kelmo_data_b.h"
#include "engine/character.h"
#include "engine/compiled_conditions.h"
#include "large/large_character.h"
#include "support/typical_reply.h"

namespace kelmo::bench {
namespace {

// The line categories, in table order.
constexpr const char* kCategories[] = {"first", "late", "nothing"};

// The classified lines a measuring child leaves for the Hyperscan child: category, a tab and
// the normalised query bytes.
constexpr const char* kClassifiedFileName = "bench_classified.txt";

// Timed calls of Evaluate per measurement, and measurements.
constexpr int kEvaluateBatch = 100;
constexpr int kEvaluateSamples = 200;

// Lines per category whose plain scan of a kind 0 dictionary is timed.
constexpr int kKindZeroScanSample = 10;

// --- Clocks and process figures ---

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double CpuSeconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double ThreadCpuSeconds() {
  return CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
}
double ProcessCpuSeconds() {
  return CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

// A field of /proc/self/status in MiB ("VmHWM", "VmRSS").
double StatusMegabytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1)) / 1024.0;
  }
  return 0;
}

std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// The value at fraction q (0..1) of the sorted samples; 0 when there are none.
double Quantile(std::vector<double> samples, double q) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const size_t index =
      std::min(samples.size() - 1, static_cast<size_t>(q * (samples.size() - 1) + 0.5));
  return samples[index];
}

// A child's report: "key value" lines.
using Report = std::map<std::string, std::string>;

void Put(const std::string& key, double value) {
  std::printf("%s %.6g\n", key.c_str(), value);
}
void Put(const std::string& key, const std::string& value) {
  std::printf("%s %s\n", key.c_str(), value.c_str());
}

Report ParseReport(const std::string& text) {
  Report report;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const size_t blank = line.find(' ');
    if (blank != std::string::npos) report[line.substr(0, blank)] = line.substr(blank + 1);
  }
  return report;
}

// The reports of several runs of one child as one: each numeric figure the median of the runs
// (the upper middle of an even count), anything else as the first run gave it.
Report MedianReport(const std::vector<Report>& runs) {
  Report merged;
  if (runs.empty()) return merged;
  for (const auto& [key, first] : runs.front()) {
    std::vector<double> values;
    for (const Report& run : runs) {
      const auto found = run.find(key);
      char* end = nullptr;
      const double value = found == run.end() ? 0 : std::strtod(found->second.c_str(), &end);
      if (found == run.end() || end == found->second.c_str() || *end != '\0') break;
      values.push_back(value);
    }
    if (values.size() != runs.size()) {
      merged[key] = first;
      continue;
    }
    std::sort(values.begin(), values.end());
    std::ostringstream text;
    text << values[values.size() / 2];
    merged[key] = text.str();
  }
  return merged;
}

// --- Files of a generated character ---

std::vector<std::string> ReadLines(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The group of each entry of a generated dictionary file, in file order: one entry per line, a
// "{PRIOR}" line beginning the next group.
std::vector<int> EntryGroups(const std::filesystem::path& file) {
  std::vector<int> groups;
  int group = 0;
  for (const std::string& line : ReadLines(file)) {
    if (line.rfind("{PRIOR}", 0) == 0) ++group;
    groups.push_back(group);
  }
  return groups;
}

// The byte patterns of "datab2" that compile in a reference engine: separators and broken
// patterns left out.
std::vector<std::string> BytePatterns(const std::filesystem::path& folder) {
  std::vector<std::string> patterns;
  for (const std::string& line : ReadLines(folder / kBytePatternsFileName)) {
    if (line != "{PRIOR}" && line != "{BROKEN}") patterns.push_back(line);
  }
  return patterns;
}

struct ClassifiedLine {
  std::string Category;
  std::string Query;  // normalised, Shift-JIS
};

std::vector<ClassifiedLine> ReadClassified(const std::filesystem::path& folder) {
  std::vector<ClassifiedLine> lines;
  for (const std::string& line : ReadLines(folder / kClassifiedFileName)) {
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) lines.push_back({line.substr(0, tab), line.substr(tab + 1)});
  }
  return lines;
}

// Per-category medians of a timed operation over the classified lines: one warm-up pass, then
// `rounds` passes. `run` returns false when the operation failed.
std::map<std::string, std::vector<double>> TimeByCategory(
    const std::vector<ClassifiedLine>& lines, int rounds,
    const std::function<bool(const std::string&)>& run, bool& failed) {
  std::map<std::string, std::vector<double>> samples;
  failed = false;
  for (int round = -1; round < rounds && !failed; ++round) {
    for (const ClassifiedLine& line : lines) {
      const double start = WallSeconds();
      if (!run(line.Query)) failed = true;
      const double elapsed = WallSeconds() - start;
      if (round >= 0) samples[line.Category].push_back(elapsed * 1e6);
    }
  }
  return samples;
}

void PutMedians(const std::string& prefix,
                const std::map<std::string, std::vector<double>>& samples) {
  for (const auto& [category, values] : samples) {
    Put(prefix + "_" + category + "_median_us", Quantile(values, 0.5));
    Put(prefix + "_" + category + "_p99_us", Quantile(values, 0.99));
  }
}

// --- The measuring child ---

// Median wall and CPU microseconds of one Evaluate of text, timed in batches.
void PutEvaluate(TCharacter& character, const std::string& name, const std::u16string& text) {
  std::vector<double> wall;
  std::vector<double> cpu;
  for (int sample = 0; sample < kEvaluateSamples; ++sample) {
    const double wallStart = WallSeconds();
    const double cpuStart = ThreadCpuSeconds();
    for (int call = 0; call < kEvaluateBatch; ++call) {
      if (character.Evaluate(text).empty()) std::abort();  // both texts have a result
    }
    wall.push_back((WallSeconds() - wallStart) * 1e6 / kEvaluateBatch);
    cpu.push_back((ThreadCpuSeconds() - cpuStart) * 1e6 / kEvaluateBatch);
  }
  Put(name + "_wall_us", Quantile(wall, 0.5));
  Put(name + "_cpu_us", Quantile(cpu, 0.5));
}

// What a selection of the (normalised) query leaves for kind 0 conditions to read.
void AskAbout(TCharacter& character, const std::string& query) {
  character.OperateMessage = query;
  character.Prev = query;
}

// Median wall microseconds of one evaluation of a kind 0 condition within a lookup, compiled as
// a kind 0 dictionary compiles it, and of its evaluation as text.
void PutCompiled(TCharacter& character, const std::string& name, const std::u16string& condition) {
  TCompiledConditions conditions(character);
  const int32_t program = conditions.Compile(condition);
  conditions.BeginLookup();
  std::vector<double> compiled;
  std::vector<double> text;
  for (int sample = 0; sample < kEvaluateSamples; ++sample) {
    double start = WallSeconds();
    for (int call = 0; call < kEvaluateBatch; ++call) conditions.Evaluate(program);
    compiled.push_back((WallSeconds() - start) * 1e6 / kEvaluateBatch);
    start = WallSeconds();
    for (int call = 0; call < kEvaluateBatch; ++call) character.Evaluate(condition);
    text.push_back((WallSeconds() - start) * 1e6 / kEvaluateBatch);
  }
  Put(name + "_compiled_us", Quantile(compiled, 0.5));
  Put(name + "_text_us", Quantile(text, 0.5));
}

// The conditions timed compiled, none of which an index can decide: a counter, a memo, the time
// of day, a date kept in a memo (through the general walk).
const std::pair<const char*, const char16_t*> kCompiledConditions[] = {
    {"counter", u"{>{COUNT42}|100}"},
    {"memo", u"{EQ{MEMO05}|MEMO TEXT}"},
    {"hours", u"{AND{>={HOUR}|5}|{<{HOUR}|11}}"},
    {"memo_date", u"{>={DATEDIFFD{MEMO51}|{DATE}}|14}"},
};

// A user line: the category its generator meant, the text, and its normalised query bytes.
struct Line {
  std::string Intended;
  std::u16string Text;
  std::string Query;
};

// RE2::Set over the byte patterns of "datab2", and SelectReply, on the same lines in alternating
// rounds: the machine's load then weighs on both alike. Both are timed by the wall clock alone.
// category[i] names the category of lines[i], empty for a line in none. Reports the compile time,
// the resident growth, and per-category medians of both.
void PutPairedWithRe2(TCharacter& character, const std::vector<Line>& lines,
                      const std::vector<std::string>& category, const std::filesystem::path& folder,
                      int rounds) {
  const double residentBefore = StatusMegabytes("VmRSS");
  RE2::Options options;
  options.set_encoding(RE2::Options::EncodingLatin1);
  options.set_log_errors(false);
  options.set_max_mem(int64_t{4} << 30);
  RE2::Set set(options, RE2::UNANCHORED);
  const double start = WallSeconds();
  int refused = 0;
  for (const std::string& pattern : BytePatterns(folder)) {
    if (set.Add(pattern, nullptr) < 0) ++refused;
  }
  if (!set.Compile()) {
    Put("re2_error", "compile");
    return;
  }
  Put("re2_compile_ms", (WallSeconds() - start) * 1e3);
  Put("re2_refused", refused);

  std::map<std::string, std::vector<double>> selectSamples;
  std::map<std::string, std::vector<double>> re2Samples;
  std::vector<int> matched;
  RE2::Set::ErrorInfo error{};
  // One pass over the lines; samples, when given, takes each line's time by category.
  const auto timePass = [&](const auto& run, std::map<std::string, std::vector<double>>* samples) {
    for (size_t index = 0; index < lines.size(); ++index) {
      const double lineStart = WallSeconds();
      run(lines[index]);
      const double elapsed = WallSeconds() - lineStart;
      if (samples != nullptr && !category[index].empty())
        (*samples)[category[index]].push_back(elapsed * 1e6);
    }
  };
  const auto selectReply = [&](const Line& line) { character.SelectReply(line.Text, DictMaskAll); };
  const auto matchRe2 = [&](const Line& line) { set.Match(line.Query, &matched, &error); };
  // Each measured pass follows an unmeasured one of the same engine, so that both are measured
  // with their own data in the caches, as a program that does nothing else would find them.
  for (int round = 0; round < rounds; ++round) {
    timePass(selectReply, nullptr);
    timePass(selectReply, &selectSamples);
    timePass(matchRe2, nullptr);
    timePass(matchRe2, &re2Samples);
    if (error.kind != RE2::Set::kNoError) {
      Put("re2_error", "match");
      return;
    }
  }
  PutMedians("paired_select", selectSamples);
  PutMedians("re2", re2Samples);
  for (const auto& [name, samples] : selectSamples) {
    const double re2Median = Quantile(re2Samples[name], 0.5);
    if (re2Median > 0) Put("ratio_" + name, Quantile(samples, 0.5) / re2Median);
  }
  Put("re2_memory_mb", StatusMegabytes("VmRSS") - residentBefore);
}

int Measure(const std::filesystem::path& folder, int rounds, bool withRe2) {
  Put("rss_before_mb", StatusMegabytes("VmRSS"));
  Put("load_average_start", LoadAverage());
  TCharacterEnvironment environment;
  environment.Plugins.ProgramFolder = folder.string() + "/";
  // The code page tables are built at the program's first conversion, long before a character is
  // loaded; build them here too, so that the load is timed as the running program sees it.
  ShiftJisToUtf16("\x82\xa0");
  const double wallStart = WallSeconds();
  const double cpuStart = ProcessCpuSeconds();
  TCharacter character((folder / kDefinitionFileName).string(), environment);
  Put("load_wall_ms", (WallSeconds() - wallStart) * 1e3);
  Put("load_cpu_ms", (ProcessCpuSeconds() - cpuStart) * 1e3);
  Put("peak_load_mb", StatusMegabytes("VmHWM"));
  // Kind 0 entries, separators excluded, and those whose gate the index holds.
  Put("kind0_entries", character.Data01->AvailableCount + character.Data02->AvailableCount);
  Put("kind0_gated", character.Data01->GatedCount() + character.Data02->GatedCount());

  // The lines in a fixed shuffled order, no line twice in a row (that would mark a repetition).
  std::vector<Line> lines;
  for (const std::string& raw : ReadLines(folder / kLinesFileName)) {
    const size_t tab = raw.find('\t');
    const std::u16string text = ShiftJisToUtf16(raw.substr(tab + 1));
    lines.push_back({raw.substr(0, tab), text, Utf16ToShiftJis(NormalizeText(text))});
  }
  std::shuffle(lines.begin(), lines.end(), std::mt19937(7));
  lines.erase(std::unique(lines.begin(), lines.end(),
                          [](const Line& a, const Line& b) { return a.Text == b.Text; }),
              lines.end());

  std::vector<std::vector<double>> wall(lines.size());
  std::vector<std::vector<double>> cpu(lines.size());
  std::vector<double> coldWall(lines.size());
  for (int round = -1; round < rounds; ++round) {
    for (size_t index = 0; index < lines.size(); ++index) {
      // The thread CPU clock is a system call of about half a microsecond: read outside the
      // wall-clock window.
      const double lineCpu = ThreadCpuSeconds();
      const double lineWall = WallSeconds();
      character.SelectReply(lines[index].Text, DictMaskAll);
      const double elapsedWall = (WallSeconds() - lineWall) * 1e6;
      const double elapsedCpu = (ThreadCpuSeconds() - lineCpu) * 1e6;
      if (round < 0) {
        coldWall[index] = elapsedWall;
        continue;
      }
      wall[index].push_back(elapsedWall);
      cpu[index].push_back(elapsedCpu);
    }
  }
  Put("peak_end_mb", StatusMegabytes("VmHWM"));

  // Classification by the plain scan of "datab2" (and, in a character of all kinds, no answer
  // from "datab1" before it), or of "data02" in a character of kind 0 alone.
  const bool kindZeroOnly = character.DataB2->EntryCount() == 0;
  TKelmoData& measured = kindZeroOnly ? static_cast<TKelmoData&>(*character.Data02)
                                      : static_cast<TKelmoData&>(*character.DataB2);
  const std::vector<int> groups =
      EntryGroups(folder / (kindZeroOnly ? "data02.txt" : "datab2.txt"));
  const int lastGroup = groups.empty() ? 0 : groups.back();
  std::map<std::string, std::vector<size_t>> byCategory;
  int otherLines = 0;
  int wrongIntention = 0;
  // Every line's plain scans also check the candidate searches of datab2 and the kind 0
  // dictionaries: a plain scan of a large kind 0 dictionary evaluates every condition as text.
  int mismatches = 0;
  std::ofstream classified(folder / kClassifiedFileName, std::ios::binary | std::ios::trunc);
  for (size_t index = 0; index < lines.size(); ++index) {
    TAnswerList earlier(character.DataB1->EntryCount());
    character.DataB1->ScanCandidates(lines[index].Query, earlier);
    AskAbout(character, lines[index].Query);
    std::vector<int> measuredCandidates;
    for (TKelmoData* dictionary : {static_cast<TKelmoData*>(character.DataB2.get()),
                                   static_cast<TKelmoData*>(character.Data01.get()),
                                   static_cast<TKelmoData*>(character.Data02.get())}) {
      if (dictionary->EntryCount() == 0) continue;
      TAnswerList fast(dictionary->EntryCount());
      TAnswerList plain(dictionary->EntryCount());
      dictionary->CollectCandidates(lines[index].Query, fast);
      dictionary->ScanCandidates(lines[index].Query, plain);
      if (fast.Items() != plain.Items()) ++mismatches;
      if (dictionary == &measured) measuredCandidates = plain.Items();
    }
    // The group of the first candidate by the plain scan, -1 when there is none.
    const int group = earlier.Count() > 0          ? -2
                      : measuredCandidates.empty() ? -1
                                                   : groups[measuredCandidates.front()];
    const char* category = group == 0           ? "first"
                           : group == -1        ? "nothing"
                           : group == lastGroup ? "late"
                                                : nullptr;
    if (category == nullptr) {
      ++otherLines;
      continue;
    }
    if (lines[index].Intended != category) ++wrongIntention;
    byCategory[category].push_back(index);
    classified << category << '\t' << lines[index].Query << '\n';
  }
  classified.close();
  Put("lines_other_groups", otherLines);
  Put("lines_not_as_intended", wrongIntention);

  for (const char* category : kCategories) {
    std::vector<double> categoryWall;
    std::vector<double> categoryCpu;
    std::vector<double> categoryCold;
    for (const size_t index : byCategory[category]) {
      categoryWall.insert(categoryWall.end(), wall[index].begin(), wall[index].end());
      categoryCpu.insert(categoryCpu.end(), cpu[index].begin(), cpu[index].end());
      categoryCold.push_back(coldWall[index]);
    }
    const std::string prefix = std::string("select_") + category;
    Put("lines_" + std::string(category), static_cast<double>(byCategory[category].size()));
    Put(prefix + "_median_wall_us", Quantile(categoryWall, 0.5));
    Put(prefix + "_p99_wall_us", Quantile(categoryWall, 0.99));
    Put(prefix + "_median_cpu_us", Quantile(categoryCpu, 0.5));
    Put(prefix + "_p99_cpu_us", Quantile(categoryCpu, 0.99));
    Put(prefix + "_cold_max_us", Quantile(categoryCold, 1.0));
  }

  // The candidate search and the plain scan of the measured dictionary, timed over the same
  // lines; for kind 0, whose plain scan evaluates every condition as text, over a sample of them
  // in one round.
  Put("candidate_mismatches", mismatches);
  const std::vector<ClassifiedLine> classifiedLines = ReadClassified(folder);
  std::vector<ClassifiedLine> scannedLines;
  std::map<std::string, int> sampled;
  for (const ClassifiedLine& line : classifiedLines) {
    if (!kindZeroOnly || sampled[line.Category]++ < kKindZeroScanSample) {
      scannedLines.push_back(line);
    }
  }
  bool failed = false;
  PutMedians("collect", TimeByCategory(
                            classifiedLines, rounds,
                            [&](const std::string& query) {
                              AskAbout(character, query);
                              TAnswerList candidates(measured.EntryCount());
                              measured.CollectCandidates(query, candidates);
                              return true;
                            },
                            failed));
  PutMedians("scan", TimeByCategory(
                         scannedLines, kindZeroOnly ? 1 : rounds,
                         [&](const std::string& query) {
                           AskAbout(character, query);
                           TAnswerList candidates(measured.EntryCount());
                           measured.ScanCandidates(query, candidates);
                           return true;
                         },
                         failed));

  character.Memo[1] = "memo text";
  PutEvaluate(character, "evaluate_reply", TypicalReply());
  character.OperateMessage = "KCCALLED";
  PutEvaluate(character, "evaluate_condition", u"{EQ{OPERATEMESSAGE}|KCCALLED}");
  character.Memo[5] = "memo text";
  character.Memo[51] = "2024/01/01";
  character.Counter[42] = 7;
  for (const auto& [name, condition] : kCompiledConditions) {
    PutCompiled(character, std::string("condition_") + name, condition);
  }
  if (withRe2) {
    std::vector<std::string> categoryOfLine(lines.size());
    for (const auto& [category, indices] : byCategory) {
      for (const size_t index : indices) categoryOfLine[index] = category;
    }
    PutPairedWithRe2(character, lines, categoryOfLine, folder, rounds);
  }
  Put("load_average_end", LoadAverage());
  return 0;
}

// --- The Hyperscan child ---

int CountMatch(unsigned int, unsigned long long, unsigned long long, unsigned int, void* count) {
  ++*static_cast<int*>(count);
  return 0;
}

int MeasureHyperscan(const std::filesystem::path& folder, int rounds) {
  const std::vector<std::string> patterns = BytePatterns(folder);
  std::vector<const char*> expressions;
  std::vector<unsigned int> flags(patterns.size(), HS_FLAG_SINGLEMATCH | HS_FLAG_ALLOWEMPTY);
  std::vector<unsigned int> ids;
  for (size_t index = 0; index < patterns.size(); ++index) {
    expressions.push_back(patterns[index].c_str());
    ids.push_back(static_cast<unsigned int>(index));
  }
  hs_database_t* database = nullptr;
  hs_compile_error_t* error = nullptr;
  const double start = WallSeconds();
  if (hs_compile_multi(expressions.data(), flags.data(), ids.data(),
                       static_cast<unsigned int>(patterns.size()), HS_MODE_BLOCK, nullptr,
                       &database, &error) != HS_SUCCESS) {
    Put("hyperscan_error", "compile");
    hs_free_compile_error(error);
    return 0;
  }
  Put("hyperscan_compile_ms", (WallSeconds() - start) * 1e3);
  hs_scratch_t* scratch = nullptr;
  hs_alloc_scratch(database, &scratch);
  bool failed = false;
  PutMedians("hyperscan", TimeByCategory(
                              ReadClassified(folder), rounds,
                              [&](const std::string& query) {
                                int count = 0;
                                return hs_scan(database, query.data(),
                                               static_cast<unsigned int>(query.size()), 0, scratch,
                                               CountMatch, &count) == HS_SUCCESS;
                              },
                              failed));
  if (failed) Put("hyperscan_error", "scan");
  Put("hyperscan_peak_mb", StatusMegabytes("VmHWM"));
  hs_free_scratch(scratch);
  hs_free_database(database);
  return 0;
}

// --- The parent ---

// Runs this program with arguments and returns its standard output, or nothing when it failed
// or ran longer than timeoutSeconds (it is then killed).
std::optional<std::string> RunChild(const std::vector<std::string>& arguments,
                                    double timeoutSeconds) {
  int channel[2];
  if (pipe(channel) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    dup2(channel[1], STDOUT_FILENO);
    close(channel[0]);
    close(channel[1]);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv("/proc/self/exe", argv.data());
    _exit(127);
  }
  close(channel[1]);
  std::string output;
  const double deadline = WallSeconds() + timeoutSeconds;
  bool timedOut = false;
  for (;;) {
    pollfd wait{channel[0], POLLIN, 0};
    const int remaining = static_cast<int>((deadline - WallSeconds()) * 1000);
    if (remaining <= 0) {
      timedOut = true;
      break;
    }
    if (poll(&wait, 1, remaining) <= 0) continue;
    char buffer[4096];
    const ssize_t count = read(channel[0], buffer, sizeof buffer);
    if (count <= 0) break;
    output.append(buffer, static_cast<size_t>(count));
  }
  close(channel[0]);
  if (timedOut) kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  if (timedOut || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return output;
}

struct Row {
  std::string Shape;
  int Size;
  Report Figures;
};

std::string Field(const Report& report, const std::string& key, const char* format = "%.1f") {
  const auto found = report.find(key);
  if (found == report.end()) return "-";
  char text[64];
  std::snprintf(text, sizeof text, format, std::stod(found->second));
  return text;
}

std::string Pair(const Report& report, const std::string& first, const std::string& second,
                 const char* format = "%.1f") {
  return Field(report, first, format) + " / " + Field(report, second, format);
}

void PrintTables(const std::vector<Row>& rows) {
  std::printf(
      "\nLoad and memory (wall / CPU ms; peak resident MiB after load / after all lookups)\n");
  std::printf("%-6s %8s | %-17s | %-15s | %s\n", "shape", "entries", "load ms", "peak MiB",
              "lines first/late/nothing (other groups)");
  for (const Row& row : rows) {
    const Report& r = row.Figures;
    std::printf("%-6s %8d | %-17s | %-15s | %s/%s/%s (%s)\n", row.Shape.c_str(), row.Size,
                Pair(r, "load_wall_ms", "load_cpu_ms").c_str(),
                Pair(r, "peak_load_mb", "peak_end_mb").c_str(),
                Field(r, "lines_first", "%.0f").c_str(), Field(r, "lines_late", "%.0f").c_str(),
                Field(r, "lines_nothing", "%.0f").c_str(),
                Field(r, "lines_other_groups", "%.0f").c_str());
  }

  std::printf(
      "\nSelectReply, microseconds: median wall / CPU, p99 wall / CPU; cold = slowest first "
      "call\n");
  std::printf("%-6s %8s %-8s | %-19s | %-19s | %s\n", "shape", "entries", "lines", "median", "p99",
              "cold");
  for (const Row& row : rows) {
    for (const char* category : kCategories) {
      const std::string prefix = std::string("select_") + category;
      std::printf("%-6s %8d %-8s | %-19s | %-19s | %s\n", row.Shape.c_str(), row.Size, category,
                  Pair(row.Figures, prefix + "_median_wall_us", prefix + "_median_cpu_us").c_str(),
                  Pair(row.Figures, prefix + "_p99_wall_us", prefix + "_p99_cpu_us").c_str(),
                  Field(row.Figures, prefix + "_cold_max_us", "%.0f").c_str());
    }
  }

  std::printf(
      "\nCandidate search on datab2 (data02 for shape 0), wall microseconds, median (p99): ours,"
      " plain scan, RE2::Set, Hyperscan;\nSelectReply in the rounds that alternate with"
      " RE2::Set's, and its ratio to RE2::Set within a run (median of the runs, and each run)\n");
  std::printf("%-6s %8s %-8s | %-17s | %-17s | %-17s | %-17s | %-17s | %s\n", "shape", "entries",
              "lines", "ours", "plain scan", "RE2::Set", "Hyperscan", "SelectReply", "ratio");
  for (const Row& row : rows) {
    const Report& r = row.Figures;
    for (const char* category : kCategories) {
      const auto cell = [&](const std::string& prefix) {
        const std::string key = prefix + "_" + category;
        return Field(r, key + "_median_us", "%.2f") + " (" + Field(r, key + "_p99_us", "%.1f") +
               ")";
      };
      const std::string ratioKey = std::string("ratio_") + category;
      std::string ratio = Field(r, ratioKey, "%.2f");
      if (r.count(ratioKey + "_runs")) ratio += " (runs " + r.at(ratioKey + "_runs") + ")";
      std::printf("%-6s %8d %-8s | %-17s | %-17s | %-17s | %-17s | %-17s | %s\n", row.Shape.c_str(),
                  row.Size, category, cell("collect").c_str(), cell("scan").c_str(),
                  cell("re2").c_str(), cell("hyperscan").c_str(), cell("paired_select").c_str(),
                  ratio.c_str());
    }
  }
  std::printf(
      "\nReference engines: compile ms, MiB (RE2::Set: resident growth; Hyperscan: peak), notes\n");
  for (const Row& row : rows) {
    const Report& r = row.Figures;
    if (!r.count("reference_run")) continue;
    std::printf("%-6s %8d | RE2::Set %s ms, %s MiB %s | Hyperscan %s ms, %s MiB %s\n",
                row.Shape.c_str(), row.Size, Field(r, "re2_compile_ms", "%.0f").c_str(),
                Field(r, "re2_memory_mb", "%.0f").c_str(),
                r.count("re2_error") ? ("(" + r.at("re2_error") + ")").c_str() : "",
                Field(r, "hyperscan_compile_ms", "%.0f").c_str(),
                Field(r, "hyperscan_peak_mb", "%.0f").c_str(),
                r.count("hyperscan_error") ? ("(" + r.at("hyperscan_error") + ")").c_str() : "");
  }

  std::printf(
      "\nKind 0: entries whose gate the index holds; conditions it cannot decide, median"
      " microseconds wall, compiled (as text)\n");
  for (const Row& row : rows) {
    const Report& r = row.Figures;
    std::string line;
    for (const auto& [name, condition] : kCompiledConditions) {
      const std::string key = std::string("condition_") + name;
      line += std::string(" | ") + name + " " + Field(r, key + "_compiled_us", "%.3f") + " (" +
              Field(r, key + "_text_us", "%.3f") + ")";
    }
    std::printf("%-6s %8d | gated %s of %s%s\n", row.Shape.c_str(), row.Size,
                Field(r, "kind0_gated", "%.0f").c_str(), Field(r, "kind0_entries", "%.0f").c_str(),
                line.c_str());
  }

  std::printf("\nEvaluate, median microseconds wall / CPU; candidate mismatches (must be 0)\n");
  for (const Row& row : rows) {
    const Report& r = row.Figures;
    std::printf("%-6s %8d | 1 KB reply %s | condition %s | mismatches %s | load %s .. %s\n",
                row.Shape.c_str(), row.Size,
                Pair(r, "evaluate_reply_wall_us", "evaluate_reply_cpu_us").c_str(),
                Pair(r, "evaluate_condition_wall_us", "evaluate_condition_cpu_us", "%.2f").c_str(),
                Field(r, "candidate_mismatches", "%.0f").c_str(),
                r.count("load_average_start") ? r.at("load_average_start").c_str() : "-",
                r.count("load_average_end") ? r.at("load_average_end").c_str() : "-");
  }
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  std::istringstream stream(text);
  std::string item;
  while (std::getline(stream, item, ',')) {
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

int RunAll(int argc, char** argv) {
  std::vector<int> sizes = {1000, 10000, 100000};
  std::vector<std::string> shapes = {"b", "all", "0"};
  int rounds = 5;
  int repeat = 1;
  std::string folderOption;
  bool references = true;
  double referenceTimeout = 600;
  for (int index = 1; index < argc; ++index) {
    const std::string argument = argv[index];
    const auto value = [&](const char* name) -> std::optional<std::string> {
      const std::string prefix = std::string(name) + "=";
      if (argument.rfind(prefix, 0) != 0) return std::nullopt;
      return argument.substr(prefix.size());
    };
    if (const auto list = value("--sizes")) {
      sizes.clear();
      for (const std::string& size : SplitList(*list)) sizes.push_back(std::stoi(size));
    } else if (const auto list = value("--shapes")) {
      shapes = SplitList(*list);
    } else if (const auto count = value("--rounds")) {
      rounds = std::stoi(*count);
    } else if (const auto count = value("--repeat")) {
      repeat = std::max(1, std::stoi(*count));
    } else if (const auto folder = value("--folder")) {
      folderOption = *folder;
    } else if (const auto seconds = value("--reference-timeout")) {
      referenceTimeout = std::stod(*seconds);
    } else if (argument == "--no-references") {
      references = false;
    } else {
      std::fprintf(stderr, "unknown argument %s\n", argument.c_str());
      return 2;
    }
  }
  std::filesystem::path folder = folderOption;
  if (folderOption.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelmo-large-XXXXXX").string();
    folder = ::mkdtemp(pattern.data());
  }
  std::printf("load average at start: %s\n", LoadAverage().c_str());
  std::vector<Row> rows;
  for (const std::string& shape : shapes) {
    for (const int size : sizes) {
      const std::filesystem::path characterFolder = folder / (shape + "-" + std::to_string(size));
      if (!std::filesystem::exists(characterFolder / kDefinitionFileName)) {
        TLargeCharacterOptions options;
        options.EntriesPerDictionary = size;
        if (!ShapeNamed(shape, options.Shape)) {
          std::fprintf(stderr, "no shape %s\n", shape.c_str());
          return 2;
        }
        WriteLargeCharacter(characterFolder, options);
      }
      std::fprintf(stderr, "measuring %s %d\n", shape.c_str(), size);
      Row row{shape, size, {}};
      const std::string roundText = std::to_string(rounds);
      std::vector<Report> runs;
      const bool withReferences = references && shape == "b";
      for (int run = 0; run < repeat; ++run) {
        if (const auto output = RunChild({argv[0], "--measure", characterFolder.string(), roundText,
                                          withReferences ? "re2" : "alone"},
                                         3600)) {
          runs.push_back(ParseReport(*output));
        }
      }
      row.Figures = MedianReport(runs);
      // The ratio of each run too: within a run both sides saw the same load.
      for (const char* category : kCategories) {
        const std::string key = std::string("ratio_") + category;
        std::string list;
        for (const Report& run : runs) {
          if (run.count(key)) list += (list.empty() ? "" : " ") + Field(run, key, "%.2f");
        }
        if (runs.size() > 1 && !list.empty()) row.Figures[key + "_runs"] = list;
      }
      if (withReferences) {
        row.Figures["reference_run"] = "1";
        std::fprintf(stderr, "  hyperscan\n");
        if (const auto output = RunChild(
                {argv[0], "--hyperscan", characterFolder.string(), roundText}, referenceTimeout)) {
          for (const auto& [key, value] : ParseReport(*output)) row.Figures[key] = value;
        } else {
          row.Figures["hyperscan_error"] = "did not finish";
        }
      }
      rows.push_back(std::move(row));
    }
  }
  PrintTables(rows);
  std::printf("\nload average at end: %s\n", LoadAverage().c_str());
  if (folderOption.empty()) std::filesystem::remove_all(folder);
  return 0;
}

}  // namespace
}  // namespace kelmo::bench

int main(int argc, char** argv) {
  using namespace kelmo::bench;
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--measure" && argc == 5)
    return Measure(argv[2], std::stoi(argv[3]), std::string(argv[4]) == "re2");
  if (mode == "--hyperscan" && argc == 4) return MeasureHyperscan(argv[2], std::stoi(argv[3]));
  return RunAll(argc, argv);
}
