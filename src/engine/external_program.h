// Starting outside programs for the macros: the program a character entrusts with work, and the
// desktop's opener for documents and web addresses.
//
// Characters were written for a system that starts a program from one command line. Here the line
// is taken apart as that system would: the program is the first prefix of the line, cut at a
// blank, that names an executable file (so a folder with blanks in its name works unquoted), and
// the arguments after it are split at blanks with double quotes grouping, by the rules a program
// there applies to its own command line. No shell ever sees the text.
//
// Every started process is reaped: the watcher reaps the program it watches, and a process whose
// watch ends early is handed to a detached thread that waits for it, so none stays a zombie.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "charfile/data_root.h"

namespace kelmo {

// Splits an argument text as a program on the system the characters were written for splits its
// command line: blanks (space, tab) separate arguments; double quotes group, and "" inside a
// quoted part stands for one double quote; backslashes are literal except before a double quote,
// where 2n of them give n backslashes and a grouping quote, 2n+1 give n backslashes and a literal
// double quote.
std::vector<std::u16string> SplitArgumentText(std::u16string_view text);

// Starts the program a command line (Shift-JIS) names, without a shell and without waiting: the
// program is the command line's quoted first part, or else the first prefix ending before a blank
// (or at the end) that names an executable file, case-insensitively resolved as data paths are;
// the rest is split with SplitArgumentText. With programFolder, only a program inside it (".."
// and symbolic links resolved) counts; the file-system path of an executable the command line
// names outside it is then stored in outsideProgram, when given. Standard input and output go to
// /dev/null, the program runs in a session of its own (and so in a process group whose id is its
// process id), in this program's folder and environment, and inherits no descriptors. Returns the
// process id, or -1 when nothing could be started.
pid_t StartProgram(std::string_view commandLine, const TDataRoot* programFolder = nullptr,
                   std::string* outsideProgram = nullptr);

// True when the process has ended (it is then reaped) or cannot be waited for; false while it runs.
bool ProcessHasEnded(pid_t process);

// Reaps the process whenever it ends, on a detached thread; the caller no longer waits for it.
void ReapWhenEnded(pid_t process);

// Ends the process group whose leader is the process (the process and whatever it started that
// stayed in its group) at once, and reaps the process whenever it ends. The process must be a
// child of this program that has not been reaped.
void EndProcessGroup(pid_t process);

// Why OpenDocument refused or failed, or kOpened.
enum class TOpenResult { kOpened, kRefused, kNotFound, kFailed };

// Opens a document path or web address (Shift-JIS) with the desktop's associated program through
// "xdg-open", started without a shell in the folder (a data path). A relative path counts from
// that folder. Refused: a path whose extension is ".EXE" in any letter case, a file with an
// execute permission, a ".desktop" launcher, and web addresses other than http, https, ftp and
// mailto; a symbolic link is judged by the file it leads to (".." and every link resolved), which
// is what the opener receives. Returns kOpened when xdg-open succeeded or is still busy after a
// short wait.
TOpenResult OpenDocument(std::string_view path, std::string_view folder);

}  // namespace kelmo
