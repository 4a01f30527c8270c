// The standard error of one plug-in process, read through a pipe and appended to "plugins.log".
//
// A plug-in may write anything to its standard error, and as much as it likes; the log must stay
// readable and bounded. So the host reads the pipe itself (whenever it waits for the plug-in) and
// appends whole lines only, each batch of whole lines in one write to the log opened for
// appending, so that the lines of plug-ins sharing the log never interleave inside a line. One
// run of a plug-in (one process) may add at most kMaxPluginLogBytesPerRun bytes; then one line
// says that the rest was dropped, and the rest is read and dropped. A last line without its line
// end is appended with one when the plug-in is released.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "charfile/regular_file.h"

namespace kelmo {

// The most bytes of standard error one plug-in run adds to the log.
inline constexpr size_t kMaxPluginLogBytesPerRun = 1024 * 1024;

class TPluginErrorLog {
 public:
  // Takes over source, the reading end of the plug-in's standard error (made non-blocking here),
  // and opens the log at the UTF-8 file-system path for appending; when the log is no regular
  // file or cannot be opened, what the plug-in writes is read and dropped. name names the plug-in
  // in the line about dropped output.
  TPluginErrorLog(TFileDescriptor source, const std::string& logPath, std::string name);

  // Closing both descriptors loses an unfinished last line: call Finish first to keep it.

  TPluginErrorLog(const TPluginErrorLog&) = delete;
  TPluginErrorLog& operator=(const TPluginErrorLog&) = delete;

  // The pipe to wait on for more output; -1 once the plug-in's side is closed.
  int Source() const { return source_.Get(); }

  // Reads what the pipe holds now (up to a megabyte), without blocking, and appends the whole
  // lines it completes within the run's budget.
  void Drain();

  // Drain, then appends an unfinished last line with a line end; nothing is read afterwards.
  void Finish();

 private:
  // Appends lines (each ending in a line feed), as far as the budget allows.
  void Append(std::string_view lines);
  // Appends the line about dropped output once, and drops everything from now on.
  void Overflow();

  TFileDescriptor source_;
  TFileDescriptor log_;
  std::string name_;
  std::string partial_;    // the start of a line still being written
  size_t written_ = 0;     // bytes this run added to the log
  bool dropping_ = false;  // the budget is spent
};

}  // namespace kelmo
