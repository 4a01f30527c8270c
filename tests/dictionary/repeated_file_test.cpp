// A file named several times is read once and its entries listed again. The dictionary must
// answer exactly as one that read a copy of the file for each naming: the same candidates, groups
// that run across the namings, used marks of its own per naming, and for kind 0 the same
// conditions evaluated in the same order. Each case compares the two, lookup by lookup, with the
// same random draws, for every kind.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "charfile/random_source.h"
#include "dictionary/kelmo_data_0.h"
#include "dictionary/kelmo_data_a.h"
#include "dictionary/kelmo_data_b.h"
#include "dictionary/kelmo_data_c.h"
#include "dictionary_test_support.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::Candidates;
using testing::CrLf;

enum class Kind { Zero, A, B, C };

// Lookups compared per case; OnceOnly dictionaries run dry before.
constexpr int kLookups = 24;

// One line of a file: a key that passes or not, and the reply.
struct TLine {
  bool Separator;
  bool Passes;
  const char* Reply;
};

// The line as the kind writes it: kind 0 conditions "TRUE" or "FALSE", kind B keywords that the
// input "HIT" holds or not, kind A the same after a previous-reply pattern that the context holds.
std::string LineOf(Kind kind, const TLine& line) {
  const std::string key = line.Passes ? "HIT" : "MISS";
  switch (kind) {
    case Kind::Zero:
      return line.Separator ? "{PRIOR},x"
                            : (line.Passes ? "TRUE," : "FALSE,") + std::string(line.Reply);
    case Kind::A:
      return line.Separator ? "{PRIOR},x,x" : "CONTEXT," + key + "," + line.Reply;
    case Kind::B:
      return line.Separator ? "{PRIOR},x" : key + "," + line.Reply;
    case Kind::C:
      return line.Separator ? "{PRIOR}" : line.Reply;
  }
  return {};
}

// Two files: "a" begins with a separator, so that a naming of it ends the group an earlier naming
// began; "b" has none, so that its group runs on into the next naming.
const std::vector<TLine> kFileA = {{true, false, "x"},  {false, true, "a1"}, {false, false, "a2"},
                                   {false, true, "a3"}, {true, false, "x"},  {false, true, "a4"}};
const std::vector<TLine> kFileB = {{false, true, "b1"}, {false, false, "b2"}, {false, true, "b3"}};

std::unique_ptr<TKelmoData> MakeDictionary(Kind kind, bool onceOnly,
                                           std::vector<std::u16string>& evaluated) {
  switch (kind) {
    case Kind::Zero:
      return std::make_unique<TKelmoData0>(onceOnly, [&evaluated](std::u16string_view text) {
        evaluated.emplace_back(text);
        return std::u16string(text);
      });
    case Kind::A: {
      auto dictionary = std::make_unique<TKelmoDataA>(onceOnly, nullptr);
      dictionary->SetContext(u"CONTEXT");
      return dictionary;
    }
    case Kind::B:
      return std::make_unique<TKelmoDataB>(onceOnly, nullptr);
    case Kind::C:
      return std::make_unique<TKelmoDataC>(onceOnly, nullptr);
  }
  return nullptr;
}

struct RepeatCase {
  const char* name;
  Kind kind;
  bool onceOnly;
  const char* namings;  // one letter per naming: "a" or "b"
};
void PrintTo(const RepeatCase& test, std::ostream* out) {
  *out << test.name;
}

class RepeatedFile : public ::testing::TestWithParam<RepeatCase> {};

TEST_P(RepeatedFile, AnswersAsACopyPerNamingWould) {
  const RepeatCase& test = GetParam();
  testing::TempFolder folder;
  auto write = [&](char file, const std::string& name) {
    std::vector<std::string> lines;
    for (const TLine& line : file == 'a' ? kFileA : kFileB)
      lines.push_back(LineOf(test.kind, line));
    return folder.Write(name, CrLf(lines));
  };
  std::vector<std::u16string> sharedEvaluated, copiedEvaluated;
  auto shared = MakeDictionary(test.kind, test.onceOnly, sharedEvaluated);
  auto copied = MakeDictionary(test.kind, test.onceOnly, copiedEvaluated);
  const std::string paths[] = {write('a', "a.txt"), write('b', "b.txt")};
  int copies = 0;
  for (const char* naming = test.namings; *naming != '\0'; ++naming) {
    shared->LoadFile(paths[*naming - 'a']);
    copied->LoadFile(write(*naming, "copy" + std::to_string(++copies) + ".txt"));
  }

  ASSERT_EQ(shared->EntryCount(), copied->EntryCount());
  for (int lookup = 0; lookup < kLookups; ++lookup) {
    ASSERT_EQ(shared->AvailableCount, copied->AvailableCount) << "lookup " << lookup;
    ASSERT_EQ(Candidates(*shared, "HIT"), Candidates(*copied, "HIT")) << "lookup " << lookup;
    UseFixedRandomSeed(lookup);
    const std::string reply = shared->Lookup("HIT");
    UseFixedRandomSeed(lookup);
    ASSERT_EQ(reply, copied->Lookup("HIT")) << "lookup " << lookup;
  }
  EXPECT_EQ(sharedEvaluated, copiedEvaluated);
  // A OnceOnly dictionary has given every passing entry of every naming once.
  if (test.onceOnly) {
    EXPECT_TRUE(Candidates(*shared, "HIT").empty());
  }
}

std::string CaseName(const ::testing::TestParamInfo<RepeatCase>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, RepeatedFile,
                         ::testing::Values(RepeatCase{"Zero_OnceOnly_ABA", Kind::Zero, true, "aba"},
                                           RepeatCase{"Zero_Repeating_BBA", Kind::Zero, false,
                                                      "bba"},
                                           RepeatCase{"A_OnceOnly_AAA", Kind::A, true, "aaa"},
                                           RepeatCase{"A_Repeating_BABA", Kind::A, false, "baba"},
                                           RepeatCase{"B_OnceOnly_BBAB", Kind::B, true, "bbab"},
                                           RepeatCase{"B_OnceOnly_ABA", Kind::B, true, "aba"},
                                           RepeatCase{"B_Repeating_AAB", Kind::B, false, "aab"},
                                           RepeatCase{"C_OnceOnly_ABBA", Kind::C, true, "abba"},
                                           RepeatCase{"C_Repeating_BAB", Kind::C, false, "bab"}),
                         CaseName);

}  // namespace
}  // namespace kelmo
