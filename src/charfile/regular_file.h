// Opening the files the program reads and appends to, safely. Data paths come from data, and a
// FIFO or a device put where a data file or a log is expected would make open() or read() wait
// forever; so a file is opened without blocking and kept only when fstat() shows a regular file.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace kelmo {

// Opens the file at the UTF-8 file-system path with the open() flags (close-on-exec added) and
// mode, and returns its descriptor, which the caller closes. Only a regular file is opened, and
// the test never blocks: a FIFO, a device or a folder raises EFileError as a missing file does.
int OpenRegularFile(const std::string& path, int flags, mode_t mode = 0);

// Writes all of bytes to the descriptor, going on after signals; false when a write fails.
bool WriteAllBytes(int descriptor, std::string_view bytes);

// Owns a descriptor and closes it.
class TFileDescriptor {
 public:
  explicit TFileDescriptor(int descriptor) : descriptor_(descriptor) {}
  ~TFileDescriptor();
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  int Get() const { return descriptor_; }

 private:
  int descriptor_;
};

}  // namespace kelmo
