// The process groups of the running plug-ins, recorded in the program folder so that what a
// killed program left running can be ended by the next start.
//
// Each plug-in runs in a process group of its own, which the program ends when it releases the
// plug-in. A program that is killed (SIGKILL, a crash) ends nothing: the kernel ends the plug-in
// itself (its parent-death signal), but not what the plug-in started, which lives on in the
// plug-in's group. So every group is recorded, one file per group in the program folder's
// kPluginGroupFolderName, while it lives; the file goes when the group is ended. A start that has
// taken the program folder ends the groups recorded by programs that are no longer running.
//
// A recorded group is ended only when it is still the one recorded. A file, named after the
// group's id (the leader's process id, the plug-in's), holds three lines: the boot's id
// (/proc/sys/kernel/random/boot_id), the recording program's process id and start time with a
// blank between, and the start time of the group's leader (start times as /proc/PID/stat gives
// them, in clock ticks since the boot). The group is ours while a process of that
// group still runs as this user and none of its processes is a newer process that took the id
// after our group had ended: the kernel gives a process id that names a live group to no new
// process, so a leader with the id and another start time means the id has moved on.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace kelmo {

// The folder under the program folder that holds the records, one file per group named after its
// id.
inline constexpr std::string_view kPluginGroupFolderName = ".dorrinkelmo-plugins";

// A process as the process table shows it (/proc/PID/stat).
struct TProcessStatus {
  pid_t Group = 0;                   // the process group id
  unsigned long long StartTime = 0;  // clock ticks since the boot
};

// The status of the process, or false when there is none (or it cannot be read).
bool ReadProcessStatus(pid_t process, TProcessStatus& status);

// The record of one plug-in's process group while it lives.
class TPluginGroupRecord {
 public:
  // Records the group whose leader (the plug-in, started by this program in a group of its own)
  // is leader, in programFolder (a UTF-8 file-system path). When the record cannot be written
  // (the folder is not writable) the group goes unrecorded; nothing is raised.
  TPluginGroupRecord(const std::string& programFolder, pid_t leader);

  // Removes the record: call once the group has been ended.
  ~TPluginGroupRecord();

  TPluginGroupRecord(const TPluginGroupRecord&) = delete;
  TPluginGroupRecord& operator=(const TPluginGroupRecord&) = delete;

 private:
  std::string path_;  // empty when nothing was recorded
};

// Ends (SIGKILL) every group recorded in programFolder by a program that no longer runs, when the
// group is still the one recorded, and removes those records; records of running programs stay,
// records of an earlier boot go. Returns how many groups were signalled. Call only while holding
// the program folder's lock.
int EndLeftPluginGroups(const std::string& programFolder);

}  // namespace kelmo
