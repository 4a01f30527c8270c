// Recording the plug-ins' process groups and ending those a killed program left, after checking
// the process table.
#include "plugins/plugin_groups.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "charfile/atomic_file.h"
#include "charfile/kelmo_error.h"

namespace kelmo {
namespace {

namespace fs = std::filesystem;

// The kernel's id of this boot: process ids and start times count from it.
constexpr const char* kBootIdPath = "/proc/sys/kernel/random/boot_id";
constexpr const char* kProcessTable = "/proc";
// Fields of /proc/PID/stat after the command name's closing parenthesis (the state is field 3).
constexpr size_t kGroupField = 5 - 3;
constexpr size_t kStartTimeField = 22 - 3;
// The records are the user's alone, like the program folder's other files.
constexpr mode_t kRecordFolderMode = 0700;

// What a record file holds.
struct TGroupRecord {
  std::string BootId;
  pid_t Owner = 0;
  unsigned long long OwnerStartTime = 0;
  unsigned long long LeaderStartTime = 0;
};

std::string BootId() {
  std::ifstream file(kBootIdPath);
  std::string id;
  std::getline(file, id);
  return id;
}

template <typename TNumber>
std::optional<TNumber> ParseNumber(std::string_view text) {
  TNumber value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string FormatRecord(const TGroupRecord& record) {
  return record.BootId + "\n" + std::to_string(record.Owner) + " " +
         std::to_string(record.OwnerStartTime) + "\n" + std::to_string(record.LeaderStartTime) +
         "\n";
}

std::optional<TGroupRecord> ParseRecord(const fs::path& path) {
  std::ifstream file(path);
  TGroupRecord record;
  long long owner = 0;
  if (!std::getline(file, record.BootId) ||
      !(file >> owner >> record.OwnerStartTime >> record.LeaderStartTime) || owner <= 0) {
    return std::nullopt;
  }
  record.Owner = static_cast<pid_t>(owner);
  return record;
}

// Whether the process runs (or is a zombie) and is the one that started at startTime.
bool IsTheProcess(pid_t process, unsigned long long startTime) {
  TProcessStatus status;
  return ReadProcessStatus(process, status) && status.StartTime == startTime;
}

// Whether the group recorded with its leader's start time still is that group and has a process
// left to end.
bool GroupStillRecorded(pid_t group, unsigned long long leaderStartTime) {
  TProcessStatus leader;
  if (ReadProcessStatus(group, leader)) {
    // A process holds the group's id: the plug-in itself, or a newer one that took the id.
    return leader.Group == group && leader.StartTime == leaderStartTime;
  }
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(kProcessTable, error)) {
    const std::optional<pid_t> process = ParseNumber<pid_t>(entry.path().filename().string());
    TProcessStatus status;
    if (process && ReadProcessStatus(*process, status) && status.Group == group &&
        status.StartTime >= leaderStartTime) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool ReadProcessStatus(pid_t process, TProcessStatus& status) {
  std::ifstream file(std::string(kProcessTable) + "/" + std::to_string(process) + "/stat");
  std::string line;
  if (!std::getline(file, line)) return false;
  // The command name may hold blanks and parentheses: the fields begin after the last ")".
  const size_t nameEnd = line.rfind(')');
  if (nameEnd == std::string::npos) return false;
  std::istringstream fields(line.substr(nameEnd + 1));
  std::vector<std::string> values;
  for (std::string value; fields >> value && values.size() <= kStartTimeField;) {
    values.push_back(value);
  }
  if (values.size() <= kStartTimeField) return false;
  const std::optional<pid_t> group = ParseNumber<pid_t>(values[kGroupField]);
  const std::optional<unsigned long long> start =
      ParseNumber<unsigned long long>(values[kStartTimeField]);
  if (!group || !start) return false;
  status = {*group, *start};
  return true;
}

TPluginGroupRecord::TPluginGroupRecord(const std::string& programFolder, pid_t leader) {
  TProcessStatus own;
  TProcessStatus plugin;
  if (!ReadProcessStatus(::getpid(), own) || !ReadProcessStatus(leader, plugin)) return;
  const fs::path folder = fs::path(programFolder) / kPluginGroupFolderName;
  if (::mkdir(folder.c_str(), kRecordFolderMode) != 0 && errno != EEXIST) return;
  const std::string path = (folder / std::to_string(leader)).string();
  try {
    WriteFileAtomically(path,
                        FormatRecord({BootId(), ::getpid(), own.StartTime, plugin.StartTime}));
    path_ = path;
  } catch (const EFileError&) {
    // Unrecorded: only a kill of the program would leave the group running.
  }
}

TPluginGroupRecord::~TPluginGroupRecord() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

int EndLeftPluginGroups(const std::string& programFolder) {
  const fs::path folder = fs::path(programFolder) / kPluginGroupFolderName;
  const std::string bootId = BootId();
  int ended = 0;
  std::error_code error;
  std::vector<fs::path> records;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    records.push_back(entry.path());
  }
  for (const fs::path& path : records) {
    const std::optional<pid_t> group = ParseNumber<pid_t>(path.filename().string());
    const std::optional<TGroupRecord> record = ParseRecord(path);
    if (group && *group > 1 && record && record->BootId == bootId) {
      if (IsTheProcess(record->Owner, record->OwnerStartTime)) continue;  // still its owner's
      if (GroupStillRecorded(*group, record->LeaderStartTime) && ::kill(-*group, SIGKILL) == 0) {
        ++ended;
      }
    }
    fs::remove(path, error);
  }
  return ended;
}

}  // namespace kelmo
