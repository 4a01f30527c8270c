// Arbitrary bytes read as a transcript test: reading never fails otherwise than with mistakes at
// lines of the file, a transcript without mistakes names its character and holds only exchanges
// (a wait says nothing) and expected lines from its own lines, and every expected line can be
// matched.
#include <cstddef>
#include <cstdint>
#include <string>

#include "charfile/text_file.h"
#include "lint/transcript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  kelmo::TTranscript transcript;
  const auto errors = kelmo::ParseTranscript(text, transcript);
  const int lineCount = static_cast<int>(kelmo::SplitLines(text).size());
  for (const kelmo::TTranscriptError& error : errors) {
    if (error.LineNumber < 1 || (error.LineNumber > lineCount && lineCount > 0)) __builtin_trap();
    if (error.Message.empty()) __builtin_trap();
  }
  if (!errors.empty()) return 0;
  if (transcript.Character.empty()) __builtin_trap();
  for (const kelmo::TTranscriptCase& testCase : transcript.Cases) {
    if (testCase.LineNumber < 1 || testCase.LineNumber > lineCount) __builtin_trap();
    for (const kelmo::TExchange& exchange : testCase.Exchanges) {
      if (exchange.LineNumber < testCase.LineNumber) __builtin_trap();
      if (exchange.WaitSeconds && !exchange.UserLine.empty()) __builtin_trap();
      for (const kelmo::TExpectedLine& expected : exchange.Expected) {
        kelmo::TExpectedMatcher matcher(expected);
        matcher.Accepts(exchange.UserLine);
      }
    }
  }
  return 0;
}
