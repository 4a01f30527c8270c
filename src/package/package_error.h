// What can go wrong with a package, as codes, and the one table of messages a user reads.
//
// Every refusal and failure of installing, updating, removing or packing a character carries a
// TPackageCode and, where one entry of the package or one file is to blame, its name. Callers and
// tests decide by the code; PackageMessage makes the Japanese sentence shown to the user from the
// code and the name, so each message is written once, here.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace kelmo {

enum class TPackageCode : uint8_t {
  Ok,
  Cancelled,              // the user did not want the update
  Busy,                   // another install into the same program folder did not end in time
  CannotOpen,             // the package file cannot be read
  NotAnArchive,           // no ZIP or tar format the reader knows
  Corrupt,                // truncated or damaged (entry: where it was noticed, may be empty)
  Encrypted,              // an entry is encrypted
  AbsolutePath,           // an entry's name begins at the root or with a drive
  ParentReference,        // an entry's name holds ".."
  OutsideFolder,          // an entry's name would land outside the unpacking folder
  Link,                   // a symbolic or hard link
  SpecialFile,            // a device, FIFO or socket
  Duplicate,              // a name given twice (also differing only in letter case)
  UnreadableName,         // a name that is empty or cannot be read as text
  TooManyEntries,         // more than TPackageLimits::MaxEntries entries
  TooLarge,               // more than TPackageLimits::MaxUnpackedBytes unpacked
  Bomb,                   // an entry unpacks to more than MaxCompressionRatio times its packed size
  NoDefinition,           // no definition file at the top or inside one top folder
  DefinitionDoesNotLoad,  // a definition file that does not load as a character
  NoCharacterFolder,      // a definition file names no folder of its own inside the package
  FolderConflict,         // two definition files' folders overlap, or an installed one clashes
  ExtraFileConflict,      // a file beside the character has the name of one of its own files
  DiskFull,               // the disk filled (or a file grew past what the system allows)
  WriteFailed,            // a file or folder could not be written, moved or removed
  ListNotSaved,           // the list of installed characters could not be saved
  Running,                // the character to remove is the one in use
  NotInstalled,           // the character to remove is not a definition file of the program folder
  TrashFailed,            // the desktop's trash did not take a file
  LintErrors,             // the character to pack has errors
  OutsideCharacterFolder,  // a file the character to pack uses lies outside its folder
};

// The sentence a user reads for code, naming entry (a package entry or a file, UTF-8) where the
// code is about one.
std::string PackageMessage(TPackageCode code, const std::string& entry);

// DiskFull when the system's error number says the disk (or the user's quota, or the size a file
// may have) is exhausted, WriteFailed otherwise.
TPackageCode WriteFailureCode(int errorNumber);

// A refusal or failure of a package operation.
class EPackageError : public std::runtime_error {
 public:
  EPackageError(TPackageCode code, std::string entry)
      : std::runtime_error(PackageMessage(code, entry)), code_(code), entry_(std::move(entry)) {}

  TPackageCode Code() const { return code_; }
  // The entry or file the failure is about (UTF-8); may be empty.
  const std::string& Entry() const { return entry_; }

 private:
  TPackageCode code_;
  std::string entry_;
};

// How an operation that reports its failure as a result ended.
struct TPackageOutcome {
  TPackageCode Code = TPackageCode::Ok;
  std::string Entry;
};

// Runs action: an EPackageError it raises becomes its code and entry, any other exception
// WriteFailed with the exception's text.
TPackageOutcome RunPackageOperation(const std::function<void()>& action);

}  // namespace kelmo
