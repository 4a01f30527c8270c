// Programs by condition text, the lookup's state, and each evaluation's road.
#include "engine/compiled_conditions.h"

#include <functional>
#include <optional>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "engine/character.h"
#include "engine/evaluator.h"
#include "engine/macro_commands.h"
#include "plugins/plugin_list.h"

namespace kelmo {
namespace {

// Depths at which a gate view sees its lookup text scanned again.
constexpr int kKeptDepth = 2;
constexpr int kDeepDepth = 3;

bool HoldsBrace(std::u16string_view text) {
  return text.find_first_of(u"{}") != std::u16string_view::npos;
}

// Whether 8-bit text may hold a brace: any byte of one counts, trail bytes included.
bool MayHoldBrace(std::string_view bytes) {
  return bytes.find_first_of("{}") != std::string_view::npos;
}

// The text as it stands once scanned again as the result of a group at depth, when every group
// it holds yields nothing and changes nothing: groups at depths 1 and 2 stay, deeper ones go, and
// the text before each group passes through the code page. Nothing when a group names a command,
// could ask a plug-in (tagsLive and a dot), does not close, or closes what the text did not open,
// or when the text holds more than kMaxViewGroups groups.
std::optional<std::u16string> InertView(std::u16string_view text, int depth, bool tagsLive) {
  struct TOpen {
    std::u16string Raw;
    size_t Passed = 0;
  };
  std::vector<TOpen> open(1);  // the text outside groups, then each open group
  int groups = 0;
  for (const char16_t c : text) {
    if (c == u'{') {
      if (++groups > kMaxViewGroups) return std::nullopt;
      PassThroughCodePage(open.back().Raw, open.back().Passed);
      open.emplace_back();
    } else if (c == u'}') {
      if (open.size() == 1) return std::nullopt;
      const std::u16string raw = std::move(open.back().Raw);
      open.pop_back();
      const std::u16string command = NormalizeText(raw);
      const size_t bar = command.find(u'|');
      if (RecogniseCommand(command, bar == std::u16string::npos ? 0 : static_cast<int>(bar) + 1) !=
          TCommandId::kNone) {
        return std::nullopt;
      }
      if (tagsLive && command.find(u'.') != std::u16string::npos) return std::nullopt;
      TOpen& around = open.back();
      around.Passed = around.Raw.size();
      // The group's depth: the view's, plus one per group of the text around it.
      if (depth + static_cast<int>(open.size()) - 1 <= kKeptDepth) {
        around.Raw.append(1, u'{').append(raw).append(1, u'}');
      }
    } else {
      open.back().Raw += c;
    }
  }
  if (open.size() != 1) return std::nullopt;
  return std::move(open.front().Raw);
}

const std::u16string& LookupTextOf(const TCharacter& character, TLookupText text) {
  switch (text) {
    case TLookupText::kPrev:
      return character.WidePrev();
    case TLookupText::kPrevAnswer:
      return character.WidePrevAnswer();
    case TLookupText::kOperateMessage:
      break;
  }
  return character.WideOperateMessage();
}

}  // namespace

int32_t TCompiledConditions::Compile(std::u16string_view condition) {
  const uint64_t hash = std::hash<std::u16string_view>()(condition) * 0x9E3779B97F4A7C15ull;
  bool inserted = false;
  const int32_t number = numbers_.FindOrInsert(
      hash, [&](int program) { return programs_[program]->Text() == condition; }, inserted);
  if (inserted) programs_.push_back(std::make_unique<TConditionProgram>(condition));
  return number;
}

const TConditionGate* TCompiledConditions::GateOf(int32_t program) const {
  const std::optional<TConditionGate>& gate = programs_[program]->Gate();
  return gate ? &*gate : nullptr;
}

const TGateRequirement& TCompiledConditions::RequirementOf(int32_t program) const {
  return programs_[program]->Requirement();
}

const TLookupState& TCompiledConditions::BeginLookup() {
  if (++lookup_ == 0) {  // the numbers wrapped around: no kept result may look current
    kept_.clear();
    lookup_ = 1;
  }
  state_.TagsLive =
      character_.PluginsEnabled && character_.Plugins && character_.Plugins->Count() > 0;
  state_.UsableViews = 0;
  plainLookupTexts_ = 0;
  for (int index = 0; index < kLookupTextCount; ++index) {
    const TLookupText text = static_cast<TLookupText>(index);
    const std::u16string& value = LookupTextOf(character_, text);
    const bool plain = !HoldsBrace(value);
    if (plain) plainLookupTexts_ |= static_cast<uint8_t>(1u << index);
    for (const bool deep : {false, true}) {
      std::optional<std::u16string> seen;
      if (value.empty()) {
        // The reading group yields nothing and stays at depth 2 as it is written.
        seen = deep ? std::u16string() : u"{" + std::u16string(LookupWord(text)) + u"}";
      } else if (plain) {
        seen = value;
      } else {
        seen = InertView(value, deep ? kDeepDepth : kKeptDepth, state_.TagsLive);
      }
      if (!seen) continue;
      const int view = GateView(text, deep);
      std::u16string& normalized = state_.Texts[view];
      normalized = NormalizeText(*seen);
      if (normalized.find(u'|') != std::u16string::npos) continue;
      state_.NarrowTexts[view] = Utf16ToShiftJis(normalized);
      state_.UsableViews |= static_cast<uint8_t>(1u << view);
    }
  }
  FindPlainSources();
  return state_;
}

void TCompiledConditions::FindPlainSources() {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    state_.PlainSources.set(slot, !MayHoldBrace(character_.Memo[slot]));
  }
  const TUserProfile& profile = character_.Profile;
  state_.PlainSources.set(kProfileSource,
                          !MayHoldBrace(profile.Surname) && !MayHoldBrace(profile.GivenName) &&
                              !MayHoldBrace(profile.HandleName) && !MayHoldBrace(profile.Nickname));
  ++state_.Generation;
}

std::u16string_view TCompiledConditions::Evaluate(int32_t program) {
  const TConditionProgram& compiled = *programs_[program];
  if (compiled.DependsOnlyOnLookupTexts() && state_.Satisfies(compiled.Requirement())) {
    TKept& kept = kept_[program];
    if (kept.Lookup != lookup_) {
      bool asText = false;  // a program that changes nothing writes no memo either way
      kept.Result = Run(compiled, asText);
      kept.Lookup = lookup_;
    }
    return kept.Result;
  }
  bool asText = false;
  const std::u16string_view result = Run(compiled, asText);
  // A memo may have been written: by the program, or by a text that the analysis did not see
  // (rescanned groups of a memo read as text write memos too).
  if (compiled.WritesMemo() || asText) FindPlainSources();
  return result;
}

std::u16string_view TCompiledConditions::Run(const TConditionProgram& program, bool& asText) {
  asText = !program.Compiled() || (program.MayCallTags() && state_.TagsLive) ||
           (program.PlainLookupTexts() & ~plainLookupTexts_) != 0 ||
           (program.PlainSources() & ~state_.PlainSources).any();
  if (asText) {
    textResult_ = character_.Evaluate(program.Text());
    return textResult_;
  }
  const TDateTime now = program.ReadsClock() ? character_.MacroScratch->Clock.Now() : 0;
  EvaluateProgram(character_, program, now, scratch_);
  return scratch_.Result;
}

}  // namespace kelmo
