// Helpers shared by the dictionary tests: file texts as a Windows tool writes them (Shift-JIS,
// CR LF, optionally scrambled), and views of a dictionary's groups through its public operations.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "charfile/answer_list.h"
#include "charfile/code_page.h"
#include "charfile/crypt.h"
#include "dictionary/kelmo_data.h"

namespace kelmo::testing {

// Shift-JIS bytes of a text written here in UTF-16.
inline std::string Sjis(std::u16string_view text) {
  return Utf16ToShiftJis(text);
}

// The lines, each followed by CR LF.
inline std::string CrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// The lines scrambled with the file key, header first, each followed by CR LF.
inline std::string Scrambled(std::vector<std::string> lines, std::string_view fileKey) {
  TCrypt crypt(TCrypt::Scramble);
  crypt.SetKey(fileKey);
  crypt.TransformList(lines);
  return CrLf(lines);
}

// The candidate indices a lookup of input would choose from.
inline std::vector<int> Candidates(TKelmoData& dictionary, const std::string& input) {
  TAnswerList candidates(dictionary.EntryCount());
  dictionary.CollectCandidates(input, candidates);
  return candidates.Items();
}

// The replies of a OnceOnly dictionary group by group, in the order lookups of input use them
// up; every entry of a group must pass for input. Empties the dictionary on the way.
inline std::vector<std::multiset<std::string>> UseUpGroups(TKelmoData& dictionary,
                                                           const std::string& input) {
  std::vector<std::multiset<std::string>> groups;
  for (;;) {
    const size_t size = Candidates(dictionary, input).size();
    if (size == 0) return groups;
    std::multiset<std::string>& group = groups.emplace_back();
    for (size_t i = 0; i < size; ++i) group.insert(dictionary.Lookup(input));
  }
}

}  // namespace kelmo::testing
