// The plug-ins' process groups after the program died without ending them: the kernel ends the
// plug-in itself, and the next start ends what the plug-in had started, but only a group that is
// still the one recorded, and never one of a program that still runs.
#include "plugins/plugin_groups.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "plugins/plugin_object.h"
#include "plugins/plugin_test_folder.h"
#include "support/running_process.h"

namespace kelmo {
namespace {

using testing::kTestCallTimeout;
using testing::ProcessEndsWithin;
using testing::ProcessRuns;
using testing::TPluginTestFolder;

namespace fs = std::filesystem;

// How long a signalled process may take to be gone from the process table.
constexpr std::chrono::seconds kEndPatience{5};

std::string CurrentBootId() {
  std::ifstream file("/proc/sys/kernel/random/boot_id");
  std::string id;
  std::getline(file, id);
  return id;
}

unsigned long long StartTimeOf(pid_t process) {
  TProcessStatus status;
  EXPECT_TRUE(ReadProcessStatus(process, status)) << process;
  return status.StartTime;
}

// A process in a process group of its own that waits to be killed, reaped when the test ends.
class TGroupLeader {
 public:
  TGroupLeader() {
    processId_ = ::fork();
    if (processId_ == 0) {
      ::setpgid(0, 0);
      ::pause();
      ::_exit(0);
    }
    ::setpgid(processId_, processId_);  // also from here, so that it holds when the test looks
  }
  ~TGroupLeader() {
    ::kill(processId_, SIGKILL);
    ::waitpid(processId_, nullptr, 0);
  }
  pid_t Id() const { return processId_; }

 private:
  pid_t processId_;
};

// A program that ran and ended: its process id and start time.
struct TEndedProgram {
  pid_t Id;
  unsigned long long StartTime;
};

TEndedProgram EndedProgram() {
  int ready[2];
  EXPECT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[1]);  // so that the parent's close is the end of the pipe
    char byte;
    [[maybe_unused]] const ssize_t count = ::read(ready[0], &byte, 1);
    ::_exit(0);
  }
  const TEndedProgram ended{child, StartTimeOf(child)};
  ::close(ready[1]);
  ::close(ready[0]);
  ::waitpid(child, nullptr, 0);
  return ended;
}

// How a record is written, and what the next start must make of it.
enum class TRecordKind {
  LeftByAKilledProgram,
  IdTakenByANewerProcess,
  OwnerStillRuns,
  EarlierBoot,
  Malformed
};

struct TRecordCase {
  const char* Name;
  TRecordKind Kind;
  bool GroupEnded;
  bool RecordKept;
};
void PrintTo(const TRecordCase& test, std::ostream* out) {
  *out << test.Name;
}

class LeftPluginGroupTest : public ::testing::TestWithParam<TRecordCase> {};

TEST_P(LeftPluginGroupTest, IsEndedOnlyWhenItIsStillTheOneRecorded) {
  const TPluginTestFolder folder;
  const TGroupLeader leader;
  const unsigned long long leaderStart = StartTimeOf(leader.Id());
  const TEndedProgram ended = EndedProgram();
  std::string text;
  switch (GetParam().Kind) {
    case TRecordKind::LeftByAKilledProgram:
      text = CurrentBootId() + "\n" + std::to_string(ended.Id) + " " +
             std::to_string(ended.StartTime) + "\n" + std::to_string(leaderStart) + "\n";
      break;
    case TRecordKind::IdTakenByANewerProcess:
      text = CurrentBootId() + "\n" + std::to_string(ended.Id) + " " +
             std::to_string(ended.StartTime) + "\n" + std::to_string(leaderStart - 1) + "\n";
      break;
    case TRecordKind::OwnerStillRuns:
      text = CurrentBootId() + "\n" + std::to_string(::getpid()) + " " +
             std::to_string(StartTimeOf(::getpid())) + "\n" + std::to_string(leaderStart) + "\n";
      break;
    case TRecordKind::EarlierBoot:
      text = "00000000-0000-0000-0000-000000000000\n" + std::to_string(ended.Id) + " " +
             std::to_string(ended.StartTime) + "\n" + std::to_string(leaderStart) + "\n";
      break;
    case TRecordKind::Malformed:
      text = "not a record\n";
      break;
  }
  const fs::path records = fs::path(folder.Path()) / kPluginGroupFolderName;
  fs::create_directories(records);
  const fs::path record = records / std::to_string(leader.Id());
  std::ofstream(record) << text;

  EXPECT_EQ(EndLeftPluginGroups(folder.Path()), GetParam().GroupEnded ? 1 : 0);
  if (GetParam().GroupEnded) {
    EXPECT_TRUE(ProcessEndsWithin(leader.Id(), kEndPatience));
  } else {
    EXPECT_TRUE(ProcessRuns(leader.Id()));
  }
  EXPECT_EQ(fs::exists(record), GetParam().RecordKept);
}

