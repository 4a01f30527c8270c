// The transcript test format: a plain-text file (UTF-8) that says what a character answers.
//
//   # あかりのあいさつ
//   character: akari.klc
//   seed: 7
//   now: 2024/04/12 09:30:00
//   nickname: ゆう
//
//   > こんにちは
//   こんにちは、ゆう！
//   ~ 今日は.*だね。
//
//   > なぞなぞ
//   ~ .*
//   > 月
//   せいかい！答えは「月」でした。
//
// The header is the first block of lines, up to the first blank line: "key: value" lines naming
// the character (a definition file, relative to the program folder) and, optionally, a fixed seed
// for every random choice, a fixed date and time, and the user's profile. Cases follow, separated
// by blank lines; each runs from a freshly loaded character. A case is the lines its character's
// greeting should show (often none: the greeting is then not compared), then one or more
// exchanges: "> " and what the user says, followed by the lines the reply should show, or
// "wait: SECONDS", which lets that much time pass, followed by the lines the timed talk that came
// due in it should show. A case may begin with its own "now: ...", which replaces the header's for
// that case. An expected line is compared whole with the shown line, or, written "~ pattern", the
// pattern (the dictionaries' pattern syntax, letter case as written) must match the whole shown
// line; "~" alone stands for an empty line, and "..." for any number of lines, none included.
// Lines beginning with "#" are comments anywhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "charfile/date_time.h"
#include "engine/user_profile.h"
#include "regex/regexp.h"

namespace kelmo {

// The user's profile of a transcript without profile keys, key by key.
inline constexpr std::string_view kTranscriptSurname = "山田";
inline constexpr std::string_view kTranscriptGivenName = "太郎";
inline constexpr std::string_view kTranscriptHandleName = "たろう";
inline constexpr std::string_view kTranscriptNickname = "たろ";
inline constexpr std::string_view kTranscriptBirthday = "2000/01/01";

// One line a reply should show.
struct TExpectedLine {
  enum class TKind : uint8_t {
    Text,      // the line itself
    Pattern,   // "~ pattern": Text is the pattern
    AnyLines,  // "...": any number of lines
  };
  int LineNumber = 0;  // in the transcript file
  TKind Kind = TKind::Text;
  std::string Text;  // UTF-8
};

// A line the user says and what the reply should show; or, with WaitSeconds, time that passes
// without a word from the user and what the timed talk that comes due should show.
struct TExchange {
  int LineNumber = 0;
  std::string UserLine;  // UTF-8; empty for a wait
  std::vector<TExpectedLine> Expected;
  std::optional<uint32_t> WaitSeconds;
};

struct TTranscriptCase {
  int LineNumber = 0;                   // its first line
  std::optional<TDateTime> Now;         // its own "now:", which replaces the header's
  std::vector<TExpectedLine> Greeting;  // empty: the greeting is not compared
  std::vector<TExchange> Exchanges;
};

struct TTranscript {
  std::string Character;  // as written (UTF-8)
  std::optional<uint32_t> Seed;
  std::optional<TDateTime> Now;
  TUserProfile Profile;  // Shift-JIS, as the settings hold it
  std::vector<TTranscriptCase> Cases;
};

// A mistake in a transcript file.
struct TTranscriptError {
  int LineNumber = 0;
  std::string Message;  // UTF-8
};

// Reads a transcript from the file's bytes (UTF-8, a byte order mark allowed). Every pattern is
// compiled, so a pattern error is found here. Returns the mistakes; the transcript is complete
// only when there are none.
std::vector<TTranscriptError> ParseTranscript(std::string_view text, TTranscript& transcript);

// Tells whether shown lines are the one an expected line stands for; a pattern is compiled once.
class TExpectedMatcher {
 public:
  explicit TExpectedMatcher(const TExpectedLine& expected);

  // Whether the expected line accepts the shown line (UTF-8), which "..." always does. A pattern
  // that does not compile accepts nothing (ParseTranscript has reported it).
  bool Accepts(std::string_view shown);

 private:
  const TExpectedLine& expected_;
  TbmRExp pattern_;
};

}  // namespace kelmo
