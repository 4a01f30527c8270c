// The character's side of the external program runner: starting a program from a command line
// and taking the watch's completion notice. The watch itself is TEntrust; both operations run on
// the main thread, so Runner and RunnerDone are only ever touched there.
#include "engine/character.h"
#include "engine/entrust.h"
#include "engine/external_program.h"

namespace kelmo {

bool TCharacter::StartRunner(const std::string& commandLine) {
  const pid_t process = StartProgram(commandLine);
  if (process < 0) return false;
  // An earlier watch ends first, so that its notice cannot arrive after the new start.
  Runner.reset();
  RunnerDone = false;
  Runner =
      std::make_unique<TEntrust>([this] { RunnerFinished(); }, process, environment_.MainThread);
  Runner->Start();
  return true;
}

void TCharacter::RunnerFinished() {
  RunnerDone = true;
}

}  // namespace kelmo
