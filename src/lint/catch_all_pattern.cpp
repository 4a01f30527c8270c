// Exploring the sets of search threads of a pattern's automaton over classes of characters.
#include "lint/catch_all_pattern.h"

#include <algorithm>
#include <deque>
#include <set>
#include <stdexcept>
#include <vector>

#include "dictionary/pattern_requirement.h"
#include "regex/regexp.h"

namespace kelmo {
namespace {

// The character codes a pattern's automaton reads, and the two line breaks a line never holds.
constexpr int32_t kCodeEnd = 0x10000;
constexpr int32_t kLineFeed = 10;
constexpr int32_t kCarriageReturn = 13;

// The states of the threads alive at one position, ascending.
using TThreads = std::vector<int32_t>;

bool AnyAccepts(const TbmREDFATable& table, const TThreads& threads) {
  return std::any_of(threads.begin(), threads.end(),
                     [&](int32_t state) { return table.State(state).Accepting; });
}

// Whether a thread would accept were the line to end here: at the line's tail.
bool AnyAcceptsAtLineTail(const TbmREDFATable& table, const TThreads& threads) {
  return std::any_of(threads.begin(), threads.end(), [&](int32_t state) {
    return table.State(state).Accepting || table.State(state).LineTail;
  });
}

// The first codes of the classes on which every state of threads moves alike, ascending, each
// line break in a class of its own; kCodeEnd closes the last class.
std::vector<int32_t> ClassStarts(const TbmREDFATable& table, const TThreads& threads) {
  std::vector<int32_t> starts = {0, kLineFeed, kLineFeed + 1, kCarriageReturn,
                                 kCarriageReturn + 1, kCodeEnd};
  for (const int32_t state : threads) {
    for (const TbmRETransition& transition : table.Transitions(state)) {
      if (transition.Lo < 0) continue;  // an anchor
      starts.push_back(transition.Lo);
      starts.push_back(std::min(transition.Hi + 1, kCodeEnd));
    }
  }
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  return starts;
}

// The threads after one more character of code: each thread moved on, and a new one begun.
TThreads Advance(const TbmREDFATable& table, const TThreads& threads, int32_t code) {
  TThreads next = {0};
  for (const int32_t state : threads) {
    const int32_t target = table.NextCharState(state, code);
    if (target >= 0) next.push_back(target);
  }
  std::sort(next.begin(), next.end());
  next.erase(std::unique(next.begin(), next.end()), next.end());
  return next;
}

bool SearchAlwaysFinds(const TbmREDFATable& table) {
  // At the line's head: the thread begun there, and the one past the line-head anchor.
  TThreads start = {0};
  if (table.LineHeadState() > 0) start.push_back(table.LineHeadState());  // state 0 is there
  if (AnyAccepts(table, start)) return true;
  std::set<TThreads> seen = {start};
  std::deque<TThreads> pending = {start};
  while (!pending.empty()) {
    const TThreads threads = std::move(pending.front());
    pending.pop_front();
    const std::vector<int32_t> starts = ClassStarts(table, threads);
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
      const int32_t code = starts[i];
      if (code == kLineFeed || code == kCarriageReturn) continue;
      TThreads next = Advance(table, threads, code);
      // A match seen: every line going on from here holds it.
      if (AnyAccepts(table, next)) continue;
      // A line ending here would hold none.
      if (!AnyAcceptsAtLineTail(table, next)) return false;
      if (!seen.insert(next).second) continue;
      if (static_cast<int>(seen.size()) > kMaxSearchSets) return false;
      pending.push_back(std::move(next));
    }
  }
  return true;
}

}  // namespace

bool FoundInEveryLine(const std::string& pattern) {
  // The analysis behind the dictionaries' prefilter settles most patterns without an automaton: a
  // pattern that needs a literal string is not found in a line of one character that is none of
  // its strings (a clause holds at most kMaxRequiredLiterals of them).
  const TPatternRequirement requirement = AnalysePattern(pattern, bmccDefaultCharCode);
  using TKind = TPatternRequirement::TKind;
  switch (requirement.Kind) {
    case TKind::Broken:
    case TKind::Anchored:
      return false;
    case TKind::Exact:
      return std::any_of(requirement.Strings.begin(), requirement.Strings.end(),
                         [](const std::string& text) { return text.empty(); });
    case TKind::Clauses:
      if (std::any_of(requirement.Clauses.begin(), requirement.Clauses.end(),
                      [](const TRequirementClause& clause) {
                        return clause.Kind == TRequirementClause::TKind::Literals;
                      })) {
        return false;
      }
      break;
  }
  TbmRExp expression;
  expression.SetPattern(pattern);
  try {
    return SearchAlwaysFinds(expression.Compile());
  } catch (const EbmREToken&) {
    return false;
  } catch (const std::runtime_error&) {
    return false;  // a character code without a reader
  }
}

}  // namespace kelmo
