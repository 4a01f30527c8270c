// Opening the files the program reads and appends to, safely, and the one owner of a descriptor.
// Data paths come from data, and a FIFO or a device put where a data file or a log is expected
// would make open() or read() wait forever; so a file is opened without blocking and kept only
// when fstat() shows a regular file. Every descriptor the program opens (files, pipes, sockets) is
// held by a TFileDescriptor, so that an exception halfway through a set-up leaves nothing open.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <utility>

namespace kelmo {

// Owns a descriptor and closes it; -1 stands for none. Moving passes the ownership on.
class TFileDescriptor {
 public:
  TFileDescriptor() = default;
  explicit TFileDescriptor(int descriptor) : descriptor_(descriptor) {}
  ~TFileDescriptor() { Reset(); }
  TFileDescriptor(TFileDescriptor&& other) noexcept : descriptor_(other.Release()) {}
  TFileDescriptor& operator=(TFileDescriptor&& other) noexcept {
    Reset(other.Release());
    return *this;
  }

  int Get() const { return descriptor_; }
  bool IsOpen() const { return descriptor_ >= 0; }
  // Gives the descriptor up without closing it; none is held afterwards.
  int Release() { return std::exchange(descriptor_, -1); }
  // Closes the descriptor held, if any, and holds descriptor instead.
  void Reset(int descriptor = -1);

 private:
  int descriptor_ = -1;
};

// Both ends of a pipe.
struct TPipe {
  TFileDescriptor Read;
  TFileDescriptor Write;
};

// A new pipe with pipe2()'s flags (O_CLOEXEC, O_NONBLOCK). Raises std::system_error.
TPipe MakePipe(int flags);

// Opens the file at the UTF-8 file-system path with the open() flags (close-on-exec added) and
// mode. Only a regular file is opened, and the test never blocks: a FIFO, a device or a folder
// raises EFileError as a missing file does.
TFileDescriptor OpenRegularFile(const std::string& path, int flags, mode_t mode = 0);

// Writes all of bytes to the descriptor, going on after signals; false when a write fails.
bool WriteAllBytes(int descriptor, std::string_view bytes);

}  // namespace kelmo
