// Both kinds of start go through posix_spawn with the same set-up: standard streams on
// /dev/null, a session of their own (a terminal's Ctrl-C for this program must not reach them),
// default signal handling and no inherited descriptors.
#include "engine/external_program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <filesystem>
#include <thread>

#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/text_utils.h"

extern char** environ;

namespace kelmo {
namespace {

using Clock = std::chrono::steady_clock;

// The desktop's opener of documents and web addresses, looked up in PATH.
constexpr const char* kOpenerProgram = "xdg-open";
// How long OpenDocument waits for the opener's verdict; an opener still busy then counts as a
// success (some openers stay until the document's program ends) and is reaped later.
constexpr std::chrono::milliseconds kOpenerVerdictWait{1500};
// No program path is longer; the search for the program part of a command line stops there.
constexpr size_t kLongestProgramPath = PATH_MAX;
// Steps in which that wait polls the opener.
constexpr std::chrono::milliseconds kOpenerPollStep{10};
// The extension SHELL: refuses, compared without letter case.
constexpr std::string_view kRefusedExtension = ".EXE";
// Desktop launchers would run their command: refused as well.
constexpr std::string_view kLauncherExtension = ".DESKTOP";
// Web address schemes handed to the opener; any other scheme is refused.
constexpr std::string_view kOpenableSchemes[] = {"HTTP", "HTTPS", "FTP", "MAILTO"};

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

// posix_spawn's attribute and file-action objects, set up as every start here wants them.
class TSpawnSetup {
 public:
  explicit TSpawnSetup(const std::string& workingFolder) {
    posix_spawnattr_init(&attributes_);
    posix_spawn_file_actions_init(&actions_);
    posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions_, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
    if (!workingFolder.empty())
      posix_spawn_file_actions_addchdir_np(&actions_, workingFolder.c_str());
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes_, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes_, &signals);
    posix_spawnattr_setflags(&attributes_,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
  }
  ~TSpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attributes_);
  }
  TSpawnSetup(const TSpawnSetup&) = delete;
  TSpawnSetup& operator=(const TSpawnSetup&) = delete;

  // Starts program (a path, or with searchPath a name looked up in PATH) with the arguments,
  // arguments[0] being the program's own name. Returns the process id or -1.
  pid_t Spawn(const std::string& program, std::vector<std::string> arguments, bool searchPath) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t process = -1;
    const int error =
        searchPath
            ? posix_spawnp(&process, program.c_str(), &actions_, &attributes_, argv.data(), environ)
            : posix_spawn(&process, program.c_str(), &actions_, &attributes_, argv.data(), environ);
    return error == 0 ? process : -1;
  }

 private:
  posix_spawnattr_t attributes_;
  posix_spawn_file_actions_t actions_;
};

bool IsExecutableFile(const std::string& fileSystemPath) {
  struct stat status;
  return ::stat(fileSystemPath.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
         ::access(fileSystemPath.c_str(), X_OK) == 0;
}

// Where a command line's program may lie, and the executable it named outside.
struct TProgramPlace {
  const TDataRoot* Folder = nullptr;  // any place when none
  std::string* Outside = nullptr;     // may be null
};

// Whether the executable file at the file-system path lies where the program may; notes it when
// it does not.
bool Allowed(const std::string& programPath, const TProgramPlace& place) {
  if (place.Folder == nullptr || place.Folder->Contains(programPath)) return true;
  if (place.Outside != nullptr) *place.Outside = programPath;
  return false;
}

// Length of the command line's program part and its file-system path; length 0 when no prefix
// names an executable file where the program may lie.
size_t FindProgram(std::u16string_view line, const TProgramPlace& place, std::string& programPath) {
  if (!line.empty() && line[0] == u'"') {
    // A quoted program runs to the closing quote, or to the end when there is none.
    const size_t close = line.find(u'"', 1);
    const bool closed = close != std::u16string_view::npos;
    const std::u16string_view name = closed ? line.substr(1, close - 1) : line.substr(1);
    programPath = ResolveDataPath(Utf16ToShiftJis(name));
    if (!IsExecutableFile(programPath) || !Allowed(programPath, place)) return 0;
    return closed ? close + 1 : line.size();
  }
  const size_t longest = std::min(line.size(), kLongestProgramPath);
  for (size_t end = 1; end <= longest; ++end) {
    if (end < line.size() && !IsBlank(line[end])) continue;
    programPath = ResolveDataPath(Utf16ToShiftJis(line.substr(0, end)));
    if (IsExecutableFile(programPath) && Allowed(programPath, place)) return end;
  }
  return 0;
}

// The extension of a data path's file name (from its last "." on), upper-cased; empty if none.
std::string UpperExtension(std::string_view path) {
  const std::string name = ExtractFileName(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string()
                                  : AsciiUpperCase(std::string_view(name).substr(dot));
}

// The extension of a file-system path's file name, upper-cased; empty if none.
std::string FileSystemExtension(const std::string& path) {
  return AsciiUpperCase(std::filesystem::path(path).extension().string());
}

// The upper-cased scheme of a web address ("HTTP" for "http://..."), or empty for a path. A single
// letter before ":" is a drive letter, not a scheme.
std::string UrlScheme(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon < 2) return {};
  for (size_t i = 0; i < colon; ++i) {
    const char c = text[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!letter && !(i > 0 && other)) return {};
  }
  return AsciiUpperCase(text.substr(0, colon));
}

// Waits up to the verdict time for the opener; true when it succeeded or is still busy.
bool OpenerSucceeded(pid_t opener) {
  const Clock::time_point deadline = Clock::now() + kOpenerVerdictWait;
  for (;;) {
    int status = 0;
    const pid_t reaped = ::waitpid(opener, &status, WNOHANG);
    if (reaped == opener) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (reaped < 0 && errno != EINTR) return false;
    if (Clock::now() >= deadline) {
      ReapWhenEnded(opener);
      return true;
    }
    std::this_thread::sleep_for(kOpenerPollStep);
  }
}

}  // namespace

