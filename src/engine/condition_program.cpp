// Parsing a condition into groups, and the analysis of what its evaluation may do.
#include "engine/condition_program.h"

#include <algorithm>

#include "charfile/code_page.h"
#include "charfile/text_utils.h"
#include "engine/character.h"
#include "engine/evaluator.h"
#include "engine/number_text.h"

namespace kelmo {

static_assert(kSlotCount <= kProfileSource && kProfileSource < kConditionSourceCount,
              "memo slots and the profile need source numbers of their own");

struct TConditionProgram::TFacts {
  // Its result.
  bool MayEmpty = false;
  bool MayDot = false;
  bool MayBar = false;
  bool MayBrace = false;
  // Its normalised text.
  bool TextMayDot = false;
  bool TextMayBar = false;
  bool TextBarCertain = false;
  bool TextMayBrace = false;
  // It with its inner groups.
  bool Effects = false;      // may change slots, draw, start programs or touch files
  bool MayCallTags = false;  // may ask the plug-ins for a tag
  bool Dynamic = false;      // may scan a result again whose braces name unknown groups
  bool ReadsClock = false;
  bool ReadsState = false;  // reads slots, the profile, settings or the outside world
  bool WritesMemo = false;
  TConditionSources Sources;
  uint8_t Views = 0;
  uint8_t LookupTexts = 0;

  // Takes in what an inner group brings: its effects and reads, and what it adds to the text.
  void TakeInner(const TFacts& inner, bool keptWhenEmpty) {
    Effects = Effects || inner.Effects;
    MayCallTags = MayCallTags || inner.MayCallTags;
    Dynamic = Dynamic || inner.Dynamic;
    ReadsClock = ReadsClock || inner.ReadsClock;
    ReadsState = ReadsState || inner.ReadsState;
    WritesMemo = WritesMemo || inner.WritesMemo;
    Sources |= inner.Sources;
    Views |= inner.Views;
    LookupTexts |= inner.LookupTexts;
    TextMayDot = TextMayDot || inner.MayDot;
    TextMayBar = TextMayBar || inner.MayBar;
    TextMayBrace = TextMayBrace || inner.MayBrace;
    // A group without result at depth 1 or 2 stays in the text, braces and all.
    if (inner.MayEmpty && keptWhenEmpty) {
      TextMayBrace = true;
      TextMayDot = TextMayDot || inner.TextMayDot;
      TextMayBar = TextMayBar || inner.TextMayBar;
    }
  }

