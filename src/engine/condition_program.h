// A kind 0 condition compiled once: its brace groups as a tree, recognised where their text
// cannot change, and what an analysis of the tree proves about every evaluation of it.
//
// Parsing follows the evaluator's scan: "{" opens a group, "}" closes the innermost one, all else
// is text. Groups are numbered in the order their "{" appears; group 0 stands for the top level,
// which runs no command. A group without inner groups is constant: its text, its normalised text
// and so its command are known here, and are recognised once. A condition whose braces do not
// pair up, or that nests deeper than kMaxProgramDepth, is left to the evaluation of text.
//
// The analysis goes from the innermost groups out. For each group it works out what its result
// may hold (nothing, a dot, a bar, a brace), what its normalised text may hold, whether running it
// and its inner groups may change anything (slots, the random source, programs and files) or ask
// the plug-ins for a tag, and which texts it reads. A result holding a brace is scanned again as
// groups that nothing here knows: the program is then "dynamic". It answers under two assumptions
// about the texts that may hold braces (memo slots, profile names, lookup texts): for the compiled
// evaluation, that they hold none, which the evaluation checks before it runs; for a gate, that
// the stored texts hold none and the lookup texts hold only groups that name no command, which
// the lookup's views (TLookupState) check once per lookup.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/condition_programs.h"
#include "engine/macro_commands.h"

namespace kelmo {

// Deepest nesting a program may have; deeper conditions are evaluated as text. Bounds the
// recursion of the analysis and of the compiled evaluation.
inline constexpr int kMaxProgramDepth = 64;

// The source number of the profile's names (memo slot n is source n).
inline constexpr int kProfileSource = 100;

// How a group reading a lookup text is written once normalised: OPERATEMESSAGE, PREV, PREVANSWER.
std::u16string_view LookupWord(TLookupText text);

// A piece of a group: text of the condition, or an inner group.
struct TProgramPiece {
  int32_t Group = -1;  // the inner group, or -1 for text
  int32_t Start = 0;   // text: its place in the condition
  int32_t Length = 0;
};

// A group whose value a typed evaluation gives without gathering its text: the shapes that
// conditions are mostly made of, each giving "True" or "False". When what it reads does not fit
// (a counter holding a fraction, a text holding a bar), the walk gathers the group as text.
enum class TTypedForm : uint8_t {
  kCompareNumbers,  // ==, !=, <, <=, >, >= of a group reading an integer and a number
  kCompareTexts,    // EQ or NE of a group reading a text and a constant without a bar
  kLogic,           // AND, OR or XOR of two typed groups
  kNot,             // NOT: of a typed group
};

struct TTypedGroup {
  TTypedForm Form = TTypedForm::kCompareNumbers;
  TCommandId Command = TCommandId::kNone;  // what the group's text is recognised as
  int32_t Operand = -1;                    // the group read or combined first
  int32_t SecondOperand = -1;              // kLogic: the group combined second
  bool OperandLeft = true;                 // kCompareNumbers: the group read is the left operand
  long double Number = 0;                  // kCompareNumbers: the constant
  int32_t TextLength = 0;                  // characters of the group's own text, braces excluded
  // kCompareTexts: the constant in the condition's normalised text.
  int32_t ConstantStart = 0;
  int32_t ConstantLength = 0;
};

struct TProgramGroup {
  int32_t FirstPiece = 0;
  int32_t PieceCount = 0;
  int32_t Depth = 0;      // 0 for the top level, 1 for a group at top level
  int32_t Length = 0;     // in the condition, braces included
  bool Constant = false;  // holds no inner group
  // Constant groups only: the command, its bar, the lookup text it reads, if it is one, and the
  // slot from 0 to 99 that a reading slot command (MEMOnn, COUNTnn, FLAGnn) names, if it is one.
  TCommandId Command = TCommandId::kNone;
  int Bar = 0;
  std::optional<TLookupText> LookupText;
  int8_t Slot = -1;
  int32_t Typed = -1;  // its place among the program's typed groups, -1 when it is none
};

// Whether a constant group reads an integer that a typed evaluation can take directly: a counter
// (when it holds one), the turn, or a field of the current time.
bool ReadsInteger(const TProgramGroup& group);

// Whether a constant group reads a text that a typed evaluation can take directly: a lookup text
// or a memo.
bool ReadsText(const TProgramGroup& group);

class TConditionProgram {
 public:
  // Parses and analyses a condition (a normalised key, wide).
  explicit TConditionProgram(std::u16string_view condition);

