// The shipped example plug-in, driven through the host as the program drives it.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "charfile/code_page.h"
#include "plugins/plugin_loader.h"
#include "plugins/plugin_test_folder.h"

namespace kelmo {
namespace {

using testing::kTestCallTimeout;
using testing::TPluginTestFolder;

class ExamplePluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.InstallFile("clock", std::filesystem::path(KELMO_EXAMPLE_PLUGIN_DIR) / "clock");
    folder_.WritePluginList({"clock"});
  }

  TPluginTestFolder folder_;
};

TEST_F(ExamplePluginTest, BasicInstanceExpandsClockTags) {
  TPluginList basic({folder_.Path(), 0}, kTestCallTimeout);
  LoadPlugins(basic, u'S', true);
  ASSERT_EQ(basic.Count(), 1);
  EXPECT_TRUE(std::regex_match(Utf16ToUtf8(basic.ExpandTag(u"clock.now")),
                               std::regex("[0-2][0-9]:[0-5][0-9]")));
  EXPECT_TRUE(std::regex_match(Utf16ToUtf8(basic.ExpandTag(u"Clock.Date")),
                               std::regex("[0-9]{4}/[0-1][0-9]/[0-3][0-9]")));
  EXPECT_EQ(basic.ExpandTag(u"clock.unknown"), u"");
  EXPECT_EQ(basic.PluginInfo(0, 0), u"clock");
  basic.ConfigurationDialog(0);
}

TEST_F(ExamplePluginTest, ExtendedInstanceMarksFinishedRepliesOnly) {
  TPluginList extended({folder_.Path(), 0}, kTestCallTimeout);
  LoadPlugins(extended, u'E', true);
  ASSERT_EQ(extended.Count(), 1);
  std::u16string reply = u"こんにちは";
  extended.Broadcast(u"KE_EndThink", reply);
  EXPECT_EQ(reply, u"こんにちは ♪");
  std::u16string line = u"hello";
  extended.Broadcast(u"KE_BeginThink", line);
  EXPECT_EQ(line, u"hello");
  EXPECT_NE(folder_.ReadFile("plugins.log").find("clock: started by apppath="), std::string::npos);
}

}  // namespace
}  // namespace kelmo
