#include "plugins/plugin_error_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "charfile/kelmo_error.h"
#include "charfile/regular_file.h"

namespace kelmo {
namespace {

// Bytes read from the pipe at a time.
constexpr size_t kReadChunk = 65536;
// Reads one Drain makes at most: a plug-in writing without pause must not keep the host reading
// past the deadline it waits under.
constexpr int kMaxReadsPerDrain = 16;

TFileDescriptor OpenLog(const std::string& path) {
  try {
    return OpenRegularFile(path, O_WRONLY | O_APPEND | O_CREAT, 0644);
  } catch (const EFileError&) {
    return {};
  }
}

}  // namespace

TPluginErrorLog::TPluginErrorLog(TFileDescriptor source, const std::string& logPath,
                                 std::string name)
    : source_(std::move(source)), log_(OpenLog(logPath)), name_(std::move(name)) {
  if (source_.IsOpen()) ::fcntl(Source(), F_SETFL, ::fcntl(Source(), F_GETFL) | O_NONBLOCK);
}

void TPluginErrorLog::Drain() {
  char buffer[kReadChunk];
  for (int reads = 0; source_.IsOpen() && reads < kMaxReadsPerDrain; ++reads) {
    const ssize_t count = ::read(Source(), buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno == EAGAIN) return;
    if (count <= 0) {  // the plug-in's side is closed, or the pipe failed
      source_.Reset();
      return;
    }
    if (dropping_) continue;
    partial_.append(buffer, static_cast<size_t>(count));
    const size_t lastLineEnd = partial_.rfind('\n');
    if (lastLineEnd != std::string::npos) {
      Append(std::string_view(partial_).substr(0, lastLineEnd + 1));
      partial_.erase(0, lastLineEnd + 1);
    }
    // A line that can no longer fit the budget is the end of what this run may log.
    if (!dropping_ && written_ + partial_.size() >= kMaxPluginLogBytesPerRun) Overflow();
  }
}

void TPluginErrorLog::Finish() {
  Drain();
  if (!dropping_ && !partial_.empty()) Append(partial_ + "\n");
  partial_.clear();
  source_.Reset();
}

void TPluginErrorLog::Append(std::string_view lines) {
  if (dropping_) return;
  const size_t room = kMaxPluginLogBytesPerRun - written_;
  size_t fits = lines.size();
  if (fits > room) {
    // Whole lines up to the budget, then the line about the rest.
    const size_t lastFitting = room == 0 ? std::string_view::npos : lines.rfind('\n', room - 1);
    fits = lastFitting == std::string_view::npos ? 0 : lastFitting + 1;
  }
  if (log_.IsOpen() && fits > 0) WriteAllBytes(log_.Get(), lines.substr(0, fits));
  written_ += fits;
  if (fits < lines.size()) Overflow();
}

void TPluginErrorLog::Overflow() {
  dropping_ = true;
  partial_.clear();
  const std::string notice = "[" + name_ + "] more than " +
                             std::to_string(kMaxPluginLogBytesPerRun) +
                             " bytes of standard error in this run; the rest was dropped\n";
  if (log_.IsOpen()) WriteAllBytes(log_.Get(), notice);
}

}  // namespace kelmo
