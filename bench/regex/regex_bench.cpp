// The pattern engine against RE2 and PCRE2, and its compile limits.
//
// Part 1 (Google Benchmark): dictionary-like patterns (Shift-JIS literals, [0-9] classes,
// alternations of words, anchored patterns, .* between words, negated classes) are compiled and
// matched against Shift-JIS user lines of 20 to 200 bytes by our engine, by RE2 in Latin-1 mode
// with longest match, and by PCRE2 (8-bit, JIT when available). RE2 and PCRE2 see the same
// patterns rewritten over bytes, with `.` and negated classes spelled out for Shift-JIS. A
// summary table gives the time per pattern compile and per match, and the ratios to RE2.
//
// Part 2: 100,000 dictionary-like patterns compiled into TbmRExp objects, as character loading
// does: total time and the heap they keep.
//
// Part 3: worst-case patterns of up to 4 KB: compile time and peak heap of each, against the
// 100 ms and 64 MB bounds.
//
// Heap figures come from counting operator new in this program.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <re2/re2.h>

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "charfile/code_page.h"
#include "regex/regexp.h"

// --- Heap counting ---

namespace {
size_t gHeapCurrent = 0;
size_t gHeapPeak = 0;

void* CountedAllocate(size_t size, size_t alignment) {
  void* block = alignment > alignof(std::max_align_t)
                    ? std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment)
                    : std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  gHeapCurrent += malloc_usable_size(block);
  gHeapPeak = std::max(gHeapPeak, gHeapCurrent);
  return block;
}

void CountedFree(void* block) {
  if (block == nullptr) return;
  gHeapCurrent -= malloc_usable_size(block);
  std::free(block);
}
}  // namespace

