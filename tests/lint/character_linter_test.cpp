// The linter on whole characters: every fault of the broken character and nothing else, nothing at
// all for the bundled characters, the character's files left as they were, the exit status, and
// the two output formats.
#include "lint/character_linter.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <tuple>

#include "broken_character.h"
#include "pictures/picture_files.h"
#include "support/temp_folder.h"

namespace kelmo::testing {
namespace {

using TWhere = std::tuple<std::string, int, std::string>;  // file, line, check

TLintReport LintBroken(const TempFolder& folder) {
  WriteBrokenCharacter(folder);
  return LintCharacter({folder.Path(), folder.Path() + "broken.klc"});
}

TEST(CharacterLinter, FindsEveryFaultOfTheBrokenCharacterAndNothingElse) {
  const TempFolder folder;
  const TLintReport report = LintBroken(folder);
  std::set<TWhere> found;
  for (const TLintFinding& finding : report.Findings()) {
    found.emplace(ShownPath(finding.Path, folder.Path()), finding.Line, finding.Check);
  }
  std::set<TWhere> expected;
  for (const TExpectedFinding& want : BrokenCharacterFindings()) {
    expected.emplace(want.File, want.Line, want.Check);
  }
  EXPECT_EQ(found, expected);
  for (const TExpectedFinding& want : BrokenCharacterFindings()) {
    bool seen = false;
    for (const TLintFinding& finding : report.Findings()) {
      if (ShownPath(finding.Path, folder.Path()) != want.File || finding.Line != want.Line ||
          finding.Check != want.Check) {
        continue;
      }
      seen = true;
      EXPECT_EQ(finding.Severity, want.Severity) << want.File << ':' << want.Line;
      EXPECT_NE(finding.Message.find(want.MessagePiece), std::string::npos)
          << want.File << ':' << want.Line << ": " << finding.Message;
    }
    EXPECT_TRUE(seen) << want.File << ':' << want.Line << ' ' << want.Check;
  }
  EXPECT_EQ(report.ExitStatus(), 2);
}

TEST(CharacterLinter, LeavesTheCharacterFilesAsTheyWere) {
  const TempFolder folder;
  LintBroken(folder);
  EXPECT_FALSE(folder.Exists("chars/broken/broken.kls"));
}

TEST(CharacterLinter, WritesOneLinePerFindingInFileOrderThenTheSummary) {
  const TempFolder folder;
  WriteBrokenCharacter(folder);
  std::ostringstream out;
  EXPECT_EQ(RunLint({folder.Path(), folder.Path() + "broken.klc"}, false, out), 2);
  std::istringstream lines(out.str());
  std::vector<std::string> written;
  for (std::string line; std::getline(lines, line);) written.push_back(line);
  ASSERT_EQ(written.size(), BrokenCharacterFindings().size() + 1);
  EXPECT_EQ(written.front().rfind("broken.klc:10: error: ", 0), 0u) << written.front();
  EXPECT_EQ(written[7].rfind("chars/broken/kotoba.txt:3: warning: ", 0), 0u) << written[7];
  EXPECT_EQ(written.back(), "broken.klc: エラー 12 件、警告 18 件");
}

TEST(CharacterLinter, JsonLinesCarryTheSameFindings) {
  const TempFolder folder;
  WriteBrokenCharacter(folder);
  std::ostringstream out;
  RunLint({folder.Path(), folder.Path() + "broken.klc"}, true, out);
  std::istringstream lines(out.str());
  std::set<TWhere> found;
  nlohmann::json summary;
  for (std::string line; std::getline(lines, line);) {
    const nlohmann::json record = nlohmann::json::parse(line);
    if (record.contains("summary")) {
      summary = record["summary"];
      continue;
    }
    found.emplace(record["file"], record["line"], record["check"]);
    EXPECT_TRUE(record["severity"] == "error" || record["severity"] == "warning");
  }
  EXPECT_EQ(found.size(), BrokenCharacterFindings().size());
  EXPECT_EQ(summary["file"], "broken.klc");
  EXPECT_EQ(summary["errors"], 12);
  EXPECT_EQ(summary["warnings"], 18);
}

TEST(CharacterLinter, ExitStatusIsOneForWarningsOnly) {
  const TempFolder folder;
  folder.Write("w.klc", "name\r\nw\r\nfolder\r\nw\r\nversion\r\n210\r\ndatac2\r\nc.txt\r\n");
  folder.Write("w/c.txt", "a\r\n\r\nb\r\n");
  const TLintReport report = LintCharacter({folder.Path(), folder.Path() + "w.klc"});
  EXPECT_EQ(report.Errors(), 0);
  EXPECT_EQ(report.Warnings(), 2);  // the empty reply, the missing DefaultBitmap
  EXPECT_EQ(report.ExitStatus(), 1);
}

// A follow-up that takes any line is named once (its file is both kind A lists), with its
// previous-reply pattern and the keywords of kind B it answers before (separators are none); one
// that takes some lines is not.
TEST(CharacterLinter, AFollowUpThatTakesAnyLineIsNamedWithTheKeywordsItHides) {
  const TempFolder folder;
  folder.Write("f.klc",
               "name\r\nf\r\nfolder\r\nf\r\nversion\r\n210\r\nDefaultBitmap\r\nf.bmp\r\n"
               "dataa1\r\na.txt\r\ndataa2\r\na.txt\r\ndatab1\r\nb.txt\r\ndatab2\r\nb.txt,b2.txt\r\n");
  folder.Write("f/a.txt", "heading\r\n{Q:TEA},^(YES|NO)$,fine\r\n{Q:TEA},.*,\"so you say\"\r\n");
  folder.Write("f/b.txt", "CAT,cat\r\n{PRIOR},-\r\nDOG,dog\r\n");
  folder.Write("f/b2.txt", "FISH,fish\r\n");
  folder.Write("f/f.bmp", BmpFile({1, 1, {0xFFFFFF}}, {}));
  const TLintReport report = LintCharacter({folder.Path(), folder.Path() + "f.klc"});
  ASSERT_EQ(report.Findings().size(), 1u) << report.Findings().front().Message;
  const TLintFinding& finding = report.Findings().front();
  EXPECT_EQ(ShownPath(finding.Path, folder.Path()), "f/a.txt");
  EXPECT_EQ(finding.Line, 3);
  EXPECT_EQ(finding.Check, "catch-all");
  EXPECT_EQ(finding.Severity, TLintSeverity::Warning);
  EXPECT_NE(finding.Message.find("「.*」"), std::string::npos) << finding.Message;
  EXPECT_NE(finding.Message.find("「{Q:TEA}」"), std::string::npos) << finding.Message;
  // b.txt is listed twice (datab1, datab2): 2 + 2 + 1.
  EXPECT_NE(finding.Message.find("キーワード 5 件"), std::string::npos) << finding.Message;
}

TEST(CharacterLinter, ACharacterThatCannotLoadIsAnErrorAtItsVersion) {
  const TempFolder folder;
  folder.Write("v.klc", "name\r\nv\r\nversion\r\n209\r\nDefaultBitmap\r\nv.bmp\r\n");
  const TLintReport report = LintCharacter({folder.Path(), folder.Path() + "v.klc"});
  ASSERT_FALSE(report.Findings().empty());
  EXPECT_EQ(report.Findings().front().Line, 4);
  EXPECT_EQ(report.Findings().front().Check, "load");
  EXPECT_EQ(report.ExitStatus(), 2);
}

class BundledCharacterLint : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(Bundled, BundledCharacterLint, ::testing::Values("akari", "mugi"),
                         [](const auto& info) { return std::string(info.param); });

TEST_P(BundledCharacterLint, ReportsNothing) {
  const std::string folder = KELMO_PROGRAM_DIR;
  const TLintReport report = LintCharacter({folder, folder + "/" + GetParam() + ".klc"});
  for (const TLintFinding& finding : report.Findings()) {
    ADD_FAILURE() << finding.Path << ':' << finding.Line << ": " << finding.Message;
  }
  EXPECT_EQ(report.ExitStatus(), 0);
}

}  // namespace
}  // namespace kelmo::testing
