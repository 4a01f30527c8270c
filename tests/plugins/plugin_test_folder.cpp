#include "plugins/plugin_test_folder.h"

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace kelmo::testing {
namespace fs = std::filesystem;

TPluginTestFolder::TPluginTestFolder(const std::string& leaf) {
  std::string pattern = (fs::temp_directory_path() / "kelmo-plugins-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temp folder");
  path_ = fs::path(pattern) / leaf;
  fs::create_directories(path_ / "plugins");
}

TPluginTestFolder::~TPluginTestFolder() {
  std::error_code ignored;
  fs::remove_all(path_.parent_path(), ignored);
}

void TPluginTestFolder::InstallFile(const std::string& progId, const fs::path& source) const {
  const fs::path target = path_ / "plugins" / progId;
  fs::copy_file(source, target, fs::copy_options::overwrite_existing);
  fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

void TPluginTestFolder::Install(const std::string& progId, const nlohmann::json& settings) const {
  InstallFile(progId, fs::path(KELMO_PLUGIN_TEST_DIR) / "test_plugin.py");
  std::ofstream(path_ / "plugins" / (progId + ".json")) << settings.dump();
}

void TPluginTestFolder::WritePluginList(const std::vector<std::string>& lines) const {
  std::ofstream file(path_ / "Plugins.txt", std::ios::binary);
  for (const std::string& line : lines) file << line << "\r\n";
}

std::vector<nlohmann::json> TPluginTestFolder::Records(const std::string& progId) const {
  std::vector<nlohmann::json> records;
  std::ifstream file(path_ / "plugins" / (progId + ".record"));
  for (std::string line; std::getline(file, line);) records.push_back(nlohmann::json::parse(line));
  return records;
}

std::string TPluginTestFolder::ReadFile(const std::string& name) const {
  std::ifstream file(path_ / name, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

std::vector<TChildProcess> ChildProcesses() {
  std::vector<TChildProcess> children;
  const pid_t self = ::getpid();
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream file(entry.path() / "stat");
    std::string stat;
    if (!std::getline(file, stat)) continue;
    // "pid (command) state ppid ...": the command may hold blanks and parentheses.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(stat.substr(close + 1));
    char state = 0;
    pid_t parent = 0;
    rest >> state >> parent;
    if (parent == self) children.push_back({static_cast<pid_t>(std::stoi(name)), state});
  }
  return children;
}

bool WaitUntilExited(pid_t processId) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    bool running = false;
    for (const TChildProcess& child : ChildProcesses()) {
      if (child.ProcessId == processId && child.State != 'Z') running = true;
    }
    if (!running) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace kelmo::testing
