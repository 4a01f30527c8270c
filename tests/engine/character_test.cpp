// Loading a character: a folder as made on Windows, the refusals and their messages, the file
// lists of the eight dictionaries, and the state file across destruction and loading again.
#include "engine/character.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "charfile/code_page.h"
#include "charfile/crypt.h"
#include "charfile/date_time.h"
#include "charfile/kelmo_error.h"
#include "charfile/text_file.h"
#include "dictionary/kelmo_data_0.h"
#include "dictionary/kelmo_data_a.h"
#include "dictionary/kelmo_data_b.h"
#include "dictionary/kelmo_data_c.h"
#include "test_character.h"

namespace kelmo {
namespace {

using testing::CrLf;
using testing::Scrambled;
using testing::Sjis;
using testing::TDefinition;
using testing::TTestCharacterFolder;

// The plain lines of a state file: memo, counter and flag lines for slots 50 to 99.
std::vector<std::string> StateLines(const std::vector<std::string>& memos,
                                    const std::vector<std::string>& counters,
                                    const std::vector<std::string>& flags) {
  std::vector<std::string> lines;
  for (int i = 0; i < 50; ++i) lines.push_back(i < int(memos.size()) ? memos[i] : "");
  for (int i = 0; i < 50; ++i) lines.push_back(i < int(counters.size()) ? counters[i] : "0");
  for (int i = 0; i < 50; ++i) lines.push_back(i < int(flags.size()) ? flags[i] : "False");
  return lines;
}

// The plain lines of the state file at relativePath, and the key its header carries.
std::vector<std::string> ReadState(const TTestCharacterFolder& folder,
                                   std::string_view relativePath, std::string* key = nullptr) {
  std::vector<std::string> lines = SplitLines(folder.Read(relativePath));
  EXPECT_TRUE(IsScrambled(lines));
  if (key != nullptr) *key = ReadFileKey(lines);
  UnscrambleIfNeeded(lines);
  return lines;
}

// A character named name with one kind C reply; the definition's path.
std::string WriteSimpleCharacter(const TTestCharacterFolder& folder, const std::string& name) {
  folder.Write("c.txt", CrLf({"hello"}));
  return folder.WriteDefinition({{"name", name}, {"version", "210"}, {"datac2", "c.txt"}});
}

TEST(CharacterLoading, FolderMadeOnWindowsLoads) {
  TTestCharacterFolder folder;
  const std::string name = Sjis(u"キット");
  folder.WriteDefinition({{"Name", name},
                          {"VERSION", "250"},
                          {"folder", "data"},
                          {"data01", "zero.txt"},
                          {"datab2", "bee.txt,missing.txt"},
                          {"datac2", "\"small talk.txt\""}},
                         "kit.klc");
  // The condition only holds when the character's own evaluator drops the unclosed group.
  folder.Write("data/zero.txt", Scrambled({"TRUE{unclosed," + Sjis(u"こんにちは")}, "tool key"));
  folder.Write("data/bee.txt",
               Scrambled({"hello," + Sjis(u"やあ"), "{ENDOFDATA},x", "late,x"}, "k"));
  folder.Write("data/small talk.txt", CrLf({"c2 reply"}));
  folder.Write(
      "data/kit.kls",
      Scrambled(StateLines({Sjis(u"覚えた")}, {"0", "2.5"}, {"False", "False", "True"}), name));

  const TDateTime before = NowLocal();
  auto character = folder.Load(folder.Path() + "kit.klc");
  EXPECT_EQ(character->Name, name);
  EXPECT_EQ(character->Folder, folder.Path() + "data/");
  EXPECT_EQ(character->DefinitionPath, folder.Path() + "kit.klc");
  EXPECT_GE(character->LoadTime, before);
  EXPECT_LE(character->LoadTime, NowLocal());
  EXPECT_EQ(character->Memo[50], Sjis(u"覚えた"));
  EXPECT_EQ(character->Counter[51], 2.5);
  EXPECT_TRUE(character->Flag[52]);
  EXPECT_FALSE(character->Flag[51]);
  EXPECT_EQ(character->DataB2->AvailableCount, 1);
  EXPECT_EQ(character->SelectReply(u"x", 1), u"こんにちは");
  EXPECT_EQ(character->SelectReply(u"Hello", 32), u"やあ");
  EXPECT_EQ(character->SelectReply(u"", 128), u"c2 reply");
}

TEST(CharacterLoading, DictionariesHaveTheirOnceOnlyFlags) {
  TTestCharacterFolder folder;
  auto character = folder.Load(WriteSimpleCharacter(folder, "kit"));
  EXPECT_TRUE(character->Data01->OnceOnly);
  EXPECT_FALSE(character->Data02->OnceOnly);
  EXPECT_TRUE(character->DataA1->OnceOnly);
  EXPECT_FALSE(character->DataA2->OnceOnly);
  EXPECT_TRUE(character->DataB1->OnceOnly);
  EXPECT_FALSE(character->DataB2->OnceOnly);
  EXPECT_TRUE(character->DataC1->OnceOnly);
  EXPECT_FALSE(character->DataC2->OnceOnly);
}

TEST(CharacterLoading, FileListsAreCommaText) {
  TTestCharacterFolder folder;
  folder.Write("a.txt", CrLf({"a"}));
  folder.Write("b.txt", CrLf({"b1", "b2"}));
  folder.Write("my file.txt", CrLf({"m1", "m2", "m3"}));
  folder.Write("my", CrLf({"wrong"}));
  auto character = folder.Load(folder.WriteDefinition({{"name", "kit"},
                                                       {"version", "210"},
                                                       {"datac1", "a.txt b.txt,missing.txt"},
                                                       {"datac2", "\"my file.txt\""}}));
  EXPECT_EQ(character->DataC1->AvailableCount, 3);
  EXPECT_EQ(character->DataC2->AvailableCount, 3);
}

struct RefusalCase {
  const char* name;
  TDefinition definition;  // empty: no definition file at all
  const char* message;
};

void PrintTo(const RefusalCase& test, std::ostream* out) {
  *out << test.name;
}

class CharacterRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CharacterRefusals, RaiseTheirMessageAndWriteNothing) {
  TTestCharacterFolder folder;
  folder.Write("c.txt", CrLf({"hello"}));
  folder.Write("prior.txt", CrLf({"{PRIOR}", "{prior}", Sjis(u"｛ＰＲＩＯＲ｝")}));
  const std::string path = GetParam().definition.empty()
                               ? folder.Path() + "kit.klc"
                               : folder.WriteDefinition(GetParam().definition);
  try {
    folder.Load(path);
    FAIL() << "the character loaded";
  } catch (const EKelmoInvalidCharacter& error) {
    EXPECT_STREQ(error.what(), GetParam().message);
  }
  EXPECT_FALSE(folder.Exists("kit.kls"));
}

constexpr const char* kNotSupported = "character is not supported in this version";

INSTANTIATE_TEST_SUITE_P(
    Messages, CharacterRefusals,
    ::testing::Values(
        RefusalCase{"NoDefinitionFile", {}, "characterfile is not found"},
        RefusalCase{"NeitherNameNorFolder",
                    {{"version", "210"}, {"datac2", "c.txt"}},
                    "characterfile is invalid"},
        RefusalCase{"VersionMissing", {{"name", "kit"}, {"datac2", "c.txt"}}, kNotSupported},
        RefusalCase{"VersionNotANumber",
                    {{"name", "kit"}, {"version", "abc"}, {"datac2", "c.txt"}},
                    kNotSupported},
        RefusalCase{"VersionWithTrailingText",
                    {{"name", "kit"}, {"version", "210a"}, {"datac2", "c.txt"}},
                    kNotSupported},
        RefusalCase{"VersionTooOld",
                    {{"name", "kit"}, {"version", "209"}, {"datac2", "c.txt"}},
                    kNotSupported},
        RefusalCase{"VersionBeyondIntegerRange",
                    {{"name", "kit"}, {"version", "99999999999"}, {"datac2", "c.txt"}},
                    kNotSupported},
        RefusalCase{"AllListedFilesMissing",
                    {{"name", "kit"}, {"version", "210"}, {"data01", "none.txt"}},
                    "character contains no data"},
        RefusalCase{"OnlySeparators",
                    {{"name", "kit"}, {"version", "210"}, {"datac1", "prior.txt"}},
                    "character contains no data"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

TEST(CharacterLoading, VersionFromTwoHundredTenIsAccepted) {
  for (const char* version : {"210", "+210", "0210", "300"}) {
    TTestCharacterFolder folder;
    folder.Write("c.txt", CrLf({"hello"}));
    EXPECT_NO_THROW(folder.Load(
        folder.WriteDefinition({{"name", "kit"}, {"version", version}, {"datac2", "c.txt"}})))
        << version;
  }
}

TEST(CharacterLoading, UnreadableDictionaryFailsTheLoadWithNothingWritten) {
  TTestCharacterFolder folder;
  folder.Write("c.txt", CrLf({"hello"}));
  // A regular file whose reading fails whatever the user's rights: this process's memory image
  // has nothing mapped at offset 0.
  const std::string unreadable = "../../../../../../../../../../proc/self/mem";
  const std::string path = folder.WriteDefinition(
      {{"name", "kit"}, {"version", "210"}, {"datac2", "c.txt"}, {"data01", unreadable}});
  // With the whole file system as program folder, the file lies inside the character's root.
  EXPECT_THROW(folder.Load(path, "/"), EFileError);
  EXPECT_FALSE(folder.Exists("kit.kls"));
}

// Dictionaries load side by side, but the failure raised is the one a load in file order meets
// first, whichever finishes first.
TEST(CharacterLoading, TheFirstFailingDictionaryInOrderIsTheOneReported) {
  TTestCharacterFolder folder;
  folder.Write("c.txt", CrLf({"hello"}));
  const std::string memory = "../../../../../../../../../../proc/self/mem";
  const std::string sameMemory = "../../../../../../../../../../proc/self/../self/mem";
  const std::vector<std::pair<std::string, std::string>> orders = {
      {"dataa2", "datab1"}, {"data02", "datac1"}, {"data01", "data02"}};
  for (const auto& [first, later] : orders) {
    const std::string path = folder.WriteDefinition({{"name", "kit"},
                                                     {"version", "210"},
                                                     {"datac2", "c.txt"},
                                                     {later, sameMemory},
                                                     {first, memory}});
    try {
      folder.Load(path, "/");
      ADD_FAILURE() << first << " and " << later << " loaded";
    } catch (const EFileError& error) {
      const std::string message = error.what();
      EXPECT_NE(message.find(memory), std::string::npos) << first << ": " << message;
      EXPECT_EQ(message.find(sameMemory), std::string::npos) << first << ": " << message;
    }
  }
}

TEST(CharacterState, FirstLoadingWritesTheInitialFile) {
  TTestCharacterFolder folder;
  auto character = folder.Load(WriteSimpleCharacter(folder, "kit"));
  // Written before the name was read: scrambled with the empty key, so the body is plain.
  const std::vector<std::string> lines = SplitLines(folder.Read("kit.kls"));
  std::vector<std::string> expected = StateLines({}, {}, {});
  expected.insert(expected.begin(), "encrypted");
  EXPECT_EQ(lines, expected);
}

TEST(CharacterState, SurvivesDestructionAndLoadingAgain) {
  TTestCharacterFolder folder;
  const std::string name = Sjis(u"キット");
  const std::string path = WriteSimpleCharacter(folder, name);
  {
    auto character = folder.Load(path);
    character->Memo[50] = Sjis(u"覚えて");
    character->Memo[99] = "last";
    character->Memo[49] = "gone";
    character->Counter[50] = 1.5;
    character->Counter[99] = -1e20;
    character->Counter[49] = 3;
    character->Flag[50] = true;
    character->Flag[99] = true;
    character->Flag[49] = true;
  }
  std::string key;
  const std::vector<std::string> stored = ReadState(folder, "kit.kls", &key);
  EXPECT_EQ(key, name);
  ASSERT_EQ(stored.size(), 150u);
  EXPECT_EQ(stored[50], "1.5");
  EXPECT_EQ(stored[99], "-1E20");
  EXPECT_EQ(stored[100], "True");

  auto character = folder.Load(path);
  EXPECT_EQ(character->Memo[50], Sjis(u"覚えて"));
  EXPECT_EQ(character->Memo[99], "last");
  EXPECT_EQ(character->Memo[49], "");
  EXPECT_EQ(character->Counter[50], 1.5);
  EXPECT_EQ(character->Counter[99], -1e20);
  EXPECT_EQ(character->Counter[49], 0);
  EXPECT_TRUE(character->Flag[50]);
  EXPECT_TRUE(character->Flag[99]);
  EXPECT_FALSE(character->Flag[49]);
  EXPECT_FALSE(character->Flag[51]);
}

TEST(CharacterState, NonNumberCounterLineGivesZeroInThatSlotOnly) {
  TTestCharacterFolder folder;
  const std::string path = WriteSimpleCharacter(folder, "kit");
  std::vector<std::string> counters(50, "7");
  counters[9] = "abc";  // line 60 of the file: counter slot 59
  folder.Write("kit.kls", Scrambled(StateLines({"m50"}, counters, {"True"}), "kit"));
  auto character = folder.Load(path);
  EXPECT_EQ(character->Counter[59], 0);
  EXPECT_EQ(character->Counter[58], 7);
  EXPECT_EQ(character->Counter[60], 7);
  EXPECT_EQ(character->Memo[50], "m50");
  EXPECT_TRUE(character->Flag[50]);
}

TEST(CharacterState, FileWithFewerThanHundredFiftyLinesLeavesAllSlotsCleared) {
  TTestCharacterFolder folder;
  const std::string path = WriteSimpleCharacter(folder, "kit");
  std::vector<std::string> lines = StateLines({"m50"}, {"4"}, {"True"});
  lines.pop_back();
  folder.Write("kit.kls", Scrambled(lines, "kit"));
  auto character = folder.Load(path);
  EXPECT_EQ(character->Memo[50], "");
  EXPECT_EQ(character->Counter[50], 0);
  EXPECT_FALSE(character->Flag[50]);
}

TEST(CharacterState, PlainFileIsReadAsItIs) {
  TTestCharacterFolder folder;
  const std::string path = WriteSimpleCharacter(folder, "kit");
  folder.Write("kit.kls", CrLf(StateLines({"plain"}, {"12"}, {"1"})));
  auto character = folder.Load(path);
  EXPECT_EQ(character->Memo[50], "plain");
  EXPECT_EQ(character->Counter[50], 12);
  EXPECT_TRUE(character->Flag[50]);
}

TEST(CharacterState, ControlBytesInMemoDoNotShiftLaterSlots) {
  TTestCharacterFolder folder;
  const std::string path = WriteSimpleCharacter(folder, "kit");
  {
    auto character = folder.Load(path);
    character->Memo[50] = "a\r\nb";
    character->Memo[51] = std::string("c\0d", 3);
    character->Memo[52] = "tab\there" + Sjis(u"表");  // 0x5C as a trail byte stays
    character->Memo[53] = "next";
    character->Counter[50] = 5;
  }
  EXPECT_EQ(ReadState(folder, "kit.kls").size(), 150u);
  auto character = folder.Load(path);
  EXPECT_EQ(character->Memo[50], "a  b");
  EXPECT_EQ(character->Memo[51], "c d");
  EXPECT_EQ(character->Memo[52], "tab here" + Sjis(u"表"));
  EXPECT_EQ(character->Memo[53], "next");
  EXPECT_EQ(character->Counter[50], 5);
}

TEST(CharacterState, ControlByteInNameDoesNotBreakTheHeader) {
  TTestCharacterFolder folder;
  // Scrambled with the built-in key, the tab at this place would become a line feed.
  const std::string path = WriteSimpleCharacter(folder, "abcd\tx");
  {
    auto character = folder.Load(path);
    character->Memo[50] = "kept";
    character->Counter[99] = 9;
  }
  EXPECT_EQ(SplitLines(folder.Read("kit.kls")).size(), 151u);
  auto character = folder.Load(path);
  EXPECT_EQ(character->Memo[50], "kept");
  EXPECT_EQ(character->Counter[99], 9);
}

TEST(CharacterState, CharacterWithoutNameSavesNothingAtDestruction) {
  TTestCharacterFolder folder;
  folder.Write("c.txt", CrLf({"hello"}));
  const std::string path =
      folder.WriteDefinition({{"folder", "."}, {"version", "210"}, {"datac2", "c.txt"}});
  {
    auto character = folder.Load(path);
    EXPECT_EQ(character->Name, "");
    character->Memo[50] = "not saved";
  }
  EXPECT_EQ(folder.Load(path)->Memo[50], "");
}

TEST(CharacterState, DestructionSurvivesAStateFileThatCannotBeWritten) {
  TTestCharacterFolder folder;
  auto character = folder.Load(WriteSimpleCharacter(folder, "kit"));
  // A folder in the state file's place cannot be replaced by a file.
  std::filesystem::remove(folder.Path() + "kit.kls");
  folder.Write("kit.kls/inside", "x");
  character->Memo[50] = "lost";
  EXPECT_THROW(character->SaveState(), EFileError);
  EXPECT_NO_THROW(character.reset());
  EXPECT_EQ(folder.Read("kit.kls/inside"), "x");
}

}  // namespace
}  // namespace kelmo