void* operator new(size_t size) {
  return CountedAllocate(size, 0);
}
void* operator new[](size_t size) {
  return CountedAllocate(size, 0);
}
void* operator new(size_t size, std::align_val_t align) {
  return CountedAllocate(size, static_cast<size_t>(align));
}
void* operator new[](size_t size, std::align_val_t align) {
  return CountedAllocate(size, static_cast<size_t>(align));
}
void operator delete(void* block) noexcept {
  CountedFree(block);
}
void operator delete[](void* block) noexcept {
  CountedFree(block);
}
void operator delete(void* block, size_t) noexcept {
  CountedFree(block);
}
void operator delete[](void* block, size_t) noexcept {
  CountedFree(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
  CountedFree(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
  CountedFree(block);
}
void operator delete(void* block, size_t, std::align_val_t) noexcept {
  CountedFree(block);
}
void operator delete[](void* block, size_t, std::align_val_t) noexcept {
  CountedFree(block);
}

namespace kelmo {
namespace {

// --- Patterns over bytes for RE2 and PCRE2 ---

// Every byte of the Shift-JIS form of `utf8` as an \xHH escape, in one group.
std::string Bytes(const std::string& utf8) {
  std::string escaped = "(?:";
  for (const unsigned char byte : Utf8ToShiftJis(utf8)) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", byte);
    escaped += hex;
  }
  return escaped + ")";
}

// One Shift-JIS character other than LF and CR.
const std::string kSjisDot =
    "(?:[\\x81-\\x9f\\xe0-\\xfc][\\x00-\\xff]|[^\\n\\r\\x81-\\x9f\\xe0-\\xfc])";

// One Shift-JIS character other than LF, CR and the double-byte characters of `utf8`.
std::string SjisNoneOf(const std::string& utf8) {
  const std::string excluded = Utf8ToShiftJis(utf8);
  std::map<int, std::string> trailsByLead;
  for (size_t index = 0; index + 1 < excluded.size(); index += 2) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(excluded[index + 1]));
    trailsByLead[static_cast<unsigned char>(excluded[index])] += hex;
  }
  std::string pattern = "(?:[^\\n\\r\\x81-\\x9f\\xe0-\\xfc]";
  std::string otherLeads;
  for (int lead = 0x81; lead <= 0xfc; ++lead) {
    if (lead == 0xa0) lead = 0xe0;
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02x", lead);
    const auto found = trailsByLead.find(lead);
    if (found == trailsByLead.end()) {
      otherLeads += hex;
    } else {
      pattern += std::string("|") + hex + "[^" + found->second + "]";
    }
  }
  return pattern + "|[" + otherLeads + "][\\x00-\\xff])";
}

struct BenchPattern {
  const char* name;
  std::string ours;    // Shift-JIS, our syntax
  std::string theirs;  // bytes, RE2 and PCRE2 syntax
};

std::vector<BenchPattern> MakePatterns() {
  const auto sjis = [](const char* utf8) { return Utf8ToShiftJis(utf8); };
  return {
      {"literal", sjis("こんにちは"), Bytes("こんにちは")},
      {"literal_long", sjis("今日はいい天気ですね"), Bytes("今日はいい天気ですね")},
      {"ascii_words", "HELLO|HI|GOOD", "HELLO|HI|GOOD"},
      // RE2 (2022-12) loses matches when it factors a common prefix of high Latin-1 bytes out
      // of alternatives; capturing groups keep it from factoring.
      {"alternation", sjis("おはよう|こんにちは|こんばんは|おやすみ"),
       "(" + Bytes("おはよう") + ")|(" + Bytes("こんにちは") + ")|(" + Bytes("こんばんは") + ")|(" +
           Bytes("おやすみ") + ")"},
      {"digits_class", sjis("[0-9]+円"), "[0-9]+" + Bytes("円")},
      {"digits_time", sjis("[0-9]+時[0-9]+分"), "[0-9]+" + Bytes("時") + "[0-9]+" + Bytes("分")},
      {"anchored_head", sjis("^おはよう"), "^" + Bytes("おはよう")},
      {"anchored_tail", sjis("天気$"), Bytes("天気") + "$"},
      {"dot_star_between", sjis("好き.*食べ物"), Bytes("好き") + kSjisDot + "*" + Bytes("食べ物")},
      {"dot_star_name", sjis("名前は.*です"), Bytes("名前は") + kSjisDot + "*" + Bytes("です")},
      {"negated_class", sjis("[^。、]+です"), SjisNoneOf("。、") + "+" + Bytes("です")},
      {"group_then_word", sjis("(犬|猫|鳥)が好き"),
       "((" + Bytes("犬") + ")|(" + Bytes("猫") + ")|(" + Bytes("鳥") + "))" + Bytes("が好き")},
      {"hiragana_range", sjis("[ぁ-ん]+ね"), "(?:\\x82[\\x9f-\\xf1])+" + Bytes("ね")},
      {"optional_parts", sjis("(何|なに)を?(して|する)"),
       "((" + Bytes("何") + ")|(" + Bytes("なに") + "))" + Bytes("を") + "?((" + Bytes("して") +
           ")|(" + Bytes("する") + "))"},
      {"dot_star_around", sjis(".*ありがとう.*"),
       kSjisDot + "*" + Bytes("ありがとう") + kSjisDot + "*"},
  };
}

std::vector<std::string> MakeTexts() {
  const char* const kLines[] = {
      "こんにちは、今日はいい天気ですね。",
      "おはよう",
      "今日の晩ご飯は何にしようかな。カレーが食べたい気分です。",
      "私の好きな食べ物はラーメンと寿司と焼き肉です。",
      "ねえ、名前は何ていうの?僕の名前はタロウです。",
      "明日は10時30分に駅で待ち合わせね。遅れないでよ。",
      "このケーキは1200円でした。ちょっと高いかな。",
      "猫が好きなんだけど、犬も鳥も好きだよ。",
      "ありがとう!本当に助かりました。",
      "HELLO, how are you today? I am fine, thank you.",
      "最近ずっと雨ばかりで気分が晴れないなあ。早く夏にならないかな。",
      "何をしているの?",
      "宿題が終わらない。数学の問題が難しすぎて全然わからない。誰か助けてほしい。",
      "週末は友達と映画を見に行く予定です。楽しみだなあ。",
      "そういえば、昨日の夜に見たテレビ番組がとても面白かったんだけど、見た?",
      "うん",
      "電車が遅れていて、会社に遅刻しそうです。困ったなあ。",
      "おやすみなさい。また明日ね。",
      "この前の旅行の写真を整理していたら、懐かしい気持ちになりました。",
      "今日は朝から晩までずっと仕事で、もうへとへとです。早く帰って寝たいです。",
      "GOOD MORNING! 今日も一日がんばろう。",
      "天気",
      "ゲームばかりしていないで、たまには外で遊びなさいと母に言われた。でも外は暑いし、家の中のほう"
      "が快適だと思う。",
      "駅前に新しいパン屋さんができたらしいよ。今度一緒に行ってみない?",
  };
  std::vector<std::string> texts;
  for (const char* line : kLines) texts.push_back(Utf8ToShiftJis(line));
  return texts;
}

// --- The three engines behind one face ---

class OurEngine {
 public:
  explicit OurEngine(const std::string& pattern) { regexp_.SetPattern(pattern); }
  bool Compile() {
    try {
      regexp_.Compile();
      return true;
    } catch (const EbmREToken&) {
      return false;
    }
  }
  bool Match(const std::string& text) {
    int position = 0;
    int length = 0;
    return regexp_.Match(text, 1, position, length) != 0;
  }

 private:
  TbmRExp regexp_;
};

RE2::Options Re2Options() {
  RE2::Options options;
  options.set_encoding(RE2::Options::EncodingLatin1);
  options.set_longest_match(true);
  options.set_log_errors(false);
  return options;
}

class Re2Engine {
 public:
  explicit Re2Engine(const std::string& pattern) : regexp_(pattern, Re2Options()) {}
  bool Compile() const { return regexp_.ok(); }
  bool Match(const std::string& text) const {
    re2::StringPiece match;
    return regexp_.Match(text, 0, text.size(), RE2::UNANCHORED, &match, 1);
  }

 private:
  RE2 regexp_;
};

class Pcre2Engine {
 public:
  explicit Pcre2Engine(const std::string& pattern) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), 0, &error,
                          &offset, nullptr);
    if (code_ != nullptr) {
      pcre2_jit_compile(code_, PCRE2_JIT_COMPLETE);
      data_ = pcre2_match_data_create_from_pattern(code_, nullptr);
    }
  }
  ~Pcre2Engine() {
    pcre2_match_data_free(data_);
    pcre2_code_free(code_);
  }
  Pcre2Engine(const Pcre2Engine&) = delete;
  Pcre2Engine& operator=(const Pcre2Engine&) = delete;
  bool Compile() const { return code_ != nullptr; }
  bool Match(const std::string& text) const {
    return pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0, 0, data_,
                       nullptr) >= 0;
  }

 private:
  pcre2_code* code_ = nullptr;
  pcre2_match_data* data_ = nullptr;
};

