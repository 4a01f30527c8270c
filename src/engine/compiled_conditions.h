// The compiled conditions of one kind 0 dictionary of a character: the programs
// (condition_program.h), the state of the current lookup, and the choice, at each evaluation,
// between the compiled evaluation and the evaluation of text. Compiling happens while the
// dictionary loads, on the loading thread; everything else on the main thread.
//
// A lookup's state says, for each lookup text, what its gate views hold: the text as a group at
// depth 2 or deeper sees it once it has been scanned again. A text without braces is itself; one
// whose groups all name no command (a query such as "{NOTHINGSAID}" or "...{REPEATED}") is what
// stays of it, its groups kept at depth 2 and gone deeper; any other text makes its views
// unusable, and so do a bar in the view, which the gates' commands would cut at. The state also
// says which memo slots and profile names hold no brace, kept up to date as evaluations write
// memos, and whether plug-ins could be asked for tags.
//
// A program runs compiled when the texts it reads hold no brace and it cannot ask a plug-in;
// otherwise its text is evaluated. A program whose value depends only on the lookup texts is
// evaluated once per lookup and its result kept.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dictionary/condition_programs.h"
#include "engine/condition_program.h"
#include "engine/program_evaluator.h"
#include "regex/hash_index.h"

namespace kelmo {

class TCharacter;

// Groups a lookup text may hold and still give a view; a text with more counts as unusable (the
// evaluation of text then decides, limits and all).
inline constexpr int kMaxViewGroups = 64;

class TCompiledConditions : public TConditionPrograms {
 public:
  // Conditions for the character, whose state the evaluations read and change.
  explicit TCompiledConditions(TCharacter& character) : character_(character) {}

  int32_t Compile(std::u16string_view condition) override;
  const TConditionGate* GateOf(int32_t program) const override;
  const TGateRequirement& RequirementOf(int32_t program) const override;
  const TLookupState& BeginLookup() override;
  std::u16string_view Evaluate(int32_t program) override;

  // The program of a number given by Compile.
  const TConditionProgram& Program(int32_t program) const { return *programs_[program]; }

 private:
  // The evaluation of a program, compiled when it may run so; asText tells when it did not.
  std::u16string_view Run(const TConditionProgram& program, bool& asText);

  // Sets in state_ which memo slots and profile names hold no brace.
  void FindPlainSources();

  TCharacter& character_;
  std::vector<std::unique_ptr<TConditionProgram>> programs_;
  TbmREHashIndex numbers_;  // condition text -> program

  TLookupState state_;
  uint8_t plainLookupTexts_ = 0;  // bit per lookup text holding no brace
  uint32_t lookup_ = 0;           // number of the current lookup, from 1

  // Per program evaluated once per lookup: the lookup whose result is kept, and the result.
  struct TKept {
    uint32_t Lookup = 0;
    std::u16string Result;
  };
  std::unordered_map<int32_t, TKept> kept_;

  TProgramScratch scratch_;
  std::u16string textResult_;
};

}  // namespace kelmo
