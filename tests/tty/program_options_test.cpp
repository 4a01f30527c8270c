// The command line: which options are accepted, what they set, which mistakes are refused, where
// the program folder is and which front end runs.
#include "tty/program_options.h"

#include <gtest/gtest.h>

namespace kelmo {
namespace {

struct TAcceptedCase {
  std::vector<std::string> Arguments;
  bool Tty;
  bool Batch;
  std::optional<uint32_t> Seed;
  std::string Home;
  std::string Character;
};

class AcceptedCommandLineTest : public ::testing::TestWithParam<TAcceptedCase> {};

TEST_P(AcceptedCommandLineTest, SetsTheOptions) {
  const TAcceptedCase& expected = GetParam();
  std::string error;
  const std::optional<TProgramOptions> options = ParseProgramOptions(expected.Arguments, error);
  ASSERT_TRUE(options.has_value()) << error;
  EXPECT_EQ(options->Tty, expected.Tty);
  EXPECT_EQ(options->Batch, expected.Batch);
  EXPECT_EQ(options->Seed, expected.Seed);
  EXPECT_EQ(options->Home, expected.Home);
  EXPECT_EQ(options->Character, expected.Character);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, AcceptedCommandLineTest,
    ::testing::Values(
        TAcceptedCase{{}, false, false, std::nullopt, "", ""},
        TAcceptedCase{{"a.klc"}, false, false, std::nullopt, "", "a.klc"},
        TAcceptedCase{{"--tty", "--home", "/h", "a.klc"}, true, false, std::nullopt, "/h", "a.klc"},
        TAcceptedCase{
            {"--batch", "--seed", "42", "--home=/h", "a.klc"}, false, true, 42u, "/h", "a.klc"},
        TAcceptedCase{{"--seed=4294967295", "a.klc"}, false, false, 4294967295u, "", "a.klc"},
        TAcceptedCase{{"--", "--odd-name.klc"}, false, false, std::nullopt, "", "--odd-name.klc"}));

TEST(ProgramOptionsTest, MistakesAreRefusedWithAMessage) {
  const std::vector<std::vector<std::string>> mistakes = {
      {"--seed"},
      {"--seed", "-1"},
      {"--seed", "4294967296"},
      {"--seed", "12x"},
      {"--home"},
      {"--home="},
      {"--colour"},
      {"a.klc", "b.klc"},
      {"--batch"},
      {"--batch", "--tty", "a.klc"},
      {"--say"},
      {"--say", "hi", "a.klc"},
      {"--tty", "--say", "hi"},
      {"--lint"},
      {"--lint", "--batch", "a.klc"},
      {"--lint", "--seed", "1", "a.klc"},
      {"--json", "a.klc"},
      {"--test"},
      {"--test", "t.transcript", "a.klc"},
      {"--test", "t.transcript", "--lint", "a.klc"},
  };
  for (const std::vector<std::string>& arguments : mistakes) {
    std::string error;
    EXPECT_FALSE(ParseProgramOptions(arguments, error).has_value()) << arguments.front();
    EXPECT_FALSE(error.empty()) << arguments.front();
  }
}

TEST(ProgramOptionsTest, SayTakesTheNextArgumentWholeEvenWhenItLooksLikeAnOption) {
  std::string error;
  std::optional<TProgramOptions> options =
      ParseProgramOptions({"--home", "/h", "--say", "--tty です"}, error);
  ASSERT_TRUE(options.has_value()) << error;
  EXPECT_EQ(options->Say, "--tty です");
  EXPECT_EQ(options->Home, "/h");
  options = ParseProgramOptions({"--say="}, error);
  ASSERT_TRUE(options.has_value()) << error;
  EXPECT_EQ(options->Say, "");
}

TEST(ProgramOptionsTest, AuthoringToolsTakeTheirArguments) {
  std::string error;
  std::optional<TProgramOptions> options =
      ParseProgramOptions({"--lint", "--json", "--home", "/h", "a.klc"}, error);
  ASSERT_TRUE(options.has_value()) << error;
  EXPECT_TRUE(options->Lint);
  EXPECT_TRUE(options->Json);
  EXPECT_EQ(options->Character, "a.klc");
  options = ParseProgramOptions({"--test=t.transcript", "--home", "/h"}, error);
  ASSERT_TRUE(options.has_value()) << error;
  EXPECT_EQ(options->Test, "t.transcript");
  EXPECT_FALSE(options->Lint);
}

TEST(ProgramOptionsTest, ProgramFolderPrefersTheOptionThenTheVariableThenTheDefault) {
  TProgramOptions options;
  EXPECT_EQ(ProgramFolder(options, nullptr, "/opt/kelmo"), "/opt/kelmo");
  EXPECT_EQ(ProgramFolder(options, "", "/opt/kelmo/"), "/opt/kelmo/");
  EXPECT_EQ(ProgramFolder(options, "/var/kelmo", "/opt/kelmo"), "/var/kelmo");
  options.Home = "/home/me/kelmo";
  EXPECT_EQ(ProgramFolder(options, "/var/kelmo", "/opt/kelmo"), "/home/me/kelmo");
}

TEST(ProgramOptionsTest, FrontEndFollowsTheOptionsAndTheDisplay) {
  TProgramOptions options;
  EXPECT_EQ(ChooseFrontEnd(options, true), TFrontEnd::Window);
  EXPECT_EQ(ChooseFrontEnd(options, false), TFrontEnd::Terminal);
  options.Tty = true;
  EXPECT_EQ(ChooseFrontEnd(options, true), TFrontEnd::Terminal);
  options.Tty = false;
  options.Batch = true;
  EXPECT_EQ(ChooseFrontEnd(options, true), TFrontEnd::Batch);
}

}  // namespace
}  // namespace kelmo
