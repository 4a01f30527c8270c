// Findings about the definition file's lines and keys.
#include "lint/definition_lint.h"

#include <algorithm>
#include <map>

#include "charfile/character_file.h"
#include "charfile/code_page.h"
#include "charfile/text_utils.h"

namespace kelmo {
namespace {

// Lines a pair takes: its key, then its value.
constexpr int kLinesPerPair = 2;

// The number of single-character edits that turn a into b.
size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<size_t> previous(b.size() + 1);
  std::vector<size_t> current(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t substitution = previous[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, substitution});
    }
    std::swap(previous, current);
  }
  return previous[b.size()];
}

int KeyLine(size_t pair) {
  return static_cast<int>(pair) * kLinesPerPair + 1;
}

}  // namespace

std::string_view ClosestKnownKey(std::string_view key) {
  const std::string lower = AsciiLowerCase(key);
  std::string_view closest;
  size_t best = std::string_view::npos;
  for (const std::string_view known : DefinitionKeyNames()) {
    const size_t distance = EditDistance(lower, AsciiLowerCase(known));
    if (distance < best) {
      best = distance;
      closest = known;
    }
  }
  return closest;
}

TDefinitionPlace PlaceOf(const TCharacterFile& file, const std::string& path,
                         std::string_view key) {
  const std::vector<std::string>& keys = file.Keys();
  const auto found = std::find(keys.begin(), keys.end(), AsciiLowerCase(key));
  const int line = found == keys.end() ? 0 : KeyLine(static_cast<size_t>(found - keys.begin())) + 1;
  return {path, line, std::string(key)};
}

TDefinitionLint::TDefinitionLint(const std::string& path)
    : TFileLint(path, TDefinitionPlace{path, 0, ""}, "", "") {}

void TDefinitionLint::LineIgnored(int lineNumber, TIgnoredLine, const std::vector<std::string>&) {
  Add(lineNumber, TLintSeverity::Warning, "unpaired-line",
      "最後の行には値の行が続かないので読まれません: 定義ファイルはキーの行と値の行の組です");
}

void TDefinitionLint::CheckKeys(const TCharacterFile& file) {
  std::map<std::string, size_t> firstPair;
  std::vector<std::string> known;
  for (const std::string_view key : DefinitionKeyNames()) known.push_back(AsciiLowerCase(key));
  const std::vector<std::string>& keys = file.Keys();
  for (size_t pair = 0; pair < keys.size(); ++pair) {
    const std::string& key = keys[pair];
    const std::string shown = ShiftJisToUtf8(key);
    const auto [first, isFirst] = firstPair.try_emplace(key, pair);
    if (!isFirst) {
      Add(KeyLine(pair), TLintSeverity::Warning, "duplicate-key",
          "キー「" + shown + "」は " + std::to_string(KeyLine(first->second)) +
              " 行目にもあるので、この組は読まれません");
      continue;
    }
    if (std::find(known.begin(), known.end(), key) != known.end()) continue;
    Add(KeyLine(pair), TLintSeverity::Warning, "unknown-key",
        "キー「" + shown + "」は読まれません。「" + std::string(ClosestKnownKey(key)) +
            "」の書き間違いではありませんか (キーの前後の空白もキーの一部です)");
  }
}

}  // namespace kelmo