// --- Part 1: Google Benchmark runs, summarised ---

const std::vector<BenchPattern>& Patterns() {
  static const std::vector<BenchPattern> patterns = MakePatterns();
  return patterns;
}

const std::vector<std::string>& Texts() {
  static const std::vector<std::string> texts = MakeTexts();
  return texts;
}

template <class Engine>
void CompileBenchmark(benchmark::State& state, const std::string& pattern) {
  for (auto _ : state) {
    Engine engine(pattern);
    if (!engine.Compile()) state.SkipWithError("pattern does not compile");
    benchmark::DoNotOptimize(engine);
  }
}

// One iteration matches every text once; the summary divides by their number.
template <class Engine>
void MatchBenchmark(benchmark::State& state, const std::string& pattern) {
  Engine engine(pattern);
  if (!engine.Compile()) state.SkipWithError("pattern does not compile");
  int matches = 0;
  for (auto _ : state) {
    for (const std::string& text : Texts()) matches += engine.Match(text);
    benchmark::DoNotOptimize(matches);
  }
  state.counters["matches"] = matches / static_cast<double>(state.iterations());
}

const char* const kEngines[] = {"ours", "re2", "pcre2"};

void RegisterBenchmarks() {
  for (const BenchPattern& pattern : Patterns()) {
    const std::string suffix = std::string("/") + pattern.name;
    benchmark::RegisterBenchmark(("compile/ours" + suffix).c_str(), CompileBenchmark<OurEngine>,
                                 pattern.ours);
    benchmark::RegisterBenchmark(("compile/re2" + suffix).c_str(), CompileBenchmark<Re2Engine>,
                                 pattern.theirs);
    benchmark::RegisterBenchmark(("compile/pcre2" + suffix).c_str(), CompileBenchmark<Pcre2Engine>,
                                 pattern.theirs);
    benchmark::RegisterBenchmark(("match/ours" + suffix).c_str(), MatchBenchmark<OurEngine>,
                                 pattern.ours);
    benchmark::RegisterBenchmark(("match/re2" + suffix).c_str(), MatchBenchmark<Re2Engine>,
                                 pattern.theirs);
    benchmark::RegisterBenchmark(("match/pcre2" + suffix).c_str(), MatchBenchmark<Pcre2Engine>,
                                 pattern.theirs);
  }
}

