// Reading transcript files, and matching an expected line.
#include "lint/transcript.h"

#include <charconv>
#include <map>

#include "charfile/code_page.h"
#include "charfile/text_file.h"
#include "engine/date_text.h"

namespace kelmo {
namespace {

constexpr std::string_view kUserMark = ">";
constexpr std::string_view kPatternMark = "~";
constexpr std::string_view kCommentMark = "#";
constexpr std::string_view kAnyLines = "...";
constexpr std::string_view kKeySeparator = ":";
// The lines of a case that are no exchange's: its own date and time (its first line only) and
// time passing.
constexpr std::string_view kNowKey = "now";
constexpr std::string_view kWaitKey = "wait";
// The values of "sex".
constexpr std::string_view kMale = "male";
constexpr std::string_view kFemale = "female";

// The line after a mark and one optional blank.
std::string_view AfterMark(std::string_view line, std::string_view mark) {
  line.remove_prefix(mark.size());
  if (line.starts_with(' ')) line.remove_prefix(1);
  return line;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool IsBlank(std::string_view line) {
  return Trimmed(line).empty();
}

// The value of a case line "key: value", or nothing when the line is not one for that key.
std::optional<std::string_view> CaseLineValue(std::string_view line, std::string_view key) {
  if (!line.starts_with(key) || !line.substr(key.size()).starts_with(kKeySeparator)) return {};
  return Trimmed(line.substr(key.size() + kKeySeparator.size()));
}

// A whole decimal number of 0 to 4294967295.
std::optional<uint32_t> ReadUnsigned(std::string_view text) {
  uint32_t value = 0;
  const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (failure != std::errc() || end != text.data() + text.size()) return {};
  return value;
}

// The pattern's Shift-JIS form compiled, or the engine's message.
std::optional<std::string> PatternError(const std::string& pattern) {
  TbmRExp expression;
  expression.SetPattern(Utf8ToShiftJis(pattern));
  try {
    expression.Compile();
    return std::nullopt;
  } catch (const EbmREToken& error) {
    return std::string(error.what());
  }
}

class TParser {
 public:
  TParser(std::string_view text, TTranscript& transcript) : transcript_(transcript) {
    if (text.starts_with(kUtf8ByteOrderMark)) text.remove_prefix(kUtf8ByteOrderMark.size());
    lines_ = SplitLines(text);
  }

  std::vector<TTranscriptError> Run() {
    transcript_ = TTranscript();
    transcript_.Profile.Surname = Utf8ToShiftJis(kTranscriptSurname);
    transcript_.Profile.GivenName = Utf8ToShiftJis(kTranscriptGivenName);
    transcript_.Profile.HandleName = Utf8ToShiftJis(kTranscriptHandleName);
    transcript_.Profile.Nickname = Utf8ToShiftJis(kTranscriptNickname);
    transcript_.Profile.IsMale = true;
    TryReadDateTime(Utf8ToUtf16(kTranscriptBirthday), transcript_.Profile.Birthday);

    size_t index = 0;
    for (; index < lines_.size() && !IsBlank(lines_[index]); ++index) Header(index);
    if (transcript_.Character.empty())
      Error(1, "character: で人格の定義ファイルを指定してください");
    TTranscriptCase* current = nullptr;
    for (; index < lines_.size(); ++index) {
      const std::string& line = lines_[index];
      const int number = static_cast<int>(index) + 1;
      if (IsBlank(line)) {
        current = nullptr;
        continue;
      }
      if (line.starts_with(kCommentMark)) continue;
      const bool caseStarts = current == nullptr;
      if (caseStarts) {
        current = &transcript_.Cases.emplace_back();
        current->LineNumber = number;
      }
      if (const std::optional<std::string_view> now = CaseLineValue(line, kNowKey)) {
        if (!caseStarts) Error(number, "ケースの now: はケースの最初の行に書きます");
        current->Now = ReadMoment(number, kNowKey, *now);
        continue;
      }
      if (const std::optional<std::string_view> wait = CaseLineValue(line, kWaitKey)) {
        const std::optional<uint32_t> seconds = ReadUnsigned(*wait);
        if (!seconds) Error(number, "wait: は 0 から 4294967295 までの秒数です");
        current->Exchanges.push_back({number, "", {}, seconds.value_or(0)});
        continue;
      }
      if (line.starts_with(kUserMark)) {
        current->Exchanges.push_back({number, std::string(AfterMark(line, kUserMark)), {}, {}});
        continue;
      }
      TExpectedLine expected{number, TExpectedLine::TKind::Text, line};
      if (line == kAnyLines) expected.Kind = TExpectedLine::TKind::AnyLines;
      if (line.starts_with(kPatternMark)) {
        expected.Kind = TExpectedLine::TKind::Pattern;
        expected.Text = AfterMark(line, kPatternMark);
        if (const std::optional<std::string> error = PatternError(expected.Text)) {
          Error(number, "パターンがコンパイルできません: " + *error);
        }
      }
      (current->Exchanges.empty() ? current->Greeting : current->Exchanges.back().Expected)
          .push_back(std::move(expected));
    }
    return std::move(errors_);
  }

 private:
  void Error(int lineNumber, std::string message) {
    errors_.push_back({lineNumber, std::move(message)});
  }

  // A date and time written as the value of key (reported at lineNumber when it is none).
  TDateTime ReadMoment(int lineNumber, std::string_view key, std::string_view value) {
    TDateTime moment = 0;
    if (!TryReadDateTime(Utf8ToUtf16(value), moment)) {
      Error(lineNumber, std::string(key) + " は「2024/04/12 09:30:00」の形の日付です");
    }
    return moment;
  }

  void Header(size_t index) {
    const std::string& line = lines_[index];
    const int number = static_cast<int>(index) + 1;
    if (line.starts_with(kCommentMark)) return;
    const size_t separator = line.find(kKeySeparator);
    if (line.starts_with(kUserMark) || separator == std::string::npos) {
      Error(number, "見出しの行は「キー: 値」です (見出しのあとは空行で区切ります)");
      return;
    }
    const std::string key(Trimmed(std::string_view(line).substr(0, separator)));
    const std::string value(Trimmed(std::string_view(line).substr(separator + 1)));
    TUserProfile& profile = transcript_.Profile;
    const std::map<std::string, std::string*> texts = {{"character", &transcript_.Character},
                                                       {"surname", &profile.Surname},
                                                       {"given-name", &profile.GivenName},
                                                       {"handle-name", &profile.HandleName},
                                                       {"nickname", &profile.Nickname}};
    if (const auto text = texts.find(key); text != texts.end()) {
      if (value.empty()) Error(number, key + " の値が空です");
      *text->second = text->second == &transcript_.Character ? value : Utf8ToShiftJis(value);
    } else if (key == "seed") {
      const std::optional<uint32_t> seed = ReadUnsigned(value);
      if (!seed) Error(number, "seed は 0 から 4294967295 までの数です");
      transcript_.Seed = seed.value_or(0);
    } else if (key == kNowKey || key == "birthday") {
      (key == kNowKey ? transcript_.Now.emplace() : profile.Birthday) =
          ReadMoment(number, key, value);
    } else if (key == "sex") {
      if (value != kMale && value != kFemale) Error(number, "sex は male か female です");
      profile.IsMale = value == kMale;
    } else {
      Error(number, "知らないキーです: " + key);
    }
  }

  TTranscript& transcript_;
  std::vector<std::string> lines_;
  std::vector<TTranscriptError> errors_;
};

}  // namespace

std::vector<TTranscriptError> ParseTranscript(std::string_view text, TTranscript& transcript) {
  return TParser(text, transcript).Run();
}

TExpectedMatcher::TExpectedMatcher(const TExpectedLine& expected) : expected_(expected) {
  if (expected.Kind == TExpectedLine::TKind::Pattern) {
    pattern_.SetPattern(Utf8ToShiftJis(expected.Text));
  }
}

bool TExpectedMatcher::Accepts(std::string_view shown) {
  if (expected_.Kind == TExpectedLine::TKind::AnyLines) return true;
  if (expected_.Kind == TExpectedLine::TKind::Text) return expected_.Text == shown;
  const std::string line = Utf8ToShiftJis(shown);
  int position = 0;
  int length = 0;
  try {
    // The leftmost-longest match covers the whole line when any match does.
    return pattern_.Match(line, 1, position, length) == 1 &&
           static_cast<size_t>(length) == line.size();
  } catch (const EbmREToken&) {
    return false;
  }
}

}  // namespace kelmo
