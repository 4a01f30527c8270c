// The macro evaluator's speed on the texts it meets in a conversation: a typical reply with
// commands and display commands, a kind 0 condition, plain text, and hostile nesting.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "charfile/code_page.h"
#include "engine/character.h"
#include "support/typical_reply.h"

namespace {

// A small character in a temporary folder, removed again at the end.
class BenchCharacter {
 public:
  BenchCharacter() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kelmo-bench-XXXXXX").string();
    folder_ = ::mkdtemp(pattern.data());
    std::ofstream(folder_ / "talk.txt", std::ios::binary) << "hello\r\n";
    std::ofstream(folder_ / "kit.klc", std::ios::binary)
        << "name\r\nkit\r\nversion\r\n210\r\ndatac2\r\ntalk.txt\r\n";
    kelmo::TCharacterEnvironment environment;
    environment.Plugins.ProgramFolder = folder_.string() + "/";
    character_ = std::make_unique<kelmo::TCharacter>((folder_ / "kit.klc").string(), environment);
    character_->Memo[1] = "memo text";
    character_->OperateMessage = "KCCALLED";
  }
  ~BenchCharacter() {
    character_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  kelmo::TCharacter& Get() { return *character_; }

 private:
  std::filesystem::path folder_;
  std::unique_ptr<kelmo::TCharacter> character_;
};

kelmo::TCharacter& Character() {
  static BenchCharacter character;
  return character.Get();
}

void EvaluateTypicalReply(benchmark::State& state) {
  const std::u16string reply = kelmo::bench::TypicalReply();
  for (auto _ : state) benchmark::DoNotOptimize(Character().Evaluate(reply));
  state.counters["characters"] = static_cast<double>(reply.size());
}
BENCHMARK(EvaluateTypicalReply);

void EvaluateKindZeroCondition(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(Character().Evaluate(u"{EQ{OPERATEMESSAGE}|KCCALLED}"));
  }
}
BENCHMARK(EvaluateKindZeroCondition);

void EvaluatePlainText(benchmark::State& state) {
  const std::u16string text(1024, u'あ');
  for (auto _ : state) benchmark::DoNotOptimize(Character().Evaluate(text));
}
BENCHMARK(EvaluatePlainText);

void EvaluateNestedBraces(benchmark::State& state) {
  const size_t depth = static_cast<size_t>(state.range(0));
  const std::u16string text = std::u16string(depth, u'{') + std::u16string(depth, u'}');
  for (auto _ : state) benchmark::DoNotOptimize(Character().Evaluate(text));
}
BENCHMARK(EvaluateNestedBraces)->Arg(100000)->Unit(benchmark::kMillisecond);

void EvaluateSelfReadingMemo(benchmark::State& state) {
  for (auto _ : state) {
    Character().Memo[2] = "{MEMO02}";
    benchmark::DoNotOptimize(Character().Evaluate(u"{MEMO02}"));
  }
}
BENCHMARK(EvaluateSelfReadingMemo)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
