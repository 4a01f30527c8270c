// Whether a process (any process, not only a child) still runs, for tests of code that must end
// processes: read from the process table, a zombie counting as ended.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace kelmo::testing {

// True while the process exists and is no zombie.
inline bool ProcessRuns(pid_t process) {
  std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  // The command name may hold blanks and parentheses: the state follows the last ")".
  const size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

// Waits up to the time for the process to end; returns whether it did.
inline bool ProcessEndsWithin(pid_t process, std::chrono::milliseconds time) {
  const auto deadline = std::chrono::steady_clock::now() + time;
  while (ProcessRuns(process) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return !ProcessRuns(process);
}

}  // namespace kelmo::testing