std::vector<std::u16string> SplitArgumentText(std::u16string_view text) {
  std::vector<std::u16string> arguments;
  size_t i = 0;
  for (;;) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) return arguments;
    std::u16string argument;
    bool quoted = false;
    for (;;) {
      size_t backslashes = 0;
      while (i < text.size() && text[i] == u'\\') ++backslashes, ++i;
      bool literal = true;
      if (i < text.size() && text[i] == u'"') {
        if (backslashes % 2 == 0) {
          if (quoted && i + 1 < text.size() && text[i + 1] == u'"') {
            ++i;  // "" inside a quoted part: one literal double quote
          } else {
            literal = false;
            quoted = !quoted;
          }
        }
        backslashes /= 2;
      }
      argument.append(backslashes, u'\\');
      if (i == text.size() || (!quoted && IsBlank(text[i]))) break;
      if (literal) argument += text[i];
      ++i;
    }
    arguments.push_back(std::move(argument));
  }
}

pid_t StartProgram(std::string_view commandLine, const TDataRoot* programFolder,
                   std::string* outsideProgram) {
  const std::u16string wide = ShiftJisToUtf16(commandLine);
  std::u16string_view line = wide;
  while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
  std::string programPath;
  const size_t programLength =
      FindProgram(line, TProgramPlace{programFolder, outsideProgram}, programPath);
  if (programLength == 0) return -1;

  std::vector<std::string> arguments{programPath};
  for (const std::u16string& argument : SplitArgumentText(line.substr(programLength))) {
    arguments.push_back(Utf16ToUtf8(argument));
  }
  TSpawnSetup setup("");
  return setup.Spawn(programPath, std::move(arguments), false);
}

bool ProcessHasEnded(pid_t process) {
  const pid_t reaped = ::waitpid(process, nullptr, WNOHANG);
  if (reaped == 0) return false;
  if (reaped < 0 && errno == EINTR) return false;  // look again at the next slice
  return true;
}

void ReapWhenEnded(pid_t process) {
  try {
    std::thread([process] {
      while (::waitpid(process, nullptr, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the process stays unreaped until this program ends, nothing worse.
  }
}

void EndProcessGroup(pid_t process) {
  // The unreaped process keeps its group id from being reused, so the signal reaches no other.
  ::kill(-process, SIGKILL);
  ReapWhenEnded(process);
}

TOpenResult OpenDocument(std::string_view path, std::string_view folder) {
  if (path.empty()) return TOpenResult::kNotFound;
  if (UpperExtension(path) == kRefusedExtension) return TOpenResult::kRefused;
  const std::string folderPath = ResolveDataPath(IncludeTrailingDelimiter(folder));

  std::string target;
  const std::string scheme = UrlScheme(path);
  if (!scheme.empty()) {
    bool openable = false;
    for (std::string_view allowed : kOpenableSchemes) openable = openable || scheme == allowed;
    if (!openable) return TOpenResult::kRefused;
    target = ShiftJisToUtf8(path);
  } else {
    const bool absolute = path.front() == '/' || path.front() == '\\';
    const std::string written = ResolveDataPath(
        absolute ? std::string(path) : IncludeTrailingDelimiter(folder) + std::string(path));
    // A symbolic link is judged by the file it leads to, and the opener is handed that file.
    std::error_code error;
    target = std::filesystem::canonical(written, error).string();
    if (error) return TOpenResult::kNotFound;
    struct stat status;
    if (::stat(target.c_str(), &status) != 0) return TOpenResult::kNotFound;
    if (S_ISREG(status.st_mode) && (status.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0) {
      return TOpenResult::kRefused;
    }
    const std::string extension = FileSystemExtension(target);
    if (extension == kRefusedExtension || extension == kLauncherExtension) {
      return TOpenResult::kRefused;
    }
  }

  struct stat folderStatus;
  const bool folderExists =
      ::stat(folderPath.c_str(), &folderStatus) == 0 && S_ISDIR(folderStatus.st_mode);
  TSpawnSetup setup(folderExists ? folderPath : std::string());
  const pid_t opener = setup.Spawn(kOpenerProgram, {kOpenerProgram, target}, true);
  if (opener < 0) return TOpenResult::kFailed;
  return OpenerSucceeded(opener) ? TOpenResult::kOpened : TOpenResult::kFailed;
}

}  // namespace kelmo
