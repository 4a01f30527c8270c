// The decoder helper's confinement: once its decoders are loaded, the helper gives up what a
// decoder has no need of, so that a hostile decoder can read the picture it is handed and nothing
// else. Landlock takes every file-system access away (the picture comes as an open descriptor);
// a seccomp filter stops the process at once when it tries to start a program, make a process,
// open a socket, open a file for writing, signal another process, or change the file system
// (the second guard where the kernel has no Landlock).
#pragma once

#include <string>

namespace kelmo {

// The signal that a process stopped by the seccomp filter dies of.
inline constexpr int kConfinementSignal = 31;  // SIGSYS

// What Confine achieved.
struct TConfinement {
  bool FileSystemClosed = false;  // Landlock is in force
  bool CallsFiltered = false;     // the seccomp filter is in force
};

// Confines the calling process for the rest of its life (both are inherited and cannot be
// undone). Each guard that the kernel lacks is left out; the result says which are in force.
TConfinement Confine();

}  // namespace kelmo
