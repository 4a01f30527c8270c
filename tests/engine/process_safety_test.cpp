// Processes under attack: what a plug-in or an entrusted program starts must not outlive it, a
// plug-in flooding its standard error must not grow the log without bound, and a FIFO in place
// of the log must not block the program.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "engine/character.h"
#include "plugins/plugin_error_log.h"
#include "plugins/plugin_object.h"
#include "plugins/plugin_test_folder.h"
#include "support/fifo_rescue.h"
#include "support/running_process.h"
#include "test_character.h"

namespace kelmo {
namespace {

using testing::kTestCallTimeout;
using testing::ProcessEndsWithin;
using testing::ProcessRuns;
using testing::TPluginTestFolder;

// The process id a file holds, once it has been written (0 when it never is).
pid_t ProcessIdIn(const std::string& file) {
  for (int attempt = 0; attempt < 500; ++attempt) {
    std::ifstream in(file);
    pid_t process = 0;
    if (in >> process && process > 0) return process;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return 0;
}

struct EndCase {
  const char* name;
  nlohmann::json settings;
  bool timesOut;  // the call fails by its time-out; else the object is released
};
void PrintTo(const EndCase& test, std::ostream* out) {
  *out << test.name;
}

class PluginEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(PluginEnd, WhatAPluginStartedEndsWithIt) {
  TPluginTestFolder folder;
  folder.Install("spawner", GetParam().settings);
  auto plugin = std::make_unique<TPluginObject>(TPluginEnvironment{folder.Path(), 0}, u"spawner",
                                                kTestCallTimeout);
  const pid_t child = ProcessIdIn(folder.Path() + "plugins/spawner.child");
  ASSERT_GT(child, 0);
  EXPECT_TRUE(ProcessRuns(child));
  if (GetParam().timesOut) {
    std::u16string text = u"x";
    EXPECT_THROW(plugin->OnKelmoEvent(u"KE_BeginThink", text), EPluginError);
  } else {
    plugin.reset();
  }
  EXPECT_TRUE(ProcessEndsWithin(child, std::chrono::seconds(2)));
}

INSTANTIATE_TEST_SUITE_P(
    Ends, PluginEnd,
    ::testing::Values(
        EndCase{"Released", {{"spawn", true}}, false},
        EndCase{"ReleasedIgnoringItsInput", {{"spawn", true}, {"stubborn", true}}, false},
        EndCase{
            "TimedOut", {{"spawn", true}, {"failOn", "KE_BeginThink"}, {"failure", "hang"}}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PluginLog, AFloodingPluginAddsAtMostItsBudgetInWholeLines) {
  TPluginTestFolder folder;
  std::ofstream(folder.Path() + "plugins.log") << "earlier\n";
  folder.Install("flood", {{"flood", 4 << 20}});
  folder.Install("quiet", {{"stderr", "quiet speaks"}});
  {
    TPluginObject flood(TPluginEnvironment{folder.Path(), 0}, u"flood", kTestCallTimeout);
    for (int call = 0; call < 3; ++call) {
      std::u16string text = u"x";
      flood.OnKelmoEvent(u"KE_BeginThink", text);
    }
    TPluginObject quiet(TPluginEnvironment{folder.Path(), 0}, u"quiet", kTestCallTimeout);
    EXPECT_EQ(quiet.GetPluginInfo(0), u"test");
  }
  std::istringstream log(folder.ReadFile("plugins.log"));
  size_t floodBytes = 0;
  int notices = 0;
  bool quietSpoke = false;
  std::string line;
  ASSERT_TRUE(std::getline(log, line));
  EXPECT_EQ(line, "earlier");
  while (std::getline(log, line)) {
    if (line == std::string(63, 'e')) {
      EXPECT_EQ(notices, 0) << "flood after the notice";
      floodBytes += line.size() + 1;
    } else if (line.starts_with("[flood]")) {
      ++notices;
    } else {
      EXPECT_EQ(line, "quiet speaks");
      quietSpoke = true;
    }
  }
  EXPECT_LE(floodBytes, kMaxPluginLogBytesPerRun);
  EXPECT_GT(floodBytes, kMaxPluginLogBytesPerRun - 64);
  EXPECT_EQ(notices, 1);
  EXPECT_TRUE(quietSpoke);
}

// A plug-in writing its standard error without end instead of answering still times out.
TEST(PluginLog, APluginRoaringInsteadOfAnsweringTimesOut) {
  TPluginTestFolder folder;
  folder.Install("roar", {{"failOn", "KE_BeginThink"}, {"failure", "roar"}});
  TPluginObject roar(TPluginEnvironment{folder.Path(), 0}, u"roar", kTestCallTimeout);
  std::u16string text = u"x";
  EXPECT_THROW(roar.OnKelmoEvent(u"KE_BeginThink", text), EPluginError);
  EXPECT_LE(folder.ReadFile("plugins.log").size(), kMaxPluginLogBytesPerRun + 200);
}

TEST(PluginLog, AFifoInPlaceOfTheLogDoesNotBlock) {
  TPluginTestFolder folder;
  testing::TFifoRescue fifo(folder.Path() + "plugins.log");
  ASSERT_TRUE(fifo.Made());
  folder.Install("speaker", {{"stderr", "speaks"}});
  {
    TPluginObject speaker(TPluginEnvironment{folder.Path(), 0}, u"speaker", kTestCallTimeout);
    EXPECT_EQ(speaker.GetPluginInfo(0), u"test");
  }
  EXPECT_FALSE(fifo.Rescued());
}

// An entrusted program that starts a process of its own; both go with the character.
TEST(EntrustEnd, WhatAnEntrustedProgramStartedEndsWithTheCharacter) {
  testing::TSmallCharacter small;
  small.Folder.Write("starter.sh",
                     "#!/bin/sh\nsleep 60 &\necho $! > \"$(dirname \"$1\")/child\"\nsleep 60\n");
  std::filesystem::permissions(small.Folder.Path() + "starter.sh",
                               std::filesystem::perms::owner_all);
  small.Character->SetAllowExecute(true);
  EXPECT_EQ(small.Character->Evaluate(u"{ENTRUSTstarter.sh|}"), u"True");
  const pid_t child = ProcessIdIn(small.Folder.Path() + "child");
  ASSERT_GT(child, 0);
  EXPECT_TRUE(ProcessRuns(child));
  small.Character.reset();
  EXPECT_TRUE(ProcessEndsWithin(child, std::chrono::seconds(2)));
}

}  // namespace
}  // namespace kelmo
