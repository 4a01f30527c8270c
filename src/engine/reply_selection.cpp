// Reply selection: one line in, one raw reply out, and the short conversation memory moved on.
//
// The line is marked before the dictionaries see it: an empty line becomes "{NothingSaid}", a
// line equal to the one before gets "{Repeated}" appended (compared before normalisation, so a
// change of letter case is no repetition). The dictionaries are asked in a fixed order under the
// caller's mask and the first answer wins; the two small-talk dictionaries share one turn, drawn
// in proportion to the entries each can still give. Both kind A dictionaries learn the chosen
// reply, which their next lookup matches against. The character keeps where the chosen reply was
// written, for an author's tool to show.
#include <array>

#include "charfile/code_page.h"
#include "charfile/random_source.h"
#include "charfile/text_utils.h"
#include "dictionary/kelmo_data_0.h"
#include "dictionary/kelmo_data_a.h"
#include "dictionary/kelmo_data_b.h"
#include "dictionary/kelmo_data_c.h"
#include "engine/character.h"

namespace kelmo {
namespace {

// The query for an empty line, and the mark appended to a repeated one.
constexpr std::u16string_view kNothingSaidMarker = u"{NothingSaid}";
constexpr std::u16string_view kRepeatedMarker = u"{Repeated}";

// Mask bits of the two kind 0 dictionaries (which make OperateMessage visible) and the two kind
// C dictionaries (which share one draw).
constexpr uint8_t kMaskKindZero = 1 | 2;
constexpr uint8_t kMaskDataC1 = 64;
constexpr uint8_t kMaskDataC2 = 128;

// Number of dictionaries asked in order before kind C: data01 to datab2, mask bits 0 to 5.
constexpr size_t kOrderedDictionaryCount = 6;

bool HasBit(uint8_t mask, uint8_t bit) {
  return (mask & bit) != 0;
}

}  // namespace

std::u16string TCharacter::SelectReply(std::u16string_view line, uint8_t mask) {
  PrevAnswer = DataA1->Context();
  // Every draw below re-seeds the shared random source from the clock itself.
  ++Turn;
  InputBefore = std::move(Prev);
  Prev = Utf16ToShiftJis(line);

  std::u16string_view query = line;
  std::u16string repeatedQuery;
  if (line.empty()) {
    query = kNothingSaidMarker;
  } else if (Prev == InputBefore && line == ShiftJisToUtf16(InputBefore)) {
    // Equal lines encode equally, so the cheaper byte comparison rules most lines out.
    repeatedQuery = std::u16string(line) + std::u16string(kRepeatedMarker);
    query = repeatedQuery;
  }
  const std::u16string normalized = NormalizeText(query);
  // A line that normalisation leaves alone (most Japanese lines) is already encoded in Prev,
  // which nothing changes before the next selection.
  std::string encodedQuery;
  if (normalized != line) encodedQuery = Utf16ToShiftJis(normalized);
  const std::string& normalizedQuery = normalized == line ? Prev : encodedQuery;
  OperateMessage = HasBit(mask, kMaskKindZero) ? normalizedQuery : std::string();

  std::string reply;
  TKelmoData* answered = nullptr;  // the dictionary whose entry gave reply
  int chosen = -1;
  const auto ask = [&](TKelmoData& dictionary) {
    reply = dictionary.Lookup(normalizedQuery, &chosen);
    if (!reply.empty()) answered = &dictionary;
  };
  const std::array<TKelmoData*, kDictionaryCount> dictionaries = Dictionaries();
  for (size_t i = 0; i < kOrderedDictionaryCount && reply.empty(); ++i) {
    if (HasBit(mask, static_cast<uint8_t>(1u << i))) ask(*dictionaries[i]);
  }
  if (reply.empty()) {
    const bool askC1 = HasBit(mask, kMaskDataC1);
    const bool askC2 = HasBit(mask, kMaskDataC2);
    if (askC1 && askC2) {
      const int available1 = DataC1->AvailableCount;
      const int available2 = DataC2->AvailableCount;
      if (available1 + available2 > 0) {
        // Only the drawn dictionary is asked, even when it has no answer.
        const double share1 = static_cast<double>(available1) / (available1 + available2);
        ask(RandomFraction() < share1 ? *DataC1 : *DataC2);
      }
    } else if (askC1) {
      ask(*DataC1);
    } else if (askC2) {
      ask(*DataC2);
    }
  }
  replySource_.reset();
  if (answered != nullptr) replySource_ = answered->SourceOf(chosen);

  std::u16string decodedReply = ShiftJisToUtf16(reply);
  DataA1->SetContext(decodedReply);
  DataA2->CopyContext(*DataA1);
  return decodedReply;
}

}  // namespace kelmo