// Keeps the CPU time per iteration (ns; the machine is shared, so wall time is noisier) and
// the matches counter of every run.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      nanoseconds_[run.benchmark_name()] = run.GetAdjustedCPUTime();
      const auto counter = run.counters.find("matches");
      if (counter != run.counters.end()) matches_[run.benchmark_name()] = counter->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  double Nanoseconds(const std::string& name) const {
    const auto found = nanoseconds_.find(name);
    return found == nanoseconds_.end() ? 0 : found->second;
  }
  double Matches(const std::string& name) const {
    const auto found = matches_.find(name);
    return found == matches_.end() ? 0 : found->second;
  }

 private:
  std::map<std::string, double> nanoseconds_;
  std::map<std::string, double> matches_;
};

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintSummary(const SummaryReporter& reporter) {
  const double texts = static_cast<double>(Texts().size());
  std::printf("\nPer pattern: compile ns per pattern, match ns per line (%zu lines, %d-%d bytes)\n",
              Texts().size(), 20, 200);
  std::printf("%-18s %9s %9s %9s %7s | %8s %8s %8s %7s | %s\n", "pattern", "c.ours", "c.re2",
              "c.pcre2", "ours/re2", "m.ours", "m.re2", "m.pcre2", "ours/re2", "matches o/r/p");
  std::vector<double> compileRatios;
  std::vector<double> matchRatios;
  for (const BenchPattern& pattern : Patterns()) {
    double compile[3];
    double match[3];
    double matches[3];
    for (int engine = 0; engine < 3; ++engine) {
      const std::string suffix = std::string(kEngines[engine]) + "/" + pattern.name;
      compile[engine] = reporter.Nanoseconds("compile/" + suffix);
      match[engine] = reporter.Nanoseconds("match/" + suffix) / texts;
      matches[engine] = reporter.Matches("match/" + suffix);
    }
    compileRatios.push_back(compile[0] / compile[1]);
    matchRatios.push_back(match[0] / match[1]);
    std::printf("%-18s %9.0f %9.0f %9.0f %7.2f | %8.1f %8.1f %8.1f %7.2f | %.0f/%.0f/%.0f\n",
                pattern.name, compile[0], compile[1], compile[2], compileRatios.back(), match[0],
                match[1], match[2], matchRatios.back(), matches[0], matches[1], matches[2]);
  }
  std::printf("Median ours/re2: compile %.2f, match %.2f (target: both at most 1.00)\n",
              Median(compileRatios), Median(matchRatios));
}

// --- Part 2: many patterns, as character loading compiles them ---

void BulkCompile() {
  const char* const kWords[] = {
      "こんにちは", "おはよう",   "天気",   "好き",       "嫌い", "名前",   "食べ物", "映画",
      "音楽",       "仕事",       "学校",   "友達",       "家族", "ゲーム", "旅行",   "電車",
      "ラーメン",   "寿司",       "カレー", "猫",         "犬",   "雨",     "晴れ",   "夏",
      "冬",         "ありがとう", "ごめん", "さようなら", "元気", "疲れた", "眠い",   "暑い"};
  const int words = static_cast<int>(std::size(kWords));
  constexpr int kPatterns = 100000;
  std::vector<std::string> patterns;
  patterns.reserve(kPatterns);
  for (int index = 0; index < kPatterns; ++index) {
    const std::string a = kWords[index % words];
    const std::string b = kWords[(index / words) % words];
    const std::string c = kWords[(index / words / words) % words];
    std::string utf8;
    switch (index % 8) {
      case 0:
        utf8 = a + b;
        break;
      case 1:
        utf8 = a + "|" + b + "|" + c;
        break;
      case 2:
        utf8 = "[0-9]+" + a;
        break;
      case 3:
        utf8 = "^" + a + b;
        break;
      case 4:
        utf8 = a + ".*" + b;
        break;
      case 5:
        utf8 = "[^。、]+" + a;
        break;
      case 6:
        utf8 = "(" + a + "|" + b + ")" + c + "$";
        break;
      case 7:
        utf8 = a + "(" + b + ")?" + c;
        break;
    }
    patterns.push_back(Utf8ToShiftJis(utf8));
  }
  const size_t heapBefore = gHeapCurrent;
  const auto started = std::chrono::steady_clock::now();
  const std::clock_t cpuStarted = std::clock();
  std::vector<std::unique_ptr<TbmRExp>> compiled;
  compiled.reserve(kPatterns);
  int position = 0;
  int length = 0;
  for (const std::string& pattern : patterns) {
    compiled.push_back(std::make_unique<TbmRExp>());
    compiled.back()->SetPattern(pattern);
    compiled.back()->Match("", 1, position, length);  // compile ahead, as the dictionaries do
  }
  const double cpuSeconds = static_cast<double>(std::clock() - cpuStarted) / CLOCKS_PER_SEC;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const double megabytes = (gHeapCurrent - heapBefore) / 1048576.0;
  std::printf(
      "\n%d dictionary-like patterns: compiled in %.3f s CPU (%.2f us each; %.3f s wall), "
      "%.1f MB kept (%.0f bytes each, pattern text included)\n",
      kPatterns, cpuSeconds, cpuSeconds * 1e6 / kPatterns, seconds, megabytes,
      megabytes * 1048576.0 / kPatterns);
}

