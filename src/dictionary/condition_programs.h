// What a kind 0 dictionary needs to evaluate its conditions faster than as text, and to pass over
// those that cannot hold, without knowing the macro language: the engine compiles conditions
// (engine/compiled_conditions.h) and the character hands them to its kind 0 dictionaries.
//
// A compiled condition is a program: evaluating it gives exactly the text, the side effects and
// their order that evaluating the condition as text gives. Some programs also have a gate: tests
// on a text that stays the same through a lookup (the query in OPERATEMESSAGE, the line in PREV,
// the previous reply in PREVANSWER), at least one of which must pass for the condition to hold.
// When the lookup's state meets the program's requirement (the texts are fit for testing, the
// program can change nothing and ask no plug-in), a condition whose gate fails would evaluate to
// "False" with no effect at all, so the dictionary leaves it out; an index of the gates' constants
// (condition_index.h) finds the few conditions whose gate passes without looking at the others.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelmo {

// The texts that conditions read and that no evaluation changes during a lookup.
enum class TLookupText : uint8_t { kOperateMessage, kPrev, kPrevAnswer };
inline constexpr int kLookupTextCount = 3;

// A gate tests a lookup text as a group at a given depth sees it once the text has been scanned
// again: groups the text holds stay at depth 2 and go deeper. A view is a text at one of the two.
inline constexpr int kGateViewCount = 2 * kLookupTextCount;
inline constexpr int GateView(TLookupText text, bool deep) {
  return 2 * static_cast<int>(text) + (deep ? 1 : 0);
}

// One test of a gate on one view.
struct TGateTest {
  enum class TKind : uint8_t {
    kEquals,  // the view equals Text
    kLike,    // Pattern is found in the view
  };
  TKind Kind = TKind::kEquals;
  uint8_t View = 0;
  std::u16string Text;  // kEquals: a normalised constant
  std::string Pattern;  // kLike: the pattern as LIKE searches it (Shift-JIS, "#" expanded)
};

// The tests a condition needs: it can hold only when one of them passes. A gate without tests
// stands for a condition whose value depends on the lookup texts alone: it is evaluated once per
// lookup, and its value decides for every entry that has it.
struct TConditionGate {
  std::vector<TGateTest> Tests;
  bool Decides = false;  // it holds exactly when its one test passes, or its value is true
};

// Texts that conditions read and that an evaluation may change or that may hold groups of their
// own (memo slots, profile names), numbered by the engine. A condition reading one is
// side-effect free only while the text holds no brace.
inline constexpr int kConditionSourceCount = 128;
using TConditionSources = std::bitset<kConditionSourceCount>;

// What a lookup's state must meet for a gate to be trusted.
struct TGateRequirement {
  uint8_t Views = 0;          // bit per view that must be usable
  bool QuietTags = false;     // no plug-in may be asked for a tag
  TConditionSources Sources;  // sources that must hold no brace

  TGateRequirement& operator|=(const TGateRequirement& other) {
    Views |= other.Views;
    QuietTags = QuietTags || other.QuietTags;
    Sources |= other.Sources;
    return *this;
  }
};

// The state of the current lookup as gates see it.
struct TLookupState {
  // Per usable view: the text the tests compare (normalised), and its Shift-JIS form for LIKE.
  std::array<std::u16string, kGateViewCount> Texts;
  std::array<std::string, kGateViewCount> NarrowTexts;
  uint8_t UsableViews = 0;         // views whose text could be worked out and holds no bar
  bool TagsLive = false;           // plug-ins may be asked for tags
  TConditionSources PlainSources;  // sources holding no brace
  uint32_t Generation = 0;         // changes whenever PlainSources may have changed

  bool Satisfies(const TGateRequirement& requirement) const {
    return (requirement.Views & ~UsableViews) == 0 && !(requirement.QuietTags && TagsLive) &&
           (requirement.Sources & ~PlainSources).none();
  }
};

class TConditionPrograms {
 public:
  virtual ~TConditionPrograms() = default;

  // The program of a condition (a normalised key); equal conditions share one number.
  virtual int32_t Compile(std::u16string_view condition) = 0;

  // The gate of a program, or nullptr when it has none.
  virtual const TConditionGate* GateOf(int32_t program) const = 0;

  // What the lookup's state must meet for the gate of the program to be trusted.
  virtual const TGateRequirement& RequirementOf(int32_t program) const = 0;

  // Starts a lookup: works out the state of the texts and sources as they are now. The state
  // stays valid, and is kept up to date by Evaluate, until the next BeginLookup.
  virtual const TLookupState& BeginLookup() = 0;

  // Evaluates a program with the result, side effects and order of effects of evaluating its
  // condition as text at this moment. The result stays valid until the next call. Raises what
  // the evaluation of text raises.
  virtual std::u16string_view Evaluate(int32_t program) = 0;
};

}  // namespace kelmo
