#include "charfile/text_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "charfile/atomic_file.h"
#include "charfile/kelmo_error.h"
#include "charfile/load_listener.h"
#include "support/temp_folder.h"

namespace kelmo {
namespace {

struct LineCase {
  const char* name;
  std::string text;
  std::vector<std::string> lines;
};

class LineRule : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineRule, Splits) { EXPECT_EQ(SplitLines(GetParam().text), GetParam().lines); }

INSTANTIATE_TEST_SUITE_P(
    Lines, LineRule,
    ::testing::Values(LineCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                      LineCase{"LoneCr", "a\rb", {"a", "b"}},
                      LineCase{"LoneLf", "a\nb\n", {"a", "b"}},
                      LineCase{"LfCrIsTwoBreaks", "a\n\rb", {"a", "", "b"}},
                      LineCase{"EmptyLinesInside", "a\r\n\r\nb", {"a", "", "b"}},
                      LineCase{"NoFinalBreak", "a\r\nb", {"a", "b"}},
                      LineCase{"NulEndsText", std::string("a\nb\0c\nd", 7), {"a", "b"}},
                      LineCase{"Empty", "", {}},
                      LineCase{"OnlyBreak", "\r\n", {""}},
                      LineCase{"TrailByte5C", "\x95\x5c\r\n\x83\x5c", {"\x95\x5c", "\x83\x5c"}}),
    [](const auto& info) { return info.param.name; });

// Records the lines whose characters a UTF-8 file could not keep.
class TReplacedLines : public TLoadListener {
 public:
  void CharactersReplaced(int lineNumber, const std::string& characters) override {
    Replaced.push_back(std::to_string(lineNumber) + ":" + characters);
  }
  std::vector<std::string> Replaced;
};

struct DataLineCase {
  const char* name;
  std::string content;
  std::vector<std::string> lines;     // Shift-JIS
  std::vector<std::string> replaced;  // "line:characters", UTF-8
};

class DataLines : public ::testing::TestWithParam<DataLineCase> {};

TEST_P(DataLines, AreShiftJisOrConvertedFromUtf8) {
  TReplacedLines listener;
  EXPECT_EQ(SplitDataLines(GetParam().content, &listener), GetParam().lines);
  EXPECT_EQ(listener.Replaced, GetParam().replaced);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, DataLines,
    ::testing::Values(
        DataLineCase{"ShiftJisStaysAsItIs", "\x82\xa0,a\r\n?", {"\x82\xa0,a", "?"}, {}},
        DataLineCase{"Utf8IsConverted", "\xEF\xBB\xBF\xE3\x81\x82,a\r\nb", {"\x82\xa0,a", "b"}, {}},
        DataLineCase{"MarkAloneIsNoLine", "\xEF\xBB\xBF", {}, {}},
        DataLineCase{"CharacterOutsideCodePage932",
                     "\xEF\xBB\xBF" "a?\n" "\xF0\x9F\x8D\xA3?\xE2\x98\x83",
                     {"a?", "\x81\xAC?\x81\xAC"},
                     {"2:\xF0\x9F\x8D\xA3\xE2\x98\x83"}},
        DataLineCase{
            "InvalidUtf8Byte", "\xEF\xBB\xBF" "x\xFFy", {"x\x81\xACy"}, {"1:\xEF\xBF\xBD"}},
        // The geta mark written in the file is a character like any other, not a replaced one.
        DataLineCase{"GetaMarkWritten", "\xEF\xBB\xBF" "\xE3\x80\x93", {"\x81\xAC"}, {}},
        DataLineCase{"MarkLaterIsText", "a\xEF\xBB\xBF", {"a\xEF\xBB\xBF"}, {}}),
    [](const auto& info) { return info.param.name; });

TEST(TextFile, SaveWritesCrLfAndLoadReadsBack) {
  testing::TempFolder folder;
  SaveLines(folder.Path() + "x.txt", {"a", "", "b"});
  EXPECT_EQ(folder.Read("x.txt"), "a\r\n\r\nb\r\n");
  EXPECT_EQ(LoadLines(folder.Path() + "X.TXT"), (std::vector<std::string>{"a", "", "b"}));
}

TEST(TextFile, HugeLineIsReadWhole) {
  testing::TempFolder folder;
  const std::string line(10 * 1024 * 1024, 'x');
  folder.Write("big.txt", line + "\r\nend");
  const std::vector<std::string> lines = LoadLines(folder.Path() + "big.txt");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), line.size());
  EXPECT_EQ(lines[1], "end");
}

TEST(TextFile, MissingOrUnreadableFileRaisesFileError) {
  testing::TempFolder folder;
  EXPECT_THROW(ReadFileBytes(folder.Path() + "missing.txt"), EFileError);
  EXPECT_THROW(ReadFileBytes(folder.Path()), EFileError);  // a directory
}

TEST(AtomicFile, ReplacesContentAndLeavesNoTemporaryFiles) {
  testing::TempFolder folder;
  const std::string path = folder.Write("state.kls", "old");
  ::chmod(path.c_str(), 0600);
  WriteFileAtomically(path, "new");
  EXPECT_EQ(folder.Read("state.kls"), "new");
  struct stat info;
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);  // permissions of the replaced file are kept
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(AtomicFile, FailedRenameRaisesAndLeavesNoTemporaryFile) {
  testing::TempFolder folder;
  folder.Write("target/inside", "x");  // a non-empty folder cannot be replaced by a file
  EXPECT_THROW(WriteFileAtomically(folder.Path() + "target", "new"), EFileError);
  EXPECT_EQ(folder.Read("target/inside"), "x");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(AtomicFile, MissingFolderRaises) {
  testing::TempFolder folder;
  EXPECT_THROW(WriteFileAtomically(folder.Path() + "no/such/file", "x"), EFileError);
}

}  // namespace
}  // namespace kelmo
