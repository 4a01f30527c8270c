// A throw-away program folder with a "plugins" folder, into which tests install copies of the
// configurable test plug-in (test_plugin.py) under the ProgIDs they need, and helpers that look at
// what the plug-ins recorded and at this process's children in /proc.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace kelmo::testing {

// A call time-out short enough for hanging test plug-ins, long enough for Python to start on a
// loaded machine (the first call waits for the interpreter's start-up).
inline constexpr std::chrono::milliseconds kTestCallTimeout{3000};

class TPluginTestFolder {
 public:
  // Creates a fresh folder under the temporary folder; leaf is appended to its name (it may hold
  // characters such as "&" that the tests want in the path).
  explicit TPluginTestFolder(const std::string& leaf = "program");
  ~TPluginTestFolder();

  // The folder as a file-system path ending in "/".
  std::string Path() const { return path_.string() + "/"; }

  // Copies the test plug-in to plugins/<progId> with its settings in plugins/<progId>.json.
  void Install(const std::string& progId, const nlohmann::json& settings) const;

  // Copies an executable file to plugins/<progId>.
  void InstallFile(const std::string& progId, const std::filesystem::path& source) const;

  // Writes "Plugins.txt" with the lines, each followed by CR LF.
  void WritePluginList(const std::vector<std::string>& lines) const;

  // The requests plug-in progId recorded, oldest first.
  std::vector<nlohmann::json> Records(const std::string& progId) const;

  // The text of a file in the folder, empty when it does not exist.
  std::string ReadFile(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// One child process of this process, as /proc shows it.
struct TChildProcess {
  pid_t ProcessId;
  char State;  // 'Z' for a zombie
};

// The children of this process that /proc lists at this moment.
std::vector<TChildProcess> ChildProcesses();

// Waits up to two seconds until the process has become a zombie or is gone; returns whether it did.
bool WaitUntilExited(pid_t processId);

}  // namespace kelmo::testing