  const std::u16string& Text() const { return text_; }
  // The text normalised; the text itself when normalising changes nothing (keys are normalised at
  // load), which spares a copy.
  const std::u16string& NormalizedText() const { return normalized_.empty() ? text_ : normalized_; }
  const std::vector<TProgramGroup>& Groups() const { return groups_; }
  const std::vector<TProgramPiece>& Pieces() const { return pieces_; }
  // The typed form of a group, or nullptr.
  const TTypedGroup* TypedOf(const TProgramGroup& group) const {
    return group.Typed < 0 ? nullptr : &typed_[group.Typed];
  }

  // Whether the compiled evaluation gives what the evaluation of text gives, as long as the
  // texts in PlainSources and PlainLookupTexts hold no brace, and no plug-in is asked when
  // MayCallTags.
  bool Compiled() const { return compiled_; }
  bool MayCallTags() const { return mayCallTags_; }
  bool ReadsClock() const { return readsClock_; }
  const TConditionSources& PlainSources() const { return plainSources_; }
  uint8_t PlainLookupTexts() const { return plainLookupTexts_; }  // bit per TLookupText
  bool WritesMemo() const { return writesMemo_; }

  // Whether, while the lookup's state meets Requirement, the evaluation changes nothing, asks no
  // plug-in and gives one value for one state of the lookup texts whatever else changes; its
  // result may then be kept for the rest of the lookup.
  bool DependsOnlyOnLookupTexts() const { return dependsOnlyOnLookupTexts_; }
  const TGateRequirement& Requirement() const { return requirement_; }

  // The gate, when the condition is one group testing a lookup text (or an AND or OR of such
  // tests) and changes nothing while Requirement is met; a gate without tests when it depends only
  // on the lookup texts otherwise.
  const std::optional<TConditionGate>& Gate() const { return gate_; }

 private:
  // What the analysis knows of a group under one assumption.
  struct TFacts;
  enum class TAssumption { kPlainTexts, kInertLookupTexts };

  bool Parse();
  void RecogniseConstantGroups();
  void RecogniseTypedGroups();
  std::optional<TTypedGroup> TypedFormOf(const TProgramGroup& group) const;
  std::vector<TFacts> Analyse(TAssumption assumption) const;
  void AnalyseCommand(const TProgramGroup& group, TAssumption assumption, TFacts& facts) const;
  std::optional<TConditionGate> GateOf(int group, const std::vector<TFacts>& facts) const;

  std::u16string_view TextOf(const TProgramPiece& piece) const;
  std::u16string_view NormalizedOf(const TProgramPiece& piece) const;

  std::u16string text_;
  std::u16string
      normalized_;  // of the whole condition when it differs: its pieces' normalised texts
  std::vector<TProgramGroup> groups_;
  std::vector<TProgramPiece> pieces_;
  std::vector<TTypedGroup> typed_;

  bool compiled_ = false;
  bool mayCallTags_ = false;
  bool readsClock_ = false;
  bool writesMemo_ = false;
  TConditionSources plainSources_;
  uint8_t plainLookupTexts_ = 0;
  bool dependsOnlyOnLookupTexts_ = false;
  TGateRequirement requirement_;
  std::optional<TConditionGate> gate_;
};

}  // namespace kelmo
