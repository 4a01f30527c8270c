// The shared pieces of the command families: slicing one group's texts by 1-based positions,
// reading arguments strictly, and writing results.
#include "engine/command_support.h"

#include <cmath>

#include "charfile/code_page.h"
#include "engine/date_text.h"
#include "engine/number_text.h"

namespace kelmo {
namespace {

// Number of memo, counter and flag slots; slot numbers run from 0 to one below.
constexpr int kSlots = 100;

std::u16string_view SliceOf(std::u16string_view text, int first, int last) {
  const int length = static_cast<int>(text.size());
  if (first < 1) first = 1;
  if (last > length) last = length;
  if (last < first) return {};
  return text.substr(static_cast<size_t>(first - 1), static_cast<size_t>(last - first + 1));
}

}  // namespace

char16_t TCommand::At(int position) const {
  return position >= 1 && position <= Length() ? Text[static_cast<size_t>(position - 1)] : 0;
}

std::u16string_view TCommand::Slice(int first, int last) const {
  return SliceOf(Text, first, last);
}

std::u16string_view TCommand::SliceFrom(int first) const {
  return SliceOf(Text, first, Length());
}

std::u16string_view TCommand::RawSlice(int first, int last) const {
  return SliceOf(Raw, first, last);
}

std::u16string_view TCommand::RawSliceFrom(int first) const {
  return SliceOf(Raw, first, static_cast<int>(Raw.size()));
}

long double ReadNumber(std::u16string_view text) {
  long double value = 0;
  if (!TryReadNumber(text, value)) throw ECommandFailed("not a number");
  return value;
}

int32_t ReadInteger(std::u16string_view text) {
  int32_t value = 0;
  if (!TryReadInteger(text, value)) throw ECommandFailed("not an integer");
  return value;
}

TDateTime ReadDate(std::u16string_view text) {
  TDateTime value = 0;
  if (!TryReadDateTime(text, value)) throw ECommandFailed("not a date");
  return value;
}

int ReadSlot(std::u16string_view text) {
  const int32_t slot = ReadInteger(text);
  if (slot < 0 || slot >= kSlots) throw ECommandFailed("no such slot");
  return slot;
}

std::u16string TruthText(bool value) {
  return value ? u"True" : u"False";
}

std::u16string NumberText(long double value) {
  return AsciiText(FormatNumber(Finite(value)));
}

std::u16string IntegerText(int64_t value) {
  return AsciiText(std::to_string(value));
}

std::u16string AsciiText(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

long double Finite(long double value) {
  if (!std::isfinite(value)) throw ECommandFailed("no finite result");
  return value;
}

std::u16string Wide(std::string_view text) {
  return ShiftJisToUtf16(text);
}

std::string Narrow(std::u16string_view text) {
  return Utf16ToShiftJis(text);
}

}  // namespace kelmo
