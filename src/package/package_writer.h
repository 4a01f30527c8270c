// Making a package of a character for its author: "--pack".
//
// The character is linted first (src/lint) and refused when the linter finds an error. The package
// is a ZIP archive of exactly the files the linter saw the character use (its definition file,
// dictionaries, petting files, and the pictures and sounds its definition and replies name), the
// image decoders in its folder, and any readme or licence in its folder, each under its path
// relative to the definition file's folder: the layout an install expects. Names are UTF-8 and
// flagged so. Every file must lie in the character's folder; state files (".kls") never go in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "lint/lint_report.h"
#include "package/package_error.h"
#include "package/package_format.h"

namespace kelmo {

struct TPackRequest {
  std::string ProgramFolder;  // UTF-8 file-system path
  std::string Definition;     // the character's definition file (UTF-8 file-system path)
  std::string Output;         // the package to write (UTF-8 file-system path)
};

struct TPackResult {
  TPackageCode Code = TPackageCode::Ok;
  std::string Entry;               // the file the failure names (UTF-8)
  std::string Message;             // PackageMessage, or empty on success
  TLintReport Lint;                // what the linter found
  std::vector<std::string> Names;  // the package's entries, in order
};

// Lints the character and writes its package to request.Output, replacing that file in one step
// (a failure leaves no file behind). Never raises. Codes: LintErrors, NoCharacterFolder (the
// definition file names no folder of its own), OutsideCharacterFolder, DiskFull, WriteFailed.
TPackResult PackCharacter(const TPackRequest& request);

// Whether a file of a character folder is a readme or licence that goes into its package.
bool IsReadmeOrLicence(std::string_view fileName);

}  // namespace kelmo
