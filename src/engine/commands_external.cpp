// The external-program commands: ENTRUST starts a program in the character folder and watches it,
// ENDENTRUST reports its end once, RESULT fetches the first line of its answer file, SHELL: opens
// a document, ALLOWEXECUTE reports whether the user allows any of it. ENTRUST and SHELL: start
// nothing while AllowExecute is off; RESULT reads the answer file regardless.
#include <algorithm>

#include "charfile/code_page.h"
#include "charfile/data_path.h"
#include "charfile/text_utils.h"
#include "engine/character.h"
#include "engine/command_support.h"
#include "engine/entrust.h"
#include "engine/external_program.h"

namespace kelmo {
namespace {

// The answer file an entrusted program writes, in the character folder.
constexpr std::string_view kAnswerFileName = "Result.txt";

// The length of the keyword "ENTRUST": the program text starts right after it.
constexpr int kEntrustLength = 7;

// The length of the keyword "SHELL:".
constexpr int kShellLength = 6;

std::string AnswerFilePath(const TCharacter& character) {
  return character.Folder + std::string(kAnswerFileName);
}

}  // namespace

std::u16string AllowExecuteText(const TCommand& command) {
  return TruthText(command.Character.AllowExecute);
}

// ENTRUSTprogram|arguments: the command line is the folder and the program (unquoted), the answer
// file's path in double quotes, then the arguments, all as written.
std::u16string Entrust(const TCommand& command) {
  TCharacter& character = command.Character;
  if (!character.AllowExecute || !character.TakeProgramStart()) return TruthText(false);
  // The earlier watch ends here; its notice sets RunnerDone. Its program runs on.
  character.Runner.reset();
  // The program receives the answer file as a real path of this file system.
  const std::string answerFile = FromFileSystemPath(ResolveDataPath(AnswerFilePath(character)));
  const std::string commandLine =
      character.Folder + Narrow(command.RawSlice(kEntrustLength + 1, command.Bar - 1)) + " \"" +
      answerFile + "\" " + Narrow(command.RawSliceFrom(command.Bar + 1));
  return TruthText(character.StartRunner(commandLine));
}

std::u16string EndEntrust(const TCommand& command) {
  TCharacter& character = command.Character;
  // An ended watch whose notice has not come through the front end's loop yet counts as ended.
  if (character.Runner) character.Runner->DeliverPendingNotice();
  const bool done = character.RunnerDone;
  character.RunnerDone = false;
  return TruthText(done);
}

// The first line of the answer file, which is then deleted; a file that cannot be deleted still
// gives its line and stays. No file: nothing. A file that cannot be read fails the command.
// Programs written for Windows answer in Shift-JIS, programs on this system usually in UTF-8; a
// Japanese Shift-JIS line is practically never valid UTF-8, so a valid UTF-8 line with non-ASCII
// bytes is read as UTF-8.
std::u16string ReadResult(const TCommand& command) {
  const TCharacter& character = command.Character;
  // An answer file that leads outside the character's root (a symbolic link) counts as missing.
  if (character.ExistingDataFile(AnswerFilePath(character)).empty()) return {};
  const std::string line = ReadFirstLineAndDelete(AnswerFilePath(character));
  const bool hasNonAscii =
      std::any_of(line.begin(), line.end(), [](char byte) { return byte & 0x80; });
  if (hasNonAscii && IsValidUtf8(line)) return Utf8ToUtf16(line);
  return Wide(line);
}

std::u16string ShellOpen(const TCommand& command) {
  TCharacter& character = command.Character;
  if (!character.AllowExecute || !character.TakeProgramStart()) return TruthText(false);
  const std::string path = Narrow(command.RawSliceFrom(kShellLength + 1));
  return TruthText(OpenDocument(path, character.Folder) == TOpenResult::kOpened);
}

}  // namespace kelmo
