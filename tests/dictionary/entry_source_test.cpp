// Where each listed entry was written: the file and line SourceOf names, for files with headings
// and blank lines between entries, scrambled and UTF-8 files, several files, a file listed twice
// and an end marker; and the entry a lookup reports choosing.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>

#include "dictionary/kelmo_data_b.h"
#include "dictionary/kelmo_data_c.h"
#include "dictionary_test_support.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

using testing::CrLf;
using testing::Scrambled;

struct SourceCase {
  const char* name;
  bool kindC;                          // kind C, else kind B
  std::vector<std::string> files;      // contents of f0.txt, f1.txt, ...
  std::vector<int> loads;              // the files loaded, in order, by number
  std::vector<std::pair<int, int>> sources;  // per listed entry: file number and line
};
void PrintTo(const SourceCase& test, std::ostream* out) {
  *out << test.name;
}

class EntrySources : public ::testing::TestWithParam<SourceCase> {};

TEST_P(EntrySources, NameTheFileAndLineOfEveryListedEntry) {
  const SourceCase& test = GetParam();
  testing::TempFolder folder;
  std::vector<std::string> paths;
  for (size_t i = 0; i < test.files.size(); ++i) {
    paths.push_back(folder.Write("f" + std::to_string(i) + ".txt", test.files[i]));
  }
  std::unique_ptr<TKelmoData> dictionary;
  if (test.kindC) {
    dictionary = std::make_unique<TKelmoDataC>(false, nullptr);
  } else {
    dictionary = std::make_unique<TKelmoDataB>(false, nullptr);
  }
  for (const int file : test.loads) dictionary->LoadResolvedFile(paths[file]);

  ASSERT_EQ(dictionary->EntryCount(), static_cast<int>(test.sources.size()));
  for (size_t i = 0; i < test.sources.size(); ++i) {
    const auto [file, line] = test.sources[i];
    EXPECT_EQ(dictionary->SourceOf(static_cast<int>(i)), (TEntrySource{paths[file], line}))
        << "entry " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, EntrySources,
    ::testing::Values(
        SourceCase{"ConsecutiveLines", false, {CrLf({"A,1", "A,2", "A,3"})}, {0},
                   {{0, 1}, {0, 2}, {0, 3}}},
        SourceCase{"HeadingsBlankLinesAndShortLinesAreSkipped",
                   false,
                   {CrLf({"heading", "A,1", "", "", "A,2", "A,3", "lonely", "A,4"})},
                   {0},
                   {{0, 2}, {0, 5}, {0, 6}, {0, 8}}},
        SourceCase{"SeparatorsAreEntries", false, {CrLf({"A,1", "{PRIOR},-", "", "A,2"})}, {0},
                   {{0, 1}, {0, 2}, {0, 4}}},
        SourceCase{"ScrambledFileCountsItsHeader", false,
                   {Scrambled({"A,1", "", "A,2"}, "dict")}, {0},
                   {{0, 2}, {0, 4}}},
        SourceCase{"Utf8FileWithByteOrderMark", false,
                   {"\xEF\xBB\xBF" + CrLf({"", "A,\xE3\x81\x82", "A,2"})}, {0},
                   {{0, 2}, {0, 3}}},
        SourceCase{"LineEndsOfAnyKind", false, {"A,1\rA,2\n\nA,3\r\n"}, {0},
                   {{0, 1}, {0, 2}, {0, 4}}},
        SourceCase{"EndMarkerStopsTheFile", false, {CrLf({"A,1", "{ENDOFDATA},-", "A,2"}),
                   CrLf({"", "A,3"})}, {0, 1}, {{0, 1}, {1, 2}}},
        SourceCase{"SecondFileStartsItsLinesAgain", false,
                   {CrLf({"", "A,1", "A,2"}), CrLf({"A,3", "", "A,4"})}, {0, 1},
                   {{0, 2}, {0, 3}, {1, 1}, {1, 3}}},
        // f1 carries on f0's numbering by chance: entries 3 and 4 of the list, lines 3 and 4 of
        // f0 would follow; f1's own lines must still be named.
        SourceCase{"SecondFileWhoseLinesLookLikeACarryingOn", false,
                   {CrLf({"A,1", "A,2"}), CrLf({"", "", "A,3", "A,4"})}, {0, 1},
                   {{0, 1}, {0, 2}, {1, 3}, {1, 4}}},
        SourceCase{"FileWithoutEntriesInBetween", false,
                   {CrLf({"A,1"}), CrLf({"heading"}), CrLf({"A,2"})}, {0, 1, 2},
                   {{0, 1}, {2, 1}}},
        SourceCase{"FileListedTwiceHasOneSource", false,
                   {CrLf({"", "A,1", "A,2"}), CrLf({"A,3"})}, {0, 1, 0},
                   {{0, 2}, {0, 3}, {1, 1}, {0, 2}, {0, 3}}},
        SourceCase{"KindCEveryLineIsAnEntry", true, {CrLf({"one", "", "{PRIOR}", "two"})}, {0},
                   {{0, 1}, {0, 2}, {0, 3}, {0, 4}}}),
    [](const ::testing::TestParamInfo<SourceCase>& info) { return info.param.name; });

TEST(EntrySources, LookupTellsTheListedEntryItChose) {
  testing::TempFolder folder;
  TKelmoDataB dictionary(true, nullptr);
  const std::string path = folder.Write("b.txt", CrLf({"A,first", "B,second"}));
  dictionary.LoadResolvedFile(path);
  dictionary.LoadResolvedFile(path);  // listed again: entries 2 and 3
  // Both listings of "B" are candidates; each lookup uses one up and names it.
  int first = -1;
  int second = -1;
  EXPECT_EQ(dictionary.Lookup("B", &first), "second");
  EXPECT_EQ(dictionary.Lookup("B", &second), "second");
  EXPECT_EQ(std::set<int>({first, second}), std::set<int>({1, 3}));
  EXPECT_EQ(dictionary.SourceOf(second), (TEntrySource{path, 2}));
  int chosen = 7;
  EXPECT_EQ(dictionary.Lookup("B", &chosen), "");
  EXPECT_EQ(chosen, -1);
  EXPECT_EQ(dictionary.Lookup("Z", &chosen), "");
  EXPECT_EQ(chosen, -1);
}

}  // namespace
}  // namespace kelmo
