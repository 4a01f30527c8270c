// Running a transcript test (transcript.h) against its character.
//
// Each case gets a chat controller of its own that loads the character afresh, without its state
// file (the slots start cleared and the character's files stay as they were), shows every reply
// to its end at once (each WAITRETURN ended, pauses unseen), and records the lines the balloon
// shows at the end of each reply. The controller lives in a scratch program folder made for the
// run and removed after it: its settings hold the transcript's profile and nothing else, so no
// conversation plug-in is loaded and no external program may be started, and nothing of the real
// program folder is written. The character's macros and the controller see one clock, which
// stands at the case's date and time (its own, the header's, or the moment the case starts) and
// moves only at a wait: then each timed talk that comes due is carried out at its time, as the
// window's timer would. With a seed every case starts the random source from it, so a case gives
// the same replies whichever cases ran before it.
//
// A case fails at its first exchange whose shown lines differ from the expected ones (trailing
// empty lines aside); the report shows a line diff ("-" expected, "+" shown) under the line number
// of that exchange.
#pragma once

#include <ostream>
#include <string>

namespace kelmo {

// Replies one user line may set off (a reply that skips to another counts each), and timed talks
// one wait may carry out: replies that skip to each other or re-arm themselves forever fail the
// exchange here.
inline constexpr int kTranscriptReplyLimit = 1000;

struct TTranscriptOptions {
  std::string AppDir;      // the program folder, which a relative character path starts from
  std::string Transcript;  // the transcript file (UTF-8 file-system path), shown as given
};

// Runs every case and writes the failures and a summary to out, every line through TerminalText
// (a control character or a malformed byte it quotes appears as "{0x1B}"). Returns 0 when every
// case passed, 1 otherwise (a mistake in the file, a character that cannot be loaded, a failed
// case).
int RunTranscript(const TTranscriptOptions& options, std::ostream& out);

}  // namespace kelmo
