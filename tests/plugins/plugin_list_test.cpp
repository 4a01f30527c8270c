// TPluginList with real plug-in processes: creation and "KE_Initialize", the chained broadcast and
// how failures end it, tag expansion by name, and the settings dialog's access.
#include "plugins/plugin_list.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "charfile/code_page.h"
#include "plugins/plugin_test_folder.h"

namespace kelmo {
namespace {

using testing::ChildProcesses;
using testing::kTestCallTimeout;
using testing::TPluginTestFolder;

nlohmann::json Appender(const std::string& name, const std::string& mark) {
  return {{"info", {name, "E", "", ""}}, {"append", mark}};
}

// The parameter texts of the OnKelmoEvent requests for event that a plug-in recorded.
std::vector<std::string> Received(const TPluginTestFolder& folder, const std::string& progId,
                                  const std::string& event) {
  std::vector<std::string> texts;
  for (const auto& record : folder.Records(progId)) {
    if (record["method"] == "OnKelmoEvent" && record["params"][0] == event) {
      texts.push_back(record["params"][1]);
    }
  }
  return texts;
}

class PluginListTest : public ::testing::Test {
 protected:
  TPluginTestFolder folder_;
  TPluginList list_{{folder_.Path(), 0}, kTestCallTimeout};
};

TEST_F(PluginListTest, AddPluginNamesItAndSendsInitialize) {
  folder_.Install("a", Appender("Ｃｌｏｃｋ", "[A]"));
  ASSERT_TRUE(list_.AddPlugin(u"a"));
  EXPECT_EQ(list_.Count(), 1);
  const auto records = folder_.Records("a");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["method"], "GetPluginInfo");
  EXPECT_EQ(records[0]["params"], nlohmann::json::array({0}));
  EXPECT_EQ(records[1]["params"][0], "KE_Initialize");
  // The name was normalised: a half-width upper-case tag name reaches it.
  EXPECT_EQ(list_.ExpandTag(u"clock.now"), u"tag:now");
}

TEST_F(PluginListTest, FailingAddPluginLeavesListAsItWas) {
  folder_.Install("good", Appender("good", "[G]"));
  folder_.Install("noname", {{"failOn", "GetPluginInfo"}, {"failure", "error"}});
  folder_.Install("noinit", {{"failOn", "KE_Initialize"}, {"failure", "crash"}});
  ASSERT_TRUE(list_.AddPlugin(u"good"));
  EXPECT_FALSE(list_.AddPlugin(u"noname"));
  EXPECT_FALSE(list_.AddPlugin(u"noinit"));
  EXPECT_FALSE(list_.AddPlugin(u"absent"));
  EXPECT_FALSE(list_.AddPlugin(u"../good"));
  EXPECT_EQ(list_.Count(), 1);
  EXPECT_EQ(ChildProcesses().size(), 1u) << "failed objects must be released and reaped";
  std::u16string text = u"t";
  list_.Broadcast(u"KE_EndThink", text);
  EXPECT_EQ(text, u"t[G]");
}

struct TInitializeCase {
  const char* Leaf;         // last folder of the program folder, UTF-8 on disk
  const char* EscapedLeaf;  // how it must arrive in "apppath="
  long long Handle;
  const char* HandleText;
};

class InitializeParametersTest : public ::testing::TestWithParam<TInitializeCase> {};

// The program folder is given as Shift-JIS data text; the plug-in receives UTF-8 with "&" and "%"
// escaped, the fixed file name and the handle as a signed decimal number.
TEST_P(InitializeParametersTest, InitializeTellsEscapedProgramPathVersionAndHandle) {
  TPluginTestFolder folder(GetParam().Leaf);
  folder.Install("p", Appender("p", ""));
  TPluginList list({Utf8ToShiftJis(folder.Path()), GetParam().Handle}, kTestCallTimeout);
  ASSERT_TRUE(list.AddPlugin(u"p"));

  std::string expectedFolder = folder.Path();
  expectedFolder.replace(expectedFolder.size() - std::string(GetParam().Leaf).size() - 1,
                         std::string(GetParam().Leaf).size(), GetParam().EscapedLeaf);
  EXPECT_EQ(Received(folder, "p", "KE_Initialize"),
            std::vector<std::string>{"apppath=" + expectedFolder + "DorrinKelmo.exe" +
                                     "&version=1.1.1&hwndmain=" + GetParam().HandleText});
}

INSTANTIATE_TEST_SUITE_P(Folders, InitializeParametersTest,
                         ::testing::Values(TInitializeCase{"plain", "plain", 0, "0"},
                                           TInitializeCase{"a&b", "a%26b", 4242, "4242"},
                                           TInitializeCase{"100%", "100%25", -17, "-17"},
                                           TInitializeCase{"会話&%26", "会話%26%2526",
                                                           123456789012LL, "123456789012"}));

TEST_F(PluginListTest, BroadcastPassesEachPluginWhatThePreviousLeft) {
  folder_.Install("a", Appender("a", "[A]"));
  folder_.Install("b", Appender("b", "[B]"));
  ASSERT_TRUE(list_.AddPlugin(u"a"));
  ASSERT_TRUE(list_.AddPlugin(u"b"));
  std::u16string text = u"こんにちは";
  list_.Broadcast(u"KE_BeginThink", text);
  EXPECT_EQ(text, u"こんにちは[A][B]");
  EXPECT_EQ(Received(folder_, "b", "KE_BeginThink"), std::vector<std::string>{"こんにちは[A]"});
}

TEST_F(PluginListTest, BroadcastWithoutPluginsLeavesTextAlone) {
  std::u16string text = u"unchanged";
  list_.Broadcast(u"KE_EndThink", text);
  EXPECT_EQ(text, u"unchanged");
}

class BroadcastFailureTest : public PluginListTest,
                             public ::testing::WithParamInterface<const char*> {};

// A plug-in failing mid-broadcast ends it with the text reached so far; the plug-ins after it are
// not called, and the program goes on: the next broadcast works the same way.
TEST_P(BroadcastFailureTest, FailingPluginEndsBroadcastWithTextSoFar) {
  folder_.Install("a", Appender("a", "[A]"));
  nlohmann::json failing = Appender("f", "[F]");
  failing["failOn"] = "KE_BeginThink";
  failing["failure"] = GetParam();
  folder_.Install("f", failing);
  folder_.Install("c", Appender("c", "[C]"));
  ASSERT_TRUE(list_.AddPlugin(u"a"));
  ASSERT_TRUE(list_.AddPlugin(u"f"));
  ASSERT_TRUE(list_.AddPlugin(u"c"));

  std::u16string text = u"t";
  list_.Broadcast(u"KE_BeginThink", text);
  EXPECT_EQ(text, u"t[A]");
  EXPECT_TRUE(Received(folder_, "c", "KE_BeginThink").empty());

  std::u16string next = u"u";
  list_.Broadcast(u"KE_BeginThink", next);
  EXPECT_EQ(next, u"u[A]");
  EXPECT_EQ(list_.Count(), 3);
}

INSTANTIATE_TEST_SUITE_P(Failures, BroadcastFailureTest,
                         ::testing::Values("crash", "hang", "garbage", "error"));

struct TTagCase {
  std::u16string Text;
  std::u16string Value;
};

class ExpandTagTest : public PluginListTest, public ::testing::WithParamInterface<TTagCase> {};

TEST_P(ExpandTagTest, FirstPluginWithTheNormalisedNameExpandsTheRest) {
  folder_.Install("w", Appender("weather", ""));
  folder_.Install("x", Appender("x", ""));
  ASSERT_TRUE(list_.AddPlugin(u"w"));
  ASSERT_TRUE(list_.AddPlugin(u"x"));
  EXPECT_EQ(list_.ExpandTag(GetParam().Text), GetParam().Value);
}

INSTANTIATE_TEST_SUITE_P(Tags, ExpandTagTest,
                         ::testing::Values(TTagCase{u"x.y.z", u"tag:y.z"},
                                           TTagCase{u"X.Tag", u"tag:Tag"},
                                           TTagCase{u"ｘ.y", u"tag:y"},
                                           TTagCase{u"Weather.today", u"tag:today"},
                                           TTagCase{u"x.", u"tag:"}, TTagCase{u"q.y", u""},
                                           TTagCase{u"xy", u""}, TTagCase{u".y", u""}));

TEST_F(PluginListTest, ExpandTagAsksOnlyTheFirstPluginOfThatName) {
  nlohmann::json first = Appender("x", "");
  first["tagReturn"] = "first";
  folder_.Install("first", first);
  folder_.Install("second", Appender("x", ""));
  ASSERT_TRUE(list_.AddPlugin(u"first"));
  ASSERT_TRUE(list_.AddPlugin(u"second"));
  EXPECT_EQ(list_.ExpandTag(u"x.y"), u"first");
  for (const auto& record : folder_.Records("second"))
    EXPECT_NE(record["method"], "ExpandPluginTag");
}

TEST_F(PluginListTest, FailingTagExpansionGivesEmptyText) {
  nlohmann::json failing = Appender("x", "");
  failing["failOn"] = "ExpandPluginTag";
  failing["failure"] = "error";
  folder_.Install("x", failing);
  ASSERT_TRUE(list_.AddPlugin(u"x"));
  EXPECT_EQ(list_.ExpandTag(u"x.y"), u"");
}

TEST_F(PluginListTest, SettingsDialogAccessLetsFailuresThrough) {
  folder_.Install("good", {{"info", {"good", "E", "1.0", "does good"}}});
  folder_.Install(
      "bad",
      {{"info", {"bad", "E", "", ""}}, {"failOn", "ConfigurationDialog"}, {"failure", "error"}});
  ASSERT_TRUE(list_.AddPlugin(u"good"));
  ASSERT_TRUE(list_.AddPlugin(u"bad"));
  EXPECT_EQ(list_.PluginInfo(0, 2), u"1.0");
  EXPECT_EQ(list_.PluginInfo(0, 3), u"does good");
  EXPECT_EQ(list_.PluginInfo(1, 0), u"bad");
  list_.ConfigurationDialog(0);
  EXPECT_THROW(list_.ConfigurationDialog(1), EPluginError);
  EXPECT_THROW(list_.PluginInfo(2, 0), std::out_of_range);
  EXPECT_THROW(list_.ConfigurationDialog(-1), std::out_of_range);
}

}  // namespace
}  // namespace kelmo
