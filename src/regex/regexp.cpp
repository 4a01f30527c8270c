// The facade: settings, compilation on demand and Match.
#include "regex/regexp.h"

#include "regex/case_folding.h"
#include "regex/parse_tree.h"
#include "regex/scanner.h"
#include "regex/search.h"

namespace kelmo {

TbmRExp::TbmRExp() : charCode_(bmccDefaultCharCode) {}

void TbmRExp::SetCharCode(uint8_t charCode) {
  if (charCode == charCode_) return;
  charCode_ = charCode;
  compiled_ = false;
}

void TbmRExp::SetPattern(const std::string& pattern) {
  if (pattern == pattern_) return;
  pattern_ = pattern;
  compiled_ = false;
}

void TbmRExp::SetOption(int option, bool value) {
  bool* setting = nullptr;
  if (option == bmreMetaChars) setting = &metaChars_;
  if (option == bmreIgnoreCase) setting = &ignoreCase_;
  if (setting == nullptr || *setting == value) return;
  *setting = value;
  compiled_ = false;
}

TbmREDFATable TbmRExp::Build() const {
  TbmREScanner scanner;
  scanner.SetCharCode(charCode_);
  scanner.SetText(pattern_);
  scanner.RegExpMode = metaChars_;
  TbmRETokens scanned;
  scanned.Tokenize(scanner);
  TbmRETokens folded;
  if (ignoreCase_) TbmREAsciiIgnoreCaseDic().Translate(scanned, folded);
  TbmRETokens& tokens = ignoreCase_ ? folded : scanned;
  tokens.Standardize();
  TbmRETree tree;
  tree.Build(tokens);
  TbmREDFATable table;
  table.Build(tree);
  return table;
}

const TbmREDFATable& TbmRExp::Compile() {
  if (!compiled_) {
    table_ = Build();
    compiled_ = true;
  }
  return table_;
}

int TbmRExp::Match(const std::string& text, int start, int& position, int& length) {
  const TbmREDFATable& table = Compile();
  const TbmREMatch match = SearchDFA(table, text, start - 1, charCode_);
  position = match.Offset + 1;
  length = match.Length;
  return position;
}

bool TbmRExp::Found(const std::string& text) {
  return ContainsMatch(Compile(), text, charCode_);
}

}  // namespace kelmo
