// The round trip of OnKelmoEvent to a live plug-in process, as a broadcast to a list of one: the
// request written, the plug-in woken, the answer read and checked, the text read back. The target
// is a median under 1 ms; each iteration is timed on its own so the median and the 99th
// percentile are reported beside Google Benchmark's mean.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "plugins/plugin_list.h"

namespace kelmo {
namespace {

void RoundTrip(benchmark::State& state, const char* programFolder, const char16_t* progId) {
  TPluginList list({programFolder, 0});
  if (!list.AddPlugin(progId)) {
    state.SkipWithError("the plug-in did not start");
    return;
  }
  const std::u16string line(static_cast<size_t>(state.range(0)), u'話');
  std::vector<double> microseconds;
  for (auto _ : state) {
    std::u16string text = line;
    const auto start = std::chrono::steady_clock::now();
    list.Broadcast(u"KE_BeginThink", text);
    const auto stop = std::chrono::steady_clock::now();
    microseconds.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
    benchmark::DoNotOptimize(text);
  }
  std::sort(microseconds.begin(), microseconds.end());
  state.counters["median_us"] = microseconds[microseconds.size() / 2];
  state.counters["p99_us"] = microseconds[microseconds.size() * 99 / 100];
}

void BM_RoundTripCompiledPlugin(benchmark::State& state) {
  RoundTrip(state, KELMO_BENCH_PROGRAM_FOLDER, u"echo");
}
BENCHMARK(BM_RoundTripCompiledPlugin)->Arg(16)->Arg(4096)->Unit(benchmark::kMicrosecond);

void BM_RoundTripExamplePlugin(benchmark::State& state) {
  RoundTrip(state, KELMO_APP_PROGRAM_FOLDER, u"clock");
}
BENCHMARK(BM_RoundTripExamplePlugin)->Arg(16)->Arg(4096)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelmo

BENCHMARK_MAIN();
