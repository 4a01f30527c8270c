// The character's side of the external program runner: starting a program from a command line
// and taking the watch's completion notice. The watch itself is TEntrust; both operations run on
// the main thread, so Runner and RunnerDone are only ever touched there.
#include "charfile/data_path.h"
#include "engine/character.h"
#include "engine/entrust.h"
#include "engine/external_program.h"

namespace kelmo {

bool TCharacter::StartRunner(const std::string& commandLine) {
  const TDataRoot folder(ResolveDataPath(Folder));
  std::string outside;
  const pid_t process = StartProgram(commandLine, &folder, &outside);
  if (!outside.empty()) {
    LogError(folder.OutsideMessage(FromFileSystemPath(outside)));
  }
  if (process < 0) return false;
  // An earlier watch ends first, so that its notice cannot arrive after the new start.
  Runner.reset();
  RunnerDone = false;
  Runner =
      std::make_unique<TEntrust>([this] { RunnerFinished(); }, process, environment_.MainThread);
  Runner->Start();
  return true;
}

bool TCharacter::TakeProgramStart() {
  const auto now = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point& oldest = recentStarts_[nextStart_];
  if (oldest.time_since_epoch().count() != 0 && now - oldest < std::chrono::seconds(1)) return false;
  oldest = now;
  nextStart_ = (nextStart_ + 1) % recentStarts_.size();
  return true;
}

void TCharacter::RunnerFinished() {
  RunnerDone = true;
}

}  // namespace kelmo
