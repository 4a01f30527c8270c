// Random choices. Each draw goes through the program's one random source, which re-seeds from the
// clock before drawing. CHOICE picks one of its raw options, split at bars in the 8-bit code page;
// the chosen option keeps its letter case and any groups it carries, and the evaluator scans it
// again.
#include "charfile/random_source.h"
#include "charfile/text_utils.h"
#include "engine/command_support.h"

namespace kelmo {
namespace {

// The option separator of CHOICE.
constexpr std::string_view kOptionSeparator = "|";

// RANDOMB: draws a percentage from 0 to 99.
constexpr int kPercent = 100;

}  // namespace

std::u16string Choice(const TCommand& command) {
  const std::string options = Narrow(command.RawSliceFrom(7));
  const int count = CountFields(options, kOptionSeparator);
  if (count == 0) return {};
  return Wide(ExtractField(options, kOptionSeparator, RandomBelow(count)));
}

// RANDOMB:k ("True" with k percent probability) and RANDOMV:k (a draw from 0 to k - 1, and 0 for
// any k below 1); k = Text[9..].
std::u16string RandomDraw(const TCommand& command) {
  const char16_t kind = command.At(7);
  if (kind != u'B' && kind != u'V') return {};
  const int32_t k = ReadInteger(command.SliceFrom(9));
  if (kind == u'B') return TruthText(RandomBelow(kPercent) < k);
  return IntegerText(RandomBelow(k));
}

}  // namespace kelmo
