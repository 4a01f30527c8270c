// The loading walk over "Plugins.txt" with real plug-in processes.
#include "plugins/plugin_loader.h"

#include <gtest/gtest.h>

#include <set>

#include "charfile/code_page.h"
#include "plugins/plugin_test_folder.h"

namespace kelmo {
namespace {

using testing::ChildProcesses;
using testing::kTestCallTimeout;
using testing::TPluginTestFolder;

nlohmann::json Plugin(const std::string& name, const std::string& kind) {
  return {{"info", {name, kind, "", ""}}, {"append", "[" + name + "]"}};
}

class PluginLoaderTest : public ::testing::Test {
 protected:
  // The broadcast mark of every loaded plug-in, in list order.
  std::u16string Marks(TPluginList& list) {
    std::u16string text;
    list.Broadcast(u"KE_EndThink", text);
    return text;
  }

  TPluginTestFolder folder_;
  TPluginList list_{{folder_.Path(), 0}, kTestCallTimeout};
};

TEST_F(PluginLoaderTest, ProgIdListedTwiceGivesTwoProcessesAndTwoEntries) {
  folder_.Install("twice", Plugin("t", "E"));
  folder_.WritePluginList({"twice", "twice"});
  LoadPlugins(list_, u'E', true);
  EXPECT_EQ(list_.Count(), 2);
  EXPECT_EQ(Marks(list_), u"[t][t]");

  std::set<int> initialized;
  for (const auto& record : folder_.Records("twice")) {
    if (record["method"] == "OnKelmoEvent" && record["params"][0] == "KE_Initialize") {
      initialized.insert(record["pid"].get<int>());
    }
  }
  EXPECT_EQ(initialized.size(), 2u);
  // The two throw-away objects that asked for the kind letters are gone.
  EXPECT_EQ(ChildProcesses().size(), 2u);
}

struct TKindCase {
  char16_t Letter;
  std::u16string Marks;  // of the plug-ins loaded, in file order
};

class KindLetterTest : public PluginLoaderTest, public ::testing::WithParamInterface<TKindCase> {};

// Kind letters and the walk's letter compare after normalisation, in any letter case or width.
TEST_P(KindLetterTest, LoadsPluginsWhoseKindHoldsTheLetter) {
  folder_.Install("e", Plugin("e", "E"));
  folder_.Install("s", Plugin("s", "s"));
  folder_.Install("both", Plugin("both", "ＥＳ"));
  folder_.Install("none", Plugin("none", "X"));
  folder_.WritePluginList({"e", "s", "both", "none"});
  LoadPlugins(list_, GetParam().Letter, true);
  EXPECT_EQ(Marks(list_), GetParam().Marks);
}

INSTANTIATE_TEST_SUITE_P(Letters, KindLetterTest,
                         ::testing::Values(TKindCase{u'E', u"[e][both]"},
                                           TKindCase{u'e', u"[e][both]"},
                                           TKindCase{u'Ｅ', u"[e][both]"},
                                           TKindCase{u'S', u"[s][both]"},
                                           TKindCase{u'ｓ', u"[s][both]"}));

TEST_F(PluginLoaderTest, BadLinesAreSkippedAndTheWalkGoesOn) {
  folder_.Install("first", Plugin("first", "E"));
  folder_.Install("silent", {{"failOn", "GetPluginInfo"}, {"failure", "crash"}});
  folder_.Install("last", Plugin("last", "E"));
  folder_.WritePluginList({"first", "", "absent", "../first", " first", "silent", "last"});
  LoadPlugins(list_, u'E', true);
  EXPECT_EQ(Marks(list_), u"[first][last]");
  EXPECT_EQ(ChildProcesses().size(), 2u);
}

// Lines are Shift-JIS (the trail byte of "表" is 0x5C, no delimiter); the plug-in file is named
// in UTF-8 like every file on this system.
TEST_F(PluginLoaderTest, ShiftJisProgIdNamesTheUtf8File) {
  folder_.Install("表示", Plugin("jp", "E"));
  folder_.WritePluginList({Utf8ToShiftJis("表示")});
  LoadPlugins(list_, u'E', true);
  EXPECT_EQ(Marks(list_), u"[jp]");
}

TEST_F(PluginLoaderTest, NothingIsLoadedWhenDisabledOrUnlisted) {
  folder_.Install("p", Plugin("p", "ES"));
  LoadPlugins(list_, u'E', true);  // no "Plugins.txt" yet
  EXPECT_EQ(list_.Count(), 0);
  folder_.WritePluginList({"p"});
  LoadPlugins(list_, u'E', false);
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_TRUE(folder_.Records("p").empty()) << "a disabled walk must not start anything";
}

}  // namespace
}  // namespace kelmo