INSTANTIATE_TEST_SUITE_P(
    Records, LeftPluginGroupTest,
    ::testing::Values(
        TRecordCase{"LeftByAKilledProgram", TRecordKind::LeftByAKilledProgram, true, false},
        TRecordCase{"IdTakenByANewerProcess", TRecordKind::IdTakenByANewerProcess, false, false},
        TRecordCase{"OwnerStillRuns", TRecordKind::OwnerStillRuns, false, true},
        TRecordCase{"EarlierBoot", TRecordKind::EarlierBoot, false, false},
        TRecordCase{"Malformed", TRecordKind::Malformed, false, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(PluginGroupsTest, AReleasedPluginLeavesNoRecord) {
  const TPluginTestFolder folder;
  folder.Install("plain", nlohmann::json::object());
  {
    TPluginObject plugin({folder.Path(), 0}, u"plain", kTestCallTimeout);
    EXPECT_EQ(plugin.GetPluginInfo(0), u"test");
    EXPECT_EQ(
        std::distance(fs::directory_iterator(fs::path(folder.Path()) / kPluginGroupFolderName),
                      fs::directory_iterator()),
        1);
  }
  EXPECT_TRUE(fs::is_empty(fs::path(folder.Path()) / kPluginGroupFolderName));
}

TEST(PluginGroupsTest, AKilledProgramsPluginDiesWithItAndWhatItStartedEndsAtTheNextStart) {
  const TPluginTestFolder folder;
  folder.Install("spawner", {{"spawn", true}});
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  // The program: starts the plug-in, says so, and waits to be killed.
  const pid_t program = ::fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    TPluginObject plugin({folder.Path(), 0}, u"spawner", kTestCallTimeout);
    const char started = plugin.GetPluginInfo(0) == u"test" ? 1 : 0;
    [[maybe_unused]] const ssize_t written = ::write(ready[1], &started, 1);
    ::pause();
    ::_exit(0);
  }
  ::close(ready[1]);
  char started = 0;
  ASSERT_EQ(::read(ready[0], &started, 1), 1);
  ::close(ready[0]);
  ASSERT_EQ(started, 1);
  const std::vector<nlohmann::json> records = folder.Records("spawner");
  ASSERT_FALSE(records.empty());
  const pid_t plugin = records.front()["pid"].get<pid_t>();
  const pid_t grandchild = std::stoi(folder.ReadFile("plugins/spawner.child"));
  ASSERT_TRUE(ProcessRuns(plugin));
  ASSERT_TRUE(ProcessRuns(grandchild));

  ::kill(program, SIGKILL);
  ::waitpid(program, nullptr, 0);
  EXPECT_TRUE(ProcessEndsWithin(plugin, kEndPatience));  // the kernel's parent-death signal
  ASSERT_TRUE(ProcessRuns(grandchild));  // which does not reach what the plug-in started

  EXPECT_EQ(EndLeftPluginGroups(folder.Path()), 1);
  EXPECT_TRUE(ProcessEndsWithin(grandchild, kEndPatience));
  EXPECT_TRUE(fs::is_empty(fs::path(folder.Path()) / kPluginGroupFolderName));
}

}  // namespace
}  // namespace kelmo
