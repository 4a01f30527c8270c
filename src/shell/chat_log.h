// The program's two logs, both in the program folder and in Shift-JIS with CR LF line ends.
//
// The conversation log is named like the program file with ".log" and holds one entry per line in
// conversation order: start and end marks with a time stamp, the user's lines, the lines each reply
// showed, the closing words. Line breaks (CR LF) inside an entry are written as "{BR}", and every
// other control character but the tab as "{0x" + its code in two hex digits + "}" (an escape,
// ESC, as "{0x1B}"), so that an entry stays one line and a text handed over from a terminal
// ("--say") cannot put escape sequences into the file. Entries are appended to the file (a
// half-written last line is the worst a crash can leave).
//
// The error log "KelmoErr.log" holds the newest entry first: each entry is inserted at the top and
// the file replaced atomically. Failing to write a log never stops the conversation.
#pragma once

#include <string>
#include <string_view>

#include "charfile/date_time.h"

namespace kelmo {

// The error log in the program folder.
inline constexpr std::string_view kErrorLogFileName = "KelmoErr.log";
// What the conversation log's file name ends in instead of the program file's extension.
inline constexpr std::string_view kChatLogExtension = ".log";

// "yyyy/mm/dd hh:nn:ss" (24-hour local time).
std::string FormatTimeStamp(TDateTime time);

// A conversation log line: text without leading and trailing blanks and control characters, each
// CR LF replaced by "{BR}" and each other control character but the tab escaped ("{0x1B}").
std::string ChatLogEntry(std::string_view text);

// An error log line: "## " + time stamp + " [Kelmo]: " + the message with each CR LF replaced by
// "{BR}" and other control characters escaped as in the conversation log, in single quotes, a
// quote inside doubled.
std::string ErrorLogEntry(std::string_view message, TDateTime time);

class TChatLog {
 public:
  // Logs in the program folder appDir (a data path ending in a delimiter); the conversation log is
  // named after programFileName.
  TChatLog(const std::string& appDir, std::string_view programFileName);

  // Appends ChatLogEntry(text) to the conversation log. Failures are ignored.
  void WriteChatLog(std::string_view text) const;

  // Inserts ErrorLogEntry(message, time) as the first line of the error log. When the existing
  // log cannot be read it is left alone (the entry is lost, the old ones are not).
  void WriteErrorLog(std::string_view message, TDateTime time) const;

  // The data paths of the two logs.
  const std::string& ChatLogPath() const { return chatLogPath_; }
  const std::string& ErrorLogPath() const { return errorLogPath_; }

 private:
  std::string chatLogPath_;
  std::string errorLogPath_;
};

}  // namespace kelmo
