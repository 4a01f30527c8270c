// The terminal character chooser: prints the rows, reads one command per line.
#include "tty/character_chooser.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "shell/character_selection.h"
#include "tty/answer_text.h"
#include "tty/line_input.h"
#include "tty/terminal_balloon.h"

namespace kelmo {
namespace {

constexpr std::string_view kChooserTitle = "人格の選択";
constexpr std::string_view kChooserHelp =
    "番号: 選ぶ / a パス: ファイルを追加 / d 番号: 一覧から削除 / 空行: 取り消し";
constexpr std::string_view kChooserPrompt = "人格> ";
constexpr std::string_view kNoCharacters = "(人格がありません)";
constexpr std::string_view kNoSuchRow = "その番号はありません";
// Command words: add a file, delete a row, cancel.
constexpr std::string_view kAddWord = "a";
constexpr std::string_view kDeleteWord = "d";
constexpr std::string_view kCancelWord = "q";

void PrintRows(const TCharacterSelection& selection, std::ostream& out) {
  out << kChooserTitle << '\n';
  if (selection.Rows().empty()) out << "  " << kNoCharacters << '\n';
  int number = 1;
  for (const TCharacterRow& row : selection.Rows()) {
    out << "  " << number++ << "  " << SanitizeForTerminal(row.Name) << "  ("
        << SanitizeForTerminal(row.Path) << ")\n";
  }
  out << kChooserHelp << '\n';
  out.flush();
}

// A path as typed: surrounding double quotes removed, "~/" expanded, made absolute.
std::string TypedPath(std::string_view typed) {
  std::string path = TrimBlanks(typed);
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
    path = path.substr(1, path.size() - 2);
  }
  if (path.starts_with("~/")) {
    if (const char* home = std::getenv("HOME")) path = std::string(home) + path.substr(1);
  }
  if (path.empty()) return path;
  std::error_code ignored;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
  return absolute.empty() ? path : absolute.lexically_normal().string();
}

// The word before the first blank and the rest after it.
std::pair<std::string, std::string> SplitCommand(const std::string& answer) {
  const size_t blank = answer.find(' ');
  if (blank == std::string::npos) return {answer, {}};
  return {answer.substr(0, blank), TrimBlanks(std::string_view(answer).substr(blank + 1))};
}

void Say(std::ostream& out, std::string_view message) {
  out << message << '\n';
  out.flush();
}

}  // namespace

bool RunCharacterChooser(TCharacterSelection& selection, TLineInput& input, std::ostream& out) {
  PrintRows(selection, out);
  while (true) {
    const std::optional<std::string> typed = input.ReadLine(std::string(kChooserPrompt));
    const std::string answer = typed ? TrimBlanks(*typed) : std::string();
    if (!typed || answer.empty() || answer == kCancelWord) {
      selection.Cancel();
      return false;
    }
    if (const std::optional<int> number = ParseNumber(answer)) {
      const int index =
          *number >= 1 && *number <= static_cast<int>(selection.Rows().size()) ? *number - 1 : -1;
      const std::string message = selection.Confirm(index);
      if (message.empty()) return true;
      Say(out, message);
      continue;
    }
    const auto [word, rest] = SplitCommand(answer);
    if (word == kAddWord && !rest.empty()) {
      const std::string message = selection.AddFile(TypedPath(rest));
      if (message.empty()) {
        PrintRows(selection, out);
      } else {
        Say(out, message);
      }
    } else if (word == kDeleteWord && ParseNumber(rest)) {
      const int number = *ParseNumber(rest);
      if (number < 1 || number > static_cast<int>(selection.Rows().size())) {
        Say(out, kNoSuchRow);
        continue;
      }
      selection.DeleteRow(number - 1);
      PrintRows(selection, out);
    } else {
      Say(out, kChooserHelp);
    }
  }
}

}  // namespace kelmo
