// The conversation log and the error log. The conversation log grows at its end, so it is appended
// to; the error log grows at its top, so it is read, prefixed and replaced atomically.
#include "shell/chat_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "charfile/data_path.h"
#include "charfile/kelmo_error.h"
#include "charfile/regular_file.h"
#include "charfile/text_file.h"
#include "charfile/text_utils.h"
#include "engine/date_text.h"

namespace kelmo {
namespace {

// What a line break inside an entry becomes.
constexpr std::string_view kLogLineBreak = "{BR}";
constexpr std::string_view kCrLf = "\r\n";
// Between the time stamp and the message of an error entry.
constexpr std::string_view kErrorTag = " [Kelmo]: ";

// A control character other than a line break or a tab, as the log writes it: "{0x" + two
// upper-case hex digits + "}". No Shift-JIS trail byte is below 0x40, so a byte below 0x20 or
// DEL is always a character of its own.
constexpr std::string_view kEscapeOpen = "{0x";
constexpr std::string_view kEscapeClose = "}";
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr unsigned char kDelete = 0x7F;

bool IsEscaped(unsigned char c) {
  return (c < ' ' && c != '\t') || c == kDelete;
}

// text with each CR LF replaced by "{BR}" and every other control character escaped, so that the
// log holds one entry per line and shows no terminal escape sequence it was handed.
std::string LogLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (const char c : ReplaceAll(text, kCrLf, kLogLineBreak)) {
    const auto byte = static_cast<unsigned char>(c);
    if (!IsEscaped(byte)) {
      line += c;
      continue;
    }
    line += kEscapeOpen;
    line += kHexDigits[byte >> 4];
    line += kHexDigits[byte & 0x0F];
    line += kEscapeClose;
  }
  return line;
}

// Blanks and control characters (bytes up to 32) are trimmed; no Shift-JIS trail byte is that low.
bool IsTrimmed(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

// True when the open file is empty or already ends in a line break.
bool EndsWithLineBreak(int descriptor) {
  struct stat info;
  if (::fstat(descriptor, &info) != 0 || info.st_size == 0) return true;
  char last = 0;
  if (::pread(descriptor, &last, 1, info.st_size - 1) != 1) return true;
  return last == '\n' || last == '\r';
}

}  // namespace

std::string FormatTimeStamp(TDateTime time) {
  return FormatDateTime(time);
}

std::string ChatLogEntry(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  while (end > begin && IsTrimmed(text[end - 1])) --end;
  return LogLine(text.substr(begin, end - begin));
}

std::string ErrorLogEntry(std::string_view message, TDateTime time) {
  std::string quoted = "'";
  for (const char c : LogLine(message)) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  quoted += '\'';
  return "## " + FormatTimeStamp(time) + std::string(kErrorTag) + quoted;
}

TChatLog::TChatLog(const std::string& appDir, std::string_view programFileName)
    : chatLogPath_(appDir + ChangeFileExtension(programFileName, kChatLogExtension)),
      errorLogPath_(appDir + std::string(kErrorLogFileName)) {}

void TChatLog::WriteChatLog(std::string_view text) const {
  try {
    // Only a regular file is appended to: opening a FIFO put in its place would wait forever.
    const TFileDescriptor file(
        OpenRegularFile(ResolveDataPath(chatLogPath_), O_RDWR | O_APPEND | O_CREAT, 0644));
    // A last line without its line break (an older crash) must not swallow the new entry.
    std::string entry = EndsWithLineBreak(file.Get()) ? "" : std::string(kCrLf);
    entry += ChatLogEntry(text);
    entry += kCrLf;
    WriteAllBytes(file.Get(), entry);
  } catch (const EFileError&) {
    // The conversation goes on without its log.
  }
}

void TChatLog::WriteErrorLog(std::string_view message, TDateTime time) const {
  std::vector<std::string> lines;
  try {
    if (DataFileExists(errorLogPath_)) lines = LoadLines(errorLogPath_);
    lines.insert(lines.begin(), ErrorLogEntry(message, time));
    SaveLines(errorLogPath_, lines);
  } catch (const EFileError&) {
    // An unreadable or unwritable error log is left as it is; there is nowhere else to report.
  }
}

}  // namespace kelmo
