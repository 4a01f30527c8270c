// A conversation plug-in as a running process: the late-bound object of this platform.
//
// Each object is one child process started from an executable file and spoken to over its
// standard input and output. A method call is one JSON-RPC 2.0 request line written to the
// process and one answer line read back, both UTF-8 JSON; the answer must arrive within the call
// time-out. Every way the exchange can fail (the process cannot start or has exited, the answer is
// not valid JSON-RPC for the request's id, the answer is an error, no answer in time) raises
// EPluginError, the one exception the plug-in host catches where automation errors are caught.
//
// The subtle part is keeping the two line streams in step. When a process stops answering, closes
// its output, or writes a line that is not the answer to the current request (garbage, a stale or
// foreign id, an over-long line, an answer before the request was read), later answers could no
// longer be matched to their requests, so the process is ended at once and every later call fails
// fast. An error answer or a badly shaped result leaves the streams in step and the process alive.
//
// Nothing here blocks beyond the time-out: the request is written without blocking while the
// answer is read, so a plug-in that does not read its input cannot stall the program. The child's
// input is a socket written with send(MSG_NOSIGNAL), so a dead plug-in cannot raise SIGPIPE in the
// program; its standard error is a pipe that the host reads while it waits and appends, bounded,
// to a log file (plugin_error_log.h); it inherits no other descriptor.
//
// Each plug-in runs in a process group of its own, and ending the plug-in ends the group: a
// plug-in that starts processes of its own cannot leave them running after it is released or
// timed out. The plug-in's process is reaped only after the group has been signalled, so that
// the group's id cannot have passed to another group meanwhile. A program that dies without
// ending its plug-ins (killed, crashed) takes each plug-in with it through the kernel's
// parent-death signal, and leaves the plug-in's group recorded in the program folder
// (plugin_groups.h) for the next start to end what the plug-in had started.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "charfile/regular_file.h"
#include "plugins/plugin_error_log.h"
#include "plugins/plugin_groups.h"

namespace kelmo {

// How long one method call may take before the plug-in counts as hung and is ended.
inline constexpr std::chrono::milliseconds kPluginCallTimeout{5000};
// How long a released plug-in may take to exit after its input is closed before it is killed.
inline constexpr std::chrono::milliseconds kPluginReleaseWait{1000};
// Longest answer line accepted; a longer one counts as garbage (bounds memory per call).
inline constexpr size_t kMaxPluginAnswerBytes = 8 * 1024 * 1024;
// Deepest JSON nesting accepted in an answer; real answers are three levels deep.
inline constexpr int kMaxPluginAnswerDepth = 64;

// The failure of a plug-in call or of starting a plug-in: the automation error of this platform.
class EPluginError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TPluginProcess {
 public:
  // Starts the executable at the UTF-8 path, without arguments and without a shell, in the
  // working folder (the program folder, where its group is recorded) and in a process group of its
  // own, ended by the kernel when this program dies; its standard error is appended to the file
  // at logPath as TPluginErrorLog does (dropped when that is no regular file or cannot be opened).
  // Call from a thread that outlives the plug-in (the kernel's parent-death signal follows the
  // thread that started it). Raises EPluginError when the process cannot be started.
  TPluginProcess(const std::string& executablePath, const std::string& workingFolder,
                 const std::string& logPath, std::chrono::milliseconds callTimeout);

  // Releases the object: closes the process's input and output, gives it kPluginReleaseWait to
  // exit (reading its standard error meanwhile), then kills its process group, whatever is left
  // of it; the process is always reaped.
  ~TPluginProcess();

  TPluginProcess(const TPluginProcess&) = delete;
  TPluginProcess& operator=(const TPluginProcess&) = delete;

  // Calls method with params (a JSON array of the arguments) and waits at most the call time-out
  // for the answer. Returns the answer's "return" value (null when absent) and replaces params
  // with the answer's "params", the arguments' values after the call (unchanged when absent).
  // Raises EPluginError on any failure of the exchange; see the file comment for when the process
  // is ended as well.
  nlohmann::json Invoke(const std::string& method, nlohmann::json& params);

 private:
  // Writes the request and returns the next whole answer line, within the call time-out.
  std::string Exchange(const std::string& request);

  // Ends the process group at once (kill and reap) and raises EPluginError with the reason.
  [[noreturn]] void Fail(const std::string& reason);

  // Kills the process group, reaps the process and logs the rest of its standard error.
  void EndProcessGroup();

  // Closes both pipes' ends held here.
  void CloseStreams();

  pid_t processId_ = -1;                             // also the id of its process group
  std::unique_ptr<TPluginGroupRecord> groupRecord_;  // while the group lives
  TFileDescriptor input_;   // our end of the socket that is the process's standard input
  TFileDescriptor output_;  // read end of the pipe that is the process's standard output
  std::unique_ptr<TPluginErrorLog> errorLog_;  // reads the pipe of its standard error
  std::string pending_;  // bytes read from the process and not yet taken as an answer
  long long nextId_ = 1;
  std::chrono::milliseconds callTimeout_;
};

}  // namespace kelmo