// --- Part 3: worst-case patterns of up to 4 KB ---

std::string Repeat(const std::string& piece, size_t bytes) {
  std::string result;
  while (result.size() + piece.size() <= bytes) result += piece;
  return result;
}

void WorstCases() {
  constexpr size_t kBytes = 4096;
  constexpr double kMaxMilliseconds = 100;
  constexpr double kMaxMegabytes = 64;
  std::string blowUp = "(a|b)*a";
  for (int copy = 0; copy < 12; ++copy) blowUp += "(a|b)";
  const std::string blowUpWide = blowUp + "|(" + Repeat("a|b|", kBytes - blowUp.size() - 8) + "a)*";
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"sjis_literal", Repeat(Utf8ToShiftJis("あいうえお漢字"), kBytes)},
      {"ascii_literal", Repeat("abcdefgh", kBytes)},
      {"ignore_case_letters", Repeat("abcdefgh", kBytes)},
      {"ignore_case_optional", Repeat("a?", kBytes)},
      {"alternatives", "(" + Repeat("ab|", kBytes - 4) + "a)"},
      {"optional_chain", Repeat("a?", kBytes)},
      {"optional_chain_dbcs", Repeat(Utf8ToShiftJis("あ?"), kBytes)},
      {"star_of_dots", "(" + Repeat(".|", kBytes - 4) + ".)*"},
      {"dot_star_chain", Repeat(".*a", kBytes)},
      {"classes", Repeat("[a-z0-9]*[^x]", kBytes)},
      {"nested_groups",
       std::string(1000, '(') + Repeat("a|", kBytes - 2001) + std::string(1000, ')')},
      {"states_8192", blowUp},
      {"states_8192_wide", blowUpWide},
      {"states_too_many", blowUp + "(a|b)"},
      {"distinct_literals",
       [] {
         std::string text;
         for (int code = 0x889f; text.size() + 3 <= kBytes; ++code) {
           text += static_cast<char>(code >> 8);
           text += static_cast<char>((code & 0xff) < 0x40 ? 0x40 : code & 0xff);
           text += '|';
         }
         return "(" + text + "." + ")*";
       }()},
  };
  std::printf("\nWorst cases (at most %zu bytes): bound %.0f ms and %.0f MB per compile\n", kBytes,
              kMaxMilliseconds, kMaxMegabytes);
  std::printf("%-22s %6s %10s %10s %8s %s\n", "pattern", "bytes", "cpu ms", "peak MB", "states",
              "result");
  for (const auto& [name, pattern] : cases) {
    double best = 1e9;
    size_t peak = 0;
    int states = 0;
    std::string outcome = "compiled";
    for (int round = 0; round < 3; ++round) {
      TbmRExp regexp;
      regexp.SetPattern(pattern);
      regexp.SetOption(bmreIgnoreCase, std::string(name).starts_with("ignore_case"));
      const size_t heapBefore = gHeapCurrent;
      gHeapPeak = gHeapCurrent;
      const std::clock_t started = std::clock();
      try {
        states = regexp.Compile().StateCount();
      } catch (const EbmREToken& error) {
        outcome = error.what();
      }
      best = std::min(best, 1000.0 * (std::clock() - started) / CLOCKS_PER_SEC);
      peak = std::max(peak, gHeapPeak - heapBefore);
    }
    const double megabytes = peak / 1048576.0;
    const bool within = best < kMaxMilliseconds && megabytes < kMaxMegabytes;
    std::printf("%-22s %6zu %10.2f %10.2f %8d %s%s\n", name, pattern.size(), best, megabytes,
                states, outcome.c_str(), within ? "" : "  OVER BOUND");
  }
}

}  // namespace
}  // namespace kelmo

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  kelmo::RegisterBenchmarks();
  kelmo::SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  kelmo::PrintSummary(reporter);
  kelmo::BulkCompile();
  kelmo::WorstCases();
  benchmark::Shutdown();
  return 0;
}