  // Takes in literal text (normalised).
  void TakeText(std::u16string_view text) {
    if (text.find(u'.') != std::u16string_view::npos) TextMayDot = true;
    if (text.find(u'|') != std::u16string_view::npos) TextMayBar = TextBarCertain = true;
  }
};

namespace {

using enum TCommandId;

std::optional<TLookupText> LookupTextOf(TCommandId id) {
  switch (id) {
    case kOperateMessage:
      return TLookupText::kOperateMessage;
    case kPrev:
      return TLookupText::kPrev;
    case kPrevAnswer:
      return TLookupText::kPrevAnswer;
    default:
      return std::nullopt;
  }
}

bool IsNumberComparison(TCommandId id) {
  switch (id) {
    case kEqualNumbers:
    case kNotEqualNumbers:
    case kLess:
    case kLessOrEqual:
    case kGreater:
    case kGreaterOrEqual:
      return true;
    default:
      return false;
  }
}

// Where the left operand of a number comparison begins (1-based): after its one or two signs.
size_t LeftOperandStart(TCommandId id) {
  return id == kLess || id == kGreater ? 2 : 3;
}

bool ReadsProfileOrSettings(TCommandId id) {
  switch (id) {
    case kMyoji:
    case kNamae:
    case kFullName:
    case kHandleName:
    case kNickname:
    case kSex:
    case kBirthday:
    case kAllowExecute:
      return true;
    default:
      return false;
  }
}

// The slot a constant slot command names, when it is one from 0 to 99 (MEMOnn and FLAGnn carry it
// at positions 5 and 6, COUNTnn at 6 and 7).
std::optional<int> SlotOf(TCommandId id, std::u16string_view command) {
  const size_t first = id == kCount ? 5 : 4;
  if (command.size() < first + 2) return std::nullopt;
  int32_t slot = 0;
  if (!TryReadInteger(command.substr(first, 2), slot) || slot < 0 || slot >= kSlotCount) {
    return std::nullopt;
  }
  return slot;
}

}  // namespace

bool ReadsInteger(const TProgramGroup& group) {
  if (!group.Constant) return false;
  switch (group.Command) {
    case kCount:
      return group.Slot >= 0;
    case kTurn:
    case kMonth:
    case kDay:
    case kHour:
    case kMinute:
    case kSecond:
      return true;
    default:
      return false;
  }
}

bool ReadsText(const TProgramGroup& group) {
  return group.Constant && (group.LookupText || (group.Command == kMemo && group.Slot >= 0));
}

std::u16string_view LookupWord(TLookupText text) {
  switch (text) {
    case TLookupText::kOperateMessage:
      return u"OPERATEMESSAGE";
    case TLookupText::kPrev:
      return u"PREV";
    case TLookupText::kPrevAnswer:
      return u"PREVANSWER";
  }
  return {};
}

TConditionProgram::TConditionProgram(std::u16string_view condition)
    : text_(condition), normalized_(NormalizeText(condition)) {
  if (normalized_ == text_) std::u16string().swap(normalized_);
  if (text_.size() > kMaxWorkingTextLength || !Parse()) return;
  RecogniseConstantGroups();
  RecogniseTypedGroups();

  const TFacts plain = Analyse(TAssumption::kPlainTexts).front();
  TConditionSources memoSlots;
  for (int slot = 0; slot < kSlotCount; ++slot) memoSlots.set(slot);
  // A memo written during the evaluation may hold braces that no check before it could see.
  compiled_ = !plain.Dynamic && !(plain.WritesMemo && (plain.Sources & memoSlots).any());
  mayCallTags_ = plain.MayCallTags;
  readsClock_ = plain.ReadsClock;
  writesMemo_ = plain.WritesMemo;
  plainSources_ = plain.Sources;
  plainLookupTexts_ = plain.LookupTexts;

  const std::vector<TFacts> inert = Analyse(TAssumption::kInertLookupTexts);
  const TFacts& top = inert.front();
  if (top.Effects || top.Dynamic) return;
  requirement_ = TGateRequirement{top.Views, top.MayCallTags, top.Sources};
  dependsOnlyOnLookupTexts_ = !top.ReadsClock && !top.ReadsState && top.Sources.none();
  const TProgramGroup& root = groups_.front();
  if (root.PieceCount == 1 && pieces_[root.FirstPiece].Group > 0) {
    gate_ = GateOf(pieces_[root.FirstPiece].Group, inert);
  }
  if (!gate_ && dependsOnlyOnLookupTexts_) gate_ = TConditionGate{{}, true};
}

bool TConditionProgram::Parse() {
  // Pieces per group while parsing; laid out group after group at the end.
  std::vector<std::vector<TProgramPiece>> groupPieces(1);
  std::vector<int32_t> open = {0};
  std::vector<int32_t> starts = {0};
  groups_.assign(1, TProgramGroup{});
  int32_t textStart = 0;
  const auto flushText = [&](int32_t end) {
    if (end > textStart) groupPieces[open.back()].push_back({-1, textStart, end - textStart});
  };
  for (int32_t at = 0; at < static_cast<int32_t>(text_.size()); ++at) {
    const char16_t c = text_[at];
    if (c != u'{' && c != u'}') continue;
    flushText(at);
    textStart = at + 1;
    if (c == u'{') {
      if (static_cast<int>(open.size()) > kMaxProgramDepth) return false;
      const int32_t group = static_cast<int32_t>(groups_.size());
      groups_.push_back(TProgramGroup{});
      groups_.back().Depth = static_cast<int32_t>(open.size());
      groupPieces[open.back()].push_back({group, 0, 0});
      groupPieces.emplace_back();
      open.push_back(group);
      starts.push_back(at);
    } else {
      // A "}" without an open group ends the evaluation early; left to the evaluation of text.
      if (open.size() == 1) return false;
      groups_[open.back()].Length = at - starts.back() + 1;
      open.pop_back();
      starts.pop_back();
    }
  }
  // An unclosed group drops the rest of the text; left to the evaluation of text as well.
  if (open.size() != 1) return false;
  flushText(static_cast<int32_t>(text_.size()));
  // Exactly as large as needed: a large dictionary holds a program per condition.
  groups_.shrink_to_fit();
  size_t pieceCount = 0;
  for (const std::vector<TProgramPiece>& pieces : groupPieces) pieceCount += pieces.size();
  pieces_.reserve(pieceCount);
  for (size_t group = 0; group < groups_.size(); ++group) {
    groups_[group].FirstPiece = static_cast<int32_t>(pieces_.size());
    groups_[group].PieceCount = static_cast<int32_t>(groupPieces[group].size());
    pieces_.insert(pieces_.end(), groupPieces[group].begin(), groupPieces[group].end());
  }
  return true;
}

void TConditionProgram::RecogniseConstantGroups() {
  for (size_t index = 1; index < groups_.size(); ++index) {
    TProgramGroup& group = groups_[index];
    const auto first = pieces_.begin() + group.FirstPiece;
    if (std::any_of(first, first + group.PieceCount,
                    [](const TProgramPiece& piece) { return piece.Group >= 0; })) {
      continue;
    }
    group.Constant = true;
    const std::u16string_view command =
        group.PieceCount == 0 ? std::u16string_view() : NormalizedOf(*first);
    const size_t bar = command.find(u'|');
    group.Bar = bar == std::u16string_view::npos ? 0 : static_cast<int>(bar) + 1;
    group.Command = RecogniseCommand(command, group.Bar);
    group.LookupText = LookupTextOf(group.Command);
    if (IsReadingForm(group.Command, command)) {
      group.Slot = static_cast<int8_t>(SlotOf(group.Command, command).value_or(-1));
    }
  }
}

void TConditionProgram::RecogniseTypedGroups() {
  // Inner groups come after the groups holding them, and are typed first.
  for (size_t index = groups_.size(); index-- > 1;) {
    TProgramGroup& group = groups_[index];
    if (group.Constant) continue;
    std::optional<TTypedGroup> typed = TypedFormOf(group);
    if (!typed) continue;
    for (int i = 0; i < group.PieceCount; ++i) {
      const TProgramPiece& piece = pieces_[group.FirstPiece + i];
      if (piece.Group < 0) typed->TextLength += piece.Length;
    }
    group.Typed = static_cast<int32_t>(typed_.size());
    typed_.push_back(*typed);
  }
  typed_.shrink_to_fit();
}

std::optional<TTypedGroup> TConditionProgram::TypedFormOf(const TProgramGroup& group) const {
  const auto piece = [&](int i) -> const TProgramPiece& { return pieces_[group.FirstPiece + i]; };
  const auto text = [&](int i) {
    return piece(i).Group < 0 ? NormalizedOf(piece(i)) : std::u16string_view();
  };
  const auto operand = [&](int i) -> const TProgramGroup* {
    return piece(i).Group > 0 ? &groups_[piece(i).Group] : nullptr;
  };
  if (group.PieceCount < 2 || piece(0).Group >= 0 || operand(1) == nullptr) return std::nullopt;
  const std::u16string_view first = text(0);
  const TProgramGroup& reads = *operand(1);
  TTypedGroup typed;
  typed.Operand = piece(1).Group;

  // Number comparisons with the integer on either side: {>{COUNT01}|100}, {<5|{TURN}}. An
  // integer's text begins with a digit or "-", which never changes what the signs before it
  // name; a "0" in its place shows which comparison the text is.
  if (ReadsInteger(reads)) {
    std::u16string sample;
    std::u16string_view number;
    int bar = 0;
    if (group.PieceCount == 3 && first.find(u'|') == std::u16string_view::npos &&
        piece(2).Group < 0 && text(2).starts_with(u'|')) {
      sample = std::u16string(first) + u"0" + std::u16string(text(2));
      bar = static_cast<int>(first.size()) + 2;
      number = text(2).substr(1);
    } else if (group.PieceCount == 2 && first.find(u'|') == first.size() - 1) {
      sample = std::u16string(first) + u"0";
      bar = static_cast<int>(first.size());
      typed.OperandLeft = false;
    } else {
      return std::nullopt;
    }
    typed.Command = RecogniseCommand(sample, bar);
    if (!IsNumberComparison(typed.Command)) return std::nullopt;
    const size_t leftStart = LeftOperandStart(typed.Command);
    if (typed.OperandLeft ? first.size() + 1 != leftStart : first.size() < leftStart) {
      return std::nullopt;
    }
    if (!typed.OperandLeft) number = first.substr(leftStart - 1, first.size() - leftStart);
    // Kept as a double, when that holds the constant exactly as the command reads it.
    long double constant = 0;
    if (!TryReadNumber(number, constant)) return std::nullopt;
    typed.Number = static_cast<double>(constant);
    if (static_cast<long double>(typed.Number) != constant) return std::nullopt;
    return typed;
  }
  // Texts against a constant: {EQ{MEMO01}|ABC}; with a bar the constant is never equal.
  if (ReadsText(reads)) {
    if ((first != u"EQ" && first != u"NE") || group.PieceCount != 3 || piece(2).Group >= 0 ||
        !text(2).starts_with(u'|') || text(2).find(u'|', 1) != std::u16string_view::npos) {
      return std::nullopt;
    }
    typed.Form = TTypedForm::kCompareTexts;
    typed.Command = first == u"EQ" ? kEqualTexts : kNotEqualTexts;
    typed.ConstantStart = piece(2).Start + 1;
    typed.ConstantLength = piece(2).Length - 1;
    return typed;
  }
  // Logic of typed groups: {AND{...}|{...}}, {NOT:{...}}.
  if (reads.Typed < 0) return std::nullopt;
  if (group.PieceCount == 4 && text(2) == u"|" && operand(3) != nullptr && operand(3)->Typed >= 0 &&
      (first == u"AND" || first == u"OR" || first == u"XOR")) {
    typed.Form = TTypedForm::kLogic;
    typed.Command = first == u"AND" ? kAnd : (first == u"OR" ? kOr : kXor);
    typed.SecondOperand = piece(3).Group;
    return typed;
  }
  if (group.PieceCount == 2 && first == u"NOT:") {
    typed.Form = TTypedForm::kNot;
    typed.Command = kNotTrue;
    return typed;
  }
  return std::nullopt;
}

std::vector<TConditionProgram::TFacts> TConditionProgram::Analyse(TAssumption assumption) const {
  std::vector<TFacts> facts(groups_.size());
  // Inner groups come after the groups holding them.
  for (size_t index = groups_.size(); index-- > 0;) {
    const TProgramGroup& group = groups_[index];
    TFacts& own = facts[index];
    for (int32_t at = group.FirstPiece; at < group.FirstPiece + group.PieceCount; ++at) {
      const TProgramPiece& piece = pieces_[at];
      if (piece.Group < 0) {
        own.TakeText(NormalizedOf(piece));
      } else {
        own.TakeInner(facts[piece.Group], groups_[piece.Group].Depth <= 2);
      }
    }
    if (index > 0) AnalyseCommand(group, assumption, own);
  }
  return facts;
}

void TConditionProgram::AnalyseCommand(const TProgramGroup& group, TAssumption assumption,
                                       TFacts& facts) const {
  const TProgramPiece* first = group.PieceCount > 0 ? &pieces_[group.FirstPiece] : nullptr;
  const std::u16string_view command =
      group.Constant && first != nullptr ? NormalizedOf(*first) : std::u16string_view();
  std::vector<TCommandId> ids;
  if (group.Constant) {
    ids.push_back(group.Command);
  } else {
    const std::u16string_view prefix =
        first != nullptr && first->Group < 0 ? NormalizedOf(*first) : std::u16string_view();
    AppendPossibleCommands(prefix, facts.TextBarCertain, facts.TextMayBar, ids);
  }

  bool unknownBraces = false;  // braces in the result that name groups nothing here knows
  const auto anyText = [&] {
    facts.MayEmpty = facts.MayDot = facts.MayBar = facts.MayBrace = true;
    unknownBraces = true;
  };
  for (const TCommandId id : ids) {
    const TCommandTraits traits = CommandTraits(id);
    facts.ReadsClock = facts.ReadsClock || traits.ReadsClock;
    if (ReadsProfileOrSettings(id)) facts.ReadsState = true;
    if (traits.Effect == TCommandEffect::kRandom || traits.Effect == TCommandEffect::kExternal) {
      facts.Effects = facts.ReadsState = true;
    }
    if (traits.Effect == TCommandEffect::kSlots) {
      facts.ReadsState = true;
      if (!group.Constant) {
        // Any form of any slot: a write, or a read of a text that may hold anything.
        facts.Effects = true;
        facts.WritesMemo = facts.WritesMemo || id == kMemo;
        anyText();
        continue;
      }
      if (!IsReadingForm(id, command)) {
        facts.Effects = true;
        facts.WritesMemo = facts.WritesMemo || id == kMemo;
        facts.MayEmpty = true;  // the changing forms yield nothing
        continue;
      }
      if (group.Slot < 0) {
        facts.MayEmpty = true;  // a slot outside 0 to 99 fails the command
        continue;
      }
      if (id == kMemo) {
        facts.Sources.set(group.Slot);
        facts.MayEmpty = facts.MayDot = facts.MayBar = true;
      } else if (id == kCount) {
        facts.MayDot = true;
      }
      continue;
    }
    switch (traits.Result) {
      case TCommandResult::kNothing:
        facts.MayEmpty = true;
        break;
      case TCommandResult::kNumber:
        facts.MayDot = true;
        facts.MayEmpty = facts.MayEmpty || traits.MayFail;
        break;
      case TCommandResult::kTruth:
      case TCommandResult::kInteger:
      case TCommandResult::kDateText:
      case TCommandResult::kLineBreak:
        facts.MayEmpty = facts.MayEmpty || traits.MayFail;
        break;
      case TCommandResult::kLookupText:
        if (!group.LookupText) {
          anyText();
          break;
        }
        facts.MayEmpty = facts.MayDot = facts.MayBar = true;
        facts.LookupTexts |= static_cast<uint8_t>(1u << static_cast<int>(*group.LookupText));
        if (assumption == TAssumption::kPlainTexts) break;
        // Scanned again where it stands, its groups stay at depth 2 and go deeper; at depth 1
        // they meet rules no view follows.
        if (group.Depth < 2) {
          facts.MayBrace = unknownBraces = true;
        } else {
          facts.MayBrace = facts.MayBrace || group.Depth == 2;
          facts.Views |= static_cast<uint8_t>(1u << GateView(*group.LookupText, group.Depth >= 3));
        }
        break;
      case TCommandResult::kStoredText:
        if (!group.Constant || id == kResult) {
          anyText();
          break;
        }
        facts.Sources.set(kProfileSource);
        facts.MayEmpty = facts.MayDot = facts.MayBar = true;
        break;
      case TCommandResult::kRawSlice:
        facts.MayEmpty = true;
        facts.MayDot = facts.MayDot || facts.TextMayDot;
        facts.MayBar = facts.MayBar || facts.TextMayBar;
        if (facts.TextMayBrace) facts.MayBrace = unknownBraces = true;
        break;
      case TCommandResult::kScriptized:
        anyText();
        break;
    }
  }
  // A typed group gives a truth whatever its operands read (condition_program.h).
  if (group.Typed >= 0) {
    facts.MayEmpty = facts.MayDot = facts.MayBar = facts.MayBrace = false;
    unknownBraces = false;
  }
  // A group without result whose text holds a dot goes to the plug-ins.
  if (facts.MayEmpty && facts.TextMayDot) facts.MayCallTags = true;
  if (unknownBraces) facts.Dynamic = true;
}

std::optional<TConditionGate> TConditionProgram::GateOf(int index,
                                                        const std::vector<TFacts>& facts) const {
  const TProgramGroup& group = groups_[index];
  const auto piece = [&](int i) -> const TProgramPiece& { return pieces_[group.FirstPiece + i]; };
  const auto text = [&](int i) {
    return piece(i).Group < 0 ? NormalizedOf(piece(i)) : std::u16string_view();
  };
  // EQ or LIKE of a lookup text and a constant: {EQ{OPERATEMESSAGE}|KCCALLED}.
  if (group.PieceCount == 3 && piece(0).Group < 0 && piece(1).Group > 0 && piece(2).Group < 0 &&
      text(2).starts_with(u'|')) {
    // Written as LookupWord, since the group itself stays in the text when the text is empty.
    const TProgramGroup& read = groups_[piece(1).Group];
    if (!read.Constant || !read.LookupText || read.PieceCount != 1 ||
        TextOf(pieces_[read.FirstPiece]) != LookupWord(*read.LookupText)) {
      return std::nullopt;
    }
    const uint8_t view = static_cast<uint8_t>(GateView(*read.LookupText, read.Depth >= 3));
    const std::u16string_view constant = text(2).substr(1);
    // With a bar in the constant the view, which holds none, never equals it.
    if (text(0) == u"EQ" && constant.find(u'|') == std::u16string_view::npos) {
      return TConditionGate{
          {TGateTest{TGateTest::TKind::kEquals, view, std::u16string(constant), {}}}, true};
    }
    if (text(0) == u"LIKE") {
      const std::string pattern = ExpandDigitShorthand(Utf16ToShiftJis(constant));
      return TConditionGate{{TGateTest{TGateTest::TKind::kLike, view, {}, pattern}}, true};
    }
    return std::nullopt;
  }
  // AND and OR of gated tests: {AND{EQ{OPERATEMESSAGE}|KCCALLED}|{>={HOUR}|5}}. A failed gate
  // leaves "False" in its place, never empty, so the four characters AND and OR look at read
  // "FALS"; a right operand's four come after the first bar, which the left one must not hold.
  if (group.PieceCount != 4 || piece(0).Group >= 0 || piece(1).Group < 0 || text(2) != u"|" ||
      piece(3).Group < 0) {
    return std::nullopt;
  }
  const int left = piece(1).Group;
  const int right = piece(3).Group;
  const TFacts& leftFacts = facts[left];
  const bool leftBarFree = !leftFacts.MayBar && !(leftFacts.MayEmpty && groups_[left].Depth <= 2 &&
                                                  leftFacts.TextMayBar);
  std::optional<TConditionGate> leftGate = GateOf(left, facts);
  if (text(0) == u"AND") {
    if (leftGate) return TConditionGate{std::move(leftGate->Tests), false};
    if (!leftBarFree) return std::nullopt;
    std::optional<TConditionGate> rightGate = GateOf(right, facts);
    if (rightGate) return TConditionGate{std::move(rightGate->Tests), false};
    return std::nullopt;
  }
  if (text(0) == u"OR" && leftGate) {
    std::optional<TConditionGate> rightGate = GateOf(right, facts);
    if (!rightGate) return std::nullopt;
    TConditionGate gate{std::move(leftGate->Tests), false};
    for (TGateTest& test : rightGate->Tests) gate.Tests.push_back(std::move(test));
    return gate;
  }
  return std::nullopt;
}

std::u16string_view TConditionProgram::TextOf(const TProgramPiece& piece) const {
  return std::u16string_view(text_).substr(piece.Start, piece.Length);
}

std::u16string_view TConditionProgram::NormalizedOf(const TProgramPiece& piece) const {
  return std::u16string_view(NormalizedText()).substr(piece.Start, piece.Length);
}

}  // namespace kelmo
