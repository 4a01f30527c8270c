// The batch mode for character authors: the chat controller driven by lines of standard input,
// without delays, reporting every typed reply as JSON Lines (batch_view.h).
//
// Each input line (UTF-8; a CR before the line feed is dropped) is a user line, said in the
// user's turn as if typed and entered. Replies are shown to their end at once: every WAITRETURN
// is ended as if Enter were pressed and pauses pass unseen. Timed talk is armed but never waited
// for. There is no prompt and no profile question: the profile and the switches come from the
// settings file, and a dialog a reply opens is cancelled. After the last line the closing talk
// runs. With a seed, every random choice comes from that seed, so the same input and data give the
// same transcript (replies built from the date and time still follow the clock).
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>

namespace kelmo {

// Replies one input line may set off (a reply that skips to another counts each): characters
// whose replies skip to each other forever end the run here.
inline constexpr int kBatchReplyLimit = 1000;

struct TBatchOptions {
  std::string AppDir;            // the program folder (UTF-8 file-system path)
  std::string ProgramFileName;   // names the conversation log
  std::string Character;         // the definition file to load (UTF-8 path)
  std::optional<uint32_t> Seed;  // fixes the random source
};

// Runs the batch: lines from in, the report to out, failures to err. Returns the exit status:
// 0 after the closing talk, 1 when start-up failed, a line's replies did not end or a file could
// not be saved (each failed save is written to err).
int RunBatch(const TBatchOptions& options, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace kelmo
